#pragma once
// How messages name a node, and the refusals that name one.

#include <string>

class VRX_network;
class VRX_node;

namespace vovido {

// The node's identifier, or "#handle" for nodes without one (those of model-only copies).
std::string NodeLabel(const VRX_network& net, int handle);

// Logs "ERROR: Node [label] : what" with the code, and returns the code.
int ReportNodeFault(const VRX_node& node, const std::string& what, int code);

// The refusal of an equation node whose value came out undefined: -2, logged naming the node.
int RefuseUndefinedValue(const VRX_network& network, int handle);

// Logs, naming the child, why an ordinary arc parent -> child was refused when the arc itself is at
// fault: the same node twice, nodes already adjacent, or a cycle it would close. Returns code.
int ExplainArcRefusal(VRX_network& network, int parent, int child, int code);

// Logs, naming the child, that parent is none of its parents when that is why removing the arc was
// refused. Returns code.
int ExplainArcRemovalRefusal(const VRX_network& network, int parent, int child, int code);

// Logs, naming the node, why an outcome identifier was refused with kOutOfRange: another outcome than
// skip (-1: none) holds it, or it has not the form of an identifier. Returns code.
int ExplainOutcomeIdRefusal(VRX_node& node, const char* id, int skip, int code);

// As ExplainOutcomeIdRefusal for an outcome inserted at position, which may itself be out of range.
int ExplainOutcomeInsertRefusal(VRX_node& node, int position, const char* id, int code);

// Logs, naming the node, that it keeps at least two outcomes when that is why a removal was refused.
int ExplainOutcomeRemovalRefusal(VRX_node& node, int code);

// The text of that refusal after the node's name.
constexpr const char* kUndefinedValueText = "its value is undefined";

}  // namespace vovido
