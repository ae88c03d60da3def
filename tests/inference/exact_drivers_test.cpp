// Exact drivers: clustering per part with the requested mask, relevance decomposition (groups, thresholds,
// halving, fallback), impossible evidence and the probability of evidence.
#include "inference/exact_drivers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/noisy_max.h"
#include "inference/decomposition_order.h"
#include "tests/support/address_space.h"
#include "tests/support/brute_force.h"
#include "tests/support/compare.h"
#include "tests/support/costly_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/sanitizer.h"
#include "tests/support/whole_part.h"

using vovido::DecompositionAttempt;

namespace {

using namespace vovido::test;

constexpr double kTolerance = 1e-12;

struct Step {
    int first;
    int count;
    uint32_t limit;
    int status;
    bool operator==(const Step& o) const {
        return first == o.first && count == o.count && limit == o.limit && status == o.status;
    }
};

std::vector<Step> Steps(const std::vector<DecompositionAttempt>& trace) {
    std::vector<Step> out;
    for (const DecompositionAttempt& a : trace) out.push_back({a.first, a.count, a.limit, a.status});
    return out;
}

std::vector<int> Counts(const std::vector<DecompositionAttempt>& trace) {
    std::vector<int> out;
    for (const DecompositionAttempt& a : trace) out.push_back(a.count);
    return out;
}

// The node's beliefs by plain clustering, then `run` (a relevance decomposition) from invalidated values.
template <class Run>
void ClusterThenDecompose(TestNetwork& t, int node, Run run, std::vector<double>& clustered,
                          std::vector<DecompositionAttempt>& trace) {
    ASSERT_EQ(RunClustering(t.net, nullptr, 0), kSuccess);
    clustered = t.Beliefs(node);
    t.net.InvalidateValues();
    ASSERT_EQ(run(t.net, &trace), kSuccess);
}

// The nodes' beliefs by one join tree over the whole network, the values then left to compute again.
std::vector<std::vector<double>> ClusteringBeliefs(TestNetwork& t, const std::vector<int>& nodes) {
    std::vector<std::vector<double>> beliefs;
    EXPECT_EQ(RunClustering(t.net, nullptr, 0), kSuccess);
    for (int x : nodes) beliefs.push_back(t.Beliefs(x));
    t.net.InvalidateValues();
    return beliefs;
}

// A chain of n binary nodes, each a noisy copy of its parent.
std::vector<int> Chain(TestNetwork& t, int n) {
    std::vector<int> h;
    for (int i = 0; i < n; i++) {
        h.push_back(t.Add(("c" + std::to_string(i)).c_str()));
        if (i == 0) {
            t.Table(h[0], {0.3, 0.7});
        } else {
            t.Arc(h[i - 1], h[i]);
            t.Table(h[i], {0.9, 0.1, 0.2, 0.8});
        }
    }
    return h;
}

// A side x side grid of 4-outcome nodes, each with its left and upper neighbours as parents: its join
// tree needs a cluster of more than 15 nodes, far beyond every size limit.
std::vector<int> Grid(TestNetwork& t, int side) {
    std::vector<int> h(static_cast<size_t>(side * side));
    for (int r = 0; r < side; r++) {
        for (int c = 0; c < side; c++) {
            const int i = r * side + c;
            h[i] = t.Add(("g" + std::to_string(r) + "_" + std::to_string(c)).c_str(), 4);
            if (c > 0) t.Arc(h[i - 1], h[i]);
            if (r > 0) t.Arc(h[i - side], h[i]);
        }
    }
    return h;
}

std::vector<unsigned char> AllRequested(const VRX_network& net) {
    return std::vector<unsigned char>(static_cast<size_t>(net.GetNumberOfSlots()), 1);
}

// ---------------------------------------------------------------------------------------------------
// Clustering

TEST(RunClustering, SolvesEveryPartAndClearsTheRequestedEntriesItWrites) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b", 3), c = t.Add("c"), d = t.Add("d", 4);
    t.Arcs({{a, b}, {b, c}});
    t.Table(a, {0.25, 0.75});
    t.Table(b, {0.1, 0.3, 0.6, 0.5, 0.25, 0.25});
    t.Table(c, {0.9, 0.1, 0.4, 0.6, 0.05, 0.95});
    t.Table(d, {0.1, 0.2, 0.3, 0.4});
    t.Observe(c, 1);
    const Reference ref = Enumerate(t.net);
    std::vector<unsigned char> requested = AllRequested(t.net);

    ASSERT_EQ(RunClustering(t.net, requested.data(), 0), kSuccess);
    for (int h : {a, b, d}) {
        ExpectNear(t.Beliefs(h), ref.beliefs[h], "node " + std::to_string(h));
        EXPECT_TRUE(t.Value(h)->IsUpToDate());
        EXPECT_EQ(requested[h], 0) << h;
    }
    // The observed node holds its evidence; nothing computes it, so its entry stays.
    EXPECT_EQ(requested[c], 1);
    ExpectNear(t.Beliefs(c), {0.0, 1.0});
}

TEST(RunClustering, RequestedNodeThatIsNoTargetIsComputedWhereItsPartHoldsIt) {
    TestNetwork t;
    const std::vector<int> h = Chain(t, 4);
    t.Observe(h[3], 0);
    ASSERT_EQ(t.net.SetTarget(h[0]), kSuccess);
    const Reference ref = Enumerate(t.net);
    std::vector<unsigned char> requested(t.net.GetNumberOfSlots(), 0);
    requested[h[1]] = 1;

    ASSERT_EQ(RunClustering(t.net, requested.data(), 0), kSuccess);
    ExpectNear(t.Beliefs(h[0]), ref.beliefs[h[0]]);
    ExpectNear(t.Beliefs(h[1]), ref.beliefs[h[1]]);
    EXPECT_EQ(requested[h[1]], 0);
    // Neither a target nor requested: not computed.
    EXPECT_FALSE(t.Value(h[2])->IsUpToDate());
}

