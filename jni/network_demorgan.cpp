// Network natives of DeMorgan nodes: the prior belief and the type and weight of each parent. The parent
// position is checked by the definition, whose refusals are reported as engine errors.
#include <stdexcept>
#include <string>

#include "definitions/demorgan.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "tarvo_Network.h"

using vovido::CheckEngineStatus;
using vovido::kDeMorganType;
using vovido::kDeMorganTypeName;
using vovido::NodeIdText;
using vovido::OnNode;
using vovido::OnNodeId;

using vovido::ByParentId;

namespace {

VRX_demorgan& DeMorganOf(const VRX_network& network, int handle) {
    return static_cast<VRX_demorgan&>(checkNodeType(network, handle, kDeMorganType, kDeMorganTypeName));
}

// A prior outside [0, 1] (or NaN) is refused by the definition; the refusal reaches the caller rather than
// leaving the old prior in place unnoticed.
void SetPrior(JNIEnv* env, const VRX_network& network, int handle, jdouble prior) {
    CheckEngineStatus(env, "SetPriorBelief", DeMorganOf(network, handle).SetPriorBelief(prior));
}

jdouble GetPrior(JNIEnv*, const VRX_network& network, int handle) {
    return DeMorganOf(network, handle).GetPriorBelief();
}

// The definition would store any type, but one outside the four kinds acts on nothing and cannot be
// written to a file, so it is refused here.
void SetParentType(JNIEnv* env, const VRX_network& network, int handle, int parent, jint type) {
    VRX_demorgan& demorgan = DeMorganOf(network, handle);
    if (type < DemorganParentType::kInhibitor || type > DemorganParentType::kBarrier) {
        std::string text = "Invalid DeMorgan parent type ";
        appendInt(text, type);
        text += std::string(" for node '") + NodeIdText(checkNodeHandle(network, handle)) +
                "', valid types are 0..3";
        throw std::invalid_argument(text);
    }
    CheckEngineStatus(env, "SetParentType", demorgan.SetParentType(parent, type));
}

jint GetParentType(JNIEnv* env, const VRX_network& network, int handle, int parent) {
    const int type = DeMorganOf(network, handle).GetParentType(parent);
    if (type < 0) throwEngineError(env, "GetParentType", type);
    return type;
}

void SetParentWeight(JNIEnv* env, const VRX_network& network, int handle, int parent, jdouble weight) {
    const int status = DeMorganOf(network, handle).SetParentWeight(parent, weight);
    if (status < 0) throwEngineError(env, "SetParentWeight", status);
}

jdouble GetParentWeight(JNIEnv* env, const VRX_network& network, int handle, int parent) {
    const double weight = DeMorganOf(network, handle).GetParentWeight(parent);
    if (weight < 0.0) throwEngineError(env, "GetParentWeight", -1);
    return weight;
}

}  // namespace

