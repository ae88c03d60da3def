#pragma once
// Whether the join tree of an unrolled dynamic network can fit, judged from the graphs of a few slices
// before the network is unrolled.

#include <cstdint>

class VRX_network;
class VRX_temporalExtension;

namespace vovido {

// Before an exact update unrolls the owner's slices: triangulates the graphs of two short runs of
// slices (long enough for the cluster between slices to reach its full width), extrapolates the join
// tree's entries to every slice (into `entries`), and answers kOutOfMemory, logged with the counts,
// when that passes the join-tree limit; 0 otherwise, and where the probe would cost more than it can
// save (many plate nodes, few slices, targets chosen, an approximate algorithm), with `entries` -1.
[[nodiscard]] int ProbeUnrolledJoinTree(const VRX_network& owner, const VRX_temporalExtension& temporal,
                                        int64_t& entries);

// Whether the owner's update, which unrolls it and holds the unrolled network's join tree, fits: the
// unrolled network's own size, the probe above, then the memory of the update with the entries it
// found. 0, or kOutOfMemory logged.
[[nodiscard]] int CheckUnrolledUpdate(const VRX_network& owner, const VRX_temporalExtension& temporal);

}  // namespace vovido
