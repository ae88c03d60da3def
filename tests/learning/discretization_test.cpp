// Discretisation of continuous learning columns: the three cutting methods, thresholds, interval names,
// and naive Bayes over a continuous feature.
#include <gtest/gtest.h>

#include <vector>

#include "base/status_codes.h"
#include "learning/dag_classifier.h"
#include "learning/data_set.h"
#include "learning/discretization.h"
#include "learning/learning_dag.h"

namespace {

// Number of values in each interval.
std::vector<int> Sizes(const std::vector<double>& values, const std::vector<double>& thresholds) {
    std::vector<int> sizes(thresholds.size() - 1, 0);
    for (double v : values) ++sizes[interval_of(thresholds, v)];
    return sizes;
}

TEST(Discretization, CuttingMethods) {
    std::vector<double> t, means;
    const std::vector<double> ten = {9, 1, 8, 2, 7, 3, 6, 4, 5, 10};
    ASSERT_EQ(cut_values(ten, 0, 3, t, means), kSuccess);
    EXPECT_EQ(Sizes(ten, t), (std::vector<int>{4, 3, 3}));
    EXPECT_EQ(t[0], 1.0);
    EXPECT_EQ(t[1], 4.5);
    EXPECT_DOUBLE_EQ(means[0], 2.5);
    const std::vector<double> wide = {0, 1, 2, 10};
    ASSERT_EQ(cut_values(wide, 1, 2, t, means), kSuccess);
    EXPECT_EQ(Sizes(wide, t), (std::vector<int>{3, 1}));
    // Merging joins the neighbours with the closest means: {1, 1.1} {5} {9, 9.2}.
    const std::vector<double> merge = {1, 1.1, 5, 9, 9.2};
    ASSERT_EQ(cut_values(merge, 2, 3, t, means), kSuccess);
    EXPECT_EQ(Sizes(merge, t), (std::vector<int>{2, 1, 2}));
    const std::vector<double> before = t;
    EXPECT_EQ(cut_values({1, 2, 3}, 2, 3, t, means), kFailure);
    EXPECT_EQ(cut_values({1, 2}, 0, 3, t, means), kFailure);
    EXPECT_EQ(cut_values(ten, 7, 3, t, means), kFailure);
    EXPECT_EQ(cut_values(ten, 0, 1, t, means), kFailure);
    EXPECT_EQ(t, before);
    // Missing values are left out of the cut; every equal value falls in one interval.
    ASSERT_EQ(cut_values({5, 5, 5, kMissingContinuousValue}, 1, 2, t, means), kSuccess);
    EXPECT_EQ(interval_of(t, 5.0), static_cast<int>(t.size()) - 2);
}

TEST(Discretization, IntervalNames) {
    EXPECT_EQ(interval_name(0.5, 1.25), "p0_5p1_25");
    EXPECT_EQ(interval_name(-2.5, 0.0), "m2_50");
}

TEST(Discretization, NaiveBayesOverAContinuousFeatureKeepsEveryRecord) {
    DataSet data;
    ASSERT_EQ(data.AddIntVariable("class", -1), kSuccess);
    ASSERT_EQ(data.SetStateNames(0, {"no", "yes"}), kSuccess);
    ASSERT_EQ(data.AddFloatVariable("x", -1.0f), kSuccess);
    for (int r = 0; r < 12; ++r) {
        data.AddEmptyRecord();
        data.SetInt(0, r, r % 2);
        data.SetFloat(1, r, r == 5 ? -1.0f : float(r % 2) * 10.0f + r * 0.1f);
    }
    dag graph;
    ASSERT_TRUE(graph.import_data_set(data));
    dag_classifier classifier;
    classifier.set_training_data(&graph);
    ASSERT_EQ(classifier.set_int("model_type", 1), kSuccess);
    ASSERT_EQ(classifier.set_class_variable(0), kSuccess);
    ASSERT_EQ(classifier.learn(), kSuccess);
    const hybrid_node& x = *classifier.graph().node_at(1);
    ASSERT_EQ(x.num_states(), 3);
    ASSERT_EQ(x.data->size(), 12u);
    EXPECT_EQ((*x.data)[5], kMissingLearningValue);
    EXPECT_EQ((*x.data)[0], 0);
    EXPECT_EQ((*x.data)[11], 2);
}

}  // namespace
