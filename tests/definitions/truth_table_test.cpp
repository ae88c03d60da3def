// Truth table: deterministic columns through graph and outcome edits, resulting states, conversions.
#include "definitions/truth_table.h"

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
#include "model/network.h"
#include "model/node.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

// Writes the entries into the table as a conversion leaves them (SetDefinitionDoubles takes only columns
// of one 1.0 and zeros), then checks its consistency.
int Put(VRX_truthTable& table, const std::vector<double>& entries) {
    VRX_Dmatrix* m = nullptr;
    if (const int rc = table.GetDefinition(m)) return rc;
    if (m->GetNumberOfElements() != static_cast<int>(entries.size())) return kOutOfRange;
    for (size_t i = 0; i < entries.size(); ++i) m->GetData()[i] = entries[i];
    table.CheckConsistency(0);
    return kSuccess;
}

// The outcome holding the 1.0 of every column; a column that is not exactly one 1.0 among zeros
// fails the test and reports -1.
std::vector<int> ResultingStates(const VRX_Dmatrix& m) {
    const int run = m.GetDimensions()[m.GetNumberOfDimensions() - 1];
    std::vector<int> out;
    for (int start = 0; start < m.GetNumberOfElements(); start += run) {
        int holder = -1;
        int ones = 0;
        for (int j = 0; j < run; ++j) {
            const double v = m[start + j];
            EXPECT_TRUE(v == 0.0 || v == 1.0) << "entry " << start + j << " = " << v;
            if (v == 1.0) {
                holder = j;
                ++ones;
            }
        }
        EXPECT_EQ(ones, 1) << "column at " << start;
        out.push_back(ones == 1 ? holder : -1);
    }
    return out;
}

// A definition attached to no node, so not valid.
class Detached : public VRX_nodeDefinition {
public:
    Detached() : VRX_nodeDefinition(77, nullptr) {}
    int GetType() const override { return DefinitionType::kTruthTable; }
    const char* GetTypeName() const override { return "TRUTHTABLE"; }
};

class TruthTableInNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        a = net.AddNode(DefinitionType::kCpt, "A");
        b = net.AddNode(DefinitionType::kCpt, "B");
        t = net.AddNode(DefinitionType::kTruthTable, "T");
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        ASSERT_GE(t, 0);
    }

    VRX_truthTable& Table() { return *static_cast<VRX_truthTable*>(net.GetNode(t)->GetDefinition()); }
    VRX_nodeDefinition& Def(int h) { return *net.GetNode(h)->GetDefinition(); }
    std::vector<int> States() { return ResultingStates(Table().GetProbabilities()); }
    bool Consistent() {
        Table().CheckConsistency(1);
        return Table().IsConsistent();
    }

    VRX_network net;
    int a = -1;
    int b = -1;
    int t = -1;
};

// ---------------------------------------------------------------------------------------------------

TEST(TruthTableStandalone, NewTableTakesTheFirstOutcomeAndIsConsistent) {
    VRX_truthTable table(0, nullptr);
    EXPECT_EQ(table.GetType(), 0x14);
    EXPECT_STREQ(table.GetTypeName(), "TRUTHTABLE");
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{1.0, 0.0}));
    EXPECT_TRUE(table.IsValid());
    EXPECT_TRUE(table.IsConsistent());
}

TEST(TruthTableStandalone, MakeDeterministicLetsTheLargestEntryWinAndTiesGoLater) {
    VRX_truthTable table(0, nullptr);
    ASSERT_EQ(Put(table, {0.5, 0.5}), kSuccess);
    ASSERT_EQ(table.MakeDeterministic(), kSuccess);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{0.0, 1.0}));

    ASSERT_EQ(table.AddOutcome("Third"), kSuccess);
    ASSERT_EQ(Put(table, {0.7, 0.2, 0.1}), kSuccess);
    ASSERT_EQ(table.MakeDeterministic(), kSuccess);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{1.0, 0.0, 0.0}));

    ASSERT_EQ(Put(table, {0.2, 0.4, 0.4}), kSuccess);
    ASSERT_EQ(table.MakeDeterministic(), kSuccess);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{0.0, 0.0, 1.0}));

    ASSERT_EQ(Put(table, {0.0, 0.0, 0.0}), kSuccess);
    ASSERT_EQ(table.MakeDeterministic(), kSuccess);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{0.0, 0.0, 1.0}));
    EXPECT_TRUE(table.IsConsistent());
}

TEST(TruthTableStandalone, ColumnsWithoutAnyCandidateStillGetExactlyOneOne) {
    VRX_truthTable table(0, nullptr);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ASSERT_EQ(Put(table, {-0.3, nan}), kSuccess);
    ASSERT_EQ(table.MakeDeterministic(), kSuccess);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{0.0, 1.0}));

    ASSERT_EQ(Put(table, {nan, 0.4}), kSuccess);
    ASSERT_EQ(table.MakeDeterministic(), kSuccess);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{0.0, 1.0}));
}

