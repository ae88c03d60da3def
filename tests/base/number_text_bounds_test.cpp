// The bounds of a number's text hold its text's length, and prove the digits of full-precision values.
#include "base/number_text_bounds.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/number_text.h"

namespace {

using vovido::NumberTextBounds;

uint64_t BitsOf(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Values of every kind a table holds: full precision at many magnitudes, short decimals, integers,
// negatives, zeros, subnormals, the largest and the sentinels.
std::vector<double> Values() {
    std::vector<double> values = {0.0,           -0.0,
                                  1.0,           0.5,
                                  0.1,           1.0 / 3,
                                  2.0 / 3,       1e-10,
                                  1e-300,        5e-324,
                                  DBL_MIN,       DBL_MAX,
                                  -DBL_MAX,      1e15,
                                  1e16,          1e22,
                                  123456.,       9007199254740993.0,
                                  0.3,           0.7,
                                  1e-5,          kUndefinedValue,
                                  kIllegalValue, kNotAvailableValue};
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const double u = unit(rng);
        values.push_back(u);
        values.push_back(-u * std::pow(10.0, i % 40 - 20));
        values.push_back(std::round(u * 1e4) / 1e4);
        values.push_back(1.0 - std::round(u * 1e11) / 1e11);
        values.push_back(std::round(u * 1e11) / 1e11);
        values.push_back(std::ldexp(u, -1060));  // subnormal
    }
    return values;
}

TEST(NumberTextBounds, EveryTextIsWithinItsBounds) {
    const NumberTextBounds bounds;
    int64_t sumLeast = 0;
    int64_t sumMost = 0;
    std::string text;
    for (const double value : Values()) {
        text.clear();
        AppendDouble(value, text);
        int64_t least = 0;
        int64_t most = 0;
        bounds.Add(BitsOf(value), least, most);
        ASSERT_LE(least, static_cast<int64_t>(text.size())) << text;
        ASSERT_GE(most, static_cast<int64_t>(text.size())) << text;
        sumLeast += least;
        sumMost += most;
    }
    // A table's sum is the sum of its numbers' bounds; a limit its least text passes stops it early, with
    // a character at least for each number left.
    const std::vector<double> values = Values();
    int bad = -1;
    int64_t least = 0;
    int64_t most = 0;
    EXPECT_TRUE(bounds.Sum(values.data(), static_cast<int>(values.size()), bad, least, most, INT64_MAX));
    EXPECT_EQ(bad, -1);
    EXPECT_EQ(least, sumLeast);
    EXPECT_EQ(most, sumMost);
    least = 0;
    EXPECT_FALSE(bounds.Sum(values.data(), static_cast<int>(values.size()), bad, least, most, 1000));
    EXPECT_GT(least, 1000);
    EXPECT_LE(least, sumLeast);
}

// Full-precision values in [0.1, 1) take 18 or 19 characters ("0." and 16 or 17 digits): the bounds prove
// 18 for nine in ten of them, and a run of one value costs nothing more than its first.
TEST(NumberTextBounds, FullPrecisionDigitsAreProven) {
    const NumberTextBounds bounds;
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> unit(0.1, 1.0);
    int proven = 0;
    for (int i = 0; i < 10000; ++i) {
        int64_t least = 0;
        int64_t most = 0;
        bounds.Add(BitsOf(unit(rng)), least, most);
        proven += least >= 18 ? 1 : 0;
    }
    EXPECT_GT(proven, 8500);
    // A short decimal is bounded from both sides: 0.4321 has 6 characters, proven within a character.
    int64_t least = 0;
    int64_t most = 0;
    bounds.Add(BitsOf(0.4321), least, most);
    EXPECT_EQ(least, 6);
    EXPECT_LE(most, 7);
    const std::vector<double> run(1000, 1.0 / 6);
    int bad = -1;
    least = 0;
    most = 0;
    ASSERT_TRUE(bounds.Sum(run.data(), 1000, bad, least, most, INT64_MAX));
    EXPECT_EQ(least, 1000 * 18);  // "0.16666666666666666" has 19
    EXPECT_GE(most, 1000 * 19);
}

TEST(NumberTextBounds, NaNAndInfinityAreFound) {
    const NumberTextBounds bounds;
    for (const double value :
         {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        const std::vector<double> data = {0.5, 0.25, value, 0.5};
        int bad = -1;
        int64_t least = 0;
        int64_t most = 0;
        EXPECT_TRUE(bounds.Sum(data.data(), 4, bad, least, most, INT64_MAX));
        EXPECT_EQ(bad, 2);
    }
}

}  // namespace
