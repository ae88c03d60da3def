// libFuzzer target: the XML network loader with its graphical extension on arbitrary bytes. A file that
// loads must save, and what was saved must load again and save to the same bytes: traps when a saved
// network cannot be read back or loses or changes something on the way.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "base/error_log.h"
#include "model/network.h"
#include "model/temporal_extension.h"
#include "xml/xml_network.h"

namespace {

std::string ScratchPath(const char* role) {
    return "/tmp/vovido_xml_network_fuzz_" + std::to_string(getpid()) + "_" + role + ".xvrx";
}

bool WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input = ScratchPath("in");
    static const std::string output = ScratchPath("out");
    static const std::string again = ScratchPath("again");
    if (!WriteBytes(input, data, size)) return 0;
    VRX_network network;
    VRX_temporalExtension plate(&network);
    const bool loaded = LoadXmlNetwork(input.c_str(), &network, nullptr, &plate);
    if (loaded && SaveXmlNetwork(output.c_str(), &network, nullptr, &plate)) {
        VRX_network copy;
        VRX_temporalExtension copyPlate(&copy);
        if (!LoadXmlNetwork(output.c_str(), &copy, nullptr, &copyPlate)) __builtin_trap();
        if (copy.GetNumberOfNodes() != network.GetNumberOfNodes()) __builtin_trap();
        if (!SaveXmlNetwork(again.c_str(), &copy, nullptr, &copyPlate)) __builtin_trap();
        if (ReadBytes(again) != ReadBytes(output)) __builtin_trap();
    }
    errorLog.Flush();
    return 0;
}
