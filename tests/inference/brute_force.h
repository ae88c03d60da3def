#pragma once
// Reference answers for small discrete networks: posteriors and the probability of the evidence by
// enumerating every configuration of the joint distribution, plus a builder for such networks.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "model/dmatrix.h"
#include "model/double_array.h"
#include "model/int_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/status_codes.h"

namespace brute_force {

struct Reference {
    // Sum of the joint over the configurations that agree with the evidence.
    double probEvidence = 0.0;
    // Posterior of every node by handle (empty for a free slot); the 0/1 vector for an observed node,
    // all zeros when the evidence is impossible.
    std::vector<std::vector<double>> beliefs;
};

// Enumerates the joint of a network of CPT-like nodes (each table: parents in order, then the node,
// last dimension fastest). Hard evidence (flags 1 or 4 of the value) restricts the configurations.
inline Reference Enumerate(const VRX_network& net) {
    Reference ref;
    VRX_intArray handles;
    net.GetAllNodes(handles);
    const int n = handles.GetCount();
    std::vector<int> outcomes(n), evidence(n, -1), position(net.GetNumberOfSlots(), -1);
    std::vector<const VRX_Dmatrix*> tables(n);
    std::vector<std::vector<int>> parents(n);
    for (int i = 0; i < n; i++) position[handles[i]] = i;
    for (int i = 0; i < n; i++) {
        VRX_node* node = net.GetNode(handles[i]);
        outcomes[i] = node->GetDefinition()->GetNumberOfOutcomes();
        VRX_Dmatrix* table = nullptr;
        node->GetDefinition()->GetDefinition(table);
        tables[i] = table;
        const VRX_intArray& p = net.GetParents(handles[i]);
        for (int k = 0; k < p.GetCount(); k++) parents[i].push_back(position[p[k]]);
        if (node->GetValue()->HasEvidence()) evidence[i] = node->GetValue()->GetEvidence();
    }
    ref.beliefs.assign(net.GetNumberOfSlots(), std::vector<double>());
    std::vector<std::vector<double>> mass(n);
    for (int i = 0; i < n; i++) mass[i].assign(outcomes[i], 0.0);
    std::vector<int> x(n, 0);
    for (;;) {
        bool consistent = true;
        for (int i = 0; i < n && consistent; i++) consistent = evidence[i] < 0 || x[i] == evidence[i];
        if (consistent) {
            double joint = 1.0;
            for (int i = 0; i < n; i++) {
                const int* strides = tables[i]->GetStrides().GetItems();
                int index = 0;
                for (size_t k = 0; k < parents[i].size(); k++) index += strides[k] * x[parents[i][k]];
                index += x[i];
                joint *= (*tables[i])[index];
            }
            ref.probEvidence += joint;
            for (int i = 0; i < n; i++) mass[i][x[i]] += joint;
        }
        int d = 0;
        while (d < n && ++x[d] == outcomes[d]) x[d++] = 0;
        if (d == n) break;
    }
    for (int i = 0; i < n; i++) {
        std::vector<double>& b = ref.beliefs[handles[i]];
        b.assign(outcomes[i], 0.0);
        if (ref.probEvidence > 0.0) {
            for (int k = 0; k < outcomes[i]; k++) b[k] = mass[i][k] / ref.probEvidence;
        }
    }
    return ref;
}

inline VRX_doubleArray Doubles(const std::vector<double>& values) {
    VRX_doubleArray a;
    a.SetSize(static_cast<int>(values.size()));
    for (size_t i = 0; i < values.size(); i++) a[static_cast<int>(i)] = values[i];
    a.SetCount(a.GetSize());
    return a;
}

// A network of CPT nodes whose change notices are off, so evidence stays exactly what a test sets.
class TestNetwork {
public:
    TestNetwork() { net.propagationFlags = 0; }

    int Add(const char* id, int outcomes = 2) {
        const int h = net.AddNode(DefinitionType::kCpt, id);
        EXPECT_GE(h, 0) << id;
        if (outcomes != 2) {
            EXPECT_EQ(net.GetNode(h)->GetDefinition()->SetNumberOfOutcomes(outcomes), kSuccess);
        }
        return h;
    }
    void Arc(int parent, int child) { EXPECT_EQ(net.AddArc(parent, child), kSuccess); }
    // Entries with the parents in arc order, then the node; the node's outcomes vary fastest.
    void Table(int h, const std::vector<double>& values) {
        EXPECT_EQ(net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(Doubles(values)), kSuccess);
    }
    void Observe(int h, int outcome) { EXPECT_EQ(Value(h)->SetEvidence(outcome), kSuccess); }
    VRX_nodeValue* Value(int h) const { return net.GetNode(h)->GetValue(); }
    std::vector<double> Beliefs(int h) const {
        VRX_Dmatrix* m = nullptr;
        Value(h)->GetValue(m);
        if (m == nullptr || m->GetData() == nullptr) return {};
        return std::vector<double>(m->GetData(), m->GetData() + m->GetNumberOfElements());
    }

    // Random tables for every node: columns drawn uniformly and normalised; with zeroShare > 0 some
    // entries are 0.0 (at least one entry of each column stays positive).
    void RandomTables(std::mt19937& rng, double zeroShare) {
        std::uniform_real_distribution<double> u(0.0, 1.0);
        VRX_intArray handles;
        net.GetAllNodes(handles);
        for (int i = 0; i < handles.GetCount(); i++) {
            VRX_nodeDefinition* def = net.GetNode(handles[i])->GetDefinition();
            VRX_Dmatrix* table = nullptr;
            def->GetDefinition(table);
            const int k = def->GetNumberOfOutcomes();
            std::vector<double> values(table->GetNumberOfElements());
            for (size_t c = 0; c < values.size(); c += k) {
                double sum = 0.0;
                for (int j = 0; j < k; j++) {
                    const bool zero = j > 0 && u(rng) < zeroShare;
                    values[c + j] = zero ? 0.0 : 0.05 + u(rng);
                    sum += values[c + j];
                }
                for (int j = 0; j < k; j++) values[c + j] /= sum;
            }
            Table(handles[i], values);
        }
    }

    VRX_network net;
};

}  // namespace brute_force
