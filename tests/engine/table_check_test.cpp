// Broken probability tables give no beliefs: every discrete algorithm and the probability of evidence
// refuse a table with NaN, an infinite or a negative entry, naming the node and the entry; a column whose
// sum is off 1 is used scaled, with a warning; columns that sum to 1 within the consistency tolerance are
// taken as they are, subnormal ones as zero columns. What an update hands back is checked too: numbers
// that are not finite and undefined equation values are refused by name, never reported as results.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/table_check.h"
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

TEST(TableCheck, ColumnsOffOneAreUsedScaledInEveryTableKind) {
    // A root, and a child of a, of each kind whose table the check reads; a noisy-MAX node's parameters
    // (leak row last) give its table. x's beliefs are the mean of its columns scaled, a being uniform.
    struct Case {
        int type;
        bool child;
        std::vector<double> entries;
        const char* columns;  // nullptr: no warning
    };
    const Case cases[] = {
        {DefinitionType::kCpt, false, {0.5, 0.6}, "column 0 (sum 1.1) does"},
        {DefinitionType::kCpt, false, {0.5, 0.500004}, nullptr},
        {DefinitionType::kCpt, false, {0.5, 0.50001}, "column 0 (sum 1.00001) does"},
        {DefinitionType::kNoisyMax, true, {0.7, 0.6, 0, 1, 0.7, 0.6}, "columns 0 (sum 1.69), 1 (sum 1.3) do"},
    };
    for (const Case& c : cases) {
        errorLog.Flush();
        TestNetwork t;
        const int a = t.Add("a");
        const int x = t.Add("x", 2, c.type);
        if (c.child) t.Arc(a, x);
        t.Table(x, c.entries);
        const std::vector<double> stored = Entries(t.Definition(x));
        std::vector<double> beliefs(2, 0.0);
        const double share = 2.0 / static_cast<double>(stored.size());
        for (size_t i = 0; i < stored.size(); i += 2) {
            const double sum = stored[i] + stored[i + 1];
            for (size_t k = 0; k < 2; ++k) beliefs[k] += share * stored[i + k] / (c.columns ? sum : 1.0);
        }
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << c.type;
        ExpectNear(t.Beliefs(x), beliefs, c.columns ? 1e-12 : 1e-5, std::to_string(c.type));
        const std::string warning =
            c.columns == nullptr ? std::string()
                                 : std::string(
                                       "ERROR: Node [x] is not consistent. Inference may not be correct: "
                                       "its table's ") +
                                       c.columns + " not sum to 1 and " +
                                       (c.columns[6] == 's' ? "are" : "is") + " used scaled to sum to 1";
        EXPECT_EQ(LastLogged(), warning) << c.type;
        EXPECT_EQ(errorLog.GetNumberOfEntries(), c.columns == nullptr ? 0 : 1) << c.type;
        EXPECT_EQ(Entries(t.Definition(x)), stored) << c.type;
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

TEST(TableCheck, ATableThatLeavesNoMassIsRefusedByNameInEveryAlgorithm) {
    // A root whose only column is zeros, and a child whose column of its certain parent's outcome is:
    // no algorithm has a distribution to update from, samplers included.
    struct Case {
        std::vector<double> root;
        std::vector<double> child;
        std::string message;
    };
    const std::string noMass =
        " of its table are all zero, so the network has no probability to update "
        "beliefs from";
    const Case cases[] = {
        {{0.0, 0.0}, {0.5, 0.5, 0.5, 0.5}, "ERROR: Node [a] : the probabilities of column 0" + noMass},
        {{1.0, 0.0},
         {0.0, 0.0, 0.5, 0.5},
         "ERROR: Node [b] : the probabilities of column 0 (a = State0)" + noMass},
    };
    for (const Case& c : cases) {
        TestNetwork t;
        const int a = t.Add("a");
        const int b = t.Add("b");
        t.Arc(a, b);
        t.Table(a, c.root);
        t.Table(b, c.child);
        for (int algorithm = 0; algorithm <= 12; ++algorithm) {
            errorLog.Flush();
            t.net.bnAlgorithm = algorithm;
            EXPECT_EQ(t.net.UpdateBeliefs(), kConflictingEvidence) << "algorithm " << algorithm;
            EXPECT_EQ(LastLogged(), c.message) << "algorithm " << algorithm;
            EXPECT_FALSE(t.Value(a)->IsUpToDate()) << "algorithm " << algorithm;
        }
    }
    errorLog.Flush();
}

TEST(TableCheck, AWorkingCopyReportsNoNodeTheCallReportedAlready) {
    // The copy's table of a differs (its arcs or outcomes may): a is still reported once.
    TestNetwork t;
    const int a = t.Add("a");
    t.Table(a, {0.5, 0.6});
    VRX_network copy(t.net);
    ASSERT_EQ(copy.GetNode(a)->GetDefinition()->SetDefinitionDoubles(Doubles({0.7, 0.6})), kSuccess);
    errorLog.Flush();
    {
        vovido::NoticeCall call;
        const vovido::ScaledTables caller(t.net);
        const vovido::ScaledTables working(copy);
    }
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{"ERROR: Node [a] is not consistent. Inference may not "
                                        "be correct: its table's column 0 (sum 1.1) does not "
                                        "sum to 1 and is used scaled to sum to 1"}));
    errorLog.Flush();
}

