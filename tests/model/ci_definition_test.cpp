// Tests of the causal-independence base through a minimal kind: outcome editing, the cached table and
// the cumulative conversions.
#include "model/ci_definition.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/node_cost.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

// The smallest kind: one leak row of weights, and a "table" that is a copy of the weights.
class LeakOnlyCi : public VRX_ciDefinition {
public:
    LeakOnlyCi(int handle, VRX_network* network) : VRX_ciDefinition(handle, network) {}

    int GetType() const override { return DefinitionType::kNoisyMax; }
    const char* GetTypeName() const override { return "LEAK_ONLY"; }

    int RebuildFromParents() override {
        VRX_intArray sizes;
        EXPECT_EQ(sizes.Add(1), kSuccess);
        EXPECT_EQ(sizes.Add(GetNumberOfOutcomes()), kSuccess);
        if (const int rc = ciWeights.Setup(sizes)) return rc;
        ciWeights.FillWith(1.0 / GetNumberOfOutcomes());
        return MarkCptStale();
    }
    int CalculateCpt() override {
        ++calculations;
        if (const int rc = cpt.Copy(ciWeights)) return rc;
        cptCacheFlags |= CptCache::kCurrent;
        return kSuccess;
    }
    int CalculateParameters() override { return ciWeights.Copy(cpt); }
    VRX_Dmatrix* GetCpt() override { return CachedCpt(); }

    int calculations = 0;
};

void ExpectIds(LeakOnlyCi& d, std::initializer_list<const char*> ids) {
    ASSERT_EQ(d.GetNumberOfOutcomes(), static_cast<int>(ids.size()));
    int i = 0;
    for (const char* id : ids) EXPECT_STREQ((*d.GetOutcomesNames())[i++], id) << "outcome " << i - 1;
}

// ---- Without a network ----

TEST(CiDefinitionTest, OutcomeCountIsAtLeastTwo) {
    LeakOnlyCi d(-1, nullptr);
    EXPECT_TRUE(d.IsValid());
    EXPECT_EQ(d.GetNumberOfOutcomes(), 0);
    EXPECT_EQ(d.SetNumberOfOutcomes(1), kOutOfRange);
    EXPECT_EQ(d.GetNumberOfOutcomes(), 0);
    ASSERT_EQ(d.SetNumberOfOutcomes(3), kSuccess);
    ExpectIds(d, {"State0", "State1", "State2"});
    EXPECT_EQ(d.GetCiWeights()->GetNumberOfElements(), 3);
}

TEST(CiDefinitionTest, InsertingAnOutcomeOpensAZeroWeightAndStalesTheTable) {
    LeakOnlyCi d(-1, nullptr);
    ASSERT_EQ(d.SetNumberOfOutcomes(2), kSuccess);
    (*d.GetCiWeights())[0] = 0.25;
    (*d.GetCiWeights())[1] = 0.75;
    EXPECT_EQ(d.GetSize(), 2);
    const int before = d.calculations;

    ASSERT_EQ(d.InsertOutcome(1, "Mid"), kSuccess);
    ExpectIds(d, {"State0", "Mid", "State1"});
    ExpectEntries(*d.GetCiWeights(), {0.25, 0.0, 0.75});
    // Bit 1 clear: nothing recomputed until the table is asked for.
    EXPECT_EQ(d.calculations, before);
    EXPECT_EQ(d.GetCptCacheFlags() & CptCache::kCurrent, 0);
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(d.GetDefinition(table), kSuccess);
    EXPECT_EQ(d.calculations, before + 1);
    ExpectEntries(*table, {0.25, 0.0, 0.75});
    VRX_doubleArray* entries = nullptr;
    ASSERT_EQ(d.GetDefinitionDoubles(entries), kSuccess);
    EXPECT_EQ(entries->GetSize(), 3);
    EXPECT_EQ(d.calculations, before + 1);

    // Bit 1 set: recomputed at once.
    d.SetCptCacheFlags(CptCache::kCurrent | CptCache::kRecomputeAtOnce);
    ASSERT_EQ(d.AddOutcome("End"), kSuccess);
    EXPECT_EQ(d.calculations, before + 2);
    ExpectEntries(*d.GetCpt(), {0.25, 0.0, 0.75, 0.0});
}

TEST(CiDefinitionTest, RefusedOutcomeNamesAreGenerated) {
    LeakOnlyCi d(-1, nullptr);
    ASSERT_EQ(d.SetNumberOfOutcomes(2), kSuccess);
    ASSERT_EQ(d.InsertOutcome(0, "State1"), kSuccess);
    ASSERT_EQ(d.AddOutcome("9lives"), kSuccess);
    ExpectIds(d, {"State2", "State0", "State1", "State3"});
    EXPECT_EQ(d.InsertOutcome(5, "Far"), kOutOfRange);
    EXPECT_EQ(d.InsertOutcome(-1, "Far"), kOutOfRange);
    EXPECT_EQ(d.GetNumberOfOutcomes(), 4);
    EXPECT_EQ(d.GetCiWeights()->GetNumberOfElements(), 4);
}

