// Annealed MAP search over single-node moves with reheating.
#include "inference/annealed_map.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/impossible_evidence.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_label.h"
#include "model/node_value.h"

int AnnealedMapSearch::ConditionalOf(int handle, std::vector<double>& beliefs) {
    VRX_network& net = *network_;
    net.ClearAllTargets();
    if (const int rc = net.SetTarget(handle)) return rc;
    net.InvalidateValues();
    if (const int rc = net.UpdateBeliefs()) return rc;
    VRX_Dmatrix* matrix = nullptr;
    if (const int rc = net.GetNode(handle)->GetValue()->GetValue(matrix)) return rc;
    if (matrix == nullptr) return kWrongNodeType;
    beliefs.assign(matrix->GetData(), matrix->GetData() + matrix->GetNumberOfElements());
    return kSuccess;
}

int AnnealedMapSearch::RefuseImpossibleFinding(int handle) const {
    // The copy searched keeps the caller's identifiers, and the findings before this one are entered.
    const std::string before = vovido::EvidenceNodesText(*network_);
    const std::string text = "Evidence is impossible: the finding on [" +
                             vovido::NodeLabel(*network_, handle) + "] has probability zero" +
                             (before.empty() ? "" : " given the evidence on " + before) +
                             ", so no beliefs can be computed.";
    return LogError(errorLog, kConflictingEvidence, text.c_str(), nullptr);
}

double AnnealedMapSearch::SpecificHeat(double temperature) const {
    if (history.empty()) return 0.0;
    double total = 0.0;
    std::vector<double> w(history.size());
    for (size_t i = 0; i < history.size(); i++) {
        w[i] = std::exp(-(bestProbability - history[i]) / (temperature * energyScale));
        total += w[i];
    }
    double m1 = 0.0;
    double m2 = 0.0;
    for (size_t i = 0; i < history.size(); i++) {
        const double e = bestProbability - history[i];
        m1 += w[i] / total * e;
        m2 += w[i] / total * e * e;
    }
    return std::max(0.0, m2 - m1 * m1) / (temperature * temperature);
}

namespace {

// The candidate for a move away from outcome c: another outcome drawn in proportion to its probability
// by the uniform u; -1 when there is none.
int DrawCandidate(const std::vector<double>& b, int c, double u) {
    double others = 0.0;
    for (size_t x = 0; x < b.size(); x++) {
        if (static_cast<int>(x) != c) others += b[x];
    }
    double sum = 0.0;
    for (size_t x = 0; x < b.size(); x++) {
        if (static_cast<int>(x) == c) continue;
        sum += b[x];
        if (sum >= u * others) return static_cast<int>(x);
    }
    return -1;
}

}  // namespace

void AnnealedMapSearch::Setup(VRX_network& network, int seed) {
    network_ = &network;
    generator.Seed(static_cast<uint32_t>(seed));
    const VRX_annealedMapTuning& tuning = network.GetAnnealedMapTuning();
    speed = tuning.speed;
    Tinit = tuning.Tinit;
    kReheat = tuning.kReheat;
    numCycle = tuning.numCycle;
    iReheatSteps = tuning.iReheatSteps;
    iStopSteps = tuning.iStopSteps;
    maxSpecificHeat = 0.0;
    temperatureAtMaxHeat = Tinit;
    energyScale = 1.0;
}

int AnnealedMapSearch::EnterEvidence(const VRX_intArray& nodes, const VRX_intArray& outcomes,
                                     double& probability) {
    // P(evidence) by the chain rule over the findings in their order, entering each after its factor.
    VRX_network& network = *network_;
    network.ClearAllEvidence();
    probability = 1.0;
    std::vector<double> beliefs;
    for (int i = 0; i < nodes.GetCount(); i++) {
        if (const int rc = ConditionalOf(nodes[i], beliefs)) return rc;
        const int outcome = outcomes[i];
        probability *= outcome >= 0 && outcome < static_cast<int>(beliefs.size())
                           ? beliefs[static_cast<size_t>(outcome)]
                           : 0.0;
        if (!(probability > 0.0)) return RefuseImpossibleFinding(nodes[i]);
        if (const int rc = network.GetNode(nodes[i])->GetValue()->SetEvidence(outcome)) return rc;
    }
    return kSuccess;
}

int AnnealedMapSearch::GreedyStart(const VRX_intArray& mapNodes, VRX_intArray& assignment,
                                   std::vector<std::vector<double>>& conditional) {
    // Greedy start in ascending entropy: each node at its most probable outcome given those fixed before.
    VRX_network& network = *network_;
    const int m = mapNodes.GetCount();
    network.ClearAllTargets();
    for (int i = 0; i < m; i++) {
        if (const int rc = network.SetTarget(mapNodes[i])) return rc;
    }
    network.InvalidateValues();
    if (const int rc = network.UpdateBeliefs()) return rc;
    std::multimap<double, int> byEntropy;
    for (int i = 0; i < m; i++) {
        VRX_Dmatrix* beliefs = nullptr;
        if (const int rc = network.GetNode(mapNodes[i])->GetValue()->GetValue(beliefs)) return rc;
        double h = 0.0;
        for (int k = 0; k < beliefs->GetNumberOfElements(); k++) {
            const double p = (*beliefs)[k];
            if (p != 0.0) h -= p * std::log(p);
        }
        byEntropy.emplace(h, i);
    }
    bestProbability = 1.0;
    for (const auto& entry : byEntropy) {
        const int i = entry.second;
        std::vector<double>& b = conditional[static_cast<size_t>(i)];
        if (const int rc = ConditionalOf(mapNodes[i], b)) return rc;
        int best = -1;
        double top = -1.0;
        for (size_t k = 0; k < b.size(); k++) {
            if (b[k] > top) {
                top = b[k];
                best = static_cast<int>(k);
            }
        }
        if (best < 0 || !(top > 0.0)) {
            const std::string text =
                "Evidence is impossible: its probability is zero given the evidence on " +
                vovido::EvidenceNodesText(network) + ", so no beliefs can be computed.";
            return LogError(errorLog, kConflictingEvidence, text.c_str(), nullptr);
        }
        assignment[i] = best;
        bestProbability *= top;
        if (const int rc = network.GetNode(mapNodes[i])->GetValue()->SetEvidence(best)) return rc;
    }
    return bestAssignment.Copy(assignment) != kSuccess ? kOutOfMemory : kSuccess;
}

