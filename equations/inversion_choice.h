#pragma once
// Which parent an observed equation is best solved for: the one whose density varies least over the
// values the inverse takes as the other terms are drawn, so that the weights stay even.

class VRX_hybridSampleNode;
class HybridNetworkView;

namespace vovido {

// The expected spread of the log weight when the observed node is solved for the candidate, the other
// parents drawn: |d ln p| s + |d2 ln p| s^2 / 2 at the inverse of the others' means (s the inverse's
// deviation), plus -ln of the share of those draws that land within a bounded support (infinite when
// none can). NaN where it cannot be told: the node unobserved, a parent other than an observed one or a
// call of constant arguments, a candidate other than such a call.
double InversionSpread(VRX_hybridSampleNode& node, const VRX_hybridSampleNode& candidate,
                       const HybridNetworkView& view);

}  // namespace vovido
