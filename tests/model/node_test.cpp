// Nodes: their parts, the factories, copies, change of kind, placement, and outcome edits reaching the
// children, cost children and extra definition.
#include "model/node.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/belief_vector.h"
#include "definitions/cpt.h"
#include "definitions/node_cost.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node_info.h"
#include "model/saved_case.h"
#include "model/submodel.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

std::vector<std::string> OutcomeNames(VRX_node& node) {
    std::vector<std::string> out;
    const VRX_idArray* ids = node.GetDefinition()->GetOutcomesNames();
    for (int i = 0; i < ids->GetCount(); i++) out.push_back((*ids)[i]);
    return out;
}

VRX_cpt& Cpt(VRX_node& node) {
    return *dynamic_cast<VRX_cpt*>(node.GetDefinition());
}

const char* LastLoggedMessage() {
    return errorLog.GetMessage(errorLog.GetNumberOfEntries() - 1);
}
int LastLoggedCode() {
    return errorLog.GetCode(errorLog.GetNumberOfEntries() - 1);
}

class NodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        errorLog.Flush();
        a = net.AddNode(DefinitionType::kCpt, "A");
        ASSERT_GE(a, 0);
        nodeA = net.GetNode(a);
    }

    VRX_network net;
    int a = -1;
    VRX_node* nodeA = nullptr;
};

}  // namespace

TEST_F(NodeTest, CptNodeHasEveryPartAndIsValid) {
    EXPECT_NE(dynamic_cast<VRX_cpt*>(nodeA->GetDefinition()), nullptr);
    EXPECT_NE(dynamic_cast<VRX_beliefVector*>(nodeA->GetValue()), nullptr);
    ASSERT_NE(nodeA->GetCost(), nullptr);
    EXPECT_EQ(nodeA->GetCost()->GetCosts()->GetNumberOfElements(), 1);
    ASSERT_NE(nodeA->GetExtraDefinition(), nullptr);
    EXPECT_EQ(nodeA->GetExtraDefinition()->GetFaultOutcomes().GetCount(), 2);
    EXPECT_EQ(nodeA->GetSubmodel(), 16384);
    EXPECT_EQ(nodeA->GetType(), DefinitionType::kCpt);
    EXPECT_EQ(nodeA->GetHandle(), a);
    EXPECT_EQ(nodeA->GetNetwork(), &net);
    EXPECT_STREQ(nodeA->GetId(), "A");
    EXPECT_EQ(nodeA->GetInfo()->header.GetOwnerNode(), nodeA);
    EXPECT_TRUE(nodeA->IsValid());
    // Every part carries the node's network and handle.
    EXPECT_EQ(nodeA->GetDefinition()->GetHandle(), a);
    EXPECT_EQ(nodeA->GetValue()->GetNetwork(), &net);
    EXPECT_EQ(nodeA->GetCost()->GetHandle(), a);
    EXPECT_EQ(nodeA->GetExtraDefinition()->GetHandle(), a);
}

// A cost follows its cost parents, in the network and in a copy; a node without any keeps a cost of 0.
TEST_F(NodeTest, CostsFollowTheirCostParentsAndCopies) {
    const int b = net.AddNode(DefinitionType::kCpt, "B");
    ASSERT_GE(b, 0);
    ASSERT_EQ(net.GetNode(b)->GetDefinition()->AddOutcome("Third"), kSuccess);
    ASSERT_EQ(net.AddCostArc(b, a), kSuccess);
    ASSERT_EQ(nodeA->GetDefinition()->AddOutcome("More"), kSuccess);
    VRX_network copy;
    ASSERT_EQ(copy.CopyFrom(net, false), kSuccess);
    for (VRX_network* network : {&net, &copy}) {
        const VRX_Dmatrix* costs = network->GetNode(a)->GetCost()->GetCosts();
        ASSERT_EQ(costs->GetNumberOfDimensions(), 2);
        EXPECT_EQ(costs->GetNumberOfElements(), 3);
        EXPECT_EQ(network->GetNode(b)->GetCost()->GetCosts()->GetNumberOfElements(), 1);
    }
}

