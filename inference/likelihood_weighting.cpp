// Likelihood weighting: observed records keep their outcome and weigh the sample by its probability,
// the others are drawn forward.
#include "inference/record_sampling.h"
#include "inference/sampling_drivers.h"

namespace vovido {

int WeighUntilDropped(SampledPart& part, RandomGenerator& random, SampleWeight& weight) {
    weight = SampleWeight(1.0);
    int visited = 0;
    for (SamplerRecord& record : part.records) {
        ++visited;
        if (record.IsObserved()) {
            weight.Multiply(record.tableData[record.ColumnOffset() + record.evidence]);
            if (weight.IsZero()) return visited;
            continue;
        }
        const int k = DrawForward(record, record.tableData, random);
        if (k < 0) {
            weight = 0.0;
            return visited;
        }
        record.state = k;
    }
    return visited;
}

int CountWeighedRecords(SampledPart& part, RandomGenerator& random) {
    SampleWeight weight;
    return WeighUntilDropped(part, random, weight);
}

}  // namespace vovido

namespace {

vovido::SampleWeight DrawWeightedSample(vovido::SampledPart& part, RandomGenerator& random, int) {
    vovido::SampleWeight weight;
    vovido::WeighUntilDropped(part, random, weight);
    return weight;
}

}  // namespace

int RunLikelihoodWeighting(VRX_network& network) {
    vovido::RecordSampler sampler;
    sampler.draw = DrawWeightedSample;
    sampler.countReached = vovido::CountWeighedRecords;
    return vovido::RunRecordSampler(network, sampler);
}
