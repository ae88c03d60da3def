// The rules of arc and outcome edits and their words.
#include "model/refusal_reasons.h"

#include <string>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_entry.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace vovido {

namespace {

std::string Bracketed(const VRX_network& network, int handle) {
    return "[" + NodeLabel(network, handle) + "]";
}

const char* TemporalTypeName(int type) {
    switch (type) {
        case TemporalType::kAnchor:
            return "anchor";
        case TemporalType::kTerminal:
            return "terminal";
        case TemporalType::kPlate:
            return "plate";
        default:
            return "normal";
    }
}

bool IsInPlate(const VRX_network& network, int handle) {
    return network.GetTemporalType(handle) == TemporalType::kPlate;
}

std::string OutcomeRuleText(VRX_node& node, OutcomeRule rule, int position, const char* id) {
    VRX_nodeDefinition* definition = node.GetDefinition();
    const int count = definition != nullptr ? definition->GetNumberOfOutcomes() : 0;
    const std::string quoted = "[" + std::string(id != nullptr ? id : "") + "]";
    switch (rule) {
        case OutcomeRule::kPositionOutside:
        case OutcomeRule::kNoSuchOutcome: {
            const int last = rule == OutcomeRule::kPositionOutside ? count : count - 1;
            return "position " + std::to_string(position) + " is outside 0.." + std::to_string(last);
        }
        case OutcomeRule::kTwoOutcomesLeast:
            return "it keeps at least two outcomes";
        case OutcomeRule::kIdTaken: {
            const VRX_idArray* names = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
            const int holder = names != nullptr && id != nullptr ? names->FindPosition(id) : -1;
            return "outcome identifier " + quoted + " is already used by outcome " + std::to_string(holder);
        }
        case OutcomeRule::kNotAnIdentifier:
            return quoted +
                   " is not an identifier: it must start with a letter and hold only letters, digits and "
                   "underscores";
        case OutcomeRule::kFixedOutcomes:
            return KindNodeText(definition) + " has the two fixed outcomes True and False";
        case OutcomeRule::kNoOutcomes:
            return KindNodeText(definition) + " has no outcomes (only the discrete kinds have)";
        case OutcomeRule::kNone:
            break;
    }
    return std::string();
}

bool HasFixedOutcomes(const VRX_node& node) {
    return (node.GetType() & (DefinitionBits::kCast | DefinitionBits::kDeMorgan)) != 0;
}

std::string OutcomeLabel(const VRX_node& node, int outcome) {
    VRX_nodeDefinition* definition = node.GetDefinition();
    const VRX_idArray* names = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
    const char* name =
        names != nullptr && outcome >= 0 && outcome < names->GetCount() ? (*names)[outcome] : nullptr;
    return "[" + (name != nullptr ? std::string(name) : std::to_string(outcome)) + "]";
}

}  // namespace

std::string TemporalTypeRefusalText(VRX_network& network, int node, int type) {
    if (type < TemporalType::kNormal || type > TemporalType::kPlate)
        return "temporal type " + std::to_string(type) +
               " is none of 0 (normal), 1 (anchor), 2 (terminal), 3 (plate)";
    const std::string wanted = TemporalTypeName(type);
    if (IsInPlate(network, node) && type != TemporalType::kPlate) {
        VRX_intArray orders;
        std::vector<std::pair<int, int>> children;
        if ((network.GetTemporalOrders(node, orders) == kSuccess && orders.GetCount() > 0) ||
            (network.GetTemporalChildren(node, children) == kSuccess && !children.empty()))
            return "its temporal arcs join plate nodes only: remove them before it becomes " + wanted;
    }
    // The first neighbour whose type the new one does not allow, after the rule.
    auto refused = [&network](const VRX_intArray& list, const std::string& rule, const char* role,
                              auto allowed) -> std::string {
        for (int i = 0; i < list.GetCount(); i++) {
            const int t = network.GetTemporalType(list[i]);
            if (!allowed(t))
                return rule + ", and its " + role + " " + Bracketed(network, list[i]) + " is " +
                       TemporalTypeName(t);
        }
        return std::string();
    };
    const VRX_intArray& parents = network.GetParents(node);
    const VRX_intArray& children = network.GetChildren(node);
    switch (type) {
        case TemporalType::kNormal:
        case TemporalType::kAnchor:
            return refused(parents,
                           "the parents of " + std::string(type == TemporalType::kAnchor ? "an " : "a ") +
                               wanted + " node are normal or anchor",
                           "parent",
                           [](int t) { return t != TemporalType::kPlate && t != TemporalType::kTerminal; });
        case TemporalType::kTerminal:
            return refused(children, "the children of a terminal node are terminal", "child",
                           [](int t) { return t == TemporalType::kTerminal; });
        default: {
            const std::string parent = refused(parents, "the parents of a plate node are not terminal",
                                               "parent", [](int t) { return t != TemporalType::kTerminal; });
            return !parent.empty()
                       ? parent
                       : refused(
                             children, "the children of a plate node are plate or terminal", "child",
                             [](int t) { return t == TemporalType::kPlate || t == TemporalType::kTerminal; });
        }
    }
}

