// Conditional probability table: shape over the parents, parent and outcome edits, checks, setters.
#include "definitions/cpt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/belief_vector.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

double At(const VRX_Dmatrix& m, std::initializer_list<int> coords) {
    return m.GetValueAt(Ints(coords));
}

// A distinct distribution for every parent configuration: the tests can tell where each column went.
double Mark(int a, int b, int c) {
    const double p = 0.01 * (10 * a + b + 1);
    return c == 0 ? p : 1.0 - p;
}

// ---------------------------------------------------------------------------------------------------
// A table on its own: outcomes, checks and setters need no graph.

TEST(CptStandalone, NewTableHasTwoGeneratedOutcomesAndUniformColumn) {
    VRX_cpt cpt(0, nullptr);
    EXPECT_EQ(cpt.GetType(), 0x12);
    EXPECT_STREQ(cpt.GetTypeName(), "CPT");
    EXPECT_EQ(cpt.GetNumberOfOutcomes(), 2);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"State0", "State1"}));
    EXPECT_EQ(Shape(cpt.GetProbabilities()), std::vector<int>{2});
    ExpectEntries(cpt.GetProbabilities(), {0.5, 0.5});
    EXPECT_TRUE(cpt.IsValid());
    EXPECT_TRUE(cpt.IsConsistent());
}

TEST(CptStandalone, SetNumberOfOutcomesKeepsAtLeastTwo) {
    VRX_cpt cpt(0, nullptr);
    EXPECT_EQ(cpt.SetNumberOfOutcomes(3), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"State0", "State1", "State2"}));
    ExpectEntries(cpt.GetProbabilities(), {1.0 / 3, 1.0 / 3, 1.0 / 3});

    EXPECT_EQ(cpt.SetNumberOfOutcomes(1), kSuccess);
    EXPECT_EQ(cpt.GetNumberOfOutcomes(), 2);

    EXPECT_EQ(cpt.SetNumberOfOutcomes(0), kOutOfRange);
    EXPECT_EQ(cpt.SetNumberOfOutcomes(-4), kOutOfRange);
    EXPECT_EQ(cpt.GetNumberOfOutcomes(), 2);
    EXPECT_TRUE(cpt.IsValid());
}

TEST(CptStandalone, RemoveOutcomeKeepsOtherProbabilitiesWithoutRenormalising) {
    VRX_cpt cpt(0, nullptr);
    ASSERT_EQ(cpt.RemoveOutcome(0), kOutOfRange);  // two outcomes are the minimum
    ExpectEntries(cpt.GetProbabilities(), {0.5, 0.5});

    ASSERT_EQ(cpt.SetOutcomes(Strings({"Low", "Mid", "High"})), kSuccess);
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.5, 0.3, 0.2})), kSuccess);
    EXPECT_EQ(cpt.RemoveOutcome(3), kOutOfRange);
    EXPECT_EQ(cpt.RemoveOutcome(-1), kOutOfRange);
    EXPECT_EQ(cpt.RemoveOutcome(0), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"Mid", "High"}));
    ExpectEntries(cpt.GetProbabilities(), {0.3, 0.2});
    EXPECT_TRUE(cpt.IsValid());
}

TEST(CptStandalone, InsertAndAddOutcomeOpenZeroEntries) {
    VRX_cpt cpt(0, nullptr);
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.2, 0.8})), kSuccess);
    EXPECT_EQ(cpt.InsertOutcome(1, "Mid"), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"State0", "Mid", "State1"}));
    ExpectEntries(cpt.GetProbabilities(), {0.2, 0.0, 0.8});

    // A taken or malformed name is replaced by a generated one.
    EXPECT_EQ(cpt.InsertOutcome(0, "Mid"), kSuccess);
    EXPECT_EQ(cpt.AddOutcome("no good"), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"State3", "State0", "Mid", "State1", "State4"}));
    ExpectEntries(cpt.GetProbabilities(), {0.0, 0.2, 0.0, 0.8, 0.0});

    EXPECT_EQ(cpt.InsertOutcome(6, "Far"), kOutOfRange);
    EXPECT_EQ(cpt.InsertOutcome(-1, "Far"), kOutOfRange);
    EXPECT_EQ(cpt.GetNumberOfOutcomes(), 5);
    EXPECT_TRUE(cpt.IsValid());
    EXPECT_TRUE(cpt.IsConsistent());
}

