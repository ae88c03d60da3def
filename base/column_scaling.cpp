// The rule of columns scaled to sum to 1.
#include "base/column_scaling.h"

#include <cfloat>
#include <cmath>

#include "base/dmatrix.h"
#include "base/int_array.h"

namespace vovido {

namespace {

// Exact for every subnormal sum: the column is lifted into the normal range before it is divided.
constexpr int kSubnormalLift = 1000;

// The entry at `index` of a column of `run` entries as the update reads it.
double ReadEntry(const double* column, int run, int index, double sum) {
    if (sum > 0.0 && std::isfinite(sum)) {
        if (sum >= DBL_MIN) return column[index] / sum;
        double lifted = 0.0;
        for (int i = 0; i < run; ++i) lifted += std::ldexp(column[i], kSubnormalLift);
        return std::ldexp(column[index], kSubnormalLift) / lifted;
    }
    for (int i = 0; i < run; ++i) {
        if (column[i] != 0.0) return column[index];
    }
    return 1.0 / run;
}

}  // namespace

double ColumnSum(const double* column, int run) {
    double sum = 0.0;
    for (int i = 0; i < run; ++i) sum += column[i];
    return sum;
}

ColumnUse ClassifyColumn(double sum, double tolerance) {
    if (std::fabs(sum - 1.0) <= tolerance) return ColumnUse::kAsGiven;
    return sum > 0.0 ? ColumnUse::kScaled : ColumnUse::kZero;
}

void ScaleColumn(double* column, int run, double sum) {
    if (sum >= DBL_MIN || !(sum > 0.0)) {
        for (int i = 0; i < run; ++i) column[i] /= sum;
        return;
    }
    double lifted = 0.0;
    for (int i = 0; i < run; ++i) lifted += column[i] = std::ldexp(column[i], kSubnormalLift);
    for (int i = 0; i < run; ++i) column[i] /= lifted;
}

int ReadEntriesEqual(const VRX_Dmatrix& table, double v, const VRX_intArray& coords) {
    const VRX_intArray& dims = table.GetDimensions();
    const int nd = dims.GetSize();
    const double* data = table.GetData();
    if (nd == 0 || coords.GetSize() < nd || data == nullptr) return 0;
    for (int i = 0; i < nd; ++i) {
        if (coords[i] >= dims[i] || dims[i] <= 0) return 0;
    }
    const int run = dims[nd - 1];
    const int own = coords[nd - 1];
    // Odometer over the free leading dimensions; the column offset follows the row-major layout. A table
    // of more dimensions than any update could hold is not concluded from.
    constexpr int kMaxLeading = 64;
    int index[kMaxLeading];
    if (nd - 1 > kMaxLeading) return 0;
    for (int i = 0; i < nd - 1; ++i) index[i] = coords[i] >= 0 ? coords[i] : 0;
    while (true) {
        long long offset = 0;
        for (int i = 0; i < nd - 1; ++i) offset = offset * dims[i] + index[i];
        const double* column = data + offset * run;
        const double sum = ColumnSum(column, run);
        for (int j = own >= 0 ? own : 0; j < (own >= 0 ? own + 1 : run); ++j) {
            if (ReadEntry(column, run, j, sum) != v) return 0;
        }
        int d = nd - 2;
        for (; d >= 0; --d) {
            if (coords[d] >= 0) continue;
            if (++index[d] < dims[d]) break;
            index[d] = 0;
        }
        if (d < 0) return 1;
    }
}

}  // namespace vovido
