// Refused score-based learning runs: each failure leaves its reason in the error log.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/status_codes.h"
#include "learning/em_learning.h"
#include "learning/learning_dag.h"
#include "learning/pattern.h"
#include "learning/pc.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/error_log.h"
#include "tests/support/missing_data.h"

namespace {

TEST(LearningRefusals, EveryFailureGivesItsReason) {
    vovido::test::Diamond diamond;
    DataSet discrete, continuous;
    ASSERT_TRUE(vovido::test::SampleRecords(diamond.t.net, 30, 1, discrete));
    ASSERT_EQ(continuous.AddFloatVariable("x", NAN), kSuccess);
    for (int r = 0; r < 3; ++r) continuous.AddEmptyRecord();
    // A class of 100,000 states: a feature of 50 passes the limit of a family's table.
    DataSet wide;
    for (const auto& [name, states] : {std::pair<const char*, int>{"c", 100000}, {"f", 50}}) {
        std::vector<std::string> names;
        for (int i = 0; i < states; ++i) names.push_back("s" + std::to_string(i));
        ASSERT_EQ(wide.AddIntVariable(name, -1), kSuccess);
        ASSERT_EQ(wide.SetStateNames(wide.GetVariableCount() - 1, names), kSuccess);
    }
    wide.AddEmptyRecord();
    // A class and 200 features of 2,048 states: feature selection scores 200 tables of 2^22 cells.
    DataSet broad;
    std::vector<std::string> states;
    for (int i = 0; i < 2048; ++i) states.push_back("s" + std::to_string(i));
    for (int v = 0; v <= 200; ++v) {
        ASSERT_EQ(broad.AddIntVariable(v == 0 ? "c" : "f" + std::to_string(v), -1), kSuccess);
        ASSERT_EQ(broad.SetStateNames(v, states), kSuccess);
    }
    for (int r = 0; r < 2; ++r) broad.AddEmptyRecord();
    DataSet twoRecords;
    ASSERT_TRUE(vovido::test::SampleRecords(diamond.t.net, 2, 1, twoRecords));
    const struct {
        bool naiveBayes;
        double weight;
        const DataSet& data;
        const char* classId;
        const char* message;
        bool featureSelection = false;
        int code = kFailure;
    } cases[] = {
        {false, 0.0, discrete, "", "greedy thick thinning: the net weight must be greater than 0, not 0"},
        {false, -1.5, discrete, "", "greedy thick thinning: the net weight must be greater than 0, not -1.5"},
        {true, 0.0, discrete, "a", "naive bayes: the net weight must be greater than 0, not 0"},
        {true, 1.0, discrete, "zz", "naive bayes: the data set has no variable named zz"},
        {true, 1.0, wide, "c",
         "naive bayes: the class [c] has 100000 states: the table of [f] (50 states) given it would have "
         "5000000 "
         "cells, more than the limit of 4194304"},
        {false, 1.0, continuous, "",
         "greedy thick thinning: column [x] is continuous: only discrete columns can be scored"},
        {false, 1.0, twoRecords, "", "greedy thick thinning: too few data points"},
        {true, 1.0, broad, "c",
         "naive bayes: the selection of features over 201 nodes and 2 records would take 3355456400 steps to "
         "score each feature with the class [c] (2048 states) once, more than the limit of 3221225472: fewer "
         "columns, states or records are needed",
         true, kOutOfMemory},
    };
    for (const auto& c : cases) {
        VRX_network net;
        errorLog.Flush();
        GreedyThickThinningOptions gtt;
        NaiveBayesOptions nb;
        gtt.priorsMethod = nb.priorsMethod = 1;
        gtt.netWeight = nb.netWeight = c.weight;
        nb.classVariableId = c.classId;
        nb.featureSelection = c.featureSelection;
        EXPECT_EQ(
            c.naiveBayes ? LearnNaiveBayes(nb, c.data, net) : LearnGreedyThickThinning(gtt, c.data, net),
            kFailure);
        EXPECT_EQ(vovido::test::LogDump(), std::to_string(c.code) + " " + c.message + "\n");
        EXPECT_EQ(net.GetNumberOfNodes(), 0);
    }
}

}  // namespace

