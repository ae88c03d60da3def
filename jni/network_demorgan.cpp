// Network natives of DeMorgan nodes: the prior belief and the type and weight of each parent. The parent
// position is checked by the definition, whose refusals are reported as engine errors.
#include <stdexcept>
#include <string>

#include "base/int_array.h"
#include "base/number_text.h"
#include "definitions/demorgan.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node_label.h"
#include "tarvo_Network.h"

using vovido::CheckEngineStatus;
using vovido::kDeMorganTypeName;
using vovido::NodeIdText;

using vovido::ByParentId;

namespace {

VRX_demorgan& DeMorganOf(const VRX_network& network, int handle) {
    return checkDefinitionOf<VRX_demorgan>(network, handle, DefinitionType::kDeMorgan, kDeMorganTypeName);
}

// A parent position the node does not have is refused with `status`, logged naming the node, the position
// and its parents.
void CheckParentIndex(JNIEnv* env, const char* operation, const VRX_network& network, int handle, int parent,
                      int status) {
    const int count = DeMorganOf(network, handle).GetParentTypes().GetCount();
    if (parent >= 0 && parent < count) return;
    CheckEngineStatus(env, operation,
                      vovido::ReportNodeFault(checkNodeHandle(network, handle),
                                              vovido::DemorganParentIndexFault(parent, count), status));
}

// A prior outside [0, 1] (or NaN) is refused naming the value and the range; the old prior stays.
void SetPrior(JNIEnv* env, const VRX_network& network, int handle, jdouble prior) {
    VRX_demorgan& demorgan = DeMorganOf(network, handle);
    if (!(prior >= 0.0 && prior <= 1.0)) {
        std::string text;
        AppendDouble(prior, text);
        throw std::invalid_argument("Invalid prior belief " + text + " for node '" +
                                    NodeIdText(checkNodeHandle(network, handle)) +
                                    "', valid priors are 0..1");
    }
    CheckEngineStatus(env, "SetPriorBelief", demorgan.SetPriorBelief(prior));
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
    CheckParentIndex(env, "SetParentType", network, handle, parent, kOutOfRange);
    CheckEngineStatus(env, "SetParentType", demorgan.SetParentType(parent, type));
}

jint GetParentType(JNIEnv* env, const VRX_network& network, int handle, int parent) {
    CheckParentIndex(env, "GetParentType", network, handle, parent, -1);
    return DeMorganOf(network, handle).GetParentType(parent);
}

void SetParentWeight(JNIEnv* env, const VRX_network& network, int handle, int parent, jdouble weight) {
    const int status = DeMorganOf(network, handle).SetParentWeight(parent, weight);
    if (status < 0) throwEngineError(env, "SetParentWeight", status);
}

jdouble GetParentWeight(JNIEnv* env, const VRX_network& network, int handle, int parent) {
    CheckParentIndex(env, "GetParentWeight", network, handle, parent, -1);
    return DeMorganOf(network, handle).GetParentWeight(parent);
}

}  // namespace

// ---- Prior belief ----

VOVIDO_NODE_NATIVES(void, setDeMorganPriorBelief, D, SetPrior, jdouble)
VOVIDO_NODE_NATIVES(jdouble, getDeMorganPriorBelief, , GetPrior)

// ---- Parent types: the node is resolved first, then the parent ----

VOVIDO_NODE_NATIVES(void, setDeMorganParentType, II, SetParentType, jint, jint)
VOVIDO_NODE_NATIVES(void, setDeMorganParentType, Ljava_lang_String_2I, ByParentId<SetParentType>, jstring,
                    jint)
VOVIDO_NODE_NATIVES(jint, getDeMorganParentType, I, GetParentType, jint)
VOVIDO_NODE_NATIVES(jint, getDeMorganParentType, Ljava_lang_String_2, ByParentId<GetParentType>, jstring)

// ---- Parent weights ----

VOVIDO_NODE_NATIVES(void, setDeMorganParentWeight, ID, SetParentWeight, jint, jdouble)
VOVIDO_NODE_NATIVES(void, setDeMorganParentWeight, Ljava_lang_String_2D, ByParentId<SetParentWeight>, jstring,
                    jdouble)
VOVIDO_NODE_NATIVES(jdouble, getDeMorganParentWeight, I, GetParentWeight, jint)
VOVIDO_NODE_NATIVES(jdouble, getDeMorganParentWeight, Ljava_lang_String_2, ByParentId<GetParentWeight>,
                    jstring)
