// The learning library's graph: progress arithmetic, options, arcs under background knowledge, scores
// by hand, and the naive Bayes and fixed-structure recipes.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "base/status_codes.h"
#include "learning/dag_classifier.h"
#include "learning/learning_dag.h"
#include "learning/progress_tracker.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "tests/support/learning_graphs.h"
#include "tests/support/networks.h"

namespace {

// A graph of n binary nodes over the given columns (state indices).
void Build(dag& g, const std::vector<std::vector<int32_t>>& columns) {
    for (size_t v = 0; v < columns.size(); ++v)
        g.add_node_with_states("v" + std::to_string(v), {"a", "b"}, columns[v]);
}

TEST(ProgressTracker, NestedStepsCreditTheirShareOnce) {
    progress_tracker t;
    EXPECT_EQ(t.depth(), -1);
    ASSERT_EQ(t.open_step(0, 0.5, "outer"), kSuccess);
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(t.open_step(1, 0.25, "inner"), kSuccess);
        ASSERT_EQ(t.close_step(1), kSuccess);
    }
    // Each inner step credits its share of what is left of the outer one.
    EXPECT_NEAR(t.overall(), 0.5 * (1.0 - 0.75 * 0.75 * 0.75), 1e-12);
    ASSERT_EQ(t.close_step(0), kSuccess);
    EXPECT_NEAR(t.overall(), 0.5, 1e-12);
    // Weights are cut to what is left of the level, and overall stops at 1.
    ASSERT_EQ(t.open_step(0, 0.25, "a"), kSuccess);
    ASSERT_EQ(t.close_step(0), kSuccess);
    ASSERT_EQ(t.open_step(0, 3.0, "b"), kSuccess);
    ASSERT_EQ(t.close_step(0), kSuccess);
    EXPECT_NEAR(t.overall(), 1.0, 1e-12);
    EXPECT_EQ(t.open_step(3, 0.1, "too deep"), kOutOfRange);
    t.request_cancel();
    EXPECT_EQ(t.open_step(0, 0.1, "x"), kProgressCancelled);
    EXPECT_TRUE(t.cancelled());
}

TEST(LearningOptions, DefaultsNamesAndRanges) {
    dag g;
    int i = 0;
    double d = 0.0;
    bool b = false;
    ASSERT_EQ(g.get_int_option(5, i), kSuccess);
    EXPECT_EQ(i, 0);  // CRITERION
    ASSERT_EQ(g.get_int_option(6, i), kSuccess);
    EXPECT_EQ(i, 2);  // PARAM_PRIORS_METHOD
    ASSERT_EQ(g.get_double_option(4, d), kSuccess);
    EXPECT_EQ(d, 10.0);
    ASSERT_EQ(g.get_bool_option(3, b), kSuccess);
    EXPECT_TRUE(b);
    EXPECT_EQ(g.get_double_option(6, d), kFailure);
    EXPECT_EQ(g.set_int_option("NO_SUCH_OPTION", 1), kOutOfRange);
    EXPECT_EQ(g.set_int_option("MIN_GREEDY_DELTA", 1), kOutOfRange);  // a double option
    EXPECT_EQ(g.set_int_option("CRITERION", 3), kSuccess);
    ASSERT_EQ(g.get_int_option(5, i), kSuccess);
    EXPECT_EQ(i, 3);
    EXPECT_GE(g.seed(), -1999);
    EXPECT_LE(g.seed(), 0);
}

