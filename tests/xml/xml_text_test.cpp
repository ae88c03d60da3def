// XML text conversions: UTF-8 to ISO-8859-1, backslash escapes, strtod/strtol-compatible reading and
// the exact round trip of written doubles, independent of the locale.
#include "xml/xml_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

using vovido::FormatXmlDouble;
using vovido::kXmlDoubleTextSize;
using vovido::ParseWholeXmlDouble;
using vovido::ParseWholeXmlInt;
using vovido::ScanXmlDouble;
using vovido::ScanXmlInt;
using vovido::UnescapeBackslashes;
using vovido::Utf8ToLatin1;

namespace {

std::string Latin1(std::string text) {
    Utf8ToLatin1(text);
    return text;
}

std::string Format(double value) {
    char buffer[kXmlDoubleTextSize];
    const size_t n = FormatXmlDouble(value, buffer);
    EXPECT_EQ(n, std::strlen(buffer));
    return buffer;
}

uint64_t Bits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(XmlTextTest, Utf8ToLatin1) {
    EXPECT_EQ(Latin1("plain ascii"), "plain ascii");
    EXPECT_EQ(Latin1("caf\xC3\xA9"), "caf\xE9");                  // U+00E9
    EXPECT_EQ(Latin1("\xC3\xBF\xC2\x80"), "\xFF\x80");            // U+00FF, U+0080
    EXPECT_EQ(Latin1("\xE2\x82\xAC=\xF0\x9F\x98\x80!"), "?=?!");  // U+20AC, U+1F600
    EXPECT_EQ(Latin1("\xC4\x80"), "?");                           // U+0100, just above the range
    // Damaged sequences never read past the text.
    EXPECT_EQ(Latin1("a\xC3"), "a?");
    EXPECT_EQ(Latin1("\xE2\x82"), "?");
    EXPECT_EQ(Latin1("\x80x"), "?x");
    EXPECT_EQ(Latin1("\xC3x"), "?x");
}

TEST(XmlTextTest, UnescapeBackslashes) {
    std::string out = "stale";
    UnescapeBackslashes("", out);
    EXPECT_EQ(out, "");
    UnescapeBackslashes("a\\nb\\tc\\\\d\\\"e", out);
    EXPECT_EQ(out, "a\nb\tc\\d\"e");
    UnescapeBackslashes("end\\", out);
    EXPECT_EQ(out, "end\\");
    UnescapeBackslashes("\\\\n", out);
    EXPECT_EQ(out, "\\n");
}

// Every reading agrees with strtod in the "C" locale: the same value bits and the same end.
TEST(XmlTextTest, ScanDoubleMatchesStrtod) {
    const char* texts[] = {
        "0.1",    "  -2.5e3x", "+.5", "5.",      ".",       "e5",       "1e",      "1e+",   "0x",     "0xg",
        "inf",    "-Infinity", "nan", "NAN(12)", "nan(",    "1e-400",   "-1e-400", "1e400", "0.0E-2", "NA",
        "UNDEF.", "",          "   ", "-0",      "0e99999", "4.9e-324", "12abc",   "+-1",   "\t\n7"};
    for (const char* text : texts) {
        char* expectedEnd = nullptr;
        const double expected = std::strtod(text, &expectedEnd);
        double value = -1.0;
        const char* end = ScanXmlDouble(text, value);
        EXPECT_EQ(end - text, expectedEnd - text) << text;
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(value)) << text;
        } else {
            EXPECT_EQ(Bits(value), Bits(expected)) << text;
        }
    }
    double value = 1.0;
    EXPECT_EQ(ScanXmlDouble(nullptr, value), nullptr);
    EXPECT_EQ(value, 0.0);
    // No hexadecimal number, which no other reader takes: the "0" before the 'x' is all that is read.
    for (const char* hex : {"0x1p3", "0x.8", "-0X10"}) {
        value = 1.0;
        const char* end = ScanXmlDouble(hex, value);
        EXPECT_EQ(*end == 'x' || *end == 'X', true) << hex;
        EXPECT_EQ(value, 0.0) << hex;
    }
}

