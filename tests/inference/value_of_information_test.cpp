// Value of information on the oil wildcatter by hand, on random diagrams against enumeration, the
// settings' rules and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "base/error_log.h"
#include "inference/value_of_information.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/influence_diagrams.h"
#include "tests/support/networks.h"

namespace {

using vovido::test::Entries;

class ValueOfInformationTest : public ::testing::Test {
protected:
    void SetUp() override { vovido::test::BuildWildcatter(net); }
    int H(const char* id) { return net.FindNode(id); }
    VRX_network net;
};

TEST_F(ValueOfInformationTest, PerfectInformationOnOilBeforeDrilling) {
    VRX_valueOfInformation voi(&net);
    EXPECT_EQ(vovido::test::IdsOf(net, voi.GetDecisions()), (std::vector<std::string>{"Test", "Drill"}));
    EXPECT_EQ(vovido::test::IdsOf(net, voi.GetActions()),
              (std::vector<std::string>{"Test", "Seismic", "Drill"}));
    ASSERT_EQ(voi.AddNode(H("Oil")), kSuccess);
    ASSERT_EQ(voi.SetDecision(H("Drill")), kSuccess);
    EXPECT_EQ(voi.GetPointOfView(), H("Drill"));
    VRX_intArray arcsBefore;
    ASSERT_EQ(arcsBefore.Copy(net.GetParents(H("Drill"))), kSuccess);
    errorLog.Flush();
    ASSERT_EQ(net.UpdateValueOfInformation(voi), kSuccess) << vovido::test::LogDump();
    // The working copy's order is its own: nothing is said of it.
    EXPECT_EQ(vovido::test::LogDump(), "");
    EXPECT_EQ(net.GetParents(H("Drill")), arcsBefore);
    EXPECT_EQ(vovido::test::IdsOf(net, voi.GetIndexingNodes()),
              (std::vector<std::string>{"Test", "Seismic"}));
    // Knowing the oil, one drills only where it pays: 55 against 20 without a test; after a test, the
    // gain over drilling on the seismic result (closed 87.5, open 32.86, diffuse nothing).
    vovido::test::ExpectNear(Entries(voi.GetValues()),
                             {(0.09 * 50 + 0.1 * 200) / 0.24 - 87.5, (0.12 * 50 + 0.08 * 200 - 11.5) / 0.35,
                              (0.09 * 50 + 0.02 * 200) / 0.41, 35, 35, 35});
}

TEST_F(ValueOfInformationTest, NothingNewIsWorthNothing) {
    for (const std::vector<const char*>& observed : {std::vector<const char*>{}, {"Seismic"}}) {
        VRX_valueOfInformation voi(&net);
        for (const char* id : observed) ASSERT_EQ(voi.AddNode(H(id)), kSuccess);
        ASSERT_EQ(voi.SetDecision(H("Drill")), kSuccess);
        ASSERT_EQ(net.UpdateValueOfInformation(voi), kSuccess) << vovido::test::LogDump();
        ASSERT_GT(voi.GetValues().GetNumberOfElements(), 0);
        for (double v : Entries(voi.GetValues())) EXPECT_NEAR(v, 0.0, 1e-9);
    }
}

TEST_F(ValueOfInformationTest, SettingsRules) {
    VRX_valueOfInformation voi(&net);
    EXPECT_EQ(voi.AddNode(H("Oil")), kSuccess);
    EXPECT_EQ(voi.AddNode(H("Oil")), kOutOfRange);
    EXPECT_EQ(voi.AddNode(77), kOutOfRange);
    EXPECT_EQ(voi.SetDecision(H("Oil")), kOutOfRange);
    EXPECT_EQ(voi.SetPointOfView(H("Drill")), kSuccess);
    EXPECT_EQ(voi.GetDecision(), H("Drill"));
    EXPECT_EQ(voi.SetDecision(H("Test")), kOutOfRange);
    EXPECT_EQ(voi.GetDecision(), H("Drill"));
    // The decision is never observed before itself, whichever is set first.
    errorLog.Flush();
    EXPECT_EQ(voi.AddNode(H("Drill")), kWrongNodeType);
    EXPECT_EQ(voi.AddNode(H("Test")), kSuccess);
    EXPECT_EQ(voi.SetDecision(H("Test")), kWrongNodeType);
    EXPECT_EQ(voi.GetDecision(), H("Drill"));
    EXPECT_EQ(voi.AddNode(H("Payoff")), kWrongNodeType);
    EXPECT_EQ(
        vovido::test::LoggedMessages(),
        (std::vector<std::string>{
            "ERROR: Node [Drill] : it is the decision, which cannot be observed before it is made",
            "ERROR: Node [Test] : it is one of the observed nodes, which are observed before the decision",
            "ERROR: Node [Payoff] : it is a utility node, which has no outcomes to observe"}));
    EXPECT_EQ(voi.RemoveNode(H("Test")), kSuccess);
    EXPECT_EQ(voi.RemoveNode(H("Oil")), kSuccess);
    EXPECT_EQ(voi.RemoveNode(H("Oil")), kOutOfRange);
    ASSERT_EQ(voi.AddNode(H("Oil")), kSuccess);
    ASSERT_EQ(net.DeleteNode(H("Oil")), kSuccess);
    EXPECT_EQ(net.UpdateValueOfInformation(voi), kObjectNotConsistent);
    VRX_valueOfInformation unbound(nullptr);
    EXPECT_EQ(unbound.AddNode(0), kObjectNotValid);
    EXPECT_EQ(net.UpdateValueOfInformation(unbound), kObjectNotValid);
}

TEST_F(ValueOfInformationTest, ANodeTheDecisionCannotObserveIsRefusedByName) {
    const int gauge = net.AddNode(DefinitionType::kDeMorgan, "Gauge");
    ASSERT_GE(gauge, 0);
    VRX_valueOfInformation voi(&net);
    ASSERT_EQ(voi.AddNode(gauge), kSuccess);
    ASSERT_EQ(voi.SetDecision(H("Drill")), kSuccess);
    errorLog.Flush();
    EXPECT_NE(net.UpdateValueOfInformation(voi), kSuccess);
    EXPECT_EQ(
        vovido::test::LastLogged(),
        "ERROR: Node [Gauge] : it cannot be observed before decision [Drill], which cannot take it as a "
        "parent");
    errorLog.Flush();
}

TEST(ValueOfInformation, TheWorkingDecisionIsNamedInNoNotice) {
    // D2 and D3 follow no order: the solver assumes one and says so, of the caller's decisions only.
    VRX_network net;
    using vovido::test::AddNode;
    const int m = AddNode(net, DefinitionType::kCpt, "M", {});
    AddNode(net, DefinitionType::kCpt, "L", {"M"});
    AddNode(net, DefinitionType::kList, "D3", {});
    const int d2 = AddNode(net, DefinitionType::kList, "D2", {"L"});
    AddNode(net, DefinitionType::kTable, "U", {"L", "D2"});
    AddNode(net, DefinitionType::kTable, "U3", {"D3"});
    VRX_valueOfInformation voi(&net);
    ASSERT_EQ(voi.AddNode(m), kSuccess);
    ASSERT_EQ(voi.SetDecision(d2), kSuccess);
    errorLog.Flush();
    ASSERT_EQ(net.UpdateValueOfInformation(voi), kSuccess) << vovido::test::LogDump();
    EXPECT_EQ(vovido::test::LogDump().find("[Node"), std::string::npos) << vovido::test::LogDump();
    errorLog.Flush();
}

TEST(ValueOfInformation, AnEarlierDecisionApartFromTheObservationsIsNoNotice) {
    // D1 comes before D2 only by its arc; L is observed before D2 and M tells of L.
    VRX_network net;
    using vovido::test::AddNode;
    const int m = AddNode(net, DefinitionType::kCpt, "M", {});
    AddNode(net, DefinitionType::kCpt, "L", {"M"});
    AddNode(net, DefinitionType::kList, "D1", {});
    const int d2 = AddNode(net, DefinitionType::kList, "D2", {"D1", "L"});
    AddNode(net, DefinitionType::kTable, "U", {"L", "D2"});
    ASSERT_EQ(vovido::test::Def(net, "U").SetDefinitionDoubles(vovido::test::Doubles({1, 0, 0, 1})),
              kSuccess);
    VRX_valueOfInformation voi(&net);
    ASSERT_EQ(voi.AddNode(m), kSuccess);
    ASSERT_EQ(voi.SetDecision(d2), kSuccess);
    errorLog.Flush();
    ASSERT_EQ(net.UpdateValueOfInformation(voi), kSuccess) << vovido::test::LogDump();
    EXPECT_EQ(vovido::test::LogDump(), "");
}

TEST(ValueOfInformation, ScenariosThatCannotBeEvaluatedNameTheCallersNodesOnly) {
    VRX_network net;
    vovido::test::BuildUnevaluableScenarios(net);
    const int a = net.FindNode("A");
    const int d = net.FindNode("D");
    VRX_valueOfInformation voi(&net);
    ASSERT_EQ(voi.AddNode(a), kSuccess);
    ASSERT_EQ(voi.SetDecision(d), kSuccess);
    errorLog.Flush();
    (void)net.UpdateValueOfInformation(voi);
    EXPECT_TRUE(vovido::test::Logged(kNoUsefulSamples,
                                     "8 scenarios could not be evaluated, e.g. (E = State1, "
                                     "D = Choice0), (E = State1, D = Choice1), (E = State1, "
                                     "D = Choice0), …"))
        << vovido::test::LogDump();
    errorLog.Flush();
}

// Nine decisions in a row, each seeing a signal of X and the one before it, each earning a utility over
// itself and X: the solutions without and with the signals pass the limit together, each some 8 s; the
// refusal names the point of view.
TEST(ValueOfInformation, ARefusedSolutionNamesTheCallersDecision) {
    VRX_network net;
    vovido::test::AddNode(net, DefinitionType::kCpt, "X", {});
    std::string previous;
    for (int k = 0; k < 9; ++k) {
        const std::string s = "s" + std::to_string(k);
        const std::string d = "d" + std::to_string(k);
        vovido::test::AddNode(net, DefinitionType::kCpt, s.c_str(), {"X"});
        std::vector<const char*> parents{s.c_str()};
        if (!previous.empty()) parents.push_back(previous.c_str());
        vovido::test::AddNode(net, DefinitionType::kList, d.c_str(), parents);
        vovido::test::AddNode(net, DefinitionType::kTable, ("u" + std::to_string(k)).c_str(),
                              {d.c_str(), "X"});
        previous = d;
    }
    VRX_valueOfInformation voi(&net);
    for (int k = 1; k < 9; ++k)
        ASSERT_EQ(voi.AddNode(net.FindNode(("s" + std::to_string(k)).c_str())), kSuccess);
    ASSERT_EQ(voi.SetDecision(net.FindNode("d8")), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(net.UpdateValueOfInformation(voi), kOutOfMemory);
    EXPECT_EQ(
        vovido::test::LoggedMessages(),
        (std::vector<std::string>{
            "ERROR: Node [d8] : its value of information solves the diagram twice, without and with the "
            "observations, 1329840666 and 1329840666 cells of work, past the limit of 1610612736 cells for "
            "both"}));
    errorLog.Flush();
}

// The maximum expected utility from position `known` of `order` on (chance and decision nodes, each
// decision after all it knows), for every configuration of the nodes before it, by enumerating the joint:
// later chance nodes summed, later decisions maximised from the last one; NaN where the configuration is
// impossible.
std::vector<double> MeuFrom(const VRX_network& net, const std::vector<int>& order,
                            const std::vector<int>& utilities, size_t known) {
    const size_t m = order.size();
    std::vector<int> position(static_cast<size_t>(net.GetNumberOfSlots()), -1);
    std::vector<int> size(m);
    size_t total = 1;
    for (size_t i = 0; i < m; i++) {
        position[static_cast<size_t>(order[i])] = static_cast<int>(i);
        size[i] = net.GetNode(order[i])->GetDefinition()->GetNumberOfOutcomes();
        total *= static_cast<size_t>(size[i]);
    }
    std::vector<int> x(m, 0);
    const auto entry = [&](int h, int own) {
        VRX_Dmatrix* table = nullptr;
        EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
        const VRX_intArray& parents = net.GetParents(h);
        int row = 0;
        for (int k = 0; k < parents.GetCount(); k++) {
            const size_t at = static_cast<size_t>(position[static_cast<size_t>(parents[k])]);
            row = row * size[at] + x[at];
        }
        return own < 0 ? (*table)[row] : (*table)[row * size[static_cast<size_t>(position[h])] + own];
    };
    std::vector<double> weighted(total);  // probability times utility
    std::vector<double> mass(total);
    for (size_t c = 0; c < total; c++) {
        for (size_t i = m, rest = c; i-- > 0; rest /= static_cast<size_t>(size[i]))
            x[i] = static_cast<int>(rest % static_cast<size_t>(size[i]));
        double p = 1.0;
        for (size_t i = 0; i < m; i++) {
            if (net.GetNodeType(order[i]) != DefinitionType::kList) p *= entry(order[i], x[i]);
        }
        double u = 0.0;
        for (int h : utilities) u += entry(h, -1);
        mass[c] = p;
        weighted[c] = p * u;
    }
    for (size_t i = m; i-- > known;) {
        const size_t n = static_cast<size_t>(size[i]);
        const bool decision = net.GetNodeType(order[i]) == DefinitionType::kList;
        for (size_t r = 0; r < weighted.size() / n; r++) {
            double w = weighted[r * n];
            double q = mass[r * n];
            for (size_t k = 1; k < n; k++) {
                w = decision ? std::max(w, weighted[r * n + k]) : w + weighted[r * n + k];
                // The mass of what comes before a decision does not depend on it.
                q += decision ? 0.0 : mass[r * n + k];
            }
            weighted[r] = w;
            mass[r] = q;
        }
        weighted.resize(weighted.size() / n);
        mass.resize(weighted.size());
    }
    for (size_t c = 0; c < weighted.size(); c++) weighted[c] = mass[c] > 0.0 ? weighted[c] / mass[c] : NAN;
    return weighted;
}

bool Leads(const VRX_network& net, int from, int to) {
    const VRX_intArray& children = net.GetChildren(from);
    for (int k = 0; k < children.GetCount(); k++) {
        if (children[k] == to || Leads(net, children[k], to)) return true;
    }
    return false;
}

// Chance and decision nodes in influence-diagram order.
std::vector<int> DecisionOrder(VRX_network& net) {
    VRX_intArray order;
    EXPECT_EQ(net.GetInfluenceDiagramOrder(order), kSuccess);
    std::vector<int> out;
    for (int i = 0; i < order.GetCount(); i++) {
        if (net.GetNodeType(order[i]) != DefinitionType::kTable) out.push_back(order[i]);
    }
    return out;
}

// Random questions on random diagrams (later decisions observing more or less, and random chance nodes
// besides): every question whose observations can come before the decision in the order of the decisions
// is answered, at every configuration of what is known at the point of view, by the gain that enumeration
// gives (points of view on chance nodes that lead to an earlier decision among them, seeds 77 and 232);
// the others are refused naming the node.
TEST(ValueOfInformation, RandomQuestionsAgreeWithEnumeration) {
    int answered = 0;
    int refused = 0;
    int aboveEarlier = 0;
    for (unsigned seed = 1; seed <= 600; seed++) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        VRX_network net;
        const auto recall = seed % 3 == 0   ? vovido::test::Recall::kEverything
                            : seed % 3 == 1 ? vovido::test::Recall::kAssumedOrder
                                            : vovido::test::Recall::kForgetful;
        const auto d =
            vovido::test::BuildRandomDiagram(net, rng, 4, 2 + static_cast<int>(seed % 2), 2, recall);
        for (int decision : d.decisions) {
            for (int i = 0; i < 4; i++) {
                const int mark = errorLog.GetNumberOfEntries();
                if (rng() % 4 == 0 && net.AddArc(d.chance[static_cast<size_t>(i)], decision) != kSuccess)
                    errorLog.Truncate(mark);
            }
        }
        VRX_valueOfInformation voi(&net);
        const VRX_intArray& actions = voi.GetActions();
        const int decision = d.decisions[rng() % d.decisions.size()];
        const int view =
            actions[static_cast<int>(rng() % static_cast<unsigned>(actions.FindPosition(decision) + 1))];
        std::vector<int> observed;
        for (int c : d.chance) {
            if (rng() % 3 == 0) observed.push_back(c);
        }
        if (observed.empty()) observed.push_back(d.chance[rng() % d.chance.size()]);
        for (int o : observed) ASSERT_EQ(voi.AddNode(o), kSuccess);
        ASSERT_EQ(voi.SetDecision(decision), kSuccess);
        ASSERT_EQ(voi.SetPointOfView(view), kSuccess);
        // The decisions in the order the solver assumes, then the observations before the decision.
        VRX_network ordered(net);
        for (size_t k = 1; k < d.decisions.size(); k++) {
            if (ordered.AreAdjacent(d.decisions[k - 1], d.decisions[k]) != 1) {
                ASSERT_EQ(ordered.AddArc(d.decisions[k - 1], d.decisions[k]), kSuccess);
            }
        }
        VRX_network after(ordered);
        bool possible = true;
        for (int o : observed) {
            const int mark = errorLog.GetNumberOfEntries();
            if (after.GetParents(decision).IsInList(o) || after.AddArc(o, decision) == kSuccess) continue;
            errorLog.Truncate(mark);
            possible = false;
        }
        errorLog.Flush();
        const int rc = net.UpdateValueOfInformation(voi);
        if (!possible) {
            refused++;
            EXPECT_EQ(rc, kOutOfRange);
            EXPECT_EQ(vovido::test::LoggedMessages()[0].find("ERROR: Node ["), 0u) << vovido::test::LogDump();
            continue;
        }
        ASSERT_EQ(rc, kSuccess) << vovido::test::LogDump();
        answered++;
        const std::vector<int> order = DecisionOrder(ordered);
        const size_t known = static_cast<size_t>(std::find(order.begin(), order.end(), view) - order.begin());
        std::vector<int> orderAfter(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(known));
        for (int h : DecisionOrder(after)) {
            if (std::find(orderAfter.begin(), orderAfter.end(), h) == orderAfter.end())
                orderAfter.push_back(h);
        }
        for (size_t k = 0; k < known && net.GetNodeType(view) != DefinitionType::kList; k++) {
            aboveEarlier += net.GetNodeType(order[k]) == DefinitionType::kList && Leads(net, view, order[k]);
        }
        const std::vector<double> was = MeuFrom(ordered, order, d.utilities, known);
        const std::vector<double> is = MeuFrom(after, orderAfter, d.utilities, known);
        const VRX_intArray& indexing = voi.GetIndexingNodes();
        const std::vector<double> gain = Entries(voi.GetValues());
        for (size_t z = 0; z < was.size(); z++) {
            if (std::isnan(was[z])) continue;
            size_t at = 0;
            for (int k = 0; k < indexing.GetCount(); k++) {
                const size_t i =
                    static_cast<size_t>(std::find(order.begin(), order.end(), indexing[k]) - order.begin());
                ASSERT_LT(i, known);
                size_t digit = z;
                for (size_t j = known; --j > i;) digit /= 2;
                at = at * 2 + digit % 2;
            }
            ASSERT_LT(at, gain.size());
            EXPECT_NEAR(gain[at], is[z] - was[z], 1e-9) << z;
        }
    }
    // Seeds 404 and 809 observe what drops a node the solution without them depends on.
    EXPECT_GT(answered, 250);
    EXPECT_GT(refused, 250);
    EXPECT_GE(aboveEarlier, 3);
}

TEST_F(ValueOfInformationTest, NoUtilityNodeIsRefused) {
    ASSERT_EQ(net.DeleteNode(H("TestCost")), kSuccess);
    ASSERT_EQ(net.DeleteNode(H("Payoff")), kSuccess);
    VRX_valueOfInformation voi(&net);
    ASSERT_EQ(voi.SetDecision(H("Drill")), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(net.UpdateValueOfInformation(voi), kOutOfRange);
    EXPECT_TRUE(
        vovido::test::Logged(kOutOfRange, "Value of information can't be computed without utility nodes"));
    EXPECT_EQ(voi.GetValues().GetNumberOfElements(), 0);
}

}  // namespace

namespace {

// Nine observations of the drilling, each solution with its probe within the limit of one and both past
// it: refused at once, before either solution, naming the point of view.
TEST(ValueOfInformation, TwoSolutionsPastTheLimitAreRefusedAtOnce) {
    VRX_network net;
    vovido::test::BuildWildcatter(net);
    vovido::test::AddOwnUtilities(net, 9);
    VRX_valueOfInformation voi(&net);
    ASSERT_EQ(voi.AddNode(net.FindNode("c0")), kSuccess);
    ASSERT_EQ(voi.SetDecision(net.FindNode("Drill")), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(net.UpdateValueOfInformation(voi), kOutOfMemory);
    EXPECT_EQ(
        vovido::test::LoggedMessages(),
        std::vector<std::string>{"ERROR: Node [Drill] : its value of information solves the diagram twice, "
                                 "without and with the observations, 853617765 and 853617765 cells of "
                                 "work, past the limit of 1610612736 cells for both"});
    errorLog.Flush();
}

}  // namespace
