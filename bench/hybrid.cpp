// Timing of the hybrid algorithms (13 message passing then importance sampling, 14 importance sampling,
// 15 message passing, 16 weighted sampling) on a network of 55 mixed nodes: discrete roots choosing the
// means of continuous nodes, a chain of linear-Gaussian nodes, sums observed through noise (settled by
// inversion) and an observed discrete child of a continuous node; the same network with non-linear
// families in the chain (a sine, a product, a square in turn), whose messages are sampled and fitted,
// over 1,000 to 40,000 samples; and on a chain of 100 Gaussian nodes observed at its end, whose evidence
// must travel 99 arcs; and the fixed cost of a run, on networks of 5 and 40 nodes and on 5-node
// networks of several shapes; and message passing through a saturating equation (2*Tanh(0.5*x) plus a
// noise, observed), whose lambda message is drawn through its inverse. 1,000 samples per run unless the
// run says otherwise.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_check.h"
#include "equations/hybrid_sampling_network.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;

// The chain's family at position i: linear, or with nonLinear every third a sine, a product, a square.
std::string ChainMean(int i, const std::string& previous, const std::string& x, bool nonLinear) {
    if (nonLinear && i % 3 == 0) return "0.5*Sin(" + previous + ") + 0.3*" + x;
    if (nonLinear && i % 3 == 1) return "0.2*" + previous + "*" + x;
    if (nonLinear && i % 3 == 2) return "0.1*" + previous + "^2 + 0.3*" + x;
    return "0.5*" + previous + " + 0.3*" + x;
}

void Build(VRX_network& net, bool nonLinear = false) {
    auto require = [](int rc, const char* what) { vovido::RequireSuccess(rc < 0 ? rc : kSuccess, what); };
    for (int j = 0; j < 5; ++j) {
        const std::string d = "d" + std::to_string(j), x = "x" + std::to_string(j);
        require(AddDiscreteNode(net, d.c_str(), {"0.4", "0.6"}), "discrete root");
        require(AddDistributionNode(net, x.c_str(), {"Normal(-1, 1)", "Normal(1, 1)"}, {d}), "mixture");
    }
    std::string previous = "x0";
    for (int i = 0; i < 30; ++i) {
        const std::string c = "c" + std::to_string(i), x = "x" + std::to_string(i % 5);
        const std::string call = "Normal(" + ChainMean(i, previous, x, nonLinear) + ", 1)";
        require(AddDistributionNode(
                    net, c.c_str(), {call},
                    previous == x ? std::vector<std::string>{x} : std::vector<std::string>{previous, x}),
                "chain");
        previous = c;
    }
    for (int k = 0; k < 5; ++k) {
        const std::string s = "s" + std::to_string(k), e = "e" + std::to_string(k),
                          y = "y" + std::to_string(k);
        const std::string a = "c" + std::to_string(6 * k), b = "c" + std::to_string(6 * k + 1);
        require(AddEquationNode(net, s.c_str(), (a + "+" + b).c_str(), {a, b}), "sum");
        require(AddDistributionNode(net, e.c_str(), {"Normal(0, 0.5)"}), "noise");
        const int h = AddEquationNode(net, y.c_str(), (s + "+" + e).c_str(), {s, e});
        require(h, "observed sum");
        require(net.GetNode(h)->GetValue()->SetContEvidence(0.5 * k), "evidence");
    }
    const int sign = AddDiscreteNode(net, "positive", {"c29>0", "c29<=0"}, {"c29"});
    require(sign, "discrete child");
    require(net.GetNode(sign)->GetValue()->SetEvidence(0), "discrete evidence");
}

void BM_HybridAlgorithm(benchmark::State& state) {
    VRX_network net;
    Build(net);
    net.SetHybridAlgorithm(static_cast<int>(state.range(0)));
    net.numSamples = 1000;
    vovido::SeedHybridGenerators(11);
    for (auto _ : state) vovido::RequireSuccess(net.UpdateBeliefs(), "update");
    state.SetItemsProcessed(state.iterations() * net.GetNumberOfNodes() * net.numSamples);
}
BENCHMARK(BM_HybridAlgorithm)->Arg(13)->Arg(14)->Arg(15)->Arg(16)->Unit(benchmark::kMillisecond);

// Algorithm, then the sample count: the cost of each should grow in proportion to it.
void BM_HybridNonLinear(benchmark::State& state) {
    VRX_network net;
    Build(net, true);
    net.SetHybridAlgorithm(static_cast<int>(state.range(0)));
    net.numSamples = static_cast<int>(state.range(1));
    vovido::SeedHybridGenerators(11);
    for (auto _ : state) vovido::RequireSuccess(net.UpdateBeliefs(), "update");
    state.SetItemsProcessed(state.iterations() * net.GetNumberOfNodes() * net.numSamples);
}
BENCHMARK(BM_HybridNonLinear)
    ->ArgsProduct({{13, 15, 16}, {1000, 10000, 40000}})
    ->Unit(benchmark::kMillisecond);

