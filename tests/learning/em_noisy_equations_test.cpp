// EM's special cases: noisy-MAX nodes through their helper nodes (both forms, strength orders, helper
// names already taken), and networks of equation nodes by least squares.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "definitions/equation.h"
#include "definitions/noisy_max.h"
#include "learning/data_set.h"
#include "learning/em_equations.h"
#include "learning/em_learning.h"
#include "learning/noisy_max_em.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/sampled_data.h"

namespace {

using namespace vovido::test;

// P1 (2 outcomes) and P2 (3 outcomes) into noisy-MAX X (3 outcomes); P2's strength order (2, 0, 1).
struct NoisyNet {
    TestNetwork t;
    int p1, p2, x;
    explicit NoisyNet(bool ladder) {
        p1 = t.Add("P1");
        p2 = t.Add("P2", 3);
        x = t.Add("X", 3, DefinitionType::kNoisyMax);
        t.Arcs({{p1, x}, {p2, x}});
        t.Table(p1, {0.3, 0.7});
        t.Table(p2, {0.2, 0.5, 0.3});
        VRX_intArray order;
        for (int v : {2, 0, 1}) EXPECT_EQ(order.Add(v), kSuccess);
        EXPECT_EQ(Noisy().SetParentOutcomeStrengths(1, order), kSuccess);
        t.Table(x, {0.6, 0.3, 0.1, 0, 0, 1, 0.5, 0.2, 0.3, 0.1, 0.1, 0.8, 0, 0, 1, 0.05, 0.05, 0.9});
        if (ladder) {
            EXPECT_EQ(t.net.GetNode(x)->GetInfo()->userProperties.AddProperty("VRX_MAXDECOMP", "LADDER"),
                      kSuccess);
        }
    }
    VRX_noisyMAX& Noisy() { return *dynamic_cast<VRX_noisyMAX*>(t.net.GetNode(x)->GetDefinition()); }
    // P(X | P1, P2) by inference, parent configurations in row-major order.
    std::vector<double> Conditional() {
        std::vector<double> out;
        for (int a = 0; a < 2; ++a) {
            for (int b = 0; b < 3; ++b) {
                t.net.ClearAllEvidence();
                t.Observe(p1, a);
                t.Observe(p2, b);
                EXPECT_EQ(t.net.UpdateBeliefs(), kSuccess);
                for (double v : Beliefs(t.net, x)) out.push_back(v);
            }
        }
        t.net.ClearAllEvidence();
        return out;
    }
};

TEST(EmNoisyMax, DecompositionKeepsTheConditionalAndRestoreTheMatrix) {
    for (const bool ladder : {false, true}) {
        NoisyNet n(ladder);
        const std::vector<double> before = n.Conditional();
        const int nodes = n.t.net.GetNumberOfNodes();
        ASSERT_EQ(vovido::DecomposeNoisyMax(n.t.net, n.x), kSuccess);
        EXPECT_EQ(n.t.net.GetNodeType(n.x), DefinitionType::kCpt);
        // Two inhibitors, leak parent and child, and one ladder node in the ladder form.
        EXPECT_EQ(n.t.net.GetNumberOfNodes(), nodes + (ladder ? 5 : 4));
        EXPECT_EQ(n.t.net.GetParents(n.x).GetCount(), ladder ? 2 : 3);
        ExpectNear(n.Conditional(), before, 1e-12, ladder ? "ladder" : "inhibitors");
        vovido::RestoreNoisyMax(n.t.net, n.x);
        EXPECT_EQ(n.t.net.GetNumberOfNodes(), nodes);
        ASSERT_EQ(n.t.net.GetNodeType(n.x), DefinitionType::kNoisyMax);
        EXPECT_EQ(n.t.net.GetParents(n.x)[0], n.p1);
        EXPECT_EQ(n.t.net.GetParents(n.x)[1], n.p2);
        const VRX_intArray& order = n.Noisy().GetParentOutcomeStrengths()[1];
        EXPECT_EQ((std::vector<int>{order[0], order[1], order[2]}), (std::vector<int>{0, 2, 1}));
        ExpectNear(n.Conditional(), before, 1e-12, "restored");
        EXPECT_LT(n.t.net.GetNode(n.x)->GetInfo()->userProperties.FindProperty("VRX_NOLEARN"), 0);
    }
}

TEST(EmNoisyMax, LearnsTheMatrixFromSampledData) {
    for (const bool ladder : {false, true}) {
        NoisyNet truth(ladder);
        // Names the helpers would take are the user's: they must not be used or refused.
        const int taken = truth.t.Add("LEAK_PARENT_X");
        truth.t.Table(taken, {0.4, 0.6});
        DataSet data;
        ASSERT_TRUE(SampleRecords(truth.t.net, 4000, 3, data));
        NoisyNet learnt(ladder);
        learnt.t.Add("LEAK_PARENT_X");
        ASSERT_EQ(learnt.t.net.GetNode(learnt.x)->GetDefinition()->SetDefinitionDoubles(Doubles(
                      {0.4, 0.3, 0.3, 0, 0, 1, 0.3, 0.3, 0.4, 0.3, 0.3, 0.4, 0, 0, 1, 0.3, 0.3, 0.4})),
                  kSuccess);
        std::vector<DataMatch> matches;
        for (int h = 0; h < 4; ++h) matches.push_back({h, 0, h});
        // From the given start: a random one is seeded by the clock, and the test must not depend on it.
        EmOptions options;
        options.randomizeParameters = false;
        ASSERT_EQ(LearnEm(options, data, learnt.t.net, matches, {}, nullptr, nullptr), kSuccess) << LogDump();
        EXPECT_EQ(learnt.t.net.GetNumberOfNodes(), 4);
        ASSERT_EQ(learnt.t.net.GetNodeType(learnt.x), DefinitionType::kNoisyMax);
        // The canonical strength order of P2 is written back with the rows that follow it.
        EXPECT_EQ(learnt.Noisy().GetParentOutcomeStrengths()[1][1], 2);
        ExpectNear(learnt.Conditional(), truth.Conditional(), 0.06, ladder ? "ladder" : "inhibitors");
    }
}

// Refused before the working copy or the expanded table is built, naming the node and the sizes.
TEST(EmNoisyMax, ANodeOfTooManyParentsIsRefusedBeforeAnythingIsBuilt) {
    TestNetwork t;
    std::vector<DataMatch> matches;
    for (int i = 0; i < 25; ++i) {
        const int p = t.Add(("P" + std::to_string(i)).c_str());
        matches.push_back({p, 0, i});
    }
    DataSet data;
    ASSERT_TRUE(SampleRecords(t.net, 5, 1, data));
    const int x = t.Add("X", 2, DefinitionType::kNoisyMax);
    for (const auto& match : matches) ASSERT_EQ(t.net.AddArc(match.node, x), kSuccess);
    errorLog.Flush();
    EXPECT_EQ(LearnEm(EmOptions(), data, t.net, matches, {}, nullptr, nullptr), kOutOfMemory);
    EXPECT_EQ(
        MessageAt(0),
        "ERROR: Node [X] : EM over this noisy-MAX node of 25 parents would hold its table of 67108864 cells "
        "three times and its decomposed table of 67108864 cells four times, past the limit of 268435456 "
        "cells");
}

TEST(EmEquations, LeastSquaresFitsExactAndDegenerateData) {
    DataSet data;
    for (const char* name : {"x", "y", "twice", "constant"})
        ASSERT_EQ(data.AddFloatVariable(name, NAN), kSuccess);
    for (int r = 0; r < 5; ++r) {
        data.AddEmptyRecord();
        data.SetFloat(0, r, static_cast<float>(r));
        data.SetFloat(1, r, static_cast<float>(1 + 2 * r));
        data.SetFloat(2, r, static_cast<float>(2 * r));
        data.SetFloat(3, r, 4.0f);
    }
    struct Case {
        std::vector<int> xs;
        double fitted;  // at x = 3
    };
    // Collinear and constant regressors get weight 0; the fit stays exact and finite.
    for (const Case& c : {Case{{0}, 7.0}, Case{{0, 2}, 7.0}, Case{{0, 3}, 7.0}, Case{{3}, 5.0}}) {
        std::vector<double> b;
        double s = -1.0;
        vovido::FitLinearGaussian(data, 1, c.xs, b, s);
        double at3 = b[0];
        for (size_t j = 0; j < c.xs.size(); ++j) at3 += b[j + 1] * data.GetFloat(c.xs[j], 3);
        for (double v : b) EXPECT_TRUE(std::isfinite(v));
        EXPECT_NEAR(at3, c.fitted, 1e-9);
        EXPECT_TRUE(std::isfinite(s));
    }
}

TEST(EmEquations, LearnsLinearGaussianEquations) {
    for (const bool missing : {false, true}) {
        VRX_network net;
        const int x = AddEquation(net, "X", "X=Normal(0,1)");
        const int y = AddEquation(net, "Y", "Y=X");
        ASSERT_GE(y, 0);
        DataSet data;
        ASSERT_EQ(data.AddFloatVariable("X", NAN), kSuccess);
        ASSERT_EQ(data.AddFloatVariable("Y", NAN), kSuccess);
        for (int r = 0; r < 4; ++r) {
            data.AddEmptyRecord();
            data.SetFloat(0, r, static_cast<float>(r));
            data.SetFloat(1, r, static_cast<float>(1 + 2 * r));
        }
        if (missing) data.SetFloat(1, 2, NAN);
        const std::string before = TextOf(net, y);
        errorLog.Flush();
        const int rc = LearnEm(EmOptions(), data, net, {{x, 0, 0}, {y, 0, 1}}, {}, nullptr, nullptr);
        if (missing) {
            EXPECT_EQ(rc, kFailure);
            EXPECT_TRUE(Logged(kFailure, "em: missing values not allowed for continuous case\n"));
            EXPECT_EQ(TextOf(net, y), before);
            continue;
        }
        ASSERT_EQ(rc, kSuccess);
        VRX_network expected;
        (void)AddEquation(expected, "X", "X=Normal(1.5,1.290994448735806)");
        const int ey = AddEquation(expected, "Y", "Y=2*X+Normal(1,0)");
        EXPECT_EQ(TextOf(net, y), TextOf(expected, ey));
    }
}

}  // namespace
