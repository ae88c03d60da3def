// Annealed MAP search over single-node moves with reheating.
#include "inference/annealed_map.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
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

int AnnealedMapSearch::Run(VRX_network& network, const VRX_intArray& mapNodes, VRX_intArray& assignment,
                           const VRX_intArray& evidenceNodes, const VRX_intArray& evidenceOutcomes,
                           double& bestProbabilityOut, double& evidenceProbabilityOut, int seed) {
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
    const int m = mapNodes.GetCount();
    if (assignment.GetCount() != m || evidenceNodes.GetCount() != evidenceOutcomes.GetCount())
        return kOutOfRange;

    // P(evidence) by the chain rule over the findings in their order, entering each after its factor.
    network.ClearAllEvidence();
    double evidenceProbability = 1.0;
    std::vector<double> beliefs;
    for (int i = 0; i < evidenceNodes.GetCount(); i++) {
        if (const int rc = ConditionalOf(evidenceNodes[i], beliefs)) return rc;
        const int outcome = evidenceOutcomes[i];
        evidenceProbability *= outcome >= 0 && outcome < static_cast<int>(beliefs.size())
                                   ? beliefs[static_cast<size_t>(outcome)]
                                   : 0.0;
        if (!(evidenceProbability > 0.0)) return LogError(errorLog, kConflictingEvidence, nullptr, nullptr);
        if (const int rc = network.GetNode(evidenceNodes[i])->GetValue()->SetEvidence(outcome)) return rc;
    }

    // Greedy start in ascending entropy: each node at its most probable outcome given those fixed before.
    std::vector<std::vector<double>> conditional(static_cast<size_t>(m));
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
        if (best < 0 || !(top > 0.0)) return LogError(errorLog, kConflictingEvidence, nullptr, nullptr);
        assignment[i] = best;
        bestProbability *= top;
        if (const int rc = network.GetNode(mapNodes[i])->GetValue()->SetEvidence(best)) return rc;
    }
    if (bestAssignment.Copy(assignment) != kSuccess) return kOutOfMemory;
    double T = Tinit;
    double p = bestProbability;
    int reheatCounter = 0;
    int stopCounter = 0;

    for (;;) {
        bool improved = false;
        bool moved = false;
        history.clear();
        for (int cycle = 0; cycle < numCycle; cycle++) {
            for (int i = 0; i < m; i++) {
                const int c = assignment[i];
                VRX_nodeValue* value = network.GetNode(mapNodes[i])->GetValue();
                if (const int rc = value->ClearEvidence()) return rc;
                std::vector<double>& b = conditional[static_cast<size_t>(i)];
                if (const int rc = ConditionalOf(mapNodes[i], b)) return rc;
                double u = generator.NextUniform();
                if (u == 0.0) u = 1e-11;
                if (u == 1.0) u = 1.0 - 1e-11;
                double others = 0.0;
                for (size_t x = 0; x < b.size(); x++) {
                    if (static_cast<int>(x) != c) others += b[x];
                }
                int d = -1;
                double sum = 0.0;
                for (size_t x = 0; x < b.size() && d < 0; x++) {
                    if (static_cast<int>(x) == c) continue;
                    sum += b[x];
                    if (sum >= u * others) d = static_cast<int>(x);
                }
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
        if (stopCounter > iStopSteps) break;
    }
    bestProbabilityOut = bestProbability;
    evidenceProbabilityOut = evidenceProbability;
    for (int i = 0; i < m; i++) assignment[i] = bestAssignment[i];
    return kSuccess;
}
