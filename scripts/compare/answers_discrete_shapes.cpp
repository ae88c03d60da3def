// Sections of discrete shapes that hid past faults: childless leaves of several parents with findings and
// likelihoods, a leaf that gains a child, a likelihood cleared; link under a stream of random findings and
// its probability of evidence; DeMorgan families of many parents; and edits of a network of many leaves.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/error_log.h"
#include "definitions/demorgan.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/arrays.h"
#include "tests/support/costly_networks.h"

#ifndef VOVIDO_NETWORKS_DIR
#error "VOVIDO_NETWORKS_DIR names the folder of the reference networks"
#endif

namespace vovido::compare {
namespace {

const int kExactAlgorithms[] = {
    BayesianAlgorithm::kClusteringWithDecomposition, BayesianAlgorithm::kClusteringPerPart,
    BayesianAlgorithm::kRelevanceDecomposition, BayesianAlgorithm::kRelevanceDecomposition2};

int Add(VRX_network& net, const std::string& id, const std::vector<int>& parents) {
    const int h = net.AddNode(DefinitionType::kCpt, id.c_str());
    for (int p : parents) {
        if (h < 0 || net.AddArc(p, h) != 0) return -1;
    }
    return h >= 0 && FillTable(net, h) == 0 ? h : -1;
}

// Roots r0..r3, middle nodes m0..m2 of two roots each, and childless leaves l0..l3 of three parents each.
bool BuildLeaves(VRX_network& net, std::vector<int>& leaves) {
    std::vector<int> r, m;
    for (int i = 0; i < 4; ++i) r.push_back(Add(net, "r" + std::to_string(i), {}));
    for (int i = 0; i < 3; ++i) m.push_back(Add(net, "m" + std::to_string(i), {r[i], r[i + 1]}));
    for (int i = 0; i < 4; ++i)
        leaves.push_back(Add(net, "l" + std::to_string(i), {m[i % 3], m[(i + 1) % 3], r[i]}));
    // A node that failed fails its children too: the leaves tell.
    return *std::min_element(leaves.begin(), leaves.end()) >= 0;
}

// The probability of evidence of the network as it stands, by both methods.
void RecordEvidenceProbability(VRX_network& net, const std::string& key) {
    for (bool chainRule : {false, true}) {
        (void)RecordCall(false, key + (chainRule ? ":pe-chain" : ":pe"), [&](std::string& values) {
            double pe = -1.0;
            const bool ok = net.CalcPropEvidence(&pe, chainRule);
            AppendNumbers(values, "pe", {pe});
            return ok ? 0 : -1;
        });
    }
}

// Every exact algorithm's update, and the probability of evidence.
void RecordExact(VRX_network& net, const std::string& key) {
    for (int algorithm : kExactAlgorithms) {
        net.SetBayesianAlgorithm(algorithm);
        net.InvalidateValues();
        (void)RecordUpdate(net, false, key + ":alg" + std::to_string(algorithm),
                           [&] { return net.UpdateBeliefs(); });
    }
    net.SetBayesianAlgorithm(BayesianAlgorithm::kClusteringWithDecomposition);
    RecordEvidenceProbability(net, key);
}

VRX_network* ReadLarge(VRX_network& net, const std::string& name, const std::string& key) {
    return RecordRead(net, std::string(VOVIDO_NETWORKS_DIR) + "/large/" + name + ".xvrx", key + ":read") == 0
               ? &net
               : nullptr;
}

}  // namespace

// The leaves' course: no evidence; a finding on a middle node and a likelihood on a leaf; a finding on
// another leaf; a leaf given a child; the evidence cleared.
void LeavesSection() {
    VRX_network net;
    std::vector<int> leaves;
    if (!BuildLeaves(net, leaves)) return PrintAnswer(false, "leaves:build", -1, 0.0, "");
    RecordExact(net, "leaves:none");
    (void)net.GetNode(net.FindNode("m1"))->GetValue()->SetEvidence(1);
    (void)RecordCall(false, "leaves:likelihood", [&](std::string&) {
        return net.GetNode(leaves[0])->GetValue()->SetVirtualEvidence(test::Doubles({0.2, 0.9}));
    });
    RecordExact(net, "leaves:likelihood");
    (void)net.GetNode(leaves[1])->GetValue()->SetEvidence(0);
    RecordExact(net, "leaves:finding");
    (void)RecordCall(false, "leaves:gain-child", [&](std::string& values) {
        const int child = Add(net, "k", {leaves[2], leaves[3]});
        values = NetworkModel(net);
        return child < 0 ? -1 : 0;
    });
    RecordExact(net, "leaves:gained-child");
    (void)net.GetNode(net.FindNode("k"))->GetValue()->SetVirtualEvidence(test::Doubles({0.7, 0.1}));
    RecordExact(net, "leaves:child-likelihood");
    (void)RecordCall(false, "leaves:clear", [&](std::string&) { return net.ClearAllEvidence(); });
    RecordExact(net, "leaves:cleared");
}

// NETWORK:ALGORITHM: 12 random sets of 1 to 5 findings drawn from a fixed seed, every node's beliefs.
void RandomFindingsSection(const std::string& which) {
    const std::string name = which.substr(0, which.find(':'));
    const int algorithm = std::stoi(which.substr(which.find(':') + 1));
    const std::string base = "random-findings:" + which;
    VRX_network net;
    if (ReadLarge(net, name, base) == nullptr) return;
    net.SetBayesianAlgorithm(algorithm);
    std::vector<int> handles;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) handles.push_back(h);
    std::mt19937 rng(20261210u);
    for (int set = 0; set < 12; ++set) {
        (void)net.ClearAllEvidence();
        errorLog.Flush();
        std::vector<double> findings;
        for (int i = 1 + static_cast<int>(rng() % 5); i > 0; --i) {
            const int h = handles[rng() % handles.size()];
            const int outcome =
                static_cast<int>(rng() % net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes());
            if (net.GetNode(h)->GetValue()->SetEvidence(outcome) == 0)
                findings.insert(findings.end(), {double(h), double(outcome)});
        }
        std::string setFindings;
        AppendNumbers(setFindings, "findings", findings);
        const std::string key = base + ":" + std::to_string(set);
        PrintAnswer(false, key + ":evidence", 0, 0.0, setFindings);
        (void)RecordUpdate(net, false, key, [&] { return net.UpdateBeliefs(); });
    }
}

