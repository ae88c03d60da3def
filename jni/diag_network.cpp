// Natives of tarvo.DiagNetwork: a troubleshooting session over the network of its field "net". Every
// native that reaches the network first checks that the network is still there (not disposed of) and
// has kept the structure the session was made on, so a stale session fails with its reason instead of
// following handles into freed or reused memory.
#include <jni.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/id_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "inference/diag_engine.h"
#include "inference/diag_results_order.h"
#include "inference/diag_session.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/native_pairs.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "tarvo_DiagNetwork.h"

using vovido::PendingJavaException;

using vovido::CheckEngineStatus;
using vovido::FindField;
using vovido::FindJavaClass;
using vovido::FindMethod;
using vovido::GetNetwork;
using vovido::kNullObjectText;
using vovido::LocalRef;
using vovido::MakeJavaString;
using vovido::MakeObjectArray;
using vovido::NativeObject;
using vovido::NewJavaObject;
using vovido::NodeIdText;
using vovido::OutcomeIdOf;
using vovido::ReadIntArray;
using vovido::RunNative;
using vovido::ToNativePtr;

namespace {

constexpr const char* kNetworkDisposedText = "The network of this diagnosis session has been disposed of";

DiagSession& Session(JNIEnv* env, jobject self) {
    return NativeObject<DiagSession>(env, self);
}

// The session's network, read through the field "net" and checked against the session.
VRX_network& BoundNetwork(JNIEnv* env, jobject self, const DiagSession& session) {
    if (self == nullptr) throw std::invalid_argument(kNullObjectText);
    LocalRef<jclass> cls(env, env->GetObjectClass(self));
    const jfieldID field = FindField(env, cls.get(), "net", "Ltarvo/Network;");
    LocalRef<jobject> net(env, env->GetObjectField(self, field));
    if (net.get() == nullptr || getNativePtr(env, net.get()) == 0)
        throw std::runtime_error(kNetworkDisposedText);
    VRX_network& network = GetNetwork(env, net.get());
    if (&network != session.GetNetwork()) throw std::runtime_error(kNetworkDisposedText);
    if (!session.NetworkUnchanged()) throw std::runtime_error(vovido::kDiagNetworkChangedText);
    return network;
}

void checkFaultIndex(const DiagSession& session, int index) {
    const int count = static_cast<int>(session.GetFaults().size());
    if (index >= 0 && index < count) return;
    std::string text = "Invalid fault index ";
    appendInt(text, index);
    if (count == 0) throw std::invalid_argument(text + "; the network has no faults");
    text += "; valid indices are 0..";
    appendInt(text, count - 1);
    throw std::invalid_argument(text);
}

// Runs a native body with the session: body(session).
template <typename Body>
auto OnSession(JNIEnv* env, jobject self, Body&& body) noexcept {
    return RunNative(env, [&] { return body(Session(env, self)); });
}

// Runs a native body with the session and its checked network: body(session, network).
template <typename Body>
auto OnBound(JNIEnv* env, jobject self, Body&& body) noexcept {
    return RunNative(env, [&] {
        DiagSession& session = Session(env, self);
        return body(session, BoundNetwork(env, self, session));
    });
}

// Runners of the pairs by node handle or identifier: body(env, session, network, node, args...), the
// identifier resolved in the checked network.
template <typename Body, typename... Args>
auto OnBoundNode(JNIEnv* env, jobject self, jint node, Body&& body, Args... args) noexcept {
    return OnBound(env, self, [&](DiagSession& s, VRX_network& n) { return body(env, s, n, node, args...); });
}

template <typename Body, typename... Args>
auto OnBoundNodeId(JNIEnv* env, jobject self, jstring node, Body&& body, Args... args) noexcept {
    return OnBound(env, self, [&](DiagSession& s, VRX_network& n) {
        return body(env, s, n, nodeHandleFromId(env, n, node), args...);
    });
}

// The fault index of the pair; a pair that is no fault raises the engine error and returns kOutOfRange
// with it.
jint FaultIndexOf(JNIEnv* env, const DiagSession& session, int node, int outcome) {
    const int index = session.GetFaultIndex(node, outcome);
    if (index >= 0) return index;
    const VRX_network* network = session.GetNetwork();
    const std::string where = network != nullptr && network->IsLiveHandle(node)
                                  ? "node [" + vovido::NodeLabel(*network, node) + "]"
                                  : "node handle " + std::to_string(node);
    (void)LogError(errorLog, index,
                   ("Outcome " + std::to_string(outcome) + " of " + where + " is no fault state").c_str(),
                   nullptr);
    try {
        throwEngineError(env, "FindFault", index);
    } catch (const PendingJavaException&) {
    }
    return index;
}

jint FaultIndexById(JNIEnv* env, const DiagSession& session, const VRX_network& network, int node,
                    jstring outcome) {
    return FaultIndexOf(env, session, node, outcomeIndexFromId(env, network, node, outcome));
}

// Belief of the fault's outcome while the node's value is up to date; `otherwise` when it is not.
double FaultProbability(const VRX_network& network, const vovido::DiagFault& fault, double otherwise) {
    const VRX_nodeValue* value = checkNodeHandle(network, fault.node).GetValue();
    if (value == nullptr || !value->IsUpToDate()) return otherwise;
    return vovido::DiagBelief(network, fault.node, fault.outcome);
}

void Instantiate(JNIEnv* env, DiagSession& session, const VRX_network& network, int node, int outcome) {
    checkOutcomeIndex(network, node, outcome);
    CheckEngineStatus(env, "InstantiateObservation", session.InstantiateObservation(node, outcome));
}

void Release(JNIEnv* env, DiagSession& session, const VRX_network& network, int node) {
    checkNodeHandle(network, node);
    CheckEngineStatus(env, "ReleaseObservation", session.ReleaseObservation(node));
}

// The outcome by identifier, resolved after the node.
void InstantiateById(JNIEnv* env, DiagSession& session, const VRX_network& network, int node,
                     jstring outcome) {
    Instantiate(env, session, network, node, outcomeIndexFromId(env, network, node, outcome));
}

jobject Update(JNIEnv* env, DiagSession& session, const VRX_network& network, jint mode) {
    (void)session.UpdateFaultBeliefs();  // a failed update shows as faults not computed
    const int rc = session.ComputeTestStrengths(mode);
    CheckEngineStatus(env, "ComputeTestStrengths", rc);

    const VRX_intArray& tests = session.GetUnperformedTests();
    const std::vector<TestResult>& results = session.GetResults();
    const size_t n = std::min(static_cast<size_t>(tests.GetCount()), results.size());
    std::vector<ObservationResult> observations;
    observations.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const TestResult& r = results[i];
        observations.push_back(ObservationResult{tests[static_cast<int>(i)], r.strength, r.cost, r.score});
    }
    const std::vector<vovido::DiagFault>& faultList = session.GetFaults();
    std::vector<FaultResult> faults;
    faults.reserve(faultList.size());
    for (size_t i = 0; i < faultList.size(); ++i) {
        const vovido::DiagFault& f = faultList[i];
        faults.push_back(FaultResult{static_cast<int>(i), f.node, f.outcome,
                                     FaultProbability(network, f, kExcludedValue), false});
    }
    const VRX_intArray& pursued = session.GetPursuedFaults();
    for (int i = 0; i < pursued.GetCount(); ++i) {
        if (pursued[i] >= 0 && pursued[i] < static_cast<int>(faults.size()))
            faults[static_cast<size_t>(pursued[i])].pursued = true;
    }
    std::stable_sort(observations.begin(), observations.end(), vovido::ObservationResultBefore);
    std::stable_sort(faults.begin(), faults.end(), vovido::FaultResultBefore);

