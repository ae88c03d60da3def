// Reader of XMLBIF 0.3: the BIF element and its network, each variable made a node when its element
// ends, the definitions (arcs and tables) applied once every variable is known, so that a definition
// may name a variable that comes after it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "base/table_entries.h"
#include "definitions/definition_support.h"
#include "formats/exchange_format_support.h"
#include "formats/text_file.h"
#include "formats/xml_tag_scanner.h"
#include "formats/xmlbif_speaker.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "xml/xml_text.h"

using vovido::XmlTagScanner;
using Event = vovido::XmlTagScanner::Event;

namespace {

const char* const kElementNames[] = {"BIF",        "NETWORK", "NAME",  "VARIABLE", "OUTCOME", "PROPERTY",
                                     "DEFINITION", "FOR",     "GIVEN", "TABLE",    nullptr};

bool IsElementName(const std::string& name) {
    for (int i = 0; kElementNames[i] != nullptr; ++i) {
        if (XmlTagScanner::SameName(name, kElementNames[i])) return true;
    }
    return false;
}

bool Is(const XmlTagScanner& scanner, const char* name) {
    return XmlTagScanner::SameName(scanner.Name(), name);
}

inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Trimmed, each run of blanks inside made one blank.
std::string Collapsed(const std::string& text) {
    std::string out;
    bool pendingBlank = false;
    for (const char c : text) {
        if (IsSpace(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) out.push_back(' ');
        pendingBlank = false;
        out.push_back(c);
    }
    return out;
}

// The definition kind of a TYPE value; 0 for a value the format does not know. Files of other tools
// write "nature" for a chance node, or no TYPE at all.
int KindOfType(const std::string* type) {
    if (type == nullptr) return DefinitionType::kCpt;
    const std::string value = Collapsed(*type);
    if (XmlTagScanner::SameName(value, "chance") || XmlTagScanner::SameName(value, "nature"))
        return DefinitionType::kCpt;
    if (XmlTagScanner::SameName(value, "decision")) return DefinitionType::kList;
    if (XmlTagScanner::SameName(value, "utility")) return DefinitionType::kTable;
    return 0;
}

// Tables written with a few decimals: each entry is off by up to half a unit of its last digit, so a
// distribution of two-decimal entries sums to 1 within half a hundredth per outcome.
bool SumsToOneRounded(double sum, int outcomes) {
    const double tolerance = std::max(0.01, 0.005 * outcomes) + 1e-9;
    return std::fabs(sum - 1.0) <= tolerance;
}

// The distributions of the table, each read with the node's own outcome fastest or slowest: whether
// every one sums to 1 up to the rounding of its entries (one of zeros, which the update takes as uniform,
// fits), and the positive total all share (0 when they differ or one sums to 0). Neither when an entry is
// negative or no finite number.
struct ColumnTotals {
    bool rounded = false;
    double shared = 0.0;
};

ColumnTotals TotalsOf(const std::vector<double>& table, int outcomes, bool ownSlowest) {
    const int count = static_cast<int>(table.size());
    if (outcomes < 1 || count % outcomes != 0 || count == 0) return {};
    const int columns = count / outcomes;
    ColumnTotals totals{true, 0.0};
    bool sharing = true;
    for (int i = 0; i < columns; ++i) {
        double sum = 0.0;
        for (int j = 0; j < outcomes; ++j) {
            const double value = ownSlowest ? table[j * columns + i] : table[i * outcomes + j];
            if (!(value >= 0.0) || !std::isfinite(value)) return {};
            sum += value;
        }
        if (sum != 0.0 && !SumsToOneRounded(sum, outcomes)) totals.rounded = false;
        if (i == 0) totals.shared = sum;
        if (!(sum > 0.0) || std::fabs(sum - totals.shared) > 1e-6 * totals.shared) sharing = false;
    }
    if (!sharing) totals.shared = 0.0;
    return totals;
}

// How a probability table is laid out. The format writes the node's own outcome fastest, and a table is
// read so whenever its distributions can be read so: each sums to 1 up to rounding, or all share one
// positive total (percent). Some tools write the own outcome slowest: only where the written order can
// be no distributions and the other gives them as they stand is the table read that way.
struct TableLayout {
    bool ownSlowest = false;
    double total = 1.0;  // the shared total the distributions are scaled from; 1: not scaled
};

TableLayout LayoutOf(const std::vector<double>& table, int outcomes) {
    const ColumnTotals written = TotalsOf(table, outcomes, false);
    if (written.rounded) return {};
    if (written.shared > 0.0) return {false, written.shared};
    // A single distribution or one outcome reads alike both ways.
    if (outcomes < 2 || static_cast<int>(table.size()) == outcomes) return {};
    // The other order only where it gives distributions as they stand: one that gives them only once
    // scaled is no more likely than the written one, which the consistency check then names.
    if (TotalsOf(table, outcomes, true).rounded) return {true, 1.0};
    return {};
}

// Tables read with the node's own outcome slowest.
const vovido::NoticeKind kOwnSlowestNotice = {
    "tables read with the node's own outcome slowest, the only order in which their columns are "
    "distributions: {count}",
    "node", nullptr};

}  // namespace

VRX_xmlSpeaker::VRX_xmlSpeaker(VRX_network* net) : VRX_textFormat(net) {}

VRX_xmlSpeaker::~VRX_xmlSpeaker() = default;

int VRX_xmlSpeaker::ReadFile(const char* path) {
    if (network == nullptr) return kObjectNotValid;
    // The file is read twice, line by line: once to tell its encoding, which the whole of it decides,
    // then to read it, so that no more than a part of it is held at a time.
    VRX_textFile file;
    if (const int rc = file.Open(path, TextFileMode::kRead)) return rc;
    std::string line;
    std::string head;
    bool wellFormed = true;
    int rc = kSuccess;
    while ((rc = file.ReadLine(line)) == kSuccess) {
        if (head.size() < 4096) head += line;
        wellFormed = wellFormed && XmlTagScanner::IsUtf8(line);
    }
    (void)file.Close();  // nothing was written
    if (rc != kEndOfFile) return rc;
    if (head.empty()) return vovido::RefuseEmptyFile(path);
    if ((rc = file.Open(path, TextFileMode::kRead)) != kSuccess) return rc;
    SetSourceName(path);
    int readStatus = kSuccess;
    XmlTagScanner scanner(
        [&file, &line, &readStatus](std::string& out) {
            if (readStatus != kSuccess) return false;
            readStatus = file.ReadLine(line);
            if (readStatus != kSuccess) return false;
            out += line;
            return true;
        },
        XmlTagScanner::ReadsAsUtf8(head, wellFormed));
    rc = ReadScanned(scanner);
    (void)file.Close();
    // A file that changed between the passes, or failed to read, is not read whole.
    if (rc == kSuccess && readStatus != kEndOfFile) rc = readStatus;
    return rc;
}

int VRX_xmlSpeaker::ReadText(std::string_view text) {
    if (network == nullptr) return kObjectNotValid;
    XmlTagScanner scanner(text);
    return ReadScanned(scanner);
}

int VRX_xmlSpeaker::ReadScanned(XmlTagScanner& scanner) {
    ResetReadState_();
    networkRead_ = false;
    variables_.clear();
    variableSignatures_.clear();
    definitions_.clear();
    applied_.clear();
    networkName_.clear();
    hasNetworkName_ = false;
    networkNameLine_ = 0;
    vovido::StartNetworkRecords(*network);
    const int rc = ReadDocument(scanner);
    if (hasNetworkName_) (void)network->GetHeader()->SetName(networkName_.c_str());  // text fits: read
    // A read that fails keeps nothing: what it would have renamed says nothing more.
    vovido::ApplyNetworkIdentifier(*network, networkName_, LinePrefix(networkNameLine_), rc == kSuccess);
    WarnRenamedNodeIds();
    if (rc != kSuccess) return rc;
    return CheckNodeContent(kWarnMissing | kOutsideCounts | kDecisionParents);
}

int VRX_xmlSpeaker::Report(int line, int code, const std::string& text) {
    NoteReport_(code, true);
    const std::string prefix = LinePrefix(line);
    return LogError(errorLog, code, text.c_str(), prefix.c_str());
}

void VRX_xmlSpeaker::Warn(int line, int code, const std::string& text) {
    Warn(line, code, text, {&vovido::kRepeatedNotice, std::string(), "line " + std::to_string(line)});
}

void VRX_xmlSpeaker::Warn(int line, int code, const std::string& text,
                          const vovido::NoticeInstance& instance) {
    NoteReport_(code, false);
    const std::string prefix = LinePrefix(line);
    (void)vovido::LogNotice(errorLog, code, text.c_str(), prefix.c_str(), instance);
}

void VRX_xmlSpeaker::ReportRepeat(int line, const std::string& owner, const std::string& part, bool same) {
    const std::string text = RepeatedMessage(owner, part, same);
    if (same) {
        Warn(line, kOutOfRange, text);
    } else {
        (void)Report(line, kOutOfRange, text);
    }
}

void VRX_xmlSpeaker::WarnStrayText(const vovido::XmlTagScanner& scanner) {
    std::string text = Collapsed(scanner.Text());
    if (text.empty()) return;
    if (text.size() > 40) text = text.substr(0, 40) + "...";
    // The line of its first word, past the line ends before it.
    const std::string& raw = scanner.Text();
    const size_t first = raw.find_first_not_of(" \t\r\n");
    const int line = scanner.Line() + static_cast<int>(std::count(raw.begin(), raw.begin() + first, '\n'));
    Warn(line, kSyntaxError, "ERROR: '" + text + "' : Text outside the elements, skipped");
}

int VRX_xmlSpeaker::ReadChildren(XmlTagScanner& scanner, const char* element, const char* unknown,
                                 const std::function<int()>& readChild) {
    if (scanner.IsSelfClosing()) return kSuccess;
    for (;;) {
        switch (Next(scanner)) {
            case Event::kText:
                WarnStrayText(scanner);
                break;
            case Event::kStart: {
                int rc = readChild();
                if (rc == kNotThisKeyword) {
                    // A variable or definition holds nothing but a node's states, parents and table.
                    const bool nodePart = !XmlTagScanner::SameName(element, "NETWORK");
                    if ((IsElementName(scanner.Name()) || nodePart) && !Is(scanner, "PROPERTY")) {
                        (void)Report(scanner.Line(), kSyntaxError,
                                     "ERROR: '" + scanner.Name() + "' : " + unknown);
                    } else if (!Is(scanner, "PROPERTY")) {
                        WarnUnknownElement(scanner);
                    }
                    rc = SkipElement(scanner);
                }
                if (rc != kSuccess) return rc;
                break;
            }
            case Event::kEnd:
                if (!Is(scanner, element)) {
                    return Report(scanner.Line(), kSyntaxError,
                                  "ERROR: '</" + scanner.Name() + ">' : '</" + element + ">' expected");
                }
                return kSuccess;
            default:
                return ReportScannerEnd(scanner, element);
        }
    }
}

// An element the format does not have: passed over, but a table or variable it might hold would be lost.
void VRX_xmlSpeaker::WarnUnknownElement(const XmlTagScanner& scanner) {
    const std::string line = std::to_string(scanner.Line());
    Warn(scanner.Line(), kSyntaxError, "ERROR: '" + scanner.Name() + "' : Unknown element, skipped",
         {&vovido::kSkippedStatementNotice, scanner.Name(), "'" + scanner.Name() + "' (line " + line + ")"});
    NoteSkippedContent_();
}

XmlTagScanner::Event VRX_xmlSpeaker::Next(XmlTagScanner& scanner) {
    const Event event = scanner.Next();
    if (event != Event::kStart) return event;
    // An attribute given twice: the same is read once, another would leave the element's kind to which
    // one a reader takes.
    const auto& attributes = scanner.Attributes();
    for (size_t i = 1; i < attributes.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (!XmlTagScanner::SameName(attributes[i].first, attributes[j].first)) continue;
            const bool same = attributes[i].second == attributes[j].second;
            ReportRepeat(scanner.Line(), "Element <" + scanner.Name() + ">",
                         "'" + attributes[j].first + "' attribute", same);
            break;
        }
    }
    return event;
}

