// The join tree of a dynamic network's unrolling, estimated from a few slices: a wide interface between
// slices makes every slice add clusters over it, which no number of slices past a few hundred fits, and
// unrolling thousands of slices to find that out takes seconds and gigabytes.
#include "inference/unrolled_tree_probe.h"

#include <cstdint>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/int_array.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "inference/expanded_tables.h"
#include "inference/triangulation.h"
#include "model/network.h"
#include "model/temporal_extension.h"

namespace {

// Probes of more nodes than this are not worth their time.
constexpr int kMaxProbeNodes = 20000;
// The largest cluster the join tree takes, as the exact drivers build it.
constexpr int kMaxClusterMembers = 30;

// The moral graph source of the first `slices` slices: a node outside the plate once, a plate node per
// slice, each observed copy of size 1.
class UnrolledPrefix : public vovido::MoralGraphSource {
public:
    UnrolledPrefix(const VRX_network& owner, const VRX_temporalExtension& temporal, int slices) {
        std::vector<int> index(static_cast<size_t>(owner.GetNumberOfSlots()), -1);
        std::vector<int> plates;
        for (int h = owner.GetFirstNode(); h >= 0; h = owner.GetNextNode(h)) {
            if (owner.GetTemporalType(h) == TemporalType::kPlate) {
                plates.push_back(h);
            } else {
                index[static_cast<size_t>(h)] = Add(owner, h, 1);
            }
        }
        const int base = static_cast<int>(sizes_.size());
        const int p = static_cast<int>(plates.size());
        for (size_t i = 0; i < plates.size(); ++i)
            index[static_cast<size_t>(plates[i])] = static_cast<int>(i);
        const auto at = [&](int h, int t) {
            return owner.GetTemporalType(h) == TemporalType::kPlate
                       ? base + t * p + index[static_cast<size_t>(h)]
                       : index[static_cast<size_t>(h)];
        };
        for (int t = 0; t < slices; ++t) {
            for (int h : plates) {
                const int v = Add(owner, h, temporal.GetTemporalEvidence(h, t) >= 0 ? 1 : 0);
                const VRX_intArray& parents = owner.GetParents(h);
                for (int i = 0; i < parents.GetCount(); ++i) {
                    // An anchor is a parent of the first slice only.
                    if (owner.GetTemporalType(parents[i]) != TemporalType::kAnchor || t == 0)
                        parents_[static_cast<size_t>(v)].push_back(at(parents[i], t));
                }
                VRX_intArray orders;
                VRX_intArray temporalParents;
                if (temporal.GetTemporalOrders(h, orders) != kSuccess) continue;
                for (int k = 0; k < orders.GetCount(); ++k) {
                    if (orders[k] > t ||
                        temporal.GetTemporalParents(h, orders[k], temporalParents) != kSuccess)
                        continue;
                    for (int i = 0; i < temporalParents.GetCount(); ++i)
                        parents_[static_cast<size_t>(v)].push_back(at(temporalParents[i], t - orders[k]));
                }
            }
        }
        // A terminal node's plate parents are those of the last slice.
        for (int h = owner.GetFirstNode(); h >= 0; h = owner.GetNextNode(h)) {
            if (owner.GetTemporalType(h) != TemporalType::kTerminal) continue;
            const VRX_intArray& parents = owner.GetParents(h);
            for (int i = 0; i < parents.GetCount(); ++i)
                parents_[static_cast<size_t>(index[static_cast<size_t>(h)])].push_back(
                    at(parents[i], slices - 1));
        }
    }

    int GetNumberOfNodes() const override { return static_cast<int>(sizes_.size()); }
    int GetSize(int v) const override { return sizes_[static_cast<size_t>(v)]; }
    const std::vector<int>& GetParents(int v) const override { return parents_[static_cast<size_t>(v)]; }

private:
    // `size` 1 for an observed copy, 0 for the node's outcome count.
    int Add(const VRX_network& owner, int h, int size) {
        sizes_.push_back(size > 0 ? size : vovido::DefinitionSupport::OutcomeCountOf(&owner, h));
        parents_.emplace_back();
        return static_cast<int>(sizes_.size()) - 1;
    }

    std::vector<int> sizes_;
    std::vector<std::vector<int>> parents_;
};

// The clique weights of the prefix's triangulation; -1 when no join tree of it fits the cluster limits.
int64_t PrefixWeight(const VRX_network& owner, const VRX_temporalExtension& temporal, int slices) {
    const UnrolledPrefix graph(owner, temporal, slices);
    vovido::Triangulation triangulation(kMaxClusterMembers);
    if (!triangulation.Run(graph, vovido::Triangulation::kNoLimit)) return -1;
    return static_cast<int64_t>(triangulation.GetTotalWeight());
}

}  // namespace

namespace vovido {

int ProbeUnrolledJoinTree(const VRX_network& owner, const VRX_temporalExtension& temporal, int64_t& entries) {
    entries = -1;
    if (!IsJoinTreeAlgorithm(owner.GetBayesianAlgorithm()) || owner.GetNumberOfTargets() != 0)
        return kSuccess;
    int plates = 0;
    for (int h = owner.GetFirstNode(); h >= 0; h = owner.GetNextNode(h))
        plates += owner.GetTemporalType(h) == TemporalType::kPlate ? 1 : 0;
    const int slices = temporal.GetSliceCount();
    // The interface between slices holds at most every plate node: past that many slices the clusters
    // a slice adds stop growing.
    const int first = plates + 2;
    const int second = 2 * first;
    if (plates == 0 || slices <= second || static_cast<int64_t>(second) * plates > kMaxProbeNodes)
        return kSuccess;
    const int64_t before = PrefixWeight(owner, temporal, first);
    const int64_t after = before < 0 ? -1 : PrefixWeight(owner, temporal, second);
    std::string text;
    if (after < 0) {
        text = "ERROR: Exact inference refused: the network of " + std::to_string(slices) + " slices of " +
               std::to_string(plates) + " plate nodes has no join tree: that of its first " +
               std::to_string(second) + " slices already needs a cluster of more than " +
               std::to_string(kMaxClusterMembers) + " nodes or " +
               std::to_string(vovido::Triangulation::kWeightCeiling) + " entries";
    } else {
        const double perSlice = static_cast<double>(after - before) / (second - first);
        const double estimate = static_cast<double>(after) + perSlice * (slices - second);
        if (estimate <= static_cast<double>(kDefaultJoinTreeLimit)) {
            entries = static_cast<int64_t>(estimate);
            return kSuccess;
        }
        text = "ERROR: Exact inference refused: the network of " + std::to_string(slices) + " slices of " +
               std::to_string(plates) + " plate nodes would need a join tree of some " +
               std::to_string(static_cast<int64_t>(estimate)) + " table entries (" + std::to_string(after) +
               " for its first " + std::to_string(second) + " slices), past the limit of " +
               std::to_string(kDefaultJoinTreeLimit) + " table entries";
    }
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int CheckUnrolledUpdate(const VRX_network& owner, const VRX_temporalExtension& temporal) {
    // What cannot be unrolled is refused as such before the probe of its join tree.
    if (const int rc = temporal.CheckUnrolledSize(temporal.GetSliceCount())) return rc;
    int64_t entries = -1;
    if (const int rc = ProbeUnrolledJoinTree(owner, temporal, entries)) return rc;
    return temporal.CheckUnrolledUpdateSize(temporal.GetSliceCount(), entries);
}

}  // namespace vovido
