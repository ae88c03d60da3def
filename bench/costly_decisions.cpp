// Influence diagrams, value of information and troubleshooting sessions of shapes whose work must be
// refused at once or answer within seconds: decisions in a row each seeing a signal (the best-policy
// solver's plan passes its limit), policy evaluation under a sampler, value of information over a row of
// decisions, and test rankings over many faults with half the tests observed. Each runs in a child
// process: "status" is its answer (-42 a refusal), "peak_MB" its peak memory.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/run_in_child.h"
#include "inference/diag_session.h"
#include "inference/value_of_information.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/costly_networks.h"

namespace {

using vovido::bench::RunInChild;

// Adds the node with its parents; its handle, or the failing status.
int AddWith(VRX_network& net, int type, const std::string& id, const std::vector<int>& parents) {
    const int h = net.AddNode(type, id.c_str());
    for (size_t i = 0; h >= 0 && i < parents.size(); ++i) {
        if (const int rc = net.AddArc(parents[i], h)) return rc;
    }
    return h;
}

// Decisions d0 .. d(k-1) in a row over a root X, each seeing a signal s_j of X and the decision before it
// and earning a utility over itself and X; kSuccess or the first failing step's status.
int BuildDecisionRow(VRX_network& net, int k) {
    const int x = AddWith(net, DefinitionType::kCpt, "X", {});
    int previous = -1;
    for (int j = 0; j < k && x >= 0; ++j) {
        const int s = AddWith(net, DefinitionType::kCpt, "s" + std::to_string(j), {x});
        std::vector<int> parents{s};
        if (previous >= 0) parents.push_back(previous);
        previous = AddWith(net, DefinitionType::kList, "d" + std::to_string(j), parents);
        const int u = AddWith(net, DefinitionType::kTable, "u" + std::to_string(j), {previous, x});
        if (s < 0 || previous < 0 || u < 0) return s < 0 ? s : previous < 0 ? previous : u;
    }
    return x < 0 ? x : kSuccess;
}

// Arguments: decisions, influence-diagram algorithm.
void BM_DecisionRow(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        if (const int rc = BuildDecisionRow(net, static_cast<int>(state.range(0)))) return rc;
        net.SetInfluenceDiagramAlgorithm(static_cast<int>(state.range(1)));
        return net.UpdateBeliefs();
    });
}
BENCHMARK(BM_DecisionRow)
    ->Args({16, 1})
    ->Args({20, 1})
    ->Args({8, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: Bayesian algorithm, observations of the decision. The decision sees that many roots, all
// parents of its utility, through 40 more chance nodes in a chain below them.
void BM_PolicyEvaluationUnderSampler(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int d = AddWith(net, DefinitionType::kList, "D", {});
        std::vector<int> parents{d};
        for (int i = 0; i < state.range(1); ++i) {
            const int p = AddWith(net, DefinitionType::kCpt, "P" + std::to_string(i), {});
            if (const int rc = net.AddArc(p, d)) return rc;
            parents.push_back(p);
        }
        int previous = parents.back();
        for (int i = 0; i < 40; ++i)
            previous = AddWith(net, DefinitionType::kCpt, "c" + std::to_string(i), {previous});
        parents.push_back(previous);
        if (const int rc = AddWith(net, DefinitionType::kTable, "U", parents); rc < 0) return rc;
        net.SetBayesianAlgorithm(static_cast<int>(state.range(0)));
        return net.UpdateBeliefs();
    });
}
BENCHMARK(BM_PolicyEvaluationUnderSampler)
    ->Args({7, 8})
    ->Args({7, 2})
    ->Args({3, 8})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: the observations of two decisions over 44 children of 22 roots (BuildObservedRootsDiagram).
// Every update runs a join tree of some 28,000 entries, within the processor's caches.
void BM_PolicyEvaluationOfObservedRoots(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int built = vovido::test::BuildObservedRootsDiagram(net, static_cast<int>(state.range(0)),
                                                                  static_cast<int>(state.range(1)));
        return built != kSuccess ? built : net.UpdateBeliefs();
    });
}
BENCHMARK(BM_PolicyEvaluationOfObservedRoots)
    ->Args({5, 6})  // 10,239 updates, some 3.6 s: answers
    ->Args({6, 6})  // 20,479 updates, some 7 s: answers
    ->Args({7, 7})  // 81,919 updates, some 30 s: refused
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Argument: decisions. The value of observing every later signal before the last decision.
void BM_ValueOfInformationOverADecisionRow(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int k = static_cast<int>(state.range(0));
        if (const int rc = BuildDecisionRow(net, k)) return rc;
        VRX_valueOfInformation voi(&net);
        for (int j = 1; j < k; ++j) {
            if (const int rc = voi.AddNode(net.FindNode(("s" + std::to_string(j)).c_str()))) return rc;
        }
        if (const int rc = voi.SetDecision(net.FindNode(("d" + std::to_string(k - 1)).c_str()))) return rc;
        return net.UpdateValueOfInformation(voi);
    });
}
BENCHMARK(BM_ValueOfInformationOverADecisionRow)
    ->Arg(8)
    ->Arg(9)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: faults (as many tests, each a child of three faults at random), observed tests (every
// second one from the first), mode (0 the single most likely fault, else the mode bit over 20 faults).
void BM_RankingOverScatteredFaults(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int faults = static_cast<int>(state.range(0));
        if (const int rc = vovido::test::BuildTroubleshootingNetwork(net, faults, faults, true)) return rc;
        if (const int rc = vovido::test::ObserveTests(net, static_cast<int>(2 * state.range(1)), 2))
            return rc;
        DiagSession session;
        if (const int rc = session.SetNetwork(&net)) return rc;
        if (const int rc = session.CollectFaultsAndObservations()) return rc;
        if (const int rc = session.UpdateFaultBeliefs()) return rc;
        VRX_intArray pursued;
        for (int i = 0; i < (state.range(2) == 0 ? 1 : 20); ++i) {
            if (const int rc = pursued.Add(state.range(2) == 0 ? session.FindMostLikelyFault() : i))
                return rc;
        }
        if (const int rc = session.SetPursuedFaults(pursued)) return rc;
        return session.ComputeTestStrengths(static_cast<int>(state.range(2)));
    });
}
BENCHMARK(BM_RankingOverScatteredFaults)
    ->ArgsProduct({{300}, {150}, {0, vovido::DiagMode::kMarginal}})
    ->ArgsProduct({{200}, {100}, {0, vovido::DiagMode::kMarginal}})
    ->ArgsProduct({{100}, {50}, {0, vovido::DiagMode::kConfigurationsJoint}})
    ->Args({1000, 300, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
