// Entropies and marginal measures of the diagnostic test ranking.
#include "inference/diag_measures.h"

#include <cmath>

#include "inference/diag_session.h"

namespace vovido {

namespace {

// -p log2 p for 0 < p < 1, else 0 (the limit at 0, and nothing for what is no probability).
double EntropyTerm(double p) {
    return p > 0.0 && p < 1.0 ? -p * std::log2(p) : 0.0;
}

}  // namespace

double BinaryEntropy(double p) {
    if (!(p > 0.0 && p < 1.0)) return 0.0;
    return EntropyTerm(p) + EntropyTerm(1.0 - p);
}

double DistributionEntropy(const std::vector<double>& probabilities) {
    double sum = 0.0;
    double entropy = 0.0;
    for (double p : probabilities) {
        sum += p;
        entropy += EntropyTerm(p);
    }
    return entropy + EntropyTerm(1.0 - sum);
}

double QuadraticMeasure(const std::vector<double>& probabilities) {
    const double n = static_cast<double>(probabilities.size());
    if (n == 0.0) return 0.0;
    double sum = 0.0;
    for (double p : probabilities) sum += (p - 0.5) * (p - 0.5);
    return 4.0 / n * sum - 1.0;
}

double DistanceMeasure(const std::vector<double>& probabilities) {
    const double n = static_cast<double>(probabilities.size());
    const double v = 1.0 - 1.0 / n;
    // One fault alone has v = 0: no spread to measure against.
    if (n == 0.0 || v == 0.0) return 0.0;
    double sum = 0.0;
    for (double p : probabilities) {
        const double d = p <= v ? p - v : (p - v) * (n - 1.0);
        sum += d * d;
    }
    return sum / (v * v * n) - 1.0;
}

bool ConfigurationMatches(int pursuedCount, int nodeCount, int flags) {
    if ((flags & DiagMode::kAtLeastOne) != 0 || (flags & (DiagMode::kExactlyOne | DiagMode::kAll)) == 0) {
        return pursuedCount >= 1;
    }
    if ((flags & DiagMode::kExactlyOne) != 0) return pursuedCount == 1;
    return pursuedCount == nodeCount;
}

}  // namespace vovido
