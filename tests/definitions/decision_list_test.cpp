// Decision list: choices, parent checks of a decision node, choice editing and conversions.
#include "definitions/decision_list.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/cpt.h"
#include "definitions/utility_values.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

using Strs = std::vector<std::string>;

class DecisionListTest : public ::testing::Test {
protected:
    void SetUp() override {
        d = net.AddNode(DefinitionType::kList, "D");
        a = net.AddNode(DefinitionType::kCpt, "A");
        u = net.AddNode(DefinitionType::kTable, "U");
        ASSERT_GE(d, 0);
        ASSERT_GE(a, 0);
        ASSERT_GE(u, 0);
    }
    VRX_list& List(int h) { return *static_cast<VRX_list*>(net.GetNode(h)->GetDefinition()); }
    VRX_nodeDefinition& Def(int h) { return *net.GetNode(h)->GetDefinition(); }

    VRX_network net;
    int d = -1;
    int a = -1;
    int u = -1;
};

// ---------------------------------------------------------------------------------------------------

TEST(DecisionListStandalone, NewListHasTwoGeneratedChoicesAndNoTable) {
    VRX_list list(0, nullptr);
    EXPECT_TRUE(list.IsValid());
    EXPECT_EQ(list.GetType(), 0x11);
    EXPECT_STREQ(list.GetTypeName(), "LIST");
    EXPECT_EQ(Names(list), (Strs{"Choice0", "Choice1"}));
    EXPECT_EQ(list.GetSize(), 2);
    VRX_Dmatrix* matrix = nullptr;
    EXPECT_EQ(list.GetDefinition(matrix), kWrongNodeType);
    EXPECT_EQ(list.SetDefinition(VRX_Dmatrix()), kWrongNodeType);
    EXPECT_EQ(list.AbsorbParentEvidence(0), kWrongNodeType);
    EXPECT_EQ(list.MarginalizeParent(0), kWrongNodeType);
    EXPECT_EQ(list.ReorderParents(Ints({0})), kWrongNodeType);
}

// ---------------------------------------------------------------------------------------------------
// Parents

TEST_F(DecisionListTest, AcceptsIndexingParentsWithoutStoringAnything) {
    const int d2 = net.AddNode(DefinitionType::kList, "D2");
    EXPECT_EQ(net.AddArc(a, d), kSuccess);
    EXPECT_EQ(net.AddArc(d2, d), kSuccess);
    EXPECT_EQ(net.GetParents(d).GetCount(), 2);
    EXPECT_EQ(List(d).GetSize(), 2);
    EXPECT_EQ(Names(List(d)), (Strs{"Choice0", "Choice1"}));
    // Parent edits are observations only: nothing to change and nothing refused.
    EXPECT_EQ(Def(a).AddOutcome("Third"), kSuccess);
    EXPECT_EQ(Def(a).ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    EXPECT_EQ(Def(a).RemoveOutcome(0), kSuccess);
    EXPECT_EQ(Names(List(d)), (Strs{"Choice0", "Choice1"}));
    EXPECT_EQ(net.RemoveArc(a, d), kSuccess);
    EXPECT_EQ(net.GetParents(d).GetCount(), 1);
}

TEST_F(DecisionListTest, RefusesUtilityParentsAndBadHandles) {
    errorLog.Flush();
    EXPECT_EQ(net.AddArc(u, d), kWrongNodeType);
    EXPECT_EQ(net.GetParents(d).GetCount(), 0);
    EXPECT_EQ(net.GetChildren(u).GetCount(), 0);
    ASSERT_GE(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(
        errorLog.GetMessage(errorLog.GetNumberOfEntries() - 1),
        "Arc rejected by child node [D]: a decision node does not take a utility node [U] as a parent");

    EXPECT_EQ(List(d).AddParent(u), kOutOfRange);
    EXPECT_EQ(List(d).AddParent(999), kOutOfRange);
    EXPECT_EQ(List(d).AddParent(-1), kOutOfRange);
    EXPECT_EQ(List(d).AddParent(a), kSuccess);
}

TEST_F(DecisionListTest, ParentThatBecomesAUtilityLosesItsArc) {
    ASSERT_EQ(net.AddArc(a, d), kSuccess);
    ASSERT_EQ(net.GetNode(a)->ChangeType(DefinitionType::kTable), kSuccess);
    EXPECT_EQ(net.GetParents(d).GetCount(), 0);
    EXPECT_EQ(net.GetChildren(a).GetCount(), 0);
}

// ---------------------------------------------------------------------------------------------------
// Choice editing

TEST_F(DecisionListTest, AddAndInsertGenerateNamesForRefusedOnes) {
    VRX_list& list = List(d);
    EXPECT_EQ(list.AddOutcome("Go"), kSuccess);
    EXPECT_EQ(list.AddOutcome("Go"), kSuccess);      // taken
    EXPECT_EQ(list.AddOutcome("9lives"), kSuccess);  // not an identifier
    EXPECT_EQ(Names(list), (Strs{"Choice0", "Choice1", "Go", "Choice3", "Choice4"}));
    EXPECT_EQ(list.GetNumberOfOutcomes(), 5);
    EXPECT_EQ(list.InsertOutcome(0, "First"), kSuccess);
    EXPECT_EQ(list.InsertOutcome(7, "Far"), kOutOfRange);
    EXPECT_EQ(list.InsertOutcome(-1, "Near"), kOutOfRange);
    EXPECT_EQ(Names(list), (Strs{"First", "Choice0", "Choice1", "Go", "Choice3", "Choice4"}));
    EXPECT_EQ(list.GetSize(), 6);
}

TEST_F(DecisionListTest, RemoveKeepsTwoChoicesAndChecksTheIndex) {
    VRX_list& list = List(d);
    EXPECT_EQ(list.RemoveOutcome(0), kOutOfRange);
    EXPECT_EQ(list.GetNumberOfOutcomes(), 2);
    ASSERT_EQ(list.AddOutcome("C"), kSuccess);
    EXPECT_EQ(list.RemoveOutcome(3), kOutOfRange);
    EXPECT_EQ(list.RemoveOutcome(-1), kOutOfRange);
    EXPECT_EQ(list.RemoveOutcome(0), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"Choice1", "C"}));
    EXPECT_EQ(list.GetNumberOfOutcomes(), 2);
}

