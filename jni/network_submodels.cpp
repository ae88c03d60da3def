// Network natives of submodels: the walk over them, their tree, the submodel of a node, and each
// submodel's identifier, name, description and place on screen.
#include <stdexcept>
#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/jni_network_ops.h"
#include "jni/network_natives.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/submodel.h"
#include "tarvo_Network.h"

using vovido::CheckEngineStatus;
using vovido::GetNetwork;
using vovido::MakeJavaString;
using vovido::OnNetwork;
using vovido::OnNode;
using vovido::OnNodeId;
using vovido::RunNative;

using vovido::SetCentredRectangle;

namespace {

// Runs a submodel native as body(env, network, handle, args...) with the handle as given, or with the
// handle of the submodel of the identifier, which is resolved before anything else is checked.
template <typename Body, typename... Args>
auto OnSubmodel(JNIEnv* env, jobject self, jint handle, Body&& body, Args... args) noexcept {
    return RunNative(env, [&] { return body(env, GetNetwork(env, self), handle, args...); });
}

template <typename Body, typename... Args>
auto OnSubmodelId(JNIEnv* env, jobject self, jstring id, Body&& body, Args... args) noexcept {
    return RunNative(env, [&] {
        VRX_network& network = GetNetwork(env, self);
        return body(env, network, submodelHandleFromId(env, network, id), args...);
    });
}

// Handles carry the submodel flag. The handler also takes a bare slot index, but from Java that would let
// a node handle or any small int name a submodel unnoticed, so such handles are refused here.
bool IsFlagged(int handle) {
    return (handle & kSubmodelHandleFlag) != 0;
}

VRX_submodel& SubmodelOf(const VRX_network& network, int handle) {
    if (!IsFlagged(handle)) {
        std::string text = "Invalid submodel handle: ";
        appendInt(text, handle);
        throw std::invalid_argument(text);
    }
    return checkSubmodelHandle(network, handle);
}

jint NextSubmodel(const VRX_network& network, int handle) {
    if (!IsFlagged(handle)) return -1;
    const int next = network.GetSubmodelHandler().GetNextSubmodel(handle);
    return next >= 0 ? next : -1;
}

jstring MainSubmodelId(JNIEnv* env, const VRX_network& network) {
    return MakeJavaString(env, SubmodelOf(network, findMainSubmodel(network)).header.GetId());
}

jint SubmodelOfNode(JNIEnv*, const VRX_network& network, int node) {
    return checkNodeHandle(network, node).GetSubmodel();
}

void SetSubmodelOfNode(JNIEnv* env, const VRX_network& network, int node, int submodel) {
    VRX_node& placed = checkNodeHandle(network, node);
    SubmodelOf(network, submodel);
    CheckEngineStatus(env, "SetSubmodel", placed.SetSubmodel(submodel));
}

jint SubmodelOfSubmodel(JNIEnv*, const VRX_network& network, int submodel) {
    SubmodelOf(network, submodel);
    return network.GetSubmodelHandler().GetParentSubmodel(submodel);
}

void SetSubmodelOfSubmodel(JNIEnv* env, const VRX_network& network, int submodel, int parent) {
    SubmodelOf(network, submodel);
    SubmodelOf(network, parent);
    CheckEngineStatus(env, "SetSubmodel", network.GetSubmodelHandler().SetParentSubmodel(submodel, parent));
}

// The parent handle is left to the handler, which refuses a bad one.
jint AddSubmodel(JNIEnv* env, const VRX_network& network, int parent, jstring id) {
    const JStringChars text(env, id);
    checkIdentifier(text.get());
    const int handle =
        IsFlagged(parent) ? network.GetSubmodelHandler().CreateSubmodel(parent, text.get()) : kOutOfRange;
    if (handle < 0) throwEngineError(env, "CreateSubmodel", handle);
    return handle;
}

void DeleteSubmodel(JNIEnv* env, const VRX_network& network, int submodel) {
    SubmodelOf(network, submodel);
    CheckEngineStatus(env, "DeleteSubmodel", network.GetSubmodelHandler().DeleteSubmodel(submodel));
}

// Submodels are found by identifier, and a file with two of one identifier cannot be read back (the
// second is refused), so an identifier that another submodel has is refused as adding would refuse it.
void SetSubmodelId(JNIEnv* env, const VRX_network& network, int handle, jstring id) {
    VRX_submodel& submodel = SubmodelOf(network, handle);
    const JStringChars text(env, id);
    checkIdentifier(text.get());
    const VRX_submodelHandler& submodels = network.GetSubmodelHandler();
    const int holder = submodels.FindSubmodel(text.get());
    if (holder >= 0 && submodels.GetSubmodel(holder) != &submodel) {
        LogError(errorLog, kDuplicatedIdentifier, nullptr, nullptr);
        throwEngineError(env, "SetId", kDuplicatedIdentifier);
    }
    setHeaderId(env, id, submodel.header);
}

jstring SubmodelId(JNIEnv* env, const VRX_network& network, int handle) {
    return MakeJavaString(env, SubmodelOf(network, handle).header.GetId());
}

void SetSubmodelName(JNIEnv* env, const VRX_network& network, int handle, jstring name) {
    setHeaderName(env, name, SubmodelOf(network, handle).header);
}

jstring SubmodelName(JNIEnv* env, const VRX_network& network, int handle) {
    return MakeJavaString(env, SubmodelOf(network, handle).header.GetName());
}

void SetSubmodelDescription(JNIEnv* env, const VRX_network& network, int handle, jstring description) {
    setHeaderComment(env, description, SubmodelOf(network, handle).header);
}

jstring SubmodelDescription(JNIEnv* env, const VRX_network& network, int handle) {
    return MakeJavaString(env, SubmodelOf(network, handle).header.GetComment());
}

jobject SubmodelPosition(JNIEnv* env, const VRX_network& network, int handle) {
    return makeRectangle(env, SubmodelOf(network, handle).screenInfo.position);
}

void SetSubmodelPosition(JNIEnv*, const VRX_network& network, int handle, jint x, jint y, jint width,
                         jint height) {
    SetCentredRectangle(SubmodelOf(network, handle).screenInfo.position, x, y, width, height);
}

}  // namespace

