// Equations of two expression sides: parsing, text form and solving for one variable.
#include "base/parsed_equation.h"

#include <cstring>

#include "base/expression_parser.h"
#include "base/status_codes.h"

using vovido::kEqualKind;
using vovido::kVariableKind;

using vovido::ExpressionSlot;

namespace {

// Folding rounds end long before this on any tree; the bound only rules out a hang.
constexpr int kMaxFoldingRounds = 100000;

bool IsDeterministic(const ExpressionSlot& side) {
    return !side || side->IsDeterministic();
}

}  // namespace

ParsedEquation& ParsedEquation::operator=(const ParsedEquation& other) {
    if (this == &other) return *this;
    left = other.left ? other.left->Clone() : nullptr;
    right = other.right ? other.right->Clone() : nullptr;
    hasDistribution = other.hasDistribution;
    return *this;
}

void ParsedEquation::GetVariables(std::vector<std::string>& names) const {
    names.clear();
    if (left) ::GetVariables(*left, names);
    if (right) ::GetVariables(*right, names);
}

void ParsedEquation::RenameVariable(const std::string& oldName, const std::string& newName) {
    if (left) ::RenameVariable(*left, oldName, newName);
    if (right) ::RenameVariable(*right, oldName, newName);
}

void ParsedEquation::AssignVariable(const std::string& name, double value) {
    if (left) ::AssignVariable(*left, name, value);
    if (right) ::AssignVariable(*right, name, value);
}

void ParsedEquation::AddParentVariable(const std::string& name) {
    right = AddVariableToSum(std::move(right), name);
}

void ParsedEquation::SetDefault(const std::string& nodeName, const std::vector<std::string>& parentNames) {
    left = std::make_unique<VRX_variable>(nodeName);
    right = BuildSumOfVariables(parentNames);
}

void ParsedEquation::MoveToRight() {
    right = std::make_unique<VRX_operatorMinus>(std::move(right), std::move(left));
    left = std::make_unique<VRX_constant>(0.0);
}

int ParseEquation(ParsedEquation& equation, const char* text, int* errorPosition, std::string* errorText) {
    equation.left.reset();
    equation.right.reset();
    equation.hasDistribution = false;
    ExpressionSlot tree = ParseExpression(text, errorPosition, errorText);
    if (!tree) return kOutOfRange;
    if (tree->GetType() != kEqualKind) {
        if (errorText != nullptr) *errorText = "Toplevel '=' sign missing in equation";
        if (errorPosition != nullptr) *errorPosition = static_cast<int>(std::strlen(text));
        return kNoTopLevelEquals;
    }
    auto& top = static_cast<VRX_binaryOperator&>(*tree);
    equation.left = std::move(top.left);
    equation.right = std::move(top.right);
    equation.hasDistribution = !(IsDeterministic(equation.left) && IsDeterministic(equation.right));
    return kSuccess;
}

void EquationToText(const ParsedEquation& equation, std::string& out) {
    out.clear();
    const int precedence = VRX_operatorEQ().GetPrecedence();
    if (equation.left) vovido::AppendOperandText(*equation.left, precedence, false, out);
    out += '=';
    if (equation.right) vovido::AppendOperandText(*equation.right, precedence, true, out);
}

int SolveForVariable(ParsedEquation& equation, const std::string& name) {
    if (!equation.left || !equation.right) return kOutOfRange;
    while (equation.left->GetType() != kVariableKind ||
           static_cast<const VRX_variable&>(*equation.left).name != name) {
        ExpressionSlot operand;
        if (!equation.left->IsolateVariable(name, operand, equation.right)) return kOutOfRange;
        equation.left = std::move(operand);
    }
    if (equation.left->sign < 0) {
        equation.left->sign = 1;
        equation.right = std::make_unique<VRX_operatorMinus>(std::make_unique<VRX_constant>(0.0),
                                                             std::move(equation.right));
    }
    for (int round = 0; round < kMaxFoldingRounds && equation.right->FoldConstants(equation.right); ++round) {
    }
    return kSuccess;
}

int SolveEquationFor(ParsedEquation& equation, const std::string& name) {
    if (!equation.left || !equation.right) return kOutOfRange;
    equation.left = std::make_unique<VRX_operatorMinus>(std::move(equation.left), std::move(equation.right));
    equation.right = std::make_unique<VRX_constant>(0.0);
    // Folding gathers repeats of the variable (x + x) but also expands products ((s + 1) * x into
    // s * x + x), which would hide a variable that occurs once: then the tree as written is solved.
    ExpressionSlot written = CountVariable(*equation.left, name) == 1 ? equation.left->Clone() : nullptr;
    equation.left->FoldConstants(equation.left);
    if (CountVariable(*equation.left, name) != 1) {
        if (!written) return kOutOfRange;
        equation.left = std::move(written);
    }
    return SolveForVariable(equation, name);
}