TEST_F(NodeTest, SetIdChecksSyntaxAndUniqueness) {
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "B"), 0);
    EXPECT_EQ(nodeA->SetId("B"), kIllegalIdentifier);
    EXPECT_STREQ(nodeA->GetId(), "A");
    const int logged = errorLog.GetNumberOfEntries();
    EXPECT_EQ(nodeA->SetId("9lives"), kIllegalIdentifier);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), logged + 1);
    EXPECT_STREQ(LastLoggedMessage(), "Illegal identifier");
    EXPECT_EQ(nodeA->SetId("Renamed"), kSuccess);
    EXPECT_STREQ(nodeA->GetId(), "Renamed");
    EXPECT_EQ(net.FindNode("Renamed"), a);
}

TEST(NodeConstruction, WithoutNetworkTheNodeIsEmptyAndNotValid) {
    VRX_node node(DefinitionType::kCpt, 0, nullptr);
    EXPECT_FALSE(node.IsValid());
    EXPECT_EQ(node.GetInfo(), nullptr);
    EXPECT_EQ(node.GetDefinition(), nullptr);
    EXPECT_EQ(node.GetValue(), nullptr);
    EXPECT_EQ(node.GetCost(), nullptr);
    EXPECT_EQ(node.GetExtraDefinition(), nullptr);
    EXPECT_EQ(node.GetId(), nullptr);
    EXPECT_EQ(node.GetType(), 0);
    EXPECT_EQ(node.SetId("X"), kObjectNotValid);

    VRX_node copy(node);
    EXPECT_FALSE(copy.IsValid());
    EXPECT_EQ(copy.GetDefinition(), nullptr);
}

TEST(NodeConstruction, TypeCodeZeroGivesNoDefinitionAndNoValue) {
    VRX_network net;
    VRX_node node(0, 7, &net);
    EXPECT_NE(node.GetInfo(), nullptr);
    EXPECT_EQ(node.GetDefinition(), nullptr);
    EXPECT_EQ(node.GetValue(), nullptr);
    EXPECT_NE(node.GetCost(), nullptr);
    EXPECT_FALSE(node.IsValid());
}

TEST(NodeFactories, OnlyBuiltKindsAreKnown) {
    for (int code : {4, 8, 17, 18, 20, 50, 82, 146, 274, 520, 1028, 2064, 4098, 4100})
        EXPECT_TRUE(VRX_node::IsKnownTypeCode(code)) << code;
    // Code 0 makes no definition.
    for (int code : {0, 19, -1}) EXPECT_FALSE(VRX_node::IsKnownTypeCode(code)) << code;
}

TEST(NodeFactories, TypeNamesAreExactAndCaseSensitive) {
    const std::pair<const char*, int> names[] = {
        {"CPT", 0x12},       {"TRUTHTABLE", 0x14},     {"LIST", 0x11},           {"TABLE", 0x8},
        {"NOISY_MAX", 0x92}, {"NOISY_ADDER", 0x112},   {"MAU", 0x208},           {"CAST", 0x32},
        {"DEMORGAN", 0x52},  {"DCHILDHPARENT", 0x810}, {"DISTRIBUTION", 0x1002}, {"HEQUATION", 0x1004},
    };
    for (const auto& [name, code] : names) EXPECT_EQ(VRX_node::GetTypeCodeFromName(name), code) << name;
    for (const char* other : {"cpt", "EQUATION", "EQUATION_SCC", "CPT ", "", "NOISYMAX"})
        EXPECT_EQ(VRX_node::GetTypeCodeFromName(other), kOutOfRange) << other;
    EXPECT_EQ(VRX_node::GetTypeCodeFromName(nullptr), kOutOfRange);
}

