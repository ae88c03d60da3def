#pragma once
// The arcs of an influence diagram as the best-policy solver reasons about them: the policies fixed so
// far and the information every other decision may use. Answers which observations can change what a
// decision is worth.
// After Shachter, "Bayes-Ball: the rational pastime (for determining irrelevance and requisite
// information in belief networks and influence diagrams)", 1998.

#include <cstddef>
#include <vector>

namespace vovido {

class DecisionGraph {
public:
    explicit DecisionGraph(size_t slots) : parents_(slots), children_(slots) {}

    const std::vector<int>& Parents(int node) const { return parents_[static_cast<size_t>(node)]; }
    void SetParents(int node, const std::vector<int>& parents);

    // Whether a directed path leads from `from` to `to`.
    bool Reaches(int from, int to) const;

    // Whether a path between `from` and one of the targets stays active given the observed nodes (an
    // observed target counts as reached: the path bears on its likelihood): when none does, observing
    // `from` tells nothing about the targets beyond what is observed.
    bool DConnected(int from, const std::vector<int>& to, const std::vector<char>& observed) const;

private:
    std::vector<std::vector<int>> parents_;
    std::vector<std::vector<int>> children_;
};

}  // namespace vovido