TEST(LearningGraph, ArcsKnowledgeAndDeactivation) {
    dag g;
    Build(g, {{0}, {0}, {0}, {0}});
    EXPECT_EQ(g.add_arc(0, 1), 1);
    EXPECT_EQ(g.add_arc(1, 2), 1);
    EXPECT_EQ(g.add_arc_acyclic(2, 0), 0);  // would close a cycle
    EXPECT_EQ(g.remove_arc(2, 0), 0);       // no such arc: refused, nothing changes
    EXPECT_EQ(g.reverse_arc_acyclic(0, 1), 1);
    EXPECT_TRUE(g.node_at(0)->is_parent(1));
    EXPECT_EQ(g.force_arc(3, 2), kSuccess);
    EXPECT_EQ(g.forbid_arc(3, 2), kFailure);  // forced before
    EXPECT_EQ(g.add_arc(3, 2), 1);
    EXPECT_EQ(g.remove_arc(3, 2), 0);  // forced arcs stay
    EXPECT_EQ(g.forbid_arc(0, 3), kSuccess);
    EXPECT_EQ(g.force_arc(0, 3), kFailure);
    EXPECT_EQ(g.add_arc(0, 3), 0);
    // Deactivation removes the node's arcs and keeps the indices of the others.
    ASSERT_EQ(g.deactivate_node(1), kSuccess);
    EXPECT_EQ(g.active_count(), 3);
    std::vector<int> visited;
    for (int i = -1; g.next_active(i) == kSuccess;) visited.push_back(i);
    EXPECT_EQ(visited, (std::vector<int>{0, 2, 3}));
    EXPECT_FALSE(g.node_at(0)->is_parent(1));
    const int added = g.add_node_with_states("late", {"x", "y"}, {0});
    EXPECT_EQ(added, 4);
    EXPECT_EQ(g.node_at(added)->index, 4);
    EXPECT_EQ(g.deactivate_node(9), kOutOfRange);
    EXPECT_EQ(g.node_at(0)->set_state(2), kFailure);  // one past the last state
    EXPECT_EQ(g.node_at(0)->set_state(1), kSuccess);
}

TEST(LearningGraph, RemovingANodeRenumbersArcsAndKnowledge) {
    dag g;
    Build(g, {{0, 1}, {1, 1}, {0, 0}, {1, 0}});
    ASSERT_EQ(g.add_arc(0, 2), 1);
    ASSERT_EQ(g.add_arc(3, 2), 1);
    ASSERT_EQ(g.forbid_arc(3, 0), kSuccess);
    const double before = g.local_score(2);
    ASSERT_EQ(g.remove_node(1), kSuccess);
    EXPECT_EQ(g.remove_node(7), kOutOfRange);
    EXPECT_EQ(g.node_at(1)->name, "v2");
    EXPECT_EQ(g.node_at(1)->parents, (std::vector<int>{0, 2}));
    EXPECT_EQ(g.add_arc(2, 0), 0);  // the forbidden arc followed its nodes
    EXPECT_EQ(g.local_score(1), before);
}

TEST(LearningGraph, TiersOrderTheNodes) {
    dag g;
    Build(g, {{0}, {0}, {0}});
    // Tier numbers need not be consecutive: 0 before 1 before 2.
    ApplyBackgroundKnowledge(g, {}, {}, {{0, 0}, {1, 2}, {2, 5}});
    EXPECT_EQ(g.add_arc(1, 0), 0);
    EXPECT_EQ(g.add_arc(2, 0), 0);  // through the closure
    EXPECT_EQ(g.add_arc(0, 2), 1);
}

TEST(LearningScores, MatchTheFormulasByHand) {
    // Child v1 with counts (given v0 = a) 3 x a, 1 x b; (given v0 = b) 0 x a, 2 x b.
    dag g;
    Build(g, {{0, 0, 0, 0, 1, 1}, {0, 0, 0, 1, 1, 1}});
    ASSERT_EQ(g.add_arc(0, 1), 1);
    const auto lg = [](double x) { return std::lgamma(x); };
    // BDe with every prior count 1.
    const double bde = (lg(4) + lg(2) - lg(2) - lg(6)) + (lg(1) + lg(3) - lg(2) - lg(4));
    EXPECT_NEAR(g.local_score(1), bde, 1e-12);
    ASSERT_EQ(g.set_int_option("CRITERION", 3), kSuccess);  // K2
    const double k2 = (lg(2) - lg(4 + 2) + lg(4) + lg(2)) + (lg(2) - lg(2 + 2) + lg(1) + lg(3));
    EXPECT_NEAR(g.local_score(1), k2, 1e-12);
    ASSERT_EQ(g.set_int_option("CRITERION", 4), kSuccess);  // penalised log-likelihood
    const double ll =
        3 * std::log(0.75) + std::log(0.25) + 2 * std::log(1.0) - 0.5 * (std::log(6) - std::log(2)) * 2;
    EXPECT_NEAR(g.local_score(1), ll, 1e-12);
    ASSERT_EQ(g.set_int_option("CRITERION", 1), kSuccess);
    EXPECT_EQ(g.score(), kScoreNotComputed);
    EXPECT_EQ(g.thicken(-1), kFailure);
    // Records hidden from counting: only the first four remain.
    ASSERT_EQ(g.set_int_option("CRITERION", 0), kSuccess);
    EXPECT_EQ(g.select_records({0, 0, 0, 0, 1}), kObjectNotValid);
    ASSERT_EQ(g.select_records({0, 0, 0, 0, 1, 1}), kSuccess);
    EXPECT_NEAR(g.local_score(1), lg(4) + lg(2) - lg(2) - lg(6), 1e-12);
    // Parameters: (1 + N) / (2 + N(j)).
    ASSERT_EQ(g.learn_parameters(), kSuccess);
    EXPECT_NEAR(g.node_at(1)->parameters[0], 4.0 / 6.0, 1e-12);
    EXPECT_NEAR(g.node_at(1)->parameters[2], 0.5, 1e-12);  // unseen configuration
}

