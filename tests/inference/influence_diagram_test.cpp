// Influence-diagram solvers: the oil wildcatter by hand, small random diagrams against every policy,
// messages and refusals, and the caller's network left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <utility>

#include "base/error_log.h"
#include "base/number_text.h"
#include "definitions/mau.h"
#include "inference/id_best_policy.h"
#include "inference/id_policy_evaluation.h"
#include "inference/table_check.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/influence_diagrams.h"
#include "tests/support/save_failure.h"

namespace {

using namespace vovido::test;

std::vector<double> ValueOf(VRX_network& net, const char* id) {
    VRX_Dmatrix* m = nullptr;
    EXPECT_EQ(net.GetNode(net.FindNode(id))->GetValue()->GetValue(m), kSuccess);
    return Entries(*m);
}

int Solve(VRX_network& net, int algorithm) {
    net.SetInfluenceDiagramAlgorithm(algorithm);
    return net.UpdateBeliefs();
}

// The structure and evidence of a network, to check that a solver left them alone.
std::vector<std::vector<int>> Shape(const VRX_network& net) {
    std::vector<std::vector<int>> shape;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        std::vector<int> row{h, net.GetNodeType(h), net.GetNode(h)->GetValue()->GetEvidence()};
        const VRX_intArray& parents = net.GetParents(h);
        for (int k = 0; k < parents.GetCount(); k++) row.push_back(parents[k]);
        shape.push_back(row);
    }
    return shape;
}

void ExpectWildcatterSolved(VRX_network& net) {
    const auto before = Shape(net);
    errorLog.Flush();
    ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
    EXPECT_EQ(Shape(net), before);
    ExpectNear(ValueOf(net, "Test"), {22.5, 20.0});
    // Drill by (Test, Seismic): total utility, test cost included.
    ExpectNear(ValueOf(net, "Drill"), {21 / 0.24 - 10, -10, 11.5 / 0.35 - 10, -10, -12.5 / 0.41 - 10, -10,  //
                                       20, 0, 20, 0, 20, 0});
    ExpectNear(ValueOf(net, "Seismic"), {0.24, 0.35, 0.41, 1.0 / 3, 1.0 / 3, 1.0 / 3});
    // Oil given (Test, Seismic): the first row is (yes, closed).
    const std::vector<double> oil = ValueOf(net, "Oil");
    ASSERT_EQ(oil.size(), 18u);
    ExpectNear({oil[0], oil[1], oil[2]}, {0.05 / 0.24, 0.09 / 0.24, 0.1 / 0.24});
    ExpectNear(ValueOf(net, "TestCost"), {-10, 0});
    const std::vector<double> payoff = ValueOf(net, "Payoff");
    ASSERT_EQ(payoff.size(), 12u);
    EXPECT_NEAR(payoff[0], 21 / 0.24, 1e-9);
    EXPECT_TRUE(net.GetNode(net.FindNode("Test"))->GetValue()->IsUpToDate());
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
}

// Also with change notices off: the working copy's own notices find what depends on what.
TEST(PolicyEvaluation, WildcatterTestsThenDrillsUnlessDiffuse) {
    for (const bool notices : {true, false}) {
        SCOPED_TRACE(notices);
        VRX_network net;
        BuildWildcatter(net);
        if (!notices) net.propagationFlags &= ~PropagationFlags::kNotices;
        ExpectWildcatterSolved(net);
    }
}

TEST(PolicyEvaluation, ObservedDecisionKeepsItsEvidence) {
    VRX_network net;
    BuildWildcatter(net);
    ASSERT_EQ(net.GetNode(net.FindNode("Test"))->GetValue()->SetEvidence(1), kSuccess);
    ASSERT_EQ(Solve(net, 0), kSuccess);
    EXPECT_EQ(net.GetNode(net.FindNode("Test"))->GetValue()->GetEvidence(), 1);
    // Without a test the seismic result is noise: drilling is worth 20 whatever it says.
    ExpectNear(ValueOf(net, "Drill"), {20, 0, 20, 0, 20, 0});
}

TEST(BestPolicy, WildcatterChoosesToTestAndFollowsTheResult) {
    VRX_network net;
    BuildWildcatter(net);
    const auto before = Shape(net);
    ASSERT_EQ(Solve(net, 1), kSuccess) << LogDump();
    EXPECT_EQ(Shape(net), before);
    EXPECT_EQ(ValueOf(net, "Test"), (std::vector<double>{1, 0}));

    const int test = net.FindNode("Test");
    const int seismic = net.FindNode("Seismic");
    ASSERT_EQ(net.GetNode(test)->GetValue()->SetEvidence(0), kSuccess);
    for (int result : {0, 1, 2}) {
        ASSERT_EQ(net.GetNode(seismic)->GetValue()->SetEvidence(result), kSuccess);
        ASSERT_EQ(Solve(net, 1), kSuccess) << LogDump();
        EXPECT_EQ(ValueOf(net, "Drill"),
                  (std::vector<double>{result == 2 ? 0.0 : 1.0, result == 2 ? 1.0 : 0.0}))
            << result;
    }
}

// The best policy computes no chance beliefs: they are reported out of date, never as a stale or empty
// vector; the first open decision's choice is.
TEST(BestPolicy, ChanceNodesAreLeftOutOfDate) {
    VRX_network net;
    BuildWildcatter(net);
    ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
    ASSERT_TRUE(net.GetNode(net.FindNode("Oil"))->GetValue()->IsUpToDate());
    ASSERT_EQ(Solve(net, 1), kSuccess) << LogDump();
    for (const char* id : {"Oil", "Seismic"})
        EXPECT_FALSE(net.GetNode(net.FindNode(id))->GetValue()->IsUpToDate()) << id;
    EXPECT_TRUE(net.GetNode(net.FindNode("Test"))->GetValue()->IsUpToDate());
}

// Algorithm 1's choice for every decision and configuration of its parents, each solved with the
// parents observed; a configuration that the evidence rules out is refused and takes choice 0.
Policy BestPolicyChoices(const VRX_network& net, const Diagram& d, bool ruledOut = false) {
    Policy policy;
    const std::vector<int> rows = PolicyRows(net, d);
    for (size_t k = 0; k < d.decisions.size(); k++) {
        const VRX_intArray& parents = net.GetParents(d.decisions[k]);
        policy.emplace_back();
        for (int r = 0; r < rows[k]; r++) {
            VRX_network observed(net);
            for (int p = parents.GetCount() - 1, rest = r; p >= 0; p--) {
                const int n = observed.GetNode(parents[p])->GetDefinition()->GetNumberOfOutcomes();
                EXPECT_EQ(observed.GetNode(parents[p])->GetValue()->SetEvidence(rest % n), kSuccess);
                rest /= n;
            }
            const int rc = Solve(observed, 1);
            if (ruledOut && rc == kConflictingEvidence) {
                policy.back().push_back(0);
                continue;
            }
            EXPECT_EQ(rc, kSuccess) << LogDump();
            const std::vector<double> choice = ValueOf(observed, net.GetNode(d.decisions[k])->GetId());
            policy.back().push_back(
                static_cast<int>(std::find(choice.begin(), choice.end(), 1.0) - choice.begin()));
        }
    }
    return policy;
}

// With the first decision's parents observed, algorithm 1 recommends a choice of largest expected
// utility by algorithm 0.
void ExpectBestFirstChoice(const VRX_network& net, const Diagram& d) {
    const char* first = net.GetNode(d.decisions[0])->GetId();
    VRX_network evaluated(net);
    VRX_network solved(net);
    for (VRX_network* copy : {&evaluated, &solved}) {
        const VRX_intArray& parents = copy->GetParents(d.decisions[0]);
        for (int k = 0; k < parents.GetCount(); k++)
            ASSERT_EQ(copy->GetNode(parents[k])->GetValue()->SetEvidence(0), kSuccess);
    }
    ASSERT_EQ(Solve(evaluated, 0), kSuccess) << LogDump();
    ASSERT_EQ(Solve(solved, 1), kSuccess) << LogDump();
    const std::vector<double> eu = ValueOf(evaluated, first);
    const std::vector<double> choice = ValueOf(solved, first);
    const size_t best = static_cast<size_t>(std::find(choice.begin(), choice.end(), 1.0) - choice.begin());
    ASSERT_LT(best, eu.size());
    EXPECT_GE(eu[best], *std::max_element(eu.begin(), eu.end()) - 1e-9);
}

// With the first decision taken and nothing else observed, the second knows what holds no evidence.
// Algorithm 1 answers exactly when one of its choices is best in every row of its worths by algorithm 0
// (whose rows cover the unknowns it depends on), and then with such a choice. Counts the answers and
// the refusals.
void ExpectAnsweredUnlessTheUnknownDecides(const VRX_network& net, const Diagram& d, int (&outcomes)[2]) {
    VRX_network taken(net);
    ASSERT_EQ(taken.GetNode(d.decisions[0])->GetValue()->SetEvidence(0), kSuccess);
    VRX_network evaluated(taken);
    ASSERT_EQ(Solve(evaluated, 0), kSuccess) << LogDump();
    const char* second = net.GetNode(d.decisions[1])->GetId();
    const std::vector<double> eu = ValueOf(evaluated, second);
    const size_t n = static_cast<size_t>(net.GetNode(d.decisions[1])->GetDefinition()->GetNumberOfOutcomes());
    std::vector<char> everywhere(n, 1);
    for (size_t r = 0; r + n <= eu.size(); r += n) {
        if (eu[r] == kUndefinedValue) continue;
        const double top =
            *std::max_element(eu.begin() + static_cast<long>(r), eu.begin() + static_cast<long>(r + n));
        for (size_t k = 0; k < n; k++)
            everywhere[k] = everywhere[k] && eu[r + k] >= top - 1e-9 * std::fabs(top);
    }
    errorLog.Flush();
    const int rc = Solve(taken, 1);
    if (std::find(everywhere.begin(), everywhere.end(), 1) == everywhere.end()) {
        EXPECT_EQ(rc, kOutOfRange);
        EXPECT_TRUE(Logged(kOutOfRange, "Can't solve this network using best policy algorithm")) << LogDump();
        outcomes[1]++;
        return;
    }
    ASSERT_EQ(rc, kSuccess) << LogDump();
    outcomes[0]++;
    const std::vector<double> choice = ValueOf(taken, second);
    EXPECT_TRUE(
        everywhere[static_cast<size_t>(std::find(choice.begin(), choice.end(), 1.0) - choice.begin())]);
}

