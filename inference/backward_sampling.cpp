// Backward sampling: starting from each observed record, the parents not yet drawn are drawn backwards
// from the table row of the record's outcome, walking up through first parents; the remaining records
// are drawn forward and every record not drawn backwards weighs the sample by its table entry.
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "base/size_limits.h"
#include "base/status_codes.h"
#include "inference/record_sampling.h"
#include "inference/sampling_drivers.h"
#include "inference/sampling_work.h"

namespace {

// Room for the largest parent list of the part, so that no sample allocates.
int PrepareScratch(vovido::SampledPart& part) {
    int mostParents = 0;
    for (const SamplerRecord& record : part.records) mostParents = std::max(mostParents, record.numParents);
    try {
        part.freeParents.assign(static_cast<size_t>(mostParents), 0);
        part.freeCoordinates.assign(static_cast<size_t>(mostParents), 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

// Calls visit(c, entry) for the entries of x's table over the configurations c of its numFree free
// parents (the first of them varying slowest), from offset on, until visit returns true.
template <typename Visit>
void WalkFreeParents(vovido::SampledPart& part, const SamplerRecord& x, int numFree, int offset, int size,
                     Visit&& visit) {
    const int* free = part.freeParents.data();
    int* coordinates = part.freeCoordinates.data();
    for (int f = 0; f < numFree; f++) coordinates[f] = 0;
    for (int c = 0; c < size; c++) {
        if (visit(c, x.tableData[offset])) return;
        for (int f = numFree - 1; f >= 0; f--) {
            const int j = free[f];
            offset += x.parentStrides[j];
            if (++coordinates[f] < part.records[x.parentPositions[j]].numOutcomes) break;
            offset -= coordinates[f] * x.parentStrides[j];
            coordinates[f] = 0;
        }
    }
}

// Draws the parents of x that have no state yet from x's table at its own state and the known parents'
// states, and returns the sum of that row (the factor that replaces x's own table entry); 1 when every
// parent is known (x is then not marked). The row is read in place, once for its sum and once for the draw.
double DrawParentsBackwards(vovido::SampledPart& part, SamplerRecord& x, RandomGenerator& random) {
    std::vector<SamplerRecord>& records = part.records;
    int* free = part.freeParents.data();
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
    int size = 1;
    for (int f = 0; f < numFree; f++) size *= records[x.parentPositions[free[f]]].numOutcomes;
    double sum = 0.0;
    WalkFreeParents(part, x, numFree, offset, size, [&sum](int, double p) {
        sum += p;
        return false;
    });
    if (!(sum > 0.0)) return 0.0;
    // The first configuration whose running sum of positive entries passes the draw; the last positive
    // one when rounding keeps the sum below it.
    const double threshold = random.NextFraction() * sum;
    double running = 0.0;
    int c = -1;
    WalkFreeParents(part, x, numFree, offset, size, [&](int configuration, double p) {
        if (!(p > 0.0)) return false;
        running += p;
        c = configuration;
        return running > threshold;
    });
    for (int f = numFree - 1; f >= 0; f--) {
        SamplerRecord& parent = records[x.parentPositions[free[f]]];
        parent.state = c % parent.numOutcomes;
        c /= parent.numOutcomes;
    }
    return sum;
}

// An observed record's parents are drawn from the row of its outcome every sample. The walk up from it
// passes the first parents, each drawing its free parents likewise from the row of its drawn outcome, and
// ends at a root or at a record walked before. A network without evidence has no walk.
int64_t BackwardWalkSteps(const vovido::SampledPart& part) {
    const std::vector<SamplerRecord>& records = part.records;
    std::vector<char> walked(records.size(), 0);
    int64_t steps = 0;
    for (const SamplerRecord& observed : records) {
        if (!observed.IsObserved() || observed.numParents == 0) continue;
        steps = vovido::SaturatingSum(
            steps, vovido::BackwardRowSteps(observed.table->GetNumberOfElements(), observed.numOutcomes));
        for (int x = observed.parentPositions[0];
             records[x].numParents > 0 && walked[static_cast<size_t>(x)] == 0;
             x = records[x].parentPositions[0]) {
            walked[static_cast<size_t>(x)] = 1;
            steps = vovido::SaturatingSum(
                steps,
                vovido::BackwardRowSteps(records[x].table->GetNumberOfElements(), records[x].numOutcomes));
        }
    }
    return steps;
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
    sampler.extraSteps = BackwardWalkSteps;
    sampler.draw = DrawBackwardSample;
    return vovido::RunRecordSampler(network, sampler);
}
