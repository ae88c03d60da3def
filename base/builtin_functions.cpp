// The function table of equations and its ordinary (non-random) functions.
#include "base/builtin_functions.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "base/distributions.h"
#include "base/number_text.h"

namespace {

using vovido::TruncateToInt;

constexpr double kPi = 3.141592653589793;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

const double* V(const FunctionArguments& a) {
    return a.values;
}

double Abs(const FunctionArguments& a) {
    return std::fabs(V(a)[0]);
}
double Acos(const FunctionArguments& a) {
    return std::acos(V(a)[0]);
}
double Asin(const FunctionArguments& a) {
    return std::asin(V(a)[0]);
}
double Atan(const FunctionArguments& a) {
    return std::atan(V(a)[0]);
}
double Atan2(const FunctionArguments& a) {
    return std::atan2(V(a)[0], V(a)[1]);
}
double Cos(const FunctionArguments& a) {
    return std::cos(V(a)[0]);
}
double Cosh(const FunctionArguments& a) {
    return std::cosh(V(a)[0]);
}
double Exp(const FunctionArguments& a) {
    return std::exp(V(a)[0]);
}
double Ln(const FunctionArguments& a) {
    return std::log(V(a)[0]);
}
double Log(const FunctionArguments& a) {
    return std::log(V(a)[0]) / std::log(V(a)[1]);
}
double Log10(const FunctionArguments& a) {
    return std::log10(V(a)[0]);
}
double Pi(const FunctionArguments&) {
    return kPi;
}
double Pow10(const FunctionArguments& a) {
    return std::pow(10.0, V(a)[0]);
}
double Sin(const FunctionArguments& a) {
    return std::sin(V(a)[0]);
}
double Sinh(const FunctionArguments& a) {
    return std::sinh(V(a)[0]);
}
double Sqr(const FunctionArguments& a) {
    return V(a)[0] * V(a)[0];
}
double Sqrt(const FunctionArguments& a) {
    return std::sqrt(V(a)[0]);
}
double SqrtPi(const FunctionArguments& a) {
    return std::sqrt(V(a)[0] * kPi);
}
double Tan(const FunctionArguments& a) {
    return std::tan(V(a)[0]);
}
double Tanh(const FunctionArguments& a) {
    return std::tanh(V(a)[0]);
}

double If(const FunctionArguments& a) {
    return V(a)[0] != 0.0 ? V(a)[1] : V(a)[2];
}

double Sign(const FunctionArguments& a) {
    if (V(a)[0] > 0.0) return 1.0;
    return V(a)[0] < 0.0 ? -1.0 : 0.0;
}

double Trim(const FunctionArguments& a) {
    if (V(a)[1] > V(a)[0]) return V(a)[1];
    return V(a)[0] > V(a)[2] ? V(a)[2] : V(a)[0];
}

// NaN counts as non-zero in the logical functions.
double And(const FunctionArguments& a) {
    for (int i = 0; i < a.count; ++i) {
        if (V(a)[i] == 0.0) return 0.0;
    }
    return 1.0;
}

double Or(const FunctionArguments& a) {
    for (int i = 0; i < a.count; ++i) {
        if (V(a)[i] != 0.0) return 1.0;
    }
    return 0.0;
}

double Xor(const FunctionArguments& a) {
    int set = 0;
    for (int i = 0; i < a.count; ++i) set += V(a)[i] != 0.0 ? 1 : 0;
    return set % 2 == 1 ? 1.0 : 0.0;
}

double Max(const FunctionArguments& a) {
    double best = V(a)[0];
    for (int i = 1; i < a.count; ++i) {
        if (V(a)[i] > best) best = V(a)[i];
    }
    return best;
}

double Min(const FunctionArguments& a) {
    double best = V(a)[0];
    for (int i = 1; i < a.count; ++i) {
        if (V(a)[i] < best) best = V(a)[i];
    }
    return best;
}

double Sum(const FunctionArguments& a) {
    double total = 0.0;
    for (int i = 0; i < a.count; ++i) total += V(a)[i];
    return total;
}

double SumSq(const FunctionArguments& a) {
    double total = 0.0;
    for (int i = 0; i < a.count; ++i) total += V(a)[i] * V(a)[i];
    return total;
}

// a[i] with i = trunc(a0) limited to 1 .. n - 1; limited before truncation, so any size is defined.
double Switch(const FunctionArguments& a) {
    const double selector = V(a)[0];
    if (std::isnan(selector)) return kUndefinedValue;
    const int last = a.count - 1;
    if (selector < 1.0) return V(a)[1];
    if (selector >= last) return V(a)[last];
    return V(a)[static_cast<int>(selector)];
}

// The integer functions below truncate their arguments to ints; an argument that is NaN or whose
// truncation does not fit an int makes the result the undefined marker.

// m! in doubles: 0 for m < 0, +infinity past 170!.
double Factorial(int m) {
    if (m < 0) return 0.0;
    if (m > 170) return kInfinity;
    double product = 1.0;
    for (int i = 2; i <= m; ++i) product *= i;
    return product;
}

// m! / ((m - k)! k!) for 0 <= k <= m, by products that stay whole numbers while they are exact; the
// value is +infinity only when the true value is beyond the doubles.
double Choose(double m, double k) {
    if (k > m - k) k = m - k;
    double value = 1.0;
    // value = C(m - k + i, i) after step i; it only grows, so once infinite it stays so.
    for (double i = 1.0; i <= k && value < kInfinity; i += 1.0) value = value * (m - k + i) / i;
    return value;
}

double Fact(const FunctionArguments& a) {
    int m = 0;
    return TruncateToInt(V(a)[0], m) ? Factorial(m) : kUndefinedValue;
}

double FactDouble(const FunctionArguments& a) {
    int m = 0;
    if (!TruncateToInt(V(a)[0], m)) return kUndefinedValue;
    if (m < 0) return 0.0;
    double product = 1.0;
    for (; m > 1 && product < kInfinity; m -= 2) product *= m;
    return product;
}

// trunc(|x|) as an int; false when it does not fit.
bool TruncateMagnitude(double x, int& out) {
    return TruncateToInt(std::fabs(x), out);
}

double Combin(const FunctionArguments& a) {
    int m = 0, k = 0;
    if (!TruncateMagnitude(V(a)[0], m) || !TruncateMagnitude(V(a)[1], k)) return kUndefinedValue;
    if (k > m) return kInfinity;
    return Choose(m, k);
}

int64_t GreatestCommonDivisor(int64_t m, int64_t k) {
    while (k != 0) {
        const int64_t rest = m % k;
        m = k;
        k = rest;
    }
    return m;
}

double Gcd(const FunctionArguments& a) {
    int m = 0, k = 0;
    if (!TruncateMagnitude(V(a)[0], m) || !TruncateMagnitude(V(a)[1], k)) return kUndefinedValue;
    return static_cast<double>(GreatestCommonDivisor(m, k));
}

// Exact in 64 bits (both factors are below 2^31); LCM(m, 0) = 0, LCM(0, 0) included.
double Lcm(const FunctionArguments& a) {
    int m = 0, k = 0;
    if (!TruncateMagnitude(V(a)[0], m) || !TruncateMagnitude(V(a)[1], k)) return kUndefinedValue;
    if (m == 0 || k == 0) return 0.0;
    return static_cast<double>(m / GreatestCommonDivisor(m, k) * static_cast<int64_t>(k));
}

// (sum of the counts)! over the product of each count's factorial, as a product of binomial
// coefficients so that large factorials never meet; negative counts are undefined.
double Multinomial(const FunctionArguments& a) {
    double total = 0.0;
    double value = 1.0;
    for (int i = 0; i < a.count; ++i) {
        int count = 0;
        if (!TruncateToInt(V(a)[i], count) || count < 0) return kUndefinedValue;
        total += count;
        if (value < kInfinity) value *= Choose(total, count);
    }
    return value;
}

using vovido::DensityBernoulli;
using vovido::DensityBeta;
using vovido::DensityBinomial;
using vovido::DensityExponential;
using vovido::DensityLognormal;
using vovido::DensityNormal;
using vovido::DensityTriangular;
using vovido::DensityUniform;
using vovido::DensityWeibull;
using vovido::DrawBernoulli;
using vovido::DrawBeta;
using vovido::DrawBinomial;
using vovido::DrawExponential;
using vovido::DrawLognormal;
using vovido::DrawNormal;
using vovido::DrawTriangular;
using vovido::DrawUniform;
using vovido::DrawWeibull;
using vovido::LogDensityBernoulli;
using vovido::LogDensityBeta;
using vovido::LogDensityBinomial;
using vovido::LogDensityExponential;
using vovido::LogDensityLognormal;
using vovido::LogDensityNormal;
using vovido::LogDensityTriangular;
using vovido::LogDensityUniform;
using vovido::LogDensityWeibull;
using vovido::MomentsBernoulli;
using vovido::MomentsBeta;
using vovido::MomentsBinomial;
using vovido::MomentsExponential;
using vovido::MomentsLognormal;
using vovido::MomentsNormal;
using vovido::MomentsTriangular;
using vovido::MomentsUniform;
using vovido::MomentsWeibull;

// Sorted by CompareIgnoringCase, which FindFunctionEntry's binary search relies on.
const FunctionEntry kTable[] = {
    {"Abs", 1, Abs, nullptr, nullptr},
    {"Acos", 1, Acos, nullptr, nullptr},
    {"And", -2, And, nullptr, nullptr},
    {"Asin", 1, Asin, nullptr, nullptr},
    {"Atan", 1, Atan, nullptr, nullptr},
    {"Atan2", 2, Atan2, nullptr, nullptr},
    {"Bernoulli", 1, DrawBernoulli, DensityBernoulli, MomentsBernoulli, LogDensityBernoulli},
    {"Beta", 2, DrawBeta, DensityBeta, MomentsBeta, LogDensityBeta},
    {"Binomial", 2, DrawBinomial, DensityBinomial, MomentsBinomial, LogDensityBinomial},
    {"Combin", 2, Combin, nullptr, nullptr},
    {"Cos", 1, Cos, nullptr, nullptr},
    {"Cosh", 1, Cosh, nullptr, nullptr},
    {"Exp", 1, Exp, nullptr, nullptr},
    {"Exponential", 1, DrawExponential, DensityExponential, MomentsExponential, LogDensityExponential},
    {"Fact", 1, Fact, nullptr, nullptr},
    {"FactDouble", 1, FactDouble, nullptr, nullptr},
    {"GCD", 2, Gcd, nullptr, nullptr},
    {"If", 3, If, nullptr, nullptr},
    {"LCM", 2, Lcm, nullptr, nullptr},
    {"Ln", 1, Ln, nullptr, nullptr},
    {"Log", 2, Log, nullptr, nullptr},
    {"Log10", 1, Log10, nullptr, nullptr},
    {"Lognormal", 2, DrawLognormal, DensityLognormal, MomentsLognormal, LogDensityLognormal},
    {"Max", -2, Max, nullptr, nullptr},
    {"Min", -2, Min, nullptr, nullptr},
    {"Multinomial", -2, Multinomial, nullptr, nullptr},
    {"Normal", 2, DrawNormal, DensityNormal, MomentsNormal, LogDensityNormal},
    {"Or", -2, Or, nullptr, nullptr},
    {"Pi", 0, Pi, nullptr, nullptr},
    {"Pow10", 1, Pow10, nullptr, nullptr},
    {"Sign", 1, Sign, nullptr, nullptr},
    {"Sin", 1, Sin, nullptr, nullptr},
    {"Sinh", 1, Sinh, nullptr, nullptr},
    {"Sqr", 1, Sqr, nullptr, nullptr},
    {"Sqrt", 1, Sqrt, nullptr, nullptr},
    {"SqrtPi", 1, SqrtPi, nullptr, nullptr},
    {"Sum", -2, Sum, nullptr, nullptr},
    {"SumSq", -2, SumSq, nullptr, nullptr},
    {"Switch", -3, Switch, nullptr, nullptr},
    {"Tan", 1, Tan, nullptr, nullptr},
    {"Tanh", 1, Tanh, nullptr, nullptr},
    {"Triangular", 3, DrawTriangular, DensityTriangular, MomentsTriangular, LogDensityTriangular},
    {"Trim", 3, Trim, nullptr, nullptr},
    {"Uniform", 2, DrawUniform, DensityUniform, MomentsUniform, LogDensityUniform},
    {"Weibull", 2, DrawWeibull, DensityWeibull, MomentsWeibull, LogDensityWeibull},
    {"Xor", -2, Xor, nullptr, nullptr},
};
constexpr int kTableSize = static_cast<int>(sizeof kTable / sizeof kTable[0]);
static_assert(kTableSize == 46, "the function table has 46 rows");

}  // namespace

const FunctionEntry* FindFunctionEntry(const char* name) {
    if (name == nullptr) return nullptr;
    int low = 0;
    int high = kTableSize - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const int order = vovido::CompareIgnoringCase(name, kTable[middle].name);
        if (order == 0) return &kTable[middle];
        if (order < 0) {
            high = middle - 1;
        } else {
            low = middle + 1;
        }
    }
    return nullptr;
}

const FunctionEntry* vovido::GetFunctionTable(int& count) {
    count = kTableSize;
    return kTable;
}

namespace vovido {

int CompareIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int x = static_cast<unsigned char>(*a);
        int y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
        if (x != y || x == 0) return x - y;
    }
}

bool TruncateToInt(double x, int& out) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) return false;
    out = static_cast<int>(x);
    return true;
}

}  // namespace vovido
