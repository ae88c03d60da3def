// Timing of building a network call by call, as the Java layer does: each added node, arc, identifier
// and outcome must cost the same however large the network already is, so the totals grow linearly.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace {

// An earlier node to be the parent of node i (i >= 1), spread over the whole range like a hash.
int ParentOf(int i) {
    return static_cast<int>((static_cast<uint64_t>(i) * 2654435761u) % static_cast<uint64_t>(i));
}

void Check(int rc, const char* what) {
    if (rc < 0) {
        std::fprintf(stderr, "%s failed with %d\n", what, rc);
        std::abort();
    }
}

// n CPT nodes with identifiers N0 ... and n - 1 arcs, each from an earlier node.
void Build(VRX_network& net, int n) {
    char id[32];
    for (int i = 0; i < n; i++) {
        std::snprintf(id, sizeof id, "N%d", i);
        Check(net.AddNode(DefinitionType::kCpt, id), "AddNode");
    }
    for (int i = 1; i < n; i++) Check(net.AddArc(ParentOf(i), i), "AddArc");
}

void BM_AddNodesAndArcs(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto net = std::make_unique<VRX_network>();
        Build(*net, n);
        benchmark::DoNotOptimize(net->GetNumberOfNodes());
        // Tearing the network down is not part of building it.
        state.PauseTiming();
        net.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * (2 * static_cast<int64_t>(n) - 1));
    state.SetComplexityN(n);
}

// Renaming every node and adding an outcome to every node of a built network.
void BM_RenameAndAddOutcome(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    VRX_network net;
    Build(net, n);
    char id[32];
    int round = 0;
    for (auto _ : state) {
        round++;
        for (int h = 0; h < n; h++) {
            std::snprintf(id, sizeof id, "R%d_%d", round, h);
            VRX_node* node = net.GetNode(h);
            Check(node->SetId(id), "SetId");
            Check(node->GetDefinition()->AddOutcome(id), "AddOutcome");
            Check(node->GetDefinition()->RemoveOutcome(2), "RemoveOutcome");
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
    state.SetComplexityN(n);
}

// Sizes 10^3, 10^4 and 10^5; a few seconds each, so that the largest size runs more than once.
BENCHMARK(BM_AddNodesAndArcs)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_RenameAndAddOutcome)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->Complexity(benchmark::oN);

}  // namespace