TEST(ExactDrivers, NetworksWithoutNodesOrArcsAreAnsweredByHand) {
    // Without nodes nothing is written or logged; lone nodes get their own tables as beliefs.
    const std::function<int(VRX_network&)> drivers[] = {
        [](VRX_network& n) { return RunClustering(n, nullptr, 0); },
        [](VRX_network& n) { return RunClusteringWithDecomposition(n); },
        [](VRX_network& n) { return RunRelevanceDecomposition(n); },
        [](VRX_network& n) { return RunRelevanceDecomposition2(n); },
        [](VRX_network& n) { return RunClusteringPerPart(n); },
    };
    for (size_t d = 0; d < std::size(drivers); ++d) {
        for (const char* ids : {"", "ab"}) {
            TestNetwork t;
            for (const char* id = ids; *id != 0; ++id)
                t.Table(t.Add(std::string(1, *id).c_str()), {0.25, 0.75});
            errorLog.Flush();
            EXPECT_EQ(drivers[d](t.net), kSuccess) << d;
            EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << d;
            for (int h = t.net.GetFirstNode(); h >= 0; h = t.net.GetNextNode(h))
                ExpectNear(t.Beliefs(h), {0.25, 0.75});
            EXPECT_EQ(t.net.GetNumberOfNodes(), static_cast<int>(std::strlen(ids))) << d;
        }
    }
}

TEST(RunClusteringPerPart, SolvesEveryPartWithACliqueTree) {
    TestNetwork t;
    const std::vector<int> h = Chain(t, 3);
    const int lone = t.Add("lone");
    t.Observe(h[2], 1);
    t.net.SetBayesianAlgorithm(10);
    errorLog.Flush();
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    const Reference ref = Enumerate(t.net);
    for (int node : {h[0], h[1], lone}) {
        EXPECT_TRUE(t.Value(node)->IsUpToDate());
        ExpectNear(t.Beliefs(node), ref.beliefs[node]);
    }
}

// ---------------------------------------------------------------------------------------------------
// Relevance decomposition

TEST(RelevanceDecomposition, SeventyNodesFormGroupsOf32And32And6FromTheEndOfTheOrder) {
    TestNetwork t;
    const std::vector<int> h = Chain(t, 70);
    const std::vector<std::vector<double>> plain = ClusteringBeliefs(t, h);

    std::vector<DecompositionAttempt> trace;
    ASSERT_EQ(RunRelevanceDecomposition(t.net, &trace), kSuccess);
    EXPECT_EQ(Steps(trace), (std::vector<Step>{{h[69], 32, 0, 0}, {h[37], 32, 0, 0}, {h[5], 6, 0, 0}}));
    for (size_t i = 0; i < h.size(); i++) {
        ExpectNear(t.Beliefs(h[i]), plain[i], "node " + std::to_string(i));
        EXPECT_TRUE(t.Value(h[i])->IsUpToDate()) << i;
    }
    EXPECT_EQ(t.net.GetNumberOfTargets(), 0);
}

// Twelve nodes each a child of all before it, and 400 leaves below three of them each, every 50th
// observed: every group of 32 would propagate the same cluster of 2^12 entries that the last target alone
// needs, so one run answers every node, as algorithm 0 does.
TEST(RelevanceDecomposition, TargetsWhoseGroupsWouldEachBuildTheSameTreeAreAnsweredByOneRun) {
    TestNetwork t;
    std::vector<int> h;
    for (int i = 0; i < 12; ++i) {
        h.push_back(t.Add(("c" + std::to_string(i)).c_str()));
        for (int j = 0; j < i; ++j) t.Arc(h[j], h[i]);
    }
    for (int i = 0; i < 400; ++i) {
        h.push_back(t.Add(("l" + std::to_string(i)).c_str()));
        for (int k = 0; k < 3; ++k) t.Arc(h[(i + k) % 12], h.back());
    }
    std::mt19937 rng(3);
    t.RandomTables(rng, 0.0);
    for (int i = 0; i < 400; i += 50) t.Observe(h[12 + i], 0);
    const std::vector<std::vector<double>> plain = ClusteringBeliefs(t, h);
    std::vector<DecompositionAttempt> trace;
    ASSERT_EQ(RunRelevanceDecomposition(t.net, &trace), kSuccess);
    EXPECT_EQ(Counts(trace), std::vector<int>{404});
    for (size_t i = 0; i < h.size(); i++) ExpectNear(t.Beliefs(h[i]), plain[i], "node " + std::to_string(i));
}

