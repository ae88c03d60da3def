#pragma once
// The logarithm of |Gamma(x)| by the C library, without its process-wide sign: lgamma writes signgam,
// which races when separate networks are learnt or evaluated in separate threads.

#include <cmath>

namespace vovido {

inline double ReentrantLogGamma(double x) {
#if defined(_WIN32)
    return std::lgamma(x);  // this runtime keeps no sign to write
#else
    int sign = 0;
    return lgamma_r(x, &sign);
#endif
}

}  // namespace vovido
