#pragma once
// Row work on the parameter matrices of the noisy kinds (one block of rows per parent, the leak row
// last, one column per outcome of the node), shared by noisy-MAX and the noisy adder.

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"

class VRX_network;

namespace vovido::CiRows {

// Position of a parent among the node's parents of an indexing kind (the ones that own a block and a
// table dimension) and the parent's type code; kOutOfRange when either node is not live or the parent is not
// in the node's parent list.
[[nodiscard]] int LocateParent(const VRX_network* network, int child, int parent, int& position, int& type);

// Rows and columns of a two-dimensional matrix; false for any other shape.
bool GetShape(const VRX_Dmatrix& m, int& rows, int& columns);

// n rows of zeros opened at row `at` (0 <= at <= rows).
[[nodiscard]] int InsertRows(VRX_Dmatrix& m, int at, int n);
// n rows removed from row `at` on; at least one row stays.
[[nodiscard]] int RemoveRows(VRX_Dmatrix& m, int at, int n);
// The row becomes 0 ... 0 with 1.0 at the column.
void SetUnitRow(VRX_Dmatrix& m, int row, int column);
void FillRow(VRX_Dmatrix& m, int row, double v);
// New row start + j = old row start + order[j] for every j of the permutation.
[[nodiscard]] int PermuteRows(VRX_Dmatrix& m, int start, const VRX_intArray& order);
// Consecutive blocks of the given sizes from row 0 regrouped, new block j = old block order[j]; the
// rows after the blocks (the leak row) stay where they are.
[[nodiscard]] int RegroupBlocks(VRX_Dmatrix& m, const VRX_intArray& blockSizes, const VRX_intArray& order);

// Cumulative form of a run of k entries: entry j = sum of entries j..k-1; and back. Negative results
// become 0 both ways.
void ToCumulative(double* run, int k);
void FromCumulative(double* run, int k);

// The row check shared by both kinds: `unitColumn` has one item per row, -1 for a free row and c for a
// constrained row that must hold exactly 1.0 at column c and 0.0 elsewhere. The text goes into buffer
// (at most size bytes). 0 "Ok"; kOutOfRange for a matrix shaped unlike `reference`; kInvalidData for a bad
// row.
[[nodiscard]] int CheckRows(const VRX_Dmatrix& m, const VRX_Dmatrix& reference,
                            const VRX_intArray& unitColumn, char* buffer, int size);

// The setters of the parameter matrix shared by both kinds: only data of the matrix's own shape or
// entry count is taken (kOutOfRange and no change otherwise).
[[nodiscard]] int SetWeights(VRX_Dmatrix& weights, const VRX_Dmatrix& source);
[[nodiscard]] int SetWeightEntries(VRX_Dmatrix& weights, const VRX_doubleArray& values);

// Sum of the squared entry differences; -1.0 when the entry counts differ.
double MatrixSquaredDistance(const VRX_Dmatrix& a, const VRX_Dmatrix& b);

// Sets up `table` with one dimension per parent block and the k outcomes last; the storage is reused
// when the entry count stays.
[[nodiscard]] int ShapeTable(VRX_Dmatrix& table, const VRX_intArray& blockSizes, int k);

// Visits every parent configuration in row-major order (last parent fastest), x holding the outcomes
// (all 0 at the start). `step(i, x)` brings the running state of parents 0..i up to date for parent i
// in outcome x, `emit()` writes one run; after a step only the levels from the parent that moved are
// redone.
template <class Step, class Emit>
void WalkConfigurations(int parents, const int* sizes, int* x, Step step, Emit emit) {
    int level = 0;
    for (;;) {
        for (int i = level; i < parents; ++i) step(i, x[i]);
        emit();
        int i = parents - 1;
        while (i >= 0 && ++x[i] == sizes[i]) x[i--] = 0;
        if (i < 0) return;
        level = i;
    }
}

}  // namespace vovido::CiRows
