// Cast definition: the table against the influence formula, weight and baseline setters, parent edits.
#include "definitions/cast.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <string>
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

// P("True") of one column: parents true when their flag is set.
double CastColumn(double baseline, const std::vector<double>& positive, const std::vector<double>& negative,
                  const std::vector<bool>& parentTrue) {
    double p = 1.0;
    double n = 1.0;
    for (size_t i = 0; i < positive.size(); ++i) {
        const double w = parentTrue[i] ? positive[i] : negative[i];
        if (w < 0.0) {
            n *= 1.0 + w;
        } else {
            p *= 1.0 - w;
        }
    }
    double v = 0.0;
    if (p + n != 0.0) v = n > p ? 1.0 - p / n : n / p - 1.0;
    return v >= 0.0 ? baseline + v * (1.0 - baseline) : baseline + v * baseline;
}

class CastInNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        a = net.AddNode(DefinitionType::kCast, "A");
        b = net.AddNode(DefinitionType::kCast, "B");
        c = net.AddNode(DefinitionType::kCast, "C");
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        ASSERT_GE(c, 0);
    }

    VRX_cast& Cast(int h) { return *static_cast<VRX_cast*>(net.GetNode(h)->GetDefinition()); }
    void TwoParents() {
        ASSERT_EQ(net.AddArc(a, c), kSuccess);
        ASSERT_EQ(net.AddArc(b, c), kSuccess);
    }

    VRX_network net;
    int a = -1;
    int b = -1;
    int c = -1;
};

// ---------------------------------------------------------------------------------------------------

TEST(CastStandalone, BaselineAloneGivesTheSingleColumn) {
    VRX_cast cast(0, nullptr);
    EXPECT_EQ(cast.GetType(), 0x32);
    EXPECT_STREQ(cast.GetTypeName(), "CAST");
    EXPECT_TRUE(cast.IsValid());
    EXPECT_TRUE(cast.IsConsistent());
    EXPECT_EQ(Shape(cast.GetProbabilities()), (std::vector<int>{2}));
    ExpectEntries(cast.GetProbabilities(), {0.5, 0.5});

    ASSERT_EQ(cast.SetBaseline(0.2), kSuccess);
    ExpectEntries(cast.GetProbabilities(), {0.2, 0.8});
    EXPECT_EQ(cast.SetBaseline(1.5), kOutOfRange);
    EXPECT_EQ(cast.SetBaseline(-0.1), kOutOfRange);
    EXPECT_EQ(cast.SetBaseline(std::numeric_limits<double>::quiet_NaN()), kOutOfRange);
    EXPECT_DOUBLE_EQ(cast.GetBaseline(), 0.2);
    ExpectEntries(cast.GetProbabilities(), {0.2, 0.8});
}

TEST(CastStandalone, OutcomesAreFixedAndSharedAndEditsAreRefused) {
    VRX_cast first(0, nullptr);
    VRX_cast second(1, nullptr);
    EXPECT_EQ(first.GetNumberOfOutcomes(), 2);
    VRX_idArray* names = first.GetOutcomesNames();
    ASSERT_NE(names, nullptr);
    ASSERT_EQ(names->GetCount(), 2);
    EXPECT_STREQ((*names)[0], "True");
    EXPECT_STREQ((*names)[1], "False");
    EXPECT_EQ(second.GetOutcomesNames(), names);

    EXPECT_EQ(first.AddOutcome("Maybe"), kWrongNodeType);
    EXPECT_EQ(first.SetNumberOfOutcomes(3), kWrongNodeType);
    EXPECT_EQ(first.InsertParentOutcome(0, 0), kWrongNodeType);
    EXPECT_EQ(names->GetCount(), 2);
}

// ---------------------------------------------------------------------------------------------------

TEST_F(CastInNetwork, NewParentEntersWithoutInfluence) {
    ASSERT_EQ(Cast(c).SetBaseline(0.3), kSuccess);
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    EXPECT_EQ(Shape(Cast(c).GetProbabilities()), (std::vector<int>{2, 2}));
    EXPECT_EQ(Items(Cast(c).GetPositiveWeights()), (std::vector<double>{0.0}));
    EXPECT_EQ(Items(Cast(c).GetNegativeWeights()), (std::vector<double>{0.0}));
    ExpectEntries(Cast(c).GetProbabilities(), {0.3, 0.7, 0.3, 0.7});
}

