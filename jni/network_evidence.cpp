// Network natives of discrete evidence: setting, reading and clearing the observed outcome of nodes.
#include <stdexcept>
#include <string>

#include "base/error_log.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "model/refusal_reasons.h"
#include "tarvo_Network.h"

using vovido::ByOutcomeId;
using vovido::CheckEngineStatus;
using vovido::EvidenceOf;
using vovido::NodeIdText;
using vovido::NodeValue;
using vovido::OnNetwork;
using vovido::OutcomeIdOf;
using vovido::WithLast;

VRX_nodeValue& vovido::NodeValue(VRX_node& node) {
    if (node.GetValue() == nullptr) {
        throw std::runtime_error(std::string("Node '") + NodeIdText(node) + "' has no value");
    }
    return *node.GetValue();
}

int vovido::EvidenceOf(JNIEnv* env, const VRX_network& network, int handle) {
    VRX_node& node = checkNodeHandle(network, handle);
    checkHasEvidence(node);
    const int outcome = NodeValue(node).GetEvidence();
    if (outcome == kWrongNodeType)
        (void)vovido::ReportNodeFault(node, "it has no outcomes, its evidence is a number (getContEvidence)",
                                      outcome);
    if (outcome < 0) throwEngineError(env, "GetEvidence", outcome);
    return outcome;
}

namespace {

void SetEvidence(JNIEnv* env, const VRX_network& network, int handle, int outcome) {
    VRX_nodeValue& value = NodeValue(checkOutcomeIndex(network, handle, outcome));
    const int logged = errorLog.GetNumberOfEntries();
    const int status = value.SetEvidence(outcome);
    CheckEngineStatus(env, "SetEvidence",
                      vovido::ExplainEvidenceRefusal(network, handle, outcome, status, logged));
}

jstring EvidenceIdOf(JNIEnv* env, const VRX_network& network, int handle) {
    const int outcome = EvidenceOf(env, network, handle);
    return outcome >= 0 ? OutcomeIdOf(env, network, handle, outcome) : nullptr;
}

// Whether the node's value has one of the evidence bits (observed, propagated); no value, no evidence.
jboolean HasEvidenceBits(JNIEnv*, const VRX_network& network, int handle, uint32_t bits) {
    const VRX_nodeValue* value = checkNodeHandle(network, handle).GetValue();
    return value != nullptr && (value->GetValueFlags() & bits) != 0 ? JNI_TRUE : JNI_FALSE;
}

constexpr uint32_t kAnyEvidence = ValueFlags::kEvidence | ValueFlags::kPropagatedEvidence;

// Clearing what is not there is refused with the engine's status, the reason first, naming the node.
void ClearEvidence(JNIEnv* env, const VRX_network& network, int handle) {
    VRX_node& node = checkNodeHandle(network, handle);
    VRX_nodeValue& value = NodeValue(node);
    const int rc = value.ClearEvidence();
    if (rc == kWrongNodeType) {
        (void)vovido::ReportNodeFault(node, vovido::KindNodeText(node.GetDefinition()) + " takes no evidence",
                                      rc);
    } else if (rc != kSuccess && value.HasFlag(ValueFlags::kPropagatedEvidence)) {
        (void)vovido::ReportNodeFault(
            node, "it has no evidence of its own to clear: the evidence of other nodes fixes its outcome",
            rc);
    } else if (rc != kSuccess) {
        (void)vovido::ReportNodeFault(node, "it has no evidence to clear", rc);
    }
    CheckEngineStatus(env, "ClearEvidence", rc);
}

}  // namespace

VOVIDO_NODE_NATIVES(void, setEvidence, I, SetEvidence, jint)
VOVIDO_NODE_NATIVES(void, setEvidence, Ljava_lang_String_2, ByOutcomeId<SetEvidence>, jstring)
VOVIDO_NODE_NATIVES(jint, getEvidence, , EvidenceOf)
VOVIDO_NODE_NATIVES(jstring, getEvidenceId, , EvidenceIdOf)
VOVIDO_NODE_NATIVES(jboolean, isEvidence, , (WithLast<HasEvidenceBits, kAnyEvidence>))
VOVIDO_NODE_NATIVES(jboolean, isRealEvidence, , (WithLast<HasEvidenceBits, ValueFlags::kEvidence>))
VOVIDO_NODE_NATIVES(jboolean, isPropagatedEvidence, ,
                    (WithLast<HasEvidenceBits, ValueFlags::kPropagatedEvidence>))
VOVIDO_NODE_NATIVES(void, clearEvidence, , ClearEvidence)

// The network's status is not examined: clearing what is not set is no failure here.
extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_clearAllEvidence(JNIEnv* env, jobject self) {
    OnNetwork(env, self, [](VRX_network& net) { net.ClearAllEvidence(); });
}
