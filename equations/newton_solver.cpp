// Newton's method with forward-difference Jacobians, and Gaussian elimination.
#include "equations/newton_solver.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "base/error_log.h"
#include "base/status_codes.h"

namespace {

// A step smaller than this (summed over the unknowns) means convergence.
constexpr double kConvergence = 0.0001;
// Convergence as well: a step at the limit of double precision, for points too large for kConvergence.
constexpr double kRelativeConvergence = 1e-14;
// Steps after convergence that may still shrink the last one, down to rounding.
constexpr int kPolishingSteps = 6;

bool AllFinite(const std::vector<double>& values) {
    for (double v : values) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

double SumOfMagnitudes(const std::vector<double>& values) {
    double sum = 0.0;
    for (double v : values) sum += std::fabs(v);
    return sum;
}

// One Newton step from x: the next point and the size of the move.
class NewtonStep {
public:
    enum Result { kMoved, kSingular, kNotFinite };

    NewtonStep(int n, double step, const vovido::ResidualFunction& residuals)
        : next(n),
          n_(n),
          step_(step),
          residuals_(residuals),
          f_(n),
          f2_(n),
          jacobian_(static_cast<size_t>(n) * n),
          b_(n) {}

    Result Take(std::vector<double>& x) {
        residuals_(x, f_);
        if (!AllFinite(f_)) return kNotFinite;
        for (int j = 0; j < n_; ++j) {
            const double xj = x[j];
            double trial = xj > 1.0 ? xj + xj * step_ : xj + step_;
            // A step lost in rounding (x far below -1) is taken relative to the magnitude instead.
            if (trial == xj) trial = xj + std::fabs(xj) * step_;
            const double d = trial - xj;
            x[j] = trial;
            residuals_(x, f2_);
            x[j] = xj;
            for (int i = 0; i < n_; ++i) jacobian_[static_cast<size_t>(i) * n_ + j] = (f2_[i] - f_[i]) / d;
        }
        for (int i = 0; i < n_; ++i) {
            double sum = 0.0;
            for (int j = 0; j < n_; ++j) sum += jacobian_[static_cast<size_t>(i) * n_ + j] * x[j];
            b_[i] = sum - f_[i];
        }
        if (SolveLinearSystem(jacobian_, b_, next, n_) != kSuccess) return kSingular;
        if (!AllFinite(next)) return kNotFinite;
        change = 0.0;
        for (int i = 0; i < n_; ++i) change += std::fabs(x[i] - next[i]);
        return kMoved;
    }

    std::vector<double> next;
    double change = 0.0;

private:
    int n_;
    double step_;
    const vovido::ResidualFunction& residuals_;
    std::vector<double> f_;
    std::vector<double> f2_;
    std::vector<double> jacobian_;
    std::vector<double> b_;
};

}  // namespace

int SolveLinearSystem(std::vector<double>& a, std::vector<double>& b, std::vector<double>& x, int n) {
    const auto at = [&](int row, int column) -> double& { return a[static_cast<size_t>(row) * n + column]; };
    for (int k = 0; k < n; ++k) {
        if (at(k, k) == 0.0) {
            int r = k + 1;
            while (r < n && at(r, k) == 0.0) ++r;
            if (r == n) return kOutOfRange;
            for (int j = 0; j < n; ++j) std::swap(at(k, j), at(r, j));
            std::swap(b[k], b[r]);
        }
        for (int i = k + 1; i < n; ++i) {
            const double factor = at(i, k) / at(k, k);
            for (int j = k + 1; j < n; ++j) at(i, j) -= factor * at(k, j);
            b[i] -= factor * b[k];
        }
    }
    x.assign(static_cast<size_t>(n), 0.0);
    for (int i = n - 1; i >= 0; --i) {
        double sum = b[i];
        for (int j = i + 1; j < n; ++j) sum -= at(i, j) * x[j];
        x[i] = sum / at(i, i);
    }
    return kSuccess;
}

int SolveNewton(std::vector<double>& x, double step, int iterationLimit,
                const vovido::ResidualFunction& residuals, vovido::NewtonReport* report) {
    vovido::NewtonReport local;
    vovido::NewtonReport& out = report != nullptr ? *report : local;
    out = vovido::NewtonReport();
    NewtonStep newton(static_cast<int>(x.size()), step, residuals);
    for (;;) {
        if (out.iterations >= iterationLimit) {
            char message[128];
            std::snprintf(message, sizeof message, "Newton's method did not converge within %d iterations.",
                          iterationLimit);
            return LogError(errorLog, kOutOfRange, message, nullptr);
        }
        const NewtonStep::Result result = newton.Take(x);
        if (result == NewtonStep::kSingular) {
            out.singular = true;
            return kOutOfRange;
        }
        if (result == NewtonStep::kNotFinite) {
            out.diverged = true;
            return LogError(errorLog, kOutOfRange,
                            "Newton's method reached a value that is not a finite number.", nullptr);
        }
        x = newton.next;
        ++out.iterations;
        if (newton.change < kConvergence || newton.change <= kRelativeConvergence * SumOfMagnitudes(x)) break;
    }
    // Converged: further steps are taken while they keep shrinking, which ends at rounding.
    double last = newton.change;
    for (int k = 0; k < kPolishingSteps && last > 0.0; ++k) {
        if (newton.Take(x) != NewtonStep::kMoved || !(newton.change < last)) break;
        x = newton.next;
        last = newton.change;
    }
    return kSuccess;
}