TEST(CiDefinitionTest, WeightsThatCannotGrowLeaveTheOutcomesUnchanged) {
    LeakOnlyCi d(-1, nullptr);
    ASSERT_EQ(d.SetNumberOfOutcomes(2), kSuccess);
    d.GetCiWeights()->CleanUp();
    EXPECT_EQ(d.InsertOutcome(1, "Mid"), kOutOfRange);
    ExpectIds(d, {"State0", "State1"});
}

TEST(CiDefinitionTest, RemovingKeepsAtLeastTwoOutcomes) {
    LeakOnlyCi d(-1, nullptr);
    ASSERT_EQ(d.SetNumberOfOutcomes(3), kSuccess);
    (*d.GetCiWeights())[0] = 0.2;
    (*d.GetCiWeights())[1] = 0.3;
    (*d.GetCiWeights())[2] = 0.5;
    EXPECT_EQ(d.RemoveOutcome(3), kOutOfRange);
    EXPECT_EQ(d.RemoveOutcome(-1), kOutOfRange);
    ASSERT_EQ(d.RemoveOutcome(1), kSuccess);
    ExpectIds(d, {"State0", "State2"});
    ExpectEntries(*d.GetCiWeights(), {0.2, 0.5});
    EXPECT_EQ(d.RemoveOutcome(0), kOutOfRange);
    EXPECT_EQ(d.GetNumberOfOutcomes(), 2);
}

TEST(CiDefinitionTest, RenamingNeedsOneNamePerOutcome) {
    LeakOnlyCi d(-1, nullptr);
    ASSERT_EQ(d.SetNumberOfOutcomes(2), kSuccess);
    EXPECT_EQ(d.RenameOutcomes(Strings({"A", "B", "C"})), kOutOfRange);
    EXPECT_EQ(d.RenameOutcomes(Strings({"A"})), kOutOfRange);
    ExpectIds(d, {"State0", "State1"});
    // Swapping two names in one step is no clash.
    ASSERT_EQ(d.RenameOutcomes(Strings({"State1", "State0"})), kSuccess);
    ExpectIds(d, {"State1", "State0"});
    ASSERT_EQ(d.RenameOutcomes(Strings({"Same", "Same"})), kSuccess);
    ExpectIds(d, {"Same", "Same2"});
    ASSERT_EQ(d.RenameOutcomes(Strings({"9a", "b-c"})), kSuccess);
    ExpectIds(d, {"x9a", "b_c"});

    EXPECT_EQ(d.RenameOutcome(0, "b_c"), kOutOfRange);
    EXPECT_EQ(d.RenameOutcome(2, "New"), kOutOfRange);
    EXPECT_EQ(d.RenameOutcome(-1, "New"), kOutOfRange);
    EXPECT_EQ(d.RenameOutcome(0, "New"), kSuccess);
    ExpectIds(d, {"New", "b_c"});
}

TEST(CiDefinitionTest, SetOutcomesReplacesCountAndNames) {
    LeakOnlyCi d(-1, nullptr);
    ASSERT_EQ(d.SetOutcomes(Strings({"Low", "Mid", "High"})), kSuccess);
    ExpectIds(d, {"Low", "Mid", "High"});
    EXPECT_EQ(d.GetCiWeights()->GetNumberOfElements(), 3);
    EXPECT_EQ(d.SetOutcomes(Strings({"Only"})), kOutOfRange);
}

TEST(CiDefinitionTest, CumulativeConversionsRoundTrip) {
    LeakOnlyCi d(-1, nullptr);
    ASSERT_EQ(d.SetNumberOfOutcomes(3), kSuccess);
    VRX_Dmatrix m = Matrix({2, 3}, {0.2, 0.3, 0.5, 0.0, 1.0, 0.0});
    d.ConvertToCumulative(m);
    ExpectEntries(m, {1.0, 0.8, 0.5, 1.0, 1.0, 0.0});
    d.ConvertFromCumulative(m);
    ExpectEntries(m, {0.2, 0.3, 0.5, 0.0, 1.0, 0.0});

    // A cumulative run that decreases the wrong way is clipped at 0.
    VRX_Dmatrix bad = Matrix({1, 3}, {0.5, 0.7, 0.2});
    d.ConvertFromCumulative(bad);
    ExpectEntries(bad, {0.0, 0.5, 0.2});
    VRX_Dmatrix negative = Matrix({1, 3}, {-0.9, 0.3, 0.2});
    d.ConvertToCumulative(negative);
    ExpectEntries(negative, {0.0, 0.5, 0.2});
}