int VRX_xmlSpeaker::ReportScannerEnd(const XmlTagScanner& scanner, const std::string& element) {
    if (!scanner.ErrorMessage().empty())
        return Report(scanner.Line(), kUnexpectedEndOfFile, scanner.ErrorMessage());
    return Report(scanner.Line(), kUnexpectedEndOfFile,
                  "ERROR: End of File : Expecting '</" + element + ">'");
}

int VRX_xmlSpeaker::ReadDocument(XmlTagScanner& scanner) {
    int misplacedLine = 0;
    std::string misplaced;
    for (;;) {
        const Event event = Next(scanner);
        if (event == Event::kStart && Is(scanner, "BIF")) break;
        // What the format holds is read inside its BIF element only: an element of it before would be
        // lost. Without a BIF element at all, that is the cause.
        if (event == Event::kStart && IsElementName(scanner.Name()) && misplacedLine == 0) {
            misplacedLine = scanner.Line();
            misplaced = scanner.Name();
        }
        if (event == Event::kError) return ReportScannerEnd(scanner, "BIF");
        if (event == Event::kEndOfInput) {
            (void)Report(scanner.Line(), kOutOfRange, "ERROR: [BIF] : Tag Not found");
            return kNoMoreTokens;
        }
    }
    if (misplacedLine > 0) {
        (void)Report(misplacedLine, kSyntaxError,
                     "ERROR: '" + misplaced + "' : Misplaced statement, before '<BIF>'");
    }
    const std::string* version = scanner.Attribute("VERSION");
    const std::string value = version != nullptr ? Collapsed(*version) : std::string();
    if (value.empty() || value.size() > 3 || std::strncmp(value.c_str(), "0.3", value.size()) != 0)
        return Report(scanner.Line(), kOutOfRange, "ERROR: Incorrect BIF Version");
    if (const int rc = ReadBif(scanner)) return rc;
    // One document: blanks, comments and declarations may follow it, nothing else.
    for (;;) {
        switch (Next(scanner)) {
            case Event::kEndOfInput:
                return kSuccess;
            case Event::kText:
                if (Collapsed(scanner.Text()).empty()) break;
                return Report(
                    scanner.Line(), kSyntaxError,
                    "ERROR: '" + Collapsed(scanner.Text()) + "' : End of File expected after '</BIF>'");
            case Event::kStart:
                return Report(scanner.Line(), kSyntaxError,
                              "ERROR: '<" + scanner.Name() + ">' : End of File expected after '</BIF>'");
            case Event::kEnd:
                return Report(scanner.Line(), kSyntaxError,
                              "ERROR: '</" + scanner.Name() + ">' : End of File expected after '</BIF>'");
            default:
                return ReportScannerEnd(scanner, "BIF");
        }
    }
}

