// Tests of the node cost: the table's shape follows the cost arcs and the cost parents' outcome edits.
#include "definitions/node_cost.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

class NodeCostTest : public ::testing::Test {
protected:
    void SetUp() override {
        errorLog.Flush();
        test = net.AddNode(DefinitionType::kCpt, "Test");
        p2 = net.AddNode(DefinitionType::kCpt, "Two");
        p3 = net.AddNode(DefinitionType::kCpt, "Three");
        ASSERT_GE(test, 0);
        ASSERT_GE(p2, 0);
        ASSERT_GE(p3, 0);
        ASSERT_EQ(Definition(p3)->AddOutcome("Third"), kSuccess);
        cost = net.GetNode(test)->GetCost();
        ASSERT_NE(cost, nullptr);
    }

    VRX_nodeDefinition* Definition(int handle) { return net.GetNode(handle)->GetDefinition(); }

    // Cost parents Two (2 outcomes) and Three (3 outcomes), costs 1 .. 6 in table order.
    void AddBothParentsWithCosts() {
        ASSERT_EQ(net.AddArc(p2, test, 1), kSuccess);
        ASSERT_EQ(net.AddArc(p3, test, 1), kSuccess);
        ASSERT_EQ(cost->SetCosts(Doubles({1, 2, 3, 4, 5, 6})), kSuccess);
    }

    void ExpectShape(std::initializer_list<int> sizes) {
        const VRX_intArray& dims = cost->GetCosts()->GetDimensions();
        ASSERT_EQ(dims.GetSize(), static_cast<int>(sizes.size()));
        int d = 0;
        for (int size : sizes) EXPECT_EQ(dims[d++], size) << "dimension " << d - 1;
    }

    void ExpectCosts(std::initializer_list<double> values) {
        const VRX_Dmatrix& table = *cost->GetCosts();
        ASSERT_EQ(table.GetNumberOfElements(), static_cast<int>(values.size()));
        int i = 0;
        for (double v : values) EXPECT_EQ(table[i++], v) << "element " << i - 1;
    }

    VRX_network net;
    int test = -1;
    int p2 = -1;
    int p3 = -1;
    VRX_nodeCost* cost = nullptr;
};

TEST_F(NodeCostTest, WithoutCostParentsTheTableIsOneZero) {
    EXPECT_TRUE(cost->IsValid());
    EXPECT_EQ(cost->GetHandle(), test);
    EXPECT_EQ(cost->GetNetwork(), &net);
    ExpectShape({1});
    ExpectCosts({0.0});
}

TEST_F(NodeCostTest, CostParentsAddDimensionsInListOrder) {
    ASSERT_EQ(net.AddArc(p2, test, 1), kSuccess);
    ASSERT_EQ(net.AddArc(p3, test, 1), kSuccess);
    ExpectShape({2, 3, 1});
    ExpectCosts({0, 0, 0, 0, 0, 0});
    // Cost arcs are no ordinary arcs: the definition keeps its shape.
    EXPECT_EQ(Definition(test)->GetSize(), 2);
}

TEST_F(NodeCostTest, ParentsWithoutAPlaceAreRefused) {
    EXPECT_EQ(cost->AddParent(-1), kOutOfRange);
    EXPECT_EQ(cost->AddParent(9999), kOutOfRange);
    // A parent that is not in the cost-parent list has no position.
    EXPECT_EQ(cost->AddParent(p2), kOutOfRange);
    ExpectShape({1});

    // The same cost arc twice would give the parent two dimensions: the node cost refuses it and the
    // network takes the arc back.
    ASSERT_EQ(net.AddArc(p2, test, 1), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(net.AddArc(p2, test, 1), kOutOfRange);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0), "Arc cannot be added");
    EXPECT_EQ(net.GetParents(test, 1).GetCount(), 1);
    ExpectShape({2, 1});
}

TEST_F(NodeCostTest, SetCostsNeedsExactlyOneValuePerElement) {
    AddBothParentsWithCosts();
    EXPECT_EQ(cost->SetCosts(Doubles({9, 9, 9, 9, 9})), kOutOfRange);
    ExpectCosts({1, 2, 3, 4, 5, 6});
    // A sized vector (count 0) supplies all of its elements.
    VRX_doubleArray sized;
    ASSERT_EQ(sized.SetSize(6), kSuccess);
    sized.FillWith(7.5);
    EXPECT_EQ(cost->SetCosts(sized), kSuccess);
    ExpectCosts({7.5, 7.5, 7.5, 7.5, 7.5, 7.5});
}

TEST_F(NodeCostTest, ParentOutcomeEditsReshapeTheParentsDimension) {
    AddBothParentsWithCosts();
    // Table rows by Two: (1 2 3) (4 5 6). Inserting outcome 0 of Two opens a zero row in front.
    ASSERT_EQ(Definition(p2)->InsertOutcome(0, "Zero"), kSuccess);
    ExpectShape({3, 3, 1});
    ExpectCosts({0, 0, 0, 1, 2, 3, 4, 5, 6});

    // Removing outcome 1 of Three drops that column.
    ASSERT_EQ(Definition(p3)->RemoveOutcome(1), kSuccess);
    ExpectShape({3, 2, 1});
    ExpectCosts({0, 0, 1, 3, 4, 6});

    // Reordering Three's outcomes swaps the columns.
    ASSERT_EQ(Definition(p3)->ChangeOrderOfOutcomes(Ints({1, 0})), kSuccess);
    ExpectCosts({0, 0, 3, 1, 6, 4});
}

