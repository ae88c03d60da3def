// Base behaviour of node definitions and the services every kind shares: outcome notices that keep
// children, cost children and the extra definition in step, and the one-step outcome edit.
#include "model/node_definition.h"

#include "base/dmatrix.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "base/sys_coordinates.h"
#include "definitions/node_cost.h"
#include "model/checked_table.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_parts.h"
#include "model/node_value.h"
#include "model/notices_off.h"
#include "model/refusal_reasons.h"

using vovido::CostAt;
using vovido::DefinitionAt;
using vovido::ExtraDefinitionAt;

bool vovido::IsIndexingType(int typeCode) {
    switch (typeCode) {
        case DefinitionType::kList:
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder:
            return true;
        default:
            return false;
    }
}

VRX_nodeDefinition::VRX_nodeDefinition(int nodeHandle, VRX_network* net) : network(net), handle(nodeHandle) {
    SetFlag(kValid, IsAttachedToLiveNode());
}

VRX_nodeDefinition::VRX_nodeDefinition(const VRX_nodeDefinition& source)
    : VRX_object(), network(source.network), handle(source.handle) {
    SetFlag(kValid, IsAttachedToLiveNode());
}

VRX_nodeDefinition::~VRX_nodeDefinition() = default;

vovido::CheckedTable& VRX_nodeDefinition::CheckedTableCache() {
    if (!checkedTable_) checkedTable_ = std::make_unique<vovido::CheckedTable>();
    return *checkedTable_;
}

bool VRX_nodeDefinition::IsAttachedToLiveNode() const {
    return network != nullptr && network->IsLiveHandle(handle);
}

void VRX_nodeDefinition::CheckValidity(int /*deep*/) {
    SetFlag(kValid, IsAttachedToLiveNode());
}

int VRX_nodeDefinition::AddParent(int /*parent*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::RemoveParent(int /*parent*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::AbsorbParentEvidence(int /*parent*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::MarginalizeParent(int /*parent*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::InsertParentOutcome(int /*parent*/, int /*index*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::RemoveParentOutcome(int /*parent*/, int /*index*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::ReorderParentOutcomes(int /*parent*/, const VRX_intArray& /*order*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::ReorderParents(const VRX_intArray& /*order*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::RenameParentId(int /*parent*/, const char* /*oldId*/, const char* /*newId*/) {
    return kSuccess;
}
int VRX_nodeDefinition::ReservedQuery() {
    return kSuccess;
}

int VRX_nodeDefinition::NotifyChange(int code) {
    if (code == kDefinitionChangeNotice && network != nullptr) network->NotifyChange(handle, code);
    return kSuccess;
}

int VRX_nodeDefinition::GetSize() {
    return kWrongNodeType;
}
int VRX_nodeDefinition::CloneFrom(VRX_nodeDefinition& /*source*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::RebuildFromParents() {
    return kWrongNodeType;
}

int VRX_nodeDefinition::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    network = source.network;
    handle = source.handle;
    return kSuccess;
}

int VRX_nodeDefinition::RemoveInvalidParents() {
    return kWrongNodeType;
}

int VRX_nodeDefinition::AddOutcome(const char* /*name*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::InsertOutcome(int /*index*/, const char* /*name*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::RemoveOutcome(int /*index*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::GetNumberOfOutcomes() {
    return kWrongNodeType;
}
int VRX_nodeDefinition::RenameOutcome(int /*index*/, const char* /*name*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::RenameOutcomes(const VRX_stringArray& /*names*/) {
    return kWrongNodeType;
}
VRX_idArray* VRX_nodeDefinition::GetOutcomesNames() {
    return nullptr;
}
int VRX_nodeDefinition::SetOutcomes(const VRX_stringArray& /*names*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::SetNumberOfOutcomes(int /*count*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::ChangeOrderOfOutcomes(const VRX_intArray& /*order*/) {
    return kWrongNodeType;
}

