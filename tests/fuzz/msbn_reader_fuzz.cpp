// libFuzzer target: the MSBN reader on arbitrary bytes; what it accepts is written and read back.
#include <cstddef>
#include <cstdint>

#include "formats/msbn_speaker.h"
#include "tests/fuzz/text_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vovido::fuzz::ReadAndRoundTrip<VRX_microsoftSpeaker>(data, size);
    return 0;
}
