// The learnt graph: arcs, scores over counts, the greedy searches and parameters.
#include "learning/learning_dag.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "base/log_gamma.h"
#include "base/status_codes.h"
#include "learning/dag_em.h"
#include "learning/data_set.h"
#include "model/network.h"

using vovido::ReentrantLogGamma;

namespace {

std::string FamilyKey(int i, const std::vector<int>& parents) {
    std::string key(reinterpret_cast<const char*>(&i), sizeof i);
    key.append(reinterpret_cast<const char*>(parents.data()), parents.size() * sizeof(int));
    return key;
}

}  // namespace

bool dag::import_data_set(const DataSet& data) {
    remove_all_nodes();
    clear_count_caches();
    clear_score_caches();
    hidden_.clear();
    total_records_ = data.GetRecordCount();
    for (int v = 0; v < data.GetVariableCount(); ++v) {
        const DataSetVariable& variable = data.GetVariable(v);
        std::vector<int32_t> column(total_records_, kMissingLearningValue);
        std::vector<std::string> states;
        if (!variable.discrete) {
            // Continuous data is scored only after discretisation, which this graph does not do.
            auto node = std::make_unique<hybrid_node>();
            node->name = variable.name;
            node->kind = hybrid_node::kContinuousPart | hybrid_node::kContinuousData;
            node->data = std::make_shared<const std::vector<int32_t>>(std::move(column));
            std::vector<double> values(total_records_, kMissingContinuousValue);
            for (int r = 0; r < total_records_; ++r) {
                if (data.IsMissing(v, r) || data.IsMissingFloat(v, r, variable.missingFloat)) {
                    node->missing_records.push_back(r);
                } else {
                    values[r] = data.GetFloat(v, r);
                }
            }
            node->values = std::make_shared<const std::vector<double>>(std::move(values));
            add_node(std::move(node));
            continue;
        }
        std::vector<int> missing;
        if (!variable.stateNames.empty()) {
            states = variable.stateNames;
            for (int r = 0; r < total_records_; ++r) {
                const int32_t value = data.GetInt(v, r);
                if (data.IsMissing(v, r) || value < 0 || value >= static_cast<int>(states.size())) {
                    missing.push_back(r);
                } else {
                    column[r] = value;
                }
            }
        } else {
            std::map<int32_t, int> positions;
            for (int r = 0; r < total_records_; ++r) {
                if (!data.IsMissing(v, r)) positions.emplace(data.GetInt(v, r), 0);
            }
            int k = 0;
            for (auto& entry : positions) {
                entry.second = k++;
                states.push_back(std::to_string(entry.first));
            }
            for (int r = 0; r < total_records_; ++r) {
                if (data.IsMissing(v, r)) {
                    missing.push_back(r);
                } else {
                    column[r] = positions[data.GetInt(v, r)];
                }
            }
        }
        if (data.CheckStateCount(v, static_cast<int64_t>(states.size())) != kSuccess) return false;
        const int i = add_node_with_states(variable.name, states, std::move(column));
        nodes_[i]->missing_records = std::move(missing);
    }
    // The prior network is matched to the new nodes on next use.
    prior_map_nodes_ = -1;
    return true;
}

int dag::add_node_with_states(const std::string& name, const std::vector<std::string>& states,
                              std::vector<int32_t> column) {
    auto node = std::make_unique<hybrid_node>();
    node->name = name;
    node->state_names = states;
    if (node->state_names.size() < 2) node->state_names.push_back("_unobserved");
    node->kind = hybrid_node::kDiscretePart | hybrid_node::kDiscreteData;
    if (node_count() == 0 && total_records_ == 0) total_records_ = static_cast<int>(column.size());
    column.resize(total_records_, kMissingLearningValue);
    node->data = std::make_shared<const std::vector<int32_t>>(std::move(column));
    return add_node(std::move(node));
}

