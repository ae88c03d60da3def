// Values of utility and decision nodes: value matrices over indexing parents, evidence on decisions,
// copies and rescaling.
#include "definitions/utility_values.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <initializer_list>
#include <vector>

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/belief_vector.h"
#include "definitions/decision_list.h"
#include "definitions/utility_table.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

using Vec = std::vector<double>;
using Dims = std::vector<int>;

constexpr uint32_t kEvidence = ValueFlags::kEvidence;
constexpr uint32_t kUpToDate = ValueFlags::kUpToDate;
constexpr uint32_t kPropagated = ValueFlags::kPropagatedEvidence;

// A value whose valid bit is clear, as a source that copies must refuse.
class BrokenValue : public VRX_expectedUtility {
public:
    BrokenValue() : VRX_expectedUtility(0, nullptr) { SetFlag(kValid, false); }
};

// A chance node A (2 outcomes), a decision D (3 choices) and a utility node U.
class UtilityValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        a = net.AddNode(DefinitionType::kCpt, "A");
        d = net.AddNode(DefinitionType::kList, "D");
        u = net.AddNode(DefinitionType::kTable, "U");
        ASSERT_GE(a, 0);
        ASSERT_GE(d, 0);
        ASSERT_GE(u, 0);
        ASSERT_EQ(net.GetNode(d)->GetDefinition()->AddOutcome("Wait"), kSuccess);
        ASSERT_EQ(Decision().RebuildFromDefinition(), kSuccess);
    }
    VRX_listOfDecisions& Decision() { return *static_cast<VRX_listOfDecisions*>(net.GetNode(d)->GetValue()); }
    VRX_expectedUtility& Utility() { return *static_cast<VRX_expectedUtility*>(net.GetNode(u)->GetValue()); }

    VRX_network net;
    int a = -1;
    int d = -1;
    int u = -1;
};

// ---------------------------------------------------------------------------------------------------
// Expected utility

TEST_F(UtilityValuesTest, ExpectedUtilityHoldsOneItemAndTakesNoEvidence) {
    VRX_expectedUtility& value = Utility();
    EXPECT_EQ(value.GetType(), 4);
    EXPECT_TRUE(value.IsValid());
    EXPECT_EQ(Shape(value.GetUtilityValues()), (Dims{1}));
    EXPECT_EQ(value.GetSize(), 1);
    EXPECT_EQ(value.GetEvidence(), kWrongNodeType);
    EXPECT_EQ(value.SetEvidence(0), kWrongNodeType);
    EXPECT_EQ(value.ClearEvidence(), kWrongNodeType);
    EXPECT_EQ(value.SetPropagatedEvidence(0), kWrongNodeType);
    VRX_doubleArray weights;
    ASSERT_EQ(weights.Add(1.0), kSuccess);
    EXPECT_EQ(value.SetVirtualEvidence(weights), kWrongNodeType);
    EXPECT_EQ(value.GetValueFlags(), 0u);
}

TEST_F(UtilityValuesTest, IndexingParentsGiveDimensionsBeforeTheLastItem) {
    VRX_expectedUtility& value = Utility();
    EXPECT_EQ(value.AddIndexingParent(d), kSuccess);
    EXPECT_EQ(value.AddIndexingParent(a), kSuccess);
    EXPECT_EQ(Shape(value.GetUtilityValues()), (Dims{3, 2, 1}));
    // Listed already: nothing changes.
    EXPECT_EQ(value.AddIndexingParent(d), kSuccess);
    const int u2 = net.AddNode(DefinitionType::kTable, "U2");
    // A utility parent is listed but gives no dimension.
    EXPECT_EQ(value.AddIndexingParent(u2), kSuccess);
    EXPECT_EQ(value.GetIndexingParents().GetCount(), 3);
    EXPECT_EQ(Shape(value.GetUtilityValues()), (Dims{3, 2, 1}));
    EXPECT_EQ(value.AddIndexingParent(999), kOutOfRange);
}