    LocalRef<jobjectArray> observationArray(
        env, MakeObjectArray(env, "tarvo/ObservationInfo", "(IDDD)V", observations.size(),
                             [&](jclass cls, jmethodID init, size_t i) {
                                 const ObservationResult& o = observations[i];
                                 return NewJavaObject(env, cls, init, o.node, o.information, o.cost,
                                                      o.strength);
                             }));
    LocalRef<jobjectArray> faultArray(
        env, MakeObjectArray(env, "tarvo/FaultInfo", "(IIIDZ)V", faults.size(),
                             [&](jclass cls, jmethodID init, size_t i) {
                                 const FaultResult& f = faults[i];
                                 return NewJavaObject(
                                     env, cls, init, f.index, f.node, f.outcome, f.probability,
                                     static_cast<jboolean>(f.pursued ? JNI_TRUE : JNI_FALSE));
                             }));
    LocalRef<jclass> resultsClass = FindJavaClass(env, "tarvo/DiagResults");
    const jmethodID resultsInit =
        FindMethod(env, resultsClass.get(), "<init>", "([Ltarvo/ObservationInfo;[Ltarvo/FaultInfo;)V");
    return NewJavaObject(env, resultsClass.get(), resultsInit, observationArray.get(), faultArray.get());
}

}  // namespace

