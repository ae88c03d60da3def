// Completion of missing cells for structure search: scores of different graphs are comparable only
// over the same records, and a family counted over just the records complete for it gains records
// with every parent it drops. The search therefore counts completed records: every missing cell is
// drawn from its distribution given the rest of its record under the graph's arcs (Gibbs sweeps,
// parameters estimated from the completed records), a sampled form of the expected counts.
#include <algorithm>

#include "base/status_codes.h"
#include "learning/learning_dag.h"
#include "learning/learning_statistics.h"

namespace {

// Draws an index with probability proportional to w[s] (weights positive).
int DrawFromWeights(const std::vector<double>& w, int& seed) {
    double total = 0.0;
    for (double v : w) total += v;
    const double u = uniform_random(seed) * total;
    double sum = 0.0;
    for (size_t s = 0; s + 1 < w.size(); ++s) {
        if ((sum += w[s]) >= u) return static_cast<int>(s);
    }
    return static_cast<int>(w.size()) - 1;
}

}  // namespace

bool dag::has_missing_cells() const {
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        if (!(node.kind & hybrid_node::kDiscreteData)) continue;
        const std::vector<int32_t>& column = *node.data;
        for (int r = 0; r < total_records_; ++r) {
            if (record_in_use(r) && (column[r] < 0 || column[r] >= node.num_states())) return true;
        }
    }
    return false;
}

bool dag::has_counted_column(int i) const {
    // A node added since the completion began has no copies of its records.
    return completed_.empty() ||
           (static_cast<size_t>(i) < completed_.size() &&
            completed_[i].size() == static_cast<size_t>(completion_copies_) * total_records_);
}

const int32_t* dag::counted_column(int i) const {
    return completed_.empty() ? nodes_[i]->data->data() : completed_[i].data();
}

int dag::start_completion(int copies) {
    const int n = node_count();
    completed_.assign(n, {});
    missing_cells_.clear();
    completion_seed_ = -1;  // the same draws on every run
    completion_copies_ = std::max(1, copies);
    completion_active_.assign(n, 0);
    std::vector<std::vector<double>> frequencies(n);
    for (int i = 0; i < n; ++i) {
        const hybrid_node& node = *nodes_[i];
        // Continuous columns are neither completed nor scored.
        const bool discrete = (node.kind & hybrid_node::kDiscreteData) && node.num_states() > 0;
        if (node.active && !discrete) return kFailure;
        completion_active_[i] = node.active ? 1 : 0;
        // Every column that counts may read is copied, so that all of them have the copies.
        if (!node.data) continue;
        completed_[i].reserve(static_cast<size_t>(completion_copies_) * total_records_);
        for (int copy = 0; copy < completion_copies_; ++copy)
            completed_[i].insert(completed_[i].end(), node.data->begin(), node.data->end());
        if (discrete) frequencies[i].assign(node.num_states(), 1.0);
    }
    for (int p = 0; p < completion_copies_ * total_records_; ++p) {
        if (!record_in_use(p % total_records_)) continue;
        for (int i = -1; next_active(i) == kSuccess;) {
            const int32_t v = completed_[i][p];
            if (v < 0 || v >= nodes_[i]->num_states()) {
                missing_cells_.push_back({p, i});
            } else if (p < total_records_) {
                frequencies[i][v] += 1.0;
            }
        }
    }
    // The first draws know nothing of the other cells of the record.
    for (const auto& cell : missing_cells_) {
        completed_[cell.second][cell.first] = DrawFromWeights(frequencies[cell.second], completion_seed_);
    }
    return kSuccess;
}

