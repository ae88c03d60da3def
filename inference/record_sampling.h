#pragma once
// The common frame of the self-contained samplers (logic sampling, likelihood weighting,
// self-importance and backward sampling): relevant parts, one record list per part, the sample loop
// over all parts and the write-out of the weighted counts as beliefs.
// After Henrion, "Propagating uncertainty in Bayesian networks by probabilistic logic sampling", 1988;
// Fung and Chang, "Weighing and integrating evidence for stochastic simulation in Bayesian networks", 1989;
// Shachter and Peot, "Simulation approaches to general probabilistic inference on belief networks", 1989;
// Fung and Del Favero, "Backward simulation in Bayesian networks", 1994.

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "inference/batch_spread.h"
#include "inference/relevance_graph.h"
#include "inference/sampler_record.h"
#include "inference/sampling_draws.h"

class VRX_network;

namespace vovido {

// One relevant part under sampling.
struct SampledPart {
    std::unique_ptr<RelevanceGraph> graph;
    std::vector<SamplerRecord> records;
    // Sum of the weights of the kept samples; accepted samples of logic sampling. The weights and the
    // weighted counts are kept divided by 2^countExponent, the exponent of the heaviest sample so far.
    double totalWeight = 0.0;
    // The sum of the squared weights, kept divided by 2^(2 countExponent).
    double squaredWeight = 0.0;
    int countExponent = 0;
    int accepted = 0;
    // The counts of the unobserved records with a node, outcome by outcome in record order, batch by batch.
    BatchSpread spread;
    // Working room of backward sampling, sized once per part.
    std::vector<int> freeParents;
    std::vector<int> freeCoordinates;
};

enum class RecordOrder {
    kTopological,    // every record after its parents
    kLogicSampling,  // observed records (with their ancestors) first, so that rejection comes early
};

// How one algorithm samples a part.
struct RecordSampler {
    RecordOrder order = RecordOrder::kTopological;
    // Logic sampling counts accepted samples; the others add weights.
    bool countsHits = false;
    // The tables of a record's shape a draw reads, and the steps a sample of the part spends besides its
    // draws (may be null): counted before the first draw.
    int tablesRead = 1;
    int64_t (*extraSteps)(const SampledPart& part) = nullptr;
    // Extra per-part set-up after the records are built and the run counted; 0 or a status. May be null.
    int (*prepare)(SampledPart& part) = nullptr;
    // The working tables it copies of each unobserved record's table.
    int copiesOfUnobserved = 0;
    // Draws sample number s of the part and returns its weight: 0 when the sample is rejected or
    // dropped. Per-algorithm bookkeeping of kept samples is done here; the frame adds the weight to
    // the counts of every record.
    SampleWeight (*draw)(SampledPart& part, RandomGenerator& random, int s) = nullptr;
    // A sampler whose samples may end part-way (rejected, or of weight 0) at a rate that its runs do not
    // change: draws one sample and returns the number of records it reached, leaving the counts as they
    // are. Null counts every sample as reaching every record (a learning sampler's samples may get further
    // as its importance tables learn the evidence).
    int (*countReached)(SampledPart& part, RandomGenerator& random) = nullptr;
};

// Runs the sampler over the relevant parts of the network with the network's sample count. Parts of one
// record take their beliefs from their table. 0; kNoUsefulSamples when some part drew no useful sample
// (logged; its unobserved nodes lose their up-to-date mark, the other parts are written); kOutOfRange or
// kOutOfMemory when a part cannot be set up (logged).
[[nodiscard]] int RunRecordSampler(VRX_network& network, const RecordSampler& sampler);

// Likelihood weighting's sample: the unobserved records drawn forward from their tables and the observed
// ones weighed by their entries, in order, until the weight falls to 0 (or a column has no outcome to
// draw, weight 0 as well); returns the number of records reached.
int WeighUntilDropped(SampledPart& part, RandomGenerator& random, SampleWeight& weight);

// WeighUntilDropped's records reached, its weight dropped.
int CountWeighedRecords(SampledPart& part, RandomGenerator& random);

// The outcome drawn forward for the record from the column of its parents' states in the given table
// (the record's table or one of its shape); -1 when the column has no positive entry.
inline int DrawForward(const SamplerRecord& record, const double* tableData, RandomGenerator& random) {
    return PickOutcome(tableData + record.ColumnOffset(), record.numOutcomes, random.NextFraction());
}

}  // namespace vovido
