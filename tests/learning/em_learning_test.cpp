// EM on networks: counting on complete data, missing data against the true network, the options, the
// refusals with their texts, and a failed run leaving the network as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "learning/data_set.h"
#include "learning/em_learning.h"
#include "tests/support/costly_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/reference_networks.h"
#include "tests/support/sampled_data.h"

namespace {

using namespace vovido::test;

// Column i ties to the i-th node in handle order (the layout of SampleRecords).
std::vector<DataMatch> MatchAll(const VRX_network& net) {
    std::vector<DataMatch> matches;
    int column = 0;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) matches.push_back({h, 0, column++});
    return matches;
}

std::vector<double> Table(VRX_network& net, int h) {
    VRX_Dmatrix* m = nullptr;
    EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(m), kSuccess);
    return std::vector<double>(m->GetData(), m->GetData() + m->GetNumberOfElements());
}

// The counting estimate of h's table from complete data, with ess times the prior table added.
std::vector<double> CountingEstimate(VRX_network& net, const DataSet& data, int h, int column, double ess) {
    std::vector<double> prior = Table(net, h);
    std::vector<double> counts(prior.size(), 0.0);
    const VRX_intArray& parents = net.GetParents(h);
    const int n = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
    std::vector<int> columnOf(net.GetNumberOfSlots(), -1);
    int c = 0;
    for (int k = net.GetFirstNode(); k >= 0; k = net.GetNextNode(k)) columnOf[k] = c++;
    for (int r = 0; r < data.GetRecordCount(); ++r) {
        int position = 0;
        for (int k = 0; k < parents.GetCount(); ++k) {
            const int m = net.GetNode(parents[k])->GetDefinition()->GetNumberOfOutcomes();
            position = position * m + data.GetInt(columnOf[parents[k]], r);
        }
        counts[position * n + data.GetInt(column, r)] += 1.0;
    }
    std::vector<double> out(prior.size());
    for (size_t j = 0; j < prior.size(); j += n) {
        double s = 0.0;
        for (int o = 0; o < n; ++o) s += ess * prior[j + o] + counts[j + o];
        for (int o = 0; o < n; ++o)
            out[j + o] = s == 0.0 ? prior[j + o] : (ess * prior[j + o] + counts[j + o]) / s;
    }
    return out;
}

void ReadNetwork(VRX_network& net, const char* name) {
    ASSERT_EQ(net.ReadFile(ReferencePath(name, ".xvrx").c_str()), kSuccess);
}

TEST(EmLearning, CompleteDataGivesTheCountingEstimate) {
    for (const int ess : {0, 10}) {
        const bool relevance = ess > 0;
        VRX_network net;
        ReadNetwork(net, "asia");
        DataSet data;
        ASSERT_TRUE(SampleRecords(net, 300, 5, data));
        VRX_network original(net);
        EmOptions options;
        options.eqSampleSize = ess;
        options.relevance = relevance;
        double logLik = 1.0;
        ASSERT_EQ(LearnEm(options, data, net, MatchAll(net), {}, &logLik, nullptr), kSuccess) << ess;
        EXPECT_LT(logLik, 0.0);
        for (const DataMatch& m : MatchAll(net)) {
            const std::vector<double> expected = CountingEstimate(original, data, m.node, m.column, ess);
            const std::vector<double> learnt = Table(net, m.node);
            ASSERT_EQ(learnt.size(), expected.size());
            for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(learnt[i], expected[i], 1e-12) << ess;
        }
    }
}

// Log-likelihood of the data under the network, by the probability of each record's evidence.
double LogLikelihood(VRX_network& net, const DataSet& data, const std::vector<DataMatch>& matches) {
    double sum = 0.0;
    for (int r = 0; r < data.GetRecordCount(); ++r) {
        net.ClearAllEvidence();
        for (const DataMatch& m : matches) {
            if (data.IsMissing(m.column, r)) continue;
            EXPECT_EQ(net.GetNode(m.node)->GetValue()->SetEvidence(data.GetInt(m.column, r)), kSuccess);
        }
        double p = 0.0;
        EXPECT_TRUE(net.CalcPropEvidence(&p, false));
        sum += std::log(p);
    }
    net.ClearAllEvidence();
    return sum;
}

