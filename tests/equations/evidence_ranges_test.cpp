// Evidence its node can never take, told before any draw from where the parents can lie (the ranges of
// expressions behind it); equations monotonic in a parent undone step by step; and the far-tail warning,
// quiet where every term up to the evidence is Gaussian.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/expression_parser.h"
#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"
#include "equations/monotonic_inverse.h"
#include "equations/value_range.h"
#include "model/network_settings.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;
using vovido::ValueRange;

constexpr double kInf = std::numeric_limits<double>::infinity();

int UpdateWith(VRX_network& net, int algorithm, int samples = 1000) {
    return UpdateHybrid(net, algorithm, samples, 2);
}

TEST(ValueRanges, FollowTheFunctionsAndTheSupports) {
    // a within [-1, 2], b at or above 0, any other name anywhere.
    auto named = [](const std::string& name) {
        return name == "a" ? ValueRange{-1.0, 2.0} : name == "b" ? ValueRange{0.0, kInf} : ValueRange{};
    };
    const struct {
        const char* text;
        double lower, upper;
    } cases[] = {
        {"Tanh(a + Normal(0, 1))", -1.0, 1.0},
        {"2*Atan(b) - 1", -1.0, 3.141592653589793 - 1.0},
        {"Exp(a) + Uniform(-0.1, 0.1)", std::exp(-1.0) - 0.1, std::exp(2.0) + 0.1},
        {"Sin(b) * a", -2.0, 2.0},
        {"-Abs(a) + Lognormal(0, 1)", -2.0, kInf},
        {"1/(1 + Exp(-b))", 0.5, 1.0},
        {"a^2 - 1", -1.0, 3.0},
        {"Sqrt(a)", 0.0, std::sqrt(2.0)},
        // Sign passes over what is no number (the root of a negative), giving 0.
        {"Sign(Sqrt(a) - 1)", -1.0, 1.0},
        {"Sign(Sqrt(a + 1))", 0.0, 1.0},
        {"If(b > 1, Cos(a), 3)", -1.0, 3.0},
        {"Tan(a) + z", -kInf, kInf},
    };
    for (const auto& c : cases) {
        const auto tree = ParseExpression(c.text, nullptr, nullptr);
        ASSERT_TRUE(tree) << c.text;
        const ValueRange r = vovido::RangeOfExpression(*tree, named);
        EXPECT_DOUBLE_EQ(r.lower, c.lower) << c.text;
        EXPECT_DOUBLE_EQ(r.upper, c.upper) << c.text;
    }
}

TEST(MonotonicInverse, UndoesEachStepOrSaysWhyNot) {
    using vovido::Undone;
    const struct {
        const char* text;
        double b, v;
        Undone expected;
        double x;
    } cases[] = {
        {"2*Tanh(0.5*x) + b", 0.2, 1.2, Undone::kSolved, 2.0 * std::atanh(0.5)},
        {"Sinh(0.9*x + b)", 1.0, std::sinh(0.1), Undone::kSolved, -1.0},
        {"-(x^3)/2 + b", 1.0, -3.0, Undone::kSolved, 2.0},
        {"b - Ln(x)", 1.0, 1.0, Undone::kSolved, 1.0},
        {"Atan(x - b)", 0.0, 1.0, Undone::kSolved, std::tan(1.0)},
        {"Tanh(x) + b", 0.5, 1.6, Undone::kNoSolution, 0.0},
        {"Exp(x - b)", 1.0, -1.0, Undone::kNoSolution, 0.0},
        {"Sqrt(x) * 3", 0.0, -3.0, Undone::kNoSolution, 0.0},
        {"x*x + b", 0.0, 4.0, Undone::kNotMonotonic, 0.0},
        {"Sin(x)", 0.0, 0.5, Undone::kNotMonotonic, 0.0},
        {"x*b", 2.0, 4.0, Undone::kNotMonotonic, 0.0},
    };
    for (const auto& c : cases) {
        const auto tree = ParseExpression(c.text, nullptr, nullptr);
        ASSERT_TRUE(tree) << c.text;
        AssignVariable(*tree, "b", c.b);
        double x = 0.0;
        ASSERT_EQ(vovido::UndoMonotonic(*tree, "x", c.v, x), c.expected) << c.text;
        if (c.expected == Undone::kSolved) {
            EXPECT_NEAR(x, c.x, 1e-12) << c.text;
        }
    }
}

