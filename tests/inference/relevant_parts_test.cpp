// Relevant parts: barren removal, deterministic spreading of evidence, cut evidence arcs, summed roots,
// the split into parts, the part view, and walks over networks far deeper than a small stack.
#include "inference/relevant_parts.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include <string>
#include <vector>

#include "base/status_codes.h"
#include "inference/part_view.h"
#include "tests/support/address_space.h"
#include "tests/support/sanitizer.h"
#include "tests/support/whole_part.h"

using vovido::RelevantPartList;

namespace {

using vovido::test::AddressSpaceInUse;
using vovido::test::Entries;
using vovido::test::Ids;
using vovido::test::Shape;
using vovido::test::TestNetwork;

std::unique_ptr<RelevantPartList> Find(VRX_network& net, bool pruneRoots = true, bool absorbEvidence = true) {
    int status = -1;
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(net, pruneRoots, absorbEvidence, &status);
    EXPECT_EQ(status, kSuccess);
    EXPECT_NE(parts, nullptr);
    return parts;
}

TEST(RelevantParts, NetworkWithoutNodesGivesNone) {
    VRX_network net;
    int status = -1;
    EXPECT_EQ(FindRelevantParts(net, true, true, &status), nullptr);
    EXPECT_EQ(status, kSuccess);
}

TEST(RelevantParts, WithoutTargetsThePartsAreTheComponentsAfterCuttingEvidenceArcs) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B", 3), c = t.Add("C"), d = t.Add("D");
    t.Arcs({{a, b}, {b, c}});
    t.Table(c, {0.1, 0.9, 0.2, 0.8, 0.3, 0.7});
    t.Observe(b, 1);
    (void)d;

    auto parts = Find(t.net);
    // Nothing is barren or summed away: every node counts as a target.
    ASSERT_EQ(parts->size(), 3u);
    EXPECT_EQ(Ids(*(*parts)[0]), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Ids(*(*parts)[1]), (std::vector<std::string>{"C"}));
    EXPECT_EQ(Ids(*(*parts)[2]), (std::vector<std::string>{"D"}));
    EXPECT_EQ((*parts)[0]->evidenceCount, 1);
    EXPECT_EQ((*parts)[1]->evidenceCount, 0);
    // The observed record keeps its parent; its child lost the arc and took the slice at the outcome.
    const RelevanceNode* rb = (*parts)[0]->records[1];
    EXPECT_EQ(rb->parents.GetCount(), 1);
    EXPECT_TRUE(rb->children.IsEmpty());
    const RelevanceNode* rc = (*parts)[1]->records[0];
    EXPECT_TRUE(rc->parents.IsEmpty());
    EXPECT_EQ(Entries(*rc->table), (std::vector<double>{0.2, 0.8}));
    EXPECT_EQ(rc->graph, (*parts)[1].get());
    EXPECT_EQ(t.net.GetNumberOfTargets(), 0);
    EXPECT_EQ(t.net.IsTarget(a), 0);
}

TEST(RelevantParts, BarrenDescendantsDisappearChainWise) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B"), c = t.Add("C"), d = t.Add("D"), e = t.Add("E"), f = t.Add("F");
    t.Arcs({{a, b}, {b, c}, {c, d}});
    // E stays: it leads to the observed F, which keeps A's side relevant.
    t.Arcs({{a, e}, {e, f}});
    t.Observe(f, 0);
    ASSERT_EQ(t.net.SetTarget(a), kSuccess);

    auto parts = Find(t.net, false, false);
    ASSERT_EQ(parts->size(), 1u);
    EXPECT_EQ(Ids(*(*parts)[0]), (std::vector<std::string>{"A", "E", "F"}));
    EXPECT_EQ(t.net.GetNumberOfTargets(), 1);
    EXPECT_EQ(t.net.IsTarget(a), 1);
    (void)b;
    (void)c;
    (void)d;
    (void)e;
}

