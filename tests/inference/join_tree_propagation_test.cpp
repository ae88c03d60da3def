// Join tree tables and propagation: stride programs against coordinate arithmetic, posteriors and the
// probability of evidence against enumeration of the joint, and the failure cases.
#include "inference/join_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "inference/relevant_parts.h"
#include "tests/support/brute_force.h"
#include "tests/support/whole_part.h"

using vovido::RelevantPartList;

namespace {

using namespace vovido::test;

constexpr double kTolerance = 1e-12;

// ---------------------------------------------------------------------------------------------------
// Tables and stride programs

// Position in a table over the variables at positions sub of a table of the given sizes (first
// variable fastest) of the entry at index i of the larger table, by explicit coordinates.
int SubIndex(int i, const std::vector<int>& sizes, const std::vector<int>& sub) {
    std::vector<int> coords(sizes.size());
    for (size_t d = 0; d < sizes.size(); d++) {
        coords[d] = i % sizes[d];
        i /= sizes[d];
    }
    int index = 0, stride = 1;
    for (int d : sub) {
        index += coords[d] * stride;
        stride *= sizes[d];
    }
    return index;
}

TEST(PotentialTableTest, BufferGrowsOnlyAndSumSwapWork) {
    PotentialTable t;
    const int dims23[] = {2, 3};
    ASSERT_EQ(t.SetDimensions(dims23, 2), kSuccess);
    EXPECT_EQ(t.GetCount(), 6);
    EXPECT_EQ(t.GetCapacity(), 6);
    for (int i = 0; i < 6; i++) t.GetEntries()[i] = i + 1;
    EXPECT_EQ(t.Sum(), 21.0);
    const double* buffer = t.GetEntries();
    const int dims4[] = {4};
    ASSERT_EQ(t.SetDimensions(dims4, 1), kSuccess);
    EXPECT_EQ(t.GetEntries(), buffer);
    EXPECT_EQ(t.GetCount(), 4);
    EXPECT_EQ(t.GetCapacity(), 6);
    EXPECT_EQ(t.GetEntries()[3], 4.0);  // entries are not cleared
    PotentialTable u;
    EXPECT_EQ(u.Sum(), 0.0);
    u.Swap(t);
    EXPECT_EQ(u.GetCount(), 4);
    EXPECT_EQ(u.GetDimension(0), 4);
    EXPECT_EQ(t.GetCount(), 0);
    EXPECT_EQ(t.GetEntries(), nullptr);
    const int bad[] = {2, 0};
    EXPECT_EQ(u.SetDimensions(bad, 2), kOutOfRange);
}

TEST(StrideProgramTest, EntriesOfAGapAndARun) {
    PotentialTable t;
    const int dims[] = {2, 3};
    ASSERT_EQ(t.SetDimensions(dims, 2), kSuccess);
    const int list[] = {7, 9};
    const int sub[] = {9};
    StrideProgram p;
    ASSERT_EQ(BuildStrideProgram(t, p, list, 2, sub, 1), kSuccess);
    ASSERT_EQ(p.count, 3);
    EXPECT_EQ(p.entries[0].counter, 1u);
    EXPECT_EQ(p.entries[0].step, 0);
    EXPECT_EQ(p.entries[1].reload, 2u);
    EXPECT_EQ(p.entries[1].step, 1);
    EXPECT_EQ(p.entries[2].counter, 0xFFFFFFFFu);
    EXPECT_EQ(p.entries[2].step, -2);
    const int missing[] = {8};
    EXPECT_EQ(BuildStrideProgram(t, p, list, 2, missing, 1), kOutOfRange);
}

TEST(StrideProgramTest, EmptySublistAddsEverythingIntoEntryZero) {
    PotentialTable t;
    const int dims[] = {3, 2, 2};
    ASSERT_EQ(t.SetDimensions(dims, 3), kSuccess);
    for (int i = 0; i < 12; i++) t.GetEntries()[i] = 0.5 * i;
    const int list[] = {0, 1, 2};
    StrideProgram p;
    ASSERT_EQ(BuildStrideProgram(t, p, list, 3, nullptr, 0), kSuccess);
    ASSERT_EQ(p.count, 1);
    double total = 1.0;
    StrideMarginalize(t.GetEntries(), t.GetCount(), &total, p);
    EXPECT_EQ(total, 1.0 + 33.0);
}

// Every walker against coordinate arithmetic: all sublists of a small table, and random sublists of a
// table of 6144 entries, whose blocks of at most 1024 runs need the carry between them.
TEST(StrideProgramTest, EveryWalkerAgreesWithCoordinates) {
    std::vector<int> large(11, 2);
    large.push_back(3);
    std::mt19937 rng(11);
    for (const std::vector<int>& sizes : {std::vector<int>{2, 3, 1, 4}, large}) {
        const int dims = static_cast<int>(sizes.size());
        std::vector<int> list(dims);
        for (int d = 0; d < dims; d++) list[d] = 10 + d;
        PotentialTable big;
        ASSERT_EQ(big.SetDimensions(sizes.data(), dims), kSuccess);
        const int n = big.GetCount();
        std::vector<double> a(n);
        for (int i = 0; i < n; i++) a[i] = 1.0 + 0.25 * (i % 97);
        for (int round = 0; round < 40; round++) {
            const unsigned mask =
                dims == 4 ? static_cast<unsigned>(round % 16) : static_cast<unsigned>(rng());
            std::vector<int> sub, subList;
            int m = 1;
            for (int d = 0; d < dims; d++) {
                if ((mask >> d) & 1) {
                    sub.push_back(d);
                    subList.push_back(list[d]);
                    m *= sizes[d];
                }
            }
            std::vector<double> b(m), c(m);
            for (int j = 0; j < m; j++) {
                b[j] = 2.0 + j;
                c[j] = j % 3 == 0 ? 0.0 : 0.5 + j;
            }
            StrideProgram p;
            ASSERT_EQ(
                BuildStrideProgram(big, p, list.data(), dims, subList.data(), static_cast<int>(sub.size())),
                kSuccess);
            std::vector<double> marg(m, 0.0), scaled(m, 1.0), copy(n), prod = a, upd = a;
            StrideMarginalize(a.data(), n, marg.data(), p);
            StrideAddScaled(a.data(), n, scaled.data(), 4.0, p);
            StrideCopy(copy.data(), n, b.data(), p);
            StrideMultiply(prod.data(), n, b.data(), p);
            StrideUpdate(upd.data(), n, b.data(), c.data(), p);
            std::vector<double> refMarg(m, 0.0), refScaled(m, 1.0);
            for (int i = 0; i < n; i++) {
                const int j = SubIndex(i, sizes, sub);
                refMarg[j] += a[i];
                refScaled[j] += a[i] / 4.0;
                ASSERT_EQ(copy[i], b[j]) << mask << " " << i;
                ASSERT_EQ(prod[i], a[i] * b[j]) << mask << " " << i;
                ASSERT_EQ(upd[i], c[j] == 0.0 ? 0.0 : a[i] * b[j] / c[j]) << mask << " " << i;
            }
            EXPECT_EQ(marg, refMarg) << mask;
            EXPECT_EQ(scaled, refScaled) << mask;
            // Walks leave the program as it was: a second walk gives the same sums.
            std::vector<double> again(m, 0.0);
            StrideMarginalize(a.data(), n, again.data(), p);
            EXPECT_EQ(again, marg) << mask;
        }
    }
}

// Position-by-position walk exactly as a program describes it: the reference for the walkers.
std::vector<std::ptrdiff_t> LiteralPositions(StrideProgram program, int n) {
    std::vector<std::ptrdiff_t> out;
    std::ptrdiff_t p = 0;
    uint32_t local = program.entries[0].counter;
    for (int i = 0; i < n; i++) {
        out.push_back(p);
        if (local != 0) {
            local--;
            p += program.entries[0].step;
            continue;
        }
        local = program.entries[0].reload;
        int j = 1;
        while (program.entries[j].counter == 0) {
            program.entries[j].counter = program.entries[j].reload;
            j++;
        }
        program.entries[j].counter--;
        p += program.entries[j].step;
    }
    return out;
}

// Every walker over n positions against the literal walk of the program from b and c plus start; the sums
// in the order of the positions.
void ExpectWalkersFollow(const StrideProgram& p, int n, const std::vector<double>& b,
                         const std::vector<double>& c, size_t start, int round) {
    const std::vector<std::ptrdiff_t> pos = LiteralPositions(p, n);
    std::vector<double> a(n);
    for (int i = 0; i < n; i++) a[i] = 0.5 + 1.0 / (3 + i % 1013);
    std::vector<double> copy(n), prod = a, upd = a, marg = b, refMarg = b;
    StrideCopy(copy.data(), n, b.data() + start, p);
    StrideMultiply(prod.data(), n, b.data() + start, p);
    StrideUpdate(upd.data(), n, b.data() + start, c.data() + start, p);
    StrideMarginalize(a.data(), n, marg.data() + start, p);
    for (int i = 0; i < n; i++) {
        const size_t q = static_cast<size_t>(static_cast<std::ptrdiff_t>(start) + pos[i]);
        ASSERT_EQ(copy[i], b[q]) << round << " " << i;
        ASSERT_EQ(prod[i], a[i] * b[q]) << round << " " << i;
        ASSERT_EQ(upd[i], c[q] == 0.0 ? 0.0 : a[i] * b[q] / c[q]) << round << " " << i;
        refMarg[q] += a[i];
    }
    ASSERT_EQ(marg, refMarg) << round;
}

// Entries b[k] and c[k] (c 0.0 at every seventh) of count tables.
void FillTables(size_t count, std::vector<double>& b, std::vector<double>& c) {
    b.resize(count);
    c.resize(count);
    for (size_t k = 0; k < count; k++) {
        b[k] = 1.0 + 0.001 * static_cast<double>(k % 4099);
        c[k] = k % 7 == 0 ? 0.0 : 2.0 - 0.0005 * static_cast<double>(k % 3001);
    }
}

TEST(StrideProgramTest, WalkersFollowArbitraryProgramsPositionByPosition) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> small(0, 3), step(-4, 4), coin(0, 1);
    const int kStart = 1000;
    std::vector<double> b, c;
    FillTables(2 * kStart, b, c);
    for (int round = 0; round < 300; round++) {
        StrideProgram p;
        const int entries = 1 + small(rng);
        for (int j = 0; j < entries; j++) {
            const uint32_t reload = static_cast<uint32_t>(small(rng));
            // Half of the programs start with full counters (as compiled ones do), the others anywhere.
            const uint32_t counter = coin(rng) ? reload : static_cast<uint32_t>(small(rng)) % (reload + 1);
            ASSERT_EQ(p.Append(counter, reload, step(rng)), kSuccess);
        }
        ASSERT_EQ(p.Append(0xFFFFFFFFu, 0xFFFFFFFFu, step(rng)), kSuccess);
        ExpectWalkersFollow(p, 1 + static_cast<int>(rng() % 60), b, c, kStart, round);
    }
}

