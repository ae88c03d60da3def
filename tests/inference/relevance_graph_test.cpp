// Relevance graph: construction, cut-off marks, the noisy-MAX decomposition, record operations, record
// removal and the two orders of the samplers.
#include "inference/relevance_graph.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/cast.h"
#include "definitions/noisy_max.h"
#include "inference/decomposition_order.h"
#include "tests/support/whole_part.h"

using vovido::RelevanceRecordList;

namespace {

using vovido::test::Entries;
using vovido::test::Ids;
using vovido::test::Shape;
using vovido::test::TestNetwork;

template <int N>
std::vector<int> Handles(const RelevanceRecordList<N>& list) {
    std::vector<int> out;
    for (const RelevanceNode* r : list) out.push_back(r->GetHandle());
    return out;
}

// ---------------------------------------------------------------------------------------------------
// Construction

TEST(RelevanceGraphConstruction, OneRecordPerNodeWithNetworkArcsAndBorrowedTables) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B", 3), c = t.Add("C");
    t.Arcs({{a, c}, {b, c}});
    t.Observe(b, 2);

    RelevanceGraph graph(t.net, true);
    ASSERT_EQ(graph.GetStatus(), kSuccess);
    ASSERT_EQ(graph.GetNumberOfRecords(), 3);
    EXPECT_EQ(graph.evidenceCount, 1);
    EXPECT_FALSE(graph.noisyMaxRelevance);
    const RelevanceNode* rc = graph.records[2];
    EXPECT_EQ(Handles(rc->parents), (std::vector<int>{a, b}));
    EXPECT_EQ(Handles(graph.records[0]->children), (std::vector<int>{c}));
    EXPECT_EQ(graph.records[1]->evidence, 2);
    EXPECT_EQ(graph.records[0]->evidence, -1);
    EXPECT_EQ(rc->tableKind, RelevanceTableKind::kBorrowed);
    EXPECT_EQ(rc->table, &t.Definition(c));
    EXPECT_EQ(rc->GetNumberOfOutcomes(), 2);
    EXPECT_EQ(graph.records[1]->GetNumberOfOutcomes(), 3);
    EXPECT_EQ(graph.FindNode(c), 2);
    EXPECT_EQ(graph.FindNode(t.net.GetNode(b)), 1);
    EXPECT_EQ(graph.FindNode(99), -1);
    EXPECT_EQ(graph.GetBlock()->GetLiveRecords(), 3);
}

TEST(RelevanceGraphConstruction, PropagatedEvidenceCountsButIsObservedOnlyWhenAbsorbed) {
    TestNetwork t;
    const int a = t.Add("A");
    ASSERT_EQ(t.Value(a)->SetPropagatedEvidence(1), kSuccess);

    RelevanceGraph plain(t.net, false);
    EXPECT_EQ(plain.evidenceCount, 1);
    EXPECT_EQ(plain.records[0]->evidence, -1);

    RelevanceGraph absorbing(t.net, true);
    EXPECT_EQ(absorbing.evidenceCount, 1);
    EXPECT_EQ(absorbing.records[0]->evidence, 1);
}

