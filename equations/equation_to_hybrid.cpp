// Conversion of an equation network to a hybrid network for evidence on nodes with parents.
#include "equations/equation_to_hybrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/expression.h"
#include "base/number_text.h"
#include "base/parsed_equation.h"
#include "base/status_codes.h"
#include "definitions/continuous_values.h"
#include "definitions/equation.h"
#include "definitions/hybrid_definition.h"
#include "equations/hybrid_sampling_network.h"
#include "equations/implicit_equations.h"
#include "equations/sample_memory.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/node_label.h"

using vovido::ExpressionSlot;
using vovido::kDistributionKind;
using vovido::kVariableKind;

namespace {

VRX_defHybrid& HybridOf(VRX_network& net, int h) {
    return *static_cast<VRX_defHybrid*>(net.GetNode(h)->GetDefinition());
}

int SetOnlyElement(VRX_network& net, int h, std::unique_ptr<VRX_Helement> element, double lower,
                   double upper) {
    // The range frames the node's values: the solver never cuts one off at it.
    if (VRX_nodeInfo* info = net.GetNode(h)->GetInfo()) {
        if (const int rc = info->userProperties.AddProperty(kOpenRangeProperty, "")) return rc;
    }
    VRX_intArray zero;
    if (const int rc = zero.Add(0)) return rc;
    VRX_defHybrid& definition = HybridOf(net, h);
    if (const int rc = definition.SetElement(zero, std::move(element))) return rc;
    if (const int rc = definition.SetLowerBound(lower)) return rc;
    return definition.SetUpperBound(upper);
}

int Fail(const std::string& id, int code) {
    return LogError(errorLog, code, ("Conversion to HBN failed for node " + id).c_str(), nullptr);
}

}  // namespace

void NoiseTermRange(const VRX_expression& call, double& lower, double& upper) {
    lower = -1e6;
    upper = 1e6;
    const auto* distribution = dynamic_cast<const VRX_distribution*>(&call);
    if (distribution == nullptr) return;
    std::unique_ptr<VRX_expression> copy = call.Clone();
    std::vector<std::string> names;
    GetVariables(*copy, names);
    if (!names.empty()) return;
    double mean = 0.0, variance = 0.0;
    distribution->GetMoments(mean, variance);
    if (!std::isfinite(mean) || !std::isfinite(variance) || mean == kUndefinedValue ||
        variance == kUndefinedValue)
        return;
    mean *= call.sign;
    const double spread = 12.0 * std::sqrt(std::max(variance, 0.0)) + 1e-9;
    lower = mean - spread;
    upper = mean + spread;
}

void MakeAuxiliaryName(std::string& name, int& counter, const VRX_network& source) {
    do {
        name.clear();
        ++counter;
        for (int n = counter; n > 0; n /= 16) name += static_cast<char>('a' + n % 16);
    } while (source.IsIdInUse(name.c_str(), -1));
}

int CreateDistributionNode(VRX_network& hybrid, const std::string& id, const VRX_expression& call,
                           double lower, double upper) {
    const int h = hybrid.AddNode(DefinitionType::kDistribution, id.c_str());
    if (h < 0) return h;
    // The arguments' variables are the node's parents: their values enter the call.
    std::unique_ptr<VRX_expression> copy = call.Clone();
    std::vector<std::string> names;
    GetVariables(*copy, names);
    for (const std::string& name : names) {
        const int parent = hybrid.FindNode(name.c_str());
        if (parent < 0) return kOutOfRange;
        if (const int rc = hybrid.AddArc(parent, h)) return rc;
    }
    return SetOnlyElement(hybrid, h, std::make_unique<VRX_distributionElement>(call), lower, upper) ==
                   kSuccess
               ? h
               : kOutOfRange;
}

