// Network object: construction, the node table and its handles, identifiers, targets and copies.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/cpt.h"
#include "definitions/demorgan.h"
#include "model/belief_updater.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "model/saved_case.h"
#include "model/submodel.h"
#include "tests/support/error_log.h"

using vovido::test::LoggedMessages;

namespace {

int AddCpt(VRX_network& net, const char* id) {
    return net.AddNode(DefinitionType::kCpt, id);
}

std::string IdOf(const VRX_network& net, int handle) {
    const VRX_node* node = net.GetNode(handle);
    const char* id = node != nullptr ? node->GetId() : nullptr;
    return id != nullptr ? id : "<none>";
}

std::string NameOf(const VRX_network& net, int handle) {
    const char* name = net.GetNode(handle)->GetInfo()->header.GetName();
    return name != nullptr ? name : "<none>";
}

// Network whose valid bit is clear, as a failed load or copy leaves it.
struct BrokenNetwork : VRX_network {
    BrokenNetwork() { SetFlag(kValid, false); }
};

class NetworkTest : public ::testing::Test {
protected:
    void SetUp() override { errorLog.Flush(); }
};

}  // namespace

// ---- Construction ----

TEST_F(NetworkTest, NewNetworkIsEmptyWithFiftySlotsAndDefaults) {
    VRX_network net;
    EXPECT_TRUE(net.IsValid());
    EXPECT_EQ(net.GetNumberOfSlots(), 50);
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
    EXPECT_EQ(net.GetFirstNode(), kOutOfRange);
    EXPECT_EQ(net.GetLastNode(), kOutOfRange);
    EXPECT_EQ(net.numSamples, 1000);
    EXPECT_EQ(net.discSamples, 10000);
    EXPECT_EQ(net.hybridAlgorithm, 14);
    EXPECT_EQ(net.propagationFlags, 3);
    EXPECT_EQ(net.changeMask, 463);
    EXPECT_EQ(net.faultNameFormat, 3);
    ASSERT_NE(net.GetHeader(), nullptr);
    EXPECT_STREQ(net.GetHeader()->GetId(), "Unnamed");
    EXPECT_STREQ(net.GetHeader()->GetName(), "Unnamed");
    EXPECT_EQ(&net.GetErrorLog(), &errorLog);
}

TEST_F(NetworkTest, CleanUpLeavesNoTableAndTheNextNodeGrowsOne) {
    VRX_network net;
    AddCpt(net, "A");
    net.numSamples = 7;
    net.CleanUp(1);
    EXPECT_EQ(net.GetNumberOfSlots(), 0);
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
    EXPECT_EQ(net.numSamples, 1000);
    EXPECT_EQ(AddCpt(net, "A"), 0);
    EXPECT_EQ(net.GetNumberOfSlots(), 50);
}

TEST_F(NetworkTest, InitializeTakesDefaultsForCountsBelowOne) {
    VRX_network net;
    AddCpt(net, "A");
    EXPECT_EQ(net.Initialize(0, -3), kSuccess);
    EXPECT_EQ(net.GetNumberOfSlots(), 50);
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
    EXPECT_STREQ(net.GetHeader()->GetId(), "Unnamed");
    EXPECT_EQ(net.Initialize(3, 2), kSuccess);
    for (int i = 0; i < 4; i++) AddCpt(net, nullptr);
    EXPECT_EQ(net.GetNumberOfSlots(), 5);
}

// ---- Adding nodes and handles ----

TEST_F(NetworkTest, AddNodeGivesSequentialHandlesIdsAndNames) {
    VRX_network net;
    EXPECT_EQ(AddCpt(net, "Rain"), 0);
    EXPECT_EQ(AddCpt(net, "Grass"), 1);
    EXPECT_EQ(net.GetNumberOfNodes(), 2);
    EXPECT_EQ(IdOf(net, 1), "Grass");
    EXPECT_EQ(NameOf(net, 1), "Grass");
    EXPECT_EQ(net.FindNode("Grass"), 1);
    EXPECT_EQ(net.FindNode("grass"), kOutOfRange);
    EXPECT_EQ(net.FindNode(nullptr), kOutOfRange);
    EXPECT_EQ(net.GetNodeType(0), DefinitionType::kCpt);
    EXPECT_EQ(net.GetNodeType(2), kOutOfRange);
    EXPECT_TRUE(net.GetNode(0)->IsValid());
    EXPECT_EQ(net.GetNode(0)->GetHandle(), 0);
    EXPECT_EQ(net.GetNode(0)->GetNetwork(), &net);
    // New nodes take the default appearance.
    EXPECT_EQ(net.GetNode(0)->GetInfo()->screenInfo.borderThickness, 1);
}

