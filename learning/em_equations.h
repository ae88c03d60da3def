#pragma once
// The equation case of EM: every matched node gets a linear Gaussian equation fitted by least squares
// on the columns of its parents.

#include <vector>

#include "learning/data_set.h"

class VRX_network;
struct EmOptions;
class EmProgress;

namespace vovido {

// Small dense matrix of doubles, row-major.
class DenseMatrix {
public:
    DenseMatrix() = default;
    DenseMatrix(int rows, int columns) { Resize(rows, columns); }
    void Resize(int rows, int columns);
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    double& operator()(int r, int c) { return items_[static_cast<size_t>(r) * columns_ + c]; }
    double operator()(int r, int c) const { return items_[static_cast<size_t>(r) * columns_ + c]; }
    // Solves this (square, symmetric positive semi-definite) times x = b by Gauss-Jordan elimination with
    // partial pivoting. A pivot that is negligible against the largest diagonal item means a regressor
    // that the others explain (collinear or constant): its coefficient becomes 0 and the others are fitted
    // without it, so the answer is always finite.
    std::vector<double> SolveSymmetric(const std::vector<double>& b) const;

private:
    int rows_ = 0;
    int columns_ = 0;
    std::vector<double> items_;
};

// Ordinary least squares of column y on the columns xs with an intercept: coefficients b0 (intercept),
// b1..bq, and the residual standard deviation (divisor N - 1; 0 for fewer than two records).
void FitLinearGaussian(const DataSet& data, int y, const std::vector<int>& xs,
                       std::vector<double>& coefficients, double& deviation);

// Writes the fitted equation of every matched node that is not fixed.
bool WriteLinearGaussianEquations(const DataSet& data, VRX_network& network,
                                  const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes);

}  // namespace vovido

// 0, or -1 when a cell of the data set is missing.
[[nodiscard]] int LearnEmContinuous(const EmOptions& options, const DataSet& data, VRX_network& network,
                                    const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes,
                                    double* outLogLik, EmProgress* progress);
