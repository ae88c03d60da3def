// When message passing alone warns of a product: only where a belief rests on a message fitted to draws
// (a child of the product); a product observed through a noisy child is answered within sampling noise
// without a word.
#include <gtest/gtest.h>

#include <cmath>

#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"
#include "model/network_settings.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;

// x ~ N(1, 0.5), w ~ N(2, 0.5), u = x w, v ~ N(u, 0.5); v observed at 3 when `observed`.
void ProductWithChild(VRX_network& net, bool observed) {
    AddDistributionNode(net, "x", {"Normal(1, 0.5)"});
    AddDistributionNode(net, "w", {"Normal(2, 0.5)"});
    AddEquationNode(net, "u", "x*w", {"x", "w"});
    AddDistributionNode(net, "v", {"Normal(u, 0.5)"}, {"u"});
    if (observed) {
        ASSERT_EQ(Observe(net, "v", 3.0), kSuccess);
    }
    net.SetHybridAlgorithm(HybridAlgorithm::kMessagePassing);
    net.numSamples = 20000;
    vovido::SeedHybridGenerators(3);
}

TEST(MessagePassingWarnings, AProductWarnsOnlyWhereABeliefRestsOnAFittedMessage) {
    VRX_network prior;
    ProductWithChild(prior, false);
    errorLog.Flush();
    ASSERT_EQ(prior.UpdateBeliefs(), kSuccess) << LogDump();
    EXPECT_EQ(
        LogDump(),
        "-5 Warning: the belief of node v rests on messages fitted to samples or passed round a loop: it "
        "is approximate.\n");

    VRX_network observed;
    ProductWithChild(observed, true);
    errorLog.Flush();
    ASSERT_EQ(observed.UpdateBeliefs(), kSuccess) << LogDump();
    EXPECT_EQ(LogDump(), "");
    // The posterior of x by the midpoint rule over (x, w).
    double z = 0.0, m1 = 0.0, m2 = 0.0;
    const int n = 400;
    for (int i = 0; i < n; ++i) {
        const double x = -2.0 + 6.0 * (i + 0.5) / n;
        for (int j = 0; j < n; ++j) {
            const double w = -1.0 + 6.0 * (j + 0.5) / n;
            const double a = (x - 1.0) / 0.5, b = (w - 2.0) / 0.5, c = (3.0 - x * w) / 0.5;
            const double p = std::exp(-0.5 * (a * a + b * b + c * c));
            z += p, m1 += p * x, m2 += p * x * x;
        }
    }
    const double mean = m1 / z, sd = std::sqrt(m2 / z - mean * mean);
    const VRX_valcontinuous& x = ContinuousValueOf(observed, observed.FindNode("x"));
    EXPECT_NEAR(x.GetMean(), mean, 0.05 * 0.5);
    EXPECT_NEAR(x.GetStdDev(), sd, 0.1 * sd);
    errorLog.Flush();
}

}  // namespace
