// Structure search: graph prior by hand, best two moves against every move scored on the changed graph,
// all 25 graphs of three variables, restarts, best-first, timed search, random graphs over tiers, and
// refusals that leave the graph as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "base/status_codes.h"
#include "learning/learning_dag.h"
#include "tests/support/learning_graphs.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

// Records of a -> b -> c (b of three states).
void ChainGraph(dag& g, int records) {
    TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b", 3), c = t.Add("c");
    t.Arcs({{a, b}, {b, c}});
    t.Table(a, {0.3, 0.7});
    t.Table(b, {0.8, 0.1, 0.1, 0.1, 0.2, 0.7});
    t.Table(c, {0.9, 0.1, 0.5, 0.5, 0.15, 0.85});
    DataSet data;
    ASSERT_TRUE(SampleRecords(t.net, records, 11, data));
    ASSERT_TRUE(g.import_data_set(data));
}

TEST(GraphPrior, ArcTermsByHand) {
    dag g;
    ChainGraph(g, 50);
    // No table: prior 0.
    const double data_only = g.score();
    const std::vector<double> p = {0.5, 0.2, 0.7, 0.4, 0.5, 0.1, 0.3, 0.6, 0.5};  // P(x, y), row x
    EXPECT_EQ(g.set_arc_probabilities({0.5, 0.2}), kOutOfRange);
    EXPECT_EQ(g.set_arc_probabilities({0.5, 1.0, 0.7, 0.4, 0.5, 0.1, 0.3, 0.6, 0.5}), kFailure);
    ASSERT_EQ(g.set_arc_probabilities(p), kSuccess);
    for (const auto& arc : {std::pair{0, 1}, {0, 2}, {2, 1}}) ASSERT_EQ(g.add_arc(arc.first, arc.second), 1);
    const auto l = [](double x) { return std::log(x); };
    const double t0 = l(0.2) + l(0.7), t1 = l(0.6) + l(0.9), t2 = l(0.7) + l(0.6);
    EXPECT_NEAR(g.arc_prior_term(1), t1, 1e-12);
    EXPECT_NEAR(g.graph_prior({0, 2}), t0 + t2, 1e-12);
    double data = 0.0;
    for (int i = 0; i < 3; ++i) data += g.local_score(i);
    EXPECT_NEAR(g.score(), data + t0 + t1 + t2, 1e-9);
    ASSERT_EQ(g.remove_arc(2, 1), 1);  // clears the cached term of the tail
    EXPECT_NEAR(g.graph_prior(), t0 + t1 + l(0.7) + l(0.4), 1e-12);
    ASSERT_EQ(g.remove_all_arcs(), kSuccess);
    ASSERT_EQ(g.set_arc_probabilities({}), kSuccess);
    EXPECT_NEAR(g.score(), data_only, 1e-9);
}

TEST(GraphPrior, SteersTheSearch) {
    // Two independent variables: the data adds no arc, a confident prior on 0 -> 1 does.
    dag g;
    std::vector<int32_t> x, y;
    for (int r = 0; r < 40; ++r) {
        x.push_back(r % 2);
        y.push_back(r / 2 % 2);
    }
    g.add_node_with_states("x", {"0", "1"}, x);
    g.add_node_with_states("y", {"0", "1"}, y);
    ASSERT_EQ(g.search_restarts(1), kSuccess);
    EXPECT_EQ(g.arc_count(), 0);
    ASSERT_EQ(g.set_arc_probabilities({0.5, 0.999, 0.5, 0.5}), kSuccess);
    ASSERT_EQ(g.search_restarts(1), kSuccess);
    EXPECT_TRUE(g.node_at(1)->is_parent(0));
    EXPECT_NEAR(g.score(), FreshScore(g), 1e-9);  // moves carry the prior's change
    // Accepting losses, the search still ends: a move is never followed by its undoing.
    ASSERT_EQ(g.set_double_option("MIN_GREEDY_DELTA", -1e6), kSuccess);
    ASSERT_EQ(g.set_arc_probabilities({}), kSuccess);
    ASSERT_EQ(g.search_restarts(1), kSuccess);
}

