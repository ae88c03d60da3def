// A plate node's definitions of later time slices, reached through its own definition.
#include <string>

#include "base/double_array.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node_definition.h"
#include "model/temporal_extension.h"

VRX_nodeDefinition* VRX_nodeDefinition::FindTemporalDefinition(int order) const {
    if (network == nullptr || !network->IsLiveHandle(handle)) return nullptr;
    const VRX_temporalExtension* temporal = network->FindTemporalExtension();
    return temporal != nullptr ? temporal->GetTemporalDefinition(handle, order) : nullptr;
}

VRX_doubleArray* VRX_nodeDefinition::GetTemporalDefinition(int order) {
    VRX_nodeDefinition* temporal = FindTemporalDefinition(order);
    VRX_doubleArray* entries = nullptr;
    if (temporal == nullptr || temporal->GetDefinitionDoubles(entries) != kSuccess) return nullptr;
    return entries;
}

int VRX_nodeDefinition::SetTemporalDefinition(int order, const VRX_doubleArray& entries) {
    if (network == nullptr || network->FindTemporalExtension() == nullptr) return kWrongNodeType;
    VRX_nodeDefinition* temporal = FindTemporalDefinition(order);
    if (temporal == nullptr) return kOutOfRange;
    const std::string what = "temporal table of order " + std::to_string(order);
    if (const int rc = vovido::DefinitionSupport::RefuseEntries(
            network, handle, what.c_str(), entries.GetItems(), vovido::DefinitionSupport::GivenCount(entries),
            (GetType() & DefinitionBits::kUtility) == 0))
        return rc;
    if (const int rc = temporal->SetDefinitionDoubles(entries)) return rc;
    network->InvalidateValues();
    return kSuccess;
}
