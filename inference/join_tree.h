#pragma once
// Join tree of one relevant part: triangulation of the moral graph under a size limit, the clusters
// it yields linked into a tree, and exact propagation of beliefs over it.
// After Lauritzen and Spiegelhalter, "Local computations with probabilities on graphical structures and their
// application to expert systems", 1988.

#include "base/int_array.h"
#include "base/size_limits.h"
#include "inference/join_tree_tables.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class PartView;

namespace vovido {
struct Clique;
}  // namespace vovido

// Cluster (clique) of the join tree. Member, separator and family lists hold part indices; once the
// tree is linked the member and separator lists are ascending, which is the variable order of the
// cluster's tables.
class Cluster {
public:
    static constexpr int kMaxMembers = kMaxTableDimensions;

    Cluster() = default;
    Cluster(const Cluster&) = delete;
    Cluster& operator=(const Cluster&) = delete;

    // Moves the cluster from its old parent's child list (if any) to the new parent's; kOutOfMemory leaves it
    // where it was.
    [[nodiscard]] int SetParent(Cluster* parent);
    // True when every separator node of other is a member here (an empty separator always is).
    bool HoldsSeparatorOf(const Cluster& other) const;
    // True when node and all its parents (part indices; indices outside the part are ignored) are
    // members.
    bool HoldsFamily(int node, const std::vector<int>& parents) const;
    bool HoldsMember(int node) const;
    // True when every node of the list (part indices; indices outside the part are ignored) is a member.
    bool HoldsAll(const std::vector<int>& nodes) const;
    void SortLists();

    int GetNumberOfMembers() const { return numMembers; }
    const int* GetMembers() const { return members; }
    int GetNumberOfSeparatorNodes() const { return numSeparator; }
    const int* GetSeparator() const { return separator; }
    int GetNumberOfFamilies() const { return numFamilies; }
    const int* GetFamilies() const { return families; }
    int GetEliminatedNode() const { return eliminatedNode; }
    uint32_t GetWeight() const { return weight; }
    Cluster* GetParent() const { return parentCluster; }
    int GetNumberOfChildren() const { return childClusters.GetCount(); }
    // Index of the child in the join tree's creation order.
    int GetChildIndex(int k) const { return childClusters[k]; }
    int GetIndex() const { return index; }
    PotentialTable& GetClusterTable() { return clusterTable; }
    PotentialTable& GetSeparatorTable() { return separatorTable; }
    const StrideProgram& GetToSeparator() const { return toSeparator; }
    const StrideProgram& GetParentToSeparator() const { return parentToSeparator; }
    int IsTableReady() const { return tableReady; }

private:
    friend class JoinTree;
    friend class ClusterPool;

    // Back to the state of a fresh record with the given index in creation order.
    void Reset(int creationIndex);
    [[nodiscard]] int AddMember(int node);
    [[nodiscard]] int AddSeparatorNode(int node);

    // Propagation steps (join_tree_propagation.cpp). Each returns 0, or kOutOfMemory when a table cannot be
    // allocated, or kOutOfRange when a conditional table does not fit its family.
    [[nodiscard]] int PrepareSeparator(const PartView& part);
    [[nodiscard]] int InitializeTable(const PartView& part);
    [[nodiscard]] int BuildFamilyProgram(const PartView& part, int v, StrideProgram& program,
                                         const double*& start) const;
    void CompilePrograms();
    // Returns the power of two by which the parent's table was scaled up (0 almost always).
    [[nodiscard]] int SendToParent();
    [[nodiscard]] int ReceiveFromParent(PotentialTable& scratch);
    // A table still to be read as all ones gets its ones.
    void MakeReady();
    // Sum of the cluster table, reading a table that is not ready as all ones.
    double TableMass() const;
    void FreeTables();

    int members[kMaxMembers];
    int numMembers = 0;
    int separator[kMaxMembers];
    int numSeparator = 0;
    int eliminatedNode = -1;
    uint32_t weight = 0;
    int index = -1;
    Cluster* parentCluster = nullptr;
    // Creation-order indices of the children.
    VRX_intArray childClusters;
    // Nodes whose conditional tables belong here, at most one per member.
    int families[kMaxMembers];
    int numFamilies = 0;

    PotentialTable clusterTable;
    PotentialTable separatorTable;
    StrideProgram toSeparator;
    StrideProgram parentToSeparator;
    // 0 while the cluster table is to be read as all ones.
    int tableReady = 0;
    // log2 of the product of the peaks of the messages multiplied in since the table was last scaled:
    // an upper bound of log2 of its largest entry, which tells when it must be scaled up.
    double log2Peak_ = 0.0;
};

// Storage for the clusters of one part: at most one cluster per part node, handed out in order.
// Records never move, so clusters may point at each other.
class ClusterPool {
public:
    explicit ClusterPool(int n);
    ~ClusterPool();
    ClusterPool(const ClusterPool&) = delete;
    ClusterPool& operator=(const ClusterPool&) = delete;

