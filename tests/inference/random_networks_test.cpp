// Exact belief updating and the probability of evidence on hundreds of random small networks, against
// enumeration of the joint: mixed outcome counts, sparse and deterministic tables, hard and virtual
// evidence, with and without targets, for every exact algorithm.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tests/support/brute_force.h"
#include "tests/support/random_networks.h"
#include "tests/support/whole_part.h"

namespace {

using namespace vovido::test;

constexpr double kTolerance = 1e-12;

struct Counts {
    int solved = 0;
    int impossible = 0;
};

// Evidence (flags 1 and 4 with the outcome) of every node, to compare before and after.
std::vector<int> EvidenceOf(const VRX_network& net) {
    std::vector<int> out;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_nodeValue* value = net.GetNode(h)->GetValue();
        out.push_back(static_cast<int>(value->GetValueFlags() &
                                       (ValueFlags::kEvidence | ValueFlags::kVirtualEvidence)));
        out.push_back(value->HasEvidence() ? value->GetEvidence() : -1);
    }
    return out;
}

void ExpectProbEvidence(VRX_network& net, const Reference& ref, bool chainRule, const std::string& where) {
    const std::vector<int> targets = Targets(net);
    const std::vector<int> evidence = EvidenceOf(net);
    const int nodes = net.GetNumberOfNodes();
    double p = -5.0;
    ASSERT_TRUE(net.CalcPropEvidence(&p, chainRule)) << where;
    EXPECT_NEAR(p, ref.probEvidence, kTolerance * (1.0 + ref.probEvidence)) << where;
    if (ref.probEvidence == 0.0) {
        EXPECT_EQ(p, 0.0) << where;
    }
    EXPECT_EQ(Targets(net), targets) << where;
    EXPECT_EQ(EvidenceOf(net), evidence) << where;
    EXPECT_EQ(net.GetNumberOfNodes(), nodes) << where;
}

// One random network per seed: beliefs by the given algorithm, then P(e) by both methods, then the
// beliefs again (the probability of evidence must leave them as it found them).
void CheckNetwork(unsigned seed, const RandomShape& shape, int algorithm, int propagationFlags,
                  Counts& counts) {
    std::mt19937 rng(seed);
    VRX_network net;
    net.propagationFlags = propagationFlags;
    Build(net, rng, shape);
    if (::testing::Test::HasFatalFailure()) return;
    net.SetBayesianAlgorithm(algorithm);
    const std::string where = "seed " + std::to_string(seed) + " algorithm " + std::to_string(algorithm);
    const Reference ref = Enumerate(net);

    errorLog.Flush();
    const int rc = net.UpdateBeliefs();
    if (ref.probEvidence > 0.0) {
        counts.solved++;
        ASSERT_EQ(rc, kSuccess) << where;
        ExpectBeliefs(net, ref, kTolerance, where);
    } else {
        counts.impossible++;
        // With every node wanted no part can hide the conflict; with targets it may lie outside them.
        if (net.GetNumberOfTargets() == 0) {
            EXPECT_EQ(rc, kConflictingEvidence) << where;
        }
        if (rc != kSuccess) {
            EXPECT_EQ(rc, kConflictingEvidence) << where;
            EXPECT_GE(errorLog.GetNumberOfEntries(), 1) << where;
            EXPECT_FALSE(AnyUnobservedUpToDate(net)) << where;
        }
    }
    ExpectProbEvidence(net, ref, false, where + " clustering");
    ExpectProbEvidence(net, ref, true, where + " chain rule");
    if (ref.probEvidence > 0.0) {
        ExpectBeliefs(net, ref, kTolerance, where + " after P(e)");
    }
}

Counts CheckMany(unsigned firstSeed, int count, RandomShape shape, int propagationFlags = 0,
                 const std::vector<int>& algorithms = {0, 10, 11, 12}) {
    Counts counts;
    for (int i = 0; i < count; i++) {
        const unsigned seed = firstSeed + static_cast<unsigned>(i);
        shape.targetShare = i % 3 == 2 ? 0.4 : 0.0;
        CheckNetwork(seed, shape, algorithms[i % algorithms.size()], propagationFlags, counts);
        if (::testing::Test::HasFatalFailure()) break;
    }
    return counts;
}

RandomShape Tables(TableKind kind, double evidenceShare = RandomShape().evidenceShare) {
    RandomShape shape;
    shape.tables = kind;
    shape.evidenceShare = evidenceShare;
    return shape;
}

TEST(RandomNetworks, PositiveTablesMatchEnumeration) {
    const Counts counts = CheckMany(1000, 300, Tables(TableKind::kPositive));
    EXPECT_EQ(counts.solved, 300);
}

TEST(RandomNetworks, SparseTablesMatchEnumerationAndReportImpossibleEvidence) {
    const Counts counts = CheckMany(2000, 300, Tables(TableKind::kSparse, 0.4));
    // Both kinds of outcome occur, so both branches were exercised.
    EXPECT_GT(counts.solved, 100);
    EXPECT_GT(counts.impossible, 3);
}

TEST(RandomNetworks, DeterministicTablesMatchEnumeration) {
    const Counts counts = CheckMany(3000, 300, Tables(TableKind::kDeterministic, 0.3));
    EXPECT_GT(counts.solved, 100);
    EXPECT_GT(counts.impossible, 3);
}

// With notices and deterministic propagation on, the network refuses some evidence and fixes other nodes
// by propagated evidence, which the relevance step and the chain rule both take as given.
TEST(RandomNetworks, PropagatedEvidenceMatchesEnumeration) {
    const Counts counts = CheckMany(5000, 300, Tables(TableKind::kDeterministic, 0.3),
                                    PropagationFlags::kNotices | PropagationFlags::kDeterministic);
    EXPECT_GT(counts.solved, 200);
}

TEST(RandomNetworks, LargerNetworksWithFewOutcomesMatchEnumeration) {
    RandomShape shape;
    shape.minNodes = 9;
    shape.maxNodes = 12;
    shape.maxParents = 4;
    shape.maxJoint = 1 << 13;
    shape.virtualShare = 0.1;
    const Counts counts = CheckMany(4000, 40, shape);
    EXPECT_EQ(counts.solved, 40);
}

// Polytree propagation on forests of polytrees: every table kind, and evidence the network propagates.
TEST(RandomNetworks, PolytreeMatchesEnumerationOnSinglyConnectedNetworks) {
    const int flags = PropagationFlags::kNotices | PropagationFlags::kDeterministic;
    const struct {
        TableKind kind;
        int propagationFlags;
        int minSolved;
    } runs[] = {{TableKind::kPositive, 0, 60},
                {TableKind::kSparse, 0, 40},
                {TableKind::kDeterministic, 0, 30},
                {TableKind::kDeterministic, flags, 40}};
    unsigned seed = 6000;
    for (const auto& run : runs) {
        RandomShape shape = Tables(run.kind, 0.3);
        shape.singlyConnected = true;
        shape.maxNodes = 10;
        const Counts counts = CheckMany(seed, 60, shape, run.propagationFlags, {2});
        EXPECT_GE(counts.solved, run.minSolved) << seed;
        // Zeros in the tables make some evidence impossible, which must be refused.
        if (run.kind != TableKind::kPositive) {
            EXPECT_GT(counts.impossible, 0) << seed;
        }
        seed += 1000;
    }
}

}  // namespace
