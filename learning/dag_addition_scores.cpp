// Scores of a node's family with one parent more, for every other node: computed once for the family as
// it is and kept until it changes, so that the greedy searches evaluate a node again without reading a
// record and a new family reads the records once, then one column per candidate.
#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "learning/learning_dag.h"

namespace {

constexpr double kNotComputed = std::numeric_limits<double>::quiet_NaN();
// Largest number of addition scores kept, over all nodes' rows: 256 MiB.
constexpr int64_t kMaxAdditionRowCells = int64_t{1} << 25;

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
    // A kept score first: rows exist only under the counted criteria, and an option change drops them.
    if (static_cast<size_t>(i) < addition_rows_.size()) {
        const addition_row& row = addition_rows_[i];
        if (row.version == node.family_version && row.ess == node.equivalent_sample_size &&
            row.active == active_count_ && row.scores.size() == nodes_.size() && !std::isnan(row.scores[j]))
            return row.scores[j];
    }
    const int criterion = options_.integer(learning_option::kCriterion);
    const bool counted = criterion == 0 || criterion == 3 || criterion == 4;
    if (!counted || !(node.kind & hybrid_node::kDiscreteData) || !has_counted_column(i)) {
        std::vector<int> family = node.parents;
        family.push_back(j);
        return family_score(i, family);
    }
    // A row per node is n^2 scores in all: past kMaxAdditionRowCells every score is counted anew.
    const int64_t n = node_count();
    double uncached = kNotComputed;
    addition_row* row = nullptr;
    if (n * n <= kMaxAdditionRowCells) {
        if (addition_rows_.size() != nodes_.size()) addition_rows_.resize(nodes_.size());
        row = &addition_rows_[i];
        if (row->version != node.family_version || row->ess != node.equivalent_sample_size ||
            row->active != active_count_ || row->scores.size() != nodes_.size()) {
            row->version = node.family_version;
            row->ess = node.equivalent_sample_size;
            row->active = active_count_;
            row->scores.assign(nodes_.size(), kNotComputed);
        }
    }
    double& kept = row != nullptr ? row->scores[j] : uncached;
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
        search_work_ += positions_read() * (1 + static_cast<int64_t>(columns.size()));
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
        search_work_ += positions_read() + extended_.cells() * added.num_states() * kSearchStepsPerCell +
                        kSearchStepsPerScore;
        extended_.count(position, counted_column(j), added.num_states(), extended_table_);
        kept = counts_score(i, extended_family_, &extended_table_, criterion);
    }
    // Scoring may set the node's sample size from the options: a row of the old one is stale.
    if (row != nullptr && node.equivalent_sample_size != ess) row->version = -1;
    return kept;
}

int64_t dag::positions_read() const {
    return static_cast<int64_t>(total_records_) * completion_copies_;
}

int64_t dag::first_round_work() const {
    // Every other active node is a candidate parent but those the knowledge rules out, found by walking
    // the nodes' knowledge bits only: no walk over every pair.
    int64_t states = 0;
    int active = 0;
    for (int j = -1; next_active(j) == kSuccess; ++active) states += nodes_[j]->num_states();
    const int64_t per_score = positions_read() + kSearchStepsPerScore;
    int64_t work = 0;
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        int64_t candidates = active - 1, candidate_states = states - node.num_states();
        const int bits = std::max(node.forbidden_parents.size(), node.all_successors.size());
        for (int j = 0; j < bits && j < node_count(); ++j) {
            if (j == i || !nodes_[j]->active || node.may_keep(j)) continue;
            --candidates;
            candidate_states -= nodes_[j]->num_states();
        }
        work += candidates * per_score + node.num_states() * candidate_states * kSearchStepsPerCell;
    }
    return work;
}

int dag::check_first_round(const char* prefix) const {
    if (first_round_work() <= kMaxSearchWorkSteps) return kSuccess;
    const std::string text = "the search over " + std::to_string(active_count_) + " nodes and " +
                             std::to_string(records_in_use()) + " records would take more than " +
                             std::to_string(kMaxSearchWorkSteps) +
                             " steps to score the families of every pair of nodes once: fewer columns or "
                             "records are needed";
    return LogError(errorLog, kOutOfMemory, text.c_str(), prefix);
}

int dag::check_class_arcs(int c, const char* prefix) const {
    const hybrid_node* cls = node_at(c);
    if (cls == nullptr) return kSuccess;
    int64_t work = 0;
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        if (i == c || !node.may_keep(c)) continue;
        work += positions_read() + kSearchStepsPerScore +
                static_cast<int64_t>(node.num_states()) * cls->num_states() * kSearchStepsPerCell;
    }
    if (work <= kMaxSearchWorkSteps) return kSuccess;
    const std::string text = "the selection of features over " + std::to_string(active_count_) +
                             " nodes and " + std::to_string(records_in_use()) + " records would take " +
                             std::to_string(work) + " steps to score each feature with the class [" +
                             cls->name + "] (" + std::to_string(cls->num_states()) +
                             " states) once, more than the limit of " + std::to_string(kMaxSearchWorkSteps) +
                             ": fewer columns, states or records are needed";
    return LogError(errorLog, kOutOfMemory, text.c_str(), prefix);
}

void dag::start_search_work() {
    if (!completed_.empty()) return;  // a round over completed records: the whole search has one budget
    search_work_ = 0;
    search_changes_ = 0;
    search_stopped_ = false;
}

bool dag::search_work_spent() {
    if (search_work_ <= kMaxSearchWorkSteps) return false;
    if (!search_stopped_) {
        search_stopped_ = true;
        const std::string text = "Warning: the search over " + std::to_string(active_count_) + " nodes and " +
                                 std::to_string(records_in_use()) + " records stopped after " +
                                 std::to_string(search_changes_) + " arc changes, at the limit of " +
                                 std::to_string(kMaxSearchWorkSteps) +
                                 " steps of scoring: the graph found so far is kept.";
        LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
    }
    return true;
}
