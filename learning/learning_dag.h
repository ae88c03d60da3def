#pragma once
// The directed acyclic graph that the learning library learns: arcs kept in step at both ends and
// under the background knowledge, data import, record selection, decomposable scores over counts
// (cached per family, so a family scored again reads no record), the greedy searches, parameter
// estimates and the copy into a network.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "learning/extended_family_counts.h"
#include "learning/graph_network_map.h"
#include "learning/learning_structure.h"
#include "learning/log_gamma_memo.h"

class DataSet;
class VRX_network;
class VRX_node;
namespace vovido {
struct BestFirstRing;
}

// One arc change: kind 0 remove, 1 add, 2 reverse, 3 or more none.
struct learning_move {
    int move_from = -1;
    int move_to = -1;
    int move_type = 3;
    double move_delta = -1e308;
    // Family versions of the head and the tail when the move was evaluated.
    int version = 0;
    int version_from = 0;
    // The head's evaluation that found the move: only its latest one is queued.
    int stamp = 0;
};

class dag : public structure {
public:
    enum move_kind { kRemove = 0, kAdd = 1, kReverse = 2 };
    enum move_bits { kAllowRemove = 1, kAllowAdd = 2, kAllowReverse = 4 };

    dag();
    ~dag() override;

    // One node per variable of the data set, in order; false (graph emptied) for data it cannot take.
    bool import_data_set(const DataSet& data);
    // A node with the given states (fewer than two get "_unobserved" appended) and data column.
    int add_node_with_states(const std::string& name, const std::vector<std::string>& states,
                             std::vector<int32_t> column);
    // A node named by the network node's identifier with its outcomes as states (none for an
    // equation node) and no data; its index, or -1 without a node or definition.
    int add_node_like(const VRX_node* node);
    // Copies settings, nodes (sharing their data), background knowledge, arcs and parameters.
    void copy_from(const dag& other);

    // 1 for a change, 0 for a refusal that leaves the graph as it was, -1 for a missing node.
    [[nodiscard]] int add_arc(int x, int y);
    [[nodiscard]] int add_arc_acyclic(int x, int y);
    [[nodiscard]] int remove_arc(int x, int y);
    [[nodiscard]] int reverse_arc(int x, int y);
    [[nodiscard]] int reverse_arc_acyclic(int x, int y);
    [[nodiscard]] int remove_all_arcs();
    // Whether a directed path leads from `from` to `to` (from == to included).
    bool has_path(int from, int to) const;
    int arc_count() const;

    // Records in use; a mask entry 1 hides its record. kObjectNotValid for a mask of another length.
    [[nodiscard]] int select_records(const std::vector<int>& hidden);
    int record_count() const { return total_records_; }
    // Fewest records in use the searches from random or best-first restarts run on; with fewer they fail
    // at once. A greedy search that adds arcs (feature selection's) runs on any records.
    static constexpr int kMinSearchRecords = 3;
    // Searches that add arcs score families within kMaxSearchWorkSteps. The first round, the family of
    // every node with every other node it may take as a parent, is counted before it starts: 0, or -42
    // with the sizes in the error log. The rounds after it stop where the scoring done passes the limit,
    // with a warning, keeping the graph found so far.
    int64_t first_round_work() const;
    [[nodiscard]] int check_first_round(const char* prefix = nullptr) const;
    // The same for the selection of features of class c (add_gaining_arcs_from), whose one round scores
    // each node that may take c as a parent with c added.
    [[nodiscard]] int check_class_arcs(int c, const char* prefix = nullptr) const;
    int records_in_use() const;
    bool record_in_use(int r) const { return hidden_.empty() || hidden_[r] == 0; }

