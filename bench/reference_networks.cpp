// Timing of belief updating and of the probability of evidence on the real networks shipped beside the
// project, each with the evidence of its second case.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "bench/bench_networks.h"
#include "inference/table_check.h"
#include "model/network.h"
#include "tests/support/reference_networks.h"

namespace {

const char* const kNetworks[] = {"asia",       "child",  "insurance", "water", "alarm",
                                 "hailfinder", "hepar2", "win95pts",  "andes"};

std::unique_ptr<VRX_network> Load(const std::string& name) {
    std::unique_ptr<VRX_network> net = vovido::LoadReferenceWithEvidence(name);
    errorLog.Flush();
    return net;
}

void UpdateBeliefs(benchmark::State& state) {
    const std::string name = kNetworks[state.range(0)];
    state.SetLabel(name);
    std::unique_ptr<VRX_network> net = Load(name);
    for (auto _ : state) {
        net->InvalidateValues();
        if (net->UpdateBeliefs() != 0) state.SkipWithError("update failed");
    }
}

void ProbabilityOfEvidence(benchmark::State& state) {
    const std::string name = kNetworks[state.range(0)];
    state.SetLabel(name);
    std::unique_ptr<VRX_network> net = Load(name);
    for (auto _ : state) {
        double pe = 0.0;
        if (!net->CalcPropEvidence(&pe, false)) state.SkipWithError("probability of evidence failed");
        benchmark::DoNotOptimize(pe);
    }
}

// A stream of queries: each sets the evidence of the next case (the first has none) and updates, the
// tables unchanged between them, as an application answering questions on one network does.
void QueryStream(benchmark::State& state) {
    const std::string name = kNetworks[state.range(0)];
    state.SetLabel(name);
    std::unique_ptr<VRX_network> net = Load(name);
    const std::vector<vovido::test::ReferenceCase> cases = vovido::test::ReadReferenceCases(name);
    size_t next = 0;
    for (auto _ : state) {
        if (!vovido::test::SetCaseEvidence(*net, cases[next])) state.SkipWithError("evidence refused");
        if (net->UpdateBeliefs() != 0) state.SkipWithError("update failed");
        next = (next + 1) % cases.size();
    }
    errorLog.Flush();
}

// What each update of that stream spends on checking the tables, none of them changed since the last.
void TableCheck(benchmark::State& state) {
    const std::string name = kNetworks[state.range(0)];
    state.SetLabel(name);
    std::unique_ptr<VRX_network> net = Load(name);
    if (net->UpdateBeliefs() != 0) state.SkipWithError("update failed");
    for (auto _ : state) {
        const vovido::ScaledTables tables(*net);
        benchmark::DoNotOptimize(tables.GetStatus());
    }
    errorLog.Flush();
}

BENCHMARK(UpdateBeliefs)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);
BENCHMARK(ProbabilityOfEvidence)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);
BENCHMARK(QueryStream)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);
BENCHMARK(TableCheck)->DenseRange(0, 8)->Unit(benchmark::kMicrosecond);

}  // namespace
