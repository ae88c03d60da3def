// Streams of belief updates on link (724 nodes of a genetic pedigree, whose whole join tree no update can
// build) under the exact algorithms: each update under a set of 2 to 12 findings of its own, drawn by
// forward sampling, so that decomposition picks its groups' orders and trees anew each time. Each stream
// runs in a child process, so that its peak memory is reported with its time.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "base/double_array.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "bench/bench_check.h"
#include "bench/bench_networks.h"
#include "bench/run_in_child.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace {

constexpr char kLink[] = VOVIDO_NETWORKS_DIR "/large/link.xvrx";

// Minus the number of updates refused (a join tree past the limits); an error other than a refusal ends
// the stream with its status.
int UpdateEach(VRX_network& net, const std::vector<std::vector<std::pair<int, int>>>& sets) {
    int refused = 0;
    for (const auto& set : sets) {
        if (const int rc = net.ClearAllEvidence()) return rc;
        for (const auto& [h, outcome] : set) {
            if (const int rc = net.GetNode(h)->GetValue()->SetEvidence(outcome)) return rc;
        }
        const int rc = net.UpdateBeliefs();
        if (rc != 0 && rc != kOutOfMemory) return rc;
        refused += rc != 0 ? 1 : 0;
    }
    return -refused;
}

// Arguments: algorithm, first set (of the stream of 24 sets of 2 to 12 findings), sets. "status" is minus
// the number of updates refused.
void BM_LinkStream(benchmark::State& state) {
    vovido::bench::RunInChild(state, [&state] {
        VRX_network net;
        if (const int rc = net.ReadFile(kLink)) return rc;
        net.SetBayesianAlgorithm(static_cast<int>(state.range(0)));
        std::vector<int> counts;
        for (int i = 0; i < 24; i++) counts.push_back(2 + i % 11);
        const auto all = vovido::SampleFindings(net, counts);
        const auto first = all.begin() + state.range(1);
        return UpdateEach(net, {first, first + state.range(2)});
    });
}
BENCHMARK(BM_LinkStream)
    ->ArgsProduct({{0, 11, 12}, {0}, {12}})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// One update under named findings, NODE=OUTCOME, or NODE~w0,w1 for a likelihood.
int UpdateUnder(int algorithm, const std::vector<std::string>& findings) {
    VRX_network net;
    if (const int rc = net.ReadFile(kLink)) return rc;
    net.SetBayesianAlgorithm(algorithm);
    for (const std::string& finding : findings) {
        const size_t at = finding.find_first_of("=~");
        VRX_node* node = net.GetNode(net.FindNode(finding.substr(0, at).c_str()));
        if (finding[at] == '=') {
            const int outcome =
                node->GetDefinition()->GetOutcomesNames()->FindPosition(finding.c_str() + at + 1);
            if (const int rc = node->GetValue()->SetEvidence(outcome)) return rc;
            continue;
        }
        VRX_doubleArray weights;
        const size_t comma = finding.find(',', at);
        if (weights.Add(std::stod(finding.substr(at + 1, comma - at - 1))) != 0 ||
            weights.Add(std::stod(finding.substr(comma + 1))) != 0)
            return -1;
        if (const int rc = node->GetValue()->SetVirtualEvidence(weights)) return rc;
    }
    return net.UpdateBeliefs();
}

// Six hard findings whose groups' trees in the order of identifiers pass the limit at tens of millions of
// entries, where halving builds trees of thousands (arguments: algorithm); and three findings with a
// likelihood under algorithm 12, refused for a target that fits in neither order.
void BM_LinkSixFindings(benchmark::State& state) {
    vovido::bench::RunInChild(state, [&state] {
        return UpdateUnder(static_cast<int>(state.range(0)), {"N62_a_m=x3", "Z_35_a_f=m", "Z_70_d_m=m",
                                                              "N73_a_m=x2", "Z_30_d_f=m", "N38_a_m=x2"});
    });
}
BENCHMARK(BM_LinkSixFindings)->Arg(0)->Arg(11)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_LinkRefusedLikelihood(benchmark::State& state) {
    vovido::bench::RunInChild(state, [] {
        return UpdateUnder(12, {"N53_d_m=x2", "Z_26_a_m=m", "Z_9_d_f=f", "D0_58_d_p~1.03787,0.57102"});
    });
}
BENCHMARK(BM_LinkRefusedLikelihood)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
