// Evidence at network level: propagation through deterministic relations, conflict and impossibility
// checks, the invalidation walk over up-to-date flags, and the change notices with automatic updating.
#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "base/column_scaling.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/node_value.h"
#include "model/refusal_reasons.h"
#include "model/temporal_extension.h"

using vovido::ValueAt;

namespace {

// The outcome a node is fixed at, or -1 (free) when its value holds no evidence.
int FixedOutcome(const VRX_network& net, int handle) {
    VRX_nodeValue* value = ValueAt(net, handle);
    if (value == nullptr || !value->HasEvidence()) return -1;
    const int outcome = value->GetEvidence();
    return outcome >= 0 ? outcome : -1;
}

bool HasTypeBits(const VRX_network& net, int handle, int bits) {
    const int type = net.GetNodeType(handle);
    return type > 0 && (type & bits) != 0;
}

// Tables built from parameters from which a finding counts those of the other observed ones.
constexpr int64_t kSummedFindingTableCells = int64_t{1} << 20;

bool BuiltFromParameters(int type) {
    return type == DefinitionType::kNoisyMax || vovido::HasDerivedTable(type);
}

// A table built from parameters that an update could not hold beside its scaled copy, those of the other
// such nodes with findings, and the cluster over the observed node's family: a finding does not build it
// (the update refuses it, naming the sizes). The others are summed only for a table large enough to
// matter: three DeMorgan nodes of 25 parents would build 1.5 GB before the update refused them.
bool PassesUpdateLimit(const VRX_network& net, int handle, int type) {
    if (!BuiltFromParameters(type)) return false;
    const int64_t cells = vovido::DefinitionSupport::TableCellsWithParents(net, handle, nullptr, 0);
    const int64_t outcomes = std::max<int64_t>(vovido::DefinitionSupport::OutcomeCountOf(&net, handle), 1);
    if (cells > kMaxTableCells / 2) return true;
    int64_t built = cells;
    for (int h = net.GetFirstNode(); h >= 0 && cells >= kSummedFindingTableCells; h = net.GetNextNode(h)) {
        if (h == handle || !BuiltFromParameters(net.GetNodeType(h)) || FixedOutcome(net, h) < 0) continue;
        built += vovido::DefinitionSupport::TableCellsWithParents(net, h, nullptr, 0);
        if (built > kMaxTableCells) return true;
    }
    return 2 * built + cells / outcomes > kMaxTableCells;
}

// A node's table when it has one dimension per parent plus its own; otherwise the coordinates built from
// the parent list would not line up with the table and nothing can be concluded from it. Nor from one
// that is not built for a finding.
const VRX_Dmatrix* AlignedTable(const VRX_network& net, int handle) {
    const VRX_node* node = net.GetNode(handle);
    VRX_nodeDefinition* definition = node != nullptr ? node->GetDefinition() : nullptr;
    if (definition == nullptr || PassesUpdateLimit(net, handle, definition->GetType())) return nullptr;
    VRX_Dmatrix* table = nullptr;
    if (definition->GetDefinition(table) != kSuccess || table == nullptr) return nullptr;
    const int dims = table->GetNumberOfDimensions();
    if (dims != net.GetParents(handle).GetCount() + 1 || table->GetNumberOfElements() == 0) return nullptr;
    return table;
}

// Coordinates over a node's aligned table: each parent's fixed outcome or -1, then the node's outcome.
int BuildCoordinates(const VRX_network& net, int handle, const VRX_Dmatrix& table, int own,
                     VRX_intArray& coords) {
    const VRX_intArray& parents = net.GetParents(handle);
    const int dims = table.GetNumberOfDimensions();
    if (const int rc = coords.SetSize(dims)) return rc;
    for (int i = 0; i < dims - 1; i++) coords[i] = FixedOutcome(net, parents[i]);
    coords[dims - 1] = own;
    return kSuccess;
}

// Every selected entry equals v as the update reads the table (a column of zeros uniform, the others
// scaled), so that evidence and its propagation answer alike whatever the order of the edits; coordinates
// outside the table count as "not all equal".
bool AllEntriesEqual(const VRX_Dmatrix& table, double v, const VRX_intArray& coords) {
    return vovido::ReadEntriesEqual(table, v, coords) == 1;
}

int LogConflict(const VRX_network& net, int first, int second) {
    const std::string message = "ERROR: conficting evidence between nodes [" + vovido::NodeLabel(net, first) +
                                "] and [" + vovido::NodeLabel(net, second) + "]";
    return LogError(errorLog, kConflictingEvidence, message.c_str(), nullptr);
}

// The only outcome of dimension i under which some entry that coords select is nonzero; -1 when there
// is none or more than one. coords[i] is left free (-1) for the dimensions after it.
int OnlyExplainingOutcome(const VRX_Dmatrix& table, int i, VRX_intArray& coords) {
    const int size = table.GetDimensions()[i];
    int possible = 0;
    int only = -1;
    for (int k = 0; k < size && possible < 2; k++) {
        coords[i] = k;
        if (!AllEntriesEqual(table, 0.0, coords)) {
            possible++;
            only = k;
        }
    }
    coords[i] = -1;
    return possible == 1 ? only : -1;
}

}  // namespace