TEST_F(NetworkTest, AddNodeRefusesATakenIdentifierUnlessReadingAllowsIt) {
    VRX_network net;
    AddCpt(net, "A");
    EXPECT_EQ(AddCpt(net, "A"), kOutOfRange);
    EXPECT_EQ(net.GetNumberOfNodes(), 1);
    EXPECT_EQ(net.GetHeader()->SetId("Model"), kSuccess);
    net.readingFlags = ReadingFlags::kAllowDuplicateIds;
    EXPECT_EQ(AddCpt(net, "A"), 1);
    EXPECT_EQ(IdOf(net, 1), "A");
}

TEST_F(NetworkTest, SubmodelIdentifiersAreTakenToo) {
    VRX_network net;
    ASSERT_GE(net.GetSubmodelHandler().CreateSubmodel(kMainSubmodel, "Engine"), 0);
    EXPECT_EQ(net.IsIdInUse("Engine", -1), 1);
    EXPECT_EQ(AddCpt(net, "Engine"), kOutOfRange);
}

TEST_F(NetworkTest, TypeCodeZeroOrUnbuildableIsRefusedWithoutTouchingTheTable) {
    VRX_network net;
    for (int i = 0; i < 50; i++) AddCpt(net, nullptr);
    for (int code : {0, 0x7777, -18}) {
        EXPECT_EQ(net.AddNode(code, "X"), kOutOfRange) << code;
        EXPECT_EQ(net.GetNumberOfNodes(), 50);
        EXPECT_EQ(net.GetNumberOfSlots(), 50);  // no growth either
    }
    EXPECT_EQ(net.FindNode("X"), kOutOfRange);
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{"Unknown node type code: 0", "Unknown node type code: 30583",
                                        "Unknown node type code: -18"}));
}

TEST_F(NetworkTest, FreeSlotAtTheNodeCountIsReusedFirst) {
    VRX_network net;
    for (int i = 0; i < 5; i++) AddCpt(net, nullptr);
    ASSERT_EQ(net.DeleteNode(2), kSuccess);
    ASSERT_EQ(net.DeleteNode(3), kSuccess);
    // Live 0, 1, 4: slot 3 (the live count) is free.
    EXPECT_EQ(AddCpt(net, nullptr), 3);

    VRX_network other;
    for (int i = 0; i < 5; i++) AddCpt(other, nullptr);
    ASSERT_EQ(other.DeleteNode(1), kSuccess);
    ASSERT_EQ(other.DeleteNode(4), kSuccess);
    // Live 0, 2, 3: slot 3 is taken, so the lowest free slot.
    EXPECT_EQ(AddCpt(other, nullptr), 1);
}

TEST_F(NetworkTest, FiftyFirstNodeGrowsTheTableByFifty) {
    VRX_network net;
    for (int i = 0; i < 50; i++) ASSERT_EQ(AddCpt(net, nullptr), i);
    EXPECT_EQ(net.GetNumberOfSlots(), 50);
    EXPECT_EQ(AddCpt(net, nullptr), 50);
    EXPECT_EQ(net.GetNumberOfSlots(), 100);
    EXPECT_EQ(IdOf(net, 50), "Node50");
    EXPECT_EQ(IdOf(net, 7), "Node7");
}

TEST_F(NetworkTest, GrowthThatCannotBeAllocatedLeavesTheNetworkUsable) {
    VRX_network net;
    // A growth step that cannot be added to the table size.
    ASSERT_EQ(net.Initialize(1, INT_MAX), kSuccess);
    EXPECT_EQ(AddCpt(net, "A"), 0);
    EXPECT_EQ(AddCpt(net, "B"), kOutOfMemory);
    EXPECT_EQ(net.GetNumberOfNodes(), 1);
    EXPECT_EQ(net.GetNumberOfSlots(), 1);
    EXPECT_EQ(net.FindNode("B"), kOutOfRange);
    EXPECT_EQ(net.DeleteNode(0), kSuccess);
    EXPECT_EQ(AddCpt(net, "B"), 0);
}

TEST_F(NetworkTest, IllegalIdentifierFallsBackToAGeneratedOneAndStaysTheName) {
    VRX_network net;
    AddCpt(net, "A");
    const int h = AddCpt(net, "1st node");
    ASSERT_EQ(h, 1);
    EXPECT_EQ(IdOf(net, h), "Node1");
    EXPECT_EQ(NameOf(net, h), "1st node");
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kIllegalIdentifier);
    EXPECT_STREQ(errorLog.GetMessage(0), "Illegal identifier");
}

