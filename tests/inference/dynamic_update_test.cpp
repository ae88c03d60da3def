// Unrolling dynamic networks and updating their beliefs per time slice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "model/temporal_extension.h"
#include "tests/support/address_space.h"
#include "tests/support/compare.h"
#include "tests/support/costly_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/sanitizer.h"

using namespace vovido::test;

namespace {

int ArcCount(const VRX_network& net) {
    int arcs = 0;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) arcs += net.GetParents(h).GetCount();
    return arcs;
}

}  // namespace

// The umbrella world: rain follows rain with probability 0.7, the umbrella shows with 0.9 under rain
// and 0.2 without. Smoothed posteriors by forward-backward, computed here over ten slices.
TEST(DynamicUpdate, UmbrellaWorldMatchesForwardBackward) {
    VRX_network net;
    const int rain = AddNode(net, DefinitionType::kCpt, "Rain", {});
    const int umbrella = AddNode(net, DefinitionType::kCpt, "Umbrella", {"Rain"});
    ASSERT_EQ(Def(net, "Rain").SetDefinitionDoubles(Doubles({0.5, 0.5})), kSuccess);
    ASSERT_EQ(Def(net, "Umbrella").SetDefinitionDoubles(Doubles({0.9, 0.1, 0.2, 0.8})), kSuccess);
    ASSERT_EQ(net.SetTemporalType(umbrella, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(net.SetTemporalType(rain, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(net.AddTemporalArc(rain, rain, 1), kSuccess);
    ASSERT_EQ(Def(net, "Rain").SetTemporalDefinition(1, Doubles({0.7, 0.3, 0.3, 0.7})), kSuccess);
    const int kSlices = 10;
    ASSERT_EQ(net.SetSliceCount(kSlices), kSuccess);
    const std::vector<int> seen{0, 0, 1, 0, 0, 0, 1, 1, 0, 0};  // outcome 0: umbrella shown
    for (int t = 0; t < kSlices; t++)
        ASSERT_EQ(net.GetNode(umbrella)->GetValue()->SetTemporalEvidence(t, seen[t]), kSuccess) << t;
    net.propagationFlags |= PropagationFlags::kAutoUpdate;
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
    EXPECT_TRUE(net.propagationFlags & PropagationFlags::kAutoUpdate);

    const double trans[2][2] = {{0.7, 0.3}, {0.3, 0.7}};
    const double sensor[2][2] = {{0.9, 0.1}, {0.2, 0.8}};
    std::vector<std::vector<double>> forward(kSlices, std::vector<double>(2));
    std::vector<std::vector<double>> backward(kSlices, std::vector<double>(2, 1.0));
    for (int t = 0; t < kSlices; t++) {
        for (int r = 0; r < 2; r++) {
            const double prior =
                t == 0 ? 0.5 : forward[t - 1][0] * trans[0][r] + forward[t - 1][1] * trans[1][r];
            forward[t][r] = prior * sensor[r][seen[t]];
        }
    }
    for (int t = kSlices - 2; t >= 0; t--) {
        for (int r = 0; r < 2; r++) {
            backward[t][r] = 0.0;
            for (int s = 0; s < 2; s++)
                backward[t][r] += trans[r][s] * sensor[s][seen[t + 1]] * backward[t + 1][s];
        }
    }
    const std::vector<double> rows = Beliefs(net, rain);
    ASSERT_EQ(rows.size(), 2u * kSlices);
    ASSERT_EQ(Shape(*[&] {
                  VRX_Dmatrix* m = nullptr;
                  (void)net.GetNode(rain)->GetValue()->GetValue(m);
                  return m;
              }()),
              (std::vector<int>{kSlices, 2}));
    for (int t = 0; t < kSlices; t++) {
        const double a = forward[t][0] * backward[t][0];
        const double b = forward[t][1] * backward[t][1];
        EXPECT_NEAR(rows[2 * t], a / (a + b), 1e-12) << "slice " << t;
        EXPECT_NEAR(rows[2 * t + 1], b / (a + b), 1e-12) << "slice " << t;
    }
    // The probability of all the evidence is the forward sum.
    double pe = 0.0;
    ASSERT_TRUE(net.CalcPropEvidence(&pe, false));
    EXPECT_NEAR(pe, forward[kSlices - 1][0] + forward[kSlices - 1][1], 1e-12);
}

// Anchor A -> X; X -> Y inside the slice; X -> X of order 1 and Y -> X of order 2; terminal T after X.
struct OrderTwo {
    VRX_network net;
    int a, x, y, t;
    OrderTwo() {
        a = AddNode(net, DefinitionType::kCpt, "A", {});
        x = AddNode(net, DefinitionType::kCpt, "X", {"A"});
        y = AddNode(net, DefinitionType::kCpt, "Y", {"X"});
        t = AddNode(net, DefinitionType::kCpt, "T", {"X"});
        EXPECT_EQ(Def(net, "A").SetDefinitionDoubles(Doubles({0.35, 0.65})), kSuccess);
        EXPECT_EQ(Def(net, "X").SetDefinitionDoubles(Doubles({0.9, 0.1, 0.25, 0.75})), kSuccess);
        EXPECT_EQ(Def(net, "Y").SetDefinitionDoubles(Doubles({0.8, 0.2, 0.15, 0.85})), kSuccess);
        EXPECT_EQ(Def(net, "T").SetDefinitionDoubles(Doubles({0.6, 0.4, 0.05, 0.95})), kSuccess);
        EXPECT_EQ(net.SetTemporalType(t, TemporalType::kTerminal), kSuccess);
        EXPECT_EQ(net.SetTemporalType(y, TemporalType::kPlate), kSuccess);
        EXPECT_EQ(net.SetTemporalType(x, TemporalType::kPlate), kSuccess);
        EXPECT_EQ(net.SetTemporalType(a, TemporalType::kAnchor), kSuccess);
        EXPECT_EQ(net.AddTemporalArc(x, x, 1), kSuccess);
        EXPECT_EQ(net.AddTemporalArc(y, x, 2), kSuccess);
        EXPECT_EQ(Def(net, "X").SetTemporalDefinition(1, Doubles({0.7, 0.3, 0.2, 0.8})), kSuccess);
        // Parents: X of the previous slice, Y of two slices before.
        EXPECT_EQ(Def(net, "X").SetTemporalDefinition(2, Doubles({0.95, 0.05, 0.6, 0.4, 0.3, 0.7, 0.1, 0.9})),
                  kSuccess);
        EXPECT_EQ(net.SetSliceCount(4), kSuccess);
    }
};

TEST(DynamicUpdate, OrderTwoArcsAnchorAndTerminalUnrollAsByHand) {
    OrderTwo d;
    VRX_network unrolled;
    std::vector<int> map;
    ASSERT_EQ(d.net.UnrollNetwork(unrolled, map), kSuccess);
    EXPECT_EQ(unrolled.GetNumberOfNodes(), 10);
    EXPECT_EQ(ArcCount(unrolled), 11);
    ASSERT_EQ(map.size(), 8u);
    EXPECT_EQ(map[0], d.x);
    EXPECT_EQ(map[1], d.y);
    EXPECT_EQ(IdOf(unrolled, map[6]), "X_3");

    // The same network built by hand.
    VRX_network hand;
    AddNode(hand, DefinitionType::kCpt, "A", {});
    AddNode(hand, DefinitionType::kCpt, "X", {"A"});
    AddNode(hand, DefinitionType::kCpt, "Y", {"X"});
    AddNode(hand, DefinitionType::kCpt, "X_1", {"X"});
    AddNode(hand, DefinitionType::kCpt, "Y_1", {"X_1"});
    AddNode(hand, DefinitionType::kCpt, "X_2", {"X_1", "Y"});
    AddNode(hand, DefinitionType::kCpt, "Y_2", {"X_2"});
    AddNode(hand, DefinitionType::kCpt, "X_3", {"X_2", "Y_1"});
    AddNode(hand, DefinitionType::kCpt, "Y_3", {"X_3"});
    AddNode(hand, DefinitionType::kCpt, "T", {"X_3"});
    const std::vector<std::pair<const char*, std::vector<double>>> tables{
        {"A", {0.35, 0.65}},
        {"X", {0.9, 0.1, 0.25, 0.75}},
        {"X_1", {0.7, 0.3, 0.2, 0.8}},
        {"X_2", {0.95, 0.05, 0.6, 0.4, 0.3, 0.7, 0.1, 0.9}},
        {"X_3", {0.95, 0.05, 0.6, 0.4, 0.3, 0.7, 0.1, 0.9}},
        {"T", {0.6, 0.4, 0.05, 0.95}}};
    for (const auto& table : tables)
        ASSERT_EQ(Def(hand, table.first).SetDefinitionDoubles(Doubles(table.second)), kSuccess);
    for (const char* id : {"Y", "Y_1", "Y_2", "Y_3"})
        ASSERT_EQ(Def(hand, id).SetDefinitionDoubles(Doubles({0.8, 0.2, 0.15, 0.85})), kSuccess);

    // Evidence: Y in slice 1, T; the same findings by hand.
    ASSERT_EQ(d.net.GetNode(d.y)->GetValue()->SetTemporalEvidence(1, 1), kSuccess);
    ASSERT_EQ(d.net.GetNode(d.t)->GetValue()->SetEvidence(0), kSuccess);
    ASSERT_EQ(hand.GetNode(hand.FindNode("Y_1"))->GetValue()->SetEvidence(1), kSuccess);
    ASSERT_EQ(hand.GetNode(hand.FindNode("T"))->GetValue()->SetEvidence(0), kSuccess);
    ASSERT_EQ(hand.UpdateBeliefs(), kSuccess);
    ASSERT_EQ(d.net.UpdateBeliefs(), kSuccess);
    const std::vector<double> xs = Beliefs(d.net, d.x);
    const std::vector<double> ys = Beliefs(d.net, d.y);
    const char* xIds[] = {"X", "X_1", "X_2", "X_3"};
    const char* yIds[] = {"Y", "Y_1", "Y_2", "Y_3"};
    for (int s = 0; s < 4; s++) {
        const std::vector<double> hx = Beliefs(hand, hand.FindNode(xIds[s]));
        const std::vector<double> hy = Beliefs(hand, hand.FindNode(yIds[s]));
        EXPECT_NEAR(xs[2 * s], hx[0], 1e-12) << xIds[s];
        EXPECT_NEAR(ys[2 * s], hy[0], 1e-12) << yIds[s];
    }
    ExpectNear(Beliefs(d.net, d.a), Beliefs(hand, hand.FindNode("A")), 1e-12);
    double pe = 0.0, handPe = 0.0;
    ASSERT_TRUE(d.net.CalcPropEvidence(&pe, true));
    ASSERT_TRUE(hand.CalcPropEvidence(&handPe, true));
    EXPECT_NEAR(pe, handPe, 1e-12);
}

TEST(DynamicUpdate, EdgeCasesOfUnrolling) {
    OrderTwo d;
    // One slice: the static copy, with the terminal node on slice 0.
    ASSERT_EQ(d.net.SetSliceCount(1), kSuccess);
    VRX_network unrolled;
    std::vector<int> map;
    ASSERT_EQ(d.net.UnrollNetwork(unrolled, map), kSuccess);
    EXPECT_EQ(map, (std::vector<int>{d.x, d.y}));
    EXPECT_EQ(unrolled.GetNumberOfNodes(), 4);
    EXPECT_EQ(Items(unrolled.GetParents(d.t)), std::vector<int>{d.x});
    ExpectEntries(static_cast<VRX_cpt&>(Def(unrolled, "T")).GetProbabilities(), {0.6, 0.4, 0.05, 0.95});
    // A node already called X_1 leaves the slice copy a generated identifier.
    ASSERT_EQ(d.net.SetSliceCount(3), kSuccess);
    AddNode(d.net, DefinitionType::kCpt, "X_1", {});
    ASSERT_EQ(d.net.UnrollNetwork(unrolled, map), kSuccess);
    EXPECT_NE(IdOf(unrolled, map[2]), "X_1");
    EXPECT_EQ(IdOf(unrolled, map[3]), "Y_1");
    // Slice 1 of X: the order-1 definition only, without the anchor.
    EXPECT_EQ(Items(unrolled.GetParents(map[2])), std::vector<int>{d.x});
    // Slice evidence lands on the copy as ordinary evidence.
    ASSERT_EQ(d.net.GetNode(d.x)->GetValue()->SetTemporalEvidence(2, 1), kSuccess);
    ASSERT_EQ(d.net.UnrollNetwork(unrolled, map), kSuccess);
    EXPECT_EQ(unrolled.GetNode(map[4])->GetValue()->GetEvidence(), 1);
    // Without temporal data there is nothing to unroll: a refused slice count makes no network dynamic, nor
    // does a temporal query.
    VRX_network plain;
    EXPECT_EQ(plain.UnrollNetwork(unrolled, map), kOutOfRange);
    AddNode(plain, DefinitionType::kCpt, "A", {});
    EXPECT_EQ(plain.SetSliceCount(0), kInvalidData);
    EXPECT_EQ(plain.GetSliceCount(), 0);
    EXPECT_FALSE(plain.TemporalArcExists(0, 0, 1));
    EXPECT_EQ(plain.UnrollNetwork(unrolled, map), kOutOfRange);
}

// Unrolling that runs out of memory says so, with the size of what it was building.
int UnrollingOutOfMemoryIsNamed() {
    VRX_network net;
    if (BuildPlateChain(net, 4, 60000, false) != kSuccess) return 100;
    VRX_network unrolled;
    std::vector<int> map;
    if (!LimitAddressSpace(256LL << 20)) return 101;
    errorLog.Flush();
    const int rc = net.UnrollNetwork(unrolled, map);
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0) return 102;
    limit.rlim_cur = limit.rlim_max;  // the log is read with memory to spare
    if (setrlimit(RLIMIT_AS, &limit) != 0) return 103;
    if (rc != kOutOfMemory || unrolled.GetNumberOfNodes() != 0) return 1;
    for (const std::string& text : LoggedMessages()) {
        if (text.rfind("Unable to unroll the network: out of memory building 60000 slices of 4 plate nodes",
                       0) == 0)
            return 0;
    }
    return 2;
}

TEST(DynamicUpdateDeathTest, UnrollingOutOfMemoryIsNamed) {
    if (kUnderAddressSanitizer) GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    EXPECT_EXIT(_exit(UnrollingOutOfMemoryIsNamed()), ::testing::ExitedWithCode(0), "");
}

TEST(DynamicUpdate, FailedUpdateLeavesValuesAndRestoresAutomaticUpdating) {
    OrderTwo d;
    ASSERT_EQ(d.net.UpdateBeliefs(), kSuccess);
    const std::vector<double> before = Beliefs(d.net, d.x);
    // Polytree propagation refuses the unrolled network, which is not singly connected.
    d.net.bnAlgorithm = 2;
    d.net.propagationFlags |= PropagationFlags::kAutoUpdate;
    errorLog.Flush();
    EXPECT_NE(d.net.UpdateBeliefs(), kSuccess);
    EXPECT_TRUE(d.net.propagationFlags & PropagationFlags::kAutoUpdate);
    EXPECT_EQ(Beliefs(d.net, d.x), before);
}

TEST(DynamicUpdate, FailedUnrollingLeavesNothingBehindAndSaysWhy) {
    OrderTwo d;
    VRX_network unrolled;
    std::vector<int> map{7};
    // Likelihoods that do not fit Y's two outcomes are refused when slice 2's copy takes them.
    ASSERT_EQ(d.net.FindTemporalExtension()->SetTemporalVirtualEvidence(d.y, 2, {0.5, 0.25, 0.25}), kSuccess);
    errorLog.Flush();
    EXPECT_NE(d.net.UnrollNetwork(unrolled, map), kSuccess);
    EXPECT_EQ(unrolled.GetNumberOfNodes(), 0);
    EXPECT_TRUE(map.empty());
    ASSERT_EQ(LoggedMessages().size(), 1u);
    EXPECT_EQ(LoggedMessages()[0], "Unable to unroll the network: evidence of [Y] in slice 2 refused");
}

TEST(DynamicUpdate, SliceEvidenceFollowsOutcomeEdits) {
    OrderTwo d;
    VRX_nodeValue& y = *d.net.GetNode(d.y)->GetValue();
    ASSERT_EQ(y.SetTemporalEvidence(1, 0), kSuccess);
    ASSERT_EQ(y.SetTemporalEvidence(2, 1), kSuccess);
    ASSERT_EQ(Def(d.net, "Y").InsertOutcome(0, "first"), kSuccess);
    EXPECT_EQ(y.GetTemporalEvidence(1), 1);
    EXPECT_EQ(y.GetTemporalEvidence(2), 2);
    ASSERT_EQ(Def(d.net, "Y").RemoveOutcome(1), kSuccess);
    EXPECT_FALSE(y.IsTemporalEvidence(1));
    EXPECT_EQ(y.GetTemporalEvidence(2), 1);
    ASSERT_EQ(Def(d.net, "Y").ChangeOrderOfOutcomes(Ints({1, 0})), kSuccess);
    EXPECT_EQ(y.GetTemporalEvidence(2), 0);
    VRX_network unrolled;
    std::vector<int> map;
    ASSERT_EQ(d.net.UnrollNetwork(unrolled, map), kSuccess);
    EXPECT_EQ(unrolled.GetNode(map[5])->GetValue()->GetEvidence(), 0);
}

// Kinds whose outcomes are fixed (cast, DeMorgan) take no outcome set: their slice copies have theirs
// already. Rain is 0.5 in every slice (its temporal table is symmetric), so every slice of Umbrella
// believes what slice 0 does.
TEST(DynamicUpdate, PlateNodesOfFixedOutcomesUnrollAndUpdate) {
    for (const int kind : {DefinitionType::kCast, DefinitionType::kDeMorgan, DefinitionType::kNoisyMax}) {
        VRX_network net;
        const int rain = AddNode(net, DefinitionType::kCpt, "Rain", {});
        const int umbrella = AddNode(net, DefinitionType::kCpt, "Umbrella", {"Rain"});
        ASSERT_EQ(net.GetNode(umbrella)->ChangeType(kind), kSuccess) << kind;
        ASSERT_EQ(net.SetTemporalType(umbrella, TemporalType::kPlate), kSuccess);
        ASSERT_EQ(net.SetTemporalType(rain, TemporalType::kPlate), kSuccess);
        ASSERT_EQ(net.AddTemporalArc(rain, rain, 1), kSuccess);
        ASSERT_EQ(Def(net, "Rain").SetTemporalDefinition(1, Doubles({0.7, 0.3, 0.3, 0.7})), kSuccess);
        ASSERT_EQ(net.SetSliceCount(3), kSuccess);
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << kind;
        const std::vector<double> rows = Beliefs(net, umbrella);
        ASSERT_EQ(rows.size(), 6u) << kind;
        const std::vector<double> first(rows.begin(), rows.begin() + 2);
        ExpectNear(std::vector<double>(rows.begin() + 2, rows.begin() + 4), first, 1e-12, "slice 1");
        ExpectNear(std::vector<double>(rows.begin() + 4, rows.end()), first, 1e-12, "slice 2");
        EXPECT_NEAR(first[0] + first[1], 1.0, 1e-12);
    }
}