TEST(CptStandalone, RenameOutcomeChecksIndexAndName) {
    VRX_cpt cpt(0, nullptr);
    EXPECT_EQ(cpt.RenameOutcome(0, "Yes"), kSuccess);
    EXPECT_EQ(cpt.RenameOutcome(1, "Yes"), kOutOfRange);
    EXPECT_EQ(cpt.RenameOutcome(1, "1st"), kOutOfRange);
    // Past the outcomes, even where the identifier array has spare slots.
    EXPECT_EQ(cpt.RenameOutcome(2, "Other"), kOutOfRange);
    EXPECT_EQ(cpt.RenameOutcome(-1, "Other"), kOutOfRange);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"Yes", "State1"}));
}

TEST(CptStandalone, RenameOutcomesRepairsAndNumbers) {
    VRX_cpt cpt(0, nullptr);
    EXPECT_EQ(cpt.RenameOutcomes(Strings({"Only"})), kOutOfRange);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"State0", "State1"}));

    EXPECT_EQ(cpt.RenameOutcomes(Strings({"On", "On"})), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"On", "On0"}));
    EXPECT_EQ(cpt.RenameOutcomes(Strings({"2nd", "a b"})), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"x2nd", "a_b"}));
    // Extra names are ignored.
    EXPECT_EQ(cpt.RenameOutcomes(Strings({"T", "F", "U"})), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"T", "F"}));
}

TEST(CptStandalone, SetOutcomesRepairsNamesAndRebuildsUniform) {
    VRX_cpt cpt(0, nullptr);
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.1, 0.9})), kSuccess);
    EXPECT_EQ(cpt.SetOutcomes(Strings({"a", "a", "9"})), kSuccess);
    EXPECT_EQ(cpt.GetNumberOfOutcomes(), 3);
    EXPECT_EQ(Names(cpt)[0], "a");
    EXPECT_NE(Names(cpt)[1], "a");
    EXPECT_EQ(Names(cpt)[2], "x9");
    ExpectEntries(cpt.GetProbabilities(), {1.0 / 3, 1.0 / 3, 1.0 / 3});
    EXPECT_TRUE(cpt.IsValid());
}

TEST(CptStandalone, SetOutcomesAcceptsTheTablesOwnNames) {
    VRX_cpt cpt(0, nullptr);
    ASSERT_EQ(cpt.SetOutcomes(Strings({"Low", "Mid", "High"})), kSuccess);
    // The names are taken before the table is cleared, so they survive.
    EXPECT_EQ(cpt.SetOutcomes(*cpt.GetOutcomesNames()), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"Low", "Mid", "High"}));
    ExpectEntries(cpt.GetProbabilities(), {1.0 / 3, 1.0 / 3, 1.0 / 3});
}

TEST(CptStandalone, ConsistencyToleranceIsFiveMillionths) {
    VRX_cpt cpt(0, nullptr);
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.500004, 0.5})), kSuccess);
    EXPECT_TRUE(cpt.IsConsistent());
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.50001, 0.5})), kSuccess);
    EXPECT_FALSE(cpt.IsConsistent());
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.49999, 0.5})), kSuccess);
    EXPECT_FALSE(cpt.IsConsistent());
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.5, 1.5})), kSuccess);
    EXPECT_FALSE(cpt.IsConsistent());
    // An entry that is no number or no probability is refused, and the table stays as it was.
    EXPECT_EQ(cpt.SetProbabilities(Doubles({std::numeric_limits<double>::quiet_NaN(), 1.0})), kOutOfRange);
    EXPECT_EQ(cpt.SetProbabilities(Doubles({-0.5, 1.5})), kOutOfRange);
    EXPECT_FALSE(cpt.IsConsistent());
    EXPECT_EQ(cpt.GetProbabilities()[1], 1.5);
    ASSERT_EQ(cpt.SetProbabilities(Doubles({1.0, 0.0})), kSuccess);
    EXPECT_TRUE(cpt.IsConsistent());
    EXPECT_TRUE(cpt.IsValid());
}

