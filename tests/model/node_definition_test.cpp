// Node definition base: unsupported slots, type codes, the one-step outcome edit and zero items.
#include "model/node_definition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "model/network.h"
#include "tests/support/arrays.h"

using vovido::IsDecisionOrUtilityType;
using vovido::IsDiscreteType;
using vovido::IsIndexingType;

namespace {

using namespace vovido::test;

// A kind with nothing of its own: every slot answers as the base does.
class BareDefinition : public VRX_nodeDefinition {
public:
    BareDefinition(int handle = 3, VRX_network* network = nullptr) : VRX_nodeDefinition(handle, network) {}
    int GetType() const override { return DefinitionType::kEquation; }
    const char* GetTypeName() const override { return "BARE"; }
    void MarkValid() { SetFlag(kValid, true); }
};

// A kind that holds only outcomes, each with its name and where it came from, and that keeps at least
// two of them as the discrete kinds do. It records every edit and the outcome counts it passed through.
class OutcomeListDefinition : public VRX_nodeDefinition {
public:
    struct Outcome {
        std::string name;
        std::string origin;
    };

    explicit OutcomeListDefinition(std::initializer_list<const char*> names)
        : VRX_nodeDefinition(0, nullptr) {
        for (const char* name : names) outcomes.push_back({name, "old" + std::to_string(outcomes.size())});
        SetFlag(kValid, true);
    }
    void CheckValidity(int /*deep*/) override { SetFlag(kValid, true); }
    int GetType() const override { return DefinitionType::kCpt; }
    const char* GetTypeName() const override { return "OUTCOMES"; }

    int AddOutcome(const char* name) override {
        outcomes.push_back({name, std::string("new:") + name});
        edits.push_back(std::string("add ") + name);
        Track();
        return kSuccess;
    }
    int RemoveOutcome(int index) override {
        if (outcomes.size() < 3 || index < 0 || index >= Count()) return kOutOfRange;
        outcomes.erase(outcomes.begin() + index);
        edits.push_back("remove " + std::to_string(index));
        Track();
        return kSuccess;
    }
    int GetNumberOfOutcomes() override { return Count(); }
    int ChangeOrderOfOutcomes(const VRX_intArray& order) override {
        if (order.GetCount() != Count()) return kOutOfRange;
        std::vector<Outcome> moved;
        for (int k = 0; k < order.GetCount(); k++) moved.push_back(outcomes[order[k]]);
        outcomes = moved;
        edits.push_back("reorder");
        return kSuccess;
    }
    int RenameOutcomes(const VRX_stringArray& names) override {
        if (names.GetCount() < Count()) return kOutOfRange;
        for (int i = 0; i < Count(); i++) outcomes[i].name = names[i];
        edits.push_back("rename");
        return kSuccess;
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const Outcome& o : outcomes) out.push_back(o.name);
        return out;
    }
    std::vector<std::string> Origins() const {
        std::vector<std::string> out;
        for (const Outcome& o : outcomes) out.push_back(o.origin);
        return out;
    }

    std::vector<Outcome> outcomes;
    std::vector<std::string> edits;
    int fewest = 1000;
    int most = 0;

private:
    int Count() const { return static_cast<int>(outcomes.size()); }
    void Track() {
        fewest = std::min(fewest, Count());
        most = std::max(most, Count());
    }
};

using Names = std::vector<std::string>;

}  // namespace

TEST(NodeDefinitionTypes, IndexingKindsAreListCptTruthTableAndNoisyKinds) {
    for (int code : {17, 18, 20, 146, 274}) EXPECT_TRUE(IsIndexingType(code)) << code;
    for (int code : {0, 4, 8, 50, 82, 520, 1028, 2064, 4098, 4100})
        EXPECT_FALSE(IsIndexingType(code)) << code;
    EXPECT_TRUE(IsDecisionOrUtilityType(DefinitionType::kList));
    EXPECT_TRUE(IsDecisionOrUtilityType(DefinitionType::kMau));
    EXPECT_FALSE(IsDecisionOrUtilityType(DefinitionType::kCpt));
    EXPECT_TRUE(IsDiscreteType(DefinitionType::kCast));
    EXPECT_FALSE(IsDiscreteType(DefinitionType::kTable));
}

