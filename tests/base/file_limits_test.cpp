// What a network file's tables may hold, and the least memory a read builds: the texts that name the node.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "base/read_size.h"
#include "base/size_limits.h"
#include "base/table_entries.h"

namespace {

TEST(FileLimits, TableEntriesNameTheFirstThatNoFileHolds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        std::vector<double> values;
        bool probabilities;
        const char* refusal;
    } cases[] = {
        {{0.5, 0.5}, true, ""},
        {{-3, 4}, false, ""},  // utilities may be negative
        {{0.5, nan}, false, "Node [A] : entry 1 of its table is no finite number (nan)"},
        {{-inf, 1}, true, "Node [A] : entry 0 of its table is no finite number (-inf)"},
        {{1, -1e-9, nan}, true, "Node [A] : -1e-09 is no probability"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vovido::TableEntryRefusal("A", "table", c.values.data(), static_cast<int>(c.values.size()),
                                            c.probabilities),
                  c.refusal);
    }
}

// At the limit a read is taken; a node more is refused, naming the node and every count. A discrete node
// counts more than another.
TEST(FileLimits, AReadIsRefusedPastItsMemoryByNodesArcsAndCells) {
    EXPECT_EQ(vovido::ReadNodeBytes(0x12), kReadDiscreteNodeBytes);
    EXPECT_EQ(vovido::ReadNodeBytes(0x8), kReadNodeBytes);
    // Exactly at the limit, by nodes, arcs or cells.
    EXPECT_EQ(vovido::ReadSizeRefusal("n", 3, kMaxReadBytes - kReadArcBytes, 1, 0), "");
    EXPECT_EQ(vovido::ReadSizeRefusal("n", 3, kMaxReadBytes - 8, 0, 1), "");
    EXPECT_EQ(vovido::ReadSizeRefusal("n", 1, kMaxReadBytes - 8, 1, 0),
              "ERROR: Node [n] : the file's 1 node, 1 arc and tables of 0 cells would take at least "
              "2,147,483,656 bytes to read (1,408 a discrete node, 1,152 another, 16 an arc, 8 a cell), more "
              "than the 2,147,483,648 a read builds (NETWORK TOO LARGE)");
}

}  // namespace
