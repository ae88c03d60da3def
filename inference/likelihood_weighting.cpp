// Likelihood weighting: observed records keep their outcome and weigh the sample by its probability,
// the others are drawn forward.
#include "inference/record_sampling.h"
#include "inference/sampling_drivers.h"

namespace {

vovido::SampleWeight DrawWeightedSample(vovido::SampledPart& part, RandomGenerator& random, int) {
    vovido::SampleWeight weight(1.0);
    for (SamplerRecord& record : part.records) {
        if (record.IsObserved()) {
            weight.Multiply(record.tableData[record.ColumnOffset() + record.evidence]);
            if (weight.IsZero()) return 0.0;
            continue;
        }
        const int k = vovido::DrawForward(record, record.tableData, random);
        if (k < 0) return 0.0;
        record.state = k;
    }
    return weight;
}

}  // namespace

int RunLikelihoodWeighting(VRX_network& network) {
    vovido::RecordSampler sampler;
    sampler.draw = DrawWeightedSample;
    return vovido::RunRecordSampler(network, sampler);
}