// Against every policy of decisions that remember all they knew; diagrams whose later decisions observe
// only part of it too.
TEST(InfluenceDiagrams, RandomDiagramsAgreeWithEveryPolicyTried) {
    int enumerated = 0;
    int answeredRefused[2] = {0, 0};
    for (unsigned seed = 1; seed <= 200; seed++) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        VRX_network net;
        const Recall recall = seed <= 8    ? Recall::kEverything
                              : seed <= 40 ? Recall::kAssumedOrder
                                           : Recall::kForgetful;
        const int decisions = recall == Recall::kForgetful ? 2 + static_cast<int>(seed % 3)
                              : seed % 3 == 0              ? 1
                                                           : 2;
        const auto d = BuildRandomDiagram(net, rng, 3, decisions, 2, recall);
        ExpectBestFirstChoice(net, d);
        if (decisions > 1) ExpectAnsweredUnlessTheUnknownDecides(net, d, answeredRefused);
        PolicyEvaluator evaluator;
        ASSERT_EQ(evaluator.Run(net), kSuccess) << LogDump();
        // After the run: the order assumed is part of what every policy sees.
        VRX_network remembering(net);
        AddNoForgettingArcs(remembering, d);
        const std::vector<int> rows = PolicyRows(remembering, d);
        if (std::accumulate(rows.begin(), rows.end(), 0) > 12) continue;
        enumerated++;
        const double meu = BruteForceMeu(remembering, d);
        EXPECT_NEAR(evaluator.GetMaximumExpectedUtility(), meu, 1e-9);
        // Each decision observing all it knew, algorithm 1's choices make a best policy.
        if (recall != Recall::kForgetful) {
            EXPECT_NEAR(PolicyUtility(net, d, BestPolicyChoices(net, d)), meu, 1e-9);
        }
    }
    EXPECT_GT(enumerated, 80);
    EXPECT_GT(answeredRefused[0], 100);
    EXPECT_GT(answeredRefused[1], 10);
}

// Likelihoods on the chance nodes above the decisions, c0 (which every decision observes) among them,
// weigh the scenarios of both solvers as they weigh every policy tried; on a node no decision observes
// they tie its parents (seed 1161: c2 under c0 and c1 makes the utility of c1 depend on c0).
TEST(InfluenceDiagrams, LikelihoodsAgreeWithEveryPolicyTried) {
    int weighed = 0;
    for (unsigned seed = 1101; seed <= 1260; seed++) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        VRX_network net;
        const Recall recall = seed % 2 == 0 ? Recall::kEverything : Recall::kAssumedOrder;
        const int chance = 3 + static_cast<int>(seed % 3);
        const auto d = BuildRandomDiagram(net, rng, chance, 1 + static_cast<int>(seed % 3), 2, recall);
        Likelihoods likelihoods(static_cast<size_t>(net.GetNumberOfSlots()));
        std::uniform_real_distribution<double> u(0.05, 1.0);
        for (int i = 0; i < chance; i++) {
            if (i > 0 && u(rng) < 0.5) continue;
            const int h = d.chance[static_cast<size_t>(i)];
            likelihoods[static_cast<size_t>(h)] = {u(rng), u(rng)};
            ASSERT_EQ(
                net.GetNode(h)->GetValue()->SetVirtualEvidence(Doubles(likelihoods[static_cast<size_t>(h)])),
                kSuccess);
        }
        PolicyEvaluator evaluator;
        ASSERT_EQ(evaluator.Run(net), kSuccess) << LogDump();
        VRX_network remembering(net);
        AddNoForgettingArcs(remembering, d);
        const std::vector<int> rows = PolicyRows(remembering, d);
        if (std::accumulate(rows.begin(), rows.end(), 0) > 12) continue;
        weighed++;
        const double meu = BruteForceMeu(remembering, d, likelihoods);
        EXPECT_NEAR(evaluator.GetMaximumExpectedUtility(), meu, 1e-9);
        EXPECT_NEAR(PolicyUtility(net, d, BestPolicyChoices(net, d), likelihoods), meu, 1e-9);
    }
    EXPECT_GT(weighed, 100);
}

// Likelihoods of zero on the chance nodes above the decisions (every table is positive): the expected
// utilities agree with every policy tried, and a decision's row is undefined exactly where the likelihoods
// rule out the outcome of one of its indexing chance nodes.
TEST(InfluenceDiagrams, ZeroLikelihoodsRuleOutRows) {
    int undefined = 0;
    for (unsigned seed = 1301; seed <= 1400; seed++) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        VRX_network net;
        const auto d = BuildRandomDiagram(net, rng, 3, 1 + static_cast<int>(seed % 2), 2,
                                          seed % 2 == 0 ? Recall::kEverything : Recall::kAssumedOrder);
        Likelihoods likelihoods(static_cast<size_t>(net.GetNumberOfSlots()));
        std::uniform_real_distribution<double> u(0.05, 1.0);
        for (int i = 0; i < 3; i++) {
            const int h = d.chance[static_cast<size_t>(i)];
            std::vector<double>& weights = likelihoods[static_cast<size_t>(h)];
            weights = {u(rng), u(rng)};
            if (u(rng) < 0.5) weights[static_cast<size_t>(rng() % 2)] = 0.0;
            ASSERT_EQ(net.GetNode(h)->GetValue()->SetVirtualEvidence(Doubles(weights)), kSuccess);
        }
        PolicyEvaluator evaluator;
        ASSERT_EQ(evaluator.Run(net), kSuccess) << LogDump();
        for (int h : d.decisions) {
            const VRX_nodeValue* value = net.GetNode(h)->GetValue();
            const VRX_intArray& parents = value->GetIndexingParents();
            const std::vector<double> eu = ValueOf(net, net.GetNode(h)->GetId());
            for (size_t cell = 0; cell < eu.size(); cell += 2) {
                bool possible = true;
                for (int k = parents.GetCount() - 1, rest = static_cast<int>(cell / 2); k >= 0;
                     k--, rest /= 2) {
                    const std::vector<double>& weights = likelihoods[static_cast<size_t>(parents[k])];
                    possible = possible && (weights.empty() || weights[static_cast<size_t>(rest % 2)] > 0.0);
                }
                undefined += !possible;
                EXPECT_EQ(eu[cell] == kUndefinedValue, !possible) << net.GetNode(h)->GetId() << " " << cell;
            }
        }
        VRX_network remembering(net);
        AddNoForgettingArcs(remembering, d);
        const double meu = BruteForceMeu(remembering, d, likelihoods);
        EXPECT_NEAR(evaluator.GetMaximumExpectedUtility(), meu, 1e-9);
        EXPECT_NEAR(PolicyUtility(net, d, BestPolicyChoices(net, d, true), likelihoods), meu, 1e-9);
    }
    EXPECT_GT(undefined, 20);
}

// The largest expected utility over the policies of the open decisions (of a diagram whose decisions
// after d0 observe what those before them did), d0 taken at `taken` and the first open decision d1 held
// at `first` (-1: free).
double BestWithFirstTaken(const VRX_network& knowing, const Diagram& d, int taken, int first) {
    const std::vector<int> rows = PolicyRows(knowing, d);
    Policy policy;
    for (size_t k = 0; k < rows.size(); k++) {
        const int fixed = k == 0 ? taken : k == 1 ? first : -1;
        policy.emplace_back(static_cast<size_t>(rows[k]), std::max(fixed, 0));
    }
    double best = -1e300;
    for (;;) {
        best = std::max(best, PolicyUtility(knowing, d, policy));
        size_t k = first >= 0 ? 2 : 1;
        size_t r = 0;
        for (;;) {
            if (k == policy.size()) return best;
            if (++policy[k][r] < 2) break;
            policy[k][r] = 0;
            if (++r == policy[k].size()) {
                r = 0;
                k++;
            }
        }
    }
}

