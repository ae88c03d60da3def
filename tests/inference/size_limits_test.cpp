// Networks too hard for exact inference are refused from the triangulation's estimate, before any table
// is allocated, with one message: for beliefs by every exact driver and for the probability of evidence.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/exact_drivers.h"
#include "inference/join_tree.h"
#include "tests/support/error_log.h"
#include "tests/support/hard_networks.h"
#include "tests/support/whole_part.h"

using vovido::DecompositionAttempt;

namespace {

using vovido::test::LastLogged;
using vovido::test::TestNetwork;
using vovido::test::WholePart;

const char kRefusal[] =
    "ERROR: Exact inference refused: no join tree of the network fits the limits of 268435456 table "
    "entries, 30 nodes per cluster and 12884901888 table entries walked by its propagation";

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(SizeLimits, AHighTreewidthNetworkIsRefusedByEveryExactDriver) {
    VRX_network net;
    vovido::test::BuildHighTreewidthNetwork(net, 600, 4, 7u);
    for (int algorithm : {0, 11, 12}) {
        errorLog.Flush();
        net.SetBayesianAlgorithm(algorithm);
        EXPECT_EQ(net.UpdateBeliefs(), kOutOfMemory) << "algorithm " << algorithm;
        // Said once, however many target groups were tried.
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 1) << "algorithm " << algorithm;
        // The last node in topological order alone: its part's tree, where the triangulation stopped.
        EXPECT_EQ(LastLogged(),
                  "ERROR: Exact inference refused: the join tree this engine triangulates for the part of "
                  "[n569] alone, 244 nodes, needs "
                  "at least 461933696 table entries, past the limit of 268435456 entries a tree")
            << "algorithm " << algorithm;
    }
    // Refused before any target is solved: the last node in topological order cannot be solved alone.
    for (auto run : {&RunRelevanceDecomposition, &RunRelevanceDecomposition2}) {
        std::vector<DecompositionAttempt> trace;
        EXPECT_EQ(run(net, &trace), kOutOfMemory);
        EXPECT_TRUE(trace.empty());
    }
    errorLog.Flush();
    net.SetBayesianAlgorithm(0);
    ASSERT_EQ(net.SetTarget(net.FindNode("n599")), kSuccess);
    EXPECT_EQ(net.UpdateBeliefs(), kOutOfMemory);
    EXPECT_EQ(LastLogged(), kRefusal);
    EXPECT_LT(PeakKilobytes(), 2L * 1024 * 1024);
    errorLog.Flush();
}

TEST(SizeLimits, TheProbabilityOfEvidenceIsRefusedWithoutTheChainRule) {
    VRX_network net;
    vovido::test::BuildHighTreewidthNetwork(net, 600, 4, 11u, 20);
    errorLog.Flush();
    double p = 0.0;
    EXPECT_FALSE(net.CalcPropEvidence(&p, false));
    // Only clustering's refusal: the chain rule, whose last step needs the same tree, is not tried.
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(LastLogged(), kRefusal);
    int status = kSuccess;
    EXPECT_EQ(ComputeProbEvidence(net, &status), -1.0);
    EXPECT_EQ(status, kOutOfMemory);
    EXPECT_LT(PeakKilobytes(), 2L * 1024 * 1024);
    errorLog.Flush();
}

// Three separate cliques of four 100-outcome nodes: 3 x 10^8 entries, past the default limit of 2^28 but
// within the weight range, so only the limit refuses it.
TEST(SizeLimits, TheProbabilityOfEvidenceKeepsTheDefaultLimit) {
    TestNetwork t;
    for (int i = 0; i < 12; ++i) t.Add(("n" + std::to_string(i)).c_str(), 100);
    WholePart part(t.net);
    for (int base = 0; base < 12; base += 4) {
        for (int child = base + 1; child < base + 4; ++child) {
            for (int parent = base; parent < child; ++parent) part.Link(parent, child);
        }
    }
    part.Refresh();
    JoinTree unlimited(part.view);
    ASSERT_TRUE(unlimited.Build(JoinTree::kNoLimit));
    EXPECT_EQ(unlimited.GetTotalWeight(), 300000000u);
    JoinTree tree(part.view);
    EXPECT_EQ(tree.ComputeProbEvidence(), -1.0);
    EXPECT_EQ(tree.GetLastStatus(), kOutOfMemory);
    EXPECT_EQ(tree.GetTotalWeight(), 300000000u);
}

// Two clusters of 2 x 90^4 entries fit the limit on cluster weights, but with their separator of 90^4
// entries the tables would not: refused before any is allocated.
TEST(SizeLimits, SeparatorTablesCountTowardsTheLimit) {
    TestNetwork t;
    const int a = t.Add("a");
    int b[4];
    for (int i = 0; i < 4; ++i) b[i] = t.Add(("b" + std::to_string(i)).c_str(), 90);
    const int c = t.Add("c");
    WholePart part(t.net);
    for (int i = 0; i < 3; ++i) part.Link(b[i], b[3]);
    part.Link(a, b[3]);
    for (int i = 0; i < 4; ++i) part.Link(b[i], c);
    part.Refresh();
    JoinTree tree(part.view);
    ASSERT_TRUE(tree.Build(0));
    EXPECT_EQ(tree.GetTotalWeight(), 2u * 131220000u);
    EXPECT_EQ(tree.EstimateTableEntries(), 2u * 131220000u + 65610000u);
    EXPECT_FALSE(tree.Run(nullptr, 0));
    EXPECT_EQ(tree.GetLastStatus(), kOutOfMemory);
    EXPECT_EQ(tree.ComputeProbEvidence(), -1.0);
    EXPECT_EQ(tree.GetLastStatus(), kOutOfMemory);
}

// A run walks each table once a pass: its families, both ends of each message, each belief read. A chain
// a -> b -> c makes two clusters of 4 entries: {a, b} with two families and a message, {b, c} with one family
// and that message, and three beliefs: 10 passes of 4 entries. A node of 27 two-state parents makes one
// cluster of 2^28 entries, within the limit on entries, walked 56 times: past the limit on the work, refused
// as too large before anything is allocated (smaller groups of targets answer it).
TEST(SizeLimits, ARunIsRefusedWhenItsPassesOverTheTablesPassTheLimit) {
    TestNetwork chain;
    const int a = chain.Add("a"), b = chain.Add("b"), c = chain.Add("c");
    chain.Arcs({{a, b}, {b, c}});
    WholePart small(chain.net);
    JoinTree three(small.view);
    ASSERT_TRUE(three.Build(0));
    ASSERT_EQ(three.AssignFamilies(), kSuccess);
    EXPECT_EQ(three.EstimatePassEntries(nullptr), 40u);

    TestNetwork t;
    std::vector<int> nodes;
    for (int i = 0; i < 28; ++i) nodes.push_back(t.Add(("n" + std::to_string(i)).c_str()));
    WholePart part(t.net);
    for (int i = 0; i < 27; ++i) part.Link(i, 27);
    part.Refresh();
    JoinTree tree(part.view);
    EXPECT_FALSE(tree.Run(nullptr, 0));
    EXPECT_EQ(tree.GetLastStatus(), kOutOfMemory);
    EXPECT_FALSE(tree.RanOutOfMemory());
    EXPECT_EQ(tree.EstimateTableEntries(), uint64_t{1} << 28);
    EXPECT_EQ(tree.EstimatePassEntries(nullptr), uint64_t{56} << 28);
}

}  // namespace
