#pragma once
// The tables that noisy, DeMorgan and cast nodes build from their parameters when first asked for,
// counted before an update asks for them.

#include <vector>

class VRX_network;

namespace vovido {

// Whether the discrete algorithm of that code propagates a join tree over every relevant part.
bool IsJoinTreeAlgorithm(int algorithm);

// Whether the node is observed by the user or by propagation; virtual evidence keeps every outcome.
bool IsObservedOutright(const VRX_network& network, int h);

// Per handle, the nodes an update reads: every node when none is a target, else the targets and the nodes
// with evidence of any kind, with their ancestors.
std::vector<char> NodesAnUpdateReads(const VRX_network& network);

// Before an update builds any table: 0 while the tables built from parameters of the nodes the update
// reads, twice (each table and its scaled copy), with (for a Bayesian network `updated` by a clustering
// algorithm) the least join tree over the largest such node's family, stay within the join-tree limit; else
// kOutOfMemory, logged naming that node and the sizes.
// A caller that copies the network besides counts `copies` of each table.
[[nodiscard]] int CheckTablesBuiltFromParameters(const VRX_network& network, bool updated, int copies = 2);

// Before a sampler builds any table from parameters, on a network without targets (every node in its
// parts): 0 while what it certainly spends stays within its limits, or no table is built from parameters;
// else kOutOfMemory, logged naming the largest such node, as the sampler would refuse once every table were
// built. Self-importance and adaptive importance sampling copy every unobserved table into working tables
// (kMaxSampleCopyCells); backward sampling reads, every sample, the row of each parent of an observed node
// of one parent that has parents itself, and importance sampling after loopy propagation walks the parent
// configurations of each such node every pass (SamplingStepLimit).
[[nodiscard]] int CheckSamplingBeforeBuilding(const VRX_network& network);

// Before loopy propagation builds its messages: 0 while its passes over the parent configurations of
// the nodes the update reads stay within kMaxLoopyWorkSteps; else kOutOfMemory, logged naming the node
// of most configurations and the sizes.
[[nodiscard]] int CheckLoopyWork(const VRX_network& network);

}  // namespace vovido
