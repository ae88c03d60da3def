// Seeding of the engine's uniform random source.
#include "base/random_generator.h"

#include <ctime>

void RandomGenerator::Seed(uint32_t seed) {
    if (seed != 0) {
        state = seed;
        return;
    }
    // Both values are truncated to 32 bits on purpose: only their low bits vary between runs.
    const uint32_t now = static_cast<uint32_t>(std::time(nullptr));
    const uint32_t ticks = static_cast<uint32_t>(std::clock());
    state = now ^ ticks;
}

thread_local RandomGenerator mixtureGenerator(0);
thread_local RandomGenerator sampleNodeGenerator(0);
thread_local RandomGenerator messageGenerator(0);