TEST_F(NetworkTest, GeneratedIdentifierSkipsTakenNumbers) {
    VRX_network net;
    AddCpt(net, "Node3");
    AddCpt(net, "Node4");
    AddCpt(net, "Other");
    const int h = AddCpt(net, nullptr);
    EXPECT_EQ(IdOf(net, h), "Node5");
    EXPECT_EQ(NameOf(net, h), "Node5");
}

TEST_F(NetworkTest, ReservedIdentifiersAreOnlyForTemporaryNodes) {
    VRX_network net;
    AddCpt(net, "A");
    // A user's "@" identifier is replaced silently, keeping the text as the name.
    const int user = AddCpt(net, "@mine");
    EXPECT_EQ(IdOf(net, user), "Node1");
    EXPECT_EQ(NameOf(net, user), "@mine");
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    // Nor can a node be renamed into the reserved range.
    EXPECT_EQ(net.GetNode(0)->SetId("@A"), kIllegalIdentifier);
    EXPECT_EQ(IdOf(net, 0), "A");

    const int t1 = net.AddTemporaryNode(DefinitionType::kCpt);
    const int t2 = net.AddTemporaryNode(DefinitionType::kCpt);
    ASSERT_GE(t1, 0);
    ASSERT_GE(t2, 0);
    EXPECT_EQ(IdOf(net, t1), "@");
    EXPECT_EQ(IdOf(net, t2), "@");
    EXPECT_EQ(net.IsIdInUse("@", -1), 0);
    EXPECT_EQ(net.AddTemporaryNode(0), kOutOfRange);
    // After the temporary path the reserved range is closed again.
    EXPECT_EQ(IdOf(net, AddCpt(net, "@again")), "Node4");
}

TEST_F(NetworkTest, RenamingChecksUniquenessAndAcceptsTheOwnId) {
    VRX_network net;
    AddCpt(net, "A");
    AddCpt(net, "B");
    VRX_node* b = net.GetNode(1);
    EXPECT_EQ(b->SetId("A"), kIllegalIdentifier);
    EXPECT_EQ(LoggedMessages(), std::vector<std::string>{"Identifier [A] is already used by a node"});
    errorLog.Flush();
    EXPECT_EQ(IdOf(net, 1), "B");
    EXPECT_EQ(b->SetId("B"), kSuccess);
    EXPECT_EQ(b->SetId("C"), kSuccess);
    EXPECT_EQ(net.FindNode("C"), 1);
    EXPECT_EQ(net.FindNode("B"), kOutOfRange);
    EXPECT_TRUE(net.AcceptNodeIdChange(1, "C", "C"));
    EXPECT_FALSE(net.AcceptNodeIdChange(1, "C", "A"));
    net.readingFlags = ReadingFlags::kAllowDuplicateIds;
    EXPECT_TRUE(net.AcceptNodeIdChange(1, "C", "A"));
}

// ---- Iteration and deletion ----

TEST_F(NetworkTest, IterationFollowsLiveHandles) {
    VRX_network net;
    for (int i = 0; i < 5; i++) AddCpt(net, nullptr);
    ASSERT_EQ(net.DeleteNode(0), kSuccess);
    ASSERT_EQ(net.DeleteNode(2), kSuccess);
    EXPECT_EQ(net.GetFirstNode(), 1);
    EXPECT_EQ(net.GetNextNode(1), 3);
    EXPECT_EQ(net.GetNextNode(3), 4);
    EXPECT_EQ(net.GetNextNode(4), kOutOfRange);
    EXPECT_EQ(net.GetNextNode(-1), kOutOfRange);
    EXPECT_EQ(net.GetNextNode(std::numeric_limits<int>::max()), kOutOfRange);
    EXPECT_EQ(net.GetLastNode(), 4);

    VRX_intArray all;
    ASSERT_EQ(all.Add(99), kSuccess);
    EXPECT_EQ(net.GetAllNodes(all), kSuccess);
    ASSERT_EQ(all.GetCount(), 4);  // appended
    EXPECT_EQ(all[1], 1);
    EXPECT_EQ(all[3], 4);
    VRX_stringArray ids;
    EXPECT_EQ(net.GetAllNodeIds(ids), kSuccess);
    ASSERT_EQ(ids.GetCount(), 3);
    EXPECT_STREQ(ids[0], "Node1");
    EXPECT_STREQ(ids[2], "Node4");
}

