#pragma once
// Elements of hybrid definitions: one per configuration of a node's discrete parents. An equation
// element is a deterministic expression in the parents' identifiers (with, per parent, the equation
// solved for that parent); a distribution element is a call of a distribution; a discrete element gives
// one weight expression per outcome of a discrete node, normalised into the outcome probabilities.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/expression.h"
#include "base/status_codes.h"
#include "definitions/gaussian_mixture.h"

class VRX_intArray;

namespace vovido {

// The variables of an element's trees, found by name once: a draw assigns the parents' values many
// times, and a walk of every tree for each would cost more than the draw. A copy starts empty (its
// pointers would be another element's); the owner clears it whenever its trees change.
class VariableSlots {
public:
    VariableSlots() = default;
    VariableSlots(const VariableSlots&) {}
    VariableSlots& operator=(const VariableSlots&) {
        Clear();
        return *this;
    }
    // Every variable of that name in the trees gets the value; visit(visitor) walks the trees once, the
    // first time a value is given, for the variables of every name: an equation of many variables, and
    // the inverses it carries for each, are not walked once a name.
    template <class VisitTrees>
    void Assign(const std::string& name, double value, VisitTrees visit) {
        if (!collected_) {
            Collector collector(slots_);
            visit(collector);
            collected_ = true;
        }
        const auto found = slots_.find(name);
        if (found == slots_.end()) return;
        for (VRX_variable* v : found->second) v->value = value;
    }
    void Clear() {
        slots_.clear();
        collected_ = false;
    }

private:
    using Slots = std::unordered_map<std::string, std::vector<VRX_variable*>>;
    class Collector : public VRX_variableVisitor {
    public:
        explicit Collector(Slots& out) : out_(out) {}
        void Visit(VRX_variable& variable) override { out_[variable.name].push_back(&variable); }

    private:
        Slots& out_;
    };
    Slots slots_;
    bool collected_ = false;
};

}  // namespace vovido

class VRX_Helement {
public:
    virtual ~VRX_Helement() = default;
    virtual std::unique_ptr<VRX_Helement> Clone() const = 0;
    virtual bool IsEquation() const { return false; }
    virtual bool IsDiscrete() const { return false; }
    // Gives every variable of that name the value.
    virtual void SetVariableValue(const std::string& name, double value) = 0;
    // Appends the names of the variables the element reads (its inverses excluded).
    virtual void GetVariables(std::vector<std::string>& names) = 0;
    // The terms of all its trees (inverses included): the work of giving it its parents' values and
    // drawing from it once.
    virtual int64_t CountTerms() const = 0;
    [[nodiscard]] virtual int GetMeanAndVariance(double& mean, double& variance);
    [[nodiscard]] virtual int Evaluate(double& value);
    [[nodiscard]] virtual int EvaluateNamed(const std::string& name, double& value);
    [[nodiscard]] virtual int Sample(double& value);
    [[nodiscard]] virtual int SampleState(int& state);
    virtual double GetDensity(double value);
    // ln GetDensity, -infinity where there is none: finite far in a tail where the density underflows.
    virtual double GetLogDensity(double value);
    virtual double GetStateProbability(int state);
    // The node's outcome edits, followed by elements that hold data per outcome.
    virtual void OutcomeInserted(int /*index*/) {}
    virtual void OutcomeRemoved(int /*index*/) {}
    virtual void OutcomesReordered(const VRX_intArray& /*order*/) {}
};

class VRX_equationElement : public VRX_Helement {
public:
    // Parsed and folded; text that does not parse leaves no main expression (Evaluate then fails).
    explicit VRX_equationElement(const std::string& text);
    std::unique_ptr<VRX_Helement> Clone() const override;
    bool IsEquation() const override { return true; }
    void SetVariableValue(const std::string& name, double value) override;
    int64_t CountTerms() const override;
    void GetVariables(std::vector<std::string>& names) override;
    [[nodiscard]] int Evaluate(double& value) override;
    // kOutOfRange when no entry has exactly that name.
    [[nodiscard]] int EvaluateNamed(const std::string& name, double& value) override;

