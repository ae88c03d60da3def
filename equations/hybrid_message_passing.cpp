// Loopy message passing over the hybrid sample nodes with sample-based messages: pi messages from a
// node to its children, lambda messages from a node to its parents, each estimated from weighted
// samples and fitted (continuous) or normalised (discrete).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <string>
#include <utility>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/hybrid_definition.h"
#include "equations/distribution_support.h"
#include "equations/hybrid_sampling_network.h"

using SampleNode = VRX_hybridSampleNode;

namespace {

// True when the continuous node may take the value (an inverse may lead outside its range).
bool TakesValueInRange(const SampleNode& node, double x) {
    return static_cast<const VRX_continuousSampleNode&>(node).InSupport(x);
}

// The product of the node's lambda messages at its value, where a child drawn with the node weighs it
// by its own lambda messages at the value it then takes: a message fitted to draws through a step
// would blur the step.
double LambdaWithDrawnChildren(SampleNode& node) {
    const double v = node.GetValue();
    double p = 1.0;
    for (size_t m = 0; m < node.children.size() && p > 0.0; ++m) {
        SampleNode& child = *node.children[m];
        if (node.childMessages[m]->IsUniform()) continue;
        if (!child.FollowsFrom(node)) {
            p *= vovido::ProbabilityIn(*node.childMessages[m], v);
            continue;
        }
        const double kept = child.GetValue();
        p *= child.SampleFromConditional() > 0.0 ? child.LambdaProduct(child.GetValue(), -1) : 0.0;
        child.SetValue(kept);
    }
    return p;
}

}  // namespace

namespace vovido {

double ProbabilityIn(VRX_hybridMessage& message, double value) {
    if (message.IsDiscrete())
        return static_cast<VRX_discreteMessage&>(message).GetProbability(static_cast<int>(value));
    return static_cast<VRX_continuousMessage&>(message).GetDensity(value);
}

double InvertInto(SampleNode& node, double v, const SampleNode& parent, bool checked, double& y) {
    VRX_Helement* element = node.TakeElement();
    if (element == nullptr) return 0.0;
    const double jacobian = vovido::InvertElement(*element, node.id, v, parent.id, y, checked);
    return jacobian > 0.0 && TakesValueInRange(parent, y) ? jacobian : 0.0;
}

}  // namespace vovido

