// Tables past the size limit are refused when the parent that would make them is added: with the
// out-of-memory status, a message naming the node and the table left as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "definitions/node_cost.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/error_log.h"

namespace {

struct TableKind {
    const char* name;
    int childType;
    int arcKind;
    int64_t refusedCells;  // 0: the kind has no table over its parents and takes every arc
};

// Three parents of 1000 outcomes: the third would take a two-outcome child's table to 2 x 10^9 cells.
TEST(TableLimit, TheParentThatPassesTheLimitIsRefused) {
    const TableKind kinds[] = {
        {"CPT", DefinitionType::kCpt, 0, 2000000000},
        {"utility table", DefinitionType::kTable, 0, 1000000000},
        {"noisy-MAX", DefinitionType::kNoisyMax, 0, 2000000000},
        {"observation cost", DefinitionType::kCpt, 1, 1000000000},
        {"decision", DefinitionType::kList, 0, 0},
    };
    for (const TableKind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        errorLog.Flush();
        VRX_network net;
        int parents[3];
        for (int i = 0; i < 3; ++i) {
            parents[i] = net.AddNode(DefinitionType::kCpt, ("p" + std::to_string(i)).c_str());
            ASSERT_EQ(net.GetNode(parents[i])->GetDefinition()->SetNumberOfOutcomes(1000), kSuccess);
        }
        const int child = net.AddNode(kind.childType, "child");
        ASSERT_EQ(net.AddArc(parents[0], child, kind.arcKind), kSuccess);
        ASSERT_EQ(net.AddArc(parents[1], child, kind.arcKind), kSuccess);
        if (kind.refusedCells == 0) {
            EXPECT_EQ(net.AddArc(parents[2], child, kind.arcKind), kSuccess);
            continue;
        }
        VRX_Dmatrix* table = nullptr;
        if (kind.arcKind == 1) {
            table = net.GetNode(child)->GetCost()->GetCosts();
        } else {
            ASSERT_EQ(net.GetNode(child)->GetDefinition()->GetDefinition(table), kSuccess);
        }
        ASSERT_NE(table, nullptr);
        const int before = table->GetNumberOfElements();
        const int rc = net.AddArc(parents[2], child, kind.arcKind);
        EXPECT_EQ(rc, kOutOfMemory);
        ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
        EXPECT_EQ(errorLog.GetCode(0), kOutOfMemory);
        EXPECT_EQ(std::string(errorLog.GetMessage(0)), "ERROR: Node [child] : its table of " +
                                                           std::to_string(kind.refusedCells) +
                                                           " cells passes the limit of 268435456 cells");
        EXPECT_EQ(net.GetNumberOfParents(child, kind.arcKind), 2);
        EXPECT_EQ(table->GetNumberOfElements(), before);
    }
}

// A table grows beside the one it grows from: a parent that makes both together pass the limit is refused,
// though the new one alone would not (a binary node's 27th binary parent, 2^28 cells beside 2^27).
TEST(TableLimit, AParentWhoseTableCannotGrowBesideTheOldOneIsRefused) {
    errorLog.Flush();
    VRX_network net;
    const int outcomes[] = {1025, 513, 255};
    int parents[3];
    for (int i = 0; i < 3; ++i) {
        parents[i] = net.AddNode(DefinitionType::kCpt, ("p" + std::to_string(i)).c_str());
        ASSERT_EQ(net.GetNode(parents[i])->GetDefinition()->SetNumberOfOutcomes(outcomes[i]), kSuccess);
    }
    const int child = net.AddNode(DefinitionType::kCpt, "child");
    ASSERT_EQ(net.AddArc(parents[0], child), kSuccess);
    ASSERT_EQ(net.AddArc(parents[1], child), kSuccess);
    EXPECT_EQ(net.AddArc(parents[2], child), kOutOfMemory);
    EXPECT_EQ(vovido::test::LoggedMessages(),
              std::vector<std::string>{"ERROR: Node [child] : its table of 268170750 cells, built beside the "
                                       "1051650 it grows from, would pass the limit of 268435456 cells"});
    EXPECT_EQ(net.GetNumberOfParents(child, 0), 2);
    errorLog.Flush();
    const struct {
        int64_t cells, held;
        int status;
    } cases[] = {
        {int64_t{1} << 27, int64_t{1} << 26, kSuccess},      // 26th binary parent of a binary node
        {int64_t{1} << 28, int64_t{1} << 27, kOutOfMemory},  // its 27th
        {kMaxTableCells, 0, kSuccess},
        {kMaxTableCells + 1, 1, kSuccess},  // past the limit alone: refused by the table itself
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vovido::DefinitionSupport::CheckTableGrowth(&net, child, c.cells, c.held), c.status)
            << c.cells;
    }
    errorLog.Flush();
}

TEST(TableLimit, TheMatrixRefusesASizePastTheLimitBeforeAllocating) {
    VRX_Dmatrix m;
    VRX_intArray sizes;
    ASSERT_EQ(sizes.Add(16384), kSuccess);
    ASSERT_EQ(sizes.Add(16385), kSuccess);
    // 16384 x 16385 = 2^28 + 2^14 cells.
    EXPECT_EQ(m.Setup(sizes), kOutOfMemory);
    EXPECT_EQ(m.GetNumberOfElements(), 0);
    VRX_intArray small;
    ASSERT_EQ(small.Add(16384), kSuccess);
    ASSERT_EQ(m.Setup(small), kSuccess);
    EXPECT_EQ(m.InsertDimension(0, 16385), kOutOfMemory);
    EXPECT_EQ(m.GetNumberOfElements(), 16384);
    EXPECT_EQ(kMaxTableCells, int64_t{16384} * 16384);
}

}  // namespace
