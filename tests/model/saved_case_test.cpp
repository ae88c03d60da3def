// Saved cases: names, evidence and target refusals, range checks, and keeping cases in step with the network.
#include "model/saved_case.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/cpt.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

using Pairs = std::vector<VRX_sliceEvidence>;

// A network with A (3 outcomes), B (2 outcomes) and C (4 outcomes).
class SavedCaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        a = AddNode("A", 3);
        b = AddNode("B", 2);
        c = AddNode("C", 4);
    }

    int AddNode(const char* id, int outcomes) { return vovido::test::AddCptNode(net, id, outcomes); }

    int PlainOutcome(const VRX_case& cs, int handle) {
        const int entry = cs.FindEvidence(handle);
        if (entry < 0) return entry;
        int node = -1, outcome = -99;
        EXPECT_EQ(cs.GetEvidence(entry, node, outcome), 0);
        EXPECT_EQ(node, handle);
        return outcome;
    }

    Pairs SlicesOf(const VRX_case& cs, int handle) {
        Pairs pairs;
        int node = -1;
        EXPECT_EQ(cs.GetTemporalEvidence(cs.FindEvidence(handle), node, pairs), 0);
        return pairs;
    }

    VRX_network net;
    int a = -1, b = -1, c = -1;
};

TEST_F(SavedCaseTest, NamesAreNonEmptyAndUniquePerNetwork) {
    VRX_case* first = net.AddCase("First");
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->GetName(), "First");
    EXPECT_STREQ(first->GetCategory(), "");
    EXPECT_EQ(first->GetCreated(), 0);
    EXPECT_EQ(net.AddCase("First"), nullptr);
    EXPECT_EQ(net.AddCase(""), nullptr);
    EXPECT_EQ(net.AddCase(nullptr), nullptr);
    EXPECT_EQ(net.GetNumberOfCases(), 1);

    VRX_network other;
    EXPECT_NE(other.AddCase("First"), nullptr);

    VRX_case* second = net.AddCase("Second");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->SetName("First"), kDuplicatedIdentifier);
    EXPECT_EQ(second->SetName(""), kIllegalIdentifier);
    EXPECT_STREQ(second->GetName(), "Second");
    EXPECT_EQ(second->SetName("Second"), 0);
    EXPECT_EQ(net.GetCase(1), second);
    EXPECT_EQ(net.GetCase(2), nullptr);
    EXPECT_EQ(net.GetCase(-1), nullptr);
}

TEST_F(SavedCaseTest, EvidenceRefusalsLeaveTheCaseUnchanged) {
    VRX_case& cs = *net.AddCase("K");
    EXPECT_EQ(cs.AddEvidence(a, 5), kOutOfRange);
    EXPECT_EQ(cs.AddEvidence(a, -1), kOutOfRange);
    EXPECT_EQ(cs.FindEvidence(a), kInvalidData);
    EXPECT_EQ(cs.AddEvidence(99, 0), kOutOfRange);
    EXPECT_EQ(cs.AddContEvidence(-1, 1.5), kOutOfRange);
    EXPECT_EQ(cs.GetNumberOfEvidence(), 0);

    EXPECT_EQ(cs.AddEvidence(a, 2), 0);
    EXPECT_EQ(cs.AddEvidence(a, 1), kDuplicatedIdentifier);
    EXPECT_EQ(cs.AddContEvidence(a, 1.5), kDuplicatedIdentifier);
    EXPECT_EQ(PlainOutcome(cs, a), 2);

    EXPECT_EQ(cs.AddContEvidence(b, 2.5), 0);
    int node = -1;
    double observed = 0;
    ASSERT_EQ(cs.GetContEvidence(cs.FindEvidence(b), node, observed), 0);
    EXPECT_EQ(node, b);
    EXPECT_EQ(observed, 2.5);
    EXPECT_EQ(PlainOutcome(cs, b), -1);
}

TEST_F(SavedCaseTest, TemporalEvidenceRefusesRepeatedAndNegativeSlices) {
    VRX_case& cs = *net.AddCase("K");
    EXPECT_EQ(cs.AddTemporalEvidence(a, 0, -1), kInvalidData);
    EXPECT_EQ(cs.AddTemporalEvidence(a, 3, 0), kOutOfRange);
    EXPECT_EQ(cs.FindEvidence(a), kInvalidData);
    EXPECT_EQ(cs.AddTemporalEvidence(a, 1, 0), 0);
    EXPECT_EQ(cs.AddTemporalEvidence(a, 2, 2), 0);
    EXPECT_EQ(cs.AddTemporalEvidence(a, 0, 2), kDuplicatedIdentifier);
    EXPECT_EQ(cs.AddTemporalEvidence(a, 0, -3), kInvalidData);  // also on an existing entry
    EXPECT_EQ(cs.AddTemporalEvidence(a, 3, 4), kOutOfRange);
    EXPECT_EQ(SlicesOf(cs, a), (Pairs{{0, 1}, {2, 2}}));
    EXPECT_EQ(PlainOutcome(cs, a), -1);
}

