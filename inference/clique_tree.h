#pragma once
// Second exact engine on one relevant part: cliques from elimination by fewest fill-ins, linked into a
// join tree, tables sliced at the evidence after loading and propagated by collect and distribute with
// division by the old separator message. Built once, a tree
// can be reloaded, given new evidence, copied and asked for marginals over sets of variables.
// After Jensen, Lauritzen and Olesen, "Bayesian updating in causal probabilistic networks by local
// computations", 1990.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/int_array.h"

class PartView;
class RelevanceGraph;

namespace vovido {
struct HeldTables;
}  // namespace vovido

// A clique: part node indices with their sizes and a table over them, last variable fastest. Once the
// tree is ordered the variables of the parent separator stand last, in the separator's order.
class Clique {
public:
    int GetIndex() const { return index; }
    int GetNumberOfVariables() const { return variables.GetCount(); }
    const VRX_intArray& GetVariables() const { return variables; }
    const VRX_intArray& GetSizes() const { return sizes; }
    uint64_t GetTableSize() const { return tableSize; }
    const VRX_Dmatrix& GetTable() const { return table; }
    // Separator indices; after ordering only the links to children remain.
    const VRX_intArray& GetLinks() const { return links; }
    // -1 for a root.
    int GetParentSeparator() const { return parentSeparator; }
    // Position of v in the variable list, -1 when absent.
    int FindVariable(int v) const;

private:
    friend class CliqueTree;

    int index = -1;
    VRX_intArray variables;
    VRX_intArray sizes;
    uint64_t tableSize = 1;
    VRX_Dmatrix table;
    VRX_intArray links;
    int parentSeparator = -1;
};

// The variables two linked cliques share, ascending by node index, with a table over them.
class CliqueSeparator {
public:
    CliqueSeparator() = default;
    CliqueSeparator(CliqueSeparator&&) = default;
    CliqueSeparator& operator=(CliqueSeparator&&) = default;

    int GetIndex() const { return index; }
    int GetNumberOfVariables() const { return variables.GetCount(); }
    const VRX_intArray& GetVariables() const { return variables; }
    const VRX_intArray& GetSizes() const { return sizes; }
    uint64_t GetTableSize() const { return tableSize; }
    const VRX_Dmatrix& GetTable() const { return table; }
    int GetParent() const { return parent; }
    int GetChild() const { return child; }
    // Per entry of the parent clique's table, the separator entry it falls in (filled by collect).
    const int* GetIndexMap() const { return indexMap.get(); }
    int GetIndexMapCapacity() const { return indexMapCapacity; }
    int FindVariable(int v) const;

private:
    friend class CliqueTree;

    VRX_Dmatrix table;
    VRX_intArray variables;
    VRX_intArray sizes;
    int index = -1;
    uint64_t tableSize = 1;
    // Per variable of the parent clique, its stride in this table; 0 for one not held here.
    VRX_intArray parentStrides;
    std::unique_ptr<int[]> indexMap;
    int indexMapLength = 0;
    int indexMapCapacity = 0;
    int parent = -1;
    int child = -1;
};

class CliqueTree {
public:
    CliqueTree() = default;
    // BuildStructure, then LoadTables; GetStatus tells whether both succeeded.
    explicit CliqueTree(const PartView& part);
    CliqueTree(const CliqueTree& other);
    // Takes over the other tree's current state (CopyFrom); on failure the tree is empty and GetStatus
    // is kOutOfMemory.
    CliqueTree& operator=(const CliqueTree& other);
    ~CliqueTree() = default;

    // BuildStructure and LoadTables on this tree.
    [[nodiscard]] int Build(const PartView& part);
    // Elimination, linking, homes and order. 0; kOutOfRange when a parent lies outside the part; kOutOfMemory
    // without memory, or (logged) when the tables would pass `limit` entries: the elimination stops at the
    // first clique that passes it alone, so that a hopeless part costs no more than its first cliques.
    [[nodiscard]] int BuildStructure(const PartView& part, uint64_t limit = UINT64_MAX);
    // Every clique table set to the product of its families' tables. Needs an unsliced structure: kOutOfRange
    // after evidence entry (build again first) or for a table that does not fit its family; kOutOfMemory
    // (logged) when a table does not fit in memory.
    [[nodiscard]] int LoadTables(const PartView& part);
    // Slices every table at the part's observed outcomes and drops those variables. 0, kOutOfRange or
    // kOutOfMemory.
    [[nodiscard]] int EnterEvidence(const PartView& part);
    // Collect from the last separator to the first, then distribute. kConflictingEvidence (logged) when the
    // evidence has probability zero, kOutOfRange before tables are loaded, kOutOfMemory without memory.
    [[nodiscard]] int Propagate();
    // Normalised beliefs of the part's unobserved nodes into their values, marked up to date; observed
    // nodes whose evidence was only derived get their 0/1 vector. Nothing is written on failure:
    // kConflictingEvidence (logged) for a marginal of zero mass, kOutOfRange before propagation, kOutOfMemory
    // without memory.
    [[nodiscard]] int WriteBeliefs(const PartView& part);
    // EnterEvidence, Propagate, WriteBeliefs.
    [[nodiscard]] int Solve(const PartView& part);
    // The normalised marginal over the given part nodes into out, already dimensioned over them in that
    // order. Observed variables are fixed at their outcome. kOutOfRange before propagation, for a shape that
    // does not match, a repeated variable or one that no clique holds.
    [[nodiscard]] int GetMarginal(const VRX_intArray& variables, VRX_Dmatrix& out) const;
    // Replaces this tree by a copy of other, reusing this tree's buffers. 0 or kOutOfMemory (tree left
    // empty).
    [[nodiscard]] int CopyFrom(const CliqueTree& other);
    // Sum of the clique and separator table sizes.
    uint64_t GetTotalSize() const;
    // The entries propagation holds: the tables, and an index into each separator per entry of its parent
    // clique.
    uint64_t GetWorkingSize() const;
    // Room for n cliques. 0 or kOutOfMemory.
    [[nodiscard]] int Reserve(int n);

