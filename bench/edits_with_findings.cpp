// Edits of a large network while findings are set: each edit must cost what it touches, as it does
// without findings, not a walk over every node.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "base/double_array.h"
#include "bench/bench_check.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace {

using vovido::RequireSuccess;

// A root and count leaves under it, each observed as soon as it has its arc when `observed`.
std::vector<int> AddLeaves(VRX_network& net, int count, bool observed) {
    const int root = net.AddNode(DefinitionType::kCpt, "root");
    RequireSuccess(root < 0 ? root : 0, "root");
    std::vector<int> handles;
    for (int i = 0; i < count; i++) {
        const int h = net.AddNode(DefinitionType::kCpt, ("n" + std::to_string(i)).c_str());
        RequireSuccess(h < 0 ? h : 0, "node");
        RequireSuccess(net.AddArc(root, h), "leaf arc");
        if (observed) RequireSuccess(net.GetNode(h)->GetValue()->SetEvidence(i % 2), "finding");
        handles.push_back(h);
    }
    return handles;
}

enum Edit { kArcs, kTables };

// Arguments: leaves, findings (0 or 1, on the first leaf), edit kind. One iteration makes 1,000 edits:
// arcs between leaves added and removed again, or tables of leaves set (both parent columns).
void BM_EditsBesideAFinding(benchmark::State& state) {
    VRX_network net;
    const std::vector<int> leaves = AddLeaves(net, static_cast<int>(state.range(0)), false);
    if (state.range(1) != 0) RequireSuccess(net.GetNode(leaves[0])->GetValue()->SetEvidence(0), "finding");
    VRX_doubleArray table;
    RequireSuccess(table.SetSize(4), "table");
    table.SetCount(4);
    int round = 0;
    for (auto _ : state) {
        round++;
        for (int i = 1; i + 1 < 1001; i += 2) {
            const int parent = leaves[static_cast<size_t>(i)];
            const int child = leaves[static_cast<size_t>(i + 1)];
            if (state.range(2) == kArcs) {
                RequireSuccess(net.AddArc(parent, child), "arc");
                RequireSuccess(net.RemoveArc(parent, child), "arc removed");
            } else {
                table[0] = table[2] = 0.1 * (round % 9 + 1);
                table[1] = table[3] = 1.0 - table[0];
                RequireSuccess(net.GetNode(parent)->GetDefinition()->SetDefinitionDoubles(table), "table");
                RequireSuccess(net.GetNode(child)->GetDefinition()->SetDefinitionDoubles(table), "table");
            }
        }
    }
}
BENCHMARK(BM_EditsBesideAFinding)
    ->Args({20000, 0, kArcs})
    ->Args({20000, 1, kArcs})
    ->Args({20000, 1, kTables})
    ->Args({80000, 1, kArcs})
    ->Unit(benchmark::kMillisecond);

// Arguments: leaves, each observed as soon as it is added.
void BM_BuildObservedLeaves(benchmark::State& state) {
    for (auto _ : state) {
        VRX_network net;
        benchmark::DoNotOptimize(AddLeaves(net, static_cast<int>(state.range(0)), true));
    }
}
BENCHMARK(BM_BuildObservedLeaves)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
