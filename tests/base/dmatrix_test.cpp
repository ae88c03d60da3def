// Tests of the multi-dimensional table: index arithmetic, arithmetic over runs, and every reshaping
// operation checked against a cell-by-cell reference computed through coordinates.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

VRX_Dmatrix Table(const std::vector<int>& sizes, const std::vector<double>& values = {}) {
    VRX_Dmatrix m(Ints(sizes));
    if (values.empty()) {
        m.FillWithIndices();
    } else {
        for (size_t i = 0; i < values.size(); i++) m[static_cast<int>(i)] = values[i];
    }
    return m;
}

// Small integers, so that sums of products are exact whatever the order of summation.
VRX_Dmatrix Varied(const std::vector<int>& sizes) {
    VRX_Dmatrix m(Ints(sizes));
    for (int i = 0; i < m.GetNumberOfElements(); i++) m[i] = (i * 7 + 3) % 11 - 5;
    return m;
}

// Calls f(coords) for every cell of m in row-major order.
template <typename F>
void ForEachCell(const VRX_Dmatrix& m, F f) {
    VRX_intArray c;
    for (int i = 0; i < m.GetNumberOfElements(); i++) {
        ASSERT_EQ(m.IndexToCoordinates(i, c), kSuccess);
        f(c);
    }
}

}  // namespace

TEST(DmatrixIndex, StridesIndicesAndCoordinates) {
    VRX_Dmatrix m = Table({2, 3});
    EXPECT_EQ(m.GetNumberOfDimensions(), 2);
    EXPECT_EQ(m.GetNumberOfElements(), 6);
    EXPECT_EQ(m.GetStrides()[0], 3);
    EXPECT_EQ(m.GetStrides()[1], 1);
    EXPECT_EQ(m.CoordinatesToIndex(Ints({1, 2})), 5);
    int c0 = 1;
    int c1 = 1;
    int* pointers[] = {&c0, &c1};
    EXPECT_EQ(m.CoordinatePointersToIndex(pointers), 4);
    VRX_intArray c;
    ASSERT_EQ(m.IndexToCoordinates(5, c), 0);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[1], 2);
    EXPECT_EQ(c.GetCount(), 0);
    EXPECT_EQ(m.IndexToCoordinates(6, c), kOutOfRange);
    EXPECT_EQ(m.IndexToCoordinates(-1, c), kOutOfRange);
    EXPECT_EQ(m.GetSizeOfDimension(1), 3);
    EXPECT_EQ(m.GetSizeOfDimension(2), kOutOfRange);
    EXPECT_EQ(m.Subscript(Ints({1, 0})), 3.0);
    EXPECT_EQ(m.GetValueAt(Ints({0, 2})), 2.0);
}

TEST(DmatrixIndex, NextCoordinatesCarriesAndStopsAtTheEnd) {
    VRX_Dmatrix m = Table({2, 3});
    VRX_intArray c = Ints({0, 2});
    ASSERT_EQ(m.NextCoordinates(c), 0);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[1], 0);
    c = Ints({1, 2});
    EXPECT_EQ(m.NextCoordinates(c), kOutOfRange);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[1], 2);
    VRX_intArray shortVector = Ints({0});
    EXPECT_EQ(m.NextCoordinates(shortVector), kOutOfRange);
}

TEST(DmatrixIndex, CheckedSubscriptGuardsEveryCoordinate) {
    VRX_Dmatrix m = Table({2, 3});
    EXPECT_EQ(m.CheckedSubscript(Ints({1, 1})), 4.0);
    m.CheckedSubscript(Ints({0, 1})) = 9.0;
    EXPECT_EQ(m[1], 9.0);
    double& spare = m.CheckedSubscript(Ints({2, 0}));
    EXPECT_EQ(spare, 0.0);
    spare = 5.0;
    EXPECT_EQ(m.CheckedSubscript(Ints({0, -1})), 0.0);
    EXPECT_EQ(m.CheckedSubscript(Ints({1})), 0.0);
    EXPECT_EQ(Entries(m), (std::vector<double>{0, 9, 2, 3, 4, 5}));
}