void dag::copy_from(const dag& other) {
    if (&other == this) return;
    copy_settings_from(other);
    for (const auto& node : other.nodes_) nodes_.push_back(std::make_unique<hybrid_node>(*node));
    active_count_ = other.active_count_;
    total_records_ = other.total_records_;
    hidden_ = other.hidden_;
    completed_ = other.completed_;
    missing_cells_ = other.missing_cells_;
    completion_seed_ = other.completion_seed_;
    completion_copies_ = other.completion_copies_;
    completion_active_ = other.completion_active_;
    count_cache_ = other.count_cache_;
    score_cache_ = other.score_cache_;
    addition_rows_.clear();
    extended_node_ = -1;
    heap_.clear();
    arc_probabilities_ = other.arc_probabilities_;
    arc_probability_size_ = other.arc_probability_size_;
    allowed_moves_ = other.allowed_moves_;
    min_gain_ = other.min_gain_;
    parent_limit_ = other.parent_limit_;
    // The copied scores were made with the source's prior network, which this graph shares.
    prior_network_ = other.prior_network_;
    prior_engine_.reset();
    prior_map_nodes_ = -1;
}

void dag::touch(int i) {
    nodes_[i]->parents_changed();
    ++nodes_[i]->family_version;
    nodes_[i]->parameters.clear();
    invalidate_scores();
}

int dag::add_arc(int x, int y) {
    if (x == y) return 0;
    hybrid_node* from = node_at(x);
    hybrid_node* to = node_at(y);
    if (from == nullptr || to == nullptr) return kFailure;
    if (!from->active || !to->active || !to->may_keep(x)) return 0;
    if (to->is_parent(x)) return 1;
    to->parents.push_back(x);
    from->children.push_back(y);
    from->arc_prior_valid = false;
    touch(y);
    return 1;
}

int dag::add_arc_acyclic(int x, int y) {
    if (node_at(x) == nullptr || node_at(y) == nullptr) return kFailure;
    if (x != y && has_path(y, x)) return 0;
    return add_arc(x, y);
}

int dag::remove_arc(int x, int y) {
    if (x == y) return 0;
    hybrid_node* from = node_at(x);
    hybrid_node* to = node_at(y);
    if (from == nullptr || to == nullptr) return kFailure;
    if (!to->is_parent(x)) return 0;  // no such arc: nothing to remove
    if (to->forced_parents.test(x)) return 0;
    to->parents.erase(std::find(to->parents.begin(), to->parents.end(), x));
    from->children.erase(std::find(from->children.begin(), from->children.end(), y));
    from->arc_prior_valid = false;
    touch(y);
    return 1;
}

int dag::reverse_arc(int x, int y) {
    if (x == y || remove_arc(x, y) != 1) return 0;
    if (add_arc(y, x) == 1) return 1;
    nodes_[y]->parents.push_back(x);
    nodes_[x]->children.push_back(y);
    touch(y);
    return 0;
}

int dag::reverse_arc_acyclic(int x, int y) {
    if (x == y || remove_arc(x, y) != 1) return 0;
    if (!has_path(x, y) && add_arc(y, x) == 1) return 1;
    nodes_[y]->parents.push_back(x);
    nodes_[x]->children.push_back(y);
    touch(y);
    return 0;
}

int dag::remove_all_arcs() {
    for (auto& node : nodes_) {
        if (!node->active) continue;
        const std::vector<int> children = node->children;
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            if (remove_arc(node->index, *it) == kFailure) return kFailure;
        }
    }
    return kSuccess;
}

int dag::detach_node(int i) {
    hybrid_node& node = *nodes_[i];
    for (int p : node.parents) {
        auto& c = nodes_[p]->children;
        c.erase(std::remove(c.begin(), c.end(), i), c.end());
    }
    for (int c : node.children) {
        auto& ps = nodes_[c]->parents;
        ps.erase(std::remove(ps.begin(), ps.end(), i), ps.end());
        touch(c);
    }
    for (int p : node.parents) nodes_[p]->arc_prior_valid = false;
    node.parents.clear();
    node.children.clear();
    node.arc_prior_valid = false;
    touch(i);
    return kSuccess;
}

