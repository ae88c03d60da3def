// Adaptive importance sampling and its importance-table steps.
#include "inference/ais_sampling.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/sample_net.h"
#include "inference/sampling_draws.h"
#include "inference/sampling_drivers.h"
#include "inference/sampling_work.h"
#include "model/network.h"

void SampleNet::StartImportanceTable(SampleNode& node) {
    if (!node.isEvidenceAncestor) return;
    const double* table = node.table->GetData();
    std::copy(table, table + node.table->GetNumberOfElements(), node.importanceTable.GetData());
}

void SampleNet::UpdateImportanceTable(SampleNode& node) {
    const int n = node.numOutcomes;
    const int size = node.table->GetNumberOfElements();
    double* importance = node.importanceTable.GetData();
    for (int start = 0; start < size; start += n) {
        const double* learned = node.learningTable.data() + start / n * (n + 1);
        double sum = 0.0;
        for (int k = 0; k < n; k++) sum += learned[k];
        if (!(sum > 0.0) || !std::isfinite(sum)) continue;
        // A column is moved towards its weighted frequencies as far as the samples behind them are worth:
        // a column reached by a few samples, or by one heavy sample among light ones, keeps most of its
        // table. Frequencies of a handful of samples taken at the full rate make the tables of hundreds of
        // nodes peaked at random, and the weights of the final samples then differ by tens of orders.
        const double worth = learned[n] > 0.0 ? sum / learned[n] * sum : 0.0;
        const double rate =
            learningRate * worth / (worth + vovido::AdaptiveSamplingSettings::kLearningPriorSamples * n);
        for (int k = 0; k < n; k++) {
            importance[start + k] = rate * learned[k] / sum + (1.0 - rate) * importance[start + k];
        }
    }
    std::fill(node.learningTable.begin(), node.learningTable.end(), 0.0);
    vovido::NormalizeColumns(importance, size, n, node.table->GetData());
}

int RunAdaptiveImportanceSampling(SampleNet& net) {
    using namespace vovido::AdaptiveSamplingSettings;
    RandomGenerator& random = vovido::DiscreteSamplerGenerator();
    net.learningRate = kStartingLearningRate;
    vovido::SeedSamplerForRun();
    net.ClearLearningTables();
    net.ResetBeliefs();
    const int n = net.GetNumberOfNodes();
    // Every importance table starts as the node's own table, so the first learning samples are those of
    // likelihood weighting. Raising small entries to a cut-off, or making the parents of evidence uniform,
    // changes the draw of every evidence ancestor a little; over hundreds of them the weights then spread
    // over tens of orders, a handful of samples decides every belief and learning cannot recover.
    for (int i = 0; i < n; i++) {
        if (!net.GetNode(i).IsObserved()) net.StartImportanceTable(net.GetNode(i));
    }
    // Without evidence ancestors nothing is learned: every importance table stays its table.
    bool learns = false;
    for (int i = 0; i < n && !learns; i++) learns = net.GetNode(i).isEvidenceAncestor;
    for (int t = 1; learns && t <= kLearningSamples; t++) {
        net.AccumulateLearning(net.DrawLearningSample(random));
        if (t % kUpdateInterval != 0) continue;
        for (int i = 0; i < n; i++) {
            if (net.GetNode(i).isEvidenceAncestor) net.UpdateImportanceTable(net.GetNode(i));
        }
        net.RestartLearningScale();
        net.learningRate *= kLearningRateDecay;
    }
    net.ClearLearningTables();
    const int numSamples = net.GetView().GetNumberOfSamples();
    net.DrawBeliefSamples(random, numSamples);
    return net.WriteSampledBeliefs();
}

namespace {

// The learning samples draw the evidence ancestors and weigh the observed nodes, the final ones draw every
// node, each reading its table and importance table (the learning table is only added to, which no draw
// waits for).
PartWork CountAdaptiveSamplingWork(const PartView& view) {
    using namespace vovido::AdaptiveSamplingSettings;
    const std::vector<char> ancestors = vovido::FindEvidenceAncestors(view);
    vovido::SampleSteps learning(2);
    vovido::SampleSteps final(2);
    int lastLearned = -1;
    int64_t learnedCells = 0;
    int64_t unobservedCells = 0;
    for (int i = 0; i < view.GetNumberOfNodes(); i++) {
        const VRX_Dmatrix* table = view.GetNodeTable(i);
        const int64_t cells = table != nullptr ? table->GetNumberOfElements() : 0;
        if (ancestors[static_cast<size_t>(i)] != 0) learnedCells += cells;
        if (view.GetEvidence(i) < 0) unobservedCells += cells;
        const int outcomes = view.GetNumberOfOutcomes(i);
        const int parents = view.GetNumberOfParents(i);
        // The importance tables start as the tables: their draws are as uncertain, until learned.
        const double uncertainty = view.GetEvidence(i) >= 0 || table == nullptr
                                       ? 0.0
                                       : vovido::DrawUncertainty(table->GetData(), cells, outcomes);
        if (ancestors[static_cast<size_t>(i)] != 0 || view.GetEvidence(i) >= 0) {
            const std::vector<int>& parentIndices = view.GetParentIndices(i);
            const bool waits = lastLearned >= 0 && std::find(parentIndices.begin(), parentIndices.end(),
                                                             lastLearned) != parentIndices.end();
            learning.AddRecord(outcomes, parents, cells, uncertainty, 0, waits);
            lastLearned = i;
        }
        final.AddRecord(outcomes, parents, cells, uncertainty, 0, vovido::WaitsForPrevious(view, i));
    }
    PartWork work;
    work.samples = int64_t{view.GetNumberOfSamples()} + kLearningSamples;
    work.cells = final.Cells();
    work.steps =
        vovido::SaturatingSum(vovido::SaturatingProduct(kLearningSamples, learning.PerSample()),
                              vovido::SaturatingProduct(view.GetNumberOfSamples(), final.PerSample()));
    // Each update of the importance tables reads, mixes, empties and normalises the learned tables whole,
    // some passes over memory: kUpdateSteps steps a cell.
    constexpr int64_t kUpdateSteps = 10;
    work.steps = vovido::SaturatingSum(
        work.steps,
        vovido::SaturatingProduct(learnedCells, kUpdateSteps * int64_t{kLearningSamples / kUpdateInterval}));
    work.copied = vovido::SaturatingSum(unobservedCells, learnedCells);
    return work;
}

}  // namespace

int RunAdaptiveImportanceSamplingOnParts(VRX_network& network) {
    if (const int rc = vovido::CheckSampleCount(network.numSamples, kNoUsefulSamples)) return rc;
    return RunSamplingOnParts(network, RunAdaptiveImportanceSampling,
                              SampleNet::kImportanceTables | SampleNet::kLearningTables,
                              CountAdaptiveSamplingWork);
}
