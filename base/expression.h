#pragma once
// Expression trees of equations: constants, variables, operators, conditionals and calls of the
// function table, with evaluation, copying, visiting, folding, solving for a variable and text form.
//
// Every node carries a sign (+1 or -1) in place of a unary-minus node; a parent multiplies an operand's
// value by the operand's sign, and whoever evaluates a root multiplies by the root's sign. Nodes own
// their operands. Every operation walks the tree with explicit stacks, so trees of any depth (a sum of
// a million terms is a million levels deep) are evaluated, copied, printed and freed safely.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/builtin_functions.h"

class VRX_expression;
class VRX_variable;

namespace vovido {
// Owning slot of a node: a parent's operand field or a caller's root pointer.
using ExpressionSlot = std::unique_ptr<VRX_expression>;

// Kind codes of GetType.
enum ExpressionKind {
    kVariableKind = 0,
    kConstantKind = 1,
    kFunctionKind = 2,
    kDistributionKind = 3,
    kPlusKind = 4,
    kMinusKind = 5,
    kDivideKind = 6,
    kMultiplyKind = 7,
    kExpKind = 8,
    kLessKind = 9,
    kGreaterKind = 10,
    kLessEqualKind = 11,
    kGreaterEqualKind = 12,
    kEqualKind = 13,
    kNotEqualKind = 14,
    kConditionalKind = 15,
};
}  // namespace vovido

class VRX_variableVisitor {
public:
    virtual ~VRX_variableVisitor() = default;
    virtual void Visit(VRX_variable& variable) = 0;
};

class VRX_expression {
public:
    explicit VRX_expression(int kind) : kind_(kind) {}
    VRX_expression(const VRX_expression&) = delete;
    VRX_expression& operator=(const VRX_expression&) = delete;
    virtual ~VRX_expression() = default;

    // Deep copy, signs included.
    std::unique_ptr<VRX_expression> Clone() const;
    // The kind code (ExpressionKind).
    int GetType() const { return kind_; }
    // True for binary operators and the conditional.
    bool IsOperator() const { return kind_ >= vovido::kPlusKind; }

    // Appends the slot of every distribution call, left to right, without looking into a call's
    // arguments; `slot` is the owning pointer that holds this node. A sampler may later overwrite the
    // slots with drawn constants.
    void CollectDistributions(vovido::ExpressionSlot* slot, std::vector<vovido::ExpressionSlot*>& list);
    // False when the tree holds a distribution call.
    bool IsDeterministic() const;
    // Hands every variable to the visitor, in text order.
    void Accept(VRX_variableVisitor& visitor);

    // One step of solving "this = right" for the named variable: moves the operand holding the
    // variable to `operand` and replaces `right` by the new right side, which takes the node's other
    // operands; the emptied node is left for the caller to drop (`operand` may be the very slot that
    // holds it). False, with nothing changed, for a node that cannot be inverted.
    virtual bool IsolateVariable(const std::string& name, vovido::ExpressionSlot& operand,
                                 vovido::ExpressionSlot& right);

    // One pass of value-keeping rewrites over the tree held by `slot` (which must hold this node): each
    // node is rewritten until no rule applies, then its operands are visited; a replaced node is deleted
    // through the slot. True when anything changed; repeat until false for a fully simplified tree.
    bool FoldConstants(vovido::ExpressionSlot& slot);

    // The node's value without its own sign. Distribution calls draw; an unassigned variable gives the
    // undefined marker.
    double Evaluate() const;

    // The node's text without its own sign (ExpressionToText adds the sign).
    void WriteText(std::string& out) const;

    // Generic access to the operands, for the tree walks: slots 0 .. GetOperandCount() - 1, some of
    // which may be empty (unused function arguments, a failed parse).
    virtual int GetOperandCount() const { return 0; }
    virtual vovido::ExpressionSlot* GetOperandSlot(int) { return nullptr; }
    const VRX_expression* GetOperand(int i) const;

    int sign = 1;

protected:
    // A copy of this node alone: sign and own fields, no operands.
    virtual std::unique_ptr<VRX_expression> CloneNode() const = 0;
    // Frees the operands without recursion; every node with operands calls it in its destructor.
    void ReleaseOperands();

private:
    const int kind_;
};

class VRX_constant : public VRX_expression {
public:
    explicit VRX_constant(double v = 0.0) : VRX_expression(vovido::kConstantKind), value(v) {}
    double value;

protected:
    std::unique_ptr<VRX_expression> CloneNode() const override;
};

class VRX_variable : public VRX_expression {
public:
    explicit VRX_variable(std::string n);
    std::string name;
    double value;  // the undefined marker until assigned

protected:
    std::unique_ptr<VRX_expression> CloneNode() const override;
};

class VRX_operator : public VRX_expression {
public:
    explicit VRX_operator(int kind) : VRX_expression(kind) {}
    virtual int GetPrecedence() const = 0;
};

