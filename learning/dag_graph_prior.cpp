// Graph prior of the learning graph: each arc x -> y has a probability P(x, y); a node's term is the
// log-probability of having exactly its children among the other nodes, and the graph prior sums the
// terms. Each term is cached in its node until the node's children change.
#include <cmath>

#include "base/status_codes.h"
#include "learning/learning_dag.h"

int dag::set_arc_probabilities(const std::vector<double>& table) {
    const int n = node_count();
    if (!table.empty() && static_cast<int64_t>(table.size()) != static_cast<int64_t>(n) * n)
        return kOutOfRange;
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            // The diagonal names no arc; elsewhere 0 and 1 have no finite logarithm.
            const double p = table.empty() ? 0.5 : table[static_cast<size_t>(x) * n + y];
            if (x != y && !(p > 0.0 && p < 1.0)) return kFailure;
        }
    }
    arc_probabilities_ = table;
    arc_probability_size_ = table.empty() ? 0 : n;
    for (auto& node : nodes_) node->arc_prior_valid = false;
    invalidate_scores();
    return kSuccess;
}

double dag::arc_gain(int x, int y) const {
    const int n = arc_probability_size_;
    if (x < 0 || y < 0 || x >= n || y >= n || x == y) return 0.0;
    const double p = arc_probabilities_[static_cast<size_t>(x) * n + y];
    return std::log(p) - std::log(1.0 - p);
}

double dag::arc_prior_term(int i) {
    hybrid_node* node = node_at(i);
    const int n = arc_probability_size_;
    if (node == nullptr || n == 0) return 0.0;
    if (node->arc_prior_valid) return node->arc_prior;
    double sum = 0.0;
    if (i < n) {
        const double* row = &arc_probabilities_[static_cast<size_t>(i) * n];
        for (int j = 0; j < n; ++j) {
            if (j != i) sum += std::log(1.0 - row[j]);
        }
        for (int c : node->children) sum += arc_gain(i, c);
    }
    node->arc_prior = sum;
    node->arc_prior_valid = true;
    return sum;
}

double dag::graph_prior(const std::vector<int>& list) {
    double sum = 0.0;
    for (int i : list) sum += arc_prior_term(i);
    return sum;
}

double dag::graph_prior() {
    if (graph_prior_valid_) return graph_prior_;
    double sum = 0.0;
    for (int i = -1; next_active(i) == kSuccess;) sum += arc_prior_term(i);
    graph_prior_ = sum;
    graph_prior_valid_ = true;
    return sum;
}
