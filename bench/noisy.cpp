// Derivation of the full table of the noisy kinds, as inference asks for it for every noisy node.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_check.h"
#include "definitions/noisy_adder.h"
#include "definitions/noisy_max.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace {

// A child of the given kind with `parents` binary CPT parents and three outcomes.
int BuildFan(VRX_network& net, int kind, int parents) {
    const int child = net.AddNode(kind, "Child");
    vovido::RequireSuccess(net.GetNode(child)->GetDefinition()->SetNumberOfOutcomes(3), "outcomes");
    for (int i = 0; i < parents; ++i) {
        const int parent = net.AddNode(DefinitionType::kCpt, ("P" + std::to_string(i)).c_str());
        vovido::RequireSuccess(net.AddArc(parent, child), "arc");
    }
    return child;
}

template <class Definition>
void BM_CalculateCpt(benchmark::State& state, int kind) {
    VRX_network net;
    const int child = BuildFan(net, kind, static_cast<int>(state.range(0)));
    auto* definition = static_cast<Definition*>(net.GetNode(child)->GetDefinition());
    for (auto _ : state) {
        benchmark::DoNotOptimize(definition->CalculateCpt());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * definition->GetCpt()->GetNumberOfElements());
}

void BM_NoisyMaxCpt(benchmark::State& state) {
    BM_CalculateCpt<VRX_noisyMAX>(state, DefinitionType::kNoisyMax);
}
void BM_NoisyAdderCpt(benchmark::State& state) {
    BM_CalculateCpt<VRX_noisyAdder>(state, DefinitionType::kNoisyAdder);
}

}  // namespace

BENCHMARK(BM_NoisyMaxCpt)->Arg(4)->Arg(12)->Arg(16);
BENCHMARK(BM_NoisyAdderCpt)->Arg(4)->Arg(12)->Arg(16);
