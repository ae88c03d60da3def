// Learning on many columns or many records: each run must answer within seconds (stopping its search or
// its iterations at the work limit with a warning) or be refused at once. Run one benchmark per process
// (--benchmark_filter) to read each input's own peak memory ("peak_MB"); "status" is the learner's
// result and "warned" whether it logged that its search stopped at the limit.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "bench/bench_check.h"
#include "learning/data_set.h"
#include "learning/em_learning.h"
#include "learning/learning_dag.h"
#include "learning/pattern.h"
#include "learning/pc.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "model/node_definition.h"
#include "tests/support/missing_data.h"
#include "tests/support/sampled_data.h"

namespace {

using vovido::RequireSuccess;

// Two-state columns of a chain: each cell copies its left neighbour three times in four, else draws.
void ChainColumns(int columns, int records, DataSet& data) {
    for (int c = 0; c < columns; ++c)
        RequireSuccess(data.AddIntVariable("c" + std::to_string(c), -1), "column");
    for (int r = 0; r < records; ++r) data.AddEmptyRecord();
    uint32_t seed = 7;
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < records; ++r) {
            seed = seed * 1103515245u + 12345u;
            const int32_t value = c > 0 && ((seed >> 8) & 3) < 3 ? data.GetInt(c - 1, r) : (seed >> 16) % 2;
            RequireSuccess(data.SetInt(c, r, value), "value");
        }
    }
}

void Report(benchmark::State& state, int status) {
    bool warned = false;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i)
        warned = warned || std::string(errorLog.GetMessage(i)).find("arning: ") != std::string::npos;
    errorLog.Flush();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["status"] = status;
    state.counters["warned"] = warned ? 1 : 0;
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The learner on chain columns of the benchmark's arguments (columns, records), its result reported.
void LearnFromChain(benchmark::State& state, const std::function<int(const DataSet&)>& learn) {
    DataSet data;
    ChainColumns(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), data);
    int status = 0;
    for (auto _ : state) status = learn(data);
    Report(state, status);
}

void BM_GreedyThickThinningManyColumns(benchmark::State& state) {
    LearnFromChain(state, [](const DataSet& data) {
        VRX_network learnt;
        return LearnGreedyThickThinning(GreedyThickThinningOptions(), data, learnt);
    });
}
BENCHMARK(BM_GreedyThickThinningManyColumns)
    ->Args({2500, 3})
    ->Args({2500, 30})
    ->Args({5000, 3})
    ->Args({10000, 3})
    ->Args({2500, 300})
    ->Args({100, 300000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_PcManyVariables(benchmark::State& state) {
    LearnFromChain(state, [](const DataSet& data) {
        Pattern pattern;
        return LearnPc(PcOptions(), data, pattern, nullptr);
    });
}
BENCHMARK(BM_PcManyVariables)
    ->Args({2500, 100})
    ->Args({1000, 30})
    ->Args({300, 10000})
    ->Args({100, 300000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Best-first search of the learning graph (no parent limit).
void BM_BestFirstManyColumns(benchmark::State& state) {
    LearnFromChain(state, [](const DataSet& data) {
        dag graph;
        RequireSuccess(graph.import_data_set(data) ? kSuccess : kFailure, "importing");
        return graph.search_best_first();
    });
}
BENCHMARK(BM_BestFirstManyColumns)->Args({1000, 30})->Iterations(1)->Unit(benchmark::kMillisecond);

// EM from a random start on records drawn from the alarm network, a share of the cells hidden (percent).
// Arguments: records, percent.
void BM_EmManyRecords(benchmark::State& state) {
    VRX_network truth;
    RequireSuccess(truth.ReadFile((std::string(VOVIDO_NETWORKS_DIR) + "/alarm.xvrx").c_str()),
                   "reading alarm");
    DataSet data;
    RequireSuccess(
        vovido::test::SampleRecords(truth, static_cast<int>(state.range(0)), 3, data) ? kSuccess : kFailure,
        "sampling");
    vovido::test::HideValues(data, static_cast<double>(state.range(1)) / 100.0, 5);
    std::vector<DataMatch> matches;
    std::string message;
    RequireSuccess(data.MatchNetwork(truth, matches, message), "matching");
    int status = 0;
    for (auto _ : state) {
        VRX_network net(truth);
        status = LearnEm(EmOptions(), data, net, matches, {}, nullptr, nullptr);
    }
    Report(state, status);
}
BENCHMARK(BM_EmManyRecords)->Args({100000, 30})->Iterations(1)->Unit(benchmark::kMillisecond);

// EM on complete chain columns, the network the chain of their nodes: each record is counted without
// inference. Arguments: columns, records.
void BM_EmCompleteChain(benchmark::State& state) {
    const int columns = static_cast<int>(state.range(0));
    DataSet data;
    ChainColumns(columns, static_cast<int>(state.range(1)), data);
    VRX_network chain;
    for (int c = 0; c < columns; ++c) {
        const int h = chain.AddNode(DefinitionType::kCpt, ("c" + std::to_string(c)).c_str());
        if (c > 0) RequireSuccess(chain.AddArc(h - 1, h), "adding an arc");
    }
    std::vector<DataMatch> matches;
    std::string message;
    RequireSuccess(data.MatchNetwork(chain, matches, message), "matching");
    int status = 0;
    for (auto _ : state) {
        VRX_network net(chain);
        status = LearnEm(EmOptions(), data, net, matches, {}, nullptr, nullptr);
    }
    Report(state, status);
}
BENCHMARK(BM_EmCompleteChain)
    ->Args({30, 400000})
    ->Args({30, 1000000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Naive Bayes with feature selection on few records of many chain columns, the first the class.
void BM_NaiveBayesFeatureSelectionManyColumns(benchmark::State& state) {
    LearnFromChain(state, [](const DataSet& data) {
        NaiveBayesOptions options;
        options.classVariableId = "c0";
        options.featureSelection = true;
        VRX_network learnt;
        return LearnNaiveBayes(options, data, learnt);
    });
}
BENCHMARK(BM_NaiveBayesFeatureSelectionManyColumns)
    ->Args({20000, 20})
    ->Args({40000, 20})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Variables added one by one, each name checked against the others. Argument: variables.
void BM_DataSetManyVariables(benchmark::State& state) {
    const int variables = static_cast<int>(state.range(0));
    for (auto _ : state) {
        DataSet data;
        for (int v = 0; v < variables; ++v)
            RequireSuccess(data.AddIntVariable("v" + std::to_string(v), -1), "adding a variable");
        benchmark::DoNotOptimize(data.FindVariable("v0"));
    }
    Report(state, 0);
}
BENCHMARK(BM_DataSetManyVariables)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
