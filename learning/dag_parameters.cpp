// Parameters of the learning graph: Dirichlet estimates from the counts and the family priors.
#include <cstdio>
#include <set>
#include <string>

#include "base/dmatrix.h"
#include "base/identifier.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "learning/dag_em.h"
#include "learning/discretization.h"
#include "learning/learning_dag.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

int dag::learn_parameters() {
    const int result = discretize_step(progress().depth());
    return result != kSuccess ? result : estimate_parameters();
}

int dag::discretize_step(int d) {
    int result = progress().open_step(d, 0.05, "Discretizing");
    if (result != kSuccess) return result;
    for (int i = -1; next_active(i) == kSuccess;) {
        hybrid_node& node = *nodes_[i];
        const bool cut = (node.kind & hybrid_node::kDiscreteData) &&
                         node.used_method == node.discrete_method &&
                         node.num_states() == node.discrete_levels;
        if (node.values && !node.values->empty() && !cut) {
            if (discretize(node) == kFailure) return kFailure;
            // The node's families are counted anew over its states.
            clear_count_caches();
            clear_score_caches();
            touch(i);
            for (int c : node.children) touch(c);
        }
        // From here on the node is discrete.
        node.kind &= ~hybrid_node::kContinuousData;
    }
    return progress().close_step(d);
}

int dag::estimate_parameters() {
    if (!missing_data_) return estimate_complete();
    switch (options_.integer(learning_option::kIncompleteDataMethod)) {
        case 1:
            return run_graph_em(*this, nullptr);
        // Records with a missing family member are left out of that family's counts.
        case 2:
            return estimate_complete();
        default:
            return kFailure;
    }
}

int dag::estimate_complete() {
    const int d = progress().depth();
    int result = kSuccess;
    int done = 0;
    for (int i = -1; next_active(i) == kSuccess; ++done) {
        char text[64];
        std::snprintf(text, sizeof text, "Node: %d/%d", done, active_count_);
        result = progress().open_step(d, 1.0 / active_count_, text);
        if (result != kSuccess) return result;
        hybrid_node& node = *nodes_[i];
        if (node.kind & hybrid_node::kDiscreteData) {
            const std::vector<double>* counts = family_counts(i, node.parents);
            if (counts == nullptr) return kFailure;
            result = estimate_node(node, *counts);
            if (result != kSuccess) return result;
        }
        result = progress().close_step(d);
        if (result != kSuccess) return result;
    }
    return kSuccess;
}

int dag::estimate_node(hybrid_node& node, const std::vector<double>& counts) {
    const int r = node.num_states();
    if (r < 1) return kFailure;
    const int q = static_cast<int>(counts.size()) / r;
    const int result = family_priors(node.index, node.parents, prior_scratch_);
    if (result != kSuccess) return result;
    const double* alpha = prior_scratch_.data();
    const int threshold = options_.integer(learning_option::kZeroCountThreshold);
    node.parameters.assign(counts.size(), 0.0);
    for (int j = 0; j < q; ++j) {
        double nj = 0.0, aj = 0.0;
        for (int s = 0; s < r; ++s) {
            nj += counts[j * r + s];
            aj += alpha[j * r + s];
        }
        const bool dropped = nj < threshold;
        const double total = aj + (dropped ? 0.0 : nj);
        for (int s = 0; s < r; ++s) {
            const double n = dropped ? 0.0 : counts[j * r + s];
            // A configuration without prior and without data gets the uniform distribution.
            node.parameters[j * r + s] = total > 0.0 ? (alpha[j * r + s] + n) / total : 1.0 / r;
        }
    }
    return kSuccess;
}

double dag::joint_probability() const {
    double product = 1.0;
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        if (node.parameters.empty()) return -1.0;
        // A missing state sums the node out; for a node whose descendants are summed out too this is 1.
        if (node.state < 0) continue;
        int offset = 0;
        bool known = true;
        for (int p : node.parents) {
            const hybrid_node& parent = *nodes_[p];
            known = known && parent.state >= 0;
            offset = offset * parent.num_states() + (parent.state >= 0 ? parent.state : 0);
        }
        if (!known) continue;
        product *= node.parameters[static_cast<size_t>(offset) * node.num_states() + node.state];
    }
    return product;
}
