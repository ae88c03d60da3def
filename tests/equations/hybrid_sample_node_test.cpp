// The estimates of the hybrid sample nodes: histogram bins at the range's ends, weighted moments, the
// distance between estimates, and the observed discrete node's estimate.
#include <gtest/gtest.h>

#include <cmath>

#include "equations/hybrid_sampling_network.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;

struct Sample {
    double x, w;
};

void Accumulate(VRX_hybridSampleNode& node, std::initializer_list<Sample> samples) {
    node.ResetEstimate();
    for (const Sample& s : samples) {
        node.SetValue(s.x);
        node.AddSampleToEstimate(s.w);
    }
    node.FinishEstimate();
}

TEST(HybridSampleNode, EstimatesBinWeighAndCompare) {
    VRX_network net;
    const int a = AddDistributionNode(net, "a", {"Normal(5, 1)"});
    const int b = AddDistributionNode(net, "b", {"Normal(5, 1)"});
    const int d = AddDiscreteNode(net, "d", {"1", "1", "2"});
    const int f = AddDiscreteNode(net, "f", {"1", "1", "2"});
    for (int h : {a, b}) {
        ASSERT_EQ(HybridOf(net, h).SetLowerBound(0.0), kSuccess);
        ASSERT_EQ(HybridOf(net, h).SetUpperBound(10.0), kSuccess);
    }
    ASSERT_EQ(net.GetNode(d)->GetValue()->SetEvidence(2), kSuccess);
    HybridSampleNet sampler{HybridNetworkView(net)};
    auto& x = static_cast<VRX_continuousSampleNode&>(*sampler.GetSampleNode(a));
    auto& y = static_cast<VRX_continuousSampleNode&>(*sampler.GetSampleNode(b));

    // Bins of width 0.2: below the range and within a bin's width under it bin 0, from the upper end on 49.
    const struct {
        double x;
        int bin;
    } bins[] = {{-7.0, 0}, {-0.1, 0}, {0.0, 0}, {0.3, 1}, {5.1, 25}, {9.99, 49}, {10.0, 49}, {1e9, 49}};
    for (const auto& c : bins) EXPECT_EQ(x.BinOf(c.x), c.bin) << c.x;

    // Weights 1, 3 at 0.1 and 9.9: mean 7.45, variance (0.01 + 3 * 98.01) / 4 - 7.45^2.
    Accumulate(x, {{0.1, 1.0}, {9.9, 3.0}});
    EXPECT_EQ(x.histogram[0], 0.25);
    EXPECT_EQ(x.histogram[49], 0.75);
    EXPECT_NEAR(x.weightedSum, 7.45, 1e-12);
    EXPECT_NEAR(x.weightedSquareSum, (0.01 + 3 * 98.01) / 4 - 7.45 * 7.45, 1e-12);
    EXPECT_EQ(x.samples.size(), 2u);

    // Hellinger distance between histograms: 1/4, 3/4 against all in bin 0.
    Accumulate(y, {{0.05, 2.0}});
    EXPECT_NEAR(x.Distance(y), std::sqrt(std::pow(0.5 - 1.0, 2) + 0.75), 1e-12);
    EXPECT_NEAR(y.Distance(x), x.Distance(y), 1e-15);
    EXPECT_EQ(x.Distance(x), 0.0);
    EXPECT_EQ(x.Distance(*sampler.GetSampleNode(d)), 0.0);  // other kinds: nothing to compare

    // The observed discrete node starts from its evidence; an empty estimate stays as it is.
    auto& e = static_cast<VRX_discreteSampleNode&>(*sampler.GetSampleNode(d));
    e.ResetEstimate();
    EXPECT_EQ(e.estimate, (std::vector<double>{0.0, 0.0, 1.0}));
    e.estimate.assign(3, 0.0);
    e.FinishEstimate();
    EXPECT_EQ(e.estimate, (std::vector<double>{0.0, 0.0, 0.0}));
    // States as indices: weights 1 at 0 and 3 at 2 give the mean 1.5 and the variance 0.75.
    auto& g = static_cast<VRX_discreteSampleNode&>(*sampler.GetSampleNode(f));
    Accumulate(g, {{0, 1.0}, {2, 3.0}});
    EXPECT_EQ(g.estimate, (std::vector<double>{0.25, 0.0, 0.75}));
    EXPECT_DOUBLE_EQ(g.weightedSum, 1.5);
    EXPECT_DOUBLE_EQ(g.weightedSquareSum, 0.75);
    // Discrete estimates compare state by state.
    EXPECT_NEAR(g.Distance(e), std::sqrt(0.25 + std::pow(std::sqrt(0.75) - 0.0, 2)), 1e-12);
}

