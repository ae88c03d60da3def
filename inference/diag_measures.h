#pragma once
// The uncertainty measures of the diagnostic test ranking: entropies in bits and the marginal measures
// over several pursued faults. Probabilities outside (0, 1), NaN included, add nothing, so no measure is
// ever NaN.

#include <vector>

namespace vovido {

// -p log2 p - (1 - p) log2 (1 - p) for 0 < p < 1, else 0.
double BinaryEntropy(double p);

// -sum p log2 p over the probabilities in (0, 1), plus -r log2 r for the remainder r = 1 - sum p when
// it lies in (0, 1).
double DistributionEntropy(const std::vector<double>& probabilities);

// Measures over the pursued faults' probabilities, both within [-1, 0]: (4 / n) sum (p - 0.5)^2 - 1,
// and the distance from v = 1 - 1/n with the part above v stretched by n - 1.
double QuadraticMeasure(const std::vector<double>& probabilities);
double DistanceMeasure(const std::vector<double>& probabilities);

// Whether a configuration of the fault nodes counts, given how many of them are at a pursued outcome:
// at least one (flag 8, or none of 8, 16, 32), exactly one (16) or all of them (32).
bool ConfigurationMatches(int pursuedCount, int nodeCount, int flags);

}  // namespace vovido
