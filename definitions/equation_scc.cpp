// The equation definition of a node in a strongly coupled component.
#include "definitions/equation_scc.h"

#include "base/error_log.h"
#include "base/identifier.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "definitions/equation.h"
#include "model/network.h"

namespace {

std::string OwnId(const VRX_network* network, int handle) {
    const char* id = vovido::NodeIdOf(network, handle);
    return id != nullptr ? id : "";
}

}  // namespace

VRX_equationSCC::VRX_equationSCC(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {
    // The identifier is a valid one, so the text parses.
    (void)ParseEquation(equation, (OwnId(network, handle) + " = 0").c_str(), nullptr, nullptr);
}

VRX_equationSCC::VRX_equationSCC(VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {
    (void)ParseEquation(equation, (OwnId(network, handle) + " = 0").c_str(), nullptr, nullptr);
    // A copy is made quietly: the network it is made for is told of it by whoever makes it.
    if (!source.IsValid()) return;
    if (const auto* other = dynamic_cast<const VRX_equationSCC*>(&source)) {
        equation = other->equation;
        members = other->members;
    }
}

// A copy only reads its source, so the const copy goes the same way.
VRX_equationSCC::VRX_equationSCC(const VRX_equationSCC& source)
    : VRX_equationSCC(static_cast<VRX_nodeDefinition&>(const_cast<VRX_equationSCC&>(source))) {}

VRX_equationSCC::~VRX_equationSCC() = default;

int VRX_equationSCC::GetType() const {
    return DefinitionType::kEquationScc;
}

const char* VRX_equationSCC::GetTypeName() const {
    return "EQUATION_SCC";
}

int VRX_equationSCC::AddParent(int parent) {
    if (const int rc = vovido::AddEquationParent(network, parent, equation)) return rc;
    vovido::InvalidateOwnAndDescendantValues(*network, handle);
    return kSuccess;
}

int VRX_equationSCC::RemoveParent(int parent) {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kObjectNotValid;
    std::string text;
    GetEquationText(text);
    bool written = !members.empty();
    const VRX_intArray& parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        const char* id = vovido::NodeIdOf(network, parents[i]);
        if (parents[i] == parent || id == nullptr) continue;
        if (written) text += '+';
        text += id;
        written = true;
    }
    if (!written) text += '0';
    return SetEquation(text.c_str());
}

int VRX_equationSCC::RenameParentId(int /*parent*/, const char* oldId, const char* newId) {
    if (oldId != nullptr && newId != nullptr) equation.RenameVariable(oldId, newId);
    return kSuccess;
}

int VRX_equationSCC::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;
    if (const auto* other = dynamic_cast<const VRX_equationSCC*>(&source)) {
        equation = other->equation;
        members = other->members;
    } else if (const auto* plain = dynamic_cast<const VRX_equation*>(&source)) {
        // Its variables are the node and its parents, which this kind takes as well.
        equation = plain->GetEquation();
    } else {
        return kSuccess;
    }
    CheckValidity(1);
    CheckConsistency(1);
    if (network != nullptr) network->NotifyChange(handle, ChangeKind::kDefinitionReplaced);
    return kSuccess;
}

bool VRX_equationSCC::ValidateEquation(const char* text, std::string& errorMessage) {
    if (text == nullptr || text[0] == '\0') {
        errorMessage = "Equation cannot be empty.";
        return false;
    }
    ParsedEquation parsed;
    if (ParseEquation(parsed, text, nullptr, nullptr) != kSuccess) {
        errorMessage = "Equation syntax error";
        return false;
    }
    const std::string own = OwnId(network, handle);
    std::vector<std::string> names;
    parsed.GetVariables(names);
    for (const std::string& name : names) {
        bool allowed = name == own || members.count(name) != 0;
        if (!allowed && network != nullptr && network->IsLiveHandle(handle)) {
            const VRX_intArray& parents = network->GetParents(handle);
            for (int i = 0; i < parents.GetCount() && !allowed; ++i) {
                const char* id = vovido::NodeIdOf(network, parents[i]);
                allowed = id != nullptr && name == id;
            }
        }
        if (!allowed) {
            errorMessage = "Equation contains a variable (" + name +
                           ") which is not ID of this node, one of its parents, or one of its scc varaibles.";
            return false;
        }
    }
    return true;
}

int VRX_equationSCC::SetEquation(const char* text) {
    std::string message;
    if (!ValidateEquation(text, message)) return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
    const int rc = ParseEquation(equation, text, nullptr, nullptr);
    if (network != nullptr && network->IsLiveHandle(handle))
        vovido::InvalidateOwnAndDescendantValues(*network, handle);
    return rc;
}

void VRX_equationSCC::GetEquationText(std::string& out) const {
    out = OwnId(network, handle) + " = ";
    bool first = true;
    for (const std::string& member : members) {
        if (!first) out += " + ";
        out += member;
        first = false;
    }
}

int VRX_equationSCC::SetMembers(const std::vector<std::string>& ids) {
    const std::string own = OwnId(network, handle);
    for (const std::string& id : ids) {
        if (IsValidIdentifier(id.c_str()) == 0 || id[0] == '@') return kIllegalIdentifier;
        if (id == own) return kOutOfRange;
    }
    members = std::set<std::string>(ids.begin(), ids.end());
    if (network != nullptr && network->IsLiveHandle(handle))
        vovido::InvalidateOwnAndDescendantValues(*network, handle);
    return kSuccess;
}

int VRX_equationSCC::RemoveInvalidParents() {
    vovido::DefinitionSupport::RemoveParentsUnless(*this, &vovido::IsEquationType);
    return kSuccess;
}
