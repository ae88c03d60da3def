// Number text: sentinels, eight-decimal doubles, strtod-compatible reading, rounding, locale independence.
#include "base/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace {

uint64_t Bits(double d) {
    uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

std::string Format(double v) {
    std::string s = "stale";
    EXPECT_EQ(FormatDouble(v, s), 0);
    return s;
}

// Switches LC_NUMERIC for one test and restores it afterwards.
class NumericLocale {
public:
    explicit NumericLocale(const char* name) : saved_(std::setlocale(LC_NUMERIC, nullptr)) {
        active_ = std::setlocale(LC_NUMERIC, name) != nullptr;
    }
    ~NumericLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
    bool Active() const { return active_; }

private:
    std::string saved_;
    bool active_ = false;
};

// Texts that probe every branch of strtod's grammar.
// clang-format off
const char* const kStrtodTexts[] = {
    "0", "-0", "+7", "1e5", "1E+5x", "1e", "1e+",
    ".5", "5.", ".", "-.e1", "0.1", "0.30000000000000004",
    "123456789012345678901234567890", "\n\v\f\r 42",
    "0x1.8p1", "-0X10", "0x", "0xg", "0x.8", "0x.", "0x1p", "0x1p-1080", "0x1p99999",
    "infinity", "-INFINITY", "Inf", "infin", "nan(123)", "nan(", "-nan",
    "1e400", "-1e400", "1e-400", "-1e-400", "1e-310",
    "0.0000000000000000000000000000001e-300", "0.000000000000000000000000000000000000001e330",
    "100000000000000000000000000000000000000e-400",
    "4.9406564584124654e-324", "2.4703282292062327e-324", "1.7976931348623157e308", "1.7976931348623159e308",
    "99999999999999999999e99999999999999999999", "1,5",
};
// clang-format on

}  // namespace

TEST(NumberTextSentinels, BitPatterns) {
    EXPECT_EQ(Bits(kUndefinedValue), 0x0020000000000000u);
    EXPECT_EQ(Bits(kIllegalValue), 0x0028000000000000u);
    EXPECT_EQ(Bits(kNotAvailableValue), 0x0030000000000000u);
    EXPECT_EQ(Bits(kExcludedValue), 0x0034000000000000u);
}

TEST(NumberTextSentinels, WrittenAndReadBack) {
    EXPECT_EQ(Format(kUndefinedValue), "0.0E-2");
    EXPECT_EQ(Format(kIllegalValue), "0.0E-3");
    EXPECT_EQ(Format(kNotAvailableValue), "0.0E-4");
    // Not a sentinel of the number text: written as the tiny number it is.
    EXPECT_EQ(Format(kExcludedValue), "0.00000000");

    const struct {
        const char* text;
        double value;
    } cases[] = {{"0.0E-2", kUndefinedValue}, {"UNDEF.", kUndefinedValue},    {"0.0E-3", kIllegalValue},
                 {"ILLEGAL", kIllegalValue},  {"0.0E-4", kNotAvailableValue}, {"NA", kNotAvailableValue}};
    for (const auto& c : cases) {
        double v = 1.0;
        EXPECT_EQ(ParseDouble(c.text, v), 0) << c.text;
        EXPECT_EQ(Bits(v), Bits(c.value)) << c.text;
    }
}

TEST(NumberTextSentinels, OnlyTheWholeExactText) {
    double v = 1.0;
    EXPECT_EQ(ParseDouble("na", v), -2);  // lower case: strtod reads nothing
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(ParseDouble("NAN", v), 0);  // strtod's NaN, not the sentinel
    EXPECT_TRUE(std::isnan(v));
    EXPECT_EQ(ParseDouble(" NA", v), -2);
    EXPECT_EQ(ParseDouble("0.0E-4 ", v), 0);  // read by strtod: 0.0e-4 is plain zero
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(ParseDouble("ILLEGALx", v), -2);
}

