// Reader of the system's own text format: the net block, its records, submodels and node blocks, each
// block read by the recovering statement loop of the text-format base (the contents of a node and the
// sections after the nodes: vrx_definition_reader.cpp).
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/identifier.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/definition_support.h"
#include "formats/exchange_format_support.h"
#include "formats/vrx_format.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/submodel.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

using vovido::IsAsciiLetter;

namespace VrxFormat {
const char* const kNetFields[] = {"NUMSAMPLES",     "HEADER",  "CREATION",      "SCREEN",
                                  "WINDOWPOSITION", "BKCOLOR", "SCREENCOMMENT", "USER_PROPERTIES",
                                  "DOCUMENTATION",  "SHOWAS",  nullptr};
const char* const kNodeStatements[] = {"TYPE",       "HEADER",           "SCREEN",        "TARGET",
                                       "SUBMODEL",   "USER_PROPERTIES",  "DOCUMENTATION", "PARENTS",
                                       "DEFINITION", "EXTRA_DEFINITION", nullptr};
const char* const kSubmodelStatements[] = {"PARENT",  "HEADER",        "SCREEN", "WINDOWPOSITION",
                                           "BKCOLOR", "SCREENCOMMENT", nullptr};
}  // namespace VrxFormat

namespace {

using TokenKind::kIdentifier;
using TokenKind::kPunctuator;
using TokenKind::kString;

// The network's fault-name display of the file, 0 user to 3 node and state.
constexpr int kLastNetworkDisplay = 3;

}  // namespace

VRX_vrxSpeaker::VRX_vrxSpeaker(VRX_network* net) : VRX_textFormat(net) {}

VRX_vrxSpeaker::~VRX_vrxSpeaker() = default;

int VRX_vrxSpeaker::ReadFile(const char* path) {
    return ReadOpened(StartReading(path, LexerMode::kStandard));
}

int VRX_vrxSpeaker::ReadText(std::string_view text) {
    return ReadOpened(StartReadingText(text, LexerMode::kStandard));
}

int VRX_vrxSpeaker::ReadOpened(int openResult) {
    if (openResult != kSuccess) return openResult;
    if (network == nullptr) return kObjectNotValid;
    truncated_ = false;
    costsSeen_.clear();
    // The first word is compared exactly: anything else is not a network of this format.
    if (IsWordNext("net") != 1 || token.kind != kIdentifier) {
        if (PeekToken() == kSuccess) {
            FormatUnexpectedToken(kIdentifier, "net");
        } else {
            FormatUnexpectedEnd(kIdentifier, "net");
        }
        return ReportError(kSyntaxError, message.c_str());
    }
    if (const int rc = ReadNetBlock()) return rc;
    (void)ExpectToken(kPunctuator, ";");
    // Text after the network fails the read (below): its nodes' content is then of no account.
    if (PeekToken() != kSuccess) (void)CheckNodeContent(kWarnMissing);
    return FinishRead();
}

int VRX_vrxSpeaker::FinishRead() {
    if (PeekToken() == kSuccess) {
        message.assign("ERROR: '").append(TokenText_()).append("' : End of File expected");
        (void)ReportError(kSyntaxError, message.c_str());
    }
    WarnRenamedNodeIds();
    FinishReading();
    if (truncated_) return kUnexpectedEndOfFile;
    return GetReadFailure();
}

int VRX_vrxSpeaker::ReadSectionStart(const char* name) {
    if (PeekToken() != kSuccess || token.kind != kIdentifier || !TokenIs(name)) return kNotThisKeyword;
    ConsumeToken();
    if (const int rc = RequireToken(kPunctuator, "=")) return rc;
    return RequireToken(kPunctuator, "{");
}

int VRX_vrxSpeaker::ReadSectionEnd() {
    const int rc = VRX_textFormat::ReadSectionEnd();
    if (rc != kSuccess && PeekToken() != kSuccess) truncated_ = true;
    return rc;
}

int VRX_vrxSpeaker::ReportUnknown(const char* what) {
    message.assign("ERROR: '").append(TokenText_()).append("' : ").append(what);
    return ReportError(kSyntaxError, message.c_str());
}