// Only an improving move can be the best; the second best is the best of all the others.
TEST(BestTwoMoves, MatchEveryMoveScoredOnTheChangedGraph) {
    for (const auto& arcs :
         std::vector<std::vector<std::pair<int, int>>>{{}, {{0, 1}, {1, 2}}, {{2, 0}, {2, 1}}}) {
        dag g;
        ChainGraph(g, 120);
        for (const auto& arc : arcs) ASSERT_EQ(g.add_arc(arc.first, arc.second), 1);
        std::vector<double> deltas;
        for (const auto& move : AllMoves(g)) deltas.push_back(move.delta);
        std::sort(deltas.rbegin(), deltas.rend());
        learning_move best, second;
        best.move_type = second.move_type = 3;
        best.move_delta = 0.0;
        ASSERT_EQ(g.best_two_moves_of_graph(best, second), kSuccess);
        const bool improves = deltas[0] > 1e-9;
        EXPECT_EQ(best.move_type < 3, improves);
        EXPECT_NEAR(improves ? best.move_delta : second.move_delta, deltas[0], 1e-9);
        if (improves) {
            EXPECT_NEAR(second.move_delta, deltas[1], 1e-9);
        }
        EXPECT_EQ(g.arc_count(), static_cast<int>(arcs.size()));  // every trial undone
    }
}

TEST(StructureSearch, BestOfAllThreeVariableGraphsIsFound) {
    dag g;
    ChainGraph(g, 300);
    double top = -1e308;
    int graphs = 0;
    const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    for (int code = 0; code < 27; ++code) {  // each pair: no arc, forward or backward
        ASSERT_EQ(g.remove_all_arcs(), kSuccess);
        for (int k = 0, c = code; k < 3; ++k, c /= 3) {
            if (c % 3 != 0) {
                ASSERT_EQ(g.add_arc(pairs[k][c % 3 - 1], pairs[k][2 - c % 3]), 1);
            }
        }
        if (!IsAcyclic(g)) continue;
        ++graphs;
        top = std::max(top, FreshScore(g));
    }
    EXPECT_EQ(graphs, 25);
    ASSERT_EQ(g.remove_all_arcs(), kSuccess);
    ASSERT_EQ(g.set_int_option("NUM_RESTARTS", 8), kSuccess);
    ASSERT_EQ(g.search_best_first(), kSuccess);
    EXPECT_NEAR(g.score(), top, 1e-9);
    // Greedy from no arcs ends where no single move improves.
    ASSERT_EQ(g.remove_all_arcs(), kSuccess);
    ASSERT_EQ(g.greedy_search(), kSuccess);
    for (const auto& move : AllMoves(g)) EXPECT_LE(move.delta, 1e-9);
}

TEST(StructureSearch, RestartsAndBestFirstKeepTheirBestGraph) {
    dag start, greedy, restarts, ascent, best_first, again;
    ASSERT_TRUE(SampledGraph("asia", 2000, 3, start));
    for (dag* g : {&greedy, &restarts, &ascent, &best_first, &again}) g->copy_from(start);
    // Restarts begin with the greedy search; best-first with one steepest ascent.
    ASSERT_EQ(greedy.greedy_search(), kSuccess);
    ASSERT_EQ(restarts.search_restarts(4), kSuccess);
    ASSERT_EQ(ascent.set_int_option("NUM_RESTARTS", 1), kSuccess);
    ASSERT_EQ(ascent.search_best_first(), kSuccess);
    for (const auto& move : AllMoves(ascent)) EXPECT_LE(move.delta, 1e-9);
    ASSERT_EQ(best_first.search_best_first(), kSuccess);
    EXPECT_GE(restarts.score(), greedy.score() - 1e-9);
    EXPECT_GE(best_first.score(), ascent.score() - 1e-9);
    for (dag* g : {&restarts, &best_first}) {
        EXPECT_NEAR(g->score(), FreshScore(*g), 1e-6);  // the cached score is the kept graph's
        EXPECT_TRUE(IsAcyclic(*g));
    }
    ASSERT_EQ(again.search_best_first(), kSuccess);  // deterministic
    EXPECT_EQ(Arcs(again), Arcs(best_first));
}

