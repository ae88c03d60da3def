// Inputs a new user tries that must answer in seconds rather than be refused by a limit sized for worse
// ones: a few kilobytes of families left to their default tables. Each runs in a child process, so that
// "peak_MB" is its own; "status" is the read's, or the update's after a read that succeeded.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/status_codes.h"
#include "bench/run_in_child.h"
#include "model/network.h"
#include "tests/support/costly_inputs.h"

namespace {

// Arguments: nodes, parents of each in a band (Hugin), no numbers in the file.
void BM_HuginNarrowBand(benchmark::State& state) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "vovido_costly_tester_band.net").string();
    const std::string text =
        vovido::test::HuginBandText(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    FILE* f = std::fopen(path.c_str(), "wb");
    const bool written = f != nullptr && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f == nullptr || std::fclose(f) != 0 || !written) {
        state.SkipWithError("cannot write the input");
        return;
    }
    vovido::bench::RunInChild(state, [&] {
        VRX_network net;
        const int rc = net.ReadFile(path.c_str());
        return rc == kSuccess ? net.UpdateBeliefs() : rc;
    });
    std::remove(path.c_str());
}
BENCHMARK(BM_HuginNarrowBand)
    ->Args({30, 16})
    ->Args({20, 19})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
