// Belief vector: evidence, propagated evidence and virtual evidence with their flags and refusals.
#include "definitions/belief_vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "base/double_array.h"
#include "base/status_codes.h"
#include "definitions/cpt.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

using namespace ValueFlags;

std::vector<double> Beliefs(const VRX_beliefVector& v) {
    const VRX_Dmatrix& m = v.GetBeliefs();
    return std::vector<double>(m.GetData(), m.GetData() + m.GetNumberOfElements());
}

class BeliefVectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        x = net.AddNode(DefinitionType::kCpt, "X");
        ASSERT_GE(x, 0);
        ASSERT_EQ(net.GetNode(x)->GetDefinition()->SetNumberOfOutcomes(3), kSuccess);
        ASSERT_EQ(Value().RebuildFromDefinition(), kSuccess);
    }

    VRX_beliefVector& Value() { return *static_cast<VRX_beliefVector*>(net.GetNode(x)->GetValue()); }
    uint32_t Flags() { return Value().GetValueFlags(); }

    VRX_network net;
    int x = -1;
};

TEST_F(BeliefVectorTest, NewValueHasOneEntryPerOutcome) {
    VRX_beliefVector fresh(x, &net);
    EXPECT_EQ(fresh.GetType(), 3);
    EXPECT_EQ(fresh.GetSize(), 3);
    EXPECT_EQ(fresh.GetValueFlags(), 0u);
    EXPECT_EQ(fresh.GetEvidence(), kOutOfRange);
    EXPECT_TRUE(fresh.IsValid());

    // Without a node behind it there is nothing to observe.
    VRX_beliefVector orphan(5, &net);
    EXPECT_EQ(orphan.GetSize(), 0);
    EXPECT_EQ(orphan.SetEvidence(0), kOutOfRange);
    EXPECT_EQ(orphan.SetVirtualEvidence(Doubles({1.0})), kOutOfRange);
}

TEST_F(BeliefVectorTest, SetEvidenceFixesTheOutcome) {
    EXPECT_EQ(Value().SetEvidence(1), kSuccess);
    EXPECT_EQ(Flags(), kEvidence | kUpToDate);
    EXPECT_EQ(Value().GetEvidence(), 1);
    EXPECT_EQ(Beliefs(Value()), (std::vector<double>{0.0, 1.0, 0.0}));

    EXPECT_EQ(Value().SetEvidence(2), kSuccess);
    EXPECT_EQ(Value().GetEvidence(), 2);
    EXPECT_EQ(Beliefs(Value()), (std::vector<double>{0.0, 0.0, 1.0}));
}

TEST_F(BeliefVectorTest, RefusedOutcomeKeepsTheOldEvidence) {
    ASSERT_EQ(Value().SetEvidence(1), kSuccess);
    EXPECT_EQ(Value().SetEvidence(3), kOutOfRange);
    EXPECT_EQ(Value().SetEvidence(-1), kOutOfRange);
    EXPECT_EQ(Flags(), kEvidence | kUpToDate);
    EXPECT_EQ(Value().GetEvidence(), 1);
    EXPECT_EQ(Beliefs(Value()), (std::vector<double>{0.0, 1.0, 0.0}));
}

TEST_F(BeliefVectorTest, ClearEvidenceOnceThenNothingToClear) {
    ASSERT_EQ(Value().SetEvidence(0), kSuccess);
    Value().SetValueFlag(kCutOff, true);
    EXPECT_EQ(Value().ClearEvidence(), kSuccess);
    EXPECT_EQ(Flags(), 0u);
    EXPECT_EQ(Value().GetEvidence(), kOutOfRange);
    EXPECT_EQ(Value().ClearEvidence(), kOutOfRange);
}

TEST_F(BeliefVectorTest, PropagatedEvidenceAndUserEvidence) {
    ASSERT_EQ(Value().SetPropagatedEvidence(2), kSuccess);
    EXPECT_EQ(Flags(), kPropagatedEvidence | kUpToDate);
    EXPECT_EQ(Value().GetEvidence(), 2);
    EXPECT_EQ(Beliefs(Value()), (std::vector<double>{0.0, 0.0, 1.0}));

    // Inference fixed outcome 2: another outcome contradicts it, the same one becomes evidence.
    EXPECT_EQ(Value().SetEvidence(1), kOutOfRange);
    EXPECT_EQ(Flags(), kPropagatedEvidence | kUpToDate);
    EXPECT_EQ(Value().GetEvidence(), 2);
    EXPECT_EQ(Value().SetEvidence(2), kSuccess);
    EXPECT_EQ(Flags(), kEvidence | kUpToDate);

    EXPECT_EQ(Value().SetPropagatedEvidence(0), kOutOfRange);  // evidence already set
    EXPECT_EQ(Value().ClearPropagatedEvidence(), kOutOfRange);
    EXPECT_EQ(Value().GetEvidence(), 2);
}

