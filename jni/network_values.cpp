// Network natives that read what belief updating computed for a node.
#include <stdexcept>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "definitions/continuous_values.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tarvo_Network.h"

using vovido::MakeDoubleArray;
using vovido::NodeIdText;
using vovido::NodeValue;

namespace {

// The items of the value matrix in its own order: beliefs of a chance node, expected utilities of a
// decision. A value that is not up to date is refused rather than handed out stale.
jdoubleArray NodeValueItems(JNIEnv* env, const VRX_network& network, int handle) {
    VRX_node& node = checkNodeHandle(network, handle);
    VRX_nodeValue& value = NodeValue(node);
    if (!value.IsUpToDate()) {
        throw std::runtime_error(std::string("Value not valid - node '") + NodeIdText(node) + "'");
    }
    // An equation node: mean and deviation, then value and weight of each kept sample unless the value is
    // exact (deviation 0).
    if (const auto* evaluation = dynamic_cast<const VRX_valEqEvaluation*>(&value)) {
        std::vector<double> items{evaluation->GetMean(), evaluation->GetStdDev()};
        if (evaluation->GetStdDev() != 0.0) {
            for (const WeightedSample& sample : evaluation->GetSamples()) {
                items.push_back(sample.value);
                items.push_back(sample.weight);
            }
        }
        return MakeDoubleArray(env, items.data(), static_cast<int>(items.size()));
    }
    VRX_Dmatrix* matrix = nullptr;
    const int status = value.GetValue(matrix);
    if (status != 0) throwEngineError(env, "GetValue", status);
    if (matrix == nullptr) return MakeDoubleArray(env, nullptr, 0);
    return makeDoubleArray(env, matrix->GetItems());
}

jboolean IsValueValid(JNIEnv*, const VRX_network& network, int handle) {
    const VRX_nodeValue* value = checkNodeHandle(network, handle).GetValue();
    return value != nullptr && value->IsUpToDate() ? JNI_TRUE : JNI_FALSE;
}

}  // namespace

VOVIDO_NODE_NATIVES(jdoubleArray, getNodeValue, , NodeValueItems)
VOVIDO_NODE_NATIVES(jboolean, isValueValid, , IsValueValid)
