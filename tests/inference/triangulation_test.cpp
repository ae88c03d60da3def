// Triangulation on small graphs worked by hand (elimination order, fill-in edges, cliques with their
// separators, weights and links), its limits, and on generated graphs the properties every result must
// have: chordal graphs take no fill-in, and the order eliminates every node simplicial in the filled graph.
#include "inference/triangulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using vovido::Clique;
using vovido::Triangulation;
using Edges = std::vector<std::pair<int, int>>;

class Graph : public vovido::MoralGraphSource {
public:
    Graph(std::vector<int> sizes, std::vector<std::vector<int>> parents)
        : sizes_(std::move(sizes)), parents_(std::move(parents)) {}
    int GetNumberOfNodes() const override { return static_cast<int>(sizes_.size()); }
    int GetSize(int v) const override { return sizes_[v]; }
    const std::vector<int>& GetParents(int v) const override { return parents_[v]; }

    // The moral graph as a set of edges (a, b) with a < b.
    std::set<std::pair<int, int>> MoralEdges() const {
        std::set<std::pair<int, int>> edges;
        auto add = [&](int a, int b) {
            if (a != b) edges.emplace(std::min(a, b), std::max(a, b));
        };
        for (size_t v = 0; v < parents_.size(); v++) {
            for (size_t i = 0; i < parents_[v].size(); i++) {
                add(static_cast<int>(v), parents_[v][i]);
                for (size_t j = i + 1; j < parents_[v].size(); j++) add(parents_[v][i], parents_[v][j]);
            }
        }
        return edges;
    }

private:
    std::vector<int> sizes_;
    std::vector<std::vector<int>> parents_;
};

struct ExpectedClique {
    int eliminated;
    std::vector<int> members;
    std::vector<int> separator;
    uint32_t weight;
    int parent;
};

struct HandCase {
    const char* name;
    Graph graph;
    std::vector<int> order;
    Edges fillIns;
    std::vector<ExpectedClique> cliques;
};

TEST(Triangulation, SmallGraphsWorkedByHand) {
    const HandCase cases[] = {
        // 0 -> 1 -> 2: node 0 is simplicial first; node 2 goes with node 1, having no other neighbour.
        {"chain",
         Graph({2, 2, 2}, {{}, {0}, {1}}),
         {0, 1, 2},
         {},
         {{0, {0, 1}, {1}, 4, 1}, {1, {1, 2}, {}, 4, -1}}},
        // Two triangles sharing the edge 1-2 (3's parents 1 and 2 are married): chordal, no fill-in.
        {"two triangles",
         Graph({2, 2, 2, 2}, {{}, {0}, {0}, {1, 2}}),
         {0, 1, 3, 2},
         {},
         {{0, {0, 1, 2}, {1, 2}, 8, 1}, {1, {1, 2, 3}, {}, 8, -1}}},
        // The cycle 0-1-2-3-0 (node 0's neighbours listed 3, 1): nobody is simplicial; 0 (weight 8, the
        // lowest index among equals) goes first and joins 3 and 1; the triangle left goes at once.
        {"four-cycle",
         Graph({2, 2, 2, 2}, {{3}, {0}, {1}, {2}}),
         {0, 1, 2, 3},
         {{3, 1}},
         {{0, {0, 1, 3}, {1, 3}, 8, 1}, {1, {1, 2, 3}, {}, 8, -1}}},
        // The same cycle with node 0 of three values: node 2 (weight 8 against 12) is the lightest.
        {"four-cycle, one larger node",
         Graph({3, 2, 2, 2}, {{3}, {0}, {1}, {2}}),
         {2, 0, 1, 3},
         {{1, 3}},
         {{2, {1, 2, 3}, {1, 3}, 8, 1}, {0, {0, 1, 3}, {}, 12, -1}}},
        // A wheel: hub 0 and the rim 1-2-3-4-1. Rim node 1 goes first; of the pairs of its neighbours
        // 0, 4, 2 only 4-2 is missing; the four nodes left form a clique.
        {"wheel",
         Graph({2, 2, 2, 2, 2}, {{}, {0, 4}, {0, 1}, {0, 2}, {0, 3}}),
         {1, 0, 2, 4, 3},
         {{4, 2}},
         {{1, {0, 1, 2, 4}, {0, 2, 4}, 16, 1}, {0, {0, 2, 3, 4}, {}, 16, -1}}},
        // An observed node counts as size 1 but stays in the graph.
        {"observed middle",
         Graph({2, 1, 2}, {{}, {0}, {1}}),
         {0, 1, 2},
         {},
         {{0, {0, 1}, {1}, 2, 1}, {1, {1, 2}, {}, 2, -1}}},
        // Two pieces: an empty separator is held by any clique, so the first piece hangs below the second.
        {"two pieces",
         Graph({2, 2, 3, 3}, {{}, {0}, {}, {2}}),
         {0, 1, 2, 3},
         {},
         {{0, {0, 1}, {}, 4, 1}, {2, {2, 3}, {}, 9, -1}}},
    };
    for (const HandCase& c : cases) {
        SCOPED_TRACE(c.name);
        Triangulation t(30);
        ASSERT_TRUE(t.Run(c.graph, 0));
        EXPECT_EQ(t.GetEliminationOrder(), c.order);
        EXPECT_EQ(t.GetFillIns(), c.fillIns);
        ASSERT_EQ(t.GetCliques().size(), c.cliques.size());
        uint64_t total = 0;
        for (size_t i = 0; i < c.cliques.size(); i++) {
            const Clique& got = t.GetCliques()[i];
            EXPECT_EQ(got.members, c.cliques[i].members) << i;
            EXPECT_EQ(got.separator, c.cliques[i].separator) << i;
            EXPECT_EQ(got.weight, c.cliques[i].weight) << i;
            EXPECT_EQ(got.parent, c.cliques[i].parent) << i;
            EXPECT_EQ(got.eliminated, c.cliques[i].eliminated) << i;
            total += got.weight;
        }
        EXPECT_EQ(t.GetTotalWeight(), total);
    }
}

