// A section of hybrid and equation shapes that hid past faults of the samplers, under algorithms 13 to 16:
// equations of two continuous parents, Tanh chains, discrete noise terms, functions nested round their
// noise, and distributions whose bounds are left unset far from the origin or that overflow.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "model/network.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/equation_networks.h"
#include "tests/support/hybrid_networks.h"

namespace vovido::compare {
namespace {

using test::AddDistributionNode;
using test::AddEquation;
using test::AddEquationNode;
using test::Observe;

struct ShapeCase {
    const char* name;
    std::function<void(VRX_network&)> build;
};

// x0 ~ Normal(0, 1), x(i) = Tanh(x(i-1) + Normal(0, 0.3)), the last observed at 0.4; as equation nodes
// when `equations`, else as distribution and hybrid equation nodes.
void TanhChain(VRX_network& net, int length, bool equations) {
    if (equations) {
        (void)AddEquation(net, "x0", "x0 = Normal(0, 1)");
    } else {
        (void)AddDistributionNode(net, "x0", {"Normal(0, 1)"});
    }
    for (int i = 1; i < length; ++i) {
        const std::string id = "x" + std::to_string(i), previous = "x" + std::to_string(i - 1);
        const std::string expression = "Tanh(" + previous + " + Normal(0, 0.3))";
        if (equations) {
            (void)AddEquation(net, id.c_str(), (id + " = " + expression).c_str());
        } else {
            (void)AddEquationNode(net, id.c_str(), expression.c_str(), {previous});
        }
    }
    (void)Observe(net, ("x" + std::to_string(length - 1)).c_str(), 0.4);
}

// a ~ Normal(0, 1) and b ~ Normal(1, 2), the parents of y = expression, y observed at `value`.
void TwoParents(VRX_network& net, const char* expression, double value, bool equations) {
    if (equations) {
        (void)AddEquation(net, "a", "a = Normal(0, 1)");
        (void)AddEquation(net, "b", "b = Normal(1, 2)");
        (void)AddEquation(net, "y", (std::string("y = ") + expression).c_str());
    } else {
        (void)AddDistributionNode(net, "a", {"Normal(0, 1)"});
        (void)AddDistributionNode(net, "b", {"Normal(1, 2)"});
        (void)AddEquationNode(net, "y", expression, {"a", "b"});
    }
    (void)Observe(net, "y", value);
}

// x ~ prior and y = expression of x, y observed at `value`.
void Pair(VRX_network& net, const char* prior, const char* expression, double value, bool equations) {
    if (equations) {
        (void)AddEquation(net, "x", (std::string("x = ") + prior).c_str());
        (void)AddEquation(net, "y", (std::string("y = ") + expression).c_str());
    } else {
        (void)AddDistributionNode(net, "x", {prior});
        (void)AddEquationNode(net, "y", expression, {"x"});
    }
    (void)Observe(net, "y", value);
}

std::vector<ShapeCase> Cases(bool equations) {
    const bool e = equations;
    return {
        {"two-parents-sum", [e](VRX_network& net) { TwoParents(net, "a + b + Normal(0, 1)", 3.0, e); }},
        {"two-parents-product", [e](VRX_network& net) { TwoParents(net, "a * b + Normal(0, 0.5)", 2.0, e); }},
        {"two-parents-tanh",
         [e](VRX_network& net) { TwoParents(net, "Tanh(a - b + Normal(0, 0.3))", 0.6, e); }},
        {"tanh-chain-3", [e](VRX_network& net) { TanhChain(net, 3, e); }},
        {"tanh-chain-6", [e](VRX_network& net) { TanhChain(net, 6, e); }},
        {"bernoulli-noise",
         [e](VRX_network& net) { Pair(net, "Normal(0, 1)", "x + Bernoulli(0.3)", 0.7, e); }},
        {"normal-plus-bernoulli",
         [e](VRX_network& net) { Pair(net, "Normal(0, 1)", "Normal(x, 1) + Bernoulli(0.3)", 0.7, e); }},
        {"binomial-noise",
         [e](VRX_network& net) {
             Pair(net, "Normal(0, 1)", "x + Binomial(4, 0.5) + Normal(0, 0.1)", 2.5, e);
         }},
        {"nested-tanh-sin",
         [e](VRX_network& net) { Pair(net, "Normal(0, 1)", "Tanh(2 * Sin(x + Normal(0, 0.3)))", 0.5, e); }},
        {"nested-exp-min",
         [e](VRX_network& net) {
             Pair(net, "Normal(0, 1)", "Exp(Min(x + Normal(0, 0.2), 1)) + Normal(0, 0.1)", 1.5, e);
         }},
        {"nested-bernoulli",
         [e](VRX_network& net) {
             Pair(net, "Normal(0, 1)", "Tanh(x + Bernoulli(0.3) + Normal(0, 0.2))", 0.3, e);
         }},
        {"lognormal-14",
         [e](VRX_network& net) {
             if (e) {
                 (void)AddEquation(net, "X", "X = Lognormal(14, 1)");
             } else {
                 (void)AddDistributionNode(net, "X", {"Lognormal(14, 1)"});
             }
         }},
        {"normal-1.5e6",
         [e](VRX_network& net) { Pair(net, "Normal(1.5e6, 1e5)", "x + Normal(0, 2e4)", 1.52e6, e); }},
        {"exp-1000",
         [e](VRX_network& net) {
             if (e) {
                 (void)AddEquation(net, "X", "X = Exp(1000)");
             } else {
                 (void)AddEquationNode(net, "X", "Exp(1000)", {});
             }
         }},
    };
}

}  // namespace

// FORM: "hybrid" (distribution and hybrid equation nodes) or "equation" (equation nodes).
void HybridShapesSection(const std::string& form) {
    const bool equations = form == "equation";
    for (const ShapeCase& item : Cases(equations)) {
        for (int algorithm = HybridAlgorithm::kFirst; algorithm <= std::max(HybridAlgorithm::kLast, 16);
             ++algorithm) {
            VRX_network net;
            item.build(net);
            net.SetHybridAlgorithm(algorithm);
            SeedSamplers();
            (void)RecordUpdate(net, true,
                               "hybrid-shapes:" + form + ":" + item.name + ":alg" + std::to_string(algorithm),
                               [&] { return net.UpdateBeliefs(); });
        }
    }
}

}  // namespace vovido::compare
