// DeMorgan definition: the table against the typed influence rules, setters, and per-parent arrays kept
// in step with the parent list through every edit.
#include "definitions/demorgan.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <vector>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/cpt.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

// P("True") of one column: every cause and barrier first, then every inhibitor and requirement.
double DemorganColumn(double prior, const std::vector<int>& types, const std::vector<double>& weights,
                      const std::vector<int>& outcomes) {
    double x = prior;
    for (size_t i = 0; i < types.size(); ++i) {
        if ((types[i] == 2 && outcomes[i] == 0) || (types[i] == 3 && outcomes[i] == 1))
            x += (1.0 - x) * weights[i];
    }
    for (size_t i = 0; i < types.size(); ++i) {
        if ((types[i] == 0 && outcomes[i] == 0) || (types[i] == 1 && outcomes[i] == 1)) x *= 1.0 - weights[i];
    }
    return x;
}

class DemorganInNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        a = net.AddNode(DefinitionType::kDeMorgan, "A");
        b = net.AddNode(DefinitionType::kDeMorgan, "B");
        c = net.AddNode(DefinitionType::kDeMorgan, "C");
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        ASSERT_GE(c, 0);
    }

    VRX_demorgan& Dm(int h) { return *static_cast<VRX_demorgan*>(net.GetNode(h)->GetDefinition()); }
    void TwoParents() {
        ASSERT_EQ(net.AddArc(a, c), kSuccess);
        ASSERT_EQ(net.AddArc(b, c), kSuccess);
    }
    // Prior belief, parent types and parent weights of the node, each accepted.
    void Configure(int h, double prior, const std::vector<int>& types, const std::vector<double>& weights) {
        ASSERT_EQ(Dm(h).SetPriorBelief(prior), kSuccess);
        ASSERT_EQ(Dm(h).SetParentTypes(Ints(types)), kSuccess);
        ASSERT_EQ(Dm(h).SetParentWeights(Doubles(weights)), kSuccess);
    }
    // Types and weights of C with one entry per parent in the network.
    void ExpectInStep(VRX_demorgan& d, int node) {
        const int parents = net.GetParents(node).GetCount();
        EXPECT_EQ(d.GetParentTypes().GetCount(), parents);
        EXPECT_EQ(d.GetParentWeights().GetCount(), parents);
        EXPECT_EQ(d.GetSize(), 2 << parents);
    }

    VRX_network net;
    int a = -1;
    int b = -1;
    int c = -1;
};

// ---------------------------------------------------------------------------------------------------

TEST(DemorganStandalone, PriorAloneGivesTheSingleColumn) {
    VRX_demorgan d(0, nullptr);
    EXPECT_EQ(d.GetType(), 82);
    EXPECT_STREQ(d.GetTypeName(), "DEMORGAN");
    EXPECT_TRUE(d.IsValid());
    EXPECT_TRUE(d.IsConsistent());
    ExpectEntries(d.GetProbabilityTable(), {0.5, 0.5});
    ASSERT_EQ(d.SetPriorBelief(0.3), kSuccess);
    ExpectEntries(d.GetProbabilityTable(), {0.3, 0.7});
    EXPECT_EQ(d.SetPriorBelief(1.2), kOutOfRange);
    EXPECT_EQ(d.SetPriorBelief(-0.01), kOutOfRange);
    EXPECT_EQ(d.SetPriorBelief(std::numeric_limits<double>::quiet_NaN()), kOutOfRange);
    EXPECT_DOUBLE_EQ(d.GetPriorBelief(), 0.3);
    ExpectEntries(d.GetProbabilityTable(), {0.3, 0.7});
}