namespace {

void AddSample(VRX_hybridMessage& message, double value, double weight) {
    message.SetFlag(MessageFlags::kSampled, true);
    if (message.IsDiscrete()) {
        static_cast<VRX_discreteMessage&>(message).AddStateSample(static_cast<int>(value), weight);
    } else {
        static_cast<VRX_continuousMessage&>(message).AddValueSample(value, weight);
    }
}

// Draws the node's own value from its element given its parents' current values: false when it fails.
bool DrawOwnValue(SampleNode& node) {
    const bool observed = node.IsObserved();
    const double kept = node.GetValue();
    const bool ok = !observed ? node.SampleFromConditional() > 0.0 : true;
    if (observed) node.SetValue(kept);
    return ok;
}

// Iterations allowed beyond those a tree needs when the arcs form a loop.
constexpr int kLoopIterations = 100;
// Node visits the iterations may take in all (each iteration visits every node, some 200 ns each, a few
// seconds at this bound): evidence at the end of a long chain needs as many iterations as the chain has
// arcs, and the passing stops, with its warning, before their visits grow with the square of its length.
constexpr long long kMaxMessageVisits = 1LL << 24;

// Draws through the elements that the sampled messages of one run may take: half a draw per node and
// sample of the run (a sampler makes one, and a draw of a message costs about two of them), and at
// least kLeastMessages lambda messages' worth, which a small network needs to settle.
constexpr long long kNodeSamplesPerDraw = 2;
constexpr long long kLeastMessages = 10;

// Changes of a sampled message within this many times the noise of its samples are not passed on.
constexpr double kNoiseMultiple = 3.0;
// Likewise for the probabilities of a discrete message.
constexpr double kDiscreteChange = 0.01;

// True when the finished new message says what the current one says, up to the noise of the samples
// it was fitted to (exactly, for a mixture assigned whole).
bool SameMessage(VRX_hybridMessage& current, VRX_hybridMessage& fresh) {
    if (current.IsUniform() || current.IsFixed() || fresh.IsUniform()) return false;
    if (fresh.IsDiscrete()) {
        auto& a = static_cast<VRX_discreteMessage&>(current);
        auto& b = static_cast<VRX_discreteMessage&>(fresh);
        for (int s = 0; s < b.GetOutcomeCount(); ++s) {
            if (!(std::fabs(a.GetProbability(s) - b.GetProbability(s)) <= kDiscreteChange)) return false;
        }
        return true;
    }
    const GaussianMixture& a = static_cast<VRX_continuousMessage&>(current).GetMixture();
    const GaussianMixture& b = static_cast<VRX_continuousMessage&>(fresh).GetMixture();
    const std::vector<WeightedSample>& samples = static_cast<VRX_continuousMessage&>(fresh).GetSamples();
    if (samples.empty())
        return vovido::SameDistribution(vovido::UsedComponents(a), vovido::UsedComponents(b));
    double sum = 0.0, squares = 0.0;
    vovido::SumWeights(samples, sum, squares);
    if (!(sum > 0.0) || !(squares > 0.0) || a.count < 1 || b.count < 1) return false;
    const double effective = sum * sum / squares;
    double m1 = 0.0, v1 = 0.0, m2 = 0.0, v2 = 0.0;
    a.GetMeanAndVariance(m1, v1);
    b.GetMeanAndVariance(m2, v2);
    if (!(v1 > 0.0) || !(v2 > 0.0)) return false;
    return std::fabs(m1 - m2) <= kNoiseMultiple * std::sqrt(v2 / effective) &&
           std::fabs(v1 - v2) <= kNoiseMultiple * v2 * std::sqrt(2.0 / effective);
}

// Makes the new messages current where they changed and readies the new ones again; the senders of
// the changed ones are listed.
void SwapFinished(std::vector<std::unique_ptr<VRX_hybridMessage>>& current,
                  std::vector<std::unique_ptr<VRX_hybridMessage>>& fresh,
                  const std::vector<VRX_hybridSampleNode*>& senders,
                  std::vector<std::pair<VRX_hybridSampleNode*, bool>>& changed) {
    changed.clear();
    for (size_t i = 0; i < fresh.size(); ++i) {
        if (!fresh[i]->HasFlag(MessageFlags::kChanged)) continue;
        fresh[i]->Finish();
        if (!SameMessage(*current[i], *fresh[i])) {
            // A sampled message that changed is sent again: the proposal it gives the next one is better.
            const bool sampled = !fresh[i]->IsDiscrete() &&
                                 static_cast<VRX_continuousMessage&>(*fresh[i]).GetSampleCount() > 0;
            std::swap(current[i], fresh[i]);
            changed.push_back({senders[i], sampled});
        }
        fresh[i]->Reset();
    }
}

// Proposal for a parent's value when a lambda message to it is estimated, in equal shares: the
// node's pi message about the parent widened (the likelihood may sit in its tail), the parent's last
// lambda message from the node, and that message widened, so that a lambda fitted where the earlier
// proposal reached extends its reach at every iteration. The reach stays within kPiReach deviations
// of the pi message: a likelihood that does not fall off (a threshold, say) would otherwise widen its
// message without end, and where the pi message has no mass the lambda message does not matter.
class LambdaProposal {
public:
    LambdaProposal(VRX_hybridMessage& pi, VRX_hybridMessage& last) : pi_(pi) {
        mixture_.components.clear();
        if (!pi.IsUniform() && !pi.IsFixed()) {
            double variance = 0.0;
            static_cast<VRX_continuousMessage&>(pi).GetMixture().GetMeanAndVariance(piMean_, variance);
            reach_ = kPiReach * std::sqrt(variance);
        }
        AddShare(pi, 4.0);
        AddShare(last, 1.0);
        AddShare(last, 9.0);
        for (MixtureComponent& c : mixture_.components) c.weight /= shares_;
        mixture_.count = static_cast<int>(mixture_.components.size());
    }
    // Draws x; the proposal density of x.
    double Draw(double& x) {
        if (mixture_.components.empty()) {
            x = SampleNode::DrawFrom(pi_);
            return vovido::ProbabilityIn(pi_, x);
        }
        x = mixture_.Sample();
        return mixture_.Density(x);
    }

private:
    void AddShare(VRX_hybridMessage& message, double widening) {
        if (message.IsUniform() || message.IsFixed()) return;
        const size_t first = mixture_.components.size();
        double total = 0.0;
        for (MixtureComponent c : static_cast<VRX_continuousMessage&>(message).GetMixture().components) {
            if (!(c.weight > 1e-7) || !(c.variance > 1e-7) || std::fabs(c.mean - piMean_) > reach_) continue;
            c.variance = std::min(c.variance * widening, reach_ * reach_);
            total += c.weight;
            mixture_.components.push_back(c);
        }
        for (size_t c = first; c < mixture_.components.size(); ++c) mixture_.components[c].weight /= total;
        if (mixture_.components.size() > first) ++shares_;
    }