TEST(DmatrixSetup, RefusesBadSizesAndOverflowWithoutChange) {
    VRX_Dmatrix m = Table({2, 2});
    EXPECT_EQ(m.Setup(Ints({2, 0})), kOutOfRange);
    EXPECT_EQ(m.SetupFromList(nullptr, -1), kOutOfRange);
    // 65536 x 65536 elements cannot be indexed by an int: refused instead of wrapping to 0.
    EXPECT_EQ(m.Setup(Ints({65536, 65536})), kOutOfMemory);
    EXPECT_EQ(m.Setup(Ints({2, 2, 65536, 32768})), kOutOfMemory);
    EXPECT_EQ(Shape(m), (std::vector<int>{2, 2}));
    EXPECT_EQ(Entries(m), (std::vector<double>{0, 1, 2, 3}));
    EXPECT_EQ(m.SetSizeOfDimension(0, INT_MAX), kOutOfMemory);
    EXPECT_EQ(Shape(m), (std::vector<int>{2, 2}));

    VRX_Dmatrix bad(Ints({3, -1}));
    EXPECT_EQ(bad.GetNumberOfDimensions(), 0);
    EXPECT_EQ(bad.GetData(), nullptr);

    const int list[] = {4, 1, 2};
    ASSERT_EQ(m.SetupFromList(list, 3), 0);
    EXPECT_EQ(m.GetNumberOfElements(), 8);
    EXPECT_EQ(m.GetStrides()[0], 2);
    ASSERT_EQ(m.SetupFromList(list, 0), 0);
    EXPECT_EQ(m.GetNumberOfDimensions(), 0);
    EXPECT_EQ(m.GetData(), nullptr);
}

TEST(DmatrixSetup, CopyAndSizeOfDimension) {
    VRX_Dmatrix m = Table({3, 2});
    VRX_Dmatrix copy(m);
    EXPECT_EQ(Entries(copy), Entries(m));
    EXPECT_NE(copy.GetData(), m.GetData());
    EXPECT_EQ(copy.HasSameDimensions(m), 1);
    VRX_Dmatrix other = Table({2, 3});
    EXPECT_EQ(other.HasSameDimensions(m), 0);
    ASSERT_EQ(other.Copy(m), 0);
    EXPECT_EQ(Shape(other), (std::vector<int>{3, 2}));
    EXPECT_EQ(Entries(other), Entries(m));

    EXPECT_EQ(m.SetSizeOfDimension(1, 0), kOutOfRange);
    EXPECT_EQ(m.SetSizeOfDimension(2, 4), kOutOfRange);
    ASSERT_EQ(m.SetSizeOfDimension(1, 2), 0);
    EXPECT_EQ(Entries(m), Entries(copy));
    ASSERT_EQ(m.SetSizeOfDimension(1, 5), 0);
    EXPECT_EQ(m.GetNumberOfElements(), 15);
    EXPECT_EQ(m.GetStrides()[0], 5);
    m.CleanUp();
    EXPECT_EQ(m.GetNumberOfDimensions(), 0);
    EXPECT_EQ(m.GetNumberOfElements(), 0);
}

TEST(DmatrixArithmetic, NormalizeRuns) {
    VRX_Dmatrix m = Table({3, 2}, {1, 3, 0, 0, 0.25, 0.75});
    ASSERT_EQ(m.Normalize(), 0);
    EXPECT_EQ(Entries(m), (std::vector<double>{0.25, 0.75, 0.5, 0.5, 0.25, 0.75}));

    // 0.1 + 0.2 + 0.7 sums to exactly 1.0 in doubles: such a run stays bit for bit as it is.
    VRX_Dmatrix exact = Table({1, 3}, {0.1, 0.2, 0.7});
    ASSERT_EQ(0.1 + 0.2 + 0.7, 1.0);
    exact.Normalize();
    EXPECT_EQ(Entries(exact), (std::vector<double>{0.1, 0.2, 0.7}));
    VRX_Dmatrix three = Table({3}, {0, 0, 0});
    three.Normalize();
    EXPECT_EQ(three[2], 1.0 / 3);
}