void dag::mark_descendants(int i, int skip_child) const {
    if (mark_.size() < nodes_.size()) mark_.assign(nodes_.size(), 0);
    ++stamp_;
    stack_.assign(1, i);
    mark_[i] = stamp_;
    while (!stack_.empty()) {
        const int u = stack_.back();
        stack_.pop_back();
        for (int c : nodes_[u]->children) {
            if ((u == i && c == skip_child) || mark_[c] == stamp_) continue;
            mark_[c] = stamp_;
            stack_.push_back(c);
        }
    }
}

bool dag::has_path(int from, int to) const {
    mark_descendants(from, -1);
    return mark_[to] == stamp_;
}

int dag::arc_count() const {
    int arcs = 0;
    for (const auto& node : nodes_) arcs += node->active ? static_cast<int>(node->parents.size()) : 0;
    return arcs;
}

int dag::select_records(const std::vector<int>& hidden) {
    if (static_cast<int>(hidden.size()) != total_records_) return kObjectNotValid;
    hidden_.assign(total_records_, 0);
    for (int r = 0; r < total_records_; ++r) hidden_[r] = hidden[r] == 1 ? 1 : 0;
    drop_completion();  // it completed other records
    clear_count_caches();
    clear_score_caches();
    for (auto& node : nodes_) node->parameters.clear();
    invalidate_scores();
    return kSuccess;
}

int dag::records_in_use() const {
    if (hidden_.empty()) return total_records_;
    return total_records_ - static_cast<int>(std::count(hidden_.begin(), hidden_.end(), 1));
}

const std::vector<double>* dag::family_counts(int i, const std::vector<int>& parents) {
    const std::string key = FamilyKey(i, parents);
    auto found = count_cache_.find(key);
    if (found != count_cache_.end()) return &found->second;
    const hybrid_node& node = *nodes_[i];
    if (!(node.kind & hybrid_node::kDiscreteData) || !has_counted_column(i)) return nullptr;
    const int r = node.num_states();
    const int k = static_cast<int>(parents.size());
    std::vector<int> strides(k);
    std::vector<const int32_t*> columns(k);
    int64_t cells = r;
    for (int j = k - 1; j >= 0; --j) {
        const hybrid_node& parent = *nodes_[parents[j]];
        if (!(parent.kind & hybrid_node::kDiscreteData)) return nullptr;
        strides[j] = static_cast<int>(cells);
        if (!has_counted_column(parents[j])) return nullptr;
        columns[j] = counted_column(parents[j]);
        cells *= parent.num_states();
        if (cells > kMaxFamilyCells) return nullptr;
    }
    std::vector<double> counts(static_cast<size_t>(cells), 0.0);
    const int32_t* own = counted_column(i);
    // Completed records come in several copies, each counted with its share.
    const double weight = 1.0 / completion_copies_;
    for (int copy = 0; copy < completion_copies_; ++copy) {
        const size_t at = static_cast<size_t>(copy) * total_records_;
        for (int rec = 0; rec < total_records_; ++rec) {
            if (!hidden_.empty() && hidden_[rec]) continue;
            int32_t index = own[at + rec];
            if (index < 0) continue;
            int j = 0;
            for (; j < k; ++j) {
                const int32_t v = columns[j][at + rec];
                if (v < 0) break;  // a missing value in the family: the record is not counted
                index += v * strides[j];
            }
            if (j == k) counts[index] += weight;
        }
    }
    return &count_cache_.emplace(key, std::move(counts)).first->second;
}

double dag::family_score(int i, const std::vector<int>& parents) {
    // Decomposable scores do not depend on the order of the parents: one cache entry per set.
    std::vector<int> sorted = parents;
    std::sort(sorted.begin(), sorted.end());
    std::string key = FamilyKey(i, sorted);
    // The priors scale with the node's own equivalent sample size, which may change behind the cache.
    key.append(reinterpret_cast<const char*>(&nodes_[i]->equivalent_sample_size), sizeof(double));
    auto found = score_cache_.find(key);
    if (found != score_cache_.end()) return found->second;
    const int criterion = options_.integer(learning_option::kCriterion);
    const std::vector<double>* counts = nullptr;
    if (criterion == 0 || criterion == 3 || criterion == 4) counts = family_counts(i, sorted);
    const double score = counts_score(i, sorted, counts, criterion);
    score_cache_.emplace(key, score);
    return score;
}

