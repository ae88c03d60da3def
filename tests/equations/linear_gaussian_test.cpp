// Messages in closed form: the linear-Gaussian families they apply to, the mixture arithmetic, and the
// messages and quiet links that message passing on a Gaussian chain ends with.
#include <gtest/gtest.h>

#include <cmath>

#include "equations/hybrid_sampling_network.h"
#include "equations/linear_gaussian.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;
using vovido::Components;

TEST(LinearGaussian, OnlyNormalsLinearInTheParentsWithAFixedVarianceQualify) {
    const struct {
        const char* call;
        bool linear;
    } cases[] = {
        {"Normal(0.5*a + 0.3*b + 1, 2)", true},
        {"Normal(a*a, 1)", false},
        {"Normal(a, 1 + b*b)", false},
        {"Uniform(a - 1, a + 1)", false},
        {"-Normal(a, 1)", false},
        // Kinks and steps that no probe point falls on.
        {"Normal(a + If(a > 2, 4, 0), 0.5)", false},
        {"Normal(a + (b > 3)*4, 1)", false},
        {"Normal(a + Abs(a - 5), 1)", false},
        {"Normal(a + Normal(0, 1), 1)", false},
    };
    for (const auto& c : cases) {
        auto element = Distribution(c.call);
        ASSERT_TRUE(element) << c.call;
        vovido::LinearGaussianCell cell;
        ASSERT_EQ(vovido::ProbeLinearGaussian(*element, {"a", "b"}, cell), c.linear) << c.call;
        if (!c.linear) continue;
        EXPECT_DOUBLE_EQ(cell.intercept, 1.0);
        EXPECT_DOUBLE_EQ(cell.variance, 4.0);
        EXPECT_NEAR(cell.slopes[0], 0.5, 1e-12);
        EXPECT_NEAR(cell.slopes[1], 0.3, 1e-12);
    }
    // An equation is the family of variance 0.
    VRX_equationElement sum("1 + 0.5*a + 0.3*b"), product("a*b");
    vovido::LinearGaussianCell cell;
    ASSERT_TRUE(vovido::ProbeLinearGaussian(sum, {"a", "b"}, cell));
    EXPECT_NEAR(cell.intercept + cell.slopes[0] + cell.slopes[1] + cell.variance, 1.8, 1e-12);
    EXPECT_FALSE(vovido::ProbeLinearGaussian(product, {"a", "b"}, cell));
    VRX_equationElement kinked("a + If(a > 9, 1, 0)"), sum2("Sum(a, 2*b) / 4 - If(1 > 0, a, b)");
    EXPECT_FALSE(vovido::ProbeLinearGaussian(kinked, {"a", "b"}, cell));
    ASSERT_TRUE(vovido::ProbeLinearGaussian(sum2, {"a", "b"}, cell));
    EXPECT_NEAR(cell.slopes[0], -0.75, 1e-12);
    EXPECT_NEAR(cell.slopes[1], 0.5, 1e-12);
}

TEST(LinearGaussian, MixtureArithmeticKeepsTheMoments) {
    // Merged to one component: weight 1, mean 0, variance 0.25 (1 + 1) + 0.25 (1 + 1) + 0.5 * 2 = 2.
    Components three{{0.25, -1.0, 1.0}, {0.25, 1.0, 1.0}, {0.5, 0.0, 2.0}};
    vovido::ReduceComponents(three, 1);
    ASSERT_EQ(three.size(), 1u);
    EXPECT_NEAR(three[0].mean, 0.0, 1e-12);
    EXPECT_NEAR(three[0].variance, 2.0, 1e-12);
    // Two components for one bump are merged below any limit.
    Components alike{{0.5, 0.0, 1.0}, {0.5, 1e-4, 1.0}};
    vovido::ReduceComponents(alike, 8);
    EXPECT_EQ(alike.size(), 1u);
    // N(0, 1) N(2, 1) is proportional to N(1, 0.5).
    Components product;
    ASSERT_TRUE(vovido::MultiplyComponents({{1.0, 0.0, 1.0}}, {{1.0, 2.0, 1.0}}, 4, product));
    ASSERT_EQ(product.size(), 1u);
    EXPECT_NEAR(product[0].weight, 1.0, 1e-12);
    EXPECT_NEAR(product[0].mean, 1.0, 1e-12);
    EXPECT_NEAR(product[0].variance, 0.5, 1e-12);
    EXPECT_FALSE(vovido::MultiplyComponents(three, alike, 0, product));
    EXPECT_TRUE(vovido::SameDistribution({{1.0, 0.0, 1.0}}, {{0.5, 0.0, 1.0}, {0.5, 0.0, 1.0}}));
    EXPECT_FALSE(vovido::SameDistribution({{1.0, 0.0, 1.0}}, {{1.0, 0.1, 1.0}}));
}

// On the chain x0 -> ... -> x7 with x7 = 8 the messages are exact: the lambda of x0 is N(8, 7) and the
// pi message x3 receives is the prior of x2, N(0, 3); once they settle no link stays active.
TEST(LinearGaussian, ChainMessagesAreExactAndTheLinksGoQuiet) {
    VRX_network net;
    ASSERT_EQ(AddGaussianChain(net, 8), kSuccess);
    ASSERT_EQ(net.GetNode(net.FindNode("x7"))->GetValue()->SetContEvidence(8.0), kSuccess);
    HybridSampleNet sampler{HybridNetworkView(net)};
    ASSERT_EQ(sampler.RunMessagePassing(), kSuccess);
    const struct {
        VRX_hybridMessage* message;
        double mean, variance;
    } cases[] = {{sampler.GetSampleNode(0)->combinedLambda.get(), 8.0, 7.0},
                 {sampler.GetSampleNode(3)->parentMessages[0].get(), 0.0, 3.0}};
    for (const auto& c : cases) {
        const GaussianMixture& m = static_cast<VRX_continuousMessage&>(*c.message).GetMixture();
        ASSERT_EQ(m.count, 1);
        EXPECT_NEAR(m.components[0].mean, c.mean, 1e-9);
        EXPECT_NEAR(m.components[0].variance, c.variance, 1e-9);
    }
    for (const auto& node : sampler.sampleNodes) {
        if (!node) continue;
        for (char active : node->activeToChild) EXPECT_EQ(active, 0) << node->id;
        for (char active : node->activeToParent) EXPECT_EQ(active, 0) << node->id;
    }
}

}  // namespace
