// Nested weighted progress steps of long learning operations.
#include "learning/progress_tracker.h"

#include <algorithm>

#include "base/status_codes.h"

int progress_tracker::depth() const {
    if (cancel_requested_ || reached_.empty()) return -1;
    return static_cast<int>(reached_.size());
}

int progress_tracker::open_step(int d, double weight, const std::string& text) {
    if (cancel_requested_) {
        cancelled_ = true;
        return kProgressCancelled;
    }
    if (d < 0) return kSuccess;
    const int levels = static_cast<int>(reached_.size());
    if (d != levels && d != levels - 1) return kOutOfRange;
    if (d == levels) reached_.push_back(0.0);
    const double w = std::max(0.0, std::min(std::min(weight, 1.0), 1.0 - reached_.back()));
    scales_.push_back(scales_.back() * w);
    weights_.push_back(w);
    reached_.back() += w;
    texts_.push_back(text);
    notify(text);
    return kSuccess;
}

int progress_tracker::close_step(int d) {
    if (cancel_requested_) {
        cancelled_ = true;
        return kProgressCancelled;
    }
    if (d < 0) return kSuccess;
    int levels = static_cast<int>(reached_.size());
    if (d > levels - 1) return kOutOfRange;
    // Levels deeper than the step's own inner level hold no open step (their operations left them
    // behind): they end with it.
    while (levels - 2 > d) {
        reached_.pop_back();
        --levels;
    }
    if (d == levels - 2) {
        reached_.pop_back();
        --levels;
    }
    if (weights_.empty()) return kSuccess;
    // The step's whole share is credited now; what its inner steps already credited is taken off the
    // shares of the enclosing levels so that nothing counts twice.
    const double a = scales_.back();
    for (size_t i = scales_.size() - 1; i-- > 1;) scales_[i] = std::max(0.0, scales_[i] - a);
    overall_ = std::min(1.0, overall_ + a);
    notify(texts_.back());
    weights_.pop_back();
    scales_.pop_back();
    texts_.pop_back();
    return kSuccess;
}

void progress_tracker::notify(const std::string& text) {
    if (listener_ && !listener_(overall_, text)) cancel_requested_ = true;
}
