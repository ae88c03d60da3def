// Counting the draws of a sampling run before the first of them.
#include "inference/sampling_work.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "inference/ais_sampling.h"
#include "inference/part_view.h"
#include "inference/sampling_drivers.h"
#include "model/network.h"

namespace vovido {

int64_t SaturatingProduct(int64_t a, int64_t b) {
    return b > 0 && a > INT64_MAX / b ? INT64_MAX : a * b;
}

int64_t SaturatingSum(int64_t a, int64_t b) {
    return a > INT64_MAX - b ? INT64_MAX : a + b;
}

void SampleSteps::AddRecord(int outcomes, int parents, int64_t cells, double uncertainty, int64_t extraSteps,
                            bool waits, double reach) {
    const auto guesses = static_cast<int64_t>(
        std::lround(std::clamp(uncertainty, 0.0, 1.0) * static_cast<double>(kSampleUncertainSteps)));
    int64_t own = SaturatingSum(int64_t{outcomes} + parents + kSampleRecordSteps + guesses, extraSteps);
    if (waits) own = SaturatingSum(own, kSampleWaitSteps);
    if (reach < 1.0) own = static_cast<int64_t>(std::ceil(static_cast<double>(own) * reach));
    steps_ = SaturatingSum(steps_, own);
    cells_ = SaturatingSum(cells_, cells);
    records_ += reach;
    if (waits) waiting_ += reach;
}

int64_t SampleSteps::PerSample() const {
    // Past the caches every draw waits for memory: the share of the tables beyond them, a record.
    const auto bytes = static_cast<double>(SaturatingProduct(cells_, 8 * int64_t{tablesRead_}));
    const auto missSteps = [bytes](int64_t cache) {
        return std::min(1.0, bytes / static_cast<double>(cache)) * static_cast<double>(kSampleMissSteps);
    };
    const double misses =
        (records_ - waiting_) * missSteps(kSampleCacheBytes) + waiting_ * missSteps(kSampleNearCacheBytes);
    return SaturatingSum(steps_, static_cast<int64_t>(misses));
}

double DrawUncertainty(const double* table, int64_t cells, int outcomes) {
    if (table == nullptr || outcomes < 1 || cells < outcomes) return 0.0;
    double missed = 0.0;
    for (int64_t start = 0; start + outcomes <= cells; start += outcomes) {
        double likeliest = 0.0;
        double sum = 0.0;
        for (int k = 0; k < outcomes; k++) {
            likeliest = std::max(likeliest, table[start + k]);
            sum += table[start + k];
        }
        if (sum > 0.0) missed += 1.0 - std::min(likeliest / sum, 1.0);
    }
    return missed / static_cast<double>(cells / outcomes);
}

void SamplingWork::AddPart(RelevanceGraph& part, int64_t samples, int64_t work, int64_t cells,
                           int64_t copied) {
    total_ = SaturatingSum(total_, work);
    copied_ = SaturatingSum(copied_, copied);
    ++parts_;
    if (copied > mostCopies_) {
        mostCopied_ = &part;
        mostCopies_ = copied;
        mostCopiedCells_ = cells;
    }
    if (work <= largestWork_) return;
    largest_ = &part;
    largestWork_ = work;
    largestSamples_ = samples;
    largestCells_ = cells;
}

namespace {

// "the part of 8 nodes [a], [b], ... (tables of 36 cells)"
std::string DescribePart(RelevanceGraph& part, int64_t cells) {
    std::string nodes;
    int named = 0;
    PartView view(part);
    for (int i = 0; i < view.GetNumberOfNodes(); i++) {
        if (view.GetNodeHandle(i) >= 0) AppendPartNodeName(view, i, named, nodes);
    }
    return "the part of " + std::to_string(view.GetNumberOfNodes()) + " nodes " + nodes + " (tables of " +
           std::to_string(cells) + " cells)";
}

}  // namespace

bool SamplingWork::Within() const {
    return copied_ <= kMaxSampleCopyCells && total_ <= limit_;
}

int SamplingWork::Check() const {
    const std::string others = parts_ > 1 ? ", with the other parts," : "";
    if (copied_ > kMaxSampleCopyCells && mostCopied_ != nullptr) {
        const std::string text = "ERROR: Sampling " + DescribePart(*mostCopied_, mostCopiedCells_) + others +
                                 " would copy " + std::to_string(copied_) +
                                 " cells into working tables, past the limit of " +
                                 std::to_string(kMaxSampleCopyCells) + " cells";
        return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
    }
    if (total_ <= limit_ || largest_ == nullptr) return kSuccess;
    const std::string text = "ERROR: Sampling " + DescribePart(*largest_, largestCells_) + " " +
                             std::to_string(largestSamples_) + " times" + others + " would take " +
                             std::to_string(total_) + " steps, past the limit of " + std::to_string(limit_) +
                             " steps";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int64_t BackwardRowSteps(int64_t cells, int outcomes) {
    const double outOfCache = std::min(1.0, static_cast<double>(cells) * 8.0 / kSampleNearCacheBytes);
    const double row = static_cast<double>(cells / std::max(outcomes, 1));
    const double steps = 2.0 * row * (1.0 + 3.0 * outOfCache);
    return SaturatingSum(kBackwardDrawSteps, steps < 9e18 ? static_cast<int64_t>(steps) : INT64_MAX);
}

int64_t SamplingStepLimit(int algorithm) {
    switch (algorithm) {
        case BayesianAlgorithm::kLogicSampling:
            return kMaxLogicSamplingSteps;
        case BayesianAlgorithm::kLikelihoodWeighting:
        case BayesianAlgorithm::kLikelihoodWeightingToo:
            return kMaxLikelihoodWeightingSteps;
        case BayesianAlgorithm::kBackwardSampling:
            return kMaxBackwardSamplingSteps;
        case BayesianAlgorithm::kSelfImportanceSampling:
            return kMaxSelfImportanceSamplingSteps;
        case BayesianAlgorithm::kAdaptiveImportanceSampling:
            return kMaxAdaptiveSamplingSteps;
        default:
            return kMaxPrepropagatedSamplingSteps;
    }
}

bool WaitsForPrevious(const PartView& view, int i) {
    for (int p : view.GetParentIndices(i)) {
        if (p == i - 1) return true;
    }
    return false;
}

std::vector<char> FindEvidenceAncestors(const PartView& view) {
    const int n = view.GetNumberOfNodes();
    std::vector<char> ancestor(static_cast<size_t>(n), 0);
    std::vector<int> stack;
    for (int i = 0; i < n; i++) {
        if (view.GetEvidence(i) < 0) continue;
        stack.assign(view.GetParentIndices(i).begin(), view.GetParentIndices(i).end());
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            if (p < 0 || ancestor[static_cast<size_t>(p)] != 0) continue;
            ancestor[static_cast<size_t>(p)] = 1;
            stack.insert(stack.end(), view.GetParentIndices(p).begin(), view.GetParentIndices(p).end());
        }
    }
    for (int i = 0; i < n; i++) {
        if (view.GetEvidence(i) >= 0) ancestor[static_cast<size_t>(i)] = 0;
    }
    return ancestor;
}

std::vector<char> NodesAndAncestors(const VRX_network& network, const std::vector<int>& handles) {
    std::vector<char> marked(static_cast<size_t>(std::max(network.GetNumberOfSlots(), 0)), 0);
    std::vector<int> stack;
    for (int h : handles) {
        if (h < 0 || static_cast<size_t>(h) >= marked.size() || marked[static_cast<size_t>(h)] != 0) continue;
        marked[static_cast<size_t>(h)] = 1;
        stack.push_back(h);
    }
    while (!stack.empty()) {
        const VRX_intArray& parents = network.GetParents(stack.back());
        stack.pop_back();
        for (int i = 0; i < parents.GetCount(); ++i) {
            if (marked[static_cast<size_t>(parents[i])] != 0) continue;
            marked[static_cast<size_t>(parents[i])] = 1;
            stack.push_back(parents[i]);
        }
    }
    return marked;
}

int64_t EstimateSamplingUpdateSteps(const VRX_network& network, const std::vector<char>& read) {
    int tablesRead = 1;
    int64_t samples = network.numSamples;
    switch (network.GetBayesianAlgorithm()) {
        case BayesianAlgorithm::kLogicSampling:
        case BayesianAlgorithm::kLikelihoodWeighting:
        case BayesianAlgorithm::kLikelihoodWeightingToo:
        case BayesianAlgorithm::kBackwardSampling:
            break;
        case BayesianAlgorithm::kSelfImportanceSampling:
            tablesRead = 3;
            break;
        case BayesianAlgorithm::kAdaptiveImportanceSampling:
            tablesRead = 2;
            samples += AdaptiveSamplingSettings::kLearningSamples;
            break;
        case BayesianAlgorithm::kPrepropagatedImportanceSampling:
            tablesRead = 2;
            break;
        default:
            return 0;
    }
    SampleSteps steps(tablesRead);
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (!read.empty() && read[static_cast<size_t>(h)] == 0) continue;
        // Without reading the tables, every draw counts as foreseen: a lower bound.
        steps.AddRecord(DefinitionSupport::OutcomeCountOf(&network, h), network.GetParents(h).GetCount(),
                        DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0), 0.0);
    }
    return SaturatingProduct(std::max<int64_t>(samples, 0), steps.PerSample());
}

}  // namespace vovido
