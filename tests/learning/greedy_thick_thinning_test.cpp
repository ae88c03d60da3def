// Greedy thick thinning and naive Bayes from data sets: background knowledge, refusals, and the alarm
// network learnt back from records sampled from it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "base/status_codes.h"
#include "learning/dag_classifier.h"
#include "learning/data_set.h"
#include "learning/learning_dag.h"
#include "learning/progress_tracker.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "tests/support/error_log.h"
#include "tests/support/learning_graphs.h"
#include "tests/support/missing_data.h"
#include "tests/support/networks.h"
#include "tests/support/reference_networks.h"
#include "tests/support/sampled_data.h"
#include "tests/support/sanitizer.h"

namespace {

using namespace vovido::test;

// The instrumented build checks memory: fewer records, so a looser fit.
const bool kSanitized = kUnderAddressSanitizer;
const int kAlarmRecords = kSanitized ? 1000 : 10000;
const double kFitTolerance = kSanitized ? 0.15 : 0.05;

// Mean log-likelihood per record of the data under the network's tables; columns are found by node
// identifier and their states are outcome indices.
double MeanLogLikelihood(VRX_network& net, const DataSet& data) {
    double total = 0.0;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_Dmatrix* table = nullptr;
        EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
        const VRX_intArray& parents = net.GetParents(h);
        std::vector<int> columns;
        for (int k = 0; k < parents.GetCount(); ++k)
            columns.push_back(data.FindVariable(net.GetNode(parents[k])->GetId()));
        const int own = data.FindVariable(net.GetNode(h)->GetId());
        const int* strides = table->GetStrides().GetItems();
        for (int r = 0; r < data.GetRecordCount(); ++r) {
            int offset = data.GetInt(own, r) * strides[parents.GetCount()];
            for (size_t k = 0; k < columns.size(); ++k) offset += strides[k] * data.GetInt(columns[k], r);
            total += std::log((*table)[offset]);
        }
    }
    return total / data.GetRecordCount();
}

// BDe score of the network's structure on the data.
double StructureScore(VRX_network& net, const DataSet& data) {
    dag graph;
    EXPECT_TRUE(graph.import_data_set(data));
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const VRX_intArray& parents = net.GetParents(h);
        for (int k = 0; k < parents.GetCount(); ++k) {
            EXPECT_EQ(graph.add_arc(data.FindVariable(net.GetNode(parents[k])->GetId()),
                                    data.FindVariable(net.GetNode(h)->GetId())),
                      1);
        }
    }
    return graph.score();
}

void SampleBinary(DataSet& data, int records) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b"), c = t.Add("c");
    t.Arc(a, b);
    t.Arc(b, c);
    t.Table(a, {0.3, 0.7});
    t.Table(b, {0.9, 0.1, 0.2, 0.8});
    t.Table(c, {0.85, 0.15, 0.1, 0.9});
    ASSERT_TRUE(SampleRecords(t.net, records, 5, data));
}

TEST(GreedyThickThinning, BackgroundKnowledgeAndParentLimit) {
    DataSet data;
    SampleBinary(data, 500);
    VRX_network net;
    GreedyThickThinningOptions options;
    ASSERT_EQ(LearnGreedyThickThinning(options, data, net), kSuccess);
    EXPECT_EQ(net.GetParents(net.FindNode("c")).GetCount() + net.GetParents(net.FindNode("b")).GetCount() +
                  net.GetParents(net.FindNode("a")).GetCount(),
              2);
    // No parents allowed: only the forced arc a -> c remains.
    options.maxParents = 0;
    options.forcedArcs = {{0, 2}};
    ASSERT_EQ(LearnGreedyThickThinning(options, data, net), kSuccess);
    EXPECT_EQ(net.GetParents(net.FindNode("c")).GetCount(), 1);
    EXPECT_EQ(net.GetParents(net.FindNode("b")).GetCount(), 0);
    // Tiers c before b before a: every arc points down the tiers.
    options = GreedyThickThinningOptions();
    options.tiers = {{2, 0}, {1, 4}, {0, 9}};
    options.priorsMethod = 1;
    options.netWeight = 4.0;
    ASSERT_EQ(LearnGreedyThickThinning(options, data, net), kSuccess);
    EXPECT_EQ(net.GetParents(net.FindNode("c")).GetCount(), 0);
    EXPECT_EQ(net.GetParents(net.FindNode("a")).GetCount(), 1);
    // The run's steps add up to the whole; a cancelled tracker stops the search with its answer.
    progress_tracker done;
    ASSERT_EQ(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, net, &done), kSuccess);
    EXPECT_NEAR(done.overall(), 1.0, 1e-9);
    progress_tracker tracker;
    tracker.request_cancel();
    EXPECT_EQ(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, net, &tracker),
              kProgressCancelled);
    // A continuous column cannot be scored.
    ASSERT_EQ(data.AddFloatVariable("x", 0.0f), kSuccess);
    EXPECT_EQ(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, net), kFailure);
}

// Every table of the network, node by node, with each node's parent count.
std::vector<double> AllTables(const VRX_network& net) {
    std::vector<double> all;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        all.push_back(net.GetParents(h).GetCount());
        for (double p : TableOf(net, h)) all.push_back(p);
    }
    return all;
}