TEST(NodeDefinitionBase, UnsupportedSlotsAnswerWrongNodeType) {
    BareDefinition d;
    VRX_intArray order = Ints({0});
    VRX_stringArray names = Strings({"a", "b"});
    VRX_Dmatrix matrix;
    VRX_doubleArray doubles;
    VRX_stringArray* strings = nullptr;
    VRX_intArray* ints = nullptr;
    VRX_doubleArray* entries = nullptr;
    VRX_Dmatrix* table = nullptr;

    EXPECT_EQ(d.AddParent(0), kWrongNodeType);
    EXPECT_EQ(d.RemoveParent(0), kWrongNodeType);
    EXPECT_EQ(d.AbsorbParentEvidence(0), kWrongNodeType);
    EXPECT_EQ(d.MarginalizeParent(0), kWrongNodeType);
    EXPECT_EQ(d.InsertParentOutcome(0, 0), kWrongNodeType);
    EXPECT_EQ(d.RemoveParentOutcome(0, 0), kWrongNodeType);
    EXPECT_EQ(d.ReorderParentOutcomes(0, order), kWrongNodeType);
    EXPECT_EQ(d.ReorderParents(order), kWrongNodeType);
    EXPECT_EQ(d.GetSize(), kWrongNodeType);
    EXPECT_EQ(d.CloneFrom(d), kWrongNodeType);
    EXPECT_EQ(d.RebuildFromParents(), kWrongNodeType);
    EXPECT_EQ(d.RemoveInvalidParents(), kWrongNodeType);
    EXPECT_EQ(d.AddOutcome("x"), kWrongNodeType);
    EXPECT_EQ(d.InsertOutcome(0, "x"), kWrongNodeType);
    EXPECT_EQ(d.RemoveOutcome(0), kWrongNodeType);
    EXPECT_EQ(d.GetNumberOfOutcomes(), kWrongNodeType);
    EXPECT_EQ(d.RenameOutcome(0, "x"), kWrongNodeType);
    EXPECT_EQ(d.RenameOutcomes(names), kWrongNodeType);
    EXPECT_EQ(d.GetOutcomesNames(), nullptr);
    EXPECT_EQ(d.SetOutcomes(names), kWrongNodeType);
    EXPECT_EQ(d.SetNumberOfOutcomes(3), kWrongNodeType);
    EXPECT_EQ(d.ChangeOrderOfOutcomes(order), kWrongNodeType);
    EXPECT_EQ(d.ChangeOutcomes(names, Ints({0, 1})), kWrongNodeType);
    EXPECT_EQ(d.GetDefinitionStrings(strings), kWrongNodeType);
    EXPECT_EQ(d.GetDefinitionInts(ints), kWrongNodeType);
    EXPECT_EQ(d.GetDefinitionDoubles(entries), kWrongNodeType);
    EXPECT_EQ(d.GetDefinition(table), kWrongNodeType);
    EXPECT_EQ(d.SetDefinition(matrix), kWrongNodeType);
    EXPECT_EQ(d.SetDefinitionStrings(names), kWrongNodeType);
    EXPECT_EQ(d.SetDefinitionInts(order), kWrongNodeType);
    EXPECT_EQ(d.SetDefinitionDoubles(doubles), kWrongNodeType);

    // The slots that every kind answers alike.
    EXPECT_EQ(d.RenameParentId(0, "a", "b"), kSuccess);
    EXPECT_EQ(d.ReservedQuery(), kSuccess);
    EXPECT_EQ(d.CopyParametersTo(d), kSuccess);
    EXPECT_EQ(d.CopyParameters(d), kSuccess);
    EXPECT_EQ(d.NotifyChange(64), kSuccess);
    EXPECT_EQ(d.NotifyChange(kDefinitionChangeNotice), kSuccess);
}

