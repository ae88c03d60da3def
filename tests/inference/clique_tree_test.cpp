// Clique tree: elimination order and cliques, the join-tree properties of the linked and ordered tree,
// agreement with the join tree on larger random networks, marginals over variable sets, copies, and the
// order of the steps.
#include "inference/clique_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/support/brute_force.h"
#include "tests/support/random_networks.h"
#include "tests/support/whole_part.h"

namespace {

using namespace vovido::test;

// Every separator joins its parent and child over exactly their shared variables and ends the child's
// list; the cliques holding a node form one subtree; each family lies in its home; the root is smallest.
void ExpectJoinTree(const CliqueTree& tree, const PartView& view, const std::string& where) {
    const int m = tree.GetNumberOfCliques();
    ASSERT_EQ(tree.GetNumberOfSeparators(), m - 1) << where;
    std::vector<int> balance(static_cast<size_t>(view.GetNumberOfNodes()), 0);
    for (int c = 0; c < m; c++) {
        for (int v : Items(tree.GetClique(c).GetVariables())) balance[v]++;
        EXPECT_LE(tree.GetClique(0).GetTableSize(), tree.GetClique(c).GetTableSize()) << where;
    }
    for (int s = 0; s < m - 1; s++) {
        const CliqueSeparator& sep = tree.GetSeparator(s);
        const std::vector<int> vars = Items(sep.GetVariables());
        std::vector<int> parent = Items(tree.GetClique(sep.GetParent()).GetVariables());
        std::vector<int> child = Items(tree.GetClique(sep.GetChild()).GetVariables());
        EXPECT_LT(sep.GetParent(), sep.GetChild()) << where;
        EXPECT_EQ(tree.GetClique(sep.GetChild()).GetParentSeparator(), s) << where;
        ASSERT_GE(child.size(), vars.size()) << where;
        EXPECT_EQ(std::vector<int>(child.end() - static_cast<long>(vars.size()), child.end()), vars) << where;
        std::sort(parent.begin(), parent.end());
        std::sort(child.begin(), child.end());
        std::vector<int> shared;
        std::set_intersection(parent.begin(), parent.end(), child.begin(), child.end(),
                              std::back_inserter(shared));
        EXPECT_EQ(shared, vars) << where;
        for (int v : vars) balance[v]--;
    }
    for (int v = 0; v < view.GetNumberOfNodes(); v++) {
        EXPECT_EQ(balance[v], 1) << where << " node " << v;
        const Clique& home = tree.GetClique(tree.GetHome(v));
        EXPECT_GE(home.FindVariable(v), 0) << where;
        for (int p : view.GetParentIndices(v)) EXPECT_GE(home.FindVariable(p), 0) << where;
    }
}

// ---------------------------------------------------------------------------------------------------
// Structure

TEST(CliqueTreeStructure, TwoAdjacentNodesMakeOneCliqueAndNoSeparator) {
    TestNetwork t;
    t.Arc(t.Add("a"), t.Add("b"));
    WholePart part(t.net);
    CliqueTree tree;
    ASSERT_EQ(tree.BuildStructure(part.view), kSuccess);
    ASSERT_EQ(tree.GetNumberOfCliques(), 1);
    EXPECT_EQ(Items(tree.GetClique(0).GetVariables()), (std::vector<int>{0, 1}));
    EXPECT_EQ(tree.GetNumberOfSeparators(), 0);
    EXPECT_EQ(tree.GetHome(0), 0);
    EXPECT_EQ(tree.GetHome(1), 0);
}

TEST(CliqueTreeStructure, FewestFillInsFirstThenSmallestCliqueAndIsolatedNodesLast) {
    // Hub c with leaves a (2 outcomes) and b (4): both leaves have no fill-in, a the smaller clique;
    // c would need one. d has no neighbour at all: it comes after c, which loses its last neighbour.
    TestNetwork t;
    const int c = t.Add("c", 3), b = t.Add("b", 4), d = t.Add("d", 4), a = t.Add("a");
    t.Arcs({{c, a}, {c, b}});
    WholePart part(t.net);
    CliqueTree tree;
    ASSERT_EQ(tree.BuildStructure(part.view), kSuccess);
    EXPECT_EQ(tree.GetEliminationOrder().front(), a);
    EXPECT_EQ(tree.GetEliminationOrder().back(), d);
    // A triangle ends in one clique: the later candidates lie inside it.
    TestNetwork u;
    const int x = u.Add("x"), y = u.Add("y"), z = u.Add("z");
    u.Arcs({{x, z}, {y, z}});
    WholePart triangle(u.net);
    ASSERT_EQ(tree.BuildStructure(triangle.view), kSuccess);
    EXPECT_EQ(tree.GetNumberOfCliques(), 1);
}

TEST(CliqueTreeStructure, CliqueSizesPast32BitsNeitherWrapNorGoFirst) {
    // x has sixteen 4-outcome parents (linked in the part only): its clique has 4^17 entries, which a
    // 32-bit product would wrap to 0 and eliminate first. The small leaf must go first.
    TestNetwork t;
    const int x = t.Add("x", 4);
    std::vector<int> parents;
    for (int i = 0; i < 16; i++) parents.push_back(t.Add(("p" + std::to_string(i)).c_str(), 4));
    const int leaf = t.Add("leaf");
    WholePart part(t.net);
    for (int p : parents) part.Link(p, x);
    part.Link(parents[0], leaf);
    part.Refresh();
    CliqueTree tree;
    ASSERT_EQ(tree.BuildStructure(part.view), kSuccess);
    EXPECT_EQ(tree.GetEliminationOrder().front(), leaf);
    EXPECT_EQ(tree.GetClique(tree.GetHome(x)).GetTableSize(), uint64_t{1} << 34);
    EXPECT_GT(tree.GetTotalSize(), uint64_t{1} << 34);
}

// Three cliques of 4^15 entries each fit an int alone but not together: refused before any allocation.
TEST(CliqueTreeStructure, TablesTooLargeTogetherAreRefusedBeforeAnyIsAllocated) {
    TestNetwork t;
    std::vector<std::vector<int>> groups(3);
    for (int g = 0; g < 3; g++) {
        for (int i = 0; i < 15; i++)
            groups[g].push_back(t.Add(("g" + std::to_string(g * 15 + i)).c_str(), 4));
    }
    WholePart part(t.net);
    for (const std::vector<int>& group : groups) {
        for (int i = 1; i < 15; i++) part.Link(group[i], group[0]);
    }
    part.Refresh();
    CliqueTree tree;
    ASSERT_EQ(tree.BuildStructure(part.view), kSuccess);
    ASSERT_EQ(tree.GetNumberOfCliques(), 3);
    errorLog.Flush();
    EXPECT_EQ(tree.LoadTables(part.view), kOutOfMemory);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(std::string(errorLog.GetMessage(0)), "Clique tree: its tables need " +
                                                       std::to_string(tree.GetTotalSize()) +
                                                       " entries in all, more than fit in memory.");
    EXPECT_EQ(tree.GetTotalSize(), 3 * (uint64_t{1} << 30) + 2);
}

TEST(CliqueTreeStructure, GroupsThatShareNothingAreLinkedByAnEmptySeparator) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b"), c = t.Add("c"), d = t.Add("d");
    t.Arcs({{a, b}, {c, d}});
    t.Table(a, {0.2, 0.8});
    t.Table(c, {0.7, 0.3});
    WholePart part(t.net);
    CliqueTree tree(part.view);
    ASSERT_EQ(tree.GetStatus(), kSuccess);
    ASSERT_EQ(tree.GetNumberOfSeparators(), 1);
    EXPECT_EQ(tree.GetSeparator(0).GetNumberOfVariables(), 0);
    ASSERT_EQ(tree.Solve(part.view), kSuccess);
    const Reference ref = Enumerate(t.net);
    for (int h : {a, b, c, d}) ExpectNear(t.Beliefs(h), ref.beliefs[h], "node " + std::to_string(h));
    // No clique holds a and c together.
    VRX_intArray vars;
    ASSERT_EQ(vars.Add(a), kSuccess);
    ASSERT_EQ(vars.Add(c), kSuccess);
    VRX_Dmatrix out;
    const int sizes[] = {2, 2};
    ASSERT_EQ(out.SetupFromList(sizes, 2), kSuccess);
    EXPECT_EQ(tree.GetMarginal(vars, out), kOutOfRange);
}

