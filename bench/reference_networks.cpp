// Timing of belief updating and of the probability of evidence on the real networks shipped beside the
// project, each with the evidence of its second case.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "base/error_log.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "base/id_array.h"

namespace {

const char* const kNetworks[] = {"asia",    "child",   "insurance", "water", "alarm",
                                 "hailfinder", "hepar2", "win95pts", "andes"};

std::string NetworkPath(const std::string& name, const char* extension) {
    return std::string(VOVIDO_NETWORKS_DIR) + "/" + name + extension;
}

// Sets the NODE=OUTCOME evidence of the case on the given line of the network's cases file.
bool SetCaseEvidence(VRX_network& net, const std::string& name, int line) {
    std::ifstream cases(NetworkPath(name, ".cases"));
    std::string text;
    for (int i = 0; i <= line; i++) {
        if (!std::getline(cases, text)) return false;
    }
    std::istringstream words(text.substr(text.find('\t') + 1));
    std::string word;
    while (words >> word) {
        const size_t eq = word.find('=');
        const int h = net.FindNode(word.substr(0, eq).c_str());
        if (h < 0) return false;
        VRX_idArray* outcomes = net.GetNode(h)->GetDefinition()->GetOutcomesNames();
        const int k = outcomes->FindPosition(word.substr(eq + 1).c_str());
        if (k < 0 || net.GetNode(h)->GetValue()->SetEvidence(k) != 0) return false;
    }
    return true;
}

std::unique_ptr<VRX_network> Load(benchmark::State& state, const std::string& name) {
    auto net = std::make_unique<VRX_network>();
    if (net->ReadFile(NetworkPath(name, ".xvrx").c_str()) != 0 || !SetCaseEvidence(*net, name, 1)) {
        state.SkipWithError(("cannot load " + name).c_str());
        return nullptr;
    }
    errorLog.Flush();
    return net;
}

void UpdateBeliefs(benchmark::State& state) {
    const std::string name = kNetworks[state.range(0)];
    state.SetLabel(name);
    std::unique_ptr<VRX_network> net = Load(state, name);
    if (!net) return;
    for (auto _ : state) {
        net->InvalidateValues();
        if (net->UpdateBeliefs() != 0) state.SkipWithError("update failed");
    }
}

void ProbabilityOfEvidence(benchmark::State& state) {
    const std::string name = kNetworks[state.range(0)];
    state.SetLabel(name);
    std::unique_ptr<VRX_network> net = Load(state, name);
    if (!net) return;
    for (auto _ : state) {
        double pe = 0.0;
        if (!net->CalcPropEvidence(&pe, false)) state.SkipWithError("probability of evidence failed");
        benchmark::DoNotOptimize(pe);
    }
}

BENCHMARK(UpdateBeliefs)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);
BENCHMARK(ProbabilityOfEvidence)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);

}  // namespace
