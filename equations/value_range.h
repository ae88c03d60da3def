#pragma once
// The values an expression can take given the values its variables can take: interval arithmetic over
// the tree, the functions' own ranges (Tanh within [-1, 1], Exp at or above 0) and the distributions'
// supports. Always an interval that holds every finite value the expression can take; the whole line
// where that is not known, so that whatever lies outside is impossible.

#include <limits>
#include <string>

#include "base/function_ref.h"

class VRX_expression;

namespace vovido {

struct ValueRange {
    double lower = -std::numeric_limits<double>::infinity();
    double upper = std::numeric_limits<double>::infinity();
    // Some evaluations may give no number (Ln of a negative, infinity less infinity): no value either,
    // but Min, Max and Sign pass over it to give one.
    bool undefined = false;

    // Within the range, give or take the rounding of its computed ends.
    bool Holds(double v) const;
    bool IsWhole() const { return lower == -upper && upper == std::numeric_limits<double>::infinity(); }
};

// The range of the tree, its sign applied, each variable within the range that `variable` gives its
// name (the whole line for a name it does not know).
ValueRange RangeOfExpression(const VRX_expression& tree,
                             FunctionRef<ValueRange(const std::string&)> variable);

// The part of a that lies within b; the whole line where they do not meet.
ValueRange Intersect(const ValueRange& a, const ValueRange& b);

}  // namespace vovido
