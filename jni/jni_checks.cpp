// Argument checks and identifier resolution shared by the native methods.
#include "jni/jni_checks.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "base/id_array.h"
#include "base/identifier.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/cpt.h"
#include "jni/jni_frame.h"
#include "model/ci_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/submodel.h"

using vovido::kNullArrayText;

using vovido::IsAsciiLetter;
using vovido::IsIdentifierChar;

namespace {

const char* NodeId(const VRX_node& node) {
    const char* id = node.GetId();
    return id != nullptr ? id : "";
}

std::string WithInt(const char* text, int value) {
    std::string out = text;
    appendInt(out, value);
    return out;
}

// Outcomes of the node's definition; definitions without outcomes (and missing ones) count as none.
int OutcomeCount(const VRX_node& node) {
    VRX_nodeDefinition* definition = node.GetDefinition();
    if (definition == nullptr) return 0;
    const int count = definition->GetNumberOfOutcomes();
    return count > 0 ? count : 0;
}

}  // namespace

VRX_node& checkNodeHandle(const VRX_network& network, int handle) {
    VRX_node* node = network.GetNode(handle);
    if (node == nullptr) throw std::invalid_argument(WithInt("Invalid node handle: ", handle));
    return *node;
}

int nodeHandleFromId(JNIEnv* env, const VRX_network& network, jstring id) {
    return nodeHandleFromNamedId(env, network, id, "nodeId");
}

int parentHandleFromId(JNIEnv* env, const VRX_network& network, jstring id) {
    return nodeHandleFromNamedId(env, network, id, "parentId");
}

int childHandleFromId(JNIEnv* env, const VRX_network& network, jstring id) {
    return nodeHandleFromNamedId(env, network, id, "childId");
}

int nodeHandleFromNamedId(JNIEnv* env, const VRX_network& network, jstring id, const char* argument) {
    const JStringChars text(env, id, argument);
    const int handle = network.FindNode(text.get());
    if (handle < 0) throw std::invalid_argument("Invalid node id: " + text.str());
    return handle;
}

std::vector<int> nodeHandlesFromIds(JNIEnv* env, const VRX_network& network, jobjectArray ids,
                                    const char* argument) {
    const jsize n = env->GetArrayLength(ids);
    std::vector<int> handles(static_cast<size_t>(n));
    for (jsize i = 0; i < n; ++i) {
        const vovido::LocalRef<jstring> id = vovido::GetArrayElement<jstring>(env, ids, i);
        handles[static_cast<size_t>(i)] = nodeHandleFromNamedId(env, network, id.get(), argument);
    }
    return handles;
}

VRX_node& checkOutcomeIndex(const VRX_network& network, int handle, int outcome) {
    VRX_node& node = checkNodeHandle(network, handle);
    const int count = OutcomeCount(node);
    if (outcome < 0 || outcome >= count) {
        std::string text = WithInt("Invalid outcome index ", outcome);
        text += " for node '";
        text += NodeId(node);
        if (count == 0) {
            // No range to give: say why there is none, and what a continuous node observes instead.
            VRX_nodeValue* value = node.GetValue();
            double number = 0.0;
            const bool continuous = value != nullptr && value->GetContEvidence(number) != kWrongNodeType;
            text += continuous ? "': it has no outcomes, its evidence is a number (setContEvidence)"
                               : "': it has no outcomes";
            throw std::invalid_argument(text);
        }
        text += "', valid indices are 0..";
        appendInt(text, count - 1);
        throw std::invalid_argument(text);
    }
    return node;
}

int outcomeIndexFromId(JNIEnv* env, const VRX_network& network, int handle, jstring outcomeId) {
    VRX_node& node = checkNodeHandle(network, handle);
    const JStringChars text(env, outcomeId, "outcomeId");
    VRX_nodeDefinition* definition = node.GetDefinition();
    VRX_idArray* names = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
    const int index = names != nullptr ? names->FindPosition(text.get()) : -2;
    if (index < 0) {
        throw std::invalid_argument("Invalid outcome identifier '" + text.str() + "' for node '" +
                                    NodeId(node) + "'");
    }
    return index;
}

VRX_nodeDefinition& checkNodeType(const VRX_network& network, int handle, int typeCode,
                                  const char* typeName) {
    VRX_node& node = checkNodeHandle(network, handle);
    VRX_nodeDefinition* definition = node.GetDefinition();
    if (definition == nullptr || definition->GetType() != typeCode) {
        throw std::invalid_argument(std::string("Node '") + NodeId(node) + "' must be of type " + typeName);
    }
    return *definition;
}

void checkIdentifier(const char* text) {
    bool valid = text != nullptr && IsAsciiLetter(text[0]);
    for (const char* c = text; valid && *c != '\0'; ++c) valid = IsIdentifierChar(*c);
    if (!valid) {
        throw std::invalid_argument(std::string("Identifier '") + (text != nullptr ? text : "") +
                                    "' is invalid - it should start with a letter and contain only letters, "
                                    "digits and underscores");
    }
}

void checkInRange(const char* what, int value, int count) {
    if (value >= 0 && value < count) return;
    std::string text = std::string("Invalid ") + what + " ";
    appendInt(text, value);
    text += ", valid range is 0..";
    appendInt(text, count - 1);
    throw std::invalid_argument(text);
}

void checkItemIndex(const char* what, int index, int count, const char* emptyText) {
    if (count == 0) throw std::invalid_argument(emptyText);
    checkInRange(what, index, count);
}

