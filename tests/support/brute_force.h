#pragma once
// Reference answers for small discrete networks: posteriors and the probability of the evidence by
// enumerating every configuration of the joint distribution with every finding applied.

#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace vovido::test {

struct Reference {
    // Sum of the joint, each configuration weighted by the likelihoods of the virtual evidence, over the
    // configurations that agree with the hard evidence.
    double probEvidence = 0.0;
    // Posterior of every node by handle (empty for a free slot); the 0/1 vector for an observed node,
    // all zeros when the evidence is impossible.
    std::vector<std::vector<double>> beliefs;
};

// Enumerates the joint of a network of CPT-like nodes (each table: parents in arc order, then the node,
// last dimension fastest). Hard evidence (flags 1 or 4 of the value) restricts the configurations;
// virtual evidence weighs them.
inline Reference Enumerate(const VRX_network& net) {
    Reference ref;
    VRX_intArray handles;
    EXPECT_EQ(net.GetAllNodes(handles), kSuccess);
    const int n = handles.GetCount();
    std::vector<int> outcomes(n), evidence(n, -1), position(net.GetNumberOfSlots(), -1);
    std::vector<const VRX_Dmatrix*> tables(n);
    std::vector<std::vector<int>> parents(n);
    std::vector<std::vector<double>> likelihood(n);
    for (int i = 0; i < n; i++) position[handles[i]] = i;
    for (int i = 0; i < n; i++) {
        VRX_node* node = net.GetNode(handles[i]);
        outcomes[i] = node->GetDefinition()->GetNumberOfOutcomes();
        VRX_Dmatrix* table = nullptr;
        EXPECT_EQ(node->GetDefinition()->GetDefinition(table), kSuccess);
        tables[i] = table;
        const VRX_intArray& p = net.GetParents(handles[i]);
        for (int k = 0; k < p.GetCount(); k++) parents[i].push_back(position[p[k]]);
        VRX_nodeValue* value = node->GetValue();
        if (value->HasEvidence()) evidence[i] = value->GetEvidence();
        VRX_doubleArray weights;
        if (value->HasFlag(ValueFlags::kVirtualEvidence) && value->GetVirtualEvidence(weights) == kSuccess)
            likelihood[i].assign(weights.GetItems(), weights.GetItems() + weights.GetCount());
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
                int index = x[i] * strides[parents[i].size()];
                for (size_t k = 0; k < parents[i].size(); k++) index += strides[k] * x[parents[i][k]];
                joint *= (*tables[i])[index];
                if (!likelihood[i].empty()) joint *= likelihood[i][x[i]];
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

}  // namespace vovido::test