int ConvertEquationNode(VRX_network& hybrid, const std::string& id, const VRX_expression& right,
                        const VRX_network& source, int& counter, double lower, double upper) {
    ExpressionSlot clone = right.Clone();
    std::vector<ExpressionSlot*> places;
    clone->CollectDistributions(&clone, places);
    std::vector<int> auxiliaries;
    for (ExpressionSlot* place : places) {
        std::string name;
        MakeAuxiliaryName(name, counter, source);
        const int sign = (*place)->sign;
        (*place)->sign = 1;
        double low = 0.0, high = 0.0;
        NoiseTermRange(**place, low, high);
        const int h = CreateDistributionNode(hybrid, name, **place, low, high);
        if (h < 0) return h;
        if (VRX_nodeInfo* info = hybrid.GetNode(h)->GetInfo()) {
            if (const int rc = info->userProperties.AddProperty(kInternalNodeProperty, id.c_str())) return rc;
        }
        auxiliaries.push_back(h);
        auto variable = std::make_unique<VRX_variable>(name);
        variable->sign = sign;
        *place = std::move(variable);
    }
    const int h = hybrid.AddNode(DefinitionType::kHEquation, id.c_str());
    if (h < 0) return h;
    for (int a : auxiliaries) {
        if (const int rc = hybrid.AddArc(a, h)) return rc;
    }
    std::string text;
    ExpressionToText(*clone, text);
    auto element = std::make_unique<VRX_equationElement>(text);
    if (!element->HasExpression()) return kOutOfRange;
    // The inverse for every variable that can be solved for; the sampler inverts one of them.
    std::vector<std::string> names;
    GetVariables(*clone, names);
    for (const std::string& name : names) {
        std::string inverse;
        if (name != id && vovido::SolveElementFor(id, text, name, inverse) == kSuccess)
            (void)element->SetNamedExpression(name, inverse);  // solved text: parses
        // The nodes the equation reads are its parents before it takes the element.
        const int parent = hybrid.FindNode(name.c_str());
        if (parent >= 0 && parent != h && hybrid.AreAdjacent(parent, h) == 0) {
            if (const int rc = hybrid.AddArc(parent, h)) return rc;
        }
    }
    const int rc = SetOnlyElement(hybrid, h, std::move(element), lower, upper);
    return rc == kSuccess ? h : rc;
}

// Each node becomes an element holding its equation and the equation solved for each of its variables,
// all of which every draw gives its parents' values: a run whose draws would pass the limit is refused
// before any of them is built.
namespace {

int CheckConvertedWork(const VRX_network& source) {
    int64_t terms = 0, heaviestTerms = 0;
    int heaviest = -1;
    std::vector<std::string> names;
    for (int h = source.GetFirstNode(); h >= 0; h = source.GetNextNode(h)) {
        const auto* equation = dynamic_cast<const VRX_equation*>(source.GetNode(h)->GetDefinition());
        if (equation == nullptr || !equation->GetEquation().right) continue;
        names.clear();
        equation->GetEquation().GetVariables(names);
        const int64_t nodeTerms =
            static_cast<int64_t>(names.size() + 1) * TermWork(CountTerms(*equation->GetEquation().right));
        terms += nodeTerms;
        if (nodeTerms > heaviestTerms) {
            heaviestTerms = nodeTerms;
            heaviest = h;
        }
    }
    return CheckSampleWork(terms, source.numSamples, heaviest >= 0 ? vovido::NodeLabel(source, heaviest) : "",
                           heaviestTerms);
}

}  // namespace

