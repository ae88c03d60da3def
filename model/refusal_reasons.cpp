// The logged reasons of refused arc and outcome edits.
#include "model/refusal_reasons.h"

#include "base/error_log.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_entry.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace vovido {

int ExplainArcRefusal(VRX_network& network, int parent, int child, int code) {
    const VRX_node* node = network.GetNode(child);
    if (node == nullptr || network.GetNode(parent) == nullptr) return code;
    const std::string other = "[" + NodeLabel(network, parent) + "]";
    if (parent == child) return ReportNodeFault(*node, "a node cannot be its own parent", code);
    if (network.AreAdjacent(parent, child))
        return ReportNodeFault(*node, "an arc already joins it and " + other, code);
    if (network.WouldCreateCycle(parent, child) != 0)
        return ReportNodeFault(*node, "an arc from " + other + " would close a cycle", code);
    return code;
}

int ExplainArcRemovalRefusal(const VRX_network& network, int parent, int child, int code) {
    const VRX_node* node = network.GetNode(child);
    if (node == nullptr || network.GetNode(parent) == nullptr) return code;
    if (network.GetParents(child, 0).IsInList(parent)) return code;
    return ReportNodeFault(*node, "[" + NodeLabel(network, parent) + "] is not one of its parents", code);
}

int ExplainOutcomeIdRefusal(VRX_node& node, const char* id, int skip, int code) {
    VRX_nodeDefinition* definition = node.GetDefinition();
    const VRX_idArray* names = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
    if (code != kOutOfRange || names == nullptr || id == nullptr) return code;
    const std::string quoted = "[" + std::string(id) + "]";
    const int holder = names->FindPosition(id);
    if (holder >= 0 && holder != skip)
        return ReportNodeFault(
            node, "outcome identifier " + quoted + " is already used by outcome " + std::to_string(holder),
            code);
    if (holder < 0 && names->IsValidId(id) == 0)
        return ReportNodeFault(node,
                               quoted +
                                   " is not an identifier: it must start with a letter and hold only "
                                   "letters, digits and underscores",
                               code);
    return code;
}

int ExplainOutcomeInsertRefusal(VRX_node& node, int position, const char* id, int code) {
    VRX_nodeDefinition* definition = node.GetDefinition();
    if (code != kOutOfRange || definition == nullptr) return code;
    const int count = definition->GetNumberOfOutcomes();
    if (position < 0 || position > count) {
        return ReportNodeFault(
            node, "position " + std::to_string(position) + " is outside 0.." + std::to_string(count), code);
    }
    return ExplainOutcomeIdRefusal(node, id, -1, code);
}

int ExplainOutcomeRemovalRefusal(VRX_node& node, int code) {
    VRX_nodeDefinition* definition = node.GetDefinition();
    if (code != kOutOfRange || definition == nullptr || definition->GetNumberOfOutcomes() > 2) return code;
    return ReportNodeFault(node, "it keeps at least two outcomes", code);
}

namespace {

std::string OutcomeLabel(const VRX_node& node, int outcome) {
    VRX_nodeDefinition* definition = node.GetDefinition();
    const VRX_idArray* names = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
    const char* name =
        names != nullptr && outcome >= 0 && outcome < names->GetCount() ? (*names)[outcome] : nullptr;
    return "[" + (name != nullptr ? std::string(name) : std::to_string(outcome)) + "]";
}

}  // namespace

int ExplainTemporalArcRefusal(VRX_network& network, int parent, int child, int order, int code) {
    const VRX_node* node = network.GetNode(child);
    if (code != kOutOfRange || node == nullptr || network.GetNode(parent) == nullptr) return code;
    const std::string other = "[" + NodeLabel(network, parent) + "]";
    if (order < 1)
        return ReportNodeFault(
            *node, "a temporal arc has an order of at least 1, not " + std::to_string(order), code);
    for (const int h : {parent, child}) {
        if (network.GetTemporalType(h) != TemporalType::kPlate)
            return ReportNodeFault(*node,
                                   "[" + NodeLabel(network, h) +
                                       "] is not in the temporal plate: temporal arcs join plate nodes",
                                   code);
    }
    if (network.TemporalArcExists(parent, child, order))
        return ReportNodeFault(
            *node,
            "a temporal arc of order " + std::to_string(order) + " from " + other + " is there already",
            code);
    return code;
}

namespace {

// The parents whose outcome evidence fixes, "[P], [Q]"; empty when there is none.
std::string FixedParentsText(const VRX_network& network, int handle) {
    std::string text;
    const VRX_intArray& parents = network.GetParents(handle);
    for (int i = 0; i < parents.GetCount(); i++) {
        const VRX_node* parent = network.GetNode(parents[i]);
        const VRX_nodeValue* value = parent != nullptr ? parent->GetValue() : nullptr;
        if (value == nullptr || !value->HasEvidence()) continue;
        if (!text.empty()) text += ", ";
        text += "[" + NodeLabel(network, parents[i]) + "]";
    }
    return text;
}

}  // namespace

int ExplainEvidenceRefusal(const VRX_network& network, int handle, int outcome, int code, int loggedBefore) {
    const VRX_node* node = network.GetNode(handle);
    const VRX_nodeValue* value = node != nullptr ? node->GetValue() : nullptr;
    if (code != kOutOfRange || value == nullptr) return code;
    const std::string label = "outcome " + OutcomeLabel(*node, outcome);
    // Refused without a word of its own: the outcome that the evidence of other nodes fixed differs.
    if (errorLog.GetNumberOfEntries() <= loggedBefore)
        return ReportNodeFault(*node, label + " contradicts the evidence of other nodes", code);
    // The network found the outcome impossible by the node's own table.
    const std::string parents = FixedParentsText(network, handle);
    return ReportNodeFault(*node,
                           parents.empty()
                               ? label + " has probability 0 in every column of its table"
                               : label + " has probability 0 in its table given the evidence on " + parents,
                           code);
}

}  // namespace vovido
