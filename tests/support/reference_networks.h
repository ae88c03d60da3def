#pragma once
// The reference networks of tests/data/networks: their evidence cases (NAME.cases), the exact posteriors
// and probabilities of evidence (NAME.ref), and the setting of a case's evidence on a loaded network.

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

#ifndef VOVIDO_NETWORKS_DIR
#error "VOVIDO_NETWORKS_DIR names the folder of the reference networks"
#endif

namespace vovido::test {

struct ReferencePosterior {
    std::string node;
    std::vector<std::pair<std::string, double>> outcomes;
};

struct ReferenceCase {
    std::string name;
    std::vector<std::pair<std::string, std::string>> evidence;
    double probabilityOfEvidence = -1.0;
    std::vector<ReferencePosterior> posteriors;
};

inline std::string ReferencePath(const std::string& network, const char* extension) {
    return std::string(VOVIDO_NETWORKS_DIR) + "/" + network + extension;
}

// The cases of NAME.cases ("NAME<tab>NODE=OUTCOME ...") with the references of NAME.ref ("case NAME
// pe=P", then "NODE: outcome=p ..." per node).
inline std::vector<ReferenceCase> ReadReferenceCases(const std::string& network) {
    std::vector<ReferenceCase> cases;
    std::ifstream in(ReferencePath(network, ".cases"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::istringstream words(line);
        ReferenceCase item;
        words >> item.name;
        std::string finding;
        while (words >> finding) {
            const size_t eq = finding.find('=');
            item.evidence.emplace_back(finding.substr(0, eq), finding.substr(eq + 1));
        }
        cases.push_back(std::move(item));
    }
    std::ifstream ref(ReferencePath(network, ".ref"));
    ReferenceCase* current = nullptr;
    while (std::getline(ref, line)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "case") {
            std::string name;
            std::string pe;
            words >> name >> pe;
            current = nullptr;
            for (ReferenceCase& item : cases) {
                if (item.name == name) current = &item;
            }
            if (current != nullptr) current->probabilityOfEvidence = std::stod(pe.substr(3));
            continue;
        }
        if (current == nullptr || first.empty()) continue;
        ReferencePosterior posterior;
        posterior.node = first.substr(0, first.size() - 1);
        std::string entry;
        while (words >> entry) {
            const size_t eq = entry.find('=');
            posterior.outcomes.emplace_back(entry.substr(0, eq), std::stod(entry.substr(eq + 1)));
        }
        current->posteriors.push_back(std::move(posterior));
    }
    return cases;
}

// Index of the named outcome of the node; negative when it has none of that name.
inline int OutcomeIndex(const VRX_network& net, int handle, const std::string& outcome) {
    const VRX_idArray* names = net.GetNode(handle)->GetDefinition()->GetOutcomesNames();
    return names != nullptr ? names->FindPosition(outcome.c_str()) : -1;
}

// Clears all evidence and sets the case's; false when a node or outcome is unknown or refused.
inline bool SetCaseEvidence(VRX_network& net, const ReferenceCase& item) {
    if (net.ClearAllEvidence() != kSuccess) return false;
    for (const auto& finding : item.evidence) {
        const int handle = net.FindNode(finding.first.c_str());
        if (handle < 0) return false;
        const int outcome = OutcomeIndex(net, handle, finding.second);
        if (outcome < 0 || net.GetNode(handle)->GetValue()->SetEvidence(outcome) != kSuccess) return false;
    }
    return true;
}

// Sum over the nodes of the largest distance of a table column's sum from 1. Some files round their
// tables; the references sum the joint over every node, while an update leaves out the nodes irrelevant
// to the evidence, so the probability of evidence may differ by that much relatively.
inline double ColumnSumDeviation(const VRX_network& net) {
    double total = 0.0;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_Dmatrix* table = nullptr;
        if (net.GetNode(h)->GetDefinition()->GetDefinition(table) != kSuccess || table == nullptr) continue;
        const int outcomes = table->GetSizeOfDimension(table->GetNumberOfDimensions() - 1);
        double worst = 0.0;
        for (int start = 0; outcomes > 0 && start < table->GetNumberOfElements(); start += outcomes) {
            double sum = 0.0;
            for (int k = 0; k < outcomes; ++k) sum += (*table)[start + k];
            worst = std::fmax(worst, std::fabs(sum - 1.0));
        }
        total += worst;
    }
    return total;
}

}  // namespace vovido::test
