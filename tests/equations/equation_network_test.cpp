// A generated network of a few hundred equation nodes (chains, equations naming their own node, strongly
// coupled components, distributions) saved, loaded, updated, saved and loaded again: equations and values
// come back identical, and every value satisfies its equation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/distributions.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/saved_case.h"
#include "tests/support/equation_networks.h"
#include "tests/support/xml_test_files.h"

using vovido::GetSamplerGenerator;

namespace {

using namespace vovido::test;

constexpr unsigned kSeed = 2024;
constexpr double kObserved = 1.25;

// Loads the file, observes r0 as the saved case says, and updates with the fixed seed.
void LoadAndUpdate(const TempFile& file, VRX_network& net) {
    errorLog.Flush();
    ASSERT_EQ(net.ReadFile(file.c_str()), kSuccess);
    ASSERT_EQ(net.GetNumberOfCases(), 1);
    int h = -1;
    double observed = 0.0;
    ASSERT_EQ(net.GetCase(0)->GetContEvidence(0, h, observed), kSuccess);
    ASSERT_EQ(h, net.FindNode("r0"));
    ASSERT_EQ(ValueOf(net, h).SetContEvidence(observed), kSuccess);
    GetSamplerGenerator().Seed(kSeed);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess)
        << (errorLog.GetNumberOfEntries() > 0 ? errorLog.GetMessage(0) : "");
}

// Values by handle of pass k (its samples), or of the solution when k is -1.
std::vector<double> ValuesOf(const VRX_network& net, int k) {
    std::vector<double> values(static_cast<size_t>(net.GetNumberOfSlots()), 0.0);
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const VRX_valEqEvaluation& v = ValueOf(net, h);
        values[static_cast<size_t>(h)] = k < 0 ? v.GetMean() : v.GetSamples()[static_cast<size_t>(k)].value;
    }
    return values;
}

void ExpectEquationsHold(const VRX_network& net, const std::vector<double>& values, bool skipObserved) {
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const bool stochastic = net.GetNodeType(h) == DefinitionType::kEquation &&
                                EquationOf(net, h).GetEquation().hasDistribution;
        if (stochastic || (skipObserved && ValueOf(net, h).HasEvidence())) continue;
        const double v = values[static_cast<size_t>(h)];
        EXPECT_NEAR(ResidualOf(net, h, values), 0.0, 1e-9 * (1.0 + std::fabs(v))) << TextOf(net, h);
    }
}

void ExpectRoundTrips(bool distributions, int chains) {
    VRX_network built;
    GeneratedNetworkShape shape;
    shape.distributions = distributions;
    shape.chains = chains;
    ASSERT_GE(BuildGeneratedNetwork(built, shape), 27 * chains);
    built.numSamples = 40;
    ASSERT_EQ(built.AddCase("observed")->AddContEvidence(built.FindNode("r0"), kObserved), kSuccess);

    TempFile first;
    TempFile second;
    ASSERT_EQ(built.WriteFile(first.c_str()), kSuccess)
        << (errorLog.GetNumberOfEntries() > 0 ? errorLog.GetMessage(0) : "");
    VRX_network loaded;
    LoadAndUpdate(first, loaded);
    ASSERT_EQ(loaded.WriteFile(second.c_str()), kSuccess);
    VRX_network reloaded;
    LoadAndUpdate(second, reloaded);
    EXPECT_EQ(second.Read(), first.Read());

    ASSERT_EQ(reloaded.GetNumberOfNodes(), built.GetNumberOfNodes());
    for (int h = built.GetFirstNode(); h >= 0; h = built.GetNextNode(h)) {
        const char* id = built.GetNode(h)->GetId();
        const int l = loaded.FindNode(id);
        const int r = reloaded.FindNode(id);
        ASSERT_GE(r, 0) << id;
        EXPECT_EQ(TextOf(loaded, l), TextOf(built, h));
        EXPECT_EQ(TextOf(reloaded, r), TextOf(built, h));
        EXPECT_EQ(loaded.GetNodeType(l), built.GetNodeType(h));
        if (built.GetNodeType(h) == DefinitionType::kEquationScc) {
            EXPECT_EQ(ComponentOf(reloaded, r).GetMembers(), ComponentOf(built, h).GetMembers());
        }
        // Bit for bit: the same equations give the same numbers, draws included.
        EXPECT_EQ(ValueOf(reloaded, r).GetMean(), ValueOf(loaded, l).GetMean()) << id;
        EXPECT_EQ(ValueOf(reloaded, r).GetStdDev(), ValueOf(loaded, l).GetStdDev()) << id;
    }

    if (!distributions) {
        // Exact values: deviation 0, the observed root at its evidence and every other equation holds.
        for (int h = reloaded.GetFirstNode(); h >= 0; h = reloaded.GetNextNode(h))
            EXPECT_EQ(ValueOf(reloaded, h).GetStdDev(), 0.0);
        ExpectEquationsHold(reloaded, ValuesOf(reloaded, -1), true);
        EXPECT_EQ(ValueOf(reloaded, reloaded.FindNode("r0")).GetMean(), kObserved);
        return;
    }
    // Every pass: the observed root keeps its evidence and every other equation holds for the draws.
    const int r0 = reloaded.FindNode("r0");
    EXPECT_EQ(ValueOf(reloaded, r0).GetMean(), kObserved);
    EXPECT_EQ(ValueOf(reloaded, r0).GetStdDev(), 0.0);
    ASSERT_EQ(ValueOf(reloaded, r0).GetSamples().size(), 40u);
    for (int k = 0; k < 40; k += 13) ExpectEquationsHold(reloaded, ValuesOf(reloaded, k), true);
    EXPECT_GT(ValueOf(reloaded, reloaded.FindNode("f0")).GetStdDev(), 0.1);
}

TEST(GeneratedEquationNetwork, SolvedSurvivesSaveAndLoadWithIdenticalEquationsAndValues) {
    ExpectRoundTrips(false, 4);
}

TEST(GeneratedEquationNetwork, SampledSurvivesSaveAndLoadWithIdenticalEquationsAndValues) {
    ExpectRoundTrips(true, 10);
}

}  // namespace
