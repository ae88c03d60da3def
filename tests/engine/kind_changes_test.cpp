// Tables a save keeps and changes of kind that say what they do around the node: a table that a kind
// computes, or a truth table's column of probabilities, is refused naming the calls to use; a change of
// kind names the arcs it removes and the tables it resets in one warning, drops every arc the new kinds
// refuse, clears evidence on an outcome that is gone, and leaves a network that updates and reads back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/reference_networks.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

using KindChanges = FreshLogTest<>;

TEST_F(KindChanges, TablesASaveWouldNotKeepAreRefusedNamingTheCalls) {
    struct Case {
        int type;
        std::vector<double> entries;  // over a parent P of the same kind (two outcomes each)
        std::string refusal;          // empty: taken
    };
    const std::string lost = "; a table set directly would be lost on saving";
    const Case cases[] = {
        {DefinitionType::kCast,
         {0.3, 0.7, 0.6, 0.4},
         "the table of a cast node is computed from its baseline and weights: set them with SetBaseline, "
         "SetPositiveWeights and SetNegativeWeights" +
             lost},
        {DefinitionType::kDeMorgan,
         {0.3, 0.7, 0.6, 0.4},
         "the table of a DeMorgan node is computed from its prior belief and its parents' weights and types: "
         "set "
         "them with SetPriorBelief, SetParentWeights and SetParentTypes (setDeMorganPriorBelief, "
         "setDeMorganParentWeight and setDeMorganParentType in Java)" +
             lost},
        {DefinitionType::kTruthTable,
         {0.0, 1.0, 0.3, 0.7},
         "column 1 of the table is not one 1 and zeros: a deterministic node keeps one resulting outcome per "
         "column "
         "(set them with SetResultingStates, or as columns of one 1 and zeros); a table of probabilities "
         "needs a "
         "chance node"},
        {DefinitionType::kTruthTable, {1.0, 1.0, 0.0, 1.0}, "column 0 of the table is not one 1 and zeros"},
        {DefinitionType::kTruthTable, {0.0, 1.0, 1.0, 0.0}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refusal);
        TestNetwork t;
        const int p = t.Add("P", 2, c.type == DefinitionType::kTruthTable ? DefinitionType::kCpt : c.type);
        const int x = t.Add("X", 2, c.type);
        t.Arc(p, x);
        const std::vector<double> before = Entries(t.Definition(x));
        errorLog.Flush();
        VRX_nodeDefinition& definition = *t.net.GetNode(x)->GetDefinition();
        const int rc = definition.SetDefinitionDoubles(Doubles(c.entries));
        if (c.refusal.empty()) {
            EXPECT_EQ(rc, kSuccess) << LogDump();
            EXPECT_EQ(Entries(t.Definition(x)), c.entries);
            continue;
        }
        EXPECT_EQ(rc, kWrongNodeType);
        EXPECT_EQ(LastLogged().rfind("ERROR: Node [X] : " + c.refusal, 0), 0u) << LogDump();
        EXPECT_EQ(Entries(t.Definition(x)), before);
        VRX_Dmatrix matrix(t.Definition(x));
        for (int i = 0; i < matrix.GetNumberOfElements(); ++i) matrix[i] = c.entries[static_cast<size_t>(i)];
        EXPECT_EQ(definition.SetDefinition(matrix), kWrongNodeType);
        EXPECT_EQ(Entries(t.Definition(x)), before);
    }
}

TEST_F(KindChanges, AChangeNamesTheArcsItRemovesAndTheTablesItResets) {
    VRX_network net;
    ASSERT_EQ(net.ReadFile(ReferencePath("alarm", ".xvrx").c_str()), kSuccess);
    errorLog.Flush();
    const int node = net.FindNode("LVEDVOLUME");
    ASSERT_EQ(net.GetNode(node)->ChangeType(DefinitionType::kCast), kSuccess);
    EXPECT_EQ(
        LogDump(),
        "-51 Node [LVEDVOLUME] : its change to a cast node removed the arcs from [HYPOVOLEMIA], [LVFAILURE] "
        "and to [CVP], [PCWP], which the kinds at their ends do not take, and reset the tables of [CVP], "
        "[PCWP] to their kinds' defaults\n");
    EXPECT_EQ(net.GetParents(node).GetCount() + net.GetChildren(node).GetCount(), 0);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    ExpectNear(Beliefs(net, net.FindNode("CVP")), {1.0 / 3, 1.0 / 3, 1.0 / 3});
    // A cost arc goes as well, and is named with the others.
    const int history = net.FindNode("HISTORY");
    ASSERT_EQ(net.AddCostArc(net.FindNode("LVFAILURE"), history), kSuccess);
    errorLog.Flush();
    ASSERT_EQ(net.GetNode(net.FindNode("LVFAILURE"))->ChangeType(DefinitionType::kDeMorgan), kSuccess);
    EXPECT_EQ(
        LogDump(),
        "-51 Node [LVFAILURE] : its change to a DeMorgan node removed the arcs to [HISTORY], [STROKEVOLUME], "
        "which the kinds at their ends do not take, removed the cost arcs to [HISTORY], and reset the tables "
        "of [HISTORY], [STROKEVOLUME] to their kinds' defaults\n");
}

