// Influence-diagram solvers: the oil wildcatter by hand, small random diagrams against every policy,
// messages and refusals, and the caller's network left as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/error_log.h"
#include "base/number_text.h"
#include "definitions/mau.h"
#include "inference/id_best_policy.h"
#include "inference/id_policy_evaluation.h"
#include "tests/inference/influence_diagrams.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"

namespace {

using influence_diagrams::BuildWildcatter;
using vovido::test::AddNode;
using vovido::test::Def;
using vovido::test::Entries;
using vovido::test::ExpectNear;
using vovido::test::Logged;

std::vector<double> ValueOf(VRX_network& net, const char* id) {
    VRX_Dmatrix* m = nullptr;
    EXPECT_EQ(net.GetNode(net.FindNode(id))->GetValue()->GetValue(m), kSuccess);
    return Entries(*m);
}

int Solve(VRX_network& net, int algorithm) {
    net.SetInfluenceDiagramAlgorithm(algorithm);
    return net.UpdateBeliefs();
}

// The structure and evidence of a network, to check that a solver left them alone.
std::vector<std::vector<int>> Shape(const VRX_network& net) {
    std::vector<std::vector<int>> shape;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        std::vector<int> row{h, net.GetNodeType(h), net.GetNode(h)->GetValue()->GetEvidence()};
        const VRX_intArray& parents = net.GetParents(h);
        for (int k = 0; k < parents.GetCount(); k++) row.push_back(parents[k]);
        shape.push_back(row);
    }
    return shape;
}

TEST(PolicyEvaluation, WildcatterTestsThenDrillsUnlessDiffuse) {
    VRX_network net;
    BuildWildcatter(net);
    const auto before = Shape(net);
    errorLog.Flush();
    ASSERT_EQ(Solve(net, 0), kSuccess) << vovido::test::LogDump();
    EXPECT_EQ(Shape(net), before);
    ExpectNear(ValueOf(net, "Test"), {22.5, 20.0});
    // Drill by (Test, Seismic): total utility, test cost included.
    ExpectNear(ValueOf(net, "Drill"), {21 / 0.24 - 10, -10, 11.5 / 0.35 - 10, -10, -12.5 / 0.41 - 10, -10,  //
                                       20, 0, 20, 0, 20, 0});
    ExpectNear(ValueOf(net, "Seismic"), {0.24, 0.35, 0.41, 1.0 / 3, 1.0 / 3, 1.0 / 3});
    // Oil given (Test, Seismic, Drill): the first scenario is (yes, closed, yes).
    const std::vector<double> oil = ValueOf(net, "Oil");
    ASSERT_EQ(oil.size(), 36u);
    ExpectNear({oil[0], oil[1], oil[2]}, {0.05 / 0.24, 0.09 / 0.24, 0.1 / 0.24});
    const std::vector<double> payoff = ValueOf(net, "Payoff");
    ASSERT_EQ(payoff.size(), 12u);
    EXPECT_NEAR(payoff[0], 21 / 0.24, 1e-9);
    EXPECT_TRUE(net.GetNode(net.FindNode("Test"))->GetValue()->IsUpToDate());
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << vovido::test::LogDump();
}

TEST(PolicyEvaluation, ObservedDecisionKeepsItsEvidence) {
    VRX_network net;
    BuildWildcatter(net);
    ASSERT_EQ(net.GetNode(net.FindNode("Test"))->GetValue()->SetEvidence(1), kSuccess);
    ASSERT_EQ(Solve(net, 0), kSuccess);
    EXPECT_EQ(net.GetNode(net.FindNode("Test"))->GetValue()->GetEvidence(), 1);
    // Without a test the seismic result is noise: drilling is worth 20 whatever it says.
    ExpectNear(ValueOf(net, "Drill"), {20, 0, 20, 0, 20, 0});
}

TEST(BestPolicy, WildcatterChoosesToTestAndFollowsTheResult) {
    VRX_network net;
    BuildWildcatter(net);
    const auto before = Shape(net);
    ASSERT_EQ(Solve(net, 1), kSuccess) << vovido::test::LogDump();
    EXPECT_EQ(Shape(net), before);
    EXPECT_EQ(ValueOf(net, "Test"), (std::vector<double>{1, 0}));

    const int test = net.FindNode("Test");
    const int seismic = net.FindNode("Seismic");
    ASSERT_EQ(net.GetNode(test)->GetValue()->SetEvidence(0), kSuccess);
    for (int result : {0, 1, 2}) {
        ASSERT_EQ(net.GetNode(seismic)->GetValue()->SetEvidence(result), kSuccess);
        ASSERT_EQ(Solve(net, 1), kSuccess) << vovido::test::LogDump();
        EXPECT_EQ(ValueOf(net, "Drill"),
                  (std::vector<double>{result == 2 ? 0.0 : 1.0, result == 2 ? 1.0 : 0.0}))
            << result;
    }
}

