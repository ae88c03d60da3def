// Reading speed of the network files: binary trees of 10,000 to 100,000 nodes in the own text format
// ("vrx") and the XML format ("xvrx"), read and then updated; chains of up to a million nodes in the
// Hugin format; files of tens of thousands of unknown statements, one node of tens of thousands of
// outcomes, and XML files with a comment or attribute of many megabytes. Each family runs at growing sizes;
// the fitted complexity shows whether reading stays linear in the size of the file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "base/error_log.h"
#include "bench/scratch_files.h"
#include "model/network.h"

namespace {

vovido::ScratchFiles files("reading");

// Node i's parent is node (i - 1) / 2: a binary tree, treewidth 1, parents before children.
const char* const kRootTable = "0.3, 0.7";
const char* const kChildTable = "0.9, 0.1, 0.2, 0.8";

std::string TreeVrx(int n) {
    std::string text = "net Tree\n{\n";
    text.reserve(static_cast<size_t>(n) * 150);
    for (int i = 0; i < n; ++i) {
        const std::string id = "N" + std::to_string(i);
        text += " node " + id + "\n  {\n   TYPE = CPT;\n   HEADER = { ID = " + id + "; };\n   PARENTS = (";
        if (i > 0) text += "N" + std::to_string((i - 1) / 2);
        text += ");\n   DEFINITION = { NAMESTATES = (yes, no); PROBABILITIES = (";
        text += i > 0 ? kChildTable : kRootTable;
        text += "); };\n  };\n";
    }
    return text + "};\n";
}

std::string TreeXvrx(int n) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<tarvo version=\"1.0\" id=\"Tree\">\n<nodes>\n";
    text.reserve(static_cast<size_t>(n) * 160);
    for (int i = 0; i < n; ++i) {
        text += "<cpt id=\"N" + std::to_string(i) + "\">\n<state id=\"yes\" />\n<state id=\"no\" />\n";
        if (i > 0) text += "<parents>N" + std::to_string((i - 1) / 2) + "</parents>\n";
        text += "<probabilities>";
        text += i > 0 ? "0.9 0.1 0.2 0.8" : "0.3 0.7";
        text += "</probabilities>\n</cpt>\n";
    }
    return text + "</nodes>\n</tarvo>\n";
}

std::string TreeFile(const std::string& format, int n) {
    return files.Get("tree_" + std::to_string(n) + "." + format,
                     [&] { return format == "vrx" ? TreeVrx(n) : TreeXvrx(n); });
}

