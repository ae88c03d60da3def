// The hybrid samplers' last resort: evidence so unlikely under the model's draws that none of them fits
// (the product of eight uniforms observed at 0.7 leaves one draw in seven million a value) is possible
// all the same. A search moves the free nodes until the evidence fits, and a Metropolis chain from there
// gives the estimates.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/distribution_samplers.h"
#include "base/error_log.h"
#include "base/random_generator.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/hybrid_element.h"
#include "equations/distribution_support.h"
#include "equations/hybrid_sampling_network.h"
#include "equations/inversion_choice.h"

using SampleNode = VRX_hybridSampleNode;

namespace {

constexpr double kNoDensity = -std::numeric_limits<double>::infinity();

// How far x lies outside [lower, upper] (0 inside, 1 where unknown).
double Outside(double x, const std::pair<double, double>& support) {
    if (std::isnan(support.first)) return 1.0;
    if (x < support.first) return support.first - x;
    if (x > support.second) return x - support.second;
    return 0.0;
}

// How far a distribution node's value lies outside the support of its call shifted by the terms added
// to it ("x + Uniform(-0.1, 0.1)" at 6 with x at 2: 3.9), so that the search moves x towards it; 1 where
// that cannot be told.
double OutsideShiftedCall(SampleNode& node) {
    auto* element = dynamic_cast<VRX_distributionElement*>(node.TakeElement());
    const VRX_expression* call = nullptr;
    double at = 0.0;
    if (element == nullptr || !element->LocateInCall(node.GetValue(), call, at)) return 1.0;
    const double distance = DistanceOutsideCall(*call, at);
    return distance > 0.0 ? distance : 1.0;
}

}  // namespace

double HybridSampleNet::LogTarget(double& violation) {
    double total = 0.0;
    violation = 0.0;
    for (SampleNode* node : order_) {
        double factor = 0.0;
        if (node->nodeFlags & SampleNodeFlags::kInverts) {
            factor = std::log(ApplyInversion(*node));
        } else if (node->IsFixed() || !node->IsDeterministic()) {
            // A free node's own density at its value, as that of an observed or inverted one; a free
            // node's range holds its draws.
            factor = constantFactor_[static_cast<size_t>(node->handle)] ? 0.0 : node->LogEvidenceWeight();
            if (!node->IsFixed() && node->IsContinuous() &&
                !static_cast<const VRX_continuousSampleNode&>(*node).InSupport(node->GetValue()))
                factor = kNoDensity;
        } else {
            factor = std::log(node->SampleFromConditional());
        }
        if (std::isfinite(factor)) {
            total += factor;
            continue;
        }
        total = kNoDensity;
        violation += node->IsContinuous() && !node->parents.empty() && !node->IsDeterministic()
                         ? OutsideShiftedCall(*node)
                         : Outside(node->GetValue(), rootSupport_[static_cast<size_t>(node->handle)]);
    }
    return total;
}

const char* HybridSampleNet::WhatDrawsFit() const {
    for (const auto& node : sampleNodes) {
        if (node && node->IsObserved()) return "fitted the evidence";
    }
    return "kept every node within its bounds";
}

