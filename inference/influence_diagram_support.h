#pragma once
// What both influence-diagram solvers share: the decision sequence, the assumed decision order, and the
// working copy in which utilities and decisions become chance nodes.

#include <vector>

#include "base/number_text.h"
#include "base/status_codes.h"

class VRX_network;
class VRX_Dmatrix;

namespace vovido {

inline bool IsUndefinedEntry(double v) {
    return v == kUndefinedValue;
}

// Evidence that a scenario makes impossible: the scenario is skipped, not the run.
inline bool IsImpossibleScenario(int status) {
    return status == kConflictingEvidence || status == kNoUsefulSamples;
}

// The nodes without evidence, in influence-diagram order, that are decisions or informational parents
// of a decision; each once.
[[nodiscard]] int CollectDecisionSequence(VRX_network& network, std::vector<int>& sequence);

// For two consecutive decisions of the sequence of which neither the second nor any node observed just
// before it touches the first: adds the arc first -> second to the network, where it stays, so that the
// second decision is taken knowing the first, and logs "Temporal order assumed" (also when the arc is
// refused). No change notice acts on these arcs.
void AssumeDecisionOrder(VRX_network& network, const std::vector<int>& sequence);

// Smallest and largest entry that is not the undefined sentinel; false when there is none.
bool DefinedBounds(const VRX_Dmatrix& matrix, double& lo, double& hi);

// A working copy of the caller for the solvers: model only, no notices, no automatic updates; null when
// it cannot be made (logged as out of memory).
[[nodiscard]] int MakeWorkingCopy(const VRX_network& network, VRX_network*& out);

// In the working copy: the utility node becomes a two-outcome chance node whose first outcome has the
// utility rescaled from [lo, hi] (its defined bounds) onto [0, 1]; an undefined utility counts as the
// worst one.
[[nodiscard]] int ConvertUtilityNode(VRX_network& work, int handle);

// In the working copy: the decision becomes a chance node with a uniform table; with keepParents it
// keeps its informational parents (the uniform rows repeated over them).
[[nodiscard]] int ConvertDecisionNode(VRX_network& work, int handle, bool keepParents);

// Sets (outcome >= 0) or clears (outcome < 0) the evidence of a node of a working copy, which has no
// notices, so nothing else changes.
[[nodiscard]] int SetWorkEvidence(VRX_network& work, int handle, int outcome);

// The beliefs of a node of a working copy after an update; null when it has none.
const VRX_Dmatrix* WorkBeliefs(const VRX_network& work, int handle);

}  // namespace vovido
