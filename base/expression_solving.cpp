// One step of solving "node = right side" for a variable: the inversion of each invertible node.
#include <cmath>
#include <cstring>

#include "base/expression.h"

using vovido::kDivideKind;
using vovido::kExpKind;
using vovido::kFunctionKind;
using vovido::kMinusKind;
using vovido::kMultiplyKind;
using vovido::kPlusKind;

using vovido::ExpressionSlot;
using vovido::MakeBinary;

namespace {

ExpressionSlot Constant(double v) {
    return std::make_unique<VRX_constant>(v);
}

ExpressionSlot Call(const char* name, ExpressionSlot argument) {
    std::unique_ptr<VRX_function> call = CreateFunctionCall(name);
    call->SetArgument(0, std::move(argument));
    return call;
}

// The right side of a node of sign -1 is negated before the node is inverted.
ExpressionSlot TakeRightSide(const VRX_expression& node, ExpressionSlot& rightSide) {
    if (node.sign < 0) return MakeBinary<VRX_operatorMinus>(Constant(0.0), std::move(rightSide));
    return std::move(rightSide);
}

// Functions whose inverse is another row of the table, either way round.
const char* const kInversePairs[][2] = {
    {"Sin", "Asin"}, {"Cos", "Acos"}, {"Tan", "Atan"}, {"Exp", "Ln"}, {"Sqr", "Sqrt"}, {"Pow10", "Log10"},
};

const char* InverseOf(const char* name) {
    for (const auto& pair : kInversePairs) {
        if (std::strcmp(name, pair[0]) == 0) return pair[1];
        if (std::strcmp(name, pair[1]) == 0) return pair[0];
    }
    return nullptr;
}

bool IsOddInteger(const VRX_expression& node) {
    if (node.GetType() != vovido::kConstantKind) return false;
    const double v = static_cast<const VRX_constant&>(node).value * node.sign;
    return v == std::floor(v) && std::fabs(std::fmod(v, 2.0)) == 1.0;
}

bool IsCall(const VRX_expression* node, const char* name) {
    return node != nullptr && node->GetType() == kFunctionKind && node->sign > 0 &&
           std::strcmp(static_cast<const VRX_function*>(node)->GetName(), name) == 0;
}

// True for Abs(...) and for powers of it, which are never negative.
bool IsMagnitude(const VRX_expression* node) {
    while (node != nullptr && node->sign > 0 && node->GetType() == kExpKind)
        node = static_cast<const VRX_binaryOperator*>(node)->left.get();
    return IsCall(node, "Abs");
}

// True when r is itself a real root, Sign(s) * q with q a power of Abs(s): its sign and magnitude are
// already apart and can be reused.
bool IsSplitRoot(const VRX_expression& r) {
    if (r.GetType() != kMultiplyKind || r.sign < 0) return false;
    const auto& product = static_cast<const VRX_binaryOperator&>(r);
    return IsCall(product.left.get(), "Sign") && IsMagnitude(product.right.get());
}

// Whether the tree has more than limit nodes; stops counting there.
bool HasMoreNodesThan(VRX_expression& tree, int& limit) {
    if (--limit < 0) return true;
    for (int i = 0; i < tree.GetOperandCount(); ++i) {
        ExpressionSlot* slot = tree.GetOperandSlot(i);
        if (slot != nullptr && *slot && HasMoreNodesThan(**slot, limit)) return true;
    }
    return false;
}

// A real root copies its right side unless it can reuse a root's parts. Nested roots that must copy
// double the tree per level, so past this size the power is not inverted (the solver then works
// numerically) rather than solved at a cost exponential in the depth.
constexpr int kLargestCopiedRightSide = 8192;

// The real root of r of the odd degree b: Sign(r) * Abs(r) ^ (1 / b). When r is itself such a root,
// Sign(s) and q are reused, so a chain of odd powers keeps one copy of the right side.
ExpressionSlot OddRoot(ExpressionSlot r, ExpressionSlot b) {
    auto exponent = [&] { return MakeBinary<VRX_operatorDivide>(Constant(1.0), std::move(b)); };
    if (IsSplitRoot(*r)) {
        auto& product = static_cast<VRX_binaryOperator&>(*r);
        ExpressionSlot sign = std::move(product.left);
        return MakeBinary<VRX_operatorMultiply>(
            std::move(sign), MakeBinary<VRX_operatorExp>(std::move(product.right), exponent()));
    }
    ExpressionSlot sign = Call("Sign", r->Clone());
    return MakeBinary<VRX_operatorMultiply>(
        std::move(sign), MakeBinary<VRX_operatorExp>(Call("Abs", std::move(r)), exponent()));
}

}  // namespace

