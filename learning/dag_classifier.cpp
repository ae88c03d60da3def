// A classifier over a learnt graph, its structure chosen by `model_type`.
#include "learning/dag_classifier.h"

#include <algorithm>
#include <functional>

#include "base/status_codes.h"
#include "model/network.h"

namespace {

// The search's parent limit when none was registered: the greedy thick-thinning driver's default.
constexpr int kDefaultParentLimit = 5;

}  // namespace

dag_classifier::dag_classifier() : graph_(std::make_unique<dag>()) {
    (void)register_int("model_type", 0, "e.g., naive network or thick-thin");
}

dag_classifier::~dag_classifier() = default;

void dag_classifier::set_training_data(dag* data) {
    binary_classifier::set_training_data(data);
    if (graph_ == nullptr) graph_ = std::make_unique<dag>();
    if (data == nullptr) return;
    graph_->copy_from(*data);
    // The copy takes the data's random state; a state given to the classifier stays in force.
    if (seed_source_ != nullptr) graph_->share_seed(seed_source_);
}

void dag_classifier::set_seed(int& seed) {
    seed_source_ = &seed;
    graph_->share_seed(seed_source_);
}

int dag_classifier::clear_arcs() {
    return graph_->remove_all_arcs() == kSuccess ? kSuccess : kFailure;
}

int dag_classifier::clear_nodes() {
    graph_->remove_all_nodes();
    return kSuccess;
}

template <typename Operation>
int dag_classifier::step(double weight, const char* text, Operation&& operation) {
    progress_tracker& progress = graph_->progress();
    const int d = step_depth_;
    int result = progress.open_step(d, weight, text);
    if (result == kSuccess) result = operation();
    if (result == kSuccess) result = progress.close_step(d);
    return result;
}

template <typename Search>
int dag_classifier::search(double weight, Search&& search) {
    dag& g = *graph_;
    if (!g.has_missing_cells()) return search();
    const int outer = step_depth_;
    const int result = step(weight, "Searching over completed records", [&] {
        step_depth_ = outer + 1;
        return g.search_completed(search, [&](const std::function<int()>& run) {
            return step(1.0 / dag::kCompletionRounds, "Completing records", [&] {
                ++step_depth_;
                const int searched = run();
                --step_depth_;
                return searched;
            });
        });
    });
    step_depth_ = outer;
    return result;
}

int dag_classifier::learn() {
    int type = 0;
    (void)get_int("model_type", type);
    set_training_data(training_);
    // The run's steps are shares of the step enclosing the run (or of the whole).
    step_depth_ = std::max(graph_->progress().depth(), 0);
    const int c = class_variable_;
    const bool class_in_graph = c >= 0 && c < graph_->node_count();
    switch (type) {
        case 0:
            return learn_greedy_thick_thinning();
        case 1:
            return class_in_graph ? learn_naive_bayes() : kFailure;
        case 2:
            return class_in_graph ? learn_feature_selection() : kFailure;
        case 3:
            return class_in_graph ? learn_extra_parent() : kFailure;
        case 4:
            // Fails silently on a graph of fewer than three nodes: then only parameters are learnt.
            (void)graph_->add_arc(0, 2);
            (void)graph_->add_arc(1, 2);
            return step(1.0, "Parameters", [&] { return graph_->learn_parameters(); });
        default:
            return kObjectNotValid;
    }
}

int dag_classifier::learn_greedy_thick_thinning() {
    dag& g = *graph_;
    int limit = kDefaultParentLimit;
    (void)get_int("MAX_NUM_PA_GS", limit);
    int result = search(0.9, [&] {
        const int thickened = step(0.45, "Thickening", [&] { return g.thicken(limit); });
        return thickened == kSuccess ? step(0.45, "Thinning", [&] { return g.thin(-1); }) : thickened;
    });
    if (result == kSuccess) result = step(0.1, "Parameters", [&] { return g.learn_parameters(); });
    return result;
}

int dag_classifier::learn_naive_bayes() {
    dag& g = *graph_;
    for (int i = -1; g.next_active(i) == kSuccess;) {
        if (i != class_variable_) (void)g.add_arc(class_variable_, i);
    }
    return step(1.0, "Parameters", [&] { return g.learn_parameters(); });
}

int dag_classifier::learn_feature_selection() {
    dag& g = *graph_;
    const int c = class_variable_;
    // Only class -> feature arcs: each feature's gain is its own, so no search over pairs is needed.
    int result = search(
        0.8, [&] { return step(0.8, "Selecting features", [&] { return g.add_gaining_arcs_from(c); }); });
    if (result == kSuccess) result = step(0.2, "Parameters", [&] { return g.learn_parameters(); });
    return result;
}

int dag_classifier::learn_extra_parent() {
    dag& g = *graph_;
    const int c = class_variable_;
    // Tiers [class] then [features] with arcs allowed inside the feature tier; the class arcs wait
    // until each feature has chosen its one feature parent.
    for (int i = -1; g.next_active(i) == kSuccess;) {
        if (i == c) continue;
        (void)g.order_pair(c, i);
        (void)g.forbid_arc(c, i);
    }
    (void)g.close_order();
    int result =
        search(0.8, [&] { return step(0.8, "Adding feature parents", [&] { return g.thicken(1); }); });
    if (result != kSuccess) return result;
    for (int i = -1; g.next_active(i) == kSuccess;) {
        if (i == c) continue;
        (void)g.allow_arc(c, i);
        (void)g.add_arc(c, i);
    }
    return step(0.2, "Parameters", [&] { return g.learn_parameters(); });
}

int dag_classifier::save(const std::string& file_name) {
    VRX_network network;
    const int result = graph_->copy_to_network(network);
    if (result != kSuccess) return result;
    return network.WriteFile(file_name.c_str());
}

const std::vector<double>& dag_classifier::posterior(const std::vector<int>& record) {
    dag& g = *graph_;
    posterior_.clear();
    hybrid_node* cls = g.node_at(class_variable_);
    if (cls == nullptr || !cls->active) return posterior_;
    // A state outside the node's (missing, unknown, or no record entry) sums the node out rather than
    // keeping the state of an earlier record.
    for (int i = -1; g.next_active(i) == kSuccess;) {
        hybrid_node& node = *g.node_at(i);
        if (i >= static_cast<int>(record.size()) || node.set_state(record[i]) != kSuccess) node.state = -1;
    }
    posterior_.assign(cls->num_states(), 0.0);
    double sum = 0.0;
    for (int s = 0; s < static_cast<int>(posterior_.size()); ++s) {
        cls->state = s;
        posterior_[s] = g.joint_probability();
        // A node without parameters makes no distribution: the record is refused.
        if (posterior_[s] < 0.0) {
            posterior_.clear();
            return posterior_;
        }
        sum += posterior_[s];
    }
    // A record the model gives probability zero leaves every state equally likely.
    for (double& p : posterior_) p = sum > 0.0 ? p / sum : 1.0 / posterior_.size();
    return posterior_;
}
