// Reading delimited data files as they grow wider and longer: the time per column and per record should
// stay flat (the fitted complexity is linear in both).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_check.h"
#include "learning/data_set.h"

namespace {

using vovido::RequireSuccess;

// A file of `columns` named columns and `records` records of ints, decimals and words in turn, some
// cells missing.
std::string WriteDataFile(int columns, int records) {
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("vovido_data_" + std::to_string(columns) + "x" + std::to_string(records) + ".txt"))
            .string();
    FILE* f = std::fopen(path.c_str(), "wb");
    RequireSuccess(f != nullptr ? kSuccess : kFailure, "writing the data file");
    for (int c = 0; c < columns; ++c) std::fprintf(f, "%scolumn%d", c > 0 ? "," : "", c);
    std::fputc('\n', f);
    for (int r = 0; r < records; ++r) {
        for (int c = 0; c < columns; ++c) {
            const unsigned h = (r * 2654435761u) ^ (c * 40503u);
            if (c > 0) std::fputc(',', f);
            if (h % 53 == 0) {
                std::fputc('*', f);
            } else if (c % 3 == 0) {
                std::fprintf(f, "%u", h % 100);
            } else if (c % 3 == 1) {
                std::fprintf(f, "%.3f", (h % 10000) / 7.0);
            } else {
                std::fprintf(f, "s%u", h % 5);
            }
        }
        std::fputc('\n', f);
    }
    std::fclose(f);
    return path;
}

void ReadLoop(benchmark::State& state, int columns, int records) {
    const std::string path = WriteDataFile(columns, records);
    for (auto _ : state) {
        DataSet data;
        std::string message;
        RequireSuccess(data.ReadFile(path.c_str(), nullptr, &message), "ReadFile");
        benchmark::DoNotOptimize(data.GetRecordCount());
    }
    std::remove(path.c_str());
}

// Wide files of 4 records: the argument is the column count.
void BM_ReadDataFileColumns(benchmark::State& state) {
    ReadLoop(state, static_cast<int>(state.range(0)), 4);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadDataFileColumns)
    ->Arg(12500)
    ->Arg(25000)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// Long files of 12 columns: the argument is the record count.
void BM_ReadDataFileRecords(benchmark::State& state) {
    ReadLoop(state, 12, static_cast<int>(state.range(0)));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadDataFileRecords)
    ->Arg(12500)
    ->Arg(50000)
    ->Arg(200000)
    ->Arg(800000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