TEST_F(CastInNetwork, SingleParentCertainInfluences) {
    ASSERT_EQ(net.AddArc(a, c), kSuccess);
    ASSERT_EQ(Cast(c).SetBaseline(0.4), kSuccess);
    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({1.0})), kSuccess);
    // Parent "True" makes the child certain; parent "False" leaves the baseline.
    ExpectEntries(Cast(c).GetProbabilities(), {1.0, 0.0, 0.4, 0.6});

    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({-1.0})), kSuccess);
    ExpectEntries(Cast(c).GetProbabilities(), {0.0, 1.0, 0.4, 0.6});
}

TEST_F(CastInNetwork, TwoParentsByHand) {
    TwoParents();
    ASSERT_EQ(Cast(c).SetBaseline(0.3), kSuccess);
    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({0.6, -0.5})), kSuccess);
    ASSERT_EQ(Cast(c).SetNegativeWeights(Doubles({-0.2, 0.4})), kSuccess);
    // Columns (A, B): (T, T) P = 0.4, N = 0.5, v = 0.2; (T, F) P = 0.24, N = 1, v = 0.76;
    // (F, T) P = 1, N = 0.4, v = -0.6; (F, F) P = 0.6, N = 0.8, v = 0.25.
    ExpectEntries(Cast(c).GetProbabilities(), {0.44, 0.56, 0.832, 0.168, 0.12, 0.88, 0.475, 0.525});
}

TEST_F(CastInNetwork, OpposingInfluencesCancel) {
    TwoParents();
    ASSERT_EQ(Cast(c).SetBaseline(0.35), kSuccess);
    // P = 0.5 and N = 0.5: no influence.
    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({0.5, -0.5})), kSuccess);
    EXPECT_NEAR(Cast(c).GetProbabilities()[0], 0.35, 1e-12);
    // P = 0 and N = 0: two certain opposite influences leave the baseline too.
    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({1.0, -1.0})), kSuccess);
    EXPECT_NEAR(Cast(c).GetProbabilities()[0], 0.35, 1e-12);
    EXPECT_NEAR(Cast(c).GetProbabilities()[1], 0.65, 1e-12);
}

TEST_F(CastInNetwork, EveryWeightCombinationOfTwoParentsFollowsTheFormula) {
    TwoParents();
    const double weights[] = {-1.0, -0.5, 0.0, 0.25, 1.0};
    const double baseline = 0.3;
    ASSERT_EQ(Cast(c).SetBaseline(baseline), kSuccess);
    for (double pa : weights) {
        for (double na : weights) {
            for (double pb : weights) {
                for (double nb : weights) {
                    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({pa, pb})), kSuccess);
                    ASSERT_EQ(Cast(c).SetNegativeWeights(Doubles({na, nb})), kSuccess);
                    const VRX_Dmatrix& table = Cast(c).GetProbabilities();
                    int column = 0;
                    for (bool trueA : {true, false}) {
                        for (bool trueB : {true, false}) {
                            const double p = CastColumn(baseline, {pa, pb}, {na, nb}, {trueA, trueB});
                            ASSERT_NEAR(table[2 * column], p, 1e-12)
                                << pa << " " << na << " " << pb << " " << nb;
                            ASSERT_NEAR(table[2 * column + 1], 1.0 - p, 1e-12);
                            ++column;
                        }
                    }
                }
            }
        }
    }
}

