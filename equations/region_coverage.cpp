// Whether the draws from the proposals of the message passing reached every region of a belief that a
// child's equation (or the mean of its distribution) splits into several (x*x observed near 1 holds near x =
// 1 and near x = -1): a message fitted to draws that found one of them leads every later draw there, with
// weights that look healthy.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "definitions/hybrid_element.h"
#include "equations/hybrid_message.h"
#include "equations/hybrid_sampling_network.h"

using SampleNode = VRX_hybridSampleNode;

namespace {

// A solution whose region holds this share of the belief (the node's density without the child's
// message, over the slope of the child's equation there) is one the draws must reach; they reached it
// when its draws carry at least kReachedShare of that share and are worth kFewestInRegion equally
// weighted ones (a handful of heavy draws there leave its share to chance).
constexpr double kFairShare = 0.01;
constexpr double kReachedShare = 0.1;
constexpr double kFewestInRegion = 10.0;
constexpr int kMostSolutions = 16;
constexpr double kScanDeviations = 12.0;
// Solutions this close (relative) to each other's reflection through 0 are mirrored.
constexpr double kMirrorTolerance = 1e-3;
// Within that window a grid of this many points parts solutions a hundredth of a deviation apart.
constexpr int kScanPoints = 1000;

double EstimatedValue(const SampleNode& node) {
    return node.IsObserved() || !node.IsContinuous() ? node.GetValue() : node.weightedSum;
}

// Of the solutions of the child's equation for the node, the other parents at their estimates: how many
// hold a fair share of the belief, and how many of those the node's draws reached.
// mirrored: every region missed is the reflection through 0 of one reached (x*x, Abs(x)).
void CountRegions(VRX_continuousSampleNode& node, size_t child, double lower, double upper, int& fair,
                  int& reached, bool& mirrored) {
    fair = reached = 0;
    mirrored = true;
    SampleNode& equation = *node.children[child];
    for (SampleNode* p : equation.parents) {
        if (p != &node && p->IsContinuous()) p->SetValue(EstimatedValue(*p));
    }
    for (SampleNode* p : node.parents) {
        if (p->IsContinuous()) p->SetValue(EstimatedValue(*p));
    }
    VRX_Helement* element = equation.TakeElement();
    VRX_Helement* own = node.TakeElement();
    if (element == nullptr || own == nullptr) return;
    // Where the child's value lies given the node's: its equation, or the mean of its distribution (a
    // noise added to x*x parts the belief as the equation with that noise as a node does).
    auto* distribution = dynamic_cast<VRX_distributionElement*>(element);
    auto location = [&](double x, double& y) {
        element->SetVariableValue(node.id, x);
        return distribution != nullptr ? distribution->GetShiftedMean(y) : element->Evaluate(y) == kSuccess;
    };
    // The scan keeps to where the node's own distribution puts it, so that its grid is fine there.
    double mean = 0.0, variance = 0.0;
    if (own->GetMeanAndVariance(mean, variance) == kSuccess && std::isfinite(mean) &&
        std::isfinite(variance) && variance > 0.0) {
        lower = std::max(lower, mean - kScanDeviations * std::sqrt(variance));
        upper = std::min(upper, mean + kScanDeviations * std::sqrt(variance));
    }
    std::vector<double> roots;
    if (!(lower < upper)) return;
    vovido::ScanCrossings(location, EstimatedValue(equation), lower, upper, kScanPoints, kMostSolutions,
                          &roots);
    if (roots.size() < 2) return;
    std::vector<double> mass(roots.size(), 0.0), share(roots.size(), 0.0), squares(roots.size(), 0.0);
    double totalMass = 0.0, totalShare = 0.0;
    for (size_t i = 0; i < roots.size(); ++i) {
        const double r = roots[i], h = 1e-6 * std::max(1.0, std::fabs(r));
        double above = 0.0, below = 0.0;
        if (!location(r + h, above) || !location(r - h, below)) continue;
        const double slope = std::max(std::fabs(above - below) / (2.0 * h), 1e-12);
        const double density = own->GetDensity(r) * node.LambdaProduct(r, static_cast<int>(child));
        if (std::isfinite(density) && density > 0.0) totalMass += mass[i] = density / slope;
    }
    for (const WeightedSample& s : node.samples) {
        const auto next = std::lower_bound(roots.begin(), roots.end(), s.value) - roots.begin();
        size_t nearest = static_cast<size_t>(std::min<std::ptrdiff_t>(next, roots.size() - 1));
        if (next > 0 &&
            (next == static_cast<std::ptrdiff_t>(roots.size()) ||
             s.value - roots[static_cast<size_t>(next) - 1] < roots[static_cast<size_t>(next)] - s.value))
            nearest = static_cast<size_t>(next) - 1;
        share[nearest] += s.weight;
        squares[nearest] += s.weight * s.weight;
        totalShare += s.weight;
    }
    if (!(totalMass > 0.0) || !(totalShare > 0.0)) return;
    std::vector<char> isReached(roots.size(), 0);
    for (size_t i = 0; i < roots.size(); ++i) {
        const double due = mass[i] / totalMass;
        if (due < kFairShare) continue;
        ++fair;
        isReached[i] = share[i] / totalShare >= kReachedShare * due &&
                       vovido::EffectiveSampleSize(share[i], squares[i]) >= kFewestInRegion;
        reached += isReached[i];
    }
    for (size_t i = 0; i < roots.size(); ++i) {
        if (isReached[i] || mass[i] / totalMass < kFairShare) continue;
        bool reflected = false;
        for (size_t j = 0; j < roots.size(); ++j)
            reflected =
                reflected || (isReached[j] && std::fabs(roots[i] + roots[j]) <=
                                                  kMirrorTolerance * std::max(1.0, std::fabs(roots[i])));
        mirrored = mirrored && reflected;
    }
}

}  // namespace

