// libFuzzer target: the Hugin reader on arbitrary bytes; what it accepts writes and reads back.
#include <cstddef>
#include <cstdint>

#include "formats/hugin_format.h"
#include "tests/fuzz/text_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vovido::fuzz::ReadAndRoundTrip<VRX_huginSpeaker>(data, size);
    return 0;
}