TEST(TableCheck, AFailedUpdateGivesItsCauseBeforeTheScaledColumns) {
    // A loop refused by polytree propagation, and a root whose column sums to 1.1.
    TestNetwork t;
    const int a = t.Add("a");
    const int b = t.Add("b");
    const int c = t.Add("c");
    const int d = t.Add("d");
    t.Arcs({{a, b}, {a, c}, {b, d}, {c, d}});
    t.Table(a, {0.5, 0.6});
    t.net.bnAlgorithm = 2;
    errorLog.Flush();
    {
        vovido::NoticeCall call;
        EXPECT_NE(call.Result(t.net.UpdateBeliefs()), kSuccess);
    }
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 2) << LogDump();
    EXPECT_EQ(std::string(errorLog.GetMessage(0)).find("PolyTree"), 0u) << LogDump();
    EXPECT_EQ(std::string(errorLog.GetMessage(1)).find("ERROR: Node [a] is not consistent."), 0u);
    errorLog.Flush();
}

TEST(UpdatedValues, ColumnsFarAboveOneAreScaledBeforeTheirProductsOverflow) {
    errorLog.Flush();
    TestNetwork t;
    const int a = t.Add("a");
    const int b = t.Add("b");
    const int c = t.Add("c");
    t.Arcs({{a, b}, {b, c}});
    t.Table(a, {1e306, 1e306});
    for (int h : {b, c}) t.Table(h, {1e306, 1e306, 1e306, 1e306});
    for (int algorithm = 0; algorithm <= 12; ++algorithm) {
        errorLog.Flush();
        t.net.bnAlgorithm = algorithm;
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << "algorithm " << algorithm;
        // b and c report alike: one entry, counted.
        ASSERT_EQ(errorLog.GetNumberOfEntries(), 2) << "algorithm " << algorithm;
        EXPECT_TRUE(std::string(errorLog.GetMessage(1)).find("(2 times, e.g. [b], [c])") != std::string::npos)
            << errorLog.GetMessage(1);
        for (int h : {a, b, c})
            ExpectNear(t.Beliefs(h), {0.5, 0.5}, 0.1, "algorithm " + std::to_string(algorithm));
    }
    t.net.bnAlgorithm = 0;
    t.Observe(c, 0);
    double p = 0.0;
    ASSERT_TRUE(t.net.CalcPropEvidence(&p, false));
    EXPECT_NEAR(p, 0.5, 1e-12);
    errorLog.Flush();
}

TEST(UpdatedValues, ADiagramSolvedOnAWorkingCopyNamesTheCallersNodes) {
    TestNetwork t;
    const int a = t.Add("a");
    const int b = t.Add("b");
    const int d = t.net.AddNode(DefinitionType::kList, "D");
    const int u = t.net.AddNode(DefinitionType::kTable, "U");
    t.Arcs({{a, b}, {b, u}, {d, u}});
    t.Table(b, {1e306, 1e306, 1e306, 1e306});
    t.Table(a, {std::nan(""), 1.0});
    for (int algorithm : {0, 1}) {
        errorLog.Flush();
        t.net.idAlgorithm = algorithm;
        EXPECT_EQ(t.net.UpdateBeliefs(), kObjectNotConsistent);
        EXPECT_EQ(LogDump(), "-568 ERROR: Node [a] : entry 0 of its table is not a number\n");
    }
    t.Table(a, {1e306, 1e306});
    for (int algorithm : {0, 1}) {
        errorLog.Flush();
        t.net.idAlgorithm = algorithm;
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
        EXPECT_EQ(
            LogDump(),
            "-568 ERROR: Node [a] is not consistent. Inference may not be correct: its table's column 0 (sum "
            "2e+306) does not sum to 1 and is used scaled to sum to 1\n"
            "-568 ERROR: Node [b] is not consistent. Inference may not be correct: its table's columns 0 "
            "(sum "
            "2e+306), 1 (sum 2e+306) do not sum to 1 and are used scaled to sum to 1\n");
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