std::string vovido::SeveralSolutionsText(const SampleNode& equation, const SampleNode& parent) {
    return "the equation of node " + equation.id + " has more than one solution for " +
           (parent.internal ? "a distribution in it" : "node " + parent.id);
}

std::string HybridSampleNet::MissedRegions(bool& mirrored) {
    mirrored = true;
    std::vector<double> kept;
    for (const auto& node : sampleNodes) kept.push_back(node ? node->GetValue() : 0.0);
    // One entry: the first such node in full, the others by name.
    std::string why;
    std::vector<std::string> others;
    for (const auto& candidate : sampleNodes) {
        if (!candidate || !candidate->IsContinuous() || candidate->IsFixed() ||
            candidate->IsDeterministic() || candidate->internal || !candidate->combinedLambda ||
            candidate->combinedLambda->IsUniform())
            continue;
        auto& node = static_cast<VRX_continuousSampleNode&>(*candidate);
        double lower = 0.0, upper = 0.0;
        SupportOf(node, lower, upper);
        for (size_t c = 0; c < node.children.size(); ++c) {
            const SampleNode& child = *node.children[c];
            const VRX_hybridMessage* message = node.childMessages[c].get();
            // Only a child whose message says something splits the belief, an equation or a distribution
            // whose mean the node moves.
            if (!child.IsContinuous() || child.internal || message == nullptr || message->IsUniform())
                continue;
            int fair = 0, reached = 0;
            bool reflected = true;
            CountRegions(node, c, lower, upper, fair, reached, reflected);
            if (reached >= fair || fair < 2) continue;
            mirrored = mirrored && reflected && reached > 0;
            if (why.empty())
                why = vovido::SeveralSolutionsText(child, node) + ", and the draws of node " + node.id +
                      " reached only " + std::to_string(reached) + " of the " + std::to_string(fair) +
                      " regions of its belief with more than a handful of draws";
            else
                others.push_back(node.id);
            break;
        }
    }
    if (!others.empty()) why += ", and so for the regions of " + vovido::NodeNames(others);
    for (size_t i = 0; i < sampleNodes.size(); ++i) {
        if (sampleNodes[i]) sampleNodes[i]->SetValue(kept[i]);
    }
    return why;
}