// ---- Prior belief ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setDeMorganPriorBelief__ID(JNIEnv* env, jobject self,
                                                                                jint h, jdouble prior) {
    OnNode(env, self, h, SetPrior, prior);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setDeMorganPriorBelief__Ljava_lang_String_2D(
    JNIEnv* env, jobject self, jstring id, jdouble prior) {
    OnNodeId(env, self, id, SetPrior, prior);
}

extern "C" JNIEXPORT jdouble JNICALL Java_tarvo_Network_getDeMorganPriorBelief__I(JNIEnv* env, jobject self,
                                                                                  jint h) {
    return OnNode(env, self, h, GetPrior);
}

extern "C" JNIEXPORT jdouble JNICALL
Java_tarvo_Network_getDeMorganPriorBelief__Ljava_lang_String_2(JNIEnv* env, jobject self, jstring id) {
    return OnNodeId(env, self, id, GetPrior);
}

// ---- Parent types: the node is resolved first, then the parent ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setDeMorganParentType__III(JNIEnv* env, jobject self,
                                                                                jint h, jint parent,
                                                                                jint type) {
    OnNode(env, self, h, SetParentType, parent, type);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setDeMorganParentType__Ljava_lang_String_2II(
    JNIEnv* env, jobject self, jstring id, jint parent, jint type) {
    OnNodeId(env, self, id, SetParentType, parent, type);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setDeMorganParentType__ILjava_lang_String_2I(
    JNIEnv* env, jobject self, jint h, jstring parentId, jint type) {
    OnNode(env, self, h, ByParentId<SetParentType>, parentId, type);
}

extern "C" JNIEXPORT void JNICALL
Java_tarvo_Network_setDeMorganParentType__Ljava_lang_String_2Ljava_lang_String_2I(JNIEnv* env, jobject self,
                                                                                  jstring id,
                                                                                  jstring parentId,
                                                                                  jint type) {
    OnNodeId(env, self, id, ByParentId<SetParentType>, parentId, type);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getDeMorganParentType__II(JNIEnv* env, jobject self,
                                                                               jint h, jint parent) {
    return OnNode(env, self, h, GetParentType, parent);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getDeMorganParentType__Ljava_lang_String_2I(
    JNIEnv* env, jobject self, jstring id, jint parent) {
    return OnNodeId(env, self, id, GetParentType, parent);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getDeMorganParentType__ILjava_lang_String_2(
    JNIEnv* env, jobject self, jint h, jstring parentId) {
    return OnNode(env, self, h, ByParentId<GetParentType>, parentId);
}

extern "C" JNIEXPORT jint JNICALL
Java_tarvo_Network_getDeMorganParentType__Ljava_lang_String_2Ljava_lang_String_2(JNIEnv* env, jobject self,
                                                                                 jstring id,
                                                                                 jstring parentId) {
    return OnNodeId(env, self, id, ByParentId<GetParentType>, parentId);
}

// ---- Parent weights ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setDeMorganParentWeight__IID(JNIEnv* env, jobject self,
                                                                                  jint h, jint parent,
                                                                                  jdouble weight) {
    OnNode(env, self, h, SetParentWeight, parent, weight);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setDeMorganParentWeight__Ljava_lang_String_2ID(
    JNIEnv* env, jobject self, jstring id, jint parent, jdouble weight) {
    OnNodeId(env, self, id, SetParentWeight, parent, weight);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setDeMorganParentWeight__ILjava_lang_String_2D(
    JNIEnv* env, jobject self, jint h, jstring parentId, jdouble weight) {
    OnNode(env, self, h, ByParentId<SetParentWeight>, parentId, weight);
}

extern "C" JNIEXPORT void JNICALL
Java_tarvo_Network_setDeMorganParentWeight__Ljava_lang_String_2Ljava_lang_String_2D(JNIEnv* env, jobject self,
                                                                                    jstring id,
                                                                                    jstring parentId,
                                                                                    jdouble weight) {
    OnNodeId(env, self, id, ByParentId<SetParentWeight>, parentId, weight);
}

extern "C" JNIEXPORT jdouble JNICALL Java_tarvo_Network_getDeMorganParentWeight__II(JNIEnv* env, jobject self,
                                                                                    jint h, jint parent) {
    return OnNode(env, self, h, GetParentWeight, parent);
}

extern "C" JNIEXPORT jdouble JNICALL Java_tarvo_Network_getDeMorganParentWeight__Ljava_lang_String_2I(
    JNIEnv* env, jobject self, jstring id, jint parent) {
    return OnNodeId(env, self, id, GetParentWeight, parent);
}

extern "C" JNIEXPORT jdouble JNICALL Java_tarvo_Network_getDeMorganParentWeight__ILjava_lang_String_2(
    JNIEnv* env, jobject self, jint h, jstring parentId) {
    return OnNode(env, self, h, ByParentId<GetParentWeight>, parentId);
}

extern "C" JNIEXPORT jdouble JNICALL
Java_tarvo_Network_getDeMorganParentWeight__Ljava_lang_String_2Ljava_lang_String_2(JNIEnv* env, jobject self,
                                                                                   jstring id,
                                                                                   jstring parentId) {
    return OnNodeId(env, self, id, ByParentId<GetParentWeight>, parentId);
}
