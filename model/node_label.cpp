// Node names in messages, and the logged refusals that name a node.
#include "model/node_label.h"

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"

namespace {

// A working copy's node goes by the identifier of the caller's node it was copied from.
std::string LabelOf(const VRX_network* network, const VRX_node* node, int handle) {
    const char* id = node != nullptr ? node->GetId() : nullptr;
    if (id == nullptr && network != nullptr) id = network->GetSourceId(handle);
    if (id != nullptr) return id;
    return "#" + std::to_string(handle);
}

}  // namespace

namespace vovido {

std::string NodeLabel(const VRX_network& net, int handle) {
    return LabelOf(&net, net.GetNode(handle), handle);
}

int ReportNodeFault(const VRX_node& node, const std::string& what, int code) {
    const std::string text =
        "ERROR: Node [" + LabelOf(node.GetNetwork(), &node, node.GetHandle()) + "] : " + what;
    return LogError(errorLog, code, text.c_str(), nullptr);
}

int RefuseUndefinedValue(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    if (node == nullptr) return kOutOfRange;
    return ReportNodeFault(*node, kUndefinedValueText, kOutOfRange);
}

}  // namespace vovido
