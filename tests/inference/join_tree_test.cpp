// Join tree construction: moral graph, elimination order, cluster weights, limits, linking and families.
#include "inference/join_tree.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "tests/support/whole_part.h"

namespace {

using vovido::test::TestNetwork;
using vovido::test::WholePart;

std::vector<int> Members(const Cluster& c) {
    return std::vector<int>(c.GetMembers(), c.GetMembers() + c.GetNumberOfMembers());
}
std::vector<int> Separator(const Cluster& c) {
    return std::vector<int>(c.GetSeparator(), c.GetSeparator() + c.GetNumberOfSeparatorNodes());
}
std::vector<int> Families(const Cluster& c) {
    return std::vector<int>(c.GetFamilies(), c.GetFamilies() + c.GetNumberOfFamilies());
}

// Network of n unconnected nodes of the given outcome count.
void AddNodes(TestNetwork& t, int n, int outcomes) {
    for (int i = 0; i < n; i++) t.Add(("n" + std::to_string(i)).c_str(), outcomes);
}

TEST(JoinTreeBuild, ChainGivesTwoClustersLinkedThroughTheirSeparator) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b"), c = t.Add("c");
    t.Arcs({{a, b}, {b, c}});
    WholePart part(t.net);
    JoinTree tree(part.view);
    ASSERT_TRUE(tree.Build(0));
    ASSERT_EQ(tree.GetNumberOfClusters(), 2);
    const Cluster& first = tree.GetCluster(0);
    const Cluster& second = tree.GetCluster(1);
    EXPECT_EQ(Members(first), (std::vector<int>{0, 1}));
    EXPECT_EQ(Separator(first), (std::vector<int>{1}));
    EXPECT_EQ(first.GetEliminatedNode(), 0);
    EXPECT_EQ(first.GetWeight(), 4u);
    EXPECT_EQ(first.GetParent(), &second);
    EXPECT_EQ(Members(second), (std::vector<int>{1, 2}));
    EXPECT_TRUE(Separator(second).empty());
    EXPECT_EQ(second.GetEliminatedNode(), 1);
    EXPECT_EQ(second.GetWeight(), 4u);
    EXPECT_EQ(second.GetParent(), nullptr);
    ASSERT_EQ(second.GetNumberOfChildren(), 1);
    EXPECT_EQ(second.GetChildIndex(0), first.GetIndex());
    EXPECT_EQ(tree.GetTotalWeight(), 8u);

    ASSERT_EQ(tree.AssignFamilies(), kSuccess);
    EXPECT_EQ(tree.GetRoot(), &second);
    EXPECT_EQ(Families(first), (std::vector<int>{0, 1}));
    EXPECT_EQ(Families(second), (std::vector<int>{2}));
}

TEST(JoinTreeBuild, ObservedNodeCountsAsSizeOneButStaysAMember) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b", 3), c = t.Add("c");
    t.Arcs({{a, b}, {b, c}});
    t.Observe(b, 2);
    WholePart part(t.net);
    JoinTree tree(part.view);
    ASSERT_TRUE(tree.Build(0));
    ASSERT_EQ(tree.GetNumberOfClusters(), 2);
    EXPECT_EQ(tree.GetCluster(0).GetWeight(), 2u);
    EXPECT_EQ(Members(tree.GetCluster(0)), (std::vector<int>{0, 1}));
    EXPECT_EQ(Separator(tree.GetCluster(0)), (std::vector<int>{1}));
    EXPECT_EQ(tree.GetCluster(1).GetWeight(), 2u);
    EXPECT_EQ(tree.GetTotalWeight(), 4u);
}

