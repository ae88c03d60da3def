// Noisy-adder definition: both combination rules against an independent computation, distinguished
// outcomes through graph and outcome edits, weight refusals, checks and conversions.
#include "definitions/noisy_adder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/noisy_max.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

class NoisyAdderTest : public ::testing::Test {
protected:
    int AddCpt(const char* id, int outcomes) { return vovido::test::AddCptNode(net, id, outcomes); }
    VRX_noisyAdder& Adder(int h) { return *static_cast<VRX_noisyAdder*>(net.GetNode(h)->GetDefinition()); }
    std::vector<double> Table(int h) { return Entries(*Adder(h).GetCpt()); }

    // Parents A (3 outcomes, distinguished 1) and B (2 outcomes, distinguished 1) of a 3-outcome Y
    // whose distinguished outcome is 1.
    void BuildThreeByTwo() {
        a = AddCpt("A", 3);
        b = AddCpt("B", 2);
        y = net.AddNode(DefinitionType::kNoisyAdder, "Y");
        ASSERT_EQ(net.AddArc(a, y), kSuccess);
        ASSERT_EQ(net.AddArc(b, y), kSuccess);
        ASSERT_EQ(Adder(y).SetParentDistinguishedState(0, 1), kSuccess);
        ASSERT_EQ(Adder(y).SetDefinition(Matrix({6, 3}, parameters)), kSuccess);
    }

    // C[a, b, j] computed from the definition of the average rule.
    std::vector<double> Average(const std::vector<double>& w) const {
        std::vector<double> out;
        for (int av = 0; av < 3; ++av) {
            for (int bv = 0; bv < 2; ++bv) {
                for (int j = 0; j < 3; ++j) {
                    double num = w[2] * parameters[15 + j];
                    double den = w[2];
                    if (av != 1) {
                        num += w[0] * parameters[av * 3 + j];
                        den += w[0];
                    }
                    if (bv != 1) {
                        num += w[1] * parameters[(3 + bv) * 3 + j];
                        den += w[1];
                    }
                    out.push_back(num / den);
                }
            }
        }
        return out;
    }

    const std::vector<double> parameters = {0.6,  0.3, 0.1, 0, 1, 0, 0.2, 0.2, 0.6,  // A
                                            0.1,  0.1, 0.8, 0, 1, 0,                 // B
                                            0.05, 0.9, 0.05};                        // leak
    VRX_network net;
    int a = -1;
    int b = -1;
    int y = -1;
};

// ---- Fresh definitions ----

TEST_F(NoisyAdderTest, FreshNodeHasThreeOutcomesAndTheLeakRowAsTable) {
    y = net.AddNode(DefinitionType::kNoisyAdder, "Y");
    VRX_noisyAdder& d = Adder(y);
    EXPECT_EQ(d.GetType(), 274);
    EXPECT_STREQ(d.GetTypeName(), "NOISY_ADDER");
    EXPECT_EQ(d.GetNumberOfOutcomes(), 3);
    EXPECT_EQ(d.GetDistinguishedState(), 1);
    EXPECT_EQ(Entries(*d.GetCiWeights()), (std::vector<double>{0, 1, 0}));
    EXPECT_EQ(Items(d.GetWeights()), (std::vector<double>{1.0}));
    EXPECT_EQ(Table(y), (std::vector<double>{0, 1, 0}));
    ASSERT_EQ(d.SetFunction(VRX_noisyAdder::kSingleFault), kSuccess);
    EXPECT_EQ(Table(y), (std::vector<double>{0, 1, 0}));
    EXPECT_EQ(d.CalculateParameters(), kOutOfRange);
}

