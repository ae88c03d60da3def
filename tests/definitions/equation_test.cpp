// Equation definitions of both kinds (parents and equation kept in step, refusals with their texts,
// intervals, renames, copies) and the values of continuous nodes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"

namespace {

using vovido::test::AddComponentNode;
using vovido::test::AddEquation;
using vovido::test::ComponentOf;
using vovido::test::EquationOf;
using vovido::test::LastLogged;
using vovido::test::TextOf;
using vovido::test::ValueOf;

std::vector<std::string> ParentIds(const VRX_network& net, int h) {
    std::vector<std::string> ids;
    const VRX_intArray& parents = net.GetParents(h);
    for (int i = 0; i < parents.GetCount(); ++i) ids.emplace_back(net.GetNode(parents[i])->GetId());
    return ids;
}

class EquationDefinitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        errorLog.Flush();
        a = AddEquation(net, "a", "a = 1");
        b = AddEquation(net, "b", "b = 2");
        x = AddEquation(net, "x");
    }
    void TearDown() override { errorLog.Flush(); }

    VRX_network net;
    int a = -1, b = -1, x = -1;
};

TEST_F(EquationDefinitionTest, NewNodeAndArcEditsKeepTheEquationInStep) {
    EXPECT_EQ(EquationOf(net, x).GetType(), 4);
    EXPECT_STREQ(EquationOf(net, x).GetTypeName(), "EQUATION");
    EXPECT_EQ(ValueOf(net, x).GetType(), 8);
    EXPECT_EQ(TextOf(net, x), "x=0");
    EXPECT_EQ(EquationOf(net, x).GetLowerBound(), -1.0);
    EXPECT_EQ(EquationOf(net, x).GetUpperBound(), 1.0);
    ASSERT_EQ(net.AddArc(a, x), kSuccess);
    EXPECT_EQ(TextOf(net, x), "x=a");
    ASSERT_EQ(net.AddArc(b, x), kSuccess);
    EXPECT_EQ(TextOf(net, x), "x=a+b");
    ASSERT_EQ(net.RemoveArc(a, x), kSuccess);
    EXPECT_EQ(TextOf(net, x), "x=b");
    ASSERT_EQ(net.RemoveArc(b, x), kSuccess);
    EXPECT_EQ(TextOf(net, x), "x=0");
    // Deleting a parent removes its arc the same way. Each rewrite is said, naming the node and what its
    // equation became; setting an equation rebuilds the arcs without a word.
    errorLog.Flush();
    ASSERT_EQ(EquationOf(net, x).SetEquation("x = 2*a*b + 1", nullptr, nullptr), kSuccess);
    EXPECT_EQ(vovido::test::LogDump(), "");
    ASSERT_EQ(net.DeleteNode(a), kSuccess);
    EXPECT_EQ(TextOf(net, x), "x=b");
    EXPECT_EQ(vovido::test::LoggedMessages(),
              std::vector<std::string>{"Node [x] : the removal of its parent [a] rewrote its "
                                       "equation as \"x=b\", the sum of the parents left."});
    errorLog.Flush();
}

TEST_F(EquationDefinitionTest, SetEquationRebuildsTheParentsFromTheText) {
    ASSERT_EQ(net.AddArc(a, x), kSuccess);
    ASSERT_EQ(EquationOf(net, x).SetEquation("x = 2*x + b", nullptr, nullptr), kSuccess);
    EXPECT_EQ(ParentIds(net, x), std::vector<std::string>{"b"});
    EXPECT_EQ(TextOf(net, x), "x=2*x+b");
    // Parents follow the order of the names in the text.
    ASSERT_EQ(EquationOf(net, x).SetEquation("x = b - a", nullptr, nullptr), kSuccess);
    EXPECT_EQ(ParentIds(net, x), (std::vector<std::string>{"b", "a"}));
    EXPECT_FALSE(EquationOf(net, x).GetEquation().hasDistribution);
    ASSERT_EQ(EquationOf(net, x).SetEquation("x = Normal(a, 1)", nullptr, nullptr), kSuccess);
    EXPECT_TRUE(EquationOf(net, x).GetEquation().hasDistribution);
}