TEST_F(NetworkTest, DeleteNodeRemovesArcsTargetAndFreesTheSlot) {
    VRX_network net;
    const int a = AddCpt(net, "A");
    const int b = AddCpt(net, "B");
    const int c = AddCpt(net, "C");
    ASSERT_EQ(net.AddArc(a, b), kSuccess);
    ASSERT_EQ(net.AddArc(b, c), kSuccess);
    ASSERT_EQ(net.AddCostArc(b, c), kSuccess);
    ASSERT_EQ(net.AddCostArc(a, b), kSuccess);
    ASSERT_EQ(net.SetTarget(b), kSuccess);
    EXPECT_EQ(net.DeleteNode(b), kSuccess);
    EXPECT_EQ(net.DeleteNode(b), kOutOfRange);
    EXPECT_EQ(net.DeleteNode(-1), kOutOfRange);
    EXPECT_EQ(net.DeleteNode(50), kOutOfRange);
    EXPECT_EQ(net.GetNumberOfNodes(), 2);
    EXPECT_EQ(net.GetNumberOfTargets(), 0);
    EXPECT_EQ(net.GetChildren(a).GetCount(), 0);
    EXPECT_EQ(net.GetParents(c).GetCount(), 0);
    EXPECT_EQ(net.GetChildren(a, 1).GetCount(), 0);
    EXPECT_EQ(net.GetParents(c, 1).GetCount(), 0);
    // The CPT of C lost the dimension of B.
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(net.GetNode(c)->GetDefinition()->GetDefinition(table), kSuccess);
    EXPECT_EQ(table->GetNumberOfDimensions(), 1);
    EXPECT_EQ(net.GetNode(b), nullptr);
    EXPECT_EQ(net.GetEntry(b).flags, 0);
    EXPECT_EQ(AddCpt(net, "B2"), b);
}

TEST_F(NetworkTest, DeleteNodeDropsTheNodesCaseEvidence) {
    VRX_network net;
    AddCpt(net, "A");
    AddCpt(net, "B");
    VRX_case* saved = net.AddCase("Monday");
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(saved->AddEvidence(1, 0), kSuccess);
    ASSERT_EQ(net.DeleteNode(1), kSuccess);
    EXPECT_EQ(saved->FindEvidence(1), kInvalidData);
}

TEST_F(NetworkTest, DeleteAllNodesEmptiesTheTable) {
    VRX_network net;
    for (int i = 0; i < 4; i++) AddCpt(net, nullptr);
    ASSERT_EQ(net.AddArc(0, 1), kSuccess);
    ASSERT_EQ(net.AddArc(2, 3), kSuccess);
    EXPECT_EQ(net.DeleteAllNodes(), kSuccess);
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
    EXPECT_EQ(net.GetFirstNode(), kOutOfRange);
    EXPECT_EQ(net.GetNumberOfSlots(), 50);
}

// ---- Targets and marks ----

TEST_F(NetworkTest, TargetsAreCountedAndRefusedTwice) {
    VRX_network net;
    AddCpt(net, "A");
    AddCpt(net, "B");
    EXPECT_EQ(net.SetTarget(0), kSuccess);
    EXPECT_EQ(net.SetTarget(0), kOutOfRange);
    EXPECT_EQ(net.SetTarget(7), kOutOfRange);
    EXPECT_EQ(net.IsTarget(0), 1);
    EXPECT_EQ(net.IsTarget(1), 0);
    EXPECT_EQ(net.IsTarget(-1), kOutOfRange);
    EXPECT_EQ(net.UnsetTarget(1), kOutOfRange);
    EXPECT_EQ(net.SetTarget(1), kSuccess);
    EXPECT_EQ(net.GetNumberOfTargets(), 2);
    EXPECT_EQ(net.UnsetTarget(0), kSuccess);
    EXPECT_EQ(net.GetNumberOfTargets(), 1);
    EXPECT_EQ(net.ClearAllTargets(), kSuccess);
    EXPECT_EQ(net.GetNumberOfTargets(), 0);
    EXPECT_EQ(net.IsTarget(1), 0);
}

