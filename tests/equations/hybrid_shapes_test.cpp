// Hybrid networks of shapes where a plausible answer is easily wrong (sums of uniforms at their edges,
// products, loops through discrete nodes, thresholds with observed descendants, noise-free mixes of
// distributions, inverses with several solutions), each against a reference by hand, Gaussian
// conditioning, quadrature or enumeration. Every algorithm is right (0.1 prior deviation on means, 20% on
// deviations, 0.02 on probabilities), warns naming the node, or fails with kNoUsefulSamples; never
// silently wrong. Under the sanitizers a few samples check that every case runs through.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <regex>
#include <string>

#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"
#include "model/network_settings.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"
#include "tests/support/sanitizer.h"

namespace {

using namespace vovido::test;

double Phi(double x) {
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}
double Gauss(double x, double mean, double sd) {
    return std::exp(-0.5 * (x - mean) * (x - mean) / (sd * sd)) / (sd * std::sqrt(2.0 * M_PI));
}

// Mean and deviation of a density known up to a constant, by the midpoint rule on [a, b].
void Quadrature(const std::function<double(double)>& f, double a, double b, double& mean, double& sd) {
    const int n = 20000;
    double z = 0.0, m1 = 0.0, m2 = 0.0;
    for (int i = 0; i < n; ++i) {
        const double x = a + (b - a) * (i + 0.5) / n;
        const double p = f(x);
        z += p, m1 += p * x, m2 += p * x * x;
    }
    mean = m1 / z;
    sd = std::sqrt(m2 / z - mean * mean);
}

// The density of the sum of two U(0, 1).
double Triangle(double t) {
    return t < 0.0 || t > 2.0 ? 0.0 : 1.0 - std::fabs(t - 1.0);
}

void ThreeUniforms(VRX_network& n) {
    for (const char* u : {"u1", "u2", "u3"}) AddDistributionNode(n, u, {"Uniform(0, 1)"});
    AddEquationNode(n, "s", "u1+u2+u3", {"u1", "u2", "u3"});
}

void DiscreteLoop(VRX_network& n) {
    AddDiscreteNode(n, "d", {"0.5", "0.5"});
    AddDistributionNode(n, "x", {"Normal(-1, 1)", "Normal(1, 1)"}, {"d"});
    AddDistributionNode(n, "y", {"Normal(2, 1)", "Normal(-2, 1)"}, {"d"});
    AddDistributionNode(n, "z", {"Normal(x + y, 0.5)"}, {"x", "y"});
    ASSERT_EQ(Observe(n, "z", 0.5), kSuccess);
}

// Given d, x and z = x + y + N(0, 0.25) are Gaussian: z ~ N(mx + my, 2.25), x | z ~ N(mx + (z - mz) / 2.25,
// 1 - 1 / 2.25); the states are weighed by the density of z.
void DiscreteLoopReference(double& pd0, double& mean, double& sd) {
    const double mx[] = {-1.0, 1.0}, my[] = {2.0, -2.0};
    double w[2], m[2];
    for (int d = 0; d < 2; ++d) {
        w[d] = Gauss(0.5, mx[d] + my[d], 1.5);
        m[d] = mx[d] + (0.5 - mx[d] - my[d]) / 2.25;
    }
    pd0 = w[0] / (w[0] + w[1]);
    mean = pd0 * m[0] + (1 - pd0) * m[1];
    const double v = 1.0 - 1.0 / 2.25;
    sd = std::sqrt(pd0 * (v + m[0] * m[0]) + (1 - pd0) * (v + m[1] * m[1]) - mean * mean);
}

void Threshold(VRX_network& n) {
    AddDistributionNode(n, "x", {"Normal(0, 1)"});
    AddEquationNode(n, "t", "If(x>0.5, 1, 0)", {"x"});
    const int g = AddDiscreteNode(n, "g", {"0.2+0.6*t", "0.8-0.6*t"}, {"t"});
    AddDistributionNode(n, "z", {"Normal(x, 1)"}, {"x"});
    ASSERT_EQ(n.GetNode(g)->GetValue()->SetEvidence(0), kSuccess);
}

// x above and below 0.5, weighed by P(g = 0 | t): moments of the truncated normals; z = x + N(0, 1).
void ThresholdReference(double& mean, double& sd) {
    const double a = 0.5, q = 1.0 - Phi(a), phi = Gauss(a, 0.0, 1.0);
    const double above = q * 0.8 / (q * 0.8 + (1.0 - q) * 0.2);
    const double m1 = phi / q, m0 = -phi / (1.0 - q);
    const double s1 = 1.0 + a * phi / q, s0 = 1.0 - a * phi / (1.0 - q);
    mean = above * m1 + (1.0 - above) * m0;
    sd = std::sqrt(above * s1 + (1.0 - above) * s0 - mean * mean + 1.0);
}

// a, b, c ~ N(0, 1) observed through s = a + b + c = 1 and t = a + 2b = 0.5: Gaussian conditioning with
// A = [[1, 1, 1], [1, 2, 0]], A A' = [[3, 3], [3, 5]].
void SharedParentsReference(double& mean, double& sd) {
    const double det = 3.0 * 5.0 - 3.0 * 3.0;
    const double inv[2][2] = {{5.0 / det, -3.0 / det}, {-3.0 / det, 3.0 / det}};
    const double col[2] = {1.0, 1.0};  // the column of A for a
    const double y[2] = {1.0, 0.5};
    mean = 0.0;
    double reduced = 0.0;
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            mean += col[i] * inv[i][j] * y[j];
            reduced += col[i] * inv[i][j] * col[j];
        }
    }
    sd = std::sqrt(1.0 - reduced);
}

