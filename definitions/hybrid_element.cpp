// Elements of hybrid definitions.
#include "definitions/hybrid_element.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "base/expression_parser.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/random_generator.h"
#include "base/status_codes.h"

using vovido::ExpressionSlot;

namespace {

// Parsed and folded until nothing changes; null for text that does not parse.
ExpressionSlot ParseFolded(const std::string& text) {
    ExpressionSlot tree = ParseExpression(text.c_str(), nullptr, nullptr);
    if (tree) {
        while (tree->FoldConstants(tree)) {
        }
    }
    return tree;
}

bool IsDefined(double x) {
    return std::isfinite(x) && !IsUndefinedValue(x);
}

// A call of a distribution alone, or one added to or subtracted from terms without a call
// ("x + Normal(0, 1)"): the call, its sign in the sum, and the value of the other terms (when the
// variables have values). False for any other form, which has no density at hand; a tree without a
// call is accepted with call left null.
bool FindAdditiveNoise(const VRX_expression& tree, int sign, const VRX_distribution*& call, int& callSign,
                       double& rest) {
    const int own = sign * tree.sign;
    if (tree.GetType() == vovido::kDistributionKind) {
        if (call != nullptr) return false;
        call = static_cast<const VRX_distribution*>(&tree);
        callSign = own;
        return true;
    }
    if (tree.IsDeterministic()) {
        rest += own * tree.Evaluate();
        return true;
    }
    if (tree.GetType() != vovido::kPlusKind && tree.GetType() != vovido::kMinusKind) return false;
    const VRX_expression* left = tree.GetOperand(0);
    const VRX_expression* right = tree.GetOperand(1);
    return left != nullptr && right != nullptr && FindAdditiveNoise(*left, own, call, callSign, rest) &&
           FindAdditiveNoise(*right, tree.GetType() == vovido::kMinusKind ? -own : own, call, callSign,
                             rest) &&
           call != nullptr;
}

}  // namespace

int VRX_Helement::GetMeanAndVariance(double&, double&) {
    return kUnsupportedElementOperation;
}
int VRX_Helement::Evaluate(double&) {
    return kUnsupportedElementOperation;
}
int VRX_Helement::EvaluateNamed(const std::string&, double&) {
    return kUnsupportedElementOperation;
}
int VRX_Helement::Sample(double&) {
    return kUnsupportedElementOperation;
}
int VRX_Helement::SampleState(int&) {
    return kUnsupportedElementOperation;
}
double VRX_Helement::GetDensity(double) {
    return kUnsupportedElementOperation;
}
double VRX_Helement::GetLogDensity(double value) {
    const double p = GetDensity(value);
    return p > 0.0 && !IsUndefinedValue(p) ? std::log(p) : -std::numeric_limits<double>::infinity();
}
double VRX_Helement::GetStateProbability(int) {
    return kUnsupportedElementOperation;
}

// ---------------------------------------------------------------------------------------------------
// Equation element

VRX_equationElement::VRX_equationElement(const std::string& text)
    : equationText(text), mainExpression(ParseFolded(text)) {}

std::unique_ptr<VRX_Helement> VRX_equationElement::Clone() const {
    auto copy = std::make_unique<VRX_equationElement>(equationText);
    copy->evaluated = evaluated;
    copy->mainExpression = mainExpression ? mainExpression->Clone() : nullptr;
    for (const auto& entry : namedExpressions) copy->namedExpressions[entry.first] = entry.second->Clone();
    return copy;
}

void VRX_equationElement::SetVariableValue(const std::string& name, double value) {
    evaluated = 0;
    slots_.Assign(name, value, [this](VRX_variableVisitor& visitor) {
        if (mainExpression) mainExpression->Accept(visitor);
        for (auto& entry : namedExpressions) entry.second->Accept(visitor);
    });
}

int64_t VRX_equationElement::CountTerms() const {
    int64_t terms = mainExpression ? ::CountTerms(*mainExpression) : 0;
    for (const auto& entry : namedExpressions) terms += ::CountTerms(*entry.second);
    return terms;
}

void VRX_equationElement::GetVariables(std::vector<std::string>& names) {
    if (mainExpression) ::GetVariables(*mainExpression, names);
}

int VRX_equationElement::Evaluate(double& value) {
    if (!mainExpression) return kOutOfRange;
    value = mainExpression->Evaluate() * mainExpression->sign;
    evaluated = 1;
    return IsDefined(value) ? kSuccess : kInvalidData;
}

int VRX_equationElement::EvaluateNamed(const std::string& name, double& value) {
    const auto found = namedExpressions.find(name);
    if (found == namedExpressions.end()) return kOutOfRange;
    value = found->second->Evaluate() * found->second->sign;
    return IsDefined(value) ? kSuccess : kInvalidData;
}

