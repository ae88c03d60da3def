// Network-level evidence: propagation through deterministic tables, conflicts and impossible outcomes,
// the invalidation walk over up-to-date flags, and the change notices.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/cpt.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/error_log.h"
#include "tests/support/small_stack.h"

namespace {

using namespace vovido::test;

using namespace ValueFlags;

// Outcome indices of the True/False nodes below.
constexpr int kTrue = 0;
constexpr int kFalse = 1;

class NetworkEvidenceTest : public ::testing::Test {
protected:
    void SetUp() override { errorLog.Flush(); }

    // A node of the given kind and outcomes; the outcomes are set before any arc is added.
    int Add(const char* id, std::initializer_list<const char*> outcomes = {"True", "False"},
            int type = DefinitionType::kCpt) {
        const int h = net.AddNode(type, id);
        EXPECT_GE(h, 0);
        if (h >= 0 && type != DefinitionType::kTable) {
            EXPECT_EQ(net.GetNode(h)->GetDefinition()->SetOutcomes(Strings(outcomes)), kSuccess);
        }
        return h;
    }
    void Arc(int parent, int child) { ASSERT_EQ(net.AddArc(parent, child), kSuccess); }
    void Table(int h, std::initializer_list<double> entries) {
        ASSERT_EQ(net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(Doubles(entries)), kSuccess);
    }
    VRX_nodeValue& Value(int h) { return *net.GetNode(h)->GetValue(); }
    uint32_t Flags(int h) { return Value(h).GetValueFlags() & (kEvidence | kUpToDate | kPropagatedEvidence); }
    void MarkAllUpToDate() {
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h))
            Value(h).SetValueFlag(kUpToDate, true);
    }

    // c = NOT p.
    void BuildNot() {
        p = Add("p");
        c = Add("c");
        Arc(p, c);
        Table(c, {0, 1, 1, 0});
    }
    // p -> c <- q.
    void BuildCollider(const char* first = "p", const char* second = "q") {
        p = Add(first);
        q = Add(second);
        c = Add("c");
        Arc(p, c);
        Arc(q, c);
    }
    // c = p1 AND p2.
    void BuildAnd() {
        BuildCollider("p1", "p2");
        Table(c, {1, 0, 0, 1, 0, 1, 0, 1});
    }
    // a -> b -> c, each a copy of its parent.
    void BuildCopyChain() {
        a = Add("a");
        b = Add("b");
        c = Add("c");
        Arc(a, b);
        Arc(b, c);
        Table(b, {1, 0, 0, 1});
        Table(c, {1, 0, 0, 1});
    }

    VRX_network net;
    int p = -1, q = -1, c = -1, a = -1, b = -1;
};

}  // namespace

// ---- Propagation through deterministic relations ----

TEST_F(NetworkEvidenceTest, NotChildIsFixedAndRefusesTheOtherOutcomeSilently) {
    BuildNot();
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_EQ(Flags(c), kPropagatedEvidence | kUpToDate);
    EXPECT_EQ(Value(c).GetEvidence(), kFalse);

    EXPECT_EQ(Value(c).SetEvidence(kTrue), kOutOfRange);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    EXPECT_EQ(Value(c).GetEvidence(), kFalse);
    // Observing the implied outcome turns it into evidence proper.
    EXPECT_EQ(Value(c).SetEvidence(kFalse), kSuccess);
    EXPECT_EQ(Flags(c), kEvidence | kUpToDate);
}

TEST_F(NetworkEvidenceTest, ImpossibleOutcomeIsRefusedWithItsMessage) {
    BuildNot();
    net.propagationFlags &= ~PropagationFlags::kDeterministic;
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_EQ(Flags(c) & (kEvidence | kPropagatedEvidence), 0u);

    EXPECT_EQ(Value(c).SetEvidence(kTrue), kOutOfRange);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kOutOfRange);
    EXPECT_STREQ(errorLog.GetMessage(0), "Outcome [True] of node [c] is impossible");
    EXPECT_EQ(Value(c).GetEvidence(), kOutOfRange);
    EXPECT_EQ(Flags(c) & (kEvidence | kPropagatedEvidence), 0u);
}

