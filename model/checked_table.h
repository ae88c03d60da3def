#pragma once
// What the last belief update found in a definition's probability table, kept with the definition so
// that an update over tables that did not change since costs nothing per table but a swap.

#include <utility>
#include <vector>

#include "base/dmatrix.h"

namespace vovido {

struct CheckedTable {
    // The table checked (the definition's own matrix), which has not changed since while it says so.
    const VRX_Dmatrix* table = nullptr;
    bool current = false;
    // The same columns each scaled to sum to 1 exactly, one of zeros uniform, in the table's shape: what an
    // update reads, swapped in for its duration.
    VRX_Dmatrix scaled;
    // Every column sums to 1 up to rounding: the update reads the table itself, and `scaled` is empty.
    bool asGiven = false;
    // Columns off 1 beyond the tolerance of a CPT's consistency, the first few with their sums, and
    // their count; columns of zeros, likewise.
    std::vector<std::pair<int, double>> offColumns;
    int offCount = 0;
    std::vector<int> zeroColumns;
    int zeroCount = 0;
};

}  // namespace vovido
