// Childless nodes left out of the belief-updating join tree: which ones are, and beliefs against
// enumeration of the joint with observed and unobserved parents, likelihoods and observed leaves.
#include "inference/join_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "inference/relevant_parts.h"
#include "tests/support/brute_force.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

// Roots A, B, C; D and E below them; six childless nodes: L1 and L2 over D and E (L2 over A too), L3 below
// C, L4 below E, L5 below D, L6 below A and C.
struct Leaves {
    Leaves() {
        a = t.Add("A"), b = t.Add("B", 3), c = t.Add("C"), d = t.Add("D", 3), e = t.Add("E");
        l1 = t.Add("L1"), l2 = t.Add("L2", 3), l3 = t.Add("L3"), l4 = t.Add("L4"), l5 = t.Add("L5");
        l6 = t.Add("L6", 3);
        t.Arcs({{a, d},
                {b, d},
                {b, e},
                {c, e},
                {d, l1},
                {e, l1},
                {a, l2},
                {d, l2},
                {e, l2},
                {c, l3},
                {e, l4},
                {d, l5},
                {a, l6},
                {c, l6}});
        std::mt19937 rng(7);
        t.RandomTables(rng, 0.0);
    }
    TestNetwork t;
    int a, b, c, d, e, l1, l2, l3, l4, l5, l6;
};

// Identifiers of the nodes the belief-updating trees of the network's parts leave out.
std::set<std::string> LeftOut(VRX_network& net) {
    std::set<std::string> ids;
    int status = kSuccess;
    std::unique_ptr<vovido::RelevantPartList> parts = FindRelevantParts(net, true, true, &status);
    EXPECT_NE(parts, nullptr);
    if (parts == nullptr) return ids;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        if (part->GetNumberOfRecords() < 2) continue;
        PartView view(*part);
        JoinTree tree(view, JoinTree::ChildlessNodes::kLeftOut);
        EXPECT_TRUE(tree.Build(0));
        for (int v : tree.GetLeftOutNodes()) ids.insert(view.GetRecord(v)->node->GetId());
        JoinTree whole(view);
        EXPECT_TRUE(whole.Build(0));
        EXPECT_TRUE(whole.GetLeftOutNodes().empty());
    }
    return ids;
}

TEST(ChildlessNodes, AreLeftOutOfTheTreeWhereExactAndTheirBeliefsMatchEnumeration) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, int>> evidence;
        const char* likelihood;  // a node given the likelihoods (0.2, 0.9), or null
        std::set<std::string> leftOut;
    } cases[] = {
        {"nothing observed", {}, nullptr, {"L1", "L2", "L3", "L4", "L5", "L6"}},
        // L6's parents are both observed: it is a part of its own, answered from its table. L3 likewise.
        {"parents observed", {{"A", 0}, {"C", 1}}, nullptr, {"L1", "L2", "L4", "L5"}},
        // An observed leaf weighs its parent: it stays.
        {"observed leaf", {{"L5", 1}}, nullptr, {"L1", "L2", "L3", "L4", "L6"}},
        // Likelihoods on a leaf weigh its parent: it stays.
        {"likelihood", {}, "L4", {"L1", "L2", "L3", "L5", "L6"}},
        {"mixed", {{"D", 2}, {"L1", 0}}, "L4", {"L2", "L3", "L6"}},
    };
    for (const auto& c : cases) {
        Leaves n;
        VRX_network& net = n.t.net;
        for (const auto& [id, outcome] : c.evidence) n.t.Observe(net.FindNode(id), outcome);
        if (c.likelihood != nullptr) {
            ASSERT_EQ(n.t.Value(net.FindNode(c.likelihood))->SetVirtualEvidence(Doubles({0.2, 0.9})),
                      kSuccess);
        }
        EXPECT_EQ(LeftOut(net), c.leftOut) << c.name;
        net.SetBayesianAlgorithm(0);
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << c.name;
        const Reference reference = Enumerate(net);
        for (int h : n.t.Handles())
            ExpectNear(n.t.Beliefs(h), reference.beliefs[h],
                       std::string(c.name) + " " + net.GetNode(h)->GetId());
    }
}

// A table whose columns do not sum to 1 weighs its parents as a likelihood would: outside an update,
// which scales the tables, its node stays in the tree.
TEST(ChildlessNodes, ATableOffOneStaysInTheTree) {
    Leaves n;
    std::vector<double> halved = Entries(n.t.Definition(n.l1));
    for (double& x : halved) x *= 0.5;
    n.t.RawTable(n.l1, halved);
    EXPECT_EQ(LeftOut(n.t.net), (std::set<std::string>{"L2", "L3", "L4", "L5", "L6"}));
}

}  // namespace

