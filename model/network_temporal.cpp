// The network's dynamic-network operations, forwarded to its temporal data.
#include <climits>
#include <memory>
#include <new>

#include <string>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "model/saved_case.h"
#include "model/temporal_extension.h"

namespace {

// A node that leaves the plate has one copy: of its rows, one a slice, its value keeps slice 0's, which
// is what its evidence, if any, still says.
void KeepFirstSlice(VRX_nodeValue* value, int slices) {
    VRX_Dmatrix* matrix = nullptr;
    if (value == nullptr || value->GetValue(matrix) != kSuccess || matrix == nullptr ||
        matrix->GetNumberOfDimensions() < 2 || matrix->GetDimensions()[0] != slices)
        return;
    VRX_Dmatrix row;
    if (matrix->ExtractSlice(0, 0, row) != kSuccess) return;  // memory: the value stays as it was
    (void)value->SetValue(row);                               // a copy of a matrix in a sound state
}

// The nodes, "[A], [B]" (the first five and a count), that hold evidence in slice `first` or after.
std::string NodesWithEvidenceFrom(const VRX_network& network, int first) {
    const int slices = network.GetSliceCount();
    std::string text;
    int count = 0;
    for (int h = network.GetFirstNode(); h >= 0 && first >= 1; h = network.GetNextNode(h)) {
        VRX_nodeValue* value = network.GetNode(h)->GetValue();
        bool held = false;
        for (int slice = first; value != nullptr && !held && slice < slices; ++slice)
            held = value->IsTemporalEvidence(slice);
        if (!held) continue;
        if (++count <= 5) text += (count > 1 ? ", [" : "[") + vovido::NodeLabel(network, h) + "]";
    }
    if (count > 5) text += " and " + std::to_string(count - 5) + " more";
    return count > 0 ? "node" + std::string(count > 1 ? "s " : " ") + text : text;
}

}  // namespace

VRX_temporalExtension* VRX_network::GetTemporalExtension() {
    if (!temporalExtension) {
        try {
            temporalExtension = std::make_unique<VRX_temporalExtension>(this);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    return temporalExtension.get();
}

int VRX_network::GetSliceCount() const {
    return temporalExtension ? temporalExtension->GetSliceCount() : 0;
}

int VRX_network::SetSliceCount(int count) {
    // A refused count makes no network dynamic: it gets no temporal object (nor its 10 slices).
    if (count < 1) return kInvalidData;
    VRX_temporalExtension* temporal = GetTemporalExtension();
    if (temporal == nullptr) return kOutOfMemory;
    // Evidence of the slices the count leaves out goes with them: the caller is told whose.
    const std::string dropped = NodesWithEvidenceFrom(*this, count);
    if (const int rc = temporal->SetSliceCount(count)) return rc;
    InvalidateValues();
    if (!dropped.empty()) {
        (void)LogError(errorLog, kInvalidData,
                       ("the evidence of " + dropped + " in slice " + std::to_string(count) +
                        " and after is dropped: the network now has " + std::to_string(count) + " slices")
                           .c_str(),
                       nullptr);
    }
    return kSuccess;
}

int VRX_network::GetMaxTemporalOrder() const {
    if (!temporalExtension) return 0;
    return temporalExtension->GetMaxTemporalOrder();
}

// The queries read what is there: a network without temporal data has no plate node (a plate type
// creates it), so they answer as for a node outside the plate and the network stays static.
int VRX_network::GetMaxNodeTemporalOrder(int handle) {
    return temporalExtension ? temporalExtension->GetMaxNodeTemporalOrder(handle) : kOutOfRange;
}

bool VRX_network::TemporalArcExists(int parent, int child, int order) {
    return temporalExtension && temporalExtension->TemporalArcExists(parent, child, order);
}

// A refused edit leaves a static network static: the temporal data made for it goes again.
template <typename Edit>
int VRX_network::EditTemporalData(Edit edit) {
    const bool wasStatic = !temporalExtension;
    VRX_temporalExtension* temporal = GetTemporalExtension();
    if (temporal == nullptr) return kOutOfMemory;
    const int rc = edit(*temporal);
    if (rc != kSuccess && wasStatic) temporalExtension.reset();
    return rc;
}

int VRX_network::AddTemporalArc(int parent, int child, int order) {
    const int rc = EditTemporalData(
        [&](VRX_temporalExtension& temporal) { return temporal.AddTemporalArc(parent, child, order); });
    if (rc == kSuccess) InvalidateValues();
    return rc;
}

int VRX_network::RemoveTemporalArc(int parent, int child, int order) {
    const int rc = EditTemporalData(
        [&](VRX_temporalExtension& temporal) { return temporal.RemoveTemporalArc(parent, child, order); });
    if (rc == kSuccess) InvalidateValues();
    return rc;
}

int VRX_network::SetTemporalType(int handle, int type) {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    const int previous = nodes[handle].temporalType;
    if (previous == type) return kSuccess;
    if (const int rc = EditTemporalData(
            [&](VRX_temporalExtension& temporal) { return temporal.SetTemporalType(handle, type); }))
        return rc;
    nodes[handle].temporalType = type;
    if (cases) cases->NotifyTemporalTypeChanged(handle, previous, type);
    if (previous == TemporalType::kPlate) KeepFirstSlice(GetNode(handle)->GetValue(), GetSliceCount());
    // The unrolled network is another one: what was computed from the former no longer holds. Only
    // while some value may be up to date: a reader gives every node its type.
    if (valuesMayBeCurrent_) InvalidateValues();
    return kSuccess;
}

int VRX_network::GetTemporalOrders(int handle, VRX_intArray& out) {
    if (!temporalExtension) return kOutOfRange;
    return temporalExtension->GetTemporalOrders(handle, out);
}

int VRX_network::GetTemporalParents(int handle, int order, VRX_intArray& out) {
    if (!temporalExtension) return kOutOfRange;
    return temporalExtension->GetTemporalParents(handle, order, out);
}

int VRX_network::GetTemporalChildren(int handle, std::vector<std::pair<int, int>>& out) {
    if (!temporalExtension) return kOutOfRange;
    return temporalExtension->GetTemporalChildren(handle, out);
}

int VRX_network::GetUnrolledParents(int handle, int order, std::vector<std::pair<int, int>>& out) {
    out.clear();
    if (!temporalExtension) return kOutOfRange;
    int definitionNode = -1;
    return temporalExtension->GetUnrolledParents(handle, order, out, definitionNode);
}

int VRX_network::GetAllUnrolledParents(int handle, std::vector<std::pair<int, int>>& out) {
    return GetUnrolledParents(handle, INT_MAX, out);
}
