#pragma once
// Which parent an observed equation is best solved for: the one whose density varies least over the
// values the inverse takes as the other terms are drawn, so that the weights stay even.

#include <string>

class VRX_Helement;
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

// True where every cell of the node is a call of a distribution of whole numbers (IsWholeNumberCall):
// an inverse through it weighs the evidence by a probability only where the other terms leave a whole
// number, so any parent of a density explains the evidence better.
bool DrawsWholeNumbersOnly(const VRX_hybridSampleNode& node, const HybridNetworkView& view);

// The value x of the parent for which the element evaluates to v (for an equation no rule solves,
// Sinh(x) or x^3 + x): undone step by step where the equation is monotonic in the parent, else found by
// bracketing and bisection; false when there is none, or no sign change of the difference is found. The
// element's other variables keep their values; the parent's is left at x.
bool SolveNumerically(VRX_Helement& element, const std::string& parentId, double v, double& x);

}  // namespace vovido
