// Evidence that cannot be used is refused whatever the order of the calls that gave it, in networks and
// influence diagrams, naming the nodes the caller gave it on.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
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
#include "tests/support/influence_diagrams.h"
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

// The outcome of a likelihood of one zero and a finding, given in one order, on a copy of the network.
struct Answer {
    bool setRefused = false;
    int update = kSuccess;
    std::string cause;
    std::vector<std::vector<double>> beliefs;
};

Answer Answered(const VRX_network& net, int algorithm, int likelihoodNode, const std::vector<double>& weights,
                int findingNode, int outcome, bool likelihoodFirst) {
    VRX_network copy(net);
    copy.SetInfluenceDiagramAlgorithm(algorithm);
    const auto likelihood = [&] {
        return copy.GetNode(likelihoodNode)->GetValue()->SetVirtualEvidence(Doubles(weights));
    };
    const auto finding = [&] { return copy.GetNode(findingNode)->GetValue()->SetEvidence(outcome); };
    Answer answer;
    errorLog.Flush();
    const int first = likelihoodFirst ? likelihood() : finding();
    answer.setRefused = first != kSuccess || (likelihoodFirst ? finding() : likelihood()) != kSuccess;
    if (answer.setRefused) return answer;
    answer.update = copy.UpdateBeliefs();
    answer.cause = LoggedMessages().empty() ? std::string() : LoggedMessages().front();
    for (int h = copy.GetFirstNode(); answer.update == kSuccess && h >= 0; h = copy.GetNextNode(h))
        answer.beliefs.push_back(Beliefs(copy, h));
    return answer;
}

// Random diagrams, and the networks of their chance nodes, with deterministic columns: a likelihood that
// rules out an outcome and a finding, in either order, are answered alike or refused alike, for the same
// cause.
TEST_F(EvidenceRefusals, LikelihoodAndFindingAnswerAlikeInEitherOrder) {
    int refused = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        VRX_network net;
        const Diagram d = BuildRandomDiagram(net, rng, 3, 1 + static_cast<int>(seed % 2), 2);
        if (seed % 2 == 0) {
            for (const int h : d.utilities) ASSERT_EQ(net.DeleteNode(h), kSuccess);
            for (const int h : d.decisions) ASSERT_EQ(net.DeleteNode(h), kSuccess);
        }
        for (const int h : d.chance) {
            VRX_Dmatrix* table = nullptr;
            ASSERT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
            for (int c = 0; c < table->GetNumberOfElements(); c += 2) {
                if (rng() % 2 == 0) continue;
                const int one = static_cast<int>(rng() % 2);
                (*table)[c] = one;
                (*table)[c + 1] = 1 - one;
            }
        }
        const int likelihoodNode = d.chance[rng() % d.chance.size()];
        const int findingNode = d.chance[rng() % d.chance.size()];
        if (likelihoodNode == findingNode) continue;
        const std::vector<double> weights =
            rng() % 2 == 0 ? std::vector<double>{1, 0} : std::vector<double>{0, 1};
        const int outcome = static_cast<int>(rng() % 2);
        for (const int algorithm : {0, 1}) {
            const std::string where = "seed " + std::to_string(seed) + " solver " + std::to_string(algorithm);
            const Answer one = Answered(net, algorithm, likelihoodNode, weights, findingNode, outcome, true);
            const Answer other =
                Answered(net, algorithm, likelihoodNode, weights, findingNode, outcome, false);
            EXPECT_EQ(one.setRefused, other.setRefused) << where;
            EXPECT_EQ(one.update, other.update) << where;
            EXPECT_EQ(one.cause, other.cause) << where;
            refused += one.update != kSuccess;
            if (one.beliefs.size() == other.beliefs.size()) {
                for (size_t i = 0; i < one.beliefs.size(); ++i)
                    ExpectNear(one.beliefs[i], other.beliefs[i], 1e-9, where);
            }
        }
    }
    EXPECT_GT(refused, 50);
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
