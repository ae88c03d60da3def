#pragma once
// The working graph of a network for inference: one record per node with its parents, children,
// observed outcome and the table to use; pruned, rewritten and split into parts before solving.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "inference/update_memory.h"

class VRX_network;
class VRX_node;
class VRX_Dmatrix;
class RelevanceGraph;
class RelevanceNode;
class RelevanceNodeBlock;

// Working marks kept in RelevanceNode::label.
namespace RelevanceLabel {
constexpr int kCleared = 0;
constexpr int kEvidenceSpread = 2;
constexpr int kRootSummed = 10;
constexpr int kPlaced = 16;
constexpr int kBarren = 20;
}  // namespace RelevanceLabel

// Where RelevanceNode::table comes from.
namespace RelevanceTableKind {
constexpr int kNone = 0;
constexpr int kOwned = 1;
constexpr int kBorrowed = 2;
}  // namespace RelevanceTableKind

namespace vovido {

// Record pointers with the first N held inline, so that most records need no allocation of their own.
// Never copied or moved: records hold their lists in place.
template <int N>
class RelevanceRecordList {
public:
    RelevanceRecordList() = default;
    RelevanceRecordList(const RelevanceRecordList&) = delete;
    RelevanceRecordList& operator=(const RelevanceRecordList&) = delete;
    ~RelevanceRecordList() { Release(); }

    int GetCount() const { return count_; }
    bool IsEmpty() const { return count_ == 0; }
    RelevanceNode* operator[](int i) const { return items_[i]; }
    RelevanceNode* const* begin() const { return items_; }
    RelevanceNode* const* end() const { return items_ + count_; }

    // 0, or kOutOfMemory when a grown list cannot be allocated (the list is then unchanged).
    [[nodiscard]] int Add(RelevanceNode* record);
    // Position of the first occurrence, -1 when absent.
    [[nodiscard]] int Find(const RelevanceNode* record) const;
    // Removes the first occurrence, order kept; nothing when absent.
    void Remove(const RelevanceNode* record);
    // Replaces the first occurrence; false when absent.
    bool Replace(const RelevanceNode* from, RelevanceNode* to);
    void Clear() { count_ = 0; }
    // Reorders the list by less, equal records kept in their order.
    template <typename Less>
    void Sort(Less less) {
        std::stable_sort(items_, items_ + count_, less);
    }
    // Puts back an order of the same records, GetCount() of them, as items holds it.
    void Reorder(RelevanceNode* const* items) { std::copy(items, items + count_, items_); }
    // Empties the list and frees a grown block.
    void Release();

private:
    RelevanceNode* inline_[N] = {};
    RelevanceNode** items_ = inline_;
    int count_ = 0;
    int capacity_ = N;
};

}  // namespace vovido

class RelevanceNode {
public:
    RelevanceNode() = default;
    RelevanceNode(const RelevanceNode&) = delete;
    RelevanceNode& operator=(const RelevanceNode&) = delete;
    ~RelevanceNode() = default;

    void RemoveParent(const RelevanceNode* parent) { parents.Remove(parent); }
    void RemoveChild(const RelevanceNode* child) { children.Remove(child); }

    // Writes the first outcome-count elements of table into the node's value as its beliefs and marks
    // them up to date; kOutOfRange when the table is too small, 0 for a record without a node.
    [[nodiscard]] int WriteBeliefs();
    // The record becomes observed at outcome and the node's beliefs the 0/1 vector of it (up to date).
    // kOutOfRange unless 0 <= outcome < outcome count, nothing changed then.
    [[nodiscard]] int SetObservedBeliefs(int outcome);
    // A new owned table over the parents' and the record's own outcomes (content undefined; 1.0 at the
    // observed outcome and 0.0 elsewhere for an observed record without parents). 0 or kOutOfMemory.
    [[nodiscard]] int CreateOwnTable();
    // The table reduced to the parent's observed outcome, its dimension removed. kOutOfRange for a parent
    // that is not in the list or not observed; kOutOfMemory without memory.
    [[nodiscard]] int AbsorbParentEvidence(const RelevanceNode* parent);
    // The parent's dimension summed out, weighted by the parent's own one-dimensional table. kOutOfRange for
    // a parent not in the list or without a fitting table; kOutOfMemory without memory.
    [[nodiscard]] int MarginalizeParent(const RelevanceNode* parent);
    // 1 when every element of table with the parent at parentOutcome and the record at ownOutcome equals
    // value, 0 when not, negative for a parent not in the list or an outcome out of range.
    [[nodiscard]] int TableEqualsAt(double value, const RelevanceNode* parent, int parentOutcome,
                                    int ownOutcome) const;