namespace {

// The right side the node's value follows from: its equation's, solved for the node where it is not
// isolated; null, with the cause logged, where there is none.
int RightSideOf(const VRX_equation& equation, const std::string& id, int s,
                vovido::ImplicitEquations& implicit, ParsedEquation& copy) {
    copy = equation.GetEquation();
    const bool direct = copy.left && copy.right && copy.left->GetType() == kVariableKind &&
                        copy.left->sign == 1 && static_cast<VRX_variable&>(*copy.left).name == id &&
                        CountVariable(*copy.right, id) == 0;
    // An equation the node's variable cannot be isolated in is solved as the update without evidence
    // solves it where its value follows from constants alone, else in closed form where it is linear in
    // the node.
    if (!direct && SolveEquationFor(copy, id) != kSuccess) {
        ExpressionSlot solved;
        int rc = implicit.ConstantRightSide(s, solved);
        if (rc > 0) rc = vovido::ImplicitEquations::LinearRightSide(equation.GetEquation(), id, solved);
        if (rc < 0) return rc;
        if (rc > 0) {
            LogError(errorLog, kOutOfRange,
                     ("Unable to solve the equation of node [" + id +
                      "] for the node: no rule isolates it, it is not linear in it, and its value rests on "
                      "draws or on evidence.")
                         .c_str(),
                     nullptr);
            return Fail(id, kOutOfRange);
        }
        copy.right = std::move(solved);
    }
    return copy.right ? kSuccess : Fail(id, kOutOfRange);
}

// Every node of the source as a node of the hybrid network, in topological order, with its arcs; map
// takes each source handle to its hybrid one. 0 or the failing code.
int ConvertNodes(VRX_network& source, const VRX_intArray& order, VRX_network& hybrid, std::vector<int>& map) {
    int counter = 1;
    vovido::ImplicitEquations implicit(source);
    for (int i = 0; i < order.GetCount(); ++i) {
        const int s = order[i];
        const std::string id = vovido::NodeIdOf(&source, s) != nullptr ? vovido::NodeIdOf(&source, s) : "";
        auto* equation = dynamic_cast<VRX_equation*>(source.GetNode(s)->GetDefinition());
        if (equation == nullptr || source.GetNodeType(s) != DefinitionType::kEquation)
            return Fail(id, kOutOfRange);
        ParsedEquation copy;
        if (const int rc = RightSideOf(*equation, id, s, implicit, copy)) return rc;
        // An equation's range is where its values are shown and discretised: the solver never cuts a
        // value off at it, so the hybrid range holds the range and all the mass of the node's values.
        double lower = -1e6, upper = 1e6;
        if (copy.right->GetType() == kDistributionKind) NoiseTermRange(*copy.right, lower, upper);
        lower = std::min(lower, equation->GetLowerBound());
        upper = std::max(upper, equation->GetUpperBound());
        const int h = copy.right->GetType() == kDistributionKind
                          ? CreateDistributionNode(hybrid, id, *copy.right, lower, upper)
                          : ConvertEquationNode(hybrid, id, *copy.right, source, counter, lower, upper);
        if (h < 0) return Fail(id, h);
        map[static_cast<size_t>(s)] = h;
        const VRX_intArray& parents = source.GetParents(s);
        for (int k = 0; k < parents.GetCount(); ++k) {
            const int p = map[static_cast<size_t>(parents[k])];
            if (p < 0 || (hybrid.AreAdjacent(p, h) == 0 && hybrid.AddArc(p, h) != kSuccess))
                return Fail(id, kOutOfRange);
        }
    }
    return kSuccess;
}

int CopyEvidence(VRX_network& source, const VRX_intArray& order, VRX_network& hybrid,
                 const std::vector<int>& map) {
    for (int i = 0; i < order.GetCount(); ++i) {
        VRX_nodeValue* value = source.GetNode(order[i])->GetValue();
        double evidence = 0.0;
        if (!value->HasEvidence() || value->GetContEvidence(evidence) != kSuccess) continue;
        if (const int rc =
                hybrid.GetNode(map[static_cast<size_t>(order[i])])->GetValue()->SetContEvidence(evidence))
            return rc;
    }
    return kSuccess;
}

void CopyBeliefs(VRX_network& source, VRX_network& hybrid, const std::vector<int>& map) {
    for (int s = source.GetFirstNode(); s >= 0; s = source.GetNextNode(s)) {
        auto* value = dynamic_cast<VRX_valEqEvaluation*>(source.GetNode(s)->GetValue());
        if (value == nullptr) continue;
        double observed = 0.0;
        if (value->HasEvidence()) {
            // An observed node shows its observation, as an observed root does.
            if (value->GetContEvidence(observed) == kSuccess) value->SetSolvedValue(observed);
            continue;
        }
        auto* result =
            dynamic_cast<VRX_valcontinuous*>(hybrid.GetNode(map[static_cast<size_t>(s)])->GetValue());
        if (result == nullptr) continue;
        double fixed = 0.0;
        if (result->HasFlag(ValueFlags::kPropagatedEvidence) && result->GetContEvidence(fixed) == kSuccess) {
            value->SetSolvedValue(fixed);                   // the value shown, deviation 0
            (void)value->SetPropagatedContEvidence(fixed);  // always 0
        } else {
            value->SetWeightedSamples(result->samples);
        }
    }
}

}  // namespace

int RunHybridConversion(VRX_network& source) {
    if (const int rc = CheckConvertedWork(source)) return rc;
    VRX_network hybrid;
    std::vector<int> map(static_cast<size_t>(source.GetNumberOfSlots()), -1);
    const VRX_intArray order = source.GetTopologicalOrder();
    int rc = ConvertNodes(source, order, hybrid, map);
    if (rc == kSuccess) rc = CopyEvidence(source, order, hybrid, map);
    if (rc == kSuccess) {
        // The run takes the network's own settings.
        hybrid.SetHybridAlgorithm(source.GetHybridAlgorithm());
        hybrid.numSamples = source.numSamples;
        const int logged = errorLog.GetNumberOfEntries();
        rc = hybrid.UpdateBeliefs();
        // The run's own refusal is the cause; the conversion adds its words only where the run gave none.
        if (rc != kSuccess && errorLog.GetNumberOfEntries() == logged)
            LogError(errorLog, rc, "HBN algorithm failed.", nullptr);
    }
    if (rc != kSuccess) {
        (void)source.InvalidateValues();  // always 0
        return rc;
    }
    CopyBeliefs(source, hybrid, map);
    return kSuccess;
}
