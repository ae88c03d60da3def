#pragma once
// The order in which relevance decomposition takes its targets: a topological order that the network's
// identifiers fix, so that the same network read from files that list its nodes differently forms the
// same groups, makes the same runs and does the same work.

#include <cstdint>
#include <vector>

class VRX_network;

namespace vovido {

// The requested nodes (a byte a handle) from the end of a topological order to its start. The order is the
// post-order of a walk up through the parents (in their table order), started from every node by depth and
// then by its rank (IdentifierRanks): parents before children, and a node's ancestors close before it, as
// groups need.
std::vector<int> RequestedFromTheEnd(const VRX_network& network, const std::vector<unsigned char>& requested,
                                     const std::vector<int>& rank);

// By handle, the node's place in the order of identifiers (unique; handles break the ties of nodes without
// one); -1 for a free slot.
std::vector<int> IdentifierRanks(const VRX_network& network);

// About the nodes the relevance steps of groups of groupSize targets of the list read: each group at least
// the nodes with evidence and their ancestors, and the longest chain of ancestors of each of its targets.
// Counted in time proportional to the network, before any group runs.
int64_t EstimateGroupReads(const VRX_network& network, const std::vector<int>& list, int groupSize,
                           const std::vector<int>& evidence);

}  // namespace vovido