    // Result of the constructor or of the last assignment.
    int GetStatus() const { return status_; }
    int GetNumberOfNodes() const { return n_; }
    int GetNumberOfCliques() const { return static_cast<int>(cliques_.size()); }
    const Clique& GetClique(int i) const { return cliques_[i]; }
    int GetNumberOfSeparators() const { return static_cast<int>(separators_.size()); }
    const CliqueSeparator& GetSeparator(int i) const { return separators_[i]; }
    // Clique index of the node's family, -1 when unassigned.
    int GetHome(int v) const { return homes_[v]; }
    // Per node: separator index + 1, or -(clique index + 1), of the smallest table holding it; 0 for none.
    const VRX_intArray& GetBeliefHomes() const { return beliefHomes_; }
    // Nodes in the order they were eliminated.
    const std::vector<int>& GetEliminationOrder() const { return eliminationOrder_; }
    bool IsBuilt() const { return built_; }

private:
    // Structure (clique_tree.cpp).
    void Clear();
    // Makes the cliques and the pairs of them that the elimination tree joins.
    int Eliminate(const PartView& part, std::vector<std::pair<int, int>>& links, uint64_t limit);
    // Separators for the joined pairs, and empty ones between groups that nothing joins.
    int LinkCliques(const std::vector<std::pair<int, int>>& links);
    int AssignHomes(const PartView& part);
    void OrderCliques();
    // The cliques in tree order, each tree started at its smallest clique: order lists them, separatorOrder
    // the separators, each pointing from its parent clique to its child.
    void OrientTrees(std::vector<int>& order, std::vector<int>& separatorOrder);
    // Both lists renumbered in the orders OrientTrees found.
    void RenumberInOrder(const std::vector<int>& order, const std::vector<int>& separatorOrder);
    // The parent separator's variables to the end of each child's list.
    void MoveSeparatorVariablesLast();
    int MakeClique(const std::vector<int>& members);

    // Tables (clique_tree_tables.cpp).
    int ResetClique(Clique& clique);
    int PrepareSeparator(CliqueSeparator& separator);
    int LoadFamily(const PartView& part, int v);
    int SliceClique(Clique& clique);
    int SliceSeparator(CliqueSeparator& separator);
    void ComputeParentStrides(CliqueSeparator& separator);
    // The separator's strides into its parent clique and room for the index map over the parent's table.
    int LinkToParent(CliqueSeparator& separator);
    void Collect(CliqueSeparator& separator);
    void Distribute(CliqueSeparator& separator);
    bool EveryPieceHasMass() const;
    void FindBeliefHomes();
    // Destroys every clique and separator, keeping the index buffers for reuse.
    int ReleaseTables(std::vector<std::pair<int, std::unique_ptr<int[]>>>& indexMaps);

    std::vector<Clique> cliques_;
    std::vector<CliqueSeparator> separators_;
    int n_ = 0;
    std::vector<int> homes_;
    VRX_intArray beliefHomes_;
    // Per node: its outcome count, and its observed outcome once evidence is entered (-1 otherwise).
    std::vector<int> nodeSizes_;
    std::vector<int> evidence_;
    std::vector<int> eliminationOrder_;
    bool built_ = false;
    bool loaded_ = false;
    bool propagated_ = false;
    int status_ = 0;
    // Temporary of distribution, kept between separators.
    std::vector<double> scratch_;
};

// Builds a clique tree for the part, enters its evidence, propagates and writes every belief. 0 or the
// failing step's status; kOutOfMemory (logged) also when the tables would pass the join-tree limit, or
// would not fit the memory of an update beside the network's tables (counted into held when first needed).
[[nodiscard]] int RunCliqueTreeOnPart(RelevanceGraph& part, vovido::HeldTables& held);
