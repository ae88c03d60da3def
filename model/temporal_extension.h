#pragma once
// The dynamic-network member of a network: temporal arcs between plate nodes, the temporal definitions
// of plate nodes (one per order), the slice count, evidence of the slices after the first and the
// plate's on-screen layout. The owner network's own nodes, arcs and definitions describe slice 0.
//
// Temporal definitions are ordinary definitions of nodes in a private network (definitionNetwork): a
// definition node stands for a plate node X at one order k, and its parents are copy nodes that stand
// for X's parents: first X's normal and plate parents in X's parent order, then X's temporal parents by
// ascending order (within one order, in the order the arcs were added). The definition of order k holds
// the temporal parents of every order up to k, so the definition edits of parents, outcomes and types
// keep the tables in step without any code of their own.

#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "base/rectangle.h"
#include "model/network.h"

class VRX_nodeDefinition;
class VRX_intArray;

class VRX_temporalExtension {
public:
    // (node handle, order) pairs of the temporal queries.
    using NodeOrderList = std::vector<std::pair<int, int>>;

    static constexpr int kDefaultSliceCount = 10;

    explicit VRX_temporalExtension(VRX_network* owner = nullptr);
    // A copy for a new owner: the temporal structure and layout, but no evidence of later slices.
    VRX_temporalExtension(const VRX_temporalExtension& source, VRX_network* owner);
    VRX_temporalExtension(const VRX_temporalExtension&) = delete;
    VRX_temporalExtension& operator=(const VRX_temporalExtension&) = delete;

    // Stores the plate's rectangle (centre x, centre y, width, height) and its two side widths.
    void SetPlate(const VRX_rectangle& rect, int leftWidth, int rightWidth);
    void GetPlate(VRX_rectangle& rect, int& leftWidth, int& rightWidth) const;

    VRX_network* GetNetwork() const { return network; }
    // Valid when the copy of the definitions succeeded.
    bool IsValid() const { return definitionNetwork.IsValid(); }

    // Slices. kInvalidData for a count below 1; evidence of slices at or past the new count goes.
    int GetSliceCount() const { return sliceCount; }
    [[nodiscard]] int SetSliceCount(int count);

    // Structure queries; kOutOfRange unless the node is a live plate node.
    int GetMaxTemporalOrder();
    [[nodiscard]] int GetMaxNodeTemporalOrder(int node) const;
    [[nodiscard]] int GetTemporalOrders(int node, VRX_intArray& out) const;
    bool TemporalArcExists(int parent, int child, int order) const;
    [[nodiscard]] int GetTemporalParents(int node, int order, VRX_intArray& out) const;
    [[nodiscard]] int GetTemporalChildren(int node, NodeOrderList& out) const;
    // True when a temporal table has a dimension of the node's outcomes: the node has temporal tables of
    // its own, or stands as a parent in some.
    bool HasTemporalTablesOver(int node) const;
    // The parents of a slice copy of the node whose slice lies `limit` or more slices after the first:
    // (owner node, 0) for the normal and plate parents, then (owner node, order) for the temporal ones,
    // in the order of the parents of the applicable definition, whose node goes to definitionNode (-1
    // when the node has no temporal definition up to the limit). kOutOfRange for a limit below 1.
    [[nodiscard]] int GetUnrolledParents(int node, int limit, NodeOrderList& out, int& definitionNode) const;

    // The static network of every slice, built into target (made over from scratch): slice 0 is a copy
    // of the owner, slice t's copy of plate node i lands at map[t * n + i] (n plate nodes in handle
    // order), temporal arcs become ordinary arcs and each copy gets the definition of its slice. On
    // failure the reason is logged, target is left empty and map too. (Inference layer.)
    [[nodiscard]] int UnrollNetwork(VRX_network& target, std::vector<int>& map) const;
    // Brings the owner's values up to date through an unrolled copy: a plate node's value becomes a
    // (slice count x outcomes) table of the beliefs of each slice. The owner's values are untouched when
    // the update of the unrolled network fails. (Inference layer.)
    [[nodiscard]] int UpdateBeliefsDynamic();

