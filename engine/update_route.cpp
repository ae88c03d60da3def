// The route of a network's belief update, read from its nodes' definition and temporal types.
#include "engine/update_route.h"

#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/node_value.h"
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

int RefuseMixedHybridNetwork(const VRX_network& network, bool equations) {
    const auto taken = [equations](int type) {
        return IsHybridType(type) || (equations && IsEquationType(type));
    };
    const auto cause = [equations](int type) {
        return equations ? IsEquationType(type) : IsHybridType(type);
    };
    int first = -1;
    int other = -1;
    int others = 0;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const int type = network.GetNodeType(h);
        if (first < 0 && cause(type)) first = h;
        if (!taken(type) && others++ == 0) other = h;
    }
    if (first < 0 || other < 0) return kSuccess;
    const auto kind = [&network](int h) { return KindNodeText(network.GetNode(h)->GetDefinition()); };
    const std::string text =
        "ERROR: Node [" + NodeLabel(network, first) + "] is " + kind(first) + ", which makes this " +
        (equations ? "an equation network, and an equation network is updated only when all its nodes are "
                     "equation or hybrid nodes"
                   : "a hybrid network, and a hybrid network is updated only when all its nodes are of the "
                     "hybrid kinds (2064, 4098 and 4100)") +
        ": [" + NodeLabel(network, other) + "] is " + kind(other) +
        (others > 1 ? " and " + std::to_string(others - 1) + " more are of other kinds" : std::string());
    // The codes the two solvers have always given for such a network.
    return LogError(errorLog, equations ? kOutOfRange : kNoUsefulSamples, text.c_str(), nullptr);
}

int RefuseHybridInfluenceDiagram(const VRX_network& network) {
    int continuous = -1;
    int decision = -1;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const int type = network.GetNodeType(h);
        if (continuous < 0 && (IsHybridType(type) || IsEquationType(type))) continuous = h;
        if (decision < 0 && IsDecisionOrUtilityType(type)) decision = h;
    }
    if (continuous < 0 || decision < 0) return kSuccess;
    const std::string text = "ERROR: Node [" + NodeLabel(network, continuous) + "] is " +
                             KindNodeText(network.GetNode(continuous)->GetDefinition()) +
                             ", and an influence diagram (one with a decision or utility node such as [" +
                             NodeLabel(network, decision) +
                             "]) cannot be updated with equation or hybrid nodes";
    return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
}

int RefuseEquationProbabilityOfEvidence(const VRX_network& network) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_nodeValue* value = network.GetNode(h)->GetValue();
        if (!IsEquationType(network.GetNodeType(h)) || value == nullptr ||
            !value->HasFlag(ValueFlags::kEvidence))
            continue;
        const std::string text = "ERROR: The probability of evidence is refused: node [" +
                                 NodeLabel(network, h) + "] is " +
                                 KindNodeText(network.GetNode(h)->GetDefinition()) +
                                 " with evidence, and only findings on discrete nodes have a probability";
        return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
    }
    return kSuccess;
}

}  // namespace vovido
