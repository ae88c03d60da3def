#pragma once
// Holds a network's change notices off for a scope and puts back what was there, so that work whose
// outcome is not yet known (a trial, a copy) propagates and invalidates nothing.

#include "model/network.h"
#include "model/network_settings.h"

namespace vovido {

class NoticesOff {
public:
    explicit NoticesOff(VRX_network& network)
        : network_(network), saved_(network.propagationFlags & PropagationFlags::kNotices) {
        network_.propagationFlags &= ~PropagationFlags::kNotices;
    }
    ~NoticesOff() { network_.propagationFlags |= saved_; }
    NoticesOff(const NoticesOff&) = delete;
    NoticesOff& operator=(const NoticesOff&) = delete;

private:
    VRX_network& network_;
    int saved_;
};

}  // namespace vovido
