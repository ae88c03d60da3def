// Writes, reads and edits of wide families: each must finish or be refused within seconds. A table of
// 2^25 cells is the largest a write takes with the rest of its network; wider ones are refused from their
// cell count alone (costly_files.cpp writes the 26-parent noisy-MAX node). Each input runs in a child
// process, whose time and peak memory are reported with its status.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_check.h"
#include "bench/run_in_child.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/costly_networks.h"

namespace {

using vovido::bench::RunInChild;

const char* const kEditedFormats[] = {".net", ".vrx", ".xvrx", ".dne", ".dsc", ".erg", ".xml03"};

std::string EditsPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("vovido_costly_edits_" + name)).string();
}

// Arguments: format (kEditedFormats), parents. A noisy-MAX node of that many two-state parents and two
// children, written in the format: its table is expanded for every format but the own ones.
void BM_WriteWideNoisyMaxTable(benchmark::State& state) {
    const std::string target = EditsPath(std::string("noisy") + kEditedFormats[state.range(0)]);
    const int parents = static_cast<int>(state.range(1));
    RunInChild(state, [&target, parents] {
        VRX_network net;
        const int rc = vovido::test::BuildWideCausalNetwork(net, DefinitionType::kNoisyMax, parents, 2);
        return rc != 0 ? rc : net.WriteFile(target.c_str());
    });
    std::remove(target.c_str());
}
BENCHMARK(BM_WriteWideNoisyMaxTable)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {23, 24}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: format (kEditedFormats), parents. A CPT node of that many two-state parents with its uniform
// table, written once in the format and then read in the child.
void BM_ReadWideTable(benchmark::State& state) {
    const std::string path = EditsPath(std::string("table") + kEditedFormats[state.range(0)]);
    {
        VRX_network net;
        vovido::RequireSuccess(vovido::test::BuildWideCausalNetwork(net, DefinitionType::kCpt,
                                                                    static_cast<int>(state.range(1)), 1),
                               "build the family");
        vovido::RequireSuccess(net.WriteFile(path.c_str()), "write the family");
    }
    RunInChild(state, [&path] {
        VRX_network net;
        return net.ReadFile(path.c_str());
    });
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadWideTable)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {23}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Argument: parents. A CPT node of that many two-state parents and three children changed to a noisy-MAX
// node: its parameters are fitted to its table, within the fit's work limit.
void BM_ChangeWideFamilyToNoisyMax(benchmark::State& state) {
    const int parents = static_cast<int>(state.range(0));
    RunInChild(state, [parents] {
        VRX_network net;
        const int rc = vovido::test::BuildWideCausalNetwork(net, DefinitionType::kCpt, parents, 3);
        return rc != 0 ? rc : net.GetNode(net.FindNode("n"))->ChangeTypeByName("NOISY_MAX");
    });
}
BENCHMARK(BM_ChangeWideFamilyToNoisyMax)
    ->Arg(12)
    ->Arg(18)
    ->Arg(24)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
