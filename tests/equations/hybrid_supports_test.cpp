// Noise terms keep their distributions' supports, weights far in a tail never read as impossible, and
// observed roots are what their children see: every hybrid algorithm against exact conditioning or
// quadrature, with fixed seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

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

struct SupportCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    const char* node;
    bool equationNetwork;  // the node is an equation node (its value a VRX_valEqEvaluation)
    int samples;
    std::function<void(double&, double&)> exact;
};

// x (prior given) with the child y = x + noise observed at v.
std::function<void(VRX_network&)> NoisyChild(const char* prior, const char* noise, double v) {
    return [=](VRX_network& n) {
        ASSERT_GE(AddDistributionNode(n, "x", {prior}), 0);
        ASSERT_GE(AddEquationNode(n, "y", (std::string("x + ") + noise).c_str(), {"x"}), 0);
        ASSERT_EQ(Observe(n, "y", v), kSuccess);
    };
}

// The observed root x of the prior at v with the child y ~ x + N(0, 1): y is N(v, 1).
std::function<void(VRX_network&)> ObservedRoot(const char* prior, double v) {
    return [=](VRX_network& n) {
        ASSERT_GE(AddDistributionNode(n, "x", {prior}), 0);
        ASSERT_GE(AddDistributionNode(n, "y", {"x + Normal(0, 1)"}, {"x"}), 0);
        ASSERT_EQ(Observe(n, "x", v), kSuccess);
    };
}

// p = u0 ... u7 observed at 0.7 (density 1.5e-7).
void EightUniforms(VRX_network& n) {
    std::string product;
    std::vector<std::string> parents;
    for (int i = 0; i < 8; ++i) {
        parents.push_back("u" + std::to_string(i));
        ASSERT_GE(AddDistributionNode(n, parents.back().c_str(), {"Uniform(0, 1)"}), 0);
        product += (i > 0 ? "*" : "") + parents.back();
    }
    ASSERT_GE(AddEquationNode(n, "p", product.c_str(), parents), 0);
    ASSERT_EQ(Observe(n, "p", 0.7), kSuccess);
}

double ManyChildrenValue(int i) {
    return 0.7 + 1.5 * std::sin(i * 1.7);
}