double dag::counts_score(int i, const std::vector<int>& parents, const std::vector<double>* counts,
                         int criterion) {
    const hybrid_node& node = *nodes_[i];
    double score = kScoreNotComputed;
    const int r = node.num_states();
    // No criterion scores a node taken as continuous.
    if (r < 1 || node.representation(options_.flag(learning_option::kPreferContData)) != 1)
        return kScoreNotComputed;
    if (criterion == 2) {
        score = -1.0;
    } else if (counts != nullptr) {
        const int q = static_cast<int>(counts->size()) / r;
        const double* n = counts->data();
        score = 0.0;
        if (criterion == 0) {
            score = bde_score(i, parents, n, r, q);
        } else if (criterion == 3) {
            const double lgR = ReentrantLogGamma(double(r));
            for (int j = 0; j < q; ++j) {
                double nj = 0.0;
                for (int s = 0; s < r; ++s) {
                    nj += n[j * r + s];
                    score += cell_log_gamma_.at(1.0, n[j * r + s]);
                }
                score += lgR - config_log_gamma_.at(r, nj);
            }
        } else {
            for (int j = 0; j < q; ++j) {
                double nj = 0.0;
                for (int s = 0; s < r; ++s) nj += std::trunc(n[j * r + s]);
                if (nj == 0.0) continue;
                for (int s = 0; s < r; ++s) {
                    const double c = std::trunc(n[j * r + s]);
                    if (c != 0.0) score += c * (std::log(c) - std::log(nj));
                }
            }
            const double m = records_in_use() > 0 ? records_in_use() : 1;
            score -=
                0.5 * (std::log(m) - std::log(double(std::max(1, active_count_)))) * ((r - 1) * double(q));
        }
    }
    return score;
}

double dag::bde_score(int i, const std::vector<int>& parents, const double* n, int r, int q) {
    if (family_priors(i, parents, prior_scratch_) != kSuccess) return kScoreNotComputed;
    const double* alpha = prior_scratch_.data();
    const int method = options_.integer(learning_option::kParamPriorsMethod);
    // Priors of one value in every cell need their log-gamma terms once.
    const bool uniform = method == 0 || method == 2 || method == 3;
    const double lgCell = ReentrantLogGamma(alpha[0]), lgConfig = ReentrantLogGamma(alpha[0] * r);
    double score = 0.0;
    for (int j = 0; j < q; ++j) {
        double nj = 0.0, aj = 0.0;
        for (int s = 0; s < r; ++s) {
            const double c = n[j * r + s], a = alpha[j * r + s];
            nj += c;
            aj += a;
            if (c > 0.0) score += cell_log_gamma_.at(a, c) - (uniform ? lgCell : ReentrantLogGamma(a));
        }
        if (aj + nj != 0.0)
            score += (uniform ? lgConfig : ReentrantLogGamma(aj)) - config_log_gamma_.at(aj, nj);
    }
    // A zero prior count where data was seen makes the marginal likelihood degenerate.
    return std::isfinite(score) ? score : kScoreNotComputed;
}

double dag::local_score(int i) {
    if (node_at(i) == nullptr) return kScoreNotComputed;
    return family_score(i, nodes_[i]->parents);
}

double dag::score() {
    if (score_valid_) return criterion_score_;
    double sum = 0.0;
    const int incomplete = missing_data_ ? options_.integer(learning_option::kIncompleteDataMethod) : 2;
    if (incomplete == 0 || incomplete == 1) {
        // Data with missing values: no data term, or the final score of expectation maximisation, which
        // stays out of the family caches (those hold complete-data counts and scores).
        if (incomplete == 1 && run_graph_em(*this, &sum) != kSuccess) return kScoreNotComputed;
        if (incomplete == 0) sum = -1.0;
        criterion_score_ = sum;
        score_valid_ = sum != kScoreNotComputed;
        return sum;
    }
    for (int i = -1; next_active(i) == kSuccess;) {
        const double s = local_score(i);
        if (s == kScoreNotComputed) return kScoreNotComputed;
        sum += s;
    }
    sum += graph_prior();
    criterion_score_ = sum;
    score_valid_ = true;
    return sum;
}
