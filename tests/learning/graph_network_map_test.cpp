// A learning graph and a network: node and outcome maps, parameter copies across other parent and
// outcome orders, the graph copied into a network, priors read from a prior network, and the
// parameter-learning driver with its progress steps.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "learning/graph_network_map.h"
#include "learning/learning_dag.h"
#include "learning/progress_tracker.h"
#include "model/header.h"
#include "model/node_info.h"
#include "model/node_value.h"
#include "tests/support/brute_force.h"
#include "tests/support/learning_graphs.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;
using gmap = graph_network_map;

const LearningNodes kAbc = {{"A", {"a0", "a1"}}, {"B", {"b0", "b1", "b2"}}, {"C", {"c0", "c1"}}};

// P(C = c1 | B, A) by the network's outcome indices.
double PC1(int nb, int na) {
    return 0.1 + 0.1 * (2 * nb + na);
}

// A -> B, A -> C, B -> C with handles, C's parent order (B, A) and every outcome order unlike the graph's:
// graph state a is outcome 1 - a, b is (b + 1) % 3, c is 1 - c.
struct Abc {
    Abc() : t(Notices::kOn) {
        c = Node("C", {"c1", "c0"});
        a = Node("A", {"a1", "a0"});
        b = Node("B", {"b2", "b0", "b1"});
        t.Arcs({{a, b}, {b, c}, {a, c}});
        t.Table(a, {0.3, 0.7});
        t.Table(b, {0.2, 0.5, 0.3, 0.1, 0.6, 0.3});
        std::vector<double> tc;
        for (int k = 0; k < 6; ++k) tc.insert(tc.end(), {PC1(k / 2, k % 2), 1 - PC1(k / 2, k % 2)});
        t.Table(c, tc);
    }
    int Node(const char* id, const std::vector<const char*>& outcomes) {
        const int h = t.Add(id, static_cast<int>(outcomes.size()));
        EXPECT_EQ(t.net.GetNode(h)->GetDefinition()->SetOutcomes(Strings(outcomes)), kSuccess);
        return h;
    }
    std::vector<std::vector<double>> Tables() const {
        return {TableOf(t.net, a), TableOf(t.net, b), TableOf(t.net, c)};
    }
    TestNetwork t;
    int a, b, c;
};

// By hand from the network's table, in the graph's order (A, B, then C fastest).
double ThetaC(int a, int b, int c) {
    return c == 1 ? PC1((b + 1) % 3, 1 - a) : 1 - PC1((b + 1) % 3, 1 - a);
}

void AbcGraph(dag& g, const std::vector<std::vector<int32_t>>& columns = {}) {
    AddLearningNodes(g, kAbc, columns);
    ASSERT_EQ(g.add_arc(0, 1), 1);
    ASSERT_EQ(g.add_arc(0, 2), 1);
    ASSERT_EQ(g.add_arc(1, 2), 1);
    for (int k = 0; k < 12; ++k) g.node_at(2)->parameters.push_back(ThetaC(k / 6, k / 2 % 3, k % 2));
}

TEST(GraphNetworkMap, NodesMatchByNameOnceEach) {
    Abc net;
    dag g;
    AddLearningNodes(
        g, {{"B", {"b0", "b1", "b2"}}, {"zz", {"x", "y"}}, {"A", {"a0", "a1"}}, {"A", {"a0", "a1"}}});
    gmap map(&g, &net.t.net);
    const std::vector<int> expected{net.b, -1, net.a, -1, -1};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(map.handle_of(i), expected[i]) << i;
    EXPECT_EQ(map.flags(), gmap::kOwnedMap | gmap::kNodeMapCurrent);
    EXPECT_EQ(map.network_node_of(1), nullptr);
    EXPECT_EQ(map.network_node_of(2), net.t.net.GetNode(net.a));
    EXPECT_EQ(map.match_outcomes(), 0);  // the states of zz match nothing
    const std::vector<int> given{net.c, net.a, net.b, net.c};
    map.bind(&g, &net.t.net, &given);
    EXPECT_EQ(map.flags(), gmap::kNodeMapCurrent | gmap::kAllNodesMatched);
    EXPECT_EQ(map.handle_of(1), net.a);
    EXPECT_EQ(gmap(&g, nullptr).handle_of(0), -1);
}

