// Engine text to and from UTF-16: Latin-1, UTF-8 and the text between them.
#include "jni/jni_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using vovido::EngineTextToUtf16;
using vovido::Utf16ToEngineText;

namespace {

std::vector<jchar> ToUtf16(const std::string& bytes) {
    return EngineTextToUtf16(bytes.data(), bytes.size());
}

std::vector<jchar> Units(std::initializer_list<unsigned> units) {
    return {units.begin(), units.end()};
}

std::string FromUtf16(const std::vector<jchar>& units) {
    return Utf16ToEngineText(units.data(), units.size());
}

}  // namespace

TEST(EngineTextTest, AsciiAndEmptyPassUnchanged) {
    EXPECT_EQ(ToUtf16("Node_1"), Units({'N', 'o', 'd', 'e', '_', '1'}));
    EXPECT_TRUE(ToUtf16("").empty());
    EXPECT_EQ(FromUtf16(Units({'a', 'b'})), "ab");
    EXPECT_EQ(FromUtf16({}), "");
}

TEST(EngineTextTest, Latin1BytesBecomeTheirCodePoints) {
    // "Café" and "Größe" in Latin-1: not UTF-8, so byte for byte.
    EXPECT_EQ(ToUtf16("Caf\xE9"), Units({'C', 'a', 'f', 0xE9}));
    EXPECT_EQ(ToUtf16("Gr\xF6\xDF"
                      "e"),
              Units({'G', 'r', 0xF6, 0xDF, 'e'}));
    // A lone continuation byte, a truncated sequence and bytes that never occur in UTF-8.
    EXPECT_EQ(ToUtf16("\x80"), Units({0x80}));
    EXPECT_EQ(ToUtf16("a\xC3"), Units({'a', 0xC3}));
    EXPECT_EQ(ToUtf16("\xFF\xFE"), Units({0xFF, 0xFE}));
}

TEST(EngineTextTest, Utf8IsDecoded) {
    EXPECT_EQ(ToUtf16("Caf\xC3\xA9"), Units({'C', 'a', 'f', 0xE9}));
    EXPECT_EQ(ToUtf16("\xE2\x82\xAC"), Units({0x20AC}));
    // U+1F600 needs a surrogate pair.
    EXPECT_EQ(ToUtf16("\xF0\x9F\x98\x80"), Units({0xD83D, 0xDE00}));
}

TEST(EngineTextTest, MalformedUtf8FallsBackToLatin1AsAWhole) {
    // Overlong '/', an encoded surrogate and a code point above U+10FFFF are not UTF-8.
    EXPECT_EQ(ToUtf16("\xC0\xAF"), Units({0xC0, 0xAF}));
    EXPECT_EQ(ToUtf16("\xED\xA0\x80"), Units({0xED, 0xA0, 0x80}));
    EXPECT_EQ(ToUtf16("\xF4\x90\x80\x80"), Units({0xF4, 0x90, 0x80, 0x80}));
    // One bad byte after good UTF-8 makes the whole text Latin-1, so no byte is lost.
    EXPECT_EQ(ToUtf16("\xC3\xA9\xE9"), Units({0xC3, 0xA9, 0xE9}));
}

TEST(EngineTextTest, JavaTextWithinLatin1IsStoredAsLatin1) {
    EXPECT_EQ(FromUtf16(Units({'C', 'a', 'f', 0xE9})), "Caf\xE9");
    EXPECT_EQ(FromUtf16(Units({0xFF, 0x80})), "\xFF\x80");
}

TEST(EngineTextTest, JavaTextBeyondLatin1IsStoredAsUtf8) {
    EXPECT_EQ(FromUtf16(Units({0xE9, 0x20AC})), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(FromUtf16(Units({0xD83D, 0xDE00})), "\xF0\x9F\x98\x80");
    // Unpaired surrogates cannot be stored and become U+FFFD.
    EXPECT_EQ(FromUtf16(Units({0xD800, 'x', 0xDC00})), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

TEST(EngineTextTest, NulEndsTheEngineText) {
    EXPECT_EQ(FromUtf16(Units({'a', 0, 'b'})), "a");
}

TEST(EngineTextTest, RoundTripsKeepEveryCharacter) {
    const std::vector<std::vector<jchar>> texts = {Units({'a', 0xE9, 0xFF}), Units({0x20AC, 'x'}),
                                                   Units({0xD83D, 0xDE00, 0xE9}), Units({0x4E2D, 0x6587})};
    for (const auto& text : texts) {
        const std::string stored = FromUtf16(text);
        EXPECT_EQ(ToUtf16(stored), text) << stored;
    }
    // Every single Latin-1 character on its own.
    for (unsigned c = 1; c < 256; ++c) EXPECT_EQ(ToUtf16(FromUtf16(Units({c}))), Units({c})) << c;
}