    static constexpr double kPiReach = 5.0;
    VRX_hybridMessage& pi_;
    GaussianMixture mixture_;
    int shares_ = 0;
    double piMean_ = 0.0;
    double reach_ = HUGE_VAL;
};

}  // namespace

void HybridSampleNet::PlanMessages() {
    const bool planned = (runFlags & 8) != 0;
    for (auto& node : sampleNodes) {
        if (!node) continue;
        const bool observed = node->IsObserved();
        node->activeToChild.assign(node->children.size(), 0);
        for (size_t m = 0; m < node->children.size(); ++m) {
            const SampleNode& child = *node->children[m];
            node->activeToChild[m] =
                !observed &&
                (!planned || (node->parents.empty() &&
                              ((child.nodeFlags & SampleNodeFlags::kEvidenceAncestor) || !(runFlags & 2))));
        }
        node->activeToParent.assign(node->parents.size(), 0);
        for (size_t k = 0; k < node->parents.size(); ++k) {
            const bool free = !node->parents[k]->IsObserved();
            node->activeToParent[k] = free && (!planned || observed);
        }
        node->readyToChild.assign(node->children.size(), 0);
        node->readyToParent.assign(node->parents.size(), 0);
    }
}

int HybridSampleNet::IterationsNeeded() const {
    // A message moves one arc per iteration: the evidence reaches a node after as many iterations as
    // the node is arcs away from it. One search per observed node is linear in the network, far below
    // the cost of one iteration of sampled messages.
    int farthest = 0;
    std::vector<int> distance(sampleNodes.size());
    std::vector<const SampleNode*> queue;
    for (const auto& start : sampleNodes) {
        if (!start || !start->IsObserved()) continue;
        std::fill(distance.begin(), distance.end(), -1);
        queue.assign(1, start.get());
        distance[static_cast<size_t>(start->handle)] = 0;
        for (size_t head = 0; head < queue.size(); ++head) {
            const SampleNode* node = queue[head];
            const int next = distance[static_cast<size_t>(node->handle)] + 1;
            for (const auto* list : {&node->parents, &node->children}) {
                for (const SampleNode* other : *list) {
                    int& d = distance[static_cast<size_t>(other->handle)];
                    if (d >= 0) continue;
                    d = next;
                    farthest = std::max(farthest, next);
                    queue.push_back(other);
                }
            }
        }
    }
    return farthest + numIterations;
}

bool HybridSampleNet::AnyLinkActive() const {
    for (const auto& node : sampleNodes) {
        if (!node) continue;
        for (char a : node->activeToChild) {
            if (a) return true;
        }
        for (char a : node->activeToParent) {
            if (a) return true;
        }
    }
    return false;
}

bool HybridSampleNet::OutsideRootSupport(SampleNode& node, double x) {
    if (!node.IsContinuous() || !node.parents.empty() || node.IsDeterministic()) return false;
    const auto slot = static_cast<size_t>(node.handle);
    if (slot < rootSupport_.size() && !std::isnan(rootSupport_[slot].first))
        return !(x >= rootSupport_[slot].first && x <= rootSupport_[slot].second);
    VRX_Helement* element = node.TakeElement();
    return element != nullptr && !(element->GetDensity(x) > 0.0);
}

