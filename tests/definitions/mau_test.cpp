// Multi-attribute utility: weights and expression tables following parent edits, the reference checks of
// expressions, and the expected utility computed from the parents'.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/number_text.h"
#include "definitions/mau.h"
#include "definitions/mau_values.h"
#include "tests/support/arrays.h"
#include "tests/support/compare.h"
#include "tests/support/networks.h"
#include "tests/support/temp_file.h"

namespace {

using vovido::test::AddNode;
using vovido::test::Entries;

class MauTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddNode(net, DefinitionType::kList, "D", {});
        ASSERT_EQ(Def("D").SetNumberOfOutcomes(3), kSuccess);
        AddNode(net, DefinitionType::kTable, "A", {"D"});
        AddNode(net, DefinitionType::kTable, "B", {});
        AddNode(net, DefinitionType::kCpt, "C", {});
        m = AddNode(net, DefinitionType::kMau, "M", {"A", "B"});
    }
    VRX_nodeDefinition& Def(const char* id) { return vovido::test::Def(net, id); }
    VRX_mau& Mau() { return static_cast<VRX_mau&>(Def("M")); }
    std::vector<std::string> Texts() {
        std::vector<std::string> out;
        EXPECT_EQ(Mau().GetExpressions(out), kSuccess);
        return out;
    }
    std::vector<std::string> ParentIds() { return vovido::test::IdsOf(net, net.GetParents(m)); }

    VRX_network net;
    int m = -1;
};

TEST_F(MauTest, WeightsFollowTheParents) {
    EXPECT_EQ(Entries(Mau().GetWeights()), (std::vector<double>{1, 1}));
    ASSERT_EQ(Mau().SetDefinitionDoubles(vovido::test::Doubles({2, 3})), kSuccess);
    // A decision parent repeats the weights along its choices; a removed utility parent takes its item.
    ASSERT_EQ(net.AddArc(net.FindNode("D"), m), kSuccess);
    EXPECT_EQ(Entries(Mau().GetWeights()), (std::vector<double>{2, 3, 2, 3, 2, 3}));
    ASSERT_EQ(net.RemoveArc(net.FindNode("A"), m), kSuccess);
    EXPECT_EQ(Entries(Mau().GetWeights()), (std::vector<double>{3, 3, 3}));
    EXPECT_NE(net.AddArc(net.FindNode("C"), m), kSuccess);  // a chance node is no utility
}

TEST_F(MauTest, ExpressionReferencesAreChecked) {
    struct Case {
        const char* text;
        std::string reason;
    };
    AddNode(net, DefinitionType::kTable, "Below", {});
    ASSERT_NE(net.AddArc(m, net.FindNode("Below")), kSuccess);  // utility tables take no MAU parent
    AddNode(net, DefinitionType::kMau, "Child", {"M"});
    const Case cases[] = {
        {"M*2", "Invalid expression at index 0: self-references not allowed"},
        {"A+Child", "Invalid expression at index 0: only non-descendant utility/ALU/MAU nodes are allowed"},
        {"C", "Invalid expression at index 0: only non-descendant utility/ALU/MAU nodes are allowed"},
        {"Nobody", "Invalid expression at index 0: unknown identifier [Nobody]"},
        {"A+Normal(0,1)", "Invalid expression at index 0: Distributions not allowed"},
        {"A+", "Can't parse expression at index 0, error at position "},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_NE(Mau().SetExpressionsFromText({c.text}, &reason), kSuccess) << c.text;
        EXPECT_EQ(reason.substr(0, c.reason.size()), c.reason) << c.text;
        EXPECT_FALSE(Mau().HasExpressions());
        EXPECT_EQ(ParentIds(), (std::vector<std::string>{"A", "B"}));
    }
    std::string reason;
    EXPECT_EQ(Mau().SetExpressionsFromText({"1", "2"}, &reason), kOutOfRange);
    EXPECT_EQ(reason,
              "Wrong vector size: 2 expressions where the node takes 1, one for each configuration of its "
              "decision parents");
}

TEST_F(MauTest, ExpressionsDecideTheUtilityParents) {
    AddNode(net, DefinitionType::kTable, "E", {});
    ASSERT_EQ(net.AddArc(net.FindNode("E"), m), kSuccess);
    ASSERT_EQ(Mau().SetExpressionsFromText({"2*A+B"}, nullptr), kSuccess);
    EXPECT_EQ(ParentIds(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"2*A+B"}));
    // Removing a parent rewrites the cells that name it as the sum of the others.
    ASSERT_EQ(net.RemoveArc(net.FindNode("A"), m), kSuccess);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"B"}));
    ASSERT_EQ(net.RemoveArc(net.FindNode("B"), m), kSuccess);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"0"}));
    // A decision parent copies the single cell to each of its choices; a new utility parent is added on.
    ASSERT_EQ(net.AddArc(net.FindNode("D"), m), kSuccess);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"0", "0", "0"}));
    ASSERT_EQ(net.AddArc(net.FindNode("E"), m), kSuccess);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"E", "E", "E"}));
    ASSERT_EQ(Mau().SetExpressionsFromText({"E", "2*E", "3*E"}, nullptr), kSuccess);
    ASSERT_EQ(Def("D").RemoveOutcome(1), kSuccess);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"E", "3*E"}));
    ASSERT_EQ(Mau().SetExpressions(nullptr, nullptr), kSuccess);
    std::vector<std::string> none;
    EXPECT_EQ(Mau().GetExpressions(none), kWrongNodeType);
}