TEST(CptStandalone, WrongSizedSettersAreRefusedAndChangeNothing) {
    VRX_cpt cpt(0, nullptr);
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.25, 0.75})), kSuccess);

    EXPECT_EQ(cpt.SetProbabilities(Doubles({0.1, 0.2, 0.7})), kOutOfRange);
    EXPECT_EQ(cpt.SetProbabilities(Doubles({1.0})), kOutOfRange);
    EXPECT_EQ(cpt.SetDefinitionDoubles(Doubles({0.1, 0.2, 0.7})), kOutOfRange);
    EXPECT_EQ(cpt.SetDefinitionDoubles(VRX_doubleArray()), kOutOfRange);

    VRX_Dmatrix other(Ints({3}));
    other.FillWith(1.0 / 3);
    EXPECT_EQ(cpt.SetDefinition(other), kOutOfRange);
    VRX_Dmatrix twoDims(Ints({1, 2}));
    twoDims.FillWith(0.5);
    EXPECT_EQ(cpt.SetDefinition(twoDims), kOutOfRange);
    EXPECT_EQ(cpt.SetDefinition(VRX_Dmatrix()), kOutOfRange);

    EXPECT_EQ(Shape(cpt.GetProbabilities()), std::vector<int>{2});
    ExpectEntries(cpt.GetProbabilities(), {0.25, 0.75});

    VRX_Dmatrix same(Ints({2}));
    same[0] = 0.6;
    same[1] = 0.4;
    EXPECT_EQ(cpt.SetDefinition(same), kSuccess);
    ExpectEntries(cpt.GetProbabilities(), {0.6, 0.4});
    // An array filled by Add (spare capacity beyond its items) is read by its items.
    VRX_doubleArray added;
    ASSERT_EQ(added.Add(0.9), kSuccess);
    ASSERT_EQ(added.Add(0.1), kSuccess);
    EXPECT_EQ(cpt.SetDefinitionDoubles(added), kSuccess);
    ExpectEntries(cpt.GetProbabilities(), {0.9, 0.1});
}

TEST(CptStandalone, ChangeOrderOfOutcomesPermutesNamesAndEntries) {
    VRX_cpt cpt(0, nullptr);
    ASSERT_EQ(cpt.SetOutcomes(Strings({"a", "b", "c"})), kSuccess);
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.1, 0.2, 0.7})), kSuccess);

    EXPECT_EQ(cpt.ChangeOrderOfOutcomes(Ints({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(cpt.ChangeOrderOfOutcomes(Ints({1, 0})), kOutOfRange);
    EXPECT_EQ(cpt.ChangeOrderOfOutcomes(Ints({0, 1, 3})), kOutOfRange);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"a", "b", "c"}));
    ExpectEntries(cpt.GetProbabilities(), {0.1, 0.2, 0.7});

    EXPECT_EQ(cpt.ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"c", "a", "b"}));
    ExpectEntries(cpt.GetProbabilities(), {0.7, 0.1, 0.2});
}

TEST(CptStandalone, ChangeOutcomesPassesThroughTemporaries) {
    VRX_cpt cpt(0, nullptr);
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.4, 0.6})), kSuccess);
    // Neither old outcome kept, two new ones.
    EXPECT_EQ(cpt.ChangeOutcomes(Strings({"Hot", "Cold"}), Ints({-1, -1})), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"Hot", "Cold"}));
    EXPECT_EQ(cpt.GetNumberOfOutcomes(), 2);

    // Swap with a new one in the middle: the kept entries follow their outcomes.
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.4, 0.6})), kSuccess);
    EXPECT_EQ(cpt.ChangeOutcomes(Strings({"Cold", "Warm", "Hot"}), Ints({1, -1, 0})), kSuccess);
    EXPECT_EQ(Names(cpt), (std::vector<std::string>{"Cold", "Warm", "Hot"}));
    ExpectEntries(cpt.GetProbabilities(), {0.6, 0.0, 0.4});
}

TEST(CptStandalone, InvalidTableRefusesEdits) {
    VRX_cpt cpt(0, nullptr);
    // A shallow clean-up drops the count but keeps the identifiers: they no longer agree.
    cpt.CleanUp(0);
    ASSERT_FALSE(cpt.IsValid());
    EXPECT_EQ(cpt.AddOutcome("x"), kObjectNotValid);
    EXPECT_EQ(cpt.InsertOutcome(0, "x"), kObjectNotValid);
    EXPECT_EQ(cpt.RemoveOutcome(0), kObjectNotValid);
    EXPECT_EQ(cpt.RenameOutcome(0, "x"), kObjectNotValid);
    EXPECT_EQ(cpt.RenameOutcomes(Strings({"x", "y"})), kObjectNotValid);
    EXPECT_EQ(cpt.SetProbabilities(Doubles({0.5, 0.5})), kObjectNotValid);
    EXPECT_EQ(cpt.AddParent(0), kObjectNotValid);
    // Rebuilding repairs it.
    EXPECT_EQ(cpt.RebuildFromParents(), kSuccess);
    EXPECT_TRUE(cpt.IsValid());
}

