#pragma once
// Newton's method with finite-difference derivatives for small systems of equations, and the Gaussian
// elimination it solves each step with.

#include <functional>
#include <vector>

class VRX_network;

namespace vovido {

// Fills f with the residual of every equation of the system at the point x (both of the system's size).
using ResidualFunction = std::function<void(const std::vector<double>& x, std::vector<double>& f)>;

// How a run of Newton's method went.
struct NewtonReport {
    int iterations = 0;     // Newton steps taken before convergence (the polishing steps not counted)
    bool singular = false;  // a step met a singular Jacobian
    bool diverged = false;  // a point or a residual that is not finite
};

}  // namespace vovido

// Solves A x = b by Gaussian elimination without scaling or search for the largest pivot: a zero pivot
// (exactly 0.0) is swapped with the first row below that has a non-zero entry in its column. A is n x n,
// row-major; A and b are overwritten. 0, or kOutOfRange for a singular system.
[[nodiscard]] int SolveLinearSystem(std::vector<double>& a, std::vector<double>& b, std::vector<double>& x,
                                    int n);

// Newton's method on the residuals from the starting point x, each column of the Jacobian taken by a
// forward difference (step relative to x[j] when x[j] > 1, else absolute). Converged when a step moves
// the point by less than 0.0001 in sum (or by a relative amount at the limit of double precision); a few
// more steps then take the point to full precision. 0 with the solution in x; kOutOfRange for a singular
// Jacobian, a point that is not finite, or no convergence within the iteration limit (each logged, the
// last two here). x holds the last point in every case.
[[nodiscard]] int SolveNewton(std::vector<double>& x, double step, int iterationLimit,
                              const vovido::ResidualFunction& residuals,
                              vovido::NewtonReport* report = nullptr);
