// Training, evaluation, ROC tables and cross-validation shared by every classifier.
#include "learning/binary_classifier.h"

#include "base/status_codes.h"
#include "learning/learning_dag.h"

namespace {

// The record's state of every node: its discrete value, -1 for a node without discrete data.
void RecordValues(const dag& data, int r, std::vector<int>& out) {
    out.resize(data.node_count());
    for (int i = 0; i < data.node_count(); ++i) {
        const hybrid_node& node = *data.node_at(i);
        out[i] = (node.kind & hybrid_node::kDiscreteData) && node.data ? (*node.data)[r] : -1;
    }
}

// Hides every record whose entry is not 1.
std::vector<int> HiddenOutside(const std::vector<int>& selection) {
    std::vector<int> hidden(selection.size());
    for (size_t r = 0; r < selection.size(); ++r) hidden[r] = selection[r] == 1 ? 0 : 1;
    return hidden;
}

}  // namespace

void binary_classifier::add_score(double score, bool positive) {
    (positive ? positive_scores_ : negative_scores_).push(score);
}

int binary_classifier::set_class_variable(int index) {
    if (index < 0) return kOutOfRange;
    class_variable_ = index;
    return kSuccess;
}

int binary_classifier::set_positive_state(int state) {
    if (state < 0) return kOutOfRange;
    positive_state_ = state;
    return kSuccess;
}

int binary_classifier::classify(const std::vector<int>& record) {
    const int c = class_variable_;
    if (c < 0) return kObjectNotValid;
    if (c > static_cast<int>(record.size()) - 1) return kOutOfRange;
    // Without a positive state there is no score to report for the record.
    if (positive_state_ < 0) return kObjectNotValid;
    const std::vector<double>& post = posterior(record);
    if (post.empty()) return kFailure;
    if (positive_state_ >= static_cast<int>(post.size())) return kOutOfRange;
    int best = 0;
    for (int s = 1; s < static_cast<int>(post.size()); ++s) {
        if (post[s] > post[best]) best = s;
    }
    const double score = post[positive_state_];
    positive_probabilities_.push_back(score);
    predicted_.push_back(best);
    expected_values_.push_back(expected_value());
    truth_.push_back(record[c]);
    add_score(score, record[c] == positive_state_);
    return kSuccess;
}

double binary_classifier::expected_value() {
    if (state_weights_.size() != posterior_.size()) state_weights_.assign(posterior_.size(), 1.0);
    double value = 0.0;
    for (size_t s = 0; s < posterior_.size(); ++s) value += posterior_[s] * state_weights_[s];
    return value;
}

int binary_classifier::test() {
    if (test_ == nullptr) return kObjectNotValid;
    std::vector<int> record;
    for (int r = 0; r < test_->record_count(); ++r) {
        if (!test_->record_in_use(r)) continue;
        RecordValues(*test_, r, record);
        const int result = classify(record);
        if (result != kSuccess) return result;
    }
    return kSuccess;
}

int binary_classifier::train_and_test(const std::vector<int>& test_selection,
                                      const std::vector<int>* training_selection) {
    if (training_ == nullptr || test_ == nullptr) return kObjectNotValid;
    std::vector<int> training_hidden;
    if (training_selection != nullptr) {
        training_hidden = HiddenOutside(*training_selection);
    } else {
        training_hidden.resize(test_selection.size());
        for (size_t r = 0; r < test_selection.size(); ++r)
            training_hidden[r] = test_selection[r] == 1 ? 1 : 0;
    }
    // Training first: the training and the test data may be one graph, and learning copies it.
    int result = training_->select_records(training_hidden);
    if (result == kSuccess) result = learn();
    if (result == kSuccess) result = test_->select_records(HiddenOutside(test_selection));
    if (result == kSuccess) result = test();
    return result;
}

int binary_classifier::cross_validate(int folds) {
    if (training_ == nullptr || test_ == nullptr) return kObjectNotValid;
    const int n = test_->record_count();
    if (training_->record_count() != n) return kObjectNotValid;
    if (folds > n) return kOutOfRange;
    if (folds < 2) folds = n;
    clear_queues();
    std::vector<int> hide_test(n), hide_training(n);
    int result = kSuccess;
    for (int f = 0; f < folds && result == kSuccess; ++f) {
        for (int r = 0; r < n; ++r) {
            const bool in_fold = r % folds == f;
            hide_test[r] = in_fold ? 0 : 1;
            hide_training[r] = in_fold ? 1 : 0;
        }
        result = training_->select_records(hide_training);
        if (result == kSuccess) result = learn();
        if (result == kSuccess) result = test_->select_records(hide_test);
        if (result == kSuccess) result = test();
        if (result == kSuccess) result = clear_arcs();
    }
    // The folds' masks are not left on the caller's data.
    const std::vector<int> none(n, 0);
    const int shown = training_->select_records(none);
    const int shown_test = test_->select_records(none);
    if (result != kSuccess) return result;
    return shown != kSuccess ? shown : shown_test;
}

int binary_classifier::roc(std::vector<std::vector<double>>& table, int points, double* threshold) {
    const int p = static_cast<int>(positive_scores_.size());
    const int m = static_cast<int>(negative_scores_.size());
    if (p == 0) return kObjectNotValid;
    const int k = points >= 1 && points <= p ? points : p;
    const int step = p / k;
    table.assign(k + 2, std::vector<double>(5, 0.0));
    table[0] = {double(p), 0.0, 0.0, double(m), 0.0};
    double t = 0.0, best = -1e308, t_best = 0.0, reference = 0.0;
    int remaining = p, tn = 0;
    for (int i = 1; i <= k; ++i) {
        for (int s = 0; s < step && !positive_scores_.empty(); ++s) positive_scores_.pop();
        remaining = p - i * step;
        if (!positive_scores_.empty()) t = positive_scores_.top();
        while (!negative_scores_.empty() && negative_scores_.top() < t) {
            negative_scores_.pop();
            ++tn;
        }
        const int fp = m - tn;
        const double j = remaining != 0 ? double(remaining) / p + double(remaining) / (remaining + fp) : 0.0;
        if (j > best) {
            best = j;
            reference = (t_best + t) / 2.0;
            t_best = t;
        }
        table[i] = {double(remaining), double(p - remaining), double(tn), double(fp), t};
    }
    tn += static_cast<int>(negative_scores_.size());
    clear_queues();
    table[k + 1] = {double(remaining), double(p - remaining), double(tn), double(m - tn), t};
    if (threshold != nullptr) *threshold = reference;
    return kSuccess;
}

void binary_classifier::clear_queues() {
    positive_scores_ = score_queue();
    negative_scores_ = score_queue();
}

void binary_classifier::reset() {
    clear_queues();
    predicted_.clear();
    positive_probabilities_.clear();
    posterior_.clear();
    expected_values_.clear();
    truth_.clear();
}

double binary_classifier::accuracy() const {
    if (predicted_.empty()) return 0.0;
    int right = 0;
    for (size_t i = 0; i < predicted_.size(); ++i) right += predicted_[i] == truth_[i];
    return double(right) / predicted_.size();
}
