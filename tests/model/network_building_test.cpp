// Building a network call by call: the identifier index through every change of a node identifier, free
// slots and table growth, and the change notices of a network whose evidence is set or copied behind
// their back.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "formats/vrx_format.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/submodel.h"
#include "tests/support/network_fixture.h"

namespace {

using IdAt = std::pair<std::string, int>;

// What a search of the whole table answers: each identifier is found at the lowest handle holding it
// and is in use for a node exactly when another node holds it too; each of gone is neither.
void ExpectIndexMatchesTable(const VRX_network& net, const std::vector<IdAt>& expected,
                             const std::vector<std::string>& gone) {
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const char* id = net.GetNode(h)->GetId();
        if (id == nullptr) continue;
        int lowest = -1;
        bool shared = false;
        for (int o = net.GetFirstNode(); o >= 0; o = net.GetNextNode(o)) {
            const char* other = net.GetNode(o)->GetId();
            if (other == nullptr || std::strcmp(other, id) != 0) continue;
            if (lowest < 0) lowest = o;
            shared |= o != h;
        }
        EXPECT_EQ(net.FindNode(id), lowest) << id;
        EXPECT_EQ(net.IsIdInUse(id, h), shared ? 1 : 0) << id;
    }
    for (const IdAt& at : expected) EXPECT_EQ(net.FindNode(at.first.c_str()), at.second) << at.first;
    for (const std::string& id : gone) {
        EXPECT_EQ(net.FindNode(id.c_str()), kOutOfRange) << id;
        EXPECT_EQ(net.IsIdInUse(id.c_str(), -1), 0) << id;
    }
}

// A -> B -> C, handles 0, 1, 2.
void BuildChain(VRX_network& net) {
    for (const char* id : {"A", "B", "C"}) ASSERT_GE(net.AddNode(DefinitionType::kCpt, id), 0);
    ASSERT_EQ(net.AddArc(0, 1), kSuccess);
    ASSERT_EQ(net.AddArc(1, 2), kSuccess);
}

int Rename(VRX_network& net, int h, const char* id) {
    return net.GetNode(h)->SetId(id);
}

struct IndexCase {
    const char* name;
    std::function<void(VRX_network&)> change;
    std::vector<IdAt> expected;
    std::vector<std::string> gone;
};

