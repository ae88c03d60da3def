// The beliefs of HybridAlgorithm::kMessagePassing: each node's parents drawn from their pi messages, its
// value from its element, weighed by what its children say; whether the evidence is possible; and the
// warning that names the nodes whose beliefs are approximate.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/hybrid_definition.h"
#include "equations/hybrid_sampling_network.h"

using SampleNode = VRX_hybridSampleNode;
using ChildKind = HybridSampleNet::ChildKind;

namespace {

// A share of a belief beyond this, where the evidence rules the value out, is warned of.
constexpr double kRuledOutShare = 0.01;

// The messages a node receives, parents' first, then its children's.
std::vector<VRX_hybridMessage*> IncomingMessages(const SampleNode& node) {
    std::vector<VRX_hybridMessage*> out;
    for (const auto& m : node.parentMessages) out.push_back(m.get());
    for (const auto& m : node.childMessages) out.push_back(m.get());
    return out;
}

const SampleNode* SenderOf(const SampleNode& node, size_t i) {
    return i < node.parents.size() ? node.parents[i] : node.children[i - node.parents.size()];
}

// True when the arc between a and b lies on a loop: b is reached from a without it.
bool OnLoop(const SampleNode& a, const SampleNode& b, size_t slots) {
    std::vector<char> seen(slots, 0);
    std::vector<const SampleNode*> stack{&a};
    seen[static_cast<size_t>(a.handle)] = 1;
    while (!stack.empty()) {
        const SampleNode* n = stack.back();
        stack.pop_back();
        for (const auto* list : {&n->parents, &n->children}) {
            for (const SampleNode* next : *list) {
                if ((n == &a && next == &b) || (n == &b && next == &a)) continue;
                if (next == &b) return true;
                if (seen[static_cast<size_t>(next->handle)]) continue;
                seen[static_cast<size_t>(next->handle)] = 1;
                stack.push_back(next);
            }
        }
    }
    return false;
}

// By receiver and incoming link: true when the message says something and rests on random draws or
// on a loop, itself or through what its sender received from elsewhere.
std::vector<std::vector<char>> ApproximateLinks(const std::vector<std::unique_ptr<SampleNode>>& nodes,
                                                bool singlyConnected) {
    std::vector<std::vector<char>> approximate(nodes.size());
    std::vector<std::vector<VRX_hybridMessage*>> incoming(nodes.size());
    for (const auto& node : nodes) {
        if (!node) continue;
        std::vector<char>& links = approximate[static_cast<size_t>(node->handle)];
        const std::vector<VRX_hybridMessage*>& in = incoming[static_cast<size_t>(node->handle)] =
            IncomingMessages(*node);
        links.assign(in.size(), 0);
        for (size_t i = 0; i < in.size(); ++i) {
            if (in[i] == nullptr || in[i]->IsUniform() || in[i]->IsFixed()) continue;
            links[i] = in[i]->HasFlag(MessageFlags::kSampled) ||
                       (!singlyConnected && OnLoop(*node, *SenderOf(*node, i), nodes.size()));
        }
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto& node : nodes) {
            if (!node) continue;
            const std::vector<VRX_hybridMessage*>& in = incoming[static_cast<size_t>(node->handle)];
            for (size_t i = 0; i < in.size(); ++i) {
                char& link = approximate[static_cast<size_t>(node->handle)][i];
                if (link || in[i] == nullptr || in[i]->IsUniform() || in[i]->IsFixed()) continue;
                const SampleNode& sender = *SenderOf(*node, i);
                const std::vector<char>& into = approximate[static_cast<size_t>(sender.handle)];
                for (size_t j = 0; j < into.size() && !link; ++j)
                    link = into[j] && SenderOf(sender, j) != node.get();
                changed = changed || link;
            }
        }
    }
    return approximate;
}

}  // namespace