// Reads the file into a new network per iteration; the network's destruction is not timed.
void ReadInto(benchmark::State& state, const std::string& path, int expectedNodes, bool update) {
    for (auto _ : state) {
        auto net = std::make_unique<VRX_network>();
        if (net->ReadFile(path.c_str()) != 0) state.SkipWithError("read failed");
        if (expectedNodes >= 0 && net->GetNumberOfNodes() != expectedNodes) state.SkipWithError("nodes lost");
        if (update && net->UpdateBeliefs() != 0) state.SkipWithError("update failed");
        state.PauseTiming();
        net.reset();
        errorLog.Flush();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}

void ReadTree(benchmark::State& state, const char* format, bool update) {
    const int n = static_cast<int>(state.range(0));
    ReadInto(state, TreeFile(format, n), n, update);
    state.SetItemsProcessed(state.iterations() * n);
}

void ReadTreeVrx(benchmark::State& state) {
    ReadTree(state, "vrx", false);
}
void ReadTreeXvrx(benchmark::State& state) {
    ReadTree(state, "xvrx", false);
}
void ReadAndUpdateTreeVrx(benchmark::State& state) {
    ReadTree(state, "vrx", true);
}
void ReadAndUpdateTreeXvrx(benchmark::State& state) {
    ReadTree(state, "xvrx", true);
}

// A chain of n two-state nodes in the Hugin format, node i the parent of node i + 1: the shape of the
// files of a million nodes users read, whose cost is the per-node work of every reader (the identifier
// index, the node table, adding nodes and arcs).
std::string ChainNet(int n) {
    std::string text = "net\n{\n}\n";
    text.reserve(static_cast<size_t>(n) * 110);
    for (int i = 0; i < n; ++i)
        text += "node n" + std::to_string(i) + "\n{\n    states = (\"a\" \"b\");\n}\n";
    for (int i = 0; i < n; ++i) {
        text += "potential (n" + std::to_string(i);
        text += i > 0 ? " | n" + std::to_string(i - 1) + ")\n{\n    data = ((0.9 0.1) (0.2 0.8));\n}\n"
                      : ")\n{\n    data = (0.3 0.7);\n}\n";
    }
    return text;
}

void ReadChainNet(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string& path = files.Get("chain_" + std::to_string(n) + ".net", [n] { return ChainNet(n); });
    ReadInto(state, path, n, false);
    state.SetItemsProcessed(state.iterations() * n);
}

// A net block of n statements the reader does not know: each one a logged warning, none fatal.
void UnknownStatements(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string& path = files.Get("unknown_" + std::to_string(n) + ".vrx", [n] {
        std::string text = "net Unknown\n{\n";
        for (int i = 0; i < n; ++i) text += " BOGUS = " + std::to_string(i) + ";\n";
        return text + "};\n";
    });
    ReadInto(state, path, 0, false);
    state.SetItemsProcessed(state.iterations() * n);
}

// One node with n outcomes, in either format.
void ManyOutcomes(benchmark::State& state, const char* format) {
    const int n = static_cast<int>(state.range(0));
    const std::string& path = files.Get("outcomes_" + std::to_string(n) + "." + format, [n, format] {
        std::string states;
        std::string probabilities;
        for (int i = 0; i < n; ++i) {
            const bool vrx = std::string(format) == "vrx";
            states += vrx ? (i > 0 ? ", s" : "s") + std::to_string(i)
                          : "<state id=\"s" + std::to_string(i) + "\" />\n";
            probabilities += (i > 0 ? (vrx ? ", " : " ") : "") + std::string(i == 0 ? "1" : "0");
        }
        if (std::string(format) == "vrx") {
            return "net Many\n{\n node Big\n  {\n   TYPE = CPT;\n   PARENTS = ();\n   DEFINITION =\n    {\n"
                   "     NAMESTATES = (" +
                   states + ");\n     PROBABILITIES = (" + probabilities + ");\n    };\n  };\n};\n";
        }
        return "<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"Many\">\n<nodes>\n<cpt id=\"Big\">\n" +
               states + "<probabilities>" + probabilities + "</probabilities>\n</cpt>\n</nodes>\n</tarvo>\n";
    });
    ReadInto(state, path, 1, false);
    state.SetItemsProcessed(state.iterations() * n);
}

void ManyOutcomesVrx(benchmark::State& state) {
    ManyOutcomes(state, "vrx");
}
void ManyOutcomesXvrx(benchmark::State& state) {
    ManyOutcomes(state, "xvrx");
}

// An XML network file holding one token of n megabytes: a comment, or the value of an unknown attribute.
void LargeXmlToken(benchmark::State& state, bool attribute) {
    const int megabytes = static_cast<int>(state.range(0));
    const std::string name = (attribute ? "attribute_" : "comment_") + std::to_string(megabytes) + ".xvrx";
    const std::string& path = files.Get(name, [megabytes, attribute] {
        const std::string filler(static_cast<size_t>(megabytes) << 20, 'x');
        if (attribute) {
            return "<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"Big\" junk=\"" + filler +
                   "\">\n</tarvo>\n";
        }
        return "<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"Big\">\n<!--" + filler +
               "-->\n</tarvo>\n";
    });
    ReadInto(state, path, 0, false);
    state.SetBytesProcessed(state.iterations() * (static_cast<int64_t>(megabytes) << 20));
}

void LargeXmlComment(benchmark::State& state) {
    LargeXmlToken(state, false);
}
void LargeXmlAttribute(benchmark::State& state) {
    LargeXmlToken(state, true);
}

}  // namespace

BENCHMARK(ReadTreeVrx)->Arg(10000)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(ReadTreeXvrx)->Arg(10000)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(ReadAndUpdateTreeVrx)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadAndUpdateTreeXvrx)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadChainNet)->Arg(100000)->Arg(300000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(UnknownStatements)->Arg(20000)->Arg(40000)->Arg(80000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(ManyOutcomesVrx)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(ManyOutcomesXvrx)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(LargeXmlComment)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(LargeXmlAttribute)->Arg(5)->Arg(10)->Arg(20)->Arg(50)->Unit(benchmark::kMillisecond)->Complexity();
