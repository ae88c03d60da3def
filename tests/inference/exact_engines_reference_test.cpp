// The clique-tree engine (algorithm 10) and polytree propagation (algorithm 2, on the singly connected
// networks) against the exact references of the real networks: every posterior, and the probability of
// evidence by the chain rule, which runs the algorithm once per finding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "tests/support/reference_checks.h"
#include "tests/support/reference_networks.h"
#include "tests/support/sanitizer.h"

namespace {

using vovido::test::ReferenceCase;

constexpr double kTolerance = 1e-9;

// The instrumented build checks memory, not numbers: one case with evidence per network is enough.
const bool kOneCase = vovido::test::kUnderAddressSanitizer;

void ExpectCase(VRX_network& net, const ReferenceCase& item, double deviation) {
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess)
        << (errorLog.GetNumberOfEntries() > 0 ? errorLog.GetMessage(0) : "");
    // The references read rounded columns as they are; an update scales them.
    vovido::test::ExpectReferencePosteriors(net, item, kTolerance + deviation, true);
    if (::testing::Test::HasFatalFailure()) return;
    double pe = -1.0;
    ASSERT_TRUE(net.CalcPropEvidence(&pe, true));
    EXPECT_NEAR(pe, item.probabilityOfEvidence, (kTolerance + deviation) * item.probabilityOfEvidence);
}

class ExactEnginesReferenceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ExactEnginesReferenceTest, PosteriorsAndProbabilityOfEvidenceMatchTheReferences) {
    const std::string name = GetParam();
    VRX_network net;
    ASSERT_EQ(net.ReadFile(vovido::test::ReferencePath(name, ".xvrx").c_str()), kSuccess);
    std::vector<ReferenceCase> cases = vovido::test::ReadReferenceCases(name);
    ASSERT_GE(cases.size(), 2u);
    if (kOneCase) cases = {cases[1]};
    const double deviation = vovido::test::ColumnSumDeviation(net);
    const bool singlyConnected = net.IsSinglyConnected() == 1;

    for (int algorithm : {10, 2}) {
        if (algorithm == 2 && !singlyConnected) continue;
        net.SetBayesianAlgorithm(algorithm);
        for (const ReferenceCase& item : cases) {
            SCOPED_TRACE(name + " " + item.name + " algorithm " + std::to_string(algorithm));
            ASSERT_GE(item.probabilityOfEvidence, 0.0) << "no reference";
            ASSERT_TRUE(vovido::test::SetCaseEvidence(net, item));
            errorLog.Flush();
            ExpectCase(net, item, deviation);
            if (HasFatalFailure()) return;
        }
    }
    // The polytree refuses the others by name.
    if (!singlyConnected) {
        net.SetBayesianAlgorithm(2);
        errorLog.Flush();
        EXPECT_EQ(net.UpdateBeliefs(), kFailure);
        ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
        EXPECT_STREQ(
            errorLog.GetMessage(0),
            "PolyTree algorithm can not be applied to this network, because it is not singly connected.");
    }
}

INSTANTIATE_TEST_SUITE_P(Networks, ExactEnginesReferenceTest,
                         ::testing::ValuesIn(vovido::test::ReferenceNetworkNames()), vovido::test::ParamName);

}  // namespace
