// What an update hands back: numbers that are not finite, and equation values that are undefined, are
// refused by name whatever the algorithm, never reported as results.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/support/equation_networks.h"
#include "tests/support/networks.h"

namespace {

std::string LastMessage() {
    const int n = errorLog.GetNumberOfEntries();
    return n > 0 ? errorLog.GetMessage(n - 1) : "";
}

TEST(UpdatedValuesTest, EntriesThatOverflowGiveNoBeliefsAndNoProbabilityOfEvidence) {
    vovido::test::TestNetwork t;
    const int a = t.Add("a");
    const int b = t.Add("b");
    const int c = t.Add("c");
    t.Arcs({{a, b}, {b, c}});
    t.Table(a, {1e306, 1e306});
    t.Table(b, {1e306, 1e306, 1e306, 1e306});
    t.Table(c, {1e306, 1e306, 1e306, 1e306});
    for (int algorithm = 0; algorithm <= 12; ++algorithm) {
        t.net.bnAlgorithm = algorithm;
        if (t.net.UpdateBeliefs() != kSuccess) continue;
        for (int h : {a, b, c}) {
            for (double p : t.Beliefs(h)) EXPECT_TRUE(std::isfinite(p)) << "algorithm " << algorithm;
        }
    }
    errorLog.Flush();
    t.net.bnAlgorithm = 10;
    EXPECT_EQ(t.net.UpdateBeliefs(), kObjectNotConsistent);
    EXPECT_EQ(LastMessage(), "ERROR: Node [a] : its beliefs are not finite numbers");
    EXPECT_FALSE(t.Value(a)->IsUpToDate());
    t.Observe(c, 0);
    double p = 0.0;
    EXPECT_FALSE(t.net.CalcPropEvidence(&p, false));
    EXPECT_EQ(LastMessage(), "ERROR: Node [c] : the probability of its evidence is not a finite number");
    errorLog.Flush();
}

TEST(UpdatedValuesTest, UndefinedEquationValuesAreRefusedByName) {
    // The marker of an undefined result stays undefined through arithmetic, calls and conditions.
    const char* undefined[] = {"x = Fact(1e308)",           "x = GCD(1e300, 3)",
                               "x = Multinomial(-1, 2)",    "x = 0/0",
                               "x = Fact(1e308)*1e300+1",   "x = -Max(Fact(1e308), 3)",
                               "x = If(Fact(1e308), 1, 2)", "x = Normal(Fact(1e308), 1)"};
    for (const char* equation : undefined) {
        SCOPED_TRACE(equation);
        errorLog.Flush();
        VRX_network net;
        const int x = vovido::testing::AddEquation(net, "x", equation);
        ASSERT_GE(x, 0);
        EXPECT_EQ(net.UpdateBeliefs(), kOutOfRange);
        EXPECT_EQ(LastMessage(), "ERROR: Node [x] : its value is undefined");
        EXPECT_FALSE(net.GetNode(x)->GetValue()->IsUpToDate());
    }
    // NaN counts as true in a condition, and an infinite value is a value.
    const std::vector<std::pair<const char*, double>> defined = {{"x = If(0/0, 1, 2)", 1.0},
                                                                 {"x = 1/0", INFINITY}};
    for (const auto& [equation, value] : defined) {
        VRX_network net;
        const int x = vovido::testing::AddEquation(net, "x", equation);
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << equation;
        EXPECT_EQ(vovido::testing::ValueOf(net, x).GetMean(), value) << equation;
    }
    errorLog.Flush();
}

}  // namespace
