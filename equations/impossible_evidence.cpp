// What the evidence allows: the solutions of an observed equation within a parent's support, the
// observations whose weight every draw shares, and the cause of evidence no draw fits.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "definitions/hybrid_element.h"
#include "equations/hybrid_sampling_network.h"
#include "model/node_label.h"

using SampleNode = VRX_hybridSampleNode;

int vovido::ScanCrossings(const std::function<bool(double, double&)>& f, double v, double lower, double upper,
                          int points, int most, std::vector<double>* roots) {
    // Sign changes of f less v on a grid fine near 0 and reaching a wide range.
    const double from = std::asinh(lower), to = std::asinh(upper);
    int count = 0;
    double previous = std::nan(""), before = 0.0;
    for (int i = 0; i <= points && count < most; ++i) {
        const double x = std::min(std::max(std::sinh(from + (to - from) * i / points), lower), upper);
        double y = 0.0;
        if (!f(x, y) || !std::isfinite(y)) {
            previous = std::nan("");
            continue;
        }
        const double d = y - v;
        const bool crossed = !std::isnan(previous) && previous != 0.0 && (previous < 0.0) != (d < 0.0);
        if (d == 0.0 || crossed) {
            ++count;
            if (roots != nullptr)
                roots->push_back(d == 0.0 ? x : before + (x - before) * previous / (previous - d));
        }
        previous = d;
        before = x;
    }
    return count;
}

int vovido::ScanCrossings(VRX_Helement& element, const std::string& name, double v, double lower,
                          double upper, int points, int most, std::vector<double>* roots) {
    return ScanCrossings(
        [&](double x, double& y) {
            element.SetVariableValue(name, x);
            return element.Evaluate(y) == kSuccess;
        },
        v, lower, upper, points, most, roots);
}

void HybridSampleNet::SupportOf(const SampleNode& node, double& lower, double& upper) {
    const auto& continuous = static_cast<const VRX_continuousSampleNode&>(node);
    lower = continuous.lowerBound;
    upper = continuous.upperBound;
    if (rootSupport_.empty()) FindRootSupports();
    const auto& support = rootSupport_[static_cast<size_t>(node.handle)];
    if (!std::isnan(support.first)) {
        lower = std::max(lower, support.first);
        upper = std::min(upper, support.second);
    }
}

int HybridSampleNet::CountSolutionsInSupport(SampleNode& node, SampleNode& parent) {
    for (const SampleNode* p : node.parents) {
        if (p != &parent && !p->IsObserved()) return -1;
    }
    if (!parent.IsContinuous()) return -1;
    double lower = 0.0, upper = 0.0;
    SupportOf(parent, lower, upper);
    VRX_Helement* element = node.TakeElement();
    if (element == nullptr || !(lower < upper)) return -1;
    const double v = node.GetValue();
    constexpr int kPoints = 4000;
    int roots = vovido::ScanCrossings(*element, parent.id, v, lower, upper, kPoints, 2, nullptr);
    if (roots == 1) {
        // The inverse must give that solution, not one outside the support.
        double at = 0.0;
        if (!(vovido::InvertElement(*element, node.id, v, parent.id, at, true) > 0.0) || !(at >= lower) ||
            !(at <= upper))
            roots = -1;
    }
    element->SetVariableValue(parent.id, parent.GetValue());
    return roots;
}

std::string HybridSampleNet::RefusalName(const SampleNode& node) {
    return node.internal ? "the distribution in the equation of [" + node.ownerId + "]" : "[" + node.id + "]";
}

std::string HybridSampleNet::OutsideRangeText(const SampleNode& node) {
    const std::string bounds =
        node.IsContinuous() ? static_cast<const VRX_continuousSampleNode&>(node).BoundsText() : "";
    return "it puts " + RefusalName(node) + " outside its range" +
           (bounds.empty() ? "." : ", the bounds set on it, " + bounds + ".");
}

void HybridSampleNet::ExplainImpossibleEvidence() {
    if (!refusal_.empty() || order_.size() != static_cast<size_t>(nodeCount)) return;
    // Where the draws' weights fall to 0, by node and cause; one draw of weight ends the search.
    constexpr int kDraws = 2000;
    std::vector<int> counts(sampleNodes.size() * 5, 0);
    for (int i = 0; i < kDraws; ++i) {
        zeroNode_ = nullptr;
        zeroCause_ = ZeroCause::kNone;
        double offset = 0.0;
        if (DrawSample(false, offset) > 0.0) return;
        if (zeroNode_ != nullptr)
            ++counts[static_cast<size_t>(zeroNode_->handle) * 5 + static_cast<size_t>(zeroCause_)];
    }
    const size_t worst = static_cast<size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
    if (counts[worst] == 0) return;
    const SampleNode& node = *GetSampleNode(static_cast<int>(worst / 5));
    const auto cause = static_cast<ZeroCause>(worst % 5);
    // An equation whose every value overflows (Exp(1000)) is the cause, whatever the evidence.
    if (cause == ZeroCause::kDrawFailed && node.IsContinuous() && node.IsDeterministic() && !node.internal &&
        std::isinf(node.GetValue())) {
        Refuse("ERROR: Node [" + node.id + "] : " + vovido::kInfiniteValueText);
        return;
    }
    const std::string& origin = EvidenceOrigin(node);
    const SampleNode* inverted =
        (node.nodeFlags & SampleNodeFlags::kInverts) ? GetSampleNode(node.invertedParent) : nullptr;
    const std::string target = RefusalName(inverted != nullptr ? *inverted : node);
    std::string why;
    switch (cause) {
        case ZeroCause::kNoInverse:
            why = "no inverse through " + target + " gives it.";
            break;
        case ZeroCause::kOutsideRange:
            why = OutsideRangeText(inverted != nullptr ? *inverted : node);
            break;
        case ZeroCause::kOutsideSupport:
            if (!node.IsContinuous())
                why = "[" + node.id + "] has probability 0 under every draw of its parents.";
            else
                why = origin == node.id ? "it lies outside the support of [" + node.id + "] under every draw."
                                        : "it puts " + RefusalName(node) + " outside its support.";
            break;
        default:
            why = "no draw of " + RefusalName(node) + " within its range fits it.";
            break;
    }
    Refuse("The evidence on [" + origin + "] is impossible: " + why);
}

bool HybridSampleNet::FindConstantFactors() {
    constantFactor_.assign(sampleNodes.size(), 0);
    for (SampleNode* node : order_) {
        if (!node->IsObserved() || node->IsDeterministic() || (node->nodeFlags & SampleNodeFlags::kInverts) ||
            node->HasFreeParentOtherThan(nullptr))
            continue;
        if (!(node->LogEvidenceWeight() > -std::numeric_limits<double>::infinity())) {
            const std::string& origin = EvidenceOrigin(*node);
            const std::string named = RefusalName(*node);
            Refuse("The evidence on [" + origin + "] is impossible: " +
                   (!node->IsContinuous() ? named + " has probability 0 under every draw of its parents."
                    : origin == node->id  ? "it lies outside the support of " + named + " under every draw."
                                          : "it puts " + named + " outside its support."));
            return false;
        }
        constantFactor_[static_cast<size_t>(node->handle)] = 1;
    }
    return true;
}
