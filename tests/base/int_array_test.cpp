// Tests of the int array: growth, list edits, permutation, swapping and copying.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/int_array.h"
#include "base/status_codes.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

// Built by Add, so the storage grows as a list's does (eight inline first).
VRX_intArray Listed(const std::vector<int>& values) {
    VRX_intArray a;
    for (int v : values) EXPECT_EQ(a.Add(v), kSuccess);
    return a;
}

}  // namespace

TEST(IntArrayGrowth, DoublesFromEightAndKeepsShortListsInline) {
    VRX_intArray a;
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_NE(a.GetItems(), nullptr);
    const int* inlineStorage = a.GetItems();
    std::vector<int> sizes;
    for (int i = 0; i < 17; i++) {
        ASSERT_EQ(a.Add(i * 10), 0);
        sizes.push_back(a.GetSize());
        if (i < 8) {
            EXPECT_EQ(a.GetItems(), inlineStorage);
        }
    }
    EXPECT_NE(a.GetItems(), inlineStorage);
    EXPECT_EQ(sizes[0], 8);
    EXPECT_EQ(sizes[7], 8);
    EXPECT_EQ(sizes[8], 16);
    EXPECT_EQ(sizes[16], 32);
    EXPECT_EQ(a.GetCount(), 17);
    for (int i = 0; i < 17; i++) EXPECT_EQ(a[i], i * 10);
    EXPECT_EQ(a.LastItem(), 160);
    a.LastElement() = 7;
    EXPECT_EQ(a[31], 7);
}

TEST(IntArraySize, SetSizeKeepsContentOnlyForTheSameSize) {
    VRX_intArray a;
    EXPECT_EQ(a.SetSize(-1), kOutOfRange);
    ASSERT_EQ(a.SetSize(20), 0);
    a.FillWith(4);
    a.SetCount(5);
    ASSERT_EQ(a.SetSize(20), 0);
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(a[19], 4);
    ASSERT_EQ(a.SetSize(3), 0);
    EXPECT_EQ(a.GetSize(), 3);
    a.SetCount(9);
    EXPECT_EQ(a.GetCount(), 3);
    a.SetCount(-4);
    EXPECT_EQ(a.GetCount(), 0);
}

TEST(IntArraySize, FlushAndReserveGrowsOnlyWhenNeeded) {
    VRX_intArray a = Listed({1, 2, 3});
    EXPECT_EQ(a.FlushAndReserve(-1), kOutOfRange);
    EXPECT_EQ(a.GetCount(), 3);
    ASSERT_EQ(a.FlushAndReserve(2), 0);
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(a.GetSize(), 8);
    EXPECT_EQ(a[2], 3);
    ASSERT_EQ(a.FlushAndReserve(12), 0);
    EXPECT_EQ(a.GetSize(), 12);
    a.Flush();
    EXPECT_EQ(a.GetSize(), 12);
    a.CleanUp();
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.GetCount(), 0);
}

TEST(IntArrayList, InsertAtCountAppendsAndBeyondIsRefused) {
    VRX_intArray a = Listed({1, 2, 3});
    ASSERT_EQ(a.Insert(3, 4), 0);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(a.Insert(5, 9), kOutOfRange);
    EXPECT_EQ(a.Insert(-1, 9), kOutOfRange);
    ASSERT_EQ(a.Insert(0, 0), 0);
    ASSERT_EQ(a.Insert(2, 7), 0);
    EXPECT_EQ(Items(a), (std::vector<int>{0, 1, 7, 2, 3, 4}));
}

TEST(IntArrayList, DeleteAcceptsOnlyItemIndices) {
    VRX_intArray a = Listed({5, 6, 7});
    ASSERT_EQ(a.GetSize(), 8);
    // Index 3 lies within the storage but past the items: refused, nothing changes.
    EXPECT_EQ(a.Delete(3), kOutOfRange);
    EXPECT_EQ(a.Delete(-1), kOutOfRange);
    EXPECT_EQ(Items(a), (std::vector<int>{5, 6, 7}));
    ASSERT_EQ(a.Delete(0), 0);
    EXPECT_EQ(Items(a), (std::vector<int>{6, 7}));
    ASSERT_EQ(a.Delete(1), 0);
    EXPECT_EQ(Items(a), (std::vector<int>{6}));
}

TEST(IntArrayList, SearchAndExclusiveAdd) {
    VRX_intArray a = Listed({4, 9, 4});
    EXPECT_EQ(a.FindPosition(4), 0);
    EXPECT_EQ(a.FindPosition(9), 1);
    EXPECT_EQ(a.FindPosition(5), kOutOfRange);
    EXPECT_EQ(a.IsInList(9), 1);
    EXPECT_EQ(a.IsInList(0), 0);  // element 3 is 0 in storage but is not an item
    EXPECT_EQ(a.AddExclusive(9), kOutOfRange);
    EXPECT_EQ(a.AddExclusive(1), 0);
    EXPECT_EQ(Items(a), (std::vector<int>{4, 9, 4, 1}));
    EXPECT_EQ(a.DeleteByValue(4), 0);
    EXPECT_EQ(Items(a), (std::vector<int>{9, 4, 1}));
    EXPECT_EQ(a.DeleteByValue(8), kOutOfRange);
}

