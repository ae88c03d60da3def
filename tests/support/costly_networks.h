#pragma once
// Small networks whose update or search would cost minutes or gigabytes if the engine did the work before
// counting it: a causal-independence node with many parents, the tables of a band of wide families, a
// troubleshooting network with many faults, an equation chain. Shared by the tests of the refusals and
// their benchmarks.

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/status_codes.h"
#include "definitions/demorgan.h"
#include "definitions/equation.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"
#include "tests/support/diagnosis_roles.h"

namespace vovido::test {

// A node "n" of the kind (DefinitionType::kNoisyMax or kDeMorgan) and `outcomes` outcomes over
// `parents` two-state parents p0 .. p(n-1), and `children` two-state children c0 .. c(k-1) of "n" (CPT
// nodes; DeMorgan nodes for a DeMorgan "n", whose parents are DeMorgan nodes too, each a cause); kSuccess
// or the first failing step's status.
inline int BuildWideCausalNetwork(VRX_network& net, int type, int parents, int children, int outcomes = 2) {
    const int parentType =
        type == DefinitionType::kDeMorgan ? DefinitionType::kDeMorgan : DefinitionType::kCpt;
    const int n = net.AddNode(type, "n");
    if (n < 0) return n;
    if (outcomes != 2) {
        if (const int rc = net.GetNode(n)->GetDefinition()->SetNumberOfOutcomes(outcomes)) return rc;
    }
    for (int i = 0; i < parents; ++i) {
        const int p = net.AddNode(parentType, ("p" + std::to_string(i)).c_str());
        if (p < 0) return p;
        if (const int rc = net.AddArc(p, n, 0)) return rc;
    }
    if (type == DefinitionType::kDeMorgan) {
        auto& demorgan = static_cast<VRX_demorgan&>(*net.GetNode(n)->GetDefinition());
        VRX_doubleArray weights;
        VRX_intArray kinds;
        for (int i = 0; i < parents; ++i) {
            if (const int rc = weights.Add(0.5)) return rc;
            if (const int rc = kinds.Add(DemorganParentType::kCause)) return rc;
        }
        if (const int rc = demorgan.SetParentWeights(weights)) return rc;
        if (const int rc = demorgan.SetParentTypes(kinds)) return rc;
    }
    for (int i = 0; i < children; ++i) {
        const int c = net.AddNode(parentType, ("c" + std::to_string(i)).c_str());
        if (c < 0) return c;
        if (const int rc = net.AddArc(n, c, 0)) return rc;
    }
    return kSuccess;
}

// Observes the first outcome of every node c0, c1, ... of the network.
inline int ObserveChildren(VRX_network& net) {
    for (int i = 0;; ++i) {
        const int c = net.FindNode(("c" + std::to_string(i)).c_str());
        if (c < 0) return kSuccess;
        if (const int rc = net.GetNode(c)->GetValue()->SetEvidence(0)) return rc;
    }
}

// A chain of `nodes` equation nodes e0 = Uniform(0, 1), e(i) = e(i-1) + Uniform(0, 1), its last node
// observed at `last` (far beyond the mean of nodes / 2, few draws can explain it); kSuccess or the first
// failing step's status.
inline int BuildEquationChain(VRX_network& net, int nodes, double last) {
    for (int i = 0; i < nodes; ++i) {
        const std::string id = "e" + std::to_string(i);
        const int h = net.AddNode(DefinitionType::kEquation, id.c_str());
        if (h < 0) return h;
        const std::string text =
            id + " = " +
            (i > 0 ? "e" + std::to_string(i - 1) + " + Uniform(0, 1)" : std::string("Uniform(0, 1)"));
        auto& equation = static_cast<VRX_equation&>(*net.GetNode(h)->GetDefinition());
        if (const int rc = equation.SetEquation(text.c_str(), nullptr, nullptr)) return rc;
    }
    return net.GetNode(net.FindNode(("e" + std::to_string(nodes - 1)).c_str()))
        ->GetValue()
        ->SetContEvidence(last);
}

// A troubleshooting network of `faults` two-state fault nodes f0 .. (targets, outcome 0 the fault) and
// `tests` two-state ranked observations t0 .., test j a child of faults j, j + 7 and j + 13 (modulo the
// fault count, at least 14), or with `scattered` of three faults drawn at random (fixed seed), its first
// outcome the likelier the more of them are at fault; kSuccess or the first failing step's status.
inline int BuildTroubleshootingNetwork(VRX_network& net, int faults, int tests, bool scattered = false) {
    std::mt19937 draw(7);
    for (int i = 0; i < faults; ++i) {
        const std::string id = "f" + std::to_string(i);
        const int h = net.AddNode(DefinitionType::kCpt, id.c_str());
        if (h < 0) return h;
        if (!MarkTarget(net, id, {0})) return kOutOfRange;
    }
    for (int j = 0; j < tests; ++j) {
        const std::string id = "t" + std::to_string(j);
        const int h = net.AddNode(DefinitionType::kCpt, id.c_str());
        if (h < 0) return h;
        for (int step : {0, 7, 13}) {
            int parent = net.FindNode(("f" + std::to_string((j + step) % faults)).c_str());
            while (scattered && (parent = net.FindNode(("f" + std::to_string(draw() % faults)).c_str()),
                                 net.AreAdjacent(parent, h) == 1)) {
            }
            if (const int rc = net.AddArc(parent, h, 0)) return rc;
        }
        if (scattered) {
            VRX_Dmatrix* table = nullptr;
            if (const int rc = net.GetNode(h)->GetDefinition()->GetDefinition(table)) return rc;
            for (int c = 0; c < 8; ++c) {
                const int faulty = 3 - ((c & 1) + ((c >> 1) & 1) + ((c >> 2) & 1));
                (*table)[2 * c] = 0.1 + 0.8 * faulty / 3;
                (*table)[2 * c + 1] = 0.9 - 0.8 * faulty / 3;
            }
        }
        if (!MarkObservation(net, id)) return kOutOfRange;
    }
    return kSuccess;
}

// Observes outcome 0 of every `every`-th test t0, t(every), ... of the first `tests`.
inline int ObserveTests(VRX_network& net, int tests, int every) {
    for (int j = 0; j < tests; j += every) {
        if (const int rc =
                net.GetNode(net.FindNode(("t" + std::to_string(j)).c_str()))->GetValue()->SetEvidence(0))
            return rc;
    }
    return kSuccess;
}

// `nodes` CPT nodes n0 .. of `outcomes` outcomes, node i a child of the `parents` nodes before it (a chain
// for 1; with `random` set, of `parents` nodes drawn from those before it), each column drawn from the seeded
// generator and peaked, and the last outcome of the last `observed` nodes (spread evenly) observed; kSuccess
// or the first failing step's status.
inline int BuildSampledBand(VRX_network& net, int nodes, int outcomes, int parents, bool random, int observed,
                            unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> draw(0.01, 1.0);
    for (int i = 0; i < nodes; ++i) {
        const int h = net.AddNode(DefinitionType::kCpt, ("n" + std::to_string(i)).c_str());
        if (h < 0) return h;
        if (const int rc = net.GetNode(h)->GetDefinition()->SetNumberOfOutcomes(outcomes)) return rc;
        for (int j = 1; j <= parents && j <= i; ++j) {
            const int parent = random ? std::uniform_int_distribution<int>(0, i - 1)(rng) : i - j;
            (void)net.AddArc(net.FindNode(("n" + std::to_string(parent)).c_str()), h, 0);  // repeats refused
        }
        VRX_Dmatrix* table = nullptr;
        if (const int rc = net.GetNode(h)->GetDefinition()->GetDefinition(table)) return rc;
        VRX_doubleArray values;
        if (const int rc = values.SetSize(table->GetNumberOfElements())) return rc;
        values.SetCount(values.GetSize());
        for (int c = 0; c < values.GetCount(); c += outcomes) {
            double sum = 0.0;
            for (int k = 0; k < outcomes; ++k) sum += values[c + k] = std::pow(draw(rng), 6);
            for (int k = 0; k < outcomes; ++k) values[c + k] /= sum;
        }
        if (const int rc = net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(values)) return rc;
    }
    for (int k = 0; k < observed; ++k) {
        const int h = net.FindNode(("n" + std::to_string(nodes - 1 - k * (nodes / observed))).c_str());
        if (const int rc = net.GetNode(h)->GetValue()->SetEvidence(outcomes - 1)) return rc;
    }
    return kSuccess;
}

// A grid of `side` rows of `columns` nodes (side x side by default) of `outcomes` outcomes, g0, g1, ...
// row by row, each a child of its left and upper neighbours: clusters of some min(side, columns) nodes, so
// that the join tree grows exponentially with the narrower side; kSuccess or the first failing step's
// status.
inline int BuildGrid(VRX_network& net, int side, int outcomes, int columns = 0) {
    const int width = columns > 0 ? columns : side;
    std::vector<int> h;
    for (int i = 0; i < side * width; ++i) {
        const int node = net.AddNode(DefinitionType::kCpt, ("g" + std::to_string(i)).c_str());
        if (node < 0) return node;
        h.push_back(node);
        if (outcomes != 2) {
            if (const int rc = net.GetNode(node)->GetDefinition()->SetNumberOfOutcomes(outcomes)) return rc;
        }
        if (i % width > 0) {
            if (const int rc = net.AddArc(h[i - 1], node)) return rc;
        }
        if (i >= width) {
            if (const int rc = net.AddArc(h[i - width], node)) return rc;
        }
    }
    return kSuccess;
}

// `nodes` two-state nodes b0, b1, ..., each a child of the `width` nodes before it: a band whose join tree
// is small, but whose every node depends on all before it through more than one path; kSuccess or the
// first failing step's status.
inline int BuildBand(VRX_network& net, int nodes, int width) {
    std::vector<int> h;
    for (int i = 0; i < nodes; ++i) {
        const int node = net.AddNode(DefinitionType::kCpt, ("b" + std::to_string(i)).c_str());
        if (node < 0) return node;
        for (int k = 1; k <= width && k <= i; ++k) {
            if (const int rc = net.AddArc(h[static_cast<size_t>(i - k)], node)) return rc;
        }
        h.push_back(node);
    }
    return kSuccess;
}

// 22 two-state roots r0 .. r21 and 44 two-state children c0 .. c43 of three roots each (c_i of r_i,
// r_(i+1), r_(i+2) for i < 22, of r_i, r_(i+2), r_(i+5) after, indices mod 22); decision d0 observes
// c0 .. c(first-1), d1 the next `second` and d0; a utility u over r0, r1, d0 and d1. Every policy
// evaluation update runs a join tree of some 28,000 entries; kSuccess or the first failing step's status.
inline int BuildObservedRootsDiagram(VRX_network& net, int first, int second) {
    const auto add = [&net](int type, const std::string& id, const std::vector<int>& parents) {
        int h = net.AddNode(type, id.c_str());
        for (size_t i = 0; h >= 0 && i < parents.size(); ++i) {
            if (const int rc = net.AddArc(parents[i], h)) h = rc;
        }
        return h;
    };
    std::vector<int> roots;
    std::vector<int> seen[2];
    for (int i = 0; i < 22; ++i) roots.push_back(add(DefinitionType::kCpt, "r" + std::to_string(i), {}));
    for (int i = 0; i < 44; ++i) {
        const int near = i < 22 ? 1 : 2;
        const int far = i < 22 ? 2 : 5;
        const int c = add(DefinitionType::kCpt, "c" + std::to_string(i),
                          {roots[static_cast<size_t>(i % 22)], roots[static_cast<size_t>((i + near) % 22)],
                           roots[static_cast<size_t>((i + far) % 22)]});
        if (c < 0) return c;
        if (i < first + second) seen[i < first ? 0 : 1].push_back(c);
    }
    const int d0 = add(DefinitionType::kList, "d0", seen[0]);
    seen[1].push_back(d0);
    const int d1 = add(DefinitionType::kList, "d1", seen[1]);
    const int u = add(DefinitionType::kTable, "u", {roots[0], roots[1], d0, d1});
    return d0 < 0 ? d0 : d1 < 0 ? d1 : u < 0 ? u : kSuccess;
}

// A dynamic network of `plate` plate nodes w0 -> w1 -> ... of `outcomes` states over `slices` slices.
// Interface between slices: every node a parent of itself (wide), or w0 a parent of itself and of the
// last node.
inline int BuildPlateChain(VRX_network& net, int plate, int slices, bool wide, int outcomes = 2) {
    std::vector<int> h;
    for (int i = 0; i < plate; ++i) {
        const int node = net.AddNode(DefinitionType::kCpt, ("w" + std::to_string(i)).c_str());
        if (node < 0) return node;
        if (outcomes != 2) {
            if (const int rc = net.GetNode(node)->GetDefinition()->SetNumberOfOutcomes(outcomes)) return rc;
        }
        h.push_back(node);
    }
    for (int i = plate - 1; i >= 0; --i) {
        if (const int rc = net.SetTemporalType(h[i], TemporalType::kPlate)) return rc;
    }
    for (int i = 1; i < plate; ++i) {
        if (const int rc = net.AddArc(h[i - 1], h[i])) return rc;
    }
    for (int i = 0; i < (wide ? plate : 1); ++i) {
        if (const int rc = net.AddTemporalArc(h[i], h[i], 1)) return rc;
    }
    if (!wide) {
        if (const int rc = net.AddTemporalArc(h[0], h[plate - 1], 1)) return rc;
    }
    return net.SetSliceCount(slices);
}

}  // namespace vovido::test
