#pragma once
// Whether the join tree of an unrolled dynamic network can fit, judged from the graphs of a few slices
// before the network is unrolled.

class VRX_network;
class VRX_temporalExtension;

namespace vovido {

// Before an exact update unrolls the owner's slices: triangulates the graphs of two short runs of
// slices (long enough for the cluster between slices to reach its full width), extrapolates the join
// tree's entries to every slice, and answers kOutOfMemory, logged with the counts, when that passes
// the join-tree limit; 0 otherwise, and where the probe would cost more than it can save (many
// plate nodes, few slices, targets chosen, an approximate algorithm).
[[nodiscard]] int ProbeUnrolledJoinTree(const VRX_network& owner, const VRX_temporalExtension& temporal);

}  // namespace vovido
