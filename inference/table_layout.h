#pragma once
// Conversion between the engine's multi-dimensional tables (VRX_Dmatrix: dimensions in order, the last
// varying fastest) and the join tree's potential tables (variables in list order, the first varying
// fastest), as one stride program.

#include <cstdint>

#include "inference/join_tree_tables.h"

class VRX_Dmatrix;

namespace vovido {

// A program that walks the matrix along a potential table over tableVars (tableSizes their sizes), so
// that StrideCopy and StrideMultiply read the matrix into the table and StrideMarginalize adds the table
// into the matrix, each walk starting at the matrix's data plus start. matrixVars names the variable of
// each matrix dimension; pinned (null for none) holds dimension d at coordinate pinned[d] when that is
// not negative, for a variable the table does not hold. Table variables the matrix lacks see the same
// entries again. 0, or kOutOfRange when a dimension that is not pinned is missing from the table or differs
// from it in size, when a pinned coordinate lies outside its dimension, or when the program is too long.
[[nodiscard]] int BuildMatrixProgram(const VRX_Dmatrix& matrix, const int* matrixVars, const int* pinned,
                                     const int* tableVars, const int* tableSizes, int tableCount,
                                     StrideProgram& program, int64_t& start);

}  // namespace vovido
