// Array of owned strings: validity, list edits, sized use, copies and permutations.
#include "base/string_array.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/int_array.h"
#include "base/status_codes.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

// Reaches the protected counters to build states that public operations never produce.
class ProbeArray : public VRX_stringArray {
public:
    using VRX_stringArray::VRX_stringArray;
    void ForceCount(int n) {
        count = n;
        CheckValidity(0);
    }
};

TEST(StringArrayConstruction, EmptyAndSizedStatesAreValid) {
    VRX_stringArray empty;
    EXPECT_TRUE(empty.IsValid());
    EXPECT_TRUE(empty.IsConsistent());
    EXPECT_EQ(empty.GetSize(), 0);
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_EQ(empty.GetDelta(), 10);
    EXPECT_EQ(empty[0], nullptr);

    VRX_stringArray sized(3, 0);  // a growth step below 1 becomes 10
    EXPECT_TRUE(sized.IsValid());
    EXPECT_EQ(sized.GetSize(), 3);
    EXPECT_EQ(sized.GetCount(), 0);
    EXPECT_EQ(sized.GetDelta(), 10);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sized[i], nullptr);
}

TEST(StringArrayValidity, CountAboveSizeIsInvalidAndRefusesEdits) {
    ProbeArray a(3, 5);
    a.ForceCount(4);
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(a.SetString(0, "x"), kObjectNotValid);
    EXPECT_EQ(a.Add("x"), kObjectNotValid);
    EXPECT_EQ(a.Insert(0, "x"), kObjectNotValid);
    EXPECT_EQ(a.Grow(), kObjectNotValid);
    EXPECT_EQ(a.Flush(), kObjectNotValid);
    EXPECT_EQ(a.Permute(Ints({0, 1, 2, 3})), kObjectNotValid);
    EXPECT_EQ(a.Delete(0), kOutOfRange);
    EXPECT_EQ(a.FindPosition("x"), kOutOfRange);
    EXPECT_EQ(a.IsInList("x"), 0);

    VRX_stringArray target;
    EXPECT_EQ(target.Copy(a), kObjectNotValid);

    // SetSize cleans an invalid array up before resizing.
    EXPECT_EQ(a.SetSize(2), kSuccess);
    EXPECT_TRUE(a.IsValid());
    EXPECT_EQ(a.GetSize(), 2);
    EXPECT_EQ(a.GetCount(), 0);
}