int VRX_xmlSpeaker::ReadBif(XmlTagScanner& scanner) {
    if (scanner.IsSelfClosing())
        return Report(scanner.Line(), kOutOfRange, "ERROR: [NETWORK] : Tag Not found");
    for (;;) {
        switch (Next(scanner)) {
            case Event::kText:
                WarnStrayText(scanner);
                break;
            case Event::kStart:
                if (Is(scanner, "NETWORK") && networkRead_) {
                    // A second network would mix its variables into the first and lose its name.
                    return Report(
                        scanner.Line(), kOutOfRange,
                        RepeatedMessage("Network [" + networkName_ + "]", "'NETWORK' element", false));
                }
                if (Is(scanner, "NETWORK")) {
                    networkRead_ = true;
                    if (const int rc = ReadNetwork(scanner)) return rc;
                } else if (IsElementName(scanner.Name())) {
                    return Report(scanner.Line(), kSyntaxError,
                                  "ERROR: '" + scanner.Name() + "' : Misplaced statement");
                } else {
                    WarnUnknownElement(scanner);
                    if (const int rc = SkipElement(scanner)) return rc;
                }
                break;
            case Event::kEnd:
                if (Is(scanner, "BIF") && !networkRead_)
                    return Report(scanner.Line(), kOutOfRange, "ERROR: [NETWORK] : Tag Not found");
                if (Is(scanner, "BIF")) return kSuccess;
                return Report(scanner.Line(), kSyntaxError,
                              "ERROR: '</" + scanner.Name() + ">' : '</BIF>' expected");
            default:
                return ReportScannerEnd(scanner, "BIF");
        }
    }
}