TEST(NetworkBuilding, IdentifierIndexFollowsEveryChange) {
    const IndexCase cases[] = {
        {"rename",
         [](VRX_network& net) { EXPECT_EQ(Rename(net, 1, "B2"), kSuccess); },
         {{"A", 0}, {"B2", 1}, {"C", 2}},
         {"B"}},
        {"names exchanged through a third",
         [](VRX_network& net) {
             EXPECT_EQ(Rename(net, 1, "T"), kSuccess);
             EXPECT_EQ(Rename(net, 0, "B"), kSuccess);
             EXPECT_EQ(Rename(net, 1, "A"), kSuccess);
         },
         {{"B", 0}, {"A", 1}, {"C", 2}},
         {"T"}},
        {"refused rename",
         [](VRX_network& net) { EXPECT_EQ(Rename(net, 1, "C"), kIllegalIdentifier); },
         {{"A", 0}, {"B", 1}, {"C", 2}},
         {}},
        {"delete",
         [](VRX_network& net) { EXPECT_EQ(net.DeleteNode(1), kSuccess); },
         {{"A", 0}, {"C", 2}},
         {"B"}},
        {"slots reused",
         [](VRX_network& net) {
             EXPECT_EQ(net.DeleteNode(0), kSuccess);
             EXPECT_EQ(net.DeleteNode(2), kSuccess);
             EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "C"), 0);  // slot 1, the live count, is taken
             EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "A"), 2);
         },
         {{"C", 0}, {"B", 1}, {"A", 2}},
         {}},
        {"generated identifiers",
         [](VRX_network& net) {
             EXPECT_EQ(net.AddNode(DefinitionType::kCpt, nullptr), 3);
             EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "9x"), 4);  // illegal: a generated one instead
         },
         {{"Node3", 3}, {"Node4", 4}},
         {"9x"}},
        {"duplicates while reading",
         [](VRX_network& net) {
             net.readingFlags = ReadingFlags::kAllowDuplicateIds;
             EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "A"), 3);
             net.readingFlags = 0;
             EXPECT_EQ(net.FindNode("A"), 0);
             EXPECT_EQ(net.DeleteNode(0), kSuccess);
         },
         {{"A", 3}, {"B", 1}},
         {}},
        {"submodel moves",
         [](VRX_network& net) {
             VRX_submodelHandler& submodels = net.GetSubmodelHandler();
             const int s = submodels.CreateSubmodel(kMainSubmodel, "S");
             ASSERT_GE(s, 0);
             EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "S"), kOutOfRange);
             EXPECT_EQ(net.GetNode(0)->SetSubmodel(s), kSuccess);
             EXPECT_EQ(net.GetNode(1)->SetSubmodel(s), kSuccess);
             EXPECT_EQ(Rename(net, 1, "Bs"), kSuccess);
             EXPECT_EQ(submodels.DeleteSubmodel(s), kSuccess);
         },
         {{"A", 0}, {"Bs", 1}, {"C", 2}},
         {"B", "S"}},
        {"copied in",
         [](VRX_network& net) {
             VRX_network other(net);
             EXPECT_EQ(Rename(other, 1, "B2"), kSuccess);
             EXPECT_EQ(other.AddNode(DefinitionType::kCpt, "D"), 3);
             EXPECT_EQ(net.CopyFrom(other, false), kSuccess);
         },
         {{"A", 0}, {"B2", 1}, {"C", 2}, {"D", 3}},
         {"B"}},
        {"model-only copy",
         [](VRX_network& net) { EXPECT_EQ(net.CopyModelOnly(VRX_network(net)), kSuccess); },
         {},
         {"A", "B", "C"}},
        {"clean-up",
         [](VRX_network& net) {
             net.CleanUp(1);
             EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "B"), 0);
         },
         {{"B", 0}},
         {"A", "C"}},
        {"emptied for reading",
         [](VRX_network& net) {
             EXPECT_EQ(net.ClearForReading(), kSuccess);
             EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "C"), 0);
         },
         {{"C", 0}},
         {"A", "B"}},
    };
    for (const IndexCase& c : cases) {
        SCOPED_TRACE(c.name);
        errorLog.Flush();
        VRX_network net;
        BuildChain(net);
        // The index answers before the change too, so that it has to follow it.
        ExpectIndexMatchesTable(net, {{"A", 0}, {"B", 1}, {"C", 2}}, {});
        c.change(net);
        ExpectIndexMatchesTable(net, c.expected, c.gone);
    }
}

TEST(NetworkBuilding, AFailedReadPutsBackTheIdentifiers) {
    VRX_network net;
    BuildChain(net);
    VRX_network other;
    // "A" takes the handle it has in net, so that the read leaves nothing that looks out of place.
    for (const char* id : {"A", "X1", "X2", "X3"}) ASSERT_GE(other.AddNode(DefinitionType::kCpt, id), 0);
    std::string text;
    VRX_vrxSpeaker speaker(&other);
    ASSERT_EQ(speaker.WriteToText(text), kSuccess);
    // Cut just before the end: every node has been read by the time the reader fails.
    const std::string cut = vovido::test::WriteTextFile("cut.vrx", text.substr(0, text.size() - 3));
    EXPECT_LT(net.ReadFile(cut.c_str()), 0);
    ExpectIndexMatchesTable(net, {{"A", 0}, {"B", 1}, {"C", 2}}, {"X1", "X2", "X3"});
    EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "X1"), 3);
    EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "B"), kOutOfRange);
}

