#pragma once
// Influence diagrams for tests: the oil wildcatter, small random diagrams whose later decisions observe
// all or part of what the earlier ones did, and the maximum expected utility by trying every policy.

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

namespace vovido::test {

inline void SetUtilities(VRX_network& net, const char* id, const std::vector<double>& u) {
    ASSERT_EQ(static_cast<VRX_table&>(Def(net, id)).SetUtilities(vovido::test::Doubles(u)), kSuccess) << id;
}

// E says A equals B and F (observed) that they differ: E = State1 has probability zero, though no single
// table shows it, so logic sampling (algorithm 1) finds no sample that fits. D decides after seeing E.
inline void BuildUnevaluableScenarios(VRX_network& net) {
    AddNode(net, DefinitionType::kCpt, "A", {});
    AddNode(net, DefinitionType::kCpt, "B", {});
    AddNode(net, DefinitionType::kCpt, "E", {"A", "B"});
    ASSERT_EQ(Def(net, "E").SetDefinitionDoubles(Doubles({0, 1, 1, 0, 1, 0, 0, 1})), kSuccess);
    AddNode(net, DefinitionType::kCpt, "F", {"A", "B"});
    ASSERT_EQ(Def(net, "F").SetDefinitionDoubles(Doubles({1, 0, 0, 1, 0, 1, 1, 0})), kSuccess);
    ASSERT_EQ(net.GetNode(net.FindNode("F"))->GetValue()->SetEvidence(1), kSuccess);
    AddNode(net, DefinitionType::kList, "D", {"E"});
    AddNode(net, DefinitionType::kTable, "U", {"D", "E"});
    net.SetBayesianAlgorithm(1);
}

// Test (yes, no) -> Seismic (closed, open, diffuse) <- Oil (dry, wet, soaking); Drill (yes, no) observes
// Test and Seismic; utilities TestCost(Test) and Payoff(Drill, Oil). Without a test the seismic result
// says nothing. The best policy tests, then drills unless the result is diffuse: 22.5.
inline void BuildWildcatter(VRX_network& net) {
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

// After the wildcatter: k three-choice decisions x_j between the test and the drilling, each observing a
// three-outcome root o_j and the decision before it; the drilling observes every o_j and the last x_j
// too. None of them bears on a utility.
inline void AddIrrelevantInformation(VRX_network& net, int k) {
    std::string previous = "Test";
    for (int j = 0; j < k; j++) {
        const std::string o = "o" + std::to_string(j);
        const std::string x = "x" + std::to_string(j);
        AddNode(net, DefinitionType::kCpt, o.c_str(), {});
        AddNode(net, DefinitionType::kList, x.c_str(), {});
        for (const std::string& id : {o, x}) ASSERT_EQ(Def(net, id.c_str()).SetNumberOfOutcomes(3), kSuccess);
        for (const std::string& parent : {o, previous})
            ASSERT_EQ(net.AddArc(net.FindNode(parent.c_str()), net.FindNode(x.c_str())), kSuccess);
        ASSERT_EQ(net.AddArc(net.FindNode(o.c_str()), net.FindNode("Drill")), kSuccess);
        previous = x;
    }
    if (k > 0) {
        ASSERT_EQ(net.AddArc(net.FindNode(previous.c_str()), net.FindNode("Drill")), kSuccess);
    }
}

// After the wildcatter: k three-outcome roots c_j observed before the drilling, each a parent of a utility
// v_j of its own beside the drilling (c_j = 2 makes drilling pay), so that every observation matters.
inline void AddOwnUtilities(VRX_network& net, int k) {
    for (int j = 0; j < k; j++) {
        const std::string c = "c" + std::to_string(j);
        const std::string v = "v" + std::to_string(j);
        AddNode(net, DefinitionType::kCpt, c.c_str(), {});
        ASSERT_EQ(Def(net, c.c_str()).SetNumberOfOutcomes(3), kSuccess);
        ASSERT_EQ(Def(net, c.c_str()).SetDefinitionDoubles(Doubles({0.2, 0.3, 0.5})), kSuccess);
        ASSERT_EQ(net.AddArc(net.FindNode(c.c_str()), net.FindNode("Drill")), kSuccess);
        AddNode(net, DefinitionType::kTable, v.c_str(), {c.c_str(), "Drill"});
        SetUtilities(net, v.c_str(), {-20, 0, 5, 0, 30.0 + j, 0});
    }
}

struct Diagram {
    std::vector<int> chance;
    std::vector<int> decisions;  // in the order they are taken
    std::vector<int> utilities;
};

// The identifiers of the indexing parents of the node's value, in order.
inline std::vector<std::string> IndexingIds(VRX_network& net, const char* id) {
    std::vector<std::string> ids;
    const VRX_intArray& parents = net.GetNode(net.FindNode(id))->GetValue()->GetIndexingParents();
    for (int k = 0; k < parents.GetCount(); k++) ids.emplace_back(net.GetNode(parents[k])->GetId());
    return ids;
}

// What the later decisions of a random diagram observe.
enum class Recall {
    kEverything,    // what the one before observed, that decision and its effect
    kAssumedOrder,  // c0 and the decisions before the one just before, which the solvers assume
    kForgetful,     // at random the effect of the decision just before and that decision
};

// Random binary chance nodes c0.., decisions d0.. with an effect e(k) each (a chance node under d(k) and
// c0), and utility nodes over random nodes. d0 observes c0, except when forgetful (it observes nothing,
// and needs two decisions at least).
inline Diagram BuildRandomDiagram(VRX_network& net, std::mt19937& rng, int chanceCount, int decisionCount,
                                  int utilityCount, Recall recall = Recall::kEverything) {
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
    std::vector<std::string> observed;
    if (recall != Recall::kForgetful) observed.push_back("c0");
    for (int k = 0; k < decisionCount; k++) {
        const std::string id = "d" + std::to_string(k);
        d.decisions.push_back(add(DefinitionType::kList, id, observed));
        const std::string effect = "e" + std::to_string(k);
        d.chance.push_back(add(DefinitionType::kCpt, effect, {id, "c0"}));
        if (recall == Recall::kEverything) {
            observed.push_back(id);
            observed.push_back(effect);
        } else if (recall == Recall::kAssumedOrder) {
            if (k > 0) observed.push_back("d" + std::to_string(k - 1));
        } else {
            observed.clear();
            if (u(rng) < 0.5) observed.push_back(id);
            if (u(rng) < 0.7) observed.push_back(effect);
        }
    }
    const std::vector<std::string> candidates = ids;
    for (int i = 0; i < utilityCount; i++) {
        std::vector<std::string> parents;
        // Forgetful, the first utility joins the first and the last decision, which need not see it.
        if (recall == Recall::kForgetful && i == 0) parents = {"d0", "d" + std::to_string(decisionCount - 1)};
        for (const std::string& id : candidates) {
            if (u(rng) < 0.3 && parents.size() < 3 &&
                std::find(parents.begin(), parents.end(), id) == parents.end())
                parents.push_back(id);
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

// One choice per decision (in the diagram's order) and configuration of its parents (the first parent
// most significant).
using Policy = std::vector<std::vector<int>>;

// Likelihoods (virtual evidence) on chance nodes, by handle; empty for a node without.
using Likelihoods = std::vector<std::vector<double>>;

// The expected utility of the policy, by enumerating the joint of decisions and chance nodes, each
// configuration weighed by the likelihoods on its chance nodes (which must not lie below a decision, so
// that their weight is the same under every policy). Hard chance evidence is not supported; decisions
// are free.
inline double PolicyUtility(const VRX_network& net, const Diagram& d, const Policy& policy,
                            const Likelihoods& likelihoods = {}) {
    // Decisions first: a joint configuration the policy rules out is passed over before any table is read.
    std::vector<int> nodes = d.decisions;
    nodes.insert(nodes.end(), d.chance.begin(), d.chance.end());
    std::vector<int> position(static_cast<size_t>(net.GetNumberOfSlots()), -1);
    for (size_t i = 0; i < nodes.size(); i++) position[static_cast<size_t>(nodes[i])] = static_cast<int>(i);
    std::vector<int> outcomes;
    std::vector<std::vector<int>> parents;  // positions, for each node and utility
    std::vector<const VRX_Dmatrix*> tables;
    auto add = [&](int h) {
        const VRX_intArray& list = net.GetParents(h);
        parents.emplace_back();
        for (int k = 0; k < list.GetCount(); k++)
            parents.back().push_back(position[static_cast<size_t>(list[k])]);
        VRX_Dmatrix* table = nullptr;
        if (net.GetNodeType(h) != DefinitionType::kList) {
            EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
        }
        tables.push_back(table);
    };
    for (int h : nodes) {
        outcomes.push_back(net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes());
        add(h);
    }
    for (int h : d.utilities) add(h);
    std::vector<int> x(nodes.size(), 0);
    auto rowOf = [&](size_t j) {
        int row = 0;
        for (int p : parents[j]) row = row * outcomes[static_cast<size_t>(p)] + x[static_cast<size_t>(p)];
        return row;
    };
    const size_t decisions = d.decisions.size();
    double eu = 0.0;
    double weight = 0.0;
    for (;;) {
        double p = 1.0;
        for (size_t i = 0; i < nodes.size() && p > 0.0; i++) {
            if (i < decisions) {
                p = policy[i][static_cast<size_t>(rowOf(i))] == x[i] ? 1.0 : 0.0;
            } else {
                p *= (*tables[i])[rowOf(i) * outcomes[i] + x[i]];
                const size_t h = static_cast<size_t>(nodes[i]);
                if (h < likelihoods.size() && !likelihoods[h].empty())
                    p *= likelihoods[h][static_cast<size_t>(x[i])];
            }
        }
        weight += p;
        for (size_t u = 0; u < d.utilities.size() && p > 0.0; u++)
            eu += p * (*tables[nodes.size() + u])[rowOf(nodes.size() + u)];
        size_t i = 0;
        while (i < x.size() && ++x[i] == outcomes[i]) x[i++] = 0;
        if (i == x.size()) return likelihoods.empty() ? eu : eu / weight;
    }
}

// The rows of each decision's policy: the configurations of its parents.
inline std::vector<int> PolicyRows(const VRX_network& net, const Diagram& d) {
    std::vector<int> rows;
    for (int h : d.decisions) {
        const VRX_intArray& parents = net.GetParents(h);
        int n = 1;
        for (int k = 0; k < parents.GetCount(); k++)
            n *= net.GetNode(parents[k])->GetDefinition()->GetNumberOfOutcomes();
        rows.push_back(n);
    }
    return rows;
}

// Arcs into every decision from every earlier decision and every node observed before it (no forgetting),
// so that the policies tried see all of it.
inline void AddNoForgettingArcs(VRX_network& net, const Diagram& d) {
    std::vector<int> known;
    for (int h : d.decisions) {
        VRX_intArray parents;
        ASSERT_EQ(parents.Copy(net.GetParents(h)), kSuccess);
        for (int k = 0; k < parents.GetCount(); k++) {
            if (std::find(known.begin(), known.end(), parents[k]) == known.end()) known.push_back(parents[k]);
        }
        for (int x : known) {
            if (net.AreAdjacent(x, h) != 1) {
                ASSERT_EQ(net.AddArc(x, h), kSuccess);
            }
        }
        known.push_back(h);
    }
}

// The maximum expected utility over every policy, tried one by one.
inline double BruteForceMeu(const VRX_network& net, const Diagram& d, const Likelihoods& likelihoods = {}) {
    Policy policy;
    std::vector<int> choices;
    for (int h : d.decisions) choices.push_back(net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes());
    for (int rows : PolicyRows(net, d)) policy.emplace_back(static_cast<size_t>(rows), 0);
    double best = -1e300;
    for (;;) {
        best = std::max(best, PolicyUtility(net, d, policy, likelihoods));
        size_t k = 0;
        size_t r = 0;
        for (;;) {
            if (k == policy.size()) return best;
            if (++policy[k][r] < choices[k]) break;
            policy[k][r] = 0;
            if (++r == policy[k].size()) {
                r = 0;
                k++;
            }
        }
    }
}

}  // namespace vovido::test
