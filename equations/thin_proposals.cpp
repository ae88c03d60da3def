// Proposals of the sampling after message passing that rest on messages fitted to a handful of draws: the
// sampler's weights correct a proposal only where draws of the node's own distribution reach, and
// elsewhere weights that look healthy may all sit on the one value (or the one region) the message found.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "equations/hybrid_message.h"
#include "equations/hybrid_sampling_network.h"

using SampleNode = VRX_hybridSampleNode;

std::vector<HybridSampleNet::ThinProposal> HybridSampleNet::FindThinProposals() const {
    std::vector<ThinProposal> thin;
    for (const auto& node : sampleNodes) {
        // An equation's draws come from its parents': no proposal of its own, nor own draws, to weigh.
        if (!node || !node->IsContinuous() || node->IsObserved() || node->IsDeterministic() ||
            node->internal || !node->combinedLambda || node->combinedLambda->IsUniform())
            continue;
        ThinProposal fewest{static_cast<VRX_continuousSampleNode*>(node.get()), nullptr, 0.0, 0.0, 0};
        double fewestEffective = HUGE_VAL;
        for (size_t i = 0; i < node->childMessages.size(); ++i) {
            const VRX_hybridMessage* message = node->childMessages[i].get();
            if (message == nullptr || message->IsDiscrete()) continue;
            const auto& samples = static_cast<const VRX_continuousMessage*>(message)->GetSamples();
            double sum = 0.0, squares = 0.0;
            vovido::SumWeights(samples, sum, squares);
            const int count = static_cast<int>(samples.size());
            const double effective = vovido::EffectiveSampleSize(sum, squares);
            if (!vovido::IsThinMessage(sum, squares, count) || !(effective < fewestEffective)) continue;
            fewestEffective = effective;
            fewest = {fewest.node, node->children[i], sum, squares, count};
        }
        if (fewest.sender != nullptr) thin.push_back(fewest);
    }
    return thin;
}

std::string HybridSampleNet::UncorrectedProposals(const std::vector<ThinProposal>& thin) const {
    // Draws of the node's own distribution, a fixed share of them, carry weight where they reach what the
    // evidence allows: a share of it beyond this says that they did.
    constexpr double kCorrected = 0.01;
    std::vector<std::string> names;
    const ThinProposal* fewest = nullptr;
    for (const ThinProposal& t : thin) {
        if (t.node->ownWeight > kCorrected * t.node->drawnWeight) continue;
        names.push_back(t.node->id);
        if (fewest == nullptr || vovido::EffectiveSampleSize(t.sum, t.squares) <
                                     vovido::EffectiveSampleSize(fewest->sum, fewest->squares))
            fewest = &t;
    }
    if (fewest == nullptr) return "";
    char size[96];
    std::snprintf(size, sizeof size, "an effective sample size of %.1f of %d samples",
                  vovido::EffectiveSampleSize(fewest->sum, fewest->squares), fewest->count);
    const std::string message = "message from node " + fewest->sender->id + " to node " + fewest->node->id;
    if (names.size() == 1)
        return "the draws of node " + names[0] + " came from the " + message + ", fitted to " + size +
               ", which draws of its own distribution did not correct";
    return "the draws of " + vovido::NodeNames(names) +
           " came from messages fitted to few samples (the fewest, " + size + ", in the " + message +
           "), which draws of their own distributions did not correct";
}
