// The route of a network's belief update, read from its nodes' definition and temporal types.
#include "engine/update_route.h"

#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/temporal_extension.h"

namespace {

bool IsHybridType(int type) {
    return type == DefinitionType::kDchildHparent || type == DefinitionType::kDistribution ||
           type == DefinitionType::kHEquation;
}

}  // namespace

namespace vovido {

bool UpdateRouteScan::Add(int typeCode, int temporalType) {
    if (IsDecisionOrUtilityType(typeCode)) hasDecisionOrUtility_ = true;
    if (vovido::IsEquationType(typeCode)) hasEquation_ = true;
    if (IsHybridType(typeCode)) hasHybrid_ = true;
    if (temporalType == TemporalType::kPlate) dynamic_ = true;
    return !dynamic_;
}

UpdateRoute UpdateRouteScan::GetRoute() const {
    if (dynamic_) return UpdateRoute::kDynamic;
    const bool nonDiscrete = hasEquation_ || hasHybrid_;
    if (hasDecisionOrUtility_)
        return nonDiscrete ? UpdateRoute::kHybridInfluenceDiagram : UpdateRoute::kInfluenceDiagram;
    if (hasEquation_) return UpdateRoute::kEquations;
    if (hasHybrid_) return UpdateRoute::kHybrid;
    return UpdateRoute::kBayesianNetwork;
}

UpdateRoute FindUpdateRoute(const VRX_network& network) {
    UpdateRouteScan scan;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (!scan.Add(network.GetNodeType(h), network.GetTemporalType(h))) break;
    }
    return scan.GetRoute();
}

int RefuseMixedHybridNetwork(const VRX_network& network) {
    int hybrid = -1;
    int other = -1;
    int others = 0;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (IsHybridType(network.GetNodeType(h))) {
            if (hybrid < 0) hybrid = h;
        } else if (others++ == 0) {
            other = h;
        }
    }
    if (hybrid < 0 || other < 0) return kSuccess;
    const auto kind = [&network](int h) {
        const VRX_nodeDefinition* definition = network.GetNode(h)->GetDefinition();
        return std::string(definition != nullptr ? definition->GetTypeName() : "undefined");
    };
    const std::string text =
        "ERROR: Node [" + NodeLabel(network, hybrid) + "] is a " + kind(hybrid) +
        " node, which makes this a hybrid network, and a hybrid network is updated only when all its nodes "
        "are "
        "of the hybrid kinds (DCHILDHPARENT, DISTRIBUTION, HEQUATION): [" +
        NodeLabel(network, other) + "] is a " + kind(other) + " node" +
        (others > 1 ? " and " + std::to_string(others - 1) + " more are of other kinds" : std::string());
    return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
}

}  // namespace vovido
