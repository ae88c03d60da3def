#pragma once
// Expectation maximisation over a learning graph whose data has missing values: the expected counts
// of every family come from exact inference on a network copy of the graph, the parameters are
// estimated from them with the graph's priors, and the BDe score of the expected counts decides when
// the run has converged.
// After Lauritzen, "The EM algorithm for graphical association models with missing data", 1995.

#include <memory>
#include <vector>

#include "learning/em_convergence.h"
#include "learning/em_record_counts.h"

class dag;
class VRX_network;

class em_run {
public:
    explicit em_run(dag& graph);
    ~em_run();
    em_run(const em_run&) = delete;
    em_run& operator=(const em_run&) = delete;

    // Builds the network copy, the map from node index to handle and the counter of expected counts,
    // and groups the records in use by their values. 0, or -1 for a graph the network cannot take.
    [[nodiscard]] int set_up();
    // The whole run from its start (random, prior-network or current parameters) until the scores
    // converge or EM_MAX_ITERATIONS iterations are done. 0, -1, kObjectNotValid (no prior network to start
    // from) or the tracker's answer; the graph keeps the last parameters.
    [[nodiscard]] int run();
    // One iteration from the graph's current parameters: expected counts, then parameters from them.
    [[nodiscard]] int iterate();
    // Expected counts of every active node over the records in use, under the current parameters.
    [[nodiscard]] int expectation();
    // BDe sum over the expected counts of the last expectation.
    double score() const;

    // Expected counts of node i over its family (parents in list order, own state last).
    const std::vector<double>& expected_counts(int i) const { return expected_[i]; }
    // Log-likelihood of the records in use under the parameters each iteration started from.
    const std::vector<double>& log_likelihoods() const { return log_likelihoods_; }
    // Records of probability 0 under the parameters of the last expectation (they add nothing).
    int impossible_records() const { return impossible_; }
    int iterations() const { return static_cast<int>(log_likelihoods_.size()); }
    double final_score() const { return final_score_; }

private:
    // Node i's family cells mapped onto its network table, whose copy starts the node's counts.
    [[nodiscard]] int map_family_cells(int i);
    // The records in use grouped by their values.
    void group_records();
    // Parameters of every active node into its network table.
    [[nodiscard]] int load_parameters();
    void draw_random_parameters();
    // Nodes whose parameters do not fit their family take the complete-data estimate.
    [[nodiscard]] int fill_missing_parameters();
    [[nodiscard]] int set_group_evidence(size_t g);

    dag& graph_;
    std::unique_ptr<VRX_network> network_;
    // Network handle of each node, -1 for an inactive one.
    std::vector<int> handle_of_;
    // Per node: the position in its network table of each cell of its family table.
    std::vector<std::vector<int>> cells_;
    vovido::EmNodeTables tables_;
    std::unique_ptr<vovido::EmRecordCounter> counter_;
    std::vector<std::vector<double>> expected_;
    // Records in use with equal values form one group, whose inference is done once per expectation.
    std::vector<int> group_values_;  // per group, one value per active node (-1 missing)
    std::vector<double> group_weight_;
    std::vector<int> group_steps_;  // progress steps of the group's records (every 100th record)
    int records_ = 0;
    int impossible_ = 0;
    std::vector<double> log_likelihoods_;
    double final_score_ = kScoreNotComputed;
};

// Expectation maximisation over the graph; final_score (may be null) receives the BDe value of the
// last iteration. 0 or the run's failure.
[[nodiscard]] int run_graph_em(dag& graph, double* final_score);