TEST(DemorganStandalone, OutcomesAreFixedAndEveryOutcomeOrTableEditIsRefused) {
    VRX_demorgan d(0, nullptr);
    EXPECT_EQ(d.GetNumberOfOutcomes(), 2);
    VRX_idArray* names = d.GetOutcomesNames();
    ASSERT_NE(names, nullptr);
    ASSERT_EQ(names->GetCount(), 2);
    EXPECT_STREQ((*names)[0], "True");
    EXPECT_STREQ((*names)[1], "False");

    VRX_stringArray strings;
    ASSERT_EQ(strings.Add("Yes"), kSuccess);
    ASSERT_EQ(strings.Add("No"), kSuccess);
    EXPECT_EQ(d.AddOutcome("Maybe"), kWrongNodeType);
    EXPECT_EQ(d.RemoveOutcome(0), kWrongNodeType);
    EXPECT_EQ(d.RenameOutcomes(strings), kWrongNodeType);
    EXPECT_EQ(d.SetNumberOfOutcomes(3), kWrongNodeType);
    // The shared edit gets as far as the renaming, which the kind refuses.
    EXPECT_EQ(d.ChangeOutcomes(strings, Ints({0, 1})), kWrongNodeType);
    // The table is never set directly.
    EXPECT_EQ(d.SetDefinitionDoubles(Doubles({0.1, 0.9})), kWrongNodeType);
    EXPECT_EQ(d.SetDefinition(d.GetProbabilityTable()), kWrongNodeType);
    EXPECT_STREQ((*names)[0], "True");
    ExpectEntries(d.GetProbabilityTable(), {0.5, 0.5});
}

// ---------------------------------------------------------------------------------------------------

TEST_F(DemorganInNetwork, NewParentEntersAsACauseWithoutWeight) {
    ASSERT_EQ(Dm(c).SetPriorBelief(0.3), kSuccess);
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    EXPECT_EQ(Items(Dm(c).GetParentTypes()), (std::vector<int>{DemorganParentType::kCause}));
    EXPECT_EQ(Items(Dm(c).GetParentWeights()), (std::vector<double>{0.0}));
    EXPECT_EQ(Shape(Dm(c).GetProbabilityTable()), (std::vector<int>{2, 2}));
    ExpectEntries(Dm(c).GetProbabilityTable(), {0.3, 0.7, 0.3, 0.7});
}

TEST_F(DemorganInNetwork, CertainCauseActsOnlyInItsOutcome) {
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    ASSERT_EQ(Dm(c).SetPriorBelief(0.2), kSuccess);
    ASSERT_EQ(Dm(c).SetParentWeight(0, 1.0), kSuccess);
    ExpectEntries(Dm(c).GetProbabilityTable(), {1.0, 0.0, 0.2, 0.8});
}

TEST_F(DemorganInNetwork, CausesActBeforeInhibitorsWhateverTheParentOrder) {
    TwoParents();
    ASSERT_EQ(Dm(c).SetPriorBelief(0.0), kSuccess);
    ASSERT_EQ(Dm(c).SetParentWeights(Doubles({0.5, 0.5})), kSuccess);
    // The inhibitor is the first parent: the cause still raises x to 0.5 before it halves it.
    ASSERT_EQ(Dm(c).SetParentTypes(Ints({DemorganParentType::kInhibitor, DemorganParentType::kCause})),
              kSuccess);
    EXPECT_NEAR(Dm(c).GetProbabilityTable()[0], 0.25, 1e-12);
    ASSERT_EQ(Dm(c).SetParentTypes(Ints({DemorganParentType::kCause, DemorganParentType::kInhibitor})),
              kSuccess);
    EXPECT_NEAR(Dm(c).GetProbabilityTable()[0], 0.25, 1e-12);
}

TEST_F(DemorganInNetwork, BarrierAndRequirementByHand) {
    TwoParents();
    ASSERT_NO_FATAL_FAILURE(
        Configure(c, 0.4, {DemorganParentType::kBarrier, DemorganParentType::kRequirement}, {0.6, 0.3}));
    // (A, B) = (0, 0): nothing acts; (0, 1): 0.4 x 0.7; (1, 0): 0.4 + 0.6 x 0.6; (1, 1): 0.76 x 0.7.
    ExpectEntries(Dm(c).GetProbabilityTable(), {0.4, 0.6, 0.28, 0.72, 0.76, 0.24, 0.532, 0.468});
}