TEST(EmLearning, MissingDataComesCloseToTheTrueNetwork) {
    VRX_network truth;
    ReadNetwork(truth, "asia");
    DataSet data;
    ASSERT_TRUE(SampleRecords(truth, 2000, 17, data));
    RandomGenerator hide(99);
    for (int r = 0; r < data.GetRecordCount(); ++r) {
        for (int v = 0; v < data.GetVariableCount(); ++v) {
            if (hide.NextFraction() < 0.2) data.SetInt(v, r, -1);
        }
    }
    VRX_network learnt(truth);
    for (int h = learnt.GetFirstNode(); h >= 0; h = learnt.GetNextNode(h)) {
        VRX_Dmatrix* m = nullptr;
        ASSERT_EQ(learnt.GetNode(h)->GetDefinition()->GetDefinition(m), kSuccess);
        m->FillWith(1.0);
        m->Normalize();
    }
    EmOptions options;
    options.randomizeParameters = false;
    const std::vector<DataMatch> matches = MatchAll(truth);
    double logLik = 0.0;
    ASSERT_EQ(LearnEm(options, data, learnt, matches, {}, &logLik, nullptr), kSuccess) << LogDump();
    const double trueLogLik = LogLikelihood(truth, data, matches);
    EXPECT_GE(LogLikelihood(learnt, data, matches), trueLogLik * 1.01);
    for (const ReferenceCase& item : ReadReferenceCases("asia")) {
        for (VRX_network* net : {&truth, &learnt}) {
            net->ClearAllEvidence();
            ASSERT_TRUE(SetCaseEvidence(*net, item));
            ASSERT_EQ(net->UpdateBeliefs(), kSuccess);
        }
        for (int h = truth.GetFirstNode(); h >= 0; h = truth.GetNextNode(h)) {
            const std::vector<double> a = Beliefs(truth, h), b = Beliefs(learnt, h);
            for (size_t k = 0; k < a.size(); ++k) EXPECT_NEAR(a[k], b[k], 0.05) << item.name;
        }
    }
}

// A -> B, both binary, with one data column each.
struct TwoNodes {
    TestNetwork t;
    int a, b;
    DataSet data;
    TwoNodes(const std::vector<std::pair<int, int>>& records) {
        a = t.Add("A");
        b = t.Add("B");
        t.Arc(a, b);
        t.Table(a, {0.5, 0.5});
        t.Table(b, {0.5, 0.5, 0.5, 0.5});
        EXPECT_EQ(data.AddIntVariable("A", -1), kSuccess);
        EXPECT_EQ(data.AddIntVariable("B", -1), kSuccess);
        for (size_t r = 0; r < records.size(); ++r) {
            data.AddEmptyRecord();
            data.SetInt(0, static_cast<int>(r), records[r].first);
            data.SetInt(1, static_cast<int>(r), records[r].second);
        }
    }
    std::vector<DataMatch> Matches() const { return {{a, 0, 0}, {b, 0, 1}}; }
};

TEST(EmLearning, EquivalentSampleSizeActsInTheFinalStepOnly) {
    // A = 0 three times, A = 1 once: prior (0.5, 0.5) with weight 10 gives (8/14, 6/14).
    TwoNodes n({{0, 0}, {0, 1}, {0, 0}, {1, 1}});
    EmOptions options;
    options.eqSampleSize = 10;
    ASSERT_EQ(LearnEm(options, n.data, n.t.net, n.Matches(), {}, nullptr, nullptr), kSuccess);
    EXPECT_NEAR(Table(n.t.net, n.a)[0], 8.0 / 14.0, 1e-12);
    EXPECT_NEAR(Table(n.t.net, n.a)[1], 6.0 / 14.0, 1e-12);
}

