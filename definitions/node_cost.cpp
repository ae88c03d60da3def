// Node cost: the observation-cost table over the cost-arc parents.
#include "definitions/node_cost.h"

#include <cmath>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

using vovido::IsIndexingType;

VRX_nodeCost::VRX_nodeCost(int nodeHandle, VRX_network* net)
    : VRX_object(kConsistent), network(net), handle(nodeHandle) {
    (void)RebuildFromParents();  // out of memory leaves the table empty
    SetFlag(kValid, true);
}

VRX_nodeCost::VRX_nodeCost(const VRX_nodeCost& other) : VRX_object(kConsistent) {
    (void)CopyFrom(other);  // out of memory leaves the table empty
}

VRX_nodeCost::~VRX_nodeCost() = default;

void VRX_nodeCost::CleanUp(int deep) {
    if (deep) costs.CleanUp();
    CheckValidity(deep);
}

int VRX_nodeCost::NotifyChange(int code) {
    if (code == kDefinitionChangeNotice && network != nullptr) network->NotifyChange(handle, code);
    return kSuccess;
}

int VRX_nodeCost::CopyFrom(const VRX_nodeCost& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = costs.Copy(source.costs)) return rc;
    network = source.network;
    handle = source.handle;
    return kSuccess;
}

int VRX_nodeCost::SetNetwork(VRX_network* net) {
    if (net == nullptr) return kOutOfRange;
    if (!net->IsValid()) return kObjectNotValid;
    network = net;
    return kSuccess;
}

int VRX_nodeCost::SetCosts(const VRX_doubleArray& values) {
    if (!IsValid()) return kObjectNotValid;
    const int n = values.GetCount() > 0 ? values.GetCount() : values.GetSize();
    const int elements = costs.GetNumberOfElements();
    if (n != elements) return kOutOfRange;
    for (int i = 0; i < elements; ++i)
        if (std::isnan(values[i])) return kOutOfRange;
    for (int i = 0; i < elements; ++i) costs[i] = values[i];
    CheckValidity(1);
    CheckConsistency(1);
    return kSuccess;
}

int VRX_nodeCost::ParentPosition(int parent) const {
    if (network == nullptr || handle < 0 || handle >= network->GetNumberOfSlots()) return kOutOfRange;
    return network->GetParents(handle, 1).FindPosition(parent);
}

int VRX_nodeCost::DimensionOf(int parent) const {
    const int position = ParentPosition(parent);
    if (position < 0) return position;
    // The last dimension is the cost's own and belongs to no parent.
    return position < costs.GetNumberOfDimensions() - 1 ? position : kOutOfRange;
}

int VRX_nodeCost::ParentType(int parent) const {
    if (network == nullptr || !network->IsLiveHandle(parent)) return kOutOfRange;
    return network->GetEntry(parent).node->GetType();
}

int VRX_nodeCost::InsertParentDimension(int parent, int position) {
    if (!IsIndexingType(ParentType(parent))) return kOutOfRange;
    const int outcomes = network->GetEntry(parent).node->GetDefinition()->GetNumberOfOutcomes();
    // A parent without outcomes still takes its place, so later dimensions stay where they belong.
    return costs.InsertDimension(position, outcomes >= 1 ? outcomes : 1);
}

int VRX_nodeCost::RebuildFromParents() {
    CleanUp(1);
    if (const int rc = costs.AddDimension(1)) return rc;
    costs.FillWith(0.0);
    if (network == nullptr || handle < 0 || handle >= network->GetNumberOfSlots()) return kSuccess;
    const VRX_intArray& parents = network->GetParents(handle, 1);
    for (int i = 0; i < parents.GetCount(); ++i) {
        const int rc = InsertParentDimension(parents[i], i);
        if (rc == kSuccess) continue;
        LogError(errorLog, rc, "Parent could not be added", nullptr);
        // The refused parent keeps a dimension of size 1: the cost does not vary with it, and the
        // parents after it keep their dimensions at their list positions.
        if (const int placeholder = costs.InsertDimension(i, 1)) return placeholder;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_nodeCost::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (!IsIndexingType(ParentType(parent))) return kOutOfRange;
    const int position = ParentPosition(parent);
    if (position < 0) return position;
    // A second arc from the same parent would give it two dimensions.
    const VRX_intArray& parents = network->GetParents(handle, 1);
    for (int i = position + 1; i < parents.GetCount(); ++i) {
        if (parents[i] == parent) return kOutOfRange;
    }
    if (const int rc = InsertParentDimension(parent, position)) {
        if (rc != kOutOfMemory) return rc;
        const int outcomes = network->GetEntry(parent).node->GetDefinition()->GetNumberOfOutcomes();
        const int64_t cells =
            static_cast<int64_t>(costs.GetNumberOfElements()) * (outcomes >= 1 ? outcomes : 1);
        return DefinitionSupport::RefuseTable(network, handle, cells);
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_nodeCost::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (ParentType(parent) < 0) return kOutOfRange;
    const int position = DimensionOf(parent);
    if (position < 0) return position;
    // Every cost parent holds a dimension, whatever its kind has become since its arc was made.
    if (const int rc = costs.RemoveDimension(position)) return rc;
    CheckValidity(0);
    return kSuccess;
}

int VRX_nodeCost::InsertParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    const int type = ParentType(parent);
    if (type < 0 || type == DefinitionType::kTable) return kOutOfRange;
    if (IsIndexingType(type)) {
        const int position = DimensionOf(parent);
        if (position < 0) return position;
        const int size = costs.GetSizeOfDimension(position);
        if (size < 0 || index < 0 || index > size) return kOutOfRange;
        if (const int rc = costs.AddItem(position)) return rc;
        if (const int rc = costs.ShiftItemsUp(position, index, 0.0)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_nodeCost::RemoveParentOutcome(int parent, int index) {
    const int type = ParentType(parent);
    if (type < 0 || type == DefinitionType::kTable) return kOutOfRange;
    if (IsIndexingType(type)) {
        const int position = DimensionOf(parent);
        if (position < 0) return position;
        // Checked first: shifting succeeds on a dimension of size 1 where removing the last item does
        // not, and the table would be left with the item's values lost.
        const int size = costs.GetSizeOfDimension(position);
        if (size < 2 || index < 0 || index >= size) return kOutOfRange;
        if (const int rc = costs.ShiftItemsDown(position, index)) return rc;
        if (const int rc = costs.RemoveLastItem(position)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_nodeCost::ReorderParentOutcomes(int parent, const VRX_intArray& order) {
    if (!IsValid()) return kObjectNotValid;
    const int position = DimensionOf(parent);
    if (position < 0) return position;
    if (const int rc = costs.ReorderItems(position, order)) return rc;
    CheckValidity(0);
    return kSuccess;
}
