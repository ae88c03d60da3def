// Constant folding: one pass of value-keeping rewrites over a tree, walked with an explicit stack.
//
// Rewrites keep the value of the tree wherever it is finite. They therefore never fold a quotient
// whose divisor may be 0 (x / x and 0 / x stay as written), never duplicate a random draw (a sub-tree
// holding a distribution call is not copied by the distributive rules), never reach into an operand
// whose own sign is -1 (its own round pushes that sign into its operands first), and never make a
// constant from an operation whose result is NaN.
#include <cfloat>
#include <cmath>

#include "base/expression.h"
#include "base/small_stack.h"

using vovido::kConstantKind;
using vovido::kDivideKind;
using vovido::kExpKind;
using vovido::kMinusKind;
using vovido::kMultiplyKind;
using vovido::kNotEqualKind;
using vovido::kPlusKind;

using vovido::ExpressionSlot;
using vovido::MakeBinary;
using vovido::MakeSignedConstant;

namespace {

using vovido::SmallStack;

// The distributive rules copy operands; they stop once the tree would pass this many nodes, so that
// products of sums cannot grow the tree without bound.
constexpr int kCopyingRulesNodeLimit = 10000;

bool IsConstant(const ExpressionSlot& e) {
    return e && e->GetType() == kConstantKind;
}
double SignedValue(const ExpressionSlot& e) {
    return static_cast<const VRX_constant&>(*e).value * e->sign;
}
bool IsConstantOf(const ExpressionSlot& e, double v) {
    return IsConstant(e) && SignedValue(e) == v;
}
bool IsFiniteConstant(const ExpressionSlot& e) {
    return IsConstant(e) && std::isfinite(SignedValue(e));
}

// A sum or difference of sign +1.
bool IsSum(const ExpressionSlot& e) {
    return e && e->sign > 0 && (e->GetType() == kPlusKind || e->GetType() == kMinusKind);
}

VRX_binaryOperator& Binary(const ExpressionSlot& e) {
    return static_cast<VRX_binaryOperator&>(*e);
}

void Negate(const ExpressionSlot& e) {
    e->sign = -e->sign;
}

ExpressionSlot MakeSame(int kind, ExpressionSlot a, ExpressionSlot b) {
    if (kind == kPlusKind) return MakeBinary<VRX_operatorPlus>(std::move(a), std::move(b));
    return MakeBinary<VRX_operatorMinus>(std::move(a), std::move(b));
}

// Writes a replacement into the slot; the operands it reuses were moved out of the old node before.
void Replace(ExpressionSlot& slot, ExpressionSlot replacement) {
    slot = std::move(replacement);
}

int CountNodes(const VRX_expression& root) {
    int count = 0;
    SmallStack<const VRX_expression*, 32> pending;
    pending.Push(&root);
    while (!pending.Empty()) {
        const VRX_expression* node = pending.Top();
        pending.Pop();
        ++count;
        for (int i = 0; i < node->GetOperandCount(); ++i) {
            if (const VRX_expression* operand = node->GetOperand(i)) pending.Push(operand);
        }
    }
    return count;
}

enum class ConstantOperands { kFolded, kKept, kNotBoth };

// (x +- c1) +- c2 whose constants join into one finite constant.
bool JoinsConstants(VRX_binaryOperator& b) {
    return IsFiniteConstant(b.right) && IsSum(b.left) && IsFiniteConstant(Binary(b.left).right) &&
           std::isfinite(std::fabs(SignedValue(b.right)) + std::fabs(SignedValue(Binary(b.left).right)));
}

// Both operands constant: the node becomes a constant of its signed value, where that is a number
// the text of the tree can hold (no overflow: "1/0" stays as written).
ConstantOperands FoldConstantOperands(ExpressionSlot& slot) {
    VRX_binaryOperator& b = Binary(slot);
    if (!IsConstant(b.left) || !IsConstant(b.right)) return ConstantOperands::kNotBoth;
    const double value = b.Evaluate() * b.sign;
    if (!std::isfinite(value)) return ConstantOperands::kKept;
    Replace(slot, MakeSignedConstant(value));
    return ConstantOperands::kFolded;
}

// The first rules of a product or quotient: a sign moves into the left operand, and two constant
// operands fold. True when one of them decided the node, with `rewritten` telling whether it changed.
bool FoldProductSignOrConstants(ExpressionSlot& slot, bool& rewritten) {
    VRX_binaryOperator& b = Binary(slot);
    if (b.sign < 0) {
        b.sign = 1;
        Negate(b.left);
        rewritten = true;
        return true;
    }
    const ConstantOperands folded = FoldConstantOperands(slot);
    if (folded == ConstantOperands::kNotBoth) return false;
    rewritten = folded == ConstantOperands::kFolded;
    return true;
}

// The sum with each operand multiplied by the factor (a copy of it for the right operand); the factor
// stays on the side of the product it came from.
ExpressionSlot DistributeOverSum(ExpressionSlot sum, ExpressionSlot factor, bool factorFirst) {
    VRX_binaryOperator& s = Binary(sum);
    ExpressionSlot copy = factor->Clone();
    if (factorFirst) {
        s.left = MakeBinary<VRX_operatorMultiply>(std::move(factor), std::move(s.left));
        s.right = MakeBinary<VRX_operatorMultiply>(std::move(copy), std::move(s.right));
    } else {
        s.left = MakeBinary<VRX_operatorMultiply>(std::move(s.left), std::move(factor));
        s.right = MakeBinary<VRX_operatorMultiply>(std::move(s.right), std::move(copy));
    }
    return sum;
}

class Folder {
public:
    explicit Folder(int copyBudget) : copyBudget_(copyBudget) {}

