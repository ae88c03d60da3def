// Network natives of dynamic networks: slices, temporal types, temporal arcs and their queries, evidence
// of later slices, temporal definitions and the unrolling of the whole network.
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "definitions/definition_support.h"
#include "definitions/noisy_max.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/ci_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "model/refusal_reasons.h"
#include "tarvo_Network.h"

using vovido::CheckEngineStatus;
using vovido::CheckJavaException;
using vovido::FindJavaClass;
using vovido::FindMethod;
using vovido::GetNetwork;
using vovido::kNoisyMaxTypeName;
using vovido::kNullArrayText;
using vovido::LocalRef;
using vovido::MakeIntArray;
using vovido::MakeJavaString;
using vovido::NewJavaObject;
using vovido::NewJavaObjectArray;
using vovido::NodeDefinition;
using vovido::NodeIdText;
using vovido::NodeValue;
using vovido::OnNetwork;
using vovido::OutcomeIdOf;
using vovido::ReadDoubleArray;
using vovido::ReadIntArray;
using vovido::StoreArrayElement;

namespace {

using NodeOrders = std::vector<std::pair<int, int>>;

// "tarvo/TemporalInfo" objects of (node, order) pairs, with each node's identifier in the network.
jobjectArray makeTemporalInfoArray(JNIEnv* env, const VRX_network& network, const NodeOrders& pairs) {
    LocalRef<jclass> cls = FindJavaClass(env, "tarvo/TemporalInfo");
    const jmethodID constructor = FindMethod(env, cls.get(), "<init>", "(ILjava/lang/String;I)V");
    const auto n = static_cast<jsize>(pairs.size());
    LocalRef<jobjectArray> array(env, NewJavaObjectArray(env, n, cls.get()));
    for (jsize i = 0; i < n; ++i) {
        const VRX_node* node = network.GetNode(pairs[i].first);
        LocalRef<jstring> id(env, MakeJavaString(env, node != nullptr ? NodeIdText(*node) : nullptr));
        StoreArrayElement(env, array.get(), i,
                          NewJavaObject(env, cls.get(), constructor, jint{pairs[i].first}, id.get(),
                                        jint{pairs[i].second}));
    }
    return array.release();
}

// A refused query of the node's temporal arcs logs why first, naming the node.
void CheckTemporalQuery(JNIEnv* env, VRX_network& network, int handle, const char* operation, int rc,
                        int order = 1) {
    if (rc == kSuccess) return;
    const std::string why = vovido::TemporalQueryRefusalText(network, handle, order);
    if (!why.empty()) (void)vovido::ReportNodeFault(*network.GetNode(handle), why, rc);
    CheckEngineStatus(env, operation, rc);
}

// ---- Temporal types ----

jint TemporalTypeOf(JNIEnv*, VRX_network& network, int handle) {
    checkNodeHandle(network, handle);
    return network.GetTemporalType(handle);
}

void SetTemporalType(JNIEnv* env, VRX_network& network, int handle, jint type) {
    checkNodeHandle(network, handle);
    const int rc = network.SetTemporalType(handle, type);
    // The engine refuses without words: the rule broken is logged first, naming the node.
    const std::string why =
        rc != kSuccess ? vovido::TemporalTypeRefusalText(network, handle, type) : std::string();
    if (!why.empty()) (void)vovido::ReportNodeFault(*network.GetNode(handle), why, rc);
    CheckEngineStatus(env, "setNodeTemporalType", rc);
}

// ---- Temporal arcs ----

// Adds (add) or removes a temporal arc; the rule the edit breaks is logged naming both nodes and raised
// under the edit's name.
void EditTemporalArc(JNIEnv* env, VRX_network& network, int parent, int child, jint order, bool add) {
    checkNodeHandle(network, parent);
    checkNodeHandle(network, child);
    const char* operation = add ? "AddTemporalArc" : "RemoveTemporalArc";
    const vovido::ArcRule broken =
        add ? vovido::FindTemporalArcRuleBroken(network, parent, child, order)
            : vovido::FindTemporalArcRemovalRuleBroken(network, parent, child, order);
    if (broken != vovido::ArcRule::kNone)
        CheckEngineStatus(env, operation, vovido::RefuseArc(network, parent, child, broken, order));
    CheckEngineStatus(
        env, operation,
        add ? network.AddTemporalArc(parent, child, order) : network.RemoveTemporalArc(parent, child, order));
}

void AddTemporalArc(JNIEnv* env, VRX_network& network, int parent, int child, jint order) {
    EditTemporalArc(env, network, parent, child, order, true);
}

void RemoveTemporalArc(JNIEnv* env, VRX_network& network, int parent, int child, jint order) {
    EditTemporalArc(env, network, parent, child, order, false);
}

jboolean TemporalArcExists(JNIEnv*, VRX_network& network, int parent, int child, jint order) {
    checkNodeHandle(network, parent);
    checkNodeHandle(network, child);
    return network.TemporalArcExists(parent, child, order) ? JNI_TRUE : JNI_FALSE;
}

// ---- Structure queries ----

jint MaxNodeTemporalOrder(JNIEnv*, VRX_network& network, int handle) {
    checkNodeHandle(network, handle);
    // kOutOfRange outside the plate is the answer, not a failure.
    return network.GetMaxNodeTemporalOrder(handle);
}

jintArray TemporalOrders(JNIEnv* env, VRX_network& network, int handle) {
    checkNodeHandle(network, handle);
    VRX_intArray orders;
    CheckTemporalQuery(env, network, handle, "GetTemporalOrders", network.GetTemporalOrders(handle, orders));
    return makeIntArray(env, orders);
}

jobjectArray TemporalParents(JNIEnv* env, VRX_network& network, int handle, jint order) {
    checkNodeHandle(network, handle);
    VRX_intArray parents;
    CheckTemporalQuery(env, network, handle, "GetTemporalParents",
                       network.GetTemporalParents(handle, order, parents), order);
    NodeOrders pairs;
    for (int i = 0; i < parents.GetCount(); ++i) pairs.emplace_back(parents[i], order);
    return makeTemporalInfoArray(env, network, pairs);
}

jobjectArray TemporalChildren(JNIEnv* env, VRX_network& network, int handle) {
    checkNodeHandle(network, handle);
    NodeOrders pairs;
    CheckTemporalQuery(env, network, handle, "GetTemporalChildren",
                       network.GetTemporalChildren(handle, pairs));
    return makeTemporalInfoArray(env, network, pairs);
}

jobjectArray UnrolledParents(JNIEnv* env, VRX_network& network, int handle, jint order) {
    checkNodeHandle(network, handle);
    NodeOrders pairs;
    CheckTemporalQuery(env, network, handle, "GetUnrolledParents",
                       network.GetUnrolledParents(handle, order, pairs), order);
    return makeTemporalInfoArray(env, network, pairs);
}

jobjectArray AllUnrolledParents(JNIEnv* env, VRX_network& network, int handle) {
    return UnrolledParents(env, network, handle, INT_MAX);
}

// ---- Temporal evidence ----

jboolean HasTemporalEvidence(JNIEnv*, VRX_network& network, int handle) {
    return NodeValue(checkNodeHandle(network, handle)).HasTemporalEvidence() ? JNI_TRUE : JNI_FALSE;
}

jboolean IsTemporalEvidence(JNIEnv*, VRX_network& network, int handle, jint slice) {
    return NodeValue(checkNodeHandle(network, handle)).IsTemporalEvidence(slice) ? JNI_TRUE : JNI_FALSE;
}

jint TemporalEvidence(JNIEnv* env, VRX_network& network, int handle, jint slice) {
    const int outcome = NodeValue(checkNodeHandle(network, handle)).GetTemporalEvidence(slice);
    if (outcome < 0) {
        (void)vovido::ReportNodeFault(*network.GetNode(handle),
                                      "it has no evidence in slice " + std::to_string(slice), outcome);
        throwEngineError(env, "GetTemporalEvidence", outcome);
    }
    return outcome;
}

jstring TemporalEvidenceId(JNIEnv* env, VRX_network& network, int handle, jint slice) {
    return OutcomeIdOf(env, network, handle, TemporalEvidence(env, network, handle, slice));
}

void SetTemporalEvidence(JNIEnv* env, VRX_network& network, int handle, jint slice, int outcome) {
    VRX_nodeValue& value = NodeValue(checkOutcomeIndex(network, handle, outcome));
    const int logged = errorLog.GetNumberOfEntries();
    int rc = value.SetTemporalEvidence(slice, outcome);
    // Slice 0 is the node's own evidence, refused as setEvidence refuses it.
    const bool plate = network.GetTemporalType(handle) == TemporalType::kPlate;
    if (plate && slice == 0) rc = vovido::ExplainEvidenceRefusal(network, handle, outcome, rc, logged);
    // Otherwise the engine refuses without words: a node outside the plate, or a slice the network does
    // not unroll.
    if (rc != kSuccess && !(plate && slice == 0)) {
        const int slices = network.GetSliceCount();
        if (network.GetTemporalType(handle) != TemporalType::kPlate)
            (void)vovido::ReportNodeFault(*network.GetNode(handle),
                                          slice != 0
                                              ? "only a plate node takes evidence in a slice after the first"
                                              : "only a plate node takes evidence by slice (setEvidence "
                                                "observes a node outside the plate)",
                                          rc);
        else if (slice < 0 || slice >= slices)
            (void)vovido::ReportNodeFault(
                *network.GetNode(handle),
                "slice " + std::to_string(slice) + " is outside 0.." + std::to_string(slices - 1), rc);
    }
    CheckEngineStatus(env, "SetTemporalEvidence", rc);
}

void SetTemporalEvidenceById(JNIEnv* env, VRX_network& network, int handle, jint slice, jstring outcomeId) {
    SetTemporalEvidence(env, network, handle, slice, outcomeIndexFromId(env, network, handle, outcomeId));
}

void ClearTemporalEvidence(JNIEnv* env, VRX_network& network, int handle, jint slice) {
    VRX_nodeValue& value = NodeValue(checkNodeHandle(network, handle));
    const int rc = value.ClearTemporalEvidence(slice);
    if (rc == kWrongNodeType)
        (void)vovido::ReportNodeFault(
            *network.GetNode(handle),
            "only a plate node holds evidence by slice (clearEvidence clears a node "
            "outside the plate)",
            rc);
    else if (rc == kInvalidData || (rc == kOutOfRange && slice == 0))
        (void)vovido::ReportNodeFault(*network.GetNode(handle),
                                      "it has no evidence in slice " + std::to_string(slice) + " to clear",
                                      rc);
    CheckEngineStatus(env, "ClearTemporalEvidence", rc);
}

// ---- Temporal definitions ----

jdoubleArray TemporalDefinition(JNIEnv* env, VRX_network& network, int handle, jint order) {
    return makeDoubleArray(env, getTemporalDefinitionDoubles(checkNodeHandle(network, handle), order));
}

void SetTemporalDefinition(JNIEnv* env, VRX_network& network, int handle, jint order, jdoubleArray values) {
    VRX_node& node = checkNodeHandle(network, handle);
    const VRX_doubleArray& current = getTemporalDefinitionDoubles(node, order);
    checkDefinitionArraySize(env, node, current, values);
    const std::vector<jdouble> read = ReadDoubleArray(env, values);
    const std::string what = "temporal table of order " + std::to_string(order);
    CheckEngineStatus(env, "SetTemporalDefinition",
                      vovido::DefinitionSupport::RefuseEntries(
                          &network, handle, what.c_str(), read.data(), static_cast<int>(read.size()),
                          (node.GetType() & DefinitionBits::kUtility) == 0));
    VRX_doubleArray entries(current);
    for (int i = 0; i < entries.GetCount() && i < static_cast<int>(read.size()); ++i)
        entries[i] = read[static_cast<size_t>(i)];
    // Beliefs computed from the old parameters are stale whatever the outcome.
    if (VRX_nodeValue* value = node.GetValue()) value->SetValueFlag(ValueFlags::kUpToDate, false);
    VRX_nodeDefinition& definition = NodeDefinition(node);
    if (definition.GetType() == DefinitionType::kNoisyMax) {
        auto& ci = static_cast<VRX_ciDefinition&>(definition);
        VRX_Dmatrix weights(*ci.GetTemporalCiWeights(order));
        for (int i = 0; i < entries.GetCount(); ++i) weights[i] = entries[i];
        CheckEngineStatus(env, "SetTemporalCiWeights", ci.SetTemporalCiWeights(order, weights));
        return;
    }
    CheckEngineStatus(env, "SetTemporalDefinition", definition.SetTemporalDefinition(order, entries));
}

jobjectArray NoisyTemporalStrengths(JNIEnv* env, VRX_network& network, int handle, jint order) {
    auto& noisy = static_cast<VRX_noisyMAX&>(
        checkNodeType(network, handle, DefinitionType::kNoisyMax, kNoisyMaxTypeName));
    VRX_noisyMAX::StrengthSequence strengths;
    // A refusal (no such definition, a node outside the plate) leaves the list empty: an empty array.
    (void)noisy.GetTemporalParentOutcomeStrengths(order, strengths);
    LocalRef<jclass> cls = FindJavaClass(env, "[I");
    const auto n = static_cast<jsize>(strengths.size());
    LocalRef<jobjectArray> array(env, NewJavaObjectArray(env, n, cls.get()));
    for (jsize i = 0; i < n; ++i) StoreArrayElement(env, array.get(), i, makeIntArray(env, strengths[i]));
    return array.release();
}

void SetNoisyTemporalStrengths(JNIEnv* env, VRX_network& network, int handle, jint order, jobjectArray rows) {
    auto& noisy = static_cast<VRX_noisyMAX&>(
        checkNodeType(network, handle, DefinitionType::kNoisyMax, kNoisyMaxTypeName));
    if (rows == nullptr) throw std::invalid_argument(kNullArrayText);
    const jsize n = env->GetArrayLength(rows);
    VRX_noisyMAX::StrengthSequence strengths(static_cast<size_t>(n));
    for (jsize i = 0; i < n; ++i) {
        LocalRef<jintArray> row(env, static_cast<jintArray>(env->GetObjectArrayElement(rows, i)));
        CheckJavaException(env);
        for (jint value : ReadIntArray(env, row.get())) {
            if (strengths[static_cast<size_t>(i)].Add(value) != kSuccess) throw std::bad_alloc();
        }
    }
    CheckEngineStatus(env, "SetTemporalParentOutcomeStrengths",
                      noisy.SetTemporalParentOutcomeStrengths(order, strengths));
}

// ---- Unrolling ----

jobject Unroll(JNIEnv* env, VRX_network& network) {
    LocalRef<jobject> unrolledJava(env, newJavaNetwork(env));
    vovido::DisposeUnlessKept guard(env, unrolledJava.get(), vovido::DeleteVrxObject);
    VRX_network& unrolled = GetNetwork(env, unrolledJava.get());
    std::vector<int> map;
    CheckEngineStatus(env, "UnrollNetwork", network.UnrollNetwork(unrolled, map));
    LocalRef<jintArray> mapping(env, MakeIntArray(env, map.data(), static_cast<int>(map.size())));
    LocalRef<jclass> cls = FindJavaClass(env, "tarvo/UnrollResults");
    const jmethodID constructor = FindMethod(env, cls.get(), "<init>", "(Ltarvo/Network;[I)V");
    jobject results = NewJavaObject(env, cls.get(), constructor, unrolledJava.get(), mapping.get());
    guard.Keep();
    return results;
}

}  // namespace

