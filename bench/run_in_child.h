#pragma once
// Benchmarks whose input may take gigabytes or need an address-space limit run the work in a child
// process, so that the peak memory read is the work's own and a limit set there binds nothing else.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

namespace vovido {

// Runs `work` in a child process, so that its peak memory is its own: "peak_MB" is the child's, "status"
// what the work answered.
inline void RunInChild(benchmark::State& state, const std::function<int()>& work) {
    double peak = 0.0;
    int status = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) _exit(-work() & 0xff);
        int exit = 0;
        rusage usage{};
        if (child < 0 || wait4(child, &exit, 0, &usage) != child) {
            state.SkipWithError("no child process");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        peak = static_cast<double>(usage.ru_maxrss) / 1024.0;
        status = WIFEXITED(exit) ? -WEXITSTATUS(exit) : 1000;
    }
    state.counters["peak_MB"] = peak;
    state.counters["status"] = status;
}

}  // namespace vovido
