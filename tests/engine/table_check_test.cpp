// Broken probability tables give no beliefs: every discrete algorithm and the probability of evidence
// refuse a table with NaN, an infinite or a negative entry, naming the node and the entry; a column whose
// sum is off 1 is used scaled, with a warning, and one of zeros uniform, with a warning; columns that sum
// to 1 within the consistency tolerance are used scaled silently, so that beliefs sum to 1. What an update
// hands back is checked too: numbers that are not finite and undefined equation values are refused by name,
// never reported as results.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/table_check.h"
#include "tests/support/brute_force.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"
#include "tests/support/networks.h"
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
        // The setters refuse entries that are no finite number: those reach the table through its matrix.
        t.RawTable(b, broken.entries);
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

// Algorithms whose beliefs are exact on a network without loops.
bool ExactOnATree(int algorithm) {
    return algorithm == 0 || algorithm == 2 || algorithm >= 9;
}

// Every belief of every node lies in [0, 1], each node's summing to 1 within 1e-12.
void ExpectDistributions(const TestNetwork& t, const std::string& where) {
    for (int h : t.Handles()) {
        double sum = 0.0;
        for (double p : t.Beliefs(h)) {
            EXPECT_TRUE(p >= 0.0 && p <= 1.0) << where << ": " << p;
            sum += p;
        }
        EXPECT_NEAR(sum, 1.0, 1e-12) << where << ", node " << h;
    }
}

TEST(TableCheck, RoundedColumnsGiveBeliefsSummingToOneInEveryAlgorithm) {
    // A lone root, and a child whose column under a0 is rounded: every column is used scaled exactly
    // (silently, being within the consistency tolerance), and the child's column leaves its parent's
    // marginal alone.
    struct Case {
        std::vector<double> root;
        std::vector<double> child;
    };
    const Case cases[] = {
        {{0.499998, 0.499998}, {0.5, 0.5, 0.5, 0.5}},
        {{0.5, 0.5000002}, {0.5, 0.5, 0.5, 0.5}},
        {{0.5, 0.5}, {0.3, 0.700004, 0.6, 0.4}},
    };
    for (const Case& c : cases) {
        TestNetwork t;
        const int a = t.Add("a");
        const int b = t.Add("b");
        t.Arc(a, b);
        t.Table(a, c.root);
        t.Table(b, c.child);
        // Samplers within 0.06 by far.
        t.net.numSamples = 40000;
        const double rootSum = c.root[0] + c.root[1];
        const std::vector<double> pa = {c.root[0] / rootSum, c.root[1] / rootSum};
        std::vector<double> pb(2, 0.0);
        for (int x = 0; x < 2; ++x) {
            const double sum = c.child[2 * x] + c.child[2 * x + 1];
            for (int y = 0; y < 2; ++y) pb[y] += pa[x] * c.child[2 * x + y] / sum;
        }
        for (int algorithm = 0; algorithm <= 12; ++algorithm) {
            const std::string where =
                "root " + std::to_string(c.root[1]) + ", algorithm " + std::to_string(algorithm);
            errorLog.Flush();
            t.net.bnAlgorithm = algorithm;
            ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << where << LogDump();
            EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << where << LogDump();
            ExpectDistributions(t, where);
            const double tolerance = ExactOnATree(algorithm) ? 1e-12 : 0.06;
            ExpectNear(t.Beliefs(a), pa, tolerance, where);
            ExpectNear(t.Beliefs(b), pb, tolerance, where);
        }
        EXPECT_EQ(Entries(t.Definition(a)), c.root);
        EXPECT_EQ(Entries(t.Definition(b)), c.child);
    }
    errorLog.Flush();
}