TEST(XmlTextTest, ScanIntReadsLikeStrtolAndSaturates) {
    struct Case {
        const char* text;
        int value;
        long consumed;
    };
    const Case cases[] = {{"42", 42, 2},
                          {" -17z", -17, 4},
                          {"+8", 8, 2},
                          {"", 0, 0},
                          {"abc", 0, 0},
                          {"-", 0, 0},
                          {"3.9", 3, 1},
                          {"2147483647", 2147483647, 10},
                          {"2147483648", 2147483647, 10},
                          {"-2147483648", -2147483647 - 1, 11},
                          {"-99999999999999999999", -2147483647 - 1, 21},
                          {"0x10", 0, 1}};
    for (const Case& c : cases) {
        int value = -5;
        const char* end = ScanXmlInt(c.text, value);
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(end - c.text, c.consumed) << c.text;
    }
    int value = 0;
    EXPECT_TRUE(ParseWholeXmlInt("12", value));
    EXPECT_FALSE(ParseWholeXmlInt("12 ", value));
    EXPECT_TRUE(ParseWholeXmlInt("", value));
    double d = 0.0;
    EXPECT_TRUE(ParseWholeXmlDouble("0.5", d));
    EXPECT_FALSE(ParseWholeXmlDouble("n/a", d));
}

TEST(XmlTextTest, FormatDoubleAsPercent16g) {
    EXPECT_EQ(Format(0.1), "0.1");
    EXPECT_EQ(Format(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(Format(1.0), "1");
    EXPECT_EQ(Format(-0.0), "-0");
    EXPECT_EQ(Format(100000.0), "100000");
    EXPECT_EQ(Format(1e16), "1e+16");
    EXPECT_EQ(Format(1e-5), "1e-05");
    EXPECT_EQ(Format(0.0001), "0.0001");
    EXPECT_EQ(Format(2.5e-300), "2.5e-300");
    EXPECT_EQ(Format(HUGE_VAL), "inf");
    EXPECT_EQ(Format(-HUGE_VAL), "-inf");
    EXPECT_EQ(Format(std::nan("")), "nan");
    // printf's 16 digits even where fewer would do.
    EXPECT_EQ(Format(1e-20), "9.999999999999999e-21");
    // Where 16 digits would lose the value, the 17th is written.
    EXPECT_EQ(Format(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(Format(1.0 / 7.0), "0.14285714285714285");
    EXPECT_EQ(Format(1.7976931348623157e308), "1.7976931348623157e+308");
    EXPECT_EQ(Format(5e-324), "4.940656458412465e-324");
}

// The text is printf's "%.16g" in the "C" locale when that reads back exactly, else its "%.17g".
TEST(XmlTextTest, FormatDoubleAgreesWithPrintf) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-320, 320);
    char printed[64];
    for (int i = 0; i < 20000; ++i) {
        const double v = std::ldexp(unit(random), exponent(random));
        std::snprintf(printed, sizeof printed, "%.16g", v);
        if (std::strtod(printed, nullptr) != v) std::snprintf(printed, sizeof printed, "%.17g", v);
        ASSERT_EQ(Format(v), printed);
    }
}

TEST(XmlTextTest, EveryDoubleSurvivesARoundTrip) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 200000; ++i) {
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isnan(value)) continue;
        const std::string text = Format(value);
        double back = 0.0;
        ASSERT_TRUE(ParseWholeXmlDouble(text.c_str(), back)) << text;
        ASSERT_EQ(Bits(back), bits) << text;
    }
}

TEST(XmlTextTest, NumbersIgnoreTheLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
    EXPECT_EQ(Format(0.5), "0.5");
    double value = 0.0;
    EXPECT_TRUE(ParseWholeXmlDouble("0.25", value));
    EXPECT_EQ(value, 0.25);
    EXPECT_FALSE(ParseWholeXmlDouble("0,25", value));
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
