#pragma once
// The plan of one solver run: the network's equation nodes grouped into units (a plain node, or a
// strongly coupled component with its members) in an order that puts every unit after the units it
// needs, each unit with its trees bound to the nodes whose values its variables take.

#include <cstdint>
#include <string>
#include <vector>

#include "base/expression.h"

class VRX_network;
struct EquationSolverOptions;

namespace vovido {

// The values found so far in a pass, by node handle. A value once set stays until Clear.
class KnownValues {
public:
    explicit KnownValues(int slots)
        : values_(static_cast<size_t>(slots), 0.0), known_(static_cast<size_t>(slots), 0) {}
    void Clear() { known_.assign(known_.size(), 0); }
    bool IsKnown(int h) const { return known_[static_cast<size_t>(h)] != 0; }
    double Get(int h) const { return values_[static_cast<size_t>(h)]; }
    void Set(int h, double v) {
        if (IsKnown(h)) return;
        values_[static_cast<size_t>(h)] = v;
        known_[static_cast<size_t>(h)] = 1;
    }

private:
    std::vector<double> values_;
    std::vector<char> known_;
};

// A variable of a unit's tree and where its value comes from: a node's known value, or (unknown >= 0)
// the unit's trial point while the unit is solved.
struct VariableBinding {
    VRX_variable* variable;
    int node;
    int unknown;
};

struct EquationUnit {
    enum Kind {
        kEvaluate,   // a plain node: the signed value of `expression` (its right side, or a solved copy's)
        kSolveOwn,   // a plain node whose equation could not be solved for it in closed form: Newton
        kComponent,  // a strongly coupled component: Newton over the members
    };
    Kind kind = kEvaluate;
    std::vector<int> nodes;  // a component's node first, then its members in their order
    const VRX_expression* expression = nullptr;
    ExpressionSlot solved;                  // owns `expression` when it is a solved copy
    std::vector<ExpressionSlot> residuals;  // kSolveOwn, kComponent: right - left of each node
    std::vector<VariableBinding> bindings;
    std::vector<int> externalParents;  // parents of the nodes outside the unit
    int64_t residualTerms = 0;         // the terms of `residuals`, counted when first solved
};

class EquationPlan {
public:
    // Groups and orders the live nodes, all of them equation nodes: 0, or kOutOfRange with the reason logged.
    [[nodiscard]] int Build(VRX_network& network);
    std::vector<EquationUnit>& GetUnits() { return units_; }

    // Computes the values of the unit's nodes into known: 0, or kOutOfRange (a value it needs is not known,
    // or Newton's method failed, logged).
    [[nodiscard]] int Solve(EquationUnit& unit, KnownValues& known, const EquationSolverOptions& options);

private:
    [[nodiscard]] int BuildPlainUnit(VRX_network& network, int handle, EquationUnit& unit);
    [[nodiscard]] int BuildComponent(VRX_network& network, int handle, std::vector<int>& unitOf,
                                     EquationUnit& unit);
    [[nodiscard]] int OrderUnits(VRX_network& network, const std::vector<int>& unitOf);
    // The unit's variables read their values: known ones from known, unknowns from x.
    static void Refresh(const EquationUnit& unit, const KnownValues& known, const std::vector<double>& x);

    std::vector<EquationUnit> units_;
};

}  // namespace vovido
