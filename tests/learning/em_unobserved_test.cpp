// EM on records that observe little or nothing: an all-missing record is learnt from any start, nodes
// the data cannot inform keep their tables with a warning, failures give their reason, and an
// unmatched column's real -1 is no missing value in the equation case.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/status_codes.h"
#include "learning/em_learning.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/missing_data.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

const std::vector<DataMatch> kAll = {{0, 0, 0}, {1, 0, 1}, {2, 0, 2}, {3, 0, 3}};

TEST(EmUnobserved, AnAllMissingRecordLearnsFromRandomAndUniformStarts) {
    Diamond truth;
    for (uint32_t seed = 0; seed < 20; ++seed) {
        DataSet data;
        ASSERT_TRUE(SampleRecords(truth.t.net, 60, seed, data));
        HideValues(data, 0.2, seed);
        data.AddEmptyRecord();
        for (const int start : {0, 1, 2}) {  // uniform, random by the test's seed, EM's own random start
            Diamond learnt;
            std::mt19937 rng(seed);
            if (start == 1) learnt.t.RandomTables(rng, 0.0);
            for (int h = 0; start == 0 && h < 4; ++h) {
                learnt.t.Definition(h).FillWith(1.0);
                learnt.t.Definition(h).Normalize();
            }
            EmOptions options;
            options.randomizeParameters = start == 2;
            errorLog.Flush();
            double logLik = 0.0;
            ASSERT_EQ(LearnEm(options, data, learnt.t.net, kAll, {}, &logLik, nullptr), kSuccess)
                << seed << " " << start << LogDump();
            EXPECT_TRUE(std::isfinite(logLik) && logLik < 0.0 && errorLog.GetNumberOfEntries() == 0);
        }
    }
}

TEST(EmUnobserved, NodesTheDataCannotInformKeepTheirTables) {
    // d has no column and b's is empty: b and d are informed by nothing, a and c are learnt. With no
    // cell at all every node keeps its table.
    for (const bool nothing : {false, true}) {
        Diamond n;
        DataSet data;
        ASSERT_TRUE(SampleRecords(n.t.net, 40, 7, data));
        for (int r = 0; r < data.GetRecordCount(); ++r) {
            for (int v = 0; v < 4; ++v) {
                if (nothing || v == n.b) data.SetInt(v, r, -1);
            }
        }
        std::vector<std::vector<double>> before;
        for (int h = 0; h < 4; ++h) before.push_back(Items(n.t.Definition(h)));
        errorLog.Flush();
        ASSERT_EQ(LearnEm(EmOptions(), data, n.t.net, {kAll[0], kAll[1], kAll[2]}, {}, nullptr, nullptr),
                  kSuccess);
        EXPECT_EQ(errorLog.GetNumberOfEntries(), nothing ? 4 : 2);
        for (int h = 0; h < 4; ++h) {
            const bool kept = nothing || h == n.b || h == n.d;
            const std::string id = n.t.net.GetNode(h)->GetId();
            EXPECT_EQ(Logged(kFailure, "em: warning: no record observes node " + id +
                                           " or a node below it; its table is kept"),
                      kept);
            EXPECT_EQ(Items(n.t.Definition(h)) == before[h], kept) << id;
        }
    }
}

TEST(EmUnobserved, FailuresAndBadCellsGiveTheirReason) {
    struct Stop : EmProgress {
        bool Continue() override { return false; }
    } stop;
    Diamond n;
    DataSet data;
    ASSERT_TRUE(SampleRecords(n.t.net, 5, 1, data));
    errorLog.Flush();
    EXPECT_EQ(LearnEm(EmOptions(), data, n.t.net, kAll, {}, nullptr, &stop), kFailure);
    EXPECT_TRUE(Logged(kFailure, "em: stopped by the progress object"));
    // A negative cell not flagged missing is a bad outcome.
    ASSERT_EQ(data.AddIntVariable("e", -7), kSuccess);
    data.SetInt(4, 2, -1);
    EXPECT_EQ(LearnEm(EmOptions(), data, n.t.net, {{n.a, 0, 4}, kAll[1]}, {}, nullptr, nullptr), kSuccess);
    EXPECT_TRUE(Logged(kFailure,
                       "em: evidence cannot be set for node a in record 2: its value -1 is none of the "
                       "node's 2 outcomes"))
        << LogDump();
}

TEST(EmUnobserved, EquationCaseReadsMissingCellsByTheirFlags) {
    // The unmatched integer column holds a real -1, the same as its marker; only a flagged cell is missing.
    const std::string path =
        WriteTextFile("data.txt", "X,Y,D\n0.5,2.25,-1\n1.5,4.25,0\n2.5,6.25,-1\n3.5,8.25,2\n");
    for (const bool missing : {false, true}) {
        DataSet data;
        ASSERT_EQ(data.ReadFile(path.c_str(), nullptr, nullptr), kSuccess);
        if (missing) data.SetInt(2, 1, -1);
        VRX_network net;
        const int x = AddEquation(net, "X", "X=Normal(0,1)");
        const int y = AddEquation(net, "Y", "Y=X");
        errorLog.Flush();
        EXPECT_EQ(LearnEm(EmOptions(), data, net, {{x, 0, 0}, {y, 0, 1}}, {}, nullptr, nullptr),
                  missing ? kFailure : kSuccess);
        EXPECT_EQ(Logged(kFailure, "em: missing values not allowed for continuous case\n"), missing);
        EXPECT_EQ(TextOf(net, y), missing ? "Y=X" : "Y=2*X+Normal(1.25,0)");
    }
    // Infinity reads as a float value, but no equation fits it.
    DataSet data;
    const std::string infinite = WriteTextFile("infinite.txt", "X,Y\n0.5,2.25\n1.5,inf\n2.5,6.25\n");
    ASSERT_EQ(data.ReadFile(infinite.c_str(), nullptr, nullptr), kSuccess);
    VRX_network net;
    const int x = AddEquation(net, "X", "X=Normal(0,1)");
    const int y = AddEquation(net, "Y", "Y=X");
    errorLog.Flush();
    EXPECT_EQ(LearnEm(EmOptions(), data, net, {{x, 0, 0}, {y, 0, 1}}, {}, nullptr, nullptr), kFailure);
    EXPECT_EQ(LogDump(), "-1 em: column [Y] holds inf in record 1: only finite values can be fitted\n");
    EXPECT_EQ(TextOf(net, y), "Y=X");
}

}  // namespace