// Only the targets, the observed nodes and their ancestors are read: the rest would be barren.
TEST(RelevantParts, OnlyTargetsObservedNodesAndTheirAncestorsAreRead) {
    const struct {
        std::vector<const char*> targets;
        bool observeD;
        int read;
    } cases[] = {{{"B"}, false, 2}, {{"B"}, true, 5}, {{"E"}, false, 1}, {{}, false, 5}, {{}, true, 5}};
    for (const auto& c : cases) {
        TestNetwork t;
        const int a = t.Add("A"), b = t.Add("B"), cc = t.Add("C"), d = t.Add("D"), e = t.Add("E");
        t.Arcs({{a, b}, {b, cc}, {cc, d}, {e, d}});
        if (c.observeD) t.Observe(d, 0);
        for (const char* id : c.targets) ASSERT_EQ(t.net.SetTarget(t.net.FindNode(id)), kSuccess);
        int status = -1;
        int read = -1;
        const auto parts = FindRelevantParts(t.net, true, true, &status, true, &read);
        ASSERT_NE(parts, nullptr);
        EXPECT_EQ(status, kSuccess);
        EXPECT_EQ(read, c.read) << c.targets.size() << c.observeD;
        if (c.targets.empty()) continue;
        // The same from seeds that name the targets and, as candidates, nodes that may hold evidence.
        vovido::RelevanceSeeds seeds;
        for (const char* id : c.targets) seeds.targets.push_back(t.net.FindNode(id));
        seeds.evidence = {d, e};
        seeds.position.assign(static_cast<size_t>(t.net.GetNumberOfSlots()), -1);
        read = -1;
        const auto seeded = FindRelevantParts(t.net, true, true, &status, true, &read, &seeds);
        ASSERT_NE(seeded, nullptr);
        EXPECT_EQ(read, c.read);
        ASSERT_EQ(seeded->size(), parts->size());
        for (size_t i = 0; i < parts->size(); i++) EXPECT_EQ(Ids(*(*seeded)[i]), Ids(*(*parts)[i]));
        EXPECT_EQ(seeds.position, std::vector<int>(seeds.position.size(), -1));
    }
}

TEST(RelevantParts, DeterministicChildOfAnObservedParentBecomesObserved) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B", 3), c = t.Add("C");
    t.Arcs({{a, b}, {b, c}});
    t.Table(b, {0.5, 0.5, 0, 0, 0, 1});  // A = 1 forces B = 2
    t.Table(c, {0.1, 0.9, 0.2, 0.8, 0.3, 0.7});
    t.Observe(a, 1);
    ASSERT_EQ(t.net.SetTarget(c), kSuccess);
    ASSERT_EQ(t.net.SetTarget(b), kSuccess);

    auto parts = Find(t.net);
    // B is answered at once as an observed one-record part; C keeps the slice at B = 2.
    EXPECT_EQ(t.Beliefs(b), (std::vector<double>{0, 0, 1}));
    EXPECT_TRUE(t.Value(b)->IsUpToDate());
    EXPECT_FALSE(t.Value(b)->HasEvidence());
    ASSERT_EQ(parts->size(), 1u);
    EXPECT_EQ(Ids(*(*parts)[0]), (std::vector<std::string>{"C"}));
    EXPECT_EQ(Entries(*(*parts)[0]->records[0]->table), (std::vector<double>{0.3, 0.7}));

    // Without spreading, B stays unobserved and is solved with the slice of A.
    t.Value(b)->SetValueFlag(ValueFlags::kUpToDate, false);
    auto plain = Find(t.net, true, false);
    ASSERT_EQ(plain->size(), 1u);
    EXPECT_EQ(Ids(*(*plain)[0]), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(Entries(*(*plain)[0]->records[0]->table), (std::vector<double>{0, 0, 1}));
    EXPECT_FALSE(t.Value(b)->IsUpToDate());
}

