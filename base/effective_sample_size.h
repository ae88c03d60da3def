#pragma once
// How many equally weighted samples weighted ones are worth, shared by the discrete and hybrid samplers.

#include <cmath>

namespace vovido {

// (sum of weights)^2 / sum of squared weights; 0 without weight, or where either sum is not finite.
inline double EffectiveSampleSize(double sum, double squares) {
    return sum > 0.0 && squares > 0.0 && std::isfinite(sum) && std::isfinite(squares) ? sum * sum / squares
                                                                                      : 0.0;
}

}  // namespace vovido
