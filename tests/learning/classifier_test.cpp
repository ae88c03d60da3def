// Classifiers: parameters, classification and its refusals, score queues and the ROC table, the
// selections of train-and-test and cross-validation, the structure recipes, saving, and progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "learning/dag_classifier.h"
#include "learning/data_set.h"
#include "learning/parameter_registry.h"
#include "learning/progress_tracker.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/learning_graphs.h"
#include "tests/support/temp_file.h"

namespace {

using vovido::test::AddColumns;
using vovido::test::RecordsInUse;

// A classifier whose posterior of state 1 is record[1] / 10 and which notes, for every learn, the
// training records in use and the records classified after it.
class ProbeClassifier : public binary_classifier {
public:
    void set_seed(int&) override {}
    int clear_arcs() override { return kSuccess; }
    int save(const std::string&) override { return kSuccess; }
    int learn() override {
        trained.push_back(RecordsInUse(*training_));
        tested.emplace_back();
        return kSuccess;
    }
    const std::vector<double>& posterior(const std::vector<int>& record) override {
        if (!tested.empty()) tested.back().push_back(record[1]);
        posterior_ = {1.0 - record[1] / 10.0, record[1] / 10.0};
        return posterior_;
    }
    std::vector<std::vector<int>> trained, tested;
};

// Ten records: class v0 (1 on odd records), v1 the record's number (10 states).
void TenRecords(dag& g) {
    AddColumns(g, {{0, 1, 0, 1, 0, 1, 0, 1, 0, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}, {2, 10});
}

std::vector<int> Complement(const std::vector<int>& records, int n) {
    std::vector<int> out;
    for (int r = 0; r < n; ++r) {
        if (std::find(records.begin(), records.end(), r) == records.end()) out.push_back(r);
    }
    return out;
}

TEST(ParameterRegistry, Codes) {
    parameter_registry p;
    int value = 42;
    EXPECT_EQ(p.get_int("model_type", value), kOutOfRange);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(p.set_int("model_type", 1), kOutOfRange);
    ASSERT_EQ(p.register_int("model_type", 3, "recipe"), kSuccess);
    EXPECT_FALSE(p.changed("model_type"));
    ASSERT_EQ(p.set_int("model_type", 4), kSuccess);
    EXPECT_TRUE(p.changed("model_type"));
    ASSERT_EQ(p.get_int("model_type", value), kSuccess);
    EXPECT_EQ(value, 4);
    ASSERT_EQ(p.register_int("model_type", 5, "again"), kSuccess);  // overwrites, clears the mark
    EXPECT_FALSE(p.changed("model_type"));
    ASSERT_EQ(p.get_int("model_type", value), kSuccess);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(p.description("model_type"), "again");
    dag_classifier c;
    ASSERT_EQ(c.get_int("model_type", value), kSuccess);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(c.parameters().description("model_type"), "e.g., naive network or thick-thin");
}

TEST(Classify, RefusalsResultsAndExpectedValue) {
    ProbeClassifier c;
    EXPECT_EQ(c.classify({1, 3}), kObjectNotValid);  // no class variable
    EXPECT_EQ(c.set_class_variable(-1), kOutOfRange);
    EXPECT_EQ(c.set_positive_state(-1), kOutOfRange);
    ASSERT_EQ(c.set_class_variable(1), kSuccess);
    EXPECT_EQ(c.classify({1}), kOutOfRange);  // too short to hold the class
    ASSERT_EQ(c.set_class_variable(0), kSuccess);
    EXPECT_EQ(c.classify({1, 3}), kObjectNotValid);  // no positive state
    ASSERT_EQ(c.set_positive_state(2), kSuccess);
    EXPECT_EQ(c.classify({1, 3}), kOutOfRange);  // a binary class has no state 2
    EXPECT_TRUE(c.predicted_states().empty());
    ASSERT_EQ(c.set_positive_state(1), kSuccess);
    // Posterior (0.7, 0.3): weights 2 and 10 give 1.4 + 3.0.
    c.set_state_weights({2.0, 10.0});
    ASSERT_EQ(c.classify({1, 3}), kSuccess);
    // Weights of another length are replaced by ones.
    c.set_state_weights({5.0});
    ASSERT_EQ(c.classify({0, 8}), kSuccess);
    EXPECT_EQ(c.predicted_states(), (std::vector<int>{0, 1}));
    EXPECT_EQ(c.true_states(), (std::vector<int>{1, 0}));
    ASSERT_EQ(c.positive_probabilities().size(), 2u);
    EXPECT_NEAR(c.positive_probabilities()[1], 0.8, 1e-12);
    ASSERT_EQ(c.expected_values().size(), 2u);
    EXPECT_NEAR(c.expected_values()[0], 4.4, 1e-12);
    EXPECT_NEAR(c.expected_values()[1], 1.0, 1e-12);
    EXPECT_EQ(c.positive_score_count(), 1u);
    EXPECT_EQ(c.negative_score_count(), 1u);
    c.reset();
    EXPECT_TRUE(c.expected_values().empty());
    EXPECT_EQ(c.positive_score_count() + c.negative_score_count(), 0u);
    // A graph without parameters gives no posterior.
    dag data;
    TenRecords(data);
    dag_classifier unlearnt;
    unlearnt.set_training_data(&data);
    ASSERT_EQ(unlearnt.set_class_variable(0), kSuccess);
    ASSERT_EQ(unlearnt.set_positive_state(1), kSuccess);
    EXPECT_EQ(unlearnt.classify({0, 1}), kFailure);
}

TEST(Roc, RowsByHand) {
    // Positives 0.1 .. 1.0, negatives 0.05, 0.32, 0.34, 0.36; 4 points: step 2.
    ProbeClassifier c;
    auto fill = [&c] {
        for (int i = 1; i <= 10; ++i) c.add_score(i / 10.0, true);
        for (double s : {0.36, 0.05, 0.34, 0.32}) c.add_score(s, false);
    };
    fill();
    std::vector<std::vector<double>> table;
    double threshold = -1.0;
    ASSERT_EQ(c.roc(table, 4, &threshold), kSuccess);
    // Step 1 leaves 8 positives above 0.3, one negative below; step 2 (t = 0.5) passes every negative and
    // scores best (0.6 + 6/6 against 0.8 + 8/11): the threshold is midway between 0.3 and 0.5.
    const std::vector<std::vector<double>> expected = {{10, 0, 0, 4, 0},  {8, 2, 1, 3, 0.3},
                                                       {6, 4, 4, 0, 0.5}, {4, 6, 4, 0, 0.7},
                                                       {2, 8, 4, 0, 0.9}, {2, 8, 4, 0, 0.9}};
    ASSERT_EQ(table.size(), expected.size());
    for (size_t i = 0; i < table.size(); ++i) {
        for (int v = 0; v < 5; ++v) EXPECT_NEAR(table[i][v], expected[i][v], 1e-12) << "row " << i;
    }
    EXPECT_NEAR(threshold, 0.4, 1e-12);
    EXPECT_EQ(c.positive_score_count() + c.negative_score_count(), 0u);
    // No positive score; points outside 1..P take every positive (k = P = 10, 12 rows).
    EXPECT_EQ(c.roc(table, 4, nullptr), kObjectNotValid);
    for (int points : {20, 0, -3}) {
        fill();
        ASSERT_EQ(c.roc(table, points, nullptr), kSuccess);
        ASSERT_EQ(table.size(), 12u);
        EXPECT_EQ(table[10][0], 0.0);
        EXPECT_EQ(table[11][2], 4.0);
    }
    // A score that is not a number ranks after every number.
    for (double s : {std::nan(""), 0.3, 0.1}) c.add_score(s, true);
    c.add_score(0.2, false);
    ASSERT_EQ(c.roc(table, 3, nullptr), kSuccess);
    EXPECT_EQ(table[1], (std::vector<double>{2, 1, 1, 0, 0.3}));
}

TEST(CrossValidate, FoldsOfRecords) {
    struct Case {
        int folds;
        std::vector<std::vector<int>> tested;
    };
    const Case cases[] = {
        {1, {{0}, {1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}, {9}}},
        {3, {{0, 3, 6, 9}, {1, 4, 7}, {2, 5, 8}}},
    };
    for (const Case& k : cases) {
        dag data;
        TenRecords(data);
        ProbeClassifier c;
        c.set_training_data(&data);
        c.set_test_data(&data);
        ASSERT_EQ(c.set_class_variable(0), kSuccess);
        ASSERT_EQ(c.set_positive_state(1), kSuccess);
        c.add_score(0.5, true);  // emptied by the run
        ASSERT_EQ(c.cross_validate(k.folds), kSuccess);
        EXPECT_EQ(c.tested, k.tested) << k.folds;
        ASSERT_EQ(c.trained.size(), k.tested.size());
        for (size_t f = 0; f < k.tested.size(); ++f) EXPECT_EQ(c.trained[f], Complement(k.tested[f], 10));
        EXPECT_EQ(c.positive_score_count(), 5u);
        EXPECT_EQ(c.negative_score_count(), 5u);
        EXPECT_EQ(data.records_in_use(), 10);  // the folds' masks are lifted
    }
    dag data, shorter;
    TenRecords(data);
    AddColumns(shorter, {{0, 1, 0}});
    ProbeClassifier c;
    EXPECT_EQ(c.cross_validate(2), kObjectNotValid);  // no data
    c.set_training_data(&data);
    c.set_test_data(&data);
    EXPECT_EQ(c.cross_validate(11), kOutOfRange);
    c.set_training_data(&shorter);
    EXPECT_EQ(c.cross_validate(2), kObjectNotValid);
}

TEST(TrainAndTest, Selections) {
    const std::vector<int> test_selection = {1, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    const std::vector<int> training_selection = {0, 0, 1, 1, 0, 0, 0, 0, 0, 0};
    for (const std::vector<int>* training :
         {static_cast<const std::vector<int>*>(nullptr), &training_selection}) {
        dag data;
        TenRecords(data);
        ProbeClassifier c;
        c.set_training_data(&data);
        c.set_test_data(&data);
        ASSERT_EQ(c.set_class_variable(0), kSuccess);
        ASSERT_EQ(c.set_positive_state(1), kSuccess);
        ASSERT_EQ(c.train_and_test(test_selection, training), kSuccess);
        ASSERT_EQ(c.trained.size(), 1u);
        const std::vector<int> expected =
            training ? std::vector<int>{2, 3} : std::vector<int>{2, 3, 4, 5, 6, 7, 8};
        EXPECT_EQ(c.trained[0], expected);
        EXPECT_EQ(c.tested[0], (std::vector<int>{0, 1, 9}));
        EXPECT_EQ(c.train_and_test({1, 0}, nullptr), kObjectNotValid);  // a selection of another length
    }
}

// Class v0 and features tied in a chain v0 -> v1 -> v2 -> v3 (each a noisy copy of the one before).
void ChainRecords(dag& g) {
    std::vector<std::vector<int32_t>> columns(4);
    for (int r = 0; r < 64; ++r) {
        const int v0 = r % 2, v1 = r % 7 == 0 ? 1 - v0 : v0, v2 = r % 5 == 0 ? 1 - v1 : v1,
                  v3 = r % 11 == 0 ? 1 - v2 : v2;
        for (int v = 0; v < 4; ++v) columns[v].push_back(std::vector<int>{v0, v1, v2, v3}[v]);
    }
    AddColumns(g, columns);
}

TEST(DagClassifier, ModelTypes) {
    struct Case {
        int type, class_variable, nodes, status;
    };
    const Case cases[] = {{1, 0, 4, kSuccess},        {3, 0, 4, kSuccess}, {4, 0, 2, kSuccess},
                          {9, 0, 4, kObjectNotValid}, {1, 4, 4, kFailure}, {2, 7, 4, kFailure},
                          {3, 4, 4, kFailure}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.type);
        dag data, two;
        ChainRecords(data);
        AddColumns(two, {{0, 1}, {1, 1}});
        dag_classifier c;
        c.set_training_data(k.nodes == 4 ? &data : &two);
        ASSERT_EQ(c.set_int("model_type", k.type), kSuccess);
        ASSERT_EQ(c.set_class_variable(k.class_variable), kSuccess);
        ASSERT_EQ(c.learn(), k.status);
        if (k.status != kSuccess) continue;
        const dag& g = c.graph();
        EXPECT_TRUE(g.node_at(0)->parents.empty());
        if (k.type == 4) {  // arcs into node 2 fail silently; the parameters are learnt
            EXPECT_EQ(g.arc_count(), 0);
            EXPECT_EQ(g.node_at(1)->parameters.size(), 2u);
            continue;
        }
        EXPECT_EQ(g.node_at(0)->children.size(), 3u);
        int feature_arcs = 0;
        for (int i = 1; i < 4; ++i) {
            const std::vector<int>& parents = g.node_at(i)->parents;
            EXPECT_TRUE(g.node_at(i)->is_parent(0));
            EXPECT_LE(parents.size(), k.type == 3 ? 2u : 1u);
            feature_arcs += static_cast<int>(parents.size()) - 1;
        }
        // The chain's features gain feature parents only with one extra parent per feature.
        EXPECT_EQ(feature_arcs > 0, k.type == 3);
    }
}

TEST(DagClassifier, SaveReadsBackTheSameTables) {
    dag data;
    ChainRecords(data);
    dag_classifier c;
    c.set_training_data(&data);
    ASSERT_EQ(c.set_int("model_type", 1), kSuccess);
    ASSERT_EQ(c.set_class_variable(1), kSuccess);
    ASSERT_EQ(c.learn(), kSuccess);
    vovido::test::TempFile file(".xvrx");
    ASSERT_EQ(c.save(file.path()), kSuccess);
    VRX_network read, direct;
    ASSERT_EQ(read.ReadFile(file.c_str()), kSuccess);
    ASSERT_EQ(c.graph().copy_to_network(direct), kSuccess);
    ASSERT_EQ(read.GetNumberOfNodes(), 4);
    for (const char* id : {"v0", "v1", "v2", "v3"}) {
        VRX_Dmatrix *a = nullptr, *b = nullptr;
        ASSERT_EQ(read.GetNode(read.FindNode(id))->GetDefinition()->GetDefinition(a), kSuccess);
        ASSERT_EQ(direct.GetNode(direct.FindNode(id))->GetDefinition()->GetDefinition(b), kSuccess);
        ASSERT_EQ(a->GetNumberOfElements(), b->GetNumberOfElements()) << id;
        for (int i = 0; i < a->GetNumberOfElements(); ++i) EXPECT_NEAR((*a)[i], (*b)[i], 1e-12) << id;
    }
    EXPECT_NE(c.save(file.path() + ".unknown-extension"), kSuccess);
}

TEST(DagClassifier, SharedSeedAndClearedNodes) {
    dag data;
    ChainRecords(data);
    dag_classifier c;
    int seed = -17;
    c.set_seed(seed);
    c.set_training_data(&data);
    ASSERT_EQ(c.learn(), kSuccess);  // model type 0
    EXPECT_EQ(&c.graph().seed(), &seed);
    ASSERT_EQ(c.clear_arcs(), kSuccess);
    EXPECT_EQ(c.graph().arc_count(), 0);
    ASSERT_EQ(c.clear_nodes(), kSuccess);
    EXPECT_EQ(c.graph().node_count(), 0);
}

TEST(Progress, ListenerCancels) {
    DataSet data;
    ASSERT_EQ(data.AddIntVariable("class", -1), kSuccess);
    ASSERT_EQ(data.AddIntVariable("x", -1), kSuccess);
    for (int r = 0; r < 6; ++r) {
        data.AddEmptyRecord();
        data.SetInt(0, r, r % 2);
        data.SetInt(1, r, r % 3 == 0);
    }
    // The third answer cancels: the run stops at its next step and leaves the network as it was.
    std::vector<double> fractions;
    progress_tracker cancelling;
    cancelling.set_listener([&](double fraction, const std::string&) {
        fractions.push_back(fraction);
        return fractions.size() != 3;
    });
    VRX_network untouched;
    EXPECT_EQ(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, untouched, &cancelling),
              kProgressCancelled);
    EXPECT_EQ(fractions.size(), 3u);
    EXPECT_TRUE(cancelling.cancelled());
    EXPECT_EQ(untouched.GetNumberOfNodes(), 0);
}

}  // namespace
