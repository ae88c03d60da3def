// The effective sample size of a sampling run and its warning.
#include "inference/effective_samples.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/part_view.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido {

void EffectiveSamples::AddPart(const PartView& view, double sum, double squares, int64_t samples) {
    // (sum of weights)^2 / sum of squared weights
    const double effective = sum > 0.0 && squares > 0.0 && std::isfinite(sum) && std::isfinite(squares)
                                 ? sum * sum / squares
                                 : 0.0;
    // A part without any kept weight fails on its own.
    if (!(effective > 0.0) || effective >= kFewEffective || samples < 1) return;
    ++poorParts_;
    if (effective >= least_) return;
    least_ = effective;
    samples_ = samples;
    try {
        std::string names;
        int named = 0;
        for (int i = 0; i < view.GetNumberOfNodes(); i++) {
            if (view.GetEvidence(i) >= 0 || view.GetNodeHandle(i) < 0) continue;
            const VRX_node* node = view.GetNetwork()->GetNode(view.GetNodeHandle(i));
            if (node == nullptr || node->GetId() == nullptr) continue;
            if (++named <= 3) names += std::string(named > 1 ? ", [" : "[") + node->GetId() + "]";
        }
        if (named > 3) names += " and " + std::to_string(named - 3) + " more";
        nodes_ = names;
    } catch (const std::bad_alloc&) {
        nodes_.clear();
    }
}

namespace {

// Updates repeated within one call (policy evaluation, annealed MAP) fold into one entry.
const NoticeKind kFewEffectiveSamplesNotice = {
    "Warning: the beliefs of {count} rest on fewer than 100 effective samples, and may be far off", "update",
    nullptr};

}  // namespace

void EffectiveSamples::Warn() const {
    if (poorParts_ == 0) return;
    char tail[200];
    if (least_ < 1.5) {
        std::snprintf(tail, sizeof tail, " on a single sample: an effective sample size of 1 of %lld",
                      static_cast<long long>(samples_));
    } else {
        std::snprintf(tail, sizeof tail, " on an effective sample size of %.1f of %lld samples", least_,
                      static_cast<long long>(samples_));
    }
    try {
        std::string text = "Warning: the beliefs";
        if (!nodes_.empty()) text += " of " + nodes_;
        text += std::string(" rest") + tail;
        if (poorParts_ > 1) text += " (the poorest of " + std::to_string(poorParts_) + " parts)";
        text += ", and may be far off.";
        char example[64];
        std::snprintf(example, sizeof example, "%.1f of %lld", least_, static_cast<long long>(samples_));
        LogNotice(errorLog, kNoUsefulSamples, text.c_str(), nullptr,
                  {&kFewEffectiveSamplesNotice, std::string(), example});
    } catch (const std::bad_alloc&) {
        LogError(errorLog, kNoUsefulSamples, "Warning: the beliefs rest on few effective samples.", nullptr);
    }
}

}  // namespace vovido
