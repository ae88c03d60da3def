// Network natives of equation nodes (equation text and value range) and of the expressions of
// multi-attribute utility nodes. The engine has no multi-attribute utility definition yet, so after the
// node check those natives report the missing definition the way the engine reports a missing algorithm:
// logged, then raised as an engine error of the operation.
#include <stdexcept>
#include <string>

#include "base/error_log.h"
#include "base/parsed_equation.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "tarvo_Network.h"

using vovido::kEquationType;
using vovido::kEquationTypeName;
using vovido::MakeDoubleArray;
using vovido::MakeJavaString;
using vovido::OnNode;
using vovido::OnNodeId;

namespace {

constexpr const char* kMauExpressions = "multi-attribute utility expressions";

[[noreturn]] void RefuseDefinition(JNIEnv* env, const VRX_network& network, int handle, const char* operation,
                                   const char* kind) {
    checkNodeHandle(network, handle);
    LogError(errorLog, kOutOfRange, kind, "Node definition not available: ");
    throwEngineError(env, operation, kOutOfRange);
}

VRX_equation& EquationOf(const VRX_network& network, int handle) {
    // The type check makes the definition an equation.
    return static_cast<VRX_equation&>(checkNodeType(network, handle, kEquationType, kEquationTypeName));
}

// A refused text raises the engine's reason and where the parser found it; the log keeps the reason too.
void SetEquation(JNIEnv* env, const VRX_network& network, int handle, jstring text) {
    VRX_equation& equation = EquationOf(network, handle);
    const JStringChars chars(env, text);
    int position = 0;
    std::string reason;
    if (equation.SetEquation(chars.get(), &position, &reason) != kSuccess) {
        throw std::runtime_error("Invalid equation, error at position " + std::to_string(position) + ": " +
                                 reason);
    }
}

jstring GetEquation(JNIEnv* env, const VRX_network& network, int handle) {
    std::string text;
    EquationToText(EquationOf(network, handle).GetEquation(), text);
    return MakeJavaString(env, text.c_str());
}

void SetBounds(JNIEnv*, const VRX_network& network, int handle, jdouble lower, jdouble upper) {
    EquationOf(network, handle).SetBounds(lower, upper);
}

jdoubleArray GetBounds(JNIEnv* env, const VRX_network& network, int handle) {
    const VRX_equation& equation = EquationOf(network, handle);
    const double bounds[2] = {equation.GetLowerBound(), equation.GetUpperBound()};
    return MakeDoubleArray(env, bounds, 2);
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
