// Sampled answers far in tails, or where no draw fits the evidence: within sampling error of the exact
// posterior (closed form or quadrature), or warned of naming the observed node (or the answered node's
// few effective samples); possible evidence is never refused. Every hybrid algorithm, one seed.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
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

struct AnswerCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    const char* node;      // the node answered
    const char* observed;  // the node a warning must name where the answer is off
    std::function<void(double&, double&)> exact;
    int samples = 1000;
};

// x of the prior, with the child y (a distribution node, or with equation an equation node) observed.
std::function<void(VRX_network&)> Child(const char* prior, const char* child, double v,
                                        bool equation = false) {
    return [=](VRX_network& n) { ASSERT_EQ(AddObservedChild(n, prior, child, v, equation), kSuccess); };
}

// The equation network X, Y with the named one observed.
std::function<void(VRX_network&)> Equations(const char* x, const char* y, const char* observed, double v) {
    return [=](VRX_network& n) {
        ASSERT_GE(AddEquation(n, "X", x), 0);
        ASSERT_GE(AddEquation(n, "Y", y), 0);
        ASSERT_EQ(ValueOf(n, n.FindNode(observed)).SetContEvidence(v), kSuccess);
    };
}

std::function<void(double&, double&)> Quadrature(std::function<double(double)> logDensity, double a,
                                                 double b) {
    return [=](double& m, double& d) { ByQuadrature(logDensity, a, b, m, d); };
}

std::function<void(double&, double&)> Exactly(double mean, double deviation) {
    return [=](double& m, double& d) { m = mean, d = deviation; };
}

// A sum of two terms observed at v: the posterior of the first.
std::function<void(double&, double&)> SumOf(std::function<double(double)> first,
                                            std::function<double(double)> second, double v) {
    return Quadrature([=](double x) { return first(x) + second(v - x); }, 0.0, v);
}

double LogLognormal(double x) {
    return LogLognormalDensity(x, 0.0, 1.0);
}

// x ~ Normal(0, 1) and y = Normal(x, 1) + K, K of whole numbers k with probabilities p[k], observed at
// v: a mixture over k of x ~ N((v - k) / 2, 1/2), each weighed by p[k] N(v - k; 0, 2).
std::function<void(double&, double&)> WholeNumberNoise(std::vector<double> p, double v) {
    return [=](double& m, double& d) {
        double z = 0.0, m1 = 0.0, m2 = 0.0;
        for (size_t k = 0; k < p.size(); ++k) {
            const double w = p[k] * std::exp(-0.25 * (v - k) * (v - k)), mean = 0.5 * (v - k);
            z += w, m1 += w * mean, m2 += w * (mean * mean + 0.5);
        }
        m = m1 / z, d = std::sqrt(m2 / z - m * m);
    };
}

const double kSinhArgument = std::asinh(-0.4994), kSinhVariance = 0.8764 * 0.8764 + 0.502 * 0.502;

