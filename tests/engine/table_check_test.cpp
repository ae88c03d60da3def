// Broken probability tables give no beliefs: every discrete algorithm and the probability of evidence
// refuse a table with NaN, an infinite or a negative entry, naming the node and the entry, or a column
// whose sum is off 1, naming the column; columns that sum to 1 within the consistency tolerance are taken
// as they are, subnormal ones as zero columns. What
// an update hands back is checked too: numbers that are not finite and undefined equation values are
// refused by name, never reported as results.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/whole_part.h"

namespace {

using namespace vovido::test;

struct BrokenTable {
    const char* name;
    std::vector<double> entries;  // b's table: column of a0, then column of a1
    std::string message;
};

class TableCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        errorLog.Flush();
        a = t.Add("a");
        b = t.Add("b");
        t.Arc(a, b);
        t.Table(a, {0.5, 0.5});
    }
    void TearDown() override { errorLog.Flush(); }

    TestNetwork t;
    int a = -1;
    int b = -1;
};

TEST_F(TableCheckTest, EveryDiscreteAlgorithmRefusesABrokenTableByName) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<BrokenTable> cases = {
        {"NaN", {0.3, 0.7, nan, 0.4}, "ERROR: Node [b] : entry 2 of its table is not a number"},
        {"infinity", {0.3, inf, 0.6, 0.4}, "ERROR: Node [b] : entry 1 of its table is infinite"},
        {"negative", {0.3, 0.7, 1.5, -0.5}, "ERROR: Node [b] : entry 3 of its table is negative (-0.5)"},
        {"huge",
         {0.3, 0.7, 1.7e308, 1.7e308},
         "ERROR: Node [b] : column 1 of its table does not sum to a finite number"},
        // Beliefs from such columns would not sum to 1; the consistency tolerance of a table holds.
        {"sum above 1", {0.3, 0.7, 0.5, 0.6}, "ERROR: Node [b] : column 1 of its table sums to 1.1, not 1"},
        {"sum below 1",
         {0.3, 0.69999, 0.6, 0.4},
         "ERROR: Node [b] : column 0 of its table sums to 0.99999, not 1"},
        {"past the tolerance",
         {0.3, 0.70001, 0.6, 0.4},
         "ERROR: Node [b] : column 0 of its table sums to 1.00001, not 1"},
    };
    for (const BrokenTable& broken : cases) {
        SCOPED_TRACE(broken.name);
        t.Table(b, broken.entries);
        for (int algorithm = 0; algorithm <= 12; ++algorithm) {
            errorLog.Flush();
            t.net.bnAlgorithm = algorithm;
            EXPECT_EQ(t.net.UpdateBeliefs(), kObjectNotConsistent) << "algorithm " << algorithm;
            EXPECT_EQ(LastLogged(), broken.message) << "algorithm " << algorithm;
            EXPECT_FALSE(t.Value(b)->IsUpToDate());
        }
        t.net.bnAlgorithm = 0;
        errorLog.Flush();
        t.Observe(b, 0);
        double p = 0.0;
        EXPECT_FALSE(t.net.CalcPropEvidence(&p, false));
        EXPECT_EQ(LastLogged(), broken.message);
        EXPECT_FALSE(t.net.CalcPropEvidence(&p, true));
        EXPECT_EQ(t.Value(b)->ClearEvidence(), kSuccess);
    }
}

TEST_F(TableCheckTest, ColumnsWithinTheToleranceAreTakenAsTheyAre) {
    // 0.3 + 0.700004 is within the consistency tolerance of 1: no refusal and no renormalising of the
    // column; the beliefs are the normalised joint marginal.
    t.Table(b, {0.3, 0.700004, 0.6, 0.4});
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << LastLogged();
    const double b0 = 0.5 * 0.3 + 0.5 * 0.6;
    const double b1 = 0.5 * 0.700004 + 0.5 * 0.4;
    ExpectNear(t.Beliefs(b), {b0 / (b0 + b1), b1 / (b0 + b1)});
}

TEST(TableCheck, ColumnsOffOneAreRefusedInEveryTableKind) {
    // A root, and a child of a, of each kind whose table the check reads; a noisy-MAX node's parameters
    // (leak row last) give its table.
    struct Case {
        int type;
        bool child;
        std::vector<double> entries;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {DefinitionType::kCpt,
         false,
         {0.5, 0.6},
         "ERROR: Node [x] : column 0 of its table sums to 1.1, not 1"},
        {DefinitionType::kCpt, false, {0.5, 0.500004}, nullptr},
        {DefinitionType::kCpt,
         false,
         {0.5, 0.50001},
         "ERROR: Node [x] : column 0 of its table sums to 1.00001, not 1"},
        {DefinitionType::kTruthTable,
         true,
         {1, 0, 1, 1},
         "ERROR: Node [x] : column 1 of its table sums to 2, not 1"},
        {DefinitionType::kNoisyMax,
         true,
         {0.7, 0.6, 0, 1, 0.7, 0.6},
         "ERROR: Node [x] : column 0 of its table sums to 1.69, not 1"},
    };
    for (const Case& c : cases) {
        errorLog.Flush();
        TestNetwork t;
        const int a = t.Add("a");
        const int x = t.Add("x", 2, c.type);
        if (c.child) t.Arc(a, x);
        t.Table(x, c.entries);
        EXPECT_EQ(t.net.UpdateBeliefs(), c.message != nullptr ? kObjectNotConsistent : kSuccess) << c.type;
        EXPECT_EQ(LastLogged(), c.message != nullptr ? c.message : "") << c.type;
    }
    errorLog.Flush();
}

