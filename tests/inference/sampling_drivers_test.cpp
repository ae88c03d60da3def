// Sampling drivers (algorithms 1 and 3 to 9 through the belief-update dispatch): answers against
// enumeration of the joint, reproducible runs, and the failures with their status and message.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/sampling_draws.h"
#include "inference/sampling_drivers.h"
#include "tests/support/brute_force.h"
#include "tests/support/random_networks.h"
#include "tests/support/whole_part.h"

namespace {

using namespace vovido::test;

constexpr int kSamplers[] = {1, 3, 4, 5, 6, 7, 8};
constexpr int kAllAlgorithms[] = {1, 3, 4, 5, 6, 7, 8, 9};

int Update(VRX_network& net, int algorithm, int samples, uint32_t seed = 4711) {
    net.SetBayesianAlgorithm(algorithm);
    net.numSamples = samples;
    vovido::SetSamplingSeed(seed);
    net.InvalidateValues();
    errorLog.Flush();
    return net.UpdateBeliefs();
}

std::string Where(int algorithm, const std::string& more = "") {
    return "algorithm " + std::to_string(algorithm) + more;
}

// The one entry of the error log.
void ExpectLogged(int code, const std::string& message, const std::string& where) {
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1) << where;
    EXPECT_EQ(errorLog.GetCode(0), code) << where;
    EXPECT_EQ(std::string(errorLog.GetMessage(0)), message) << where;
}

// Three observed children of a three-outcome root, each allowing two of its outcomes and together none:
// no single finding fixes the root, so only sampling (or loopy propagation) sees the contradiction.
struct PairwiseContradiction {
    explicit PairwiseContradiction(TestNetwork& t) {
        a = t.Add("A", 3);
        const int c = t.Add("C"), d = t.Add("D"), e = t.Add("E");
        t.Arcs({{a, c}, {a, d}, {a, e}});
        t.Table(a, {0.3, 0.3, 0.4});
        t.Table(c, {0.5, 0.5, 0.5, 0.5, 1, 0});
        t.Table(d, {1, 0, 0.5, 0.5, 0.5, 0.5});
        t.Table(e, {0.5, 0.5, 1, 0, 0.5, 0.5});
        for (int h : {c, d, e}) t.Observe(h, 1);
    }
    int a = -1;
    // The failure names the part's nodes and the evidence no sample matched.
    static constexpr char kNoSamples[] =
        "No useful samples have been generated for some of nodes. The part of 4 nodes [A], [C], [D], [E] has "
        "no "
        "sample that matches the evidence on [C], [D], [E]";
};

TEST(SamplingDrivers, AsiaPosteriorsAgreeWithEnumeration) {
    Asia asia;
    asia.t.Observe(asia.dysp, 0);
    asia.t.Observe(asia.smoke, 1);
    const Reference ref = Enumerate(asia.t.net);
    for (int algorithm : kSamplers) {
        ASSERT_EQ(Update(asia.t.net, algorithm, 20000), kSuccess) << Where(algorithm);
        ExpectBeliefs(asia.t.net, ref, 0.02, Where(algorithm));
    }
}

// Random networks with hard and virtual evidence and targets; evidence of small probability is left to
// the reference-network measurements.
TEST(SamplingDrivers, RandomNetworksAgreeWithEnumeration) {
    RandomShape shape;
    shape.targetShare = 0.3;
    int checked = 0;
    for (unsigned seed = 1; seed <= 16; seed++) {
        std::mt19937 rng(seed);
        TestNetwork t;
        Build(t.net, rng, shape);
        const Reference ref = Enumerate(t.net);
        if (ref.probEvidence < 0.05) continue;
        checked++;
        for (int algorithm : kSamplers) {
            ASSERT_EQ(Update(t.net, algorithm, 20000), kSuccess)
                << Where(algorithm, " seed " + std::to_string(seed));
            ExpectBeliefs(t.net, ref, 0.03, Where(algorithm, " seed " + std::to_string(seed)));
        }
    }
    EXPECT_GE(checked, 8);
}

