// Diagnosis session and test ranking on a small network whose answers are worked out by enumerating
// its joint distribution: F and G are faults, T1 tests F, T2 tests both, T3 tests G only.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "definitions/node_cost.h"
#include "inference/diag_engine.h"
#include "inference/diag_measures.h"
#include "inference/diag_results_order.h"
#include "inference/diag_session.h"
#include "model/node_info.h"
#include "tests/support/costly_networks.h"
#include "tests/support/diagnosis_roles.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;
using vovido::DiagMode::kAll;
using vovido::DiagMode::kAtLeastOne;
using vovido::DiagMode::kConfigurationsIndependent;
using vovido::DiagMode::kConfigurationsJoint;
using vovido::DiagMode::kExactlyOne;
using vovido::DiagMode::kMarginal;
using vovido::DiagMode::kQuadratic;

// Outcome 0 is "ok" for the faults and "pos" for the tests.
struct Tables {
    double pF = 0.2;                                 // P(F = bad)
    double pG = 0.1;                                 // P(G = bad)
    std::array<double, 2> t1{0.1, 0.9};              // P(T1 = pos | F)
    std::array<double, 4> t2{0.05, 0.7, 0.8, 0.95};  // P(T2 = pos | F, G)
    std::array<double, 2> t3{0.2, 0.6};              // P(T3 = pos | G)
};

// Evidence on T1, T2, T3: -1 free, else the outcome (0 pos, 1 neg).
using Evidence = std::array<int, 3>;

// P(F = f, G = g, evidence), by enumeration.
double Joint(const Tables& t, int f, int g, const Evidence& ev) {
    auto pick = [](double pos, int outcome) { return outcome < 0 ? 1.0 : outcome == 0 ? pos : 1.0 - pos; };
    return (f ? t.pF : 1 - t.pF) * (g ? t.pG : 1 - t.pG) * pick(t.t1[f], ev[0]) *
           pick(t.t2[2 * f + g], ev[1]) * pick(t.t3[g], ev[2]);
}

// Posterior joint of (F, G), index 2f + g.
std::array<double, 4> Posterior(const Tables& t, const Evidence& ev) {
    std::array<double, 4> p{};
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) sum += p[i] = Joint(t, i / 2, i % 2, ev);
    for (double& v : p) v /= sum;
    return p;
}

double Probability(const Tables& t, const Evidence& ev) {
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) sum += Joint(t, i / 2, i % 2, ev);
    return sum;
}

// Strength of test i by the ranking's rule, for a measure of the posterior joint of (F, G).
double Strength(const Tables& t, const Evidence& given, int test,
                const std::function<double(std::array<double, 4>)>& m, bool absolute) {
    const double m0 = m(Posterior(t, given));
    double expected = 0.0;
    for (int k = 0; k < 2; ++k) {
        Evidence ev = given;
        ev[test] = k;
        expected += Probability(t, ev) / Probability(t, given) * m(Posterior(t, ev));
    }
    if (m0 == 0.0) return 0.0;
    return absolute ? std::fabs(m0 - expected) / m0 : (m0 - expected) / m0;
}

class DiagSessionTest : public ::testing::Test {
protected:
    void Build(const Tables& t = Tables()) {
        f = AddNode(net, DefinitionType::kCpt, "F", {});
        g = AddNode(net, DefinitionType::kCpt, "G", {});
        t1 = AddNode(net, DefinitionType::kCpt, "T1", {"F"});
        t2 = AddNode(net, DefinitionType::kCpt, "T2", {"F", "G"});
        t3 = AddNode(net, DefinitionType::kCpt, "T3", {"G"});
        ASSERT_EQ(Def(net, "F").SetDefinitionDoubles(Doubles({1 - t.pF, t.pF})), kSuccess);
        ASSERT_EQ(Def(net, "G").SetDefinitionDoubles(Doubles({1 - t.pG, t.pG})), kSuccess);
        std::vector<double> rows;
        for (double p : t.t1) rows.insert(rows.end(), {p, 1 - p});
        ASSERT_EQ(Def(net, "T1").SetDefinitionDoubles(Doubles(rows)), kSuccess);
        rows.clear();
        for (double p : t.t2) rows.insert(rows.end(), {p, 1 - p});
        ASSERT_EQ(Def(net, "T2").SetDefinitionDoubles(Doubles(rows)), kSuccess);
        rows.clear();
        for (double p : t.t3) rows.insert(rows.end(), {p, 1 - p});
        ASSERT_EQ(Def(net, "T3").SetDefinitionDoubles(Doubles(rows)), kSuccess);
        ASSERT_TRUE(MarkTarget(net, "F", {1}));
        ASSERT_TRUE(MarkTarget(net, "G", {1}));
        for (const char* id : {"T1", "T2", "T3"}) ASSERT_TRUE(MarkObservation(net, id));
        SetCost(t1, {2.0});
    }

    void SetCost(int node, const std::vector<double>& costs) {
        ASSERT_EQ(net.GetNode(node)->GetCost()->SetCosts(Doubles(costs)), kSuccess);
    }

