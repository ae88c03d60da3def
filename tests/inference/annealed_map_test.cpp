// Annealed MAP search against the exact MAP assignment by enumeration, its probabilities, and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "base/error_log.h"
#include "tests/support/costly_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/random_networks.h"
#include "tests/support/reference_networks.h"

namespace {

using namespace vovido::test;

// Annealed MAP over the nodes in 100,001 sweeps, which the work limit refuses before any update: the log
// it leaves, the probabilities untouched.
std::string RefusedOverLongSweeps(VRX_network& net, const VRX_intArray& nodes) {
    VRX_annealedMapTuning tuning;
    tuning.iStopSteps = 100000;
    EXPECT_EQ(net.SetAnnealedMapTuning(tuning), kSuccess);
    VRX_intArray outcomes;
    double p = -1.0;
    errorLog.Flush();
    EXPECT_EQ(net.AnnealedMAP({}, nodes, outcomes, p, p, 1), kOutOfMemory);
    EXPECT_EQ(p, -1.0);
    return LogDump();
}

struct Exact {
    double evidence = 0.0;
    std::map<std::vector<int>, double> joint;  // P(MAP assignment, evidence)
};

// P(assignment of the MAP nodes, evidence) for every assignment, by enumerating the joint.
Exact Enumerate(const VRX_network& net, const std::vector<int>& mapNodes,
                const std::vector<std::pair<int, int>>& evidence) {
    Exact exact;
    VRX_intArray handles;
    EXPECT_EQ(net.GetAllNodes(handles), kSuccess);
    const int n = handles.GetCount();
    std::vector<int> position(static_cast<size_t>(net.GetNumberOfSlots()), -1);
    std::vector<int> outcomes(static_cast<size_t>(n));
    for (int i = 0; i < n; i++) {
        position[static_cast<size_t>(handles[i])] = i;
        outcomes[static_cast<size_t>(i)] = net.GetNode(handles[i])->GetDefinition()->GetNumberOfOutcomes();
    }
    std::vector<int> x(static_cast<size_t>(n), 0);
    for (;;) {
        bool consistent = true;
        for (const auto& e : evidence)
            consistent =
                consistent && x[static_cast<size_t>(position[static_cast<size_t>(e.first)])] == e.second;
        if (consistent) {
            double p = 1.0;
            for (int i = 0; i < n; i++) {
                VRX_Dmatrix* table = nullptr;
                EXPECT_EQ(net.GetNode(handles[i])->GetDefinition()->GetDefinition(table), kSuccess);
                const VRX_intArray& parents = net.GetParents(handles[i]);
                int index = x[static_cast<size_t>(i)] * table->GetStrides()[parents.GetCount()];
                for (int k = 0; k < parents.GetCount(); k++)
                    index += table->GetStrides()[k] *
                             x[static_cast<size_t>(position[static_cast<size_t>(parents[k])])];
                p *= (*table)[index];
            }
            std::vector<int> key;
            for (int h : mapNodes) key.push_back(x[static_cast<size_t>(position[static_cast<size_t>(h)])]);
            exact.joint[key] += p;
            exact.evidence += p;
        }
        int d = 0;
        while (d < n && ++x[static_cast<size_t>(d)] == outcomes[static_cast<size_t>(d)])
            x[static_cast<size_t>(d++)] = 0;
        if (d == n) break;
    }
    return exact;
}

TEST(AnnealedMap, FindsTheExactMapOnSmallRandomNetworks) {
    int found = 0;
    int runs = 0;
    for (unsigned seed = 1; seed <= 40; seed++) {
        std::mt19937 rng(seed);
        RandomShape shape;
        shape.minNodes = 5;
        shape.maxNodes = 8;
        shape.evidenceShare = 0.0;
        shape.virtualShare = 0.0;
        shape.tables = seed % 2 == 0 ? TableKind::kSparse : TableKind::kPositive;
        VRX_network net;
        Build(net, rng, shape);
        VRX_intArray all;
        ASSERT_EQ(net.GetAllNodes(all), kSuccess);
        std::vector<int> order(all.GetItems(), all.GetItems() + all.GetCount());
        std::shuffle(order.begin(), order.end(), rng);
        const std::vector<int> mapNodes(order.begin(), order.begin() + 3);
        std::vector<std::pair<int, int>> evidence{{order[3], 0}};
        const Exact exact = Enumerate(net, mapNodes, evidence);
        if (exact.evidence == 0.0) continue;
        VRX_intArray outcomes;
        double mapProbability = 0.0;
        double evidenceProbability = 0.0;
        VRX_intArray nodes;
        for (int h : mapNodes) ASSERT_EQ(nodes.Add(h), kSuccess);
        ASSERT_EQ(net.AnnealedMAP(evidence, nodes, outcomes, mapProbability, evidenceProbability,
                                  static_cast<int>(seed)),
                  kSuccess)
            << seed;
        runs++;
        double best = 0.0;
        for (const auto& entry : exact.joint) best = std::max(best, entry.second);
        const std::vector<int> chosen(outcomes.GetItems(), outcomes.GetItems() + outcomes.GetCount());
        const double p = exact.joint.at(chosen);
        EXPECT_GT(p, 0.0) << seed;
        EXPECT_NEAR(evidenceProbability, exact.evidence, 1e-9) << seed;
        EXPECT_NEAR(mapProbability, p / exact.evidence, 1e-9) << seed;
        if (p >= best * (1 - 1e-12)) found++;
        // The caller's network holds no evidence and no target afterwards, as before.
        EXPECT_EQ(net.GetNumberOfTargets(), 0);
        EXPECT_FALSE(net.HasAnyEvidence());
    }
    ASSERT_GE(runs, 30);
    EXPECT_GE(found * 100, runs * 95) << found << " of " << runs;
}

TEST(AnnealedMap, SingleNodeTakesItsMostProbableOutcome) {
    VRX_network net;
    AddNode(net, DefinitionType::kCpt, "A", {});
    ASSERT_EQ(Def(net, "A").SetNumberOfOutcomes(3), kSuccess);
    ASSERT_EQ(Def(net, "A").SetDefinitionDoubles(Doubles({0.2, 0.5, 0.3})), kSuccess);
    VRX_intArray outcomes;
    double p = 0.0;
    double e = 0.0;
    ASSERT_EQ(net.AnnealedMAP({}, Ints({net.FindNode("A")}), outcomes, p, e, 7), kSuccess);
    ASSERT_EQ(outcomes.GetCount(), 1);
    EXPECT_EQ(outcomes[0], 1);
    EXPECT_NEAR(p, 0.5, 1e-12);
    EXPECT_NEAR(e, 1.0, 1e-12);
}

// On water a join tree of the whole network, taken for each of its updates, would pass the work limit;
// the moves update the small part their target and the finding make relevant, and the search answers.
TEST(AnnealedMap, SingleNodeOfWaterTakesItsMostProbableOutcome) {
    VRX_network net;
    ASSERT_EQ(net.ReadFile(ReferencePath("water", ".xvrx").c_str()), kSuccess);
    const int finding = net.FindNode("C_NI_12_00");
    const int node = net.FindNode("CKNI_12_45");
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
    const double prior = Beliefs(net, finding)[1];
    ASSERT_EQ(net.GetNode(finding)->GetValue()->SetEvidence(1), kSuccess);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
    const std::vector<double> posterior = Beliefs(net, node);
    ASSERT_EQ(net.ClearAllEvidence(), kSuccess);
    VRX_intArray outcomes;
    double p = 0.0;
    double e = 0.0;
    ASSERT_EQ(net.AnnealedMAP({{finding, 1}}, Ints({node}), outcomes, p, e, 7), kSuccess) << LogDump();
    ASSERT_EQ(outcomes.GetCount(), 1);
    const auto top = std::max_element(posterior.begin(), posterior.end());
    EXPECT_EQ(outcomes[0], top - posterior.begin());
    EXPECT_NEAR(p, *top, 1e-9);
    EXPECT_NEAR(e, prior, 1e-9);
}

// DeMorgan nodes are chance nodes like any other: the search takes them and finds the exact MAP, here
// P(n, p0 | c0 = 0) by the chain rule over exact updates.
TEST(AnnealedMap, FindsTheMapOfDeMorganNodes) {
    VRX_network net;
    ASSERT_EQ(BuildWideCausalNetwork(net, DefinitionType::kDeMorgan, 3, 2), kSuccess);
    const int n = net.FindNode("n");
    const int p0 = net.FindNode("p0");
    const int c0 = net.FindNode("c0");
    ASSERT_EQ(net.GetNode(c0)->GetValue()->SetEvidence(0), kSuccess);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
    const std::vector<double> parent = Beliefs(net, p0);
    double best = -1.0;
    std::vector<int> argmax;
    for (int a = 0; a < 2; a++) {
        ASSERT_EQ(net.GetNode(p0)->GetValue()->SetEvidence(a), kSuccess);
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
        const std::vector<double> child = Beliefs(net, n);
        for (int b = 0; b < 2; b++) {
            if (parent[static_cast<size_t>(a)] * child[static_cast<size_t>(b)] <= best) continue;
            best = parent[static_cast<size_t>(a)] * child[static_cast<size_t>(b)];
            argmax = {b, a};
        }
    }
    ASSERT_EQ(net.ClearAllEvidence(), kSuccess);
    VRX_intArray outcomes;
    double p = 0.0;
    double e = 0.0;
    errorLog.Flush();
    ASSERT_EQ(net.AnnealedMAP({{c0, 0}}, Ints({n, p0}), outcomes, p, e, 7), kSuccess) << LogDump();
    ASSERT_EQ(outcomes.GetCount(), 2);
    EXPECT_EQ(std::vector<int>({outcomes[0], outcomes[1]}), argmax);
    EXPECT_NEAR(p, best, 1e-9);
}

TEST(AnnealedMap, RefusesBadArgumentsAndImpossibleEvidence) {
    VRX_network net;
    AddNode(net, DefinitionType::kCpt, "A", {});
    AddNode(net, DefinitionType::kCpt, "B", {"A"});
    ASSERT_EQ(Def(net, "B").SetDefinitionDoubles(Doubles({1, 0, 1, 0})), kSuccess);
    const int a = net.FindNode("A");
    const int b = net.FindNode("B");
    VRX_intArray outcomes;
    double p = -1.0;
    double e = -1.0;
    const struct {
        std::vector<std::pair<int, int>> evidence;
        std::vector<int> nodes;
        const char* text;
    } refusals[] = {
        {{}, {a, 99}, "Invalid node handle among the annealed MAP nodes: 99"},
        {{}, {a, a}, "ERROR: Node [A] : it is listed twice among the annealed MAP nodes"},
        {{{a, 2}}, {b}, "ERROR: Node [A] : its finding 2 is no outcome of it"},
        {{{a, 0}}, {a}, "ERROR: Node [A] : it holds evidence, so annealed MAP cannot find its outcome"},
        {{{b, 0}, {b, 1}}, {a}, "ERROR: Node [B] : it has two findings in the annealed MAP evidence"},
    };
    for (const auto& r : refusals) {
        errorLog.Flush();
        EXPECT_EQ(net.AnnealedMAP(r.evidence, Ints(r.nodes), outcomes, p, e, 1), kOutOfRange) << r.text;
        EXPECT_EQ(LogDump(), "-2 " + std::string(r.text) + "\n");
    }
    // Impossible findings, alone or given those before them; on water the first two of its 12:00 and
    // 12:15 slices contradict each other (B below is always in its first outcome).
    VRX_network water;
    ASSERT_EQ(water.ReadFile(ReferencePath("water", ".xvrx").c_str()), kSuccess);
    const int ni00 = water.FindNode("C_NI_12_00");
    const int ni15 = water.FindNode("C_NI_12_15");
    const struct {
        VRX_network& net;
        std::vector<std::pair<int, int>> evidence;
        std::vector<int> nodes;
        const char* text;
    } impossible[] = {
        {net, {{b, 1}}, {a}, "Evidence is impossible: the finding on [B] has probability zero"},
        {water,
         {{ni00, 0}, {ni15, 3}},
         {water.FindNode("CKNI_12_45")},
         "Evidence is impossible: the finding on [C_NI_12_15] has probability zero given the evidence on "
         "[C_NI_12_00]"},
    };
    for (const auto& r : impossible) {
        errorLog.Flush();
        EXPECT_EQ(r.net.AnnealedMAP(r.evidence, Ints(r.nodes), outcomes, p, e, 1), kConflictingEvidence);
        EXPECT_EQ(LogDump(), "-26 " + std::string(r.text) + ", so no beliefs can be computed.\n");
        EXPECT_EQ(outcomes.GetCount(), 0);
        EXPECT_EQ(p, -1.0);
        EXPECT_FALSE(r.net.HasAnyEvidence());
    }
}

// Tunings and sample counts whose search would run for hours are refused before the first update, with
// the caller's outputs untouched.
TEST(AnnealedMap, RefusesSearchesPastTheWorkLimit) {
    VRX_network net;
    AddNode(net, DefinitionType::kCpt, "A", {});
    AddNode(net, DefinitionType::kCpt, "B", {"A"});
    const int a = net.FindNode("A");
    const int b = net.FindNode("B");
    const struct {
        int numCycle, iStopSteps, algorithm, samples;
        const char* text;
    } refusals[] = {
        {1, 2000000000, 0, 1000,
         "ERROR: Annealed MAP over 1 nodes would make at least 2000000004 belief updates (1 a node in each "
         "of 2000000001 sweeps, and one a node and finding to start), each reading 2 nodes with tables of 6 "
         "cells: the work of 304000000608 cells (one for every 2 tree entries or table cells, the more of "
         "the two a move, 64 a node read and 12 a node of the network's 2), past the limit of 1073741824 "
         "cells"},
        {2000000000, 20, 0, 1000,
         "ERROR: Annealed MAP over 1 nodes would make at least 42000000003 belief updates (2000000000 a node "
         "in each of 21 sweeps, and one a node and finding to start), each reading 2 nodes with tables of 6 "
         "cells: the work of 6384000000456 cells (one for every 2 tree entries or table cells, the more of "
         "the two a move, 64 a node read and 12 a node of the network's 2), past the limit of 1073741824 "
         "cells"},
        // Likelihood weighting: 13 steps a sample over A and B.
        {1, 20, 3, 100000000,
         "ERROR: Annealed MAP over 1 nodes would make at least 24 belief updates (1 a node in each of 21 "
         "sweeps, and one a node and finding to start), of 2 nodes with tables of 6 cells: the work of "
         "7800000576 cells (a cell for every 4 steps of the draws of its samples, and 12 a node of the "
         "network's 2), past the limit of "
         "1073741824 cells"},
        // Counts past 64 bits are told as they are, not as the largest 64-bit number.
        {2000000000, 2000000000, 0, 1000,
         "ERROR: Annealed MAP over 1 nodes would make at least 4e+18 belief updates (2000000000 a node in "
         "each of 2000000001 sweeps, and one a node and finding to start), each reading 2 nodes with tables "
         "of 6 cells: the work of 6.08e+20 cells (one for every 2 tree entries or table cells, the more of "
         "the two a move, 64 a node read and 12 a node of the network's 2), past the limit of 1073741824 "
         "cells"},
    };
    for (const auto& r : refusals) {
        VRX_annealedMapTuning tuning;
        tuning.numCycle = r.numCycle;
        tuning.iStopSteps = r.iStopSteps;
        ASSERT_EQ(net.SetAnnealedMapTuning(tuning), kSuccess);
        net.SetBayesianAlgorithm(r.algorithm);
        net.numSamples = r.samples;
        VRX_intArray outcomes;
        double p = -1.0;
        errorLog.Flush();
        EXPECT_EQ(net.AnnealedMAP({{b, 0}}, Ints({a}), outcomes, p, p, 1), kOutOfMemory);
        EXPECT_EQ(LogDump(), "-42 " + std::string(r.text) + "\n");
        EXPECT_EQ(p, -1.0);
        EXPECT_FALSE(net.HasAnyEvidence());
    }
    // A diamond A -> {B, C} -> D with D of 10000 outcomes: its moves join {A, B, C} (8 entries) and
    // compute D from its table, whose 40000 cells outweigh the tree and the 4 nodes read (some 14 s).
    VRX_network diamond;
    AddNode(diamond, DefinitionType::kCpt, "A", {});
    AddNode(diamond, DefinitionType::kCpt, "B", {"A"});
    AddNode(diamond, DefinitionType::kCpt, "C", {"A"});
    AddNode(diamond, DefinitionType::kCpt, "D", {});
    ASSERT_EQ(Def(diamond, "D").SetNumberOfOutcomes(10000), kSuccess);
    for (const char* parent : {"B", "C"})
        ASSERT_EQ(diamond.AddArc(diamond.FindNode(parent), diamond.FindNode("D")), kSuccess);
    EXPECT_EQ(
        RefusedOverLongSweeps(diamond, Ints({diamond.FindNode("D")})),
        "-42 ERROR: Annealed MAP over 1 nodes would make at least 100003 belief updates (1 a node in each "
        "of 100001 sweeps, and one a node and finding to start), each reading 4 nodes with tables of "
        "40010 cells, with join trees of at least 8 entries a sweep: the work of 2030920917 cells (one "
        "for every 2 tree entries or table cells, the more of the two a move, 64 a node read and 12 a node "
        "of the network's 4), past the limit of 1073741824 cells\n");
}

// Every update walks the whole network: eight roots of munin over 100,001 sweeps read 8 nodes each
// update, but each update takes some 140 us (115 s in all), and is refused at once.
TEST(AnnealedMap, EachUpdateIsCountedOverTheWholeNetwork) {
    VRX_network net;
    ASSERT_EQ(net.ReadFile(VOVIDO_NETWORKS_DIR "/large/munin.xvrx"), kSuccess);
    VRX_intArray nodes;
    for (int h = net.GetFirstNode(); h >= 0 && nodes.GetCount() < 8; h = net.GetNextNode(h))
        ASSERT_EQ(nodes.Add(h), kSuccess);
    EXPECT_EQ(
        RefusedOverLongSweeps(net, nodes),
        "-42 ERROR: Annealed MAP over 8 nodes would make at least 800017 belief updates (1 a node in each "
        "of 100001 sweeps, and one a node and finding to start), each reading 8 nodes with tables of 216 "
        "cells: the work of 10403421068 cells (one for every 2 tree entries or table cells, the more of "
        "the two a move, 64 a node read and 12 a node of the network's 1041), past the limit of "
        "1073741824 cells\n");
}

}  // namespace
