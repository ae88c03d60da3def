// Tests of the double array and of the pool of released buffers.
#include <gtest/gtest.h>

#include <vector>

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

// Every case leaves no pool behind, whatever it asserted.
class DoubleArrayPool : public ::testing::Test {
protected:
    void TearDown() override { VRX_doubleArray::DestroyPool(); }
};

// A fresh heap buffer of n doubles handed to the pool (or freed when it has no room).
double* ReleaseBufferOfSize(int n) {
    double* buffer = new double[n];
    VRX_doubleArray::ReleaseToPool(buffer, n);
    return buffer;
}

}  // namespace

TEST(DoubleArray, EmptyStateHasNoStorage) {
    VRX_doubleArray a;
    EXPECT_EQ(a.GetItems(), nullptr);
    ASSERT_EQ(a.SetSize(3), 0);
    EXPECT_NE(a.GetItems(), nullptr);
    a.CleanUp();
    EXPECT_EQ(a.GetItems(), nullptr);
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.SetSize(-2), kOutOfRange);
}

TEST(DoubleArray, SetSizeSameKeepsContentAndClearsCount) {
    VRX_doubleArray a;
    ASSERT_EQ(a.Add(0.5), kSuccess);
    ASSERT_EQ(a.Add(1.5), kSuccess);
    ASSERT_EQ(a.SetSize(4), 0);
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(a[1], 1.5);
    ASSERT_EQ(a.FlushAndReserve(9), 0);
    EXPECT_EQ(a.GetSize(), 9);
    EXPECT_EQ(a.FlushAndReserve(-1), kOutOfRange);
}

TEST(DoubleArray, ListEditsCheckPositionsAgainstTheItems) {
    VRX_doubleArray a;
    ASSERT_EQ(a.Add(1.0), kSuccess);
    ASSERT_EQ(a.Add(3.0), kSuccess);
    ASSERT_EQ(a.Insert(1, 2.0), 0);
    ASSERT_EQ(a.Insert(3, 4.0), 0);
    EXPECT_EQ(a.Insert(5, 9.0), kOutOfRange);
    EXPECT_EQ(Items(a), (std::vector<double>{1.0, 2.0, 3.0, 4.0}));
    ASSERT_EQ(a.Add(5.0), kSuccess);
    ASSERT_EQ(a.GetSize(), 8);
    EXPECT_EQ(a.Delete(5), kOutOfRange);  // inside the storage, past the items
    EXPECT_EQ(a.Delete(-1), kOutOfRange);
    ASSERT_EQ(a.Delete(0), 0);
    EXPECT_EQ(Items(a), (std::vector<double>{2.0, 3.0, 4.0, 5.0}));
}

