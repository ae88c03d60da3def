// Decision sequence, assumed decision order and the conversion of a diagram's working copy.
#include "inference/influence_diagram_support.h"

#include <cstdio>
#include <new>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_parts.h"
#include "model/node_value.h"

namespace vovido {

namespace {

constexpr char kNoMemoryForCopy[] = "Not enough memory for a working copy of the network";

bool IsDecision(const VRX_network& network, int handle) {
    return network.GetNodeType(handle) == DefinitionType::kList;
}

bool HoldsEvidence(const VRX_network& network, int handle) {
    const VRX_nodeValue* value = network.GetNode(handle)->GetValue();
    return value != nullptr && value->HasEvidence();
}

}  // namespace

bool Reaches(const VRX_network& network, int from, int to, std::vector<char>& seen, std::vector<int>& stack) {
    seen.assign(static_cast<size_t>(network.GetNumberOfSlots()), 0);
    stack.assign(1, from);
    seen[static_cast<size_t>(from)] = 1;
    while (!stack.empty()) {
        const int h = stack.back();
        stack.pop_back();
        if (h == to) return true;
        const VRX_intArray& children = network.GetChildren(h);
        for (int k = 0; k < children.GetCount(); k++) {
            const size_t c = static_cast<size_t>(children[k]);
            if (seen[c]) continue;
            seen[c] = 1;
            stack.push_back(children[k]);
        }
    }
    return false;
}

int CollectDecisionSequence(VRX_network& network, std::vector<int>& sequence) {
    sequence.clear();
    VRX_intArray order;
    if (const int rc = network.GetInfluenceDiagramOrder(order)) return rc;
    try {
        std::vector<char> taken(static_cast<size_t>(network.GetNumberOfSlots()), 0);
        for (int i = 0; i < order.GetCount(); i++) {
            const int h = order[i];
            if (taken[h] || HoldsEvidence(network, h)) continue;
            bool take = IsDecision(network, h);
            const VRX_intArray& children = network.GetChildren(h);
            for (int k = 0; k < children.GetCount() && !take; k++) take = IsDecision(network, children[k]);
            if (!take) continue;
            taken[h] = 1;
            sequence.push_back(h);
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

void AssumeDecisionOrder(VRX_network& network, const std::vector<int>& sequence) {
    // The arcs are the solvers' own doing: no notice invalidates or updates anything for them.
    const int mask = network.changeMask;
    network.changeMask = 0;
    int previous = -1;
    std::vector<char> seen;
    std::vector<int> stack;
    for (size_t i = 0; i < sequence.size(); i++) {
        if (!IsDecision(network, sequence[i])) continue;
        if (previous >= 0) {
            if (!Reaches(network, previous, sequence[i], seen, stack)) {
                // A refused arc (say, one past a size limit) leaves the order assumed all the same.
                (void)network.AddArc(previous, sequence[i]);
                char message[600];
                std::snprintf(message, sizeof message,
                              "Temporal order assumed: node [%.250s] before node [%.250s]",
                              IdAt(network, previous), IdAt(network, sequence[i]));
                // A warning: where the solution fails, its cause goes before it.
                LogNotice(errorLog, kOutOfRange, message, nullptr, NoticeInstance{});
            }
        }
        previous = sequence[i];
    }
    network.changeMask = mask;
}

bool DefinedBounds(const VRX_Dmatrix& matrix, double& lo, double& hi) {
    bool any = false;
    const double* u = matrix.GetData();
    for (int i = 0; i < matrix.GetNumberOfElements(); i++) {
        if (IsUndefinedEntry(u[i])) continue;
        if (!any || u[i] < lo) lo = u[i];
        if (!any || u[i] > hi) hi = u[i];
        any = true;
    }
    return any;
}

int MakeWorkingCopy(const VRX_network& network, VRX_network*& out) {
    out = nullptr;
    try {
        out = new VRX_network(network, VRX_network::ModelOnly{});
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, kNoMemoryForCopy, nullptr);
    }
    if (!out->IsValid()) {
        delete out;
        out = nullptr;
        return LogError(errorLog, kOutOfMemory, kNoMemoryForCopy, nullptr);
    }
    out->propagationFlags = 0;
    out->changeMask = 0;
    return kSuccess;
}

int64_t CellsOver(const VRX_network& network, const std::vector<int>& nodes, int64_t own) {
    int64_t cells = own;
    for (int h : nodes) {
        const int n = network.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
        if (n > 1) cells = cells > INT64_MAX / n ? INT64_MAX : cells * n;
    }
    return cells;
}

int ConvertUtilityNode(VRX_network& work, int handle, const char* id) {
    VRX_node* node = work.GetNode(handle);
    VRX_Dmatrix* table = nullptr;
    if (const int rc = node->GetDefinition()->GetDefinition(table)) return rc;
    // As a chance node it holds two cells per utility.
    if (table != nullptr && 2 * int64_t{table->GetNumberOfElements()} > kMaxTableCells)
        return DefinitionSupport::RefuseTable(id, 2 * int64_t{table->GetNumberOfElements()});
    VRX_Dmatrix utilities;
    if (table == nullptr || utilities.Copy(*table) != kSuccess) return kOutOfMemory;
    double lo = 0.0;
    double hi = 0.0;
    DefinedBounds(utilities, lo, hi);
    if (const int rc = node->ChangeType(DefinitionType::kCpt)) return rc;
    VRX_nodeDefinition* cpt = node->GetDefinition();
    if (cpt->GetNumberOfOutcomes() != 2 && cpt->SetNumberOfOutcomes(2) != kSuccess) return kOutOfRange;
    if (const int rc = cpt->GetDefinition(table)) return rc;
    const int n = utilities.GetNumberOfElements();
    if (table == nullptr || table->GetNumberOfElements() != 2 * n) return kOutOfRange;
    const double range = hi - lo;
    double* p = table->GetData();
    const double* u = utilities.GetData();
    for (int i = 0; i < n; i++) {
        // Equal utilities all map to the top, as a rescaling onto a point does.
        const double q = IsUndefinedEntry(u[i]) ? 0.0 : range > 0.0 ? (u[i] - lo) / range : 1.0;
        p[2 * i] = q;
        p[2 * i + 1] = 1.0 - q;
    }
    return kSuccess;
}

int ConvertDecisionNode(VRX_network& work, int handle) {
    VRX_intArray parents;
    if (parents.Copy(work.GetParents(handle)) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < parents.GetCount(); i++) {
        if (const int rc = work.RemoveArc(parents[i], handle)) return rc;
    }
    VRX_node* node = work.GetNode(handle);
    if (const int rc = node->ChangeType(DefinitionType::kCpt)) return rc;
    VRX_Dmatrix* table = nullptr;
    if (const int rc = node->GetDefinition()->GetDefinition(table)) return rc;
    const int n = node->GetDefinition()->GetNumberOfOutcomes();
    if (table == nullptr || n < 1) return kOutOfRange;
    table->FillWith(1.0 / n);
    return kSuccess;
}

int SetWorkEvidence(VRX_network& work, int handle, int outcome) {
    VRX_nodeValue* value = work.GetNode(handle)->GetValue();
    if (outcome >= 0) {
        if (value->HasFlag(ValueFlags::kEvidence) && value->GetEvidence() == outcome) return kSuccess;
        return value->SetEvidence(outcome);
    }
    return value->HasFlag(ValueFlags::kEvidence) ? value->ClearEvidence() : kSuccess;
}

const VRX_Dmatrix* WorkBeliefs(const VRX_network& work, int handle) {
    VRX_Dmatrix* beliefs = nullptr;
    if (work.GetNode(handle)->GetValue()->GetValue(beliefs) != kSuccess) return nullptr;
    return beliefs;
}

}  // namespace vovido