TEST_F(NodeTest, FactoriesRefuseUnknownCodesAndKeepTheCurrentParts) {
    VRX_nodeDefinition* definition = nodeA->GetDefinition();
    VRX_nodeValue* value = nodeA->GetValue();
    EXPECT_EQ(nodeA->CreateDefinition(0x13), kOutOfRange);
    EXPECT_EQ(nodeA->CreateValue(0x13), kOutOfRange);
    EXPECT_EQ(nodeA->GetDefinition(), definition);
    EXPECT_EQ(nodeA->GetValue(), value);
    EXPECT_TRUE(nodeA->IsValid());
}

TEST_F(NodeTest, ChangeTypeToTheSameCodeKeepsTheObjects) {
    VRX_nodeDefinition* definition = nodeA->GetDefinition();
    VRX_nodeValue* value = nodeA->GetValue();
    EXPECT_EQ(nodeA->ChangeType(DefinitionType::kCpt), kSuccess);
    EXPECT_EQ(nodeA->ChangeTypeByName("CPT"), kSuccess);
    EXPECT_EQ(nodeA->GetDefinition(), definition);
    EXPECT_EQ(nodeA->GetValue(), value);
}

TEST_F(NodeTest, ChangeTypeToAnUnknownOrUnbuiltKindLeavesTheNodeUnchanged) {
    ASSERT_EQ(nodeA->GetDefinition()->AddOutcome("Third"), kSuccess);
    VRX_nodeDefinition* definition = nodeA->GetDefinition();
    VRX_nodeValue* value = nodeA->GetValue();
    EXPECT_EQ(nodeA->ChangeTypeByName("EQUATION"), kOutOfRange);
    EXPECT_EQ(nodeA->ChangeTypeByName("cpt"), kOutOfRange);
    EXPECT_EQ(nodeA->ChangeTypeByName(nullptr), kOutOfRange);
    EXPECT_EQ(nodeA->ChangeTypeByName("NOISYMAX"), kOutOfRange);
    EXPECT_EQ(nodeA->ChangeType(0x13), kOutOfRange);
    // Code 0 would leave the node without a definition.
    EXPECT_EQ(nodeA->ChangeType(0), kOutOfRange);
    EXPECT_EQ(nodeA->GetDefinition(), definition);
    EXPECT_EQ(nodeA->GetValue(), value);
    EXPECT_EQ(nodeA->GetDefinition()->GetNumberOfOutcomes(), 3);
    EXPECT_TRUE(nodeA->IsValid());
}

TEST_F(NodeTest, ChangeTypeGivesANodeWithoutDefinitionAllItsParts) {
    ASSERT_EQ(nodeA->CreateDefinition(0), kSuccess);
    ASSERT_EQ(nodeA->CreateValue(0), kSuccess);
    nodeA->CheckValidity(0);
    ASSERT_FALSE(nodeA->IsValid());

    EXPECT_EQ(nodeA->ChangeType(DefinitionType::kCpt), kSuccess);
    EXPECT_EQ(nodeA->GetType(), DefinitionType::kCpt);
    ASSERT_NE(nodeA->GetValue(), nullptr);
    EXPECT_EQ(nodeA->GetValue()->GetType(), ValueType::kBeliefVector);
    EXPECT_EQ(nodeA->GetValue()->GetSize(), 2);
    // The diagnostic per-outcome data follows the new outcomes.
    EXPECT_EQ(nodeA->GetExtraDefinition()->GetFaultOutcomes().GetCount(), 2);
    EXPECT_TRUE(nodeA->IsValid());
}