TEST(RelevanceDecomposition, GroupSizeAndLimitsComeFromTheUserProperties) {
    TestNetwork t;
    Chain(t, 40);
    std::vector<DecompositionAttempt> trace;
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD", "15"), kSuccess);
    ASSERT_EQ(RunRelevanceDecomposition(t.net, &trace), kSuccess);
    EXPECT_EQ(Counts(trace), (std::vector<int>{15, 15, 10}));

    // Zero, negative or unreadable group sizes fall back to 32.
    for (const char* value : {"0", "-4", "many"}) {
        trace.clear();
        ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD", value), kSuccess);
        ASSERT_EQ(RunRelevanceDecomposition(t.net, &trace), kSuccess);
        EXPECT_EQ(Counts(trace), (std::vector<int>{32, 8})) << value;
    }

    trace.clear();
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD3", "5000"), kSuccess);
    ASSERT_EQ(RunRelevanceDecomposition(t.net, &trace), kSuccess);
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_EQ(trace[0].limit, 5000u);

    // Algorithm 12 takes its only limit from THRESHOLD2, 65,536 when below 1.
    trace.clear();
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD2", "0"), kSuccess);
    ASSERT_EQ(RunRelevanceDecomposition2(t.net, &trace), kSuccess);
    EXPECT_EQ(Counts(trace), (std::vector<int>{40}));
    EXPECT_EQ(trace[0].limit, 65536u);
    trace.clear();
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD2", "300"), kSuccess);
    ASSERT_EQ(RunRelevanceDecomposition2(t.net, &trace), kSuccess);
    EXPECT_EQ(trace[0].limit, 300u);
}

TEST(RelevanceDecomposition, RequestsOnlyTheTargetsAndPutsThemBack) {
    TestNetwork t;
    const std::vector<int> h = Chain(t, 12);
    t.Observe(h[11], 1);
    for (int i : {1, 4, 7}) ASSERT_EQ(t.net.SetTarget(h[i]), kSuccess);
    const Reference ref = Enumerate(t.net);
    std::vector<DecompositionAttempt> trace;
    t.net.bnAlgorithm = 11;

    ASSERT_EQ(RunRelevanceDecomposition(t.net, &trace), kSuccess);
    EXPECT_EQ(Steps(trace), (std::vector<Step>{{h[7], 3, 0, 0}}));
    for (int i : {1, 4, 7}) ExpectNear(t.Beliefs(h[i]), ref.beliefs[h[i]], "node " + std::to_string(i));
    EXPECT_EQ(Targets(t.net), (std::vector<int>{h[1], h[4], h[7]}));
    EXPECT_EQ(t.net.UpdateBeliefs(), kSuccess);
}

// a1 -> a2 -> a3 -> a4 -> e with e observed: the part of any target holds all five nodes, whose clusters
// weigh 4 + 4 + 4 + 2 = 14, above the limit of 10.
TEST(RelevanceDecomposition, FailingGroupIsHalvedAndAnsweredNodesAreNotRunAgain) {
    TestNetwork t;
    const std::vector<int> h = Chain(t, 5);
    t.Observe(h[4], 0);
    for (int i = 0; i < 4; i++) ASSERT_EQ(t.net.SetTarget(h[i]), kSuccess);
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD", "4"), kSuccess);
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD3", "10"), kSuccess);
    const Reference ref = Enumerate(t.net);
    std::vector<DecompositionAttempt> trace;

    ASSERT_EQ(RunRelevanceDecomposition(t.net, &trace), kSuccess);
    // The group [a4 a3 a2 a1] fails; its second half [a2 a1] fails too; [a1] alone (no limit) answers
    // every node of its part, so [a2] and the first half [a4 a3] run nothing.
    EXPECT_EQ(Steps(trace),
              (std::vector<Step>{
                  {h[3], 4, 10, kOutOfMemory}, {h[1], 2, 10, kOutOfMemory}, {h[0], 1, 0, kSuccess}}));
    for (int i = 0; i < 4; i++) ExpectNear(t.Beliefs(h[i]), ref.beliefs[h[i]], "node " + std::to_string(i));
    EXPECT_EQ(Targets(t.net), (std::vector<int>{h[0], h[1], h[2], h[3]}));

    // Algorithm 12 halves the same way from one list.
    trace.clear();
    t.net.InvalidateValues();
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD2", "10"), kSuccess);
    ASSERT_EQ(RunRelevanceDecomposition2(t.net, &trace), kSuccess);
    EXPECT_EQ(Counts(trace), (std::vector<int>{4, 2, 1}));
    for (int i = 0; i < 4; i++) ExpectNear(t.Beliefs(h[i]), ref.beliefs[h[i]], "node " + std::to_string(i));
}

TEST(RelevanceDecomposition, SingleTargetThatCannotBeSolvedFailsTheRun) {
    TestNetwork t;
    const std::vector<int> g = Grid(t, 15);
    ASSERT_EQ(t.net.SetTarget(g[224]), kSuccess);
    ASSERT_EQ(t.net.SetTarget(g[223]), kSuccess);
    std::vector<DecompositionAttempt> trace;
    EXPECT_EQ(RunRelevanceDecomposition(t.net, &trace), kOutOfMemory);
    EXPECT_EQ(Steps(trace), (std::vector<Step>{{g[224], 2, 0, kOutOfMemory}, {g[223], 1, 0, kOutOfMemory}}));
    EXPECT_EQ(Targets(t.net), (std::vector<int>{g[223], g[224]}));
    t.net.SetBayesianAlgorithm(12);
    EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory);
}

TEST(RelevanceDecomposition, DeepHalvingRunsWithoutRecursion) {
    TestNetwork t;
    const std::vector<int> h = Chain(t, 400);
    ASSERT_EQ(RunClustering(t.net, nullptr, 0), kSuccess);
    const std::vector<double> last = t.Beliefs(h[399]);
    t.net.InvalidateValues();
    // A limit no pair of nodes fits: the list is halved down to single nodes.
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD2", "1"), kSuccess);
    std::vector<DecompositionAttempt> trace;
    ASSERT_EQ(RunRelevanceDecomposition2(t.net, &trace), kSuccess);
    EXPECT_EQ(trace.size(), 400u + 399u);
    ExpectNear(t.Beliefs(h[399]), last);
}