TEST_F(DecisionListTest, ChoiceEditsReachTheChildTable) {
    const int c = net.AddNode(DefinitionType::kCpt, "C");
    ASSERT_EQ(net.AddArc(d, c), kSuccess);
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(Def(c).GetDefinition(table), kSuccess);
    EXPECT_EQ(Shape(*table), (std::vector<int>{2, 2}));
    ASSERT_EQ(List(d).AddOutcome("Third"), kSuccess);
    ASSERT_EQ(Def(c).GetDefinition(table), kSuccess);
    EXPECT_EQ(Shape(*table), (std::vector<int>{3, 2}));
    ASSERT_EQ(List(d).RemoveOutcome(0), kSuccess);
    ASSERT_EQ(Def(c).GetDefinition(table), kSuccess);
    EXPECT_EQ(Shape(*table), (std::vector<int>{2, 2}));
}

TEST_F(DecisionListTest, SetNumberOfOutcomesRaisesSmallCountsAndRefusesWithChildren) {
    VRX_list& list = List(d);
    EXPECT_EQ(list.SetNumberOfOutcomes(0), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"Choice0", "Choice1"}));
    EXPECT_EQ(list.SetNumberOfOutcomes(-3), kSuccess);
    EXPECT_EQ(list.GetNumberOfOutcomes(), 2);
    EXPECT_EQ(list.SetNumberOfOutcomes(3), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"Choice0", "Choice1", "Choice2"}));

    const int c = net.AddNode(DefinitionType::kCpt, "C");
    ASSERT_EQ(net.AddArc(d, c), kSuccess);
    EXPECT_EQ(list.SetNumberOfOutcomes(5), kNodeHasChildren);
    EXPECT_EQ(list.SetOutcomes(Strings({"X", "Y"})), kNodeHasChildren);
    EXPECT_EQ(list.GetNumberOfOutcomes(), 3);
}

