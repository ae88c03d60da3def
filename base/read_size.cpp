// The least memory a read of a network file builds.
#include "base/read_size.h"

#include "base/counted_notices.h"
#include "base/size_limits.h"

namespace vovido {

namespace {

std::string Counted(int64_t count, const char* word) {
    return GroupedNumber(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

int64_t ReadNodeBytes(int typeCode) {
    constexpr int kDiscreteBit = 0x10;
    return (typeCode & kDiscreteBit) != 0 ? kReadDiscreteNodeBytes : kReadNodeBytes;
}

std::string ReadSizeRefusal(const std::string& nodeId, int64_t nodes, int64_t nodeBytes, int64_t arcs,
                            int64_t cells) {
    const int64_t bytes = nodeBytes + arcs * kReadArcBytes + cells * 8;
    if (bytes <= kMaxReadBytes) return std::string();
    return "ERROR: Node [" + nodeId + "] : the file's " + Counted(nodes, "node") + ", " +
           Counted(arcs, "arc") + " and tables of " + Counted(cells, "cell") + " would take at least " +
           GroupedNumber(bytes) + " bytes to read (" + GroupedNumber(kReadDiscreteNodeBytes) +
           " a discrete node, " + GroupedNumber(kReadNodeBytes) + " another, " +
           std::to_string(kReadArcBytes) + " an arc, 8 a cell), more than the " +
           GroupedNumber(kMaxReadBytes) + " a read builds (NETWORK TOO LARGE)";
}

}  // namespace vovido
