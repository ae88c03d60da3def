// Expected counts of one EM record (see em_record_counts.h).
#include "learning/em_record_counts.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "inference/join_tree.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "inference/relevant_parts.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace vovido {

EmRecordCounter::EmRecordCounter(VRX_network& network, EmNodeTables& tables, bool shareTree,
                                 const std::vector<std::pair<int, int>>* targets)
    : network_(network), tables_(tables) {
    if (!shareTree) sharedState_ = -1;
    size_ = network.GetLastNode() + 1;
    if (size_ < 0) size_ = 0;
    ownTables_.assign(static_cast<size_t>(size_), nullptr);
    targets_.assign(static_cast<size_t>(size_), {-1, 0});
    for (int h = 0; h < size_; ++h) {
        if (!network.IsLiveHandle(h)) continue;
        const std::pair<int, int> target = targets != nullptr && h < static_cast<int>(targets->size())
                                               ? (*targets)[static_cast<size_t>(h)]
                                               : std::pair<int, int>(h, 0);
        VRX_Dmatrix* own = nullptr;
        if (target.first < 0 || target.first >= static_cast<int>(tables.counts.size()) || target.second < 0 ||
            target.second >= static_cast<int>(tables.counts[target.first].size()) ||
            network.GetNode(h)->GetDefinition()->GetDefinition(own) != kSuccess || own == nullptr ||
            !own->HasSameDimensions(tables.counts[target.first][target.second])) {
            continue;
        }
        targets_[h] = target;
        ownTables_[h] = own;
    }
    observed_.assign(static_cast<size_t>(size_), -1);
    counted_.assign(static_cast<size_t>(size_), 1);
    partIndex_.assign(static_cast<size_t>(size_), -1);
    partEvidence_.assign(static_cast<size_t>(size_), -1);
    (void)SharedTreeReady();
}

// The tree before the view before the graph: each reads the next.
EmRecordCounter::~EmRecordCounter() {
    sharedTree_.reset();
    sharedView_.reset();
    sharedGraph_.reset();
}

void EmRecordCounter::ReadEvidence() {
    for (int h = 0; h < size_; ++h) {
        observed_[h] = -1;
        if (!network_.IsLiveHandle(h)) continue;
        VRX_nodeValue* value = network_.GetNode(h)->GetValue();
        if (value != nullptr && value->HasEvidence()) observed_[h] = value->GetEvidence();
    }
}

int EmRecordCounter::FixedPosition(int handle) const {
    if (ownTables_[handle] == nullptr) return -1;
    const VRX_intArray& parents = network_.GetParents(handle);
    const int* strides = ownTables_[handle]->GetStrides().GetItems();
    const int own = observed_[handle];
    if (own < 0) return -1;
    int position = own * strides[parents.GetCount()];
    for (int k = 0; k < parents.GetCount(); ++k) {
        const int e = observed_[parents[k]];
        if (e < 0) return -1;
        position += e * strides[k];
    }
    return position;
}