TEST_F(NetworkEvidenceTest, ImpossibleOutcomeKeepsTheOldEvidence) {
    BuildNot();
    net.propagationFlags &= ~PropagationFlags::kDeterministic;
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    ASSERT_EQ(Value(c).SetEvidence(kFalse), kSuccess);
    EXPECT_EQ(Value(c).SetEvidence(kTrue), kOutOfRange);
    EXPECT_EQ(LastLogged(), "Outcome [True] of node [c] is impossible");
    EXPECT_EQ(Value(c).GetEvidence(), kFalse);
    EXPECT_EQ(Flags(c) & (kEvidence | kPropagatedEvidence), kEvidence);
}

TEST_F(NetworkEvidenceTest, RefusedNoticeChangesNoMarksOrFlags) {
    BuildNot();
    const int other = Add("other");
    Arc(p, other);
    net.propagationFlags = 0;
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    ASSERT_EQ(Value(c).SetEvidence(kTrue), kSuccess);  // nobody checks while the notices are off
    MarkAllUpToDate();
    net.GetEntry(other).SetMark(SlotMarks::kFromParent);
    std::vector<int> marks;
    for (int h : {p, c, other}) marks.push_back(net.GetEntry(h).flags);
    net.propagationFlags = PropagationFlags::kNotices | PropagationFlags::kDeterministic;

    EXPECT_EQ(net.NotifyEvidenceSet(c), kOutOfRange);
    EXPECT_EQ(LastLogged(), "Outcome [True] of node [c] is impossible");
    int i = 0;
    for (int h : {p, c, other}) {
        EXPECT_TRUE(Value(h).IsUpToDate()) << h;
        EXPECT_EQ(net.GetEntry(h).flags, marks[i++]) << h;
    }
}

TEST_F(NetworkEvidenceTest, AndChildExplainsBothParents) {
    BuildAnd();

    // False has three explanations: nothing is implied.
    ASSERT_EQ(Value(c).SetEvidence(kFalse), kSuccess);
    EXPECT_EQ(Value(p).GetEvidence(), kOutOfRange);
    EXPECT_EQ(Value(q).GetEvidence(), kOutOfRange);

    ASSERT_EQ(Value(c).SetEvidence(kTrue), kSuccess);
    EXPECT_EQ(Flags(p), kPropagatedEvidence | kUpToDate);
    EXPECT_EQ(Flags(q), kPropagatedEvidence | kUpToDate);
    EXPECT_EQ(Value(p).GetEvidence(), kTrue);
    EXPECT_EQ(Value(q).GetEvidence(), kTrue);
}

TEST_F(NetworkEvidenceTest, OnlyASingleRemainingParentOutcomeIsPropagated) {
    p = Add("p", {"x", "y", "z"});
    c = Add("c");
    Arc(p, c);
    Table(c, {0.5, 0.5, 0, 1, 0, 1});

    ASSERT_EQ(Value(c).SetEvidence(kFalse), kSuccess);
    EXPECT_EQ(Value(p).GetEvidence(), kOutOfRange);
    ASSERT_EQ(Value(c).SetEvidence(kTrue), kSuccess);
    EXPECT_EQ(Value(p).GetEvidence(), 0);
    EXPECT_TRUE(Value(p).HasFlag(kPropagatedEvidence));
    // A table that is not deterministic implies nothing forward.
    EXPECT_EQ(Value(c).ClearEvidence(), kSuccess);
    EXPECT_EQ(Value(p).GetEvidence(), kOutOfRange);
    ASSERT_EQ(Value(p).SetEvidence(0), kSuccess);
    EXPECT_EQ(Value(c).GetEvidence(), kOutOfRange);
}

TEST_F(NetworkEvidenceTest, ChainConflictFoundByRepropagationKeepsTheEvidence) {
    BuildCopyChain();
    net.propagationFlags &= ~PropagationFlags::kDeterministic;
    ASSERT_EQ(Value(a).SetEvidence(kTrue), kSuccess);
    ASSERT_EQ(Value(c).SetEvidence(kFalse), kSuccess);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);

    net.propagationFlags |= PropagationFlags::kDeterministic;
    EXPECT_EQ(net.RepropagateEvidence(a), kSuccess);
    ASSERT_GE(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kConflictingEvidence);
    EXPECT_STREQ(errorLog.GetMessage(0), "ERROR: conficting evidence between nodes [b] and [c]");
    EXPECT_EQ(Flags(b), kPropagatedEvidence | kUpToDate);
    EXPECT_EQ(Value(b).GetEvidence(), kTrue);
    EXPECT_EQ(Flags(c) & (kEvidence | kPropagatedEvidence), kEvidence);
    EXPECT_EQ(Value(c).GetEvidence(), kFalse);
}