void HybridSampleNet::FindRootSupports() {
    rootSupport_.assign(sampleNodes.size(), {std::nan(""), std::nan("")});
    for (auto& node : sampleNodes) {
        if (!node || !node->IsContinuous() || !node->parents.empty() || node->IsDeterministic()) continue;
        auto* distribution = dynamic_cast<VRX_distributionElement*>(node->TakeElement());
        const auto* call = distribution != nullptr
                               ? dynamic_cast<const VRX_function*>(&distribution->GetExpression())
                               : nullptr;
        double lower = 0.0, upper = 0.0;
        if (call != nullptr && CallSupport(*call, lower, upper))
            rootSupport_[static_cast<size_t>(node->handle)] = {lower, upper};
    }
}

bool HybridSampleNet::WithinBudget() const {
    const long long samples = std::max(view.GetNumberOfSamples(), 1);
    const long long least = kLeastMessages * SamplesPerMessage() * std::max(numInnerSamples, 1);
    return work_ < std::max(least, samples * std::max(nodeCount, 1) / kNodeSamplesPerDraw);
}

int HybridSampleNet::SamplesPerMessage() const {
    return std::clamp(view.GetNumberOfSamples() / 10, numSamplesPerMessage, 16 * numSamplesPerMessage);
}

void HybridSampleNet::DrawParentsFromMessages(SampleNode& node, const SampleNode* skip) {
    for (size_t j = 0; j < node.parents.size(); ++j) {
        SampleNode& parent = *node.parents[j];
        if (&parent == skip || parent.IsObserved() ||
            (!held_.empty() && held_[static_cast<size_t>(parent.handle)]))
            continue;
        // A root that hears nothing from its other children sends its own distribution: drawn from its
        // element, not from a fit of it (which would blur the edges of a uniform, say).
        bool own = parent.parents.empty();
        for (size_t m = 0; m < parent.children.size() && own; ++m)
            own = parent.children[m] == &node || parent.childMessages[m]->IsUniform();
        if (own && parent.SampleFromConditional() > 0.0) continue;
        // A draw of a root's message is kept within the root's support: a child's parameters are then
        // those the model can give it.
        constexpr int kSupportDraws = 20;
        node.parentMessages[j]->DrawCurrent();
        for (int k = 0; OutsideRootSupport(parent, parent.GetValue()); ++k) {
            if (k == kSupportDraws) {
                (void)parent.SampleFromConditional();
                break;
            }
            node.parentMessages[j]->DrawCurrent();
        }
    }
}

void HybridSampleNet::InitialiseMessages() {
    // Forward samples in a topological order, observed nodes at their evidence.
    std::vector<SampleNode*> topological;
    std::vector<int> pending(sampleNodes.size(), 0);
    std::deque<SampleNode*> ready;
    for (auto& node : sampleNodes) {
        if (!node) continue;
        pending[static_cast<size_t>(node->handle)] = static_cast<int>(node->parents.size());
        if (node->parents.empty()) ready.push_back(node.get());
    }
    while (!ready.empty()) {
        SampleNode* node = ready.front();
        ready.pop_front();
        topological.push_back(node);
        for (SampleNode* c : node->children) {
            if (--pending[static_cast<size_t>(c->handle)] == 0) ready.push_back(c);
        }
    }
    const int count = SamplesPerMessage();
    work_ += static_cast<long long>(count) * static_cast<long long>(topological.size());
    std::vector<std::vector<WeightedSample>> drawn(sampleNodes.size());
    for (int i = 0; i < count; ++i) {
        for (SampleNode* node : topological) {
            if (!DrawOwnValue(*node)) continue;
            drawn[static_cast<size_t>(node->handle)].push_back({node->GetValue(), 1.0});
        }
    }
    // One prior per node, handed to all its children: in closed form through a linear-Gaussian family
    // (the parents' priors are set by then), else fitted once to the forward samples.
    vovido::Components prior;
    for (SampleNode* node : topological) {
        if (node->IsObserved() || node->children.empty()) continue;
        const bool exact = node->IsContinuous() && LinearMarginal(*node, false, prior);
        VRX_hybridMessage* first = nullptr;
        for (SampleNode* c : node->children) {
            const int pos = vovido::PositionIn(c->parents, node);
            VRX_hybridMessage& message = *c->parentMessages[static_cast<size_t>(pos)];
            if (exact) {
                GaussianMixture mixture(0.0, 0.0, 0, mixtureTolerance, mixtureVariancePrior);
                mixture.components = prior;
                mixture.count = static_cast<int>(prior.size());
                static_cast<VRX_continuousMessage&>(message).AssignMixture(mixture);
            } else if (first == nullptr) {
                for (const WeightedSample& s : drawn[static_cast<size_t>(node->handle)])
                    AddSample(message, s.value, 1.0);
                message.Finish();
                first = &message;
            } else if (message.IsDiscrete()) {
                auto& from = static_cast<VRX_discreteMessage&>(*first);
                for (int s = 0; s < from.GetOutcomeCount(); ++s)
                    AddSample(message, s, from.GetProbability(s));
                message.Finish();
            } else {
                // Every child gets the same prior: a copy of the first one, bound to the same value.
                c->parentMessages[static_cast<size_t>(pos)] = first->Clone();
            }
        }
    }
}