TEST_F(NoisyAdderTest, NewParentGetsUniformRowsAndItsLastOutcomeDistinguished) {
    a = AddCpt("A", 3);
    y = net.AddNode(DefinitionType::kNoisyAdder, "Y");
    ASSERT_EQ(net.AddArc(a, y), kSuccess);
    VRX_noisyAdder& d = Adder(y);
    ExpectNear(Entries(*d.GetCiWeights()),
               {1.0 / 3, 1.0 / 3, 1.0 / 3, 1.0 / 3, 1.0 / 3, 1.0 / 3, 0, 1, 0, 0, 1, 0});
    EXPECT_EQ(Items(d.GetParentDistinguishedStates()), (std::vector<int>{2}));
    EXPECT_EQ(Items(d.GetWeights()), (std::vector<double>{1.0, 1.0}));
    EXPECT_EQ(d.GetParentStartingPosition(0), 0);
    EXPECT_EQ(d.GetParentStartingPosition(1), kOutOfRange);
    d.CheckConsistency(1);
    EXPECT_TRUE(d.IsConsistent());
}

// ---- The combination rules ----

TEST_F(NoisyAdderTest, AverageRuleMatchesTheWeightedMean) {
    BuildThreeByTwo();
    VRX_noisyAdder& d = Adder(y);
    ExpectNear(Table(y), Average({1.0, 1.0, 1.0}));
    ASSERT_EQ(d.SetWeights(Doubles({2.0, 0.5, 1.5})), kSuccess);
    const std::vector<double> table = Table(y);
    ExpectNear(table, Average({2.0, 0.5, 1.5}));
    // Every parent distinguished: the leak row; one parent active with equal weights: the mean.
    ExpectNear({table[1 * 6 + 1 * 3], table[1 * 6 + 1 * 3 + 1], table[1 * 6 + 1 * 3 + 2]}, {0.05, 0.9, 0.05});
    ASSERT_EQ(d.SetWeights(Doubles({1.0, 1.0, 1.0})), kSuccess);
    ExpectNear({Table(y)[0 * 6 + 1 * 3], Table(y)[0 * 6 + 1 * 3 + 1]}, {(0.6 + 0.05) / 2, (0.3 + 0.9) / 2});
}

TEST_F(NoisyAdderTest, SingleFaultRuleTakesTheOnlyActiveParentOrTheLeak) {
    BuildThreeByTwo();
    ASSERT_EQ(Adder(y).SetFunction(VRX_noisyAdder::kSingleFault), kSuccess);
    const std::vector<double> table = Table(y);
    const std::vector<double> leak = {0.05, 0.9, 0.05};
    for (int av = 0; av < 3; ++av) {
        for (int bv = 0; bv < 2; ++bv) {
            std::vector<double> expected = leak;
            if (av != 1 && bv == 1)
                expected.assign(parameters.begin() + av * 3, parameters.begin() + av * 3 + 3);
            if (av == 1 && bv != 1) expected.assign(parameters.begin() + 9, parameters.begin() + 12);
            ExpectNear({table[av * 6 + bv * 3], table[av * 6 + bv * 3 + 1], table[av * 6 + bv * 3 + 2]},
                       expected);
        }
    }
}

TEST_F(NoisyAdderTest, WeightsThatCannotAverageAreRefusedWithoutChange) {
    BuildThreeByTwo();
    VRX_noisyAdder& d = Adder(y);
    const std::vector<double> table = Table(y);
    EXPECT_EQ(d.SetWeights(Doubles({1.0, 1.0, 0.0})), kOutOfRange);
    EXPECT_EQ(d.SetWeights(Doubles({-1.0, 1.0, 1.0})), kOutOfRange);
    EXPECT_EQ(d.SetWeights(Doubles({1.0, 1.0})), kOutOfRange);
    EXPECT_EQ(d.SetWeights(Doubles({1.0, NAN, 1.0})), kOutOfRange);
    EXPECT_EQ(Items(d.GetWeights()), (std::vector<double>{1.0, 1.0, 1.0}));

    // Filled in place by a reader: a leak weight of 0 would divide 0 by 0 with every parent distinguished.
    d.GetWeights()[2] = 0.0;
    d.SetCptCacheFlags(0);
    EXPECT_EQ(d.CalculateCpt(), kOutOfRange);
    EXPECT_FALSE(d.GetCptCacheFlags() & CptCache::kCurrent);
    EXPECT_EQ(Table(y), table);
    // The single-fault rule does not use the weights.
    ASSERT_EQ(d.SetFunction(VRX_noisyAdder::kSingleFault), kSuccess);
    EXPECT_EQ(d.CalculateCpt(), kSuccess);
    // Codes other than 0 and 1 are stored but not computed.
    EXPECT_EQ(d.SetFunction(7), kSuccess);
    EXPECT_EQ(d.GetFunction(), 7);
    EXPECT_EQ(d.CalculateCpt(), kOutOfRange);
}