TEST_F(BeliefVectorTest, ClearPropagatedEvidence) {
    EXPECT_EQ(Value().ClearPropagatedEvidence(), kOutOfRange);
    ASSERT_EQ(Value().SetPropagatedEvidence(0), kSuccess);
    EXPECT_EQ(Value().SetPropagatedEvidence(1), kOutOfRange);
    EXPECT_EQ(Value().ClearPropagatedEvidence(), kSuccess);
    EXPECT_EQ(Flags(), 0u);
    EXPECT_EQ(Value().SetPropagatedEvidence(3), kOutOfRange);
    EXPECT_EQ(Flags(), 0u);
}

TEST_F(BeliefVectorTest, VirtualEvidenceIsNormalisedOutsideTheTolerance) {
    VRX_doubleArray out;
    EXPECT_EQ(Value().GetVirtualEvidence(out), kOutOfRange);

    ASSERT_EQ(Value().SetVirtualEvidence(Doubles({2.0, 2.0, 4.0})), kSuccess);
    EXPECT_EQ(Flags(), kVirtualEvidence);
    EXPECT_EQ(Value().GetEvidence(), kOutOfRange);
    ASSERT_EQ(Value().GetVirtualEvidence(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<double>{0.25, 0.25, 0.5}));

    ASSERT_EQ(Value().SetVirtualEvidence(Doubles({0.3, 0.7, 0.0})), kSuccess);
    ASSERT_EQ(Value().GetVirtualEvidence(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<double>{0.3, 0.7, 0.0}));

    // Within five millionths of 1 the weights are kept exactly as given.
    ASSERT_EQ(Value().SetVirtualEvidence(Doubles({0.3000001, 0.7, 0.0})), kSuccess);
    ASSERT_EQ(Value().GetVirtualEvidence(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<double>{0.3000001, 0.7, 0.0}));

    // An array filled by Add (spare capacity beyond its items) is read by its items.
    VRX_doubleArray added;
    for (double w : {1.0, 1.0, 2.0}) ASSERT_EQ(added.Add(w), kSuccess);
    ASSERT_EQ(Value().SetVirtualEvidence(added), kSuccess);
    ASSERT_EQ(Value().GetVirtualEvidence(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<double>{0.25, 0.25, 0.5}));
}

TEST_F(BeliefVectorTest, MeaninglessWeightsAreRefusedAndChangeNothing) {
    ASSERT_EQ(Value().SetVirtualEvidence(Doubles({0.2, 0.3, 0.5})), kSuccess);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Value().SetVirtualEvidence(Doubles({0.0, 0.0, 0.0})), kOutOfRange);
    EXPECT_EQ(Value().SetVirtualEvidence(Doubles({-0.5, 1.0, 0.5})), kOutOfRange);
    EXPECT_EQ(Value().SetVirtualEvidence(Doubles({nan, 1.0, 0.5})), kOutOfRange);
    EXPECT_EQ(Value().SetVirtualEvidence(Doubles({inf, 1.0, 0.5})), kOutOfRange);
    EXPECT_EQ(Value().SetVirtualEvidence(Doubles({0.5, 0.5})), kOutOfRange);
    EXPECT_EQ(Value().SetVirtualEvidence(Doubles({0.25, 0.25, 0.25, 0.25})), kOutOfRange);
    EXPECT_EQ(Value().SetVirtualEvidence(VRX_doubleArray()), kOutOfRange);

    VRX_doubleArray out;
    ASSERT_EQ(Value().GetVirtualEvidence(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<double>{0.2, 0.3, 0.5}));
    EXPECT_EQ(Flags(), kVirtualEvidence);

    // A refused virtual evidence does not clear an observation either.
    ASSERT_EQ(Value().SetEvidence(1), kSuccess);
    EXPECT_EQ(Value().SetVirtualEvidence(Doubles({0.0, 0.0, 0.0})), kOutOfRange);
    EXPECT_EQ(Value().GetEvidence(), 1);
}

TEST_F(BeliefVectorTest, EvidenceDropsVirtualEvidence) {
    ASSERT_EQ(Value().SetVirtualEvidence(Doubles({0.2, 0.3, 0.5})), kSuccess);
    ASSERT_EQ(Value().SetEvidence(0), kSuccess);
    EXPECT_EQ(Flags(), kEvidence | kUpToDate);
    EXPECT_FALSE(Value().HasVirtualEvidence());
    VRX_doubleArray out;
    EXPECT_EQ(Value().GetVirtualEvidence(out), kOutOfRange);

    // And virtual evidence replaces an observation.
    ASSERT_EQ(Value().SetVirtualEvidence(Doubles({0.2, 0.3, 0.5})), kSuccess);
    EXPECT_EQ(Flags(), kVirtualEvidence);
    EXPECT_EQ(Value().GetEvidence(), kOutOfRange);

    // An outcome other evidence forces keeps the likelihoods, which weigh it and hold again once it goes.
    ASSERT_EQ(Value().SetPropagatedEvidence(1), kSuccess);
    EXPECT_EQ(Flags(), kPropagatedEvidence | kUpToDate | kVirtualEvidence);
    ASSERT_EQ(Value().ClearPropagatedEvidence(), kSuccess);
    EXPECT_EQ(Flags(), kVirtualEvidence);
}