TEST(CptStandalone, CopiesKeepOutcomesAndTable) {
    VRX_cpt cpt(0, nullptr);
    ASSERT_EQ(cpt.SetOutcomes(Strings({"a", "b", "c"})), kSuccess);
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.1, 0.2, 0.7})), kSuccess);

    VRX_cpt copy(cpt);
    EXPECT_EQ(Names(copy), (std::vector<std::string>{"a", "b", "c"}));
    ExpectEntries(copy.GetProbabilities(), {0.1, 0.2, 0.7});

    VRX_nodeDefinition& asBase = cpt;
    VRX_cpt converted(asBase);
    ExpectEntries(converted.GetProbabilities(), {0.1, 0.2, 0.7});

    VRX_cpt target(0, nullptr);
    ASSERT_EQ(target.SetNumberOfOutcomes(3), kSuccess);
    EXPECT_EQ(cpt.CopyParametersTo(target), kSuccess);
    ExpectEntries(target.GetProbabilities(), {0.1, 0.2, 0.7});
    EXPECT_EQ(copy.CopyFrom(copy), kSuccess);
}

// ---------------------------------------------------------------------------------------------------
// Tables in a network: the shape follows the parents and every edit keeps cells in place.

class CptInNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        a = net.AddNode(DefinitionType::kCpt, "A");
        b = net.AddNode(DefinitionType::kCpt, "B");
        c = net.AddNode(DefinitionType::kCpt, "C");
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        ASSERT_GE(c, 0);
        ASSERT_EQ(Cpt(b).SetNumberOfOutcomes(3), kSuccess);
    }

    VRX_cpt& Cpt(int h) { return *static_cast<VRX_cpt*>(net.GetNode(h)->GetDefinition()); }

    // C with parents A (2 outcomes) and B (3), every cell marked by its coordinates.
    void BuildMarkedChild() {
        ASSERT_EQ(net.AddArc(a, c), kSuccess);
        ASSERT_EQ(net.AddArc(b, c), kSuccess);
        VRX_Dmatrix& t = Cpt(c).GetProbabilities();
        ASSERT_EQ(Shape(t), (std::vector<int>{2, 3, 2}));
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 2; ++k) t.Subscript(Ints({i, j, k})) = Mark(i, j, k);
    }

    VRX_network net;
    int a = -1;
    int b = -1;
    int c = -1;
};

TEST_F(CptInNetwork, TwoParentsGiveParentDimensionsFirstAndUniformColumns) {
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    ASSERT_EQ(net.AddArc(b, c), kSuccess);
    const VRX_Dmatrix& t = Cpt(c).GetProbabilities();
    EXPECT_EQ(Shape(t), (std::vector<int>{2, 3, 2}));
    EXPECT_EQ(Cpt(c).GetSize(), 12);
    for (double v : Entries(t)) EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_TRUE(Cpt(c).IsValid());
    EXPECT_TRUE(Cpt(c).IsConsistent());

    // A rebuild gives the same shape.
    ASSERT_EQ(Cpt(c).SetProbabilities(Doubles({1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0})), kSuccess);
    EXPECT_EQ(Cpt(c).RebuildFromParents(), kSuccess);
    EXPECT_EQ(Shape(t), (std::vector<int>{2, 3, 2}));
    for (double v : Entries(t)) EXPECT_DOUBLE_EQ(v, 0.5);
}

TEST_F(CptInNetwork, AddingAParentRepeatsTheExistingColumn) {
    ASSERT_EQ(Cpt(c).SetProbabilities(Doubles({0.2, 0.8})), kSuccess);
    ASSERT_EQ(net.AddArc(b, c), kSuccess);
    EXPECT_EQ(Shape(Cpt(c).GetProbabilities()), (std::vector<int>{3, 2}));
    ExpectEntries(Cpt(c).GetProbabilities(), {0.2, 0.8, 0.2, 0.8, 0.2, 0.8});
}

