#pragma once
// The memory an exact update holds at once, counted before any table of its tree is allocated: the
// network's own tables with the scaled copies the update reads in their place, the tables its relevance
// steps made for a part, and the tree's tables.

#include <cstdint>
#include <string>

class VRX_network;
class JoinTree;
class RelevanceGraph;

namespace vovido {

// The tables a network holds while it is updated: every node's, and the scaled copy in place of each that
// needed one; the largest names the refusal.
struct HeldTables {
    bool counted = false;
    int64_t cells = 0;
    int64_t copies = 0;
    int largest = -1;
    int64_t largestCells = 0;
    // Cells of the CPTs not checked since they last changed, which may yet need a scaled copy.
    int64_t unchecked = 0;
};

// Counted once an update, after its tables were scaled: one pass over the nodes, nothing allocated.
HeldTables CountHeldTables(const VRX_network& network);

// Cells of the tables the relevance steps made for the part (roots summed into their children, findings
// absorbed), held while its tree is run.
int64_t PartOwnedCells(const RelevanceGraph& part);

// Entries a run over the built (triangulated, unfilled) tree holds at once: its cluster and separator
// tables, and, for the nodes it leaves out, the marginal of their parents and its reordering.
uint64_t HeldTreeEntries(const JoinTree& tree);

// Before an exact update scales its tables, and again before it finds its parts: 0 while the network's
// tables, the scaled copies in their place (where that decides, the columns of each table not yet checked
// are read to find whether it needs one) and the least join tree over the largest family the update reads
// (the targets, or every node when none is set, and the nodes with evidence, with their ancestors: the node's
// unobserved parents, with the node itself unless observed or left out as an unobserved childless node) stay
// within kMaxUpdateMemoryCells; else kOutOfMemory, logged naming that node and the bytes.
[[nodiscard]] int CheckUpdateMemory(const VRX_network& network);

// The refusal's text where the tree (`tree` names its kind) of a part of `nodes` nodes, of `entries`
// entries, with the part's own tables and the network's, would pass kMaxUpdateMemoryCells; empty within it.
std::string UpdateMemoryRefusal(const VRX_network& network, const HeldTables& held, int64_t partCells,
                                uint64_t entries, int nodes, const char* tree);

}  // namespace vovido
