// Network files: the format from its code or the file name's extension, the speaker that reads or
// writes it, and the network's preparation and checks around a read. A read that fails leaves the
// network as it was: the model is set aside before the read and put back when the speaker fails.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "formats/ergo_speaker.h"
#include "formats/hugin_format.h"
#include "formats/ki_reader.h"
#include "formats/msbn_speaker.h"
#include "formats/netica_format.h"
#include "formats/vrx_format.h"
#include "formats/written_size.h"
#include "formats/xmlbif_speaker.h"
#include "formats/xvrx_speaker.h"
#include "model/file_format.h"
#include "model/network.h"
#include "model/node.h"
#include "model/saved_case.h"
#include "model/submodel.h"
#include "model/temporal_extension.h"

namespace {

struct ExtensionCode {
    const char* extension;
    int code;
};

// In the order of the comparison.
constexpr ExtensionCode kExtensions[] = {
    {"xvrx", FileFormatCode::kXvrx},  {"qvrx", FileFormatCode::kXvrx}, {"erg", FileFormatCode::kErgo},
    {"dne", FileFormatCode::kNetica}, {"dsc", FileFormatCode::kMsbn},  {"vrx", FileFormatCode::kVrx},
    {"net", FileFormatCode::kHugin},  {"dxp", FileFormatCode::kKi},    {"xml03", FileFormatCode::kXmlBif},
};

template <class Speaker>
std::unique_ptr<VRX_fileFormat> Make(VRX_network* network) {
    return std::unique_ptr<VRX_fileFormat>(new (std::nothrow) Speaker(network));
}

// Names what chose no format: the extension of the caller's file, or the code given.
std::string UnknownFormatText(const char* fileName, int format) {
    std::string text = "Unknown File Format: ";
    const char* dot = fileName != nullptr ? std::strrchr(fileName, '.') : nullptr;
    if (format != kOutOfRange) {
        text += "no format has the code " + std::to_string(format);
    } else if (dot == nullptr || std::strchr(dot, '/') != nullptr) {
        text += "file " + std::string(fileName != nullptr ? fileName : "(no name)") + " has no extension";
    } else {
        text += "no format has the extension \"" + std::string(dot + 1) + "\" of file " + fileName;
    }
    return text;
}

}  // namespace

int FileFormatFromExtension(const char* fileName) {
    if (fileName == nullptr) return kOutOfRange;
    const char* dot = std::strrchr(fileName, '.');
    if (dot == nullptr) return kOutOfRange;
    for (const ExtensionCode& entry : kExtensions) {
        if (strcasecmp(dot + 1, entry.extension) == 0) return entry.code;
    }
    return kOutOfRange;
}

std::unique_ptr<VRX_fileFormat> CreateSpeaker(VRX_network* network, const char* fileName, int& format) {
    if (format == FileFormatCode::kByExtension) format = FileFormatFromExtension(fileName);
    switch (format) {
        case FileFormatCode::kVrx:
            return Make<VRX_vrxSpeaker>(network);
        case FileFormatCode::kKi:
            return Make<VRX_kiSpeaker>(network);
        case FileFormatCode::kXvrx:
            return Make<VRX_xvrxSpeaker>(network);
        case FileFormatCode::kHugin:
            return Make<VRX_huginSpeaker>(network);
        case FileFormatCode::kNetica:
            return Make<VRX_neticaSpeaker>(network);
        case FileFormatCode::kXmlBif:
            return Make<VRX_xmlSpeaker>(network);
        case FileFormatCode::kMsbn:
            return Make<VRX_microsoftSpeaker>(network);
        case FileFormatCode::kErgo:
            return Make<VRX_ergoSpeaker>(network);
        default:
            break;
    }
    LogError(errorLog, kOutOfRange, UnknownFormatText(fileName, format).c_str(), nullptr);
    return nullptr;
}

