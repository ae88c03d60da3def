// Network natives of equation nodes (equation text and value range) and of the expressions of
// multi-attribute utility nodes.
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/parsed_equation.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/equation.h"
#include "definitions/mau.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "tarvo_Network.h"

using vovido::LocalRef;

using vovido::kMauTypeName;

using vovido::kEquationTypeName;
using vovido::MakeDoubleArray;
using vovido::MakeJavaString;

namespace {

VRX_equation& EquationOf(const VRX_network& network, int handle) {
    return checkDefinitionOf<VRX_equation>(network, handle, DefinitionType::kEquation, kEquationTypeName);
}

// A refused text raises the engine's reason and where the parser found it; the log keeps the reason too.
void SetEquation(JNIEnv* env, const VRX_network& network, int handle, jstring text) {
    VRX_equation& equation = EquationOf(network, handle);
    const JStringChars chars(env, text, "equation");
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
    std::string reason;
    if (EquationOf(network, handle).SetCheckedBounds(lower, upper, reason) != kSuccess)
        throw std::invalid_argument("Node '" + std::string(vovido::NodeIdText(*network.GetNode(handle))) +
                                    "': " + reason);
}

jdoubleArray GetBounds(JNIEnv* env, const VRX_network& network, int handle) {
    const VRX_equation& equation = EquationOf(network, handle);
    const double bounds[2] = {equation.GetLowerBound(), equation.GetUpperBound()};
    return MakeDoubleArray(env, bounds, 2);
}

VRX_mau& MauOf(const VRX_network& network, int handle) {
    return checkDefinitionOf<VRX_mau>(network, handle, DefinitionType::kMau, kMauTypeName);
}

// A definition without expressions gives an empty array.
jobjectArray GetExpressions(JNIEnv* env, const VRX_network& network, int handle) {
    std::vector<std::string> texts;
    (void)MauOf(network, handle).GetExpressions(texts);
    VRX_stringArray strings;
    for (const std::string& text : texts) {
        if (strings.Add(text.c_str()) != kSuccess) throw std::bad_alloc();
    }
    return makeStringArray(env, strings);
}

// A refusal raises the engine's own reason alone; null or no texts go back to the weighted sum.
void SetExpressions(JNIEnv* env, const VRX_network& network, int handle, jobjectArray expressions) {
    VRX_mau& mau = MauOf(network, handle);
    std::vector<std::string> texts;
    const jsize n = expressions != nullptr ? env->GetArrayLength(expressions) : 0;
    for (jsize i = 0; i < n; i++) {
        const LocalRef<jstring> element = vovido::GetArrayElement<jstring>(env, expressions, i);
        texts.push_back(JStringChars(env, element.get(), "expressions").str());
    }
    std::string reason;
    if (mau.SetExpressionsFromText(texts, &reason) != kSuccess) throw std::runtime_error(reason);
}

}  // namespace

// ---- Equations ----

VOVIDO_NODE_NATIVES(void, setNodeEquation, Ljava_lang_String_2, SetEquation, jstring)
VOVIDO_NODE_NATIVES(jstring, getNodeEquation, , GetEquation)
VOVIDO_NODE_NATIVES(void, setNodeEquationBounds, DD, SetBounds, jdouble, jdouble)
VOVIDO_NODE_NATIVES(jdoubleArray, getNodeEquationBounds, , GetBounds)

// ---- Multi-attribute utility expressions ----

VOVIDO_NODE_NATIVES(jobjectArray, getMauExpressions, , GetExpressions)
VOVIDO_NODE_NATIVES(void, setMauExpressions, _3Ljava_lang_String_2, SetExpressions, jobjectArray)