TEST_F(NetworkTest, MarksAreSetAndClearedOverAllSlots) {
    VRX_network net;
    for (int i = 0; i < 4; i++) AddCpt(net, nullptr);
    ASSERT_EQ(net.AddArc(0, 1), kSuccess);
    ASSERT_EQ(net.AddArc(1, 2), kSuccess);
    ASSERT_EQ(net.SetTarget(3), kSuccess);
    net.MarkAncestors(2);
    EXPECT_TRUE(net.GetEntry(0).HasMark(SlotMarks::kAncestor));
    EXPECT_TRUE(net.GetEntry(1).HasMark(SlotMarks::kAncestor));
    EXPECT_FALSE(net.GetEntry(2).HasMark(SlotMarks::kAncestor));
    EXPECT_FALSE(net.GetEntry(3).HasMark(SlotMarks::kAncestor));
    net.SetFlagsOfAllNodes(SlotMarks::kVisited);
    EXPECT_TRUE(net.GetEntry(49).HasMark(SlotMarks::kVisited));
    net.ClearMarksOfAllNodes(SlotMarks::kAncestor | SlotMarks::kVisited);
    EXPECT_EQ(net.GetEntry(0).flags, 0);
    EXPECT_EQ(net.GetEntry(3).flags, SlotMarks::kTarget);
}

TEST_F(NetworkTest, EvidenceNodesAndInvalidation) {
    VRX_network net;
    AddCpt(net, "A");
    AddCpt(net, "B");
    AddCpt(net, "C");
    VRX_intArray found;
    EXPECT_EQ(net.GetEvidenceNodes(found), kSuccess);
    EXPECT_EQ(found.GetCount(), 0);
    ASSERT_EQ(net.GetNode(1)->GetValue()->SetEvidence(1), kSuccess);
    EXPECT_EQ(net.GetEvidenceNodes(found), kSuccess);
    ASSERT_EQ(found.GetCount(), 1);
    EXPECT_EQ(found[0], 1);
    for (int h = 0; h < 3; h++) net.GetNode(h)->GetValue()->SetValueFlag(ValueFlags::kUpToDate, true);
    EXPECT_EQ(net.InvalidateValues(), kSuccess);
    EXPECT_FALSE(net.GetNode(0)->GetValue()->IsUpToDate());
    EXPECT_TRUE(net.GetNode(1)->GetValue()->IsUpToDate());
    EXPECT_FALSE(net.GetNode(2)->GetValue()->IsUpToDate());
}

// ---- Temporal types ----

TEST_F(NetworkTest, TemporalTypeIsStoredAndToldToTheCases) {
    VRX_network net;
    AddCpt(net, "A");
    VRX_case* saved = net.AddCase("c1");
    ASSERT_EQ(saved->AddEvidence(0, 1), kSuccess);
    EXPECT_EQ(net.SetTemporalType(3, TemporalType::kPlate), kOutOfRange);
    EXPECT_EQ(net.SetTemporalType(0, 9), kInvalidData);
    EXPECT_EQ(net.SetTemporalType(0, TemporalType::kPlate), kSuccess);
    EXPECT_EQ(net.GetTemporalType(0), TemporalType::kPlate);
    const VRX_caseEntry* entry = saved->GetEntry(0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->outcome, -1);
    ASSERT_EQ(entry->slices.size(), 1u);
    EXPECT_EQ(entry->slices[0].outcome, 1);
    EXPECT_EQ(net.SetTemporalType(0, TemporalType::kPlate), kSuccess);
    EXPECT_EQ(net.SetTemporalType(0, TemporalType::kNormal), kSuccess);
    EXPECT_EQ(saved->GetEntry(0)->outcome, 1);
}

// ---- Validity and consistency ----

TEST_F(NetworkTest, ConsistencyNamesOnlyTheFirstInconsistentNode) {
    VRX_network net;
    AddCpt(net, "A");
    AddCpt(net, "B");
    AddCpt(net, "C");
    for (int h : {1, 2}) {
        VRX_Dmatrix* table = nullptr;
        ASSERT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
        (*table)[0] = 0.9;  // the column now sums to 1.4
    }
    net.CheckConsistency(1);
    EXPECT_FALSE(net.IsConsistent());
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kObjectNotConsistent);
    EXPECT_STREQ(errorLog.GetMessage(0), "ERROR: Node [B] is not consistent. Inference may not be correct");
    // Only a report: nothing is deleted, and a repaired table makes the network consistent again.
    EXPECT_EQ(net.GetNumberOfNodes(), 3);
    for (int h : {1, 2}) {
        VRX_Dmatrix* table = nullptr;
        ASSERT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
        (*table)[0] = 0.5;
    }
    net.CheckConsistency(1);
    EXPECT_TRUE(net.IsConsistent());
}