struct ShapeCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    const char* node;
    int state;  // a discrete node's state whose probability is checked; -1: a continuous node
    // The reference: the probability of the state, or the mean and the deviation.
    std::function<void(double&, double&)> reference;
    double priorDeviation;
    bool impossible;  // every algorithm must fail with kNoUsefulSamples
};

const ShapeCase kCases[] = {
    // s = u1 + u2 + u3 = 2.95: 1 - u_i are uniform on the simplex of size 0.05.
    {"uniform sum at its edge", [](VRX_network& n) { ThreeUniforms(n), (void)Observe(n, "s", 2.95); }, "u1",
     -1, [](double& m, double& d) { m = 1.0 - 0.05 / 3.0, d = 0.05 * std::sqrt(2.0) / 6.0; },
     std::sqrt(1.0 / 12.0), false},
    {"uniform sum through noise",
     [](VRX_network& n) {
         ThreeUniforms(n);
         AddDistributionNode(n, "y", {"Normal(s, 0.05)"}, {"s"});
         ASSERT_EQ(Observe(n, "y", 2.9), kSuccess);
     },
     "u1", -1,
     [](double& m, double& d) {
         Quadrature(
             [](double u) {
                 double p = 0.0;
                 for (int i = 0; i < 400; ++i) {
                     const double t = 2.0 * (i + 0.5) / 400;
                     p += Triangle(t) * Gauss(2.9, u + t, 0.05);
                 }
                 return p;
             },
             0.0, 1.0, m, d);
     },
     std::sqrt(1.0 / 12.0), false},
    {"loop through a discrete root: d", DiscreteLoop, "d", 0,
     [](double& p, double&) {
         double m = 0.0, d = 0.0;
         DiscreteLoopReference(p, m, d);
     },
     0.0, false},
    {"loop through a discrete root: x", DiscreteLoop, "x", -1,
     [](double& m, double& d) {
         double p = 0.0;
         DiscreteLoopReference(p, m, d);
     },
     std::sqrt(2.0), false},
    // u = x w = 1: w ~ N(1, 0.25) times the density of x at 1 / w with the Jacobian 1 / |w|.
    {"noise-free product",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(1, 0.5)"});
         AddDistributionNode(n, "w", {"Normal(1, 0.5)"});
         AddEquationNode(n, "u", "x*w", {"x", "w"});
         ASSERT_EQ(Observe(n, "u", 1.0), kSuccess);
     },
     "w", -1,
     [](double& m, double& d) {
         Quadrature([](double w) { return Gauss(w, 1.0, 0.5) * Gauss(1.0 / w, 1.0, 0.5) / std::fabs(w); },
                    -3.0, 5.0, m, d);
     },
     0.5, false},
    {"sine plus noise",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0, 1)"});
         AddDistributionNode(n, "w", {"Normal(0, 0.2)"});
         AddEquationNode(n, "y", "Sin(x)+w", {"x", "w"});
         ASSERT_EQ(Observe(n, "y", 0.5), kSuccess);
     },
     "x", -1,
     [](double& m, double& d) {
         Quadrature([](double x) { return Gauss(x, 0.0, 1.0) * Gauss(0.5 - std::sin(x), 0.0, 0.2); }, -6.0,
                    6.0, m, d);
     },
     1.0, false},
    // y = (s + 1) e = 2 with the step s = 3 above x = 0.5: e, a factor of a sum, is solved for as
    // written; its density at 2 / (s + 1) with the Jacobian 1 / (s + 1).
    {"step times noise",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0, 1)"});
         AddEquationNode(n, "s", "If(x > 0.5, 3, 0)", {"x"});
         AddDistributionNode(n, "e", {"Normal(1, 0.2)"});
         AddEquationNode(n, "y", "(s + 1)*e", {"s", "e"});
         ASSERT_EQ(Observe(n, "y", 2.0), kSuccess);
     },
     "x", -1,
     [](double& m, double& d) {
         Quadrature(
             [](double x) {
                 const double k = x > 0.5 ? 4.0 : 1.0;
                 return Gauss(x, 0.0, 1.0) * Gauss(2.0 / k, 1.0, 0.2) / k;
             },
             -6.0, 6.0, m, d);
     },
     1.0, false},
    // y = x a = 1.2 with a ~ N(x, 1) observed at 1.5: x = 0.8 whatever the draws, and d is weighed by
    // the density of x there alone.
    {"product with an observed child of the other factor",
     [](VRX_network& n) {
         AddDiscreteNode(n, "d", {"0.3", "0.7"});
         AddDistributionNode(n, "x", {"Normal(-1, 1)", "Normal(1, 1)"}, {"d"});
         AddDistributionNode(n, "a", {"Normal(x, 1)"}, {"x"});
         AddEquationNode(n, "y", "x*a", {"x", "a"});
         ASSERT_EQ(Observe(n, "a", 1.5), kSuccess);
         ASSERT_EQ(Observe(n, "y", 1.2), kSuccess);
     },
     "d", 0,
     [](double& p, double&) {
         const double a = 0.3 * Gauss(0.8, -1.0, 1.0), b = 0.7 * Gauss(0.8, 1.0, 1.0);
         p = a / (a + b);
     },
     0.0, false},
    {"threshold with an observed discrete grandchild", Threshold, "z", -1, ThresholdReference, std::sqrt(2.0),
     false},
    // s = u + e = 1.9 with u ~ U(0, 2): e's density at 1.9 - u on [0, 2].
    {"uniform plus normal, noise-free",
     [](VRX_network& n) {
         AddDistributionNode(n, "u", {"Uniform(0, 2)"});
         AddDistributionNode(n, "e", {"Normal(0, 0.3)"});
         AddEquationNode(n, "s", "u+e", {"u", "e"});
         ASSERT_EQ(Observe(n, "s", 1.9), kSuccess);
     },
     "u", -1,
     [](double& m, double& d) {
         Quadrature([](double u) { return Gauss(1.9 - u, 0.0, 0.3); }, 0.0, 2.0, m, d);
     },
     2.0 / std::sqrt(12.0), false},
    // y = Ln(a) + b = 0.2 with a ~ U(0.5, 3): a = Exp(0.2 - b), with the Jacobian a.
    {"logarithm plus normal",
     [](VRX_network& n) {
         AddDistributionNode(n, "a", {"Uniform(0.5, 3)"});
         AddDistributionNode(n, "b", {"Normal(0, 0.3)"});
         AddEquationNode(n, "y", "Ln(a)+b", {"a", "b"});
         ASSERT_EQ(Observe(n, "y", 0.2), kSuccess);
     },
     "b", -1,
     [](double& m, double& d) {
         Quadrature(
             [](double b) {
                 const double a = std::exp(0.2 - b);
                 return a >= 0.5 && a <= 3.0 ? Gauss(b, 0.0, 0.3) * a : 0.0;
             },
             -2.0, 2.0, m, d);
     },
     0.3, false},
    // y = Exp(x) + e = 3: x = Ln(3 - e), with the Jacobian 1 / (3 - e).
    {"exponential plus noise",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0, 1)"});
         AddDistributionNode(n, "e", {"Normal(0, 0.5)"});
         AddEquationNode(n, "y", "Exp(x)+e", {"x", "e"});
         ASSERT_EQ(Observe(n, "y", 3.0), kSuccess);
     },
     "e", -1,
     [](double& m, double& d) {
         Quadrature(
             [](double e) { return Gauss(e, 0.0, 0.5) * Gauss(std::log(3.0 - e), 0.0, 1.0) / (3.0 - e); },
             -3.0, 2.999, m, d);
     },
     0.5, false},
    // y = x^2 + e = 2 with x ~ N(1, 1): both roots of x^2 = 2 - e count.
    {"square plus noise",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(1, 1)"});
         AddDistributionNode(n, "e", {"Normal(0, 0.5)"});
         AddEquationNode(n, "y", "x^2+e", {"x", "e"});
         ASSERT_EQ(Observe(n, "y", 2.0), kSuccess);
     },
     "e", -1,
     [](double& m, double& d) {
         Quadrature(
             [](double e) {
                 const double r = std::sqrt(2.0 - e);
                 return Gauss(e, 0.0, 0.5) * (Gauss(r, 1.0, 1.0) + Gauss(-r, 1.0, 1.0)) / (2.0 * r);
             },
             -3.0, 1.9999, m, d);
     },
     0.5, false},
    {"two noise-free equations sharing their parents",
     [](VRX_network& n) {
         for (const char* v : {"a", "b", "c"}) AddDistributionNode(n, v, {"Normal(0, 1)"});
         AddEquationNode(n, "s", "a+b+c", {"a", "b", "c"});
         AddEquationNode(n, "t", "a+2*b", {"a", "b"});
         ASSERT_EQ(Observe(n, "s", 1.0), kSuccess);
         ASSERT_EQ(Observe(n, "t", 0.5), kSuccess);
     },
     "a", -1, SharedParentsReference, 1.0, false},
    // A noise-free mix: d picks a Normal or a Uniform for x; s = x + u with u ~ U(0, 1) at 1.5 leaves x in
    // [0.5, 1.5], where the Normal has the mass Phi(2.5) - Phi(1.5) and the Uniform 0.5.
    {"noise-free mix of distributions",
     [](VRX_network& n) {
         AddDiscreteNode(n, "d", {"0.3", "0.7"});
         AddDistributionNode(n, "x", {"Normal(-1, 1)", "Uniform(0, 2)"}, {"d"});
         AddDistributionNode(n, "u", {"Uniform(0, 1)"});
         AddEquationNode(n, "s", "x+u", {"x", "u"});
         ASSERT_EQ(Observe(n, "s", 1.5), kSuccess);
     },
     "d", 0,
     [](double& p, double&) {
         const double a = 0.3 * (Phi(2.5) - Phi(1.5)), b = 0.7 * 0.5;
         p = a / (a + b);
     },
     0.0, false},
    {"an absolute value beneath its least value",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0, 1)"});
         AddEquationNode(n, "y", "Abs(x)+2", {"x"});
         ASSERT_EQ(Observe(n, "y", 1.0), kSuccess);
     },
     "x", -1, nullptr, 1.0, true},
};