class VRX_binaryOperator : public VRX_operator {
public:
    explicit VRX_binaryOperator(int kind) : VRX_operator(kind) {}
    VRX_binaryOperator(int kind, vovido::ExpressionSlot l, vovido::ExpressionSlot r)
        : VRX_operator(kind), left(std::move(l)), right(std::move(r)) {}
    ~VRX_binaryOperator() override { ReleaseOperands(); }

    // The operator applied to the operands' signed values.
    virtual double Apply(double a, double b) const;
    virtual const char* GetSymbol() const = 0;
    // Inverts +, -, *, / and ^; the comparisons cannot be inverted.
    bool IsolateVariable(const std::string& name, vovido::ExpressionSlot& operand,
                         vovido::ExpressionSlot& right) override;

    int GetOperandCount() const override { return 2; }
    vovido::ExpressionSlot* GetOperandSlot(int i) override;

    vovido::ExpressionSlot left;
    vovido::ExpressionSlot right;
};

// The eleven binary operators: kind, precedence and symbol.
#define VOVIDO_BINARY_OPERATOR(Class, Kind, Precedence, Symbol)       \
    class Class : public VRX_binaryOperator {                         \
    public:                                                           \
        Class() : VRX_binaryOperator(Kind) {}                         \
        Class(vovido::ExpressionSlot l, vovido::ExpressionSlot r)     \
            : VRX_binaryOperator(Kind, std::move(l), std::move(r)) {} \
        int GetPrecedence() const override { return Precedence; }     \
        const char* GetSymbol() const override { return Symbol; }     \
                                                                      \
    protected:                                                        \
        std::unique_ptr<VRX_expression> CloneNode() const override {  \
            auto copy = std::make_unique<Class>();                    \
            copy->sign = sign;                                        \
            return copy;                                              \
        }                                                             \
    };
VOVIDO_BINARY_OPERATOR(VRX_operatorPlus, vovido::kPlusKind, 2, "+")
VOVIDO_BINARY_OPERATOR(VRX_operatorMinus, vovido::kMinusKind, 2, "-")
VOVIDO_BINARY_OPERATOR(VRX_operatorDivide, vovido::kDivideKind, 3, "/")
VOVIDO_BINARY_OPERATOR(VRX_operatorMultiply, vovido::kMultiplyKind, 3, "*")
VOVIDO_BINARY_OPERATOR(VRX_operatorExp, vovido::kExpKind, 4, "^")
VOVIDO_BINARY_OPERATOR(VRX_operatorLT, vovido::kLessKind, 1, "<")
VOVIDO_BINARY_OPERATOR(VRX_operatorGT, vovido::kGreaterKind, 1, ">")
VOVIDO_BINARY_OPERATOR(VRX_operatorLE, vovido::kLessEqualKind, 1, "<=")
VOVIDO_BINARY_OPERATOR(VRX_operatorGE, vovido::kGreaterEqualKind, 1, ">=")
VOVIDO_BINARY_OPERATOR(VRX_operatorEQ, vovido::kEqualKind, 0, "=")
VOVIDO_BINARY_OPERATOR(VRX_operatorNE, vovido::kNotEqualKind, 0, "<>")
#undef VOVIDO_BINARY_OPERATOR

// condition ? ifTrue : ifFalse. A condition of 0.0 picks ifFalse; anything else, NaN included, ifTrue.
class VRX_operatorConditional : public VRX_operator {
public:
    VRX_operatorConditional() : VRX_operator(vovido::kConditionalKind) {}
    VRX_operatorConditional(vovido::ExpressionSlot c, vovido::ExpressionSlot t, vovido::ExpressionSlot f)
        : VRX_operator(vovido::kConditionalKind),
          condition(std::move(c)),
          ifTrue(std::move(t)),
          ifFalse(std::move(f)) {}
    ~VRX_operatorConditional() override { ReleaseOperands(); }

    int GetPrecedence() const override { return -1; }
    int GetOperandCount() const override { return 3; }
    vovido::ExpressionSlot* GetOperandSlot(int i) override;

    vovido::ExpressionSlot condition;
    vovido::ExpressionSlot ifTrue;
    vovido::ExpressionSlot ifFalse;

protected:
    std::unique_ptr<VRX_expression> CloneNode() const override;
};

// A call of a function-table row. The arguments in use are the leading non-empty slots.
class VRX_function : public VRX_expression {
public:
    explicit VRX_function(const FunctionEntry* e, int kind = vovido::kFunctionKind)
        : VRX_expression(kind), entry(e) {}
    ~VRX_function() override { ReleaseOperands(); }

    virtual const char* GetName() const { return entry->name; }
    bool IsolateVariable(const std::string& name, vovido::ExpressionSlot& operand,
                         vovido::ExpressionSlot& right) override;

