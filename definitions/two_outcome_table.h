#pragma once
// Pieces shared by the two-outcome kinds whose tables are computed from per-parent parameters (cast,
// DeMorgan): the table shape, the reading of callers' arrays and orders, the outcome names.

class VRX_Dmatrix;
class VRX_intArray;
class VRX_doubleArray;
class VRX_idArray;

namespace TwoOutcomeTable {

// Gives the table one dimension of size 2 per parent and the node's own last; on failure (-42 when
// the table would pass the addressable size) the table is left as it was.
int Reshape(VRX_Dmatrix& table, int parents);

// Number of values a caller's array supplies for n slots: n when it lists n items, or lists none and is
// sized n (filled by index); else -2.
int SuppliedCount(const VRX_doubleArray& values, int n);
int SuppliedCount(const VRX_intArray& values, int n);

// The first m items of order (its count, or else its size, must be m) copied into out after checking
// that they are a permutation of 0..m-1; -2 otherwise.
int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out);

// Fills ids with the fixed outcomes "True" and "False".
void FillTrueFalse(VRX_idArray& ids);

}  // namespace TwoOutcomeTable
