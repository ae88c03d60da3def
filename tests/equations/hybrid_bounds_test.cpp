// The bounds of a hybrid node: unset, they cut none of its values off, however far they lie; set by
// the caller, they cut its values to them, and the run says so, naming the node and the bounds. Every
// hybrid algorithm, one seed, answers against the exact posterior.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"
#include "model/network_settings.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;

struct BoundsCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    double mean, deviation;  // of x; unused where refused
    const char* logged;      // a part of the log every algorithm must show ("" none)
    int status = kSuccess;
};

void Bound(VRX_network& n, const char* id, double lower, double upper) {
    VRX_defHybrid& definition = HybridOf(n, n.FindNode(id));
    EXPECT_EQ(std::isnan(lower) ? kSuccess : definition.SetLowerBound(lower), kSuccess);
    EXPECT_EQ(std::isnan(upper) ? kSuccess : definition.SetUpperBound(upper), kSuccess);
}

const double kUnset = std::nan("");

// x ~ Lognormal(14, 1) within [0, 1e6], by quadrature.
MeanAndDeviation TruncatedLognormal() {
    MeanAndDeviation m{};
    ByQuadrature([](double x) { return LogLognormalDensity(x, 14.0, 1.0); }, 0.0, 1e6, m.mean, m.deviation);
    return m;
}

// x ~ Normal(0, 1), y = x + Normal(0, 0.1) at 4 or above: y ~ N(0, 1.01) truncated, x | y ~ N(y / 1.01,
// 0.01 / 1.01).
MeanAndDeviation TruncatedChild() {
    const double s = std::sqrt(1.01), a = 4.0 / s;
    const double lambda =
        std::exp(-0.5 * a * a) / std::sqrt(2.0 * M_PI) / (0.5 * std::erfc(a / std::sqrt(2.0)));
    const double mean = s * lambda, variance = 1.01 * (1.0 + a * lambda - lambda * lambda);
    return {mean / 1.01, std::sqrt(variance / (1.01 * 1.01) + 0.01 / 1.01)};
}

// Normal(1.5e6, 1e5) prior, x + Normal(0, 2e4) observed at 1.52e6: precisions 1e-10 and 2.5e-9.
const double kPrecision = 1e-10 + 2.5e-9;
const double kChildMean = (1.5e6 * 1e-10 + 1.52e6 * 2.5e-9) / kPrecision;

const BoundsCase kCases[] = {
    {"lognormal past a million",
     [](VRX_network& n) { ASSERT_GE(AddDistributionNode(n, "x", {"Lognormal(14, 1)"}), 0); }, std::exp(14.5),
     std::exp(14.5) * std::sqrt(std::exp(1.0) - 1.0), ""},
    {"child observed past a million",
     [](VRX_network& n) {
         ASSERT_EQ(AddObservedChild(n, "Normal(1.5e6, 1e5)", "x + Normal(0, 2e4)", 1.52e6, true), kSuccess);
     },
     kChildMean, 1.0 / std::sqrt(kPrecision), ""},
    {"uniform noise observed at two million",
     [](VRX_network& n) {
         ASSERT_EQ(AddObservedChild(n, "Normal(1.5e6, 1e5)", "x + Uniform(0, 1)", 2e6, true), kSuccess);
     },
     2e6 - 0.5, std::sqrt(1.0 / 12.0), ""},
    // Messages passed along a chain far past a million: y - x ~ N(0, 2e6), so x has precision 1.5e-6.
    {"chain of distribution nodes at 1e8",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(1e8, 1e3)"}), 0);
         ASSERT_GE(AddDistributionNode(n, "z", {"Normal(x, 1e3)"}, {"x"}), 0);
         ASSERT_GE(AddDistributionNode(n, "y", {"Normal(z, 1e3)"}, {"z"}), 0);
         ASSERT_EQ(Observe(n, "y", 1e8 + 3000), kSuccess);
     },
     1e8 + 1000, std::sqrt(1.0 / 1.5e-6), ""},
    // A cell of another form than a call is turned into an equation of a noise term, its range unset.
    {"scaled call beyond a million",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "w", {"Normal(1, 0.1)"}), 0);
         ASSERT_GE(AddDistributionNode(n, "x", {"w * Normal(1e7, 1e6)"}, {"w"}), 0);
     },
     1e7, std::sqrt(1.01 * (1e14 + 1e12) - 1e14), ""},  // E[w^2] E[N^2] - (E[w] E[N])^2
    {"bounds set cut the lognormal",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Lognormal(14, 1)"}), 0);
         Bound(n, "x", -1e6, 1e6);
     },
     TruncatedLognormal().mean, TruncatedLognormal().deviation,
     "-5 Warning: the bounds set on node [x], -1e+06 to 1e+06, cut off values its definition gives: its "
     "belief is conditional on lying within them."},
    {"an upper bound alone",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Lognormal(14, 1)"}), 0);
         Bound(n, "x", kUnset, 1e6);
     },
     TruncatedLognormal().mean, TruncatedLognormal().deviation, "node [x], -inf to 1e+06, cut off"},
    {"bounds that cut nothing",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         Bound(n, "x", -100.0, 100.0);
     },
     0.0, 1.0, ""},
    {"evidence past the bounds set",
     [](VRX_network& n) {
         ASSERT_EQ(AddObservedChild(n, "Normal(1.5e6, 1e5)", "x + Uniform(0, 1)", 2e6, true), kSuccess);
         Bound(n, "x", kUnset, 1e6);
     },
     0.0, 0.0,
     "The evidence on [y] is impossible: it puts [x] outside its range, the bounds set on it, -inf to 1e+06.",
     kNoUsefulSamples},
    // No evidence: the draws the bounds of y cut are no misfit of evidence.
    {"bounds set on a child, no evidence",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "x + Normal(0, 0.1)", {"x"}), 0);
         Bound(n, "y", 4.0, kUnset);
     },
     TruncatedChild().mean, TruncatedChild().deviation, "of the sampler kept every node within its bounds"},
};

class HybridBounds : public FreshLogTest<::testing::TestWithParam<int>> {};

TEST_P(HybridBounds, CutOnlyWhereSetAndSaySo) {
    const BoundsCase& c = kCases[GetParam()];
    for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
        SCOPED_TRACE(std::string(c.name) + ", algorithm " + std::to_string(algorithm));
        VRX_network net;
        c.build(net);
        ASSERT_EQ(UpdateHybrid(net, algorithm, 5000, 2), c.status) << LogDump();
        EXPECT_TRUE(LoggedPart(c.logged)) << LogDump();
        EXPECT_TRUE(c.logged[0] != '\0' || !LoggedPart("bounds")) << LogDump();
        if (c.status != kSuccess) continue;
        const auto [m, d] = MomentsOf(net, net.FindNode("x"));
        EXPECT_NEAR(m, c.mean, 0.1 * c.deviation);
        EXPECT_NEAR(d, c.deviation, 0.1 * c.deviation);
    }
}

INSTANTIATE_TEST_SUITE_P(Bounds, HybridBounds,
                         ::testing::Range(0, static_cast<int>(sizeof kCases / sizeof kCases[0])));

}  // namespace
