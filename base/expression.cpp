// Expression nodes: construction, copying, freeing and the walks that visit every node.
#include "base/expression.h"

#include <cmath>
#include <utility>

#include "base/number_text.h"
#include "base/small_stack.h"

using vovido::kDistributionKind;
using vovido::kVariableKind;

using vovido::ExpressionSlot;

using vovido::SmallStack;

namespace {

// The row of an unknown function: no name, any number of arguments, no operations.
const FunctionEntry kUnknownEntry = {nullptr, -kMaxFunctionArguments, nullptr, nullptr, nullptr};

// Pushes the non-empty operand slots of a node so that they pop in text order.
template <typename Stack>
void PushOperandsReversed(VRX_expression& node, Stack& stack) {
    for (int i = node.GetOperandCount() - 1; i >= 0; --i) {
        ExpressionSlot* slot = node.GetOperandSlot(i);
        if (*slot) stack.Push(slot);
    }
}

}  // namespace

const VRX_expression* VRX_expression::GetOperand(int i) const {
    ExpressionSlot* slot = const_cast<VRX_expression*>(this)->GetOperandSlot(i);
    return slot == nullptr ? nullptr : slot->get();
}

std::unique_ptr<VRX_expression> VRX_expression::Clone() const {
    std::unique_ptr<VRX_expression> root = CloneNode();
    struct Pair {
        const VRX_expression* source;
        VRX_expression* copy;
    };
    SmallStack<Pair, 32> pending;
    pending.Push({this, root.get()});
    while (!pending.Empty()) {
        const Pair pair = pending.Top();
        pending.Pop();
        for (int i = 0; i < pair.source->GetOperandCount(); ++i) {
            const VRX_expression* operand = pair.source->GetOperand(i);
            if (operand == nullptr) continue;
            ExpressionSlot& target = *pair.copy->GetOperandSlot(i);
            target = operand->CloneNode();
            pending.Push({operand, target.get()});
        }
    }
    return root;
}

void VRX_expression::ReleaseOperands() {
    // Each node is emptied before it is deleted, so no destructor below this one recurses.
    SmallStack<VRX_expression*, 32> pending;
    for (int i = 0; i < GetOperandCount(); ++i) {
        ExpressionSlot* slot = GetOperandSlot(i);
        if (*slot) pending.Push(slot->release());
    }
    while (!pending.Empty()) {
        VRX_expression* node = pending.Top();
        pending.Pop();
        for (int i = 0; i < node->GetOperandCount(); ++i) {
            ExpressionSlot* slot = node->GetOperandSlot(i);
            if (*slot) pending.Push(slot->release());
        }
        delete node;
    }
}

void VRX_expression::CollectDistributions(ExpressionSlot* slot, std::vector<ExpressionSlot*>& list) {
    SmallStack<ExpressionSlot*, 32> pending;
    pending.Push(slot);
    while (!pending.Empty()) {
        ExpressionSlot* current = pending.Top();
        pending.Pop();
        if ((*current)->GetType() == kDistributionKind) {
            list.push_back(current);
        } else {
            PushOperandsReversed(**current, pending);
        }
    }
}

bool VRX_expression::IsDeterministic() const {
    SmallStack<const VRX_expression*, 32> pending;
    pending.Push(this);
    while (!pending.Empty()) {
        const VRX_expression* node = pending.Top();
        pending.Pop();
        if (node->GetType() == kDistributionKind) return false;
        for (int i = 0; i < node->GetOperandCount(); ++i) {
            if (const VRX_expression* operand = node->GetOperand(i)) pending.Push(operand);
        }
    }
    return true;
}

void VRX_expression::Accept(VRX_variableVisitor& visitor) {
    SmallStack<ExpressionSlot*, 32> pending;
    if (GetType() == kVariableKind) {
        visitor.Visit(static_cast<VRX_variable&>(*this));
        return;
    }
    PushOperandsReversed(*this, pending);
    while (!pending.Empty()) {
        VRX_expression& node = **pending.Top();
        pending.Pop();
        if (node.GetType() == kVariableKind) {
            visitor.Visit(static_cast<VRX_variable&>(node));
        } else {
            PushOperandsReversed(node, pending);
        }
    }
}

bool VRX_expression::IsolateVariable(const std::string&, ExpressionSlot&, ExpressionSlot&) {
    return false;
}

