// Size checks of dynamic networks: temporal definitions that grow with each temporal arc, and the static
// network that unrolling builds, are refused before anything is allocated.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/temporal_extension.h"

using vovido::IsIndexingType;
using vovido::DefinitionSupport::OutcomeCountOf;
using vovido::DefinitionSupport::TableCellsWithParents;

namespace {

int64_t Times(int64_t a, int64_t b) {
    if (a <= 0 || b <= 0) return 0;
    return a > INT64_MAX / b ? INT64_MAX : a * b;
}

int64_t Plus(int64_t a, int64_t b) {
    return a > INT64_MAX - b ? INT64_MAX : a + b;
}

// The factor by which the parent's dimension multiplies a child's table: 1 for a kind that gives none.
int64_t DimensionOf(const VRX_network& network, int parent) {
    if (!IsIndexingType(network.GetNodeType(parent))) return 1;
    const int n = OutcomeCountOf(&network, parent);
    return n > 1 ? n : 1;
}

int Refuse(const std::string& text) {
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

}  // namespace

int64_t VRX_temporalExtension::SliceTableCells(int node) const {
    int64_t cells = TableCellsWithParents(*network, node, nullptr, 0);
    const VRX_intArray& parents = network->GetParents(node);
    // Anchors (and terminals) leave the slice tables; the saturated product stays saturated.
    for (int i = 0; i < parents.GetCount() && cells < INT64_MAX; i++) {
        const int type = network->GetTemporalType(parents[i]);
        if (type != TemporalType::kNormal && type != TemporalType::kPlate)
            cells /= DimensionOf(*network, parents[i]);
    }
    return cells;
}

int64_t VRX_temporalExtension::DefinitionCells(int definitionNode) const {
    return TableCellsWithParents(definitionNetwork, definitionNode, nullptr, 0);
}

int VRX_temporalExtension::CheckGrownTables(int child, int order, int64_t factor, bool ownGrows) const {
    const int64_t own = TableCellsWithParents(*network, child, nullptr, 0);
    // A kind without a table, or a parent that adds no dimension, grows nothing.
    if (own == 0 || factor == 1) return kSuccess;
    int64_t total = ownGrows ? Times(own, factor) : own;
    int64_t below = SliceTableCells(child);
    bool made = order <= 0;
    for (auto it = temporalDefinitions.lower_bound({child, 0});
         it != temporalDefinitions.end() && it->first.first == child; ++it) {
        const int64_t cells = DefinitionCells(it->second);
        if (!made && it->first.second > order) total = Plus(total, Times(below, factor));
        made = made || it->first.second >= order;
        total = Plus(total, it->first.second >= order ? Times(cells, factor) : cells);
        below = cells;
    }
    if (!made) total = Plus(total, Times(below, factor));
    return total <= kMaxTableCells ? kSuccess : RefuseTables(child, total);
}

int VRX_temporalExtension::RefuseTables(int node, int64_t cells) const {
    // Only a live plate node has temporal tables.
    return vovido::ReportNodeFault(*network->GetNode(node),
                                   "its own and temporal tables of " + std::to_string(cells) +
                                       " cells in all pass the limit of " + std::to_string(kMaxTableCells) +
                                       " cells",
                                   kOutOfMemory);
}

int VRX_temporalExtension::CheckTemporalArcSize(int parent, int child, int order) const {
    if (order < 1 || !IsPlateNode(parent) || !IsPlateNode(child)) return kSuccess;
    return CheckGrownTables(child, order, DimensionOf(*network, parent), false);
}

int64_t VRX_temporalExtension::PlateDimensions(const std::vector<int>& parents) const {
    int64_t factor = 1;
    for (int parent : parents) {
        if (IsPlateNode(parent)) factor = Times(factor, DimensionOf(*network, parent));
    }
    return factor;
}

int VRX_temporalExtension::CheckTemporalArcsSize(const std::vector<int>& parents, int child,
                                                 int order) const {
    if (order < 1 || !IsPlateNode(child)) return kSuccess;
    return CheckGrownTables(child, order, PlateDimensions(parents), false);
}

int64_t VRX_temporalExtension::TemporalTableCellsWith(const std::vector<int>& parents, int child,
                                                      int order) const {
    // A definition of that order, or the one below it that a new one starts from.
    int64_t cells = SliceTableCells(child);
    for (auto it = temporalDefinitions.lower_bound({child, 0});
         it != temporalDefinitions.end() && it->first.first == child && it->first.second <= order; ++it)
        cells = DefinitionCells(it->second);
    return Times(cells, PlateDimensions(parents));
}

int VRX_temporalExtension::CheckArcSize(int parent, int child) const {
    if (!IsPlateNode(child) || !network->IsLiveHandle(parent)) return kSuccess;
    const int type = network->GetTemporalType(parent);
    if (type != TemporalType::kNormal && type != TemporalType::kPlate) return kSuccess;
    if (temporalDefinitions.lower_bound({child, 0}) == temporalDefinitions.lower_bound({child + 1, 0}))
        return kSuccess;
    // Order 0: every temporal definition of the child takes the parent's dimension, as its own table does.
    return CheckGrownTables(child, 0, DimensionOf(*network, parent), true);
}

int VRX_temporalExtension::CheckAnchorRelease(int node) const {
    if (network->GetTemporalType(node) != TemporalType::kAnchor) return kSuccess;
    const VRX_intArray& children = network->GetChildren(node);
    for (int i = 0; i < children.GetCount(); i++) {
        if (!IsPlateNode(children[i])) continue;
        // Its own table has the anchor's dimension already.
        if (const int rc = CheckGrownTables(children[i], 0, DimensionOf(*network, node), false)) return rc;
    }
    return kSuccess;
}

void VRX_temporalExtension::CountUnrolled(int slices, int64_t& nodes, int64_t& cells, int& plates) const {
    nodes = 0;
    cells = 0;
    plates = 0;
    for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
        nodes++;
        cells = Plus(cells, TableCellsWithParents(*network, h, nullptr, 0));
        if (network->GetTemporalType(h) != TemporalType::kPlate) continue;
        plates++;
        // Slices 1 .. slices - 1 take the table of the highest order not above their own.
        int from = 1;
        int64_t table = SliceTableCells(h);
        for (auto it = temporalDefinitions.lower_bound({h, 0});
             it != temporalDefinitions.end() && it->first.first == h && it->first.second < slices; ++it) {
            cells = Plus(cells, Times(table, it->first.second - from));
            from = it->first.second;
            table = DefinitionCells(it->second);
        }
        cells = Plus(cells, Times(table, slices - from));
    }
    nodes = Plus(nodes, Times(plates, slices - 1));
}

