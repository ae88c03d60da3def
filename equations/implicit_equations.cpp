// Right sides of the equations the conversion to a hybrid network cannot isolate for their node.
#include "equations/implicit_equations.h"

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "base/expression_parser.h"
#include "base/parsed_equation.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "definitions/equation_scc.h"
#include "equations/equation_solver.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

namespace vovido {

namespace {

// A node whose own equation draws, or whose value is observed, has no value of constants alone.
bool DrawsOrObserved(const VRX_network& network, int h) {
    const VRX_node* node = network.GetNode(h);
    const VRX_nodeValue* value = node->GetValue();
    if (value != nullptr && value->HasEvidence()) return true;
    if (const auto* plain = dynamic_cast<const VRX_equation*>(node->GetDefinition()))
        return plain->GetEquation().hasDistribution;
    if (const auto* member = dynamic_cast<const VRX_equationSCC*>(node->GetDefinition()))
        return member->GetEquation().hasDistribution;
    return true;
}

// Whether the tree names the variable, and whether it is a*name + b with a and b free of it: reached
// through sums, differences, products with a factor free of it and quotients by a divisor free of it.
struct Linearity {
    bool names;
    bool linear;
};

Linearity LinearityIn(const VRX_expression& tree, const std::string& name) {
    if (tree.GetType() == kVariableKind) return {static_cast<const VRX_variable&>(tree).name == name, true};
    bool names = false, linear = true;
    Linearity operands[2] = {{false, true}, {false, true}};
    for (int i = 0; i < tree.GetOperandCount(); ++i) {
        const VRX_expression* operand = tree.GetOperand(i);
        if (operand == nullptr) continue;
        const Linearity part = LinearityIn(*operand, name);
        names = names || part.names;
        linear = linear && part.linear;
        if (i < 2) operands[i] = part;
    }
    if (!names) return {false, true};
    switch (tree.GetType()) {
        case kPlusKind:
        case kMinusKind:
            return {true, linear};
        case kMultiplyKind:
            return {true, linear && !(operands[0].names && operands[1].names)};
        case kDivideKind:
            return {true, linear && !operands[1].names};
        default:
            return {true, false};
    }
}

// Every variable of the name in the tree held by the slot becomes the constant, its sign kept.
void Substitute(ExpressionSlot& slot, const std::string& name, double value) {
    if (!slot) return;
    if (slot->GetType() == kVariableKind && static_cast<const VRX_variable&>(*slot).name == name) {
        auto constant = std::make_unique<VRX_constant>(value);
        constant->sign = slot->sign;
        slot = std::move(constant);
        return;
    }
    for (int i = 0; i < slot->GetOperandCount(); ++i) Substitute(*slot->GetOperandSlot(i), name, value);
}

std::string TextWith(const VRX_expression& residual, const std::string& name, double value) {
    ExpressionSlot copy = residual.Clone();
    Substitute(copy, name, value);
    std::string text;
    ExpressionToText(*copy, text);
    return text;
}

}  // namespace

int ImplicitEquations::LinearRightSide(const ParsedEquation& equation, const std::string& id,
                                       ExpressionSlot& right) {
    ParsedEquation copy = equation;
    copy.MoveToRight();
    const Linearity linearity = copy.right ? LinearityIn(*copy.right, id) : Linearity{false, false};
    if (!linearity.linear) return 1;
    if (!linearity.names)
        return LogError(errorLog, kOutOfRange,
                        ("Equation of node [" + id + "] does not name the node.").c_str(), nullptr);
    // A call would draw once in each term below, not once for the node.
    if (!copy.right->IsDeterministic())
        return LogError(
            errorLog, kOutOfRange,
            ("Unable to solve the equation of node [" + id + "] for the node: it holds a distribution.")
                .c_str(),
            nullptr);
    // r(W) = a*W + b: b = r(0), a = r(1) - r(0), and W = r(0) / (r(0) - r(1)).
    const std::string at0 = TextWith(*copy.right, id, 0.0), at1 = TextWith(*copy.right, id, 1.0);
    right = ParseExpression(("(" + at0 + ")/((" + at0 + ")-(" + at1 + "))").c_str(), nullptr, nullptr);
    ExpressionSlot r0 = ParseExpression(at0.c_str(), nullptr, nullptr);
    ExpressionSlot r1 = ParseExpression(at1.c_str(), nullptr, nullptr);
    if (!right || !r0 || !r1) return 1;
    // A slope that is 0 whatever the other values (W = W + X) leaves no solution: probed at values that no
    // sum of terms cancels by chance, to within rounding.
    std::vector<std::string> names;
    GetVariables(*r0, names);
    bool flat = true;
    for (double probe : {0.6180339887, -1.4142135623, 2.7182818284}) {
        for (size_t i = 0; i < names.size(); ++i) {
            AssignVariable(*r0, names[i], probe * (1.0 + 0.37 * static_cast<double>(i)));
            AssignVariable(*r1, names[i], probe * (1.0 + 0.37 * static_cast<double>(i)));
        }
        const double b = r0->Evaluate() * r0->sign, a = r1->Evaluate() * r1->sign - b;
        flat = flat && std::fabs(a) <= 1e-12 * (std::fabs(b) + std::fabs(a + b) + 1.0);
    }
    if (flat)
        return LogError(errorLog, kOutOfRange,
                        ("Unable to solve the equation of node [" + id + "] for the node.").c_str(), nullptr);
    return kSuccess;
}

int ImplicitEquations::SolveConstants() {
    solved_ = true;
    // The failures of other units are theirs: their reasons stay out of this conversion's log.
    const int logged = errorLog.GetNumberOfEntries();
    if (const int rc = plan_.Build(source_)) {
        errorLog.Truncate(logged);
        return status_ = rc;
    }
    const auto slots = static_cast<size_t>(source_.GetNumberOfSlots());
    constant_.assign(slots, 0);
    failed_.assign(slots, 0);
    known_ = std::make_unique<KnownValues>(source_.GetNumberOfSlots());
    const EquationSolverOptions options(&source_);
    for (EquationUnit& unit : plan_.GetUnits()) {
        bool constant = true;
        for (int n : unit.nodes) constant = constant && !DrawsOrObserved(source_, n);
        for (int p : unit.externalParents) constant = constant && constant_[static_cast<size_t>(p)];
        if (!constant) continue;
        const int before = errorLog.GetNumberOfEntries();
        const int rc = plan_.Solve(unit, *known_, options);
        errorLog.Truncate(before);
        for (int n : unit.nodes) (rc == kSuccess ? constant_ : failed_)[static_cast<size_t>(n)] = 1;
    }
    return status_;
}

int ImplicitEquations::ConstantRightSide(int h, ExpressionSlot& right) {
    if (!solved_ && SolveConstants() != kSuccess) return 1;
    if (status_ != kSuccess) return 1;
    const auto slot = static_cast<size_t>(h);
    if (constant_[slot]) {
        right = std::make_unique<VRX_constant>(known_->Get(h));
        return kSuccess;
    }
    if (!failed_[slot]) return 1;
    // Solved again for its reason, as the update without evidence gives it.
    for (EquationUnit& unit : plan_.GetUnits()) {
        for (int n : unit.nodes) {
            if (n == h) return plan_.Solve(unit, *known_, EquationSolverOptions(&source_));
        }
    }
    return 1;
}

}  // namespace vovido
