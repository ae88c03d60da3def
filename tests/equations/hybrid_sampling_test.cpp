// Hybrid sampling (HybridAlgorithm::kMessagePassingSampling, kImportanceSampling and kWeightedSampling
// through the belief-update dispatch) against posteriors known in closed form or by quadrature, with fixed
// seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"
#include "equations/sample_memory.h"
#include "model/network_settings.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;
using namespace HybridAlgorithm;

int Update(VRX_network& net, int algorithm, int samples, unsigned seed = 1) {
    net.SetHybridAlgorithm(algorithm);
    net.numSamples = samples;
    vovido::SeedHybridGenerators(seed);
    errorLog.Flush();
    return net.UpdateBeliefs();
}

void ExpectPosterior(const VRX_network& net, const char* id, double mean, double deviation,
                     double tolerance) {
    const VRX_valcontinuous& v = ContinuousValueOf(net, net.FindNode(id));
    EXPECT_NEAR(v.GetMean(), mean, tolerance) << id;
    EXPECT_NEAR(v.GetStdDev(), deviation, tolerance) << id;
}

// Posterior mean and deviation of a density known up to a constant, by the midpoint rule on [a, b].
void Quadrature(const std::function<double(double)>& f, double a, double b, double& mean, double& deviation) {
    const int n = 20000;
    double z = 0.0, m1 = 0.0, m2 = 0.0;
    for (int i = 0; i < n; ++i) {
        const double x = a + (b - a) * (i + 0.5) / n;
        const double p = f(x);
        z += p;
        m1 += p * x;
        m2 += p * x * x;
    }
    mean = m1 / z;
    deviation = std::sqrt(m2 / z - mean * mean);
}

const int kSamplingAlgorithms[] = {kMessagePassingSampling, kImportanceSampling, kWeightedSampling};

struct LinearGaussianCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    double mean, deviation, priorDeviation;
};

class LinearGaussian : public ::testing::TestWithParam<int> {};

const LinearGaussianCase kLinearGaussianCases[] = {
    // x ~ N(0, 1), y ~ N(x, 1) = 1.
    {"child",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0, 1)"});
         AddDistributionNode(n, "y", {"Normal(x, 1)"}, {"x"});
         ASSERT_EQ(Observe(n, "y", 1.0), kSuccess);
     },
     0.5, std::sqrt(0.5), 1.0},
    // Two observed children of one node both count: y1 = x + e1 = 1, y2 = x + e2 = 3.
    {"two children",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0, 1)"});
         AddDistributionNode(n, "e1", {"Normal(0, 1)"});
         AddDistributionNode(n, "e2", {"Normal(0, 1)"});
         AddEquationNode(n, "y1", "x+e1", {"x", "e1"});
         AddEquationNode(n, "y2", "x+e2", {"x", "e2"});
         ASSERT_EQ(Observe(n, "y1", 1.0), kSuccess);
         ASSERT_EQ(Observe(n, "y2", 3.0), kSuccess);
     },
     4.0 / 3.0, 1.0 / std::sqrt(3.0), 1.0},
    // x ~ N(1, 4), y = 2x + e, e ~ N(0, 1), y = 3, through a chain of equations.
    {"scaled",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(1, 2)"});
         AddEquationNode(n, "u", "2*x", {"x"});
         AddDistributionNode(n, "e", {"Normal(0, 1)"});
         AddEquationNode(n, "y", "u+e", {"u", "e"});
         ASSERT_EQ(Observe(n, "y", 3.0), kSuccess);
     },
     6.25 / 4.25, std::sqrt(1.0 / 4.25), 2.0},
};

// Posterior means and deviations within 2% of the prior deviation with 10^5 samples.
TEST_P(LinearGaussian, PosteriorsMatchTheClosedForm) {
    const LinearGaussianCase& c = kLinearGaussianCases[GetParam() / 3];
    const int algorithm = kSamplingAlgorithms[GetParam() % 3];
    VRX_network net;
    c.build(net);
    ASSERT_EQ(Update(net, algorithm, 100000), kSuccess) << c.name << " " << algorithm << LogDump();
    ExpectPosterior(net, "x", c.mean, c.deviation, 0.02 * c.priorDeviation);
}