    // The creation sequence of a session.
    void Start() {
        ASSERT_EQ(session.SetNetwork(&net), kSuccess);
        ASSERT_EQ(session.CollectFaultsAndObservations(), kSuccess);
        session.InstantiateDefaultObservations();
        ASSERT_EQ(session.UpdateFaultBeliefs(), kSuccess);
        (void)session.SetPursuedFault(session.FindMostLikelyFault());
    }

    int Rank(int flags) {
        const int rc = session.UpdateFaultBeliefs();
        return rc != kSuccess ? rc : session.ComputeTestStrengths(flags);
    }

    VRX_network net;
    DiagSession session;
    int f = -1, g = -1, t1 = -1, t2 = -1, t3 = -1;
};

TEST(DiagMeasures, HandValues) {
    EXPECT_DOUBLE_EQ(vovido::BinaryEntropy(0.5), 1.0);
    EXPECT_NEAR(vovido::BinaryEntropy(0.25), 0.811278124459133, 1e-12);
    for (double p : {0.0, 1.0, -0.5, 1.5, std::nan("")}) EXPECT_EQ(vovido::BinaryEntropy(p), 0.0) << p;
    EXPECT_DOUBLE_EQ(vovido::DistributionEntropy({0.25, 0.25}), 1.5);  // remainder 0.5 adds 0.5
    EXPECT_DOUBLE_EQ(vovido::DistributionEntropy({0.5, 0.5}), 1.0);
    EXPECT_EQ(vovido::DistributionEntropy({0.0, 1.0}), 0.0);
    EXPECT_DOUBLE_EQ(vovido::DistanceMeasure({0.5, 0.5}), -1.0);
    EXPECT_DOUBLE_EQ(vovido::DistanceMeasure({1.0, 0.0}), 0.0);
    // n = 3, v = 2/3: d = (1 - v) * 2 = 2/3 and -2/3 twice; (4/9 * 3) / (4/9 * 3) - 1.
    EXPECT_NEAR(vovido::DistanceMeasure({1.0, 0.0, 0.0}), 0.0, 1e-12);
    EXPECT_EQ(vovido::DistanceMeasure({0.3}), 0.0);  // no spread to measure: never NaN
    EXPECT_DOUBLE_EQ(vovido::QuadraticMeasure({0.5, 0.5}), -1.0);
    EXPECT_DOUBLE_EQ(vovido::QuadraticMeasure({1.0, 0.0}), 0.0);
    EXPECT_DOUBLE_EQ(vovido::QuadraticMeasure({0.75, 0.25}), -0.75);
    struct Case {
        int count, nodes, flags;
        bool matches;
    };
    for (const Case& c :
         {Case{1, 3, 0, true}, Case{0, 3, 0, false}, Case{2, 3, kExactlyOne, false},
          Case{1, 3, kExactlyOne, true}, Case{2, 3, kAll, false}, Case{3, 3, kAll, true},
          Case{2, 3, kAtLeastOne | kExactlyOne, true}, Case{3, 3, kExactlyOne | kAll, false}}) {
        EXPECT_EQ(vovido::ConfigurationMatches(c.count, c.nodes, c.flags), c.matches)
            << c.count << " " << c.flags;
    }
}

TEST_F(DiagSessionTest, ListsFaultsAndTestsAndPursuesTheMostLikelyFault) {
    Build();
    Start();
    ASSERT_EQ(session.GetFaults().size(), 2u);
    EXPECT_EQ(session.GetFaults()[0].node, f);
    EXPECT_EQ(session.GetFaults()[1].outcome, 1);
    EXPECT_EQ(Items(session.GetUnperformedTests()), (std::vector<int>{t1, t2, t3}));
    EXPECT_EQ(session.GetPursuedFault(), 0);  // F bad 0.2 beats G bad 0.1
    ASSERT_EQ(Rank(0), kSuccess);
    for (int h : {f, g}) EXPECT_TRUE(net.GetNode(h)->GetValue()->IsUpToDate()) << h;
    EXPECT_EQ(session.GetFaultIndex(g, 1), 1);
    EXPECT_EQ(session.GetFaultIndex(g, 0), kOutOfRange);
    errorLog.Flush();
    EXPECT_EQ(session.SetPursuedFaults(Ints({0, 2})), kOutOfRange);
    EXPECT_EQ(session.GetPursuedFault(), 0);  // unchanged by the refused list
    EXPECT_EQ(session.SetPursuedFaults(Ints({})), kOutOfRange);
    EXPECT_EQ(session.SetPursuedFaults(Ints({1, 0, 1})), kOutOfRange);
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{"Invalid fault index 2; valid indices are 0..1",
                                        "No fault is given to pursue",
                                        "Fault index 1 is given twice; each fault is pursued once"}));
    EXPECT_EQ(session.SetPursuedFault(2), kOutOfRange);
    EXPECT_EQ(session.GetPursuedFaults().GetCount(), 0);
    EXPECT_EQ(session.ComputeTestStrengths(kMarginal), kOutOfRange);  // nothing pursued
    ASSERT_EQ(session.SetPursuedFaults(Ints({0, 1})), kSuccess);
    EXPECT_EQ(session.GetPursuedFault(), kOutOfRange);
    errorLog.Flush();
    for (int mode : {0, kAtLeastOne | kQuadratic}) {
        errorLog.Flush();
        EXPECT_EQ(session.ComputeTestStrengths(mode), kOutOfRange) << mode;
        EXPECT_EQ(LoggedMessages(),
                  std::vector<std::string>{"2 faults are pursued and mode " + std::to_string(mode) +
                                           " chooses no ranking of several: add 1 (marginal "
                                           "probabilities), 2 (independent configurations) "
                                           "or 4 (joint configurations)"});
    }
}