TEST(NumberTextFormat, EightDecimalsAsPrintfInTheCLocale) {
    EXPECT_EQ(Format(0.25), "0.25000000");
    EXPECT_EQ(Format(DBL_MIN), "0.00000000");
    EXPECT_EQ(Format(2.0 / 3.0), "0.66666667");
    const double values[] = {-0.0, 0.000000005, 0.000000015, -2.5e-9, 12345678.123456789,
                             1e20, -DBL_MAX,    5e-324};
    char buffer[400];
    for (double v : values) {
        std::snprintf(buffer, sizeof buffer, "%.8f", v);
        EXPECT_EQ(Format(v), buffer) << v;
    }
    EXPECT_EQ(Format(-DBL_MAX).size(), 1 + 309 + 1 + 8u);
}

TEST(NumberTextFormat, NanAndInfinityRoundTrip) {
    EXPECT_EQ(Format(NAN), "nan");
    EXPECT_EQ(Format(-NAN), "nan");
    EXPECT_EQ(Format(INFINITY), "inf");
    EXPECT_EQ(Format(-INFINITY), "-inf");
    double v = 0.0;
    EXPECT_EQ(ParseDouble("nan", v), 0);
    EXPECT_TRUE(std::isnan(v));
    EXPECT_EQ(ParseDouble("inf", v), 0);
    EXPECT_EQ(v, INFINITY);
    EXPECT_EQ(ParseDouble("-inf", v), 0);
    EXPECT_EQ(v, -INFINITY);
}

TEST(NumberTextParse, EdgeCases) {
    double v = 9.0;
    EXPECT_EQ(ParseDouble("1.5x", v), 0);
    EXPECT_EQ(v, 1.5);
    v = 9.0;
    EXPECT_EQ(ParseDouble("abc", v), -2);
    EXPECT_EQ(v, 0.0);
    v = 9.0;
    EXPECT_EQ(ParseDouble(nullptr, v), -2);
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(ParseDouble("--1", v), -2);
    EXPECT_EQ(ParseDouble("+-1", v), -2);
}

// Every reading must agree with strtod itself in the "C" locale: same value bits, and -2 exactly when
// strtod consumes nothing.
TEST(NumberTextParse, AgreesWithStrtodInTheCLocale) {
    for (const char* t : kStrtodTexts) {
        char* end = nullptr;
        const double expected = std::strtod(t, &end);
        double v = 9.0;
        const int rc = ParseDouble(t, v);
        EXPECT_EQ(rc, end == t ? -2 : 0) << t;
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(v)) << t;
            EXPECT_EQ(std::signbit(v), std::signbit(expected)) << t;
        } else {
            EXPECT_EQ(Bits(v), Bits(expected)) << t;
        }
    }
}

TEST(NumberTextLocale, DecimalCommaLocaleChangesNothing) {
    // Expected results taken in the "C" locale the test starts in.
    const double written[] = {0.25, -1234.5, 1e20, 2.0 / 3.0, kUndefinedValue, NAN, -INFINITY};
    std::string expectedText[std::size(written)];
    for (size_t i = 0; i < std::size(written); ++i) FormatDouble(written[i], expectedText[i]);
    double expectedValue[std::size(kStrtodTexts)];
    int expectedCode[std::size(kStrtodTexts)];
    for (size_t i = 0; i < std::size(kStrtodTexts); ++i) {
        expectedCode[i] = ParseDouble(kStrtodTexts[i], expectedValue[i]);
    }

    NumericLocale locale("de_DE.UTF-8");
    if (!locale.Active()) GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine";
    char probe[32];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5");  // the locale really writes a decimal comma

    for (size_t i = 0; i < std::size(written); ++i) EXPECT_EQ(Format(written[i]), expectedText[i]);
    EXPECT_EQ(Format(-1234.5), "-1234.50000000");
    for (size_t i = 0; i < std::size(kStrtodTexts); ++i) {
        double v = 9.0;
        EXPECT_EQ(ParseDouble(kStrtodTexts[i], v), expectedCode[i]) << kStrtodTexts[i];
        EXPECT_EQ(Bits(v), Bits(expectedValue[i])) << kStrtodTexts[i];
    }
    double v = 0.0;
    EXPECT_EQ(ParseDouble("1,5", v), 0);
    EXPECT_EQ(v, 1.0);
}

