// The equation definition: parents and equation kept in step, the value range and the discretisation
// intervals.
#include "definitions/equation.h"

#include <cmath>
#include <cstdio>
#include <unordered_set>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/identifier.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_label.h"
#include "model/node_value.h"

namespace {
const vovido::NoticeKind kRewrittenEquationNotice = {
    "The removal of a parent rewrote the equations of {count}", "node", nullptr};
}  // namespace

namespace vovido {

const char* NodeIdOf(const VRX_network* network, int handle) {
    const VRX_node* node = network != nullptr ? network->GetNode(handle) : nullptr;
    return node != nullptr ? node->GetId() : nullptr;
}

bool IsEquationType(int typeCode) {
    return typeCode == DefinitionType::kEquation || typeCode == DefinitionType::kEquationScc;
}

int AddEquationParent(VRX_network* network, int parent, ParsedEquation& equation) {
    const char* id = NodeIdOf(network, parent);
    if (id == nullptr || !IsEquationType(network->GetNodeType(parent)))
        return LogError(errorLog, kOutOfRange, "Only VRX_equation or VRX_equationSCC can be the parents.",
                        nullptr);
    equation.AddParentVariable(id);
    return kSuccess;
}

void InvalidateOwnAndDescendantValues(VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    if (node != nullptr && node->GetValue() != nullptr)
        node->GetValue()->SetValueFlag(ValueFlags::kUpToDate, false);
    InvalidateDescendantValues(network, handle);
}

}  // namespace vovido

namespace {

// Every node below the handle over ordinary arcs; the walk costs what it reaches.
std::unordered_set<int> DescendantsOf(const VRX_network& network, int handle) {
    std::unordered_set<int> reached;
    std::vector<int> pending{handle};
    while (!pending.empty()) {
        const int n = pending.back();
        pending.pop_back();
        const VRX_intArray& children = network.GetChildren(n);
        for (int i = 0; i < children.GetCount(); ++i) {
            if (reached.insert(children[i]).second) pending.push_back(children[i]);
        }
    }
    return reached;
}

}  // namespace

void InvalidateDescendantValues(VRX_network& network, int handle) {
    if (!network.IsLiveHandle(handle)) return;
    for (int h : DescendantsOf(network, handle)) {
        VRX_nodeValue* value = network.GetNode(h)->GetValue();
        if (value != nullptr) value->SetValueFlag(ValueFlags::kUpToDate, false);
    }
}

VRX_equation::VRX_equation(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {
    ResetToDefault();
}

VRX_equation::VRX_equation(VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {
    ResetToDefault();
    // A copy is made quietly: the network it is made for is told of it by whoever makes it.
    if (const auto* other = dynamic_cast<const VRX_equation*>(&source);
        other != nullptr && source.IsValid()) {
        equation = other->equation;
        lowerBound = other->lowerBound;
        upperBound = other->upperBound;
        intervals = other->intervals;
    }
}

// A copy only reads its source, so the const copy goes the same way.
VRX_equation::VRX_equation(const VRX_equation& source)
    : VRX_equation(static_cast<VRX_nodeDefinition&>(const_cast<VRX_equation&>(source))) {}

VRX_equation::~VRX_equation() = default;

int VRX_equation::GetType() const {
    return DefinitionType::kEquation;
}

const char* VRX_equation::GetTypeName() const {
    return "EQUATION";
}

void VRX_equation::ResetToDefault() {
    const char* id = vovido::NodeIdOf(network, handle);
    equation.SetDefault(id != nullptr ? id : "", {});
    equation.hasDistribution = false;
    lowerBound = -1.0;
    upperBound = 1.0;
}

int VRX_equation::AddParent(int parent) {
    if (const int rc = vovido::AddEquationParent(network, parent, equation)) return rc;
    vovido::InvalidateOwnAndDescendantValues(*network, handle);
    return kSuccess;
}

int VRX_equation::RemoveParent(int parent) {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kObjectNotValid;
    // The parent is still listed: it is left out here.
    std::vector<std::string> others;
    const VRX_intArray& parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        const char* id = vovido::NodeIdOf(network, parents[i]);
        if (parents[i] != parent && id != nullptr) others.emplace_back(id);
    }
    const char* own = vovido::NodeIdOf(network, handle);
    equation.SetDefault(own != nullptr ? own : "", others);
    equation.hasDistribution = false;
    vovido::InvalidateOwnAndDescendantValues(*network, handle);
    // The rule loses the equation the caller wrote: the caller is told what it became.
    if (!rebuildingArcs_) {
        std::string text;
        EquationToText(equation, text);
        const char* removed = vovido::NodeIdOf(network, parent);
        const std::string label = "[" + vovido::NodeLabel(*network, handle) + "]";
        const std::string what = "Node " + label + " : the removal of its parent [" +
                                 (removed != nullptr ? removed : "") + "] rewrote its equation as \"" + text +
                                 "\", the sum of the parents left.";
        (void)vovido::LogNotice(errorLog, kOutOfRange, what.c_str(), nullptr,
                                {&kRewrittenEquationNotice, label, label});
    }
    return kSuccess;
}

int VRX_equation::RenameParentId(int /*parent*/, const char* oldId, const char* newId) {
    if (oldId != nullptr && newId != nullptr) equation.RenameVariable(oldId, newId);
    return kSuccess;
}

int VRX_equation::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;
    const auto* other = dynamic_cast<const VRX_equation*>(&source);
    if (source.GetType() != DefinitionType::kEquation || other == nullptr) return kOutOfRange;
    equation = other->equation;
    lowerBound = other->lowerBound;
    upperBound = other->upperBound;
    intervals = other->intervals;
    CheckValidity(1);
    CheckConsistency(1);
    if (network != nullptr) network->NotifyChange(handle, ChangeKind::kDefinitionReplaced);
    return kSuccess;
}