TEST(DmatrixArithmetic, FillScaleSumAndComplete) {
    VRX_Dmatrix a = Table({2, 2});
    VRX_Dmatrix b = Table({2, 2});
    b.MultiplyBy(10.0);
    VRX_Dmatrix sum(Ints({2, 2}));
    ASSERT_EQ(sum.SetToSum(a, b), 0);
    EXPECT_EQ(Entries(sum), (std::vector<double>{0, 11, 22, 33}));
    VRX_Dmatrix wrong = Table({4});
    EXPECT_EQ(sum.SetToSum(a, wrong), kOutOfRange);
    sum.FillWith(0.5);
    EXPECT_EQ(Entries(sum), (std::vector<double>{0.5, 0.5, 0.5, 0.5}));

    VRX_Dmatrix run = Table({2, 3}, {0.2, 7.0, 0.3, 0.1, 0.1, 9.0});
    ASSERT_EQ(run.CompleteDistribution(Ints({0, 1})), 0);
    EXPECT_DOUBLE_EQ(run[1], 0.5);
    ASSERT_EQ(run.CompleteDistributionAtIndex(5), 0);
    EXPECT_DOUBLE_EQ(run[5], 0.8);
    EXPECT_EQ(run.CompleteDistribution(Ints({0, 3})), kOutOfRange);
    EXPECT_EQ(run.CompleteDistribution(Ints({0})), kOutOfRange);
    EXPECT_EQ(run.CompleteDistributionAtIndex(6), kOutOfRange);
}

TEST(DmatrixArithmetic, SubTableEquals) {
    VRX_Dmatrix m = Table({2, 3, 2}, {1, 1, 1, 1, 1, 1, 2, 1, 2, 1, 2, 1});
    EXPECT_EQ(m.SubTableEquals(1.0, Ints({0, -1, -1})), 1);
    EXPECT_EQ(m.SubTableEquals(1.0, Ints({-1, -1, 1})), 1);
    EXPECT_EQ(m.SubTableEquals(2.0, Ints({1, -1, 0})), 1);
    EXPECT_EQ(m.SubTableEquals(1.0, Ints({-1, -1, -1})), 0);
    EXPECT_EQ(m.SubTableEquals(2.0, Ints({1, 2, 0})), 1);
    EXPECT_EQ(m.SubTableEquals(1.0, Ints({-1, -1})), kOutOfRange);
    EXPECT_EQ(m.SubTableEquals(1.0, Ints({2, -1, -1})), kOutOfRange);
    EXPECT_EQ(m.SubTableEqualsAt(2.0, 0, 1, 2, 0), 1);
    EXPECT_EQ(m.SubTableEqualsAt(2.0, 0, 1, 2, 1), 0);
    EXPECT_EQ(m.SubTableEqualsAt(1.0, 0, 0, 0, 0), 1);
    EXPECT_EQ(m.SubTableEqualsAt(1.0, 3, 0, 0, 0), kOutOfRange);
}

