// Base behaviour of node values: the shared fields, their copy and the indexing parents.
#include "model/node_value.h"

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

using vovido::IsIndexingType;

VRX_nodeValue::VRX_nodeValue(int nodeHandle, VRX_network* net) : network(net), handle(nodeHandle) {}

VRX_nodeValue::VRX_nodeValue(const VRX_nodeValue& source) : VRX_object() {
    if (!source.IsValid()) return;
    network = source.network;
    handle = source.handle;
    indexingParents = source.indexingParents;
    ReplaceValueFlags(source.valueFlags);
    SetFlag(kValid, true);
    SetFlag(kConsistent, true);
}

VRX_nodeValue::~VRX_nodeValue() = default;

void VRX_nodeValue::CleanUp(int deep) {
    valueFlags = 0;
    if (deep) indexingParents.Flush();
    CheckValidity(deep);
}

int VRX_nodeValue::CloneFrom(VRX_nodeValue& source) {
    return CopyFrom(source);
}

int VRX_nodeValue::CopyFrom(VRX_nodeValue& source) {
    return CopyBaseFrom(source);
}

int VRX_nodeValue::CopyBaseFrom(VRX_nodeValue& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    if (const int rc = indexingParents.Copy(source.indexingParents)) return rc;
    network = source.network;
    handle = source.handle;
    ReplaceValueFlags(source.valueFlags);
    CheckValidity(0);
    CheckConsistency(0);
    return kSuccess;
}

namespace vovido {

int OutcomeAfterEdit(const OutcomeEdit& edit, int outcome, int n) {
    switch (edit.kind) {
        case OutcomeEdit::kInserted:
            return outcome >= edit.index ? outcome + 1 : outcome;
        case OutcomeEdit::kRemoved:
            if (outcome == edit.index) return -1;
            return outcome > edit.index ? outcome - 1 : outcome;
        case OutcomeEdit::kReordered:
            return edit.order != nullptr ? edit.order->FindPosition(outcome) : -1;
        case OutcomeEdit::kReplaced:
            break;
    }
    return outcome < n ? outcome : -1;
}

}  // namespace vovido

void VRX_nodeValue::TellNetworkOfEvidence() {
    if (network != nullptr) network->NoteEvidenceHolder(handle);
}

void VRX_nodeValue::TellNetworkOfCurrentValue() {
    if (network != nullptr) network->NoteValueCurrent();
}

int VRX_nodeValue::FollowOutcomeEdit(const vovido::OutcomeEdit& /*edit*/) {
    return kSuccess;
}

int VRX_nodeValue::RebuildFromDefinition() {
    return kWrongNodeType;
}

int VRX_nodeValue::GetSize() {
    VRX_Dmatrix* matrix = nullptr;
    if (const int rc = GetValue(matrix)) return rc;
    return matrix != nullptr ? matrix->GetNumberOfElements() : 0;
}

int VRX_nodeValue::AddIndexingParent(int parent) {
    if (network == nullptr || !network->IsLiveHandle(parent)) return kOutOfRange;
    if (indexingParents.IsInList(parent)) return kSuccess;
    VRX_node* parentNode = network->GetNode(parent);
    // Two values never index each other.
    const VRX_nodeValue* parentValue = parentNode->GetValue();
    if (parentValue != nullptr && parentValue->GetIndexingParents().IsInList(handle)) return kSuccess;
    if (const int rc = indexingParents.Add(parent)) return rc;

    VRX_nodeDefinition* parentDefinition = parentNode->GetDefinition();
    if (parentDefinition == nullptr || !IsIndexingType(parentDefinition->GetType())) return kSuccess;
    const int outcomes = parentDefinition->GetNumberOfOutcomes();
    if (outcomes < 1) return kSuccess;
    VRX_Dmatrix* matrix = nullptr;
    int rc = GetValue(matrix);
    if (rc == kSuccess && matrix == nullptr) rc = kWrongNodeType;
    if (rc == kSuccess) rc = matrix->InsertDimension(indexingParents.GetCount() - 1, outcomes);
    // The list names exactly the parents that have a dimension in the matrix.
    if (rc != kSuccess) (void)indexingParents.Delete(indexingParents.GetCount() - 1);  // undoes the add
    return rc;
}

int VRX_nodeValue::GetContEvidence(double& /*out*/) {
    return kWrongNodeType;
}
int VRX_nodeValue::GetEvidence() {
    return kWrongNodeType;
}
int VRX_nodeValue::SetEvidence(int /*outcome*/) {
    return kWrongNodeType;
}
int VRX_nodeValue::SetContEvidence(double /*value*/) {
    return kWrongNodeType;
}
int VRX_nodeValue::ClearEvidence() {
    return kWrongNodeType;
}
int VRX_nodeValue::ClearPropagatedEvidence() {
    return kWrongNodeType;
}
int VRX_nodeValue::SetPropagatedContEvidence(double /*value*/) {
    return kWrongNodeType;
}
int VRX_nodeValue::SetPropagatedEvidence(int /*outcome*/) {
    return kWrongNodeType;
}
int VRX_nodeValue::GetVirtualEvidence(VRX_doubleArray& /*out*/) {
    return kWrongNodeType;
}
int VRX_nodeValue::SetVirtualEvidence(const VRX_doubleArray& /*weights*/) {
    return kWrongNodeType;
}
int VRX_nodeValue::GetValue(VRX_Dmatrix*& /*out*/) {
    return kWrongNodeType;
}
int VRX_nodeValue::SetValue(const VRX_Dmatrix& /*matrix*/) {
    return kWrongNodeType;
}
