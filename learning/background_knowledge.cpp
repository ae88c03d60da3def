// Checks of the background knowledge of the structure learners, before any learning starts.
#include "learning/background_knowledge.h"

#include <algorithm>
#include <map>
#include <set>

#include "learning/data_set.h"

namespace {

// The order the knowledge imposes, as a graph: the variables 0..n-1, then one node per tier group in
// increasing tier order. A forced arc p -> c is an edge p -> c; a variable of a group that has a next
// group points to its group's node, which points to every variable of the next group, so that "every
// variable of a tier precedes every variable of the next" costs one edge per entry.
class KnowledgeOrder {
public:
    KnowledgeOrder(const std::vector<std::pair<int, int>>& forced,
                   const std::vector<std::pair<int, int>>& tiers, bool lastTierWins, int n)
        : n_(n) {
        std::map<int, std::vector<int>> groups;
        if (lastTierWins) {
            std::vector<int> last(n, -1);
            for (size_t k = 0; k < tiers.size(); ++k) last[tiers[k].first] = static_cast<int>(k);
            for (int v = 0; v < n; ++v) {
                if (last[v] >= 0) groups[tiers[last[v]].second].push_back(v);
            }
        } else {
            for (const auto& entry : tiers) groups[entry.second].push_back(entry.first);
        }
        for (const auto& group : groups) tierOf_.push_back(group.first);
        const int nodes = n + static_cast<int>(groups.size());
        std::vector<std::pair<int, int>> edges(forced);
        int g = 0;
        for (auto it = groups.begin(); it != groups.end(); ++it, ++g) {
            const auto next = std::next(it);
            if (next == groups.end()) break;
            for (int v : it->second) edges.emplace_back(v, n + g);
            for (int v : next->second) edges.emplace_back(n + g, v);
        }
        first_.assign(nodes + 1, 0);
        for (const auto& e : edges) ++first_[e.first + 1];
        for (int v = 0; v < nodes; ++v) first_[v + 1] += first_[v];
        targets_.resize(edges.size());
        std::vector<int> at(first_.begin(), first_.end() - 1);
        for (const auto& e : edges) targets_[at[e.first]++] = e.second;
        Components(nodes);
    }

    bool SameComponent(int a, int b) const { return component_[a] == component_[b]; }
    bool IsGroup(int node) const { return node >= n_; }
    int TierOfGroup(int node) const { return tierOf_[node - n_]; }
    // The tier of the variables a group node points to.
    int TierAfterGroup(int node) const { return tierOf_[node - n_ + 1]; }
    // The nodes of a shortest path from `from` to `to` within their component, both included.
    std::vector<int> Path(int from, int to) const {
        std::vector<int> previous(component_.size(), -1), queue{from};
        previous[from] = from;
        for (size_t k = 0; k < queue.size() && previous[to] < 0; ++k) {
            const int u = queue[k];
            for (int e = first_[u]; e < first_[u + 1]; ++e) {
                const int v = targets_[e];
                if (previous[v] >= 0 || component_[v] != component_[from]) continue;
                previous[v] = u;
                queue.push_back(v);
            }
        }
        std::vector<int> path{to};
        while (path.back() != from) path.push_back(previous[path.back()]);
        std::reverse(path.begin(), path.end());
        return path;
    }

private:
    // Strongly connected components (Tarjan's, with an explicit stack).
    void Components(int nodes) {
        component_.assign(nodes, -1);
        std::vector<int> index(nodes, -1), low(nodes, 0), stack, edge(nodes, 0);
        std::vector<char> onStack(nodes, 0);
        std::vector<int> calls;
        int counter = 0, components = 0;
        for (int start = 0; start < nodes; ++start) {
            if (index[start] >= 0) continue;
            calls.push_back(start);
            index[start] = low[start] = counter++;
            stack.push_back(start);
            onStack[start] = 1;
            edge[start] = first_[start];
            while (!calls.empty()) {
                const int u = calls.back();
                if (edge[u] < first_[u + 1]) {
                    const int v = targets_[edge[u]++];
                    if (index[v] < 0) {
                        index[v] = low[v] = counter++;
                        stack.push_back(v);
                        onStack[v] = 1;
                        edge[v] = first_[v];
                        calls.push_back(v);
                    } else if (onStack[v] != 0) {
                        low[u] = std::min(low[u], index[v]);
                    }
                    continue;
                }
                calls.pop_back();
                if (!calls.empty()) low[calls.back()] = std::min(low[calls.back()], low[u]);
                if (low[u] != index[u]) continue;
                for (int v = -1; v != u;) {
                    v = stack.back();
                    stack.pop_back();
                    onStack[v] = 0;
                    component_[v] = components;
                }
                ++components;
            }
        }
    }

