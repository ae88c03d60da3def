// The memory an exact update would hold, planned before anything is allocated: the wide node's table is
// counted from its parameters, never built.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/table_check.h"
#include "inference/update_memory.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/costly_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"

namespace {

using vovido::test::LastLogged;

struct WideCase {
    const char* name;
    int parents;
    int outcomes;
    int parentRole;       // p0 is 1: the only target (the wide node is then left unread), 2: observed
    const char* refusal;  // empty: within the limit
};

// Three states over 26 parents: 3 x 2^26 cells, 52 of the parents' tables, and the parents' joint of 2^26
// entries the tree holds to read the childless node's beliefs: 2^28 + 52 cells of 8 bytes.
const WideCase kWideCases[] = {
    {"26 parents of a three-state node", 26, 3, 0,
     "ERROR: Node [n] : its table of 201326592 cells, with the network's other tables (201326644 cells in "
     "all, and 0 of scaled copies) and a join tree of at least 67108864 entries over its family, would hold "
     "2147484064 bytes at once in an exact update, past the limit of 2147483648 bytes"},
    {"27 parents of a two-state node", 27, 2, 0,
     "ERROR: Node [n] : its table of 268435456 cells, with the network's other tables (268435510 cells in "
     "all, and 0 of scaled copies) and a join tree of at least 134217728 entries over its family, would hold "
     "3221225904 bytes at once in an exact update, past the limit of 2147483648 bytes"},
    {"a finding on a parent", 26, 3, 2,
     "ERROR: Node [n] : its table of 201326592 cells, with the network's other tables (201326644 cells in "
     "all, and 0 of scaled copies), its table sliced at its parents' findings (100663296 cells) and a join "
     "tree "
     "of at least 33554432 entries over its family, would hold 2684354976 bytes at once in an exact update, "
     "past the limit of 2147483648 bytes"},
    {"25 parents of a three-state node", 25, 3, 0, ""},
    {"the wide node not read", 26, 3, 1, ""},
};

TEST(UpdateMemory, AWideTableIsRefusedFromItsCountBeforeTheUpdate) {
    for (const WideCase& c : kWideCases) {
        SCOPED_TRACE(c.name);
        VRX_network net;
        ASSERT_EQ(
            vovido::test::BuildWideCausalNetwork(net, DefinitionType::kNoisyMax, c.parents, 0, c.outcomes),
            kSuccess);
        const int p0 = net.FindNode("p0");
        if (c.parentRole == 1) {
            ASSERT_EQ(net.SetTarget(p0), kSuccess);
        }
        if (c.parentRole == 2) {
            ASSERT_EQ(net.GetNode(p0)->GetValue()->SetEvidence(0), kSuccess);
        }
        errorLog.Flush();
        const std::string refusal = c.refusal;
        EXPECT_EQ(vovido::CheckUpdateMemory(net), refusal.empty() ? kSuccess : kOutOfMemory);
        EXPECT_EQ(LastLogged(), refusal);
    }
}

TEST(UpdateMemory, ATreeIsRefusedWhereItWouldNotFitBesideTheTables) {
    VRX_network net;
    ASSERT_EQ(vovido::test::BuildWideCausalNetwork(net, DefinitionType::kNoisyMax, 24, 0, 3), kSuccess);
    const vovido::HeldTables held = vovido::CountHeldTables(net);
    EXPECT_EQ(held.cells, 3 * (int64_t{1} << 24) + 48);
    EXPECT_EQ(vovido::UpdateMemoryRefusal(net, held, 0, uint64_t{1} << 24, 25, "join tree"), "");
    EXPECT_EQ(
        vovido::UpdateMemoryRefusal(net, held, 1000, (uint64_t{1} << 28) - held.cells, 25, "clique tree"),
        "ERROR: Exact inference refused: the clique tree of a part of 25 nodes needs 218103760 table "
        "entries, which with the network's tables of 50331696 cells, the largest [n] of 50331648 cells, 0 "
        "cells of scaled copies and 1000 cells of the part's own tables would hold 2147491648 bytes at "
        "once, past the limit of 2147483648 bytes");
}

// A table whose columns the update would scale needs a copy, counted before it is made; one checked since it
// last changed is counted from its check (the copy made then) instead.
TEST(UpdateMemory, ACopyIsCountedWhereTheColumnsNeedScaling) {
    const struct {
        std::vector<double> table;
        bool copy;
    } rows[] = {{{0.2, 0.8, 0.5, 0.5}, false}, {{0.2, 0.8, 0.5, 0.4}, true}, {{0.2, 0.8, 0, 0}, true}};
    for (const auto& row : rows) {
        vovido::test::TestNetwork t;
        const int a = t.Add("a"), b = t.Add("b");
        t.Arcs({{a, b}});
        t.RawTable(b, row.table);
        EXPECT_EQ(vovido::NeedsScaledCopy(t.net, b), row.copy);
        EXPECT_EQ(vovido::CountHeldTables(t.net).unchecked, 6);
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
        EXPECT_FALSE(vovido::NeedsScaledCopy(t.net, b));
        const vovido::HeldTables held = vovido::CountHeldTables(t.net);
        EXPECT_EQ(held.unchecked, 0);
        EXPECT_EQ(held.copies, row.copy ? 4 : 0);
    }
}

}  // namespace
