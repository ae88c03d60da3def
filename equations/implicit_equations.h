#pragma once
// Equations that name their own node in a way no rule isolates it (W = 0.5*W + 2, W = Cos(W)): the
// conversion to a hybrid network needs a right side for such a node, which it gets here where the node's
// value follows from constants alone, found as the solver finds it without evidence, or where the node
// enters its equation linearly (W = 0.5*W + X), in closed form.

#include <memory>
#include <string>
#include <vector>

#include "base/expression.h"
#include "equations/equation_plan.h"

class ParsedEquation;
class VRX_network;

namespace vovido {

class ImplicitEquations {
public:
    explicit ImplicitEquations(VRX_network& source) : source_(source) {}

    // The constant right side of node h, whose equation could not be isolated for it: 0 with right set,
    // 1 when the node's value is no constant (it draws, or rests on evidence or on a node that does), or
    // the solver's code with its reason logged (X = X + 1 has no solution).
    [[nodiscard]] int ConstantRightSide(int h, ExpressionSlot& right);

    // The right side of a node whose equation is linear in it, a*W + b = 0 with a and b free of W:
    // -b / a; 1 when it is not linear in it.
    [[nodiscard]] static int LinearRightSide(const ParsedEquation& equation, const std::string& id,
                                             ExpressionSlot& right);

private:
    // Solves every unit whose value follows from constants alone, once.
    [[nodiscard]] int SolveConstants();

    VRX_network& source_;
    EquationPlan plan_;
    std::unique_ptr<KnownValues> known_;
    bool solved_ = false;
    int status_ = 0;
    std::vector<char> constant_;  // by handle: the value is in known_
    std::vector<char> failed_;    // by handle: a unit of constants without a solution
};

}  // namespace vovido
