// Evidence that cannot be used is refused whatever the order of the calls that gave it, in networks and
// influence diagrams, naming the nodes the caller gave it on.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/network_settings.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

using EvidenceRefusals = FreshLogTest<>;

// a = (0.5, 0.5) and b a copy of a; with a decision and a utility over b when `diagram`.
struct CopiedNode : TestNetwork {
    explicit CopiedNode(bool diagram) : TestNetwork(Notices::kOn) {
        a = Add("a");
        b = Add("b");
        Arc(a, b);
        Table(a, {0.5, 0.5});
        Table(b, {1, 0, 0, 1});
        if (!diagram) return;
        const int d = Add("d", 2, DefinitionType::kList);
        const int u = Add("u", 2, DefinitionType::kTable);
        Arcs({{d, u}, {b, u}});
        Table(u, {1, 2, 3, 4});
    }
    int a = -1;
    int b = -1;
};

// A likelihood on a that rules out the outcome a finding on b forces: both orders of the two calls are
// refused by the update, in the same words.
TEST_F(EvidenceRefusals, LikelihoodAndFindingThatConflictAreRefusedInEitherOrder) {
    struct Case {
        bool diagram;
        int solver;
    };
    const Case cases[] = {{false, 0},
                          {true, InfluenceDiagramAlgorithm::kPolicyEvaluation},
                          {true, InfluenceDiagramAlgorithm::kBestPolicy}};
    for (const Case& c : cases) {
        std::vector<std::string> causes;
        for (const bool likelihoodFirst : {true, false}) {
            CopiedNode t(c.diagram);
            t.net.SetInfluenceDiagramAlgorithm(c.solver);
            const auto likelihood = [&t] { return t.Value(t.a)->SetVirtualEvidence(Doubles({1, 0})); };
            const auto finding = [&t] { return t.Value(t.b)->SetEvidence(1); };
            ASSERT_EQ(likelihoodFirst ? likelihood() : finding(), kSuccess);
            ASSERT_EQ(likelihoodFirst ? finding() : likelihood(), kSuccess);
            errorLog.Flush();
            EXPECT_EQ(t.net.UpdateBeliefs(), kConflictingEvidence)
                << c.diagram << c.solver << likelihoodFirst;
            causes.push_back(LoggedMessages().empty() ? std::string() : LoggedMessages().front());
            // The likelihood outlives the finding that forced its node.
            ASSERT_EQ(t.Value(t.b)->ClearEvidence(), kSuccess);
            VRX_doubleArray kept;
            ASSERT_EQ(t.Value(t.a)->GetVirtualEvidence(kept), kSuccess);
            EXPECT_EQ(kept[0], 1.0);
            EXPECT_EQ(t.net.UpdateBeliefs(), kSuccess) << LogDump();
        }
        EXPECT_EQ(causes[0], causes[1]) << c.diagram << c.solver;
        EXPECT_EQ(causes[0].rfind("Evidence is impossible", 0), 0u) << causes[0];
    }
}

// Weights that are no likelihoods are refused naming the node and why; the node keeps what it had.
TEST_F(EvidenceRefusals, WeightsThatAreNoLikelihoodsAreRefusedNamingTheNode) {
    struct Case {
        std::vector<double> weights;
        const char* cause;
    };
    const Case cases[] = {
        {{0, 0}, "its likelihoods are all zero, so no outcome could give the evidence"},
        {{NAN, 1}, "likelihood 0 is nan, not a finite number of at least 0"},
        {{1, -0.5}, "likelihood 1 is -0.5, not a finite number of at least 0"},
        {{1, 1, 1}, "3 likelihoods given for its 2 outcomes"},
    };
    for (const Case& c : cases) {
        CopiedNode t(false);
        ASSERT_EQ(t.Value(t.a)->SetVirtualEvidence(Doubles({0.25, 0.75})), kSuccess);
        errorLog.Flush();
        EXPECT_EQ(t.Value(t.a)->SetVirtualEvidence(Doubles(c.weights)), kOutOfRange);
        EXPECT_EQ(LogDump(), "-2 ERROR: Node [a] : " + std::string(c.cause) + "\n");
        VRX_doubleArray kept;
        ASSERT_EQ(t.Value(t.a)->GetVirtualEvidence(kept), kSuccess);
        EXPECT_EQ(kept[1], 0.75);
    }
}

// A finding that forces another node into an outcome of probability zero names that node and the finding.
TEST_F(EvidenceRefusals, FindingThatForcesAnImpossibleOutcomeIsNamed) {
    TestNetwork t(Notices::kOn);
    const int c0 = t.Add("c0");
    const int c1 = t.Add("c1");
    t.Arc(c0, c1);
    t.Table(c0, {1, 0});
    t.Table(c1, {1, 0, 0, 1});
    ASSERT_EQ(t.Value(c1)->SetEvidence(1), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(t.net.UpdateBeliefs(), kConflictingEvidence);
    EXPECT_EQ(
        LogDump(),
        "-26 Evidence is impossible: it has probability zero at node [c0], given the evidence on [c1].\n");
}

}  // namespace