int EmRecordCounter::AddRecord(double weight, bool relevance, double& probability) {
    ReadEvidence();
    pending_.clear();
    // Complete families need no inference; each gives its table entry as a factor of the probability
    // of the evidence (their records leave the parts as answered).
    double factor = 1.0;
    bool complete = true;
    for (int h = 0; h < size_; ++h) {
        counted_[h] = 1;
        if (!network_.IsLiveHandle(h)) continue;
        const int position = FixedPosition(h);
        if (position >= 0) {
            pending_.push_back({&CountsOf(h)[position], weight});
            factor *= (*ownTables_[h])[position];
        } else {
            counted_[h] = 0;
            complete = false;
        }
    }
    int exponent = 0;
    if (complete) {
        // Every family is observed whole: the product of their entries is the record's probability.
    } else if (SharedTreeReady()) {
        // One tree serves every record: only the evidence in its potentials changes.
        for (RelevanceNode* record : sharedGraph_->records) record->evidence = observed_[record->GetHandle()];
        sharedTree_->RestoreMembership();
        if (sharedTree_->InitializePotentials() != kSuccess) {
            LogError(errorLog, kFailure, "em: inference cannot be performed", nullptr);
            return kFailure;
        }
        sharedTree_->CollectEvidence();
        if (sharedTree_->DistributeEvidence() != kSuccess) {
            LogError(errorLog, kFailure, "em: inference cannot be performed", nullptr);
            return kFailure;
        }
        // The tree holds every table, those of the complete families included.
        factor = PartMass(*sharedTree_);
        exponent = sharedTree_->GetScaleExponent();
        AccumulateJoinTreeCounts(*sharedTree_, weight);
    } else if (CountFromRelevantParts(weight, factor, exponent) != kSuccess) {
        return kFailure;
    }
    for (int h = 0; h < size_; ++h) {
        if (counted_[h]) continue;
        LogError(errorLog, kFailure,
                 relevance ? "em: not all counts updated" : "em: please run with relevance enabled", nullptr);
        return kFailure;
    }
    probability = std::ldexp(factor, -exponent);
    // A record of probability 0 has no posterior: it adds nothing.
    if (probability > 0.0) {
        for (const Addition& a : pending_) *a.item += a.value;
    }
    return kSuccess;
}

namespace {

// Why a part's join tree gave no counts, for the failure's text: its size against the limit, or the memory
// that ran out.
std::string TreeFailure(const PartView& view, const JoinTree& tree) {
    const std::string part =
        "the join tree of a part of " + std::to_string(view.GetNumberOfNodes()) + " nodes";
    if (view.GetStatus() != kSuccess || tree.BuildRanOutOfMemory() || tree.RanOutOfMemory())
        return ": memory ran out for " + part;
    const uint64_t weight = tree.GetTotalWeight();
    if (weight > kDefaultJoinTreeLimit || tree.GetNumberOfClusters() == 0)
        return ": " + part + " would pass the limit of " + std::to_string(kDefaultJoinTreeLimit) +
               " entries" +
               (weight > 0 ? " (its clusters reach " + std::to_string(weight) + " entries)" : "");
    return ": " + part + " could not be propagated";
}

}  // namespace

int EmRecordCounter::CountFromRelevantParts(double weight, double& factor, int& exponent) {
    int status = kSuccess;
    // Evidence is not spread through deterministic tables here: a node whose outcome that would fix
    // leaves the parts as answered, and its family (a noisy-MAX helper's, say) could not be counted.
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(network_, true, false, &status);
    // A network without nodes has no parts and nothing to count.
    if (parts == nullptr && status == kSuccess && network_.GetNumberOfNodes() == 0) return kSuccess;
    if (parts == nullptr) {
        LogError(errorLog, kFailure, "em: rnet should not be null", nullptr);
        return kFailure;
    }
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        if (part->GetNumberOfRecords() == 1) {
            RelevanceNode* record = part->GetRecord(0);
            if (record->GetHandle() >= 0 && CountSingleNodePart(*record, weight) != kSuccess) return kFailure;
        } else {
            PartView view(*part);
            JoinTree tree(view);
            if (view.GetStatus() != kSuccess || !UpdatePartCounts(tree, weight, factor, exponent)) {
                const std::string text = "em: inference cannot be performed" + TreeFailure(view, tree);
                LogError(errorLog, kFailure, text.c_str(), nullptr);
                return kFailure;
            }
        }
        part.reset();
    }
    return kSuccess;
}

bool EmRecordCounter::SharedTreeReady() {
    if (sharedState_ == 0) {
        sharedState_ = -1;
        // The join tree of the whole network, built once; a network too large for one tree is handled
        // record by record through its relevant parts instead.
        sharedGraph_ = std::make_unique<RelevanceGraph>(network_, false, false);
        if (sharedGraph_->GetStatus() != kSuccess || sharedGraph_->GetNumberOfRecords() < 2) return false;
        sharedView_ = std::make_unique<PartView>(*sharedGraph_);
        if (sharedView_->GetStatus() != kSuccess) return false;
        for (RelevanceNode* record : sharedGraph_->records) {
            if (record->GetHandle() < 0 || record->tableKind != RelevanceTableKind::kBorrowed) return false;
        }
        sharedTree_ = std::make_unique<JoinTree>(*sharedView_);
        if (!sharedTree_->Build(0) || sharedTree_->EstimateTableEntries() > kDefaultJoinTreeLimit ||
            sharedTree_->AssignFamilies() != kSuccess || sharedTree_->SaveMembership() != kSuccess) {
            return false;
        }
        sharedState_ = 1;
    }
    return sharedState_ > 0;
}