int VRX_xmlSpeaker::SkipElement(XmlTagScanner& scanner) {
    if (scanner.IsSelfClosing()) return kSuccess;
    const std::string element = scanner.Name();
    for (int depth = 1; depth > 0;) {
        switch (Next(scanner)) {
            case Event::kStart:
                if (!scanner.IsSelfClosing()) ++depth;
                break;
            case Event::kEnd:
                --depth;
                break;
            case Event::kText:
                break;
            default:
                return ReportScannerEnd(scanner, element);
        }
    }
    return kSuccess;
}

int VRX_xmlSpeaker::ReadElementText(XmlTagScanner& scanner,
                                    const std::function<int(const std::string&)>& piece) {
    const std::string element = scanner.Name();
    for (;;) {
        switch (Next(scanner)) {
            case Event::kText:
                if (const int rc = piece(scanner.Text())) return rc;
                break;
            case Event::kStart:
                if (const int rc = SkipElement(scanner)) return rc;
                break;
            case Event::kEnd:
                if (!XmlTagScanner::SameName(scanner.Name(), element)) {
                    return Report(scanner.Line(), kSyntaxError,
                                  "ERROR: '</" + scanner.Name() + ">' : '</" + element + ">' expected");
                }
                return kSuccess;
            default:
                return ReportScannerEnd(scanner, element);
        }
    }
}