TEST(DoubleArray, PermuteAndCopy) {
    VRX_doubleArray a;
    for (double v : {0.1, 0.2, 0.3}) ASSERT_EQ(a.Add(v), kSuccess);
    ASSERT_EQ(a.Permute(Ints({2, 0, 1})), 0);
    EXPECT_EQ(Items(a), (std::vector<double>{0.3, 0.1, 0.2}));
    EXPECT_EQ(a.Permute(Ints({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(Items(a), (std::vector<double>{0.3, 0.1, 0.2}));

    VRX_doubleArray b(a);
    EXPECT_EQ(b.GetSize(), a.GetSize());
    EXPECT_EQ(Items(b), Items(a));
    b[0] = 9.0;
    EXPECT_EQ(a[0], 0.3);

    VRX_doubleArray big;
    VRX_intArray order;
    for (int i = 0; i < 10; i++) {
        ASSERT_EQ(big.Add(i), kSuccess);
        ASSERT_EQ(order.Add((i + 3) % 10), kSuccess);
    }
    ASSERT_EQ(big.Permute(order), 0);
    for (int i = 0; i < 10; i++) EXPECT_EQ(big[i], (i + 3) % 10);
    VRX_doubleArray shorter;
    ASSERT_EQ(shorter.SetSize(2), kSuccess);
    shorter.CopyElements(big);
    EXPECT_EQ(shorter[1], 4.0);
    shorter.FillWith(-1.0);
    EXPECT_EQ(shorter[0], -1.0);
}

TEST(DoubleArray, SwapHandlesEmptyInlineAndHeapStorage) {
    VRX_doubleArray empty;
    VRX_doubleArray small;
    ASSERT_EQ(small.Add(1.0), kSuccess);
    VRX_doubleArray large;
    ASSERT_EQ(large.SetSize(10), kSuccess);
    large.FillWith(2.0);
    double* block = large.GetItems();

    empty.Swap(small);
    EXPECT_EQ(small.GetItems(), nullptr);
    EXPECT_EQ(Items(empty), (std::vector<double>{1.0}));
    small.Swap(large);
    EXPECT_EQ(small.GetItems(), block);
    EXPECT_EQ(large.GetItems(), nullptr);
    empty.Swap(small);
    EXPECT_EQ(empty.GetItems(), block);
    EXPECT_EQ(small.GetSize(), 4);
    EXPECT_EQ(small[0], 1.0);
    ASSERT_EQ(small.Add(5.0), kSuccess);
    EXPECT_EQ(empty[9], 2.0);
}

TEST_F(DoubleArrayPool, GrowthTakesBuffersFromThePool) {
    ASSERT_EQ(VRX_doubleArray::CreatePool(4), 0);
    double* eight = ReleaseBufferOfSize(8);
    double* sixteen = ReleaseBufferOfSize(16);
    ASSERT_EQ(VRX_doubleArray::PoolBufferCount(), 2);

    VRX_doubleArray a;
    std::vector<int> sizes;
    for (int i = 0; i < 9; i++) {
        ASSERT_EQ(a.Add(i), 0);
        sizes.push_back(a.GetSize());
        if (i == 4) {
            EXPECT_EQ(a.GetItems(), eight);
        }
    }
    EXPECT_EQ(sizes[0], 4);
    EXPECT_EQ(sizes[4], 8);
    EXPECT_EQ(sizes[8], 16);
    EXPECT_EQ(a.GetItems(), sixteen);
    // The buffer of 8 went back into the pool when the array grew out of it.
    EXPECT_EQ(VRX_doubleArray::PoolBufferCount(), 1);
    EXPECT_EQ(VRX_doubleArray::TakeFromPool(8), eight);
    VRX_doubleArray::ReleaseToPool(eight, 8);
    for (int i = 0; i < 9; i++) EXPECT_EQ(a[i], i);
}

TEST_F(DoubleArrayPool, CapacityLimitsTheReleasesItKeeps) {
    ASSERT_EQ(VRX_doubleArray::CreatePool(2), 0);
    double* first = ReleaseBufferOfSize(10);
    double* second = ReleaseBufferOfSize(10);
    ReleaseBufferOfSize(10);  // no room left: freed
    EXPECT_EQ(VRX_doubleArray::PoolBufferCount(), 2);
    double* a = VRX_doubleArray::TakeFromPool(10);
    double* b = VRX_doubleArray::TakeFromPool(10);
    EXPECT_EQ(a, first);
    EXPECT_EQ(b, second);
    EXPECT_EQ(VRX_doubleArray::PoolBufferCount(), 0);
    double* c = VRX_doubleArray::TakeFromPool(10);
    ASSERT_NE(c, nullptr);
    // Entries are filled once only: the pool is full for its whole life.
    VRX_doubleArray::ReleaseToPool(a, 10);
    EXPECT_EQ(VRX_doubleArray::PoolBufferCount(), 0);
    VRX_doubleArray::ReleaseToPool(b, 10);
    VRX_doubleArray::ReleaseToPool(c, 10);
}

TEST_F(DoubleArrayPool, TakePrefersExactFitThenSmallestLarger) {
    ASSERT_EQ(VRX_doubleArray::CreatePool(8), 0);
    ReleaseBufferOfSize(8);
    double* six = ReleaseBufferOfSize(6);
    EXPECT_EQ(VRX_doubleArray::TakeFromPool(5), six);
    VRX_doubleArray::ReleaseToPool(six, 6);
    double* five = ReleaseBufferOfSize(5);
    EXPECT_EQ(VRX_doubleArray::TakeFromPool(5), five);
    VRX_doubleArray::ReleaseToPool(five, 5);

    // A recorded size this large is reused only on an exact fit.
    double* huge = new double[8];
    VRX_doubleArray::ReleaseToPool(huge, 0x0FFFFFFF);
    double* seven = VRX_doubleArray::TakeFromPool(7);
    EXPECT_NE(seven, huge);
    EXPECT_EQ(VRX_doubleArray::TakeFromPool(0x0FFFFFFF), huge);
    delete[] huge;
    delete[] seven;
    EXPECT_EQ(VRX_doubleArray::TakeFromPool(0), nullptr);
}

TEST_F(DoubleArrayPool, ArraysReleaseTheirBuffersWithTheirSize) {
    ASSERT_EQ(VRX_doubleArray::CreatePool(4), 0);
    VRX_doubleArray a;
    VRX_doubleArray b;
    ASSERT_EQ(a.SetSize(6), kSuccess);
    ASSERT_EQ(b.SetSize(3), kSuccess);  // inline: never released
    double* six = a.GetItems();
    a.CleanUp();
    b.CleanUp();
    EXPECT_EQ(a.GetItems(), nullptr);
    EXPECT_EQ(VRX_doubleArray::PoolBufferCount(), 1);
    // A buffer taken for a smaller size is recorded with that size when released again.
    ASSERT_EQ(b.SetSize(5), 0);
    EXPECT_EQ(b.GetItems(), six);
    EXPECT_EQ(b.SetSize(20), 0);
    double* fresh = VRX_doubleArray::TakeFromPool(6);
    EXPECT_NE(fresh, six);
    delete[] fresh;
    EXPECT_EQ(VRX_doubleArray::TakeFromPool(5), six);
    delete[] six;
}

TEST_F(DoubleArrayPool, CreatingOverAnExistingPoolReleasesIt) {
    ASSERT_EQ(VRX_doubleArray::CreatePool(3), 0);
    ReleaseBufferOfSize(12);
    ASSERT_EQ(VRX_doubleArray::PoolBufferCount(), 1);
    ASSERT_EQ(VRX_doubleArray::CreatePool(3), 0);  // the buffer of the old pool is freed, not leaked
    EXPECT_TRUE(VRX_doubleArray::HasPool());
    EXPECT_EQ(VRX_doubleArray::PoolBufferCount(), 0);
    EXPECT_EQ(VRX_doubleArray::CreatePool(0), 0);  // nothing happens
    EXPECT_TRUE(VRX_doubleArray::HasPool());
    VRX_doubleArray::DestroyPool();
    EXPECT_FALSE(VRX_doubleArray::HasPool());
    // Without a pool a release is a plain free.
    ReleaseBufferOfSize(12);
    EXPECT_EQ(VRX_doubleArray::PoolBufferCount(), 0);
}