    // Temporal arcs (parent in slice t - order, child in slice t). kOutOfRange for an order below 1, a node
    // that is not a live plate node, an arc already there (add) or missing (remove). Nothing changes on
    // failure.
    [[nodiscard]] int AddTemporalArc(int parent, int child, int order);
    [[nodiscard]] int RemoveTemporalArc(int parent, int child, int order);

    // The temporal definition of exactly (node, order); null when there is none.
    VRX_nodeDefinition* GetTemporalDefinition(int node, int order) const;
    const VRX_network& GetDefinitionNetwork() const { return definitionNetwork; }

    // Evidence of the slices after the first (slice 0 stays in the node's value). The checks of plate
    // type and slice range are the caller's (VRX_nodeValue).
    [[nodiscard]] int SetTemporalEvidence(int node, int slice, int outcome);
    // The outcome, or kOutOfRange when the slice holds none.
    int GetTemporalEvidence(int node, int slice) const;
    // Likelihoods of a later slice; one per outcome of the node.
    [[nodiscard]] int SetTemporalVirtualEvidence(int node, int slice, const std::vector<double>& weights);
    const std::vector<double>* GetTemporalVirtualEvidence(int node, int slice) const;
    void ClearTemporalEvidence(int node, int slice);
    bool HasTemporalEvidence(int node) const;
    void ClearAllTemporalEvidence();
    const std::map<std::pair<int, int>, int>& GetAllTemporalEvidence() const { return temporalEvidence; }
    // Outcomes or likelihoods at any slice.
    bool HoldsTemporalEvidence() const {
        return !temporalEvidence.empty() || !temporalVirtualEvidence.empty();
    }

    // Check and bookkeeping of a change of the node's temporal type, before the network stores it:
    // kOutOfRange for a change the arcs forbid (a plate node must lose its temporal arcs first), kInvalidData
    // for an unknown type. Nothing changes on failure.
    [[nodiscard]] int SetTemporalType(int node, int newType);

    // Size checks before anything is allocated, each -42 with the reason logged when a limit of
    // base/size_limits.h would be passed. A temporal arc, an ordinary arc into a plate node, or an anchor
    // released: each plate child's own table and temporal tables together stay within the table limit,
    // named by the child. Unrolling into `slices` slices: the static network's tables and a fixed share per
    // node together stay within the unrolled work limit.
    [[nodiscard]] int CheckTemporalArcSize(int parent, int child, int order) const;
    // The temporal arcs from all the parents together, as a reader adds them one by one, and the cells of
    // the child's temporal table of that order once they are added.
    [[nodiscard]] int CheckTemporalArcsSize(const std::vector<int>& parents, int child, int order) const;
    int64_t TemporalTableCellsWith(const std::vector<int>& parents, int child, int order) const;
    [[nodiscard]] int CheckArcSize(int parent, int child) const;
    // An anchor that becomes normal or plate joins the temporal tables of its plate children.
    [[nodiscard]] int CheckAnchorRelease(int node) const;
    // One more outcome of the node widens every temporal table with a dimension of its outcomes.
    [[nodiscard]] int CheckOutcomeInsert(int node) const;
    // The memory of the unrolled network alone, and of its update, which holds a join tree of
    // `treeEntries` entries besides (its tables' cells again when negative: not estimated).
    [[nodiscard]] int CheckUnrolledSize(int slices) const;
    [[nodiscard]] int CheckUnrolledUpdateSize(int slices, int64_t treeEntries) const;