std::string ArcRuleText(const VRX_network& network, int parent, int child, ArcRule rule, int order) {
    const std::string other = Bracketed(network, parent);
    const std::string childType = TemporalTypeName(network.GetTemporalType(child));
    switch (rule) {
        case ArcRule::kOwnParent:
            return "a node cannot be its own parent";
        case ArcRule::kAlreadyJoined:
            return "an arc already joins it and " + other;
        case ArcRule::kCycle:
            return "an arc from " + other + " would close a cycle";
        case ArcRule::kTerminalParent:
            return "an arc from terminal node " + other +
                   " is refused: the children of a terminal node are "
                   "terminal, not " +
                   childType;
        case ArcRule::kPlateParent:
            return "an arc from plate node " + other +
                   " is refused: the children of a plate node are plate or "
                   "terminal, not " +
                   childType;
        case ArcRule::kNotAParent:
            return other + " is not one of its parents";
        case ArcRule::kNotACostParent:
            return other + " is not one of its cost parents";
        case ArcRule::kOrderBelowOne:
            return "a temporal arc has an order of at least 1, not " + std::to_string(order);
        case ArcRule::kParentOutsidePlate:
        case ArcRule::kChildOutsidePlate:
            return Bracketed(network, rule == ArcRule::kParentOutsidePlate ? parent : child) +
                   " is not in the temporal plate: temporal arcs join plate nodes";
        case ArcRule::kTemporalArcThere:
            return "a temporal arc of order " + std::to_string(order) + " from " + other +
                   " is there already";
        case ArcRule::kNoTemporalArc:
            return "no temporal arc of order " + std::to_string(order) + " from " + other + " comes into it";
        case ArcRule::kNone:
        case ArcRule::kBadHandle:
            break;
    }
    return std::string();
}

ArcRule FindArcRuleBroken(VRX_network& network, int parent, int child) {
    if (!network.IsLiveHandle(parent) || !network.IsLiveHandle(child)) return ArcRule::kBadHandle;
    if (parent == child) return ArcRule::kOwnParent;
    if (network.AreAdjacent(parent, child)) return ArcRule::kAlreadyJoined;
    if (!(network.readingFlags & ReadingFlags::kAllowCycles) && network.WouldCreateCycle(parent, child) != 0)
        return ArcRule::kCycle;
    const int parentType = network.GetTemporalType(parent);
    const int childType = network.GetTemporalType(child);
    if (parentType == TemporalType::kTerminal && childType != TemporalType::kTerminal)
        return ArcRule::kTerminalParent;
    if (parentType == TemporalType::kPlate && childType != TemporalType::kPlate &&
        childType != TemporalType::kTerminal)
        return ArcRule::kPlateParent;
    return ArcRule::kNone;
}

ArcRule FindArcRemovalRuleBroken(const VRX_network& network, int parent, int child) {
    if (!network.IsLiveHandle(parent) || !network.IsLiveHandle(child)) return ArcRule::kBadHandle;
    if (parent == child) return ArcRule::kOwnParent;
    return network.GetChildren(parent, 0).IsInList(child) ? ArcRule::kNone : ArcRule::kNotAParent;
}