TEST(IntArrayPermute, AppliesNewFromOldOrder) {
    VRX_intArray a = Listed({10, 11, 12});
    ASSERT_EQ(a.Permute(Listed({2, 0, 1})), 0);
    EXPECT_EQ(Items(a), (std::vector<int>{12, 10, 11}));
    EXPECT_EQ(a.Permute(Listed({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(a.Permute(Listed({0, 3, 1})), kOutOfRange);
    EXPECT_EQ(a.Permute(Listed({0, -1, 1})), kOutOfRange);
    EXPECT_EQ(a.Permute(Listed({1, 0})), kOutOfRange);
    EXPECT_EQ(Items(a), (std::vector<int>{12, 10, 11}));
}

TEST(IntArrayPermute, UsesTheSizeWhenTheOrderCoversTheStorage) {
    VRX_intArray a;
    ASSERT_EQ(a.SetSize(3), kSuccess);
    a[0] = 1;
    a[1] = 2;
    a[2] = 3;
    ASSERT_EQ(a.Permute(Listed({1, 2, 0})), 0);
    EXPECT_EQ(a[0], 2);
    EXPECT_EQ(a[1], 3);
    EXPECT_EQ(a[2], 1);
    EXPECT_EQ(a.GetCount(), 0);

    VRX_intArray big;
    VRX_intArray order;
    for (int i = 0; i < 100; i++) {
        ASSERT_EQ(big.Add(i), kSuccess);
        ASSERT_EQ(order.Add(99 - i), kSuccess);
    }
    ASSERT_EQ(big.Permute(order), 0);
    for (int i = 0; i < 100; i++) EXPECT_EQ(big[i], 99 - i);
}

TEST(IntArraySwap, MovesHeapBlocksAndCopiesInlineContents) {
    VRX_intArray small = Listed({1, 2});
    VRX_intArray large;
    for (int i = 0; i < 20; i++) ASSERT_EQ(large.Add(i), kSuccess);
    const int* block = large.GetItems();
    small.Swap(large);
    EXPECT_EQ(small.GetItems(), block);
    EXPECT_EQ(small.GetCount(), 20);
    EXPECT_EQ(small.GetSize(), 32);
    EXPECT_EQ(Items(large), (std::vector<int>{1, 2}));
    EXPECT_EQ(large.GetSize(), 8);
    EXPECT_NE(large.GetItems(), block);

    VRX_intArray x = Listed({7});
    VRX_intArray y = Listed({8, 9, 10});
    x.Swap(y);
    EXPECT_EQ(Items(x), (std::vector<int>{8, 9, 10}));
    EXPECT_EQ(Items(y), (std::vector<int>{7}));
    // Each array still uses its own inline storage after the swap.
    ASSERT_EQ(y.Add(1), kSuccess);
    EXPECT_EQ(Items(x), (std::vector<int>{8, 9, 10}));
}

TEST(IntArrayCopy, CopiesAreDeepAndCompareEqual) {
    VRX_intArray a;
    for (int i = 0; i < 12; i++) ASSERT_EQ(a.Add(i), kSuccess);
    VRX_intArray b(a);
    EXPECT_TRUE(b == a);
    EXPECT_NE(b.GetItems(), a.GetItems());
    b[0] = 99;
    EXPECT_FALSE(b == a);
    EXPECT_EQ(a[0], 0);

    VRX_intArray c = Listed({1});
    c = a;
    EXPECT_TRUE(c == a);
    VRX_intArray d;
    ASSERT_EQ(d.Copy(a), 0);
    d.SetCount(5);
    EXPECT_FALSE(d == a);

    VRX_intArray moved(std::move(c));
    EXPECT_TRUE(moved == a);
    EXPECT_EQ(c.GetSize(), 0);

    VRX_intArray shorter = Listed({-1, -2});
    ASSERT_EQ(shorter.CopyElements(a), 0);
    EXPECT_EQ(shorter.GetSize(), 8);
    EXPECT_EQ(shorter.GetCount(), 2);
    EXPECT_EQ(shorter[7], 7);
    VRX_intArray one;
    ASSERT_EQ(one.SetSize(1), kSuccess);
    one[0] = 5;
    ASSERT_EQ(a.CopyElements(one), 0);
    EXPECT_EQ(a[0], 5);
    EXPECT_EQ(a[1], 1);
}