// A priors method other than 0 and 1 learns with the graph's default priors, those of 0.
TEST(GreedyThickThinning, OtherPriorsMethodsLearnAsTheDefault) {
    DataSet data;
    SampleBinary(data, 300);
    const auto learn = [&](int method, bool naiveBayes) {
        GreedyThickThinningOptions gtt;
        NaiveBayesOptions nb;
        gtt.priorsMethod = nb.priorsMethod = method;
        nb.classVariableId = "b";
        VRX_network net;
        EXPECT_EQ(naiveBayes ? LearnNaiveBayes(nb, data, net) : LearnGreedyThickThinning(gtt, data, net),
                  kSuccess);
        return AllTables(net);
    };
    for (bool naiveBayes : {false, true}) {
        for (int method : {2, 99, -1}) EXPECT_EQ(learn(method, naiveBayes), learn(0, naiveBayes)) << method;
    }
}

// A column of as many states as records is learnt like any other (its outcomes set at once); state
// counts beyond what a table can hold are refused.
TEST(GreedyThickThinning, ColumnOfManyStates) {
    constexpr int kStates = 3000;
    DataSet data;
    ASSERT_EQ(data.AddIntVariable("id", -1), kSuccess);
    ASSERT_EQ(data.AddIntVariable("half", -1), kSuccess);
    for (int r = 0; r < kStates; ++r) {
        data.AddEmptyRecord();
        ASSERT_EQ(data.SetInt(0, r, r) + data.SetInt(1, r, r % 2), kSuccess);
    }
    VRX_network net;
    ASSERT_EQ(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, net), kSuccess);
    EXPECT_EQ(net.GetNode(net.FindNode("id"))->GetDefinition()->GetNumberOfOutcomes(), kStates);
    errorLog.Flush();
    EXPECT_EQ(data.CheckStateCount(0, kStates, kStates), kSuccess);
    EXPECT_EQ(data.CheckStateCount(0, kStates + 1, kStates), kOutOfMemory);
    const std::string text = "Column 'id' has 3001 states: no table of at most 3000 cells can hold them";
    EXPECT_EQ(LoggedMessages(), std::vector<std::string>{text});
    errorLog.Flush();
}

// Structural Hamming distance to the network of the one greedy thick thinning learns from records drawn
// from it with a share of the cells hidden.
int LearntDistance(const char* network, int records, double hidden, uint32_t seed = 31) {
    VRX_network truth;
    EXPECT_EQ(truth.ReadFile(ReferencePath(network, ".xvrx").c_str()), kSuccess);
    DataSet data;
    EXPECT_TRUE(SampleRecords(truth, records, seed, data));
    HideValues(data, hidden, seed + 1);
    VRX_network learnt;
    EXPECT_EQ(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, learnt), kSuccess);
    return StructuralHammingDistance(TruePattern(learnt, data), TruePattern(truth, data));
}

// Every structure is scored over the same records, so hidden cells buy no parents.
TEST(GreedyThickThinning, AFifthOfTheCellsHiddenCostsLittleAccuracy) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        const int complete = LearntDistance("asia", 1000, 0.0, seed);
        EXPECT_LE(LearntDistance("asia", 1000, 0.2, seed), 1.5 * complete) << seed;
    }
}

// Hidden cells do not make an arc from the class pay: the feature independent of the class stays out.
TEST(NaiveBayes, FeatureSelectionWithHiddenCells) {
    TestNetwork t;
    const int c = t.Add("c"), f = t.Add("f"), g = t.Add("g");
    t.Arc(c, f);
    t.Table(c, {0.4, 0.6});
    t.Table(f, {0.8, 0.2, 0.3, 0.7});
    t.Table(g, {0.5, 0.5});
    DataSet data;
    ASSERT_TRUE(SampleRecords(t.net, 1000, 3, data));
    HideValues(data, 0.2, 4);
    NaiveBayesOptions options;
    options.classVariableId = "c";
    options.featureSelection = true;
    VRX_network net;
    progress_tracker done;
    ASSERT_EQ(LearnNaiveBayes(options, data, net, &done), kSuccess);
    EXPECT_NEAR(done.overall(), 1.0, 1e-9);
    EXPECT_EQ(net.GetParents(net.FindNode("f")).GetCount(), 1);
    EXPECT_EQ(net.GetParents(net.FindNode("g")).GetCount(), 0);
}