const AnswerCase kCases[] = {
    {"lognormal sum in equations", Equations("X = Lognormal(0, 1)", "Y = X + Lognormal(0, 1)", "Y", 200.0),
     "X", "Y", SumOf(LogLognormal, LogLognormal, 200.0)},
    {"lognormal sum", Child("Lognormal(0, 1)", "x + Lognormal(0, 1)", 273.7), "x", "y",
     SumOf(LogLognormal, LogLognormal, 273.7)},
    {"lognormal and weibull", Child("Lognormal(0, 1)", "x + Weibull(2, 0.8)", 273.7), "x", "y",
     SumOf(
         LogLognormal, [](double e) { return LogWeibullDensity(e, 2.0, 0.8); }, 273.7)},
    {"two weibulls", Child("Weibull(1, 0.5)", "x + Weibull(1, 0.5)", 105.0), "x", "y",
     SumOf([](double x) { return LogWeibullDensity(x, 1.0, 0.5); },
           [](double e) { return LogWeibullDensity(e, 1.0, 0.5); }, 105.0)},
    {"narrow lognormals", Child("Lognormal(0, 0.5)", "x + Lognormal(0, 0.5)", 16.54, true), "x", "y",
     SumOf([](double x) { return LogLognormalDensity(x, 0.0, 0.5); },
           [](double e) { return LogLognormalDensity(e, 0.0, 0.5); }, 16.54)},
    // Mirrored roots, +-5 and +-6, that no draw fits: the chain's reflections reach both.
    {"square", Child("Normal(0, 1)", "x*x + Uniform(-0.01, 0.01)", 25.0, true), "x", "y", Exactly(0.0, 5.0)},
    {"square, shifted prior", Child("Normal(0.5, 1)", "x*x + Uniform(-0.01, 0.01)", 25.0, true), "x", "y",
     [](double& m, double& d) {
         const double p = 1.0 / (1.0 + std::exp(5.0));  // odds of -5 to 5: e^-5
         m = 5.0 * (1.0 - 2.0 * p), d = 10.0 * std::sqrt(p * (1.0 - p));
     }},
    {"absolute value", Child("Normal(0, 1)", "Abs(x) + Uniform(-0.01, 0.01)", 6.0, true), "x", "y",
     Exactly(0.0, 6.0)},
    // Precision 1/0.01 + 4 of x given 2x + 1 + e = -9.52.
    {"narrow prior", Child("Normal(10, 0.1)", "2*x + 1 + Normal(0, 1)", -9.52, true), "x", "y",
     Exactly((1000.0 + 2.0 * -10.52) / 104.0, 1.0 / std::sqrt(104.0))},
    {"narrow prior, distribution node", Child("Normal(10, 0.1)", "2*x + 1 + Normal(0, 1)", -9.52), "x", "y",
     Exactly((1000.0 + 2.0 * -10.52) / 104.0, 1.0 / std::sqrt(104.0))},
    // x + Normal(0, s), s ~ Exponential(1), at -30: s is large, and x near 0.
    {"scale mixture",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddDistributionNode(n, "s", {"Exponential(1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "x + Normal(0, s)", {"x", "s"}), 0);
         ASSERT_EQ(Observe(n, "y", -30.0), kSuccess);
     },
     "x", "y",
     [](double& m, double& d) {
         // Over a grid of x and s: N(-30 - x; 0, s) e^-s N(x; 0, 1).
         double z = 0.0, m1 = 0.0, m2 = 0.0;
         for (int i = 0; i < 1200; ++i) {
             const double x = -6.0 + (i + 0.5) * 0.01;
             double p = 0.0;
             for (int j = 0; j < 2000; ++j) {
                 const double s = (j + 0.5) * 0.04;
                 p += std::exp(LogNormalDensity(-30.0 - x, 0.0, s) - s + LogNormalDensity(x, 0.0, 1.0) +
                               450.0);
             }
             z += p, m1 += p * x, m2 += p * x * x;
         }
         m = m1 / z, d = std::sqrt(m2 / z - m * m);
     }},
    {"far in equations", Equations("X = Normal(2, 1)", "Y = X + Normal(0, 5)", "Y", 75.0), "X", "Y",
     Exactly(5.0 / 1.04, std::sqrt(1.0 / 1.04)), 4000},
    // Noise with bounds, or bounded on one side, that no draw of x reaches.
    {"bounded noise", Child("Normal(0, 1)", "x + Uniform(-0.1, 0.1)", 6.0), "x", "y",
     Quadrature([](double x) { return LogNormalDensity(x, 0, 1); }, 5.9, 6.1)},
    {"exponential noise below", Child("Normal(0, 1)", "x + Exponential(1)", -6.0), "x", "y",
     Quadrature([](double x) { return LogNormalDensity(x, 0, 1) + x; }, -14.0, -6.0)},
    {"lognormal past a uniform", Child("Lognormal(0, 1)", "x + Uniform(-0.5, 0.5)", 400.0), "x", "y",
     Quadrature(LogLognormal, 399.5, 400.5)},
    {"weibull past a triangle", Child("Weibull(1, 0.5)", "x + Triangular(-1, 0, 1)", 900.0), "x", "y",
     Quadrature(
         [](double x) { return LogWeibullDensity(x, 1.0, 0.5) + std::log(1.0 - std::fabs(900.0 - x)); },
         899.0, 901.0)},
    {"state only a tail allows",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         const int d = AddDiscreteNode(n, "d", {"If(x > 8, 1, 0)", "If(x > 8, 0, 1)"}, {"x"});
         ASSERT_EQ(n.GetNode(d)->GetValue()->SetEvidence(0), kSuccess);
     },
     "x", "d", Quadrature([](double x) { return LogNormalDensity(x, 0, 1); }, 8.0, 12.0)},
    {"window only a tail allows",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Exponential(1)"}), 0);
         const int d = AddDiscreteNode(
             n, "d", {"If(And(x > 12.3, x < 12.4), 1, 0)", "If(And(x > 12.3, x < 12.4), 0, 1)"}, {"x"});
         ASSERT_EQ(n.GetNode(d)->GetValue()->SetEvidence(0), kSuccess);
     },
     "x", "d", Quadrature([](double x) { return -x; }, 12.3, 12.4)},
    // An observed root is its value, however far in its tail.
    {"root at 39", Equations("X = Normal(0, 1)", "Y = 2*X + 1", "X", 39.0), "Y", "X", Exactly(79.0, 0.0)},
    {"root at 14", Equations("X = Normal(10, 0.1)", "Y = 2*X + 1", "X", 14.0), "Y", "X", Exactly(29.0, 0.0)},
    {"root at 800", Equations("X = Exponential(1)", "Y = 2*X + 1", "X", 800.0), "Y", "X",
     Exactly(1601.0, 0.0)},
    // Monotonic in x whatever the noise: Asinh(y) = 0.8764 x + e, linear-Gaussian.
    {"sinh of a sum", Child("Normal(0, 1)", "Sinh(0.8764*x + Normal(0, 0.502))", -0.4994, true), "x", "y",
     Exactly(0.8764 * kSinhArgument / kSinhVariance, std::sqrt(1.0 - 0.8764 * 0.8764 / kSinhVariance))},
    // Discrete noise: each of its values explains the evidence with some weight.
    {"bernoulli noise", Child("Normal(0, 1)", "Normal(x, 1) + Bernoulli(0.3)", 0.7, true), "x", "y",
     WholeNumberNoise({0.7, 0.3}, 0.7)},
    {"bernoulli noise in equations",
     Equations("X = Normal(0, 1)", "Y = Normal(X, 1) + Bernoulli(0.3)", "Y", 0.7), "X", "Y",
     WholeNumberNoise({0.7, 0.3}, 0.7)},
    {"binomial noise", Child("Normal(0, 1)", "Normal(x, 1) + Binomial(2, 0.5)", 0.7, true), "x", "y",
     WholeNumberNoise({0.25, 0.5, 0.25}, 0.7)},
    // Only the draw 1 leaves x a value within [0, 1].
    {"bernoulli added to a uniform", Child("Uniform(0, 1)", "x + Bernoulli(0.5)", 1.5, true), "x", "y",
     Exactly(0.5, 0.0)},
    {"scaled bernoulli", Child("Uniform(0, 1)", "x + 3*Bernoulli(0.4)", 3.5, true), "x", "y",
     Exactly(0.5, 0.0)},
    {"cube and beta", Child("Lognormal(0, 1)", "x^3 + Beta(2, 2)", 305.2, true), "x", "y",
     Quadrature(
         [](double x) {
             const double b = 305.2 - x * x * x;
             return LogLognormal(x) + std::log(6.0 * b * (1.0 - b) * 3.0 * x * x);
         },
         std::cbrt(304.2), std::cbrt(305.2))},
};

