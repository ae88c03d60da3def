// Services shared by the readers and writers of other tools' formats.
#include "formats/format_helpers_b.h"

#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "formats/text_file.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido {

namespace {

constexpr char kReservedNetworkId[] = "@network";
constexpr char kUnnamedNetwork[] = "Unnamed_Network";

}  // namespace

void StartNetworkRecords(VRX_network& network) {
    network.userProperties.CleanUp(1);
    (void)network.documentation.Flush();  // emptying cannot fail
    network.creation.CleanUp(1);
    VRX_header* header = network.GetHeader();
    if (header == nullptr) return;
    (void)header->SetName(nullptr);
    (void)header->SetComment(nullptr);
    (void)header->SetId(kReservedNetworkId);  // valid, and no file identifier takes this form
}

void ApplyNetworkIdentifier(VRX_network& network, const std::string& text) {
    VRX_header* header = network.GetHeader();
    if (header == nullptr) return;
    std::string base = text;
    if (VRX_idArray::RepairId(base) != kSuccess) base = kUnnamedNetwork;
    std::string id = base;
    for (int n = 2; network.IsIdInUse(id.c_str(), -1) && n < 1000000; ++n)
        id = base + "_" + std::to_string(n);
    if (header->SetId(id.c_str()) != kSuccess) (void)header->SetId(kUnnamedNetwork);
}

std::string UniqueNodeId(const VRX_network& network, const std::string& text, int except) {
    std::string base = text;
    if (VRX_idArray::RepairId(base) != kSuccess) base = "x";
    std::string id = base;
    for (int n = 2; network.IsIdInUse(id.c_str(), except) && n < 1000000; ++n)
        id = base + "_" + std::to_string(n);
    return id;
}

int RepairOutcomeNames(const std::vector<std::string>& texts, VRX_idArray& out) {
    if (out.Flush() != kSuccess) return kOutOfMemory;
    for (const std::string& text : texts) {
        std::string id;
        if (out.MakeValidId(text.c_str(), -1, id) != kSuccess) return kOutOfRange;
        if (const int rc = out.Add(id.c_str())) return rc;
    }
    return kSuccess;
}

const char* NodeIdOr(const VRX_network& network, int handle, const char* fallback) {
    const VRX_node* node = network.GetNode(handle);
    const char* id = node != nullptr ? node->GetId() : nullptr;
    return id != nullptr && *id != '\0' ? id : fallback;
}

int CheckWritableKinds(VRX_network& network, bool (*accepts)(int typeCode), const char* message) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (!accepts(network.GetNodeType(h))) return LogError(errorLog, kOutOfRange, message, nullptr);
    }
    if (network.GetTopologicalOrder().GetCount() != network.GetNumberOfNodes()) {
        return LogError(errorLog, kOutOfRange, "ERROR: The network's nodes cannot be put in order", nullptr);
    }
    return kSuccess;
}

int ReadWholeFile(const char* path, std::string& out) {
    out.clear();
    VRX_textFile file;
    if (const int rc = file.Open(path, TextFileMode::kRead)) return rc;
    std::string line;
    int rc = kSuccess;
    while ((rc = file.ReadLine(line)) == kSuccess) out += line;
    (void)file.Close();  // nothing was written
    if (rc != kEndOfFile) return rc;
    return out.empty() ? kEndOfFile : kSuccess;
}

std::string TableNumber(double value) {
    std::string text;
    (void)FormatDouble(value, text);  // always succeeds
    return text;
}

}  // namespace vovido