    // The next fresh record; null when all are taken.
    Cluster* Take();
    void Clear() { taken_ = 0; }
    int GetCapacity() const { return capacity_; }
    int GetNumberTaken() const { return taken_; }
    Cluster& operator[](int i) { return records_[i]; }
    const Cluster& operator[](int i) const { return records_[i]; }

private:
    std::unique_ptr<Cluster[]> records_;
    int capacity_ = 0;
    int taken_ = 0;
};

class JoinTree {
public:
    // Default limit of the summed cluster weights when Build is given 0.
    static constexpr uint32_t kDefaultLimit = kDefaultJoinTreeLimit;
    // Build limit that no total exceeds.
    static constexpr uint32_t kNoLimit = 0xFFFFFFFFu;

    // Whether Build may leave childless nodes out of the tree (for belief updating), or keeps every node.
    enum class ChildlessNodes { kInTree, kLeftOut };

    // The view must outlive the tree.
    explicit JoinTree(const PartView& part, ChildlessNodes childless = ChildlessNodes::kInTree);
    ~JoinTree();
    JoinTree(const JoinTree&) = delete;
    JoinTree& operator=(const JoinTree&) = delete;

    // Triangulates the part's moral graph. False when a cluster would exceed 30 members, when no node
    // can be eliminated within the weight range, or when the summed cluster weights exceed the limit
    // (0: the default limit; kNoLimit, that is -1: none). With ChildlessNodes::kLeftOut an unobserved
    // childless chance node without evidence of any kind, whose table's columns sum to 1, is left out: its
    // family sums to one over its outcomes and changes no other marginal. Its parents stay joined to each
    // other, so that a cluster holds them all, and WriteBeliefs reads its belief from their marginal there.
    bool Build(uint32_t limit);
    // Root, order by weight then member count, and the cluster of each node's family. 0, or kOutOfMemory when
    // the working lists cannot be allocated.
    [[nodiscard]] int AssignFamilies();
    // 0, or kOutOfMemory when a table cannot be allocated, or kOutOfRange when a node table does not fit its
    // family.
    [[nodiscard]] int InitializePotentials();
    // The tables hold plain probabilities, except that a cluster whose messages would take it below
    // 2^-256 is scaled up by a power of two first (the probability of evidence takes the scale back).
    void CollectEvidence();
    // 0, or kOutOfMemory when a separator table cannot be allocated.
    [[nodiscard]] int DistributeEvidence();
    // Writes normalised beliefs of the requested unobserved nodes, those left out of the tree included.
    // requested is null or a byte array indexed by network handle; entries set there force the node and are
    // cleared. 0, or kConflictingEvidence (logged) when a marginal sums to 0.0 (impossible evidence): then
    // nothing is written and nothing cleared.
    [[nodiscard]] int WriteBeliefs(unsigned char* requested);
    // The whole update for the part. False when the tree cannot be built or tables cannot be allocated,
    // and (logged) when the part's evidence is impossible; no belief of the part is marked up to date
    // then. GetLastStatus tells which.
    bool Run(unsigned char* requested, uint32_t limit);
    // Run over the tree that the last Build made, after it returned true: a caller that compared trees
    // before choosing one does not triangulate it again.
    bool RunBuilt(unsigned char* requested);
    // The probability of the part's evidence, under the default limit; -1.0 when the tree cannot be
    // built within it or a table cannot be allocated.
    double ComputeProbEvidence();
    void FreeClusterTables();
    // Entries of the cluster and separator tables that propagation over the built tree allocates, from
    // the triangulation alone (saturating). Run and ComputeProbEvidence refuse a tree whose estimate
    // passes kDefaultJoinTreeLimit before allocating anything, whatever limit the build was given.
    uint64_t EstimateTableEntries() const;
    // Table entries that a run over the tree with its families assigned walks, an entry once for every pass
    // over its table: building each cluster's table from its families, the two passes a message takes over
    // each of the clusters it joins, and the marginal of each belief the run writes (requested as for
    // WriteBeliefs; for the nodes left out, the pass that marginalises a cluster onto their parents where it
    // holds more, once for the nodes sharing that marginal, its reordering once for those sharing a parent
    // order, and the walk of each one's table). Run refuses a tree past
    // kMaxJoinTreePassEntries before allocating anything, as one too large: smaller groups of targets need
    // fewer beliefs and often smaller trees.
    uint64_t EstimatePassEntries(const unsigned char* requested) const;

