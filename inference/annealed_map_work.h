#pragma once
// The work of an annealed MAP search, counted before its first update from the join trees its moves
// build: each move updates the part its one target and the evidence on the findings and the other MAP
// nodes make relevant, a part that is the same in every sweep.

#include <cstdint>

#include "base/int_array.h"

class VRX_network;

namespace vovido {

// Join-tree entries or table cells a move reads counted as one cell of the work: an entry takes some 3 to
// 9 ns (measured on water and barley, 1 to 16 MAP nodes; a target's table of 40,000 cells outside its
// tree some 3.5 ns a cell), a cell of the limit some 9 ns at some 10 s.
constexpr int64_t kAnnealedMapTreeEntriesPerCell = 2;
// Every update walks the whole network besides what it reads (its evidence, targets and values): some
// 100 to 145 ns a node of the network (measured on munin, 8 MAP nodes over 2,000 to 100,000 sweeps), this
// many cells of the limit.
constexpr int64_t kAnnealedMapCellsPerNetworkNode = 12;

struct AnnealedMapWork {
    // Counts past 64 bits stay what they are: a tuning may ask for billions of sweeps.
    double updates = 0.0;       // at the least: the start's, and one a MAP node in each sweep
    double sweepEntries = 0.0;  // entries of the move trees of one sweep over every MAP node (counted)
    double nodesRead = 0.0;     // nodes each update reads: the MAP nodes, the findings and their ancestors
    double networkNodes = 0.0;  // the nodes of the network, which each update walks
    double tableCells = 0.0;    // the cells of their tables
    double sweepCells = 0.0;    // per move the larger of its tree and those tables, summed over a sweep
    double work = 0.0;          // in cells
    int unbuildable = -1;       // a MAP node whose move needs a join tree that cannot be built, else -1
    uint64_t unbuildableEntries = 0;  // that tree's entries, UINT64_MAX past 30 nodes a cluster
};

// Counts on the working copy the search will run on, under the clustering algorithms, until the work
// passes `limit` (then the entries are those counted so far): it sets the copy's evidence and targets,
// which the search clears before it starts.
AnnealedMapWork CountAnnealedMapWork(VRX_network& copy, const VRX_intArray& mapNodes,
                                     const VRX_intArray& evidenceNodes, const VRX_intArray& evidenceOutcomes,
                                     double limit);

}  // namespace vovido
