// Scores of a node's family with one parent more, for every other node: computed once for the family as
// it is and kept until it changes, so that the greedy searches evaluate a node again without reading a
// record and a new family reads the records once, then one column per candidate.
#include <algorithm>
#include <cmath>
#include <limits>

#include "learning/learning_dag.h"

namespace {

constexpr double kNotComputed = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void dag::clear_count_caches() {
    count_cache_.clear();
    extended_node_ = -1;
}

void dag::clear_score_caches() {
    score_cache_.clear();
    addition_rows_.clear();
}

double dag::addition_score(int i, int j) {
    hybrid_node& node = *nodes_[i];
    const int criterion = options_.integer(learning_option::kCriterion);
    const bool counted = criterion == 0 || criterion == 3 || criterion == 4;
    if (!counted || !(node.kind & hybrid_node::kDiscreteData) || !has_counted_column(i)) {
        std::vector<int> family = node.parents;
        family.push_back(j);
        return family_score(i, family);
    }
    if (addition_rows_.size() != nodes_.size()) addition_rows_.resize(nodes_.size());
    addition_row& row = addition_rows_[i];
    if (row.version != node.family_version || row.ess != node.equivalent_sample_size ||
        row.active != active_count_ || row.scores.size() != nodes_.size()) {
        row.version = node.family_version;
        row.ess = node.equivalent_sample_size;
        row.active = active_count_;
        row.scores.assign(nodes_.size(), kNotComputed);
    }
    double& kept = row.scores[j];
    if (!std::isnan(kept)) return kept;
    if (extended_node_ != i || extended_version_ != node.family_version) {
        extended_node_ = i;
        extended_version_ = node.family_version;
        extended_parents_ = node.parents;
        std::sort(extended_parents_.begin(), extended_parents_.end());
        std::vector<const int32_t*> columns;
        std::vector<int> states;
        extended_usable_ = true;
        for (int p : extended_parents_) {
            const hybrid_node& parent = *nodes_[p];
            if (!(parent.kind & hybrid_node::kDiscreteData) || !has_counted_column(p)) {
                extended_usable_ = false;
                break;
            }
            columns.push_back(counted_column(p));
            states.push_back(parent.num_states());
        }
        if (extended_usable_)
            extended_.prepare(counted_column(i), node.num_states(), columns, states, total_records_,
                              completion_copies_, hidden_, 1.0 / completion_copies_);
        extended_usable_ = extended_usable_ && extended_.cells() <= kMaxFamilyCells;
    }
    const hybrid_node& added = *nodes_[j];
    // The family's layout and limits are those of family_score: parents sorted, the table within the
    // family limit, every column discrete and counted.
    const int position = static_cast<int>(
        std::lower_bound(extended_parents_.begin(), extended_parents_.end(), j) - extended_parents_.begin());
    extended_family_ = extended_parents_;
    extended_family_.insert(extended_family_.begin() + position, j);
    const double ess = node.equivalent_sample_size;
    if (!extended_usable_ || !(added.kind & hybrid_node::kDiscreteData) || !has_counted_column(j) ||
        extended_.cells() * added.num_states() > kMaxFamilyCells) {
        kept = family_score(i, extended_family_);
    } else {
        extended_.count(position, counted_column(j), added.num_states(), extended_table_);
        kept = counts_score(i, extended_family_, &extended_table_, criterion);
    }
    // Scoring may set the node's sample size from the options: a row of the old one is stale.
    if (node.equivalent_sample_size != ess) row.version = -1;
    return kept;
}
