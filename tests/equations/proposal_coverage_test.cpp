// Sampling from the proposals of the message passing (HybridAlgorithm::kMessagePassingSampling) where a
// message fitted to draws may lead every draw to one value or one region of the belief: over 20 seeds
// each answer is within half a deviation of the exact posterior's, or a warning names the node; where
// neither can happen, no such warning is logged.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"
#include "model/network_settings.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;

// x ~ N(0, 1) in the shell |x*x - v| <= 0.01 that a Uniform(-0.01, 0.01) noise leaves.
void Shell(double v, double& mean, double& deviation) {
    const double a = std::sqrt(v + 0.01);
    ByQuadrature(
        [v](double x) {
            return std::fabs(x * x - v) <= 0.01 ? -0.5 * x * x : -std::numeric_limits<double>::infinity();
        },
        -a, a, mean, deviation);
}

// N(0, 1) beyond 6.
void Beyond6(double& mean, double& deviation) {
    const double ratio = std::exp(-18.0) / std::sqrt(2.0 * M_PI) / (0.5 * std::erfc(6.0 / std::sqrt(2.0)));
    mean = ratio;
    deviation = std::sqrt(1.0 + 6.0 * ratio - ratio * ratio);
}

struct CoverageCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    const char* node;
    std::function<void(double&, double&)> exact;
    int samples;
    bool quiet;  // no message may be thin or miss a region: neither warning may appear
};

const CoverageCase kCases[] = {
    {"square through a narrow noise",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "x*x + Uniform(-0.01, 0.01)", {"x"}), 0);
         ASSERT_EQ(Observe(n, "y", 1.0), kSuccess);
     },
     "x", [](double& m, double& d) { Shell(1.0, m, d); }, 1000, false},
    {"square as a distribution node",
     [](VRX_network& n) {
         ASSERT_EQ(AddObservedChild(n, "Normal(0, 1)", "x*x + Uniform(-0.01, 0.01)", 1.0, false), kSuccess);
     },
     "x", [](double& m, double& d) { Shell(1.0, m, d); }, 1000, false},
    {"square in an equation network",
     [](VRX_network& n) {
         ASSERT_GE(AddEquation(n, "X", "X = Normal(0, 1)"), 0);
         const int y = AddEquation(n, "Y", "Y = X*X + Uniform(-0.01, 0.01)");
         ASSERT_EQ(ValueOf(n, y).SetContEvidence(4.0), kSuccess);
     },
     "X",
     [](double& m, double& d) {
         ByQuadrature(
             [](double x) {
                 return std::fabs(x * x - 4.0) <= 0.01 ? -0.5 * x * x
                                                       : -std::numeric_limits<double>::infinity();
             },
             -2.01, 2.01, m, d);
     },
     1000, false},
    // Two such nodes: one entry of each kind names both.
    {"two squares",
     [](VRX_network& n) {
         for (const char* x : {"a", "b"}) {
             const std::string y = std::string("y") + x;
             ASSERT_GE(AddDistributionNode(n, x, {"Normal(0, 1)"}), 0);
             ASSERT_GE(AddEquationNode(n, y.c_str(),
                                       (std::string(x) + "*" + x + " + Uniform(-0.01, 0.01)").c_str(), {x}),
                       0);
             ASSERT_EQ(Observe(n, y.c_str(), 1.0), kSuccess);
         }
     },
     "b", [](double& m, double& d) { Shell(1.0, m, d); }, 1000, false},
    {"state only the far tail allows",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         const int c = AddDiscreteNode(n, "c", {"If(x > 6, 1, 0)", "If(x > 6, 0, 1)"}, {"x"});
         ASSERT_EQ(n.GetNode(c)->GetValue()->SetEvidence(0), kSuccess);
     },
     "x", Beyond6, 20000, false},
    // Equations draw from their parents: a thin message into one is no proposal of its own to warn of.
    // The parent of the observed end, its prior the chain's stationary one, by quadrature.
    {"Tanh chain",
     [](VRX_network& n) {
         ASSERT_GE(AddEquation(n, "x0", "x0 = Normal(0, 1)"), 0);
         for (int i = 1; i < 100; ++i) {
             const std::string id = "x" + std::to_string(i);
             ASSERT_GE(AddEquation(n, id.c_str(),
                                   (id + " = Tanh(x" + std::to_string(i - 1) + ") + Normal(0, 0.5)").c_str()),
                       0);
         }
         ASSERT_EQ(ValueOf(n, n.FindNode("x99")).SetContEvidence(0.5), kSuccess);
     },
     "x98", [](double& m, double& d) { m = 0.4364, d = 0.5150; }, 1000, true},
    {"linear child",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddDistributionNode(n, "y", {"Normal(x, 0.5)"}, {"x"}), 0);
         ASSERT_EQ(Observe(n, "y", 1.0), kSuccess);
     },
     "x", [](double& m, double& d) { m = 0.8, d = std::sqrt(0.2); }, 1000, true},
};

class ProposalCoverage : public ::testing::TestWithParam<int> {};

TEST_P(ProposalCoverage, AnswersAreRightOrWarnedOf) {
    const CoverageCase& c = kCases[GetParam()];
    double mean = 0.0, deviation = 0.0;
    c.exact(mean, deviation);
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(std::string(c.name) + ", seed " + std::to_string(seed));
        VRX_network net;
        c.build(net);
        net.SetHybridAlgorithm(HybridAlgorithm::kMessagePassingSampling);
        net.numSamples = c.samples;
        vovido::SeedHybridGenerators(seed);
        errorLog.Flush();
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
        const int h = net.FindNode(c.node);
        const auto [m, d] = MomentsOf(net, h);
        // Within half a deviation: weights that look healthy in every region may still share the belief
        // between regions that far off (one run here: 0.29 to 0.71 where the regions hold half each).
        const bool right =
            std::fabs(m - mean) <= 0.5 * deviation && std::fabs(d - deviation) <= 0.5 * deviation;
        EXPECT_LE(CountLoggedPart("regions of its belief"), 1) << LogDump();
        EXPECT_LE(CountLoggedPart("did not correct"), 1) << LogDump();
        if (c.quiet) {
            EXPECT_TRUE(right) << m << " " << d;
            EXPECT_FALSE(LoggedPart("more than one solution") || LoggedPart("did not correct")) << LogDump();
        } else if (!right) {
            EXPECT_TRUE(LoggedPart("node " + std::string(c.node))) << m << " " << d << LogDump();
        }
    }
    errorLog.Flush();
}

INSTANTIATE_TEST_SUITE_P(MessagePassingSampling, ProposalCoverage,
                         ::testing::Range(0, static_cast<int>(sizeof kCases / sizeof kCases[0])));

}  // namespace
