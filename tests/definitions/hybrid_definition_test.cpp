// Hybrid definitions: the element table through arc and outcome edits, copies, and the elements.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/error_log.h"
#include "base/expression_parser.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/hybrid_definition.h"
#include "model/network.h"
#include "model/node.h"

namespace {

VRX_defHybrid& HybridOf(const VRX_network& net, int h) {
    return *static_cast<VRX_defHybrid*>(net.GetNode(h)->GetDefinition());
}

std::string TextAt(const VRX_network& net, int h, int index) {
    auto* e = dynamic_cast<VRX_equationElement*>(HybridOf(net, h).GetElementAt(index));
    return e != nullptr ? e->GetText() : "<none>";
}

// Gives every cell of the node an equation element whose text is its index.
void NumberCells(VRX_network& net, int h) {
    VRX_defHybrid& d = HybridOf(net, h);
    for (int i = 0; i < d.GetSize(); ++i) {
        VRX_intArray coordinates;
        int rest = i;
        std::vector<int> c(d.GetElementTable().dimensions.size());
        for (int k = static_cast<int>(c.size()) - 1; k >= 0; --k) {
            c[k] = rest % d.GetElementTable().dimensions[k];
            rest /= d.GetElementTable().dimensions[k];
        }
        for (int x : c) ASSERT_EQ(coordinates.Add(x), kSuccess);
        ASSERT_EQ(d.SetElement(coordinates, std::make_unique<VRX_equationElement>(std::to_string(i))),
                  kSuccess);
    }
}

TEST(HybridDefinition, NewNodesHaveOneDefaultElementAndTheirTypeNames) {
    VRX_network net;
    const int x = net.AddNode(DefinitionType::kDistribution, "x");
    const int y = net.AddNode(DefinitionType::kHEquation, "y");
    const int d = net.AddNode(DefinitionType::kDchildHparent, "d");
    ASSERT_GE(d, 0);
    EXPECT_EQ(HybridOf(net, x).GetSize(), 1);
    EXPECT_EQ(TextAt(net, y, 0), "0");
    EXPECT_STREQ(HybridOf(net, x).GetTypeName(), "DISTRIBUTION");
    EXPECT_STREQ(HybridOf(net, d).GetTypeName(), "DCHILDHPARENT");
    EXPECT_EQ(HybridOf(net, d).GetNumberOfOutcomes(), 2);
    EXPECT_STREQ((*HybridOf(net, d).GetOutcomesNames())[1], "state1");
    EXPECT_NEAR(HybridOf(net, d).GetElementAt(0)->GetStateProbability(1), 0.5, 1e-15);
    double bound = 0.0;
    EXPECT_EQ(HybridOf(net, d).SetUpperBound(1.0), kWrongNodeType);
    EXPECT_EQ(HybridOf(net, x).SetUpperBound(4.0), kSuccess);
    EXPECT_EQ(HybridOf(net, x).GetUpperBound(bound), kSuccess);
    EXPECT_EQ(bound, 4.0);
}

TEST(HybridDefinition, TableFollowsDiscreteParentsAndTheirOutcomes) {
    VRX_network net;
    const int d = net.AddNode(DefinitionType::kDchildHparent, "d");
    ASSERT_EQ(HybridOf(net, d).SetNumberOfOutcomes(3), kSuccess);
    const int c = net.AddNode(DefinitionType::kDistribution, "c");
    const int y = net.AddNode(DefinitionType::kHEquation, "y");
    const int cpt = net.AddNode(DefinitionType::kCpt, "cpt");
    ASSERT_EQ(net.AddArc(c, y), kSuccess);  // continuous: no dimension
    EXPECT_EQ(HybridOf(net, y).GetSize(), 1);
    ASSERT_EQ(net.AddArc(d, y), kSuccess);
    EXPECT_EQ(HybridOf(net, y).GetSize(), 3);
    EXPECT_EQ(TextAt(net, y, 2), "0");
    EXPECT_NE(net.AddArc(cpt, y), kSuccess);  // refused kind

    NumberCells(net, y);
    // A new outcome at the front repeats its neighbour's element; removing outcome 1 drops that slice.
    ASSERT_EQ(HybridOf(net, d).InsertOutcome(0, "front"), kSuccess);
    ASSERT_EQ(HybridOf(net, y).GetSize(), 4);
    EXPECT_EQ(TextAt(net, y, 0), "0");
    EXPECT_EQ(TextAt(net, y, 1), "0");
    EXPECT_EQ(TextAt(net, y, 3), "2");
    ASSERT_EQ(HybridOf(net, d).RemoveOutcome(2), kSuccess);
    EXPECT_EQ(TextAt(net, y, 2), "2");

    VRX_intArray order;
    for (int k : {2, 1, 0}) ASSERT_EQ(order.Add(k), kSuccess);
    ASSERT_EQ(HybridOf(net, d).ChangeOrderOfOutcomes(order), kSuccess);
    EXPECT_EQ(TextAt(net, y, 0), "2");

    // Removing the parent keeps the slice of its first outcome.
    ASSERT_EQ(net.RemoveArc(d, y), kSuccess);
    EXPECT_EQ(HybridOf(net, y).GetSize(), 1);
    EXPECT_EQ(TextAt(net, y, 0), "2");
}

// An arc that would grow the table past 2^22 elements (each an expression object) is refused before the
// table is rebuilt, naming the node and the size, and the node keeps its table.
TEST(HybridDefinition, TablesPastTheElementLimitAreRefusedByNodeAndSize) {
    VRX_network net;
    const int wide = net.AddNode(DefinitionType::kDchildHparent, "wide");
    const int narrow = net.AddNode(DefinitionType::kDchildHparent, "narrow");
    const int y = net.AddNode(DefinitionType::kDistribution, "y");
    ASSERT_EQ(HybridOf(net, wide).SetNumberOfOutcomes(32768), kSuccess);
    ASSERT_EQ(HybridOf(net, narrow).SetNumberOfOutcomes(129), kSuccess);
    ASSERT_EQ(net.AddArc(wide, y), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(net.AddArc(narrow, y), kOutOfMemory);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "ERROR: Node [y] : its table of 4227072 elements passes the limit of 4194304 elements");
    errorLog.Flush();
    EXPECT_EQ(HybridOf(net, y).GetSize(), 32768);
    EXPECT_EQ(net.GetParents(y).GetCount(), 1);
}

TEST(HybridDefinition, DiscreteElementsFollowTheNodesOutcomeEdits) {
    VRX_network net;
    const int d = net.AddNode(DefinitionType::kDchildHparent, "d");
    auto element = std::make_unique<VRX_discreteElement>(2);
    ASSERT_EQ(element->SetWeights({"1", "3"}), kSuccess);
    VRX_intArray zero;
    ASSERT_EQ(zero.Add(0), kSuccess);
    ASSERT_EQ(HybridOf(net, d).SetElement(zero, std::move(element)), kSuccess);
    EXPECT_EQ(HybridOf(net, d).SetElement(zero, std::make_unique<VRX_discreteElement>(5)), kWrongNodeType);
    ASSERT_EQ(HybridOf(net, d).AddOutcome("third"), kSuccess);
    VRX_Helement* e = HybridOf(net, d).GetElementAt(0);
    EXPECT_NEAR(e->GetStateProbability(1), 0.75, 1e-15);
    EXPECT_EQ(e->GetStateProbability(2), 0.0);
    ASSERT_EQ(HybridOf(net, d).RemoveOutcome(0), kSuccess);
    EXPECT_EQ(e->GetStateProbability(0), 1.0);
    EXPECT_EQ(HybridOf(net, d).RemoveOutcome(0), kOutOfRange);  // two outcomes always remain
}

TEST(HybridDefinition, CopiesAreDeepAndOfTheSameKindOnly) {
    VRX_network net;
    const int x = net.AddNode(DefinitionType::kDistribution, "x");
    const int y = net.AddNode(DefinitionType::kHEquation, "y");
    VRX_intArray zero;
    ASSERT_EQ(zero.Add(0), kSuccess);
    // An element may read its node's parents only: the undefined marker would stand for the others.
    errorLog.Flush();
    EXPECT_EQ(HybridOf(net, y).SetElement(zero, std::make_unique<VRX_equationElement>("x*2")), kOutOfRange);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0), "Element of node [y] names [x], which is not one of its parents.");
    EXPECT_EQ(HybridOf(net, y).GetElementAt(0)->IsEquation(), true);  // the default element stays
    ASSERT_EQ(net.AddArc(x, y), kSuccess);
    auto element = std::make_unique<VRX_equationElement>("x*2");
    ASSERT_EQ(element->SetNamedExpression("x", "y/2"), kSuccess);
    ASSERT_EQ(HybridOf(net, y).SetElement(zero, std::move(element)), kSuccess);
    ASSERT_EQ(HybridOf(net, y).SetLowerBound(-3.0), kSuccess);
    EXPECT_EQ(HybridOf(net, y).CopyFrom(HybridOf(net, x)), kOutOfRange);

    VRX_network copy(net);
    double value = 0.0, bound = 0.0;
    VRX_Helement* copied = HybridOf(copy, y).GetElementAt(0);
    ASSERT_NE(copied, HybridOf(net, y).GetElementAt(0));
    copied->SetVariableValue("y", 8.0);
    ASSERT_EQ(copied->EvaluateNamed("x", value), kSuccess);
    EXPECT_EQ(value, 4.0);
    EXPECT_EQ(copied->EvaluateNamed("z", value), kOutOfRange);
    EXPECT_EQ(HybridOf(copy, y).GetLowerBound(bound), kSuccess);
    EXPECT_EQ(bound, -3.0);
}

TEST(HybridElement, DistributionElementsDrawAndGiveDensitiesWithTheirSign) {
    auto call = ParseExpression("-Uniform(1, 3)", nullptr, nullptr);
    ASSERT_NE(call, nullptr);
    VRX_distributionElement e(*call);
    double mean = 0.0, variance = 0.0, value = 0.0;
    ASSERT_EQ(e.GetMeanAndVariance(mean, variance), kSuccess);
    EXPECT_EQ(mean, -2.0);
    EXPECT_NEAR(variance, 1.0 / 3.0, 1e-12);
    EXPECT_EQ(e.GetDensity(-2.0), 0.5);
    EXPECT_EQ(e.GetDensity(2.0), 0.0);  // outside the support
    ASSERT_EQ(e.Sample(value), kSuccess);
    EXPECT_TRUE(value >= -3.0 && value <= -1.0);
    EXPECT_EQ(e.Evaluate(value), kUnsupportedElementOperation);
    EXPECT_EQ(e.GetStateProbability(0), kUnsupportedElementOperation);
}

}  // namespace
