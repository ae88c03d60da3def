// Troubleshooting sessions on the reference networks: ranking, taking a result and ranking again, with
// the single-fault strengths checked against updates of the diagnosed network itself.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "inference/diag_engine.h"
#include "inference/diag_measures.h"
#include "inference/diag_session.h"
#include "model/node_definition.h"
#include "tests/support/arrays.h"
#include "tests/support/diagnosis_roles.h"
#include "tests/support/reference_networks.h"

namespace {

// The single-fault strength of test t for the fault, from updates of the network itself. Its join trees
// differ from those of the ranking (other targets), so the two agree to rounding, amplified where the
// fault's entropy is small.
double StrengthByUpdates(VRX_network& net, const vovido::DiagFault& fault, int t) {
    net.ClearAllTargets();
    EXPECT_EQ(net.SetTarget(fault.node), kSuccess);
    EXPECT_EQ(net.SetTarget(t), kSuccess);
    net.InvalidateValues();
    EXPECT_EQ(net.UpdateBeliefs(), kSuccess);
    const double h0 = vovido::BinaryEntropy(vovido::DiagBelief(net, fault.node, fault.outcome));
    std::vector<double> pt;
    const int outcomes = net.GetNode(t)->GetDefinition()->GetNumberOfOutcomes();
    for (int k = 0; k < outcomes; ++k) pt.push_back(vovido::DiagBelief(net, t, k));
    double h = 0.0;
    for (int k = 0; k < outcomes; ++k) {
        if (!(pt[k] > 0.0)) continue;
        EXPECT_EQ(net.GetNode(t)->GetValue()->SetEvidence(k), kSuccess);
        EXPECT_EQ(net.UpdateBeliefs(), kSuccess);
        h += pt[k] * vovido::BinaryEntropy(vovido::DiagBelief(net, fault.node, fault.outcome));
        EXPECT_EQ(net.GetNode(t)->GetValue()->ClearEvidence(), kSuccess);
    }
    return h0 > 0.0 ? std::fabs(h0 - h) / h0 : 0.0;
}

void ExpectRankedResults(const DiagSession& session) {
    ASSERT_EQ(session.GetResults().size(), static_cast<size_t>(session.GetUnperformedTests().GetCount()));
    for (size_t i = 0; i < session.GetResults().size(); ++i) {
        const TestResult& r = session.GetResults()[i];
        EXPECT_EQ(r.test, session.GetUnperformedTests()[static_cast<int>(i)]);
        EXPECT_TRUE(std::isfinite(r.strength) && std::isfinite(r.score)) << i;
    }
}

class DiagReference : public ::testing::TestWithParam<const char*> {};

TEST_P(DiagReference, RanksTakesResultsAndRanksAgain) {
    const std::string name = GetParam();
    VRX_network net;
    ASSERT_EQ(net.ReadFile(vovido::test::ReferencePath(name, ".xvrx").c_str()), kSuccess);
    ASSERT_TRUE(vovido::test::SetReferenceRoles(net, name, 6));
    DiagSession session;
    ASSERT_EQ(session.SetNetwork(&net), kSuccess);
    ASSERT_EQ(session.CollectFaultsAndObservations(), kSuccess);
    ASSERT_EQ(session.UpdateFaultBeliefs(), kSuccess);
    ASSERT_EQ(session.SetPursuedFault(session.FindMostLikelyFault()), kSuccess);
    ASSERT_EQ(session.GetUnperformedTests().GetCount(), 6);
    const vovido::DiagFault fault = session.GetFaults()[static_cast<size_t>(session.GetPursuedFault())];

    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(session.UpdateFaultBeliefs(), kSuccess);
        ASSERT_EQ(session.ComputeTestStrengths(0), kSuccess);
        ExpectRankedResults(session);
        const std::vector<TestResult> results = session.GetResults();
        size_t best = 0;
        for (size_t i = 0; i < results.size(); ++i) {
            EXPECT_NEAR(results[i].strength, StrengthByUpdates(net, fault, results[i].test), 1e-7)
                << name << " round " << round << " test " << results[i].test;
            if (results[i].score > results[best].score) best = i;
        }
        // The best test is performed with its likeliest outcome.
        const int t = results[best].test;
        int outcome = 0;
        const int outcomes = net.GetNode(t)->GetDefinition()->GetNumberOfOutcomes();
        for (int k = 1; k < outcomes; ++k) {
            if (vovido::DiagBelief(net, t, k) > vovido::DiagBelief(net, t, outcome)) outcome = k;
        }
        ASSERT_EQ(session.InstantiateObservation(t, outcome), kSuccess);
        EXPECT_FALSE(session.GetUnperformedTests().IsInList(t));
    }
    ASSERT_EQ(session.SetPursuedFaults(vovido::test::Ints({0, 1, 2})), kSuccess);
    for (int flags : {vovido::DiagMode::kMarginal, vovido::DiagMode::kConfigurationsIndependent,
                      vovido::DiagMode::kConfigurationsJoint | vovido::DiagMode::kExactlyOne}) {
        ASSERT_EQ(session.UpdateFaultBeliefs(), kSuccess);
        ASSERT_EQ(session.ComputeTestStrengths(flags), kSuccess) << flags;
        ExpectRankedResults(session);
    }
}

INSTANTIATE_TEST_SUITE_P(Networks, DiagReference, ::testing::Values("hepar2", "win95pts"));

}  // namespace