// Every refusal of a ranking gives its cause, whatever the number of faults pursued and the mode.
TEST_F(DiagSessionTest, ARefusedRankingGivesItsCause) {
    Build();
    net.GetNode(t2)->GetExtraDefinition()->mandatory = true;
    Start();
    for (const std::vector<int>& pursued : {std::vector<int>{0}, std::vector<int>{0, 1}}) {
        ASSERT_EQ(session.SetPursuedFaults(Ints(pursued)), kSuccess);
        for (int flags :
             {0, kMarginal, kConfigurationsIndependent | kAll, kConfigurationsJoint | kQuadratic}) {
            errorLog.Flush();
            EXPECT_EQ(Rank(flags), kOutOfRange);
            EXPECT_EQ(LoggedMessages(),
                      std::vector<std::string>{"Mandatory observation [T2] has not been made: "
                                               "the tests are ranked once it is"})
                << flags;
        }
    }
    ASSERT_EQ(session.InstantiateObservation(t2, 0), kSuccess);
    // The fault list is rebuilt from the roles: a pursued index past its end is named.
    ASSERT_EQ(session.SetPursuedFaults(Ints({0, 1})), kSuccess);
    net.GetNode(g)->GetExtraDefinition()->diagType = DiagnosisType::kAuxiliary;
    for (int flags : {kMarginal, kConfigurationsJoint}) {
        errorLog.Flush();
        EXPECT_EQ(Rank(flags), kOutOfRange);
        EXPECT_EQ(
            LoggedMessages(),
            std::vector<std::string>{"Pursued fault 1 is no longer among the faults, which were listed again "
                                     "from the nodes' roles: choose the pursued faults again"})
            << flags;
    }
}

TEST_F(DiagSessionTest, EqualFaultProbabilitiesPickTheLaterFault) {
    Tables t;
    t.pG = t.pF;
    Build(t);
    Start();
    EXPECT_EQ(session.FindMostLikelyFault(), 1);
}

TEST_F(DiagSessionTest, NoFaultsMeansNothingPursued) {
    Build();
    net.GetNode(f)->GetExtraDefinition()->diagType = DiagnosisType::kAuxiliary;
    net.GetNode(g)->GetExtraDefinition()->diagType = DiagnosisType::kAuxiliary;
    Start();
    EXPECT_EQ(session.FindMostLikelyFault(), kOutOfRange);
    EXPECT_EQ(session.GetPursuedFaults().GetCount(), 0);
    EXPECT_EQ(Rank(0), kOutOfRange);
}

TEST_F(DiagSessionTest, ObservationsLeaveAndReturnToTheTestList) {
    Build();
    VRX_extraDefinition& extra = *net.GetNode(t3)->GetExtraDefinition();
    ASSERT_EQ(extra.SetDefaultOutcome(1), kSuccess);
    extra.setAsDefault = 1;
    net.GetNode(t2)->GetExtraDefinition()->mandatory = 1;
    Start();
    EXPECT_EQ(net.GetNode(t3)->GetValue()->GetEvidence(), 1);  // its default, set at creation: performed
    EXPECT_EQ(Items(session.GetUnperformedTests()), (std::vector<int>{t1, t2}));
    EXPECT_FALSE(session.MandatoriesInstantiated());
    EXPECT_EQ(Rank(0), kOutOfRange);  // the mandatory T2 is not observed
    EXPECT_TRUE(session.GetResults().empty());
    ASSERT_EQ(session.InstantiateObservation(t2, 0), kSuccess);
    EXPECT_TRUE(session.MandatoriesInstantiated());
    ASSERT_EQ(Rank(0), kSuccess);
    EXPECT_EQ(session.GetResults().size(), 1u);
    ASSERT_EQ(session.InstantiateObservation(t1, 1), kSuccess);
    EXPECT_TRUE(session.GetResults().empty());
    EXPECT_EQ(session.GetUnperformedTests().GetCount(), 0);
    ASSERT_EQ(session.ReleaseObservation(t3), kSuccess);
    ASSERT_EQ(session.ReleaseObservation(t1), kSuccess);
    EXPECT_EQ(Items(session.GetUnperformedTests()), (std::vector<int>{t3, t1}));
    EXPECT_EQ(session.ReleaseObservation(t1), kOutOfRange);  // no evidence left to clear
    EXPECT_EQ(Items(session.GetUnperformedTests()), (std::vector<int>{t3, t1}));
    EXPECT_EQ(session.InstantiateObservation(t1, 2), kOutOfRange);
    EXPECT_EQ(session.InstantiateObservation(99, 0), kOutOfRange);
}