using Flags = std::vector<char>;

// a -> b -> c (observed), a -> d <- e: which links send in the first iteration, and which a message
// opens for the next.
TEST(HybridSampleNode, MessagesArePlannedOnlyWhereTheEvidenceNeedsThem) {
    VRX_network net;
    AddDistributionNode(net, "a", {"Normal(0, 1)"});
    AddDistributionNode(net, "e", {"Normal(0, 1)"});
    AddDistributionNode(net, "b", {"Normal(a, 1)"}, {"a"});
    AddDistributionNode(net, "c", {"Normal(b, 1)"}, {"b"});
    AddDistributionNode(net, "d", {"Normal(a+e, 1)"}, {"a", "e"});
    ASSERT_EQ(net.GetNode(net.FindNode("c"))->GetValue()->SetContEvidence(1.0), kSuccess);
    HybridSampleNet sampler{HybridNetworkView(net)};
    auto node = [&](const char* id) -> VRX_hybridSampleNode& {
        return *sampler.GetSampleNode(net.FindNode(id));
    };
    const struct {
        int runFlags;
        const char* id;
        Flags toChildren, toParents;
    } cases[] = {
        // Every unobserved node to all its children, lambda messages to every unobserved parent.
        {0, "a", {1, 1}, {}},
        {0, "b", {1}, {1}},
        {0, "c", {}, {1}},
        {0, "d", {}, {1, 1}},
        {0, "e", {1}, {}},
        // Planned with evidence: roots towards ancestors of evidence, lambda messages from the evidence.
        {10, "a", {1, 0}, {}},
        {10, "b", {0}, {0}},
        {10, "c", {}, {1}},
        {10, "d", {}, {0, 0}},
        {10, "e", {0}, {}},
    };
    for (const auto& c : cases) {
        sampler.runFlags = c.runFlags;
        sampler.PlanMessages();
        EXPECT_EQ(node(c.id).activeToChild, c.toChildren) << c.runFlags << " " << c.id;
        EXPECT_EQ(node(c.id).activeToParent, c.toParents) << c.runFlags << " " << c.id;
    }
    // Planned: the lambda message c sends opens b's link to a; the pi message a sends to b opens
    // nothing while b has no lambda of its own, and never a link back to a or to the observed c.
    VRX_hybridSampleNode& b = node("b");
    b.MarkLinksReady(node("a"), true);
    b.RefreshLinkFlags();
    EXPECT_EQ(b.activeToParent, Flags{0});
    EXPECT_EQ(b.activeToChild, Flags{0});
    b.MarkLinksReady(node("c"), false);
    b.RefreshLinkFlags();
    EXPECT_EQ(b.activeToParent, Flags{1});
    EXPECT_EQ(b.activeToChild, Flags{0});
    // Unplanned, a message from a parent opens the links to every unobserved parent, itself included.
    sampler.runFlags = 0;
    node("d").MarkLinksReady(node("a"), true);
    node("d").RefreshLinkFlags();
    EXPECT_EQ(node("d").activeToParent, (Flags{1, 1}));
}

}  // namespace

namespace {

// The view hands out a hybrid node's cells by linear index and its whole table; nothing for other
// handles or indexes.
TEST(HybridNetworkView, ElementsByIndexAndTable) {
    VRX_network net;
    AddDiscreteNode(net, "d", {"1", "3"});
    const int x = AddDistributionNode(net, "x", {"Normal(-1, 1)", "Normal(1, 1)"}, {"d"});
    ASSERT_GE(x, 0);
    const HybridNetworkView view(net);
    const vovido::ElementTable* table = view.GetElementTable(x);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->cells.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        VRX_Helement* cell = view.GetElementAt(x, i);
        ASSERT_EQ(cell, table->cells[static_cast<size_t>(i)].get());
        double mean = 0.0, variance = 0.0;
        ASSERT_EQ(cell->GetMeanAndVariance(mean, variance), kSuccess);
        EXPECT_EQ(mean, i == 0 ? -1.0 : 1.0);
    }
    for (int index : {-1, 2}) EXPECT_EQ(view.GetElementAt(x, index), nullptr) << index;
    EXPECT_EQ(view.GetElementTable(99), nullptr);
    EXPECT_EQ(view.GetElementAt(-1, 0), nullptr);
}

}  // namespace