TEST_F(UtilityValuesTest, DecisionValueIndexedByAnEarlierDecision) {
    const int d0 = net.AddNode(DefinitionType::kList, "D0");
    EXPECT_EQ(Decision().AddIndexingParent(d0), kSuccess);
    EXPECT_EQ(Shape(Decision().GetUtilityValues()), (Dims{2, 3}));
    // Two values never index each other.
    auto& earlier = *static_cast<VRX_listOfDecisions*>(net.GetNode(d0)->GetValue());
    EXPECT_EQ(earlier.AddIndexingParent(d), kSuccess);
    EXPECT_EQ(earlier.GetIndexingParents().GetCount(), 0);
    EXPECT_EQ(Shape(earlier.GetUtilityValues()), (Dims{2}));
}

TEST_F(UtilityValuesTest, ExpectedUtilityRescalesLikeTheTable) {
    VRX_expectedUtility& value = Utility();
    ASSERT_EQ(value.SetValue(Matrix({3, 1}, {10, 20, 30})), kSuccess);
    EXPECT_DOUBLE_EQ(value.GetMinimumUtility(), 10.0);
    EXPECT_DOUBLE_EQ(value.GetMaximumUtility(), 30.0);
    EXPECT_EQ(value.RescaleUtilities(0, 0, 0, 100), kSuccess);
    EXPECT_EQ(Entries(value.GetUtilityValues()), (Vec{0, 50, 100}));
    ASSERT_EQ(value.SetValue(Matrix({3, 1}, {7, 7, 7})), kSuccess);
    EXPECT_EQ(value.RescaleUtilities(0, 0, 0, 100), kSuccess);
    EXPECT_EQ(Entries(value.GetUtilityValues()), (Vec{100, 100, 100}));
    const double undefined = 2 * DBL_MIN;
    ASSERT_EQ(value.SetValue(Matrix({3, 1}, {-1, undefined, 1})), kSuccess);
    EXPECT_EQ(value.RescaleUtilities(-1, 1, 0, 10), kSuccess);
    EXPECT_EQ(Entries(value.GetUtilityValues()), (Vec{0, undefined, 10}));
}

TEST_F(UtilityValuesTest, ExpectedUtilityCopies) {
    VRX_expectedUtility& value = Utility();
    ASSERT_EQ(value.AddIndexingParent(a), kSuccess);
    ASSERT_EQ(value.SetValue(Matrix({2, 1}, {4, 5})), kSuccess);
    VRX_expectedUtility copy(value);
    EXPECT_EQ(copy.GetType(), 4);
    EXPECT_EQ(Entries(copy.GetUtilityValues()), (Vec{4, 5}));
    EXPECT_EQ(copy.GetIndexingParents().GetCount(), 1);

    // Another kind of value gives a fresh matrix of one item.
    VRX_expectedUtility fromBeliefs(*net.GetNode(a)->GetValue());
    EXPECT_EQ(Shape(fromBeliefs.GetUtilityValues()), (Dims{1}));
    EXPECT_EQ(copy.CopyFrom(*net.GetNode(a)->GetValue()), kSuccess);
    EXPECT_EQ(Shape(copy.GetUtilityValues()), (Dims{1}));

    BrokenValue broken;
    EXPECT_EQ(copy.CopyFrom(broken), kObjectNotValid);
    EXPECT_EQ(copy.CopyFrom(copy), kSuccess);
}

// ---------------------------------------------------------------------------------------------------
// List of decisions: evidence

TEST_F(UtilityValuesTest, DecisionValueHasOneItemPerChoice) {
    VRX_listOfDecisions& value = Decision();
    EXPECT_EQ(value.GetType(), 6);
    EXPECT_EQ(Shape(value.GetUtilityValues()), (Dims{3}));
    EXPECT_EQ(value.GetEvidence(), kOutOfRange);
    VRX_doubleArray weights;
    ASSERT_EQ(weights.Add(0.5), kSuccess);
    ASSERT_EQ(weights.Add(0.5), kSuccess);
    ASSERT_EQ(weights.Add(0.0), kSuccess);
    EXPECT_EQ(value.SetVirtualEvidence(weights), kWrongNodeType);
    EXPECT_EQ(value.GetVirtualEvidence(weights), kWrongNodeType);
}