// The per-parent records of an observed noisy-MAX node have no network node: they weigh the samples
// and get no beliefs.
TEST(SamplingDrivers, NoisyMaxFactorRecordsWeighSamplesWithoutNode) {
    TestNetwork t;
    const int p1 = t.Add("p1"), p2 = t.Add("p2", 3), w = t.Add("w");
    const int y = t.Add("y", 3, DefinitionType::kNoisyMax);
    t.Arcs({{p1, y}, {p2, y}, {p2, w}});
    t.Table(p1, {0.8, 0.2});
    t.Table(p2, {0.5, 0.3, 0.2});
    t.Table(w, {0.9, 0.1, 0.6, 0.4, 0.2, 0.8});
    t.Table(y, {0.5, 0.2, 0.3, 0, 0, 1, 0.3, 0.3, 0.4, 0.1, 0.2, 0.7, 0, 0, 1, 0.05, 0.1, 0.85});
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_NOISYMAXRELEVANCE", "1"), kSuccess);
    t.Observe(y, 2);
    t.Observe(w, 1);
    const Reference ref = Enumerate(t.net);
    for (int algorithm : kAllAlgorithms) {
        ASSERT_EQ(Update(t.net, algorithm, 20000), kSuccess) << Where(algorithm);
        // Loopy propagation is exact here: the split leaves a tree.
        ExpectBeliefs(t.net, ref, algorithm == 9 ? 1e-9 : 0.02, Where(algorithm));
    }
}

// A long band of six-outcome nodes, each a child of the three before it (the farthest first), observed
// near its end: the walk of backward sampling up through first parents sums a table slice over two free
// parents at every step, weights far beyond the range of a double. The beliefs must stay distributions;
// over so long a walk a few samples outweigh all others, so only likelihood weighting, whose weights span
// three factors here, is held to the exact answer.
TEST(SamplingDrivers, WeightsOfLongNetworksStayInRange) {
    constexpr int kNodes = 3000;
    constexpr int kOutcomes = 6;
    TestNetwork t;
    std::mt19937 rng(11);
    std::vector<int> h(kNodes);
    for (int i = 0; i < kNodes; i++) {
        h[i] = t.Add(("n" + std::to_string(i)).c_str(), kOutcomes);
        int columns = 1;
        for (int back : {3, 1, 2}) {
            if (back > i) continue;
            ASSERT_EQ(t.net.AddArc(h[i - back], h[i]), 0);
            columns *= kOutcomes;
        }
        std::vector<double> values(static_cast<size_t>(kOutcomes * columns));
        for (size_t c = 0; c < values.size(); c += kOutcomes) {
            RandomColumn(&values[c], kOutcomes, rng, [](int, int) { return false; });
        }
        t.Table(h[i], values);
    }
    for (int i : {kNodes / 2, kNodes - 3, kNodes - 1}) t.Observe(h[i], 2);
    ASSERT_EQ(Update(t.net, BayesianAlgorithm::kClusteringWithDecomposition, 0), kSuccess);
    const std::vector<int> probes = {h[kNodes - 2], h[kNodes - 4], h[kNodes / 2 + 1]};
    std::vector<std::vector<double>> exact;
    for (int p : probes) exact.push_back(t.Beliefs(p));
    for (int algorithm : {BayesianAlgorithm::kLikelihoodWeighting, BayesianAlgorithm::kBackwardSampling}) {
        ASSERT_EQ(Update(t.net, algorithm, 3000), kSuccess) << Where(algorithm);
        for (int i = 0; i < kNodes; i++) {
            const std::vector<double> beliefs = t.Beliefs(h[i]);
            double sum = 0.0;
            for (double b : beliefs) {
                ASSERT_TRUE(std::isfinite(b)) << Where(algorithm, " node " + std::to_string(i));
                sum += b;
            }
            ASSERT_NEAR(sum, 1.0, 1e-9) << Where(algorithm, " node " + std::to_string(i));
        }
        if (algorithm == BayesianAlgorithm::kBackwardSampling) continue;
        for (size_t k = 0; k < probes.size(); k++)
            ExpectNear(t.Beliefs(probes[k]), exact[k], 0.05, Where(algorithm));
    }
}