TEST(RelevantParts, ObservedChildPossibleUnderOneParentOutcomeMakesTheParentObserved) {
    TestNetwork t;
    const int a = t.Add("A", 3), b = t.Add("B"), x = t.Add("X");
    t.Arcs({{a, b}, {x, a}});
    t.Table(b, {1, 0, 1, 0, 0.3, 0.7});  // B = 1 only under A = 2
    t.Observe(b, 1);
    ASSERT_EQ(t.net.SetTarget(a), kSuccess);
    ASSERT_EQ(t.net.SetTarget(x), kSuccess);

    auto parts = Find(t.net);
    EXPECT_EQ(t.Beliefs(a), (std::vector<double>{0, 0, 1}));
    EXPECT_TRUE(t.Value(a)->IsUpToDate());
    // The observed A keeps its parent X; B, left without neighbours and untargeted, belongs to no part.
    ASSERT_EQ(parts->size(), 1u);
    EXPECT_EQ(Ids(*(*parts)[0]), (std::vector<std::string>{"A", "X"}));

    // Two possible parent outcomes: nothing is concluded.
    t.Table(b, {1, 0, 0.5, 0.5, 0.3, 0.7});
    t.Value(a)->SetValueFlag(ValueFlags::kUpToDate, false);
    auto open = Find(t.net);
    EXPECT_FALSE(t.Value(a)->IsUpToDate());
    ASSERT_EQ(open->size(), 1u);
    const RelevanceNode* ra = (*open)[0]->records[0];
    EXPECT_EQ(ra->evidence, -1);
}

TEST(RelevantParts, ObservedTargetAloneIsAnsweredAtOnce) {
    TestNetwork t;
    const int a = t.Add("A", 3), b = t.Add("B");
    t.Arc(a, b);
    t.Observe(a, 2);
    ASSERT_EQ(t.net.SetTarget(a), kSuccess);

    auto parts = Find(t.net);
    EXPECT_TRUE(parts->empty());
    EXPECT_EQ(t.Beliefs(a), (std::vector<double>{0, 0, 1}));
    EXPECT_TRUE(t.Value(a)->IsUpToDate());
    (void)b;
}

TEST(RelevantParts, ChainOfRootsIsSummedIntoTheTarget) {
    TestNetwork t;
    const int r1 = t.Add("R1"), r2 = t.Add("R2"), target = t.Add("T");
    t.Arcs({{r1, r2}, {r2, target}});
    t.Table(r1, {0.3, 0.7});
    t.Table(r2, {0.9, 0.1, 0.2, 0.8});
    const std::vector<double> tTable = {0.6, 0.4, 0.1, 0.9};
    t.Table(target, tTable);
    ASSERT_EQ(t.net.SetTarget(target), kSuccess);

    auto parts = Find(t.net);
    ASSERT_EQ(parts->size(), 1u);
    ASSERT_EQ(Ids(*(*parts)[0]), (std::vector<std::string>{"T"}));
    // P(R2) = (0.3 * 0.9 + 0.7 * 0.2, 0.3 * 0.1 + 0.7 * 0.8) = (0.41, 0.59);
    // P(T) = (0.41 * 0.6 + 0.59 * 0.1, 0.41 * 0.4 + 0.59 * 0.9) = (0.305, 0.695).
    const VRX_Dmatrix& table = *(*parts)[0]->records[0]->table;
    ASSERT_EQ(Shape(table), (std::vector<int>{2}));
    EXPECT_NEAR(table[0], 0.305, 1e-12);
    EXPECT_NEAR(table[1], 0.695, 1e-12);
    EXPECT_EQ(Entries(t.Definition(target)), tTable);

    // Without pruneRoots the roots stay in the part.
    auto kept = Find(t.net, false, true);
    ASSERT_EQ(kept->size(), 1u);
    EXPECT_EQ(Ids(*(*kept)[0]), (std::vector<std::string>{"R1", "R2", "T"}));
}