TEST_F(NodeTest, CopyHasItsOwnPartsAndDropsTheDocumentation) {
    VRX_nodeInfo* info = nodeA->GetInfo();
    ASSERT_EQ(info->documentation.AddDocument("Manual", "manual.pdf"), kSuccess);
    ASSERT_EQ(info->userProperties.AddProperty("Owner", "lab"), kSuccess);
    info->screenInfo.color = 7;
    ASSERT_EQ(Cpt(*nodeA).SetProbabilities(Doubles({0.3, 0.7})), kSuccess);
    ASSERT_EQ(nodeA->GetExtraDefinition()->SetFaultOutcome(1, 1), kSuccess);

    VRX_node copy(*nodeA);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.GetInfo()->documentation.GetNumberOfDocuments(), 0);
    EXPECT_EQ(copy.GetInfo()->userProperties.FindProperty("Owner"), 0);
    EXPECT_EQ(copy.GetInfo()->screenInfo.color, 7);
    EXPECT_STREQ(copy.GetId(), "A");
    EXPECT_EQ(copy.GetInfo()->header.GetOwnerNode(), &copy);
    EXPECT_EQ(copy.GetHandle(), a);
    EXPECT_EQ(copy.GetSubmodel(), nodeA->GetSubmodel());

    ASSERT_NE(copy.GetDefinition(), nodeA->GetDefinition());
    EXPECT_EQ(copy.GetType(), DefinitionType::kCpt);
    EXPECT_EQ(Entries(Cpt(copy).GetProbabilities()), (std::vector<double>{0.3, 0.7}));
    EXPECT_NE(copy.GetValue(), nodeA->GetValue());
    EXPECT_EQ(copy.GetValue()->GetType(), ValueType::kBeliefVector);
    ASSERT_NE(copy.GetCost(), nullptr);
    EXPECT_NE(copy.GetCost(), nodeA->GetCost());
    ASSERT_NE(copy.GetExtraDefinition(), nullptr);
    EXPECT_EQ(copy.GetExtraDefinition()->IsFaultOutcome(1), 1);

    // The copy is independent of its source.
    ASSERT_EQ(Cpt(copy).SetProbabilities(Doubles({0.9, 0.1})), kSuccess);
    EXPECT_EQ(Entries(Cpt(*nodeA).GetProbabilities()), (std::vector<double>{0.3, 0.7}));
}

TEST_F(NodeTest, AssignPartsCopiesTheModelButNotTheDescriptiveRecord) {
    ASSERT_EQ(Cpt(*nodeA).SetProbabilities(Doubles({0.4, 0.6})), kSuccess);
    ASSERT_EQ(nodeA->GetExtraDefinition()->SetFaultOutcome(0, 1), kSuccess);
    ASSERT_EQ(nodeA->GetExtraDefinition()->SetOutcomeDescription(0, "broken"), kSuccess);

    VRX_node target(0, 99, nullptr);
    EXPECT_EQ(target.AssignParts(*nodeA), kSuccess);
    EXPECT_TRUE(target.IsValid());
    EXPECT_EQ(target.GetInfo(), nullptr);
    EXPECT_EQ(target.GetHandle(), a);
    EXPECT_EQ(target.GetNetwork(), &net);
    EXPECT_EQ(target.GetSubmodel(), 16384);
    EXPECT_EQ(Entries(Cpt(target).GetProbabilities()), (std::vector<double>{0.4, 0.6}));
    EXPECT_EQ(target.GetValue()->GetType(), ValueType::kBeliefVector);
    ASSERT_NE(target.GetCost(), nullptr);
    ASSERT_NE(target.GetExtraDefinition(), nullptr);
    EXPECT_EQ(target.GetExtraDefinition()->IsFaultOutcome(0), 1);
    EXPECT_EQ(target.GetExtraDefinition()->GetOutcomeDescription(0), nullptr);
}

TEST_F(NodeTest, AssignPartsOfAPartThatCannotBeCopiedLeavesTheNodeNotValid) {
    // Outcome names out of step with the table make the definition invalid.
    ASSERT_EQ(nodeA->GetDefinition()->GetOutcomesNames()->Add("Stray"), kSuccess);
    nodeA->GetDefinition()->CheckValidity(0);
    ASSERT_FALSE(nodeA->GetDefinition()->IsValid());

    VRX_node target(0, 99, nullptr);
    EXPECT_EQ(target.AssignParts(*nodeA), kObjectNotValid);
    EXPECT_FALSE(target.IsValid());
}

