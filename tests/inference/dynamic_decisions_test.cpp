// Dynamic influence diagrams: decisions and utilities in and around the plate, solved by unrolling.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "definitions/decision_list.h"
#include "definitions/mau.h"
#include "model/temporal_extension.h"
#include "tests/support/error_log.h"
#include "tests/support/influence_diagrams.h"
#include "tests/support/networks.h"

using namespace vovido::test;

namespace {

// X follows X (0.9 to stay in outcome 0, 0.2 to enter it) from 0.8 in slice 0 over three slices; the
// utility U(X, D) is 10 -5 0 20. Where U and D sit is the case's.
enum class Layout { kNormalDecision, kTerminalUtility, kPlateDecision };

void BuildDiagram(VRX_network& net, Layout layout) {
    const int x = AddNode(net, DefinitionType::kCpt, "X", {});
    ASSERT_EQ(Def(net, "X").SetDefinitionDoubles(Doubles({0.8, 0.2})), kSuccess);
    const int d = AddNode(net, DefinitionType::kList, "D", {});
    const int u = AddNode(net, DefinitionType::kTable, "U", {"X", "D"});
    SetUtilities(net, "U", {10, -5, 0, 20});
    // Children join the plate before their parents: a plate node's children are plate or terminal.
    ASSERT_EQ(net.SetTemporalType(
                  u, layout == Layout::kTerminalUtility ? TemporalType::kTerminal : TemporalType::kPlate),
              kSuccess);
    if (layout != Layout::kNormalDecision) {
        ASSERT_EQ(net.SetTemporalType(d, TemporalType::kPlate), kSuccess);
    }
    ASSERT_EQ(net.SetTemporalType(x, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(net.AddTemporalArc(x, x, 1), kSuccess);
    ASSERT_EQ(Def(net, "X").SetTemporalDefinition(1, Doubles({0.9, 0.1, 0.2, 0.8})), kSuccess);
    ASSERT_EQ(net.SetSliceCount(3), kSuccess);
}

// P(X = 0) in each slice, and U's expected utility of each choice there.
std::vector<double> ChainOfX() {
    std::vector<double> p{0.8};
    for (int t = 1; t < 3; t++) p.push_back(p.back() * 0.9 + (1 - p.back()) * 0.2);
    return p;
}
std::vector<double> SliceUtilities(double p) {
    return {10 * p + 0 * (1 - p), -5 * p + 20 * (1 - p)};
}

using DynamicDecisions = FreshLogTest<>;

}  // namespace

// Every slice's utility table is the plate node's: the decision outside the plate sums all three, and
// each slice's copy of U holds its expected utility of each choice in its row.
TEST_F(DynamicDecisions, NormalDecisionSumsEverySliceOfThePlateUtility) {
    VRX_network net;
    BuildDiagram(net, Layout::kNormalDecision);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
    std::vector<double> sum{0, 0};
    std::vector<double> rows;
    for (double p : ChainOfX()) {
        const std::vector<double> u = SliceUtilities(p);
        sum = {sum[0] + u[0], sum[1] + u[1]};
        rows.insert(rows.end(), u.begin(), u.end());
    }
    ExpectNear(Beliefs(net, net.FindNode("D")), sum, 1e-12, "D");  // 22.92, 2.70
    ExpectNear(Beliefs(net, net.FindNode("U")), rows, 1e-12, "U");
    VRX_network unrolled;
    std::vector<int> map;
    ASSERT_EQ(net.UnrollNetwork(unrolled, map), kSuccess);
    for (const char* id : {"U", "U_1", "U_2"})
        ExpectNear(Entries(static_cast<VRX_table&>(Def(unrolled, id)).GetUtilities()), {10, -5, 0, 20}, 0,
                   id);
}

// A terminal utility after a plate decision: only the last slice's choice matters, so the earlier
// copies are indifferent, and the terminal node keeps the utilities it was given.
TEST_F(DynamicDecisions, TerminalUtilityRulesTheLastSlicesDecision) {
    VRX_network net;
    BuildDiagram(net, Layout::kTerminalUtility);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
    const std::vector<double> last = SliceUtilities(ChainOfX()[2]);  // 7.32, 1.70
    const double best = std::max(last[0], last[1]);
    ExpectNear(Beliefs(net, net.FindNode("D")), {best, best, best, best, last[0], last[1]}, 1e-12, "D");
    ExpectNear(Beliefs(net, net.FindNode("U")), last, 1e-12, "U");
    VRX_network unrolled;
    std::vector<int> map;
    ASSERT_EQ(net.UnrollNetwork(unrolled, map), kSuccess);
    ExpectNear(Entries(static_cast<VRX_table&>(Def(unrolled, "U")).GetUtilities()), {10, -5, 0, 20}, 0, "U");
    // The copies of the decision follow one another in time.
    EXPECT_EQ(unrolled.GetParents(unrolled.FindNode("D_2"))[0], unrolled.FindNode("D_1"));
}

// A plate decision with a plate utility: each copy observes the earlier choices, and its row is its
// expected utilities where they were the best: its slice's utility and the best of every other slice's.
// With a plate chance child C of D worth V(C) = 4 1, each slice gains E[V | d] = 1.9, 2.8, and C's rows
// are its table, one column a choice.
TEST_F(DynamicDecisions, PlateDecisionRowsFollowTheBestEarlierChoices) {
    for (const bool child : {false, true}) {
        VRX_network net;
        BuildDiagram(net, Layout::kPlateDecision);
        const std::vector<double> v = child ? std::vector<double>{1.9, 2.8} : std::vector<double>{0, 0};
        if (child) {
            const int c = AddNode(net, DefinitionType::kCpt, "C", {});
            ASSERT_EQ(net.SetTemporalType(c, TemporalType::kPlate), kSuccess);
            const int value = AddNode(net, DefinitionType::kTable, "V", {});
            ASSERT_EQ(net.SetTemporalType(value, TemporalType::kPlate), kSuccess);
            ASSERT_EQ(net.AddArc(net.FindNode("D"), c), kSuccess);
            ASSERT_EQ(net.AddArc(c, value), kSuccess);
            ASSERT_EQ(Def(net, "C").SetDefinitionDoubles(Doubles({0.3, 0.7, 0.6, 0.4})), kSuccess);
            SetUtilities(net, "V", {4, 1});
        }
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << child;
        std::vector<std::vector<double>> w;
        double best = 0;
        std::vector<double> rows;
        for (double p : ChainOfX()) {
            const std::vector<double> u = SliceUtilities(p);
            rows.insert(rows.end(), u.begin(), u.end());
            w.push_back({u[0] + v[0], u[1] + v[1]});
            best += std::max(w.back()[0], w.back()[1]);
        }
        std::vector<double> d;
        for (const std::vector<double>& slice : w) {
            const double others = best - std::max(slice[0], slice[1]);
            d.insert(d.end(), {slice[0] + others, slice[1] + others});  // 22.92 and 14.92, 16.32, 17.3
        }
        ExpectNear(Beliefs(net, net.FindNode("D")), d, 1e-12, "D");
        ExpectNear(Beliefs(net, net.FindNode("U")), rows, 1e-12, "U");
        if (child) {
            const std::vector<double> table{0.3, 0.7, 0.6, 0.4};
            std::vector<double> c;
            for (int t = 0; t < 3; t++) c.insert(c.end(), table.begin(), table.end());
            ExpectNear(Beliefs(net, net.FindNode("C")), c, 1e-12, "C");
        }
    }
}

// A plate decision that observes X: its best choice in slice 0 depends on what it sees, so the later
// copies, which depend on it, have no row of slice 0's width. The update says so, naming the first such
// node, and leaves the values as they were.
TEST_F(DynamicDecisions, PlateDecisionsThatObserveAreRefused) {
    VRX_network net;
    BuildDiagram(net, Layout::kPlateDecision);
    ASSERT_EQ(net.AddArc(net.FindNode("X"), net.FindNode("D")), kSuccess);
    EXPECT_EQ(net.UpdateBeliefs(), kOutOfRange);
    EXPECT_EQ(
        LoggedMessages(),
        std::vector<std::string>{"ERROR: Node [X] : its value in slice 1 has 4 entries and in slice 0 2: its "
                                 "copies depend on different observations or choices, so they make no row a "
                                 "slice"});
    EXPECT_FALSE(net.GetNode(net.FindNode("X"))->GetValue()->IsUpToDate());
}

// Parameters of the other utility kinds and of decisions go to every slice's copy.
TEST_F(DynamicDecisions, SliceCopiesTakeChoiceValuesAndMauExpressions) {
    VRX_network net;
    BuildDiagram(net, Layout::kPlateDecision);
    const int m = AddNode(net, DefinitionType::kMau, "M", {});
    ASSERT_EQ(net.SetTemporalType(m, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(net.AddArc(net.FindNode("U"), m), kSuccess);
    std::string reason;
    ASSERT_EQ(static_cast<VRX_mau&>(Def(net, "M")).SetExpressionsFromText({"2*U"}, &reason), kSuccess)
        << reason;
    ASSERT_EQ(Def(net, "D").SetDefinitionDoubles(Doubles({1.5, 2.5})), kSuccess);
    VRX_network unrolled;
    std::vector<int> map;
    ASSERT_EQ(net.UnrollNetwork(unrolled, map), kSuccess);
    for (int t = 1; t < 3; t++) {
        const std::string slice = "_" + std::to_string(t);
        const VRX_list& d = static_cast<VRX_list&>(Def(unrolled, ("D" + slice).c_str()));
        ExpectNear(Items(d.GetChoiceValues()), {1.5, 2.5}, 0, "D" + slice);
        std::vector<std::string> texts;
        ASSERT_EQ(static_cast<VRX_mau&>(Def(unrolled, ("M" + slice).c_str())).GetExpressions(texts),
                  kSuccess);
        EXPECT_EQ(texts, std::vector<std::string>{"2*U" + slice}) << slice;
        EXPECT_EQ(unrolled.GetParents(unrolled.FindNode(("M" + slice).c_str()))[0],
                  unrolled.FindNode(("U" + slice).c_str()));
    }
}
