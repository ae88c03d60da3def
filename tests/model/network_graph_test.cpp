// Arcs of both kinds and the graph queries of a network, including walks over very long chains.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "definitions/cpt.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/refusal_reasons.h"
#include "tests/support/arrays.h"
#include "tests/support/error_log.h"
#include "tests/support/small_stack.h"

namespace {

using namespace vovido::test;

// Adds CPT nodes named A, B, C, ... in handle order.
void AddNodes(VRX_network& net, int count) {
    for (int i = 0; i < count; i++) {
        const char id[2] = {static_cast<char>('A' + i), '\0'};
        ASSERT_EQ(net.AddNode(DefinitionType::kCpt, id), i);
    }
}

std::vector<int> DimensionsOf(VRX_network& net, int handle) {
    VRX_Dmatrix* table = nullptr;
    EXPECT_EQ(net.GetNode(handle)->GetDefinition()->GetDefinition(table), kSuccess);
    const VRX_intArray& sizes = table->GetDimensions();
    return std::vector<int>(sizes.GetItems(), sizes.GetItems() + sizes.GetSize());
}

// Many nodes quickly: the names are unique by construction, so the identifier test is skipped.
void AddChainNodes(VRX_network& net, int count) {
    net.readingFlags = ReadingFlags::kAllowDuplicateIds;
    for (int i = 0; i < count; i++) {
        const std::string id = "N" + std::to_string(i);
        ASSERT_EQ(net.AddNode(DefinitionType::kCpt, id.c_str()), i);
    }
    net.readingFlags = 0;
}

class NetworkGraphTest : public ::testing::Test {
protected:
    void SetUp() override { errorLog.Flush(); }
};

}  // namespace

// ---- Adding and removing arcs ----

TEST_F(NetworkGraphTest, AddArcRefusesInOrderWithoutMessages) {
    VRX_network net;
    AddNodes(net, 3);
    EXPECT_EQ(net.AddArc(0, 7), kOutOfRange);
    EXPECT_EQ(net.AddArc(-1, 0), kOutOfRange);
    EXPECT_EQ(net.AddArc(1, 1), kOutOfRange);
    ASSERT_EQ(net.AddArc(0, 1), kSuccess);
    ASSERT_EQ(net.AddArc(1, 2), kSuccess);
    EXPECT_EQ(net.AddArc(0, 1), kOutOfRange);  // duplicate
    EXPECT_EQ(net.AddArc(1, 0), kOutOfRange);  // reverse of an arc: adjacent, not a cycle
    EXPECT_EQ(net.WouldCreateCycle(1, 0), kOutOfRange);
    EXPECT_EQ(net.AddArc(2, 0), kOutOfRange);  // closes a cycle
    EXPECT_EQ(net.WouldCreateCycle(2, 0), 1);
    EXPECT_EQ(net.WouldCreateCycle(0, 2), 0);
    EXPECT_EQ(Items(net.GetParents(0)), std::vector<int>{});
    EXPECT_EQ(Items(net.GetChildren(2)), std::vector<int>{});
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);

    net.readingFlags = ReadingFlags::kAllowCycles;
    EXPECT_EQ(net.AddArc(2, 0), kSuccess);
    EXPECT_EQ(net.IsAcyclic(), 0);
}