void HybridSampleNet::SendPi(SampleNode& node) {
    if (node.children.empty()) return;
    std::vector<int> positions;
    std::vector<bool> informed;
    int informedCount = 0;
    for (size_t m = 0; m < node.children.size(); ++m) {
        positions.push_back(vovido::PositionIn(node.children[m]->parents, &node));
        informed.push_back(!node.childMessages[m]->IsUniform());
        informedCount += informed.back() ? 1 : 0;
    }
    // Inactive links are left alone; a linear-Gaussian node sends on the others in closed form.
    std::vector<bool> exact(node.children.size(), false);
    for (size_t m = 0; m < node.children.size(); ++m) {
        exact[m] = !node.activeToChild[m] || SendLinearPi(node, m);
    }
    // A root whose other children say nothing sends its own distribution: exactly, for the
    // probabilities of a discrete root or the Gaussian of a Normal root.
    if (node.parents.empty()) {
        for (size_t m = 0; m < node.children.size(); ++m) {
            if (exact[m] || informedCount - (informed[m] ? 1 : 0) > 0) continue;
            exact[m] =
                SendExactPi(node, *node.children[m]->newParentMessages[static_cast<size_t>(positions[m])]);
            if (exact[m]) informed[m] = true;  // drawn for no one: neither pass below sends to it
        }
    }
    bool anyInformed = false, anyPlain = false;
    for (size_t m = 0; m < node.children.size(); ++m) {
        if (exact[m]) continue;
        anyInformed = anyInformed || informed[m];
        anyPlain = anyPlain || !informed[m];
    }
    if (!anyInformed && !anyPlain) return;
    // A child's message leaves out its own lambda: children whose lambda says something get values
    // drawn from the node's conditional, the others values drawn where every lambda puts the mass.
    const bool propose = anyPlain && node.combinedLambda && !node.combinedLambda->IsUniform();
    const int count = SamplesPerMessage();
    work_ += count;
    for (int i = 0; i < count; ++i) {
        DrawParentsFromMessages(node, nullptr);
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 0 && !anyInformed && propose) continue;
            if (pass == 1 && !propose) continue;
            const double proposal = pass == 0 ? (DrawOwnValue(node) ? 1.0 : 0.0) : node.SampleFromProposal();
            if (!(proposal > 0.0) || !std::isfinite(proposal)) continue;
            const double v = node.GetValue();
            for (size_t m = 0; m < node.children.size(); ++m) {
                if (exact[m] || (propose && (pass == 1) == informed[m])) continue;
                const double w = proposal * node.LambdaProduct(v, static_cast<int>(m));
                VRX_hybridMessage& message =
                    *node.children[m]->newParentMessages[static_cast<size_t>(positions[m])];
                message.SetFlag(MessageFlags::kSampled, true);
                message.AddCurrentSample(w);
            }
        }
    }
}

