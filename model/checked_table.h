#pragma once
// What the last belief update found in a definition's probability table, kept with the definition so
// that an update over tables that did not change checks each by one comparison of its numbers.

#include <utility>
#include <vector>

#include "base/dmatrix.h"

namespace vovido {

struct CheckedTable {
    // The table's numbers when they were checked; empty when they could not be kept.
    std::vector<double> numbers;
    int run = 0;  // the outcomes of a column when they were checked
    // The same columns each scaled to sum to 1 exactly, one of zeros uniform, in the table's shape; empty
    // when that changes no entry.
    VRX_Dmatrix scaled;
    // Columns off 1 beyond the tolerance of a CPT's consistency, the first few with their sums, and
    // their count; columns of zeros, likewise.
    std::vector<std::pair<int, double>> offColumns;
    int offCount = 0;
    std::vector<int> zeroColumns;
    int zeroCount = 0;
};

}  // namespace vovido