TEST_F(DemorganInNetwork, EveryTypeCombinationOfTwoParentsFollowsTheRules) {
    TwoParents();
    const double prior = 0.4;
    const std::vector<double> weights = {0.3, 0.6};
    ASSERT_EQ(Dm(c).SetPriorBelief(prior), kSuccess);
    ASSERT_EQ(Dm(c).SetParentWeights(Doubles({weights[0], weights[1]})), kSuccess);
    for (int ta = 0; ta < 4; ++ta) {
        for (int tb = 0; tb < 4; ++tb) {
            ASSERT_EQ(Dm(c).SetParentTypes(Ints({ta, tb})), kSuccess);
            const VRX_Dmatrix& table = Dm(c).GetProbabilityTable();
            int column = 0;
            for (int oa = 0; oa < 2; ++oa) {
                for (int ob = 0; ob < 2; ++ob) {
                    const double x = DemorganColumn(prior, {ta, tb}, weights, {oa, ob});
                    EXPECT_NEAR(table[2 * column], x, 1e-12)
                        << "types " << ta << tb << " outcomes " << oa << ob;
                    EXPECT_NEAR(table[2 * column + 1], 1.0 - x, 1e-12);
                    ++column;
                }
            }
        }
    }
}

TEST_F(DemorganInNetwork, SettersRefuseBadIndexesWeightsAndLengthsWithoutChange) {
    TwoParents();
    ASSERT_EQ(Dm(c).SetParentWeights(Doubles({0.2, 0.7})), kSuccess);
    const std::vector<double> before = Entries(Dm(c).GetProbabilityTable());

    EXPECT_EQ(Dm(c).SetParentWeight(0, 1.5), kOutOfRange);
    EXPECT_EQ(Dm(c).SetParentWeight(0, -0.1), kOutOfRange);
    EXPECT_EQ(Dm(c).SetParentWeight(0, std::numeric_limits<double>::quiet_NaN()), kOutOfRange);
    EXPECT_EQ(Dm(c).SetParentWeight(2, 0.5), kOutOfRange);
    EXPECT_EQ(Dm(c).SetParentWeight(-1, 0.5), kOutOfRange);
    EXPECT_EQ(Dm(c).SetParentType(2, 0), kOutOfRange);
    EXPECT_EQ(Dm(c).SetParentWeights(Doubles({0.5})), kOutOfRange);
    EXPECT_EQ(Dm(c).SetParentWeights(Doubles({0.5, 0.5, 0.5})), kOutOfRange);
    EXPECT_EQ(Dm(c).SetParentTypes(Ints({0})), kOutOfRange);
    EXPECT_EQ(Dm(c).SetParentTypes(VRX_intArray()), kOutOfRange);

    EXPECT_EQ(Items(Dm(c).GetParentWeights()), (std::vector<double>{0.2, 0.7}));
    EXPECT_EQ(Items(Dm(c).GetParentTypes()), (std::vector<int>{2, 2}));
    EXPECT_EQ(Entries(Dm(c).GetProbabilityTable()), before);

    EXPECT_DOUBLE_EQ(Dm(c).GetParentWeight(1), 0.7);
    EXPECT_DOUBLE_EQ(Dm(c).GetParentWeight(5), -1.0);
    EXPECT_DOUBLE_EQ(Dm(c).GetParentWeight(-1), -1.0);
    EXPECT_EQ(Dm(c).GetParentType(1), DemorganParentType::kCause);
    EXPECT_EQ(Dm(c).GetParentType(2), -1);
}

TEST_F(DemorganInNetwork, UnknownTypesActOnNothingAndBlockTheRebuild) {
    TwoParents();
    ASSERT_EQ(Dm(c).SetPriorBelief(0.4), kSuccess);
    ASSERT_EQ(Dm(c).SetParentWeights(Doubles({0.5, 0.5})), kSuccess);
    ASSERT_EQ(Dm(c).SetParentTypes(Ints({7, DemorganParentType::kCause})), kSuccess);
    EXPECT_EQ(Dm(c).GetParentType(0), 7);
    // Only B's cause acts: 0.4 + 0.6 x 0.5 = 0.7 where B is in outcome 0.
    ExpectEntries(Dm(c).GetProbabilityTable(), {0.7, 0.3, 0.4, 0.6, 0.7, 0.3, 0.4, 0.6});

    const std::vector<double> before = Entries(Dm(c).GetProbabilityTable());
    EXPECT_EQ(Dm(c).RebuildFromParents(), kOutOfRange);
    EXPECT_EQ(Items(Dm(c).GetParentWeights()), (std::vector<double>{0.5, 0.5}));
    EXPECT_EQ(Items(Dm(c).GetParentTypes()), (std::vector<int>{7, 2}));
    EXPECT_EQ(Entries(Dm(c).GetProbabilityTable()), before);

    ASSERT_EQ(Dm(c).SetParentType(0, DemorganParentType::kRequirement), kSuccess);
    ASSERT_EQ(Dm(c).RebuildFromParents(), kSuccess);
    EXPECT_EQ(Items(Dm(c).GetParentWeights()), (std::vector<double>{1.0, 1.0}));
    EXPECT_EQ(Items(Dm(c).GetParentTypes()), (std::vector<int>{1, 2}));
}

