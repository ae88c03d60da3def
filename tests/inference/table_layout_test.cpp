// Conversion between a VRX_Dmatrix (last dimension fastest) and a potential table (first variable
// fastest): every table entry reads the matrix entry of the same coordinates, pinned dimensions stay at
// their coordinate, and adding the table back into the matrix reaches each entry once per repeat.
#include "inference/table_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/dmatrix.h"
#include "base/int_array.h"
#include "base/status_codes.h"

namespace {

// Matrix over the variables 7 (size 2), 4 (size 3), 9 (size 2), in this dimension order: entry
// x7 * 6 + x4 * 2 + x9 holds 1 + that index.
VRX_Dmatrix Matrix() {
    VRX_intArray sizes;
    for (int n : {2, 3, 2}) EXPECT_EQ(sizes.Add(n), kSuccess);
    VRX_Dmatrix m(sizes);
    for (int i = 0; i < m.GetNumberOfElements(); i++) m[i] = 1.0 + i;
    return m;
}
const int kMatrixVars[] = {7, 4, 9};

struct LayoutCase {
    const char* name;
    std::vector<int> tableVars;
    std::vector<int> tableSizes;
    std::vector<int> pinned;  // per matrix dimension, -1 when free
};

// The table entry's matrix value by coordinates: table variable q at coordinate x[q], the first
// variable fastest; a pinned dimension at its coordinate.
double Expected(const VRX_Dmatrix& m, const LayoutCase& c, const std::vector<int>& x) {
    int coords[3];
    for (int d = 0; d < 3; d++) {
        coords[d] = c.pinned[d];
        for (size_t q = 0; q < c.tableVars.size(); q++) {
            if (c.tableVars[q] == kMatrixVars[d] && c.pinned[d] < 0) coords[d] = x[q];
        }
    }
    return m[coords[0] * 6 + coords[1] * 2 + coords[2]];
}

TEST(TableLayout, TableEntriesReadTheMatrixAtTheirCoordinatesAndAddBack) {
    const LayoutCase cases[] = {
        {"same order", {7, 4, 9}, {2, 3, 2}, {-1, -1, -1}},
        {"reversed", {9, 4, 7}, {2, 3, 2}, {-1, -1, -1}},
        {"a variable the matrix lacks, in between", {9, 5, 4, 7}, {2, 2, 3, 2}, {-1, -1, -1}},
        {"leading variables the matrix lacks", {1, 5, 4, 9, 7}, {3, 2, 3, 2, 2}, {-1, -1, -1}},
        {"middle dimension pinned", {9, 7}, {2, 2}, {-1, 2, -1}},
        {"every dimension pinned", {}, {}, {1, 0, 1}},
    };
    const VRX_Dmatrix m = Matrix();
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int count = static_cast<int>(c.tableVars.size());
        StrideProgram program;
        int64_t start = -1;
        ASSERT_EQ(vovido::BuildMatrixProgram(m, kMatrixVars, c.pinned.data(), c.tableVars.data(),
                                             c.tableSizes.data(), count, program, start),
                  kSuccess);
        int entries = 1;
        for (int n : c.tableSizes) entries *= n;
        std::vector<double> table(static_cast<size_t>(entries), -1.0);
        StrideCopy(table.data(), entries, m.GetData() + start, program);
        std::vector<int> x(static_cast<size_t>(count), 0);
        for (int i = 0; i < entries; i++) {
            EXPECT_EQ(table[static_cast<size_t>(i)], Expected(m, c, x)) << i;
            for (int q = 0; q < count && ++x[q] == c.tableSizes[q]; q++) x[q] = 0;
        }

        // Adding a table of ones back: each reachable matrix entry once for every coordinate of the
        // table variables it lacks, every other entry not at all.
        std::vector<double> ones(static_cast<size_t>(entries), 1.0);
        std::vector<double> sums(static_cast<size_t>(m.GetNumberOfElements()), 0.0);
        StrideMarginalize(ones.data(), entries, sums.data() + start, program);
        int repeats = 1;
        int reachable = 1;
        for (int q = 0; q < count; q++) {
            const bool inMatrix = c.tableVars[q] == 7 || c.tableVars[q] == 4 || c.tableVars[q] == 9;
            (inMatrix ? reachable : repeats) *= c.tableSizes[q];
        }
        int reached = 0;
        for (double s : sums) {
            EXPECT_TRUE(s == 0.0 || s == repeats) << s;
            reached += s > 0.0 ? 1 : 0;
        }
        EXPECT_EQ(reached, reachable);
    }
}

TEST(TableLayout, RefusesTablesThatDoNotFitTheMatrix) {
    const LayoutCase refused[] = {
        {"a size that differs", {7, 4, 9}, {2, 2, 2}, {-1, -1, -1}},
        {"a free dimension missing from the table", {7, 9}, {2, 2}, {-1, -1, -1}},
        {"a pinned coordinate outside its dimension", {7, 9}, {2, 2}, {-1, 3, -1}},
    };
    const VRX_Dmatrix m = Matrix();
    for (const LayoutCase& c : refused) {
        StrideProgram program;
        int64_t start = 0;
        EXPECT_EQ(vovido::BuildMatrixProgram(m, kMatrixVars, c.pinned.data(), c.tableVars.data(),
                                             c.tableSizes.data(), static_cast<int>(c.tableVars.size()),
                                             program, start),
                  kOutOfRange)
            << c.name;
    }
}

}  // namespace