TEST_F(CastInNetwork, BadWeightsAreRefusedAndChangeNothing) {
    TwoParents();
    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({0.6, -0.5})), kSuccess);
    ASSERT_EQ(Cast(c).SetNegativeWeights(Doubles({-0.2, 0.4})), kSuccess);
    const VRX_Dmatrix before = Cast(c).GetProbabilities();

    EXPECT_EQ(Cast(c).SetPositiveWeights(Doubles({0.6, 1.5})), kOutOfRange);
    EXPECT_EQ(Cast(c).SetNegativeWeights(Doubles({-1.01, 0.0})), kOutOfRange);
    EXPECT_EQ(Cast(c).SetPositiveWeights(Doubles({std::numeric_limits<double>::quiet_NaN(), 0.0})),
              kOutOfRange);
    EXPECT_EQ(Cast(c).SetPositiveWeights(Doubles({0.1})), kOutOfRange);
    EXPECT_EQ(Cast(c).SetNegativeWeights(Doubles({0.1, 0.2, 0.3})), kOutOfRange);
    EXPECT_EQ(Cast(c).SetPositiveWeights(VRX_doubleArray()), kOutOfRange);

    EXPECT_EQ(Items(Cast(c).GetPositiveWeights()), (std::vector<double>{0.6, -0.5}));
    EXPECT_EQ(Items(Cast(c).GetNegativeWeights()), (std::vector<double>{-0.2, 0.4}));
    for (int i = 0; i < before.GetNumberOfElements(); ++i)
        EXPECT_EQ(Cast(c).GetProbabilities()[i], before[i]);
}

TEST_F(CastInNetwork, OnlyCastParentsAreAccepted) {
    const int cpt = net.AddNode(DefinitionType::kCpt, "Plain");
    ASSERT_GE(cpt, 0);
    EXPECT_EQ(Cast(c).AddParent(cpt), kWrongNodeType);

    const int logged = errorLog.GetNumberOfEntries();
    EXPECT_EQ(net.AddArc(cpt, c), kWrongNodeType);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), logged + 1);
    EXPECT_STREQ(
        errorLog.GetMessage(logged),
        "Arc rejected by child node [C]: a cast node does not take a chance node [Plain] as a parent");
    EXPECT_EQ(net.GetParents(c).GetCount(), 0);
    EXPECT_EQ(net.GetChildren(cpt).GetCount(), 0);
    EXPECT_EQ(Cast(c).GetNumberOfWeights(), 0);
    EXPECT_EQ(Cast(c).GetSize(), 2);

    // Nor does a CPT take a cast parent.
    EXPECT_EQ(net.AddArc(c, cpt), kWrongNodeType);
    EXPECT_EQ(Cast(c).AddParent(999), kOutOfRange);
}

TEST_F(CastInNetwork, RemovingAParentDropsItsWeightsOnly) {
    TwoParents();
    ASSERT_EQ(Cast(c).SetBaseline(0.3), kSuccess);
    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({0.6, -0.5})), kSuccess);
    ASSERT_EQ(Cast(c).SetNegativeWeights(Doubles({-0.2, 0.4})), kSuccess);
    ASSERT_EQ(net.RemoveArc(a, c), kSuccess);
    EXPECT_EQ(Items(Cast(c).GetPositiveWeights()), (std::vector<double>{-0.5}));
    EXPECT_EQ(Items(Cast(c).GetNegativeWeights()), (std::vector<double>{0.4}));
    // B alone: "True" v = -0.5 gives 0.15; "False" v = 0.4 gives 0.58.
    ExpectEntries(Cast(c).GetProbabilities(), {0.15, 0.85, 0.58, 0.42});
    EXPECT_EQ(Cast(c).RemoveParent(a), kOutOfRange);
}

