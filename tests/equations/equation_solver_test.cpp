// The equation solver: deterministic passes, components by Newton's method, sampling passes, the
// refusals of the route, and the Newton and linear-system routines on their own.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "base/distributions.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "equations/equation_solver.h"
#include "equations/newton_solver.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"

using vovido::GetSamplerGenerator;

namespace {

using namespace vovido::test;

class EquationSolverTest : public ::testing::Test {
protected:
    void SetUp() override { errorLog.Flush(); }
    void TearDown() override { errorLog.Flush(); }

    int Add(const char* id, const char* equation) {
        const int h = AddEquation(net, id, equation);
        EXPECT_GE(h, 0) << id << ": " << equation;
        return h;
    }
    void ExpectValue(int h, double mean, double deviation = 0.0) {
        ASSERT_TRUE(ValueOf(net, h).IsUpToDate()) << h;
        EXPECT_DOUBLE_EQ(ValueOf(net, h).GetMean(), mean) << h;
        EXPECT_DOUBLE_EQ(ValueOf(net, h).GetStdDev(), deviation) << h;
    }
    int Update() {
        errorLog.Flush();
        return net.UpdateBeliefs();
    }

    VRX_network net;
};

// ---------------------------------------------------------------------------------------------------
// Deterministic passes

TEST_F(EquationSolverTest, ChainIsEvaluatedParentsFirst) {
    // Child created first: the order of the update is the graph's, not the handles'.
    const int y = net.AddNode(DefinitionType::kEquation, "y");
    const int x = Add("x", "x = 2");
    ASSERT_EQ(EquationOf(net, y).SetEquation("y = x + 1", nullptr, nullptr), kSuccess);
    ASSERT_EQ(Update(), kSuccess);
    ExpectValue(x, 2.0);
    ExpectValue(y, 3.0);
}

TEST_F(EquationSolverTest, EquationsThatDoNotIsolateTheNodeAreSolvedForIt) {
    const int a = Add("a", "a = 3");
    const int x = Add("x", "x = 2*x + a");  // x on both sides: x = -a
    const int y = Add("y", "2*y = a");      // y in a product: y = a / 2
    const int z = Add("z", "z = cos(z)");   // no closed form: Newton
    const int w = Add("w", "-w = a - 10");  // negated: w = 10 - a
    ASSERT_EQ(Update(), kSuccess);
    ExpectValue(a, 3.0);
    EXPECT_NEAR(ValueOf(net, x).GetMean(), -3.0, 1e-12);
    ExpectValue(y, 1.5);
    EXPECT_DOUBLE_EQ(ValueOf(net, z).GetMean(), 0.7390851332151607);
    ExpectValue(w, 7.0);
}

TEST_F(EquationSolverTest, ComponentOfOneNodeNamingItselfConvergesToTheFixedPoint) {
    const int y = AddComponentNode(net, "y", {}, {}, "y = cos(y)");
    ASSERT_GE(y, 0);
    ASSERT_EQ(Update(), kSuccess);
    EXPECT_DOUBLE_EQ(ValueOf(net, y).GetMean(), 0.7390851332151607);
    EXPECT_EQ(ValueOf(net, y).GetStdDev(), 0.0);
}

TEST_F(EquationSolverTest, ComponentMembersAreSolvedTogether) {
    Add("p", "p = 1");
    // a = p - b and b = a / 2: a = 2/3 p, b = 1/3 p.
    const int a = AddComponentNode(net, "a", {"p"}, {"b"}, "a = p - b");
    const int b = AddComponentNode(net, "b", {}, {"a"}, "b = a / 2");
    const int c = Add("c", "c = a + b");
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    ASSERT_EQ(Update(), kSuccess);
    EXPECT_NEAR(ValueOf(net, a).GetMean(), 2.0 / 3.0, 1e-14);
    EXPECT_NEAR(ValueOf(net, b).GetMean(), 1.0 / 3.0, 1e-14);
    EXPECT_NEAR(ValueOf(net, c).GetMean(), 1.0, 1e-14);
}

TEST_F(EquationSolverTest, ComponentWaitsForAMemberParentThatComesLater) {
    // b has no parent, so it comes first in the graph's order, before a's parent q is known.
    const int b = AddComponentNode(net, "b", {}, {"a"}, "b = 0.5*a");
    const int p = Add("p", "p = 4");
    const int q = Add("q", "q = p + 2");
    const int a = AddComponentNode(net, "a", {"q"}, {"b"}, "a = q - b");
    ASSERT_GE(a, 0);
    ASSERT_EQ(Update(), kSuccess);
    ExpectValue(p, 4.0);
    ExpectValue(q, 6.0);
    EXPECT_NEAR(ValueOf(net, a).GetMean(), 4.0, 1e-13);
    EXPECT_NEAR(ValueOf(net, b).GetMean(), 2.0, 1e-13);
}

TEST_F(EquationSolverTest, ComponentFailuresAreReported) {
    struct Case {
        const char* equation;
        std::vector<std::string> members;
        std::vector<std::string> messages;
    } cases[] = {
        // The residual does not depend on y: the Jacobian is zero.
        {"y - y = 2",
         {},
         {"Unable to solve the equation of node [y].", "Failed in solving nonlinear equations.",
          "Failed in computing SCC."}},
        // A member that names no node.
        {"y = 1", {"ghost"}, {"Failed in computing SCC."}},
        // No real root: Newton's method wanders until its limit.
        {"y = y^2 + 1",
         {},
         {"Unable to solve the equation of node [y].",
          "Newton's method did not converge within 200 iterations.", "Failed in solving nonlinear equations.",
          "Failed in computing SCC."}},
    };
    for (const Case& c : cases) {
        VRX_network local;
        const int y = AddComponentNode(local, "y", {}, {}, "y = 0");
        ASSERT_EQ(ComponentOf(local, y).SetMembers(c.members), kSuccess);
        // Members are allowed names only once set, so the equation follows them.
        ASSERT_EQ(ComponentOf(local, y).SetEquation(c.equation), kSuccess);
        EquationSolverOptions options(&local);
        options.maxIterations = 200;
        errorLog.Flush();
        EXPECT_EQ(RunEquationSolver(options), kOutOfRange) << c.equation;
        EXPECT_EQ(LoggedMessages(), c.messages) << c.equation;
        EXPECT_FALSE(ValueOf(local, y).IsUpToDate());
    }
}

TEST_F(EquationSolverTest, NodeThatCannotBeSolvedForItselfIsReported) {
    const int y = Add("y", "y = y^2 + 1");
    EquationSolverOptions options(&net);
    options.maxIterations = 50;
    EXPECT_EQ(RunEquationSolver(options), kOutOfRange);
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{"Unable to solve the equation of node [y] for the node.",
                                        "Newton's method did not converge within 50 iterations.",
                                        "Failed in solving nonlinear equations."}));
    EXPECT_FALSE(ValueOf(net, y).IsUpToDate());
}