TEST_F(DiagSessionTest, SingleFaultStrengthsAndScoresMatchHandValues) {
    Build();
    Start();
    ASSERT_LT(net.userProperties.FindProperty("DIAG_alphaValue"), 0);
    const Evidence none{-1, -1, -1};
    auto fault = [](const std::array<double, 4>& p) { return vovido::BinaryEntropy(p[2] + p[3]); };
    for (int given : {-1, 0}) {
        Evidence ev = none;
        if (given == 0) {
            ASSERT_EQ(session.InstantiateObservation(t3, 0), kSuccess);
            ev[2] = 0;
        }
        ASSERT_EQ(Rank(0), kSuccess);
        const std::vector<TestResult>& results = session.GetResults();
        const std::vector<int> tests = Items(session.GetUnperformedTests());
        ASSERT_EQ(results.size(), tests.size());
        for (size_t i = 0; i < tests.size(); ++i) {
            const int index = tests[i] == t1 ? 0 : tests[i] == t2 ? 1 : 2;
            const double strength = Strength(Tables(), ev, index, fault, true);
            const double cost = tests[i] == t1 ? 2.0 : 0.0;
            EXPECT_EQ(results[i].test, tests[i]);
            EXPECT_NEAR(results[i].strength, strength, 1e-12) << i;
            EXPECT_EQ(results[i].cost, cost);
            EXPECT_NEAR(results[i].score, strength - cost, 1e-12);
        }
    }
    // The weight of the cost was added to the network at its default.
    const int alpha = net.userProperties.FindProperty("DIAG_alphaValue");
    ASSERT_GE(alpha, 0);
    EXPECT_STREQ(net.userProperties.GetPropertyValue(alpha), "1.00000000");
    ASSERT_EQ(net.userProperties.ChangePropertyValue(alpha, "0.5"), kSuccess);
    ASSERT_EQ(Rank(0), kSuccess);
    EXPECT_NEAR(session.GetResults()[0].score, session.GetResults()[0].strength - 1.0, 1e-12);
    ASSERT_EQ(net.userProperties.ChangePropertyValue(alpha, "nan"), kSuccess);
    ASSERT_EQ(Rank(0), kSuccess);
    EXPECT_NEAR(session.GetResults()[0].score, session.GetResults()[0].strength - 2.0, 1e-12);
}

// A target may be observed like any node: G seen bad ranks the tests for F as if G were bad for certain.
TEST_F(DiagSessionTest, AnObservedTargetIsEvidenceOfTheNextRanking) {
    Build();
    Start();
    ASSERT_EQ(session.InstantiateObservation(g, 1), kSuccess);
    EXPECT_EQ(net.GetNode(g)->GetValue()->GetEvidence(), 1);
    ASSERT_EQ(Rank(0), kSuccess);
    Tables certain;
    certain.pG = 1.0;
    auto fault = [](const std::array<double, 4>& p) { return vovido::BinaryEntropy(p[2] + p[3]); };
    const std::vector<TestResult>& results = session.GetResults();
    ASSERT_EQ(results.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(results[i].strength, Strength(certain, {-1, -1, -1}, i, fault, true), 1e-12) << i;
    EXPECT_EQ(session.GetFaults().size(), 2u);
}

TEST_F(DiagSessionTest, UnavailableCostsAndSeparatedTestsKeepTheirPlaces) {
    Build();
    SetCost(t2, {kNotAvailableValue});
    Start();
    session.SetDSeparation(true);
    ASSERT_EQ(Rank(0), kSuccess);
    const std::vector<TestResult>& r = session.GetResults();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].test, t1);
    EXPECT_GT(r[0].strength, 0.0);
    EXPECT_EQ(r[1].test, -1);  // cost not available
    EXPECT_EQ(r[1].strength, kNotAvailableValue);
    EXPECT_EQ(r[1].score, kNotAvailableValue);
    EXPECT_EQ(r[2].test, -2);  // T3 cannot inform F
    EXPECT_EQ(r[2].cost, kExcludedValue);
    // Both faults pursued: G reaches T3 again.
    ASSERT_EQ(session.SetPursuedFaults(Ints({0, 1})), kSuccess);
    ASSERT_EQ(Rank(kMarginal), kSuccess);
    EXPECT_EQ(r[2].test, t3);
}

TEST_F(DiagSessionTest, CertainFaultsGiveZeroStrengthNeverNaN) {
    for (double pF : {0.0, 1.0}) {
        Tables t;
        t.pF = pF;
        net.CleanUp(1);
        ASSERT_EQ(net.Initialize(10, 10), kSuccess);
        Build(t);
        DiagSession fresh;
        ASSERT_EQ(fresh.SetNetwork(&net), kSuccess);
        ASSERT_EQ(fresh.CollectFaultsAndObservations(), kSuccess);
        ASSERT_EQ(fresh.SetPursuedFault(0), kSuccess);
        ASSERT_EQ(fresh.UpdateFaultBeliefs(), kSuccess);
        ASSERT_EQ(fresh.ComputeTestStrengths(0), kSuccess);
        for (const TestResult& r : fresh.GetResults()) {
            EXPECT_EQ(r.strength, 0.0) << pF;
            EXPECT_FALSE(std::isnan(r.score));
        }
    }
}