TEST(LearningRefusals, SearchesPastTheirWorkAreRefusedBeforeScoring) {
    // 4,000 columns of 150 records: the families of every pair alone pass the limit.
    DataSet data;
    for (int c = 0; c < 4000; ++c) ASSERT_EQ(data.AddIntVariable("c" + std::to_string(c), -1), kSuccess);
    for (int r = 0; r < 150; ++r) {
        data.AddEmptyRecord();
        for (int c = 0; c < 4000; ++c) ASSERT_EQ(data.SetInt(c, r, (r + c) % 2), kSuccess);
    }
    const std::string sizes =
        "the search over 4000 nodes and 150 records would take more than 3221225472 steps to score the "
        "families of every pair of nodes once: fewer columns or records are needed\n";
    const struct {
        int search;  // 0 greedy thick thinning, 1 thickening, 2 restarts, 3 best-first, 4 PC
        std::string log;
    } cases[] = {
        {0, "-42 greedy thick thinning: " + sizes},
        {1, "-42 " + sizes},
        {2, "-42 " + sizes},
        {3, "-42 " + sizes},
        {4,
         "-42 pc: the tests of every pair of 4000 variables over 150 records and the orientation of "
         "every triple would take more than 3221225472 steps: fewer variables or records are needed\n"}};
    for (const auto& c : cases) {
        errorLog.Flush();
        int result = kSuccess;
        dag g;
        ASSERT_TRUE(g.import_data_set(data));
        if (c.search == 0) {
            VRX_network net;
            result = LearnGreedyThickThinning(GreedyThickThinningOptions(), data, net);
            EXPECT_EQ(net.GetNumberOfNodes(), 0);
        } else if (c.search == 4) {
            Pattern pattern;
            result = LearnPc(PcOptions(), data, pattern, nullptr);
            EXPECT_EQ(pattern.GetSize(), 0);
        } else {
            result = c.search == 1   ? g.thicken(5)
                     : c.search == 2 ? g.search_restarts(2)
                                     : g.search_best_first();
            EXPECT_EQ(g.arc_count(), 0);
        }
        EXPECT_EQ(result, kFailure);
        EXPECT_EQ(vovido::test::LogDump(), c.log);
    }
}

using Arcs = std::vector<std::pair<int, int>>;

PcOptions Pc(int maxAdjacency, double significance, const Arcs& forced = {}, const Arcs& tiers = {}) {
    PcOptions o;
    o.maxAdjacency = maxAdjacency;
    o.significance = significance;
    o.forcedArcs = forced;
    o.tiers = tiers;
    return o;
}

GreedyThickThinningOptions Gtt(int priorsMethod, int maxParents, double weight, const Arcs& forced = {},
                               const Arcs& forbidden = {}, const Arcs& tiers = {}) {
    GreedyThickThinningOptions o;
    o.priorsMethod = priorsMethod;
    o.maxParents = maxParents;
    o.netWeight = weight;
    o.forcedArcs = forced;
    o.forbiddenArcs = forbidden;
    o.tiers = tiers;
    return o;
}