TEST(TruthTableStandalone, ConsistencyWantsZerosAndOnesThatFormDistributions) {
    VRX_truthTable table(0, nullptr);
    ASSERT_EQ(Put(table, {0.5, 0.5}), kSuccess);
    EXPECT_FALSE(table.IsConsistent());
    ASSERT_EQ(Put(table, {1.0, 1.0}), kSuccess);
    EXPECT_FALSE(table.IsConsistent());
    ASSERT_EQ(Put(table, {0.0, 0.0}), kSuccess);
    EXPECT_FALSE(table.IsConsistent());
    ASSERT_EQ(Put(table, {0.0, 1.0}), kSuccess);
    EXPECT_TRUE(table.IsConsistent());
}

TEST(TruthTableStandalone, ResultingStatesRefuseBadIndexesAndLengthsWithoutChange) {
    VRX_truthTable table(0, nullptr);
    ASSERT_EQ(table.AddOutcome("Third"), kSuccess);
    ASSERT_EQ(table.SetResultingStates(Ints({2})), kSuccess);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{0.0, 0.0, 1.0}));

    EXPECT_EQ(table.SetResultingStates(Ints({3})), kOutOfRange);
    EXPECT_EQ(table.SetResultingStates(Ints({-1})), kOutOfRange);
    EXPECT_EQ(table.SetResultingStates(Ints({0, 1})), kOutOfRange);
    EXPECT_EQ(table.SetResultingStates(VRX_intArray()), kOutOfRange);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{0.0, 0.0, 1.0}));

    // The generic setters answer -4 for a list of the wrong length.
    EXPECT_EQ(table.SetDefinitionInts(Ints({0, 1})), kInvalidData);
    EXPECT_EQ(table.SetDefinitionStrings(Strings({"State0", "State1"})), kInvalidData);
    EXPECT_EQ(table.SetDefinitionInts(Ints({5})), kOutOfRange);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{0.0, 0.0, 1.0}));
    ASSERT_EQ(table.SetDefinitionInts(Ints({1})), kSuccess);
    EXPECT_EQ(Entries(table.GetProbabilities()), (std::vector<double>{0.0, 1.0, 0.0}));
}

TEST(TruthTableStandalone, GetResultingStatesReportsTheFirstOutcomeForAColumnWithoutOne) {
    VRX_truthTable table(0, nullptr);
    ASSERT_EQ(Put(table, {0.5, 0.5}), kSuccess);
    VRX_stringArray out;
    ASSERT_EQ(out.Add("kept"), kSuccess);
    ASSERT_EQ(table.GetResultingStates(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<std::string>{"kept", "State0"}));
}

// ---------------------------------------------------------------------------------------------------

TEST_F(TruthTableInNetwork, NewTableOverAThreeOutcomeParentPicksTheFirstOutcomeEverywhere) {
    ASSERT_EQ(Def(a).AddOutcome("Third"), kSuccess);
    ASSERT_EQ(net.AddArc(a, t), kSuccess);
    VRX_truthTable fresh(t, &net);
    EXPECT_EQ(Shape(fresh.GetProbabilities()), (std::vector<int>{3, 2}));
    EXPECT_EQ(Entries(fresh.GetProbabilities()), (std::vector<double>{1, 0, 1, 0, 1, 0}));
    EXPECT_TRUE(fresh.IsConsistent());
}

