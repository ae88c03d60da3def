// The parent an observed equation is solved for, told by the spread of the weights it would give.
#include "equations/inversion_choice.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "base/status_codes.h"
#include "definitions/hybrid_definition.h"
#include "definitions/hybrid_element.h"
#include "equations/distribution_support.h"
#include "equations/hybrid_sample_node.h"
#include "equations/hybrid_sampling_network.h"
#include "equations/monotonic_inverse.h"

namespace {

// The call of constant arguments that is the node's only cell, or null.
VRX_distributionElement* ConstantTerm(const VRX_hybridSampleNode& node, const HybridNetworkView& view) {
    if (node.IsDeterministic() || !node.IsContinuous()) return nullptr;
    const vovido::ElementTable* table = view.GetElementTable(node.handle);
    if (table == nullptr || table->cells.size() != 1) return nullptr;
    auto* element = dynamic_cast<VRX_distributionElement*>(table->cells[0].get());
    double lower = 0.0, upper = 0.0;
    return element != nullptr && CallSupport(element->GetExpression(), lower, upper) ? element : nullptr;
}

double NormalShare(double from, double to) {
    return 0.5 * (std::erfc(-to / std::sqrt(2.0)) - std::erfc(-from / std::sqrt(2.0)));
}

}  // namespace

namespace vovido {

double InversionSpread(VRX_hybridSampleNode& node, const VRX_hybridSampleNode& candidate,
                       const HybridNetworkView& view) {
    const double unknown = std::nan("");
    VRX_distributionElement* density = ConstantTerm(candidate, view);
    if (!node.IsObserved() || density == nullptr) return unknown;
    VRX_Helement* element = node.TakeElement();
    if (element == nullptr) return unknown;
    // The other parents at their means, with their variances.
    struct Drawn {
        const VRX_hybridSampleNode* node;
        double mean, variance;
    };
    std::vector<Drawn> drawn;
    for (size_t i = static_cast<size_t>(node.discreteParentCount); i < node.parents.size(); ++i) {
        const VRX_hybridSampleNode* p = node.parents[i];
        if (p == &candidate || p->IsObserved()) continue;
        VRX_distributionElement* term = ConstantTerm(*p, view);
        double mean = 0.0, variance = 0.0;
        if (term == nullptr || term->GetMeanAndVariance(mean, variance) != kSuccess ||
            !std::isfinite(variance) || variance < 0.0)
            return unknown;
        element->SetVariableValue(p->id, mean);
        drawn.push_back({p, mean, variance});
    }
    const double v = node.GetValue();
    double at = 0.0;
    if (!(InvertElement(*element, node.id, v, candidate.id, at, false) > 0.0) || !std::isfinite(at))
        return unknown;
    double spread = 0.0;
    for (const Drawn& d : drawn) {
        if (!(d.variance > 0.0)) continue;
        const double h = 1e-4 * std::max(1.0, std::sqrt(d.variance));
        element->SetVariableValue(d.node->id, d.mean + h);
        double moved = 0.0;
        const bool ok = InvertElement(*element, node.id, v, candidate.id, moved, false) > 0.0;
        element->SetVariableValue(d.node->id, d.mean);
        if (!ok || !std::isfinite(moved)) return unknown;
        const double slope = (moved - at) / h;
        spread += slope * slope * d.variance;
    }
    const double s = std::sqrt(spread);
    double lower = 0.0, upper = 0.0;
    (void)CallSupport(density->GetExpression(), lower, upper);
    double penalty = 0.0;
    if (std::isfinite(lower) || std::isfinite(upper)) {
        const double share = s > 0.0 ? NormalShare((lower - at) / s, (upper - at) / s)
                                     : (at >= lower && at <= upper ? 1.0 : 0.0);
        if (!(share > 0.0)) return std::numeric_limits<double>::infinity();
        penalty = -std::log(share);
    }
    // Derivatives of the log density at the inverse, inside the support.
    const double step = 1e-4 * std::max(s, 1e-6);
    const double x = std::min(std::max(at, lower + step), upper - step);
    const double f0 = density->GetLogDensity(x), fp = density->GetLogDensity(x + step),
                 fm = density->GetLogDensity(x - step);
    if (!std::isfinite(f0) || !std::isfinite(fp) || !std::isfinite(fm))
        return penalty + (s > 0.0 ? 1.0 : 0.0);
    const double d1 = (fp - fm) / (2.0 * step), d2 = (fp - 2.0 * f0 + fm) / (step * step);
    return penalty + std::fabs(d1) * s + 0.5 * std::fabs(d2) * s * s;
}

bool DrawsWholeNumbersOnly(const VRX_hybridSampleNode& node, const HybridNetworkView& view) {
    if (node.IsDeterministic() || !node.IsContinuous()) return false;
    const ElementTable* table = view.GetElementTable(node.handle);
    if (table == nullptr || table->cells.empty()) return false;
    for (const auto& cell : table->cells) {
        const auto* element = dynamic_cast<const VRX_distributionElement*>(cell.get());
        if (element == nullptr || !IsWholeNumberCall(element->GetExpression())) return false;
    }
    return true;
}

bool SolveNumerically(VRX_Helement& element, const std::string& parentId, double v, double& x) {
    // An equation monotonic in the parent step by step is undone step by step: exactly, and at the cost
    // of one evaluation.
    const auto* equation = dynamic_cast<const VRX_equationElement*>(&element);
    const VRX_expression* tree = equation != nullptr ? equation->GetMainExpression() : nullptr;
    const Undone undone = tree != nullptr ? UndoMonotonic(*tree, parentId, v, x) : Undone::kNotMonotonic;
    if (undone == Undone::kNoSolution) return false;
    if (undone == Undone::kSolved) {
        element.SetVariableValue(parentId, x);
        return true;
    }
    auto difference = [&](double at, double& out) {
        element.SetVariableValue(parentId, at);
        double value = 0.0;
        if (element.Evaluate(value) != kSuccess || !std::isfinite(value)) return false;
        out = value - v;
        return true;
    };
    // Outward from 0 in doubling steps until the difference changes sign.
    double low = 0.0, high = 0.0, gLow = 0.0, gHigh = 0.0;
    if (!difference(0.0, gLow)) return false;
    if (gLow == 0.0) {
        x = 0.0;
        return true;
    }
    bool bracketed = false;
    for (double step = 1e-3; step < 1e300 && !bracketed; step *= 2.0) {
        for (const double at : {step, -step}) {
            double g = 0.0;
            if (!difference(at, g)) continue;
            if (g == 0.0) {
                x = at;
                element.SetVariableValue(parentId, x);
                return true;
            }
            if ((g < 0.0) != (gLow < 0.0)) {
                high = at;
                gHigh = g;
                bracketed = true;
                break;
            }
        }
    }
    if (!bracketed) return false;
    for (int i = 0; i < 200; ++i) {
        const double middle = 0.5 * (low + high);
        double g = 0.0;
        if (middle == low || middle == high || !difference(middle, g)) break;
        if (g == 0.0) {
            low = high = middle;
            break;
        }
        if ((g < 0.0) == (gLow < 0.0)) {
            low = middle;
            gLow = g;
        } else {
            high = middle;
            gHigh = g;
        }
    }
    x = std::fabs(gLow) <= std::fabs(gHigh) ? low : high;
    element.SetVariableValue(parentId, x);
    return true;
}

}  // namespace vovido
