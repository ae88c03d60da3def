// Interval arithmetic over expression trees.
#include "equations/value_range.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "base/builtin_functions.h"
#include "base/expression.h"

namespace {

using vovido::ValueRange;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kPiValue = 3.141592653589793;
// Beyond this depth a tree is given the whole line rather than walked further on the call stack.
constexpr int kDeepestRangeWalk = 256;

const ValueRange kWhole{};

// The interval of the two ends, or the whole line where either is not a number.
ValueRange Between(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return kWhole;
    return {std::min(a, b), std::max(a, b)};
}

ValueRange Point(double v) {
    return Between(v, v);
}

ValueRange Hull(const ValueRange& a, const ValueRange& b) {
    return {std::min(a.lower, b.lower), std::max(a.upper, b.upper)};
}

// The smallest and largest of the values, or the whole line where one is not a number (0 times an
// infinite end).
ValueRange Spanning(std::initializer_list<double> values) {
    ValueRange out{kInfinity, -kInfinity};
    for (double v : values) {
        if (std::isnan(v)) return kWhole;
        out.lower = std::min(out.lower, v);
        out.upper = std::max(out.upper, v);
    }
    return out;
}

// Of a function that keeps order.
ValueRange Increasing(const ValueRange& a, double (*f)(double)) {
    return Between(f(a.lower), f(a.upper));
}

// The range of |x|.
ValueRange Magnitude(const ValueRange& a) {
    if (a.lower >= 0.0) return a;
    if (a.upper <= 0.0) return {-a.upper, -a.lower};
    return {0.0, std::max(-a.lower, a.upper)};
}

// The part of a within [low, high]; null where a lies wholly outside.
bool Clip(const ValueRange& a, double low, double high, ValueRange& out) {
    out = {std::max(a.lower, low), std::min(a.upper, high)};
    return out.lower <= out.upper;
}

// A product of values that are finite: 0 times an infinite end is 0.
double Times(double x, double y) {
    return x == 0.0 || y == 0.0 ? 0.0 : x * y;
}

ValueRange Product(const ValueRange& a, const ValueRange& b) {
    return Spanning(
        {Times(a.lower, b.lower), Times(a.lower, b.upper), Times(a.upper, b.lower), Times(a.upper, b.upper)});
}

ValueRange Quotient(const ValueRange& a, const ValueRange& b) {
    if (b.lower <= 0.0 && b.upper >= 0.0) return kWhole;
    return Product(a, {1.0 / b.upper, 1.0 / b.lower});
}

ValueRange Power(const ValueRange& base, const ValueRange& exponent) {
    if (exponent.lower == exponent.upper && std::isfinite(exponent.lower)) {
        const double c = exponent.lower;
        if (c == 0.0) return Point(1.0);
        const bool whole = c == std::floor(c);
        const bool odd = whole && std::fmod(c, 2.0) != 0.0;
        if (odd && (c > 0.0 || base.lower > 0.0 || base.upper < 0.0))
            return Between(std::pow(base.lower, c), std::pow(base.upper, c));
        if (whole && !odd) {
            const ValueRange m = Magnitude(base);
            if (c < 0.0 && m.lower == 0.0) return {std::pow(m.upper, c), kInfinity};
            return Between(std::pow(m.lower, c), std::pow(m.upper, c));
        }
        // A power that is no integer takes no negative base.
        ValueRange b;
        if (whole || !Clip(base, 0.0, kInfinity, b)) return kWhole;
        if (c < 0.0 && b.lower == 0.0) return {std::pow(b.upper, c), kInfinity};
        return Between(std::pow(b.lower, c), std::pow(b.upper, c));
    }
    // A positive base of one value: the power is monotonic in the exponent.
    if (base.lower == base.upper && base.lower > 0.0 && std::isfinite(base.lower))
        return Between(std::pow(base.lower, exponent.lower), std::pow(base.lower, exponent.upper));
    return kWhole;
}

// Where a distribution's draws lie, given where its arguments lie.
ValueRange Support(const char* name, const ValueRange* a, int count) {
    auto is = [name](const char* other) { return std::strcmp(name, other) == 0; };
    if (is("Lognormal") || is("Exponential") || is("Weibull")) return {0.0, kInfinity};
    if (is("Beta") || is("Bernoulli")) return {0.0, 1.0};
    if (is("Binomial") && count >= 1) return {0.0, std::max(0.0, std::ceil(a[0].upper))};
    if (is("Uniform") && count >= 2) return {a[0].lower, a[1].upper};
    if (is("Triangular") && count >= 3) return {a[0].lower, a[2].upper};
    return kWhole;
}

// Where an ordinary function's values lie, given where its arguments lie.
ValueRange FunctionRange(const VRX_function& call, const ValueRange* a, int count) {
    if (call.entry == nullptr) return kWhole;
    const char* name = call.GetName();
    auto is = [name](const char* other) { return std::strcmp(name, other) == 0; };
    // Arguments of one value each: the value itself.
    bool points = true;
    for (int i = 0; i < count && points; ++i) points = a[i].lower == a[i].upper && std::isfinite(a[i].lower);
    if (points) {
        FunctionArguments block;
        block.count = count;
        for (int i = 0; i < count; ++i) block.values[i] = a[i].lower;
        const double v = call.entry->evaluate(block);
        return std::isfinite(v) ? Point(v) : kWhole;
    }
    if (count < 1) return kWhole;
    ValueRange clipped;
    if (is("Abs")) return Magnitude(a[0]);
    if (is("Acos"))
        return Clip(a[0], -1.0, 1.0, clipped) ? Between(std::acos(clipped.upper), std::acos(clipped.lower))
                                              : kWhole;
    if (is("Asin")) return Clip(a[0], -1.0, 1.0, clipped) ? Increasing(clipped, std::asin) : kWhole;
    if (is("Atan")) return Increasing(a[0], std::atan);
    if (is("Atan2")) return {-kPiValue, kPiValue};
    if (is("Cos") || is("Sin")) return {-1.0, 1.0};
    if (is("Cosh")) return Increasing(Magnitude(a[0]), std::cosh);
    if (is("Exp")) return Increasing(a[0], std::exp);
    if (is("Ln") || is("Log10") || is("Sqrt") || is("SqrtPi")) {
        // Defined from 0 up; a range wholly below 0 gives no value, left to the draws to find.
        const double scale = is("SqrtPi") ? kPiValue : 1.0;
        if (!Clip({a[0].lower * scale, a[0].upper * scale}, 0.0, kInfinity, clipped)) return kWhole;
        return Increasing(clipped, is("Ln")      ? static_cast<double (*)(double)>(std::log)
                                   : is("Log10") ? static_cast<double (*)(double)>(std::log10)
                                                 : static_cast<double (*)(double)>(std::sqrt));
    }
    if (is("Pow10")) return Between(std::pow(10.0, a[0].lower), std::pow(10.0, a[0].upper));
    if (is("Sign"))
        return Between(a[0].lower > 0.0   ? 1.0
                       : a[0].lower < 0.0 ? -1.0
                                          : 0.0,
                       a[0].upper > 0.0   ? 1.0
                       : a[0].upper < 0.0 ? -1.0
                                          : 0.0);
    if (is("Sinh")) return Increasing(a[0], std::sinh);
    if (is("Sqr")) return Product(Magnitude(a[0]), Magnitude(a[0]));
    if (is("Tanh")) return Increasing(a[0], std::tanh);
    if (is("And") || is("Or") || is("Xor")) return {0.0, 1.0};
    if (is("Combin") || is("Fact") || is("FactDouble") || is("GCD") || is("LCM") || is("Multinomial"))
        return {0.0, kInfinity};
    if (is("If") && count >= 3) return Hull(a[1], a[2]);
    if (is("Trim") && count >= 3) return Hull(a[0], Hull(a[1], a[2]));
    if (is("Max") || is("Min")) {
        ValueRange out = a[0];
        for (int i = 1; i < count; ++i) {
            out.lower = is("Max") ? std::max(out.lower, a[i].lower) : std::min(out.lower, a[i].lower);
            out.upper = is("Max") ? std::max(out.upper, a[i].upper) : std::min(out.upper, a[i].upper);
        }
        return out;
    }
    if (is("Sum") || is("SumSq")) {
        ValueRange out = Point(0.0);
        for (int i = 0; i < count; ++i) {
            const ValueRange term = is("Sum") ? a[i] : Product(Magnitude(a[i]), Magnitude(a[i]));
            out = Spanning({out.lower + term.lower, out.upper + term.upper});
        }
        return out;
    }
    return kWhole;
}

ValueRange Walk(const VRX_expression& e, vovido::FunctionRef<ValueRange(const std::string&)> variable,
                int depth) {
    if (depth > kDeepestRangeWalk) return kWhole;
    auto operand = [&](int i) {
        const VRX_expression* o = e.GetOperand(i);
        return o != nullptr ? Walk(*o, variable, depth + 1) : kWhole;
    };
    ValueRange r;
    switch (e.GetType()) {
        case vovido::kConstantKind:
            r = Point(static_cast<const VRX_constant&>(e).value);
            break;
        case vovido::kVariableKind:
            r = variable(static_cast<const VRX_variable&>(e).name);
            break;
        case vovido::kFunctionKind:
        case vovido::kDistributionKind: {
            const auto& call = static_cast<const VRX_function&>(e);
            const int count = std::min(call.GetParameterCount(), kMaxFunctionArguments);
            ValueRange arguments[kMaxFunctionArguments];
            for (int i = 0; i < count; ++i) arguments[i] = operand(i);
            r = e.GetType() == vovido::kDistributionKind ? Support(call.GetName(), arguments, count)
                                                         : FunctionRange(call, arguments, count);
            break;
        }
        case vovido::kPlusKind: {
            const ValueRange a = operand(0), b = operand(1);
            r = Spanning({a.lower + b.lower, a.upper + b.upper});
            break;
        }
        case vovido::kMinusKind: {
            const ValueRange a = operand(0), b = operand(1);
            r = Spanning({a.lower - b.upper, a.upper - b.lower});
            break;
        }
        case vovido::kMultiplyKind:
            r = Product(operand(0), operand(1));
            break;
        case vovido::kDivideKind:
            r = Quotient(operand(0), operand(1));
            break;
        case vovido::kExpKind:
            r = Power(operand(0), operand(1));
            break;
        case vovido::kConditionalKind:
            r = Hull(operand(1), operand(2));
            break;
        default:  // comparisons
            r = {0.0, 1.0};
            break;
    }
    if (std::isnan(r.lower) || std::isnan(r.upper) || r.lower > r.upper) return kWhole;
    return e.sign < 0 ? ValueRange{-r.upper, -r.lower} : r;
}

}  // namespace

namespace vovido {

bool ValueRange::Holds(double v) const {
    auto slack = [](double end) { return 1e-9 * (1.0 + std::fabs(end)); };
    return v >= lower - slack(lower) && v <= upper + slack(upper);
}

ValueRange RangeOfExpression(const VRX_expression& tree,
                             FunctionRef<ValueRange(const std::string&)> variable) {
    return Walk(tree, variable, 0);
}

ValueRange Intersect(const ValueRange& a, const ValueRange& b) {
    const ValueRange out{std::max(a.lower, b.lower), std::min(a.upper, b.upper)};
    return out.lower <= out.upper ? out : ValueRange{};
}

}  // namespace vovido
