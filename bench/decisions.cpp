// Influence diagrams: both solvers on a diagram of three sequential decisions over forty chance nodes
// (also with decisions and observations that no utility depends on) and on the oil wildcatter with
// irrelevant decisions and observations and with observations that each feed a utility of their own,
// a decision observing the sixteen causes of a noisy-MAX node under its utility, inputs whose work the
// limits must refuse at once or let answer within seconds (the wildcatter observing many signals of Oil,
// decisions in a row each observing signals, a dense diagram whose every update builds a large join
// tree), value of information, and annealed MAP search on the same chance nodes.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "bench/bench_check.h"
#include "inference/id_best_policy.h"
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

// Fills a table of the working benchmark networks, row by row, from the given numbers.
void SetTable(VRX_network& net, int node, const std::vector<double>& items) {
    VRX_Dmatrix* table = nullptr;
    vovido::RequireSuccess(net.GetNode(node)->GetDefinition()->GetDefinition(table), "table");
    vovido::RequireSuccess(
        table->GetNumberOfElements() == static_cast<int>(items.size()) ? kSuccess : kOutOfRange,
        "table size");
    for (int i = 0; i < table->GetNumberOfElements(); i++) (*table)[i] = items[static_cast<size_t>(i)];
}

int AddWithParents(VRX_network& net, int type, const std::string& id, const std::vector<int>& parents,
                   int outcomes) {
    const int h = net.AddNode(type, id.c_str());
    vovido::RequireSuccess(h >= 0 ? kSuccess : h, "node");
    if (type != DefinitionType::kTable)
        vovido::RequireSuccess(net.GetNode(h)->GetDefinition()->SetNumberOfOutcomes(outcomes), "outcomes");
    for (int p : parents) vovido::RequireSuccess(net.AddArc(p, h), "arc");
    return h;
}

// The oil wildcatter (test, seismic result, drill) with k three-choice decisions x_j between the test and
// the drilling, each observing a three-outcome root o_j and the decision before it; the drilling also
// observes every o_j and the last x_j, though none of them bears on any utility.
void BuildWildcatterWithIrrelevant(VRX_network& net, int k) {
    const int oil = AddWithParents(net, DefinitionType::kCpt, "Oil", {}, 3);
    SetTable(net, oil, {0.5, 0.3, 0.2});
    const int test = AddWithParents(net, DefinitionType::kList, "Test", {}, 2);
    const int seismic = AddWithParents(net, DefinitionType::kCpt, "Seismic", {oil, test}, 3);
    const double t = 1.0 / 3;
    SetTable(net, seismic, {0.1, 0.3, 0.6, t, t, t, 0.3, 0.4, 0.3, t, t, t, 0.5, 0.4, 0.1, t, t, t});
    std::vector<int> drillParents{test, seismic};
    int previous = test;
    for (int j = 0; j < k; j++) {
        const int o = AddWithParents(net, DefinitionType::kCpt, "o" + std::to_string(j), {}, 3);
        SetTable(net, o, {0.2, 0.3, 0.5});
        previous = AddWithParents(net, DefinitionType::kList, "x" + std::to_string(j), {o, previous}, 3);
        drillParents.push_back(o);
    }
    if (k > 0) drillParents.push_back(previous);
    const int drill = AddWithParents(net, DefinitionType::kList, "Drill", drillParents, 2);
    SetTable(net, AddWithParents(net, DefinitionType::kTable, "TestCost", {test}, 1), {-10, 0});
    SetTable(net, AddWithParents(net, DefinitionType::kTable, "Payoff", {drill, oil}, 1),
             {-70, 50, 200, 0, 0, 0});
}

// Both solvers on the wildcatter with k irrelevant decisions and observations (k = range(1)); "updates"
// counts the belief updates of the working copy per run.
template <typename Solver>
long long RunSolver(VRX_network& net) {
    Solver solver;
    vovido::RequireSuccess(solver.Run(net), "solve");
    return solver.GetNumberOfUpdates();
}

void SolveWildcatter(benchmark::State& state) {
    VRX_network net;
    BuildWildcatterWithIrrelevant(net, static_cast<int>(state.range(1)));
    long long updates = 0;
    for (auto _ : state)
        updates = state.range(0) == 0 ? RunSolver<PolicyEvaluator>(net) : RunSolver<BestPolicySolver>(net);
    state.counters["updates"] = static_cast<double>(updates);
}
BENCHMARK(SolveWildcatter)
    ->ArgsProduct({{0, 1}, {0, 6, 8}})
    ->ArgNames({"idAlgorithm", "irrelevant"})
    ->Unit(benchmark::kMillisecond);