// A long chain observed at its end: each group of 32 would read the chain up to it, and every halved run of
// two targets or more reads it all and passes the limit (a tree of 80,000 entries). One run answers it all,
// as algorithm 0 does.
TEST(RelevanceDecomposition, ALongChainIsAnsweredByOneRun) {
    for (auto* run : {RunRelevanceDecomposition, RunRelevanceDecomposition2}) {
        TestNetwork t;
        const std::vector<int> h = Chain(t, 20000);
        t.Observe(h[19999], 1);
        std::vector<double> first;
        std::vector<DecompositionAttempt> trace;
        ASSERT_NO_FATAL_FAILURE(ClusterThenDecompose(t, h[0], run, first, trace));
        EXPECT_EQ(Counts(trace), std::vector<int>{19999});
        ExpectNear(t.Beliefs(h[0]), first);
    }
}

// The same band of three-state nodes read in two node orders (as from two files): the same runs over the
// same targets, by identifier.
TEST(RelevanceDecomposition, RunsDoNotHangOnTheOrderOfTheNodes) {
    std::vector<std::string> runs[2];
    for (int reversed = 0; reversed < 2; ++reversed) {
        TestNetwork t;
        std::vector<int> h(60, -1);
        for (int k = 0; k < 60; ++k) {
            const int i = reversed != 0 ? 59 - k : k;
            h[i] = t.Add(("b" + std::to_string(i)).c_str(), 3);
        }
        for (int i = 1; i < 60; ++i) {
            for (int j = std::max(0, i - 4); j < i; ++j) t.Arc(h[j], h[i]);
        }
        t.Observe(h[59], 0);
        ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD2", "2000"), kSuccess);
        std::vector<DecompositionAttempt> trace;
        ASSERT_EQ(RunRelevanceDecomposition2(t.net, &trace), kSuccess);
        for (const DecompositionAttempt& a : trace)
            runs[reversed].push_back(IdOf(t.net, a.first) + " " + std::to_string(a.count) + " " +
                                     std::to_string(a.status));
    }
    EXPECT_GT(runs[0].size(), 2u);
    EXPECT_EQ(runs[0], runs[1]);
}

// A grid whose identifiers sort otherwise than its nodes were made (g10 before g2): each run builds the tree
// algorithm 0 builds over the same nodes, so a limit that tree fits answers every node by one run.
TEST(RelevanceDecomposition, ARunBuildsTheJoinTreeOfAlgorithmZero) {
    TestNetwork t;
    ASSERT_EQ(BuildGrid(t.net, 11, 3, 4), kSuccess);
    std::mt19937 rng(5);
    t.RandomTables(rng, 0.0);
    const std::string entries = std::to_string(EstimateClusteringEntries(t.net));
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_THRESHOLD2", entries.c_str()), kSuccess);
    std::vector<double> first;
    std::vector<DecompositionAttempt> trace;
    const int g0 = t.net.FindNode("g0");
    ASSERT_NO_FATAL_FAILURE(ClusterThenDecompose(t, g0, RunRelevanceDecomposition2, first, trace));
    EXPECT_EQ(Counts(trace), std::vector<int>{44});
    ExpectNear(t.Beliefs(g0), first);
}

// A grid of 44 five-state nodes, four a row, each a child of its left and upper neighbours, with random
// tables: made row by row and named g0, g1, ..., or made in the order of the strings "0", "1", "10", ...
// and named n00, n01, ... so that the order of identifiers is the order of the rows. Its handles by place.
std::vector<int> AddGrid(TestNetwork& t, bool madeByName, int outcomes = 5) {
    std::vector<int> made(44);
    for (int i = 0; i < 44; ++i) made[i] = i;
    if (madeByName) {
        std::sort(made.begin(), made.end(),
                  [](int a, int b) { return std::to_string(a) < std::to_string(b); });
    }
    std::vector<int> h(44);
    for (int i : made) {
        h[i] = t.Add(madeByName ? ("n" + std::string(i < 10 ? "0" : "") + std::to_string(i)).c_str()
                                : ("g" + std::to_string(i)).c_str(),
                     outcomes);
    }
    for (int i : made) {
        if (i % 4 > 0) t.Arc(h[i - 1], h[i]);
        if (i >= 4) t.Arc(h[i - 4], h[i]);
    }
    std::mt19937 rng(7);
    t.RandomTables(rng, 0.0);
    return h;
}

// The nodes as the targets of one decomposition run, with the seeds it is given.
vovido::RelevanceSeeds TargetSeeds(TestNetwork& t, const std::vector<int>& targets) {
    vovido::RelevanceSeeds seeds;
    seeds.position.assign(static_cast<size_t>(t.net.GetNumberOfSlots()), -1);
    seeds.identifierRank = vovido::IdentifierRanks(t.net);
    for (int node : targets) {
        EXPECT_EQ(t.net.SetTarget(node), kSuccess);
        seeds.targets.push_back(node);
    }
    return seeds;
}