TEST_F(DiagSessionTest, MultiFaultModesMatchEnumeration) {
    Build();
    Start();
    ASSERT_EQ(session.SetPursuedFaults(Ints({0, 1})), kSuccess);
    auto marginals = [](const std::array<double, 4>& p) {
        return std::vector<double>{p[2] + p[3], p[1] + p[3]};
    };
    // Configurations (F, G) in storage order; F and G are each pursued at "bad" (outcome 1).
    auto entropyOf = [](int flags, const std::array<double, 4>& joint) {
        std::vector<double> matching;
        for (int i = 0; i < 4; ++i) {
            if (vovido::ConfigurationMatches(i / 2 + i % 2, 2, flags)) matching.push_back(joint[i]);
        }
        return vovido::DistributionEntropy(matching);
    };
    auto independent = [&](int flags) {
        return [&, flags](const std::array<double, 4>& p) {
            const std::vector<double> m = marginals(p);
            std::array<double, 4> product{};
            for (int i = 0; i < 4; ++i) product[i] = (i / 2 ? m[0] : 1 - m[0]) * (i % 2 ? m[1] : 1 - m[1]);
            return entropyOf(flags, product);
        };
    };
    auto joint = [&](int flags) {
        return [&, flags](const std::array<double, 4>& p) { return entropyOf(flags, p); };
    };
    const auto marginal = [&](const std::array<double, 4>& p) {
        return vovido::DistanceMeasure(marginals(p));
    };
    struct Case {
        int flags;
        std::function<double(std::array<double, 4>)> measure;
    };
    const std::vector<Case> cases{
        {kMarginal, marginal},
        {kMarginal | kQuadratic,
         [&](const std::array<double, 4>& p) { return vovido::QuadraticMeasure(marginals(p)); }},
        {kConfigurationsIndependent, independent(0)},
        {kConfigurationsIndependent | kExactlyOne, independent(kExactlyOne)},
        {kConfigurationsIndependent | kAll, independent(kAll)},
        {kConfigurationsJoint | kAtLeastOne, joint(kAtLeastOne)},
        {kConfigurationsJoint | kExactlyOne, joint(kExactlyOne)},
        {kConfigurationsJoint | kAll, joint(kAll)},
        {kConfigurationsJoint, joint(0)},
        // Several ranking bits: bit 1, else bit 2, else bit 4 ranks; bits no ranking defines are ignored.
        {kMarginal | kConfigurationsIndependent, marginal},
        {kMarginal | kConfigurationsJoint, marginal},
        {kConfigurationsIndependent | kConfigurationsJoint, independent(0)},
        {kMarginal | kConfigurationsIndependent | kConfigurationsJoint, marginal},
        {kMarginal | 128, marginal},
    };
    for (int given : {-1, 0}) {
        Evidence ev{-1, -1, -1};
        if (given == 0) {
            ASSERT_EQ(session.InstantiateObservation(t1, 1), kSuccess);
            ev[0] = 1;
        }
        for (const Case& c : cases) {
            ASSERT_EQ(Rank(c.flags), kSuccess) << c.flags;
            const std::vector<int> tests = Items(session.GetUnperformedTests());
            ASSERT_EQ(session.GetResults().size(), tests.size());
            for (size_t i = 0; i < tests.size(); ++i) {
                const int index = tests[i] == t1 ? 0 : tests[i] == t2 ? 1 : 2;
                EXPECT_NEAR(session.GetResults()[i].strength, Strength(Tables(), ev, index, c.measure, false),
                            1e-12)
                    << "flags " << c.flags << " test " << index << " given " << given;
                EXPECT_EQ(session.GetResults()[i].cost, index == 0 ? 2.0 : 0.0);
            }
        }
    }
}

TEST_F(DiagSessionTest, TestCostReadsOnlyInsideTheTable) {
    Build();
    const int c = AddNode(net, DefinitionType::kCpt, "C", {});
    ASSERT_EQ(Def(net, "C").SetNumberOfOutcomes(3), kSuccess);
    ASSERT_EQ(net.AddCostArc(c, t3), kSuccess);
    SetCost(t3, {1.0, 4.0, kNotAvailableValue});
    double cost = -1.0;
    EXPECT_EQ(DiagEngine::GetTestCost(net, t3, cost), kSuccess);  // C open: mean of what is available
    EXPECT_EQ(cost, 2.5);
    ASSERT_EQ(net.GetNode(c)->GetValue()->SetEvidence(1), kSuccess);
    EXPECT_EQ(DiagEngine::GetTestCost(net, t3, cost), kSuccess);
    EXPECT_EQ(cost, 4.0);
    ASSERT_EQ(net.GetNode(c)->GetValue()->SetEvidence(2), kSuccess);
    EXPECT_EQ(DiagEngine::GetTestCost(net, t3, cost), kFailure);
    // The session ranks T3 as unavailable while C says its cost is.
    Start();
    ASSERT_EQ(Rank(0), kSuccess);
    EXPECT_EQ(session.GetResults()[2].test, -1);
}