TEST(RelevanceGraphConstruction, CutOffNodeIsARootWithATableOfItsOwn) {
    TestNetwork t;
    const int a = t.Add("A"), c = t.Add("C", 3), d = t.Add("D"), k = t.Add("K", 2, DefinitionType::kCast);
    t.Arcs({{a, c}, {a, d}, {c, d}});
    ASSERT_EQ(static_cast<VRX_cast*>(t.net.GetNode(k)->GetDefinition())->SetBaseline(0.25), kSuccess);
    t.Value(k)->SetValueFlag(ValueFlags::kCutOff, true);
    t.Value(c)->SetValueFlag(ValueFlags::kCutOff, true);

    RelevanceGraph graph(t.net, true);
    ASSERT_EQ(graph.GetStatus(), kSuccess);
    const RelevanceNode* rc = graph.records[1];
    EXPECT_TRUE(rc->parents.IsEmpty());
    // C is nobody's child, but keeps its own children.
    EXPECT_EQ(Handles(graph.records[0]->children), (std::vector<int>{d}));
    EXPECT_EQ(Handles(rc->children), (std::vector<int>{d}));
    // A table kind without a prior of its own keeps one dimension, so it fits a record without parents.
    EXPECT_EQ(rc->tableKind, RelevanceTableKind::kOwned);
    EXPECT_EQ(Shape(*rc->table), (std::vector<int>{3}));
    const RelevanceNode* rk = graph.records[3];
    EXPECT_EQ(rk->tableKind, RelevanceTableKind::kOwned);
    EXPECT_EQ(Entries(*rk->table), (std::vector<double>{0.25, 0.75}));
}

// ---------------------------------------------------------------------------------------------------
// Noisy-MAX decomposition

class NoisyMaxDecomposition : public ::testing::Test {
protected:
    void SetUp() override {
        a = t.Add("A");
        b = t.Add("B", 3);
        y = t.Add("Y", 3, DefinitionType::kNoisyMax);
        t.Arcs({{a, y}, {b, y}});
        // Rows: A's block (2), B's block (3), leak; the last row of each block is the no-effect row.
        t.Table(y, {0.5, 0.3, 0.2, 0, 0, 1,                 //
                    0.6, 0.1, 0.3, 0.2, 0.2, 0.6, 0, 0, 1,  //
                    0.1, 0.2, 0.7});
        VRX_intArray strengths;
        for (int v : {2, 0, 1}) ASSERT_EQ(strengths.Add(v), kSuccess);
        ASSERT_EQ(Definition().SetParentOutcomeStrengths(1, strengths), kSuccess);
    }

    VRX_noisyMAX& Definition() { return *static_cast<VRX_noisyMAX*>(t.net.GetNode(y)->GetDefinition()); }
    void Switch(const char* value) {
        ASSERT_EQ(t.net.userProperties.AddProperty("VRX_NOISYMAXRELEVANCE", value), 0);
    }

    TestNetwork t;
    int a = -1;
    int b = -1;
    int y = -1;
};

TEST_F(NoisyMaxDecomposition, LastOutcomeGivesOneObservedRecordPerParent) {
    Switch("1");
    t.Observe(y, 2);
    RelevanceGraph graph(t.net, true);
    ASSERT_EQ(graph.GetStatus(), kSuccess);
    EXPECT_TRUE(graph.noisyMaxRelevance);
    ASSERT_EQ(graph.GetNumberOfRecords(), 5);
    EXPECT_EQ(graph.evidenceCount, 3);
    EXPECT_EQ(graph.GetBlock()->GetSize(), 5);

    const RelevanceNode* ry = graph.records[2];
    EXPECT_TRUE(ry->parents.IsEmpty());
    EXPECT_EQ(ry->evidence, 2);
    EXPECT_EQ(Entries(*ry->table), (std::vector<double>{0.1, 0.2, 0.7}));

    const RelevanceNode* da = graph.records[3];
    const RelevanceNode* db = graph.records[4];
    EXPECT_EQ(da->node, nullptr);
    EXPECT_EQ(da->GetHandle(), -1);
    EXPECT_EQ(da->evidence, 2);
    EXPECT_EQ(da->GetNumberOfOutcomes(), 3);
    EXPECT_EQ(Handles(da->parents), (std::vector<int>{a}));
    EXPECT_EQ(Handles(db->parents), (std::vector<int>{b}));
    EXPECT_EQ(graph.records[0]->children[0], da);
    EXPECT_EQ(graph.records[1]->children[0], db);
    EXPECT_EQ(Shape(*db->table), (std::vector<int>{3, 3}));
    // B's rows follow its strength order: outcome 2 owns the first row, outcome 1 is the no-effect one.
    EXPECT_EQ(Entries(*db->table), (std::vector<double>{0.2, 0.2, 0.6, 0, 0, 1, 0.6, 0.1, 0.3}));

    // The factors multiply out to the node's own table at its last outcome, for every configuration.
    const VRX_Dmatrix& cpt = t.Definition(y);
    for (int ia = 0; ia < 2; ia++) {
        for (int ib = 0; ib < 3; ib++) {
            const double product = (*ry->table)[2] * (*da->table)[ia * 3 + 2] * (*db->table)[ib * 3 + 2];
            EXPECT_NEAR(product, cpt[(ia * 3 + ib) * 3 + 2], 1e-12) << ia << " " << ib;
        }
    }
}

