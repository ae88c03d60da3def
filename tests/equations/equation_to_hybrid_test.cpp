// Equation networks with evidence on nodes that have parents, through the conversion to a hybrid
// network: posteriors known in closed form, the auxiliary nodes, and the failures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/expression_parser.h"
#include "base/status_codes.h"
#include "equations/equation_to_hybrid.h"
#include "equations/hybrid_sampling_network.h"
#include "model/network_settings.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;
using namespace HybridAlgorithm;

int Update(VRX_network& net, int algorithm, int samples) {
    net.SetHybridAlgorithm(algorithm);
    net.numSamples = samples;
    vovido::SeedHybridGenerators(5);
    errorLog.Flush();
    return net.UpdateBeliefs();
}

TEST(EquationToHybrid, EvidenceOnAChildGivesTheClosedFormPosterior) {
    for (int algorithm = kFirst; algorithm <= kLast; ++algorithm) {
        VRX_network net;
        const int x = AddEquation(net, "x", "x = Normal(0, 1)");
        const int y = AddEquation(net, "y", "y = x + Normal(0, 1)");
        ASSERT_EQ(ValueOf(net, y).SetContEvidence(1.0), kSuccess);
        ASSERT_EQ(Update(net, algorithm, 20000), kSuccess) << algorithm << LogDump();
        const double tolerance = algorithm == kMessagePassing ? 0.05 : 0.03;
        EXPECT_NEAR(ValueOf(net, x).GetMean(), 0.5, tolerance) << algorithm;
        EXPECT_NEAR(ValueOf(net, x).GetStdDev(), std::sqrt(0.5), tolerance) << algorithm;
        // The network's own sample count, and the observed node keeps its evidence.
        EXPECT_EQ(ValueOf(net, x).GetSampleCount(), 20000) << algorithm;
        double evidence = 0.0;
        EXPECT_EQ(ValueOf(net, y).GetContEvidence(evidence), kSuccess);
        EXPECT_EQ(evidence, 1.0);
    }
}

// Evidence that fixes equations: the parent through the inverse, the child from its observed parents.
// Both report the value as propagated evidence, in the hybrid network and after the copy back.
TEST(EquationToHybrid, NodesFixedByEvidenceReportPropagatedEvidence) {
    for (int algorithm = kFirst; algorithm <= kLast; ++algorithm) {
        VRX_network net;
        const int x = AddEquation(net, "x", "x = Normal(0, 1)");
        const int y = AddEquation(net, "y", "y = 2*x + 1");
        const int z = AddEquation(net, "z", "z = x^2");
        ASSERT_EQ(ValueOf(net, y).SetContEvidence(5.0), kSuccess);
        ASSERT_EQ(Update(net, algorithm, 100), kSuccess) << algorithm << LogDump();
        for (const auto& [h, expected] : {std::pair<int, double>{x, 2.0}, {z, 4.0}}) {
            double fixed = 0.0;
            EXPECT_TRUE(ValueOf(net, h).HasFlag(ValueFlags::kPropagatedEvidence)) << algorithm;
            ASSERT_EQ(ValueOf(net, h).GetContEvidence(fixed), kSuccess);
            EXPECT_DOUBLE_EQ(fixed, expected) << algorithm;
            EXPECT_DOUBLE_EQ(ValueOf(net, h).GetMean(), expected) << algorithm;
        }
    }
}

TEST(EquationToHybrid, EveryObservedChildCountsAndArgumentsMakeParents) {
    VRX_network net;
    const int x = AddEquation(net, "x", "x = Normal(0, 1)");
    // The noise of y1 names x in its arguments: its auxiliary node needs x as a parent.
    const int y1 = AddEquation(net, "y1", "y1 = 1 + Normal(x, 1)");
    const int y2 = AddEquation(net, "y2", "y2 = x + Normal(0, 1)");
    ASSERT_EQ(ValueOf(net, y1).SetContEvidence(2.0), kSuccess);
    ASSERT_EQ(ValueOf(net, y2).SetContEvidence(3.0), kSuccess);
    ASSERT_EQ(Update(net, kImportanceSampling, 40000), kSuccess) << LogDump();
    EXPECT_NEAR(ValueOf(net, x).GetMean(), 4.0 / 3.0, 0.025);
    EXPECT_NEAR(ValueOf(net, x).GetStdDev(), 1.0 / std::sqrt(3.0), 0.025);
}