int AnnealedMapSearch::Sweep(const VRX_intArray& mapNodes, VRX_intArray& assignment,
                             std::vector<std::vector<double>>& conditional, double T, double& p,
                             bool& improved) {
    // numCycle cycles of one move per MAP node, each drawn from the node's conditional given the others.
    improved = false;
    bool moved = false;
    history.clear();
    for (int cycle = 0; cycle < numCycle; cycle++) {
        for (int i = 0; i < mapNodes.GetCount(); i++) {
            const int c = assignment[i];
            VRX_nodeValue* value = network_->GetNode(mapNodes[i])->GetValue();
            if (const int rc = value->ClearEvidence()) return rc;
            std::vector<double>& b = conditional[static_cast<size_t>(i)];
            if (const int rc = ConditionalOf(mapNodes[i], b)) return rc;
            double u = generator.NextUniform();
            if (u == 0.0) u = 1e-11;
            if (u == 1.0) u = 1.0 - 1e-11;
            const int d = DrawCandidate(b, c, u);
            // A move needs a candidate of nonzero probability and a current outcome to compare it
            // with: the ratio never divides by zero, and no impossible outcome is ever taken.
            bool accepted = false;
            if (d >= 0 && c < static_cast<int>(b.size()) && b[static_cast<size_t>(c)] > 0.0 &&
                b[static_cast<size_t>(d)] > 0.0) {
                const double ratio = b[static_cast<size_t>(d)] / b[static_cast<size_t>(c)];
                accepted = ratio >= 1.00001 || std::pow(ratio, 1.0 / T - 1.0) > generator.NextUniform();
                if (accepted) {
                    assignment[i] = d;
                    p *= ratio;
                    moved = true;
                }
            }
            if (accepted || moved) {
                p = std::min(p, 1.0);
                if (p / bestProbability > 1.00001) {
                    bestProbability = p;
                    if (bestAssignment.Copy(assignment) != kSuccess) return kOutOfMemory;
                    improved = true;
                }
            }
            history.push_back(p);
            if (const int rc = value->SetEvidence(assignment[i])) return rc;
        }
    }
    return kSuccess;
}

bool AnnealedMapSearch::Cool(bool improved, double& T, int& reheatCounter, int& stopCounter) {
    // Cooling by `speed`, reheating after iReheatSteps sweeps without a gain, stop after iStopSteps.
    if (improved) {
        reheatCounter = 0;
        stopCounter = 0;
    } else {
        reheatCounter++;
        stopCounter++;
    }
    const double heat = SpecificHeat(T);
    if (heat > maxSpecificHeat) {
        maxSpecificHeat = heat;
        temperatureAtMaxHeat = T;
    }
    T *= speed;
    if (reheatCounter >= iReheatSteps) {
        T = (1.0 - bestProbability) * kReheat + temperatureAtMaxHeat;
        if (T >= 1.0) T = Tinit;
        reheatCounter = 0;
    }
    return stopCounter > iStopSteps;
}

int AnnealedMapSearch::Run(VRX_network& network, const VRX_intArray& mapNodes, VRX_intArray& assignment,
                           const VRX_intArray& evidenceNodes, const VRX_intArray& evidenceOutcomes,
                           double& bestProbabilityOut, double& evidenceProbabilityOut, int seed) {
    Setup(network, seed);
    const int m = mapNodes.GetCount();
    if (assignment.GetCount() != m || evidenceNodes.GetCount() != evidenceOutcomes.GetCount())
        return kOutOfRange;
    double evidenceProbability = 1.0;
    if (const int rc = EnterEvidence(evidenceNodes, evidenceOutcomes, evidenceProbability)) return rc;
    std::vector<std::vector<double>> conditional(static_cast<size_t>(m));
    if (const int rc = GreedyStart(mapNodes, assignment, conditional)) return rc;
    double T = Tinit;
    double p = bestProbability;
    int reheatCounter = 0;
    int stopCounter = 0;
    bool improved = false;
    do {
        if (const int rc = Sweep(mapNodes, assignment, conditional, T, p, improved)) return rc;
    } while (!Cool(improved, T, reheatCounter, stopCounter));
    bestProbabilityOut = bestProbability;
    evidenceProbabilityOut = evidenceProbability;
    for (int i = 0; i < m; i++) assignment[i] = bestAssignment[i];
    return kSuccess;
}