TEST_F(DemorganInNetwork, RebuildsFollowTheParentListWhateverItsLength) {
    TwoParents();
    // Built for a node that already has parents: each enters as a cause of weight 1.0.
    VRX_demorgan d(c, &net);
    EXPECT_EQ(Items(d.GetParentTypes()), (std::vector<int>{2, 2}));
    EXPECT_EQ(Items(d.GetParentWeights()), (std::vector<double>{1.0, 1.0}));
    ExpectEntries(d.GetProbabilityTable(), {1, 0, 1, 0, 1, 0, 0.5, 0.5});
    ExpectInStep(d, c);

    // More parents than types: the types held are kept, the new parent becomes a cause.
    ASSERT_EQ(d.SetParentTypes(Ints({DemorganParentType::kInhibitor, DemorganParentType::kBarrier})),
              kSuccess);
    const int e = net.AddNode(DefinitionType::kDeMorgan, "E");
    ASSERT_EQ(net.AddArc(e, c), kSuccess);
    ASSERT_EQ(d.RebuildFromParents(), kSuccess);
    EXPECT_EQ(Items(d.GetParentTypes()), (std::vector<int>{0, 3, 2}));
    ExpectInStep(d, c);

    // Fewer parents than types: the extra ones go.
    ASSERT_EQ(net.RemoveArc(a, c), kSuccess);
    ASSERT_EQ(net.RemoveArc(b, c), kSuccess);
    ASSERT_EQ(d.RebuildFromParents(), kSuccess);
    EXPECT_EQ(Items(d.GetParentTypes()), (std::vector<int>{0}));
    ExpectInStep(d, c);
    // The node's own definition followed every arc edit.
    ExpectInStep(Dm(c), c);
    EXPECT_EQ(Items(Dm(c).GetParentWeights()), (std::vector<double>{0.0}));
}

TEST_F(DemorganInNetwork, ParentEditsOnArraysOutOfStepAreRefusedSafely) {
    // Made before the arcs, so it never heard of them.
    VRX_demorgan stale(c, &net);
    TwoParents();
    EXPECT_EQ(stale.AddParent(b), kOutOfRange);
    EXPECT_EQ(stale.RemoveParent(b), kOutOfRange);
    EXPECT_EQ(stale.ReorderParents(Ints({1, 0})), kOutOfRange);
    EXPECT_EQ(stale.GetNumberOfWeights(), 0);
    ASSERT_EQ(stale.AddParent(a), kSuccess);
    EXPECT_EQ(stale.GetNumberOfWeights(), 1);
    EXPECT_EQ(stale.AddParent(999), kOutOfRange);
}

TEST_F(DemorganInNetwork, RemovingAParentDropsItsTypeAndWeight) {
    TwoParents();
    ASSERT_NO_FATAL_FAILURE(
        Configure(c, 0.2, {DemorganParentType::kInhibitor, DemorganParentType::kCause}, {0.5, 0.75}));
    ASSERT_EQ(net.RemoveArc(a, c), kSuccess);
    EXPECT_EQ(Items(Dm(c).GetParentTypes()), (std::vector<int>{2}));
    EXPECT_EQ(Items(Dm(c).GetParentWeights()), (std::vector<double>{0.75}));
    ExpectEntries(Dm(c).GetProbabilityTable(), {0.8, 0.2, 0.2, 0.8});
    EXPECT_EQ(Dm(c).RemoveParent(a), kOutOfRange);
}

