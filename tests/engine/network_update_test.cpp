// Belief-update dispatch: routes by node kinds, every algorithm code of a route, temporary nodes for
// virtual evidence, and the probability of evidence by clustering and by the chain rule.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "engine/update_route.h"
#include "inference/temporary_evidence_nodes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/costly_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"

using vovido::UpdateRoute;
using vovido::UpdateRouteScan;

namespace {

using namespace vovido::test;

constexpr double kTolerance = 1e-12;

// The dispatch sets the change notices aside and restores them, so they stay on as a new network has them.
struct Net : TestNetwork {
    Net() : TestNetwork(Notices::kOn) {}
};

// ---------------------------------------------------------------------------------------------------
// Routes

UpdateRoute Scan(const std::vector<std::pair<int, int>>& nodes, int* walked = nullptr) {
    UpdateRouteScan scan;
    int n = 0;
    for (const std::pair<int, int>& node : nodes) {
        n++;
        if (!scan.Add(node.first, node.second)) break;
    }
    if (walked != nullptr) *walked = n;
    return scan.GetRoute();
}

TEST(UpdateRoute, KindsOfTheNodesChooseTheRoute) {
    EXPECT_EQ(Scan({}), UpdateRoute::kBayesianNetwork);
    EXPECT_EQ(Scan({{0x12, 0}, {0x14, 0}, {0x92, 0}, {0, 0}}), UpdateRoute::kBayesianNetwork);
    EXPECT_EQ(Scan({{0x12, 0}, {0x8, 0}}), UpdateRoute::kInfluenceDiagram);
    EXPECT_EQ(Scan({{0x11, 0}}), UpdateRoute::kInfluenceDiagram);
    EXPECT_EQ(Scan({{0x8, 0}, {0x4, 0}}), UpdateRoute::kHybridInfluenceDiagram);
    EXPECT_EQ(Scan({{0x1002, 0}, {0x11, 0}}), UpdateRoute::kHybridInfluenceDiagram);
    // Equations win over hybrid kinds.
    EXPECT_EQ(Scan({{0x1002, 0}, {0x4, 0}}), UpdateRoute::kEquations);
    EXPECT_EQ(Scan({{0x404, 0}}), UpdateRoute::kEquations);
    EXPECT_EQ(Scan({{0x810, 0}, {0x12, 0}}), UpdateRoute::kHybrid);
    EXPECT_EQ(Scan({{0x1004, 0}}), UpdateRoute::kHybrid);
}

TEST(UpdateRoute, PlateNodeSendsTheNetworkToTheDynamicUpdateWhateverElseItHolds) {
    int walked = 0;
    EXPECT_EQ(Scan({{0x12, 0}, {0x12, 3}, {0x8, 0}, {0x4, 0}}, &walked), UpdateRoute::kDynamic);
    EXPECT_EQ(walked, 2);
    EXPECT_EQ(Scan({{0x8, 0}, {0x4, 0}, {0x12, 3}}), UpdateRoute::kDynamic);
    // Anchor and terminal nodes are ordinary here.
    EXPECT_EQ(Scan({{0x12, 1}, {0x12, 2}}), UpdateRoute::kBayesianNetwork);
}

TEST(UpdateBeliefs, NetworkWithoutNodesRunsTheDiscreteAlgorithm) {
    VRX_network net;
    errorLog.Flush();
    EXPECT_EQ(net.UpdateBeliefs(), kSuccess);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    // A code written past the setter runs nothing, and says so.
    for (int code : {13, -1, 99}) {
        errorLog.Flush();
        net.bnAlgorithm = code;
        EXPECT_EQ(net.UpdateBeliefs(), kOutOfRange) << code;
        EXPECT_EQ(LastLogged(), "Algorithm not available: discrete algorithm code " + std::to_string(code));
    }
}

TEST(UpdateBeliefs, EveryDiscreteAlgorithmBringsBeliefsUpToDate) {
    Net t;
    const int a = t.Add("a"), b = t.Add("b");
    t.Arc(a, b);
    for (int code = 0; code <= 12; code++) {
        t.net.SetBayesianAlgorithm(code);
        t.net.InvalidateValues();
        errorLog.Flush();
        EXPECT_EQ(t.net.UpdateBeliefs(), kSuccess) << code;
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << code;
        EXPECT_TRUE(t.Value(b)->IsUpToDate()) << code;
    }
}

TEST(UpdateBeliefs, InfluenceDiagramGoesToTheSolverOfIdAlgorithm) {
    Net t;
    const int a = t.Add("a");
    const int u = t.Add("u", 2, DefinitionType::kTable);
    t.Arc(a, u);
    errorLog.Flush();
    // Policy evaluation of a diagram without decisions: the expected utility of the one scenario.
    EXPECT_EQ(t.net.UpdateBeliefs(), kSuccess);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    EXPECT_TRUE(t.net.GetNode(u)->GetValue()->IsUpToDate());
    // The best-policy solver has no open decision to choose for.
    t.net.SetInfluenceDiagramAlgorithm(1);
    errorLog.Flush();
    EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfRange);
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{"The network has no decision: the best-policy solver answers "
                                        "for the first decision without evidence, and there is none",
                                        "Error when running Shachter's algorithm"}));
    t.net.idAlgorithm = 2;
    errorLog.Flush();
    EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfRange);
    EXPECT_EQ(LoggedMessages(),
              std::vector<std::string>{"Algorithm not available: influence-diagram algorithm code 2"});
}