// Everything a reader can change, held aside for the length of a read.
struct VRX_network::ReadBackup {
    // A network of its own owns the set-aside nodes and submodels, so they stay bound to a live network.
    std::unique_ptr<VRX_network> holder;
    std::unique_ptr<VRX_caseList> cases;
    std::unique_ptr<VRX_temporalExtension> temporal;
    VRX_creation creation;
    VRX_userProperties userProperties;
    VRX_documentation documentation;
    VRX_intArray topologicalOrder;
    VRX_networkSettings settings;
    uint32_t flags = 0;
    int numNodes = 0;
    int numTargets = 0;
    bool allowReservedIds = false;
};

int VRX_network::SetAsideForReading(ReadBackup& backup) {
    // Everything that can fail comes first: until the swaps below the network is untouched.
    std::unique_ptr<VRX_nodeEntry[]> emptyTable;
    try {
        backup.holder = std::make_unique<VRX_network>();
        backup.cases = std::make_unique<VRX_caseList>(this);
        emptyTable.reset(new VRX_nodeEntry[numSlots > 0 ? numSlots : 1]);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (!backup.holder->IsValid()) return kOutOfMemory;
    if (const int rc = backup.creation.Copy(creation)) return rc;
    if (const int rc = backup.userProperties.Copy(userProperties)) return rc;
    if (const int rc = backup.documentation.Copy(documentation)) return rc;
    if (backup.topologicalOrder.Copy(topologicalOrder) != kSuccess) return kOutOfMemory;
    backup.settings = Settings();
    backup.flags = flags;
    backup.numNodes = numNodes;
    backup.numTargets = numTargets;
    backup.allowReservedIds = allowReservedIds_;

    VRX_network& holder = *backup.holder;
    holder.nodes.swap(nodes);
    holder.numSlots = numSlots;
    holder.numNodes = numNodes;
    holder.numTargets = numTargets;
    nodes = std::move(emptyTable);
    if (numSlots < 1) numSlots = 1;
    ResetTableBookkeeping();
    holder.ResetTableBookkeeping();
    for (int h = 0; h < holder.numSlots; h++) {
        if (holder.nodes[h].node) (void)holder.nodes[h].node->SetNetwork(&holder);  // valid: checked above
    }
    submodels.swap(holder.submodels);
    submodels->SetNetwork(this);
    holder.submodels->SetNetwork(&holder);
    backup.cases->EnableSync(cases->IsSyncEnabled());
    cases.swap(backup.cases);
    backup.temporal = std::move(temporalExtension);
    numNodes = 0;
    numTargets = 0;
    return kSuccess;
}

void VRX_network::RestoreAfterFailedRead(ReadBackup& backup) {
    VRX_network& holder = *backup.holder;
    // The part read goes: its nodes are deleted with their table.
    nodes.reset();
    nodes.swap(holder.nodes);
    numSlots = holder.numSlots;
    holder.numSlots = 0;
    ResetTableBookkeeping();
    holder.ResetTableBookkeeping();
    holder.numNodes = 0;
    holder.numTargets = 0;
    // Nodes bind only to a valid network; the flags the network had come back afterwards.
    SetFlag(kValid, true);
    for (int h = 0; h < numSlots; h++) {
        if (nodes[h].node) (void)nodes[h].node->SetNetwork(this);  // valid: set just above
    }
    flags = backup.flags;
    submodels.swap(holder.submodels);
    submodels->SetNetwork(this);
    holder.submodels->SetNetwork(&holder);
    cases.swap(backup.cases);
    temporalExtension = std::move(backup.temporal);
    // Texts that fitted before the read: were memory to fail here, they would stay as the read left them.
    (void)creation.Copy(backup.creation);
    (void)userProperties.Copy(backup.userProperties);
    (void)documentation.Copy(backup.documentation);
    topologicalOrder.Swap(backup.topologicalOrder);
    static_cast<VRX_networkSettings&>(*this) = backup.settings;
    numNodes = backup.numNodes;
    numTargets = backup.numTargets;
    allowReservedIds_ = backup.allowReservedIds;
}

int VRX_network::ClearForReading() {
    for (int h = 0; h < numSlots; h++) {
        nodes[h].node.reset();
        nodes[h].CleanUp(1);
    }
    ResetTableBookkeeping();
    if (const int rc = submodels->Reset()) return rc;
    numNodes = 0;
    numTargets = 0;
    // A file states its own counts; one that does not gets the defaults.
    const VRX_networkSettings defaults;
    numSamples = defaults.numSamples;
    discSamples = defaults.discSamples;
    cases->DeleteAllCases();
    temporalExtension.reset();
    topologicalOrder.Flush();
    return kSuccess;
}

int VRX_network::ReadOnce(VRX_fileFormat& speaker, const char* fileName, bool lookAhead) {
    ClearForReading();
    readingFlags = ReadingFlags::kReading;
    if (speaker.SkipsIdentifierCheck()) readingFlags |= ReadingFlags::kAllowDuplicateIds;
    if (speaker.SkipsCycleCheck()) readingFlags |= ReadingFlags::kAllowCycles;
    readTableCells = 0;
    readTablesRefused = false;
    readRefusalEntry = -1;
    readLookAhead = lookAhead;
    readCountingOnly = false;
    int rc;
    try {
        rc = speaker.ReadFile(fileName);
    } catch (const std::bad_alloc&) {
        rc = kOutOfMemory;
    }
    // The read stopped at the refusal of its tables, whatever its reader then ran into.
    if (readTablesRefused && (rc != kSuccess || readCountingOnly)) rc = kOutOfMemory;
    return rc;
}

int VRX_network::ReadFile(const char* fileName, int format, void* extension) {
    // What the read logged is folded when it ends, its failure's cause before the notices.
    vovido::NoticeCall call;
    std::unique_ptr<VRX_fileFormat> speaker = CreateSpeaker(this, fileName, format);
    if (!speaker) return call.Result(kOutOfRange);
    if (extension != nullptr) speaker->SetExtension(extension);
    ReadBackup backup;
    if (const int rc = SetAsideForReading(backup)) return call.Result(rc);
    const int savedMask = changeMask;
    changeMask = 0;
    std::error_code unknown;
    const uintmax_t bytes = std::filesystem::file_size(fileName, unknown);
    readFileBytes =
        unknown ? kMaxInputBytes : static_cast<int64_t>(std::min<uintmax_t>(bytes, kMaxInputBytes));
    const int logged = errorLog.GetNumberOfEntries();
    // A file read with a helper of its own (the graphical part) is read once.
    int rc = ReadOnce(*speaker, fileName, extension == nullptr);
    if (readCountingOnly && readTablesRefused && readRefusalEntry >= readCountingFrom) {
        // What the count logged past the tables it built goes; its refusal is the read's one cause.
        const std::string refusal = errorLog.GetMessage(readRefusalEntry);
        const int code = errorLog.GetCode(readRefusalEntry);
        errorLog.Truncate(readCountingFrom);
        LogError(errorLog, code, refusal.c_str(), nullptr);
    } else if (readCountingOnly) {
        // The tables fit: the file is read again, building them.
        errorLog.Truncate(logged);
        speaker = CreateSpeaker(this, fileName, format);
        rc = speaker ? ReadOnce(*speaker, fileName, false) : kOutOfMemory;
    }
    speaker.reset();
    changeMask = savedMask;
    readingFlags = 0;
    readTablesRefused = false;
    readLookAhead = false;
    readCountingOnly = false;
    if (rc != kSuccess) {
        RestoreAfterFailedRead(backup);
        return call.Result(rc);
    }
    CheckValidity(1);
    CheckConsistency(1);
    return kSuccess;
}

int VRX_network::WriteFile(const char* fileName, int format, void* extension) {
    vovido::NoticeCall call;
    if (format == FileFormatCode::kKi) {
        return LogError(errorLog, kOutOfRange, "Writing to KI file format not supported.", nullptr);
    }
    std::unique_ptr<VRX_fileFormat> speaker = CreateSpeaker(this, fileName, format);
    if (!speaker) return kOutOfRange;
    if (extension != nullptr) speaker->SetExtension(extension);
    int rc;
    try {
        rc = vovido::CheckWrittenSize(*this, *speaker);
        if (rc == kSuccess) rc = speaker->WriteFile(fileName);
    } catch (const std::bad_alloc&) {
        rc = LogError(errorLog, kOutOfMemory, (std::string("ERROR: no memory to write ") + fileName).c_str(),
                      nullptr);
    }
    return call.Result(rc);
}
