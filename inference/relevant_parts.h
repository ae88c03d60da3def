#pragma once
// The network cut down to what its targets and evidence make relevant, split into independent parts.
// After Lin and Druzdzel, "Computational advantages of relevance reasoning in Bayesian belief networks",
// 1997.

#include "inference/relevance_graph.h"

#include <memory>
#include <vector>

class VRX_network;

namespace vovido {
// The parts of one call, owned by the caller; destroying a part releases its records.
using RelevantPartList = std::vector<std::unique_ptr<RelevanceGraph>>;
}  // namespace vovido

// Builds the relevance graph of the network, removes barren records, spreads evidence through
// deterministic entries (absorbEvidence), cuts the arcs out of observed records, sums unobserved roots
// into their single child (pruneRoots) and splits the rest into parts seeded by the targets; while no
// target is set every node counts as one. Parts of one observed record are answered at once and left
// out, so the list may be empty.
// Returns null for a network without nodes (status 0) and on failure (status kOutOfMemory when memory runs
// out, kOutOfRange for a table that does not fit its record's parents); the network's targets are never
// changed. splitNoisyMax as for RelevanceGraph. Only targets, observed nodes and their ancestors are read:
// recordsRead, when given, receives how many. seeds, when given, name the targets and the nodes with
// evidence, so that nothing else is read (see RelevanceGraph).
std::unique_ptr<vovido::RelevantPartList> FindRelevantParts(VRX_network& network, bool pruneRoots,
                                                            bool absorbEvidence, int* status = nullptr,
                                                            bool splitNoisyMax = true,
                                                            int* recordsRead = nullptr,
                                                            vovido::RelevanceSeeds* seeds = nullptr);