ArcRule FindCostArcRemovalRuleBroken(const VRX_network& network, int parent, int child) {
    if (!network.IsLiveHandle(parent) || !network.IsLiveHandle(child)) return ArcRule::kBadHandle;
    if (parent == child) return ArcRule::kOwnParent;
    return network.GetParents(child, 1).IsInList(parent) ? ArcRule::kNone : ArcRule::kNotACostParent;
}

ArcRule FindTemporalArcRuleBroken(const VRX_network& network, int parent, int child, int order) {
    if (!network.IsLiveHandle(parent) || !network.IsLiveHandle(child)) return ArcRule::kBadHandle;
    // An order of 0 would be an arc inside a slice, which only an ordinary arc may be.
    if (order < 1) return ArcRule::kOrderBelowOne;
    if (!IsInPlate(network, parent)) return ArcRule::kParentOutsidePlate;
    if (!IsInPlate(network, child)) return ArcRule::kChildOutsidePlate;
    const VRX_temporalExtension* temporal = network.FindTemporalExtension();
    if (temporal != nullptr && temporal->TemporalArcExists(parent, child, order))
        return ArcRule::kTemporalArcThere;
    return ArcRule::kNone;
}

ArcRule FindTemporalArcRemovalRuleBroken(const VRX_network& network, int parent, int child, int order) {
    const ArcRule rule = FindTemporalArcRuleBroken(network, parent, child, order);
    if (rule == ArcRule::kTemporalArcThere) return ArcRule::kNone;
    return rule == ArcRule::kNone ? ArcRule::kNoTemporalArc : rule;
}

std::string TemporalQueryRefusalText(const VRX_network& network, int node, int order) {
    if (!network.IsLiveHandle(node)) return std::string();
    if (!IsInPlate(network, node))
        return std::string("it is a ") + TemporalTypeName(network.GetTemporalType(node)) +
               " node, not in the temporal plate: only plate nodes have temporal arcs";
    if (order < 1) return "a temporal arc has an order of at least 1, not " + std::to_string(order);
    return std::string();
}

OutcomeRule FindOutcomeInsertRuleBroken(int count, int position) {
    return position < 0 || position > count ? OutcomeRule::kPositionOutside : OutcomeRule::kNone;
}

OutcomeRule FindOutcomeRemovalRuleBroken(int count, int index) {
    if (count < 3) return OutcomeRule::kTwoOutcomesLeast;
    return index < 0 || index >= count ? OutcomeRule::kNoSuchOutcome : OutcomeRule::kNone;
}

OutcomeRule FindFixedOutcomeRuleBroken(const VRX_node& node) {
    if (!vovido::IsDiscreteType(node.GetType())) return OutcomeRule::kNoOutcomes;
    return HasFixedOutcomes(node) ? OutcomeRule::kFixedOutcomes : OutcomeRule::kNone;
}

OutcomeRule FindOutcomeIdRuleBroken(const VRX_idArray& names, const char* id, int index) {
    switch (names.FindIdFault(id, index)) {
        case VRX_idArray::IdFault::kNotAnIdentifier:
            return OutcomeRule::kNotAnIdentifier;
        case VRX_idArray::IdFault::kTaken:
            return OutcomeRule::kIdTaken;
        case VRX_idArray::IdFault::kNone:
            break;
    }
    return OutcomeRule::kNone;
}

int ArcRuleCode(ArcRule rule) {
    switch (rule) {
        case ArcRule::kNone:
            return kSuccess;
        case ArcRule::kTerminalParent:
        case ArcRule::kPlateParent:
            return kWrongNodeType;
        default:
            return kOutOfRange;
    }
}

int OutcomeRuleCode(OutcomeRule rule) {
    switch (rule) {
        case OutcomeRule::kNone:
            return kSuccess;
        case OutcomeRule::kFixedOutcomes:
        case OutcomeRule::kNoOutcomes:
            return kWrongNodeType;
        default:
            return kOutOfRange;
    }
}