// A hundred nodes of 3 to 5 outcomes, each with 2 to 4 parents among the six before it, ten of them
// observed: the samplers that learn their importance tables must stay near the exact beliefs, as likelihood
// weighting does, however many of the nodes they learn.
TEST(SamplingDrivers, LearnedImportanceOverManyNodesAgreesWithExact) {
    constexpr int kNodes = 100;
    TestNetwork t;
    std::mt19937 rng(1);
    std::vector<int> h(kNodes);
    for (int i = 0; i < kNodes; i++) {
        const int outcomes = std::uniform_int_distribution<int>(3, 5)(rng);
        h[i] = t.Add(("n" + std::to_string(i)).c_str(), outcomes);
        const int parents = std::uniform_int_distribution<int>(2, 4)(rng);
        for (int j = 0; j < parents && i > 0; j++) {
            const int p = std::uniform_int_distribution<int>(std::max(0, i - 6), i - 1)(rng);
            static_cast<void>(t.net.AddArc(h[p], h[i]));  // a repeated arc is refused
        }
        VRX_Dmatrix* table = nullptr;
        ASSERT_EQ(t.net.GetNode(h[i])->GetDefinition()->GetDefinition(table), kSuccess);
        std::vector<double> values(static_cast<size_t>(table->GetNumberOfElements()));
        for (size_t c = 0; c < values.size(); c += outcomes) {
            RandomColumn(&values[c], outcomes, rng, [](int, int) { return false; });
        }
        t.Table(h[i], values);
    }
    for (int k = 0; k < 10; k++) t.Observe(h[kNodes - 1 - 9 * k], 0);
    ASSERT_EQ(Update(t.net, BayesianAlgorithm::kClusteringWithDecomposition, 0), kSuccess);
    std::vector<std::vector<double>> exact;
    for (int i = 0; i < kNodes; i++) exact.push_back(t.Beliefs(h[i]));
    for (int algorithm :
         {BayesianAlgorithm::kSelfImportanceSampling, BayesianAlgorithm::kAdaptiveImportanceSampling}) {
        ASSERT_EQ(Update(t.net, algorithm, 10000), kSuccess) << Where(algorithm);
        for (int i = 0; i < kNodes; i++)
            ExpectNear(t.Beliefs(h[i]), exact[i], 0.08, Where(algorithm, " node " + std::to_string(i)));
    }
}

TEST(SamplingDrivers, FixedSeedRepeatsExactly) {
    Asia asia;
    asia.t.Observe(asia.xray, 0);
    for (int algorithm : kSamplers) {
        ASSERT_EQ(Update(asia.t.net, algorithm, 500, 99), kSuccess);
        const std::vector<double> first = asia.t.Beliefs(asia.lung);
        ASSERT_EQ(Update(asia.t.net, algorithm, 500, 99), kSuccess);
        EXPECT_EQ(asia.t.Beliefs(asia.lung), first) << Where(algorithm);
    }
}

TEST(SamplingDrivers, EmptyNetworkSucceedsWithoutMessage) {
    VRX_network net;
    for (int algorithm : kAllAlgorithms) {
        EXPECT_EQ(Update(net, algorithm, 1000), kSuccess) << Where(algorithm);
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << Where(algorithm);
    }
}

// Independent roots: every part is one record. The self-contained samplers answer them from their
// tables without drawing; the sampling network samples them too.
TEST(SamplingDrivers, SingleNodePartsTakeTheirTables) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B", 3);
    t.Table(a, {0.25, 0.75});
    t.Table(b, {0.5, 0.3, 0.2});
    for (int algorithm : kAllAlgorithms) {
        ASSERT_EQ(Update(t.net, algorithm, 20000), kSuccess) << Where(algorithm);
        const double tolerance = algorithm == 7 || algorithm == 8 ? 0.02 : 1e-15;
        ExpectNear(t.Beliefs(a), {0.25, 0.75}, tolerance, Where(algorithm));
        ExpectNear(t.Beliefs(b), {0.5, 0.3, 0.2}, tolerance, Where(algorithm));
        EXPECT_TRUE(t.Value(a)->IsUpToDate() && t.Value(b)->IsUpToDate()) << Where(algorithm);
    }
}

TEST(SamplingDrivers, NoSampleCountFailsEveryPart) {
    Asia asia;
    asia.t.Observe(asia.xray, 0);
    for (int samples : {0, -3}) {
        for (int algorithm : kSamplers) {
            const std::string where = Where(algorithm, " samples " + std::to_string(samples));
            EXPECT_EQ(Update(asia.t.net, algorithm, samples), kNoUsefulSamples) << where;
            ExpectLogged(kNoUsefulSamples,
                         "The number of samples must be at least 1; it is " + std::to_string(samples) + ".",
                         where);
            EXPECT_FALSE(asia.t.Value(asia.lung)->IsUpToDate()) << where;
        }
    }
    // Loopy propagation draws no samples.
    EXPECT_EQ(Update(asia.t.net, 9, 0), kSuccess);
}