int HybridSampleNet::EstimateFromMessages() {
    int status = EvidenceIsPossible() ? kSuccess : kNoUsefulSamples;
    std::vector<std::vector<ChildKind>> kinds(sampleNodes.size());
    held_.assign(sampleNodes.size(), 0);
    estimated_.assign(sampleNodes.size(), 0);
    thinEstimates_ = vovido::FewEffectiveSamples();
    for (SampleNode* node : order_) {
        if (node->IsObserved() || estimated_[static_cast<size_t>(node->handle)]) continue;
        // A noise term's belief is never shown: drawn only where it carries an equation it alone sets.
        bool shown = !node->internal;
        for (const SampleNode* child : node->children) shown = shown || !child->IsFixed();
        if (!shown) continue;
        kinds[static_cast<size_t>(node->handle)] = ClassifyChildren(*node);
        // Nor does a noise term's draws failing change the caller's beliefs.
        if (!EstimateNode(*node, kinds[static_cast<size_t>(node->handle)]) && view.GetNumberOfSamples() > 0 &&
            !node->internal)
            status = kNoUsefulSamples;
    }
    // Estimates whose weight rests on a handful of draws give way to the chain where it can start.
    constexpr double kFewestEffective = 10.0;
    if (status == kSuccess && thinEstimates_.Fewest() < kFewestEffective &&
        RunChainFallback("the draws from the messages left estimates of fewer than 10 effective samples"))
        return kSuccess;
    // One warning names the estimates of few effective samples, "the estimates of nodes ...".
    thinEstimates_.Warn("estimate", "estimates of nodes");
    if (status != kSuccess) return status;
    WarnOfApproximateBeliefs(kinds);
    WriteAllResults(true);
    return kSuccess;
}

bool HybridSampleNet::EvidenceIsPossible() {
    // True when some draw of the other parents from their messages lets the inverted parent explain the
    // node's evidence.
    auto explained = [&](SampleNode& node) {
        SampleNode* inverted = GetSampleNode(node.invertedParent);
        if (inverted == nullptr || inverted->IsObserved()) return true;
        const double v = node.GetValue();
        for (int i = 0; i < SamplesPerMessage(); ++i) {
            DrawParentsFromMessages(node, inverted);
            double y = 0.0;
            if (!(vovido::InvertInto(node, v, *inverted,
                                     !(node.nodeFlags & SampleNodeFlags::kInvertsAdditively), y) > 0.0))
                continue;
            // The inverse must also be a value the parent's own distribution can take.
            inverted->SetValue(y);
            DrawParentsFromMessages(*inverted, nullptr);
            if (inverted->IsDeterministic() || std::isfinite(inverted->LogEvidenceWeight())) return true;
        }
        return false;
    };
    for (SampleNode* node : order_) {
        if (!node->IsObserved()) continue;
        // Evidence that no message can reach (also a value fixed through an equation).
        if (!node->HasFreeParentOtherThan(nullptr) && !std::isfinite(node->LogEvidenceWeight())) return false;
        if ((node->nodeFlags & SampleNodeFlags::kInverts) && !explained(*node)) return false;
    }
    return true;
}

SampleNode* HybridSampleNet::InverseTarget(SampleNode& child, const SampleNode& node) const {
    if (!child.IsObserved() || !(child.nodeFlags & SampleNodeFlags::kInverts)) return nullptr;
    SampleNode* found = nullptr;
    for (size_t j = static_cast<size_t>(child.discreteParentCount); j < child.parents.size(); ++j) {
        SampleNode* p = child.parents[j];
        if (p == &node || p->IsObserved() || p->IsDeterministic() || j >= child.singleInverse.size() ||
            !child.singleInverse[j])
            continue;
        if (p->handle == child.invertedParent) return p;
        found = p;
    }
    return found;
}