TEST(UpdateBeliefs, PlateNodeRunsTheDynamicUpdateWithAutomaticUpdatingOff) {
    Net t;
    const int a = t.Add("a");
    const int b = t.Add("b");
    t.Add("d", 2, DefinitionType::kList);
    ASSERT_EQ(t.net.SetTemporalType(b, TemporalType::kPlate), kSuccess);
    for (int flags : {PropagationFlags::kNotices | PropagationFlags::kAutoUpdate, 0}) {
        t.net.propagationFlags = flags;
        errorLog.Flush();
        // The unrolled network holds the decision, which its own update hands to the solver.
        EXPECT_EQ(t.net.UpdateBeliefs(), kSuccess);
        EXPECT_EQ(LoggedMessages(),
                  std::vector<std::string>{"Utilities not specified. Policies cannot be evaluated"});
        EXPECT_EQ(t.net.propagationFlags, flags);
    }
    EXPECT_TRUE(t.Value(a)->IsUpToDate());
    // Unrolled, it is an influence diagram, whose decisions have no probability.
    double pe = 0.0;
    EXPECT_FALSE(t.net.CalcPropEvidence(&pe, false));
}

// ---------------------------------------------------------------------------------------------------
// Temporary nodes for virtual evidence

TEST(TemporaryEvidenceNodes, LikelihoodsBecomeTheTableOfAnObservedChild) {
    Net t;
    const int x = t.Add("x", 3), y = t.Add("y");
    t.Arc(x, y);
    ASSERT_EQ(t.Value(x)->SetVirtualEvidence(Doubles({0.2, 0.3, 0.5})), kSuccess);
    const std::vector<int> before = t.Handles();
    const int flags = t.net.propagationFlags;
    {
        TemporaryEvidenceNodes scope(&t.net);
        ASSERT_EQ(scope.GetNodes().GetCount(), 1);
        const int c = scope.GetNodes()[0];
        EXPECT_EQ(t.net.GetNumberOfNodes(), 3);
        EXPECT_STREQ(t.net.GetNode(c)->GetId(), "@");
        EXPECT_EQ(Items(t.net.GetParents(c)), (std::vector<int>{x}));
        EXPECT_EQ(Entries(t.Definition(c)), (std::vector<double>{0.2, 0.8, 0.3, 0.7, 0.5, 0.5}));
        EXPECT_TRUE(t.Value(c)->HasFlag(ValueFlags::kEvidence));
        EXPECT_EQ(t.Value(c)->GetEvidence(), 0);
        EXPECT_TRUE(t.Value(x)->HasFlag(ValueFlags::kVirtualEvidence));
        EXPECT_EQ(t.net.propagationFlags, flags);
    }
    EXPECT_EQ(t.Handles(), before);
    EXPECT_EQ(t.net.GetNumberOfNodes(), 2);
    EXPECT_EQ(t.net.propagationFlags, flags);
}

TEST(TemporaryEvidenceNodes, WeightsAreReadAsTheValueStoresThem) {
    Net t;
    const int x = t.Add("x", 3);
    // (0.2, 1, 0.5) sums to 1.7 and is stored rescaled, so each row holds (w, 1 - w) of the stored weights.
    ASSERT_EQ(t.Value(x)->SetVirtualEvidence(Doubles({0.2, 1.0, 0.5})), kSuccess);
    TemporaryEvidenceNodes scope(&t.net);
    ASSERT_EQ(scope.GetNodes().GetCount(), 1);
    const std::vector<double> rows = Entries(t.Definition(scope.GetNodes()[0]));
    const double w[] = {0.2 / 1.7, 1.0 / 1.7, 0.5 / 1.7};
    ASSERT_EQ(rows.size(), 6u);
    for (int i = 0; i < 3; i++) {
        EXPECT_NEAR(rows[2 * i], w[i], kTolerance);
        EXPECT_NEAR(rows[2 * i + 1], 1.0 - w[i], kTolerance);
    }
}

