// The variables of expression trees: visitors and the free operations built on them.
#include <unordered_set>

#include "base/expression.h"
#include "base/small_stack.h"

using vovido::kConstantKind;

void GetVarsVisitor::Visit(VRX_variable& variable) {
    for (const std::string& known : names) {
        if (known == variable.name) return;
    }
    names.push_back(variable.name);
}

void RenamingVisitor::Visit(VRX_variable& variable) {
    if (variable.name == oldName) variable.name = newName;
}

void AssigningVisitor::Visit(VRX_variable& variable) {
    if (variable.name == name) variable.value = value;
}

void CountingVisitor::Visit(VRX_variable& variable) {
    if (variable.name == name) ++count;
}

namespace {

// GetVarsVisitor with a set of the names seen, so that many distinct names cost no quadratic scan.
class CollectingVisitor : public VRX_variableVisitor {
public:
    explicit CollectingVisitor(std::vector<std::string>& names)
        : names_(names), seen_(names.begin(), names.end()) {}
    void Visit(VRX_variable& variable) override {
        if (seen_.insert(variable.name).second) names_.push_back(variable.name);
    }

private:
    std::vector<std::string>& names_;
    std::unordered_set<std::string> seen_;
};

}  // namespace

void GetVariables(VRX_expression& e, std::vector<std::string>& names) {
    CollectingVisitor visitor(names);
    e.Accept(visitor);
}

void RenameVariable(VRX_expression& e, const std::string& oldName, const std::string& newName) {
    RenamingVisitor visitor(oldName, newName);
    e.Accept(visitor);
}

void AssignVariable(VRX_expression& e, const std::string& name, double value) {
    AssigningVisitor visitor(name, value);
    e.Accept(visitor);
}

int CountVariable(VRX_expression& e, const std::string& name) {
    CountingVisitor visitor(name);
    e.Accept(visitor);
    return visitor.count;
}

int64_t CountTerms(const VRX_expression& e) {
    int64_t count = 0;
    vovido::SmallStack<const VRX_expression*, 32> pending;
    pending.Push(&e);
    while (!pending.Empty()) {
        const VRX_expression* node = pending.PopValue();
        ++count;
        for (int i = 0; i < node->GetOperandCount(); ++i) {
            if (const VRX_expression* operand = node->GetOperand(i)) pending.Push(operand);
        }
    }
    return count;
}

std::unique_ptr<VRX_expression> BuildSumOfVariables(const std::vector<std::string>& names) {
    if (names.empty()) return std::make_unique<VRX_constant>(0.0);
    std::unique_ptr<VRX_expression> sum = std::make_unique<VRX_variable>(names[0]);
    for (size_t i = 1; i < names.size(); ++i) {
        sum = std::make_unique<VRX_operatorPlus>(std::move(sum), std::make_unique<VRX_variable>(names[i]));
    }
    return sum;
}

std::unique_ptr<VRX_expression> AddVariableToSum(std::unique_ptr<VRX_expression> e, const std::string& name) {
    auto variable = std::make_unique<VRX_variable>(name);
    if (!e || (e->GetType() == kConstantKind && static_cast<VRX_constant&>(*e).value * e->sign == 0.0)) {
        return variable;
    }
    return std::make_unique<VRX_operatorPlus>(std::move(e), std::move(variable));
}