// Wide tables whose variables the larger table holds in another order: each dimension of the larger table
// (extents, the first fastest) moves the other by its rank's stride there, rank -1 for none.
TEST(StrideProgramTest, WalkersFollowReorderedWideTables) {
    struct Case {
        std::vector<int> extents;
        std::vector<int> rank;
    };
    const std::vector<int> twos(17, 2);
    const std::vector<Case> cases = {
        {twos, {16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
        {{3, 2, 2, 5, 2, 2, 2, 2, 2, 2, 3, 2, 2, 2, 2, 2, 2, 2},
         {-1, 14, 13, 12, 11, 10, 9, 8, 7, 6, -1, 5, 4, 3, 2, -1, 1, 0}},
        {{2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},
         {0, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 15}},
    };
    for (size_t round = 0; round < cases.size(); round++) {
        const Case& t = cases[round];
        const size_t dims = t.extents.size();
        std::vector<std::ptrdiff_t> stride(dims, 0);
        std::ptrdiff_t size = 1;
        for (int r = 0; r < static_cast<int>(dims); r++) {
            for (size_t d = 0; d < dims; d++) {
                if (t.rank[d] != r) continue;
                stride[d] = size;
                size *= t.extents[d];
            }
        }
        StrideProgram p;
        std::ptrdiff_t back = 0;
        int n = 1;
        for (size_t d = 0; d < dims; d++) {
            const uint32_t last = static_cast<uint32_t>(t.extents[d] - 1);
            ASSERT_EQ(p.Append(last, last, static_cast<int32_t>(stride[d] - back)), kSuccess);
            back += last * stride[d];
            n *= t.extents[d];
        }
        ASSERT_EQ(p.Append(0xFFFFFFFFu, 0xFFFFFFFFu, static_cast<int32_t>(-back)), kSuccess);
        std::vector<double> b, c;
        FillTables(static_cast<size_t>(size), b, c);
        ExpectWalkersFollow(p, n, b, c, 0, static_cast<int>(round));
    }
}

// ---------------------------------------------------------------------------------------------------
// Networks

bool IsObserved(const TestNetwork& t, int h) {
    return t.Value(h)->HasEvidence();
}

void ClearUpToDate(TestNetwork& t) {
    for (int h : t.Handles()) t.Value(h)->SetValueFlag(ValueFlags::kUpToDate, false);
}

// Beliefs of every unobserved node (or only of the given ones) against the enumeration.
void ExpectBeliefs(const TestNetwork& t, const Reference& ref, const std::vector<int>& only = {}) {
    for (int h : t.Handles()) {
        if (IsObserved(t, h)) continue;
        if (!only.empty() && std::find(only.begin(), only.end(), h) == only.end()) continue;
        EXPECT_TRUE(t.Value(h)->IsUpToDate()) << "node " << h;
        ExpectNear(t.Beliefs(h), ref.beliefs[h], kTolerance, "node " + std::to_string(h));
    }
}

TEST(JoinTreePropagation, AsiaMatchesEnumerationWithAndWithoutEvidence) {
    Asia a;
    // The enumeration itself agrees with the published posterior of dysp without evidence.
    EXPECT_NEAR(Enumerate(a.t.net).beliefs[a.dysp][0], 0.4359706, 1e-12);
    const std::vector<std::vector<std::pair<int, int>>> cases = {{},
                                                                 {{a.xray, 0}, {a.dysp, 0}},
                                                                 {{a.asia, 0}, {a.smoke, 1}},
                                                                 {{a.either, 0}},
                                                                 {{a.tub, 1}, {a.bronc, 0}}};
    for (const auto& evidence : cases) {
        for (const auto& e : evidence) a.t.Observe(e.first, e.second);
        const Reference ref = Enumerate(a.t.net);
        ClearUpToDate(a.t);
        {
            WholePart part(a.t.net);
            JoinTree tree(part.view);
            ASSERT_TRUE(tree.Run(nullptr, 0));
            EXPECT_EQ(tree.GetLastStatus(), kSuccess);
        }
        ExpectBeliefs(a.t, ref);
        WholePart part(a.t.net);
        JoinTree tree(part.view);
        const double pe = tree.ComputeProbEvidence();
        EXPECT_NEAR(pe, ref.probEvidence, kTolerance * ref.probEvidence);
        for (const auto& e : evidence) ASSERT_EQ(a.t.Value(e.first)->ClearEvidence(), kSuccess);
    }
}

// A random network of n nodes, each with up to three earlier nodes as parents, 2 or 3 outcomes, tables
// with some zeros, and evidence on up to three nodes.
void RandomNetwork(TestNetwork& t, std::mt19937& rng, int n) {
    std::uniform_int_distribution<int> outcomes(2, 3), parentCount(0, 3);
    std::vector<int> h;
    for (int i = 0; i < n; i++) h.push_back(t.Add(("v" + std::to_string(i)).c_str(), outcomes(rng)));
    for (int i = 1; i < n; i++) {
        const int k = std::min(parentCount(rng), i);
        std::vector<int> chosen;
        while (static_cast<int>(chosen.size()) < k) {
            const int p = std::uniform_int_distribution<int>(0, i - 1)(rng);
            if (std::find(chosen.begin(), chosen.end(), p) == chosen.end()) chosen.push_back(p);
        }
        for (int p : chosen) t.Arc(h[p], h[i]);
    }
    t.RandomTables(rng, 0.2);
    const int observed = std::uniform_int_distribution<int>(0, 3)(rng);
    for (int e = 0; e < observed; e++) {
        const int v = h[std::uniform_int_distribution<int>(0, n - 1)(rng)];
        const int k = t.net.GetNode(v)->GetDefinition()->GetNumberOfOutcomes();
        t.Observe(v, std::uniform_int_distribution<int>(0, k - 1)(rng));
    }
}

TEST(JoinTreePropagation, RandomNetworksMatchEnumeration) {
    std::mt19937 rng(20240611);
    int impossible = 0;
    for (int round = 0; round < 40; round++) {
        TestNetwork t;
        RandomNetwork(t, rng, 7 + round % 4);
        const Reference ref = Enumerate(t.net);
        ClearUpToDate(t);
        WholePart part(t.net);
        JoinTree tree(part.view);
        const bool ok = tree.Run(nullptr, 0);
        if (ref.probEvidence == 0.0) {
            impossible++;
            EXPECT_FALSE(ok) << round;
            EXPECT_EQ(tree.GetLastStatus(), kConflictingEvidence) << round;
            EXPECT_EQ(tree.ComputeProbEvidence(), 0.0) << round;
            continue;
        }
        ASSERT_TRUE(ok) << round;
        ExpectBeliefs(t, ref);
        EXPECT_NEAR(tree.ComputeProbEvidence(), ref.probEvidence, kTolerance * ref.probEvidence) << round;
    }
    EXPECT_LT(impossible, 40);
}

// Solves every relevant part the way the exact driver does; false when a join tree fails.
bool SolveParts(VRX_network& net) {
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(net, true, true);
    if (!parts) return true;
    for (auto& part : *parts) {
        if (part->GetNumberOfRecords() == 1) {
            EXPECT_EQ(part->GetRecord(0)->WriteBeliefs(), kSuccess);
            continue;
        }
        PartView view(*part);
        JoinTree tree(view);
        if (!tree.Run(nullptr, 0)) return false;
    }
    return true;
}

TEST(JoinTreePropagation, RelevantPartsGiveTheTargetsPosteriors) {
    std::mt19937 rng(77);
    int compared = 0;
    for (int round = 0; round < 30; round++) {
        TestNetwork t;
        RandomNetwork(t, rng, 8 + round % 3);
        const Reference ref = Enumerate(t.net);
        if (ref.probEvidence == 0.0) continue;
        std::vector<int> targets;
        if (round % 2 == 1) {
            VRX_intArray handles;
            ASSERT_EQ(t.net.GetAllNodes(handles), kSuccess);
            for (int i = 0; i < handles.GetCount(); i += 3) {
                ASSERT_EQ(t.net.SetTarget(handles[i]), kSuccess);
                targets.push_back(handles[i]);
            }
        }
        ClearUpToDate(t);
        ASSERT_TRUE(SolveParts(t.net)) << round;
        ExpectBeliefs(t, ref, targets);
        compared++;
    }
    EXPECT_GT(compared, 20);
}

TEST(JoinTreePropagation, ImpossibleEvidenceFailsAndLeavesBeliefsAlone) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b");
    t.Arc(a, b);
    t.Table(a, {0.3, 0.7});
    t.Table(b, {1.0, 0.0, 1.0, 0.0});
    t.Observe(b, 1);
    VRX_Dmatrix* beliefs = nullptr;
    ASSERT_EQ(t.Value(a)->GetValue(beliefs), kSuccess);
    const int two = 2;
    ASSERT_EQ(beliefs->SetupFromList(&two, 1), kSuccess);
    (*beliefs)[0] = 0.25;
    (*beliefs)[1] = 0.75;
    ClearUpToDate(t);
    errorLog.Flush();
    WholePart part(t.net);
    JoinTree tree(part.view);
    EXPECT_FALSE(tree.Run(nullptr, 0));
    EXPECT_EQ(tree.GetLastStatus(), kConflictingEvidence);
    EXPECT_FALSE(t.Value(a)->IsUpToDate());
    EXPECT_EQ(t.Beliefs(a), (std::vector<double>{0.25, 0.75}));
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kConflictingEvidence);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "Evidence is impossible: its probability is zero, so no beliefs can be computed.");
    // The probability of the evidence is a plain 0, not a failure.
    EXPECT_EQ(tree.ComputeProbEvidence(), 0.0);
    EXPECT_EQ(tree.GetLastStatus(), kSuccess);
    // Also when only the observed node is a target, so that no marginal is read at all.
    ASSERT_EQ(t.net.SetTarget(b), kSuccess);
    EXPECT_FALSE(tree.Run(nullptr, 0));
    EXPECT_EQ(tree.GetLastStatus(), kConflictingEvidence);
}