INSTANTIATE_TEST_SUITE_P(HybridSampling, LinearGaussian, ::testing::Range(0, 9));

TEST(HybridMessagePassing, BeliefsFromTheMessagesApproachTheClosedForm) {
    // x ~ N(0, 1) with children y1 = x + e1 = 1 (through an inversion) and y2 ~ N(x, 1) = 3.
    VRX_network net;
    AddDistributionNode(net, "x", {"Normal(0, 1)"});
    AddDistributionNode(net, "e1", {"Normal(0, 1)"});
    AddEquationNode(net, "y1", "x+e1", {"x", "e1"});
    AddDistributionNode(net, "y2", {"Normal(x, 1)"}, {"x"});
    AddDistributionNode(net, "z", {"Normal(2*x, 1)"}, {"x"});
    ASSERT_EQ(Observe(net, "y1", 1.0), kSuccess);
    ASSERT_EQ(Observe(net, "y2", 3.0), kSuccess);
    ASSERT_EQ(Update(net, kMessagePassing, 80000), kSuccess) << LogDump();
    ExpectPosterior(net, "x", 4.0 / 3.0, 1.0 / std::sqrt(3.0), 0.05);
    // The value also holds the mixture fitted to the belief.
    double mean = 0.0, variance = 0.0;
    ContinuousValueOf(net, net.FindNode("x")).mixture.GetMeanAndVariance(mean, variance);
    EXPECT_NEAR(mean, 4.0 / 3.0, 0.05);
    EXPECT_NEAR(variance, 1.0 / 3.0, 0.05);
    // z = 2x + N(0, 1): mean 8/3, variance 4/3 + 1.
    ExpectPosterior(net, "z", 8.0 / 3.0, std::sqrt(4.0 / 3.0 + 1.0), 0.1);
}

TEST(HybridMessagePassing, RootsSendTheirOwnDistributionExactly) {
    VRX_network net;
    const int d = AddDiscreteNode(net, "d", {"0.3", "0.7"});
    const int x = AddDistributionNode(net, "x", {"Normal(1, 2)"});
    const int y = AddDistributionNode(net, "y", {"Normal(x, 1)", "Normal(x+1, 1)"}, {"d", "x"});
    ASSERT_EQ(Observe(net, "y", 0.5), kSuccess);
    net.numSamples = 1000;
    vovido::SeedHybridGenerators(3);
    HybridSampleNet sampler{HybridNetworkView(net)};
    ASSERT_EQ(sampler.RunMessagePassing(), kSuccess);
    const VRX_hybridSampleNode& child = *sampler.GetSampleNode(y);
    ASSERT_EQ(child.parents[0]->handle, d);  // discrete parents first
    ASSERT_EQ(child.parents[1]->handle, x);
    const auto& discrete = static_cast<const VRX_discreteMessage&>(*child.parentMessages[0]);
    EXPECT_NEAR(discrete.GetProbability(1), 0.7, 1e-12);
    const GaussianMixture& pi =
        static_cast<const VRX_continuousMessage&>(*child.parentMessages[1]).GetMixture();
    ASSERT_EQ(pi.count, 1);
    EXPECT_EQ(pi.components[0].mean, 1.0);
    EXPECT_EQ(pi.components[0].variance, 4.0);
}

TEST(HybridSampling, InversionWeightsCarryTheJacobian) {
    // y = x * c with x ~ U(1, 3), c ~ N(2, 0.5), y = 4: c = y / x, whose Jacobian 1/x varies with x.
    double mean = 0.0, deviation = 0.0;
    Quadrature([](double x) { return NormalDensity(4.0 / x, 2.0, 0.25) / x; }, 1.0, 3.0, mean, deviation);
    for (int algorithm : kSamplingAlgorithms) {
        VRX_network net;
        AddDistributionNode(net, "x", {"Uniform(1, 3)"});
        AddDistributionNode(net, "c", {"Normal(2, 0.5)"});
        AddEquationNode(net, "y", "x*c", {"x", "c"});
        ASSERT_EQ(Observe(net, "y", 4.0), kSuccess);
        ASSERT_EQ(Update(net, algorithm, 20000), kSuccess) << algorithm;
        ExpectPosterior(net, "x", mean, deviation, 0.015);
    }
}

