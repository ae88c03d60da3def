// Time to refuse what passes the size limits: a file whose table has 40 two-state parents, belief
// updating and the probability of evidence of networks far beyond exact inference, a dynamic network of
// a million slices, a decision that sees 26 nodes, and temporal arcs added until the child's tables
// reach the limit. Each run ends in a refusal; the peak memory of the process tells that nothing larger
// than the limits allow was allocated (the temporal arcs come last: their tables fill the limit).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/error_log.h"
#include "model/network.h"
#include "model/node_definition.h"
#include "tests/support/hard_networks.h"

namespace {

void CountPeakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Times belief updates that must be refused, then the peak memory.
void TimeRefusedUpdates(benchmark::State& state, VRX_network& net, const char* acceptedText) {
    for (auto _ : state) {
        const int rc = net.UpdateBeliefs();
        benchmark::DoNotOptimize(rc);
        if (rc == 0) state.SkipWithError(acceptedText);
        errorLog.Flush();
    }
    CountPeakMemory(state);
}

void BM_ReadFileWithOversizedTable(benchmark::State& state) {
    const int parents = static_cast<int>(state.range(0));
    const std::string path =
        (std::filesystem::temp_directory_path() / ("vovido_wide_" + std::to_string(parents) + ".vrx"))
            .string();
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) {
            state.SkipWithError("cannot write the file");
            return;
        }
        const std::string text = vovido::test::WideParentsText(parents);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        VRX_network net;
        const int rc = net.ReadFile(path.c_str());
        benchmark::DoNotOptimize(rc);
        if (rc == 0) state.SkipWithError("the oversized table was read");
        errorLog.Flush();
    }
    CountPeakMemory(state);
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadFileWithOversizedTable)->Arg(40)->Iterations(1)->Unit(benchmark::kMillisecond);

// Arguments: node count, parents per node.
void BM_UpdateBeliefsBeyondExactInference(benchmark::State& state) {
    VRX_network net;
    vovido::test::BuildHighTreewidthNetwork(net, static_cast<int>(state.range(0)),
                                            static_cast<int>(state.range(1)), 7u);
    TimeRefusedUpdates(state, net, "the network was updated");
}
BENCHMARK(BM_UpdateBeliefsBeyondExactInference)
    ->Args({5000, 4})
    ->Args({5000, 2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Arguments: node count, parents per node; every 50th node observed.
void BM_ProbEvidenceBeyondExactInference(benchmark::State& state) {
    VRX_network net;
    vovido::test::BuildHighTreewidthNetwork(net, static_cast<int>(state.range(0)),
                                            static_cast<int>(state.range(1)), 11u, 50);
    for (auto _ : state) {
        double p = 0.0;
        const bool ok = net.CalcPropEvidence(&p, false);
        benchmark::DoNotOptimize(p);
        if (ok) state.SkipWithError("the probability of evidence was computed");
        errorLog.Flush();
    }
    CountPeakMemory(state);
}
BENCHMARK(BM_ProbEvidenceBeyondExactInference)
    ->Args({20000, 4})
    ->Args({20000, 2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Two plate nodes with an arc of order 1, a million slices.
void BM_UpdateBeliefsOfAMillionSlices(benchmark::State& state) {
    VRX_network net;
    const int a = net.AddNode(DefinitionType::kCpt, "A");
    const int b = net.AddNode(DefinitionType::kCpt, "B");
    if (net.SetTemporalType(a, 3) != 0 || net.SetTemporalType(b, 3) != 0 || net.AddArc(a, b) != 0 ||
        net.AddTemporalArc(a, a, 1) != 0 || net.SetSliceCount(1000000) != 0) {
        state.SkipWithError("the dynamic network cannot be built");
        return;
    }
    TimeRefusedUpdates(state, net, "the network was updated");
}
BENCHMARK(BM_UpdateBeliefsOfAMillionSlices)->Iterations(1)->Unit(benchmark::kMillisecond);

// A decision with the given number of two-state informational parents, each of which a utility of its
// own shares with the decision, so that every observation matters to the policy.
void BM_DecisionSeeingManyNodes(benchmark::State& state) {
    VRX_network net;
    const int d = net.AddNode(DefinitionType::kList, "D");
    for (int i = 0; i < state.range(0); ++i) {
        const int p = net.AddNode(DefinitionType::kCpt, ("P" + std::to_string(i)).c_str());
        const int u = net.AddNode(DefinitionType::kTable, ("U" + std::to_string(i)).c_str());
        if (net.AddArc(p, d) != 0 || net.AddArc(p, u) != 0 || net.AddArc(d, u) != 0)
            state.SkipWithError("the diagram cannot be built");
    }
    TimeRefusedUpdates(state, net, "the diagram was solved");
}
BENCHMARK(BM_DecisionSeeingManyNodes)->Arg(26)->Iterations(1)->Unit(benchmark::kMillisecond);

// Temporal arcs of orders 1, 2, ... from one two-state plate node into another, until one is refused.
void BM_TemporalArcsUntilRefused(benchmark::State& state) {
    for (auto _ : state) {
        VRX_network net;
        const int a = net.AddNode(DefinitionType::kCpt, "A");
        const int b = net.AddNode(DefinitionType::kCpt, "B");
        if (net.SetTemporalType(a, 3) != 0 || net.SetTemporalType(b, 3) != 0) {
            state.SkipWithError("no plate nodes");
            return;
        }
        int order = 1;
        while (order < 64 && net.AddTemporalArc(a, b, order) == 0) order++;
        state.counters["arcs"] = order - 1;
        errorLog.Flush();
    }
    CountPeakMemory(state);
}
BENCHMARK(BM_TemporalArcsUntilRefused)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
