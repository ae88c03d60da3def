// Identifier arrays: the identifier rule, validating edits, repair and generation of unique names.
#include "base/id_array.h"

#include <gtest/gtest.h>

#include <climits>
#include <numeric>
#include <string>
#include <vector>

#include "base/int_array.h"
#include "base/random_generator.h"
#include "base/status_codes.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

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
    for (const char* t : {"a", "a", "1"}) ASSERT_EQ(raw.Add(t), kSuccess);
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
    for (const char* t : {"a2", "a", "a", "a b", "a_b"}) ASSERT_EQ(raw.Add(t), kSuccess);
    ASSERT_EQ(raw.Add(nullptr), kSuccess);
    ASSERT_EQ(raw.AddEmpty(), kSuccess);
    VRX_idArray ids;
    ASSERT_EQ(ids.Copy(raw), kSuccess);
    EXPECT_EQ(ids.RepairIds(), kSuccess);
    EXPECT_EQ(Items(ids), (std::vector<std::string>{"a2", "a", "a3", "a_b", "a_b2", "x2", "x3"}));

    VRX_idArray withEmpty(true);
    ASSERT_EQ(raw.Flush(), kSuccess);
    for (const char* t : {"", "", "k"}) ASSERT_EQ(raw.Add(t), kSuccess);
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

namespace {

// Long arrays answer from an index. After every kind of edit, checked or not, each answer must be the
// one a plain scan of the items gives.
TEST(IdArrayIndex, LongArraysAnswerAsAScanAfterEveryEdit) {
    RandomGenerator random(20240607);
    const auto draw = [&random](int n) { return static_cast<int>(random.NextFraction() * n); };
    const auto used = [](const std::vector<std::string>& items, const std::string& text, int skip) {
        for (int i = 0; i < static_cast<int>(items.size()); ++i) {
            if (i != skip && items[i] == text) return true;
        }
        return false;
    };
    VRX_idArray ids;
    std::vector<std::string> model;
    for (int step = 0; step < 4000; ++step) {
        const std::string name = "n" + std::to_string(draw(90));
        const int n = static_cast<int>(model.size());
        switch (draw(9)) {
            case 0:
            case 1:
            case 2:
                EXPECT_EQ(ids.Add(name.c_str()), used(model, name, -1) ? kOutOfRange : kSuccess);
                if (!used(model, name, -1)) model.push_back(name);
                break;
            case 3: {
                const int at = draw(n + 1);
                EXPECT_EQ(ids.Insert(at, name.c_str()), used(model, name, -1) ? kOutOfRange : kSuccess);
                if (!used(model, name, -1)) model.insert(model.begin() + at, name);
                break;
            }
            case 4:
                if (n > 0) {
                    const int at = draw(n);
                    const bool taken = used(model, name, at);
                    EXPECT_EQ(ids.SetString(at, name.c_str()), taken ? kOutOfRange : kSuccess);
                    if (!taken) model[at] = name;
                }
                break;
            case 5:
                if (n > 0) {
                    const int at = draw(n);
                    ASSERT_EQ(ids.Delete(at), kSuccess);
                    model.erase(model.begin() + at);
                }
                break;
            case 6:  // around the checks: duplicates become possible
                if (draw(4) == 0) {
                    ASSERT_EQ(ids.VRX_stringArray::Add(name.c_str()), kSuccess);
                    model.push_back(name);
                }
                break;
            case 7:
                if (n > 1) {
                    VRX_intArray order;
                    std::vector<std::string> permuted;
                    for (int i = 0; i < n; ++i) ASSERT_EQ(order.Add((i * 7 + 3) % n), kSuccess);
                    if (std::gcd(7, n) != 1) break;
                    for (int i = 0; i < n; ++i) permuted.push_back(model[(i * 7 + 3) % n]);
                    ASSERT_EQ(ids.Permute(order), kSuccess);
                    model = permuted;
                }
                break;
            default:
                if (draw(40) == 0) {
                    ASSERT_EQ(ids.Flush(), kSuccess);
                    model.clear();
                }
                break;
        }
        ASSERT_EQ(Items(ids), model) << "step " << step;
        for (int probe = 0; probe < 3; ++probe) {
            const std::string text = "n" + std::to_string(draw(90));
            EXPECT_EQ(ids.IsValidId(text.c_str()), used(model, text, -1) ? 0 : 1) << text;
        }
        ids.CheckConsistency(0);
        bool distinct = true;
        for (int i = 0; i < static_cast<int>(model.size()); ++i)
            distinct = distinct && !used(model, model[i], i);
        EXPECT_EQ(ids.IsConsistent(), distinct) << "step " << step;
    }
}

TEST(IdArrayIndex, ThousandsOfNamesAndCopiesAreNumberedInOrder) {
    VRX_stringArray raw;
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(raw.Add("a"), kSuccess);
    VRX_idArray ids;
    ASSERT_EQ(ids.Copy(raw), kSuccess);
    ASSERT_EQ(ids.RepairIds(), kSuccess);
    ASSERT_EQ(ids.GetCount(), 5000);
    EXPECT_STREQ(ids[0], "a");
    EXPECT_STREQ(ids[1], "a2");
    EXPECT_STREQ(ids[4999], "a5000");
    ids.CheckConsistency(0);
    EXPECT_TRUE(ids.IsConsistent());
    // Generated names continue after the taken ones.
    ASSERT_EQ(ids.AddValidId("a", 2), kSuccess);
    EXPECT_STREQ(ids[5000], "a5001");
}

}  // namespace

// Long arrays are checked through their index: a repeat or a bad form anywhere makes them inconsistent.
TEST(IdArrayConsistency, LongArraysFindRepeatsAndBadForms) {
    const struct {
        const char* name;
        int at;
        const char* text;
        bool consistent;
    } cases[] = {{"distinct", 0, nullptr, true},
                 {"repeat at the end", 39, "s3", false},
                 {"repeat at the start", 0, "s17", false},
                 {"bad form", 20, "1st", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VRX_idArray ids;
        for (int i = 0; i < 40; i++) {
            const std::string text = c.text != nullptr && i == c.at ? c.text : "s" + std::to_string(i);
            ASSERT_EQ(ids.VRX_stringArray::Add(text.c_str()), kSuccess);
        }
        ids.CheckConsistency(1);
        EXPECT_EQ(ids.IsConsistent(), c.consistent);
        VRX_idArray other(true);
        other.Swap(ids);
        EXPECT_EQ(other.GetCount(), 40);
        EXPECT_EQ(ids.GetCount(), 0);
        EXPECT_TRUE(ids.GetAllowEmpty());
        // The index went with the items: a taken text is still refused.
        EXPECT_EQ(other.Add("s5"), kOutOfRange);
        EXPECT_EQ(ids.Add("s5"), kSuccess);
    }
}
