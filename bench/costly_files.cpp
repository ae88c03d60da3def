// Small files that state sizes far beyond what they hold: each is read (and, where the cost is in the
// update, updated) and must finish or be refused within seconds. The peak memory of the process tells
// that nothing near the stated size was allocated; run one benchmark per process (--benchmark_filter)
// to read each input's own peak. The counter "status" is the read's (or update's) result. The write
// benchmarks write such networks in every format: each write must be refused at once or leave a file the
// readers take ("written_MB").
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <utility>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "bench/run_in_child.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/costly_inputs.h"
#include "tests/support/costly_networks.h"

namespace {

namespace test = vovido::test;
using vovido::bench::RunInChild;

// Writes the text to a temporary file of the extension; empty on failure.
std::string WriteInput(const std::string& text, const std::string& name) {
    const std::string path = (std::filesystem::temp_directory_path() / ("vovido_costly_" + name)).string();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return std::string();
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written ? path : std::string();
}

// What follows a read that succeeded.
using AfterRead = std::function<int(VRX_network&)>;
const AfterRead kNothing = [](VRX_network&) { return 0; };
const AfterRead kUpdate = [](VRX_network& net) { return net.UpdateBeliefs(); };

// Reads the file, then does what follows when the read succeeded.
void ReadAndUpdate(benchmark::State& state, const std::string& text, const std::string& name,
                   const AfterRead& after) {
    const std::string path = WriteInput(text, name);
    if (path.empty()) {
        state.SkipWithError("cannot write the input");
        return;
    }
    int rc = 0;
    for (auto _ : state) {
        VRX_network net;
        rc = net.ReadFile(path.c_str());
        if (rc == 0) rc = after(net);
        benchmark::DoNotOptimize(rc);
        errorLog.Flush();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["status"] = rc;
    state.counters["file_bytes"] = static_cast<double>(text.size());
    std::remove(path.c_str());
}

void BM_MsbnUnterminatedString(benchmark::State& state) {
    ReadAndUpdate(state, test::MsbnUnterminatedStringText(), "string.dsc", kNothing);
}
BENCHMARK(BM_MsbnUnterminatedString)->Iterations(1)->Unit(benchmark::kMillisecond);

// Argument: parents.
void BM_DemorganWithManyParents(benchmark::State& state) {
    const int parents = static_cast<int>(state.range(0));
    ReadAndUpdate(state, test::DemorganXmlText(parents), "demorgan.xvrx", kNothing);
}
BENCHMARK(BM_DemorganWithManyParents)->Arg(26)->Arg(28)->Iterations(1)->Unit(benchmark::kMillisecond);

// Argument: parents. The read, then the child's table built once (2^(parents + 1) cells).
void BM_DemorganTableBuiltOnce(benchmark::State& state) {
    const int parents = static_cast<int>(state.range(0));
    ReadAndUpdate(state, test::DemorganXmlText(parents), "demorgan_table.xvrx", [](VRX_network& net) {
        VRX_Dmatrix* table = nullptr;
        return net.GetNode(net.FindNode("child"))->GetDefinition()->GetDefinition(table);
    });
}
BENCHMARK(BM_DemorganTableBuiltOnce)->Arg(26)->Iterations(1)->Unit(benchmark::kMillisecond);

// Arguments: nodes, outcomes of each.
void BM_ErgoOutcomeCounts(benchmark::State& state) {
    const int nodes = static_cast<int>(state.range(0));
    ReadAndUpdate(state, test::ErgoManyOutcomesText(nodes, static_cast<int>(state.range(1))), "outcomes.erg",
                  kNothing);
}
BENCHMARK(BM_ErgoOutcomeCounts)
    ->Args({100, 65536})
    ->Args({300, 65536})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Arguments: nodes, samples.
void BM_EquationSampleCounts(benchmark::State& state) {
    const int nodes = static_cast<int>(state.range(0));
    const std::string samples = std::to_string(state.range(1));
    ReadAndUpdate(state, test::EquationSamplesXmlText(nodes, samples), "samples.xvrx", kUpdate);
}
BENCHMARK(BM_EquationSampleCounts)
    ->Args({1, 2000000000})
    ->Args({8, 20000000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Arguments: outcomes, slices.
void BM_DynamicSliceCounts(benchmark::State& state) {
    const int outcomes = static_cast<int>(state.range(0));
    ReadAndUpdate(state, test::DynamicXmlText(outcomes, static_cast<int>(state.range(1))), "slices.xvrx",
                  kUpdate);
}
BENCHMARK(BM_DynamicSliceCounts)->Args({60, 60000})->Iterations(1)->Unit(benchmark::kMillisecond);

// Argument: two-state parents of the two-state child.
void BM_WideCptTable(benchmark::State& state) {
    ReadAndUpdate(state, test::WideCptXmlText(static_cast<int>(state.range(0))), "wide.xvrx", kNothing);
}
BENCHMARK(BM_WideCptTable)->Arg(27)->Iterations(1)->Unit(benchmark::kMillisecond);

// The extensions of the family files, by the benchmark's first argument.
const char* const kFamilyFormats[] = {".vrx", ".xvrx", ".xvrx-det", ".net", ".dne",
                                      ".dsc", ".erg",  ".xml03",    ".dxp"};

// Arguments: format (kFamilyFormats), parents, table (0 given, 1 none, 2 short). Each read runs in a
// child process.
void BM_WideFamily(benchmark::State& state) {
    const std::string format = kFamilyFormats[state.range(0)];
    const auto table = static_cast<test::FamilyTable>(state.range(2));
    const std::string extension = format == ".xvrx-det" ? ".xvrx" : format;
    const std::string path = WriteInput(test::WideFamilyText(format, static_cast<int>(state.range(1)), table),
                                        "family" + extension);
    if (path.empty()) {
        state.SkipWithError("cannot write the input");
        return;
    }
    RunInChild(state, [&path] {
        VRX_network net;
        return net.ReadFile(path.c_str());
    });
    std::remove(path.c_str());
}
BENCHMARK(BM_WideFamily)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8}, {27}, {1, 2}})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8}, {18}, {0}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The extensions the networks are written to, by the benchmark's first argument.
const char* const kWrittenFormats[] = {".net", ".vrx", ".xvrx", ".dne", ".dsc", ".erg", ".xml03"};

