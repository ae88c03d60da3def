// libFuzzer target: the Netica reader on arbitrary bytes; what it accepts writes and reads back.
#include <cstddef>
#include <cstdint>

#include "formats/netica_format.h"
#include "tests/fuzz/text_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vovido::fuzz::ReadAndRoundTrip<VRX_neticaSpeaker>(data, size);
    return 0;
}
