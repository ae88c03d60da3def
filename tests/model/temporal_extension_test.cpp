// Temporal types, temporal arcs and definitions, slices and evidence of later slices.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/temporal_extension.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/save_failure.h"

using namespace vovido::test;
using Pairs = std::vector<std::pair<int, int>>;

namespace {

// Plate nodes X and Y (Y -> X inside the slice) and the normal node N -> X.
struct Dynamic {
    VRX_network net;
    int n, y, x;
    Dynamic() {
        n = AddNode(net, DefinitionType::kCpt, "N", {});
        y = AddNode(net, DefinitionType::kCpt, "Y", {});
        x = AddNode(net, DefinitionType::kCpt, "X", {"N", "Y"});
        // Children first: a plate node's children are plate or terminal nodes.
        EXPECT_EQ(net.SetTemporalType(x, TemporalType::kPlate), kSuccess);
        EXPECT_EQ(net.SetTemporalType(y, TemporalType::kPlate), kSuccess);
        EXPECT_EQ(Def(net, "X").SetDefinitionDoubles(Doubles({0.1, 0.9, 0.2, 0.8, 0.3, 0.7, 0.4, 0.6})),
                  kSuccess);
    }
    VRX_temporalExtension& Ext() { return *net.FindTemporalExtension(); }
    std::vector<int> Orders(int h) {
        VRX_intArray out;
        EXPECT_EQ(net.GetTemporalOrders(h, out), kSuccess);
        return Items(out);
    }
    std::vector<int> TemporalParents(int h, int order) {
        VRX_intArray out;
        EXPECT_EQ(net.GetTemporalParents(h, order, out), kSuccess);
        return Items(out);
    }
    Pairs Unrolled(int h, int limit) {
        Pairs out;
        EXPECT_EQ(net.GetUnrolledParents(h, limit, out), kSuccess);
        return out;
    }
    std::vector<double> Table(int h, int order) {
        VRX_Dmatrix* m = static_cast<VRX_cpt&>(*net.GetNode(h)->GetDefinition()).GetTemporalDefinition(order);
        return m != nullptr ? Entries(*m) : std::vector<double>{};
    }
};

}  // namespace

TEST(TemporalExtension, FreshExtensionDefaults) {
    VRX_network net;
    EXPECT_EQ(net.GetSliceCount(), 0);
    EXPECT_EQ(net.GetMaxTemporalOrder(), 0);
    VRX_temporalExtension& ext = *net.GetTemporalExtension();
    VRX_rectangle rect;
    int left = 0, right = 0;
    ext.GetPlate(rect, left, right);
    ExpectSameRectangle(rect, VRX_rectangle(320, 170, 600, 300), "plate");
    EXPECT_EQ(left, 120);
    EXPECT_EQ(right, 120);
    EXPECT_EQ(net.GetSliceCount(), 10);
    EXPECT_EQ(ext.GetMaxTemporalOrder(), -1);
}

TEST(TemporalExtension, SelfArcBuildsDefinitionFromSliceParentsAndOwnTable) {
    Dynamic d;
    ASSERT_EQ(d.net.AddTemporalArc(d.x, d.x, 1), kSuccess);
    EXPECT_TRUE(d.net.TemporalArcExists(d.x, d.x, 1));
    EXPECT_FALSE(d.net.TemporalArcExists(d.x, d.x, 2));
    EXPECT_EQ(d.Unrolled(d.x, 1), (Pairs{{d.n, 0}, {d.y, 0}, {d.x, 1}}));
    EXPECT_EQ(d.TemporalParents(d.x, 1), std::vector<int>{d.x});
    Pairs children;
    ASSERT_EQ(d.net.GetTemporalChildren(d.x, children), kSuccess);
    EXPECT_EQ(children, (Pairs{{d.x, 1}}));
    // The new dimension (X of the previous slice) repeats the table of slice 0.
    EXPECT_EQ(d.Table(d.x, 1), (std::vector<double>{0.1, 0.9, 0.1, 0.9, 0.2, 0.8, 0.2, 0.8, 0.3, 0.7, 0.3,
                                                    0.7, 0.4, 0.6, 0.4, 0.6}));
    EXPECT_EQ(d.net.GetMaxTemporalOrder(), 1);
    EXPECT_EQ(d.net.GetMaxNodeTemporalOrder(d.x), 1);
}

