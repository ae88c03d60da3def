// Timing of one ranking of the unperformed tests of a troubleshooting session on the reference
// networks hepar2 (diseases as faults) and win95pts (printer faults), with 20 observations open: the
// single-fault ranking of the most likely fault, and the multi-fault modes over three faults.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "base/error_log.h"
#include "bench/bench_check.h"
#include "inference/diag_session.h"
#include "model/network.h"
#include "tests/support/costly_networks.h"
#include "tests/support/diagnosis_roles.h"

namespace {

using vovido::RequireSuccess;

const char* const kNetworks[] = {"hepar2", "win95pts"};

struct Session {
    VRX_network net;
    DiagSession session;
};

std::unique_ptr<Session> Start(const std::string& name) {
    auto s = std::make_unique<Session>();
    RequireSuccess(s->net.ReadFile((std::string(VOVIDO_NETWORKS_DIR) + "/" + name + ".xvrx").c_str()),
                   "read");
    RequireSuccess(vovido::test::SetReferenceRoles(s->net, name, 20) ? kSuccess : kFailure, "roles");
    RequireSuccess(s->session.SetNetwork(&s->net), "session");
    RequireSuccess(s->session.CollectFaultsAndObservations(), "lists");
    RequireSuccess(s->session.UpdateFaultBeliefs(), "fault beliefs");
    RequireSuccess(s->session.SetPursuedFault(s->session.FindMostLikelyFault()), "pursued fault");
    if (s->session.GetUnperformedTests().GetCount() != 20) RequireSuccess(kFailure, "20 open tests");
    errorLog.Flush();
    return s;
}

void Rank(benchmark::State& state, int flags) {
    const std::string name = kNetworks[state.range(0)];
    state.SetLabel(name);
    std::unique_ptr<Session> s = Start(name);
    if (flags != 0) {
        VRX_intArray faults;
        for (int i = 0; i < 3; ++i) RequireSuccess(faults.Add(i), "fault list");
        RequireSuccess(s->session.SetPursuedFaults(faults), "pursued faults");
    }
    for (auto _ : state) {
        RequireSuccess(s->session.ComputeTestStrengths(flags), "ranking");
        benchmark::DoNotOptimize(s->session.GetResults().data());
    }
    state.SetItemsProcessed(state.iterations() * s->session.GetUnperformedTests().GetCount());
}

void BM_DiagRankSingleFault(benchmark::State& state) {
    Rank(state, 0);
}
void BM_DiagRankMarginal(benchmark::State& state) {
    Rank(state, vovido::DiagMode::kMarginal);
}
void BM_DiagRankIndependent(benchmark::State& state) {
    Rank(state, vovido::DiagMode::kConfigurationsIndependent);
}
void BM_DiagRankJoint(benchmark::State& state) {
    Rank(state, vovido::DiagMode::kConfigurationsJoint);
}

BENCHMARK(BM_DiagRankSingleFault)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiagRankMarginal)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiagRankIndependent)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiagRankJoint)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// The multi-fault modes on a troubleshooting network of 40 faults and 50 tests (or, with a third
// argument, of that many faults and as many tests), pursuing the first k faults. Arguments: mode bit, k.
// Ranked once; a refusal (status -42) counts as a fast answer.
void BM_DiagRankManyFaults(benchmark::State& state) {
    VRX_network net;
    const int count = state.range(2) > 0 ? static_cast<int>(state.range(2)) : 40;
    RequireSuccess(vovido::test::BuildTroubleshootingNetwork(net, count, state.range(2) > 0 ? count : 50),
                   "network");
    DiagSession session;
    RequireSuccess(session.SetNetwork(&net), "session");
    RequireSuccess(session.CollectFaultsAndObservations(), "lists");
    RequireSuccess(session.UpdateFaultBeliefs(), "fault beliefs");
    VRX_intArray faults;
    for (int i = 0; i < state.range(1); ++i) RequireSuccess(faults.Add(i), "fault list");
    RequireSuccess(session.SetPursuedFaults(faults), "pursued faults");
    int status = kSuccess;
    for (auto _ : state) {
        status = session.ComputeTestStrengths(static_cast<int>(state.range(0)));
        errorLog.Flush();
    }
    state.counters["status"] = status;
}
BENCHMARK(BM_DiagRankManyFaults)
    ->ArgsProduct({{vovido::DiagMode::kConfigurationsJoint}, {8, 10, 12, 16, 17, 40}, {0}})
    ->ArgsProduct({{vovido::DiagMode::kConfigurationsIndependent}, {12, 20, 40}, {0}})
    ->ArgsProduct({{vovido::DiagMode::kConfigurationsJoint}, {12, 15, 16}, {60}})  // 1, 5 s; refused
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