// Makes the network in a child process and writes it in the format of the first argument: the time and
// peak memory of both, the status of the making or else of the write, and the size of the file written.
void MakeAndWriteInChild(benchmark::State& state, const std::function<int(VRX_network&)>& make) {
    const std::string target = std::filesystem::temp_directory_path().string() + "/vovido_costly_written" +
                               kWrittenFormats[state.range(0)];
    std::remove(target.c_str());
    RunInChild(state, [&make, &target] {
        VRX_network net;
        const int made = make(net);
        return made != 0 ? made : net.WriteFile(target.c_str());
    });
    std::error_code error;
    const auto written = std::filesystem::file_size(target, error);
    state.counters["written_MB"] = error ? 0.0 : static_cast<double>(written) / 1e6;
    std::remove(target.c_str());
}

// Argument: format (kWrittenFormats). Ten 6-state nodes read from a few hundred bytes, one with the nine
// others as parents and no table data: a table of 60,466,176 cells to write.
void BM_WriteUniformFamily(benchmark::State& state) {
    const std::string path = WriteInput(test::HuginUniformFamilyText(9, 6), "uniform_family.net");
    MakeAndWriteInChild(state, [&path](VRX_network& net) { return net.ReadFile(path.c_str()); });
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteUniformFamily)
    ->DenseRange(0, 6)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Argument: format (kWrittenFormats). Four two-state nodes of the same 23 two-state parents read from 2 KB
// without table data: 67,108,864 cells, written in every format whose text of them fits the readers'
// 1 GiB (all but MSBN, whose row labels alone pass it), refused at once in that one.
void BM_WriteFourWideFamilies(benchmark::State& state) {
    const std::string path = WriteInput(
        test::FamiliesText(".net", 27, [](int i) { return std::make_pair(0, i < 23 ? 0 : 23); }), "four.net");
    MakeAndWriteInChild(state, [&path](VRX_network& net) { return net.ReadFile(path.c_str()); });
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteFourWideFamilies)
    ->DenseRange(0, 6)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: format (kWrittenFormats), outcomes. A node of that many outcomes under a two-state parent,