// ---- Distinguished outcomes ----

TEST_F(NoisyAdderTest, DistinguishedStateMovesTheParentsDistinguishedRows) {
    BuildThreeByTwo();
    VRX_noisyAdder& d = Adder(y);
    EXPECT_EQ(d.SetDistinguishedState(1), kSuccess);
    EXPECT_EQ(d.SetDistinguishedState(3), kOutOfRange);
    EXPECT_EQ(d.SetDistinguishedState(-1), kOutOfRange);
    ExpectNear(Entries(*d.GetCiWeights()), parameters);
    ASSERT_EQ(d.SetDistinguishedState(2), kSuccess);
    std::vector<double> expected = parameters;
    expected[3 * 1 + 1] = 0;
    expected[3 * 1 + 2] = 1;
    expected[3 * 4 + 1] = 0;
    expected[3 * 4 + 2] = 1;
    ExpectNear(Entries(*d.GetCiWeights()), expected);  // the leak row is not touched

    EXPECT_EQ(d.SetParentDistinguishedState(0, 3), kOutOfRange);
    EXPECT_EQ(d.SetParentDistinguishedState(2, 0), kOutOfRange);
    ASSERT_EQ(d.SetParentDistinguishedState(1, 0), kSuccess);
    EXPECT_EQ(Items(d.GetParentDistinguishedStates()), (std::vector<int>{1, 0}));
    // The new distinguished row is 1.0 at D; the old one stays as an ordinary row.
    const std::vector<double> w = Entries(*d.GetCiWeights());
    ExpectNear({w.begin() + 9, w.begin() + 15}, {0, 0, 1, 0, 0, 1});
}

TEST_F(NoisyAdderTest, OwnOutcomeEditsKeepTheDistinguishedOutcome) {
    BuildThreeByTwo();
    VRX_noisyAdder& d = Adder(y);
    ASSERT_EQ(d.InsertOutcome(0, "First"), kSuccess);
    EXPECT_EQ(d.GetDistinguishedState(), 2);
    ASSERT_EQ(d.RemoveOutcome(3), kSuccess);
    EXPECT_EQ(d.GetDistinguishedState(), 2);
    ASSERT_EQ(d.RemoveOutcome(0), kSuccess);
    EXPECT_EQ(d.GetDistinguishedState(), 1);
    EXPECT_EQ(d.RemoveOutcome(0), kOutOfRange);  // two outcomes stay
    EXPECT_EQ(d.GetDistinguishedState(), 1);
    ASSERT_EQ(d.AddOutcome("Last"), kSuccess);
    EXPECT_EQ(d.GetDistinguishedState(), 1);
    ASSERT_EQ(d.ChangeOrderOfOutcomes(Ints({1, 2, 0})), kSuccess);
    EXPECT_EQ(d.GetDistinguishedState(), 0);
    EXPECT_EQ(d.ChangeOrderOfOutcomes(Ints({1, 1, 0})), kOutOfRange);
    // A's distinguished row followed every edit: 1.0 at the distinguished outcome.
    const std::vector<double> w = Entries(*d.GetCiWeights());
    ExpectNear({w.begin() + 3, w.begin() + 6}, {1, 0, 0});
}

