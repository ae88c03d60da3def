#pragma once
// Order of the results a troubleshooting ranking hands out: observations by descending strength with
// the marked and NaN strengths last, faults by descending probability with pursued faults first among
// equals. Both orders are strict weak orders, so any sort stays within its array.

// An unperformed observation with its numbers: information (the test strength), cost and strength
// (the score that combines both).
struct ObservationResult {
    int node;
    double information;
    double cost;
    double strength;
};

// A fault with the current probability of its outcome.
struct FaultResult {
    int index;
    int node;
    int outcome;
    double probability;
    bool pursued;
};

namespace vovido {

// 3 NaN, 2 not available (4 x DBL_MIN), 1 excluded by d-separation (5 x DBL_MIN), 0 any other value.
int classifyDiagValue(double x);

// Ordinary strengths descending, then the excluded, the unavailable and the NaN ones.
bool ObservationResultBefore(const ObservationResult& a, const ObservationResult& b);

// Probabilities descending, a probability not computed (5 x DBL_MIN) counted as -1 and NaN after every
// number; then pursued faults first; then by node and outcome.
bool FaultResultBefore(const FaultResult& a, const FaultResult& b);

}  // namespace vovido