TEST_F(NodeTest, SubmodelPlacementByHandleAndById) {
    VRX_submodelHandler& submodels = net.GetSubmodelHandler();
    const int s = submodels.CreateSubmodel(16384, "Engine");
    ASSERT_EQ(s, 16385);

    EXPECT_EQ(nodeA->SetSubmodel(s), kSuccess);
    EXPECT_EQ(nodeA->GetSubmodel(), s);
    // A bare slot index addresses the same submodel and is kept as given.
    EXPECT_EQ(nodeA->SetSubmodel(0), kSuccess);
    EXPECT_EQ(nodeA->GetSubmodel(), 0);
    EXPECT_EQ(nodeA->SetSubmodelById("Engine"), kSuccess);
    EXPECT_EQ(nodeA->GetSubmodel(), s);

    EXPECT_EQ(nodeA->SetSubmodel(16384 + 40), kOutOfRange);
    EXPECT_EQ(nodeA->SetSubmodel(-1), kOutOfRange);
    ASSERT_EQ(submodels.DeleteSubmodel(s), kSuccess);
    EXPECT_EQ(nodeA->GetSubmodel(), 16384);
    EXPECT_EQ(nodeA->SetSubmodel(s), kOutOfRange);
    EXPECT_EQ(nodeA->GetSubmodel(), 16384);

    EXPECT_EQ(nodeA->SetSubmodelById(nullptr), kOutOfRange);
    const int logged = errorLog.GetNumberOfEntries();
    EXPECT_EQ(nodeA->SetSubmodelById("Engine"), kIllegalIdentifier);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), logged + 1);
    EXPECT_STREQ(LastLoggedMessage(), "Unknown submodel");
    EXPECT_EQ(LastLoggedCode(), kIllegalIdentifier);
    EXPECT_EQ(nodeA->GetSubmodel(), 16384);
}

TEST_F(NodeTest, NewNodeTakesTheDefaultAppearanceForUnsetFieldsOnly) {
    const VRX_screenInfo& defaults = net.GetSubmodelHandler().GetNodeDefaults();
    VRX_screenInfo& screen = nodeA->GetInfo()->screenInfo;
    EXPECT_EQ(screen.color, defaults.color);
    EXPECT_EQ(screen.borderThickness, defaults.borderThickness);
    EXPECT_NE(screen.color, VRX_screenInfo::kNotSet);

    screen.color = 7;
    screen.font = VRX_screenInfo::kNotSet;
    EXPECT_EQ(nodeA->ApplyDefaultScreenInfo(), kSuccess);
    EXPECT_EQ(screen.color, 7);
    EXPECT_EQ(screen.font, defaults.font);
}

TEST_F(NodeTest, SetNetworkRebindsEveryPart) {
    EXPECT_EQ(nodeA->SetNetwork(nullptr), kOutOfRange);
    EXPECT_EQ(nodeA->GetNetwork(), &net);

    VRX_network other;
    EXPECT_EQ(nodeA->SetNetwork(&other), kSuccess);
    EXPECT_EQ(nodeA->GetNetwork(), &other);
    EXPECT_EQ(nodeA->GetDefinition()->GetNetwork(), &other);
    EXPECT_EQ(nodeA->GetValue()->GetNetwork(), &other);
    EXPECT_EQ(nodeA->GetCost()->GetNetwork(), &other);
    EXPECT_EQ(nodeA->GetExtraDefinition()->GetNetwork(), &other);
    EXPECT_EQ(nodeA->SetNetwork(&net), kSuccess);
}

TEST_F(NodeTest, RemoveInvalidParentsReachesTheChildrenOnlyWhenAsked) {
    const int b = net.AddNode(DefinitionType::kCpt, "B");
    ASSERT_EQ(net.AddArc(a, b), kSuccess);
    // A parent left without a definition is no longer one a CPT can take.
    ASSERT_EQ(nodeA->CreateDefinition(0), kSuccess);

    EXPECT_EQ(nodeA->RemoveInvalidParents(0), kSuccess);
    EXPECT_EQ(net.GetParents(b).GetCount(), 1);
    EXPECT_EQ(nodeA->RemoveInvalidParents(1), kSuccess);
    EXPECT_EQ(net.GetParents(b).GetCount(), 0);
    EXPECT_EQ(nodeA->GetChildren().GetCount(), 0);
}

