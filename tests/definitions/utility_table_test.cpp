// Utility table: shapes over decision and chance parents, parent refusals and edits, setters, rescaling
// and conversions.
#include "definitions/utility_table.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <initializer_list>
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
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

using Vec = std::vector<double>;
using Dims = std::vector<int>;

constexpr double kUndefined = 2 * DBL_MIN;

// A chance node A (2 outcomes), a decision D (3 choices) and a utility node U without parents.
class UtilityTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        a = net.AddNode(DefinitionType::kCpt, "A");
        d = net.AddNode(DefinitionType::kList, "D");
        u = net.AddNode(DefinitionType::kTable, "U");
        ASSERT_GE(a, 0);
        ASSERT_GE(d, 0);
        ASSERT_GE(u, 0);
        ASSERT_EQ(net.GetNode(d)->GetDefinition()->AddOutcome("Wait"), kSuccess);
    }
    VRX_table& Table(int h) { return *static_cast<VRX_table*>(net.GetNode(h)->GetDefinition()); }
    VRX_nodeDefinition& Def(int h) { return *net.GetNode(h)->GetDefinition(); }

    // U over (A, D) with utility 10 * a + d.
    void BuildTwoParentTable() {
        ASSERT_EQ(net.AddArc(a, u), kSuccess);
        ASSERT_EQ(net.AddArc(d, u), kSuccess);
        ASSERT_EQ(Table(u).SetUtilities(Doubles({0, 1, 2, 10, 11, 12})), kSuccess);
    }

    VRX_network net;
    int a = -1;
    int d = -1;
    int u = -1;
};

// ---------------------------------------------------------------------------------------------------

TEST(UtilityTableStandalone, NewTableHoldsOneZeroUtilityAndNoOutcomes) {
    VRX_table table(0, nullptr);
    EXPECT_TRUE(table.IsValid());
    EXPECT_TRUE(table.IsConsistent());
    EXPECT_EQ(table.GetType(), 0x8);
    EXPECT_STREQ(table.GetTypeName(), "TABLE");
    EXPECT_EQ(Shape(table.GetUtilities()), (Dims{1}));
    EXPECT_EQ(Entries(table.GetUtilities()), (Vec{0.0}));
    EXPECT_EQ(table.GetSize(), 1);
    EXPECT_EQ(table.GetNumberOfOutcomes(), kWrongNodeType);
    EXPECT_EQ(table.AddOutcome("X"), kWrongNodeType);
    EXPECT_EQ(table.RemoveOutcome(0), kWrongNodeType);
    EXPECT_EQ(table.SetNumberOfOutcomes(3), kWrongNodeType);
    EXPECT_EQ(table.GetOutcomesNames(), nullptr);
    EXPECT_EQ(table.ChangeOutcomes(Strings({"X", "Y"}), Ints({-1, -1})), kWrongNodeType);
    // Without a network no parent can be checked.
    EXPECT_EQ(table.AddParent(0), kOutOfRange);
}

// ---------------------------------------------------------------------------------------------------
// Shapes over the parents

TEST_F(UtilityTableTest, ChanceAndDecisionParentsGiveOneDimensionEachInParentOrder) {
    BuildTwoParentTable();
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{2, 3, 1}));
    EXPECT_EQ(Table(u).GetSize(), 6);
    EXPECT_DOUBLE_EQ(Table(u).GetUtilities().GetValueAt(Ints({1, 2, 0})), 12.0);
}

TEST_F(UtilityTableTest, NewParentRepeatsTheUtilitiesWithoutNormalising) {
    ASSERT_EQ(Table(u).SetUtilities(Doubles({5.0})), kSuccess);
    ASSERT_EQ(net.AddArc(d, u), kSuccess);
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{5, 5, 5}));
    ASSERT_EQ(net.AddArc(a, u), kSuccess);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{3, 2, 1}));
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{5, 5, 5, 5, 5, 5}));
}

TEST_F(UtilityTableTest, RemovingAParentKeepsItsFirstSlice) {
    BuildTwoParentTable();
    ASSERT_EQ(net.RemoveArc(a, u), kSuccess);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{3, 1}));
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{0, 1, 2}));
}

// ---------------------------------------------------------------------------------------------------
// Parent refusals

