// Network natives of user properties (of the network and of nodes) and of documentation (of nodes and of
// their outcomes). Each setter replaces the whole list.
#include <new>
#include <stdexcept>
#include <string>

#include "base/status_codes.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/documentation.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/user_properties.h"
#include "tarvo_Network.h"

using vovido::NodeIdText;
using vovido::OnNetwork;

using vovido::NodeInfo;

namespace {

// The array is read into a fresh list that replaces the documents only once every element was read, so
// an array that is refused part-way (a null element) leaves the documents as they were.
void ReplaceDocuments(JNIEnv* env, jobjectArray items, VRX_documentation& documents) {
    VRX_documentation read;
    readDocItemArray(env, items, read);
    if (documents.Copy(read) != kSuccess) throw std::bad_alloc();
}

VRX_nodeInfo& InfoOf(const VRX_network& network, int handle) {
    return NodeInfo(checkNodeHandle(network, handle));
}

jobjectArray NodeProperties(JNIEnv* env, const VRX_network& network, int handle) {
    return makeUserPropertyArray(env, InfoOf(network, handle).userProperties);
}

void SetNodeProperties(JNIEnv* env, const VRX_network& network, int handle, jobjectArray properties) {
    readUserPropertyArray(env, properties, InfoOf(network, handle).userProperties);
}

jobjectArray NodeDocuments(JNIEnv* env, const VRX_network& network, int handle) {
    return makeDocItemArray(env, InfoOf(network, handle).documentation);
}

void SetNodeDocuments(JNIEnv* env, const VRX_network& network, int handle, jobjectArray documents) {
    ReplaceDocuments(env, documents, InfoOf(network, handle).documentation);
}

// The documents of an outcome live in the node's diagnostic record, one list per outcome; a record not
// in step with the outcomes has none to give rather than a list of another outcome.
VRX_documentation& OutcomeDocumentsOf(const VRX_network& network, int handle, int outcome) {
    VRX_node& node = checkOutcomeIndex(network, handle, outcome);
    VRX_extraDefinition* extra = node.GetExtraDefinition();
    VRX_documentation* documents = extra != nullptr ? extra->GetOutcomeDocumentation(outcome) : nullptr;
    if (documents == nullptr) {
        std::string text = std::string("Node '") + NodeIdText(node) + "' has no documentation for outcome ";
        appendInt(text, outcome);
        throw std::runtime_error(text);
    }
    return *documents;
}

jobjectArray OutcomeDocuments(JNIEnv* env, const VRX_network& network, int handle, int outcome) {
    return makeDocItemArray(env, OutcomeDocumentsOf(network, handle, outcome));
}

void SetOutcomeDocuments(JNIEnv* env, const VRX_network& network, int handle, int outcome,
                         jobjectArray documents) {
    ReplaceDocuments(env, documents, OutcomeDocumentsOf(network, handle, outcome));
}

// The outcome forms that take the outcome by identifier, resolved after the node.
jobjectArray OutcomeDocumentsById(JNIEnv* env, const VRX_network& network, int handle, jstring outcomeId) {
    return OutcomeDocuments(env, network, handle, outcomeIndexFromId(env, network, handle, outcomeId));
}

void SetOutcomeDocumentsById(JNIEnv* env, const VRX_network& network, int handle, jstring outcomeId,
                             jobjectArray documents) {
    SetOutcomeDocuments(env, network, handle, outcomeIndexFromId(env, network, handle, outcomeId), documents);
}

}  // namespace

// ---- User properties ----

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_Network_getUserProperties(JNIEnv* env, jobject self) {
    return OnNetwork(env, self,
                     [&](VRX_network& net) { return makeUserPropertyArray(env, net.userProperties); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setUserProperties(JNIEnv* env, jobject self,
                                                                       jobjectArray properties) {
    OnNetwork(env, self,
              [&](VRX_network& net) { readUserPropertyArray(env, properties, net.userProperties); });
}

VOVIDO_NODE_NATIVES(jobjectArray, getNodeUserProperties, , NodeProperties)
VOVIDO_NODE_NATIVES(void, setNodeUserProperties, _3Ltarvo_UserProperty_2, SetNodeProperties, jobjectArray)

// ---- Documentation of nodes ----

VOVIDO_NODE_NATIVES(jobjectArray, getNodeDocumentation, , NodeDocuments)
VOVIDO_NODE_NATIVES(void, setNodeDocumentation, _3Ltarvo_DocItemInfo_2, SetNodeDocuments, jobjectArray)

// ---- Documentation of outcomes: the node is resolved first, then the outcome ----

VOVIDO_NODE_NATIVES(jobjectArray, getOutcomeDocumentation, I, OutcomeDocuments, jint)
VOVIDO_NODE_NATIVES(jobjectArray, getOutcomeDocumentation, Ljava_lang_String_2, OutcomeDocumentsById, jstring)
VOVIDO_NODE_NATIVES(void, setOutcomeDocumentation, I_3Ltarvo_DocItemInfo_2, SetOutcomeDocuments, jint,
                    jobjectArray)
VOVIDO_NODE_NATIVES(void, setOutcomeDocumentation, Ljava_lang_String_2_3Ltarvo_DocItemInfo_2,
                    SetOutcomeDocumentsById, jstring, jobjectArray)