TEST_F(EquationDefinitionTest, RefusedEquationsLeaveEquationAndArcsUnchanged) {
    const int y = AddEquation(net, "y", "y = x");  // a child of x
    ASSERT_EQ(EquationOf(net, x).SetEquation("x = a", nullptr, nullptr), kSuccess);
    struct Case {
        const char* text;
        const char* message;
        int position;
    } cases[] = {
        {"", "Equation cannot be empty.", -1},
        {"x + 1", "Toplevel '=' sign missing in equation", 5},
        {"x = y", "Node y can't be used in equation for current node, because it would result in a cycle.",
         4},
        {"x = q + 1", "Unknown node identifier: q", 4},
        {"x = qa + q", "Unknown node identifier: qa", 4},
        {"x = a*q2 + q", "Unknown node identifier: q2", 6},
        {"x = (a", "')' expected", 6},
    };
    for (const Case& c : cases) {
        errorLog.Flush();
        int position = -1;
        std::string message;
        EXPECT_EQ(EquationOf(net, x).SetEquation(c.text, &position, &message), kOutOfRange) << c.text;
        EXPECT_EQ(message, c.message) << c.text;
        EXPECT_EQ(position, c.position) << c.text;
        EXPECT_EQ(LastLogged(), c.message);
        EXPECT_EQ(errorLog.GetCode(0), kOutOfRange);
        EXPECT_EQ(TextOf(net, x), "x=a");
        EXPECT_EQ(ParentIds(net, x), std::vector<std::string>{"a"});
    }
    EXPECT_EQ(EquationOf(net, x).SetEquation(nullptr, nullptr, nullptr), kOutOfRange);
    EXPECT_EQ(ParentIds(net, y), std::vector<std::string>{"x"});
}

TEST_F(EquationDefinitionTest, OnlyEquationNodesMayBeParents) {
    const int c = net.AddNode(DefinitionType::kCpt, "c");
    errorLog.Flush();
    EXPECT_NE(net.AddArc(c, x), kSuccess);
    // The definition's words name no node: the network's refusal names both instead.
    EXPECT_EQ(vovido::test::LoggedMessages(),
              std::vector<std::string>{"Arc rejected by child node [x]: an equation node does not "
                                       "take a chance node [c] as a parent"});
    EXPECT_EQ(net.GetNumberOfParents(x), 0);
    EXPECT_EQ(TextOf(net, x), "x=0");
    // A text naming it is accepted; the refused arc stays out.
    EXPECT_EQ(EquationOf(net, x).SetEquation("x = c + a", nullptr, nullptr), kSuccess);
    EXPECT_EQ(ParentIds(net, x), std::vector<std::string>{"a"});
}

TEST_F(EquationDefinitionTest, RenamesReachParentsAndTheNodeItself) {
    ASSERT_EQ(EquationOf(net, x).SetEquation("x = cos(x) + a*a", nullptr, nullptr), kSuccess);
    ASSERT_EQ(net.GetNode(a)->SetId("alpha"), kSuccess);
    EXPECT_EQ(TextOf(net, x), "x=Cos(x)+alpha*alpha");
    ASSERT_EQ(net.GetNode(x)->SetId("z"), kSuccess);
    EXPECT_EQ(TextOf(net, x), "z=Cos(z)+alpha*alpha");
}

