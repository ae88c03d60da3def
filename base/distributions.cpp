// The nine distributions of the function table: draws, densities, means and variances.
#include "base/distributions.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "base/distribution_samplers.h"
#include "base/error_log.h"
#include "base/log_gamma.h"
#include "base/number_text.h"
#include "base/status_codes.h"

RandomGenerator& vovido::GetSamplerGenerator() {
    // One per thread, like the other generators: separate networks in separate threads never race.
    static thread_local RandomGenerator generator(0);
    return generator;
}

namespace vovido {
namespace {

constexpr double kSqrtTwoPi = 2.5066282746310002;

// A sampler may meet the same bad call a million times; the log keeps one entry per run of them.
double Invalid(const char* name) {
    const std::string message = std::string("Invalid parameters in a call of ") + name;
    const int last = errorLog.GetNumberOfEntries() - 1;
    const char* lastMessage = errorLog.GetMessage(last);
    if (!(errorLog.GetCode(last) == kOutOfRange && lastMessage != nullptr &&
          std::strcmp(lastMessage, message.c_str()) == 0)) {
        LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
    }
    return kUndefinedValue;
}

void InvalidMoments(const char* name, double* mean, double* variance) {
    *mean = Invalid(name);
    *variance = kUndefinedValue;
}

bool Finite(const FunctionArguments& a, int n) {
    if (a.count < n) return false;
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(a.values[i])) return false;
    }
    return true;
}

bool IsProbability(double p) {
    return p >= 0.0 && p <= 1.0;
}

bool BernoulliValid(const FunctionArguments& a) {
    return Finite(a, 1) && IsProbability(a.values[0]);
}
bool BetaValid(const FunctionArguments& a) {
    return Finite(a, 2) && a.values[0] > 0.0 && a.values[1] > 0.0;
}
bool BinomialValid(const FunctionArguments& a) {
    return Finite(a, 2) && IsProbability(a.values[1]);
}
bool ExponentialValid(const FunctionArguments& a) {
    return Finite(a, 1) && a.values[0] > 0.0;
}
// Normal and Lognormal: (location, deviation > 0).
bool DeviationValid(const FunctionArguments& a) {
    return Finite(a, 2) && a.values[1] > 0.0;
}
bool TriangularValid(const FunctionArguments& a) {
    return Finite(a, 3) && a.values[0] <= a.values[1] && a.values[1] <= a.values[2] &&
           a.values[0] < a.values[2];
}
bool UniformValid(const FunctionArguments& a) {
    return Finite(a, 2) && a.values[0] < a.values[1];
}
bool WeibullValid(const FunctionArguments& a) {
    return Finite(a, 2) && a.values[0] > 0.0 && a.values[1] > 0.0;
}

double Fraction() {
    return GetSamplerGenerator().NextFraction();
}

// Trials of a Binomial call: ceil(n), none for n <= 0.
double TrialCount(double n) {
    return n <= 0.0 ? 0.0 : std::ceil(n);
}

}  // namespace

double DrawBernoulli(const FunctionArguments& a) {
    if (!BernoulliValid(a)) return Invalid("Bernoulli");
    return a.values[0] > Fraction() ? 1.0 : 0.0;
}

double DensityBernoulli(double x, const FunctionArguments& a) {
    if (!BernoulliValid(a)) return Invalid("Bernoulli");
    if (x == 1.0) return a.values[0];
    return x == 0.0 ? 1.0 - a.values[0] : 0.0;
}

void MomentsBernoulli(double* mean, double* variance, const FunctionArguments& a) {
    if (!BernoulliValid(a)) return InvalidMoments("Bernoulli", mean, variance);
    const double p = a.values[0];
    *mean = p;
    *variance = p * (1.0 - p);
}

double DrawBeta(const FunctionArguments& a) {
    if (!BetaValid(a)) return Invalid("Beta");
    return BetaSample(GetSamplerGenerator(), a.values[0], a.values[1]);
}

double DensityBeta(double x, const FunctionArguments& a) {
    if (!BetaValid(a)) return Invalid("Beta");
    return BetaDensity(x, a.values[0], a.values[1]);
}

void MomentsBeta(double* mean, double* variance, const FunctionArguments& a) {
    if (!BetaValid(a)) return InvalidMoments("Beta", mean, variance);
    const double s = a.values[0] + a.values[1];
    *mean = a.values[0] / s;
    *variance = a.values[0] * a.values[1] / ((s + 1.0) * s * s);
}

double DrawBinomial(const FunctionArguments& a) {
    if (!BinomialValid(a)) return Invalid("Binomial");
    return BinomialSample(GetSamplerGenerator(), TrialCount(a.values[0]), a.values[1]);
}

