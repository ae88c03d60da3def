// The samplers' generator and its seeding.
#include "inference/sampling_draws.h"

#include <ctime>

#include "base/dmatrix.h"

namespace vovido {

namespace {

thread_local RandomGenerator samplerRandomState(1);
thread_local uint32_t fixedSeed = 0;

}  // namespace

RandomGenerator& DiscreteSamplerGenerator() {
    return samplerRandomState;
}

void SetSamplingSeed(uint32_t seed) {
    fixedSeed = seed;
    if (seed != 0) samplerRandomState.Seed(seed);
}

void SeedSamplerForRun() {
    if (fixedSeed != 0) {
        samplerRandomState.Seed(fixedSeed);
        return;
    }
    // Only the low bits of the clock vary between runs; 0 would ask the generator for the clock again.
    const uint32_t clockSeed =
        (static_cast<uint32_t>(std::time(nullptr)) ^ static_cast<uint32_t>(std::clock())) & 0x7fffu;
    samplerRandomState.Seed(clockSeed != 0 ? clockSeed : 1u);
}

bool TableFitsFamily(const VRX_Dmatrix* table, const int* parentOutcomes, int numParents, int numOutcomes) {
    if (table == nullptr || table->GetData() == nullptr || numOutcomes < 1) return false;
    if (table->GetNumberOfDimensions() != numParents + 1) return false;
    const VRX_intArray& sizes = table->GetDimensions();
    for (int j = 0; j < numParents; j++) {
        if (sizes[j] != parentOutcomes[j]) return false;
    }
    return sizes[numParents] == numOutcomes;
}

}  // namespace vovido