TEST_F(NoisyMaxDecomposition, OtherOutcomeOrSwitchOffLeavesTheNodeWhole) {
    Switch("1");
    t.Observe(y, 1);
    RelevanceGraph other(t.net, true);
    EXPECT_EQ(other.GetNumberOfRecords(), 3);
    EXPECT_EQ(other.records[2]->parents.GetCount(), 2);

    t.Observe(y, 2);
    Switch("0");
    RelevanceGraph off(t.net, true);
    EXPECT_FALSE(off.noisyMaxRelevance);
    EXPECT_EQ(off.GetNumberOfRecords(), 3);
    EXPECT_EQ(off.records[2]->tableKind, RelevanceTableKind::kBorrowed);

    Switch("7");
    RelevanceGraph on(t.net, true);
    EXPECT_EQ(on.GetNumberOfRecords(), 5);
}

TEST_F(NoisyMaxDecomposition, SingleParentIsNotDecomposed) {
    Switch("1");
    ASSERT_EQ(t.net.RemoveArc(b, y), kSuccess);
    t.Observe(y, 2);
    RelevanceGraph graph(t.net, true);
    EXPECT_EQ(graph.GetNumberOfRecords(), 3);
    EXPECT_EQ(graph.records[2]->parents.GetCount(), 1);
    EXPECT_EQ(graph.evidenceCount, 1);
}

// ---------------------------------------------------------------------------------------------------
// Record operations

TEST(RelevanceNodeOperations, ObservedBeliefsRefuseOutcomesOutOfRange) {
    TestNetwork t;
    const int a = t.Add("A", 3);
    RelevanceGraph graph(t.net, true);
    RelevanceNode* r = graph.records[0];
    EXPECT_EQ(r->SetObservedBeliefs(3), kOutOfRange);
    EXPECT_EQ(r->SetObservedBeliefs(-1), kOutOfRange);
    EXPECT_EQ(r->evidence, -1);
    EXPECT_FALSE(t.Value(a)->IsUpToDate());
    EXPECT_EQ(r->SetObservedBeliefs(1), kSuccess);
    EXPECT_EQ(r->evidence, 1);
    EXPECT_EQ(graph.evidenceCount, 1);
    EXPECT_EQ(t.Beliefs(a), (std::vector<double>{0, 1, 0}));
    EXPECT_TRUE(t.Value(a)->IsUpToDate());
    // Beliefs only: the network holds no evidence for the node.
    EXPECT_FALSE(t.Value(a)->HasEvidence());
}

