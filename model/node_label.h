#pragma once
// How messages name a node.

#include <string>

class VRX_network;

namespace vovido {

// The node's identifier, or "#handle" for nodes without one (those of model-only copies).
std::string NodeLabel(const VRX_network& net, int handle);

}  // namespace vovido
