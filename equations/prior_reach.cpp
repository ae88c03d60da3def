// Evidence beyond the reach of the model's own draws: a sampler explains it by whichever term its draws
// put far in a tail (a Lognormal noise where the parent was as likely to be large), and the weights look
// healthy all the same. The prior of each observed node is drawn to tell such evidence.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/hybrid_definition.h"
#include "definitions/hybrid_element.h"
#include "equations/hybrid_sampling_network.h"
#include "equations/linear_gaussian.h"

using SampleNode = VRX_hybridSampleNode;

namespace {

// One draw of the node from its element, evidence aside; false when it fails.
bool DrawIgnoringEvidence(SampleNode& node) {
    VRX_Helement* element = node.TakeElement();
    if (element == nullptr) return false;
    if (!node.IsContinuous()) {
        int state = 0;
        if (element->SampleState(state) != kSuccess) return false;
        node.SetValue(state);
        return true;
    }
    double value = 0.0;
    if ((element->IsEquation() ? element->Evaluate(value) : element->Sample(value)) != kSuccess) return false;
    node.SetValue(value);
    return true;
}

}  // namespace

std::vector<SampleNode*> HybridSampleNet::ExplainedEvidence() const {
    std::vector<SampleNode*> out;
    for (const auto& node : sampleNodes) {
        if (node && node->IsObserved() && !node->internal && origin_[static_cast<size_t>(node->handle)] < 0 &&
            node->HasFreeParentOtherThan(nullptr))
            out.push_back(node.get());
    }
    return out;
}

std::vector<SampleNode*> vovido::ParentsFirst(const std::vector<std::unique_ptr<SampleNode>>& nodes) {
    std::vector<std::vector<SampleNode*>> children(nodes.size());
    std::vector<size_t> pending(nodes.size(), 0);
    std::vector<SampleNode*> order;
    for (const auto& node : nodes) {
        if (!node) continue;
        for (SampleNode* p : node->parents) children[static_cast<size_t>(p->handle)].push_back(node.get());
        pending[static_cast<size_t>(node->handle)] = node->parents.size();
        if (node->parents.empty()) order.push_back(node.get());
    }
    for (size_t next = 0; next < order.size(); ++next) {
        for (SampleNode* child : children[static_cast<size_t>(order[next]->handle)]) {
            if (--pending[static_cast<size_t>(child->handle)] == 0) order.push_back(child);
        }
    }
    return order;
}

std::vector<char> vovido::AncestorsOf(const std::vector<SampleNode*>& nodes, size_t slots) {
    std::vector<char> above(slots, 0);
    std::vector<const SampleNode*> stack(nodes.begin(), nodes.end());
    while (!stack.empty()) {
        const SampleNode* node = stack.back();
        stack.pop_back();
        for (const SampleNode* p : node->parents) {
            if (above[static_cast<size_t>(p->handle)]) continue;
            above[static_cast<size_t>(p->handle)] = 1;
            stack.push_back(p);
        }
    }
    return above;
}

std::string vovido::NodeNames(const std::vector<std::string>& ids) {
    constexpr size_t kNamed = 3;
    std::string out = ids.size() > 1 ? "nodes " : "node ";
    for (size_t i = 0; i < ids.size() && i < kNamed; ++i) out += (i > 0 ? ", " : "") + ids[i];
    if (ids.size() > kNamed) out += " and " + std::to_string(ids.size() - kNamed) + " more";
    return out;
}