    // From the node's definition; from the table's last dimension for a record without a node.
    int GetNumberOfOutcomes() const { return numOutcomes_; }
    // The node's handle, -1 for a record without a node.
    int GetHandle() const;
    bool IsObserved() const { return evidence >= 0; }

    VRX_node* node = nullptr;
    vovido::RelevanceRecordList<8> parents;
    vovido::RelevanceRecordList<16> children;
    int evidence = -1;
    int label = RelevanceLabel::kCleared;
    int tableKind = RelevanceTableKind::kNone;
    VRX_Dmatrix* table = nullptr;
    RelevanceGraph* graph = nullptr;
    RelevanceNodeBlock* block = nullptr;

private:
    friend class RelevanceGraph;
    friend class RelevanceNodeBlock;

    // Takes over a new owned table (kind 1).
    void AdoptTable(std::unique_ptr<VRX_Dmatrix> owned);
    // The record's outcome count after its table or node changed.
    void RefreshOutcomeCount();
    // Back to the state of a free slot: owned table and grown lists freed.
    void Reset();

    std::unique_ptr<VRX_Dmatrix> ownedTable_;
    int numOutcomes_ = 0;
};

// Room for a fixed number of records, allocated once; records never move. Shared by a graph and the
// parts split from it, freed when the last of them goes.
class RelevanceNodeBlock {
public:
    // Null without memory.
    static std::shared_ptr<RelevanceNodeBlock> Create(int size);
    RelevanceNodeBlock(const RelevanceNodeBlock&) = delete;
    RelevanceNodeBlock& operator=(const RelevanceNodeBlock&) = delete;

    // The next free slot; null when the block is full (it never grows).
    RelevanceNode* Take();
    // Destroys the record's contents and counts it gone.
    void Release(RelevanceNode* record);

    int GetSize() const { return size_; }
    int GetLiveRecords() const { return liveRecords; }

    std::unique_ptr<RelevanceNode[]> storage;
    int liveRecords = 0;
    int nextIndex = 0;

private:
    RelevanceNodeBlock() = default;
    int size_ = 0;
};

namespace vovido {

// Where the relevance steps of many runs over one network start, gathered once by their caller: the
// targets of the current run and every node holding evidence. position is indexed by slot and holds -1
// between runs; a run uses it as its map from handles to records and leaves it as it found it.
struct RelevanceSeeds {
    std::vector<int> targets;
    std::vector<int> evidence;
    std::vector<int> position;
    // By handle, the node's place in the order of identifiers (empty: none): relevance decomposition takes
    // its targets in it, and builds a part's tree in it where that tree is smaller than the one in the
    // order the part was found in.
    std::vector<int> identifierRank;
    // The limit smaller groups of the run's targets would be given: where the found tree fails its own, a
    // run of several targets takes the tree by identifiers only within it (see TriangulatePart).
    uint32_t halvedLimit = 0;
    // Where nonzero, a run of one target whose tree passes this many entries fills nothing: it sets
    // `unconfirmed` and fails, so that its caller first checks that the rest of its plan can be solved.
    uint64_t confirmAbove = 0;
    bool unconfirmed = false;
    // The network's tables, counted at the first run that builds a tree: they do not change meanwhile.
    HeldTables held;
};

// The order of a graph's records and of each record's children, their lists one after another.
struct RelevanceOrder {
    std::vector<RelevanceNode*> records;
    std::vector<RelevanceNode*> children;
};

}  // namespace vovido

class RelevanceGraph {
public:
    // One record per live node in slot order. absorbEvidence admits propagated evidence as observed.
    // Construction that runs out of memory leaves an empty graph with GetStatus() kOutOfMemory.
    // splitNoisyMax allows the per-parent split of observed noisy-MAX nodes when the network asks for it;
    // the probability of evidence is taken without it. withBarren false leaves out, while some but not all
    // nodes are targets, every node that is neither a target nor observed nor an ancestor of one: nodes
    // that pruning would remove as barren before reading them. seeds, when given, name the targets and
    // the nodes with evidence instead of a scan of the network (withBarren false then): only what the run
    // keeps is read.
    RelevanceGraph(VRX_network& network, bool absorbEvidence, bool splitNoisyMax = true,
                   bool withBarren = true, vovido::RelevanceSeeds* seeds = nullptr);
    RelevanceGraph(const RelevanceGraph&) = delete;
    RelevanceGraph& operator=(const RelevanceGraph&) = delete;
    ~RelevanceGraph();