TEST_F(NoisyAdderTest, RemovingTheDistinguishedOutcomeMakesOutcomeZeroDistinguished) {
    BuildThreeByTwo();
    VRX_noisyAdder& d = Adder(y);
    ASSERT_EQ(d.SetDistinguishedState(0), kSuccess);
    ASSERT_EQ(d.RemoveOutcome(0), kSuccess);
    EXPECT_EQ(d.GetDistinguishedState(), 0);
    const std::vector<double> w = Entries(*d.GetCiWeights());
    ExpectNear({w[2], w[3]}, {1, 0});  // A's distinguished row (outcome 1)
    ExpectNear({w[8], w[9]}, {1, 0});  // B's distinguished row (outcome 1)
}

TEST_F(NoisyAdderTest, SetNumberOfOutcomesMakesTheLastOneDistinguished) {
    y = net.AddNode(DefinitionType::kNoisyAdder, "Y");
    ASSERT_EQ(Adder(y).SetNumberOfOutcomes(4), kSuccess);
    EXPECT_EQ(Adder(y).GetDistinguishedState(), 3);
    EXPECT_EQ(Adder(y).SetNumberOfOutcomes(1), kOutOfRange);
    EXPECT_EQ(Adder(y).GetNumberOfOutcomes(), 4);
}

// ---- Parent edits ----

TEST_F(NoisyAdderTest, ParentOutcomeEditsKeepRowsAndDistinguishedStates) {
    BuildThreeByTwo();
    VRX_noisyAdder& d = Adder(y);
    VRX_nodeDefinition* parent = net.GetNode(a)->GetDefinition();
    ASSERT_EQ(parent->InsertOutcome(0, "New"), kSuccess);
    EXPECT_EQ(Items(d.GetParentDistinguishedStates()), (std::vector<int>{2, 1}));
    std::vector<double> w = Entries(*d.GetCiWeights());
    ExpectNear({w.begin(), w.begin() + 6}, {0, 1, 0, 0.6, 0.3, 0.1});
    EXPECT_EQ(d.GetParentStartingPosition(1), 4);

    // Removing A's distinguished outcome (now 2) makes its outcome 0 distinguished.
    ASSERT_EQ(parent->RemoveOutcome(2), kSuccess);
    EXPECT_EQ(Items(d.GetParentDistinguishedStates()), (std::vector<int>{0, 1}));
    w = Entries(*d.GetCiWeights());
    ExpectNear({w.begin(), w.begin() + 9}, {0, 1, 0, 0.6, 0.3, 0.1, 0.2, 0.2, 0.6});

    EXPECT_EQ(d.ReorderParentOutcomes(a, Ints({0, 0, 1})), kOutOfRange);
    ASSERT_EQ(parent->ChangeOrderOfOutcomes(Ints({2, 1, 0})), kSuccess);
    EXPECT_EQ(Items(d.GetParentDistinguishedStates()), (std::vector<int>{2, 1}));
    w = Entries(*d.GetCiWeights());
    ExpectNear({w.begin(), w.begin() + 9}, {0.2, 0.2, 0.6, 0.6, 0.3, 0.1, 0, 1, 0});
}

TEST_F(NoisyAdderTest, ReorderingParentsPermutesBlocksWeightsAndTable) {
    BuildThreeByTwo();
    VRX_noisyAdder& d = Adder(y);
    ASSERT_EQ(d.SetWeights(Doubles({2.0, 0.5, 1.5})), kSuccess);
    const std::vector<double> before = Table(y);
    EXPECT_EQ(d.ReorderParents(Ints({1, 1})), kOutOfRange);
    ASSERT_EQ(net.ReorderParents(y, Ints({1, 0})), kSuccess);
    EXPECT_EQ(Items(d.GetWeights()), (std::vector<double>{0.5, 2.0, 1.5}));
    EXPECT_EQ(Items(d.GetParentDistinguishedStates()), (std::vector<int>{1, 1}));
    const std::vector<double> w = Entries(*d.GetCiWeights());
    ExpectNear({w.begin(), w.begin() + 6}, {0.1, 0.1, 0.8, 0, 1, 0});
    const std::vector<double> after = Table(y);
    for (int av = 0; av < 3; ++av) {
        for (int bv = 0; bv < 2; ++bv) {
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(after[bv * 9 + av * 3 + j], before[av * 6 + bv * 3 + j], 1e-12);
        }
    }
    ASSERT_EQ(net.RemoveArc(a, y), kSuccess);
    EXPECT_EQ(Items(d.GetWeights()), (std::vector<double>{0.5, 1.5}));
    EXPECT_EQ(d.GetNumberOfParents(), 1);
    EXPECT_EQ(d.AbsorbParentEvidence(b), kWrongNodeType);
    EXPECT_EQ(d.MarginalizeParent(b), kWrongNodeType);
}

