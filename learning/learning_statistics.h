#pragma once
// The numeric routines of structure learning: the learning library's own random numbers, log-gamma,
// the chi-square upper tail and the normal distribution function.

// Random numbers: a minimal-standard generator with a 32-entry shuffle. The caller owns the seed; a
// seed of 0 or below restarts the sequence from it. The shuffle table is shared by every seed.
void time_seed(int& seed);
double uniform_random(int& seed);  // in (0, 0.99999988]
float gaussian_random(int& seed);  // standard normal, polar method
float normal_random(float mean, float deviation, int& seed);
int uniform_int_random(int low, int high, int& seed);  // in [low, high); low when high <= low

double log_gamma(double x);
// Q(a, x), the upper regularised incomplete gamma function, in single precision; -1 when x < 0 or
// a <= 0. The p-value of a chi-square statistic c with d degrees of freedom is chi_square_tail(d/2, c/2).
float chi_square_tail(float a, float x);
double normal_cdf(double x);