TEST(StructureSearch, RefusalsLeaveTheGraph) {
    dag g;
    ChainGraph(g, 60);
    ASSERT_EQ(g.add_arc(0, 1), 1);
    const double score = g.score();
    const std::vector<int> arcs = Arcs(g);
    for (const char* option : {"NUM_RESTARTS", "BESTF_GOBACK_NUM", "CRITERION"}) {
        dag h;
        h.copy_from(g);
        ASSERT_EQ(h.set_int_option(option, option[0] == 'C' ? 1 : 0), kSuccess);
        EXPECT_EQ(h.search_best_first(), kFailure) << option;
        if (option[0] == 'C') {
            EXPECT_EQ(h.search_restarts(3), kFailure);
            EXPECT_EQ(h.search_timed(0.0), kFailure);
        }
        EXPECT_EQ(Arcs(h), arcs) << option;
    }
    // Two records: the searches from restarts fail at once; a greedy search (feature selection's) runs.
    dag few;
    ChainGraph(few, 2);
    ASSERT_EQ(few.add_arc(0, 1), 1);
    const std::vector<int> fewArcs = Arcs(few);
    EXPECT_EQ(few.greedy_search(), kSuccess);
    EXPECT_EQ(few.thicken(-1), kSuccess);
    EXPECT_EQ(few.search_restarts(2), kFailure);
    EXPECT_EQ(few.search_best_first(), kFailure);
    EXPECT_EQ(Arcs(few), fewArcs);
    ASSERT_EQ(g.search_restarts(0), kSuccess);  // keeps graph and score
    EXPECT_EQ(g.score(), score);
    EXPECT_EQ(g.remove_arc(1, 0), 0);  // absent arc
    EXPECT_EQ(Arcs(g), arcs);
    EXPECT_EQ(g.restore_snapshot({1, 0}), kFailure);
    // Without a budget one greedy round and no random graph.
    dag greedy;
    greedy.copy_from(g);
    g.seed() = -5;
    ASSERT_EQ(g.search_timed(0.0), kSuccess);
    EXPECT_EQ(g.seed(), -5);
    ASSERT_EQ(greedy.greedy_search(), kSuccess);
    EXPECT_EQ(Arcs(g), Arcs(greedy));
}

TEST(StructureSearch, ParentLimitEndsEvenWithForcedParents) {
    dag g;
    ASSERT_TRUE(SampledGraph("asia", 300, 9, g));
    for (int x = 1; x < 6; ++x) ASSERT_EQ(g.add_arc(x, 0), 1);
    ASSERT_EQ(g.force_arc(1, 0), kSuccess);
    ASSERT_EQ(g.force_arc(2, 0), kSuccess);
    ASSERT_EQ(g.add_arc(0, 7), 1);
    for (int limit : {3, 1, 0}) {
        ASSERT_EQ(g.enforce_parent_limit(limit), kSuccess);
        EXPECT_EQ(static_cast<int>(g.node_at(0)->parents.size()), std::max(limit, 2));  // forced stay
        EXPECT_TRUE(g.node_at(0)->is_parent(1) && g.node_at(0)->is_parent(2));
        for (int i = 1; i < g.node_count(); ++i)
            EXPECT_LE(static_cast<int>(g.node_at(i)->parents.size()), limit);
        EXPECT_NEAR(g.score(), FreshScore(g), 1e-6);
    }
}

