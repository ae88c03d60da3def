#pragma once
// Outcomes no sample reached that the evidence makes likely. No spread of the samples can show a state
// none of them drew (a rare cause of observed symptoms): its belief is 0 in every batch. Where the node's
// children are all observed, its own table and theirs bound the posterior of such outcomes from below
// without any sample, and a bound far above 0 shows the belief to be wrong.

#include <string>

class PartView;

namespace vovido {

class MissedOutcomes {
public:
    // Warn when the outcomes no sample reached have a posterior of at least this.
    static constexpr double kLikelyMissed = 0.05;

    // The lower bound on the posterior of node i's outcomes whose counts are 0, given the part's evidence:
    // 0 unless node i is unobserved, some but not all of its counts are 0 and every child in the part is
    // observed. Its own column and its children's entries of their findings, taken at their least for the
    // missed outcomes and at their most for the others over every state of the other parents, bound the
    // ratio of the two posteriors.
    static double LowerBound(const PartView& view, int i, const double* counts);

    // Checks node i of the view with its counts (weighted or not, on any scale).
    void AddNode(const PartView& view, int i, const double* counts);
    // One warning (code kNoUsefulSamples, the status kept) naming the node of the largest bound, its missed
    // outcome and the bound, and how many other nodes missed theirs.
    void Warn() const;

private:
    int nodes_ = 0;
    double largest_ = 0.0;
    std::string node_;
    std::string outcome_;
};

}  // namespace vovido