TEST(Classifiers, NaiveBayesRecipesAndRefusals) {
    dag data;
    Build(data, {{0, 1, 0, 1, 0, 1, 0, 1},
                 {0, 1, 0, 1, 0, 1, 1, 1},
                 {0, 0, 1, 1, 0, 0, 1, 1},
                 {0, 1, 0, 1, 0, 1, 0, 0}});
    dag_classifier plain;
    plain.set_training_data(&data);
    ASSERT_EQ(plain.set_int("model_type", 1), kSuccess);
    EXPECT_EQ(plain.learn(), kFailure);  // no class variable
    EXPECT_EQ(plain.set_class_variable(-1), kOutOfRange);
    ASSERT_EQ(plain.set_class_variable(0), kSuccess);
    ASSERT_EQ(plain.learn(), kSuccess);
    EXPECT_EQ(plain.graph().node_at(0)->children.size(), 3u);
    EXPECT_TRUE(plain.graph().node_at(0)->parents.empty());
    EXPECT_EQ(plain.graph().arc_count(), 3);
    // Feature selection keeps the arcs that raise the score: v2 is independent of the class.
    dag_classifier selecting;
    selecting.set_training_data(&data);
    ASSERT_EQ(selecting.set_int("model_type", 2), kSuccess);
    ASSERT_EQ(selecting.set_class_variable(0), kSuccess);
    ASSERT_EQ(selecting.learn(), kSuccess);
    EXPECT_TRUE(selecting.graph().node_at(2)->parents.empty());
    for (int i = 1; i < 4; ++i) {
        for (int p : selecting.graph().node_at(i)->parents) EXPECT_EQ(p, 0);
    }
    ASSERT_EQ(selecting.set_int("model_type", 9), kSuccess);
    EXPECT_EQ(selecting.learn(), kObjectNotValid);
    // Three folds of 8 records: 3, 3 and 2 records, every record classified once.
    ASSERT_EQ(plain.set_int("model_type", 1), kSuccess);
    plain.set_test_data(&data);
    ASSERT_EQ(plain.set_positive_state(1), kSuccess);
    EXPECT_EQ(plain.cross_validate(9), kOutOfRange);
    ASSERT_EQ(plain.cross_validate(3), kSuccess);
    EXPECT_EQ(plain.predicted_states().size(), 8u);
    EXPECT_EQ(plain.true_states(), (std::vector<int>{0, 1, 0, 1, 0, 1, 0, 1}));
}

// Feature selection adds exactly the class arcs that thickening under the tiers [class], [features],
// every arc inside a tier forbidden, would add: over random columns, three criteria and priors.
TEST(Classifiers, FeatureSelectionAddsWhatThickeningUnderTheTiersAdds) {
    size_t arcs = 0, features = 0;
    for (int seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        const int n = 5 + static_cast<int>(rng() % 40), records = 3 + static_cast<int>(rng() % 150);
        const int c = static_cast<int>(rng() % n);
        std::vector<std::vector<int32_t>> columns(n, std::vector<int32_t>(records));
        std::vector<int> states(n);
        for (int v = 0; v < n; ++v) states[v] = 2 + v % 3;
        for (int r = 0; r < records; ++r) {
            columns[c][r] = static_cast<int32_t>(rng() % states[c]);
            // Every fourth feature follows the class one time in three; the others are drawn.
            for (int v = 0; v < n; ++v) {
                const bool tied = v % 4 == 0 && rng() % 3 == 0;
                if (v != c)
                    columns[v][r] =
                        static_cast<int32_t>(tied ? columns[c][r] % states[v] : rng() % states[v]);
            }
        }
        dag tiers, selected;
        for (dag* g : {&tiers, &selected}) {
            vovido::test::AddColumns(*g, columns, states);
            ASSERT_EQ(g->set_int_option("CRITERION", seed % 3 == 0 ? 3 : 0), kSuccess);
            ASSERT_EQ(g->set_int_option("PARAM_PRIORS_METHOD", seed % 2 == 0 ? 0 : 2), kSuccess);
        }
        for (int i = 0; i < n; ++i) {
            if (i == c) continue;
            (void)tiers.order_pair(c, i);
            for (int j = 0; j < n; ++j) {
                if (j != c && j != i) (void)tiers.forbid_arc(j, i);
            }
        }
        (void)tiers.close_order();
        ASSERT_EQ(tiers.thicken(-1), kSuccess);
        ASSERT_EQ(selected.add_gaining_arcs_from(c), kSuccess);
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(selected.node_at(i)->parents, tiers.node_at(i)->parents) << seed;
        EXPECT_NEAR(selected.score(), tiers.score(), 1e-9 * std::fabs(tiers.score())) << seed;
        for (int i = 0; i < n; ++i) arcs += selected.node_at(i)->parents.size();
        features += n - 1;
    }
    // The data ties many features to the class, not all.
    EXPECT_GT(arcs, 5u);
    EXPECT_LT(arcs, features / 2);
}

