// Text form of expression trees, written with an explicit stack of pending fragments.
#include <charconv>
#include <climits>
#include <cmath>

#include "base/expression.h"
#include "base/small_stack.h"

using vovido::kConditionalKind;
using vovido::kConstantKind;
using vovido::kDistributionKind;
using vovido::kFunctionKind;
using vovido::kVariableKind;

namespace {

using vovido::SmallStack;

// A node that is no operand of an operator: never wrapped in parentheses.
constexpr int kNoParent = INT_MIN;

// Either a fixed fragment of text or a node to write, with the operator context it stands in.
struct Fragment {
    const char* text;
    const VRX_expression* node;
    int parentPrecedence;
    bool strict;
    bool withSign;
};

// The shortest text that reads back to the same double; the parser takes no sign in a number, and
// values without digits get texts that read back to them.
void AppendNumber(double v, std::string& out) {
    if (std::isnan(v)) {
        out += "(0/0)";
        return;
    }
    if (std::isinf(v)) {
        out += v < 0 ? "-1e999" : "1e999";
        return;
    }
    char digits[32];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, v);
    out.append(digits, r.ptr);
}

int PrecedenceOf(const VRX_expression& e) {
    return static_cast<const VRX_operator&>(e).GetPrecedence();
}

class Printer {
public:
    explicit Printer(std::string& out) : out_(out) {}

    void Run(const VRX_expression& root, int parentPrecedence, bool strict, bool withSign) {
        pending_.Push({nullptr, &root, parentPrecedence, strict, withSign});
        while (!pending_.Empty()) {
            const Fragment fragment = pending_.Top();
            pending_.Pop();
            if (fragment.text != nullptr) {
                out_ += fragment.text;
            } else if (fragment.node != nullptr) {
                Write(fragment);
            }
        }
    }

private:
    void Text(const char* text) { pending_.Push({text, nullptr, 0, false, false}); }
    void Node(const VRX_expression* node, int parentPrecedence, bool strict) {
        pending_.Push({nullptr, node, parentPrecedence, strict, true});
    }

    // Fragments are pushed in reverse: the last one pushed is written first.
    void Write(const Fragment& fragment) {
        const VRX_expression& e = *fragment.node;
        const bool isOperator = e.IsOperator();
        if (isOperator && fragment.parentPrecedence != kNoParent) {
            const int precedence = PrecedenceOf(e);
            if (precedence < fragment.parentPrecedence ||
                (fragment.strict && precedence == fragment.parentPrecedence)) {
                out_ += '(';
                Text(")");
            }
        }
        if (fragment.withSign && e.sign < 0) {
            out_ += '-';
            if (isOperator) {
                out_ += '(';
                Text(")");
            }
        }
        switch (e.GetType()) {
            case kConstantKind:
                AppendNumber(static_cast<const VRX_constant&>(e).value, out_);
                break;
            case kVariableKind:
                out_ += static_cast<const VRX_variable&>(e).name;
                break;
            case kConditionalKind: {
                const auto& c = static_cast<const VRX_operatorConditional&>(e);
                Node(c.ifFalse.get(), kNoParent, false);
                Text(" : ");
                Node(c.ifTrue.get(), kNoParent, false);
                Text(" ? ");
                Node(c.condition.get(), c.GetPrecedence(), true);
                break;
            }
            case kFunctionKind:
            case kDistributionKind: {
                const auto& call = static_cast<const VRX_function&>(e);
                const char* name = call.GetName();
                if (name != nullptr) out_ += name;
                out_ += '(';
                Text(")");
                for (int i = call.GetParameterCount() - 1; i >= 0; --i) {
                    Node(call.arguments[i].get(), kNoParent, false);
                    if (i > 0) Text(",");
                }
                break;
            }
            default: {
                const auto& op = static_cast<const VRX_binaryOperator&>(e);
                Node(op.right.get(), op.GetPrecedence(), true);
                Text(op.GetSymbol());
                Node(op.left.get(), op.GetPrecedence(), false);
                break;
            }
        }
    }

    std::string& out_;
    SmallStack<Fragment, 48> pending_;
};

}  // namespace

void VRX_expression::WriteText(std::string& out) const {
    Printer(out).Run(*this, kNoParent, false, false);
}

void ExpressionToText(const VRX_expression& e, std::string& out) {
    out.clear();
    Printer(out).Run(e, kNoParent, false, true);
}

namespace vovido {

void AppendOperandText(const VRX_expression& e, int parentPrecedence, bool strict, std::string& out) {
    Printer(out).Run(e, parentPrecedence, strict, true);
}

}  // namespace vovido
