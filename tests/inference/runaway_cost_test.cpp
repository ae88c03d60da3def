// Work whose cost would run away is refused before anything is allocated, naming the caller's node: the
// temporal tables that an arc, a released anchor or one more outcome would widen, the network that
// unrolling would build, and the scenarios of an influence diagram, by the cells they would touch.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/size_limits.h"
#include "base/status_codes.h"
#include "inference/id_policy_evaluation.h"
#include "inference/sampling_work.h"
#include "inference/table_check.h"
#include "model/temporal_extension.h"
#include "tests/support/costly_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"

namespace {

using vovido::test::Logged;
using vovido::test::TestNetwork;

std::string TablesText(const char* node, const char* cells) {
    return std::string("ERROR: Node [") + node + "] : its own and temporal tables of " + cells +
           " cells in all pass the limit of 268435456 cells";
}

// Plate nodes of the given outcome counts.
std::vector<int> Plate(TestNetwork& t, const std::vector<std::pair<const char*, int>>& nodes) {
    std::vector<int> handles;
    for (const auto& [id, outcomes] : nodes) {
        handles.push_back(t.Add(id, outcomes));
        EXPECT_EQ(t.net.SetTemporalType(handles.back(), TemporalType::kPlate), kSuccess);
    }
    return handles;
}

TEST(RunawayCost, TemporalTablesPastTheLimitAreRefusedByThePlateNode) {
    errorLog.Flush();
    TestNetwork t;
    const std::vector<int> h = Plate(t, {{"A", 4096}, {"B", 16}, {"C", 4096}});
    ASSERT_EQ(t.net.AddTemporalArc(h[0], h[1], 1), kSuccess);
    // Order 2: 16 x 4096 x 4096 cells beside B's own 16 and the 65536 of order 1.
    EXPECT_EQ(t.net.AddTemporalArc(h[0], h[1], 2), kOutOfMemory);
    EXPECT_TRUE(Logged(kOutOfMemory, TablesText("B", "268501008")));
    // C as an ordinary parent of B widens B's own table and that of order 1; as an anchor parent, that
    // of order 1 once it leaves the anchors.
    EXPECT_EQ(t.net.AddArc(h[2], h[1]), kOutOfMemory);
    EXPECT_TRUE(Logged(kOutOfMemory, TablesText("B", "268500992")));
    errorLog.Flush();
    ASSERT_EQ(t.net.SetTemporalType(h[2], TemporalType::kAnchor), kSuccess);
    ASSERT_EQ(t.net.AddArc(h[2], h[1]), kSuccess);
    EXPECT_EQ(t.net.SetTemporalType(h[2], TemporalType::kPlate), kOutOfMemory);
    EXPECT_TRUE(Logged(kOutOfMemory, TablesText("B", "268500992")));
    EXPECT_EQ(t.net.GetMaxNodeTemporalOrder(h[1]), 1);
    // X's table of order j has j + 1 dimensions of X: 2^(j + 1) cells that a third outcome makes 3^(j + 1).
    TestNetwork u;
    const int x = Plate(u, {{"X", 2}})[0];
    for (int order = 1; order <= 17; ++order) ASSERT_EQ(u.net.AddTemporalArc(x, x, order), kSuccess);
    EXPECT_EQ(u.net.GetNode(x)->GetDefinition()->AddOutcome("third"), kOutOfMemory);
    EXPECT_TRUE(Logged(kOutOfMemory, TablesText("X", "581130732")));
    EXPECT_EQ(u.net.GetNode(x)->GetDefinition()->GetNumberOfOutcomes(), 2);
    errorLog.Flush();
}

// Unrolled alone, a network takes its nodes and tables; updated, their join tree besides: each has its
// bound, and neither builds anything past it. 64 + 64 x 64 cells in slice 0, then 64 + 64 x 64 x 64 in
// each slice, whose join tree adds a cluster of 64 x 64 x 64 entries to the first slice's 64 x 64.
TEST(RunawayCost, AnUnrolledNetworkPastTheLimitsIsNeverBuilt) {
    TestNetwork t;
    const std::vector<int> h = Plate(t, {{"A", 64}, {"B", 64}});
    t.Arc(h[0], h[1]);
    ASSERT_EQ(t.net.AddTemporalArc(h[1], h[1], 1), kSuccess);
    const struct {
        int slices;
        bool unrolls;
        const char* message;
    } cases[] = {
        {1000000, false,
         "The network of 1000000 slices of 2 plate nodes would have 2000000 nodes with tables of "
         "262207741952 cells, which take some 3150844903424 bytes (2176 a node and 12 a cell), past the "
         "limit of 2147483648 bytes"},
        {700, false,
         "The network of 700 slices of 2 plate nodes would have 1400 nodes with tables of 183287552 cells, "
         "which take some 2202497024 bytes (2176 a node and 12 a cell), past the limit of 2147483648 bytes"},
        // Unrolled in some 1 GB, not built here.
        {342, true,
         "The update of 342 slices of 2 plate nodes would hold 684 nodes with tables of 89417088 cells and a "
         "join tree of some 89395200 entries, which take some 2864236032 bytes (4480 a node, 24 a cell and 8 "
         "a join-tree entry), past the limit of 2147483648 bytes"},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        ASSERT_EQ(t.net.SetSliceCount(c.slices), kSuccess);
        EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory);
        double p = 0.0;
        EXPECT_FALSE(t.net.CalcPropEvidence(&p, false));
        if (!c.unrolls) {
            VRX_network unrolled;
            std::vector<int> map;
            EXPECT_EQ(t.net.UnrollNetwork(unrolled, map), kOutOfMemory);
        }
        EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>(c.unrolls ? 2 : 3, c.message))
            << c.slices;
    }
    errorLog.Flush();
}