// An equation may name its own node on the right: the update solves it for the node, and refuses one
// without a solution naming the node.
TEST_F(EquationSolverTest, AnEquationNamingItsNodeIsSolvedForIt) {
    const int x = Add("x", "x = 2*x");
    ASSERT_EQ(Update(), kSuccess) << LogDump();
    ExpectValue(x, 0.0);
    ASSERT_EQ(EquationOf(net, x).SetEquation("x = x + 1", nullptr, nullptr), kSuccess);
    EXPECT_EQ(Update(), kOutOfRange);
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{"Unable to solve the equation of node [x] for the node.",
                                        "Failed in solving nonlinear equations."}));
    EXPECT_FALSE(ValueOf(net, x).IsUpToDate());
}

// ---------------------------------------------------------------------------------------------------
// Refusals of the route

TEST_F(EquationSolverTest, RouteRefusals) {
    {
        // A discrete node beside the equations.
        Add("x", "x = 1");
        ASSERT_GE(net.AddNode(DefinitionType::kCpt, "c"), 0);
        EXPECT_EQ(Update(), kOutOfRange);
        EXPECT_EQ(LoggedMessages(), std::vector<std::string>{
                                        "ERROR: Node [x] is an equation node, which makes this an equation "
                                        "network, and an equation network is updated only when all its nodes "
                                        "are equation or hybrid nodes: [c] is a chance node"});
    }
    {
        VRX_network local;
        ASSERT_GE(AddComponentNode(local, "y", {}, {}, "y = Normal(0, 1)"), 0);
        errorLog.Flush();
        EXPECT_EQ(local.UpdateBeliefs(), kOutOfRange);
        EXPECT_EQ(LoggedMessages(),
                  std::vector<std::string>{"Unable to sovle a network contains strongly-coupled "
                                           "components with distribution definitions."});
    }
    {
        // Evidence on a node with parents goes through the conversion to a hybrid network: the noise
        // takes the evidence, the constant parent stays what it is.
        VRX_network local;
        const int x = AddEquation(local, "x", "x = 1");
        const int y = AddEquation(local, "y", "y = x + Normal(0, 1)");
        ASSERT_EQ(ValueOf(local, y).SetContEvidence(5.0), kSuccess);
        errorLog.Flush();
        EXPECT_EQ(local.UpdateBeliefs(), kSuccess);
        EXPECT_EQ(ValueOf(local, x).GetMean(), 1.0);
        EXPECT_EQ(ValueOf(local, x).GetStdDev(), 0.0);
        // The observed node answers its observation, as an observed root does.
        EXPECT_TRUE(ValueOf(local, y).IsUpToDate());
        EXPECT_EQ(ValueOf(local, y).GetMean(), 5.0);
        EXPECT_EQ(ValueOf(local, y).GetStdDev(), 0.0);
    }
    {
        VRX_network local;
        ASSERT_GE(AddEquation(local, "x", "x = Normal(0, 1)"), 0);
        local.numSamples = 0;
        errorLog.Flush();
        EXPECT_EQ(local.UpdateBeliefs(), kOutOfRange);
        EXPECT_EQ(LoggedMessages(),
                  std::vector<std::string>{"The number of samples must be at least 1; it is 0."});
    }
}