TEST_F(DiagSessionTest, GroupSetupCostCountsUntilAMemberIsPerformed) {
    Build();
    const int group = AddNode(net, DefinitionType::kCpt, "Probe", {});
    ASSERT_EQ(net.GetNode(group)->GetInfo()->userProperties.AddProperty("DIAG_TESTGROUPCOST", "True"),
              kSuccess);
    ASSERT_EQ(net.AddCostArc(group, t2), kSuccess);
    ASSERT_EQ(net.AddCostArc(group, t3), kSuccess);
    SetCost(group, {3.0});
    SetCost(t2, {10.0, 1.0});  // the cost given the probe is set up (outcome 1) is 1
    SetCost(t3, {10.0, 0.5});
    Start();
    ASSERT_EQ(Rank(0), kSuccess);
    EXPECT_EQ(session.GetResults()[1].cost, 4.0);
    EXPECT_EQ(session.GetResults()[2].cost, 3.5);
    ASSERT_EQ(session.InstantiateObservation(t2, 0), kSuccess);
    ASSERT_EQ(Rank(0), kSuccess);
    ASSERT_EQ(session.GetResults().size(), 2u);
    EXPECT_EQ(session.GetResults()[1].test, t3);
    EXPECT_EQ(session.GetResults()[1].cost, 0.5);
}

TEST_F(DiagSessionTest, DSeparationTargetsTheFaultsAboveTheObservations) {
    Build();
    Start();
    session.SetDSeparation(true);
    ASSERT_EQ(session.UpdateFaultBeliefs(), kSuccess);  // nothing observed: every fault node
    EXPECT_EQ(net.IsTarget(f), 1);
    EXPECT_EQ(net.IsTarget(g), 1);
    ASSERT_EQ(session.InstantiateObservation(t3, 0), kSuccess);
    ASSERT_EQ(session.UpdateFaultBeliefs(), kSuccess);
    EXPECT_EQ(net.IsTarget(f), 0);
    EXPECT_EQ(net.IsTarget(g), 1);
    EXPECT_FALSE(net.GetNode(f)->GetValue()->IsUpToDate());
    EXPECT_NEAR(vovido::DiagBelief(net, g, 1),
                Posterior(Tables(), {-1, -1, 0})[1] + Posterior(Tables(), {-1, -1, 0})[3], 1e-12);
}

// G observed and left out by d-separation is not computed; without d-separation it reads its evidence
// again, as it does when no ranking under d-separation came first, whatever the update reads.
TEST_F(DiagSessionTest, AnObservedFaultLeftOutByDSeparationReadsItsEvidenceWithout) {
    Build();
    Start();
    ASSERT_EQ(session.InstantiateObservation(t1, 0), kSuccess);
    ASSERT_EQ(session.InstantiateObservation(g, 1), kSuccess);
    ASSERT_EQ(session.SetPursuedFault(session.GetFaultIndex(g, 1)), kSuccess);
    for (const int algorithm :
         {BayesianAlgorithm::kClusteringWithDecomposition, BayesianAlgorithm::kRelevanceDecomposition}) {
        net.SetBayesianAlgorithm(algorithm);
        for (const bool separated : {true, false, true, false}) {
            session.SetDSeparation(separated);
            ASSERT_EQ(Rank(0), kSuccess);
            EXPECT_EQ(net.GetNode(g)->GetValue()->IsUpToDate(), !separated) << algorithm;
            EXPECT_EQ(vovido::DiagBelief(net, g, 1), 1.0);
        }
    }
}

TEST_F(DiagSessionTest, StructuralChangeIsRefusedWithItsReason) {
    Build();
    Start();
    errorLog.Flush();
    ASSERT_EQ(net.DeleteNode(t3), kSuccess);
    EXPECT_EQ(Rank(0), kObjectNotValid);
    EXPECT_EQ(session.ComputeTestStrengths(0), kObjectNotValid);
    EXPECT_EQ(session.InstantiateObservation(t1, 0), kObjectNotValid);
    EXPECT_EQ(session.FindMostLikelyFault(), kOutOfRange);
    EXPECT_TRUE(Logged(kObjectNotValid, vovido::kDiagNetworkChangedText)) << LogDump();
    errorLog.Flush();
}

}  // namespace

