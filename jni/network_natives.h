#pragma once
// What the Network natives of several sources share: running a body on the network by node handle or
// identifier, reaching a node's parts, and the work of natives that other natives reuse (a native never
// calls another native).

#include <jni.h>

#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/native_pairs.h"

class VRX_header;
class VRX_network;
class VRX_node;
class VRX_nodeDefinition;
class VRX_nodeInfo;
class VRX_nodeValue;
class VRX_rectangle;

namespace vovido {

// Runs a native body with the network; the body's result (or the zero value on failure) is returned.
template <typename Body>
auto OnNetwork(JNIEnv* env, jobject self, Body&& body) noexcept {
    return RunNative(env, [&] { return body(GetNetwork(env, self)); });
}

// A node body taking the outcome by identifier, resolved after the node, for the routine that takes it by
// index: Routine(env, network, handle, outcome, args...).
template <auto Routine>
inline constexpr auto ByOutcomeId =
    [](JNIEnv* env, VRX_network& network, int handle, jstring outcomeId, auto... args) {
        return Routine(env, network, handle, outcomeIndexFromId(env, network, handle, outcomeId), args...);
    };

// A body passing the routine a fixed last argument (an arc kind, evidence bits):
// Routine(env, network, handles..., Last). In a pair, wrap it in parentheses for its comma.
template <auto Routine, auto Last>
inline constexpr auto WithLast = [](JNIEnv* env, VRX_network& network, auto... handles) {
    return Routine(env, network, handles..., Last);
};

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

// A node body taking a parent of the node by identifier (resolved after the node, to its position in the
// node's ordinary parents) for the routine that takes the position: Routine(env, network, handle,
// parent, args...).
template <auto Routine>
inline constexpr auto ByParentId =
    [](JNIEnv* env, VRX_network& network, int handle, jstring parentId, auto... args) {
        return Routine(env, network, handle, parentIndexFromId(env, network, handle, parentId), args...);
    };

// The node's descriptive record (screen record, properties, documentation); a node lacking one is refused.
VRX_nodeInfo& NodeInfo(VRX_node& node);

// A rectangle given by Java's corner (x, y) and size, kept by its centre; extreme values wrap rather than
// overflow, so reading it back (makeRectangle) gives the same four ints.
void SetCentredRectangle(VRX_rectangle& rectangle, jint x, jint y, jint width, jint height);

}  // namespace vovido