// Settings outside their meaning, matches outside the network and background knowledge that closes a
// cycle are refused before anything is learnt, naming the value; the pattern, network and tables stay.
TEST(LearningRefusals, BadSettingsMatchesAndKnowledge) {
    vovido::test::Diamond diamond;
    DataSet data;
    ASSERT_TRUE(vovido::test::SampleRecords(diamond.t.net, 30, 1, data));
    DataSet unnamed;
    for (int v = 0; v < 2; ++v) ASSERT_EQ(unnamed.AddIntVariable("", -1), kSuccess);
    for (int r = 0; r < 3; ++r) {
        unnamed.AddEmptyRecord();
        ASSERT_EQ(unnamed.SetInt(0, r, r % 2), kSuccess);
        ASSERT_EQ(unnamed.SetInt(1, r, 1), kSuccess);
    }
    DataSet infinite;
    for (const char* name : {"x", "y"}) ASSERT_EQ(infinite.AddFloatVariable(name, NAN), kSuccess);
    for (int r = 0; r < 3; ++r) {
        infinite.AddEmptyRecord();
        ASSERT_EQ(infinite.SetFloat(0, r, static_cast<float>(r)), kSuccess);
        ASSERT_EQ(infinite.SetFloat(1, r, r == 2 ? -INFINITY : static_cast<float>(r * r)), kSuccess);
    }
    DataSet ten;  // unnamed, without records: the knowledge is checked first
    Arcs ring;
    std::string ringText = "-1 greedy thick thinning: the forced arcs ";
    for (int v = 0; v < 10; ++v) {
        ASSERT_EQ(ten.AddIntVariable("", -1), kSuccess);
        ring.emplace_back(v, (v + 1) % 10);
        if (v < 8)
            ringText += "[column " + std::to_string(v + 1) + "] -> [column " + std::to_string(v + 2) + "], ";
    }
    ringText.replace(ringText.size() - 2, 2, " and 2 more form a cycle");
    const auto pc = [&](const PcOptions& o, const DataSet& d) {
        Pattern pattern;
        const int status = LearnPc(o, d, pattern, nullptr);
        EXPECT_EQ(pattern.GetSize(), 0);
        return status;
    };
    const auto gtt = [&](const GreedyThickThinningOptions& o) {
        VRX_network net;
        const int status = LearnGreedyThickThinning(o, data, net);
        EXPECT_EQ(net.GetNumberOfNodes(), 0);
        return status;
    };
    const auto em = [&](EmOptions o, std::vector<DataMatch> matches) {
        VRX_network net(diamond.t.net);
        const int status = LearnEm(o, data, net, matches, {}, nullptr, nullptr);
        VRX_Dmatrix* table = nullptr;
        EXPECT_EQ(net.GetNode(diamond.b)->GetDefinition()->GetDefinition(table), kSuccess);
        EXPECT_EQ((*table)[0], 0.2);
        return status;
    };
    const Arcs cycle = {{0, 1}, {1, 2}, {2, 0}};
    const std::string arcs = "the forced arcs [a] -> [b], [b] -> [c], [c] -> [a] form a cycle";
    const struct {
        std::function<int()> run;
        std::string log;
    } cases[] = {
        {[&] { return pc(Pc(8, NAN), data); }, "-1 pc: the significance must lie in [0, 1], not nan"},
        {[&] { return pc(Pc(8, 2.0), data); }, "-1 pc: the significance must lie in [0, 1], not 2"},
        {[&] { return pc(Pc(-3, 0.05), data); }, "-1 pc: the maximum adjacency must be 0 or more, not -3"},
        {[&] { return gtt(Gtt(0, -1, 1.0)); },
         "-1 greedy thick thinning: the maximum number of parents must be 0 or more, not -1"},
        {[&] { return gtt(Gtt(1, 5, INFINITY)); },
         "-1 greedy thick thinning: the net weight must be finite, not inf"},
        {[&] {
             return em({-5}, {{diamond.a, 0, 0}});
         },
         "-1 em: the equivalent sample size must be 0 or more, not -5"},
        {[&] {
             return em({}, {{diamond.a, 5, 0}});
         },
         "-2 em: the match of column [a] names slice 5 of node [a], valid range is 0..0"},
        {[&] {
             return em({}, {{diamond.a, 0, 0}, {diamond.a, 0, 1}});
         },
         "-4 em: columns [a] and [b] are both matched to node [a]"},
        {[&] { return pc(Pc(8, 0.05, cycle), data); }, "-1 pc: " + arcs},
        {[&] { return gtt(Gtt(0, 5, 1.0, cycle)); }, "-1 greedy thick thinning: " + arcs},
        {[&] {
             return pc(Pc(8, 0.05, {{1, 0}}, {{0, 0}, {1, 1}}), data);
         },
         "-1 pc: the forced arc [b] -> [a] forms a cycle with the tiers: [a] (tier 0) precedes [b] (tier 1)"},
        {[&] {
             return gtt(Gtt(0, 5, 1.0, {{0, 1}, {1, 2}}, {}, {{2, 0}, {0, 4}}));
         },
         "-1 greedy thick thinning: the forced arcs [a] -> [b], [b] -> [c] form a cycle with the tiers: [c] "
         "(tier 0) precedes [a] (tier 4)"},
        {[&] {
             PcOptions o = Pc(8, 0.05, {{2, 1}, {0, 3}});
             o.forbiddenArcs = {{1, 2}, {0, 3}};
             return pc(o, data);
         },
         "-1 pc: the arc [a] -> [d] is both forced and forbidden"},
        {[&] {
             return gtt(Gtt(0, 5, 1.0, {{1, 2}}, {{2, 1}, {1, 2}}));
         },
         "-1 greedy thick thinning: the arc [b] -> [c] is both forced and forbidden"},
        {[&] {
             return gtt(Gtt(0, 5, 1.0, {{3, 3}}));
         },
         "-1 greedy thick thinning: the forced arc [d] -> [d] is a cycle"},
        {[&] {
             return gtt(Gtt(0, 5, 1.0, {}, {{0, 7}}));
         },
         "-1 greedy thick thinning: forbidden arc names variable 7, valid range is 0..3"},
        {[&] { return pc(PcOptions(), unnamed); }, "-1 pc: constant not allowed: column 2"},
        {[&] {
             VRX_network net;
             return LearnGreedyThickThinning(Gtt(0, 5, 1.0, ring), ten, net);
         },
         ringText},
        {[&] { return pc(PcOptions(), infinite); },
         "-1 pc: column [y] holds -inf in record 2: only finite values can be tested"},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        EXPECT_NE(c.run(), kSuccess) << c.log;
        EXPECT_EQ(vovido::test::LogDump(), c.log + "\n");
    }
    errorLog.Flush();
}
