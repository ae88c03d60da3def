#pragma once
// Shared body of the fuzz targets of the exchange-format readers: arbitrary bytes read under the reading
// state the file dispatch sets; whatever a read accepts must be written and read back without a failure.

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

template <class Speaker>
void ReadWriteRead(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    VRX_network net;
    if (ReadInto<Speaker>(net, text) == kSuccess) {
        std::string written;
        Speaker writer(&net);
        // A network the format cannot hold is refused as a whole; one it writes must read back.
        if (writer.WriteToText(written) == kSuccess) {
            VRX_network copy;
            if (ReadInto<Speaker>(copy, written) != kSuccess) __builtin_trap();
            if (copy.GetNumberOfNodes() != net.GetNumberOfNodes()) __builtin_trap();
        }
    }
    errorLog.Flush();
}

}  // namespace vovido::fuzz
