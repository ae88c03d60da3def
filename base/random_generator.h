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

    // Advances the state and returns a multiple of 1/32767 in [0, 1]; both ends can occur.
    double NextUniform() {
        state = state * 214013u + 2531011u;
        return static_cast<double>((state >> 16) & 0x7fffu) / 32767.0;
    }

    uint32_t GetState() const { return state; }

private:
    uint32_t state = 0;
};