std::vector<ChildKind> HybridSampleNet::ClassifyChildren(SampleNode& node) {
    // A lambda message fitted to samples smooths what it stands for: a threshold's step or the edge of a
    // uniform leaves mass where the evidence rules the value out, a likelihood with heavy tails (a
    // product's) loses them, a periodic one (a sine's) fits no mixture. The child weighs the draws
    // instead: kOwnEvidence where it is observed and its evidence depends on this node alone,
    // kThroughInverse where it is an observed equation with a single inverse for another parent,
    // kAveraged where it is averaged over draws of the free co-parents and, for an unobserved child, of
    // its own value weighed by its lambda messages.
    std::vector<ChildKind> kinds(node.children.size(), ChildKind::kMessage);
    for (size_t m = 0; m < node.children.size() && node.IsContinuous(); ++m) {
        SampleNode& child = *node.children[m];
        const auto* lambda = dynamic_cast<const VRX_continuousMessage*>(node.childMessages[m].get());
        if (lambda == nullptr || lambda->IsUniform()) continue;
        const bool sampled = lambda->HasFlag(MessageFlags::kSampled);
        VRX_Helement* element = child.IsObserved() ? child.TakeElement() : nullptr;
        if (element != nullptr && element->IsEquation()) {
            // Also where the message is in closed form over a fit of a parent that is no Gaussian.
            const SampleNode* target = InverseTarget(child, node);
            if (target != nullptr && (sampled || target->linearCells.empty()))
                kinds[m] = ChildKind::kThroughInverse;
            continue;
        }
        // An unobserved child whose own child is drawn with it weighs the draw through that child's
        // messages, even where its message here is in closed form over a fit of them.
        bool drawnBelow = false;
        for (size_t g = 0; g < child.children.size() && !child.IsObserved(); ++g)
            drawnBelow =
                drawnBelow || (child.children[g]->FollowsFrom(child) && !child.childMessages[g]->IsUniform());
        if (!sampled && !drawnBelow) continue;
        if (child.IsObserved()) {
            if (element == nullptr) continue;
            {
                kinds[m] =
                    child.HasFreeParentOtherThan(&node) ? ChildKind::kAveraged : ChildKind::kOwnEvidence;
            }
        } else if (child.combinedLambda && !child.combinedLambda->IsUniform()) {
            kinds[m] = ChildKind::kAveraged;
        }
    }
    return kinds;
}

double HybridSampleNet::InverseLikelihood(SampleNode& child, const SampleNode& node, SampleNode& target) {
    DrawParentsFromMessages(child, &node);
    double y = 0.0;
    const bool additive =
        (child.nodeFlags & SampleNodeFlags::kInvertsAdditively) && target.handle == child.invertedParent;
    const double jacobian = vovido::InvertInto(child, child.GetValue(), target, !additive, y);
    if (!(jacobian > 0.0)) return 0.0;
    target.SetValue(y);
    DrawParentsFromMessages(target, &node);
    return jacobian * target.GetEvidenceWeight() *
           target.LambdaProduct(y, vovido::PositionIn(target.children, &child));
}

bool HybridSampleNet::HoldFunctionalFamily(SampleNode& node, std::vector<char>& functional,
                                           std::vector<SampleNode*>& chain) {
    // Equation children whose other parents are observed are functions of this node: they take the
    // value the draw gives them, their own children weigh it directly (a lambda message through them
    // would, where their children are also this node's, count that evidence twice round the loop) and
    // their estimates come from the same weighted draws.
    functional.assign(node.children.size(), 0);
    chain.clear();
    bool held = false;
    for (size_t m = 0; m < node.children.size(); ++m) {
        SampleNode& child = *node.children[m];
        if (child.IsFixed() || !child.IsDeterministic() || child.HasFreeParentOtherThan(&node)) continue;
        functional[m] = 1;
        held_[static_cast<size_t>(child.handle)] = 1;
        child.ResetEstimate();
        held = true;
    }
    // So are the equations below them whose every free parent is this node or one of them (a step of a
    // step): drawn in turn, they let a child of this node that takes one as a parent weigh the draw too.
    for (size_t k = 0; held && k < node.children.size() + chain.size(); ++k) {
        if (k < node.children.size() && !functional[k]) continue;
        const SampleNode& from =
            k < node.children.size() ? *node.children[k] : *chain[k - node.children.size()];
        for (SampleNode* g : from.children) {
            if (held_[static_cast<size_t>(g->handle)] || g->IsFixed() || !g->IsDeterministic() ||
                vovido::PositionIn(node.children, g) >= 0)
                continue;
            bool function = true;
            for (const SampleNode* p : g->parents)
                function =
                    function && (p == &node || p->IsObserved() || held_[static_cast<size_t>(p->handle)]);
            if (!function) continue;
            held_[static_cast<size_t>(g->handle)] = 1;
            g->ResetEstimate();
            chain.push_back(g);
        }
    }
    return held;
}