#define VOVIDO_DIAG_NATIVES(...) VOVIDO_JNI_PAIR(DiagNetwork, OnBoundNode, OnBoundNodeId, __VA_ARGS__)

extern "C" {

JNIEXPORT jlong JNICALL Java_tarvo_DiagNetwork_createNative(JNIEnv* env, jobject, jobject net) {
    return RunNative(env, [&] {
        if (net == nullptr) throw std::invalid_argument(kNullObjectText);
        VRX_network& network = GetNetwork(env, net);
        auto session = std::make_unique<DiagSession>();
        CheckEngineStatus(env, "SetNetwork", session->SetNetwork(&network));
        // The steps of a new session report nothing: what they could not do shows in its lists.
        (void)session->CollectFaultsAndObservations();
        session->InstantiateDefaultObservations();
        (void)session->UpdateFaultBeliefs();
        (void)session->SetPursuedFault(session->FindMostLikelyFault());
        return ToNativePtr(session.release());
    });
}

JNIEXPORT void JNICALL Java_tarvo_DiagNetwork_deleteNative(JNIEnv* env, jobject, jlong ptr) {
    RunNative(env, [ptr] {
        if (ptr != 0) delete reinterpret_cast<DiagSession*>(static_cast<intptr_t>(ptr));
    });
}

JNIEXPORT jboolean JNICALL Java_tarvo_DiagNetwork_getDSep(JNIEnv* env, jobject self) {
    return OnSession(env, self, [](DiagSession& s) { return s.GetDSeparation() ? JNI_TRUE : JNI_FALSE; });
}

JNIEXPORT void JNICALL Java_tarvo_DiagNetwork_setDSep(JNIEnv* env, jobject self, jboolean on) {
    OnSession(env, self, [on](DiagSession& s) { s.SetDSeparation(on != JNI_FALSE); });
}

JNIEXPORT jint JNICALL Java_tarvo_DiagNetwork_getPursuedFault(JNIEnv* env, jobject self) {
    return OnSession(env, self, [](DiagSession& s) { return s.GetPursuedFault(); });
}

JNIEXPORT jintArray JNICALL Java_tarvo_DiagNetwork_getPursuedFaults(JNIEnv* env, jobject self) {
    return OnSession(env, self, [env](DiagSession& s) { return makeIntArray(env, s.GetPursuedFaults()); });
}

JNIEXPORT void JNICALL Java_tarvo_DiagNetwork_setPursuedFault(JNIEnv* env, jobject self, jint index) {
    OnSession(env, self, [env, index](DiagSession& s) {
        checkFaultIndex(s, index);
        CheckEngineStatus(env, "SetPursuedFault", s.SetPursuedFault(index));
    });
}

JNIEXPORT void JNICALL Java_tarvo_DiagNetwork_setPursuedFaults(JNIEnv* env, jobject self, jintArray indices) {
    OnSession(env, self, [env, indices](DiagSession& s) {
        VRX_intArray list;
        for (jint index : ReadIntArray(env, indices)) {
            if (list.Add(index) != kSuccess) throw std::bad_alloc();
        }
        CheckEngineStatus(env, "SetPursuedFaults", s.SetPursuedFaults(list));
    });
}

JNIEXPORT jint JNICALL Java_tarvo_DiagNetwork_findMostLikelyFault(JNIEnv* env, jobject self) {
    return OnBound(env, self, [](DiagSession& s, VRX_network&) { return s.FindMostLikelyFault(); });
}

JNIEXPORT jint JNICALL Java_tarvo_DiagNetwork_getFaultCount(JNIEnv* env, jobject self) {
    return OnSession(env, self, [](DiagSession& s) { return static_cast<jint>(s.GetFaults().size()); });
}

JNIEXPORT jobject JNICALL Java_tarvo_DiagNetwork_getFault(JNIEnv* env, jobject self, jint index) {
    return OnSession(env, self, [env, self, index](DiagSession& s) {
        checkFaultIndex(s, index);
        const VRX_network& network = BoundNetwork(env, self, s);
        const vovido::DiagFault& f = s.GetFaults()[static_cast<size_t>(index)];
        LocalRef<jclass> cls = FindJavaClass(env, "tarvo/FaultInfo");
        const jmethodID init = FindMethod(env, cls.get(), "<init>", "(IIIDZ)V");
        const jboolean pursued = s.GetPursuedFaults().IsInList(index) ? JNI_TRUE : JNI_FALSE;
        return NewJavaObject(env, cls.get(), init, index, f.node, f.outcome,
                             FaultProbability(network, f, 0.0), pursued);
    });
}

JNIEXPORT jint JNICALL Java_tarvo_DiagNetwork_getFaultNode(JNIEnv* env, jobject self, jint index) {
    return OnSession(env, self, [index](DiagSession& s) {
        checkFaultIndex(s, index);
        return s.GetFaults()[static_cast<size_t>(index)].node;
    });
}

JNIEXPORT jint JNICALL Java_tarvo_DiagNetwork_getFaultOutcome(JNIEnv* env, jobject self, jint index) {
    return OnSession(env, self, [index](DiagSession& s) {
        checkFaultIndex(s, index);
        return s.GetFaults()[static_cast<size_t>(index)].outcome;
    });
}

JNIEXPORT jstring JNICALL Java_tarvo_DiagNetwork_getFaultNodeId(JNIEnv* env, jobject self, jint index) {
    return OnBound(env, self, [env, index](DiagSession& s, VRX_network& network) {
        checkFaultIndex(s, index);
        return MakeJavaString(
            env, NodeIdText(checkNodeHandle(network, s.GetFaults()[static_cast<size_t>(index)].node)));
    });
}

JNIEXPORT jstring JNICALL Java_tarvo_DiagNetwork_getFaultOutcomeId(JNIEnv* env, jobject self, jint index) {
    return OnBound(env, self, [env, index](DiagSession& s, VRX_network& network) {
        checkFaultIndex(s, index);
        const vovido::DiagFault& f = s.GetFaults()[static_cast<size_t>(index)];
        return OutcomeIdOf(env, network, f.node, f.outcome);
    });
}

// Given handle and index, the session alone answers, also a stale one; a form with an identifier checks
// the network first.
JNIEXPORT jint JNICALL Java_tarvo_DiagNetwork_getFaultIndex__II(JNIEnv* env, jobject self, jint node,
                                                                jint outcome) {
    return OnSession(env, self, [=](DiagSession& s) { return FaultIndexOf(env, s, node, outcome); });
}

JNIEXPORT jint JNICALL Java_tarvo_DiagNetwork_getFaultIndex__Ljava_lang_String_2I(JNIEnv* env, jobject self,
                                                                                  jstring node,
                                                                                  jint outcome) {
    return OnBound(env, self, [=](DiagSession& s, VRX_network& network) {
        return FaultIndexOf(env, s, nodeHandleFromId(env, network, node), outcome);
    });
}

VOVIDO_DIAG_NATIVES(jint, getFaultIndex, Ljava_lang_String_2, FaultIndexById, jstring)

JNIEXPORT jint JNICALL Java_tarvo_DiagNetwork_getUnperformedTestCount(JNIEnv* env, jobject self) {
    return OnSession(env, self, [](DiagSession& s) { return s.GetUnperformedTests().GetCount(); });
}

JNIEXPORT jintArray JNICALL Java_tarvo_DiagNetwork_getUnperformedObservations(JNIEnv* env, jobject self) {
    return OnSession(env, self, [env](DiagSession& s) { return makeIntArray(env, s.GetUnperformedTests()); });
}

JNIEXPORT jobjectArray JNICALL Java_tarvo_DiagNetwork_getUnperformedObservationIds(JNIEnv* env,
                                                                                   jobject self) {
    return OnBound(env, self, [env](DiagSession& s, VRX_network& network) {
        return makeNodeIdArray(env, network, s.GetUnperformedTests());
    });
}

JNIEXPORT jboolean JNICALL Java_tarvo_DiagNetwork_mandatoriesInstantiated(JNIEnv* env, jobject self) {
    return OnBound(env, self, [](DiagSession& s, VRX_network&) {
        return s.MandatoriesInstantiated() ? JNI_TRUE : JNI_FALSE;
    });
}

VOVIDO_DIAG_NATIVES(void, instantiateObservation, I, Instantiate, jint)
VOVIDO_DIAG_NATIVES(void, instantiateObservation, Ljava_lang_String_2, InstantiateById, jstring)
VOVIDO_DIAG_NATIVES(void, releaseObservation, , Release)

JNIEXPORT jobject JNICALL Java_tarvo_DiagNetwork_updateNative(JNIEnv* env, jobject self, jint mode) {
    return OnBound(env, self,
                   [=](DiagSession& s, VRX_network& network) { return Update(env, s, network, mode); });
}

}  // extern "C"
