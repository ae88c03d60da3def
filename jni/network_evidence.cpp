// Network natives of discrete evidence: setting, reading and clearing the observed outcome of nodes.
#include <stdexcept>
#include <string>

#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tarvo_Network.h"

VRX_nodeValue& NodeValue(VRX_node& node) {
    if (node.GetValue() == nullptr) {
        throw std::runtime_error(std::string("Node '") + NodeIdText(node) + "' has no value");
    }
    return *node.GetValue();
}

int EvidenceOf(JNIEnv* env, const VRX_network& network, int handle) {
    VRX_node& node = checkNodeHandle(network, handle);
    checkHasEvidence(node);
    const int outcome = NodeValue(node).GetEvidence();
    if (outcome < 0) throwEngineError(env, "GetEvidence", outcome);
    return outcome;
}

namespace {

void SetEvidence(JNIEnv* env, const VRX_network& network, int handle, int outcome) {
    VRX_nodeValue& value = NodeValue(checkOutcomeIndex(network, handle, outcome));
    CheckEngineStatus(env, "SetEvidence", value.SetEvidence(outcome));
}

jstring EvidenceIdOf(JNIEnv* env, const VRX_network& network, int handle) {
    const int outcome = EvidenceOf(env, network, handle);
    return outcome >= 0 ? OutcomeIdOf(env, network, handle, outcome) : nullptr;
}

// Whether the node's value has one of the evidence bits (observed, propagated); no value, no evidence.
jboolean HasEvidenceBits(const VRX_network& network, int handle, uint32_t bits) {
    const VRX_nodeValue* value = checkNodeHandle(network, handle).GetValue();
    return value != nullptr && (value->GetValueFlags() & bits) != 0 ? JNI_TRUE : JNI_FALSE;
}

constexpr uint32_t kAnyEvidence = ValueFlags::kEvidence | ValueFlags::kPropagatedEvidence;

void ClearEvidence(JNIEnv* env, const VRX_network& network, int handle) {
    CheckEngineStatus(env, "ClearEvidence", NodeValue(checkNodeHandle(network, handle)).ClearEvidence());
}

}  // namespace

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setEvidence__II(JNIEnv* env, jobject self, jint h,
                                                                     jint o) {
    OnNetwork(env, self, [&](VRX_network& net) { SetEvidence(env, net, h, o); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setEvidence__Ljava_lang_String_2I(JNIEnv* env,
                                                                                       jobject self,
                                                                                       jstring id, jint o) {
    OnNodeId(env, self, id, [&](VRX_network& net, int h) { SetEvidence(env, net, h, o); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setEvidence__ILjava_lang_String_2(JNIEnv* env,
                                                                                       jobject self, jint h,
                                                                                       jstring outcomeId) {
    OnNetwork(env, self, [&](VRX_network& net) {
        SetEvidence(env, net, h, outcomeIndexFromId(env, net, h, outcomeId));
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setEvidence__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring id, jstring outcomeId) {
    OnNodeId(env, self, id, [&](VRX_network& net, int h) {
        SetEvidence(env, net, h, outcomeIndexFromId(env, net, h, outcomeId));
    });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getEvidence__I(JNIEnv* env, jobject self, jint h) {
    return OnNetwork(env, self, [&](VRX_network& net) -> jint { return EvidenceOf(env, net, h); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getEvidence__Ljava_lang_String_2(JNIEnv* env,
                                                                                      jobject self,
                                                                                      jstring id) {
    return OnNodeId(env, self, id, [&](VRX_network& net, int h) -> jint { return EvidenceOf(env, net, h); });
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getEvidenceId__I(JNIEnv* env, jobject self, jint h) {
    return OnNetwork(env, self, [&](VRX_network& net) { return EvidenceIdOf(env, net, h); });
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getEvidenceId__Ljava_lang_String_2(JNIEnv* env,
                                                                                           jobject self,
                                                                                           jstring id) {
    return OnNodeId(env, self, id, [&](VRX_network& net, int h) { return EvidenceIdOf(env, net, h); });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isEvidence__I(JNIEnv* env, jobject self, jint h) {
    return OnNetwork(env, self, [h](VRX_network& net) { return HasEvidenceBits(net, h, kAnyEvidence); });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isEvidence__Ljava_lang_String_2(JNIEnv* env,
                                                                                         jobject self,
                                                                                         jstring id) {
    return OnNodeId(env, self, id,
                    [](VRX_network& net, int h) { return HasEvidenceBits(net, h, kAnyEvidence); });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isRealEvidence__I(JNIEnv* env, jobject self,
                                                                           jint h) {
    return OnNetwork(env, self,
                     [h](VRX_network& net) { return HasEvidenceBits(net, h, ValueFlags::kEvidence); });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isRealEvidence__Ljava_lang_String_2(JNIEnv* env,
                                                                                             jobject self,
                                                                                             jstring id) {
    return OnNodeId(env, self, id,
                    [](VRX_network& net, int h) { return HasEvidenceBits(net, h, ValueFlags::kEvidence); });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isPropagatedEvidence__I(JNIEnv* env, jobject self,
                                                                                 jint h) {
    return OnNetwork(env, self, [h](VRX_network& net) {
        return HasEvidenceBits(net, h, ValueFlags::kPropagatedEvidence);
    });
}

extern "C" JNIEXPORT jboolean JNICALL
Java_tarvo_Network_isPropagatedEvidence__Ljava_lang_String_2(JNIEnv* env, jobject self, jstring id) {
    return OnNodeId(env, self, id, [](VRX_network& net, int h) {
        return HasEvidenceBits(net, h, ValueFlags::kPropagatedEvidence);
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_clearEvidence__I(JNIEnv* env, jobject self, jint h) {
    OnNetwork(env, self, [&](VRX_network& net) { ClearEvidence(env, net, h); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_clearEvidence__Ljava_lang_String_2(JNIEnv* env,
                                                                                        jobject self,
                                                                                        jstring id) {
    OnNodeId(env, self, id, [&](VRX_network& net, int h) { ClearEvidence(env, net, h); });
}

// The network's status is not examined: clearing what is not set is no failure here.
extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_clearAllEvidence(JNIEnv* env, jobject self) {
    OnNetwork(env, self, [](VRX_network& net) { net.ClearAllEvidence(); });
}
