// PC structure learning: refusals, the independence tests, orientation by colliders and background
// knowledge, continuous data, and recall of the alarm network's skeleton from sampled records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <random>

#include "base/status_codes.h"
#include "learning/data_set.h"
#include "learning/em_learning.h"
#include "learning/learning_statistics.h"
#include "learning/pattern.h"
#include "learning/pc.h"
#include "learning/score_based_learning.h"
#include "tests/support/error_log.h"
#include "tests/support/missing_data.h"
#include "tests/support/networks.h"
#include "tests/support/reference_networks.h"
#include "tests/support/sampled_data.h"
#include "tests/support/sanitizer.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

// The instrumented build checks memory, not recall: fewer records and small conditioning sets.
const bool kSanitized = kUnderAddressSanitizer;
const int kAlarmRecords = kSanitized ? 2000 : 10000;
const int kAlarmAdjacency = kSanitized ? 1 : 8;

// Marks of the pattern row by row, "0 1 2 ..." with "|" between rows.
std::string Marks(const Pattern& p) {
    std::string out;
    for (int i = 0; i < p.GetSize(); ++i) {
        if (i > 0) out += "|";
        for (int j = 0; j < p.GetSize(); ++j) out += std::to_string(p.GetEdge(i, j));
    }
    return out;
}

// Three binary nodes a, b, c with the given arcs and tables, sampled.
void Sample3(const std::vector<std::pair<int, int>>& arcs, const std::vector<std::vector<double>>& tables,
             int records, DataSet& data) {
    TestNetwork t;
    const int h[3] = {t.Add("a"), t.Add("b"), t.Add("c")};
    for (const auto& arc : arcs) t.Arc(h[arc.first], h[arc.second]);
    for (int v = 0; v < 3; ++v) t.Table(h[v], tables[v]);
    ASSERT_TRUE(SampleRecords(t.net, records, 11, data));
}

const std::vector<std::vector<double>> kChain = {{0.5, 0.5}, {0.9, 0.1, 0.2, 0.8}, {0.85, 0.15, 0.1, 0.9}};
const std::vector<std::vector<double>> kCollider = {
    {0.5, 0.5}, {0.5, 0.5}, {0.95, 0.05, 0.2, 0.8, 0.2, 0.8, 0.05, 0.95}};

TEST(Pc, RefusesBadData) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        std::vector<std::vector<float>> columns;  // negative discrete cells are written as they are
        std::vector<bool> discrete;
        const char* text;
        PcOptions options;
    };
    PcOptions badTier;
    badTier.tiers = {{0, 1}, {5, 0}};
    PcOptions badExcluded;
    badExcluded.excluded = {2};
    PcOptions badForced;
    badForced.forcedArcs = {{-1, 0}};
    const Case cases[] = {
        {"two records", {{0, 1}, {1, 0}}, {true, true}, "pc: too few data points", {}},
        {"one variable", {{0, 1, 0}}, {true}, "pc: too few variables", {}},
        {"mixed",
         {{0, 1, 0}, {0.5f, 1, 2}},
         {true, false},
         "pc: a mix of continuous and discrete variables is not allowed",
         {}},
        {"constants",
         {{1, 1, 1}, {0, 1, 0}, {2.5f, 2.5f, 2.5f}},
         {false, false, false},
         "pc: constant not allowed: v0 v2",
         {}},
        {"missing", {{0, 1, nan}, {0, 1, 0}}, {false, false}, "pc: missing values not allowed: v0\n", {}},
        {"tier index",
         {{0, 1, 0}, {0, 1, 1}},
         {true, true},
         "pc: tier names variable 5, valid range is 0..1",
         badTier},
        {"forced index",
         {{0, 1, 0}, {0, 1, 1}},
         {true, true},
         "pc: forced arc names variable -1, valid range is 0..1",
         badForced},
        {"excluded index",
         {{0, 1, 0}, {0, 1, 1}},
         {true, true},
         "pc: excluded variable list names variable 2, valid range is 0..1",
         badExcluded},
    };
    for (const Case& c : cases) {
        DataSet data;
        for (size_t v = 0; v < c.columns.size(); ++v) {
            ASSERT_EQ(data.AddVariable("v" + std::to_string(v), c.discrete[v], -1, nan), kSuccess);
        }
        for (size_t r = 0; r < c.columns[0].size(); ++r) {
            data.AddEmptyRecord();
            for (size_t v = 0; v < c.columns.size(); ++v) {
                if (c.discrete[v]) {
                    data.SetInt(v, r, static_cast<int>(c.columns[v][r]));
                } else {
                    data.SetFloat(v, r, c.columns[v][r]);
                }
            }
        }
        Pattern pattern;
        ASSERT_EQ(pattern.SetSize(1), kSuccess);
        ASSERT_EQ(pattern.SetEdge(0, 0, 2), kSuccess);
        errorLog.Flush();
        EXPECT_EQ(LearnPc(c.options, data, pattern, nullptr), kFailure) << c.what;
        EXPECT_EQ(LoggedMessages(), std::vector<std::string>{c.text}) << c.what;
        EXPECT_EQ(Marks(pattern), "2") << c.what << ": the pattern stays as it was";
    }
    errorLog.Flush();
}

