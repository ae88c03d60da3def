// Helpers shared by the sampling drivers, and the per-part runner of the sampling-network algorithms.
#include "inference/sampling_drivers.h"

#include <new>
#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/effective_samples.h"
#include "inference/impossible_evidence.h"
#include "inference/missed_outcomes.h"
#include "inference/part_view.h"
#include "inference/sample_net.h"
#include "inference/sampling_work.h"
#include "model/network.h"
#include "model/node.h"

using vovido::RelevantPartList;

using vovido::CheckEvidencePossible;

int RemoveSingleNodeParts(RelevantPartList& parts) {
    size_t kept = 0;
    int result = kSuccess;
    for (size_t p = 0; p < parts.size(); p++) {
        if (parts[p]->GetNumberOfRecords() == 1) {
            const int rc = parts[p]->GetRecord(0)->WriteBeliefs();
            if (rc != kSuccess && result == kSuccess) result = rc;
            parts[p].reset();
            continue;
        }
        if (kept != p) parts[kept] = std::move(parts[p]);
        kept++;
    }
    parts.resize(kept);
    return result;
}

namespace {

constexpr int kNamedNodes = 5;

}  // namespace

void AppendPartNodeName(const PartView& view, int i, int& named, std::string& out) {
    const VRX_node* node = view.GetNetwork()->GetNode(view.GetNodeHandle(i));
    if (node == nullptr || node->GetId() == nullptr || node->GetId()[0] == '\0') return;
    if (named++ == kNamedNodes) out += ", ...";
    if (named > kNamedNodes) return;
    if (named > 1) out += ", ";
    out += std::string("[") + node->GetId() + "]";
}

int LogNoUsefulSamples(const PartView& view) {
    std::string nodes;
    std::string observed;
    int namedNodes = 0;
    int namedObserved = 0;
    try {
        for (int i = 0; i < view.GetNumberOfNodes(); i++) {
            if (view.GetNodeHandle(i) < 0) continue;
            AppendPartNodeName(view, i, namedNodes, nodes);
            if (view.GetEvidence(i) >= 0) AppendPartNodeName(view, i, namedObserved, observed);
        }
        // The scratch networks of other solvers have nodes without identifiers: their callers name the cause.
        if (namedNodes == 0)
            return LogError(errorLog, kNoUsefulSamples, vovido::kNoUsefulSamplesText, nullptr);
        const std::string message =
            std::string(vovido::kNoUsefulSamplesText) + " The part of " + std::to_string(namedNodes) +
            " nodes " + nodes +
            (observed.empty() ? std::string(" has no evidence")
                              : " has no sample that matches the evidence on " + observed);
        return LogError(errorLog, kNoUsefulSamples, message.c_str(), nullptr);
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kNoUsefulSamples, vovido::kNoUsefulSamplesText, nullptr);
    }
}

double NormalizeVector(double* values, int n, double sum) {
    if (sum == 0.0) {
        for (int i = 0; i < n; i++) sum += values[i];
        if (sum == 0.0) return 0.0;
    }
    for (int i = 0; i < n; i++) values[i] /= sum;
    return sum;
}

namespace {

int CheckPartsWork(RelevantPartList& parts, PartWorkCounter count, int64_t limit) {
    vovido::SamplingWork work(limit);
    try {
        for (std::unique_ptr<RelevanceGraph>& part : parts) {
            PartView view(*part);
            // In the order of the draws, as the sampling network will put them.
            int rc = view.GetStatus();
            if (rc == kSuccess) rc = view.SortTopologically();
            if (rc != kSuccess) return LogError(errorLog, rc, nullptr, nullptr);
            const PartWork counted = count(view);
            work.AddPart(*part, counted.samples, counted.steps, counted.cells, counted.copied);
        }
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    }
    return work.Check();
}

}  // namespace

int RunSamplingOnParts(VRX_network& network, int (*body)(SampleNet& net), int tables, PartWorkCounter count) {
    network.InvalidateValues();
    if (const int rc = CheckEvidencePossible(network)) return rc;
    int status = kSuccess;
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(network, true, true, &status);
    if (parts == nullptr) return status != kSuccess ? LogError(errorLog, status, nullptr, nullptr) : kSuccess;
    if (count != nullptr) {
        if (const int rc =
                CheckPartsWork(*parts, count, vovido::SamplingStepLimit(network.GetBayesianAlgorithm())))
            return rc;
    }
    vovido::EffectiveSamples effective;
    vovido::MissedOutcomes missed;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        int setUp = kSuccess;
        int result = kSuccess;
        try {
            PartView view(*part);
            SampleNet net(view);
            setUp = net.GetStatus();
            if (setUp == kSuccess) setUp = net.PrepareTables(tables);
            if (setUp == kSuccess) result = body(net);
            net.ReleaseTables();
            if (setUp == kSuccess && result < 0) return LogNoUsefulSamples(view);
            if (setUp == kSuccess) {
                effective.AddPart(view, net.BeliefWeightSum(), net.BeliefWeightSquares(),
                                  view.GetNumberOfSamples());
                // Loopy propagation draws no sample: its zeros are the tables'.
                const bool sampled = net.BeliefWeightSum() > 0.0;
                for (int i = 0; i < net.GetNumberOfNodes(); i++) {
                    if (view.GetRecord(i)->node == nullptr) continue;
                    effective.AddNodeSpread(view, i, net.BeliefStandardError(i), view.GetNumberOfSamples());
                    if (sampled) missed.AddNode(view, i, net.GetNode(i).beliefs.data());
                }
            }
        } catch (const std::bad_alloc&) {
            setUp = kOutOfMemory;
        }
        if (setUp != kSuccess) return LogError(errorLog, setUp, nullptr, nullptr);
        part.reset();
    }
    effective.Warn();
    missed.Warn();
    return kSuccess;
}
