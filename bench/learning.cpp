// Structure learning and data reading: PC on records drawn from the alarm network (counts from the
// projected distinct rows, one core), and the reading of delimited data files in bytes per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/bench_check.h"
#include "learning/data_set.h"
#include "learning/pattern.h"
#include "learning/pc.h"
#include "model/network.h"
#include "tests/support/sampled_data.h"

namespace {

using vovido::RequireSuccess;

const std::string kAlarm = std::string(VOVIDO_NETWORKS_DIR) + "/alarm.xvrx";

void Require(bool ok, const char* step) {
    RequireSuccess(ok ? kSuccess : kFailure, step);
}

void SampleAlarm(int records, DataSet& data) {
    VRX_network net;
    RequireSuccess(net.ReadFile(kAlarm.c_str()), "reading alarm");
    Require(vovido::test::SampleRecords(net, records, 2024, data), "sampling alarm");
}

void BM_PcAlarm(benchmark::State& state) {
    DataSet data;
    SampleAlarm(static_cast<int>(state.range(0)), data);
    for (auto _ : state) {
        Pattern pattern;
        RequireSuccess(LearnPc(PcOptions(), data, pattern, nullptr), "LearnPc");
        benchmark::DoNotOptimize(pattern.GetSize());
    }
}
BENCHMARK(BM_PcAlarm)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

long FileSize(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return 0;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    return size;
}

void ReadLoop(benchmark::State& state, const std::string& path) {
    const long size = FileSize(path);
    for (auto _ : state) {
        DataSet data;
        std::string message;
        RequireSuccess(data.ReadFile(path.c_str(), nullptr, &message), "ReadFile");
        benchmark::DoNotOptimize(data.GetRecordCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    std::remove(path.c_str());
}

// 100,000 alarm records as state names.
void BM_ReadStateNames(benchmark::State& state) {
    DataSet data;
    SampleAlarm(100000, data);
    const std::string path = "bench_learning_states.txt";
    Require(vovido::test::WriteDataFile(data, path), "writing the data file");
    ReadLoop(state, path);
}
BENCHMARK(BM_ReadStateNames)->Unit(benchmark::kMillisecond);

// 200,000 records of 10 integer and 10 decimal columns, some cells missing.
void BM_ReadNumbers(benchmark::State& state) {
    const std::string path = "bench_learning_numbers.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    Require(f != nullptr, "writing the data file");
    for (int c = 0; c < 20; ++c) std::fprintf(f, "%sc%d", c > 0 ? "," : "", c);
    std::fputc('\n', f);
    for (int r = 0; r < 200000; ++r) {
        for (int c = 0; c < 20; ++c) {
            const unsigned h = (r * 2654435761u) ^ (c * 40503u);
            if (c > 0) std::fputc(',', f);
            if (h % 97 == 0) {
                std::fputc('*', f);
            } else if (c < 10) {
                std::fprintf(f, "%u", h % 1000);
            } else {
                std::fprintf(f, "%.4f", (h % 100000) / 37.0);
            }
        }
        std::fputc('\n', f);
    }
    std::fclose(f);
    ReadLoop(state, path);
}
BENCHMARK(BM_ReadNumbers)->Unit(benchmark::kMillisecond);

}  // namespace
