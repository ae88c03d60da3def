// Network natives of the network's identity and of its nodes, ordinary arcs and outcomes.
#include <new>
#include <stdexcept>
#include <string>

#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/jni_network_ops.h"
#include "jni/network_natives.h"
#include "model/header.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "tarvo_Network.h"

using vovido::ByOutcomeId;
using vovido::CheckEngineStatus;
using vovido::MakeJavaString;
using vovido::NetworkHeader;
using vovido::NodeDefinition;
using vovido::NodeHeader;
using vovido::NodeIdText;
using vovido::OnNetwork;
using vovido::OnNode;
using vovido::OnNodeId;
using vovido::OutcomeIdOf;

// ---- Helpers shared with the other Network natives ----

const char* vovido::NodeIdText(const VRX_node& node) {
    const char* id = node.GetInfo() != nullptr ? node.GetId() : nullptr;
    return id != nullptr ? id : "";
}

VRX_header& vovido::NodeHeader(VRX_node& node) {
    if (node.GetInfo() == nullptr) {
        throw std::runtime_error(std::string("Node '") + NodeIdText(node) + "' has no descriptive record");
    }
    return node.GetInfo()->header;
}

VRX_nodeDefinition& vovido::NodeDefinition(VRX_node& node) {
    if (node.GetDefinition() == nullptr) {
        throw std::runtime_error(std::string("Node '") + NodeIdText(node) + "' has no definition");
    }
    return *node.GetDefinition();
}

VRX_header& vovido::NetworkHeader(const VRX_network& network) {
    VRX_header* header = network.GetHeader();
    if (header == nullptr) throw std::runtime_error("Main submodel not found");
    return *header;
}

jstring vovido::OutcomeIdOf(JNIEnv* env, const VRX_network& network, int handle, int outcome) {
    VRX_node& node = checkOutcomeIndex(network, handle, outcome);
    const VRX_idArray* names = NodeDefinition(node).GetOutcomesNames();
    // checkOutcomeIndex counted the outcomes; a definition whose names disagree has none to give.
    if (names == nullptr || outcome >= names->GetCount()) {
        throw std::runtime_error(std::string("Node '") + NodeIdText(node) + "' has no outcome identifiers");
    }
    return MakeJavaString(env, (*names)[outcome]);
}

namespace {

int AddNodeOf(JNIEnv* env, VRX_network& network, jint type, jstring id) {
    const JStringChars text(env, id, JStringChars::AllowNull{});
    // A null identifier lets the network generate one.
    if (!text.IsNull()) checkIdentifier(text.get());
    const int handle = network.AddNode(type, text.get());
    if (handle < 0) throwEngineError(env, "AddNode", handle);
    return handle;
}

void DeleteNodeOf(JNIEnv* env, VRX_network& network, int handle) {
    checkNodeHandle(network, handle);
    // The handle is live, so the network cannot refuse it; any other failure is still reported.
    CheckEngineStatus(env, "DeleteNode", network.DeleteNode(handle));
}

// Java loops over the nodes end at -1, whatever negative answer the network gives.
jint NodeOrEnd(int handle) {
    return handle >= 0 ? handle : -1;
}

VRX_intArray AllNodes(const VRX_network& network) {
    VRX_intArray handles;
    // A partial list would silently drop nodes.
    if (network.GetAllNodes(handles) != kSuccess) throw std::bad_alloc();
    return handles;
}

jstring NodeName(JNIEnv* env, const VRX_network& network, int handle) {
    return MakeJavaString(env, NodeHeader(checkNodeHandle(network, handle)).GetName());
}

jstring NodeDescription(JNIEnv* env, const VRX_network& network, int handle) {
    return MakeJavaString(env, NodeHeader(checkNodeHandle(network, handle)).GetComment());
}

void SetNodeId(JNIEnv* env, const VRX_network& network, int handle, jstring id) {
    setHeaderId(env, id, NodeHeader(checkNodeHandle(network, handle)));
}

void SetNodeName(JNIEnv* env, const VRX_network& network, int handle, jstring name) {
    setHeaderName(env, name, NodeHeader(checkNodeHandle(network, handle)));
}

void SetNodeDescription(JNIEnv* env, const VRX_network& network, int handle, jstring description) {
    setHeaderComment(env, description, NodeHeader(checkNodeHandle(network, handle)));
}

jint NodeType(JNIEnv*, const VRX_network& network, int handle) {
    return checkNodeHandle(network, handle).GetType();
}

void SetNodeType(JNIEnv* env, const VRX_network& network, int handle, jint type) {
    CheckEngineStatus(env, "setNodeType", checkNodeHandle(network, handle).ChangeType(type));
}

jint OutcomeCount(JNIEnv*, const VRX_network& network, int handle) {
    return NodeDefinition(checkNodeHandle(network, handle)).GetNumberOfOutcomes();
}

// The outcome identifier's form is checked before the node handle.
void AddOutcome(JNIEnv* env, const VRX_network& network, int handle, jstring outcomeId) {
    const JStringChars id(env, outcomeId);
    checkIdentifier(id.get());
    VRX_nodeDefinition& definition = NodeDefinition(checkNodeHandle(network, handle));
    CheckEngineStatus(env, "AddOutcome", definition.AddOutcome(id.get()));
}

void InsertOutcome(JNIEnv* env, const VRX_network& network, int handle, jint position, jstring outcomeId) {
    const JStringChars id(env, outcomeId);
    checkIdentifier(id.get());
    VRX_nodeDefinition& definition = NodeDefinition(checkNodeHandle(network, handle));
    CheckEngineStatus(env, "InsertOutcome", definition.InsertOutcome(position, id.get()));
}

void DeleteOutcome(JNIEnv* env, const VRX_network& network, int handle, int outcome) {
    VRX_nodeDefinition& definition = NodeDefinition(checkOutcomeIndex(network, handle, outcome));
    CheckEngineStatus(env, "RemoveOutcome", definition.RemoveOutcome(outcome));
}

// The definition applies its own identifier rule.
void RenameOutcome(JNIEnv* env, const VRX_network& network, int handle, jint outcome, jstring outcomeId) {
    VRX_nodeDefinition& definition = NodeDefinition(checkOutcomeIndex(network, handle, outcome));
    const JStringChars id(env, outcomeId);
    CheckEngineStatus(env, "RenameOutcome", definition.RenameOutcome(outcome, id.get()));
}

jobjectArray OutcomeIds(JNIEnv* env, const VRX_network& network, int handle) {
    const VRX_idArray* names = NodeDefinition(checkNodeHandle(network, handle)).GetOutcomesNames();
    if (names != nullptr) return makeStringArray(env, *names);
    // Utility and other kinds without outcomes.
    return makeStringArray(env, VRX_stringArray());
}

}  // namespace