TEST(HybridSampling, DiscreteAndContinuousNodesInformEachOther) {
    // A mixture: d picks the mean of x; observing x = 0 gives P(d = 0) by Bayes' rule.
    const double p0 = 0.3 * NormalDensity(0.0, -1.0, 1.0);
    const double expected = p0 / (p0 + 0.7 * NormalDensity(0.0, 2.0, 1.0));
    for (int algorithm = kFirst; algorithm <= kLast; ++algorithm) {
        VRX_network net;
        const int d = AddDiscreteNode(net, "d", {"0.3", "0.7"});
        ASSERT_GE(AddDistributionNode(net, "x", {"Normal(-1, 1)", "Normal(2, 1)"}, {"d"}), 0);
        ASSERT_EQ(Observe(net, "x", 0.0), kSuccess);
        ASSERT_EQ(Update(net, algorithm, 20000), kSuccess) << algorithm;
        EXPECT_NEAR(BeliefOf(net, d, 0), expected, 0.01) << algorithm;
    }
    // A discrete child of a continuous node: observing "x > 0" makes x half-normal.
    for (int algorithm : kSamplingAlgorithms) {
        VRX_network net;
        AddDistributionNode(net, "x", {"Normal(0, 1)"});
        const int s = AddDiscreteNode(net, "s", {"x>0", "x<=0"}, {"x"});
        ASSERT_EQ(net.GetNode(s)->GetValue()->SetEvidence(0), kSuccess);
        ASSERT_EQ(Update(net, algorithm, 20000), kSuccess) << algorithm;
        ExpectPosterior(net, "x", std::sqrt(2.0 / M_PI), std::sqrt(1.0 - 2.0 / M_PI), 0.02);
    }
}

TEST(HybridSampling, RunsWithTheSameSeedRepeatExactly) {
    for (int algorithm = kFirst; algorithm <= kLast; ++algorithm) {
        double means[2] = {0.0, 0.0};
        for (double& mean : means) {
            VRX_network net;
            AddDistributionNode(net, "x", {"Normal(0, 1)"});
            AddDistributionNode(net, "y", {"Normal(x, 1)"}, {"x"});
            ASSERT_EQ(Observe(net, "y", 2.0), kSuccess);
            ASSERT_EQ(Update(net, algorithm, 2000, 77), kSuccess);
            mean = ContinuousValueOf(net, 0).GetMean();
        }
        EXPECT_EQ(means[0], means[1]) << algorithm;
    }
}

TEST(HybridSampling, EdgeNetworksGiveTheirStatusAndMessage) {
    for (int algorithm = kFirst; algorithm <= kLast; ++algorithm) {
        VRX_network empty;
        EXPECT_EQ(Update(empty, algorithm, 100), kSuccess) << algorithm;
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);

        VRX_network single;
        AddDistributionNode(single, "x", {"Normal(2, 0.5)"});
        EXPECT_EQ(Update(single, algorithm, 0), kOutOfRange) << algorithm;
        EXPECT_TRUE(Logged(kOutOfRange, "The number of samples must be at least 1; it is 0."));
        ASSERT_EQ(Update(single, algorithm, 20000), kSuccess) << algorithm;
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
        ExpectPosterior(single, "x", 2.0, 0.5, 0.02);
    }
}