bool VRX_binaryOperator::IsolateVariable(const std::string& name, ExpressionSlot& operandOut,
                                         ExpressionSlot& rightSide) {
    const int kind = GetType();
    if (kind < kPlusKind || kind > kExpKind || !left || !right) return false;
    // Fewer than one occurrence on the left: the variable is taken to be on the right.
    const bool inLeft = CountVariable(*left, name) >= 1;
    if (kind == kExpKind && inLeft && IsOddInteger(*right) && rightSide &&
        !(sign > 0 && IsSplitRoot(*rightSide))) {
        int limit = kLargestCopiedRightSide;
        if (HasMoreNodesThan(*rightSide, limit)) return false;
    }
    ExpressionSlot r = TakeRightSide(*this, rightSide);
    ExpressionSlot a = std::move(left);
    ExpressionSlot b = std::move(right);
    switch (kind) {
        case kPlusKind:  // a + b = r
            rightSide = inLeft ? MakeBinary<VRX_operatorMinus>(std::move(r), std::move(b))
                               : MakeBinary<VRX_operatorMinus>(std::move(r), std::move(a));
            break;
        case kMinusKind:  // a - b = r
            rightSide = inLeft ? MakeBinary<VRX_operatorPlus>(std::move(r), std::move(b))
                               : MakeBinary<VRX_operatorMinus>(std::move(a), std::move(r));
            break;
        case kMultiplyKind:  // a * b = r
            rightSide = inLeft ? MakeBinary<VRX_operatorDivide>(std::move(r), std::move(b))
                               : MakeBinary<VRX_operatorDivide>(std::move(r), std::move(a));
            break;
        case kDivideKind:  // a / b = r
            rightSide = inLeft ? MakeBinary<VRX_operatorMultiply>(std::move(r), std::move(b))
                               : MakeBinary<VRX_operatorDivide>(std::move(a), std::move(r));
            break;
        default:  // a ^ b = r
            if (inLeft && IsOddInteger(*b)) {
                // An odd power takes every real value: its inverse is the real root, sign kept.
                rightSide = OddRoot(std::move(r), std::move(b));
                break;
            }
            rightSide =
                inLeft ? MakeBinary<VRX_operatorExp>(
                             std::move(r), MakeBinary<VRX_operatorDivide>(Constant(1.0), std::move(b)))
                       : MakeBinary<VRX_operatorDivide>(Call("Ln", std::move(r)), Call("Ln", std::move(a)));
            break;
    }
    operandOut = inLeft ? std::move(a) : std::move(b);
    return true;
}

bool VRX_function::IsolateVariable(const std::string& name, ExpressionSlot& operandOut,
                                   ExpressionSlot& rightSide) {
    if (GetType() != kFunctionKind || entry->name == nullptr) return false;
    if (std::strcmp(entry->name, "Log") == 0) {
        if (!arguments[0] || !arguments[1]) return false;
        // Log(a, b) = ln a / ln b = r: a = b ^ r, or b = a ^ (1 / r).
        const bool inFirst = CountVariable(*arguments[0], name) >= 1;
        ExpressionSlot r = TakeRightSide(*this, rightSide);
        ExpressionSlot a = std::move(arguments[0]);
        ExpressionSlot b = std::move(arguments[1]);
        if (inFirst) {
            rightSide = MakeBinary<VRX_operatorExp>(std::move(b), std::move(r));
            operandOut = std::move(a);
        } else {
            rightSide = MakeBinary<VRX_operatorExp>(
                std::move(a), MakeBinary<VRX_operatorDivide>(Constant(1.0), std::move(r)));
            operandOut = std::move(b);
        }
        return true;
    }
    const char* inverse = InverseOf(entry->name);
    if (inverse == nullptr || !arguments[0]) return false;
    ExpressionSlot r = TakeRightSide(*this, rightSide);
    rightSide = Call(inverse, std::move(r));
    operandOut = std::move(arguments[0]);
    return true;
}