TEST_F(EquationSolverTest, DeterministicPassHonoursEvidenceOnARoot) {
    const int x = Add("x", "x = 3");
    const int y = Add("y", "y = 2*x");
    ASSERT_EQ(ValueOf(net, x).SetContEvidence(5.0), kSuccess);
    ASSERT_EQ(Update(), kSuccess);
    ExpectValue(x, 5.0);
    ExpectValue(y, 10.0);
}

// An observed node with parents shows its observation, as an observed root does, and its parent the value
// the observation fixes.
TEST_F(EquationSolverTest, AnObservedNodeWithParentsShowsItsObservation) {
    for (const char* parent : {"x = Normal(0, 1)", "x = Uniform(0, 4)"}) {
        VRX_network local;
        const int x = AddEquation(local, "x", parent);
        const int y = AddEquation(local, "y", "y = 2*x");
        ASSERT_EQ(ValueOf(local, y).SetContEvidence(1.0), kSuccess);
        ASSERT_EQ(local.UpdateBeliefs(), kSuccess) << parent << LogDump();
        for (const auto& [h, value] : {std::pair<int, double>{y, 1.0}, {x, 0.5}}) {
            EXPECT_TRUE(ValueOf(local, h).IsUpToDate()) << parent;
            EXPECT_EQ(ValueOf(local, h).GetMean(), value) << parent;
            EXPECT_EQ(ValueOf(local, h).GetStdDev(), 0.0) << parent;
        }
    }
}

TEST_F(EquationSolverTest, EquationWithoutARealSolutionIsReported) {
    const int y = Add("y", "y^2 = -1");
    EXPECT_EQ(Update(), kOutOfRange);
    EXPECT_EQ(LoggedMessages(),
              std::vector<std::string>{
                  "Unable to solve the equation of node [y] for the node: it has no real solution."});
    EXPECT_FALSE(ValueOf(net, y).IsUpToDate());
}

