#pragma once
// The engine's own uniform random source: a 32-bit linear congruential generator whose sequence is
// fixed by its seed, so that runs with a nonzero seed repeat exactly.

#include <cstdint>

class RandomGenerator {
public:
    // Seed 0 takes the current time exclusive-or the process clock.
    explicit RandomGenerator(uint32_t seed) { Seed(seed); }

    // The same rule as the constructor, for an existing generator.
    void Seed(uint32_t seed);

    // One step of the documented sequence: a multiple of 1/32767 in [0, 1], where BOTH ends can occur
    // and only 32768 values exist. Keep it for the places whose sequence is fixed this way; samplers
    // should draw with NextFraction.
    double NextUniform() {
        Step();
        return static_cast<double>((state >> 16) & 0x7fffu) / 32767.0;
    }

    // Uniform in [0, 1), NEVER 1.0, in steps of 2^-53: the draw for samplers. 1 - NextFraction() lies in
    // (0, 1], so its logarithm is always finite. Takes four steps of the same sequence and joins bits
    // 16..31 of each new state, first step highest (the low bits of the state repeat too soon).
    double NextFraction() {
        uint64_t bits = 0;
        for (int i = 0; i < 4; ++i) {
            Step();
            bits = (bits << 16) | (state >> 16);
        }
        return static_cast<double>(bits >> 11) * 0x1.0p-53;
    }

    uint32_t GetState() const { return state; }

private:
    void Step() { state = state * 214013u + 2531011u; }

    uint32_t state = 0;
};

// Generators seeded with 0 (time and clock) and never reseeded, one set per thread so that separate
// networks in separate threads never race on a state: one for the Gaussian mixtures, one for the hybrid
// sample nodes, one for the hybrid messages. The distributions of equations draw from their own
// (GetSamplerGenerator in base/distributions.h).
extern thread_local RandomGenerator mixtureGenerator;
extern thread_local RandomGenerator sampleNodeGenerator;
extern thread_local RandomGenerator messageGenerator;