namespace {

// A dense core A..E (each a child of every earlier one), a branch E -> F -> G, and leaves over them: some
// interleaved over single core nodes, some over the same parents in other orders, some over E, which a
// small cluster {E, F} holds as well as the core's.
struct SharedParents {
    explicit SharedParents(bool interleaved) {
        const char* core[] = {"A", "B", "C", "D", "E"};
        for (int i = 0; i < 5; i++) {
            c[i] = t.Add(core[i], i == 2 ? 3 : 2);
            for (int j = 0; j < i; j++) t.Arc(c[j], c[i]);
        }
        f = t.Add("F"), g = t.Add("G");
        t.Arcs({{c[4], f}, {f, g}});
        // (parents, outcomes) of each leaf, in the order they are added.
        std::vector<std::pair<std::vector<int>, int>> leaves = {
            {{c[0]}, 2},    {{c[1]}, 2}, {{c[0], c[2]}, 2}, {{c[0]}, 2}, {{c[2], c[0]}, 3},
            {{c[4], f}, 2}, {{c[4]}, 2}, {{f, c[4]}, 2},    {{c[1]}, 2}};
        if (!interleaved) {
            std::stable_sort(leaves.begin(), leaves.end(), [](const auto& x, const auto& y) {
                return std::set<int>(x.first.begin(), x.first.end()) <
                       std::set<int>(y.first.begin(), y.first.end());
            });
        }
        for (size_t i = 0; i < leaves.size(); i++) {
            const int h = t.Add(("L" + std::to_string(i)).c_str(), leaves[i].second);
            for (int p : leaves[i].first) t.Arc(p, h);
        }
        std::mt19937 rng(11);
        t.RandomTables(rng, 0.0);
    }
    TestNetwork t;
    int c[5], f, g;
};

// Pass entries the belief-updating tree of the network's part counts for all its nodes.
uint64_t PassEntries(VRX_network& net) {
    int status = kSuccess;
    std::unique_ptr<vovido::RelevantPartList> parts = FindRelevantParts(net, true, true, &status);
    EXPECT_NE(parts, nullptr);
    if (parts == nullptr || parts->size() != 1) return 0;
    PartView view(*parts->front());
    JoinTree tree(view, JoinTree::ChildlessNodes::kLeftOut);
    EXPECT_TRUE(tree.Build(0));
    EXPECT_EQ(tree.GetLeftOutNodes().size(), 10u);  // the nine leaves and G
    EXPECT_EQ(tree.AssignFamilies(), kSuccess);
    return tree.EstimatePassEntries(nullptr);
}

TEST(ChildlessNodes, LeavesSharingParentsInAnyOrderMatchEnumeration) {
    const struct {
        const char* name;
        bool interleaved;
        int algorithm;
        std::vector<std::pair<const char*, int>> evidence;
        std::vector<const char*> targets;  // none: every node
    } cases[] = {
        {"interleaved", true, 0, {}, {}},
        {"grouped", false, 0, {}, {}},
        {"interleaved, observed", true, 0, {{"B", 1}, {"G", 1}}, {}},
        {"interleaved, algorithm 11", true, 11, {{"D", 0}}, {}},
        {"interleaved, algorithm 12", true, 12, {}, {}},
        // Leaves whose single parent's belief is not asked for.
        {"leaves as targets", true, 0, {{"F", 1}}, {"L0", "L3", "L6", "L8"}},
    };
    for (const auto& c : cases) {
        SharedParents n(c.interleaved);
        VRX_network& net = n.t.net;
        for (const auto& [id, outcome] : c.evidence) n.t.Observe(net.FindNode(id), outcome);
        for (const char* id : c.targets) ASSERT_EQ(net.SetTarget(net.FindNode(id)), kSuccess) << c.name;
        net.SetBayesianAlgorithm(c.algorithm);
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << c.name;
        const Reference reference = Enumerate(net);
        std::vector<int> checked;
        for (const char* id : c.targets) checked.push_back(net.FindNode(id));
        for (int h : c.targets.empty() ? n.t.Handles() : checked)
            ExpectNear(n.t.Beliefs(h), reference.beliefs[h],
                       std::string(c.name) + " " + net.GetNode(h)->GetId());
    }
}

// Each parent set's marginal is counted once however its leaves interleave, as the reading makes it once.
TEST(ChildlessNodes, WorkOfSharedMarginalsIsTheSameInAnyOrder) {
    SharedParents interleaved(true);
    SharedParents grouped(false);
    const uint64_t entries = PassEntries(interleaved.t.net);
    EXPECT_GT(entries, 0u);
    EXPECT_EQ(entries, PassEntries(grouped.t.net));
}

}  // namespace
