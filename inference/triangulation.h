#pragma once
// Triangulation of a moral graph by node elimination under a size limit: the elimination order, the
// fill-in edges, the cliques it yields and how they link into a tree. The join tree builds its clusters
// from the cliques.
// After Kjaerulff, "Triangulation of graphs: algorithms giving small total state space", 1990.

#include <cstdint>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

namespace vovido {

// What the triangulation reads of a graph: its node count, each node's size and each node's parents.
// The moral graph joins every node to its parents and the parents of a node to each other.
class MoralGraphSource {
public:
    virtual ~MoralGraphSource() = default;
    virtual int GetNumberOfNodes() const = 0;
    // The number of values the node contributes to a table: 1 for an observed node, else its outcome
    // count (a size below 1 counts as 1).
    virtual int GetSize(int v) const = 0;
    // Parent indices in the node's parent order; indices outside the graph are ignored.
    virtual const std::vector<int>& GetParents(int v) const = 0;
    // Whether the node stays out of the graph: it gets no edge and no clique, but its parents are joined
    // to each other as if its family were there. No node does unless the source says so.
    virtual bool IsLeftOut(int /*v*/) const { return false; }
};

// A clique as made by one elimination: the eliminated node, then its neighbours at that moment from the
// last to the first. The separator holds the members that still had neighbours outside the clique. Once
// linked (and for the last clique made) both lists are ascending.
struct Clique {
    int eliminated = -1;
    // The eliminated node's weight when it was chosen: the product of its size and its neighbours'.
    uint32_t weight = 0;
    std::vector<int> members;
    std::vector<int> separator;
    // Creation index of the first later clique holding the separator; -1 for none.
    int parent = -1;
};

class Triangulation {
public:
    // The limit that no total exceeds.
    static constexpr uint32_t kNoLimit = 0xFFFFFFFFu;
    // Weights above this are not kept: the node's weight is recomputed from its neighbours when needed.
    static constexpr uint64_t kWeightCeiling = 1073741824u;

    // Cliques of more than maxMembers members make the triangulation fail.
    explicit Triangulation(int maxMembers) : maxMembers_(maxMembers) {}

    // Simplicial nodes are eliminated first (in index order, pass after pass), then the node of the
    // smallest weight (the lower index on ties) with its fill-in edges, and so on. False when a clique
    // would exceed maxMembers, when no node left has a weight within the ceiling, or when the sum of
    // the clique weights exceeds the limit (0: the default join tree limit; kNoLimit: none). The
    // cliques made before a failure are kept.
    bool Run(const MoralGraphSource& graph, uint32_t limit);

    // Cliques in creation order.
    const std::vector<Clique>& GetCliques() const { return cliques_; }
    // Nodes in the order they were eliminated.
    const std::vector<int>& GetEliminationOrder() const { return order_; }
    // Edges added to the moral graph, each as (earlier neighbour, later neighbour) of the eliminated
    // node's list, in the order they were added.
    const std::vector<std::pair<int, int>>& GetFillIns() const { return fillIns_; }
    // Sum of the weights of the cliques made, without wrap-around.
    uint64_t GetTotalWeight() const { return total_; }
    // Whether the last Run failed because memory ran out rather than from the limit.
    bool RanOutOfMemory() const { return ranOutOfMemory_; }

private:
    bool Setup(const MoralGraphSource& graph);
    void BuildMoralGraph(const MoralGraphSource& graph);
    // Joins every two of the nodes.
    void Marry(const std::vector<int>& nodes);
    bool Adjacent(int a, int b) const;
    void AddEdge(int a, int b);
    void AddEdgeUnchecked(int a, int b);
    void RemoveNode(int v);
    // The node's weight, recomputed when it went out of range; 0 when it cannot be kept in range.
    uint32_t WeightOf(int v);
    bool IsSimplicial(int v);
    bool EliminateSimplicial();
    bool EliminateAll();
    void AddFillIns(int v);
    // Bookkeeping that keeps each elimination step from scanning every node: the dirty nodes in index
    // order, and the nodes whose weight may have changed since the last choice by weight.
    void MarkDirty(int v);
    void MarkWeightChanged(int v);
    // The pending node after the position (-1: from the start), its bit cleared; -1 when none.
    int TakeNextPending(int position);
    // The uneliminated node of the smallest weight (the lowest index among equals); -1 when none has a
    // weight in range.
    int LightestNode(uint32_t& weight);
    bool MakeClique(int v, uint32_t w);
    void LinkCliques();
    bool HoldsSeparatorOf(const Clique& holder, const Clique& other) const;
    bool WithinLimit() const { return limit_ == kNoLimit || total_ <= limit_; }
    int NextStamp() { return ++stampToken_; }

    static uint32_t Scale(uint32_t w, int size) {
        if (w == 0) return 0;
        const uint64_t product = static_cast<uint64_t>(w) * static_cast<uint64_t>(size);
        return product > kWeightCeiling ? 0u : static_cast<uint32_t>(product);
    }

    int maxMembers_;
    uint64_t total_ = 0;
    bool ranOutOfMemory_ = false;
    uint32_t limit_ = 0;
    int n_ = 0;
    int numEliminated_ = 0;
    std::vector<Clique> cliques_;
    std::vector<int> order_;
    std::vector<std::pair<int, int>> fillIns_;
    std::vector<std::vector<int>> neighbours_;
    std::vector<uint32_t> weight_;
    std::vector<int> size_;
    std::vector<char> eliminated_;
    // Set when a node's neighbourhood changed since it was last found not simplicial.
    std::vector<char> dirty_;
    // One bit a node, set while it waits for a simplicial test: the next one after a position is found a
    // word at a time.
    std::vector<uint64_t> pendingDirty_;
    std::vector<int> weightChanged_;
    std::vector<char> inWeightChanged_;
    std::priority_queue<std::pair<uint32_t, int>, std::vector<std::pair<uint32_t, int>>, std::greater<>>
        lightest_;
    // Clique (creation index) in which each node was eliminated.
    std::vector<int> eliminatedIn_;
    std::vector<int> stamp_;
    int stampToken_ = 0;
    std::vector<int> saved_;
};

}  // namespace vovido