// Evidence no draw can explain fails in every algorithm with the samplers' message.
TEST(HybridSampling, ImpossibleEvidenceFailsInEveryAlgorithm) {
    const struct {
        const char* what;
        void (*build)(VRX_network&);
    } cases[] = {
        {"outside the support of its distribution",
         [](VRX_network& n) {
             AddDistributionNode(n, "x", {"Uniform(0, 1)"});
             AddDistributionNode(n, "y", {"Uniform(x, x+1)"}, {"x"});
             ASSERT_EQ(Observe(n, "y", 5.0), kSuccess);
         }},
        {"an equation whose only parent is observed at a value it contradicts",
         [](VRX_network& n) {
             AddDistributionNode(n, "x", {"Normal(0, 1)"});
             AddEquationNode(n, "y", "2*x", {"x"});
             ASSERT_EQ(Observe(n, "x", 1.0), kSuccess);
             ASSERT_EQ(Observe(n, "y", 3.0), kSuccess);
         }},
        {"inverted to a value the parent cannot take: b = a + 1 = 7, a in [0, 1]",
         [](VRX_network& n) {
             AddDistributionNode(n, "a", {"Uniform(0, 1)"});
             AddEquationNode(n, "b", "a+1", {"a"});
             AddDistributionNode(n, "c", {"Normal(a, 1)"}, {"a"});
             ASSERT_EQ(Observe(n, "b", 7.0), kSuccess);
         }},
        {"an inverse (x = y^2) that does not give the evidence back",
         [](VRX_network& n) {
             AddDistributionNode(n, "x", {"Normal(2, 1)"});
             AddEquationNode(n, "y", "Sqrt(x)", {"x"});
             ASSERT_EQ(Observe(n, "y", -1.0), kSuccess);
         }},
        {"a sum of two free uniforms beyond their reach",
         [](VRX_network& n) {
             AddDistributionNode(n, "a", {"Uniform(0, 1)"});
             AddDistributionNode(n, "b", {"Uniform(0, 1)"});
             AddEquationNode(n, "c", "a+b", {"a", "b"});
             ASSERT_EQ(Observe(n, "c", 3.0), kSuccess);
         }},
    };
    for (const auto& c : cases) {
        for (int algorithm = kFirst; algorithm <= kLast; ++algorithm) {
            SCOPED_TRACE(std::string(c.what) + ", algorithm " + std::to_string(algorithm));
            errorLog.Flush();
            VRX_network net;
            c.build(net);
            EXPECT_EQ(Update(net, algorithm, 1000), kNoUsefulSamples);
            // One error: the observed node and the cause, the lack of samples no second one.
            std::vector<std::string> errors;
            for (const std::string& text : LoggedMessages()) {
                if (text.rfind("Warning:", 0) != 0) errors.push_back(text);
            }
            ASSERT_EQ(errors.size(), 1u) << LogDump();
            EXPECT_EQ(errors[0].rfind("The evidence on [", 0), 0u) << LogDump();
        }
    }
}

TEST(HybridSampling, FreeSlotsOfTheNodeTableAreSkipped) {
    for (int algorithm = kFirst; algorithm <= kLast; ++algorithm) {
        VRX_network net;
        AddDistributionNode(net, "gone", {"Normal(0, 1)"});
        AddDistributionNode(net, "x", {"Normal(0, 1)"});
        AddDistributionNode(net, "y", {"Normal(x, 1)"}, {"x"});
        ASSERT_EQ(net.DeleteNode(net.FindNode("gone")), kSuccess);
        ASSERT_EQ(Observe(net, "y", 1.0), kSuccess);
        ASSERT_EQ(Update(net, algorithm, 20000), kSuccess) << algorithm;
        ExpectPosterior(net, "x", 0.5, std::sqrt(0.5), 0.05);
    }
}

TEST(HybridSampling, NodesOfOtherKindsAreRefusedWithAMessage) {
    VRX_network net;
    AddDistributionNode(net, "x", {"Normal(0, 1)"});
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "c"), 0);
    EXPECT_EQ(Update(net, kImportanceSampling, 100), kNoUsefulSamples);
    EXPECT_EQ(LoggedMessages(),
              std::vector<std::string>{
                  "ERROR: Node [x] is a hybrid distribution node, which makes this a hybrid network, "
                  "and a hybrid network is updated only when all its nodes are of the hybrid "
                  "kinds (2064, 4098 and 4100): [c] is a chance node"});
}

}  // namespace

struct ChainCase {
    int length, algorithm, samples;
    double observed;
    bool atStart;  // evidence on x0 instead of the last node
};