void VRX_vrxSpeaker::ReportUnknownValue() {
    const std::string text = "ERROR: '" + std::string(TokenText_()) + "' : Unknown Value, ignored";
    const int line = lexer->GetLineNumber();
    // A value the file's end cut short ("AUXILI") is the cut, which the statement's end names.
    if (WordCutByEnd()) return;
    (void)ReportWarningAt(line, kOutOfRange, text);
}

int VRX_vrxSpeaker::ReportUnknownNetStatement() {
    if (PeekToken() == kSuccess && IsBlockWord()) return ReportUnknown("Unknown Net Statement");
    return ReportUnknownDeclaration("Unknown Net Statement");
}

int VRX_vrxSpeaker::ReportUnknownStatement(const char* what) {
    if (IsBlockWord()) return ReportUnknown(what);
    const std::string word = TokenText_();
    message.assign("ERROR: '").append(word).append("' : ").append(what);
    (void)ReportSkippedStatement(kSyntaxError, word, message);
    return kSyntaxError;
}

bool VRX_vrxSpeaker::IsBlockWord() const {
    static const char* const kBlockWords[] = {"net",  "node",     "submodel",   "OBSERVATION_COST",
                                              "CASE", "EVIDENCE", "DEFINITION", "EXTRA_DEFINITION",
                                              nullptr};
    return token.kind == kIdentifier && TokenInTable(kBlockWords);
}

int VRX_vrxSpeaker::ReadKeyAndEquals(const char* key) {
    if (PeekToken() != kSuccess || token.kind != kIdentifier || !TokenIs(key)) return kNotThisKeyword;
    ConsumeToken();
    return RequireToken(kPunctuator, "=");
}

// Non-finite values are written as the C library spells them; a sign is a token of its own before a word.
int VRX_vrxSpeaker::ReadWrittenNumber(double& value) {
    const int rc = ReadNumber(value);
    if (rc != kSyntaxError) return rc;
    const bool isWord = token.kind == kIdentifier && (TokenIs("inf") || TokenIs("nan"));
    if (!isWord && token.kind != TokenKind::kSign) return kSyntaxError;
    double sign = 1.0;
    if (token.kind == TokenKind::kSign) {
        sign = token.text[0] == '-' ? -1.0 : 1.0;
        ConsumeToken();
        // The sign is gone: what follows it is reported here.
        const int next = PeekToken();
        if (next != kSuccess || token.kind != kIdentifier || !(TokenIs("inf") || TokenIs("nan"))) {
            if (next == kSuccess) {
                FormatUnexpectedToken(TokenKind::kReal, nullptr);
            } else {
                FormatUnexpectedEnd(TokenKind::kReal, nullptr);
            }
            return ReportError(kSyntaxError, message.c_str());
        }
    }
    value = TokenIs("inf") ? sign * std::numeric_limits<double>::infinity()
                           : std::numeric_limits<double>::quiet_NaN();
    ConsumeToken();
    return kSuccess;
}

int VRX_vrxSpeaker::ReadDoubleList(VRX_doubleArray& list) {
    if (const int rc = RequireToken(kPunctuator, "(")) return rc;
    const bool itemNext =
        IsNumberNext() == 1 ||
        (PeekToken() == kSuccess && (token.kind == TokenKind::kSign ||
                                     (token.kind == kIdentifier && (TokenIs("inf") || TokenIs("nan")))));
    if (itemNext) {
        do {
            double value = 0.0;
            const int reportsBefore = reports_;
            if (const int rc = ReadWrittenNumber(value)) {
                // A word in place of a number would leave the whole list unread.
                if (reports_ != reportsBefore) return rc;
                if (rc == kNoMoreTokens) return ReportUnexpectedEnd(TokenKind::kReal, nullptr);
                if (rc != kSyntaxError) return ReportError(rc, nullptr);
                FormatUnexpectedToken(TokenKind::kReal, nullptr);
                return ReportError(kSyntaxError, message.c_str());
            }
            if (list.Add(value) != kSuccess) return kOutOfMemory;
        } while (ExpectToken(kPunctuator, ",") == kSuccess);
    }
    return RequireToken(kPunctuator, ")");
}