TEST(NumberTextInt, FormatAndParse) {
    std::string s;
    EXPECT_EQ(FormatInt(-7, s), 0);
    EXPECT_EQ(s, "-7");
    EXPECT_EQ(FormatInt(INT_MIN, s), 0);
    EXPECT_EQ(s, "-2147483648");

    int v = 5;
    EXPECT_EQ(ParseInt("12ab", v), 0);
    EXPECT_EQ(v, 12);
    EXPECT_EQ(ParseInt("ab", v), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(ParseInt("  -42", v), 0);
    EXPECT_EQ(v, -42);
    EXPECT_EQ(ParseInt("- 8", v), 0);
    EXPECT_EQ(v, 0);
    v = 5;
    EXPECT_EQ(ParseInt(nullptr, v), 0);
    EXPECT_EQ(v, 0);
}

TEST(NumberTextInt, ParseSaturatesBeyondTheIntRange) {
    int v = 0;
    EXPECT_EQ(ParseInt("2147483647", v), 0);
    EXPECT_EQ(v, INT_MAX);
    EXPECT_EQ(ParseInt("-2147483648", v), 0);
    EXPECT_EQ(v, INT_MIN);
    EXPECT_EQ(ParseInt("2147483648", v), 0);
    EXPECT_EQ(v, INT_MAX);
    EXPECT_EQ(ParseInt("-2147483649", v), 0);
    EXPECT_EQ(v, INT_MIN);
    EXPECT_EQ(ParseInt("99999999999999999999999", v), 0);
    EXPECT_EQ(v, INT_MAX);
}

TEST(NumberTextRound, HalfUpToDecimals) {
    EXPECT_DOUBLE_EQ(RoundToDecimals(0.123456, 5), 0.12346);
    EXPECT_EQ(RoundToDecimals(2.5, 0), 3.0);
    EXPECT_EQ(RoundToDecimals(1234, -2), 1200.0);
    EXPECT_EQ(RoundToDecimals(1250, -2), 1300.0);
    EXPECT_DOUBLE_EQ(RoundToDecimals(0.999996, 5), 1.0);
    EXPECT_EQ(RoundToDecimals(0.0, 5), 0.0);
    EXPECT_DOUBLE_EQ(RoundToDecimals(0.5, 20), 0.5);
}

TEST(NumberTextRound, NegativeValuesRoundHalfUp) {
    EXPECT_EQ(RoundToDecimals(-2.5, 0), -2.0);
    EXPECT_EQ(RoundToDecimals(-2.6, 0), -3.0);  // truncation toward zero would give -2
    EXPECT_EQ(RoundToDecimals(-2.4, 0), -2.0);
    EXPECT_DOUBLE_EQ(RoundToDecimals(-0.123456, 5), -0.12346);
}

TEST(NumberTextRound, BeyondThirtyTwoBitsIsSound) {
    // Scaled magnitudes past 2^31 would overflow a cast to int.
    EXPECT_EQ(RoundToDecimals(3e9 + 0.5, 0), 3e9 + 1);
    EXPECT_EQ(RoundToDecimals(-3e9 - 0.7, 0), -3e9 - 1);
    EXPECT_DOUBLE_EQ(RoundToDecimals(12345.678901, 6), 12345.678901);
    EXPECT_EQ(RoundToDecimals(1e300, 10), 1e300);
    EXPECT_EQ(RoundToDecimals(-DBL_MAX, 0), -DBL_MAX);
    EXPECT_EQ(RoundToDecimals(INFINITY, 3), INFINITY);
    EXPECT_TRUE(std::isnan(RoundToDecimals(NAN, 3)));
    // Extreme decimal counts: 10^|n| overflows to infinity.
    EXPECT_EQ(RoundToDecimals(0.3, 400), 0.3);
    EXPECT_EQ(RoundToDecimals(0.0, INT_MAX), 0.0);
    EXPECT_EQ(RoundToDecimals(123.0, -400), 0.0);
    EXPECT_EQ(RoundToDecimals(123.0, INT_MIN), 0.0);
}