TEST_F(MauTest, DecisionOutcomeEditsMoveWeightsAndExpressions) {
    ASSERT_EQ(net.AddArc(net.FindNode("D"), m), kSuccess);
    ASSERT_EQ(Mau().SetDefinitionDoubles(vovido::test::Doubles({1, 2, 3, 4, 5, 6})), kSuccess);
    ASSERT_EQ(Def("D").ChangeOrderOfOutcomes(vovido::test::Ints({2, 0, 1})), kSuccess);
    EXPECT_EQ(Entries(Mau().GetWeights()), (std::vector<double>{5, 6, 1, 2, 3, 4}));
    ASSERT_EQ(Mau().SetExpressionsFromText({"A", "2*A", "3*A+B"}, nullptr), kSuccess);
    ASSERT_EQ(Def("D").ChangeOrderOfOutcomes(vovido::test::Ints({1, 2, 0})), kSuccess);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"2*A", "3*A+B", "A"}));
    // A new choice starts as a copy of the first cell; its weights are 1.
    ASSERT_EQ(Def("D").AddOutcome("extra"), kSuccess);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"2*A", "3*A+B", "A", "2*A"}));
    EXPECT_EQ(Mau().GetWeights().GetNumberOfElements(), 8);
    EXPECT_EQ(Mau().GetWeights()[6], 1.0);
}

TEST_F(MauTest, ExpectedUtilityUsesTheDecisionsWeightsOrExpression) {
    ASSERT_EQ(net.AddArc(net.FindNode("D"), m), kSuccess);
    ASSERT_EQ(Mau().SetDefinitionDoubles(vovido::test::Doubles({1, 1, 2, 0, 0.5, 4})), kSuccess);
    auto set = [&](const char* id, std::vector<double> v, bool indexed) {
        VRX_nodeValue* value = net.GetNode(net.FindNode(id))->GetValue();
        ASSERT_EQ(value->RebuildFromDefinition(), kSuccess);
        if (indexed) {
            ASSERT_EQ(value->AddIndexingParent(net.FindNode("D")), kSuccess);
        }
        VRX_Dmatrix* matrix = nullptr;
        ASSERT_EQ(value->GetValue(matrix), kSuccess);
        ASSERT_EQ(matrix->GetNumberOfElements(), static_cast<int>(v.size()));
        for (size_t i = 0; i < v.size(); i++) (*matrix)[static_cast<int>(i)] = v[i];
    };
    set("A", {10, 20, kUndefinedValue}, true);
    set("B", {5}, false);
    set("M", {0, 0, 0}, true);
    ASSERT_EQ(vovido::ComputeMauValue(net, m), kSuccess);
    EXPECT_EQ(vovido::test::Beliefs(net, m), (std::vector<double>{15, 40, kUndefinedValue}));
    ASSERT_EQ(Mau().SetExpressionsFromText({"A*B", "A-B", "B"}, nullptr), kSuccess);
    ASSERT_EQ(vovido::ComputeMauValue(net, m), kSuccess);
    EXPECT_EQ(vovido::test::Beliefs(net, m), (std::vector<double>{50, 15, kUndefinedValue}));
}

TEST_F(MauTest, FilesKeepWeightsAndExpressions) {
    AddNode(net, DefinitionType::kMau, "N", {"D", "M"});
    ASSERT_EQ(net.AddArc(net.FindNode("D"), m), kSuccess);
    ASSERT_EQ(Mau().SetDefinitionDoubles(vovido::test::Doubles({1, 2, 3, 4, 5, 6.25})), kSuccess);
    auto& n = static_cast<VRX_mau&>(Def("N"));
    ASSERT_EQ(n.SetExpressionsFromText({"M", "2*M", "-(M/3)"}, nullptr), kSuccess);
    const std::string xml = vovido::test::TempPath("mau.xvrx");
    ASSERT_EQ(net.WriteFile(xml.c_str()), kSuccess);
    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(xml.c_str()), kSuccess);
    for (const char* id : {"D", "A", "B", "C", "M", "N"}) {
        const int h = net.FindNode(id);
        ASSERT_GE(copy.FindNode(id), 0) << id;
        vovido::test::ExpectSameDefinition(*net.GetNode(h)->GetDefinition(),
                                           *copy.GetNode(copy.FindNode(id))->GetDefinition(), id);
        EXPECT_EQ(vovido::test::IdsOf(net, net.GetParents(h)),
                  vovido::test::IdsOf(copy, copy.GetParents(copy.FindNode(id))))
            << id;
    }
    // The text format has weights only: expressions are refused rather than dropped.
    const std::string vrx = vovido::test::TempPath("mau.vrx");
    EXPECT_EQ(net.WriteFile(vrx.c_str()), kOutOfRange);
    ASSERT_EQ(n.SetExpressions(nullptr, nullptr), kSuccess);
    ASSERT_EQ(net.WriteFile(vrx.c_str()), kSuccess);
    VRX_network fromText;
    ASSERT_EQ(fromText.ReadFile(vrx.c_str()), kSuccess);
    EXPECT_EQ(Entries(static_cast<VRX_mau&>(vovido::test::Def(fromText, "M")).GetWeights()),
              (std::vector<double>{1, 2, 3, 4, 5, 6.25}));
}

}  // namespace
