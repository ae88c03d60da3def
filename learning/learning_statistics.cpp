// The learning library's random numbers and its numeric routines.
#include "learning/learning_statistics.h"

#include <cmath>
#include <ctime>

#include "base/distribution_samplers.h"

namespace {

constexpr int kTableSize = 32;
constexpr int kModulus = 2147483647;

struct ShuffleState {
    int table[kTableSize] = {};
    int last = 0;
    float cachedNormal = 0.0f;
    bool hasCachedNormal = false;
};

// Per thread, like the engine's other generators, so separate learners in separate threads never race.
thread_local ShuffleState shuffle;

// seed = 16807 * seed mod (2^31 - 1) without overflow (Schrage).
void Step(int& seed) {
    const int k = seed / 127773;
    seed = 16807 * (seed - k * 127773) - 2836 * k;
    if (seed < 0) seed += kModulus;
}

}  // namespace

void time_seed(int& seed) {
    seed = -static_cast<int>(std::time(nullptr) % 2000);
}

double uniform_random(int& seed) {
    if (seed <= 0 || shuffle.last == 0) {
        seed = -seed < 1 ? 1 : -seed;
        for (int j = kTableSize + 7; j >= 0; --j) {
            Step(seed);
            if (j < kTableSize) shuffle.table[j] = seed;
        }
        shuffle.last = shuffle.table[0];
    }
    Step(seed);
    const int j = shuffle.last / 67108864;
    const int out = shuffle.table[j];
    shuffle.table[j] = seed;
    shuffle.last = out;
    const double value = out * 4.656612875245797e-10;
    return value > 0.99999988 ? 0.99999988 : value;
}

float gaussian_random(int& seed) {
    if (shuffle.hasCachedNormal) {
        shuffle.hasCachedNormal = false;
        return shuffle.cachedNormal;
    }
    float u, v, s;
    do {
        u = static_cast<float>(2.0 * uniform_random(seed) - 1.0);
        v = static_cast<float>(2.0 * uniform_random(seed) - 1.0);
        s = u * u + v * v;
    } while (s >= 1.0f || s == 0.0f);
    const float f = std::sqrt(-2.0f * std::log(s) / s);
    shuffle.cachedNormal = u * f;
    shuffle.hasCachedNormal = true;
    return v * f;
}

float normal_random(float mean, float deviation, int& seed) {
    return gaussian_random(seed) * deviation + mean;
}

int uniform_int_random(int low, int high, int& seed) {
    if (high <= low) return low;
    return low + static_cast<int>(uniform_random(seed) * (high - low));
}

double log_gamma(double x) {
    return LogGamma(x);
}

namespace {

// P(a, x) by its series; when the series has not settled after its terms the continued fraction
// (which converges there) gives the answer instead.
float ContinuedFractionTail(float a, float x, float g) {
    float b = x + 1.0f - a;
    float c = 1e30f;
    float d = 1.0f / b;
    float h = d;
    for (int i = 1; i <= 100; ++i) {
        const float an = -i * (i - a);
        b += 2.0f;
        d = an * d + b;
        if (std::fabs(d) < 1e-30f) d = 1e-30f;
        c = b + an / c;
        if (std::fabs(c) < 1e-30f) c = 1e-30f;
        d = 1.0f / d;
        const float del = d * c;
        h *= del;
        if (std::fabs(del - 1.0f) < 3e-7f) break;
    }
    return std::exp(a * std::log(x) - x - g) * h;
}

}  // namespace

float chi_square_tail(float a, float x) {
    if (x < 0.0f || a <= 0.0f) return -1.0f;
    const float g = static_cast<float>(log_gamma(a));
    if (x < a + 1.0f) {
        if (x <= 0.0f) return 1.0f;
        float sum = 1.0f / a;
        float del = sum;
        bool converged = false;
        for (int n = 1; n <= 100; ++n) {
            del *= x / (a + n);
            sum += del;
            if (std::fabs(del) < std::fabs(sum) * 3e-7f) {
                converged = true;
                break;
            }
        }
        if (converged) return 1.0f - sum * std::exp(a * std::log(x) - x - g);
    }
    return ContinuedFractionTail(a, x, g);
}

double normal_cdf(double x) {
    if (x > 6.0) return 1.0;
    if (x < -6.0) return 0.0;
    const double t = 1.0 / (1.0 + 0.2316419 * std::fabs(x));
    const double p =
        1.0 -
        0.3989423 * std::exp(-x * x / 2.0) * t *
            (0.31938153 + t * (-0.356563782 + t * (1.781477937 + t * (-1.821255978 + t * 1.330274429))));
    return x >= 0.0 ? p : 1.0 - p;
}
