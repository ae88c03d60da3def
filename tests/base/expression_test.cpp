// Expression trees: evaluation, text form, constant folding, solving steps, variables, and trees far
// deeper than any call stack.
#include "base/expression.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/distributions.h"
#include "base/number_text.h"
#include "base/parsed_equation.h"
#include "tests/support/expression_trees.h"

using vovido::kDistributionKind;
using vovido::kVariableKind;

using vovido::ExpressionSlot;
using vovido::MakeSignedConstant;

using vovido::GetSamplerGenerator;

namespace {

using vovido::test::Reprint;
using vovido::test::SameTree;
using vovido::test::Text;
using vovido::test::ValueOf;

std::unique_ptr<VRX_expression> Parse(const char* text) {
    std::unique_ptr<VRX_expression> tree = ParseExpression(text, nullptr, nullptr);
    EXPECT_NE(tree, nullptr) << text;
    return tree;
}

TEST(ExpressionTest, EvaluationOfOperatorsSignsAndConditionals) {
    const double nan = std::nan("");
    // clang-format off
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"1+2*3", 7}, {"(1+2)*3", 9}, {"7-2-1", 4}, {"8/2/2", 2}, {"2^3^2", 64}, {"-2^2", 4}, {"-x^2", 9},
        {"--x", 3}, {"x*-2", -6}, {"1<2", 1}, {"2<=2", 1}, {"3>=4", 0}, {"3>4", 0}, {"2=2", 1}, {"2<>2", 0},
        {"n<1", 0}, {"n>1", 0}, {"n=n", 0}, {"n<>n", 1}, {"n<=n", 0}, {"z ? 5 : 6", 6}, {"n ? 5 : 6", 5},
        {"x ? 5 : 6", 5}, {"-(x ? 5 : 6)", -5}, {"1/z", HUGE_VAL}, {"-1/z", -HUGE_VAL},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(ValueOf(c.text, {{"x", 3}, {"z", 0}, {"n", nan}}), c.expected) << c.text;
    }
    EXPECT_TRUE(std::isnan(ValueOf("z/z", {{"z", 0}})));
    EXPECT_EQ(ValueOf("y"), kUndefinedValue);
}

TEST(ExpressionTest, OnlyTheChosenBranchDraws) {
    GetSamplerGenerator().Seed(3);
    const uint32_t before = GetSamplerGenerator().GetState();
    EXPECT_EQ(ValueOf("1 ? 2 : Normal(0,1)"), 2);
    EXPECT_EQ(GetSamplerGenerator().GetState(), before);
    ValueOf("0 ? 2 : Normal(0,1)");
    EXPECT_NE(GetSamplerGenerator().GetState(), before);
}