TEST_F(CptInNetwork, AddParentRefusesStrangers) {
    // Not (yet) a parent of C: the position lookup fails.
    EXPECT_EQ(Cpt(c).AddParent(a), kOutOfRange);
    EXPECT_EQ(Cpt(c).AddParent(99), kOutOfRange);
    EXPECT_EQ(Cpt(c).AddParent(-1), kOutOfRange);
    EXPECT_EQ(Shape(Cpt(c).GetProbabilities()), std::vector<int>{2});
}

TEST_F(CptInNetwork, RemovingAParentKeepsTheSliceOfItsFirstOutcome) {
    BuildMarkedChild();
    ASSERT_EQ(net.RemoveArc(a, c), kSuccess);
    const VRX_Dmatrix& t = Cpt(c).GetProbabilities();
    ASSERT_EQ(Shape(t), (std::vector<int>{3, 2}));
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 2; ++k) EXPECT_DOUBLE_EQ(At(t, {j, k}), Mark(0, j, k));
    // Later edits of B still find its dimension, now the first.
    ASSERT_EQ(Cpt(b).RemoveOutcome(1), kSuccess);
    ASSERT_EQ(Shape(t), (std::vector<int>{2, 2}));
    EXPECT_DOUBLE_EQ(At(t, {1, 1}), Mark(0, 2, 1));
}

TEST_F(CptInNetwork, ParentLeftWithoutDimensionShiftsNoOtherParent) {
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    ASSERT_EQ(net.AddArc(b, c), kSuccess);
    // A table cannot be indexed by a cast: the kind change takes A's arc away and the rebuild that
    // follows must still give B its dimension.
    ASSERT_EQ(net.GetNode(a)->ChangeType(DefinitionType::kCast), kSuccess);
    ASSERT_EQ(net.GetParents(c).GetCount(), 1);
    const VRX_Dmatrix& t = Cpt(c).GetProbabilities();
    ASSERT_EQ(Shape(t), (std::vector<int>{3, 2}));
    ASSERT_EQ(Cpt(c).SetProbabilities(Doubles({0.1, 0.9, 0.2, 0.8, 0.3, 0.7})), kSuccess);
    ASSERT_EQ(Cpt(b).RemoveOutcome(0), kSuccess);
    ASSERT_EQ(Shape(t), (std::vector<int>{2, 2}));
    EXPECT_DOUBLE_EQ(At(t, {0, 0}), 0.2);
    EXPECT_DOUBLE_EQ(At(t, {1, 0}), 0.3);
    ASSERT_EQ(net.RemoveArc(b, c), kSuccess);
    EXPECT_EQ(Shape(t), std::vector<int>{2});
    EXPECT_DOUBLE_EQ(At(t, {0}), 0.2);
}

TEST_F(CptInNetwork, ReorderingParentsMovesEveryCell) {
    BuildMarkedChild();
    ASSERT_EQ(net.ReorderParents(c, Ints({1, 0})), kSuccess);
    const VRX_Dmatrix& t = Cpt(c).GetProbabilities();
    ASSERT_EQ(Shape(t), (std::vector<int>{3, 2, 2}));
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 2; ++k) EXPECT_DOUBLE_EQ(At(t, {j, i, k}), Mark(i, j, k));
}

TEST_F(CptInNetwork, ReorderParentsRefusesNonPermutations) {
    BuildMarkedChild();
    const std::vector<double> before = Entries(Cpt(c).GetProbabilities());
    EXPECT_EQ(Cpt(c).ReorderParents(Ints({0, 0})), kOutOfRange);
    EXPECT_EQ(Cpt(c).ReorderParents(Ints({1, 2})), kOutOfRange);
    EXPECT_EQ(Cpt(c).ReorderParents(Ints({1, 0, 2})), kOutOfRange);
    EXPECT_EQ(Cpt(c).ReorderParents(Ints({0})), kOutOfRange);
    EXPECT_EQ(Shape(Cpt(c).GetProbabilities()), (std::vector<int>{2, 3, 2}));
    EXPECT_EQ(Entries(Cpt(c).GetProbabilities()), before);
}

