// The route of a network's belief update, read from its nodes' definition and temporal types.
#include "engine/update_route.h"

#include "model/network.h"
#include "model/node_definition.h"
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

}  // namespace vovido