    // 0 after success; kOutOfMemory when the tree could not be built or tables allocated,
    // kConflictingEvidence for impossible evidence, kOutOfRange for a table that does not fit its family.
    int GetLastStatus() const { return lastStatus_; }
    const PartView& GetPart() const { return part_; }
    // Clusters in creation order until AssignFamilies, then sorted by weight and member count.
    int GetNumberOfClusters() const { return static_cast<int>(clusters_.size()); }
    Cluster& GetCluster(int i) { return *clusters_[i]; }
    const Cluster& GetCluster(int i) const { return *clusters_[i]; }
    Cluster* GetRoot() const { return root_; }
    // Part indices of the nodes the last Build left out of the tree, ascending.
    const std::vector<int>& GetLeftOutNodes() const { return leftOut_; }
    // Sum of the weights of the clusters made by the last Build, without wrap-around.
    uint64_t GetTotalWeight() const { return totalWeight_; }
    // Whether the last Build failed because memory ran out during the triangulation.
    bool BuildRanOutOfMemory() const { return buildRanOutOfMemory_; }
    // Whether the last Run or ComputeProbEvidence failed because memory ran out, not because the tree
    // passed its limit: smaller trees are no cure for that.
    bool RanOutOfMemory() const { return ranOutOfMemory_; }
    // The power of two by which the last collect scaled the tables up.
    int GetScaleExponent() const { return scaleExponent_; }
    // Propagation drops the observed nodes from the clusters' member and separator lists. Saving the
    // lists after AssignFamilies and restoring them before each InitializePotentials lets one built tree
    // serve many evidence sets. 0, or kOutOfMemory when the copy cannot be made.
    [[nodiscard]] int SaveMembership();
    void RestoreMembership();

private:
    // Clusters from the triangulation's cliques, in creation order, linked as they were; false when
    // the pool or a child list cannot take them.
    bool TakeCliques(const std::vector<vovido::Clique>& cliques);
    void AssignFamiliesUnguarded();
    // Run after a Build that returned built.
    bool RunOver(unsigned char* requested, bool built);
    // Whether the node's family may stay out of the tree (see Build), and the nodes that may, listed and
    // marked in mask (left empty when there are none).
    bool CanLeaveOut(int v) const;
    void FindLeftOutNodes(std::vector<char>& mask);
    // The parents of a node left out (all unobserved), ascending as the variables of the cluster tables,
    // and their outcome counts; returns how many.
    int SortedParents(int v, int* vars, int* sizes) const;
    // The marginal of the parents of the nodes left out that share a cluster and a parent set, and that
    // marginal reordered as the tables of those of them with one parent order read it (the last parent
    // fastest). Each is made for the first requested node of its run in leftOutReads_.
    struct ParentMarginal {
        PotentialTable marginal;
        PotentialTable ordered;
        const PotentialTable* source = nullptr;
        const PotentialTable* read = nullptr;
    };
    // The unnormalised belief of the i-th node left out, read from its cluster after distribution. The
    // marginal is made anew when fresh is 2 (from known, the normalised belief of a single parent, where
    // given), its reordering when fresh is 1 or 2. 0, kOutOfMemory or kOutOfRange.
    [[nodiscard]] int ReadLeftOutBelief(size_t i, int fresh, const double* known, ParentMarginal& parents,
                                        double* belief);
    // The parts of WriteBeliefs: every requested node's normalised marginal is kept, those of the tree's
    // members and then those of the nodes left out, before any is written.
    struct KeptBeliefs;
    bool IsRequested(const unsigned char* requested, int v) const;
    // Keeps the node's marginal, normalised. 0, kConflictingEvidence (logged) or kOutOfMemory.
    [[nodiscard]] int KeepBelief(int v, const PotentialTable& marginal, KeptBeliefs& kept);
    [[nodiscard]] int KeepMemberBeliefs(const unsigned char* requested, KeptBeliefs& kept);
    [[nodiscard]] int KeepLeftOutBeliefs(const unsigned char* requested, KeptBeliefs& kept);
    [[nodiscard]] int WriteKeptBeliefs(unsigned char* requested, const KeptBeliefs& kept);
    // Orders the nodes left out by cluster, parent set and parent order, so that one marginal serves each
    // run of the same parent set and one reordering each run of the same parent order.
    void OrderLeftOutReads();
    // Post-order (collect: every cluster after its children) and pre-order (distribute) from the root,
    // children in child-list order.
    void ComputeTraversalOrder();
    // Whether each piece of the tree (split where nothing passes) has a mass above 0.0 after
    // distribution, read from its smallest cluster.
    bool EveryPieceHasMass() const;
    [[nodiscard]] int CollectForEvidence(double& factor);
    int LogImpossibleEvidence();

    const PartView& part_;
    const ChildlessNodes childless_;
    ClusterPool pool_;
    Cluster* root_ = nullptr;
    std::vector<Cluster*> clusters_;
    std::vector<Cluster*> preOrder_;
    std::vector<Cluster*> postOrder_;
    // Nodes left out of the tree (part indices, ascending) and the cluster each one's belief is read from:
    // the first in sorted order that holds all its parents.
    std::vector<int> leftOut_;
    std::vector<Cluster*> leftOutCluster_;
    // Positions in leftOut_ in reading order (OrderLeftOutReads), each with 2 where it starts a run of its
    // parent set in its cluster, 1 where it starts only a run of its parent order, 0 otherwise.
    std::vector<std::pair<int, int>> leftOutReads_;
    uint64_t totalWeight_ = 0;
    bool buildRanOutOfMemory_ = false;
    bool ranOutOfMemory_ = false;
    int lastStatus_ = 0;
    // Sum of the powers of two by which the last collect scaled tables up: the tables hold the
    // probabilities times 2 to this power.
    int scaleExponent_ = 0;
    // The old separator message during distribution; one buffer serves every cluster.
    PotentialTable scratch_;
    // Saved member and separator lists (SaveMembership), cluster by cluster in creation order.
    std::vector<int> savedLists_;
};
