// Services shared by the definition kinds.
#include "definitions/definition_support.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/size_limits.h"
#include "base/small_stack.h"
#include "base/status_codes.h"
#include "base/table_entries.h"
#include "definitions/node_cost.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace vovido {

namespace DefinitionSupport {

namespace {

// Nodes whose rebuild refused parents, one notice per node and rebuild.
const NoticeKind kRefusedParentsNotice = {"Parent could not be added to {count}", "node", nullptr};

bool IsAttached(const VRX_nodeDefinition& definition) {
    const VRX_network* network = definition.GetNetwork();
    return network != nullptr && network->IsLiveHandle(definition.GetHandle());
}

}  // namespace

int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out) {
    if (order.GetCount() != m && order.GetSize() != m) return kOutOfRange;
    if (m > order.GetSize()) return kOutOfRange;
    if (const int rc = out.FlushAndReserve(m)) return rc;
    for (int i = 0; i < m; ++i) out.AddReserved(order[i]);
    return out.CheckPermutation(m);
}

int GivenCount(const VRX_doubleArray& values) {
    // A list counts what was added to it; only an array filled by index (count 0) is taken by its size,
    // since room reserved beyond a short list holds no entries.
    return values.GetCount() > 0 ? values.GetCount() : values.GetSize();
}

int MatchEntryCount(const VRX_doubleArray& values, int n) {
    return GivenCount(values) == n ? n : kOutOfRange;
}

void AddCurrentParents(VRX_nodeDefinition& definition) {
    if (!IsAttached(definition)) return;
    const VRX_intArray& parents = definition.GetNetwork()->GetParents(definition.GetHandle());
    std::vector<int> results;
    try {
        results.assign(static_cast<size_t>(parents.GetCount()), kSuccess);
    } catch (const std::bad_alloc&) {
        // Without room to gather them, the refusals are not reported.
        for (int i = 0; i < parents.GetCount(); ++i) (void)definition.AddParent(parents[i]);
        return;
    }
    for (int i = 0; i < parents.GetCount(); ++i)
        results[static_cast<size_t>(i)] = definition.AddParent(parents[i]);
    ReportRefusedParents(definition, parents.GetItems(), results.data(), parents.GetCount());
}

void ReportRefusedParents(const VRX_nodeDefinition& definition, const int* parents, const int* results,
                          int count) {
    int code = kSuccess;
    for (int i = 0; i < count && code == kSuccess; ++i) code = results[i];
    if (code == kSuccess) return;
    const VRX_network* network = definition.GetNetwork();
    try {
        const std::string node = "[" + NodeLabel(*network, definition.GetHandle()) + "]";
        std::string refused;
        for (int i = 0; i < count; ++i) {
            if (results[i] == kSuccess) continue;
            if (!refused.empty()) refused += ", ";
            refused += "[" + NodeLabel(*network, parents[i]) + "]";
        }
        const std::string message = "Parent could not be added to node " + node + ": " + refused;
        (void)LogNotice(errorLog, code, message.c_str(), nullptr,
                        {&kRefusedParentsNotice, node, node + ": " + refused});
    } catch (const std::bad_alloc&) {
        (void)LogError(errorLog, code, "Parent could not be added", nullptr);
    }
}

void RemoveParentsUnless(VRX_nodeDefinition& definition, bool (*keep)(int type)) {
    if (!IsAttached(definition)) return;
    VRX_network* network = definition.GetNetwork();
    const int handle = definition.GetHandle();
    // A copy: every removal edits the list being walked.
    const VRX_intArray parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        // Arcs of the copy just taken are live, so their removal cannot fail.
        if (!keep(network->GetNodeType(parents[i]))) (void)network->RemoveArc(parents[i], handle);
    }
}

bool HasChildren(const VRX_nodeDefinition& definition) {
    if (!IsAttached(definition)) return false;
    const VRX_network& network = *definition.GetNetwork();
    const int handle = definition.GetHandle();
    if (network.GetChildren(handle).GetCount() > 0) return true;
    // Temporal arcs count as well: a new outcome set would leave stale every temporal table over the
    // node's outcomes (the outcome edits one at a time keep them in step).
    const VRX_temporalExtension* temporal = network.FindTemporalExtension();
    return temporal != nullptr && temporal->HasTemporalTablesOver(handle);
}

int NotifyNetwork(const VRX_nodeDefinition& definition, int code) {
    VRX_network* network = definition.GetNetwork();
    return network != nullptr ? network->NotifyChange(definition.GetHandle(), code) : kSuccess;
}

int RebuildOutcomeDependents(VRX_nodeDefinition& definition) {
    if (!IsAttached(definition)) return kSuccess;
    VRX_node* node = definition.GetNetwork()->GetNode(definition.GetHandle());
    int result = kSuccess;
    if (node->HasCost()) result = node->RebuildCost();
    if (VRX_extraDefinition* extra = node->GetExtraDefinition()) {
        const int rc = extra->ResetOutcomeData();
        if (result == kSuccess) result = rc;
    }
    if (VRX_nodeValue* value = node->GetValue()) {
        const int rc = value->FollowOutcomeEdit({vovido::OutcomeEdit::kReplaced, -1, nullptr});
        if (result == kSuccess) result = rc;
    }
    return result;
}

