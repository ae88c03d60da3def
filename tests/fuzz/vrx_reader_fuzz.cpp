// libFuzzer target: the own text format and KI readers on arbitrary bytes, under the reading state the
// file dispatch sets. Whatever a read builds must be writable and read back without a failure.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/ki_reader.h"
#include "formats/vrx_format.h"
#include "tests/fuzz/text_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vovido::fuzz::ReadAndRoundTrip<VRX_vrxSpeaker>(text);
    vovido::fuzz::ReadAndRoundTrip<VRX_kiSpeaker, VRX_vrxSpeaker>(text);
    return 0;
}