TEST(TableCheck, ARoundedRootGivesBeliefsSummingToOneInEveryRoute) {
    // The lone rounded root beside a decision and a utility (an influence diagram), and a hybrid network's
    // discrete node of rounded weights beside an observed continuous node (the hybrid algorithms).
    struct Route {
        const char* what;
        bool diagram;
        int algorithm;
    };
    const Route routes[] = {{"policy evaluation", true, 0},
                            {"hybrid", false, 13},
                            {"hybrid", false, 14},
                            {"hybrid", false, 15},
                            {"hybrid", false, 16}};
    for (const Route& route : routes) {
        const std::string where = route.what + std::string(", algorithm ") + std::to_string(route.algorithm);
        errorLog.Flush();
        TestNetwork t;
        t.net.numSamples = 40000;  // the hybrid samplers within 0.05 by far
        int root = -1;
        if (route.diagram) {
            root = t.Add("root");
            t.Table(root, {0.499998, 0.499998});
            const int d = t.net.AddNode(DefinitionType::kList, "D");
            const int u = t.net.AddNode(DefinitionType::kTable, "U");
            t.Arcs({{d, u}, {root, u}});
            t.net.idAlgorithm = route.algorithm;
        } else {
            root = AddDiscreteNode(t.net, "root", {"0.499998", "0.499998"});
            ASSERT_GE(root, 0) << where;
            ASSERT_GE(AddDistributionNode(t.net, "X", {"Normal(0, 1)"}), 0) << where;
            ASSERT_EQ(Observe(t.net, "X", 0.5), kSuccess) << where;
            t.net.hybridAlgorithm = route.algorithm;
        }
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << where << LogDump();
        EXPECT_TRUE(t.Value(root)->IsUpToDate()) << where;
        const std::vector<double> beliefs = t.Beliefs(root);
        ASSERT_EQ(beliefs.size(), 2u) << where;
        EXPECT_NEAR(beliefs[0] + beliefs[1], 1.0, 1e-12) << where;
        ExpectNear(beliefs, {0.5, 0.5}, route.diagram ? 1e-12 : 0.05, where);
    }
    errorLog.Flush();
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
            for (size_t k = 0; k < 2; ++k) beliefs[k] += share * stored[i + k] / sum;
        }
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << c.type;
        ExpectNear(t.Beliefs(x), beliefs, 1e-12, std::to_string(c.type));
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

// Each item once with Asia's loop and once without.
template <typename Item, size_t N>
std::vector<std::pair<Item, bool>> WithAndWithoutLoop(const Item (&items)[N]) {
    std::vector<std::pair<Item, bool>> pairs;
    for (const bool tree : {false, true}) {
        for (const Item& item : items) pairs.emplace_back(item, tree);
    }
    return pairs;
}