// A run over all of a grid's nodes builds the smaller tree of the two orders, and answers as algorithm 0
// does.
TEST(RelevanceDecomposition, ARunBuildsTheSmallerTreeOfTheFoundAndTheIdentifierOrder) {
    int64_t built[2] = {};
    uint64_t found[2] = {};
    for (int madeByName = 0; madeByName < 2; ++madeByName) {
        TestNetwork t;
        const std::vector<int> h = AddGrid(t, madeByName != 0);
        found[madeByName] = EstimateClusteringEntries(t.net);
        ASSERT_EQ(RunClustering(t.net, nullptr, 0), kSuccess);
        const std::vector<double> clustered = t.Beliefs(h[0]);
        t.net.InvalidateValues();
        vovido::RelevanceSeeds seeds = TargetSeeds(t, h);
        std::vector<unsigned char> requested = AllRequested(t.net);
        vovido::TreesBuilt trees;
        ASSERT_EQ(RunClustering(t.net, requested.data(), 0, nullptr, nullptr, &seeds, &trees), kSuccess);
        built[madeByName] = trees.entries;
        ExpectNear(t.Beliefs(h[0]), clustered);
    }
    // Made row by row, the found order is the better; made by name, the order of identifiers.
    EXPECT_LT(found[0], found[1]);
    EXPECT_EQ(built[0], static_cast<int64_t>(found[0]));
    EXPECT_EQ(built[1], static_cast<int64_t>(found[0]));
}

// The grid made by name under a limit that only its tree by identifiers passes (its entries, of which its
// clusters hold fewer): a run of several targets takes that tree only within the limit its halves would be
// given, and leaves them to halving otherwise (nothing built); a run of one target, which has no halves,
// takes it whatever its size.
TEST(RelevanceDecomposition, AFoundTreePastTheLimitGivesWayToTheIdentifierOrderOnlyWithinTheHalvedLimit) {
    TestNetwork rows;
    (void)AddGrid(rows, false);
    const uint64_t byIdentifier = EstimateClusteringEntries(rows.net);
    const uint32_t limit = static_cast<uint32_t>(byIdentifier);
    const struct {
        bool alone;
        uint32_t halvedLimit;
        int status;
        bool built;
    } cases[] = {{false, limit / 16, kOutOfMemory, false},
                 {false, limit, kSuccess, true},
                 {false, 0, kSuccess, true},
                 {true, 1, kSuccess, true}};
    for (const auto& c : cases) {
        TestNetwork t;
        const std::vector<int> h = AddGrid(t, true);
        ASSERT_GT(EstimateClusteringEntries(t.net), byIdentifier);
        ASSERT_EQ(RunClustering(t.net, nullptr, 0), kSuccess);
        const std::vector<double> clustered = t.Beliefs(h[43]);
        t.net.InvalidateValues();
        vovido::RelevanceSeeds seeds = TargetSeeds(t, c.alone ? std::vector<int>{h[43]} : h);
        seeds.halvedLimit = c.halvedLimit;
        std::vector<unsigned char> requested = AllRequested(t.net);
        vovido::TreesBuilt trees;
        EXPECT_EQ(RunClustering(t.net, requested.data(), limit, nullptr, nullptr, &seeds, &trees), c.status)
            << c.alone << " " << c.halvedLimit;
        EXPECT_EQ(trees.entries > 0, c.built) << c.alone << " " << c.halvedLimit;
        if (c.status == kSuccess) ExpectNear(t.Beliefs(h[43]), clustered);
    }
}

// Two targets of algorithm 12: the last node of a grid of six-state nodes (a tree of some 300,000 entries
// alone) and, where given, the last node of a grid of 15 x 15 four-state nodes, whose tree passes 2^28
// entries in either order. The grid's target is run alone first; its tree costs more than probing both
// targets alone, so the plan is checked first: with the other target, the decomposition is refused before
// the tree is filled, naming that target; without it, the grid's node is answered as by clustering.
TEST(RelevanceDecomposition, ALargeTreeOfOneTargetIsFilledOnlyOnceEveryTargetIsKnownToFit) {
    for (bool hopeless : {true, false}) {
        TestNetwork t;
        const std::vector<int> h = AddGrid(t, true, 6);
        ASSERT_EQ(RunClustering(t.net, nullptr, 0), kSuccess);
        const std::vector<double> clustered = t.Beliefs(h[43]);
        t.net.InvalidateValues();
        ASSERT_EQ(hopeless ? BuildGrid(t.net, 15, 4) : kSuccess, kSuccess);
        ASSERT_EQ(t.net.SetTarget(h[43]), kSuccess);
        ASSERT_EQ(hopeless ? t.net.SetTarget(t.net.FindNode("g224")) : kSuccess, kSuccess);
        errorLog.Flush();
        std::vector<DecompositionAttempt> trace;
        const int status = RunRelevanceDecomposition2(t.net, &trace);
        if (!hopeless) {
            ASSERT_EQ(status, kSuccess);
            ExpectNear(t.Beliefs(h[43]), clustered);
            continue;
        }
        EXPECT_EQ(status, kOutOfMemory);
        EXPECT_FALSE(t.Value(h[43])->IsUpToDate());
        ASSERT_EQ(trace.size(), 1u);
        EXPECT_EQ(trace[0].count, 2);
        EXPECT_EQ(LoggedMessages().size(), 1u);
        EXPECT_NE(LastLogged().find("for the part of [g224] alone"), std::string::npos) << LogDump();
        errorLog.Flush();
    }
}

// A band of 60 three-state nodes of six parents each: its tree (54 clusters of 3^7 entries) passes the
// halved limit of 65,536 entries and fits algorithm 0's, so algorithm 12 answers every node by one run, as
// algorithm 0 does, instead of halving down to a run a node.
TEST(RelevanceDecomposition, TargetsWhoseTreeFitsAlgorithmZerosLimitAreAnsweredByOneRun) {
    TestNetwork t;
    std::vector<int> h;
    for (int i = 0; i < 60; ++i) {
        h.push_back(t.Add(("b" + std::to_string(i)).c_str(), 3));
        for (int j = std::max(0, i - 6); j < i; ++j) t.Arc(h[j], h[i]);
    }
    std::mt19937 rng(3);
    t.RandomTables(rng, 0.0);
    t.Observe(h[59], 0);
    std::vector<double> first;
    std::vector<DecompositionAttempt> trace;
    ASSERT_NO_FATAL_FAILURE(ClusterThenDecompose(t, h[0], RunRelevanceDecomposition2, first, trace));
    EXPECT_EQ(Steps(trace), (std::vector<Step>{{h[58], 59, 0, kSuccess}}));
    ExpectNear(t.Beliefs(h[0]), first);
}