std::vector<size_t> HybridSampleNet::OutsideMessages(const SampleNode& held, const SampleNode& node) const {
    std::vector<size_t> messages;
    for (size_t g = 0; g < held.children.size(); ++g) {
        const SampleNode* grandchild = held.children[g];
        if (vovido::PositionIn(node.children, grandchild) < 0 &&
            !held_[static_cast<size_t>(grandchild->handle)])
            messages.push_back(g);
    }
    return messages;
}

void HybridSampleNet::ReleaseHeld(SampleNode& node, const std::vector<char>& functional,
                                  const std::vector<SampleNode*>& chain) {
    for (SampleNode* held : chain) {
        held_[static_cast<size_t>(held->handle)] = 0;
        estimated_[static_cast<size_t>(held->handle)] = 1;
        held->FinishEstimate();
    }
    for (size_t m = 0; m < node.children.size(); ++m) {
        if (!functional[m]) continue;
        SampleNode& child = *node.children[m];
        held_[static_cast<size_t>(child.handle)] = 0;
        estimated_[static_cast<size_t>(child.handle)] = 1;
        child.FinishEstimate();
    }
}

bool HybridSampleNet::EstimateNode(SampleNode& node, const std::vector<ChildKind>& given) {
    node.ResetEstimate();
    std::vector<ChildKind> kinds = given;
    std::vector<char> functional;
    std::vector<SampleNode*> chain;
    bool drawn = HoldFunctionalFamily(node, functional, chain);
    // What a held node's children outside this node's family weigh a draw with: their messages. Found
    // once here (functional children by position, then the chain), not at every draw.
    std::vector<std::vector<size_t>> outside(node.children.size() + chain.size());
    for (size_t m = 0; m < node.children.size(); ++m) {
        if (functional[m]) outside[m] = OutsideMessages(*node.children[m], node);
    }
    for (size_t k = 0; k < chain.size(); ++k)
        outside[node.children.size() + k] = OutsideMessages(*chain[k], node);
    // Weights are scaled products: a product of many small densities never reads as 0.
    auto weighOutside = [&outside](const SampleNode& held, size_t at, vovido::ScaledWeight& w) {
        for (size_t g : outside[at]) {
            if (!held.childMessages[g]->IsUniform())
                (void)w.Times(vovido::ProbabilityIn(*held.childMessages[g], held.GetValue()));
        }
    };
    // A child that shares such an equation as a parent weighs the draw through itself: its message
    // averaged the equation's value over a draw of its own.
    for (size_t m = 0; m < node.children.size() && drawn; ++m) {
        SampleNode& child = *node.children[m];
        if (functional[m] || kinds[m] != ChildKind::kMessage || node.childMessages[m]->IsUniform()) continue;
        bool shares = false;
        for (const SampleNode* p : child.parents) shares = shares || held_[static_cast<size_t>(p->handle)];
        if (!shares) continue;
        VRX_Helement* element = child.IsObserved() ? child.TakeElement() : nullptr;
        if (element != nullptr && element->IsEquation()) {
            if (InverseTarget(child, node) != nullptr) kinds[m] = ChildKind::kThroughInverse;
        } else if (child.IsObserved() || (child.combinedLambda && !child.combinedLambda->IsUniform())) {
            kinds[m] = ChildKind::kAveraged;
        }
    }
    for (ChildKind k : kinds) drawn = drawn || k != ChildKind::kMessage;
    // A belief in closed form is drawn from directly.
    vovido::Components belief;
    if (node.IsContinuous() && !drawn && LinearMarginal(node, true, belief)) {
        DrawLinearBelief(node, belief);
        node.FinishEstimate();
        return true;
    }
    // Found once, not at every draw: by child, the parent its evidence is inverted for (kThroughInverse),
    // and the density its fitted message gives the draw (kMessage).
    std::vector<SampleNode*> targets(node.children.size(), nullptr);
    for (size_t m = 0; m < node.children.size(); ++m)
        if (kinds[m] == ChildKind::kThroughInverse) targets[m] = InverseTarget(*node.children[m], node);
    std::vector<double> densities(node.children.size(), 0.0);
    // Only a child whose evidence depends on this node alone can rule a draw out: without one, what the
    // fitted messages would have weighed the draws with is never reported.
    bool mayRuleOut = false;
    for (ChildKind k : kinds) mayRuleOut = mayRuleOut || k == ChildKind::kOwnEvidence;
    double total = 0.0, squares = 0.0, fittedTotal = 0.0, ruledOut = 0.0, reference = 0.0;
    for (int i = 0; i < view.GetNumberOfSamples(); ++i) {
        DrawParentsFromMessages(node, nullptr);
        vovido::ScaledWeight w;
        if (!w.Times(node.ScaledSampleFromProposal(w.logOffset))) continue;
        const double proposal = w.logOffset == 0.0 ? w.value : w.value * std::exp(w.logOffset);
        const double v = node.GetValue();
        for (size_t m = 0; m < node.children.size() && w.value > 0.0; ++m) {
            if (functional[m]) (void)w.Times(node.children[m]->SampleFromConditional());
        }
        for (size_t k = 0; k < chain.size() && w.value > 0.0; ++k)
            (void)w.Times(chain[k]->SampleFromConditional());
        for (size_t k = 0; k < chain.size(); ++k) weighOutside(*chain[k], node.children.size() + k, w);
        bool ruled = false;  // by a child whose evidence depends on this node alone
        for (size_t m = 0; m < node.children.size(); ++m) {
            SampleNode& child = *node.children[m];
            if (functional[m]) {
                densities[m] = node.childMessages[m]->IsUniform()
                                   ? 1.0
                                   : vovido::ProbabilityIn(*node.childMessages[m], v);
                weighOutside(child, m, w);
            } else if (kinds[m] == ChildKind::kOwnEvidence) {
                ruled = !vovido::TimesEvidenceWeight(w, child) || ruled;
            } else if (kinds[m] == ChildKind::kAveraged) {
                DrawParentsFromMessages(child, &node);
                (void)w.Times(AverageLikelihood(child, &node, 1));
            } else if (kinds[m] == ChildKind::kThroughInverse) {
                (void)w.Times(targets[m] != nullptr ? InverseLikelihood(child, node, *targets[m]) : 0.0);
            } else if (!node.childMessages[m]->IsUniform()) {
                densities[m] = vovido::ProbabilityIn(*node.childMessages[m], v);
                (void)w.Times(densities[m]);
            }
            node.SetValue(v);
        }
        if (drawn && mayRuleOut) {
            // What the fitted messages would have weighed the draw with, and whether the evidence rules it
            // out.
            double lambda = 1.0;
            for (size_t m = 0; m < node.children.size(); ++m) {
                if (node.childMessages[m]->IsUniform()) continue;
                lambda *= kinds[m] == ChildKind::kMessage ? densities[m]
                                                          : vovido::ProbabilityIn(*node.childMessages[m], v);
            }
            const double fitted = proposal * lambda;
            if (fitted > 0.0 && std::isfinite(fitted)) {
                fittedTotal += fitted;
                if (ruled) ruledOut += fitted;
            }
        }
        if (!(w.value > 0.0)) continue;
        const double weight = vovido::WeightOnScale(w, total, reference, [&](double scale) {
            total *= scale;
            squares *= scale * scale;
            node.ScaleEstimate(scale);
            for (size_t m = 0; m < node.children.size(); ++m) {
                if (functional[m]) node.children[m]->ScaleEstimate(scale);
            }
            for (SampleNode* held : chain) held->ScaleEstimate(scale);
        });
        total += weight;
        squares += weight * weight;
        node.AddSampleToEstimate(weight);
        for (size_t m = 0; m < node.children.size(); ++m) {
            if (functional[m]) node.children[m]->AddSampleToEstimate(weight);
        }
        for (SampleNode* held : chain) held->AddSampleToEstimate(weight);
    }
    ReleaseHeld(node, functional, chain);
    if (!node.internal)
        thinEstimates_.Add("of node " + node.id, node.id, total, squares, view.GetNumberOfSamples());
    // The node's own estimate is corrected; the messages it sends on were built from the fitted ones.
    if (!node.internal && fittedTotal > 0.0 && ruledOut > kRuledOutShare * fittedTotal) {
        char text[240];
        std::snprintf(text, sizeof text,
                      "Warning: the messages to node %s put %.0f%% of its belief where the evidence rules it "
                      "out; its estimate is corrected, but the beliefs of nodes further away rest on them.",
                      node.id.c_str(), 100.0 * ruledOut / fittedTotal);
        LogError(errorLog, kNoUsefulSamples, text, nullptr);
    }
    node.FinishEstimate();
    return total > 0.0;
}

