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

// Findings drawn by forward sampling, so that every set is possible: count nodes' outcomes each.
std::vector<std::vector<std::pair<int, int>>> SampleFindings(VRX_network& net, int sets, int count) {
    std::vector<int> all;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) all.push_back(h);
    // Parents before children.
    std::vector<int> order;
    std::vector<char> placed(static_cast<size_t>(all.empty() ? 1 : all.back() + 1), 0);
    while (order.size() < all.size()) {
        for (int h : all) {
            const VRX_intArray& parents = net.GetParents(h);
            bool ready = placed[static_cast<size_t>(h)] == 0;
            for (int k = 0; k < parents.GetCount() && ready; k++)
                ready = placed[static_cast<size_t>(parents[k])] != 0;
            if (!ready) continue;
            placed[static_cast<size_t>(h)] = 1;
            order.push_back(h);
        }
    }
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<int> x(placed.size(), 0);
    std::vector<std::vector<std::pair<int, int>>> findings(static_cast<size_t>(sets));
    for (auto& set : findings) {
        for (int h : order) {
            VRX_Dmatrix* table = nullptr;
            RequireSuccess(net.GetNode(h)->GetDefinition()->GetDefinition(table), "table");
            const VRX_intArray& parents = net.GetParents(h);
            int64_t offset = 0;
            for (int k = 0; k < parents.GetCount(); k++)
                offset += int64_t{x[static_cast<size_t>(parents[k])]} * table->GetStrides()[k];
            const int outcomes = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
            const int stride = table->GetStrides()[parents.GetCount()];
            double r = u(rng);
            int o = 0;
            while (o + 1 < outcomes && (r -= table->GetData()[offset + int64_t{o} * stride]) >= 0.0) o++;
            x[static_cast<size_t>(h)] = o;
        }
        for (int k = 0; k < count; k++) {
            const int h = order[rng() % order.size()];
            set.emplace_back(h, x[static_cast<size_t>(h)]);
        }
    }
    return findings;
}

// Updates of every belief on munin, each under ten findings of its own.
void BM_MuninQueries(benchmark::State& state) {
    VRX_network net;
    RequireSuccess(net.ReadFile(VOVIDO_NETWORKS_DIR "/large/munin.xvrx"), "read");
    const std::vector<std::vector<std::pair<int, int>>> findings = SampleFindings(net, 16, 10);
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