class OutcomeNoticeTest : public NodeTest {
protected:
    void SetUp() override {
        NodeTest::SetUp();
        b = net.AddNode(DefinitionType::kCpt, "B");
        c = net.AddNode(DefinitionType::kCpt, "C");
        ASSERT_EQ(net.AddArc(a, b), kSuccess);
        ASSERT_EQ(net.AddCostArc(a, c), kSuccess);
        nodeB = net.GetNode(b);
        nodeC = net.GetNode(c);
    }

    std::vector<int> CostSizesOfC() { return Shape(*nodeC->GetCost()->GetCosts()); }

    int b = -1;
    int c = -1;
    VRX_node* nodeB = nullptr;
    VRX_node* nodeC = nullptr;
};

TEST_F(OutcomeNoticeTest, InsertedOutcomeReachesChildCostChildAndExtraDefinition) {
    ASSERT_EQ(Cpt(*nodeB).SetProbabilities(Doubles({0.1, 0.9, 0.3, 0.7})), kSuccess);
    ASSERT_EQ(nodeA->GetExtraDefinition()->SetFaultOutcome(1, 1), kSuccess);

    ASSERT_EQ(nodeA->GetDefinition()->InsertOutcome(1, "Middle"), kSuccess);
    EXPECT_EQ(Shape(Cpt(*nodeB).GetProbabilities()), (std::vector<int>{3, 2}));
    EXPECT_EQ(Entries(Cpt(*nodeB).GetProbabilities()), (std::vector<double>{0.1, 0.9, 0.5, 0.5, 0.3, 0.7}));
    EXPECT_EQ(CostSizesOfC(), (std::vector<int>{3, 1}));
    const VRX_extraDefinition* extra = nodeA->GetExtraDefinition();
    EXPECT_EQ(extra->GetFaultOutcomes().GetCount(), 3);
    EXPECT_EQ(extra->IsFaultOutcome(2), 1);
    EXPECT_EQ(extra->IsFaultOutcome(1), 0);

    ASSERT_EQ(nodeA->GetDefinition()->RemoveOutcome(0), kSuccess);
    EXPECT_EQ(Entries(Cpt(*nodeB).GetProbabilities()), (std::vector<double>{0.5, 0.5, 0.3, 0.7}));
    EXPECT_EQ(CostSizesOfC(), (std::vector<int>{2, 1}));
    EXPECT_EQ(extra->GetFaultOutcomes().GetCount(), 2);
    EXPECT_EQ(extra->IsFaultOutcome(1), 1);
    EXPECT_EQ(OutcomeNames(*nodeA), (std::vector<std::string>{"Middle", "State1"}));
}