TEST(NetworkBuilding, TableGrowsByItsIncrementAndFreeSlotsGoLowestFirst) {
    VRX_network net;
    char id[16];
    for (int i = 0; i < 1001; i++) {
        std::snprintf(id, sizeof id, "N%d", i);
        ASSERT_EQ(net.AddNode(DefinitionType::kCpt, id), i);
        // 50 slots at first, then 50 more whenever the table is full.
        ASSERT_EQ(net.GetNumberOfSlots(), 50 * (i / 50 + 1)) << i;
    }
    EXPECT_EQ(net.FindNode("N777"), 777);
    ASSERT_EQ(net.DeleteNode(500), kSuccess);
    ASSERT_EQ(net.DeleteNode(10), kSuccess);
    // Slot 999, the live count, is taken: the lowest free slot comes first, then the next.
    EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "P"), 10);
    EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "Q"), 500);
    EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "R"), 1001);
    EXPECT_EQ(net.GetNumberOfSlots(), 1050);
    // A slot freed below the ones just found is found again.
    ASSERT_EQ(net.DeleteNode(5), kSuccess);
    EXPECT_EQ(net.AddNode(DefinitionType::kCpt, "S"), 5);
}

// a -> b -> c and a loose node x, every value up to date; then the arc x -> a.
TEST(NetworkBuilding, MarksLeftByOtherWalksDoNotStopTheInvalidation) {
    const int leftovers[] = {
        0, SlotMarks::kVisited, SlotMarks::kAncestor | SlotMarks::kFromParent,
        SlotMarks::kVisited | SlotMarks::kAncestor | SlotMarks::kFromChild | SlotMarks::kFromParent};
    for (int marks : leftovers) {
        SCOPED_TRACE(marks);
        VRX_network net;
        int h[4];
        int k = 0;
        for (const char* id : {"a", "b", "c", "x"}) h[k++] = net.AddNode(DefinitionType::kCpt, id);
        ASSERT_EQ(net.AddArc(h[0], h[1]), kSuccess);
        ASSERT_EQ(net.AddArc(h[1], h[2]), kSuccess);
        for (int i : h) net.GetNode(i)->GetValue()->SetValueFlag(ValueFlags::kUpToDate, true);
        ASSERT_EQ(net.SetFlagsOfAllNodes(marks), kSuccess);
        ASSERT_EQ(net.AddArc(h[3], h[0]), kSuccess);
        const bool upToDate[] = {false, false, false, true};
        for (int i = 0; i < 4; i++) EXPECT_EQ(net.GetNode(h[i])->GetValue()->IsUpToDate(), upToDate[i]) << i;
    }
}

// c = NOT p, and two loose nodes y and z; after the arc y -> z (notices on) the deterministic
// propagation reflects exactly the evidence the network holds, however that evidence came there.
TEST(NetworkBuilding, EvidenceSetOrCopiedBehindTheNoticesIsSeenByTheNextChange) {
    struct EvidenceCase {
        const char* name;
        std::function<VRX_network&(VRX_network& net, VRX_network& copy)> arrange;
        int propagatedToC;  // c's propagated outcome, -1 for none
    };
    auto value = [](VRX_network& net, const char* id) { return net.GetNode(net.FindNode(id))->GetValue(); };
    const EvidenceCase cases[] = {
        {"observed while the notices were off",
         [&](VRX_network& net, VRX_network&) -> VRX_network& {
             net.propagationFlags = 0;
             EXPECT_EQ(value(net, "p")->SetEvidence(0), kSuccess);
             return net;
         },
         1},
        {"copied with the network",
         [&](VRX_network& net, VRX_network& copy) -> VRX_network& {
             EXPECT_EQ(value(net, "p")->SetEvidence(0), kSuccess);
             EXPECT_EQ(copy.CopyFrom(net, false), kSuccess);
             copy.propagationFlags = 0;
             EXPECT_EQ(value(copy, "c")->ClearPropagatedEvidence(), kSuccess);
             return copy;
         },
         1},
        {"propagated evidence outliving its cause",
         [&](VRX_network& net, VRX_network&) -> VRX_network& {
             EXPECT_EQ(value(net, "p")->SetEvidence(0), kSuccess);
             net.propagationFlags = 0;
             EXPECT_EQ(value(net, "p")->ClearEvidence(), kSuccess);
             EXPECT_TRUE(value(net, "c")->HasFlag(ValueFlags::kPropagatedEvidence));
             return net;
         },
         -1},
        {"evidence taken and dropped over and over",
         [&](VRX_network& net, VRX_network&) -> VRX_network& {
             net.propagationFlags = 0;
             for (int i = 0; i < 500; i++) {
                 EXPECT_EQ(value(net, "y")->SetEvidence(i % 2), kSuccess);
                 EXPECT_EQ(value(net, "y")->ClearEvidence(), kSuccess);
             }
             EXPECT_EQ(value(net, "p")->SetEvidence(1), kSuccess);
             return net;
         },
         0},
    };
    for (const EvidenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        VRX_network net;
        VRX_network copy;
        for (const char* id : {"p", "c", "y", "z"}) ASSERT_GE(net.AddNode(DefinitionType::kCpt, id), 0);
        ASSERT_EQ(net.AddArc(0, 1), kSuccess);
        VRX_doubleArray notTable;
        for (double v : {0.0, 1.0, 1.0, 0.0}) ASSERT_EQ(notTable.Add(v), kSuccess);
        ASSERT_EQ(net.GetNode(1)->GetDefinition()->SetDefinitionDoubles(notTable), kSuccess);

        VRX_network& target = c.arrange(net, copy);
        target.propagationFlags = PropagationFlags::kNotices | PropagationFlags::kDeterministic;
        ASSERT_EQ(target.AddArc(target.FindNode("y"), target.FindNode("z")), kSuccess);
        VRX_nodeValue* child = value(target, "c");
        EXPECT_EQ(child->HasFlag(ValueFlags::kPropagatedEvidence), c.propagatedToC >= 0);
        if (c.propagatedToC >= 0) {
            EXPECT_EQ(child->GetEvidence(), c.propagatedToC);
        }
    }
}

}  // namespace