TEST(Pc, DiscreteStructures) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> arcs;
        std::vector<std::vector<double>> tables;
        int maxAdjacency;
        const char* expected;
    };
    const std::vector<std::vector<double>> independent = {{0.5, 0.5}, {0.3, 0.7}, {0.6, 0.4}};
    const Case cases[] = {
        {"independent", {}, independent, 8, "000|000|000"},
        {"chain a-b-c", {{0, 1}, {1, 2}}, kChain, 8, "010|101|010"},
        {"chain, level 0 only", {{0, 1}, {1, 2}}, kChain, 0, "011|101|110"},
        {"collider a->c<-b", {{0, 2}, {1, 2}}, kCollider, 8, "002|002|000"},
    };
    for (const Case& c : cases) {
        DataSet data;
        Sample3(c.arcs, c.tables, 2000, data);
        PcOptions options;
        options.maxAdjacency = c.maxAdjacency;
        Pattern pattern;
        ASSERT_EQ(LearnPc(options, data, pattern, nullptr), kSuccess) << c.what;
        EXPECT_EQ(Marks(pattern), c.expected) << c.what;
    }
}

TEST(Pc, BackgroundKnowledge) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> forced, forbidden, tiers;
        const char* expected;
    };
    const Case cases[] = {
        {"forced arc over a removed edge", {{2, 0}}, {}, {}, "010|101|210"},
        {"forbidden arc turns the edge", {}, {{0, 1}}, {}, "000|201|010"},
        {"tiers", {}, {}, {{0, 1}, {1, 0}}, "000|201|010"},
    };
    for (const Case& c : cases) {
        DataSet data;
        Sample3({{0, 1}, {1, 2}}, kChain, 2000, data);
        PcOptions options;
        options.forcedArcs = c.forced;
        options.forbiddenArcs = c.forbidden;
        options.tiers = c.tiers;
        Pattern pattern;
        ASSERT_EQ(LearnPc(options, data, pattern, nullptr), kSuccess) << c.what;
        EXPECT_EQ(Marks(pattern), c.expected) << c.what;
    }
}

// Forced arcs stay as given whatever the data suggests: over independent variables the collider
// a -> b <- c that the tests find would turn the forced b -> c around; the network made holds them.
TEST(Pc, ForcedArcsReachTheNetwork) {
    DataSet data;
    Sample3({}, {{0.5, 0.5}, {0.3, 0.7}, {0.6, 0.4}}, 2000, data);
    PcOptions options;
    options.forcedArcs = {{0, 1}, {1, 2}};
    Pattern pattern;
    ASSERT_EQ(LearnPc(options, data, pattern, nullptr), kSuccess);
    EXPECT_EQ(Marks(pattern), "020|002|000");
    VRX_network net;
    ASSERT_TRUE(pattern.MakeNetwork(data, net));
    EXPECT_EQ(net.GetNumberOfParents(net.FindNode("b")), 1);
    EXPECT_EQ(net.GetNumberOfParents(net.FindNode("c")), 1);
    EXPECT_EQ(net.GetNumberOfParents(net.FindNode("a")), 0);
}