TEST_F(CptInNetwork, InsertedParentOutcomeGetsUniformColumnsOthersStay) {
    BuildMarkedChild();
    ASSERT_EQ(Cpt(b).InsertOutcome(1, "New"), kSuccess);
    const VRX_Dmatrix& t = Cpt(c).GetProbabilities();
    ASSERT_EQ(Shape(t), (std::vector<int>{2, 4, 2}));
    for (int i = 0; i < 2; ++i) {
        for (int k = 0; k < 2; ++k) {
            EXPECT_DOUBLE_EQ(At(t, {i, 0, k}), Mark(i, 0, k));
            EXPECT_DOUBLE_EQ(At(t, {i, 1, k}), 0.5);
            EXPECT_DOUBLE_EQ(At(t, {i, 2, k}), Mark(i, 1, k));
            EXPECT_DOUBLE_EQ(At(t, {i, 3, k}), Mark(i, 2, k));
        }
    }
    // Appending through AddOutcome lands in the last slot.
    ASSERT_EQ(Cpt(a).AddOutcome("Third"), kSuccess);
    ASSERT_EQ(Shape(t), (std::vector<int>{3, 4, 2}));
    EXPECT_DOUBLE_EQ(At(t, {1, 3, 0}), Mark(1, 2, 0));
    EXPECT_DOUBLE_EQ(At(t, {2, 3, 1}), 0.5);
}

// A run of edits of the outermost parent: each of its outcomes keeps its columns, new ones are uniform,
// and the parent's own table and beliefs follow its outcome count.
TEST_F(CptInNetwork, RunOfParentOutcomeEditsKeepsEveryColumnInPlace) {
    BuildMarkedChild();
    // Old outcome of A in each slot after the edits, -1 for a new one.
    const std::vector<int> expected = {-1, 0, 1, -1, -1, -1, -1, -1, -1};
    for (int i = 0; i < 8; ++i) ASSERT_EQ(Cpt(a).AddOutcome(nullptr), kSuccess);
    ASSERT_EQ(Cpt(a).InsertOutcome(0, "First"), kSuccess);
    for (int i = 0; i < 2; ++i) ASSERT_EQ(Cpt(a).RemoveOutcome(Cpt(a).GetNumberOfOutcomes() - 1), kSuccess);
    const VRX_Dmatrix& t = Cpt(c).GetProbabilities();
    ASSERT_EQ(Shape(t), (std::vector<int>{9, 3, 2}));
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 2; ++k)
                EXPECT_DOUBLE_EQ(At(t, {i, j, k}), expected[i] < 0 ? 0.5 : Mark(expected[i], j, k)) << i;
    const std::vector<double> own = {0.0, 0.5, 0.5, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    EXPECT_EQ(Entries(Cpt(a).GetProbabilities()), own);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
    EXPECT_EQ(Beliefs(net, a), own);
}

TEST_F(CptInNetwork, RemovedParentOutcomeDropsItsColumns) {
    BuildMarkedChild();
    ASSERT_EQ(Cpt(b).RemoveOutcome(0), kSuccess);
    const VRX_Dmatrix& t = Cpt(c).GetProbabilities();
    ASSERT_EQ(Shape(t), (std::vector<int>{2, 2, 2}));
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) EXPECT_DOUBLE_EQ(At(t, {i, j, k}), Mark(i, j + 1, k));
}

