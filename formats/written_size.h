#pragma once
// The size of a file counted before it is written: a file larger than the readers take, or whose tables
// they would refuse, is refused before anything is made, naming the nodes whose tables make it so.

class VRX_fileFormat;
class VRX_network;

namespace vovido {

// Before a write in the speaker's format: 0 when the tables the format writes whole fit in a file the
// readers take (kMaxInputBytes), whose reading builds tables within kMaxFileTableCells, and hold finite
// numbers. Otherwise the write is refused, logged naming the nodes and the size: kOutOfMemory for a file
// or tables too large or for a table that cannot be built to count it; kObjectNotConsistent for a NaN or
// infinite entry. The least text of every table is counted first, from the cells alone, so that a table too
// large to be written is refused before it is expanded; where the longest numbers could pass the limit, an
// upper estimate of the tables' text follows, each number's length exact for the values met first and again,
// else bounded by its magnitude (no pass formats every number). The writers stop a file that still grows past
// the limit.
[[nodiscard]] int CheckWrittenSize(VRX_network& network, const VRX_fileFormat& speaker);

}  // namespace vovido
