// Samples per second of each stochastic algorithm on three reference networks of different sizes
// (alarm 37 nodes, hepar2 70, andes 223), each with the evidence of its second case. Adaptive importance
// sampling counts its 25,000 learning samples per relevant part as well; loopy propagation reports
// passes over the part per second instead.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "base/error_log.h"
#include "bench/bench_networks.h"
#include "inference/ais_sampling.h"
#include "inference/relevant_parts.h"
#include "inference/sampling_draws.h"
#include "model/network.h"

using vovido::RelevantPartList;

namespace {

const char* const kNetworks[] = {"alarm", "hepar2", "andes"};
constexpr int kSamplesPerUpdate = 100000;

// Number of relevant parts of more than one record: adaptive importance sampling learns on each.
int CountSampledParts(VRX_network& net) {
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(net, true, true);
    int count = 0;
    if (parts != nullptr) {
        for (const auto& part : *parts) count += part->GetNumberOfRecords() > 1 ? 1 : 0;
    }
    return count;
}

void Sampler(benchmark::State& state) {
    const int algorithm = static_cast<int>(state.range(0));
    const std::string name = kNetworks[state.range(1)];
    state.SetLabel(name);
    std::unique_ptr<VRX_network> loaded = vovido::LoadReferenceWithEvidence(name);
    VRX_network& net = *loaded;
    net.propagationFlags = 0;
    net.SetBayesianAlgorithm(algorithm);
    net.numSamples = algorithm == 9 ? 0 : kSamplesPerUpdate;
    vovido::SetSamplingSeed(12345);
    errorLog.Flush();
    long perUpdate = net.numSamples;
    if (algorithm == 7)
        perUpdate +=
            static_cast<long>(vovido::AdaptiveSamplingSettings::kLearningSamples) * CountSampledParts(net);
    if (algorithm == 9) perUpdate = net.GetEpisParams().proplen;
    for (auto _ : state) {
        net.InvalidateValues();
        if (net.UpdateBeliefs() != 0) state.SkipWithError("update failed");
    }
    state.SetItemsProcessed(state.iterations() * perUpdate);
}

}  // namespace

BENCHMARK(Sampler)
    ->ArgNames({"alg", "net"})
    ->ArgsProduct({{1, 3, 4, 6, 7, 8, 9}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);