// NETWORK: the probability of no evidence and of one finding, by both methods.
void ProbEvidenceSection(const std::string& name) {
    const std::string base = "prob-evidence:" + name;
    VRX_network net;
    if (ReadLarge(net, name, base) == nullptr) return;
    RecordEvidenceProbability(net, base + ":none");
    int h = net.GetFirstNode();
    for (int i = 0; i < 100 && net.GetNextNode(h) >= 0; ++i) h = net.GetNextNode(h);
    (void)net.GetNode(h)->GetValue()->SetEvidence(0);
    RecordEvidenceProbability(net, base + ":one-finding");
}

// "backward:PARENTS": one DeMorgan node of PARENTS parents and three observed children under backward
// sampling; "shared:PARENTS": three observed DeMorgan nodes sharing PARENTS parents under clustering.
void DeMorganSection(const std::string& which) {
    const std::string shape = which.substr(0, which.find(':'));
    const int parents = std::stoi(which.substr(which.find(':') + 1));
    const std::string key = "demorgan:" + which;
    VRX_network net;
    if (shape == "backward") {
        if (test::BuildWideCausalNetwork(net, DefinitionType::kDeMorgan, parents, 3) != 0 ||
            test::ObserveChildren(net) != 0)
            return PrintAnswer(false, key + ":build", -1, 0.0, "");
        net.SetBayesianAlgorithm(BayesianAlgorithm::kBackwardSampling);
        SeedSamplers();
        (void)RecordUpdate(net, true, key + ":alg6", [&] { return net.UpdateBeliefs(); });
        return;
    }
    std::vector<int> causes;
    VRX_doubleArray weights;
    VRX_intArray kinds;
    for (int i = 0; i < parents; ++i) {
        causes.push_back(net.AddNode(DefinitionType::kDeMorgan, ("p" + std::to_string(i)).c_str()));
        (void)weights.Add(0.3 + 0.02 * i);
        (void)kinds.Add(DemorganParentType::kCause);
    }
    for (int k = 0; k < 3; ++k) {
        const int n = net.AddNode(DefinitionType::kDeMorgan, ("n" + std::to_string(k)).c_str());
        for (int p : causes) {
            if (n < 0 || net.AddArc(p, n) != 0) return PrintAnswer(false, key + ":build", -1, 0.0, "");
        }
        auto& demorgan = static_cast<VRX_demorgan&>(*net.GetNode(n)->GetDefinition());
        if (demorgan.SetParentWeights(weights) != 0 || demorgan.SetParentTypes(kinds) != 0 ||
            net.GetNode(n)->GetValue()->SetEvidence(k % 2) != 0)
            return PrintAnswer(false, key + ":build", -1, 0.0, "");
    }
    (void)RecordUpdate(net, false, key + ":alg0", [&] { return net.UpdateBeliefs(); });
}

// LEAVES: that many unconnected two-state nodes, the first observed; 1,000 arcs added between them, then
// 1,000 tables set, then an update.
void LeafEditsSection(const std::string& which) {
    const int count = std::stoi(which);
    const std::string key = "leaf-edits:" + which;
    VRX_network net;
    std::vector<int> h;
    for (int i = 0; i < count; ++i)
        h.push_back(net.AddNode(DefinitionType::kCpt, ("l" + std::to_string(i)).c_str()));
    if (h.back() < 0 || net.GetNode(h[0])->GetValue()->SetEvidence(1) != 0)
        return PrintAnswer(false, key + ":build", -1, 0.0, "");
    const int edits = 1000, stride = count / edits;
    (void)RecordCall(false, key + ":arcs", [&](std::string& values) {
        int added = 0;
        for (int i = 0; i < edits; ++i) added += net.AddArc(h[i * stride], h[i * stride + 1]) == 0;
        AppendNumbers(values, "added", {double(added)});
        return 0;
    });
    (void)RecordCall(false, key + ":tables", [&](std::string& values) {
        int set = 0;
        for (int i = 0; i < edits; ++i)
            set += net.GetNode(h[i * stride + 1])
                       ->GetDefinition()
                       ->SetDefinitionDoubles(test::Doubles({0.3, 0.7, 0.6, 0.4})) == 0;
        AppendNumbers(values, "set", {double(set)});
        return 0;
    });
    (void)RecordCall(false, key + ":update", [&](std::string& values) {
        const int status = net.UpdateBeliefs();
        std::vector<double> beliefs;
        for (int i : {0, 1, stride, stride + 1, count - 1}) {
            VRX_Dmatrix* matrix = nullptr;
            if (status == 0 && net.GetNode(h[i])->GetValue()->GetValue(matrix) == 0 && matrix != nullptr)
                beliefs.insert(beliefs.end(), {(*matrix)[0], (*matrix)[1]});
        }
        AppendNumbers(values, "beliefs", beliefs);
        return status;
    });
}

}  // namespace vovido::compare
