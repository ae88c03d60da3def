// Distribution calls inside hybrid cells, the effective-sample-size warning and the texts of refused
// evidence, against exact conditioning (Gaussian families), quadrature, or the exact messages, with fixed
// seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"
#include "model/network_settings.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;

// Posterior mean and deviation of x ~ N(0, 1) given y = v whose density given x is lik.
void PosteriorByQuadrature(const std::function<double(double)>& lik, double& mean, double& deviation) {
    const int n = 40000;
    double z = 0.0, m1 = 0.0, m2 = 0.0;
    for (int i = 0; i < n; ++i) {
        const double x = -8.0 + 16.0 * (i + 0.5) / n;
        const double p = std::exp(-0.5 * x * x) * lik(x);
        z += p;
        m1 += p * x;
        m2 += p * x * x;
    }
    mean = m1 / z;
    deviation = std::sqrt(m2 / z - mean * mean);
}

double Gauss(double x, double mean, double sd) {
    return std::exp(-0.5 * (x - mean) * (x - mean) / (sd * sd)) / sd;
}

// A node of the kind whose only cell is the text.
int AddCellNode(VRX_network& net, int kind, const char* id, const char* text,
                const std::vector<std::string>& parents) {
    return kind == DefinitionType::kHEquation ? AddEquationNode(net, id, text, parents)
                                              : AddDistributionNode(net, id, {text}, parents);
}

// Message passing alone warns of the beliefs that rest on fitted or looped messages, naming the nodes.
bool WarnedOfApproximateBelief(const std::string& id) {
    for (const std::string& text : LoggedMessages()) {
        if (text.rfind("Warning: the belief", 0) != 0) continue;
        const size_t at = text.find(" " + id);
        if (at != std::string::npos && (text[at + 1 + id.size()] == ',' || text[at + 1 + id.size()] == ' '))
            return true;
    }
    return false;
}

struct NoisyCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    const char* node;
    std::function<void(double&, double&)> exact;
};

// Z0 ~ N(0, 1), Z_i = Z_(i-1) + N(0, 0.6) in equation cells, the end observed at -2.219: Z_k and the end
// are jointly Gaussian, Var Z_k = 1 + 0.36 k.
void NoisyChain(VRX_network& n, int length) {
    ASSERT_GE(AddDistributionNode(n, "Z0", {"Normal(0, 1)"}), 0);
    for (int i = 1; i <= length; ++i) {
        const std::string id = "Z" + std::to_string(i), previous = "Z" + std::to_string(i - 1);
        ASSERT_GE(AddEquationNode(n, id.c_str(), (previous + " + Normal(0, 0.6)").c_str(), {previous}), 0);
    }
    ASSERT_EQ(Observe(n, ("Z" + std::to_string(length)).c_str(), -2.219), kSuccess);
}

void ChainPosterior(int k, int length, double& mean, double& deviation) {
    const double vk = 1.0 + 0.36 * k, vn = 1.0 + 0.36 * length;
    mean = vk / vn * -2.219;
    deviation = std::sqrt(vk - vk * vk / vn);
}

// One observed child y = 0.7 of x ~ N(0, 1) through the cell.
std::function<void(VRX_network&)> Child(int kind, const char* text) {
    return [kind, text](VRX_network& n) {
        ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
        ASSERT_GE(AddCellNode(n, kind, "y", text, {"x"}), 0);
        ASSERT_EQ(Observe(n, "y", 0.7), kSuccess);
    };
}

using DefinitionType::kDistribution;
using DefinitionType::kHEquation;