// ---------------------------------------------------------------------------------------------------
// Algorithm 0 and its fallback

TEST(ClusteringWithDecomposition, OneTargetTooLargeFailsWithoutTryingDecomposition) {
    TestNetwork t;
    const std::vector<int> g = Grid(t, 15);
    ASSERT_EQ(t.net.SetTarget(g[224]), kSuccess);
    std::vector<DecompositionAttempt> trace;
    EXPECT_EQ(RunClusteringWithDecomposition(t.net, &trace), kOutOfMemory);
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory);
}

TEST(ClusteringWithDecomposition, FallbackIsTriedUnlessTheNetworkDisablesIt) {
    TestNetwork t;
    const std::vector<int> g = Grid(t, 15);
    ASSERT_EQ(t.net.SetTarget(g[224]), kSuccess);
    ASSERT_EQ(t.net.SetTarget(g[223]), kSuccess);
    std::vector<DecompositionAttempt> trace;
    EXPECT_EQ(RunClusteringWithDecomposition(t.net, &trace), kOutOfMemory);
    EXPECT_FALSE(trace.empty());

    // Present with an empty value still disables it.
    trace.clear();
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_REL_DECOMP_DISABLE_FALLBACK", ""), kSuccess);
    EXPECT_EQ(RunClusteringWithDecomposition(t.net, &trace), kOutOfMemory);
    EXPECT_TRUE(trace.empty());
}

// Sixteen 4-outcome roots, one child for every pair: the moral graph holds a clique of all sixteen roots,
// so one tree for every node is out of reach, while each group of children needs only some of them.
TEST(ClusteringWithDecomposition, FallsBackToGroupsWhenOneTreeIsTooLarge) {
    TestNetwork t;
    std::vector<int> roots;
    const std::vector<double> prior = {0.1, 0.2, 0.3, 0.4};
    for (int i = 0; i < 16; i++) {
        roots.push_back(t.Add(("r" + std::to_string(i)).c_str(), 4));
        t.Table(roots.back(), prior);
    }
    std::vector<int> children;
    std::vector<double> table;
    for (int x = 0; x < 4; x++) {
        for (int y = 0; y < 4; y++) {
            const double p = 0.05 + 0.06 * x + 0.05 * y;
            table.push_back(p);
            table.push_back(1.0 - p);
        }
    }
    double expected = 0.0;
    for (int x = 0; x < 4; x++) {
        for (int y = 0; y < 4; y++) expected += prior[x] * prior[y] * table[2 * (4 * x + y)];
    }
    for (int i = 0; i < 16; i++) {
        for (int j = i + 1; j < 16; j++) {
            children.push_back(t.Add(("k" + std::to_string(i) + "_" + std::to_string(j)).c_str()));
            t.Arc(roots[i], children.back());
            t.Arc(roots[j], children.back());
            t.Table(children.back(), table);
        }
    }
    EXPECT_EQ(RunClustering(t.net, nullptr, 0), kOutOfMemory);

    std::vector<DecompositionAttempt> trace;
    ASSERT_EQ(RunClusteringWithDecomposition(t.net, &trace), kSuccess);
    // Four groups of children; the last group, eight roots, was answered as a by-product and runs nothing.
    EXPECT_EQ(Counts(trace), (std::vector<int>{32, 32, 32, 32}));
    for (const DecompositionAttempt& a : trace) EXPECT_EQ(a.status, kSuccess);
    for (int r : roots) ExpectNear(t.Beliefs(r), prior);
    for (int c : children) ExpectNear(t.Beliefs(c), {expected, 1.0 - expected});
    EXPECT_EQ(t.net.GetNumberOfTargets(), 0);
}

// The 8 x 8 grid's join tree of some 25 million entries fits the limit but not 64 MB more than the
// process holds: each driver, and the probability of evidence, is refused by the first tree memory
// stopped, naming it, with no smaller groups tried after it. The drivers' tree leaves the corner's family
// out. 0 when every case holds, else 1 + the index of the first that does not.
int RefusedUnderAddressSpaceCap() {
    const auto refusal = [](const char* entries) {
        return "ERROR: Exact inference refused: memory ran out while the join tree of a part of 64 nodes was "
               "built: its tables of " +
               std::string(entries) +
               " entries fit the limit of 268435456 entries a tree, but not the memory left";
    };
    const std::string text = refusal("24820688");
    using Driver = int (*)(VRX_network&, std::vector<DecompositionAttempt>*);
    const struct {
        Driver run;
        size_t attempts;  // every one up to the first failure for want of memory
    } cases[] = {
        {RunClusteringWithDecomposition, 0},
        {RunRelevanceDecomposition, 1},
        // Past the limit of 65536 entries within algorithm 0's: one run over every target, which memory
        // stops.
        {RunRelevanceDecomposition2, 1},
    };
    TestNetwork t;
    Grid(t, 8);
    if (!LimitAddressSpace(64LL << 20)) return 100;
    for (size_t i = 0; i < std::size(cases); ++i) {
        errorLog.Flush();
        std::vector<DecompositionAttempt> trace;
        if (cases[i].run(t.net, &trace) != kOutOfMemory || trace.size() != cases[i].attempts ||
            LoggedMessages() != std::vector<std::string>{text})
            return 1 + static_cast<int>(i);
    }
    errorLog.Flush();
    int status = kSuccess;
    if (ComputeProbEvidence(t.net, &status) != -1.0 || status != kOutOfMemory ||
        LoggedMessages() != std::vector<std::string>{refusal("24820768")})
        return 1 + static_cast<int>(std::size(cases));
    // The clique tree's limit lets this tree pass: the memory it lacks is named, by the table that found
    // none or by the tables in all.
    errorLog.Flush();
    if (RunClusteringPerPart(t.net) != kOutOfMemory || LoggedMessages().size() != 1 ||
        LastLogged().rfind("Clique tree: ", 0) != 0 || LastLogged().find(" entries") == std::string::npos)
        return 2 + static_cast<int>(std::size(cases));
    return 0;
}