// With d0 taken, what it observed is known to the open decisions (no forgetting), entered or not: the first
// open decision is answered where one choice of it earns the most whatever that turns out to be, and
// refused, naming who observed what, where none does.
TEST(BestPolicy, ATakenDecisionsObservationsAreKnown) {
    // C -> D1 -> D2, U(C, D2), P(C) = (0.4, 0.6), D1 taken. With D2 = C best, C decides; with D2 = 0
    // best for both C, it does not.
    for (const bool decides : {true, false}) {
        VRX_network net;
        AddNode(net, DefinitionType::kCpt, "C", {});
        ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(Doubles({0.4, 0.6})), kSuccess);
        AddNode(net, DefinitionType::kList, "D1", {"C"});
        AddNode(net, DefinitionType::kList, "D2", {"D1"});
        AddNode(net, DefinitionType::kTable, "U", {"C", "D2"});
        SetUtilities(net, "U", decides ? std::vector<double>{10, 0, 0, 10} : std::vector<double>{1, 0, 9, 1});
        ASSERT_EQ(net.GetNode(net.FindNode("D1"))->GetValue()->SetEvidence(0), kSuccess);
        errorLog.Flush();
        if (!decides) {
            ASSERT_EQ(Solve(net, 1), kSuccess) << LogDump();
            EXPECT_EQ(ValueOf(net, "D2"), (std::vector<double>{1, 0}));
            continue;
        }
        EXPECT_EQ(Solve(net, 1), kOutOfRange);
        EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{
                                        "Decision [D2]: its best choice depends on [C], which decision [D1] "
                                        "observed when it was taken; entering its evidence answers",
                                        "Can't solve this network using best policy algorithm"}));
        ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
        EXPECT_EQ(IndexingIds(net, "D2"), (std::vector<std::string>{"C"}));
        ExpectNear(ValueOf(net, "D2"), {10, 0, 0, 10});
        ASSERT_EQ(net.GetNode(net.FindNode("C"))->GetValue()->SetEvidence(1), kSuccess);
        ASSERT_EQ(Solve(net, 1), kSuccess) << LogDump();
        EXPECT_EQ(ValueOf(net, "D2"), (std::vector<double>{0, 1}));
    }
    int answeredRefused[2] = {0, 0};
    int namingTaken = 0;
    for (unsigned seed = 1; seed <= 240; seed++) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        VRX_network net;
        const Recall recall = seed % 3 == 0   ? Recall::kEverything
                              : seed % 3 == 1 ? Recall::kAssumedOrder
                                              : Recall::kForgetful;
        const auto d = BuildRandomDiagram(net, rng, 3, 2 + static_cast<int>(seed % 2), 2, recall);
        const int taken = static_cast<int>(seed / 3 % 2);
        ASSERT_EQ(net.GetNode(d.decisions[0])->GetValue()->SetEvidence(taken), kSuccess);
        // d0 also saw c1, which no later decision observes.
        if (net.AreAdjacent(d.chance[1], d.decisions[0]) != 1) {
            ASSERT_EQ(net.AddArc(d.chance[1], d.decisions[0]), kSuccess);
        }
        errorLog.Flush();
        const int rc = Solve(net, 1);
        ASSERT_TRUE(rc == kSuccess || rc == kOutOfRange) << LogDump();
        VRX_network knowing(net);
        AddNoForgettingArcs(knowing, d);
        const std::vector<int> rows = PolicyRows(knowing, d);
        if (std::accumulate(rows.begin() + 1, rows.end(), 0) > 10) continue;
        const double meu = BestWithFirstTaken(knowing, d, taken, -1);
        const double worth[2] = {BestWithFirstTaken(knowing, d, taken, 0),
                                 BestWithFirstTaken(knowing, d, taken, 1)};
        answeredRefused[rc == kSuccess ? 0 : 1]++;
        if (rc == kSuccess) {
            const std::vector<double> choice = ValueOf(net, net.GetNode(d.decisions[1])->GetId());
            EXPECT_NEAR(worth[choice[0] == 1.0 ? 0 : 1], meu, 1e-9);
        } else {
            EXPECT_LT(std::max(worth[0], worth[1]), meu - 1e-9) << LogDump();
            const std::vector<std::string> logged = LoggedMessages();
            ASSERT_GE(logged.size(), 2u);
            EXPECT_EQ(logged[0].rfind("Decision [d1]: its best choice depends on [", 0), 0u) << logged[0];
            EXPECT_EQ(logged[1], "Can't solve this network using best policy algorithm");
            namingTaken +=
                logged[0].find("which decision [d0] observed when it was taken") != std::string::npos;
        }
    }
    EXPECT_GT(answeredRefused[0], 50);
    EXPECT_GT(answeredRefused[1], 15);
    EXPECT_GT(namingTaken, 4);
}

// D2, O (observed before D2) and D2's effect E reach no utility.
void BuildIrrelevant(VRX_network& net) {
    AddNode(net, DefinitionType::kList, "D1", {});
    AddNode(net, DefinitionType::kTable, "U", {"D1"});
    SetUtilities(net, "U", {0, 5});
    AddNode(net, DefinitionType::kCpt, "O", {});
    AddNode(net, DefinitionType::kList, "D2", {"O"});
    AddNode(net, DefinitionType::kCpt, "E", {"D2"});
    ASSERT_EQ(Def(net, "E").SetDefinitionDoubles(Doubles({0.9, 0.1, 0.1, 0.9})), kSuccess);
}

// D1 -> D2 -> D3 with U(D1, D3): D2 passes nothing on, yet D3 is taken knowing D1.
void BuildRemembered(VRX_network& net) {
    AddNode(net, DefinitionType::kList, "D1", {});
    AddNode(net, DefinitionType::kList, "D2", {"D1"});
    AddNode(net, DefinitionType::kList, "D3", {"D2"});
    AddNode(net, DefinitionType::kTable, "U", {"D1", "D3"});
    SetUtilities(net, "U", {10.9, 1, -0.1, 10});
}

// d0 only steers what d1 sees: e0 is likely 0 after d0 = 0 (then d1 = 0 earns 10) and likely 1 after
// d0 = 1 (then d1 = 1 earns 4).
void BuildSteering(VRX_network& net) {
    AddNode(net, DefinitionType::kList, "d0", {});
    AddNode(net, DefinitionType::kCpt, "e0", {"d0"});
    ASSERT_EQ(Def(net, "e0").SetDefinitionDoubles(Doubles({0.9, 0.1, 0.2, 0.8})), kSuccess);
    AddNode(net, DefinitionType::kList, "d1", {"e0"});
    AddNode(net, DefinitionType::kTable, "U", {"e0", "d1"});
    SetUtilities(net, "U", {10, 0, 0, 4});
}

// Each value is indexed by the scenario nodes it depends on, and the diagram is updated once per
// combination of those (and once per combination of what each observation depends on).
TEST(PolicyEvaluation, ValuesAreIndexedByWhatTheyDependOn) {
    using Indexing = std::vector<std::pair<const char*, std::vector<std::string>>>;
    struct Case {
        const char* name;
        void (*build)(VRX_network&);
        Indexing indexing;
        long long updates;
    };
    const Case cases[] = {
        // Test is seen through Seismic, so Payoff depends on it; TestCost on Test alone.
        {"wildcatter",
         BuildWildcatter,
         {{"Test", {}},
          {"Seismic", {"Test"}},
          {"Drill", {"Test", "Seismic"}},
          {"Oil", {"Test", "Seismic"}},
          {"TestCost", {"Test"}},
          {"Payoff", {"Test", "Seismic", "Drill"}}},
         12 + 2},
        {"notices off",
         [](VRX_network& net) {
             BuildWildcatter(net);
             net.propagationFlags &= ~PropagationFlags::kNotices;
         },
         {{"Test", {}}, {"Drill", {"Test", "Seismic"}}, {"Payoff", {"Test", "Seismic", "Drill"}}},
         12 + 2},
        // D2 is indexed as a decision is, though no scenario varies it; E is not indexed by it.
        {"irrelevant", BuildIrrelevant, {{"U", {"D1"}}, {"D1", {}}, {"O", {}}, {"D2", {"D1"}}, {"E", {}}}, 2},
        {"remembered", BuildRemembered, {{"D1", {}}, {"D2", {"D1"}}, {"D3", {"D1"}}, {"U", {"D1", "D3"}}}, 4},
        {"steering",
         BuildSteering,
         {{"d0", {}}, {"e0", {"d0"}}, {"d1", {"d0", "e0"}}, {"U", {"e0", "d1"}}},
         4 + 2},
    };
    for (const Case& c : cases) {
        VRX_network net;
        c.build(net);
        PolicyEvaluator evaluator;
        ASSERT_EQ(evaluator.Run(net), kSuccess) << c.name << LogDump();
        for (const auto& [id, expected] : c.indexing)
            EXPECT_EQ(IndexingIds(net, id), expected) << c.name << " " << id;
        EXPECT_EQ(evaluator.GetNumberOfUpdates(), c.updates) << c.name;
    }
}

TEST(PolicyEvaluation, IrrelevantAndSteeringDecisions) {
    VRX_network net;
    BuildIrrelevant(net);
    ASSERT_EQ(Solve(net, 0), kSuccess);
    ExpectNear(ValueOf(net, "D1"), {0, 5});
    // Every choice of a decision that nothing depends on is worth what the choices before it leave; a
    // chance node under it averages over its choices.
    ExpectNear(ValueOf(net, "D2"), {0, 0, 5, 5});
    EXPECT_TRUE(net.GetNode(net.FindNode("D2"))->GetValue()->IsUpToDate());
    ExpectNear(ValueOf(net, "E"), {0.5, 0.5});

    VRX_network remembered;
    BuildRemembered(remembered);
    ASSERT_EQ(Solve(remembered, 0), kSuccess) << LogDump();
    ExpectNear(ValueOf(remembered, "D1"), {10.9, 10});
    ExpectNear(ValueOf(remembered, "D2"), {10.9, 10.9, 10, 10});
    ASSERT_EQ(Solve(remembered, 1), kSuccess) << LogDump();
    EXPECT_EQ(ValueOf(remembered, "D1"), (std::vector<double>{1, 0}));
    // What D3 remembers stays in the working copy.
    EXPECT_EQ(remembered.AreAdjacent(remembered.FindNode("D1"), remembered.FindNode("D3")), 0);

    VRX_network steer;
    BuildSteering(steer);
    ASSERT_EQ(Solve(steer, 0), kSuccess) << LogDump();
    ExpectNear(ValueOf(steer, "d0"), {0.9 * 10 + 0.1 * 4, 0.2 * 10 + 0.8 * 4});
    ExpectNear(ValueOf(steer, "d1"), {10, 0, 0, 4, 10, 0, 0, 4});
    ASSERT_EQ(Solve(steer, 1), kSuccess) << LogDump();
    EXPECT_EQ(ValueOf(steer, "d0"), (std::vector<double>{1, 0}));
}