int RefuseArc(const VRX_network& network, int parent, int child, ArcRule rule, int order) {
    const int code = ArcRuleCode(rule);
    if (rule == ArcRule::kNone) return code;
    if (rule == ArcRule::kBadHandle || !network.IsLiveHandle(parent) || !network.IsLiveHandle(child)) {
        const int bad = network.IsLiveHandle(parent) ? child : parent;
        return LogError(errorLog, code, ("Invalid node handle: " + std::to_string(bad)).c_str(), nullptr);
    }
    return ReportNodeFault(*network.GetNode(child), ArcRuleText(network, parent, child, rule, order), code);
}

int RefuseOutcomeEdit(VRX_node& node, OutcomeRule rule, int position, const char* id) {
    if (rule == OutcomeRule::kNone) return kSuccess;
    // The kind supports no outcome edit at all.
    const int code = rule == OutcomeRule::kTwoOutcomesLeast && HasFixedOutcomes(node) ? kWrongNodeType
                                                                                      : OutcomeRuleCode(rule);
    return ReportNodeFault(node, OutcomeRuleText(node, rule, position, id), code);
}

namespace {

// What a save keeps of a kind whose table is computed, and the calls that set it.
const char* DerivedTableSetters(int type) {
    switch (type) {
        case DefinitionType::kCast:
            return "its baseline and weights: set them with SetBaseline, SetPositiveWeights and "
                   "SetNegativeWeights";
        case DefinitionType::kDeMorgan:
            return "its prior belief and its parents' weights and types: set them with SetPriorBelief, "
                   "SetParentWeights and SetParentTypes (setDeMorganPriorBelief, setDeMorganParentWeight and "
                   "setDeMorganParentType in Java)";
        case DefinitionType::kNoisyAdder:
            return "its parameter rows and weights: set them with SetDefinition on its parameter matrix, "
                   "SetWeights, SetFunction, SetDistinguishedState and SetParentDistinguishedState";
        default:
            return nullptr;
    }
}

}  // namespace

bool HasDerivedTable(int type) {
    return DerivedTableSetters(type) != nullptr;
}

int FindUndeterminedColumn(const double* entries, int count, int k) {
    for (int start = 0; k > 0 && start + k <= count; start += k) {
        int ones = 0;
        for (int j = 0; j < k; ++j) {
            const double v = entries[start + j];
            if (v == 1.0) {
                ++ones;
            } else if (v != 0.0) {
                ones = 2;
                break;
            }
        }
        if (ones != 1) return start / k;
    }
    return -1;
}

int RefuseTableOfKind(const VRX_network& network, int handle, int column) {
    const VRX_node* node = network.GetNode(handle);
    if (node == nullptr || node->GetDefinition() == nullptr) return kWrongNodeType;
    const VRX_nodeDefinition& definition = *node->GetDefinition();
    const std::string kind = KindNodeText(&definition);
    const char* setters = DerivedTableSetters(definition.GetType());
    const std::string what =
        setters != nullptr
            ? "the table of " + kind + " is computed from " + setters +
                  "; a table set directly would be lost on saving"
            : "column " + std::to_string(column) + " of the table is not one 1 and zeros: " + kind +
                  " keeps one resulting outcome per column (set them with SetResultingStates, or as columns "
                  "of one 1 and zeros); a table of probabilities needs a chance node";
    return ReportNodeFault(*node, what, kWrongNodeType);
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

int RefuseOutcomeForChild(const VRX_network& network, int handle, int child, int code, bool inserted) {
    const VRX_node* node = network.GetNode(handle);
    if (code == kOutOfMemory || node == nullptr) return code;
    const VRX_node* refusing = network.GetNode(child);
    const VRX_nodeDefinition* definition = refusing != nullptr ? refusing->GetDefinition() : nullptr;
    const std::string edit = inserted ? "take an outcome added to it" : "follow the removal of its outcome";
    return ReportNodeFault(*node,
                           "its child [" + NodeLabel(network, child) + "], " + KindNodeText(definition) +
                               ", cannot " + edit + " (status " + std::to_string(code) + "), so none was " +
                               (inserted ? "added" : "removed"),
                           code);
}

}  // namespace vovido
