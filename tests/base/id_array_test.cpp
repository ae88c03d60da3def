// Identifier arrays: the identifier rule, validating edits, repair and generation of unique names.
#include "base/id_array.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "base/status_codes.h"

namespace {

std::vector<std::string> Items(const VRX_stringArray& a) {
    std::vector<std::string> out;
    for (int i = 0; i < a.GetCount(); ++i) out.emplace_back(a[i] != nullptr ? a[i] : "<null>");
    return out;
}

std::string Repaired(std::string text) {
    EXPECT_EQ(VRX_idArray::RepairId(text), kSuccess);
    return text;
}

TEST(IdArrayRule, IsValidIdFormAndUniqueness) {
    VRX_idArray ids;
    ASSERT_EQ(ids.Add("Present"), kSuccess);
    EXPECT_EQ(ids.IsValidId("a_1"), 1);
    EXPECT_EQ(ids.IsValidId("Z"), 1);
    EXPECT_EQ(ids.IsValidId("present"), 1);  // case matters
    EXPECT_EQ(ids.IsValidId("Present"), 0);
    EXPECT_EQ(ids.IsValidId("1abc"), 0);
    EXPECT_EQ(ids.IsValidId("_a"), 0);
    EXPECT_EQ(ids.IsValidId("a-b"), 0);
    EXPECT_EQ(ids.IsValidId("a b"), 0);
    EXPECT_EQ(ids.IsValidId("@temp"), 0);  // the engine's '@' names are not outcome names
    EXPECT_EQ(ids.IsValidId("caf\xe9"), 0);
    EXPECT_EQ(ids.IsValidId("\xe9t\xe9"), 0);
    EXPECT_EQ(ids.IsValidId(""), 0);
    EXPECT_EQ(ids.IsValidId(nullptr), 0);

    VRX_idArray withEmpty(true);
    EXPECT_EQ(withEmpty.IsValidId(""), 1);
    ASSERT_EQ(withEmpty.Add(""), kSuccess);
    EXPECT_EQ(withEmpty.IsValidId(""), 0);  // the empty text is unique too
}

TEST(IdArrayEdits, RefusedTextsLeaveArrayUnchanged) {
    VRX_idArray ids;
    EXPECT_EQ(ids.Add("a"), kSuccess);
    EXPECT_EQ(ids.Add("b"), kSuccess);
    EXPECT_EQ(ids.Add("a"), kOutOfRange);
    EXPECT_EQ(ids.Add("9"), kOutOfRange);
    EXPECT_EQ(ids.Add(nullptr), kOutOfRange);
    EXPECT_EQ(ids.Insert(0, "b"), kOutOfRange);
    EXPECT_EQ(ids.Insert(0, "x y"), kOutOfRange);
    EXPECT_EQ(ids.Insert(0, "c"), kSuccess);
    EXPECT_EQ(ids.Insert(5, "d"), kOutOfRange);
    EXPECT_EQ(Items(ids), (std::vector<std::string>{"c", "a", "b"}));

    // Through the base class the validating versions still apply.
    VRX_stringArray& base = ids;
    EXPECT_EQ(base.Add("c"), kOutOfRange);
    EXPECT_EQ(base.SetString(0, "not valid"), kOutOfRange);
    EXPECT_EQ(ids.GetCount(), 3);
}

TEST(IdArrayEdits, SetStringMayKeepOwnText) {
    VRX_idArray ids;
    for (const char* t : {"t", "u", "v"}) ASSERT_EQ(ids.Add(t), kSuccess);
    EXPECT_EQ(ids.SetString(2, "v"), kSuccess);
    EXPECT_EQ(ids.SetString(2, "t"), kOutOfRange);  // item 0 holds it
    EXPECT_EQ(ids.SetString(2, "w"), kSuccess);
    EXPECT_EQ(ids.IsValidIdAt("t", 0), 1);
    EXPECT_EQ(ids.IsValidIdAt("t", 1), 0);
    EXPECT_EQ(Items(ids), (std::vector<std::string>{"t", "u", "w"}));
}

TEST(IdArrayEdits, AddEmptyBypassesTheRule) {
    VRX_idArray ids;
    EXPECT_EQ(ids.AddEmpty(), kSuccess);
    EXPECT_EQ(ids.AddEmpty(), kSuccess);
    EXPECT_EQ(ids.GetCount(), 2);
    ids.CheckConsistency(0);
    EXPECT_FALSE(ids.IsConsistent());
}

TEST(IdArrayRepair, RepairIdPutsXBeforeAndReplacesBadCharacters) {
    EXPECT_EQ(Repaired("1x"), "x1x");
    EXPECT_EQ(Repaired("a b"), "a_b");
    EXPECT_EQ(Repaired("-a"), "x_a");
    EXPECT_EQ(Repaired("_"), "x_");
    EXPECT_EQ(Repaired("ok_9"), "ok_9");
    EXPECT_EQ(Repaired("\xe9t\xe9"), "x_t_");
    EXPECT_EQ(Repaired("a.b-c d"), "a_b_c_d");
    std::string empty;
    EXPECT_EQ(VRX_idArray::RepairId(empty), kOutOfRange);
    EXPECT_EQ(empty, "");

    const std::string longText = "9" + std::string(5000, '.');
    const std::string fixed = Repaired(longText);
    EXPECT_EQ(fixed.size(), longText.size() + 1);
    EXPECT_EQ(fixed, "x9" + std::string(5000, '_'));
}

TEST(IdArrayGeneration, MakeValidIdNumbersUntilFree) {
    VRX_idArray ids;
    std::string out;
    EXPECT_EQ(ids.MakeValidId("Node", -1, out), kSuccess);
    EXPECT_EQ(out, "Node");
    ASSERT_EQ(ids.Add("Node"), kSuccess);
    EXPECT_EQ(ids.MakeValidId("Node", -1, out), kSuccess);
    EXPECT_EQ(out, "Node0");
    EXPECT_EQ(ids.MakeValidId("Node", -7, out), kSuccess);
    EXPECT_EQ(out, "Node0");
    EXPECT_EQ(ids.MakeValidId("Node", INT_MIN, out), kSuccess);
    EXPECT_EQ(out, "Node0");

    ASSERT_EQ(ids.Add("State0"), kSuccess);
    ASSERT_EQ(ids.Add("State2"), kSuccess);
    EXPECT_EQ(ids.MakeValidId("State", 0, out), kSuccess);
    EXPECT_EQ(out, "State1");
    ASSERT_EQ(ids.Add("State1"), kSuccess);
    EXPECT_EQ(ids.MakeValidId("State", 0, out), kSuccess);
    EXPECT_EQ(out, "State3");
    // A non-negative number is always appended, even when the base alone is free.
    EXPECT_EQ(ids.MakeValidId("Choice", 4, out), kSuccess);
    EXPECT_EQ(out, "Choice4");

    EXPECT_EQ(ids.MakeValidId(nullptr, -1, out), kSuccess);
    EXPECT_EQ(out, "x");
    EXPECT_EQ(ids.MakeValidId("", 2, out), kSuccess);
    EXPECT_EQ(out, "x2");
    EXPECT_EQ(ids.MakeValidId("9 lives", -1, out), kSuccess);
    EXPECT_EQ(out, "x9_lives");
    EXPECT_EQ(ids.MakeValidId("Big", INT_MAX, out), kSuccess);
    EXPECT_EQ(out, "Big2147483647");
}

TEST(IdArrayGeneration, AddAndInsertValidId) {
    VRX_idArray ids;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(ids.AddValidId("State", i), kSuccess);
    EXPECT_EQ(ids.AddValidId("State", 0), kSuccess);
    EXPECT_EQ(ids.InsertValidId("my state", -1, 1), kSuccess);
    EXPECT_EQ(ids.InsertValidId("Other", -1, 9), kOutOfRange);
    EXPECT_EQ(Items(ids), (std::vector<std::string>{"State0", "my_state", "State1", "State2", "State3"}));
    ids.CheckConsistency(0);
    EXPECT_TRUE(ids.IsConsistent());
}

TEST(IdArrayRepair, RepairIdsNumbersDuplicatesAndFixesForms) {
    VRX_stringArray raw;
    for (const char* t : {"a", "a", "1"}) raw.Add(t);
    VRX_idArray ids;
    ASSERT_EQ(ids.Copy(raw), kSuccess);  // no checks on copy
    ids.CheckConsistency(0);
    EXPECT_FALSE(ids.IsConsistent());
    EXPECT_EQ(ids.RepairIds(), kSuccess);
    EXPECT_EQ(Items(ids), (std::vector<std::string>{"a", "a2", "x1"}));
    ids.CheckConsistency(0);
    EXPECT_TRUE(ids.IsConsistent());
}

TEST(IdArrayRepair, RepairIdsSkipsTakenSuffixesAndNamesEmptyOrNullItems) {
    VRX_stringArray raw;
    for (const char* t : {"a2", "a", "a", "a b", "a_b"}) raw.Add(t);
    raw.Add(nullptr);
    raw.AddEmpty();
    VRX_idArray ids;
    ASSERT_EQ(ids.Copy(raw), kSuccess);
    EXPECT_EQ(ids.RepairIds(), kSuccess);
    EXPECT_EQ(Items(ids), (std::vector<std::string>{"a2", "a", "a3", "a_b", "a_b2", "x2", "x3"}));

    VRX_idArray withEmpty(true);
    raw.Flush();
    for (const char* t : {"", "", "k"}) raw.Add(t);
    ASSERT_EQ(withEmpty.Copy(raw), kSuccess);
    EXPECT_EQ(withEmpty.RepairIds(), kSuccess);
    EXPECT_EQ(Items(withEmpty), (std::vector<std::string>{"", "x2", "k"}));
    withEmpty.CheckConsistency(0);
    EXPECT_TRUE(withEmpty.IsConsistent());
}

TEST(IdArrayCopy, CopyKeepsAllowEmptyAndTexts) {
    VRX_idArray source(true);
    ASSERT_EQ(source.Add(""), kSuccess);
    ASSERT_EQ(source.Add("s"), kSuccess);
    VRX_idArray copy(source);
    EXPECT_TRUE(copy.GetAllowEmpty());
    EXPECT_EQ(Items(copy), (std::vector<std::string>{"", "s"}));
    EXPECT_EQ(copy.Add("s"), kOutOfRange);
}

}  // namespace