// Evidence taken while deterministic propagation was off stays through a refused change of it, though it
// would not be taken again now: the refused call changes nothing.
TEST_F(NetworkEvidenceTest, RefusedEvidenceKeepsWhatWasTakenWithoutPropagation) {
    a = Add("a");
    b = Add("b");
    c = Add("c", {"c0", "c1", "c2"});
    Arc(a, b);
    Arc(b, c);
    Table(b, {1, 0, 0, 1});
    Table(c, {1, 0, 0, 0, 1, 0});
    net.propagationFlags &= ~PropagationFlags::kDeterministic;
    ASSERT_EQ(Value(a).SetEvidence(kTrue), kSuccess);
    ASSERT_EQ(Value(c).SetEvidence(1), kSuccess);
    net.propagationFlags |= PropagationFlags::kDeterministic;
    EXPECT_EQ(Value(c).SetEvidence(2), kOutOfRange);
    EXPECT_EQ(Flags(c) & (kEvidence | kPropagatedEvidence), kEvidence);
    EXPECT_EQ(Value(c).GetEvidence(), 1);
}

TEST_F(NetworkEvidenceTest, ConflictingObservationIsTakenBack) {
    BuildAnd();
    ASSERT_EQ(Value(c).SetEvidence(kFalse), kSuccess);
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);

    EXPECT_EQ(Value(q).SetEvidence(kTrue), kConflictingEvidence);
    EXPECT_EQ(LastLogged(), "ERROR: conficting evidence between nodes [p2] and [c]");
    EXPECT_EQ(Value(q).GetEvidence(), kOutOfRange);
    EXPECT_EQ(Value(c).GetEvidence(), kFalse);
    EXPECT_EQ(Value(p).GetEvidence(), kTrue);
}

TEST_F(NetworkEvidenceTest, PropagateEvidenceRefusals) {
    BuildNot();
    EXPECT_EQ(net.PropagateEvidence(-1), kOutOfRange);
    EXPECT_EQ(net.PropagateEvidence(99), kOutOfRange);
    EXPECT_EQ(net.PropagateEvidence(p), kOutOfRange);  // no evidence to start from
    EXPECT_EQ(net.RepropagateEvidence(99), kOutOfRange);
    net.propagationFlags = 0;
    EXPECT_EQ(net.RepropagateEvidence(99), kSuccess);  // switched off: nothing is checked
}

TEST_F(NetworkEvidenceTest, TableThatDoesNotFitItsParentsIsNotRead) {
    BuildNot();
    // A table that lost its parent dimension: coordinates from the parent list would read past it.
    auto* cpt = static_cast<VRX_cpt*>(net.GetNode(c)->GetDefinition());
    ASSERT_EQ(cpt->GetProbabilities().RemoveDimension(0), kSuccess);
    ASSERT_EQ(cpt->GetProbabilities().GetNumberOfDimensions(), 1);

    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_EQ(Value(c).GetEvidence(), kOutOfRange);
    // Neither the impossibility test nor the backward step reads it either.
    ASSERT_EQ(Value(p).ClearEvidence(), kSuccess);
    cpt->GetProbabilities().FillWith(0.0);
    EXPECT_EQ(Value(c).SetEvidence(kTrue), kSuccess);
    EXPECT_EQ(Value(p).GetEvidence(), kOutOfRange);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
}