TEST(DmatrixItems, AddShiftAndRemoveItems) {
    VRX_Dmatrix m = Table({2, 2}, {1, 2, 3, 4});
    ASSERT_EQ(m.AddItem(1), 0);
    EXPECT_EQ(Shape(m), (std::vector<int>{2, 3}));
    EXPECT_EQ(Entries(m), (std::vector<double>{1, 2, 0, 3, 4, 0}));
    ASSERT_EQ(m.ShiftItemsUp(1, 0, 9), 0);
    EXPECT_EQ(Entries(m), (std::vector<double>{9, 1, 2, 9, 3, 4}));
    EXPECT_EQ(m.ShiftItemsUp(1, 3, 9), kOutOfRange);
    EXPECT_EQ(m.AddItem(2), kOutOfRange);

    VRX_Dmatrix d = Table({2, 2}, {1, 2, 3, 4});
    ASSERT_EQ(d.ShiftItemsDown(1, 0), 0);
    EXPECT_EQ(Entries(d), (std::vector<double>{2, 0, 4, 0}));
    ASSERT_EQ(d.RemoveLastItem(1), 0);
    EXPECT_EQ(Shape(d), (std::vector<int>{2, 1}));
    EXPECT_EQ(Entries(d), (std::vector<double>{2, 4}));
    EXPECT_EQ(d.RemoveLastItem(1), kOutOfRange);
    EXPECT_EQ(d.ShiftItemsDown(0, -1), kOutOfRange);

    // Along the first dimension: whole rows move.
    VRX_Dmatrix rows = Table({2, 2}, {1, 2, 3, 4});
    ASSERT_EQ(rows.AddItem(0), 0);
    ASSERT_EQ(rows.ShiftItemsUp(0, 1, 7), 0);
    EXPECT_EQ(Entries(rows), (std::vector<double>{1, 2, 7, 7, 3, 4}));
    ASSERT_EQ(rows.ShiftItemsDown(0, 0), 0);
    ASSERT_EQ(rows.RemoveLastItem(0), 0);
    EXPECT_EQ(Entries(rows), (std::vector<double>{7, 7, 3, 4}));
}

TEST(DmatrixDimensions, InsertDimensionRepeatsTheTable) {
    VRX_Dmatrix m = Table({2}, {1, 2});
    ASSERT_EQ(m.InsertDimension(0, 2), 0);
    EXPECT_EQ(Shape(m), (std::vector<int>{2, 2}));
    EXPECT_EQ(Entries(m), (std::vector<double>{1, 2, 1, 2}));
    EXPECT_EQ(m.InsertDimension(3, 2), kOutOfRange);
    EXPECT_EQ(m.InsertDimension(0, 0), kOutOfRange);

    for (int p = 0; p <= 3; p++) {
        VRX_Dmatrix old = Varied({2, 3, 4});
        VRX_Dmatrix grown(old);
        ASSERT_EQ(grown.InsertDimension(p, 3), 0);
        ASSERT_EQ(grown.GetNumberOfElements(), 72);
        ForEachCell(grown, [&](const VRX_intArray& c) {
            VRX_intArray o = c;
            o.SetCount(4);
            ASSERT_EQ(o.Delete(p), kSuccess);
            EXPECT_EQ(grown.GetValueAt(c), old.GetValueAt(o)) << "p=" << p;
        });
    }

    VRX_Dmatrix empty;
    ASSERT_EQ(empty.AddDimension(3), 0);
    EXPECT_EQ(Shape(empty), (std::vector<int>{3}));
    VRX_Dmatrix big = Table({65536});
    EXPECT_EQ(big.InsertDimension(0, 65536), kOutOfMemory);
    EXPECT_EQ(Shape(big), (std::vector<int>{65536}));
}

