// Network natives of costs: cost arcs (arc kind 1) and the cost table of a node.
#include <cmath>
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
using vovido::ReadDoubleArray;
using vovido::WithLast;

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
    // A negative cost is taken (the rankings count it as 0); an infinite one would make every score
    // infinite.
    for (int i = 0; i < length; ++i) {
        const double cost = read[static_cast<size_t>(i)];
        if (std::isfinite(cost)) continue;
        std::string text = std::string("Invalid cost for node '") + NodeIdText(node) + "': element ";
        appendInt(text, i);
        text += std::isnan(cost) ? " is NaN" : cost > 0 ? " is infinite" : " is minus infinity";
        text += "; a cost must be a finite number";
        throw std::invalid_argument(text);
    }
    for (int i = 0; i < length; ++i) items[i] = read[static_cast<size_t>(i)];
}

}  // namespace

// ---- Cost arcs: handles check the parent first, identifiers resolve the child first ----

VOVIDO_ARC_NATIVES(void, addCostArc, , (WithLast<addArcOfKind, kCostArc>))
VOVIDO_ARC_NATIVES(void, deleteCostArc, , (WithLast<deleteArcOfKind, kCostArc>))
VOVIDO_NODE_NATIVES(jintArray, getCostParents, , (WithLast<getParentsOfKind, kCostArc>))
VOVIDO_NODE_NATIVES(jobjectArray, getCostParentIds, , (WithLast<getParentIdsOfKind, kCostArc>))
VOVIDO_NODE_NATIVES(jintArray, getCostChildren, , (WithLast<getChildrenOfKind, kCostArc>))
VOVIDO_NODE_NATIVES(jobjectArray, getCostChildIds, , (WithLast<getChildIdsOfKind, kCostArc>))

// ---- Cost table ----

VOVIDO_NODE_NATIVES(jdoubleArray, getNodeCost, , GetCost)
VOVIDO_NODE_NATIVES(void, setNodeCost, _3D, SetCost, jdoubleArray)