// ---- Identifier, name and description of the network ----

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getId(JNIEnv* env, jobject self) {
    return OnNetwork(env, self,
                     [&](VRX_network& net) { return MakeJavaString(env, NetworkHeader(net).GetId()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setId(JNIEnv* env, jobject self, jstring id) {
    OnNetwork(env, self, [&](VRX_network& net) { setHeaderId(env, id, NetworkHeader(net)); });
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getName(JNIEnv* env, jobject self) {
    return OnNetwork(env, self,
                     [&](VRX_network& net) { return MakeJavaString(env, NetworkHeader(net).GetName()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setName(JNIEnv* env, jobject self, jstring name) {
    OnNetwork(env, self, [&](VRX_network& net) { setHeaderName(env, name, NetworkHeader(net)); });
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getDescription(JNIEnv* env, jobject self) {
    return OnNetwork(env, self,
                     [&](VRX_network& net) { return MakeJavaString(env, NetworkHeader(net).GetComment()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setDescription(JNIEnv* env, jobject self,
                                                                    jstring description) {
    OnNetwork(env, self, [&](VRX_network& net) { setHeaderComment(env, description, NetworkHeader(net)); });
}

// ---- Nodes ----

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_addNode__ILjava_lang_String_2(JNIEnv* env, jobject self,
                                                                                   jint type, jstring id) {
    return OnNetwork(env, self, [&](VRX_network& net) { return AddNodeOf(env, net, type, id); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_addNode__I(JNIEnv* env, jobject self, jint type) {
    return OnNetwork(env, self, [&](VRX_network& net) { return AddNodeOf(env, net, type, nullptr); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteNode__I(JNIEnv* env, jobject self, jint h) {
    OnNode(env, self, h, DeleteNodeOf);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteNode__Ljava_lang_String_2(JNIEnv* env,
                                                                                     jobject self,
                                                                                     jstring id) {
    OnNodeId(env, self, id, DeleteNodeOf);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getNodeCount(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [](VRX_network& net) -> jint { return net.GetNumberOfNodes(); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getFirstNode(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [](VRX_network& net) { return NodeOrEnd(net.GetFirstNode()); });
}

// The handle is not checked: the next live slot after a deleted node's slot is a valid answer. A handle
// at or beyond the slot count has no next node; it must not reach the network, whose scan starts at
// handle + 1 and would overflow for the largest int.
extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getNextNode(JNIEnv* env, jobject self, jint h) {
    return OnNetwork(env, self, [h](VRX_network& net) {
        return h >= net.GetNumberOfSlots() ? jint{-1} : NodeOrEnd(net.GetNextNode(h));
    });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getNode(JNIEnv* env, jobject self, jstring id) {
    return OnNodeId(env, self, id, [](JNIEnv*, VRX_network&, int h) -> jint { return h; });
}

extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_Network_getAllNodes(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [&](VRX_network& net) { return makeIntArray(env, AllNodes(net)); });
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getAllNodeIds(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [&](VRX_network& net) { return makeNodeIdArray(env, net, AllNodes(net)); });
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getNodeId(JNIEnv* env, jobject self, jint h) {
    return OnNetwork(env, self,
                     [&](VRX_network& net) { return MakeJavaString(env, checkNodeHandle(net, h).GetId()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeId__ILjava_lang_String_2(JNIEnv* env,
                                                                                     jobject self, jint h,
                                                                                     jstring id) {
    OnNode(env, self, h, SetNodeId, id);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeId__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring nodeId, jstring id) {
    OnNodeId(env, self, nodeId, SetNodeId, id);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getNodeName__I(JNIEnv* env, jobject self, jint h) {
    return OnNode(env, self, h, NodeName);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getNodeName__Ljava_lang_String_2(JNIEnv* env,
                                                                                         jobject self,
                                                                                         jstring id) {
    return OnNodeId(env, self, id, NodeName);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeName__ILjava_lang_String_2(JNIEnv* env,
                                                                                       jobject self, jint h,
                                                                                       jstring name) {
    OnNode(env, self, h, SetNodeName, name);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeName__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring id, jstring name) {
    OnNodeId(env, self, id, SetNodeName, name);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getNodeDescription__I(JNIEnv* env, jobject self,
                                                                              jint h) {
    return OnNode(env, self, h, NodeDescription);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getNodeDescription__Ljava_lang_String_2(JNIEnv* env,
                                                                                                jobject self,
                                                                                                jstring id) {
    return OnNodeId(env, self, id, NodeDescription);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeDescription__ILjava_lang_String_2(
    JNIEnv* env, jobject self, jint h, jstring description) {
    OnNode(env, self, h, SetNodeDescription, description);
}

extern "C" JNIEXPORT void JNICALL
Java_tarvo_Network_setNodeDescription__Ljava_lang_String_2Ljava_lang_String_2(JNIEnv* env, jobject self,
                                                                              jstring id,
                                                                              jstring description) {
    OnNodeId(env, self, id, SetNodeDescription, description);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getNodeType__I(JNIEnv* env, jobject self, jint h) {
    return OnNode(env, self, h, NodeType);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getNodeType__Ljava_lang_String_2(JNIEnv* env,
                                                                                      jobject self,
                                                                                      jstring id) {
    return OnNodeId(env, self, id, NodeType);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeType__II(JNIEnv* env, jobject self, jint h,
                                                                     jint type) {
    OnNode(env, self, h, SetNodeType, type);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeType__Ljava_lang_String_2I(JNIEnv* env,
                                                                                       jobject self,
                                                                                       jstring id,
                                                                                       jint type) {
    OnNodeId(env, self, id, SetNodeType, type);
}

// ---- Ordinary arcs: handles check the parent first, identifiers resolve the child first ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_addArc__II(JNIEnv* env, jobject self, jint parent,
                                                                jint child) {
    OnNetwork(env, self, [&](VRX_network& net) { addArcOfKind(env, net, parent, child, 0); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_addArc__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring parentId, jstring childId) {
    OnNodeId(env, self, childId, [&](JNIEnv*, VRX_network& net, int child) {
        addArcOfKind(env, net, nodeHandleFromId(env, net, parentId), child, 0);
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteArc__II(JNIEnv* env, jobject self, jint parent,
                                                                   jint child) {
    OnNetwork(env, self, [&](VRX_network& net) { deleteArcOfKind(env, net, parent, child, 0); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteArc__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring parentId, jstring childId) {
    OnNodeId(env, self, childId, [&](JNIEnv*, VRX_network& net, int child) {
        deleteArcOfKind(env, net, nodeHandleFromId(env, net, parentId), child, 0);
    });
}

extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_Network_getParents__I(JNIEnv* env, jobject self, jint h) {
    return OnNode(env, self, h, getParentsOfKind, 0);
}

extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_Network_getParents__Ljava_lang_String_2(JNIEnv* env,
                                                                                          jobject self,
                                                                                          jstring id) {
    return OnNodeId(env, self, id, getParentsOfKind, 0);
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getParentIds__I(JNIEnv* env, jobject self,
                                                                             jint h) {
    return OnNode(env, self, h, getParentIdsOfKind, 0);
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getParentIds__Ljava_lang_String_2(JNIEnv* env,
                                                                                               jobject self,
                                                                                               jstring id) {
    return OnNodeId(env, self, id, getParentIdsOfKind, 0);
}

extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_Network_getChildren__I(JNIEnv* env, jobject self, jint h) {
    return OnNode(env, self, h, getChildrenOfKind, 0);
}

extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_Network_getChildren__Ljava_lang_String_2(JNIEnv* env,
                                                                                           jobject self,
                                                                                           jstring id) {
    return OnNodeId(env, self, id, getChildrenOfKind, 0);
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getChildIds__I(JNIEnv* env, jobject self,
                                                                            jint h) {
    return OnNode(env, self, h, getChildIdsOfKind, 0);
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getChildIds__Ljava_lang_String_2(JNIEnv* env,
                                                                                              jobject self,
                                                                                              jstring id) {
    return OnNodeId(env, self, id, getChildIdsOfKind, 0);
}

// ---- Outcomes: the node identifier is resolved first, then the outcome identifier ----

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getOutcomeCount__I(JNIEnv* env, jobject self, jint h) {
    return OnNode(env, self, h, OutcomeCount);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getOutcomeCount__Ljava_lang_String_2(JNIEnv* env,
                                                                                          jobject self,
                                                                                          jstring id) {
    return OnNodeId(env, self, id, OutcomeCount);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_addOutcome__ILjava_lang_String_2(JNIEnv* env,
                                                                                      jobject self, jint h,
                                                                                      jstring outcomeId) {
    OnNode(env, self, h, AddOutcome, outcomeId);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_addOutcome__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring id, jstring outcomeId) {
    OnNodeId(env, self, id, AddOutcome, outcomeId);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_insertOutcome__IILjava_lang_String_2(
    JNIEnv* env, jobject self, jint h, jint position, jstring outcomeId) {
    OnNode(env, self, h, InsertOutcome, position, outcomeId);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_insertOutcome__Ljava_lang_String_2ILjava_lang_String_2(
    JNIEnv* env, jobject self, jstring id, jint position, jstring outcomeId) {
    OnNodeId(env, self, id, InsertOutcome, position, outcomeId);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteOutcome__II(JNIEnv* env, jobject self, jint h,
                                                                       jint o) {
    OnNode(env, self, h, DeleteOutcome, o);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteOutcome__Ljava_lang_String_2I(JNIEnv* env,
                                                                                         jobject self,
                                                                                         jstring id, jint o) {
    OnNodeId(env, self, id, DeleteOutcome, o);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteOutcome__ILjava_lang_String_2(JNIEnv* env,
                                                                                         jobject self, jint h,
                                                                                         jstring outcomeId) {
    OnNode(env, self, h, ByOutcomeId<DeleteOutcome>, outcomeId);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteOutcome__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring id, jstring outcomeId) {
    OnNodeId(env, self, id, ByOutcomeId<DeleteOutcome>, outcomeId);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setOutcomeId__IILjava_lang_String_2(JNIEnv* env,
                                                                                         jobject self, jint h,
                                                                                         jint o,
                                                                                         jstring outcomeId) {
    OnNode(env, self, h, RenameOutcome, o, outcomeId);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setOutcomeId__Ljava_lang_String_2ILjava_lang_String_2(
    JNIEnv* env, jobject self, jstring id, jint o, jstring outcomeId) {
    OnNodeId(env, self, id, RenameOutcome, o, outcomeId);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getOutcomeId__II(JNIEnv* env, jobject self, jint h,
                                                                         jint o) {
    return OnNode(env, self, h, OutcomeIdOf, o);
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_Network_getOutcomeId__Ljava_lang_String_2I(JNIEnv* env,
                                                                                           jobject self,
                                                                                           jstring id,
                                                                                           jint o) {
    return OnNodeId(env, self, id, OutcomeIdOf, o);
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getOutcomeIds__I(JNIEnv* env, jobject self,
                                                                              jint h) {
    return OnNode(env, self, h, OutcomeIds);
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getOutcomeIds__Ljava_lang_String_2(JNIEnv* env,
                                                                                                jobject self,
                                                                                                jstring id) {
    return OnNodeId(env, self, id, OutcomeIds);
}