TEST(JoinTreePropagation, SeparatorOfObservedNodesOnlyExchangesNothingButKeepsTheFactor) {
    // e -> a, e -> b with e observed: the cluster {e, a} holds e's prior but shares no unobserved node.
    TestNetwork t;
    const int e = t.Add("e", 3), a = t.Add("a"), b = t.Add("b");
    t.Arcs({{e, a}, {e, b}});
    t.Table(e, {0.2, 0.5, 0.3});
    t.Table(a, {0.1, 0.9, 0.4, 0.6, 0.7, 0.3});
    t.Table(b, {0.5, 0.5, 0.8, 0.2, 0.35, 0.65});
    t.Observe(e, 2);
    WholePart part(t.net);
    {
        JoinTree tree(part.view);
        ASSERT_TRUE(tree.Build(0));
        ASSERT_EQ(tree.AssignFamilies(), kSuccess);
        ASSERT_EQ(tree.InitializePotentials(), kSuccess);
        EXPECT_EQ(tree.GetCluster(0).GetToSeparator().count, 0);
        EXPECT_EQ(tree.GetCluster(0).GetSeparatorTable().GetCount(), 1);
        tree.FreeClusterTables();
    }
    ClearUpToDate(t);
    JoinTree tree(part.view);
    ASSERT_TRUE(tree.Run(nullptr, 0));
    EXPECT_NEAR(t.Beliefs(a)[0], 0.7, kTolerance);
    EXPECT_NEAR(t.Beliefs(b)[0], 0.35, kTolerance);
    EXPECT_NEAR(tree.ComputeProbEvidence(), 0.3, kTolerance);
    EXPECT_EQ(tree.GetLastStatus(), kSuccess);
}