TEST_F(DemorganInNetwork, ReorderingParentsMovesTypesAndWeightsTogether) {
    TwoParents();
    ASSERT_NO_FATAL_FAILURE(
        Configure(c, 0.4, {DemorganParentType::kBarrier, DemorganParentType::kRequirement}, {0.6, 0.3}));
    ASSERT_EQ(net.ReorderParents(c, Ints({1, 0})), kSuccess);
    EXPECT_EQ(Items(Dm(c).GetParentTypes()), (std::vector<int>{1, 3}));
    EXPECT_EQ(Items(Dm(c).GetParentWeights()), (std::vector<double>{0.3, 0.6}));
    // Columns (B, A): the old (0, 1) and (1, 0) change places.
    ExpectEntries(Dm(c).GetProbabilityTable(), {0.4, 0.6, 0.76, 0.24, 0.28, 0.72, 0.532, 0.468});

    EXPECT_EQ(Dm(c).ReorderParents(Ints({1, 1})), kOutOfRange);
    EXPECT_EQ(Dm(c).ReorderParents(Ints({-1, 0})), kOutOfRange);
    EXPECT_EQ(Dm(c).ReorderParents(Ints({0})), kOutOfRange);
    EXPECT_EQ(Items(Dm(c).GetParentTypes()), (std::vector<int>{1, 3}));
    EXPECT_EQ(Items(Dm(c).GetParentWeights()), (std::vector<double>{0.3, 0.6}));
}

TEST_F(DemorganInNetwork, OnlyDemorganParentsAreAcceptedAndCptsRefuseThem) {
    const int cpt = net.AddNode(DefinitionType::kCpt, "Plain");
    ASSERT_GE(cpt, 0);
    EXPECT_EQ(Dm(c).AddParent(cpt), kWrongNodeType);
    const int logged = errorLog.GetNumberOfEntries();
    EXPECT_EQ(net.AddArc(cpt, c), kWrongNodeType);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), logged + 1);
    EXPECT_STREQ(
        errorLog.GetMessage(logged),
        "Arc rejected by child node [C]: a DeMorgan node does not take a chance node [Plain] as a parent");
    EXPECT_EQ(net.GetParents(c).GetCount(), 0);
    ExpectInStep(Dm(c), c);
    EXPECT_EQ(net.AddArc(c, cpt), kWrongNodeType);
    EXPECT_EQ(net.GetChildren(c).GetCount(), 0);
}

TEST_F(DemorganInNetwork, CopiesTakeOnlyDemorganSources) {
    TwoParents();
    ASSERT_NO_FATAL_FAILURE(
        Configure(c, 0.4, {DemorganParentType::kBarrier, DemorganParentType::kRequirement}, {0.6, 0.3}));

    VRX_demorgan other(a, &net);
    ASSERT_EQ(other.CopyFrom(Dm(c)), kSuccess);
    EXPECT_EQ(other.GetHandle(), c);
    EXPECT_DOUBLE_EQ(other.GetPriorBelief(), 0.4);
    EXPECT_EQ(Items(other.GetParentTypes()), (std::vector<int>{3, 1}));
    EXPECT_EQ(Entries(other.GetProbabilityTable()), Entries(Dm(c).GetProbabilityTable()));

    VRX_cpt plain(a, &net);
    EXPECT_EQ(other.CopyFrom(plain), kWrongNodeType);
    EXPECT_EQ(other.GetSize(), 8);
    EXPECT_EQ(Dm(c).CopyParametersTo(plain), kOutOfRange);

    VRX_network copy(net);
    auto* copied = static_cast<VRX_demorgan*>(copy.GetNode(c)->GetDefinition());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->GetType(), DefinitionType::kDeMorgan);
    EXPECT_EQ(Items(copied->GetParentWeights()), (std::vector<double>{0.6, 0.3}));
    EXPECT_EQ(Entries(copied->GetProbabilityTable()), Entries(Dm(c).GetProbabilityTable()));
}

TEST_F(DemorganInNetwork, ANodeTurnedIntoDemorganLeavesParentsOfOtherKinds) {
    const int p = net.AddNode(DefinitionType::kCpt, "P");
    const int q = net.AddNode(DefinitionType::kCpt, "Q");
    const int child = net.AddNode(DefinitionType::kCpt, "Child");
    ASSERT_EQ(net.AddArc(p, child), kSuccess);
    ASSERT_EQ(net.AddArc(q, child), kSuccess);
    ASSERT_EQ(net.GetNode(child)->ChangeType(DefinitionType::kDeMorgan), kSuccess);
    EXPECT_EQ(net.GetParents(child).GetCount(), 0);
    ExpectInStep(Dm(child), child);
    const int r = net.AddNode(DefinitionType::kDeMorgan, "R");
    ASSERT_EQ(net.AddArc(r, child), kSuccess);
    ExpectInStep(Dm(child), child);
}

}  // namespace