TEST(CiDefinitionTest, CumulativeRunsNeverPassTheTable) {
    LeakOnlyCi d(-1, nullptr);
    ASSERT_EQ(d.SetNumberOfOutcomes(3), kSuccess);
    // Dimension 0 claims two runs of three, but the table holds only four entries.
    VRX_Dmatrix shortTable = Matrix({2, 2}, {0.1, 0.2, 0.3, 0.4});
    d.ConvertToCumulative(shortTable);
    ExpectEntries(shortTable, {0.6, 0.5, 0.3, 0.4});

    // A table shaped like a full CPT: runs are counted by entries, not by dimension 0.
    VRX_Dmatrix table = Matrix({2, 2, 3}, {1, 0.5, 0.25, 1, 1, 1, 1, 0, 0, 1, 0.5, 0.5});
    d.ConvertFromCumulativeByItemCount(table);
    ExpectEntries(table, {0.5, 0.25, 0.25, 0, 0, 1, 1, 0, 0, 0.5, 0, 0.5});
    VRX_Dmatrix empty;
    d.ConvertToCumulative(empty);
    d.ConvertFromCumulative(empty);
    EXPECT_EQ(empty.GetNumberOfElements(), 0);
}

TEST(CiDefinitionTest, ParametersCopyOnlyIntoCausalIndependenceKinds) {
    LeakOnlyCi source(-1, nullptr);
    ASSERT_EQ(source.SetNumberOfOutcomes(2), kSuccess);
    (*source.GetCiWeights())[1] = 0.9;
    source.GetCpt();
    LeakOnlyCi target(-1, nullptr);
    ASSERT_EQ(source.CopyParametersTo(target), kSuccess);
    ExpectEntries(*target.GetCiWeights(), {0.5, 0.9});
    EXPECT_EQ(target.GetCptCacheFlags(), source.GetCptCacheFlags());
    EXPECT_EQ(target.calculations, 0);
    ExpectEntries(*target.GetCpt(), {0.5, 0.9});
    EXPECT_EQ(target.calculations, 0);

    VRX_network net;
    const int a = net.AddNode(DefinitionType::kCpt, "A");
    ASSERT_GE(a, 0);
    EXPECT_EQ(source.CopyParametersTo(*net.GetNode(a)->GetDefinition()), kOutOfRange);
}

TEST(CiDefinitionTest, CleanUpEmptiesEverything) {
    LeakOnlyCi d(-1, nullptr);
    ASSERT_EQ(d.SetNumberOfOutcomes(2), kSuccess);
    d.GetCpt();
    d.CleanUp(1);
    EXPECT_EQ(d.GetNumberOfOutcomes(), 0);
    EXPECT_EQ(d.GetCiWeights()->GetNumberOfElements(), 0);
    EXPECT_EQ(d.GetCptCacheFlags(), 0);
    EXPECT_TRUE(d.IsValid());
}

// ---- Bound to a node ----

class BoundCiDefinitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        a = net.AddNode(DefinitionType::kCpt, "A");
        child = net.AddNode(DefinitionType::kCpt, "Child");
        watcher = net.AddNode(DefinitionType::kCpt, "Watcher");
        ASSERT_GE(a, 0);
        ASSERT_GE(child, 0);
        ASSERT_GE(watcher, 0);
        // Same outcome count as the node's own definition, so the node's parts agree with it.
        ASSERT_EQ(ci.SetNumberOfOutcomes(2), kSuccess);
    }

    VRX_network net;
    int a = -1;
    int child = -1;
    int watcher = -1;
    LeakOnlyCi ci{0, &net};
};

TEST_F(BoundCiDefinitionTest, OutcomeEditsReachExtraDefinitionAndCostChildren) {
    ASSERT_EQ(ci.GetHandle(), a);
    ASSERT_EQ(net.AddArc(a, watcher, 1), kSuccess);
    VRX_extraDefinition* extra = net.GetNode(a)->GetExtraDefinition();
    VRX_nodeCost* watcherCost = net.GetNode(watcher)->GetCost();
    ASSERT_EQ(extra->SetOutcomeDescription(1, "second"), kSuccess);

    ASSERT_EQ(ci.InsertOutcome(0, "First"), kSuccess);
    EXPECT_EQ(extra->GetFaultOutcomes().GetCount(), 3);
    EXPECT_STREQ(extra->GetOutcomeDescription(2), "second");
    EXPECT_EQ(watcherCost->GetCosts()->GetSizeOfDimension(0), 3);

    ASSERT_EQ(ci.RemoveOutcome(0), kSuccess);
    ExpectIds(ci, {"State0", "State1"});
    EXPECT_EQ(extra->GetFaultOutcomes().GetCount(), 2);
    EXPECT_STREQ(extra->GetOutcomeDescription(1), "second");
    EXPECT_EQ(watcherCost->GetCosts()->GetSizeOfDimension(0), 2);
}