const NoisyCase kNoisyCases[] = {
    {"chain of 2, end", [](VRX_network& n) { NoisyChain(n, 2); }, "Z1",
     [](double& m, double& d) { ChainPosterior(1, 2, m, d); }},
    {"chain of 2, root", [](VRX_network& n) { NoisyChain(n, 2); }, "Z0",
     [](double& m, double& d) { ChainPosterior(0, 2, m, d); }},
    {"chain of 4", [](VRX_network& n) { NoisyChain(n, 4); }, "Z2",
     [](double& m, double& d) { ChainPosterior(2, 4, m, d); }},
    // Precision 1 + 4 / 0.25.
    {"slope 2", Child(kHEquation, "2*x + 1 + Normal(0, 0.5)"), "x",
     [](double& m, double& d) {
         m = 2.0 * (0.7 - 1.0) / 0.25 / 17.0;
         d = std::sqrt(1.0 / 17.0);
     }},
    {"sine", Child(kHEquation, "Sin(x) + Normal(0, 0.5)"), "x",
     [](double& m, double& d) {
         PosteriorByQuadrature([](double x) { return Gauss(0.7, std::sin(x), 0.5); }, m, d);
     }},
    {"product", Child(kHEquation, "x * Normal(1, 0.5)"), "x",
     [](double& m, double& d) {
         PosteriorByQuadrature([](double x) { return Gauss(0.7, x, 0.5 * std::fabs(x)); }, m, d);
     }},
    {"product in a distribution", Child(kDistribution, "x * Normal(1, 0.5)"), "x",
     [](double& m, double& d) {
         PosteriorByQuadrature([](double x) { return Gauss(0.7, x, 0.5 * std::fabs(x)); }, m, d);
     }},
    {"noise first", Child(kHEquation, "Normal(0, 0.5) - 3*x + 2"), "x",
     [](double& m, double& d) {
         PosteriorByQuadrature([](double x) { return Gauss(0.7, 2 - 3 * x, 0.5); }, m, d);
     }},
    {"chain of 3 slopes",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "a", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "b", "2*a + Normal(0, 0.5)", {"a"}), 0);
         ASSERT_GE(AddEquationNode(n, "c", "-b + 1 + Normal(0, 0.5)", {"b"}), 0);
         ASSERT_EQ(Observe(n, "c", -1.5), kSuccess);
     },
     "a",
     [](double& m, double& d) {
         // c = -2a + 1 + e with e ~ N(0, 0.25 + 0.25).
         m = -2.0 * (-1.5 - 1.0) / 0.5 / (1 + 4 / 0.5);
         d = std::sqrt(1.0 / (1 + 4 / 0.5));
     }},
    // y = x + w + e = 3 with w ~ N(1, 2): Var y = 5.25.
    {"two parents",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddDistributionNode(n, "w", {"Normal(1, 2)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "x + w + Normal(0, 0.5)", {"x", "w"}), 0);
         ASSERT_EQ(Observe(n, "y", 3.0), kSuccess);
     },
     "x",
     [](double& m, double& d) {
         m = 2.0 / 5.25;
         d = std::sqrt(1.0 - 1.0 / 5.25);
     }},
    // A discrete parent picks the cell: y = x + N(0, 0.5) or 2x + N(1, 0.3), y = 1.5; x's posterior is the
    // mixture of the two Gaussian posteriors, weighed by P(d) N(y; mean, Var y) of each cell.
    {"cells",
     [](VRX_network& n) {
         ASSERT_GE(AddDiscreteNode(n, "d", {"0.3", "0.7"}), 0);
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         const int y = AddHybridNode(n, kHEquation, "y", {"d", "x"});
         ASSERT_EQ(SetCell(n, y, std::make_unique<VRX_equationElement>("x + Normal(0, 0.5)"), {0}), kSuccess);
         ASSERT_EQ(SetCell(n, y, std::make_unique<VRX_equationElement>("2*x + Normal(1, 0.3)"), {1}),
                   kSuccess);
         ASSERT_EQ(Observe(n, "y", 1.5), kSuccess);
     },
     "x",
     [](double& m, double& d) {
         const double p0 = 0.3 * Gauss(1.5, 0.0, std::sqrt(1.25)),
                      p1 = 0.7 * Gauss(1.5, 1.0, std::sqrt(4.09));
         const double w0 = p0 / (p0 + p1), w1 = 1.0 - w0;
         const double m0 = 1.5 / 1.25, v0 = 1.0 - 1.0 / 1.25, m1 = 2.0 * 0.5 / 4.09, v1 = 1.0 - 4.0 / 4.09;
         m = w0 * m0 + w1 * m1;
         d = std::sqrt(w0 * (v0 + m0 * m0) + w1 * (v1 + m1 * m1) - m * m);
     }},
};

