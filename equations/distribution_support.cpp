// Supports and spreads of distribution calls of constant arguments.
#include "equations/distribution_support.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/expression.h"

namespace {

const VRX_function* ConstantCall(const VRX_expression& call, FunctionArguments& block) {
    if (call.GetType() != vovido::kDistributionKind) return nullptr;
    const auto& function = static_cast<const VRX_function&>(call);
    std::vector<std::string> names;
    const std::unique_ptr<VRX_expression> copy = call.Clone();
    GetVariables(*copy, names);
    if (!names.empty()) return nullptr;
    return function.GetArgumentValues(block) ? &function : nullptr;
}

}  // namespace

bool CallSupport(const VRX_expression& call, double& lower, double& upper) {
    FunctionArguments block;
    const VRX_function* function = ConstantCall(call, block);
    if (function == nullptr) return false;
    const char* name = function->GetName();
    const double* v = block.values;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    auto valid = [&](int n) {
        if (block.count < n) return false;
        for (int i = 0; i < n; ++i) {
            if (!std::isfinite(v[i])) return false;
        }
        return true;
    };
    if (std::strcmp(name, "Normal") == 0 && valid(2) && v[1] > 0.0) {
        lower = -kInfinity;
        upper = kInfinity;
    } else if ((std::strcmp(name, "Lognormal") == 0 && valid(2) && v[1] > 0.0) ||
               (std::strcmp(name, "Exponential") == 0 && valid(1) && v[0] > 0.0) ||
               (std::strcmp(name, "Weibull") == 0 && valid(2) && v[0] > 0.0 && v[1] > 0.0)) {
        lower = 0.0;
        upper = kInfinity;
    } else if (std::strcmp(name, "Uniform") == 0 && valid(2) && v[0] < v[1]) {
        lower = v[0];
        upper = v[1];
    } else if (std::strcmp(name, "Triangular") == 0 && valid(3) && v[0] <= v[1] && v[1] <= v[2] &&
               v[0] < v[2]) {
        lower = v[0];
        upper = v[2];
    } else if (std::strcmp(name, "Beta") == 0 && valid(2) && v[0] > 0.0 && v[1] > 0.0) {
        lower = 0.0;
        upper = 1.0;
    } else {
        return false;
    }
    if (call.sign < 0) {
        const double low = lower;
        lower = -upper;
        upper = -low;
    }
    return true;
}

double DistanceOutsideCall(const VRX_expression& call, double x) {
    double lower = 0.0, upper = 0.0;
    if (!CallSupport(call, lower, upper)) return std::nan("");
    if (call.sign < 0) {
        const double low = lower;
        lower = -upper;
        upper = -low;
    }
    return x < lower ? lower - x : x > upper ? x - upper : 0.0;
}

bool CallReach(const VRX_expression& call, int& unboundedSides, double& deviation) {
    double lower = 0.0, upper = 0.0;
    if (!CallSupport(call, lower, upper)) return false;
    unboundedSides = (std::isinf(lower) ? 1 : 0) + (std::isinf(upper) ? 1 : 0);
    double mean = 0.0, variance = 0.0;
    static_cast<const VRX_distribution&>(call).GetMoments(mean, variance);
    deviation = std::isfinite(variance) && variance > 0.0 ? std::sqrt(variance) : 0.0;
    return true;
}

bool IsWholeNumberCall(const VRX_expression& call) {
    if (call.GetType() != vovido::kDistributionKind) return false;
    const char* name = static_cast<const VRX_function&>(call).GetName();
    return std::strcmp(name, "Bernoulli") == 0 || std::strcmp(name, "Binomial") == 0;
}
