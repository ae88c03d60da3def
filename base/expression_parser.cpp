// The expression parser: tokenizer and a grammar driven by explicit stacks.
#include "base/expression_parser.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "base/identifier.h"
#include "base/number_text.h"

using vovido::ExpressionSlot;

namespace {

using vovido::IsAsciiDigit;
using vovido::IsAsciiHexDigit;
using vovido::IsAsciiLetter;
using vovido::IsCSpace;
using vovido::SkipExponent;

// Length of the number strtod would read at s (no sign): decimal with an optional exponent, or
// hexadecimal "0x" with an optional binary exponent. 0 when there is none.
size_t ScanNumber(const char* s) {
    const char* p = s;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        (IsAsciiHexDigit(p[2]) || (p[2] == '.' && IsAsciiHexDigit(p[3])))) {
        p += 2;
        while (IsAsciiHexDigit(*p)) ++p;
        if (*p == '.') {
            for (++p; IsAsciiHexDigit(*p);) ++p;
        }
        return static_cast<size_t>(SkipExponent(p, 'p', 'P') - s);
    }
    int digits = 0;
    for (; IsAsciiDigit(*p); ++p) ++digits;
    if (*p == '.') {
        for (++p; IsAsciiDigit(*p); ++p) ++digits;
    }
    if (digits == 0) return 0;
    return static_cast<size_t>(SkipExponent(p, 'e', 'E') - s);
}

// Binary levels, loosest first; -1 for a token that is no binary operator.
int LevelOf(int token) {
    switch (token) {
        case '=':
        case kNotEqualToken:
            return 0;
        case '<':
        case '>':
        case kLessEqualToken:
        case kGreaterEqualToken:
            return 1;
        case '+':
        case '-':
            return 2;
        case '*':
        case '/':
            return 3;
        case '^':
            return 4;
        default:
            return -1;
    }
}

ExpressionSlot CreateOperator(int token, ExpressionSlot l, ExpressionSlot r) {
    switch (token) {
        case kNotEqualToken:
            return std::make_unique<VRX_operatorNE>(std::move(l), std::move(r));
        case '*':
            return std::make_unique<VRX_operatorMultiply>(std::move(l), std::move(r));
        case '+':
            return std::make_unique<VRX_operatorPlus>(std::move(l), std::move(r));
        case '-':
            return std::make_unique<VRX_operatorMinus>(std::move(l), std::move(r));
        case '/':
            return std::make_unique<VRX_operatorDivide>(std::move(l), std::move(r));
        case '<':
            return std::make_unique<VRX_operatorLT>(std::move(l), std::move(r));
        case '=':
            return std::make_unique<VRX_operatorEQ>(std::move(l), std::move(r));
        case '>':
            return std::make_unique<VRX_operatorGT>(std::move(l), std::move(r));
        case '^':
            return std::make_unique<VRX_operatorExp>(std::move(l), std::move(r));
        case kLessEqualToken:
            return std::make_unique<VRX_operatorLE>(std::move(l), std::move(r));
        default:
            return std::make_unique<VRX_operatorGE>(std::move(l), std::move(r));
    }
}

}  // namespace

int VRX_expressionParser::NextToken() {
    for (;;) {
        if (position > length_) return kEndToken;
        const char c = text[position++];
        if (c == '\0') return kEndToken;
        if (IsCSpace(c)) continue;
        switch (c) {
            case '(':
            case ')':
            case '*':
            case '+':
            case ',':
            case '-':
            case '/':
            case ':':
            case '=':
            case '?':
            case '^':
                return c;
            case '<':
                if (text[position] == '=') return ++position, kLessEqualToken;
                if (text[position] == '>') return ++position, kNotEqualToken;
                return '<';
            case '>':
                if (text[position] == '=') return ++position, kGreaterEqualToken;
                return '>';
            default:
                break;
        }
        if (c == '.' || IsAsciiDigit(c)) {
            --position;
            const size_t consumed = ScanNumber(text + position);
            if (consumed == 0) {
                ReportError("Invalid token");
                return kEndToken;
            }
            // A number follows the rule of every reader: no hexadecimal, nothing beyond the doubles.
            const std::string written(text + position, consumed);
            if (consumed > 1 && (text[position + 1] == 'x' || text[position + 1] == 'X')) {
                ReportError("Hexadecimal number not allowed: " + written);
                return kEndToken;
            }
            // The leading '+' keeps the sentinel texts of the number format ("0.0E-2") plain numbers.
            if (ParseDouble(("+" + written).c_str(), number) != 0) number = 0.0;
            if (std::isinf(number)) {
                ReportError("Number beyond the doubles: " + written);
                return kEndToken;
            }
            position += static_cast<unsigned int>(consumed);
            return kNumberToken;
        }
        if (IsAsciiLetter(c)) {
            const unsigned int start = position - 1;
            while (IsAsciiLetter(text[position]) || IsAsciiDigit(text[position]) || text[position] == '_')
                ++position;
            identifier.assign(text + start, position - start);
            return kIdentifierToken;
        }
        ReportError("Invalid token");
        return kEndToken;
    }
}