int EmRecordCounter::CountSingleNodePart(RelevanceNode& record, double weight) {
    // The record's table, its parents' evidence absorbed, is the node's distribution in this record.
    const int handle = record.GetHandle();
    if (ownTables_[handle] == nullptr) return kSuccess;
    const int n = record.GetNumberOfOutcomes();
    if (record.table == nullptr || record.table->GetNumberOfElements() < n) {
        return LogError(errorLog, kFailure, "em: inference cannot be performed", nullptr);
    }
    // Only a table reduced to the node's own outcomes is its distribution; otherwise the node stays
    // uncounted, which the caller reports.
    if (record.table->GetNumberOfDimensions() != 1) return kSuccess;
    const VRX_intArray& parents = network_.GetParents(handle);
    VRX_Dmatrix& counts = CountsOf(handle);
    const int* strides = counts.GetStrides().GetItems();
    int base = 0;
    for (int k = 0; k < parents.GetCount(); ++k) {
        // A parent of a part of one node is observed: its arc was cut for that reason.
        const int e = observed_[parents[k]];
        if (e < 0) return kSuccess;
        base += e * strides[k];
    }
    const double* beliefs = record.table->GetData();
    const int ownStride = strides[parents.GetCount()];
    for (int o = 0; o < n; ++o) pending_.push_back({&counts[base + o * ownStride], weight * beliefs[o]});
    counted_[handle] = 1;
    return kSuccess;
}

bool EmRecordCounter::UpdatePartCounts(JoinTree& tree, double weight, double& factor, int& exponent) {
    if (!tree.Build(0)) {
        tree.FreeClusterTables();
        return false;
    }
    bool ok = tree.AssignFamilies() == kSuccess && tree.InitializePotentials() == kSuccess;
    if (ok) {
        tree.CollectEvidence();
        ok = tree.DistributeEvidence() == kSuccess;
    }
    if (ok) {
        factor *= PartMass(tree);
        exponent += tree.GetScaleExponent();
        AccumulateJoinTreeCounts(tree, weight);
    }
    tree.FreeClusterTables();
    return ok;
}

double EmRecordCounter::PartMass(JoinTree& tree) {
    // After distribution every cluster of a piece of the tree (split where a separator passes nothing)
    // holds the piece's mass; the part's is their product.
    double mass = 1.0;
    for (int c = 0; c < tree.GetNumberOfClusters(); ++c) {
        Cluster& cluster = tree.GetCluster(c);
        if (cluster.GetParent() != nullptr && cluster.GetToSeparator().count != 0) continue;
        PotentialTable& table = cluster.GetClusterTable();
        mass *= cluster.IsTableReady() ? table.Sum() : static_cast<double>(table.GetCount());
    }
    return mass;
}

// A family's members that evidence does not fix, which must all lie in one cluster, and the item of its
// count table where the fixed coordinates put it.
struct EmRecordCounter::HiddenFamily {
    int base = 0;
    int count = 0;
    int member[kMaxTableDimensions];     // index in the part
    int dimension[kMaxTableDimensions];  // of the count table
    int size[kMaxTableDimensions];
};