TEST_F(DecisionListTest, SetOutcomesRepairsNamesAndAcceptsItsOwn) {
    VRX_list& list = List(d);
    ASSERT_EQ(list.SetDefinitionDoubles(Doubles({1.0, 2.0})), kSuccess);
    EXPECT_EQ(list.SetOutcomes(Strings({"Buy", "Sell", "Hold"})), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"Buy", "Sell", "Hold"}));
    // The outcome set is replaced, so the values of the old choices go.
    EXPECT_EQ(list.GetChoiceValues().GetCount(), 0);
    // The list's own names survive their being cleared on the way.
    EXPECT_EQ(list.SetOutcomes(*list.GetOutcomesNames()), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"Buy", "Sell", "Hold"}));
    EXPECT_EQ(list.SetOutcomes(Strings({"a b", "Sell", "Sell"})), kSuccess);
    const Strs names = Names(list);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[1], "Sell");
    EXPECT_NE(names[2], "Sell");
    EXPECT_TRUE(list.IsConsistent());
    EXPECT_EQ(list.SetOutcomes(Strings({"Only"})), kSuccess);
    EXPECT_EQ(list.GetNumberOfOutcomes(), 2);
}

TEST_F(DecisionListTest, RenameChecksNamesAndCounts) {
    VRX_list& list = List(d);
    EXPECT_EQ(list.RenameOutcome(0, "Choice1"), kOutOfRange);
    EXPECT_EQ(list.RenameOutcome(2, "Far"), kOutOfRange);
    EXPECT_EQ(list.RenameOutcome(0, "Left"), kSuccess);
    EXPECT_EQ(list.RenameOutcomes(Strings({"Only"})), kOutOfRange);
    EXPECT_EQ(Names(list), (Strs{"Left", "Choice1"}));
    EXPECT_EQ(list.RenameOutcomes(Strings({"Up", "Down", "Extra"})), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"Up", "Down"}));
}

TEST_F(DecisionListTest, ReorderMovesNamesValuesAndChildSlices) {
    VRX_list& list = List(d);
    ASSERT_EQ(list.SetOutcomes(Strings({"A0", "A1", "A2"})), kSuccess);
    ASSERT_EQ(list.SetDefinitionDoubles(Doubles({10, 11, 12})), kSuccess);
    const int c = net.AddNode(DefinitionType::kCpt, "C");
    ASSERT_EQ(net.AddArc(d, c), kSuccess);
    VRX_cpt& child = static_cast<VRX_cpt&>(Def(c));
    ASSERT_EQ(child.SetProbabilities(Doubles({0.1, 0.9, 0.2, 0.8, 0.3, 0.7})), kSuccess);

    EXPECT_EQ(list.ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"A2", "A0", "A1"}));
    EXPECT_EQ(Items(list.GetChoiceValues()), (std::vector<double>{12, 10, 11}));
    const VRX_Dmatrix& p = child.GetProbabilities();
    EXPECT_DOUBLE_EQ(p[0], 0.3);
    EXPECT_DOUBLE_EQ(p[2], 0.1);
    EXPECT_DOUBLE_EQ(p[4], 0.2);
}

TEST_F(DecisionListTest, ReorderThatIsNoPermutationChangesNothing) {
    VRX_list& list = List(d);
    ASSERT_EQ(list.SetOutcomes(Strings({"A0", "A1", "A2"})), kSuccess);
    ASSERT_EQ(list.SetDefinitionDoubles(Doubles({10, 11, 12})), kSuccess);
    EXPECT_EQ(list.ChangeOrderOfOutcomes(Ints({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(list.ChangeOrderOfOutcomes(Ints({1, 0})), kOutOfRange);
    EXPECT_EQ(list.ChangeOrderOfOutcomes(Ints({0, 1, 3})), kOutOfRange);
    EXPECT_EQ(list.ChangeOrderOfOutcomes(Ints({2, 1, 0, 3})), kOutOfRange);
    EXPECT_EQ(Names(list), (Strs{"A0", "A1", "A2"}));
    EXPECT_EQ(Items(list.GetChoiceValues()), (std::vector<double>{10, 11, 12}));
}

TEST_F(DecisionListTest, ValuesOfAnotherLengthStayWhenTheChoicesMove) {
    VRX_list& list = List(d);
    ASSERT_EQ(list.SetDefinitionDoubles(Doubles({5, 6, 7})), kSuccess);
    EXPECT_EQ(list.ChangeOrderOfOutcomes(Ints({1, 0})), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"Choice1", "Choice0"}));
    EXPECT_EQ(Items(list.GetChoiceValues()), (std::vector<double>{5, 6, 7}));
}

TEST_F(DecisionListTest, ChangeOutcomesEditsTheChoicesInOneStep) {
    VRX_list& list = List(d);
    ASSERT_EQ(list.SetOutcomes(Strings({"A", "B", "C"})), kSuccess);
    EXPECT_EQ(list.ChangeOutcomes(Strings({"C", "New", "A"}), Ints({2, -1, 0})), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"C", "New", "A"}));
}