TEST_F(CastInNetwork, ReorderingParentsMovesTheWeightsWithThem) {
    TwoParents();
    ASSERT_EQ(Cast(c).SetBaseline(0.3), kSuccess);
    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({0.6, -0.5})), kSuccess);
    ASSERT_EQ(Cast(c).SetNegativeWeights(Doubles({-0.2, 0.4})), kSuccess);
    ASSERT_EQ(net.ReorderParents(c, Ints({1, 0})), kSuccess);
    EXPECT_EQ(Items(Cast(c).GetPositiveWeights()), (std::vector<double>{-0.5, 0.6}));
    EXPECT_EQ(Items(Cast(c).GetNegativeWeights()), (std::vector<double>{0.4, -0.2}));
    // Columns (B, A): the old (T, F) and (F, T) change places.
    ExpectEntries(Cast(c).GetProbabilities(), {0.44, 0.56, 0.12, 0.88, 0.832, 0.168, 0.475, 0.525});

    // Orders that are not permutations of the parents are refused and change nothing.
    EXPECT_EQ(Cast(c).ReorderParents(Ints({0, 0})), kOutOfRange);
    EXPECT_EQ(Cast(c).ReorderParents(Ints({1, 2})), kOutOfRange);
    EXPECT_EQ(Cast(c).ReorderParents(Ints({0})), kOutOfRange);
    EXPECT_EQ(Cast(c).ReorderParents(Ints({1, 0, 2})), kOutOfRange);
    EXPECT_EQ(Items(Cast(c).GetPositiveWeights()), (std::vector<double>{-0.5, 0.6}));
    ExpectEntries(Cast(c).GetProbabilities(), {0.44, 0.56, 0.12, 0.88, 0.832, 0.168, 0.475, 0.525});
}

TEST_F(CastInNetwork, CopiesTakeOnlyCasts) {
    TwoParents();
    ASSERT_EQ(Cast(c).SetBaseline(0.3), kSuccess);
    ASSERT_EQ(Cast(c).SetPositiveWeights(Doubles({0.6, -0.5})), kSuccess);

    VRX_cast copy(Cast(c));
    EXPECT_DOUBLE_EQ(copy.GetBaseline(), 0.3);
    EXPECT_EQ(Items(copy.GetPositiveWeights()), (std::vector<double>{0.6, -0.5}));
    EXPECT_EQ(copy.GetSize(), 8);

    VRX_cast other(a, &net);
    ASSERT_EQ(other.CopyFrom(Cast(c)), kSuccess);
    EXPECT_EQ(other.GetHandle(), c);
    EXPECT_EQ(Items(other.GetNegativeWeights()), (std::vector<double>{0.0, 0.0}));
    EXPECT_NEAR(other.GetProbabilities()[0], Cast(c).GetProbabilities()[0], 1e-15);

    VRX_cpt plain(a, &net);
    EXPECT_EQ(other.CopyFrom(plain), kWrongNodeType);
    EXPECT_EQ(other.GetSize(), 8);
    EXPECT_EQ(Cast(c).CopyParametersTo(plain), kOutOfRange);

    VRX_network network(net);
    auto* copied = static_cast<VRX_cast*>(network.GetNode(c)->GetDefinition());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->GetType(), DefinitionType::kCast);
    EXPECT_EQ(Items(copied->GetPositiveWeights()), (std::vector<double>{0.6, -0.5}));
    EXPECT_DOUBLE_EQ(copied->GetBaseline(), 0.3);
}

TEST_F(CastInNetwork, ANodeTurnedIntoACastLeavesParentsOfOtherKinds) {
    const int p = net.AddNode(DefinitionType::kCpt, "P");
    const int q = net.AddNode(DefinitionType::kCpt, "Q");
    const int child = net.AddNode(DefinitionType::kCpt, "Child");
    ASSERT_EQ(net.AddArc(p, child), kSuccess);
    ASSERT_EQ(net.AddArc(q, child), kSuccess);
    ASSERT_EQ(net.GetNode(child)->ChangeType(DefinitionType::kCast), kSuccess);
    VRX_cast& cast = Cast(child);
    EXPECT_EQ(net.GetParents(child).GetCount(), 0);
    EXPECT_EQ(cast.GetNumberOfWeights(), 0);
    EXPECT_EQ(Shape(cast.GetProbabilities()), (std::vector<int>{2}));
    // A cast parent added then takes one neutral weight.
    const int r = net.AddNode(DefinitionType::kCast, "R");
    ASSERT_EQ(net.AddArc(r, child), kSuccess);
    EXPECT_EQ(cast.GetNumberOfWeights(), 1);
    EXPECT_EQ(cast.GetSize(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(cast.GetProbabilities()[i], 0.5);
}

}  // namespace
