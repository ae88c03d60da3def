// Timing of dynamic networks: unrolling a plate of 50 nodes over many slices, and the whole belief update
// of the unrolled network. Both should grow linearly with the slice count. Plates of 20 and 30 nodes over
// thousands of slices must be answered or refused within seconds.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "bench/bench_check.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"
#include "tests/support/costly_networks.h"

namespace {

using vovido::RequireSuccess;

constexpr int kPlateNodes = 50;

void FillRandomTable(VRX_nodeDefinition& definition, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(0.05, 1.0);
    VRX_doubleArray* entries = nullptr;
    RequireSuccess(definition.GetDefinitionDoubles(entries), "table");
    const int k = definition.GetNumberOfOutcomes();
    VRX_doubleArray values;
    RequireSuccess(values.SetSize(entries->GetCount()), "table values");
    values.SetCount(values.GetSize());
    for (int c = 0; c < values.GetCount(); c += k) {
        double sum = 0.0;
        for (int j = 0; j < k; j++) sum += values[c + j] = u(rng);
        for (int j = 0; j < k; j++) values[c + j] /= sum;
    }
    RequireSuccess(definition.SetDefinitionDoubles(values), "probabilities");
}

// A plate of 50 binary nodes: node i has parents i - 1 and, for even i, i - 2 inside the slice; node 0
// depends on node 0 and node 49 of the previous slice. The slices are joined through two nodes only,
// so exact inference stays within reach however many slices there are. Every seventh slice observes
// node 25.
std::unique_ptr<VRX_network> MakeDynamicNetwork(int slices) {
    auto net = std::make_unique<VRX_network>();
    std::mt19937 rng(20261207u);
    std::vector<int> h;
    for (int i = 0; i < kPlateNodes; i++) {
        h.push_back(net->AddNode(DefinitionType::kCpt, ("x" + std::to_string(i)).c_str()));
        RequireSuccess(h.back() >= 0 ? kSuccess : h.back(), "node");
    }
    for (int i = kPlateNodes - 1; i >= 0; i--)
        RequireSuccess(net->SetTemporalType(h[i], TemporalType::kPlate), "plate");
    for (int i = 1; i < kPlateNodes; i++) {
        RequireSuccess(net->AddArc(h[i - 1], h[i]), "arc");
        if (i % 2 == 0) RequireSuccess(net->AddArc(h[i - 2], h[i]), "arc");
    }
    RequireSuccess(net->AddTemporalArc(h[0], h[0], 1), "temporal arc");
    RequireSuccess(net->AddTemporalArc(h[kPlateNodes - 1], h[0], 1), "temporal arc");
    for (int i = 0; i < kPlateNodes; i++) FillRandomTable(*net->GetNode(h[i])->GetDefinition(), rng);
    FillRandomTable(*net->FindTemporalExtension()->GetTemporalDefinition(h[0], 1), rng);
    RequireSuccess(net->SetSliceCount(slices), "slices");
    VRX_nodeValue& observed = *net->GetNode(h[25])->GetValue();
    for (int t = 0; t < slices; t += 7) RequireSuccess(observed.SetTemporalEvidence(t, t % 2), "evidence");
    return net;
}

void BM_Unroll(benchmark::State& state) {
    const int slices = static_cast<int>(state.range(0));
    std::unique_ptr<VRX_network> net = MakeDynamicNetwork(slices);
    std::vector<int> map;
    for (auto _ : state) {
        VRX_network unrolled;
        RequireSuccess(net->UnrollNetwork(unrolled, map), "unroll");
        benchmark::DoNotOptimize(unrolled.GetNumberOfNodes());
    }
    state.SetComplexityN(slices);
    state.counters["nodes"] = static_cast<double>(slices) * kPlateNodes;
}

void BM_UpdateBeliefsDynamic(benchmark::State& state) {
    const int slices = static_cast<int>(state.range(0));
    std::unique_ptr<VRX_network> net = MakeDynamicNetwork(slices);
    for (auto _ : state) {
        net->InvalidateValues();
        RequireSuccess(net->UpdateBeliefs(), "update");
    }
    state.SetComplexityN(slices);
    state.counters["nodes"] = static_cast<double>(slices) * kPlateNodes;
}

std::unique_ptr<VRX_network> MakePlateChain(const benchmark::State& state) {
    auto net = std::make_unique<VRX_network>();
    RequireSuccess(
        vovido::test::BuildPlateChain(*net, static_cast<int>(state.range(0)),
                                      static_cast<int>(state.range(1)), state.range(2) != 0, state.range(3)),
        "plate");
    return net;
}

void CountStatusAndPeak(benchmark::State& state, int status) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["status"] = status;
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A plate of nodes in a chain over many slices, updated once. Arguments: plate nodes, slices, interface:
// 1 every node a parent of itself in the next slice (a wide interface), 0 the first node a parent of
// itself and of the last in the next slice; outcomes a node. A refusal (status -42) counts as a fast
// answer. Peak memory is the process's: run one benchmark per process to read its own.
void BM_UpdatePlateSlices(benchmark::State& state) {
    std::unique_ptr<VRX_network> net = MakePlateChain(state);
    int status = kSuccess;
    for (auto _ : state) {
        net->InvalidateValues();
        status = net->UpdateBeliefs();
        errorLog.Flush();
    }
    CountStatusAndPeak(state, status);
}

// The same plates unrolled alone, which needs no join tree: its own bound lets more slices through.
void BM_UnrollPlateSlices(benchmark::State& state) {
    std::unique_ptr<VRX_network> net = MakePlateChain(state);
    int status = kSuccess;
    for (auto _ : state) {
        VRX_network unrolled;
        std::vector<int> map;
        status = net->UnrollNetwork(unrolled, map);
        errorLog.Flush();
    }
    CountStatusAndPeak(state, status);
}

}  // namespace

BENCHMARK(BM_Unroll)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_UpdateBeliefsDynamic)
    ->Arg(100)
    ->Arg(300)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_UpdatePlateSlices)
    ->Args({20, 7000, 0, 2})
    ->Args({30, 5000, 0, 2})
    ->Args({20, 18000, 0, 2})
    ->Args({20, 40000, 0, 2})
    ->Args({20, 13000, 1, 2})
    ->Args({2, 170000, 0, 2})
    ->Args({100, 3400, 0, 2})
    ->Args({100, 4600, 0, 2})
    ->Args({3, 60000, 1, 4})
    ->Args({3, 100000, 1, 4})
    ->Args({3, 124000, 1, 4})
    ->Args({3, 90000, 1, 4})
    ->Args({3, 10000, 1, 8})
    ->Args({3, 20000, 1, 8})
    ->Args({2, 230000, 0, 2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnrollPlateSlices)
    ->Args({3, 120000, 1, 4})
    ->Args({3, 125000, 1, 4})
    ->Args({3, 250000, 1, 4})
    ->Args({2, 190000, 0, 2})
    ->Args({2, 450000, 0, 2})
    ->Args({20, 18000, 0, 2})
    ->Args({3, 20000, 1, 8})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
