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
// large to be written is refused before it is built; a table computed from parameters too large to be
// computed to count it is refused where its longest numbers could pass the limit. Where they could, each
// number's text is bounded from its bits (NumberTextBounds): refused where the least text passes the
// limit, taken where the most fits; between the two, the values met first and again count exactly, then
// a few numbers left are formatted, and past that the upper estimate decides. The writers stop a file that
// still grows past the limit.
[[nodiscard]] int CheckWrittenSize(VRX_network& network, const VRX_fileFormat& speaker);

}  // namespace vovido