    // True when a rule rewrote the node; false sends the round into its operands.
    bool FoldNode(ExpressionSlot& slot) {
        const int kind = slot->GetType();
        if (kind < kPlusKind || kind > kNotEqualKind) return false;
        switch (kind) {
            case kPlusKind:
                return FoldPlus(slot);
            case kMinusKind:
                return FoldMinus(slot);
            case kMultiplyKind:
                return FoldMultiply(slot);
            case kDivideKind:
                return FoldDivide(slot);
            default:
                break;
        }
        const ConstantOperands folded = FoldConstantOperands(slot);
        if (folded != ConstantOperands::kNotBoth) return folded == ConstantOperands::kFolded;
        if (kind != kExpKind) return false;
        // pow(x, 0) is 1 for every x.
        VRX_binaryOperator& b = Binary(slot);
        if (IsConstantOf(b.right, 0.0)) {
            auto one = std::make_unique<VRX_constant>(1.0);
            one->sign = b.sign;
            Replace(slot, std::move(one));
            return true;
        }
        return false;
    }

private:
    bool FoldPlus(ExpressionSlot& slot) {
        VRX_binaryOperator& b = Binary(slot);
        if (b.sign < 0) {
            b.sign = 1;
            Negate(b.left);
            Negate(b.right);
            return true;
        }
        const ConstantOperands folded = FoldConstantOperands(slot);
        if (folded != ConstantOperands::kNotBoth) return folded == ConstantOperands::kFolded;
        if (IsConstantOf(b.left, 0.0)) {
            Replace(slot, std::move(b.right));
        } else if (IsConstantOf(b.right, 0.0)) {
            Replace(slot, std::move(b.left));
        } else if (IsConstant(b.right) && b.right->sign < 0) {
            b.right->sign = 1;
            Replace(slot, MakeBinary<VRX_operatorMinus>(std::move(b.left), std::move(b.right)));
        } else if (IsConstant(b.left)) {
            Replace(slot, MakeBinary<VRX_operatorPlus>(std::move(b.right), std::move(b.left)));
        } else if (JoinsConstants(b)) {
            // (x + c1) + c2 -> x + (c1 + c2); (x - c1) + c2 -> x + (c2 - c1)
            VRX_binaryOperator& inner = Binary(b.left);
            const double c1 = SignedValue(inner.right);
            const double c2 = SignedValue(b.right);
            b.right = MakeSignedConstant(inner.GetType() == kPlusKind ? c1 + c2 : c2 - c1);
            b.left = std::move(inner.left);
        } else {
            return false;
        }
        return true;
    }