    // Whether a record in use lacks the value of an active discrete node.
    bool has_missing_cells() const;
    // Scores count completed records from here on, as many copies of the records in use as asked, each
    // counted with its share: every missing cell drawn from its distribution given the rest of its
    // record under the current arcs (Gibbs sweeps, parameters estimated from the completed records
    // before each sweep). The first call starts from draws of each node's observed frequencies; later
    // calls go on from the last completion (and keep its number of copies) while the same nodes are
    // active. 0, or -1 (nothing completed) for a graph with a continuous column or a family too large
    // to count.
    [[nodiscard]] int complete_missing_cells(int copies, int sweeps);
    // Scores count the records as they are again.
    void drop_completion();
    // Runs the search on the records as they are, or, when they have missing cells, in rounds (each
    // run through `round`) over records completed under the graph of the round before, every search
    // starting from the arcs the first started from, until a round leaves the arcs as they were. The
    // completion is dropped at the end, and with it the search's cached score.
    [[nodiscard]] int search_completed(const std::function<int()>& search,
                                       const std::function<int(const std::function<int()>&)>& round);
    // Searches over completed records, the copies of the records completed (their counts approach the
    // expected ones) and the Gibbs sweeps that complete them anew before each search.
    static constexpr int kCompletionRounds = 3;
    static constexpr int kCompletionCopies = 2;
    static constexpr int kCompletionSweeps = 10;

    // Local score of a node under CRITERION; kScoreNotComputed when it cannot be computed.
    double local_score(int i);
    // The score of node i's family with j added to its parents, as family_score answers it; kept for
    // the node's current family, so that evaluating the node again reads no record and looks up nothing.
    double addition_score(int i, int j);
    // Sum over all active nodes (cached until the graph changes).
    double score();

    // Searches; 0, -1 on a score that cannot be computed, or the tracker's cancel answer.
    [[nodiscard]] int thicken(int parent_limit);
    [[nodiscard]] int thin(int parent_limit);
    [[nodiscard]] int enforce_parent_limit(int limit);
    [[nodiscard]] int greedy_search();
    // Feature selection: adds each arc from c that raises the score more than MIN_GREEDY_DELTA, best
    // first, after removing the arcs between the other nodes that are not forced. As thickening under
    // tiers [c], [the others] with every arc inside a tier forbidden, without their n^2 relations: an arc
    // from c changes only its head's family, so the gains are independent. 0, or -1 on a score that
    // cannot be computed.
    [[nodiscard]] int add_gaining_arcs_from(int c);
    // Adds the forced arcs that keep the graph acyclic and removes the forbidden ones; 0 or -1.
    [[nodiscard]] int apply_knowledge();
    // Replaces the arcs by a random acyclic graph: nodes in a random order, each with about `mean_parents`
    // parents drawn among the nodes before it. The number of arcs asked for; kOutOfRange when the mean
    // exceeds the node count.
    int random_graph(double mean_parents);
    // The same over tiers (lists of node indices, each active node once; parents only from earlier
    // tiers). Parameters: "numNodes" first replaces the nodes by that many generated ones,
    // "maxNumParents" caps the parents (default the node count). kOutOfRange when the mean exceeds the cap,
    // -1 for tiers that are no partition; both leave the graph unchanged.
    int random_graph(double mean_parents, const std::map<std::string, int>* parameters,
                     const std::vector<std::vector<int>>* tiers);
    // Adds n nodes "Node_i" with states "State_k": "numStates" each (below 2: i % "maxNumStates" + 2,
    // default 4); "continuous" 1 marks a continuous part. 0, or -1.
    [[nodiscard]] int add_generated_nodes(int n, const std::map<std::string, int>* parameters);
    // Greedy search with all move kinds from the current graph, then from `count` - 1 random graphs;
    // keeps the best graph found. A count below 1 keeps the graph as it is. 0, -1, or the cancel answer.
    // These three searches run over completed records when the data has missing cells (search_completed).
    [[nodiscard]] int search_restarts(int count);
    // The same until the wall-clock time spent reaches the budget; at least one round.
    [[nodiscard]] int search_timed(double milliseconds);
    // Best-first ascent NUM_RESTARTS times, each time going back to the alternative branch (the
    // second-best move) taken BESTF_GOBACK_NUM steps earlier; keeps the best graph. 0, or -1 (also for
    // an option below 1, leaving the graph as it was).
    [[nodiscard]] int search_best_first();
    // Best and second-best moves of node i (no parent limit, no move switches) merged into the records
    // carried over between calls; a displaced best becomes the second. 0, or -1.
    [[nodiscard]] int best_two_moves(int i, learning_move& best, learning_move& second);
    // Over every active node, with only an improving move taken as the best.
    [[nodiscard]] int best_two_moves_of_graph(learning_move& best, learning_move& second);

