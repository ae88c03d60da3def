// Influence diagrams: both solvers on a diagram of three sequential decisions over forty chance nodes
// (also with decisions and observations that no utility depends on), value of information, and annealed
// MAP search on the same chance nodes.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "bench/bench_check.h"
#include "inference/id_policy_evaluation.h"
#include "inference/value_of_information.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace {

constexpr int kChance = 40;
constexpr int kDecisions = 3;

// c0 .. c39 in a random DAG (at most two earlier parents each, binary); decision d_k observes c_(10k) and
// everything d_(k-1) observed, and steers c_(10k+5) .. c_(10k+9); utilities over each decision and a late
// chance node. c0 is observed, so the first decision is open with all its parents known. With irrelevant
// parts, d1 and d2 also observe a root o_k that nothing else depends on, and a three-choice decision x_k
// that steers nothing sits between d_k and d_(k+1) (it observes d_k and d_(k+1) observes it).
void BuildDiagram(VRX_network& net, bool irrelevant = false) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<int> chance;
    std::vector<int> decisions;
    for (int i = 0; i < kChance; i++) {
        chance.push_back(net.AddNode(DefinitionType::kCpt, ("c" + std::to_string(i)).c_str()));
        vovido::RequireSuccess(chance.back() >= 0 ? kSuccess : chance.back(), "chance node");
        for (int k = 0; k < 2 && i > 0; k++) {
            const int p = std::uniform_int_distribution<int>(0, i - 1)(rng);
            if (net.AreAdjacent(chance[p], chance[i]) != 1)
                vovido::RequireSuccess(net.AddArc(chance[p], chance[i]), "chance arc");
        }
    }
    std::vector<int> observed;
    for (int k = 0; k < kDecisions; k++) {
        const int d = net.AddNode(DefinitionType::kList, ("d" + std::to_string(k)).c_str());
        vovido::RequireSuccess(d >= 0 ? kSuccess : d, "decision");
        observed.push_back(chance[10 * k]);
        for (int p : observed) vovido::RequireSuccess(net.AddArc(p, d), "observation");
        if (irrelevant && k > 0) {
            const int o = net.AddNode(DefinitionType::kCpt, ("o" + std::to_string(k)).c_str());
            vovido::RequireSuccess(o >= 0 ? net.AddArc(o, d) : o, "irrelevant observation");
            const int x = net.FindNode(("x" + std::to_string(k - 1)).c_str());
            vovido::RequireSuccess(net.AddArc(x, d), "irrelevant decision observed");
        }
        if (irrelevant && k + 1 < kDecisions) {
            const int x = net.AddNode(DefinitionType::kList, ("x" + std::to_string(k)).c_str());
            vovido::RequireSuccess(x >= 0 ? net.GetNode(x)->GetDefinition()->AddOutcome("third") : x,
                                   "irrelevant decision");
            vovido::RequireSuccess(net.AddArc(d, x), "irrelevant decision arc");
        }
        for (int j = 5; j < 10; j++) {
            if (net.AreAdjacent(d, chance[10 * k + j]) != 1)
                vovido::RequireSuccess(net.AddArc(d, chance[10 * k + j]), "effect");
        }
        decisions.push_back(d);
        observed.push_back(d);
        const int utility = net.AddNode(DefinitionType::kTable, ("u" + std::to_string(k)).c_str());
        vovido::RequireSuccess(net.AddArc(d, utility), "utility arc");
        vovido::RequireSuccess(net.AddArc(chance[10 * k + 9], utility), "utility arc");
    }
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_Dmatrix* table = nullptr;
        const int type = net.GetNodeType(h);
        if (type == DefinitionType::kList) continue;
        vovido::RequireSuccess(net.GetNode(h)->GetDefinition()->GetDefinition(table), "table");
        for (int c = 0; c < table->GetNumberOfElements(); c += 2) {
            const double p = 0.05 + 0.9 * u(rng);
            (*table)[c] = type == DefinitionType::kTable ? 100 * p - 30 : p;
            (*table)[c + 1] = type == DefinitionType::kTable ? 100 * u(rng) - 30 : 1 - p;
        }
    }
    vovido::RequireSuccess(net.GetNode(chance[0])->GetValue()->SetEvidence(0), "evidence");
}

void SolveDiagram(benchmark::State& state) {
    VRX_network net;
    BuildDiagram(net);
    net.SetInfluenceDiagramAlgorithm(static_cast<int>(state.range(0)));
    for (auto _ : state) vovido::RequireSuccess(net.UpdateBeliefs(), "solve");
}
BENCHMARK(SolveDiagram)->Arg(0)->Arg(1)->ArgName("idAlgorithm")->Unit(benchmark::kMillisecond);

// Policy evaluation with and without the irrelevant parts; "updates" counts the belief updates of the
// working copy per run.
void EvaluatePolicies(benchmark::State& state) {
    VRX_network net;
    BuildDiagram(net, state.range(0) != 0);
    long long updates = 0;
    for (auto _ : state) {
        PolicyEvaluator evaluator;
        vovido::RequireSuccess(evaluator.Run(net), "policy evaluation");
        updates = evaluator.GetNumberOfUpdates();
    }
    state.counters["updates"] = static_cast<double>(updates);
}
BENCHMARK(EvaluatePolicies)->Arg(0)->Arg(1)->ArgName("irrelevant")->Unit(benchmark::kMillisecond);

void ValueOfInformation(benchmark::State& state) {
    VRX_network net;
    BuildDiagram(net);
    VRX_valueOfInformation voi(&net);
    vovido::RequireSuccess(voi.AddNode(net.FindNode("c12")), "observed node");
    vovido::RequireSuccess(voi.SetDecision(net.FindNode("d1")), "decision");
    for (auto _ : state) vovido::RequireSuccess(net.UpdateValueOfInformation(voi), "value of information");
}
BENCHMARK(ValueOfInformation)->Unit(benchmark::kMillisecond);

void AnnealedMap(benchmark::State& state) {
    VRX_network net;
    BuildDiagram(net);
    // The chance nodes alone: the utilities and decisions go.
    for (int k = 0; k < kDecisions; k++) {
        vovido::RequireSuccess(net.DeleteNode(net.FindNode(("u" + std::to_string(k)).c_str())), "delete");
        vovido::RequireSuccess(net.DeleteNode(net.FindNode(("d" + std::to_string(k)).c_str())), "delete");
    }
    VRX_intArray mapNodes;
    for (int i = 30; i < 30 + static_cast<int>(state.range(0)); i++)
        vovido::RequireSuccess(mapNodes.Add(net.FindNode(("c" + std::to_string(i)).c_str())), "map node");
    VRX_intArray outcomes;
    double p = 0.0;
    double e = 0.0;
    for (auto _ : state) {
        vovido::RequireSuccess(net.AnnealedMAP({{net.FindNode("c1"), 1}}, mapNodes, outcomes, p, e, 5),
                               "MAP");
    }
}
BENCHMARK(AnnealedMap)->Arg(4)->Arg(8)->ArgName("mapNodes")->Unit(benchmark::kMillisecond);

}  // namespace