// True when a warning names the node.
bool WarnedOf(const std::string& node) {
    const std::regex named("(^|[^A-Za-z0-9_])" + node + "([^A-Za-z0-9_]|$)");
    for (const std::string& text : LoggedMessages()) {
        if (text.rfind("Warning", 0) == 0 && std::regex_search(text, named)) return true;
    }
    return false;
}

class HybridShapes : public FreshLogTest<::testing::TestWithParam<int>> {};

TEST_P(HybridShapes, AreRightWarnedOrFailed) {
    const ShapeCase& c = kCases[GetParam() / 4];
    const int algorithm = HybridAlgorithm::kFirst + GetParam() % 4;
    SCOPED_TRACE(std::string(c.name) + ", algorithm " + std::to_string(algorithm));
    VRX_network net;
    c.build(net);
    net.SetHybridAlgorithm(algorithm);
    net.numSamples = kUnderAddressSanitizer ? 500 : 40000;
    vovido::SeedHybridGenerators(5);
    const int rc = net.UpdateBeliefs();
    if (c.impossible) {
        EXPECT_EQ(rc, kNoUsefulSamples) << LogDump();
        return;
    }
    // A few samples may miss a narrow region of the evidence altogether: then the run fails.
    if (kUnderAddressSanitizer && rc == kNoUsefulSamples) return;
    ASSERT_EQ(rc, kSuccess) << LogDump();
    if (kUnderAddressSanitizer || WarnedOf(c.node)) return;
    double a = 0.0, b = 0.0;
    c.reference(a, b);
    const int h = net.FindNode(c.node);
    if (c.state >= 0) {
        EXPECT_NEAR(BeliefOf(net, h, c.state), a, 0.02) << LogDump();
        return;
    }
    const VRX_valcontinuous& v = ContinuousValueOf(net, h);
    EXPECT_NEAR(v.GetMean(), a, 0.1 * c.priorDeviation) << LogDump();
    EXPECT_NEAR(v.GetStdDev(), b, 0.2 * b) << LogDump();
}