int VRX_nodeDefinition::GetDefinitionStrings(VRX_stringArray*& /*out*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::GetDefinitionInts(VRX_intArray*& /*out*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::GetDefinitionDoubles(VRX_doubleArray*& /*out*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::GetDefinition(VRX_Dmatrix*& /*out*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::SetDefinition(const VRX_Dmatrix& /*matrix*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::SetDefinitionStrings(const VRX_stringArray& /*strings*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::SetDefinitionInts(const VRX_intArray& /*ints*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::SetDefinitionDoubles(const VRX_doubleArray& /*doubles*/) {
    return kWrongNodeType;
}
int VRX_nodeDefinition::CopyParametersTo(VRX_nodeDefinition& /*target*/) {
    return kSuccess;
}

int VRX_nodeDefinition::ChangeOutcomes(const VRX_stringArray& names, const VRX_intArray& map) {
    const int oldCount = GetNumberOfOutcomes();
    if (oldCount < 0) return oldCount;
    const int newCount = map.GetCount();
    if (newCount != names.GetCount()) return kOutOfRange;
    if (!names.IsValid()) return kObjectNotValid;
    // The whole map is checked before anything changes: kept outcomes must be distinct old indices, and
    // every discrete kind keeps at least two outcomes.
    if (newCount < 2) return kOutOfRange;
    VRX_intArray seen;
    if (const int rc = seen.SetSize(oldCount)) return rc;
    seen.FillWith(0);
    int kept = 0;
    for (int k = 0; k < newCount; k++) {
        const int old = map[k];
        if (old < 0) continue;
        if (old >= oldCount || seen[old]) return kOutOfRange;
        seen[old] = 1;
        kept++;
    }
    VRX_intArray work(map);
    if (work.GetCount() != newCount) return kOutOfMemory;

    // Temporaries keep the node at two outcomes or more while the old ones go.
    const int temporaries = kept < 2 ? 2 - kept : 0;
    static const char* const kTemporaryNames[2] = {"tmpStateUI0", "tmpStateUI00"};
    for (int t = 0; t < temporaries; t++) {
        if (const int rc = AddOutcome(kTemporaryNames[t])) return rc;
    }
    for (int i = oldCount - 1; i >= 0; i--) {
        if (seen[i]) continue;
        if (const int rc = RemoveOutcome(i)) return rc;
        for (int k = 0; k < newCount; k++) {
            if (work[k] > i) work[k]--;
        }
    }
    const int first = GetNumberOfOutcomes() - temporaries;
    int added = 0;
    for (int k = 0; k < newCount; k++) {
        if (work[k] >= 0) continue;
        if (const int rc = AddOutcome(names[k])) return rc;
        work[k] = first + added;
        added++;
    }
    for (int t = 0; t < temporaries; t++) {
        if (const int rc = RemoveOutcome(newCount - added)) return rc;
    }
    for (int k = 0; k < newCount; k++) {
        if (work[k] != k) {
            if (const int rc = ChangeOrderOfOutcomes(work)) return rc;
            break;
        }
    }
    return RenameOutcomes(names);
}