// Decisions and observations that bear on no utility add no update: one for the test, one per
// combination of the test and its result for the drilling.
TEST(BestPolicy, InformationThatCannotMatterCostsNothing) {
    for (const int k : {0, 3}) {
        VRX_network net;
        BuildWildcatter(net);
        AddIrrelevantInformation(net, k);
        BestPolicySolver solver;
        ASSERT_EQ(solver.Run(net), kSuccess) << k << LogDump();
        EXPECT_EQ(ValueOf(net, "Test"), (std::vector<double>{1, 0})) << k;
        // One propagation per decision, whatever its table's rows.
        EXPECT_EQ(solver.GetNumberOfUpdates(), 2) << k;
    }
}

// The worth of the test choice in the wildcatter with k own utilities, by enumerating the seismic result
// and every c_j: the drilling (worth 0 when not drilling) takes the larger of its two worths in each.
double WildcatterWorthByEnumeration(int test, int k) {
    const double oil[3] = {0.5, 0.3, 0.2};
    const double seismic[3][3] = {{0.1, 0.3, 0.6}, {0.3, 0.4, 0.3}, {0.5, 0.4, 0.1}};
    const double payoff[3] = {-70, 50, 200};
    double worth = test == 0 ? -10 : 0;
    int configurations = 1;
    for (int j = 0; j < k; j++) configurations *= 3;
    for (int result = 0; result < 3; result++) {
        double p = 0.0;
        double drilled = 0.0;
        for (int o = 0; o < 3; o++) {
            const double q = oil[o] * (test == 0 ? seismic[o][result] : 1.0 / 3);
            p += q;
            drilled += q * payoff[o];
        }
        for (int c = 0; c < configurations; c++) {
            double pc = 1.0;
            double own = 0.0;
            for (int j = 0, rest = c; j < k; j++, rest /= 3) {
                const int x = rest % 3;
                pc *= x == 0 ? 0.2 : x == 1 ? 0.3 : 0.5;
                own += x == 0 ? -20 : x == 1 ? 5 : 30.0 + j;
            }
            worth += pc * std::max(drilled + p * own, 0.0);
        }
    }
    return worth;
}

// Every row of a decision's table from one propagation: the test's choice agrees with algorithm 0's worths,
// and so does the drilling's choice in every row of what it observes once the test is made.
TEST(BestPolicy, EveryRowFromOnePropagationAgreesWithPolicyEvaluation) {
    for (const int k : {3, 4, 5}) {
        SCOPED_TRACE(k);
        VRX_network net;
        BuildWildcatter(net);
        AddOwnUtilities(net, k);
        VRX_network evaluated(net);
        ASSERT_EQ(Solve(evaluated, 0), kSuccess) << LogDump();
        const std::vector<double> test = ValueOf(evaluated, "Test");
        BestPolicySolver solver;
        ASSERT_EQ(solver.Run(net), kSuccess) << LogDump();
        EXPECT_EQ(solver.GetNumberOfUpdates(), 2);
        ExpectNear(test, {WildcatterWorthByEnumeration(0, k), WildcatterWorthByEnumeration(1, k)});
        EXPECT_EQ(ValueOf(net, "Test"),
                  (std::vector<double>{test[0] >= test[1] ? 1.0 : 0.0, test[0] >= test[1] ? 0.0 : 1.0}));
    }
    VRX_network net;
    BuildWildcatter(net);
    AddOwnUtilities(net, 3);
    ASSERT_EQ(net.GetNode(net.FindNode("Test"))->GetValue()->SetEvidence(0), kSuccess);
    VRX_network evaluated(net);
    ASSERT_EQ(Solve(evaluated, 0), kSuccess) << LogDump();
    ASSERT_EQ(IndexingIds(evaluated, "Drill"), (std::vector<std::string>{"Seismic", "c0", "c1", "c2"}));
    const std::vector<double> drill = ValueOf(evaluated, "Drill");
    ASSERT_EQ(drill.size(), 2u * 81);
    for (int row = 0; row < 81; row++) {
        VRX_network observed(net);
        for (int p = 3, rest = row; p >= 0; p--, rest /= 3) {
            const std::string name = p == 0 ? "Seismic" : "c" + std::to_string(p - 1);
            ASSERT_EQ(observed.GetNode(observed.FindNode(name.c_str()))->GetValue()->SetEvidence(rest % 3),
                      kSuccess);
        }
        ASSERT_EQ(Solve(observed, 1), kSuccess) << row << LogDump();
        const bool yes = drill[2 * static_cast<size_t>(row)] >= drill[2 * static_cast<size_t>(row) + 1];
        EXPECT_EQ(ValueOf(observed, "Drill"), (std::vector<double>{yes ? 1.0 : 0.0, yes ? 0.0 : 1.0})) << row;
    }
}

// Eleven observations that matter (some 30 s of updates): policy evaluation refuses at once, naming the
// decision that sees them; the best-policy solver answers with one propagation per decision.
TEST(BestPolicy, ElevenObservationsAreAnsweredWherePolicyEvaluationRefuses) {
    VRX_network net;
    BuildWildcatter(net);
    AddOwnUtilities(net, 11);
    errorLog.Flush();
    PolicyEvaluator evaluator;
    EXPECT_EQ(evaluator.Run(net), kOutOfMemory);
    EXPECT_EQ(evaluator.GetNumberOfUpdates(), 0);
    EXPECT_TRUE(Logged(kOutOfMemory,
                       "ERROR: Node [Drill] : its decisions and observations make 2125764 scenarios, "
                       "each a belief update of 28 nodes with tables of 206 cells (work of 1804 cells: "
                       "the tree and the entries walked, down to one for every 4 where its nodes' tables "
                       "stay within the caches, the table cells over 16, 64 a node and 64 a node "
                       "of the tree), past the limit of 1610612736 cells"))
        << LogDump();
    BestPolicySolver solver;
    ASSERT_EQ(solver.Run(net), kSuccess) << LogDump();
    EXPECT_EQ(solver.GetNumberOfUpdates(), 2);
    const bool test = WildcatterWorthByEnumeration(0, 11) >= WildcatterWorthByEnumeration(1, 11);
    EXPECT_EQ(ValueOf(net, "Test"), (std::vector<double>{test ? 1.0 : 0.0, test ? 0.0 : 1.0}));
}

// Nine observations: some 3.4 s of updates (236,199 over a join tree of 12 entries), within the limit; nine
// times the updates are not.
TEST(PolicyEvaluation, UpdatesOfSecondsAreWithinTheLimit) {
    VRX_network net;
    BuildWildcatter(net);
    AddOwnUtilities(net, 9);
    std::vector<int> sequence{net.FindNode("Test"), net.FindNode("Seismic")};
    for (int j = 0; j < 9; j++) sequence.push_back(net.FindNode(("c" + std::to_string(j)).c_str()));
    sequence.push_back(net.FindNode("Drill"));
    const std::vector<int> sizes{2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2};
    vovido::ScenarioWork known;
    known.joinTree = true;
    known.treeEntries = 12;
    known.treeNodes = 3;
    known.passEntries = 40;
    known.updates = 236199;
    EXPECT_EQ(vovido::CheckScenarioCount(net, sequence, sizes, known), kSuccess) << LogDump();
    known.updates *= 9;
    errorLog.Flush();
    EXPECT_EQ(vovido::CheckScenarioCount(net, sequence, sizes, known), kOutOfMemory);
    EXPECT_TRUE(LoggedPart("(2125791 belief updates in all)")) << LogDump();
}

// A diagram built by `build` and the best choice of its decision under best policy.
struct ChoiceCase {
    const char* name;
    void (*build)(VRX_network&);
    std::vector<double> choice;
};

template <size_t N>
void ExpectBestChoices(const ChoiceCase (&cases)[N], const char* decision) {
    for (const ChoiceCase& c : cases) {
        VRX_network net;
        c.build(net);
        errorLog.Flush();
        ASSERT_EQ(Solve(net, 1), kSuccess) << c.name << LogDump();
        EXPECT_EQ(ValueOf(net, decision), c.choice) << c.name;
    }
}

// A refusal names the decision and the unknown nodes whose outcomes change its best choice, each alone.
// O -> D, O -> C, D -> C, U(D, C) = -50 10 -50 20, the finding C = 1, and O = `o` unless negative:
// P(C = 1 | O, D) is 0.9 where D = O, else 0.1.
void BuildFindingBelow(VRX_network& net, int o) {
    AddNode(net, DefinitionType::kCpt, "O", {});
    AddNode(net, DefinitionType::kList, "D", {"O"});
    AddNode(net, DefinitionType::kCpt, "C", {"O", "D"});
    ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(Doubles({0.1, 0.9, 0.9, 0.1, 0.9, 0.1, 0.1, 0.9})),
              kSuccess);
    AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
    SetUtilities(net, "U", {-50, 10, -50, 20});
    ASSERT_EQ(net.GetNode(net.FindNode("C"))->GetValue()->SetEvidence(1), kSuccess);
    if (o >= 0) {
        ASSERT_EQ(net.GetNode(net.FindNode("O"))->GetValue()->SetEvidence(o), kSuccess);
    }
}

