#pragma once
// The worth of every row of a decision's table from one propagation: in a working copy where the decision
// is a chance node over its information and the merged utility is observed, the joint of the decision and
// its parents is proportional, row by row, to the expected utility of each choice.

#include <cstdint>
#include <vector>

class VRX_network;

namespace vovido {

// The join tree that the propagation would build, before anything is allocated: its table entries and
// the part of the copy it covers.
struct DecisionTreeSize {
    uint64_t entries = 0;
    int nodes = 0;
};

// One exact propagation of the part of the copy that holds the decision, under its evidence: `joint`
// receives P(parents, decision | evidence) in the layout of the decision's table (a row per
// configuration of its parents, the choice fastest), so that a row of zeros is impossible given the
// evidence. A tree of more than `limit` entries is not propagated: kOutOfMemory, not logged, with its
// size in `size`. kConflictingEvidence (logged) when the evidence itself is impossible.
// The size of the trees PropagateDecisionRows would build, found as it finds it but with no table
// allocated and no propagation: the copy's decisions may still be lists without tables.
[[nodiscard]] int SizeDecisionRows(VRX_network& work, int decision, DecisionTreeSize& size);

[[nodiscard]] int PropagateDecisionRows(VRX_network& work, int decision, uint64_t limit,
                                        std::vector<double>& joint, DecisionTreeSize& size);

// The parts of the copy that hold evidence, propagated as PropagateDecisionRows propagates a decision's:
// kConflictingEvidence (logged) when the evidence has probability zero, wherever it lies, kOutOfMemory
// (not logged) for trees past `limit` entries, 0 otherwise.
[[nodiscard]] int CheckEvidenceProbability(VRX_network& work, uint64_t limit, DecisionTreeSize& size);

}  // namespace vovido