TEST(RelevanceNodeOperations, SlicingAndSummingWorkOnCopiesOfBorrowedTables) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B", 3), c = t.Add("C");
    t.Arcs({{a, c}, {b, c}});
    t.Table(a, {0.25, 0.75});
    const std::vector<double> cTable = {0.1, 0.9, 0.2, 0.8, 0.3, 0.7, 0.4, 0.6, 0.5, 0.5, 0.6, 0.4};
    t.Table(c, cTable);
    t.Observe(b, 1);

    RelevanceGraph graph(t.net, true);
    RelevanceNode* ra = graph.records[0];
    RelevanceNode* rb = graph.records[1];
    RelevanceNode* rc = graph.records[2];
    EXPECT_EQ(rc->AbsorbParentEvidence(ra), kOutOfRange);  // not observed
    ASSERT_EQ(rc->AbsorbParentEvidence(rb), kSuccess);
    EXPECT_EQ(rc->tableKind, RelevanceTableKind::kOwned);
    EXPECT_EQ(Entries(*rc->table), (std::vector<double>{0.2, 0.8, 0.5, 0.5}));
    rc->RemoveParent(rb);
    ASSERT_EQ(rc->MarginalizeParent(ra), kSuccess);
    EXPECT_NEAR((*rc->table)[0], 0.25 * 0.2 + 0.75 * 0.5, 1e-15);
    EXPECT_NEAR((*rc->table)[1], 0.25 * 0.8 + 0.75 * 0.5, 1e-15);
    EXPECT_EQ(Entries(t.Definition(c)), cTable);

    // Summing straight from the borrowed table as well.
    RelevanceGraph fresh(t.net, true);
    RelevanceNode* fc = fresh.records[2];
    ASSERT_EQ(fc->MarginalizeParent(fresh.records[0]), kSuccess);
    EXPECT_EQ(Shape(*fc->table), (std::vector<int>{3, 2}));
    EXPECT_NEAR((*fc->table)[2], 0.25 * 0.2 + 0.75 * 0.5, 1e-15);
    EXPECT_EQ(fc->MarginalizeParent(fc), kOutOfRange);
}

TEST(RelevanceNodeOperations, TableTestsAndOwnTables) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B", 3);
    t.Arc(a, b);
    t.Table(b, {1, 0, 0, 0, 0.5, 0.5});
    RelevanceGraph graph(t.net, true);
    RelevanceNode* ra = graph.records[0];
    RelevanceNode* rb = graph.records[1];
    EXPECT_EQ(rb->TableEqualsAt(1.0, ra, 0, 0), 1);
    EXPECT_EQ(rb->TableEqualsAt(1.0, ra, 1, 1), 0);
    EXPECT_EQ(rb->TableEqualsAt(0.0, ra, 1, 0), 1);
    EXPECT_LT(rb->TableEqualsAt(0.0, rb, 0, 0), 0);

    ASSERT_EQ(rb->CreateOwnTable(), kSuccess);
    EXPECT_EQ(Shape(*rb->table), (std::vector<int>{2, 3}));
    rb->RemoveParent(ra);
    rb->evidence = 2;
    ASSERT_EQ(rb->CreateOwnTable(), kSuccess);
    EXPECT_EQ(Entries(*rb->table), (std::vector<double>{0, 0, 1}));

    ASSERT_EQ(rb->WriteBeliefs(), kSuccess);
    EXPECT_EQ(t.Beliefs(b), (std::vector<double>{0, 0, 1}));
    EXPECT_TRUE(t.Value(b)->IsUpToDate());
}

TEST(RelevanceGraphRemoval, RemovedRecordsLeaveTheirNeighboursListsAndTheBlock) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B"), c = t.Add("C"), d = t.Add("D");
    t.Arcs({{a, b}, {a, c}, {a, d}, {b, c}});
    RelevanceGraph graph(t.net, true);
    auto block = graph.GetBlock();
    graph.records[1]->label = 7;
    graph.records[3]->label = 7;
    EXPECT_EQ(graph.RemoveLabelled(7), kSuccess);
    EXPECT_EQ(Ids(graph), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(Handles(graph.records[0]->children), (std::vector<int>{c}));
    EXPECT_EQ(Handles(graph.records[1]->parents), (std::vector<int>{a}));
    EXPECT_EQ(block->GetLiveRecords(), 2);
    (void)b;
    (void)d;
}