TEST(JoinTreePropagation, ImpossibleEvidenceInAPieceOfItsOwnIsFound) {
    // e -> a, e -> b -> c with e observed: {a, e} passes nothing to the rest. c observed at an outcome
    // that no b allows makes the evidence impossible in the piece {b, c}, {b, e}, although the smallest
    // cluster {a, e} and the requested node a look fine.
    TestNetwork t;
    const int e = t.Add("e"), a = t.Add("a"), b = t.Add("b", 3), c = t.Add("c");
    t.Arcs({{e, a}, {e, b}, {b, c}});
    t.Table(e, {0.4, 0.6});
    t.Table(a, {0.1, 0.9, 0.3, 0.7});
    t.Table(b, {0.2, 0.3, 0.5, 0.6, 0.3, 0.1});
    t.Table(c, {1.0, 0.0, 1.0, 0.0, 1.0, 0.0});
    t.Observe(e, 0);
    t.Observe(c, 1);
    ASSERT_EQ(t.net.SetTarget(a), kSuccess);
    ClearUpToDate(t);
    WholePart part(t.net);
    JoinTree tree(part.view);
    EXPECT_FALSE(tree.Run(nullptr, 0));
    EXPECT_EQ(tree.GetLastStatus(), kConflictingEvidence);
    EXPECT_FALSE(t.Value(a)->IsUpToDate());
    EXPECT_EQ(tree.ComputeProbEvidence(), 0.0);
    // With c observed at its possible outcome the part answers.
    t.Observe(c, 0);
    WholePart possible(t.net);
    JoinTree again(possible.view);
    ASSERT_TRUE(again.Run(nullptr, 0));
    EXPECT_NEAR(t.Beliefs(a)[0], 0.1, kTolerance);
    EXPECT_NEAR(again.ComputeProbEvidence(), 0.4, kTolerance);
}