    // For every active node j of other, the index in this graph of its partner: the first unpaired active
    // node of the same name (entries of inactive nodes -1). -1 when the active counts differ or a node
    // has no partner.
    [[nodiscard]] int node_index_map(const dag& other, std::vector<int>& map) const;
    // Arcs as an n x n 0/1 matrix (n the node count), entry (x, y) for x -> y.
    void snapshot(std::vector<int>& matrix) const;
    // Removes every arc and adds those of the matrix; -1 for a matrix of another size or a failed arc.
    [[nodiscard]] int restore_snapshot(const std::vector<int>& matrix);
    // The arcs as (from, to) pairs in the order of the snapshot's entries, and the graph made of them:
    // the snapshot of a graph too large for an n x n matrix.
    std::vector<std::pair<int, int>> arc_list() const;
    [[nodiscard]] int restore_arc_list(const std::vector<std::pair<int, int>>& arcs);

    // Arc probabilities P(x, y) as an n x n table with n the node count, each in (0, 1); an empty table
    // (the default) makes the graph prior 0. kOutOfRange for another size, -1 for a probability outside (0,
    // 1).
    [[nodiscard]] int set_arc_probabilities(const std::vector<double>& table);
    const std::vector<double>& arc_probabilities() const { return arc_probabilities_; }
    // Log prior of node i's children among the other nodes (cached until its children change).
    double arc_prior_term(int i);
    // Sum of the listed nodes' arc-prior terms; without a list over every active node, cached.
    double graph_prior(const std::vector<int>& nodes);
    double graph_prior();
    // Best move of node i under the current move kinds and parent limit (move_type 3: none).
    learning_move best_move(int i);

    // Priors, counts and parameters of every active node; 0 or the tracker's cancel answer.
    [[nodiscard]] int learn_parameters();
    // The network identifier of every active node: its name when that is an identifier no earlier node
    // took, else its name repaired, else a generated "Node" identifier, all distinct.
    std::vector<std::string> network_identifiers() const;
    // The progress step "Discretizing" at depth d: every node with continuous values not yet cut by its
    // own method and levels gets its discrete column; afterwards every node counts as discrete.
    [[nodiscard]] int discretize_step(int d);
    // Parameters from the data as it is (no discretisation): by the incomplete-data method while the
    // graph is marked as holding missing data, else the complete-data estimate.
    [[nodiscard]] int estimate_parameters();
    // Priors, counts and parameters of every active node, one progress step each.
    [[nodiscard]] int estimate_complete();
    // Product of every active node's parameter at its family's current states.
    double joint_probability() const;
    // Rebuilds the network from the graph: nodes, outcomes, arcs, tables. 0, -1, or the first failing
    // answer of an outcome or table copy.
    [[nodiscard]] int copy_to_network(VRX_network& network);

    // With a map whose network is set: discretises, estimates (steps "Discretizing", "Calculating MAP
    // Parameters", "Copying Parameters to VRX network") and writes the parameters into the network.
    // Without a network: estimate_parameters().
    [[nodiscard]] int learn_parameters(graph_network_map& map);
    // Writes every matched node's parameters into its network table; nothing is written unless every
    // state matched (-1) and every matched family translates (its code).
    [[nodiscard]] int copy_parameters_to_network(graph_network_map& map, int flag);
    // Every active node's parameters read from its matched network table; kOutOfRange for an unmatched node
    // or a table of other dimensions, and then no node is changed.
    [[nodiscard]] int take_parameters_from_network(graph_network_map& map);
    // Parameters taken from a network are copies already: nothing stays borrowed. 0.
    [[nodiscard]] int commit_parameters();
    // copy_to_network, then the parameters read back through the map of the new nodes.
    [[nodiscard]] int build_network(VRX_network& network);