TEST(EmLearning, NoLearnColumnsAndUnseenColumnsKeepTheirValues) {
    // B given A = 1 never seen: its column stays at the prior, not at the random start.
    TwoNodes n({{0, 0}, {0, 1}, {0, 1}});
    n.t.Table(n.b, {0.5, 0.5, 0.3, 0.7});
    ASSERT_EQ(n.t.net.GetNode(n.a)->GetInfo()->userProperties.AddProperty("VRX_NOLEARN", "ALL"), kSuccess);
    ASSERT_EQ(LearnEm(EmOptions(), n.data, n.t.net, n.Matches(), {}, nullptr, nullptr), kSuccess);
    EXPECT_EQ(Table(n.t.net, n.a), (std::vector<double>{0.5, 0.5}));
    const std::vector<double> b = Table(n.t.net, n.b);
    EXPECT_NEAR(b[0], 1.0 / 3.0, 1e-12);
    EXPECT_EQ(b[2], 0.3);
    EXPECT_EQ(b[3], 0.7);
}

TEST(EmLearning, NoRecordsUndoTheRandomStart) {
    TwoNodes n({});
    n.t.Table(n.b, {0.1, 0.9, 0.6, 0.4});
    double logLik = 1.0;
    ASSERT_EQ(LearnEm(EmOptions(), n.data, n.t.net, n.Matches(), {}, &logLik, nullptr), kSuccess);
    EXPECT_EQ(logLik, 0.0);
    EXPECT_EQ(Table(n.t.net, n.b), (std::vector<double>{0.1, 0.9, 0.6, 0.4}));
}

TEST(EmLearning, BadCellsAreLoggedWithTheirRecordNumber) {
    TwoNodes n({{0, 0}, {0, 7}, {1, 1}});
    errorLog.Flush();
    ASSERT_EQ(LearnEm(EmOptions(), n.data, n.t.net, n.Matches(), {}, nullptr, nullptr), kSuccess);
    EXPECT_TRUE(Logged(kFailure,
                       "em: evidence cannot be set for node B in record 1: its value 7 is none of the "
                       "node's 2 outcomes"))
        << LogDump();
    // Over many records: one entry, counted.
    TwoNodes many({{0, 7}, {9, 7}, {1, 1}, {0, 8}, {0, 9}});
    errorLog.Flush();
    ASSERT_EQ(LearnEm(EmOptions(), many.data, many.t.net, many.Matches(), {}, nullptr, nullptr), kSuccess);
    EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{
                                    "em: evidence cannot be set in 4 records (5 values), e.g. "
                                    "node B in record 0 (value 7), node A in record 1 (value 9), node B in "
                                    "record 1 (value 7), …"}));
}

TEST(EmLearning, RefusedKindsAndFailedRunsLeaveTheNetwork) {
    struct Case {
        const char* name;
        int expected;
        bool truthTable, fixTruthTable, continuous, stop;
    };
    const Case cases[] = {
        {"truth table not fixed", kInvalidData, true, false, false, false},
        {"truth table fixed", kSuccess, true, true, false, false},
        {"continuous column", kInvalidData, false, false, true, false},
        {"stopped by progress", kFailure, false, false, false, true},
    };
    struct Stop : EmProgress {
        bool Continue() override { return false; }
    };
    for (const Case& c : cases) {
        TwoNodes n({{0, 0}, {1, 1}, {1, 0}});
        std::vector<int> fixed;
        if (c.truthTable) {
            const int t = n.t.Add("T", 2, DefinitionType::kTruthTable);
            if (c.fixTruthTable) fixed.push_back(t);
        }
        std::vector<DataMatch> matches = n.Matches();
        if (c.continuous) {
            ASSERT_EQ(n.data.AddFloatVariable("F", 0.0f), kSuccess);
            matches[1].column = 2;
        }
        const std::vector<double> before = Table(n.t.net, n.b);
        Stop stop;
        errorLog.Flush();
        EXPECT_EQ(LearnEm(EmOptions(), n.data, n.t.net, matches, fixed, nullptr, c.stop ? &stop : nullptr),
                  c.expected)
            << c.name;
        if (c.expected == kInvalidData) {
            EXPECT_TRUE(Logged(kInvalidData, "em: network and dataset do not match")) << c.name;
        }
        if (c.expected != kSuccess) {
            EXPECT_EQ(Table(n.t.net, n.b), before) << c.name;
        }
    }
}

}  // namespace

