// Evidence of a plate node in the time slices of a dynamic network.
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace {

bool IsPlate(const VRX_network* network, int handle) {
    return network != nullptr && network->IsLiveHandle(handle) &&
           network->GetTemporalType(handle) == TemporalType::kPlate;
}

}  // namespace

int VRX_nodeValue::GetTemporalEvidence(int slice) {
    if (slice == 0) return GetEvidence();
    const VRX_temporalExtension* temporal = network != nullptr ? network->FindTemporalExtension() : nullptr;
    return temporal != nullptr ? temporal->GetTemporalEvidence(handle, slice) : kOutOfRange;
}

int VRX_nodeValue::SetTemporalEvidence(int slice, int outcome) {
    if (!IsPlate(network, handle)) return kWrongNodeType;
    if (slice == 0) return SetEvidence(outcome);
    VRX_temporalExtension* temporal = network->FindTemporalExtension();
    if (temporal == nullptr || slice < 0) return kOutOfRange;
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    const int outcomes = definition != nullptr ? definition->GetNumberOfOutcomes() : -1;
    if (outcome < 0 || outcome >= outcomes) return kOutOfRange;
    if (const int rc = temporal->SetTemporalEvidence(handle, slice, outcome)) return rc;
    network->InvalidateValues();
    return kSuccess;
}

int VRX_nodeValue::ClearTemporalEvidence(int slice) {
    if (!IsPlate(network, handle)) return kWrongNodeType;
    if (slice == 0) return ClearEvidence();
    if (!IsTemporalEvidence(slice)) return kInvalidData;
    network->FindTemporalExtension()->ClearTemporalEvidence(handle, slice);
    network->InvalidateValues();
    return kSuccess;
}

bool VRX_nodeValue::IsTemporalEvidence(int slice) {
    if (slice == 0) return GetEvidence() >= 0;
    const VRX_temporalExtension* temporal = network != nullptr ? network->FindTemporalExtension() : nullptr;
    return temporal != nullptr && temporal->GetTemporalEvidence(handle, slice) >= 0;
}

bool VRX_nodeValue::HasTemporalEvidence() {
    const VRX_temporalExtension* temporal = network != nullptr ? network->FindTemporalExtension() : nullptr;
    if (temporal == nullptr) return false;
    if (HasFlag(ValueFlags::kEvidence | ValueFlags::kPropagatedEvidence | ValueFlags::kVirtualEvidence))
        return true;
    return temporal->HasTemporalEvidence(handle);
}
