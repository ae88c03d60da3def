// Expectation maximisation over a learning graph: the convergence test, expected counts by hand,
// parameters recovered from data with hidden values, the iteration bound, cancellation, and the
// dispatch by the incomplete-data method.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/status_codes.h"
#include "learning/dag_em.h"
#include "learning/learning_dag.h"
#include "tests/support/missing_data.h"

namespace {

constexpr int32_t kMissing = kMissingLearningValue;

TEST(ConvergenceTracker, RelativeToTheFirstChange) {
    struct Case {
        std::vector<double> scores;
        int converges_at;  // index of the score that ends the run, -1 for none
    };
    const Case cases[] = {
        {{-100.0, -50.0, -44.0, -43.5}, 3},  // changes 50, 6 (not below 5), 0.5
        {{-100.0, -50.0, -49.0}, 2},         // the third score can end it
        {{-10.0, -10.0, -10.0}, 2},          // equal first two: no scale, the third ends it
        {{-10.0, -10.0, -3.0}, 2},
        {{-100.0, -50.0, -50.0}, 2},  // identical scores after the first change
        {{-100.0, -100.0}, -1},       // the first two never end it
        {{-100.0, std::nan("")}, 1},  // a score that is not a number ends it at once
        {{-100.0, -50.0, -20.0, -10.0, -4.0}, -1},
    };
    for (const Case& c : cases) {
        convergence_tracker tracker;
        tracker.factor = 0.1;
        int at = -1;
        for (size_t k = 0; k < c.scores.size() && at < 0; ++k) {
            if (tracker.converged(c.scores[k])) at = static_cast<int>(k);
        }
        EXPECT_EQ(at, c.converges_at) << c.scores.size() << " scores, first " << c.scores[0];
    }
}

// a -> b, both binary, over the given columns.
void BuildPair(dag& g, std::vector<int32_t> a, std::vector<int32_t> b) {
    ASSERT_EQ(g.add_node_with_states("a", {"a0", "a1"}, std::move(a)), 0);
    ASSERT_EQ(g.add_node_with_states("b", {"b0", "b1"}, std::move(b)), 1);
    ASSERT_EQ(g.add_arc(0, 1), 1);
    g.set_missing_data(true);
}

TEST(GraphEm, ExpectedCountsByHand) {
    // Records: nothing observed; b = 1 only; a = 0 only; a hidden record of both (which adds nothing).
    // P(a) = (0.3, 0.7), P(b | a) = (0.9, 0.1 | 0.2, 0.8).
    dag g;
    BuildPair(g, {kMissing, kMissing, 0, 1}, {kMissing, 1, kMissing, 1});
    ASSERT_EQ(g.select_records({0, 0, 0, 1}), kSuccess);
    em_run run(g);
    ASSERT_EQ(run.set_up(), kSuccess);
    g.node_at(0)->parameters = {0.3, 0.7};
    g.node_at(1)->parameters = {0.9, 0.1, 0.2, 0.8};
    ASSERT_EQ(run.iterate(), kSuccess);
    // The empty record adds the joint itself; b = 1 adds P(a | b = 1) = (0.03, 0.56) / 0.59.
    const double a0 = 0.03 / 0.59, a1 = 0.56 / 0.59;
    const std::vector<double> a = run.expected_counts(0), b = run.expected_counts(1);
    const std::vector<double> want_a = {0.3 + a0 + 1.0, 0.7 + a1};
    const std::vector<double> want_b = {0.27 + 0.9, 0.03 + a0 + 0.1, 0.14, 0.56 + a1};
    for (size_t k = 0; k < 2; ++k) EXPECT_NEAR(a[k], want_a[k], 1e-12) << k;
    for (size_t k = 0; k < 4; ++k) EXPECT_NEAR(b[k], want_b[k], 1e-12) << k;
    ASSERT_EQ(run.log_likelihoods().size(), 1u);
    EXPECT_NEAR(run.log_likelihoods()[0], std::log(0.59) + std::log(0.3), 1e-12);
    // Then the estimate with the default priors (1.0 in every cell).
    EXPECT_NEAR(g.node_at(0)->parameters[0], (1.0 + want_a[0]) / 5.0, 1e-12);
    EXPECT_NEAR(g.node_at(1)->parameters[3], (1.0 + want_b[3]) / (2.0 + want_b[2] + want_b[3]), 1e-12);

    // Under P(a = 0) = 1, P(b = 1 | a = 0) = 0 the record b = 1 is impossible: it adds nothing, and
    // no cell becomes NaN.
    g.node_at(0)->parameters = {1.0, 0.0};
    g.node_at(1)->parameters = {1.0, 0.0, 0.5, 0.5};
    ASSERT_EQ(run.expectation(), kSuccess);
    EXPECT_EQ(run.impossible_records(), 1);
    EXPECT_EQ(run.expected_counts(0), (std::vector<double>{2.0, 0.0}));
    EXPECT_EQ(run.expected_counts(1), (std::vector<double>{2.0, 0.0, 0.0, 0.0}));
    EXPECT_TRUE(std::isinf(run.log_likelihoods().back()));
    ASSERT_EQ(run.iterate(), kSuccess);
    for (double p : g.node_at(1)->parameters) EXPECT_TRUE(p > 0.0 && p < 1.0) << p;
}

// The diamond network's records with 30 % of the values hidden, imported with the true arcs.
struct DiamondData {
    explicit DiamondData(int records) {
        EXPECT_TRUE(vovido::test::SampleRecords(truth.t.net, records, 11, data));
        // Records per parent configuration of each node, before any value is hidden.
        for (int r = 0; r < records; ++r) {
            const int a = data.GetInt(0, r), b = data.GetInt(1, r), c = data.GetInt(2, r);
            ++seen[0][0];
            ++seen[1][a];
            ++seen[2][a];
            ++seen[3][b * 2 + c];
        }
        vovido::test::HideValues(data, 0.3, 5);
    }
    void Import(dag& g) const {
        ASSERT_TRUE(g.import_data_set(data));
        for (auto arc : {std::pair<int, int>{0, 1}, {0, 2}, {1, 3}, {2, 3}})
            ASSERT_EQ(g.add_arc(arc.first, arc.second), 1);
        g.set_missing_data(true);
        g.seed() = -17;
    }
    vovido::test::Diamond truth;
    DataSet data;
    int seen[4][6] = {};
};

TEST(GraphEm, RecoversTheTablesFromPartlyHiddenData) {
    const DiamondData sample(4000);
    dag g;
    ASSERT_EQ(g.set_int_option("EM_MAX_ITERATIONS", 200), kSuccess);
    ASSERT_EQ(g.set_double_option("EM_CONV_FACTOR", 1e-4), kSuccess);
    sample.Import(g);
    ASSERT_EQ(g.estimate_parameters(), kSuccess);
    for (int i = 0; i < 4; ++i) {
        const std::vector<double> truth = vovido::test::Items(sample.truth.t.Definition(i));
        const std::vector<double>& learnt = g.node_at(i)->parameters;
        ASSERT_EQ(learnt.size(), truth.size()) << i;
        const int r = g.node_at(i)->num_states();
        for (size_t k = 0; k < truth.size(); ++k) {
            // About five standard deviations of a proportion near 1/2 over the configuration's records,
            // with a third of the information hidden.
            const double tolerance = 2.5 / std::sqrt(double(sample.seen[i][k / r]));
            EXPECT_NEAR(learnt[k], truth[k], tolerance) << "node " << i << " cell " << k;
        }
    }
    // The data are at least as likely under EM's tables as under those of the records whose family
    // is complete.
    dag complete;
    sample.Import(complete);
    complete.set_missing_data(false);
    ASSERT_EQ(complete.estimate_parameters(), kSuccess);
    double likelihood[2];
    for (const dag* source : {&g, &complete}) {
        em_run run(g);
        ASSERT_EQ(run.set_up(), kSuccess);
        for (int i = 0; i < 4; ++i) g.node_at(i)->parameters = source->node_at(i)->parameters;
        ASSERT_EQ(run.expectation(), kSuccess);
        likelihood[source == &g ? 0 : 1] = run.log_likelihoods().back();
    }
    EXPECT_GT(likelihood[0], likelihood[1]);
}

TEST(GraphEm, LikelihoodNeverFallsAndTheIterationsAreBounded) {
    const DiamondData sample(600);
    dag g;
    // Priors of 0.0 make each step a maximum-likelihood step; the BDe score is then not computed, the
    // scores never converge, and the bound alone ends the run.
    ASSERT_EQ(g.set_int_option("PARAM_PRIORS_METHOD", 0), kSuccess);
    ASSERT_EQ(g.set_double_option("EQUIV_SAMPLE_SIZE", 0.0), kSuccess);
    ASSERT_EQ(g.set_int_option("EM_MAX_ITERATIONS", 12), kSuccess);
    sample.Import(g);
    em_run run(g);
    ASSERT_EQ(run.run(), kSuccess);
    EXPECT_EQ(run.final_score(), kScoreNotComputed);
    const std::vector<double>& ll = run.log_likelihoods();
    ASSERT_EQ(ll.size(), 12u);
    for (size_t k = 1; k < ll.size(); ++k) EXPECT_GE(ll[k], ll[k - 1] - 1e-9 * std::fabs(ll[k - 1])) << k;
    EXPECT_GT(ll.back(), ll.front());

    // With the default options the relative test ends the run, before the bound of 20.
    dag h;
    sample.Import(h);
    em_run defaults(h);
    ASSERT_EQ(defaults.run(), kSuccess);
    EXPECT_GE(defaults.iterations(), 3);
    EXPECT_LT(defaults.iterations(), 20);
}

TEST(GraphEm, DispatchByTheIncompleteDataMethod) {
    const DiamondData sample(300);
    // The complete-data estimate and score, computed with the missing-data flag clear.
    dag complete;
    sample.Import(complete);
    complete.set_missing_data(false);
    ASSERT_EQ(complete.estimate_parameters(), kSuccess);
    const double complete_score = complete.score();
    // EM from the same seed, run directly.
    dag direct;
    sample.Import(direct);
    double em_score = 0.0;
    ASSERT_EQ(run_graph_em(direct, &em_score), kSuccess);
    EXPECT_NE(em_score, complete_score);

    struct Case {
        int method;
        int estimate;
        const dag* parameters_like;  // null: the estimate fails
        double score;
    };
    const Case cases[] = {
        {0, kFailure, nullptr, -1.0},
        {1, kSuccess, &direct, em_score},
        {2, kSuccess, &complete, complete_score},
        {3, kFailure, nullptr, complete_score},
    };
    for (const Case& c : cases) {
        dag g;
        sample.Import(g);
        ASSERT_EQ(g.set_int_option("INCOMPLETE_DATA_METHOD", c.method), kSuccess);
        EXPECT_EQ(g.estimate_parameters(), c.estimate) << c.method;
        for (int i = 0; c.parameters_like != nullptr && i < 4; ++i)
            EXPECT_EQ(g.node_at(i)->parameters, c.parameters_like->node_at(i)->parameters)
                << c.method << " " << i;
        g.seed() = -17;
        EXPECT_DOUBLE_EQ(g.score(), c.score) << c.method;
    }
}

TEST(GraphEm, RefusedStartAndCancelledTrackerEndTheRun) {
    DiamondData sample(100);
    // A start from a prior network needs one that matches every node and state.
    dag f;
    sample.Import(f);
    ASSERT_EQ(f.set_bool_option("EM_INITIALIZE_W_PRIOR_NET", true), kSuccess);
    EXPECT_EQ(f.estimate_parameters(), kObjectNotValid);
    // Started from the prior network, one iteration gives the same tables whatever the seed; a random
    // start does not.
    std::vector<double> tables[2][2];
    for (int fromPrior = 0; fromPrior < 2; ++fromPrior) {
        for (int seed = 0; seed < 2; ++seed) {
            dag e;
            sample.Import(e);
            e.seed() = -3 - 500 * seed;
            ASSERT_EQ(e.set_int_option("EM_MAX_ITERATIONS", 1), kSuccess);
            ASSERT_EQ(e.set_bool_option("EM_INITIALIZE_W_PRIOR_NET", fromPrior == 1), kSuccess);
            e.set_prior_network(&sample.truth.t.net);
            ASSERT_EQ(e.estimate_parameters(), kSuccess);
            tables[fromPrior][seed] = e.node_at(3)->parameters;
        }
    }
    EXPECT_NE(tables[0][0], tables[0][1]);
    EXPECT_EQ(tables[1][0], tables[1][1]);
    dag g;
    sample.Import(g);
    g.progress().request_cancel();
    EXPECT_EQ(g.estimate_parameters(), kProgressCancelled);
    EXPECT_EQ(g.score(), kScoreNotComputed);
    // Inside a driver's step the run reports its steps and credits its whole share when closed.
    dag h;
    sample.Import(h);
    ASSERT_EQ(h.progress().open_step(0, 0.5, "driver"), kSuccess);
    ASSERT_EQ(h.estimate_parameters(), kSuccess);
    EXPECT_GT(h.progress().overall(), 0.0);
    ASSERT_EQ(h.progress().close_step(0), kSuccess);
    EXPECT_NEAR(h.progress().overall(), 0.5, 1e-12);
}

}  // namespace