TEST_F(UtilityValuesTest, EvidenceFixesTheChoiceAndLeavesTheUtilities) {
    VRX_listOfDecisions& value = Decision();
    ASSERT_EQ(value.SetValue(Matrix({3}, {1.5, -2, 7})), kSuccess);
    EXPECT_EQ(value.SetEvidence(2), kSuccess);
    EXPECT_EQ(value.GetEvidence(), 2);
    EXPECT_EQ(value.GetValueFlags() & (kEvidence | kUpToDate | kPropagated), kEvidence | kUpToDate);
    EXPECT_EQ(Entries(value.GetUtilityValues()), (Vec{1.5, -2, 7}));
    // A new choice replaces the old one.
    EXPECT_EQ(value.SetEvidence(0), kSuccess);
    EXPECT_EQ(value.GetEvidence(), 0);
}

TEST_F(UtilityValuesTest, RefusedChoiceKeepsTheOldDecision) {
    VRX_listOfDecisions& value = Decision();
    EXPECT_EQ(value.SetEvidence(3), kOutOfRange);
    EXPECT_EQ(value.GetValueFlags(), 0u);
    ASSERT_EQ(value.SetEvidence(1), kSuccess);
    const uint32_t flags = value.GetValueFlags();
    EXPECT_EQ(value.SetEvidence(3), kOutOfRange);
    EXPECT_EQ(value.SetEvidence(-1), kOutOfRange);
    EXPECT_EQ(value.GetEvidence(), 1);
    EXPECT_EQ(value.GetValueFlags(), flags);
}

TEST_F(UtilityValuesTest, ClearingEvidence) {
    VRX_listOfDecisions& value = Decision();
    EXPECT_EQ(value.ClearEvidence(), kOutOfRange);
    ASSERT_EQ(value.SetEvidence(1), kSuccess);
    EXPECT_EQ(value.ClearEvidence(), kSuccess);
    EXPECT_EQ(value.GetEvidence(), kOutOfRange);
    EXPECT_EQ(value.GetValueFlags() & (kEvidence | kUpToDate), 0u);
    EXPECT_EQ(value.ClearEvidence(), kOutOfRange);
}

TEST_F(UtilityValuesTest, PropagatedDecisionProtocol) {
    VRX_listOfDecisions& value = Decision();
    EXPECT_EQ(value.ClearPropagatedEvidence(), kOutOfRange);
    EXPECT_EQ(value.SetPropagatedEvidence(3), kOutOfRange);
    EXPECT_EQ(value.GetValueFlags(), 0u);
    ASSERT_EQ(value.SetPropagatedEvidence(2), kSuccess);
    EXPECT_EQ(value.GetEvidence(), 2);
    EXPECT_EQ(value.SetPropagatedEvidence(1), kOutOfRange);
    // Another choice contradicts what propagation fixed.
    EXPECT_EQ(value.SetEvidence(1), kOutOfRange);
    EXPECT_EQ(value.GetValueFlags() & (kEvidence | kPropagated), kPropagated);
    EXPECT_EQ(value.GetEvidence(), 2);
    // ClearEvidence does not touch propagated evidence.
    EXPECT_EQ(value.ClearEvidence(), kOutOfRange);
    // The same choice turns it into evidence.
    EXPECT_EQ(value.SetEvidence(2), kSuccess);
    EXPECT_EQ(value.GetValueFlags() & (kEvidence | kPropagated), kEvidence);
    EXPECT_EQ(value.SetPropagatedEvidence(2), kOutOfRange);
    ASSERT_EQ(value.ClearEvidence(), kSuccess);
    ASSERT_EQ(value.SetPropagatedEvidence(0), kSuccess);
    EXPECT_EQ(value.ClearPropagatedEvidence(), kSuccess);
    EXPECT_EQ(value.GetValueFlags(), 0u);
    EXPECT_EQ(value.GetEvidence(), kOutOfRange);
}

// ---------------------------------------------------------------------------------------------------
// List of decisions: rebuilds and copies