TEST(Classifiers, PosteriorByHand) {
    // Class v0 and one feature v1; priors 1: P(v0) = (1+2)/(2+4) each; P(v1 = a | v0 = a) = (1+2)/(2+2).
    dag data;
    Build(data, {{0, 0, 1, 1}, {0, 0, 1, 0}});
    dag_classifier c;
    c.set_training_data(&data);
    ASSERT_EQ(c.set_int("model_type", 1), kSuccess);
    ASSERT_EQ(c.set_class_variable(0), kSuccess);
    ASSERT_EQ(c.learn(), kSuccess);
    const std::vector<double> post = c.posterior({-1, 0});
    ASSERT_EQ(post.size(), 2u);
    const double a = 0.5 * 3.0 / 4.0, b = 0.5 * 2.0 / 4.0;
    EXPECT_NEAR(post[0], a / (a + b), 1e-12);
    EXPECT_EQ(c.classify({}), kOutOfRange);
}

TEST(LearningGraph, CopyToNetworkKeepsArcsNamesAndTables) {
    dag g;
    g.add_node_with_states("2nd var", {"0.5", "high"}, {0, 1, 1, 1});
    g.add_node_with_states("b", {"x", "y"}, {0, 0, 1, 1});
    ASSERT_EQ(g.add_arc(0, 1), 1);
    dag copy;
    copy.copy_from(g);
    EXPECT_EQ(copy.arc_count(), 1);
    ASSERT_EQ(copy.learn_parameters(), kSuccess);
    VRX_network net;
    ASSERT_EQ(copy.copy_to_network(net), kSuccess);
    const int a = net.FindNode("xnd_var"), b = net.FindNode("b");
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_EQ(vovido::test::Names(vovido::test::Def(net, "xnd_var")),
              (std::vector<std::string>{"State_0_5", "high"}));
    ASSERT_EQ(net.GetParents(b).GetCount(), 1);
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(net.GetNode(b)->GetDefinition()->GetDefinition(table), kSuccess);
    // b given "2nd var" = high: 1 x x, 2 x y, priors 1.
    EXPECT_NEAR((*table)[2], 2.0 / 5.0, 1e-12);
    EXPECT_NEAR((*table)[3], 3.0 / 5.0, 1e-12);
}

}  // namespace

namespace {

bool Acyclic(dag& g) {
    for (int i = 0; i < g.node_count(); ++i) {
        for (int p : g.node_at(i)->parents) {
            if (g.has_path(i, p)) return false;
        }
    }
    return true;
}

TEST(StructureSearch, RandomGraphsAreAcyclicAndRestartsKeepTheBest) {
    std::vector<std::vector<int32_t>> columns(6);
    for (int r = 0; r < 60; ++r) {
        const int a = (r * 7) % 3 == 0;
        const int values[6] = {a, a ^ (r % 5 == 0), r % 2, (r % 2) ^ (r % 7 == 0), a, r % 3 == 0};
        for (int v = 0; v < 6; ++v) columns[v].push_back(values[v]);
    }
    dag g;
    Build(g, columns);
    ASSERT_EQ(g.force_arc(5, 0), kSuccess);
    for (int round = 0; round < 20; ++round) {
        EXPECT_GE(g.random_graph(2.0), 0);
        EXPECT_TRUE(Acyclic(g));
    }
    EXPECT_EQ(g.random_graph(7.0), kOutOfRange);
    // No restart keeps the graph as it is.
    const int arcs = g.arc_count();
    ASSERT_EQ(g.search_restarts(0), kSuccess);
    EXPECT_EQ(g.arc_count(), arcs);
    ASSERT_EQ(g.remove_all_arcs(), kSuccess);
    ASSERT_EQ(g.search_restarts(1), kSuccess);
    const double once = g.score();
    ASSERT_EQ(g.search_restarts(4), kSuccess);
    EXPECT_GE(g.score(), once - 1e-9);
    EXPECT_TRUE(Acyclic(g));
    EXPECT_TRUE(g.node_at(0)->is_parent(5));
    // The cached score is the score of the graph kept.
    dag fresh;
    fresh.copy_from(g);
    ASSERT_EQ(fresh.set_int_option("CRITERION", 0), kSuccess);  // local scores computed anew
    double sum = 0.0;
    for (int i = 0; i < 6; ++i) sum += fresh.local_score(i);
    EXPECT_NEAR(g.score(), sum, 1e-6);
}

}  // namespace