TEST(GraphNetworkMap, StatesMatchOutcomesAsIdentifiers) {
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases{
        {{"0.5", "high"}, {"State_0_5", "high"}},
        {{"a b", "a_b", ""}, {"a_b", "a_b0", "State_"}},
        {{"x-1", "_y"}, {"x_1", "State__y"}},
    };
    for (const auto& c : cases) {
        hybrid_node node;
        node.state_names = c.first;
        EXPECT_EQ(gmap::state_ids(node), c.second);
    }
    Abc net;
    dag g;
    AbcGraph(g);
    gmap map(&g, &net.t.net);
    EXPECT_EQ(map.match_outcomes(), 1);
    EXPECT_TRUE(map.flags() & gmap::kAllStatesMatched);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(map.outcome_of(1, s), (s + 1) % 3);
    EXPECT_EQ(map.outcome_of(1, 3), -1);
    ASSERT_EQ(net.t.net.GetNode(net.a)->GetDefinition()->RenameOutcome(0, "other"), kSuccess);
    map.outcomes_changed();
    EXPECT_EQ(map.match_outcomes(), 0);
    EXPECT_EQ(map.outcome_of(0, 1), -1);
    EXPECT_EQ(map.outcome_of(0, 0), 1);
}

TEST(GraphNetworkMap, CopiesTranslateParentAndOutcomeOrderBothWays) {
    Abc source, target;
    target.t.Table(target.c, std::vector<double>(12, 0.5));
    dag g;
    AbcGraph(g);
    gmap to(&g, &target.t.net);
    ASSERT_EQ(to.copy_parameters(2, true), kSuccess);
    ExpectNear(TableOf(target.t.net, target.c), TableOf(source.t.net, source.c), 1e-12);
    const std::vector<double> expected = g.node_at(2)->parameters;
    g.node_at(2)->parameters.assign(12, 0.0);
    gmap from(&g, &source.t.net);
    ASSERT_EQ(from.copy_parameters(2, false), kSuccess);
    ExpectNear(g.node_at(2)->parameters, expected, 1e-12);
}

TEST(GraphNetworkMap, RefusedCopiesLeaveTheNetworkAsItWas) {
    struct Case {
        const char* what;
        std::function<void(Abc&)> change;
        int code;
    };
    const std::vector<Case> cases{
        {"fewer network parents", [](Abc& n) { ASSERT_EQ(n.t.net.RemoveArc(n.a, n.c), kSuccess); },
         kOutOfRange},
        {"a learning parent that is no network parent",
         [](Abc& n) {
             ASSERT_EQ(n.t.net.RemoveArc(n.a, n.c), kSuccess);
             n.t.Arc(n.t.Add("X"), n.c);
         },
         kOutOfRange},
        {"unmatched node", [](Abc& n) { ASSERT_EQ(n.t.net.GetNode(n.c)->SetId("D"), kSuccess); },
         kOutOfRange},
        {"unmatched parent state",
         [](Abc& n) { ASSERT_EQ(n.t.net.GetNode(n.b)->GetDefinition()->RenameOutcome(2, "z"), kSuccess); },
         kFailure},
    };
    for (const Case& c : cases) {
        Abc net;
        c.change(net);
        dag g;
        AbcGraph(g);
        const auto before = net.Tables();
        gmap map(&g, &net.t.net);
        EXPECT_EQ(map.copy_parameters(2, true), c.code) << c.what;
        EXPECT_NE(g.copy_parameters_to_network(map, 1), kSuccess) << c.what;
        EXPECT_EQ(net.Tables(), before) << c.what;
    }
}

