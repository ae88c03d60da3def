#pragma once
// Shared body of the text-format reader fuzz targets: a speaker reads arbitrary bytes under the reading
// state the file dispatch sets; whatever it accepts must write in a text format and read back with as
// many nodes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"

namespace vovido::fuzz {

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

// A network the writer's format cannot hold is refused as a whole; one it writes must read back.
template <class Writer>
void CheckRoundTrip(VRX_network& net) {
    std::string written;
    Writer writer(&net);
    if (writer.WriteToText(written) != kSuccess) return;
    VRX_network copy;
    if (ReadInto<Writer>(copy, written) != kSuccess) __builtin_trap();
    if (copy.GetNumberOfNodes() != net.GetNumberOfNodes()) __builtin_trap();
}

// The read by Speaker, then the round trip in the format Writer.
template <class Speaker, class Writer = Speaker>
void ReadAndRoundTrip(std::string_view text) {
    {
        VRX_network net;
        if (ReadInto<Speaker>(net, text) == kSuccess) CheckRoundTrip<Writer>(net);
    }
    errorLog.Flush();
}

template <class Speaker>
void ReadAndRoundTrip(const uint8_t* data, size_t size) {
    ReadAndRoundTrip<Speaker>(std::string_view(reinterpret_cast<const char*>(data), size));
}

}  // namespace vovido::fuzz
