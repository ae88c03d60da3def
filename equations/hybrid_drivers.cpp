// The hybrid belief-update drivers.
#include "equations/hybrid_drivers.h"

#include <cmath>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "base/out_of_memory.h"
#include "base/status_codes.h"
#include "definitions/continuous_values.h"
#include "equations/hybrid_sampling_network.h"
#include "equations/noise_terms.h"
#include "equations/sample_memory.h"
#include "model/network.h"
#include "model/network_settings.h"
#include "model/node.h"
#include "model/node_label.h"

namespace {

// Draws for which a distribution's parameters are invalid (Ln of a negative parent, say) weigh nothing:
// the reports of each are replaced by one warning that says what leaving them out means.
void SummariseInvalidParameters(int first) {
    const std::string call = vovido::DropInvalidParameterReports(first);
    if (call.empty()) return;
    const std::string warning =
        "Warning: draws for which a call of " + call +
        " had invalid parameters were left out: the beliefs are those given parameters "
        "that are valid.";
    LogError(errorLog, kNoUsefulSamples, warning.c_str(), nullptr);
}

// A belief must be finite: one whose mean or spread overflowed (an equation Exp(z) of a wide z) is
// refused, naming the node, and no belief is kept.
int CheckFiniteBeliefs(VRX_network& network) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const auto* value = dynamic_cast<const VRX_valcontinuous*>(network.GetNode(h)->GetValue());
        if (value == nullptr || !value->IsUpToDate() || value->HasEvidence()) continue;
        const bool mean = std::isfinite(value->GetMean());
        if (mean && std::isfinite(value->GetStdDev())) continue;
        (void)network.InvalidateValues();  // always 0
        return vovido::ReportNodeFault(*network.GetNode(h),
                                       mean ? vovido::kInfiniteSpreadText : vovido::kInfiniteValueText,
                                       kOutOfRange);
    }
    return kSuccess;
}

template <class Run>
int RunHybridOnce(VRX_network& network, Run run) {
    // What the last run fixed is not evidence of this one.
    (void)network.ClearAllPropagatedEvidence();  // always 0
    (void)network.InvalidateValues();            // always 0
    if (const int rc = vovido::CheckSampleCount(network.numSamples, kOutOfRange)) return rc;
    if (const int rc = CheckSampleMemory(network.GetNumberOfNodes(), network.numSamples)) return rc;
    int64_t drawTerms = 0;
    if (const int rc = CheckHybridSampleWork(network, drawTerms)) return rc;
    const int first = errorLog.GetNumberOfEntries();
    HybridSampleNet net{HybridNetworkView(network)};
    net.drawTerms = drawTerms;
    const int rc = run(net);
    SummariseInvalidParameters(first);
    if (rc >= 0) net.WarnOfEvidenceInFarTails();
    net.WarnOfStrayWeights();
    if (rc >= 0) return CheckFiniteBeliefs(network);
    // A refusal names the node and the cause: the lack of samples it leads to is no second entry.
    if (!net.GetRefusal().empty()) {
        // What the run warned of on its way there (estimates of few samples) concerns beliefs it never
        // gives: the cause is the only entry.
        std::string rest;
        try {
            (void)vovido::EraseEntriesStartingWith(errorLog, first, "Warning: ", rest);
        } catch (const std::bad_alloc&) {
            // Without memory the warnings stay; the cause follows them.
        }
        LogError(errorLog, kOutOfRange, net.GetRefusal().c_str(), nullptr);
        return kNoUsefulSamples;
    }
    return LogError(errorLog, kNoUsefulSamples, "No useful samples have been generated for some of nodes.",
                    nullptr);
}

// Equation cells holding distribution calls run on a working copy whose calls are noise nodes.
template <class Run>
int RunHybridWithNoiseNodes(VRX_network& network, Run run) {
    VRX_network work(network);
    if (!work.IsValid()) throw std::bad_alloc();  // a copy fails only for want of memory
    // The edits below must start no update of the copy.
    work.propagationFlags &= ~PropagationFlags::kAutoUpdate;
    if (const int rc = SeparateNoiseTerms(work, network)) {
        (void)network.InvalidateValues();  // always 0
        return rc;
    }
    const int rc = RunHybridOnce(work, run);
    if (rc == kSuccess) return CopyBeliefsBack(network, work);
    (void)network.ClearAllPropagatedEvidence();  // always 0
    (void)network.InvalidateValues();            // always 0
    return rc;
}

template <class Run>
int RunHybrid(VRX_network& network, Run run) {
    return vovido::CatchOutOfMemory([&] {
        return HasNoisyEquationCells(network) ? RunHybridWithNoiseNodes(network, run)
                                              : RunHybridOnce(network, run);
    });
}

}  // namespace

int RunHybridMessagePassingSampling(VRX_network& network) {
    return RunHybrid(network, [](HybridSampleNet& net) { return net.RunMessagePassingSampling(true); });
}

int RunHybridImportanceSampling(VRX_network& network) {
    return RunHybrid(network, [](HybridSampleNet& net) { return net.RunImportanceSampling(); });
}

int RunHybridMessagePassing(VRX_network& network) {
    return RunHybrid(network, [](HybridSampleNet& net) { return net.RunMessagePassing(true); });
}

int RunHybridWeightedSampling(VRX_network& network) {
    return RunHybrid(network, [](HybridSampleNet& net) { return net.RunWeightedSampling(); });
}