TEST(DmatrixDimensions, SlicesAgainstReference) {
    VRX_Dmatrix m = Varied({2, 3, 4});
    for (int d = 0; d < 3; d++) {
        for (int k = 0; k < m.GetSizeOfDimension(d); k++) {
            VRX_Dmatrix slice;
            ASSERT_EQ(m.ExtractSlice(d, k, slice), 0);
            ASSERT_EQ(slice.GetNumberOfDimensions(), 2);
            ForEachCell(slice, [&](const VRX_intArray& c) {
                VRX_intArray o = c;
                o.SetCount(2);
                ASSERT_EQ(o.Insert(d, k), kSuccess);
                EXPECT_EQ(slice.GetValueAt(c), m.GetValueAt(o)) << "d=" << d << " k=" << k;
            });
            VRX_intArray sizes;
            VRX_doubleArray values;
            ASSERT_EQ(m.ExtractSliceData(d, k, sizes, values), 0);
            EXPECT_EQ(std::vector<int>(sizes.GetItems(), sizes.GetItems() + sizes.GetCount()), Shape(slice));
            EXPECT_EQ(std::vector<double>(values.GetItems(), values.GetItems() + values.GetSize()),
                      Entries(slice));
        }
    }
    VRX_Dmatrix out = Table({2});
    EXPECT_EQ(m.ExtractSlice(1, 3, out), kOutOfRange);
    EXPECT_EQ(m.ExtractSlice(3, 0, out), kOutOfRange);
    EXPECT_EQ(Shape(out), (std::vector<int>{2}));

    VRX_Dmatrix reduced(m);
    EXPECT_EQ(reduced.ReduceToSlice(0, 2), kOutOfRange);
    EXPECT_EQ(Entries(reduced), Entries(m));
    ASSERT_EQ(reduced.ReduceToSlice(2, 3), 0);
    EXPECT_EQ(Shape(reduced), (std::vector<int>{2, 3}));
    EXPECT_EQ(reduced[4], m[4 * 4 + 3]);
    ASSERT_EQ(reduced.RemoveDimension(0), 0);
    EXPECT_EQ(Shape(reduced), (std::vector<int>{3}));
    ASSERT_EQ(reduced.RemoveDimension(0), 0);
    EXPECT_EQ(reduced.GetNumberOfDimensions(), 0);
    EXPECT_EQ(reduced.GetData(), nullptr);

    VRX_Dmatrix line = Table({3});
    VRX_intArray sizes = Ints({9});
    VRX_doubleArray values;
    ASSERT_EQ(values.Add(1.0), kSuccess);
    ASSERT_EQ(line.ExtractSliceData(0, 1, sizes, values), 0);
    EXPECT_EQ(sizes.GetSize(), 0);
    EXPECT_EQ(values.GetSize(), 0);
}

TEST(DmatrixDimensions, SubMatrix) {
    VRX_Dmatrix m = Varied({2, 3, 4});
    VRX_Dmatrix sub;
    ASSERT_EQ(m.ExtractSubMatrix(Ints({1, -1, 2}), sub), 0);
    EXPECT_EQ(Shape(sub), (std::vector<int>{3}));
    for (int j = 0; j < 3; j++) EXPECT_EQ(sub[j], m.GetValueAt(Ints({1, j, 2})));
    ASSERT_EQ(m.ExtractSubMatrix(Ints({-1, -1, -1}), sub), 0);
    EXPECT_EQ(Entries(sub), Entries(m));
    ASSERT_EQ(m.ExtractSubMatrix(Ints({1, 2, 3}), sub), 0);
    EXPECT_EQ(sub.GetNumberOfDimensions(), 0);
    EXPECT_EQ(sub.GetNumberOfElements(), 0);
    EXPECT_EQ(m.ExtractSubMatrix(Ints({1, 2}), sub), kOutOfRange);
    EXPECT_EQ(m.ExtractSubMatrix(Ints({2, -1, -1}), sub), kOutOfRange);
    // Into itself.
    VRX_Dmatrix self(m);
    ASSERT_EQ(self.ExtractSubMatrix(Ints({-1, 0, -1}), self), 0);
    EXPECT_EQ(Shape(self), (std::vector<int>{2, 4}));
    EXPECT_EQ(self[5], m.GetValueAt(Ints({1, 0, 1})));
}

