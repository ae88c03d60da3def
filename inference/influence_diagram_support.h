#pragma once
// What both influence-diagram solvers share: the decision sequence, the assumed decision order, and the
// working copy in which utilities and decisions become chance nodes.

#include <cstdint>
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

// For two consecutive decisions of the sequence that no directed path orders: adds the arc first -> second
// to the network, where it stays, so that the second decision is taken knowing the first, and logs
// "Temporal order assumed" as a warning (also when the arc is refused). No change notice acts on these
// arcs.
void AssumeDecisionOrder(VRX_network& network, const std::vector<int>& sequence);

// Whether a directed path leads from `from` to `to` (such a path orders the two); `seen` and `stack` are
// scratch space, kept by the caller across calls.
bool Reaches(const VRX_network& network, int from, int to, std::vector<char>& seen, std::vector<int>& stack);

// Smallest and largest entry that is not the undefined sentinel; false when there is none.
bool DefinedBounds(const VRX_Dmatrix& matrix, double& lo, double& hi);

// A working copy of the caller for the solvers: model only, no notices, no automatic updates; null when
// it cannot be made (logged as out of memory).
[[nodiscard]] int MakeWorkingCopy(const VRX_network& network, VRX_network*& out);

// Cells of a table over the outcomes of the given nodes of the network times `own`; saturates at
// INT64_MAX.
[[nodiscard]] int64_t CellsOver(const VRX_network& network, const std::vector<int>& nodes, int64_t own);

// In the working copy: the utility node becomes a two-outcome chance node whose first outcome has the
// utility rescaled from [lo, hi] (its defined bounds) onto [0, 1]; an undefined utility counts as the
// worst one. `id` names it in a refusal of its table.
[[nodiscard]] int ConvertUtilityNode(VRX_network& work, int handle, const char* id);

// In the working copy: the decision becomes a root chance node with a uniform table. Its parents go
// first, so that no table over them is built: a solver gives it back those it needs.
[[nodiscard]] int ConvertDecisionNode(VRX_network& work, int handle);

// Sets (outcome >= 0) or clears (outcome < 0) the evidence of a node of a working copy, which has no
// notices, so nothing else changes.
[[nodiscard]] int SetWorkEvidence(VRX_network& work, int handle, int outcome);

// The beliefs of a node of a working copy after an update; null when it has none.
const VRX_Dmatrix* WorkBeliefs(const VRX_network& work, int handle);

}  // namespace vovido
