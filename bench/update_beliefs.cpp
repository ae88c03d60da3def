// Timing of a whole belief update (relevant parts, join trees, propagation) on generated networks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "bench/bench_check.h"
#include "bench/bench_networks.h"
#include "inference/table_check.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace {

using vovido::RequireSuccess;

// Each node takes up to 3 parents among the 6 nodes made just before it, so the networks stay within
// reach of exact inference as they grow; 2 to 4 outcomes, random positive tables, every tenth node
// observed. The seed is fixed, so every run times the same networks.
std::unique_ptr<VRX_network> MakeNetwork(int n) {
    auto net = std::make_unique<VRX_network>();
    std::mt19937 rng(20240611u + static_cast<unsigned>(n));
    std::uniform_int_distribution<int> outcomesOf(2, 4);
    std::uniform_real_distribution<double> u(0.05, 1.0);
    std::vector<int> handles;
    for (int i = 0; i < n; i++) {
        const int h = net->AddNode(DefinitionType::kCpt, ("n" + std::to_string(i)).c_str());
        RequireSuccess(net->GetNode(h)->GetDefinition()->SetNumberOfOutcomes(outcomesOf(rng)), "outcomes");
        const int window = i < 6 ? i : 6;
        const int parents =
            window == 0 ? 0 : std::uniform_int_distribution<int>(0, window < 3 ? window : 3)(rng);
        std::vector<int> candidates(handles.end() - window, handles.end());
        std::shuffle(candidates.begin(), candidates.end(), rng);
        for (int k = 0; k < parents; k++) RequireSuccess(net->AddArc(candidates[k], h), "arc");
        handles.push_back(h);
    }
    vovido::FillRandomTables(*net, handles, [&] { return u(rng); });
    for (size_t i = 5; i < handles.size(); i += 10) {
        VRX_nodeValue* value = net->GetNode(handles[i])->GetValue();
        RequireSuccess(value->SetEvidence(static_cast<int>(i) % 2), "evidence");
    }
    return net;
}

void BM_UpdateBeliefs(benchmark::State& state) {
    std::unique_ptr<VRX_network> net = MakeNetwork(static_cast<int>(state.range(0)));
    if (net->UpdateBeliefs() != 0) {
        state.SkipWithError("the generated network cannot be updated");
        return;
    }
    for (auto _ : state) {
        net->InvalidateValues();
        benchmark::DoNotOptimize(net->UpdateBeliefs());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UpdateBeliefs)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

// The same networks with one target: only its relevant part is solved.
void BM_UpdateBeliefsOneTarget(benchmark::State& state) {
    std::unique_ptr<VRX_network> net = MakeNetwork(static_cast<int>(state.range(0)));
    RequireSuccess(net->SetTarget(net->GetLastNode()), "target");
    for (auto _ : state) {
        net->InvalidateValues();
        benchmark::DoNotOptimize(net->UpdateBeliefs());
    }
}
BENCHMARK(BM_UpdateBeliefsOneTarget)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

// The probability of the evidence by clustering.
void BM_ProbEvidence(benchmark::State& state) {
    std::unique_ptr<VRX_network> net = MakeNetwork(static_cast<int>(state.range(0)));
    double p = 0.0;
    for (auto _ : state) benchmark::DoNotOptimize(net->CalcPropEvidence(&p, false));
}
BENCHMARK(BM_ProbEvidence)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

// A network of wide tables, as models over many-valued quantities have: a band where each node takes
// the two before it as parents, every third node of 21 outcomes, the others of 5; rounded random
// tables (five digits, so most columns sum to 1 only within rounding).
std::unique_ptr<VRX_network> MakeWideTableNetwork(int n) {
    auto net = std::make_unique<VRX_network>();
    std::mt19937 rng(20261208u);
    std::uniform_real_distribution<double> u(0.05, 1.0);
    std::vector<int> handles;
    for (int i = 0; i < n; i++) {
        const int h = net->AddNode(DefinitionType::kCpt, ("w" + std::to_string(i)).c_str());
        RequireSuccess(net->GetNode(h)->GetDefinition()->SetNumberOfOutcomes(i % 3 == 0 ? 21 : 5),
                       "outcomes");
        for (int back = 1; back <= 2 && back <= i; back++)
            RequireSuccess(net->AddArc(handles[static_cast<size_t>(i - back)], h), "arc");
        handles.push_back(h);
    }
    vovido::FillRandomTables(*net, handles, [&] { return std::round(u(rng) * 1e5) / 1e5; });
    return net;
}

// Queries on the wide-table network: each sets three findings of its own and updates, the tables
// unchanged between them.
void BM_WideTableQueries(benchmark::State& state) {
    std::unique_ptr<VRX_network> net = MakeWideTableNetwork(static_cast<int>(state.range(0)));
    std::vector<int> handles;
    for (int h = net->GetFirstNode(); h >= 0; h = net->GetNextNode(h)) handles.push_back(h);
    std::mt19937 rng(7);
    std::vector<std::vector<std::pair<int, int>>> queries(8);
    for (auto& query : queries) {
        for (int k = 0; k < 3; k++) {
            const int h = handles[rng() % handles.size()];
            query.emplace_back(h, static_cast<int>(rng() % 5));
        }
    }
    size_t next = 0;
    for (auto _ : state) {
        RequireSuccess(net->ClearAllEvidence(), "clear");
        for (const auto& [h, outcome] : queries[next])
            (void)net->GetNode(h)->GetValue()->SetEvidence(outcome);
        benchmark::DoNotOptimize(net->UpdateBeliefs());
        next = (next + 1) % queries.size();
    }
}
BENCHMARK(BM_WideTableQueries)->Arg(400)->Unit(benchmark::kMillisecond);

// What each of those updates spends on checking the tables, none of them changed since the last.
void BM_WideTableCheck(benchmark::State& state) {
    std::unique_ptr<VRX_network> net = MakeWideTableNetwork(static_cast<int>(state.range(0)));
    RequireSuccess(net->UpdateBeliefs(), "update");
    for (auto _ : state) {
        const vovido::ScaledTables tables(*net);
        benchmark::DoNotOptimize(tables.GetStatus());
    }
}
BENCHMARK(BM_WideTableCheck)->Arg(400)->Unit(benchmark::kMillisecond);

}  // namespace
