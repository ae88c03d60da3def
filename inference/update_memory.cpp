// Counting the memory an exact update holds at once: a table read whole from a file is held by the network
// while the update builds its tree beside it, and a tree within its own limit may not fit beside them.
#include "inference/update_memory.h"

#include <algorithm>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "inference/expanded_tables.h"
#include "inference/join_tree.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "inference/table_check.h"
#include "model/checked_table.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_parts.h"

namespace {

constexpr uint64_t kCap = uint64_t{1} << 62;

uint64_t Plus(uint64_t a, uint64_t b) {
    return std::min(kCap, a + std::min(kCap, b));
}

// Below this many entries the marginal of a left-out node's parents is counted as made, not looked for:
// finding whether a cluster holds just those parents costs more than it saves.
constexpr uint64_t kSoughtMarginalEntries = uint64_t{1} << 20;

// Whether some cluster's unobserved members are exactly the node's parents, so that their marginal is
// read from that cluster's table without a copy.
bool ParentsFillACluster(const JoinTree& tree, const std::vector<int>& parents) {
    const PartView& part = tree.GetPart();
    for (int i = 0; i < tree.GetNumberOfClusters(); ++i) {
        const Cluster& c = tree.GetCluster(i);
        if (!c.HoldsAll(parents)) continue;
        const int* members = c.GetMembers();
        const auto unobserved = std::count_if(members, members + c.GetNumberOfMembers(),
                                              [&part](int v) { return part.GetEvidence(v) < 0; });
        if (unobserved == static_cast<long>(parents.size())) return true;
    }
    return false;
}

// The least an update builds over the node's family: a cluster of its unobserved parents, with the node
// itself unless observed, or left out of the tree as an unobserved childless node read from its parents'
// marginal; and, where a parent is observed, the node's table sliced at that finding (cells over its
// outcomes at the largest such parent, the first slice the relevance steps cut).
struct FamilyWork {
    uint64_t cluster = 1;
    uint64_t sliced = 0;
};

FamilyWork LeastFamilyWork(const VRX_network& network, int h, int64_t cells) {
    const VRX_intArray& parents = network.GetParents(h);
    const auto outcomes = [&network](int node) {
        return static_cast<uint64_t>(std::max(vovido::DefinitionSupport::OutcomeCountOf(&network, node), 1));
    };
    FamilyWork work;
    if (!vovido::IsObservedOutright(network, h) && network.GetChildren(h).GetCount() > 0)
        work.cluster = outcomes(h);
    uint64_t sliceBy = 0;
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (vovido::IsObservedOutright(network, parents[i]))
            sliceBy = std::max(sliceBy, outcomes(parents[i]));
        else
            work.cluster = std::min(kCap, work.cluster * outcomes(parents[i]));
    }
    if (sliceBy > 0) work.sliced = static_cast<uint64_t>(cells) / sliceBy;
    return work;
}

// At least the cells of every table the network holds: each node's outcomes times its parents' (a parent
// listed twice counted twice, a kind without a table as if it had one).
uint64_t TablesBound(const VRX_network& network) {
    std::vector<uint64_t> outcomes(static_cast<size_t>(std::max(network.GetNumberOfSlots(), 0)), 1);
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h))
        outcomes[static_cast<size_t>(h)] =
            static_cast<uint64_t>(std::max(vovido::DefinitionSupport::OutcomeCountOf(&network, h), 1));
    uint64_t total = 0;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_intArray& parents = network.GetParents(h);
        uint64_t cells = outcomes[static_cast<size_t>(h)];
        for (int i = 0; i < parents.GetCount() && cells < kCap; ++i) {
            const uint64_t n = outcomes[static_cast<size_t>(parents[i])];
            cells = n > kCap / cells ? kCap : cells * n;
        }
        total = Plus(total, cells);
    }
    return total;
}

}  // namespace

