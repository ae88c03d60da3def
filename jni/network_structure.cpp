// Network natives of the network's identity and of its nodes, ordinary arcs and outcomes.
#include <new>
#include <stdexcept>
#include <string>

#include "base/id_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/jni_network_ops.h"
#include "jni/network_natives.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/node_label.h"
#include "model/refusal_reasons.h"
#include "tarvo_Network.h"

using vovido::ByOutcomeId;
using vovido::CheckEngineStatus;
using vovido::MakeJavaString;
using vovido::NetworkHeader;
using vovido::NodeDefinition;
using vovido::NodeHeader;
using vovido::NodeIdText;
using vovido::OnNetwork;
using vovido::OutcomeIdOf;
using vovido::WithLast;

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
    const JStringChars text(env, id, "nodeId", JStringChars::AllowNull{});
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

// A kind without outcomes is refused: its status is no count.
jint OutcomeCount(JNIEnv* env, const VRX_network& network, int handle) {
    VRX_node& node = checkNodeHandle(network, handle);
    const int count = NodeDefinition(node).GetNumberOfOutcomes();
    if (count < 0 && vovido::FindFixedOutcomeRuleBroken(node) == vovido::OutcomeRule::kNoOutcomes)
        CheckEngineStatus(env, "GetNumberOfOutcomes",
                          vovido::RefuseOutcomeEdit(node, vovido::OutcomeRule::kNoOutcomes, -1, nullptr));
    CheckEngineStatus(env, "GetNumberOfOutcomes", count < 0 ? count : kSuccess);
    return count;
}

// The outcome identifier's form is checked before the node handle.
void AddOutcome(JNIEnv* env, const VRX_network& network, int handle, jstring outcomeId) {
    const JStringChars id(env, outcomeId, "outcomeId");
    checkIdentifier(id.get());
    VRX_node& node = checkNodeHandle(network, handle);
    VRX_nodeDefinition& definition = NodeDefinition(node);
    const vovido::OutcomeRule fixed = vovido::FindFixedOutcomeRuleBroken(node);
    if (fixed != vovido::OutcomeRule::kNone)
        CheckEngineStatus(env, "AddOutcome", vovido::RefuseOutcomeEdit(node, fixed, -1, id.get()));
    CheckEngineStatus(env, "AddOutcome", definition.AddOutcome(id.get()));
}

void InsertOutcome(JNIEnv* env, const VRX_network& network, int handle, jint position, jstring outcomeId) {
    const JStringChars id(env, outcomeId, "outcomeId");
    checkIdentifier(id.get());
    VRX_node& node = checkNodeHandle(network, handle);
    VRX_nodeDefinition& definition = NodeDefinition(node);
    const int count = definition.GetNumberOfOutcomes();
    const vovido::OutcomeRule fixed = vovido::FindFixedOutcomeRuleBroken(node);
    if (fixed != vovido::OutcomeRule::kNone)
        CheckEngineStatus(env, "InsertOutcome", vovido::RefuseOutcomeEdit(node, fixed, position, id.get()));
    const vovido::OutcomeRule broken = vovido::FindOutcomeInsertRuleBroken(count, position);
    // A kind without outcomes answers its own code instead.
    if (count >= 0 && broken != vovido::OutcomeRule::kNone)
        CheckEngineStatus(env, "InsertOutcome", vovido::RefuseOutcomeEdit(node, broken, position, id.get()));
    CheckEngineStatus(env, "InsertOutcome", definition.InsertOutcome(position, id.get()));
}

void DeleteOutcome(JNIEnv* env, const VRX_network& network, int handle, int outcome) {
    VRX_node& node = checkOutcomeIndex(network, handle, outcome);
    VRX_nodeDefinition& definition = NodeDefinition(node);
    const vovido::OutcomeRule broken =
        vovido::FindOutcomeRemovalRuleBroken(definition.GetNumberOfOutcomes(), outcome);
    if (broken != vovido::OutcomeRule::kNone)
        CheckEngineStatus(env, "RemoveOutcome", vovido::RefuseOutcomeEdit(node, broken, outcome, nullptr));
    CheckEngineStatus(env, "RemoveOutcome", definition.RemoveOutcome(outcome));
}