TEST(TemporaryEvidenceNodes, HiddenVirtualEvidenceReturnsWithTheScopeEnd) {
    Net t;
    const int x = t.Add("x"), y = t.Add("y");
    ASSERT_EQ(t.Value(x)->SetVirtualEvidence(Doubles({0.4, 0.6})), kSuccess);
    ASSERT_EQ(t.Value(y)->SetVirtualEvidence(Doubles({0.9, 0.1})), kSuccess);
    {
        TemporaryEvidenceNodes scope(&t.net, true);
        EXPECT_EQ(scope.GetNodes().GetCount(), 2);
        EXPECT_FALSE(t.Value(x)->HasFlag(ValueFlags::kVirtualEvidence));
        // An update meanwhile adds no nodes of its own.
        TemporaryEvidenceNodes inner(&t.net);
        EXPECT_EQ(inner.GetNodes().GetCount(), 0);
    }
    EXPECT_TRUE(t.Value(x)->HasFlag(ValueFlags::kVirtualEvidence));
    EXPECT_TRUE(t.Value(y)->HasFlag(ValueFlags::kVirtualEvidence));
    EXPECT_EQ(t.net.GetNumberOfNodes(), 2);
}

TEST(TemporaryEvidenceNodes, NodeWhoseArcIsRefusedGetsNoTableAndGoesAgain) {
    Net t;
    const int x = t.Add("x");
    ASSERT_EQ(t.net.SetTemporalType(x, TemporalType::kTerminal), kSuccess);
    ASSERT_EQ(t.Value(x)->SetVirtualEvidence(Doubles({0.4, 0.6})), kSuccess);
    {
        TemporaryEvidenceNodes scope(&t.net);
        ASSERT_EQ(scope.GetNodes().GetCount(), 1);
        const int c = scope.GetNodes()[0];
        EXPECT_EQ(t.net.GetNumberOfParents(c), 0);
        EXPECT_FALSE(t.Value(c)->HasEvidence());
    }
    EXPECT_EQ(t.Handles(), (std::vector<int>{x}));
}

TEST(UpdateBeliefs, VirtualEvidenceWeighsThePosteriorAndLeavesNoNodeBehind) {
    Net t;
    const int x = t.Add("x", 3), y = t.Add("y");
    t.Arc(x, y);
    t.Table(x, {0.5, 0.3, 0.2});
    t.Table(y, {0.9, 0.1, 0.5, 0.5, 0.2, 0.8});
    ASSERT_EQ(t.Value(x)->SetVirtualEvidence(Doubles({0.2, 0.3, 0.5})), kSuccess);
    const std::vector<int> before = t.Handles();
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    const double z = 0.5 * 0.2 + 0.3 * 0.3 + 0.2 * 0.5;
    ExpectNear(t.Beliefs(x), {0.1 / z, 0.09 / z, 0.1 / z});
    const double y0 = (0.1 * 0.9 + 0.09 * 0.5 + 0.1 * 0.2) / z;
    ExpectNear(t.Beliefs(y), {y0, 1.0 - y0});
    EXPECT_EQ(t.Handles(), before);

    // The probability of evidence counts the likelihoods as findings.
    ASSERT_EQ(t.Value(y)->SetEvidence(1), kSuccess);
    const double pe = 0.1 * 0.1 + 0.09 * 0.5 + 0.1 * 0.8;
    for (bool chainRule : {false, true}) {
        double p = -5.0;
        ASSERT_TRUE(t.net.CalcPropEvidence(&p, chainRule));
        EXPECT_NEAR(p, pe, kTolerance) << chainRule;
        EXPECT_EQ(t.Handles(), before);
        EXPECT_TRUE(t.Value(x)->HasFlag(ValueFlags::kVirtualEvidence));
    }
}

// ---------------------------------------------------------------------------------------------------
// Probability of evidence

