#pragma once
// The work of the probability of evidence by the chain rule, counted before it starts: one belief update
// per finding, each over the part its one target and the findings before it make relevant.

#include <cstdint>
#include <vector>

class VRX_network;

namespace vovido {

// What the updates counted so far do: their number, the entries of their join trees and the nodes their
// relevance steps read, and the work in cells (kChainRuleStepCellsPerTreeEntry a tree entry,
// kCellsPerNodeUpdate a node read). unbuildable: the update of `last` needs a join tree that cannot be built
// (a cluster of more than 30 nodes) or passes the default limit, which fails the chain rule there.
struct ChainRuleSteps {
    int64_t updates = 0;
    int64_t entries = 0;
    int64_t nodes = 0;
    int64_t work = 0;
    int last = -1;
    uint64_t lastEntries = 0;
    bool unbuildable = false;
    // False where the updates read so many nodes that counting their trees would be much of their work:
    // nothing was counted.
    bool counted = true;
};

// Triangulates, for each finding in the order given (the topological order), the parts of an update whose
// only target it is, with the findings before it as evidence; stops after the first update that takes the
// work past `limit` or cannot be built; first, in time proportional to the network, the nodes each reads,
// which alone may pass `limit`, or kMaxChainRuleCountedReads (then no tree is counted). Nothing
// proportional to a table is allocated. The evidence flags
// and the targets are put back as found (the findings' outcomes are the values' own). Under the clustering
// algorithms only: the others do not build join trees.
ChainRuleSteps CountChainRuleSteps(VRX_network& network, const std::vector<int>& findings, int64_t limit);

}  // namespace vovido
