#pragma once
// Log-gamma of a base plus a whole count, remembered per base: the scores of a search ask for the same
// prior count plus the same small counts again and again. Other arguments are computed directly.

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "base/log_gamma.h"

class log_gamma_memo {
public:
    double at(double base, double count) {
        if (!(count >= 0.0) || count > kLargestCount || count != std::floor(count))
            return vovido::ReentrantLogGamma(base + count);
        if (base != base_) {
            base_ = base;
            values_.clear();
        }
        const size_t n = static_cast<size_t>(count);
        if (n >= values_.size()) values_.resize(n + 1, std::numeric_limits<double>::quiet_NaN());
        double& value = values_[n];
        if (std::isnan(value)) value = vovido::ReentrantLogGamma(base + count);
        return value;
    }

private:
    static constexpr double kLargestCount = 65536.0;
    double base_ = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values_;
};
