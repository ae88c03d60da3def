#pragma once
// Shared body of the text-format reader fuzz targets: a speaker reads arbitrary bytes under the reading
// state the file dispatch sets; whatever it accepts must write in its own format and read back with as
// many nodes.
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
void ReadAndRoundTrip(std::string_view text) {
    {
        VRX_network net;
        if (ReadInto<Speaker>(net, text) == kSuccess) {
            std::string written;
            Speaker writer(&net);
            if (writer.WriteToText(written) == kSuccess) {
                VRX_network copy;
                if (ReadInto<Speaker>(copy, written) != kSuccess) __builtin_trap();
                if (copy.GetNumberOfNodes() != net.GetNumberOfNodes()) __builtin_trap();
            }
        }
    }
    errorLog.Flush();
}

}  // namespace vovido::fuzz
