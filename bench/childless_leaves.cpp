// Belief updates of networks with many childless nodes: leaves over a dense core, whose beliefs are read
// from their parents' marginal, and queries on munin, whose tree leaves out 183 such nodes.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/int_array.h"
#include "bench/bench_check.h"
#include "bench/bench_networks.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace {

using vovido::RequireSuccess;

// A core of binary nodes, each a child of every earlier one (one cluster of 2^core entries), and binary
// leaves, leaf i a child of core node i mod core: the leaves of one core node interleave with the others'.
std::unique_ptr<VRX_network> MakeInterleavedLeaves(int core, int leaves) {
    auto net = std::make_unique<VRX_network>();
    std::vector<int> handles;
    for (int i = 0; i < core + leaves; i++) {
        const int h = net->AddNode(DefinitionType::kCpt, ("n" + std::to_string(i)).c_str());
        RequireSuccess(h < 0 ? h : 0, "node");
        if (i < core) {
            for (int j = 0; j < i; j++)
                RequireSuccess(net->AddArc(handles[static_cast<size_t>(j)], h), "arc");
        } else {
            RequireSuccess(net->AddArc(handles[static_cast<size_t>((i - core) % core)], h), "arc");
        }
        handles.push_back(h);
    }
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(0.05, 1.0);
    vovido::FillRandomTables(*net, handles, [&] { return u(rng); });
    return net;
}

// Arguments: core nodes, leaves, algorithm.
void BM_InterleavedLeaves(benchmark::State& state) {
    std::unique_ptr<VRX_network> net =
        MakeInterleavedLeaves(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    net->SetBayesianAlgorithm(static_cast<int>(state.range(2)));
    for (auto _ : state) {
        net->InvalidateValues();
        RequireSuccess(net->UpdateBeliefs(), "update");
    }
}
BENCHMARK(BM_InterleavedLeaves)
    ->Args({20, 2000, 0})
    ->Args({20, 2000, 12})
    ->Args({21, 4000, 0})
    ->Unit(benchmark::kMillisecond);

// Updates of every belief on munin, each under ten findings of its own.
void BM_MuninQueries(benchmark::State& state) {
    VRX_network net;
    RequireSuccess(net.ReadFile(VOVIDO_NETWORKS_DIR "/large/munin.xvrx"), "read");
    const std::vector<std::vector<std::pair<int, int>>> findings =
        vovido::SampleFindings(net, std::vector<int>(16, 10));
    size_t next = 0;
    for (auto _ : state) {
        RequireSuccess(net.ClearAllEvidence(), "clear");
        for (const auto& [h, outcome] : findings[next])
            RequireSuccess(net.GetNode(h)->GetValue()->SetEvidence(outcome), "evidence");
        RequireSuccess(net.UpdateBeliefs(), "update");
        next = (next + 1) % findings.size();
    }
}
BENCHMARK(BM_MuninQueries)->Unit(benchmark::kMillisecond);

}  // namespace
