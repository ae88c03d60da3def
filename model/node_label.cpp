#include "model/node_label.h"

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido {

std::string NodeLabel(const VRX_network& net, int handle) {
    const VRX_node* node = net.GetNode(handle);
    const char* id = node != nullptr && node->GetInfo() != nullptr ? node->GetId() : nullptr;
    if (id != nullptr) return id;
    return "#" + std::to_string(handle);
}

int ReportNodeFault(const VRX_node& node, const std::string& what, int code) {
    const std::string text =
        std::string("ERROR: Node [") + (node.GetId() != nullptr ? node.GetId() : "") + "] : " + what;
    return LogError(errorLog, code, text.c_str(), nullptr);
}

int RefuseUndefinedValue(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    if (node == nullptr) return kOutOfRange;
    return ReportNodeFault(*node, kUndefinedValueText, kOutOfRange);
}

}  // namespace vovido