namespace {

// An observed node's evidence against the draws of its prior.
struct Reach {
    SampleNode* node;
    double evidence;
    // A Gaussian prior, whose reach follows from its moments: its draws are summed, not counted.
    bool gaussian;
    long long below = 0, above = 0;  // draws at or below the evidence, at or above it
    long long drawn = 0;
    double sum = 0.0, squares = 0.0;
};

// By handle: the nodes whose prior is Gaussian, every family above them linear-Gaussian up to the
// observed nodes. Nodes of very many cells are not probed.
std::vector<char> GaussianFamilies(const HybridNetworkView& view, const std::vector<SampleNode*>& order,
                                   const std::vector<SampleNode*>& candidates, size_t slots) {
    constexpr size_t kMostProbedCells = 4096;
    const std::vector<char> above = vovido::AncestorsOf(candidates, slots);
    std::vector<char> gaussian(slots, 0);
    std::vector<std::string> ids;
    for (SampleNode* node : order) {
        const size_t h = static_cast<size_t>(node->handle);
        const vovido::ElementTable* table = view.GetElementTable(node->handle);
        if ((!above[h] && !node->IsObserved()) || table == nullptr || table->cells.size() > kMostProbedCells)
            continue;
        bool all = true;
        for (const SampleNode* p : node->parents)
            all = all && (p->IsObserved() || gaussian[static_cast<size_t>(p->handle)]) &&
                  (node->IsContinuous() || !p->IsContinuous());
        ids.clear();
        for (size_t j = static_cast<size_t>(node->discreteParentCount); j < node->parents.size(); ++j)
            ids.push_back(node->parents[j]->id);
        for (size_t i = 0; node->IsContinuous() && all && i < table->cells.size(); ++i)
            all = table->cells[i] != nullptr && vovido::GaussianInParents(*table->cells[i], ids);
        gaussian[h] = all ? 1 : 0;
    }
    return gaussian;
}

// Draws the model, evidence aside, until each evidence has `enough` draws on either side (a Gaussian one,
// kMomentDraws in all) or `draws` are spent; the values are left as they were.
void ProbeReach(const std::vector<SampleNode*>& order, std::vector<Reach>& observed, long long draws,
                long long enough) {
    constexpr long long kMomentDraws = 1000;
    std::vector<double> kept;
    for (SampleNode* node : order) kept.push_back(node->GetValue());
    size_t open = observed.size();
    for (long long draw = 0; draw < draws && open > 0; ++draw) {
        bool drawn = true;
        for (SampleNode* node : order) drawn = drawn && DrawIgnoringEvidence(*node);
        if (!drawn) continue;
        open = 0;
        for (Reach& r : observed) {
            const double v = r.node->GetValue();
            r.below += v <= r.evidence ? 1 : 0;
            r.above += v >= r.evidence ? 1 : 0;
            r.sum += v;
            r.squares += v * v;
            ++r.drawn;
            open += (r.gaussian ? r.drawn >= kMomentDraws : std::min(r.below, r.above) >= enough) ? 0 : 1;
        }
    }
    for (size_t i = 0; i < order.size(); ++i) order[i]->SetValue(kept[i]);
}

// Of `samples` draws of the Gaussian prior, how many lie beyond its evidence.
double DrawsBeyond(const Reach& r, double samples) {
    if (r.drawn == 0) return samples;
    const double mean = r.sum / static_cast<double>(r.drawn);
    const double variance = r.squares / static_cast<double>(r.drawn) - mean * mean;
    if (!(variance > 0.0)) return r.evidence == mean ? samples : 0.0;
    return samples * 0.5 * std::erfc(std::fabs(r.evidence - mean) / std::sqrt(2.0 * variance));
}

}  // namespace

void HybridSampleNet::WarnOfEvidenceInFarTails() {
    // Messages in closed form give the posterior itself, and a chain says where it started: nothing
    // rests on a tail unsaid.
    if ((linearGaussian && (runFlags & 1)) || chainRan_) return;
    std::vector<SampleNode*> candidates;
    for (SampleNode* node : ExplainedEvidence()) {
        if (node->IsContinuous()) candidates.push_back(node);
    }
    if (candidates.empty()) return;
    const std::vector<SampleNode*> order = vovido::ParentsFirst(sampleNodes);
    const std::vector<char> gaussian = GaussianFamilies(view, order, candidates, sampleNodes.size());
    // Gaussian evidence has no tail of another term to rest on: message passing answers it (in closed
    // form through linear families). A sampler without messages falls short of it where its draws never
    // reach it, though their weights may look healthy; where they said they were few, that is said.
    const bool unreached = !(runFlags & 1) && !weightsWarned_;
    std::vector<Reach> observed;
    for (SampleNode* node : candidates) {
        const bool g = gaussian[static_cast<size_t>(node->handle)] != 0;
        if (!g || unreached) observed.push_back({node, node->GetValue(), g});
    }
    if (observed.empty()) return;
    // Evidence past the 0.99 quantile of its prior, on either side, is told by 10,000 draws (fewer where
    // a draw is costly): past it the samplers' answers drift from the posterior by a sizeable share of its
    // spread while their weights look healthy. Evidence within reach ends the draws after a few hundred.
    constexpr double kTailShare = 0.01;
    constexpr long long kMostDraws = 10000, kFewestDraws = 1000;
    const long long draws = std::min(
        kMostDraws, std::max(kFewestDraws, kMaxSampleWorkTerms / 4 / std::max<long long>(drawTerms, 1)));
    const auto enough = static_cast<long long>(kTailShare * static_cast<double>(draws));
    ProbeReach(order, observed, draws, enough);
    // Gaussian evidence that fewer than this many of the run's draws would pass.
    constexpr double kFewestBeyond = 10.0;
    const double samples = std::max(view.GetNumberOfSamples(), 0);
    std::vector<std::string> far, beyond;
    for (const Reach& r : observed) {
        if (!r.gaussian && std::min(r.below, r.above) < enough) far.push_back(r.node->id);
        if (r.gaussian && DrawsBeyond(r, samples) < kFewestBeyond) beyond.push_back(r.node->id);
    }
    char share[160];
    if (!far.empty()) {
        std::snprintf(share, sizeof share,
                      " lies in the far tail of %s prior (fewer than %lld of %lld draws of it reach it)",
                      far.size() > 1 ? "their" : "its", enough, draws);
        const std::string text =
            "Warning: the evidence on " + vovido::NodeNames(far) + share +
            ": the beliefs rest on the tail of the term the draws explain it by, and other explanations may "
            "be missed.";
        LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
    }
    if (!beyond.empty()) {
        std::snprintf(share, sizeof share,
                      " lies beyond the reach of the sampler's %.0f draws (fewer than %.0f", samples,
                      kFewestBeyond);
        const std::string text = "Warning: the evidence on " + vovido::NodeNames(beyond) + share +
                                 " of them would pass it): the beliefs rest on the draws nearest it and fall "
                                 "short of the posterior; message passing (algorithm 13 or 15) answers it.";
        LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
    }
}