// The path 64-63-...-0-65-...-129: a pass in index order takes its two ends, leaving the new ends behind
// it for the next pass, which must not miss them on either side of a 64-node boundary.
TEST(Triangulation, NodesMadeSimplicialBehindAPassWaitForTheNext) {
    std::vector<std::vector<int>> parents(130);
    for (int i = 0; i < 64; i++) parents[i] = {i + 1};
    parents[65] = {0};
    for (int j = 66; j < 130; j++) parents[j] = {j - 1};
    std::vector<int> expected;
    for (int k = 0; k < 64; k++) expected.insert(expected.end(), {64 - k, 129 - k});
    expected.insert(expected.end(), {0, 65});
    Triangulation t(30);
    ASSERT_TRUE(t.Run(Graph(std::vector<int>(130, 2), parents), 0));
    EXPECT_EQ(t.GetEliminationOrder(), expected);
    EXPECT_TRUE(t.GetFillIns().empty());
    EXPECT_EQ(t.GetTotalWeight(), 129u * 4u);
}

TEST(Triangulation, CliqueSizeAndWeightLimits) {
    // 3's parents 0, 1 and 2: married, the four nodes form one clique.
    const Graph family({2, 2, 2, 2}, {{}, {}, {}, {0, 1, 2}});
    Triangulation roomy(4);
    ASSERT_TRUE(roomy.Run(family, 0));
    ASSERT_EQ(roomy.GetCliques().size(), 1u);
    EXPECT_EQ(roomy.GetCliques()[0].members, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(roomy.GetCliques()[0].weight, 16u);

    Triangulation tight(3);
    EXPECT_FALSE(tight.Run(family, 0));
    // The clique made before the failure stays, cut at the capacity.
    ASSERT_EQ(tight.GetCliques().size(), 1u);
    EXPECT_EQ(tight.GetCliques()[0].members.size(), 3u);

    // The chain's two cliques weigh 4 each.
    const Graph chain({2, 2, 2}, {{}, {0}, {1}});
    struct LimitCase {
        uint32_t limit;
        bool built;
    };
    for (const LimitCase& c : {LimitCase{7, false}, LimitCase{8, true}, LimitCase{0, true},
                               LimitCase{Triangulation::kNoLimit, true}}) {
        Triangulation t(30);
        EXPECT_EQ(t.Run(chain, c.limit), c.built) << c.limit;
        EXPECT_EQ(t.GetTotalWeight(), 8u) << c.limit;
    }

    // Two joined nodes of 2^29 values: no weight stays within the ceiling, so nothing can be eliminated.
    const Graph huge({1 << 29, 1 << 29}, {{}, {0}});
    Triangulation t(30);
    EXPECT_FALSE(t.Run(huge, Triangulation::kNoLimit));
    EXPECT_TRUE(t.GetCliques().empty());
}

// Graphs made of n nodes, node v (v >= 1) taking as parents an earlier node u and some of u's parents:
// with clique parents (chordal) or with u's parents' parents instead, which leaves chordless cycles.
Graph Generated(int n, int seed, bool chordal) {
    std::vector<std::vector<int>> parents(static_cast<size_t>(n));
    std::vector<int> sizes(static_cast<size_t>(n));
    for (int v = 0; v < n; v++) {
        sizes[v] = 2 + (v * 7 + seed) % 3;
        if (v == 0) continue;
        const int u = (v * 31 + seed * 17) % v;
        parents[v].push_back(u);
        const std::vector<int>& pool =
            chordal ? parents[u] : (parents[u].empty() ? parents[u] : parents[parents[u][0]]);
        for (size_t k = 0; k < pool.size(); k++) {
            if (((v + seed) >> k) & 1) parents[v].push_back(pool[k]);
        }
        std::sort(parents[v].begin(), parents[v].end());
        parents[v].erase(std::unique(parents[v].begin(), parents[v].end()), parents[v].end());
    }
    return Graph(std::move(sizes), std::move(parents));
}

TEST(Triangulation, EveryResultIsAChordalCoverOfTheMoralGraph) {
    for (bool chordal : {true, false}) {
        size_t fillIns = 0;
        for (int seed = 0; seed < 25; seed++) {
            SCOPED_TRACE((chordal ? "chordal seed " : "seed ") + std::to_string(seed));
            const Graph g = Generated(14, seed, chordal);
            Triangulation t(30);
            ASSERT_TRUE(t.Run(g, Triangulation::kNoLimit));
            if (chordal) {
                EXPECT_TRUE(t.GetFillIns().empty());
            }
            fillIns += t.GetFillIns().size();

            std::set<std::pair<int, int>> filled = g.MoralEdges();
            for (const auto& e : t.GetFillIns())
                filled.emplace(std::min(e.first, e.second), std::max(e.first, e.second));
            auto adjacent = [&](int a, int b) { return filled.count({std::min(a, b), std::max(a, b)}) > 0; };
            // Each node's neighbours eliminated after it are pairwise adjacent in the filled graph.
            const std::vector<int>& order = t.GetEliminationOrder();
            ASSERT_EQ(order.size(), 14u);
            std::vector<int> position(14);
            for (int i = 0; i < 14; i++) position[order[i]] = i;
            for (int v = 0; v < 14; v++) {
                std::vector<int> later;
                for (int w = 0; w < 14; w++) {
                    if (adjacent(v, w) && position[w] > position[v]) later.push_back(w);
                }
                for (size_t i = 0; i < later.size(); i++) {
                    for (size_t j = i + 1; j < later.size(); j++)
                        EXPECT_TRUE(adjacent(later[i], later[j])) << v;
                }
            }
            // Cliques are complete, every edge lies in one, and each parent holds its child's separator.
            std::set<std::pair<int, int>> covered;
            const std::vector<Clique>& cliques = t.GetCliques();
            for (const Clique& c : cliques) {
                for (size_t i = 0; i < c.members.size(); i++) {
                    for (size_t j = i + 1; j < c.members.size(); j++) {
                        EXPECT_TRUE(adjacent(c.members[i], c.members[j]));
                        covered.emplace(std::min(c.members[i], c.members[j]),
                                        std::max(c.members[i], c.members[j]));
                    }
                }
                if (c.parent < 0) continue;
                const std::vector<int>& holder = cliques[static_cast<size_t>(c.parent)].members;
                for (int s : c.separator) EXPECT_NE(std::find(holder.begin(), holder.end(), s), holder.end());
            }
            EXPECT_EQ(covered, filled);
        }
        // The other graphs do have chordless cycles to fill.
        if (!chordal) {
            EXPECT_GT(fillIns, 0u);
        }
    }
}

}  // namespace
