#pragma once
// Influence diagrams for tests: the oil wildcatter, small random diagrams whose later decisions observe
// everything the earlier ones did, and the maximum expected utility by trying every policy.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "definitions/utility_table.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace influence_diagrams {

using vovido::test::AddNode;
using vovido::test::Def;

inline void SetUtilities(VRX_network& net, const char* id, const std::vector<double>& u) {
    ASSERT_EQ(static_cast<VRX_table&>(Def(net, id)).SetUtilities(vovido::test::Doubles(u)), kSuccess) << id;
}

// Test (yes, no) -> Seismic (closed, open, diffuse) <- Oil (dry, wet, soaking); Drill (yes, no) observes
// Test and Seismic; utilities TestCost(Test) and Payoff(Drill, Oil). Without a test the seismic result
// says nothing. The best policy tests, then drills unless the result is diffuse: 22.5.
inline void BuildWildcatter(VRX_network& net) {
    using vovido::test::Doubles;
    using vovido::test::Strings;
    AddNode(net, DefinitionType::kCpt, "Oil", {});
    ASSERT_EQ(Def(net, "Oil").SetOutcomes(Strings({"dry", "wet", "soaking"})), kSuccess);
    ASSERT_EQ(Def(net, "Oil").SetDefinitionDoubles(Doubles({0.5, 0.3, 0.2})), kSuccess);
    AddNode(net, DefinitionType::kList, "Test", {});
    ASSERT_EQ(Def(net, "Test").SetOutcomes(Strings({"yes", "no"})), kSuccess);
    AddNode(net, DefinitionType::kCpt, "Seismic", {"Oil", "Test"});
    ASSERT_EQ(Def(net, "Seismic").SetOutcomes(Strings({"closed", "open", "diffuse"})), kSuccess);
    const double t = 1.0 / 3;
    ASSERT_EQ(Def(net, "Seismic")
                  .SetDefinitionDoubles(
                      Doubles({0.1, 0.3, 0.6, t, t, t, 0.3, 0.4, 0.3, t, t, t, 0.5, 0.4, 0.1, t, t, t})),
              kSuccess);
    AddNode(net, DefinitionType::kList, "Drill", {"Test", "Seismic"});
    ASSERT_EQ(Def(net, "Drill").SetOutcomes(Strings({"yes", "no"})), kSuccess);
    AddNode(net, DefinitionType::kTable, "TestCost", {"Test"});
    SetUtilities(net, "TestCost", {-10, 0});
    AddNode(net, DefinitionType::kTable, "Payoff", {"Drill", "Oil"});
    SetUtilities(net, "Payoff", {-70, 50, 200, 0, 0, 0});
}

struct Diagram {
    std::vector<int> chance;
    std::vector<int> decisions;  // in the order they are taken
    std::vector<int> utilities;
};

// Random binary chance nodes c0.., decisions d0.. where d0 observes c0 and each later decision observes
// what the one before it observed, that decision and its effect e(k-1) (a chance node under the decision
// and c0), and utility nodes over random nodes.
inline Diagram BuildRandomDiagram(VRX_network& net, std::mt19937& rng, int chanceCount, int decisionCount,
                                  int utilityCount) {
    Diagram d;
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<std::string> ids;
    auto add = [&](int type, const std::string& id, const std::vector<std::string>& parents) {
        std::vector<const char*> names;
        for (const std::string& p : parents) names.push_back(p.c_str());
        ids.push_back(id);
        return AddNode(net, type, id.c_str(), names);
    };
    for (int i = 0; i < chanceCount; i++) {
        std::vector<std::string> parents;
        for (int j = 0; j < i && parents.size() < 2; j++) {
            if (u(rng) < 0.4) parents.push_back(ids[static_cast<size_t>(j)]);
        }
        d.chance.push_back(add(DefinitionType::kCpt, "c" + std::to_string(i), parents));
    }
    std::vector<std::string> observed{"c0"};
    for (int k = 0; k < decisionCount; k++) {
        const std::string id = "d" + std::to_string(k);
        d.decisions.push_back(add(DefinitionType::kList, id, observed));
        const std::string effect = "e" + std::to_string(k);
        d.chance.push_back(add(DefinitionType::kCpt, effect, {id, "c0"}));
        observed.push_back(id);
        observed.push_back(effect);
    }
    const std::vector<std::string> candidates = ids;
    for (int i = 0; i < utilityCount; i++) {
        std::vector<std::string> parents;
        for (const std::string& id : candidates) {
            if (u(rng) < 0.3 && parents.size() < 3) parents.push_back(id);
        }
        if (parents.empty()) parents.push_back(candidates.back());
        d.utilities.push_back(add(DefinitionType::kTable, "u" + std::to_string(i), parents));
    }
    std::uniform_real_distribution<double> utility(-50.0, 100.0);
    for (int h : d.chance) {
        VRX_Dmatrix* table = nullptr;
        EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
        const int n = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
        for (int c = 0; c < table->GetNumberOfElements(); c += n) {
            double sum = 0.0;
            for (int k = 0; k < n; k++) sum += ((*table)[c + k] = 0.05 + u(rng));
            for (int k = 0; k < n; k++) (*table)[c + k] /= sum;
        }
    }
    for (int h : d.utilities) {
        VRX_Dmatrix* table = nullptr;
        EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
        for (int c = 0; c < table->GetNumberOfElements(); c++) (*table)[c] = utility(rng);
    }
    return d;
}