TEST_F(EquationDefinitionTest, DiscretisationIntervals) {
    VRX_equation& e = EquationOf(net, x);
    double lower = 0.0;
    double upper = 0.0;
    EXPECT_EQ(e.GetIntervalBounds(0, lower, upper), kWrongNodeType);
    e.SetBounds(0.0, 10.0);
    EXPECT_EQ(e.SetDiscIntervals({{"lo", 2.0}}), kOutOfRange);
    EXPECT_EQ(e.SetDiscIntervals({{"lo", 2.0}, {"lo", 5.0}}), kIllegalIdentifier);
    EXPECT_EQ(e.SetDiscIntervals({{"lo", 2.0}, {"2hi", 5.0}}), kIllegalIdentifier);
    EXPECT_EQ(e.SetDiscIntervals({{"a", 5.0}, {"b", 5.0}, {"c", 7.0}}), kInvalidData);
    EXPECT_EQ(e.SetDiscIntervals({{"a", 0.0}, {"b", 5.0}}), kInvalidData);
    EXPECT_EQ(e.SetDiscIntervals({{"a", 2.0}, {"b", 10.0}, {"c", 11.0}}), kInvalidData);
    EXPECT_TRUE(e.GetIntervals().empty());
    // Two entries: only the first upper is checked, the last becomes the upper bound.
    ASSERT_EQ(e.SetDiscIntervals({{"a", 2.0}, {"b", 99.0}}), kSuccess);
    EXPECT_EQ(e.GetIntervals().back().upper, 10.0);
    ASSERT_EQ(e.SetDiscIntervals({{"a", 2.0}, {"b", 5.0}, {"c", -3.0}}), kSuccess);
    const double spans[][2] = {{0, 2}, {2, 5}, {5, 10}};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(e.GetIntervalBounds(i, lower, upper), kSuccess);
        EXPECT_EQ(lower, spans[i][0]);
        EXPECT_EQ(upper, spans[i][1]);
    }
    EXPECT_EQ(e.GetIntervalBounds(3, lower, upper), kOutOfRange);
    EXPECT_EQ(e.GetIntervalBounds(-1, lower, upper), kOutOfRange);
    e.SetBounds(0.0, 20.0);
    ASSERT_EQ(e.GetIntervalBounds(2, lower, upper), kSuccess);
    EXPECT_EQ(lower, 5.0);
    EXPECT_EQ(upper, 20.0);
}

TEST_F(EquationDefinitionTest, CopiesCarryTheWholeDefinition) {
    ASSERT_EQ(EquationOf(net, x).SetEquation("x = a + b/2", nullptr, nullptr), kSuccess);
    EquationOf(net, x).SetBounds(-5.0, 5.0);
    ASSERT_EQ(EquationOf(net, x).SetDiscIntervals({{"low", 0.0}, {"high", 5.0}}), kSuccess);
    const int y = AddComponentNode(net, "y", {"a"}, {"x"}, "y = a - x");
    ASSERT_GE(y, 0);
    const VRX_network copy(net);
    EXPECT_EQ(TextOf(copy, x), "x=a+b/2");
    EXPECT_EQ(EquationOf(copy, x).GetLowerBound(), -5.0);
    EXPECT_EQ(EquationOf(copy, x).GetIntervals().size(), 2u);
    EXPECT_EQ(TextOf(copy, y), "y=a-x");
    EXPECT_EQ(ComponentOf(copy, y).GetMembers().count("x"), 1u);

    // CopyFrom: another kind gives -2 and keeps the equation; an equation is taken over.
    const int c = net.AddNode(DefinitionType::kCpt, "c");
    EXPECT_EQ(EquationOf(net, b).CopyFrom(*net.GetNode(c)->GetDefinition()), kOutOfRange);
    EXPECT_EQ(TextOf(net, b), "b=2");
    ASSERT_EQ(EquationOf(net, b).CopyFrom(EquationOf(net, x)), kSuccess);
    EXPECT_EQ(TextOf(net, b), "x=a+b/2");
}

// ---------------------------------------------------------------------------------------------------
// Strongly coupled component nodes

TEST_F(EquationDefinitionTest, ComponentEquationFollowsArcsAndMembers) {
    const int y = net.AddNode(DefinitionType::kEquationScc, "y");
    EXPECT_EQ(ComponentOf(net, y).GetType(), 1028);
    EXPECT_STREQ(ComponentOf(net, y).GetTypeName(), "EQUATION_SCC");
    EXPECT_EQ(TextOf(net, y), "y=0");
    ASSERT_EQ(net.AddArc(a, y), kSuccess);
    ASSERT_EQ(net.AddArc(b, y), kSuccess);
    EXPECT_EQ(TextOf(net, y), "y=a+b");
    ASSERT_EQ(net.RemoveArc(a, y), kSuccess);
    EXPECT_EQ(TextOf(net, y), "y=b");
    ASSERT_EQ(net.RemoveArc(b, y), kSuccess);
    EXPECT_EQ(TextOf(net, y), "y=0");

    ASSERT_EQ(net.AddArc(a, y), kSuccess);
    ASSERT_EQ(net.AddArc(b, y), kSuccess);
    ASSERT_EQ(net.AddArc(x, y), kSuccess);
    ASSERT_EQ(ComponentOf(net, y).SetMembers({"n", "m"}), kSuccess);
    std::string text;
    ComponentOf(net, y).GetEquationText(text);
    EXPECT_EQ(text, "y = m + n");
    ASSERT_EQ(net.RemoveArc(x, y), kSuccess);
    EXPECT_EQ(TextOf(net, y), "y=m+n+a+b");
    EXPECT_EQ(ComponentOf(net, y).SetMembers({"y"}), kOutOfRange);
    EXPECT_EQ(ComponentOf(net, y).SetMembers({"9lives"}), kIllegalIdentifier);
}