    [[nodiscard]] int FindNamedExpression(const std::string& name, VRX_expression*& out) const;
    // Replaces the entry of that name by the parsed text; kOutOfRange (nothing stored) for text that does not
    // parse.
    [[nodiscard]] int SetNamedExpression(const std::string& name, const std::string& text);
    const std::string& GetText() const { return equationText; }
    bool HasExpression() const { return mainExpression != nullptr; }
    // Null when the text did not parse.
    const VRX_expression* GetMainExpression() const { return mainExpression.get(); }

private:
    int evaluated = 0;
    std::string equationText;
    vovido::ExpressionSlot mainExpression;
    std::map<std::string, vovido::ExpressionSlot> namedExpressions;
    vovido::VariableSlots slots_;
};

class VRX_distributionElement : public VRX_Helement {
public:
    // Keeps a copy of the call.
    explicit VRX_distributionElement(const VRX_expression& distribution);
    std::unique_ptr<VRX_Helement> Clone() const override;
    void SetVariableValue(const std::string& name, double value) override;
    int64_t CountTerms() const override;
    void GetVariables(std::vector<std::string>& names) override;
    [[nodiscard]] int GetMeanAndVariance(double& mean, double& variance) override;
    [[nodiscard]] int Sample(double& value) override;
    // Of the call times its sign, shifted by terms added to it: 0 outside the distribution's support.
    double GetDensity(double value) override;
    double GetLogDensity(double value) override;
    // True for a call alone or one added to terms without a call, whose density GetDensity gives.
    bool HasDensity() const;
    // The call whose density GetDensity gives, and the value of that call (unsigned) the value
    // stands for; false without such a call.
    bool LocateInCall(double value, const VRX_expression*& call, double& at);
    // The mean of the value where GetDensity gives its density: the call's, shifted by the terms added to
    // it; false without such a call or where the mean is undefined.
    bool GetShiftedMean(double& mean);
    const VRX_expression& GetExpression() const { return *distributionExpression; }

    GaussianMixture mixture;

private:
    vovido::ExpressionSlot distributionExpression;
    vovido::VariableSlots slots_;
};

// The outcome probabilities of a discrete node: weight expressions (in the continuous parents'
// identifiers) per outcome; negative or undefined weights count as 0, and weights that are all 0 give
// equal probabilities.
class VRX_discreteElement : public VRX_Helement {
public:
    // count outcomes of weight 1.
    explicit VRX_discreteElement(int count);
    std::unique_ptr<VRX_Helement> Clone() const override;
    bool IsDiscrete() const override { return true; }
    void SetVariableValue(const std::string& name, double value) override;
    int64_t CountTerms() const override;
    void GetVariables(std::vector<std::string>& names) override;
    [[nodiscard]] int SampleState(int& state) override;
    double GetStateProbability(int state) override;
    void OutcomeInserted(int index) override;
    void OutcomeRemoved(int index) override;
    void OutcomesReordered(const VRX_intArray& order) override;

    // One text per outcome: kOutOfRange for another count or text that does not parse (nothing changes).
    [[nodiscard]] int SetWeights(const std::vector<std::string>& texts);
    int GetOutcomeCount() const { return static_cast<int>(weights_.size()); }

    // Evaluations since the last ClearStrayWeights that gave some weight outside [0, 1] (one below 0,
    // or undefined, is taken as 0; the weights are scaled to sum 1), and the first of them: the outcome,
    // its weight and the variables' values ("x = 1.3").
    long long GetStrayCount() const { return strayCount_; }
    int GetStrayOutcome() const { return strayOutcome_; }
    double GetStrayWeight() const { return strayWeight_; }
    const std::string& GetStrayValues() const { return strayValues_; }
    void ClearStrayWeights() { strayCount_ = 0; }
    // Back to an earlier count (the first instance is found again when it is 0).
    void RestoreStrayCount(long long count) { strayCount_ = count; }

private:
    // Evaluates the weights into probabilities_ once after the parents' values changed.
    void Refresh();

    std::vector<vovido::ExpressionSlot> weights_;
    vovido::VariableSlots slots_;
    std::vector<double> probabilities_;
    bool fresh_ = false;
    long long strayCount_ = 0;
    int strayOutcome_ = -1;
    double strayWeight_ = 0.0;
    std::string strayValues_;
};