TEST(RandomGraph, GeneratedNodesTiersAndRefusals) {
    dag g;
    const std::map<std::string, int> params = {{"numNodes", 7}, {"maxNumParents", 2}};
    for (int round = 0; round < 10; ++round) {
        EXPECT_GE(g.random_graph(1.5, &params, nullptr), 0);
        ASSERT_EQ(g.node_count(), 7);
        EXPECT_TRUE(IsAcyclic(g));
        for (int i = 0; i < 7; ++i) EXPECT_LE(static_cast<int>(g.node_at(i)->parents.size()), 2);
    }
    EXPECT_EQ(g.node_at(6)->name, "Node_6");
    EXPECT_EQ(g.node_at(6)->num_states(), 6 % 4 + 2);
    EXPECT_EQ(g.node_at(2)->state_names.back(), "State_3");
    const std::vector<std::vector<int>> tiers = {{3, 0}, {1, 5}, {6, 2, 4}};
    const int tier_of[7] = {0, 1, 2, 0, 2, 1, 2};
    for (int round = 0; round < 10; ++round) {
        ASSERT_GE(g.random_graph(1.0, nullptr, &tiers), 0);
        for (int i = 0; i < 7; ++i) {
            for (int p : g.node_at(i)->parents) EXPECT_LT(tier_of[p], tier_of[i]);
        }
    }
    const std::map<std::string, int> loose = {{"maxNumParents", 100}};
    ASSERT_EQ(g.random_graph(50.0, &loose, &tiers), 2 * 2 + 3 * 4);  // every earlier node
    EXPECT_EQ(g.arc_count(), 16);
    const std::vector<int> arcs = Arcs(g);
    const std::vector<std::vector<std::vector<int>>> refused = {{{0, 1, 2}, {3}}, {{0, 1, 2, 3, 4, 5, 6, 6}}};
    for (const auto& t : refused) EXPECT_EQ(g.random_graph(1.0, nullptr, &t), kFailure);
    EXPECT_EQ(g.random_graph(8.0, nullptr, nullptr), kOutOfRange);
    EXPECT_EQ(g.random_graph(2.5, &params, nullptr), kOutOfRange);
    EXPECT_EQ(Arcs(g), arcs);
    const std::map<std::string, int> three = {{"numStates", 3}};
    ASSERT_EQ(g.add_generated_nodes(1, &three), kSuccess);
    EXPECT_EQ(g.node_at(7)->num_states(), 3);
}

TEST(LearningGraph, NodeIndexMapPairsByName) {
    dag a, b;
    ASSERT_EQ(a.add_generated_nodes(3, nullptr), kSuccess);
    for (const char* name : {"Node_2", "Node_0", "extra", "Node_1"})
        b.add_node_with_states(name, {"x", "y"}, {});
    std::vector<int> map;
    EXPECT_EQ(a.node_index_map(b, map), kFailure);  // four active nodes against three
    ASSERT_EQ(b.deactivate_node(2), kSuccess);
    ASSERT_EQ(a.node_index_map(b, map), kSuccess);
    EXPECT_EQ(map, (std::vector<int>{2, 0, -1, 1}));
    b.node_at(0)->name = "Node_1";  // two nodes of b name one node of a
    EXPECT_EQ(a.node_index_map(b, map), kFailure);
}

TEST(RandomGraph, PartitionTest) {
    dag g;
    ASSERT_EQ(g.add_generated_nodes(3, nullptr), kSuccess);
    const std::vector<std::pair<std::vector<std::vector<int>>, bool>> cases = {
        {{{0, 1}, {2}}, true},        {{{0, 0, 1}, {2}}, true},  {{{0}, {1}}, false},
        {{{0}, {1}, {2}, {}}, false}, {{{0, 1, 3}, {2}}, false}, {{{-1, 0, 1, 2}}, false}};
    for (const auto& c : cases) EXPECT_EQ(g.is_partition(c.first), c.second);
    ASSERT_EQ(g.deactivate_node(1), kSuccess);
    EXPECT_TRUE(g.is_partition({{0}, {2}}));
    EXPECT_FALSE(g.is_partition({{0, 1}, {2}}));
}

}  // namespace

// Greedy search with every move kind ends only where no single arc change gains, also from a random
// graph (whose moves change the parents' families under queued reversals).
TEST(StructureSearch, GreedyEndsWhereNoMoveGains) {
    for (int criterion : {3, 0}) {
        dag g;
        ASSERT_TRUE(SampledGraph("child", 500, 7, g));
        ASSERT_EQ(g.set_int_option("CRITERION", criterion), kSuccess);
        g.seed() = -1;
        ASSERT_GE(g.random_graph(1.0), 0);
        ASSERT_EQ(g.greedy_search(), kSuccess);
        double best = 0.0;
        for (const auto& move : AllMoves(g)) best = std::max(best, move.delta);
        EXPECT_LE(best, 1e-7) << criterion;
    }
}