void VRX_expressionParser::ReportError(const std::string& message) {
    if (errorCount == 0) {
        if (errorText != nullptr) *errorText = message;
        if (errorPosition != nullptr) *errorPosition = static_cast<int>(position);
    }
    ++errorCount;
}

bool VRX_expressionParser::ValidateVariable(const std::string&, std::string&) {
    return true;
}

bool VRX_expressionParser::LookupFunction(const std::string& name, std::unique_ptr<VRX_function>& call,
                                          int& parameterCount) {
    call = CreateFunctionCall(name.c_str());
    if (!call) return false;
    parameterCount = call->entry->arity;
    return true;
}

std::unique_ptr<VRX_expression> VRX_expressionParser::TranslateFunction(std::unique_ptr<VRX_function> call,
                                                                        std::string&) {
    return call;
}

// Runs the grammar over three stacks: operands, pending binary operators, and the open constructs
// (parentheses, calls, conditionals), each of which starts a fresh expression on the first two.
// Parsing stops at the first error, which is the only one reported.
class VRX_expressionParser::Machine {
public:
    explicit Machine(VRX_expressionParser& p) : p_(p) {}

    ExpressionSlot Run() {
        p_.token = p_.NextToken();
        if (p_.token == kEndToken) {
            p_.ReportError("Empty expression");
            return nullptr;
        }
        Open(Context::kTop, false);
        bool expectFactor = true;
        while (p_.errorCount == 0 && !done_) {
            expectFactor = expectFactor ? ParseFactor() : AfterOperand();
        }
        if (p_.errorCount != 0) return nullptr;
        return std::move(result_);
    }

private:
    struct Context {
        enum Kind { kTop, kParenthesis, kCall, kConditional } kind = kTop;
        bool negate = false;  // a unary minus stood before the parenthesis or call
        size_t operandBase = 0;
        size_t operatorBase = 0;
        std::unique_ptr<VRX_function> call;
        int arguments = 0;
        int limit = 0;
        int minimum = 0;
        bool vararg = false;
        ExpressionSlot condition;
        ExpressionSlot ifTrue;
        bool inFalseBranch = false;
    };

    // Opens a construct; false (with the error reported) when that nests too deeply.
    bool Open(Context::Kind kind, bool negate) {
        if (contexts_.size() > static_cast<size_t>(kMaxExpressionNesting)) {
            p_.ReportError("Expression nested too deeply");
            return false;
        }
        contexts_.emplace_back();
        contexts_.back().kind = kind;
        contexts_.back().negate = negate;
        StartExpression();
        return true;
    }

    void StartExpression() {
        contexts_.back().operandBase = operands_.size();
        contexts_.back().operatorBase = operators_.size();
    }

    void Next() { p_.token = p_.NextToken(); }

    void PushOperand(ExpressionSlot e, bool negate) {
        if (negate) e->sign = -e->sign;
        operands_.push_back(std::move(e));
    }

    ExpressionSlot PopOperand() {
        ExpressionSlot e = std::move(operands_.back());
        operands_.pop_back();
        return e;
    }

    // Builds the pending operators of the current expression whose level is at least `level`.
    void Reduce(int level) {
        const size_t base = contexts_.back().operatorBase;
        while (operators_.size() > base && LevelOf(operators_.back()) >= level) {
            const int op = operators_.back();
            operators_.pop_back();
            ExpressionSlot r = PopOperand();
            ExpressionSlot l = PopOperand();
            operands_.push_back(CreateOperator(op, std::move(l), std::move(r)));
        }
    }

    // A factor: returns true to expect another factor, false once an operand is complete.
    bool ParseFactor() {
        bool negate = false;
        while (p_.token == '-') {
            negate = !negate;
            Next();
        }
        switch (p_.token) {
            case kNumberToken:
                PushOperand(std::make_unique<VRX_constant>(p_.number), negate);
                Next();
                return false;
            case '(':
                if (!Open(Context::kParenthesis, negate)) return true;
                Next();
                return true;
            case kIdentifierToken:
                break;
            default:
                p_.ReportError("Factor expected");
                return true;
        }
        const std::string name = p_.identifier;
        Next();
        if (p_.token != '(') {
            std::string reason;
            if (!p_.ValidateVariable(name, reason)) {
                p_.ReportError("Invalid variable '" + name + "': " + reason);
                return true;
            }
            PushOperand(std::make_unique<VRX_variable>(name), negate);
            return false;
        }
        std::unique_ptr<VRX_function> call;
        int count = 0;
        if (!p_.LookupFunction(name, call, count) || !call) {
            p_.ReportError("Unknown function: " + name);
            return true;
        }
        if (!Open(Context::kCall, negate)) return true;
        Context& c = contexts_.back();
        c.call = std::move(call);
        c.vararg = count < 0;
        c.limit = c.vararg ? kMaxFunctionArguments : count;
        c.minimum = c.vararg ? -count : count;
        Next();
        return ContinueArguments();
    }