TEST(JoinTreeBuild, SingleCliqueIsTheRootWithSortedLists) {
    TestNetwork t;
    const int x = t.Add("x"), y = t.Add("y", 3), z = t.Add("z"), w = t.Add("w");
    // w's parents in the order z, x, y marry all three.
    t.Arcs({{z, w}, {x, w}, {y, w}});
    WholePart part(t.net);
    JoinTree tree(part.view);
    ASSERT_TRUE(tree.Build(0));
    ASSERT_EQ(tree.GetNumberOfClusters(), 1);
    const Cluster& only = tree.GetCluster(0);
    EXPECT_EQ(Members(only), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(Separator(only).empty());
    EXPECT_EQ(only.GetWeight(), 24u);
    EXPECT_EQ(only.GetParent(), nullptr);
    ASSERT_EQ(tree.AssignFamilies(), kSuccess);
    EXPECT_EQ(tree.GetRoot(), &only);
    EXPECT_EQ(Families(only), (std::vector<int>{0, 1, 2, 3}));
}

TEST(JoinTreeBuild, ThirtyMembersFitAndAThirtyFirstFails) {
    for (int parents : {29, 30}) {
        TestNetwork t;
        AddNodes(t, parents + 1, 2);
        WholePart part(t.net);
        for (int p = 0; p < parents; p++) part.Link(p, parents);
        // Observed nodes keep every weight at 1, so only the member count can fail.
        for (int i = 0; i <= parents; i++) part.Observe(i);
        part.Refresh();
        JoinTree tree(part.view);
        EXPECT_EQ(tree.Build(0), parents == 29) << parents;
        ASSERT_EQ(tree.GetNumberOfClusters(), 1);
        EXPECT_EQ(tree.GetCluster(0).GetNumberOfMembers(), 30);
    }
}

TEST(JoinTreeBuild, LimitZeroMeansTheDefaultAndMinusOneNoLimit) {
    // A clique of 29 binary nodes weighs 2^29, above the default limit of 2^28.
    TestNetwork t;
    AddNodes(t, 29, 2);
    WholePart part(t.net);
    for (int p = 0; p < 28; p++) part.Link(p, 28);
    part.Refresh();
    JoinTree tree(part.view);
    EXPECT_FALSE(tree.Build(0));
    EXPECT_EQ(tree.GetTotalWeight(), 1u << 29);
    EXPECT_TRUE(tree.Build(static_cast<uint32_t>(-1)));
    EXPECT_TRUE(tree.Build(1u << 29));
    EXPECT_FALSE(tree.Build((1u << 29) - 1));
    EXPECT_EQ(JoinTree::kDefaultLimit, 268435456u);
}

TEST(JoinTreeBuild, TotalWeightDoesNotWrapPastTheLimit) {
    // Five separate cliques of 30 binary nodes: 5 x 2^30, which a 32-bit sum would wrap to 2^30.
    TestNetwork t;
    AddNodes(t, 150, 2);
    WholePart part(t.net);
    for (int k = 0; k < 5; k++) {
        for (int p = 0; p < 29; p++) part.Link(30 * k + p, 30 * k + 29);
    }
    part.Refresh();
    JoinTree tree(part.view);
    EXPECT_FALSE(tree.Build(1u << 31));
    EXPECT_EQ(tree.GetTotalWeight(), 5ull << 30);
    EXPECT_TRUE(tree.Build(JoinTree::kNoLimit));
    EXPECT_EQ(tree.GetNumberOfClusters(), 5);
}

// Moral graph of 0->1->2->3 and 0->5->4->3: a chordless five-cycle 0-1-2-4-5 once 3 (simplicial) goes.
void AddSixCycle(TestNetwork& t, int outcomesOfFirst) {
    const int n0 = t.Add("n0", outcomesOfFirst), n1 = t.Add("n1"), n2 = t.Add("n2"), n3 = t.Add("n3");
    const int n4 = t.Add("n4"), n5 = t.Add("n5");
    t.Arcs({{n0, n1}, {n1, n2}, {n2, n3}, {n0, n5}, {n5, n4}, {n4, n3}});
}

TEST(JoinTreeBuild, SimplicialFirstThenSmallestWeightWithLowerIndexOnTies) {
    {
        TestNetwork t;
        AddSixCycle(t, 2);
        WholePart part(t.net);
        JoinTree tree(part.view);
        ASSERT_TRUE(tree.Build(0));
        ASSERT_GE(tree.GetNumberOfClusters(), 2);
        EXPECT_EQ(tree.GetCluster(0).GetEliminatedNode(), 3);
        EXPECT_EQ(Members(tree.GetCluster(0)), (std::vector<int>{2, 3, 4}));
        EXPECT_EQ(Separator(tree.GetCluster(0)), (std::vector<int>{2, 4}));
        // Every remaining node weighs 8: the lowest index is eliminated, with the fill-in 1-5.
        EXPECT_EQ(tree.GetCluster(1).GetEliminatedNode(), 0);
        EXPECT_EQ(Members(tree.GetCluster(1)), (std::vector<int>{0, 1, 5}));
        EXPECT_EQ(Separator(tree.GetCluster(1)), (std::vector<int>{1, 5}));
    }
    {
        // A ternary node 0 makes 0, 1 and 5 weigh 12; of 2 and 4 (both 8) node 2 goes first.
        TestNetwork t;
        AddSixCycle(t, 3);
        WholePart part(t.net);
        JoinTree tree(part.view);
        ASSERT_TRUE(tree.Build(0));
        ASSERT_GE(tree.GetNumberOfClusters(), 2);
        EXPECT_EQ(tree.GetCluster(1).GetEliminatedNode(), 2);
        EXPECT_EQ(tree.GetCluster(1).GetWeight(), 8u);
        EXPECT_EQ(Members(tree.GetCluster(1)), (std::vector<int>{1, 2, 4}));
    }
}

TEST(JoinTreeBuild, WeightsBeyondTheCeilingFail) {
    {
        // A simplicial node of weight 1100^3 > 2^30 cannot be eliminated.
        TestNetwork t;
        AddNodes(t, 3, 1100);
        WholePart part(t.net);
        part.Link(0, 2);
        part.Link(1, 2);
        part.Refresh();
        JoinTree tree(part.view);
        EXPECT_FALSE(tree.Build(JoinTree::kNoLimit));
        EXPECT_EQ(tree.GetNumberOfClusters(), 0);
    }
    {
        // A chordless five-cycle has no simplicial node and every weight overflows: no choice is left.
        TestNetwork t;
        AddNodes(t, 5, 1100);
        WholePart part(t.net);
        for (int i = 0; i < 5; i++) part.Link((i + 1) % 5, i);
        part.Refresh();
        JoinTree tree(part.view);
        EXPECT_FALSE(tree.Build(JoinTree::kNoLimit));
        EXPECT_EQ(tree.GetNumberOfClusters(), 0);
    }
}

TEST(JoinTreeFamilies, SortedByWeightThenMemberCountAndFamiliesGoToTheFirstHolder) {
    {
        TestNetwork t;
        const int a = t.Add("a", 3), b = t.Add("b"), c = t.Add("c");
        t.Arcs({{a, b}, {b, c}});
        WholePart part(t.net);
        JoinTree tree(part.view);
        ASSERT_TRUE(tree.Build(0));
        ASSERT_EQ(tree.AssignFamilies(), kSuccess);
        // {1, 2} weighs 4 and comes before {0, 1} (6); made last, it is also the root.
        EXPECT_EQ(Members(tree.GetCluster(0)), (std::vector<int>{1, 2}));
        EXPECT_EQ(Families(tree.GetCluster(0)), (std::vector<int>{2}));
        EXPECT_EQ(Members(tree.GetCluster(1)), (std::vector<int>{0, 1}));
        EXPECT_EQ(Families(tree.GetCluster(1)), (std::vector<int>{0, 1}));
        EXPECT_EQ(tree.GetRoot(), &tree.GetCluster(0));
    }
    {
        // An isolated four-outcome node and a binary pair both weigh 4: one member sorts first. The
        // pair's empty separator is held by the later cluster, which becomes the root.
        TestNetwork t;
        const int a = t.Add("a"), b = t.Add("b");
        t.Add("c", 4);
        t.Arc(a, b);
        WholePart part(t.net);
        JoinTree tree(part.view);
        ASSERT_TRUE(tree.Build(0));
        ASSERT_EQ(tree.GetNumberOfClusters(), 2);
        EXPECT_EQ(tree.GetCluster(0).GetParent(), &tree.GetCluster(1));
        ASSERT_EQ(tree.AssignFamilies(), kSuccess);
        EXPECT_EQ(Members(tree.GetCluster(0)), (std::vector<int>{2}));
        EXPECT_EQ(Members(tree.GetCluster(1)), (std::vector<int>{0, 1}));
        EXPECT_EQ(tree.GetRoot(), &tree.GetCluster(0));
    }
}

TEST(JoinTreeFamilies, SetParentMovesTheChildBetweenLists) {
    ClusterPool pool(3);
    Cluster* a = pool.Take();
    Cluster* b = pool.Take();
    Cluster* c = pool.Take();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(pool.Take(), nullptr);
    ASSERT_EQ(c->SetParent(a), kSuccess);
    EXPECT_EQ(a->GetNumberOfChildren(), 1);
    ASSERT_EQ(c->SetParent(b), kSuccess);
    EXPECT_EQ(a->GetNumberOfChildren(), 0);
    ASSERT_EQ(b->GetNumberOfChildren(), 1);
    EXPECT_EQ(b->GetChildIndex(0), 2);
    EXPECT_EQ(c->GetParent(), b);
}

TEST(JoinTreeBuild, EmptyPartBuildsNothing) {
    VRX_network net;
    WholePart part(net);
    JoinTree tree(part.view);
    EXPECT_TRUE(tree.Build(0));
    ASSERT_EQ(tree.AssignFamilies(), kSuccess);
    EXPECT_EQ(tree.GetNumberOfClusters(), 0);
    EXPECT_EQ(tree.GetRoot(), nullptr);
}

}  // namespace