TEST(TableCheck, AColumnOfZerosIsUsedAsUniformByEveryAlgorithm) {
    // Asia with xray's column under either = yes all zero, and a lone root of zeros: each is used as
    // uniform (a column of a subnormal sum scaled), the stored numbers kept, with one warning naming the
    // node and column. The answers are those of the network with uniform columns.
    struct Case {
        const char* what;
        std::vector<double> xray;
        std::vector<double> root;
        int either;  // observed outcome, or -1
        std::string warning;
    };
    const std::string inconsistent = " is not consistent. Inference may not be correct: its table's ";
    const Case cases[] = {
        {"zeros, either = yes",
         {0, 0, 0.05, 0.95},
         {0.5, 0.5},
         0,
         "ERROR: Node [xray]" + inconsistent + "column 0 is all zero, used as uniform"},
        {"zeros, no evidence",
         {0, 0, 0.05, 0.95},
         {0.5, 0.5},
         -1,
         "ERROR: Node [xray]" + inconsistent + "column 0 is all zero, used as uniform"},
        // A positive sum, however small, is scaled: (1e-320, 0) is used as (1, 0).
        {"subnormal sum",
         {1e-320, 0, 0.05, 0.95},
         {0.5, 0.5},
         0,
         "ERROR: Node [xray]" + inconsistent +
             "column 0 (sum 9.999888672e-321) does not sum to 1 and is used scaled to sum to 1"},
        {"lone root",
         {0.98, 0.02, 0.05, 0.95},
         {0, 0},
         0,
         "ERROR: Node [lone]" + inconsistent + "column 0 is all zero, used as uniform"},
    };
    for (const auto& [c, tree] : WithAndWithoutLoop(cases)) {
        Asia asia;
        Asia uniform;
        for (Asia* net : {&asia, &uniform}) {
            // Without the arc from bronc to dysp Asia has no loop, for the polytree algorithm.
            if (tree) {
                EXPECT_EQ(net->t.net.RemoveArc(net->bronc, net->dysp), kSuccess);
            }
            const int lone = net->t.Add("lone");
            net->t.Table(lone, net == &asia ? c.root : std::vector<double>{0.5, 0.5});
            if (c.either >= 0) net->t.Observe(net->either, c.either);
        }
        asia.t.Table(asia.xray, c.xray);
        // Enough samples for rejection sampling under evidence of probability 0.06.
        asia.t.net.numSamples = 40000;
        std::vector<double> used = c.xray;
        if (used[0] + used[1] == 0.0) used[0] = used[1] = 0.5;
        if (used[0] + used[1] < 1e-300) used[0] = 1.0;
        uniform.t.Table(uniform.xray, used);
        const Reference reference = Enumerate(uniform.t.net);
        for (int algorithm = 0; algorithm <= 12; ++algorithm) {
            if (algorithm == 2 && !tree) continue;
            const std::string where =
                std::string(c.what) + (tree ? ", no loop" : "") + ", algorithm " + std::to_string(algorithm);
            errorLog.Flush();
            asia.t.net.bnAlgorithm = algorithm;
            ASSERT_EQ(asia.t.net.UpdateBeliefs(), kSuccess) << where << LogDump();
            EXPECT_EQ(LoggedMessages(), std::vector<std::string>{c.warning}) << where;
            ExpectDistributions(asia.t, where);
            // Samplers and loopy propagation within their noise.
            const bool exact = algorithm == 0 || algorithm == 2 || algorithm >= 10;
            for (int h : asia.t.Handles())
                ExpectNear(asia.t.Beliefs(h), reference.beliefs[static_cast<size_t>(h)], exact ? 1e-12 : 0.06,
                           where + ", node " + std::to_string(h));
        }
        EXPECT_EQ(Entries(asia.t.Definition(asia.xray)), c.xray) << c.what;
        if (c.either < 0 || tree) continue;
        asia.t.net.bnAlgorithm = 0;
        for (const bool chainRule : {false, true}) {
            double p = 0.0;
            ASSERT_TRUE(asia.t.net.CalcPropEvidence(&p, chainRule)) << c.what << LogDump();
            EXPECT_NEAR(p, reference.probEvidence, 1e-12) << c.what;
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
    t.RawTable(a, {std::nan(""), 1.0});
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
    // counts as true in a condition. An infinite value is refused as well, with its own cause.
    const std::pair<const char*, double> cases[] = {
        {"x = Fact(1e308)", NAN},           {"x = GCD(1e300, 3)", NAN},
        {"x = Multinomial(-1, 2)", NAN},    {"x = 0/0", NAN},
        {"x = Fact(1e308)*1e300+1", NAN},   {"x = -Max(Fact(1e308), 3)", NAN},
        {"x = If(Fact(1e308), 1, 2)", NAN}, {"x = Normal(Fact(1e308), 1)", NAN},
        {"x = If(0/0, 1, 2)", 1.0},         {"x = 1/0", INFINITY},
        {"x = -Exp(1000)", INFINITY}};
    for (const auto& [equation, value] : cases) {
        errorLog.Flush();
        VRX_network net;
        const int x = AddEquation(net, "x", equation);
        ASSERT_GE(x, 0) << equation;
        if (std::isnan(value)) {
            EXPECT_EQ(net.UpdateBeliefs(), kOutOfRange) << equation;
            EXPECT_TRUE(Logged(kOutOfRange, "ERROR: Node [x] : its value is undefined")) << equation;
            EXPECT_FALSE(net.GetNode(x)->GetValue()->IsUpToDate()) << equation;
        } else if (std::isinf(value)) {
            EXPECT_EQ(net.UpdateBeliefs(), kOutOfRange) << equation;
            EXPECT_TRUE(Logged(kOutOfRange, "ERROR: Node [x] : its value is not finite")) << equation;
            EXPECT_FALSE(net.GetNode(x)->GetValue()->IsUpToDate()) << equation;
        } else {
            ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << equation;
            EXPECT_EQ(ValueOf(net, x).GetMean(), value) << equation;
        }
    }
    errorLog.Flush();
}

}  // namespace