TEST(TemporalExtension, RefusalsChangeNothing) {
    Dynamic d;
    ASSERT_EQ(d.net.AddTemporalArc(d.y, d.x, 1), kSuccess);
    struct Case {
        int parent, child, order;
    };
    for (const Case& c : {Case{d.y, d.x, 1}, Case{d.y, d.x, 0}, Case{d.y, d.x, -3}, Case{d.n, d.x, 1},
                          Case{d.x, d.n, 1}, Case{99, d.x, 1}, Case{d.y, -1, 2}}) {
        EXPECT_EQ(d.net.AddTemporalArc(c.parent, c.child, c.order), kOutOfRange)
            << c.parent << c.child << c.order;
    }
    EXPECT_EQ(d.net.RemoveTemporalArc(d.y, d.x, 2), kOutOfRange);
    EXPECT_EQ(d.net.RemoveTemporalArc(d.x, d.x, 1), kOutOfRange);
    EXPECT_EQ(d.Orders(d.x), std::vector<int>{1});
    EXPECT_EQ(d.TemporalParents(d.x, 1), std::vector<int>{d.y});
    EXPECT_EQ(d.Ext().GetDefinitionNetwork().GetNumberOfNodes(), 4);  // N, Y copies; Y again; the definition
}

// A temporal arc the kinds at its ends do not take is refused naming the caller's nodes, not the nodes that
// hold the temporal tables; refused edits of a static network leave it static.
TEST(TemporalExtension, RefusedTemporalEditsNameTheNodesAndKeepAStaticNetworkStatic) {
    Dynamic d;
    const int m = AddNode(d.net, DefinitionType::kDeMorgan, "M", {});
    ASSERT_EQ(d.net.SetTemporalType(m, TemporalType::kPlate), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(d.net.AddTemporalArc(d.y, m, 1), kWrongNodeType);
    EXPECT_EQ(LogDump(),
              "-51 ERROR: Node [M] : a temporal arc from [Y] is refused: a DeMorgan node does not "
              "take a chance node as a parent\n");
    EXPECT_TRUE(d.Orders(m).empty());

    VRX_network plain;
    const int a = AddNode(plain, DefinitionType::kCpt, "A", {});
    AddNode(plain, DefinitionType::kCpt, "B", {"A"});
    for (const int type : {TemporalType::kPlate, TemporalType::kTerminal})
        EXPECT_NE(plain.SetTemporalType(a, type), kSuccess) << type;
    EXPECT_NE(plain.AddTemporalArc(a, a, 1), kSuccess);
    EXPECT_NE(plain.RemoveTemporalArc(a, a, 1), kSuccess);
    EXPECT_EQ(plain.FindTemporalExtension(), nullptr);
    EXPECT_EQ(plain.GetSliceCount(), 0);
}

// A change of kind and back keeps a plate node's temporal arc from itself where the kinds take it (both
// ends change together), with its full table; a kind without outcomes loses it, with one warning.
TEST(TemporalExtension, KindChangesOfAPlateNodeKeepItsTemporalArcWhereTheKindTakesIt) {
    struct Case {
        int kind;
        bool kept;
    };
    const Case cases[] = {{DefinitionType::kCast, true},       {DefinitionType::kDeMorgan, true},
                          {DefinitionType::kNoisyMax, true},   {DefinitionType::kNoisyAdder, true},
                          {DefinitionType::kTruthTable, true}, {DefinitionType::kEquation, false},
                          {DefinitionType::kTable, false}};
    for (const Case& c : cases) {
        VRX_network net;
        const int r = AddNode(net, DefinitionType::kCpt, "R", {});
        ASSERT_EQ(net.SetTemporalType(r, TemporalType::kPlate), kSuccess);
        ASSERT_EQ(net.AddTemporalArc(r, r, 1), kSuccess);
        errorLog.Flush();
        ASSERT_EQ(net.GetNode(r)->ChangeType(c.kind), kSuccess) << c.kind;
        EXPECT_EQ(net.TemporalArcExists(r, r, 1), c.kept) << c.kind;
        EXPECT_EQ(LogDump().find("removed a temporal arc into or out of it") != std::string::npos, !c.kept)
            << c.kind << LogDump();
        ASSERT_EQ(net.GetNode(r)->ChangeType(DefinitionType::kCpt), kSuccess) << c.kind << LogDump();
        EXPECT_EQ(net.TemporalArcExists(r, r, 1), c.kept) << c.kind;
        const VRX_doubleArray* table = net.GetNode(r)->GetDefinition()->GetTemporalDefinition(1);
        EXPECT_EQ(table != nullptr ? table->GetCount() : 0, c.kept ? 4 : 0) << c.kind;
    }
}

// X's temporal table over N, Y, X and Y of the slice before (32 cells) is past the ceiling: the arc is
// refused naming X, not the definition node that holds the table, and nothing changes.
TEST(TemporalExtension, ATemporalTableMemoryCannotHoldNamesTheNode) {
    Dynamic d;
    ASSERT_EQ(d.net.AddTemporalArc(d.x, d.x, 1), kSuccess);
    errorLog.Flush();
    {
        BufferCeiling ceiling(16);
        EXPECT_EQ(d.net.AddTemporalArc(d.y, d.x, 1), kOutOfMemory);
    }
    EXPECT_EQ(LoggedMessages(),
              std::vector<std::string>{"ERROR: Node [X] : no memory for its temporal table of 32 cells"});
    EXPECT_EQ(d.TemporalParents(d.x, 1), std::vector<int>{d.x});
    errorLog.Flush();
}

TEST(TemporalExtension, OrdinaryAndTemporalParentGetTwoCopies) {
    Dynamic d;
    ASSERT_EQ(d.net.AddTemporalArc(d.y, d.x, 1), kSuccess);
    const VRX_network& defs = d.Ext().GetDefinitionNetwork();
    const int definition = d.Ext().GetTemporalDefinition(d.x, 1)->GetHandle();
    const VRX_intArray& parents = defs.GetParents(definition);
    ASSERT_EQ(parents.GetCount(), 3);
    EXPECT_NE(parents[1], parents[2]);
    EXPECT_EQ(d.Unrolled(d.x, 5), (Pairs{{d.n, 0}, {d.y, 0}, {d.y, 1}}));
}

TEST(TemporalExtension, OrdersOneAndThree) {
    Dynamic d;
    ASSERT_EQ(d.net.AddTemporalArc(d.x, d.x, 3), kSuccess);
    ASSERT_EQ(d.net.AddTemporalArc(d.y, d.x, 1), kSuccess);
    EXPECT_EQ(d.Orders(d.x), (std::vector<int>{1, 3}));
    EXPECT_TRUE(d.TemporalParents(d.x, 2).empty());
    EXPECT_EQ(d.TemporalParents(d.x, 3), std::vector<int>{d.x});
    EXPECT_EQ(d.Unrolled(d.x, 2), (Pairs{{d.n, 0}, {d.y, 0}, {d.y, 1}}));
    EXPECT_EQ(d.Unrolled(d.x, 3), (Pairs{{d.n, 0}, {d.y, 0}, {d.y, 1}, {d.x, 3}}));
    EXPECT_EQ(d.net.GetMaxTemporalOrder(), 3);
    Pairs children;
    ASSERT_EQ(d.net.GetTemporalChildren(d.y, children), kSuccess);
    EXPECT_EQ(children, (Pairs{{d.x, 1}}));  // once, at its own order
    // Removing the order-3 arc drops that definition; the cached largest order follows.
    ASSERT_EQ(d.net.RemoveTemporalArc(d.x, d.x, 3), kSuccess);
    EXPECT_EQ(d.Orders(d.x), std::vector<int>{1});
    EXPECT_EQ(d.net.GetMaxTemporalOrder(), 1);
    ASSERT_EQ(d.net.RemoveTemporalArc(d.y, d.x, 1), kSuccess);
    EXPECT_TRUE(d.Orders(d.x).empty());
    EXPECT_EQ(d.net.GetMaxTemporalOrder(), -1);
    EXPECT_EQ(d.Ext().GetDefinitionNetwork().GetNumberOfNodes(), 0);
}

TEST(TemporalExtension, DeletingTheOnlyTemporalParentDropsEveryOrder) {
    Dynamic d;
    const int z = AddNode(d.net, DefinitionType::kCpt, "Z", {});
    ASSERT_EQ(d.net.SetTemporalType(z, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(d.net.AddTemporalArc(z, d.x, 1), kSuccess);
    ASSERT_EQ(d.net.AddTemporalArc(z, d.x, 2), kSuccess);
    ASSERT_EQ(d.net.GetNode(z)->GetValue()->SetTemporalEvidence(2, 1), kSuccess);
    ASSERT_EQ(d.net.DeleteNode(z), kSuccess);
    EXPECT_TRUE(d.Orders(d.x).empty());
    EXPECT_EQ(d.Ext().GetTemporalEvidence(z, 2), kOutOfRange);
    EXPECT_EQ(d.Ext().GetDefinitionNetwork().GetNumberOfNodes(), 0);
}

TEST(TemporalExtension, TypeChangesFollowTheArcRules) {
    Dynamic d;
    ASSERT_EQ(d.net.AddTemporalArc(d.y, d.x, 1), kSuccess);
    const int t = AddNode(d.net, DefinitionType::kCpt, "T", {});
    ASSERT_EQ(d.net.SetTemporalType(t, TemporalType::kTerminal), kSuccess);
    ASSERT_EQ(d.net.AddArc(d.x, t), kSuccess);
    EXPECT_EQ(d.net.SetTemporalType(d.x, TemporalType::kNormal), kOutOfRange);    // temporal arc in
    EXPECT_EQ(d.net.SetTemporalType(d.y, TemporalType::kNormal), kOutOfRange);    // temporal arc out
    EXPECT_EQ(d.net.SetTemporalType(d.y, TemporalType::kTerminal), kOutOfRange);  // plate child
    EXPECT_EQ(d.net.SetTemporalType(d.y, 7), kInvalidData);
    EXPECT_EQ(d.net.SetTemporalType(t, TemporalType::kNormal), kOutOfRange);  // plate parent
    EXPECT_EQ(d.net.SetTemporalType(t, TemporalType::kPlate), kSuccess);
    EXPECT_EQ(d.net.SetTemporalType(t, TemporalType::kTerminal), kSuccess);
    EXPECT_EQ(d.net.SetTemporalType(d.n, TemporalType::kTerminal), kOutOfRange);  // plate child X
    EXPECT_EQ(d.net.GetTemporalType(d.y), TemporalType::kPlate);
    EXPECT_EQ(d.net.AddArc(t, AddNode(d.net, DefinitionType::kCpt, "Q", {})), kWrongNodeType);
}

TEST(TemporalExtension, AnchorParentLeavesTheTemporalDefinitions) {
    Dynamic d;
    ASSERT_EQ(d.net.AddTemporalArc(d.x, d.x, 1), kSuccess);
    // N becomes an anchor: its dimension leaves the definition, keeping the slice of its first outcome.
    ASSERT_EQ(d.net.SetTemporalType(d.n, TemporalType::kAnchor), kSuccess);
    EXPECT_EQ(d.Unrolled(d.x, 1), (Pairs{{d.y, 0}, {d.x, 1}}));
    EXPECT_EQ(d.Table(d.x, 1), (std::vector<double>{0.1, 0.9, 0.1, 0.9, 0.2, 0.8, 0.2, 0.8}));
    // Back to normal: N takes its place before Y again.
    ASSERT_EQ(d.net.SetTemporalType(d.n, TemporalType::kNormal), kSuccess);
    EXPECT_EQ(d.Unrolled(d.x, 1), (Pairs{{d.n, 0}, {d.y, 0}, {d.x, 1}}));
    // A definition made while N is an anchor starts from X's own table without N's dimension.
    ASSERT_EQ(d.net.RemoveTemporalArc(d.x, d.x, 1), kSuccess);
    ASSERT_EQ(d.net.SetTemporalType(d.n, TemporalType::kAnchor), kSuccess);
    ASSERT_EQ(d.net.AddTemporalArc(d.y, d.x, 2), kSuccess);
    EXPECT_EQ(d.Table(d.x, 2), (std::vector<double>{0.1, 0.9, 0.1, 0.9, 0.2, 0.8, 0.2, 0.8}));
}

TEST(TemporalExtension, DefinitionsFollowOrdinaryArcsAndOutcomes) {
    Dynamic d;
    ASSERT_EQ(d.net.AddTemporalArc(d.x, d.x, 1), kSuccess);
    const int m = AddNode(d.net, DefinitionType::kCpt, "M", {});
    ASSERT_EQ(d.net.AddArc(m, d.x), kSuccess);
    EXPECT_EQ(d.Unrolled(d.x, 1), (Pairs{{d.n, 0}, {d.y, 0}, {m, 0}, {d.x, 1}}));
    ASSERT_EQ(d.net.RemoveArc(d.y, d.x), kSuccess);
    EXPECT_EQ(d.Unrolled(d.x, 1), (Pairs{{d.n, 0}, {m, 0}, {d.x, 1}}));
    ASSERT_EQ(Def(d.net, "X").AddOutcome("third"), kSuccess);
    VRX_Dmatrix* table = static_cast<VRX_cpt&>(Def(d.net, "X")).GetTemporalDefinition(1);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(Shape(*table), (std::vector<int>{2, 2, 3, 3}));
    ASSERT_EQ(Def(d.net, "X").RemoveOutcome(0), kSuccess);
    EXPECT_EQ(Shape(*static_cast<VRX_cpt&>(Def(d.net, "X")).GetTemporalDefinition(1)),
              (std::vector<int>{2, 2, 2, 2}));
}

// A new outcome set would leave the temporal tables over the node's outcomes stale: it is refused like
// one of a node with children, for the temporal parent and for the child with the temporal tables.
TEST(TemporalExtension, ANewOutcomeSetIsRefusedWhileTemporalTablesDependOnIt) {
    VRX_network net;
    const int a = AddNode(net, DefinitionType::kCpt, "A", {});
    const int b = AddNode(net, DefinitionType::kCpt, "B", {});
    for (int h : {a, b}) ASSERT_EQ(net.SetTemporalType(h, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(net.AddTemporalArc(a, b, 1), kSuccess);
    for (const char* id : {"A", "B"}) {
        EXPECT_EQ(Def(net, id).SetNumberOfOutcomes(3), kNodeHasChildren) << id;
        EXPECT_EQ(Def(net, id).GetNumberOfOutcomes(), 2) << id;
    }
    EXPECT_EQ(Shape(*static_cast<VRX_cpt&>(Def(net, "B")).GetTemporalDefinition(1)),
              (std::vector<int>{2, 2}));
    ASSERT_EQ(net.RemoveTemporalArc(a, b, 1), kSuccess);
    EXPECT_EQ(Def(net, "B").SetNumberOfOutcomes(3), kSuccess);
}

TEST(TemporalExtension, SliceCountAndEvidenceOfLaterSlices) {
    Dynamic d;
    VRX_nodeValue& x = *d.net.GetNode(d.x)->GetValue();
    EXPECT_EQ(d.net.GetNode(d.n)->GetValue()->SetTemporalEvidence(1, 0), kWrongNodeType);
    EXPECT_EQ(x.SetTemporalEvidence(10, 0), kOutOfRange);  // past the last of 10 slices
    EXPECT_EQ(x.SetTemporalEvidence(-1, 0), kOutOfRange);
    EXPECT_EQ(x.SetTemporalEvidence(2, 2), kOutOfRange);
    ASSERT_EQ(x.SetTemporalEvidence(0, 1), kSuccess);
    ASSERT_EQ(x.SetTemporalEvidence(2, 1), kSuccess);
    ASSERT_EQ(x.SetTemporalEvidence(3, 0), kSuccess);
    EXPECT_EQ(x.GetTemporalEvidence(0), 1);
    EXPECT_EQ(x.GetTemporalEvidence(2), 1);
    EXPECT_EQ(x.GetTemporalEvidence(4), kOutOfRange);
    EXPECT_EQ(x.ClearTemporalEvidence(4), kInvalidData);
    EXPECT_EQ(d.net.SetSliceCount(0), kInvalidData);
    EXPECT_EQ(d.net.GetSliceCount(), 10);
    ASSERT_EQ(d.net.SetSliceCount(3), kSuccess);
    EXPECT_TRUE(x.IsTemporalEvidence(2));
    EXPECT_FALSE(x.IsTemporalEvidence(3));
    EXPECT_TRUE(
        Logged(kInvalidData,
               "the evidence of node [X] in slice 3 and after is dropped: the network now has 3 slices"))
        << LogDump();
    // A copy keeps the structure but no evidence of later slices.
    ASSERT_EQ(d.net.AddTemporalArc(d.x, d.x, 1), kSuccess);
    VRX_network copy(d.net);
    EXPECT_EQ(copy.GetSliceCount(), 3);
    EXPECT_TRUE(copy.TemporalArcExists(d.x, d.x, 1));
    EXPECT_FALSE(copy.GetNode(d.x)->GetValue()->IsTemporalEvidence(2));
    VRX_network flat;
    ASSERT_EQ(flat.CopyFrom(d.net, true), kSuccess);
    EXPECT_EQ(flat.FindTemporalExtension(), nullptr);
    EXPECT_EQ(flat.GetTemporalType(d.x), TemporalType::kNormal);
    // Y leaves the plate with its evidence of later slices.
    ASSERT_EQ(d.net.GetNode(d.y)->GetValue()->SetTemporalEvidence(1, 0), kSuccess);
    ASSERT_EQ(d.net.SetTemporalType(d.y, TemporalType::kNormal), kSuccess);
    EXPECT_EQ(d.Ext().GetTemporalEvidence(d.y, 1), kOutOfRange);
    d.net.ClearAllEvidence();
    EXPECT_FALSE(x.HasTemporalEvidence());
    // Likelihoods of a later slice alone go too.
    ASSERT_EQ(d.Ext().SetTemporalVirtualEvidence(d.x, 2, {0.5, 0.5}), kSuccess);
    d.net.ClearAllEvidence();
    EXPECT_FALSE(x.HasTemporalEvidence());
}

TEST(TemporalExtension, NoisyMaxTemporalStrengthsAndWeights) {
    VRX_network net;
    const int y = AddNode(net, DefinitionType::kNoisyMax, "Y", {});
    ASSERT_EQ(Def(net, "Y").SetOutcomes(Strings({"high", "mid", "none"})), kSuccess);
    ASSERT_EQ(net.SetTemporalType(y, TemporalType::kPlate), kSuccess);
    auto& noisy = static_cast<VRX_noisyMAX&>(Def(net, "Y"));
    VRX_noisyMAX::StrengthSequence strengths;
    EXPECT_EQ(noisy.GetTemporalParentOutcomeStrengths(1, strengths), kOutOfRange);  // no definition yet
    ASSERT_EQ(net.AddTemporalArc(y, y, 1), kSuccess);
    ASSERT_EQ(noisy.GetTemporalParentOutcomeStrengths(1, strengths), kSuccess);
    ASSERT_EQ(strengths.size(), 1u);
    EXPECT_EQ(Items(strengths[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(noisy.SetTemporalParentOutcomeStrengths(1, {Ints({0, 0, 1})}), kOutOfRange);  // no permutation
    EXPECT_EQ(noisy.SetTemporalParentOutcomeStrengths(1, {}), kInvalidData);
    ASSERT_EQ(noisy.SetTemporalParentOutcomeStrengths(1, {Ints({2, 0, 1})}), kSuccess);
    ASSERT_EQ(noisy.GetTemporalParentOutcomeStrengths(1, strengths), kSuccess);
    EXPECT_EQ(Items(strengths[0]), (std::vector<int>{2, 0, 1}));
    // The own definition keeps its strengths; the weights of order 1 are their own.
    EXPECT_TRUE(noisy.GetParentOutcomeStrengths().empty());
    VRX_Dmatrix* weights = noisy.GetTemporalCiWeights(1);
    ASSERT_NE(weights, nullptr);
    EXPECT_EQ(noisy.SetTemporalCiWeights(1, Matrix({1, 1}, {1})), kInvalidData);
    EXPECT_EQ(noisy.SetTemporalCiWeights(1, *weights), kSuccess);
    EXPECT_EQ(noisy.SetTemporalCiWeights(2, *weights), kOutOfRange);
}