int VRX_xmlSpeaker::ReadSimple(XmlTagScanner& scanner, std::string& text) {
    text.clear();
    if (scanner.IsSelfClosing()) return kSuccess;
    std::string raw;
    if (const int rc = ReadElementText(scanner, [&raw](const std::string& piece) {
            raw += piece;
            return kSuccess;
        }))
        return rc;
    text = Collapsed(raw);
    return kSuccess;
}

int VRX_xmlSpeaker::ReadNameOnce(XmlTagScanner& scanner, const char* owner, std::string& name,
                                 bool& hasName) {
    const int at = scanner.Line();
    std::string text;
    if (const int read = ReadSimple(scanner, text)) return read;
    if (!hasName) {
        hasName = true;
        name = text;
        return kSuccess;
    }
    ReportRepeat(at, std::string(owner) + " [" + name + "]", "'NAME' element", text == name);
    return kSuccess;
}

int VRX_xmlSpeaker::ReadNetwork(XmlTagScanner& scanner) {
    const int rc = ReadChildren(scanner, "NETWORK", "Misplaced statement", [this, &scanner]() -> int {
        if (Is(scanner, "NAME")) {
            if (!hasNetworkName_) networkNameLine_ = scanner.Line();
            return ReadNameOnce(scanner, "Network", networkName_, hasNetworkName_);
        }
        if (Is(scanner, "VARIABLE")) return ReadVariable(scanner);
        if (Is(scanner, "DEFINITION")) return ReadDefinition(scanner);
        return kNotThisKeyword;
    });
    if (rc != kSuccess) return rc;
    for (const Definition& definition : definitions_) ApplyDefinition(definition);
    definitions_.clear();
    return kSuccess;
}