// Evidence at one end of a Gaussian chain reaches every node, however far: means within 2% of each
// node's prior deviation. Message passing (kMessagePassingSampling, kMessagePassing) takes the far end at a
// value in the tail; the samplers that draw from the prior (kImportanceSampling, kWeightedSampling) weigh
// every sample by the evidence, whose spread on a long chain would need far more samples in the tail, so they
// take a value near the middle, and the start of the long chain.
class GaussianChain : public ::testing::TestWithParam<ChainCase> {};

TEST_P(GaussianChain, EvidenceAtOneEndReachesTheOther) {
    const ChainCase& c = GetParam();
    VRX_network net;
    ASSERT_EQ(AddGaussianChain(net, c.length), kSuccess);
    const int observed = c.atStart ? 0 : c.length - 1;
    ASSERT_EQ(Observe(net, ("x" + std::to_string(observed)).c_str(), c.observed), kSuccess);
    ASSERT_EQ(Update(net, c.algorithm, c.samples), kSuccess) << c.algorithm << LogDump();
    for (int k = 0; k < c.length; ++k) {
        if (k == observed) continue;
        const double mean = c.atStart ? c.observed : (k + 1) * c.observed / c.length;
        EXPECT_NEAR(ContinuousValueOf(net, k).GetMean(), mean, 0.02 * std::sqrt(k + 1.0))
            << "x" << k << " of " << c.length << ", algorithm " << c.algorithm;
    }
}

INSTANTIATE_TEST_SUITE_P(HybridSampling, GaussianChain,
                         ::testing::Values(ChainCase{8, kMessagePassingSampling, 30000, 8.0, false},
                                           ChainCase{20, kMessagePassingSampling, 30000, 10.0, false},
                                           ChainCase{8, kMessagePassing, 1000, 8.0, false},
                                           ChainCase{20, kMessagePassing, 1000, 10.0, false},
                                           ChainCase{8, kImportanceSampling, 60000, 2.0, false},
                                           ChainCase{20, kImportanceSampling, 20000, 3.0, true},
                                           ChainCase{8, kWeightedSampling, 60000, 2.0, false},
                                           ChainCase{20, kWeightedSampling, 20000, 3.0, true}));

// y = x^3 + e with x ~ N(0, 1), e ~ N(0, 0.5) and y = 2, against quadrature; x is the last parent, so
// the additive e must be the one inverted. Without noise, y = -8 fixes x at the real cube root.
TEST(HybridSampling, OddPowersAreInvertedThroughTheirRealRoot) {
    double mean = 0.0, deviation = 0.0;
    Quadrature([](double x) { return std::exp(-0.5 * x * x - 2.0 * std::pow(2.0 - x * x * x, 2)); }, -4.0,
               4.0, mean, deviation);
    for (int algorithm = kFirst; algorithm <= kLast; ++algorithm) {
        VRX_network net;
        AddDistributionNode(net, "x", {"Normal(0, 1)"});
        AddDistributionNode(net, "e", {"Normal(0, 0.5)"});
        AddEquationNode(net, "y", "x^3+e", {"e", "x"});
        ASSERT_EQ(Observe(net, "y", 2.0), kSuccess);
        ASSERT_EQ(Update(net, algorithm, 20000), kSuccess) << algorithm << LogDump();
        ExpectPosterior(net, "x", mean, deviation, 0.05 * deviation);
    }
    VRX_network net;
    AddDistributionNode(net, "x", {"Normal(0, 1)"});
    AddEquationNode(net, "y", "x^3", {"x"});
    ASSERT_EQ(Observe(net, "y", -8.0), kSuccess);
    ASSERT_EQ(Update(net, kImportanceSampling, 100), kSuccess) << LogDump();
    // Fixed before any sampling: propagated evidence.
    VRX_valcontinuous& x = ContinuousValueOf(net, 0);
    double fixed = 0.0;
    EXPECT_TRUE(x.HasFlag(ValueFlags::kPropagatedEvidence));
    ASSERT_EQ(x.GetContEvidence(fixed), kSuccess);
    EXPECT_NEAR(fixed, -2.0, 1e-12);
    // The next run starts from the evidence alone.
    ASSERT_EQ(Observe(net, "y", 27.0), kSuccess);
    ASSERT_EQ(Update(net, kImportanceSampling, 100), kSuccess) << LogDump();
    ASSERT_EQ(x.GetContEvidence(fixed), kSuccess);
    EXPECT_NEAR(fixed, 3.0, 1e-12);
}

