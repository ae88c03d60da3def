#pragma once
// Expected utility of a multi-attribute utility node, computed from the expected utilities of its
// utility parents with the weights or the expression of each decision configuration.

#include "definitions/utility_values.h"

class VRX_mauExpectedUtility : public VRX_expectedUtility {
public:
    VRX_mauExpectedUtility(int handle, VRX_network* network) : VRX_expectedUtility(handle, network) {}
    explicit VRX_mauExpectedUtility(VRX_nodeValue& source);
    VRX_mauExpectedUtility(const VRX_mauExpectedUtility& source);
    ~VRX_mauExpectedUtility() override;

    [[nodiscard]] int GetType() const override;

    // Fills every cell from the parents' expected utilities read at the same coordinates of the nodes
    // they share; a cell with an undefined input, or whose weights or choice are missing, is undefined.
    [[nodiscard]] int ComputeFromParentUtilities();
};

namespace vovido {
// ComputeFromParentUtilities on the value of the MAU node; kWrongNodeType for a node of another kind.
[[nodiscard]] int ComputeMauValue(VRX_network& network, int handle);
}  // namespace vovido