int VRX_temporalExtension::CheckUnrolledSize(int slices) const {
    int64_t nodes = 0;
    int64_t cells = 0;
    int plates = 0;
    CountUnrolled(slices, nodes, cells, plates);
    const int64_t bytes = Plus(Times(cells, kUnrolledCellBytes), Times(nodes, kUnrolledNodeBytes));
    if (bytes <= kMaxUnrolledBytes) return kSuccess;
    return Refuse("The network of " + std::to_string(slices) + " slices of " + std::to_string(plates) +
                  " plate nodes would have " + std::to_string(nodes) + " nodes with tables of " +
                  std::to_string(cells) + " cells, which take some " + std::to_string(bytes) + " bytes (" +
                  std::to_string(kUnrolledNodeBytes) + " a node and " + std::to_string(kUnrolledCellBytes) +
                  " a cell), past the limit of " + std::to_string(kMaxUnrolledBytes) + " bytes");
}

int VRX_temporalExtension::CheckUnrolledUpdateSize(int slices, int64_t treeEntries) const {
    int64_t nodes = 0;
    int64_t cells = 0;
    int plates = 0;
    CountUnrolled(slices, nodes, cells, plates);
    const int64_t entries = treeEntries >= 0 ? treeEntries : cells;
    const int64_t bytes = Plus(Plus(Times(cells, kUpdatedCellBytes), Times(nodes, kUpdatedNodeBytes)),
                               Times(entries, kJoinTreeEntryBytes));
    if (bytes <= kMaxUnrolledBytes) return kSuccess;
    return Refuse("The update of " + std::to_string(slices) + " slices of " + std::to_string(plates) +
                  " plate nodes would hold " + std::to_string(nodes) + " nodes with tables of " +
                  std::to_string(cells) + " cells and a join tree of some " + std::to_string(entries) +
                  " entries, which take some " + std::to_string(bytes) + " bytes (" +
                  std::to_string(kUpdatedNodeBytes) + " a node, " + std::to_string(kUpdatedCellBytes) +
                  " a cell and " + std::to_string(kJoinTreeEntryBytes) +
                  " a join-tree entry), past the limit of " + std::to_string(kMaxUnrolledBytes) + " bytes");
}

int VRX_temporalExtension::CheckOutcomeInsert(int node) const {
    const int k = OutcomeCountOf(network, node);
    if (k < 1 || !network->IsLiveHandle(node)) return kSuccess;
    const bool indexing = IsIndexingType(network->GetNodeType(node));
    // A table with m dimensions of the node's outcomes grows by (k + 1)^m / k^m.
    const auto grown = [k](int64_t cells, int m) {
        for (int i = 0; i < m && cells < INT64_MAX; i++) cells = Times(cells / k, k + 1);
        return cells;
    };
    // The plate nodes with temporal tables over the node's outcomes: itself and the owners of the
    // definitions its copies are parents of.
    std::set<int> owners;
    if (IsPlateNode(node)) owners.insert(node);
    for (int copy : CopiesOf(node)) {
        const VRX_intArray& children = definitionNetwork.GetChildren(copy);
        for (int i = 0; i < children.GetCount(); i++) owners.insert(OwnerOf(children[i]));
    }
    for (int owner : owners) {
        const auto first = temporalDefinitions.lower_bound({owner, 0});
        if (first == temporalDefinitions.end() || first->first.first != owner) continue;
        const int own = owner == node ? 1 : 0;
        const int asParent = indexing && network->GetParents(owner).IsInList(node) ? 1 : 0;
        int64_t total = grown(TableCellsWithParents(*network, owner, nullptr, 0), own + asParent);
        for (auto it = first; it != temporalDefinitions.end() && it->first.first == owner; ++it) {
            const VRX_intArray& parents = definitionNetwork.GetParents(it->second);
            int copies = 0;
            for (int i = 0; i < parents.GetCount() && indexing; i++)
                copies += OwnerOf(parents[i]) == node ? 1 : 0;
            total = Plus(total, grown(DefinitionCells(it->second), own + copies));
        }
        if (total > kMaxTableCells) return RefuseTables(owner, total);
    }
    return kSuccess;
}
