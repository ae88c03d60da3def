// Refused score-based learning runs: each failure leaves its reason in the error log.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "base/status_codes.h"
#include "learning/data_set.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "tests/support/error_log.h"
#include "tests/support/missing_data.h"

namespace {

TEST(LearningRefusals, EveryFailureGivesItsReason) {
    vovido::test::Diamond diamond;
    DataSet discrete;
    ASSERT_TRUE(vovido::test::SampleRecords(diamond.t.net, 30, 1, discrete));
    DataSet continuous;
    for (const char* name : {"x", "y"}) ASSERT_EQ(continuous.AddFloatVariable(name, NAN), kSuccess);
    for (int r = 0; r < 5; ++r) {
        continuous.AddEmptyRecord();
        continuous.SetFloat(0, r, static_cast<float>(r));
        continuous.SetFloat(1, r, 0.5f * static_cast<float>(r * r));
    }
    auto gtt = [](double weight, const DataSet& data) {
        return [weight, &data](VRX_network& net) {
            GreedyThickThinningOptions options;
            options.priorsMethod = 1;
            options.netWeight = weight;
            return LearnGreedyThickThinning(options, data, net);
        };
    };
    auto naiveBayes = [&](double weight, const char* cls) {
        return [weight, cls, &discrete](VRX_network& net) {
            NaiveBayesOptions options;
            options.priorsMethod = 1;
            options.netWeight = weight;
            options.classVariableId = cls;
            return LearnNaiveBayes(options, discrete, net);
        };
    };
    const struct {
        std::function<int(VRX_network&)> learn;
        const char* message;
    } cases[] = {
        {gtt(0.0, discrete), "greedy thick thinning: the net weight must be greater than 0, not 0"},
        {gtt(-1.5, discrete), "greedy thick thinning: the net weight must be greater than 0, not -1.5"},
        {naiveBayes(0.0, "a"), "naive bayes: the net weight must be greater than 0, not 0"},
        {naiveBayes(1.0, "zz"), "naive bayes: the data set has no variable named zz"},
        {gtt(1.0, continuous), "greedy thick thinning: no network can be learnt from this data set"},
    };
    for (const auto& c : cases) {
        VRX_network net;
        errorLog.Flush();
        EXPECT_EQ(c.learn(net), kFailure) << c.message;
        EXPECT_EQ(vovido::test::LogDump(), std::string("-1 ") + c.message + "\n");
        EXPECT_EQ(net.GetNumberOfNodes(), 0);
    }
}

}  // namespace