TEST_F(NetworkGraphTest, ArcAddsTheParentDimensionInListOrder) {
    VRX_network net;
    AddNodes(net, 3);
    ASSERT_EQ(net.GetNode(1)->GetDefinition()->SetNumberOfOutcomes(3), kSuccess);
    ASSERT_EQ(net.AddArc(1, 2), kSuccess);
    ASSERT_EQ(net.AddArc(0, 2), kSuccess);
    EXPECT_EQ(Items(net.GetParents(2)), (std::vector<int>{1, 0}));
    EXPECT_EQ(DimensionsOf(net, 2), (std::vector<int>{3, 2, 2}));
    EXPECT_EQ(net.GetNumberOfParents(2), 2);
    EXPECT_EQ(net.GetNumberOfChildren(0), 1);
    EXPECT_EQ(net.GetNumberOfParents(9), kOutOfRange);
    EXPECT_EQ(net.AreAdjacent(2, 1), 1);
    EXPECT_EQ(net.AreAdjacent(0, 1), 0);

    VRX_intArray order;
    ASSERT_EQ(order.Add(1), kSuccess);
    ASSERT_EQ(order.Add(0), kSuccess);
    EXPECT_EQ(net.ReorderParents(2, order), kSuccess);
    EXPECT_EQ(Items(net.GetParents(2)), (std::vector<int>{0, 1}));
    EXPECT_EQ(DimensionsOf(net, 2), (std::vector<int>{2, 3, 2}));
    ASSERT_EQ(order.Add(5), kSuccess);
    EXPECT_EQ(net.ReorderParents(2, order), kOutOfRange);
    EXPECT_EQ(Items(net.GetParents(2)), (std::vector<int>{0, 1}));

    VRX_intArray discrete;
    ASSERT_EQ(discrete.Add(42), kSuccess);
    EXPECT_EQ(net.GetDiscreteParents(2, discrete, 0), kSuccess);
    EXPECT_EQ(Items(discrete), (std::vector<int>{0, 1}));
    EXPECT_EQ(net.GetDiscreteParents(2, discrete, 5), kSuccess);  // other kinds leave it alone
    EXPECT_EQ(Items(discrete), (std::vector<int>{0, 1}));
    EXPECT_EQ(net.GetDiscreteParents(2, discrete, 1), kSuccess);
    EXPECT_EQ(discrete.GetCount(), 0);
}

TEST_F(NetworkGraphTest, ArcRejectedByTheChildIsTakenBackAndLogged) {
    VRX_network net;
    AddNodes(net, 3);
    ASSERT_EQ(net.AddArc(0, 2), kSuccess);
    // A child whose table is broken cannot take a parent.
    VRX_nodeDefinition* child = net.GetNode(2)->GetDefinition();
    ASSERT_EQ(child->GetOutcomesNames()->Add("Spare"), kSuccess);
    child->CheckValidity(0);
    ASSERT_FALSE(child->IsValid());
    EXPECT_EQ(net.AddArc(1, 2), kWrongNodeType);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kWrongNodeType);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "Arc rejected by child node [C]: its definition is not valid, so it takes no parent [B]");
    EXPECT_EQ(Items(net.GetParents(2)), std::vector<int>{0});
    EXPECT_EQ(Items(net.GetChildren(1)), std::vector<int>{});
}