TEST(ClusteringWithDecompositionDeathTest, AJoinTreeWithinItsLimitThatMemoryCannotHoldIsRefusedAtOnce) {
    if (kUnderAddressSanitizer) GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    EXPECT_EXIT(_exit(RefusedUnderAddressSpaceCap()), ::testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------------------------------------------
// Impossible evidence

TEST(ImpossibleEvidence, ZeroNormaliserOfAPartFailsAndLeavesNothingUpToDate) {
    TestNetwork t;
    const int u = t.Add("u"), v = t.Add("v");
    t.Arc(u, v);
    const int p = t.Add("p"), c1 = t.Add("c1"), c2 = t.Add("c2");
    t.Arcs({{p, c1}, {p, c2}});
    t.Table(p, {0.4, 0.6});
    t.Table(c1, {0.0, 1.0, 0.5, 0.5});  // c1 = 0 rules out p = 0
    t.Table(c2, {0.3, 0.7, 0.0, 1.0});  // c2 = 0 rules out p = 1
    t.Observe(c1, 0);
    t.Observe(c2, 0);
    ASSERT_EQ(Enumerate(t.net).probEvidence, 0.0);

    for (int algorithm : {0, 11, 12}) {
        t.net.SetBayesianAlgorithm(algorithm);
        errorLog.Flush();
        EXPECT_EQ(t.net.UpdateBeliefs(), kConflictingEvidence) << algorithm;
        ASSERT_GE(errorLog.GetNumberOfEntries(), 1);
        EXPECT_EQ(errorLog.GetCode(0), kConflictingEvidence);
        // The part of u and v may have been solved first: it is not left marked up to date either.
        for (int h : {u, v, p}) EXPECT_FALSE(t.Value(h)->IsUpToDate()) << algorithm << " node " << h;
    }
    std::vector<DecompositionAttempt> trace;
    EXPECT_EQ(RunRelevanceDecomposition2(t.net, &trace), kConflictingEvidence);
    EXPECT_TRUE(trace.empty());

    double pe = -5.0;
    EXPECT_TRUE(t.net.CalcPropEvidence(&pe, false));
    EXPECT_EQ(pe, 0.0);
    EXPECT_TRUE(t.net.CalcPropEvidence(&pe, true));
    EXPECT_EQ(pe, 0.0);
}

TEST(ImpossibleEvidence, ObservedFamilyOfProbabilityZeroIsReportedByName) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b");
    t.Arc(a, b);
    t.Table(a, {0.5, 0.5});
    t.Table(b, {1.0, 0.0, 0.5, 0.5});
    t.Observe(a, 0);
    t.Observe(b, 1);
    errorLog.Flush();
    EXPECT_EQ(t.net.UpdateBeliefs(), kConflictingEvidence);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0), "Evidence is impossible: it has probability zero at node [b].");
}

// Likelihoods alone that no configuration allows (c = a OR b is false, yet a is true) name the nodes
// that hold them, not the temporary children that stand for them during the update.
TEST(ImpossibleEvidence, LikelihoodsThatConflictNameTheirNodes) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b"), c = t.Add("c");
    t.Arcs({{a, c}, {b, c}});
    t.Table(a, {0.5, 0.5});
    t.Table(b, {0.5, 0.5});
    t.Table(c, {1, 0, 1, 0, 1, 0, 0, 1});
    ASSERT_EQ(t.Value(c)->SetVirtualEvidence(Doubles({0.0, 1.0})), kSuccess);
    ASSERT_EQ(t.Value(a)->SetVirtualEvidence(Doubles({1.0, 0.0})), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(t.net.UpdateBeliefs(), kConflictingEvidence);
    EXPECT_EQ(LogDump(),
              "-26 Evidence is impossible: its probability is zero given the evidence on [a], [c], so no "
              "beliefs can be computed.\n");
}

// y = 0 is possible only when x = 0, which x's prior rules out: the relevance step fixes x and answers
// it alone, so only the spreading check can see the conflict.
TEST(ImpossibleEvidence, ConflictFoundBySpreadingThroughZerosIsReported) {
    TestNetwork t;
    const int x = t.Add("x", 3), y = t.Add("y"), z = t.Add("z");
    t.Arc(x, y);
    t.Table(x, {0.0, 0.3, 0.7});
    t.Table(y, {0.5, 0.5, 0.0, 1.0, 0.0, 1.0});
    t.Table(z, {0.2, 0.8});
    t.Observe(y, 0);
    errorLog.Flush();
    EXPECT_EQ(t.net.UpdateBeliefs(), kConflictingEvidence);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "Evidence is impossible: it has probability zero at node [x], given the evidence on [y].");
    EXPECT_FALSE(t.Value(z)->IsUpToDate());
    double pe = -5.0;
    EXPECT_TRUE(t.net.CalcPropEvidence(&pe, false));
    EXPECT_EQ(pe, 0.0);
}