// One or two records are learnt from, as feature selection always did: the class is the feature's parent
// where the two records tie them, and each count is one more than the records give.
TEST(NaiveBayes, FeatureSelectionLearnsFromOneOrTwoRecords) {
    const struct {
        std::vector<std::vector<int>> records;  // class, feature
        int parents;
        std::vector<double> table;
    } cases[] = {
        {{{0, 1}}, 0, {1.0 / 3, 2.0 / 3}},
        {{{0, 0}, {1, 1}}, 1, {2.0 / 3, 1.0 / 3, 1.0 / 3, 2.0 / 3}},
    };
    for (const auto& c : cases) {
        DataSet data;
        for (const char* name : {"class", "f"}) {
            ASSERT_EQ(data.AddIntVariable(name, -1), kSuccess);
            ASSERT_EQ(data.SetStateNames(data.GetVariableCount() - 1, {"s0", "s1"}), kSuccess);
        }
        for (size_t r = 0; r < c.records.size(); ++r) {
            data.AddEmptyRecord();
            for (int v = 0; v < 2; ++v)
                ASSERT_EQ(data.SetInt(v, static_cast<int>(r), c.records[r][v]), kSuccess);
        }
        NaiveBayesOptions options;
        options.featureSelection = true;
        VRX_network net;
        ASSERT_EQ(LearnNaiveBayes(options, data, net), kSuccess) << LogDump();
        const int f = net.FindNode("f");
        EXPECT_EQ(net.GetParents(f).GetCount(), c.parents);
        const std::vector<double> table = TableOf(net, f);
        ASSERT_EQ(table.size(), c.table.size());
        for (size_t i = 0; i < table.size(); ++i) EXPECT_NEAR(table[i], c.table[i], 1e-12) << i;
    }
}

TEST(NaiveBayes, ClassVariableAndArcs) {
    DataSet data;
    SampleBinary(data, 300);
    VRX_network net;
    NaiveBayesOptions options;
    EXPECT_EQ(LearnNaiveBayes(options, data, net), kFailure);  // no column "class"
    options.classVariableId = "b";
    ASSERT_EQ(LearnNaiveBayes(options, data, net), kSuccess);
    EXPECT_EQ(net.GetChildren(net.FindNode("b")).GetCount(), 2);
    EXPECT_EQ(net.GetParents(net.FindNode("b")).GetCount(), 0);
}

TEST(GreedyThickThinning, LearnsAlarmBackFromSampledRecords) {
    VRX_network truth;
    ASSERT_EQ(truth.ReadFile(ReferencePath("alarm", ".xvrx").c_str()), kSuccess);
    DataSet data;
    ASSERT_TRUE(SampleRecords(truth, kAlarmRecords, 2024, data));
    VRX_network learnt;
    ASSERT_EQ(LearnGreedyThickThinning(GreedyThickThinningOptions(), data, learnt), kSuccess);
    const double llTrue = MeanLogLikelihood(truth, data), llLearnt = MeanLogLikelihood(learnt, data);
    std::printf(
        "alarm, %d records: log-likelihood per record %.4f (true %.4f), structural Hamming distance "
        "%d, BDe %.1f (true %.1f)\n",
        kAlarmRecords, llLearnt, llTrue,
        StructuralHammingDistance(TruePattern(learnt, data), TruePattern(truth, data)),
        StructureScore(learnt, data), StructureScore(truth, data));
    EXPECT_GT(llLearnt, llTrue - kFitTolerance);
    // Posteriors of the reference cases close to the true network's (with enough records to learn them).
    if (kSanitized) return;
    double worst = 0.0;
    for (const auto& item : ReadReferenceCases("alarm")) {
        ASSERT_TRUE(SetCaseEvidence(learnt, item));
        ASSERT_EQ(learnt.UpdateBeliefs(), kSuccess);
        for (const auto& posterior : item.posteriors) {
            const int h = learnt.FindNode(posterior.node.c_str());
            const std::vector<double> beliefs = Beliefs(learnt, h);
            for (size_t k = 0; k < posterior.outcomes.size(); ++k) {
                const int o = OutcomeIndex(learnt, h, posterior.outcomes[k].first);
                worst = std::fmax(worst, std::fabs(beliefs[o] - posterior.outcomes[k].second));
            }
        }
    }
    std::printf("alarm: largest posterior difference %.4f\n", worst);
    EXPECT_LT(worst, 0.1);
}

TEST(NaiveBayes, FeatureSelectionBeatsTheMajorityClassOnAlarm) {
    VRX_network truth;
    ASSERT_EQ(truth.ReadFile(ReferencePath("alarm", ".xvrx").c_str()), kSuccess);
    DataSet data;
    ASSERT_TRUE(SampleRecords(truth, 1000, 77, data));
    dag graph;
    ASSERT_TRUE(graph.import_data_set(data));
    const int c = graph.find_node("LVFAILURE");
    ASSERT_GE(c, 0);
    dag_classifier classifier;
    classifier.set_training_data(&graph);
    classifier.set_test_data(&graph);
    ASSERT_EQ(classifier.set_int("model_type", 2), kSuccess);
    ASSERT_EQ(classifier.set_class_variable(c), kSuccess);
    ASSERT_EQ(classifier.set_positive_state(1), kSuccess);
    ASSERT_EQ(classifier.cross_validate(10), kSuccess);
    ASSERT_EQ(classifier.predicted_states().size(), 1000u);
    int ones = 0;
    for (int s : classifier.true_states()) ones += s;
    const double majority = std::fmax(ones, 1000 - ones) / 1000.0;
    std::printf("LVFAILURE: 10-fold accuracy %.3f, majority class %.3f\n", classifier.accuracy(), majority);
    EXPECT_GT(classifier.accuracy(), majority + 0.02);
}

}  // namespace
