// Clique tree structure: elimination of the moral graph by fewest fill-ins, the cliques linked along the
// elimination tree, family homes, and breadth-first orientation from the smallest clique.
#include "inference/clique_tree.h"

#include <algorithm>
#include <climits>
#include <new>
#include <numeric>
#include <string>
#include <utility>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "inference/update_memory.h"

namespace {

// Fill-in key of a node without neighbours: taken after every node that has some.
constexpr int64_t kNoNeighbours = INT_MAX;

uint64_t SaturatingProduct(uint64_t a, uint64_t b) {
    if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
    return a * b;
}

uint64_t SaturatingSum(uint64_t a, uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

// The moral graph while it is eliminated: ascending neighbour lists, so that memory follows the edges
// and adjacency is a binary search.
class EliminationGraph {
public:
    void Init(int n) { neighbours_.assign(static_cast<size_t>(n), std::vector<int>()); }
    bool Adjacent(int a, int b) const {
        const std::vector<int>& list = neighbours_[a];
        return std::binary_search(list.begin(), list.end(), b);
    }
    void Connect(int a, int b) {
        if (a == b) return;
        std::vector<int>& list = neighbours_[a];
        const auto at = std::lower_bound(list.begin(), list.end(), b);
        if (at != list.end() && *at == b) return;
        list.insert(at, b);
        std::vector<int>& other = neighbours_[b];
        other.insert(std::lower_bound(other.begin(), other.end(), a), a);
    }
    // Removes every edge of r.
    void Isolate(int r) {
        for (int u : neighbours_[r]) {
            std::vector<int>& list = neighbours_[u];
            list.erase(std::lower_bound(list.begin(), list.end(), r));
        }
        neighbours_[r].clear();
    }
    const std::vector<int>& Neighbours(int r) const { return neighbours_[r]; }

private:
    std::vector<std::vector<int>> neighbours_;
};

struct EliminationRecord {
    int node = 0;
    int heapPosition = 0;
    int64_t fillIns = 0;
    // In 64 bits and saturating: a product that wrapped would make a huge clique look small.
    uint64_t cliqueSize = 0;
};

// Min-heap of records by fill-ins, then clique size; each record knows its position.
class EliminationHeap {
public:
    explicit EliminationHeap(std::vector<EliminationRecord>& records) : records_(records) {
        heap_.resize(records.size());
        for (size_t i = 0; i < records.size(); i++) {
            heap_[i] = static_cast<int>(i);
            records[i].heapPosition = static_cast<int>(i);
        }
        const int n = static_cast<int>(heap_.size());
        for (int i = (n - 2) / 2; i >= 0 && n > 1; i--) SiftDown(i);
    }
    bool IsEmpty() const { return heap_.empty(); }
    int Pop() {
        const int top = heap_[0];
        Place(0, heap_.back());
        heap_.pop_back();
        if (!heap_.empty()) SiftDown(0);
        records_[top].heapPosition = -1;
        return top;
    }
    // After the record's keys changed.
    void Restore(int node) {
        const int p = records_[node].heapPosition;
        if (p < 0) return;
        SiftDown(p);
        SiftUp(records_[node].heapPosition);
    }

private:
    bool Less(int a, int b) const {
        const EliminationRecord& x = records_[heap_[a]];
        const EliminationRecord& y = records_[heap_[b]];
        return x.fillIns < y.fillIns || (x.fillIns == y.fillIns && x.cliqueSize < y.cliqueSize);
    }
    void Place(int position, int node) {
        heap_[position] = node;
        records_[node].heapPosition = position;
    }
    void Swap(int a, int b) {
        const int x = heap_[a];
        Place(a, heap_[b]);
        Place(b, x);
    }
    void SiftDown(int p) {
        const int n = static_cast<int>(heap_.size());
        for (;;) {
            const int left = 2 * p + 1;
            if (left >= n) return;
            const int right = left + 1;
            const int c = right < n && Less(right, left) ? right : left;
            if (!Less(c, p)) return;
            Swap(c, p);
            p = c;
        }
    }
    void SiftUp(int p) {
        while (p > 0 && Less(p, (p - 1) / 2)) {
            Swap(p, (p - 1) / 2);
            p = (p - 1) / 2;
        }
    }

    std::vector<EliminationRecord>& records_;
    std::vector<int> heap_;
};

// Fill-ins are the pairs of neighbours not yet adjacent: all pairs less the edges among the neighbours,
// counted through the smaller of each two neighbour lists, so that a hub of many leaves costs little.
void Rekey(const EliminationGraph& graph, const std::vector<int>& sizes, EliminationRecord& record) {
    const std::vector<int>& nbrs = graph.Neighbours(record.node);
    uint64_t size = static_cast<uint64_t>(sizes[record.node]);
    if (nbrs.empty()) {
        record.fillIns = kNoNeighbours;
        record.cliqueSize = size;
        return;
    }
    int64_t twiceEdges = 0;
    for (int a : nbrs) {
        size = SaturatingProduct(size, static_cast<uint64_t>(sizes[a]));
        const std::vector<int>& other = graph.Neighbours(a);
        const std::vector<int>& small = other.size() < nbrs.size() ? other : nbrs;
        const std::vector<int>& large = other.size() < nbrs.size() ? nbrs : other;
        for (int w : small) twiceEdges += std::binary_search(large.begin(), large.end(), w) ? 1 : 0;
    }
    const int64_t d = static_cast<int64_t>(nbrs.size());
    record.fillIns = d * (d - 1) / 2 - twiceEdges / 2;
    record.cliqueSize = size;
}

class UnionFind {
public:
    explicit UnionFind(int n) : parent_(static_cast<size_t>(n)) {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    int Find(int x) {
        while (parent_[x] != x) {
            parent_[x] = parent_[parent_[x]];
            x = parent_[x];
        }
        return x;
    }
    bool Join(int a, int b) {
        a = Find(a);
        b = Find(b);
        if (a == b) return false;
        parent_[b] = a;
        return true;
    }

private:
    std::vector<int> parent_;
};

// A clique (of `variables`; 0: the tables together) of more entries than the limit.
int LogPastLimit(int variables, uint64_t entries, uint64_t limit) {
    const std::string what = variables > 0 ? "a table over " + std::to_string(variables) + " variables needs "
                                           : std::string("its tables and index maps need ");
    const std::string text = "Clique tree: " + what + std::to_string(entries) + " entries" +
                             (variables > 0 ? "" : " in all") + ", past the limit of " +
                             std::to_string(limit) + " entries.";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int AppendAll(VRX_intArray& list, const std::vector<int>& items) {
    list.SetCount(0);
    for (int v : items) {
        if (list.Add(v) != kSuccess) return kOutOfMemory;
    }
    return kSuccess;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Queries

int Clique::FindVariable(int v) const {
    for (int i = 0; i < variables.GetCount(); i++) {
        if (variables[i] == v) return i;
    }
    return -1;
}

int CliqueSeparator::FindVariable(int v) const {
    for (int i = 0; i < variables.GetCount(); i++) {
        if (variables[i] == v) return i;
    }
    return -1;
}

uint64_t CliqueTree::GetWorkingSize() const {
    uint64_t total = GetTotalSize();
    for (const CliqueSeparator& s : separators_) {
        if (s.parent >= 0) total = SaturatingSum(total, cliques_[s.parent].tableSize);
    }
    return total;
}

uint64_t CliqueTree::GetTotalSize() const {
    uint64_t total = 0;
    for (const Clique& c : cliques_) total = SaturatingSum(total, c.tableSize);
    for (const CliqueSeparator& s : separators_) total = SaturatingSum(total, s.tableSize);
    return total;
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

CliqueTree::CliqueTree(const PartView& part) {
    status_ = Build(part);
}

CliqueTree::CliqueTree(const CliqueTree& other) {
    status_ = CopyFrom(other);
}

CliqueTree& CliqueTree::operator=(const CliqueTree& other) {
    status_ = CopyFrom(other);
    return *this;
}

int CliqueTree::Build(const PartView& part) {
    if (const int rc = BuildStructure(part)) return rc;
    return LoadTables(part);
}

int CliqueTree::Reserve(int n) {
    try {
        if (n > 0) cliques_.reserve(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

void CliqueTree::Clear() {
    cliques_.clear();
    separators_.clear();
    n_ = 0;
    homes_.clear();
    beliefHomes_.CleanUp();
    nodeSizes_.clear();
    evidence_.clear();
    eliminationOrder_.clear();
    built_ = false;
    loaded_ = false;
    propagated_ = false;
}

int CliqueTree::BuildStructure(const PartView& part, uint64_t limit) {
    Clear();
    const int n = part.GetNumberOfNodes();
    try {
        n_ = n;
        nodeSizes_.resize(static_cast<size_t>(n));
        evidence_.assign(static_cast<size_t>(n), -1);
        homes_.assign(static_cast<size_t>(n), -1);
        for (int v = 0; v < n; v++) {
            nodeSizes_[v] = part.GetNumberOfOutcomes(v);
            if (nodeSizes_[v] < 1) {
                Clear();
                return kOutOfRange;
            }
            for (int p : part.GetParentIndices(v)) {
                if (p < 0 || p >= n) {
                    Clear();
                    return kOutOfRange;
                }
            }
        }
        std::vector<std::pair<int, int>> links;
        int rc = Eliminate(part, links, limit);
        if (rc == kSuccess) rc = LinkCliques(links);
        if (rc == kSuccess) rc = AssignHomes(part);
        if (rc == kSuccess) OrderCliques();
        if (rc == kSuccess && GetWorkingSize() > limit) rc = LogPastLimit(0, GetWorkingSize(), limit);
        if (rc != kSuccess) {
            Clear();
            return rc;
        }
    } catch (const std::bad_alloc&) {
        Clear();
        return kOutOfMemory;
    }
    built_ = true;
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Elimination

int CliqueTree::MakeClique(const std::vector<int>& members) {
    Clique clique;
    clique.index = static_cast<int>(cliques_.size());
    if (AppendAll(clique.variables, members) != kSuccess) return kOutOfMemory;
    clique.tableSize = 1;
    for (int v : members) {
        if (clique.sizes.Add(nodeSizes_[v]) != kSuccess) return kOutOfMemory;
        clique.tableSize = SaturatingProduct(clique.tableSize, static_cast<uint64_t>(nodeSizes_[v]));
    }
    cliques_.push_back(std::move(clique));
    return kSuccess;
}

int CliqueTree::Eliminate(const PartView& part, std::vector<std::pair<int, int>>& links, uint64_t limit) {
    const int n = n_;
    if (n < 1) return kSuccess;
    EliminationGraph graph;
    graph.Init(n);
    // Moral graph: each node with its parents, and the parents of a node with one another.
    for (int v = 0; v < n; v++) {
        const std::vector<int>& parents = part.GetParentIndices(v);
        for (size_t k = 0; k < parents.size(); k++) {
            graph.Connect(v, parents[k]);
            for (size_t j = k + 1; j < parents.size(); j++) graph.Connect(parents[k], parents[j]);
        }
    }
    std::vector<EliminationRecord> records(static_cast<size_t>(n));
    for (int v = 0; v < n; v++) {
        records[v].node = v;
        Rekey(graph, nodeSizes_, records[v]);
    }
    EliminationHeap heap(records);
    eliminationOrder_.reserve(static_cast<size_t>(n));
    // The candidate clique of each node: the node and its neighbours when it was taken, ascending.
    std::vector<std::vector<int>> candidate(static_cast<size_t>(n));
    // Every node is taken, the last one too: a node left without neighbours still gets a clique.
    while (!heap.IsEmpty()) {
        const int r = heap.Pop();
        eliminationOrder_.push_back(r);
        std::vector<int>& members = candidate[r];
        members = graph.Neighbours(r);
        // The clique that holds this candidate is at least as large.
        uint64_t size = static_cast<uint64_t>(nodeSizes_[r]);
        for (int u : members) size = SaturatingProduct(size, static_cast<uint64_t>(nodeSizes_[u]));
        if (size > limit) return LogPastLimit(static_cast<int>(members.size()) + 1, size, limit);
        // The neighbours are made pairwise adjacent whatever the stored key says, since keys of nodes
        // that were not re-keyed may be stale; the filled graph stays chordal only this way.
        for (size_t a = 0; a < members.size(); a++) {
            for (size_t b = a + 1; b < members.size(); b++) graph.Connect(members[a], members[b]);
        }
        graph.Isolate(r);
        for (int u : members) {
            Rekey(graph, nodeSizes_, records[u]);
            heap.Restore(u);
        }
        members.insert(std::lower_bound(members.begin(), members.end(), r), r);
    }

    // Elimination tree: each node hangs below the first of its candidate's other members to be taken.
    // A candidate lies inside another clique exactly when it is the rest of a child's candidate (one
    // member fewer); it then joins that child's clique. What remains are the maximal cliques, and the
    // links between different cliques form a tree in which each link shares exactly the rest of the
    // lower candidate: linear in the cliques, where comparing all pairs of them would be quadratic.
    std::vector<int> position(static_cast<size_t>(n));
    for (int i = 0; i < n; i++) position[eliminationOrder_[i]] = i;
    std::vector<int> above(static_cast<size_t>(n), -1);
    std::vector<int> largerChild(static_cast<size_t>(n), -1);
    for (int v : eliminationOrder_) {
        for (int w : candidate[v]) {
            if (w != v && (above[v] < 0 || position[w] < position[above[v]])) above[v] = w;
        }
        const int w = above[v];
        if (w >= 0 && largerChild[w] < 0 && candidate[v].size() == candidate[w].size() + 1)
            largerChild[w] = v;
    }
    std::vector<int> cliqueOf(static_cast<size_t>(n), -1);
    for (int v : eliminationOrder_) {
        if (largerChild[v] >= 0) {
            cliqueOf[v] = cliqueOf[largerChild[v]];
            continue;
        }
        if (const int rc = MakeClique(candidate[v])) return rc;
        cliqueOf[v] = static_cast<int>(cliques_.size()) - 1;
    }
    for (int v : eliminationOrder_) {
        const int w = above[v];
        if (w >= 0 && cliqueOf[v] != cliqueOf[w]) links.emplace_back(cliqueOf[v], cliqueOf[w]);
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Linking

int CliqueTree::LinkCliques(const std::vector<std::pair<int, int>>& links) {
    const int m = static_cast<int>(cliques_.size());
    if (m < 2) return kSuccess;
    UnionFind groups(m);
    std::vector<std::pair<int, int>> accepted;
    accepted.reserve(static_cast<size_t>(m - 1));
    for (const std::pair<int, int>& link : links) {
        if (groups.Join(link.first, link.second))
            accepted.emplace_back(std::min(link.first, link.second), std::max(link.first, link.second));
    }
    // Groups still apart are joined by empty separators between their smallest cliques, each to the
    // smallest clique of all.
    if (static_cast<int>(accepted.size()) < m - 1) {
        std::vector<int> smallest(static_cast<size_t>(m), -1);
        for (int c = 0; c < m; c++) {
            int& s = smallest[groups.Find(c)];
            if (s < 0 || cliques_[c].tableSize < cliques_[s].tableSize) s = c;
        }
        int hub = -1;
        for (int s : smallest) {
            if (s >= 0 && (hub < 0 || cliques_[s].tableSize < cliques_[hub].tableSize)) hub = s;
        }
        for (int s : smallest) {
            if (s < 0 || s == hub) continue;
            groups.Join(std::min(hub, s), std::max(hub, s));
            accepted.emplace_back(std::min(hub, s), std::max(hub, s));
        }
    }

    separators_.reserve(accepted.size());
    for (const std::pair<int, int>& link : accepted) {
        CliqueSeparator separator;
        separator.index = static_cast<int>(separators_.size());
        separator.parent = link.first;
        separator.child = link.second;
        const VRX_intArray& a = cliques_[link.first].variables;
        const VRX_intArray& b = cliques_[link.second].variables;
        int i = 0;
        int j = 0;
        while (i < a.GetCount() && j < b.GetCount()) {
            if (a[i] < b[j]) {
                i++;
            } else if (b[j] < a[i]) {
                j++;
            } else {
                if (separator.variables.Add(a[i]) != kSuccess ||
                    separator.sizes.Add(nodeSizes_[a[i]]) != kSuccess)
                    return kOutOfMemory;
                separator.tableSize =
                    SaturatingProduct(separator.tableSize, static_cast<uint64_t>(nodeSizes_[a[i]]));
                i++;
                j++;
            }
        }
        if (cliques_[link.first].links.Add(separator.index) != kSuccess ||
            cliques_[link.second].links.Add(separator.index) != kSuccess)
            return kOutOfMemory;
        separators_.push_back(std::move(separator));
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Homes and order

int CliqueTree::AssignHomes(const PartView& part) {
    const int m = static_cast<int>(cliques_.size());
    std::vector<int> bySize(static_cast<size_t>(m));
    std::iota(bySize.begin(), bySize.end(), 0);
    std::stable_sort(bySize.begin(), bySize.end(),
                     [this](int a, int b) { return cliques_[a].tableSize < cliques_[b].tableSize; });
    int homeless = n_;
    for (int c : bySize) {
        const VRX_intArray& vars = cliques_[c].variables;
        const int* begin = vars.GetItems();
        const int* end = begin + vars.GetCount();
        for (const int* v = begin; v != end; v++) {
            if (homes_[*v] >= 0) continue;
            bool family = true;
            for (int p : part.GetParentIndices(*v)) {
                if (!std::binary_search(begin, end, p)) {
                    family = false;
                    break;
                }
            }
            if (!family) continue;
            homes_[*v] = c;
            homeless--;
        }
        if (homeless == 0) break;
    }
    // Moralisation puts every family in some clique.
    return homeless == 0 ? kSuccess : kOutOfRange;
}

void CliqueTree::OrderCliques() {
    const int m = static_cast<int>(cliques_.size());
    if (m < 2) {
        for (int c = 0; c < m; c++) cliques_[c].index = c;
        return;
    }
    std::vector<int> order;
    std::vector<int> separatorOrder;
    OrientTrees(order, separatorOrder);
    RenumberInOrder(order, separatorOrder);
    MoveSeparatorVariablesLast();
}

void CliqueTree::OrientTrees(std::vector<int>& order, std::vector<int>& separatorOrder) {
    const int m = static_cast<int>(cliques_.size());
    std::vector<char> placed(static_cast<size_t>(m), 0);
    order.reserve(static_cast<size_t>(m));
    separatorOrder.reserve(separators_.size());
    for (int c = 0; c < m; c++) {
        if (cliques_[c].links.GetCount() == 0) {
            order.push_back(c);
            placed[c] = 1;
        }
    }
    while (static_cast<int>(order.size()) < m) {
        int start = -1;
        for (int c = 0; c < m; c++) {
            if (!placed[c] && (start < 0 || cliques_[c].tableSize < cliques_[start].tableSize)) start = c;
        }
        placed[start] = 1;
        order.push_back(start);
        // Breadth first: each separator points from the placed clique to the other, which loses the
        // link back, so only links to children remain.
        for (size_t q = order.size() - 1; q < order.size(); q++) {
            Clique& c = cliques_[order[q]];
            for (int k = 0; k < c.links.GetCount(); k++) {
                CliqueSeparator& s = separators_[c.links[k]];
                const int other = s.parent == order[q] ? s.child : s.parent;
                if (placed[other]) continue;
                s.parent = order[q];
                s.child = other;
                separatorOrder.push_back(s.index);
                placed[other] = 1;
                order.push_back(other);
                Clique& child = cliques_[other];
                const int at = child.links.FindPosition(s.index);
                child.links[at] = child.links.LastItem();
                child.links.SetCount(child.links.GetCount() - 1);
                child.parentSeparator = s.index;
            }
        }
    }
}

void CliqueTree::RenumberInOrder(const std::vector<int>& order, const std::vector<int>& separatorOrder) {
    const int m = static_cast<int>(cliques_.size());
    std::vector<int> newClique(static_cast<size_t>(m));
    std::vector<int> newSeparator(separators_.size(), -1);
    for (int i = 0; i < m; i++) newClique[order[i]] = i;
    for (size_t i = 0; i < separatorOrder.size(); i++) newSeparator[separatorOrder[i]] = static_cast<int>(i);
    std::vector<Clique> cliques;
    cliques.reserve(static_cast<size_t>(m));
    for (int i = 0; i < m; i++) {
        cliques.push_back(std::move(cliques_[order[i]]));
        Clique& c = cliques.back();
        c.index = i;
        if (c.parentSeparator >= 0) c.parentSeparator = newSeparator[c.parentSeparator];
        for (int k = 0; k < c.links.GetCount(); k++) c.links[k] = newSeparator[c.links[k]];
    }
    std::vector<CliqueSeparator> separators;
    separators.reserve(separatorOrder.size());
    for (size_t i = 0; i < separatorOrder.size(); i++) {
        separators.push_back(std::move(separators_[separatorOrder[i]]));
        CliqueSeparator& s = separators.back();
        s.index = static_cast<int>(i);
        s.parent = newClique[s.parent];
        s.child = newClique[s.child];
    }
    cliques_.swap(cliques);
    separators_.swap(separators);
    for (int& h : homes_) {
        if (h >= 0) h = newClique[h];
    }
}

// A child's entries then run through the separator's entries once per configuration of the rest.
void CliqueTree::MoveSeparatorVariablesLast() {
    for (Clique& c : cliques_) {
        if (c.parentSeparator < 0) continue;
        const VRX_intArray& sep = separators_[c.parentSeparator].variables;
        const int count = c.variables.GetCount();
        int kept = 0;
        for (int q = 0; q < count; q++) {
            const int v = c.variables[q];
            if (sep.IsInList(v)) continue;
            c.variables[kept] = v;
            c.sizes[kept] = nodeSizes_[v];
            kept++;
        }
        for (int q = 0; q < sep.GetCount(); q++) {
            c.variables[kept + q] = sep[q];
            c.sizes[kept + q] = nodeSizes_[sep[q]];
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Driver

int RunCliqueTreeOnPart(RelevanceGraph& part, vovido::HeldTables& held) {
    PartView view(part);
    if (view.GetStatus() != kSuccess) return view.GetStatus();
    CliqueTree tree;
    const int logged = errorLog.GetNumberOfEntries();
    int rc = tree.BuildStructure(view, kDefaultJoinTreeLimit);
    if (rc == kSuccess) {
        if (!held.counted) held = vovido::CountHeldTables(*part.GetNetwork());
        const std::string refusal =
            vovido::UpdateMemoryRefusal(*part.GetNetwork(), held, vovido::PartOwnedCells(part),
                                        tree.GetWorkingSize(), part.GetNumberOfRecords(), "clique tree");
        if (!refusal.empty()) return LogError(errorLog, kOutOfMemory, refusal.c_str(), nullptr);
    }
    if (rc == kSuccess) rc = tree.LoadTables(view);
    if (rc == kSuccess) rc = tree.Solve(view);
    // Memory that ran out where no table size was named yet.
    if (rc == kOutOfMemory && errorLog.GetNumberOfEntries() == logged) {
        const std::string nodes = std::to_string(view.GetNumberOfNodes()) + " nodes.";
        const std::string text = tree.IsBuilt()
                                     ? "Clique tree: memory ran out for its tables of " +
                                           std::to_string(tree.GetTotalSize()) + " entries over " + nodes
                                     : "Clique tree: memory ran out while the cliques of its " + nodes;
        return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
    }
    return rc;
}
