#pragma once
// Random draws from the distributions of equations, over any RandomGenerator. Every routine here ends
// for every parameter it accepts; callers check the parameters first (base/distributions.h).

#include "base/random_generator.h"

// Normal(mean, deviation) by the Box-Muller transform of two NextFraction draws.
double NormalSample(RandomGenerator& generator, double mean, double deviation);

// The logarithm of the Gamma function by the Lanczos series (accurate to about 1e-10 for x > 0).
double LogGamma(double x);

// Beta(a, b) density at x: (1 - x)^(b-1) x^(a-1) / B(a, b) in [0, 1], 0 outside.
double BetaDensity(double x, double a, double b);

namespace vovido {

// Gamma(shape, 1) for shape > 0, returned as its natural logarithm so that small shapes, whose draws
// underflow, keep their order of magnitude.
double LogGammaSample(RandomGenerator& generator, double shape);

// Beta(a, b) for a, b > 0. Parameters of at least 1 whose density is not too peaked use rejection
// under the density's mode (u1, then u2, per round); every other case, and a rejection that runs past
// its bound, takes the ratio of two Gamma draws.
double BetaSample(RandomGenerator& generator, double a, double b);

// Number of successes in `trials` independent trials of probability p (trials a non-negative whole
// number, p in [0, 1]). Up to kDirectTrials trials are drawn one by one (success when p > u); larger
// counts are first split by order statistics drawn from Beta distributions.
double BinomialSample(RandomGenerator& generator, double trials, double p);
constexpr double kDirectTrials = 256.0;

}  // namespace vovido