// The definition applies its own identifier rule.
void RenameOutcome(JNIEnv* env, const VRX_network& network, int handle, jint outcome, jstring outcomeId) {
    VRX_node& node = checkOutcomeIndex(network, handle, outcome);
    VRX_nodeDefinition& definition = NodeDefinition(node);
    const JStringChars id(env, outcomeId, "id");
    const vovido::OutcomeRule fixed = vovido::FindFixedOutcomeRuleBroken(node);
    if (fixed != vovido::OutcomeRule::kNone)
        CheckEngineStatus(env, "RenameOutcome", vovido::RefuseOutcomeEdit(node, fixed, outcome, id.get()));
    if (const VRX_idArray* names = definition.GetOutcomesNames()) {
        const vovido::OutcomeRule broken = vovido::FindOutcomeIdRuleBroken(*names, id.get(), outcome);
        if (broken != vovido::OutcomeRule::kNone)
            CheckEngineStatus(env, "RenameOutcome",
                              vovido::RefuseOutcomeEdit(node, broken, outcome, id.get()));
    }
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

VOVIDO_NODE_NATIVES(void, deleteNode, , DeleteNodeOf)

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
    return vovido::OnId<nodeHandleFromId>(env, self, id,
                                          [](JNIEnv*, VRX_network&, int h) -> jint { return h; });
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

VOVIDO_NODE_NATIVES(void, setNodeId, Ljava_lang_String_2, SetNodeId, jstring)
VOVIDO_NODE_NATIVES(jstring, getNodeName, , NodeName)
VOVIDO_NODE_NATIVES(void, setNodeName, Ljava_lang_String_2, SetNodeName, jstring)
VOVIDO_NODE_NATIVES(jstring, getNodeDescription, , NodeDescription)
VOVIDO_NODE_NATIVES(void, setNodeDescription, Ljava_lang_String_2, SetNodeDescription, jstring)
VOVIDO_NODE_NATIVES(jint, getNodeType, , NodeType)
VOVIDO_NODE_NATIVES(void, setNodeType, I, SetNodeType, jint)

// ---- Ordinary arcs: handles check the parent first, identifiers resolve the child first ----

VOVIDO_ARC_NATIVES(void, addArc, , (WithLast<addArcOfKind, 0>))
VOVIDO_ARC_NATIVES(void, deleteArc, , (WithLast<deleteArcOfKind, 0>))
VOVIDO_NODE_NATIVES(jintArray, getParents, , (WithLast<getParentsOfKind, 0>))
VOVIDO_NODE_NATIVES(jobjectArray, getParentIds, , (WithLast<getParentIdsOfKind, 0>))
VOVIDO_NODE_NATIVES(jintArray, getChildren, , (WithLast<getChildrenOfKind, 0>))
VOVIDO_NODE_NATIVES(jobjectArray, getChildIds, , (WithLast<getChildIdsOfKind, 0>))

// ---- Outcomes: the node identifier is resolved first, then the outcome identifier ----

VOVIDO_NODE_NATIVES(jint, getOutcomeCount, , OutcomeCount)
VOVIDO_NODE_NATIVES(void, addOutcome, Ljava_lang_String_2, AddOutcome, jstring)
VOVIDO_NODE_NATIVES(void, insertOutcome, ILjava_lang_String_2, InsertOutcome, jint, jstring)
VOVIDO_NODE_NATIVES(void, deleteOutcome, I, DeleteOutcome, jint)
VOVIDO_NODE_NATIVES(void, deleteOutcome, Ljava_lang_String_2, ByOutcomeId<DeleteOutcome>, jstring)
VOVIDO_NODE_NATIVES(void, setOutcomeId, ILjava_lang_String_2, RenameOutcome, jint, jstring)
VOVIDO_NODE_NATIVES(jstring, getOutcomeId, I, OutcomeIdOf, jint)
VOVIDO_NODE_NATIVES(jobjectArray, getOutcomeIds, , OutcomeIds)