// Random acyclic forced arcs over sampled data: PC's pattern and greedy thick thinning's network hold
// every one of them, whatever the tests and the colliders suggest.
TEST(Pc, RandomForcedArcsHoldInBothLearners) {
    Diamond diamond;
    DataSet data;
    ASSERT_TRUE(SampleRecords(diamond.t.net, 300, 5, data));
    std::mt19937 random(9);
    for (int round = 0; round < 30; ++round) {
        std::vector<int> order = {0, 1, 2, 3};
        std::shuffle(order.begin(), order.end(), random);
        std::vector<std::pair<int, int>> forced;
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j) {
                if (random() % 3 == 0) forced.emplace_back(order[i], order[j]);
            }
        }
        PcOptions pc;
        pc.forcedArcs = forced;
        Pattern pattern;
        ASSERT_EQ(LearnPc(pc, data, pattern, nullptr), kSuccess) << round;
        GreedyThickThinningOptions gtt;
        gtt.forcedArcs = forced;
        VRX_network net;
        ASSERT_EQ(LearnGreedyThickThinning(gtt, data, net), kSuccess) << round;
        for (const auto& [p, c] : forced) {
            EXPECT_TRUE(pattern.Mark(p, c) == 2 && pattern.Mark(c, p) == 0)
                << round << ": " << p << "->" << c;
            const int child = net.FindNode(data.GetVariable(c).name.c_str());
            const int parent = net.FindNode(data.GetVariable(p).name.c_str());
            EXPECT_GE(net.GetParents(child).FindPosition(parent), 0) << round << ": " << p << "->" << c;
        }
        EXPECT_FALSE(pattern.HasCycle()) << round;
    }
}

TEST(Pc, IntegerCodedDataAndCancel) {
    // Cells that index no state names (negative, sparse): the states come from the values.
    DataSet data;
    Sample3({{0, 2}, {1, 2}}, kCollider, 2000, data);
    for (int v = 0; v < 3; ++v) {
        ASSERT_EQ(data.SetStateNames(v, {}), kSuccess);
        for (int r = 0; r < data.GetRecordCount(); ++r) data.SetInt(v, r, data.GetInt(v, r) * 7 - 3);
    }
    Pattern pattern;
    ASSERT_EQ(LearnPc(PcOptions(), data, pattern, nullptr), kSuccess);
    EXPECT_EQ(Marks(pattern), "002|002|000");

    struct Stop : PcProgress {
        int calls = 0;
        bool Continue() override { return ++calls < 3; }
    } stop;
    EXPECT_EQ(LearnPc(PcOptions(), data, pattern, &stop), kLearningCancelled);

    // A failed allocation inside the run ends it with the out-of-memory code, logged; nothing escapes.
    struct Starved : PcProgress {
        bool Continue() override { throw std::bad_alloc(); }
    } starved;
    errorLog.Flush();
    EXPECT_EQ(LearnPc(PcOptions(), data, pattern, &starved), kOutOfMemory);
    EXPECT_TRUE(Logged(kOutOfMemory, "OUT OF MEMORY")) << LogDump();
}

