// Exact inference on inputs whose join tree passes the limit or the memory left: each must be answered or
// refused within seconds. Every run is made in a child process ("peak_MB" is its own, "status" the
// update's result); a refusal (-42) counts as a fast answer.
#include <benchmark/benchmark.h>

#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "bench/bench_networks.h"
#include "bench/run_in_child.h"
#include "inference/value_of_information.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/address_space.h"
#include "tests/support/costly_networks.h"
#include "tests/support/hard_networks.h"

namespace {

using vovido::bench::RunInChild;

// Sets the algorithm and updates, under an address-space limit of `capMB` megabytes more than the
// network holds (0: none).
int Update(VRX_network& net, int algorithm, long long capMB) {
    net.SetBayesianAlgorithm(algorithm);
    if (capMB > 0 && !vovido::test::LimitAddressSpace(capMB << 20)) return 1;
    return net.UpdateBeliefs();
}

// Arguments: algorithm, side, outcomes. Grids of 17 x 17 two-state nodes (a clique tree of some 700
// million entries with its index maps) and of 100 x 100 (clusters of a hundred nodes) are refused at
// once; 16 x 16 is answered.
void BM_GridByAlgorithm(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int side = static_cast<int>(state.range(1));
        if (vovido::test::BuildGrid(net, side, static_cast<int>(state.range(2))) != kSuccess) return 1;
        return Update(net, static_cast<int>(state.range(0)), 0);
    });
}
BENCHMARK(BM_GridByAlgorithm)
    ->Args({10, 16, 2})
    ->Args({10, 17, 2})
    ->Args({10, 100, 2})
    ->Args({0, 100, 2})
    ->Args({12, 100, 2})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: algorithm, nodes. Two random parents a node: no join tree of any sane size exists, and the
// clique tree's elimination stops at its first clique past the limit.
void BM_HighTreewidthByAlgorithm(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        vovido::test::BuildHighTreewidthNetwork(net, static_cast<int>(state.range(1)), 2, 20261208u);
        return Update(net, static_cast<int>(state.range(0)), 0);
    });
}
BENCHMARK(BM_HighTreewidthByAlgorithm)
    ->Args({10, 5000})
    ->Args({0, 5000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: algorithm, plate nodes, slices, address-space limit beyond the network in MB. 20 plate nodes
// over 7,000 slices need some 700 MB: under a limit of 500 MB more than the network, clustering is
// refused at once, naming the part, and algorithm 12 answers by small groups.
void BM_PlateUnderAddressSpaceLimit(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        if (vovido::test::BuildPlateChain(net, static_cast<int>(state.range(1)),
                                          static_cast<int>(state.range(2)), false) != kSuccess)
            return 1;
        const int status = Update(net, static_cast<int>(state.range(0)), state.range(3));
        errorLog.Flush();
        return status;
    });
}
BENCHMARK(BM_PlateUnderAddressSpaceLimit)
    ->Args({0, 20, 7000, 500})
    ->Args({12, 20, 7000, 500})
    ->Args({0, 20, 7000, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: side, outcomes, address-space limit beyond the network in MB, algorithm: a join tree within
// its limit that the memory left cannot hold is refused at once by every exact algorithm.
void BM_GridUnderAddressSpaceLimit(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        if (vovido::test::BuildGrid(net, static_cast<int>(state.range(0)),
                                    static_cast<int>(state.range(1))) != kSuccess)
            return 1;
        return Update(net, static_cast<int>(state.range(3)), state.range(2));
    });
}
BENCHMARK(BM_GridUnderAddressSpaceLimit)
    ->Args({9, 4, 200, 0})
    ->Args({9, 4, 200, 11})
    ->Args({9, 4, 200, 12})
    ->Args({9, 4, 200, 10})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: algorithm, nodes, plate (0: a band of four parents a node, -w: of w; else plate nodes over
// nodes / plate slices). Relevance decomposition of every node reads the ancestors of each group of targets:
// when the groups answer little beyond their own nodes, the runs are stopped once they have read 5 x 2^24
// nodes, some 10 s. Where the tree of every target fits algorithm 0's limit, algorithm 12 answers by one run
// (the band of 200 nodes of 18 parents, a tree of 10^8 entries, in some 3 s).
void BM_DecompositionOfEveryNode(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int nodes = static_cast<int>(state.range(1));
        const int plate = static_cast<int>(state.range(2));
        const int rc = plate <= 0 ? vovido::test::BuildBand(net, nodes, plate < 0 ? -plate : 4)
                                  : vovido::test::BuildPlateChain(net, plate, nodes / plate, false);
        if (rc != kSuccess) return 1;
        return Update(net, static_cast<int>(state.range(0)), 0);
    });
}
BENCHMARK(BM_DecompositionOfEveryNode)
    ->Args({12, 20000, 0})
    ->Args({11, 20000, 0})
    ->Args({11, 40000, 20})
    ->Args({12, 140000, 20})
    ->Args({12, 200, -18})
    ->Args({0, 200, -18})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: algorithm, nodes. A chain observed at its end: each group of 32 targets would read the chain up
