// Evaluation of expression trees with explicit stacks, so that depth costs heap, never call stack.
#include <cmath>

#include "base/expression.h"
#include "base/number_text.h"
#include "base/small_stack.h"

using vovido::kConditionalKind;
using vovido::kConstantKind;
using vovido::kDistributionKind;
using vovido::kDivideKind;
using vovido::kEqualKind;
using vovido::kExpKind;
using vovido::kFunctionKind;
using vovido::kGreaterEqualKind;
using vovido::kGreaterKind;
using vovido::kLessEqualKind;
using vovido::kLessKind;
using vovido::kMinusKind;
using vovido::kMultiplyKind;
using vovido::kNotEqualKind;
using vovido::kPlusKind;
using vovido::kVariableKind;

namespace {

using vovido::SmallStack;

struct Frame {
    const VRX_expression* node;
    int stage;  // operands already requested
    int count;  // arguments of a call
};

double ApplyKind(int kind, double a, double b) {
    switch (kind) {
        case kPlusKind:
            return a + b;
        case kMinusKind:
            return a - b;
        case kDivideKind:
            return a / b;
        case kMultiplyKind:
            return a * b;
        case kExpKind:
            return std::pow(a, b);
        // Every comparison with NaN is false, so only "<>" yields 1 then.
        case kLessKind:
            return a < b ? 1.0 : 0.0;
        case kGreaterKind:
            return a > b ? 1.0 : 0.0;
        case kLessEqualKind:
            return a <= b ? 1.0 : 0.0;
        case kGreaterEqualKind:
            return a >= b ? 1.0 : 0.0;
        case kEqualKind:
            return a == b ? 1.0 : 0.0;
        default:
            return a == b ? 0.0 : 1.0;
    }
}

class Evaluator {
public:
    double Run(const VRX_expression& root) {
        frames_.Push({&root, 0, 0});
        for (;;) {
            Frame& frame = frames_.Top();
            const VRX_expression* node = frame.node;
            const int kind = node->GetType();
            double value;
            if (kind >= kPlusKind && kind <= kNotEqualKind) {
                const auto* op = static_cast<const VRX_binaryOperator*>(node);
                if (frame.stage == 0 && !Request(frame, op->left.get())) continue;
                if (frame.stage == 1 && !Request(frame, op->right.get())) continue;
                const double b = values_.PopValue();
                const double a = values_.PopValue();
                value = IsUndefinedValue(a) || IsUndefinedValue(b) ? kUndefinedValue : ApplyKind(kind, a, b);
            } else if (kind == kConditionalKind) {
                const auto* c = static_cast<const VRX_operatorConditional*>(node);
                if (frame.stage == 0 && !Request(frame, c->condition.get())) continue;
                if (frame.stage == 1) {
                    // Only the chosen branch is evaluated; NaN counts as true, an undefined condition
                    // chooses none.
                    const double condition = values_.PopValue();
                    if (IsUndefinedValue(condition)) {
                        values_.Push(kUndefinedValue);
                        ++frame.stage;
                    } else if (!Request(frame, condition == 0.0 ? c->ifFalse.get() : c->ifTrue.get())) {
                        continue;
                    }
                }
                value = values_.PopValue();
            } else if (kind == kFunctionKind || kind == kDistributionKind) {
                const auto* call = static_cast<const VRX_function*>(node);
                if (frame.stage == 0) frame.count = call->GetParameterCount();
                bool ready = true;
                while (frame.stage < frame.count &&
                       (ready = Request(frame, call->arguments[frame.stage].get()))) {
                }
                if (!ready) continue;
                FunctionArguments block;
                block.count = frame.count;
                bool defined = call->entry->evaluate != nullptr;
                for (int i = frame.count - 1; i >= 0; --i) {
                    block.values[i] = values_.PopValue();
                    defined = defined && !IsUndefinedValue(block.values[i]);
                }
                value = defined ? call->entry->evaluate(block) : kUndefinedValue;
            } else {
                value = LeafValue(node);
            }
            frames_.Pop();
            if (frames_.Empty()) return value;
            values_.Push(Signed(value, node->sign));
        }
    }

private:
    // A signed operand value; the undefined marker keeps its own sign, so that it stays recognisable.
    static double Signed(double value, int sign) {
        return IsUndefinedValue(value) ? kUndefinedValue : value * sign;
    }

    static double LeafValue(const VRX_expression* e) {
        return e->GetType() == kConstantKind ? static_cast<const VRX_constant*>(e)->value
                                             : static_cast<const VRX_variable*>(e)->value;
    }

    // Moves the frame to its next stage and supplies the operand's signed value: at once for a leaf
    // (true), or by pushing a frame for it (false: the caller comes back when that is done). An empty
    // slot, which only a failed parse leaves, reads as undefined. The frame must not be used after a
    // false return.
    bool Request(Frame& frame, const VRX_expression* operand) {
        ++frame.stage;
        if (operand == nullptr) {
            values_.Push(kUndefinedValue);
            return true;
        }
        if (operand->GetType() <= kConstantKind) {
            values_.Push(Signed(LeafValue(operand), operand->sign));
            return true;
        }
        frames_.Push({operand, 0, 0});
        return false;
    }

    SmallStack<Frame, 64> frames_;
    SmallStack<double, 64> values_;
};

}  // namespace

double VRX_binaryOperator::Apply(double a, double b) const {
    return ApplyKind(GetType(), a, b);
}

double VRX_expression::Evaluate() const {
    switch (GetType()) {
        case kConstantKind:
            return static_cast<const VRX_constant*>(this)->value;
        case kVariableKind:
            return static_cast<const VRX_variable*>(this)->value;
        default: {
            // Default-initialised: Evaluator() would zero its inline stacks, some 2 KB, at every call.
            Evaluator evaluator;
            return evaluator.Run(*this);
        }
    }
}