double DensityBinomial(double x, const FunctionArguments& a) {
    if (!BinomialValid(a)) return Invalid("Binomial");
    const double n = TrialCount(a.values[0]);
    const double p = a.values[1];
    if (!(x >= 0.0 && x <= n) || x != std::floor(x)) return 0.0;
    if (p == 0.0) return x == 0.0 ? 1.0 : 0.0;
    if (p == 1.0) return x == n ? 1.0 : 0.0;
    const double logChoose =
        ReentrantLogGamma(n + 1.0) - ReentrantLogGamma(x + 1.0) - ReentrantLogGamma(n - x + 1.0);
    return std::exp(logChoose + x * std::log(p) + (n - x) * std::log1p(-p));
}

void MomentsBinomial(double* mean, double* variance, const FunctionArguments& a) {
    if (!BinomialValid(a)) return InvalidMoments("Binomial", mean, variance);
    const double n = TrialCount(a.values[0]);
    const double p = a.values[1];
    *mean = n * p;
    *variance = n * p * (1.0 - p);
}

double DrawExponential(const FunctionArguments& a) {
    if (!ExponentialValid(a)) return Invalid("Exponential");
    return -std::log1p(-Fraction()) / a.values[0];
}

double DensityExponential(double x, const FunctionArguments& a) {
    if (!ExponentialValid(a)) return Invalid("Exponential");
    const double rate = a.values[0];
    return x >= 0.0 ? rate * std::exp(-rate * x) : 0.0;
}

void MomentsExponential(double* mean, double* variance, const FunctionArguments& a) {
    if (!ExponentialValid(a)) return InvalidMoments("Exponential", mean, variance);
    *mean = 1.0 / a.values[0];
    *variance = *mean * *mean;
}

double DrawLognormal(const FunctionArguments& a) {
    if (!DeviationValid(a)) return Invalid("Lognormal");
    return std::exp(NormalSample(GetSamplerGenerator(), a.values[0], a.values[1]));
}

double DensityLognormal(double x, const FunctionArguments& a) {
    if (!DeviationValid(a)) return Invalid("Lognormal");
    if (!(x > 0.0)) return 0.0;
    const double mu = a.values[0];
    const double sigma = a.values[1];
    const double z = (std::log(x) - mu) / sigma;
    return std::exp(-0.5 * z * z) / (x * sigma * kSqrtTwoPi);
}

void MomentsLognormal(double* mean, double* variance, const FunctionArguments& a) {
    if (!DeviationValid(a)) return InvalidMoments("Lognormal", mean, variance);
    const double mu = a.values[0];
    const double s2 = a.values[1] * a.values[1];
    *mean = std::exp(mu + s2 / 2.0);
    *variance = std::expm1(s2) * std::exp(2.0 * mu + s2);
}

double DrawNormal(const FunctionArguments& a) {
    if (!DeviationValid(a)) return Invalid("Normal");
    return NormalSample(GetSamplerGenerator(), a.values[0], a.values[1]);
}

double DensityNormal(double x, const FunctionArguments& a) {
    if (!DeviationValid(a)) return Invalid("Normal");
    const double z = (x - a.values[0]) / a.values[1];
    return std::exp(-0.5 * z * z) / (a.values[1] * kSqrtTwoPi);
}

void MomentsNormal(double* mean, double* variance, const FunctionArguments& a) {
    if (!DeviationValid(a)) return InvalidMoments("Normal", mean, variance);
    *mean = a.values[0];
    *variance = a.values[1] * a.values[1];
}

double DrawTriangular(const FunctionArguments& a) {
    if (!TriangularValid(a)) return Invalid("Triangular");
    const double low = a.values[0], mode = a.values[1], high = a.values[2];
    const double u = Fraction();
    if (u <= (mode - low) / (high - low)) return low + std::sqrt((high - low) * (mode - low) * u);
    return high - std::sqrt((1.0 - u) * (high - low) * (high - mode));
}

double DensityTriangular(double x, const FunctionArguments& a) {
    if (!TriangularValid(a)) return Invalid("Triangular");
    const double low = a.values[0], mode = a.values[1], high = a.values[2];
    if (!(x >= low && x <= high)) return 0.0;
    // The side of the mode decides the slope; at the mode itself both give 2 / (high - low), and a mode
    // at either end leaves only the other side's formula defined.
    if (x < mode) return 2.0 * (x - low) / ((high - low) * (mode - low));
    if (x > mode) return 2.0 * (high - x) / ((high - low) * (high - mode));
    return 2.0 / (high - low);
}

void MomentsTriangular(double* mean, double* variance, const FunctionArguments& a) {
    if (!TriangularValid(a)) return InvalidMoments("Triangular", mean, variance);
    const double low = a.values[0], mode = a.values[1], high = a.values[2];
    *mean = (low + mode + high) / 3.0;
    *variance = (low * low + mode * mode + high * high - low * mode - low * high - mode * high) / 18.0;
}

double DrawUniform(const FunctionArguments& a) {
    if (!UniformValid(a)) return Invalid("Uniform");
    return a.values[0] + Fraction() * (a.values[1] - a.values[0]);
}

double DensityUniform(double x, const FunctionArguments& a) {
    if (!UniformValid(a)) return Invalid("Uniform");
    return x >= a.values[0] && x <= a.values[1] ? 1.0 / (a.values[1] - a.values[0]) : 0.0;
}

