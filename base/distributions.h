#pragma once
// The nine distributions of the function table: one random draw, the density (a probability for
// Bernoulli and Binomial) and the mean and variance, each from the argument values of a call.
//
// Parameters outside a distribution's domain (NaN or infinite values, a deviation or rate that is not
// positive, min > max, a probability outside [0, 1], ...) give the undefined marker kUndefinedValue
// (base/number_text.h) for every result and log "Invalid parameters in a call of NAME" with code kOutOfRange;
// a run of identical failures is logged once.

#include "base/builtin_functions.h"
#include "base/random_generator.h"

namespace vovido {

// LogDensity*: the natural logarithm of the density (of the probability for Bernoulli and Binomial),
// -infinity outside the support: far in a tail it stays finite where the density itself underflows to 0.

// The generator of every distribution draw, one per thread, created with seed 0 (time and clock) on
// its first use; reseed it for a reproducible run.
RandomGenerator& GetSamplerGenerator();

double DrawBernoulli(const FunctionArguments& a);
double DensityBernoulli(double x, const FunctionArguments& a);
double LogDensityBernoulli(double x, const FunctionArguments& a);
void MomentsBernoulli(double* mean, double* variance, const FunctionArguments& a);

double DrawBeta(const FunctionArguments& a);
double DensityBeta(double x, const FunctionArguments& a);
double LogDensityBeta(double x, const FunctionArguments& a);
void MomentsBeta(double* mean, double* variance, const FunctionArguments& a);

// ceil(n) trials; 0 when n <= 0.
double DrawBinomial(const FunctionArguments& a);
double DensityBinomial(double x, const FunctionArguments& a);
double LogDensityBinomial(double x, const FunctionArguments& a);
void MomentsBinomial(double* mean, double* variance, const FunctionArguments& a);

double DrawExponential(const FunctionArguments& a);
double DensityExponential(double x, const FunctionArguments& a);
double LogDensityExponential(double x, const FunctionArguments& a);
void MomentsExponential(double* mean, double* variance, const FunctionArguments& a);

double DrawLognormal(const FunctionArguments& a);
double DensityLognormal(double x, const FunctionArguments& a);
double LogDensityLognormal(double x, const FunctionArguments& a);
void MomentsLognormal(double* mean, double* variance, const FunctionArguments& a);

double DrawNormal(const FunctionArguments& a);
double DensityNormal(double x, const FunctionArguments& a);
double LogDensityNormal(double x, const FunctionArguments& a);
void MomentsNormal(double* mean, double* variance, const FunctionArguments& a);

// Parameters (min, mode, max).
double DrawTriangular(const FunctionArguments& a);
double DensityTriangular(double x, const FunctionArguments& a);
double LogDensityTriangular(double x, const FunctionArguments& a);
void MomentsTriangular(double* mean, double* variance, const FunctionArguments& a);

double DrawUniform(const FunctionArguments& a);
double DensityUniform(double x, const FunctionArguments& a);
double LogDensityUniform(double x, const FunctionArguments& a);
void MomentsUniform(double* mean, double* variance, const FunctionArguments& a);

// Parameters (scale lambda, shape k).
double DrawWeibull(const FunctionArguments& a);
double DensityWeibull(double x, const FunctionArguments& a);
double LogDensityWeibull(double x, const FunctionArguments& a);
void MomentsWeibull(double* mean, double* variance, const FunctionArguments& a);

}  // namespace vovido