TEST(LearningGraphCopy, IdentifiersRepairedOrGeneratedAndNamesKept) {
    dag g;
    AddLearningNodes(g, {{"2nd var", {"lo", "hi"}}, {"a", {"x", "y"}}, {"a", {"1", "2", "3"}}});
    ASSERT_EQ(g.add_arc(0, 2), 1);
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "old"), 0);
    ASSERT_EQ(g.copy_to_network(net), kSuccess);
    EXPECT_LT(net.FindNode("old"), 0);
    EXPECT_EQ(net.GetNumberOfNodes(), 3);
    const int first = net.FindNode("xnd_var"), second = net.FindNode("a");
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_STREQ(net.GetNode(first)->GetInfo()->header.GetName(), "2nd var");
    int third = -1;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h))
        third = h != first && h != second ? h : third;
    ASSERT_GE(third, 0);
    EXPECT_EQ(std::string(net.GetNode(third)->GetId()).rfind("Node", 0), 0u);
    EXPECT_STREQ(net.GetNode(third)->GetInfo()->header.GetName(), "a");
    EXPECT_EQ(Names(*net.GetNode(third)->GetDefinition()),
              (std::vector<std::string>{"State_1", "State_2", "State_3"}));
    EXPECT_EQ(Items(net.GetParents(third)), std::vector<int>{first});
    ExpectNear(TableOf(net, third), std::vector<double>(6, 1.0 / 3), 1e-12);  // no parameters yet: uniform
}

TEST(LearningGraphCopy, RepairedAndGeneratedIdentifiersNeverTakeALaterNodesName) {
    dag g;
    AddLearningNodes(
        g, {{"x y", {"a", "b"}}, {"x_y", {"a", "b"}}, {"Node0", {"a", "b"}}, {"Node0", {"a", "b"}}});
    VRX_network net;
    ASSERT_EQ(g.copy_to_network(net), kSuccess);
    // Every node whose name is an identifier no earlier node took keeps it.
    for (const char* id : {"x_y", "Node0"}) {
        const int h = net.FindNode(id);
        ASSERT_GE(h, 0) << id;
        EXPECT_STREQ(net.GetNode(h)->GetInfo()->header.GetName(), id);
    }
    std::set<std::string> ids;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) ids.insert(net.GetNode(h)->GetId());
    EXPECT_EQ(ids, (std::set<std::string>{"x_y", "Node0", "Node1", "Node2"}));
}

