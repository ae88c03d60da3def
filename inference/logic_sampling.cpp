// Logic sampling: every record drawn forward, samples that contradict the evidence rejected.
#include "inference/record_sampling.h"
#include "inference/sampling_drivers.h"

namespace {

// Draws the records in order until one contradicts its evidence or has no outcome to draw: the number of
// records drawn, and in accepted whether every record was drawn and matched.
int DrawUntilRejected(vovido::SampledPart& part, RandomGenerator& random, bool& accepted) {
    accepted = false;
    int drawn = 0;
    for (SamplerRecord& record : part.records) {
        ++drawn;
        const int k = vovido::DrawForward(record, record.tableData, random);
        if (k < 0) return drawn;
        if (record.IsObserved()) {
            if (k != record.evidence) return drawn;
            continue;
        }
        record.state = k;
    }
    accepted = true;
    return drawn;
}

vovido::SampleWeight DrawLogicSample(vovido::SampledPart& part, RandomGenerator& random, int) {
    bool accepted = false;
    DrawUntilRejected(part, random, accepted);
    return accepted ? 1.0 : 0.0;
}

int CountDrawnRecords(vovido::SampledPart& part, RandomGenerator& random) {
    bool accepted = false;
    return DrawUntilRejected(part, random, accepted);
}

}  // namespace

int RunLogicSampling(VRX_network& network) {
    vovido::RecordSampler sampler;
    sampler.order = vovido::RecordOrder::kLogicSampling;
    sampler.countsHits = true;
    sampler.draw = DrawLogicSample;
    sampler.countReached = CountDrawnRecords;
    return vovido::RunRecordSampler(network, sampler);
}
