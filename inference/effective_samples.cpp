// The effective sample size of a sampling run, the spread of its estimates and its warning.
#include "inference/effective_samples.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "base/counted_notices.h"
#include "base/effective_sample_size.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/batch_spread.h"
#include "inference/part_view.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido {

void EffectiveSamples::AddPart(const PartView& view, double sum, double squares, int64_t samples) {
    const double effective = EffectiveSampleSize(sum, squares);
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

void EffectiveSamples::AddNodeSpread(const PartView& view, int i, double error, int64_t samples) {
    if (!(error > kWideSpread)) return;
    if (++wideNodes_ == 1 || error > widest_) {
        widest_ = error;
        wideSamples_ = samples;
    }
    if (wideNamed_ == 3 || view.GetNodeHandle(i) < 0) return;
    const VRX_node* node = view.GetNetwork()->GetNode(view.GetNodeHandle(i));
    if (node == nullptr || node->GetId() == nullptr) return;
    try {
        wideNames_ += std::string(wideNamed_++ == 0 ? "[" : ", [") + node->GetId() + "]";
    } catch (const std::bad_alloc&) {
        wideNames_.clear();
        wideNamed_ = 0;
    }
}

namespace {

// Updates repeated within one call (policy evaluation, annealed MAP) fold into one entry.
const NoticeKind kFewEffectiveSamplesNotice = {
    "Warning: the beliefs of {count} rest on fewer than 100 effective samples, and may be far off", "update",
    nullptr};
const NoticeKind kWideSpreadNotice = {
    "Warning: the beliefs of {count} have a standard error above 0.03, estimated from batches of their "
    "samples, and may be far off",
    "update", nullptr};

}  // namespace

void EffectiveSamples::WarnOfSpread() const {
    char tail[160];
    std::snprintf(tail, sizeof tail,
                  " a standard error of up to %.3f, estimated from %d batches of the %lld samples", widest_,
                  BatchSpread::BatchCount(static_cast<int>(wideSamples_)),
                  static_cast<long long>(wideSamples_));
    try {
        std::string text = "Warning: the beliefs";
        if (wideNamed_ > 0) text += " of " + wideNames_;
        if (wideNamed_ > 0 && wideNodes_ > wideNamed_)
            text += " and " + std::to_string(wideNodes_ - wideNamed_) + " more";
        text += std::string(" have") + tail + ", and may be far off.";
        char example[64];
        std::snprintf(example, sizeof example, "%.3f of %lld", widest_, static_cast<long long>(wideSamples_));
        LogNotice(errorLog, kNoUsefulSamples, text.c_str(), nullptr,
                  {&kWideSpreadNotice, std::string(), example});
    } catch (const std::bad_alloc&) {
        LogError(errorLog, kNoUsefulSamples, "Warning: the beliefs differ widely between batches of samples.",
                 nullptr);
    }
}

void EffectiveSamples::Warn() const {
    if (poorParts_ == 0) {
        if (wideNodes_ > 0) WarnOfSpread();
        return;
    }
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