// a -> b -> c with b a copy of a and a, b, c observed: P(e) = P(a = 1) P(c = 0 | b = 1).
class ChainRuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        a = t.Add("a");
        b = t.Add("b");
        c = t.Add("c");
        d = t.Add("d");
        t.Arcs({{a, b}, {b, c}, {a, d}});
        t.Table(a, {0.3, 0.7});
        t.Table(b, {1.0, 0.0, 0.0, 1.0});
        t.Table(c, {0.2, 0.8, 0.45, 0.55});
        t.Table(d, {0.6, 0.4, 0.1, 0.9});
        ASSERT_EQ(t.Value(a)->SetEvidence(1), kSuccess);
        ASSERT_EQ(t.Value(b)->SetEvidence(1), kSuccess);
        ASSERT_EQ(t.Value(c)->SetEvidence(0), kSuccess);
    }

    // Flags, evidence and beliefs of every node.
    std::vector<std::pair<uint32_t, std::vector<double>>> State() const {
        std::vector<std::pair<uint32_t, std::vector<double>>> out;
        for (int h : {a, b, c, d}) {
            VRX_nodeValue* value = t.Value(h);
            std::vector<double> beliefs = t.Beliefs(h);
            beliefs.push_back(value->HasEvidence() ? value->GetEvidence() : -1);
            out.emplace_back(value->GetValueFlags(), beliefs);
        }
        return out;
    }

    Net t;
    int a = -1, b = -1, c = -1, d = -1;
    const double expected = 0.7 * 0.45;
};

TEST_F(ChainRuleTest, DeterministicConsequenceCountsOnceAndEveryFindingIsBackAfterwards) {
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    t.net.changeMask = 12;
    const int flags = t.net.propagationFlags;
    const auto state = State();
    double p = -5.0;
    ASSERT_TRUE(t.net.ChainRuleProbEvidence(p));
    EXPECT_NEAR(p, expected, kTolerance);
    EXPECT_EQ(State(), state);
    EXPECT_EQ(t.net.changeMask, 12);
    EXPECT_EQ(t.net.propagationFlags, flags);
    EXPECT_EQ(t.net.GetNumberOfTargets(), 0);
}

TEST_F(ChainRuleTest, NoticesLeftOffStayOff) {
    t.net.propagationFlags = 0;
    const auto state = State();
    double p = -5.0;
    ASSERT_TRUE(t.net.CalcPropEvidence(&p, true));
    EXPECT_NEAR(p, expected, kTolerance);
    EXPECT_EQ(t.net.propagationFlags, 0);
    EXPECT_EQ(State(), state);
}

TEST_F(ChainRuleTest, FailedUpdateRestoresEverythingAndReportsMinusOne) {
    // An algorithm code the dispatch does not know: every belief update fails.
    t.net.bnAlgorithm = 13;
    t.net.changeMask = 5;
    const int flags = t.net.propagationFlags;
    const auto state = State();
    double p = 0.0;
    EXPECT_FALSE(t.net.ChainRuleProbEvidence(p));
    EXPECT_EQ(p, -1.0);
    EXPECT_EQ(State(), state);
    EXPECT_EQ(t.net.changeMask, 5);
    EXPECT_EQ(t.net.propagationFlags, flags);
    // Clustering needs no belief update, so CalcPropEvidence still succeeds.
    ASSERT_TRUE(t.net.CalcPropEvidence(&p, false));
    EXPECT_NEAR(p, expected, kTolerance);
}

// One update per finding: 5,000 observed roots make 5,000 updates of 10,000 cells and 64 a node each,
// refused before the first, with nothing changed.
TEST(ChainRuleWork, ManyFindingsAreRefusedBeforeAnyUpdate) {
    Net t;
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(t.Value(t.Add(("n" + std::to_string(i)).c_str()))->SetEvidence(1), kSuccess);
    ASSERT_EQ(t.net.SetTarget(t.net.FindNode("n7")), kSuccess);
    errorLog.Flush();
    double p = 0.0;
    EXPECT_FALSE(t.net.CalcPropEvidence(&p, true));
    EXPECT_EQ(
        LastLogged(),
        "The probability of evidence by the chain rule would make 5000 belief updates, one per finding, of "
        "5000 nodes with tables of 10000 cells: the work of 1650000000 cells (64 a node besides its "
        "table), past the limit of 1073741824 cells");
    EXPECT_EQ(t.net.IsTarget(t.net.FindNode("n7")), 1);
    EXPECT_EQ(t.Value(t.net.FindNode("n4999"))->GetEvidence(), 1);
    EXPECT_EQ(p, -1.0);
    errorLog.Flush();
}