namespace {

TEST(DiagResultsOrder, ObservationsByStrengthWithMarkedValuesLast) {
    const double nan = std::nan("");
    std::vector<ObservationResult> results;
    int node = 0;
    for (double s : {0.3, nan, 0.7, kNotAvailableValue, kExcludedValue, -0.4})
        results.push_back({node++, 0, 0, s});
    std::stable_sort(results.begin(), results.end(), vovido::ObservationResultBefore);
    std::vector<int> order;
    for (const ObservationResult& r : results) order.push_back(r.node);
    // 0.7, 0.3, a negative score, then 5 x DBL_MIN, 4 x DBL_MIN and NaN.
    EXPECT_EQ(order, (std::vector<int>{2, 0, 5, 4, 3, 1}));
}

TEST(DiagResultsOrder, FaultsByProbabilityThenPursuedThenOutcome) {
    std::vector<FaultResult> faults{{0, 7, 1, 0.25, false},          {1, 7, 0, 0.25, false},
                                    {2, 3, 0, kExcludedValue, true}, {3, 5, 1, 0.25, true},
                                    {4, 9, 0, 0.0, false},           {5, 2, 0, 0.6, false}};
    std::stable_sort(faults.begin(), faults.end(), vovido::FaultResultBefore);
    std::vector<int> order;
    for (const FaultResult& f : faults) order.push_back(f.index);
    // Not computed comes after a probability of 0; equal probabilities: pursued first, then by outcome.
    EXPECT_EQ(order, (std::vector<int>{5, 3, 1, 0, 4, 2}));
    EXPECT_EQ(vovido::classifyDiagValue(std::nan("")), 3);
    EXPECT_EQ(vovido::classifyDiagValue(kNotAvailableValue), 2);
    EXPECT_EQ(vovido::classifyDiagValue(kExcludedValue), 1);
    EXPECT_EQ(vovido::classifyDiagValue(-1.0), 0);
}

}  // namespace

namespace {

// A ranking refused before its first update: the pursued faults f0 .. f(pursued - 1), the mode and the one
// message logged.
struct RefusedRanking {
    int mode;
    int pursued;
    const char* message;
};

template <size_t N>
void ExpectRankingsRefused(DiagSession& session, const RefusedRanking (&cases)[N]) {
    for (const RefusedRanking& c : cases) {
        VRX_intArray faults;
        for (int i = 0; i < c.pursued; ++i) ASSERT_EQ(faults.Add(i), kSuccess);
        ASSERT_EQ(session.SetPursuedFaults(faults), kSuccess);
        errorLog.Flush();
        EXPECT_EQ(session.ComputeTestStrengths(c.mode), kOutOfMemory) << c.message;
        EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{c.message});
        EXPECT_TRUE(session.GetResults().empty());
    }
    errorLog.Flush();
}

// Forty faults and fifty tests: pursuing many faults at once is refused before any ranking update, naming
// the faults pursued and the counts.
TEST(DiagSessionLimits, RankingsPastTheWorkLimitAreRefusedAtOnce) {
    VRX_network net;
    ASSERT_EQ(vovido::test::BuildTroubleshootingNetwork(net, 40, 50), kSuccess);
    DiagSession session;
    ASSERT_EQ(session.SetNetwork(&net), kSuccess);
    ASSERT_EQ(session.CollectFaultsAndObservations(), kSuccess);
    ASSERT_EQ(session.UpdateFaultBeliefs(), kSuccess);
    const RefusedRanking cases[] = {
        // By Bayes' rule, 2^17 updates with the fault nodes observed (some 14 s; 16 answer in 7 s).
        {kConfigurationsJoint, 17,
         "Ranking the tests for 17 pursued faults by their joint probabilities, weighing 131072 combinations "
         "of their 17 fault nodes in each of 101 cases (the present evidence and each outcome of 50 tests), "
         "would take 13238171 belief updates of 90 nodes with tables of 880 cells besides the beliefs of "
         "every test with join trees of 25344 entries: the work of 87901486544 cells (64 a node besides its "
         "table or tree), or by Bayes' rule from 131072 updates of every test's beliefs with the fault nodes "
         "observed (6640 cells each, counted 5 times) after the walk, 5221932944 cells, past the limit of "
         "4294967296 cells"},
        // 101 cases times 1 + 2 + ... + 2^19 updates, each of 40 x 2 + 50 x 16 cells and 90 x 64, and one
        // update more; once a combination, 2^20 of them, with the cases' beliefs, would take more memory.
        {kConfigurationsJoint, 20,
         "Ranking the tests for 20 pursued faults by their joint probabilities, weighing 1048576 "
         "combinations "
         "of their 20 fault nodes in each of 101 cases (the present evidence and each outcome of 50 tests), "
         "would take 105906075 belief updates of 90 nodes with tables of 880 cells besides the beliefs of "
         "every test with join trees of 25344 entries: the work of 703216369104 cells (64 a node besides "
         "its table or tree), past the limit of 4294967296 cells"},
        {kConfigurationsJoint, 40,
         "Ranking the tests for 40 pursued faults by their joint probabilities, weighing 1099511627776 "
         "combinations of their 40 fault nodes in each of 101 cases (the present evidence and each outcome "
         "of 50 tests), would take 111050674405275 belief updates of 90 nodes with tables of 880 cells "
         "besides the beliefs of every test with join trees of 25344 entries: the work of "
         "737376478051057104 cells (64 a node besides its table or tree), past the limit of 4294967296 "
         "cells"},
        // A product of 40 marginals for each combination and case, two a cell, and one update per case.
        {kConfigurationsIndependent, 40,
         "Ranking the tests for 40 pursued faults taken as independent, weighing 1099511627776 "
         "combinations of their 40 fault nodes in each of 101 cases (the present evidence and each outcome "
         "of 50 tests), would take 101 belief updates of 90 nodes with tables of 880 cells besides the "
         "beliefs of every test with join trees of 25344 entries: the work of 2221013488809264 cells (64 a "
         "node besides its table or tree), past the limit of 4294967296 cells"},
    };
    ExpectRankingsRefused(session, cases);
}