    // After an operand: either a binary operator follows, or the current expression is complete.
    bool AfterOperand() {
        const int level = LevelOf(p_.token);
        if (level >= 0) {
            Reduce(level);
            operators_.push_back(p_.token);
            Next();
            return true;
        }
        Reduce(0);
        if (p_.token == '?') {
            ExpressionSlot condition = PopOperand();
            if (!Open(Context::kConditional, false)) return true;
            contexts_.back().condition = std::move(condition);
            Next();
            return true;
        }
        return CompleteExpression();
    }

    // The single operand of the current construct is its whole expression; closes what it completes.
    bool CompleteExpression() {
        for (;;) {
            Context& c = contexts_.back();
            ExpressionSlot value = PopOperand();
            switch (c.kind) {
                case Context::kTop:
                    if (p_.token != kEndToken) p_.ReportError("Invalid expression");
                    result_ = std::move(value);
                    done_ = true;
                    return true;
                case Context::kParenthesis: {
                    if (p_.token != ')') {
                        p_.ReportError("')' expected");
                        return true;
                    }
                    Next();
                    const bool negate = c.negate;
                    contexts_.pop_back();
                    PushOperand(std::move(value), negate);
                    return false;
                }
                case Context::kCall:
                    c.call->SetArgument(c.arguments++, std::move(value));
                    return ContinueArguments();
                case Context::kConditional: {
                    if (!c.inFalseBranch) {
                        if (p_.token != ':') {
                            p_.ReportError("':' expected");
                            return true;
                        }
                        Next();
                        c.ifTrue = std::move(value);
                        c.inFalseBranch = true;
                        StartExpression();
                        return true;
                    }
                    // The conditional is the whole expression of the construct around it.
                    ExpressionSlot conditional = std::make_unique<VRX_operatorConditional>(
                        std::move(c.condition), std::move(c.ifTrue), std::move(value));
                    contexts_.pop_back();
                    operands_.push_back(std::move(conditional));
                    break;
                }
            }
        }
    }

    // Starts the next argument of the open call, or closes the call: true to expect a factor.
    bool ContinueArguments() {
        Context& c = contexts_.back();
        if (c.arguments < c.limit) {
            if (c.vararg && p_.token == ')') {
                Next();
                return FinishCall(true);
            }
            if (c.arguments > 0) {
                if (p_.token != ',') {
                    p_.ReportError(p_.token == ')' ? "Too few parameters in function call"
                                                   : "Comma expected in a function call");
                    return true;
                }
                Next();
            }
            StartExpression();
            return true;
        }
        return FinishCall(false);
    }

    bool FinishCall(bool closed) {
        Context& c = contexts_.back();
        if (c.vararg && c.arguments < c.minimum) {
            p_.ReportError("Too few parameters in vararg function call");
            return true;
        }
        if (!closed) {
            if (p_.token != ')') {
                p_.ReportError(c.vararg ? "Max parameter count for vararg function call exceeded"
                                        : "')' expected in a function call");
                return true;
            }
            Next();
        }
        std::string reason;
        ExpressionSlot translated = p_.TranslateFunction(std::move(c.call), reason);
        if (!translated) {
            p_.ReportError(reason);
            return true;
        }
        const bool negate = c.negate;
        contexts_.pop_back();
        PushOperand(std::move(translated), negate);
        return false;
    }

    VRX_expressionParser& p_;
    std::vector<Context> contexts_;
    std::vector<ExpressionSlot> operands_;
    std::vector<int> operators_;
    ExpressionSlot result_;
    bool done_ = false;
};

std::unique_ptr<VRX_expression> VRX_expressionParser::Parse(const char* source, std::string* errorTextOut,
                                                            int* errorPositionOut) {
    text = source == nullptr ? "" : source;
    length_ = static_cast<unsigned int>(std::strlen(text));
    position = 0;
    errorCount = 0;
    errorText = errorTextOut;
    errorPosition = errorPositionOut;
    token = kEndToken;
    ExpressionSlot tree = Machine(*this).Run();
    if (errorCount != 0 && errorPosition != nullptr && *errorPosition > static_cast<int>(length_)) {
        *errorPosition = static_cast<int>(length_);
    }
    errorText = nullptr;
    errorPosition = nullptr;
    return tree;
}

std::unique_ptr<VRX_expression> ParseExpression(const char* text, int* errorPosition,
                                                std::string* errorText) {
    VRX_expressionParser parser;
    return parser.Parse(text, errorText, errorPosition);
}

OwnedExpression::OwnedExpression(const char* text, bool foldConstants)
    : tree_(ParseExpression(text, nullptr, nullptr)) {
    if (tree_ && foldConstants) tree_->FoldConstants(tree_);
}
