#pragma once
// Random small discrete networks with random evidence, virtual evidence and targets, and their reference
// answers by enumerating the joint with every finding (hard evidence and likelihoods) applied.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "model/dmatrix.h"
#include "model/double_array.h"
#include "model/int_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/status_codes.h"

namespace random_networks {

struct Reference {
    // Sum of the joint, each configuration weighted by the likelihoods of the virtual evidence, over the
    // configurations that agree with the hard evidence.
    double probEvidence = 0.0;
    // Posterior of every node by handle (empty for a free slot); all zeros when probEvidence is 0.
    std::vector<std::vector<double>> beliefs;
};

inline VRX_doubleArray Doubles(const std::vector<double>& values) {
    VRX_doubleArray a;
    a.SetSize(static_cast<int>(values.size()));
    for (size_t i = 0; i < values.size(); i++) a[static_cast<int>(i)] = values[i];
    a.SetCount(a.GetSize());
    return a;
}

// Tables: parents in arc order, then the node, last dimension fastest.
inline Reference Enumerate(const VRX_network& net) {
    Reference ref;
    VRX_intArray handles;
    net.GetAllNodes(handles);
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
        node->GetDefinition()->GetDefinition(table);
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

enum class TableKind {
    kPositive,       // every entry positive
    kSparse,         // some zeros, at least two positive entries per column: no certain outcome
    kDeterministic,  // some columns 0/1, the rest positive
};

struct Shape {
    int minNodes = 3;
    int maxNodes = 8;
    int maxParents = 3;
    // Largest number of joint configurations, so that enumeration stays quick.
    long long maxJoint = 4096;
    TableKind tables = TableKind::kPositive;
    double evidenceShare = 0.25;
    double virtualShare = 0.15;
    double targetShare = 0.0;  // 0: no target set
};

// A random DAG whose handle order is not its topological order, with 2-4 outcomes per node.
inline void Build(VRX_network& net, std::mt19937& rng, const Shape& shape) {
    std::uniform_int_distribution<int> sizeOf(shape.minNodes, shape.maxNodes);
    std::uniform_int_distribution<int> outcomesOf(2, 4);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const int n = sizeOf(rng);
    // Outcome counts within the joint budget: a node falls back to 2 outcomes when more would leave
    // too little room for the nodes after it.
    std::vector<int> outcomes(n);
    long long joint = 1;
    for (int i = 0; i < n; i++) {
        outcomes[i] = outcomesOf(rng);
        if (joint * outcomes[i] * (1LL << (n - 1 - i)) > shape.maxJoint) outcomes[i] = 2;
        joint *= outcomes[i];
    }
    std::vector<int> handles(n);
    for (int i = 0; i < n; i++) {
        handles[i] = net.AddNode(DefinitionType::kCpt, ("n" + std::to_string(i)).c_str());
        ASSERT_GE(handles[i], 0);
        if (outcomes[i] != 2) {
            ASSERT_EQ(net.GetNode(handles[i])->GetDefinition()->SetNumberOfOutcomes(outcomes[i]), 0);
        }
    }
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    for (int j = 1; j < n; j++) {
        std::uniform_int_distribution<int> count(0, std::min(j, shape.maxParents));
        const int k = count(rng);
        std::vector<int> earlier(order.begin(), order.begin() + j);
        std::shuffle(earlier.begin(), earlier.end(), rng);
        for (int p = 0; p < k; p++) ASSERT_EQ(net.AddArc(handles[earlier[p]], handles[order[j]]), 0);
    }
    for (int i = 0; i < n; i++) {
        VRX_nodeDefinition* def = net.GetNode(handles[i])->GetDefinition();
        VRX_Dmatrix* table = nullptr;
        def->GetDefinition(table);
        const int k = outcomes[i];
        std::vector<double> values(static_cast<size_t>(table->GetNumberOfElements()));
        for (size_t c = 0; c < values.size(); c += k) {
            if (shape.tables == TableKind::kDeterministic && u(rng) < 0.5) {
                values[c + std::uniform_int_distribution<int>(0, k - 1)(rng)] = 1.0;
                continue;
            }
            double sum = 0.0;
            int positive = 0;
            for (int j = 0; j < k; j++) {
                const bool zero =
                    shape.tables == TableKind::kSparse && positive + (k - j) > 2 && u(rng) < 0.35;
                values[c + j] = zero ? 0.0 : 0.05 + u(rng);
                positive += zero ? 0 : 1;
                sum += values[c + j];
            }
            for (int j = 0; j < k; j++) values[c + j] /= sum;
        }
        ASSERT_EQ(def->SetDefinitionDoubles(Doubles(values)), 0);
    }
    for (int i = 0; i < n; i++) {
        VRX_nodeValue* value = net.GetNode(handles[i])->GetValue();
        const double r = u(rng);
        if (r < shape.evidenceShare) {
            // Evidence the network refuses (impossible given observed parents) is simply left out.
            value->SetEvidence(std::uniform_int_distribution<int>(0, outcomes[i] - 1)(rng));
        } else if (r < shape.evidenceShare + shape.virtualShare) {
            std::vector<double> weights(outcomes[i]);
            for (double& w : weights) w = u(rng) < 0.2 ? 0.0 : 0.1 + u(rng);
            weights[0] += 0.01;
            value->SetVirtualEvidence(Doubles(weights));
        }
        if (shape.targetShare > 0.0 && u(rng) < shape.targetShare) net.SetTarget(handles[i]);
    }
}

inline std::vector<double> Beliefs(const VRX_network& net, int h) {
    VRX_Dmatrix* m = nullptr;
    net.GetNode(h)->GetValue()->GetValue(m);
    if (m == nullptr || m->GetData() == nullptr) return {};
    return std::vector<double>(m->GetData(), m->GetData() + m->GetNumberOfElements());
}

// Every requested node (every node while none is a target) is up to date and agrees with the reference.
inline void ExpectBeliefs(const VRX_network& net, const Reference& ref, double tolerance,
                          const std::string& where) {
    const bool all = net.GetNumberOfTargets() == 0;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if (!all && net.IsTarget(h) != 1) continue;
        EXPECT_TRUE(net.GetNode(h)->GetValue()->IsUpToDate()) << where << " node " << h;
        const std::vector<double> got = Beliefs(net, h);
        ASSERT_EQ(got.size(), ref.beliefs[h].size()) << where << " node " << h;
        for (size_t k = 0; k < got.size(); k++)
            EXPECT_NEAR(got[k], ref.beliefs[h][k], tolerance) << where << " node " << h << " outcome " << k;
    }
}

// True when some value other than one with evidence is marked up to date.
inline bool AnyUnobservedUpToDate(const VRX_network& net) {
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const VRX_nodeValue* value = net.GetNode(h)->GetValue();
        if (!value->HasEvidence() && value->IsUpToDate()) return true;
    }
    return false;
}

}  // namespace random_networks