// ---- The walk over the submodels ----

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getFirstSubmodel(JNIEnv* env, jobject self) {
    return OnNetwork(env, self,
                     [](VRX_network& net) -> jint { return net.GetSubmodelHandler().GetFirstSubmodel(); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getNextSubmodel(JNIEnv* env, jobject self, jint handle) {
    return OnNetwork(env, self, [handle](VRX_network& net) { return NextSubmodel(net, handle); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getSubmodelCount(JNIEnv* env, jobject self) {
    return OnNetwork(
        env, self, [](VRX_network& net) -> jint { return net.GetSubmodelHandler().GetNumberOfSubmodels(); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getSubmodel(JNIEnv* env, jobject self, jstring id) {
    return OnNetwork(env, self, [&](VRX_network& net) -> jint { return submodelHandleFromId(env, net, id); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getMainSubmodel(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [](VRX_network& net) -> jint { return findMainSubmodel(net); });
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getMainSubmodelId(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [&](VRX_network& net) { return MainSubmodelId(env, net); });
}

// ---- The submodel of a node: the node is checked (or resolved) first ----

VOVIDO_NODE_NATIVES(jint, getSubmodelOfNode, , SubmodelOfNode)

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setSubmodelOfNode__II(JNIEnv* env, jobject self,
                                                                           jint submodel, jint node) {
    OnNode(env, self, node, SetSubmodelOfNode, submodel);
}

extern "C" JNIEXPORT void JNICALL
Java_tarvo_Network_setSubmodelOfNode__Ljava_lang_String_2Ljava_lang_String_2(JNIEnv* env, jobject self,
                                                                             jstring submodelId,
                                                                             jstring nodeId) {
    OnNodeId(env, self, nodeId, [&](JNIEnv*, VRX_network& net, int node) {
        SetSubmodelOfNode(env, net, node, submodelHandleFromId(env, net, submodelId));
    });
}

// ---- The tree: the moved submodel is checked (or resolved) before its new parent ----

VOVIDO_SUBMODEL_NATIVES(jint, getSubmodelOfSubmodel, , SubmodelOfSubmodel)

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setSubmodelOfSubmodel__II(JNIEnv* env, jobject self,
                                                                               jint parent, jint submodel) {
    OnSubmodel(env, self, submodel, SetSubmodelOfSubmodel, parent);
}

extern "C" JNIEXPORT void JNICALL
Java_tarvo_Network_setSubmodelOfSubmodel__Ljava_lang_String_2Ljava_lang_String_2(JNIEnv* env, jobject self,
                                                                                 jstring parentId,
                                                                                 jstring submodelId) {
    OnSubmodelId(env, self, submodelId, [&](JNIEnv*, VRX_network& net, int submodel) {
        SetSubmodelOfSubmodel(env, net, submodel, submodelHandleFromId(env, net, parentId));
    });
}

VOVIDO_SUBMODEL_NATIVES(jint, addSubmodel, Ljava_lang_String_2, AddSubmodel, jstring)
VOVIDO_SUBMODEL_NATIVES(void, deleteSubmodel, , DeleteSubmodel)

// ---- Identifier, name and description ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setSubmodelId(JNIEnv* env, jobject self, jint handle,
                                                                   jstring id) {
    OnSubmodel(env, self, handle, SetSubmodelId, id);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getSubmodelId(JNIEnv* env, jobject self,
                                                                      jint handle) {
    return OnSubmodel(env, self, handle, SubmodelId);
}

VOVIDO_SUBMODEL_NATIVES(void, setSubmodelName, Ljava_lang_String_2, SetSubmodelName, jstring)
VOVIDO_SUBMODEL_NATIVES(jstring, getSubmodelName, , SubmodelName)

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setSubmodelDescription__ILjava_lang_String_2(
    JNIEnv* env, jobject self, jint handle, jstring description) {
    OnSubmodel(env, self, handle, SetSubmodelDescription, description);
}

// The identifier form is bound under this spelling of the method name.
extern "C" JNIEXPORT void JNICALL
Java_tarvo_Network_setSubmodelDescrpition__Ljava_lang_String_2Ljava_lang_String_2(JNIEnv* env, jobject self,
                                                                                  jstring id,
                                                                                  jstring description) {
    OnSubmodelId(env, self, id, SetSubmodelDescription, description);
}

VOVIDO_SUBMODEL_NATIVES(jstring, getSubmodelDescription, , SubmodelDescription)

// ---- Position ----

VOVIDO_SUBMODEL_NATIVES(jobject, getSubmodelPosition, , SubmodelPosition)
VOVIDO_SUBMODEL_NATIVES(void, setSubmodelPosition, IIII, SetSubmodelPosition, jint, jint, jint, jint)
