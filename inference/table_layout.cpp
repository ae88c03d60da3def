// Conversion between VRX_Dmatrix tables and the join tree's potential tables.
#include "inference/table_layout.h"

#include "base/dmatrix.h"
#include "base/status_codes.h"

namespace vovido {

int BuildMatrixProgram(const VRX_Dmatrix& matrix, const int* matrixVars, const int* pinned,
                       const int* tableVars, const int* tableSizes, int tableCount, StrideProgram& program,
                       int64_t& start) {
    const int k = matrix.GetNumberOfDimensions();
    const int* strides = matrix.GetStrides().GetItems();
    const int* sizes = matrix.GetDimensions().GetItems();
    program.count = 0;
    start = 0;
    // Dimension of the matrix that follows table variable q, or -1.
    auto dimensionOf = [&](int var) {
        for (int d = 0; d < k; d++) {
            if (matrixVars[d] == var && (pinned == nullptr || pinned[d] < 0)) return d;
        }
        return -1;
    };
    for (int d = 0; d < k; d++) {
        if (pinned != nullptr && pinned[d] >= 0) {
            if (pinned[d] >= sizes[d]) return kOutOfRange;
            start += static_cast<int64_t>(strides[d]) * pinned[d];
            continue;
        }
        bool held = false;
        for (int q = 0; q < tableCount && !held; q++)
            held = tableVars[q] == matrixVars[d] && tableSizes[q] == sizes[d];
        if (!held) return kOutOfRange;
    }
    // back: how far the entries of the table variables walked so far moved the matrix position, to be
    // undone when the next variable advances.
    int64_t back = 0;
    for (int q = 0; q < tableCount; q++) {
        const uint32_t sq = static_cast<uint32_t>(tableSizes[q]);
        const int d = dimensionOf(tableVars[q]);
        if (d >= 0) {
            if (const int rc = program.Append(sq - 1, sq - 1, static_cast<int32_t>(strides[d] + back)))
                return rc;
            back += static_cast<int64_t>(1 - sizes[d]) * strides[d];
        } else if (program.count > 0 && back == 0 && program.entries[program.count - 1].step == 0) {
            // Leading variables outside the matrix form one run that keeps pointing at the same entry.
            StrideEntry& last = program.entries[program.count - 1];
            last.counter = (last.counter + 1) * sq - 1;
            last.reload = last.counter;
        } else {
            if (const int rc = program.Append(sq - 1, sq - 1, static_cast<int32_t>(back))) return rc;
        }
    }
    return program.Append(1, 1, 0);
}

}  // namespace vovido
