// Importance sampling after loopy pre-propagation and its cut-off step.
#include "inference/epis_sampling.h"

#include <algorithm>
#include <cstdint>

#include "base/dmatrix.h"
#include "base/size_limits.h"
#include "inference/loopy_propagation.h"
#include "inference/part_view.h"
#include "inference/sample_net.h"
#include "inference/sampling_draws.h"
#include "inference/sampling_drivers.h"
#include "inference/sampling_work.h"
#include "model/algorithm_settings.h"
#include "model/network.h"

void SampleNet::ApplyEpisCutoff(SampleNode& node) {
    if (!node.isEvidenceAncestor) return;
    const VRX_episParams& params = view->GetEpisParams();
    const int n = node.numOutcomes;
    const double cutoff = n <= params.numstates1   ? params.eps1
                          : n <= params.numstates2 ? params.eps2
                          : n <= params.numstates3 ? params.eps3
                                                   : params.eps4;
    double* importance = node.importanceTable.GetData();
    const int size = node.importanceTable.GetNumberOfElements();
    for (int start = 0; start < size; start += n) {
        double* q = importance + start;
        int nonZero = 0;
        int raised = 0;
        double excess = 0.0;
        for (int k = 0; k < n; k++) {
            if (q[k] == 0.0) continue;
            nonZero++;
            if (cutoff > q[k]) {
                excess += cutoff - q[k];
                q[k] = cutoff;
                raised++;
            }
        }
        if (raised > 0 && raised < nonZero) {
            const double share = excess / (nonZero - raised);
            // An entry too small to give its share keeps the cut-off, so it stays possible.
            for (int k = 0; k < n; k++) {
                if (q[k] > cutoff) q[k] = q[k] - share > 0.0 ? q[k] - share : cutoff;
            }
        }
        // The column is drawn from as a distribution: raising entries can leave it above 1.
        double sum = 0.0;
        for (int k = 0; k < n; k++) sum += q[k];
        if (sum > 0.0) {
            for (int k = 0; k < n; k++) q[k] /= sum;
        }
    }
}

namespace {

// The network's largest node height, computed once for every part of a run (-1 outside a run): each
// computation walks the whole network, and a network of many parts would walk it once a part.
thread_local int runHeight = -1;

int NetworkHeight(const PartView& view) {
    return runHeight >= 0 ? runHeight : std::max(view.ComputeHeights(), 0);
}

}  // namespace

int RunPrepropagatedImportanceSampling(SampleNet& net) {
    RandomGenerator& random = vovido::DiscreteSamplerGenerator();
    net.ClearLearningTables();
    net.ResetBeliefs();
    const int n = net.GetNumberOfNodes();
    for (int i = 0; i < n; i++) net.GetNode(i).InitMessages();
    vovido::SeedSamplerForRun();

    const int passes = std::min(NetworkHeight(net.GetView()), net.GetView().GetEpisParams().proplen);
    for (int pass = 0; pass < passes; pass++) {
        // Zero-sum beliefs become uniform here, so a pass never fails.
        (void)vovido::RunLoopyPass(net, true);
    }
    for (int i = 0; i < n; i++) {
        SampleNode& node = net.GetNode(i);
        node.NormalizeMessages();
        vovido::CollectLambda(node, node.lambda);
        const int size = node.importanceTable.GetNumberOfElements();
        const double* table = node.table->GetData();
        double* importance = node.importanceTable.GetData();
        for (int e = 0; e < size; e++) importance[e] = node.lambda[e % node.numOutcomes] * table[e];
        // A zero the passes give is sound (they only rule out what the evidence rules out), so the proposal
        // keeps it: sampling it would only waste draws.
        vovido::NormalizeColumns(importance, size, node.numOutcomes, nullptr);
    }
    for (int i = 0; i < n; i++) {
        if (!net.GetNode(i).IsObserved()) net.ApplyEpisCutoff(net.GetNode(i));
    }
    net.ClearLearningTables();
    const int numSamples = net.GetView().GetNumberOfSamples();
    net.DrawBeliefSamples(random, numSamples);
    return net.WriteSampledBeliefs();
}

namespace {

// The loopy passes walk every node's parent configurations once for its pi and once a parent for its
// messages; the samples draw every node from its table and its importance table.
PartWork CountPrepropagatedSamplingWork(const PartView& view) {
    const int64_t passes = std::min(NetworkHeight(view), std::max(view.GetEpisParams().proplen, 0));
    vovido::SampleSteps steps(2);
    int64_t passSteps = 0;
    PartWork work;
    for (int i = 0; i < view.GetNumberOfNodes(); i++) {
        const VRX_Dmatrix* table = view.GetNodeTable(i);
        const int64_t cells = table != nullptr ? table->GetNumberOfElements() : 0;
        const int outcomes = view.GetNumberOfOutcomes(i);
        const double uncertainty = view.GetEvidence(i) >= 0 || table == nullptr
                                       ? 0.0
                                       : vovido::DrawUncertainty(table->GetData(), cells, outcomes);
        steps.AddRecord(outcomes, view.GetNumberOfParents(i), cells, uncertainty, 0,
                        vovido::WaitsForPrevious(view, i));
        if (view.GetEvidence(i) < 0) work.copied += cells;
        const int64_t configurations = cells / std::max(outcomes, 1);
        passSteps = vovido::SaturatingSum(
            passSteps,
            vovido::SaturatingProduct(configurations, 2 * int64_t{view.GetNumberOfParents(i)} + outcomes));
    }
    work.samples = view.GetNumberOfSamples();
    work.cells = steps.Cells();
    // A step of a pass reads the tables and messages across: it weighs as many sampling steps as the
    // two limits differ.
    const int64_t passWork = vovido::SaturatingProduct(vovido::SaturatingProduct(passes, passSteps),
                                                       kMaxSamplingWorkSteps / kMaxLoopyWorkSteps);
    work.steps = vovido::SaturatingSum(passWork, vovido::SaturatingProduct(work.samples, steps.PerSample()));
    return work;
}

}  // namespace

int RunPrepropagatedImportanceSamplingOnParts(VRX_network& network) {
    if (const int rc = vovido::CheckSampleCount(network.numSamples, kNoUsefulSamples)) return rc;
    runHeight = std::max(network.ComputeHeights(), 0);
    const int rc = RunSamplingOnParts(network, RunPrepropagatedImportanceSampling,
                                      SampleNet::kImportanceTables, CountPrepropagatedSamplingWork);
    runHeight = -1;
    return rc;
}