TEST_F(NetworkEvidenceTest, MessagesOfModelOnlyCopiesNameTheSourceNodes) {
    BuildCopyChain();
    VRX_network copy(net, VRX_network::ModelOnly{});
    ASSERT_TRUE(copy.IsValid());
    copy.propagationFlags = PropagationFlags::kNotices;
    VRX_nodeValue& first = *copy.GetNode(a)->GetValue();
    VRX_nodeValue& last = *copy.GetNode(c)->GetValue();
    ASSERT_EQ(first.SetEvidence(kTrue), kSuccess);
    ASSERT_EQ(last.SetEvidence(kFalse), kSuccess);
    copy.propagationFlags |= PropagationFlags::kDeterministic;
    EXPECT_EQ(copy.RepropagateEvidence(a), kSuccess);
    ASSERT_GE(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0), "ERROR: conficting evidence between nodes [b] and [c]");

    // The impossibility message, on a NOT copy.
    errorLog.Flush();
    VRX_network notNet;
    const int x = notNet.AddNode(DefinitionType::kCpt, "x");
    const int y = notNet.AddNode(DefinitionType::kCpt, "y");
    ASSERT_EQ(notNet.AddArc(x, y), kSuccess);
    ASSERT_EQ(notNet.GetNode(y)->GetDefinition()->SetDefinitionDoubles(Doubles({0, 1, 1, 0})), kSuccess);
    VRX_network notCopy(notNet, VRX_network::ModelOnly{});
    notCopy.propagationFlags = PropagationFlags::kNotices;
    ASSERT_EQ(notCopy.GetNode(x)->GetValue()->SetEvidence(0), kSuccess);
    EXPECT_EQ(notCopy.GetNode(y)->GetValue()->SetEvidence(0), kOutOfRange);
    const VRX_idArray* names = notCopy.GetNode(y)->GetDefinition()->GetOutcomesNames();
    EXPECT_EQ(LastLogged(), std::string("Outcome [") + (*names)[0] + "] of node [y] is impossible");
}

// ---- Decision and utility nodes ----

TEST_F(NetworkEvidenceTest, DecisionAndUtilityNodesNeverReceivePropagatedEvidence) {
    p = Add("p");
    const int d = Add("d", {"go", "stay"}, DefinitionType::kList);
    const int u = Add("u", {}, DefinitionType::kTable);
    c = Add("c");
    Arc(p, d);
    Arc(p, u);
    Arc(d, c);
    Table(c, {1, 0, 0, 1});  // c copies the decision

    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_FALSE(Value(d).HasEvidence());
    EXPECT_FALSE(Value(u).HasEvidence());
    // Backward from c stops at the decision; forward from the decision works.
    ASSERT_EQ(Value(c).SetEvidence(kFalse), kSuccess);
    EXPECT_FALSE(Value(d).HasEvidence());
    ASSERT_EQ(Value(c).ClearEvidence(), kSuccess);
    ASSERT_EQ(Value(d).SetEvidence(1), kSuccess);
    EXPECT_EQ(Value(c).GetEvidence(), kFalse);
    EXPECT_TRUE(Value(c).HasFlag(kPropagatedEvidence));
}

TEST_F(NetworkEvidenceTest, ReachingAUtilityInvalidatesEveryDecision) {
    p = Add("p");
    q = Add("q");
    const int d = Add("d", {"go", "stay"}, DefinitionType::kList);
    const int u = Add("u", {}, DefinitionType::kTable);
    Arc(p, u);
    MarkAllUpToDate();

    // q is not connected to the utility: the decision stays up to date.
    ASSERT_EQ(Value(q).SetEvidence(kTrue), kSuccess);
    EXPECT_TRUE(Value(d).IsUpToDate());
    EXPECT_TRUE(Value(u).IsUpToDate());
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_FALSE(Value(u).IsUpToDate());
    EXPECT_FALSE(Value(d).IsUpToDate());

    Value(d).SetValueFlag(kUpToDate, true);
    EXPECT_EQ(net.InvalidateDecisionValues(), kSuccess);
    EXPECT_FALSE(Value(d).IsUpToDate());
    EXPECT_TRUE(Value(p).IsUpToDate());
}

// ---- Switches ----

TEST_F(NetworkEvidenceTest, NoticesOffPropagateAndInvalidateNothing) {
    BuildNot();
    const int other = Add("other");
    Arc(p, other);
    MarkAllUpToDate();
    net.propagationFlags &= ~PropagationFlags::kNotices;
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_EQ(Flags(c), kUpToDate);
    EXPECT_TRUE(Value(other).IsUpToDate());
    EXPECT_EQ(net.NotifyValuesChanged(), kSuccess);
    EXPECT_TRUE(Value(other).IsUpToDate());

    // A change mask without the evidence kinds has the same effect.
    net.propagationFlags = PropagationFlags::kNotices | PropagationFlags::kDeterministic;
    net.changeMask = ChangeKind::kArcAdded;
    ASSERT_EQ(Value(p).SetEvidence(kFalse), kSuccess);
    EXPECT_EQ(Flags(c), kUpToDate);
}