TEST(InfluenceDiagrams, RandomDiagramsAgreeWithEveryPolicyTried) {
    for (unsigned seed = 1; seed <= 12; seed++) {
        std::mt19937 rng(seed);
        VRX_network net;
        const auto d = influence_diagrams::BuildRandomDiagram(net, rng, 3, seed % 3 == 0 ? 1 : 2, 2);
        std::vector<int> bestFirst;
        const double meu = influence_diagrams::BruteForceMeu(net, d, &bestFirst);
        PolicyEvaluator evaluator;
        ASSERT_EQ(evaluator.Run(net), kSuccess) << seed << vovido::test::LogDump();
        EXPECT_NEAR(evaluator.GetMaximumExpectedUtility(), meu, 1e-9) << seed;
        // The first decision's best choice for each outcome of c0 agrees with best policy given c0.
        const std::vector<double> first = ValueOf(net, "d0");
        ASSERT_EQ(first.size(), 4u);
        for (int c = 0; c < 2; c++) {
            // A decision that changes nothing has no best choice to compare.
            if (std::abs(first[2 * c + 1] - first[2 * c]) < 1e-9) continue;
            VRX_network observed(net);
            ASSERT_EQ(observed.GetNode(observed.FindNode("c0"))->GetValue()->SetEvidence(c), kSuccess);
            ASSERT_EQ(Solve(observed, 1), kSuccess) << seed << vovido::test::LogDump();
            const int expected = first[2 * c + 1] > first[2 * c] ? 1 : 0;
            EXPECT_EQ(ValueOf(observed, "d0")[expected], 1.0) << seed << " c0=" << c;
            EXPECT_EQ(bestFirst[c], expected) << seed;
        }
    }
}

TEST(InfluenceDiagrams, MauWeightsSteerBothSolvers) {
    VRX_network net;
    AddNode(net, DefinitionType::kList, "D", {});
    AddNode(net, DefinitionType::kTable, "U1", {"D"});
    AddNode(net, DefinitionType::kTable, "U2", {"D"});
    influence_diagrams::SetUtilities(net, "U1", {1, 0});
    influence_diagrams::SetUtilities(net, "U2", {0, 1.5});
    AddNode(net, DefinitionType::kMau, "M", {"U1", "U2"});
    // Equal weights favour the second choice (1.5 > 1); weights 2 and 1 the first (2 > 1.5).
    ASSERT_EQ(Solve(net, 0), kSuccess) << vovido::test::LogDump();
    ExpectNear(ValueOf(net, "D"), {1, 1.5});
    ASSERT_EQ(Def(net, "M").SetDefinitionDoubles(vovido::test::Doubles({2, 1})), kSuccess);
    ASSERT_EQ(Solve(net, 0), kSuccess);
    ExpectNear(ValueOf(net, "D"), {2, 1.5});
    ExpectNear(ValueOf(net, "M"), {2, 1.5});
    ASSERT_EQ(Solve(net, 1), kSuccess) << vovido::test::LogDump();
    EXPECT_EQ(ValueOf(net, "D"), (std::vector<double>{1, 0}));
}

TEST(InfluenceDiagrams, TwoTerminalUtilitiesAreSummedWithoutANewNode) {
    VRX_network net;
    BuildWildcatter(net);
    const int count = net.GetNumberOfNodes();
    ASSERT_EQ(Solve(net, 0), kSuccess);
    EXPECT_EQ(net.GetNumberOfNodes(), count);
    // Best choice without a test is 20, beaten by testing (22.5) only through the sum of both.
    ExpectNear(ValueOf(net, "Test"), {22.5, 20});
}

