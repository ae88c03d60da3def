#pragma once
// The size of a file counted before it is written: a file larger than the readers take is refused
// before anything is made, naming the nodes whose tables make it so.

class VRX_fileFormat;
class VRX_network;

namespace vovido {

// Before a write in the speaker's format: 0 when the tables the format writes whole fit in a file the
// readers take (kMaxInputBytes) and hold finite numbers. Otherwise the write is refused, logged naming
// the nodes and the size: kOutOfMemory for a file too large, for more numbers than kMaxWrittenNumbers
// (counted from the cells alone), or for a table that cannot be built to count
// it; kObjectNotConsistent for a NaN or infinite entry. The least text of every table is counted first,
// without building any, so that a table too large to be written is refused before it is expanded; then
// the numbers of the tables as they would be written.
[[nodiscard]] int CheckWrittenSize(VRX_network& network, const VRX_fileFormat& speaker);

}  // namespace vovido
