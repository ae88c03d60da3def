// Backward sampling: starting from each observed record, the parents not yet drawn are drawn backwards
// from the table row of the record's outcome, walking up through first parents; the remaining records
// are drawn forward and every record not drawn backwards weighs the sample by its table entry.
#include <algorithm>
#include <cstdint>
#include <new>

#include "base/status_codes.h"
#include "inference/record_sampling.h"
#include "inference/sampling_drivers.h"

namespace {

// Room for the largest sub-table and parent list of the part, so that no sample allocates.
int PrepareScratch(vovido::SampledPart& part) {
    int largestRow = 1;
    int mostParents = 0;
    for (const SamplerRecord& record : part.records) {
        largestRow = std::max(largestRow, record.table->GetNumberOfElements() / record.numOutcomes);
        mostParents = std::max(mostParents, record.numParents);
    }
    try {
        part.subTable.assign(static_cast<size_t>(largestRow), 0.0);
        part.freeParents.assign(static_cast<size_t>(mostParents), 0);
        part.freeCoordinates.assign(static_cast<size_t>(mostParents), 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

// Draws the parents of x that have no state yet from x's table at its own state and the known parents'
// states, and returns the sum of that sub-table (the factor that replaces x's own table entry); 1 when
// every parent is known (x is then not marked).
double DrawParentsBackwards(vovido::SampledPart& part, SamplerRecord& x, RandomGenerator& random) {
    std::vector<SamplerRecord>& records = part.records;
    int* free = part.freeParents.data();
    int* coordinates = part.freeCoordinates.data();
    int numFree = 0;
    int offset = x.state;
    for (int j = 0; j < x.numParents; j++) {
        const int s = *x.parentStates[j];
        if (s < 0) {
            free[numFree++] = j;
        } else {
            offset += s * x.parentStrides[j];
        }
    }
    if (numFree == 0) return 1.0;
    x.mark = SamplerRecord::kDrawnBackwards;

    // The sub-table over the free parents, the first of them varying slowest.
    double* sub = part.subTable.data();
    int size = 1;
    for (int f = 0; f < numFree; f++) {
        coordinates[f] = 0;
        size *= records[x.parentPositions[free[f]]].numOutcomes;
    }
    for (int c = 0; c < size; c++) {
        sub[c] = x.tableData[offset];
        for (int f = numFree - 1; f >= 0; f--) {
            const int j = free[f];
            offset += x.parentStrides[j];
            if (++coordinates[f] < records[x.parentPositions[j]].numOutcomes) break;
            offset -= coordinates[f] * x.parentStrides[j];
            coordinates[f] = 0;
        }
    }
    const double sum = NormalizeVector(sub, size, 0.0);
    if (sum == 0.0) return 0.0;
    int c = vovido::PickOutcome(sub, size, random.NextFraction());
    for (int f = numFree - 1; f >= 0; f--) {
        SamplerRecord& parent = records[x.parentPositions[free[f]]];
        parent.state = c % parent.numOutcomes;
        c /= parent.numOutcomes;
    }
    return sum;
}

// An observed record's parents are drawn from the row of its outcome, built anew for every sample.
int64_t BackwardRowSteps(const SamplerRecord& record) {
    return record.IsObserved() ? record.table->GetNumberOfElements() / record.numOutcomes : 0;
}

vovido::SampleWeight DrawBackwardSample(vovido::SampledPart& part, RandomGenerator& random, int) {
    std::vector<SamplerRecord>& records = part.records;
    for (SamplerRecord& record : records) {
        record.mark = 0;
        record.state = record.evidence;
    }
    vovido::SampleWeight weight(1.0);
    for (SamplerRecord& observed : records) {
        if (!observed.IsObserved() || observed.numParents == 0 ||
            observed.mark == SamplerRecord::kDrawnBackwards)
            continue;
        // Observed records have no children in a part, so every parent on the walk is unobserved and
        // gets its state here; the walk ends at a root or at a record already drawn backwards.
        SamplerRecord* x = &observed;
        while (x->numParents > 0) {
            weight.Multiply(DrawParentsBackwards(part, *x, random));
            if (weight.IsZero()) return 0.0;
            x = &records[x->parentPositions[0]];
            if (x->mark == SamplerRecord::kDrawnBackwards) break;
        }
    }
    for (SamplerRecord& record : records) {
        if (record.state < 0) {
            const int k = vovido::DrawForward(record, record.tableData, random);
            if (k < 0) return 0.0;
            record.state = k;
        } else if (record.mark != SamplerRecord::kDrawnBackwards) {
            weight.Multiply(record.tableData[record.ColumnOffset() + record.state]);
            if (weight.IsZero()) return 0.0;
        }
    }
    return weight;
}

}  // namespace

int RunBackwardSampling(VRX_network& network) {
    vovido::RecordSampler sampler;
    sampler.prepare = PrepareScratch;
    sampler.extraSteps = BackwardRowSteps;
    sampler.draw = DrawBackwardSample;
    return vovido::RunRecordSampler(network, sampler);
}