TEST_F(EquationDefinitionTest, ComponentEquationNamesOnlyItsNodeParentsAndMembers) {
    const int y = AddComponentNode(net, "y", {"a"}, {"m"}, "y = a + m");
    ASSERT_GE(y, 0);
    errorLog.Flush();
    EXPECT_EQ(ComponentOf(net, y).SetEquation("y = a + b"), kOutOfRange);
    EXPECT_EQ(LastLogged(),
              "Equation contains a variable (b) which is not ID of this node, one of its parents, "
              "or one of its scc varaibles.");
    EXPECT_EQ(ComponentOf(net, y).SetEquation("y = "), kOutOfRange);
    EXPECT_EQ(LastLogged(), "Equation syntax error");
    EXPECT_EQ(ComponentOf(net, y).SetEquation(""), kOutOfRange);
    EXPECT_EQ(LastLogged(), "Equation cannot be empty.");
    EXPECT_EQ(TextOf(net, y), "y=a+m");
    // Arcs are not rebuilt from the text.
    EXPECT_EQ(ParentIds(net, y), std::vector<std::string>{"a"});
}

// ---------------------------------------------------------------------------------------------------
// Values of continuous nodes

TEST(ContinuousValues, SamplesGiveMeanAndPopulationDeviation) {
    VRX_network net;
    const int x = AddEquation(net, "x");
    VRX_valEqEvaluation& v = ValueOf(net, x);
    EXPECT_EQ(v.GetMean(), -1.0);
    EXPECT_EQ(v.GetStdDev(), -1.0);
    v.ClearSamples();
    for (double s : {1.0, 2.0, 3.0}) v.AddSample(s);
    EXPECT_FALSE(v.IsUpToDate());
    EXPECT_TRUE(v.ComputeStatistics());
    EXPECT_TRUE(v.IsUpToDate());
    EXPECT_DOUBLE_EQ(v.GetMean(), 2.0);
    EXPECT_DOUBLE_EQ(v.GetStdDev(), std::sqrt(2.0 / 3.0));
    EXPECT_EQ(v.GetSamples().size(), 3u);

    v.SetKeepSamples(false);
    v.ClearSamples();
    // Far from 0 and all alike: the deviation is exactly 0, not rounding noise.
    for (int i = 0; i < 1000; ++i) v.AddSample(1e8 + 0.1);
    EXPECT_TRUE(v.ComputeStatistics());
    EXPECT_TRUE(v.GetSamples().empty());
    EXPECT_EQ(v.GetSampleCount(), 1000);
    EXPECT_EQ(v.GetMean(), 1e8 + 0.1);
    EXPECT_EQ(v.GetStdDev(), 0.0);
}

TEST(ContinuousValues, WeightedSamples) {
    VRX_network net;
    VRX_valEqEvaluation& v = ValueOf(net, AddEquation(net, "x"));
    v.SetWeightedSamples({{1.0, 0.0}, {3.0, 0.0}});
    EXPECT_DOUBLE_EQ(v.GetMean(), 2.0);
    EXPECT_DOUBLE_EQ(v.GetStdDev(), 1.0);
    v.SetWeightedSamples({{1.0, 1.0}, {4.0, 3.0}});
    EXPECT_DOUBLE_EQ(v.GetMean(), 3.25);
    EXPECT_DOUBLE_EQ(v.GetStdDev(), std::sqrt(27.0) / 4.0);
    v.SetWeightedSamples({{7.0, 1.0}, {4.0, -1.0}});
    EXPECT_EQ(v.GetMean(), 7.0);
    EXPECT_EQ(v.GetStdDev(), 0.0);
    EXPECT_TRUE(v.IsUpToDate());
}

