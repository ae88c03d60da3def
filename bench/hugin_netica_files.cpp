// Reading and writing the Hugin ("net") and Netica ("dne") formats: the largest reference network
// (andes, 223 nodes) read and written in each, and binary trees of 4,000 to 64,000 nodes read, whose
// fitted complexity shows whether reading stays linear in the size of the file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "base/error_log.h"
#include "model/network.h"

namespace {

std::string ScratchPath(const std::string& name) {
    return "/tmp/vovido_bench_hugin_netica_" + std::to_string(getpid()) + "_" + name;
}

void WriteWhole(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// Node i's parent is node (i - 1) / 2.
std::string TreeHugin(int n) {
    std::string nodes = "net\n{\n}\n";
    std::string potentials;
    for (int i = 0; i < n; ++i) {
        const std::string id = "N" + std::to_string(i);
        nodes += "node " + id + "\n{\n    states = (\"yes\" \"no\");\n}\n";
        potentials += "potential (" + id + (i > 0 ? " | N" + std::to_string((i - 1) / 2) : std::string()) +
                      ")\n{\n    data = " + (i > 0 ? "((0.9 0.1) (0.2 0.8))" : "(0.3 0.7)") + ";\n}\n";
    }
    return nodes + potentials;
}

std::string TreeNetica(int n) {
    std::string text = "bnet Tree {\n";
    for (int i = 0; i < n; ++i) {
        text += "node N" + std::to_string(i) +
                " {\n    kind = NATURE;\n    discrete = TRUE;\n    chance = CHANCE;\n" + "    parents = (" +
                (i > 0 ? "N" + std::to_string((i - 1) / 2) : std::string()) +
                ");\n    states = (yes, no);\n    probs = " +
                (i > 0 ? "((0.9, 0.1), (0.2, 0.8))" : "(0.3, 0.7)") + ";\n    };\n";
    }
    return text + "};\n";
}

void ReadTree(benchmark::State& state, const char* extension, std::string (*make)(int)) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = ScratchPath("tree" + std::to_string(n) + extension);
    WriteWhole(path, make(n));
    for (auto _ : state) {
        VRX_network net;
        if (net.ReadFile(path.c_str()) != 0 || net.GetNumberOfNodes() != n)
            state.SkipWithError("read failed");
    }
    std::remove(path.c_str());
    state.SetComplexityN(n);
}

void BM_ReadHuginTree(benchmark::State& state) {
    ReadTree(state, ".net", TreeHugin);
}
void BM_ReadNeticaTree(benchmark::State& state) {
    ReadTree(state, ".dne", TreeNetica);
}
BENCHMARK(BM_ReadHuginTree)
    ->RangeMultiplier(4)
    ->Range(4000, 64000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_ReadNeticaTree)
    ->RangeMultiplier(4)
    ->Range(4000, 64000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// The andes network, written once in the format from its XML twin.
std::string AndesIn(const char* extension) {
    const std::string path = ScratchPath(std::string("andes") + extension);
    VRX_network net;
    if (net.ReadFile((std::string(VOVIDO_NETWORKS_DIR) + "/andes.xvrx").c_str()) != 0) return std::string();
    if (net.WriteFile(path.c_str()) != 0) return std::string();
    return path;
}

void BM_ReadAndes(benchmark::State& state, const char* extension) {
    const std::string path = AndesIn(extension);
    if (path.empty()) state.SkipWithError("andes could not be written");
    for (auto _ : state) {
        VRX_network net;
        if (net.ReadFile(path.c_str()) != 0) state.SkipWithError("read failed");
    }
    std::remove(path.c_str());
}

void BM_WriteAndes(benchmark::State& state, const char* extension) {
    VRX_network net;
    if (net.ReadFile((std::string(VOVIDO_NETWORKS_DIR) + "/andes.xvrx").c_str()) != 0)
        state.SkipWithError("no andes");
    const std::string path = ScratchPath(std::string("andes_out") + extension);
    for (auto _ : state) {
        if (net.WriteFile(path.c_str()) != 0) state.SkipWithError("write failed");
    }
    std::remove(path.c_str());
}

BENCHMARK_CAPTURE(BM_ReadAndes, hugin, ".net")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadAndes, netica, ".dne")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteAndes, hugin, ".net")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteAndes, netica, ".dne")->Unit(benchmark::kMillisecond);

}  // namespace