void MomentsUniform(double* mean, double* variance, const FunctionArguments& a) {
    if (!UniformValid(a)) return InvalidMoments("Uniform", mean, variance);
    const double width = a.values[1] - a.values[0];
    *mean = (a.values[0] + a.values[1]) / 2.0;
    *variance = width * width / 12.0;
}

double DrawWeibull(const FunctionArguments& a) {
    if (!WeibullValid(a)) return Invalid("Weibull");
    return a.values[0] * std::pow(-std::log1p(-Fraction()), 1.0 / a.values[1]);
}

double DensityWeibull(double x, const FunctionArguments& a) {
    if (!WeibullValid(a)) return Invalid("Weibull");
    if (!(x >= 0.0)) return 0.0;
    const double scale = a.values[0], shape = a.values[1];
    const double t = x / scale;
    return shape / scale * std::pow(t, shape - 1.0) * std::exp(-std::pow(t, shape));
}

void MomentsWeibull(double* mean, double* variance, const FunctionArguments& a) {
    if (!WeibullValid(a)) return InvalidMoments("Weibull", mean, variance);
    const double scale = a.values[0], shape = a.values[1];
    *mean = scale * std::exp(LogGamma(1.0 + 1.0 / shape));
    *variance = scale * scale * std::exp(LogGamma(1.0 + 2.0 / shape)) - *mean * *mean;
}

namespace {
constexpr double kNoDensity = -std::numeric_limits<double>::infinity();
double LogOf(double p) {
    return p > 0.0 ? std::log(p) : kNoDensity;
}
}  // namespace

double LogDensityBernoulli(double x, const FunctionArguments& a) {
    const double p = DensityBernoulli(x, a);
    return IsUndefinedValue(p) ? p : LogOf(p);
}

double LogDensityBeta(double x, const FunctionArguments& a) {
    if (!BetaValid(a)) return Invalid("Beta");
    if (!(x >= 0.0 && x <= 1.0)) return kNoDensity;
    const double alpha = a.values[0], beta = a.values[1];
    const double logX = alpha == 1.0 ? 0.0 : (alpha - 1.0) * std::log(x);
    const double logRest = beta == 1.0 ? 0.0 : (beta - 1.0) * std::log1p(-x);
    const double log = logX + logRest - (LogGamma(alpha) + LogGamma(beta) - LogGamma(alpha + beta));
    return std::isnan(log) ? kNoDensity : log;
}

double LogDensityBinomial(double x, const FunctionArguments& a) {
    if (!BinomialValid(a)) return Invalid("Binomial");
    const double n = TrialCount(a.values[0]);
    const double p = a.values[1];
    if (!(x >= 0.0 && x <= n) || x != std::floor(x)) return kNoDensity;
    if (p == 0.0) return x == 0.0 ? 0.0 : kNoDensity;
    if (p == 1.0) return x == n ? 0.0 : kNoDensity;
    return ReentrantLogGamma(n + 1.0) - ReentrantLogGamma(x + 1.0) - ReentrantLogGamma(n - x + 1.0) +
           x * std::log(p) + (n - x) * std::log1p(-p);
}

double LogDensityExponential(double x, const FunctionArguments& a) {
    if (!ExponentialValid(a)) return Invalid("Exponential");
    return x >= 0.0 ? std::log(a.values[0]) - a.values[0] * x : kNoDensity;
}

double LogDensityLognormal(double x, const FunctionArguments& a) {
    if (!DeviationValid(a)) return Invalid("Lognormal");
    if (!(x > 0.0)) return kNoDensity;
    const double z = (std::log(x) - a.values[0]) / a.values[1];
    return -0.5 * z * z - std::log(x * a.values[1] * kSqrtTwoPi);
}

double LogDensityNormal(double x, const FunctionArguments& a) {
    if (!DeviationValid(a)) return Invalid("Normal");
    const double z = (x - a.values[0]) / a.values[1];
    return std::isfinite(z) ? -0.5 * z * z - std::log(a.values[1] * kSqrtTwoPi) : kNoDensity;
}

double LogDensityTriangular(double x, const FunctionArguments& a) {
    const double p = DensityTriangular(x, a);
    return IsUndefinedValue(p) ? p : LogOf(p);
}

double LogDensityUniform(double x, const FunctionArguments& a) {
    const double p = DensityUniform(x, a);
    return IsUndefinedValue(p) ? p : LogOf(p);
}

double LogDensityWeibull(double x, const FunctionArguments& a) {
    if (!WeibullValid(a)) return Invalid("Weibull");
    if (!(x >= 0.0)) return kNoDensity;
    const double scale = a.values[0], shape = a.values[1];
    const double t = x / scale;
    // At 0 the density is 0, the shape's value or infinite, as pow gives it.
    if (t == 0.0) return LogOf(DensityWeibull(x, a));
    return std::log(shape / scale) + (shape - 1.0) * std::log(t) - std::pow(t, shape);
}

}  // namespace vovido