TEST_F(TruthTableInNetwork, StaysDeterministicThroughParentAndOutcomeEdits) {
    ASSERT_EQ(Def(t).SetNumberOfOutcomes(3), kSuccess);
    ASSERT_EQ(net.AddArc(a, t), kSuccess);
    ASSERT_EQ(Table().SetResultingStates(Ints({0, 1})), kSuccess);
    EXPECT_EQ(States(), (std::vector<int>{0, 1}));

    // A new parent outcome gets the node's last outcome; the other columns keep theirs.
    ASSERT_EQ(Def(a).AddOutcome("a2"), kSuccess);
    EXPECT_EQ(States(), (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(Def(a).InsertOutcome(0, "aFirst"), kSuccess);
    EXPECT_EQ(States(), (std::vector<int>{2, 0, 1, 2}));
    ASSERT_EQ(Def(a).RemoveOutcome(1), kSuccess);
    EXPECT_EQ(States(), (std::vector<int>{2, 1, 2}));
    ASSERT_EQ(Def(a).ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    EXPECT_EQ(States(), (std::vector<int>{2, 2, 1}));
    EXPECT_TRUE(Consistent());

    // A second parent repeats every column along its outcomes.
    ASSERT_EQ(net.AddArc(b, t), kSuccess);
    EXPECT_EQ(Shape(Table().GetProbabilities()), (std::vector<int>{3, 2, 3}));
    EXPECT_EQ(States(), (std::vector<int>{2, 2, 2, 2, 1, 1}));

    // Own outcomes: added ones are never chosen, inserted and reordered ones carry the 1.0 along.
    ASSERT_EQ(Def(t).AddOutcome("Last"), kSuccess);
    EXPECT_EQ(States(), (std::vector<int>{2, 2, 2, 2, 1, 1}));
    ASSERT_EQ(Def(t).InsertOutcome(0, "First"), kSuccess);
    EXPECT_EQ(States(), (std::vector<int>{3, 3, 3, 3, 2, 2}));
    ASSERT_EQ(Def(t).ChangeOrderOfOutcomes(Ints({4, 3, 2, 1, 0})), kSuccess);
    EXPECT_EQ(States(), (std::vector<int>{1, 1, 1, 1, 2, 2}));
    EXPECT_TRUE(Consistent());

    // Removing a parent keeps the slice of its first outcome.
    ASSERT_EQ(net.RemoveArc(a, t), kSuccess);
    EXPECT_EQ(Shape(Table().GetProbabilities()), (std::vector<int>{2, 5}));
    EXPECT_EQ(States(), (std::vector<int>{1, 1}));
    EXPECT_TRUE(Consistent());
}

TEST_F(TruthTableInNetwork, RemovingTheChosenOutcomeGivesTheColumnTheLastOutcome) {
    ASSERT_EQ(Def(t).AddOutcome("Third"), kSuccess);
    ASSERT_EQ(net.AddArc(a, t), kSuccess);
    ASSERT_EQ(Table().SetResultingStates(Ints({1, 0})), kSuccess);
    ASSERT_EQ(Def(t).RemoveOutcome(1), kSuccess);
    EXPECT_EQ(Entries(Table().GetProbabilities()), (std::vector<double>{0, 1, 1, 0}));
    EXPECT_TRUE(Consistent());
}

TEST_F(TruthTableInNetwork, ResultingStatesByNameTreatUnknownNamesAsTheFirstOutcome) {
    ASSERT_EQ(Def(a).AddOutcome("Third"), kSuccess);
    ASSERT_EQ(net.AddArc(a, t), kSuccess);
    ASSERT_EQ(Def(t).RenameOutcomes(Strings({"Yes", "No"})), kSuccess);
    ASSERT_EQ(Table().SetDefinitionStrings(Strings({"No", "Maybe", "No"})), kSuccess);
    EXPECT_EQ(States(), (std::vector<int>{1, 0, 1}));

    VRX_stringArray out;
    ASSERT_EQ(Table().GetResultingStates(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<std::string>{"No", "Yes", "No"}));
}

TEST_F(TruthTableInNetwork, ConversionsEndDeterministic) {
    ASSERT_EQ(net.AddArc(a, b), kSuccess);
    auto& cpt = static_cast<VRX_cpt&>(Def(b));
    ASSERT_EQ(cpt.SetProbabilities(Doubles({0.3, 0.7, 0.6, 0.4})), kSuccess);

    // A CPT source: its largest entries win.
    ASSERT_EQ(net.GetNode(b)->ChangeType(DefinitionType::kTruthTable), kSuccess);
    auto& converted = static_cast<VRX_truthTable&>(Def(b));
    EXPECT_EQ(Entries(converted.GetProbabilities()), (std::vector<double>{0, 1, 1, 0}));
    converted.CheckConsistency(1);
    EXPECT_TRUE(converted.IsConsistent());

    // An invalid source changes nothing.
    Detached detached;
    ASSERT_FALSE(detached.IsValid());
    EXPECT_EQ(converted.CopyFrom(detached), kObjectNotValid);
    EXPECT_EQ(Entries(converted.GetProbabilities()), (std::vector<double>{0, 1, 1, 0}));
}

TEST_F(TruthTableInNetwork, CopiesKeepTheStatesAndChildrenIndexOnTheTable) {
    ASSERT_EQ(net.AddArc(a, t), kSuccess);
    ASSERT_EQ(Table().SetResultingStates(Ints({1, 0})), kSuccess);
    // A truth table indexes its children's tables.
    ASSERT_EQ(net.AddArc(t, b), kSuccess);
    EXPECT_EQ(Shape(static_cast<VRX_cpt&>(Def(b)).GetProbabilities()), (std::vector<int>{2, 2}));

    VRX_network copy(net);
    VRX_nodeDefinition* copied = copy.GetNode(t)->GetDefinition();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->GetType(), DefinitionType::kTruthTable);
    EXPECT_EQ(ResultingStates(static_cast<VRX_truthTable*>(copied)->GetProbabilities()),
              (std::vector<int>{1, 0}));
}

}  // namespace