// Under a sampler each update draws its samples: three findings on a chain of four two-state nodes, each
// update counted over the findings and their ancestors (A 6 steps a sample, B, C and D 7 each: 27 steps,
// 675,000,000 cells for 100,000,000 samples, a cell for every 4 steps).
TEST(ChainRuleWork, SampledUpdatesCountTheirDraws) {
    Net t;
    const int a = t.Add("A"), b = t.Add("B"), c = t.Add("C"), d = t.Add("D");
    t.Arcs({{a, b}, {b, c}, {c, d}});
    for (int h : {a, b, d}) ASSERT_EQ(t.Value(h)->SetEvidence(0), kSuccess);
    t.net.SetBayesianAlgorithm(3);
    t.net.numSamples = 100000000;
    errorLog.Flush();
    double p = 0.0;
    EXPECT_FALSE(t.net.CalcPropEvidence(&p, true));
    EXPECT_EQ(
        LastLogged(),
        "The probability of evidence by the chain rule would make 3 belief updates, one per finding, of 4 "
        "nodes with tables of 14 cells: the work of 2025000000 cells (a cell for every 4 steps of the "
        "draws of its samples), past the limit of 1073741824 cells");
    EXPECT_EQ(p, -1.0);
    EXPECT_EQ(t.Value(d)->GetEvidence(), 0);
    errorLog.Flush();
}

// A band of 5,000 nodes of four parents each, every fifth observed: its join tree is counted eight times
// an entry, since each update propagates it, and 1,000 such updates are refused before the first. The
// last four nodes are read by no update (no finding below them).
TEST(ChainRuleWork, UpdatesThatPropagateAJoinTreeCountItsEntries) {
    Net t;
    ASSERT_EQ(vovido::test::BuildBand(t.net, 5000, 4), kSuccess);
    for (int i = 0; i < 5000; i += 5)
        ASSERT_EQ(t.Value(t.net.FindNode(("b" + std::to_string(i)).c_str()))->SetEvidence(0), kSuccess);
    errorLog.Flush();
    double p = 0.0;
    EXPECT_FALSE(t.net.CalcPropEvidence(&p, true));
    EXPECT_EQ(
        LastLogged(),
        "The probability of evidence by the chain rule would make 1000 belief updates, one per finding, of "
        "4996 nodes with tables of 159774 cells and a join tree of 95896 entries: the work of 1086912000 "
        "cells (8 a tree entry, 64 a node besides its table or tree), past the limit of 1073741824 cells");
    errorLog.Flush();
}

// A grid of 14 rows of 40 nodes, whose join tree over every node passes 2^28 entries: each update is counted
// over the part it reads. Findings on the first two nodes of the last row read their two columns; one on the
// last node reads the whole grid, whose tree no update can build, and is refused at once.
TEST(ChainRuleWork, EachUpdateIsCountedOverThePartItReads) {
    Net t;
    ASSERT_EQ(BuildGrid(t.net, 14, 2, 40), kSuccess);
    std::mt19937 rng(11);
    t.RandomTables(rng, 0.0);
    ASSERT_EQ(t.Value(t.net.FindNode("g520"))->SetEvidence(0), kSuccess);
    ASSERT_EQ(t.Value(t.net.FindNode("g521"))->SetEvidence(1), kSuccess);
    double chained = -1.0, clustered = -1.0;
    ASSERT_TRUE(t.net.CalcPropEvidence(&chained, true));
    ASSERT_TRUE(t.net.CalcPropEvidence(&clustered, false));
    EXPECT_NEAR(chained, clustered, kTolerance);
    ASSERT_EQ(t.net.ClearAllEvidence(), kSuccess);
    ASSERT_EQ(t.Value(t.net.FindNode("g559"))->SetEvidence(0), kSuccess);
    errorLog.Flush();
    EXPECT_FALSE(t.net.CalcPropEvidence(&chained, true));
    EXPECT_EQ(
        LastLogged(),
        "The probability of evidence by the chain rule would fail at its update for [g559], finding 1 of "
        "1: the join tree of the part it reads is too large to build");
    EXPECT_EQ(t.Value(t.net.FindNode("g559"))->GetEvidence(), 0);
    errorLog.Flush();
}