TEST(LearningPriors, ReadFromThePriorNetworkByName) {
    Abc prior;
    dag g;
    AbcGraph(g);
    g.set_prior_network(&prior.t.net);
    for (int i = 0; i < 3; ++i) g.node_at(i)->equivalent_sample_size = 4.0;
    std::vector<double> alpha;
    ASSERT_EQ(g.set_int_option("PARAM_PRIORS_METHOD", 5), kSuccess);
    ASSERT_EQ(g.family_priors(2, {0, 1}, alpha), kSuccess);
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(alpha[k], 4.0 * ThetaC(k / 6, k / 2 % 3, k % 2), 1e-12) << k;
    EXPECT_EQ(g.family_priors(2, {0}, alpha), kFailure);  // a family the prior network does not have
    // Method 4: ESS P(A, B) = ESS P(A) P(B | A).
    ASSERT_EQ(g.set_int_option("PARAM_PRIORS_METHOD", 4), kSuccess);
    const double pa[2] = {0.7, 0.3}, pb[2][3] = {{0.6, 0.3, 0.1}, {0.5, 0.3, 0.2}};
    ASSERT_EQ(g.family_priors(1, {0}, alpha), kSuccess);
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(alpha[k], 4.0 * pa[k / 3] * pb[k / 3][k % 3], 1e-9) << k;
    // Under the prior network's evidence C = c0, against the enumerated joint.
    prior.t.Observe(prior.c, 1);
    g.set_prior_network(&prior.t.net);
    const double evidence = vovido::test::Enumerate(prior.t.net).probEvidence;
    ASSERT_EQ(g.family_priors(1, {0}, alpha), kSuccess);
    for (int k = 0; k < 6; ++k) {
        prior.t.Observe(prior.a, 1 - k / 3);
        prior.t.Observe(prior.b, (k % 3 + 1) % 3);
        EXPECT_NEAR(alpha[k], 4.0 * vovido::test::Enumerate(prior.t.net).probEvidence / evidence, 1e-9) << k;
        ASSERT_EQ(prior.t.Value(prior.a)->ClearEvidence(), kSuccess);
        ASSERT_EQ(prior.t.Value(prior.b)->ClearEvidence(), kSuccess);
    }
    // Method 1 puts EQUIV_SAMPLE_SIZE into the node first, then is method 4.
    ASSERT_EQ(g.set_double_option("EQUIV_SAMPLE_SIZE", 7.0), kSuccess);
    g.node_at(1)->equivalent_sample_size = 7.0;
    std::vector<double> byFour, byOne;
    ASSERT_EQ(g.family_priors(1, {0}, byFour), kSuccess);
    g.node_at(1)->equivalent_sample_size = 3.0;
    ASSERT_EQ(g.set_int_option("PARAM_PRIORS_METHOD", 1), kSuccess);
    ASSERT_EQ(g.family_priors(1, {0}, byOne), kSuccess);
    EXPECT_EQ(byOne, byFour);
    EXPECT_EQ(g.node_at(1)->equivalent_sample_size, 7.0);
    ASSERT_EQ(g.set_int_option("PARAM_PRIORS_METHOD", 9), kSuccess);
    EXPECT_EQ(g.family_priors(1, {0}, alpha), 9);
    EXPECT_EQ(alpha, std::vector<double>(6, 0.0));
}

TEST(LearningPriors, ParametersWithoutDataAreThePriorTables) {
    Abc prior;
    dag g;
    AbcGraph(g);
    ASSERT_EQ(g.set_int_option("PARAM_PRIORS_METHOD", 5), kSuccess);
    EXPECT_EQ(g.local_score(2), kScoreNotComputed);  // no prior network
    EXPECT_EQ(g.learn_parameters(), kFailure);
    g.set_prior_network(&prior.t.net);
    ASSERT_EQ(g.learn_parameters(), kSuccess);
    for (int k = 0; k < 12; ++k)
        EXPECT_NEAR(g.node_at(2)->parameters[k], ThetaC(k / 6, k / 2 % 3, k % 2), 1e-12);
    // With A = a0 observed, A = a1 has neither prior mass nor data: its distribution is uniform.
    prior.t.Observe(prior.a, 1);
    g.set_prior_network(&prior.t.net);
    ASSERT_EQ(g.set_int_option("PARAM_PRIORS_METHOD", 4), kSuccess);
    ASSERT_EQ(g.learn_parameters(), kSuccess);
    ExpectNear(g.node_at(1)->parameters, {0.6, 0.3, 0.1, 1.0 / 3, 1.0 / 3, 1.0 / 3}, 1e-9);
}

