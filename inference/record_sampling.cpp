// The common frame of the self-contained samplers.
#include "inference/record_sampling.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/effective_samples.h"
#include "inference/impossible_evidence.h"
#include "inference/missed_outcomes.h"
#include "inference/part_view.h"
#include "inference/relevant_parts.h"
#include "inference/sampling_drivers.h"
#include "inference/sampling_work.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

namespace vovido {

namespace {

int SetUpPart(std::unique_ptr<RelevanceGraph> graph, const RecordSampler& sampler, SampledPart& part) {
    const int sorted = sampler.order == RecordOrder::kLogicSampling ? graph->SortForLogicSampling()
                                                                    : graph->SortTopologically();
    if (sorted != kSuccess) return sorted;
    part.graph = std::move(graph);
    return BuildSamplerRecords(*part.graph, part.records);
}

// Brings the part's sums to the scale of a heavier sample; lighter earlier samples may fade to 0, as
// they would beside it in any case.
void RaiseCountExponent(SampledPart& part, int exponent) {
    const int shift = part.countExponent - exponent;
    part.countExponent = exponent;
    part.totalWeight = std::ldexp(part.totalWeight, shift);
    part.squaredWeight = std::ldexp(part.squaredWeight, 2 * shift);
    part.spread.Rescale(shift);
    for (SamplerRecord& record : part.records) {
        for (int k = 0; k < record.numOutcomes; k++)
            record.weightedCounts[k] = std::ldexp(record.weightedCounts[k], shift);
    }
}

void AddSample(SampledPart& part, bool countsHits, const SampleWeight& drawn) {
    if (countsHits) {
        part.accepted++;
        for (SamplerRecord& record : part.records) record.hitCounts[record.state]++;
        return;
    }
    const SampleWeight sample = drawn.Normalized();
    if (part.totalWeight == 0.0) {
        part.countExponent = sample.exponent;
    } else if (sample.exponent > part.countExponent) {
        RaiseCountExponent(part, sample.exponent);
    }
    const double weight = std::ldexp(sample.mantissa, sample.exponent - part.countExponent);
    part.totalWeight += weight;
    part.squaredWeight += weight * weight;
    for (SamplerRecord& record : part.records) record.weightedCounts[record.state] += weight;
}

// The part's sum of weights, and a record's weighted count of outcome k, on one scale: logic sampling
// counts its accepted samples, each of weight 1.
double TotalWeight(const SampledPart& part, bool countsHits) {
    return countsHits ? static_cast<double>(part.accepted) : part.totalWeight;
}

double WeightedCount(const SamplerRecord& record, int k, bool countsHits) {
    return countsHits ? static_cast<double>(record.hitCounts[k]) : record.weightedCounts[k];
}

// The records whose counts become beliefs that the samples decide.
bool HasSpread(const SamplerRecord& record) {
    return record.node != nullptr && !record.IsObserved();
}

size_t CountSpreadCells(const SampledPart& part) {
    size_t cells = 0;
    for (const SamplerRecord& record : part.records) cells += HasSpread(record) ? record.numOutcomes : 0;
    return cells;
}

void CloseBatch(SampledPart& part, bool countsHits) {
    part.spread.CloseBatch(TotalWeight(part, countsHits));
    size_t cell = 0;
    for (const SamplerRecord& record : part.records) {
        if (!HasSpread(record)) continue;
        for (int k = 0; k < record.numOutcomes; k++, cell++)
            part.spread.CloseCell(cell, WeightedCount(record, k, countsHits));
    }
}

// Each written node's largest standard error between batches.
void AddSpread(const SampledPart& part, const PartView& view, bool countsHits, int64_t samples,
               EffectiveSamples& effective) {
    const double total = TotalWeight(part, countsHits);
    if (!(total > 0.0)) return;
    size_t cell = 0;
    for (size_t i = 0; i < part.records.size(); i++) {
        const SamplerRecord& record = part.records[i];
        if (!HasSpread(record)) continue;
        double widest = 0.0;
        for (int k = 0; k < record.numOutcomes; k++, cell++) {
            const double estimate = WeightedCount(record, k, countsHits) / total;
            widest = std::max(widest, part.spread.StandardError(cell, estimate, total));
        }
        effective.AddNodeSpread(view, static_cast<int>(i), widest, samples);
    }
}

// The outcomes of each written node that no kept sample reached.
void AddMissed(const SampledPart& part, const PartView& view, bool countsHits, MissedOutcomes& missed) {
    std::vector<double> counts;
    for (size_t i = 0; i < part.records.size(); i++) {
        const SamplerRecord& record = part.records[i];
        if (!HasSpread(record)) continue;
        try {
            counts.resize(static_cast<size_t>(record.numOutcomes));
        } catch (const std::bad_alloc&) {
            return;  // a check that cannot be made warns of nothing
        }
        for (int k = 0; k < record.numOutcomes; k++) counts[k] = WeightedCount(record, k, countsHits);
        missed.AddNode(view, static_cast<int>(i), counts.data());
    }
}

// The beliefs of every record with a node; 0, or kNoUsefulSamples (logged) when the part has no useful
// sample.
int WritePart(SampledPart& part, PartView& view, bool countsHits) {
    const double total = TotalWeight(part, countsHits);
    if (view.GetStatus() != kSuccess) return LogError(errorLog, view.GetStatus(), nullptr, nullptr);
    const int n = static_cast<int>(part.records.size());
    if (!(total > 0.0)) {
        for (const SamplerRecord& record : part.records) {
            VRX_nodeValue* value = record.node != nullptr ? record.node->GetValue() : nullptr;
            if (value != nullptr && !value->HasEvidence()) value->SetValueFlag(ValueFlags::kUpToDate, false);
        }
        return LogNoUsefulSamples(view);
    }
    for (int i = 0; i < n; i++) {
        const SamplerRecord& record = part.records[i];
        if (record.node == nullptr) continue;
        double* beliefs = view.GetBeliefBuffer(i);
        if (beliefs == nullptr) return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
        for (int k = 0; k < record.numOutcomes; k++)
            beliefs[k] = WeightedCount(record, k, countsHits) / total;
        view.MarkUpToDate(i);
    }
    return kSuccess;
}

}  // namespace

namespace {

double LikeliestColumnEntry(const SamplerRecord& record) {
    double most = 0.0;
    const int size = record.table->GetNumberOfElements();
    for (int start = 0; start < size; start += record.numOutcomes)
        most = std::max(most, record.tableData[start + record.evidence]);
    return std::min(most, 1.0);
}

// Trial samples of a sampler whose samples may end part-way, and the share of the limit they may take.
constexpr int64_t kReachTrialSamples = 1024;
constexpr int64_t kReachTrialShare = 64;

// The steps of the sampler's draws over every part. A rejecting sampler reaches each record no more often
// than the likeliest columns of the observed records before it allow, and any sampler, where reaches holds
// a part's trial, no more often than its trial samples did.
SamplingWork CountRecordSamplerWork(std::vector<SampledPart>& parts, const RecordSampler& sampler,
                                    int numSamples, int64_t limit,
                                    const std::vector<std::vector<double>>& reaches) {
    SamplingWork work(limit);
    for (size_t p = 0; p < parts.size(); p++) {
        SampledPart& part = parts[p];
        SampleSteps steps(sampler.tablesRead);
        int64_t copied = 0;
        double reach = 1.0;
        const bool tried = p < reaches.size() && !reaches[p].empty();
        for (size_t i = 0; i < part.records.size(); i++) {
            const SamplerRecord& record = part.records[i];
            const int* parents = record.parentPositions.get();
            const bool waits = std::find(parents, parents + record.numParents, static_cast<int>(i) - 1) !=
                               parents + record.numParents;
            const int64_t cells = record.table->GetNumberOfElements();
            // Logic sampling draws observed records too; the others weigh them.
            const double uncertainty = record.IsObserved() && !sampler.countsHits
                                           ? 0.0
                                           : DrawUncertainty(record.tableData, cells, record.numOutcomes);
            steps.AddRecord(record.numOutcomes, record.numParents, cells, uncertainty, 0, waits,
                            tried ? std::min(reach, reaches[p][i]) : reach);
            // A rejecting sampler goes past an observed record no more often than its likeliest column
            // gives the observed outcome: with unlikely evidence most samples end within the first records.
            if (sampler.countsHits && record.IsObserved()) reach *= LikeliestColumnEntry(record);
            if (!record.IsObserved())
                copied = SaturatingSum(copied, SaturatingProduct(record.table->GetNumberOfElements(),
                                                                 sampler.copiesOfUnobserved));
        }
        if (sampler.extraSteps != nullptr) steps.AddSteps(sampler.extraSteps(part));
        work.AddPart(*part.graph, numSamples, SaturatingProduct(numSamples, steps.PerSample()), steps.Cells(),
                     copied);
    }
    return work;
}

// Per record of the part, the share of trial samples that reached it: some thousand samples from a copy
// of the samplers' generator, so that the run's own draws stay as they were, and no more than a small share
// of the limit would take even if none ended early. Empty without a trial (no evidence to end samples, or
// too few trials within that share to tell).
std::vector<double> TrialReach(SampledPart& part, const RecordSampler& sampler, int64_t limit) {
    std::vector<double> reach;
    if (std::none_of(part.records.begin(), part.records.end(),
                     [](const SamplerRecord& record) { return record.IsObserved(); }))
        return reach;
    SampleSteps steps(sampler.tablesRead);
    for (const SamplerRecord& record : part.records)
        steps.AddRecord(record.numOutcomes, record.numParents, record.table->GetNumberOfElements(), 1.0);
    const int64_t trials =
        std::min<int64_t>(kReachTrialSamples, limit / kReachTrialShare / steps.PerSample());
    if (trials < kReachTrialSamples / 16) return reach;
    reach.resize(part.records.size());
    std::vector<int64_t> reached(part.records.size() + 1, 0);
    RandomGenerator random = DiscreteSamplerGenerator();
    for (int64_t t = 0; t < trials; t++) reached[static_cast<size_t>(sampler.countReached(part, random))]++;
    // Record i is reached by the samples that reached more than i records.
    int64_t past = 0;
    for (size_t i = part.records.size(); i-- > 0;) {
        past += reached[i + 1];
        reach[i] = static_cast<double>(past) / static_cast<double>(trials);
    }
    return reach;
}

}  // namespace

int RunRecordSampler(VRX_network& network, const RecordSampler& sampler) {
    if (const int rc = CheckSampleCount(network.numSamples, kNoUsefulSamples)) return rc;
    const int numSamples = network.numSamples;
    // Evidence that the relevance step resolves without sampling (parts of one observed record) would
    // otherwise never be seen to contradict itself.
    if (const int rc = CheckEvidencePossible(network)) return rc;
    int status = kSuccess;
    std::unique_ptr<RelevantPartList> found = FindRelevantParts(network, true, true, &status);
    if (found == nullptr) return status != kSuccess ? LogError(errorLog, status, nullptr, nullptr) : kSuccess;
    if (const int rc = RemoveSingleNodeParts(*found)) return LogError(errorLog, rc, nullptr, nullptr);

    std::vector<SampledPart> parts;
    try {
        parts.resize(found->size());
        for (size_t p = 0; p < parts.size(); p++) {
            if (const int rc = SetUpPart(std::move((*found)[p]), sampler, parts[p]))
                return LogError(errorLog, rc, nullptr, nullptr);
        }
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    }
    found.reset();
    const int64_t limit = SamplingStepLimit(network.GetBayesianAlgorithm());
    SamplingWork work = CountRecordSamplerWork(parts, sampler, numSamples, limit, {});
    if (sampler.countReached != nullptr && !work.Within()) {
        // Where the count of samples that reach every record (or, rejecting, as far as the likeliest
        // columns let them) refuses, a short trial run tells how far they really get before their evidence
        // rejects them or weighs them 0.
        std::vector<std::vector<double>> reaches;
        try {
            reaches.resize(parts.size());
            for (size_t p = 0; p < parts.size(); p++) reaches[p] = TrialReach(parts[p], sampler, limit);
        } catch (const std::bad_alloc&) {
            return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
        }
        work = CountRecordSamplerWork(parts, sampler, numSamples, limit, reaches);
    }
    if (const int rc = work.Check()) return rc;
    try {
        for (SampledPart& part : parts) {
            const int rc = sampler.prepare != nullptr ? sampler.prepare(part) : kSuccess;
            if (rc != kSuccess) return LogError(errorLog, rc, nullptr, nullptr);
            part.spread.Assign(CountSpreadCells(part));
        }
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    }

    // One interleaved stream of draws: every sample index draws once in every part.
    RandomGenerator& random = DiscreteSamplerGenerator();
    const int batches = BatchSpread::BatchCount(numSamples);
    for (int b = 0, s = 0; b < batches; b++) {
        for (const int end = BatchSpread::BatchEnd(b, batches, numSamples); s < end; s++) {
            for (SampledPart& part : parts) {
                const SampleWeight weight = sampler.draw(part, random, s);
                if (!weight.IsZero()) AddSample(part, sampler.countsHits, weight);
            }
        }
        for (SampledPart& part : parts) CloseBatch(part, sampler.countsHits);
    }

    // A failing part does not hide the others' results, nor do they hide its failure.
    int result = kSuccess;
    EffectiveSamples effective;
    MissedOutcomes missed;
    for (SampledPart& part : parts) {
        PartView view(*part.graph);
        const int rc = WritePart(part, view, sampler.countsHits);
        if (rc != kSuccess && result == kSuccess) result = rc;
        if (view.GetStatus() != kSuccess) continue;
        // The accepted samples of logic sampling weigh 1 each: they are worth as many.
        const double total = TotalWeight(part, sampler.countsHits);
        effective.AddPart(view, total, sampler.countsHits ? total : part.squaredWeight, numSamples);
        if (rc != kSuccess) continue;
        AddSpread(part, view, sampler.countsHits, numSamples, effective);
        AddMissed(part, view, sampler.countsHits, missed);
    }
    if (result != kSuccess) return result;
    effective.Warn();
    missed.Warn();
    return result;
}

}  // namespace vovido