// its table of distinct numbers: past some 10 million outcomes their names and numbers pass the readers'
// 1 GiB in most formats, refused from the outcomes' text and the numbers' bounds before the file is
// made.
void BM_WriteManyOutcomes(benchmark::State& state) {
    const int outcomes = static_cast<int>(state.range(1));
    MakeAndWriteInChild(state, [outcomes](VRX_network& net) {
        const int child = net.AddNode(DefinitionType::kCpt, "child");
        if (const int rc = net.GetNode(child)->GetDefinition()->SetNumberOfOutcomes(outcomes)) return rc;
        if (const int rc = net.AddArc(net.AddNode(DefinitionType::kCpt, "parent"), child, 0)) return rc;
        VRX_Dmatrix* table = nullptr;
        if (const int rc = net.GetNode(child)->GetDefinition()->GetDefinition(table)) return rc;
        std::mt19937_64 rng(5);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int i = 0; i < table->GetNumberOfElements(); ++i) table->GetData()[i] = unit(rng);
        return 0;
    });
}
BENCHMARK(BM_WriteManyOutcomes)
    ->ArgsProduct({{1, 2, 6}, {16000000}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: format (kWrittenFormats), digits (0: full precision). The four families of 23 parents with
// random distributions: 67,108,864 distinct numbers, whose text (some 19 characters each at full
// precision) passes the readers' 1 GiB, refused from the bounds of their texts in some 0.2 s after the
// read. Rounded to 11 digits (13 characters), near the limit: the own XML format's file (about 1 GB) is
// written; the own text format's, with its separators and lines, is refused from its upper estimate.
void BM_WriteDistinctNumbers(benchmark::State& state) {
    const std::string path = WriteInput(
        test::FamiliesText(".net", 27, [](int i) { return std::make_pair(0, i < 23 ? 0 : 23); }), "four.net");
    const double scale = state.range(1) > 0 ? std::pow(10.0, static_cast<double>(state.range(1))) : 0.0;
    MakeAndWriteInChild(state, [&path, scale](VRX_network& net) {
        if (const int rc = net.ReadFile(path.c_str())) return rc;
        std::mt19937_64 rng(5);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            VRX_Dmatrix* table = nullptr;
            if (net.GetNode(h)->GetDefinition()->GetDefinition(table) != 0 || table == nullptr) continue;
            double* data = table->GetData();
            for (int i = 0; i + 1 < table->GetNumberOfElements(); i += 2) {
                const double p = scale > 0.0 ? std::round(unit(rng) * scale) / scale : unit(rng);
                data[i] = p;
                data[i + 1] = 1.0 - p;
            }
        }
        return 0;
    });
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteDistinctNumbers)
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 11})
    ->Args({2, 11})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: format (0 ".vrx", 1 ".xvrx"), kind (0 noisy-MAX, 1 DeMorgan), parents, children, outcomes of
// the node. The network is written in the format, then read, its children observed and updated in a
// child process.
void BM_WideCausalUpdate(benchmark::State& state) {
    const char* const formats[] = {".vrx", ".xvrx"};
    const int type = state.range(1) == 0 ? DefinitionType::kNoisyMax : DefinitionType::kDeMorgan;
    VRX_network built;
    if (test::BuildWideCausalNetwork(built, type, static_cast<int>(state.range(2)),
                                     static_cast<int>(state.range(3)),
                                     static_cast<int>(state.range(4))) != kSuccess) {
        state.SkipWithError("cannot build the network");
        return;
    }
    const std::string path = WriteInput("", std::string("causal") + formats[state.range(0)]);
    if (path.empty() || built.WriteFile(path.c_str()) != kSuccess) {
        state.SkipWithError("cannot write the input");
        return;
    }
    RunInChild(state, [&] {
        VRX_network net;
        int rc = net.ReadFile(path.c_str());
        if (rc == kSuccess) rc = test::ObserveChildren(net);
        return rc == kSuccess ? net.UpdateBeliefs() : rc;
    });
    std::remove(path.c_str());
}
BENCHMARK(BM_WideCausalUpdate)
    ->ArgsProduct({{0, 1}, {0}, {26}, {2}, {2, 3}})
    ->Args({1, 1, 25, 3, 2})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Argument: format. A noisy-MAX node of 26 two-state noisy-MAX parents: its table (2^27 cells) exists
