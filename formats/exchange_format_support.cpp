// What the readers and writers of other tools' formats share.
#include "formats/exchange_format_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "base/table_entries.h"
#include "definitions/definition_support.h"
#include "formats/text_file.h"
#include "formats/text_format_base.h"
#include "model/file_format.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/submodel.h"

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

std::string FreeSubmodelId(const VRX_network& network, const std::string& base) {
    std::string id = base;
    for (int n = 2; network.GetSubmodelHandler().IsIdInUse(id.c_str()) && n < 1000000; ++n)
        id = base + "_" + std::to_string(n);
    return id;
}

void ApplyNetworkIdentifier(VRX_network& network, const std::string& text, const std::string& prefix,
                            bool warn) {
    VRX_header* header = network.GetHeader();
    if (header == nullptr) return;
    std::string base = text;
    if (VRX_idArray::RepairId(base) != kSuccess) base = kUnnamedNetwork;
    const std::string id = FreeSubmodelId(network, base);
    if (header->SetId(id.c_str()) != kSuccess) (void)header->SetId(kUnnamedNetwork);
    if (warn && !text.empty()) WarnNetworkIdTaken(base, id, prefix);
}

void WarnNetworkIdTaken(const std::string& base, const std::string& id, const std::string& prefix) {
    if (id == base) return;
    const std::string text =
        "ERROR: The network's identifier [" + base + "] is a submodel's too: it is read as [" + id + "]";
    (void)LogError(errorLog, kOutOfRange, text.c_str(), prefix.c_str());
}

const char* NodeIdOr(const VRX_network& network, int handle, const char* fallback) {
    const VRX_node* node = network.GetNode(handle);
    const char* id = node != nullptr ? node->GetId() : nullptr;
    return id != nullptr && *id != '\0' ? id : fallback;
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
    return out.empty() ? RefuseEmptyFile(path) : kSuccess;
}

int RefuseEmptyFile(const char* path) {
    // Nothing to read is a cause of its own, which no statement of the format would name.
    const std::string text = "ERROR: file " + std::string(path != nullptr ? path : "") + " is empty";
    return LogError(errorLog, kEndOfFile, text.c_str(), nullptr);
}

namespace {

// The identifiers taken so far among a node's outcomes: a node has a few, searched in turn; a long list
// goes into a set.
class TakenIds {
public:
    bool Insert(std::string_view id) {
        if (Contains(id)) return false;
        if (count_ < few_.size()) {
            few_[count_++] = id;
            return true;
        }
        if (many_.empty()) many_.insert(few_.begin(), few_.end());
        many_.insert(id);
        return true;
    }
    bool Contains(std::string_view id) const {
        if (!many_.empty()) return many_.count(id) != 0;
        return std::find(few_.begin(), few_.begin() + static_cast<std::ptrdiff_t>(count_), id) !=
               few_.begin() + static_cast<std::ptrdiff_t>(count_);
    }

private:
    std::array<std::string_view, 16> few_;
    size_t count_ = 0;
    std::unordered_set<std::string_view> many_;
};

// The identifiers of OutcomeIds, with the names that changed as (index, new name).
std::vector<std::string> OutcomeIdTexts(const std::vector<std::string>& names,
                                        std::vector<std::pair<size_t, std::string>>& renamed) {
    std::vector<std::string> ids(names.size());
    // Every name that stays is taken first, wherever it stands in the list. The keys view the names and
    // the ids, neither of which moves while the set lives.
    TakenIds taken;
    std::vector<size_t> changing;
    for (size_t i = 0; i < names.size(); ++i) {
        if (VRX_fileFormat::IsFileIdentifier(names[i]) && taken.Insert(names[i])) {
            ids[i] = names[i];
        } else {
            changing.push_back(i);
        }
    }
    // Per repaired text, the number to try next: many copies of one name are numbered in linear time.
    std::unordered_map<std::string, long long> nextNumber;
    for (const size_t i : changing) {
        std::string base = names[i];
        if (VRX_idArray::RepairId(base) != kSuccess) base = "x";
        std::string id = base;
        for (long long& n = nextNumber.emplace(base, 2).first->second; taken.Contains(id); ++n)
            id = base + std::to_string(n);
        ids[i] = std::move(id);
        taken.Insert(ids[i]);
        renamed.emplace_back(i, ids[i]);
    }
    return ids;
}

}  // namespace

