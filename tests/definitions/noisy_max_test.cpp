// Noisy-MAX definition: the derived table against hand and brute-force computations, parameter rows
// through graph and outcome edits, the leaky form, strengths, checks and conversions.
#include "definitions/noisy_max.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/cpt.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"
#include "tests/support/save_failure.h"

namespace {

using namespace vovido::test;

std::vector<double> Cumulative(std::vector<double> run) {
    for (int j = static_cast<int>(run.size()) - 2; j >= 0; --j) run[j] += run[j + 1];
    return run;
}

class NoisyMaxTest : public ::testing::Test {
protected:
    int AddCpt(const char* id, int outcomes) { return vovido::test::AddCptNode(net, id, outcomes); }
    int AddNoisy(const char* id, int outcomes) {
        const int h = net.AddNode(DefinitionType::kNoisyMax, id);
        if (outcomes != 2) {
            EXPECT_EQ(Noisy(h).SetNumberOfOutcomes(outcomes), kSuccess);
        }
        return h;
    }
    VRX_noisyMAX& Noisy(int h) { return *static_cast<VRX_noisyMAX*>(net.GetNode(h)->GetDefinition()); }
    std::vector<double> Table(int h) { return Entries(*Noisy(h).GetCpt()); }

    // Causes A and, unless bOutcomes is 0, B of a noisy-MAX Y, with their numbers of outcomes.
    void Build(int aOutcomes, int bOutcomes, int yOutcomes) {
        a = AddCpt("A", aOutcomes);
        if (bOutcomes > 0) b = AddCpt("B", bOutcomes);
        y = AddNoisy("Y", yOutcomes);
        ASSERT_EQ(net.AddArc(a, y), kSuccess);
        if (bOutcomes > 0) {
            ASSERT_EQ(net.AddArc(b, y), kSuccess);
        }
    }
    // Two binary causes of a binary effect (outcome 0 present, outcome 1 absent and distinguished).
    void BuildNoisyOr() {
        ASSERT_NO_FATAL_FAILURE(Build(2, 2, 2));
        ASSERT_EQ(Noisy(y).SetDefinition(Matrix({5, 2}, {0.8, 0.2, 0, 1, 0.6, 0.4, 0, 1, 0.1, 0.9})),
                  kSuccess);
    }
    // P(Y = absent | a, b) of the noisy-OR above.
    static double Absent(int a, int b) { return 0.9 * (a == 0 ? 0.2 : 1.0) * (b == 0 ? 0.4 : 1.0); }