// Evidence that one draw in two hundred can explain: the run ends at its attempt cap, four attempts a
// sample asked for, with a warning that gives the count reached, and keeps what it drew.
TEST(HybridSampling, ARunStoppedByItsAttemptCapWarns) {
    for (int algorithm : {kImportanceSampling, kWeightedSampling}) {
        VRX_network net;
        AddDistributionNode(net, "x", {"Uniform(0, 1)"});
        AddDistributionNode(net, "y", {"Uniform(x, x+0.005)"}, {"x"});
        ASSERT_EQ(Observe(net, "y", 0.5), kSuccess);
        ASSERT_EQ(Update(net, algorithm, 1000), kSuccess) << LogDump();
        // The few samples it kept make a poor estimate, which it says too.
        ASSERT_EQ(errorLog.GetNumberOfEntries(), 2);
        EXPECT_TRUE(LoggedPart("Warning: the estimate of node x rests on an effective sample size of "));
        const std::string prefix = "Warning: sampling stopped after 5000 attempts with ";
        const std::string text = errorLog.GetMessage(0);
        ASSERT_EQ(text.substr(0, prefix.size()), prefix);
        const int reached = std::atoi(text.c_str() + prefix.size());
        EXPECT_GT(reached, 0);
        EXPECT_LT(reached, 100);  // about 5000 / 200
        EXPECT_EQ(text.substr(text.size() - 17), " of 1000 samples.");
        ExpectPosterior(net, "x", 0.4975, 0.005 / std::sqrt(12.0), 1e-3);
    }
    errorLog.Flush();
}

// The attempts a run may make: four a sample and a thousand besides, however heavy its draws (their
// work for the samples is checked before the run).
TEST(HybridSampling, AttemptsAreFourASampleAndAThousand) {
    const struct {
        int64_t terms, samples, attempts;
    } cases[] = {{0, 1000, 5000}, {10, 1000, 5000}, {4183, 20000, 81000}, {1000000, 1000, 5000}};
    for (const auto& c : cases) EXPECT_EQ(SampleAttemptLimit(c.terms, c.samples), c.attempts) << c.terms;
}

// Ten million samples of three small nodes fit the memory of a run but not its work: each node's terms
// and 16 for the sample it keeps, algorithm 13 twice that; an equation observed below its parent
// converts to x (Normal, 3 terms), the noise node c (3) and y with its inverses (3 x 3).
TEST(HybridSampling, SampleCountsPastTheWorkLimitAreRefusedByNodeAndSize) {
    const struct {
        const char* what;
        std::function<void(VRX_network&)> build;
        std::string log;
    } cases[] = {
        {"Gaussian chain under algorithm 13",
         [](VRX_network& net) {
             AddGaussianChain(net, 3);
             net.SetHybridAlgorithm(kMessagePassingSampling);
             ASSERT_EQ(Observe(net, "x2", 1.0), kSuccess);
         },
         "Sampling would take 10000000 samples x 114 terms of work a draw (38 of them for node [x0]) = "
         "1140000000 terms, past the limit of 268435456"},
        {"observed equation",
         [](VRX_network& net) {
             ASSERT_GE(AddEquation(net, "x", "x = Normal(0, 1)"), 0);
             ASSERT_GE(AddEquation(net, "y", "y = x + Normal(0, 1)"), 0);
             ASSERT_EQ(net.GetNode(net.FindNode("y"))->GetValue()->SetContEvidence(1.0), kSuccess);
         },
         "Sampling would take 10000000 samples x 63 terms of work a draw (25 of them for node [y]) = "
         "630000000 terms, past the limit of 268435456"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VRX_network net;
        c.build(net);
        net.numSamples = 10000000;
        errorLog.Flush();
        EXPECT_EQ(net.UpdateBeliefs(), kOutOfMemory);
        EXPECT_EQ(LoggedMessages().at(0), c.log);
    }
    errorLog.Flush();
}

// Networks where a plausible answer used to be wrong, each against a reference by conditioning or
// quadrature at 40,000 samples: an algorithm either comes within 0.1 prior deviation or logs the warning
// that starts with `warns` (then its answer is not checked).
struct ReferenceCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    const char* node;
    std::function<void(double&, double&)> reference;
    double priorDeviation;
    const char* warns[4];  // by algorithm, kFirst to kLast; null: must be right
};

