// Equation and hybrid networks whose sampling or message passing would run for minutes or take
// gigabytes: each must answer within seconds or be refused at once, naming the node and the sizes. Run
// one benchmark per process (--benchmark_filter) to read each input's own peak memory ("peak_MB");
// "status" is the update's result (-42 refused).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <functional>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "model/network.h"
#include "model/network_settings.h"
#include "tests/support/equation_networks.h"
#include "tests/support/hybrid_networks.h"

namespace {

namespace test = vovido::test;

// Builds the network, updates it once and reports its status and the process's peak memory.
void BuildAndUpdate(benchmark::State& state, const std::function<int(VRX_network&)>& build) {
    int status = 0;
    for (auto _ : state) {
        VRX_network net;
        status = build(net);
        if (status >= 0) status = net.UpdateBeliefs();
        errorLog.Flush();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["status"] = status;
}

// y = x0 + ... + x(p-1) + Normal(0, 1) observed, each x a Normal root: y's element holds its inverse for
// every parent, p terms each. Argument: the parents.
void BM_ObservedWideSum(benchmark::State& state) {
    const int parents = static_cast<int>(state.range(0));
    BuildAndUpdate(state, [parents](VRX_network& net) {
        std::string sum = "y = Normal(0, 1)";
        for (int i = 0; i < parents; ++i) {
            const std::string id = "x" + std::to_string(i);
            if (test::AddEquation(net, id.c_str(), (id + " = Normal(0, 1)").c_str()) < 0) return -1;
            sum += " + " + id;
        }
        const int y = test::AddEquation(net, "y", sum.c_str());
        return y < 0 ? y : net.GetNode(y)->GetValue()->SetContEvidence(0.5);
    });
}
BENCHMARK(BM_ObservedWideSum)->Arg(300)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

// A chain of 1,000 noisy equations e(i) = 0.5 e(i-1) + Normal(0, 1), sampled without evidence. Argument:
// the samples.
void BM_EquationChainSamples(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    BuildAndUpdate(state, [samples](VRX_network& net) {
        for (int i = 0; i < 1000; ++i) {
            const std::string id = "e" + std::to_string(i);
            const std::string text = id + " = " +
                                     (i > 0 ? "0.5*e" + std::to_string(i - 1) + " + " : std::string()) +
                                     "Normal(0, 1)";
            if (test::AddEquation(net, id.c_str(), text.c_str()) < 0) return -1;
        }
        net.numSamples = samples;
        return 0;
    });
}
BENCHMARK(BM_EquationChainSamples)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// A component of members m(i) = 0.3 cos(m(i+1)) + 0.1 r under a noisy root r, solved by Newton's method
// in every pass. Arguments: the members, the samples.
void BM_ComponentSamples(benchmark::State& state) {
    const int members = static_cast<int>(state.range(0));
    const int samples = static_cast<int>(state.range(1));
    BuildAndUpdate(state, [members, samples](VRX_network& net) {
        if (test::AddEquation(net, "r", "r = Normal(0, 1)") < 0) return -1;
        std::vector<std::string> ids;
        for (int i = 0; i < members; ++i) ids.push_back("m" + std::to_string(i));
        for (int i = 0; i < members; ++i) {
            std::vector<std::string> others;
            for (int j = 0; j < members; ++j) {
                if (j != i) others.push_back(ids[static_cast<size_t>(j)]);
            }
            const std::string text = ids[static_cast<size_t>(i)] + " = 0.3*cos(" +
                                     ids[static_cast<size_t>((i + 1) % members)] + ") + 0.1*r";
            if (test::AddComponentNode(net, ids[static_cast<size_t>(i)].c_str(), {"r"}, others,
                                       text.c_str()) < 0)
                return -1;
        }
        net.numSamples = samples;
        return 0;
    });
}
BENCHMARK(BM_ComponentSamples)
    ->Args({30, 1000})
    ->Args({30, 100000})
    ->Args({100, 1000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A chain of Gaussian nodes observed at its end, whose evidence must travel every arc. Arguments: the
// hybrid algorithm, the nodes.
void BM_LongGaussianChain(benchmark::State& state) {
    const int algorithm = static_cast<int>(state.range(0));
    const int nodes = static_cast<int>(state.range(1));
    BuildAndUpdate(state, [algorithm, nodes](VRX_network& net) {
        if (const int rc = test::AddGaussianChain(net, nodes)) return rc;
        net.SetHybridAlgorithm(algorithm);
        return test::Observe(net, ("x" + std::to_string(nodes - 1)).c_str(), 3.0);
    });
}
BENCHMARK(BM_LongGaussianChain)
    ->ArgsProduct({{HybridAlgorithm::kMessagePassingSampling, HybridAlgorithm::kMessagePassing,
                    HybridAlgorithm::kWeightedSampling},
                   {5000, 10000}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A distribution node given two-state discrete parents one arc at a time: its table of elements doubles
// with each until an arc is refused. Argument: the parents.
void BM_WideDiscreteParents(benchmark::State& state) {
    const int parents = static_cast<int>(state.range(0));
    BuildAndUpdate(state, [parents](VRX_network& net) {
        std::vector<std::string> ids;
        for (int i = 0; i < parents; ++i) {
            ids.push_back("d" + std::to_string(i));
            if (test::AddDiscreteNode(net, ids.back().c_str(), {"0.3", "0.7"}) < 0) return -1;
        }
        return test::AddHybridNode(net, DefinitionType::kDistribution, "y", ids);
    });
}
BENCHMARK(BM_WideDiscreteParents)->Arg(22)->Arg(26)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
