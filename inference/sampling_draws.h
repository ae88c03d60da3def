#pragma once
// Random draws shared by the stochastic samplers of discrete networks: their own generator, its seeding,
// and the choice of an outcome from a column of probabilities by a uniform draw in [0, 1)
// (RandomGenerator::NextFraction: the generator's 15-bit values reach 1.0 and would make outcomes of
// probability below 1/32767 impossible or too likely).

#include <cmath>
#include <cstdint>

#include "base/random_generator.h"

class VRX_Dmatrix;

namespace vovido {

// The generator of all samplers of discrete networks, one per thread, separate from the engine's other
// generators. It starts from seed 1, so that a thread that never seeds it repeats its runs.
RandomGenerator& DiscreteSamplerGenerator();

// A nonzero seed becomes the samplers' state at once, and every later run of a sampler that reseeds
// per run (the importance samplers) starts from it again, so fixed-seed runs repeat exactly. 0 gives
// those samplers a seed from the clock on each run, as by default.
void SetSamplingSeed(uint32_t seed);

// The seed of one run of a reseeding sampler: the fixed seed when one is set, else the clock.
void SeedSamplerForRun();

// The first outcome whose running sum of the column's positive entries exceeds r (r in [0, 1)); an
// entry of 0 is never chosen. When rounding keeps the sum at or below r, the last positive outcome.
// -1 when no entry is positive.
inline int PickOutcome(const double* column, int n, double r) {
    double sum = 0.0;
    int last = -1;
    for (int k = 0; k < n; k++) {
        const double p = column[k];
        if (!(p > 0.0)) continue;
        sum += p;
        last = k;
        if (sum > r) return k;
    }
    return last;
}

// The weight of one sample as mantissa * 2^exponent. A product of thousands of factors leaves the range
// of a double (the table sums of backward sampling exceed 1, evidence probabilities fall below it) long
// before the sample stops counting against the others.
struct SampleWeight {
    // Implicit, so that a sampler of plain weights returns them as they are.
    SampleWeight(double plain = 0.0) : mantissa(plain) {}  // NOLINT(google-explicit-constructor)

    // The mantissa is brought back to [0.5, 1) only when it leaves [2^-256, 2^256], and a factor outside
    // that range first, so that most factors cost one product and none leaves the range of a double.
    void Multiply(double factor) {
        if (factor < kFar || factor > 1.0 / kFar) Normalize(factor);
        mantissa *= factor;
        if (mantissa < kFar || mantissa > 1.0 / kFar) Normalize(mantissa);
    }
    // The mantissa in [0.5, 1) (or 0), as comparisons of exponents need.
    SampleWeight Normalized() const {
        SampleWeight normal = *this;
        normal.Normalize(normal.mantissa);
        return normal;
    }
    bool IsZero() const { return !(mantissa > 0.0); }
    double ToDouble() const { return std::ldexp(mantissa, exponent); }

    double mantissa;
    int exponent = 0;

private:
    static constexpr double kFar = 0x1p-256;
    void Normalize(double& value) {
        int shift = 0;
        value = std::frexp(value, &shift);
        exponent += shift;
    }
};

// Whether the table has one dimension per parent, of the parent's outcome count, and a last dimension
// of the node's outcome count, so that columns can be read by strides.
bool TableFitsFamily(const VRX_Dmatrix* table, const int* parentOutcomes, int numParents, int numOutcomes);

}  // namespace vovido