// ---- Checks, copies and conversions ----

TEST_F(NoisyAdderTest, CheckParametersTreatsDistinguishedRowsAsConstrained) {
    BuildThreeByTwo();
    VRX_noisyAdder& d = Adder(y);
    char text[64];
    EXPECT_EQ(d.CheckParameters(*d.GetCiWeights(), text, 64), kSuccess);
    EXPECT_STREQ(text, "Ok");
    std::vector<double> broken = parameters;
    broken[3] = 0.5;  // A's distinguished row
    broken[4] = 0.5;
    EXPECT_EQ(d.CheckParameters(Matrix({6, 3}, broken), text, 64), kInvalidData);
    EXPECT_STREQ(text, "Constraints violeted");
    broken = parameters;
    broken[0] = 0.7;
    EXPECT_EQ(d.CheckParameters(Matrix({6, 3}, broken), text, 64), kInvalidData);
    EXPECT_STREQ(text, "Probabilities don't sum up to 1");
    EXPECT_EQ(d.CheckParameters(Matrix({5, 3}, parameters), text, 64), kOutOfRange);
    EXPECT_STREQ(text, "Inappropirate Dmatrix size");
    EXPECT_EQ(d.SetDefinition(Matrix({5, 3}, parameters)), kOutOfRange);
    EXPECT_EQ(d.SetDefinitionDoubles(Doubles({0.5, 0.5})), kOutOfRange);
    ExpectNear(Entries(*d.GetCiWeights()), parameters);
}

TEST_F(NoisyAdderTest, CopyKeepsEveryParameter) {
    BuildThreeByTwo();
    VRX_noisyAdder& d = Adder(y);
    ASSERT_EQ(d.SetWeights(Doubles({2.0, 0.5, 1.5})), kSuccess);
    ASSERT_EQ(d.SetDistinguishedState(2), kSuccess);
    ASSERT_EQ(d.SetFunction(VRX_noisyAdder::kSingleFault), kSuccess);
    VRX_noisyAdder copy(d);
    EXPECT_EQ(Entries(*copy.GetCiWeights()), Entries(*d.GetCiWeights()));
    EXPECT_EQ(Items(copy.GetWeights()), (std::vector<double>{2.0, 0.5, 1.5}));
    EXPECT_EQ(Items(copy.GetParentDistinguishedStates()), (std::vector<int>{1, 1}));
    EXPECT_EQ(copy.GetDistinguishedState(), 2);
    EXPECT_EQ(copy.GetFunction(), VRX_noisyAdder::kSingleFault);
    EXPECT_EQ(Entries(*copy.GetCpt()), Table(y));
}

TEST_F(NoisyAdderTest, ConversionsKeepOutcomesAndTakeDefaultParameters) {
    BuildThreeByTwo();
    ASSERT_EQ(net.GetNode(y)->ChangeType(DefinitionType::kNoisyMax), kSuccess);
    ASSERT_EQ(net.GetNode(y)->ChangeType(DefinitionType::kNoisyAdder), kSuccess);
    VRX_noisyAdder& d = Adder(y);
    EXPECT_EQ(d.GetNumberOfOutcomes(), 3);
    EXPECT_EQ(d.GetDistinguishedState(), 1);
    EXPECT_EQ(Items(d.GetParentDistinguishedStates()), (std::vector<int>{2, 1}));
    EXPECT_EQ(Items(d.GetWeights()), (std::vector<double>{1.0, 1.0, 1.0}));
    d.CheckConsistency(1);
    EXPECT_TRUE(d.IsConsistent());
    for (double v : Table(y)) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
