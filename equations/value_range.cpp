// Interval arithmetic over expression trees.
#include "equations/value_range.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "base/builtin_functions.h"
#include "base/expression.h"

namespace {

using vovido::ValueRange;

constexpr double kUnbounded = std::numeric_limits<double>::infinity();
constexpr double kPiValue = 3.141592653589793;
// Beyond this depth a tree is given the whole line rather than walked further on the call stack.
constexpr int kDeepestRangeWalk = 256;

const ValueRange kWhole{};
// The whole line, some evaluations giving no number.
const ValueRange kAnything{-kUnbounded, kUnbounded, true};

// The interval of the two ends, or the whole line where either is not a number.
ValueRange RangeBetween(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return kAnything;
    return {std::min(a, b), std::max(a, b)};
}

ValueRange RangeHull(const ValueRange& a, const ValueRange& b) {
    return {std::min(a.lower, b.lower), std::max(a.upper, b.upper), a.undefined || b.undefined};
}

bool HasInfiniteEnd(const ValueRange& a) {
    return std::isinf(a.lower) || std::isinf(a.upper);
}

bool HoldsZero(const ValueRange& a) {
    return a.lower <= 0.0 && a.upper >= 0.0;
}

// The smallest and largest of the values, or the whole line where one is not a number.
ValueRange RangeSpanning(std::initializer_list<double> values) {
    ValueRange out{kUnbounded, -kUnbounded};
    for (double v : values) {
        if (std::isnan(v)) return kAnything;
        out.lower = std::min(out.lower, v);
        out.upper = std::max(out.upper, v);
    }
    return out;
}

// Of a function that keeps order.
ValueRange IncreasingRange(const ValueRange& a, double (*f)(double)) {
    ValueRange out = RangeBetween(f(a.lower), f(a.upper));
    out.undefined = out.undefined || a.undefined;
    return out;
}

// The range of |x|.
ValueRange MagnitudeRange(const ValueRange& a) {
    if (a.lower >= 0.0) return a;
    if (a.upper <= 0.0) return {-a.upper, -a.lower, a.undefined};
    return {0.0, std::max(-a.lower, a.upper), a.undefined};
}

// The part of a within [low, high], which gives no number outside it; false where a lies wholly outside.
bool ClipRange(const ValueRange& a, double low, double high, ValueRange& out) {
    out = {std::max(a.lower, low), std::min(a.upper, high), a.undefined || a.lower < low || a.upper > high};
    return out.lower <= out.upper;
}

// A product of ends: 0 times an infinite end is 0 for the finite values that end stands for.
double EndTimes(double x, double y) {
    return x == 0.0 || y == 0.0 ? 0.0 : x * y;
}

ValueRange RangeProduct(const ValueRange& a, const ValueRange& b) {
    ValueRange out = RangeSpanning({EndTimes(a.lower, b.lower), EndTimes(a.lower, b.upper),
                                    EndTimes(a.upper, b.lower), EndTimes(a.upper, b.upper)});
    out.undefined = out.undefined || a.undefined || b.undefined || (HoldsZero(a) && HasInfiniteEnd(b)) ||
                    (HoldsZero(b) && HasInfiniteEnd(a));
    return out;
}

ValueRange RangeQuotient(const ValueRange& a, const ValueRange& b) {
    if (HoldsZero(b)) return kAnything;
    ValueRange out = RangeProduct(a, {1.0 / b.upper, 1.0 / b.lower, b.undefined});
    out.undefined = out.undefined || (HasInfiniteEnd(a) && HasInfiniteEnd(b));
    return out;
}

ValueRange RangeSum(const ValueRange& a, const ValueRange& b, bool difference) {
    const ValueRange& c = difference ? ValueRange{-b.upper, -b.lower, b.undefined} : b;
    ValueRange out = RangeSpanning({a.lower + c.lower, a.upper + c.upper});
    out.undefined = out.undefined || a.undefined || c.undefined ||
                    (a.lower == -kUnbounded && c.upper == kUnbounded) ||
                    (a.upper == kUnbounded && c.lower == -kUnbounded);
    return out;
}

ValueRange RangePowerOf(const ValueRange& base, const ValueRange& exponent) {
    if (exponent.lower == exponent.upper && std::isfinite(exponent.lower)) {
        const double c = exponent.lower;
        if (c == 0.0) return {1.0, 1.0};
        const bool whole = c == std::floor(c);
        const bool odd = whole && std::fmod(c, 2.0) != 0.0;
        if (odd && (c > 0.0 || base.lower > 0.0 || base.upper < 0.0))
            return RangeBetween(std::pow(base.lower, c), std::pow(base.upper, c));
        if (whole && !odd) {
            const ValueRange m = MagnitudeRange(base);
            if (c < 0.0 && m.lower == 0.0) return {std::pow(m.upper, c), kUnbounded};
            return RangeBetween(std::pow(m.lower, c), std::pow(m.upper, c));
        }
        // A power that is no integer gives no number of a negative base.
        ValueRange b;
        if (whole || base.lower == -kUnbounded || !ClipRange(base, 0.0, kUnbounded, b)) return kAnything;
        ValueRange out = c < 0.0 && b.lower == 0.0 ? ValueRange{std::pow(b.upper, c), kUnbounded}
                                                   : RangeBetween(std::pow(b.lower, c), std::pow(b.upper, c));
        out.undefined = b.undefined;
        return out;
    }
    // A positive base of one value: the power is monotonic in the exponent.
    if (base.lower == base.upper && base.lower > 0.0 && std::isfinite(base.lower))
        return RangeBetween(std::pow(base.lower, exponent.lower), std::pow(base.lower, exponent.upper));
    return kAnything;
}

ValueRange RangePower(const ValueRange& base, const ValueRange& exponent) {
    ValueRange out = RangePowerOf(base, exponent);
    out.undefined = out.undefined || base.undefined || exponent.undefined;
    return out;
}

// Where a distribution's draws lie, given where its arguments lie (arguments that give no number make
// the parameters invalid: such draws are left out).
ValueRange SupportRange(const char* name, const ValueRange* a, int count) {
    auto is = [name](const char* other) { return std::strcmp(name, other) == 0; };
    if (is("Lognormal") || is("Exponential") || is("Weibull")) return {0.0, kUnbounded};
    if (is("Beta") || is("Bernoulli")) return {0.0, 1.0};
    if (is("Binomial") && count >= 1) return {0.0, std::max(0.0, std::ceil(a[0].upper))};
    if (is("Uniform") && count >= 2) return {a[0].lower, a[1].upper};
    if (is("Triangular") && count >= 3) return {a[0].lower, a[2].upper};
    return kWhole;
}

// Min and Max pass over an argument that is no number (unless it comes first): where one may not be,
// the value is any of the arguments'.
ValueRange ExtremeRange(const ValueRange* a, int count, bool largest) {
    ValueRange out = a[0], hull = a[0];
    bool skipped = false;
    for (int i = 1; i < count; ++i) {
        out.lower = largest ? std::max(out.lower, a[i].lower) : std::min(out.lower, a[i].lower);
        out.upper = largest ? std::max(out.upper, a[i].upper) : std::min(out.upper, a[i].upper);
        hull = RangeHull(hull, a[i]);
        skipped = skipped || a[i].undefined;
    }
    if (skipped) out = {hull.lower, hull.upper};
    out.undefined = a[0].undefined;
    return out;
}

double SignOf(double x) {
    return x > 0.0 ? 1.0 : x < 0.0 ? -1.0 : 0.0;
}

// Where an ordinary function's values lie, given where its arguments lie.
ValueRange FunctionRange(const VRX_function& call, const ValueRange* a, int count) {
    if (call.entry == nullptr) return kAnything;
    const char* name = call.GetName();
    auto is = [name](const char* other) { return std::strcmp(name, other) == 0; };
    // Arguments of one value each: the value itself.
    bool points = true;
    for (int i = 0; i < count && points; ++i)
        points = a[i].lower == a[i].upper && std::isfinite(a[i].lower) && !a[i].undefined;
    if (points) {
        FunctionArguments block;
        block.count = count;
        for (int i = 0; i < count; ++i) block.values[i] = a[i].lower;
        const double v = call.entry->evaluate(block);
        return std::isfinite(v) ? ValueRange{v, v} : kAnything;
    }
    if (count < 1) return kAnything;
    ValueRange clipped;
    if (is("Abs")) return MagnitudeRange(a[0]);
    if (is("Acos")) {
        if (!ClipRange(a[0], -1.0, 1.0, clipped)) return kAnything;
        ValueRange out = RangeBetween(std::acos(clipped.upper), std::acos(clipped.lower));
        out.undefined = clipped.undefined;
        return out;
    }
    if (is("Asin"))
        return ClipRange(a[0], -1.0, 1.0, clipped) ? IncreasingRange(clipped, std::asin) : kAnything;
    if (is("Atan")) return IncreasingRange(a[0], std::atan);
    if (is("Cosh")) return IncreasingRange(MagnitudeRange(a[0]), std::cosh);
    if (is("Exp")) return IncreasingRange(a[0], std::exp);
    if (is("Pow10")) return IncreasingRange(a[0], [](double x) { return std::pow(10.0, x); });
    if (is("Sinh")) return IncreasingRange(a[0], std::sinh);
    if (is("Sqr")) return RangeProduct(MagnitudeRange(a[0]), MagnitudeRange(a[0]));
    if (is("Tanh")) return IncreasingRange(a[0], std::tanh);
    if (is("Ln") || is("Log10") || is("Sqrt") || is("SqrtPi")) {
        // From 0 up; a range wholly below 0 gives no number at all, which the draws find soon enough.
        const double scale = is("SqrtPi") ? kPiValue : 1.0;
        if (!ClipRange({a[0].lower * scale, a[0].upper * scale, a[0].undefined}, 0.0, kUnbounded, clipped))
            return kAnything;
        if (is("Ln")) return IncreasingRange(clipped, [](double x) { return std::log(x); });
        if (is("Log10")) return IncreasingRange(clipped, [](double x) { return std::log10(x); });
        return IncreasingRange(clipped, [](double x) { return std::sqrt(x); });
    }
    if (is("Cos") || is("Sin")) return {-1.0, 1.0, a[0].undefined || HasInfiniteEnd(a[0])};
    if (is("Atan2")) return {-kPiValue, kPiValue, a[0].undefined || (count > 1 && a[1].undefined)};
    if (is("Sign")) {
        // A value that is no number has the sign 0.
        ValueRange out = RangeBetween(SignOf(a[0].lower), SignOf(a[0].upper));
        if (a[0].undefined) out = RangeHull(out, {0.0, 0.0});
        out.undefined = false;
        return out;
    }
    if (is("And") || is("Or") || is("Xor")) return {0.0, 1.0};
    // The integer functions give the undefined marker, just above 0, for what is no number.
    if (is("Combin") || is("Fact") || is("FactDouble") || is("GCD") || is("LCM") || is("Multinomial"))
        return {0.0, kUnbounded};
    if (is("If") && count >= 3) return RangeHull(a[1], a[2]);
    if (is("Trim") && count >= 3) {
        ValueRange out = RangeHull(a[0], RangeHull(a[1], a[2]));
        out.undefined = a[0].undefined;
        return out;
    }
    if (is("Max") || is("Min")) return ExtremeRange(a, count, is("Max"));
    if (is("Sum") || is("SumSq")) {
        ValueRange out{0.0, 0.0};
        for (int i = 0; i < count; ++i)
            out = RangeSum(out, is("Sum") ? a[i] : RangeProduct(MagnitudeRange(a[i]), MagnitudeRange(a[i])),
                           false);
        return out;
    }
    return kAnything;
}

ValueRange RangeWalk(const VRX_expression& e, vovido::FunctionRef<ValueRange(const std::string&)> variable,
                     int depth) {
    if (depth > kDeepestRangeWalk) return kAnything;
    auto operand = [&](int i) {
        const VRX_expression* o = e.GetOperand(i);
        return o != nullptr ? RangeWalk(*o, variable, depth + 1) : kAnything;
    };
    ValueRange r;
    switch (e.GetType()) {
        case vovido::kConstantKind: {
            const double v = static_cast<const VRX_constant&>(e).value;
            r = {v, v};
            break;
        }
        case vovido::kVariableKind:
            // A parent's value is a number: a draw that gives none weighs nothing.
            r = variable(static_cast<const VRX_variable&>(e).name);
            r.undefined = false;
            break;
        case vovido::kFunctionKind:
        case vovido::kDistributionKind: {
            const auto& call = static_cast<const VRX_function&>(e);
            const int count = std::min(call.GetParameterCount(), kMaxFunctionArguments);
            ValueRange arguments[kMaxFunctionArguments];
            for (int i = 0; i < count; ++i) arguments[i] = operand(i);
            r = e.GetType() == vovido::kDistributionKind ? SupportRange(call.GetName(), arguments, count)
                                                         : FunctionRange(call, arguments, count);
            break;
        }
        case vovido::kPlusKind:
        case vovido::kMinusKind:
            r = RangeSum(operand(0), operand(1), e.GetType() == vovido::kMinusKind);
            break;
        case vovido::kMultiplyKind:
            r = RangeProduct(operand(0), operand(1));
            break;
        case vovido::kDivideKind:
            r = RangeQuotient(operand(0), operand(1));
            break;
        case vovido::kExpKind:
            r = RangePower(operand(0), operand(1));
            break;
        case vovido::kConditionalKind:
            // A condition that is no number picks the first branch.
            r = RangeHull(operand(1), operand(2));
            break;
        default:  // comparisons, of numbers or not
            r = {0.0, 1.0};
            break;
    }
    if (std::isnan(r.lower) || std::isnan(r.upper) || r.lower > r.upper) return kAnything;
    return e.sign < 0 ? ValueRange{-r.upper, -r.lower, r.undefined} : r;
}

}  // namespace

namespace vovido {

bool ValueRange::Holds(double v) const {
    // The ends are computed in doubles: a value a rounding away is not ruled out.
    auto slack = [](double end) { return std::isinf(end) ? 0.0 : 1e-9 * (1.0 + std::fabs(end)); };
    return v >= lower - slack(lower) && v <= upper + slack(upper);
}

ValueRange RangeOfExpression(const VRX_expression& tree,
                             FunctionRef<ValueRange(const std::string&)> variable) {
    return RangeWalk(tree, variable, 0);
}

ValueRange Intersect(const ValueRange& a, const ValueRange& b) {
    const ValueRange out{std::max(a.lower, b.lower), std::min(a.upper, b.upper), a.undefined};
    return out.lower <= out.upper ? out : ValueRange{};
}

}  // namespace vovido
