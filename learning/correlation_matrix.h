#pragma once
// Pearson correlations of the continuous variables of a data set, and partial correlations from them.

#include <cstddef>
#include <vector>

class DataSet;

class CorrelationMatrix {
public:
    // Empty when some variable is discrete.
    explicit CorrelationMatrix(const DataSet& data);

    int GetVariableCount() const { return n_; }
    int GetRecordCount() const { return records_; }
    bool IsEmpty() const { return values_.empty(); }
    double At(int i, int j) const { return values_[static_cast<size_t>(i) * n_ + j]; }

private:
    int n_ = 0;
    int records_ = 0;
    std::vector<double> values_;
};

// Partial correlation of x and y given the set (count members). Computed from the inverse of the
// correlations among x, y and the set, which equals the recursive first-order formula; NaN when that
// block is singular.
double PartialCorrelation(const CorrelationMatrix& matrix, int x, int y, const int* set, int count);