    int n_;
    std::vector<int> tierOf_;  // tier number of each group node
    std::vector<int> first_, targets_;
    std::vector<int> component_;
};

std::string Named(const DataSet& data, int v) {
    return "[" + data.Label(v) + "]";
}

// At most this many arcs, and tier orders, of a cycle are named; the rest are counted.
constexpr size_t kNamedSteps = 8;

std::string List(const std::vector<std::string>& items) {
    std::string text;
    for (size_t k = 0; k < items.size() && k < kNamedSteps; ++k) text += (k > 0 ? ", " : "") + items[k];
    if (items.size() > kNamedSteps) text += " and " + std::to_string(items.size() - kNamedSteps) + " more";
    return text;
}

// The cycle that the forced arc p -> c closes: its forced arcs and the tier orders it runs through.
std::string CycleText(const KnowledgeOrder& order, const DataSet& data, int p, int c) {
    std::vector<int> cycle = order.Path(c, p);
    cycle.insert(cycle.begin(), p);  // p -> c -> ... -> p
    std::vector<std::string> arcs, tiers;
    for (size_t k = 0; k + 1 < cycle.size();) {
        const int u = cycle[k];
        if (!order.IsGroup(cycle[k + 1])) {
            arcs.push_back(Named(data, u) + " -> " + Named(data, cycle[k + 1]));
            ++k;
            continue;
        }
        // A run through the tiers: u's group precedes the group of the variable where the run ends.
        const int from = order.TierOfGroup(cycle[k + 1]);
        size_t end = k + 2;
        while (end + 1 < cycle.size() && order.IsGroup(cycle[end + 1])) end += 2;
        const int to = order.TierAfterGroup(cycle[end - 1]);
        tiers.push_back(Named(data, u) + " (tier " + std::to_string(from) + ") precedes " +
                        Named(data, cycle[end]) + " (tier " + std::to_string(to) + ")");
        k = end;
    }
    const bool several = arcs.size() > 1;
    std::string text = std::string(several ? "the forced arcs " : "the forced arc ") + List(arcs) +
                       (several ? " form a cycle" : " forms a cycle");
    if (!tiers.empty()) text += " with the tiers: " + List(tiers);
    return text;
}

}  // namespace

std::string VariableIndexFault(int v, const char* what, int n) {
    if (v >= 0 && v < n) return {};
    return std::string(what) + " names variable " + std::to_string(v) + ", valid range is 0.." +
           std::to_string(n - 1);
}

std::string KnowledgeFault(const std::vector<std::pair<int, int>>& forced,
                           const std::vector<std::pair<int, int>>& forbidden,
                           const std::vector<std::pair<int, int>>& tiers, bool lastTierWins,
                           const DataSet& data) {
    const int n = data.GetVariableCount();
    auto outside = [n](int v, const char* what) { return VariableIndexFault(v, what, n); };
    for (const auto* arcs : {&forced, &forbidden}) {
        const char* what = arcs == &forced ? "forced arc" : "forbidden arc";
        for (const auto& arc : *arcs) {
            for (int v : {arc.first, arc.second}) {
                std::string fault = outside(v, what);
                if (!fault.empty()) return fault;
            }
        }
    }
    for (const auto& entry : tiers) {
        std::string fault = outside(entry.first, "tier");
        if (!fault.empty()) return fault;
    }
    // An arc both forced and forbidden has no meaning: each learner would drop one of the two.
    const std::set<std::pair<int, int>> forbiddenSet(forbidden.begin(), forbidden.end());
    for (const auto& arc : forced) {
        if (forbiddenSet.count(arc) != 0)
            return "the arc " + Named(data, arc.first) + " -> " + Named(data, arc.second) +
                   " is both forced and forbidden";
    }
    for (const auto& arc : forced) {
        if (arc.first == arc.second)
            return "the forced arc " + Named(data, arc.first) + " -> " + Named(data, arc.first) +
                   " is a cycle";
    }
    if (forced.empty()) return {};
    const KnowledgeOrder order(forced, tiers, lastTierWins, n);
    for (const auto& arc : forced) {
        if (order.SameComponent(arc.first, arc.second)) return CycleText(order, data, arc.first, arc.second);
    }
    return {};
}
