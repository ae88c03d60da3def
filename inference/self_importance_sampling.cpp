// Self-importance sampling: unobserved records are drawn from importance tables that start as their
// own tables and are re-estimated every 100 samples from the weighted samples drawn so far.
#include <cstdint>
#include <memory>

#include "base/status_codes.h"
#include "inference/record_sampling.h"
#include "inference/sampling_drivers.h"

namespace {

constexpr int kUpdateInterval = 100;
constexpr double kPriorSamples = 10.0;

int PrepareTables(vovido::SampledPart& part) {
    for (SamplerRecord& record : part.records) {
        if (record.IsObserved()) continue;
        record.importanceTable = std::make_unique<VRX_Dmatrix>();
        record.learningTable = std::make_unique<VRX_Dmatrix>();
        if (const int rc = record.importanceTable->Copy(*record.table)) return rc;
        if (const int rc = record.learningTable->Copy(*record.table)) return rc;
        if (const int rc = record.learningTable->FillWith(0.0)) return rc;
        record.learningSquares.assign(
            static_cast<size_t>(record.table->GetNumberOfElements() / record.numOutcomes), 0.0);
    }
    return kSuccess;
}

// Importance column = the column of the table mixed with the normalised column of the learning table, which
// holds the weights of every kept sample so far; the learned share is half the column's worth, (sum of
// weights)^2 / sum of squared weights, over that worth plus kPriorSamples an outcome. Columns learned at
// half from a few samples make the tables of hundreds of nodes peaked at random, and the weights then
// differ by tens of orders. The learning table is never normalised in
// place: kept in one scale, old and new weights count alike, whereas normalised old content would be
// swamped or ignored by weights of another magnitude, and the importance tables would follow a handful
// of samples. A column that no kept sample reached keeps the table's distribution.
void Reestimate(vovido::SampledPart& part) {
    for (SamplerRecord& record : part.records) {
        if (record.IsObserved()) continue;
        const int n = record.numOutcomes;
        const int size = record.table->GetNumberOfElements();
        const double* learned = record.learningTable->GetData();
        double* importance = record.importanceTable->GetData();
        for (int start = 0; start < size; start += n) {
            double learnedSum = 0.0;
            for (int k = 0; k < n; k++) learnedSum += learned[start + k];
            const double squares = record.learningSquares[static_cast<size_t>(start / n)];
            const double worth = squares > 0.0 ? learnedSum / squares * learnedSum : 0.0;
            const double share = 0.5 * worth / (worth + kPriorSamples * n);
            const double scale = learnedSum > 0.0 ? share / learnedSum : 0.0;
            double sum = 0.0;
            for (int k = 0; k < n; k++) {
                importance[start + k] =
                    learned[start + k] * scale + (1.0 - share) * record.tableData[start + k];
                sum += importance[start + k];
            }
            if (!(sum > 0.0)) continue;
            for (int k = 0; k < n; k++) importance[start + k] /= sum;
        }
    }
}

// Every kUpdateInterval samples the importance tables are re-estimated whole: each cell reads the learning
// table and the table and is written and divided by its column's sum, some kReestimateCellSteps steps.
int64_t ReestimateSteps(const vovido::SampledPart& part) {
    constexpr int64_t kReestimateCellSteps = 3;
    int64_t steps = 0;
    for (const SamplerRecord& record : part.records) {
        if (!record.IsObserved())
            steps += record.table->GetNumberOfElements() * kReestimateCellSteps / kUpdateInterval;
    }
    return steps;
}

vovido::SampleWeight DrawSelfImportanceSample(vovido::SampledPart& part, RandomGenerator& random, int s) {
    double evidenceWeight = 1.0;
    double drawWeight = 1.0;
    for (SamplerRecord& record : part.records) {
        const int column = record.ColumnOffset();
        if (record.IsObserved()) {
            evidenceWeight *= record.tableData[column + record.evidence];
            if (evidenceWeight == 0.0) return 0.0;
            continue;
        }
        const double* importance = record.importanceTable->GetData() + column;
        const int k = vovido::PickOutcome(importance, record.numOutcomes, random.NextFraction());
        if (k < 0) return 0.0;
        record.state = k;
        drawWeight *= record.tableData[column + k] / importance[k];
        if (drawWeight == 0.0) return 0.0;
    }
    const double weight = drawWeight * evidenceWeight;
    for (SamplerRecord& record : part.records) {
        if (record.IsObserved()) continue;
        const int column = record.ColumnOffset();
        (*record.learningTable)[column + record.state] += weight;
        record.learningSquares[static_cast<size_t>(column / record.numOutcomes)] += weight * weight;
    }
    if (s > 0 && s % kUpdateInterval == 0) Reestimate(part);
    return weight;
}

}  // namespace

int RunSelfImportanceSampling(VRX_network& network) {
    vovido::RecordSampler sampler;
    sampler.prepare = PrepareTables;
    sampler.tablesRead = 3;
    sampler.copiesOfUnobserved = 2;
    sampler.extraSteps = ReestimateSteps;
    sampler.draw = DrawSelfImportanceSample;
    return vovido::RunRecordSampler(network, sampler);
}
