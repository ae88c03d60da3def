// Node names in messages, and the logged refusals that name a node.
#include "model/node_label.h"

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"

namespace {

std::string LabelOf(const VRX_node* node, int handle) {
    const char* id = node != nullptr ? node->GetId() : nullptr;
    if (id != nullptr) return id;
    return "#" + std::to_string(handle);
}

}  // namespace

namespace vovido {

std::string NodeLabel(const VRX_network& net, int handle) {
    return LabelOf(net.GetNode(handle), handle);
}

int ReportNodeFault(const VRX_node& node, const std::string& what, int code) {
    // The working copies of the solvers keep the caller's handles, not the identifiers.
    const std::string text = "ERROR: Node [" + LabelOf(&node, node.GetHandle()) + "] : " + what;
    return LogError(errorLog, code, text.c_str(), nullptr);
}

int RefuseUndefinedValue(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    if (node == nullptr) return kOutOfRange;
    return ReportNodeFault(*node, kUndefinedValueText, kOutOfRange);
}

}  // namespace vovido