namespace {

// The node's value keeps its evidence in step with the edit, once the children's tables have followed
// it (clearing evidence may bring the beliefs up to date).
int ValueFollows(VRX_network& network, int node, const vovido::OutcomeEdit& edit) {
    VRX_node* n = network.GetNode(node);
    VRX_nodeValue* value = n != nullptr ? n->GetValue() : nullptr;
    return value != nullptr ? value->FollowOutcomeEdit(edit) : kSuccess;
}

// Whether every child and cost child of the node can follow the edit of its outcome at index: each tries
// it on a copy of itself, so that a refusal is known before anything changes. The first child that cannot
// goes to `refusing`, and its status is returned.
int TryChildrenFollow(VRX_network& network, int node, vovido::OutcomeEdit::Kind kind, int index,
                      int& refusing) {
    // The copies tell the network nothing: a copied definition's change notice would re-propagate evidence.
    const vovido::NoticesOff off(network);
    const bool inserted = kind == vovido::OutcomeEdit::kInserted;
    const VRX_intArray& children = network.GetChildren(node, 0);
    for (int i = 0; i < children.GetCount(); i++) {
        const VRX_node* child = network.GetNode(children[i]);
        if (child == nullptr || child->GetDefinition() == nullptr) continue;
        const VRX_node trial(*child);
        VRX_nodeDefinition* definition = trial.GetDefinition();
        // A child memory cannot copy is left to the edit itself.
        if (definition == nullptr) continue;
        // A copy converts through the network, which is half-way through the edit: the parameters are taken
        // over as they stand.
        (void)child->GetDefinition()->CopyParameters(*definition);
        const int rc = inserted ? definition->InsertParentOutcome(node, index)
                                : definition->RemoveParentOutcome(node, index);
        if (rc != kSuccess) {
            refusing = children[i];
            return rc;
        }
    }
    const VRX_intArray& costChildren = network.GetChildren(node, 1);
    for (int i = 0; i < costChildren.GetCount(); i++) {
        const VRX_nodeCost* cost = CostAt(network, costChildren[i]);
        if (cost == nullptr) continue;
        VRX_nodeCost trial(*cost);
        const int rc =
            inserted ? trial.InsertParentOutcome(node, index) : trial.RemoveParentOutcome(node, index);
        if (rc != kSuccess) {
            refusing = costChildren[i];
            return rc;
        }
    }
    return kSuccess;
}

}  // namespace

int VRX_nodeDefinition::CheckChildrenTakeOutcomeRemoval(int index) {
    if (!IsAttachedToLiveNode()) return kSuccess;
    int refusing = -1;
    const int rc = TryChildrenFollow(*network, handle, vovido::OutcomeEdit::kRemoved, index, refusing);
    return rc != kSuccess ? vovido::RefuseOutcomeForChild(*network, handle, refusing, rc, false) : kSuccess;
}

int VRX_nodeDefinition::NotifyOutcomeInserted(int index, bool& takenBack) {
    takenBack = false;
    // A definition that belongs to no node has nobody to keep in step.
    if (!IsAttachedToLiveNode()) return kSuccess;
    int refusing = -1;
    if (const int rc = TryChildrenFollow(*network, handle, vovido::OutcomeEdit::kInserted, index, refusing)) {
        takenBack = true;
        return vovido::RefuseOutcomeForChild(*network, handle, refusing, rc, true);
    }
    network->OnOutcomeInserted(handle, index);
    // Every child and cost child takes the new outcome, or none does: one that cannot has those before it
    // take it back, and the caller takes back its own.
    const VRX_intArray& children = network->GetChildren(handle, 0);
    const VRX_intArray& costChildren = network->GetChildren(handle, 1);
    int failed = kSuccess;
    int doneChildren = 0;
    for (; doneChildren < children.GetCount(); doneChildren++) {
        VRX_nodeDefinition* child = DefinitionAt(*network, children[doneChildren]);
        if (child == nullptr) continue;
        if ((failed = child->InsertParentOutcome(handle, index)) != kSuccess) {
            refusing = children[doneChildren];
            break;
        }
    }
    int doneCosts = 0;
    for (; failed == kSuccess && doneCosts < costChildren.GetCount(); doneCosts++) {
        VRX_nodeCost* cost = CostAt(*network, costChildren[doneCosts]);
        if (cost == nullptr) continue;
        if ((failed = cost->InsertParentOutcome(handle, index)) != kSuccess) {
            refusing = costChildren[doneCosts];
            break;
        }
    }
    if (failed != kSuccess) {
        for (int i = doneCosts - 1; i >= 0; i--) {
            if (VRX_nodeCost* cost = CostAt(*network, costChildren[i]))
                (void)cost->RemoveParentOutcome(handle, index);
        }
        for (int i = doneChildren - 1; i >= 0; i--) {
            if (VRX_nodeDefinition* child = DefinitionAt(*network, children[i]))
                (void)child->RemoveParentOutcome(handle, index);
        }
        network->OnOutcomeRemoved(handle, index);
        takenBack = true;
        return vovido::RefuseOutcomeForChild(*network, handle, refusing, failed, true);
    }
    if (VRX_extraDefinition* extra = ExtraDefinitionAt(*network, handle)) {
        if (const int rc = extra->InsertOutcome(index)) return rc;
    }
    if (const int rc = ValueFollows(*network, handle, {vovido::OutcomeEdit::kInserted, index, nullptr}))
        return rc;
    CheckValidity(0);
    return network->NotifyChange(handle, ChangeKind::kOutcomesChanged);
}