// Larger random networks, beyond enumeration: the structure is a join tree and the beliefs agree with
// the join tree's to rounding.
TEST(CliqueTreeStructure, RandomNetworksGiveJoinTreesAndTheJoinTreesBeliefs) {
    RandomShape shape;
    shape.minNodes = 15;
    shape.maxNodes = 30;
    shape.maxParents = 4;
    for (unsigned seed = 1; seed <= 25; seed++) {
        std::mt19937 rng(seed);
        VRX_network net;
        net.propagationFlags = 0;
        Build(net, rng, shape);
        const std::string where = "seed " + std::to_string(seed);
        {
            WholePart part(net);
            CliqueTree tree;
            ASSERT_EQ(tree.BuildStructure(part.view), kSuccess) << where;
            ExpectJoinTree(tree, part.view, where);
        }
        std::vector<std::vector<double>> expected;
        net.SetBayesianAlgorithm(0);
        const int rc = net.UpdateBeliefs();
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) expected.push_back(Beliefs(net, h));
        net.InvalidateValues();
        net.SetBayesianAlgorithm(10);
        ASSERT_EQ(net.UpdateBeliefs(), rc) << where;
        if (rc != kSuccess) continue;
        size_t i = 0;
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h))
            ExpectNear(Beliefs(net, h), expected[i++], 1e-12, where);
    }
}

// ---------------------------------------------------------------------------------------------------
// Marginals and copies