// A chain of binary plate nodes w0 .. w(n-1), each a parent of itself in the next slice: a wide interface
// between slices. Its own tables: 2 + (n - 1) x 4 cells in slice 0, then 4 + (n - 1) x 8 in each slice.
void WideInterfacePlate(TestNetwork& t, int n) {
    std::vector<std::string> ids;
    for (int i = 0; i < n; ++i) ids.push_back("w" + std::to_string(i));
    std::vector<std::pair<const char*, int>> nodes;
    for (const std::string& id : ids) nodes.emplace_back(id.c_str(), 2);
    const std::vector<int> h = Plate(t, nodes);
    for (int i = 0; i < n; ++i) {
        if (i > 0) t.Arc(h[i - 1], h[i]);
        ASSERT_EQ(t.net.AddTemporalArc(h[i], h[i], 1), kSuccess);
    }
}

// Small tables over many slices: refused by the join tree the first slices show, or, where that fits, by
// the memory of the update, before anything is unrolled.
TEST(RunawayCost, ManySlicesOfSmallTablesAreRefusedByTheirNodesOrTheirJoinTree) {
    const struct {
        int plate;
        int slices;
        const char* message;
    } cases[] = {
        // 7,000 slices, some 0.7 GB, could be unrolled, but no cluster holds the 20 nodes a slice links.
        {20, 7000,
         "ERROR: Exact inference refused: the network of 7000 slices of 20 plate nodes has no join tree: "
         "that "
         "of its first 44 slices already needs a cluster of more than 30 nodes or 1073741824 entries"},
        // Twelve nodes a slice fit a cluster, but 6,000 slices of such clusters do not fit the limit.
        {12, 6000,
         "ERROR: Exact inference refused: the network of 6000 slices of 12 plate nodes would need a join "
         "tree "
         "of some 33318333332 table entries (81498352 for its first 28 slices), past the limit of 268435456 "
         "table entries"},
        // Two nodes a slice unroll in some 1 GB, but their update would take more than the limit: 6 cells
        // in slice 0, 12 in each later one, and a cluster of 16 entries a slice.
        {2, 240000,
         "The update of 240000 slices of 2 plate nodes would hold 480000 nodes with tables of 2879994 cells "
         "and a join tree of some 3839984 entries, which take some 2250239728 bytes (4480 a node, 24 a cell "
         "and 8 a join-tree entry), past the limit of 2147483648 bytes"},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        TestNetwork t;
        WideInterfacePlate(t, c.plate);
        ASSERT_EQ(t.net.SetSliceCount(c.slices), kSuccess);
        EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory);
        EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{c.message});
    }
    errorLog.Flush();
}