bool HybridSampleNet::SendExactPi(SampleNode& node, VRX_hybridMessage& message) {
    VRX_Helement* element = node.TakeElement();
    if (element == nullptr) return false;
    if (!node.IsContinuous()) {
        auto& discrete = static_cast<VRX_discreteMessage&>(message);
        for (int s = 0; s < discrete.GetOutcomeCount(); ++s)
            discrete.AddStateSample(s, element->GetStateProbability(s));
        return true;
    }
    auto* distribution = dynamic_cast<VRX_distributionElement*>(element);
    const auto* call =
        distribution != nullptr ? dynamic_cast<const VRX_function*>(&distribution->GetExpression()) : nullptr;
    double mean = 0.0, variance = 0.0;
    if (call == nullptr || std::string(call->GetName()) != "Normal" ||
        distribution->GetMeanAndVariance(mean, variance) != kSuccess || !(variance > 0.0))
        return false;
    GaussianMixture gaussian(0.0, 0.0, 1, mixtureTolerance, mixtureVariancePrior);
    gaussian.components[0] = {1.0, mean, variance};
    auto& continuous = static_cast<VRX_continuousMessage&>(message);
    continuous.AssignMixture(gaussian);
    continuous.SetFlag(MessageFlags::kChanged, true);  // made current at the end of the iteration
    return true;
}

template <class Weigh>
void HybridSampleNet::SampleLambda(SampleNode& node, size_t k, int pos, int count, Weigh weigh) {
    SampleNode* parent = node.parents[k];
    VRX_hybridMessage& target = *parent->newChildMessages[static_cast<size_t>(pos)];
    if (!parent->IsContinuous()) {
        const int outcomes = static_cast<VRX_discreteSampleNode*>(parent)->outcomeCount;
        const int perState = std::max(1, count / std::max(outcomes, 1));
        for (int s = 0; s < outcomes; ++s) {
            double total = 0.0;
            for (int i = 0; i < perState; ++i) {
                DrawParentsFromMessages(node, parent);
                parent->SetValue(s);
                const double w = weigh();
                if (!(w < 0.0)) total += w;
            }
            AddSample(target, s, total / perState);
        }
        return;
    }
    LambdaProposal proposal(*node.parentMessages[k], *parent->childMessages[static_cast<size_t>(pos)]);
    for (int i = 0; i < count; ++i) {
        double x = 0.0;
        const double q = proposal.Draw(x);
        // Where the parent cannot be, its likelihood does not matter.
        if (!(q > 0.0) || OutsideRootSupport(*parent, x)) continue;
        DrawParentsFromMessages(node, parent);
        parent->SetValue(x);
        const double w = weigh();
        if (w >= 0.0) AddSample(target, x, w / q);
    }
}

void HybridSampleNet::SendLambda(SampleNode& node) {
    std::vector<char> sent(node.parents.size(), 0);
    for (size_t k = 0; k < node.parents.size(); ++k) {
        if (!node.activeToParent[k] || node.parents[k]->IsObserved()) continue;
        sent[k] = SendLinearLambda(node, k) ? 1 : 0;
    }
    // Without evidence below, the lambda message of an unobserved node is flat: nothing to send.
    if (!node.IsObserved() && (!node.combinedLambda || node.combinedLambda->IsUniform())) return;
    const int count = SamplesPerMessage();
    for (size_t k = 0; k < node.parents.size(); ++k) {
        SampleNode* parent = node.parents[k];
        if (parent->IsObserved() || !node.activeToParent[k] || sent[k]) continue;
        const int pos = vovido::PositionIn(parent->children, &node);
        SampleLambda(node, k, pos, count, [&] { return AverageLikelihood(node, parent, numInnerSamples); });
    }
}

