#pragma once
// Base of the learning library's classifiers: the class variable and its positive state, the training
// and test graphs (the caller's), named parameters, and the evaluation machinery: classification of
// records, queues of positive-state scores, the ROC table, train-and-test and k-fold cross-validation.

#include <queue>
#include <string>
#include <vector>

#include "learning/parameter_registry.h"

class dag;

class binary_classifier {
public:
    binary_classifier() = default;
    virtual ~binary_classifier() = default;
    binary_classifier(const binary_classifier&) = delete;
    binary_classifier& operator=(const binary_classifier&) = delete;

    // Pushes the score on the queue of positive or of other records.
    void add_score(double score, bool positive);
    // Classifies one record (a state per node; -1 or the missing mark for unknown) and keeps its
    // results. kObjectNotValid without a class variable, kOutOfRange for a record too short to hold the
    // class, kObjectNotValid without a positive state, -1 when the graph gives no posterior, kOutOfRange for
    // a positive state the class lacks.
    [[nodiscard]] int classify(const std::vector<int>& record);
    // Rows (true positives, false negatives, true negatives, false positives, threshold) at `points`
    // thresholds taken from the positive scores (all of them when points is not in 1..P), framed by the
    // rows of threshold 0 and of all negatives counted. The best threshold by sensitivity plus precision
    // goes to *threshold when given. kObjectNotValid without a positive score. Empties both queues.
    [[nodiscard]] int roc(std::vector<std::vector<double>>& table, int points, double* threshold);
    // Record r in fold r mod k (k < 2: one fold per record); learns without each fold and classifies it.
    // kObjectNotValid without data or with training and test data of different sizes, kOutOfRange for more
    // folds than records. Both graphs show all their records afterwards.
    [[nodiscard]] int cross_validate(int folds);
    // Selections hold 1 for each member record; no training selection means every record outside the
    // test selection. Learns, then tests; the first nonzero status.
    [[nodiscard]] int train_and_test(const std::vector<int>& test_selection,
                                     const std::vector<int>* training_selection);
    // 0, or kOutOfRange for a negative index.
    [[nodiscard]] int set_class_variable(int index);
    [[nodiscard]] int set_positive_state(int state);
    // Recorded, not owned.
    virtual void set_training_data(dag* data) { training_ = data; }
    void set_test_data(dag* data) { test_ = data; }
    // Empties the score queues and every result list.
    void reset();
    // Classifies every record in use of the test data; kObjectNotValid without test data, else the first
    // failure.
    [[nodiscard]] int test();

    // The random state the classifier's searches draw from (the caller's, not owned).
    virtual void set_seed(int& seed) = 0;
    [[nodiscard]] virtual int clear_arcs() = 0;
    [[nodiscard]] virtual int learn() = 0;
    [[nodiscard]] virtual int save(const std::string& file_name) = 0;
    // The class posterior of the record; empty when the graph cannot give one.
    virtual const std::vector<double>& posterior(const std::vector<int>& record) = 0;

    // Sum of the last posterior weighted by the state weights (all 1 unless set to the class's length).
    double expected_value();
    void set_state_weights(std::vector<double> weights) { state_weights_ = std::move(weights); }

    parameter_registry& parameters() { return parameters_; }
    [[nodiscard]] int register_int(const std::string& name, int value, const std::string& description = "") {
        return parameters_.register_int(name, value, description);
    }
    [[nodiscard]] int get_int(const std::string& name, int& value) const {
        return parameters_.get_int(name, value);
    }
    [[nodiscard]] int set_int(const std::string& name, int value) { return parameters_.set_int(name, value); }

    int class_variable() const { return class_variable_; }
    int positive_state() const { return positive_state_; }
    // Results of the records classified since the last reset.
    const std::vector<int>& predicted_states() const { return predicted_; }
    const std::vector<int>& true_states() const { return truth_; }
    const std::vector<double>& positive_probabilities() const { return positive_probabilities_; }
    const std::vector<double>& expected_values() const { return expected_values_; }
    const std::vector<double>& last_posterior() const { return posterior_; }
    size_t positive_score_count() const { return positive_scores_.size(); }
    size_t negative_score_count() const { return negative_scores_.size(); }
    // Fraction of classified records whose predicted state is the true one.
    double accuracy() const;

protected:
    // Orders scores so that the smallest is on top, a NaN after every number: a strict weak order even
    // for scores that are not numbers.
    struct later_score {
        bool operator()(double a, double b) const {
            const bool nan_a = a != a, nan_b = b != b;
            return nan_a != nan_b ? nan_a : a > b;
        }
    };
    using score_queue = std::priority_queue<double, std::vector<double>, later_score>;

    score_queue positive_scores_;
    score_queue negative_scores_;
    std::vector<int> predicted_;
    std::vector<double> positive_probabilities_;
    std::vector<double> expected_values_;
    std::vector<double> state_weights_;
    std::vector<double> posterior_;
    int class_variable_ = -1;
    int positive_state_ = -1;
    dag* training_ = nullptr;
    dag* test_ = nullptr;
    parameter_registry parameters_;
    // The class state of every classified record.
    std::vector<int> truth_;

private:
    void clear_queues();
};
