// Long runs of editing calls and huge outcome lists: each must cost in proportion to what it changes, not
// to the network or table it changes. Each input runs in a child process, whose time and peak memory are
// reported with its status.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_check.h"
#include "bench/run_in_child.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/costly_networks.h"

namespace {

using vovido::bench::RunInChild;

// A two-outcome node and its child: the parent's table and the child's grow with every outcome added.
int AddParentAndChild(VRX_network& net, VRX_nodeDefinition*& parent) {
    const int a = net.AddNode(DefinitionType::kCpt, "A");
    const int b = net.AddNode(DefinitionType::kCpt, "B");
    if (a < 0 || b < 0) return a < 0 ? a : b;
    if (const int rc = net.AddArc(a, b); rc < 0) return rc;
    parent = net.GetNode(a)->GetDefinition();
    return kSuccess;
}

enum OutcomeEdits { kAddAtEnd, kAddThenRemoveLast, kInsertAtFront };

// Arguments: outcomes added one call at a time to a node with one child, and how (OutcomeEdits).
void BM_EditOutcomesOneByOne(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const auto how = static_cast<OutcomeEdits>(state.range(1));
    RunInChild(state, [count, how] {
        VRX_network net;
        VRX_nodeDefinition* parent = nullptr;
        if (const int rc = AddParentAndChild(net, parent)) return rc;
        for (int i = 0; i < count; i++) {
            const std::string name = "s" + std::to_string(i);
            const int rc = how == kInsertAtFront ? parent->InsertOutcome(0, name.c_str())
                                                 : parent->AddOutcome(name.c_str());
            if (rc != kSuccess) return rc;
        }
        for (int i = 0; i < (how == kAddThenRemoveLast ? count : 0); i++) {
            if (const int rc = parent->RemoveOutcome(parent->GetNumberOfOutcomes() - 1)) return rc;
        }
        return kSuccess;
    });
}
BENCHMARK(BM_EditOutcomesOneByOne)
    ->Args({10000, kAddAtEnd})
    ->Args({100000, kAddAtEnd})
    ->Args({50000, kAddThenRemoveLast})
    ->Args({20000, kInsertAtFront})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: chain length, nodes deleted from its front one call at a time, whether its beliefs were
// updated before.
void BM_DeleteChainFromFront(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    const int deleted = static_cast<int>(state.range(1));
    const bool updated = state.range(2) != 0;
    RunInChild(state, [length, deleted, updated] {
        VRX_network net;
        int previous = -1;
        for (int i = 0; i < length; i++) {
            const int node = net.AddNode(DefinitionType::kCpt, ("n" + std::to_string(i)).c_str());
            if (node < 0) return node;
            if (previous >= 0) {
                if (const int rc = net.AddArc(previous, node); rc < 0) return rc;
            }
            previous = node;
        }
        if (updated) {
            if (const int rc = net.UpdateBeliefs()) return rc;
        }
        for (int i = 0; i < deleted; i++) {
            if (const int rc = net.DeleteNode(net.FindNode(("n" + std::to_string(i)).c_str()))) return rc;
        }
        return kSuccess;
    });
}
BENCHMARK(BM_DeleteChainFromFront)
    ->Args({30000, 15000, 0})
    ->Args({30000, 15000, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Argument: states of the one node of a Hugin file, written before the child reads it.
void BM_ReadNodeOfManyStates(benchmark::State& state) {
    const int states = static_cast<int>(state.range(0));
    const std::string path =
        (std::filesystem::temp_directory_path() / ("vovido_costly_states_" + std::to_string(states) + ".net"))
            .string();
    {
        std::FILE* file = std::fopen(path.c_str(), "w");
        if (file == nullptr) vovido::RequireSuccess(kOutOfRange, "write the file");
        std::fputs("net\n{\n}\nnode big\n{\n  states = (", file);
        for (int i = 0; i < states; i++) std::fprintf(file, " \"s%d\"", i);
        std::fputs(" );\n}\npotential ( big )\n{\n}\n", file);
        std::fclose(file);
    }
    RunInChild(state, [&path] {
        VRX_network net;
        return net.ReadFile(path.c_str());
    });
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadNodeOfManyStates)
    ->Arg(2000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: nodes of a random tree, findings set one at a time (spread evenly), then one update. A finding
// walks the network only while a value other than the findings is current: before the update none is.
void BM_ObserveOneByOne(benchmark::State& state) {
    RunInChild(state, [&state] {
        VRX_network net;
        const int nodes = static_cast<int>(state.range(0));
        if (vovido::test::BuildSampledBand(net, nodes, 2, 1, true, 0) != kSuccess) return 1;
        const int findings = static_cast<int>(state.range(1));
        for (int k = 0; k < findings; ++k) {
            const int h = net.FindNode(("n" + std::to_string(nodes - 1 - k * (nodes / findings))).c_str());
            if (net.GetNode(h)->GetValue()->SetEvidence(0) != kSuccess) return 1;
        }
        return net.UpdateBeliefs();
    });
}
BENCHMARK(BM_ObserveOneByOne)
    ->Args({200000, 1000})
    ->Args({20000, 1000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
