// Behaviour the clique-tree engine (algorithm 10) and polytree propagation (algorithm 2) share through
// the belief-update dispatch: impossible evidence, an empty network, many messages into one node, deep
// networks, and the refusals of each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/exact_drivers.h"
#include "tests/support/brute_force.h"
#include "tests/support/costly_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/whole_part.h"

namespace {

using vovido::test::ExpectNear;
using vovido::test::TestNetwork;

const char kImpossible[] =
    "Evidence is impossible: its probability is zero given the evidence on [c0], [c1], [c2], so no beliefs "
    "can be "
    "computed.";

TEST(ExactEngines, EvidenceOfProbabilityZeroFailsWithAMessageAndLeavesNothingUpToDate) {
    // Each child rules out one outcome of p, so no single child fixes p, yet together they leave none.
    TestNetwork t;
    const int p = t.Add("p", 3);
    t.Table(p, {0.2, 0.3, 0.5});
    std::vector<int> children;
    for (int i = 0; i < 3; i++) {
        children.push_back(t.Add(("c" + std::to_string(i)).c_str()));
        t.Arc(p, children.back());
        std::vector<double> table;
        for (int j = 0; j < 3; j++) table.insert(table.end(), {i == j ? 0.0 : 0.5, i == j ? 1.0 : 0.5});
        t.Table(children.back(), table);
        t.Observe(children.back(), 0);
    }
    const int u = t.Add("u"), v = t.Add("v");
    t.Arc(u, v);
    ASSERT_EQ(vovido::test::Enumerate(t.net).probEvidence, 0.0);
    for (int algorithm : {2, 10}) {
        t.net.SetBayesianAlgorithm(algorithm);
        errorLog.Flush();
        EXPECT_EQ(t.net.UpdateBeliefs(), kConflictingEvidence) << algorithm;
        ASSERT_EQ(errorLog.GetNumberOfEntries(), 1) << algorithm;
        EXPECT_EQ(errorLog.GetCode(0), kConflictingEvidence);
        EXPECT_STREQ(errorLog.GetMessage(0), kImpossible);
        for (int h : {p, u, v}) EXPECT_FALSE(t.Value(h)->IsUpToDate()) << algorithm << " node " << h;
        for (int h : {p, u, v}) {
            for (double b : t.Beliefs(h)) EXPECT_FALSE(b != b) << "NaN belief";
        }
    }
}

TEST(ExactEngines, EmptyNetworkSucceedsWithoutMessage) {
    for (int algorithm : {2, 10}) {
        VRX_network net;
        net.SetBayesianAlgorithm(algorithm);
        errorLog.Flush();
        EXPECT_EQ(net.UpdateBeliefs(), kSuccess) << algorithm;
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << algorithm;
    }
}

// Seven hundred observed children, half for each outcome of p: every product of their messages
// underflows a double long before the end (0.09^350), while the posterior is just the prior.
TEST(ExactEngines, HundredsOfObservedChildrenDoNotUnderflow) {
    TestNetwork t;
    const int p = t.Add("p");
    t.Table(p, {0.4, 0.6});
    for (int i = 0; i < 700; i++) {
        const int c = t.Add(("c" + std::to_string(i)).c_str());
        t.Arc(p, c);
        t.Table(c, i % 2 == 0 ? std::vector<double>{0.1, 0.9, 0.9, 0.1}
                              : std::vector<double>{0.9, 0.1, 0.1, 0.9});
        t.Observe(c, 0);
    }
    for (int algorithm : {2, 10}) {
        t.net.SetBayesianAlgorithm(algorithm);
        t.net.InvalidateValues();
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << algorithm;
        ExpectNear(t.Beliefs(p), {0.4, 0.6}, 1e-9, "algorithm " + std::to_string(algorithm));
    }
}

// A chain of 2000 noisy copies observed at node 5 and at its end, solved on a 256 KiB stack.
TEST(ExactEngines, DeepChainRunsWithoutRecursion) {
    TestNetwork t;
    std::vector<int> h;
    for (int i = 0; i < 2000; i++) {
        h.push_back(t.Add(("c" + std::to_string(i)).c_str()));
        if (i == 0) {
            t.Table(h[0], {0.3, 0.7});
        } else {
            t.Arc(h[i - 1], h[i]);
            t.Table(h[i], {0.9, 0.1, 0.2, 0.8});
        }
    }
    t.Observe(h[5], 0);
    t.Observe(h.back(), 0);
    // Root: prior times P(c5 = 0 | c0), by five steps of the copy matrix.
    double reach[2] = {1.0, 0.0};
    for (int step = 0; step < 5; step++) {
        const double r0 = 0.9 * reach[0] + 0.1 * reach[1], r1 = 0.2 * reach[0] + 0.8 * reach[1];
        reach[0] = r0;
        reach[1] = r1;
    }
    const double root0 = 0.3 * reach[0], root1 = 0.7 * reach[1];
    // Before the end the chain has forgotten c5: the stationary (2/3, 1/3) times P(end = 0 | c).
    const double last0 = 2.0 / 3 * 0.9, last1 = 1.0 / 3 * 0.2;
    for (int algorithm : {2, 10}) {
        t.net.SetBayesianAlgorithm(algorithm);
        t.net.InvalidateValues();
        int rc = kFailure;
        vovido::test::RunOnSmallStack([&] { rc = t.net.UpdateBeliefs(); });
        ASSERT_EQ(rc, kSuccess) << algorithm;
        ExpectNear(t.Beliefs(h[0]), {root0 / (root0 + root1), root1 / (root0 + root1)}, 1e-12, "root");
        ExpectNear(t.Beliefs(h[h.size() - 2]), {last0 / (last0 + last1), last1 / (last0 + last1)}, 1e-12,
                   "end");
    }
}

TEST(ExactEngines, PolytreeRefusesANetworkWithAnUndirectedCycleAndChangesNothing) {
    vovido::test::Asia a;
    a.t.Observe(a.xray, 0);
    const std::vector<double> before = a.t.Beliefs(a.lung);
    a.t.net.SetBayesianAlgorithm(2);
    errorLog.Flush();
    EXPECT_EQ(a.t.net.UpdateBeliefs(), kFailure);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kFailure);
    EXPECT_STREQ(
        errorLog.GetMessage(0),
        "PolyTree algorithm can not be applied to this network, because it is not singly connected.");
    EXPECT_EQ(a.t.Beliefs(a.lung), before);
    EXPECT_FALSE(a.t.Value(a.lung)->IsUpToDate());
}