// A warning names this many nodes and counts the rest, so that a long chain does not flood it.
constexpr int kNamedApproximate = 10;

void HybridSampleNet::WarnOfApproximateBeliefs(const std::vector<std::vector<ChildKind>>& kinds) {
    const std::vector<std::vector<char>> approximate = ApproximateLinks(sampleNodes, singlyConnected);
    auto into = [&](const SampleNode& n, size_t i) {
        return approximate[static_cast<size_t>(n.handle)][i] != 0;
    };
    std::string names;
    int count = 0;
    for (SampleNode* node : order_) {
        if (node->IsObserved() || node->internal) continue;
        const std::vector<ChildKind>& kind = kinds[static_cast<size_t>(node->handle)];
        // Evidence below that no message brought: the belief is the prior's.
        bool rests = (node->nodeFlags & SampleNodeFlags::kEvidenceAncestor) && !node->children.empty();
        for (const auto& m : node->childMessages) rests = rests && m->IsUniform();
        for (size_t j = 0; j < node->parents.size(); ++j) rests = rests || into(*node, j);
        for (size_t m = 0; m < node->children.size() && !rests; ++m) {
            const ChildKind k = m < kind.size() ? kind[m] : ChildKind::kMessage;
            if (k == ChildKind::kMessage) {
                rests = into(*node, node->parents.size() + m);
            } else if (k != ChildKind::kOwnEvidence) {
                // Drawn through the child: what the child received from elsewhere counts.
                const SampleNode& child = *node->children[m];
                for (size_t i = 0; i < child.parents.size() + child.children.size(); ++i)
                    rests = rests || (into(child, i) && SenderOf(child, i) != node);
            }
        }
        if (!rests) continue;
        if (count < kNamedApproximate) names += (count > 0 ? ", " : "") + node->id;
        ++count;
    }
    if (count == 0) return;
    if (count > kNamedApproximate) names += " and " + std::to_string(count - kNamedApproximate) + " more";
    const std::string text = count > 1
                                 ? "Warning: the beliefs of nodes " + names +
                                       " rest on messages fitted to samples or passed round a loop: they "
                                       "are approximate."
                                 : "Warning: the belief of node " + names +
                                       " rests on messages fitted to samples or passed round a loop: it "
                                       "is approximate.";
    LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
}