const double kTailMean = std::sqrt(2.0) * std::exp(-0.25) / std::sqrt(2.0 * M_PI) / (0.5 * std::erfc(0.5));
const double kTailVariance = 2.0 + kTailMean - kTailMean * kTailMean;

void Diamond(VRX_network& n) {
    AddDistributionNode(n, "r", {"Normal(0, 1)"});
    AddDistributionNode(n, "a", {"Normal(r, 1)"}, {"r"});
    AddDistributionNode(n, "b", {"Normal(r, 1)"}, {"r"});
    AddDistributionNode(n, "c", {"Normal(a + b, 1)"}, {"a", "b"});
    ASSERT_EQ(Observe(n, "c", 3.0), kSuccess);
}

void Threshold(VRX_network& n) {
    AddDistributionNode(n, "x", {"Normal(0, 1)"});
    AddDistributionNode(n, "y", {"Normal(x, 1)"}, {"x"});
    const int s = AddDiscreteNode(n, "s", {"y>1", "y<=1"}, {"y"});
    ASSERT_EQ(n.GetNode(s)->GetValue()->SetEvidence(0), kSuccess);
}

// The samples drawn: a run stopped at its attempt limit has fewer than asked for.
const char kRuledOut[] = "Warning: the messages to node y put ";
const char kOneRoot[] =
    "Warning: the equation of node y has more than one solution for node x; the evidence is explained "
    "through one of them only.";

