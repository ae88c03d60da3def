// Score-based structure learning on records drawn from the alarm network, one core: greedy thick
// thinning (family counts cached, so a family scored again reads no record) and naive Bayes with
// feature selection.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_check.h"
#include "learning/data_set.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "tests/support/sampled_data.h"

namespace {

using vovido::RequireSuccess;

void SampleAlarm(int records, DataSet& data) {
    VRX_network net;
    RequireSuccess(net.ReadFile((std::string(VOVIDO_NETWORKS_DIR) + "/alarm.xvrx").c_str()), "reading alarm");
    RequireSuccess(vovido::test::SampleRecords(net, records, 2024, data) ? kSuccess : kFailure, "sampling");
}

void BM_GreedyThickThinningAlarm(benchmark::State& state) {
    DataSet data;
    SampleAlarm(static_cast<int>(state.range(0)), data);
    for (auto _ : state) {
        VRX_network learnt;
        RequireSuccess(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, learnt), "learning");
        benchmark::DoNotOptimize(learnt.GetNumberOfSlots());
    }
}
BENCHMARK(BM_GreedyThickThinningAlarm)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_NaiveBayesFeatureSelectionAlarm(benchmark::State& state) {
    DataSet data;
    SampleAlarm(10000, data);
    NaiveBayesOptions options;
    options.classVariableId = "LVFAILURE";
    options.featureSelection = true;
    for (auto _ : state) {
        VRX_network learnt;
        RequireSuccess(LearnNaiveBayes(options, data, learnt), "learning");
        benchmark::DoNotOptimize(learnt.GetNumberOfSlots());
    }
}
BENCHMARK(BM_NaiveBayesFeatureSelectionAlarm)->Unit(benchmark::kMillisecond);

}  // namespace
