#pragma once
// How messages name a node, and the refusals that name one.

#include <string>

class VRX_network;
class VRX_node;

namespace vovido {

// The node's identifier; of a model-only copy's node, that of the node it was copied from; "#handle"
// only for a node without either.
std::string NodeLabel(const VRX_network& net, int handle);

// Logs "ERROR: Node [label] : what" with the code, and returns the code.
int ReportNodeFault(const VRX_node& node, const std::string& what, int code);

// The refusal of an equation node whose value came out undefined: -2, logged naming the node.
int RefuseUndefinedValue(const VRX_network& network, int handle);

// The text of that refusal after the node's name.
constexpr const char* kUndefinedValueText = "its value is undefined";
// The refusals of an infinite value (1/0, an overflow), or of values whose spread overflowed.
constexpr const char* kInfiniteValueText = "its value is not finite";
constexpr const char* kInfiniteSpreadText = "the spread of its values is not finite";

}  // namespace vovido
