// The expression parser: exact error texts and positions, precedence and associativity, the hooks of
// dialect parsers, the nesting bound, round trips of text and tree, and parsed equations.
#include "base/expression_parser.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "base/parsed_equation.h"
#include "base/random_generator.h"
#include "base/status_codes.h"
#include "tests/support/expression_trees.h"

using vovido::kConditionalKind;
using vovido::kEqualKind;

namespace {

using vovido::test::Reprint;
using vovido::test::SameTree;
using vovido::test::Text;
using vovido::test::ValueOf;

std::string ThirtyOneArguments() {
    std::string text = "Max(1";
    for (int i = 0; i < 30; ++i) text += ",1";
    return text + ")";
}

TEST(ExpressionParserTest, ErrorTextsAndPositions) {
    const std::string tooMany = ThirtyOneArguments();
    // clang-format off
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"", "error: Empty expression @0"}, {"   ", "error: Empty expression @3"},
        {"a b", "error: Invalid expression @3"}, {"x != y", "error: Invalid token @3"},
        {"x == y", "error: Factor expected @4"}, {"_x", "error: Invalid token @1"},
        {"x+.", "error: Invalid token @2"}, {"x+\xe9", "error: Invalid token @3"},
        {"-", "error: Factor expected @1"}, {"- -", "error: Factor expected @3"},
        {"2*", "error: Factor expected @2"}, {"(a", "error: ')' expected @2"},
        {"(a]", "error: Invalid token @3"}, {"a ? b", "error: ':' expected @5"},
        {"a ? b : ", "error: Factor expected @8"}, {"foo(1)", "error: Unknown function: foo @4"},
        {"Sum()", "error: Too few parameters in vararg function call @5"},
        {"Sum(1)", "error: Too few parameters in vararg function call @6"},
        {"Normal(0)", "error: Too few parameters in function call @9"},
        {"Normal(0 1)", "error: Comma expected in a function call @10"},
        {"Normal(0,1,2)", "error: ')' expected in a function call @11"},
        {"Pi(1)", "error: ')' expected in a function call @4"}, {"Sin()", "error: Factor expected @5"},
        {tooMany, "error: Max parameter count for vararg function call exceeded @64"},
        {std::string(100000, '('), "error: Expression nested too deeply @10001"},
        {std::string(100000, '-'), "error: Factor expected @100000"},
        // A number follows the readers' rule: no hexadecimal, nothing beyond the doubles.
        {"x = 0x10", "error: Hexadecimal number not allowed: 0x10 @4"},
        {"2*0X1p3", "error: Hexadecimal number not allowed: 0X1p3 @2"},
        {"1e400", "error: Number beyond the doubles: 1e400 @0"},
        {"x = -1e999", "error: Number beyond the doubles: 1e999 @5"},
        {"Exp(2e308)", "error: Number beyond the doubles: 2e308 @4"},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(Reprint(c.text.c_str()), c.error) << c.text.substr(0, 40);
    // An error text and position are optional.
    EXPECT_EQ(ParseExpression("a b", nullptr, nullptr), nullptr);
    EXPECT_EQ(ParseExpression(nullptr, nullptr, nullptr), nullptr);
}

