#pragma once
// The parts of the node at a handle, for code that holds a network and a handle: nullptr when the
// handle names no live node or the node has no such part.

#include "model/network.h"
#include "model/node.h"

namespace vovido {

namespace node_parts {

template <typename Part>
Part* PartAt(const VRX_network& network, int handle, Part* (VRX_node::*get)() const) {
    const VRX_node* node = network.GetNode(handle);
    return node != nullptr ? (node->*get)() : nullptr;
}

}  // namespace node_parts

inline VRX_nodeDefinition* DefinitionAt(const VRX_network& network, int handle) {
    return node_parts::PartAt(network, handle, &VRX_node::GetDefinition);
}

inline VRX_nodeValue* ValueAt(const VRX_network& network, int handle) {
    return node_parts::PartAt(network, handle, &VRX_node::GetValue);
}

inline VRX_nodeCost* CostAt(const VRX_network& network, int handle) {
    return node_parts::PartAt(network, handle, &VRX_node::GetCost);
}

inline VRX_extraDefinition* ExtraDefinitionAt(const VRX_network& network, int handle) {
    return node_parts::PartAt(network, handle, &VRX_node::GetExtraDefinition);
}

// The identifier (of a model-only copy's node, that of the node it was copied from), "" when there is
// none or the handle names no node.
inline const char* IdAt(const VRX_network& network, int handle) {
    const char* id = node_parts::PartAt(network, handle, &VRX_node::GetId);
    if (id == nullptr && network.IsLiveHandle(handle)) id = network.GetSourceId(handle);
    return id != nullptr ? id : "";
}

}  // namespace vovido