const SupportCase kSupportCases[] = {
    {"lognormal noise", NoisyChild("Uniform(0, 1)", "Lognormal(0, 1)", 28.0), "x", false, 20000,
     [](double& m, double& d) {
         ByQuadrature([](double x) { return LogLognormalDensity(28.0 - x, 0.0, 1.0); }, 0.0, 1.0, m, d);
     }},
    {"weibull noise", NoisyChild("Uniform(0, 1)", "Weibull(1, 0.5)", 60.0), "x", false, 20000,
     [](double& m, double& d) {
         ByQuadrature([](double x) { return -0.5 * std::log(60.0 - x) - std::sqrt(60.0 - x); }, 0.0, 1.0, m,
                      d);
     }},
    {"far normal noise", NoisyChild("Normal(0, 1)", "Normal(0, 10)", 120.5), "x", false, 20000,
     [](double& m, double& d) {
         m = 120.5 / 101.0;
         d = std::sqrt(100.0 / 101.0);
     }},
    {"narrow noise past a bounded parent", NoisyChild("Uniform(0, 1)", "Normal(0, 0.1)", 2.5), "x", false,
     20000,
     [](double& m, double& d) {
         ByQuadrature([](double x) { return LogNormalDensity(2.5 - x, 0.0, 0.1); }, 0.0, 1.0, m, d);
     }},
    {"bounded noise far out", NoisyChild("Normal(0, 1)", "Uniform(-0.1, 0.1)", 6.0), "x", false, 20000,
     [](double& m, double& d) {
         ByQuadrature([](double x) { return LogNormalDensity(x, 0, 1); }, 5.9, 6.1, m, d);
     }},
    {"equation network, lognormal root",
     [](VRX_network& n) {
         ASSERT_GE(AddEquation(n, "X", "X = Lognormal(0, 1)"), 0);
         const int y = AddEquation(n, "Y", "Y = X + Normal(0, 1)");
         ASSERT_EQ(ValueOf(n, y).SetContEvidence(30.0), kSuccess);
     },
     "X", true, 20000,
     [](double& m, double& d) {
         ByQuadrature(
             [](double x) { return LogLognormalDensity(x, 0, 1) + LogNormalDensity(30.0 - x, 0, 1); }, 1e-9,
             60.0, m, d);
     }},
    {"equation network, far normal",
     [](VRX_network& n) {
         ASSERT_GE(AddEquation(n, "X", "X = Normal(0, 1)"), 0);
         const int y = AddEquation(n, "Y", "Y = X + Normal(0, 10)");
         ASSERT_EQ(ValueOf(n, y).SetContEvidence(60.0), kSuccess);
     },
     "X", true, 20000,
     [](double& m, double& d) {
         m = 60.0 / 101.0;
         d = std::sqrt(100.0 / 101.0);
     }},
    // p = u0 ... u7 observed at 0.7 (density 1.5e-7): -ln u0 is -ln 0.7 times a Beta(1, 7).
    {"product of eight uniforms", EightUniforms, "u0", false, 1000,
     [](double& m, double& d) {
         const double s = -std::log(0.7);
         ByQuadrature([s](double u) { return 6.0 * std::log1p(std::log(u) / s) - std::log(u); }, 0.7, 1.0, m,
                      d);
     }},
    // 500 densities multiply to far below the smallest double.
    {"500 observed children",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "r", {"Normal(0, 1)"}), 0);
         for (int i = 0; i < 500; ++i) {
             const std::string id = "o" + std::to_string(i);
             ASSERT_GE(AddEquationNode(n, id.c_str(), "r + Normal(0, 1.5)", {"r"}), 0);
             ASSERT_EQ(Observe(n, id.c_str(), ManyChildrenValue(i)), kSuccess);
         }
     },
     "r", false, 1000,
     [](double& m, double& d) {
         double sum = 0.0;
         for (int i = 0; i < 500; ++i) sum += ManyChildrenValue(i);
         const double precision = 1.0 + 500.0 / 2.25;
         m = sum / 2.25 / precision;
         d = 1.0 / std::sqrt(precision);
     }},
    {"normal root at 39", ObservedRoot("Normal(0, 1)", 39.0), "y", false, 20000,
     [](double& m, double& d) {
         m = 39.0;
         d = 1.0;
     }},
    {"narrow root at 14", ObservedRoot("Normal(10, 0.1)", 14.0), "y", false, 20000,
     [](double& m, double& d) {
         m = 14.0;
         d = 1.0;
     }},
    {"exponential root at 800", ObservedRoot("Exponential(1)", 800.0), "y", false, 20000,
     [](double& m, double& d) {
         m = 800.0;
         d = 1.0;
     }},
};

class NoiseSupports : public ::testing::TestWithParam<int> {};

// Within a fifth of the posterior deviation (and 0.01) of the exact answer, or warned of as resting on few
// effective samples (likelihood weighting, 14 and 16, is where the posterior is narrow); at least two
// algorithms of the four close under each seed.
TEST_P(NoiseSupports, AnswerAsExactConditioning) {
    const SupportCase& c = kSupportCases[GetParam()];
    double mean = 0.0, deviation = 0.0;
    c.exact(mean, deviation);
    int warned = 0;
    // Two seeds: a proposal that misses may still be right under one of them.
    for (int run = 0; run < 8; ++run) {
        const int algorithm = HybridAlgorithm::kFirst + run % 4;
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(algorithm) + " seed " +
                     std::to_string(2 + run / 4));
        VRX_network net;
        c.build(net);
        net.SetHybridAlgorithm(algorithm);
        net.numSamples = c.samples;
        vovido::SeedHybridGenerators(2 + static_cast<unsigned>(run / 4));
        errorLog.Flush();
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
        // One entry per kind of warning, however many nodes or messages it concerns.
        const std::vector<std::string> logged = LoggedMessages();
        for (size_t i = 0; i < logged.size(); ++i) {
            for (size_t j = 0; j < i; ++j) EXPECT_NE(logged[i].substr(0, 24), logged[j].substr(0, 24));
        }
        const int h = net.FindNode(c.node);
        const auto [m, d] = MomentsOf(net, h);
        if (LoggedPart("effective sample size")) {
            ++warned;
            continue;
        }
        const double tolerance = 0.2 * deviation + 0.01;
        EXPECT_NEAR(m, mean, tolerance) << LogDump();
        EXPECT_NEAR(d, deviation, tolerance) << LogDump();
    }
    EXPECT_LE(warned, 4);
    errorLog.Flush();
}

