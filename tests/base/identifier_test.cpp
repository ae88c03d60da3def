// Shared identifier rules: ASCII classes, validity with the '@' form, in-place sanitising.
#include "base/identifier.h"

#include <gtest/gtest.h>

#include <string>

#include "base/status_codes.h"

using vovido::IsAsciiDigit;
using vovido::IsAsciiLetter;
using vovido::IsIdentifierChar;

namespace {

TEST(Identifier, AsciiClassesIgnoreHighBytes) {
    EXPECT_TRUE(IsAsciiLetter('a'));
    EXPECT_TRUE(IsAsciiLetter('Z'));
    EXPECT_FALSE(IsAsciiLetter('@'));
    EXPECT_FALSE(IsAsciiLetter('['));
    EXPECT_FALSE(IsAsciiLetter('`'));
    EXPECT_FALSE(IsAsciiLetter('{'));
    EXPECT_FALSE(IsAsciiLetter('5'));
    EXPECT_TRUE(IsAsciiDigit('0'));
    EXPECT_TRUE(IsAsciiDigit('9'));
    EXPECT_FALSE(IsAsciiDigit('/'));
    EXPECT_FALSE(IsAsciiDigit(':'));
    for (int b = 128; b < 256; ++b) {
        const char c = static_cast<char>(b);
        EXPECT_FALSE(IsAsciiLetter(c)) << b;
        EXPECT_FALSE(IsAsciiDigit(c)) << b;
        EXPECT_FALSE(IsIdentifierChar(c)) << b;
    }
    EXPECT_TRUE(IsIdentifierChar('_'));
}

TEST(Identifier, IsValidIdentifierRule) {
    EXPECT_EQ(IsValidIdentifier("a"), 1);
    EXPECT_EQ(IsValidIdentifier("Node_12"), 1);
    EXPECT_EQ(IsValidIdentifier("@"), 1);
    EXPECT_EQ(IsValidIdentifier("@ anything-goes!"), 1);
    EXPECT_EQ(IsValidIdentifier(""), 0);
    EXPECT_EQ(IsValidIdentifier(nullptr), 0);
    EXPECT_EQ(IsValidIdentifier("1a"), 0);
    EXPECT_EQ(IsValidIdentifier("_a"), 0);
    EXPECT_EQ(IsValidIdentifier("a b"), 0);
    EXPECT_EQ(IsValidIdentifier("a@"), 0);
    EXPECT_EQ(IsValidIdentifier("\xc4pfel"), 0);
    EXPECT_EQ(IsValidIdentifier("caf\xc3\xa9"), 0);
}

TEST(Identifier, SanitizeReplacesFirstCharacter) {
    std::string text = "1st place";
    EXPECT_EQ(SanitizeIdentifier(text), kSuccess);
    EXPECT_EQ(text, "xst_place");  // replaced, not prefixed: the length stays
    text = "ok_1";
    EXPECT_EQ(SanitizeIdentifier(text), kSuccess);
    EXPECT_EQ(text, "ok_1");
    text = "\xe9t\xe9";
    EXPECT_EQ(SanitizeIdentifier(text), kSuccess);
    EXPECT_EQ(text, "xt_");
    text = "@tmp";
    EXPECT_EQ(SanitizeIdentifier(text), kSuccess);
    EXPECT_EQ(text, "xtmp");
    text.clear();
    EXPECT_EQ(SanitizeIdentifier(text), kOutOfRange);
    EXPECT_EQ(text, "");
    text = std::string(4000, '-');
    EXPECT_EQ(SanitizeIdentifier(text), kSuccess);
    EXPECT_EQ(text, "x" + std::string(3999, '_'));
    EXPECT_EQ(IsValidIdentifier(text.c_str()), 1);
}

}  // namespace
