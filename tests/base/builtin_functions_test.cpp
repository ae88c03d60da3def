// The function table: order, lookup and the value of every ordinary function, including the integer
// functions at the edges of the int range.
#include "base/builtin_functions.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <string>

#include "base/number_text.h"
#include "tests/support/expression_trees.h"

using vovido::GetFunctionTable;

namespace {

using vovido::test::ValueOf;

constexpr double kPi = 3.141592653589793;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kUndefined = kUndefinedValue;

TEST(FunctionTableTest, FortySixRowsSortedAndFoundInAnyCase) {
    int count = 0;
    const FunctionEntry* table = GetFunctionTable(count);
    ASSERT_EQ(count, 46);
    int distributions = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            EXPECT_LT(vovido::CompareIgnoringCase(table[i - 1].name, table[i].name), 0) << table[i].name;
        }
        std::string lower = table[i].name, upper = table[i].name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(FindFunctionEntry(lower.c_str()), &table[i]);
        EXPECT_EQ(FindFunctionEntry(upper.c_str()), &table[i]);
        EXPECT_EQ(table[i].density != nullptr, table[i].moments != nullptr);
        distributions += table[i].density != nullptr;
    }
    EXPECT_EQ(distributions, 9);
    EXPECT_STREQ(FindFunctionEntry("normal")->name, "Normal");
    EXPECT_EQ(FindFunctionEntry("Norma"), nullptr);
    EXPECT_EQ(FindFunctionEntry("Normals"), nullptr);
    EXPECT_EQ(FindFunctionEntry(""), nullptr);
    EXPECT_EQ(FindFunctionEntry(nullptr), nullptr);
}

TEST(FunctionTableTest, TruncationToIntRefusesNaNAndOutOfRange) {
    int out = 0;
    EXPECT_TRUE(vovido::TruncateToInt(-3.9, out));
    EXPECT_EQ(out, -3);
    EXPECT_TRUE(vovido::TruncateToInt(2147483647.9, out));
    EXPECT_EQ(out, 2147483647);
    EXPECT_TRUE(vovido::TruncateToInt(-2147483648.9, out));
    EXPECT_EQ(out, -2147483647 - 1);
    EXPECT_FALSE(vovido::TruncateToInt(2147483648.0, out));
    EXPECT_FALSE(vovido::TruncateToInt(-2147483649.0, out));
    EXPECT_FALSE(vovido::TruncateToInt(std::nan(""), out));
    EXPECT_FALSE(vovido::TruncateToInt(kInf, out));
}

struct Case {
    const char* text;
    double expected;
};

// Every ordinary function at least once; 0/0 is NaN and 1e999 infinity.
// clang-format off
const Case kCases[] = {
    {"Abs(-2.5)", 2.5}, {"Acos(1)", 0.0}, {"Asin(1)", kPi / 2}, {"Atan(1)", kPi / 4}, {"Atan2(1,-1)", 3 * kPi / 4},
    {"And(1,2)", 1}, {"And(1,0,1)", 0}, {"And(1,0/0)", 1},
    {"Or(0,0,0)", 0}, {"Or(0,-2)", 1}, {"Or(0,0/0)", 1},
    {"Xor(1,1,1)", 1}, {"Xor(1,1)", 0}, {"Xor(0/0,0)", 1},
    {"Cos(0)", 1}, {"Cosh(0)", 1}, {"Exp(1)", 2.718281828459045}, {"Ln(Exp(2))", 2}, {"Log(8,2)", 3},
    {"Log10(1000)", 3}, {"Pow10(3)", 1000}, {"Sin(0)", 0}, {"Sinh(0)", 0}, {"Tan(0)", 0}, {"Tanh(0)", 0},
    {"Sqr(-3)", 9}, {"Sqrt(16)", 4}, {"SqrtPi(4)", 2 * std::sqrt(kPi)}, {"Pi()", kPi},
    {"If(0,1,2)", 2}, {"If(0/0,1,2)", 1}, {"If(-1,1,2)", 1},
    {"Sign(-2)", -1}, {"Sign(3)", 1}, {"Sign(0)", 0}, {"Sign(0/0)", 0},
    {"Max(3,7,5)", 7}, {"Min(3,-7,5)", -7}, {"Sum(1,2,3)", 6}, {"SumSq(1,2,3)", 14},
    {"Trim(5,0,3)", 3}, {"Trim(-1,0,3)", 0}, {"Trim(2,0,3)", 2},
    {"Switch(0,5,6)", 5}, {"Switch(2,5,6)", 6}, {"Switch(9,5,6)", 6}, {"Switch(2.9,5,6,7)", 6},
    {"Switch(1e300,5,6)", 6}, {"Switch(-1e300,5,6)", 5}, {"Switch(0/0,5,6)", kUndefined},
    // Integer functions: arguments truncated toward zero to ints.
    {"Fact(3.9)", 6}, {"Fact(-1)", 0}, {"Fact(0)", 1}, {"Fact(170)", 7.257415615307999e306}, {"Fact(171)", kInf},
    {"FactDouble(7)", 105}, {"FactDouble(8)", 384}, {"FactDouble(1)", 1}, {"FactDouble(0)", 1},
    {"FactDouble(-3)", 0}, {"FactDouble(2147483647)", kInf},
    {"Combin(5,2)", 10}, {"Combin(-5,2.7)", 10}, {"Combin(3,5)", kInf}, {"Combin(7,0)", 1},
    {"Combin(2147483647,1)", 2147483647}, {"Combin(2147483647,2147483647)", 1},
    {"Combin(200,100)", 9.054851465610328e58}, {"Combin(2000,1000)", kInf},
    {"GCD(-12,18)", 6}, {"GCD(7,0)", 7}, {"GCD(0,0)", 0}, {"GCD(2147483647,2147483646)", 1},
    {"LCM(4,6)", 12}, {"LCM(0,5)", 0}, {"LCM(0,0)", 0}, {"LCM(2147483647,2147483646)", 4611686011984936962.0},
    {"Multinomial(1,2)", 3}, {"Multinomial(2,2,2)", 90}, {"Multinomial(0,0)", 1},
    {"Multinomial(100,100)", 9.054851465610328e58}, {"Multinomial(1000,1000)", kInf},
    // NaN, or a truncation beyond the int range, makes an integer function undefined.
    {"Fact(1e10)", kUndefined}, {"Fact(0/0)", kUndefined}, {"FactDouble(-1e10)", kUndefined},
    {"GCD(1e10,5)", kUndefined}, {"LCM(3e9,2)", kUndefined}, {"LCM(-2147483648,2)", kUndefined},
    {"Combin(0/0,1)", kUndefined}, {"Multinomial(1,-1)", kUndefined}, {"Multinomial(1,Exp(1000))", kUndefined},
};
// clang-format on

TEST(BuiltinFunctionsTest, ValuesOfEveryOrdinaryFunction) {
    for (const Case& c : kCases) {
        const double value = ValueOf(c.text);
        if (std::isnan(c.expected) || std::isinf(c.expected) || c.expected == kUndefined ||
            c.expected == 0.0) {
            EXPECT_EQ(value, c.expected) << c.text;
        } else {
            EXPECT_NEAR(value, c.expected, 1e-13 * std::fabs(c.expected)) << c.text;
        }
    }
}

}  // namespace