TEST(LearningGraph, AddNodeLikeANetworkNode) {
    VRX_network net;
    const int h = vovido::test::AddCptNode(net, "rain", 3);
    const int e = net.AddNode(DefinitionType::kEquation, "level");
    ASSERT_GE(e, 0);
    dag g;
    Build(g, {{0, 1}});
    EXPECT_EQ(g.add_node_like(nullptr), kFailure);
    ASSERT_EQ(g.add_node_like(net.GetNode(h)), 1);
    ASSERT_EQ(g.add_node_like(net.GetNode(e)), 2);
    const hybrid_node& like = *g.node_at(1);
    EXPECT_EQ(like.name, "rain");
    EXPECT_EQ(like.state_names, vovido::test::Names(*net.GetNode(h)->GetDefinition()));
    EXPECT_EQ(like.kind, hybrid_node::kDiscretePart | hybrid_node::kDiscreteData);
    EXPECT_EQ(*like.data, std::vector<int32_t>(2, kMissingLearningValue));
    EXPECT_EQ(g.node_at(2)->name, "level");
    EXPECT_TRUE(g.node_at(2)->state_names.empty());
}

TEST(LearningNode, ContinuousSide) {
    // kind, then representation and active part without and with continuous data preferred.
    const std::vector<std::vector<int>> cases = {{1 | 16, 1, 1, 1, 1},
                                                 {2 | 32, 2, 2, 2, 2},
                                                 {1 | 2 | 16 | 32, 1, 2, 1, 2},
                                                 {1 | 2, 1, 2, 1, 2},
                                                 {0, 1, 2, -1, -1}};
    for (const auto& c : cases) {
        hybrid_node node;
        node.kind = c[0];
        EXPECT_EQ(std::vector<int>({node.representation(false), node.representation(true),
                                    node.active_part(false), node.active_part(true)}),
                  std::vector<int>(c.begin() + 1, c.end()))
            << c[0];
    }
    // The coefficients follow the parents of a node with a continuous part.
    dag g;
    const std::map<std::string, int> continuous = {{"continuous", 1}};
    ASSERT_EQ(g.add_generated_nodes(3, &continuous), kSuccess);
    ASSERT_EQ(g.add_arc(0, 2), 1);
    ASSERT_EQ(g.add_arc(1, 2), 1);
    EXPECT_EQ(g.node_at(2)->coefficients, std::vector<double>(2, 0.0));
    int seed = -3;
    g.node_at(2)->draw_coefficients(seed);
    for (double c : g.node_at(2)->coefficients) EXPECT_TRUE(c >= 0.1 && c < 1.0) << c;
    ASSERT_EQ(g.remove_arc(0, 2), 1);
    EXPECT_EQ(g.node_at(2)->coefficients.size(), 1u);
    EXPECT_EQ(g.node_at(2)->continuous_score, kScoreNotComputed);
    EXPECT_TRUE(g.node_at(0)->coefficients.empty());
    // A node with data of both kinds is scored only while discrete data is preferred.
    dag h;
    Build(h, {{0, 1, 1, 0}});
    h.node_at(0)->kind |= hybrid_node::kContinuousPart | hybrid_node::kContinuousData;
    EXPECT_EQ(h.local_score(0), kScoreNotComputed);
    ASSERT_EQ(h.set_bool_option("PREFER_CONT_DATA", false), kSuccess);
    EXPECT_NEAR(h.local_score(0), std::lgamma(3.0) * 2 - std::lgamma(6.0), 1e-12);
}