class NoisyCells : public ::testing::TestWithParam<int> {};

// Within 0.05 at 20,000 samples (several standard errors of these effective sizes) under 13, 14 and 16;
// message passing alone either as close or warned of, naming the node.
TEST_P(NoisyCells, AnswerAsExactConditioning) {
    const NoisyCase& c = kNoisyCases[GetParam() / 4];
    const int algorithm = HybridAlgorithm::kFirst + GetParam() % 4;
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(algorithm));
    VRX_network net;
    c.build(net);
    ASSERT_EQ(UpdateHybrid(net, algorithm, 20000, 3), kSuccess) << LogDump();
    double mean = 0.0, deviation = 0.0;
    c.exact(mean, deviation);
    const VRX_valcontinuous& v = ContinuousValueOf(net, net.FindNode(c.node));
    EXPECT_EQ(v.GetNetwork(), &net);  // the beliefs come from a working copy
    if (algorithm == HybridAlgorithm::kMessagePassing && WarnedOfApproximateBelief(c.node)) return;
    EXPECT_NEAR(v.GetMean(), mean, 0.05) << LogDump();
    EXPECT_NEAR(v.GetStdDev(), deviation, 0.05) << LogDump();
    EXPECT_FALSE(LoggedPart("effective sample size")) << LogDump();
}

INSTANTIATE_TEST_SUITE_P(HybridCells, NoisyCells,
                         ::testing::Range(0,
                                          4 * static_cast<int>(sizeof kNoisyCases / sizeof kNoisyCases[0])));

// Y = X + N(0, 0.5) observed with 1,000 samples, the exact posterior N(0.8 y, 0.2); 13 and 15 pass
// closed-form messages and log nothing. At -3 the prior's draws seldom come near, so an estimate of 14 or
// 16 is either close or says that it rests on few effective samples. At -7 they never do: the weights rest
// on two or so draws, and a chain started where the evidence fits answers, saying so and naming Y.
TEST(HybridEffectiveSamples, APoorEstimateIsWarnedOf) {
    const struct {
        double y;
        const char* chain;  // null: no chain; else the start of 14's and 16's one entry, then its words
    } cases[] = {{-3.0, nullptr},
                 {-7.0, "Warning: the weights of the sampler's draws rest on an effective sample size of "}};
    for (const auto& c : cases) {
        int warned = 0;
        for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
            const bool exact = algorithm == HybridAlgorithm::kMessagePassingSampling ||
                               algorithm == HybridAlgorithm::kMessagePassing;
            for (unsigned seed = 1; seed <= 4; ++seed) {
                SCOPED_TRACE(std::to_string(c.y) + " " + std::to_string(algorithm) + " seed " +
                             std::to_string(seed));
                VRX_network net;
                ASSERT_GE(AddDistributionNode(net, "X", {"Normal(0, 1)"}), 0);
                ASSERT_GE(AddDistributionNode(net, "Y", {"X + Normal(0, 0.5)"}, {"X"}), 0);
                ASSERT_EQ(Observe(net, "Y", c.y), kSuccess);
                ASSERT_EQ(UpdateHybrid(net, algorithm, 1000, seed), kSuccess) << LogDump();
                const VRX_valcontinuous& x = ContinuousValueOf(net, net.FindNode("X"));
                const std::vector<std::string> log = LoggedMessages();
                if (exact) {
                    EXPECT_TRUE(log.empty()) << LogDump();
                } else if (c.chain != nullptr) {
                    ASSERT_EQ(log.size(), 1u) << LogDump();
                    EXPECT_EQ(log[0].rfind(c.chain, 0), 0u) << LogDump();
                    EXPECT_TRUE(
                        LoggedPart("the beliefs given the evidence on node Y come from a Markov chain "
                                   "of 1000 samples"))
                        << LogDump();
                } else if (LoggedPart("Warning: the estimate of node X rests on ")) {
                    ++warned;
                    continue;
                }
                EXPECT_NEAR(x.GetMean(), 0.8 * c.y, 0.05) << LogDump();
                EXPECT_NEAR(x.GetStdDev(), std::sqrt(0.2), 0.05) << LogDump();
            }
        }
        // Likelihood weighting from the prior: effective sizes of 10 to 30 at -3.
        if (c.chain == nullptr) {
            EXPECT_GT(warned, 0);
        }
    }
}