TEST(NodeDefinitionBase, WithoutNetworkNotValidAndCopyRefused) {
    BareDefinition d;
    EXPECT_FALSE(d.IsValid());
    EXPECT_EQ(d.GetNetwork(), nullptr);
    EXPECT_EQ(d.GetHandle(), 3);

    BareDefinition target;
    target.Bind(nullptr, 9);
    EXPECT_EQ(target.CopyFrom(d), kObjectNotValid);
    EXPECT_EQ(target.GetHandle(), 9);

    d.MarkValid();
    EXPECT_EQ(d.CopyFrom(d), kSuccess);
    EXPECT_EQ(target.CopyFrom(d), kSuccess);
    EXPECT_EQ(target.GetHandle(), 3);
}

TEST(NodeDefinitionBase, ValidOnlyWhileAttachedToALiveNode) {
    VRX_network net;
    const int a = net.AddNode(DefinitionType::kCpt, "A");
    ASSERT_GE(a, 0);
    BareDefinition attached(a, &net);
    EXPECT_TRUE(attached.IsValid());
    BareDefinition freeSlot(a + 1, &net);
    EXPECT_FALSE(freeSlot.IsValid());
    BareDefinition outside(-1, &net);
    EXPECT_FALSE(outside.IsValid());

    BareDefinition copied(attached);
    EXPECT_TRUE(copied.IsValid());
    EXPECT_EQ(copied.GetNetwork(), &net);

    ASSERT_EQ(net.DeleteNode(a), kSuccess);
    attached.CheckValidity(0);
    EXPECT_FALSE(attached.IsValid());
}

TEST(NodeDefinitionBase, OutcomeRemovalNoticeDropsTheIdentifierFirst) {
    BareDefinition d;
    VRX_idArray ids;
    for (const char* id : {"a", "b", "c"}) ASSERT_EQ(ids.Add(id), kSuccess);
    EXPECT_EQ(d.NotifyOutcomeRemoved(5, ids), kOutOfRange);
    EXPECT_EQ(ids.GetCount(), 3);
    // Without a live node there is nothing else to keep in step.
    EXPECT_EQ(d.NotifyOutcomeRemoved(1, ids), kSuccess);
    ASSERT_EQ(ids.GetCount(), 2);
    EXPECT_STREQ(ids[1], "c");
    bool takenBack = true;
    EXPECT_EQ(d.NotifyOutcomeInserted(0, takenBack), kSuccess);
    EXPECT_FALSE(takenBack);
    EXPECT_EQ(d.NotifyOutcomesReordered(Ints({1, 0})), kSuccess);
}

TEST(ChangeOutcomes, IdentityMapOnlyRenames) {
    OutcomeListDefinition d{"Low", "High"};
    EXPECT_EQ(d.ChangeOutcomes(Strings({"Small", "Large"}), Ints({0, 1})), kSuccess);
    EXPECT_EQ(d.edits, (Names{"rename"}));
    EXPECT_EQ(d.Names(), (Names{"Small", "Large"}));
    EXPECT_EQ(d.Origins(), (Names{"old0", "old1"}));
}

TEST(ChangeOutcomes, ReplacingBothOutcomesGoesThroughTemporariesNeverBelowTwo) {
    OutcomeListDefinition d{"A", "B"};
    EXPECT_EQ(d.ChangeOutcomes(Strings({"X", "Y"}), Ints({-1, -1})), kSuccess);
    EXPECT_EQ(d.edits, (Names{"add tmpStateUI0", "add tmpStateUI00", "remove 1", "remove 0", "add X", "add Y",
                              "remove 0", "remove 0", "rename"}));
    EXPECT_EQ(d.most, 4);
    EXPECT_EQ(d.fewest, 2);
    EXPECT_EQ(d.Names(), (Names{"X", "Y"}));
    EXPECT_EQ(d.Origins(), (Names{"new:X", "new:Y"}));
}