TEST_F(BoundCiDefinitionTest, ReplacingOutcomesResetsCostAndExtraData) {
    VRX_extraDefinition* extra = net.GetNode(a)->GetExtraDefinition();
    VRX_nodeCost* cost = net.GetNode(a)->GetCost();
    ASSERT_EQ(extra->SetOutcomeDescription(0, "old"), kSuccess);
    VRX_doubleArray five;
    ASSERT_EQ(five.Add(5.0), kSuccess);
    ASSERT_EQ(cost->SetCosts(five), kSuccess);

    ASSERT_EQ(ci.SetOutcomes(Strings({"Lo", "Hi"})), kSuccess);
    ExpectIds(ci, {"Lo", "Hi"});
    EXPECT_STREQ(extra->GetOutcomeDescription(0), "");
    EXPECT_EQ((*cost->GetCosts())[0], 0.0);
}

TEST_F(BoundCiDefinitionTest, OutcomeSetIsFixedWhileTheNodeHasChildren) {
    ASSERT_EQ(net.AddArc(a, child), kSuccess);
    EXPECT_EQ(ci.SetNumberOfOutcomes(3), kNodeHasChildren);
    EXPECT_EQ(ci.SetOutcomes(Strings({"X", "Y", "Z"})), kNodeHasChildren);
    ExpectIds(ci, {"State0", "State1"});
}

TEST_F(BoundCiDefinitionTest, DiscreteParentsStayAndTemporalWeightsNeedAPlate) {
    ASSERT_EQ(net.AddArc(child, a), kSuccess);
    EXPECT_EQ(ci.RemoveInvalidParents(), kSuccess);
    EXPECT_EQ(net.GetParents(a).GetCount(), 1);

    EXPECT_EQ(ci.GetTemporalCiWeights(1), nullptr);
    EXPECT_EQ(ci.SetTemporalCiWeights(1, *ci.GetCiWeights()), kWrongNodeType);
    LeakOnlyCi loose(-1, nullptr);
    EXPECT_EQ(loose.SetTemporalCiWeights(1, *loose.GetCiWeights()), kWrongNodeType);
}

// With the table recomputed at once, removing an outcome recomputes it only once the identifier has gone
// too, so weights, identifiers and table agree afterwards; inserting one works alike.
TEST(CiDefinitionInNetwork, RemovingAnOutcomeWithImmediateRecomputeKeepsEverythingInStep) {
    for (int kind : {DefinitionType::kNoisyMax, DefinitionType::kNoisyAdder}) {
        SCOPED_TRACE(kind);
        VRX_network net;
        const int p = net.AddNode(DefinitionType::kCpt, "P");
        const int n = net.AddNode(kind, "N");
        ASSERT_EQ(net.AddArc(p, n), kSuccess);
        auto* ci = dynamic_cast<VRX_ciDefinition*>(net.GetNode(n)->GetDefinition());
        ASSERT_NE(ci, nullptr);
        while (ci->GetNumberOfOutcomes() < 3) ASSERT_EQ(ci->AddOutcome(nullptr), kSuccess);
        const int before = ci->GetNumberOfOutcomes();
        ci->SetCptCacheFlags(CptCache::kRecomputeAtOnce);
        ASSERT_EQ(ci->CalculateCpt(), kSuccess);

        EXPECT_EQ(ci->RemoveOutcome(1), kSuccess);
        EXPECT_EQ(ci->GetNumberOfOutcomes(), before - 1);
        const VRX_Dmatrix* weights = ci->GetCiWeights();
        EXPECT_EQ(weights->GetSizeOfDimension(weights->GetNumberOfDimensions() - 1), before - 1);
        EXPECT_NE(ci->GetCptCacheFlags() & CptCache::kCurrent, 0);
        VRX_Dmatrix* table = nullptr;
        ASSERT_EQ(ci->GetDefinition(table), kSuccess);
        ASSERT_EQ(table->GetNumberOfDimensions(), 2);
        EXPECT_EQ(table->GetSizeOfDimension(1), before - 1);
        EXPECT_EQ(net.GetNode(n)->GetExtraDefinition()->GetFaultOutcomes().GetCount(), before - 1);

        ASSERT_EQ(ci->InsertOutcome(0, "Again"), kSuccess);
        EXPECT_NE(ci->GetCptCacheFlags() & CptCache::kCurrent, 0);
        ASSERT_EQ(ci->GetDefinition(table), kSuccess);
        EXPECT_EQ(table->GetSizeOfDimension(1), before);
    }
}

}  // namespace
