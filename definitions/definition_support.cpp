// Services shared by the definition kinds.
#include "definitions/definition_support.h"

#include "definitions/node_cost.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "model/extra_definition.h"
#include "base/int_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "base/status_codes.h"

namespace DefinitionSupport {

namespace {

bool IsAttached(const VRX_nodeDefinition& definition) {
    const VRX_network* network = definition.GetNetwork();
    return network != nullptr && network->IsLiveHandle(definition.GetHandle());
}

}  // namespace

int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out) {
    if (order.GetCount() != m && order.GetSize() != m) return kOutOfRange;
    if (m > order.GetSize()) return kOutOfRange;
    if (const int rc = out.FlushAndReserve(m)) return rc;
    for (int i = 0; i < m; ++i) out.Add(order[i]);
    return out.CheckPermutation(m);
}

int MatchEntryCount(const VRX_doubleArray& values, int n) {
    return values.GetCount() == n || values.GetSize() == n ? n : kOutOfRange;
}

void AddCurrentParents(VRX_nodeDefinition& definition) {
    if (!IsAttached(definition)) return;
    const VRX_intArray& parents = definition.GetNetwork()->GetParents(definition.GetHandle());
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (const int rc = definition.AddParent(parents[i]))
            LogError(errorLog, rc, "Parent could not be added", nullptr);
    }
}

void RemoveParentsUnless(VRX_nodeDefinition& definition, bool (*keep)(int type)) {
    if (!IsAttached(definition)) return;
    VRX_network* network = definition.GetNetwork();
    const int handle = definition.GetHandle();
    // A copy: every removal edits the list being walked.
    const VRX_intArray parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (!keep(network->GetNodeType(parents[i]))) network->RemoveArc(parents[i], handle);
    }
}

bool HasChildren(const VRX_nodeDefinition& definition) {
    return IsAttached(definition) &&
           definition.GetNetwork()->GetChildren(definition.GetHandle()).GetCount() > 0;
}

int NotifyNetwork(const VRX_nodeDefinition& definition, int code) {
    VRX_network* network = definition.GetNetwork();
    return network != nullptr ? network->NotifyChange(definition.GetHandle(), code) : kSuccess;
}

int RebuildOutcomeDependents(VRX_nodeDefinition& definition) {
    if (!IsAttached(definition)) return kSuccess;
    VRX_node* node = definition.GetNetwork()->GetNode(definition.GetHandle());
    int result = kSuccess;
    if (VRX_nodeCost* cost = node->GetCost()) result = cost->RebuildFromParents();
    if (VRX_extraDefinition* extra = node->GetExtraDefinition()) {
        const int rc = extra->ResetOutcomeData();
        if (result == kSuccess) result = rc;
    }
    return result;
}

int FinishConversion(VRX_nodeDefinition& definition) {
    definition.CheckValidity(1);
    definition.CheckConsistency(1);
    NotifyNetwork(definition, ChangeKind::kDefinition256);
    return kSuccess;
}

int OutcomeCountOf(const VRX_network* network, int handle) {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kOutOfRange;
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    if (definition == nullptr) return kOutOfRange;
    const int n = definition->GetNumberOfOutcomes();
    return n >= 0 ? n : kOutOfRange;
}

}  // namespace DefinitionSupport
