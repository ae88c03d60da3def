// Network natives of costs: cost arcs (arc kind 1) and the cost table of a node.
#include <stdexcept>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "definitions/node_cost.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/jni_network_ops.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "tarvo_Network.h"

using vovido::NodeIdText;
using vovido::OnNetwork;
using vovido::OnNode;
using vovido::OnNodeId;
using vovido::ReadDoubleArray;

namespace {

constexpr int kCostArc = 1;

VRX_doubleArray& CostItems(VRX_node& node) {
    VRX_nodeCost* cost = node.GetCost();
    if (cost == nullptr) throw std::runtime_error(std::string("Node '") + NodeIdText(node) + "' has no cost");
    return cost->GetCosts()->GetItems();
}

jdoubleArray GetCost(JNIEnv* env, const VRX_network& network, int handle) {
    return makeDoubleArray(env, CostItems(checkNodeHandle(network, handle)));
}

// Written straight into the table: its shape follows the cost parents, so only the count is checked.
void SetCost(JNIEnv* env, const VRX_network& network, int handle, jdoubleArray values) {
    VRX_node& node = checkNodeHandle(network, handle);
    VRX_doubleArray& items = CostItems(node);
    const std::vector<jdouble> read = ReadDoubleArray(env, values);
    const int length = static_cast<int>(read.size());
    if (length != items.GetSize()) {
        std::string text =
            std::string("Invalid cost array size for node '") + NodeIdText(node) + "': expected ";
        appendInt(text, items.GetSize());
        text += " and got ";
        appendInt(text, length);
        throw std::invalid_argument(text);
    }
    for (int i = 0; i < length; ++i) items[i] = read[static_cast<size_t>(i)];
}

}  // namespace

// ---- Cost arcs: handles check the parent first, identifiers resolve the child first ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_addCostArc__II(JNIEnv* env, jobject self, jint parent,
                                                                    jint child) {
    OnNetwork(env, self, [&](VRX_network& net) { addArcOfKind(env, net, parent, child, kCostArc); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_addCostArc__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring parentId, jstring childId) {
    OnNodeId(env, self, childId, [&](JNIEnv*, VRX_network& net, int child) {
        addArcOfKind(env, net, nodeHandleFromId(env, net, parentId), child, kCostArc);
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteCostArc__II(JNIEnv* env, jobject self, jint parent,
                                                                       jint child) {
    OnNetwork(env, self, [&](VRX_network& net) { deleteArcOfKind(env, net, parent, child, kCostArc); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteCostArc__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring parentId, jstring childId) {
    OnNodeId(env, self, childId, [&](JNIEnv*, VRX_network& net, int child) {
        deleteArcOfKind(env, net, nodeHandleFromId(env, net, parentId), child, kCostArc);
    });
}

extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_Network_getCostParents__I(JNIEnv* env, jobject self,
                                                                            jint h) {
    return OnNode(env, self, h, getParentsOfKind, kCostArc);
}

extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_Network_getCostParents__Ljava_lang_String_2(JNIEnv* env,
                                                                                              jobject self,
                                                                                              jstring id) {
    return OnNodeId(env, self, id, getParentsOfKind, kCostArc);
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getCostParentIds__I(JNIEnv* env, jobject self,
                                                                                 jint h) {
    return OnNode(env, self, h, getParentIdsOfKind, kCostArc);
}

extern "C" JNIEXPORT jobjectArray JNICALL
Java_tarvo_Network_getCostParentIds__Ljava_lang_String_2(JNIEnv* env, jobject self, jstring id) {
    return OnNodeId(env, self, id, getParentIdsOfKind, kCostArc);
}

extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_Network_getCostChildren__I(JNIEnv* env, jobject self,
                                                                             jint h) {
    return OnNode(env, self, h, getChildrenOfKind, kCostArc);
}

extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_Network_getCostChildren__Ljava_lang_String_2(JNIEnv* env,
                                                                                               jobject self,
                                                                                               jstring id) {
    return OnNodeId(env, self, id, getChildrenOfKind, kCostArc);
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getCostChildIds__I(JNIEnv* env, jobject self,
                                                                                jint h) {
    return OnNode(env, self, h, getChildIdsOfKind, kCostArc);
}

extern "C" JNIEXPORT jobjectArray JNICALL
Java_tarvo_Network_getCostChildIds__Ljava_lang_String_2(JNIEnv* env, jobject self, jstring id) {
    return OnNodeId(env, self, id, getChildIdsOfKind, kCostArc);
}

// ---- Cost table ----

extern "C" JNIEXPORT jdoubleArray JNICALL Java_tarvo_Network_getNodeCost__I(JNIEnv* env, jobject self,
                                                                            jint h) {
    return OnNode(env, self, h, GetCost);
}

extern "C" JNIEXPORT jdoubleArray JNICALL Java_tarvo_Network_getNodeCost__Ljava_lang_String_2(JNIEnv* env,
                                                                                              jobject self,
                                                                                              jstring id) {
    return OnNodeId(env, self, id, GetCost);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeCost__I_3D(JNIEnv* env, jobject self, jint h,
                                                                       jdoubleArray cost) {
    OnNode(env, self, h, SetCost, cost);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeCost__Ljava_lang_String_2_3D(JNIEnv* env,
                                                                                         jobject self,
                                                                                         jstring id,
                                                                                         jdoubleArray cost) {
    OnNodeId(env, self, id, SetCost, cost);
}
