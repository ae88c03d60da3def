#include "learning/dag_classifier.h"

#include "base/status_codes.h"

dag_classifier::dag_classifier() : graph_(std::make_unique<dag>()) { register_int("model_type", 0); }

int dag_classifier::get_int(const std::string& name, int& value) const {
    const auto it = parameters_.find(name);
    if (it == parameters_.end()) return kOutOfRange;
    value = it->second;
    return kSuccess;
}

int dag_classifier::set_int(const std::string& name, int value) {
    const auto it = parameters_.find(name);
    if (it == parameters_.end()) return kOutOfRange;
    it->second = value;
    return kSuccess;
}

int dag_classifier::set_class_variable(int index) {
    if (index < 0) return kOutOfRange;
    class_variable_ = index;
    return kSuccess;
}

int dag_classifier::set_positive_state(int state) {
    if (state < 0) return kOutOfRange;
    positive_state_ = state;
    return kSuccess;
}

void dag_classifier::set_training_data(dag* data) {
    training_ = data;
    if (data != nullptr) graph_->copy_from(*data);
}

int dag_classifier::learn() {
    int type = 0;
    (void)get_int("model_type", type);
    set_training_data(training_);
    dag& g = *graph_;
    const int c = class_variable_;
    const bool classOk = c >= 0 && c < g.node_count();
    int result = kSuccess;
    switch (type) {
        case 0: {
            int limit = 5;  // the driver's default when no limit was registered
            (void)get_int("MAX_NUM_PA_GS", limit);
            result = g.thicken(limit);
            if (result == kSuccess) result = g.thin(-1);
            break;
        }
        case 1:
            if (!classOk) return kFailure;
            for (int i = -1; g.next_active(i) == kSuccess;) {
                if (i != c) (void)g.add_arc(c, i);
            }
            break;
        case 2:
            if (!classOk) return kFailure;
            // Tiers [class] then [features], no arc inside a tier: only class -> feature arcs remain.
            for (int i = -1; g.next_active(i) == kSuccess;) {
                if (i == c) continue;
                (void)g.order_pair(c, i);
                for (int j = -1; g.next_active(j) == kSuccess;) {
                    if (j != c && j != i) (void)g.forbid_arc(j, i);
                }
            }
            (void)g.close_order();
            result = g.thicken(-1);
            break;
        case 4:
            (void)g.add_arc(0, 2);
            (void)g.add_arc(1, 2);
            break;
        default:
            return kObjectNotValid;
    }
    if (result != kSuccess) return result;
    return g.learn_parameters();
}

const std::vector<double>& dag_classifier::posterior(const std::vector<int>& record) {
    dag& g = *graph_;
    for (int i = -1; g.next_active(i) == kSuccess;) {
        hybrid_node& node = *g.node_at(i);
        if (i >= static_cast<int>(record.size()) || node.set_state(record[i]) != kSuccess) node.state = -1;
    }
    hybrid_node* cls = g.node_at(class_variable_);
    posterior_.assign(cls ? cls->num_states() : 0, 0.0);
    double sum = 0.0;
    for (int s = 0; s < static_cast<int>(posterior_.size()); ++s) {
        cls->state = s;
        posterior_[s] = g.joint_probability();
        // A node without parameters makes no distribution: the record is left unclassified.
        if (posterior_[s] < 0.0) {
            posterior_.clear();
            return posterior_;
        }
        sum += posterior_[s];
    }
    for (double& p : posterior_) p = sum > 0.0 ? p / sum : 1.0 / posterior_.size();
    return posterior_;
}

int dag_classifier::classify(const std::vector<int>& record) {
    if (class_variable_ < 0) return kObjectNotValid;
    if (class_variable_ > static_cast<int>(record.size()) - 1) return kOutOfRange;
    const std::vector<double>& post = posterior(record);
    if (post.empty()) return kFailure;
    int best = 0;
    for (int s = 1; s < static_cast<int>(post.size()); ++s) {
        if (post[s] > post[best]) best = s;
    }
    predicted_.push_back(best);
    truth_.push_back(record[class_variable_]);
    positive_.push_back(positive_state_ >= 0 && positive_state_ < static_cast<int>(post.size())
                            ? post[positive_state_] : 0.0);
    return kSuccess;
}

int dag_classifier::test() {
    if (test_ == nullptr) return kObjectNotValid;
    std::vector<int> record(test_->node_count());
    for (int r = 0; r < test_->record_count(); ++r) {
        if (!test_->record_in_use(r)) continue;
        for (int i = 0; i < test_->node_count(); ++i) record[i] = (*test_->node_at(i)->data)[r];
        const int result = classify(record);
        if (result != kSuccess) return result;
    }
    return kSuccess;
}

int dag_classifier::cross_validate(int folds) {
    if (training_ == nullptr || test_ == nullptr) return kObjectNotValid;
    const int n = test_->record_count();
    if (training_->record_count() != n) return kObjectNotValid;
    if (folds > n) return kOutOfRange;
    if (folds < 2) folds = n;
    reset();
    std::vector<int> hideTest(n), hideTraining(n);
    for (int f = 0; f < folds; ++f) {
        for (int r = 0; r < n; ++r) {
            const bool inFold = r % folds == f;
            hideTest[r] = inFold ? 0 : 1;
            hideTraining[r] = inFold ? 1 : 0;
        }
        // Training first: the training and test data may be one graph.
        int result = training_->select_records(hideTraining);
        if (result == kSuccess) result = learn();
        if (result == kSuccess) result = test_->select_records(hideTest);
        if (result == kSuccess) result = test();
        if (result == kSuccess) result = clear_arcs();
        if (result != kSuccess) return result;
    }
    return kSuccess;
}

void dag_classifier::reset() {
    predicted_.clear();
    truth_.clear();
    positive_.clear();
    posterior_.clear();
}

double dag_classifier::accuracy() const {
    if (predicted_.empty()) return 0.0;
    int right = 0;
    for (size_t i = 0; i < predicted_.size(); ++i) right += predicted_[i] == truth_[i];
    return double(right) / predicted_.size();
}
