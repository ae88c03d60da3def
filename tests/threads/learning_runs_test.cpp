// Learning in separate threads: greedy thick thinning scores families by sums of log-gamma terms, as
// the binomial density does; concurrent runs must share nothing, not even the C library's gamma sign.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/distributions.h"
#include "base/status_codes.h"
#include "learning/data_set.h"
#include "learning/score_based_learning.h"
#include "model/network.h"

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 3;

// a and c take every pair of values equally often; b copies a except in one record of ten.
void FillData(DataSet& data) {
    for (const char* name : {"a", "b", "c"}) ASSERT_EQ(data.AddIntVariable(name, -1), kSuccess);
    for (int r = 0; r < 200; ++r) {
        data.AddEmptyRecord();
        const int a = r % 2;
        ASSERT_EQ(
            data.SetInt(0, r, a) + data.SetInt(1, r, r % 10 == 9 ? 1 - a : a) + data.SetInt(2, r, r / 2 % 2),
            kSuccess);
    }
}

void LearnAndEvaluate() {
    DataSet data;
    FillData(data);
    for (int round = 0; round < kRounds; ++round) {
        VRX_network net;
        ASSERT_EQ(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, net), kSuccess);
        const int a = net.FindNode("a"), b = net.FindNode("b"), c = net.FindNode("c");
        EXPECT_EQ(net.GetParents(a).GetCount() + net.GetParents(b).GetCount(), 1);
        EXPECT_EQ(net.GetParents(c).GetCount() + net.GetChildren(c).GetCount(), 0);
        const FunctionArguments binomial{{10, 0.5}, 2};
        EXPECT_NEAR(vovido::DensityBinomial(3, binomial), 120.0 / 1024.0, 1e-12);  // C(10, 3) / 2^10
    }
}

TEST(SeparateThreads, LearningRunsAtTheSameTime) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(LearnAndEvaluate);
    for (std::thread& thread : threads) thread.join();
}

}  // namespace