// ---- Up-to-date flags ----

TEST_F(NetworkEvidenceTest, WalkFollowsDSeparation) {
    // a is the common parent of x and y; z is unconnected; chain y -> m -> w with m observed.
    a = Add("a");
    const int x = Add("x");
    const int y = Add("y");
    const int z = Add("z");
    const int m = Add("m");
    const int w = Add("w");
    Arc(a, x);
    Arc(a, y);
    Arc(y, m);
    Arc(m, w);
    ASSERT_EQ(Value(m).SetEvidence(kTrue), kSuccess);
    MarkAllUpToDate();

    ASSERT_EQ(Value(x).SetEvidence(kTrue), kSuccess);
    EXPECT_FALSE(Value(a).IsUpToDate());
    EXPECT_FALSE(Value(y).IsUpToDate());  // through the common parent
    EXPECT_TRUE(Value(z).IsUpToDate());
    EXPECT_TRUE(Value(w).IsUpToDate());  // blocked by the observed m
    EXPECT_TRUE(Value(m).IsUpToDate());

    // Clearing evidence invalidates what the cleared node influences, and only that.
    MarkAllUpToDate();
    ASSERT_EQ(Value(m).ClearEvidence(), kSuccess);
    EXPECT_FALSE(Value(m).IsUpToDate());
    EXPECT_FALSE(Value(w).IsUpToDate());
    EXPECT_FALSE(Value(y).IsUpToDate());
    EXPECT_FALSE(Value(a).IsUpToDate());
    EXPECT_TRUE(Value(z).IsUpToDate());
    EXPECT_TRUE(Value(x).IsUpToDate());  // observed
}

TEST_F(NetworkEvidenceTest, ObservedCommonChildConnectsItsParents) {
    BuildCollider();
    const int r = Add("r");
    const int s = Add("s");
    Arc(r, s);
    MarkAllUpToDate();
    // Without evidence below it, the collider blocks.
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_TRUE(Value(q).IsUpToDate());
    EXPECT_FALSE(Value(c).IsUpToDate());

    ASSERT_EQ(Value(p).ClearEvidence(), kSuccess);
    ASSERT_EQ(Value(c).SetEvidence(kTrue), kSuccess);
    MarkAllUpToDate();
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_FALSE(Value(q).IsUpToDate());
    EXPECT_TRUE(Value(r).IsUpToDate());
    EXPECT_TRUE(Value(s).IsUpToDate());
}

TEST_F(NetworkEvidenceTest, ColliderWithAnObservedDescendantConnectsItsParents) {
    BuildCollider();
    const int e = Add("e");
    Arc(c, e);
    ASSERT_EQ(Value(e).SetEvidence(kTrue), kSuccess);
    MarkAllUpToDate();
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_FALSE(Value(c).IsUpToDate());
    EXPECT_FALSE(Value(q).IsUpToDate());
    EXPECT_TRUE(Value(e).IsUpToDate());
}

TEST_F(NetworkEvidenceTest, NodeReachedFromAParentAndLaterFromAChildPassesUpwards) {
    // n's parents in list order r, m; r reaches m from above before n reaches it from below.
    const int r = Add("r");
    const int s = Add("s");
    const int m = Add("m");
    const int n = Add("n");
    Arc(r, n);
    Arc(r, m);
    Arc(s, m);
    Arc(m, n);
    ASSERT_EQ(Value(n).SetEvidence(kTrue), kSuccess);
    MarkAllUpToDate();
    ASSERT_EQ(Value(n).ClearEvidence(), kSuccess);
    for (int h : {r, s, m, n}) EXPECT_FALSE(Value(h).IsUpToDate()) << h;
}