void checkSettingFault(const std::string& fault) {
    if (!fault.empty()) throw std::invalid_argument(fault);
}

void checkHasEvidence(const VRX_node& node) {
    const VRX_nodeValue* value = node.GetValue();
    if (value == nullptr || !value->HasEvidence()) {
        throw std::runtime_error(std::string("Node '") + NodeId(node) + "' has no evidence set");
    }
}

void checkDefinitionArraySize(JNIEnv* env, VRX_node& node, const VRX_doubleArray& expected, jarray values) {
    if (values == nullptr) throw std::invalid_argument(kNullArrayText);
    const jsize length = env->GetArrayLength(values);
    if (length == expected.GetSize()) return;
    std::string text =
        std::string("Invalid definition array size for node '") + NodeId(node) + "': expected ";
    appendInt(text, expected.GetSize());
    text += " and got ";
    appendInt(text, length);
    if (node.GetType() == DefinitionType::kNoisyMax) {
        text +=
            " (the type of this node is NoisyMax -- you need to pass noisy weights as parameter, including "
            "constrained columns)";
    }
    throw std::invalid_argument(text);
}

int parentIndexFromId(JNIEnv* env, const VRX_network& network, int handle, jstring parentId) {
    VRX_node& node = checkNodeHandle(network, handle);
    const JStringChars text(env, parentId, "parentId");
    const VRX_intArray& parents = network.GetParents(handle, 0);
    for (int i = 0; i < parents.GetCount(); ++i) {
        const VRX_node* parent = network.GetNode(parents[i]);
        if (parent != nullptr && text.str() == NodeId(*parent)) return i;
    }
    throw std::invalid_argument(std::string("Node '") + NodeId(node) + "' is not a child of node '" +
                                text.str() + "'");
}

namespace {

// Why the node has no temporal table of that order to read or write as doubles.
std::string MissingTemporalDefinitionText(VRX_node& node, int order) {
    VRX_nodeDefinition* definition = node.GetDefinition();
    const std::string id = std::string("node '") + NodeId(node) + "'";
    const bool tabled = definition != nullptr && (definition->GetType() == DefinitionType::kNoisyMax ||
                                                  dynamic_cast<VRX_cpt*>(definition) != nullptr);
    if (!tabled) {
        return "Cannot get the temporal definition of " + id + " as an array of doubles: its kind " +
               (definition != nullptr ? definition->GetTypeName() : "(none)") +
               " keeps none (only CPT, truth-table and noisy-MAX nodes do)";
    }
    VRX_network* network = node.GetNetwork();
    VRX_intArray orders;
    if (network == nullptr || network->GetTemporalType(node.GetHandle()) != TemporalType::kPlate ||
        network->GetTemporalOrders(node.GetHandle(), orders) != kSuccess) {
        return "The " + id + " has no temporal definition: it is not in the temporal plate";
    }
    std::string text = "The " + id + " has no temporal definition of order " + std::to_string(order);
    if (orders.GetCount() == 0) return text + ": it has no temporal arcs into it";
    text += ": its temporal arcs into it have order";
    text += orders.GetCount() > 1 ? "s " : " ";
    for (int i = 0; i < orders.GetCount(); ++i) text += (i > 0 ? ", " : "") + std::to_string(orders[i]);
    return text;
}

}  // namespace

VRX_doubleArray& getTemporalDefinitionDoubles(VRX_node& node, int order) {
    VRX_nodeDefinition* definition = node.GetDefinition();
    VRX_Dmatrix* matrix = nullptr;
    if (definition != nullptr && definition->GetType() == DefinitionType::kNoisyMax) {
        matrix = static_cast<VRX_ciDefinition*>(definition)->GetTemporalCiWeights(order);
    } else if (auto* cpt = dynamic_cast<VRX_cpt*>(definition)) {
        matrix = cpt->GetTemporalDefinition(order);
    }
    if (matrix == nullptr) throw std::runtime_error(MissingTemporalDefinitionText(node, order));
    return matrix->GetItems();
}

int findMainSubmodel(const VRX_network& network) {
    const VRX_submodelHandler& submodels = network.GetSubmodelHandler();
    for (int handle = submodels.GetFirstSubmodel(); handle >= 0; handle = submodels.GetNextSubmodel(handle)) {
        if (handle == kMainSubmodel) return kMainSubmodel;
    }
    throw std::runtime_error("Main submodel not found");
}

VRX_submodel& checkSubmodelHandle(const VRX_network& network, int handle) {
    VRX_submodel* submodel = network.GetSubmodelHandler().GetSubmodel(handle);
    if (submodel == nullptr) throw std::invalid_argument(WithInt("Invalid submodel handle: ", handle));
    return *submodel;
}

namespace {

int SubmodelHandleOf(JNIEnv* env, const VRX_network& network, jstring id, const char* argument) {
    const JStringChars text(env, id, argument);
    const int handle = network.GetSubmodelHandler().FindSubmodel(text.get());
    if (handle < 0) throw std::invalid_argument("Invalid submodel id: '" + text.str() + "'");
    return handle;
}

}  // namespace

int submodelHandleFromId(JNIEnv* env, const VRX_network& network, jstring id) {
    return SubmodelHandleOf(env, network, id, "submodelId");
}

int parentSubmodelHandleFromId(JNIEnv* env, const VRX_network& network, jstring id) {
    return SubmodelHandleOf(env, network, id, "parentId");
}