TEST(RunawayCost, ADecisionSeeingTooMuchIsRefusedByName) {
    errorLog.Flush();
    TestNetwork t(vovido::test::Notices::kOn);
    const int d = t.net.AddNode(DefinitionType::kList, "D");
    const int u = t.net.AddNode(DefinitionType::kTable, "U");
    t.Arc(d, u);
    // The utility depends on everything the decision sees, so every observation is relevant.
    for (int i = 0; i < 18; ++i) {
        const int p = t.Add(("P" + std::to_string(i)).c_str());
        t.Arc(p, d);
        t.Arc(p, u);
    }
    EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory);
    EXPECT_TRUE(
        Logged(kOutOfMemory,
               "ERROR: Node [D] : its decisions and observations make 524288 scenarios, each a belief update "
               "of 20 nodes with tables of 1048614 cells (work of 66818 cells: the tree and the entries "
               "walked, down to one for every 4 where its nodes' tables stay within the caches, the table "
               "cells over 16, 64 a "
               "node and 64 a node of the tree), past the limit of 1610612736 cells"))
        << vovido::test::LogDump();
    errorLog.Flush();
}

// The utility hangs on Q alone, which the decision sees after eighteen causes of it: the causes matter only
// through Q's distribution, and are refused as soon as they are found, by the scenarios of all found.
TEST(RunawayCost, ObservationsThatMatterThroughALaterOneAreRefusedOnceFound) {
    errorLog.Flush();
    TestNetwork t(vovido::test::Notices::kOn);
    const int d = t.net.AddNode(DefinitionType::kList, "D");
    const int u = t.net.AddNode(DefinitionType::kTable, "U");
    const int q = t.Add("Q");
    t.Arc(d, u);
    t.Arc(q, u);
    t.Arc(q, d);
    for (int i = 0; i < 18; ++i) {
        const int p = t.Add(("P" + std::to_string(i)).c_str());
        t.Arc(p, q);
        t.Arc(p, d);
    }
    EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory);
    EXPECT_TRUE(
        Logged(kOutOfMemory,
               "ERROR: Node [D] : its decisions and observations make 1048576 scenarios, each a belief "
               "update of 21 nodes with tables of 524334 cells (work of 34114 cells: the tree and the "
               "entries walked, down to one for every 4 where its nodes' tables stay within the caches, the "
               "table cells over "
               "16, 64 a node and 64 a node of the tree), past the limit of "
               "1610612736 cells"))
        << vovido::test::LogDump();
    errorLog.Flush();
}

// Under a sampler each scenario draws its samples over every node: seven observations of a decision with a
// million samples of likelihood weighting are refused by those draws, and twelve under adaptive importance
// sampling by its 25,000 learning samples besides its 1,000.
TEST(RunawayCost, ScenariosUnderASamplerAreRefusedByTheirDraws) {
    const struct {
        int algorithm;
        int samples;
        int observations;
        const char* message;
    } cases[] = {
        {BayesianAlgorithm::kLikelihoodWeighting, 1000000, 7,
         "ERROR: Node [D] : its decisions and observations make 256 scenarios (257 belief updates in all), "
         "each a belief update of 9 nodes with tables of 528 cells and 9000000 draws of its samples (work of "
         "9001104 cells, 64 a node besides its table), past the limit of 1610612736 cells"},
        {BayesianAlgorithm::kAdaptiveImportanceSampling, 1000, 12,
         "ERROR: Node [D] : its decisions and observations make 8192 scenarios (8193 belief updates in all), "
         "each a belief update of 14 nodes with tables of 16410 cells and 364000 draws of its samples (work "
         "of "
         "381306 cells, 64 a node besides its table), past the limit of 1610612736 cells"},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        TestNetwork t(vovido::test::Notices::kOn);
        const int d = t.net.AddNode(DefinitionType::kList, "D");
        const int u = t.net.AddNode(DefinitionType::kTable, "U");
        t.Arc(d, u);
        for (int i = 0; i < c.observations; ++i) {
            const int p = t.Add(("P" + std::to_string(i)).c_str());
            t.Arc(p, d);
            t.Arc(p, u);
        }
        t.net.SetBayesianAlgorithm(c.algorithm);
        t.net.numSamples = c.samples;
        EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory);
        EXPECT_TRUE(Logged(kOutOfMemory, c.message)) << vovido::test::LogDump();
    }
    errorLog.Flush();
}