INSTANTIATE_TEST_SUITE_P(HybridSupports, NoiseSupports,
                         ::testing::Range(0,
                                          static_cast<int>(sizeof kSupportCases / sizeof kSupportCases[0])));

// Under algorithm 13 at 20,000 samples a few of the attempts fit the evidence, their weight on one or two:
// the chain answers instead, and says so.
TEST(ChainFallback, ReplacesAHandfulOfDraws) {
    VRX_network net;
    EightUniforms(net);
    net.SetHybridAlgorithm(HybridAlgorithm::kMessagePassingSampling);
    net.numSamples = 20000;
    vovido::SeedHybridGenerators(3);
    errorLog.Flush();
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    EXPECT_TRUE(LoggedPart("Warning: only ")) << LogDump();
    double mean = 0.0, deviation = 0.0;
    const double s = -std::log(0.7);
    ByQuadrature([s](double u) { return 6.0 * std::log1p(std::log(u) / s) - std::log(u); }, 0.7, 1.0, mean,
                 deviation);
    EXPECT_NEAR(ContinuousValueOf(net, net.FindNode("u0")).GetMean(), mean, 0.01);
    errorLog.Flush();
}

// Functions no rule solves, but monotonic: the parent is their single inverse, found numerically.
TEST(NumericInverses, FixTheParentOfAMonotonicEquation) {
    const struct {
        const char* equation;
        double observed, parent;
    } cases[] = {{"Sinh(x)", 1.5, std::asinh(1.5)}, {"x^3 + x", 2.0, 1.0}};
    for (const auto& c : cases) {
        for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
            SCOPED_TRACE(std::string(c.equation) + " " + std::to_string(algorithm));
            VRX_network net;
            const int x = AddDistributionNode(net, "x", {"Normal(0, 1)"});
            ASSERT_GE(AddEquationNode(net, "y", c.equation, {"x"}), 0);
            ASSERT_EQ(Observe(net, "y", c.observed), kSuccess);
            net.SetHybridAlgorithm(algorithm);
            errorLog.Flush();
            ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
            EXPECT_EQ(LogDump(), "");
            double fixed = 0.0;
            ASSERT_EQ(net.GetNode(x)->GetValue()->GetContEvidence(fixed), kSuccess);
            EXPECT_NEAR(fixed, c.parent, 1e-9);
        }
    }
}

// An observation that is no number is refused naming the node, and the evidence stays as it was.
TEST(ObservedValues, AreFiniteNumbers) {
    VRX_network net;
    const int x = AddEquation(net, "x", "x = Normal(0, 1)");
    const int h = AddDistributionNode(net, "h", {"Normal(0, 1)"});
    for (const int node : {x, h}) {
        VRX_nodeValue& value = *net.GetNode(node)->GetValue();
        ASSERT_EQ(value.SetContEvidence(2.0), kSuccess);
        for (const auto& [bad, text] : {std::pair<double, const char*>{std::nan(""), "NaN"},
                                        {HUGE_VAL, "infinity"},
                                        {-HUGE_VAL, "-infinity"}}) {
            errorLog.Flush();
            EXPECT_EQ(value.SetContEvidence(bad), kOutOfRange);
            EXPECT_EQ(LoggedMessages(), std::vector<std::string>{
                                            "ERROR: Node [" + std::string(net.GetNode(node)->GetId()) +
                                            "] : its evidence must be a finite number, not " + text + "."});
            double kept = 0.0;
            EXPECT_TRUE(value.HasEvidence());
            ASSERT_EQ(value.GetContEvidence(kept), kSuccess);
            EXPECT_EQ(kept, 2.0);
        }
    }
    errorLog.Flush();
}

}  // namespace
