// Network natives of a node's parameters: the parameter array of its definition, the indexing parents of
// its value and the outcome strengths of noisy-MAX parents.
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "definitions/definition_support.h"
#include "definitions/noisy_max.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "model/refusal_reasons.h"
#include "tarvo_Network.h"

using vovido::CheckEngineStatus;
using vovido::kNoisyMaxTypeName;
using vovido::kNullArrayText;
using vovido::LocalRef;
using vovido::NodeDefinition;
using vovido::NodeIdText;
using vovido::NodeValue;
using vovido::ReadDoubleArray;
using vovido::ReadIntArray;

using vovido::ByParentId;

namespace {

// The array the natives read and write as the node's parameters: the weights of a noisy-MAX node, the
// definition's own doubles otherwise. Kinds without one (equations, hybrids) are refused.
VRX_doubleArray& ParameterArray(VRX_node& node) {
    VRX_nodeDefinition& definition = NodeDefinition(node);
    VRX_doubleArray* items = nullptr;
    if (definition.GetType() == DefinitionType::kNoisyMax) {
        items = &static_cast<VRX_noisyMAX&>(definition).GetCiWeights()->GetItems();
    } else if (definition.GetDefinitionDoubles(items) != 0) {
        items = nullptr;
    }
    if (items == nullptr) {
        throw std::runtime_error(std::string("Cannot get node definition '") + definition.GetTypeName() +
                                 "' of node '" + NodeIdText(node) + "' as an array of doubles");
    }
    return *items;
}

jdoubleArray GetDefinitionOf(JNIEnv* env, const VRX_network& network, int handle) {
    return makeDoubleArray(env, ParameterArray(checkNodeHandle(network, handle)));
}

// Entries within this of the table a cast, DeMorgan or noisy-adder node computes are that table.
constexpr double kSameTableTolerance = 1e-12;

// A table other than the one the node's kind computes, in the terms of the Java calls.
int RefuseDerivedTable(VRX_node& node) {
    const int type = node.GetType();
    const char* parameters =
        type == DefinitionType::kDeMorgan
            ? "its prior belief and its parents' weights and types (setDeMorganPriorBelief, "
              "setDeMorganParentWeight, setDeMorganParentType)"
            : "its own parameters, which a file sets";
    return vovido::ReportNodeFault(
        node,
        "the table of " + vovido::KindNodeText(node.GetDefinition()) + " is computed from " + parameters +
            ", and only that table is taken back; to set another, change the node's "
            "kind to 18 (setNodeType) first",
        kWrongNodeType);
}

// The row of each parent's distinguished outcome in noisy-MAX parameters is fixed at 0 ... 0, 1: the first
// row given otherwise is refused, naming the parent and its outcome; 0 when every such row is.
int RefuseFreeDistinguishedRow(const VRX_network& network, VRX_node& node, const std::vector<jdouble>& read) {
    auto& noisy = static_cast<VRX_noisyMAX&>(NodeDefinition(node));
    const int k = noisy.GetNumberOfOutcomes();
    const VRX_intArray& parents = network.GetParents(node.GetHandle());
    const VRX_noisyMAX::StrengthSequence& strengths = noisy.GetParentOutcomeStrengths();
    size_t row = 0;
    for (size_t i = 0; i < strengths.size() && k > 0; ++i) {
        const int n = strengths[i].GetCount();
        if (n < 1) continue;
        row += static_cast<size_t>(n);
        const size_t first = (row - 1) * static_cast<size_t>(k);
        if (first + static_cast<size_t>(k) > read.size()) break;
        bool fixed = read[first + static_cast<size_t>(k) - 1] == 1.0;
        for (int j = 0; fixed && j + 1 < k; ++j) fixed = read[first + static_cast<size_t>(j)] == 0.0;
        if (fixed) continue;
        const int parent = static_cast<int>(i) < parents.GetCount() ? parents[static_cast<int>(i)] : -1;
        const VRX_node* parentNode = network.GetNode(parent);
        const VRX_idArray* names =
            parentNode != nullptr ? parentNode->GetDefinition()->GetOutcomesNames() : nullptr;
        const int outcome = strengths[i][n - 1];
        std::string given;
        for (int j = 0; j < k; ++j) {
            if (j > 0) given += ", ";
            AppendDouble(read[first + static_cast<size_t>(j)], given);
        }
        return vovido::ReportNodeFault(
            node,
            "row " + std::to_string(row - 1) + " of its parameters, that of parent [" +
                vovido::NodeLabel(network, parent) + "] in its distinguished outcome [" +
                (names != nullptr && outcome >= 0 && outcome < names->GetCount() ? (*names)[outcome] : "") +
                "], is fixed at 0 ... 0, 1, not " + given,
            kInvalidData);
    }
    return kSuccess;
}

// The values are written straight into the parameters; only a noisy-MAX node derives its table anew. A
// table that a save would not keep (one other than a kind computes, a truth table's column that is not one
// 1.0 and zeros, an entry that is no finite number, a negative probability) is refused and nothing changes.
void SetDefinitionOf(JNIEnv* env, const VRX_network& network, int handle, jdoubleArray values) {
    VRX_node& node = checkNodeHandle(network, handle);
    VRX_doubleArray& items = ParameterArray(node);
    checkDefinitionArraySize(env, node, items, values);
    const std::vector<jdouble> read = ReadDoubleArray(env, values);
    CheckEngineStatus(
        env, "SetDefinition",
        vovido::DefinitionSupport::RefuseEntries(
            &network, handle, node.GetType() == DefinitionType::kNoisyMax ? "parameters" : "table",
            read.data(), static_cast<int>(read.size()), (node.GetType() & DefinitionBits::kUtility) == 0));
    if (node.GetType() == DefinitionType::kNoisyMax)
        CheckEngineStatus(env, "SetDefinition", RefuseFreeDistinguishedRow(network, node, read));
    if (vovido::HasDerivedTable(node.GetType())) {
        // The table the node computes, given back as getNodeDefinition gave it, changes nothing.
        bool same = static_cast<int>(read.size()) == items.GetCount();
        for (int i = 0; same && i < items.GetCount(); ++i)
            same = std::fabs(read[static_cast<size_t>(i)] - items[i]) <= kSameTableTolerance;
        if (same) return;
        CheckEngineStatus(env, "SetDefinition", RefuseDerivedTable(node));
    }
    if (node.GetType() == DefinitionType::kTruthTable) {
        const int column = vovido::FindUndeterminedColumn(read.data(), static_cast<int>(read.size()),
                                                          NodeDefinition(node).GetNumberOfOutcomes());
        if (column >= 0)
            CheckEngineStatus(env, "SetDefinition", vovido::RefuseTableOfKind(network, handle, column));
    }
    // An observed outcome stays what it was (the notice below takes back evidence propagated through the
    // former entries); every other value is stale.
    VRX_nodeValue* value = node.GetValue();
    if (value != nullptr &&
        (!value->HasFlag(ValueFlags::kEvidence) || value->HasFlag(ValueFlags::kPropagatedEvidence)))
        value->SetValueFlag(ValueFlags::kUpToDate, false);
    for (int i = 0; i < items.GetSize(); ++i) items[i] = read[static_cast<size_t>(i)];
    if (node.GetType() == DefinitionType::kNoisyMax) {
        CheckEngineStatus(env, "CalculateCpt",
                          static_cast<VRX_noisyMAX&>(NodeDefinition(node)).CalculateCpt());
    }
    // Evidence propagated through the former entries goes with them, as after any table edit.
    (void)vovido::DefinitionSupport::NotifyNetwork(NodeDefinition(node), ChangeKind::kEntriesReplaced);
}

jintArray IndexingParentsOf(JNIEnv* env, const VRX_network& network, int handle) {
    return makeIntArray(env, NodeValue(checkNodeHandle(network, handle)).GetIndexingParents());
}

jobjectArray IndexingParentIdsOf(JNIEnv* env, const VRX_network& network, int handle) {
    return makeNodeIdArray(env, network, NodeValue(checkNodeHandle(network, handle)).GetIndexingParents());
}

// ---- Noisy-MAX strengths ----

// The noisy-MAX definition of the node, after checking that the parent position lies among the parents
// whose strengths it keeps.
VRX_noisyMAX& NoisyMaxOf(const VRX_network& network, int handle, int parent) {
    auto& noisy =
        checkDefinitionOf<VRX_noisyMAX>(network, handle, DefinitionType::kNoisyMax, kNoisyMaxTypeName);
    const int count = static_cast<int>(noisy.GetParentOutcomeStrengths().size());
    if (parent < 0 || parent >= count) {
        std::string text = "Invalid parent index ";
        appendInt(text, parent);
        text += std::string(" for node '") + NodeIdText(checkNodeHandle(network, handle)) +
                "', valid indices are 0..";
        appendInt(text, count - 1);
        throw std::invalid_argument(text);
    }
    return noisy;
}

const VRX_intArray& StrengthsOf(const VRX_noisyMAX& noisy, int parent) {
    return noisy.GetParentOutcomeStrengths()[static_cast<size_t>(parent)];
}

jintArray GetStrengths(JNIEnv* env, const VRX_network& network, int handle, int parent) {
    return makeIntArray(env, StrengthsOf(NoisyMaxOf(network, handle, parent), parent));
}

bool IsPermutation(const std::vector<jint>& items) {
    std::vector<bool> seen(items.size(), false);
    for (const jint v : items) {
        if (v < 0 || static_cast<size_t>(v) >= items.size() || seen[static_cast<size_t>(v)]) return false;
        seen[static_cast<size_t>(v)] = true;
    }
    return true;
}

// The table is computed with the strengths as indices, so anything but a permutation of the parent's
// outcome indices is refused before the definition changes.
void SetStrengths(JNIEnv* env, const VRX_network& network, int handle, int parent, jintArray values) {
    VRX_noisyMAX& noisy = NoisyMaxOf(network, handle, parent);
    const std::string id = NodeIdText(checkNodeHandle(network, handle));
    const int count = StrengthsOf(noisy, parent).GetCount();
    const std::vector<jint> read = ReadIntArray(env, values);
    if (static_cast<int>(read.size()) != count) {
        std::string text = "Invalid parent strength array size for node '" + id + "': expected ";
        appendInt(text, count);
        text += " and got ";
        appendInt(text, static_cast<int>(read.size()));
        throw std::invalid_argument(text);
    }
    if (!IsPermutation(read)) {
        std::string text = "Invalid parent strengths for node '" + id + "': expected a permutation of 0..";
        appendInt(text, count - 1);
        throw std::invalid_argument(text);
    }
    VRX_intArray order;
    for (const jint v : read) {
        if (order.Add(v) != 0) throw std::bad_alloc();
    }
    CheckEngineStatus(env, "SetParentOutcomeStrengths", noisy.SetParentOutcomeStrengths(parent, order));
    CheckEngineStatus(env, "CalculateCpt", noisy.CalculateCpt());
}

// The identifier forms that Java declares with a String[]: the node's identifier is the only element.
int NodeHandleFromIdArray(JNIEnv* env, const VRX_network& network, jobjectArray ids) {
    if (ids == nullptr) throw std::invalid_argument(kNullArrayText);
    const jsize length = env->GetArrayLength(ids);
    if (length != 1) {
        std::string text = "Node identifier array must hold exactly one identifier, got ";
        appendInt(text, length);
        throw std::invalid_argument(text);
    }
    const LocalRef<jstring> id = vovido::GetArrayElement<jstring>(env, ids, 0);
    return nodeHandleFromId(env, network, id.get());
}

}  // namespace