// only when expanded for a format that writes tables.
void BM_WriteWideNoisyMax(benchmark::State& state) {
    MakeAndWriteInChild(state, [](VRX_network& net) {
        const int child = net.AddNode(DefinitionType::kNoisyMax, "N");
        for (int i = 0; i < 26; ++i) {
            const int parent = net.AddNode(DefinitionType::kNoisyMax, ("p" + std::to_string(i)).c_str());
            if (const int rc = net.AddArc(parent, child, 0)) return rc;
        }
        return 0;
    });
}
BENCHMARK(BM_WriteWideNoisyMax)
    ->DenseRange(0, 6)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: nodes, parents of each in a band (Hugin). Each table is within the limit, their sum is not.
void BM_HuginBand(benchmark::State& state) {
    const std::string path = WriteInput(
        test::HuginBandText(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))), "band.net");
    if (path.empty()) {
        state.SkipWithError("cannot write the input");
        return;
    }
    RunInChild(state, [&] {
        VRX_network net;
        const int rc = net.ReadFile(path.c_str());
        return rc == kSuccess ? net.UpdateBeliefs() : rc;
    });
    std::remove(path.c_str());
}
BENCHMARK(BM_HuginBand)
    ->Args({60, 24})
    ->Args({60, 22})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: families, parents each (the same two-state roots, Hugin, no table data). 40 families of 16
// parents (42 MB of tables from 5 KB) are read; a family of 27 parents after a small one passes the
// 2 GiB of a read's tables and is refused before it is built.
void BM_WideFamilies(benchmark::State& state) {
    const int families = static_cast<int>(state.range(0));
    const int parents = static_cast<int>(state.range(1));
    const std::string text = families == 0 ? test::WideFamiliesText(".net", parents)
                                           : test::FamiliesText(".net", parents + families, [parents](int i) {
                                                 return std::make_pair(0, i < parents ? 0 : parents);
                                             });
    const std::string path = WriteInput(text, "families.net");
    RunInChild(state, [&path] {
        VRX_network net;
        return net.ReadFile(path.c_str());
    });
    std::remove(path.c_str());
}
BENCHMARK(BM_WideFamilies)
    ->Args({40, 16})
    ->Args({0, 27})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: tests, faults. KI noisy-MAX tests of every fault: each test's table of 2^(faults + 1) cells
// is computed by the read; 8 of 25 faults (4 GiB of tables) are refused before any is built.
void BM_KiNoisyMaxTables(benchmark::State& state) {
    const std::string path =
        WriteInput(test::KiNoisyMaxText(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))),
                   "noisy.dxp");
    RunInChild(state, [&path] {
        VRX_network net;
        return net.ReadFile(path.c_str());
    });
    std::remove(path.c_str());
}
BENCHMARK(BM_KiNoisyMaxTables)
    ->Args({8, 25})
    ->Args({2, 25})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The kinds of BM_WideCausalWork's wide node, by its first argument.
const int kWideKinds[] = {DefinitionType::kNoisyMax, DefinitionType::kNoisyAdder, DefinitionType::kDeMorgan};

// Arguments: kind (kWideKinds), parents, observed children, Bayesian algorithm, work (0 update, 1
// probability of evidence, 2 annealed MAP over the parents). The network is built in the child process.
void BM_WideCausalWork(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        int rc =
            test::BuildWideCausalNetwork(net, kWideKinds[state.range(0)], static_cast<int>(state.range(1)),
                                         static_cast<int>(state.range(2)));
        if (rc == kSuccess) rc = test::ObserveChildren(net);
        if (rc != kSuccess) return rc;
        net.SetBayesianAlgorithm(static_cast<int>(state.range(3)));
        if (state.range(4) == 0) return net.UpdateBeliefs();
        if (state.range(4) == 1) {
            double p = 0.0;
            return net.CalcPropEvidence(&p, false) ? kSuccess : -1;
        }
        VRX_intArray mapNodes;
        VRX_intArray outcomes;
        for (int i = 0; i < state.range(1); ++i)
            (void)mapNodes.Add(net.FindNode(("p" + std::to_string(i)).c_str()));
        double mapP = 0.0;
        double evidenceP = 0.0;
        return net.AnnealedMAP({}, mapNodes, outcomes, mapP, evidenceP, 7);
    });
}
BENCHMARK(BM_WideCausalWork)
    ->ArgsProduct({{0, 1, 2}, {25, 26}, {3}, {1, 3, 9}, {0}})
    ->ArgsProduct({{0, 1, 2}, {25, 26}, {3}, {0}, {1, 2}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