int VRX_nodeDefinition::NotifyOutcomeRemoved(int index, VRX_idArray& outcomeIds) {
    if (const int rc = outcomeIds.Delete(index)) return rc;
    if (!IsAttachedToLiveNode()) return kSuccess;
    network->OnOutcomeRemoved(handle, index);
    const VRX_intArray& children = network->GetChildren(handle, 0);
    for (int i = 0; i < children.GetCount(); i++) {
        if (VRX_nodeDefinition* child = DefinitionAt(*network, children[i])) {
            if (const int rc = child->RemoveParentOutcome(handle, index)) return rc;
        }
    }
    const VRX_intArray& costChildren = network->GetChildren(handle, 1);
    for (int i = 0; i < costChildren.GetCount(); i++) {
        if (VRX_nodeCost* cost = CostAt(*network, costChildren[i])) {
            if (const int rc = cost->RemoveParentOutcome(handle, index)) return rc;
        }
    }
    if (VRX_extraDefinition* extra = ExtraDefinitionAt(*network, handle)) {
        if (const int rc = extra->RemoveOutcome(index)) return rc;
    }
    if (const int rc = ValueFollows(*network, handle, {vovido::OutcomeEdit::kRemoved, index, nullptr}))
        return rc;
    CheckValidity(0);
    return network->NotifyChange(handle, ChangeKind::kOutcomesChanged);
}

int VRX_nodeDefinition::NotifyOutcomesReordered(const VRX_intArray& order) {
    if (!IsAttachedToLiveNode()) return kSuccess;
    if (VRX_extraDefinition* extra = ExtraDefinitionAt(*network, handle)) {
        if (const int rc = extra->ChangeOrderOfOutcomes(order)) return rc;
    }
    const VRX_intArray& children = network->GetChildren(handle, 0);
    for (int i = 0; i < children.GetCount(); i++) {
        if (VRX_nodeDefinition* child = DefinitionAt(*network, children[i])) {
            if (const int rc = child->ReorderParentOutcomes(handle, order)) return rc;
        }
    }
    const VRX_intArray& costChildren = network->GetChildren(handle, 1);
    for (int i = 0; i < costChildren.GetCount(); i++) {
        if (VRX_nodeCost* cost = CostAt(*network, costChildren[i])) {
            if (const int rc = cost->ReorderParentOutcomes(handle, order)) return rc;
        }
    }
    if (const int rc = ValueFollows(*network, handle, {vovido::OutcomeEdit::kReordered, -1, &order}))
        return rc;
    network->OnOutcomesReordered(handle, order);
    return kSuccess;
}

int VRX_nodeDefinition::InsertZeroItem(VRX_Dmatrix& matrix, int dimension, int index) {
    const int size = matrix.GetSizeOfDimension(dimension);
    if (size < 0) return size;
    if (index < 0 || index > size) return kOutOfRange;
    if (const int rc = matrix.AddItem(dimension)) return rc;
    // AddItem appends a zero item; moving the tail up opens it at the index instead.
    if (index == size) return kSuccess;
    return matrix.ShiftItemsUp(dimension, index, 0.0);
}

// Defined here rather than with the iterator: the base layer knows nothing of node definitions.
int VRX_sysCoordinates::LinkToDefinition(VRX_nodeDefinition& definition) {
    VRX_Dmatrix* table = nullptr;
    if (const int rc = definition.GetDefinition(table)) return rc;
    return LinkToMatrix(table);
}