// A chain a -> b -> c -> d and a pair x -> y whose values became current in some way; deleting a node
// leaves every value below it out of date, however long no value was current before, and no other.
TEST(NetworkBuilding, DeletedNodeMarksValuesMadeCurrentBelowIt) {
    const struct {
        const char* name;
        bool invalidateFirst;
        bool copy;
    } cases[] = {
        {"updated", false, false}, {"invalidated, then updated", true, false}, {"copied", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VRX_network built;
        int h[6];
        int k = 0;
        for (const char* id : {"a", "b", "c", "d", "x", "y"})
            h[k++] = built.AddNode(DefinitionType::kCpt, id);
        for (int i : {0, 1, 2, 4}) ASSERT_EQ(built.AddArc(h[i], h[i + 1]), kSuccess);
        // Nothing is current yet: a deletion has nothing to mark.
        ASSERT_EQ(built.DeleteNode(built.AddNode(DefinitionType::kCpt, "z")), kSuccess);
        if (c.invalidateFirst) {
            ASSERT_EQ(built.NotifyValuesChanged(), kSuccess);
            ASSERT_EQ(built.DeleteNode(h[0]), kSuccess);
            h[0] = built.AddNode(DefinitionType::kCpt, "a");
            ASSERT_EQ(built.AddArc(h[0], h[1]), kSuccess);
        }
        ASSERT_EQ(built.UpdateBeliefs(), kSuccess);
        VRX_network copied;
        if (c.copy) {
            ASSERT_EQ(copied.CopyFrom(built, false), kSuccess);
        }
        VRX_network& net = c.copy ? copied : built;
        for (int i : h) ASSERT_TRUE(net.GetNode(i)->GetValue()->IsUpToDate()) << i;
        ASSERT_EQ(net.DeleteNode(h[0]), kSuccess);
        const bool current[] = {false, false, false, false, true, true};
        for (int i = 1; i < 6; i++) EXPECT_EQ(net.GetNode(h[i])->GetValue()->IsUpToDate(), current[i]) << i;
        ASSERT_EQ(net.DeleteNode(h[4]), kSuccess);
        EXPECT_FALSE(net.GetNode(h[5])->GetValue()->IsUpToDate());
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
        ASSERT_EQ(net.DeleteNode(h[1]), kSuccess);
        for (int i = 2; i < 4; i++) EXPECT_FALSE(net.GetNode(h[i])->GetValue()->IsUpToDate()) << i;
    }
}