TEST_F(NetworkEvidenceTest, ValuesChangedInvalidatesEveryValueWithoutEvidence) {
    BuildNot();
    const int other = Add("other");
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    MarkAllUpToDate();
    ASSERT_EQ(Value(other).SetVirtualEvidence(Doubles({0.2, 0.8})), kSuccess);
    EXPECT_FALSE(Value(other).IsUpToDate());
    EXPECT_TRUE(Value(p).IsUpToDate());
    EXPECT_TRUE(Value(c).IsUpToDate());  // propagated evidence counts as evidence
}

// ---- Network-wide clearing and change notices ----

TEST_F(NetworkEvidenceTest, ClearAllEvidenceClearsEveryKindAndRestoresTheSwitch) {
    BuildNot();
    const int other = Add("other");
    const int soft = Add("soft");
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    ASSERT_EQ(Value(soft).SetVirtualEvidence(Doubles({0.5, 0.5})), kSuccess);
    MarkAllUpToDate();

    EXPECT_EQ(net.ClearAllEvidence(), kSuccess);
    VRX_intArray observed;
    EXPECT_EQ(net.GetEvidenceNodes(observed), kSuccess);
    EXPECT_EQ(observed.GetCount(), 0);
    EXPECT_FALSE(Value(soft).HasFlag(kVirtualEvidence));
    EXPECT_TRUE(net.propagationFlags & PropagationFlags::kNotices);
    // Beliefs computed under the old evidence are stale.
    EXPECT_FALSE(Value(other).IsUpToDate());

    // Nothing to clear: up-to-date values stay so; a cleared switch stays cleared.
    MarkAllUpToDate();
    net.propagationFlags = PropagationFlags::kDeterministic;
    EXPECT_EQ(net.ClearAllEvidence(), kSuccess);
    EXPECT_TRUE(Value(other).IsUpToDate());
    EXPECT_EQ(net.propagationFlags, PropagationFlags::kDeterministic);
}

TEST_F(NetworkEvidenceTest, DefinitionAndArcChangesRepropagate) {
    p = Add("p");
    c = Add("c");
    Table(c, {0, 1});  // c is certainly False
    ASSERT_EQ(Value(p).SetEvidence(kTrue), kSuccess);
    EXPECT_EQ(Value(c).GetEvidence(), kOutOfRange);

    Arc(p, c);  // the prior is repeated for each parent outcome: still certain, now implied by p
    EXPECT_EQ(Value(c).GetEvidence(), kFalse);
    auto* cpt = static_cast<VRX_cpt*>(net.GetNode(c)->GetDefinition());
    ASSERT_EQ(cpt->SetProbabilities(Doubles({1, 0, 0, 1})), kSuccess);
    EXPECT_EQ(Value(c).GetEvidence(), kTrue);
    ASSERT_EQ(net.RemoveArc(p, c), kSuccess);
    EXPECT_FALSE(Value(c).HasEvidence());

    // A code outside the mask does nothing; the definitions' own notice re-propagates nothing.
    Arc(p, c);
    EXPECT_EQ(net.NotifyChange(c, 16), kSuccess);
    EXPECT_EQ(net.NotifyChange(99, kDefinitionChangeNotice), kSuccess);
    EXPECT_EQ(net.NotifyChange(99, ChangeKind::kEntriesReplaced), kOutOfRange);
}

// ---- Automatic updating ----

