#pragma once
// The parts of the node at a handle, for code that holds a network and a handle: nullptr when the
// handle names no live node or the node has no such part.

#include "model/network.h"
#include "model/node.h"

namespace vovido {

inline VRX_nodeDefinition* DefinitionAt(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    return node != nullptr ? node->GetDefinition() : nullptr;
}

inline VRX_nodeValue* ValueAt(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    return node != nullptr ? node->GetValue() : nullptr;
}

inline VRX_nodeCost* CostAt(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    return node != nullptr ? node->GetCost() : nullptr;
}

inline VRX_extraDefinition* ExtraDefinitionAt(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    return node != nullptr ? node->GetExtraDefinition() : nullptr;
}

// The identifier, "" when the node has none (model-only copies) or the handle names no node.
inline const char* IdAt(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    const char* id = node != nullptr ? node->GetId() : nullptr;
    return id != nullptr ? id : "";
}

}  // namespace vovido
