#pragma once
// Random small discrete networks with random evidence, virtual evidence and targets, and the checks of
// their beliefs against the reference answers of vovido::test::Enumerate.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/brute_force.h"
#include "tests/support/whole_part.h"

namespace vovido::test {

enum class TableKind {
    kPositive,       // every entry positive
    kSparse,         // some zeros, at least two positive entries per column: no certain outcome
    kDeterministic,  // some columns 0/1, the rest positive
};

struct RandomShape {
    int minNodes = 3;
    int maxNodes = 8;
    int maxParents = 3;
    // Largest number of joint configurations, so that enumeration stays quick.
    long long maxJoint = 4096;
    TableKind tables = TableKind::kPositive;
    double evidenceShare = 0.25;
    double virtualShare = 0.15;
    double targetShare = 0.0;  // 0: no target set
    // Arcs that would close an undirected cycle are left out: a forest of polytrees.
    bool singlyConnected = false;
};

// A random DAG whose handle order is not its topological order, with 2-4 outcomes per node.
inline void Build(VRX_network& net, std::mt19937& rng, const RandomShape& shape) {
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
    // Undirected component of each node, for singly connected shapes.
    std::vector<int> component(n);
    std::iota(component.begin(), component.end(), 0);
    for (int j = 1; j < n; j++) {
        std::uniform_int_distribution<int> count(0, std::min(j, shape.maxParents));
        const int k = count(rng);
        std::vector<int> earlier(order.begin(), order.begin() + j);
        std::shuffle(earlier.begin(), earlier.end(), rng);
        for (int p = 0; p < k; p++) {
            const int from = component[earlier[p]];
            const int to = component[order[j]];
            if (shape.singlyConnected && from == to) continue;
            ASSERT_EQ(net.AddArc(handles[earlier[p]], handles[order[j]]), 0);
            for (int& c : component) c = c == from ? to : c;
        }
    }
    for (int i = 0; i < n; i++) {
        VRX_nodeDefinition* def = net.GetNode(handles[i])->GetDefinition();
        VRX_Dmatrix* table = nullptr;
        ASSERT_EQ(def->GetDefinition(table), kSuccess);
        const int k = outcomes[i];
        std::vector<double> values(static_cast<size_t>(table->GetNumberOfElements()));
        for (size_t c = 0; c < values.size(); c += k) {
            if (shape.tables == TableKind::kDeterministic && u(rng) < 0.5) {
                values[c + std::uniform_int_distribution<int>(0, k - 1)(rng)] = 1.0;
                continue;
            }
            // Sparse columns keep two positive entries at least.
            vovido::test::RandomColumn(&values[c], k, rng, [&](int j, int positive) {
                return shape.tables == TableKind::kSparse && positive + (k - j) > 2 && u(rng) < 0.35;
            });
        }
        ASSERT_EQ(def->SetDefinitionDoubles(vovido::test::Doubles(values)), 0);
    }
    for (int i = 0; i < n; i++) {
        VRX_nodeValue* value = net.GetNode(handles[i])->GetValue();
        const double r = u(rng);
        if (r < shape.evidenceShare) {
            // Evidence the network refuses (impossible given observed parents) is simply left out.
            static_cast<void>(
                value->SetEvidence(std::uniform_int_distribution<int>(0, outcomes[i] - 1)(rng)));
        } else if (r < shape.evidenceShare + shape.virtualShare) {
            std::vector<double> weights(outcomes[i]);
            for (double& w : weights) w = u(rng) < 0.2 ? 0.0 : 0.1 + u(rng);
            weights[0] += 0.01;
            ASSERT_EQ(value->SetVirtualEvidence(vovido::test::Doubles(weights)), kSuccess);
        }
        if (shape.targetShare > 0.0 && u(rng) < shape.targetShare) {
            ASSERT_EQ(net.SetTarget(handles[i]), kSuccess);
        }
    }
}

// Every requested node (every node while none is a target) is up to date and agrees with the reference.
inline void ExpectBeliefs(const VRX_network& net, const vovido::test::Reference& ref, double tolerance,
                          const std::string& where) {
    const bool all = net.GetNumberOfTargets() == 0;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if (!all && net.IsTarget(h) != 1) continue;
        EXPECT_TRUE(net.GetNode(h)->GetValue()->IsUpToDate()) << where << " node " << h;
        vovido::test::ExpectNear(vovido::test::Beliefs(net, h), ref.beliefs[h], tolerance,
                                 where + " node " + std::to_string(h));
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

}  // namespace vovido::test