// A π-message of all ones looks unsent to a schedule that judges arrival by content; here b's parent
// sends (0.5, 0.5) / (0.5, 0.5). Both components of the network are answered.
TEST(ExactEngines, PolytreeAnswersEveryComponentAndAMessageOfOnes) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b"), c = t.Add("c"), x = t.Add("x"), y = t.Add("y");
    t.Arcs({{a, b}, {a, c}, {x, y}});
    t.Table(a, {0.5, 0.5});
    t.Table(b, {0.5, 0.5, 0.5, 0.5});
    t.Table(c, {0.9, 0.1, 0.2, 0.8});
    t.Table(x, {0.1, 0.9});
    t.Table(y, {0.7, 0.3, 0.4, 0.6});
    t.Observe(b, 0);
    t.Observe(y, 1);
    t.net.SetBayesianAlgorithm(2);
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    const vovido::test::Reference ref = vovido::test::Enumerate(t.net);
    for (int h : {a, c, x}) {
        EXPECT_TRUE(t.Value(h)->IsUpToDate()) << h;
        ExpectNear(t.Beliefs(h), ref.beliefs[h], "node " + std::to_string(h));
    }
    ExpectNear(t.Beliefs(c), {0.55, 0.45});
}

// Grids of nodes whose left and upper neighbours are their parents: the clique tree is refused, naming
// its size, as soon as one clique passes the join-tree limit alone (long before the elimination of a
// large grid ends), or when its tables with the index maps propagation keeps pass it together.
TEST(ExactEngines, CliqueTreesPastTheLimitAreRefusedWithTheirSize) {
    const struct {
        int side;
        int outcomes;
        const char* message;
    } cases[] = {
        {11, 8,
         "Clique tree: a table over 10 variables needs 1073741824 entries, past the limit of 268435456 "
         "entries."},
        {60, 2,
         "Clique tree: a table over 29 variables needs 536870912 entries, past the limit of 268435456 "
         "entries."},
        {17, 2,
         "Clique tree: its tables and index maps need 709828192 entries in all, past the limit of 268435456 "
         "entries."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.side);
        TestNetwork t;
        ASSERT_EQ(vovido::test::BuildGrid(t.net, c.side, c.outcomes), kSuccess);
        errorLog.Flush();
        EXPECT_EQ(RunClusteringPerPart(t.net), kOutOfMemory);
        EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{c.message});
    }
    errorLog.Flush();
}

}  // namespace