TEST(ChangeOutcomes, KeptOutcomesMoveAndNewOnesAreInsertedWhereTheMapSays) {
    OutcomeListDefinition d{"A", "B", "C", "D"};
    // New set: old C, a new outcome, old A; B and D go.
    EXPECT_EQ(d.ChangeOutcomes(Strings({"C2", "N", "A2"}), Ints({2, -1, 0})), kSuccess);
    EXPECT_EQ(d.Origins(), (Names{"old2", "new:N", "old0"}));
    EXPECT_EQ(d.Names(), (Names{"C2", "N", "A2"}));
    EXPECT_GE(d.fewest, 2);
    EXPECT_EQ(d.edits.front(), "remove 3");
}

TEST(ChangeOutcomes, OneKeptOutcomeNeedsOneTemporary) {
    OutcomeListDefinition d{"A", "B", "C"};
    EXPECT_EQ(d.ChangeOutcomes(Strings({"N", "B"}), Ints({-1, 1})), kSuccess);
    EXPECT_EQ(d.edits.front(), "add tmpStateUI0");
    EXPECT_EQ(std::count(d.edits.begin(), d.edits.end(), "add tmpStateUI00"), 0);
    EXPECT_EQ(d.Origins(), (Names{"new:N", "old1"}));
    EXPECT_GE(d.fewest, 2);
}

TEST(ChangeOutcomes, BadMapIsRefusedBeforeAnythingChanges) {
    struct Case {
        const char* what;
        std::initializer_list<const char*> names;
        std::initializer_list<int> map;
        int expected;
    };
    const Case cases[] = {
        {"count differs from the names", {"a", "b", "c"}, {0, 1}, kOutOfRange},
        {"old index repeated", {"a", "b"}, {0, 0}, kOutOfRange},
        {"old index past the outcomes", {"a", "b"}, {0, 3}, kOutOfRange},
        {"fewer than two outcomes", {"a"}, {0}, kOutOfRange},
        {"empty set", {}, {}, kOutOfRange},
    };
    for (const Case& c : cases) {
        OutcomeListDefinition d{"A", "B", "C"};
        EXPECT_EQ(d.ChangeOutcomes(Strings(c.names), Ints(c.map)), c.expected) << c.what;
        EXPECT_TRUE(d.edits.empty()) << c.what;
        EXPECT_EQ(d.Names(), (Names{"A", "B", "C"})) << c.what;
    }
}

TEST(InsertZeroItem, OpensAZeroItemAtTheIndex) {
    VRX_Dmatrix m;
    ASSERT_EQ(m.Setup(Ints({2, 2})), kSuccess);
    for (int i = 0; i < 4; i++) m[i] = i + 1.0;

    VRX_Dmatrix front(m);
    EXPECT_EQ(VRX_nodeDefinition::InsertZeroItem(front, 1, 0), kSuccess);
    EXPECT_EQ(front.GetSizeOfDimension(1), 3);
    EXPECT_EQ(Entries(front), (std::vector<double>{0, 1, 2, 0, 3, 4}));

    VRX_Dmatrix back(m);
    EXPECT_EQ(VRX_nodeDefinition::InsertZeroItem(back, 1, 2), kSuccess);
    EXPECT_EQ(Entries(back), (std::vector<double>{1, 2, 0, 3, 4, 0}));

    VRX_Dmatrix outer(m);
    EXPECT_EQ(VRX_nodeDefinition::InsertZeroItem(outer, 0, 1), kSuccess);
    EXPECT_EQ(Entries(outer), (std::vector<double>{1, 2, 0, 0, 3, 4}));

    EXPECT_EQ(VRX_nodeDefinition::InsertZeroItem(m, 2, 0), kOutOfRange);
    EXPECT_EQ(VRX_nodeDefinition::InsertZeroItem(m, 1, 3), kOutOfRange);
    EXPECT_EQ(VRX_nodeDefinition::InsertZeroItem(m, 1, -1), kOutOfRange);
    EXPECT_EQ(Entries(m), (std::vector<double>{1, 2, 3, 4}));
}