class SampledAnswers : public ::testing::TestWithParam<int> {};

TEST_P(SampledAnswers, AreRightOrWarnNamingTheNode) {
    const AnswerCase& c = kCases[GetParam()];
    double mean = 0.0, deviation = 0.0;
    c.exact(mean, deviation);
    for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
        SCOPED_TRACE(std::string(c.name) + ", algorithm " + std::to_string(algorithm));
        VRX_network net;
        c.build(net);
        net.SetHybridAlgorithm(algorithm);
        net.numSamples = c.samples;
        vovido::SeedHybridGenerators(2);
        errorLog.Flush();
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
        const int h = net.FindNode(c.node);
        const auto [m, d] = MomentsOf(net, h);
        const double tolerance = 0.25 * deviation + 1e-4 * std::fabs(mean) + 1e-9;
        if (std::fabs(m - mean) <= tolerance && std::fabs(d - deviation) <= tolerance) continue;
        // Gaussian terms have no heavy tail to rest on: there the weights' own warning is the check.
        EXPECT_TRUE(LoggedPart("evidence on node " + std::string(c.observed)) ||
                    LoggedPart("estimate of node " + std::string(c.node) + " rests on"))
            << m << " " << d << " for " << mean << " " << deviation << LogDump();
    }
    errorLog.Flush();
}

INSTANTIATE_TEST_SUITE_P(HybridTails, SampledAnswers,
                         ::testing::Range(0, static_cast<int>(sizeof kCases / sizeof kCases[0])));

}  // namespace