// With a finding below the decision, each choice is worth the finding's probability under it times the
// expected utility given the finding less the least utility: with O known, P(C = 1 | D) x (U - -50) is
// 54 against 7 for O = 0 and 6 against 63 for O = 1; with P(C = 1 | D) = 0.9, 0.1 and U(D, C = 1) = 10,
// 50 (the least), 0 against 4 though the utilities weighed by the finding's probability give 9 against 5.
TEST(BestPolicy, AFindingBelowWeighsEachChoiceByItsLikelihood) {
    const ChoiceCase cases[] = {
        {"O = 0", [](VRX_network& net) { BuildFindingBelow(net, 0); }, {1, 0}},
        {"O = 1", [](VRX_network& net) { BuildFindingBelow(net, 1); }, {0, 1}},
        {"least utility",
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D", {});
             AddNode(net, DefinitionType::kCpt, "C", {"D"});
             ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(Doubles({0.1, 0.9, 0.9, 0.1})), kSuccess);
             AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
             SetUtilities(net, "U", {20, 10, 20, 50});
             ASSERT_EQ(net.GetNode(net.FindNode("C"))->GetValue()->SetEvidence(1), kSuccess);
         },
         {0, 1}},
    };
    ExpectBestChoices(cases, "D");
}

TEST(BestPolicy, RefusalNamesTheUnknownThatDecides) {
    struct Case {
        const char* name;
        void (*build)(VRX_network&);
        const char* message;
    };
    const Case cases[] = {
        {"unobserved parent",
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kCpt, "C", {});
             AddNode(net, DefinitionType::kList, "D", {"C"});
             AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
             SetUtilities(net, "U", {10, 0, 0, 10});
         },
         "Decision [D]: its best choice depends on [C], which it observes; entering its evidence answers"},
        {"tested, result unknown",
         [](VRX_network& net) {
             BuildWildcatter(net);
             ASSERT_EQ(net.GetNode(net.FindNode("Test"))->GetValue()->SetEvidence(0), kSuccess);
         },
         "Decision [Drill]: its best choice depends on [Seismic], which it observes; entering its evidence "
         "answers"},
        // Y changes the worth of both choices alike; X alone changes the best one.
        {"one of two decides",
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kCpt, "X", {});
             AddNode(net, DefinitionType::kCpt, "Y", {});
             AddNode(net, DefinitionType::kList, "D", {"X", "Y"});
             AddNode(net, DefinitionType::kTable, "U", {"D", "X", "Y"});
             SetUtilities(net, "U", {10, 15, 0, 5, 5, 10, 5, 10});
         },
         "Decision [D]: its best choice depends on [X], which it observes; entering its evidence answers"},
        {"both decide",
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kCpt, "X", {});
             AddNode(net, DefinitionType::kCpt, "Y", {});
             AddNode(net, DefinitionType::kList, "D", {"X", "Y"});
             AddNode(net, DefinitionType::kTable, "U", {"D", "X", "Y"});
             SetUtilities(net, "U", {10, 0, 0, 10, 0, 10, 10, 0});
         },
         "Decision [D]: its best choice depends on [X] and [Y], which it observes; entering their evidence "
         "answers"},
        // The finding C = 1 below D screens U off from O, but its likelihood, which weighs each choice,
        // depends on O.
        {"finding below", [](VRX_network& net) { BuildFindingBelow(net, -1); },
         "Decision [D]: its best choice depends on [O], which it observes; entering its evidence answers"},
    };
    for (const Case& c : cases) {
        VRX_network net;
        c.build(net);
        errorLog.Flush();
        EXPECT_EQ(Solve(net, 1), kOutOfRange) << c.name;
        EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{
                                        c.message, "Can't solve this network using best policy algorithm"}))
            << c.name;
    }
}

// Seven decisions in a row, each with a utility over itself and an unseen three-outcome cause: their sum
// over fourteen parents (279,936 cells) is small, and the first choice is the one policy evaluation finds
// best.
TEST(BestPolicy, ASumOverManyParentsIsSolved) {
    VRX_network net;
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> worth(-10.0, 10.0);
    for (int k = 0; k < 7; k++) {
        const std::string c = "C" + std::to_string(k);
        const std::string d = "D" + std::to_string(k);
        const std::string previous = "D" + std::to_string(k - 1);
        AddNode(net, DefinitionType::kCpt, c.c_str(), {});
        ASSERT_EQ(Def(net, c.c_str()).SetNumberOfOutcomes(3), kSuccess);
        AddNode(net, DefinitionType::kList, d.c_str(),
                k > 0 ? std::vector<const char*>{previous.c_str()} : std::vector<const char*>{});
        const std::string u = "U" + std::to_string(k);
        AddNode(net, DefinitionType::kTable, u.c_str(), {d.c_str(), c.c_str()});
        std::vector<double> items(6);
        for (double& x : items) x = worth(rng);
        SetUtilities(net, u.c_str(), items);
    }
    ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
    const std::vector<double> worths = ValueOf(net, "D0");
    ASSERT_EQ(Solve(net, 1), kSuccess) << LogDump();
    const bool first = worths[0] > worths[1];
    EXPECT_EQ(ValueOf(net, "D0"), (std::vector<double>{first ? 1.0 : 0.0, first ? 0.0 : 1.0}));
}

// D steers the corner of a square grid of eight-outcome nodes whose far corner the utility depends on:
// tables of 512 cells, and a join tree of about 10^14 entries for a side of 10.
void BuildGridUnderDecision(VRX_network& net, int kSide = 10) {
    AddNode(net, DefinitionType::kList, "D", {});
    for (int r = 0; r < kSide; r++) {
        for (int c = 0; c < kSide; c++) {
            std::vector<std::string> parents;
            if (r > 0) parents.push_back("g" + std::to_string(r - 1) + "_" + std::to_string(c));
            if (c > 0) parents.push_back("g" + std::to_string(r) + "_" + std::to_string(c - 1));
            if (r == 0 && c == 0) parents.push_back("D");
            std::vector<const char*> names;
            for (const std::string& p : parents) names.push_back(p.c_str());
            const std::string id = "g" + std::to_string(r) + "_" + std::to_string(c);
            AddNode(net, DefinitionType::kCpt, id.c_str(), names);
            ASSERT_EQ(Def(net, id.c_str()).SetNumberOfOutcomes(8), kSuccess);
        }
    }
    const std::string corner = "g" + std::to_string(kSide - 1) + "_" + std::to_string(kSide - 1);
    AddNode(net, DefinitionType::kTable, "U", {"D", corner.c_str()});
}

// A decision whose join tree passes the limit is refused before any table of the tree is allocated.
TEST(BestPolicy, AJoinTreePastTheLimitIsRefusedByTheDecision) {
    VRX_network net;
    BuildGridUnderDecision(net);
    errorLog.Flush();
    EXPECT_EQ(Solve(net, 1), kOutOfMemory);
    EXPECT_TRUE(LoggedPart("ERROR: Node [D] : its best choices need a join tree of ")) << LogDump();
    EXPECT_TRUE(
        LoggedPart(" table entries over 102 nodes and its table of 2 cells with its family's joint twice ("))
        << LogDump();
    EXPECT_TRUE(LoggedPart(
        " entries), with the 32 entries of the utilities' sum and the decisions after it, past the "
        "limit of 268435456 cells"))
        << LogDump();
}

// Policy evaluation counts the tree each scenario's update builds, not only the cells of the tables.
TEST(PolicyEvaluation, ScenariosTimesTheirJoinTreeAreBounded) {
    for (const int side : {7, 10}) {
        VRX_network net;
        BuildGridUnderDecision(net, side);
        errorLog.Flush();
        EXPECT_EQ(Solve(net, 0), kOutOfMemory);
        EXPECT_TRUE(LoggedPart(
            "ERROR: Node [D] : its decisions and observations make 2 scenarios, each a belief "
            "update of " +
            std::string(side == 7
                            ? "51 nodes with tables of 19250 cells and a join tree of 1386810944 entries "
                              "over 49 nodes, whose run walks 9351025216 entries "
                            : "102 nodes with tables of 42674 cells and a join tree too "
                              "large to build ")))
            << LogDump();
        EXPECT_TRUE(
            LoggedPart(" the table cells over 16, 64 a node and 64 a node of the tree), past the limit "
                       "of 1610612736 cells"))
            << LogDump();
    }
}

// Memory that runs out is named: the drilling observes six signals of Oil (a table of 8,748 cells), and
// no buffer may hold more than the given number of doubles.
TEST(BestPolicy, MemoryThatRunsOutIsNamed) {
    const std::pair<int, std::vector<std::string>> cases[] = {
        {4000, {"ERROR: Node [Drill] : no memory for its table of 8748 cells"}},
        {20000,
         {"Clique tree: a table over 10 variables needs 26244 entries, more than fit in memory.",
          "Not enough memory for the join tree of decision [Drill], 26280 table entries over 11 nodes"}},
    };
    for (const auto& [ceiling, messages] : cases) {
        VRX_network net;
        BuildWildcatter(net);
        for (int j = 0; j < 6; j++) {
            const std::string id = "s" + std::to_string(j);
            AddNode(net, DefinitionType::kCpt, id.c_str(), {"Oil"});
            ASSERT_EQ(Def(net, id.c_str()).SetNumberOfOutcomes(3), kSuccess);
            ASSERT_EQ(net.AddArc(net.FindNode(id.c_str()), net.FindNode("Drill")), kSuccess);
        }
        errorLog.Flush();
        {
            const BufferCeiling limit(ceiling);
            EXPECT_EQ(Solve(net, 1), kOutOfMemory) << ceiling;
        }
        std::vector<std::string> expected = messages;
        expected.emplace_back("Error when running Shachter's algorithm");
        EXPECT_EQ(LoggedMessages(), expected) << ceiling;
    }
}