// ---- Network-wide ----

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getSliceCount(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [](VRX_network& net) { return jint{net.GetSliceCount()}; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setSliceCount(JNIEnv* env, jobject self, jint count) {
    // A count below 1 is refused by the network, which keeps its own; nothing is raised. The network warns
    // of the evidence the count drops.
    OnNetwork(env, self, [&](VRX_network& net) {
        vovido::nativeFrame.operation = "SetSliceCount";
        (void)net.SetSliceCount(count);
    });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getMaxTemporalOrder(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [](VRX_network& net) { return jint{net.GetMaxTemporalOrder()}; });
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_unroll(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [&](VRX_network& net) { return Unroll(env, net); });
}

// ---- Temporal type ----

VOVIDO_NODE_NATIVES(jint, getNodeTemporalType, , TemporalTypeOf)
VOVIDO_NODE_NATIVES(void, setNodeTemporalType, I, SetTemporalType, jint)

// ---- Temporal arcs ----

VOVIDO_ARC_NATIVES(void, addTemporalArc, I, AddTemporalArc, jint)
VOVIDO_ARC_NATIVES(void, deleteTemporalArc, I, RemoveTemporalArc, jint)
VOVIDO_ARC_NATIVES(jboolean, temporalArcExists, I, TemporalArcExists, jint)

// ---- Structure queries ----

VOVIDO_NODE_NATIVES(jint, getMaxNodeTemporalOrder, , MaxNodeTemporalOrder)
VOVIDO_NODE_NATIVES(jintArray, getTemporalOrders, , TemporalOrders)
VOVIDO_NODE_NATIVES(jobjectArray, getTemporalParents, I, TemporalParents, jint)
VOVIDO_NODE_NATIVES(jobjectArray, getTemporalChildren, , TemporalChildren)
VOVIDO_NODE_NATIVES(jobjectArray, getUnrolledParents, I, UnrolledParents, jint)
VOVIDO_NODE_NATIVES(jobjectArray, getUnrolledParents, , AllUnrolledParents)

// ---- Temporal evidence ----

VOVIDO_NODE_NATIVES(jboolean, hasTemporalEvidence, , HasTemporalEvidence)
VOVIDO_NODE_NATIVES(jboolean, isTemporalEvidence, I, IsTemporalEvidence, jint)
VOVIDO_NODE_NATIVES(jint, getTemporalEvidence, I, TemporalEvidence, jint)
VOVIDO_NODE_NATIVES(jstring, getTemporalEvidenceId, I, TemporalEvidenceId, jint)

VOVIDO_NODE_NATIVES(void, setTemporalEvidence, II, SetTemporalEvidence, jint, jint)
VOVIDO_NODE_NATIVES(void, setTemporalEvidence, ILjava_lang_String_2, SetTemporalEvidenceById, jint, jstring)
VOVIDO_NODE_NATIVES(void, clearTemporalEvidence, I, ClearTemporalEvidence, jint)

// ---- Temporal definitions ----

VOVIDO_NODE_NATIVES(jdoubleArray, getNodeTemporalDefinition, I, TemporalDefinition, jint)
VOVIDO_NODE_NATIVES(void, setNodeTemporalDefinition, I_3D, SetTemporalDefinition, jint, jdoubleArray)
VOVIDO_NODE_NATIVES(jobjectArray, getNoisyTemporalParentStrengths, I, NoisyTemporalStrengths, jint)
VOVIDO_NODE_NATIVES(void, setNoisyTemporalParentStrengths, I_3_3I, SetNoisyTemporalStrengths, jint,
                    jobjectArray)