TEST_F(NodeCostTest, BadOutcomeEditsLeaveTheTableUnchanged) {
    AddBothParentsWithCosts();
    EXPECT_EQ(cost->InsertParentOutcome(p2, 3), kOutOfRange);
    EXPECT_EQ(cost->InsertParentOutcome(p2, -1), kOutOfRange);
    EXPECT_EQ(cost->RemoveParentOutcome(p3, 3), kOutOfRange);
    EXPECT_EQ(cost->ReorderParentOutcomes(p3, Ints({0, 1})), kOutOfRange);
    EXPECT_EQ(cost->InsertParentOutcome(test, 0), kOutOfRange);
    EXPECT_EQ(cost->RemoveParentOutcome(12345, 0), kOutOfRange);
    ExpectShape({2, 3, 1});
    ExpectCosts({1, 2, 3, 4, 5, 6});
    // Removal on a one-item dimension must fail before anything moves.
    ASSERT_EQ(net.RemoveArc(p2, test, 1), kSuccess);
    ASSERT_EQ(net.GetParents(test, 1).Insert(0, p2), kSuccess);
    ASSERT_EQ(cost->GetCosts()->InsertDimension(0, 1), kSuccess);
    EXPECT_EQ(cost->RemoveParentOutcome(p2, 0), kOutOfRange);
    ExpectShape({1, 3, 1});
    ASSERT_EQ(net.GetParents(test, 1).DeleteByValue(p2), kSuccess);
}

TEST_F(NodeCostTest, RemovingACostArcDropsOnlyThatParentsDimension) {
    AddBothParentsWithCosts();
    ASSERT_EQ(net.RemoveArc(p2, test, 1), kSuccess);
    // ReduceToSlice keeps item 0 of the removed dimension.
    ExpectShape({3, 1});
    ExpectCosts({1, 2, 3});
    EXPECT_EQ(cost->RemoveParent(p2), kOutOfRange);
    ASSERT_EQ(Definition(p3)->InsertOutcome(3, "Last"), kSuccess);
    ExpectCosts({1, 2, 3, 0});
}

TEST_F(NodeCostTest, RebuildKeepsLaterParentsAlignedWhenOneFails) {
    const int gone = net.AddNode(DefinitionType::kCpt, "Gone");
    ASSERT_GE(gone, 0);
    ASSERT_EQ(net.DeleteNode(gone), kSuccess);
    // A cost parent that cannot be added, ahead of one that can.
    ASSERT_EQ(net.AddArc(p3, test, 1), kSuccess);
    ASSERT_EQ(net.GetParents(test, 1).Insert(0, gone), kSuccess);
    errorLog.Flush();

    EXPECT_EQ(cost->RebuildFromParents(), kSuccess);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kOutOfRange);
    EXPECT_STREQ(errorLog.GetMessage(0), "Parent could not be added");
    ExpectShape({1, 3, 1});
    ExpectCosts({0, 0, 0});

    // Three's edits land on its own dimension, not on the refused parent's.
    ASSERT_EQ(cost->SetCosts(Doubles({1, 2, 3})), kSuccess);
    ASSERT_EQ(Definition(p3)->InsertOutcome(1, "Mid"), kSuccess);
    ExpectShape({1, 4, 1});
    ExpectCosts({1, 0, 2, 3});
    ASSERT_EQ(Definition(p3)->ChangeOrderOfOutcomes(Ints({3, 2, 1, 0})), kSuccess);
    ExpectCosts({3, 2, 0, 1});
    EXPECT_EQ(cost->InsertParentOutcome(gone, 0), kOutOfRange);
    ExpectShape({1, 4, 1});
    ASSERT_EQ(net.GetParents(test, 1).DeleteByValue(gone), kSuccess);
}

TEST_F(NodeCostTest, CopiesAreIndependentAndRefuseInvalidSources) {
    AddBothParentsWithCosts();
    VRX_nodeCost copy(*cost);
    EXPECT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.GetHandle(), test);
    EXPECT_EQ(copy.GetNetwork(), &net);
    ASSERT_EQ(copy.GetCosts()->GetNumberOfElements(), 6);
    (*copy.GetCosts())[0] = 100.0;
    EXPECT_EQ((*cost->GetCosts())[0], 1.0);

    EXPECT_EQ(copy.CopyFrom(copy), kSuccess);
    VRX_nodeCost other(p2, &net);
    EXPECT_EQ(other.Copy(*cost), kSuccess);
    EXPECT_EQ(other.GetHandle(), test);
    EXPECT_EQ(other.GetCosts()->GetNumberOfElements(), 6);

    other.Bind(&net, p2);
    ASSERT_EQ(other.RebuildFromParents(), kSuccess);
    EXPECT_EQ(other.GetCosts()->GetNumberOfElements(), 1);
    EXPECT_EQ(other.SetNetwork(nullptr), kOutOfRange);
    EXPECT_EQ(other.NotifyChange(kDefinitionChangeNotice), kSuccess);
    EXPECT_EQ(other.NotifyChange(5), kSuccess);
    EXPECT_EQ(other.ReservedQuery(), 0);
}

TEST_F(NodeCostTest, UnboundCostIsASingleZero) {
    VRX_nodeCost loose(-1, nullptr);
    EXPECT_TRUE(loose.IsValid());
    EXPECT_EQ(loose.GetCosts()->GetNumberOfDimensions(), 1);
    EXPECT_EQ(loose.GetCosts()->GetNumberOfElements(), 1);
    EXPECT_EQ(loose.AddParent(p2), kOutOfRange);
    EXPECT_EQ(loose.SetCosts(Doubles({4.0})), kSuccess);
    EXPECT_EQ((*loose.GetCosts())[0], 4.0);
}

}  // namespace