TEST(JoinTreePropagation, ClusterWithoutTablesSendsOnes) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b"), c = t.Add("c");
    t.Arcs({{a, b}, {b, c}});
    t.Table(a, {0.9, 0.1});
    t.Table(b, {0.2, 0.8, 0.6, 0.4});
    t.Table(c, {0.3, 0.7, 0.5, 0.5});
    WholePart part(t.net);
    // Records without a table contribute no factor: {a, b} starts as all ones.
    for (int i : {0, 1}) {
        part.graph.records[i]->tableKind = RelevanceTableKind::kNone;
        part.graph.records[i]->table = nullptr;
    }
    JoinTree tree(part.view);
    ASSERT_TRUE(tree.Build(0));
    ASSERT_EQ(tree.AssignFamilies(), kSuccess);
    ASSERT_EQ(tree.InitializePotentials(), kSuccess);
    EXPECT_EQ(tree.GetCluster(0).IsTableReady(), 0);
    tree.FreeClusterTables();
    ASSERT_TRUE(tree.Run(nullptr, 0));
    EXPECT_NEAR(t.Beliefs(a)[0], 0.5, kTolerance);
    EXPECT_NEAR(t.Beliefs(b)[0], 0.5, kTolerance);
    EXPECT_NEAR(t.Beliefs(c)[0], 0.4, kTolerance);
}