TEST_F(NetworkTest, ValidityCheckDeletesInvalidNodes) {
    VRX_network net;
    AddCpt(net, "A");
    AddCpt(net, "B");
    ASSERT_EQ(net.AddArc(0, 1), kSuccess);
    net.GetNode(0)->CleanUp(0);  // a node without parts is not valid
    net.CheckValidity(0);
    EXPECT_TRUE(net.IsValid());
    EXPECT_EQ(net.GetNumberOfNodes(), 1);
    EXPECT_EQ(net.GetNode(0), nullptr);
    EXPECT_EQ(net.GetParents(1).GetCount(), 0);
}

// ---- Copies ----

TEST_F(NetworkTest, FullCopyIsIndependentAndKeepsHandlesArcsTargetsAndSettings) {
    VRX_network source;
    for (int i = 0; i < 4; i++) AddCpt(source, nullptr);
    ASSERT_EQ(source.DeleteNode(1), kSuccess);
    ASSERT_EQ(source.AddArc(0, 2), kSuccess);
    ASSERT_EQ(source.AddArc(2, 3), kSuccess);
    ASSERT_EQ(source.AddCostArc(0, 3), kSuccess);
    ASSERT_EQ(source.SetTarget(3), kSuccess);
    ASSERT_EQ(source.SetTemporalType(2, TemporalType::kAnchor), kSuccess);
    source.bnAlgorithm = 5;
    source.numSamples = 321;
    source.faultNameFormat = 1;
    ASSERT_EQ(source.GetHeader()->SetId("Wet"), kSuccess);
    ASSERT_EQ(source.userProperties.AddProperty("P", "1"), kSuccess);
    source.GetTopologicalOrder();
    source.AddCase("Monday");

    VRX_network copy(source);
    EXPECT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.GetNumberOfNodes(), 3);
    EXPECT_EQ(copy.GetNode(1), nullptr);
    EXPECT_EQ(IdOf(copy, 3), "Node3");
    EXPECT_EQ(copy.GetNode(3)->GetNetwork(), &copy);
    EXPECT_EQ(copy.GetNode(3)->GetDefinition()->GetNetwork(), &copy);
    EXPECT_EQ(copy.GetParents(3).GetCount(), 1);
    EXPECT_EQ(copy.GetParents(3, 1)[0], 0);
    EXPECT_EQ(copy.IsTarget(3), 1);
    EXPECT_EQ(copy.GetNumberOfTargets(), 1);
    EXPECT_EQ(copy.GetTemporalType(2), TemporalType::kAnchor);
    EXPECT_EQ(copy.bnAlgorithm, 5);
    EXPECT_EQ(copy.numSamples, 321);
    EXPECT_EQ(copy.faultNameFormat, 1);
    EXPECT_STREQ(copy.GetHeader()->GetId(), "Wet");
    EXPECT_EQ(copy.userProperties.FindProperty("P"), 0);
    EXPECT_EQ(copy.GetNumberOfCases(), 1);
    EXPECT_EQ(copy.GetCase(0)->GetNetwork(), &copy);
    EXPECT_EQ(copy.GetSubmodelHandler().GetNetwork(), &copy);

    // Edits of the copy leave the source alone.
    ASSERT_EQ(copy.DeleteNode(2), kSuccess);
    ASSERT_EQ(copy.GetNode(0)->SetId("Renamed"), kSuccess);
    EXPECT_EQ(source.GetParents(3)[0], 2);
    EXPECT_EQ(IdOf(source, 0), "Node0");
    EXPECT_EQ(source.GetNumberOfNodes(), 3);
}

TEST_F(NetworkTest, StaticCopyDropsTemporalTypes) {
    VRX_network source;
    AddCpt(source, "A");
    ASSERT_EQ(source.SetTemporalType(0, TemporalType::kPlate), kSuccess);
    VRX_network copy;
    EXPECT_EQ(copy.CopyFrom(source, true), kSuccess);
    EXPECT_EQ(copy.GetTemporalType(0), TemporalType::kNormal);
    EXPECT_EQ(copy.CopyFrom(source, false), kSuccess);
    EXPECT_EQ(copy.GetTemporalType(0), TemporalType::kPlate);
}

TEST_F(NetworkTest, CopyOntoItselfChangesNothing) {
    VRX_network net;
    AddCpt(net, "A");
    AddCpt(net, "B");
    ASSERT_EQ(net.AddArc(0, 1), kSuccess);
    net.AddCase("kept");
    EXPECT_EQ(net.CopyFrom(net, false), kSuccess);
    EXPECT_EQ(net.CopyModelOnly(net), kSuccess);
    EXPECT_EQ(net.GetNumberOfNodes(), 2);
    EXPECT_EQ(IdOf(net, 1), "B");
    EXPECT_EQ(net.GetParents(1)[0], 0);
    EXPECT_EQ(net.GetNumberOfCases(), 1);
}

