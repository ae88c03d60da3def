// Sampling network: construction from a part, weighted draws, the importance-table steps of adaptive
// importance sampling and of the cut-offs after loopy propagation, and the shared draws.
#include "inference/sample_net.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "inference/part_view.h"
#include "inference/sampling_draws.h"
#include "tests/support/whole_part.h"

namespace {

using vovido::test::ExpectNear;
using vovido::test::TestNetwork;
using vovido::test::WholePart;

std::vector<double> Column(const VRX_Dmatrix& m, int start, int n) {
    return std::vector<double>(m.GetData() + start, m.GetData() + start + n);
}

// A -> B -> C (observed), A -> D, (A, B) -> E; A has three outcomes.
struct Family {
    Family() {
        a = t.Add("A", 3);
        b = t.Add("B");
        c = t.Add("C");
        d = t.Add("D");
        e = t.Add("E");
        t.Arcs({{a, b}, {b, c}, {a, d}, {a, e}, {b, e}});
        t.Table(a, {0.2, 0.3, 0.5});
        t.Table(b, {0.9, 0.1, 0.4, 0.6, 0.5, 0.5});
        t.Table(c, {0.7, 0.3, 0.0, 1.0});
        t.Observe(c, 1);
    }
    TestNetwork t;
    int a, b, c, d, e;
};

TEST(SampleNet, BuildsNodesInTopologicalOrderWithEvidenceAncestors) {
    Family f;
    WholePart part(f.t.net);
    SampleNet net(part.view);
    ASSERT_EQ(net.GetStatus(), kSuccess);
    ASSERT_EQ(net.PrepareTables(), kSuccess);
    ASSERT_EQ(net.GetNumberOfNodes(), 5);
    const SampleNode& c = net.GetNode(2);
    EXPECT_EQ(c.evidence, 1);
    EXPECT_EQ(c.state, 1);
    EXPECT_EQ(c.coordinatePointers[0], &net.GetNode(1).state);
    EXPECT_EQ(c.coordinatePointers[1], &c.state);
    const bool ancestors[] = {true, true, false, false, false};
    for (int i = 0; i < 5; i++) EXPECT_EQ(net.GetNode(i).isEvidenceAncestor, ancestors[i]) << i;
    EXPECT_EQ(net.GetNode(4).parentStrides, (std::vector<int>{6, 2, 1}));
    EXPECT_EQ(net.GetNode(0).rowInChild, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(net.GetNode(1).rowInChild, (std::vector<int>{0, 1}));
    net.ResetBeliefs();
    EXPECT_EQ(c.beliefs, (std::vector<double>{0, 1}));
    EXPECT_EQ(net.GetNode(0).beliefs, (std::vector<double>{0, 0, 0}));
}

// Weights far below the range of a double, as the products over thousands of nodes give, still count
// against each other; a far heavier one rescales what was added without changing its ratios.
TEST(SampleNet, WeightsBeyondTheRangeOfDoublesKeepTheirRatios) {
    Family f;
    WholePart part(f.t.net);
    SampleNet net(part.view);
    ASSERT_EQ(net.PrepareTables(), kSuccess);
    net.ResetBeliefs();
    for (int i : {0, 1, 3, 4}) net.GetNode(i).state = 0;
    SampleNode& a = net.GetNode(0);
    const auto add = [&net, &a](int state, int exponent) {
        vovido::SampleWeight weight(0.5);
        weight.exponent = exponent;
        a.state = state;
        net.AccumulateBeliefs(weight);
    };
    add(0, -3000);
    add(1, -2998);
    EXPECT_EQ(a.beliefs[1], 4 * a.beliefs[0]);
    add(2, -2700);
    EXPECT_EQ(a.beliefs[1], 4 * a.beliefs[0]);
    EXPECT_EQ(a.beliefs[2], std::ldexp(a.beliefs[0], 300));
    EXPECT_GT(a.beliefs[0], 0.0);
}

TEST(SampleNet, SingleNodeHasOneConfigurationAndNoParentMessages) {
    TestNetwork t;
    t.Add("A", 3);
    WholePart part(t.net);
    SampleNet net(part.view);
    ASSERT_EQ(net.PrepareTables(), kSuccess);
    const SampleNode& node = net.GetNode(0);
    EXPECT_EQ(node.GetNumberOfConfigurations(), 1);
    EXPECT_TRUE(node.piFromParents.empty());
    EXPECT_FALSE(node.isEvidenceAncestor);
}

// The weight is the probability of the evidence at the drawn states while importance equals the table;
// a factor of 0 stops the sample before the later nodes are drawn.
TEST(SampleNet, DrawSampleWeighsByEvidenceAndStopsAtZero) {
    Family f;
    WholePart part(f.t.net);
    SampleNet net(part.view);
    ASSERT_EQ(net.PrepareTables(), kSuccess);
    RandomGenerator random(3);
    for (int s = 0; s < 50; s++) {
        const double w = net.DrawSample(random).ToDouble();
        const int b = net.GetNode(1).state;
        EXPECT_EQ(w, b == 0 ? 0.3 : 1.0);
        if (w > 0.0) {
            EXPECT_GE(net.GetNode(4).state, 0);
        }
    }
    SampleNode& b = net.GetNode(1);
    for (int k = 0; k < 6; k++) b.importanceTable[k] = k % 2 == 0 ? 1.0 : 0.0;
    f.t.Table(f.c, {0.7, 0.0, 0.0, 1.0});
    net.GetNode(3).state = -7;
    EXPECT_TRUE(net.DrawSample(random).IsZero());
    EXPECT_EQ(net.GetNode(3).state, -7);
}

// A node of n outcomes, parent of an observed node: table 1 - small mass at outcome 0, 0.001 at the
// middle outcomes and 0 at the last.
struct Ancestor {
    explicit Ancestor(int n) {
        x = t.Add("X", n);
        const int y = t.Add("Y");
        t.Arc(x, y);
        std::vector<double> column(n, 0.001);
        column[0] = 1.0 - 0.001 * (n - 2);
        column[n - 1] = 0.0;
        t.Table(x, column);
        t.Observe(y, 0);
    }
    TestNetwork t;
    int x;
};

// Learning starts from the ancestor's own table; an observed node weighs by its table and has none.
TEST(SampleNet, StartImportanceTableTakesTheTable) {
    Ancestor g(3);
    WholePart part(g.t.net);
    SampleNet net(part.view);
    ASSERT_EQ(net.PrepareTables(), kSuccess);
    for (int k = 0; k < 3; k++) net.GetNode(0).importanceTable[k] = 1.0 / 3;
    net.StartImportanceTable(net.GetNode(0));
    ExpectNear(Column(net.GetNode(0).importanceTable, 0, 3), {0.999, 0.001, 0.0});
    net.StartImportanceTable(net.GetNode(1));
    EXPECT_EQ(net.GetNode(1).importanceTable.GetNumberOfElements(), 0);
}

// A column moves towards its learned frequencies at the learning rate scaled by what its samples are
// worth, (sum of weights)^2 / sum of squared weights, against 10 samples an outcome.
TEST(SampleNet, UpdateImportanceTableMixesLearnedColumnsByTheirWorth) {
    struct Case {
        double squares;  // of the learned weights 3 and 1
        double worth;
    };
    for (const Case& c : {Case{4.0, 4.0}, Case{16.0, 1.0}, Case{0.04, 400.0}}) {
        TestNetwork t;
        const int a = t.Add("A"), b = t.Add("B"), d = t.Add("C");
        t.Arcs({{a, b}, {b, d}});
        t.Table(b, {0.5, 0.5, 0.2, 0.8});
        t.Observe(a, 0);
        t.Observe(d, 0);
        WholePart part(t.net);
        SampleNet net(part.view);
        ASSERT_EQ(net.PrepareTables(), kSuccess);
        // Only the evidence ancestor B learns.
        EXPECT_TRUE(net.GetNode(0).learningTable.empty());
        SampleNode& node = net.GetNode(1);
        node.learningTable[0] = 3.0;
        node.learningTable[1] = 1.0;
        node.learningTable[2] = c.squares;
        net.learningRate = 0.4;
        net.UpdateImportanceTable(node);
        const double rate = 0.4 * c.worth / (c.worth + 20.0);
        ExpectNear(Column(node.importanceTable, 0, 4),
                   {rate * 0.75 + (1 - rate) * 0.5, rate * 0.25 + (1 - rate) * 0.5, 0.2, 0.8}, 1e-12,
                   "worth " + std::to_string(c.worth));
        EXPECT_EQ(node.learningTable, std::vector<double>(6, 0.0));
    }
}

TEST(SampleNet, EpisCutoffRaisesSmallEntriesAndKeepsDistributions) {
    struct Case {
        std::vector<double> before;
        std::vector<double> after;
    };
    const Case cases[] = {
        {{0.99997, 0.00001, 0.00002}, {0.99997 - 0.00599 - 0.00598, 0.006, 0.006}},
        {{0.0, 0.003, 0.997}, {0.0, 0.006, 0.994}},
        // The large entry cannot give its share: it keeps the cut-off.
        {{0.001, 0.001, 0.0065}, {1.0 / 3, 1.0 / 3, 1.0 / 3}},
    };
    for (const Case& c : cases) {
        Ancestor g(3);
        WholePart part(g.t.net);
        SampleNet net(part.view);
        ASSERT_EQ(net.PrepareTables(), kSuccess);
        SampleNode& x = net.GetNode(0);
        for (int k = 0; k < 3; k++) x.importanceTable[k] = c.before[k];
        net.ApplyEpisCutoff(x);
        ExpectNear(Column(x.importanceTable, 0, 3), c.after, 1e-12);
    }
}

TEST(SamplingDraws, PickOutcomeSkipsZerosAndNeverPassesThePositiveEntries) {
    struct Case {
        std::vector<double> column;
        double r;
        int outcome;
    };
    const Case cases[] = {
        {{0, 0.5, 0.5}, 0.0, 1},
        {{0.5, 0.5}, 0.5, 1},
        {{0.5, 0.5}, 0.4999, 0},
        // Rounding leaves the sum below the draw: the last possible outcome, not the impossible one.
        {{0.3, 0.3, 0.4 - 1e-12, 0}, 1 - 1e-15, 2},
        {{0, 0}, 0.3, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vovido::PickOutcome(c.column.data(), static_cast<int>(c.column.size()), c.r), c.outcome)
            << c.r;
}

}  // namespace