TEST(RelevantParts, RecordsCutOffFromEveryTargetBelongToNoPart) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B", 3), c = t.Add("C");
    t.Arcs({{a, b}, {b, c}});
    t.Table(c, {0.1, 0.9, 0.2, 0.8, 0.3, 0.7});
    t.Observe(b, 0);
    ASSERT_EQ(t.net.SetTarget(c), kSuccess);

    auto parts = Find(t.net, false, true);
    ASSERT_EQ(parts->size(), 1u);
    EXPECT_EQ(Ids(*(*parts)[0]), (std::vector<std::string>{"C"}));
    EXPECT_EQ(Entries(*(*parts)[0]->records[0]->table), (std::vector<double>{0.1, 0.9}));
    EXPECT_EQ((*parts)[0]->GetBlock()->GetLiveRecords(), 1);
    (void)a;
}

TEST(RelevantParts, NoisyMaxFactorRecordsJoinTheirParentsParts) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B"), y = t.Add("Y", 2, DefinitionType::kNoisyMax);
    t.Arcs({{a, y}, {b, y}});
    ASSERT_EQ(t.net.userProperties.AddProperty("VRX_NOISYMAXRELEVANCE", "1"), 0);
    t.Observe(y, 1);
    ASSERT_EQ(t.net.SetTarget(a), kSuccess);
    ASSERT_EQ(t.net.SetTarget(b), kSuccess);

    auto parts = Find(t.net, true, false);
    // Y's observation splits into one observed factor per parent: two independent parts.
    ASSERT_EQ(parts->size(), 2u);
    EXPECT_EQ(Ids(*(*parts)[0]), (std::vector<std::string>{"A", "-"}));
    EXPECT_EQ(Ids(*(*parts)[1]), (std::vector<std::string>{"B", "-"}));
    EXPECT_EQ((*parts)[0]->evidenceCount, 1);

    PartView view(*(*parts)[0]);
    EXPECT_EQ(view.GetNodeHandle(1), -1);
    EXPECT_EQ(view.GetNumberOfOutcomes(1), 2);
    EXPECT_EQ(view.GetEvidence(1), 1);
    EXPECT_FALSE(view.IsRequested(1));
    EXPECT_EQ(view.GetBeliefBuffer(1), nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Part view

TEST(PartViewTest, IndicesCountsAndBeliefs) {
    TestNetwork t;
    const int c = t.Add("C"), a = t.Add("A", 3), b = t.Add("B");
    t.Arcs({{a, c}, {b, c}});
    ASSERT_EQ(t.net.SetTarget(c), kSuccess);
    auto parts = Find(t.net, false, true);
    ASSERT_EQ(parts->size(), 1u);
    PartView view(*(*parts)[0]);
    ASSERT_EQ(view.GetStatus(), kSuccess);
    ASSERT_EQ(view.GetNumberOfNodes(), 3);
    EXPECT_EQ(view.GetParentIndices(0), (std::vector<int>{1, 2}));
    EXPECT_EQ(view.GetChildIndices(1), (std::vector<int>{0}));
    EXPECT_EQ(view.GetNumberOfParents(0), 2);
    EXPECT_EQ(view.GetNumberOfChildren(2), 1);
    EXPECT_EQ(view.GetNumberOfOutcomes(1), 3);
    EXPECT_EQ(view.GetNodeHandle(1), a);
    EXPECT_EQ(view.GetNodeTable(0), &t.Definition(c));
    EXPECT_EQ(view.GetEvidence(0), -1);
    EXPECT_TRUE(view.IsRequested(0));
    EXPECT_FALSE(view.IsRequested(1));
    EXPECT_EQ(view.GetNumberOfSamples(), t.net.numSamples);

    double* beliefs = view.GetBeliefBuffer(1);
    ASSERT_NE(beliefs, nullptr);
    beliefs[0] = 0.2;
    beliefs[1] = 0.3;
    beliefs[2] = 0.5;
    view.MarkUpToDate(1);
    EXPECT_EQ(t.Beliefs(a), (std::vector<double>{0.2, 0.3, 0.5}));
    EXPECT_TRUE(t.Value(a)->IsUpToDate());

    ASSERT_EQ(view.SortTopologically(), kSuccess);
    EXPECT_EQ(view.GetNodeHandle(2), c);
    EXPECT_EQ(view.GetParentIndices(2), (std::vector<int>{0, 1}));
    EXPECT_EQ(view.GetChildIndices(0), (std::vector<int>{2}));
    (void)b;
}

TEST(PartViewTest, NeighboursOutsideThePartAreMarked) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B");
    t.Arc(a, b);
    RelevanceGraph graph(t.net, true);
    // A view over a graph whose second record was dropped without unlinking it.
    RelevanceNode* second = graph.records[1];
    graph.records.pop_back();
    PartView view(graph);
    EXPECT_EQ(view.GetChildIndices(0), (std::vector<int>{PartView::kOutsidePart}));
    graph.records.push_back(second);
    ASSERT_EQ(view.Refresh(), kSuccess);
    EXPECT_EQ(view.GetChildIndices(0), (std::vector<int>{1}));
    EXPECT_TRUE(view.IsRequested(1));  // no target: every node is requested
}

