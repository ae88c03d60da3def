// Number text: sentinels, shortest exact doubles, strtod-compatible reading, rounding, locale independence.
#include "base/number_text.h"
#include "base/status_codes.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

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
    EXPECT_EQ(Format(kExcludedValue), "1.1125369292536007e-307");

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
    EXPECT_EQ(ParseDouble("na", v), kOutOfRange);  // lower case: strtod reads nothing
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(ParseDouble("NAN", v), 0);  // strtod's NaN, not the sentinel
    EXPECT_TRUE(std::isnan(v));
    EXPECT_EQ(ParseDouble(" NA", v), kOutOfRange);
    EXPECT_EQ(ParseDouble("0.0E-4 ", v), 0);  // read by strtod: 0.0e-4 is plain zero
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(ParseDouble("ILLEGALx", v), kOutOfRange);
}

TEST(NumberTextFormat, ShortestTextThatReadsBackExactly) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0.25, "0.25"},
                 {0.1, "0.1"},
                 {1e-10, "1e-10"},  // was 0.00000000 with eight decimals: a fault turned impossible
                 {1.0 / 3.0, "0.3333333333333333"},
                 {2.0 / 3.0, "0.6666666666666666"},
                 {1.0 - 1e-16, "0.9999999999999999"},
                 {1.0, "1"},
                 {-1234.5, "-1234.5"},
                 {-0.0, "-0"},
                 {1e20, "1e+20"},
                 {DBL_MIN, "2.2250738585072014e-308"},
                 {5e-324, "5e-324"},
                 {-DBL_MAX, "-1.7976931348623157e+308"}};
    for (const auto& c : cases) EXPECT_EQ(Format(c.value), c.text) << c.value;
}

// Against printf in the "C" locale: the text reads back bit for bit, is a number of the text formats'
// lexer (digits, optional point and decimals, optional exponent), and has no more significant digits
// than the shortest "%.<p>g" that reads back.
TEST(NumberTextFormat, RoundTripsAcrossMagnitudesAndDenormals) {
    const std::regex number("-?[0-9]+(\\.[0-9]+)?(e[-+][0-9]+)?");
    // Denormals, long mantissas and big integers first, then a sweep over the exponents and fractions.
    std::vector<double> values = {5e-324, 1e-323, 1.5e-315, 1.2345678901234568e17, 12345678.123456789};
    for (int e = -320; e <= 300; e += 7) values.push_back(std::ldexp(0.6180339887498949, e * 3) / 7.0);
    for (int i = 1; i < 200; ++i) values.push_back(1.0 / i);
    for (double v : values) {
        const std::string text = Format(v);
        double back = 0.0;
        EXPECT_EQ(ParseDouble(text.c_str(), back), 0) << text;
        EXPECT_EQ(Bits(back), Bits(v)) << text;
        EXPECT_TRUE(std::regex_match(text, number)) << text;
        char shortest[64] = "";
        for (int p = 1; p <= 17; ++p) {
            std::snprintf(shortest, sizeof shortest, "%.*g", p, v);
            if (std::strtod(shortest, nullptr) == v) break;
        }
        // Significant digits: those of the mantissa without leading and trailing zeros.
        const auto digits = [](const std::string& t) {
            std::string d;
            for (char c : t.substr(0, t.find('e'))) {
                if (c >= '0' && c <= '9') d += c;
            }
            const size_t first = d.find_first_not_of('0');
            return first == std::string::npos ? size_t{0} : d.find_last_not_of('0') - first + 1;
        };
        EXPECT_LE(digits(text), digits(shortest)) << text << " vs " << shortest;
    }
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
    EXPECT_EQ(ParseDouble("abc", v), kOutOfRange);
    EXPECT_EQ(v, 0.0);
    v = 9.0;
    EXPECT_EQ(ParseDouble(nullptr, v), kOutOfRange);
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(ParseDouble("--1", v), kOutOfRange);
    EXPECT_EQ(ParseDouble("+-1", v), kOutOfRange);
}

// Every reading must agree with strtod itself in the "C" locale: same value bits, and -2 exactly when
// strtod consumes nothing.
TEST(NumberTextParse, AgreesWithStrtodInTheCLocale) {
    for (const char* t : kStrtodTexts) {
        char* end = nullptr;
        const double expected = std::strtod(t, &end);
        double v = 9.0;
        const int rc = ParseDouble(t, v);
        EXPECT_EQ(rc, end == t ? kOutOfRange : kSuccess) << t;
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
    EXPECT_EQ(Format(-1234.5), "-1234.5");
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

// A whole number is read whole: exact values in the int range however written, anything else refused.
TEST(NumberTextInt, WholeNumbersAreReadWholeOrRefused) {
    const struct {
        const char* text;
        int status;
        int value;
    } cases[] = {
        {"12", 0, 12},
        {" -7 ", 0, -7},
        {"1e5", 0, 100000},
        {"3.0", 0, 3},
        {"0.05e2", 0, 5},
        {"-0e999", 0, 0},
        {"2147483647", 0, INT_MAX},
        {"-2147483648", 0, INT_MIN},
        {"2147483648", kOutOfRange, 0},
        {"3e9", kOutOfRange, 0},
        {"1e308", kOutOfRange, 0},
        {"0.5", kOutOfRange, 0},
        {"1e-1", kOutOfRange, 0},
        {"12ab", kSyntaxError, 0},
        {"", kSyntaxError, 0},
        {"e5", kSyntaxError, 0},
        {"1e", kSyntaxError, 0},
    };
    for (const auto& item : cases) {
        int v = 99;
        EXPECT_EQ(ParseWholeNumber(item.text, v), item.status) << item.text;
        EXPECT_EQ(v, item.value) << item.text;
    }
}

// A sample count: whole values however written in e-notation, no fraction without an exponent, no
// negative count; 0 reads as 0, for the caller to replace by its default.
TEST(NumberTextInt, SampleCountsAreWholeAndNotNegative) {
    const struct {
        const char* text;
        int status;
        int value;
    } cases[] = {
        {"250", 0, 250},
        {"+5", 0, 5},
        {"1e3", 0, 1000},
        {"1.5e3", 0, 1500},
        {"12.5e1", 0, 125},
        {"2.5E2", 0, 250},
        {"0", 0, 0},
        {"00", 0, 0},
        {"2.0", kOutOfRange, 0},
        {"0.0", kOutOfRange, 0},
        {"12e-1", kOutOfRange, 0},
        {"1.5e-3", kOutOfRange, 0},
        {"-3", kOutOfRange, 0},
        {"0x10", kOutOfRange, 0},
        {"", kOutOfRange, 0},
        {nullptr, kOutOfRange, 0},
    };
    for (const auto& item : cases) {
        int v = 99;
        const std::string text = item.text != nullptr ? item.text : "(null)";
        EXPECT_EQ(ParseSampleCount(item.text, v), item.status) << text;
        EXPECT_EQ(v, item.value) << text;
    }
}
