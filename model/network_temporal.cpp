// The network's dynamic-network operations, forwarded to its temporal data.
#include <climits>
#include <memory>
#include <new>

#include "base/status_codes.h"
#include "model/network.h"
#include "model/temporal_extension.h"

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
    if (const int rc = temporal->SetSliceCount(count)) return rc;
    InvalidateValues();
    return kSuccess;
}

int VRX_network::GetMaxTemporalOrder() const {
    if (!temporalExtension) return 0;
    return temporalExtension->GetMaxTemporalOrder();
}

int VRX_network::GetMaxNodeTemporalOrder(int handle) {
    VRX_temporalExtension* temporal = GetTemporalExtension();
    return temporal != nullptr ? temporal->GetMaxNodeTemporalOrder(handle) : kOutOfMemory;
}

bool VRX_network::TemporalArcExists(int parent, int child, int order) {
    VRX_temporalExtension* temporal = GetTemporalExtension();
    return temporal != nullptr && temporal->TemporalArcExists(parent, child, order);
}

int VRX_network::AddTemporalArc(int parent, int child, int order) {
    VRX_temporalExtension* temporal = GetTemporalExtension();
    if (temporal == nullptr) return kOutOfMemory;
    const int rc = temporal->AddTemporalArc(parent, child, order);
    if (rc == kSuccess) InvalidateValues();
    return rc;
}

int VRX_network::RemoveTemporalArc(int parent, int child, int order) {
    VRX_temporalExtension* temporal = GetTemporalExtension();
    if (temporal == nullptr) return kOutOfMemory;
    const int rc = temporal->RemoveTemporalArc(parent, child, order);
    if (rc == kSuccess) InvalidateValues();
    return rc;
}

int VRX_network::GetTemporalOrders(int handle, VRX_intArray& out) {
    VRX_temporalExtension* temporal = GetTemporalExtension();
    return temporal != nullptr ? temporal->GetTemporalOrders(handle, out) : kOutOfMemory;
}

int VRX_network::GetTemporalParents(int handle, int order, VRX_intArray& out) {
    VRX_temporalExtension* temporal = GetTemporalExtension();
    return temporal != nullptr ? temporal->GetTemporalParents(handle, order, out) : kOutOfMemory;
}

int VRX_network::GetTemporalChildren(int handle, std::vector<std::pair<int, int>>& out) {
    VRX_temporalExtension* temporal = GetTemporalExtension();
    return temporal != nullptr ? temporal->GetTemporalChildren(handle, out) : kOutOfMemory;
}

int VRX_network::GetUnrolledParents(int handle, int order, std::vector<std::pair<int, int>>& out) {
    VRX_temporalExtension* temporal = GetTemporalExtension();
    if (temporal == nullptr) return kOutOfMemory;
    int definitionNode = -1;
    return temporal->GetUnrolledParents(handle, order, out, definitionNode);
}

int VRX_network::GetAllUnrolledParents(int handle, std::vector<std::pair<int, int>>& out) {
    return GetUnrolledParents(handle, INT_MAX, out);
}