// A sample count whose draws would run for hours is refused before the first draw, naming the part, its
// samples and the steps they would take: 80 a sample, each record's outcomes, parents and 4 steps, and 8
// more for each of the 3 drawn right after a parent (5 in the order of logic sampling), and 18 for the
// draws' uncertainty, 16 times the share of each drawn record's draws that miss its column's likeliest
// outcome (smoke 8, bronc 6, dysp 3, lung 1; xray 1 more where logic sampling draws it); logic sampling
// draws bronc (13 steps) and dysp (19) last, behind xray's finding, which its trial samples pass about one
// time in nine (its probability is 0.11): 2 and 3 steps instead of 13 and 19;
// backward sampling draws backwards from the row of xray's outcome and from a row of each record on the
// walk up from it, either and its first parent, each row read twice, 20 steps a draw besides (76 more:
// 20 + 4, 20 + 8 and 20 + 4); adaptive importance sampling learns
// on 25,000 samples of xray and its ancestors (82 steps) and updates their 20 cells ten times (10 steps a
// cell); importance sampling after loopy propagation makes three passes of 84 steps, 4 each.
TEST(SamplingDrivers, SampleCountsPastTheWorkLimitAreRefusedAtOnce) {
    Asia asia;
    asia.t.Observe(asia.xray, 0);
    const std::string part = "ERROR: Sampling the part of 8 nodes ";
    const std::string sizes = " (tables of 36 cells) 2147483647 times would take ";
    // Each sampler's limit, in halves of 2^30 steps: the steps it takes in some 13 s on a typical network.
    const auto limit = [](int64_t halfUnits) {
        return " steps, past the limit of " + std::to_string(halfUnits << 29) + " steps";
    };
    const std::string topological = "[asia], [tub], [smoke], [lung], [bronc], ...";
    const struct {
        int algorithm;
        std::string text;
    } refusals[] = {
        {1, part + "[smoke], [lung], [asia], [tub], [either], ..." + sizes +
                std::to_string(2147483647LL * 88) + limit(34)},
        {3, part + topological + sizes + "210453397406" + limit(28)},
        {4, part + topological + sizes + "210453397406" + limit(16)},
        {6, part + topological + sizes + std::to_string(2147483647LL * 174) + limit(28)},
        {7,
         part + topological + " (tables of 36 cells) 2147508647 times would take 210455449406" + limit(20)},
        {8, part + topological + sizes + "210453398414" + limit(20)},
    };
    for (const auto& r : refusals) {
        EXPECT_EQ(Update(asia.t.net, r.algorithm, 2147483647), kOutOfMemory) << Where(r.algorithm);
        ExpectLogged(kOutOfMemory, r.text, Where(r.algorithm));
        EXPECT_FALSE(asia.t.Value(asia.lung)->IsUpToDate()) << Where(r.algorithm);
    }
}

// Logic sampling counts the records behind an observed one by the share of its trial samples that get
// past it. The root R (14 steps: 2 outcomes, 4, and 8 for its even draw) and its child E, observed at
// 0.001 (15: one parent, and 8 for waiting on R), come first; behind them each link of a chain of 30 from R
// costs at most 1 step instead of 15 (the first) or 23.
TEST(SamplingDrivers, LogicSamplingCountsWhatRejectionLetsThrough) {
    TestNetwork t;
    const int root = t.Add("R"), observed = t.Add("E");
    t.Arc(root, observed);
    t.Table(observed, {0.001, 0.999, 0.0005, 0.9995});
    t.Observe(observed, 0);
    for (int i = 1, previous = root; i <= 30; i++) {
        const int link = t.Add(("C" + std::to_string(i)).c_str());
        t.Arc(previous, link);
        previous = link;
    }
    const std::string part = "ERROR: Sampling the part of 32 nodes ";
    const std::string sizes = " (tables of 126 cells) 2147483647 times would take ";
    const struct {
        int algorithm;
        std::string nodes;
        int64_t steps;
        int64_t limit;
    } refusals[] = {{1, "[R], [E], [C1], [C2], [C3], ...", 14 + 15 + 30, int64_t{17} << 30},
                    {3, "[R], [E], [C1], [C2], [C3], ...", 14 + 15 + 15 + 29 * 23, int64_t{14} << 30}};
    for (const auto& r : refusals) {
        EXPECT_EQ(Update(t.net, r.algorithm, 2147483647), kOutOfMemory) << Where(r.algorithm);
        const std::string limit = " steps, past the limit of " + std::to_string(r.limit) + " steps";
        ExpectLogged(kOutOfMemory, part + r.nodes + sizes + std::to_string(2147483647 * r.steps) + limit,
                     Where(r.algorithm));
    }
}