TEST(ExpressionParserTest, PrecedenceAssociativityAndTokens) {
    EXPECT_EQ(ValueOf("2^3^2"), 64);
    EXPECT_EQ(ValueOf("-2^2"), 4);
    EXPECT_EQ(ValueOf("2 - 3 - 4"), -5);
    EXPECT_EQ(ValueOf("1 + 2 < 4 = 1"), 1);
    EXPECT_EQ(ValueOf("1 ? 2 : 0 ? 3 : 4"), 2);
    EXPECT_EQ(ValueOf("0 ? 2 : 0 ? 3 : 4"), 4);
    EXPECT_EQ(ValueOf("sqrt(4) + SQRT(4)"), 4);
    // Sound numbers of every form; one below the doubles is 0, as in the readers.
    EXPECT_EQ(ValueOf("1e5 + 2.5E-3 + .5 + 7. + 1.5e+2"), 100000 + 2.5e-3 + 0.5 + 7 + 150);
    EXPECT_EQ(ValueOf("1.7976931348623157e308"), DBL_MAX);
    EXPECT_EQ(ValueOf("1e-400"), 0.0);
    EXPECT_EQ(ValueOf("00010"), 10.0);
    EXPECT_EQ(ValueOf("0.0E-2"), 0.0);  // a number here, not the undefined marker of the file formats
    EXPECT_EQ(ValueOf("Max(1,2,3,4,5,6,7,8,9,10,1,2,3,4,5,6,7,8,9,10,1,2,3,4,5,6,7,8,9,11)"), 11);
    EXPECT_EQ(ValueOf("x_1 + X_1", {{"x_1", 1}, {"X_1", 2}}), 3);
    // a = b = c is (a = b) = c; a ? b : c ? d : e nests to the right.
    std::unique_ptr<VRX_expression> equals = ParseExpression("a = b = c", nullptr, nullptr);
    EXPECT_EQ(static_cast<VRX_binaryOperator&>(*equals).left->GetType(), kEqualKind);
    std::unique_ptr<VRX_expression> chain = ParseExpression("a ? b : c ? d : e", nullptr, nullptr);
    EXPECT_EQ(static_cast<VRX_operatorConditional&>(*chain).ifFalse->GetType(), kConditionalKind);
    std::unique_ptr<VRX_expression> tenThousand =
        ParseExpression((std::string(10000, '(') + "x" + std::string(10000, ')')).c_str(), nullptr, nullptr);
    EXPECT_NE(tenThousand, nullptr);
}

// A dialect in the manner of a foreign file format: reserved variable names, a foreign function
// translated into a built-in one with its arguments swapped, and a refused call.
class DialectParser : public VRX_expressionParser {
public:
    bool ValidateVariable(const std::string& name, std::string& reason) override {
        if (name[0] != 'z') return true;
        reason = "reserved";
        return false;
    }
    bool LookupFunction(const std::string& name, std::unique_ptr<VRX_function>& call, int& count) override {
        if (name != "power" && name != "nothing")
            return VRX_expressionParser::LookupFunction(name, call, count);
        call = std::make_unique<VRX_unknownFunction>(name);
        count = name == "power" ? 2 : 0;
        return true;
    }
    std::unique_ptr<VRX_expression> TranslateFunction(std::unique_ptr<VRX_function> call,
                                                      std::string& reason) override {
        if (std::string(call->GetName()) == "nothing") {
            reason = "nothing is refused";
            return nullptr;
        }
        if (std::string(call->GetName()) != "power") return call;
        std::unique_ptr<VRX_expression> base = call->DetachArgument(0);
        return std::make_unique<VRX_operatorExp>(call->DetachArgument(1), std::move(base));
    }
};

TEST(ExpressionParserTest, DialectHooks) {
    DialectParser parser;
    std::string error;
    int position = -1;
    std::unique_ptr<VRX_expression> tree = parser.Parse("-power(2, x) + Abs(y)", &error, &position);
    ASSERT_NE(tree, nullptr) << error;
    EXPECT_EQ(Text(*tree), "-(x^2)+Abs(y)");
    EXPECT_EQ(parser.Parse("1 + z1", &error, &position), nullptr);
    EXPECT_EQ(error, "Invalid variable 'z1': reserved");
    EXPECT_EQ(position, 6);
    EXPECT_EQ(parser.Parse("2 * nothing()", &error, &position), nullptr);
    EXPECT_EQ(error, "nothing is refused");
    EXPECT_EQ(position, 13);
}

void ExpectRoundTrip(const std::string& text) {
    std::unique_ptr<VRX_expression> first = ParseExpression(text.c_str(), nullptr, nullptr);
    if (!first) return;
    const std::string printed = Text(*first);
    std::unique_ptr<VRX_expression> second = ParseExpression(printed.c_str(), nullptr, nullptr);
    ASSERT_NE(second, nullptr) << text << " printed as " << printed;
    EXPECT_TRUE(SameTree(*first, *second)) << text << " printed as " << printed;
    EXPECT_EQ(Text(*second), printed);
}

