// Reading and writing speed of the network file formats (the own text and XML ones, and those of other
// tools: Hugin, Netica, XMLBIF, MSBN, Ergo): the largest reference network (andes, 223 nodes) read and
// written in each, a chain of 100,000 nodes written in each, and binary trees of 4,000 to 64,000 nodes read,
// whose fitted complexity shows whether reading stays linear in the size of the file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace {

const char* const kFormats[] = {"vrx", "xvrx", "net", "dne", "xml03", "dsc", "erg"};
constexpr int kFormatCount = static_cast<int>(sizeof(kFormats) / sizeof(kFormats[0]));

std::string ScratchPath(const std::string& name) {
    return "/tmp/vovido_bench_exchange_" + std::to_string(getpid()) + "_" + name;
}

// Files are written once per process and removed at its end.
class Files {
public:
    ~Files() {
        for (const auto& entry : made_) std::remove(entry.second.c_str());
    }
    // The network written in the format, made by `build` on first use.
    template <typename Build>
    const std::string& Get(const std::string& name, const char* format, Build build) {
        const std::string key = name + "." + format;
        auto found = made_.find(key);
        if (found != made_.end()) return found->second;
        VRX_network net;
        build(net);
        const std::string path = ScratchPath(key);
        if (net.WriteFile(path.c_str()) != kSuccess) std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return made_.emplace(key, path).first->second;
    }

private:
    std::map<std::string, std::string> made_;
};

Files files;

void LoadAndes(VRX_network& net) {
    if (net.ReadFile(VOVIDO_NETWORKS_DIR "/andes.xvrx") != kSuccess) std::fprintf(stderr, "andes not read\n");
}

VRX_doubleArray Doubles(std::initializer_list<double> values) {
    VRX_doubleArray out;
    for (const double v : values) (void)out.Add(v);  // a handful of values
    return out;
}

// Node i's parent is node (i - 1) / 2.
void BuildTree(VRX_network& net, int n) {
    const VRX_doubleArray root = Doubles({0.3, 0.7});
    const VRX_doubleArray child = Doubles({0.9, 0.1, 0.2, 0.8});
    for (int i = 0; i < n; ++i) {
        const int h = net.AddNode(DefinitionType::kCpt, ("N" + std::to_string(i)).c_str());
        if (i > 0 && net.AddArc((i - 1) / 2, h) != kSuccess) return;
        (void)net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(i > 0 ? child : root);
    }
}

void BM_ReadAndes(benchmark::State& state) {
    const char* format = kFormats[state.range(0)];
    const std::string& path = files.Get("andes", format, LoadAndes);
    for (auto _ : state) {
        VRX_network net;
        if (net.ReadFile(path.c_str()) != kSuccess) state.SkipWithError("read failed");
        errorLog.Flush();
    }
    state.SetLabel(format);
}
BENCHMARK(BM_ReadAndes)->DenseRange(0, kFormatCount - 1)->Unit(benchmark::kMillisecond);

void BM_WriteAndes(benchmark::State& state) {
    const char* format = kFormats[state.range(0)];
    VRX_network net;
    LoadAndes(net);
    const std::string path = ScratchPath(std::string("andes_written.") + format);
    for (auto _ : state) {
        if (net.WriteFile(path.c_str()) != kSuccess) state.SkipWithError("write failed");
    }
    std::remove(path.c_str());
    state.SetLabel(format);
}
BENCHMARK(BM_WriteAndes)->DenseRange(0, kFormatCount - 1)->Unit(benchmark::kMillisecond);

// A chain of 100,000 two-state nodes built afresh and written once, as a program writes a network it
// made: what the write builds or looks up on its first pass is counted.
void BM_WriteChain(benchmark::State& state) {
    const char* format = kFormats[state.range(0)];
    const std::string path = ScratchPath(std::string("chain_written.") + format);
    for (auto _ : state) {
        state.PauseTiming();
        {
            VRX_network net;
            const VRX_doubleArray root = Doubles({0.3, 0.7});
            const VRX_doubleArray child = Doubles({0.9, 0.1, 0.2, 0.8});
            for (int i = 0; i < 100000; ++i) {
                const int h = net.AddNode(DefinitionType::kCpt, ("N" + std::to_string(i)).c_str());
                if (i > 0 && net.AddArc(h - 1, h) != kSuccess) state.SkipWithError("arc refused");
                (void)net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(i > 0 ? child : root);
            }
            state.ResumeTiming();
            if (net.WriteFile(path.c_str()) != kSuccess) state.SkipWithError("write failed");
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    std::remove(path.c_str());
    state.SetLabel(format);
}
BENCHMARK(BM_WriteChain)->DenseRange(0, kFormatCount - 1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadTree(benchmark::State& state, int format) {
    const int n = static_cast<int>(state.range(0));
    const std::string& path =
        files.Get("tree" + std::to_string(n), kFormats[format], [n](VRX_network& net) { BuildTree(net, n); });
    for (auto _ : state) {
        VRX_network net;
        if (net.ReadFile(path.c_str()) != kSuccess || net.GetNumberOfNodes() != n)
            state.SkipWithError("read failed");
        errorLog.Flush();
    }
    state.SetComplexityN(n);
}

// One family a format, so that each has its own fitted complexity.
const int treeFamilies = [] {
    for (int f = 0; f < kFormatCount; ++f) {
        benchmark::RegisterBenchmark((std::string("BM_ReadTree/") + kFormats[f]).c_str(), BM_ReadTree, f)
            ->RangeMultiplier(4)
            ->Range(4000, 64000)
            ->Complexity(benchmark::oN)
            ->Unit(benchmark::kMillisecond);
    }
    return kFormatCount;
}();

}  // namespace
