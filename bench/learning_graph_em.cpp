// Expectation maximisation over a learning graph with the alarm network's arcs, on records drawn from
// alarm with a fifth of the values hidden: one run from random parameters until the scores converge.
#include <benchmark/benchmark.h>

#include <string>

#include "base/int_array.h"
#include "bench/bench_check.h"
#include "learning/dag_em.h"
#include "learning/data_set.h"
#include "learning/learning_dag.h"
#include "model/network.h"
#include "tests/support/missing_data.h"

namespace {

using vovido::RequireSuccess;

void BM_LearningGraphEmAlarm(benchmark::State& state) {
    VRX_network net;
    RequireSuccess(net.ReadFile((std::string(VOVIDO_NETWORKS_DIR) + "/alarm.xvrx").c_str()), "reading alarm");
    DataSet data;
    RequireSuccess(
        vovido::test::SampleRecords(net, static_cast<int>(state.range(0)), 2024, data) ? kSuccess : kFailure,
        "sampling");
    vovido::test::HideValues(data, 0.2, 7);
    // Columns follow the network's handle order, and so do the graph's nodes.
    dag graph;
    RequireSuccess(graph.import_data_set(data) ? kSuccess : kFailure, "importing");
    VRX_intArray all;
    RequireSuccess(net.GetAllNodes(all), "listing nodes");
    for (int i = 0; i < all.GetCount(); ++i) {
        const VRX_intArray& parents = net.GetParents(all[i]);
        for (int k = 0; k < parents.GetCount(); ++k) {
            const int p = graph.find_node(net.GetNode(parents[k])->GetId());
            RequireSuccess(graph.add_arc(p, i) == 1 ? kSuccess : kFailure, "adding an arc");
        }
    }
    graph.set_missing_data(true);
    int iterations = 0;
    for (auto _ : state) {
        graph.seed() = -3;
        em_run run(graph);
        RequireSuccess(run.run(), "EM");
        iterations = run.iterations();
    }
    state.counters["iterations"] = iterations;
}
BENCHMARK(BM_LearningGraphEmAlarm)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