    bool FoldMinus(ExpressionSlot& slot) {
        VRX_binaryOperator& b = Binary(slot);
        if (b.sign < 0) {
            b.sign = 1;
            std::swap(b.left, b.right);
            return true;
        }
        const ConstantOperands folded = FoldConstantOperands(slot);
        if (folded != ConstantOperands::kNotBoth) return folded == ConstantOperands::kFolded;
        if (IsConstantOf(b.left, 0.0)) {
            Negate(b.right);
            Replace(slot, std::move(b.right));
        } else if (IsConstantOf(b.right, 0.0)) {
            Replace(slot, std::move(b.left));
        } else if ((IsConstant(b.right) || IsConstant(b.left)) && b.right->sign < 0) {
            // x - (-c) -> x + c; c - (-x) -> c + x
            b.right->sign = 1;
            Replace(slot, MakeBinary<VRX_operatorPlus>(std::move(b.left), std::move(b.right)));
        } else if (JoinsConstants(b)) {
            // (x + c1) - c2 -> x + (c1 - c2); (x - c1) - c2 -> x - (c1 + c2), the inner node kept
            VRX_binaryOperator& inner = Binary(b.left);
            const double c1 = SignedValue(inner.right);
            const double c2 = SignedValue(b.right);
            inner.right = MakeSignedConstant(inner.GetType() == kPlusKind ? c1 - c2 : c1 + c2);
            Replace(slot, std::move(b.left));
        } else {
            return false;
        }
        return true;
    }

    bool FoldMultiply(ExpressionSlot& slot) {
        VRX_binaryOperator& b = Binary(slot);
        bool rewritten = false;
        if (FoldProductSignOrConstants(slot, rewritten)) return rewritten;
        if (IsConstantOf(b.left, 0.0) || IsConstantOf(b.right, 0.0)) {
            Replace(slot, std::make_unique<VRX_constant>(0.0));
        } else if (IsConstantOf(b.left, 1.0)) {
            Replace(slot, std::move(b.right));
        } else if (IsConstantOf(b.right, 1.0)) {
            Replace(slot, std::move(b.left));
        } else if (IsConstantOf(b.left, -1.0)) {
            Negate(b.right);
            Replace(slot, std::move(b.right));
        } else if (IsConstantOf(b.right, -1.0)) {
            Negate(b.left);
            Replace(slot, std::move(b.left));
        } else if (IsConstant(b.right)) {
            std::swap(b.left, b.right);
        } else if (!b.left->IsOperator() && IsSum(b.right) && MayCopy(*b.left)) {
            // a * (x +- y) -> a*x +- a'*y
            ExpressionSlot sum = std::move(b.right);
            Replace(slot, DistributeOverSum(std::move(sum), std::move(b.left), true));
        } else if (!b.right->IsOperator() && IsSum(b.left) && MayCopy(*b.right)) {
            // (x +- y) * a -> x*a +- y*a'
            ExpressionSlot sum = std::move(b.left);
            Replace(slot, DistributeOverSum(std::move(sum), std::move(b.right), false));
        } else if (IsSum(b.left) && IsSum(b.right) && MayCopy(*b.left, *b.right)) {
            // (a +1 b) * (c +2 d) -> ((a*c +2 a'*d) +1 b*c') +- b'*d', "+" when +1 and +2 agree
            VRX_binaryOperator& l = Binary(b.left);
            VRX_binaryOperator& r = Binary(b.right);
            const int kind1 = l.GetType();
            const int kind2 = r.GetType();
            ExpressionSlot a = std::move(l.left), bb = std::move(l.right);
            ExpressionSlot c = std::move(r.left), d = std::move(r.right);
            ExpressionSlot a2 = a->Clone(), b2 = bb->Clone(), c2 = c->Clone(), d2 = d->Clone();
            ExpressionSlot ac = MakeBinary<VRX_operatorMultiply>(std::move(a), std::move(c));
            ExpressionSlot ad = MakeBinary<VRX_operatorMultiply>(std::move(a2), std::move(d));
            ExpressionSlot bc = MakeBinary<VRX_operatorMultiply>(std::move(bb), std::move(c2));
            ExpressionSlot bd = MakeBinary<VRX_operatorMultiply>(std::move(b2), std::move(d2));
            ExpressionSlot inner =
                MakeSame(kind1, MakeSame(kind2, std::move(ac), std::move(ad)), std::move(bc));
            Replace(slot, MakeSame(kind1 == kind2 ? kPlusKind : kMinusKind, std::move(inner), std::move(bd)));
        } else {
            return false;
        }
        return true;
    }

