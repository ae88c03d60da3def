// Network natives of equation nodes and of the expressions of multi-attribute utility nodes. The engine
// has neither kind of definition, so after the node check each native reports the missing definition the
// way the engine reports a missing algorithm: logged, then raised as an engine error of the operation.
#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "tarvo_Network.h"

namespace {

constexpr const char* kEquations = "equations";
constexpr const char* kMauExpressions = "multi-attribute utility expressions";

[[noreturn]] void RefuseDefinition(JNIEnv* env, const VRX_network& network, int handle, const char* operation,
                                   const char* kind) {
    checkNodeHandle(network, handle);
    LogError(errorLog, kOutOfRange, kind, "Node definition not available: ");
    throwEngineError(env, operation, kOutOfRange);
}

// One body per engine operation; the arguments the operation would take are not read.
void SetEquation(JNIEnv* env, const VRX_network& network, int handle, jstring) {
    RefuseDefinition(env, network, handle, "SetEquation", kEquations);
}

jstring GetEquation(JNIEnv* env, const VRX_network& network, int handle) {
    RefuseDefinition(env, network, handle, "EquationToText", kEquations);
}

void SetBounds(JNIEnv* env, const VRX_network& network, int handle, jdouble, jdouble) {
    RefuseDefinition(env, network, handle, "SetBounds", kEquations);
}

jdoubleArray GetBounds(JNIEnv* env, const VRX_network& network, int handle) {
    RefuseDefinition(env, network, handle, "GetBounds", kEquations);
}

jobjectArray GetExpressions(JNIEnv* env, const VRX_network& network, int handle) {
    RefuseDefinition(env, network, handle, "GetExpressions", kMauExpressions);
}

void SetExpressions(JNIEnv* env, const VRX_network& network, int handle, jobjectArray) {
    RefuseDefinition(env, network, handle, "SetExpressionsFromText", kMauExpressions);
}

}  // namespace

// ---- Equations ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeEquation__ILjava_lang_String_2(JNIEnv* env,
                                                                                           jobject self,
                                                                                           jint h,
                                                                                           jstring equation) {
    OnNode(env, self, h, SetEquation, equation);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeEquation__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring id, jstring equation) {
    OnNodeId(env, self, id, SetEquation, equation);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getNodeEquation__I(JNIEnv* env, jobject self,
                                                                           jint h) {
    return OnNode(env, self, h, GetEquation);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getNodeEquation__Ljava_lang_String_2(JNIEnv* env,
                                                                                             jobject self,
                                                                                             jstring id) {
    return OnNodeId(env, self, id, GetEquation);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeEquationBounds__IDD(JNIEnv* env, jobject self,
                                                                                jint h, jdouble lower,
                                                                                jdouble upper) {
    OnNode(env, self, h, SetBounds, lower, upper);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeEquationBounds__Ljava_lang_String_2DD(
    JNIEnv* env, jobject self, jstring id, jdouble lower, jdouble upper) {
    OnNodeId(env, self, id, SetBounds, lower, upper);
}

extern "C" JNIEXPORT jdoubleArray JNICALL Java_tarvo_Network_getNodeEquationBounds__I(JNIEnv* env,
                                                                                      jobject self, jint h) {
    return OnNode(env, self, h, GetBounds);
}

extern "C" JNIEXPORT jdoubleArray JNICALL
Java_tarvo_Network_getNodeEquationBounds__Ljava_lang_String_2(JNIEnv* env, jobject self, jstring id) {
    return OnNodeId(env, self, id, GetBounds);
}

// ---- Multi-attribute utility expressions ----

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getMauExpressions__I(JNIEnv* env, jobject self,
                                                                                  jint h) {
    return OnNode(env, self, h, GetExpressions);
}

extern "C" JNIEXPORT jobjectArray JNICALL
Java_tarvo_Network_getMauExpressions__Ljava_lang_String_2(JNIEnv* env, jobject self, jstring id) {
    return OnNodeId(env, self, id, GetExpressions);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setMauExpressions__I_3Ljava_lang_String_2(
    JNIEnv* env, jobject self, jint h, jobjectArray expressions) {
    OnNode(env, self, h, SetExpressions, expressions);
}

extern "C" JNIEXPORT void JNICALL
Java_tarvo_Network_setMauExpressions__Ljava_lang_String_2_3Ljava_lang_String_2(JNIEnv* env, jobject self,
                                                                               jstring id,
                                                                               jobjectArray expressions) {
    OnNodeId(env, self, id, SetExpressions, expressions);
}