    VRX_network net;
    int a = -1;
    int b = -1;
    int y = -1;
};

// ---- The derived table ----

TEST_F(NoisyMaxTest, NodeWithoutParentsHasTheLeakRowAsTable) {
    y = AddNoisy("Y", 3);
    VRX_noisyMAX& d = Noisy(y);
    EXPECT_EQ(d.GetType(), 146);
    EXPECT_STREQ(d.GetTypeName(), "NOISY_MAX");
    EXPECT_EQ(Shape(*d.GetCiWeights()), (std::vector<int>{1, 3}));
    ExpectNear(Entries(*d.GetCiWeights()), {1.0 / 3, 1.0 / 3, 1.0 / 3});
    ASSERT_EQ(d.SetDefinition(Matrix({1, 3}, {0.2, 0.3, 0.5})), kSuccess);
    EXPECT_EQ(Shape(*d.GetCpt()), (std::vector<int>{3}));
    ExpectNear(Table(y), {0.2, 0.3, 0.5});
    d.CheckConsistency(1);
    EXPECT_TRUE(d.IsConsistent());
}

TEST_F(NoisyMaxTest, BinaryTableIsTheNoisyOrCellByCell) {
    BuildNoisyOr();
    const std::vector<double> table = Table(y);
    ASSERT_EQ(Shape(*Noisy(y).GetCpt()), (std::vector<int>{2, 2, 2}));
    for (int av = 0; av < 2; ++av) {
        for (int bv = 0; bv < 2; ++bv) {
            const double absent = Absent(av, bv);
            EXPECT_NEAR(table[av * 4 + bv * 2 + 0], 1.0 - absent, 1e-12) << av << bv;
            EXPECT_NEAR(table[av * 4 + bv * 2 + 1], absent, 1e-12) << av << bv;
        }
    }
    // Every parent distinguished: the leak; the leak 0, 1 with one parent active: that parent's row.
    EXPECT_NEAR(table[6], 0.1, 1e-12);
    ASSERT_EQ(Noisy(y).SetDefinition(Matrix({5, 2}, {0.8, 0.2, 0, 1, 0.6, 0.4, 0, 1, 0, 1})), kSuccess);
    ExpectNear({Table(y)[0 * 4 + 1 * 2], Table(y)[0 * 4 + 1 * 2 + 1]}, {0.8, 0.2});
}

TEST_F(NoisyMaxTest, MultiValuedTableIsTheProductOfCumulativeContributions) {
    ASSERT_NO_FATAL_FAILURE(Build(3, 2, 3));
    VRX_noisyMAX& d = Noisy(y);
    // A's rows belong to outcomes 2, 0, 1 in that order: outcome 1 is its distinguished outcome.
    ASSERT_EQ(d.SetParentOutcomeStrengths(0, Ints({2, 0, 1})), kSuccess);
    const std::vector<double> p = {0.5,  0.3,  0.2, 0.1, 0.6, 0.3, 0, 0, 1,  // A
                                   0.25, 0.25, 0.5, 0,   0,   1,             // B
                                   0.05, 0.15, 0.8};                         // leak
    VRX_Dmatrix weights(Ints({6, 3}));
    for (size_t i = 0; i < p.size(); ++i) weights[static_cast<int>(i)] = p[i];
    ASSERT_EQ(d.SetDefinition(weights), kSuccess);

    const int positionOfA[3] = {1, 2, 0};  // outcome -> row position in A's strength order
    const std::vector<double> table = Table(y);
    ASSERT_EQ(Shape(*d.GetCpt()), (std::vector<int>{3, 2, 3}));
    for (int av = 0; av < 3; ++av) {
        for (int bv = 0; bv < 2; ++bv) {
            const int rowA = positionOfA[av];
            const int rowB = 3 + bv;
            const std::vector<double> ca = Cumulative({p[rowA * 3], p[rowA * 3 + 1], p[rowA * 3 + 2]});
            const std::vector<double> cb = Cumulative({p[rowB * 3], p[rowB * 3 + 1], p[rowB * 3 + 2]});
            const std::vector<double> cl = Cumulative({p[15], p[16], p[17]});
            double c[3];
            for (int j = 0; j < 3; ++j) c[j] = cl[j] * ca[j] * cb[j];
            const double expected[3] = {c[0] - c[1], c[1] - c[2], c[2]};
            double sum = 0.0;
            for (int j = 0; j < 3; ++j) {
                EXPECT_NEAR(table[av * 6 + bv * 3 + j], expected[j], 1e-12) << av << bv << j;
                sum += table[av * 6 + bv * 3 + j];
            }
            EXPECT_NEAR(sum, 1.0, 1e-12);
        }
    }
    // The parameters survive the computation bit for bit.
    EXPECT_EQ(Entries(*d.GetCiWeights()), p);
}

TEST_F(NoisyMaxTest, TableStaysStaleUntilAskedForUnlessRecomputedAtOnce) {
    BuildNoisyOr();
    VRX_noisyMAX& d = Noisy(y);
    d.GetCpt();
    EXPECT_TRUE(d.GetCptCacheFlags() & CptCache::kCurrent);
    ASSERT_EQ(d.SetDefinitionDoubles(Doubles({0.5, 0.5, 0, 1, 0.6, 0.4, 0, 1, 0.1, 0.9})), kSuccess);
    EXPECT_FALSE(d.GetCptCacheFlags() & CptCache::kCurrent);
    EXPECT_NEAR(Table(y)[1], 0.9 * 0.5 * 0.4, 1e-12);
    d.SetCptCacheFlags(CptCache::kRecomputeAtOnce);
    ASSERT_EQ(d.SetDefinitionDoubles(Doubles({0.8, 0.2, 0, 1, 0.6, 0.4, 0, 1, 0.1, 0.9})), kSuccess);
    EXPECT_TRUE(d.GetCptCacheFlags() & CptCache::kCurrent);
    EXPECT_NEAR(d.GetCpt()->GetData()[1], Absent(0, 0), 1e-12);
}

// ---- Parents ----

TEST_F(NoisyMaxTest, NewParentGetsUniformRowsAndAConstrainedRow) {
    ASSERT_NO_FATAL_FAILURE(Build(3, 0, 2));
    VRX_noisyMAX& d = Noisy(y);
    EXPECT_EQ(Shape(*d.GetCiWeights()), (std::vector<int>{4, 2}));
    ExpectNear(Entries(*d.GetCiWeights()), {0.5, 0.5, 0.5, 0.5, 0, 1, 0.5, 0.5});
    ASSERT_EQ(d.GetNumberOfParents(), 1);
    EXPECT_EQ(Items(d.GetParentOutcomeStrengths()[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(d.GetParentStartingPosition(0), 0);
    EXPECT_EQ(d.GetParentStartingPosition(1), kOutOfRange);
    EXPECT_EQ(d.GetParentStartingPosition(-1), kOutOfRange);
    d.CheckConsistency(1);
    EXPECT_TRUE(d.IsConsistent());
}

TEST_F(NoisyMaxTest, ParentsOfKindsWithoutOutcomesAreRejected) {
    y = AddNoisy("Y", 2);
    const int c = net.AddNode(DefinitionType::kCast, "C");
    ASSERT_GE(c, 0);
    EXPECT_EQ(net.AddArc(c, y), kWrongNodeType);
    EXPECT_EQ(net.GetParents(y).GetCount(), 0);
    EXPECT_EQ(Noisy(y).GetNumberOfParents(), 0);
    EXPECT_EQ(Noisy(y).AddParent(c), kOutOfRange);
    EXPECT_EQ(Noisy(y).AddParent(999), kOutOfRange);
}

TEST_F(NoisyMaxTest, RemovingAParentKeepsTheSliceOfItsDistinguishedOutcome) {
    BuildNoisyOr();
    const std::vector<double> before = Table(y);
    ASSERT_EQ(net.RemoveArc(a, y), kSuccess);
    VRX_noisyMAX& d = Noisy(y);
    EXPECT_EQ(d.GetNumberOfParents(), 1);
    ExpectNear(Entries(*d.GetCiWeights()), {0.6, 0.4, 0, 1, 0.1, 0.9});
    ExpectNear(Table(y), {before[4], before[5], before[6], before[7]});
}

TEST_F(NoisyMaxTest, ReorderingParentsTransposesTheTable) {
    ASSERT_NO_FATAL_FAILURE(Build(3, 2, 2));
    VRX_noisyMAX& d = Noisy(y);
    ASSERT_EQ(d.SetDefinition(Matrix({6, 2}, {0.7, 0.3, 0.4, 0.6, 0, 1, 0.9, 0.1, 0, 1, 0.2, 0.8})),
              kSuccess);
    const std::vector<double> before = Table(y);
    EXPECT_EQ(d.ReorderParents(Ints({0, 0})), kOutOfRange);
    EXPECT_EQ(d.ReorderParents(Ints({1})), kOutOfRange);
    ASSERT_EQ(net.ReorderParents(y, Ints({1, 0})), kSuccess);
    ExpectNear(Entries(*d.GetCiWeights()), {0.9, 0.1, 0, 1, 0.7, 0.3, 0.4, 0.6, 0, 1, 0.2, 0.8});
    const std::vector<double> after = Table(y);
    for (int av = 0; av < 3; ++av) {
        for (int bv = 0; bv < 2; ++bv) {
            for (int j = 0; j < 2; ++j)
                EXPECT_NEAR(after[bv * 6 + av * 2 + j], before[av * 4 + bv * 2 + j], 1e-12);
        }
    }
}

TEST_F(NoisyMaxTest, AbsorbingEvidenceFoldsTheObservedRowIntoTheLeak) {
    BuildNoisyOr();
    VRX_noisyMAX copy(Noisy(y));
    ASSERT_EQ(net.GetNode(a)->GetValue()->SetEvidence(0), kSuccess);
    ASSERT_EQ(Noisy(y).AbsorbParentEvidence(a), kSuccess);
    // Leak cumulative (1, 0.9) times A's cumulative (1, 0.2).
    ExpectNear(Entries(*Noisy(y).GetCiWeights()), {0.6, 0.4, 0, 1, 0.82, 0.18});
    EXPECT_EQ(Noisy(y).GetNumberOfParents(), 1);
    EXPECT_EQ(Noisy(y).AbsorbParentEvidence(b), kOutOfRange);  // no evidence on B

    // Evidence on the distinguished outcome leaves the leak as it was.
    ASSERT_EQ(net.GetNode(b)->GetValue()->SetEvidence(1), kSuccess);
    ASSERT_EQ(copy.AbsorbParentEvidence(b), kSuccess);
    ExpectNear(Entries(*copy.GetCiWeights()), {0.8, 0.2, 0, 1, 0.1, 0.9});
}

TEST_F(NoisyMaxTest, MarginalizingAParentMatchesTheMarginalTable) {
    ASSERT_NO_FATAL_FAILURE(Build(2, 0, 2));
    auto* prior = static_cast<VRX_cpt*>(net.GetNode(a)->GetDefinition());
    ASSERT_EQ(prior->SetProbabilities(Doubles({0.3, 0.7})), kSuccess);
    ASSERT_EQ(Noisy(y).SetDefinition(Matrix({3, 2}, {0.8, 0.2, 0, 1, 0.1, 0.9})), kSuccess);
    const std::vector<double> before = Table(y);
    ASSERT_EQ(Noisy(y).MarginalizeParent(a), kSuccess);
    EXPECT_EQ(Noisy(y).GetNumberOfParents(), 0);
    ExpectNear(Table(y), {0.3 * before[0] + 0.7 * before[2], 0.3 * before[1] + 0.7 * before[3]});
    ExpectNear(Table(y), {0.316, 0.684});
}

TEST_F(NoisyMaxTest, ParentOutcomeEditsKeepRowsAndStrengthsInStep) {
    BuildNoisyOr();
    VRX_noisyMAX& d = Noisy(y);
    VRX_nodeDefinition* parent = net.GetNode(a)->GetDefinition();
    // A new outcome starts without effect, second to last in the strength order.
    ASSERT_EQ(parent->AddOutcome("Extra"), kSuccess);
    EXPECT_EQ(Items(d.GetParentOutcomeStrengths()[0]), (std::vector<int>{0, 2, 1}));
    ExpectNear(Entries(*d.GetCiWeights()), {0.8, 0.2, 0, 1, 0, 1, 0.6, 0.4, 0, 1, 0.1, 0.9});
    EXPECT_EQ(Shape(*d.GetCpt()), (std::vector<int>{3, 2, 2}));
    ASSERT_EQ(parent->InsertOutcome(0, "First"), kSuccess);
    EXPECT_EQ(Items(d.GetParentOutcomeStrengths()[0]), (std::vector<int>{1, 3, 0, 2}));

    // Removing the distinguished outcome (now 2) hands that role to the one before it in the order.
    ASSERT_EQ(parent->RemoveOutcome(2), kSuccess);
    EXPECT_EQ(Items(d.GetParentOutcomeStrengths()[0]), (std::vector<int>{1, 2, 0}));
    ExpectNear(Entries(*d.GetCiWeights()), {0.8, 0.2, 0, 1, 0, 1, 0.6, 0.4, 0, 1, 0.1, 0.9});
    d.CheckConsistency(1);
    EXPECT_TRUE(d.IsConsistent());
}

TEST_F(NoisyMaxTest, ReorderedParentOutcomesReorderTheTable) {
    BuildNoisyOr();
    VRX_noisyMAX& d = Noisy(y);
    const std::vector<double> before = Table(y);
    EXPECT_EQ(d.ReorderParentOutcomes(a, Ints({0, 0})), kOutOfRange);
    EXPECT_EQ(d.ReorderParentOutcomes(a, Ints({0, 1, 2})), kOutOfRange);
    EXPECT_EQ(Items(d.GetParentOutcomeStrengths()[0]), (std::vector<int>{0, 1}));
    ASSERT_EQ(net.GetNode(a)->GetDefinition()->ChangeOrderOfOutcomes(Ints({1, 0})), kSuccess);
    EXPECT_EQ(Items(d.GetParentOutcomeStrengths()[0]), (std::vector<int>{1, 0}));
    const std::vector<double> after = Table(y);
    for (int av = 0; av < 2; ++av) {
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(after[av * 4 + i], before[(1 - av) * 4 + i], 1e-12);
    }
}

// ---- The node's own outcomes ----

TEST_F(NoisyMaxTest, OutcomeEditsKeepTheConstrainedRowsOnTheLastOutcome) {
    BuildNoisyOr();
    VRX_noisyMAX& d = Noisy(y);
    ASSERT_EQ(d.AddOutcome("More"), kSuccess);
    ExpectNear(Entries(*d.GetCiWeights()), {0.8, 0.2, 0, 0, 0, 1, 0.6, 0.4, 0, 0, 0, 1, 0.1, 0.9, 0});
    for (double v : Table(y)) EXPECT_TRUE(std::isfinite(v));
    EXPECT_NEAR(Table(y)[0] + Table(y)[1] + Table(y)[2], 1.0, 1e-12);

    // Removing the last outcome must not leave all-zero constrained rows (zero columns in the table).
    ASSERT_EQ(d.RemoveOutcome(2), kSuccess);
    ExpectNear(Entries(*d.GetCiWeights()), {0.8, 0.2, 0, 1, 0.6, 0.4, 0, 1, 0.1, 0.9});
    ExpectNear(Table(y), {1 - Absent(0, 0), Absent(0, 0), 1 - Absent(0, 1), Absent(0, 1), 1 - Absent(1, 0),
                          Absent(1, 0), 1 - Absent(1, 1), Absent(1, 1)});
    EXPECT_EQ(d.RemoveOutcome(0), kOutOfRange);  // two outcomes stay
}

TEST_F(NoisyMaxTest, ChangeOrderOfOutcomesPermutesColumnsAndResetsConstraints) {
    y = AddNoisy("Y", 3);
    VRX_noisyMAX& d = Noisy(y);
    ASSERT_EQ(d.SetDefinition(Matrix({1, 3}, {0.2, 0.3, 0.5})), kSuccess);
    EXPECT_EQ(d.ChangeOrderOfOutcomes(Ints({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(d.ChangeOrderOfOutcomes(Ints({1, 0})), kOutOfRange);
    ASSERT_EQ(d.ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    ExpectNear(Entries(*d.GetCiWeights()), {0.5, 0.2, 0.3});
    EXPECT_STREQ((*d.GetOutcomesNames())[0], "State2");

    a = AddCpt("A", 2);
    ASSERT_EQ(net.AddArc(a, y), kSuccess);
    ASSERT_EQ(d.ChangeOrderOfOutcomes(Ints({2, 1, 0})), kSuccess);
    const std::vector<double> weights = Entries(*d.GetCiWeights());
    EXPECT_EQ(std::vector<double>(weights.begin() + 3, weights.begin() + 6), (std::vector<double>{0, 0, 1}));
}

// ---- Strengths ----

TEST_F(NoisyMaxTest, StrengthOrdersMustBePermutations) {
    ASSERT_NO_FATAL_FAILURE(Build(3, 0, 2));
    VRX_noisyMAX& d = Noisy(y);
    EXPECT_EQ(d.SetParentOutcomeStrengths(0, Ints({0, 0, 1})), kOutOfRange);
    EXPECT_EQ(d.SetParentOutcomeStrengths(0, Ints({0, 1})), kOutOfRange);
    EXPECT_EQ(d.SetParentOutcomeStrengths(0, Ints({0, 1, 3})), kOutOfRange);
    EXPECT_EQ(d.SetParentOutcomeStrengths(1, Ints({0, 1, 2})), kOutOfRange);
    EXPECT_EQ(d.SetParentOutcomeStrengths(-1, Ints({0, 1, 2})), kOutOfRange);
    EXPECT_EQ(d.ChangeOrderOfStrengths(0, Ints({2, 2, 0})), kOutOfRange);
    EXPECT_EQ(d.ChangeOrderOfStrengths(3, Ints({0, 1, 2})), kOutOfRange);
    EXPECT_EQ(Items(d.GetParentOutcomeStrengths()[0]), (std::vector<int>{0, 1, 2}));
}

TEST_F(NoisyMaxTest, ChangeOrderOfStrengthsMovesRowsWithTheirOutcomes) {
    ASSERT_NO_FATAL_FAILURE(Build(3, 0, 2));
    VRX_noisyMAX& d = Noisy(y);
    ASSERT_EQ(d.SetDefinition(Matrix({4, 2}, {0.7, 0.3, 0.4, 0.6, 0, 1, 0.2, 0.8})), kSuccess);
    const std::vector<double> before = Table(y);
    ASSERT_EQ(d.ChangeOrderOfStrengths(0, Ints({1, 0, 2})), kSuccess);
    EXPECT_EQ(Items(d.GetParentOutcomeStrengths()[0]), (std::vector<int>{1, 0, 2}));
    ExpectNear(Entries(*d.GetCiWeights()), {0.4, 0.6, 0.7, 0.3, 0, 1, 0.2, 0.8});
    ExpectNear(Table(y), before);
    // Moving another outcome last makes it the distinguished one: its row is reset.
    ASSERT_EQ(d.ChangeOrderOfStrengths(0, Ints({0, 2, 1})), kSuccess);
    ExpectNear(Entries(*d.GetCiWeights()), {0.4, 0.6, 0, 1, 0, 1, 0.2, 0.8});
}

// ---- Leaky form ----

TEST_F(NoisyMaxTest, LeakyParametersFoldTheLeakInAndBackOut) {
    BuildNoisyOr();
    VRX_noisyMAX& d = Noisy(y);
    VRX_Dmatrix leaky;
    ASSERT_EQ(d.GetLeakyParameters(leaky), kSuccess);
    ExpectNear(Entries(leaky), {0.82, 0.18, 0, 1, 0.64, 0.36, 0, 1, 0.1, 0.9});
    VRX_doubleArray without;
    ASSERT_EQ(d.GetLeakyParametersWithoutConstrained(without), kSuccess);
    ASSERT_EQ(without.GetCount(), 6);
    ExpectNear({without[0], without[1], without[2], without[3], without[4], without[5]},
               {0.82, 0.18, 0.64, 0.36, 0.1, 0.9});

    ASSERT_EQ(d.SetLeakyParameters(Matrix({5, 2}, {0.55, 0.45, 0, 1, 0.1, 0.9, 0, 1, 0.1, 0.9})), kSuccess);
    ExpectNear(Entries(*d.GetCiWeights()), {0.5, 0.5, 0, 1, 0, 1, 0, 1, 0.1, 0.9});
    ASSERT_EQ(d.SetLeakyParametersWithoutConstrained(Doubles({0.82, 0.18, 0.64, 0.36, 0.1, 0.9})), kSuccess);
    ExpectNear(Entries(*d.GetCiWeights()), {0.8, 0.2, 0, 1, 0.6, 0.4, 0, 1, 0.1, 0.9});
}

TEST_F(NoisyMaxTest, LeakyParametersAreRefusedWithoutChangeWhenTheyCannotBeUnfolded) {
    BuildNoisyOr();
    VRX_noisyMAX& d = Noisy(y);
    const std::vector<double> before = Entries(*d.GetCiWeights());
    // A leak without mass on the distinguished outcome leaves nothing to divide by.
    EXPECT_EQ(d.SetLeakyParameters(Matrix({5, 2}, {0.8, 0.2, 0, 1, 0.6, 0.4, 0, 1, 1, 0})), kOutOfRange);
    EXPECT_EQ(d.SetLeakyParameters(Matrix({5, 2}, {0.8, 0.2, 0.1, 0.9, 0.6, 0.4, 0, 1, 0.1, 0.9})),
              kOutOfRange);
    EXPECT_EQ(d.SetLeakyParameters(Matrix({4, 2}, {0.8, 0.2, 0, 1, 0.6, 0.4, 0.1, 0.9})), kOutOfRange);
    EXPECT_EQ(d.SetLeakyParametersWithoutConstrained(Doubles({0.8, 0.2, 0.6, 0.4})), kOutOfRange);
    EXPECT_EQ(d.SetLeakyParametersWithoutConstrained(Doubles({0.8, 0.2, 0.6, 0.4, 1, 0})), kOutOfRange);
    EXPECT_EQ(Entries(*d.GetCiWeights()), before);
    for (double v : Table(y)) EXPECT_TRUE(std::isfinite(v));
}

// ---- Checks and setters ----

TEST_F(NoisyMaxTest, CheckParametersReportsTheFirstFault) {
    BuildNoisyOr();
    VRX_noisyMAX& d = Noisy(y);
    char text[64];
    EXPECT_EQ(d.CheckParameters(Matrix({5, 2}, {0.4, 0.599996, 0, 1, 0.5, 0.5, 0, 1, 0.1, 0.9}), text, 64),
              kSuccess);
    EXPECT_STREQ(text, "Ok");
    EXPECT_EQ(d.CheckParameters(Matrix({5, 2}, {0.4, 0.600004, 0, 1, 0.5, 0.5, 0, 1, 0.1, 0.9}), text, 64),
              kSuccess);
    EXPECT_EQ(d.CheckParameters(Matrix({5, 2}, {0.4, 0.59999, 0, 1, 0.5, 0.5, 0, 1, 0.1, 0.9}), text, 64),
              kInvalidData);
    EXPECT_STREQ(text, "Probabilities don't sum up to 1");
    EXPECT_EQ(d.CheckParameters(Matrix({5, 2}, {0.4, 0.60001, 0, 1, 0.5, 0.5, 0, 1, 0.1, 0.9}), text, 64),
              kInvalidData);
    EXPECT_EQ(d.CheckParameters(Matrix({5, 2}, {1.2, -0.2, 0, 1, 0.5, 0.5, 0, 1, 0.1, 0.9}), text, 64),
              kInvalidData);
    EXPECT_STREQ(text, "Probability less than 0");
    EXPECT_EQ(d.CheckParameters(Matrix({5, 2}, {0.4, 0.6, 0, 1, 0.5, 0.5, 0.5, 0.5, 0.1, 0.9}), text, 64),
              kInvalidData);
    EXPECT_STREQ(text, "Constraints violeted");
    EXPECT_EQ(d.CheckParameters(Matrix({4, 2}, {0.4, 0.6, 0, 1, 0.5, 0.5, 0.1, 0.9}), text, 64), kOutOfRange);
    EXPECT_STREQ(text, "Inappropirate Dmatrix size");
    // A text longer than the buffer is cut and still terminated; nothing is written past the size.
    char small[4] = {'x', 'x', 'x', 'x'};
    ASSERT_EQ(d.CheckParameters(*d.GetCiWeights(), small, 2), kSuccess);
    EXPECT_EQ(std::memcmp(small, "O\0xx", 4), 0);
}

TEST_F(NoisyMaxTest, SettersRefuseParametersOfAnotherShape) {
    BuildNoisyOr();
    VRX_noisyMAX& d = Noisy(y);
    const std::vector<double> before = Entries(*d.GetCiWeights());
    EXPECT_EQ(d.SetDefinition(Matrix({2, 5}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0})), kOutOfRange);
    EXPECT_EQ(d.SetDefinition(Matrix({4, 2}, {0, 1, 0, 1, 0, 1, 0, 1})), kOutOfRange);
    EXPECT_EQ(d.SetDefinitionDoubles(Doubles({0.5, 0.5})), kOutOfRange);
    EXPECT_EQ(Entries(*d.GetCiWeights()), before);
    d.CheckConsistency(1);
    EXPECT_TRUE(d.IsConsistent());
    ASSERT_EQ(d.SetDefinitionDoubles(Doubles({0.8, 0.2, 0.5, 0.5, 0.6, 0.4, 0, 1, 0.1, 0.9})), kSuccess);
    d.CheckConsistency(1);
    EXPECT_FALSE(d.IsConsistent());
}

TEST_F(NoisyMaxTest, TemporalStrengthsNeedAPlateNode) {
    y = AddNoisy("Y", 2);
    VRX_noisyMAX::StrengthSequence sequence;
    EXPECT_EQ(Noisy(y).GetTemporalParentOutcomeStrengths(1, sequence), kWrongNodeType);
    EXPECT_EQ(Noisy(y).SetTemporalParentOutcomeStrengths(1, sequence), kWrongNodeType);
}

// ---- Copies and conversions ----

TEST_F(NoisyMaxTest, CopyKeepsParametersStrengthsAndTable) {
    ASSERT_NO_FATAL_FAILURE(Build(3, 0, 2));
    VRX_noisyMAX& d = Noisy(y);
    ASSERT_EQ(d.SetParentOutcomeStrengths(0, Ints({1, 2, 0})), kSuccess);
    ASSERT_EQ(d.SetDefinition(Matrix({4, 2}, {0.7, 0.3, 0.4, 0.6, 0, 1, 0.2, 0.8})), kSuccess);
    VRX_noisyMAX copy(d);
    EXPECT_EQ(Entries(*copy.GetCiWeights()), Entries(*d.GetCiWeights()));
    EXPECT_EQ(Items(copy.GetParentOutcomeStrengths()[0]), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(Entries(*copy.GetCpt()), Table(y));
    EXPECT_EQ(copy.CopyFrom(copy), kSuccess);
}

TEST_F(NoisyMaxTest, ConversionFromATableFitsTheParameters) {
    a = AddCpt("A", 2);
    y = AddCpt("Y", 2);
    ASSERT_EQ(net.AddArc(a, y), kSuccess);
    auto* table = static_cast<VRX_cpt*>(net.GetNode(y)->GetDefinition());
    ASSERT_EQ(table->SetProbabilities(Doubles({0.82, 0.18, 0.1, 0.9})), kSuccess);
    ASSERT_EQ(net.GetNode(y)->ChangeType(DefinitionType::kNoisyMax), kSuccess);
    // The table is a noisy-OR with cause row (0.8, 0.2) and leak (0.1, 0.9): the fit finds it.
    ExpectNear(Entries(*Noisy(y).GetCiWeights()), {0.8, 0.2, 0, 1, 0.1, 0.9}, 2e-3);
    ExpectNear(Table(y), {0.82, 0.18, 0.1, 0.9}, 1e-3);
}

TEST_F(NoisyMaxTest, FitOfTwoParentsReproducesTheNoisyOr) {
    BuildNoisyOr();
    const std::vector<double> target = Table(y);
    VRX_cpt full(Noisy(y));
    ASSERT_EQ(full.GetType(), DefinitionType::kCpt);
    ExpectNear(Entries(full.GetProbabilities()), target);
    VRX_noisyMAX fitted(full);
    EXPECT_EQ(fitted.GetNumberOfParents(), 2);
    ExpectNear(Entries(*fitted.GetCpt()), target, 2e-3);
    fitted.CheckConsistency(1);
    EXPECT_TRUE(fitted.IsConsistent());
}

// A conversion whose table memory cannot hold fails and leaves the node noisy-MAX, its table unchanged.
TEST_F(NoisyMaxTest, ConversionWithoutMemoryForTheTableKeepsTheNode) {
    BuildNoisyOr();
    const std::vector<double> before = Table(y);
    {
        BufferCeiling ceiling(4);
        EXPECT_EQ(net.GetNode(y)->ChangeType(DefinitionType::kCpt), kOutOfMemory);
    }
    EXPECT_EQ(net.GetNode(y)->GetType(), DefinitionType::kNoisyMax);
    EXPECT_EQ(Table(y), before);
}

TEST_F(NoisyMaxTest, ConversionFromUtilitiesKeepsDefaultParameters) {
    y = net.AddNode(DefinitionType::kTable, "U");
    ASSERT_GE(y, 0);
    ASSERT_EQ(net.GetNode(y)->ChangeType(DefinitionType::kNoisyMax), kSuccess);
    VRX_noisyMAX& d = Noisy(y);
    EXPECT_EQ(d.GetNumberOfOutcomes(), 2);
    ExpectNear(Table(y), {0.5, 0.5});
    EXPECT_EQ(d.CalculateParameters(), kSuccess);
}

}  // namespace
