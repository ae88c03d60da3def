// Logic sampling: every record drawn forward, samples that contradict the evidence rejected.
#include "inference/record_sampling.h"
#include "inference/sampling_drivers.h"

namespace {

vovido::SampleWeight DrawLogicSample(vovido::SampledPart& part, RandomGenerator& random, int) {
    for (SamplerRecord& record : part.records) {
        const int k = vovido::DrawForward(record, record.tableData, random);
        if (k < 0) return 0.0;
        if (record.IsObserved()) {
            if (k != record.evidence) return 0.0;
            continue;
        }
        record.state = k;
    }
    return 1.0;
}

}  // namespace

int RunLogicSampling(VRX_network& network) {
    vovido::RecordSampler sampler;
    sampler.order = vovido::RecordOrder::kLogicSampling;
    sampler.countsHits = true;
    sampler.draw = DrawLogicSample;
    return vovido::RunRecordSampler(network, sampler);
}