// to it, so algorithm 11 answers it by one run, as algorithm 0 does.
void BM_DecompositionOfAChainObservedAtItsEnd(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        if (vovido::test::BuildSampledBand(net, static_cast<int>(state.range(1)), 2, 1, false, 1) != kSuccess)
            return 1;
        return Update(net, static_cast<int>(state.range(0)), 0);
    });
}
BENCHMARK(BM_DecompositionOfAChainObservedAtItsEnd)
    ->Args({0, 20000})
    ->Args({11, 20000})
    ->Args({12, 20000})
    ->Args({12, 500000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: algorithm, rows, columns. Every node of a grid of two-state nodes: each decomposition run
// builds the tree algorithm 0 builds over its part, so that grids whose tree fits are answered as algorithm
// 0 answers them, at the same cost.
void BM_DecompositionOfAGrid(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        if (vovido::test::BuildGrid(net, static_cast<int>(state.range(1)), 2,
                                    static_cast<int>(state.range(2))) != kSuccess)
            return 1;
        return Update(net, static_cast<int>(state.range(0)), 0);
    });
}
BENCHMARK(BM_DecompositionOfAGrid)
    ->Args({0, 11, 40})
    ->Args({11, 11, 40})
    ->Args({12, 11, 40})
    ->Args({11, 12, 40})
    ->Args({12, 12, 40})
    ->Args({11, 12, 60})
    ->Args({11, 10, 200})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: algorithm, reference network (0 andes, 1 win95pts, 2 hepar2), with the evidence of its case 1.
void BM_DecompositionOfAReferenceCase(benchmark::State& state) {
    static const char* const kNames[] = {"andes", "win95pts", "hepar2"};
    RunInChild(state, [&state] {
        std::unique_ptr<VRX_network> net = vovido::LoadReferenceWithEvidence(kNames[state.range(1)]);
        return Update(*net, static_cast<int>(state.range(0)), 0);
    });
}
BENCHMARK(BM_DecompositionOfAReferenceCase)
    ->ArgsProduct({{0, 11, 12}, {0, 1, 2}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: DeMorgan nodes sharing 25 parents, each observed, then updated under algorithm 0: the
// findings build no more tables than the update can hold, which refuses them ("peak_MB" is what the
// findings built).
void BM_ObservedDeMorganNodesSharingParents(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        if (vovido::test::BuildWideCausalNetwork(net, DefinitionType::kDeMorgan, 25, 0) != kSuccess) return 1;
        for (int k = 1; k < state.range(0); ++k) {
            const int h = net.AddNode(DefinitionType::kDeMorgan, ("m" + std::to_string(k)).c_str());
            for (int i = 0; i < 25 && h >= 0; ++i) {
                if (net.AddArc(net.FindNode(("p" + std::to_string(i)).c_str()), h) != kSuccess) return 1;
            }
        }
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            if (net.GetParents(h).GetCount() == 25 && net.GetNode(h)->GetValue()->SetEvidence(0) != kSuccess)
                return 1;
        }
        return Update(net, 0, 0);
    });
}
BENCHMARK(BM_ObservedDeMorganNodesSharingParents)
    ->Arg(1)  // answers
    ->Arg(3)  // refused: 1.58 GB built before, 0.53 GB now
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: parents. A node of that many two-state parents and every node requested: one cluster of
// 2^(parents + 1) entries walked twice a node (its families and its beliefs). The 27th parent is refused:
// its table of 2^28 cells would be built beside the 2^27 it grows from.
void BM_NodeOfManyParents(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int built = vovido::test::BuildWideCausalNetwork(net, DefinitionType::kCpt,
                                                               static_cast<int>(state.range(0)), 0);
        if (built != kSuccess) return built;
        return Update(net, 0, 0);
    });
}
BENCHMARK(BM_NodeOfManyParents)
    ->Arg(24)
    ->Arg(27)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: nodes, every how many nodes one is observed. The probability of evidence by the chain rule