// A step observed through noise, with and without the step's parent beside it: the evidence is explained
// through the noise term, whose inverse is single. X's posterior: N(0, 1) times the density of
// 2 - S(X) - X (or 2 - S(X)) under N(0, 0.5), by quadrature.
TEST(EquationToHybrid, StepsObservedThroughNoiseAreExplainedThroughTheNoise) {
    const struct {
        const char* equation;
        bool withX;
    } kForms[] = {{"Y = S + Normal(0, 0.5)", false},
                  {"Y = S + X + Normal(0, 0.5)", true},
                  {"Y = Normal(S + X, 0.5)", true}};
    for (const auto& form : kForms) {
        double z = 0.0, m1 = 0.0;
        for (int i = 0; i < 20000; ++i) {
            const double x = -8.0 + 16.0 * (i + 0.5) / 20000;
            const double r = 2.0 - (x > 0.5 ? 3.0 : 0.0) - (form.withX ? x : 0.0);
            const double p = std::exp(-0.5 * x * x - 2.0 * r * r);
            z += p, m1 += p * x;
        }
        for (int algorithm = kFirst; algorithm <= kLast; ++algorithm) {
            SCOPED_TRACE(std::string(form.equation) + ", algorithm " + std::to_string(algorithm));
            VRX_network net;
            const int x = AddEquation(net, "X", "X = Normal(0, 1)");
            ASSERT_GE(AddEquation(net, "S", "S = If(X > 0.5, 3, 0)"), 0);
            const int y = AddEquation(net, "Y", form.equation);
            ASSERT_EQ(ValueOf(net, y).SetContEvidence(2.0), kSuccess);
            ASSERT_EQ(Update(net, algorithm, 20000), kSuccess) << LogDump();
            EXPECT_NEAR(ValueOf(net, x).GetMean(), m1 / z, 0.05) << LogDump();
        }
    }
}

TEST(EquationToHybrid, EquationsAreConvertedFromTheirFormSolvedForTheNode) {
    // 2*y = x + noise: y's evidence 0.5 makes x + noise = 1.
    VRX_network net;
    const int x = AddEquation(net, "x", "x = Normal(0, 1)");
    const int y = AddEquation(net, "y", "2*y = x + Normal(0, 1)");
    ASSERT_EQ(ValueOf(net, y).SetContEvidence(0.5), kSuccess);
    ASSERT_EQ(Update(net, kImportanceSampling, 20000), kSuccess) << LogDump();
    EXPECT_NEAR(ValueOf(net, x).GetMean(), 0.5, 0.03);
    // A negated distribution keeps its sign: x = -Uniform(1, 3) lies in [-3, -1].
    VRX_network negated;
    const int n = AddEquation(negated, "n", "n = -Uniform(1, 3)");
    const int m = AddEquation(negated, "m", "m = n + Normal(0, 0.1)");
    ASSERT_EQ(ValueOf(negated, m).SetContEvidence(-1.5), kSuccess);
    ASSERT_EQ(Update(negated, kImportanceSampling, 20000), kSuccess) << LogDump();
    EXPECT_NEAR(ValueOf(negated, n).GetMean(), -1.5, 0.01);
    for (const WeightedSample& s : ValueOf(negated, n).GetSamples())
        ASSERT_TRUE(s.value >= -3.0 && s.value <= -1.0);
}

TEST(EquationToHybrid, AuxiliaryNamesSkipTheSourcesIdentifiers) {
    VRX_network source;
    ASSERT_GE(AddEquation(source, "c", "c = 1"), 0);
    int counter = 1;
    std::string name;
    std::vector<std::string> names;
    for (int i = 0; i < 15; ++i) {
        MakeAuxiliaryName(name, counter, source);
        names.push_back(name);
    }
    EXPECT_EQ(names.front(), "d");
    EXPECT_EQ(names[12], "p");
    EXPECT_EQ(names[13], "ab");
    EXPECT_EQ(names[14], "bb");
}

