// Sections over models built in code: influence diagrams under both solvers, and hybrid and equation
// networks under every hybrid algorithm with a fixed seed and sample count.
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/network.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/equation_networks.h"
#include "tests/support/hybrid_networks.h"
#include "tests/support/influence_diagrams.h"

namespace vovido::compare {
namespace {

using test::AddDistributionNode;
using test::AddEquationNode;

void RecordBothSolvers(VRX_network& net, const std::string& key) {
    RecordFileUpdates(net, "decisions:" + key);
}

// c -> d0 (d0 observes c), d0 -> d1, u(c, d1) = 10 where d1 = c, else 0, P(c) = (0.4, 0.6), d0 taken: the
// open decision's best choice depends on what the taken one observed.
void BuildTakenDecision(VRX_network& net) {
    test::AddNode(net, DefinitionType::kCpt, "c", {});
    (void)test::Def(net, "c").SetDefinitionDoubles(test::Doubles({0.4, 0.6}));
    test::AddNode(net, DefinitionType::kList, "d0", {"c"});
    test::AddNode(net, DefinitionType::kList, "d1", {"d0"});
    test::AddNode(net, DefinitionType::kTable, "u", {"c", "d1"});
    test::SetUtilities(net, "u", {10, 0, 0, 10});
    (void)net.GetNode(net.FindNode("d0"))->GetValue()->SetEvidence(0);
}

struct HybridCase {
    const char* name;
    std::function<void(VRX_network&)> build;
    int samples = 10000;
};

// Roots observed where their density underflows, each with an unobserved child.
void ObservedRoot(VRX_network& net, const char* call, double value) {
    (void)AddDistributionNode(net, "r", {call});
    (void)AddEquationNode(net, "y", "r + Normal(0, 1)", {"r"});
    (void)test::Observe(net, "r", value);
}

const HybridCase kHybridCases[] = {
    {"uniform-plus-lognormal",
     [](VRX_network& net) {
         (void)AddDistributionNode(net, "x", {"Uniform(0, 1)"});
         (void)AddEquationNode(net, "y", "x + Lognormal(0, 1)", {"x"});
         (void)test::Observe(net, "y", 28.0);
     }},
    {"uniform-plus-weibull",
     [](VRX_network& net) {
         (void)AddDistributionNode(net, "x", {"Uniform(0, 1)"});
         (void)AddEquationNode(net, "y", "x + Weibull(1, 0.5)", {"x"});
         (void)test::Observe(net, "y", 28.0);
     }},
    {"uniform-plus-wide-normal",
     [](VRX_network& net) {
         (void)AddDistributionNode(net, "x", {"Uniform(0, 1)"});
         (void)AddEquationNode(net, "y", "x + Normal(0, 10)", {"x"});
         (void)test::Observe(net, "y", 120.5);
     }},
    {"uniform-plus-narrow-normal",
     [](VRX_network& net) {
         (void)AddDistributionNode(net, "x", {"Uniform(0, 1)"});
         (void)AddEquationNode(net, "y", "x + Normal(0, 0.1)", {"x"});
         (void)test::Observe(net, "y", 2.5);
     }},
    {"normal-plus-uniform",
     [](VRX_network& net) {
         (void)AddDistributionNode(net, "x", {"Normal(0, 1)"});
         (void)AddEquationNode(net, "y", "x + Uniform(-0.1, 0.1)", {"x"});
         (void)test::Observe(net, "y", 6.0);
     }},
    {"product-of-uniforms",
     [](VRX_network& net) {
         std::string product;
         std::vector<std::string> parents;
         for (int i = 0; i < 8; ++i) {
             const std::string id = "u" + std::to_string(i);
             (void)AddDistributionNode(net, id.c_str(), {"Uniform(0, 1)"});
             product += (i > 0 ? "*" : "") + id;
             parents.push_back(id);
         }
         (void)AddEquationNode(net, "p", product.c_str(), parents);
         (void)test::Observe(net, "p", 0.7);
     }},
    {"root-of-500-children",
     [](VRX_network& net) {
         (void)AddDistributionNode(net, "r", {"Normal(0, 1)"});
         for (int i = 0; i < 500; ++i) {
             const std::string id = "o" + std::to_string(i);
             (void)AddEquationNode(net, id.c_str(), "r + Normal(0, 1.5)", {"r"});
             (void)test::Observe(net, id.c_str(), 0.66 + 1.5 * std::sin(i * 1.7));
         }
     },
     1000},
    {"normal-root-at-39", [](VRX_network& net) { ObservedRoot(net, "Normal(0, 1)", 39.0); }},
    {"narrow-root-at-14", [](VRX_network& net) { ObservedRoot(net, "Normal(10, 0.1)", 14.0); }},
    {"exponential-root-at-800", [](VRX_network& net) { ObservedRoot(net, "Exponential(1)", 800.0); }},
    {"gaussian-chain",
     [](VRX_network& net) {
         (void)test::AddGaussianChain(net, 6);
         (void)test::Observe(net, "x5", 2.0);
     }},
    {"discrete-mixture",
     [](VRX_network& net) {
         (void)test::AddDiscreteNode(net, "d", {"0.3", "0.7"});
         (void)AddDistributionNode(net, "x", {"Normal(-1, 1)", "Normal(2, 1)"}, {"d"});
         (void)test::AddDiscreteNode(net, "s", {"x>0", "x<=0"}, {"x"});
         (void)test::Observe(net, "x", 0.0);
     }},
    {"equations-lognormal",
     [](VRX_network& net) {
         (void)test::AddEquation(net, "X", "X = Lognormal(0, 1)");
         (void)test::AddEquation(net, "Y", "Y = X + Normal(0, 1)");
         (void)test::ValueOf(net, net.FindNode("Y")).SetContEvidence(30.0);
     }},
    {"equations-wide-normal",
     [](VRX_network& net) {
         (void)test::AddEquation(net, "X", "X = Normal(0, 1)");
         (void)test::AddEquation(net, "Y", "Y = X + Normal(0, 10)");
         (void)test::ValueOf(net, net.FindNode("Y")).SetContEvidence(60.0);
     }},
    {"equations-generated-noisy",
     [](VRX_network& net) {
         (void)test::BuildGeneratedNetwork(net, {3, 10, true});
     }},
};

}  // namespace

void DecisionsSection() {
    const std::vector<std::pair<const char*, std::function<void(VRX_network&)>>> built = {
        {"wildcatter", test::BuildWildcatter},
        {"wildcatter-tested",
         [](VRX_network& net) {
             test::BuildWildcatter(net);
             (void)net.GetNode(net.FindNode("Test"))->GetValue()->SetEvidence(0);
         }},
        {"wildcatter-irrelevant-information",
         [](VRX_network& net) {
             test::BuildWildcatter(net);
             test::AddIrrelevantInformation(net, 3);
         }},
        {"wildcatter-own-utilities",
         [](VRX_network& net) {
             test::BuildWildcatter(net);
             test::AddOwnUtilities(net, 4);
         }},
        {"unevaluable-scenarios", test::BuildUnevaluableScenarios},
        {"taken-decision", BuildTakenDecision},
    };
    for (const auto& [name, build] : built) {
        VRX_network net;
        build(net);
        RecordBothSolvers(net, name);
    }
    const std::pair<const char*, test::Recall> recalls[] = {{"everything", test::Recall::kEverything},
                                                            {"assumed-order", test::Recall::kAssumedOrder},
                                                            {"forgetful", test::Recall::kForgetful}};
    for (const auto& [recallName, recall] : recalls) {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            for (const std::string variant : {"", ":d0-taken", ":c0-likelihood"}) {
                std::mt19937 rng(seed);
                VRX_network net;
                const int decisions =
                    (recall == test::Recall::kForgetful ? 2 : 1) + static_cast<int>(seed % 3);
                (void)test::BuildRandomDiagram(net, rng, 3, decisions, 2, recall);
                VRX_nodeValue& d0 = *net.GetNode(net.FindNode("d0"))->GetValue();
                VRX_nodeValue& c0 = *net.GetNode(net.FindNode("c0"))->GetValue();
                // The first decision taken, what it observed not entered; or virtual evidence on c0.
                if (variant == ":d0-taken") (void)d0.SetEvidence(static_cast<int>(seed % 2));
                if (variant == ":c0-likelihood") (void)c0.SetVirtualEvidence(test::Doubles({0.3, 0.9}));
                RecordBothSolvers(net,
                                  std::string("random:") + recallName + ":" + std::to_string(seed) + variant);
            }
        }
    }
}

void HybridSection() {
    for (const HybridCase& item : kHybridCases) {
        for (int algorithm = HybridAlgorithm::kFirst; algorithm <= std::max(HybridAlgorithm::kLast, 16);
             ++algorithm) {
            VRX_network net;
            item.build(net);
            net.SetHybridAlgorithm(algorithm);
            net.numSamples = item.samples;
            SeedSamplers();
            (void)RecordUpdate(net, true,
                               std::string("hybrid:") + item.name + ":alg" + std::to_string(algorithm),
                               [&] { return net.UpdateBeliefs(); });
        }
    }
    // Without distributions the equations are solved, not sampled.
    VRX_network net;
    (void)test::BuildGeneratedNetwork(net, {10, 20, false});
    (void)RecordUpdate(net, false, "hybrid:equations-generated:solve", [&] { return net.UpdateBeliefs(); });
}

}  // namespace vovido::compare
