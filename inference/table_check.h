#pragma once
// The checks around a belief update: of the probability tables before a discrete algorithm reads them
// (a table with NaN, an infinite or a negative entry yields no beliefs, however its columns are
// normalised later), of the values it wrote (entries far above 1 overflow the products), and of the
// number of updates an influence diagram's scenarios would take.

#include <vector>

class VRX_network;

namespace vovido {

// One pass over the table of every discrete chance node. 0 when each entry is a finite number of at
// least 0 and each column sums to 1 within the tolerance of a CPT's consistency (beliefs from other sums
// would not sum to 1) or is a zero column. Otherwise the first fault found is logged naming the node
// and what is wrong, and kObjectNotConsistent returned; a table beyond the size limit gives
// kOutOfMemory, logged. A column whose sum is subnormal is set to 0 in place: it is the zero column it
// stands for numerically, and algorithms that normalise columns would otherwise read it as a
// distribution.
[[nodiscard]] int CheckDiscreteTables(VRX_network& network);

// After an update that found its evidence impossible, with `logStart` the number of log entries before it:
// when the network holds no evidence at all, the zero mass comes of a table column whose probabilities
// all vanish (zeros, or a subnormal sum set to 0 by CheckDiscreteTables). The update's entries are then
// replaced by one naming the first such node and column with its parents' outcomes.
void ExplainZeroMass(const VRX_network& network, int logStart);

// After an update that succeeded: 0 when every up-to-date value holds what it may: finite beliefs and
// expected utilities, an equation value that is neither NaN nor the undefined marker. Otherwise every
// value is marked out of date and the first node found is logged: -568 for numbers that are not
// finite, -2 for an undefined equation value.
[[nodiscard]] int CheckUpdatedValues(VRX_network& network);

// Before an influence diagram is solved by one belief update per scenario of `sequence` (decisions and
// what they observe, with their outcome counts in `sizes`): 0 while the scenarios times the work of one
// update (the cells of every table and a fixed share per node) stay within the limit; else -42, logged
// naming the first decision at or after the node whose outcomes pass it, with the sizes.
[[nodiscard]] int CheckScenarioCount(const VRX_network& network, const std::vector<int>& sequence,
                                     const std::vector<int>& sizes);

// The probability of evidence as computed: 0 when it is a finite number, else -568 logged, naming the
// first node with evidence.
[[nodiscard]] int CheckProbabilityOfEvidence(const VRX_network& network, double probability);

}  // namespace vovido
