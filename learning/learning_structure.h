#pragma once
// Base of the learning library's graphs: the nodes, the typed options, the progress tracker, the
// library's random state and the background knowledge held in the nodes.

#include <memory>
#include <string>
#include <vector>

#include "learning/learning_node.h"
#include "learning/learning_options.h"
#include "learning/progress_tracker.h"

// Largest table over one family that the learning graph builds (parameters, counts, priors).
constexpr int kMaxFamilyCells = 1 << 22;

class VRX_stringArray;

class structure {
public:
    structure();
    virtual ~structure();
    structure(const structure&) = delete;
    structure& operator=(const structure&) = delete;

    // Appends the node, which becomes active; answers its index.
    int add_node(std::unique_ptr<hybrid_node> node);
    [[nodiscard]] int remove_node(int i);
    void remove_all_nodes();
    // kOutOfRange for a bad index; deactivation first removes every arc of the node.
    [[nodiscard]] int deactivate_node(int i);
    [[nodiscard]] int activate_node(int i);
    // Empties the graph and restores the default options.
    void reset();

    int node_count() const { return static_cast<int>(nodes_.size()); }
    int active_count() const { return active_count_; }
    hybrid_node* node_at(int i) const;
    // Advances index (start from -1) to the next active node: 0, or kOutOfRange past the end.
    int next_active(int& index) const;
    // First active node with exactly this name; -1 for none.
    int find_node(const std::string& name) const;
    // Names of the active nodes in index order; 0, or the array's failure.
    [[nodiscard]] int collect_names(VRX_stringArray& names) const;
    // A state name in identifier form: "State_" before a first character that is not a letter, then
    // every character an identifier cannot hold repaired.
    static void node_names_to_ids(std::string& name);

    [[nodiscard]] int get_bool_option(int i, bool& out) const { return options_.get_bool(i, out); }
    [[nodiscard]] int get_int_option(int i, int& out) const { return options_.get_int(i, out); }
    [[nodiscard]] int get_double_option(int i, double& out) const { return options_.get_double(i, out); }
    // kOutOfRange for a name not in the table or of another kind.
    [[nodiscard]] int set_bool_option(const std::string& name, bool value);
    [[nodiscard]] int set_int_option(const std::string& name, int value);
    [[nodiscard]] int set_double_option(const std::string& name, double value);
    const option_set& options() const { return options_; }

    // Background knowledge; -1 for a bad index or a contradiction with earlier knowledge.
    [[nodiscard]] int force_arc(int parent, int child);
    [[nodiscard]] int forbid_arc(int parent, int child);
    [[nodiscard]] int allow_arc(int parent, int child);
    // a precedes b.
    [[nodiscard]] int order_pair(int a, int b);
    // Completes every node's set of successors from the pairwise order.
    int close_order();

    // Whether the lists name every active node, and nothing else, at least once (in at most as many
    // lists as there are active nodes).
    bool is_partition(const std::vector<std::vector<int>>& lists) const;

    // Selects the incomplete-data paths of scoring and parameter learning.
    bool missing_data() const { return missing_data_; }
    void set_missing_data(bool value) {
        missing_data_ = value;
        invalidate_scores();
    }

    progress_tracker& progress() { return *progress_; }
    // Long operations of another graph may report to this tracker (not owned).
    void share_progress(progress_tracker* tracker) { progress_ = tracker ? tracker : &own_progress_; }
    int& seed() { return *seed_; }
    // Draws from another random state (not owned); null returns to the own one.
    void share_seed(int* seed) { seed_ = seed ? seed : &own_seed_; }

protected:
    virtual void invalidate_scores() { score_valid_ = false; }
    virtual void options_changed() {}
    // Node indices changed: whatever is keyed by them is stale.
    virtual void nodes_renumbered() {}
    // Removes the arc from graph and node lists; used by deactivation.
    virtual int detach_node(int i) = 0;
    void copy_settings_from(const structure& source);

    std::vector<std::unique_ptr<hybrid_node>> nodes_;
    int active_count_ = 0;
    double criterion_score_ = kScoreNotComputed;
    bool score_valid_ = false;
    bool missing_data_ = false;
    option_set options_;

private:
    progress_tracker own_progress_;
    progress_tracker* progress_ = &own_progress_;
    int own_seed_ = 0;
    int* seed_ = &own_seed_;
};