// Seventeen observations, all causes of one noisy-MAX node under the utility: few nodes, but each scenario
// reads the noisy-MAX node's table of 2^18 cells (some 20 s in all; sixteen take some 6 s).
TEST(RunawayCost, ScenariosOverAWideTableAreRefusedByTheCellsTheyTouch) {
    errorLog.Flush();
    TestNetwork t(vovido::test::Notices::kOn);
    const int d = t.net.AddNode(DefinitionType::kList, "D");
    const int max = t.net.AddNode(DefinitionType::kNoisyMax, "Max");
    const int u = t.net.AddNode(DefinitionType::kTable, "U");
    t.Arc(max, u);
    t.Arc(d, u);
    for (int i = 0; i < 17; ++i) {
        const int o = t.Add(("o" + std::to_string(i)).c_str());
        t.Arc(o, d);
        t.Arc(o, max);
    }
    EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory);
    EXPECT_TRUE(
        Logged(kOutOfMemory,
               "ERROR: Node [D] : its decisions and observations make 262144 scenarios, each a belief "
               "update of 20 nodes with tables of 262188 cells (work of 17666 cells: the tree and the "
               "entries walked, down to one for every 4 where its nodes' tables stay within the caches, the "
               "table cells over "
               "16, 64 a node and 64 a node of the tree), past the limit of "
               "1610612736 cells"))
        << vovido::test::LogDump();
    errorLog.Flush();
}

// A noisy-MAX node of 26 parents with two observed children: its table of 2^27 cells and the cluster of
// its family are refused before either is built; one of 10 parents is updated.
TEST(RunawayCost, TablesBuiltFromParametersAreCountedBeforeTheUpdateBuildsThem) {
    const struct {
        int parents;
        int status;
        std::vector<std::string> log;
    } cases[] = {
        {26,
         kOutOfMemory,
         {"ERROR: Node [n] : its table of 134217728 cells, built from its parameters with those of the other "
          "such nodes (134217728 cells in all, twice with the scaled copy the update reads, and 64 a node of "
          "the 29 it reads), and a join tree of at least 134217729 entries over its family, would pass the "
          "limit of 268435456 table entries"}},
        {10, kSuccess, {}},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        VRX_network net;
        ASSERT_EQ(vovido::test::BuildWideCausalNetwork(net, DefinitionType::kNoisyMax, c.parents, 2),
                  kSuccess);
        ASSERT_EQ(vovido::test::ObserveChildren(net), kSuccess);
        EXPECT_EQ(net.UpdateBeliefs(), c.status) << c.parents;
        EXPECT_EQ(vovido::test::LoggedMessages(), c.log) << c.parents;
    }
    errorLog.Flush();
}

// A noisy-MAX node of the parents with three observed children, under each way of reading it: the
// update by the algorithm (-1: probability of evidence by clustering, -2: annealed MAP over the parents).
TEST(RunawayCost, WideNoisyNodesAreRefusedBeforeAnyAlgorithmBuildsTheirWork) {
    const struct {
        int parents;
        int algorithm;
        std::string log;
    } cases[] = {
        {26, BayesianAlgorithm::kLikelihoodWeighting,
         "ERROR: Node [n] : its table of 134217728 cells, built from its parameters with those of the other "
         "such nodes (134217728 cells in all, twice with the scaled copy the update reads, and 64 a node of "
         "the 30 it reads) would pass the limit of 268435456 table entries"},
        {25, BayesianAlgorithm::kLoopyPropagation,
         "ERROR: Node [n] : its 33554432 parent configurations, with those of the other nodes over 5 passes "
         "of loopy propagation, would take 8724152690 steps, past the limit of 1073741824"},
        {26, -1,
         "ERROR: Node [n] : its table of 134217728 cells, built from its parameters with those of the other "
         "such nodes (134217728 cells in all, twice with the scaled copy the update reads, and 64 a node of "
         "the 30 it reads), and a join tree of at least 134217729 entries over its family, would pass "
         "the limit of 268435456 table entries"},
        {25, -2,
         "ERROR: Node [n] : its table of 67108864 cells, built from its parameters with those of the other "
         "such nodes (67108864 cells in all, 3 times with the copies the search reads, and 64 a node of the "
         "29 "
         "it reads), and a join tree of at least 67108865 entries over its family, would pass the limit of "
         "268435456 table entries"},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        VRX_network net;
        ASSERT_EQ(vovido::test::BuildWideCausalNetwork(net, DefinitionType::kNoisyMax, c.parents, 3),
                  kSuccess);
        ASSERT_EQ(vovido::test::ObserveChildren(net), kSuccess);
        int status = kSuccess;
        if (c.algorithm >= 0) {
            net.SetBayesianAlgorithm(c.algorithm);
            status = net.UpdateBeliefs();
        } else if (c.algorithm == -1) {
            double p = 0.0;
            status = net.CalcPropEvidence(&p, false) ? kSuccess : kOutOfMemory;
        } else {
            VRX_intArray mapNodes;
            VRX_intArray outcomes;
            for (int i = 0; i < c.parents; ++i)
                ASSERT_EQ(mapNodes.Add(net.FindNode(("p" + std::to_string(i)).c_str())), kSuccess);
            double mapP = 0.0;
            double evidenceP = 0.0;
            status = net.AnnealedMAP({}, mapNodes, outcomes, mapP, evidenceP, 7);
        }
        EXPECT_EQ(status, kOutOfMemory) << c.algorithm;
        EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{c.log}) << c.algorithm;
    }
    errorLog.Flush();
}