// Random texts from the grammar's pieces (most of them do not parse): every one that parses prints
// to a text that parses to the same tree and prints the same again.
TEST(ExpressionParserTest, ParsePrintParseGivesTheSameTree) {
    const char* pieces[] = {"x",   "y1",  "2",    "0.1",     "1e-5", "-", "+",  "*",    "/",
                            "^",   "<",   "<=",   ">",       ">=",   "=", "<>", "(",    ")",
                            " ? ", " : ", "Max(", "Normal(", "Pi()", ",", "-(", "1e300"};
    RandomGenerator generator(23);
    for (int t = 0; t < 20000; ++t) {
        std::string text;
        const int length = 1 + static_cast<int>(generator.NextFraction() * 14);
        for (int i = 0; i < length; ++i) text += pieces[static_cast<int>(generator.NextFraction() * 26)];
        ExpectRoundTrip(text);
    }
}

TEST(ParsedEquationTest, ParsingTextAndEditing) {
    ParsedEquation equation;
    std::string error;
    int position = -1;
    ASSERT_EQ(ParseEquation(equation, "y = (x + 2) * -a", &position, &error), kSuccess);
    EXPECT_FALSE(equation.hasDistribution);
    std::string text;
    EquationToText(equation, text);
    EXPECT_EQ(text, "y=(x+2)*-a");
    std::vector<std::string> names = {"stale"};
    equation.GetVariables(names);
    EXPECT_EQ(names, (std::vector<std::string>{"y", "x", "a"}));

    EXPECT_EQ(ParseEquation(equation, "x + 2", &position, &error), kNoTopLevelEquals);
    EXPECT_EQ(error, "Toplevel '=' sign missing in equation");
    EXPECT_EQ(position, 5);
    EXPECT_EQ(equation.left, nullptr);
    EXPECT_EQ(ParseEquation(equation, "y = ", &position, &error), kOutOfRange);
    EXPECT_EQ(error, "Factor expected");
    EXPECT_EQ(ParseEquation(equation, "y = Normal(x, 1)", nullptr, nullptr), kSuccess);
    EXPECT_TRUE(equation.hasDistribution);
    const ParsedEquation copy = equation;
    EXPECT_TRUE(copy.hasDistribution);
    EXPECT_TRUE(SameTree(*copy.right, *equation.right));
    EXPECT_NE(copy.right.get(), equation.right.get());

    equation.SetDefault("y", {});
    EquationToText(equation, text);
    EXPECT_EQ(text, "y=0");
    equation.AddParentVariable("a");
    equation.AddParentVariable("b");
    EquationToText(equation, text);
    EXPECT_EQ(text, "y=a+b");
    equation.RenameVariable("a", "c");
    equation.MoveToRight();
    EquationToText(equation, text);
    EXPECT_EQ(text, "0=c+b-y");
    ASSERT_EQ(ParseEquation(equation, "(a = b) = (c = d)", nullptr, nullptr), kSuccess);
    EquationToText(equation, text);
    EXPECT_EQ(text, "a=b=(c=d)");
}

TEST(ParsedEquationTest, SolvingLeavesTheVariableAloneOnTheLeft) {
    ParsedEquation equation;
    ASSERT_EQ(ParseEquation(equation, "y = 2 * x + 1", nullptr, nullptr), kSuccess);
    ASSERT_EQ(SolveEquationFor(equation, "x"), kSuccess);
    std::string text;
    EquationToText(equation, text);
    EXPECT_EQ(text, "x=0.5*y-0.5");
    for (double y : {-3.0, 0.0, 1.0, 10.5}) {
        equation.AssignVariable("y", y);
        EXPECT_DOUBLE_EQ(equation.right->sign * equation.right->Evaluate(), (y - 1) / 2);
    }
}

}  // namespace
