#pragma once
// The rule by which a table's distributions (columns) that do not sum to 1 are used: the update reads
// them scaled for its length, and writers to formats that hold probabilities write them so.

namespace vovido {

// How a column is used: as given (its sum within the tolerance of 1, a rounded distribution), scaled to
// sum to 1, or as a zero column (a sum below the normal doubles, which no scaling makes a distribution).
enum class ColumnUse { kAsGiven, kScaled, kZero };

double ColumnSum(const double* column, int run);
ColumnUse ClassifyColumn(double sum, double tolerance);
// Divides the column's entries by its sum.
void ScaleColumn(double* column, int run, double sum);

}  // namespace vovido