TEST_F(UtilityValuesTest, RebuildFollowsTheChoicesAndDropsTheDecision) {
    VRX_listOfDecisions& value = Decision();
    ASSERT_EQ(value.AddIndexingParent(a), kSuccess);
    ASSERT_EQ(value.SetEvidence(1), kSuccess);
    ASSERT_EQ(net.GetNode(d)->GetDefinition()->AddOutcome("More"), kSuccess);
    EXPECT_EQ(value.RebuildFromDefinition(), kSuccess);
    EXPECT_EQ(Shape(value.GetUtilityValues()), (Dims{4}));
    EXPECT_EQ(value.GetIndexingParents().GetCount(), 0);
    EXPECT_EQ(value.GetEvidence(), kOutOfRange);
}

TEST_F(UtilityValuesTest, CopyKeepsMatrixAndDecision) {
    VRX_listOfDecisions& value = Decision();
    ASSERT_EQ(value.SetValue(Matrix({3}, {1, 2, 3})), kSuccess);
    ASSERT_EQ(value.SetEvidence(2), kSuccess);
    VRX_listOfDecisions copy(value);
    EXPECT_EQ(copy.GetType(), 6);
    EXPECT_EQ(copy.GetEvidence(), 2);
    EXPECT_TRUE(copy.HasFlag(kEvidence));
    EXPECT_EQ(Entries(copy.GetUtilityValues()), (Vec{1, 2, 3}));

    ASSERT_EQ(value.ClearEvidence(), kSuccess);
    ASSERT_EQ(value.SetPropagatedEvidence(1), kSuccess);
    EXPECT_EQ(copy.CopyFrom(value), kSuccess);
    EXPECT_EQ(copy.GetEvidence(), 1);
    EXPECT_EQ(copy.GetValueFlags() & (kEvidence | kPropagated), kPropagated);

    BrokenValue broken;
    EXPECT_EQ(copy.CopyFrom(broken), kObjectNotValid);
    EXPECT_EQ(copy.GetEvidence(), 1);
}

TEST_F(UtilityValuesTest, ObservedChanceNodeBecomingADecisionKeepsItsObservation) {
    const int b = net.AddNode(DefinitionType::kCpt, "B");
    VRX_nodeDefinition* definition = net.GetNode(b)->GetDefinition();
    ASSERT_EQ(definition->AddOutcome("Third"), kSuccess);
    // The new outcome must be possible for the observation to be accepted.
    VRX_doubleArray uniform;
    for (int k = 0; k < 3; ++k) ASSERT_EQ(uniform.Add(1.0 / 3.0), kSuccess);
    ASSERT_EQ(definition->SetDefinitionDoubles(uniform), kSuccess);
    ASSERT_EQ(net.GetNode(b)->GetValue()->RebuildFromDefinition(), kSuccess);
    ASSERT_EQ(net.GetNode(b)->GetValue()->SetEvidence(2), kSuccess);
    ASSERT_EQ(net.GetNode(b)->ChangeType(DefinitionType::kList), kSuccess);
    VRX_nodeValue* value = net.GetNode(b)->GetValue();
    ASSERT_EQ(value->GetType(), 6);
    EXPECT_EQ(value->GetEvidence(), 2);
    EXPECT_TRUE(value->HasFlag(kEvidence));
    EXPECT_EQ(value->GetSize(), 3);
}

TEST_F(UtilityValuesTest, NetworkCopyCarriesDecisionsAndUtilities) {
    ASSERT_EQ(Decision().SetEvidence(1), kSuccess);
    ASSERT_EQ(Utility().SetValue(Matrix({1}, {42})), kSuccess);
    VRX_network twin(net);
    VRX_nodeValue* decision = twin.GetNode(twin.FindNode("D"))->GetValue();
    VRX_nodeValue* utility = twin.GetNode(twin.FindNode("U"))->GetValue();
    ASSERT_EQ(decision->GetType(), 6);
    ASSERT_EQ(utility->GetType(), 4);
    EXPECT_EQ(decision->GetEvidence(), 1);
    EXPECT_NE(decision, net.GetNode(d)->GetValue());
    VRX_Dmatrix* m = nullptr;
    ASSERT_EQ(utility->GetValue(m), kSuccess);
    EXPECT_EQ(Entries(*m), (Vec{42}));
}
}  // namespace
