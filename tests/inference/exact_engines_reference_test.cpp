// The clique-tree engine (algorithm 10) and polytree propagation (algorithm 2, on the singly connected
// networks) against the exact references of the real networks: every posterior, and the probability of
// evidence by the chain rule, which runs the algorithm once per finding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tests/support/reference_networks.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOVIDO_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VOVIDO_UNDER_ASAN 1
#endif

namespace {

using vovido::testing::ReferenceCase;

constexpr double kTolerance = 1e-9;

#ifdef VOVIDO_UNDER_ASAN
// The instrumented build checks memory, not numbers: one case with evidence per network is enough.
constexpr bool kOneCase = true;
#else
constexpr bool kOneCase = false;
#endif

void ExpectCase(VRX_network& net, const ReferenceCase& item, double deviation) {
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess)
        << (errorLog.GetNumberOfEntries() > 0 ? errorLog.GetMessage(0) : "");
    for (const vovido::testing::ReferencePosterior& posterior : item.posteriors) {
        const int handle = net.FindNode(posterior.node.c_str());
        ASSERT_GE(handle, 0) << posterior.node;
        VRX_Dmatrix* beliefs = nullptr;
        ASSERT_EQ(net.GetNode(handle)->GetValue()->GetValue(beliefs), kSuccess);
        ASSERT_EQ(beliefs->GetNumberOfElements(), static_cast<int>(posterior.outcomes.size()))
            << posterior.node;
        EXPECT_TRUE(net.GetNode(handle)->GetValue()->IsUpToDate()) << posterior.node;
        for (const auto& outcome : posterior.outcomes) {
            const int index = vovido::testing::OutcomeIndex(net, handle, outcome.first);
            ASSERT_GE(index, 0) << posterior.node << "=" << outcome.first;
            EXPECT_NEAR((*beliefs)[index], outcome.second, kTolerance)
                << posterior.node << "=" << outcome.first;
        }
    }
    double pe = -1.0;
    ASSERT_TRUE(net.CalcPropEvidence(&pe, true));
    EXPECT_NEAR(pe, item.probabilityOfEvidence, (kTolerance + deviation) * item.probabilityOfEvidence);
}

class ExactEnginesReferenceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ExactEnginesReferenceTest, PosteriorsAndProbabilityOfEvidenceMatchTheReferences) {
    const std::string name = GetParam();
    VRX_network net;
    ASSERT_EQ(net.ReadFile(vovido::testing::ReferencePath(name, ".xvrx").c_str()), kSuccess);
    std::vector<ReferenceCase> cases = vovido::testing::ReadReferenceCases(name);
    ASSERT_GE(cases.size(), 2u);
    if (kOneCase) cases = {cases[1]};
    const double deviation = vovido::testing::ColumnSumDeviation(net);
    const bool singlyConnected = net.IsSinglyConnected() == 1;

    for (int algorithm : {10, 2}) {
        if (algorithm == 2 && !singlyConnected) continue;
        net.SetBayesianAlgorithm(algorithm);
        for (const ReferenceCase& item : cases) {
            SCOPED_TRACE(name + " " + item.name + " algorithm " + std::to_string(algorithm));
            ASSERT_GE(item.probabilityOfEvidence, 0.0) << "no reference";
            ASSERT_EQ(static_cast<int>(item.posteriors.size()), net.GetNumberOfNodes());
            ASSERT_TRUE(vovido::testing::SetCaseEvidence(net, item));
            errorLog.Flush();
            ExpectCase(net, item, deviation);
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
                         ::testing::Values("asia", "child", "insurance", "water", "alarm", "hailfinder",
                                           "hepar2", "win95pts", "andes"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

}  // namespace
