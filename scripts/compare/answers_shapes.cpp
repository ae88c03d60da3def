// Sections of shapes that only larger inputs show: leaves hung in turn on the nodes of one large cluster,
// and the four larger reference networks under the exact algorithms with unlikely and random evidence.
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/costly_networks.h"

#ifndef VOVIDO_NETWORKS_DIR
#error "VOVIDO_NETWORKS_DIR names the folder of the reference networks"
#endif

namespace vovido::compare {
namespace {

// A core of `core` two-state nodes, each a child of all before it (one cluster), and `leaves` two-state
// leaves, leaf i a child of core node i mod `core`.
bool BuildClusterWithLeaves(VRX_network& net, int core, int leaves) {
    if (test::BuildBand(net, core, core) != 0) return false;
    for (int i = 0; i < leaves; ++i) {
        const int h = net.AddNode(DefinitionType::kCpt, ("l" + std::to_string(i)).c_str());
        if (h < 0 || net.AddArc(net.FindNode(("b" + std::to_string(i % core)).c_str()), h) != 0) return false;
    }
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if (FillTable(net, h) != 0) return false;
    }
    return true;
}

// The outcome of least mean probability over the node's table columns, among those of some probability.
int UnlikelyOutcome(VRX_network& net, int h) {
    VRX_Dmatrix* table = nullptr;
    if (net.GetNode(h)->GetDefinition()->GetDefinition(table) != 0 || table == nullptr) return 0;
    const int outcomes = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
    std::vector<double> sums(static_cast<size_t>(outcomes), 0.0);
    for (int i = 0; i < table->GetNumberOfElements(); ++i)
        sums[static_cast<size_t>(i % outcomes)] += (*table)[i];
    int best = 0;
    for (int k = 0; k < outcomes; ++k) {
        if (sums[k] > 0.0 && (sums[best] <= 0.0 || sums[k] < sums[best])) best = k;
    }
    return best;
}

std::vector<int> Handles(const VRX_network& net) {
    std::vector<int> handles;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) handles.push_back(h);
    return handles;
}

// `count` findings spread over the nodes from `offset`, each at its unlikely outcome (a finding refused, as
// one that contradicts the others, left out); the number set.
int SetUnlikelyEvidence(VRX_network& net, int count, int offset) {
    (void)net.ClearAllEvidence();
    const std::vector<int> handles = Handles(net);
    const size_t stride = handles.size() / static_cast<size_t>(count);
    int set = 0;
    for (int i = 0; i < count; ++i) {
        const int h = handles[(static_cast<size_t>(offset) + i * stride) % handles.size()];
        if (net.GetNode(h)->GetValue()->SetEvidence(UnlikelyOutcome(net, h)) == 0) ++set;
    }
    return set;
}

}  // namespace

// Columns drawn from the handle and cell, so that no answer is the uniform one of the default tables.
int FillTable(VRX_network& net, int h) {
    VRX_Dmatrix* table = nullptr;
    if (const int rc = net.GetNode(h)->GetDefinition()->GetDefinition(table)) return rc;
    for (int c = 0; c + 1 < table->GetNumberOfElements(); c += 2) {
        const int64_t mixed = (int64_t{c} * 7919 + int64_t{h} * 104729) % 1000;
        const double p = 0.05 + 0.9 * static_cast<double>(mixed) / 1000.0;
        (*table)[c] = p;
        (*table)[c + 1] = 1.0 - p;
    }
    return 0;
}

// CORE:LEAVES, no evidence, under clustering and the second relevance decomposition.
void ClusterLeavesSection(const std::string& shape) {
    const int core = std::stoi(shape.substr(0, shape.find(':')));
    const int leaves = std::stoi(shape.substr(shape.find(':') + 1));
    VRX_network net;
    if (!BuildClusterWithLeaves(net, core, leaves)) {
        PrintAnswer(false, "cluster-leaves:" + shape + ":build", -1, 0.0, "");
        return;
    }
    for (int algorithm :
         {BayesianAlgorithm::kClusteringWithDecomposition, BayesianAlgorithm::kRelevanceDecomposition2}) {
        net.SetBayesianAlgorithm(algorithm);
        net.InvalidateValues();
        (void)RecordUpdate(net, false, "cluster-leaves:" + shape + ":alg" + std::to_string(algorithm),
                           [&] { return net.UpdateBeliefs(); });
    }
}

// NETWORK:ALGORITHM: three sets of unlikely findings (5, 9 and 12 of them) and the probability of each.
void LargeSection(const std::string& which) {
    const std::string name = which.substr(0, which.find(':'));
    const int algorithm = std::stoi(which.substr(which.find(':') + 1));
    const std::string base = "large:" + which;
    VRX_network net;
    if (RecordRead(net, std::string(VOVIDO_NETWORKS_DIR) + "/large/" + name + ".xvrx", base + ":read") != 0)
        return;
    net.SetBayesianAlgorithm(algorithm);
    for (const int count : {5, 9, 12}) {
        const std::string key = base + ":unlikely" + std::to_string(count);
        std::string findings;
        AppendNumbers(findings, "findings", {double(SetUnlikelyEvidence(net, count, count))});
        PrintAnswer(false, key + ":evidence", 0, 0.0, findings);
        net.InvalidateValues();
        (void)RecordUpdate(net, false, key, [&] { return net.UpdateBeliefs(); });
        if (algorithm != BayesianAlgorithm::kClusteringWithDecomposition) continue;
        // The findings' probability, which is what makes them unlikely.
        (void)RecordCall(false, key + ":pe", [&](std::string& values) {
            double pe = -1.0;
            const bool ok = net.CalcPropEvidence(&pe, false);
            AppendNumbers(values, "pe", {pe});
            return ok ? 0 : -1;
        });
    }
}

// NETWORK:ALGORITHM: 50 random evidence sets of 3 to 10 findings, one queried node each.
void QueriesSection(const std::string& which) {
    const std::string name = which.substr(0, which.find(':'));
    const int algorithm = std::stoi(which.substr(which.find(':') + 1));
    const std::string base = "queries:" + which;
    VRX_network net;
    if (RecordRead(net, std::string(VOVIDO_NETWORKS_DIR) + "/large/" + name + ".xvrx", base + ":read") != 0)
        return;
    net.SetBayesianAlgorithm(algorithm);
    const std::vector<int> handles = Handles(net);
    std::mt19937 rng(20261209u);
    for (int set = 0; set < 50; ++set) {
        (void)net.ClearAllEvidence();
        (void)net.ClearAllTargets();
        const int findings = 3 + static_cast<int>(rng() % 8);
        for (int i = 0; i < findings; ++i) {
            const int h = handles[rng() % handles.size()];
            const int outcomes = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
            (void)net.GetNode(h)->GetValue()->SetEvidence(static_cast<int>(rng() % outcomes));
        }
        const int query = handles[rng() % handles.size()];
        (void)net.SetTarget(query);
        errorLog.Flush();
        const Stopwatch watch;
        const int status = net.UpdateBeliefs();
        std::vector<double> beliefs;
        VRX_Dmatrix* matrix = nullptr;
        if (status == 0 && net.GetNode(query)->GetValue()->GetValue(matrix) == 0 && matrix != nullptr) {
            for (int i = 0; i < matrix->GetNumberOfElements(); ++i) beliefs.push_back((*matrix)[i]);
        }
        std::string values;
        AppendNumbers(values, net.GetNode(query)->GetId(), beliefs);
        PrintAnswer(false, base + ":" + std::to_string(set), status, watch.Times(), values);
    }
}

}  // namespace vovido::compare
