#pragma once
// Diagnostic roles given to a network for troubleshooting tests and benchmarks: named targets with
// their fault outcomes, and ranked observations.

#include <string>
#include <utility>
#include <vector>

#include "base/status_codes.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido::test {

// Makes the node a target whose listed outcomes are faults; false for an unknown node or outcome.
inline bool MarkTarget(VRX_network& net, const std::string& id, const std::vector<int>& faultOutcomes) {
    const int h = net.FindNode(id.c_str());
    if (h < 0) return false;
    VRX_extraDefinition& extra = *net.GetNode(h)->GetExtraDefinition();
    extra.diagType = DiagnosisType::kTarget;
    for (int outcome : faultOutcomes) {
        if (extra.SetFaultOutcome(outcome, 1) != kSuccess) return false;
    }
    return true;
}

// Makes the node a ranked observation; false for an unknown node.
inline bool MarkObservation(VRX_network& net, const std::string& id, bool mandatory = false) {
    const int h = net.FindNode(id.c_str());
    if (h < 0) return false;
    VRX_extraDefinition& extra = *net.GetNode(h)->GetExtraDefinition();
    extra.diagType = DiagnosisType::kObservation;
    extra.ranked = 1;
    extra.mandatory = mandatory ? 1 : 0;
    return true;
}

// Marks `count` nodes that are not targets as ranked observations: first the nodes without children,
// then other nodes with parents, each in handle order; the number marked.
inline int MarkLeafObservations(VRX_network& net, int count) {
    int marked = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (int h = net.GetFirstNode(); h >= 0 && marked < count; h = net.GetNextNode(h)) {
            VRX_extraDefinition& extra = *net.GetNode(h)->GetExtraDefinition();
            if (extra.diagType != DiagnosisType::kAuxiliary) continue;
            if (pass == 0 ? net.GetNumberOfChildren(h) != 0 : net.GetNumberOfParents(h) == 0) continue;
            extra.diagType = DiagnosisType::kObservation;
            extra.ranked = 1;
            ++marked;
        }
    }
    return marked;
}

// The troubleshooting set-ups of the reference networks: diseases of hepar2, printer faults of
// win95pts, each with the outcome that is the fault.
inline std::vector<std::pair<std::string, int>> ReferenceFaults(const std::string& network) {
    if (network == "hepar2") {
        return {{"Cirrhosis", 0}, {"PBC", 0}, {"Steatosis", 0}, {"ChHepatitis", 0}, {"carcinoma", 0}};
    }
    return {{"AppOK", 1}, {"DataFile", 1}, {"PrtOn", 1}, {"PrtPaper", 1}, {"NetOK", 1}, {"PrtCbl", 1}};
}

// Reference faults as targets and `observations` ranked observations; false when a name is unknown or
// the network has too few nodes.
inline bool SetReferenceRoles(VRX_network& net, const std::string& network, int observations) {
    for (const auto& fault : ReferenceFaults(network)) {
        if (!MarkTarget(net, fault.first, {fault.second})) return false;
    }
    return MarkLeafObservations(net, observations) == observations;
}

}  // namespace vovido::test