int VRX_xmlSpeaker::ReadVariable(XmlTagScanner& scanner) {
    const int line = scanner.Line();
    const std::string* typeText = scanner.Attribute("TYPE");
    // An attribute the format does not know may be a damaged TYPE: the node would change kind unseen.
    for (const auto& attribute : scanner.Attributes()) {
        if (!XmlTagScanner::SameName(attribute.first, "TYPE"))
            Warn(line, kOutOfRange, "ERROR: '" + attribute.first + "' : Unknown Node Attribute, ignored");
    }
    const int type = KindOfType(typeText);
    if (type == 0) (void)Report(line, kOutOfRange, "ERROR: " + *typeText + " : Unknown node type");
    std::string name;
    bool hasName = false;
    std::vector<std::string> outcomes;
    const int rc = ReadChildren(scanner, "VARIABLE", "Unknown Node Field", [&]() -> int {
        if (Is(scanner, "NAME")) return ReadNameOnce(scanner, "Node", name, hasName);
        if (!Is(scanner, "OUTCOME")) return kNotThisKeyword;
        std::string outcome;
        const int read = ReadSimple(scanner, outcome);
        outcomes.push_back(outcome);
        return read;
    });
    if (rc != kSuccess) return rc;
    if (type == 0) return kSuccess;
    // The kind and outcomes: a variable given again with the same is read once.
    std::string signature = std::to_string(type);
    for (const std::string& outcome : outcomes) signature.append(1, '\0').append(outcome);
    const auto given = variableSignatures_.find(name);
    if (hasName && given != variableSignatures_.end() && given->second == signature) {
        Warn(line, kOutOfRange, RepeatedMessage("Node [" + name + "]", "'VARIABLE' element", true));
        return kSuccess;
    }
    if (hasName && variables_.count(name) > 0) {
        (void)Report(line, kDuplicatedIdentifier, "ERROR: [" + name + "] Duplicated Identifier");
        return kSuccess;
    }
    const std::string id = hasName ? FileNodeId(name, line) : std::string();
    if (CheckReadSize(name, 1, type, 0) != kSuccess) return kOutOfMemory;
    const int handle = network->AddNode(type, hasName ? id.c_str() : nullptr);
    if (handle >= 0) CountReadNode(type);
    if (handle < 0) {
        (void)Report(line, handle, "ERROR: Couldn't Create Node");
        return kSuccess;
    }
    NoteNodeMade(handle);
    VRX_node* node = network->GetNode(handle);
    if (hasName) {
        if (const int rc = node->GetInfo()->header.SetName(name.c_str()))
            (void)Report(line, rc, "ERROR: Couldn't set the name");
        variables_[name] = handle;
        variableSignatures_[name] = std::move(signature);
    }
    // A utility has no outcomes; files of other tools give it one all the same.
    if (type == DefinitionType::kTable || outcomes.empty()) return kSuccess;
    VRX_idArray ids;
    const auto warn = [this, line](const std::string& text, const vovido::NoticeInstance& instance) {
        Warn(line, kOutOfRange, text, instance);
    };
    if (vovido::OutcomeIds(outcomes, vovido::NodeIdOr(*network, handle, ""), ids, warn) != kSuccess ||
        node->GetDefinition()->SetOutcomes(ids) != kSuccess) {
        (void)Report(line, kOutOfRange, "ERROR: Invalid Outcomes");
    } else {
        NoteNodeOutcomes(handle, ids.GetCount(), line);
    }
    return kSuccess;
}

int VRX_xmlSpeaker::ReadDefinition(XmlTagScanner& scanner) {
    Definition definition;
    definition.line = scanner.Line();
    const int rc = ReadChildren(scanner, "DEFINITION", "Unknown Definition Field", [&]() -> int {
        const int line = scanner.Line();
        std::string text;
        if (Is(scanner, "FOR")) {
            const int read = ReadSimple(scanner, text);
            if (read == kSuccess && !definition.hasFor) {
                definition.forName = text;
                definition.hasFor = true;
            } else if (read == kSuccess) {
                // Another node named would leave the definition to the first or the last.
                ReportRepeat(line, "Definition [" + definition.forName + "]", "'FOR' element",
                             text == definition.forName);
            }
            return read;
        }
        if (Is(scanner, "GIVEN")) {
            const int read = ReadSimple(scanner, text);
            definition.given.push_back(text);
            return read;
        }
        if (!Is(scanner, "TABLE")) return kNotThisKeyword;
        // A second table is compared with the first: the same is read once, another refused.
        std::vector<double> again;
        std::vector<double>& table = definition.hasTable ? again : definition.table;
        const int read = ReadTable(scanner, line, table);
        if (read == kSuccess && definition.hasTable)
            ReportRepeat(line, "Node [" + definition.forName + "]", "'TABLE' element",
                         again == definition.table);
        definition.hasTable = true;
        return read;
    });
    if (rc != kSuccess) return rc;
    if (CanApplyNow(definition)) {
        ApplyDefinition(definition);
    } else {
        definitions_.push_back(std::move(definition));
    }
    return kSuccess;
}