// E, observed, is possible only where its parents agree (one sample in 500: R is 0 one time in a thousand,
// S 1), which no likeliest column shows and no spreading of the evidence resolves: logic sampling rejects
// the other samples at E, likelihood weighting weighs them 0 there. Their trial samples find so: 400,000
// samples over a chain of 2,000 from R would take 2,000 x 23 steps each if all went on, past the limits,
// but answer at once, and the few kept samples give R its posterior (0.5).
TEST(SamplingDrivers, SamplersRunWhatTheirTrialSamplesFindEndingEarly) {
    TestNetwork t;
    const int root = t.Add("R"), other = t.Add("S"), observed = t.Add("E");
    t.Arcs({{root, observed}, {other, observed}});
    t.Table(root, {0.001, 0.999});
    t.Table(other, {0.999, 0.001});
    t.Table(observed, {1, 0, 0, 1, 0, 1, 1, 0});
    t.Observe(observed, 0);
    for (int i = 1, previous = root; i <= 2000; i++) {
        const int link = t.Add(("C" + std::to_string(i)).c_str());
        t.Arc(previous, link);
        previous = link;
    }
    for (int algorithm : {1, 3}) {
        ASSERT_EQ(Update(t.net, algorithm, 400000), kSuccess) << Where(algorithm);
        ExpectNear(t.Beliefs(root), {0.5, 0.5}, 0.1, Where(algorithm));
    }
}

TEST(SamplingDrivers, EvidenceThatNoSampleSatisfiesFails) {
    TestNetwork t;
    const PairwiseContradiction contradiction(t);
    for (int algorithm : kAllAlgorithms) {
        EXPECT_EQ(Update(t.net, algorithm, 2000), kNoUsefulSamples) << Where(algorithm);
        ExpectLogged(kNoUsefulSamples, PairwiseContradiction::kNoSamples, Where(algorithm));
        EXPECT_FALSE(t.Value(contradiction.a)->IsUpToDate()) << Where(algorithm);
    }
}

// Evidence whose contradiction the relevance step resolves without sampling (each finding ends in a part
// of its own) is still reported, naming the node.
TEST(SamplingDrivers, EvidenceImpossibleThroughDeterministicTablesIsReported) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B");
    t.Arc(a, b);
    t.Table(a, {0.4, 0.6});
    t.Table(b, {1, 0, 0, 1});
    t.Observe(a, 0);
    t.Observe(b, 1);
    for (int algorithm : kAllAlgorithms) {
        EXPECT_EQ(Update(t.net, algorithm, 100), kConflictingEvidence) << Where(algorithm);
        ExpectLogged(kConflictingEvidence, "Evidence is impossible: it has probability zero at node [B].",
                     Where(algorithm));
    }
}

// A part without useful samples fails the run, and the other parts are written all the same.
TEST(SamplingDrivers, FailingPartKeepsTheOtherPartsResults) {
    TestNetwork t;
    const int x = t.Add("X"), y = t.Add("Y");
    t.Arc(x, y);
    t.Table(x, {0.3, 0.7});
    t.Table(y, {0.9, 0.1, 0.2, 0.8});
    t.Observe(y, 0);
    const double px = 0.3 * 0.9 / (0.3 * 0.9 + 0.7 * 0.2);
    const PairwiseContradiction contradiction(t);
    for (int algorithm : {1, 3, 4, 6}) {
        EXPECT_EQ(Update(t.net, algorithm, 20000), kNoUsefulSamples) << Where(algorithm);
        ExpectLogged(kNoUsefulSamples, PairwiseContradiction::kNoSamples, Where(algorithm));
        EXPECT_TRUE(t.Value(x)->IsUpToDate()) << Where(algorithm);
        ExpectNear(t.Beliefs(x), {px, 1 - px}, 0.02, Where(algorithm));
        EXPECT_FALSE(t.Value(contradiction.a)->IsUpToDate()) << Where(algorithm);
    }
}

TEST(SamplingDrivers, NormalizeVector) {
    struct Case {
        std::vector<double> values;
        double sum;
        double returned;
        std::vector<double> after;
    };
    const Case cases[] = {
        {{1, 3}, 0.0, 4.0, {0.25, 0.75}},
        {{1, 3}, 2.0, 2.0, {0.5, 1.5}},
        {{0, 0}, 0.0, 0.0, {0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<double> values = c.values;
        EXPECT_EQ(NormalizeVector(values.data(), static_cast<int>(values.size()), c.sum), c.returned);
        EXPECT_EQ(values, c.after);
    }
}

}  // namespace