TEST(ContinuousValues, EvidenceFlags) {
    VRX_network net;
    const int x = AddEquation(net, "x");
    VRX_valEqEvaluation& v = ValueOf(net, x);
    double observed = 0.0;
    EXPECT_EQ(v.ClearEvidence(), kOutOfRange);
    EXPECT_EQ(v.ClearPropagatedEvidence(), kOutOfRange);
    ASSERT_EQ(v.SetContEvidence(2.5), kSuccess);
    EXPECT_EQ(v.GetValueFlags(), ValueFlags::kEvidence | ValueFlags::kUpToDate);
    ASSERT_EQ(v.GetContEvidence(observed), kSuccess);
    EXPECT_EQ(observed, 2.5);
    EXPECT_EQ(v.ClearPropagatedEvidence(), kOutOfRange);
    ASSERT_EQ(v.SetPropagatedContEvidence(4.0), kSuccess);
    EXPECT_EQ(v.GetValueFlags(),
              ValueFlags::kEvidence | ValueFlags::kUpToDate | ValueFlags::kPropagatedEvidence);
    EXPECT_EQ(v.ClearPropagatedEvidence(), kSuccess);
    EXPECT_EQ(v.GetValueFlags(), 0u);
    ASSERT_EQ(v.SetContEvidence(1.0), kSuccess);
    EXPECT_EQ(v.ClearEvidence(), kSuccess);
    EXPECT_EQ(v.GetValueFlags(), 0u);
    // No matrix and no discrete evidence.
    VRX_Dmatrix* matrix = nullptr;
    EXPECT_EQ(v.GetValue(matrix), kWrongNodeType);
    EXPECT_EQ(v.SetEvidence(0), kWrongNodeType);
    EXPECT_EQ(v.GetEvidence(), kWrongNodeType);
    // A copy of a node with evidence keeps it.
    ASSERT_EQ(v.SetContEvidence(3.0), kSuccess);
    const VRX_network copy(net);
    ASSERT_EQ(ValueOf(copy, x).GetContEvidence(observed), kSuccess);
    EXPECT_EQ(observed, 3.0);
    EXPECT_TRUE(ValueOf(copy, x).HasFlag(ValueFlags::kEvidence));
}

TEST(ContinuousValues, DiscretizedBeliefsFollowTheIntervals) {
    VRX_network net;
    const int x = AddEquation(net, "x");
    VRX_valEqEvaluation& v = ValueOf(net, x);
    EXPECT_EQ(v.SetDiscretizedBeliefs({0.5, 0.5}), kWrongNodeType);
    ASSERT_EQ(EquationOf(net, x).SetDiscIntervals({{"lo", 0.0}, {"hi", 1.0}}), kSuccess);
    EXPECT_EQ(v.SetDiscretizedBeliefs({1.0}), kOutOfRange);
    ASSERT_EQ(v.SetDiscretizedBeliefs({0.25, 0.75}), kSuccess);
    EXPECT_EQ(v.GetIntervalBeliefs(), (std::vector<double>{0.25, 0.75}));
    EXPECT_EQ(v.GetMean(), -1.0);
    EXPECT_TRUE(v.IsUpToDate());
}

TEST(ContinuousValues, ChangeOfKindDropsDiscreteEvidence) {
    VRX_network net;
    const int c = net.AddNode(DefinitionType::kCpt, "c");
    ASSERT_EQ(net.GetNode(c)->GetValue()->SetEvidence(1), kSuccess);
    ASSERT_EQ(net.GetNode(c)->ChangeType(DefinitionType::kEquation), kSuccess);
    EXPECT_EQ(net.GetNode(c)->GetValue()->GetType(), ValueType::kEqEvaluation);
    EXPECT_FALSE(net.GetNode(c)->GetValue()->HasEvidence());
    EXPECT_EQ(TextOf(net, c), "c=0");
}

}  // namespace
