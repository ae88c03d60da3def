// Random draws from the distributions of equations.
#include "base/distribution_samplers.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Rejection is kept while the density's peak stays below this; the expected rounds equal the peak.
constexpr double kMaxEnvelope = 16.0;
constexpr double kMaxEnvelopeShapes = 1e5;
// Past this many rejected rounds the Gamma ratio takes over (never reached in practice: the chance
// is below (1 - 1/16)^4096).
constexpr int kMaxRejectionRounds = 4096;
// Marsaglia and Tsang accept more than 95% of their rounds; the bound only guards against a hang.
constexpr int kMaxGammaRounds = 1000;

// ln of a uniform draw in (0, 1].
double LogOfPositiveFraction(RandomGenerator& generator) {
    return std::log1p(-generator.NextFraction());
}

// ln Gamma(shape, 1) for shape >= 1, Marsaglia and Tsang's squeeze-free method.
double LogGammaSampleAtLeastOne(RandomGenerator& generator, double shape) {
    const double d = shape - 1.0 / 3.0;
    const double c = 1.0 / std::sqrt(9.0 * d);
    for (int round = 0; round < kMaxGammaRounds; ++round) {
        const double x = NormalSample(generator, 0.0, 1.0);
        const double v = 1.0 + c * x;
        if (v <= 0.0) continue;
        const double logV = 3.0 * std::log(v);
        if (LogOfPositiveFraction(generator) < 0.5 * x * x + d - d * v * v * v + d * logV) {
            return std::log(d) + logV;
        }
    }
    return std::log(d);
}

// Beta(a, b) as Ga / (Ga + Gb), computed from the logarithms of the two Gamma draws.
double BetaFromGammas(RandomGenerator& generator, double a, double b) {
    const double logA = vovido::LogGammaSample(generator, a);
    const double logB = vovido::LogGammaSample(generator, b);
    const double difference = logB - logA;
    if (std::isnan(difference)) {
        // Both draws underflowed past every double (shapes near the smallest doubles): the
        // distribution is then all but a coin on {0, 1} with P(1) = a / (a + b).
        return generator.NextFraction() * (a + b) < a ? 1.0 : 0.0;
    }
    return 1.0 / (1.0 + std::exp(difference));
}

// ln B(a, b).
double LogBetaFunction(double a, double b) {
    return LogGamma(a) + LogGamma(b) - LogGamma(a + b);
}

// The Beta density with ln B(a, b) given, so that a sampler computes it once.
double ScaledBetaDensity(double x, double a, double b, double logBeta) {
    if (!(x >= 0.0 && x <= 1.0)) return 0.0;
    // Exponents of 0 are skipped so that 0^0 counts as 1 at the ends, as pow has it.
    const double logX = a == 1.0 ? 0.0 : (a - 1.0) * std::log(x);
    const double logRest = b == 1.0 ? 0.0 : (b - 1.0) * std::log1p(-x);
    return std::exp(logX + logRest - logBeta);
}

}  // namespace

double NormalSample(RandomGenerator& generator, double mean, double deviation) {
    const double radius = std::sqrt(-2.0 * LogOfPositiveFraction(generator));
    const double z = radius * std::cos(kTwoPi * generator.NextFraction());
    return mean + deviation * z;
}

double LogGamma(double x) {
    static const double kCoefficients[6] = {76.18009172947146,  -86.50532032941678,   24.01409824083091,
                                            -1.231739572450155, 0.001208650973866179, -5.395239384953e-06};
    const double tmp = (x + 5.5) - (x + 0.5) * std::log(x + 5.5);
    double series = 1.000000000190015;
    for (int i = 0; i < 6; ++i) series += kCoefficients[i] / (x + 1.0 + i);
    return std::log(2.5066282746310007 * series / x) - tmp;
}

double BetaDensity(double x, double a, double b) {
    return ScaledBetaDensity(x, a, b, LogBetaFunction(a, b));
}

namespace vovido {

double LogGammaSample(RandomGenerator& generator, double shape) {
    if (shape >= 1.0) return LogGammaSampleAtLeastOne(generator, shape);
    // Gamma(s) = Gamma(s + 1) * U^(1/s).
    return LogGammaSampleAtLeastOne(generator, shape + 1.0) + LogOfPositiveFraction(generator) / shape;
}

double BetaSample(RandomGenerator& generator, double a, double b) {
    // Past kMaxEnvelopeShapes the peak is too high anyway, and its Gamma logarithms cancel too badly
    // to be trusted; a density of mass 1 on [0, 1] peaks at 1 or more.
    if (a >= 1.0 && b >= 1.0 && a + b <= kMaxEnvelopeShapes) {
        const double mode = a == 1.0 && b == 1.0 ? 0.5 : (a - 1.0) / (a + b - 2.0);
        const double logBeta = LogBetaFunction(a, b);
        const double peak = ScaledBetaDensity(mode, a, b, logBeta);
        if (peak >= 1.0 && peak <= kMaxEnvelope) {
            for (int round = 0; round < kMaxRejectionRounds; ++round) {
                const double u1 = generator.NextFraction();
                const double u2 = generator.NextFraction();
                if (u2 * peak < ScaledBetaDensity(u1, a, b, logBeta)) return u1;
            }
        }
    }
    return BetaFromGammas(generator, a, b);
}

double BinomialSample(RandomGenerator& generator, double trials, double p) {
    if (p <= 0.0 || trials <= 0.0) return 0.0;
    if (p >= 1.0) return trials;
    double successes = 0.0;
    // The a-th smallest of n uniforms is Beta(a, n + 1 - a). Below it the other a - 1 are uniform on
    // [0, x), above it the rest on (x, 1]; only the side that still straddles p needs drawing.
    while (trials > kDirectTrials && p > 0.0 && p < 1.0) {
        const double a = 1.0 + std::floor(trials / 2.0);
        const double b = trials + 1.0 - a;
        const double x = BetaSample(generator, a, b);
        if (x >= p) {
            trials = a - 1.0;
            p /= x;
        } else {
            successes += a;
            trials = b - 1.0;
            p = (p - x) / (1.0 - x);
        }
    }
    if (p <= 0.0) return successes;
    if (p >= 1.0) return successes + trials;
    for (double i = 0.0; i < trials; i += 1.0) {
        if (p > generator.NextFraction()) successes += 1.0;
    }
    return successes;
}

}  // namespace vovido
