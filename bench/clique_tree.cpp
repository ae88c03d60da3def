// The clique-tree engine (algorithm 10) against the join tree (algorithm 0) on real networks with the
// evidence of their second case: the whole belief update, and the engine alone as the learning code uses
// it (a built tree copied, given the evidence and propagated). Polytree propagation (algorithm 2) against
// both on a generated polytree.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "bench/bench_check.h"
#include "bench/bench_networks.h"
#include "inference/clique_tree.h"
#include "inference/part_view.h"
#include "inference/relevant_parts.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

using vovido::RelevantPartList;

namespace {

using vovido::RequireSuccess;

const char* const kNetworks[] = {"alarm", "hailfinder", "andes", "water"};

// Arguments: network, algorithm.
void UpdateBeliefs(benchmark::State& state) {
    const std::string name = kNetworks[state.range(0)];
    const int algorithm = static_cast<int>(state.range(1));
    state.SetLabel(name + " algorithm " + std::to_string(algorithm));
    std::unique_ptr<VRX_network> net = vovido::LoadReferenceWithEvidence(name);
    net->SetBayesianAlgorithm(algorithm);
    for (auto _ : state) {
        net->InvalidateValues();
        RequireSuccess(net->UpdateBeliefs(), "update");
    }
}

// The learning loop's step on the largest part: copy the built tree, enter evidence, propagate.
void CopyAndPropagate(benchmark::State& state) {
    const std::string name = kNetworks[state.range(0)];
    state.SetLabel(name);
    std::unique_ptr<VRX_network> net = vovido::LoadReferenceWithEvidence(name);
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(*net, true, true);
    if (parts == nullptr || parts->empty()) RequireSuccess(kOutOfRange, "parts");
    RelevanceGraph* largest = parts->front().get();
    for (const auto& part : *parts) {
        if (part->GetNumberOfRecords() > largest->GetNumberOfRecords()) largest = part.get();
    }
    PartView view(*largest);
    const CliqueTree built(view);
    RequireSuccess(built.GetStatus(), "build");
    CliqueTree work;
    for (auto _ : state) {
        RequireSuccess(work.CopyFrom(built), "copy");
        RequireSuccess(work.EnterEvidence(view), "evidence");
        RequireSuccess(work.Propagate(), "propagate");
    }
    state.counters["entries"] = static_cast<double>(built.GetTotalSize());
}

// A random polytree of n nodes with 2 to 4 outcomes, every tenth node observed.
std::unique_ptr<VRX_network> MakePolytree(int n) {
    auto net = std::make_unique<VRX_network>();
    std::mt19937 rng(7u + static_cast<unsigned>(n));
    std::uniform_real_distribution<double> u(0.05, 1.0);
    std::vector<int> h;
    for (int i = 0; i < n; i++) {
        h.push_back(net->AddNode(DefinitionType::kCpt, ("n" + std::to_string(i)).c_str()));
        RequireSuccess(h[i] >= 0 ? kSuccess : h[i], "node");
        RequireSuccess(net->GetNode(h[i])->GetDefinition()->SetNumberOfOutcomes(2 + i % 3), "outcomes");
        if (i == 0) continue;
        const int other = h[std::uniform_int_distribution<int>(0, i - 1)(rng)];
        RequireSuccess(u(rng) < 0.5 ? net->AddArc(other, h[i]) : net->AddArc(h[i], other), "arc");
    }
    vovido::FillRandomTables(*net, h, [&] { return u(rng); });
    for (int i = 3; i < n; i += 10)
        RequireSuccess(net->GetNode(h[i])->GetValue()->SetEvidence(0), "evidence");
    return net;
}

// Arguments: node count, algorithm.
void Polytree(benchmark::State& state) {
    const int algorithm = static_cast<int>(state.range(1));
    state.SetLabel("algorithm " + std::to_string(algorithm));
    std::unique_ptr<VRX_network> net = MakePolytree(static_cast<int>(state.range(0)));
    net->SetBayesianAlgorithm(algorithm);
    for (auto _ : state) {
        net->InvalidateValues();
        RequireSuccess(net->UpdateBeliefs(), "update");
    }
}

BENCHMARK(UpdateBeliefs)->ArgsProduct({{0, 1, 2, 3}, {0, 10}})->Unit(benchmark::kMillisecond);
BENCHMARK(CopyAndPropagate)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(Polytree)->ArgsProduct({{2000}, {0, 2, 10}})->Unit(benchmark::kMillisecond);

}  // namespace
