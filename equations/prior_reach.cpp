// Evidence beyond the reach of the model's own draws: a sampler explains it by whichever term its draws
// put far in a tail (a Lognormal noise where the parent was as likely to be large), and the weights look
// healthy all the same. The prior of each observed node is drawn to tell such evidence.
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/hybrid_element.h"
#include "equations/hybrid_sampling_network.h"

using SampleNode = VRX_hybridSampleNode;

namespace {

// The nodes, parents before children.
std::vector<SampleNode*> ParentsFirst(const std::vector<std::unique_ptr<SampleNode>>& nodes) {
    std::vector<SampleNode*> order;
    std::vector<char> placed(nodes.size(), 0);
    for (bool progress = true; progress;) {
        progress = false;
        for (const auto& node : nodes) {
            if (!node || placed[static_cast<size_t>(node->handle)]) continue;
            bool ready = true;
            for (const SampleNode* p : node->parents) ready = ready && placed[static_cast<size_t>(p->handle)];
            if (!ready) continue;
            placed[static_cast<size_t>(node->handle)] = 1;
            order.push_back(node.get());
            progress = true;
        }
    }
    return order;
}

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

std::string vovido::NodeNames(const std::vector<std::string>& ids) {
    constexpr size_t kNamed = 3;
    std::string out = ids.size() > 1 ? "nodes " : "node ";
    for (size_t i = 0; i < ids.size() && i < kNamed; ++i) out += (i > 0 ? ", " : "") + ids[i];
    if (ids.size() > kNamed) out += " and " + std::to_string(ids.size() - kNamed) + " more";
    return out;
}

void HybridSampleNet::WarnOfEvidenceBeyondPriorDraws() {
    // Messages in closed form give the posterior itself, and a chain says where it started: nothing
    // rests on a tail unsaid.
    if ((linearGaussian && (runFlags & 1)) || chainRan_) return;
    struct Reach {
        SampleNode* node;
        double evidence;
        bool below = false, above = false;
    };
    std::vector<Reach> observed;
    for (SampleNode* node : ExplainedEvidence()) {
        if (node->IsContinuous()) observed.push_back({node, node->GetValue()});
    }
    if (observed.empty()) return;
    const std::vector<SampleNode*> order = ParentsFirst(sampleNodes);
    std::vector<double> kept;
    for (SampleNode* node : order) kept.push_back(node->GetValue());
    // A thousand draws: evidence beyond them all lies past about the 0.999 quantile of its prior.
    constexpr int kDraws = 1000;
    size_t open = observed.size();
    for (int draw = 0; draw < kDraws && open > 0; ++draw) {
        bool drawn = true;
        for (SampleNode* node : order) drawn = drawn && DrawIgnoringEvidence(*node);
        if (!drawn) continue;
        open = 0;
        for (Reach& r : observed) {
            const double v = r.node->GetValue();
            r.below = r.below || v <= r.evidence;
            r.above = r.above || v >= r.evidence;
            open += r.below && r.above ? 0 : 1;
        }
    }
    for (size_t i = 0; i < order.size(); ++i) order[i]->SetValue(kept[i]);
    std::vector<std::string> beyond;
    for (const Reach& r : observed) {
        if (!r.below || !r.above) beyond.push_back(r.node->id);
    }
    if (beyond.empty()) return;
    const std::string text =
        "Warning: the evidence on " + vovido::NodeNames(beyond) + " lies beyond every one of " +
        std::to_string(kDraws) + " draws of " + (beyond.size() > 1 ? "their" : "its") +
        " prior: the beliefs rest on the tail of the term the draws explain it by, and other explanations "
        "may be missed.";
    LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
}