TEST_F(UtilityTableTest, UtilityAndCastParentsAreRefusedAndTheGraphStaysAsItWas) {
    const int u2 = net.AddNode(DefinitionType::kTable, "U2");
    const int cast = net.AddNode(DefinitionType::kCast, "Cast");
    ASSERT_GE(cast, 0);
    errorLog.Flush();
    EXPECT_EQ(net.AddArc(u2, u), kWrongNodeType);
    EXPECT_EQ(net.AddArc(cast, u), kWrongNodeType);
    EXPECT_EQ(net.GetParents(u).GetCount(), 0);
    EXPECT_EQ(net.GetChildren(u2).GetCount(), 0);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{1}));
    ASSERT_GE(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(
        errorLog.GetMessage(errorLog.GetNumberOfEntries() - 1),
        "Arc rejected by child node [U]: a utility node does not take a cast node [Cast] as a parent");

    EXPECT_EQ(Table(u).AddParent(u2), kOutOfRange);
    EXPECT_EQ(Table(u).AddParent(999), kOutOfRange);
    // A live indexing node that is not in the parent list has no place in the table.
    EXPECT_EQ(Table(u).AddParent(a), kOutOfRange);
    EXPECT_EQ(Table(u).RemoveParent(a), kOutOfRange);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{1}));
}

TEST_F(UtilityTableTest, ParentThatBecomesAUtilityLosesItsArcAndItsDimension) {
    BuildTwoParentTable();
    ASSERT_EQ(net.GetNode(a)->ChangeType(DefinitionType::kTable), kSuccess);
    EXPECT_EQ(net.GetParents(u).GetCount(), 1);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{3, 1}));
}

TEST_F(UtilityTableTest, ParentThatBecomesACastLosesItsArcAndShiftsNoOtherParent) {
    BuildTwoParentTable();
    // A cast gives the table no dimension: the table does not take it.
    ASSERT_EQ(net.GetNode(a)->ChangeType(DefinitionType::kCast), kSuccess);
    ASSERT_EQ(net.GetParents(u).GetCount(), 1);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{3, 1}));
    ASSERT_EQ(Def(d).AddOutcome("Later"), kSuccess);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{4, 1}));
    ASSERT_EQ(net.RemoveArc(d, u), kSuccess);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{1}));
}

// ---------------------------------------------------------------------------------------------------
// Parent outcome edits

TEST_F(UtilityTableTest, ParentOutcomeInsertionOpensZeroUtilities) {
    BuildTwoParentTable();
    ASSERT_EQ(Def(a).InsertOutcome(0, "Zero"), kSuccess);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{3, 3, 1}));
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{0, 0, 0, 0, 1, 2, 10, 11, 12}));
    ASSERT_EQ(Def(d).AddOutcome("Last"), kSuccess);
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{0, 0, 0, 0, 0, 1, 2, 0, 10, 11, 12, 0}));
    EXPECT_EQ(Table(u).InsertParentOutcome(a, 9), kOutOfRange);
}

TEST_F(UtilityTableTest, ParentOutcomeRemovalDropsItsSlice) {
    BuildTwoParentTable();
    ASSERT_EQ(Def(d).RemoveOutcome(1), kSuccess);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{2, 2, 1}));
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{0, 2, 10, 12}));
    EXPECT_EQ(Table(u).RemoveParentOutcome(d, 2), kOutOfRange);
    EXPECT_EQ(Table(u).RemoveParentOutcome(d, -1), kOutOfRange);
}

TEST_F(UtilityTableTest, ParentOutcomeReorderPermutesItsSlices) {
    BuildTwoParentTable();
    ASSERT_EQ(Def(d).ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{2, 0, 1, 12, 10, 11}));
}

TEST_F(UtilityTableTest, ReorderThatIsNoPermutationChangesNothing) {
    BuildTwoParentTable();
    const Vec before = Entries(Table(u).GetUtilities());
    EXPECT_EQ(Table(u).ReorderParentOutcomes(d, Ints({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(Table(u).ReorderParentOutcomes(d, Ints({1, 0})), kOutOfRange);
    EXPECT_EQ(Table(u).ReorderParentOutcomes(d, Ints({0, 1, 5})), kOutOfRange);
    EXPECT_EQ(Table(u).ReorderParents(Ints({1, 1})), kOutOfRange);
    EXPECT_EQ(Table(u).ReorderParents(Ints({0})), kOutOfRange);
    EXPECT_EQ(Table(u).ReorderParents(Ints({0, 1, 2})), kOutOfRange);
    EXPECT_EQ(Entries(Table(u).GetUtilities()), before);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{2, 3, 1}));
}

TEST_F(UtilityTableTest, ReorderingParentsTransposesTheUtilities) {
    BuildTwoParentTable();
    ASSERT_EQ(net.ReorderParents(u, Ints({1, 0})), kSuccess);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{3, 2, 1}));
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{0, 10, 1, 11, 2, 12}));
}