// Likelihoods on C (0.2, 1) make c0 unlikely (1/6): D = 1 earns 4 against 10/6, where without them D = 0
// earns 5. Both solvers weigh them alike.
TEST(BestPolicy, VirtualEvidenceSteersTheChoice) {
    for (const bool virtualEvidence : {false, true}) {
        VRX_network net;
        AddNode(net, DefinitionType::kCpt, "C", {});
        AddNode(net, DefinitionType::kList, "D", {});
        AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
        SetUtilities(net, "U", {10, 0, 4, 4});
        if (virtualEvidence) {
            ASSERT_EQ(net.GetNode(net.FindNode("C"))->GetValue()->SetVirtualEvidence(Doubles({0.2, 1})),
                      kSuccess);
        }
        ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
        ExpectNear(ValueOf(net, "D"),
                   virtualEvidence ? std::vector<double>{10.0 / 6, 4} : std::vector<double>{5, 4});
        ASSERT_EQ(Solve(net, 1), kSuccess) << LogDump();
        EXPECT_EQ(ValueOf(net, "D"),
                  (std::vector<double>{virtualEvidence ? 0.0 : 1.0, virtualEvidence ? 1.0 : 0.0}));
    }
}

// With C in its first state every choice earns the table's least utility, which the working copy cannot
// observe: all choices are then equally good and the last one is taken, not an error.
TEST(BestPolicy, EvidenceLeavingTheLeastUtilityTiesEveryChoice) {
    const std::pair<int, std::vector<double>> cases[] = {{0, {0, 1}}, {1, {1, 0}}};
    for (const auto& [evidence, choice] : cases) {
        VRX_network net;
        AddNode(net, DefinitionType::kCpt, "C", {});
        AddNode(net, DefinitionType::kList, "D", {});
        AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
        SetUtilities(net, "U", {0, 10, 0, 5});
        ASSERT_EQ(net.GetNode(net.FindNode("C"))->GetValue()->SetEvidence(evidence), kSuccess);
        ASSERT_EQ(Solve(net, 1), kSuccess) << evidence << LogDump();
        EXPECT_EQ(ValueOf(net, "D"), choice) << evidence;
    }
}

// X was seen before D1 was taken (its evidence), so D2 knows it, though X holds no evidence: the first open
// decision D2 is answered when one choice is best whatever X is.
void BuildKnownUnobserved(VRX_network& net, const std::vector<const char*>& d2Parents) {
    AddNode(net, DefinitionType::kCpt, "X", {});
    ASSERT_EQ(Def(net, "X").SetDefinitionDoubles(Doubles({0.4, 0.6})), kSuccess);
    AddNode(net, DefinitionType::kList, "D1", {"X"});
    ASSERT_EQ(net.GetNode(net.FindNode("D1"))->GetValue()->SetEvidence(0), kSuccess);
    AddNode(net, DefinitionType::kList, "D2", d2Parents);
}

TEST(BestPolicy, AnUnknownThatChangesNoBestChoiceIsAnswered) {
    const ChoiceCase cases[] = {
        // U1(X) lies above D2: worths [10, 20] with X = 0, [110, 120] with X = 1.
        {"unknown above the decision",
         [](VRX_network& net) {
             BuildKnownUnobserved(net, {"D1"});
             AddNode(net, DefinitionType::kTable, "U1", {"X"});
             SetUtilities(net, "U1", {0, 100});
             AddNode(net, DefinitionType::kTable, "U2", {"D2"});
             SetUtilities(net, "U2", {10, 20});
         },
         {0, 1}},
        // X reaches U1 through Y: worths [35, 10] with X = 0, [70, 45] with X = 1.
        {"unknown through a chance node",
         [](VRX_network& net) {
             BuildKnownUnobserved(net, {"D1"});
             AddNode(net, DefinitionType::kCpt, "Y", {"X"});
             ASSERT_EQ(Def(net, "Y").SetDefinitionDoubles(Doubles({1, 0, 0, 1})), kSuccess);
             AddNode(net, DefinitionType::kTable, "U1", {"Y"});
             SetUtilities(net, "U1", {25, 60});
             AddNode(net, DefinitionType::kTable, "U2", {"D1", "D2"});
             SetUtilities(net, "U2", {10, -15, 0, 0});
         },
         {1, 0}},
        // U(X, D2) depends on both, yet D2 = 1 is best for either X: [10, 20] and [0, 5].
        {"dominated unknown",
         [](VRX_network& net) {
             BuildKnownUnobserved(net, {"D1"});
             AddNode(net, DefinitionType::kTable, "U", {"X", "D2"});
             SetUtilities(net, "U", {10, 20, 0, 5});
         },
         {0, 1}},
        // The same with X a parent of the first open decision itself.
        {"dominated parent",
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kCpt, "X", {});
             AddNode(net, DefinitionType::kList, "D2", {"X"});
             AddNode(net, DefinitionType::kTable, "U", {"X", "D2"});
             SetUtilities(net, "U", {10, 20, 0, 5});
         },
         {0, 1}},
    };
    ExpectBestChoices(cases, "D2");
}

// Worths equal up to rounding, reached along different sums (C is 0.1 / 0.9): the last of them is
// taken. Algorithm 0 shows the worths.
TEST(BestPolicy, WorthsEqualWithinRoundingTieAndTheLastIsTaken) {
    const std::pair<std::vector<double>, std::vector<double>> cases[] = {
        {{50, 50, 40, 40, 14, 54}, {50, 40, 50}},
        {{20, 20, 30, 30, 12, 32}, {20, 30, 30}},
        {{164.803, 164.803, 100.003, 172.003, 200.803, 160.803}, {164.803, 164.803, 164.803}},
    };
    for (const auto& [utilities, worths] : cases) {
        VRX_network net;
        AddNode(net, DefinitionType::kCpt, "C", {});
        ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(Doubles({0.1, 0.9})), kSuccess);
        AddNode(net, DefinitionType::kList, "D", {});
        ASSERT_EQ(Def(net, "D").SetNumberOfOutcomes(3), kSuccess);
        AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
        SetUtilities(net, "U", utilities);
        ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
        ExpectNear(ValueOf(net, "D"), worths);
        ASSERT_EQ(Solve(net, 1), kSuccess) << LogDump();
        EXPECT_EQ(ValueOf(net, "D"), (std::vector<double>{0, 0, 1})) << worths[0];
    }
}

// A decision taken shows no worths, whether the change notices were on when it was taken or not; with
// every decision taken, algorithm 1 invalidates the values before it refuses.
TEST(InfluenceDiagrams, TakenDecisionsAreNeverUpToDate) {
    for (const int algorithm : {0, 1}) {
        for (const bool notices : {true, false}) {
            VRX_network net;
            BuildWildcatter(net);
            if (!notices) net.propagationFlags &= ~PropagationFlags::kNotices;
            ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
            ASSERT_EQ(net.GetNode(net.FindNode("Test"))->GetValue()->SetEvidence(0), kSuccess);
            ASSERT_EQ(net.GetNode(net.FindNode("Seismic"))->GetValue()->SetEvidence(0), kSuccess);
            ASSERT_EQ(Solve(net, algorithm), kSuccess) << LogDump();
            EXPECT_FALSE(net.GetNode(net.FindNode("Test"))->GetValue()->IsUpToDate()) << algorithm << notices;
            ASSERT_EQ(net.GetNode(net.FindNode("Drill"))->GetValue()->SetEvidence(0), kSuccess);
            ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
            ASSERT_TRUE(net.GetNode(net.FindNode("Oil"))->GetValue()->IsUpToDate());
            errorLog.Flush();
            EXPECT_EQ(Solve(net, 1), kOutOfRange);
            EXPECT_TRUE(Logged(kOutOfRange, "Error when running Shachter's algorithm")) << LogDump();
            EXPECT_FALSE(net.GetNode(net.FindNode("Oil"))->GetValue()->IsUpToDate());
        }
    }
}

// Without an arc between them, the second decision would be chosen blind to the first: 6 for the first
// choice, where the second choice earns 10.
TEST(InfluenceDiagrams, AssumedOrderIsAnArcBothSolversSee) {
    for (int algorithm : {0, 1}) {
        VRX_network net;
        AddNode(net, DefinitionType::kList, "D1", {});
        AddNode(net, DefinitionType::kList, "D2", {});
        AddNode(net, DefinitionType::kTable, "U", {"D1", "D2"});
        SetUtilities(net, "U", {6, 0, 5.9, 10});
        errorLog.Flush();
        ASSERT_EQ(Solve(net, algorithm), kSuccess) << LogDump();
        EXPECT_TRUE(Logged(kOutOfRange, "Temporal order assumed: node [D1] before node [D2]"));
        EXPECT_EQ(net.AreAdjacent(net.FindNode("D1"), net.FindNode("D2")), 1);
        EXPECT_EQ(ValueOf(net, "D1"),
                  algorithm == 0 ? (std::vector<double>{6, 10}) : (std::vector<double>{0, 1}));
        // The arc stays: a second run assumes nothing.
        errorLog.Flush();
        ASSERT_EQ(Solve(net, algorithm), kSuccess);
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
    }
}

// A path A -> M -> H -> D2, H seen before D2, already orders the decisions: no arc, nothing assumed.
TEST(InfluenceDiagrams, PathOrdersDecisionsWithoutAnArc) {
    for (int algorithm : {0, 1}) {
        VRX_network net;
        AddNode(net, DefinitionType::kList, "A", {});
        AddNode(net, DefinitionType::kCpt, "M", {"A"});
        AddNode(net, DefinitionType::kCpt, "H", {"M"});
        AddNode(net, DefinitionType::kList, "D2", {"H"});
        AddNode(net, DefinitionType::kTable, "U", {"D2", "M"});
        errorLog.Flush();
        ASSERT_EQ(Solve(net, algorithm), kSuccess) << LogDump();
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
        EXPECT_EQ(net.AreAdjacent(net.FindNode("A"), net.FindNode("D2")), 0);
    }
}

