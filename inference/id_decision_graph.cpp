// Directed reachability and d-connection over a diagram's arcs.
#include "inference/id_decision_graph.h"

#include <algorithm>
#include <utility>

namespace vovido {

void DecisionGraph::SetParents(int node, const std::vector<int>& parents) {
    const size_t at = static_cast<size_t>(node);
    for (int p : parents_[at]) {
        std::vector<int>& siblings = children_[static_cast<size_t>(p)];
        siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
    }
    parents_[at] = parents;
    for (int p : parents) children_[static_cast<size_t>(p)].push_back(node);
}

bool DecisionGraph::Reaches(int from, int to) const {
    std::vector<char> seen(parents_.size(), 0);
    std::vector<int> stack{from};
    seen[static_cast<size_t>(from)] = 1;
    while (!stack.empty()) {
        const int y = stack.back();
        stack.pop_back();
        if (y == to) return true;
        for (int c : children_[static_cast<size_t>(y)]) {
            if (!seen[static_cast<size_t>(c)]) {
                seen[static_cast<size_t>(c)] = 1;
                stack.push_back(c);
            }
        }
    }
    return false;
}

// The ball passes a node in the direction it came, unless the node is observed; it bounces back up from
// an observed node or an ancestor of one (a collider that the observations open).
bool DecisionGraph::DConnected(int from, const std::vector<int>& to,
                               const std::vector<char>& observed) const {
    const size_t n = parents_.size();
    std::vector<char> target(n, 0);
    for (int t : to) target[static_cast<size_t>(t)] = 1;
    std::vector<char> opens(n, 0);
    std::vector<int> stack;
    for (size_t h = 0; h < n; h++) {
        if (observed[h]) stack.push_back(static_cast<int>(h));
    }
    while (!stack.empty()) {
        const size_t y = static_cast<size_t>(stack.back());
        stack.pop_back();
        if (opens[y]) continue;
        opens[y] = 1;
        for (int p : parents_[y]) stack.push_back(p);
    }
    // Visits are (node, arrived from a child) pairs: 2 * node + 1 upwards, 2 * node downwards.
    std::vector<char> visited(2 * n, 0);
    std::vector<std::pair<int, bool>> ball{{from, true}};
    while (!ball.empty()) {
        const auto [y, up] = ball.back();
        ball.pop_back();
        const size_t at = static_cast<size_t>(y);
        char& seen = visited[2 * at + (up ? 1 : 0)];
        if (seen) continue;
        seen = 1;
        // A path that ends at an observed target bears on its likelihood.
        if (target[at]) return true;
        if (!observed[at]) {
            for (int c : children_[at]) ball.emplace_back(c, false);
            if (up) {
                for (int p : parents_[at]) ball.emplace_back(p, true);
            }
        }
        if (!up && opens[at]) {
            for (int p : parents_[at]) ball.emplace_back(p, true);
        }
    }
    return false;
}

}  // namespace vovido
