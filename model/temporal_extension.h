#pragma once
// The dynamic-network member of a network. For now it holds the on-screen layout of the plate, which the
// XML graphical extension reads and writes; the temporal arcs, definitions and slices join it later.

#include "base/rectangle.h"

class VRX_network;

class VRX_temporalExtension {
public:
    explicit VRX_temporalExtension(VRX_network* owner = nullptr) : network(owner) {}

    // Stores the plate's rectangle (centre x, centre y, width, height) and its two side widths.
    void SetPlate(const VRX_rectangle& rect, int leftWidth, int rightWidth);
    void GetPlate(VRX_rectangle& rect, int& leftWidth, int& rightWidth) const;

    VRX_network* GetNetwork() const { return network; }

private:
    VRX_network* network;
    VRX_rectangle plateRect{320, 170, 600, 300};
    int plateLeftWidth = 120;
    int plateRightWidth = 120;
};
