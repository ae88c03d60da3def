#pragma once
// A classifier that learns a learning graph over its training data by one of five structure recipes
// chosen by the int parameter `model_type`: 0 greedy thick thinning, 1 naive Bayes, 2 naive Bayes with
// feature selection, 3 naive Bayes with one extra parent per feature, 4 a fixed structure.

#include <memory>
#include <string>
#include <vector>

#include "learning/binary_classifier.h"
#include "learning/learning_dag.h"

class dag_classifier : public binary_classifier {
public:
    dag_classifier();
    ~dag_classifier() override;

    // Also copies the data into the own graph (its arcs, knowledge and options with it).
    void set_training_data(dag* data) override;
    void set_seed(int& seed) override;
    // 0, or -1 when an arc cannot be removed.
    [[nodiscard]] int clear_arcs() override;
    // Learns structure and parameters into the own graph from a fresh copy of the training data.
    // kObjectNotValid for an unknown model type, -1 for a class variable outside the graph (types 1 to 3) or
    // a failed search, the tracker's cancel answer when cancelled.
    [[nodiscard]] int learn() override;
    // The own graph as a network file, its format chosen by the extension.
    [[nodiscard]] int save(const std::string& file_name) override;
    // The class posterior with every node at the record's state (a missing or unknown state is summed
    // out); empty for a graph without the class node or with a node lacking parameters.
    const std::vector<double>& posterior(const std::vector<int>& record) override;
    [[nodiscard]] int clear_nodes();

    dag& graph() { return *graph_; }

private:
    int learn_greedy_thick_thinning();
    int learn_naive_bayes();
    int learn_feature_selection();
    int learn_extra_parent();
    // Runs the operation as a progress step of the given weight and text.
    template <typename Operation>
    int step(double weight, const char* text, Operation&& operation);
    // Runs the search (steps adding up to `weight`) on the data as it is, or, when the data has missing
    // cells, in rounds over records completed under the graph of the round before, until a round
    // leaves the arcs as they were.
    template <typename Search>
    int search(double weight, Search&& search);

    std::unique_ptr<dag> graph_;
    int* seed_source_ = nullptr;
    // Tracker level of the steps of the current run.
    int step_depth_ = 0;
};