    // The network that priors 1, 4 and 5 and the prior start read (not owned; null: none). Scores
    // cached with an earlier prior network are dropped.
    void set_prior_network(VRX_network* network);
    VRX_network* prior_network() const { return prior_network_; }
    // The map between this graph and the prior network, made again when the nodes changed.
    graph_network_map& prior_map();
    // The working copy of the prior network that answers its probabilities. 0, or -1 without one.
    [[nodiscard]] int ensure_prior_engine();
    // Every matched node's parameters from the prior network; kObjectNotValid unless every state matched.
    [[nodiscard]] int init_from_prior_network();
    // Dirichlet prior counts of node i's family with these parents (their order, own state last), by
    // PARAM_PRIORS_METHOD. 0; -1 when they cannot be had (no prior network for 1, 4, 5); another
    // method number answers that number.
    [[nodiscard]] int family_priors(int i, const std::vector<int>& parents, std::vector<double>& alpha);

protected:
    void invalidate_scores() override {
        score_valid_ = false;
        graph_prior_valid_ = false;
    }
    void options_changed() override {
        clear_score_caches();
        invalidate_scores();  // the cached graph score was of the old options
    }
    void nodes_renumbered() override {
        arc_probabilities_.clear();  // indexed by node
        arc_probability_size_ = 0;
        prior_map_nodes_ = -1;
        clear_count_caches();
        clear_score_caches();
        heap_.clear();
        completed_.clear();
        missing_cells_.clear();
        completion_copies_ = 1;
    }
    int detach_node(int i) override;

private:
    // Expectation maximisation replaces the counts by expected ones and estimates from those.
    friend class em_run;

    // Record positions a count reads: each copy of the records.
    int64_t positions_read() const;
    // A search starts its count of scoring work (rounds over completed records share the count).
    void start_search_work();
    // Whether the scoring done passes the limit; the first time, the warning naming the sizes and the
    // arc changes made.
    bool search_work_spent();
    // The caches of counts and of scores, and what is derived from each.
    void clear_count_caches();
    void clear_score_caches();
    // Whether the nodes active when the completion began are the active ones still.
    bool completion_fits() const;
    // The column that counts read for node i: the completed one while there is a completion, which
    // a node added since lacks.
    bool has_counted_column(int i) const;
    const int32_t* counted_column(int i) const;
    [[nodiscard]] int start_completion(int copies);
    // Parameters of every active family from the completed records, and the parents' strides.
    [[nodiscard]] int estimate_completion_tables(std::vector<std::vector<double>>& theta,
                                                 std::vector<std::vector<int>>& strides);
    // Counts of node i over the given parents (in that order), node state last; null when the
    // table would be too large.
    const std::vector<double>* family_counts(int i, const std::vector<int>& parents);
    double family_score(int i, const std::vector<int>& parents);
    // Local score of node i under the criterion from counts over the given parents (in that order) and
    // the node (null: none to read).
    double counts_score(int i, const std::vector<int>& parents, const std::vector<double>* counts,
                        int criterion);
    // The node's parameters from counts over its family (parents in list order, own state last) and
    // its priors; -1 for priors that cannot be set.
    [[nodiscard]] int estimate_node(hybrid_node& node, const std::vector<double>& counts);
    // BDe of the counts n (q configurations of r states) under the family's priors.
    double bde_score(int i, const std::vector<int>& parents, const double* n, int r, int q);
    [[nodiscard]] int copy_to_network(VRX_network& network, graph_network_map& map);
    // ESS times the joint probability of each family configuration in the prior network.
    [[nodiscard]] int network_family_prior(int i, const std::vector<int>& parents, double ess,
                                           std::vector<double>& alpha);
    // Marks the descendants of i (i itself included) into mark with the current stamp.
    void mark_descendants(int i, int skip_child) const;
    void push_move(const learning_move& move);
    bool pop_move(learning_move& move);
    void fill_move_queue();
    double greedy_step();
    // A move is queued until its head is evaluated again or its family changes.
    bool is_current(const learning_move& move) const;
    // Evaluates again the nodes whose move gains the arc change of `move` changed: the heads whose
    // parents changed, and their children (a reversal of an arc into a child scores the head's family).
    void refresh_moves(const learning_move& move, bool made);
    void touch(int i);
    // Change of the graph prior when the arc x -> y is added (removal: the negative).
    double arc_gain(int x, int y) const;
    int best_first_rounds(int rounds, int go_back);
    // One best-first ascent from the current graph, recording alternatives in the ring; 0 or -1.
    int best_first_ascent(vovido::BestFirstRing& ring);
    // Greedy rounds from the current graph and then from random graphs while more(rounds done).
    template <class More>
    int restart_rounds(More more);

