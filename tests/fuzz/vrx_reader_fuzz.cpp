// libFuzzer target: the own text format and KI readers on arbitrary bytes, under the reading state the
// file dispatch sets. Whatever a read builds must be writable and read back without a failure.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/ki_reader.h"
#include "formats/vrx_format.h"
#include "base/error_log.h"
#include "model/network.h"
#include "base/status_codes.h"

namespace {

template <class Speaker>
int ReadInto(VRX_network& net, std::string_view text) {
    Speaker speaker(&net);
    net.readingFlags = ReadingFlags::kReading;
    const int saved = net.changeMask;
    net.changeMask = 0;
    const int rc = speaker.ReadText(text);
    net.changeMask = saved;
    net.readingFlags = 0;
    if (rc == kSuccess) {
        net.CheckValidity(1);
        net.CheckConsistency(1);
    }
    return rc;
}

void CheckRoundTrip(VRX_network& net) {
    std::string written;
    VRX_vrxSpeaker writer(&net);
    if (writer.WriteToText(written) != kSuccess) return;
    VRX_network copy;
    if (ReadInto<VRX_vrxSpeaker>(copy, written) != kSuccess) __builtin_trap();
    if (copy.GetNumberOfNodes() != net.GetNumberOfNodes()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    {
        VRX_network net;
        if (ReadInto<VRX_vrxSpeaker>(net, text) == kSuccess) CheckRoundTrip(net);
    }
    {
        VRX_network net;
        if (ReadInto<VRX_kiSpeaker>(net, text) == kSuccess) CheckRoundTrip(net);
    }
    errorLog.Flush();
    return 0;
}