// ---------------------------------------------------------------------------------------------------
// Evidence and marginalisation of parents

TEST_F(UtilityTableTest, AbsorbingAnObservedParentKeepsItsSlice) {
    BuildTwoParentTable();
    EXPECT_EQ(Table(u).AbsorbParentEvidence(a), kOutOfRange);
    ASSERT_EQ(net.GetNode(a)->GetValue()->SetEvidence(1), kSuccess);
    EXPECT_EQ(Table(u).MarginalizeParent(a), kOutOfRange);
    EXPECT_EQ(Table(u).AbsorbParentEvidence(a), kSuccess);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{3, 1}));
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{10, 11, 12}));
}

TEST_F(UtilityTableTest, MarginalizingAChanceParentGivesExpectedUtilities) {
    BuildTwoParentTable();
    ASSERT_EQ(static_cast<VRX_cpt&>(Def(a)).SetProbabilities(Doubles({0.25, 0.75})), kSuccess);
    EXPECT_EQ(Table(u).MarginalizeParent(a), kSuccess);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{3, 1}));
    const Vec e = Entries(Table(u).GetUtilities());
    ASSERT_EQ(e.size(), 3u);
    EXPECT_DOUBLE_EQ(e[0], 7.5);
    EXPECT_DOUBLE_EQ(e[1], 8.5);
    EXPECT_DOUBLE_EQ(e[2], 9.5);
    // A decision is chosen, not summed out.
    EXPECT_EQ(Table(u).MarginalizeParent(d), kOutOfRange);
}

// ---------------------------------------------------------------------------------------------------
// Setters and extremes

TEST_F(UtilityTableTest, SettersRefuseWrongSizesAndChangeNothing) {
    BuildTwoParentTable();
    const Vec before = Entries(Table(u).GetUtilities());
    EXPECT_EQ(Table(u).SetUtilities(Doubles({1, 2, 3})), kOutOfRange);
    EXPECT_EQ(Table(u).SetDefinitionDoubles(Doubles({1, 2, 3, 4, 5, 6, 7})), kOutOfRange);
    VRX_Dmatrix other(Ints({3, 2, 1}));
    EXPECT_EQ(Table(u).SetDefinition(other), kOutOfRange);
    EXPECT_EQ(Entries(Table(u).GetUtilities()), before);
    EXPECT_EQ(Shape(Table(u).GetUtilities()), (Dims{2, 3, 1}));

    VRX_Dmatrix same(Ints({2, 3, 1}));
    same.FillWith(4.0);
    EXPECT_EQ(Table(u).SetDefinition(same), kSuccess);
    EXPECT_EQ(Entries(Table(u).GetUtilities()), (Vec{4, 4, 4, 4, 4, 4}));
    VRX_doubleArray* doubles = nullptr;
    ASSERT_EQ(Table(u).GetDefinitionDoubles(doubles), kSuccess);
    EXPECT_EQ(doubles->GetSize(), 6);

    ASSERT_EQ(Table(u).SetUtilities(Doubles({3, -4, 8, 0, 8, -1})), kSuccess);
    EXPECT_DOUBLE_EQ(Table(u).GetMinimumUtility(), -4.0);
    EXPECT_DOUBLE_EQ(Table(u).GetMaximumUtility(), 8.0);
}

// ---------------------------------------------------------------------------------------------------
// Rescaling

class RescaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = net.AddNode(DefinitionType::kCpt, "P");
        u = net.AddNode(DefinitionType::kTable, "U");
        ASSERT_EQ(net.GetNode(p)->GetDefinition()->SetNumberOfOutcomes(3), kSuccess);
        ASSERT_EQ(net.AddArc(p, u), kSuccess);
    }
    VRX_table& Table() { return *static_cast<VRX_table*>(net.GetNode(u)->GetDefinition()); }
    Vec Rescaled(std::initializer_list<double> values, double lo, double hi, double tlo, double thi) {
        EXPECT_EQ(Table().SetUtilities(Doubles(values)), kSuccess);
        EXPECT_EQ(Table().RescaleUtilities(lo, hi, tlo, thi), kSuccess);
        return Entries(Table().GetUtilities());
    }

    VRX_network net;
    int p = -1;
    int u = -1;
};