INSTANTIATE_TEST_SUITE_P(HybridSampling, HybridShapes,
                         ::testing::Range(0, static_cast<int>(4 * sizeof kCases / sizeof kCases[0])));

}  // namespace

namespace {

// What the run says where evidence cannot be explained through an equation and where a distribution
// gets invalid parameters for some draws (Ln of a negative value), by algorithm.
// s = -U(-3, -0.5) lies in [0.5, 3] and is the deviation of y = 0.3; u = s + N(0, 1) draws s from its
// message, which must keep to the mirrored bounds: outside them the message to s thins out and u's belief
// drifts to the prior's.
TEST(HybridShapeMessages, ANegatedUniformRootKeepsToItsMirroredBounds) {
    VRX_network net;
    AddDistributionNode(net, "s", {"-Uniform(-3, -0.5)"});
    AddDistributionNode(net, "y", {"Normal(0, s)"}, {"s"});
    AddDistributionNode(net, "u", {"Normal(s, 1)"}, {"s"});
    ASSERT_EQ(Observe(net, "y", 0.3), kSuccess);
    net.SetHybridAlgorithm(HybridAlgorithm::kMessagePassing);
    net.numSamples = kUnderAddressSanitizer ? 500 : 20000;
    vovido::SeedHybridGenerators(5);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    if (kUnderAddressSanitizer) return;
    double mean = 0.0, sd = 0.0;
    Quadrature([](double s) { return Gauss(0.3, 0.0, s); }, 0.5, 3.0, mean, sd);
    EXPECT_NEAR(ContinuousValueOf(net, net.FindNode("u")).GetMean(), mean, 0.1) << LogDump();
    EXPECT_EQ(LogDump().find("effective sample size"), std::string::npos) << LogDump();
}

TEST(HybridShapeMessages, SayWhatTheyMeanForTheAnswer) {
    for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
        SCOPED_TRACE(algorithm);
        VRX_network square;
        AddDistributionNode(square, "x", {"Normal(0, 1)"});
        AddEquationNode(square, "y", "x*x", {"x"});
        ASSERT_EQ(Observe(square, "y", 4.0), kSuccess);
        square.SetHybridAlgorithm(algorithm);
        square.numSamples = 200;
        errorLog.Flush();
        EXPECT_EQ(square.UpdateBeliefs(), kNoUsefulSamples);
        EXPECT_TRUE(
            Logged(kOutOfRange,
                   "The evidence on [y] cannot be explained through its equation: no parent has a single "
                   "inverse there."))
            << LogDump();

        // Also where y is observed: the model's own draws of x meet them.
        for (const bool observed : {false, true}) {
            VRX_network log;
            AddDistributionNode(log, "x", {"Normal(0.5, 0.5)"});
            AddDistributionNode(log, "y", {"Normal(Ln(x), 0.2)"}, {"x"});
            ASSERT_EQ(observed ? Observe(log, "y", -0.5) : kSuccess, kSuccess);
            log.SetHybridAlgorithm(algorithm);
            log.numSamples = 2000;
            errorLog.Flush();
            ASSERT_EQ(log.UpdateBeliefs(), kSuccess) << LogDump();
            EXPECT_FALSE(LoggedPart("Invalid parameters in a call of Normal\n")) << LogDump();
            EXPECT_TRUE(
                Logged(kNoUsefulSamples,
                       "Warning: draws for which a call of Normal had invalid parameters were left out: the "
                       "beliefs are those given parameters that are valid."))
                << LogDump();
        }
    }
    errorLog.Flush();
}