// The maximum expected utility over every policy (one choice per decision and configuration of its
// parents), by enumerating the joint of chance nodes and decisions for each policy. Chance evidence is
// not supported; decisions are free.
inline double BruteForceMeu(const VRX_network& net, const Diagram& d, std::vector<int>* bestFirst = nullptr) {
    std::vector<int> nodes = d.chance;
    nodes.insert(nodes.end(), d.decisions.begin(), d.decisions.end());
    std::vector<int> position(static_cast<size_t>(net.GetNumberOfSlots()), -1);
    for (size_t i = 0; i < nodes.size(); i++) position[static_cast<size_t>(nodes[i])] = static_cast<int>(i);
    std::vector<int> outcomes;
    for (int h : nodes) outcomes.push_back(net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes());
    auto rowOf = [&](int h, const std::vector<int>& x) {
        const VRX_intArray& parents = net.GetParents(h);
        int row = 0;
        for (int k = 0; k < parents.GetCount(); k++) {
            const int p = position[static_cast<size_t>(parents[k])];
            row = row * outcomes[static_cast<size_t>(p)] + x[static_cast<size_t>(p)];
        }
        return row;
    };
    auto rowsOf = [&](int h) {
        const VRX_intArray& parents = net.GetParents(h);
        int rows = 1;
        for (int k = 0; k < parents.GetCount(); k++)
            rows *= outcomes[static_cast<size_t>(position[static_cast<size_t>(parents[k])])];
        return rows;
    };
    // The policy: one choice per decision row, as a mixed-radix counter.
    std::vector<std::vector<int>> policy;
    for (int h : d.decisions) policy.emplace_back(static_cast<size_t>(rowsOf(h)), 0);
    double best = -1e300;
    for (;;) {
        double eu = 0.0;
        std::vector<int> x(nodes.size(), 0);
        for (;;) {
            double p = 1.0;
            for (size_t i = 0; i < nodes.size() && p > 0.0; i++) {
                const int h = nodes[i];
                if (i < d.chance.size()) {
                    VRX_Dmatrix* table = nullptr;
                    EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
                    p *= (*table)[rowOf(h, x) * outcomes[i] + x[i]];
                } else {
                    p *= policy[i - d.chance.size()][static_cast<size_t>(rowOf(h, x))] == x[i] ? 1.0 : 0.0;
                }
            }
            if (p > 0.0) {
                double total = 0.0;
                for (int h : d.utilities) {
                    VRX_Dmatrix* table = nullptr;
                    EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
                    total += (*table)[rowOf(h, x)];
                }
                eu += p * total;
            }
            size_t i = 0;
            while (i < x.size() && ++x[i] == outcomes[i]) x[i++] = 0;
            if (i == x.size()) break;
        }
        if (eu > best) {
            best = eu;
            if (bestFirst != nullptr) *bestFirst = policy[0];
        }
        size_t k = 0;
        size_t r = 0;
        for (;;) {
            if (k == policy.size()) return best;
            const int n = outcomes[static_cast<size_t>(position[static_cast<size_t>(d.decisions[k])])];
            if (++policy[k][r] < n) break;
            policy[k][r] = 0;
            if (++r == policy[k].size()) {
                r = 0;
                k++;
            }
        }
    }
}

}  // namespace influence_diagrams