TEST(JoinTreePropagation, RequestedMaskForcesNodesAndIsCleared) {
    Asia a;
    a.t.Observe(a.xray, 0);
    const Reference ref = Enumerate(a.t.net);
    ASSERT_EQ(a.t.net.SetTarget(a.lung), kSuccess);
    ClearUpToDate(a.t);
    std::vector<unsigned char> requested(a.t.net.GetNumberOfSlots(), 0);
    requested[a.bronc] = 1;
    WholePart part(a.t.net);
    JoinTree tree(part.view);
    ASSERT_TRUE(tree.Run(requested.data(), 0));
    ExpectBeliefs(a.t, ref, {a.lung, a.bronc});
    EXPECT_EQ(requested[a.bronc], 0);
    EXPECT_EQ(requested[a.lung], 0);
    EXPECT_FALSE(a.t.Value(a.tub)->IsUpToDate());
    EXPECT_FALSE(a.t.Value(a.dysp)->IsUpToDate());
}

TEST(JoinTreePropagation, SizeLimitTooSmallFailsWithoutWriting) {
    Asia a;
    ClearUpToDate(a.t);
    WholePart part(a.t.net);
    JoinTree tree(part.view);
    EXPECT_FALSE(tree.Run(nullptr, 4));
    EXPECT_EQ(tree.GetLastStatus(), kOutOfMemory);
    EXPECT_FALSE(a.t.Value(a.lung)->IsUpToDate());
    // The probability of evidence has no limit.
    EXPECT_NEAR(tree.ComputeProbEvidence(), 1.0, kTolerance);
}