void BM_HybridChain(benchmark::State& state) {
    VRX_network net;
    vovido::RequireSuccess(AddGaussianChain(net, 100), "chain");
    vovido::RequireSuccess(net.GetNode(net.FindNode("x99"))->GetValue()->SetContEvidence(10.0), "evidence");
    net.SetHybridAlgorithm(static_cast<int>(state.range(0)));
    net.numSamples = 1000;
    vovido::SeedHybridGenerators(11);
    for (auto _ : state) vovido::RequireSuccess(net.UpdateBeliefs(), "update");
    state.SetItemsProcessed(state.iterations() * net.GetNumberOfNodes() * net.numSamples);
}
BENCHMARK(BM_HybridChain)->Arg(13)->Arg(14)->Arg(15)->Arg(16)->Unit(benchmark::kMillisecond);

// A mixed network of the given size, 5 or 40 nodes: discrete roots choosing the means of continuous
// nodes, a linear-Gaussian chain (none at 5 nodes), sums observed through noise and an observed discrete
// child. Small networks show the fixed cost of a run; the ratios of 13 and 15 to 16 should not grow as
// the network shrinks.
void BuildSized(VRX_network& net, int nodes) {
    auto require = [](int rc, const char* what) { vovido::RequireSuccess(rc < 0 ? rc : kSuccess, what); };
    const int groups = nodes >= 40 ? 5 : 1, chain = nodes >= 40 ? 21 : 0, sums = nodes >= 40 ? 4 : 1;
    for (int j = 0; j < groups; ++j) {
        const std::string d = "d" + std::to_string(j), x = "x" + std::to_string(j);
        require(AddDiscreteNode(net, d.c_str(), {"0.4", "0.6"}), "discrete root");
        require(AddDistributionNode(net, x.c_str(), {"Normal(-1, 1)", "Normal(1, 1)"}, {d}), "mixture");
    }
    std::string previous = "x0";
    for (int i = 0; i < chain; ++i) {
        const std::string c = "c" + std::to_string(i), x = "x" + std::to_string(i % groups);
        const std::string call = "Normal(0.5*" + previous + " + 0.3*" + x + ", 1)";
        require(AddDistributionNode(
                    net, c.c_str(), {call},
                    previous == x ? std::vector<std::string>{x} : std::vector<std::string>{previous, x}),
                "chain");
        previous = c;
    }
    for (int k = 0; k < sums; ++k) {
        const std::string e = "e" + std::to_string(k), y = "y" + std::to_string(k);
        const std::string a = chain > 0 ? "c" + std::to_string(4 * k) : "x0";
        const std::string b = chain > 0 ? "c" + std::to_string(4 * k + 1) : "";
        require(AddDistributionNode(net, e.c_str(), {"Normal(0, 0.5)"}), "noise");
        const std::string sum = a + (b.empty() ? "" : "+" + b) + "+" + e;
        std::vector<std::string> parents{a, e};
        if (!b.empty()) parents.push_back(b);
        const int h = AddEquationNode(net, y.c_str(), sum.c_str(), parents);
        require(h, "observed sum");
        require(net.GetNode(h)->GetValue()->SetContEvidence(0.5 * k + 0.5), "evidence");
    }
    const int sign = AddDiscreteNode(net, "positive", {previous + ">0", previous + "<=0"}, {previous});
    require(sign, "discrete child");
    require(net.GetNode(sign)->GetValue()->SetEvidence(0), "discrete evidence");
    vovido::RequireSuccess(net.GetNumberOfNodes() == nodes ? kSuccess : kOutOfRange, "size");
}

// Five nodes whose messages are sampled and fitted: a product observed through noise, and uniform roots
// as the deviation and the rate of observed children.
void BuildSmallNonLinear(VRX_network& net, bool product) {
    auto require = [](int rc, const char* what) { vovido::RequireSuccess(rc < 0 ? rc : kSuccess, what); };
    if (product) {
        require(AddDistributionNode(net, "x", {"Normal(1, 0.5)"}), "x");
        require(AddDistributionNode(net, "w", {"Normal(1, 0.5)"}), "w");
        require(AddEquationNode(net, "u", "x*w", {"x", "w"}), "product");
        require(AddDistributionNode(net, "v", {"Normal(u, 0.3)"}, {"u"}), "v");
        require(AddDistributionNode(net, "z", {"Normal(x, 1)"}, {"x"}), "z");
        require(Observe(net, "v", 1.0), "evidence");
        return;
    }
    require(AddDistributionNode(net, "s", {"Uniform(0.5, 3)"}), "s");
    require(AddDistributionNode(net, "y", {"Normal(0, s)"}, {"s"}), "y");
    require(AddDistributionNode(net, "x", {"Uniform(0.5, 3)"}), "x");
    require(AddDistributionNode(net, "t", {"Exponential(x)"}, {"x"}), "t");
    require(AddDistributionNode(net, "u", {"Normal(x*s, 1)"}, {"x", "s"}), "u");
    require(Observe(net, "y", 1.0), "evidence");
    require(Observe(net, "t", 1.0), "evidence");
}

