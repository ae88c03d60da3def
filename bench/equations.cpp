// Timing of the equation solver on a generated network of a few hundred equation nodes (chains, equations
// that name their own node, strongly coupled components): the deterministic update, the sampled update
// (1,000 passes) once distributions are added, one Newton solve of a component, and the solving of a
// chain of odd powers by its depth.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/distributions.h"
#include "base/error_log.h"
#include "base/parsed_equation.h"
#include "bench/bench_check.h"
#include "equations/newton_solver.h"
#include "tests/support/costly_networks.h"
#include "tests/support/equation_networks.h"

using vovido::GetSamplerGenerator;

namespace {

void Build(VRX_network& net, bool distributions) {
    vovido::test::GeneratedNetworkShape shape;
    shape.distributions = distributions;
    const int nodes = vovido::test::BuildGeneratedNetwork(net, shape);
    vovido::RequireSuccess(nodes > 0 ? kSuccess : nodes, "generated equation network");
}

void BM_SolveEquationNetwork(benchmark::State& state) {
    VRX_network net;
    Build(net, false);
    for (auto _ : state) {
        net.InvalidateValues();
        vovido::RequireSuccess(net.UpdateBeliefs(), "update");
    }
    state.SetItemsProcessed(state.iterations() * net.GetNumberOfNodes());
}
BENCHMARK(BM_SolveEquationNetwork)->Unit(benchmark::kMicrosecond);

void BM_SampleEquationNetwork(benchmark::State& state) {
    VRX_network net;
    Build(net, true);
    net.numSamples = 1000;
    GetSamplerGenerator().Seed(7);
    for (auto _ : state) vovido::RequireSuccess(net.UpdateBeliefs(), "update");
    state.SetItemsProcessed(state.iterations() * net.GetNumberOfNodes() * net.numSamples);
}
BENCHMARK(BM_SampleEquationNetwork)->Unit(benchmark::kMillisecond);

// Newton's method on a component of three members, as each pass of the sampled update solves it.
void BM_NewtonThreeMembers(benchmark::State& state) {
    const vovido::ResidualFunction f = [](const std::vector<double>& x, std::vector<double>& r) {
        r[0] = 1 + 0.3 * x[1] - 0.2 * x[2] + 0.1 - x[0];
        r[1] = std::cos(x[0]) + 0.2 * x[2] - x[1];
        r[2] = 0.5 * x[0] - 0.1 * x[1] + 0.25 - x[2];
    };
    for (auto _ : state) {
        std::vector<double> x(3, 0.0);
        vovido::RequireSuccess(SolveNewton(x, 1e-6, 1000000, f), "Newton");
        benchmark::DoNotOptimize(x.data());
    }
}
BENCHMARK(BM_NewtonThreeMembers);

// Solving "y = ((x)^3)^3 ... " for x, by the chain's depth: the cost grows with the depth alone.
void BM_SolveOddPowerChain(benchmark::State& state) {
    std::string text = "x";
    for (int i = 0; i < state.range(0); ++i) text = "(" + text + ")^3";
    text = "y = " + text;
    for (auto _ : state) {
        ParsedEquation equation;
        vovido::RequireSuccess(ParseEquation(equation, text.c_str(), nullptr, nullptr), "parse");
        vovido::RequireSuccess(SolveEquationFor(equation, "x"), "solve");
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SolveOddPowerChain)
    ->Arg(16)
    ->Arg(20)
    ->Arg(64)
    ->Arg(200)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// A chain of 150 equations whose end is observed where few draws reach, sampled with 30,000 samples
// asked for: the run stops at its attempt limit, the attempts whose draws make half the work limit, with
// a warning. Argument: the observed value.
void BM_SampleUnreachableChainEnd(benchmark::State& state) {
    VRX_network net;
    vovido::RequireSuccess(vovido::test::BuildEquationChain(net, 150, static_cast<double>(state.range(0))),
                           "equation chain");
    net.numSamples = 30000;
    GetSamplerGenerator().Seed(7);
    int status = 0;
    for (auto _ : state) {
        status = net.UpdateBeliefs();
        errorLog.Flush();
    }
    state.counters["status"] = status;
}
BENCHMARK(BM_SampleUnreachableChainEnd)->Arg(75)->Arg(110)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
