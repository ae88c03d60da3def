#pragma once
// Nested, weighted progress steps of long learning operations: each open step stands for a share of
// its enclosing step, and closing a step credits what is left of that share to the overall fraction.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/status_codes.h"

// Told the overall fraction and the step's text whenever a step opens or closes; false asks to cancel.
namespace vovido {
using progress_listener = std::function<bool(double fraction, const std::string& step)>;
}  // namespace vovido

class progress_tracker {
public:
    progress_tracker() : scales_{1.0} {}
    ~progress_tracker() { cancelled_ = true; }

    // Number of open levels; -1 when there is none or cancellation was requested.
    int depth() const;
    // Opens a step at level d (the current one, or one deeper); 0, kOutOfRange for another level,
    // kProgressCancelled once cancellation was requested. A negative d does nothing.
    int open_step(int d, double weight, const std::string& text);
    // Closes the innermost step, opened at level d; deeper levels end with it. kOutOfRange for a deeper d.
    int close_step(int d);

    double overall() const { return overall_; }
    void request_cancel() { cancel_requested_ = true; }
    bool cancelled() const { return cancelled_; }
    const std::vector<std::string>& texts() const { return texts_; }
    // The listener's false answer requests cancellation: the operation stops at its next step.
    void set_listener(vovido::progress_listener listener) { listener_ = std::move(listener); }

private:
    double overall_ = 0.0;
    std::vector<double> scales_;
    std::vector<double> reached_;
    std::vector<double> weights_;
    std::vector<std::string> texts_;
    bool cancel_requested_ = false;
    bool cancelled_ = false;
    vovido::progress_listener listener_;

    void notify(const std::string& text);
};