// ---------------------------------------------------------------------------------------------------
// Definition as strings and doubles

TEST_F(DecisionListTest, DefinitionStringsOfTheSameCountOnlyAndDoublesWhole) {
    VRX_list& list = List(d);
    VRX_stringArray* strings = nullptr;
    ASSERT_EQ(list.GetDefinitionStrings(strings), kSuccess);
    EXPECT_EQ(strings, list.GetOutcomesNames());
    // No identifier checks here.
    EXPECT_EQ(list.SetDefinitionStrings(Strings({"go left", "go right"})), kSuccess);
    EXPECT_EQ(Names(list), (Strs{"go left", "go right"}));
    EXPECT_EQ(list.SetDefinitionStrings(Strings({"one", "two", "three"})), kOutOfRange);
    EXPECT_EQ(list.SetDefinitionStrings(Strings({"one"})), kOutOfRange);
    EXPECT_EQ(Names(list), (Strs{"go left", "go right"}));
    EXPECT_EQ(list.GetNumberOfOutcomes(), 2);

    // The doubles are taken whole, whatever the number of choices.
    EXPECT_EQ(list.SetDefinitionDoubles(Doubles({1.5, -2, 3, 4})), kSuccess);
    VRX_doubleArray* values = nullptr;
    ASSERT_EQ(list.GetDefinitionDoubles(values), kSuccess);
    EXPECT_EQ(Items(*values), (std::vector<double>{1.5, -2, 3, 4}));
}

// ---------------------------------------------------------------------------------------------------
// Conversions and copies

TEST_F(DecisionListTest, ChanceNodeBecomingADecisionKeepsOutcomesAndLosesParents) {
    const int b = net.AddNode(DefinitionType::kCpt, "B");
    ASSERT_EQ(Def(b).SetOutcomes(Strings({"Low", "Mid", "High"})), kSuccess);
    ASSERT_EQ(net.AddArc(a, b), kSuccess);
    ASSERT_EQ(net.GetNode(b)->ChangeType(DefinitionType::kList), kSuccess);
    EXPECT_EQ(net.GetNodeType(b), DefinitionType::kList);
    EXPECT_EQ(Names(Def(b)), (Strs{"Low", "Mid", "High"}));
    EXPECT_EQ(net.GetParents(b).GetCount(), 0);
    EXPECT_EQ(net.GetChildren(a).GetCount(), 0);
    EXPECT_EQ(net.GetNode(b)->GetValue()->GetType(), ValueType::kListOfDecisions);
}

TEST_F(DecisionListTest, CopyKeepsChoicesAndTheirValues) {
    VRX_list& list = List(d);
    ASSERT_EQ(list.SetOutcomes(Strings({"Buy", "Sell", "Hold"})), kSuccess);
    ASSERT_EQ(list.SetDefinitionDoubles(Doubles({1, 2, 3})), kSuccess);
    VRX_list copy(list);
    EXPECT_TRUE(copy.IsValid());
    EXPECT_EQ(Names(copy), (Strs{"Buy", "Sell", "Hold"}));
    EXPECT_EQ(Items(copy.GetChoiceValues()), (std::vector<double>{1, 2, 3}));
    EXPECT_NE(copy.GetOutcomesNames(), list.GetOutcomesNames());

    VRX_network twin(net);
    const int twinD = twin.FindNode("D");
    ASSERT_GE(twinD, 0);
    VRX_nodeDefinition* twinList = twin.GetNode(twinD)->GetDefinition();
    ASSERT_NE(twinList, nullptr);
    EXPECT_EQ(twinList->GetType(), DefinitionType::kList);
    EXPECT_EQ(Names(*twinList), (Strs{"Buy", "Sell", "Hold"}));
    VRX_doubleArray* values = nullptr;
    ASSERT_EQ(twinList->GetDefinitionDoubles(values), kSuccess);
    EXPECT_EQ(Items(*values), (std::vector<double>{1, 2, 3}));
}

TEST_F(DecisionListTest, CopyFromRefusesKindsWithoutChoices) {
    VRX_list list(d, &net);
    const int cast = net.AddNode(DefinitionType::kCast, "Cast");
    ASSERT_GE(cast, 0);
    EXPECT_EQ(list.CopyFrom(Def(cast)), kOutOfRange);
    EXPECT_EQ(list.CopyFrom(list), kSuccess);
}
}  // namespace
