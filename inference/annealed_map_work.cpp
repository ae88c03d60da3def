// The annealed MAP search's work from the join trees of its moves.
#include "inference/annealed_map_work.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/size_limits.h"
#include "definitions/definition_support.h"
#include "inference/exact_drivers.h"
#include "inference/sampling_work.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

namespace vovido {

AnnealedMapWork CountAnnealedMapWork(VRX_network& copy, const VRX_intArray& mapNodes,
                                     const VRX_intArray& evidenceNodes, const VRX_intArray& evidenceOutcomes,
                                     double limit) {
    AnnealedMapWork count;
    const VRX_annealedMapTuning& tuning = copy.GetAnnealedMapTuning();
    const double sweeps = static_cast<double>(std::max(tuning.numCycle, 1)) *
                          (static_cast<double>(std::max(tuning.iStopSteps, 0)) + 1.0);
    const double m = mapNodes.GetCount();
    count.updates = static_cast<double>(evidenceNodes.GetCount()) + m + 1.0 + sweeps * m;
    std::vector<int> read;
    for (int i = 0; i < mapNodes.GetCount(); i++) read.push_back(mapNodes[i]);
    for (int i = 0; i < evidenceNodes.GetCount(); i++) read.push_back(evidenceNodes[i]);
    const std::vector<char> marked = NodesAndAncestors(copy, read);
    for (int h = copy.GetFirstNode(); h >= 0; h = copy.GetNextNode(h)) {
        if (marked[static_cast<size_t>(h)] == 0) continue;
        count.nodesRead += 1.0;
        count.tableCells +=
            static_cast<double>(DefinitionSupport::TableCellsWithParents(copy, h, nullptr, 0));
    }
    count.networkNodes = static_cast<double>(copy.GetNumberOfNodes());
    const double readWork =
        count.updates * (count.nodesRead * static_cast<double>(kCellsPerNodeUpdate) +
                         count.networkNodes * static_cast<double>(kAnnealedMapCellsPerNetworkNode));
    count.work = readWork;
    // Trees are triangulated only while the work may still pass: the count stops at the limit.
    if (count.work > limit) return count;
    // A move's part depends on which nodes hold evidence, not on their outcomes.
    copy.ClearAllEvidence();
    for (int i = 0; i < evidenceNodes.GetCount(); i++)
        (void)copy.GetNode(evidenceNodes[i])->GetValue()->SetEvidence(evidenceOutcomes[i]);
    for (int i = 0; i < mapNodes.GetCount(); i++) (void)copy.GetNode(mapNodes[i])->GetValue()->SetEvidence(0);
    for (int i = 0; i < mapNodes.GetCount(); i++) {
        VRX_nodeValue* value = copy.GetNode(mapNodes[i])->GetValue();
        (void)value->ClearEvidence();
        copy.ClearAllTargets();
        (void)copy.SetTarget(mapNodes[i]);
        const uint64_t entries = EstimateClusteringEntries(copy);
        (void)value->SetEvidence(0);
        if (entries > kDefaultJoinTreeLimit) {
            count.unbuildable = mapNodes[i];
            count.unbuildableEntries = entries;
            break;
        }
        count.sweepEntries += static_cast<double>(entries);
        // A target outside the tree is computed from its table: what the move reads is at least the larger.
        count.sweepCells += std::max(static_cast<double>(entries), count.tableCells);
        count.work =
            readWork + sweeps * count.sweepCells / static_cast<double>(kAnnealedMapTreeEntriesPerCell);
        if (count.work > limit) break;
    }
    copy.ClearAllTargets();
    copy.ClearAllEvidence();
    return count;
}

}  // namespace vovido