int VRX_xmlSpeaker::ReadTable(XmlTagScanner& scanner, int line, std::vector<double>& out) {
    if (scanner.IsSelfClosing()) return kSuccess;
    std::string word;
    if (const int rc = ReadElementText(
            scanner, [&](const std::string& piece) { return ParseTablePiece(piece, line, word, out); }))
        return rc;
    return ParseTableWord(word, line, out);
}

int VRX_xmlSpeaker::ParseTablePiece(const std::string& text, int line, std::string& word,
                                    std::vector<double>& out) {
    for (const char c : text) {
        if (!IsSpace(c) && c != ',') {
            word.push_back(c);
        } else if (const int rc = ParseTableWord(word, line, out)) {
            return rc;
        }
    }
    return kSuccess;
}

int VRX_xmlSpeaker::ParseTableWord(std::string& word, int line, std::vector<double>& out) {
    if (word.empty()) return kSuccess;
    double value = 0.0;
    if (vovido::ScanXmlDouble(word.c_str(), value) != word.c_str() + word.size())
        return Report(line, kSyntaxError, "ERROR: '" + word + "' : Real Number expected");
    out.push_back(value);
    word.clear();
    return kSuccess;
}

bool VRX_xmlSpeaker::CanApplyNow(const Definition& definition) const {
    if (!definition.hasFor || FindVariable(definition.forName) < 0) return false;
    for (const std::string& given : definition.given) {
        if (FindVariable(given) < 0) return false;
    }
    return true;
}

uint64_t VRX_xmlSpeaker::DigestOf(const Definition& definition) {
    // FNV-1a over the parents' names and the table's bits: two definitions of one digest are the same.
    uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](const void* data, size_t size) {
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    for (const std::string& given : definition.given) {
        mix(given.data(), given.size());
        mix("", 1);
    }
    const size_t count = definition.table.size();
    mix(&count, sizeof count);
    mix(&definition.hasTable, sizeof definition.hasTable);
    if (count > 0) mix(definition.table.data(), count * sizeof(double));
    return hash;
}

int VRX_xmlSpeaker::FindVariable(const std::string& name) const {
    const auto found = variables_.find(name);
    if (found != variables_.end()) return found->second;
    return network->FindNode(name.c_str());
}

