#pragma once
// Equations strictly monotonic in one variable whatever values the others take: which they are, and the
// one value of the variable that gives the equation a value, found by undoing each step in turn.

#include <string>

class VRX_expression;

namespace vovido {

// True when the variable occurs once, reached through sums, differences, products and quotients by
// nonzero constants, odd integer powers and functions that keep order (Sinh(0.9*x + e)).
bool StrictlyMonotonicIn(const VRX_expression& tree, const std::string& name);

enum class Undone { kNotMonotonic, kNoSolution, kSolved };

// With the other variables at their assigned values, the variable's value that gives the tree (its
// sign applied) the value v: kSolved with x; kNoSolution where v lies outside the range of a step
// (Tanh beyond (-1, 1), Exp at or below 0) or another term is not finite; kNotMonotonic where the tree
// is not StrictlyMonotonicIn the variable.
Undone UndoMonotonic(const VRX_expression& tree, const std::string& name, double v, double& x);

}  // namespace vovido
