// Loopy propagation: exact on polytrees (positive and sparse tables, evidence), and the beliefs of a
// single pass.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/support/brute_force.h"
#include "tests/support/random_networks.h"
#include "tests/support/whole_part.h"

namespace {

using vovido::test::TestNetwork;

void SetPasses(VRX_network& net, int passes) {
    VRX_episParams params;
    params.proplen = passes;
    ASSERT_EQ(net.SetEpisParams(params), kSuccess);
}

// A random polytree: each node joined to one earlier node, the arc pointing either way; sparse tables keep
// two positive entries per column.
void BuildPolytree(TestNetwork& t, std::mt19937& rng, int n, bool sparse) {
    std::uniform_int_distribution<int> outcomesOf(2, 3);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<int> h(n);
    for (int i = 0; i < n; i++) h[i] = t.Add(("n" + std::to_string(i)).c_str(), outcomesOf(rng));
    for (int i = 1; i < n; i++) {
        const int other = h[std::uniform_int_distribution<int>(0, i - 1)(rng)];
        if (u(rng) < 0.5) {
            t.Arc(other, h[i]);
        } else {
            t.Arc(h[i], other);
        }
    }
    for (int x : h) {
        std::vector<double> values(t.Definition(x).GetNumberOfElements());
        const int k = t.net.GetNode(x)->GetDefinition()->GetNumberOfOutcomes();
        for (size_t c = 0; c < values.size(); c += k) {
            vovido::test::RandomColumn(&values[c], k, rng, [&](int j, int positive) {
                return sparse && positive + (k - j) > 2 && u(rng) < 0.4;
            });
        }
        t.Table(x, values);
    }
    for (int x : h) {
        if (u(rng) < 0.25) t.Observe(x, 0);
    }
}

TEST(LoopyPropagation, ExactOnPolytrees) {
    int checked = 0;
    for (unsigned seed = 1; seed <= 12; seed++) {
        std::mt19937 rng(seed);
        TestNetwork t;
        BuildPolytree(t, rng, 9, seed % 2 == 0);
        const vovido::test::Reference ref = vovido::test::Enumerate(t.net);
        if (ref.probEvidence == 0.0) continue;
        checked++;
        SetPasses(t.net, 9);
        t.net.SetBayesianAlgorithm(9);
        errorLog.Flush();
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << "seed " << seed;
        vovido::test::ExpectBeliefs(t.net, ref, 1e-9, "seed " + std::to_string(seed));
    }
    EXPECT_GE(checked, 10);
}

// In one pass every message read is still the starting one: a root's beliefs are its table times its
// evidence indicator, a child's the mean of its table's columns.
TEST(LoopyPropagation, OnePassUsesOnlyStartingMessages) {
    TestNetwork t;
    const int a = t.Add("A"), b = t.Add("B", 3), c = t.Add("C");
    t.Arcs({{a, b}, {b, c}});
    t.Table(a, {0.2, 0.8});
    t.Table(b, {0.5, 0.3, 0.2, 0.1, 0.1, 0.8});
    t.Table(c, {0.9, 0.1, 0.5, 0.5, 0.2, 0.8});
    t.Observe(c, 1);
    SetPasses(t.net, 1);
    t.net.SetBayesianAlgorithm(9);
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    vovido::test::ExpectNear(t.Beliefs(a), {0.2, 0.8});
    vovido::test::ExpectNear(t.Beliefs(b), {0.3, 0.2, 0.5});
    vovido::test::ExpectNear(t.Beliefs(c), {0.0, 1.0});
}

}  // namespace

namespace {

// A finding moves one arc a pass: on a chain of 12 nodes without a loop, observed at its end, the default
// five passes leave the nodes more than four arcs from it where they were without it; twelve passes are
// exact.
TEST(LoopyPropagation, FindingTravelsOneArcPerPass) {
    TestNetwork t;
    std::vector<int> chain;
    for (int i = 0; i < 12; i++) {
        chain.push_back(t.Add(("n" + std::to_string(i)).c_str()));
        if (i > 0) t.Arc(chain[i - 1], chain[i]);
        t.Table(chain[i], i == 0 ? std::vector<double>{0.3, 0.7} : std::vector<double>{0.9, 0.1, 0.2, 0.8});
    }
    t.net.SetBayesianAlgorithm(9);
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    std::vector<std::vector<double>> unobserved;
    for (int h : chain) unobserved.push_back(t.Beliefs(h));
    t.Observe(chain[11], 0);
    const vovido::test::Reference ref = vovido::test::Enumerate(t.net);
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    for (int i = 0; i < 12; i++) {
        const std::vector<double> beliefs = t.Beliefs(chain[i]);
        if (i <= 6) {
            vovido::test::ExpectNear(beliefs, unobserved[i], 1e-12);
        } else {
            EXPECT_GT(beliefs[0] - unobserved[i][0], 0.05) << "n" << i;
        }
    }
    EXPECT_GT(ref.beliefs[chain[6]][0] - t.Beliefs(chain[6])[0], 0.04);
    SetPasses(t.net, 12);
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    vovido::test::ExpectBeliefs(t.net, ref, 1e-9, "12 passes");
}

}  // namespace