void VRX_xmlSpeaker::ApplyDefinition(const Definition& definition) {
    // A definition past the limit of the file's tables ends the read: its refusal is the cause.
    if (network->readTablesRefused) return;
    const int line = definition.line;
    if (!definition.hasFor) {
        (void)Report(line, kOutOfRange, "ERROR: [FOR] : Tag Not found");
        return;
    }
    const int handle = FindVariable(definition.forName);
    if (handle < 0) {
        (void)Report(line, kOutOfRange, "ERROR: " + definition.forName + " : Node not found");
        return;
    }
    const std::string id = vovido::NodeIdOr(*network, handle, "");
    const uint64_t digest = DigestOf(definition);
    const auto first = applied_.find(handle);
    if (first != applied_.end()) {
        ReportRepeat(line, "Node [" + id + "]", "definition", first->second == digest);
        return;
    }
    applied_[handle] = digest;
    std::vector<int> parents;
    for (const std::string& given : definition.given) {
        parents.push_back(FindVariable(given));
        if (parents.back() < 0) {
            (void)Report(line, kOutOfRange, "ERROR: " + given + " : Invalid parent");
            return;
        }
    }
    if (ReportParentListFaults(handle, parents, line)) return;
    // A table the file cannot fill is refused before the arcs build it; one past the limit is refused by
    // the arcs, without building it.
    const bool tabled = definition.hasTable && network->GetNodeType(handle) != DefinitionType::kList;
    const int64_t cells = tabled ? vovido::DefinitionSupport::TableCellsWithParents(
                                       *network, handle, parents.data(), static_cast<int>(parents.size()))
                                 : 0;
    const auto reportCount = [this, line, &id](int64_t wanted, size_t read) {
        (void)Report(line, kOutOfRange,
                     "ERROR: Node [" + id + "] was expecting " + std::to_string(wanted) + " numbers but " +
                         std::to_string(read) + " were read");
    };
    if (cells > 0 && cells <= kMaxTableCells && cells != static_cast<int64_t>(definition.table.size())) {
        reportCount(cells, definition.table.size());
        return;
    }
    bool refused = false;
    reportLine_ = line;  // what the arcs' own checks report is of the definition's line
    (void)AddParentArcs(handle, parents, [this, line, handle, &parents, &id, &refused](size_t i, int rc) {
        // The first refusal is the one reported: the definition goes no further.
        if (refused) return;
        refused = true;
        (void)Report(line, rc,
                     "ERROR: Couldn't add arc from node [" +
                         std::string(vovido::NodeIdOr(*network, parents[i], "")) + "] to node [" + id + "]" +
                         ArcRefusalCause(vovido::NodeIdOr(*network, parents[i], ""), handle));
    });
    reportLine_ = -1;
    if (refused) return;
    // A decision holds no table: its definition gives its parents.
    if (network->GetNodeType(handle) == DefinitionType::kList) NoteNodeTable(handle);
    if (!definition.hasTable || network->GetNodeType(handle) == DefinitionType::kList) return;
    VRX_nodeDefinition* nodeDefinition = network->GetNode(handle)->GetDefinition();
    const int size = nodeDefinition->GetSize();
    const int count = static_cast<int>(definition.table.size());
    if (size != count) {
        reportCount(size, definition.table.size());
        return;
    }
    VRX_doubleArray values;
    if (values.FlushAndReserve(count) != kSuccess) {
        (void)Report(line, kOutOfMemory, "ERROR: Node [" + id + "] : table too large");
        return;
    }
    const int outcomes = nodeDefinition->GetNumberOfOutcomes();
    const bool probabilities = network->GetNodeType(handle) == DefinitionType::kCpt;
    const TableLayout layout = probabilities ? LayoutOf(definition.table, outcomes) : TableLayout{};
    const int columns = outcomes > 0 ? count / outcomes : 0;
    // Distributions in another unit (percent) are read in probabilities, with a warning. Ones whose total
    // is 1 up to the rounding of their entries keep their numbers, as every reader keeps them: an update
    // reads each column scaled to sum to 1 and names the node.
    const bool scaled = !SumsToOneRounded(layout.total, outcomes);
    if (layout.ownSlowest) {
        Warn(line, kOutOfRange,
             "ERROR: Node [" + id +
                 "] : its table is read with the node's own outcome slowest, the only order in which its "
                 "columns are distributions",
             {&kOwnSlowestNotice, id, "Node [" + id + "]"});
    }
    for (int i = 0; i < count; ++i) {
        const double value = layout.ownSlowest ? definition.table[(i % outcomes) * columns + i / outcomes]
                                               : definition.table[i];
        values.AddReserved(scaled ? value / layout.total : value);
    }
    if (scaled) {
        Warn(line, kOutOfRange, vovido::ScaledTableMessage(id, "every distribution", layout.total));
    }
    const int zeroed = probabilities ? vovido::ZeroTinyNegatives(values.GetItems(), values.GetCount()) : 0;
    if (zeroed > 0)
        Warn(line, kOutOfRange, vovido::TinyNegativesMessage(id, zeroed),
             vovido::TinyNegativesInstance(id, zeroed));
    std::string refusal = probabilities ? vovido::ProbabilityRefusal(id, values) : std::string();
    if (network->GetNodeType(handle) == DefinitionType::kTable) {
        const std::string utility = vovido::DefinitionSupport::NonFiniteEntryText(
            id, "utilities", values.GetItems(), values.GetCount());
        if (!utility.empty()) refusal = "ERROR: " + utility;
    }
    if (!refusal.empty()) {
        (void)Report(line, kOutOfRange, refusal);
        return;
    }
    if (const int rc = nodeDefinition->SetDefinitionDoubles(values)) {
        (void)Report(line, rc, "ERROR: Node [" + id + "] : the table was refused");
        return;
    }
    NoteNodeTable(handle);
}
