#pragma once
// Networks of equation nodes for tests and benchmarks: building them node by node, reading their values,
// and a generated network of a few hundred nodes with chains, equations that name their own node,
// strongly coupled components and (optionally) distributions.

#include <cmath>
#include <string>
#include <vector>

#include "base/parsed_equation.h"
#include "base/status_codes.h"
#include "definitions/continuous_values.h"
#include "definitions/equation.h"
#include "definitions/equation_scc.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido::test {

inline VRX_equation& EquationOf(const VRX_network& net, int h) {
    return *static_cast<VRX_equation*>(net.GetNode(h)->GetDefinition());
}

inline VRX_equationSCC& ComponentOf(const VRX_network& net, int h) {
    return *static_cast<VRX_equationSCC*>(net.GetNode(h)->GetDefinition());
}

inline VRX_valEqEvaluation& ValueOf(const VRX_network& net, int h) {
    return *static_cast<VRX_valEqEvaluation*>(net.GetNode(h)->GetValue());
}

// The equation as text, of either kind.
inline std::string TextOf(const VRX_network& net, int h) {
    std::string text;
    if (net.GetNodeType(h) == DefinitionType::kEquationScc) {
        EquationToText(ComponentOf(net, h).GetEquation(), text);
    } else {
        EquationToText(EquationOf(net, h).GetEquation(), text);
    }
    return text;
}

// Adds an equation node and sets its equation (when given); the handle, or a negative status.
inline int AddEquation(VRX_network& net, const char* id, const char* equation = nullptr) {
    const int h = net.AddNode(DefinitionType::kEquation, id);
    if (h < 0 || equation == nullptr) return h;
    const int rc = EquationOf(net, h).SetEquation(equation, nullptr, nullptr);
    return rc == kSuccess ? h : rc;
}

// Adds a component node with arcs from the parents, the members and the equation; handle or status.
inline int AddComponentNode(VRX_network& net, const char* id, const std::vector<std::string>& parents,
                            const std::vector<std::string>& members, const char* equation) {
    const int h = net.AddNode(DefinitionType::kEquationScc, id);
    if (h < 0) return h;
    for (const std::string& p : parents) {
        if (const int rc = net.AddArc(net.FindNode(p.c_str()), h)) return rc;
    }
    if (const int rc = ComponentOf(net, h).SetMembers(members)) return rc;
    const int rc = ComponentOf(net, h).SetEquation(equation);
    return rc == kSuccess ? h : rc;
}

// Residual right - left of the node's equation with every variable given the value of the node of that
// name (values by handle).
inline double ResidualOf(const VRX_network& net, int h, const std::vector<double>& values) {
    ParsedEquation copy = net.GetNodeType(h) == DefinitionType::kEquationScc
                              ? ComponentOf(net, h).GetEquation()
                              : EquationOf(net, h).GetEquation();
    std::vector<std::string> names;
    copy.GetVariables(names);
    for (const std::string& name : names) copy.AssignVariable(name, values[net.FindNode(name.c_str())]);
    copy.MoveToRight();
    return copy.right->Evaluate() * copy.right->sign;
}

struct GeneratedNetworkShape {
    int chains = 10;
    int chainLength = 20;
    bool distributions = false;
};

// Builds the network into an empty one: per chain j a root, a chain of nodes each depending on the one
// before and on the root, a node whose equation names itself (Newton), one written with its variable in
// a product (solved in closed form), a component of three members, a node below the component, and with
// distributions a noisy node and its child. Returns the number of nodes, or a negative status.
inline int BuildGeneratedNetwork(VRX_network& net, const GeneratedNetworkShape& shape) {
    auto id = [](const char* base, int j, int i = -1) {
        return std::string(base) + std::to_string(j) + (i >= 0 ? "_" + std::to_string(i) : "");
    };
    auto add = [&](const std::string& node, const std::string& equation) {
        return AddEquation(net, node.c_str(), equation.c_str());
    };
    for (int j = 0; j < shape.chains; ++j) {
        const std::string root = id("r", j);
        if (add(root, root + " = " + std::to_string(j) + "/3 + 0.25") < 0) return kOutOfRange;
        std::string previous = root;
        for (int i = 0; i < shape.chainLength; ++i) {
            const std::string node = id("c", j, i);
            const std::string equation = node + " = 0.5*" + previous + " + sin(" + root + ") - " +
                                         std::to_string(i) + "/10 + Max(" + previous + ", 0.1)^0.5";
            if (add(node, equation) < 0) return kOutOfRange;
            previous = node;
        }
        const std::string self = id("s", j);
        if (add(self, self + " = cos(" + self + ") + 0.1*" + previous) < 0) return kOutOfRange;
        const std::string product = id("t", j);
        if (add(product, "2*" + product + " + " + root + " = " + self) < 0) return kOutOfRange;
        const std::string m0 = id("m", j, 0), m1 = id("m", j, 1), m2 = id("m", j, 2);
        if (AddComponentNode(net, m0.c_str(), {product}, {m1, m2},
                             (m0 + " = 1 + 0.3*" + m1 + " - 0.2*" + m2 + " + 0.1*" + product).c_str()) < 0 ||
            AddComponentNode(net, m1.c_str(), {}, {m0, m2}, (m1 + " = cos(" + m0 + ") + 0.2*" + m2).c_str()) <
                0 ||
            AddComponentNode(net, m2.c_str(), {root}, {m0, m1},
                             (m2 + " = 0.5*" + m0 + " - 0.1*" + m1 + " + " + root).c_str()) < 0)
            return kOutOfRange;
        if (add(id("d", j), id("d", j) + " = " + m0 + " + " + m2 + "^2") < 0) return kOutOfRange;
        if (!shape.distributions) continue;
        const std::string noisy = id("e", j);
        if (add(noisy, noisy + " = " + id("c", j, 3) + " + Normal(0, 0.1)") < 0) return kOutOfRange;
        if (add(id("f", j), id("f", j) + " = 2*" + noisy + " - " + m1) < 0) return kOutOfRange;
    }
    return net.GetNumberOfNodes();
}

}  // namespace vovido::test
