// Message passing then importance sampling (algorithm 13) on equation networks whose evidence is
// explained through saturating functions: an equation of two continuous parents,
// Atan(X1) - Atan(X2) + Triangular(-0.1, 0, 0.1) observed at -2.5 (both parents in their tails), over
// 20,000 and 100,000 samples; and chains x(i) = Tanh(x(i-1)) + Normal(0, 0.5) (or Atan) observed at the
// end, 1,000 to 3,100 nodes long, at the default 1,000 samples, beside algorithm 14. "status" is the
// update's result (-42 refused); run one benchmark per process to read each input's peak memory
// ("peak_MB").
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "base/error_log.h"
#include "equations/hybrid_sampling_network.h"
#include "model/network.h"
#include "model/network_settings.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tests/support/equation_networks.h"

namespace {

namespace test = vovido::test;

int UpdateAndReport(benchmark::State& state, VRX_network& net) {
    vovido::SeedHybridGenerators(1);
    const int status = net.UpdateBeliefs();
    errorLog.Flush();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["status"] = status;
    return status;
}

// Argument: the samples.
void BM_TwoAtanParents(benchmark::State& state) {
    for (auto _ : state) {
        VRX_network net;
        test::AddEquation(net, "X1", "X1 = Normal(0, 1)");
        test::AddEquation(net, "X2", "X2 = Normal(0, 1)");
        const int y = test::AddEquation(net, "Y", "Y = Atan(X1) - Atan(X2) + Triangular(-0.1, 0, 0.1)");
        (void)net.GetNode(y)->GetValue()->SetContEvidence(-2.5);
        net.SetHybridAlgorithm(HybridAlgorithm::kMessagePassingSampling);
        net.numSamples = static_cast<int>(state.range(0));
        UpdateAndReport(state, net);
    }
}
BENCHMARK(BM_TwoAtanParents)->Arg(20000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Arguments: the nodes, 0 for Tanh or 1 for Atan, and the algorithm.
void BM_SaturatingChain(benchmark::State& state) {
    const int nodes = static_cast<int>(state.range(0));
    const std::string function = state.range(1) == 0 ? "Tanh" : "Atan";
    for (auto _ : state) {
        VRX_network net;
        int last = test::AddEquation(net, "x0", "x0 = Normal(0, 1)");
        for (int i = 1; i < nodes; ++i) {
            const std::string id = "x" + std::to_string(i);
            last = test::AddEquation(
                net, id.c_str(),
                (id + " = " + function + "(x" + std::to_string(i - 1) + ") + Normal(0, 0.5)").c_str());
        }
        (void)net.GetNode(last)->GetValue()->SetContEvidence(0.5);
        net.SetHybridAlgorithm(static_cast<int>(state.range(2)));
        UpdateAndReport(state, net);
    }
}
BENCHMARK(BM_SaturatingChain)
    ->Args({1000, 0, 13})
    ->Args({2000, 0, 13})
    ->Args({1800, 1, 13})
    ->Args({2000, 0, 14})
    ->Args({3100, 0, 13})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
