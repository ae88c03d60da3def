// Value of information on the oil wildcatter by hand, the settings' rules and refusals.
#include <gtest/gtest.h>

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
    EXPECT_EQ(
        vovido::test::LoggedMessages(),
        (std::vector<std::string>{
            "ERROR: Node [Drill] : it is the decision, which cannot be observed before it is made",
            "ERROR: Node [Test] : it is one of the observed nodes, which are observed before the decision"}));
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
// itself and X: the last one observing every signal passes the limit of the solution where the working
// decision stands, which is no node of the caller's; the refusal names the point of view.
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
            "ERROR: Node [d8] : its decisions and observations make 524288 scenarios, each a belief update "
            "of 29 nodes with tables of 138 cells (work of 1994 cells, 64 a node besides its table), past "
            "the limit of 268435456 cells",
            "Error when running Cooper's algorithm"}));
    errorLog.Flush();
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