// One pending call of the propagation from a node, with where it stopped to descend.
struct VRX_network::PropagationFrame {
    int node = -1;
    bool backward = false;
    int child = 0;        // forward: position in the child list
    int outcome = 0;      // forward: next outcome of that child
    int parent = 0;       // backward: next position in the parent list
    VRX_intArray coords;  // backward: built once when the backward pass starts
};

// ---------------------------------------------------------------------------------------------------
// Network-wide evidence operations

int VRX_network::ClearAllEvidence() {
    const int savedNotices = propagationFlags & PropagationFlags::kNotices;
    propagationFlags &= ~PropagationFlags::kNotices;
    bool changed = false;
    for (int h = 0; h < numSlots; h++) {
        VRX_nodeValue* value = ValueAt(*this, h);
        if (value == nullptr) continue;
        const bool forced = value->HasFlag(ValueFlags::kPropagatedEvidence);
        if (forced) changed |= value->ClearPropagatedEvidence() == kSuccess;
        // Likelihoods kept beside an outcome other evidence forced go with the rest.
        if (!forced || value->HasFlag(ValueFlags::kVirtualEvidence))
            changed |= value->ClearEvidence() == kSuccess;
    }
    if (temporalExtension && temporalExtension->HoldsTemporalEvidence()) {
        temporalExtension->ClearAllTemporalEvidence();
        changed = true;
    }
    // The notices are off, so nothing else marks beliefs computed under the old evidence as stale.
    if (changed) InvalidateValues();
    // Nothing is left to propagate from.
    if (!HasAnyEvidence()) propagationCurrent_ = true;
    AutoUpdate();
    propagationFlags |= savedNotices;
    return kSuccess;
}

int VRX_network::ClearAllPropagatedEvidence() {
    for (int h = 0; h < numSlots; h++) {
        VRX_nodeValue* value = ValueAt(*this, h);
        // Flagged: clearing cannot fail.
        if (value != nullptr && value->HasFlag(ValueFlags::kPropagatedEvidence))
            (void)value->ClearPropagatedEvidence();
    }
    return kSuccess;
}