TEST_F(BeliefVectorTest, ClearEvidenceRemovesVirtualEvidenceOnlyWithoutObservation) {
    ASSERT_EQ(Value().SetVirtualEvidence(Doubles({0.2, 0.3, 0.5})), kSuccess);
    EXPECT_EQ(Value().ClearEvidence(), kSuccess);
    EXPECT_EQ(Flags(), 0u);
    EXPECT_FALSE(Value().HasVirtualEvidence());
    EXPECT_EQ(Value().ClearEvidence(), kOutOfRange);
}

TEST_F(BeliefVectorTest, VirtualEvidenceBesidePropagatedEvidence) {
    ASSERT_EQ(Value().SetPropagatedEvidence(1), kSuccess);
    EXPECT_EQ(Value().SetVirtualEvidence(Doubles({0.2, 0.3, 0.5})), kSuccess);
    EXPECT_EQ(Flags(), kPropagatedEvidence | kUpToDate | kVirtualEvidence);
    EXPECT_EQ(Value().GetEvidence(), 1);
    EXPECT_TRUE(Value().HasVirtualEvidence());
}

TEST_F(BeliefVectorTest, RebuildKeepsOnlyFittingVirtualEvidence) {
    ASSERT_EQ(Value().SetVirtualEvidence(Doubles({0.2, 0.3, 0.5})), kSuccess);
    ASSERT_EQ(Value().RebuildFromDefinition(), kSuccess);
    EXPECT_EQ(Flags(), kVirtualEvidence);
    VRX_doubleArray out;
    ASSERT_EQ(Value().GetVirtualEvidence(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<double>{0.2, 0.3, 0.5}));

    ASSERT_EQ(net.GetNode(x)->GetDefinition()->SetNumberOfOutcomes(4), kSuccess);
    ASSERT_EQ(Value().RebuildFromDefinition(), kSuccess);
    EXPECT_EQ(Value().GetSize(), 4);
    EXPECT_EQ(Flags(), 0u);
    EXPECT_EQ(Value().GetVirtualEvidence(out), kOutOfRange);
}

TEST_F(BeliefVectorTest, EvidenceReshapesBeliefsThatDoNotFit) {
    VRX_Dmatrix odd;
    VRX_intArray sizes;
    ASSERT_EQ(sizes.Add(2), kSuccess);
    ASSERT_EQ(sizes.Add(3), kSuccess);
    ASSERT_EQ(odd.Setup(sizes), kSuccess);
    odd.FillWith(0.25);
    ASSERT_EQ(Value().SetValue(odd), kSuccess);
    EXPECT_EQ(Value().GetSize(), 6);
    ASSERT_EQ(Value().SetEvidence(2), kSuccess);
    EXPECT_EQ(Flags(), kEvidence | kUpToDate);
    EXPECT_EQ(Beliefs(Value()), (std::vector<double>{0.0, 0.0, 1.0}));
}

TEST_F(BeliefVectorTest, CopiesCarryEveryKindOfEvidence) {
    ASSERT_EQ(Value().SetEvidence(1), kSuccess);
    VRX_beliefVector observed(Value());
    EXPECT_EQ(observed.GetValueFlags(), kEvidence | kUpToDate);
    EXPECT_EQ(observed.GetEvidence(), 1);
    EXPECT_EQ(Beliefs(observed), (std::vector<double>{0.0, 1.0, 0.0}));

    ASSERT_EQ(Value().ClearEvidence(), kSuccess);
    ASSERT_EQ(Value().SetPropagatedEvidence(2), kSuccess);
    VRX_nodeValue& asBase = Value();
    VRX_beliefVector propagated(asBase);
    EXPECT_EQ(propagated.GetValueFlags(), kPropagatedEvidence | kUpToDate);
    EXPECT_EQ(propagated.GetEvidence(), 2);

    ASSERT_EQ(Value().ClearPropagatedEvidence(), kSuccess);
    ASSERT_EQ(Value().SetVirtualEvidence(Doubles({1.0, 1.0, 2.0})), kSuccess);
    VRX_beliefVector soft(x, &net);
    ASSERT_EQ(soft.CopyFrom(Value()), kSuccess);
    EXPECT_EQ(soft.GetValueFlags(), kVirtualEvidence);
    VRX_doubleArray out;
    ASSERT_EQ(soft.GetVirtualEvidence(out), kSuccess);
    EXPECT_EQ(Items(out), (std::vector<double>{0.25, 0.25, 0.5}));

    // A copy over a value with evidence replaces it entirely.
    ASSERT_EQ(observed.CopyFrom(soft), kSuccess);
    EXPECT_EQ(observed.GetValueFlags(), kVirtualEvidence);
    EXPECT_EQ(observed.GetEvidence(), kOutOfRange);
    EXPECT_EQ(observed.CopyFrom(observed), kSuccess);
}

}  // namespace