// A parent of a kind the child's new kind refuses loses its arc, as does a child refusing the parent's
// new kind (a utility under a cast): every update succeeds and the file written reads back.
TEST_F(KindChanges, NoRefusedArcIsKept) {
    struct Case {
        int parentType;
        int childType;
        int changed;  // 0: the parent, 1: the child
        int becomes;
        std::string warning;
    };
    const std::string ends = ", which the kinds at their ends do not take";
    const std::string reset = ends + ", and reset the table of [C] to its kind's defaults";
    const Case cases[] = {
        {DefinitionType::kCast, DefinitionType::kCast, 1, DefinitionType::kNoisyMax,
         "Node [C] : its change to a noisy-MAX node removed the arc from [P]" + ends},
        {DefinitionType::kCast, DefinitionType::kCast, 1, DefinitionType::kNoisyAdder,
         "Node [C] : its change to a noisy-adder node removed the arc from [P]" + ends},
        {DefinitionType::kCpt, DefinitionType::kTable, 0, DefinitionType::kCast,
         "Node [P] : its change to a cast node removed the arc to [C]" + reset},
        {DefinitionType::kCpt, DefinitionType::kTable, 0, DefinitionType::kDeMorgan,
         "Node [P] : its change to a DeMorgan node removed the arc to [C]" + reset},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning);
        TestNetwork t;
        const int p = t.Add("P", 2, c.parentType);
        const int child = t.Add("C", 2, c.childType);
        t.Arc(p, child);
        if (c.childType == DefinitionType::kTable) t.Arc(t.Add("D", 2, DefinitionType::kList), child);
        errorLog.Flush();
        ASSERT_EQ(t.net.GetNode(c.changed == 0 ? p : child)->ChangeType(c.becomes), kSuccess);
        EXPECT_EQ(LogDump(), "-51 " + c.warning + "\n");
        EXPECT_FALSE(t.net.GetParents(child).IsInList(p));
        errorLog.Flush();
        EXPECT_EQ(t.net.UpdateBeliefs(), kSuccess) << LogDump();
        const TempFile file(".xvrx");
        ASSERT_EQ(t.net.WriteFile(file.c_str()), kSuccess) << LogDump();
        VRX_network back;
        EXPECT_EQ(back.ReadFile(file.c_str()), kSuccess) << LogDump();
    }
}

TEST_F(KindChanges, EvidenceOnAnOutcomeThatIsGoneIsClearedWithAWarning) {
    struct Case {
        bool likelihoods;  // virtual evidence (1, 2, 3) instead of the third outcome
        const char* warning;
    };
    for (const Case& c :
         {Case{false, "its evidence [State2] was cleared: a cast node has no outcome 2"},
          Case{true, "its virtual evidence was cleared: it does not fit the outcomes of a cast node"}}) {
        SCOPED_TRACE(c.warning);
        TestNetwork t(Notices::kOn);
        const int x = t.Add("X", 3);
        t.Table(x, {0.2, 0.3, 0.5});
        if (c.likelihoods) {
            ASSERT_EQ(t.Value(x)->SetVirtualEvidence(Doubles({1, 2, 3})), kSuccess);
        } else {
            t.Observe(x, 2);
        }
        errorLog.Flush();
        ASSERT_EQ(t.net.GetNode(x)->ChangeType(DefinitionType::kCast), kSuccess);
        EXPECT_EQ(LogDump(), "-2 Node [X] : " + std::string(c.warning) + "\n");
        EXPECT_FALSE(t.Value(x)->HasEvidence() || t.Value(x)->HasFlag(ValueFlags::kVirtualEvidence));
        errorLog.Flush();
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << LogDump();
        ExpectNear(t.Beliefs(x), {0.5, 0.5});
    }
}

// Virtual evidence stands in the update for a temporary probability-table child, which a two-outcome
// kind cannot have: the update says so, naming the node.
TEST_F(KindChanges, VirtualEvidenceOnATwoOutcomeKindIsRefusedNamingTheNode) {
    TestNetwork t;
    const int x = t.Add("X", 2, DefinitionType::kDeMorgan);
    ASSERT_EQ(t.Value(x)->SetVirtualEvidence(Doubles({0.2, 0.8})), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(t.net.UpdateBeliefs(), kWrongNodeType);
    EXPECT_EQ(LoggedMessages().front(),
              "ERROR: Node [X] : its virtual evidence cannot be used: a DeMorgan node takes only an observed "
              "outcome");
}

// A noisy-MAX node fitted to a table has distributions for rows, so its table's columns sum to 1: when
// the table's columns are off 1 (rounded, or opened by a new outcome), and when an outcome is all but
// certain in a column (the fit's moves then scale entries many times over).
TEST_F(KindChanges, ANoisyMaxFitGivesDistributions) {
    for (const std::vector<double>& source :
         {std::vector<double>{0.5, 0.3, 0.0, 0.2, 0.2, 0.2, 0.0, 0.0, 0.0},
          std::vector<double>{0.1, 0.9, 0.0, 0.01, 0.99, 0.0, 0.5, 0.5, 0.0}}) {
        TestNetwork t;
        const int p = t.Add("P", 3);
        const int x = t.Add("X", 3);
        t.Arc(p, x);
        t.Table(x, source);
        ASSERT_EQ(t.net.GetNode(x)->ChangeType(DefinitionType::kNoisyMax), kSuccess);
        const std::vector<double> table = Entries(t.Definition(x));
        ASSERT_EQ(table.size(), 9u);
        for (size_t c = 0; c < table.size(); c += 3) {
            EXPECT_NEAR(table[c] + table[c + 1] + table[c + 2], 1.0, 1e-12) << "column " << c / 3;
            for (size_t j = c; j < c + 3; ++j) EXPECT_GE(table[j], 0.0);
        }
    }
}

}  // namespace