struct ImpossibleCase {
    const char* child;
    bool equation;  // an equation node, else a distribution node
    double v;
    const char* why;
};

// x ~ N(0, 1) and y, observed where none of its values lies.
const ImpossibleCase kImpossible[] = {
    {"Tanh(x + Normal(0, 0.3))", true, 1.2, "no inverse through [x] gives it."},
    {"Tanh(x + Normal(0, 0.3))", false, -1.2, "no inverse through [x] gives it."},
    {"Tanh(x) + Uniform(-0.1, 0.1)", true, 1.2,
     "it puts the distribution in the equation of [y] outside its support."},
    {"Tanh(x) + Uniform(-0.1, 0.1)", false, 1.2, "it lies outside the support of [y] under every draw."},
    {"Atan(x) + Beta(2, 2)", true, 3.0,
     "it puts the distribution in the equation of [y] outside its support."},
    {"1/(1 + Exp(-x - Normal(0, 1)))", true, 1.5,
     "no inverse through the distribution in the equation of [y] gives it."},
    {"Cos(x) + Uniform(0, 0.1)", false, 1.5, "it lies outside the support of [y] under every draw."},
    {"Sqrt(Abs(x)) + Exponential(1)", true, -0.5,
     "it puts the distribution in the equation of [y] outside its support."},
    {"Lognormal(x, 1)", false, -1.0, "it lies outside the support of [y] under every draw."},
};

class ImpossibleEvidence : public ::testing::TestWithParam<int> {};

TEST_P(ImpossibleEvidence, IsRefusedNamingTheNodeAndTheCause) {
    const ImpossibleCase& c = kImpossible[GetParam() / 4];
    const int algorithm = HybridAlgorithm::kFirst + GetParam() % 4;
    SCOPED_TRACE(std::string(c.child) + ", algorithm " + std::to_string(algorithm));
    VRX_network net;
    ASSERT_EQ(AddObservedChild(net, "Normal(0, 1)", c.child, c.v, c.equation), kSuccess);
    // At a sample count whose draws would take seconds to fail.
    EXPECT_EQ(UpdateWith(net, algorithm, 200000), kNoUsefulSamples);
    EXPECT_EQ(LoggedMessages(),
              std::vector<std::string>{"The evidence on [y] is impossible: " + std::string(c.why)});
    errorLog.Flush();
}

INSTANTIATE_TEST_SUITE_P(BoundedFunctions, ImpossibleEvidence,
                         ::testing::Range(0,
                                          4 * static_cast<int>(sizeof kImpossible / sizeof kImpossible[0])));

TEST(EvidenceRanges, InAnEquationNetworkIsRefusedAsInAHybridOne) {
    for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
        VRX_network net;
        ASSERT_GE(AddEquation(net, "x", "x = Normal(0, 1)"), 0);
        const int y = AddEquation(net, "y", "y = Tanh(x + Normal(0, 0.3))");
        ASSERT_EQ(ValueOf(net, y).SetContEvidence(1.2), kSuccess);
        EXPECT_EQ(UpdateWith(net, algorithm), kNoUsefulSamples) << algorithm;
        EXPECT_EQ(LastLogged(), "The evidence on [y] is impossible: no inverse through [x] gives it.");
    }
    errorLog.Flush();
}

// Just inside the range: Tanh(x + e) = 0.95 puts x + e at atanh(0.95), so x ~ N(0, 1) given x + e with
// e ~ N(0, 0.09) has the precision 1 + 1/0.09 and the mean atanh(0.95) / 0.09 over it.
TEST(EvidenceRanges, ValuesJustInsideTheRangeAreAnswered) {
    const double precision = 1.0 + 1.0 / 0.09, mean = std::atanh(0.95) / 0.09 / precision;
    for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
        VRX_network net;
        ASSERT_EQ(AddObservedChild(net, "Normal(0, 1)", "Tanh(x + Normal(0, 0.3))", 0.95, true), kSuccess);
        ASSERT_EQ(UpdateWith(net, algorithm, 4000), kSuccess) << algorithm << LogDump();
        EXPECT_NEAR(ContinuousValueOf(net, net.FindNode("x")).GetMean(), mean, 0.1 / std::sqrt(precision))
            << algorithm;
    }
    errorLog.Flush();
}