TEST(LearningPriors, CachedScoresFollowThePriors) {
    Abc one, two;
    two.t.Table(two.b, {0.6, 0.2, 0.2, 0.3, 0.3, 0.4});
    const std::vector<std::vector<int32_t>> columns{{0, 0, 1, 1, 0}, {0, 1, 2, 1, 0}, {0, 1, 1, 0, 0}};
    dag g, fresh;
    AbcGraph(g, columns);
    AbcGraph(fresh, columns);
    for (dag* d : {&g, &fresh}) ASSERT_EQ(d->set_int_option("PARAM_PRIORS_METHOD", 5), kSuccess);
    g.set_prior_network(&one.t.net);
    fresh.set_prior_network(&two.t.net);
    const double first = g.local_score(1);
    g.set_prior_network(&two.t.net);
    // Counts given A = a0: 2, 1, 0; given a1: 0, 1, 1. Priors 10 P(B | A): 3, 4, 3 and 2, 2, 6.
    const auto lg = [](double x) { return std::lgamma(x); };
    const double bde =
        lg(5) - lg(3) + lg(5) - lg(4) + lg(10) - lg(13) + lg(3) - lg(2) + lg(7) - lg(6) + lg(10) - lg(12);
    EXPECT_NEAR(g.local_score(1), bde, 1e-12);
    EXPECT_NE(first, bde);
    g.node_at(1)->equivalent_sample_size = 20.0;
    fresh.node_at(1)->equivalent_sample_size = 20.0;
    EXPECT_EQ(g.local_score(1), fresh.local_score(1));
    EXPECT_NE(g.local_score(1), bde);
}

// Four parentless binary nodes over two records, learnt as the one step "run" of the tracker.
void FourNodes(dag& g) {
    AddLearningNodes(g, {{"n0", {"x", "y"}}, {"n1", {"x", "y"}}, {"n2", {"x", "y"}}, {"n3", {"x", "y"}}},
                     {{0, 1}, {1, 1}, {0, 0}, {1, 0}});
    ASSERT_EQ(g.progress().open_step(0, 1.0, "run"), kSuccess);
}

// A tracker taken through the steps (weight, text) the driver must have made; the last one stays open.
progress_tracker Replay(const std::vector<std::pair<double, std::string>>& steps) {
    progress_tracker t;
    EXPECT_EQ(t.open_step(0, 1.0, "run"), kSuccess);
    const auto inner = [&](size_t k) { return steps[k].second.rfind("Node", 0) == 0; };
    for (size_t k = 0; k < steps.size(); ++k) {
        EXPECT_EQ(t.open_step(inner(k) ? 2 : 1, steps[k].first, steps[k].second), kSuccess);
        // A step stays open while the node steps inside it run.
        if (k + 1 < steps.size() && (inner(k) || !inner(k + 1))) {
            EXPECT_EQ(t.close_step(inner(k) ? 2 : 1), kSuccess);
        }
    }
    return t;
}

