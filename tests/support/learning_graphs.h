#pragma once
// Learning graphs for tests of the learning library: graphs over columns of state indices or over records
// sampled from a network, acyclicity, scores computed afresh, and every single arc change of a graph
// scored by building the changed graph.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "learning/data_set.h"
#include "learning/learning_dag.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/arrays.h"
#include "tests/support/reference_networks.h"
#include "tests/support/sampled_data.h"

namespace vovido::test {

// Nodes "v0", "v1", ... over the columns; node v gets states[v] states (2 when not given) named "s0", ...
inline void AddColumns(dag& g, const std::vector<std::vector<int32_t>>& columns,
                       const std::vector<int>& states = {}) {
    for (size_t v = 0; v < columns.size(); ++v) {
        std::vector<std::string> names;
        for (int s = 0; s < (v < states.size() ? states[v] : 2); ++s)
            names.push_back("s" + std::to_string(s));
        g.add_node_with_states("v" + std::to_string(v), names, columns[v]);
    }
}

// Indices of the records the graph has in use.
inline std::vector<int> RecordsInUse(const dag& g) {
    std::vector<int> in_use;
    for (int r = 0; r < g.record_count(); ++r) {
        if (g.record_in_use(r)) in_use.push_back(r);
    }
    return in_use;
}

// A graph over records drawn from the named reference network (tests/data/networks).
inline bool SampledGraph(const std::string& network, int records, uint32_t seed, dag& graph) {
    VRX_network net;
    if (net.ReadFile(vovido::test::ReferencePath(network, ".xvrx").c_str()) != kSuccess) return false;
    DataSet data;
    return SampleRecords(net, records, seed, data) && graph.import_data_set(data);
}

inline std::vector<int> Arcs(const dag& graph) {
    std::vector<int> matrix;
    graph.snapshot(matrix);
    return matrix;
}

inline bool IsAcyclic(dag& graph) {
    for (int i = 0; i < graph.node_count(); ++i) {
        for (int p : graph.node_at(i)->parents) {
            if (graph.has_path(i, p)) return false;
        }
    }
    return true;
}

// The score of the graph's arcs computed from nothing cached: data term plus graph prior.
inline double FreshScore(const dag& graph) {
    dag copy;
    copy.copy_from(graph);
    // Any option change drops the cached family scores; the value is set back.
    int criterion = 0;
    (void)copy.get_int_option(5, criterion);
    (void)copy.set_int_option("CRITERION", criterion);
    double sum = 0.0;
    for (int i = -1; copy.next_active(i) == kSuccess;) {
        copy.node_at(i)->arc_prior_valid = false;
        sum += copy.local_score(i) + copy.arc_prior_term(i);
    }
    return sum;
}

struct ScoredMove {
    int kind, from, to;
    double delta;
};

// Every removal, acyclic reversal and acyclic addition of the graph (forced arcs stay, forbidden arcs
// are never added), each scored by building the changed graph.
inline std::vector<ScoredMove> AllMoves(const dag& graph) {
    std::vector<ScoredMove> moves;
    const double base = FreshScore(graph);
    const int n = graph.node_count();
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            if (x == y) continue;
            const bool arc = graph.node_at(y)->is_parent(x);
            for (int kind :
                 arc ? std::vector<int>{dag::kRemove, dag::kReverse} : std::vector<int>{dag::kAdd}) {
                dag changed;
                changed.copy_from(graph);
                int result = 0;
                if (kind == dag::kRemove) result = changed.remove_arc(x, y);
                if (kind == dag::kReverse) result = changed.reverse_arc_acyclic(x, y);
                if (kind == dag::kAdd) result = changed.add_arc_acyclic(x, y);
                if (result == 1) moves.push_back({kind, x, y, FreshScore(changed) - base});
            }
        }
    }
    return moves;
}

using LearningNodes = std::vector<std::pair<std::string, std::vector<std::string>>>;

// One node per (name, states), in order, with the column of the same position (none: no records).
inline void AddLearningNodes(dag& g, const LearningNodes& nodes,
                             const std::vector<std::vector<int32_t>>& columns = {}) {
    for (size_t i = 0; i < nodes.size(); ++i)
        g.add_node_with_states(nodes[i].first, nodes[i].second,
                               i < columns.size() ? columns[i] : std::vector<int32_t>());
}

inline std::vector<double> TableOf(const VRX_network& net, int h) {
    VRX_Dmatrix* m = nullptr;
    EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(m), kSuccess);
    return m != nullptr ? Entries(*m) : std::vector<double>();
}

}  // namespace vovido::test
