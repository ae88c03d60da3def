// Score-based structure learning on records drawn from the alarm network, one core: greedy thick
// thinning (family counts cached, so a family scored again reads no record), also with cells hidden,
// and naive Bayes with feature selection.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <string>

#include "base/error_log.h"
#include "bench/bench_check.h"
#include "learning/data_set.h"
#include "learning/learning_dag.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "tests/support/missing_data.h"
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

// Greedy thick thinning on the alarm records with a share of the cells hidden (percent, second
// argument): the search counts completed records. Counters: arcs learnt and structural Hamming distance
// of their pattern to the alarm network's.
void BM_GreedyThickThinningAlarmHidden(benchmark::State& state) {
    VRX_network truth;
    RequireSuccess(truth.ReadFile((std::string(VOVIDO_NETWORKS_DIR) + "/alarm.xvrx").c_str()),
                   "reading alarm");
    DataSet data;
    RequireSuccess(vovido::test::SampleRecords(truth, static_cast<int>(state.range(0)), 2024, data)
                       ? kSuccess
                       : kFailure,
                   "sampling");
    vovido::test::HideValues(data, state.range(1) / 100.0, 7);
    VRX_network learnt;
    for (auto _ : state) {
        RequireSuccess(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, learnt), "learning");
        benchmark::DoNotOptimize(learnt.GetNumberOfSlots());
    }
    int arcs = 0;
    for (int h = learnt.GetFirstNode(); h >= 0; h = learnt.GetNextNode(h))
        arcs += learnt.GetParents(h).GetCount();
    state.counters["arcs"] = arcs;
    state.counters["shd"] = vovido::test::StructuralHammingDistance(vovido::test::TruePattern(learnt, data),
                                                                    vovido::test::TruePattern(truth, data));
}
BENCHMARK(BM_GreedyThickThinningAlarmHidden)
    ->Args({10000, 0})
    ->Args({10000, 20})
    ->Args({100000, 0})
    ->Args({100000, 20})
    ->Unit(benchmark::kMillisecond);

// Searches past the first local optimum on the alarm records, from a graph without arcs (import
// included): best-first with its default rounds and go-back, and greedy restarts from random graphs.
void BM_BestFirstAlarm(benchmark::State& state) {
    DataSet data;
    SampleAlarm(10000, data);
    for (auto _ : state) {
        dag graph;
        RequireSuccess(graph.import_data_set(data) ? kSuccess : kFailure, "importing");
        RequireSuccess(graph.search_best_first(), "best-first search");
        state.counters["score"] = graph.score();
    }
}
BENCHMARK(BM_BestFirstAlarm)->Unit(benchmark::kMillisecond);

void BM_GreedyRestartsAlarm(benchmark::State& state) {
    DataSet data;
    SampleAlarm(10000, data);
    for (auto _ : state) {
        dag graph;
        RequireSuccess(graph.import_data_set(data) ? kSuccess : kFailure, "importing");
        graph.seed() = -7;
        RequireSuccess(graph.search_restarts(static_cast<int>(state.range(0))), "restarts");
        state.counters["score"] = graph.score();
    }
}
BENCHMARK(BM_GreedyRestartsAlarm)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// Greedy thick thinning on many columns and few records, as a data file of one row: refused or answered
// within seconds. Arguments: columns, records (record r gives column c the value (r + c) % 2).
void BM_GreedyThickThinningFewRecords(benchmark::State& state) {
    DataSet data;
    const int columns = static_cast<int>(state.range(0));
    const int records = static_cast<int>(state.range(1));
    for (int c = 0; c < columns; ++c)
        RequireSuccess(data.AddIntVariable("c" + std::to_string(c), -1), "column");
    for (int r = 0; r < records; ++r) {
        data.AddEmptyRecord();
        for (int c = 0; c < columns; ++c) RequireSuccess(data.SetInt(c, r, (r + c) % 2), "value");
    }
    int status = 0;
    for (auto _ : state) {
        VRX_network learnt;
        status = LearnGreedyThickThinning(GreedyThickThinningOptions(), data, learnt);
        errorLog.Flush();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["status"] = status;
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_GreedyThickThinningFewRecords)
    ->Args({2500, 1})
    ->Args({2500, 2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