TEST(EquationToHybrid, ConvertedNodesHoldElementsInversesAndRanges) {
    VRX_network source, hybrid;
    ASSERT_GE(AddEquation(source, "x", "x = 2"), 0);
    ASSERT_GE(hybrid.AddNode(DefinitionType::kHEquation, "x"), 0);
    auto right = ParseExpression("x + -Normal(0, 1)", nullptr, nullptr);
    ASSERT_NE(right, nullptr);
    int counter = 1;
    const int y = ConvertEquationNode(hybrid, "y", *right, source, counter, -5.0, 5.0);
    ASSERT_GE(y, 0);
    const int c = hybrid.FindNode("c");
    ASSERT_GE(c, 0);
    EXPECT_EQ(hybrid.GetNodeType(c), DefinitionType::kDistribution);
    double low = 0.0, high = 0.0;
    ASSERT_EQ(HybridOf(hybrid, c).GetLowerBound(low), kSuccess);
    ASSERT_EQ(HybridOf(hybrid, c).GetUpperBound(high), kSuccess);
    EXPECT_NEAR(low, -12.0, 1e-6);
    EXPECT_NEAR(high, 12.0, 1e-6);
    VRX_Helement* element = HybridOf(hybrid, y).GetElementAt(0);
    element->SetVariableValue("x", 1.0);
    element->SetVariableValue("c", 4.0);
    element->SetVariableValue("y", -3.0);
    double value = 0.0;
    ASSERT_EQ(element->Evaluate(value), kSuccess);
    EXPECT_EQ(value, -3.0);
    ASSERT_EQ(element->EvaluateNamed("c", value), kSuccess);
    EXPECT_EQ(value, 4.0);
    ASSERT_EQ(element->EvaluateNamed("x", value), kSuccess);
    EXPECT_EQ(value, 1.0);
}

TEST(EquationToHybrid, FailuresAreLoggedAndLeaveValuesOutOfDate) {
    {
        VRX_network net;
        const int x = AddEquation(net, "x", "x = Normal(0, 1)");
        const int y = AddEquation(net, "y", "y*sin(y) = x");
        ASSERT_EQ(ValueOf(net, y).SetContEvidence(1.0), kSuccess);
        EXPECT_EQ(Update(net, kImportanceSampling, 100), kOutOfRange);
        EXPECT_TRUE(Logged(kOutOfRange, "Conversion to HBN failed for node y")) << LogDump();
        EXPECT_FALSE(ValueOf(net, x).IsUpToDate());
    }
    {
        VRX_network net;
        const int x = AddEquation(net, "x", "x = Uniform(0, 1)");
        const int y = AddEquation(net, "y", "y = x + Uniform(0, 1)");
        ASSERT_EQ(ValueOf(net, y).SetContEvidence(5.0), kSuccess);
        EXPECT_EQ(Update(net, kImportanceSampling, 100), kNoUsefulSamples);
        // The run's refusal alone: no knock-on entries of the conversion or the sampler.
        EXPECT_EQ(
            LoggedMessages(),
            std::vector<std::string>{"The evidence on [y] is impossible: it puts [x] outside its support."});
        EXPECT_FALSE(ValueOf(net, x).IsUpToDate());
    }
}

