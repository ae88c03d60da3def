// Tests of the coordinate iterator: full walks, walks with locked dimensions, positioning.
#include <gtest/gtest.h>

#include <vector>

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "base/sys_coordinates.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace {

VRX_Dmatrix Table(const std::vector<int>& sizes) {
    VRX_intArray s;
    for (int v : sizes) EXPECT_EQ(s.Add(v), kSuccess);
    VRX_Dmatrix m(s);
    m.FillWithIndices();
    return m;
}

std::vector<int> Coords(const VRX_sysCoordinates& it) {
    return std::vector<int>(it.coordinates.GetItems(), it.coordinates.GetItems() + it.coordinates.GetSize());
}

// Indices visited by Next after the current cell, until it refuses.
std::vector<int> Walk(VRX_sysCoordinates& it) {
    std::vector<int> visited;
    while (it.Next() == 0) {
        visited.push_back(it.index);
        EXPECT_EQ(it.CurrentElement(), static_cast<double>(it.index));
    }
    return visited;
}

}  // namespace

TEST(SysCoordinates, FullWalkVisitsEveryCellThenStops) {
    VRX_Dmatrix m = Table({2, 3});
    VRX_sysCoordinates it(&m);
    EXPECT_EQ(it.GetMatrix(), &m);
    EXPECT_EQ(Coords(it), (std::vector<int>{0, 0}));
    EXPECT_EQ(Walk(it), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Coords(it), (std::vector<int>{1, 2}));
    EXPECT_EQ(it.index, 5);
    EXPECT_EQ(it.Next(), kOutOfRange);
    EXPECT_EQ(it.index, 5);
    ASSERT_EQ(it.GoFirst(), 0);
    EXPECT_EQ(it.index, 0);
    EXPECT_EQ(Coords(it), (std::vector<int>{0, 0}));
}

TEST(SysCoordinates, LockedDimensionsKeepTheirCoordinate) {
    VRX_Dmatrix m = Table({2, 3});
    VRX_sysCoordinates it(&m);
    ASSERT_EQ(it.LockDimension(1), 0);
    EXPECT_EQ(it.IsLocked(1), 1);
    it.coordinates[1] = 2;
    ASSERT_EQ(it.GoToCoordinates(), 0);
    EXPECT_EQ(it.index, 2);
    EXPECT_EQ(Walk(it), (std::vector<int>{5}));
    EXPECT_EQ(Coords(it), (std::vector<int>{1, 2}));

    it.UnlockAll();
    EXPECT_EQ(it.IsLocked(1), 0);
    ASSERT_EQ(it.LockDimension(0), kSuccess);
    it.coordinates[0] = 1;
    it.coordinates[1] = 0;
    ASSERT_EQ(it.GoToCoordinates(), 0);
    EXPECT_EQ(Walk(it), (std::vector<int>{4, 5}));
    // GoFirst clears locked coordinates too but keeps the locks.
    it.GoFirst();
    EXPECT_EQ(Coords(it), (std::vector<int>{0, 0}));
    EXPECT_EQ(Walk(it), (std::vector<int>{1, 2}));
    EXPECT_EQ(it.LockDimension(2), kOutOfRange);
}

TEST(SysCoordinates, LockedWalkMatchesReference) {
    VRX_Dmatrix m = Table({3, 2, 4, 2});
    VRX_sysCoordinates it(&m);
    ASSERT_EQ(it.LockDimension(1), kSuccess);
    ASSERT_EQ(it.LockDimension(3), kSuccess);
    it.coordinates[1] = 1;
    it.coordinates[3] = 1;
    ASSERT_EQ(it.GoToCoordinates(), 0);
    std::vector<int> visited = {it.index};
    for (int i : Walk(it)) visited.push_back(i);
    std::vector<int> expected;
    for (int a = 0; a < 3; a++) {
        for (int c = 0; c < 4; c++) expected.push_back(a * 16 + 1 * 8 + c * 2 + 1);
    }
    EXPECT_EQ(visited, expected);
}