struct TextCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    const char* refusal;  // null: the update succeeds without a warning
};

const TextCase kTextCases[] = {
    // The other root of y = x^2 lies outside x's support.
    {"one root in the support",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Uniform(0, 2)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "x^2", {"x"}), 0);
         ASSERT_EQ(Observe(n, "y", 1.0), kSuccess);
     },
     nullptr},
    // The other root, -1.5, lies outside an Exponential's support.
    {"one root in an exponential's support",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Exponential(1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "x^2", {"x"}), 0);
         ASSERT_EQ(Observe(n, "y", 2.25), kSuccess);
     },
     nullptr},
    {"no real root",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "x^2", {"x"}), 0);
         ASSERT_EQ(Observe(n, "y", -1.0), kSuccess);
     },
     "The evidence on [y] is impossible: its equation has no solution for [x] within the support of [x]."},
    {"fixed equation without an inverse",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "s", "x*x", {"x"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "s + 1", {"s"}), 0);
         ASSERT_EQ(Observe(n, "y", 3.0), kSuccess);
     },
     "The evidence on [y] cannot be explained through the equation of [s], which it fixes: no parent of [s] "
     "has a single inverse there."},
    {"two equations fixing two parents",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "a", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddDistributionNode(n, "b", {"Normal(0, 1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y1", "a + b", {"a", "b"}), 0);
         ASSERT_GE(AddEquationNode(n, "y2", "a - b", {"a", "b"}), 0);
         ASSERT_EQ(Observe(n, "y1", 1.0), kSuccess);
         ASSERT_EQ(Observe(n, "y2", 0.5), kSuccess);
     },
     "The evidence on [y1] and [y2] cannot be settled one node at a time: it fixes [b] and [a] only "
     "together, "
     "each inverse needing a value another one gives."},
    {"inverse outside a support",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Uniform(0, 1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "x + 5", {"x"}), 0);
         ASSERT_EQ(Observe(n, "y", 0.0), kSuccess);
     },
     "The evidence on [y] is impossible: it puts [x] outside its support."},
    {"evidence outside its own support",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Uniform(0, 1)"}), 0);
         ASSERT_GE(AddDistributionNode(n, "y", {"x + Uniform(0, 1)"}, {"x"}), 0);
         ASSERT_EQ(Observe(n, "y", 3.0), kSuccess);
     },
     "The evidence on [y] is impossible: it lies outside the support of [y] under every draw."},
    {"outside the support of a noise term",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Uniform(0, 1)"}), 0);
         ASSERT_GE(AddEquationNode(n, "y", "x + Uniform(0, 1)", {"x"}), 0);
         ASSERT_EQ(Observe(n, "y", 3.0), kSuccess);
     },
     "The evidence on [y] is impossible: it puts the distribution in the equation of [y] outside its "
     "support."},
    {"a discrete state of probability 0",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Uniform(0, 1)"}), 0);
         const int c = AddDiscreteNode(n, "c", {"If(x > 2, 1, 0)", "1"}, {"x"});
         ASSERT_GE(c, 0);
         ASSERT_EQ(n.GetNode(c)->GetValue()->SetEvidence(0), kSuccess);
     },
     "The evidence on [c] is impossible: [c] has probability 0 under every draw of its parents."},
    {"a discrete state of probability 0 given observed parents",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "x", {"Uniform(0, 1)"}), 0);
         const int c = AddDiscreteNode(n, "c", {"If(x > 2, 1, 0)", "1"}, {"x"});
         ASSERT_GE(c, 0);
         ASSERT_EQ(Observe(n, "x", 0.5), kSuccess);
         ASSERT_EQ(n.GetNode(c)->GetValue()->SetEvidence(0), kSuccess);
     },
     "The evidence on [c] is impossible: [c] has probability 0 under every draw of its parents."},
};

