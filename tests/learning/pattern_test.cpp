// The pattern's marks, paths, cycles and DAG test, and turning a DAG into a network.
#include <gtest/gtest.h>

#include <limits>

#include "base/status_codes.h"
#include "learning/data_set.h"
#include "learning/pattern.h"
#include "model/network.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"

namespace {

// A pattern of size n with the given marks m[i][j] = mark.
Pattern Make(int n, const std::vector<std::vector<int>>& marks) {
    Pattern p;
    EXPECT_EQ(p.SetSize(n), kSuccess);
    for (const auto& m : marks) EXPECT_EQ(p.SetEdge(m[0], m[1], m[2]), kSuccess);
    return p;
}

TEST(Pattern, SizeAndMarks) {
    Pattern p;
    EXPECT_EQ(p.GetSize(), 0);
    EXPECT_FALSE(p.HasCycle());
    EXPECT_TRUE(p.IsDAG());
    ASSERT_EQ(p.SetSize(3), kSuccess);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(p.SetEdge(i, j, (i + j) % 3), kSuccess);
    ASSERT_EQ(p.SetSize(5), kSuccess);
    EXPECT_EQ(p.GetEdge(2, 2), 1);
    EXPECT_EQ(p.GetEdge(4, 4), 0);
    EXPECT_EQ(p.GetEdge(2, 4), 0);
    // Past the table limit (16384 * 16384 marks) nothing is allocated and the marks stay.
    errorLog.Flush();
    EXPECT_EQ(p.SetSize(30000), kOutOfMemory);
    EXPECT_EQ(vovido::test::LoggedMessages(),
              std::vector<std::string>{
                  "Pattern of 30000 variables: its 900000000 marks pass the limit of 268435456 cells"});
    errorLog.Flush();
    EXPECT_EQ(p.GetSize(), 5);
    EXPECT_EQ(p.GetEdge(2, 2), 1);
    ASSERT_EQ(p.SetSize(2), kSuccess);
    EXPECT_EQ(p.GetEdge(1, 1), 2);
    EXPECT_EQ(p.GetEdge(2, 0), kOutOfRange);
    EXPECT_EQ(p.SetEdge(-1, 0, 2), kOutOfRange);
    EXPECT_EQ(p.SetEdge(0, 1, 7), kOutOfRange);
    EXPECT_EQ(p.SetEdge(0, 1, -1), kOutOfRange);
    EXPECT_EQ(p.GetEdge(0, 1), 1);
    EXPECT_FALSE(p.HasDirectedPath(0, 7));
}

TEST(Pattern, PathsCyclesAndDags) {
    struct Case {
        const char* what;
        std::vector<std::vector<int>> marks;
        bool path02, cycle, dag;
    };
    const Case cases[] = {
        {"chain 0->1->2", {{0, 1, 2}, {1, 2, 2}}, true, false, true},
        {"chain with a plain back end", {{0, 1, 2}, {1, 0, 1}, {1, 2, 2}}, true, false, false},
        {"bidirected 0<->1", {{0, 1, 2}, {1, 0, 2}}, false, false, false},
        {"undirected 0-1", {{0, 1, 1}, {1, 0, 1}}, false, false, false},
        {"cycle 0->1->2->0", {{0, 1, 2}, {1, 2, 2}, {2, 0, 2}}, true, true, false},
        {"collider 0->2<-1", {{0, 2, 2}, {1, 2, 2}}, true, false, true},
    };
    for (const Case& c : cases) {
        const Pattern p = Make(3, c.marks);
        EXPECT_EQ(p.HasDirectedPath(0, 2), c.path02) << c.what;
        EXPECT_TRUE(p.HasDirectedPath(1, 1)) << c.what;
        EXPECT_EQ(p.HasCycle(), c.cycle) << c.what;
        EXPECT_EQ(p.IsDAG(), c.dag) << c.what;
    }
}

TEST(Pattern, MakeNetwork) {
    DataSet data;
    ASSERT_EQ(data.AddIntVariable("1 a", -1), kSuccess);
    ASSERT_EQ(data.AddIntVariable("b", -1), kSuccess);
    ASSERT_EQ(data.AddFloatVariable("c", std::numeric_limits<float>::quiet_NaN()), kSuccess);
    ASSERT_EQ(data.SetStateNames(1, {"lo", "mid", "hi"}), kSuccess);
    const Pattern dag = Make(3, {{0, 1, 2}, {2, 1, 2}});
    VRX_network net;
    ASSERT_TRUE(dag.MakeNetwork(data, net));
    const int a = net.FindNode("x_a"), b = net.FindNode("b"), c = net.FindNode("c");
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    ASSERT_GE(c, 0);
    EXPECT_STREQ(net.GetNode(a)->GetInfo()->header.GetName(), "1 a");
    EXPECT_EQ(net.GetNode(c)->GetDefinition()->GetType(), 0x12);
    EXPECT_EQ(vovido::test::Names(*net.GetNode(b)->GetDefinition()),
              (std::vector<std::string>{"lo", "mid", "hi"}));
    EXPECT_EQ(vovido::test::Items(net.GetParents(b)), (std::vector<int>{a, c}));
    EXPECT_EQ(net.GetNode(a)->GetDefinition()->GetNumberOfOutcomes(), 2) << "default outcomes";

    VRX_network untouched;
    EXPECT_FALSE(Make(3, {{0, 1, 1}, {1, 0, 1}}).MakeNetwork(data, untouched));
    EXPECT_EQ(untouched.GetNumberOfNodes(), 0);
    errorLog.Flush();
    EXPECT_FALSE(Make(4, {}).MakeNetwork(data, untouched)) << "larger than the data set";
    ASSERT_EQ(data.AddIntVariable("x a", -1), kSuccess);
    EXPECT_FALSE(Make(4, {}).MakeNetwork(data, untouched)) << "two names give x_a";
    EXPECT_EQ(untouched.GetNumberOfNodes(), 0);
    EXPECT_TRUE(vovido::test::Logged(kDuplicatedIdentifier, "pattern: two nodes would be named x_a"));
    errorLog.Flush();

    DataSet unnamed;
    ASSERT_EQ(unnamed.AddIntVariable("", -1), kSuccess);
    ASSERT_EQ(unnamed.AddIntVariable("", -1), kSuccess);
    VRX_network numbered;
    ASSERT_TRUE(Make(2, {{1, 0, 2}}).MakeNetwork(unnamed, numbered));
    EXPECT_EQ(vovido::test::Items(numbered.GetParents(numbered.FindNode("x1"))),
              std::vector<int>{numbered.FindNode("x2")});

    DataSet continuous;
    ASSERT_EQ(continuous.AddFloatVariable("u", 0.0f), kSuccess);
    VRX_network equations;
    ASSERT_TRUE(Make(1, {}).MakeNetwork(continuous, equations));
    EXPECT_EQ(equations.GetNode(equations.FindNode("u"))->GetDefinition()->GetType(), 0x4);

    // A stray code of millions is refused at once instead of becoming millions of outcomes.
    unnamed.AddEmptyRecord();
    ASSERT_EQ(unnamed.SetInt(0, 0, 10000000), kSuccess);
    errorLog.Flush();
    EXPECT_FALSE(Make(2, {}).MakeNetwork(unnamed, untouched));
    EXPECT_TRUE(vovido::test::Logged(kInvalidData,
                                     "pattern: variable  holds the value 10000000, too large for an "
                                     "outcome index"))
        << vovido::test::LogDump();
    EXPECT_EQ(untouched.GetNumberOfNodes(), 0);
}

}  // namespace
