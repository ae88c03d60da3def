#pragma once
// Test helpers for expression trees: structural comparison and parse-and-print shortcuts.

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/expression.h"
#include "base/expression_parser.h"

namespace vovido::test {

// True when both trees have the same shape, kinds, signs, constants (bit for bit), names and rows.
inline bool SameTree(const VRX_expression& a, const VRX_expression& b) {
    std::vector<std::pair<const VRX_expression*, const VRX_expression*>> pending{{&a, &b}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (x == nullptr || y == nullptr) {
            if (x != y) return false;
            continue;
        }
        if (x->GetType() != y->GetType() || x->sign != y->sign ||
            x->GetOperandCount() != y->GetOperandCount()) {
            return false;
        }
        if (x->GetType() == kConstantKind) {
            const double u = static_cast<const VRX_constant*>(x)->value;
            const double v = static_cast<const VRX_constant*>(y)->value;
            if (std::memcmp(&u, &v, sizeof u) != 0) return false;
        } else if (x->GetType() == kVariableKind) {
            if (static_cast<const VRX_variable*>(x)->name != static_cast<const VRX_variable*>(y)->name)
                return false;
        } else if (x->GetType() == kFunctionKind || x->GetType() == kDistributionKind) {
            const auto* f = static_cast<const VRX_function*>(x);
            const auto* g = static_cast<const VRX_function*>(y);
            if (f->entry != g->entry ||
                std::strcmp(f->GetName() ? f->GetName() : "", g->GetName() ? g->GetName() : "")) {
                return false;
            }
        }
        for (int i = 0; i < x->GetOperandCount(); ++i)
            pending.emplace_back(x->GetOperand(i), y->GetOperand(i));
    }
    return true;
}

inline std::string Text(const VRX_expression& e) {
    std::string out;
    ExpressionToText(e, out);
    return out;
}

// The text of the parsed tree, or "error: MESSAGE @POSITION".
inline std::string Reprint(const char* text) {
    int position = -1;
    std::string message;
    std::unique_ptr<VRX_expression> tree = ParseExpression(text, &position, &message);
    if (!tree) return "error: " + message + " @" + std::to_string(position);
    return Text(*tree);
}

// The signed value of the parsed text with the given variables assigned.
inline double ValueOf(const char* text, const std::vector<std::pair<std::string, double>>& variables = {}) {
    std::unique_ptr<VRX_expression> tree = ParseExpression(text, nullptr, nullptr);
    if (!tree) return -12345.678;
    for (const auto& [name, value] : variables) AssignVariable(*tree, name, value);
    return tree->sign * tree->Evaluate();
}

}  // namespace vovido::test