// An equation that holds its own noise, added or as a Normal's mean: its inverse for x draws the noise,
// so it never gives the observed value back. With z = x + N(0, 0.5) too, x ~ N(1, 2) and y = z = 2,
// x has the precision 1 / 4 + 4 + 4 and the mean (1 / 4 + 8 + 8) / 8.25.
TEST(HybridShapeMessages, EquationsWithTheirOwnNoiseAreInvertedWithoutACheck) {
    for (int run = 0; run < 2 * (HybridAlgorithm::kLast - HybridAlgorithm::kFirst + 1); ++run) {
        const int algorithm = HybridAlgorithm::kFirst + run / 2;
        const char* equation = run % 2 == 0 ? "x + Normal(0, 0.5)" : "Normal(x, 0.5)";
        SCOPED_TRACE(std::to_string(algorithm) + " " + equation);
        VRX_network net;
        const int x = AddDistributionNode(net, "x", {"Normal(1, 2)"});
        AddEquationNode(net, "y", equation, {"x"});
        // The same noise as a distribution node's cell: weighed by its density, shifted by x.
        AddDistributionNode(net, "z", {"2 - Normal(0, 0.5) + x - 2"}, {"x"});
        ASSERT_EQ(Observe(net, "z", 2.0), kSuccess);
        ASSERT_EQ(Observe(net, "y", 2.0), kSuccess);
        net.SetHybridAlgorithm(algorithm);
        net.numSamples = 10000;
        vovido::SeedHybridGenerators(5);
        errorLog.Flush();
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
        EXPECT_NEAR(ContinuousValueOf(net, x).GetMean(), 16.25 / 8.25, 0.05);
        EXPECT_NEAR(ContinuousValueOf(net, x).GetStdDev(), std::sqrt(1.0 / 8.25), 0.05);
    }
    errorLog.Flush();
}