TEST_F(SavedCaseTest, EntryAndTargetIndicesAreRangeChecked) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddEvidence(a, 0), 0);
    const int entry = cs.FindEvidence(a);
    int node = 7, outcome = 7;
    double observed = 7;
    Pairs pairs{{1, 1}};
    for (int bad : {-1, 1, 1000}) {
        EXPECT_EQ(cs.SetEvidence(bad, 0), kOutOfRange);
        EXPECT_EQ(cs.SetTemporalEvidence(bad, Pairs{}), kOutOfRange);
        EXPECT_EQ(cs.GetEvidenceNode(bad), kOutOfRange);
        EXPECT_EQ(cs.GetEvidence(bad, node, outcome), kOutOfRange);
        EXPECT_EQ(cs.GetContEvidence(bad, node, observed), kOutOfRange);
        EXPECT_EQ(cs.GetTemporalEvidence(bad, node, pairs), kOutOfRange);
        EXPECT_EQ(cs.GetEntry(bad), nullptr);
        EXPECT_EQ(cs.GetTarget(bad), kOutOfRange);
    }
    EXPECT_EQ(node, 7);
    EXPECT_EQ(pairs, (Pairs{{1, 1}}));

    EXPECT_EQ(cs.SetEvidence(entry, 3), kOutOfRange);
    EXPECT_EQ(cs.SetEvidence(entry, 1), 0);
    EXPECT_EQ(PlainOutcome(cs, a), 1);
    EXPECT_EQ(cs.GetEvidenceNode(entry), a);

    EXPECT_EQ(cs.SetTemporalEvidence(entry, Pairs{{0, 0}, {-1, 0}}), kInvalidData);
    EXPECT_EQ(cs.SetTemporalEvidence(entry, Pairs{{0, 0}, {1, 3}}), kOutOfRange);
    EXPECT_EQ(cs.SetTemporalEvidence(entry, Pairs{{1, 0}, {1, 2}}), kDuplicatedIdentifier);
    EXPECT_TRUE(SlicesOf(cs, a).empty());
    EXPECT_EQ(cs.SetTemporalEvidence(entry, Pairs{{4, 2}, {1, 0}}), 0);
    EXPECT_EQ(SlicesOf(cs, a), (Pairs{{4, 2}, {1, 0}}));

    EXPECT_EQ(cs.AddTarget(42), kOutOfRange);
    EXPECT_EQ(cs.AddTarget(b), 0);
    EXPECT_EQ(cs.AddTarget(a), 0);
    EXPECT_EQ(cs.AddTarget(b), 0);
    ASSERT_EQ(cs.GetNumberOfTargets(), 2);
    EXPECT_EQ(cs.GetTarget(0), b);
    EXPECT_EQ(cs.GetTarget(1), a);
    EXPECT_EQ(cs.GetTarget(2), kOutOfRange);
}

TEST_F(SavedCaseTest, OutcomeRemovalShiftsOrDropsEvidence) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddEvidence(a, 2), 0);
    ASSERT_EQ(cs.AddEvidence(c, 1), 0);
    ASSERT_EQ(cs.AddContEvidence(b, 0.25), 0);
    net.OnOutcomeRemoved(a, 1);
    net.OnOutcomeRemoved(c, 1);
    net.OnOutcomeRemoved(b, 0);
    EXPECT_EQ(PlainOutcome(cs, a), 1);
    EXPECT_EQ(cs.FindEvidence(c), kInvalidData);
    EXPECT_EQ(PlainOutcome(cs, b), -1);  // a continuous value has no outcome to lose
}

TEST_F(SavedCaseTest, OutcomeInsertionShiftsEvidenceAtOrAbove) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddEvidence(a, 1), 0);
    ASSERT_EQ(cs.AddEvidence(c, 0), 0);
    ASSERT_EQ(cs.AddContEvidence(b, 3.0), 0);
    net.OnOutcomeInserted(a, 1);
    net.OnOutcomeInserted(c, 1);
    net.OnOutcomeInserted(b, 0);
    EXPECT_EQ(PlainOutcome(cs, a), 2);
    EXPECT_EQ(PlainOutcome(cs, c), 0);
    EXPECT_EQ(PlainOutcome(cs, b), -1);
}