// The wildcatter whose drilling also observes k three-outcome roots that nothing else depends on: the
// solvers drop them before any table over them is built (k = range(1)).
void SolveWildcatterWithUnneededObservations(benchmark::State& state) {
    VRX_network net;
    BuildWildcatterWithIrrelevant(net, 0);
    const int drill = net.FindNode("Drill");
    for (int j = 0; j < static_cast<int>(state.range(1)); j++) {
        const int o = AddWithParents(net, DefinitionType::kCpt, "seen" + std::to_string(j), {}, 3);
        SetTable(net, o, {0.2, 0.3, 0.5});
        vovido::RequireSuccess(net.AddArc(o, drill), "observation");
    }
    long long updates = 0;
    for (auto _ : state)
        updates = state.range(0) == 0 ? RunSolver<PolicyEvaluator>(net) : RunSolver<BestPolicySolver>(net);
    state.counters["updates"] = static_cast<double>(updates);
}
BENCHMARK(SolveWildcatterWithUnneededObservations)
    ->ArgsProduct({{0, 1}, {0, 4, 8, 12, 16}})
    ->ArgNames({"idAlgorithm", "observations"})
    ->Unit(benchmark::kMillisecond);

// Solves once and records the status (a refusal, -42, counts as a fast answer), the belief updates of
// the working copy and the process's peak memory: run one case per process to read its own peak.
template <typename Solver>
void SolveOnce(benchmark::State& state, VRX_network& net) {
    int status = kSuccess;
    long long updates = 0;
    for (auto _ : state) {
        Solver solver;
        status = solver.Run(net);
        updates = solver.GetNumberOfUpdates();
        // The refusal's cause, to read what was too large.
        if (status != kSuccess && errorLog.GetNumberOfEntries() > 0) state.SetLabel(errorLog.GetMessage(0));
        errorLog.Flush();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["status"] = status;
    state.counters["updates"] = static_cast<double>(updates);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The wildcatter whose drilling also observes k three-outcome roots c_j, each feeding a utility of its
// own beside the drilling, so that every observation changes the policy (k = range(1)).
void SolveWildcatterWithOwnUtilities(benchmark::State& state) {
    VRX_network net;
    BuildWildcatterWithIrrelevant(net, 0);
    const int drill = net.FindNode("Drill");
    for (int j = 0; j < static_cast<int>(state.range(1)); j++) {
        const int c = AddWithParents(net, DefinitionType::kCpt, "c" + std::to_string(j), {}, 3);
        SetTable(net, c, {0.2, 0.3, 0.5});
        vovido::RequireSuccess(net.AddArc(c, drill), "observation");
        const int v = AddWithParents(net, DefinitionType::kTable, "v" + std::to_string(j), {c, drill}, 1);
        SetTable(net, v, {-20, 0, 5, 0, 30.0 + j, 0});
    }
    if (state.range(0) == 0) {
        SolveOnce<PolicyEvaluator>(state, net);
    } else {
        SolveOnce<BestPolicySolver>(state, net);
    }
}
BENCHMARK(SolveWildcatterWithOwnUtilities)
    ->ArgsProduct({{0, 1}, {4, 5, 6, 7, 8, 9, 10}})
    ->ArgNames({"idAlgorithm", "observations"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A decision that observes n binary roots, all parents of one noisy-MAX node that a utility shares with
// the decision (n = range(1)).
void SolveNoisyMaxUtility(benchmark::State& state) {
    VRX_network net;
    const int d = AddWithParents(net, DefinitionType::kList, "D", {}, 2);
    const int max = AddWithParents(net, DefinitionType::kNoisyMax, "Max", {}, 2);
    for (int i = 0; i < static_cast<int>(state.range(1)); i++) {
        const int o = AddWithParents(net, DefinitionType::kCpt, "o" + std::to_string(i), {}, 2);
        vovido::RequireSuccess(net.AddArc(o, d), "observation");
        vovido::RequireSuccess(net.AddArc(o, max), "cause");
    }
    SetTable(net, AddWithParents(net, DefinitionType::kTable, "U", {max, d}, 1), {10, 0, -20, 5});
    if (state.range(0) == 0) {
        SolveOnce<PolicyEvaluator>(state, net);
    } else {
        SolveOnce<BestPolicySolver>(state, net);
    }
}
BENCHMARK(SolveNoisyMaxUtility)
    ->ArgsProduct({{0, 1}, {16}})
    ->ArgNames({"idAlgorithm", "observations"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The wildcatter whose drilling also observes k three-outcome signals of Oil (k = range(1)): every
// signal changes the policy, and the drilling's table and join tree grow as 3^k.
void SolveWildcatterObservingOil(benchmark::State& state) {
    VRX_network net;
    BuildWildcatterWithIrrelevant(net, 0);
    const int oil = net.FindNode("Oil");
    const int drill = net.FindNode("Drill");
    for (int j = 0; j < static_cast<int>(state.range(1)); j++) {
        const int s = AddWithParents(net, DefinitionType::kCpt, "s" + std::to_string(j), {oil}, 3);
        SetTable(net, s, {0.6, 0.3, 0.1, 0.3, 0.4, 0.3, 0.1, 0.3, 0.6});
        vovido::RequireSuccess(net.AddArc(s, drill), "observation");
    }
    if (state.range(0) == 0) {
        SolveOnce<PolicyEvaluator>(state, net);
    } else {
        SolveOnce<BestPolicySolver>(state, net);
    }
}
BENCHMARK(SolveWildcatterObservingOil)
    ->ArgsProduct({{1}, {10, 12, 13, 14}})
    ->ArgNames({"idAlgorithm", "observations"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Decisions d0 .. d(k-1) in a row (k = range(1)), each observing m three-outcome signals of one
// three-outcome root (m = range(2)) and earning a utility over itself and the root: each knows every
// signal seen before it. The first one's signals are observed.
void SolveSequentialObservers(benchmark::State& state) {
    VRX_network net;
    const int oil = AddWithParents(net, DefinitionType::kCpt, "Oil", {}, 3);
    SetTable(net, oil, {0.5, 0.3, 0.2});
    int previous = -1;
    for (int k = 0; k < static_cast<int>(state.range(1)); k++) {
        std::vector<int> parents;
        if (previous >= 0) parents.push_back(previous);
        for (int j = 0; j < static_cast<int>(state.range(2)); j++) {
            const std::string id = "s" + std::to_string(k) + "_" + std::to_string(j);
            const int s = AddWithParents(net, DefinitionType::kCpt, id, {oil}, 3);
            SetTable(net, s, {0.6, 0.3, 0.1, 0.3, 0.4, 0.3, 0.1, 0.3, 0.6});
            parents.push_back(s);
        }
        previous = AddWithParents(net, DefinitionType::kList, "d" + std::to_string(k), parents, 2);
        // What the first decision sees is known: its best choice is then one choice.
        for (int p : parents) {
            if (k == 0) vovido::RequireSuccess(net.GetNode(p)->GetValue()->SetEvidence(p % 3), "evidence");
        }
        const int u =
            AddWithParents(net, DefinitionType::kTable, "u" + std::to_string(k), {previous, oil}, 1);
        SetTable(net, u, {-70, 50, 200 - 10.0 * k, 0, 0, 0});
    }
    if (state.range(0) == 0) {
        SolveOnce<PolicyEvaluator>(state, net);
    } else {
        SolveOnce<BestPolicySolver>(state, net);
    }
}
BENCHMARK(SolveSequentialObservers)
    ->ArgsProduct({{1}, {4}, {3, 4, 8}})
    ->ArgNames({"idAlgorithm", "decisions", "observations"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A dense diagram of 28 nodes: ten four-outcome children r_i of a root z and four children over six of them
// each, so that the moral graph is nearly complete and every join tree holds clusters of ten roots; a
// decision observes m binary signals of r_0 .. r_(m-1) (m = range(1)) and earns a utility over each child.
// Every scenario's update builds that tree again.
void SolveDenseDiagram(benchmark::State& state) {
    VRX_network net;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0.05, 1.0);
    const auto fill = [&](int h) {
        VRX_Dmatrix* table = nullptr;
        vovido::RequireSuccess(net.GetNode(h)->GetDefinition()->GetDefinition(table), "table");
        const int n = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
        for (int c = 0; c < table->GetNumberOfElements(); c += n) {
            double sum = 0.0;
            for (int k = 0; k < n; k++) sum += ((*table)[c + k] = u(rng));
            for (int k = 0; k < n; k++) (*table)[c + k] /= sum;
        }
    };
    const int z = AddWithParents(net, DefinitionType::kCpt, "z", {}, 4);
    fill(z);
    std::vector<int> hidden;
    for (int i = 0; i < 10; i++) {
        hidden.push_back(AddWithParents(net, DefinitionType::kCpt, "r" + std::to_string(i), {z}, 4));
        fill(hidden.back());
    }
    const int families[4][6] = {
        {0, 1, 2, 3, 4, 5}, {4, 5, 6, 7, 8, 9}, {0, 2, 4, 6, 8, 1}, {1, 3, 5, 7, 9, 0}};
    std::vector<int> children;
    for (int k = 0; k < 4; k++) {
        std::vector<int> parents;
        for (int r : families[k]) parents.push_back(hidden[static_cast<size_t>(r)]);
        children.push_back(AddWithParents(net, DefinitionType::kCpt, "c" + std::to_string(k), parents, 4));
        fill(children.back());
    }
    std::vector<int> seen;
    for (int j = 0; j < static_cast<int>(state.range(1)); j++) {
        seen.push_back(AddWithParents(net, DefinitionType::kCpt, "s" + std::to_string(j),
                                      {hidden[static_cast<size_t>(j)]}, 2));
        fill(seen.back());
    }
    const int d = AddWithParents(net, DefinitionType::kList, "D", seen, 2);
    for (int k = 0; k < 4; k++) {
        const int v =
            AddWithParents(net, DefinitionType::kTable, "u" + std::to_string(k), {d, children[k]}, 1);
        SetTable(net, v, {10, -5, 0, 20, -20, 15, 5.0 * k, 0});
    }
    if (state.range(0) == 0) {
        SolveOnce<PolicyEvaluator>(state, net);
    } else {
        SolveOnce<BestPolicySolver>(state, net);
    }
}
BENCHMARK(SolveDenseDiagram)
    ->ArgsProduct({{0, 1}, {4, 5, 8}})
    ->ArgNames({"idAlgorithm", "observations"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

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