TEST(Pc, IntegerCodedDataGoesThroughANetworkToEm) {
    // a(3) -> c(3) <- b(3), written as numbers 0..2 and read back as integer columns without names.
    TestNetwork t;
    const int a = t.Add("a", 3), b = t.Add("b", 3), c = t.Add("c", 3);
    t.Arcs({{a, c}, {b, c}});
    t.Table(a, {0.3, 0.3, 0.4});
    t.Table(b, {0.5, 0.2, 0.3});
    std::vector<double> table;
    for (int k = 0; k < 9; ++k) {
        const int peak = (k / 3 + k % 3) % 3;
        for (int o = 0; o < 3; ++o) table.push_back(o == peak ? 0.8 : 0.1);
    }
    t.Table(c, table);
    DataSet sampled;
    ASSERT_TRUE(SampleRecords(t.net, 3000, 4, sampled));
    for (int v = 0; v < 3; ++v) ASSERT_EQ(sampled.SetStateNames(v, {"0", "1", "2"}), kSuccess);
    TempFile file(".txt");
    ASSERT_TRUE(WriteDataFile(sampled, file.path()));
    DataSet data;
    ASSERT_EQ(data.ReadFile(file.c_str(), nullptr, nullptr), kSuccess);
    ASSERT_TRUE(data.GetVariable(2).discrete && data.GetVariable(2).stateNames.empty());
    Pattern pattern;
    ASSERT_EQ(LearnPc(PcOptions(), data, pattern, nullptr), kSuccess);
    ASSERT_EQ(Marks(pattern), "002|002|000");
    VRX_network net;
    ASSERT_TRUE(pattern.MakeNetwork(data, net));
    for (int h = 0; h < 3; ++h) EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes(), 3);
    std::vector<DataMatch> matches;
    std::string message;
    ASSERT_EQ(data.MatchNetwork(net, matches, message), kSuccess) << message;
    ASSERT_EQ(LearnEm(EmOptions(), data, net, matches, {}, nullptr, nullptr), kSuccess) << LogDump();
    VRX_Dmatrix* learnt = nullptr;
    ASSERT_EQ(net.GetNode(2)->GetDefinition()->GetDefinition(learnt), kSuccess);
    ASSERT_EQ(learnt->GetNumberOfElements(), 27);
    for (int i = 0; i < 27; ++i) EXPECT_NEAR((*learnt)[i], table[i], 0.08) << i;
}

TEST(Pc, ContinuousChainAndCollider) {
    struct Case {
        const char* what;
        double bc, ac, ab;  // c = bc * b + ac * a + noise; b = ab * a + noise
        const char* expected;
    };
    const Case cases[] = {
        {"chain a-b-c", 0.8, 0.0, 0.9, "010|101|010"},
        {"collider a->c<-b", 0.8, 0.7, 0.0, "002|002|000"},
    };
    for (const Case& c : cases) {
        DataSet data;
        for (const char* name : {"a", "b", "c"})
            ASSERT_EQ(data.AddFloatVariable(name, std::numeric_limits<float>::quiet_NaN()), kSuccess);
        int seed = -3;
        for (int r = 0; r < 2000; ++r) {
            data.AddEmptyRecord();
            const double a = gaussian_random(seed);
            const double b = c.ab * a + gaussian_random(seed);
            data.SetFloat(0, r, static_cast<float>(a));
            data.SetFloat(1, r, static_cast<float>(b));
            data.SetFloat(2, r, static_cast<float>(c.bc * b + c.ac * a + gaussian_random(seed)));
        }
        Pattern pattern;
        ASSERT_EQ(LearnPc(PcOptions(), data, pattern, nullptr), kSuccess) << c.what;
        EXPECT_EQ(Marks(pattern), c.expected) << c.what;
    }
}

TEST(Pc, RecoversAlarmSkeleton) {
    VRX_network net;
    ASSERT_EQ(net.ReadFile(ReferencePath("alarm", ".xvrx").c_str()), kSuccess);
    DataSet data;
    ASSERT_TRUE(SampleRecords(net, kAlarmRecords, 2024, data));
    Pattern learnt;
    PcOptions options;
    options.maxAdjacency = kAlarmAdjacency;
    ASSERT_EQ(LearnPc(options, data, learnt, nullptr), kSuccess);
    const Pattern truth = TruePattern(net, data);
    const SkeletonScore score = CompareSkeletons(learnt, truth);
    std::printf("alarm, %d records: precision %.3f recall %.3f SHD %d\n", kAlarmRecords, score.Precision(),
                score.Recall(), StructuralHammingDistance(learnt, truth));
    EXPECT_FALSE(learnt.HasCycle()) << "orientation never closes a directed cycle";
    if (kAlarmRecords == 10000) {
        EXPECT_GE(score.Recall(), 0.9);
    }
}

}  // namespace