TEST_F(SavedCaseTest, PlateEvidenceFollowsOutcomeChanges) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddTemporalEvidence(c, 0, 0), 0);
    ASSERT_EQ(cs.AddTemporalEvidence(c, 1, 1), 0);
    ASSERT_EQ(cs.AddTemporalEvidence(c, 3, 2), 0);
    net.OnOutcomeInserted(c, 1);
    EXPECT_EQ(SlicesOf(cs, c), (Pairs{{0, 0}, {1, 2}, {2, 4}}));
    net.OnOutcomeRemoved(c, 2);
    EXPECT_EQ(SlicesOf(cs, c), (Pairs{{0, 0}, {2, 3}}));
    net.OnOutcomesReordered(c, Ints({3, 2, 1, 0}));
    EXPECT_EQ(SlicesOf(cs, c), (Pairs{{0, 3}, {2, 0}}));
    EXPECT_EQ(PlainOutcome(cs, c), -1);
    net.OnOutcomeRemoved(c, 3);
    net.OnOutcomeRemoved(c, 0);
    EXPECT_GE(cs.FindEvidence(c), 0);  // the entry stays without pairs
    EXPECT_TRUE(SlicesOf(cs, c).empty());
}

TEST_F(SavedCaseTest, ReorderMapsOutcomesButKeepsTheNoOutcomeMarker) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddEvidence(c, 1), 0);
    ASSERT_EQ(cs.AddContEvidence(a, 7.5), 0);
    // New position j takes old position order[j]: old 1 moves to position 3.
    net.OnOutcomesReordered(c, Ints({2, 0, 3, 1}));
    net.OnOutcomesReordered(a, Ints({2, 0, 1}));
    EXPECT_EQ(PlainOutcome(cs, c), 3);
    EXPECT_EQ(PlainOutcome(cs, a), -1);
    int node = -1;
    double observed = 0;
    ASSERT_EQ(cs.GetContEvidence(cs.FindEvidence(a), node, observed), 0);
    EXPECT_EQ(observed, 7.5);
}

TEST_F(SavedCaseTest, DeletedNodeLeavesEvidenceAndTargets) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddEvidence(a, 0), 0);
    ASSERT_EQ(cs.AddEvidence(b, 1), 0);
    ASSERT_EQ(cs.AddTarget(a), 0);
    ASSERT_EQ(cs.AddTarget(c), 0);
    ASSERT_EQ(net.DeleteNode(a), 0);
    EXPECT_EQ(cs.FindEvidence(a), kInvalidData);
    EXPECT_EQ(PlainOutcome(cs, b), 1);
    ASSERT_EQ(cs.GetNumberOfTargets(), 1);
    EXPECT_EQ(cs.GetTarget(0), c);

    // A new node taking the freed handle must not inherit the old node's role in the case.
    const int reused = net.AddNode(DefinitionType::kCpt, "D");
    ASSERT_EQ(reused, a);
    EXPECT_EQ(cs.FindEvidence(reused), kInvalidData);
    EXPECT_EQ(cs.GetTarget(0), c);
    EXPECT_EQ(cs.GetNumberOfTargets(), 1);
}

TEST_F(SavedCaseTest, PlateChangesConvertEvidence) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddEvidence(a, 2), 0);
    ASSERT_EQ(net.SetTemporalType(a, TemporalType::kPlate), 0);
    EXPECT_EQ(PlainOutcome(cs, a), -1);
    EXPECT_EQ(SlicesOf(cs, a), (Pairs{{0, 2}}));
    ASSERT_EQ(cs.AddTemporalEvidence(a, 1, 3), 0);
    ASSERT_EQ(net.SetTemporalType(a, TemporalType::kNormal), 0);
    EXPECT_EQ(PlainOutcome(cs, a), 2);
    EXPECT_TRUE(SlicesOf(cs, a).empty());

    ASSERT_EQ(net.SetTemporalType(b, TemporalType::kPlate), 0);
    ASSERT_EQ(cs.AddTemporalEvidence(b, 1, 3), 0);
    ASSERT_EQ(net.SetTemporalType(b, TemporalType::kNormal), 0);
    EXPECT_EQ(cs.FindEvidence(b), kInvalidData);

    // Changes between anchor and terminal do not touch the evidence.
    ASSERT_EQ(cs.AddEvidence(c, 3), 0);
    ASSERT_EQ(net.SetTemporalType(c, TemporalType::kAnchor), 0);
    ASSERT_EQ(net.SetTemporalType(c, TemporalType::kTerminal), 0);
    EXPECT_EQ(PlainOutcome(cs, c), 3);
}

