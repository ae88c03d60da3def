// Data sets grown past their limit of cells, record by record, by variables or from a file: each grows
// within seconds to the limit and is refused there. Run one benchmark per process (--benchmark_filter) to
// read each input's own peak memory ("peak_MB"); "status" is the refusal's code.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/error_log.h"
#include "bench/run_in_child.h"
#include "learning/data_set.h"

namespace {

using vovido::bench::RunInChild;

// Adds the benchmark's variables (argument 0), then records until one is refused (at most argument 1).
void RecordsPastTheLimit(benchmark::State& state) {
    RunInChild(state, [&state] {
        DataSet data;
        for (int64_t v = 0; v < state.range(0); ++v) (void)data.AddIntVariable("v" + std::to_string(v), -1);
        for (int64_t r = 0; r < state.range(1); ++r) {
            if (const int rc = data.AddEmptyRecord()) return rc;
        }
        return 0;
    });
}
BENCHMARK(RecordsPastTheLimit)
    ->Args({1000, 1000000})
    ->Args({100000, 10000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A file of argument 0 columns and argument 1 lines read into a data set: empty cells, or 1 in a file of
// one column (whose blank lines at the end would be no records). One of 537 MB and one column is counted
// before its lines are read and refused from that count.
void FilePastTheLimit(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() / "vovido_costly_data.txt").string();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        state.SkipWithError("cannot write the input");
        return;
    }
    const int64_t columns = state.range(0);
    std::string line;
    for (int64_t c = 0; c < columns; ++c) line += (c > 0 ? ",c" : "c") + std::to_string(c);
    std::fputs((line + "\n").c_str(), file);
    const std::string row = columns > 1 ? std::string(static_cast<size_t>(columns - 1), ',') + "\n" : "1\n";
    std::string rows;
    for (int i = 0; i < 4096; ++i) rows += row;
    for (int64_t r = 0; r < state.range(1); r += 4096) {
        const int64_t n = std::min<int64_t>(4096, state.range(1) - r);
        std::fwrite(rows.data(), 1, static_cast<size_t>(n) * row.size(), file);
    }
    std::fclose(file);
    RunInChild(state, [&path] {
        DataSet data;
        std::string message;
        return data.ReadFile(path.c_str(), nullptr, &message);
    });
    std::filesystem::remove(path);
}
BENCHMARK(FilePastTheLimit)
    ->Args({1000, 300000})
    ->Args({1, 268435500})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
