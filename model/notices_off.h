#pragma once
// Holds a network's change notices off for a scope and puts back what was there, so that work whose
// outcome is not yet known (a trial, a copy) propagates and invalidates nothing.

#include "model/network.h"
#include "model/network_settings.h"

namespace vovido {

class NoticesOff {
public:
    explicit NoticesOff(VRX_network& network)
        : network_(network),
          saved_(network.propagationFlags & PropagationFlags::kNotices),
          current_(network.propagationCurrent_) {
        network_.propagationFlags &= ~PropagationFlags::kNotices;
    }
    // The notices held off were the scope's own: what they would have re-propagated is as it was, or told
    // by the caller's own notice after the scope.
    ~NoticesOff() {
        network_.propagationFlags |= saved_;
        network_.propagationCurrent_ = current_;
    }
    NoticesOff(const NoticesOff&) = delete;
    NoticesOff& operator=(const NoticesOff&) = delete;

private:
    VRX_network& network_;
    int saved_;
    bool current_;
};

}  // namespace vovido
