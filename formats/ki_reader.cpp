// Reader of KI diagnostic-network files: the kb fields, the nodes with their states and diagnostic
// settings, then the arcs with each node's probabilities or noisy-MAX function.
#include "formats/ki_reader.h"
#include "formats/exchange_format_support.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/identifier.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "base/table_entries.h"
#include "definitions/cpt.h"
#include "definitions/definition_support.h"
#include "definitions/node_cost.h"
#include "definitions/noisy_max.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

namespace {

using TokenKind::kIdentifier;
using TokenKind::kInteger;
using TokenKind::kPunctuator;
using TokenKind::kString;

const char* const kNodeFields[] = {"NAME",          "CLASS",
                                   "CLASSTYPE",     "TYPE",
                                   "POSITION",      "COST",
                                   "CATEGORY",      "SIZE",
                                   "FONT",          "FONTSIZE",
                                   "QUESTION",      "FINISHEDFLAG",
                                   "DEFINITION",    "OBSERVABLE",
                                   "MANDATORY",     "HYPOTHESIS",
                                   "ENTEREDNAME",   "ORDER",
                                   "ENTRYTYPE",     "SHORTNAME",
                                   "LONGNAME",      "MANDATORYVALUE",
                                   "APPNAME",       "ABBREVIATION",
                                   "RECOMMENDABLE", "INCLUDEDEBUGINFO",
                                   nullptr};
// Node fields read and dropped.
const char* const kDroppedNodeFields[] = {
    "CLASS",        "CATEGORY",         "FONT",    "FONTSIZE",     "ORDER", "ENTRYTYPE", "ENTEREDNAME",
    "FINISHEDFLAG", "INCLUDEDEBUGINFO", "APPNAME", "ABBREVIATION", nullptr};
const char* const kKbStrings[] = {
    "NOTES", "FIRSTSTATENAME", "SECONDSTATENAME", "EXEPATH", "NODEDATATYPE", "STATEDATATYPE", nullptr};
const char* const kKbInts[] = {"PRECISION", "STATENAMETYPE", "NODETYPE",        "ADDNODE", "ASKNODE",
                               "ASKSTATE",  "SHOWDEBUGINFO", "INCLUDENASTATES", nullptr};
const char* const kDefinitionStatements[] = {"PROB", "PARTITIONS",  "NASPEC", "FUNCTION",
                                             "LEAK", "AUTOCALCROW", nullptr};

// Decimals the probabilities of a read network keep.
constexpr int kKeptDecimals = 5;

int ToInt(double value) {
    if (!(value == value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(std::lround(value));
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

VRX_kiSpeaker::VRX_kiSpeaker(VRX_network* net) : VRX_vrxSpeaker(net) {
    SetCaseSensitive(false);
}

VRX_kiSpeaker::~VRX_kiSpeaker() = default;

int VRX_kiSpeaker::WriteFile(const char* /*path*/) {
    return LogError(errorLog, kOutOfRange, "Writing to KI file format not supported.", nullptr);
}

int VRX_kiSpeaker::ReadFile(const char* path) {
    return ReadKiOpened(StartReading(path, LexerMode::kStandard));
}

int VRX_kiSpeaker::ReadText(std::string_view text) {
    return ReadKiOpened(StartReadingText(text, LexerMode::kStandard));
}

int VRX_kiSpeaker::ReadFieldStart(const char* key, int kind) {
    if (key == nullptr) return kOutOfRange;
    if (PeekToken() != kSuccess || token.kind != kIdentifier || !TokenIs(key)) return kNotThisKeyword;
    ConsumeToken();
    if (const int rc = RequireToken(kPunctuator, ":")) return rc;
    return RequireToken(kind, nullptr);
}

int VRX_kiSpeaker::SkipAfterError() {
    return SkipBlock();
}

bool VRX_kiSpeaker::IsBlockWord() const {
    static const char* const kBlockWords[] = {"diagnostic", "kb", "nodes", "network",
                                              "standard",   "ci", "fault", nullptr};
    return token.kind == kIdentifier && TokenInTable(kBlockWords);
}

int VRX_kiSpeaker::ReadKiOpened(int openResult) {
    if (openResult != kSuccess) return openResult;
    if (network == nullptr) return kObjectNotValid;
    truncated_ = false;
    nodesByName_.clear();
    arcBlocks_.clear();
    for (const char* word : {"diagnostic", "network"}) {
        if (const int rc = RequireToken(kIdentifier, word)) return rc;
    }
    if (const int rc = RequireToken(kString, nullptr)) return rc;
    const std::string name(TokenText_());
    VRX_header* header = network->GetHeader();
    if (header == nullptr) return kObjectNotValid;
    if (const int rc = header->SetName(name.c_str())) return ReportError(rc, nullptr);
    // A name that is no identifier gives its repaired form as the id.
    HoldNetworkId(Trimmed(name));
    network->userProperties.CleanUp(1);
    network->documentation.Flush();
    network->creation.CleanUp(1);
    if (const int rc = ReadSection("kb", true, &VRX_kiSpeaker::ReadKbField, true)) return rc;
    if (const int rc = ReadSection("nodes", false, &VRX_kiSpeaker::ReadNodeBlockOrSkip)) return rc;
    if (const int rc = ReadSection("network", false, &VRX_kiSpeaker::ReadArcBlockOrSkip)) return rc;
    (void)CheckNodeContent(kWarnMissing | kEveryNode);
    const int finished = FinishNodes();
    ApplyNetworkId();
    const int rc = FinishRead();
    return finished != kSuccess ? finished : rc;
}

int VRX_kiSpeaker::ReadSection(const char* word, bool semicolonAfterEach,
                               int (VRX_kiSpeaker::*readStatement)(), bool once) {
    if (const int rc = RequireToken(kIdentifier, word)) return rc;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    const auto read = [this, readStatement]() { return (this->*readStatement)(); };
    if (once) {
        (void)ReadOnceBlock(NetworkOwner(), " in KB", read, nullptr, semicolonAfterEach);
    } else {
        ReadBlock(read, semicolonAfterEach);
    }
    AcceptToken(kPunctuator, ";");
    return kSuccess;
}

// The comment of the network ends as the value of the last kb field read.
int VRX_kiSpeaker::ReadKbField() {
    VRX_header* header = network->GetHeader();
    for (int i = 0; kKbStrings[i] != nullptr; ++i) {
        const int rc = ReadFieldStart(kKbStrings[i], kString);
        if (Handled(rc)) return rc != kSuccess ? rc : ReportError(header->SetComment(token.text), nullptr);
    }
    for (int i = 0; kKbInts[i] != nullptr; ++i) {
        const int rc = ReadFieldStart(kKbInts[i], kInteger);
        if (Handled(rc)) return rc != kSuccess ? rc : ReportError(header->SetComment(token.text), nullptr);
    }
    for (const char* key : {"VERSION", "DISPLAYSIZE"}) {
        if (PeekToken() != kSuccess || token.kind != kIdentifier || !TokenIs(key)) continue;
        ConsumeToken();
        if (const int rc = RequireToken(kPunctuator, ":")) return rc;
        // Integers, bare or in parentheses, separated by ",".
        const bool parenthesised = ExpectToken(kPunctuator, "(") == kSuccess;
        std::string last;
        do {
            if (const int rc = RequireToken(kInteger, nullptr)) return rc;
            last.assign(TokenText_());
        } while (ExpectToken(kPunctuator, ",") == kSuccess);
        if (parenthesised) {
            if (const int rc = RequireToken(kPunctuator, ")")) return rc;
        }
        return ReportError(header->SetComment(last.c_str()), nullptr);
    }
    const int rc = ReadFieldStart("NODEFONTSPEC", kIdentifier);
    if (Handled(rc)) {
        if (rc != kSuccess) return rc;
        const std::string spec(TokenText_());
        if (const int skipped = SkipStatement()) return skipped;
        return ReportError(header->SetComment(spec.c_str()), nullptr);
    }
    return ReportUnknownStatement("Unknown Kb Field");
}

// ---------------------------------------------------------------------------------------------------
// Nodes

int VRX_kiSpeaker::ReadNodeBlockOrSkip() {
    if (ReadKiNodeBlock() != kSuccess && SkipBlock() == kSuccess) AcceptToken(kPunctuator, ";");
    return kSuccess;
}

int VRX_kiSpeaker::ReadNodeName(std::string& name) {
    if (PeekToken() == kSuccess && (token.kind == kIdentifier || token.kind == kString)) {
        name.assign(TokenText_());
        ConsumeToken();
        return kSuccess;
    }
    return RequireToken(kIdentifier, nullptr);
}

int VRX_kiSpeaker::FindNodeByName(const std::string& name) const {
    const auto found = nodesByName_.find(name);
    if (found != nodesByName_.end() && network->IsLiveHandle(found->second)) return found->second;
    return network->FindNode(name.c_str());
}

int VRX_kiSpeaker::ReadKiNodeBlock() {
    if (PeekToken() != kSuccess) return kNoMoreTokens;
    int type = 0;
    if (token.kind == kIdentifier && TokenIs("standard")) {
        type = DefinitionType::kCpt;
    } else if (token.kind == kIdentifier && TokenIs("ci")) {
        type = DefinitionType::kNoisyMax;
    } else {
        ReportUnknownStatement("Unknown Node Block");
        return kNotThisKeyword;
    }
    ConsumeToken();
    std::string name;
    if (const int rc = ReadNodeName(name)) return rc;
    // A name that is no identifier gives the node a repaired one; the file's arcs still find it by name.
    const int handle = AddFileNode(type, Trimmed(name), name);
    if (handle < 0) return handle;
    const std::string id = network->GetNode(handle)->GetId();
    int rc = network->GetNode(handle)->GetInfo()->header.SetName(name.c_str());
    if (rc != kSuccess) rc = ReportError(rc, nullptr);
    if (rc == kSuccess) rc = RequireToken(kPunctuator, "{");
    if (rc != kSuccess) {
        (void)network->DeleteNode(handle);  // just added: cannot fail
        return rc;
    }
    nodesByName_[name] = handle;
    observable = mandatory = hypothesis = recommendable = -1;
    BeginNodeContent(-1);
    NoteNodeMade(handle);
    NodeStatements seen;
    ReadBlock([this, handle, &seen, &id]() {
        return ReadStatementOnce(seen, id, [this, handle]() { return ReadKiNodeField(handle); });
    });
    EndNodeContent();
    AcceptToken(kPunctuator, ";");
    DeriveDiagnosis(handle);
    return kSuccess;
}

int VRX_kiSpeaker::ReadPair(double& first, double& second) {
    if (const int rc = RequireToken(kPunctuator, "(")) return rc;
    if (const int rc = ReadNumber(first))
        return rc == kSyntaxError ? RequireToken(TokenKind::kReal, nullptr) : rc;
    if (const int rc = RequireToken(kPunctuator, ",")) return rc;
    if (const int rc = ReadNumber(second))
        return rc == kSyntaxError ? RequireToken(TokenKind::kReal, nullptr) : rc;
    return RequireToken(kPunctuator, ")");
}

int VRX_kiSpeaker::ReadKiNodeField(int handle) {
    if (IsKeywordNext(kNodeFields) != 1 || token.kind != kIdentifier)
        return ReportUnknownStatement("Unknown Node Statement");
    VRX_node* node = network->GetNode(handle);
    if (node == nullptr) return ReportError(kObjectNotValid, nullptr);
    VRX_nodeInfo& info = *node->GetInfo();
    VRX_extraDefinition& extra = *node->GetExtraDefinition();
    if (TokenInTable(kDroppedNodeFields)) {
        ConsumeToken();
        return SkipStatement();
    }
    int rc = ReadFieldStart("NAME", kString);
    if (Handled(rc)) return rc != kSuccess ? rc : ReportError(info.header.SetName(token.text), nullptr);
    if (Handled(rc = ReadFieldStart("CLASSTYPE", kIdentifier))) {
        // The node becomes noisy-MAX; its descriptive record, cost and extra definition stay.
        return rc != kSuccess ? rc : ReportError(node->ChangeType(DefinitionType::kNoisyMax), nullptr);
    }
    if (PeekToken() == kSuccess && TokenIs("TYPE")) return ReadStates(handle);
    if (PeekToken() == kSuccess && TokenIs("POSITION")) {
        ConsumeToken();
        // The position is given with "=", the other fields with ":".
        if (ExpectToken(kPunctuator, "=") != kSuccess) {
            if (const int r = RequireToken(kPunctuator, ":")) return r;
        }
        double x = 0.0;
        double y = 0.0;
        if (const int r = ReadPair(x, y)) return r;
        info.screenInfo.position.centerX = ToInt(x);
        info.screenInfo.position.centerY = ToInt(y);
        return kSuccess;
    }
    if (PeekToken() == kSuccess && TokenIs("SIZE")) {
        ConsumeToken();
        if (const int r = RequireToken(kPunctuator, ":")) return r;
        double w = 0.0;
        double h = 0.0;
        if (const int r = ReadPair(w, h)) return r;
        info.screenInfo.position.width = ToInt(w);
        info.screenInfo.position.height = ToInt(h);
        return kSuccess;
    }
    if (PeekToken() == kSuccess && TokenIs("COST")) {
        ConsumeToken();
        if (const int r = RequireToken(kPunctuator, ":")) return r;
        double cost = 0.0;
        if (const int r = ReadNumber(cost))
            return r == kSyntaxError ? RequireToken(TokenKind::kReal, nullptr) : r;
        VRX_Dmatrix* costs = node->GetCost() != nullptr ? node->GetCost()->GetCosts() : nullptr;
        if (costs == nullptr || costs->GetNumberOfElements() < 1)
            return ReportError(kObjectNotValid, nullptr);
        (*costs)[0] = cost;
        return kSuccess;
    }
    int* const flags[] = {&observable, &mandatory, &hypothesis};
    const char* const flagKeys[] = {"OBSERVABLE", "MANDATORY", "HYPOTHESIS"};
    for (int i = 0; i < 3; ++i) {
        if (Handled(rc = ReadBoolField(flagKeys[i], *flags[i]))) return rc;
    }
    if (Handled(rc = ReadIntField("RECOMMENDABLE", recommendable))) return rc;
    int value = 0;
    if (Handled(rc = ReadIntField("MANDATORYVALUE", value))) {
        return rc != kSuccess ? rc : ReportError(extra.SetDefaultOutcome(value), nullptr);
    }
    if (Handled(rc = ReadFieldStart("QUESTION", kString))) {
        return rc != kSuccess ? rc : ReportError(extra.SetQuestion(token.text), nullptr);
    }
    if (Handled(rc = ReadFieldStart("DEFINITION", kString))) {
        return rc != kSuccess ? rc : ReportError(info.header.SetComment(token.text), nullptr);
    }
    for (const char* key : {"SHORTNAME", "LONGNAME"}) {
        if (!Handled(rc = ReadFieldStart(key, kString))) continue;
        if (rc != kSuccess) return rc;
        const std::string property = std::string("KI_") + key;
        return ReportError(info.userProperties.AddProperty(property.c_str(), token.text), nullptr);
    }
    return ReportUnknown("Unknown Node Statement");
}

// TYPE : discrete [ n ] = { state blocks }. The blocks are read first, so that n is checked against
// what the file holds before the node is given n outcomes.
int VRX_kiSpeaker::ReadStates(int handle) {
    ConsumeToken();
    if (const int rc = RequireToken(kPunctuator, ":")) return rc;
    if (const int rc = RequireToken(kIdentifier, "discrete")) return rc;
    if (const int rc = RequireToken(kPunctuator, "[")) return rc;
    int n = 0;
    if (const int rc = RequireToken(kInteger, nullptr)) return rc;
    if (const int rc = TokenWholeNumber(n)) return rc;
    if (const int rc = RequireToken(kPunctuator, "]")) return rc;
    if (const int rc = RequireToken(kPunctuator, "=")) return rc;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    std::vector<State> states;
    while (AtSectionEnd() == 0) {
        State state;
        const int64_t before = lexer->GetPosition();
        if (ReadStateBlock(state, network->GetNode(handle)->GetId()) == kSuccess) {
            states.push_back(std::move(state));
        } else if (SkipBlock() == kSuccess) {
            AcceptToken(kPunctuator, ";");
        }
        if (lexer->GetPosition() == before && AtSectionEnd() == 0) {
            ReportDropped_(0, nullptr);
            ConsumeToken();
        }
    }
    if (ReadSectionEnd() != kSuccess) return kSyntaxError;
    const std::string nodeId = network->GetNode(handle)->GetId();
    if (n < 1 || static_cast<size_t>(n) != states.size())
        return ReportMessage(kOutOfRange,
                             "ERROR: Node [" + nodeId + "] : Wrong number of outcomes: " + std::to_string(n) +
                                 " declared, " + std::to_string(states.size()) + " state blocks given");
    // A state named twice would make the outcomes fail as if they were too many.
    std::unordered_set<std::string> named;
    for (const State& state : states) {
        if (!named.insert(state.id).second)
            return ReportMessage(kOutOfRange,
                                 "ERROR: Node [" + nodeId + "] has more than one state [" + state.id + "]");
    }
    const int applied = ApplyStates(handle, states);
    if (applied == kSuccess) NoteNodeOutcomes(handle, n);
    return applied;
}

int VRX_kiSpeaker::ReadStateBlock(State& state, const std::string& nodeId) {
    if (PeekToken() != kSuccess) return kNoMoreTokens;
    const bool fault = token.kind == kIdentifier && TokenIs("fault");
    const bool known = fault || (token.kind == kIdentifier && TokenIs("standard"));
    const std::string word = TokenText_();
    ConsumeToken();
    if (fault) state.mark = 1;
    if (!known) {
        // A word the file's end cut short ("stand") is the cut, named once as the end of the input.
        if (WordCutByEnd()) return RequireToken(kIdentifier, nullptr);
        // Read as an ordinary state, so that the states after it keep their places (its identifier
        // follows on its line).
        message.assign("ERROR: '").append(word).append("' : Unknown State Type");
        (void)ReportSkippedStatement(kSyntaxError, word, message);
    }
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    state.id.assign(TokenText_());
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    (void)ReadOnceBlock("Node [" + nodeId + "]", " in state [" + state.id + "]", [this, &state, &nodeId]() {
        std::string* const texts[] = {&state.name, &state.label, &state.fix, &state.faultName};
        bool* const present[] = {&state.hasName, &state.hasLabel, &state.hasFix, &state.hasFaultName};
        const char* const keys[] = {"NAME", "ABBREVIATION", "DEFINITION", "SHORTNAME"};
        int rc = kNotThisKeyword;
        for (int i = 0; i < 4; ++i) {
            if (!Handled(rc = ReadFieldStart(keys[i], kString))) continue;
            if (rc == kSuccess) {
                texts[i]->assign(TokenText_());
                *present[i] = true;
            }
            return rc;
        }
        for (const char* key : {"APPNAME", "LONGNAME", "CATEGORY"}) {
            if (Handled(rc = ReadFieldStart(key, kString))) return rc;
        }
        if (Handled(rc = ReadFieldStart("GROUP", kIdentifier))) return rc;
        // It may have named the state: the node is named.
        return ReportUnknownStatement(("Unknown State Field of node [" + nodeId + "]").c_str());
    });
    AcceptToken(kPunctuator, ";");
    return kSuccess;
}

int VRX_kiSpeaker::ApplyStates(int handle, const std::vector<State>& states) {
    VRX_node* node = network->GetNode(handle);
    VRX_nodeDefinition* definition = node->GetDefinition();
    VRX_extraDefinition& extra = *node->GetExtraDefinition();
    VRX_idArray ids;
    for (const State& state : states) {
        if (ids.Add(state.id.c_str()) != kSuccess) {
            return ReportMessage(kOutOfRange, "ERROR: '" + state.id + "' : Invalid state name");
        }
    }
    if (const int rc = definition->SetOutcomes(ids)) return ReportError(rc, "Wrong number of outcomes");
    for (int i = 0; i < static_cast<int>(states.size()); ++i) {
        const State& state = states[i];
        if (const int rc = extra.SetFaultOutcome(i, state.mark)) return ReportError(rc, nullptr);
        if (state.hasName && definition->RenameOutcome(i, state.name.c_str()) != kSuccess) {
            ReportMessage(kOutOfRange, "ERROR: '" + state.name + "' : Invalid state name");
        }
        if (state.hasLabel) {
            // Labels name faults across the whole network.
            bool taken = false;
            for (int h = network->GetFirstNode(); h >= 0 && !state.label.empty() && !taken;
                 h = network->GetNextNode(h)) {
                const VRX_extraDefinition* other = network->GetNode(h)->GetExtraDefinition();
                taken = other != nullptr && other->GetOutcomeLabels()->FindPosition(state.label.c_str()) >= 0;
            }
            if (taken || extra.SetOutcomeLabel(i, state.label.c_str()) != kSuccess) {
                ReportMessage(kOutOfRange, "ERROR: '" + state.label + "' : Fault label is not unique.");
            }
        }
        if (state.hasFix) ReportError(extra.SetOutcomeFix(i, state.fix.c_str()), nullptr);
        if (state.hasFaultName)
            ReportError(extra.GetFaultNames()->SetString(i, state.faultName.c_str()), nullptr);
    }
    return kSuccess;
}

void VRX_kiSpeaker::DeriveDiagnosis(int handle) {
    VRX_node* node = network->GetNode(handle);
    if (node == nullptr) return;
    VRX_extraDefinition& extra = *node->GetExtraDefinition();
    if (observable != 1 && mandatory != 1) {
        bool fault = false;
        for (int i = 0; i < extra.GetFaultOutcomes().GetCount(); ++i)
            fault = fault || extra.IsFaultOutcome(i) == 1;
        extra.diagType = fault ? DiagnosisType::kTarget : DiagnosisType::kAuxiliary;
    } else {
        extra.diagType = DiagnosisType::kObservation;
    }
    extra.ranked = recommendable == 1 && mandatory != 1 ? 1 : 0;
    extra.mandatory = 0;
    extra.setAsDefault = mandatory == 1 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------------
// Arcs and parameters

int VRX_kiSpeaker::ReadArcBlockOrSkip() {
    if (ReadArcBlock() != kSuccess && SkipBlock() == kSuccess) AcceptToken(kPunctuator, ";");
    return kSuccess;
}

int VRX_kiSpeaker::ReadArcBlock() {
    if (PeekToken() != kSuccess) return kNoMoreTokens;
    if (!(token.kind == kIdentifier && (TokenIs("standard") || TokenIs("ci")))) {
        ReportUnknownStatement("Unknown Node Block");
        return kNotThisKeyword;
    }
    ConsumeToken();
    std::string name;
    if (const int rc = ReadNodeName(name)) return rc;
    const int handle = FindNodeByName(name);
    if (handle < 0) return ReportMessage(handle, "ERROR: Couldn't Find Node (\"" + name + "\")");
    const int rc = ReadPartOnce(arcBlocks_, handle, network->GetNode(handle)->GetId(), "definition block",
                                [this, handle, &name]() { return ReadArcBlockBody(handle, name); });
    if (rc == kSuccess) AcceptToken(kPunctuator, ";");
    return rc;
}

int VRX_kiSpeaker::ReadArcBlockBody(int handle, const std::string& name) {
    if (const int rc = RequireToken(kIdentifier, "parent")) return rc;
    if (const int rc = RequireToken(kPunctuator, "(")) return rc;
    std::vector<std::string> parentNames;
    if (ExpectToken(kPunctuator, ")") != kSuccess) {
        do {
            parentNames.emplace_back();
            if (const int rc = ReadNodeName(parentNames.back())) return rc;
        } while (ExpectToken(kPunctuator, ",") == kSuccess);
        if (const int rc = RequireToken(kPunctuator, ")")) return rc;
    }
    std::vector<int> parents;
    for (const std::string& parentName : parentNames) parents.push_back(FindNodeByName(parentName));
    // A table past the limit is refused before any of it is built.
    const int64_t cells = DefinitionSupport::TableCellsWithParents(*network, handle, parents.data(),
                                                                   static_cast<int>(parents.size()));
    if (cells > kMaxTableCells) {
        return ReportMessage(kOutOfMemory, DefinitionSupport::TableRefusalText(network, handle, cells));
    }
    // The arcs wait for the node's probabilities, so that rows that cannot fill its table are refused
    // before the arcs build it.
    WaitForTable(parentArcs_, handle, std::move(parents), std::move(parentNames),
                 [this, name](const std::string& id, int added) {
                     ReportMessage(added, "ERROR: Couldn't add arc from node [" + id + "] to node [" + name +
                                              "]" + ArcRefusalCause(id, network->FindNode(name.c_str())));
                 });
    if (const int rc = RequireToken(kPunctuator, "{")) {
        (void)AddPendingArcs(parentArcs_);
        return rc;
    }
    BeginNodeContent(handle);
    NodeStatements seen;
    const std::string id(network->GetNode(handle)->GetId());
    ReadBlock([this, handle, &seen, &id]() {
        return ReadStatementOnce(seen, id, [this, handle]() { return ReadArcDefinitionStatement(handle); });
    });
    (void)AddPendingArcs(parentArcs_);
    EndNodeContent();
    return kSuccess;
}

int VRX_kiSpeaker::ReadArcDefinitionStatement(int handle) {
    if (IsKeywordNext(kDefinitionStatements) != 1 || token.kind != kIdentifier) {
        return ReportUnknownStatement("Unknown Node Definition Statement");
    }
    VRX_node* node = network->GetNode(handle);
    const int type = node != nullptr ? node->GetType() : 0;
    if (!TokenIs("PROB") || type != DefinitionType::kCpt) (void)AddPendingArcs(parentArcs_);
    if (TokenIs("PARTITIONS")) {
        ConsumeToken();
        return SkipStatement();
    }
    if (TokenIs("PROB") && type == DefinitionType::kCpt) return ReadProbabilityRows(handle);
    if (TokenIs("FUNCTION") && type == DefinitionType::kNoisyMax) {
        ConsumeToken();
        const int rc = ReadNoisyFunction(static_cast<VRX_noisyMAX&>(*node->GetDefinition()));
        if (rc == kSuccess) NoteNodeTable(handle);
        return rc;
    }
    return ReportUnknown("Unknown Node Definition Field");
}

// Numbers separated by "," and ended by ";" (the ';' consumed).
int VRX_kiSpeaker::ReadRow(VRX_doubleArray& row) {
    do {
        double value = 0.0;
        if (const int rc = ReadNumber(value))
            return rc == kSyntaxError ? RequireToken(TokenKind::kReal, nullptr) : rc;
        if (row.Add(value) != kSuccess) return kOutOfMemory;
    } while (ExpectToken(kPunctuator, ",") == kSuccess);
    return RequireToken(kPunctuator, ";");
}

// PROB : { row; row; ... } with one row of the node's outcomes per parent configuration.
int VRX_kiSpeaker::ReadProbabilityRows(int handle) {
    ConsumeToken();
    if (const int rc = RequireToken(kPunctuator, ":")) return rc;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    const int n = definition->GetNumberOfOutcomes();
    VRX_doubleArray all;
    bool rowsFit = true;
    const std::string id = vovido::NodeIdOr(*network, handle, "");
    const vovido::TableNumbersOf owner(*this, id);
    while (AtSectionEnd() == 0) {
        VRX_doubleArray row;
        if (const int rc = ReadRow(row)) return rc;
        if (row.GetCount() != n) rowsFit = false;
        for (int i = 0; i < row.GetCount(); ++i) {
            if (all.Add(row[i]) != kSuccess) return kOutOfMemory;
        }
    }
    if (const int rc = ReadSectionEnd()) return rc;
    ReadTinyNegativesAsZero(id, all.GetItems(), all.GetCount());
    const std::string refusal = vovido::TableEntryRefusal(id, "table", all.GetItems(), all.GetCount(), true);
    if (!refusal.empty()) return ReportMessage(kOutOfRange, "ERROR: " + refusal);
    if (const int refused = AddArcsBeforeTable(parentArcs_, all.GetCount())) return refused;
    VRX_Dmatrix* table = nullptr;
    const bool sizeFits = definition->GetDefinition(table) == kSuccess && table != nullptr &&
                          table->GetNumberOfElements() == all.GetCount();
    if (!sizeFits && table != nullptr)
        return ReportMessage(kOutOfRange,
                             vovido::TableCountMessage(vovido::NodeIdOr(*network, handle, ""), all.GetCount(),
                                                       table->GetNumberOfElements()));
    if (!rowsFit || !sizeFits) return ReportError(kOutOfRange, "ERROR: Wrong number of Probabilities");
    VRX_doubleArray values;
    if (values.SetSize(all.GetCount()) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < all.GetCount(); ++i) values.AddReserved(all[i]);
    if (const int rc = definition->SetDefinitionDoubles(values)) return ReportError(rc, nullptr);
    NoteNodeTable(handle);
    return kSuccess;
}

int VRX_kiSpeaker::ReadAbsentStates(std::vector<int>& absent, FunctionFault& fault) {
    if (const int rc = RequireToken(kIdentifier, "predAbsentStates")) return rc;
    if (const int rc = RequireToken(kPunctuator, ":")) return rc;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    while (AtSectionEnd() == 0) {
        int index = 0;
        if (const int rc = ReadIntField("predIndex", index)) {
            return rc == kNotThisKeyword ? RequireToken(kIdentifier, "predIndex") : rc;
        }
        // The entries give the parents in file order: an index that says otherwise names another parent.
        if (index != static_cast<int>(absent.size())) {
            const std::string at = std::to_string(absent.size());
            fault.Note("ERROR: 'predIndex : " + std::to_string(index) + "' : predAbsentStates entry " + at +
                           " gives the absent state of parent " + at + ", not of parent " +
                           std::to_string(index),
                       lexer->GetLineNumber());
        }
        if (const int rc = RequireToken(kPunctuator, ";")) return rc;
        if (const int rc = RequireToken(kIdentifier, "predAbsentStates")) return rc;
        if (const int rc = RequireToken(kPunctuator, ":")) return rc;
        if (const int rc = RequireToken(kPunctuator, "{")) return rc;
        bool first = true;
        do {
            if (const int rc = RequireToken(kInteger, nullptr)) return rc;
            int state = 0;
            if (const int rc = TokenWholeNumber(state)) return rc;
            if (first) absent.push_back(state);
            first = false;
        } while (ExpectToken(kPunctuator, ",") == kSuccess);
        if (const int rc = RequireToken(kPunctuator, "}")) return rc;
        if (const int rc = RequireToken(kPunctuator, ";")) return rc;
    }
    return ReadSectionEnd();
}

// ( j ... ): integers, with or without commas between them.
int VRX_kiSpeaker::ReadTag(VRX_intArray& tag) {
    if (const int rc = RequireToken(kPunctuator, "(")) return rc;
    while (ExpectToken(kPunctuator, ")") != kSuccess) {
        if (const int rc = RequireToken(kInteger, nullptr)) return rc;
        int value = 0;
        if (const int rc = TokenWholeNumber(value)) return rc;
        if (tag.Add(value) != kSuccess) return kOutOfMemory;
        AcceptToken(kPunctuator, ",");
    }
    return kSuccess;
}

// FUNCTION of a noisy-MAX node: the leak row, one row per parent outcome tagged with the parent's index,
// and each parent's absent state. Every count and index is checked before the definition changes.
int VRX_kiSpeaker::ReadNoisyFunction(VRX_noisyMAX& noisyMax) {
    if (const int rc = SkipStatement()) return rc;
    if (const int rc = RequireToken(kPunctuator, ";")) return rc;
    NoisyRows rows;
    FunctionFault fault;
    if (const int rc = ReadNoisyRows(noisyMax, rows, fault)) return rc;
    if (const int rc = SkipStatement()) return rc;
    if (const int rc = RequireToken(kPunctuator, ";")) return rc;
    std::vector<int> absent;
    if (const int rc = ReadAbsentStates(absent, fault)) return rc;
    if (!fault.text.empty()) return ReportErrorAt(fault.line, kOutOfRange, fault.text);
    const int parents = noisyMax.GetNumberOfParents();
    const VRX_noisyMAX::StrengthSequence& strengths = noisyMax.GetParentOutcomeStrengths();
    bool fits = rows.fit;
    for (int j = 0; fits && j < parents; ++j) fits = rows.counts[j] == strengths[j].GetCount();
    if (!fits) return ReportError(kOutOfRange, "ERROR: Wrong number of Probabilities");
    if (static_cast<int>(absent.size()) != parents)
        return ReportError(kOutOfRange, "ERROR: Wrong number of absent states");
    for (int j = 0; j < parents; ++j) {
        if (absent[j] < 0 || absent[j] >= strengths[j].GetCount()) {
            return ReportMessage(kOutOfRange, "ERROR: Absent state " + std::to_string(absent[j]) +
                                                  " out of range for parent " + std::to_string(j));
        }
    }
    return SetNoisyFunction(noisyMax, rows, absent);
}

// The leak row, then the rows tagged with their parent's index, until the statement's rows end. A fault of
// a tag is noted, its row passed over.
int VRX_kiSpeaker::ReadNoisyRows(VRX_noisyMAX& noisyMax, NoisyRows& rows, FunctionFault& fault) {
    if (const int rc = ReadRow(rows.leak)) return rc;
    const int parents = noisyMax.GetNumberOfParents();
    rows.byParent.assign(static_cast<size_t>(parents), VRX_doubleArray());
    rows.counts.assign(static_cast<size_t>(parents), 0);
    const int n = noisyMax.GetNumberOfOutcomes();
    rows.fit = rows.leak.GetCount() == n;
    while (IsOpenParenNext() == 1) {
        VRX_intArray tag;
        if (const int rc = ReadTag(tag)) return rc;
        if (const int rc = RequireToken(kPunctuator, ";")) return rc;
        VRX_doubleArray row;
        if (const int rc = ReadRow(row)) return rc;
        const int j = tag.GetCount() > 0 ? tag[0] : -1;
        if (j < 0 || j >= parents) {
            fault.Note("ERROR: Parent index " + std::to_string(j) + " out of range", lexer->GetLineNumber());
            continue;
        }
        // A parent's rows follow its states in file order; a second number names the row's state.
        if (tag.GetCount() > 2 || (tag.GetCount() == 2 && tag[1] != rows.counts[j])) {
            std::string written;
            for (int i = 0; i < tag.GetCount(); ++i) written += (i > 0 ? " " : "") + std::to_string(tag[i]);
            const std::string row = std::to_string(rows.counts[j]);
            fault.Note("ERROR: '(" + written + ")' : the rows of parent " + std::to_string(j) +
                           " follow its states: row " + row + " is that of state " + row + ", not " +
                           std::to_string(tag[tag.GetCount() - 1]),
                       lexer->GetLineNumber());
        }
        rows.fit = rows.fit && row.GetCount() == n;
        for (int i = 0; i < row.GetCount(); ++i) {
            if (rows.byParent[j].Add(row[i]) != kSuccess) return kOutOfMemory;
        }
        ++rows.counts[j];
    }
    return kSuccess;
}

// The checked rows as the node's parameters (the parents' rows, then the leak), each parent's absent
// state made its weakest, and the outcomes reversed into the engine's order.
int VRX_kiSpeaker::SetNoisyFunction(VRX_noisyMAX& noisyMax, const NoisyRows& rows,
                                    const std::vector<int>& absent) {
    const int parents = noisyMax.GetNumberOfParents();
    VRX_doubleArray values;
    for (int j = 0; j < parents; ++j) {
        for (int i = 0; i < rows.byParent[j].GetCount(); ++i) {
            if (values.Add(rows.byParent[j][i]) != kSuccess) return kOutOfMemory;
        }
    }
    for (int i = 0; i < rows.leak.GetCount(); ++i) {
        if (values.Add(rows.leak[i]) != kSuccess) return kOutOfMemory;
    }
    const std::string refusal =
        vovido::TableEntryRefusal(vovido::NodeIdOr(*network, noisyMax.GetHandle(), ""), "parameters",
                                  values.GetItems(), values.GetCount(), true);
    if (!refusal.empty()) return ReportMessage(kOutOfRange, "ERROR: " + refusal);
    VRX_doubleArray exact;
    if (exact.SetSize(values.GetCount()) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < values.GetCount(); ++i) exact.AddReserved(values[i]);
    if (const int rc = noisyMax.SetDefinitionDoubles(exact))
        return ReportError(rc, "ERROR: Wrong number of Probabilities");
    const VRX_noisyMAX::StrengthSequence& strengths = noisyMax.GetParentOutcomeStrengths();
    for (int j = 0; j < parents; ++j) {
        VRX_intArray order(strengths[j]);
        const int k = order.GetCount();
        order[absent[j]] = k - 1;
        order[k - 1] = absent[j];
        if (const int rc = noisyMax.ChangeOrderOfStrengths(j, order)) return ReportError(rc, nullptr);
    }
    const int n = noisyMax.GetNumberOfOutcomes();
    VRX_intArray reversed;
    if (reversed.FlushAndReserve(n) != kSuccess) return kOutOfMemory;
    for (int i = n - 1; i >= 0; --i) reversed.AddReserved(i);
    return ReportError(noisyMax.ChangeOrderOfOutcomes(reversed), nullptr);
}

// The probabilities keep five decimals, those of the tables computed from noisy-MAX parameters too:
// those tables are counted with the file's others before any is built, and one that cannot be built fails
// the read, naming its node. Names lose their surrounding blanks.
int VRX_kiSpeaker::FinishNodes() {
    // A read stopped at the limit of its tables has nothing more to build.
    if (network->readTablesRefused) return kOutOfMemory;
    int64_t added = 0;
    for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
        if (network->GetNodeType(h) != DefinitionType::kNoisyMax) continue;
        const int64_t cells = DefinitionSupport::TableCellsWithParents(*network, h, nullptr, 0);
        added += cells;
        if (network->CheckReadTables(h, cells, added, " computed from its parameters") != kSuccess)
            return kOutOfMemory;
    }
    network->readTableCells += added;
    // A read counting its tables builds none: it is read again where they fit.
    if (network->readCountingOnly) return kSuccess;
    for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
        VRX_node* node = network->GetNode(h);
        VRX_Dmatrix* table = nullptr;
        if (node->GetDefinition() != nullptr) {
            // A failure is logged by the definition, naming the node and its table's size.
            if (const int rc = node->GetDefinition()->GetDefinition(table)) return rc;
            for (int i = 0; table != nullptr && i < table->GetNumberOfElements(); ++i)
                (*table)[i] = RoundToDecimals((*table)[i], kKeptDecimals);
        }
        VRX_header& header = node->GetInfo()->header;
        if (header.GetName() == nullptr) continue;
        const std::string trimmed = Trimmed(header.GetName());
        // A shorter text: only memory can fail it, and then the name stays as it was read.
        if (!trimmed.empty()) (void)header.SetName(trimmed.c_str());
    }
    return kSuccess;
}