TEST_F(CptInNetwork, ReorderedParentOutcomesMoveTheirColumns) {
    BuildMarkedChild();
    ASSERT_EQ(Cpt(b).ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    const VRX_Dmatrix& t = Cpt(c).GetProbabilities();
    const int old[3] = {2, 0, 1};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 2; ++k) EXPECT_DOUBLE_EQ(At(t, {i, j, k}), Mark(i, old[j], k));

    // Direct calls with bad orders or indexes change nothing.
    const std::vector<double> before = Entries(t);
    EXPECT_EQ(Cpt(c).ReorderParentOutcomes(b, Ints({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(Cpt(c).ReorderParentOutcomes(b, Ints({1, 0})), kOutOfRange);
    EXPECT_EQ(Cpt(c).InsertParentOutcome(b, 4), kOutOfRange);
    EXPECT_EQ(Cpt(c).InsertParentOutcome(b, -1), kOutOfRange);
    EXPECT_EQ(Cpt(c).RemoveParentOutcome(b, 3), kOutOfRange);
    EXPECT_EQ(Cpt(c).RemoveParentOutcome(c, 0), kOutOfRange);
    EXPECT_EQ(Shape(t), (std::vector<int>{2, 3, 2}));
    EXPECT_EQ(Entries(t), before);
}

TEST_F(CptInNetwork, OwnOutcomeEditsKeepTheOtherProbabilities) {
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    ASSERT_EQ(Cpt(c).SetProbabilities(Doubles({0.1, 0.9, 0.7, 0.3})), kSuccess);
    ASSERT_EQ(Cpt(c).InsertOutcome(0, "Zero"), kSuccess);
    ExpectEntries(Cpt(c).GetProbabilities(), {0.0, 0.1, 0.9, 0.0, 0.7, 0.3});
    ASSERT_EQ(Cpt(c).RemoveOutcome(2), kSuccess);
    ExpectEntries(Cpt(c).GetProbabilities(), {0.0, 0.1, 0.0, 0.7});
    ASSERT_EQ(Cpt(c).ChangeOrderOfOutcomes(Ints({1, 0})), kSuccess);
    ExpectEntries(Cpt(c).GetProbabilities(), {0.1, 0.0, 0.7, 0.0});
}

TEST_F(CptInNetwork, OutcomeSetOfANodeWithChildrenCannotBeReplaced) {
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    EXPECT_EQ(Cpt(a).SetNumberOfOutcomes(4), kNodeHasChildren);
    EXPECT_EQ(Cpt(a).SetOutcomes(Strings({"x", "y", "z"})), kNodeHasChildren);
    EXPECT_EQ(Cpt(a).GetNumberOfOutcomes(), 2);
    EXPECT_EQ(Shape(Cpt(c).GetProbabilities()), (std::vector<int>{2, 2}));
}

TEST_F(CptInNetwork, AbsorbingEvidenceKeepsTheObservedSlice) {
    BuildMarkedChild();
    VRX_cpt work(Cpt(c));
    EXPECT_EQ(work.AbsorbParentEvidence(b), kOutOfRange);  // B is not observed
    ASSERT_EQ(net.GetNode(b)->GetValue()->SetEvidence(2), kSuccess);
    EXPECT_EQ(work.AbsorbParentEvidence(b), kSuccess);
    const VRX_Dmatrix& t = work.GetProbabilities();
    ASSERT_EQ(Shape(t), (std::vector<int>{2, 2}));
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 2; ++k) EXPECT_DOUBLE_EQ(At(t, {i, k}), Mark(i, 2, k));
    // The observed parent cannot be summed out.
    VRX_cpt other(Cpt(c));
    EXPECT_EQ(other.MarginalizeParent(b), kOutOfRange);
}

TEST_F(CptInNetwork, MarginalizingWeighsByTheParentsPrior) {
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    ASSERT_EQ(Cpt(a).SetProbabilities(Doubles({0.25, 0.75})), kSuccess);
    ASSERT_EQ(Cpt(c).SetProbabilities(Doubles({0.2, 0.8, 0.6, 0.4})), kSuccess);
    ASSERT_EQ(Cpt(c).MarginalizeParent(a), kSuccess);
    EXPECT_EQ(Shape(Cpt(c).GetProbabilities()), std::vector<int>{2});
    ExpectEntries(Cpt(c).GetProbabilities(), {0.25 * 0.2 + 0.75 * 0.6, 0.25 * 0.8 + 0.75 * 0.4});
    EXPECT_TRUE(Cpt(c).IsValid());
}

TEST_F(CptInNetwork, CopyFromAnotherTableTakesOutcomesAndMatchingEntries) {
    ASSERT_EQ(Cpt(a).SetOutcomes(Strings({"lo", "mid", "hi"})), kSuccess);
    ASSERT_EQ(Cpt(a).SetProbabilities(Doubles({0.1, 0.2, 0.7})), kSuccess);
    // C has no parents: a table of the same size is taken over whole.
    ASSERT_EQ(Cpt(c).CopyFrom(Cpt(a)), kSuccess);
    EXPECT_EQ(Cpt(c).GetHandle(), a);
    EXPECT_EQ(Names(Cpt(c)), (std::vector<std::string>{"lo", "mid", "hi"}));
    ExpectEntries(Cpt(c).GetProbabilities(), {0.1, 0.2, 0.7});
    // Put it back where it belongs for the fixture's teardown.
    Cpt(c).Bind(&net, c);
    ASSERT_EQ(Cpt(c).RebuildFromParents(), kSuccess);

    // The copy takes the source's node, so its shape follows that node's parents.
    ASSERT_EQ(net.AddArc(b, a), kSuccess);
    VRX_cpt copy(Cpt(c));
    ASSERT_EQ(copy.CopyFrom(Cpt(a)), kSuccess);
    EXPECT_EQ(Shape(copy.GetProbabilities()), (std::vector<int>{3, 3}));
    ExpectEntries(copy.GetProbabilities(), {0.1, 0.2, 0.7, 0.1, 0.2, 0.7, 0.1, 0.2, 0.7});
}

// ---------------------------------------------------------------------------------------------------
// Conversions from kinds the table knows only through the definition interface.

// Stands in for a definition of another kind: only its type code and its table matter here.
class ForeignDefinition : public VRX_nodeDefinition {
public:
    ForeignDefinition(int typeCode, int nodeHandle, VRX_network* net)
        : VRX_nodeDefinition(nodeHandle, net), type(typeCode) {}
    int GetType() const override { return type; }
    const char* GetTypeName() const override { return "FOREIGN"; }
    int GetDefinition(VRX_Dmatrix*& out) override {
        out = &table;
        return kSuccess;
    }

    int type;
    VRX_Dmatrix table;
};

TEST_F(CptInNetwork, UtilityTableBecomesTwoOutcomeColumnsScaledToItsRange) {
    ASSERT_EQ(net.AddArc(b, c), kSuccess);
    ForeignDefinition utility(DefinitionType::kTable, c, &net);
    ASSERT_EQ(utility.table.Setup(Ints({3, 1})), kSuccess);
    utility.table[0] = 10.0;
    utility.table[1] = 20.0;
    utility.table[2] = 30.0;
    VRX_cpt converted(c, &net);
    ASSERT_EQ(converted.CopyFrom(utility), kSuccess);
    EXPECT_EQ(Names(converted), (std::vector<std::string>{"State0", "State1"}));
    EXPECT_EQ(Shape(converted.GetProbabilities()), (std::vector<int>{3, 2}));
    ExpectEntries(converted.GetProbabilities(), {0.0, 1.0, 0.5, 0.5, 1.0, 0.0});

    utility.table.FillWith(7.0);
    ASSERT_EQ(converted.CopyFrom(utility), kSuccess);
    ExpectEntries(converted.GetProbabilities(), {0.0, 1.0, 0.0, 1.0, 0.0, 1.0});
}

TEST_F(CptInNetwork, CastSourceNeedsANodeWithoutParents) {
    ForeignDefinition cast(DefinitionType::kCast, c, &net);
    VRX_cpt converted(c, &net);
    ASSERT_EQ(converted.CopyFrom(cast), kSuccess);
    EXPECT_EQ(Names(converted), (std::vector<std::string>{"True", "False"}));
    ExpectEntries(converted.GetProbabilities(), {0.5, 0.5});

    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    EXPECT_EQ(converted.CopyFrom(cast), kOutOfRange);
    // The refusal leaves the table cleaned up.
    EXPECT_EQ(converted.GetNumberOfOutcomes(), 0);
    EXPECT_EQ(converted.GetSize(), 0);
}

TEST_F(CptInNetwork, OtherSourceKinds) {
    VRX_cpt converted(c, &net);
    ForeignDefinition mau(DefinitionType::kMau, c, &net);
    ASSERT_EQ(converted.CopyFrom(mau), kSuccess);
    EXPECT_EQ(Names(converted), (std::vector<std::string>{"State0", "State1"}));
    ExpectEntries(converted.GetProbabilities(), {0.5, 0.5});

    ForeignDefinition equation(DefinitionType::kEquation, c, &net);
    ASSERT_EQ(converted.CopyFrom(equation), kSuccess);
    EXPECT_EQ(converted.GetNumberOfOutcomes(), 0);
    EXPECT_EQ(converted.GetSize(), 0);

    ForeignDefinition distribution(DefinitionType::kDistribution, c, &net);
    EXPECT_EQ(converted.CopyFrom(distribution), kOutOfRange);

    ForeignDefinition detached(DefinitionType::kMau, 77, &net);
    EXPECT_EQ(converted.CopyFrom(detached), kObjectNotValid);
}

}  // namespace