    // Notices from the owner network.
    void OnArcAdded(int parent, int child);
    void OnArcRemoved(int parent, int child);  // before the arc leaves the network's lists
    void OnNodeDeleted(int node);
    // The node's definitions and copies take its new kind; its temporal arcs stay where the kinds at their
    // ends take them, and the caller is warned of those they do not.
    void OnNodeTypeChanged(int node);
    void OnOutcomeInserted(int node, int position);
    void OnOutcomeRemoved(int node, int position);
    void OnOutcomesReordered(int node, const VRX_intArray& order);

private:
    // The nodes, table cells and plate nodes of the network unrolled into that many slices.
    void CountUnrolled(int slices, int64_t& nodes, int64_t& cells, int& plates) const;
    // Temporal arcs into and out of the node, over every order, an arc from itself counted once.
    int CountTemporalArcs(int node) const;
    // Removes every temporal arc into and out of the node.
    void RemoveTemporalArcsOf(int node);
    using Key = std::pair<int, int>;

    int CountSliceParents(int node) const;
    bool IsPlateNode(int node) const;
    // Adds a node of the owner node's type and outcome count to definitionNetwork; -1 on failure.
    int AddDefinitionNode(int owner);
    void DeleteDefinitionNode(int definitionNode);
    int OwnerOf(int definitionNode) const;
    // Puts a copy of the owner node among the definition node's parents at the position.
    [[nodiscard]] int AddParentToDefinition(int parent, int definitionNode, int position);
    // The definition node of (node, order), made when missing; -1 on failure (nothing left behind).
    int GetOrCreateTemporalDefinition(int node, int order);
    [[nodiscard]] int BuildTemporalDefinition(int node, int definitionNode,
                                              std::map<Key, int>::iterator entry);
    [[nodiscard]] int CopyOwnParametersWithoutOuterParents(int node, int definitionNode);
    // Cells of the node's table over its normal and plate parents, which its lowest-order temporal
    // definition starts from; of a definition node's table.
    int64_t SliceTableCells(int node) const;
    // The product of the outcome counts of the plate nodes among the parents.
    int64_t PlateDimensions(const std::vector<int>& parents) const;
    int64_t DefinitionCells(int definitionNode) const;
    // The child's own and temporal tables, each definition from `order` on (and the own table when
    // ownGrows) taking `factor` times its cells, a missing one of that order made, against the limit.
    [[nodiscard]] int CheckGrownTables(int child, int order, int64_t factor, bool ownGrows) const;
    // The refusal of the node's tables of `cells` cells in all.
    int RefuseTables(int node, int64_t cells) const;
    // Parent count a definition inherits: the next-lower definition's, or the node's slice parents.
    int InheritedCount(std::map<Key, int>::const_iterator entry) const;
    int FindTemporalParentPosition(int parent, int child, int order) const;
    // Deletes definitions left without a temporal parent of their own order, then copies left without
    // children. removedParent: a normal or plate parent whose copies just left the definitions of its
    // plate children (only of onlyChild when that is not -1), though the network still lists it.
    void TidyDefinitions(int removedParent, int onlyChild);
    void RemoveUnusedCopies();
    // Evidence of later slices follows an outcome inserted or removed at the position.
    void FollowOutcomeEdit(int node, int position, bool inserted);
    // The copy nodes of one owner node, in handle order.
    std::vector<int> CopiesOf(int owner) const;
    // A node that stops being an anchor joins the definitions of its plate children.
    void AnchorReleased(int node);
    // The definitions of the node's copies (copiesFirst) and temporal definitions, in that order or the
    // other.
    std::vector<VRX_nodeDefinition*> DefinitionsOf(int node, bool copiesFirst) const;

    VRX_network* network;
    std::map<int, int> definitionOwners;
    std::set<Key> parentCopies;
    std::map<Key, int> temporalDefinitions;
    std::map<Key, int> temporalEvidence;
    std::map<Key, std::vector<double>> temporalVirtualEvidence;
    VRX_network definitionNetwork;
    int sliceCount = kDefaultSliceCount;
    int maxOrderCache = -1;
    VRX_rectangle plateRect{320, 170, 600, 300};
    int plateLeftWidth = 120;
    int plateRightWidth = 120;
};
