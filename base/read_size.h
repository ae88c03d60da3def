#pragma once
// The least memory a read of a network file builds, counted as it goes (see kMaxReadBytes).

#include <cstdint>
#include <string>

namespace vovido {

// The least memory a node of the definition kind takes once read (kReadDiscreteNodeBytes or
// kReadNodeBytes).
int64_t ReadNodeBytes(int typeCode);

// The refusal of a read that would hold `nodes` nodes taking `nodeBytes` (ReadNodeBytes of each), `arcs`
// arcs and tables of `cells` cells, past kMaxReadBytes, naming the node being read; empty within it.
std::string ReadSizeRefusal(const std::string& nodeId, int64_t nodes, int64_t nodeBytes, int64_t arcs,
                            int64_t cells);

}  // namespace vovido