// AddArc refuses by the rule that the check names, silently; the words of that rule name both nodes.
TEST_F(NetworkGraphTest, ArcRulesDecideTheRefusalAndItsWords) {
    VRX_network net;
    AddNodes(net, 5);  // A terminal, B and C plate, D normal, E anchor
    ASSERT_EQ(net.SetTemporalType(0, TemporalType::kTerminal), kSuccess);
    ASSERT_EQ(net.SetTemporalType(1, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(net.SetTemporalType(2, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(net.SetTemporalType(4, TemporalType::kAnchor), kSuccess);
    ASSERT_EQ(net.AddArc(3, 4), kSuccess);
    ASSERT_EQ(net.AddArc(4, 2), kSuccess);
    using vovido::ArcRule;
    const struct {
        int parent, child;
        ArcRule rule;
        int code;
        const char* words;
    } cases[] = {
        {1, 1, ArcRule::kOwnParent, kOutOfRange, "ERROR: Node [B] : a node cannot be its own parent"},
        {2, 4, ArcRule::kAlreadyJoined, kOutOfRange, "ERROR: Node [E] : an arc already joins it and [C]"},
        {2, 3, ArcRule::kCycle, kOutOfRange, "ERROR: Node [D] : an arc from [C] would close a cycle"},
        {0, 1, ArcRule::kTerminalParent, kWrongNodeType,
         "ERROR: Node [B] : an arc from terminal node [A] is refused: the children of a terminal node are "
         "terminal, not plate"},
        {1, 3, ArcRule::kPlateParent, kWrongNodeType,
         "ERROR: Node [D] : an arc from plate node [B] is refused: the children of a plate node are plate or "
         "terminal, not normal"},
        {1, 9, ArcRule::kBadHandle, kOutOfRange, "Invalid node handle: 9"},
        {1, 0, ArcRule::kNone, kSuccess, ""},  // plate to terminal
        {1, 2, ArcRule::kNone, kSuccess, ""},
        {3, 2, ArcRule::kNone, kSuccess, ""},  // normal nodes are free
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        EXPECT_EQ(vovido::FindArcRuleBroken(net, c.parent, c.child), c.rule) << c.words;
        EXPECT_EQ(net.AddArc(c.parent, c.child), c.code) << c.words;
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
        if (c.rule == ArcRule::kNone) continue;
        EXPECT_EQ(vovido::RefuseArc(net, c.parent, c.child, c.rule), c.code);
        EXPECT_EQ(LastLogged(), c.words);
    }
    EXPECT_EQ(Items(net.GetParents(2)), (std::vector<int>{4, 1, 3}));
}

TEST_F(NetworkGraphTest, RemoveArcAndRemoveAllParents) {
    VRX_network net;
    AddNodes(net, 4);
    ASSERT_EQ(net.AddArc(0, 3), kSuccess);
    ASSERT_EQ(net.AddArc(1, 3), kSuccess);
    ASSERT_EQ(net.AddArc(2, 3), kSuccess);
    EXPECT_EQ(net.RemoveArc(3, 0), kOutOfRange);
    EXPECT_EQ(net.RemoveArc(0, 1), kOutOfRange);
    EXPECT_EQ(net.RemoveArc(1, 1), kOutOfRange);
    EXPECT_EQ(net.RemoveArc(1, 3), kSuccess);
    EXPECT_EQ(Items(net.GetParents(3)), (std::vector<int>{0, 2}));
    EXPECT_EQ(DimensionsOf(net, 3), (std::vector<int>{2, 2, 2}));
    EXPECT_EQ(net.RemoveAllParents(3), kSuccess);
    EXPECT_EQ(net.RemoveAllParents(8), kOutOfRange);
    EXPECT_EQ(net.GetParents(3).GetCount(), 0);
    EXPECT_EQ(net.GetChildren(0).GetCount(), 0);
    EXPECT_EQ(DimensionsOf(net, 3), std::vector<int>{2});
}

TEST_F(NetworkGraphTest, CostArcsStayApartFromTheOrdinaryGraph) {
    VRX_network net;
    AddNodes(net, 3);
    EXPECT_EQ(net.AddCostArc(0, 0), kOutOfRange);
    EXPECT_EQ(net.AddArc(0, 1, 1), kSuccess);
    EXPECT_EQ(net.AddCostArc(1, 0), kSuccess);  // no adjacency or cycle test for cost arcs
    EXPECT_EQ(net.GetParents(1).GetCount(), 0);
    EXPECT_EQ(net.GetNumberOfParents(1, 1), 1);
    EXPECT_EQ(net.AddArc(0, 1), kSuccess);            // the ordinary arc is unaffected
    EXPECT_EQ(net.RemoveCostArc(2, 1), kOutOfRange);  // a missing cost arc
    EXPECT_EQ(net.RemoveArc(0, 1, 1), kSuccess);
    EXPECT_EQ(net.GetNumberOfParents(1, 1), 0);
    EXPECT_EQ(net.GetNumberOfParents(1, 0), 1);
}

TEST_F(NetworkGraphTest, GroupCostPropertyGoesWithTheLastCostChild) {
    VRX_network net;
    AddNodes(net, 3);
    VRX_userProperties& properties = net.GetNode(0)->GetInfo()->userProperties;
    ASSERT_EQ(properties.AddProperty("DIAG_TESTGROUPCOST", "tRuE"), kSuccess);
    EXPECT_TRUE(net.IsGroupCostNode(0));
    ASSERT_EQ(net.AddCostArc(0, 1), kSuccess);
    ASSERT_EQ(net.AddCostArc(0, 2), kSuccess);
    ASSERT_EQ(net.RemoveCostArc(0, 1), kSuccess);
    EXPECT_EQ(net.RemoveCostArc(0, 1), kOutOfRange);  // gone: refused, the group kept
    EXPECT_EQ(properties.FindProperty("DIAG_TESTGROUPCOST"), 0);
    ASSERT_EQ(net.RemoveCostArc(0, 2), kSuccess);
    EXPECT_EQ(properties.FindProperty("DIAG_TESTGROUPCOST"), kOutOfRange);
    EXPECT_FALSE(net.IsGroupCostNode(0));
    ASSERT_EQ(properties.AddProperty("DIAG_TESTGROUPCOST", "Truth"), kSuccess);
    EXPECT_FALSE(net.IsGroupCostNode(0));
}

// ---- Queries ----

TEST_F(NetworkGraphTest, AncestorsAppendAndCostDescendantsEmptyFirst) {
    VRX_network net;
    AddNodes(net, 5);
    ASSERT_EQ(net.AddArc(3, 1), kSuccess);
    ASSERT_EQ(net.AddArc(1, 0), kSuccess);
    ASSERT_EQ(net.AddArc(4, 0), kSuccess);
    VRX_intArray out;
    EXPECT_EQ(net.GetAncestors(0, out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(net.GetAncestors(0, out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<int>{1, 3, 4, 1, 3, 4}));
    EXPECT_EQ(net.GetAncestors(2, out), kSuccess);
    EXPECT_EQ(out.GetCount(), 6);
    EXPECT_EQ(net.GetAncestors(9, out), kOutOfRange);
    out.Flush();
    EXPECT_EQ(net.GetDescendants(3, out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<int>{0, 1}));

    ASSERT_EQ(net.AddCostArc(2, 4), kSuccess);
    ASSERT_EQ(net.AddCostArc(4, 0), kSuccess);
    ASSERT_EQ(out.Add(77), kSuccess);
    EXPECT_EQ(net.GetCostDescendants(2, out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<int>{0, 4}));
    EXPECT_EQ(net.GetCostDescendants(99, out), kOutOfRange);
    EXPECT_EQ(out.GetCount(), 0);
}

TEST_F(NetworkGraphTest, TopologicalOrderIsAPostOrderOverParents) {
    VRX_network abc;  // a = 0, b = 1, c = 2
    AddNodes(abc, 3);
    ASSERT_EQ(abc.AddArc(0, 2), kSuccess);
    ASSERT_EQ(abc.AddArc(1, 2), kSuccess);
    EXPECT_EQ(Items(abc.GetTopologicalOrder()), (std::vector<int>{0, 1, 2}));

    VRX_network cab;  // c = 0, a = 1, b = 2
    AddNodes(cab, 3);
    ASSERT_EQ(cab.AddArc(1, 0), kSuccess);
    ASSERT_EQ(cab.AddArc(2, 0), kSuccess);
    EXPECT_EQ(Items(cab.GetTopologicalOrder()), (std::vector<int>{1, 2, 0}));

    // Parent-list order decides between parents, and a node follows all its ancestors.
    VRX_network net;
    AddNodes(net, 5);
    ASSERT_EQ(net.AddArc(3, 0), kSuccess);
    ASSERT_EQ(net.AddArc(4, 0), kSuccess);
    ASSERT_EQ(net.AddArc(2, 3), kSuccess);
    ASSERT_EQ(net.AddArc(1, 4), kSuccess);
    EXPECT_EQ(Items(net.GetTopologicalOrder()), (std::vector<int>{2, 3, 1, 4, 0}));
}

TEST_F(NetworkGraphTest, DiamondIsAcyclicButNotSinglyConnected) {
    VRX_network net;
    AddNodes(net, 4);  // a b c d
    ASSERT_EQ(net.AddArc(0, 1), kSuccess);
    ASSERT_EQ(net.AddArc(0, 2), kSuccess);
    ASSERT_EQ(net.AddArc(1, 3), kSuccess);
    EXPECT_EQ(net.IsSinglyConnected(), 1);
    ASSERT_EQ(net.AddArc(2, 3), kSuccess);
    EXPECT_EQ(net.IsAcyclic(), 1);
    EXPECT_EQ(net.IsSinglyConnected(), 0);
    EXPECT_EQ(net.ComputeHeights(), 2);
    EXPECT_EQ(net.GetEntry(3).height, 0);
    EXPECT_EQ(net.GetEntry(1).height, 1);
    EXPECT_EQ(net.GetEntry(2).height, 1);
    EXPECT_EQ(net.GetEntry(0).height, 2);
}

TEST_F(NetworkGraphTest, PolytreeWithSeveralPartsIsSinglyConnected) {
    VRX_network net;
    AddNodes(net, 6);
    ASSERT_EQ(net.AddArc(0, 2), kSuccess);
    ASSERT_EQ(net.AddArc(1, 2), kSuccess);
    ASSERT_EQ(net.AddArc(2, 3), kSuccess);
    ASSERT_EQ(net.AddArc(4, 5), kSuccess);
    EXPECT_EQ(net.IsSinglyConnected(), 1);
    EXPECT_EQ(net.IsAcyclic(), 1);
    ASSERT_EQ(net.AddArc(1, 3), kSuccess);  // a loop through the undirected graph only
    EXPECT_EQ(net.IsSinglyConnected(), 0);
    EXPECT_EQ(net.IsAcyclic(), 1);
    VRX_network empty;
    EXPECT_EQ(empty.IsSinglyConnected(), 1);
    EXPECT_EQ(empty.IsAcyclic(), 1);
    EXPECT_EQ(empty.ComputeHeights(), 0);
}

TEST_F(NetworkGraphTest, InfluenceDiagramOrderWithoutDecisionsIsTheTopologicalOrder) {
    VRX_network net;
    AddNodes(net, 4);
    ASSERT_EQ(net.AddArc(2, 0), kSuccess);
    ASSERT_EQ(net.AddArc(3, 1), kSuccess);
    VRX_intArray out;
    ASSERT_EQ(out.Add(8), kSuccess);
    EXPECT_EQ(net.GetInfluenceDiagramOrder(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<int>{2, 0, 3, 1}));
    VRX_intArray list;
    for (int h : {1, 0, 1, 99, -4, 2}) ASSERT_EQ(list.Add(h), kSuccess);
    EXPECT_EQ(net.SortByInfluenceDiagramOrder(list), kSuccess);
    EXPECT_EQ(Items(list), (std::vector<int>{2, 0, 1}));
}

TEST_F(NetworkGraphTest, CostOrderPutsCostParentsFirst) {
    VRX_network net;
    AddNodes(net, 4);
    ASSERT_EQ(net.AddCostArc(3, 0), kSuccess);
    ASSERT_EQ(net.AddCostArc(2, 3), kSuccess);
    ASSERT_EQ(net.AddArc(0, 1), kSuccess);  // ordinary arcs play no part
    VRX_intArray out;
    ASSERT_EQ(out.Add(5), kSuccess);
    net.GetCostTopologicalOrder(out);
    EXPECT_EQ(Items(out), (std::vector<int>{2, 3, 0, 1}));
    VRX_intArray list;
    for (int h : {0, 3, 0}) ASSERT_EQ(list.Add(h), kSuccess);
    EXPECT_EQ(net.SortByCostArcOrder(list), kSuccess);
    EXPECT_EQ(Items(list), (std::vector<int>{3, 0}));
}

// ---- Walks over long chains ----

TEST_F(NetworkGraphTest, WalksOverTenThousandNodeChainsNeedNoDeepStack) {
    constexpr int kLength = 10000;
    // Arcs i -> i+1 make the searches from the first node deep; arcs i+1 -> i make the ordering
    // walks from the first node deep.
    VRX_network down;
    VRX_network up;
    AddChainNodes(down, kLength);
    AddChainNodes(up, kLength);
    for (int i = 0; i + 1 < kLength; i++) {
        ASSERT_EQ(down.AddArc(i, i + 1), kSuccess);
        ASSERT_EQ(down.AddCostArc(i, i + 1), kSuccess);
    }
    for (int i = kLength - 2; i >= 0; i--) {
        ASSERT_EQ(up.AddArc(i + 1, i), kSuccess);
        ASSERT_EQ(up.AddCostArc(i + 1, i), kSuccess);
    }

    struct Results {
        int count = 0, first = -1, last = -1;
        int acyclic = -1, single = -1, heights = -1, cycleClosing = -1, cycleFree = -1;
        int ancestors = -1, descendants = -1, costDescendants = -1, idOrder = -1, costFirst = -1;
        int sorted = -1, marked = -1;
    };
    auto walk = [](VRX_network& net, Results& r) {
        const int head = net.GetParents(0).GetCount() == 0 ? 0 : kLength - 1;
        const int tail = kLength - 1 - head;
        VRX_intArray& order = net.GetTopologicalOrder();
        r.count = order.GetCount();
        r.first = order[0];
        r.last = order[r.count - 1];
        r.acyclic = net.IsAcyclic();
        r.single = net.IsSinglyConnected();
        r.heights = net.ComputeHeights();
        r.cycleClosing = net.WouldCreateCycle(tail, head);
        r.cycleFree = net.WouldCreateCycle(head, tail);
        VRX_intArray out;
        ASSERT_EQ(net.GetAncestors(tail, out), kSuccess);
        r.ancestors = out.GetCount();
        out.Flush();
        ASSERT_EQ(net.GetDescendants(head, out), kSuccess);
        r.descendants = out.GetCount();
        ASSERT_EQ(net.GetCostDescendants(head, out), kSuccess);
        r.costDescendants = out.GetCount();
        ASSERT_EQ(net.GetInfluenceDiagramOrder(out), kSuccess);
        r.idOrder = out.GetCount();
        net.GetCostTopologicalOrder(out);
        r.costFirst = out[0];
        out.Flush();
        ASSERT_EQ(out.Add(tail), kSuccess);
        ASSERT_EQ(out.Add(head), kSuccess);
        ASSERT_EQ(net.SortByCostArcOrder(out), kSuccess);
        r.sorted = out[0];
        net.ClearMarksOfAllNodes(SlotMarks::kAncestor);
        net.MarkAncestors(tail);
        r.marked = net.GetEntry(head).HasMark(SlotMarks::kAncestor) ? 1 : 0;
    };
    Results d;
    Results u;
    RunOnSmallStack([&] {
        walk(down, d);
        walk(up, u);
    });
    for (const Results* r : {&d, &u}) {
        EXPECT_EQ(r->count, kLength);
        EXPECT_EQ(r->acyclic, 1);
        EXPECT_EQ(r->single, 1);
        EXPECT_EQ(r->heights, kLength - 1);
        EXPECT_EQ(r->cycleClosing, 1);
        EXPECT_EQ(r->cycleFree, 0);
        EXPECT_EQ(r->ancestors, kLength - 1);
        EXPECT_EQ(r->descendants, kLength - 1);
        EXPECT_EQ(r->costDescendants, kLength - 1);
        EXPECT_EQ(r->idOrder, kLength);
        EXPECT_EQ(r->marked, 1);
    }
    EXPECT_EQ(d.first, 0);
    EXPECT_EQ(d.last, kLength - 1);
    EXPECT_EQ(u.first, kLength - 1);
    EXPECT_EQ(u.last, 0);
    EXPECT_EQ(d.costFirst, 0);
    EXPECT_EQ(u.costFirst, kLength - 1);
    EXPECT_EQ(d.sorted, 0);
    EXPECT_EQ(u.sorted, kLength - 1);
}

TEST_F(NetworkGraphTest, WalksEndOnACycleLeftByAFileRead) {
    constexpr int kLength = 10000;
    VRX_network net;
    AddChainNodes(net, kLength);
    for (int i = 0; i + 1 < kLength; i++) ASSERT_EQ(net.AddArc(i, i + 1), kSuccess);
    net.readingFlags = ReadingFlags::kAllowCycles;
    ASSERT_EQ(net.AddArc(kLength - 1, 0), kSuccess);
    net.readingFlags = 0;

    int count = -1, acyclic = -1, single = -1, ancestors = -1, heights = -2;
    RunOnSmallStack([&] {
        count = net.GetTopologicalOrder().GetCount();
        acyclic = net.IsAcyclic();
        single = net.IsSinglyConnected();
        VRX_intArray out;
        ASSERT_EQ(net.GetAncestors(5, out), kSuccess);
        ancestors = out.GetCount();
        heights = net.ComputeHeights();
    });
    EXPECT_EQ(count, kLength);
    EXPECT_EQ(acyclic, 0);
    EXPECT_EQ(single, 0);
    EXPECT_EQ(ancestors, kLength - 1);  // never the node itself
    EXPECT_GE(heights, 0);
    // The scratch marks of the walks are all gone again.
    for (int h = 0; h < kLength; h++) ASSERT_EQ(net.GetEntry(h).flags & 0x400, 0) << h;
}

TEST_F(NetworkGraphTest, InfluenceDiagramOrderPlacesEachDecisionAfterItsUnplacedParents) {
    VRX_network net;
    const int x = net.AddNode(DefinitionType::kCpt, "x");
    const int y = net.AddNode(DefinitionType::kCpt, "y");
    const int z = net.AddNode(DefinitionType::kCpt, "z");
    const int w = net.AddNode(DefinitionType::kCpt, "w");
    const int d1 = net.AddNode(DefinitionType::kList, "D1");
    const int d2 = net.AddNode(DefinitionType::kList, "D2");
    ASSERT_EQ(net.AddArc(x, d1), kSuccess);
    ASSERT_EQ(net.AddArc(y, d1), kSuccess);
    ASSERT_EQ(net.AddArc(d1, d2), kSuccess);
    ASSERT_EQ(net.AddArc(z, d2), kSuccess);
    ASSERT_EQ(net.AddArc(d2, w), kSuccess);
    EXPECT_EQ(Items(net.GetTopologicalOrder()), (std::vector<int>{x, y, z, d1, d2, w}));
    VRX_intArray out;
    ASSERT_EQ(net.GetInfluenceDiagramOrder(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<int>{x, y, d1, z, d2, w}));
    VRX_intArray list;
    for (int h : {w, d2, x, z}) ASSERT_EQ(list.Add(h), kSuccess);
    ASSERT_EQ(net.SortByInfluenceDiagramOrder(list), kSuccess);
    EXPECT_EQ(Items(list), (std::vector<int>{x, z, d2, w}));
}

// ---- Adding a node's parents together ----

// Nodes A.. of the given outcome counts, "U" a utility node, and F's table over A given unscaled: a column
// such as (0.4, 0.7) changes in its last bits when scaled a second time, so that the table shows whether
// it was scaled once per new parent, as arcs added one by one scale it.
void AddFamilyNodes(VRX_network& net) {
    const int outcomes[] = {3, 5, 2, 7, 3, 2};
    for (int i = 0; i < 6; i++) {
        const char id[2] = {static_cast<char>('A' + i), '\0'};
        ASSERT_EQ(net.AddNode(DefinitionType::kCpt, id), i);
        ASSERT_EQ(net.GetNode(i)->GetDefinition()->SetNumberOfOutcomes(outcomes[i]), kSuccess);
    }
    ASSERT_EQ(net.AddNode(DefinitionType::kTable, "U"), 6);
    ASSERT_EQ(net.AddArc(0, 5), kSuccess);
    ASSERT_EQ(net.GetNode(5)->GetDefinition()->SetDefinitionDoubles(Doubles({0.4, 0.7, 0.3, 0.4, 0.7, 0.2})),
              kSuccess);
    // E below F through G: E -> F would close a cycle.
    ASSERT_EQ(net.AddNode(DefinitionType::kCpt, "G"), 7);
    ASSERT_EQ(net.AddArc(5, 7), kSuccess);
    ASSERT_EQ(net.AddArc(7, 4), kSuccess);
}

TEST_F(NetworkGraphTest, ArcsAddedTogetherAreThoseAddedOneByOneWithTheSameTable) {
    VRX_network oneByOne;
    VRX_network together;
    AddFamilyNodes(oneByOne);
    AddFamilyNodes(together);
    // B, C, B again, F itself, D, the utility node, E (a cycle), A again.
    const std::vector<int> parents = {1, 2, 1, 5, 3, 6, 4, 0};
    std::vector<int> expected;
    for (int p : parents) expected.push_back(oneByOne.AddArc(p, 5));
    const int logged = errorLog.GetNumberOfEntries();
    std::vector<int> results(parents.size(), 1);
    ASSERT_EQ(together.AddArcs(parents.data(), static_cast<int>(parents.size()), 5, results.data()),
              kSuccess);
    EXPECT_EQ(results, expected);
    EXPECT_EQ(expected, (std::vector<int>{0, 0, kOutOfRange, kOutOfRange, 0, kWrongNodeType, kOutOfRange,
                                          kOutOfRange}));
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 2 * logged);  // "Arc rejected by child node", in each
    EXPECT_EQ(Items(together.GetParents(5)), Items(oneByOne.GetParents(5)));
    EXPECT_EQ(Items(together.GetChildren(1)), std::vector<int>{5});
    EXPECT_EQ(Items(together.GetChildren(6)), std::vector<int>{});
    EXPECT_EQ(DimensionsOf(together, 5), (std::vector<int>{3, 5, 2, 7, 2}));
    VRX_Dmatrix* a = nullptr;
    VRX_Dmatrix* b = nullptr;
    ASSERT_EQ(oneByOne.GetNode(5)->GetDefinition()->GetDefinition(a), kSuccess);
    ASSERT_EQ(together.GetNode(5)->GetDefinition()->GetDefinition(b), kSuccess);
    ASSERT_EQ(a->GetNumberOfElements(), b->GetNumberOfElements());
    for (int i = 0; i < a->GetNumberOfElements(); i++) ASSERT_EQ((*a)[i], (*b)[i]) << i;  // bit for bit
}

TEST_F(NetworkGraphTest, ArcsWhoseTableWouldPassTheLimitAreRefusedTogetherWithOneMessage) {
    VRX_network net;
    std::vector<int> parents;
    for (int i = 0; i < 29; i++)
        parents.push_back(net.AddNode(DefinitionType::kCpt, ("p" + std::to_string(i)).c_str()));
    const int child = net.AddNode(DefinitionType::kCpt, "child");
    std::vector<int> results(parents.size(), 1);
    ASSERT_EQ(net.AddArcs(parents.data(), static_cast<int>(parents.size()), child, results.data()), kSuccess);
    EXPECT_EQ(results, std::vector<int>(parents.size(), kOutOfMemory));
    EXPECT_EQ(net.GetNumberOfParents(child), 0);
    EXPECT_EQ(net.GetNumberOfChildren(parents[0]), 0);
    EXPECT_EQ(DimensionsOf(net, child), std::vector<int>{2});
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "ERROR: Node [child] : its table of 1073741824 cells passes the limit of 268435456 cells");
}
