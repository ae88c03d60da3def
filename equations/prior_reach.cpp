// Evidence beyond the reach of the model's own draws: a sampler explains it by whichever term its draws
// put far in a tail (a Lognormal noise where the parent was as likely to be large), and the weights look
// healthy all the same. The prior of each observed node is drawn to tell such evidence.
#include <algorithm>
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

void HybridSampleNet::WarnOfEvidenceInFarTails() {
    // Messages in closed form give the posterior itself, and a chain says where it started: nothing
    // rests on a tail unsaid.
    if ((linearGaussian && (runFlags & 1)) || chainRan_) return;
    struct Reach {
        SampleNode* node;
        double evidence;
        long long below = 0, above = 0;  // draws at or below the evidence, at or above it
    };
    std::vector<SampleNode*> candidates;
    for (SampleNode* node : ExplainedEvidence()) {
        if (node->IsContinuous()) candidates.push_back(node);
    }
    if (candidates.empty()) return;
    const std::vector<SampleNode*> order = vovido::ParentsFirst(sampleNodes);
    // Evidence whose prior is Gaussian, every family above it linear-Gaussian up to the observed nodes,
    // has no tail of another term to rest on: the weights of its draws say what there is to say. Nodes of
    // very many cells are not probed.
    constexpr size_t kMostProbedCells = 4096;
    const std::vector<char> above = vovido::AncestorsOf(candidates, sampleNodes.size());
    std::vector<char> gaussian(sampleNodes.size(), 0);
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
    std::vector<Reach> observed;
    for (SampleNode* node : candidates) {
        if (!gaussian[static_cast<size_t>(node->handle)]) observed.push_back({node, node->GetValue()});
    }
    if (observed.empty()) return;
    std::vector<double> kept;
    for (SampleNode* node : order) kept.push_back(node->GetValue());
    // Evidence past the 0.99 quantile of its prior, on either side, is told by 10,000 draws (fewer where
    // a draw is costly): past it the samplers' answers drift from the posterior by a sizeable share of its
    // spread while their weights look healthy. Evidence within reach ends the draws after a few hundred.
    constexpr double kTailShare = 0.01;
    constexpr long long kMostDraws = 10000, kFewestDraws = 1000;
    const long long draws = std::min(
        kMostDraws, std::max(kFewestDraws, kMaxSampleWorkTerms / 4 / std::max<long long>(drawTerms, 1)));
    const auto enough = static_cast<long long>(kTailShare * static_cast<double>(draws));
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
            open += std::min(r.below, r.above) >= enough ? 0 : 1;
        }
    }
    for (size_t i = 0; i < order.size(); ++i) order[i]->SetValue(kept[i]);
    std::vector<std::string> far;
    for (const Reach& r : observed) {
        if (std::min(r.below, r.above) < enough) far.push_back(r.node->id);
    }
    if (far.empty()) return;
    char share[160];
    std::snprintf(share, sizeof share,
                  " lies in the far tail of %s prior (fewer than %lld of %lld draws of it reach it)",
                  far.size() > 1 ? "their" : "its", enough, draws);
    const std::string text =
        "Warning: the evidence on " + vovido::NodeNames(far) + share +
        ": the beliefs rest on the tail of the term the draws explain it by, and other explanations may be "
        "missed.";
    LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
}