TEST(ExpressionTest, TextFormParenthesisesOnlyWherePrecedenceNeedsIt) {
    // clang-format off
    const struct {
        const char* text;
        const char* printed;
    } cases[] = {
        {"a-(b-c)", "a-(b-c)"}, {"(a-b)-c", "a-b-c"}, {"(a+b)*c", "(a+b)*c"}, {"a^(b^c)", "a^(b^c)"},
        {"-(a+b)*c", "(-(a+b))*c"}, {"c*-(a+b)", "c*(-(a+b))"}, {"-x^2", "-x^2"}, {"x <= 2", "x<=2"},
        {"a ? b : c ? d : e", "a ? b : c ? d : e"}, {"(a?b:c)?d:e", "(a ? b : c) ? d : e"},
        {"a=(b=c)", "a=(b=c)"}, {"(a=b)=c", "a=b=c"}, {"normal( 0 , -1 )", "Normal(0,-1)"},
        {"-Sin(x)", "-Sin(x)"}, {"2*-3", "2*-3"}, {"0.1+1e-400", "0.1+0"},
        {"1.5e-7*123456789012345678", "1.5e-07*123456789012345680"}, {"1E5+.5", "1e+05+0.5"}, {"x<>y", "x<>y"},
        {"-(a ? b : c)", "-(a ? b : c)"},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(Reprint(c.text), c.printed) << c.text;

    VRX_operatorMultiply product(std::make_unique<VRX_constant>(2.0), MakeSignedConstant(-3.0));
    EXPECT_EQ(Text(product), "2*-3");
    std::string written;
    product.right->WriteText(written);
    EXPECT_EQ(written, "3");
}

// Constants are written with the fewest digits that read back to the same double.
TEST(ExpressionTest, NumbersSurviveRoundTripsBitForBit) {
    std::vector<double> values = {0.1,
                                  1.0 / 3,
                                  DBL_MAX,
                                  DBL_MIN,
                                  5e-324,
                                  kUndefinedValue,
                                  1e22,
                                  9007199254740993.0,
                                  123456789.123456789};
    RandomGenerator generator(11);
    for (int i = 0; i < 2000; ++i) {
        uint64_t bits = 0;
        for (int k = 0; k < 4; ++k)
            bits = (bits << 16) | static_cast<uint64_t>(generator.NextFraction() * 65536);
        double v;
        bits &= 0x7fffffffffffffffull;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
    }
    for (double v : values) {
        VRX_constant constant(v);
        std::unique_ptr<VRX_expression> back = ParseExpression(Text(constant).c_str(), nullptr, nullptr);
        ASSERT_NE(back, nullptr) << Text(constant);
        ASSERT_TRUE(SameTree(constant, *back)) << Text(constant);
    }
}

// Folds until nothing changes, as the solver does.
std::string Folded(const char* text) {
    ExpressionSlot tree = Parse(text);
    for (int round = 0; round < 100 && tree->FoldConstants(tree); ++round) {
    }
    return Text(*tree);
}

TEST(ExpressionTest, FoldingRules) {
    // clang-format off
    const struct {
        const char* text;
        const char* folded;
    } cases[] = {
        {"x+0", "x"}, {"0+x", "x"}, {"x*1", "x"}, {"1*x", "x"}, {"x-0", "x"}, {"x^0", "1"}, {"-(x^0)", "-1"},
        {"0-x", "-x"}, {"2*3+x", "x+6"}, {"x+2+3", "x+5"}, {"x-2-3", "x-5"}, {"x+2-3", "x-1"},
        {"x-2+5", "x+3"}, {"x+-2", "x-2"}, {"3-(-x)", "x+3"}, {"-1*x", "-x"}, {"x*-1", "-x"}, {"0*x", "0"},
        {"x*3", "3*x"}, {"x/2", "0.5*x"}, {"-(a-b)", "b-a"}, {"-(a+b)", "-a+-b"}, {"-(a*b)", "-a*b"},
        {"x*(y+z)", "x*y+x*z"}, {"(y-z)*x", "y*x-z*x"}, {"(a+b)*(c-d)", "a*c-a*d+b*c-b*d"},
        {"(a-b)/c", "a/c-b/c"}, {"If(1+1,2,3)", "If(2,2,3)"}, {"a ? 1+1 : 2", "a ? 2 : 2"}, {"2<3", "1"},
        {"2^10", "1024"},
        // A divisor that may be 0 is never folded away, nor a NaN made constant, nor a draw copied.
        {"x/x", "x/x"}, {"0/x", "0/x"}, {"x/0", "x/0"}, {"0/0", "0/0"}, {"-x/x", "-x/x"},
        {"Normal(0,1)*(y+z)", "Normal(0,1)*(y+z)"}, {"(y+z)/Uniform(1,2)", "(y+z)/Uniform(1,2)"},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(Folded(c.text), c.folded) << c.text;
}

// Random trees of + - * / over small integers and variables keep their values through folding.
TEST(ExpressionTest, FoldingKeepsTheValueOfRandomTrees) {
    RandomGenerator generator(17);
    auto pick = [&generator](int n) { return static_cast<int>(generator.NextFraction() * n); };
    const char* leaves[] = {"x", "y", "0", "1", "2", "3", "-1", "-x", "-2"};
    const char* ops[] = {"+", "-", "*", "/"};
    for (int t = 0; t < 400; ++t) {
        std::vector<std::string> parts;
        for (int i = 0; i < 8; ++i) parts.push_back(leaves[pick(9)]);
        while (parts.size() > 1) {
            const size_t i = pick(static_cast<int>(parts.size()) - 1);
            const char* op = ops[pick(4)];
            // Division only by constants other than 0, so that the value stays finite.
            std::string right = parts[i + 1];
            if (*op == '/' && (right.find_first_of("xy0") != std::string::npos)) op = "*";
            const std::string joined = (pick(2) ? "-(" : "(") + parts[i] + op + right + ")";
            parts[i] = joined;
            parts.erase(parts.begin() + i + 1);
        }
        ExpressionSlot original = Parse(parts[0].c_str());
        ExpressionSlot folded = original->Clone();
        for (int round = 0; round < 1000 && folded->FoldConstants(folded); ++round) {
        }
        for (double x : {-2.0, 0.0, 1.0, 3.0}) {
            for (double y : {-1.0, 0.0, 2.0}) {
                for (VRX_expression* e : {original.get(), folded.get()}) {
                    AssignVariable(*e, "x", x);
                    AssignVariable(*e, "y", y);
                }
                const double a = original->sign * original->Evaluate();
                const double b = folded->sign * folded->Evaluate();
                if (!std::isfinite(a)) continue;  // a zero divisor: only finite values are kept
                ASSERT_NEAR(a, b, 1e-12 * (1 + std::fabs(a))) << parts[0] << " -> " << Text(*folded);
            }
        }
    }
}

// Solving for x and putting the solution back into the equation gives both sides equal.
TEST(ExpressionTest, SolvingInvertsEveryInvertibleNode) {
    // clang-format off
    const struct {
        const char* equation;
        double y;
    } cases[] = {
        {"y = 2*x + 1", 7}, {"y = x/4 - 3", 2}, {"y = 5 - x", 1.5}, {"y = 3/x", 0.25}, {"y = x^3", 27},
        {"y = 2^x", 32}, {"y = Exp(x)", 2}, {"y = Ln(x)", 1.5}, {"y = Sin(x)", 0.5}, {"y = Sqrt(x)", 3},
        {"y = Sqr(x)", 4}, {"y = Log(x, 2)", 5}, {"y = Log(8, x)", 3}, {"y = -x", 4}, {"y = -(x+1)*2", 4},
        {"y = Pow10(x)", 100}, {"y = Atan(x)", 0.5}, {"y = -Cos(x)", -0.5}, {"y = Log10(x)", 2},
    };
    // clang-format on
    for (const auto& c : cases) {
        ParsedEquation equation;
        ASSERT_EQ(ParseEquation(equation, c.equation, nullptr, nullptr), 0);
        const ParsedEquation original = equation;
        ASSERT_EQ(SolveEquationFor(equation, "x"), 0) << c.equation;
        ASSERT_EQ(equation.left->GetType(), kVariableKind);
        EXPECT_EQ(equation.left->sign, 1);
        AssignVariable(*equation.right, "y", c.y);
        const double x = equation.right->sign * equation.right->Evaluate();
        ParsedEquation check = original;
        check.AssignVariable("x", x);
        check.AssignVariable("y", c.y);
        EXPECT_NEAR(check.left->sign * check.left->Evaluate(), check.right->sign * check.right->Evaluate(),
                    1e-9)
            << c.equation << " gave x = " << x;
    }
    for (const char* unsolvable : {"y = x + x", "y = Abs(x)", "y = z", "y = Normal(x, 1)", "y = x < 2"}) {
        ParsedEquation equation;
        ASSERT_EQ(ParseEquation(equation, unsolvable, nullptr, nullptr), 0);
        EXPECT_EQ(SolveEquationFor(equation, "x"), -2) << unsolvable;
    }
}

// A chain of odd powers keeps one copy of the right side per level: 200 levels are solved (a tree
// that doubled per level would never finish) into a tree of a size linear in the depth.
TEST(ExpressionTest, ChainsOfOddPowersSolveInTheirDepth) {
    const struct {
        int depth;
        double y, x;
    } cases[] = {{4, -std::pow(2.0, 81.0), -2.0}, {4, 0.0, 0.0}, {200, -1.0, -1.0}, {200, 1.0, 1.0}};
    for (const auto& c : cases) {
        std::string text = "x";
        for (int i = 0; i < c.depth; ++i) text = "(" + text + ")^3";
        ParsedEquation equation;
        ASSERT_EQ(ParseEquation(equation, ("y = " + text).c_str(), nullptr, nullptr), 0);
        ASSERT_EQ(SolveEquationFor(equation, "x"), 0) << c.depth;
        std::vector<std::string> names;
        GetVariables(*equation.right, names);
        EXPECT_EQ(names, std::vector<std::string>{"y"});
        // Once for the sign, once for the magnitude.
        EXPECT_EQ(CountVariable(*equation.right, "y"), 2) << c.depth;
        AssignVariable(*equation.right, "y", c.y);
        EXPECT_NEAR(equation.right->sign * equation.right->Evaluate(), c.x, 1e-9) << c.depth;
    }
}

// Roots that must copy their right side (a shift between the powers) are inverted while the copies stay
// small; a deep chain is left to the numerical solver instead of doubling its tree per level.
TEST(ExpressionTest, ShiftedOddPowerChainsSolveWhileSmall) {
    for (int depth : {3, 40}) {
        std::string text = "x";
        for (int i = 0; i < depth; ++i) text = "(" + text + " + 1)^3";
        ParsedEquation equation;
        ASSERT_EQ(ParseEquation(equation, ("y = " + text).c_str(), nullptr, nullptr), 0);
        if (depth > 3) {
            EXPECT_NE(SolveEquationFor(equation, "x"), 0);
            continue;
        }
        ASSERT_EQ(SolveEquationFor(equation, "x"), 0);
        // x = -3: (-2)^3 = -8, (-7)^3 = -343, (-342)^3.
        AssignVariable(*equation.right, "y", std::pow(-342.0, 3.0));
        EXPECT_NEAR(equation.right->sign * equation.right->Evaluate(), -3.0, 1e-9);
    }
}

TEST(ExpressionTest, VariablesAndDistributionSlots) {
    ExpressionSlot tree = Parse("b + a*Max(b, c) - Normal(a, 1)*Uniform(Normal(0,1), d)");
    std::vector<std::string> names = {"c"};
    GetVariables(*tree, names);
    EXPECT_EQ(names, (std::vector<std::string>{"c", "b", "a", "d"}));
    EXPECT_EQ(CountVariable(*tree, "b"), 2);
    RenameVariable(*tree, "b", "q");
    EXPECT_EQ(CountVariable(*tree, "b"), 0);
    EXPECT_EQ(CountVariable(*tree, "q"), 2);
    EXPECT_FALSE(tree->IsDeterministic());

    std::vector<ExpressionSlot*> slots;
    tree->CollectDistributions(&tree, slots);
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_STREQ(static_cast<VRX_function&>(**slots[0]).GetName(), "Normal");
    EXPECT_STREQ(static_cast<VRX_function&>(**slots[1]).GetName(), "Uniform");
    for (ExpressionSlot* slot : slots) *slot = std::make_unique<VRX_constant>(2.0);
    EXPECT_TRUE(tree->IsDeterministic());
    AssignVariable(*tree, "q", 1);
    AssignVariable(*tree, "a", 3);
    AssignVariable(*tree, "c", 5);
    EXPECT_EQ(tree->sign * tree->Evaluate(), 1 + 3 * 5 - 4);

    EXPECT_EQ(Text(*BuildSumOfVariables({})), "0");
    EXPECT_EQ(Text(*BuildSumOfVariables({"a", "b", "c"})), "a+b+c");
    EXPECT_EQ(Text(*AddVariableToSum(MakeSignedConstant(-0.0), "v")), "v");
    EXPECT_EQ(Text(*AddVariableToSum(Parse("a*2"), "v")), "a*2+v");
}

TEST(ExpressionTest, CloneAndCallsKeepEverything) {
    ExpressionSlot tree = Parse("-(x + -Sum(1, y, -3)) * Normal(0, 2)");
    AssignVariable(*tree, "x", 4);
    ExpressionSlot copy = tree->Clone();
    EXPECT_TRUE(SameTree(*tree, *copy));
    EXPECT_EQ(Text(*copy), Text(*tree));
    AssignVariable(*copy, "x", 5);
    EXPECT_EQ(static_cast<VRX_variable&>(
                  *static_cast<VRX_binaryOperator&>(*static_cast<VRX_binaryOperator&>(*tree).left).left)
                  .value,
              4);

    std::unique_ptr<VRX_function> call = CreateFunctionCall("NORMAL");
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->GetType(), kDistributionKind);
    EXPECT_STREQ(call->GetName(), "Normal");
    EXPECT_EQ(call->GetParameterCount(), 2);
    EXPECT_EQ(CreateFunctionCall("Nonsense"), nullptr);
    std::unique_ptr<VRX_function> sum = CreateFunctionCall("sum");
    EXPECT_EQ(sum->GetVarargMinimum(), 2);
    sum->SetArgument(0, std::make_unique<VRX_constant>(1.0));
    sum->SetArgument(1, std::make_unique<VRX_constant>(2.0));
    EXPECT_EQ(sum->GetParameterCount(), 2);
    EXPECT_EQ(Text(*sum->DetachArgument(1)), "2");
    EXPECT_EQ(sum->GetParameterCount(), 1);

    VRX_unknownFunction unknown("Foreign");
    unknown.SetArgument(0, std::make_unique<VRX_variable>("x"));
    EXPECT_EQ(Text(unknown), "Foreign(x)");
    EXPECT_EQ(unknown.Evaluate(), kUndefinedValue);
    EXPECT_EQ(Text(*unknown.Clone()), "Foreign(x)");
}

// Trees far deeper than a call stack: a long sum, deep parentheses and long chains of conditionals.
TEST(ExpressionTest, DeepTreesAreEvaluatedCopiedPrintedAndFreed) {
    std::string sum = "1";
    for (int i = 0; i < 20000; ++i) sum += i % 2 ? "+x" : "-1";
    std::string nested = "x";
    for (int i = 0; i < 4000; ++i) nested = (i % 3 ? "-(" : "(1+") + nested + ")";
    std::string chain;
    for (int i = 0; i < 1000; ++i) chain += "x<" + std::to_string(i) + " ? " + std::to_string(i) + " : ";
    chain += "-1";
    for (const std::string& text : {sum, nested, chain}) {
        ExpressionSlot tree = Parse(text.c_str());
        ASSERT_NE(tree, nullptr);
        AssignVariable(*tree, "x", 2);
        const double value = tree->sign * tree->Evaluate();
        EXPECT_TRUE(std::isfinite(value));
        ExpressionSlot copy = tree->Clone();
        const std::string printed = Text(*copy);
        ExpressionSlot back = Parse(printed.c_str());
        EXPECT_TRUE(SameTree(*tree, *back));
        AssignVariable(*back, "x", 2);
        EXPECT_EQ(back->sign * back->Evaluate(), value);
        while (copy->FoldConstants(copy)) {
        }
        AssignVariable(*copy, "x", 2);
        EXPECT_EQ(copy->sign * copy->Evaluate(), value);
    }
    EXPECT_EQ(ValueOf(sum.c_str(), {{"x", 2}}), 1 + 10000 * 2 - 10000);
    EXPECT_EQ(ValueOf(chain.c_str(), {{"x", 2}}), 3);
}

}  // namespace