// ---------------------------------------------------------------------------------------------------
// Deep networks on a small stack

constexpr int kChainLength = 10000;

// FindRelevantParts (and a sort of the first part) on a chain, run on a small stack.
struct ChainRun {
    ChainRun(VRX_network* n, bool prune) : net(n), pruneRoots(prune) {}
    void RunOnSmallStack() {
        vovido::test::RunOnSmallStack([this] {
            parts = FindRelevantParts(*net, pruneRoots, true, &status);
            if (parts != nullptr && !parts->empty()) sortStatus = (*parts)[0]->SortTopologically();
        });
    }

    VRX_network* net;
    bool pruneRoots;
    int status = -1;
    std::unique_ptr<RelevantPartList> parts;
    int sortStatus = -1;
};

class DeepChain : public ::testing::Test {
protected:
    // N0 <- N1 <- ... <- N9999 in slot order, so that every sort walks the whole chain upwards. Built once:
    // each test leaves it without targets and evidence, with uniform tables.
    static void SetUpTestSuite() {
        t = new TestNetwork();
        handles.resize(kChainLength);
        for (int i = 0; i < kChainLength; i++) handles[i] = t->Add(("N" + std::to_string(i)).c_str());
        for (int i = kChainLength - 1; i > 0; i--) t->Arc(handles[i], handles[i - 1]);
    }
    static void TearDownTestSuite() {
        delete t;
        t = nullptr;
    }

    static TestNetwork* t;
    static std::vector<int> handles;
};

TestNetwork* DeepChain::t = nullptr;
std::vector<int> DeepChain::handles;

TEST_F(DeepChain, BarrenChainAndSummedRootChain) {
    // Target in the middle: the lower half is barren, the upper half is summed away root by root.
    ASSERT_EQ(t->net.SetTarget(handles[kChainLength / 2]), kSuccess);
    ChainRun run{&t->net, true};
    run.RunOnSmallStack();
    t->net.ClearAllTargets();
    ASSERT_EQ(run.status, kSuccess);
    ASSERT_EQ(run.parts->size(), 1u);
    EXPECT_EQ((*run.parts)[0]->GetNumberOfRecords(), 1);
    EXPECT_EQ(Entries(*(*run.parts)[0]->records[0]->table), (std::vector<double>{0.5, 0.5}));
}