// x ~ N(0, 1), s = If(x > 0.5, 3, 0), t = If(s > 1, 2, -1), y = t + x + N(0, 0.5) = 1.5: t is a function of
// x two steps down, which every algorithm, message passing too, draws with x; and steps below a noisy
// child of x.
TEST(HybridShapeMessages, StepsOfStepsAreDrawnWithTheirRoot) {
    double mean = 0.0, sd = 0.0;
    Quadrature([](double x) { return Gauss(x, 0.0, 1.0) * Gauss(1.5, (x > 0.5 ? 2.0 : -1.0) + x, 0.5); },
               -6.0, 6.0, mean, sd);
    for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
        SCOPED_TRACE(algorithm);
        VRX_network net;
        const int x = AddDistributionNode(net, "x", {"Normal(0, 1)"});
        AddEquationNode(net, "s", "If(x > 0.5, 3, 0)", {"x"});
        AddEquationNode(net, "t", "If(s > 1, 2, -1)", {"s"});
        AddDistributionNode(net, "y", {"Normal(t + x, 0.5)"}, {"t", "x"});
        ASSERT_EQ(Observe(net, "y", 1.5), kSuccess);
        net.SetHybridAlgorithm(algorithm);
        net.numSamples = 10000;
        vovido::SeedHybridGenerators(5);
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
        EXPECT_NEAR(ContinuousValueOf(net, x).GetMean(), mean, 0.05);
        EXPECT_NEAR(ContinuousValueOf(net, x).GetStdDev(), sd, 0.03);
        // The message from a step drawn with x, its only child, is used by no belief: not warned of.
        VRX_network step;
        AddEquation(step, "x", "x = Normal(0, 1)");
        AddEquation(step, "s", "s = If(x > 0.5, 3, 0)");
        const int y = AddEquation(step, "y", "y = s + Normal(0, 0.5)");
        ASSERT_EQ(ValueOf(step, y).SetContEvidence(2.0), kSuccess);
        step.SetHybridAlgorithm(algorithm);
        step.numSamples = 10000;
        vovido::SeedHybridGenerators(7);
        errorLog.Flush();
        ASSERT_EQ(step.UpdateBeliefs(), kSuccess) << LogDump();
        EXPECT_FALSE(LoggedPart("the message from node s")) << LogDump();
        // A step of a noisy child w ~ N(x, 0.3), drawn with w where x weighs its draws: not a fit of the
        // step's likelihood, x weighs each side by the chance that w passes 0.5.
        VRX_network noisy;
        const int root = AddDistributionNode(noisy, "x", {"Normal(0, 1)"});
        AddDistributionNode(noisy, "w", {"Normal(x, 0.3)"}, {"x"});
        AddEquationNode(noisy, "s", "If(w > 0.5, 3, 0)", {"w"});
        AddDistributionNode(noisy, "y", {"Normal(s, 0.5)"}, {"s"});
        ASSERT_EQ(Observe(noisy, "y", 2.0), kSuccess);
        noisy.SetHybridAlgorithm(algorithm);
        noisy.numSamples = 10000;
        ASSERT_EQ(noisy.UpdateBeliefs(), kSuccess) << LogDump();
        double m = 0.0, d = 0.0;
        Quadrature(
            [](double v) {
                const double above = Phi((v - 0.5) / 0.3);
                return Gauss(v, 0.0, 1.0) *
                       (above * Gauss(2.0, 3.0, 0.5) + (1.0 - above) * Gauss(2.0, 0.0, 0.5));
            },
            -6.0, 6.0, m, d);
        EXPECT_NEAR(ContinuousValueOf(noisy, root).GetMean(), m, 0.05);
        EXPECT_NEAR(ContinuousValueOf(noisy, root).GetStdDev(), d, 0.05);
    }
    errorLog.Flush();
}

