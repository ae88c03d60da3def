// Linear-Gaussian families and the mixture arithmetic of exact messages.
#include "equations/linear_gaussian.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "base/expression.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "definitions/hybrid_element.h"

namespace vovido {

namespace {

constexpr double kNegligibleWeight = 1e-12;
constexpr double kSettled = 1e-2;

bool Near(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * (1.0 + std::fabs(a) + std::fabs(b));
}

// How an expression depends on the parents: not at all, affinely, or otherwise. Decided from the tree
// alone, so that a kink or a step no probe point falls on cannot pass for a straight line.
enum class Degree { kConstant, kAffine, kOther };

Degree Combine(Degree a, Degree b) {
    return std::max(a, b);
}

// Beyond this depth a tree is taken as not affine rather than walked further on the call stack.
constexpr int kDeepestWalk = 256;

// With normalsAffine, a Normal call of a mean affine in the parents and a deviation that does not depend
// on them counts as one more affine term (a Gaussian noise added in), any other call as not affine.
Degree DegreeOf(const VRX_expression* e, const std::vector<std::string>& parents, int depth,
                bool normalsAffine = false) {
    if (e == nullptr || depth > kDeepestWalk) return Degree::kOther;
    auto operand = [&](int i) { return DegreeOf(e->GetOperand(i), parents, depth + 1, normalsAffine); };
    switch (e->GetType()) {
        case kConstantKind:
            return Degree::kConstant;
        case kVariableKind: {
            const std::string& name = static_cast<const VRX_variable*>(e)->name;
            return std::find(parents.begin(), parents.end(), name) != parents.end() ? Degree::kAffine
                                                                                    : Degree::kConstant;
        }
        case kPlusKind:
        case kMinusKind:
            return Combine(operand(0), operand(1));
        case kMultiplyKind: {
            const Degree a = operand(0), b = operand(1);
            return a == Degree::kConstant || b == Degree::kConstant ? Combine(a, b) : Degree::kOther;
        }
        case kDivideKind: {
            const Degree a = operand(0), b = operand(1);
            return b == Degree::kConstant ? a : Degree::kOther;
        }
        case kConditionalKind:
            // A condition that does not depend on the parents picks one branch for good.
            return operand(0) == Degree::kConstant ? Combine(operand(1), operand(2)) : Degree::kOther;
        case kFunctionKind: {
            const auto* call = static_cast<const VRX_function*>(e);
            const int count = call->GetParameterCount();
            Degree all = Degree::kConstant;
            for (int i = 0; i < count; ++i) all = Combine(all, operand(i));
            if (all == Degree::kConstant || all == Degree::kOther) return all;
            if (std::strcmp(call->GetName(), "Sum") == 0) return all;
            if (std::strcmp(call->GetName(), "If") == 0 && operand(0) == Degree::kConstant) return all;
            return Degree::kOther;
        }
        case kDistributionKind: {
            // A draw inside a mean is not a fixed function of the parents.
            const auto* call = static_cast<const VRX_function*>(e);
            return normalsAffine && std::strcmp(call->GetName(), "Normal") == 0 &&
                           operand(0) != Degree::kOther && operand(1) == Degree::kConstant
                       ? Degree::kAffine
                       : Degree::kOther;
        }
        default: {
            // Powers and comparisons: constant only when no operand depends on the parents.
            for (int i = 0; i < e->GetOperandCount(); ++i) {
                if (e->GetOperand(i) != nullptr && operand(i) != Degree::kConstant) return Degree::kOther;
            }
            return Degree::kConstant;
        }
    }
}

// True when the element is an equation affine in the parents, or else its Normal call (normal, found by
// the caller) has a mean affine in them and a deviation that does not depend on them.
bool AffineInParents(VRX_Helement& element, const VRX_function* normal,
                     const std::vector<std::string>& parents) {
    if (element.IsEquation())
        return DegreeOf(static_cast<VRX_equationElement&>(element).GetMainExpression(), parents, 0) !=
               Degree::kOther;
    return DegreeOf(normal->GetOperand(0), parents, 0) != Degree::kOther &&
           DegreeOf(normal->GetOperand(1), parents, 0) == Degree::kConstant;
}

// The moments of a distribution whose one call is added to deterministic terms: the call's, its sign
// applied and shifted by the terms; false without such a call, or where they are undefined.
bool AddedMoments(VRX_distributionElement& element, double& mean, double& variance) {
    const VRX_expression* located = nullptr;
    double at0 = 0.0, at1 = 0.0;
    // The call stands for (v - rest) * sign at the value v.
    if (!element.LocateInCall(0.0, located, at0) || !element.LocateInCall(1.0, located, at1) ||
        located->GetType() != kDistributionKind)
        return false;
    const double sign = at1 - at0, rest = -at0 * sign;
    static_cast<const VRX_distribution*>(located)->GetMoments(mean, variance);
    mean = rest + sign * mean;
    return std::isfinite(mean) && !IsUndefinedValue(mean) && variance > 0.0 && std::isfinite(variance) &&
           !IsUndefinedValue(variance);
}

}  // namespace

bool ProbeLinearGaussian(VRX_Helement& element, const std::vector<std::string>& parentIds,
                         LinearGaussianCell& out) {
    // An equation is the family of variance 0.
    const bool equation = element.IsEquation();
    auto* distribution = dynamic_cast<VRX_distributionElement*>(&element);
    const auto* call =
        distribution != nullptr ? dynamic_cast<const VRX_function*>(&distribution->GetExpression()) : nullptr;
    // A Normal added to terms affine in the parents (2*x + Normal(0, 1)) is the same family written
    // otherwise: the call's moments shifted by the other terms.
    const bool bare =
        equation || (call != nullptr && call->sign == 1 && std::strcmp(call->GetName(), "Normal") == 0);
    if (bare ? !AffineInParents(element, call, parentIds)
             : distribution == nullptr || call != nullptr ||
                   DegreeOf(&distribution->GetExpression(), parentIds, 0, true) != Degree::kAffine)
        return false;
    const size_t n = parentIds.size();
    // Mean and variance at the point x; false when the element has no moments there.
    auto at = [&](const std::vector<double>& x, double& mean, double& variance) {
        for (size_t j = 0; j < n; ++j) element.SetVariableValue(parentIds[j], x[j]);
        variance = 0.0;
        if (equation) return element.Evaluate(mean) == kSuccess && std::isfinite(mean);
        if (!bare) return AddedMoments(*distribution, mean, variance);
        return element.GetMeanAndVariance(mean, variance) == kSuccess && std::isfinite(mean) &&
               variance > 0.0 && std::isfinite(variance);
    };
    std::vector<double> x(n, 0.0);
    if (!at(x, out.intercept, out.variance)) return false;
    out.slopes.assign(n, 0.0);
    for (size_t j = 0; j < n; ++j) {
        double mean = 0.0, variance = 0.0;
        x.assign(n, 0.0);
        x[j] = 1.0;
        if (!at(x, mean, variance) || !Near(variance, out.variance)) return false;
        out.slopes[j] = mean - out.intercept;
    }
    // The form is known affine; points off the axes still catch a table function that is not.
    for (double scale : {1.7, -2.3}) {
        double predicted = out.intercept, mean = 0.0, variance = 0.0;
        for (size_t j = 0; j < n; ++j) {
            x[j] = scale * (1.0 + 0.37 * static_cast<double>(j));
            predicted += out.slopes[j] * x[j];
        }
        if (!at(x, mean, variance) || !Near(mean, predicted) || !Near(variance, out.variance)) return false;
    }
    return true;
}

bool GaussianInParents(VRX_Helement& element, const std::vector<std::string>& parentIds) {
    LinearGaussianCell cell;
    if (ProbeLinearGaussian(element, parentIds, cell)) return true;
    const auto* distribution = dynamic_cast<const VRX_distributionElement*>(&element);
    return distribution != nullptr &&
           DegreeOf(&distribution->GetExpression(), parentIds, 0, true) == Degree::kAffine;
}

bool NormaliseComponents(Components& components) {
    double total = 0.0;
    for (const MixtureComponent& c : components) total += c.weight;
    if (!(total > 0.0) || !std::isfinite(total)) return false;
    size_t kept = 0;
    for (const MixtureComponent& c : components) {
        if (c.weight / total > kNegligibleWeight) components[kept++] = {c.weight / total, c.mean, c.variance};
    }
    components.resize(kept);
    return kept > 0;
}

bool MultiplyComponents(const Components& a, const Components& b, size_t limit, Components& out) {
    out.clear();
    if (a.size() * b.size() > limit) return false;
    for (const MixtureComponent& x : a) {
        for (const MixtureComponent& y : b) {
            MixtureComponent product;
            MultiplyComponent(x, y.mean, y.variance, product);
            product.weight *= y.weight;
            out.push_back(product);
        }
    }
    return NormaliseComponents(out);
}

namespace {

// The cost of merging two components: small for close and alike ones of small weight.
double MergeCost(const MixtureComponent& x, const MixtureComponent& y) {
    const double d = x.mean - y.mean;
    return x.weight * y.weight / (x.weight + y.weight) *
           (d * d / (x.variance + y.variance) + std::fabs(std::log(x.variance / y.variance)));
}

void Moments(const Components& components, double& mean, double& variance) {
    double w = 0.0, m1 = 0.0, m2 = 0.0;
    for (const MixtureComponent& c : components) {
        w += c.weight;
        m1 += c.weight * c.mean;
        m2 += c.weight * (c.variance + c.mean * c.mean);
    }
    mean = w > 0.0 ? m1 / w : 0.0;
    variance = w > 0.0 ? std::max(m2 / w - mean * mean, 0.0) : 0.0;
}

}  // namespace

void ReduceComponents(Components& components, size_t most) {
    // Pairs cheaper than this are merged whatever the count: they describe the same bump.
    constexpr double kAlike = 2e-3;
    const size_t n = components.size();
    if (n < 2) return;
    std::vector<double> cost(n * n, 0.0);
    std::vector<char> alive(n, 1);
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i + 1; j < n; ++j) cost[i * n + j] = MergeCost(components[i], components[j]);
    }
    for (size_t left = n; left > 1; --left) {
        size_t a = 0, b = 0;
        double best = -1.0;
        for (size_t i = 0; i < n; ++i) {
            if (!alive[i]) continue;
            for (size_t j = i + 1; j < n; ++j) {
                if (alive[j] && (best < 0.0 || cost[i * n + j] < best)) {
                    best = cost[i * n + j];
                    a = i;
                    b = j;
                }
            }
        }
        if (left <= most && !(best < kAlike)) break;
        const MixtureComponent x = components[a], y = components[b];
        const double w = x.weight + y.weight;
        const double mean = (x.weight * x.mean + y.weight * y.mean) / w;
        const double second =
            (x.weight * (x.variance + x.mean * x.mean) + y.weight * (y.variance + y.mean * y.mean)) / w;
        components[a] = {w, mean, std::max(second - mean * mean, 1e-12)};
        alive[b] = 0;
        for (size_t i = 0; i < n; ++i) {
            if (alive[i] && i != a)
                cost[std::min(i, a) * n + std::max(i, a)] = MergeCost(components[i], components[a]);
        }
    }
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i) {
        if (alive[i]) components[kept++] = components[i];
    }
    components.resize(kept);
}

bool SameDistribution(const Components& a, const Components& b) {
    double m1 = 0.0, v1 = 0.0, m2 = 0.0, v2 = 0.0;
    Moments(a, m1, v1);
    Moments(b, m2, v2);
    const double spread = std::sqrt(std::max(v1, v2));
    return std::fabs(m1 - m2) <= kSettled * spread && std::fabs(v1 - v2) <= kSettled * std::max(v1, v2);
}

Components UsedComponents(const GaussianMixture& mixture) {
    const size_t n =
        static_cast<size_t>(std::clamp<int>(mixture.count, 0, static_cast<int>(mixture.components.size())));
    return Components(mixture.components.begin(),
                      mixture.components.begin() + static_cast<std::ptrdiff_t>(n));
}

bool UsableComponents(const GaussianMixture& mixture, Components& out) {
    out.clear();
    for (int i = 0; i < mixture.count && i < static_cast<int>(mixture.components.size()); ++i) {
        const MixtureComponent& c = mixture.components[static_cast<size_t>(i)];
        if (c.weight > 1e-7 && c.variance > 1e-7) out.push_back(c);
    }
    return NormaliseComponents(out);
}

}  // namespace vovido