namespace {

TEST(EmLearning, ImpossibleRecordsEndTheRunAndBeliefsGoOutOfDate) {
    // B copies A through a fixed truth table; the record A = 0, B = 1 has probability 0 under it, from
    // any start: the caller's own start is not refused for it.
    for (const bool random : {true, false}) {
        TwoNodes n({{0, 0}, {0, 1}, {1, 1}});
        ASSERT_EQ(n.t.net.GetNode(n.b)->ChangeType(DefinitionType::kTruthTable), kSuccess);
        n.t.Table(n.b, {1, 0, 0, 1});
        ASSERT_EQ(n.t.net.UpdateBeliefs(), kSuccess);
        ASSERT_TRUE(n.t.Value(n.a)->IsUpToDate());
        EmOptions options;
        options.randomizeParameters = random;
        double logLik = 0.0;
        ASSERT_EQ(LearnEm(options, n.data, n.t.net, n.Matches(), {n.b}, &logLik, nullptr), kSuccess)
            << random;
        EXPECT_TRUE(std::isinf(logLik) && logLik < 0.0);
        EXPECT_FALSE(n.t.Value(n.a)->IsUpToDate());
        // The impossible record adds nothing: A is learnt from the two others.
        EXPECT_NEAR(Table(n.t.net, n.a)[0], 0.5, 1e-12);
    }
}

TEST(EmLearning, AStartThatRulesARecordOutIsRefusedByName) {
    // B's outcome added afterwards has 0 in every column: records 1 and 2 (counted from 0) hold it. With
    // B's column of A = 1 set to (0, 0, 1), record 2 (A = 1, B = 1) is ruled out by B, though A's table
    // allows it.
    struct Case {
        std::vector<double> bTable;
        std::vector<std::pair<int, int>> records;
        const char* message;
    };
    const Case cases[] = {
        {{},
         {{0, 0}, {1, 2}, {0, 2}},
         "em: record 1 is impossible under the starting tables: node [B] gives its outcome State2 "
         "probability 0 there; a random start avoids it"},
        {{0.5, 0.5, 0, 0, 0, 1},
         {{0, 0}, {0, 1}, {1, 1}, {1, 1}},
         "em: record 2 is impossible under the starting tables: node [B] gives its outcome State1 "
         "probability 0 there; a random start avoids it"},
    };
    for (const Case& c : cases) {
        TwoNodes n(c.records);
        ASSERT_EQ(n.t.net.GetNode(n.b)->GetDefinition()->AddOutcome("State2"), kSuccess);
        if (!c.bTable.empty()) n.t.Table(n.b, c.bTable);
        const std::vector<double> a = Table(n.t.net, n.a), b = Table(n.t.net, n.b);
        EmOptions options;
        options.randomizeParameters = false;
        errorLog.Flush();
        EXPECT_EQ(LearnEm(options, n.data, n.t.net, n.Matches(), {}, nullptr, nullptr), kFailure);
        EXPECT_EQ(LastLogged(), c.message);
        EXPECT_EQ(Table(n.t.net, n.a), a);
        EXPECT_EQ(Table(n.t.net, n.b), b);
        // From a random start the same records are learnt from.
        options.randomizeParameters = true;
        EXPECT_EQ(LearnEm(options, n.data, n.t.net, n.Matches(), {}, nullptr, nullptr), kSuccess)
            << LogDump();
    }
    errorLog.Flush();
}

TEST(EmLearning, ANetworkWithoutNodesLearnsNothing) {
    VRX_network empty;
    DataSet data;
    ASSERT_EQ(data.AddIntVariable("A", -1), kSuccess);
    data.AddEmptyRecord();
    // No node, no factor: the log-likelihood of the record is log 1; nothing is logged or added.
    double logLik = -7.0;
    errorLog.Flush();
    EXPECT_EQ(LearnEm(EmOptions(), data, empty, {}, {}, &logLik, nullptr), kSuccess);
    EXPECT_EQ(logLik, 0.0);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    EXPECT_EQ(empty.GetNumberOfNodes(), 0);
}

}  // namespace