// Ten coupled members without a real root (each y = y^2 + 1 + ...): the default options fail after a
// number of steps that bounds the work: 2^26 terms over 11 evaluations of 10 residuals of 11 terms and
// 1000 / 48 cells of elimination a step, 1231 in all, are 54515 steps.
TEST_F(EquationSolverTest, NewtonsWorkIsBoundedOnLargeComponents) {
    auto id = [](int i) { return "y" + std::to_string(i % 10); };
    for (int i = 0; i < 10; ++i) ASSERT_GE(AddComponentNode(net, id(i).c_str(), {}, {}, "0 = 0"), 0);
    for (int i = 0; i < 10; ++i) {
        std::vector<std::string> others;
        for (int j = i + 1; j < i + 10; ++j) others.push_back(id(j));
        auto& component = ComponentOf(net, net.FindNode(id(i).c_str()));
        ASSERT_EQ(component.SetMembers(others), kSuccess);
        ASSERT_EQ(component.SetEquation((id(i) + " = " + id(i) + "^2 + 1 + 0.01*" + id(i + 1)).c_str()),
                  kSuccess);
    }
    EXPECT_EQ(Update(), kOutOfRange);
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{
                  "Unable to solve the equations of nodes [y0], [y1], [y2], [y3], [y4], [y5], "
                  "[y6], [y7], [y8], [y9] together.",
                  "Newton's method did not converge within 54515 iterations.",
                  "Failed in solving nonlinear equations.", "Failed in computing SCC."}));
}

// ---------------------------------------------------------------------------------------------------
// Sampling passes

TEST_F(EquationSolverTest, SamplingGivesTheMeanAndPopulationDeviationOfTheSamples) {
    const int x = Add("x", "x = Normal(1, 2)");
    const int y = Add("y", "y = 3*x + 1");
    const int r = Add("r", "r = Uniform(0, 1)");
    const int s = AddComponentNode(net, "s", {"x"}, {}, "s = x + 0.5*cos(s)");
    ASSERT_GE(s, 0);
    ASSERT_EQ(ValueOf(net, r).SetContEvidence(0.5), kSuccess);  // a root: its samples are the evidence
    GetSamplerGenerator().Seed(12345);
    ASSERT_EQ(Update(), kSuccess) << ::testing::PrintToString(LoggedMessages());

    const auto& xs = ValueOf(net, x).GetSamples();
    const auto& ys = ValueOf(net, y).GetSamples();
    const auto& ss = ValueOf(net, s).GetSamples();
    ASSERT_EQ(xs.size(), 1000u);
    ASSERT_EQ(ys.size(), 1000u);
    ASSERT_EQ(ss.size(), 1000u);
    double sum = 0.0;
    double squares = 0.0;
    for (size_t k = 0; k < xs.size(); ++k) {
        // Each pass evaluates the child with the same draw of its parent, and solves the component.
        EXPECT_DOUBLE_EQ(ys[k].value, 3 * xs[k].value + 1);
        EXPECT_NEAR(ss[k].value, xs[k].value + 0.5 * std::cos(ss[k].value), 1e-12);
        sum += xs[k].value;
        squares += xs[k].value * xs[k].value;
    }
    const double mean = sum / 1000;
    EXPECT_NEAR(ValueOf(net, x).GetMean(), mean, 1e-12);
    EXPECT_NEAR(ValueOf(net, x).GetStdDev(), std::sqrt(squares / 1000 - mean * mean), 1e-9);
    // The draws follow Normal(1, 2): four standard errors.
    EXPECT_NEAR(mean, 1.0, 4 * 2 / std::sqrt(1000.0));
    EXPECT_NEAR(ValueOf(net, x).GetStdDev(), 2.0, 0.25);
    EXPECT_NEAR(ValueOf(net, y).GetMean(), 3 * mean + 1, 1e-9);
    ExpectValue(r, 0.5);
}

TEST_F(EquationSolverTest, FixedSeedRepeatsTheSamples) {
    const int x = Add("x", "x = Exponential(2) + Triangular(0, 1, 3)");
    std::vector<double> first;
    for (int run = 0; run < 2; ++run) {
        GetSamplerGenerator().Seed(99);
        ASSERT_EQ(Update(), kSuccess);
        std::vector<double> values;
        for (const WeightedSample& sample : ValueOf(net, x).GetSamples()) values.push_back(sample.value);
        if (run == 0)
            first = values;
        else
            EXPECT_EQ(values, first);
    }
}

