#pragma once
// Exact rescaling of table entries by powers of two, for tables whose entries would underflow.

#include <cmath>

namespace vovido {

// Multiplies by 2^shift in steps that stay finite.
inline void ScaleUp(double* entries, int n, int shift) {
    while (shift > 0) {
        const int step = shift < 512 ? shift : 512;
        const double factor = std::ldexp(1.0, step);
        for (int i = 0; i < n; i++) entries[i] *= factor;
        shift -= step;
    }
}

}  // namespace vovido
