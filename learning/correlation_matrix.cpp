// Pearson and partial correlations of a data set's continuous columns.
#include "learning/correlation_matrix.h"

#include <cmath>
#include <limits>

#include "learning/data_set.h"

CorrelationMatrix::CorrelationMatrix(const DataSet& data)
    : n_(data.GetVariableCount()), records_(data.GetRecordCount()) {
    for (int v = 0; v < n_; ++v) {
        if (data.GetVariable(v).discrete) return;
    }
    values_.assign(static_cast<size_t>(n_) * n_, 0.0);
    std::vector<double> means(n_), squares(n_, 0.0), products(static_cast<size_t>(n_) * n_, 0.0);
    std::vector<double> deviation(n_);
    if (records_ > 0) {
        for (int v = 0; v < n_; ++v) means[v] = data.GetFloat(v, 0);
    }
    // One pass with running means (Welford), all pairs at once.
    for (int k = 2; k <= records_; ++k) {
        const double w = (k - 1.0) / k;
        for (int v = 0; v < n_; ++v) deviation[v] = data.GetFloat(v, k - 1) - means[v];
        for (int i = 0; i < n_; ++i) {
            squares[i] += deviation[i] * deviation[i] * w;
            double* row = &products[static_cast<size_t>(i) * n_];
            for (int j = i + 1; j < n_; ++j) row[j] += deviation[i] * deviation[j] * w;
        }
        for (int v = 0; v < n_; ++v) means[v] += deviation[v] / k;
    }
    const double count = records_;
    for (int i = 0; i < n_; ++i) {
        values_[static_cast<size_t>(i) * n_ + i] = 1.0;
        for (int j = i + 1; j < n_; ++j) {
            const double r = (products[static_cast<size_t>(i) * n_ + j] / count) /
                             (std::sqrt(squares[j] / count) * std::sqrt(squares[i] / count));
            values_[static_cast<size_t>(i) * n_ + j] = r;
            values_[static_cast<size_t>(j) * n_ + i] = r;
        }
    }
}

double PartialCorrelation(const CorrelationMatrix& matrix, int x, int y, const int* set, int count) {
    if (count == 0) return matrix.At(x, y);
    // Invert the correlation block of (x, y, set) by Gauss-Jordan with partial pivoting.
    const int m = count + 2;
    std::vector<int> index(m);
    index[0] = x;
    index[1] = y;
    for (int k = 0; k < count; ++k) index[k + 2] = set[k];
    std::vector<double> a(static_cast<size_t>(m) * 2 * m, 0.0);
    const int width = 2 * m;
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < m; ++j) a[i * width + j] = matrix.At(index[i], index[j]);
        a[i * width + m + i] = 1.0;
    }
    for (int c = 0; c < m; ++c) {
        int pivot = c;
        for (int r = c + 1; r < m; ++r) {
            if (std::fabs(a[r * width + c]) > std::fabs(a[pivot * width + c])) pivot = r;
        }
        const double p = a[pivot * width + c];
        if (!(std::fabs(p) > 1e-12)) return std::numeric_limits<double>::quiet_NaN();
        if (pivot != c) {
            for (int j = 0; j < width; ++j) std::swap(a[pivot * width + j], a[c * width + j]);
        }
        for (int j = 0; j < width; ++j) a[c * width + j] /= p;
        for (int r = 0; r < m; ++r) {
            if (r == c) continue;
            const double f = a[r * width + c];
            if (f == 0.0) continue;
            for (int j = 0; j < width; ++j) a[r * width + j] -= f * a[c * width + j];
        }
    }
    const double pxy = a[0 * width + m + 1], pxx = a[0 * width + m], pyy = a[1 * width + m + 1];
    return -pxy / std::sqrt(pxx * pyy);
}