    int GetStatus() const { return status_; }
    VRX_network* GetNetwork() const { return network_; }
    int GetNumberOfRecords() const { return static_cast<int>(records.size()); }
    RelevanceNode* GetRecord(int i) const { return records[i]; }
    const std::shared_ptr<RelevanceNodeBlock>& GetBlock() const { return block_; }

    // Position of the record of the node with that handle, -1 when absent.
    [[nodiscard]] int FindNode(int handle) const;
    [[nodiscard]] int FindNode(const VRX_node* node) const;
    void ClearEvidence();
    void SetLabels(int value);
    // Every record after its parents, depth first in parent-list order. 0 or kOutOfMemory.
    [[nodiscard]] int SortTopologically();
    // Observed records first, ascending by the share of zeros in their tables, then topologically.
    [[nodiscard]] int SortForLogicSampling();
    // Records, and each record's children, in the order of their nodes' identifiers, given as a rank by
    // handle (records without a node first, as they were): what is built from the part then does not hang
    // on the order of a file.
    void SortByIdentifier(const std::vector<int>& rank);
    // The order of the records and their children, so that RestoreOrder puts it back after a sort exactly
    // as it was. Throws bad_alloc.
    void SaveOrder(vovido::RelevanceOrder& order) const;
    void RestoreOrder(const vovido::RelevanceOrder& order);
    // Unlinks the record from its neighbours and destroys it; the caller drops it from records.
    void RemoveNode(RelevanceNode* record);
    // Removes every record labelled value, order of the others kept. 0.
    int RemoveLabelled(int value);

    // Pruning and splitting used before inference. While every node counts as a target, a record is a
    // target exactly when it stands for a network node.
    void SetAllNodesTargets(bool on) { allNodesTargets_ = on; }
    bool IsTarget(const RelevanceNode* record) const;
    void PruneBarren(RelevanceNode* record);
    // 0, or kOutOfMemory when a table cannot be allocated.
    [[nodiscard]] int AbsorbEvidence(RelevanceNode* record);
    [[nodiscard]] int CutEvidenceArcs();
    [[nodiscard]] int AbsorbRoot(RelevanceNode* record);
    void LabelComponent(RelevanceNode* record, int label);
    // Number of components seeded by targets; records reached from no target are removed.
    [[nodiscard]] int LabelComponents();
    // Hands the records over to one part per component (label order); one-record observed parts are
    // answered at once and left out. The graph is empty afterwards. 0 or kOutOfMemory.
    [[nodiscard]] int SplitIntoParts(int count, std::vector<std::unique_ptr<RelevanceGraph>>& parts);

    int evidenceCount = 0;
    std::vector<RelevanceNode*> records;
    bool noisyMaxRelevance = false;

private:
    // An empty part of the graph's network sharing its block.
    RelevanceGraph(VRX_network* network, std::shared_ptr<RelevanceNodeBlock> block);

    [[nodiscard]] int Build(bool absorbEvidence, bool splitNoisyMax, bool withBarren,
                            vovido::RelevanceSeeds* seeds);
    [[nodiscard]] int InitRecord(RelevanceNode& record, VRX_node& node, bool absorbEvidence);
    [[nodiscard]] int LinkRecords(const std::vector<int>& positionOfHandle);
    // Per-parent records for an observed noisy-MAX node in its last outcome; 0 or kOutOfMemory.
    [[nodiscard]] int DecomposeNoisyMax(RelevanceNode* record);
    // Destroys every record still held.
    void DestroyRecords();
    // Refills records in the given order, each preceded by its not yet placed ancestors.
    int PlaceTopologically(const std::vector<RelevanceNode*>& order);

    VRX_network* network_ = nullptr;
    std::shared_ptr<RelevanceNodeBlock> block_;
    int status_ = 0;
    bool allNodesTargets_ = false;
};

namespace vovido {

// Whether the network's settings ask for the decomposition of observed noisy-MAX nodes: the user
// property "VRX_NOISYMAXRELEVANCE" decides when present (atoi of its value != 0), off otherwise.
bool IsNoisyMaxRelevanceOn(const VRX_network& network);

}  // namespace vovido
