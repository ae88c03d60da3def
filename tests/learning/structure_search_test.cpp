// Structure search of the learning graph: graph prior by hand, best and second-best moves against every
// move scored by building the changed graph, all 25 graphs over three variables, restarts, best-first,
// the timed search, random graphs over tiers, and the refusals that leave the graph as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "base/status_codes.h"
#include "learning/learning_dag.h"
#include "tests/support/learning_graphs.h"
#include "tests/support/networks.h"

namespace {

using vovido::test::AllMoves;
using vovido::test::FreshScore;
using vovido::test::IsAcyclic;

// Records of a -> b -> c with a, c binary and b of three states.
void ChainGraph(dag& g, int records) {
    vovido::test::TestNetwork t;
    const int a = t.Add("a"), b = t.Add("b", 3), c = t.Add("c");
    t.Arcs({{a, b}, {b, c}});
    t.Table(a, {0.3, 0.7});
    t.Table(b, {0.8, 0.1, 0.1, 0.1, 0.2, 0.7});
    t.Table(c, {0.9, 0.1, 0.5, 0.5, 0.15, 0.85});
    DataSet data;
    ASSERT_TRUE(vovido::test::SampleRecords(t.net, records, 11, data));
    ASSERT_TRUE(g.import_data_set(data));
}

std::vector<int> Arcs(const dag& g) {
    std::vector<int> m;
    g.snapshot(m);
    return m;
}

TEST(GraphPrior, ArcTermsByHand) {
    dag g;
    ChainGraph(g, 50);
    EXPECT_EQ(g.graph_prior(), 0.0);  // no table
    const double data_only = g.score();
    // P(x, y), row the tail.
    const std::vector<double> p = {0.5, 0.2, 0.7, 0.4, 0.5, 0.1, 0.3, 0.6, 0.5};
    EXPECT_EQ(g.set_arc_probabilities({0.5, 0.2}), kOutOfRange);
    std::vector<double> bad = p;
    bad[1] = 1.0;
    EXPECT_EQ(g.set_arc_probabilities(bad), kFailure);
    EXPECT_TRUE(g.arc_probabilities().empty());
    ASSERT_EQ(g.set_arc_probabilities(p), kSuccess);
    ASSERT_EQ(g.add_arc(0, 1), 1);
    ASSERT_EQ(g.add_arc(0, 2), 1);
    ASSERT_EQ(g.add_arc(2, 1), 1);
    const auto l = [](double x) { return std::log(x); };
    const double t0 = l(0.2) + l(0.7), t1 = l(1 - 0.4) + l(1 - 0.1), t2 = l(1 - 0.3) + l(0.6);
    EXPECT_NEAR(g.arc_prior_term(0), t0, 1e-12);
    EXPECT_NEAR(g.arc_prior_term(1), t1, 1e-12);
    EXPECT_NEAR(g.graph_prior({0, 2}), t0 + t2, 1e-12);
    EXPECT_NEAR(g.graph_prior(), t0 + t1 + t2, 1e-12);
    double data = 0.0;
    for (int i = 0; i < 3; ++i) data += g.local_score(i);
    EXPECT_NEAR(g.score(), data + t0 + t1 + t2, 1e-9);
    // A child change clears the tail's cached term.
    ASSERT_EQ(g.remove_arc(2, 1), 1);
    EXPECT_NEAR(g.arc_prior_term(2), l(1 - 0.3) + l(1 - 0.6), 1e-12);
    EXPECT_NEAR(g.graph_prior(), t0 + t1 + l(1 - 0.3) + l(1 - 0.6), 1e-12);
    ASSERT_EQ(g.remove_all_arcs(), kSuccess);
    ASSERT_EQ(g.set_arc_probabilities({}), kSuccess);
    EXPECT_NEAR(g.score(), data_only, 1e-9);
}

TEST(GraphPrior, SteersTheSearchAndKeepsTheCachedScoreExact) {
    // Two independent variables: the data alone adds no arc, a confident prior on 0 -> 1 does.
    dag g;
    std::vector<int32_t> x, y;
    for (int r = 0; r < 40; ++r) {
        x.push_back(r % 2);
        y.push_back((r / 2) % 2);
    }
    g.add_node_with_states("x", {"0", "1"}, x);
    g.add_node_with_states("y", {"0", "1"}, y);
    ASSERT_EQ(g.search_restarts(1), kSuccess);
    EXPECT_EQ(g.arc_count(), 0);
    ASSERT_EQ(g.set_arc_probabilities({0.5, 0.999, 0.5, 0.5}), kSuccess);
    ASSERT_EQ(g.search_restarts(1), kSuccess);
    EXPECT_TRUE(g.node_at(1)->is_parent(0));
    EXPECT_NEAR(g.score(), FreshScore(g), 1e-9);
}

// Only an improving move can be the best; the second best is the best of all the others.
TEST(BestTwoMoves, MatchEveryMoveScoredOnTheChangedGraph) {
    const std::vector<std::vector<std::pair<int, int>>> starts = {{}, {{0, 1}}, {{0, 1}, {1, 2}}, {{2, 0}, {2, 1}}};
    for (const auto& arcs : starts) {
        dag g;
        ChainGraph(g, 120);
        for (const auto& arc : arcs) ASSERT_EQ(g.add_arc(arc.first, arc.second), 1);
        std::vector<double> deltas;
        for (const auto& move : AllMoves(g)) deltas.push_back(move.delta);
        std::sort(deltas.rbegin(), deltas.rend());
        learning_move best, second;
        best.move_type = second.move_type = 3;
        best.move_delta = 0.0;
        second.move_delta = -1e308;
        ASSERT_EQ(g.best_two_moves_of_graph(best, second), kSuccess);
        ASSERT_GE(deltas.size(), 2u);
        if (deltas[0] > 1e-9) {
            EXPECT_NEAR(best.move_delta, deltas[0], 1e-9);
            EXPECT_NEAR(second.move_delta, deltas[1], 1e-9);
        } else {
            EXPECT_EQ(best.move_type, 3);
            EXPECT_NEAR(second.move_delta, deltas[0], 1e-9);
        }
        EXPECT_EQ(g.arc_count(), static_cast<int>(arcs.size()));  // every trial undone
    }
}

TEST(StructureSearch, BestOfAllThreeVariableGraphsIsFound) {
    dag g;
    ChainGraph(g, 300);
    double top = -1e308;
    int graphs = 0;
    // Each of the pairs (0,1), (0,2), (1,2): no arc, forward or backward.
    const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    for (int code = 0; code < 27; ++code) {
        ASSERT_EQ(g.remove_all_arcs(), kSuccess);
        for (int k = 0, c = code; k < 3; ++k, c /= 3) {
            const int from = pairs[k][c % 3 == 2 ? 1 : 0], to = pairs[k][c % 3 == 2 ? 0 : 1];
            if (c % 3 != 0) {
                ASSERT_EQ(g.add_arc(from, to), 1);
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
    EXPECT_NEAR(FreshScore(g), top, 1e-9);
    // Greedy from the empty graph ends where no single move improves.
    ASSERT_EQ(g.remove_all_arcs(), kSuccess);
    ASSERT_EQ(g.greedy_search(), kSuccess);
    for (const auto& move : AllMoves(g)) EXPECT_LE(move.delta, 1e-9);
}

TEST(StructureSearch, RestartsAndBestFirstKeepTheirBestGraph) {
    dag start;
    ASSERT_TRUE(vovido::test::SampledGraph("asia", 2000, 3, start));
    dag greedy, restarts, ascent, best_first;
    for (dag* g : {&greedy, &restarts, &ascent, &best_first}) g->copy_from(start);
    // Restarts begin with the greedy search from the start; best-first with one steepest ascent.
    ASSERT_EQ(greedy.greedy_search(), kSuccess);
    ASSERT_EQ(restarts.search_restarts(4), kSuccess);
    ASSERT_EQ(ascent.set_int_option("NUM_RESTARTS", 1), kSuccess);
    ASSERT_EQ(ascent.search_best_first(), kSuccess);
    for (const auto& move : AllMoves(ascent)) EXPECT_LE(move.delta, 1e-9);
    ASSERT_EQ(best_first.search_best_first(), kSuccess);
    EXPECT_GE(restarts.score(), greedy.score() - 1e-9);
    EXPECT_GE(best_first.score(), ascent.score() - 1e-9);
    for (dag* g : {&restarts, &ascent, &best_first}) {
        EXPECT_NEAR(g->score(), FreshScore(*g), 1e-6);  // the cached score is the kept graph's
        EXPECT_TRUE(IsAcyclic(*g));
    }
    // No randomness in best-first: the same start gives the same graph.
    dag again;
    again.copy_from(start);
    ASSERT_EQ(again.search_best_first(), kSuccess);
    EXPECT_EQ(Arcs(again), Arcs(best_first));
    std::printf("asia: greedy %.3f, restarts %.3f, one ascent %.3f, best-first %.3f\n", greedy.score(),
                restarts.score(), ascent.score(), best_first.score());
}

TEST(StructureSearch, RefusalsLeaveTheGraph) {
    dag g;
    ChainGraph(g, 60);
    ASSERT_EQ(g.add_arc(0, 1), 1);
    const double score = g.score();
    const std::vector<int> arcs = Arcs(g);
    struct Case {
        const char* option;
        int value;
    };
    for (const Case& c : {Case{"NUM_RESTARTS", 0}, Case{"BESTF_GOBACK_NUM", 0}, Case{"CRITERION", 1}}) {
        dag h;
        h.copy_from(g);
        ASSERT_EQ(h.set_int_option(c.option, c.value), kSuccess);
        EXPECT_EQ(h.search_best_first(), kFailure) << c.option;
        EXPECT_EQ(Arcs(h), arcs) << c.option;
        if (c.value == 1) {
            EXPECT_EQ(h.search_restarts(3), kFailure);
            EXPECT_EQ(h.search_timed(0.0), kFailure);
            EXPECT_EQ(Arcs(h), arcs);
        }
    }
    // No restart keeps graph and score; an absent arc is not removed.
    ASSERT_EQ(g.search_restarts(0), kSuccess);
    EXPECT_EQ(Arcs(g), arcs);
    EXPECT_EQ(g.score(), score);
    EXPECT_EQ(g.remove_arc(1, 2), 0);
    EXPECT_EQ(g.remove_arc(1, 0), 0);
    EXPECT_EQ(Arcs(g), arcs);
    EXPECT_EQ(g.restore_snapshot({1, 0}), kFailure);
}

TEST(StructureSearch, TimedSearchWithoutBudgetRunsOneRound) {
    dag g, greedy;
    ChainGraph(g, 200);
    greedy.copy_from(g);
    g.seed() = -5;
    ASSERT_EQ(g.search_timed(0.0), kSuccess);
    EXPECT_EQ(g.seed(), -5);  // no random graph was drawn
    ASSERT_EQ(greedy.greedy_search(), kSuccess);
    EXPECT_EQ(Arcs(g), Arcs(greedy));
    EXPECT_NEAR(g.score(), greedy.score(), 1e-9);
    ASSERT_EQ(g.search_timed(20.0), kSuccess);
    EXPECT_GE(g.score(), greedy.score() - 1e-9);
}

TEST(StructureSearch, ParentLimitEndsEvenWithForcedParents) {
    dag g;
    ASSERT_TRUE(vovido::test::SampledGraph("asia", 300, 9, g));
    for (int x = 1; x < 6; ++x) ASSERT_EQ(g.add_arc(x, 0), 1);
    ASSERT_EQ(g.force_arc(1, 0), kSuccess);
    ASSERT_EQ(g.force_arc(2, 0), kSuccess);
    ASSERT_EQ(g.add_arc(0, 7), 1);
    for (int limit : {3, 1, 0}) {
        ASSERT_EQ(g.enforce_parent_limit(limit), kSuccess);
        // Forced parents stay even above the limit; every other node keeps at most the limit.
        EXPECT_EQ(static_cast<int>(g.node_at(0)->parents.size()), std::max(limit, 2)) << limit;
        EXPECT_TRUE(g.node_at(0)->is_parent(1) && g.node_at(0)->is_parent(2));
        for (int i = 1; i < g.node_count(); ++i) EXPECT_LE(static_cast<int>(g.node_at(i)->parents.size()), limit);
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
    // Tiers: parents only from earlier tiers.
    const std::vector<std::vector<int>> tiers = {{3, 0}, {1, 5}, {6, 2, 4}};
    std::vector<int> tier_of = {0, 1, 2, 0, 2, 1, 2};
    for (int round = 0; round < 10; ++round) {
        ASSERT_GE(g.random_graph(1.0, nullptr, &tiers), 0);
        for (int i = 0; i < 7; ++i) {
            for (int p : g.node_at(i)->parents) EXPECT_LT(tier_of[p], tier_of[i]);
        }
    }
    // Every earlier node becomes a parent when the mean asks for more.
    const std::map<std::string, int> loose = {{"maxNumParents", 100}};
    ASSERT_EQ(g.random_graph(50.0, &loose, &tiers), 2 * 2 + 3 * 4);
    EXPECT_EQ(g.arc_count(), 16);
    const std::vector<int> arcs = Arcs(g);
    const std::vector<std::vector<std::vector<int>>> refused = {{{0, 1, 2}, {3}}, {{0, 1, 2, 3, 4, 5, 6, 6}}};
    for (const auto& t : refused) EXPECT_EQ(g.random_graph(1.0, nullptr, &t), kFailure);
    EXPECT_EQ(g.random_graph(8.0, nullptr, nullptr), kOutOfRange);
    EXPECT_EQ(g.random_graph(2.5, &params, nullptr), kOutOfRange);
    EXPECT_EQ(Arcs(g), arcs);
    dag small;
    ASSERT_EQ(small.add_generated_nodes(2, nullptr), kSuccess);
    EXPECT_EQ(small.random_graph(3.0), kOutOfRange);
    const std::map<std::string, int> three = {{"numStates", 3}};
    ASSERT_EQ(small.add_generated_nodes(2, &three), kSuccess);
    EXPECT_EQ(small.node_at(3)->num_states(), 3);
    EXPECT_EQ(small.add_generated_nodes(0, nullptr), kSuccess);
    EXPECT_EQ(small.node_count(), 4);
}

TEST(RandomGraph, PartitionTest) {
    dag g;
    ASSERT_EQ(g.add_generated_nodes(3, nullptr), kSuccess);
    const std::vector<std::pair<std::vector<std::vector<int>>, bool>> cases = {
        {{{0, 1}, {2}}, true}, {{{2, 0, 1}}, true},         {{{0, 0, 1}, {2}}, true},
        {{{0}, {1}}, false},   {{{0}, {1}, {2}, {}}, false}, {{{0, 1, 3}, {2}}, false}, {{{-1, 0, 1, 2}}, false}};
    for (const auto& c : cases) EXPECT_EQ(g.is_partition(c.first), c.second);
    ASSERT_EQ(g.deactivate_node(1), kSuccess);
    EXPECT_TRUE(g.is_partition({{0}, {2}}));
    EXPECT_FALSE(g.is_partition({{0, 1}, {2}}));
}

}  // namespace