TEST_F(OutcomeNoticeTest, ReorderedOutcomesReachChildCostChildAndExtraDefinition) {
    ASSERT_EQ(nodeA->GetDefinition()->AddOutcome("Third"), kSuccess);
    ASSERT_EQ(Cpt(*nodeB).SetProbabilities(Doubles({0.1, 0.9, 0.2, 0.8, 0.3, 0.7})), kSuccess);
    ASSERT_EQ(nodeC->GetCost()->SetCosts(Doubles({10, 20, 30})), kSuccess);
    ASSERT_EQ(nodeA->GetExtraDefinition()->SetFaultOutcome(0, 1), kSuccess);

    ASSERT_EQ(nodeA->GetDefinition()->ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    EXPECT_EQ(OutcomeNames(*nodeA), (std::vector<std::string>{"Third", "State0", "State1"}));
    EXPECT_EQ(Entries(Cpt(*nodeB).GetProbabilities()), (std::vector<double>{0.3, 0.7, 0.1, 0.9, 0.2, 0.8}));
    EXPECT_EQ(Entries(*nodeC->GetCost()->GetCosts()), (std::vector<double>{30, 10, 20}));
    EXPECT_EQ(nodeA->GetExtraDefinition()->IsFaultOutcome(1), 1);
    EXPECT_EQ(nodeA->GetExtraDefinition()->IsFaultOutcome(0), 0);
}

TEST_F(OutcomeNoticeTest, ChangeOutcomesKeepsTheChildColumnsOfKeptOutcomes) {
    ASSERT_EQ(Cpt(*nodeB).SetProbabilities(Doubles({0.1, 0.9, 0.3, 0.7})), kSuccess);
    // Keep old outcome 1 first, then a new outcome.
    EXPECT_EQ(nodeA->GetDefinition()->ChangeOutcomes(Strings({"Kept", "Fresh"}), Ints({1, -1})), kSuccess);
    EXPECT_EQ(OutcomeNames(*nodeA), (std::vector<std::string>{"Kept", "Fresh"}));
    EXPECT_EQ(Entries(Cpt(*nodeB).GetProbabilities()), (std::vector<double>{0.3, 0.7, 0.5, 0.5}));
    EXPECT_EQ(CostSizesOfC(), (std::vector<int>{2, 1}));
    EXPECT_EQ(nodeA->GetExtraDefinition()->GetFaultOutcomes().GetCount(), 2);
}

TEST_F(OutcomeNoticeTest, ChangeOutcomesReplacingEverythingNeverDropsBelowTwo) {
    EXPECT_EQ(nodeA->GetDefinition()->ChangeOutcomes(Strings({"X", "Y", "Z"}), Ints({-1, -1, -1})), kSuccess);
    EXPECT_EQ(OutcomeNames(*nodeA), (std::vector<std::string>{"X", "Y", "Z"}));
    EXPECT_EQ(Shape(Cpt(*nodeB).GetProbabilities()), (std::vector<int>{3, 2}));
    EXPECT_EQ(CostSizesOfC(), (std::vector<int>{3, 1}));
    EXPECT_EQ(nodeA->GetExtraDefinition()->GetFaultOutcomes().GetCount(), 3);
    EXPECT_EQ(nodeA->GetDefinition()->ChangeOutcomes(Strings({"P", "Q"}), Ints({-1, -1})), kSuccess);
    EXPECT_EQ(OutcomeNames(*nodeA), (std::vector<std::string>{"P", "Q"}));
    EXPECT_EQ(Shape(Cpt(*nodeB).GetProbabilities()), (std::vector<int>{2, 2}));
}

TEST_F(OutcomeNoticeTest, ChangeOutcomesWithABadMapChangesNothing) {
    EXPECT_EQ(nodeA->GetDefinition()->ChangeOutcomes(Strings({"X", "Y"}), Ints({1, 1})), kOutOfRange);
    EXPECT_EQ(nodeA->GetDefinition()->ChangeOutcomes(Strings({"X", "Y"}), Ints({0, 2})), kOutOfRange);
    EXPECT_EQ(OutcomeNames(*nodeA), (std::vector<std::string>{"State0", "State1"}));
    EXPECT_EQ(Shape(Cpt(*nodeB).GetProbabilities()), (std::vector<int>{2, 2}));
}

// Every change of kind, with a child, a cost child, evidence, a target and case evidence around the node,
// leaves a valid network whose copies are valid and whose child table has one dimension per parent.
TEST_F(NodeTest, ChangeTypeThroughEveryKindKeepsTheNetworkValidAndCopyable) {
    const int c = net.AddNode(DefinitionType::kCpt, "C");
    const int k = net.AddNode(DefinitionType::kCpt, "K");
    ASSERT_EQ(net.AddArc(a, c), 0);
    ASSERT_EQ(net.AddCostArc(a, k), 0);
    ASSERT_EQ(net.AddCase("x")->AddEvidence(a, 1), 0);
    ASSERT_EQ(nodeA->GetValue()->SetEvidence(1), 0);
    ASSERT_EQ(net.SetTarget(a), 0);
    for (int code : {DefinitionType::kList, DefinitionType::kTable, DefinitionType::kNoisyMax,
                     DefinitionType::kCast, DefinitionType::kDeMorgan, DefinitionType::kTruthTable,
                     DefinitionType::kNoisyAdder, DefinitionType::kCpt}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(nodeA->ChangeType(code), 0);
        net.CheckValidity(1);
        EXPECT_TRUE(net.IsValid());
        VRX_network copy(net);
        EXPECT_TRUE(copy.IsValid());
        VRX_network model(net, VRX_network::ModelOnly{});
        EXPECT_TRUE(model.IsValid());
        net.ClearAllEvidence();
        // Taken, or refused: by a utility (no evidence) or for propagated evidence that fixes another
        // outcome.
        const int evidence = nodeA->GetValue()->SetEvidence(0);
        EXPECT_TRUE(evidence == kSuccess || evidence == kOutOfRange || evidence == kWrongNodeType)
            << evidence;
        EXPECT_EQ(net.GetNumberOfNodes(), 3);
    }
    VRX_Dmatrix* t = nullptr;
    ASSERT_EQ(net.GetNode(c)->GetDefinition()->GetDefinition(t), kSuccess);
    EXPECT_EQ(Shape(*t).size(), net.GetParents(c).GetCount() + 1u);
}

// A parent turned into a kind that indexes no table loses its arcs into probability tables, so the child's
// table keeps one dimension per parent and the network still updates.
TEST(NodeChangeType, ParentThatNoLongerIndexesLeavesProbabilityTableChildren) {
    VRX_network net;
    const int a = net.AddNode(DefinitionType::kCpt, "A");
    const int b = net.AddNode(DefinitionType::kCpt, "B");
    const int c = net.AddNode(DefinitionType::kCpt, "C");
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    ASSERT_EQ(net.AddArc(b, c), kSuccess);
    ASSERT_EQ(net.GetNode(c)->GetDefinition()->SetDefinitionDoubles(
                  Doubles({0.1, 0.9, 0.2, 0.8, 0.3, 0.7, 0.4, 0.6})),
              kSuccess);

    ASSERT_EQ(net.GetNode(a)->ChangeType(DefinitionType::kCast), kSuccess);
    EXPECT_EQ(net.GetNumberOfParents(c), 1);
    EXPECT_EQ(net.GetParents(c)[0], b);
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(net.GetNode(c)->GetDefinition()->GetDefinition(table), kSuccess);
    EXPECT_EQ(Shape(*table), (std::vector<int>{2, 2}));
    EXPECT_EQ(net.UpdateBeliefs(), kSuccess);
}

// A kind that refuses the node's parents says so once, naming the node and every parent it dropped,
// however often the change builds the new definition from the parents.
TEST(NodeChangeType, RefusedParentsAreOneEntryNamingThem) {
    for (const auto& [code, kind] : {std::pair<int, const char*>{DefinitionType::kCpt, "a chance"},
                                     {DefinitionType::kList, "a decision"},
                                     {DefinitionType::kNoisyMax, "a noisy-MAX"}}) {
        SCOPED_TRACE(code);
        VRX_network net;
        const int decision = net.AddNode(DefinitionType::kList, "D");
        const int mau = net.AddNode(DefinitionType::kMau, "M");
        for (const char* id : {"U0", "U1", "U2"}) {
            const int utility = net.AddNode(DefinitionType::kTable, id);
            ASSERT_EQ(net.AddArc(decision, utility), kSuccess);
            ASSERT_EQ(net.AddArc(utility, mau), kSuccess);
        }
        errorLog.Flush();
        ASSERT_EQ(net.GetNode(mau)->ChangeType(code), kSuccess);
        EXPECT_EQ(net.GetNumberOfParents(mau), 0);
        ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
        EXPECT_EQ(errorLog.GetCode(0), kWrongNodeType);
        EXPECT_EQ(
            std::string(LastLoggedMessage()),
            "Node [M] : its change to " + std::string(kind) +
                " node removed the arcs from [U0], [U1], [U2], which the kinds at their ends do not take");
    }
}