void EmRecordCounter::AccumulateJoinTreeCounts(JoinTree& tree, double weight) {
    const PartView& view = tree.GetPart();
    const int partSize = view.GetNumberOfNodes();
    std::vector<int> members;
    for (int i = 0; i < partSize; ++i) {
        const int h = view.GetNodeHandle(i);
        if (h < 0 || h >= size_) continue;
        partIndex_[h] = i;
        partEvidence_[h] = view.GetEvidence(i);
        members.push_back(h);
    }
    for (int u : members) {
        if (counted_[u] || ownTables_[u] == nullptr) continue;
        HiddenFamily family;
        if (FindHiddenFamily(u, family)) CountFamilyFromTree(tree, u, family, weight);
    }
    for (int h : members) {
        partIndex_[h] = -1;
        partEvidence_[h] = -1;
    }
}

bool EmRecordCounter::FindHiddenFamily(int u, HiddenFamily& family) {
    const VRX_intArray& parents = network_.GetParents(u);
    const int np = parents.GetCount();
    VRX_Dmatrix& counts = CountsOf(u);
    const int* strides = counts.GetStrides().GetItems();
    // Fixed coordinates give the base; the others must all be in one cluster.
    for (int d = 0; d <= np; ++d) {
        const int m = d < np ? parents[d] : u;
        int e = observed_[m];
        if (e < 0 && partIndex_[m] >= 0) e = partEvidence_[m];
        if (e >= 0) {
            family.base += e * strides[d];
        } else if (partIndex_[m] < 0 || family.count == kMaxTableDimensions) {
            return false;
        } else {
            family.member[family.count] = partIndex_[m];
            family.dimension[family.count] = d;
            family.size[family.count] = counts.GetDimensions()[d];
            ++family.count;
        }
    }
    return true;
}

void EmRecordCounter::CountFamilyFromTree(JoinTree& tree, int u, const HiddenFamily& family, double weight) {
    const int numHidden = family.count;
    for (int c = 0; c < tree.GetNumberOfClusters(); ++c) {
        Cluster& cluster = tree.GetCluster(c);
        bool holds = true;
        for (int k = 0; k < numHidden && holds; ++k) holds = cluster.HoldsMember(family.member[k]);
        if (!holds) continue;
        // Hidden members in the cluster's (ascending) order, which is the marginal's order.
        int order[kMaxTableDimensions];
        for (int k = 0; k < numHidden; ++k) order[k] = k;
        for (int a = 1; a < numHidden; ++a) {
            for (int b = a; b > 0 && family.member[order[b]] < family.member[order[b - 1]]; --b)
                std::swap(order[b], order[b - 1]);
        }
        int sublist[kMaxTableDimensions];
        int total = 1;
        for (int k = 0; k < numHidden; ++k) {
            sublist[k] = family.member[order[k]];
            total *= family.size[order[k]];
        }
        marginal_.assign(static_cast<size_t>(total), 0.0);
        PotentialTable& table = cluster.GetClusterTable();
        StrideProgram program;
        if (!cluster.IsTableReady() ||
            BuildStrideProgram(table, program, cluster.GetMembers(), cluster.GetNumberOfMembers(), sublist,
                               numHidden) != kSuccess) {
            return;
        }
        StrideMarginalize(table.GetEntries(), table.GetCount(), marginal_.data(), program);
        double sum = 0.0;
        for (double v : marginal_) sum += v;
        if (sum > 0.0) AddMarginalCounts(CountsOf(u), family, order, weight / sum);
        counted_[u] = 1;
        return;
    }
}

// Walks the marginal (first member in order fastest) and the family's dimensions together.
void EmRecordCounter::AddMarginalCounts(VRX_Dmatrix& counts, const HiddenFamily& family, const int* order,
                                        double scale) {
    const int* strides = counts.GetStrides().GetItems();
    int coords[kMaxTableDimensions] = {};
    int position = family.base;
    const int total = static_cast<int>(marginal_.size());
    for (int k = 0; k < total; ++k) {
        pending_.push_back({&counts[position], marginal_[static_cast<size_t>(k)] * scale});
        for (int j = 0; j < family.count; ++j) {
            const int step = strides[family.dimension[order[j]]];
            if (++coords[j] < family.size[order[j]]) {
                position += step;
                break;
            }
            position -= step * (coords[j] - 1);
            coords[j] = 0;
        }
    }
}

}  // namespace vovido
