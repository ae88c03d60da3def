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
using vovido::MakeJavaString;
using vovido::OnHandle;
using vovido::OnNetwork;

using vovido::SetCentredRectangle;

namespace {

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

void SetSubmodelOfNode(JNIEnv* env, const VRX_network& network, int submodel, int node) {
    VRX_node& placed = checkNodeHandle(network, node);
    SubmodelOf(network, submodel);
    CheckEngineStatus(env, "SetSubmodel", placed.SetSubmodel(submodel));
}

jint SubmodelOfSubmodel(JNIEnv*, const VRX_network& network, int submodel) {
    SubmodelOf(network, submodel);
    return network.GetSubmodelHandler().GetParentSubmodel(submodel);
}

// Why the handler refused to put the submodel under the parent: the three cases it refuses.
std::string SubmodelMoveRefusal(const VRX_network& network, int submodel, int parent) {
    const auto id = [&network](int handle) {
        const char* text = SubmodelOf(network, handle).header.GetId();
        return "[" + std::string(text != nullptr ? text : "") + "]";
    };
    if (submodel == findMainSubmodel(network))
        return "Submodel " + id(submodel) + " is the main submodel, which lies under no other";
    if (submodel == parent) return "Submodel " + id(submodel) + " cannot lie under itself";
    return "Submodel " + id(submodel) + " cannot lie under " + id(parent) + ", which lies under it";
}

void SetSubmodelOfSubmodel(JNIEnv* env, const VRX_network& network, int parent, int submodel) {
    SubmodelOf(network, submodel);
    SubmodelOf(network, parent);
    const int rc = network.GetSubmodelHandler().SetParentSubmodel(submodel, parent);
    if (rc == kOutOfRange)
        (void)LogError(errorLog, rc, SubmodelMoveRefusal(network, submodel, parent).c_str(), nullptr);
    CheckEngineStatus(env, "SetSubmodel", rc);
}

// The parent handle is left to the handler, which refuses a bad one.
jint AddSubmodel(JNIEnv* env, const VRX_network& network, int parent, jstring id) {
    const JStringChars text(env, id, "id");
    checkIdentifier(text.get());
    if (!IsFlagged(parent)) {
        std::string message = "Invalid parent submodel handle: ";
        appendInt(message, parent);
        throwEngineError(env, "CreateSubmodel", LogError(errorLog, kOutOfRange, message.c_str(), nullptr));
    }
    const int handle = network.GetSubmodelHandler().CreateSubmodel(parent, text.get());
    if (handle < 0) throwEngineError(env, "CreateSubmodel", handle);
    return handle;
}

void DeleteSubmodel(JNIEnv* env, const VRX_network& network, int submodel) {
    SubmodelOf(network, submodel);
    // The main submodel holds every other one and is never deleted.
    if (submodel == kMainSubmodel)
        throwEngineError(
            env, "DeleteSubmodel",
            LogError(errorLog, kOutOfRange,
                     "The main submodel (16384) holds every node and submodel and cannot be deleted",
                     nullptr));
    CheckEngineStatus(env, "DeleteSubmodel", network.GetSubmodelHandler().DeleteSubmodel(submodel));
}

// Submodels are found by identifier and share one namespace with the nodes, and a file with two of one
// identifier cannot be read back (the second is refused), so an identifier that another submodel or a
// node has is refused as adding would refuse it.
void SetSubmodelId(JNIEnv* env, const VRX_network& network, int handle, jstring id) {
    VRX_submodel& submodel = SubmodelOf(network, handle);
    const JStringChars text(env, id, "id");
    checkIdentifier(text.get());
    CheckEngineStatus(env, "SetId",
                      network.GetSubmodelHandler().CheckIdFree(text.get(), &submodel, kDuplicatedIdentifier));
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

VOVIDO_JNI_PAIR2(Network, submodelHandleFromId, nodeHandleFromId, void, setSubmodelOfNode, ,
                 SetSubmodelOfNode)

// ---- The tree: the moved submodel is checked (or resolved) before its new parent ----

VOVIDO_SUBMODEL_NATIVES(jint, getSubmodelOfSubmodel, , SubmodelOfSubmodel)

VOVIDO_JNI_PAIR2(Network, parentSubmodelHandleFromId, submodelHandleFromId, void, setSubmodelOfSubmodel, ,
                 SetSubmodelOfSubmodel)
VOVIDO_JNI_PAIR(Network, vovido::OnHandle, vovido::OnId<parentSubmodelHandleFromId>, jint, addSubmodel,
                Ljava_lang_String_2, AddSubmodel, jstring)
VOVIDO_SUBMODEL_NATIVES(void, deleteSubmodel, , DeleteSubmodel)

// ---- Identifier, name and description ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setSubmodelId(JNIEnv* env, jobject self, jint handle,
                                                                   jstring id) {
    OnHandle(env, self, handle, SetSubmodelId, id);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getSubmodelId(JNIEnv* env, jobject self,
                                                                      jint handle) {
    return OnHandle(env, self, handle, SubmodelId);
}

VOVIDO_SUBMODEL_NATIVES(void, setSubmodelName, Ljava_lang_String_2, SetSubmodelName, jstring)
VOVIDO_SUBMODEL_NATIVES(jstring, getSubmodelName, , SubmodelName)

// The identifier form is bound under this spelling of the method name.
VOVIDO_JNI_PAIR_AS(Network, vovido::OnHandle, vovido::OnId<submodelHandleFromId>, void,
                   setSubmodelDescription, setSubmodelDescrpition, jstring, Ljava_lang_String_2,
                   Ljava_lang_String_2, SetSubmodelDescription, jstring)
VOVIDO_SUBMODEL_NATIVES(jstring, getSubmodelDescription, , SubmodelDescription)

// ---- Position ----

VOVIDO_SUBMODEL_NATIVES(jobject, getSubmodelPosition, , SubmodelPosition)
VOVIDO_SUBMODEL_NATIVES(void, setSubmodelPosition, IIII, SetSubmodelPosition, jint, jint, jint, jint)