TEST(SysCoordinates, Positioning) {
    VRX_Dmatrix m = Table({2, 3});
    VRX_sysCoordinates it(&m);
    ASSERT_EQ(it.GoToIndex(4), 0);
    EXPECT_EQ(Coords(it), (std::vector<int>{1, 1}));
    EXPECT_EQ(it.CurrentElement(), 4.0);
    EXPECT_EQ(it.GoToIndex(6), kOutOfRange);
    EXPECT_EQ(it.index, 0);
    EXPECT_EQ(Coords(it), (std::vector<int>{0, 0}));
    ASSERT_EQ(it.GoToIndex(5), kSuccess);
    EXPECT_EQ(it.GoToIndex(-1), kOutOfRange);
    EXPECT_EQ(Coords(it), (std::vector<int>{0, 0}));

    it.coordinates[0] = 1;
    it.coordinates[1] = 2;
    ASSERT_EQ(it.GoToCoordinates(), 0);
    EXPECT_EQ(it.index, 5);
    it.coordinates[1] = -1;
    EXPECT_EQ(it.GoToCoordinates(), kOutOfRange);
    EXPECT_EQ(it.index, 0);
    EXPECT_EQ(Coords(it), (std::vector<int>{0, 0}));
    // (0, 4) would land on cell 4 with linear arithmetic; it is not a cell of the table.
    it.coordinates[1] = 4;
    EXPECT_EQ(it.GoToCoordinates(), kOutOfRange);
    EXPECT_EQ(it.index, 0);
    EXPECT_EQ(Coords(it), (std::vector<int>{0, 0}));
}

TEST(SysCoordinates, EmptyAndUnlinked) {
    VRX_Dmatrix empty;
    VRX_sysCoordinates it(&empty);
    EXPECT_EQ(it.Next(), kOutOfRange);
    EXPECT_EQ(it.GoToIndex(0), kOutOfRange);
    EXPECT_EQ(it.GoToCoordinates(), 0);

    VRX_sysCoordinates unlinked;
    EXPECT_EQ(unlinked.GetMatrix(), nullptr);
    EXPECT_EQ(unlinked.Next(), kOutOfRange);
    EXPECT_EQ(unlinked.GoToCoordinates(), kOutOfRange);
    EXPECT_EQ(unlinked.LockDimension(0), kOutOfRange);

    // Re-linking to another shape resizes and frees everything.
    VRX_Dmatrix m = Table({2, 2, 2});
    ASSERT_EQ(it.LinkToMatrix(&m), 0);
    ASSERT_EQ(it.LockDimension(0), kSuccess);
    ASSERT_EQ(it.GoToIndex(7), kSuccess);
    VRX_Dmatrix n = Table({3});
    ASSERT_EQ(it.LinkToMatrix(&n), 0);
    EXPECT_EQ(Coords(it), (std::vector<int>{0}));
    EXPECT_EQ(it.index, 0);
    EXPECT_EQ(it.IsLocked(0), 0);
    EXPECT_EQ(Walk(it), (std::vector<int>{1, 2}));
}

TEST(SysCoordinates, LinksToTheTableOfANodeDefinition) {
    VRX_network net;
    const int a = net.AddNode(DefinitionType::kCpt, "A");
    const int b = net.AddNode(DefinitionType::kCpt, "B");
    ASSERT_EQ(net.GetNode(a)->GetDefinition()->AddOutcome("Third"), 0);
    ASSERT_EQ(net.AddArc(a, b), 0);
    VRX_sysCoordinates walker;
    ASSERT_EQ(walker.LinkToDefinition(*net.GetNode(b)->GetDefinition()), 0);
    ASSERT_EQ(walker.coordinates.GetSize(), 2);
    // Hold B's own outcome at 1 and visit every outcome of A.
    walker.coordinates[1] = 1;
    ASSERT_EQ(walker.GoToCoordinates(), 0);
    ASSERT_EQ(walker.LockDimension(1), kSuccess);
    std::vector<int> visited{walker.index};
    while (walker.Next() == 0) visited.push_back(walker.index);
    EXPECT_EQ(visited, (std::vector<int>{1, 3, 5}));
    // A decision list has no parameter table: its answer is passed on and the walker stays linked.
    VRX_network other;
    const int d = other.AddNode(DefinitionType::kList, "D");
    EXPECT_EQ(walker.LinkToDefinition(*other.GetNode(d)->GetDefinition()), kWrongNodeType);
    EXPECT_EQ(walker.coordinates.GetSize(), 2);
}