TEST_F(TableCheckTest, ASubnormalColumnIsTheZeroColumnItStandsFor) {
    // b's column of a1 sums to 1e-320: every algorithm finds a1 impossible, as for a column of zeros.
    t.Table(b, {0.8, 0.2, 1e-320, 0.0});
    for (int algorithm = 0; algorithm <= 12; ++algorithm) {
        t.net.bnAlgorithm = algorithm;
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << "algorithm " << algorithm;
        EXPECT_EQ(t.Beliefs(a), (std::vector<double>{1.0, 0.0})) << "algorithm " << algorithm;
    }
    EXPECT_EQ(t.Definition(b)[2], 0.0);
}

TEST(UpdatedValues, EntriesThatWouldOverflowGiveNoBeliefsAndNoProbabilityOfEvidence) {
    errorLog.Flush();
    TestNetwork t;
    const int a = t.Add("a");
    const int b = t.Add("b");
    const int c = t.Add("c");
    t.Arcs({{a, b}, {b, c}});
    t.Table(a, {1e306, 1e306});
    for (int h : {b, c}) t.Table(h, {1e306, 1e306, 1e306, 1e306});
    // The exact engines would overflow: the columns, far from 1, are refused before any runs.
    const std::string refusal = "ERROR: Node [a] : column 0 of its table sums to 2e+306, not 1";
    for (int algorithm = 0; algorithm <= 12; ++algorithm) {
        errorLog.Flush();
        t.net.bnAlgorithm = algorithm;
        EXPECT_EQ(t.net.UpdateBeliefs(), kObjectNotConsistent) << "algorithm " << algorithm;
        EXPECT_EQ(LastLogged(), refusal) << "algorithm " << algorithm;
        EXPECT_FALSE(t.Value(a)->IsUpToDate());
    }
    t.Observe(c, 0);
    double p = 0.0;
    EXPECT_FALSE(t.net.CalcPropEvidence(&p, false));
    EXPECT_TRUE(Logged(kObjectNotConsistent, refusal));
    errorLog.Flush();
}

TEST(UpdatedValues, ADiagramSolvedOnAWorkingCopyNamesTheNodeByItsHandle) {
    TestNetwork t;
    const int a = t.Add("a");
    const int b = t.Add("b");
    const int d = t.net.AddNode(DefinitionType::kList, "D");
    const int u = t.net.AddNode(DefinitionType::kTable, "U");
    t.Arcs({{a, b}, {b, u}, {d, u}});
    t.Table(a, {1e306, 1e306});
    t.Table(b, {1e306, 1e306, 1e306, 1e306});
    for (int algorithm : {0, 1}) {
        errorLog.Flush();
        t.net.idAlgorithm = algorithm;
        EXPECT_EQ(t.net.UpdateBeliefs(), kObjectNotConsistent);
        EXPECT_TRUE(vovido::test::Logged(
            kObjectNotConsistent,
            "ERROR: Node [#" + std::to_string(a) + "] : column 0 of its table sums to 2e+306, not 1"));
    }
    errorLog.Flush();
}

TEST(UpdatedValues, UndefinedEquationValuesAreRefusedByName) {
    // The marker of an undefined result stays undefined through arithmetic, calls and conditions; NaN
    // counts as true in a condition, and infinity is a value.
    const std::pair<const char*, double> cases[] = {
        {"x = Fact(1e308)", NAN},           {"x = GCD(1e300, 3)", NAN},
        {"x = Multinomial(-1, 2)", NAN},    {"x = 0/0", NAN},
        {"x = Fact(1e308)*1e300+1", NAN},   {"x = -Max(Fact(1e308), 3)", NAN},
        {"x = If(Fact(1e308), 1, 2)", NAN}, {"x = Normal(Fact(1e308), 1)", NAN},
        {"x = If(0/0, 1, 2)", 1.0},         {"x = 1/0", INFINITY}};
    for (const auto& [equation, value] : cases) {
        errorLog.Flush();
        VRX_network net;
        const int x = AddEquation(net, "x", equation);
        ASSERT_GE(x, 0) << equation;
        if (std::isnan(value)) {
            EXPECT_EQ(net.UpdateBeliefs(), kOutOfRange) << equation;
            EXPECT_TRUE(Logged(kOutOfRange, "ERROR: Node [x] : its value is undefined")) << equation;
            EXPECT_FALSE(net.GetNode(x)->GetValue()->IsUpToDate()) << equation;
        } else {
            ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << equation;
            EXPECT_EQ(ValueOf(net, x).GetMean(), value) << equation;
        }
    }
    errorLog.Flush();
}

}  // namespace
