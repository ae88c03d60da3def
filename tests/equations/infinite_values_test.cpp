// A value beyond the doubles is no answer: an equation that overflows (Exp(1000)), or whose draws spread
// beyond the doubles (Exp of a wide Normal), is refused naming the node, alone, with a child, with
// evidence on the child or elsewhere, and in a hybrid network; a large finite value is answered.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"
#include "model/network_settings.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/hybrid_networks.h"

namespace {

using namespace vovido::test;

struct InfiniteCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    const char* refusal;  // the whole entry, or the part before the cause; null: answered
    double mean = 0.0;    // of X where answered
};

std::function<void(VRX_network&)> Equations(std::vector<std::string> equations,
                                            const char* observed = nullptr, double v = 0.0) {
    return [=](VRX_network& n) {
        for (const std::string& e : equations)
            ASSERT_GE(AddEquation(n, e.substr(0, 1).c_str(), e.c_str()), 0);
        EXPECT_EQ(observed == nullptr ? kSuccess : ValueOf(n, n.FindNode(observed)).SetContEvidence(v),
                  kSuccess);
    };
}

// X = Exp(Normal(0, 200)) given X + Normal(0, 1) = 5, by quadrature (the mass below 1e-9 is negligible).
double ObservedWideMean() {
    double mean = 0.0, deviation = 0.0;
    ByQuadrature(
        [](double x) { return LogLognormalDensity(x, 0.0, 200.0) + LogNormalDensity(5.0 - x, 0.0, 1.0); },
        1e-9, 14.0, mean, deviation);
    return mean;
}

const char* const kInfinite = "ERROR: Node [X] : its value is not finite";
const char* const kWide = "ERROR: Node [X] : ";  // its value, or the spread of its values, is not finite

const InfiniteCase kCases[] = {
    {"overflow", Equations({"X = Exp(1000)"}), kInfinite},
    {"negative overflow", Equations({"X = -Exp(1000)"}), kInfinite},
    {"overflow with a child", Equations({"X = Exp(1000)", "Y = X + Normal(0, 1)"}), kInfinite},
    {"overflow, child observed", Equations({"X = Exp(1000)", "Y = X + Normal(0, 1)"}, "Y", 1.0), kInfinite},
    {"wide draws", Equations({"X = Exp(Normal(0, 200))"}), kWide},
    {"wide draws, evidence elsewhere",
     Equations({"X = Exp(Normal(0, 200))", "Z = Normal(0, 1)", "Y = Z + Normal(0, 1)"}, "Y", 1.0), kWide},
    {"wide draws in a hybrid network",
     [](VRX_network& n) {
         ASSERT_GE(AddDistributionNode(n, "Z", {"Normal(0, 200)"}), 0);
         ASSERT_GE(AddEquationNode(n, "X", "Exp(Z)", {"Z"}), 0);
     },
     kWide},
    {"large but finite", Equations({"X = Exp(700)"}), nullptr, std::exp(700.0)},
    // The evidence keeps the wide draws to a few units.
    {"wide draws, child observed", Equations({"X = Exp(Normal(0, 200))", "Y = X + Normal(0, 1)"}, "Y", 5.0),
     nullptr, ObservedWideMean()},
};

class InfiniteValues : public FreshLogTest<::testing::TestWithParam<int>> {};

TEST_P(InfiniteValues, AreRefusedNamingTheNode) {
    const InfiniteCase& c = kCases[GetParam()];
    for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
        SCOPED_TRACE(std::string(c.name) + ", algorithm " + std::to_string(algorithm));
        VRX_network net;
        c.build(net);
        const int rc = UpdateHybrid(net, algorithm, 5000, 2);
        if (c.refusal == nullptr) {
            ASSERT_EQ(rc, kSuccess) << LogDump();
            EXPECT_NEAR(MomentsOf(net, net.FindNode("X")).mean, c.mean, 0.25 + 1e-12 * c.mean);
            continue;
        }
        EXPECT_NE(rc, kSuccess);
        ASSERT_EQ(errorLog.GetNumberOfEntries(), 1) << LogDump();
        const std::string logged = MessageAt(0);
        EXPECT_EQ(logged.rfind(c.refusal, 0), 0u) << logged;
        EXPECT_NE(logged.find("not finite"), std::string::npos) << logged;
        EXPECT_FALSE(net.GetNode(net.FindNode("X"))->GetValue()->IsUpToDate());
    }
}

INSTANTIATE_TEST_SUITE_P(Overflow, InfiniteValues,
                         ::testing::Range(0, static_cast<int>(sizeof kCases / sizeof kCases[0])));

}  // namespace