TEST_F(NetworkTest, CopiesRefuseAnInvalidSource) {
    BrokenNetwork broken;
    AddCpt(broken, "A");
    VRX_network net;
    AddCpt(net, "Mine");
    EXPECT_EQ(net.CopyFrom(broken, false), kObjectNotValid);
    EXPECT_EQ(net.CopyModelOnly(broken), kObjectNotValid);
    EXPECT_EQ(IdOf(net, 0), "Mine");
    // A copy constructed from it is marked as not being a copy of anything.
    VRX_network copy(broken);
    EXPECT_FALSE(copy.IsValid());
    EXPECT_EQ(copy.GetNumberOfNodes(), 0);
    VRX_network model(broken, VRX_network::ModelOnly{});
    EXPECT_FALSE(model.IsValid());
}

TEST_F(NetworkTest, ModelOnlyCopyKeepsModelAndHandlesButNoDescriptions) {
    VRX_network source;
    for (int i = 0; i < 3; i++) AddCpt(source, nullptr);
    ASSERT_EQ(source.DeleteNode(0), kSuccess);
    ASSERT_EQ(source.AddArc(1, 2), kSuccess);
    ASSERT_EQ(source.SetTarget(2), kSuccess);
    // A terminal node's children are terminal too.
    ASSERT_EQ(source.SetTemporalType(2, TemporalType::kTerminal), kSuccess);
    ASSERT_EQ(source.SetTemporalType(1, TemporalType::kTerminal), kSuccess);
    ASSERT_EQ(source.GetNode(1)->GetInfo()->userProperties.AddProperty("Q", "x"), kSuccess);
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(source.GetNode(2)->GetDefinition()->GetDefinition(table), kSuccess);
    (*table)[0] = 0.25;
    (*table)[1] = 0.75;
    source.changeMask = 12;
    source.AddCase("Monday");
    ASSERT_EQ(source.GetHeader()->SetId("Wet"), kSuccess);

    VRX_network copy(source, VRX_network::ModelOnly{});
    EXPECT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.GetNumberOfNodes(), 2);
    EXPECT_EQ(copy.GetNode(0), nullptr);
    ASSERT_NE(copy.GetNode(2), nullptr);
    EXPECT_TRUE(copy.GetNode(2)->IsValid());
    EXPECT_EQ(copy.GetNode(2)->GetInfo(), nullptr);
    EXPECT_EQ(copy.GetNode(2)->GetId(), nullptr);
    EXPECT_EQ(copy.GetNode(2)->GetNetwork(), &copy);
    EXPECT_EQ(copy.GetParents(2)[0], 1);
    EXPECT_EQ(copy.IsTarget(2), 1);
    EXPECT_EQ(copy.GetTemporalType(1), TemporalType::kTerminal);
    EXPECT_EQ(copy.changeMask, 12);
    EXPECT_EQ(copy.GetNumberOfCases(), 0);
    EXPECT_STRNE(copy.GetHeader()->GetId(), "Wet");
    VRX_Dmatrix* copied = nullptr;
    ASSERT_EQ(copy.GetNode(2)->GetDefinition()->GetDefinition(copied), kSuccess);
    ASSERT_NE(copied, table);
    EXPECT_DOUBLE_EQ((*copied)[0], 0.25);
    EXPECT_DOUBLE_EQ((*copied)[1], 0.75);
    // Nodes without identifiers are never found nor in use; messages name them as the source does.
    EXPECT_EQ(copy.FindNode("Node2"), kOutOfRange);
    EXPECT_EQ(copy.IsIdInUse("Node2", -1), 0);
    // A working copy's nodes are valid and consistent without a descriptive record.
    copy.CheckValidity(1);
    EXPECT_EQ(copy.GetNumberOfNodes(), source.GetNumberOfNodes());
    copy.CheckConsistency(1);
    EXPECT_TRUE(copy.IsConsistent());
    (*copied)[0] = 0.9;  // the column no longer sums to one
    errorLog.Flush();
    copy.CheckConsistency(1);
    EXPECT_FALSE(copy.IsConsistent());
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "ERROR: Node [Node2] is not consistent. Inference may not be correct");
    // The copy grows like any network; a copy of it names the added node and the source's alike.
    EXPECT_EQ(AddCpt(copy, "Extra"), 0);
    const VRX_network again(copy, VRX_network::ModelOnly{});
    EXPECT_EQ(vovido::NodeLabel(again, 0) + vovido::NodeLabel(again, 2), "ExtraNode2");
}