TEST(JoinTreePropagation, StepByStepMatchesRun) {
    Asia a;
    a.t.Observe(a.dysp, 1);
    const Reference ref = Enumerate(a.t.net);
    ClearUpToDate(a.t);
    WholePart part(a.t.net);
    JoinTree tree(part.view);
    ASSERT_TRUE(tree.Build(0));
    ASSERT_EQ(tree.AssignFamilies(), kSuccess);
    ASSERT_EQ(tree.InitializePotentials(), kSuccess);
    tree.CollectEvidence();
    EXPECT_NEAR(tree.GetRoot()->GetClusterTable().Sum(), ref.probEvidence, kTolerance);
    ASSERT_EQ(tree.DistributeEvidence(), kSuccess);
    // After distribution every cluster table sums to the probability of the evidence.
    for (int i = 0; i < tree.GetNumberOfClusters(); i++) {
        EXPECT_NEAR(tree.GetCluster(i).GetClusterTable().Sum(), ref.probEvidence, kTolerance);
    }
    ASSERT_EQ(tree.WriteBeliefs(nullptr), kSuccess);
    tree.FreeClusterTables();
    ExpectBeliefs(a.t, ref);
}

// A hub with many observed children whose likelihoods cancel: the probability of the evidence is far
// below the smallest double, yet every posterior is moderate. Messages are rescaled on the way to the
// root, so nothing underflows; the scale is given back to the probability of evidence.
struct NaiveBayes {
    explicit NaiveBayes(int observed) {
        hub = t.Add("hub");
        t.Table(hub, {0.5, 0.5});
        for (int i = 0; i < observed; i++) {
            const int c = t.Add(("c" + std::to_string(i)).c_str());
            t.Arc(hub, c);
            t.Table(c, i % 2 == 0 ? std::vector<double>{0.6, 0.4, 0.5, 0.5}
                                  : std::vector<double>{0.5, 0.5, 0.6, 0.4});
            t.Observe(c, 0);
        }
        spare = t.Add("spare");
        t.Arc(hub, spare);
        t.Table(spare, {0.9, 0.1, 0.2, 0.8});
    }
    TestNetwork t;
    int hub, spare;
};

