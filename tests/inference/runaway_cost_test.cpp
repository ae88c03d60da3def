// Work whose cost would run away is refused before anything is allocated, naming the caller's node: the
// temporal tables that an arc, a released anchor or one more outcome would widen, the network that
// unrolling would build, and the scenarios of an influence diagram.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/inference/test_network.h"

namespace {

using test_network::TestNetwork;

std::string FirstMessage() {
    return errorLog.GetNumberOfEntries() > 0 ? errorLog.GetMessage(0) : "";
}

// Plate nodes with the given outcome counts, in handle order.
std::vector<int> AddPlateNodes(TestNetwork& t, const std::vector<std::pair<const char*, int>>& nodes) {
    std::vector<int> handles;
    for (const auto& [id, outcomes] : nodes) {
        handles.push_back(t.Add(id, outcomes));
        EXPECT_EQ(t.net.SetTemporalType(handles.back(), TemporalType::kPlate), kSuccess) << id;
    }
    return handles;
}

TEST(RunawayCost, TemporalTablesPastTheLimitAreRefusedByTheChild) {
    errorLog.Flush();
    TestNetwork t;
    const std::vector<int> h = AddPlateNodes(t, {{"A", 4096}, {"B", 16}, {"C", 4096}});
    ASSERT_EQ(t.net.AddTemporalArc(h[0], h[1], 1), kSuccess);
    // Order 2 would hold 16 x 4096 x 4096 cells beside B's own 16 and the 65536 of order 1.
    EXPECT_EQ(t.net.AddTemporalArc(h[0], h[1], 2), kOutOfMemory);
    EXPECT_EQ(FirstMessage(),
              "ERROR: Node [B] : its own and temporal tables of 268501008 cells in all pass the limit of "
              "268435456 cells");
    // An ordinary parent of B widens its own table and that of order 1 alike; an anchor parent widens
    // that of order 1 once it stops being an anchor.
    const std::string widened =
        "ERROR: Node [B] : its own and temporal tables of 268500992 cells in all pass the limit of 268435456 "
        "cells";
    errorLog.Flush();
    EXPECT_EQ(t.net.AddArc(h[2], h[1]), kOutOfMemory);
    EXPECT_EQ(FirstMessage(), widened);
    errorLog.Flush();
    ASSERT_EQ(t.net.SetTemporalType(h[2], TemporalType::kAnchor), kSuccess);
    ASSERT_EQ(t.net.AddArc(h[2], h[1]), kSuccess);
    EXPECT_EQ(t.net.SetTemporalType(h[2], TemporalType::kPlate), kOutOfMemory);
    EXPECT_EQ(FirstMessage(), widened);
    EXPECT_EQ(t.net.GetTemporalType(h[2]), TemporalType::kAnchor);
    VRX_intArray orders;
    ASSERT_EQ(t.net.GetTemporalOrders(h[1], orders), kSuccess);
    EXPECT_EQ(vovido::test::Items(orders), std::vector<int>{1});
    errorLog.Flush();
}

TEST(RunawayCost, AnOutcomeThatWidensTemporalTablesPastTheLimitIsRefused) {
    errorLog.Flush();
    TestNetwork t;
    const int x = AddPlateNodes(t, {{"X", 2}})[0];
    for (int order = 1; order <= 17; ++order) ASSERT_EQ(t.net.AddTemporalArc(x, x, order), kSuccess);
    // The table of order j holds j + 1 dimensions of X's outcomes: 2^(j + 1) cells that would become
    // 3^(j + 1), beside X's own table of 3.
    EXPECT_EQ(t.net.GetNode(x)->GetDefinition()->AddOutcome("third"), kOutOfMemory);
    EXPECT_EQ(FirstMessage(),
              "ERROR: Node [X] : its own and temporal tables of 581130732 cells in all pass the limit of "
              "268435456 cells");
    EXPECT_EQ(t.net.GetNode(x)->GetDefinition()->GetNumberOfOutcomes(), 2);
    errorLog.Flush();
}

TEST(RunawayCost, AnUnrolledNetworkPastTheLimitsIsNeverBuilt) {
    TestNetwork t;
    const std::vector<int> h = AddPlateNodes(t, {{"A", 64}, {"B", 64}});
    t.Arc(h[0], h[1]);
    ASSERT_EQ(t.net.AddTemporalArc(h[1], h[1], 1), kSuccess);
    struct Case {
        int slices;
        std::string message;
    };
    const Case cases[] = {
        {1000000,
         "The network of 1000000 slices of 2 plate nodes would have 2000000 nodes, past the limit of 262144"},
        // A's 64 cells and B's 64 x 64 in slice 0, A's and B's 64 x 64 x 64 of order 1 in every later slice.
        {1025,
         "The network of 1025 slices of 2 plate nodes would have tables of 268505152 cells in all, past the "
         "limit of 268435456 cells"},
    };
    for (const Case& c : cases) {
        errorLog.Flush();
        ASSERT_EQ(t.net.SetSliceCount(c.slices), kSuccess);
        EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory) << c.slices;
        EXPECT_EQ(FirstMessage(), c.message);
        VRX_network unrolled;
        std::vector<int> map;
        EXPECT_EQ(t.net.UnrollNetwork(unrolled, map), kOutOfMemory);
        EXPECT_TRUE(map.empty());
        double p = 0.0;
        EXPECT_FALSE(t.net.CalcPropEvidence(&p, false));
    }
    errorLog.Flush();
}

TEST(RunawayCost, ADecisionSeeingTooMuchIsRefusedByName) {
    errorLog.Flush();
    TestNetwork t;
    const int d = t.net.AddNode(DefinitionType::kList, "D");
    for (int i = 0; i < 18; ++i) t.Arc(t.Add(("P" + std::to_string(i)).c_str()), d);
    t.Arc(d, t.net.AddNode(DefinitionType::kTable, "U"));
    // 2^18 observations times two choices, each an update of 20 nodes.
    EXPECT_EQ(t.net.UpdateBeliefs(), kOutOfMemory);
    EXPECT_EQ(
        FirstMessage(),
        "ERROR: Node [D] : its decisions and observations make 524288 scenarios, each a belief update of "
        "20 nodes, past the limit of 4194304 node updates");
    errorLog.Flush();
}

}  // namespace