// updates the band once per finding: 400 updates of a 20,000-node join tree are refused before the first.
void BM_ChainRuleOverABand(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        if (vovido::test::BuildBand(net, static_cast<int>(state.range(0)), 4) != kSuccess) return 1;
        for (int i = 0; i < state.range(0); i += static_cast<int>(state.range(1))) {
            if (net.GetNode(net.FindNode(("b" + std::to_string(i)).c_str()))->GetValue()->SetEvidence(0) !=
                kSuccess)
                return 1;
        }
        double p = 0.0;
        return net.CalcPropEvidence(&p, true) ? 0 : static_cast<int>(kOutOfMemory);
    });
}
BENCHMARK(BM_ChainRuleOverABand)
    ->Args({20000, 50})
    ->Args({5000, 25})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: algorithm, nodes, targets, observed nodes. A random tree (each node a child of one node drawn
// before it) with targets spread evenly: each group of relevance decomposition reads only its targets, the
// observed nodes and their ancestors, never the whole network.
void BM_DecompositionOfTargetsInATree(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int nodes = static_cast<int>(state.range(1));
        const int targets = static_cast<int>(state.range(2));
        if (vovido::test::BuildSampledBand(net, nodes, 2, 1, true, static_cast<int>(state.range(3))) !=
            kSuccess)
            return 1;
        for (int i = 0; i < targets; ++i) {
            if (net.SetTarget(net.FindNode(("n" + std::to_string(i * (nodes / targets))).c_str())) !=
                kSuccess)
                return 1;
        }
        return Update(net, static_cast<int>(state.range(0)), 0);
    });
}
BENCHMARK(BM_DecompositionOfTargetsInATree)
    ->Args({11, 200000, 50000, 0})
    ->Args({11, 20000, 5000, 100})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: band nodes, observations. The value of observing every (nodes / observations)-th node of a
// band before a decision whose utility hangs on the band's last node: so many observations that matter are
// refused once the ones found so far pass the limit of the scenarios, before the walks that test each
// against every one before it; eight observations answer.
void BM_ValueOfInformationOverABand(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int nodes = static_cast<int>(state.range(0));
        const int observed = static_cast<int>(state.range(1));
        if (vovido::test::BuildBand(net, nodes, 4) != kSuccess) return 1;
        const int d = net.AddNode(DefinitionType::kList, "D");
        const int u = net.AddNode(DefinitionType::kTable, "U");
        if (net.AddArc(d, u) != kSuccess ||
            net.AddArc(net.FindNode(("b" + std::to_string(nodes - 1)).c_str()), u) != kSuccess)
            return 1;
        VRX_valueOfInformation voi(&net);
        for (int i = 0; i < observed; ++i) {
            if (voi.AddNode(net.FindNode(("b" + std::to_string(i * (nodes / observed))).c_str())) != kSuccess)
                return 1;
        }
        if (voi.SetDecision(d) != kSuccess) return 1;
        const int status = net.UpdateValueOfInformation(voi);
        errorLog.Flush();
        return status;
    });
}
BENCHMARK(BM_ValueOfInformationOverABand)
    ->Args({2000, 500})
    ->Args({2000, 100})
    ->Args({2000, 8})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