// A DeMorgan node of 25 parents with three observed children, under the samplers that copy every unobserved
// table, backward sampling, which reads the node's row of 2^25 cells every sample, and the loopy passes
// before importance sampling: refused before its table of 2^26 cells is built, with what the sampler would
// spend; one of 10 parents is sampled.
TEST(RunawayCost, WhatASamplerSpendsOnAWideTableIsCountedBeforeItIsBuilt) {
    const std::string table = "ERROR: Node [n] : its table of 67108864 cells, built from its parameters, ";
    const std::string copied =
        table +
        "and the network's other unobserved tables would be copied into working tables, 134217828 cells in "
        "all, past the limit of 134217728 cells";
    const std::pair<int, std::string> cases[] = {
        {BayesianAlgorithm::kSelfImportanceSampling, copied},
        {BayesianAlgorithm::kAdaptiveImportanceSampling, copied},
        {BayesianAlgorithm::kBackwardSampling,
         table + "would make backward sampling read rows of 33554432 cells twice for each of 1000 samples, "
                 "268435476000 steps with their waits for memory, past the limit of 15032385536 steps"},
        {BayesianAlgorithm::kPrepropagatedImportanceSampling,
         table + "would make the 2 loopy passes of importance sampling walk its parent configurations in "
                 "13958644304 steps, past the limit of 10737418240 steps"},
    };
    for (const auto& [algorithm, refused] : cases) {
        for (const int parents : {25, 10}) {
            errorLog.Flush();
            VRX_network net;
            ASSERT_EQ(vovido::test::BuildWideCausalNetwork(net, DefinitionType::kDeMorgan, parents, 3),
                      kSuccess);
            ASSERT_EQ(vovido::test::ObserveChildren(net), kSuccess);
            net.SetBayesianAlgorithm(algorithm);
            const bool wide = parents == 25;
            EXPECT_EQ(net.UpdateBeliefs(), wide ? kOutOfMemory : kSuccess) << algorithm;
            if (wide) {
                EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{refused}) << algorithm;
            }
            EXPECT_EQ(net.GetNode(net.FindNode("n"))->GetValue()->IsUpToDate(), !wide);
        }
    }
    errorLog.Flush();
}