TEST(Completion, StartsAgainWhenTheActiveNodesChange) {
    // A node deactivated after the first completion, and one activated after it, with arcs.
    for (bool activate : {false, true}) {
        dag g;
        g.add_node_with_states("a", {"0", "1"}, {0, 1, -1, 1, 0, -1});
        g.add_node_with_states("b", {"0", "1"}, {0, -1, 1, 1, -1, 0});
        g.add_node_with_states("c", {"0", "1"}, {-1, 1, 0, -1, 1, 0});
        if (activate) {
            ASSERT_EQ(g.deactivate_node(2), kSuccess);
        }
        ASSERT_EQ(g.add_arc(0, 1), 1);
        ASSERT_EQ(g.complete_missing_cells(1, 1), kSuccess);
        ASSERT_EQ(activate ? g.activate_node(2) : g.deactivate_node(1), kSuccess);
        ASSERT_EQ(g.add_arc(activate ? 2 : 0, activate ? 0 : 2), 1);
        EXPECT_EQ(g.complete_missing_cells(1, 3), kSuccess);
        EXPECT_NE(g.score(), kScoreNotComputed);
    }
}

namespace {

// The score of i's family with j added, on a copy that holds the arc and nothing cached.
double ScoreWithArc(const dag& g, int j, int i) {
    dag copy;
    copy.copy_from(g);
    int criterion = 0;
    (void)copy.get_int_option(5, criterion);
    (void)copy.set_int_option("CRITERION", criterion);  // drops the cached scores
    EXPECT_EQ(copy.add_arc(j, i), 1);
    return copy.local_score(i);
}

}  // namespace

TEST(AdditionScores, EqualTheScoreOfTheFamilyWithTheArc) {
    // Five nodes of 2 to 4 states over 40 records, some cells missing (-1), under every counted criterion,
    // priors by sample size, hidden records and completed records.
    std::vector<std::vector<int32_t>> columns(5);
    uint32_t seed = 5;
    for (int v = 0; v < 5; ++v) {
        for (int r = 0; r < 40; ++r) {
            seed = seed * 1103515245u + 12345u;
            const int32_t value = static_cast<int32_t>((seed >> 16) % (2 + v % 3));
            columns[v].push_back((seed >> 8) % 11 == 0           ? -1
                                 : v > 0 && (seed >> 4) % 3 == 0 ? columns[v - 1][r] % 2
                                                                 : value);
        }
    }
    enum Setting { kPlain, kK2, kLogLikelihood, kSampleSize, kHidden, kCompleted };
    for (Setting setting : {kPlain, kK2, kLogLikelihood, kSampleSize, kHidden, kCompleted}) {
        SCOPED_TRACE(setting);
        dag g;
        AddColumns(g, columns, {2, 3, 4, 2, 3});
        if (setting == kK2 || setting == kLogLikelihood) {
            ASSERT_EQ(g.set_int_option("CRITERION", setting == kK2 ? 3 : 4), kSuccess);
        }
        if (setting == kSampleSize) {
            ASSERT_EQ(g.set_int_option("PARAM_PRIORS_METHOD", 0), kSuccess);
            for (int i = 0; i < 5; ++i) g.node_at(i)->equivalent_sample_size = 2.5;
        }
        if (setting == kHidden) {
            std::vector<int> hidden(40, 0);
            for (int r = 0; r < 40; r += 3) hidden[r] = 1;
            ASSERT_EQ(g.select_records(hidden), kSuccess);
        }
        ASSERT_EQ(g.add_arc(0, 2), 1);
        ASSERT_EQ(g.add_arc(3, 2), 1);
        if (setting == kCompleted) {
            ASSERT_EQ(g.complete_missing_cells(2, 2), kSuccess);
        }
        // Asked twice, and again after the family changed.
        for (int round = 0; round < 3; ++round) {
            if (round == 2) {
                ASSERT_EQ(g.add_arc(1, 2), 1);
            }
            for (int i = 0; i < 5; ++i) {
                for (int j = 0; j < 5; ++j) {
                    if (j == i || g.node_at(i)->is_parent(j)) continue;
                    EXPECT_EQ(g.addition_score(i, j), ScoreWithArc(g, j, i)) << j << " -> " << i;
                }
            }
        }
    }
}