TEST_F(SavedCaseTest, TypeChangesDropEvidenceTheNodeCannotHold) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddEvidence(a, 1), 0);
    ASSERT_EQ(cs.AddEvidence(b, 1), 0);
    ASSERT_EQ(cs.AddEvidence(c, 3), 0);
    // A stayed a discrete kind: kept. B came from an equation kind: dropped.
    net.OnNodeTypeChanged(a, DefinitionType::kTruthTable);
    net.OnNodeTypeChanged(b, DefinitionType::kEquationScc);
    EXPECT_EQ(PlainOutcome(cs, a), 1);
    EXPECT_EQ(cs.FindEvidence(b), kInvalidData);

    // C lost outcome 3 while the cases were not listening: the stale outcome goes with the next change.
    net.EnableCaseSync(false);
    ASSERT_EQ(net.GetNode(c)->GetDefinition()->SetNumberOfOutcomes(2), 0);
    net.EnableCaseSync(true);
    net.OnNodeTypeChanged(c, DefinitionType::kCpt);
    EXPECT_EQ(cs.FindEvidence(c), kInvalidData);
}

TEST_F(SavedCaseTest, SyncOffLeavesCasesUntouched) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddEvidence(a, 2), 0);
    ASSERT_EQ(cs.AddEvidence(c, 1), 0);
    ASSERT_EQ(cs.AddTarget(a), 0);
    net.EnableCaseSync(false);
    EXPECT_FALSE(net.GetCaseList().IsSyncEnabled());
    net.OnOutcomeInserted(a, 0);
    net.OnOutcomeRemoved(c, 1);
    net.OnOutcomesReordered(a, Ints({2, 1, 0}));
    net.OnNodeTypeChanged(c, DefinitionType::kEquation);
    ASSERT_EQ(net.SetTemporalType(a, TemporalType::kPlate), 0);
    ASSERT_EQ(net.DeleteNode(a), 0);
    EXPECT_EQ(PlainOutcome(cs, a), 2);
    EXPECT_EQ(PlainOutcome(cs, c), 1);
    EXPECT_EQ(cs.GetTarget(0), a);
}

TEST_F(SavedCaseTest, ListCopyBindsCasesToTheNewNetwork) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.SetCategory("cat"), 0);
    ASSERT_EQ(cs.SetDescription("desc"), 0);
    cs.SetCreated(5);
    cs.SetModified(1LL << 40);
    ASSERT_EQ(cs.AddTemporalEvidence(a, 1, 2), 0);
    ASSERT_EQ(cs.AddTarget(b), 0);
    ASSERT_NE(net.AddCase("L"), nullptr);
    net.EnableCaseSync(false);

    VRX_network other;
    VRX_caseList copy(&other, net.GetCaseList());
    ASSERT_EQ(copy.GetNumberOfCases(), 2);
    EXPECT_FALSE(copy.IsSyncEnabled());
    const VRX_case& copied = *copy.GetCase(0);
    EXPECT_EQ(copied.GetNetwork(), &other);
    EXPECT_STREQ(copied.GetName(), "K");
    EXPECT_STREQ(copied.GetCategory(), "cat");
    EXPECT_STREQ(copied.GetDescription(), "desc");
    EXPECT_EQ(copied.GetCreated(), 5);
    EXPECT_EQ(copied.GetModified(), 1LL << 40);
    EXPECT_EQ(SlicesOf(copied, a), (Pairs{{2, 1}}));
    EXPECT_EQ(copied.GetTarget(0), b);
    EXPECT_STREQ(copy.GetCase(1)->GetName(), "L");

    // The copy owns its data: editing the source does not reach it.
    ASSERT_EQ(cs.SetCategory("changed"), 0);
    EXPECT_STREQ(copied.GetCategory(), "cat");
    copy.DeleteAllCases();
    EXPECT_EQ(copy.GetNumberOfCases(), 0);
    EXPECT_EQ(net.GetNumberOfCases(), 2);
}

TEST_F(SavedCaseTest, DefinitionEditsReachTheCases) {
    VRX_case& cs = *net.AddCase("K");
    ASSERT_EQ(cs.AddEvidence(c, 2), 0);
    VRX_nodeDefinition* def = net.GetNode(c)->GetDefinition();
    ASSERT_EQ(def->InsertOutcome(0, "First"), 0);
    EXPECT_EQ(PlainOutcome(cs, c), 3);
    ASSERT_EQ(def->RemoveOutcome(1), 0);
    EXPECT_EQ(PlainOutcome(cs, c), 2);
    ASSERT_EQ(def->ChangeOrderOfOutcomes(Ints({2, 3, 0, 1})), 0);
    EXPECT_EQ(PlainOutcome(cs, c), 0);
    ASSERT_EQ(def->RemoveOutcome(0), 0);
    EXPECT_EQ(cs.FindEvidence(c), kInvalidData);
}

}  // namespace