int VRX_vrxSpeaker::ReadNumbers(VRX_doubleArray& out) {
    VRX_doubleArray read;
    if (const int rc = ReadDoubleList(read)) return rc;
    if (out.SetSize(read.GetCount()) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < read.GetCount(); ++i) out.AddReserved(read[i]);
    return kSuccess;
}

int VRX_vrxSpeaker::ReadInts(VRX_intArray& out) {
    VRX_intArray read;
    if (const int rc = ReadIntList(read)) return rc;
    if (out.SetSize(read.GetCount()) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < read.GetCount(); ++i) out.AddReserved(read[i]);
    return kSuccess;
}

int VRX_vrxSpeaker::ReadIds(VRX_stringArray& out) {
    VRX_stringArray read;
    if (const int rc = ReadIdList(read)) return rc;
    if (out.SetSize(read.GetCount()) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < read.GetCount(); ++i) {
        if (out.Add(read[i]) != kSuccess)
            return ReportMessage(kOutOfRange, std::string("ERROR: '") + read[i] + "' : Invalid Identifier");
    }
    return kSuccess;
}

int VRX_vrxSpeaker::ReadStrings(VRX_stringArray& out) {
    VRX_stringArray read;
    if (const int rc = ReadStringList(read)) return rc;
    if (out.SetSize(read.GetCount()) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < read.GetCount(); ++i) {
        if (out.Add(read[i]) != kSuccess) return kOutOfMemory;
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// The net block and the records

int VRX_vrxSpeaker::ReadNetBlock() {
    if (const int rc = RequireToken(kIdentifier, "net")) return rc;
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    std::string id(TokenText_());
    if (network->GetHeader() == nullptr) return kObjectNotValid;
    HoldNetworkId(SanitizeIdentifier(id) == kSuccess ? id : std::string(VrxFormat::kUnnamedNetwork));
    // The file holds the network's whole records: what the network held before does not mix in.
    network->userProperties.CleanUp(1);
    network->documentation.Flush();
    network->creation.CleanUp(1);
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    // Each node, submodel, case, cost section and text box is a block of its own.
    static const char* const kRepeatable[] = {"node",          "submodel", "CASE", "OBSERVATION_COST",
                                              "SCREENCOMMENT", nullptr};
    (void)ReadOnceBlock(
        NetworkOwner(), "", [this]() { return ReadNetStatement(); }, kRepeatable);
    ApplyNetworkId();
    return kSuccess;
}

namespace {

constexpr char kReservedNetworkId[] = "@network";

// An identifier in the form of the file formats: a letter, then letters, digits and '_'.
bool IsPlainIdentifier(const std::string& id) {
    return !id.empty() && IsAsciiLetter(id[0]) && IsValidIdentifier(id.c_str()) == 1;
}

}  // namespace

void VRX_vrxSpeaker::HoldNetworkId(const std::string& id) {
    networkId_ = id;
    networkIdLine_ = lexer ? lexer->GetLineNumber() : 0;
    // A placeholder until ApplyNetworkId: refused, the header keeps its identifier meanwhile.
    (void)network->GetHeader()->SetId(kReservedNetworkId);
}

void VRX_vrxSpeaker::ApplyNetworkId() {
    VRX_header* header = network->GetHeader();
    if (header == nullptr) return;
    std::string base = networkId_;
    if (!IsPlainIdentifier(base) && (SanitizeIdentifier(base) != kSuccess || !IsPlainIdentifier(base))) {
        base = VrxFormat::kUnnamedNetwork;
    }
    const std::string id = vovido::FreeSubmodelId(*network, base);
    if (header->SetId(id.c_str()) != kSuccess)
        (void)header->SetId(VrxFormat::kUnnamedNetwork);  // valid and free
    // A read that fails keeps nothing: what it would have renamed says nothing more.
    if (GetReadFailure() == kSuccess) vovido::WarnNetworkIdTaken(base, id, LinePrefix(networkIdLine_));
}

int VRX_vrxSpeaker::ReadNetStatement() {
    if (IsKeywordNext(VrxFormat::kNetFields) == 1) return ReadNetField();
    if (token.kind == kIdentifier) {
        if (TokenIs("node")) return ReadNodeBlock();
        if (TokenIs("submodel")) return ReadSubmodelBlock();
        if (TokenIs("OBSERVATION_COST")) return ReadCostSection();
        if (TokenIs("CASE")) return ReadCaseSection();
    }
    return ReportUnknownNetStatement();
}

int VRX_vrxSpeaker::ReadSampleCountField() {
    if (PeekToken() != kSuccess || token.kind != kIdentifier || !TokenIs("NUMSAMPLES"))
        return kNotThisKeyword;
    ConsumeToken();
    if (const int rc = RequireToken(kPunctuator, "=")) return rc;
    // A whole count may be written with a fraction and an exponent ("1.5e3"), which the lexer reads as a
    // real.
    const bool real = PeekToken() == kSuccess && token.kind == TokenKind::kReal;
    if (real) {
        ConsumeToken();
    } else if (const int rc = RequireToken(TokenKind::kInteger, nullptr)) {
        return rc;
    }
    const std::string number = TokenText_();
    const std::string text = TokenTextWithGlued();
    // Sampling sizes its work by this count; the XML reader takes it by the same rule. An integer beyond
    // the int range is refused as by every whole-number field.
    int count = 0;
    if (!real && text == number && ParseWholeNumber(text.c_str(), count) == kOutOfRange)
        return ReportMessage(kOutOfRange, "ERROR: '" + text + "' : " + kWholeNumberExpected);
    if (ParseSampleCount(text.c_str(), count) != kSuccess)
        return ReportMessage(kOutOfRange, "ERROR: '" + text + "' : Invalid Number Of Samples");
    // Earlier versions wrote the 0 they had read: a setting, not the model, so the file is read.
    if (count == 0) {
        (void)ReportWarning(kOutOfRange, ("ERROR: '" + text + "' : Invalid Number Of Samples: the default, " +
                                          std::to_string(network->numSamples) + ", is read")
                                             .c_str());
        return kSuccess;
    }
    network->numSamples = count;
    return kSuccess;
}

int VRX_vrxSpeaker::ReadNetField() {
    int value = 0;
    int rc = ReadSampleCountField();
    if (Handled(rc)) return rc;
    const std::string owner = NetworkOwner();
    if (Handled(rc = ReadHeaderSection("HEADER", *network->GetHeader(), owner, &networkId_))) return rc;
    if (Handled(rc = ReadCreationSection())) return rc;
    VRX_submodel* main = network->GetSubmodelHandler().GetSubmodel(kMainSubmodel);
    if (main != nullptr && Handled(rc = ReadSubmodelFields(*main, kMainSubmodel, owner))) return rc;
    if (Handled(rc = ReadSectionStart("USER_PROPERTIES"))) {
        return rc != kSuccess ? rc : ReadUserPropertiesSection(network->userProperties, owner);
    }
    if (Handled(rc = ReadSectionStart("DOCUMENTATION"))) {
        return rc != kSuccess ? rc : ReadDocumentationSection(network->documentation);
    }
    rc = ReadIntField("SHOWAS", value);
    if (Handled(rc)) {
        if (rc != kSuccess) return rc;
        if (value >= 0 && value <= kLastNetworkDisplay) {
            network->faultNameFormat = value;
        } else {
            ReportUnknownValue();
        }
        return kSuccess;
    }
    return ReportUnknown("Unknown Net Field");
}

int VRX_vrxSpeaker::ReadHeaderSection(const char* name, VRX_header& header, const std::string& owner,
                                      std::string* deferredId) {
    if (const int rc = ReadSectionStart(name)) return rc;
    return ReadOnceBlock(owner, std::string(" in ") + name, [this, &header, deferredId]() {
        int rc = ReadFieldStart("ID", kIdentifier);
        if (Handled(rc)) {
            if (rc != kSuccess) return rc;
            const std::string id(TokenText_());
            const int line = lexer ? lexer->GetLineNumber() : 0;
            // An identifier the file's end cut short may be another's: the cut is the one cause.
            if (WordCutByEnd()) return RequireToken(kPunctuator, ";");
            if (deferredId != nullptr) {
                deferredId->assign(id);
                networkIdLine_ = line;
                return kSuccess;
            }
            // Submodels share the identifiers of the nodes: one that is taken is refused.
            const bool taken = header.GetOwnerNode() == nullptr &&
                               (header.GetId() == nullptr || std::strcmp(header.GetId(), id.c_str()) != 0) &&
                               network->IsIdInUse(id.c_str(), -1);
            return ReportError(taken ? kIllegalIdentifier : header.SetId(id.c_str()), "Invalid ID");
        }
        rc = ReadFieldStart("NAME", kString);
        if (Handled(rc)) return rc != kSuccess ? rc : ReportError(header.SetName(token.text), nullptr);
        rc = ReadFieldStart("COMMENT", kString);
        if (Handled(rc)) return rc != kSuccess ? rc : ReportError(header.SetComment(token.text), nullptr);
        return ReportUnknownStatement("Unknown Header Statement");
    });
}

int VRX_vrxSpeaker::ReadCreationSection() {
    if (const int rc = ReadSectionStart("CREATION")) return rc;
    VRX_creation& creation = network->creation;
    return ReadOnceBlock(NetworkOwner(), " in CREATION", [this, &creation]() {
        int rc = ReadFieldStart("CREATOR", kString);
        if (Handled(rc)) return rc != kSuccess ? rc : ReportError(creation.SetCreator(token.text), nullptr);
        rc = ReadFieldStart("CREATED", kString);
        if (Handled(rc)) return rc != kSuccess ? rc : ReportError(creation.SetCreated(token.text), nullptr);
        rc = ReadFieldStart("MODIFIED", kString);
        if (Handled(rc)) return rc != kSuccess ? rc : ReportError(creation.SetModified(token.text), nullptr);
        return ReportUnknownStatement("Unknown Creation Statement");
    });
}

int VRX_vrxSpeaker::ReadRectangleSection(const char* name, VRX_rectangle& rectangle, const std::string& owner,
                                         const std::string& path) {
    if (const int rc = ReadSectionStart(name)) return rc;
    return ReadOnceBlock(owner, " in " + path, [this, &rectangle]() {
        int* const fields[] = {&rectangle.centerX, &rectangle.centerY, &rectangle.width, &rectangle.height};
        const char* const keys[] = {"CENTER_X", "CENTER_Y", "WIDTH", "HEIGHT"};
        for (int i = 0; i < 4; ++i) {
            const int rc = ReadIntField(keys[i], *fields[i]);
            if (Handled(rc)) return rc;
        }
        return ReportUnknownStatement("Unknown Rectangle Statement");
    });
}

int VRX_vrxSpeaker::ReadScreenSection(VRX_screenInfo& screen, const std::string& owner) {
    if (const int rc = ReadSectionStart("SCREEN")) return rc;
    return ReadOnceBlock(owner, " in SCREEN", [this, &screen, &owner]() {
        int rc = ReadRectangleSection("POSITION", screen.position, owner, "SCREEN POSITION");
        if (Handled(rc)) return rc;
        int* const fields[] = {&screen.color,     &screen.selColor,        &screen.font,
                               &screen.fontColor, &screen.borderThickness, &screen.borderColor};
        const char* const keys[] = {"COLOR",     "SELCOLOR",        "FONT",
                                    "FONTCOLOR", "BORDERTHICKNESS", "BORDERCOLOR"};
        for (int i = 0; i < 6; ++i) {
            if (Handled(rc = ReadIntField(keys[i], *fields[i]))) return rc;
        }
        const char* const arcKeys[] = {"SHOWINARCS", "SHOWOUTARCS"};
        const int arcBits[] = {VRX_screenInfo::kShowInArcs, VRX_screenInfo::kShowOutArcs};
        for (int i = 0; i < 2; ++i) {
            int on = 0;
            rc = ReadBoolField(arcKeys[i], on);
            if (!Handled(rc)) continue;
            if (rc == kSuccess)
                screen.arcFlags = on ? (screen.arcFlags | arcBits[i]) : (screen.arcFlags & ~arcBits[i]);
            return rc;
        }
        return ReportUnknownStatement("Unknown Screen Information Statement");
    });
}

int VRX_vrxSpeaker::ReadUserPropertiesSection(VRX_userProperties& properties, const std::string& owner) {
    return ReadOnceBlock(owner, " in USER_PROPERTIES", [this, &properties]() {
        if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
        const std::string name(TokenText_());
        if (const int rc = RequireToken(kPunctuator, "=")) return rc;
        if (const int rc = RequireToken(kString, nullptr)) return rc;
        return ReportError(properties.AddProperty(name.c_str(), token.text), nullptr);
    });
}

int VRX_vrxSpeaker::ReadDocumentationSection(VRX_documentation& documentation) {
    return ReadBlock([this, &documentation]() { return ReadDocumentationStatement(documentation); });
}

int VRX_vrxSpeaker::ReadDocumentationStatement(VRX_documentation& documentation) {
    if (const int rc = RequireToken(kString, nullptr)) return rc;
    const std::string title(TokenText_());
    if (const int rc = RequireToken(kPunctuator, "=")) return rc;
    if (const int rc = RequireToken(kString, nullptr)) return rc;
    return ReportError(documentation.AddDocument(title.c_str(), token.text), nullptr);
}

int VRX_vrxSpeaker::ReadScreenComment(int submodelHandle) {
    if (const int rc = ReadKeyAndEquals("SCREENCOMMENT")) return rc;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    VRX_intArray coordinates;
    if (const int rc = ReadInts(coordinates)) return rc;
    if (const int rc = RequireToken(kPunctuator, ",")) return rc;
    if (const int rc = RequireToken(kString, nullptr)) return rc;
    const std::string text(TokenText_());
    if (const int rc = RequireToken(kPunctuator, "}")) return rc;
    if (coordinates.GetCount() < 4)
        return ReportError(kOutOfRange, "ERROR: Wrong Number Of Screen Coordinates");
    VRX_submodel* submodel = network->GetSubmodelHandler().GetSubmodel(submodelHandle);
    if (submodel == nullptr) return ReportError(kOutOfRange, nullptr);
    const VRX_rectangle box(coordinates[0], coordinates[1], coordinates[2], coordinates[3]);
    return ReportError(submodel->textBoxes.AddTextBox(box, text.c_str()), nullptr);
}

int VRX_vrxSpeaker::ReadSubmodelFields(VRX_submodel& submodel, int submodelHandle, const std::string& owner) {
    int rc = ReadScreenSection(submodel.screenInfo, owner);
    if (Handled(rc)) return rc;
    if (Handled(rc =
                    ReadRectangleSection("WINDOWPOSITION", submodel.windowPosition, owner, "WINDOWPOSITION")))
        return rc;
    if (Handled(rc = ReadIntField("BKCOLOR", submodel.backgroundColor))) return rc;
    return ReadScreenComment(submodelHandle);
}

int VRX_vrxSpeaker::ReadSubmodelBlock() {
    if (const int rc = ExpectToken(kIdentifier, "submodel")) return rc;
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    const std::string id(TokenText_());
    VRX_submodelHandler& handler = network->GetSubmodelHandler();
    const int handle = handler.CreateSubmodel(kMainSubmodel, id.c_str());
    // The failed block is skipped whole by the statement loop.
    if (handle < 0) return ReportMessage(handle, "ERROR: Couldn't Create Submodel (\"" + id + "\")");
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    const std::string owner = "Submodel [" + id + "]";
    static const char* const kRepeatable[] = {"SCREENCOMMENT", nullptr};
    return ReadOnceBlock(
        owner, "",
        [this, &handler, handle, &owner]() {
            if (IsKeywordNext(VrxFormat::kSubmodelStatements) != 1)
                return ReportUnknownStatement("Unknown Submodel Statement");
            VRX_submodel* submodel = handler.GetSubmodel(handle);
            if (submodel == nullptr) return ReportError(kObjectNotValid, nullptr);
            int rc = ReadFieldStart("PARENT", kIdentifier);
            if (Handled(rc)) {
                if (rc != kSuccess) return rc;
                const std::string parent(TokenText_());
                const int found = handler.FindSubmodel(parent.c_str());
                rc = found < 0 ? found : handler.SetParentSubmodel(handle, found);
                return rc == kSuccess ? rc
                                      : ReportMessage(rc, "ERROR: (\"" + parent + "\") : Unknown Submodel");
            }
            if (Handled(rc = ReadHeaderSection("HEADER", submodel->header, owner))) return rc;
            if (Handled(rc = ReadSubmodelFields(*submodel, handle, owner))) return rc;
            return ReportUnknown("Unknown Submodel Field");
        },
        kRepeatable);
}

// ---------------------------------------------------------------------------------------------------
// Nodes

VRX_node* VRX_vrxSpeaker::CurrentNode() const {
    return network->GetNode(currentNode_);
}

int VRX_vrxSpeaker::ReadNodeBlock() {
    if (const int rc = ExpectToken(kIdentifier, "node")) return rc;
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    const std::string id(TokenText_());
    // An identifier the file's end cut short ("HRB") is the cut, named once where '{' was due.
    if (WordCutByEnd()) return RequireToken(kPunctuator, "{");
    // Made as a table of probabilities; TYPE gives the node its kind.
    const int handle = AddFileNode(DefinitionType::kCpt, id, id);
    if (handle < 0) return handle;
    currentNode_ = handle;
    BeginNodeContent(-1);
    NoteNodeMade(handle);
    typeSet_ = false;
    noisyOr = false;
    noisyAnd = false;
    stateDocIndex = 0;
    int rc = RequireToken(kPunctuator, "{");
    NodeStatements seen;
    if (rc == kSuccess)
        rc = ReadBlock([this, &seen, &id]() {
            return ReadStatementOnce(seen, id, [this]() { return ReadNodeStatement(); });
        });
    (void)AddPendingArcs(parentArcs_);
    // A node whose kind the file does not give is left out, as it could not be used.
    if (!typeSet_ && network->IsLiveHandle(handle)) {
        (void)network->DeleteNode(handle);  // live: cannot fail
        // A block cut by the end of the file has named the cut, which left the kind unread.
        if (rc == kSuccess && !endReported_)
            rc = ReportMessage(kSyntaxError, "ERROR: Node [" + id + "] : TYPE missing, node left out");
    }
    EndNodeContent();
    currentNode_ = -2;
    return rc;
}

int VRX_vrxSpeaker::ReadNodeStatement() {
    if (IsKeywordNext(VrxFormat::kNodeStatements) != 1)
        return ReportUnknownStatement("Unknown Node Statement");
    VRX_node* node = CurrentNode();
    if (node == nullptr || node->GetInfo() == nullptr) return ReportError(kObjectNotValid, nullptr);
    VRX_nodeInfo& info = *node->GetInfo();
    static const char* const kTableShapers[] = {"TYPE", "PARENTS", nullptr};
    if (const int refused = RefuseAfterTable(currentNode_, node->GetId(), kTableShapers)) return refused;
    // Waiting arcs are added before any statement that may depend on them: only the descriptions and
    // the definition (which adds them itself) leave the table's shape to them.
    static const char* const kBesideArcs[] = {"HEADER",        "SCREEN",     "USER_PROPERTIES",
                                              "DOCUMENTATION", "DEFINITION", nullptr};
    if (!TokenInTable(kBesideArcs)) (void)AddPendingArcs(parentArcs_);
    const std::string owner = "Node [" + std::string(NodeIdOr(currentNode_, VrxFormat::kUnnamedNode)) + "]";
    int rc = ReadNodeType();
    if (Handled(rc)) return rc;
    if (Handled(rc = ReadHeaderSection("HEADER", info.header, owner))) return rc;
    if (Handled(rc = ReadScreenSection(info.screenInfo, owner))) return rc;
    int on = 0;
    if (Handled(rc = ReadBoolField("TARGET", on))) {
        if (rc != kSuccess || !on || network->IsTarget(currentNode_) == 1) return rc;
        return ReportError(network->SetTarget(currentNode_), nullptr);
    }
    if (Handled(rc = ReadFieldStart("SUBMODEL", kIdentifier))) {
        return rc != kSuccess ? rc : ReportError(node->SetSubmodelById(token.text), "Invalid submodel");
    }
    if (Handled(rc = ReadSectionStart("USER_PROPERTIES"))) {
        return rc != kSuccess ? rc : ReadUserPropertiesSection(info.userProperties, owner);
    }
    if (Handled(rc = ReadSectionStart("DOCUMENTATION"))) {
        return rc != kSuccess ? rc : ReadDocumentationSection(info.documentation);
    }
    if (Handled(rc = ReadParents())) return rc;
    if (Handled(rc = ReadSectionStart("DEFINITION")))
        return rc != kSuccess ? rc : ReadNodeSection([this]() { return ReadDefinitionStatement(); });
    // An extra definition gives a documentation section per outcome.
    static const char* const kPerOutcome[] = {"DOCUMENTATION", nullptr};
    if (Handled(rc = ReadSectionStart("EXTRA_DEFINITION"))) {
        if (rc != kSuccess) return rc;
        return ReadOnceBlock(
            owner, " in EXTRA_DEFINITION", [this]() { return ReadExtraStatement(); }, kPerOutcome);
    }
    return ReportUnknown("Unknown Node Field");
}

int VRX_vrxSpeaker::ReadNodeSection(const std::function<int()>& readStatement) {
    NodeStatements seen;
    const std::string id(NodeIdOr(currentNode_, VrxFormat::kUnnamedNode));
    return ReadBlock(
        [this, &seen, &id, &readStatement]() { return ReadStatementOnce(seen, id, readStatement); });
}

int VRX_vrxSpeaker::ReadNodeType() {
    const int rc = ReadFieldStart("TYPE", kIdentifier);
    if (rc != kSuccess) return rc;
    const std::string word(TokenText_());
    noisyOr = word == "NOISY_OR";
    noisyAnd = word == "NOISY_AND";
    const char* kind = noisyOr || noisyAnd ? "NOISY_MAX" : word.c_str();
    const int changed = CurrentNode()->ChangeTypeByName(kind);
    if (changed != kSuccess) return ReportMessage(changed, "ERROR: '" + word + "' : Unsupported Node Type");
    typeSet_ = true;
    return kSuccess;
}

int VRX_vrxSpeaker::ReadParents() {
    if (const int rc = ReadKeyAndEquals("PARENTS")) return rc;
    VRX_stringArray ids;
    if (const int rc = ReadIdList(ids)) return rc;
    const std::string child(NodeIdOr(currentNode_, VrxFormat::kUnnamedNode));
    // A table past the limit is refused before any of it is built, not after growing parent by parent.
    std::vector<int> handles;
    for (int i = 0; i < ids.GetCount(); ++i) handles.push_back(network->FindNode(ids[i]));
    const int64_t cells = DefinitionSupport::TableCellsWithParents(*network, currentNode_, handles.data(),
                                                                   static_cast<int>(handles.size()));
    if (cells > kMaxTableCells) {
        return ReportMessage(kOutOfMemory, DefinitionSupport::TableRefusalText(network, currentNode_, cells));
    }
    // The arcs wait for the table, so that one the file cannot fill is refused before they build it.
    std::vector<std::string> parentIds;
    for (int i = 0; i < ids.GetCount(); ++i) parentIds.emplace_back(ids[i]);
    WaitForTable(parentArcs_, currentNode_, std::move(handles), std::move(parentIds),
                 [this, child](const std::string& id, int rc) {
                     ReportMessage(rc, "ERROR: Couldn't add arc from node [" + id + "] to node [" + child +
                                           "]" + ArcRefusalCause(id, network->FindNode(child.c_str())));
                 });
    return kSuccess;
}

const char* VRX_vrxSpeaker::NodeIdOr(int handle, const char* fallback) const {
    const VRX_node* node = network->GetNode(handle);
    const char* id = node != nullptr ? node->GetId() : nullptr;
    return id != nullptr ? id : fallback;
}
