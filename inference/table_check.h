#pragma once
// The check of the probability tables before a discrete algorithm reads them: a table with NaN, an
// infinite or a negative entry yields no beliefs, however its columns are normalised later.

class VRX_network;

namespace vovido {

// One pass over the table of every discrete chance node. 0 when each entry is a finite number of at
// least 0 and each column sums to a finite number (columns are not held to sum to 1 here: that stays
// the consistency check's warning). Otherwise the first fault found is logged naming the node and what
// is wrong, and kObjectNotConsistent returned; a table beyond the size limit gives kOutOfMemory, logged.
[[nodiscard]] int CheckDiscreteTables(VRX_network& network);

}  // namespace vovido