TEST(LearningDriver, ProgressStepsOnFourNodes) {
    // The prior network lacks node k: estimating it fails, and the steps still open show where.
    for (int k = 0; k < 4; ++k) {
        dag g;
        FourNodes(g);
        VRX_network target;
        ASSERT_EQ(g.copy_to_network(target), kSuccess);
        VRX_network prior;
        ASSERT_EQ(prior.CopyFrom(target, true), kSuccess);
        ASSERT_EQ(prior.GetNode(prior.FindNode(("n" + std::to_string(k)).c_str()))->SetId("gone"), kSuccess);
        g.set_prior_network(&prior);
        ASSERT_EQ(g.set_int_option("PARAM_PRIORS_METHOD", 5), kSuccess);
        gmap map(&g, &target);
        EXPECT_EQ(g.learn_parameters(map), kFailure);
        std::vector<std::pair<double, std::string>> steps{{0.05, "Discretizing"},
                                                          {0.8, "Calculating MAP Parameters"}};
        for (int i = 0; i <= k; ++i) steps.emplace_back(0.25, "Node: " + std::to_string(i) + "/4");
        const progress_tracker expected = Replay(steps);
        EXPECT_EQ(g.progress().texts(), expected.texts());
        EXPECT_EQ(g.progress().texts().back(), "Node: " + std::to_string(k) + "/4");
        EXPECT_NEAR(g.progress().overall(), expected.overall(), 1e-12);
        bool prefer = false;
        ASSERT_EQ(g.get_bool_option(3, prefer), kSuccess);
        EXPECT_TRUE(prefer);  // PREFER_CONT_DATA is back after a failure too
    }
    dag g, ok;
    FourNodes(g);
    FourNodes(ok);
    VRX_network target;
    ASSERT_EQ(g.copy_to_network(target), kSuccess);
    const int renamed = target.FindNode("n2");
    ASSERT_EQ(target.GetNode(renamed)->GetDefinition()->RenameOutcome(1, "z"), kSuccess);
    gmap map(&g, &target);
    EXPECT_EQ(g.learn_parameters(map), kFailure);
    const progress_tracker expected = Replay({{0.05, "Discretizing"},
                                              {0.8, "Calculating MAP Parameters"},
                                              {0.15, "Copying Parameters to VRX network"}});
    EXPECT_EQ(g.progress().texts(), (std::vector<std::string>{"run", "Copying Parameters to VRX network"}));
    EXPECT_NEAR(g.progress().overall(), expected.overall(), 1e-12);
    ASSERT_EQ(target.GetNode(renamed)->GetDefinition()->RenameOutcome(1, "y"), kSuccess);
    gmap okMap(&ok, &target);
    ASSERT_EQ(ok.learn_parameters(okMap), kSuccess);
    ASSERT_EQ(ok.progress().close_step(0), kSuccess);
    EXPECT_NEAR(ok.progress().overall(), 1.0, 1e-12);
    ExpectNear(TableOf(target, renamed), {0.75, 0.25}, 1e-12);  // records x, x with priors 1
    // A cancelled tracker stops the driver before a continuous column is cut.
    dag cancelled;
    auto node = std::make_unique<hybrid_node>();
    node->kind = hybrid_node::kContinuousPart | hybrid_node::kContinuousData;
    node->values = std::make_shared<const std::vector<double>>(std::vector<double>{0.1, 0.5, 0.9, 1.5});
    cancelled.add_node(std::move(node));
    gmap cancelledMap(&cancelled, &target);
    cancelled.progress().request_cancel();
    EXPECT_EQ(cancelled.learn_parameters(cancelledMap), kProgressCancelled);
    EXPECT_FALSE(cancelled.node_at(0)->kind & hybrid_node::kDiscreteData);
}

TEST(LearningGraphCopy, RoundTripThroughANetwork) {
    dag g;
    AbcGraph(g, {{0, 0, 1, 1, 0, 1}, {0, 1, 2, 1, 0, 2}, {0, 1, 1, 0, 0, 1}});
    ASSERT_EQ(g.learn_parameters(), kSuccess);
    std::vector<std::vector<double>> learnt;
    for (int i = 0; i < 3; ++i) learnt.push_back(g.node_at(i)->parameters);
    const auto check = [&](const char* what, bool clear) {
        for (int i = 0; i < 3; ++i) ExpectNear(g.node_at(i)->parameters, learnt[i], 1e-12, what);
        for (int i = 0; i < 3 && clear; ++i) g.node_at(i)->parameters.assign(learnt[i].size(), 0.0);
    };
    VRX_network net, built;
    ASSERT_EQ(g.copy_to_network(net), kSuccess);
    check("learnt", true);
    gmap map(&g, &net);
    ASSERT_EQ(g.take_parameters_from_network(map), kSuccess);
    ASSERT_EQ(g.commit_parameters(), kSuccess);
    check("taken back", true);
    g.set_prior_network(&net);
    ASSERT_EQ(g.init_from_prior_network(), kSuccess);
    check("from the prior network", false);
    ASSERT_EQ(g.build_network(built), kSuccess);
    check("built", false);
    // Another table shape is refused and changes no node; an unmatched state refuses the prior start.
    ASSERT_EQ(net.RemoveArc(net.FindNode("A"), net.FindNode("C")), kSuccess);
    EXPECT_EQ(g.take_parameters_from_network(map), kOutOfRange);
    check("after a refusal", false);
    ASSERT_EQ(net.GetNode(net.FindNode("A"))->GetDefinition()->RenameOutcome(0, "z"), kSuccess);
    g.set_prior_network(&net);
    EXPECT_EQ(g.init_from_prior_network(), kObjectNotValid);
}

}  // namespace