// An order assumed is a warning: the refusal's cause comes first.
TEST(InfluenceDiagrams, RefusalCauseBeforeAssumedOrder) {
    VRX_network net;
    AddNode(net, DefinitionType::kCpt, "C", {});
    AddNode(net, DefinitionType::kList, "D1", {"C"});
    AddNode(net, DefinitionType::kList, "D2", {});
    AddNode(net, DefinitionType::kTable, "U", {"D1", "C", "D2"});
    SetUtilities(net, "U", {10, 10, 0, 0, 0, 0, 10, 10});
    errorLog.Flush();
    ASSERT_EQ(Solve(net, 1), kOutOfRange);
    EXPECT_EQ(
        LoggedMessages(),
        (std::vector<std::string>{
            "Decision [D1]: its best choice depends on [C], which it observes; entering its evidence answers",
            "Can't solve this network using best policy algorithm",
            "Temporal order assumed: node [D1] before node [D2]"}));
}

TEST(InfluenceDiagrams, MauWeightsSteerBothSolvers) {
    VRX_network net;
    AddNode(net, DefinitionType::kList, "D", {});
    AddNode(net, DefinitionType::kTable, "U1", {"D"});
    AddNode(net, DefinitionType::kTable, "U2", {"D"});
    SetUtilities(net, "U1", {1, 0});
    SetUtilities(net, "U2", {0, 1.5});
    AddNode(net, DefinitionType::kMau, "M", {"U1", "U2"});
    // Equal weights favour the second choice (1.5 > 1); weights 2 and 1 the first (2 > 1.5).
    ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
    ExpectNear(ValueOf(net, "D"), {1, 1.5});
    ASSERT_EQ(Def(net, "M").SetDefinitionDoubles(Doubles({2, 1})), kSuccess);
    ASSERT_EQ(Solve(net, 0), kSuccess);
    ExpectNear(ValueOf(net, "D"), {2, 1.5});
    ExpectNear(ValueOf(net, "M"), {2, 1.5});
    ASSERT_EQ(Solve(net, 1), kSuccess) << LogDump();
    EXPECT_EQ(ValueOf(net, "D"), (std::vector<double>{1, 0}));
}

// A multi-attribute utility with a decision parent or expressions is no sum the best-policy solver can
// fold into its parents: refused naming it, first; policy evaluation solves it.
TEST(BestPolicy, AMauNodeItCannotFoldIsRefusedByName) {
    for (const bool expressions : {false, true}) {
        VRX_network net;
        AddNode(net, DefinitionType::kList, "D", {});
        AddNode(net, DefinitionType::kTable, "U1", {"D"});
        AddNode(net, DefinitionType::kTable, "U2", {"D"});
        if (expressions) {
            AddNode(net, DefinitionType::kMau, "M", {"U1", "U2"});
            std::string reason;
            ASSERT_EQ(static_cast<VRX_mau&>(Def(net, "M")).SetExpressionsFromText({"2*U1+U2"}, &reason),
                      kSuccess)
                << reason;
        } else {
            AddNode(net, DefinitionType::kMau, "M", {"U1", "U2", "D"});
        }
        errorLog.Flush();
        EXPECT_EQ(Solve(net, 1), kOutOfRange);
        const std::string why = expressions ? "its utility is given by expressions"
                                            : "its weights depend on the choice of decision [D]";
        EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{
                                        "ERROR: Node [M] : " + why +
                                            ", so the best-policy solver cannot fold it into a sum of its "
                                            "parents' utilities; policy evaluation (algorithm 0) takes it",
                                        "Error when running Shachter's algorithm"}));
        errorLog.Flush();
        EXPECT_EQ(Solve(net, 0), kSuccess) << LogDump();
    }
}

TEST(InfluenceDiagrams, TwoTerminalUtilitiesAreSummedWithoutANewNode) {
    VRX_network net;
    BuildWildcatter(net);
    const int count = net.GetNumberOfNodes();
    ASSERT_EQ(Solve(net, 0), kSuccess);
    EXPECT_EQ(net.GetNumberOfNodes(), count);
    // Best choice without a test is 20, beaten by testing (22.5) only through the sum of both.
    ExpectNear(ValueOf(net, "Test"), {22.5, 20});
}

TEST(InfluenceDiagrams, MessagesAndRefusals) {
    struct Case {
        const char* name;
        int algorithm;
        void (*build)(VRX_network&);
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"no utility", 0,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D", {});
             AddNode(net, DefinitionType::kCpt, "C", {"D"});
         },
         kSuccess, "Utilities not specified. Policies cannot be evaluated"},
        // The best choice follows C, which holds no evidence.
        {"unobserved parent", 1,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kCpt, "C", {});
             AddNode(net, DefinitionType::kList, "D", {"C"});
             AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
             SetUtilities(net, "U", {10, 0, 0, 10});
         },
         kOutOfRange, "Can't solve this network using best policy algorithm"},
        {"all decided", 1,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D", {});
             AddNode(net, DefinitionType::kTable, "U", {"D"});
             ASSERT_EQ(net.GetNode(net.FindNode("D"))->GetValue()->SetEvidence(0), kSuccess);
         },
         kOutOfRange,
         "Every decision holds evidence: the best-policy solver answers for the first decision without "
         "evidence, and "
         "there is none"},
        // Each of P0 .. P27 tells D something about U through Y1 or Y2: D's table over them is too large.
        {"information past the table limit", 1,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D", {});
             for (const char* y : {"Y1", "Y2"}) AddNode(net, DefinitionType::kCpt, y, {});
             for (int i = 0; i < 28; i++) {
                 const std::string p = "P" + std::to_string(i);
                 AddNode(net, DefinitionType::kCpt, p.c_str(), {});
                 ASSERT_EQ(net.AddArc(net.FindNode(p.c_str()), net.FindNode("D")), kSuccess);
                 ASSERT_EQ(net.AddArc(net.FindNode(p.c_str()), net.FindNode(i < 14 ? "Y1" : "Y2")), kSuccess);
             }
             AddNode(net, DefinitionType::kTable, "U", {"D", "Y1", "Y2"});
         },
         kOutOfMemory, "ERROR: Node [D] : its table of 536870912 cells passes the limit of 268435456 cells"},
        // The sum of U1(A) and U2(B) as one chance node: 2 * 20000 * 20000 cells.
        {"merged utilities past the table limit", 1,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D", {});
             for (const char* id : {"A", "B"}) {
                 AddNode(net, DefinitionType::kCpt, id, {"D"});
                 ASSERT_EQ(Def(net, id).SetNumberOfOutcomes(20000), kSuccess);
             }
             AddNode(net, DefinitionType::kTable, "U1", {"A"});
             AddNode(net, DefinitionType::kTable, "U2", {"B"});
         },
         kOutOfMemory,
         "ERROR: Node [D] : its best choices need the sum of the utilities [U1], [U2], 800000000 cells, and "
         "a "
         "join tree at least as large, past the limit of 268435456 cells"},
        // Half the limit for the sum (2 * 10000 * 7000 cells), as much again for the tree that holds it.
        {"merged utilities and their tree past the limit", 1,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D", {});
             for (const char* id : {"A", "B"}) {
                 AddNode(net, DefinitionType::kCpt, id, {"D"});
                 ASSERT_EQ(Def(net, id).SetNumberOfOutcomes(id[0] == 'A' ? 10000 : 7000), kSuccess);
             }
             AddNode(net, DefinitionType::kTable, "U1", {"A"});
             AddNode(net, DefinitionType::kTable, "U2", {"B"});
         },
         kOutOfMemory,
         "ERROR: Node [D] : its best choices need the sum of the utilities [U1], [U2], 140000000 cells, and "
         "a "
         "join tree at least as large, past the limit of 268435456 cells"},
        // A third of the limit for the sum (2 * 10000 * 5000 cells): each decision's tree holds it too.
        {"merged utilities and a tree for each decision past the limit", 1,
         [](VRX_network& net) {
             AddNode(net, DefinitionType::kList, "D1", {});
             AddNode(net, DefinitionType::kList, "D2", {"D1"});
             AddNode(net, DefinitionType::kCpt, "A", {"D1"});
             AddNode(net, DefinitionType::kCpt, "B", {"D2"});
             ASSERT_EQ(Def(net, "A").SetNumberOfOutcomes(10000), kSuccess);
             ASSERT_EQ(Def(net, "B").SetNumberOfOutcomes(5000), kSuccess);
             AddNode(net, DefinitionType::kTable, "U1", {"A"});
             AddNode(net, DefinitionType::kTable, "U2", {"B"});
         },
         kOutOfMemory,
         "ERROR: Node [D2] : its best choices need the sum of the utilities [U1], [U2], 100000000 cells, and "
         "a "
         "join tree at least as large for each of the 2 decisions that bear on them, past the limit of "
         "268435456 cells"},
    };
    for (const Case& c : cases) {
        VRX_network net;
        c.build(net);
        const auto before = Shape(net);
        errorLog.Flush();
        EXPECT_EQ(Solve(net, c.algorithm), c.code) << c.name;
        EXPECT_TRUE(Logged(c.code == kSuccess ? kOutOfRange : c.code, c.message)) << c.name << "\n"
                                                                                  << LogDump();
        EXPECT_EQ(Shape(net), before) << c.name;
    }
}