namespace vovido {

int CheckUpdateMemory(const VRX_network& network) {
    // The scaled copies, the family's cluster and its slice are each at most the tables themselves: below
    // a quarter of the limit nothing can pass it. Every update of a small network stops here, after one
    // pass that bounds each table by the outcomes of its node and parents.
    if (TablesBound(network) <= static_cast<uint64_t>(kMaxUpdateMemoryCells) / 4) return kSuccess;
    HeldTables held = CountHeldTables(network);
    const std::vector<char> read = NodesAnUpdateReads(network);
    int widest = -1;
    int64_t widestCells = -1;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (read[static_cast<size_t>(h)] == 0) continue;
        const int64_t cells = DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0);
        if (cells > widestCells) {
            widest = h;
            widestCells = cells;
        }
    }
    if (widest < 0) return kSuccess;
    const FamilyWork family = LeastFamilyWork(network, widest, widestCells);
    const uint64_t least = Plus(family.cluster, family.sliced);
    constexpr uint64_t kLimit = static_cast<uint64_t>(kMaxUpdateMemoryCells);
    uint64_t cells = Plus(static_cast<uint64_t>(held.cells + held.copies), least);
    // Where copies of the tables not yet checked would decide, their columns are read (some 0.2 s a GB).
    if (cells <= kLimit && Plus(cells, static_cast<uint64_t>(held.unchecked)) > kLimit) {
        for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
            if (NeedsScaledCopy(network, h))
                held.copies += DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0);
        }
        cells = Plus(static_cast<uint64_t>(held.cells + held.copies), least);
    }
    if (cells <= kLimit) return kSuccess;
    const std::string sliced = family.sliced > 0 ? ", its table sliced at its parents' findings (" +
                                                       std::to_string(family.sliced) + " cells)"
                                                 : std::string();
    const std::string text = "ERROR: Node [" + std::string(IdAt(network, widest)) + "] : its table of " +
                             std::to_string(widestCells) + " cells, with the network's other tables (" +
                             std::to_string(held.cells) + " cells in all, and " +
                             std::to_string(held.copies) + " of scaled copies)" + sliced +
                             " and a join tree of at least " + std::to_string(family.cluster) +
                             " entries over its family, would hold " + std::to_string(cells * 8) +
                             " bytes at once in an exact update, past the limit of " +
                             std::to_string(kMaxUpdateMemoryCells * 8) + " bytes";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

HeldTables CountHeldTables(const VRX_network& network) {
    HeldTables held;
    held.counted = true;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const int64_t cells = DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0);
        held.cells = std::min<int64_t>(INT64_MAX / 2, held.cells + cells);
        if (cells > held.largestCells) {
            held.largest = h;
            held.largestCells = cells;
        }
        const VRX_nodeDefinition* definition = network.GetNode(h)->GetDefinition();
        const CheckedTable* checked = definition != nullptr ? definition->FindCheckedTable() : nullptr;
        if (checked == nullptr || !checked->current)
            held.unchecked = std::min(INT64_MAX / 2, held.unchecked + cells);
        if (checked != nullptr && checked->current && !checked->asGiven)
            held.copies =
                std::min<int64_t>(INT64_MAX / 2, held.copies + checked->scaled.GetNumberOfElements());
    }
    return held;
}

int64_t PartOwnedCells(const RelevanceGraph& part) {
    int64_t cells = 0;
    for (int i = 0; i < part.GetNumberOfRecords(); ++i) {
        const RelevanceNode* record = part.GetRecord(i);
        if (record->tableKind == RelevanceTableKind::kOwned && record->table != nullptr)
            cells += record->table->GetNumberOfElements();
    }
    return cells;
}

uint64_t HeldTreeEntries(const JoinTree& tree) {
    const PartView& part = tree.GetPart();
    uint64_t marginals = 0;
    for (const int v : tree.GetLeftOutNodes()) {
        const std::vector<int>& parents = part.GetParentIndices(v);
        if (parents.size() < 2) continue;
        uint64_t entries = 1;
        for (const int p : parents)
            entries = std::min(kCap, entries * std::max(part.GetNumberOfOutcomes(p), 1));
        // The marginal reordered as the node's table reads it, and the marginal itself unless a cluster
        // holds just the parents.
        const bool copied = entries < kSoughtMarginalEntries || !ParentsFillACluster(tree, parents);
        marginals = std::max(marginals, copied ? Plus(entries, entries) : entries);
    }
    return Plus(tree.EstimateTableEntries(), marginals);
}

std::string UpdateMemoryRefusal(const VRX_network& network, const HeldTables& held, int64_t partCells,
                                uint64_t entries, int nodes, const char* tree) {
    const uint64_t cells = Plus(
        Plus(static_cast<uint64_t>(held.cells + held.copies), static_cast<uint64_t>(partCells)), entries);
    if (cells <= static_cast<uint64_t>(kMaxUpdateMemoryCells)) return {};
    const std::string largest = held.largest >= 0
                                    ? ", the largest [" + std::string(IdAt(network, held.largest)) + "] of " +
                                          std::to_string(held.largestCells) + " cells"
                                    : std::string();
    return "ERROR: Exact inference refused: the " + std::string(tree) + " of a part of " +
           std::to_string(nodes) + " nodes needs " + std::to_string(entries) +
           " table entries, which with the network's tables of " + std::to_string(held.cells) + " cells" +
           largest + ", " + std::to_string(held.copies) + " cells of scaled copies and " +
           std::to_string(partCells) + " cells of the part's own tables would hold " +
           std::to_string(cells * 8) + " bytes at once, past the limit of " +
           std::to_string(kMaxUpdateMemoryCells * 8) + " bytes";
}

}  // namespace vovido
