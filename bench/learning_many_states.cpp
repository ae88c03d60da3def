// Greedy thick thinning on a column with as many states as records (and a two-state one): the time
// per state should stay flat, since every table of the learnt network is built once, at its size.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_check.h"
#include "learning/data_set.h"
#include "learning/score_based_learning.h"
#include "model/network.h"

namespace {

using vovido::RequireSuccess;

void BM_GreedyThickThinningDistinctStates(benchmark::State& state) {
    const int states = static_cast<int>(state.range(0));
    DataSet data;
    RequireSuccess(data.AddIntVariable("id", -1), "adding a column");
    RequireSuccess(data.AddIntVariable("half", -1), "adding a column");
    for (int r = 0; r < states; ++r) {
        data.AddEmptyRecord();
        RequireSuccess(data.SetInt(0, r, r), "writing a cell");
        RequireSuccess(data.SetInt(1, r, r % 2), "writing a cell");
    }
    for (auto _ : state) {
        VRX_network net;
        RequireSuccess(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, net), "learning");
        benchmark::DoNotOptimize(net.FindNode("id"));
    }
    state.SetComplexityN(states);
}
BENCHMARK(BM_GreedyThickThinningDistinctStates)
    ->Arg(62500)
    ->Arg(250000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
