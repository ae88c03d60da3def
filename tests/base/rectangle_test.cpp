// Screen rectangles and their array: copies that honour validity, growth, the spare for bad indices.
#include "base/rectangle.h"

#include <gtest/gtest.h>

#include "base/status_codes.h"

namespace {

// A rectangle whose valid bit can be cleared, as a failed consistency pass would leave it.
class ProbeRectangle : public VRX_rectangle {
public:
    using VRX_rectangle::VRX_rectangle;
    void Invalidate() { SetFlag(kValid, false); }
};

class ProbeRectangleArray : public VRX_rectangleArray {
public:
    using VRX_rectangleArray::VRX_rectangleArray;
    void ForceCount(int n) {
        count = n;
        CheckValidity(0);
    }
};

void ExpectRect(const VRX_rectangle& r, int cx, int cy, int w, int h) {
    EXPECT_EQ(r.centerX, cx);
    EXPECT_EQ(r.centerY, cy);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

TEST(Rectangle, ConstructionAndCopiesHonourValidity) {
    VRX_rectangle zero;
    ExpectRect(zero, 0, 0, 0, 0);
    EXPECT_TRUE(zero.IsValid());
    EXPECT_TRUE(zero.IsConsistent());

    ProbeRectangle source(10, 20, 30, 40);
    VRX_rectangle copied(source);
    ExpectRect(copied, 10, 20, 30, 40);

    source.Invalidate();
    VRX_rectangle fromInvalid(source);
    ExpectRect(fromInvalid, 0, 0, 0, 0);
    EXPECT_TRUE(fromInvalid.IsValid());

    VRX_rectangle target(1, 2, 3, 4);
    EXPECT_EQ(target.Copy(source), kObjectNotValid);
    ExpectRect(target, 1, 2, 3, 4);
    EXPECT_EQ(target.Copy(copied), kSuccess);
    ExpectRect(target, 10, 20, 30, 40);
}

TEST(Rectangle, FillSizeFromTakesOnlyZeroDimensions) {
    const VRX_rectangle other(1, 2, 80, 60);
    VRX_rectangle noWidth(5, 6, 0, 9);
    EXPECT_EQ(noWidth.FillSizeFrom(other), kSuccess);
    ExpectRect(noWidth, 5, 6, 80, 9);

    VRX_rectangle noSize(5, 6, 0, 0);
    EXPECT_EQ(noSize.FillSizeFrom(other), kSuccess);
    ExpectRect(noSize, 5, 6, 80, 60);

    ProbeRectangle invalid(0, 0, 7, 7);
    invalid.Invalidate();
    VRX_rectangle untouched(0, 0, 0, 0);
    EXPECT_EQ(untouched.FillSizeFrom(invalid), kObjectNotValid);
    ExpectRect(untouched, 0, 0, 0, 0);
}

TEST(RectangleArray, AddGrowsByStepAndCopiesOnlyValidRectangles) {
    VRX_rectangleArray a(2);
    EXPECT_TRUE(a.IsValid());
    EXPECT_EQ(a.GetSize(), 0);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(a.Add(VRX_rectangle(i, i + 1, i + 2, i + 3)), kSuccess);
    EXPECT_EQ(a.GetSize(), 6);  // 0 -> 2 -> 4 -> 6
    EXPECT_EQ(a.GetCount(), 5);
    for (int i = 0; i < 5; ++i) ExpectRect(a[i], i, i + 1, i + 2, i + 3);
    ExpectRect(a[5], 0, 0, 0, 0);  // allocated but unused

    ProbeRectangle invalid(9, 9, 9, 9);
    invalid.Invalidate();
    EXPECT_EQ(a.Add(invalid), kSuccess);
    ExpectRect(a[5], 0, 0, 0, 0);
    EXPECT_TRUE(a[5].IsValid());
    EXPECT_EQ(a.GetCount(), 6);

    // Adding one of its own items across a growth copies the value, not a dangling reference.
    EXPECT_EQ(a.Add(a[1]), kSuccess);
    EXPECT_EQ(a.GetSize(), 8);
    ExpectRect(a[6], 1, 2, 3, 4);
}

TEST(RectangleArray, OutOfRangeIndexGivesZeroSpare) {
    VRX_rectangleArray a;
    ASSERT_EQ(a.Add(VRX_rectangle(1, 1, 1, 1)), kSuccess);
    ExpectRect(a[-1], 0, 0, 0, 0);
    ExpectRect(a[a.GetSize()], 0, 0, 0, 0);
    // A stray write lands in the spare and is gone by the next bad index.
    a[-1].width = 99;
    ExpectRect(a[1000], 0, 0, 0, 0);
    const VRX_rectangleArray& view = a;
    ExpectRect(view[-5], 0, 0, 0, 0);
    ExpectRect(view[0], 1, 1, 1, 1);
}

TEST(RectangleArray, InvalidArrayRefusesGrowth) {
    ProbeRectangleArray a;
    ASSERT_EQ(a.Add(VRX_rectangle(1, 2, 3, 4)), kSuccess);
    a.ForceCount(a.GetSize() + 1);
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(a.Add(VRX_rectangle()), kObjectNotValid);
    EXPECT_EQ(a.Grow(), kObjectNotValid);
    a.CleanUp(0);
    EXPECT_TRUE(a.IsValid());
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(a.Add(VRX_rectangle(5, 5, 5, 5)), kSuccess);
}

TEST(RectangleArray, CopyIsDeep) {
    VRX_rectangleArray a(3);
    ASSERT_EQ(a.Add(VRX_rectangle(1, 2, 3, 4)), kSuccess);
    ASSERT_EQ(a.Add(VRX_rectangle(5, 6, 7, 8)), kSuccess);
    VRX_rectangleArray b(a);
    a[0].centerX = 100;
    EXPECT_EQ(b.GetCount(), 2);
    EXPECT_EQ(b.GetSize(), 3);
    EXPECT_EQ(b.GetDelta(), 3);
    ExpectRect(b[0], 1, 2, 3, 4);
    ExpectRect(b[1], 5, 6, 7, 8);

    VRX_rectangleArray c;
    c = a;
    ExpectRect(c[0], 100, 2, 3, 4);
    EXPECT_EQ(c.Add(VRX_rectangle()), kSuccess);
    EXPECT_EQ(a.GetCount(), 2);
}

}  // namespace
