// Triangulation of a moral graph by node elimination: simplicial nodes first, then the node of the
// smallest weight with its fill-in edges; the cliques it makes are linked into a tree.
#include "inference/triangulation.h"

#include <algorithm>
#include <new>

#include "base/size_limits.h"

namespace vovido {

bool Triangulation::Run(const MoralGraphSource& graph, uint32_t limit) {
    limit_ = limit == 0 ? kDefaultJoinTreeLimit : limit;
    total_ = 0;
    ranOutOfMemory_ = false;
    numEliminated_ = 0;
    stampToken_ = 0;
    bool ok = false;
    try {
        cliques_.clear();
        order_.clear();
        fillIns_.clear();
        ok = Setup(graph);
        if (ok) {
            BuildMoralGraph(graph);
            ok = EliminateAll();
            if (ok) LinkCliques();
        }
    } catch (const std::bad_alloc&) {
        ok = false;
        ranOutOfMemory_ = true;
    }
    return ok;
}

bool Triangulation::Setup(const MoralGraphSource& graph) {
    n_ = graph.GetNumberOfNodes();
    if (n_ < 0) n_ = 0;
    const size_t n = static_cast<size_t>(n_);
    neighbours_.assign(n, std::vector<int>());
    weight_.assign(n, 0u);
    size_.assign(n, 1);
    eliminated_.assign(n, 0);
    dirty_.assign(n, 1);
    pendingDirty_.assign((n + 63) / 64, ~uint64_t{0});
    if (n % 64 != 0) pendingDirty_.back() = (uint64_t{1} << (n % 64)) - 1;
    weightChanged_.clear();
    inWeightChanged_.assign(n, 0);
    for (int v = 0; v < n_; v++) MarkWeightChanged(v);
    lightest_ = decltype(lightest_)();
    eliminatedIn_.assign(n, -1);
    stamp_.assign(n, 0);
    saved_.reserve(n);
    order_.reserve(n);
    cliques_.reserve(n);
    for (int v = 0; v < n_; v++) {
        if (!graph.IsLeftOut(v)) continue;
        eliminated_[v] = 1;
        numEliminated_++;
    }
    return true;
}

void Triangulation::BuildMoralGraph(const MoralGraphSource& graph) {
    for (int v = 0; v < n_; v++) {
        size_[v] = std::max(graph.GetSize(v), 1);
        weight_[v] = static_cast<uint32_t>(size_[v]);
    }
    // Each list is reserved once for the edges its node can get from the families it is in: growing it
    // an edge at a time reallocated it several times a run.
    std::vector<size_t> most(static_cast<size_t>(n_), 0);
    for (int v = 0; v < n_; v++) {
        const std::vector<int>& p = graph.GetParents(v);
        most[v] += p.size();
        for (int u : p) {
            if (u >= 0 && u < n_) most[u] += p.size();
        }
    }
    for (int v = 0; v < n_; v++) {
        if (!graph.IsLeftOut(v)) neighbours_[v].reserve(most[v]);
    }
    for (int v = 0; v < n_; v++) {
        const std::vector<int>& p = graph.GetParents(v);
        const int k = static_cast<int>(p.size());
        // A node left out counts as eliminated from the start: AddEdge passes it over.
        for (int i = 0; i < k; i++) AddEdge(v, p[i]);
        Marry(p);
    }
}

void Triangulation::Marry(const std::vector<int>& nodes) {
    const int k = static_cast<int>(nodes.size());
    for (int i = k - 2; i >= 0; i--) {
        for (int j = i + 1; j < k; j++) AddEdge(nodes[i], nodes[j]);
    }
}

bool Triangulation::Adjacent(int a, int b) const {
    const std::vector<int>& la = neighbours_[a];
    const std::vector<int>& lb = neighbours_[b];
    const std::vector<int>& shorter = la.size() <= lb.size() ? la : lb;
    const int other = la.size() <= lb.size() ? b : a;
    return std::find(shorter.begin(), shorter.end(), other) != shorter.end();
}

void Triangulation::AddEdge(int a, int b) {
    if (a < 0 || b < 0 || a >= n_ || b >= n_ || a == b) return;  // parents outside the graph
    if (eliminated_[a] || eliminated_[b]) return;                // a node left out
    if (Adjacent(a, b)) return;
    AddEdgeUnchecked(a, b);
}

void Triangulation::AddEdgeUnchecked(int a, int b) {
    neighbours_[a].push_back(b);
    neighbours_[b].push_back(a);
    MarkWeightChanged(a);
    MarkWeightChanged(b);
    weight_[a] = Scale(weight_[a], size_[b]);
    weight_[b] = Scale(weight_[b], size_[a]);
}

void Triangulation::RemoveNode(int v) {
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
        MarkDirty(u);
        MarkWeightChanged(u);
    }
    list.clear();
    eliminated_[v] = 1;
    numEliminated_++;
    order_.push_back(v);
}