class RefusedEvidence : public ::testing::TestWithParam<int> {};

TEST_P(RefusedEvidence, NamesTheObservedNodeAndTheCause) {
    const TextCase& c = kTextCases[GetParam() / 4];
    const int algorithm = HybridAlgorithm::kFirst + GetParam() % 4;
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(algorithm));
    VRX_network net;
    c.build(net);
    const int rc = UpdateHybrid(net, algorithm, 2000, 3);
    if (c.refusal == nullptr) {
        EXPECT_EQ(rc, kSuccess);
        EXPECT_EQ(LogDump(), "");
    } else {
        EXPECT_EQ(rc, kNoUsefulSamples);
        // The cause alone: no warning of the run that led to it.
        EXPECT_EQ(LoggedMessages(), std::vector<std::string>{c.refusal});
        EXPECT_TRUE(Logged(kOutOfRange, c.refusal)) << LogDump();
    }
    errorLog.Flush();
}

INSTANTIATE_TEST_SUITE_P(HybridTexts, RefusedEvidence,
                         ::testing::Range(0, 4 * static_cast<int>(sizeof kTextCases / sizeof kTextCases[0])));

// A weight that names its discrete parent would read the undefined marker in every draw.
TEST(HybridNames, ACellNamingADiscreteParentIsRefusedWhenSet) {
    VRX_network net;
    ASSERT_GE(AddDiscreteNode(net, "d", {"0.5", "0.5"}), 0);
    const int c = AddDiscreteNode(net, "c", {"0.5", "0.5"}, {"d"});
    ASSERT_GE(c, 0);
    auto weights = std::make_unique<VRX_discreteElement>(2);
    ASSERT_EQ(weights->SetWeights({"0.2+0.6*d", "0.8-0.6*d"}), kSuccess);
    VRX_intArray cell;
    ASSERT_EQ(cell.Add(0), kSuccess);
    ASSERT_EQ(cell.Add(0), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(HybridOf(net, c).SetElement(cell, std::move(weights)), kOutOfRange);
    EXPECT_TRUE(
        Logged(kOutOfRange,
               "Element of node [c] names [d], a discrete parent: discrete parents select the cell and "
               "are no variables of its expressions."))
        << LogDump();
    errorLog.Flush();
}

// A parent renamed after the cell was set leaves the cell reading the old name: refused at the update.
TEST(HybridNames, ACellReadingANameNoParentHasIsRefusedAtTheUpdate) {
    VRX_network net;
    const int x = AddDistributionNode(net, "x", {"Normal(0, 1)"});
    ASSERT_GE(AddEquationNode(net, "y", "x + 1", {"x"}), 0);
    ASSERT_EQ(net.GetNode(x)->SetId("u"), kSuccess);
    for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
        EXPECT_EQ(UpdateHybrid(net, algorithm, 100, 3), kNoUsefulSamples);
        EXPECT_TRUE(Logged(kOutOfRange, "Element of node [y] names [x], which is not one of its parents."))
            << LogDump();
    }
    errorLog.Flush();
}

// An undefined weight is said to be one, not printed as the marker's number.
TEST(HybridNames, AnUndefinedWeightIsNamedSo) {
    VRX_network net;
    ASSERT_GE(AddDistributionNode(net, "x", {"Uniform(-1, 1)"}), 0);
    ASSERT_GE(AddDiscreteNode(net, "c", {"Ln(x)", "0.5"}, {"x"}), 0);
    ASSERT_EQ(UpdateHybrid(net, HybridAlgorithm::kWeightedSampling, 200, 3), kSuccess) << LogDump();
    EXPECT_TRUE(LoggedPart("an undefined weight at x = ")) << LogDump();
    EXPECT_FALSE(LoggedPart("e-308")) << LogDump();
    errorLog.Flush();
}

}  // namespace