int VRX_equationElement::FindNamedExpression(const std::string& name, VRX_expression*& out) const {
    const auto found = namedExpressions.find(name);
    if (found == namedExpressions.end()) return kOutOfRange;
    out = found->second.get();
    return kSuccess;
}

int VRX_equationElement::SetNamedExpression(const std::string& name, const std::string& text) {
    ExpressionSlot tree = ParseFolded(text);
    if (!tree) return kOutOfRange;
    namedExpressions[name] = std::move(tree);
    slots_.Clear();
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Distribution element

VRX_distributionElement::VRX_distributionElement(const VRX_expression& distribution)
    : distributionExpression(distribution.Clone()) {}

std::unique_ptr<VRX_Helement> VRX_distributionElement::Clone() const {
    auto copy = std::make_unique<VRX_distributionElement>(*distributionExpression);
    copy->mixture = mixture;
    return copy;
}

int64_t VRX_distributionElement::CountTerms() const {
    return distributionExpression ? ::CountTerms(*distributionExpression) : 0;
}

void VRX_distributionElement::SetVariableValue(const std::string& name, double value) {
    slots_.Assign(name, value,
                  [this](VRX_variableVisitor& visitor) { distributionExpression->Accept(visitor); });
}

void VRX_distributionElement::GetVariables(std::vector<std::string>& names) {
    ::GetVariables(*distributionExpression, names);
}

int VRX_distributionElement::GetMeanAndVariance(double& mean, double& variance) {
    const auto* call = dynamic_cast<const VRX_distribution*>(distributionExpression.get());
    if (call == nullptr) return kUnsupportedElementOperation;
    call->GetMoments(mean, variance);
    if (!IsDefined(mean) || !IsDefined(variance)) return kInvalidData;
    mean *= call->sign;
    return kSuccess;
}

int VRX_distributionElement::Sample(double& value) {
    value = distributionExpression->Evaluate() * distributionExpression->sign;
    return IsDefined(value) ? kSuccess : kInvalidData;
}

double VRX_distributionElement::GetDensity(double value) {
    const VRX_distribution* call = nullptr;
    int sign = 1;
    double rest = 0.0;
    // A tree without a call (a constant) has no density either.
    if (!FindAdditiveNoise(*distributionExpression, 1, call, sign, rest) || call == nullptr)
        return kUnsupportedElementOperation;
    // The density of -X at v is that of X at -v; terms added to the call shift it.
    const double p = call->GetDensity((value - rest) * sign);
    return IsDefined(p) && p > 0.0 ? p : 0.0;
}

double VRX_distributionElement::GetLogDensity(double value) {
    const VRX_distribution* call = nullptr;
    int sign = 1;
    double rest = 0.0;
    if (!FindAdditiveNoise(*distributionExpression, 1, call, sign, rest) || call == nullptr)
        return -std::numeric_limits<double>::infinity();
    const double p = call->GetLogDensity((value - rest) * sign);
    return IsUndefinedValue(p) || std::isnan(p) ? -std::numeric_limits<double>::infinity() : p;
}

bool VRX_distributionElement::LocateInCall(double value, const VRX_expression*& located, double& at) {
    const VRX_distribution* call = nullptr;
    int sign = 1;
    double rest = 0.0;
    if (!FindAdditiveNoise(*distributionExpression, 1, call, sign, rest) || call == nullptr) return false;
    located = call;
    at = (value - rest) * sign;
    return true;
}

bool VRX_distributionElement::GetShiftedMean(double& mean) {
    const VRX_distribution* call = nullptr;
    int sign = 1;
    double rest = 0.0, variance = 0.0;
    if (!FindAdditiveNoise(*distributionExpression, 1, call, sign, rest) || call == nullptr) return false;
    call->GetMoments(mean, variance);
    mean = rest + sign * mean;
    return IsDefined(mean);
}

bool VRX_distributionElement::HasDensity() const {
    const VRX_distribution* call = nullptr;
    int sign = 1;
    double rest = 0.0;
    return FindAdditiveNoise(*distributionExpression, 1, call, sign, rest) && call != nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Discrete element

VRX_discreteElement::VRX_discreteElement(int count) {
    for (int i = 0; i < count; ++i) weights_.push_back(std::make_unique<VRX_constant>(1.0));
}

std::unique_ptr<VRX_Helement> VRX_discreteElement::Clone() const {
    auto copy = std::make_unique<VRX_discreteElement>(0);
    for (const ExpressionSlot& w : weights_) copy->weights_.push_back(w->Clone());
    return copy;
}

int64_t VRX_discreteElement::CountTerms() const {
    int64_t terms = 0;
    for (const vovido::ExpressionSlot& w : weights_) terms += w ? ::CountTerms(*w) : 0;
    return terms;
}

void VRX_discreteElement::SetVariableValue(const std::string& name, double value) {
    slots_.Assign(name, value, [this](VRX_variableVisitor& visitor) {
        for (ExpressionSlot& w : weights_) w->Accept(visitor);
    });
    fresh_ = false;
}

void VRX_discreteElement::GetVariables(std::vector<std::string>& names) {
    for (ExpressionSlot& w : weights_) ::GetVariables(*w, names);
}

namespace {

// "x = 1.3, y = 2" of the variables the weights name, each once.
class ValueListVisitor : public VRX_variableVisitor {
public:
    void Visit(VRX_variable& variable) override {
        for (const std::string& name : names_) {
            if (name == variable.name) return;
        }
        names_.push_back(variable.name);
        char number[32] = "undefined";
        if (IsDefined(variable.value)) std::snprintf(number, sizeof number, "%.4g", variable.value);
        text += (text.empty() ? "" : ", ") + variable.name + " = " + number;
    }
    std::string text;

private:
    std::vector<std::string> names_;
};

}  // namespace

void VRX_discreteElement::Refresh() {
    if (fresh_) return;
    probabilities_.assign(weights_.size(), 0.0);
    double total = 0.0;
    int stray = -1;
    for (size_t i = 0; i < weights_.size(); ++i) {
        const double w = weights_[i]->Evaluate() * weights_[i]->sign;
        probabilities_[i] = IsDefined(w) && w > 0.0 ? w : 0.0;
        if (stray < 0 && !(IsDefined(w) && w >= 0.0 && w <= 1.0)) {
            stray = static_cast<int>(i);
            if (strayCount_ == 0) strayWeight_ = w;
        }
        total += probabilities_[i];
    }
    if (stray >= 0 && strayCount_++ == 0) {
        strayOutcome_ = stray;
        ValueListVisitor values;
        for (ExpressionSlot& w : weights_) w->Accept(values);
        strayValues_ = values.text;
    }
    for (double& p : probabilities_) p = total > 0.0 ? p / total : 1.0 / static_cast<double>(weights_.size());
    fresh_ = true;
}

int VRX_discreteElement::SampleState(int& state) {
    if (weights_.empty()) return kOutOfRange;
    Refresh();
    const double u = sampleNodeGenerator.NextFraction();
    double sum = 0.0;
    state = static_cast<int>(weights_.size()) - 1;
    for (size_t i = 0; i < probabilities_.size(); ++i) {
        sum += probabilities_[i];
        if (u < sum) {
            state = static_cast<int>(i);
            break;
        }
    }
    // Rounding may leave the last states at 0: never return one of probability 0.
    while (state > 0 && probabilities_[static_cast<size_t>(state)] <= 0.0) --state;
    return kSuccess;
}

double VRX_discreteElement::GetStateProbability(int state) {
    if (state < 0 || state >= static_cast<int>(weights_.size())) return 0.0;
    Refresh();
    return probabilities_[static_cast<size_t>(state)];
}

void VRX_discreteElement::OutcomeInserted(int index) {
    if (index < 0 || index > static_cast<int>(weights_.size())) index = static_cast<int>(weights_.size());
    weights_.insert(weights_.begin() + index, std::make_unique<VRX_constant>(0.0));
    slots_.Clear();
    fresh_ = false;
}

void VRX_discreteElement::OutcomeRemoved(int index) {
    if (index < 0 || index >= static_cast<int>(weights_.size())) return;
    weights_.erase(weights_.begin() + index);
    slots_.Clear();
    fresh_ = false;
}

void VRX_discreteElement::OutcomesReordered(const VRX_intArray& order) {
    if (order.GetCount() != static_cast<int>(weights_.size())) return;
    std::vector<ExpressionSlot> reordered(weights_.size());
    for (int k = 0; k < order.GetCount(); ++k) {
        if (order[k] < 0 || order[k] >= order.GetCount() || !weights_[static_cast<size_t>(order[k])]) return;
        reordered[static_cast<size_t>(k)] = weights_[static_cast<size_t>(order[k])]->Clone();
    }
    weights_ = std::move(reordered);
    slots_.Clear();
    fresh_ = false;
}

int VRX_discreteElement::SetWeights(const std::vector<std::string>& texts) {
    if (texts.size() != weights_.size()) return kOutOfRange;
    std::vector<ExpressionSlot> parsed;
    for (const std::string& text : texts) {
        parsed.push_back(ParseFolded(text));
        if (!parsed.back()) return kOutOfRange;
    }
    weights_ = std::move(parsed);
    slots_.Clear();
    fresh_ = false;
    return kSuccess;
}
