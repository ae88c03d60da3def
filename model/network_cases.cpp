// The network's saved-case operations and the forwards that keep its cases in step with node changes.

#include "model/network.h"
#include "model/saved_case.h"
#include "model/temporal_extension.h"

VRX_case* VRX_network::AddCase(const char* name) {
    return cases ? cases->AddCase(name) : nullptr;
}

VRX_case* VRX_network::GetCase(int index) const {
    return cases ? cases->GetCase(index) : nullptr;
}

int VRX_network::GetNumberOfCases() const {
    return cases ? cases->GetNumberOfCases() : 0;
}

void VRX_network::EnableCaseSync(bool on) {
    if (cases) cases->EnableSync(on);
}

void VRX_network::OnNodeTypeChanged(int handle, int previousType) {
    if (cases) cases->NotifyNodeTypeChanged(handle, previousType);
    if (temporalExtension) temporalExtension->OnNodeTypeChanged(handle);
}

void VRX_network::OnOutcomeInserted(int handle, int position) {
    if (cases) cases->NotifyOutcomeInserted(handle, position);
    if (temporalExtension) temporalExtension->OnOutcomeInserted(handle, position);
}

void VRX_network::OnOutcomeRemoved(int handle, int position) {
    if (cases) cases->NotifyOutcomeRemoved(handle, position);
    if (temporalExtension) temporalExtension->OnOutcomeRemoved(handle, position);
}

void VRX_network::OnOutcomesReordered(int handle, const VRX_intArray& order) {
    if (cases) cases->NotifyOutcomesReordered(handle, order);
    if (temporalExtension) temporalExtension->OnOutcomesReordered(handle, order);
}
