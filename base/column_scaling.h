#pragma once
// The rule by which a table's distributions (columns) that do not sum to 1 are used: the update reads
// them scaled for its length, and writers to formats that hold probabilities write them so. Every reader
// of a table's zeros and ones (the evidence checks, their propagation) reads it by the same rule.

class VRX_Dmatrix;
class VRX_intArray;

namespace vovido {

// How a column is used: as given (its sum within the tolerance of 1, a rounded distribution), scaled to
// sum to 1 (any positive sum, however small), or as a zero column (used as uniform).
enum class ColumnUse { kAsGiven, kScaled, kZero };

double ColumnSum(const double* column, int run);
ColumnUse ClassifyColumn(double sum, double tolerance);
// Divides the column's entries by its sum; a sum below the normal doubles is scaled exactly, so that
// (1e-320, 0) becomes (1, 0).
void ScaleColumn(double* column, int run, double sum);

// 1 when every entry that `coords` select (per dimension an index, or -1 for all) equals v as the update
// reads the table: its columns (the last dimension) scaled to sum to 1, a column of zeros uniform. A
// column with a negative, NaN or infinite entry, which no update reads, is taken as it is. 0 otherwise,
// and for coordinates outside the table.
int ReadEntriesEqual(const VRX_Dmatrix& table, double v, const VRX_intArray& coords);

}  // namespace vovido