TEST(DmatrixSums, WeightedSumAgainstReference) {
    const std::vector<double> w = {2, -1, 3, 0.5};
    for (int d = 0; d < 3; d++) {
        VRX_Dmatrix m = Varied({3, 4, 2});
        VRX_doubleArray weights;
        for (int k = 0; k < m.GetSizeOfDimension(d); k++) ASSERT_EQ(weights.Add(w[k]), kSuccess);
        VRX_Dmatrix out;
        ASSERT_EQ(m.WeightedSumOverDimensionInto(d, weights, out), 0);
        ASSERT_EQ(out.GetNumberOfDimensions(), 2);
        ForEachCell(out, [&](const VRX_intArray& c) {
            double expected = 0.0;
            for (int k = 0; k < m.GetSizeOfDimension(d); k++) {
                VRX_intArray o = c;
                o.SetCount(2);
                ASSERT_EQ(o.Insert(d, k), kSuccess);
                expected += w[k] * m.GetValueAt(o);
            }
            EXPECT_EQ(out.GetValueAt(c), expected) << "d=" << d;
        });
        ASSERT_EQ(m.WeightedSumOverDimension(d, weights), 0);
        EXPECT_EQ(Entries(m), Entries(out));
    }
    VRX_Dmatrix m = Varied({3, 4});
    VRX_doubleArray few;
    ASSERT_EQ(few.SetSize(1), kSuccess);
    few[0] = 1.0;
    EXPECT_EQ(m.WeightedSumOverDimension(0, few), kOutOfRange);
    EXPECT_EQ(m.WeightedSumOverDimension(2, few), kOutOfRange);
    EXPECT_EQ(m.GetNumberOfElements(), 12);
    VRX_Dmatrix line = Table({1});
    ASSERT_EQ(line.WeightedSumOverDimension(0, few), 0);
    EXPECT_EQ(line.GetNumberOfDimensions(), 0);
}

TEST(DmatrixSums, MultiplyAndSumOutAgainstReference) {
    struct Case {
        std::vector<int> sizes;
        int d;
        std::vector<int> otherSizes;
        std::vector<int> map;
    };
    const std::vector<Case> cases = {
        {{2, 3, 4}, 1, {3}, {1}},
        {{2, 3, 4}, 2, {4, 2}, {2, 0}},
        {{2, 3, 4}, 0, {3, 2}, {1, 0}},
        {{2, 3, 4}, 1, {2, 3, 4}, {0, 1, 2}},
        {{3, 1, 2}, 0, {3}, {0}},
        {{2, 3, 1}, 1, {3}, {1}},     // unit stride without being the last dimension
        {{2, 2}, 1, {2, 2}, {1, 1}},  // both dimensions of other follow dimension 1
    };
    for (const Case& t : cases) {
        VRX_Dmatrix m = Varied(t.sizes);
        VRX_Dmatrix other = Varied(t.otherSizes);
        other.MultiplyBy(-1.0);
        VRX_Dmatrix result(m);
        ASSERT_EQ(result.MultiplyAndSumOutDimension(t.d, other, Ints(t.map)), 0);
        const int nd = static_cast<int>(t.sizes.size());
        ASSERT_EQ(result.GetNumberOfDimensions(), nd - 1);
        ForEachCell(result, [&](const VRX_intArray& c) {
            double expected = 0.0;
            for (int i = 0; i < t.sizes[t.d]; i++) {
                VRX_intArray full = c;
                full.SetCount(nd - 1);
                ASSERT_EQ(full.Insert(t.d, i), kSuccess);
                VRX_intArray o;
                for (int k : t.map) ASSERT_EQ(o.Add(full[k]), kSuccess);
                expected += m.GetValueAt(full) * other.GetValueAt(o);
            }
            EXPECT_EQ(result.GetValueAt(c), expected) << "d=" << t.d;
        });
    }
}

TEST(DmatrixSums, MultiplyAndSumOutRefusals) {
    VRX_Dmatrix m = Varied({2, 3});
    VRX_Dmatrix other = Varied({3});
    EXPECT_EQ(m.MultiplyAndSumOutDimension(2, other, Ints({1})), kOutOfRange);
    EXPECT_EQ(m.MultiplyAndSumOutDimension(0, other, Ints({1})), kOutOfRange);  // d not in the map
    EXPECT_EQ(m.MultiplyAndSumOutDimension(1, other, Ints({0})), kOutOfRange);  // sizes differ
    EXPECT_EQ(m.MultiplyAndSumOutDimension(1, other, Ints({5})), kOutOfRange);
    EXPECT_EQ(m.MultiplyAndSumOutDimension(1, other, Ints({1, 0})), kOutOfRange);
    EXPECT_EQ(Shape(m), (std::vector<int>{2, 3}));
    VRX_Dmatrix line = Varied({3});
    ASSERT_EQ(line.MultiplyAndSumOutDimension(0, other, Ints({0})), 0);
    EXPECT_EQ(line.GetNumberOfDimensions(), 0);
}