// On the same grid, only the findings and their ancestors are read: no finding has probability 1, and a
// finding on the root g0 (no parent to mark) or on g1 below it is answered from their tables by both
// methods, where the tree of the whole grid cannot be built.
TEST(ProbabilityOfEvidence, OnlyTheFindingsAndTheirAncestorsAreRead) {
    Net t;
    ASSERT_EQ(BuildGrid(t.net, 14, 2, 40), kSuccess);
    std::mt19937 rng(11);
    t.RandomTables(rng, 0.0);
    const int g0 = t.net.FindNode("g0"), g1 = t.net.FindNode("g1");
    const VRX_Dmatrix& root = t.Definition(g0);
    const VRX_Dmatrix& child = t.Definition(g1);  // indexed [g0][g1]
    const struct {
        std::vector<std::pair<int, int>> findings;
        double expected;
    } cases[] = {{{}, 1.0}, {{{g0, 1}}, root[1]}, {{{g0, 0}, {g1, 1}}, root[0] * child[1]}};
    for (const auto& c : cases) {
        ASSERT_EQ(t.net.ClearAllEvidence(), kSuccess);
        for (const auto& [h, outcome] : c.findings) t.Observe(h, outcome);
        for (bool chainRule : {false, true}) {
            double p = -1.0;
            ASSERT_TRUE(t.net.CalcPropEvidence(&p, chainRule)) << c.findings.size() << LogDump();
            EXPECT_NEAR(p, c.expected, kTolerance) << c.findings.size() << " chain rule " << chainRule;
        }
    }
    errorLog.Flush();
}

// Findings on equation nodes have densities, which neither method computes: refused by both, naming the
// node, with the evidence kept.
TEST(ProbabilityOfEvidence, FindingsOnEquationNodesAreRefusedNamingTheNode) {
    for (bool chainRule : {false, true}) {
        Net t;
        ASSERT_EQ(BuildEquationChain(t.net, 3, 1.0), kSuccess);
        errorLog.Flush();
        double p = 0.0;
        EXPECT_FALSE(t.net.CalcPropEvidence(&p, chainRule));
        EXPECT_EQ(p, -1.0);
        EXPECT_EQ(
            LastLogged(),
            "ERROR: The probability of evidence is refused: node [e2] is an equation node with evidence, "
            "and only findings on discrete nodes have a probability");
        EXPECT_TRUE(t.Value(t.net.FindNode("e2"))->HasFlag(ValueFlags::kEvidence));
        errorLog.Flush();
    }
}

TEST_F(ChainRuleTest, CalcPropEvidenceLeavesTheTargetMarksAsFound) {
    for (const std::vector<int>& targets :
         {std::vector<int>{}, std::vector<int>{b, d}, std::vector<int>{c}}) {
        t.net.ClearAllTargets();
        for (int h : targets) ASSERT_EQ(t.net.SetTarget(h), kSuccess);
        for (bool chainRule : {false, true}) {
            double p = -5.0;
            ASSERT_TRUE(t.net.CalcPropEvidence(&p, chainRule));
            EXPECT_NEAR(p, expected, kTolerance);
            std::vector<int> now;
            for (int h : {a, b, c, d}) {
                if (t.net.IsTarget(h) == 1) now.push_back(h);
            }
            EXPECT_EQ(now, targets);
            EXPECT_EQ(t.net.GetNumberOfTargets(), static_cast<int>(targets.size()));
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// A known network: "visit to Asia", against reference posteriors of an independent engine.

TEST(UpdateBeliefs, AsiaPosteriorsMatchTheReference) {
    Asia n(Notices::kOn);
    TestNetwork& t = n.t;
    ASSERT_EQ(t.Value(n.bronc)->SetEvidence(1), kSuccess);
    ASSERT_EQ(t.Value(n.dysp)->SetEvidence(1), kSuccess);
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    const double reference[][2] = {{0.009738080893, 0.990261919107},
                                   {0.00359285469139, 0.996407145309},
                                   {0.349396325037, 0.650603674963},
                                   {0.0147608540643, 0.985239145936},
                                   {0, 1},
                                   {0.0182001958734, 0.981799804127},
                                   {0.0669261821623, 0.933073817838},
                                   {0, 1}};
    const int nodes[] = {n.asia, n.tub, n.smoke, n.lung, n.bronc, n.either, n.xray, n.dysp};
    for (int i = 0; i < 8; i++) ExpectNear(t.Beliefs(nodes[i]), {reference[i][0], reference[i][1]}, 1e-9);
    double pe = 0.0;
    ASSERT_TRUE(t.net.CalcPropEvidence(&pe, false));
    EXPECT_NEAR(pe, 0.47761464, 1e-12);
}

}  // namespace