// Warnings true of the caller's model: weights that left [0, 1] are counted once with an instance; no
// invalid parameters where every draw the model can make is valid; a root discrete node below which the
// evidence lies is right or named; no working node is named.
TEST(HybridShapeMessages, WarningsAreTrueOfTheCallersModel) {
    auto run = [](VRX_network& net, int algorithm) {
        net.SetHybridAlgorithm(algorithm);
        net.numSamples = 10000;
        vovido::SeedHybridGenerators(5);
        errorLog.Flush();
        return net.UpdateBeliefs();
    };
    auto count = [](const std::string& part) {
        int n = 0;
        for (const std::string& text : LoggedMessages()) n += text.find(part) != std::string::npos ? 1 : 0;
        return n;
    };
    // P(d = 0 | y = 0.3, z = 1), x ~ N(0, 1), s = 2x, y ~ N(x +- 1, 0.5), z ~ N(s + 0 or 2, 1).
    double w[2] = {0.0, 0.0};
    for (int d = 0; d < 2; ++d) {
        for (int i = 0; i < 20000; ++i) {
            const double x = -8.0 + 16.0 * (i + 0.5) / 20000;
            const double r1 = 0.3 - x - (d == 0 ? 1.0 : -1.0), r2 = 1.0 - 2.0 * x - 2.0 * d;
            w[d] += (d == 0 ? 0.65 : 0.35) * std::exp(-0.5 * x * x - 2.0 * r1 * r1 - 0.5 * r2 * r2);
        }
    }
    for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
        SCOPED_TRACE(algorithm);
        VRX_network weights;
        AddDistributionNode(weights, "x", {"Uniform(-0.5, 1.5)"});
        const int d = AddDiscreteNode(weights, "d", {"x", "1-x"}, {"x"});
        ASSERT_EQ(weights.GetNode(d)->GetValue()->SetEvidence(0), kSuccess);
        ASSERT_EQ(run(weights, algorithm), kSuccess) << LogDump();
        EXPECT_EQ(count("Warning: weights outside [0, 1] in "), 1) << LogDump();
        EXPECT_EQ(
            count("evaluations of node d were taken as probabilities (a weight below 0 as 0, the others "
                  "scaled to sum 1), e.g. node d gave outcome "),
            1)
            << LogDump();
        EXPECT_EQ(count(" at x = "), 1) << LogDump();
        // Weights of a parent in [0, 1] everywhere: an equation of a uniform, a uniform below one.
        for (const char* parent : {"x", "Uniform(0, x)"}) {
            VRX_network within;
            AddDistributionNode(within, "x", {"Uniform(0, 1)"});
            if (std::string(parent) == "x") {
                AddEquationNode(within, "s", parent, {"x"});
            } else {
                AddDistributionNode(within, "s", {parent}, {"x"});
            }
            const int e = AddDiscreteNode(within, "e", {"s", "1-s"}, {"s"});
            ASSERT_EQ(within.GetNode(e)->GetValue()->SetEvidence(0), kSuccess);
            AddDistributionNode(within, "y", {"Normal(s, 0.3)"}, {"s"});
            ASSERT_EQ(Observe(within, "y", 0.9), kSuccess);
            ASSERT_EQ(run(within, algorithm), kSuccess) << LogDump();
            EXPECT_EQ(count("weights outside"), 0) << parent << LogDump();
        }

        // s a uniform root, or an equation that is positive everywhere.
        for (const char* call : {"Normal(0, s)", "Exponential(s)", ""}) {
            VRX_network valid;
            if (*call != '\0') {
                AddDistributionNode(valid, "s", {"Uniform(0.5, 3)"});
            } else {
                AddDistributionNode(valid, "z", {"Normal(0, 1)"});
                AddEquationNode(valid, "s", "Exp(z)", {"z"});
            }
            AddDistributionNode(valid, "y", {*call != '\0' ? call : "Normal(0, s)"}, {"s"});
            ASSERT_EQ(Observe(valid, "y", 1.0), kSuccess);
            ASSERT_EQ(run(valid, algorithm), kSuccess) << LogDump();
            EXPECT_EQ(count("nvalid parameters"), 0) << call << LogDump();
        }

        VRX_network root;
        AddDiscreteNode(root, "d", {"0.65", "0.35"});
        AddDistributionNode(root, "x", {"Normal(0, 1)"});
        AddEquationNode(root, "s", "2*x", {"x"});
        AddDistributionNode(root, "y", {"Normal(x + 1, 0.5)", "Normal(x - 1, 0.5)"}, {"d", "x"});
        AddDistributionNode(root, "z", {"Normal(s, 1)", "Normal(s + 2, 1)"}, {"d", "s"});
        ASSERT_EQ(Observe(root, "y", 0.3), kSuccess);
        ASSERT_EQ(Observe(root, "z", 1.0), kSuccess);
        ASSERT_EQ(run(root, algorithm), kSuccess) << LogDump();
        if (!WarnedOf("d")) {
            EXPECT_NEAR(BeliefOf(root, root.FindNode("d"), 0), w[0] / (w[0] + w[1]), 0.02);
        }

        VRX_network equations;
        AddEquation(equations, "X", "X = Normal(0, 1)");
        AddEquation(equations, "S", "S = If(X > 0.5, 3, 0)");
        const int y = AddEquation(equations, "Y", "Y = S + X + Normal(0, 0.5)");
        ASSERT_EQ(ValueOf(equations, y).SetContEvidence(2.0), kSuccess);
        ASSERT_EQ(run(equations, algorithm), kSuccess) << LogDump();
        EXPECT_FALSE(WarnedOf("c")) << LogDump();
    }
    errorLog.Flush();
}

}  // namespace
