// Network natives of continuous evidence: the observed value of an equation node.
#include "base/status_codes.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "tarvo_Network.h"

using vovido::CheckEngineStatus;
using vovido::NodeValue;

namespace {

// Reported under the name of discrete evidence: a node without continuous values refuses with kWrongNodeType.
void SetContEvidence(JNIEnv* env, const VRX_network& network, int handle, jdouble observed) {
    VRX_node& node = checkNodeHandle(network, handle);
    const int rc = NodeValue(node).SetContEvidence(observed);
    if (rc == kWrongNodeType)
        (void)vovido::ReportNodeFault(node, "only a continuous node takes a number as evidence", rc);
    CheckEngineStatus(env, "SetEvidence", rc);
}

// Only nodes with evidence are asked; a value that keeps no number (a discrete one) gives 0.
jdouble GetContEvidence(JNIEnv*, const VRX_network& network, int handle) {
    VRX_node& node = checkNodeHandle(network, handle);
    checkHasEvidence(node);
    double observed = 0.0;
    if (NodeValue(node).GetContEvidence(observed) != 0) observed = 0.0;
    return observed;
}

}  // namespace

VOVIDO_NODE_NATIVES(void, setContEvidence, D, SetContEvidence, jdouble)
VOVIDO_NODE_NATIVES(jdouble, getContEvidence, , GetContEvidence)
