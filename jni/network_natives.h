#pragma once
// What the Network natives of several sources share: running a body on the network by node handle or
// identifier, reaching a node's parts, and the work of natives that other natives reuse (a native never
// calls another native).

#include <jni.h>

#include "jni/jni_checks.h"
#include "jni/jni_frame.h"

class VRX_header;
class VRX_network;
class VRX_node;
class VRX_nodeDefinition;
class VRX_nodeValue;

// Runs a native body with the network; the body's result (or the zero value on failure) is returned.
template <typename Body>
auto OnNetwork(JNIEnv* env, jobject self, Body&& body) noexcept {
    return RunNative(env, [&] { return body(GetNetwork(env, self)); });
}

// Runs a native body with the network and the handle of the node with the identifier, which is resolved
// before anything else is checked.
template <typename Body>
auto OnNodeId(JNIEnv* env, jobject self, jstring nodeId, Body&& body) noexcept {
    return RunNative(env, [&] {
        VRX_network& network = GetNetwork(env, self);
        return body(network, nodeHandleFromId(env, network, nodeId));
    });
}

// The node's identifier for messages; never null.
const char* NodeIdText(const VRX_node& node);
// The header of the node's descriptive record.
VRX_header& NodeHeader(VRX_node& node);
// The node's definition and value; a node lacking one is refused.
VRX_nodeDefinition& NodeDefinition(VRX_node& node);
VRX_nodeValue& NodeValue(VRX_node& node);
// The network's own header (that of the main submodel).
VRX_header& NetworkHeader(const VRX_network& network);

// getOutcomeId: the identifier of the outcome, after checkOutcomeIndex.
jstring OutcomeIdOf(JNIEnv* env, const VRX_network& network, int handle, int outcome);
// getEvidence: the observed or propagated outcome; a node without evidence is refused, a negative answer
// of the engine is raised under "GetEvidence".
int EvidenceOf(JNIEnv* env, const VRX_network& network, int handle);
