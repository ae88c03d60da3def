// The rule of columns scaled to sum to 1.
#include "base/column_scaling.h"

#include <cfloat>
#include <cmath>

namespace vovido {

double ColumnSum(const double* column, int run) {
    double sum = 0.0;
    for (int i = 0; i < run; ++i) sum += column[i];
    return sum;
}

ColumnUse ClassifyColumn(double sum, double tolerance) {
    if (std::fabs(sum - 1.0) <= tolerance) return ColumnUse::kAsGiven;
    return sum < DBL_MIN ? ColumnUse::kZero : ColumnUse::kScaled;
}

void ScaleColumn(double* column, int run, double sum) {
    for (int i = 0; i < run; ++i) column[i] /= sum;
}

}  // namespace vovido