double HybridSampleNet::AverageLikelihood(SampleNode& child, const SampleNode* parent, int draws) {
    const bool othersVary = child.parents.size() > 1 || !child.IsObserved();
    const int inner = othersVary ? draws : 1;
    work_ += inner;
    const double kept = child.GetValue();
    double a = 0.0;
    for (int k = 0; k < inner; ++k) {
        // The parent keeps its value; the others come from their pi messages.
        if (k > 0) DrawParentsFromMessages(child, parent);
        // Both calls take the child's element themselves; without one they give nothing.
        if (child.IsObserved()) {
            child.SetValue(kept);
            a += child.GetEvidenceWeight();
        } else if (child.SampleFromConditional() > 0.0) {
            a += LambdaWithDrawnChildren(child);
        }
    }
    child.SetValue(kept);
    return a / inner;
}

void HybridSampleNet::SendLambdaFromObservedDeterministic(SampleNode& node) {
    const int count = SamplesPerMessage();
    const double v = node.GetValue();
    SampleNode* inverted = GetSampleNode(node.invertedParent);
    const int invertedPos = vovido::PositionIn(node.parents, inverted);
    const bool checked = !(node.nodeFlags & SampleNodeFlags::kInvertsAdditively);
    for (size_t k = 0; k < node.parents.size(); ++k) {
        SampleNode* parent = node.parents[k];
        if (parent->IsObserved() || !node.activeToParent[k] || SendLinearLambda(node, k)) continue;
        const int pos = vovido::PositionIn(parent->children, &node);
        if (parent != inverted && inverted != nullptr && invertedPos >= 0) {
            // The inverted parent's value follows from the observed value and the others' draws: its
            // pi message weighs the parent's value (an inverse for this parent might not be defined
            // everywhere, nor have a bounded Jacobian).
            VRX_hybridMessage& invertedPi = *node.parentMessages[static_cast<size_t>(invertedPos)];
            SampleLambda(node, k, pos, count, [&] {
                double y = 0.0;
                const double jacobian = vovido::InvertInto(node, v, *inverted, checked, y);
                return jacobian > 0.0 ? jacobian * vovido::ProbabilityIn(invertedPi, y) : -1.0;
            });
            continue;
        }
        if (!parent->IsContinuous()) continue;
        // The parent's value follows from the observed value and the others' draws.
        VRX_hybridMessage& target = *parent->newChildMessages[static_cast<size_t>(pos)];
        work_ += count;
        for (int i = 0; i < count; ++i) {
            DrawParentsFromMessages(node, parent);
            double x = 0.0;
            const double jacobian = vovido::InvertInto(node, v, *parent, checked, x);
            if (jacobian > 0.0) AddSample(target, x, jacobian);
        }
    }
}

void HybridSampleNet::WarnOfThinMessages() const {
    // The messages in use at the end, those fitted to weighted samples: one warning names the thin ones.
    vovido::FewEffectiveSamples thin;
    for (const auto& node : sampleNodes) {
        if (!node) continue;
        for (const auto* list : {&node->parentMessages, &node->childMessages}) {
            const std::vector<SampleNode*>& senders =
                list == &node->parentMessages ? node->parents : node->children;
            for (size_t i = 0; i < list->size(); ++i) {
                const VRX_hybridMessage* message = (*list)[i].get();
                if (message == nullptr || message->IsDiscrete() || node->internal || senders[i]->internal)
                    continue;
                // An equation of this node alone is drawn with it, its message left out of the node's
                // estimate: where the node's other children are observed, no belief rests on it.
                if (list == &node->childMessages && senders[i]->FollowsFrom(*node)) {
                    bool unused = true;
                    for (const SampleNode* child : node->children)
                        unused = unused && (child == senders[i] || child->IsObserved());
                    if (unused) continue;
                }
                const auto& samples = static_cast<const VRX_continuousMessage*>(message)->GetSamples();
                double sum = 0.0, squares = 0.0;
                vovido::SumWeights(samples, sum, squares);
                thin.Add("from node " + senders[i]->id + " to node " + node->id,
                         "from " + senders[i]->id + " to " + node->id, sum, squares,
                         static_cast<int>(samples.size()), true);
            }
        }
    }
    thin.Warn("message", "messages");
}