TEST_F(NetworkTest, FullCopyOfAModelOnlyCopyKeepsItsNodesWithoutDescriptions) {
    VRX_network source;
    AddCpt(source, "A");
    AddCpt(source, "B");
    ASSERT_EQ(source.AddArc(0, 1), kSuccess);
    VRX_network model(source, VRX_network::ModelOnly{});
    VRX_network copy(model);
    EXPECT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.GetNumberOfNodes(), 2);
    ASSERT_NE(copy.GetNode(1), nullptr);
    EXPECT_EQ(copy.GetNode(1)->GetInfo(), nullptr);
    EXPECT_EQ(copy.GetNode(1)->GetNetwork(), &copy);
    EXPECT_EQ(copy.GetParents(1)[0], 0);
}

// An update does not start again on its own network: the nested call is refused and logged, a change
// notice meanwhile starts no automatic update, and once it is over the network updates again.
TEST_F(NetworkTest, UpdateBeliefsRefusesToStartInsideItself) {
    VRX_network net;
    AddCpt(net, "A");
    static int calls;
    static int nested;
    calls = 0;
    const vovido::EngineRoutes saved = vovido::GetEngineRoutes();
    vovido::EngineRoutes routes = saved;
    routes.updateBeliefs = [](VRX_network& network) {
        ++calls;
        network.propagationFlags |= PropagationFlags::kAutoUpdate;
        (void)network.ClearAllEvidence();
        nested = network.UpdateBeliefs();
        return kSuccess;
    };
    vovido::InstallEngineRoutes(routes);
    const int outer = net.UpdateBeliefs();
    vovido::InstallEngineRoutes(saved);
    EXPECT_EQ(outer, kSuccess);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(nested, kOutOfRange);
    EXPECT_EQ(LoggedMessages(),
              std::vector<std::string>{"Belief update refused: this network's update is already running"});
    net.propagationFlags &= ~PropagationFlags::kAutoUpdate;
    EXPECT_EQ(net.UpdateBeliefs(), kSuccess);
}

// Each refusal of an identifier or a DeMorgan weight logs one message naming the value and the holder.
TEST_F(NetworkTest, RefusalsNameTheirCause) {
    VRX_network net;
    AddCpt(net, "A");
    VRX_submodelHandler& submodels = net.GetSubmodelHandler();
    const int s = submodels.CreateSubmodel(kSubmodelHandleFlag, "S");
    ASSERT_GE(s, 0);
    const int d0 = net.AddNode(DefinitionType::kDeMorgan, "D0");
    const int d = net.AddNode(DefinitionType::kDeMorgan, "D");
    ASSERT_EQ(net.AddArc(d0, d), kSuccess);
    auto* demorgan = static_cast<VRX_demorgan*>(net.GetNode(d)->GetDefinition());
    const struct {
        std::function<int()> refused;
        int code;
        const char* message;
    } cases[] = {
        {[&] { return submodels.CreateSubmodel(kSubmodelHandleFlag, "A"); }, kOutOfRange,
         "Identifier [A] is already used by a node"},
        {[&] { return submodels.CreateSubmodel(kSubmodelHandleFlag | 77, "T"); }, kOutOfRange,
         "Invalid parent submodel handle: 16461"},
        {[&] { return submodels.CheckIdFree("S", nullptr, kDuplicatedIdentifier); }, kDuplicatedIdentifier,
         "Identifier [S] is already used by a submodel"},
        {[&] { return net.AddNode(DefinitionType::kCpt, "S"); }, kOutOfRange,
         "Identifier [S] is already used by a submodel"},
        {[&] { return demorgan->SetParentWeight(0, -0.5); }, kOutOfRange,
         "ERROR: Node [D] : parent weight -0.5 is outside [0, 1]"},
        {[&] { return demorgan->SetParentWeight(2, 0.5); }, kOutOfRange,
         "ERROR: Node [D] : parent index 2 is outside 0..0 of its 1 parent"},
        // Digits enough to show why the weight is out of range.
        {[&] { return demorgan->SetParentWeight(0, 1.0000001); }, kOutOfRange,
         "ERROR: Node [D] : parent weight 1.0000001 is outside [0, 1]"},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        EXPECT_EQ(c.refused(), c.code) << c.message;
        EXPECT_EQ(LoggedMessages(), std::vector<std::string>{c.message});
    }
    EXPECT_EQ(submodels.CheckIdFree("S", submodels.GetSubmodel(s), kDuplicatedIdentifier), kSuccess);
}