TEST(DmatrixReorder, DimensionsAgainstReference) {
    const std::vector<std::vector<int>> orders = {{2, 0, 1}, {1, 2, 0}, {2, 1, 0}, {0, 2, 1}, {0, 1, 2}};
    VRX_Dmatrix m = Varied({2, 3, 4});
    for (const auto& order : orders) {
        VRX_Dmatrix r(m);
        ASSERT_EQ(r.ReorderDimensions(Ints(order)), 0);
        for (int i = 0; i < 3; i++) EXPECT_EQ(r.GetSizeOfDimension(i), m.GetSizeOfDimension(order[i]));
        ForEachCell(r, [&](const VRX_intArray& c) {
            VRX_intArray o;
            ASSERT_EQ(o.SetSize(3), kSuccess);
            for (int i = 0; i < 3; i++) o[order[i]] = c[i];
            EXPECT_EQ(r.GetValueAt(c), m.GetValueAt(o));
        });
    }
    VRX_Dmatrix r(m);
    EXPECT_EQ(r.ReorderDimensions(Ints({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(r.ReorderDimensions(Ints({0, 1})), kOutOfRange);
    EXPECT_EQ(r.ReorderDimensions(Ints({0, 1, 3})), kOutOfRange);
    EXPECT_EQ(Entries(r), Entries(m));
}

TEST(DmatrixReorder, ItemsAgainstReference) {
    VRX_Dmatrix m = Varied({2, 3, 4});
    const std::vector<std::vector<int>> orders = {{1, 0}, {2, 0, 1}, {3, 1, 0, 2}};
    for (int d = 0; d < 3; d++) {
        VRX_Dmatrix r(m);
        ASSERT_EQ(r.ReorderItems(d, Ints(orders[d])), 0);
        ForEachCell(r, [&](const VRX_intArray& c) {
            VRX_intArray o = c;
            o[d] = orders[d][c[d]];
            EXPECT_EQ(r.GetValueAt(c), m.GetValueAt(o)) << "d=" << d;
        });
    }
    VRX_Dmatrix r(m);
    EXPECT_EQ(r.ReorderItems(3, Ints({0, 1})), kOutOfRange);
    EXPECT_EQ(r.ReorderItems(0, Ints({0, 1, 2})), kOutOfRange);
    EXPECT_EQ(r.ReorderItems(1, Ints({0, 1, 1})), kOutOfRange);
    EXPECT_EQ(Entries(r), Entries(m));
}

TEST(DmatrixSums, NormalizedRunsSumOutToOne) {
    VRX_Dmatrix m = Varied({5, 4, 3, 6});
    m.FillWith(1.0);
    ASSERT_EQ(m.Normalize(), 0);
    VRX_doubleArray ones;
    for (int k = 0; k < 6; k++) ASSERT_EQ(ones.Add(1.0), kSuccess);
    ASSERT_EQ(m.WeightedSumOverDimension(3, ones), 0);
    EXPECT_EQ(Shape(m), (std::vector<int>{5, 4, 3}));
    for (double v : Entries(m)) EXPECT_NEAR(v, 1.0, 1e-15);
    EXPECT_EQ(m.GetStrides()[0], 12);
}

// Outcome edits on the table of a node with runs of 3: every Normalize after an edit must leave exactly
// what a pass over the whole table leaves, though only the opened runs are visited when the rest are
// known to sum to 1. The second run (0.1 + 0.2 + 0.7) sums to just over 1, so each whole pass moves it.
TEST(DmatrixEdits, NormalizeAfterOpenedItemsMatchesWholeTablePass) {
    enum Op { kAdd, kInsertFirst, kRemoveLast, kWriteFirst, kAddMany, kRemoveMany };
    const Op ops[] = {kAdd, kAdd, kInsertFirst, kWriteFirst, kAdd, kRemoveLast, kAddMany, kRemoveMany, kAdd};
    const auto byHand = [](std::vector<double>& v) {
        for (size_t start = 0; start < v.size(); start += 3) {
            const double s = v[start] + v[start + 1] + v[start + 2];
            if (s == 1.0) continue;
            for (size_t j = start; j < start + 3; j++) v[j] = s == 0.0 ? 1.0 / 3 : v[j] / s;
        }
    };
    // One outer block grows in place; two make the edited dimension an inner one.
    for (int outer : {1, 2}) {
        SCOPED_TRACE(outer);
        std::vector<std::vector<double>> blocks(outer, {0.25, 0.25, 0.5, 0.1, 0.2, 0.7});
        std::vector<double> start;
        for (const auto& b : blocks) start.insert(start.end(), b.begin(), b.end());
        VRX_Dmatrix m = Table({outer, 2, 3}, start);
        for (Op op : ops) {
            const int items = m.GetDimensions()[1];
            int rc = kSuccess;
            for (int r = 0; r < (op == kAddMany || op == kRemoveMany ? 40 : 1) && rc == kSuccess; r++) {
                if (op == kAdd || op == kAddMany || op == kInsertFirst) rc = m.AddItem(1);
                if (op == kInsertFirst && rc == kSuccess) rc = m.ShiftItemsUp(1, 0, 0.0);
                if (op == kRemoveLast || op == kRemoveMany) rc = m.RemoveLastItem(1);
            }
            ASSERT_EQ(rc, kSuccess) << op;
            if (op == kWriteFirst) m[0] = 3.0;
            for (auto& b : blocks) {
                if (op == kAdd) b.insert(b.end(), 3, 0.0);
                if (op == kAddMany) b.insert(b.end(), 120, 0.0);
                if (op == kInsertFirst) b.insert(b.begin(), 3, 0.0);
                if (op == kRemoveLast) b.resize(b.size() - 3);
                if (op == kRemoveMany) b.resize(b.size() - 120);
            }
            if (op == kWriteFirst) blocks[0][0] = 3.0;
            ASSERT_EQ(m.Normalize(), kSuccess);
            std::vector<double> expected;
            for (auto& b : blocks) {
                byHand(b);
                expected.insert(expected.end(), b.begin(), b.end());
            }
            EXPECT_EQ(m.GetDimensions()[1], static_cast<int>(expected.size()) / outer / 3)
                << op << " " << items;
            EXPECT_EQ(Entries(m), expected) << op;
            EXPECT_EQ(m.GetStrides()[0], static_cast<int>(expected.size()) / outer);
        }
    }
}

// Zeros stay known as zeros through items added and removed at the end, not through a write.
TEST(DmatrixEdits, ZerosKnownThroughItemsAddedAndRemoved) {
    VRX_Dmatrix m = Table({3});
    EXPECT_FALSE(m.HoldsOnlyZeros());
    m.FillWith(0.0);
    for (int i = 0; i < 20; i++) ASSERT_EQ(m.AddItem(0), kSuccess);
    ASSERT_EQ(m.RemoveLastItem(0), kSuccess);
    EXPECT_TRUE(m.HoldsOnlyZeros());
    EXPECT_EQ(Entries(m), std::vector<double>(22, 0.0));
    m.FillWith(-0.0);
    EXPECT_FALSE(m.HoldsOnlyZeros());
    m.FillWith(0.0);
    m[4] = 0.0;
    EXPECT_FALSE(m.HoldsOnlyZeros());
}