bool HybridSampleNet::RunChainFallback(const std::string& given, bool replacing) {
    const std::string why = given.empty() ? std::string("no draw of the sampler ") + WhatDrawsFit() : given;
    if (!refusal_.empty() || order_.size() != static_cast<size_t>(nodeCount)) return false;
    if (rootSupport_.empty()) FindRootSupports();
    std::vector<SampleNode*> free;
    for (SampleNode* node : order_) {
        if (!node->IsFixed() && !node->IsDeterministic()) free.push_back(node);
    }
    const int samples = view.GetNumberOfSamples();
    if (free.empty() || samples < 1) return false;
    // As many evaluations of the network as the sampler's attempts, or a sweep a sample where the work of
    // the draws allows it.
    const long long perEvaluation = std::max<long long>(drawTerms, 1);
    long long evaluations =
        std::min<long long>(static_cast<long long>(samples) * 4 * static_cast<long long>(free.size()) + 1000,
                            std::max<long long>(kMaxSampleWorkTerms / perEvaluation, 1000));
    if (replacing) {
        // In place of estimates whose weights look healthy, the chain costs about what their draws did, and
        // gives way to them where that leaves it too few sweeps to record (a sweep moves every free node).
        constexpr long long kFewestSweeps = 100;
        evaluations = std::min<long long>(evaluations, static_cast<long long>(samples) + 1000);
        if (evaluations * 3 / 4 / static_cast<long long>(free.size()) <
            std::min<long long>(samples, kFewestSweeps))
            return false;
    }
    std::vector<double> state(sampleNodes.size(), 0.0), scale(sampleNodes.size(), 1.0);
    auto save = [&] {
        for (SampleNode* node : order_) state[static_cast<size_t>(node->handle)] = node->GetValue();
    };
    auto restore = [&] {
        for (SampleNode* node : order_) node->SetValue(state[static_cast<size_t>(node->handle)]);
    };
    for (SampleNode* node : free) {
        double mean = 0.0, variance = 0.0;
        VRX_Helement* element = node->IsContinuous() ? node->TakeElement() : nullptr;
        if (element != nullptr && element->GetMeanAndVariance(mean, variance) == kSuccess && variance > 0.0 &&
            std::isfinite(variance))
            scale[static_cast<size_t>(node->handle)] = std::sqrt(variance);
    }
    // Steps stay within a range of their first size: a search that shrank them to nothing would stall.
    const std::vector<double> first = scale;
    auto tune = [&](const SampleNode& node, double factor) {
        const size_t h = static_cast<size_t>(node.handle);
        scale[h] = std::min(std::max(scale[h] * factor, 1e-4 * first[h]), 10.0 * first[h]);
    };
    // A term of whole numbers (Bernoulli) moves by whole steps: a fraction has no probability.
    std::vector<char> whole(sampleNodes.size(), 0);
    for (SampleNode* node : free)
        whole[static_cast<size_t>(node->handle)] = vovido::DrawsWholeNumbersOnly(*node, view);
    // One free node moved: a continuous one by a Normal step of its scale, a discrete one to another state.
    auto move = [&](SampleNode& node) {
        const double x = node.GetValue();
        if (node.IsContinuous()) {
            const double step =
                NormalSample(sampleNodeGenerator, 0.0, scale[static_cast<size_t>(node.handle)]);
            node.SetValue(!whole[static_cast<size_t>(node.handle)]
                              ? x + step
                              : x + std::copysign(std::max(1.0, std::round(std::fabs(step))), step));
            return;
        }
        const int count = static_cast<VRX_discreteSampleNode&>(node).outcomeCount;
        if (count < 2) return;
        const int other = static_cast<int>(sampleNodeGenerator.NextFraction() * (count - 1));
        node.SetValue(other >= static_cast<int>(x) ? other + 1 : other);
    };
    double ignored = 0.0;
    // The search: from a draw of the model, moves that bring the values closer to what the evidence
    // allows.
    (void)DrawSample(false, ignored);
    double violation = 0.0, target = LogTarget(violation);
    long long spent = 0;
    // A free node never leaves the values its own distribution takes, and a search that stops getting
    // closer starts again from a new draw.
    constexpr int kStalled = 500;
    // Once stalled, each free continuous value in turn is scanned over a grid of widening steps about
    // it, out to a million times its scale: a window that only a tail allows (x > 8 of a Normal(0, 1)),
    // which small moves from a draw never reach, is found there.
    auto scan = [&] {
        constexpr int kPoints = 10000;
        const double reach = std::asinh(1e6);
        for (SampleNode* node : free) {
            if (!node->IsContinuous()) continue;
            const double centre = node->GetValue(), step = first[static_cast<size_t>(node->handle)];
            double closest = violation, best = centre;
            bool fits = false;
            // Outward from the value, the two sides in turn: the nearest fits are found first.
            for (int i = 0; i < kPoints && !fits && spent < evaluations; ++i, ++spent) {
                const double x =
                    centre + (i % 2 == 0 ? step : -step) * std::sinh(reach * (i / 2 + 1) * 2.0 / kPoints);
                node->SetValue(x);
                double moved = 0.0;
                if (!std::isfinite(node->LogEvidenceWeight())) continue;
                fits = std::isfinite(LogTarget(moved));
                if (fits || moved < closest) {
                    closest = moved;
                    best = x;
                }
            }
            node->SetValue(best);
            target = LogTarget(violation);
            if (fits) return;
        }
    };
    int stalled = 0;
    bool scanned = false;
    for (; !std::isfinite(target) && spent < evaluations; ++spent) {
        if (++stalled > kStalled && !scanned) {
            scanned = true;
            stalled = 0;
            scan();
            continue;
        }
        if (stalled > kStalled) {
            (void)DrawSample(false, ignored);
            target = LogTarget(violation);
            scale = first;
            stalled = 0;
            continue;
        }
        save();
        SampleNode& node = *free[static_cast<size_t>(sampleNodeGenerator.NextFraction() * free.size())];
        move(node);
        double moved = 0.0;
        const bool own = std::isfinite(node.LogEvidenceWeight());
        const double next = own ? LogTarget(moved) : kNoDensity;
        if (own && (std::isfinite(next) || moved < violation)) {
            if (moved < violation) stalled = 0;
            target = next;
            violation = moved;
            tune(node, 1.2);
        } else {
            restore();
            tune(node, 0.9);
        }
    }
    if (!std::isfinite(target)) return false;
    (void)LogTarget(violation);  // the fixed values of the state found
    // The chain: a quarter of its steps to settle, then a sample after every sweep over the free nodes.
    for (auto& node : sampleNodes) {
        if (node && !node->IsObserved()) node->ResetEstimate();
    }
    const long long steps = std::max<long long>(evaluations - spent, static_cast<long long>(free.size()));
    const long long settle = steps / 4;
    // Every thin-th sweep recorded: no more samples than the run asked for (their memory was checked).
    const long long sweeps = (steps - settle) / static_cast<long long>(free.size());
    const long long thin = std::max<long long>(1, sweeps / samples);
    const long long sweepSteps = thin * static_cast<long long>(free.size());
    long long accepted = 0;
    int recorded = 0;
    // A share of the moves reflects a continuous value through 0 where its own density allows it: an
    // even function observed (x*x, Abs(x)) puts the posterior at two mirrored places that random-walk
    // steps never join. The reflection is its own inverse, so the chain's target stays the posterior.
    constexpr double kReflectShare = 0.1;
    for (long long step = 0; step < steps; ++step) {
        save();
        SampleNode& node = *free[static_cast<size_t>(step % static_cast<long long>(free.size()))];
        bool reflect = node.IsContinuous() && sampleNodeGenerator.NextFraction() < kReflectShare;
        if (reflect) {
            node.SetValue(-node.GetValue());
            reflect = std::isfinite(node.LogEvidenceWeight());
            if (!reflect) restore();
        }
        if (!reflect) move(node);
        // A value its own distribution rules out (a negative scale) is never weighed: its children's
        // calls would only report invalid parameters.
        const double next = std::isfinite(node.LogEvidenceWeight()) ? LogTarget(ignored) : kNoDensity;
        const bool accept = std::isfinite(next) &&
                            std::log(std::max(sampleNodeGenerator.NextFraction(), 1e-300)) < next - target;
        if (accept) {
            target = next;
            ++accepted;
        } else {
            restore();
            (void)LogTarget(ignored);
        }
        // Steps tuned towards about half the moves accepted while the chain settles.
        if (step < settle && !reflect) tune(node, accept ? 1.1 : 0.95);
        if (step < settle || (step - settle + 1) % sweepSteps != 0 || recorded >= samples) continue;
        ++recorded;
        for (auto& n : sampleNodes) {
            if (n && !n->IsObserved()) n->AddSampleToEstimate(1.0);
        }
    }
    if (recorded == 0) return false;
    for (auto& node : sampleNodes) {
        if (node && !node->IsObserved()) node->FinishEstimate();
    }
    WriteAllResults();
    // The estimates the run made before are replaced: what it warned of them no longer holds.
    std::string rest;
    try {
        (void)vovido::EraseEntriesStartingWith(errorLog, firstEntry_, "Warning: the estimate", rest);
    } catch (const std::bad_alloc&) {
        // Without memory the warnings stay.
    }
    // Named: the evidence the chain was started to fit.
    std::vector<std::string> ids;
    for (const SampleNode* node : ExplainedEvidence()) ids.push_back(node->id);
    char text[200];
    std::snprintf(
        text, sizeof text,
        " come from a Markov chain of %d samples started where it fits, %.0f%% of its moves accepted",
        recorded, 100.0 * static_cast<double>(accepted) / static_cast<double>(steps));
    const std::string warning =
        "Warning: " + why + ": the beliefs" +
        (ids.empty() ? "" : " given the evidence on " + vovido::NodeNames(ids)) + text +
        "; they may rest on fewer effective samples, and on the regions of the posterior the chain reached "
        "from its start by small steps and reflections through 0: other regions, where there are any, are "
        "missed.";
    LogError(errorLog, kNoUsefulSamples, warning.c_str(), nullptr);
    chainRan_ = true;
    return true;
}