TEST(InfluenceDiagrams, NoUtilityGivesPlainBeliefs) {
    VRX_network net;
    AddNode(net, DefinitionType::kList, "D", {});
    AddNode(net, DefinitionType::kCpt, "C", {"D"});
    ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(Doubles({0.2, 0.8, 0.6, 0.4})), kSuccess);
    ASSERT_EQ(Solve(net, 0), kSuccess);
    ExpectNear(ValueOf(net, "C"), {0.4, 0.6});
    EXPECT_FALSE(net.GetNode(net.FindNode("D"))->GetValue()->IsUpToDate());
}

// C is observed before D but can only be c0, by its table or by its likelihoods: every scenario with c1 is
// impossible and its row undefined.
TEST(InfluenceDiagrams, ImpossibleScenariosStayUndefinedAndOutOfTheFoldBack) {
    for (const bool likelihood : {false, true}) {
        SCOPED_TRACE(likelihood);
        VRX_network net;
        AddNode(net, DefinitionType::kCpt, "C", {});
        ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(
                      Doubles(likelihood ? std::vector<double>{0.3, 0.7} : std::vector<double>{1, 0})),
                  kSuccess);
        if (likelihood) {
            ASSERT_EQ(net.GetNode(net.FindNode("C"))->GetValue()->SetVirtualEvidence(Doubles({2, 0})),
                      kSuccess);
        }
        AddNode(net, DefinitionType::kList, "D", {"C"});
        AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
        SetUtilities(net, "U", {3, 1000, 5, -1000});
        PolicyEvaluator evaluator;
        errorLog.Flush();
        ASSERT_EQ(evaluator.Run(net), kSuccess) << LogDump();
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
        EXPECT_NEAR(evaluator.GetMaximumExpectedUtility(), 5, 1e-12);
        const std::vector<double> d = ValueOf(net, "D");
        ASSERT_EQ(d.size(), 4u);
        ExpectNear({d[0], d[1]}, {3, 5});
        EXPECT_EQ(d[2], kUndefinedValue);
        EXPECT_EQ(d[3], kUndefinedValue);
    }
    // The utility depends on Y alone, yet D's rows with X = 1, which its likelihoods rule out, are undefined.
    VRX_network net;
    AddNode(net, DefinitionType::kCpt, "X", {});
    AddNode(net, DefinitionType::kCpt, "Y", {"X"});
    ASSERT_EQ(Def(net, "Y").SetDefinitionDoubles(Doubles({0.9, 0.1, 0.2, 0.8})), kSuccess);
    AddNode(net, DefinitionType::kList, "D", {"X", "Y"});
    AddNode(net, DefinitionType::kTable, "U", {"D", "Y"});
    SetUtilities(net, "U", {1, 2, 4, 3});
    ASSERT_EQ(net.GetNode(net.FindNode("X"))->GetValue()->SetVirtualEvidence(Doubles({1, 0})), kSuccess);
    ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
    EXPECT_EQ(IndexingIds(net, "D"), (std::vector<std::string>{"X", "Y"}));
    const std::vector<double> d = ValueOf(net, "D");
    ExpectNear({d[0], d[1], d[2], d[3]}, {1, 4, 2, 3});
    EXPECT_EQ(std::vector<double>(d.begin() + 4, d.end()), std::vector<double>(4, kUndefinedValue));
}

TEST(InfluenceDiagrams, ScenariosNoSampleFitsAreLogged) {
    VRX_network net;
    BuildUnevaluableScenarios(net);
    errorLog.Flush();
    ASSERT_EQ(Solve(net, 0), kSuccess) << LogDump();
    // Both scenarios with E = State1 fail: one entry for the samplers' notices, one for the scenarios.
    EXPECT_TRUE(
        Logged(kNoUsefulSamples, "No useful samples have been generated for some of nodes. (2 times)"))
        << LogDump();
    EXPECT_TRUE(Logged(kNoUsefulSamples,
                       "2 scenarios could not be evaluated, e.g. (E = State1, D = Choice0), "
                       "(E = State1, D = Choice1)"))
        << LogDump();
    EXPECT_EQ(ValueOf(net, "U")[2], kUndefinedValue);
}

// Evidence of probability zero as a whole: both solvers refuse, the cause naming the node first.
TEST(InfluenceDiagrams, ImpossibleEvidenceFailsNamingTheNode) {
    struct Case {
        const char* name;
        std::vector<double> prior;
        std::vector<double> likelihoods;  // none: hard evidence on the last outcome
        const char* cause;
    };
    const Case cases[] = {
        {"likelihood zero where the table is certain",
         {0, 0, 1},
         {1, 1, 0},
         "Evidence is impossible: its probability is zero given the evidence on [C], so no beliefs can be "
         "computed."},
        {"likelihood only where the table is zero",
         {0.5, 0.5, 0},
         {0, 0, 1},
         "Evidence is impossible: it has probability zero at node [C]."},
        {"hard evidence the table rules out",
         {0.5, 0.5, 0},
         {},
         "Evidence is impossible: it has probability zero at node [C]."},
    };
    for (const Case& c : cases) {
        for (int algorithm : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(algorithm));
            VRX_network net;
            AddNode(net, DefinitionType::kCpt, "C", {});
            ASSERT_EQ(Def(net, "C").SetNumberOfOutcomes(3), kSuccess);
            ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(Doubles(c.prior)), kSuccess);
            AddNode(net, DefinitionType::kList, "D", {"C"});
            AddNode(net, DefinitionType::kTable, "U", {"D", "C"});
            SetUtilities(net, "U", {1, 2, 4, 3, 5, 6});
            VRX_nodeValue* value = net.GetNode(net.FindNode("C"))->GetValue();
            net.propagationFlags &= ~PropagationFlags::kNotices;
            ASSERT_EQ(c.likelihoods.empty() ? value->SetEvidence(2)
                                            : value->SetVirtualEvidence(Doubles(c.likelihoods)),
                      kSuccess);
            errorLog.Flush();
            EXPECT_EQ(Solve(net, algorithm), kConflictingEvidence);
            EXPECT_EQ(LoggedMessages(),
                      (std::vector<std::string>{c.cause, algorithm == 0
                                                             ? "Error when running Cooper's algorithm"
                                                             : "Error when running Shachter's algorithm"}));
            EXPECT_FALSE(net.GetNode(net.FindNode("D"))->GetValue()->IsUpToDate());
        }
    }
}

}  // namespace

// Evidence of probability zero that shows in no single node's table (c1 = 1 where c0 is certainly 1, and
// c1 then certainly 0), away from the decision, or in random diagrams with zeros in their tables: both
// solvers refuse it alike.
TEST(InfluenceDiagrams, ImpossibleEvidenceAwayFromTheDecisionFailsBothSolvers) {
    int impossible = 0;
    for (unsigned seed = 0; seed <= 1000; seed++) {
        SCOPED_TRACE(seed);
        VRX_network net;
        if (seed == 0) {
            AddNode(net, DefinitionType::kCpt, "c0", {});
            ASSERT_EQ(Def(net, "c0").SetNumberOfOutcomes(3), kSuccess);
            ASSERT_EQ(Def(net, "c0").SetDefinitionDoubles(Doubles({0, 1, 0})), kSuccess);
            AddNode(net, DefinitionType::kCpt, "c1", {"c0"});
            ASSERT_EQ(Def(net, "c1").SetDefinitionDoubles(Doubles({.5, .5, 1, 0, 0, 1})), kSuccess);
            AddNode(net, DefinitionType::kList, "d0", {});
            AddNode(net, DefinitionType::kTable, "u0", {"d0"});
            SetUtilities(net, "u0", {1, 2});
            ASSERT_EQ(net.GetNode(net.FindNode("c1"))->GetValue()->SetEvidence(1), kSuccess);
        } else {
            std::mt19937 rng(seed);
            const auto d = BuildRandomDiagram(net, rng, 4, 1 + static_cast<int>(seed % 2), 2);
            // Zeros in the tables and evidence, hard or as likelihoods, on the chance nodes.
            for (int h : d.chance) {
                VRX_Dmatrix* table = nullptr;
                ASSERT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
                for (int c = 0; c < table->GetNumberOfElements(); c += 2) {
                    if (rng() % 2 == 0) (*table)[c + static_cast<int>(rng() % 2)] = 0.0;
                    (*table)[c + 1] = 1.0 - (*table)[c];
                }
                VRX_nodeValue* value = net.GetNode(h)->GetValue();
                // Evidence the network refuses (say, of an outcome a certain table rules out) is left out.
                if (rng() % 2 == 0) {
                    (void)value->SetEvidence(static_cast<int>(rng() % 2));
                } else if (rng() % 3 == 0) {
                    (void)value->SetVirtualEvidence(Doubles({0.0, 0.5}));
                }
            }
        }
        VRX_network copy(net);
        errorLog.Flush();
        const int evaluated = Solve(net, 0);
        ASSERT_TRUE(evaluated == kSuccess || evaluated == kConflictingEvidence) << LogDump();
        std::vector<std::string> causes = LoggedMessages();
        errorLog.Flush();
        const int best = Solve(copy, 1);
        if (seed == 0) {
            causes.back() = "Error when running Shachter's algorithm";
            EXPECT_EQ(LoggedMessages(), causes);
        }
        // Best policy may refuse an unknown that decides; never an answer where the evidence is impossible.
        if (best != kOutOfRange || evaluated != kSuccess) {
            EXPECT_EQ(best, evaluated) << LogDump();
        }
        impossible += evaluated == kConflictingEvidence;
    }
    EXPECT_GT(impossible, 15);
}