int OutcomeIds(const std::vector<std::string>& names, const std::string& nodeId, VRX_idArray& out,
               const Warning& warn) {
    try {
        std::vector<std::pair<size_t, std::string>> renamed;
        const std::vector<std::string> ids = OutcomeIdTexts(names, renamed);
        // Distinct identifiers all: they go in without the array's checks, into room taken at once.
        VRX_idArray result(out.GetAllowEmpty());
        if (!ids.empty()) {
            if (const int rc = result.SetSize(static_cast<int>(ids.size()))) return rc;
        }
        for (const std::string& id : ids) {
            if (const int rc = result.VRX_stringArray::Add(id.c_str())) return rc;
        }
        out.Swap(result);
        for (const auto& [index, id] : renamed) {
            const std::string change = "\"" + names[index] + "\" renamed \"" + id + "\"";
            warn("ERROR: Node [" + nodeId + "] : outcome " + change,
                 {&kRenamedOutcomeNotice, nodeId, "Node [" + nodeId + "] " + change});
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

const NoticeKind kRenamedOutcomeNotice = {"outcome names that are not identifiers were rewritten in {count}",
                                          "node", "outcome"};

Warning SpeakerWarning(VRX_textFormat& speaker) {
    return [&speaker](const std::string& message, const NoticeInstance& instance) {
        (void)speaker.ReportWarning(kOutOfRange, message.c_str(), instance);
    };
}

int OutcomeIds(const VRX_stringArray& names, const std::string& nodeId, VRX_idArray& out,
               const Warning& warn) {
    std::vector<std::string> texts;
    try {
        texts.reserve(static_cast<size_t>(names.GetCount()));
        for (int i = 0; i < names.GetCount(); ++i) texts.emplace_back(names[i] != nullptr ? names[i] : "");
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return OutcomeIds(texts, nodeId, out, warn);
}

std::string NodeKindText(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    const char* id = node != nullptr && node->GetId() != nullptr ? node->GetId() : "";
    return std::string("Node [") + id + "] is " +
           KindNodeText(node != nullptr ? node->GetDefinition() : nullptr);
}

int CheckWritableNodes(VRX_network& network, const NodeRefusal& refusal) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const std::string message = refusal(h);
        if (!message.empty()) return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
    }
    if (network.GetTopologicalOrder().GetCount() != network.GetNumberOfNodes()) {
        return LogError(errorLog, kOutOfRange, "ERROR: The network's nodes cannot be put in order", nullptr);
    }
    return kSuccess;
}

const char* TemporalTypeWord(int type) {
    if (type == TemporalType::kAnchor) return "anchor";
    if (type == TemporalType::kTerminal) return "terminal";
    return "plate";
}

int CheckStaticNetwork(VRX_network& network, const char* format) {
    int first = -1;
    for (int h = network.GetFirstNode(); h >= 0 && first < 0; h = network.GetNextNode(h)) {
        if (network.GetTemporalType(h) != TemporalType::kNormal) first = h;
    }
    if (first < 0 && network.GetMaxTemporalOrder() <= 0) return kSuccess;
    std::string message = std::string("ERROR: Temporal arcs, slices and slice evidence cannot be saved in ") +
                          format + " format";
    if (first >= 0) {
        message += std::string(": node [") + vovido::NodeLabel(network, first) + "] is of temporal type " +
                   std::to_string(network.GetTemporalType(first)) + " (" +
                   TemporalTypeWord(network.GetTemporalType(first)) + ")";
    }
    return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
}

int CheckWritableKinds(VRX_network& network, bool (*accepts)(int typeCode), const char* message) {
    return CheckWritableNodes(network, [&network, accepts, message](int handle) {
        if (accepts(network.GetNodeType(handle))) return std::string();
        return std::string(message) + ": " + NodeKindText(network, handle);
    });
}

namespace {

// Runs the body on an opened output and closes it; a failed body leaves no file.
int WriteOpened(VRX_textFormat& speaker, const std::function<int()>& writeBody) {
    speaker.ResetWriteFailure();
    int written = writeBody();
    // What could not be gathered is the reason; the output failed only because of it.
    if (speaker.GetWriteFailure() != kSuccess) written = speaker.GetWriteFailure();
    if (written != kSuccess) speaker.GetOutput().MarkFailed();
    const int closed = speaker.FinishWriting();
    return written != kSuccess ? written : closed;
}

}  // namespace

int WriteCheckedFile(VRX_textFormat& speaker, const char* path, const std::function<int()>& check,
                     const std::function<int()>& writeBody) {
    if (const int rc = check()) return rc;
    if (const int rc = speaker.StartWriting(path)) return rc;
    return WriteOpened(speaker, writeBody);
}

int WriteCheckedText(VRX_textFormat& speaker, std::string& out, const std::function<int()>& check,
                     const std::function<int()>& writeBody) {
    if (const int rc = check()) return rc;
    if (const int rc = speaker.GetOutput().OpenOutputText()) return rc;
    const int result = WriteOpened(speaker, writeBody);
    out = speaker.GetOutput().GetOutputText();
    return result;
}

std::string NumberText(double value) {
    std::string text;
    (void)FormatDouble(value, text);  // always succeeds
    return text;
}

bool IsProbability(double value) {
    constexpr double kRounding = 1e-6;
    return value >= 0.0 && value <= 1.0 + kRounding;  // false for NaN
}

std::string NonProbabilityMessage(const std::string& nodeId, double value) {
    return "ERROR: Node [" + nodeId + "] : " + NumberText(value) + " is no probability";
}

std::string ProbabilityRefusal(const std::string& nodeId, const VRX_doubleArray& values) {
    // What no table of any file holds is refused in the same words by every reader.
    const std::string entry = TableEntryRefusal(nodeId, "table", values.GetItems(), values.GetCount(), true);
    if (!entry.empty()) return "ERROR: " + entry;
    for (int i = 0; i < values.GetCount(); ++i) {
        if (!IsProbability(values[i])) return NonProbabilityMessage(nodeId, values[i]);
    }
    return std::string();
}

std::string ScaledTableMessage(const std::string& nodeId, const std::string& part, double sum) {
    return "ERROR: Node [" + nodeId + "] : " + part + " of its table sums to " + NumberText(sum) +
           (sum == 0.0 ? ", made uniform" : ", scaled to sum to 1");
}

std::string TableCountMessage(const std::string& nodeId, int read, int needed) {
    return "ERROR: Node [" + nodeId + "] : " + std::to_string(read) + " numbers read, " +
           std::to_string(needed) + " needed";
}

std::string TableRefusalMessage(VRX_network& network, int handle, int read, const std::string& otherwise) {
    VRX_node* node = network.GetNode(handle);
    VRX_nodeDefinition* definition = node != nullptr ? node->GetDefinition() : nullptr;
    const int needed = definition != nullptr ? definition->GetSize() : read;
    if (needed == read) return otherwise;
    return TableCountMessage(NodeIdOr(network, handle, ""), read, needed);
}

void StreamNestedLists(const std::vector<int>& sizes, const NestedListStyle& style, const ListItemText& item,
                       std::string& out, const std::function<bool()>& flush) {
    const int dims = static_cast<int>(sizes.size());
    int64_t total = 1;
    for (const int size : sizes) total *= size;
    const int inner = std::max(1, std::min(style.innerDims, dims));
    // The outer dimensions each open a level; the innermost list holds the product of the others.
    const int outer = std::max(dims - inner, 0);
    int64_t innerCount = 1;
    for (int d = outer; d < dims; ++d) innerCount *= sizes[static_cast<size_t>(d)];
    if (dims == 0) innerCount = total = 0;
    std::vector<int> coords(static_cast<size_t>(std::max(outer, 0)), 0);
    for (int d = 0; d < outer; ++d) out.push_back('(');
    for (int64_t start = 0; start < total || (start == 0 && total == 0); start += innerCount) {
        out.push_back('(');
        for (int64_t k = 0; k < innerCount && start + k < total; ++k) {
            if (k > 0) out.append(style.itemSeparator);
            item(static_cast<int>(start + k), out);
        }
        out.push_back(')');
        if (total == 0) break;
        if (out.size() >= kStreamedChunkBytes && !flush()) return;
        // Closes the levels whose last entry this was, then opens them again for the next list.
        int closed = 0;
        for (int d = outer - 1; d >= 0; --d) {
            if (++coords[static_cast<size_t>(d)] < sizes[static_cast<size_t>(d)]) break;
            coords[static_cast<size_t>(d)] = 0;
            ++closed;
        }
        if (start + innerCount >= total) {
            for (int d = 0; d < outer; ++d) out.push_back(')');
            break;
        }
        for (int d = 0; d < closed; ++d) out.push_back(')');
        out.append(style.listSeparator);
        out.append(style.indentation);
        for (int d = 0; d < closed; ++d) out.push_back('(');
    }
}

std::vector<int> TableSizes(const VRX_Dmatrix& table) {
    std::vector<int> sizes;
    for (int d = 0; d < table.GetNumberOfDimensions(); ++d) sizes.push_back(table.GetSizeOfDimension(d));
    // A table without dimensions is one list of its elements.
    if (sizes.empty() && table.GetNumberOfElements() > 0) sizes.push_back(table.GetNumberOfElements());
    return sizes;
}

ListItemText NumberItems(const VRX_Dmatrix& table) {
    return [&table](int index, std::string& out) { AppendDouble(table[index], out); };
}

void AppendNestedLists(const VRX_Dmatrix& table, const NestedListStyle& style, std::string& out) {
    StreamNestedLists(TableSizes(table), style, NumberItems(table), out, [] { return true; });
}

void WriteNestedLists(const std::vector<int>& sizes, const NestedListStyle& style, const ListItemText& item,
                      VRX_textFile& output) {
    std::string buffer;
    const auto flush = [&output, &buffer] {
        output.WriteRaw(buffer);
        buffer.clear();
        return output.GetStatus() == kSuccess;
    };
    StreamNestedLists(sizes, style, item, buffer, flush);
    (void)flush();
}

int ReadFiniteNumber(VRX_textFormat& speaker, double& value) {
    if (speaker.PeekToken() != kSuccess) return kSyntaxError;
    if (const int rc = speaker.ReadNumber(value)) return rc;
    if (std::isfinite(value)) return kSuccess;
    // The token consumed keeps its text until the next is scanned.
    const char* text = speaker.GetToken().text;
    const std::string message =
        "ERROR: '" + std::string(text != nullptr ? text : "") + "' : Number out of range";
    return speaker.ReportError(kSyntaxError, message.c_str());
}

int ReadTableNumber(VRX_textFormat& speaker, double& value, bool utilities) {
    return utilities ? speaker.ReadNumber(value) : ReadFiniteNumber(speaker, value);
}

int RefuseNonFiniteUtilities(VRX_textFormat& speaker, const std::string& nodeId,
                             const VRX_doubleArray& values) {
    const std::string refusal =
        DefinitionSupport::NonFiniteEntryText(nodeId, "utilities", values.GetItems(), values.GetCount());
    return refusal.empty() ? kSuccess : speaker.ReportMessage(kOutOfRange, "ERROR: " + refusal);
}

int ReadNestedLists(VRX_textFormat& speaker, bool commas, FunctionRef<int(const VRX_token&)> takeItem) {
    if (const int rc = speaker.RequireToken(TokenKind::kPunctuator, "(")) return rc;
    int depth = 1;
    while (depth > 0) {
        if (const int rc = speaker.PeekToken()) {
            if (rc == kNoMoreTokens) return speaker.ReportUnexpectedEnd(TokenKind::kPunctuator, ")");
            speaker.FormatUnexpectedEnd(TokenKind::kPunctuator, ")");
            return speaker.ReportError(rc, speaker.GetMessage().c_str());
        }
        const VRX_token& token = speaker.GetToken();
        const bool punctuator = token.kind == TokenKind::kPunctuator && token.text != nullptr;
        if (punctuator && std::strcmp(token.text, "(") == 0) {
            ++depth;
        } else if (punctuator && std::strcmp(token.text, ")") == 0) {
            --depth;
        } else if (!(commas && punctuator && std::strcmp(token.text, ",") == 0)) {
            const int rc = takeItem(token);
            if (rc == kNotThisKeyword) {
                const std::string text =
                    std::string("ERROR: '") + (token.text != nullptr ? token.text : "") + "' : Unexpected";
                return speaker.ReportError(kSyntaxError, text.c_str());
            }
            if (rc != kSuccess) return rc;
            continue;
        }
        speaker.ConsumeToken();
    }
    return kSuccess;
}

}  // namespace vovido