TEST(JoinTreePropagation, ManyFindingsDoNotUnderflowThePosteriors) {
    NaiveBayes nb(1500);  // P(e) = 0.3^750, about 1e-392
    ASSERT_EQ(nb.t.net.UpdateBeliefs(), kSuccess);
    ExpectNear(nb.t.Beliefs(nb.hub), {0.5, 0.5}, 1e-9);
    ExpectNear(nb.t.Beliefs(nb.spare), {0.55, 0.45}, 1e-9);
}

TEST(JoinTreePropagation, RescaledMessagesKeepTheProbabilityOfEvidence) {
    NaiveBayes nb(400);  // P(e) = 0.3^200, far below the rescaling threshold but still a double
    const double exact = std::pow(0.3, 200);
    WholePart part(nb.t.net);
    JoinTree tree(part.view);
    EXPECT_NEAR(tree.ComputeProbEvidence() / exact, 1.0, 1e-9);
    ASSERT_TRUE(tree.Run(nullptr, 0));
    ExpectNear(nb.t.Beliefs(nb.spare), {0.55, 0.45}, 1e-9);
}

TEST(JoinTreePropagation, PiecesOfSmallMassTogetherAreNoImpossibleEvidence) {
    // A chain of observed nodes, each also a child of a free root: separators of observed nodes only
    // split the tree into six pieces of mass 1e-75 each. Their product is below the smallest double,
    // but no piece is impossible.
    TestNetwork t;
    std::vector<int> roots;
    int previous = -1;
    for (int i = 0; i < 6; i++) {
        const int q = t.Add(("q" + std::to_string(i)).c_str());
        t.Table(q, {0.3, 0.7});
        const int p = t.Add(("p" + std::to_string(i)).c_str());
        if (previous >= 0) t.Arc(previous, p);
        t.Arc(q, p);
        std::vector<double> table;
        for (int column = 0; column < (previous >= 0 ? 4 : 2); column++) {
            table.push_back(1e-75);
            table.push_back(1.0 - 1e-75);
        }
        t.Table(p, table);
        t.Observe(p, 0);
        roots.push_back(q);
        previous = p;
    }
    WholePart part(t.net);
    JoinTree tree(part.view);
    ASSERT_TRUE(tree.Run(nullptr, 0));
    for (int q : roots) ExpectNear(t.Beliefs(q), {0.3, 0.7}, 1e-12);
}

}  // namespace