void HybridSampleNet::FinishIteration() {
    // A message passed on readies the receiver's links; one that did not change leaves them quiet.
    using Senders = std::vector<std::pair<SampleNode*, bool>>;
    std::vector<std::pair<SampleNode*, Senders>> fromParents, fromChildren;
    Senders changed;
    for (auto& node : sampleNodes) {
        if (!node) continue;
        SwapFinished(node->parentMessages, node->newParentMessages, node->parents, changed);
        if (!changed.empty()) fromParents.emplace_back(node.get(), changed);
        SwapFinished(node->childMessages, node->newChildMessages, node->children, changed);
        if (changed.empty()) continue;
        fromChildren.emplace_back(node.get(), changed);
        if (!node->IsObserved()) node->CombineLambdaMessages();
    }
    for (auto& [node, senders] : fromChildren) {
        for (auto [sender, sampled] : senders) {
            node->MarkLinksReady(*sender, false);
            if (sampled)
                sender->readyToParent[static_cast<size_t>(vovido::PositionIn(sender->parents, node))] = 1;
        }
    }
    for (auto& [node, senders] : fromParents) {
        for (auto [sender, sampled] : senders) {
            node->MarkLinksReady(*sender, true);
            if (sampled)
                sender->readyToChild[static_cast<size_t>(vovido::PositionIn(sender->children, node))] = 1;
        }
    }
}

int HybridSampleNet::RunMessagePassing(bool writeResults) {
    if (runFlags & 16) return kOutOfRange;
    if (!(runFlags & 1)) {
        runFlags |= 1;
        for (auto& node : sampleNodes) {
            if (node) node->CreateMessages();
        }
        PrepareLinearNodes();
        FindRootSupports();
        InitialiseMessages();
        PlanMessages();
        // The messages' draws take parents' values from fitted messages, which may stray where the model
        // never puts a node: what they find invalid (or weights outside [0, 1]) is no fault of the model.
        // The forward draws before and the estimates after (each node drawn from its own distribution)
        // speak for the model.
        const int forwardReports = errorLog.GetNumberOfEntries();
        const std::vector<long long> forwardStrays = GetStrayCounts();
        // Links whose messages no longer change go quiet: the passing ends when none is active. Round
        // a loop the messages settle only by degrees, so a loopy network may take many more rounds.
        int iterations = IterationsNeeded() + (singlyConnected ? 0 : kLoopIterations);
        const long long visitBound =
            kMaxMessageVisits / std::max<long long>(static_cast<long long>(order_.size()), 1);
        const bool visitsBounded = iterations > visitBound;
        if (visitsBounded) iterations = static_cast<int>(std::max<long long>(visitBound, 1));
        int iteration = 0;
        // Sampled messages round a loop never settle beyond their noise: the work they may take is bounded.
        for (; iteration < iterations && AnyLinkActive() && WithinBudget(); ++iteration) {
            for (SampleNode* node : order_) {
                if (!WithinBudget()) break;
                if (!node->IsObserved()) {
                    SendPi(*node);
                    if (node->nodeFlags & SampleNodeFlags::kEvidenceAncestor) SendLambda(*node);
                } else if (node->nodeFlags & SampleNodeFlags::kInverts) {
                    SendLambdaFromObservedDeterministic(*node);
                } else {
                    SendLambda(*node);
                }
            }
            FinishIteration();
            for (auto& node : sampleNodes) {
                if (node) node->RefreshLinkFlags();
            }
        }
        if ((!singlyConnected || visitsBounded || !WithinBudget()) && AnyLinkActive()) {
            char text[120];
            std::snprintf(text, sizeof text,
                          "Warning: message passing stopped after %d iterations before the messages settled.",
                          iterations);
            LogError(errorLog, kNoUsefulSamples, text, nullptr);
        }
        // HybridAlgorithm::kMessagePassingSampling draws its answer by importance sampling, which weighs up
        // a thin proposal.
        vovido::DropInvalidParameterReports(forwardReports);
        RestoreStrayCounts(forwardStrays);
        if (writeResults) WarnOfThinMessages();
        for (auto& node : sampleNodes) {
            if (node) node->FinishMessagePassing();
        }
    }
    if (!writeResults) return kSuccess;
    const int status = EstimateFromMessages();
    if (status != kNoUsefulSamples) return status;
    if (RunChainFallback()) return kSuccess;
    ExplainImpossibleEvidence();
    return status;
}
