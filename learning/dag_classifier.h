#pragma once
// Classifiers over a learning graph: the structure recipes chosen by `model_type` (greedy thick
// thinning, naive Bayes, naive Bayes with feature selection, fixed), the posterior of the class
// variable for a record, and evaluation by k-fold cross-validation.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "learning/learning_dag.h"

class dag_classifier {
public:
    dag_classifier();

    // Named int parameters: "model_type" (registered here, 0) and "MAX_NUM_PA_GS".
    void register_int(const std::string& name, int value) { parameters_[name] = value; }
    [[nodiscard]] int get_int(const std::string& name, int& value) const;
    [[nodiscard]] int set_int(const std::string& name, int value);

    // -2 for a negative index.
    [[nodiscard]] int set_class_variable(int index);
    [[nodiscard]] int set_positive_state(int state);
    // Recorded (not owned) and copied into the classifier's own graph.
    void set_training_data(dag* data);
    void set_test_data(dag* data) { test_ = data; }

    // Learns structure and parameters into the own graph; -567 for an unknown model type, -1 for a class
    // variable outside the graph or a failed search, the tracker's cancel answer.
    [[nodiscard]] int learn();
    // Class posterior for a record (one state per node, -1 or the missing mark for unknown).
    const std::vector<double>& posterior(const std::vector<int>& record);
    // Classifies every record in use of the test data; 0, -567 without a class variable, -2 for a short
    // record.
    [[nodiscard]] int classify(const std::vector<int>& record);
    [[nodiscard]] int test();
    // k folds (k < 2: one per record); -2 for more folds than records, -567 for data of other sizes.
    [[nodiscard]] int cross_validate(int folds);
    [[nodiscard]] int clear_arcs() { return graph_->remove_all_arcs(); }
    void reset();

    dag& graph() { return *graph_; }
    // Results of the records classified since the last reset.
    const std::vector<int>& predicted_states() const { return predicted_; }
    const std::vector<int>& true_states() const { return truth_; }
    const std::vector<double>& positive_probabilities() const { return positive_; }
    // Fraction of classified records whose predicted state is the true one.
    double accuracy() const;

private:
    std::unique_ptr<dag> graph_;
    dag* training_ = nullptr;
    dag* test_ = nullptr;
    int class_variable_ = -1;
    int positive_state_ = -1;
    std::map<std::string, int> parameters_;
    std::vector<double> posterior_;
    std::vector<int> predicted_, truth_;
    std::vector<double> positive_;
};