TEST(ImpossibleEvidence, ChildObservedAgainstTheOutcomeItsParentMakesCertain) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b");
    t.Arc(a, b);
    t.Table(b, {0.0, 1.0, 0.5, 0.5});  // a = 0 makes b = 1 certain
    t.Observe(a, 0);
    t.Observe(b, 0);
    EXPECT_EQ(t.net.UpdateBeliefs(), kConflictingEvidence);
    t.Observe(b, 1);
    EXPECT_EQ(t.net.UpdateBeliefs(), kSuccess);
}

// ---------------------------------------------------------------------------------------------------
// Probability of evidence

TEST(ProbEvidence, NetworkWithoutNodesHasProbabilityZero) {
    VRX_network net;
    EXPECT_EQ(ComputeProbEvidence(net), 0.0);
    double pe = -5.0;
    EXPECT_TRUE(net.CalcPropEvidence(&pe, false));
    EXPECT_EQ(pe, 0.0);
}

TEST(ProbEvidence, ObservedNodeCutOffFromTheTargetsWithAFreeParentCannotBeCounted) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b"), c = t.Add("c");
    t.Arc(a, b);
    t.Table(a, {0.2, 0.8});
    t.Table(b, {0.7, 0.3, 0.4, 0.6});
    t.Table(c, {0.5, 0.5});
    t.Observe(b, 1);
    ASSERT_EQ(t.net.SetTarget(c), kSuccess);
    // a is summed into b, b leaves every part, and a has no outcome to read b's table at.
    EXPECT_EQ(ComputeProbEvidence(t.net), -1.0);
    double pe = -5.0;
    ASSERT_TRUE(t.net.CalcPropEvidence(&pe, false));
    EXPECT_NEAR(pe, 0.2 * 0.3 + 0.8 * 0.6, kTolerance);
    EXPECT_EQ(Targets(t.net), (std::vector<int>{c}));
}

// A noisy-MAX node observed in its last outcome is split per parent by the relevance step when the
// network asks for it; beliefs stay exact, and the probability of evidence is taken without the split.
TEST(ProbEvidence, ObservedNoisyMaxInItsLastOutcomeGivesTheTrueProbability) {
    TestNetwork t;
    const int g = t.Add("g"), p1 = t.Add("p1"), p2 = t.Add("p2", 3), w = t.Add("w");
    const int y = t.net.AddNode(DefinitionType::kNoisyMax, "y");
    ASSERT_GE(y, 0);
    ASSERT_EQ(t.net.GetNode(y)->GetDefinition()->SetNumberOfOutcomes(3), kSuccess);
    t.Arcs({{g, p1}, {g, p2}, {p1, y}, {p2, y}, {p2, w}});
    t.Table(g, {0.35, 0.65});
    t.Table(p1, {0.8, 0.2, 0.3, 0.7});
    t.Table(p2, {0.5, 0.3, 0.2, 0.1, 0.2, 0.7});
    t.Table(w, {0.9, 0.1, 0.6, 0.4, 0.2, 0.8});
    // Rows: p1's two outcomes, p2's three, the leak; each parent's last row is the one of no effect.
    VRX_Dmatrix parameters;
    VRX_intArray shape;
    ASSERT_EQ(shape.Add(6), kSuccess);
    ASSERT_EQ(shape.Add(3), kSuccess);
    ASSERT_EQ(parameters.Setup(shape), kSuccess);
    const double rows[] = {0.5, 0.2, 0.3, 0, 0, 1, 0.3, 0.3, 0.4, 0.1, 0.2, 0.7, 0, 0, 1, 0.05, 0.1, 0.85};
    for (int i = 0; i < 18; i++) parameters[i] = rows[i];
    ASSERT_EQ(t.net.GetNode(y)->GetDefinition()->SetDefinition(parameters), kSuccess);
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_NOISYMAXRELEVANCE", "1"), kSuccess);
    t.Observe(y, 2);
    t.Observe(w, 1);
    const Reference ref = Enumerate(t.net);
    ASSERT_GT(ref.probEvidence, 0.0);

    // Clustering itself must answer, not fall back to the chain rule.
    double pe = -5.0;
    ASSERT_TRUE(t.net.ProbEvidenceByClustering(pe));
    EXPECT_NEAR(pe, ref.probEvidence, kTolerance);
    t.net.ClearAllTargets();
    ASSERT_TRUE(t.net.CalcPropEvidence(&pe, true));
    EXPECT_NEAR(pe, ref.probEvidence, kTolerance);
    const int i = t.net.userProperties.FindProperty("VRX_NOISYMAXRELEVANCE");
    ASSERT_EQ(i, 0);
    EXPECT_STREQ(t.net.userProperties.GetPropertyValue(i), "1");

    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    for (int h : {g, p1, p2}) ExpectNear(t.Beliefs(h), ref.beliefs[h], "node " + std::to_string(h));

    // With p1 observed as well, a per-parent record is cut off from every part.
    t.Observe(p1, 0);
    const Reference second = Enumerate(t.net);
    ASSERT_TRUE(t.net.ProbEvidenceByClustering(pe));
    EXPECT_NEAR(pe, second.probEvidence, kTolerance);
    t.net.ClearAllTargets();
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    for (int h : {g, p2}) ExpectNear(t.Beliefs(h), second.beliefs[h], "node " + std::to_string(h));
}

}  // namespace