    void SetArgument(int i, vovido::ExpressionSlot e);
    vovido::ExpressionSlot DetachArgument(int i);
    // The row's arity when it is 0 or more, else the number of leading non-empty arguments.
    int GetParameterCount() const;
    // The least argument count of a variable-arity row (its arity negated), 0 for a fixed arity.
    int GetVarargMinimum() const;
    // Evaluates the arguments in use, each times its sign, into the block: false when one is undefined.
    bool GetArgumentValues(FunctionArguments& block) const;

    int GetOperandCount() const override { return kMaxFunctionArguments; }
    vovido::ExpressionSlot* GetOperandSlot(int i) override;

    const FunctionEntry* entry;
    vovido::ExpressionSlot arguments[kMaxFunctionArguments];

protected:
    std::unique_ptr<VRX_expression> CloneNode() const override;
};

// A call of a row with a density: evaluating it draws.
class VRX_distribution : public VRX_function {
public:
    explicit VRX_distribution(const FunctionEntry* e) : VRX_function(e, vovido::kDistributionKind) {}
    // Undefined, as the call's value is, when an argument is undefined.
    double GetDensity(double x) const;
    // ln of the density: undefined as GetDensity is, -infinity outside the support.
    double GetLogDensity(double x) const;
    void GetMoments(double& mean, double& variance) const;

protected:
    std::unique_ptr<VRX_expression> CloneNode() const override;
};

// A call of a function the table does not know, named by a dialect parser until it is translated into
// a built-in call; it cannot be evaluated (its value is the undefined marker).
class VRX_unknownFunction : public VRX_function {
public:
    explicit VRX_unknownFunction(std::string n);
    const char* GetName() const override { return name.c_str(); }
    std::string name;

protected:
    std::unique_ptr<VRX_expression> CloneNode() const override;
};

// The call node of a table row, found without regard to case: a VRX_distribution for a row with a
// density, else a VRX_function; null when no row has that name.
std::unique_ptr<VRX_function> CreateFunctionCall(const char* name);

namespace vovido {
// A constant of signed value v: a negative v (or -0.0) is held as |v| with sign -1, as the parser does.
std::unique_ptr<VRX_expression> MakeSignedConstant(double v);
}  // namespace vovido

// Variable visitors.
class GetVarsVisitor : public VRX_variableVisitor {
public:
    explicit GetVarsVisitor(std::vector<std::string>& n) : names(n) {}
    void Visit(VRX_variable& variable) override;
    std::vector<std::string>& names;
};

class RenamingVisitor : public VRX_variableVisitor {
public:
    RenamingVisitor(std::string o, std::string n) : oldName(std::move(o)), newName(std::move(n)) {}
    void Visit(VRX_variable& variable) override;
    std::string oldName;
    std::string newName;
};

class AssigningVisitor : public VRX_variableVisitor {
public:
    AssigningVisitor(std::string n, double v) : name(std::move(n)), value(v) {}
    void Visit(VRX_variable& variable) override;
    std::string name;
    double value;
};

class CountingVisitor : public VRX_variableVisitor {
public:
    explicit CountingVisitor(std::string n) : name(std::move(n)) {}
    void Visit(VRX_variable& variable) override;
    std::string name;
    int count = 0;
};

// Free operations over a tree (each takes the root).
// Appends the names not yet in `names`, in text order.
void GetVariables(VRX_expression& e, std::vector<std::string>& names);
void RenameVariable(VRX_expression& e, const std::string& oldName, const std::string& newName);
void AssignVariable(VRX_expression& e, const std::string& name, double value);
int CountVariable(VRX_expression& e, const std::string& name);
// The nodes of the tree: the work of one evaluation, or of one pass over its variables.
int64_t CountTerms(const VRX_expression& e);
// The names summed in order as a left-nested sum; no names give the constant 0.
std::unique_ptr<VRX_expression> BuildSumOfVariables(const std::vector<std::string>& names);
// A constant of signed value 0 becomes the bare variable; anything else e + name.
std::unique_ptr<VRX_expression> AddVariableToSum(std::unique_ptr<VRX_expression> e, const std::string& name);

namespace vovido {

// Appends the text of e as an operand of an operator of the given precedence: in parentheses when e is
// an operator of lower precedence, or of equal precedence on the strict side (the right operand of a
// binary operator, the condition of a conditional).
void AppendOperandText(const VRX_expression& e, int parentPrecedence, bool strict, std::string& out);

}  // namespace vovido

// The text of the tree with its sign: "-" before a negative root, "-(...)" around a negative operator.
// Binary operators are written without blanks, the conditional as "c ? a : b", calls as "Name(a,b)",
// operands in parentheses only where precedence needs them. Constants are written with the fewest
// digits that read back to the same double, so text and tree survive any number of round trips.
void ExpressionToText(const VRX_expression& e, std::string& out);

namespace vovido {
// A new binary operator node over two operands.
template <typename Operator>
ExpressionSlot MakeBinary(ExpressionSlot a, ExpressionSlot b) {
    return std::make_unique<Operator>(std::move(a), std::move(b));
}
}  // namespace vovido