    bool FoldDivide(ExpressionSlot& slot) {
        VRX_binaryOperator& b = Binary(slot);
        bool rewritten = false;
        if (FoldProductSignOrConstants(slot, rewritten)) return rewritten;
        if (IsConstantOf(b.right, 1.0)) {
            Replace(slot, std::move(b.left));
            return true;
        }
        if (IsConstant(b.right)) {
            // x / c -> (1/c) * x, unless 1/c loses the scale of c (c = 0, or c so large that 1/c is
            // subnormal or c so small that it overflows).
            const double c = SignedValue(b.right);
            const double inverse = 1.0 / c;
            if (c == 0.0 || !std::isfinite(inverse) || (inverse != 0.0 && std::fabs(inverse) < DBL_MIN)) {
                return false;
            }
            Replace(slot, MakeBinary<VRX_operatorMultiply>(MakeSignedConstant(inverse), std::move(b.left)));
            return true;
        }
        if (!b.right->IsOperator() && IsSum(b.left) && MayCopy(*b.right)) {
            // (x +- y) / c -> x/c +- y/c'
            ExpressionSlot sum = std::move(b.left);
            ExpressionSlot c = std::move(b.right);
            VRX_binaryOperator& s = Binary(sum);
            ExpressionSlot copy = c->Clone();
            s.left = MakeBinary<VRX_operatorDivide>(std::move(s.left), std::move(c));
            s.right = MakeBinary<VRX_operatorDivide>(std::move(s.right), std::move(copy));
            Replace(slot, std::move(sum));
            return true;
        }
        return false;
    }

    // Whether the operands may be copied: no random draw may be duplicated, and the copies must fit
    // the budget, which they then use up.
    bool MayCopy(const VRX_expression& a, const VRX_expression* b = nullptr) {
        if (!a.IsDeterministic() || (b != nullptr && !b->IsDeterministic())) return false;
        const int size = CountNodes(a) + (b == nullptr ? 0 : CountNodes(*b));
        if (size > copyBudget_) return false;
        copyBudget_ -= size;
        return true;
    }
    bool MayCopy(const VRX_expression& a, const VRX_expression& b) { return MayCopy(a, &b); }

    int copyBudget_;
};

}  // namespace

bool VRX_expression::FoldConstants(ExpressionSlot& slot) {
    if (!slot) return false;
    const int nodes = CountNodes(*slot);
    Folder folder(kCopyingRulesNodeLimit - nodes);
    // A node is rewritten until no rule applies before its operands are visited, so that a chain
    // such as x+1+1+...+1 folds in one pass; the bound only guards against a rule cycle.
    long rewritesLeft = 8L * nodes + 1000;
    bool changed = false;
    SmallStack<ExpressionSlot*, 32> pending;
    pending.Push(&slot);
    while (!pending.Empty()) {
        ExpressionSlot* current = pending.Top();
        pending.Pop();
        while (rewritesLeft > 0 && folder.FoldNode(*current)) {
            changed = true;
            --rewritesLeft;
        }
        VRX_expression& node = **current;
        for (int i = 0; i < node.GetOperandCount(); ++i) {
            ExpressionSlot* operand = node.GetOperandSlot(i);
            if (*operand) pending.Push(operand);
        }
    }
    return changed;
}