uint32_t Triangulation::WeightOf(int v) {
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

bool Triangulation::IsSimplicial(int v) {
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

void Triangulation::MarkDirty(int v) {
    dirty_[v] = 1;
    pendingDirty_[static_cast<size_t>(v) / 64] |= uint64_t{1} << (v % 64);
}

int Triangulation::TakeNextPending(int position) {
    const int start = position + 1;
    if (start >= n_) return -1;
    size_t word = static_cast<size_t>(start) / 64;
    uint64_t bits = pendingDirty_[word] & (~uint64_t{0} << (start % 64));
    while (bits == 0) {
        if (++word == pendingDirty_.size()) return -1;
        bits = pendingDirty_[word];
    }
    const int bit = __builtin_ctzll(bits);
    pendingDirty_[word] &= ~(uint64_t{1} << bit);
    return static_cast<int>(word * 64) + bit;
}

void Triangulation::MarkWeightChanged(int v) {
    if (inWeightChanged_[v]) return;
    inWeightChanged_[v] = 1;
    weightChanged_.push_back(v);
}

// A pass visits the dirty nodes in index order; a node found not simplicial is retested only after its
// neighbourhood changed, which gives the same eliminations as testing every node on every pass. A node
// made dirty behind the pass's position waits for the next pass, as a scan in index order would leave it.
bool Triangulation::EliminateSimplicial() {
    if (n_ == 0) return true;
    bool eliminatedAny = false;
    int position = -1;
    for (;;) {
        const int v = TakeNextPending(position);
        if (v < 0) {
            if (!eliminatedAny) break;
            eliminatedAny = false;
            position = -1;
            continue;
        }
        position = v;
        if (eliminated_[v] || !dirty_[v]) continue;
        dirty_[v] = 0;
        if (!IsSimplicial(v)) continue;
        const uint32_t w = WeightOf(v);
        if (w == 0) return false;
        if (!MakeClique(v, w)) return false;
        eliminatedAny = true;
    }
    return true;
}

int Triangulation::LightestNode(uint32_t& weight) {
    for (int v : weightChanged_) {
        inWeightChanged_[v] = 0;
        if (eliminated_[v]) continue;
        const uint32_t w = WeightOf(v);
        if (w != 0) lightest_.emplace(w, v);
    }
    weightChanged_.clear();
    // Entries of eliminated nodes or of weights that changed since are stale.
    while (!lightest_.empty()) {
        const std::pair<uint32_t, int> top = lightest_.top();
        if (!eliminated_[top.second] && WeightOf(top.second) == top.first) {
            weight = top.first;
            return top.second;
        }
        lightest_.pop();
    }
    return -1;
}

bool Triangulation::EliminateAll() {
    if (numEliminated_ == n_) return true;
    for (;;) {
        if (!EliminateSimplicial()) return false;
        if (numEliminated_ == n_) return WithinLimit();
        uint32_t best = 0;
        const int chosen = LightestNode(best);
        if (chosen < 0) return false;
        AddFillIns(chosen);
        if (!MakeClique(chosen, best)) return false;
        if (!WithinLimit()) return false;
        if (numEliminated_ == n_) return true;
    }
}

void Triangulation::AddFillIns(int v) {
    saved_.assign(neighbours_[v].begin(), neighbours_[v].end());
    const int d = static_cast<int>(saved_.size());
    for (int i = d - 2; i >= 0; i--) {
        const int a = saved_[i];
        const int token = NextStamp();
        for (int w : neighbours_[a]) stamp_[w] = token;
        for (int j = i + 1; j < d; j++) {
            if (stamp_[saved_[j]] == token) continue;
            AddEdgeUnchecked(a, saved_[j]);
            fillIns_.emplace_back(a, saved_[j]);
        }
    }
    // New edges can make the neighbours, and nodes adjacent to both ends, simplicial.
    for (int u : saved_) {
        MarkDirty(u);
        for (int w : neighbours_[u]) MarkDirty(w);
    }
}

bool Triangulation::MakeClique(int v, uint32_t w) {
    saved_.assign(neighbours_[v].begin(), neighbours_[v].end());
    const int c = static_cast<int>(saved_.size());
    const int index = static_cast<int>(cliques_.size());
    cliques_.emplace_back();
    Clique& clique = cliques_.back();
    clique.eliminated = v;
    clique.weight = w;
    clique.members.reserve(std::min(c + 1, maxMembers_));
    clique.members.push_back(v);
    RemoveNode(v);
    eliminatedIn_[v] = index;
    bool ok = maxMembers_ >= 1;
    int remaining = c - 1;
    for (int k = c - 1; k >= 0 && ok; k--) {
        const int u = saved_[k];
        if (static_cast<int>(clique.members.size()) >= maxMembers_) {
            ok = false;
            break;
        }
        clique.members.push_back(u);
        if (static_cast<int>(neighbours_[u].size()) == remaining) {
            RemoveNode(u);
            eliminatedIn_[u] = index;
            remaining--;
        } else {
            clique.separator.push_back(u);
        }
    }
    total_ += w;
    return ok;
}

bool Triangulation::HoldsSeparatorOf(const Clique& holder, const Clique& other) const {
    if (other.separator.size() > holder.members.size()) return false;
    for (int s : other.separator) {
        if (std::find(holder.members.begin(), holder.members.end(), s) == holder.members.end()) return false;
    }
    return true;
}

// Each clique's parent is the first later clique holding its separator. None can come after the
// clique in which a separator node was eliminated, which bounds the search.
void Triangulation::LinkCliques() {
    const int m = static_cast<int>(cliques_.size());
    auto sortLists = [](Clique& c) {
        std::sort(c.members.begin(), c.members.end());
        std::sort(c.separator.begin(), c.separator.end());
    };
    // The cliques holding each node, in clique order: a holder of a separator is among the cliques of
    // any one separator node, so only those of the rarest one are tried (scanning every later clique
    // would make long chains of cliques, as unrolled dynamic networks give, quadratic).
    std::vector<std::vector<int>> cliquesOf(static_cast<size_t>(n_));
    for (int j = 0; j < m; j++) {
        for (int v : cliques_[j].members) cliquesOf[static_cast<size_t>(v)].push_back(j);
    }
    for (int i = 0; i + 1 < m; i++) {
        int last = m - 1;
        const std::vector<int>* candidates = nullptr;
        for (int s : cliques_[i].separator) {
            const int e = eliminatedIn_[s];
            if (e >= 0 && e < last) last = e;
            const std::vector<int>& holding = cliquesOf[static_cast<size_t>(s)];
            if (candidates == nullptr || holding.size() < candidates->size()) candidates = &holding;
        }
        if (candidates == nullptr) {
            // An empty separator is held by the next clique.
            cliques_[i].parent = i + 1;
            sortLists(cliques_[i]);
            continue;
        }
        for (auto it = std::upper_bound(candidates->begin(), candidates->end(), i);
             it != candidates->end() && *it <= last; ++it) {
            if (HoldsSeparatorOf(cliques_[*it], cliques_[i])) {
                cliques_[i].parent = *it;
                sortLists(cliques_[i]);
                break;
            }
        }
    }
    if (m > 0) sortLists(cliques_[m - 1]);
}

}  // namespace vovido
