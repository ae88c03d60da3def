// Sampling runs whose draws would cost minutes if nothing counted them first: each must answer within
// seconds or be refused at once ("status" -42). Every run is made in a child process, so that "peak_MB" is
// its own.
#include <benchmark/benchmark.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "bench/run_in_child.h"
#include "inference/sampling_draws.h"
#include "model/algorithm_settings.h"
#include "model/network.h"
#include "tests/support/costly_networks.h"

namespace {

namespace test = vovido::test;
using vovido::bench::RunInChild;

// Arguments: algorithm, nodes, outcomes, parents, random parents (1) or a band (0), observed nodes,
// samples. The network is built in the child, then updated.
void BM_SampledUpdate(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        net.propagationFlags = 0;
        const int built = test::BuildSampledBand(
            net, static_cast<int>(state.range(1)), static_cast<int>(state.range(2)),
            static_cast<int>(state.range(3)), state.range(4) != 0, static_cast<int>(state.range(5)));
        if (built != 0) return built;
        net.SetBayesianAlgorithm(static_cast<int>(state.range(0)));
        net.numSamples = static_cast<int>(state.range(6));
        vovido::SetSamplingSeed(12345);
        return net.UpdateBeliefs();
    });
}
BENCHMARK(BM_SampledUpdate)
    ->Args({7, 3000, 6, 3, 1, 10, 1000})     // adaptive importance sampling on 3,000 six-state nodes: answers
    ->Args({7, 3000, 6, 1, 0, 1, 1000})      // ... on a chain observed at its end: answers
    ->Args({7, 3000, 6, 2, 0, 1, 1000})      // ... on a band of two parents: some 16 s
    ->Args({3, 10, 2, 2, 0, 1, INT_MAX})     // the largest sample count on ten nodes: refused
    ->Args({1, 3000, 6, 3, 1, 10, INT_MAX})  // logic sampling, the largest sample count: refused
    ->Args({6, 22, 2, 20, 0, 1, 500})        // backward sampling over a row of 2^20 parent states: answers
    ->Args({6, 22, 2, 20, 0, 1, 4000})       // ... eight times as many samples: refused
    ->Args({8, 26, 2, 24, 0, 1, 1000})  // importance sampling after loopy passes over 2^24 columns: refused
    ->Args({7, 100, 1000, 1, 0, 1,
            1000})  // a chain of 1,000-state nodes, working tables past 2^27 cells: refused
    ->Args({6, 3000, 2, 1, 0, 1, 60000})   // backward sampling, a walk up a chain of 3,000 nodes: some 9 s
    ->Args({6, 3000, 2, 1, 0, 1, 200000})  // ... 200,000 samples (some 25 s): refused
    ->Args({7, 20000, 2, 0, 0, 0, 1000})   // 20,000 parts of one node each: answers
    ->Args({8, 20000, 2, 0, 0, 0, 1000})   // ... after loopy passes: answers
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: reference network (0 hepar2, 1 andes, 2 asia), algorithm, samples. Runs that take some seconds
// on the reference networks answer: each sampler is refused only past some 10 s, counts that would run
// 17-36 s at once.
void BM_ReferenceNetworkSampling(benchmark::State& state) {
    RunInChild(state, [&state] {
        const char* names[] = {"hepar2", "andes", "asia"};
        VRX_network net;
        const std::string path = std::string(VOVIDO_NETWORKS_DIR) + "/" + names[state.range(0)] + ".net";
        if (const int rc = net.ReadFile(path.c_str())) return rc;
        net.propagationFlags = 0;
        net.SetBayesianAlgorithm(static_cast<int>(state.range(1)));
        net.numSamples = static_cast<int>(state.range(2));
        vovido::SetSamplingSeed(12345);
        return net.UpdateBeliefs();
    });
}
BENCHMARK(BM_ReferenceNetworkSampling)
    ->Args({0, 3, 10000000})   // likelihood weighting, 10M samples on hepar2: answers in some 6 s
    ->Args({1, 3, 3000000})    // ... 3M on andes: some 7 s
    ->Args({1, 7, 1000000})    // adaptive importance sampling, 1M on andes
    ->Args({1, 6, 1000000})    // backward sampling, 1M on andes
    ->Args({0, 1, 74000000})   // logic sampling, 74M on hepar2 (some 36 s): refused
    ->Args({2, 3, 330000000})  // likelihood weighting, 330M on asia (some 17 s): refused
    ->Args({1, 3, 10800000})   // ... 10.8M on andes (some 20 s): refused
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: the first MAP nodes of munin, iStopSteps. Each move updates the part of the network its
// target makes relevant by a join tree of its own.
void BM_AnnealedMapOnMunin(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        net.propagationFlags = 0;
        if (const int rc = net.ReadFile(VOVIDO_NETWORKS_DIR "/large/munin.xvrx")) return rc;
        VRX_annealedMapTuning tuning;
        tuning.iStopSteps = static_cast<int>(state.range(1));
        if (const int rc = net.SetAnnealedMapTuning(tuning)) return rc;
        VRX_intArray nodes;
        for (int h = net.GetFirstNode(); h >= 0 && nodes.GetCount() < state.range(0);
             h = net.GetNextNode(h)) {
            if (const int rc = nodes.Add(h)) return rc;
        }
        VRX_intArray outcomes;
        double best = 0.0;
        double evidence = 0.0;
        return net.AnnealedMAP({}, nodes, outcomes, best, evidence, 5);
    });
}
BENCHMARK(BM_AnnealedMapOnMunin)
    ->Args({8, 2000})   // some 2 s: answers
    ->Args({8, 8000})   // some 9 s: answers
    ->Args({8, 12000})  // some 13 s: refused
    ->Args({60, 400})   // some 4.5 s: answers
    ->Args({60, 1000})  // some 11 s: refused
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: MAP nodes of a 1,000-node band, numCycle, iStopSteps, algorithm, samples.
void BM_AnnealedMapTuning(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        net.propagationFlags = 0;
        if (const int built = test::BuildSampledBand(net, 1000, 2, 2, false, 0)) return built;
        VRX_annealedMapTuning tuning;
        tuning.numCycle = static_cast<int>(state.range(1));
        tuning.iStopSteps = static_cast<int>(state.range(2));
        if (const int rc = net.SetAnnealedMapTuning(tuning)) return rc;
        net.SetBayesianAlgorithm(static_cast<int>(state.range(3)));
        net.numSamples = static_cast<int>(state.range(4));
        VRX_intArray nodes;
        for (int i = 0; i < state.range(0); ++i) {
            if (const int rc = nodes.Add(net.FindNode(("n" + std::to_string(i)).c_str()))) return rc;
        }
        VRX_intArray outcomes;
        double best = 0.0;
        double evidence = 0.0;
        return net.AnnealedMAP({}, nodes, outcomes, best, evidence, 5);
    });
}
BENCHMARK(BM_AnnealedMapTuning)
    ->Args({20, 1, 2000000000, 0, 1000})   // endless stop steps: refused
    ->Args({20, 2000000000, 20, 0, 1000})  // endless cycles: refused
    ->Args({1000, 1, 20, 3, 1000})         // every node of the band under likelihood weighting: refused
    ->Args({100, 1, 20, 3, 1000})          // a hundred of them: answers
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: observed nodes of a 3,000-node band of six-state nodes, samples. The probability of evidence
// by the chain rule under likelihood weighting: one sampled update a finding.
void BM_ChainRuleBySampling(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        net.propagationFlags = 0;
        const int built = test::BuildSampledBand(net, 3000, 6, 1, false, static_cast<int>(state.range(0)));
        if (built != 0) return built;
        net.SetBayesianAlgorithm(3);
        net.numSamples = static_cast<int>(state.range(1));
        double p = 0.0;
        return net.CalcPropEvidence(&p, true) ? 0 : -42;
    });
}
BENCHMARK(BM_ChainRuleBySampling)
    ->Args({300, 10000})  // refused
    ->Args({10, 1000})    // answers
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

// Arguments: parents of a DeMorgan node with three observed children, samples. Backward sampling draws
// the node's parents from its row every sample: 2^parents cells read twice.
void BM_BackwardSamplingOfAWideNode(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        net.propagationFlags = 0;
        const int parents = static_cast<int>(state.range(0));
        if (const int rc = test::BuildWideCausalNetwork(net, DefinitionType::kDeMorgan, parents, 3))
            return rc;
        if (const int rc = test::ObserveChildren(net)) return rc;
        net.SetBayesianAlgorithm(BayesianAlgorithm::kBackwardSampling);
        net.numSamples = static_cast<int>(state.range(1));
        vovido::SetSamplingSeed(12345);
        return net.UpdateBeliefs();
    });
}
BENCHMARK(BM_BackwardSamplingOfAWideNode)
    ->Args({19, 1000})  // some 3 s: answers
    ->Args({20, 1000})  // some 6.5 s: answers
    ->Args({21, 1000})  // 13 s before it was counted: refused
    ->Args({23, 1000})  // 51 to 66 s: refused
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
