// Likelihoods on a node whose outcome other evidence forces go with everything that clears evidence, so
// that the next query starts from the priors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/reference_networks.h"

namespace {

using namespace vovido::test;

using LikelihoodClearing = FreshLogTest<>;

bool HoldsLikelihood(const VRX_network& net, int h) {
    VRX_doubleArray kept;
    return net.GetNode(h)->GetValue()->GetVirtualEvidence(kept) == kSuccess;
}

double ProbabilityOfEvidence(VRX_network& net) {
    double p = -1.0;
    EXPECT_TRUE(net.CalcPropEvidence(&p, false)) << LogDump();
    return p;
}

// A = (0.3, 0.7) and B a copy of A: the finding B = b0 forces A = a0, beside which the likelihood
// (0.9, 0.1) on A stays. Clearing everything gives the priors and P(e) = 1; clearing A alone drops its
// likelihood and leaves it forced, P(e) = 0.3.
TEST_F(LikelihoodClearing, ALikelihoodBesideAForcedOutcomeGoesWithTheClearing) {
    struct Case {
        bool findingFirst;  // B takes the lower handle
        bool clearAll;      // ClearAllEvidence, else ClearEvidence on A
        std::vector<double> beliefsOfA;
        double pe;
    };
    const Case cases[] = {{false, true, {0.3, 0.7}, 1.0},
                          {true, true, {0.3, 0.7}, 1.0},
                          {false, false, {1.0, 0.0}, 0.3},
                          {true, false, {1.0, 0.0}, 0.3}};
    for (const Case& c : cases) {
        TestNetwork t(Notices::kOn);
        const int b = c.findingFirst ? t.Add("B") : -1;
        const int a = t.Add("A");
        const int child = b >= 0 ? b : t.Add("B");
        t.Arc(a, child);
        t.Table(a, {0.3, 0.7});
        t.Table(child, {1, 0, 0, 1});
        t.Observe(child, 0);
        ASSERT_EQ(t.Value(a)->SetVirtualEvidence(Doubles({0.9, 0.1})), kSuccess);
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << LogDump();
        if (c.clearAll) {
            ASSERT_EQ(t.net.ClearAllEvidence(), kSuccess);
        } else {
            ASSERT_EQ(t.Value(a)->ClearEvidence(), kSuccess);
        }
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << LogDump();
        EXPECT_FALSE(HoldsLikelihood(t.net, a)) << c.findingFirst << c.clearAll;
        ExpectNear(t.Beliefs(a), c.beliefsOfA, 1e-12);
        EXPECT_NEAR(ProbabilityOfEvidence(t.net), c.pe, 1e-12) << c.findingFirst << c.clearAll;
    }
}

// Hailfinder: MountainFcst = SIG and N34StarFcst = SVR force R5Fcst, which then takes a likelihood;
// after ClearAllEvidence an empty query answers as on the network just read.
TEST_F(LikelihoodClearing, AnEmptyQueryAfterClearingAnswersThePriors) {
    VRX_network fresh;
    VRX_network net;
    const std::string path = ReferencePath("hailfinder", ".net");
    ASSERT_EQ(fresh.ReadFile(path.c_str()), kSuccess) << LogDump();
    ASSERT_EQ(net.ReadFile(path.c_str()), kSuccess) << LogDump();
    ASSERT_EQ(fresh.UpdateBeliefs(), kSuccess) << LogDump();
    ReferenceCase findings;
    findings.evidence = {{"MountainFcst", "SIG"}, {"N34StarFcst", "SVR"}};
    ASSERT_TRUE(SetCaseEvidence(net, findings));
    const int forced = net.FindNode("R5Fcst");
    ASSERT_TRUE(net.GetNode(forced)->GetValue()->HasFlag(ValueFlags::kPropagatedEvidence));
    ASSERT_EQ(net.GetNode(forced)->GetValue()->SetVirtualEvidence(Doubles({0.7, 0.2, 0.1})), kSuccess);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    ASSERT_EQ(net.ClearAllEvidence(), kSuccess);
    EXPECT_NEAR(ProbabilityOfEvidence(net), 1.0, 1e-12);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    EXPECT_FALSE(HoldsLikelihood(net, forced));
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h))
        ExpectNear(Beliefs(net, h), Beliefs(fresh, h), 1e-12);
}

}  // namespace