TEST_F(NetworkEvidenceTest, AutomaticUpdatingFollowsEveryEvidenceChange) {
    const int x = Add("x");
    const int y = Add("y");
    Arc(x, y);
    auto* prior = static_cast<VRX_cpt*>(net.GetNode(x)->GetDefinition());
    auto* table = static_cast<VRX_cpt*>(net.GetNode(y)->GetDefinition());
    ASSERT_EQ(prior->SetProbabilities(Doubles({0.3, 0.7})), kSuccess);
    ASSERT_EQ(table->SetProbabilities(Doubles({0.9, 0.1, 0.2, 0.8})), kSuccess);
    net.propagationFlags |= PropagationFlags::kAutoUpdate;
    auto belief = [&](int h) {
        VRX_Dmatrix* m = nullptr;
        EXPECT_EQ(Value(h).GetValue(m), kSuccess);
        return m != nullptr && m->GetNumberOfElements() == 2 ? (*m)[0] : -1.0;
    };

    ASSERT_EQ(Value(x).SetEvidence(kTrue), kSuccess);
    EXPECT_TRUE(Value(y).IsUpToDate());
    EXPECT_NEAR(belief(y), 0.9, 1e-12);
    ASSERT_EQ(Value(x).SetEvidence(kFalse), kSuccess);
    EXPECT_TRUE(Value(y).IsUpToDate());
    EXPECT_NEAR(belief(y), 0.2, 1e-12);
    ASSERT_EQ(Value(x).ClearEvidence(), kSuccess);
    EXPECT_TRUE(Value(y).IsUpToDate());
    EXPECT_NEAR(belief(y), 0.41, 1e-12);

    // A definition change, then a network-wide clearing.
    ASSERT_EQ(table->SetProbabilities(Doubles({0.5, 0.5, 0.1, 0.9})), kSuccess);
    EXPECT_TRUE(Value(y).IsUpToDate());
    EXPECT_NEAR(belief(y), 0.3 * 0.5 + 0.7 * 0.1, 1e-12);
    ASSERT_EQ(Value(y).SetEvidence(kTrue), kSuccess);
    EXPECT_NEAR(belief(x), 0.15 / 0.22, 1e-12);
    ASSERT_EQ(net.ClearAllEvidence(), kSuccess);
    EXPECT_TRUE(Value(x).IsUpToDate());
    EXPECT_NEAR(belief(x), 0.3, 1e-12);
}

// ---- Long chains ----

TEST_F(NetworkEvidenceTest, TenThousandCopiesNeedNoDeepStack) {
    constexpr int kLength = 10000;
    net.propagationFlags = 0;
    net.readingFlags = ReadingFlags::kAllowDuplicateIds;
    for (int i = 0; i < kLength; i++) {
        const std::string id = "N" + std::to_string(i);
        ASSERT_EQ(net.AddNode(DefinitionType::kCpt, id.c_str()), i);
        if (i > 0) {
            Arc(i - 1, i);
            Table(i, {1, 0, 0, 1});
        }
    }
    net.readingFlags = 0;
    net.propagationFlags = PropagationFlags::kNotices | PropagationFlags::kDeterministic;

    struct Results {
        int setHead = -1, tailFromHead = -1, clearHead = -1, setTail = -1, headFromTail = -1;
        int propagated = 0, stale = 0, conflict = 0;
        std::string message;  // each thread has its own error log: read it in the thread that logged
    } r;
    RunOnSmallStack([&] {
        r.setHead = Value(0).SetEvidence(kTrue);
        r.tailFromHead = Value(kLength - 1).GetEvidence();
        for (int h = 1; h < kLength; h++) r.propagated += Value(h).HasFlag(kPropagatedEvidence) ? 1 : 0;
        MarkAllUpToDate();
        r.clearHead = Value(0).ClearEvidence();
        for (int h = 0; h < kLength; h++) r.stale += Value(h).IsUpToDate() ? 0 : 1;
        r.setTail = Value(kLength - 1).SetEvidence(kFalse);
        r.headFromTail = Value(0).GetEvidence();
        // The head contradicts the tail: found at the far end of the chain.
        net.propagationFlags &= ~PropagationFlags::kDeterministic;
        ASSERT_EQ(Value(kLength - 1).ClearEvidence(), kSuccess);
        ASSERT_EQ(Value(kLength - 1).SetEvidence(kFalse), kSuccess);
        ASSERT_EQ(Value(0).SetEvidence(kTrue), kSuccess);
        net.propagationFlags |= PropagationFlags::kDeterministic;
        net.ClearMarksOfAllNodes(SlotMarks::kVisited);
        r.conflict = net.PropagateEvidence(0);
        r.message = LastLogged();
    });
    EXPECT_EQ(r.setHead, kSuccess);
    EXPECT_EQ(r.tailFromHead, kTrue);
    EXPECT_EQ(r.propagated, kLength - 1);
    EXPECT_EQ(r.clearHead, kSuccess);
    EXPECT_EQ(r.stale, kLength);
    EXPECT_EQ(r.setTail, kSuccess);
    EXPECT_EQ(r.headFromTail, kFalse);
    EXPECT_EQ(r.conflict, kConflictingEvidence);
    EXPECT_EQ(r.message, "ERROR: conficting evidence between nodes [N9998] and [N9999]");
}