int dag::estimate_completion_tables(std::vector<std::vector<double>>& theta,
                                    std::vector<std::vector<int>>& strides) {
    clear_count_caches();
    theta.assign(node_count(), {});
    strides.assign(node_count(), {});
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        const std::vector<double>* counts = family_counts(i, node.parents);
        if (counts == nullptr) return kFailure;
        const int r = node.num_states();
        // One prior count per cell keeps every state possible.
        std::vector<double>& table = theta[i];
        table.resize(counts->size());
        for (size_t j = 0; j < counts->size(); j += r) {
            double nj = 0.0;
            for (int s = 0; s < r; ++s) nj += (*counts)[j + s];
            for (int s = 0; s < r; ++s) table[j + s] = ((*counts)[j + s] + 1.0) / (nj + r);
        }
        std::vector<int>& stride = strides[i];
        stride.resize(node.parents.size());
        int step = r;
        for (int k = static_cast<int>(node.parents.size()) - 1; k >= 0; --k) {
            stride[k] = step;
            step *= nodes_[node.parents[k]]->num_states();
        }
    }
    return kSuccess;
}

bool dag::completion_fits() const {
    for (size_t i = 0; i < completion_active_.size() && i < nodes_.size(); ++i) {
        if ((nodes_[i]->active ? 1 : 0) != completion_active_[i]) return false;
    }
    return true;
}

int dag::complete_missing_cells(int copies, int sweeps) {
    // A node activated since has its missing cells undrawn, one deactivated no tables to draw from:
    // the completion starts again.
    if (!completed_.empty() && !completion_fits()) drop_completion();
    if (completed_.empty() && start_completion(copies) != kSuccess) {
        drop_completion();
        return kFailure;
    }
    std::vector<std::vector<double>> theta;
    std::vector<std::vector<int>> strides;
    std::vector<double> w;
    // Offset of node c's family cell at position r, its own state included, leaving out parent `skip`.
    auto offset = [&](int c, int r, int skip) {
        const hybrid_node& node = *nodes_[c];
        int at = completed_[c][r];
        for (size_t k = 0; k < node.parents.size(); ++k) {
            if (node.parents[k] != skip) at += strides[c][k] * completed_[node.parents[k]][r];
        }
        return at;
    };
    // Without arcs a sweep draws every cell from its node's frequencies again, as the first draws did.
    if (arc_count() == 0) sweeps = 0;
    for (int sweep = 0; sweep < sweeps; ++sweep) {
        if (estimate_completion_tables(theta, strides) != kSuccess) {
            drop_completion();
            return kFailure;
        }
        for (const auto& [r, i] : missing_cells_) {
            const hybrid_node& node = *nodes_[i];
            const int states = node.num_states();
            w.resize(states);
            const int own = offset(i, r, -1) - completed_[i][r];
            for (int s = 0; s < states; ++s) w[s] = theta[i][own + s];
            for (int c : node.children) {
                const std::vector<int>& parents = nodes_[c]->parents;
                const int k =
                    static_cast<int>(std::find(parents.begin(), parents.end(), i) - parents.begin());
                const int base = offset(c, r, i);
                // Each factor is at least 1 / (records + states): the product stays far from underflow.
                for (int s = 0; s < states; ++s) w[s] *= theta[c][base + strides[c][k] * s];
            }
            completed_[i][r] = DrawFromWeights(w, completion_seed_);
        }
    }
    clear_count_caches();
    clear_score_caches();
    invalidate_scores();
    return kSuccess;
}

void dag::drop_completion() {
    if (completed_.empty()) return;
    completed_.clear();
    missing_cells_.clear();
    completion_copies_ = 1;
    clear_count_caches();
    clear_score_caches();
    invalidate_scores();
}

int dag::search_completed(const std::function<int()>& search,
                          const std::function<int(const std::function<int()>&)>& round) {
    if (!completed_.empty() || !has_missing_cells()) return search();
    start_search_work();
    const std::vector<std::pair<int, int>> start = arc_list();
    int result = kSuccess;
    for (int k = 0; k < kCompletionRounds && result == kSuccess; ++k) {
        const std::vector<std::pair<int, int>> before = arc_list();
        result = round([&] {
            const int completed = complete_missing_cells(kCompletionCopies, kCompletionSweeps);
            if (completed != kSuccess) return completed;
            // The completion carries what the rounds before learnt; the search itself starts afresh.
            return restore_arc_list(start) == kSuccess ? search() : kFailure;
        });
        if (k > 0 && arc_list() == before) break;
    }
    drop_completion();
    return result;
}