    int total_records_ = 0;
    std::vector<uint8_t> hidden_;
    std::unordered_map<std::string, std::vector<double>> count_cache_;
    std::unordered_map<std::string, double> score_cache_;
    // Per node, the scores of its family with each other node added (NaN: not computed yet), valid for
    // the family version, equivalent sample size and active count they were computed with.
    struct addition_row {
        int version = -1;
        double ess = 0.0;
        int active = -1;
        std::vector<double> scores;
    };
    std::vector<addition_row> addition_rows_;
    // The records of the family that additions are counted over: its node (-1: none) and version, and
    // whether every parent has a counted column.
    extended_family_counts extended_;
    int extended_node_ = -1;
    int extended_version_ = -1;
    bool extended_usable_ = false;
    std::vector<int> extended_parents_;
    std::vector<int> extended_family_;
    std::vector<double> extended_table_;
    // Scoring work and arc changes of the search under way, and whether it was stopped at the limit.
    int64_t search_work_ = 0;
    int search_changes_ = 0;
    bool search_stopped_ = false;
    // Log-gamma terms of the scores: a cell's prior plus its count, a configuration's prior plus its count.
    log_gamma_memo cell_log_gamma_;
    log_gamma_memo config_log_gamma_;
    // Completed discrete columns (empty: none), each holding its copies of the records one after the
    // other; the (position, node) cells they complete; the draws' state.
    std::vector<std::vector<int32_t>> completed_;
    std::vector<std::pair<int, int>> missing_cells_;
    int completion_seed_ = -1;
    int completion_copies_ = 1;
    // Per node, whether it was active when the completion began: only those have their cells drawn.
    std::vector<char> completion_active_;
    // Search state.
    std::vector<learning_move> heap_;
    int allowed_moves_ = kAllowRemove | kAllowAdd | kAllowReverse;
    double min_gain_ = 0.0;
    int parent_limit_ = 2147483647;
    // The last greedy step stopped because the best pending move would undo the one just made.
    bool stopped_on_undo_ = false;
    // Graph prior: the table (row the tail), its dimension, the cached sum.
    std::vector<double> arc_probabilities_;
    int arc_probability_size_ = 0;
    double graph_prior_ = -1.0;
    bool graph_prior_valid_ = false;
    // Prior network holder: the network, its map, and the working copy that answers probabilities.
    VRX_network* prior_network_ = nullptr;
    graph_network_map prior_map_;
    int prior_map_nodes_ = -1;
    std::unique_ptr<VRX_network> prior_engine_;
    std::vector<double> prior_scratch_;
    mutable std::vector<int> mark_;
    mutable int stamp_ = 0;
    mutable std::vector<int> stack_;
};