TEST(RelevanceGraphRemoval, GrownListsKeepTheirOrder) {
    TestNetwork t;
    const int hub = t.Add("Hub");
    std::vector<int> leaves;
    for (int i = 0; i < 20; i++) {
        leaves.push_back(t.Add(("L" + std::to_string(i)).c_str()));
        t.Arc(hub, leaves.back());
    }
    RelevanceGraph graph(t.net, true);
    RelevanceNode* rh = graph.records[0];
    ASSERT_EQ(rh->children.GetCount(), 20);
    rh->RemoveChild(graph.records[1]);
    rh->RemoveChild(graph.records[18]);
    rh->RemoveChild(graph.records[18]);  // absent now: nothing happens
    std::vector<int> expected(leaves.begin() + 1, leaves.end());
    expected.erase(expected.begin() + 16);
    EXPECT_EQ(Handles(rh->children), expected);
}

// ---------------------------------------------------------------------------------------------------
// Orders

TEST(RelevanceGraphOrders, TopologicalOrderPlacesParentsFirstDepthFirst) {
    TestNetwork t;
    // Slot order D, C, B, A against arcs A -> B -> C, A -> C, B -> D.
    const int d = t.Add("D"), c = t.Add("C"), b = t.Add("B"), a = t.Add("A");
    t.Arcs({{b, c}, {a, c}, {a, b}, {b, d}});
    RelevanceGraph graph(t.net, true);
    ASSERT_EQ(graph.SortTopologically(), kSuccess);
    // D first asks for B, which asks for A; C then finds both placed.
    EXPECT_EQ(Ids(graph), (std::vector<std::string>{"A", "B", "D", "C"}));
    for (const RelevanceNode* r : graph.records) EXPECT_EQ(r->label, RelevanceLabel::kPlaced);
}

TEST(RelevanceGraphOrders, ASavedOrderComesBackAfterASortByIdentifier) {
    TestNetwork t;
    // Slot order C, A, B, with C's children B before A.
    const int c = t.Add("C"), a = t.Add("A"), b = t.Add("B");
    t.Arcs({{c, b}, {c, a}, {a, b}});
    RelevanceGraph graph(t.net, true);
    vovido::RelevanceOrder saved;
    graph.SaveOrder(saved);
    graph.SortByIdentifier(vovido::IdentifierRanks(t.net));
    EXPECT_EQ(Ids(graph), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(Handles(graph.records[2]->children), (std::vector<int>{a, b}));
    graph.RestoreOrder(saved);
    EXPECT_EQ(Ids(graph), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(Handles(graph.records[0]->children), (std::vector<int>{b, a}));
}

TEST(RelevanceGraphOrders, LogicSamplingPutsObservedRecordsFirstByShareOfZeros) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B"), e = t.Add("E");
    t.Observe(e, 0);
    {
        RelevanceGraph graph(t.net, true);
        ASSERT_EQ(graph.SortForLogicSampling(), kSuccess);
        EXPECT_EQ(Ids(graph), (std::vector<std::string>{"E", "B", "A"}));
    }
    // E's unplaced ancestor comes before it.
    t.Arc(a, e);
    {
        RelevanceGraph graph(t.net, true);
        ASSERT_EQ(graph.SortForLogicSampling(), kSuccess);
        EXPECT_EQ(Ids(graph), (std::vector<std::string>{"A", "E", "B"}));
    }
    // Observed records ascend by their share of zero entries; equal shares keep their order.
    const int f = t.Add("F"), g = t.Add("G");
    t.Table(b, {1, 0});
    t.Table(g, {0, 1});
    t.Observe(b, 0);
    t.Observe(f, 1);
    t.Observe(g, 1);
    RelevanceGraph graph(t.net, true);
    ASSERT_EQ(graph.SortForLogicSampling(), kSuccess);
    EXPECT_EQ(Ids(graph), (std::vector<std::string>{"A", "E", "F", "B", "G"}));
    (void)f;
}

}  // namespace
