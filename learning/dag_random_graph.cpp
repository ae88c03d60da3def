// Random graphs of the learning graph (the starting points of the search restarts), generated nodes,
// snapshots of the arcs as 0/1 matrices, and the pairing of the nodes of two graphs.
#include <algorithm>
#include <string>

#include "base/status_codes.h"
#include "learning/learning_dag.h"
#include "learning/learning_statistics.h"

namespace {

int Parameter(const std::map<std::string, int>* parameters, const char* name, int fallback) {
    if (parameters == nullptr) return fallback;
    const auto found = parameters->find(name);
    return found == parameters->end() ? fallback : found->second;
}

}  // namespace

int dag::add_generated_nodes(int n, const std::map<std::string, int>* parameters) {
    int max_states = Parameter(parameters, "maxNumStates", 4);
    if (max_states < 2) max_states = 4;
    const int num_states = Parameter(parameters, "numStates", 0);
    const bool continuous = Parameter(parameters, "continuous", 0) == 1;
    for (int i = 0; i < n; ++i) {
        const int r = num_states >= 2 ? num_states : i % max_states + 2;
        std::vector<std::string> states;
        for (int k = 0; k < r; ++k) states.push_back("State_" + std::to_string(k));
        const int index = add_node_with_states("Node_" + std::to_string(i), states, {});
        hybrid_node* node = node_at(index);
        if (node == nullptr) return kFailure;
        // No data: the node has its states but nothing to count.
        node->kind = hybrid_node::kDiscretePart | (continuous ? hybrid_node::kContinuousPart : 0);
    }
    return kSuccess;
}

int dag::random_graph(double mean_parents) {
    return random_graph(mean_parents, nullptr, nullptr);
}

int dag::random_graph(double mean_parents, const std::map<std::string, int>* parameters,
                      const std::vector<std::vector<int>>* tiers) {
    const int generated = Parameter(parameters, "numNodes", 0);
    const int nodes = generated >= 1 ? generated : active_count();
    const int asked_limit = Parameter(parameters, "maxNumParents", 0);
    const int limit = asked_limit > 0 ? asked_limit : nodes;
    // Refusals come before any change.
    if (mean_parents > limit) return kOutOfRange;
    if (tiers != nullptr) {
        // Generated nodes are numbered 0..numNodes - 1; otherwise the tiers must cover the active nodes.
        std::vector<char> seen(generated >= 1 ? nodes : node_count(), 0);
        int entries = 0;
        for (const auto& tier : *tiers) {
            for (int i : tier) {
                if (i < 0 || i >= static_cast<int>(seen.size()) || seen[i])
                    return kFailure;  // twice: no order
                seen[i] = 1;
                ++entries;
            }
        }
        if (generated < 1 && !is_partition(*tiers)) return kFailure;
        if (generated >= 1 && (entries != nodes || static_cast<int>(tiers->size()) > nodes)) return kFailure;
    }
    if (generated >= 1) {
        remove_all_nodes();
        if (add_generated_nodes(generated, parameters) != kSuccess) return kFailure;
    }
    std::vector<std::vector<int>> order;
    if (tiers != nullptr) {
        order = *tiers;
    } else {
        std::vector<int> shuffled;
        for (int i = -1; next_active(i) == kSuccess;) shuffled.push_back(i);
        for (int i = 1; i < static_cast<int>(shuffled.size()); ++i)
            std::swap(shuffled[i], shuffled[uniform_int_random(0, i + 1, seed())]);
        for (int i : shuffled) order.push_back({i});
    }
    if (remove_all_arcs() != kSuccess) return kFailure;
    if (order.size() < 2) return 0;
    int asked = 0;
    int earlier = static_cast<int>(order[0].size());
    std::vector<int> picked;
    for (int t = 1; t < static_cast<int>(order.size()); ++t) {
        for (int y : order[t]) {
            int k = 0;
            do {
                k = static_cast<int>(normal_random(static_cast<float>(mean_parents),
                                                   static_cast<float>(0.2 * mean_parents), seed()));
            } while (k > limit);
            k = std::max(k, 0);
            if (k < earlier) {
                picked.clear();
                while (static_cast<int>(picked.size()) < k) {
                    const std::vector<int>& tier = order[uniform_int_random(0, t, seed())];
                    if (tier.empty()) continue;
                    const int from = tier[uniform_int_random(0, static_cast<int>(tier.size()), seed())];
                    if (std::find(picked.begin(), picked.end(), from) != picked.end()) continue;
                    picked.push_back(from);
                    // Parents only from earlier tiers; forced arcs stay, so a cycle check is still due.
                    if (add_arc_acyclic(from, y) == kFailure) return kFailure;
                }
            } else {
                for (int u = t - 1; u >= 0; --u) {
                    for (int from : order[u]) {
                        if (add_arc_acyclic(from, y) == kFailure) return kFailure;
                    }
                }
                k = earlier;
            }
            asked += k;
        }
        earlier += static_cast<int>(order[t].size());
    }
    return asked;
}

void dag::snapshot(std::vector<int>& matrix) const {
    const int n = node_count();
    matrix.assign(static_cast<size_t>(n) * n, 0);
    for (int y = 0; y < n; ++y) {
        for (int x : nodes_[y]->parents) matrix[static_cast<size_t>(x) * n + y] = 1;
    }
}

int dag::restore_snapshot(const std::vector<int>& matrix) {
    const int n = node_count();
    if (static_cast<int64_t>(matrix.size()) != static_cast<int64_t>(n) * n) return kFailure;
    if (remove_all_arcs() != kSuccess) return kFailure;
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            if (matrix[static_cast<size_t>(x) * n + y] == 1 && add_arc(x, y) == kFailure) return kFailure;
        }
    }
    return kSuccess;
}

std::vector<std::pair<int, int>> dag::arc_list() const {
    std::vector<std::pair<int, int>> arcs;
    for (int y = 0; y < node_count(); ++y) {
        for (int x : nodes_[y]->parents) arcs.emplace_back(x, y);
    }
    std::sort(arcs.begin(), arcs.end());
    return arcs;
}

int dag::restore_arc_list(const std::vector<std::pair<int, int>>& arcs) {
    if (remove_all_arcs() != kSuccess) return kFailure;
    for (const auto& arc : arcs) {
        if (add_arc(arc.first, arc.second) == kFailure) return kFailure;
    }
    return kSuccess;
}

int dag::node_index_map(const dag& other, std::vector<int>& map) const {
    map.assign(other.node_count(), -1);
    if (other.active_count() != active_count()) return kFailure;
    // Copies are separate objects: nodes pair by name, in list order among equal names.
    std::vector<char> used(nodes_.size(), 0);
    for (int j = -1; other.next_active(j) == kSuccess;) {
        const std::string& name = other.nodes_[j]->name;
        int i = -1;
        while (next_active(i) == kSuccess && (used[i] || nodes_[i]->name != name)) {
        }
        if (i >= node_count()) return kFailure;
        used[i] = 1;
        map[j] = i;
    }
    return kSuccess;
}