int VRX_network::InvalidateDecisionValues() {
    for (int h = 0; h < numSlots; h++) {
        if (!IsDecisionNode(h)) continue;
        VRX_nodeValue* value = ValueAt(*this, h);
        if (value != nullptr && value->IsUpToDate()) value->SetValueFlag(ValueFlags::kUpToDate, false);
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Propagation through deterministic relations

// Depth-first like a recursive walk, with the pending calls on an explicit stack so that long chains of
// deterministic nodes cannot exhaust the thread's stack. A call descends into a node as soon as that node
// receives propagated evidence and resumes where it stopped afterwards.
int VRX_network::PropagateEvidence(int handle) {
    std::vector<PropagationFrame> stack;
    VRX_intArray coords;
    try {
        auto enter = [&](int h) {
            if (!IsLiveHandle(h) || FixedOutcome(*this, h) < 0) return kOutOfRange;
            RefreshWalkMarks(nodes[h]);
            nodes[h].SetMark(SlotMarks::kVisited);
            stack.emplace_back();
            stack.back().node = h;
            return kSuccess;
        };
        if (const int rc = enter(handle)) return rc;
        while (!stack.empty()) {
            int descend = -1;
            if (const int rc = PropagationStep(stack.back(), coords, descend)) return rc;
            if (descend < 0) {
                stack.pop_back();
                continue;
            }
            // The push may move the stack: no frame reference is held across it.
            if (const int rc = enter(descend)) return rc;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

// The forward pass until it finds a node to descend into, then the backward pass; a call whose passes are
// both over leaves descend at -1.
int VRX_network::PropagationStep(PropagationFrame& frame, VRX_intArray& coords, int& descend) {
    if (!frame.backward) {
        if (const int rc = PropagateForward(frame, coords, descend)) return rc;
        if (descend >= 0) return kSuccess;
        // Decisions are chosen, not explained by their parents.
        const VRX_Dmatrix* own = IsDecisionNode(frame.node) ? nullptr : AlignedTable(*this, frame.node);
        if (own == nullptr) return kSuccess;
        frame.backward = true;
        frame.parent = 0;
        if (const int rc =
                BuildCoordinates(*this, frame.node, *own, FixedOutcome(*this, frame.node), frame.coords))
            return rc;
    }
    return PropagateBackward(frame, descend);
}

// Forward: a child's outcome that is certain given the fixed outcomes of its parents.
int VRX_network::PropagateForward(PropagationFrame& frame, VRX_intArray& coords, int& descend) {
    const VRX_intArray& children = nodes[frame.node].children;
    while (descend < 0 && frame.child < children.GetCount()) {
        if (const int rc = PropagateToChild(frame, children[frame.child], coords, descend)) return rc;
        if (descend < 0) {
            frame.child++;
            frame.outcome = 0;
        }
    }
    return kSuccess;
}

int VRX_network::PropagateToChild(PropagationFrame& frame, int c, VRX_intArray& coords, int& descend) {
    VRX_nodeValue* childValue = ValueAt(*this, c);
    const bool eligible =
        childValue != nullptr && !HasTypeBits(*this, c, DefinitionBits::kUtility | DefinitionBits::kDecision);
    const VRX_Dmatrix* table = eligible ? AlignedTable(*this, c) : nullptr;
    const int outcomes = table != nullptr ? table->GetDimensions()[table->GetNumberOfDimensions() - 1] : 0;
    while (frame.outcome < outcomes) {
        const int o = frame.outcome++;
        if (const int rc = BuildCoordinates(*this, c, *table, o, coords)) return rc;
        if (!AllEntriesEqual(*table, 1.0, coords)) continue;
        if (childValue->HasEvidence()) {
            if (childValue->GetEvidence() != o) return LogConflict(*this, frame.node, c);
            continue;
        }
        if (const int rc = childValue->SetPropagatedEvidence(o)) return rc;
        RefreshWalkMarks(nodes[c]);
        if (!nodes[c].HasMark(SlotMarks::kVisited)) {
            descend = c;
            return kSuccess;
        }
    }
    return kSuccess;
}

// Backward: a parent of which only one outcome can explain this node's outcome.
int VRX_network::PropagateBackward(PropagationFrame& frame, int& descend) {
    const VRX_Dmatrix* own = AlignedTable(*this, frame.node);
    const VRX_intArray& parents = nodes[frame.node].parents;
    while (own != nullptr && descend < 0 && frame.parent < parents.GetCount()) {
        const int i = frame.parent++;
        const int p = parents[i];
        if (HasTypeBits(*this, p, DefinitionBits::kUtility | DefinitionBits::kDecision)) continue;
        const int only = OnlyExplainingOutcome(*own, i, frame.coords);
        VRX_nodeValue* parentValue = only >= 0 ? ValueAt(*this, p) : nullptr;
        if (parentValue == nullptr) continue;
        if (parentValue->HasEvidence()) {
            if (parentValue->GetEvidence() != only) return LogConflict(*this, frame.node, p);
            continue;
        }
        if (const int rc = parentValue->SetPropagatedEvidence(only)) return rc;
        RefreshWalkMarks(nodes[p]);
        if (!nodes[p].HasMark(SlotMarks::kVisited)) descend = p;
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Which values hold evidence

namespace {

// Evidence or likelihoods: either makes the ancestors of the node depend on one another.
bool HoldsEvidence(const VRX_nodeValue* value) {
    return value != nullptr && (value->HasEvidence() || value->HasFlag(ValueFlags::kVirtualEvidence));
}

}  // namespace

void VRX_network::NoteEvidenceHolder(int handle) {
    // An incomplete list is gathered from the table on its next use anyway.
    if (!evidenceHoldersComplete_) return;
    // Entries that no longer hold evidence are dropped once the list outgrows the table, so a value
    // that takes and drops evidence over and over cannot make it grow without bound.
    if (evidenceHolders_.size() > 2 * static_cast<size_t>(numNodes) + 64) {
        size_t kept = 0;
        for (int h : evidenceHolders_) {
            const VRX_nodeValue* value = ValueAt(*this, h);
            if (HoldsEvidence(value)) evidenceHolders_[kept++] = h;
        }
        evidenceHolders_.resize(kept);
        std::sort(evidenceHolders_.begin(), evidenceHolders_.end());
        evidenceHolders_.erase(std::unique(evidenceHolders_.begin(), evidenceHolders_.end()),
                               evidenceHolders_.end());
    }
    try {
        evidenceHolders_.push_back(handle);
    } catch (const std::bad_alloc&) {
        evidenceHolders_.clear();
        evidenceHoldersComplete_ = false;
    }
}

void VRX_network::RebuildEvidenceHolders() {
    evidenceHolders_.clear();
    evidenceHoldersComplete_ = true;
    for (int h = 0; h < numSlots; h++) {
        const VRX_nodeValue* value = ValueAt(*this, h);
        if (HoldsEvidence(value)) NoteEvidenceHolder(h);
    }
}

bool VRX_network::HasAnyEvidence() {
    if (!evidenceHoldersComplete_) {
        RebuildEvidenceHolders();
        // Without room for the list, the table is asked directly.
        if (!evidenceHoldersComplete_) {
            for (int h = 0; h < numSlots; h++) {
                const VRX_nodeValue* value = ValueAt(*this, h);
                if (HoldsEvidence(value)) return true;
            }
            return false;
        }
    }
    // Entries are dropped from the end until one still holds evidence: each costs its removal once.
    while (!evidenceHolders_.empty()) {
        const VRX_nodeValue* value = ValueAt(*this, evidenceHolders_.back());
        if (HoldsEvidence(value)) return true;
        evidenceHolders_.pop_back();
    }
    return false;
}

void VRX_network::RefreshWalkMarks(VRX_nodeEntry& entry) const {
    if (entry.walkEpoch == walkEpoch_) return;
    entry.ClearMark(SlotMarks::kVisited | SlotMarks::kAncestor | SlotMarks::kFromChild |
                    SlotMarks::kFromParent | SlotMarks::kInRegion);
    entry.walkEpoch = walkEpoch_;
}

// ---------------------------------------------------------------------------------------------------
// Invalidation walk

// Bayes-ball over the graph: one visit is (node, direction). Every decision is taken when a visit
// starts, so handling the visits from a stack in reverse push order reproduces the recursive order.
void VRX_network::PassInvalidation(int handle, bool fromChild, bool& utilityReached, bool lazyMarks) {
    using namespace SlotMarks;
    std::vector<int> pending;  // handle * 2 + 1 for a visit from a child
    try {
        pending.reserve(16);
        pending.push_back(handle * 2 + (fromChild ? 1 : 0));
        auto pushAll = [&](const VRX_intArray& list, bool asFromChild) {
            for (int i = list.GetCount() - 1; i >= 0; i--)
                pending.push_back(list[i] * 2 + (asFromChild ? 1 : 0));
        };

        while (!pending.empty()) {
            const int m = pending.back() >> 1;
            const bool up = (pending.back() & 1) != 0;  // the visit came from a child
            pending.pop_back();
            if (!IsLiveHandle(m)) continue;
            VRX_nodeEntry& entry = nodes[m];
            if (lazyMarks) {
                RefreshWalkMarks(entry);
                ++lazyWalkVisits_;
            }
            VRX_nodeValue* value = entry.node->GetValue();
            const bool observed = value != nullptr && value->HasEvidence();

            if (IsDecisionNode(m)) {
                if (up && value != nullptr && !observed) value->SetValueFlag(ValueFlags::kUpToDate, false);
                continue;
            }
            const int marks = entry.flags;
            if (value != nullptr && value->HasFlag(ValueFlags::kPropagatedEvidence) && !(marks & kAncestor)) {
                continue;
            }
            if (!observed && !(marks & kClearingEvidence)) {
                if (!(marks & kVisited)) {
                    entry.SetMark((up ? kFromChild : kFromParent) | kVisited);
                    if (value != nullptr) value->SetValueFlag(ValueFlags::kUpToDate, false);
                    if (HasTypeBits(*this, m, DefinitionBits::kUtility)) utilityReached = true;
                    // Children are visited before the parents: they go on top.
                    if (up || (marks & kAncestor)) pushAll(entry.parents, true);
                    pushAll(entry.children, false);
                } else if (up && (marks & kFromParent)) {
                    entry.ClearMark(kFromParent);
                    pushAll(entry.parents, true);
                }
            } else if (!up && !(marks & kVisited)) {
                entry.SetMark(kVisited);
                pushAll(entry.parents, true);
            }
        }
    } catch (const std::bad_alloc&) {
        // Without room for the walk, every value that could be stale is taken to be.
        InvalidateValues();
        utilityReached = true;
    }
}

int VRX_network::RepropagateEvidence(int handle) {
    return RepropagateEvidence(handle, -1);
}

int VRX_network::RepropagateEvidence(int handle, int other) {
    if (!(propagationFlags & PropagationFlags::kNotices)) {
        propagationCurrent_ = false;
        return kSuccess;
    }
    if (!IsLiveHandle(handle)) return kOutOfRange;

    // Without evidence anywhere (the common case while a network is being built) there is nothing to
    // propagate and no ancestor to mark: the walk alone is left. Every walk clears the marks of the slots
    // it reaches rather than those of every slot, so that it costs what it visits.
    if (HasAnyEvidence()) {
        ++walkEpoch_;
        if (!propagationCurrent_ || !(propagationFlags & PropagationFlags::kDeterministic) ||
            RepropagateAround(handle, other) != kSuccess)
            RepropagateEverywhere();
        // The walk only marks values out of date: with none up to date but the findings it would change
        // nothing.
        if (!valuesMayBeCurrent_) return kSuccess;
        ++walkEpoch_;
        MarkAncestorsOfFindingsLazily();
    } else {
        if (!valuesMayBeCurrent_) return kSuccess;
        ++walkEpoch_;
    }
    InvalidateAround(handle);
    return kSuccess;
}

void VRX_network::RepropagateEverywhere() {
    // One pass drops the propagated evidence; propagation from every fixed node finds it again.
    bool anyEvidence = false;
    for (int h = 0; h < numSlots; h++) {
        VRX_nodeValue* value = ValueAt(*this, h);
        if (value == nullptr) continue;
        if (value->HasFlag(ValueFlags::kPropagatedEvidence))
            (void)value->ClearPropagatedEvidence();  // flagged
        if (value->HasFlag(ValueFlags::kEvidence | ValueFlags::kVirtualEvidence)) anyEvidence = true;
    }
    const bool deterministic = (propagationFlags & PropagationFlags::kDeterministic) != 0;
    if (anyEvidence && deterministic) {
        // A conflict is logged and the next node goes on.
        for (int h = 0; h < numSlots; h++) {
            if (FixedOutcome(*this, h) >= 0) (void)PropagateEvidence(h);
        }
    }
    propagationCurrent_ = deterministic;
    propagatedAlone_.clear();
}

void VRX_network::InvalidateAround(int handle) {
    using namespace SlotMarks;
    lazyWalkVisits_ = 0;
    bool utilityReached = false;
    VRX_nodeEntry& entry = nodes[handle];
    RefreshWalkMarks(entry);
    entry.SetMark(kVisited);
    VRX_nodeValue* value = entry.node->GetValue();
    const bool observed = value != nullptr && value->HasEvidence();
    if (!observed) {
        if (value != nullptr) value->SetValueFlag(ValueFlags::kUpToDate, false);
        if (HasTypeBits(*this, handle, DefinitionBits::kUtility)) utilityReached = true;
        const VRX_intArray& children = entry.children;
        for (int i = 0; i < children.GetCount(); i++)
            PassInvalidation(children[i], false, utilityReached, true);
    }
    if (!IsDecisionNode(handle) && (observed || entry.HasMark(kAncestor | kClearingEvidence))) {
        const VRX_intArray& parents = entry.parents;
        for (int i = 0; i < parents.GetCount(); i++) PassInvalidation(parents[i], true, utilityReached, true);
    }
    if (utilityReached) InvalidateDecisionValues();
    // Once a walk has made every value out of date, the walks of the next edits are skipped; the look
    // costs at most four times the walk.
    if (lazyWalkVisits_ * 4 >= numSlots) {
        bool current = false;
        for (int h = 0; h < numSlots && !current; h++) {
            const VRX_nodeValue* v = ValueAt(*this, h);
            current = v != nullptr && v->IsUpToDate() && !v->HasEvidence();
        }
        valuesMayBeCurrent_ = current;
    }
}

// ---------------------------------------------------------------------------------------------------
// Change notices

int VRX_network::CheckEvidencePossible(int handle) {
    const int outcome = FixedOutcome(*this, handle);
    if (outcome < 0) return kSuccess;
    const VRX_Dmatrix* table = AlignedTable(*this, handle);
    if (table == nullptr) return kSuccess;
    VRX_intArray coords;
    if (const int rc = BuildCoordinates(*this, handle, *table, outcome, coords)) return rc;
    if (!AllEntriesEqual(*table, 0.0, coords)) return kSuccess;

    std::string name;
    VRX_idArray* names = GetNode(handle)->GetDefinition()->GetOutcomesNames();
    if (names != nullptr && outcome < names->GetCount() && (*names)[outcome] != nullptr) {
        name = (*names)[outcome];
    } else {
        name = std::to_string(outcome);
    }
    const std::string message =
        "Outcome [" + name + "] of node [" + vovido::NodeLabel(*this, handle) + "] is impossible";
    return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
}

int VRX_network::NotifyEvidenceSet(int handle) {
    using namespace SlotMarks;
    if (!(propagationFlags & PropagationFlags::kNotices) || !(changeMask & ChangeKind::kEvidenceSet)) {
        propagationCurrent_ = false;
        return kSuccess;
    }
    if (!IsLiveHandle(handle)) return kOutOfRange;
    // A refused outcome leaves every mark and flag as it was: the value takes its evidence back.
    if (const int rc = CheckEvidencePossible(handle)) return rc;

    // The walk only marks values out of date: with none up to date but the findings it would change
    // nothing, and a network observed node by node would walk its connected part once a finding.
    bool utilityReached = false;
    if (valuesMayBeCurrent_ && HasAnyEvidence()) {
        ++walkEpoch_;
        MarkAncestorsOfFindingsLazily();
        RefreshWalkMarks(nodes[handle]);
        nodes[handle].SetMark(kVisited);
        const VRX_intArray& children = nodes[handle].children;
        const VRX_intArray& parents = nodes[handle].parents;
        for (int i = 0; i < children.GetCount(); i++)
            PassInvalidation(children[i], false, utilityReached, true);
        for (int i = 0; i < parents.GetCount(); i++) PassInvalidation(parents[i], true, utilityReached, true);
    }

    int result = kSuccess;
    if (propagationFlags & PropagationFlags::kDeterministic) {
        ++walkEpoch_;  // the propagation clears the marks of the slots it reaches
        result = PropagateEvidence(handle);
        if (propagationCurrent_) {
            try {
                propagatedAlone_.push_back(handle);
            } catch (const std::bad_alloc&) {
                propagationCurrent_ = false;
            }
        }
    } else {
        propagationCurrent_ = false;
    }
    if (utilityReached) InvalidateDecisionValues();
    AutoUpdate();
    return result;
}

int VRX_network::NotifyEvidenceCleared(int handle) {
    if (!(propagationFlags & PropagationFlags::kNotices) || !(changeMask & ChangeKind::kEvidenceCleared)) {
        propagationCurrent_ = false;
        return kSuccess;
    }
    if (!IsLiveHandle(handle)) return kOutOfRange;
    nodes[handle].SetMark(SlotMarks::kClearingEvidence);
    const int result = RepropagateEvidence(handle);
    nodes[handle].ClearMark(SlotMarks::kClearingEvidence);
    AutoUpdate();
    return result;
}

int VRX_network::NotifyValuesChanged() {
    if (!(propagationFlags & PropagationFlags::kNotices)) return kSuccess;
    InvalidateValues();
    AutoUpdate();
    return kSuccess;
}

int VRX_network::NotifyChange(int handle, int code) {
    const bool repropagates = code == ChangeKind::kOutcomesChanged || code == ChangeKind::kEntriesReplaced ||
                              code == ChangeKind::kDefinitionReplaced;
    if (!(propagationFlags & PropagationFlags::kNotices) || !(changeMask & code)) {
        if (repropagates) propagationCurrent_ = false;
        return kSuccess;
    }
    int result = kSuccess;
    if (repropagates) result = RepropagateEvidence(handle);
    AutoUpdate();
    return result;
}

int VRX_network::NotifyArcAdded(int /*parent*/, int child) {
    if (!(propagationFlags & PropagationFlags::kNotices) || !(changeMask & ChangeKind::kArcAdded)) {
        propagationCurrent_ = false;
        return kSuccess;
    }
    const int result = RepropagateEvidence(child);
    AutoUpdate();
    return result;
}

int VRX_network::NotifyArcRemoved(int parent, int child) {
    if (!(propagationFlags & PropagationFlags::kNotices) || !(changeMask & ChangeKind::kArcRemoved)) {
        propagationCurrent_ = false;
        return kSuccess;
    }
    // The parent is no longer next to the child: what the child's evidence fixed there is found again too.
    const int result = RepropagateEvidence(child, parent);
    AutoUpdate();
    return result;
}