TEST(InfluenceDiagrams, MessagesAndRefusals) {
    struct Case {
        const char* name;
        int algorithm;
        void (*build)(VRX_network&);
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"no utility", 0,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D", {});
             AddNode(net, DefinitionType::kCpt, "C", {"D"});
         },
         kSuccess, "Utilities not specified. Policies cannot be evaluated"},
        {"unobserved parent", 1,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kCpt, "C", {});
             AddNode(net, DefinitionType::kList, "D", {"C"});
             AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
         },
         kOutOfRange, "Can't solve this network using best policy algorithm"},
        {"all decided", 1,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D", {});
             AddNode(net, DefinitionType::kTable, "U", {"D"});
             ASSERT_EQ(net.GetNode(net.FindNode("D"))->GetValue()->SetEvidence(0), kSuccess);
         },
         kOutOfRange, "Error when running Shachter's algorithm"},
        {"too many parents", 1,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D", {});
             for (int i = 0; i < 13; i++)
                 AddNode(net, DefinitionType::kCpt, ("C" + std::to_string(i)).c_str(), {});
             AddNode(net, DefinitionType::kTable, "U1", {"D", "C0", "C1", "C2", "C3", "C4", "C5"});
             AddNode(net, DefinitionType::kTable, "U2", {"C6", "C7", "C8", "C9", "C10", "C11", "C12"});
         },
         kOutOfRange,
         "Cannot solve this network using SHACHTER's algorithm. Error while merging utility nodes (too many "
         "parents)"},
        {"order assumed", 0,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "First", {});
             AddNode(net, DefinitionType::kList, "Second", {});
             AddNode(net, DefinitionType::kTable, "U", {"First", "Second"});
         },
         kSuccess, "Temporal order assumed: node [First] before node [Second]"},
    };
    for (const Case& c : cases) {
        VRX_network net;
        c.build(net);
        const auto before = Shape(net);
        errorLog.Flush();
        EXPECT_EQ(Solve(net, c.algorithm), c.code) << c.name;
        EXPECT_TRUE(Logged(c.code == kSuccess ? kOutOfRange : c.code, c.message)) << c.name << "\n"
                                                                                  << vovido::test::LogDump();
        EXPECT_EQ(Shape(net), before) << c.name;
    }
}

TEST(InfluenceDiagrams, NoUtilityGivesPlainBeliefs) {
    VRX_network net;
    AddNode(net, DefinitionType::kList, "D", {});
    AddNode(net, DefinitionType::kCpt, "C", {"D"});
    ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(vovido::test::Doubles({0.2, 0.8, 0.6, 0.4})), kSuccess);
    ASSERT_EQ(Solve(net, 0), kSuccess);
    ExpectNear(ValueOf(net, "C"), {0.4, 0.6});
    EXPECT_FALSE(net.GetNode(net.FindNode("D"))->GetValue()->IsUpToDate());
}

TEST(InfluenceDiagrams, ImpossibleScenariosStayUndefinedAndOutOfTheFoldBack) {
    // C is observed before D but can only be c0: every scenario with c1 is impossible.
    VRX_network net;
    AddNode(net, DefinitionType::kCpt, "C", {});
    ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(vovido::test::Doubles({1, 0})), kSuccess);
    AddNode(net, DefinitionType::kList, "D", {"C"});
    AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
    influence_diagrams::SetUtilities(net, "U", {3, 1000, 5, -1000});
    PolicyEvaluator evaluator;
    errorLog.Flush();
    ASSERT_EQ(evaluator.Run(net), kSuccess) << vovido::test::LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << vovido::test::LogDump();
    EXPECT_NEAR(evaluator.GetMaximumExpectedUtility(), 5, 1e-12);
    const std::vector<double> d = ValueOf(net, "D");
    ASSERT_EQ(d.size(), 4u);
    EXPECT_NEAR(d[0], 3, 1e-12);
    EXPECT_NEAR(d[1], 5, 1e-12);
    EXPECT_EQ(d[2], kUndefinedValue);
    EXPECT_EQ(d[3], kUndefinedValue);
}

TEST(InfluenceDiagrams, ImpossibleEvidenceFailsWithAMessage) {
    VRX_network net;
    AddNode(net, DefinitionType::kCpt, "C", {});
    ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(vovido::test::Doubles({1, 0})), kSuccess);
    AddNode(net, DefinitionType::kList, "D", {});
    AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
    net.propagationFlags &= ~PropagationFlags::kNotices;
    ASSERT_EQ(net.GetNode(net.FindNode("C"))->GetValue()->SetEvidence(1), kSuccess);
    errorLog.Flush();
    EXPECT_NE(Solve(net, 0), kSuccess);
    EXPECT_TRUE(Logged(kConflictingEvidence, "Error when running Cooper's algorithm"))
        << vovido::test::LogDump();
    EXPECT_FALSE(net.GetNode(net.FindNode("D"))->GetValue()->IsUpToDate());
}

}  // namespace
