#pragma once
// The parser of equation and expression text into expression trees.
//
// Grammar, loosest first: conditional "c ? a : b" (right-nested), "=" "<>", "<" "<=" ">" ">=", "+" "-",
// "*" "/", "^" (every binary level left-associative, so 2^3^2 is (2^3)^2), then factors: numbers,
// parenthesised expressions, unary minus (tighter than "^": -x^2 is (-x)^2), variables and calls
// Name(arguments) of the function table. The parser keeps its own stacks, so nesting costs no call
// stack; nesting deeper than kMaxExpressionNesting is refused with "Expression nested too deeply".

#include <memory>
#include <string>

#include "base/expression.h"

// Deepest nesting of parentheses, calls and conditionals that a text may have.
constexpr int kMaxExpressionNesting = 10000;

// Token codes: punctuation is its own character code.
constexpr int kEndToken = 0;  // also after an invalid token
constexpr int kIdentifierToken = 1;
constexpr int kNumberToken = 2;
constexpr int kNotEqualToken = 35;       // "<>"
constexpr int kLessEqualToken = 123;     // "<="
constexpr int kGreaterEqualToken = 125;  // ">="

class VRX_expressionParser {
public:
    VRX_expressionParser() = default;
    VRX_expressionParser(const VRX_expressionParser&) = delete;
    VRX_expressionParser& operator=(const VRX_expressionParser&) = delete;
    virtual ~VRX_expressionParser() = default;

    // The tree of the text, or null. On failure the first error's text and position (a character
    // index, at most the text's length) go to the out parameters, either of which may be null.
    std::unique_ptr<VRX_expression> Parse(const char* text, std::string* errorText, int* errorPosition);

    // Accepts or refuses an identifier used as a variable (a refusal may give a reason). Every name.
    virtual bool ValidateVariable(const std::string& name, std::string& reason);
    // The call node of a function name and its parameter count (-n: at least n, at most 30); false
    // for an unknown name. The function table, without regard to case.
    virtual bool LookupFunction(const std::string& name, std::unique_ptr<VRX_function>& call,
                                int& parameterCount);
    // The final rewrite of a parsed call; null refuses it with `reason` as the error text. The call.
    virtual std::unique_ptr<VRX_expression> TranslateFunction(std::unique_ptr<VRX_function> call,
                                                              std::string& reason);

    // Reads the next token at `position` and returns its code (setting `number` or `identifier`).
    int NextToken();
    // Records the message and the current position when it is the first error of this parse.
    void ReportError(const std::string& message);

protected:
    const char* text = "";
    unsigned int position = 0;  // index of the next character to read
    int errorCount = 0;
    std::string* errorText = nullptr;
    int* errorPosition = nullptr;
    int token = kEndToken;  // the current look-ahead token
    double number = 0.0;
    std::string identifier;

private:
    class Machine;  // the grammar, run over explicit stacks

    unsigned int length_ = 0;
};

// Parses with the base parser. Either out parameter may be null.
std::unique_ptr<VRX_expression> ParseExpression(const char* text, int* errorPosition, std::string* errorText);

// Owns the tree parsed from a text: null when the text does not parse; folded once when asked.
class OwnedExpression {
public:
    OwnedExpression() = default;
    explicit OwnedExpression(const char* text, bool foldConstants = false);
    explicit OwnedExpression(std::unique_ptr<VRX_expression> tree) : tree_(std::move(tree)) {}

    VRX_expression* get() const { return tree_.get(); }
    VRX_expression* operator->() const { return tree_.get(); }
    VRX_expression& operator*() const { return *tree_; }
    explicit operator bool() const { return tree_ != nullptr; }
    std::unique_ptr<VRX_expression> release() { return std::move(tree_); }
    vovido::ExpressionSlot& slot() { return tree_; }

private:
    vovido::ExpressionSlot tree_;
};