// ---------------------------------------------------------------------------------------------------
// Newton's method and the linear system on their own

TEST(NewtonSolver, LinearEquationConvergesInTwoSteps) {
    std::vector<double> x{0.0};
    vovido::NewtonReport report;
    const vovido::ResidualFunction f = [](const std::vector<double>& p, std::vector<double>& r) {
        r[0] = 3 - 2 * p[0] - p[0];
    };
    ASSERT_EQ(SolveNewton(x, 1e-6, 1000000, f, &report), kSuccess);
    EXPECT_EQ(report.iterations, 2);
    EXPECT_DOUBLE_EQ(x[0], 1.0);
}

TEST(NewtonSolver, CosineFixedPointConvergesInFourSteps) {
    std::vector<double> x{0.0};
    vovido::NewtonReport report;
    const vovido::ResidualFunction f = [](const std::vector<double>& p, std::vector<double>& r) {
        r[0] = std::cos(p[0]) - p[0];
    };
    ASSERT_EQ(SolveNewton(x, 1e-6, 1000000, f, &report), kSuccess);
    EXPECT_EQ(report.iterations, 4);
    EXPECT_DOUBLE_EQ(x[0], 0.7390851332151607);
}

TEST(NewtonSolver, DifferenceStepIsRelativeAboveOneOnly) {
    for (const double start : {0.5, 1000.0, -1000.0}) {
        std::vector<double> trials;
        const vovido::ResidualFunction f = [&](const std::vector<double>& p, std::vector<double>& r) {
            trials.push_back(p[0]);
            r[0] = p[0] - start;  // the start is the root: one step, which moves nothing
        };
        std::vector<double> x{start};
        ASSERT_EQ(SolveNewton(x, 1e-6, 10, f, nullptr), kSuccess);
        ASSERT_GE(trials.size(), 2u);
        const double expected = start > 1.0 ? start * 1e-6 : 1e-6;
        EXPECT_NEAR(trials[1] - trials[0], expected, expected * 1e-6) << start;
    }
}

TEST(NewtonSolver, FailuresEndTheRun) {
    errorLog.Flush();
    std::vector<double> x{0.0};
    vovido::NewtonReport report;
    EXPECT_EQ(
        SolveNewton(
            x, 1e-6, 100, [](const std::vector<double>&, std::vector<double>& r) { r[0] = 1.0; }, &report),
        kOutOfRange);
    EXPECT_TRUE(report.singular);
    x = {0.0};
    EXPECT_EQ(
        SolveNewton(
            x, 1e-6, 100, [](const std::vector<double>& p, std::vector<double>& r) { r[0] = std::log(p[0]); },
            &report),
        kOutOfRange);
    EXPECT_TRUE(report.diverged);
    EXPECT_EQ(LoggedMessages(),
              std::vector<std::string>{"Newton's method reached a value that is not a finite number."});
    errorLog.Flush();
}

TEST(LinearSystem, SolvesWithRowSwapsAndRefusesSingularSystems) {
    // A zero first pivot makes the first row swap with the second.
    std::vector<double> a{0, 2, 1, 1, 1, 1, 2, 1, 3};
    std::vector<double> b{5, 4, 7};  // x = (1, 2, 1)
    const std::vector<double> a0 = a;
    const std::vector<double> b0 = b;
    std::vector<double> x;
    ASSERT_EQ(SolveLinearSystem(a, b, x, 3), kSuccess);
    for (int i = 0; i < 3; ++i) {
        double row = 0.0;
        for (int j = 0; j < 3; ++j) row += a0[static_cast<size_t>(i * 3 + j)] * x[static_cast<size_t>(j)];
        EXPECT_NEAR(row, b0[static_cast<size_t>(i)], 1e-12) << i;
    }
    EXPECT_NEAR(x[0], 1.0, 1e-12);
    EXPECT_NEAR(x[1], 2.0, 1e-12);
    EXPECT_NEAR(x[2], 1.0, 1e-12);
    std::vector<double> singular{1, 2, 2, 4};
    std::vector<double> rhs{1, 2};
    EXPECT_EQ(SolveLinearSystem(singular, rhs, x, 2), kOutOfRange);
}

}  // namespace