namespace {

// The umbrella world over four slices, complete sequences drawn by hand: the main table of Rain counts
// slice 0, its temporal table the transitions, Umbrella's table every slice.
TEST(EmLearning, DynamicNetworksCountEverySliceIntoItsTable) {
    TestNetwork t;
    const int rain = t.Add("Rain");
    const int umbrella = t.Add("Umbrella");
    t.Arc(rain, umbrella);
    t.Table(umbrella, {0.9, 0.1, 0.2, 0.8});
    ASSERT_EQ(t.net.SetTemporalType(umbrella, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(t.net.SetTemporalType(rain, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(t.net.AddTemporalArc(rain, rain, 1), kSuccess);
    ASSERT_EQ(t.net.GetNode(rain)->GetDefinition()->SetTemporalDefinition(1, Doubles({0.7, 0.3, 0.3, 0.7})),
              kSuccess);
    const int kSlices = 4;
    ASSERT_EQ(t.net.SetSliceCount(kSlices), kSuccess);
    DataSet data;
    std::vector<DataMatch> matches;
    for (int s = 0; s < kSlices; ++s) {
        ASSERT_EQ(data.AddIntVariable("R" + std::to_string(s), -1), kSuccess);
        ASSERT_EQ(data.AddIntVariable("U" + std::to_string(s), -1), kSuccess);
        matches.push_back({rain, s, 2 * s});
        matches.push_back({umbrella, s, 2 * s + 1});
    }
    RandomGenerator random(11);
    double first[2] = {}, moves[2][2] = {}, shows[2][2] = {};
    for (int r = 0; r < 60; ++r) {
        data.AddEmptyRecord();
        int previous = -1;
        for (int s = 0; s < kSlices; ++s) {
            const double stay = previous < 0 ? 0.5 : 0.7;
            const int state = previous < 0                   ? random.NextFraction() < stay ? 0 : 1
                              : random.NextFraction() < stay ? previous
                                                             : 1 - previous;
            const int shown = random.NextFraction() < (state == 0 ? 0.9 : 0.2) ? 0 : 1;
            data.SetInt(2 * s, r, state);
            data.SetInt(2 * s + 1, r, shown);
            (previous < 0 ? first[state] : moves[previous][state]) += 1.0;
            shows[state][shown] += 1.0;
            previous = state;
        }
    }
    ASSERT_EQ(LearnEm(EmOptions(), data, t.net, matches, {}, nullptr, nullptr), kSuccess) << LogDump();
    const std::vector<double> main = Table(t.net, rain);
    EXPECT_NEAR(main[0], first[0] / (first[0] + first[1]), 1e-12);
    VRX_Dmatrix* transition =
        dynamic_cast<VRX_cpt*>(t.net.GetNode(rain)->GetDefinition())->GetTemporalDefinition(1);
    ASSERT_NE(transition, nullptr);
    const std::vector<double> sensor = Table(t.net, umbrella);
    for (int a = 0; a < 2; ++a) {
        EXPECT_NEAR((*transition)[2 * a], moves[a][0] / (moves[a][0] + moves[a][1]), 1e-12) << a;
        EXPECT_NEAR(sensor[2 * a], shows[a][0] / (shows[a][0] + shows[a][1]), 1e-12) << a;
    }
    // Hidden rain in every other record: the copies of later slices are counted through inference.
    for (int r = 0; r < data.GetRecordCount(); r += 2) data.SetInt(2 * (r % kSlices), r, -1);
    ASSERT_EQ(LearnEm(EmOptions(), data, t.net, matches, {}, nullptr, nullptr), kSuccess) << LogDump();
    EXPECT_NEAR((*transition)[0] + (*transition)[1], 1.0, 1e-12);
}

}  // namespace

// A child of 16 parents beside 14 free nodes, 16,384 distinct records. Observed whole, each record is
// counted directly and the run learns; with the parents hidden, each reads the child's 2^16 cells of
// them and the iteration, past the limit, is refused while the records are grouped.
TEST(EmLearning, TheWorkOfAnIterationFollowsWhatTheRecordsObserve) {
    TestNetwork t;
    const int child = t.Add("child");
    for (int p = 0; p < 16; ++p) t.Arc(t.Add(("p" + std::to_string(p)).c_str()), child);
    for (int f = 0; f < 14; ++f) t.Add(("f" + std::to_string(f)).c_str());
    for (bool hidden : {false, true}) {
        DataSet data;
        for (int h = t.net.GetFirstNode(); h >= 0; h = t.net.GetNextNode(h))
            ASSERT_EQ(data.AddIntVariable(t.net.GetNode(h)->GetId(), -1), kSuccess);
        for (int r = 0; r < 1 << 14; ++r) {
            data.AddEmptyRecord();
            ASSERT_EQ(data.SetInt(0, r, r % 3 == 0), kSuccess);
            for (int v = 1; v <= 16; ++v)
                ASSERT_EQ(data.SetInt(v, r, hidden ? -1 : (r >> (v % 14)) & 1), kSuccess);
            for (int v = 17; v <= 30; ++v) ASSERT_EQ(data.SetInt(v, r, (r >> (v - 17)) & 1), kSuccess);
        }
        VRX_network net(t.net);
        const std::vector<double> before = Table(net, child);
        errorLog.Flush();
        EmOptions options;
        options.randomizeParameters = false;
        if (!hidden) {
            EXPECT_EQ(LearnEm(options, data, net, MatchAll(net), {}, nullptr, nullptr), kSuccess)
                << LogDump();
            EXPECT_EQ(Table(net, net.FindNode("f3")), (std::vector<double>{0.5, 0.5}));
            continue;
        }
        EXPECT_EQ(LearnEm(options, data, net, MatchAll(net), {}, nullptr, nullptr), kFailure);
        // Per record: 64 a node of 31, the child's 2^16 hidden cells and 2 a parent, 4 a family member.
        EXPECT_EQ(
            LogDump(),
            "-1 em: an iteration would take more than the limit of 1073741824 steps: the first 15851 of "
            "the 16384 records already hold 15851 distinct records of 31 nodes, whose counts take "
            "1073746740 steps (the widest unobserved part of a family, of node [child], spans 65536 cells); "
            "fewer records or nodes are needed\n");
        EXPECT_EQ(Table(net, child), before);
    }
}

TEST(EmLearning, APartTooLargeForAJoinTreeIsNamedWithItsSize) {
    // A 30 x 30 grid observed along its last row: the part of its record is the whole grid.
    TestNetwork t;
    ASSERT_EQ(BuildGrid(t.net, 30, 2), kSuccess);
    DataSet data;
    for (int h = t.net.GetFirstNode(); h >= 0; h = t.net.GetNextNode(h))
        ASSERT_EQ(data.AddIntVariable(t.net.GetNode(h)->GetId(), -1), kSuccess);
    data.AddEmptyRecord();
    for (int v = 0; v < 900; ++v) ASSERT_EQ(data.SetInt(v, 0, v >= 870 ? 1 : -1), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(LearnEm(EmOptions(), data, t.net, MatchAll(t.net), {}, nullptr, nullptr), kFailure);
    EXPECT_EQ(
        LogDump(),
        "-1 em: inference cannot be performed: the join tree of a part of 900 nodes would pass the limit "
        "of 268435456 entries (its clusters reach 328550316 entries)\n");
}