// ---- Parameter arrays ----

VOVIDO_NODE_NATIVES(jdoubleArray, getNodeDefinition, , GetDefinitionOf)
VOVIDO_NODE_NATIVES(void, setNodeDefinition, _3D, SetDefinitionOf, jdoubleArray)

// ---- Indexing parents of the value ----

VOVIDO_NODE_NATIVES(jintArray, getValueIndexingParents, , IndexingParentsOf)
VOVIDO_NODE_NATIVES(jobjectArray, getValueIndexingParentIds, , IndexingParentIdsOf)

// ---- Noisy-MAX strengths: the node is resolved first, then the parent ----

// Java declares the identifier forms of the setter with a String[].
#define VOVIDO_STRENGTH_NATIVES(Rest, ...)                                                   \
    VOVIDO_JNI_PAIR_AS(Network, vovido::OnHandle, vovido::OnId<NodeHandleFromIdArray>, void, \
                       setNoisyParentStrengths, setNoisyParentStrengths, jobjectArray,       \
                       _3Ljava_lang_String_2, Rest, __VA_ARGS__)

VOVIDO_STRENGTH_NATIVES(I_3I, SetStrengths, jint, jintArray)
VOVIDO_STRENGTH_NATIVES(Ljava_lang_String_2_3I, ByParentId<SetStrengths>, jstring, jintArray)
VOVIDO_NODE_NATIVES(jintArray, getNoisyParentStrengths, I, GetStrengths, jint)
VOVIDO_NODE_NATIVES(jintArray, getNoisyParentStrengths, Ljava_lang_String_2, ByParentId<GetStrengths>,
                    jstring)
