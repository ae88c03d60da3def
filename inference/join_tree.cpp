// Join tree construction: moral graph, triangulation by node elimination under a size limit, linking
// of the clusters into a tree and placement of each node's family.
#include "inference/join_tree.h"

#include "inference/part_view.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

constexpr int kOk = 0;
constexpr int kBadArgument = -2;
constexpr int kNoMemory = -42;
// Weights above this are not kept: they mark the node for recomputation.
constexpr uint64_t kWeightCeiling = 1073741824u;

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
    if (numMembers >= kMaxMembers) return kBadArgument;
    members[numMembers++] = node;
    return kOk;
}

int Cluster::AddSeparatorNode(int node) {
    if (numSeparator >= kMaxMembers) return kBadArgument;
    separator[numSeparator++] = node;
    return kOk;
}

void Cluster::SetParent(Cluster* parent) {
    if (parentCluster != nullptr) parentCluster->childClusters.DeleteByValue(index);
    parentCluster = parent;
    if (parent != nullptr) parent->childClusters.Add(index);
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
    if (!HoldsMember(node)) return false;
    for (int p : parents) {
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
// Triangulator: the working record of one Build.

class Triangulator {
public:
    Triangulator(JoinTree& tree, const PartView& part) : tree_(tree), part_(part) {}

    bool Triangulate(uint32_t limit);

private:
    bool Setup();
    void BuildMoralGraph();
    bool Adjacent(int a, int b) const;
    void AddEdge(int a, int b);
    void AddEdgeUnchecked(int a, int b);
    void RemoveNode(int v);
    // The node's weight, recomputed when it went out of range; 0 when it cannot be kept in range.
    uint32_t WeightOf(int v);
    bool IsSimplicial(int v);
    bool EliminateSimplicial();
    bool EliminateAll();
    void AddFillIns(int v);
    bool MakeClique(int v, uint32_t w);
    void LinkClusters();
    bool WithinLimit() const { return limit_ == JoinTree::kNoLimit || total_ <= limit_; }
    int NextStamp() { return ++stampToken_; }

    static uint32_t Scale(uint32_t w, int size) {
        if (w == 0) return 0;
        const uint64_t product = static_cast<uint64_t>(w) * static_cast<uint64_t>(size);
        return product > kWeightCeiling ? 0u : static_cast<uint32_t>(product);
    }

    JoinTree& tree_;
    const PartView& part_;
    uint64_t total_ = 0;
    uint32_t limit_ = 0;
    int n_ = 0;
    int numEliminated_ = 0;
    std::vector<std::vector<int>> neighbours_;
    std::vector<uint32_t> weight_;
    std::vector<int> size_;
    std::vector<char> eliminated_;
    // Set when a node's neighbourhood changed since it was last found not simplicial.
    std::vector<char> dirty_;
    // Cluster (creation index) in which each node was eliminated.
    std::vector<int> eliminatedIn_;
    std::vector<int> stamp_;
    int stampToken_ = 0;
    std::vector<int> saved_;
};

bool Triangulator::Setup() {
    n_ = part_.GetNumberOfNodes();
    try {
        neighbours_.assign(static_cast<size_t>(n_), std::vector<int>());
        weight_.assign(static_cast<size_t>(n_), 0u);
        size_.assign(static_cast<size_t>(n_), 1);
        eliminated_.assign(static_cast<size_t>(n_), 0);
        dirty_.assign(static_cast<size_t>(n_), 1);
        eliminatedIn_.assign(static_cast<size_t>(n_), -1);
        stamp_.assign(static_cast<size_t>(n_), 0);
        saved_.reserve(static_cast<size_t>(n_));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool Triangulator::Triangulate(uint32_t limit) {
    limit_ = limit == 0 ? JoinTree::kDefaultLimit : limit;
    total_ = 0;
    numEliminated_ = 0;
    tree_.clusters_.clear();
    tree_.pool_.Clear();
    tree_.root_ = nullptr;
    bool ok = false;
    try {
        ok = Setup();
        if (ok) {
            BuildMoralGraph();
            ok = EliminateAll();
            if (ok) LinkClusters();
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    tree_.totalWeight_ = total_;
    return ok;
}

void Triangulator::BuildMoralGraph() {
    for (int v = 0; v < n_; v++) {
        size_[v] = part_.GetEvidence(v) >= 0 ? 1 : part_.GetNumberOfOutcomes(v);
        if (size_[v] < 1) size_[v] = 1;
        weight_[v] = static_cast<uint32_t>(size_[v]);
    }
    for (int v = 0; v < n_; v++) {
        const std::vector<int>& p = part_.GetParentIndices(v);
        const int k = static_cast<int>(p.size());
        neighbours_[v].reserve(neighbours_[v].size() + p.size());
        for (int i = 0; i < k; i++) AddEdge(v, p[i]);
        for (int i = k - 2; i >= 0; i--) {
            for (int j = i + 1; j < k; j++) AddEdge(p[i], p[j]);
        }
    }
}

bool Triangulator::Adjacent(int a, int b) const {
    const std::vector<int>& la = neighbours_[a];
    const std::vector<int>& lb = neighbours_[b];
    const std::vector<int>& shorter = la.size() <= lb.size() ? la : lb;
    const int other = la.size() <= lb.size() ? b : a;
    return std::find(shorter.begin(), shorter.end(), other) != shorter.end();
}

void Triangulator::AddEdge(int a, int b) {
    if (a < 0 || b < 0 || a >= n_ || b >= n_ || a == b) return;  // parents outside the part
    if (Adjacent(a, b)) return;
    AddEdgeUnchecked(a, b);
}

void Triangulator::AddEdgeUnchecked(int a, int b) {
    neighbours_[a].push_back(b);
    neighbours_[b].push_back(a);
    weight_[a] = Scale(weight_[a], size_[b]);
    weight_[b] = Scale(weight_[b], size_[a]);
}

void Triangulator::RemoveNode(int v) {
    std::vector<int>& list = neighbours_[v];
    for (int u : list) {
        std::vector<int>& lu = neighbours_[u];
        auto it = std::find(lu.begin(), lu.end(), v);
        if (it != lu.end()) {
            *it = lu.back();
            lu.pop_back();
        }
        if (weight_[u] != 0) weight_[u] /= static_cast<uint32_t>(size_[v]);
        if (weight_[v] != 0) weight_[v] /= static_cast<uint32_t>(size_[u]);
        dirty_[u] = 1;
    }
    list.clear();
    eliminated_[v] = 1;
    numEliminated_++;
}

uint32_t Triangulator::WeightOf(int v) {
    if (weight_[v] != 0) return weight_[v];
    uint64_t product = static_cast<uint64_t>(size_[v]);
    const std::vector<int>& list = neighbours_[v];
    for (size_t k = list.size(); k-- > 0;) {
        product *= static_cast<uint64_t>(size_[list[k]]);
        if (product > kWeightCeiling) return 0;
    }
    weight_[v] = static_cast<uint32_t>(product);
    return weight_[v];
}

bool Triangulator::IsSimplicial(int v) {
    const std::vector<int>& list = neighbours_[v];
    const int d = static_cast<int>(list.size());
    for (int i = d - 2; i >= 0; i--) {
        const int token = NextStamp();
        for (int w : neighbours_[list[i]]) stamp_[w] = token;
        for (int j = i + 1; j < d; j++) {
            if (stamp_[list[j]] != token) return false;
        }
    }
    return true;
}

// A pass visits the nodes in index order; a node found not simplicial is retested only after its
// neighbourhood changed, which gives the same eliminations as testing every node on every pass.
bool Triangulator::EliminateSimplicial() {
    if (n_ == 0) return true;
    bool eliminatedAny = true;
    while (eliminatedAny) {
        eliminatedAny = false;
        for (int v = 0; v < n_; v++) {
            if (eliminated_[v] || !dirty_[v]) continue;
            dirty_[v] = 0;
            if (!IsSimplicial(v)) continue;
            const uint32_t w = WeightOf(v);
            if (w == 0) return false;
            if (!MakeClique(v, w)) return false;
            eliminatedAny = true;
        }
    }
    return true;
}

bool Triangulator::EliminateAll() {
    if (numEliminated_ == n_) return true;
    for (;;) {
        if (!EliminateSimplicial()) return false;
        if (numEliminated_ == n_) return WithinLimit();
        int chosen = -1;
        uint32_t best = 0;
        for (int v = 0; v < n_; v++) {
            if (eliminated_[v]) continue;
            const uint32_t w = WeightOf(v);
            if (w == 0) continue;
            if (chosen < 0 || w < best) {
                chosen = v;
                best = w;
            }
        }
        if (chosen < 0) return false;
        AddFillIns(chosen);
        if (!MakeClique(chosen, best)) return false;
        if (!WithinLimit()) return false;
        if (numEliminated_ == n_) return true;
    }
}

void Triangulator::AddFillIns(int v) {
    saved_.assign(neighbours_[v].begin(), neighbours_[v].end());
    const int d = static_cast<int>(saved_.size());
    for (int i = d - 2; i >= 0; i--) {
        const int a = saved_[i];
        const int token = NextStamp();
        for (int w : neighbours_[a]) stamp_[w] = token;
        for (int j = i + 1; j < d; j++) {
            if (stamp_[saved_[j]] != token) AddEdgeUnchecked(a, saved_[j]);
        }
    }
    // New edges can make the neighbours, and nodes adjacent to both ends, simplicial.
    for (int u : saved_) {
        dirty_[u] = 1;
        for (int w : neighbours_[u]) dirty_[w] = 1;
    }
}

bool Triangulator::MakeClique(int v, uint32_t w) {
    saved_.assign(neighbours_[v].begin(), neighbours_[v].end());
    const int c = static_cast<int>(saved_.size());
    Cluster* cluster = tree_.pool_.Take();
    if (cluster == nullptr) return false;
    cluster->AddMember(v);
    cluster->weight = w;
    cluster->eliminatedNode = v;
    const int clusterIndex = cluster->index;
    RemoveNode(v);
    eliminatedIn_[v] = clusterIndex;
    bool ok = true;
    int remaining = c - 1;
    for (int k = c - 1; k >= 0; k--) {
        const int u = saved_[k];
        if (cluster->numMembers >= Cluster::kMaxMembers) {
            ok = false;
            break;
        }
        cluster->AddMember(u);
        if (static_cast<int>(neighbours_[u].size()) == remaining) {
            RemoveNode(u);
            eliminatedIn_[u] = clusterIndex;
            remaining--;
        } else {
            cluster->AddSeparatorNode(u);
        }
    }
    tree_.clusters_.push_back(cluster);
    total_ += w;
    return ok;
}

// Each cluster's parent is the first later cluster holding its separator. None can come after the
// cluster in which a separator node was eliminated, which bounds the search.
void Triangulator::LinkClusters() {
    std::vector<Cluster*>& c = tree_.clusters_;
    const int m = static_cast<int>(c.size());
    for (int i = 0; i + 1 < m; i++) {
        int last = m - 1;
        for (int q = 0; q < c[i]->numSeparator; q++) {
            const int e = eliminatedIn_[c[i]->separator[q]];
            if (e >= 0 && e < last) last = e;
        }
        for (int j = i + 1; j <= last; j++) {
            if (c[j]->HoldsSeparatorOf(*c[i])) {
                c[i]->SetParent(c[j]);
                c[i]->SortLists();
                break;
            }
        }
    }
    if (m > 0) c[m - 1]->SortLists();
}

// ---------------------------------------------------------------------------------------------------
// JoinTree

JoinTree::JoinTree(const PartView& part) : part_(part), pool_(part.GetNumberOfNodes()) {
    clusters_.reserve(32);
}

JoinTree::~JoinTree() {
    FreeClusterTables();
}

bool JoinTree::Build(uint32_t limit) {
    FreeClusterTables();
    if (part_.GetStatus() != 0) return false;  // the view could not list the part's records
    Triangulator triangulator(*this, part_);
    return triangulator.Triangulate(limit);
}

int JoinTree::AssignFamilies() {
    try {
        AssignFamiliesUnguarded();
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
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
    ComputeTraversalOrder();
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