// P(a, b | e) by enumeration: P(e, a = i) P(b | e, a = i) / P(e).
std::vector<double> PairMarginal(TestNetwork& t, int a, int b) {
    const double pe = Enumerate(t.net).probEvidence;
    const bool observed = t.Value(a)->HasEvidence();
    const int kept = observed ? t.Value(a)->GetEvidence() : -1;
    const std::vector<double> prior = Enumerate(t.net).beliefs[a];
    std::vector<double> cells;
    for (int i = 0; i < static_cast<int>(prior.size()); i++) {
        t.Observe(a, i);
        const Reference ref = Enumerate(t.net);
        for (double p : ref.beliefs[b])
            cells.push_back(kept >= 0 && i != kept ? 0.0 : ref.probEvidence * p / pe);
    }
    if (observed) {
        t.Observe(a, kept);
    } else {
        EXPECT_EQ(t.Value(a)->ClearEvidence(), kSuccess);
    }
    return cells;
}

TEST(CliqueTreeMarginals, PairsMatchEnumerationInTheOrderAskedWithObservedVariablesFixed) {
    Asia n;
    n.t.Observe(n.xray, 0);
    n.t.Observe(n.dysp, 0);
    WholePart part(n.t.net);
    CliqueTree tree(part.view);
    ASSERT_EQ(tree.GetStatus(), kSuccess);
    ASSERT_EQ(tree.Solve(part.view), kSuccess);
    const std::vector<std::pair<int, int>> pairs = {
        {n.either, n.lung}, {n.lung, n.either}, {n.bronc, n.smoke}, {n.xray, n.either}, {n.either, n.dysp}};
    for (const auto& pair : pairs) {
        VRX_intArray vars;
        ASSERT_EQ(vars.Add(pair.first), kSuccess);
        ASSERT_EQ(vars.Add(pair.second), kSuccess);
        VRX_Dmatrix out;
        const int sizes[] = {2, 2};
        ASSERT_EQ(out.SetupFromList(sizes, 2), kSuccess);
        ASSERT_EQ(tree.GetMarginal(vars, out), kSuccess) << pair.first << "," << pair.second;
        ExpectNear(Entries(out), PairMarginal(n.t, pair.first, pair.second), 1e-12,
                   std::to_string(pair.first) + "," + std::to_string(pair.second));
    }
}

TEST(CliqueTreeCopies, ACopyAnswersNewEvidenceWhileTheOriginalStaysReadyForTheNext) {
    Asia n;
    n.t.Observe(n.xray, 0);
    WholePart part(n.t.net);
    const CliqueTree original(part.view);
    ASSERT_EQ(original.GetStatus(), kSuccess);
    for (int round = 0; round < 2; round++) {
        CliqueTree work;
        ASSERT_EQ(work.CopyFrom(original), kSuccess);
        ASSERT_EQ(work.Solve(part.view), kSuccess) << round;
        const Reference ref = Enumerate(n.t.net);
        for (int h : n.t.Handles())
            ExpectNear(n.t.Beliefs(h), ref.beliefs[h], "round " + std::to_string(round));
        EXPECT_TRUE(original.IsBuilt());
        n.t.Observe(n.dysp, 1);
        part.graph.records[n.dysp]->evidence = 1;
    }
}

TEST(CliqueTreeCopies, CopyingIntoATreeOfTheSameShapeReusesItsIndexBuffers) {
    Asia n;
    WholePart part(n.t.net);
    CliqueTree first(part.view);
    ASSERT_EQ(first.Solve(part.view), kSuccess);
    CliqueTree second(first);
    ASSERT_EQ(second.GetStatus(), kSuccess);
    auto buffers = [](const CliqueTree& tree) {
        std::vector<const int*> out;
        for (int s = 0; s < tree.GetNumberOfSeparators(); s++)
            out.push_back(tree.GetSeparator(s).GetIndexMap());
        std::sort(out.begin(), out.end());
        return out;
    };
    const std::vector<const int*> before = buffers(second);
    ASSERT_FALSE(before.empty());
    second = first;
    ASSERT_EQ(second.GetStatus(), kSuccess);
    EXPECT_EQ(buffers(second), before);
}

TEST(CliqueTreeLifecycle, StepsOutOfOrderAreRefused) {
    Asia n;
    WholePart part(n.t.net);
    CliqueTree tree;
    EXPECT_EQ(tree.Propagate(), kOutOfRange);
    EXPECT_EQ(tree.LoadTables(part.view), kOutOfRange);
    ASSERT_EQ(tree.BuildStructure(part.view), kSuccess);
    EXPECT_EQ(tree.EnterEvidence(part.view), kOutOfRange);
    ASSERT_EQ(tree.LoadTables(part.view), kSuccess);
    EXPECT_EQ(tree.WriteBeliefs(part.view), kOutOfRange);
    ASSERT_EQ(tree.EnterEvidence(part.view), kSuccess);
    // Sliced tables no longer fit the structure.
    EXPECT_EQ(tree.LoadTables(part.view), kOutOfRange);
    ASSERT_EQ(tree.Propagate(), kSuccess);
    ASSERT_EQ(tree.Propagate(), kSuccess);  // a second pass changes nothing
    ASSERT_EQ(tree.WriteBeliefs(part.view), kSuccess);
    const Reference ref = Enumerate(n.t.net);
    for (int h : n.t.Handles()) ExpectNear(n.t.Beliefs(h), ref.beliefs[h]);
}

}  // namespace
