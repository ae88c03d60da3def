// Refused score-based learning runs: each failure leaves its reason in the error log.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "base/status_codes.h"
#include "learning/learning_dag.h"
#include "learning/pattern.h"
#include "learning/pc.h"
#include "learning/score_based_learning.h"
#include "tests/support/error_log.h"
#include "tests/support/missing_data.h"

namespace {

TEST(LearningRefusals, EveryFailureGivesItsReason) {
    vovido::test::Diamond diamond;
    DataSet discrete, continuous;
    ASSERT_TRUE(vovido::test::SampleRecords(diamond.t.net, 30, 1, discrete));
    ASSERT_EQ(continuous.AddFloatVariable("x", NAN), kSuccess);
    for (int r = 0; r < 3; ++r) continuous.AddEmptyRecord();
    // A class of 100,000 states: a feature of 50 passes the limit of a family's table.
    DataSet wide;
    for (const auto& [name, states] : {std::pair<const char*, int>{"c", 100000}, {"f", 50}}) {
        std::vector<std::string> names;
        for (int i = 0; i < states; ++i) names.push_back("s" + std::to_string(i));
        ASSERT_EQ(wide.AddIntVariable(name, -1), kSuccess);
        ASSERT_EQ(wide.SetStateNames(wide.GetVariableCount() - 1, names), kSuccess);
    }
    wide.AddEmptyRecord();
    DataSet twoRecords;
    ASSERT_TRUE(vovido::test::SampleRecords(diamond.t.net, 2, 1, twoRecords));
    const struct {
        bool naiveBayes;
        double weight;
        const DataSet& data;
        const char* classId;
        const char* message;
    } cases[] = {
        {false, 0.0, discrete, "", "greedy thick thinning: the net weight must be greater than 0, not 0"},
        {false, -1.5, discrete, "", "greedy thick thinning: the net weight must be greater than 0, not -1.5"},
        {true, 0.0, discrete, "a", "naive bayes: the net weight must be greater than 0, not 0"},
        {true, 1.0, discrete, "zz", "naive bayes: the data set has no variable named zz"},
        {true, 1.0, wide, "c",
         "naive bayes: the class [c] has 100000 states: the table of [f] (50 states) given it would have "
         "5000000 "
         "cells, more than the limit of 4194304"},
        {false, 1.0, continuous, "",
         "greedy thick thinning: column [x] is continuous: only discrete columns can be scored"},
        {false, 1.0, twoRecords, "", "greedy thick thinning: too few data points"},
    };
    for (const auto& c : cases) {
        VRX_network net;
        errorLog.Flush();
        GreedyThickThinningOptions gtt;
        NaiveBayesOptions nb;
        gtt.priorsMethod = nb.priorsMethod = 1;
        gtt.netWeight = nb.netWeight = c.weight;
        nb.classVariableId = c.classId;
        EXPECT_EQ(
            c.naiveBayes ? LearnNaiveBayes(nb, c.data, net) : LearnGreedyThickThinning(gtt, c.data, net),
            kFailure);
        EXPECT_EQ(vovido::test::LogDump(), std::string("-1 ") + c.message + "\n");
        EXPECT_EQ(net.GetNumberOfNodes(), 0);
    }
}

}  // namespace

TEST(LearningRefusals, SearchesPastTheirWorkAreRefusedBeforeScoring) {
    // 4,000 columns of 150 records: the families of every pair alone pass the limit.
    DataSet data;
    for (int c = 0; c < 4000; ++c) ASSERT_EQ(data.AddIntVariable("c" + std::to_string(c), -1), kSuccess);
    for (int r = 0; r < 150; ++r) {
        data.AddEmptyRecord();
        for (int c = 0; c < 4000; ++c) ASSERT_EQ(data.SetInt(c, r, (r + c) % 2), kSuccess);
    }
    const std::string sizes =
        "the search over 4000 nodes and 150 records would take more than 3221225472 steps to score the "
        "families of every pair of nodes once: fewer columns or records are needed\n";
    const struct {
        int search;  // 0 greedy thick thinning, 1 thickening, 2 restarts, 3 best-first, 4 PC
        std::string log;
    } cases[] = {
        {0, "-42 greedy thick thinning: " + sizes},
        {1, "-42 " + sizes},
        {2, "-42 " + sizes},
        {3, "-42 " + sizes},
        {4,
         "-42 pc: the tests of every pair of 4000 variables over 150 records and the orientation of "
         "every triple would take more than 3221225472 steps: fewer variables or records are needed\n"}};
    for (const auto& c : cases) {
        errorLog.Flush();
        int result = kSuccess;
        dag g;
        ASSERT_TRUE(g.import_data_set(data));
        if (c.search == 0) {
            VRX_network net;
            result = LearnGreedyThickThinning(GreedyThickThinningOptions(), data, net);
            EXPECT_EQ(net.GetNumberOfNodes(), 0);
        } else if (c.search == 4) {
            Pattern pattern;
            result = LearnPc(PcOptions(), data, pattern, nullptr);
            EXPECT_EQ(pattern.GetSize(), 0);
        } else {
            result = c.search == 1   ? g.thicken(5)
                     : c.search == 2 ? g.search_restarts(2)
                                     : g.search_best_first();
            EXPECT_EQ(g.arc_count(), 0);
        }
        EXPECT_EQ(result, kFailure);
        EXPECT_EQ(vovido::test::LogDump(), c.log);
    }
}