std::unique_ptr<VRX_expression> VRX_constant::CloneNode() const {
    auto copy = std::make_unique<VRX_constant>(value);
    copy->sign = sign;
    return copy;
}

VRX_variable::VRX_variable(std::string n)
    : VRX_expression(kVariableKind), name(std::move(n)), value(kUndefinedValue) {}

std::unique_ptr<VRX_expression> VRX_variable::CloneNode() const {
    auto copy = std::make_unique<VRX_variable>(name);
    copy->value = value;
    copy->sign = sign;
    return copy;
}

ExpressionSlot* VRX_binaryOperator::GetOperandSlot(int i) {
    if (i == 0) return &left;
    return i == 1 ? &right : nullptr;
}

ExpressionSlot* VRX_operatorConditional::GetOperandSlot(int i) {
    switch (i) {
        case 0:
            return &condition;
        case 1:
            return &ifTrue;
        case 2:
            return &ifFalse;
        default:
            return nullptr;
    }
}

std::unique_ptr<VRX_expression> VRX_operatorConditional::CloneNode() const {
    auto copy = std::make_unique<VRX_operatorConditional>();
    copy->sign = sign;
    return copy;
}

void VRX_function::SetArgument(int i, ExpressionSlot e) {
    if (i >= 0 && i < kMaxFunctionArguments) arguments[i] = std::move(e);
}

ExpressionSlot VRX_function::DetachArgument(int i) {
    if (i < 0 || i >= kMaxFunctionArguments) return nullptr;
    return std::move(arguments[i]);
}

int VRX_function::GetParameterCount() const {
    if (entry->arity >= 0) return entry->arity;
    int count = 0;
    while (count < kMaxFunctionArguments && arguments[count]) ++count;
    return count;
}

int VRX_function::GetVarargMinimum() const {
    return entry->arity < 0 ? -entry->arity : 0;
}

bool VRX_function::GetArgumentValues(FunctionArguments& block) const {
    block.count = GetParameterCount();
    bool defined = true;
    for (int i = 0; i < block.count; ++i) {
        const VRX_expression* argument = arguments[i].get();
        block.values[i] = argument == nullptr ? kUndefinedValue : argument->sign * argument->Evaluate();
        defined = defined && !IsUndefinedValue(block.values[i]);
    }
    return defined;
}

ExpressionSlot* VRX_function::GetOperandSlot(int i) {
    return i >= 0 && i < kMaxFunctionArguments ? &arguments[i] : nullptr;
}

std::unique_ptr<VRX_expression> VRX_function::CloneNode() const {
    auto copy = std::make_unique<VRX_function>(entry);
    copy->sign = sign;
    return copy;
}

double VRX_distribution::GetDensity(double x) const {
    FunctionArguments block;
    return GetArgumentValues(block) && entry->density != nullptr ? entry->density(x, block) : kUndefinedValue;
}

double VRX_distribution::GetLogDensity(double x) const {
    FunctionArguments block;
    return GetArgumentValues(block) && entry->logDensity != nullptr ? entry->logDensity(x, block)
                                                                    : kUndefinedValue;
}

void VRX_distribution::GetMoments(double& mean, double& variance) const {
    FunctionArguments block;
    mean = variance = kUndefinedValue;
    if (GetArgumentValues(block) && entry->moments != nullptr) entry->moments(&mean, &variance, block);
}

std::unique_ptr<VRX_expression> VRX_distribution::CloneNode() const {
    auto copy = std::make_unique<VRX_distribution>(entry);
    copy->sign = sign;
    return copy;
}

VRX_unknownFunction::VRX_unknownFunction(std::string n) : VRX_function(&kUnknownEntry), name(std::move(n)) {}

std::unique_ptr<VRX_expression> VRX_unknownFunction::CloneNode() const {
    auto copy = std::make_unique<VRX_unknownFunction>(name);
    copy->sign = sign;
    return copy;
}

std::unique_ptr<VRX_function> CreateFunctionCall(const char* name) {
    const FunctionEntry* entry = FindFunctionEntry(name);
    if (entry == nullptr) return nullptr;
    if (entry->density != nullptr) return std::make_unique<VRX_distribution>(entry);
    return std::make_unique<VRX_function>(entry);
}

std::unique_ptr<VRX_expression> vovido::MakeSignedConstant(double v) {
    auto constant = std::make_unique<VRX_constant>(std::fabs(v));
    if (std::signbit(v) && !std::isnan(v)) constant->sign = -1;
    return constant;
}