int FinishConversion(VRX_nodeDefinition& definition) {
    definition.CheckValidity(1);
    definition.CheckConsistency(1);
    NotifyNetwork(definition, ChangeKind::kDefinitionReplaced);
    return kSuccess;
}

int OutcomeCountOf(const VRX_network* network, int handle) {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kOutOfRange;
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    if (definition == nullptr) return kOutOfRange;
    const int n = definition->GetNumberOfOutcomes();
    return n >= 0 ? n : kOutOfRange;
}

std::string TableRefusalText(const VRX_network* network, int handle, int64_t cells) {
    return TableRefusalText(network != nullptr ? vovido::IdAt(*network, handle) : nullptr, cells);
}

std::string TableRefusalText(const char* id, int64_t cells) {
    std::string text = std::string("ERROR: Node [") + (id != nullptr ? id : "") + "] : ";
    if (cells > kMaxTableCells) {
        text += "its table of " + std::to_string(cells) + " cells passes the limit of " +
                std::to_string(kMaxTableCells) + " cells";
    } else {
        text += "no memory for its table of " + std::to_string(cells) + " cells";
    }
    return text;
}

std::string NonFiniteEntryText(const std::string& nodeId, const char* what, const double* values, int count) {
    return TableEntryRefusal(nodeId, what, values, count, false);
}

int RefuseEntries(const VRX_network* network, int handle, const char* what, const double* values, int count,
                  bool probabilities) {
    const std::string id = network != nullptr ? vovido::NodeLabel(*network, handle) : std::string();
    const std::string refusal = TableEntryRefusal(id, what, values, count, probabilities);
    return refusal.empty() ? kSuccess
                           : LogError(errorLog, kOutOfRange, ("ERROR: " + refusal).c_str(), nullptr);
}

int RefuseNonFiniteEntries(const VRX_network* network, int handle, const char* what, const double* values,
                           int count) {
    return RefuseEntries(network, handle, what, values, count, false);
}

int RefuseNonFiniteEntries(const VRX_network* network, int handle, const char* what,
                           const VRX_doubleArray& values) {
    return RefuseEntries(network, handle, what, values.GetItems(), GivenCount(values), false);
}

int RefuseNonProbabilities(const VRX_network* network, int handle, const char* what, const double* values,
                           int count) {
    return RefuseEntries(network, handle, what, values, count, true);
}

int RefuseNonProbabilities(const VRX_network* network, int handle, const char* what,
                           const VRX_doubleArray& values) {
    return RefuseEntries(network, handle, what, values.GetItems(), GivenCount(values), true);
}

int RefuseTable(const VRX_network* network, int handle, int64_t cells) {
    return LogError(errorLog, kOutOfMemory, TableRefusalText(network, handle, cells).c_str(), nullptr);
}

int CheckTableGrowth(const VRX_network* network, int handle, int64_t cells, int64_t held) {
    if (cells > kMaxTableCells || held <= kMaxTableCells - cells) return kSuccess;
    const std::string id = network != nullptr ? vovido::IdAt(*network, handle) : "";
    const std::string text = "ERROR: Node [" + id + "] : its table of " + std::to_string(cells) +
                             " cells, built beside the " + std::to_string(held) +
                             " it grows from, would pass the limit of " + std::to_string(kMaxTableCells) +
                             " cells";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int RefuseTable(const char* id, int64_t cells) {
    return LogError(errorLog, kOutOfMemory, TableRefusalText(id, cells).c_str(), nullptr);
}

int64_t TableCellsWithParents(const VRX_network& network, int handle, const int* parents, int count) {
    if (!network.IsLiveHandle(handle)) return 0;
    const int type = network.GetNodeType(handle);
    int64_t cells = 1;
    // A two-outcome kind computed from parameters has a dimension for every parent, all of its kind.
    const bool twoOutcome = type == DefinitionType::kDeMorgan || type == DefinitionType::kCast;
    if (type == DefinitionType::kCpt || type == DefinitionType::kTruthTable ||
        type == DefinitionType::kNoisyMax || type == DefinitionType::kNoisyAdder || twoOutcome) {
        cells = OutcomeCountOf(&network, handle);
    } else if (type != DefinitionType::kTable) {
        return 0;
    }
    // The product saturates instead of overflowing.
    const auto times = [&cells, &network, twoOutcome](int parent) {
        if (!twoOutcome && !IsIndexingType(network.GetNodeType(parent))) return;
        const int n = OutcomeCountOf(&network, parent);
        if (n > 1) cells = cells > INT64_MAX / n ? INT64_MAX : cells * n;
    };
    // Each parent counts once, whether it is a parent already or listed twice. The parents are sorted
    // rather than marked in a list over every node: readers and checks count each node's table, and
    // that list would make counting them all quadratic. The saturating product does not depend on order.
    const VRX_intArray& current = network.GetParents(handle);
    SmallStack<int, 16> listed;
    for (int i = 0; i < current.GetCount(); ++i) listed.Push(current[i]);
    for (int i = 0; i < count; ++i) listed.Push(parents[i]);
    std::sort(listed.begin(), listed.end());
    listed.Truncate(static_cast<int>(std::unique(listed.begin(), listed.end()) - listed.begin()));
    for (const int parent : listed) {
        if (network.IsLiveHandle(parent)) times(parent);
    }
    return cells;
}

}  // namespace DefinitionSupport

}  // namespace vovido