const ReferenceCase kReferenceCases[] = {
    // A mean with a kink that a few probe points miss: not a linear family.
    {"kink",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0, 1)"});
         AddDistributionNode(n, "y", {"Normal(x + If(x > 2, 4, 0), 0.5)"}, {"x"});
         ASSERT_EQ(Observe(n, "y", 6.0), kSuccess);
     },
     "x",
     [](double& m, double& d) {
         Quadrature(
             [](double x) { return std::exp(-0.5 * x * x - 2.0 * std::pow(6.0 - x - (x > 2 ? 4 : 0), 2)); },
             -6.0, 6.0, m, d);
     },
     1.0,
     {}},
    // A loop: the messages go round until they settle, and their fixed point has the exact means (the
    // deviations of loopy propagation are not exact: kMessagePassing is checked on its means below).
    {"diamond r",
     Diamond,
     "r",
     [](double& m, double& d) { m = 6.0 / 7.0, d = std::sqrt(3.0 / 7.0); },
     1.0,
     {}},
    {"diamond a",
     Diamond,
     "a",
     [](double& m, double& d) { m = 9.0 / 7.0, d = std::sqrt(5.0 / 7.0); },
     std::sqrt(2.0),
     {}},
    // Evidence six prior deviations out: forward draws collapse onto one sample, and say so.
    {"far evidence",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0, 1)"});
         AddDistributionNode(n, "y", {"Normal(x + 0.2*Sin(x), 0.1)"}, {"x"});
         ASSERT_EQ(Observe(n, "y", 6.0), kSuccess);
     },
     "x",
     [](double& m, double& d) {
         Quadrature(
             [](double x) {
                 return std::exp(-0.5 * x * x - 50.0 * std::pow(6.0 - x - 0.2 * std::sin(x), 2));
             },
             2.0, 8.0, m, d);
     },
     1.0,
     {}},
    // A threshold child: y given y > 1 is a truncated N(0, 2); x its half. kMessagePassing corrects y and
    // warns that the messages beyond it leave mass where y <= 1.
    {"threshold y",
     Threshold,
     "y",
     [](double& m, double& d) { m = kTailMean, d = std::sqrt(kTailVariance); },
     std::sqrt(2.0),
     {}},
    {"threshold x",
     Threshold,
     "x",
     [](double& m, double& d) { m = kTailMean / 2.0, d = std::sqrt(0.5 + kTailVariance / 4.0); },
     1.0,
     {nullptr, nullptr, kRuledOut, nullptr}},
    // An observed product of two free parents: its likelihood for x falls off like 1/|x|, tails that a
    // fitted lambda message loses; the evidence itself weighs the beliefs.
    {"product",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(1, 1)"});
         AddDistributionNode(n, "b", {"Normal(1, 1)"});
         AddDistributionNode(n, "y", {"Normal(x*b, 0.5)"}, {"x", "b"});
         ASSERT_EQ(Observe(n, "y", 3.0), kSuccess);
     },
     "x",
     [](double& m, double& d) {
         // The likelihood of x, with b integrated out in closed form: y ~ N(x, 0.25 + x^2).
         Quadrature([](double x) { return NormalDensity(x, 1.0, 1.0) * NormalDensity(3.0, x, 0.25 + x * x); },
                    -6.0, 8.0, m, d);
     },
     1.0,
     {}},
    // Evidence below a sine: the likelihood of x repeats with x, which no fitted lambda message follows;
    // the child's own lambda, through draws of its value, weighs the beliefs.
    {"sine chain",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0, 1)"});
         AddDistributionNode(n, "u", {"Normal(Sin(x), 0.3)"}, {"x"});
         AddDistributionNode(n, "v", {"Normal(u, 0.3)"}, {"u"});
         ASSERT_EQ(Observe(n, "v", 0.8), kSuccess);
     },
     "x",
     [](double& m, double& d) {
         // u integrated out: v ~ N(Sin(x), 0.18).
         Quadrature(
             [](double x) { return NormalDensity(x, 0.0, 1.0) * NormalDensity(0.8, std::sin(x), 0.18); },
             -6.0, 6.0, m, d);
     },
     1.0,
     {}},
    // x^2 = 4 holds at x = 2 and at x = -2 (with odds N(2; 0.5, 1) to N(-2; 0.5, 1)): the inverse gives one.
    {"two roots",
     [](VRX_network& n) {
         AddDistributionNode(n, "x", {"Normal(0.5, 1)"});
         AddEquationNode(n, "y", "x^2", {"x"});
         ASSERT_EQ(Observe(n, "y", 4.0), kSuccess);
     },
     "x",
     [](double& m, double& d) {
         const double p = 1.0 / (1.0 + std::exp(-2.0));
         m = 4.0 * p - 2.0, d = 4.0 * std::sqrt(p * (1.0 - p));
     },
     1.0,
     {kOneRoot, kOneRoot, kOneRoot, kOneRoot}},
};

class ReferenceCases : public ::testing::TestWithParam<int> {};

TEST_P(ReferenceCases, AreRightOrWarn) {
    const ReferenceCase& c = kReferenceCases[GetParam() / 4];
    const int algorithm = kFirst + GetParam() % 4;
    VRX_network net;
    c.build(net);
    ASSERT_EQ(Update(net, algorithm, 40000), kSuccess) << c.name << " " << algorithm << LogDump();
    if (const char* warning = c.warns[algorithm - kFirst]) {
        bool found = false;
        for (const std::string& text : LoggedMessages()) found = found || text.rfind(warning, 0) == 0;
        EXPECT_TRUE(found) << c.name << " " << algorithm << LogDump();
        return;
    }
    double mean = 0.0, deviation = 0.0;
    c.reference(mean, deviation);
    const VRX_valcontinuous& v = ContinuousValueOf(net, net.FindNode(c.node));
    EXPECT_NEAR(v.GetMean(), mean, 0.1 * c.priorDeviation) << c.name << " " << algorithm;
    if (algorithm != kMessagePassing || std::string(c.name).rfind("diamond", 0) != 0) {
        EXPECT_NEAR(v.GetStdDev(), deviation, 0.1 * c.priorDeviation) << c.name << " " << algorithm;
    }
}

INSTANTIATE_TEST_SUITE_P(HybridSampling, ReferenceCases, ::testing::Range(0, 36));
