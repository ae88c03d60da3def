// Targets, the network-wide evidence and up-to-date bookkeeping, and the slot marks used by the walks.
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

int VRX_network::SetTarget(int handle) {
    if (!IsLiveHandle(handle) || nodes[handle].HasMark(SlotMarks::kTarget)) return kOutOfRange;
    nodes[handle].SetMark(SlotMarks::kTarget);
    numTargets++;
    return kSuccess;
}

int VRX_network::UnsetTarget(int handle) {
    if (!IsLiveHandle(handle) || !nodes[handle].HasMark(SlotMarks::kTarget)) return kOutOfRange;
    nodes[handle].ClearMark(SlotMarks::kTarget);
    numTargets--;
    return kSuccess;
}

int VRX_network::IsTarget(int handle) const {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    return nodes[handle].HasMark(SlotMarks::kTarget) ? 1 : 0;
}

int VRX_network::ClearAllTargets() {
    ClearMarksOfAllNodes(SlotMarks::kTarget);
    numTargets = 0;
    return kSuccess;
}

int VRX_network::GetEvidenceNodes(VRX_intArray& out) const {
    for (int h = 0; h < numSlots; h++) {
        const VRX_node* node = nodes[h].node.get();
        if (node == nullptr || node->GetValue() == nullptr || !node->GetValue()->HasEvidence()) continue;
        if (const int rc = out.Add(h)) return rc;
    }
    return kSuccess;
}

int VRX_network::InvalidateValues() {
    for (int h = 0; h < numSlots; h++) {
        const VRX_node* node = nodes[h].node.get();
        VRX_nodeValue* value = node != nullptr ? node->GetValue() : nullptr;
        if (value == nullptr) continue;
        if (!value->HasEvidence()) value->SetValueFlag(ValueFlags::kUpToDate, false);
    }
    valuesMayBeCurrent_ = false;
    return kSuccess;
}

void VRX_network::ClearMarksOfAllNodes(int mask) {
    for (int h = 0; h < numSlots; h++) nodes[h].ClearMark(mask);
}

void VRX_network::MarkAncestors(int handle) {
    if (!IsLiveHandle(handle)) return;
    (void)MarkReachable(handle, true, 0, SlotMarks::kAncestor);  // fails only when a few ints find no memory
}