TEST(FarTailWarning, IsQuietOnGaussianFamiliesInEitherFormOnly) {
    const struct {
        const char* child;
        bool equation;
        double v;
        bool warns;
    } cases[] = {
        // 2.9 deviations of y's prior N(0, 5) out.
        {"2*x + Normal(0, 1)", false, 6.5, false},
        {"2*x + Normal(0, 1)", true, 6.5, false},
        {"Normal(2*x, 1)", false, 6.5, false},
        // Explained by the heavy tail of one term, or the one-sided tail of the other.
        {"x + Lognormal(0, 1)", false, 40.0, true},
        {"x + Lognormal(0, 1)", true, 40.0, true},
    };
    for (const auto& c : cases) {
        for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
            SCOPED_TRACE(std::string(c.child) + ", algorithm " + std::to_string(algorithm));
            VRX_network net;
            ASSERT_EQ(AddObservedChild(net, "Normal(0, 1)", c.child, c.v, c.equation), kSuccess);
            ASSERT_EQ(UpdateWith(net, algorithm), kSuccess) << LogDump();
            EXPECT_EQ(LoggedPart("evidence on node y lies in the far tail"), c.warns) << LogDump();
        }
    }
    errorLog.Flush();
}

// X = Normal(2, 1), Y = X + Normal(0, 5) observed, as equation nodes or a hybrid equation with a noise:
// the exact posterior of X is N((2 + y / 25) / 1.04, 0.9806). At 75, 14 deviations of Y's prior out,
// draws of X's prior never reach it, so a sampler either comes within a tenth of a deviation or warns,
// of its few effective samples or that the evidence on Y lies beyond its draws. At 12 every answer is
// right and nothing is logged.
TEST(FarTailWarning, GaussianEvidenceBeyondTheDrawsIsAnsweredOrWarnedOf) {
    const struct {
        double y;
        bool quiet;
    } cases[] = {{75.0, false}, {12.0, true}};
    for (const auto& c : cases) {
        for (const bool equations : {true, false}) {
            for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
                for (const int samples : {1000, 40000}) {
                    SCOPED_TRACE(std::to_string(c.y) + (equations ? " equations" : " hybrid") +
                                 ", algorithm " + std::to_string(algorithm) + ", " + std::to_string(samples));
                    VRX_network net;
                    if (equations) {
                        ASSERT_GE(AddEquation(net, "X", "X = Normal(2, 1)"), 0);
                        ASSERT_GE(AddEquation(net, "Y", "Y = X + Normal(0, 5)"), 0);
                        ASSERT_EQ(ValueOf(net, net.FindNode("Y")).SetContEvidence(c.y), kSuccess);
                    } else {
                        ASSERT_GE(AddDistributionNode(net, "X", {"Normal(2, 1)"}), 0);
                        ASSERT_GE(AddEquationNode(net, "Y", "X + Normal(0, 5)", {"X"}), 0);
                        ASSERT_EQ(Observe(net, "Y", c.y), kSuccess);
                    }
                    ASSERT_EQ(UpdateWith(net, algorithm, samples), kSuccess) << LogDump();
                    const auto [mean, deviation] = MomentsOf(net, net.FindNode("X"));
                    if (c.quiet) {
                        EXPECT_TRUE(LoggedMessages().empty()) << LogDump();
                    }
                    if (LoggedPart("Warning: the estimate of node X rests on ") ||
                        LoggedPart("Warning: the evidence on node Y lies beyond the reach of the sampler's " +
                                   std::to_string(samples) + " draws"))
                        continue;
                    EXPECT_NEAR(mean, (2.0 + c.y / 25.0) / 1.04, 0.1) << LogDump();
                    EXPECT_NEAR(deviation, 0.9806, 0.1) << LogDump();
                }
            }
        }
    }
    errorLog.Flush();
}

}  // namespace