// Jointly, by Bayes' rule, each combination's update of every test's beliefs is counted with the pursued
// fault nodes observed: 15 of 60 faults among 60 tests answer (some 5 s), 16 (some 11 s) are refused.
TEST(DiagSessionLimits, JointRankingsCountEachCombinationWithItsFaultsObserved) {
    VRX_network net;
    ASSERT_EQ(vovido::test::BuildTroubleshootingNetwork(net, 60, 60), kSuccess);
    DiagSession session;
    ASSERT_EQ(session.SetNetwork(&net), kSuccess);
    ASSERT_EQ(session.CollectFaultsAndObservations(), kSuccess);
    ASSERT_EQ(session.UpdateFaultBeliefs(), kSuccess);
    const RefusedRanking cases[] = {
        {kConfigurationsJoint, 16,
         "Ranking the tests for 16 pursued faults by their joint probabilities, weighing 65536 combinations "
         "of their 16 fault nodes in each of 121 cases (the present evidence and each outcome of 60 tests), "
         "would take 7929735 belief updates of 120 nodes with tables of 1080 cells besides the beliefs of "
         "every test with join trees of 758656 entries: the work of 69465244936 cells (64 a node besides "
         "its table or tree), or by Bayes' rule from 65536 updates of every test's beliefs with the fault "
         "nodes observed (12000 cells each, counted 5 times) after the walk, 4507012936 cells, past the "
         "limit of 4294967296 cells"},
    };
    ExpectRankingsRefused(session, cases);
}

// Every test observed: no ranking has a strength to compute, and none is refused for the configurations
// of forty faults (which it would never weigh), nor takes a belief update.
TEST(DiagSessionLimits, NoTestLeftIsAnsweredAtOnce) {
    VRX_network net;
    ASSERT_EQ(vovido::test::BuildTroubleshootingNetwork(net, 40, 50), kSuccess);
    ASSERT_EQ(vovido::test::ObserveTests(net, 50, 1), kSuccess);
    DiagSession session;
    ASSERT_EQ(session.SetNetwork(&net), kSuccess);
    ASSERT_EQ(session.CollectFaultsAndObservations(), kSuccess);
    VRX_intArray faults;
    for (int i = 0; i < 40; ++i) ASSERT_EQ(faults.Add(i), kSuccess);
    ASSERT_EQ(session.SetPursuedFaults(faults), kSuccess);
    for (int mode : {kMarginal, kConfigurationsIndependent, kConfigurationsJoint}) {
        EXPECT_EQ(session.ComputeTestStrengths(mode), kSuccess) << vovido::test::LogDump();
        EXPECT_TRUE(session.GetResults().empty());
    }
}

// With half of 300 tests observed over 300 scattered faults, each update's join tree is large and the
// beliefs of every open test need trees past the limit of one: the single-fault and marginal rankings are
// refused before their first update.
TEST(DiagSessionLimits, RankingsOverLargeJoinTreesAreRefusedAtOnce) {
    VRX_network net;
    ASSERT_EQ(vovido::test::BuildTroubleshootingNetwork(net, 300, 300, true), kSuccess);
    ASSERT_EQ(vovido::test::ObserveTests(net, 300, 2), kSuccess);
    DiagSession session;
    ASSERT_EQ(session.SetNetwork(&net), kSuccess);
    ASSERT_EQ(session.CollectFaultsAndObservations(), kSuccess);
    const RefusedRanking cases[] = {
        // 300 test outcomes, each an update of a tree of 28193208 entries, after the beliefs of the 150
        // open tests, taken one by one with the fault (151 targets), and 64 a node of the 600 in each.
        {0, 1,
         "Ranking the tests for the pursued fault [f0] would take 300 belief updates of 600 nodes with "
         "tables of 5400 cells and a join tree of 28193208 entries besides the beliefs of every test with "
         "join trees of 4257174408 entries: the work of 12732455208 cells (64 a node besides its table or "
         "tree), past the limit of 4294967296 cells"},
        {kMarginal, 20,
         "Ranking the tests for 20 pursued faults by their marginal probabilities would take 300 belief "
         "updates of 600 nodes with tables of 5400 cells and a join tree of 28193190 entries besides the "
         "beliefs of every test with join trees of 4792842300 entries: the work of 13268847300 cells (64 "
         "a node besides its table or tree), past the limit of 4294967296 cells"},
    };
    ExpectRankingsRefused(session, cases);
}

}  // namespace