// An equation naming its own node is solved as without evidence whatever evidence lies elsewhere (Y
// observed at 1 puts X at N(0.5, 0.5)): from constants, or in closed form where it is linear in the node;
// one without a solution is refused naming the node either way.
TEST(EquationToHybrid, AnEquationNamingItsNodeIsSolvedWhateverEvidenceLiesElsewhere) {
    const struct {
        const char* equation;
        double mean[2], deviation[2];  // without and with the evidence on Y
        const char* refusal;
        bool refusedWithEvidenceOnly = false;
    } cases[] = {
        {"W = 0.5*W + 2", {4.0, 4.0}, {0.0, 0.0}, nullptr},
        {"W = cos(W)", {0.7390851332151607, 0.7390851332151607}, {0.0, 0.0}, nullptr},
        {"W = 0.5*W + X", {0.0, 1.0}, {2.0, std::sqrt(2.0)}, nullptr},
        {"W = W + 1", {}, {}, "Unable to solve the equation of node [W] for the node."},
        {"W = W + X", {}, {}, "Unable to solve the equation of node [W] for the node."},
        {"X = 2", {}, {}, "Equation of node [W] does not name the node."},
        {"W = 0.5*W + Normal(0, 1)",
         {},
         {},
         "Unable to solve the equation of node [W] for the node: it holds a distribution."},
        // Solved by Newton's method draw by draw without evidence elsewhere, but not in closed form.
        {"W = 0.5*cos(W) + X",
         {},
         {},
         "Unable to solve the equation of node [W] for the node: no rule isolates it, it is not linear in "
         "it, "
         "and its value rests on draws or on evidence.",
         true},
    };
    for (const auto& c : cases) {
        for (int observed = 0; observed < 2; ++observed) {
            SCOPED_TRACE(std::string(c.equation) + (observed ? " with evidence" : ""));
            VRX_network net;
            ASSERT_GE(AddEquation(net, "X", "X = Normal(0, 1)"), 0);
            const int y = AddEquation(net, "Y", "Y = X + Normal(0, 1)");
            const int w = AddEquation(net, "W", c.equation);
            ASSERT_GE(w, 0);
            if (observed) {
                ASSERT_EQ(ValueOf(net, y).SetContEvidence(1.0), kSuccess);
            }
            const int rc = Update(net, kImportanceSampling, 20000);
            if (c.refusedWithEvidenceOnly && !observed) {
                EXPECT_EQ(rc, kSuccess) << LogDump();
                continue;
            }
            if (c.refusal != nullptr) {
                EXPECT_EQ(rc, kOutOfRange);
                ASSERT_FALSE(LoggedMessages().empty());
                EXPECT_EQ(LoggedMessages()[0], c.refusal);
                EXPECT_FALSE(ValueOf(net, w).IsUpToDate());
                continue;
            }
            ASSERT_EQ(rc, kSuccess) << LogDump();
            EXPECT_NEAR(ValueOf(net, w).GetMean(), c.mean[observed], 0.05);
            EXPECT_NEAR(ValueOf(net, w).GetStdDev(), c.deviation[observed], 0.05);
        }
    }
    errorLog.Flush();
}

// A root observed where its distribution has no density is impossible evidence, whether or not the
// network has evidence below; inside the support the observation is the root's value.
TEST(EquationToHybrid, ARootObservedOutsideItsSupportIsRefused) {
    const struct {
        const char* equation;
        double evidence;
        bool refused;
    } cases[] = {
        {"x = Uniform(0, 1)", 7.0, true},  {"x = Exponential(1)", -1.0, true},
        {"x = -Uniform(0, 1)", 0.5, true}, {"x = -Uniform(0, 1)", -0.5, false},
        {"x = Normal(0, 1)", 7.0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.equation) + " at " + std::to_string(c.evidence));
        VRX_network net;
        const int x = AddEquation(net, "x", c.equation);
        const int w = AddEquation(net, "w", "w = Normal(0, 1)");
        ASSERT_EQ(ValueOf(net, x).SetContEvidence(c.evidence), kSuccess);
        if (!c.refused) {
            EXPECT_EQ(Update(net, kImportanceSampling, 200), kSuccess) << LogDump();
            EXPECT_EQ(ValueOf(net, x).GetMean(), c.evidence);
            EXPECT_EQ(LogDump(), "");
            continue;
        }
        EXPECT_EQ(Update(net, kImportanceSampling, 200), kNoUsefulSamples);
        EXPECT_EQ(LoggedMessages(),
                  std::vector<std::string>{
                      "The evidence on [x] is impossible: it lies outside the support of [x]."});
        EXPECT_FALSE(ValueOf(net, w).IsUpToDate());
    }
    errorLog.Flush();
}

}  // namespace
