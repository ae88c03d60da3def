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

using vovido::ByOutcomeId;
using vovido::CheckEngineStatus;
using vovido::EvidenceOf;
using vovido::NodeIdText;
using vovido::NodeValue;
using vovido::OnNetwork;
using vovido::OnNode;
using vovido::OnNodeId;
using vovido::OutcomeIdOf;

VRX_nodeValue& vovido::NodeValue(VRX_node& node) {
    if (node.GetValue() == nullptr) {
        throw std::runtime_error(std::string("Node '") + NodeIdText(node) + "' has no value");
    }
    return *node.GetValue();
}

int vovido::EvidenceOf(JNIEnv* env, const VRX_network& network, int handle) {
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
jboolean HasEvidenceBits(JNIEnv*, const VRX_network& network, int handle, uint32_t bits) {
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
    OnNode(env, self, h, SetEvidence, o);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setEvidence__Ljava_lang_String_2I(JNIEnv* env,
                                                                                       jobject self,
                                                                                       jstring id, jint o) {
    OnNodeId(env, self, id, SetEvidence, o);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setEvidence__ILjava_lang_String_2(JNIEnv* env,
                                                                                       jobject self, jint h,
                                                                                       jstring outcomeId) {
    OnNode(env, self, h, ByOutcomeId<SetEvidence>, outcomeId);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setEvidence__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring id, jstring outcomeId) {
    OnNodeId(env, self, id, ByOutcomeId<SetEvidence>, outcomeId);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getEvidence__I(JNIEnv* env, jobject self, jint h) {
    return OnNode(env, self, h, EvidenceOf);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getEvidence__Ljava_lang_String_2(JNIEnv* env,
                                                                                      jobject self,
                                                                                      jstring id) {
    return OnNodeId(env, self, id, EvidenceOf);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getEvidenceId__I(JNIEnv* env, jobject self, jint h) {
    return OnNode(env, self, h, EvidenceIdOf);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getEvidenceId__Ljava_lang_String_2(JNIEnv* env,
                                                                                           jobject self,
                                                                                           jstring id) {
    return OnNodeId(env, self, id, EvidenceIdOf);
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isEvidence__I(JNIEnv* env, jobject self, jint h) {
    return OnNode(env, self, h, HasEvidenceBits, kAnyEvidence);
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isEvidence__Ljava_lang_String_2(JNIEnv* env,
                                                                                         jobject self,
                                                                                         jstring id) {
    return OnNodeId(env, self, id, HasEvidenceBits, kAnyEvidence);
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isRealEvidence__I(JNIEnv* env, jobject self,
                                                                           jint h) {
    return OnNode(env, self, h, HasEvidenceBits, ValueFlags::kEvidence);
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isRealEvidence__Ljava_lang_String_2(JNIEnv* env,
                                                                                             jobject self,
                                                                                             jstring id) {
    return OnNodeId(env, self, id, HasEvidenceBits, ValueFlags::kEvidence);
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_Network_isPropagatedEvidence__I(JNIEnv* env, jobject self,
                                                                                 jint h) {
    return OnNode(env, self, h, HasEvidenceBits, ValueFlags::kPropagatedEvidence);
}

extern "C" JNIEXPORT jboolean JNICALL
Java_tarvo_Network_isPropagatedEvidence__Ljava_lang_String_2(JNIEnv* env, jobject self, jstring id) {
    return OnNodeId(env, self, id, HasEvidenceBits, ValueFlags::kPropagatedEvidence);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_clearEvidence__I(JNIEnv* env, jobject self, jint h) {
    OnNode(env, self, h, ClearEvidence);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_clearEvidence__Ljava_lang_String_2(JNIEnv* env,
                                                                                        jobject self,
                                                                                        jstring id) {
    OnNodeId(env, self, id, ClearEvidence);
}

// The network's status is not examined: clearing what is not set is no failure here.
extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_clearAllEvidence(JNIEnv* env, jobject self) {
    OnNetwork(env, self, [](VRX_network& net) { net.ClearAllEvidence(); });
}