TEST(StringArrayEdits, InsertBoundsAndShifting) {
    VRX_stringArray a = Strings({"b", "d"});
    EXPECT_EQ(a.Insert(0, "a"), kSuccess);
    EXPECT_EQ(a.Insert(2, "c"), kSuccess);
    EXPECT_EQ(a.Insert(a.GetCount(), "e"), kSuccess);  // at count: appends
    EXPECT_EQ(a.Insert(a.GetCount() + 1, "z"), kOutOfRange);
    EXPECT_EQ(a.Insert(-1, "z"), kOutOfRange);
    EXPECT_EQ(Items(a), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
}

TEST(StringArrayEdits, GrowsBySteps) {
    VRX_stringArray a(0, 3);
    for (int i = 0; i < 7; ++i) ASSERT_EQ(a.Add(std::to_string(i).c_str()), kSuccess);
    EXPECT_EQ(a.GetSize(), 9);  // 0 -> 3 -> 6 -> 9
    EXPECT_EQ(a.GetCount(), 7);
    EXPECT_EQ(a[6], std::string("6"));
    EXPECT_EQ(a[7], nullptr);
}

TEST(StringArrayEdits, SetStringCopiesReplacesAndChecksRange) {
    VRX_stringArray a(2, 10);
    std::string text = "first";
    EXPECT_EQ(a.SetString(1, text.c_str()), kSuccess);
    text[0] = 'F';  // the array holds its own copy
    EXPECT_STREQ(a[1], "first");
    EXPECT_EQ(a.SetString(1, "second"), kSuccess);
    EXPECT_STREQ(a[1], "second");
    EXPECT_EQ(a.SetString(1, nullptr), kSuccess);
    EXPECT_EQ(a[1], nullptr);
    EXPECT_EQ(a.SetString(2, "x"), kOutOfRange);
    EXPECT_EQ(a.SetString(-1, "x"), kOutOfRange);
    EXPECT_EQ(a[-1], nullptr);
    EXPECT_EQ(a[2], nullptr);

    // A slot may be set from its own text.
    EXPECT_EQ(a.SetString(0, "self"), kSuccess);
    EXPECT_EQ(a.SetString(0, a[0]), kSuccess);
    EXPECT_STREQ(a[0], "self");
}

TEST(StringArrayEdits, AddAndInsertOfOwnItemSurviveGrowth) {
    VRX_stringArray a(0, 1);
    ASSERT_EQ(a.Add("alpha"), kSuccess);
    ASSERT_EQ(a.GetSize(), 1);
    EXPECT_EQ(a.Add(a[0]), kSuccess);  // grows while reading its own item
    EXPECT_EQ(a.Insert(0, a[1]), kSuccess);
    EXPECT_EQ(Items(a), (std::vector<std::string>{"alpha", "alpha", "alpha"}));
}

TEST(StringArrayEdits, DeleteShiftsDownAndClearsVacatedSlot) {
    VRX_stringArray a = Strings({"a", "b", "c"});
    EXPECT_EQ(a.Delete(1), kSuccess);
    EXPECT_EQ(Items(a), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(a[2], nullptr);
    // Slots at or beyond count are not items, whatever the size.
    EXPECT_EQ(a.Delete(2), kOutOfRange);
    EXPECT_EQ(a.Delete(a.GetSize() - 1), kOutOfRange);
    EXPECT_EQ(a.Delete(-1), kOutOfRange);
    EXPECT_EQ(a.GetCount(), 2);
    EXPECT_EQ(a.Delete(1), kSuccess);
    EXPECT_EQ(a.Delete(0), kSuccess);
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(a.Delete(0), kOutOfRange);
}

TEST(StringArrayQueries, FindPositionComparesBytes) {
    VRX_stringArray a = Strings({"Node", "node", "caf\xe9", "node"});
    EXPECT_EQ(a.FindPosition("node"), 1);
    EXPECT_EQ(a.FindPosition("Node"), 0);
    EXPECT_EQ(a.FindPosition("caf\xe9"), 2);
    EXPECT_EQ(a.FindPosition("NODE"), kOutOfRange);
    EXPECT_EQ(a.FindPosition(""), kOutOfRange);
    EXPECT_EQ(a.FindPosition(nullptr), kOutOfRange);
    EXPECT_EQ(a.IsInList("node"), 1);
    EXPECT_EQ(a.IsInList("nod"), 0);
    EXPECT_EQ(a.IsInList(nullptr), 0);

    // Null items never match, and texts past count are not items.
    VRX_stringArray b(3, 10);
    ASSERT_EQ(b.SetString(2, "hidden"), kSuccess);
    EXPECT_EQ(b.Add(nullptr), kSuccess);
    EXPECT_EQ(b.FindPosition("hidden"), kOutOfRange);
}

TEST(StringArraySizing, SetSizeKeepsOrDiscards) {
    VRX_stringArray a(0, 4);
    ASSERT_EQ(a.Add("x"), kSuccess);
    ASSERT_EQ(a.GetSize(), 4);
    EXPECT_EQ(a.SetSize(-1), kOutOfRange);
    EXPECT_EQ(a.GetCount(), 1);

    // Same size: table (and its texts) kept, count 0.
    EXPECT_EQ(a.SetSize(4), kSuccess);
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_STREQ(a[0], "x");
    EXPECT_EQ(a.GetDelta(), 4);
    // Adding over a kept text replaces it without a leak.
    EXPECT_EQ(a.Add("y"), kSuccess);
    EXPECT_STREQ(a[0], "y");

    // Another size: every text discarded, growth step back to 10.
    EXPECT_EQ(a.SetSize(6), kSuccess);
    EXPECT_EQ(a.GetSize(), 6);
    EXPECT_EQ(a.GetDelta(), 10);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(a[i], nullptr);

    EXPECT_EQ(a.SetSize(0), kSuccess);
    EXPECT_TRUE(a.IsValid());
    EXPECT_EQ(a.GetSize(), 0);
}

TEST(StringArraySizing, FlushFreesTextsAndKeepsTable) {
    VRX_stringArray a = Strings({"a", "b"});
    const int size = a.GetSize();
    EXPECT_EQ(a.Flush(), kSuccess);
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(a.GetSize(), size);
    EXPECT_EQ(a[0], nullptr);
    EXPECT_EQ(a[1], nullptr);
}

TEST(StringArrayCopy, DeepCopyOfEverySlot) {
    VRX_stringArray source(0, 3);
    const std::string longText(10000, 'q');
    ASSERT_EQ(source.Add("one"), kSuccess);
    ASSERT_EQ(source.Add(longText.c_str()), kSuccess);
    ASSERT_EQ(source.SetString(2, "beyond count"), kSuccess);

    VRX_stringArray copy(source);
    EXPECT_EQ(copy.GetSize(), 3);
    EXPECT_EQ(copy.GetCount(), 2);
    EXPECT_EQ(copy.GetDelta(), 3);
    EXPECT_STREQ(copy[0], "one");
    EXPECT_EQ(std::string(copy[1]), longText);
    EXPECT_STREQ(copy[2], "beyond count");
    EXPECT_NE(copy[0], source[0]);  // texts are never shared

    ASSERT_EQ(source.SetString(0, "changed"), kSuccess);
    EXPECT_STREQ(copy[0], "one");

    VRX_stringArray assigned = Strings({"old", "older", "oldest", "x"});
    assigned = source;
    EXPECT_EQ(Items(assigned), (std::vector<std::string>{"changed", longText}));
    EXPECT_EQ(assigned.Copy(assigned), kSuccess);
    EXPECT_EQ(assigned.GetCount(), 2);
}

TEST(StringArrayPermute, ReordersItemsOrAllSlots) {
    VRX_stringArray a = Strings({"a", "b", "c"});
    EXPECT_EQ(a.Permute(Ints({2, 0, 1})), kSuccess);
    EXPECT_EQ(Items(a), (std::vector<std::string>{"c", "a", "b"}));

    EXPECT_EQ(a.Permute(Ints({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(a.Permute(Ints({0, 1, 3})), kOutOfRange);
    EXPECT_EQ(a.Permute(Ints({-1, 0, 1})), kOutOfRange);
    EXPECT_EQ(a.Permute(Ints({1, 0})), kOutOfRange);  // neither count nor size
    EXPECT_EQ(Items(a), (std::vector<std::string>{"c", "a", "b"}));

    // An order as long as the table permutes every slot, items and spares alike.
    VRX_stringArray b(3, 10);
    ASSERT_EQ(b.SetString(0, "p"), kSuccess);
    ASSERT_EQ(b.SetString(2, "r"), kSuccess);
    ASSERT_EQ(b.Add("q"), kSuccess);  // count 1, slot 0 now "q"
    EXPECT_EQ(b.Permute(Ints({2, 1, 0})), kSuccess);
    EXPECT_STREQ(b[0], "r");
    EXPECT_EQ(b[1], nullptr);
    EXPECT_STREQ(b[2], "q");
}

TEST(StringArrayEdits, AddEmptyStoresEmptyText) {
    VRX_stringArray a;
    EXPECT_EQ(a.AddEmpty(), kSuccess);
    ASSERT_NE(a[0], nullptr);
    EXPECT_STREQ(a[0], "");
    EXPECT_EQ(a.FindPosition(""), 0);
}

TEST(StringArrayLifecycle, CleanUpReturnsToEmptyValidState) {
    VRX_stringArray a = Strings({"a", "b"});
    a.CleanUp(1);
    EXPECT_TRUE(a.IsValid());
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(a.GetDelta(), 10);
    EXPECT_EQ(a[0], nullptr);
    EXPECT_EQ(a.Add("c"), kSuccess);
    EXPECT_EQ(Items(a), (std::vector<std::string>{"c"}));
}

}  // namespace