// Algorithm, then the network's size, at 10,000 samples.
void BM_HybridSize(benchmark::State& state) {
    VRX_network net;
    BuildSized(net, static_cast<int>(state.range(1)));
    net.SetHybridAlgorithm(static_cast<int>(state.range(0)));
    net.numSamples = 10000;
    vovido::SeedHybridGenerators(11);
    for (auto _ : state) vovido::RequireSuccess(net.UpdateBeliefs(), "update");
    state.SetItemsProcessed(state.iterations() * net.GetNumberOfNodes() * net.numSamples);
}
BENCHMARK(BM_HybridSize)->ArgsProduct({{13, 15, 16}, {5, 40}})->Unit(benchmark::kMillisecond);

// Algorithm, then the network (1: the product, 0: the uniform roots), at 10,000 samples.
void BM_HybridSmallNonLinear(benchmark::State& state) {
    VRX_network net;
    BuildSmallNonLinear(net, state.range(1) != 0);
    net.SetHybridAlgorithm(static_cast<int>(state.range(0)));
    net.numSamples = 10000;
    vovido::SeedHybridGenerators(11);
    for (auto _ : state) vovido::RequireSuccess(net.UpdateBeliefs(), "update");
    state.SetItemsProcessed(state.iterations() * net.GetNumberOfNodes() * net.numSamples);
}
BENCHMARK(BM_HybridSmallNonLinear)->ArgsProduct({{13, 15, 16}, {1, 0}})->Unit(benchmark::kMillisecond);

// Five nodes of other shapes: 0 a linear-Gaussian chain observed at its end, 1 a step observed through a
// noise node, 2 a loop through a product (x enters the observed child directly and through x*w).
void BuildSmallShape(VRX_network& net, int shape) {
    auto require = [](int rc, const char* what) { vovido::RequireSuccess(rc < 0 ? rc : kSuccess, what); };
    if (shape == 0) {
        require(AddGaussianChain(net, 5), "chain");
        require(Observe(net, "x4", 2.0), "evidence");
        return;
    }
    if (shape == 1) {
        require(AddDistributionNode(net, "x", {"Normal(0, 1)"}), "x");
        require(AddEquationNode(net, "s", "If(x > 0.5, 3, 0)", {"x"}), "step");
        require(AddDistributionNode(net, "e", {"Normal(0, 0.5)"}), "noise");
        require(AddEquationNode(net, "y", "s + e", {"s", "e"}), "y");
        require(AddDistributionNode(net, "z", {"Normal(x, 1)"}, {"x"}), "z");
        require(Observe(net, "y", 2.0), "evidence");
        return;
    }
    require(AddDistributionNode(net, "x", {"Normal(1, 0.5)"}), "x");
    require(AddDistributionNode(net, "w", {"Normal(1, 0.5)"}), "w");
    require(AddEquationNode(net, "u", "x*w", {"x", "w"}), "product");
    require(AddDistributionNode(net, "v", {"Normal(u + x, 0.3)"}, {"u", "x"}), "v");
    require(AddDistributionNode(net, "z", {"Normal(w, 1)"}, {"w"}), "z");
    require(Observe(net, "v", 2.5), "evidence");
}

// Algorithm, then the shape, at 10,000 samples.
void BM_HybridSmallShapes(benchmark::State& state) {
    VRX_network net;
    BuildSmallShape(net, static_cast<int>(state.range(1)));
    net.SetHybridAlgorithm(static_cast<int>(state.range(0)));
    net.numSamples = 10000;
    vovido::SeedHybridGenerators(11);
    for (auto _ : state) vovido::RequireSuccess(net.UpdateBeliefs(), "update");
    state.SetItemsProcessed(state.iterations() * net.GetNumberOfNodes() * net.numSamples);
}
BENCHMARK(BM_HybridSmallShapes)->ArgsProduct({{13, 15, 16}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

// The sample count: a Tanh is inverted at each draw for the noise's estimate.
void BM_HybridSaturating(benchmark::State& state) {
    VRX_network net;
    vovido::RequireSuccess(AddObservedChild(net, "Normal(0, 1)", "2*Tanh(0.5*x) + Normal(0, 1)", -2.2, true),
                           "saturating child");
    net.SetHybridAlgorithm(15);
    net.numSamples = static_cast<int>(state.range(0));
    vovido::SeedHybridGenerators(11);
    for (auto _ : state) vovido::RequireSuccess(net.UpdateBeliefs(), "update");
}
BENCHMARK(BM_HybridSaturating)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