namespace {

bool IsEquationNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

int VRX_equation::PositionOfName(const std::string& text, const std::string& name) {
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const size_t end = at + name.size();
        if ((at == 0 || !IsEquationNameCharacter(text[at - 1])) &&
            (end == text.size() || !IsEquationNameCharacter(text[end])))
            return static_cast<int>(at);
    }
    return 0;
}

bool VRX_equation::ValidateEquation(const char* text, std::vector<std::string>& names,
                                    std::string& errorMessage, int* errorPosition) {
    names.clear();
    if (text == nullptr || text[0] == '\0') {
        errorMessage = "Equation cannot be empty.";
        return false;
    }
    ParsedEquation parsed;
    if (ParseEquation(parsed, text, errorPosition, &errorMessage) != kSuccess) return false;
    if (network == nullptr || !network->IsLiveHandle(handle)) {
        errorMessage = "Equation of a node that is not in a network.";
        return false;
    }
    const std::unordered_set<int> descendants = DescendantsOf(*network, handle);
    parsed.GetVariables(names);
    for (const std::string& name : names) {
        const int h = network->FindNode(name.c_str());
        if (h < 0 || descendants.count(h) != 0) {
            if (errorPosition != nullptr) *errorPosition = PositionOfName(text, name);
        }
        if (h < 0) {
            errorMessage = "Unknown node identifier: " + name;
            return false;
        }
        if (descendants.count(h) != 0) {
            errorMessage = "Node " + name + " can't be used in equation for current node, because it would " +
                           "result in a cycle.";
            return false;
        }
    }
    return true;
}

int VRX_equation::SetEquation(const char* text, int* errorPosition, std::string* errorMessage) {
    std::string localMessage;
    std::string& message = errorMessage != nullptr ? *errorMessage : localMessage;
    std::vector<std::string> names;
    if (!ValidateEquation(text, names, message, errorPosition))
        return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);

    // The arcs are rebuilt with the notices off, so no update runs on a half-built equation; one notice
    // for the whole change follows.
    const int notices = network->propagationFlags & PropagationFlags::kNotices;
    network->propagationFlags &= ~PropagationFlags::kNotices;
    const VRX_intArray former(network->GetParents(handle));
    rebuildingArcs_ = true;
    for (int i = 0; i < former.GetCount(); ++i) (void)network->RemoveArc(former[i], handle);  // live arcs
    rebuildingArcs_ = false;
    for (const std::string& name : names) {
        const int h = network->FindNode(name.c_str());
        // A node the arc refuses (no equation node) stays out; the refusal is in the log.
        if (h != handle) (void)network->AddArc(h, handle);
    }
    const int rc = ParseEquation(equation, text, nullptr, nullptr);
    network->propagationFlags |= notices;
    vovido::InvalidateOwnAndDescendantValues(*network, handle);
    network->NotifyChange(handle, ChangeKind::kDefinitionReplaced);
    return rc;
}

void VRX_equation::SetBounds(double lower, double upper) {
    lowerBound = lower;
    upperBound = upper;
}

int VRX_equation::SetCheckedBounds(double lower, double upper, std::string& reason) {
    if (std::isnan(lower) || std::isnan(upper) || lower > upper) {
        char text[160];
        std::snprintf(
            text, sizeof text,
            "equation bounds %g and %g refused: both must be numbers, the lower not above the upper", lower,
            upper);
        reason = text;
        return kOutOfRange;
    }
    SetBounds(lower, upper);
    return kSuccess;
}

int VRX_equation::SetDiscIntervals(const std::vector<DiscretizationInterval>& list) {
    const size_t n = list.size();
    if (n < 2) return kOutOfRange;
    std::unordered_set<std::string> seen;
    for (const DiscretizationInterval& interval : list) {
        // '@' starts the engine's reserved names, which no interval may take.
        if (IsValidIdentifier(interval.id.c_str()) == 0 || interval.id[0] == '@' ||
            !seen.insert(interval.id).second)
            return kIllegalIdentifier;
    }
    for (size_t i = 1; i + 1 < n; ++i) {
        if (!(list[i - 1].upper < list[i].upper)) return kInvalidData;
    }
    if (!(lowerBound < list[0].upper) || !(list[n - 2].upper < upperBound)) return kInvalidData;
    intervals = list;
    intervals.back().upper = upperBound;
    return kSuccess;
}

int VRX_equation::GetIntervalBounds(int index, double& lower, double& upper) const {
    const int count = static_cast<int>(intervals.size());
    if (count == 0) return kWrongNodeType;
    if (index < 0 || index >= count) return kOutOfRange;
    lower = index > 0 ? intervals[static_cast<size_t>(index) - 1].upper : lowerBound;
    upper = index + 1 < count ? intervals[static_cast<size_t>(index)].upper : upperBound;
    return kSuccess;
}

int VRX_equation::RemoveInvalidParents() {
    vovido::DefinitionSupport::RemoveParentsUnless(*this, &vovido::IsEquationType);
    return kSuccess;
}