TEST_F(DeepChain, EvidenceSpreadsDownAndComponentsSpanTheChain) {
    // Identity tables: the observation at the top fixes every node below it, one after another.
    for (int i = 0; i < kChainLength - 1; i++) t->Table(handles[i], {1, 0, 0, 1});
    t->Observe(handles[kChainLength - 1], 1);
    ChainRun run{&t->net, false};
    run.RunOnSmallStack();
    ASSERT_EQ(t->Value(handles[kChainLength - 1])->ClearEvidence(), kSuccess);
    for (int i = 0; i < kChainLength - 1; i++) t->Table(handles[i], {0.5, 0.5, 0.5, 0.5});
    ASSERT_EQ(run.status, kSuccess);
    EXPECT_TRUE(run.parts->empty());
    EXPECT_EQ(t->Beliefs(handles[0]), (std::vector<double>{0, 1}));

    // Without evidence and without targets the whole chain is one part, sorted parents first.
    ChainRun whole{&t->net, false};
    whole.RunOnSmallStack();
    ASSERT_EQ(whole.status, kSuccess);
    ASSERT_EQ(whole.parts->size(), 1u);
    ASSERT_EQ(whole.sortStatus, kSuccess);
    const RelevanceGraph& part = *(*whole.parts)[0];
    ASSERT_EQ(part.GetNumberOfRecords(), kChainLength);
    EXPECT_EQ(part.records.front()->GetHandle(), handles[kChainLength - 1]);
    EXPECT_EQ(part.records.back()->GetHandle(), handles[0]);
}

// ---------------------------------------------------------------------------------------------------
// Running out of memory (AddressSanitizer reserves its shadow memory up front and cannot run under a
// small address-space limit)

// Calls FindRelevantParts under address-space limits that grow from nothing spare to plenty: every call
// must either succeed with the full answer or report -42 without parts, and never touch the targets.
int SweepMemoryLimits(VRX_network& net, size_t expectedParts) {
    rlimit original{};
    if (getrlimit(RLIMIT_AS, &original) != 0) return 2;
    const long long inUse = AddressSpaceInUse();
    if (inUse < 0) return 3;
    int failures = 0;
    int successes = 0;
    for (long long spare = 0; spare <= (256LL << 20) && successes == 0; spare += 16 << 10) {
        rlimit limited = original;
        limited.rlim_cur = static_cast<rlim_t>(inUse + spare);
        if (setrlimit(RLIMIT_AS, &limited) != 0) return 4;
        int status = 1;
        std::unique_ptr<RelevantPartList> parts = FindRelevantParts(net, true, true, &status);
        const bool failed = status == kOutOfMemory && parts == nullptr;
        const bool solved = status == kSuccess && parts != nullptr && parts->size() == expectedParts;
        parts.reset();
        if (setrlimit(RLIMIT_AS, &original) != 0) return 5;
        if (!failed && !solved) return 6;
        if (net.GetNumberOfTargets() != 0) return 7;
        failures += failed ? 1 : 0;
        successes += solved ? 1 : 0;
    }
    return failures > 0 && successes > 0 ? 0 : 8;
}

TEST(RelevantPartsDeathTest, RunningOutOfMemoryIsReportedNotFatal) {
    if (vovido::test::kUnderAddressSanitizer) GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    // A chain whose evidence spreads to every node, giving one part per node to allocate; two of the
    // nodes stay unobserved.
    TestNetwork t;
    constexpr int n = 2000;
    std::vector<int> handles(n);
    for (int i = 0; i < n; i++) handles[i] = t.Add(("N" + std::to_string(i)).c_str());
    for (int i = 1; i < n; i++) t.Arc(handles[i - 1], handles[i]);
    for (int i = 1; i < n - 2; i++) t.Table(handles[i], {1, 0, 0, 1});
    t.Observe(handles[0], 1);
    EXPECT_EXIT(_exit(SweepMemoryLimits(t.net, 1)), ::testing::ExitedWithCode(0), "");
}

}  // namespace