TEST_F(RescaleTest, EqualBoundsTakeTheTableRange) {
    EXPECT_EQ(Rescaled({10, 20, 30}, 0, 0, 0, 100), (Vec{0, 50, 100}));
}

TEST_F(RescaleTest, AllEqualUtilitiesBecomeTheUpperTarget) {
    EXPECT_EQ(Rescaled({7, 7, 7}, 0, 0, 0, 100), (Vec{100, 100, 100}));
    EXPECT_EQ(Rescaled({1, 2, 3}, 0, 10, 5, 5), (Vec{5, 5, 5}));
}

TEST_F(RescaleTest, SourceRangeIsWidenedToCoverTheTable) {
    const Vec e = Rescaled({5, 20, 0}, 0, 10, 0, 1);
    EXPECT_DOUBLE_EQ(e[0], 0.25);
    EXPECT_DOUBLE_EQ(e[1], 1.0);
    EXPECT_DOUBLE_EQ(e[2], 0.0);
    // Ranges that already agree change nothing.
    EXPECT_EQ(Rescaled({1, 2, 3}, 0, 10, 0, 10), (Vec{1, 2, 3}));
}

TEST_F(RescaleTest, UndefinedUtilitiesKeepTheirMark) {
    const Vec e = Rescaled({-10, kUndefined, 10}, -10, 10, 0, 1);
    EXPECT_DOUBLE_EQ(e[0], 0.0);
    EXPECT_EQ(e[1], kUndefined);
    EXPECT_DOUBLE_EQ(e[2], 1.0);
}

// ---------------------------------------------------------------------------------------------------
// Conversions and copies

TEST_F(UtilityTableTest, DecisionBecomingAUtilityLosesItsParents) {
    ASSERT_EQ(net.AddArc(a, d), kSuccess);
    ASSERT_EQ(net.GetNode(d)->ChangeType(DefinitionType::kTable), kSuccess);
    EXPECT_EQ(net.GetParents(d).GetCount(), 0);
    EXPECT_EQ(net.GetChildren(a).GetCount(), 0);
    EXPECT_EQ(Entries(Table(d).GetUtilities()), (Vec{0.0}));
    EXPECT_EQ(net.GetNode(d)->GetValue()->GetType(), ValueType::kExpectedUtility);
}

TEST_F(UtilityTableTest, ChanceNodeBecomingAUtilityKeepsItsParentsAsDimensions) {
    const int b = net.AddNode(DefinitionType::kCpt, "B");
    ASSERT_EQ(net.AddArc(a, b), kSuccess);
    ASSERT_EQ(net.GetNode(b)->ChangeType(DefinitionType::kTable), kSuccess);
    EXPECT_EQ(net.GetParents(b).GetCount(), 1);
    // Two probabilities per column do not fit one utility per column: the utilities start at 0.
    EXPECT_EQ(Shape(Table(b).GetUtilities()), (Dims{2, 1}));
    EXPECT_EQ(Entries(Table(b).GetUtilities()), (Vec{0, 0}));
}

TEST_F(UtilityTableTest, CopiesTakeOverUtilitiesOfTheSameShape) {
    BuildTwoParentTable();
    VRX_table copy(Table(u));
    EXPECT_EQ(Shape(copy.GetUtilities()), (Dims{2, 3, 1}));
    EXPECT_EQ(Entries(copy.GetUtilities()), (Vec{0, 1, 2, 10, 11, 12}));

    VRX_network twin(net);
    const int twinU = twin.FindNode("U");
    VRX_Dmatrix* utilities = nullptr;
    ASSERT_EQ(twin.GetNode(twinU)->GetDefinition()->GetDefinition(utilities), kSuccess);
    EXPECT_EQ(Entries(*utilities), (Vec{0, 1, 2, 10, 11, 12}));
}

TEST_F(UtilityTableTest, CopyFromRefusesCastSources) {
    const int cast = net.AddNode(DefinitionType::kCast, "Cast");
    ASSERT_GE(cast, 0);
    VRX_table table(u, &net);
    EXPECT_EQ(table.CopyFrom(Def(cast)), kOutOfRange);
    EXPECT_EQ(table.CopyFrom(table), kSuccess);
}
}  // namespace
