// Inverses of equations monotonic in one variable, step by step from the top of the tree.
#include "equations/monotonic_inverse.h"

#include <cmath>
#include <cstring>

#include "base/expression.h"

namespace {

// The signed value of a constant node; false for any other kind.
bool ConstantValue(const VRX_expression& e, double& value) {
    if (e.GetType() != vovido::kConstantKind) return false;
    value = static_cast<const VRX_constant&>(e).value * e.sign;
    return true;
}

// True when the variable occurs in the tree; stops at the first occurrence.
bool HoldsVariable(const VRX_expression& e, const std::string& name) {
    if (e.GetType() == vovido::kVariableKind) return static_cast<const VRX_variable&>(e).name == name;
    for (int i = 0; i < e.GetOperandCount(); ++i) {
        const VRX_expression* operand = e.GetOperand(i);
        if (operand != nullptr && HoldsVariable(*operand, name)) return true;
    }
    return false;
}

// The functions that keep order, each with its inverse on its range.
struct OrderKeeping {
    const char* name;
    bool (*undo)(double v, double& x);
};

bool UndoSinh(double v, double& x) {
    x = std::asinh(v);
    return true;
}
bool UndoExp(double v, double& x) {
    x = std::log(v);
    return v > 0.0;
}
bool UndoLn(double v, double& x) {
    x = std::exp(v);
    return true;
}
bool UndoAtan(double v, double& x) {
    // atan reaches +-pi/2 in doubles only: tan there is the largest value that rounds to it.
    x = std::tan(v);
    return std::fabs(v) <= 0.5 * 3.141592653589793;
}
bool UndoTanh(double v, double& x) {
    x = std::atanh(v);
    return std::fabs(v) < 1.0;
}
bool UndoSqrt(double v, double& x) {
    x = v * v;
    return v >= 0.0;
}
bool UndoLog10(double v, double& x) {
    x = std::pow(10.0, v);
    return true;
}
bool UndoPow10(double v, double& x) {
    x = std::log10(v);
    return v > 0.0;
}

constexpr OrderKeeping kOrderKeeping[] = {
    {"Sinh", UndoSinh}, {"Exp", UndoExp},   {"Ln", UndoLn},       {"Atan", UndoAtan},
    {"Tanh", UndoTanh}, {"Sqrt", UndoSqrt}, {"Log10", UndoLog10}, {"Pow10", UndoPow10},
};

const OrderKeeping* FindOrderKeeping(const char* name) {
    for (const OrderKeeping& f : kOrderKeeping) {
        if (std::strcmp(f.name, name) == 0) return &f;
    }
    return nullptr;
}

}  // namespace

namespace vovido {

bool StrictlyMonotonicIn(const VRX_expression& tree, const std::string& name) {
    const int type = tree.GetType();
    if (type == kVariableKind) return static_cast<const VRX_variable&>(tree).name == name;
    if (type == kFunctionKind) {
        const auto& call = static_cast<const VRX_function&>(tree);
        return FindOrderKeeping(call.GetName()) != nullptr && call.arguments[0] && !call.arguments[1] &&
               StrictlyMonotonicIn(*call.arguments[0], name);
    }
    if (type < kPlusKind || type > kExpKind) return false;
    const auto& op = static_cast<const VRX_binaryOperator&>(tree);
    if (!op.left || !op.right) return false;
    const int inLeft = CountVariable(*op.left, name), inRight = CountVariable(*op.right, name);
    if (inLeft + inRight != 1) return false;
    const VRX_expression& with = inLeft == 1 ? *op.left : *op.right;
    const VRX_expression& other = inLeft == 1 ? *op.right : *op.left;
    double c = 0.0;
    switch (type) {
        case kPlusKind:
        case kMinusKind:
            return StrictlyMonotonicIn(with, name);
        case kMultiplyKind:
            return ConstantValue(other, c) && c != 0.0 && StrictlyMonotonicIn(with, name);
        case kDivideKind:
            return inLeft == 1 && ConstantValue(other, c) && c != 0.0 && StrictlyMonotonicIn(with, name);
        default:  // a power: an odd integer one of the variable
            return inLeft == 1 && ConstantValue(other, c) && c == std::floor(c) && std::fmod(c, 2.0) != 0.0 &&
                   c > 0.0 && StrictlyMonotonicIn(with, name);
    }
}

Undone UndoMonotonic(const VRX_expression& tree, const std::string& name, double v, double& x) {
    // Each step takes the value the node must have (its sign applied) to the value its operand must have;
    // the form is checked on the way down, so that a tree of another form is never half solved.
    const VRX_expression* node = &tree;
    bool solvable = true;
    for (;;) {
        solvable = solvable && std::isfinite(v);
        v *= node->sign;
        const int type = node->GetType();
        if (type == kVariableKind) {
            if (static_cast<const VRX_variable&>(*node).name != name) return Undone::kNotMonotonic;
            x = v;
            return solvable ? Undone::kSolved : Undone::kNoSolution;
        }
        if (type == kFunctionKind) {
            const auto& call = static_cast<const VRX_function&>(*node);
            const OrderKeeping* f = FindOrderKeeping(call.GetName());
            if (f == nullptr || !call.arguments[0] || call.arguments[1]) return Undone::kNotMonotonic;
            solvable = solvable && f->undo(v, v);
            node = call.arguments[0].get();
            continue;
        }
        if (type < kPlusKind || type > kExpKind) return Undone::kNotMonotonic;
        const auto& op = static_cast<const VRX_binaryOperator&>(*node);
        if (!op.left || !op.right) return Undone::kNotMonotonic;
        const bool inLeft = HoldsVariable(*op.left, name);
        const VRX_expression& other = inLeft ? *op.right : *op.left;
        if (HoldsVariable(other, name)) return Undone::kNotMonotonic;
        double c = 0.0;
        const bool constant = ConstantValue(other, c);
        switch (type) {
            case kPlusKind:
            case kMinusKind: {
                const double o = other.Evaluate() * other.sign;
                solvable = solvable && std::isfinite(o);
                v = type == kPlusKind ? v - o : inLeft ? v + o : o - v;
                break;
            }
            case kMultiplyKind:
                if (!constant || c == 0.0) return Undone::kNotMonotonic;
                v /= c;
                break;
            case kDivideKind:
                if (!inLeft || !constant || c == 0.0) return Undone::kNotMonotonic;
                v *= c;
                break;
            default: {  // a power: an odd integer one of the variable
                if (!inLeft || !constant || c != std::floor(c) || std::fmod(c, 2.0) == 0.0 || !(c > 0.0))
                    return Undone::kNotMonotonic;
                const double root = std::pow(std::fabs(v), 1.0 / c);
                v = v < 0.0 ? -root : root;
                break;
            }
        }
        node = inLeft ? op.left.get() : op.right.get();
    }
}

}  // namespace vovido
