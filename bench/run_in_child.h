#pragma once
// Costly inputs run in a child process, so that the peak memory a benchmark reports is the input's own.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

namespace vovido::bench {

// Runs `work` in a child process: "peak_MB" and "cpu_s" (user and system time) are the child's, "status"
// what the work answered (its negated exit code; 1000 for a child that did not exit).
inline void RunInChild(benchmark::State& state, const std::function<int()>& work) {
    double peak = 0.0;
    double cpu = 0.0;
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
        cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        status = WIFEXITED(exit) ? -WEXITSTATUS(exit) : 1000;
    }
    state.counters["peak_MB"] = peak;
    state.counters["cpu_s"] = cpu;
    state.counters["status"] = status;
}

}  // namespace vovido::bench
