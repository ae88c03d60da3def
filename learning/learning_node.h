#pragma once
// A variable of a learning graph: its name and per-node options, its arcs (as node indices), its
// background-knowledge relations, its discrete data column and states, its parameters and the best
// search move cached for it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A score or value that is not computed.
constexpr double kScoreNotComputed = -987654321.031415;
// A missing value in a discrete learning column.
constexpr int32_t kMissingLearningValue = -987654321;
// A missing value in a continuous learning column.
constexpr double kMissingContinuousValue = -987654321.0;

// Bit set over node indices that grows on demand: a test outside answers false.
class node_bits {
public:
    bool test(int i) const { return i >= 0 && i < static_cast<int>(bits_.size()) && bits_[i] != 0; }
    void set(int i, bool value) {
        if (i < 0) return;
        if (i >= static_cast<int>(bits_.size())) bits_.resize(i + 1, 0);
        bits_[i] = value ? 1 : 0;
    }
    int size() const { return static_cast<int>(bits_.size()); }
    // The bit of index i leaves; later bits move down one place.
    void erase(int i) {
        if (i >= 0 && i < size()) bits_.erase(bits_.begin() + i);
    }

private:
    std::vector<char> bits_;
};

class hybrid_node {
public:
    enum kind_flags { kDiscretePart = 1, kContinuousPart = 2, kDiscreteData = 16, kContinuousData = 32 };

    std::string name = "NoName";
    int index = 0;
    bool active = true;
    // Per-node options: discretisation method, levels, equivalent sample size.
    int discrete_method = 0;
    int discrete_levels = 3;
    double equivalent_sample_size = 10.0;
    int kind = 0;

    std::vector<int> parents;
    std::vector<int> children;
    std::vector<int> missing_records;

    // Background knowledge: forced and forbidden parents, the tier order and its closure.
    node_bits forced_parents, forbidden_parents, tier_successors, tier_predecessors, all_successors;

    std::vector<std::string> state_names;
    // One state per record, shared between copies of the node; kMissingLearningValue when missing.
    std::shared_ptr<const std::vector<int32_t>> data;
    // The continuous column (shared between copies); kMissingContinuousValue when missing.
    std::shared_ptr<const std::vector<double>> values;
    // Cut of the continuous column: thresholds t[0..n], the groups' means, the method used.
    std::vector<double> thresholds;
    std::vector<double> means;
    int used_method = -1;
    // Parameters over the family: parents in list order, the node's own state last and fastest.
    std::vector<double> parameters;
    // Continuous part: a regression coefficient per parent (kept while kContinuousPart is set) and the
    // cached score, -1.0 until the parents first change.
    std::vector<double> coefficients;
    double continuous_score = -1.0;
    int state = -1;

    // Best move found for the node: kind 0 remove, 1 add, 2 reverse, 3 or more none.
    int move_from = -1, move_to = -1, move_type = -1;
    double move_delta = -1e308;
    // Counts the evaluations of the node's best move.
    int move_stamp = 0;
    // Raised on every change of the parents, so queued moves of an older family are known stale.
    int family_version = 0;
    // Arc-prior term over the graph's arc probabilities, kept until the node's children change.
    double arc_prior = 0.0;
    bool arc_prior_valid = false;

    int num_states() const { return static_cast<int>(state_names.size()); }
    // 1 when the node is taken as discrete, 2 as continuous: by the data present, else by the parts, the
    // preferred kind winning when both are there.
    int representation(bool prefer_continuous) const;
    // The part that holds the node's data: 1 discrete, 2 continuous, -1 without a part.
    int active_part(bool prefer_continuous) const;
    // The family changed: the continuous part follows the parents.
    void parents_changed();
    // Coefficients of the continuous part drawn uniformly, each at least 0.1.
    void draw_coefficients(int& seed);
    bool is_parent(int i) const;
    // Whether the graph may keep the arc x -> this node.
    bool may_keep(int x) const;
    // 0..num_states() - 1, else -1.
    [[nodiscard]] int set_state(int s);
};