// Backward sampling reads a row twice a sample, each cell of a table past the caches waiting for memory:
// a DeMorgan node of 23 parents (2^23 cells a row, some 60 s for 1,000 samples) is refused at once.
TEST(RunawayCost, BackwardSamplingCountsARowReadTwiceWithItsWaitsForMemory) {
    EXPECT_EQ(vovido::BackwardRowSteps(int64_t{1} << 21, 2), 2 * (int64_t{1} << 20) * 4 + 20);
    EXPECT_EQ(vovido::BackwardRowSteps(2, 2), 22);
    errorLog.Flush();
    VRX_network net;
    ASSERT_EQ(vovido::test::BuildWideCausalNetwork(net, DefinitionType::kDeMorgan, 23, 3), kSuccess);
    ASSERT_EQ(vovido::test::ObserveChildren(net), kSuccess);
    net.SetBayesianAlgorithm(BayesianAlgorithm::kBackwardSampling);
    EXPECT_EQ(net.UpdateBeliefs(), kOutOfMemory);
    EXPECT_EQ(vovido::test::LastLogged(),
              "ERROR: Node [n] : its table of 16777216 cells, built from its parameters, would make backward "
              "sampling read rows of 8388608 cells twice for each of 1000 samples, 67108884000 steps with "
              "their waits for memory, past the limit of 15032385536 steps");
    errorLog.Flush();
}

// Policy evaluation counts a tree whose tables a node stay within the caches at a quarter of a cell an entry:
// two decisions over 5 and 6 (3.6 s) or 6 and 6 observations (7 s) are planned, 7 and 7 are refused.
TEST(RunawayCost, PolicyEvaluationCountsATreeWithinTheCachesAtAQuarterOfACellAnEntry) {
    EXPECT_EQ(vovido::TreeWorkCells(4000, int64_t{1} << 30, 0), 1000);
    EXPECT_EQ(vovido::TreeWorkCells(int64_t{1} << 17, 4, 68928), 200000);
    const struct {
        int first, second;
        const char* refusal;
    } cases[] = {
        {5, 6, nullptr},
        {6, 6, nullptr},
        {7, 7,
         "ERROR: Node [d1] : its decisions and observations make 65536 scenarios (81919 belief updates in "
         "all), each a belief update of 69 nodes with tables of 784 cells and a join tree of 28128 entries "
         "over 66 nodes, whose run walks 170784 entries (work of 60357 cells: the tree and the entries "
         "walked, down to one for every 4 where its nodes' tables stay within the caches, the table cells "
         "over 16, 64 a node and 64 a node of the tree), past the limit of 1610612736 cells"},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        VRX_network net;
        ASSERT_EQ(vovido::test::BuildObservedRootsDiagram(net, c.first, c.second), kSuccess);
        PolicyEvaluator evaluator;
        uint64_t work = 0;
        const int rc = evaluator.PlanWork(net, work);
        EXPECT_EQ(rc, c.refusal != nullptr ? kOutOfMemory : kSuccess) << c.first << " " << c.second;
        EXPECT_EQ(work > 0 && work <= uint64_t{kMaxPolicyEvaluationWorkCells}, c.refusal == nullptr);
        EXPECT_EQ(vovido::test::MessageAt(0), c.refusal != nullptr ? c.refusal : "");
    }
    errorLog.Flush();
}

// Three observed DeMorgan nodes sharing 25 parents: the first finding builds its table of 2^26 cells, the
// others, which the update could not hold beside it, do not (1.5 GB and a second before the refusal).
TEST(RunawayCost, FindingsBuildNoTablesThatTheUpdateWouldRefuseTogether) {
    errorLog.Flush();
    VRX_network net;
    ASSERT_EQ(vovido::test::BuildWideCausalNetwork(net, DefinitionType::kDeMorgan, 25, 0), kSuccess);
    for (const char* id : {"m", "o"}) {
        const int h = net.AddNode(DefinitionType::kDeMorgan, id);
        ASSERT_GE(h, 0);
        for (int i = 0; i < 25; ++i)
            ASSERT_EQ(net.AddArc(net.FindNode(("p" + std::to_string(i)).c_str()), h), kSuccess);
    }
    for (const char* id : {"n", "m", "o"})
        ASSERT_EQ(net.GetNode(net.FindNode(id))->GetValue()->SetEvidence(0), kSuccess);
    EXPECT_EQ(net.UpdateBeliefs(), kOutOfMemory);
    EXPECT_EQ(
        vovido::test::LoggedMessages(),
        std::vector<std::string>{
            "ERROR: Node [n] : its table of 67108864 cells, built from its parameters with those of the "
            "other "
            "such nodes (201326642 cells in all, twice with the scaled copy the update reads, and 64 a node "
            "of the 28 it reads), and a join tree of at least 33554433 entries over its family, would pass "
            "the limit of 268435456 table entries"});
    errorLog.Flush();
}

}  // namespace
