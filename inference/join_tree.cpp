// Join tree construction: the clusters made from the cliques of the part's triangulation
// (inference/triangulation.h), linked into a tree, and placement of each node's family.
#include "inference/join_tree.h"

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "inference/table_check.h"
#include "inference/triangulation.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace {

// The part as the triangulation reads it: observed nodes count as size 1. Nodes marked in leftOut (empty:
// none) stay out of the graph, their parents joined to each other.
class PartGraph : public vovido::MoralGraphSource {
public:
    PartGraph(const PartView& part, const std::vector<char>& leftOut) : part_(part), leftOut_(leftOut) {}
    int GetNumberOfNodes() const override { return part_.GetNumberOfNodes(); }
    int GetSize(int v) const override { return part_.GetEvidence(v) >= 0 ? 1 : part_.GetNumberOfOutcomes(v); }
    const std::vector<int>& GetParents(int v) const override { return part_.GetParentIndices(v); }
    bool IsLeftOut(int v) const override { return !leftOut_.empty() && leftOut_[v] != 0; }

private:
    const PartView& part_;
    const std::vector<char>& leftOut_;
};

// Whether each column of a node's table (its distribution for one configuration of its parents, the last
// dimension fastest) sums to 1, up to rounding.
bool ColumnsSumToOne(const VRX_Dmatrix& table) {
    const int dims = table.GetNumberOfDimensions();
    if (dims < 1 || table.GetStrides()[dims - 1] != 1) return false;
    const int k = table.GetDimensions()[dims - 1];
    const int count = table.GetNumberOfElements();
    if (k < 1 || count % k != 0) return false;
    const double* data = table.GetData();
    constexpr double kTolerance = 1e-13;
    for (int start = 0; start < count; start += k) {
        double sum = 0.0;
        for (int x = 0; x < k; x++) sum += data[start + x];
        if (!(std::fabs(sum - 1.0) <= kTolerance)) return false;
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Cluster

void Cluster::Reset(int creationIndex) {
    numMembers = 0;
    numSeparator = 0;
    numFamilies = 0;
    eliminatedNode = -1;
    weight = 0;
    index = creationIndex;
    parentCluster = nullptr;
    childClusters.SetCount(0);
    FreeTables();
    toSeparator.count = 0;
    parentToSeparator.count = 0;
    tableReady = 0;
}

int Cluster::AddMember(int node) {
    if (numMembers >= kMaxMembers) return kOutOfRange;
    members[numMembers++] = node;
    return kSuccess;
}

int Cluster::AddSeparatorNode(int node) {
    if (numSeparator >= kMaxMembers) return kOutOfRange;
    separator[numSeparator++] = node;
    return kSuccess;
}

int Cluster::SetParent(Cluster* parent) {
    if (parent != nullptr) {
        if (const int rc = parent->childClusters.Add(index)) return rc;
    }
    // Listed there: cannot fail. For the same parent again this drops the older of the two entries.
    if (parentCluster != nullptr) (void)parentCluster->childClusters.DeleteByValue(index);
    parentCluster = parent;
    return kSuccess;
}

bool Cluster::HoldsMember(int node) const {
    for (int q = 0; q < numMembers; q++) {
        if (members[q] == node) return true;
    }
    return false;
}

bool Cluster::HoldsSeparatorOf(const Cluster& other) const {
    if (other.numSeparator > numMembers) return false;
    for (int q = 0; q < other.numSeparator; q++) {
        if (!HoldsMember(other.separator[q])) return false;
    }
    return true;
}

bool Cluster::HoldsFamily(int node, const std::vector<int>& parents) const {
    return HoldsMember(node) && HoldsAll(parents);
}

bool Cluster::HoldsAll(const std::vector<int>& nodes) const {
    for (int p : nodes) {
        if (p >= 0 && !HoldsMember(p)) return false;
    }
    return true;
}

void Cluster::SortLists() {
    std::sort(members, members + numMembers);
    std::sort(separator, separator + numSeparator);
}

// ---------------------------------------------------------------------------------------------------
// ClusterPool

ClusterPool::ClusterPool(int n) : capacity_(n > 0 ? n : 0) {}

ClusterPool::~ClusterPool() = default;

Cluster* ClusterPool::Take() {
    if (taken_ >= capacity_) return nullptr;
    if (!records_) {
        // Records are made on first use: most parts need far fewer clusters than nodes.
        records_.reset(new (std::nothrow) Cluster[static_cast<size_t>(capacity_)]);
        if (!records_) return nullptr;
    }
    Cluster* c = &records_[taken_];
    c->Reset(taken_);
    taken_++;
    return c;
}

// ---------------------------------------------------------------------------------------------------
// JoinTree

JoinTree::JoinTree(const PartView& part, ChildlessNodes childless)
    : part_(part), childless_(childless), pool_(part.GetNumberOfNodes()) {
    clusters_.reserve(32);
}

JoinTree::~JoinTree() {
    FreeClusterTables();
}

bool JoinTree::Build(uint32_t limit) {
    FreeClusterTables();
    buildRanOutOfMemory_ = part_.GetStatus() == kOutOfMemory;
    if (part_.GetStatus() != 0) return false;  // the view could not list the part's records
    clusters_.clear();
    pool_.Clear();
    root_ = nullptr;
    leftOut_.clear();
    leftOutCluster_.clear();
    leftOutReads_.clear();
    vovido::Triangulation triangulation(Cluster::kMaxMembers);
    bool built = false;
    bool taken = false;
    try {
        std::vector<char> leftOut;
        if (childless_ == ChildlessNodes::kLeftOut) FindLeftOutNodes(leftOut);
        built = triangulation.Run(PartGraph(part_, leftOut), limit);
        // The clusters made before a failure stay in the list as well.
        taken = TakeCliques(triangulation.GetCliques());
    } catch (const std::bad_alloc&) {
        taken = false;
    }
    totalWeight_ = triangulation.GetTotalWeight();
    buildRanOutOfMemory_ = triangulation.RanOutOfMemory() || !taken;
    return taken && built;
}

bool JoinTree::CanLeaveOut(int v) const {
    if (part_.GetNumberOfChildren(v) != 0 || part_.GetEvidence(v) >= 0) return false;
    const std::vector<int>& parents = part_.GetParentIndices(v);
    if (parents.empty() || parents.size() >= static_cast<size_t>(kMaxTableDimensions)) return false;
    // The relevance step cuts the arcs out of observed nodes: parents in a part are unobserved.
    for (int p : parents) {
        if (p < 0 || part_.GetEvidence(p) >= 0) return false;
    }
    const RelevanceNode* record = part_.GetRecord(v);
    const VRX_node* node = record->node;
    if (node == nullptr) return false;
    const VRX_nodeValue* value = node->GetValue();
    if (value != nullptr && value->HasFlag(ValueFlags::kEvidence | ValueFlags::kVirtualEvidence |
                                           ValueFlags::kPropagatedEvidence))
        return false;
    const int type = node->GetType();
    if ((type & DefinitionBits::kChance) == 0 || !vovido::IsDiscreteType(type) ||
        vovido::IsDecisionOrUtilityType(type) || (type & DefinitionBits::kDiscreteChildOfContinuous) != 0)
        return false;
    const VRX_Dmatrix* table = part_.GetNodeTable(v);
    const int k = static_cast<int>(parents.size()) + 1;
    if (table == nullptr || table->GetData() == nullptr || table->GetNumberOfDimensions() != k) return false;
    // Its belief walks the table by index: dense, the node's own dimension fastest.
    int64_t stride = 1;
    for (int d = k; d-- > 0;) {
        const int f = d + 1 < k ? parents[d] : v;
        if (table->GetDimensions()[d] != part_.GetNumberOfOutcomes(f) || table->GetStrides()[d] != stride)
            return false;
        stride *= table->GetDimensions()[d];
    }
    if (table->GetNumberOfElements() != stride) return false;
    // The tables an update reads are scaled already; a table the relevance step made from them is read
    // as it is.
    if (record->tableKind == RelevanceTableKind::kBorrowed && part_.GetNetwork() != nullptr &&
        vovido::TablesAreScaled(*part_.GetNetwork()))
        return true;
    return ColumnsSumToOne(*table);
}

void JoinTree::FindLeftOutNodes(std::vector<char>& mask) {
    const int n = part_.GetNumberOfNodes();
    for (int v = 0; v < n; v++) {
        if (!CanLeaveOut(v)) continue;
        if (mask.empty()) mask.assign(static_cast<size_t>(n), 0);
        mask[v] = 1;
        leftOut_.push_back(v);
    }
}

bool JoinTree::TakeCliques(const std::vector<vovido::Clique>& cliques) {
    for (const vovido::Clique& clique : cliques) {
        Cluster* cluster = pool_.Take();
        if (cluster == nullptr) return false;
        cluster->eliminatedNode = clique.eliminated;
        cluster->weight = clique.weight;
        // The triangulation keeps to the cluster's capacity: the adds cannot fail.
        for (int v : clique.members) (void)cluster->AddMember(v);
        for (int v : clique.separator) (void)cluster->AddSeparatorNode(v);
        clusters_.push_back(cluster);
    }
    for (size_t i = 0; i < cliques.size(); i++) {
        const int parent = cliques[i].parent;
        if (parent >= 0 && clusters_[i]->SetParent(clusters_[static_cast<size_t>(parent)]) != kSuccess)
            return false;
    }
    return true;
}

int JoinTree::AssignFamilies() {
    try {
        AssignFamiliesUnguarded();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

void JoinTree::AssignFamiliesUnguarded() {
    postOrder_.clear();
    preOrder_.clear();
    if (clusters_.empty()) {
        root_ = nullptr;
        return;
    }
    // The last cluster made, also when the list was sorted by an earlier call.
    root_ = &pool_[pool_.GetNumberTaken() - 1];
    for (Cluster* c : clusters_) c->numFamilies = 0;
    std::stable_sort(clusters_.begin(), clusters_.end(), [](const Cluster* a, const Cluster* b) {
        if (a->weight != b->weight) return a->weight < b->weight;
        return a->numMembers < b->numMembers;
    });
    // Clusters holding each node, in sorted order, so a family is looked for only where its node is.
    const int n = part_.GetNumberOfNodes();
    const int m = static_cast<int>(clusters_.size());
    std::vector<int> start(static_cast<size_t>(n) + 1, 0);
    for (int s = 0; s < m; s++) {
        const Cluster& c = *clusters_[s];
        for (int q = 0; q < c.numMembers; q++) start[c.members[q] + 1]++;
    }
    for (int v = 0; v < n; v++) start[v + 1] += start[v];
    std::vector<int> holding(static_cast<size_t>(start[n]));
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int s = 0; s < m; s++) {
        const Cluster& c = *clusters_[s];
        for (int q = 0; q < c.numMembers; q++) holding[fill[c.members[q]]++] = s;
    }
    for (int v = 0; v < n; v++) {
        const std::vector<int>& parents = part_.GetParentIndices(v);
        for (int k = start[v]; k < start[v + 1]; k++) {
            Cluster& c = *clusters_[holding[k]];
            if (c.HoldsFamily(v, parents)) {
                if (c.numFamilies < Cluster::kMaxMembers) c.families[c.numFamilies++] = v;
                break;
            }
        }
    }
    // A node left out is read from the smallest cluster holding its parents, among those holding the first.
    leftOutCluster_.assign(leftOut_.size(), nullptr);
    for (size_t i = 0; i < leftOut_.size(); i++) {
        const std::vector<int>& parents = part_.GetParentIndices(leftOut_[i]);
        const int first = parents[0];
        for (int k = start[first]; k < start[first + 1]; k++) {
            Cluster* c = clusters_[holding[k]];
            if (c->HoldsAll(parents)) {
                leftOutCluster_[i] = c;
                break;
            }
        }
    }
    OrderLeftOutReads();
    ComputeTraversalOrder();
}

void JoinTree::OrderLeftOutReads() {
    leftOutReads_.clear();
    const size_t count = leftOut_.size();
    std::vector<int> sorted;
    std::vector<size_t> start(count + 1, 0);
    for (size_t i = 0; i < count; i++) {
        const std::vector<int>& parents = part_.GetParentIndices(leftOut_[i]);
        start[i + 1] = start[i] + parents.size();
        sorted.insert(sorted.end(), parents.begin(), parents.end());
        std::sort(sorted.begin() + static_cast<std::ptrdiff_t>(start[i]), sorted.end());
    }
    const auto set = [&](size_t i) {
        return std::make_pair(sorted.begin() + static_cast<std::ptrdiff_t>(start[i]),
                              sorted.begin() + static_cast<std::ptrdiff_t>(start[i + 1]));
    };
    const auto clusterOf = [this](size_t i) {
        return leftOutCluster_[i] != nullptr ? leftOutCluster_[i]->index : -1;
    };
    std::vector<int> order(count);
    for (size_t i = 0; i < count; i++) order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const size_t i = static_cast<size_t>(a);
        const size_t j = static_cast<size_t>(b);
        if (clusterOf(i) != clusterOf(j)) return clusterOf(i) < clusterOf(j);
        const auto x = set(i);
        const auto y = set(j);
        if (!std::equal(x.first, x.second, y.first, y.second))
            return std::lexicographical_compare(x.first, x.second, y.first, y.second);
        const std::vector<int>& p = part_.GetParentIndices(leftOut_[i]);
        const std::vector<int>& q = part_.GetParentIndices(leftOut_[j]);
        if (p != q) return p < q;
        return a < b;
    });
    leftOutReads_.reserve(count);
    for (size_t k = 0; k < count; k++) {
        const size_t i = static_cast<size_t>(order[k]);
        int fresh = 2;
        if (k > 0) {
            const size_t h = static_cast<size_t>(order[k - 1]);
            const auto x = set(i);
            const auto y = set(h);
            if (clusterOf(i) == clusterOf(h) && std::equal(x.first, x.second, y.first, y.second))
                fresh = part_.GetParentIndices(leftOut_[i]) == part_.GetParentIndices(leftOut_[h]) ? 0 : 1;
        }
        leftOutReads_.emplace_back(order[k], fresh);
    }
}

void JoinTree::ComputeTraversalOrder() {
    postOrder_.reserve(clusters_.size());
    preOrder_.reserve(clusters_.size());
    // Explicit stack of (cluster, next child position), children in child-list order: a cluster enters
    // the pre-order before its children and the post-order after them.
    std::vector<std::pair<Cluster*, int>> stack;
    stack.reserve(clusters_.size());
    stack.emplace_back(root_, 0);
    preOrder_.push_back(root_);
    while (!stack.empty()) {
        auto& top = stack.back();
        Cluster* c = top.first;
        if (top.second < c->childClusters.GetCount()) {
            Cluster* child = &pool_[c->childClusters[top.second++]];
            stack.emplace_back(child, 0);
            preOrder_.push_back(child);
        } else {
            postOrder_.push_back(c);
            stack.pop_back();
        }
    }
}

int JoinTree::SaveMembership() {
    try {
        savedLists_.clear();
        for (int i = 0; i < pool_.GetNumberTaken(); ++i) {
            const Cluster& c = pool_[i];
            savedLists_.push_back(c.numMembers);
            savedLists_.insert(savedLists_.end(), c.members, c.members + c.numMembers);
            savedLists_.push_back(c.numSeparator);
            savedLists_.insert(savedLists_.end(), c.separator, c.separator + c.numSeparator);
        }
    } catch (const std::bad_alloc&) {
        savedLists_.clear();
        return kOutOfMemory;
    }
    return kSuccess;
}

void JoinTree::RestoreMembership() {
    size_t k = 0;
    for (int i = 0; i < pool_.GetNumberTaken() && k < savedLists_.size(); ++i) {
        Cluster& c = pool_[i];
        c.numMembers = savedLists_[k++];
        for (int m = 0; m < c.numMembers; ++m) c.members[m] = savedLists_[k++];
        c.numSeparator = savedLists_[k++];
        for (int m = 0; m < c.numSeparator; ++m) c.separator[m] = savedLists_[k++];
    }
}
