// D-connection and reachability in the graph the best-policy solver keeps: chains and forks close at an
// observed node, colliders open at an observed node or an observed descendant.
#include "inference/id_decision_graph.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// 0 -> 1 -> 2, 1 -> 3 <- 4, 3 -> 5.
vovido::DecisionGraph Sample() {
    vovido::DecisionGraph g(6);
    g.SetParents(1, {0});
    g.SetParents(2, {1});
    g.SetParents(3, {1, 4});
    g.SetParents(5, {3});
    return g;
}

TEST(DecisionGraph, DConnectionFollowsTheObservations) {
    struct Case {
        int from;
        int to;
        std::vector<int> observed;
        bool connected;
    };
    const Case cases[] = {
        {0, 2, {}, true},       // chain
        {0, 2, {1}, false},     // chain through an observed node
        {2, 3, {}, true},       // fork
        {2, 3, {1}, false},     // fork at an observed node
        {0, 4, {}, false},      // collider
        {0, 4, {3}, true},      // observed collider
        {0, 4, {5}, true},      // collider with an observed descendant
        {0, 4, {1, 5}, false},  // opened collider, chain closed before it
    };
    const vovido::DecisionGraph g = Sample();
    for (const Case& c : cases) {
        std::vector<char> observed(6, 0);
        for (int h : c.observed) observed[static_cast<size_t>(h)] = 1;
        EXPECT_EQ(g.DConnected(c.from, {c.to}, observed), c.connected) << c.from << " " << c.to;
        EXPECT_EQ(g.DConnected(c.to, {c.from}, observed), c.connected) << c.to << " " << c.from;
    }
    // Connected to a set when connected to one of its nodes.
    std::vector<char> observed(6, 0);
    EXPECT_TRUE(g.DConnected(0, {4, 2}, observed));
    observed[1] = 1;
    EXPECT_FALSE(g.DConnected(0, {4, 2}, observed));
}

TEST(DecisionGraph, ReachesAlongArcsAndForgetsReplacedParents) {
    vovido::DecisionGraph g = Sample();
    EXPECT_TRUE(g.Reaches(0, 5));
    EXPECT_FALSE(g.Reaches(5, 0));
    EXPECT_FALSE(g.Reaches(2, 3));
    g.SetParents(3, {4});
    EXPECT_FALSE(g.Reaches(0, 5));
    EXPECT_EQ(g.Parents(3), std::vector<int>{4});
}

}  // namespace
