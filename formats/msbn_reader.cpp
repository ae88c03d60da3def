// Reader of MSBN files: the network head, then node blocks and potentials in any order, each object
// read by the recovering statement loop of the text-format base. Every index of a table entry is checked
// against the table's shape before a number is stored.
#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "formats/exchange_format_support.h"
#include "formats/msbn_speaker.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

namespace {

using TokenKind::kIdentifier;
using TokenKind::kInteger;
using TokenKind::kPunctuator;
using TokenKind::kString;

const char* const kHeadWords[] = {"diagnostic", "belief", "trouble", nullptr};
const char* const kPotentials[] = {"probability", "utility", "information", nullptr};
const int kPotentialTypes[] = {DefinitionType::kCpt, DefinitionType::kTable, DefinitionType::kList};

}  // namespace

VRX_microsoftSpeaker::VRX_microsoftSpeaker(VRX_network* net) : VRX_textFormat(net) {}

VRX_microsoftSpeaker::~VRX_microsoftSpeaker() = default;

int VRX_microsoftSpeaker::ReadFile(const char* path) {
    return ReadOpened(StartReading(path, LexerMode::kMsbn));
}

int VRX_microsoftSpeaker::ReadText(std::string_view text) {
    return ReadOpened(StartReadingText(text, LexerMode::kMsbn));
}

int VRX_microsoftSpeaker::ReadFieldStart(const char* key, int kind) {
    if (key == nullptr) return kOutOfRange;
    if (PeekToken() != kSuccess || token.kind != kIdentifier || !TokenIs(key)) return kNotThisKeyword;
    ConsumeToken();
    if (const int rc = RequireToken(kPunctuator, ":")) return rc;
    return RequireToken(kind, nullptr);
}

int VRX_microsoftSpeaker::ReadIntList(VRX_intArray& list) {
    if (const int rc = RequireToken(kPunctuator, "(")) return rc;
    while (IsIntegerNext() == 1) {
        int value = 0;
        if (const int rc = ReadInt(value)) return rc;
        if (const int rc = list.Add(value)) return ReportError(rc, nullptr);
    }
    return RequireToken(kPunctuator, ")");
}

int VRX_microsoftSpeaker::ReadOpened(int openResult) {
    if (openResult != kSuccess) {
        FinishReading();
        return openResult;
    }
    if (network == nullptr) return kObjectNotValid;
    lexer->AddSeparators(",|");
    potentialNodes_.clear();
    potentialParts_.clear();
    vovido::StartNetworkRecords(*network);
    // Without its head the text is no network of this format.
    if (IsKeywordNext(kHeadWords) != 1 || token.kind != kIdentifier) {
        if (PeekToken() == kSuccess) {
            FormatUnexpectedToken(kIdentifier, "belief network");
        } else {
            FormatUnexpectedEnd(kIdentifier, "belief network");
        }
        const int rc = ReportError(kSyntaxError, message.c_str());
        FinishReading();
        return rc;
    }
    const int headerLine = lexer ? lexer->GetLineNumber() : 0;
    int rc = ReadHeader(header_);
    if (rc != kSuccess) {
        FinishReading();
        return rc;
    }
    const std::string name(token.text, static_cast<size_t>(token.length));
    if (!name.empty()) (void)network->GetHeader()->SetName(name.c_str());  // a copy: only memory fails
    while (PeekToken() == kSuccess) {
        const int64_t before = lexer->GetPosition();
        const int reportsBefore = reports_;
        if (ReadObject() != kSuccess) {
            if (reports_ == reportsBefore) ReportDropped_(0, nullptr);
            (void)SkipBlock();
        }
        if (lexer->GetPosition() == before && PeekToken() == kSuccess) {
            ReportDropped_(0, nullptr);
            ConsumeToken();
        }
    }
    vovido::ApplyNetworkIdentifier(*network, name, LinePrefix(headerLine), GetReadFailure() == kSuccess);
    WarnRenamedNodeIds();
    (void)CheckNodeContent(kWarnMissing | kEveryNode);
    WarnIfNoNode();
    FinishReading();
    return GetReadFailure();
}

int VRX_microsoftSpeaker::ReadHeader(std::string& header) {
    header.assign(TokenText_());
    ConsumeToken();
    int rc = RequireToken(kIdentifier, "network");
    if (rc == kSuccess) rc = RequireToken(kString, nullptr);
    if (rc == kSuccess) header.append(1, '\0').append(token.text, static_cast<size_t>(token.length));
    return rc;
}

int VRX_microsoftSpeaker::ReadObject() {
    if (PeekToken() != kSuccess) return kNoMoreTokens;
    if (token.kind == kIdentifier && TokenInTable(kHeadWords)) {
        // A header given again: the same is read once, another would name another network.
        const int line = lexer->GetLineNumber();
        std::string again;
        if (const int rc = ReadHeader(again)) return rc;
        const std::string name = header_.substr(header_.find('\0') + 1);
        ReportRepeat_("Network [" + name + "]", "header", again == header_, line);
        return kSuccess;
    }
    if (token.kind == kIdentifier && TokenIs("node")) return ReadNode();
    if (token.kind == kIdentifier && TokenInTable(kPotentials)) return ReadPotential();
    if (token.kind == kIdentifier && TokenIs("properties")) {
        SkipProperties();
        (void)AcceptToken(kPunctuator, ";");
        return kSuccess;
    }
    return ReportMessage(kSyntaxError,
                         std::string("ERROR: '") + TokenText_() + "' : Unknown Object" + kMayHaveHeldANode);
}

int VRX_microsoftSpeaker::ReadNode() {
    ConsumeToken();
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    const std::string id(TokenText_());
    const int handle = AddFileNode(DefinitionType::kCpt, id, id);
    if (handle < 0) return handle;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    BeginNodeContent(-1);
    NoteNodeMade(handle);
    NodeStatements seen;
    ReadBlock([this, handle, &seen]() { return ReadNodeField(handle, seen); });
    EndNodeContent();
    VRX_node* node = network->GetNode(handle);
    node->CheckValidity(1);
    if (!node->IsValid()) {
        (void)network->DeleteNode(handle);  // a live handle
        NoteReport_(kObjectNotValid, true);
        message = "ERROR: Node not ready (valid). Node (\"" + id + "\") deleted";
        (void)LogError(errorLog, kObjectNotValid, message.c_str(), nullptr);
    }
    return kSuccess;
}

// Display and tool settings the engine has no place for: passed over whole, with a warning.
void VRX_microsoftSpeaker::SkipProperties() {
    (void)ReportWarning(kSyntaxError, "ERROR: 'properties' : Unknown Object, ignored");
    ConsumeToken();
    if (PeekToken() == kSuccess && token.kind == kPunctuator && TokenIs("{")) (void)SkipBlock();
}

int VRX_microsoftSpeaker::ReadNodeField(int handle, NodeStatements& seen) {
    if (PeekToken() != kSuccess) return kNoMoreTokens;
    // A properties block ends without ';': the field after it is read on.
    while (token.kind == kIdentifier && TokenIs("properties")) {
        SkipProperties();
        if (PeekToken() != kSuccess) return kNoMoreTokens;
        if (token.kind == kPunctuator && (TokenIs(";") || TokenIs("}"))) return kSuccess;
    }
    return ReadStatementOnce(seen, vovido::NodeIdOr(*network, handle, ""),
                             [this, handle]() { return ReadNodeEntry(handle); });
}

int VRX_microsoftSpeaker::ReadNodeEntry(int handle) {
    VRX_node* node = network->GetNode(handle);
    if (token.kind == kIdentifier && TokenIs("label")) {
        // A display label: a word or a text, not kept.
        ConsumeToken();
        if (const int rc = RequireToken(kPunctuator, ":")) return rc;
        if (ExpectToken(kString, nullptr) == kSuccess) return kSuccess;
        return RequireToken(kIdentifier, nullptr);
    }
    int rc = ReadFieldStart("name", kString);
    if (rc != kNotThisKeyword) {
        if (rc != kSuccess) return rc;
        if (const int set = node->GetInfo()->header.SetName(token.text)) {
            NoteReport_(set, true);
            return LogError(errorLog, set, nullptr, nullptr);
        }
        return kSuccess;
    }
    if (token.kind == kIdentifier && TokenIs("position")) {
        ConsumeToken();
        if (const int failed = RequireToken(kPunctuator, ":")) return failed;
        VRX_intArray coordinates;
        if (const int failed = ReadIntList(coordinates)) return failed;
        if (coordinates.GetCount() < 2) return ReportError(kOutOfRange, "ERROR: Wrong position coordinates");
        node->GetInfo()->screenInfo.position.centerX = coordinates[0];
        node->GetInfo()->screenInfo.position.centerY = coordinates[1];
        return kSuccess;
    }
    if (token.kind == kIdentifier && TokenIs("type")) return ReadStates(handle);
    message.assign("ERROR: '").append(TokenText_()).append("' : Unknown Node Statement");
    (void)ReportWarning(kSyntaxError, message.c_str());
    return kSyntaxError;
}

// type : discrete [n] = { "state", ... }
int VRX_microsoftSpeaker::ReadStates(int handle) {
    ConsumeToken();
    if (const int rc = RequireToken(kPunctuator, ":")) return rc;
    if (const int rc = RequireToken(kIdentifier, "discrete")) return rc;
    if (const int rc = RequireToken(kPunctuator, "[")) return rc;
    const int next = IsIntegerNext();
    if (next == kNoMoreTokens) return RequireToken(kInteger, nullptr);  // the file's end, named once
    if (next != 1) {
        return ReportMessage(kSyntaxError,
                             std::string("ERROR: '") + TokenText_() + "' : Expecting number of states");
    }
    int declared = 0;
    if (const int rc = ReadInt(declared)) return rc;
    for (const char* mark : {"]", "=", "{"}) {
        if (const int rc = RequireToken(kPunctuator, mark)) return rc;
    }
    std::vector<std::string> names;
    while (IsStringNext() == 1) {
        names.emplace_back(token.text, static_cast<size_t>(token.length));
        ConsumeToken();
    }
    if (const int rc = RequireToken(kPunctuator, "}")) return rc;
    if (declared != static_cast<int>(names.size())) {
        message = "ERROR: '" + std::to_string(declared) +
                  "' : Size of list doesn't match number of outcomes of node [" +
                  std::string(vovido::NodeIdOr(*network, handle, "")) + "]. Using list size";
        (void)ReportWarning(kOutOfRange, message.c_str());
    }
    // State names are texts: they become outcome identifiers as in every other format.
    VRX_idArray ids;
    if (vovido::OutcomeIds(names, vovido::NodeIdOr(*network, handle, ""), ids,
                           vovido::SpeakerWarning(*this)) != kSuccess ||
        network->GetNode(handle)->GetDefinition()->SetOutcomes(ids) != kSuccess) {
        NoteReport_(kOutOfRange, true);
        message = "ERROR: '" + std::to_string(declared) + "' : Couldn't set the number of outcomes";
        return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
    }
    NoteNodeOutcomes(handle, ids.GetCount());
    return kSuccess;
}

int VRX_microsoftSpeaker::ReadPotential() {
    const int type = kPotentialTypes[KeywordIndex(kPotentials)];
    ConsumeToken();
    if (const int rc = RequireToken(kPunctuator, "(")) return rc;
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    child_.assign(TokenText_());
    const int handle = network->FindNode(child_.c_str());
    if (handle < 0) return ReportMessage(handle, "ERROR: Node (\"" + child_ + "\") not found");
    // A second potential would lay its table (and its parents) over the first: the same again is read
    // once, as in the other readers; a decision's, which ends without a block, is compared by its kind.
    const bool table = type != DefinitionType::kList;
    if (!potentialNodes_.insert(handle).second) {
        const bool sameKind = network->GetNodeType(handle) == type;
        if (!table || !sameKind || !potentialParts_.Contains(handle))
            return ReportMessage(kOutOfRange, RepeatedPartMessage(child_, "potential", false));
    }
    if (!table) return ReadPotentialBody(type, handle);
    const std::string child = child_;
    blockless_ = false;
    const int rc = ReadPartOnce(potentialParts_, handle, child, "potential",
                                [this, type, handle]() { return ReadPotentialBody(type, handle); });
    // A repeat is skipped to the end of its block: one without a block is compared with nothing.
    if (blockless_) potentialParts_.Erase(handle);
    (void)AcceptToken(kPunctuator, ";");
    return rc;
}

int VRX_microsoftSpeaker::ReadPotentialBody(int type, int handle) {
    if (network->GetNode(handle)->ChangeType(type) != kSuccess)
        return ReportError(kSyntaxError, "ERROR: Unknown Node Type");
    std::vector<std::string> parentIds;
    std::vector<int> parents;
    while (IsIdentifierNext() == 1) {
        parentIds.emplace_back(TokenText_());
        ConsumeToken();
        parents.push_back(network->FindNode(parentIds.back().c_str()));
    }
    // The arcs wait for the table, so that one the file cannot fill is refused before they build it.
    WaitForTable(arcs_, handle, parents, std::move(parentIds),
                 [this](const std::string& id, int rc) { (void)ReportParentArcRefused(rc, id); });
    // Without a table over the parents, or with one past the limit (which the arcs refuse without building
    // it), the arcs go in at once.
    const int64_t cells = PendingTableCells(arcs_);
    if (cells == 0) (void)AddPendingArcs(arcs_);
    if (const int rc = RequireToken(kPunctuator, ")")) {
        // A list the file's end cut may end in a cut name: the cut is the one cause, its arcs stay out.
        if (endReported_) {
            arcs_.waiting = false;
        } else {
            (void)AddPendingArcs(arcs_);
        }
        return rc;
    }
    // Only a decision's potential has no table; a table that the file ends before is lost.
    if (type == DefinitionType::kList) NoteNodeTable(handle);
    if (ExpectToken(kPunctuator, "{") != kSuccess) {
        (void)AddPendingArcs(arcs_);
        blockless_ = true;
        if (AcceptToken(kPunctuator, ";") || type == DefinitionType::kList) return kSuccess;
        return RequireToken(kPunctuator, "{");
    }
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    VRX_Dmatrix* matrix = nullptr;
    if (definition->GetDefinition(matrix) != kSuccess || matrix == nullptr) {
        (void)AddPendingArcs(arcs_);
        (void)ReportMessage(kSyntaxError, "ERROR: Node (\"" + child_ + "\") holds no table");
        (void)SkipBlock();  // a lexer failure there is logged
        return kSuccess;
    }
    const int parentCount = ShapeTable(handle, parents, *matrix, cells);
    entries_.clear();
    given_.assign(cells_, false);
    positionOf_.clear();
    repeatWarnings_ = 0;
    const int reportsBefore = reports_;
    BeginNodeContent(handle);
    ReadBlock([this, parentCount]() { return ReadEntry(parentCount); });
    EndNodeContent();
    if (type == DefinitionType::kList) (void)AcceptToken(kPunctuator, ";");
    positionOf_ = {};
    if (reports_ - repeatWarnings_ != reportsBefore) {
        // The table is lost, but the arcs stay while the read may still succeed.
        if (GetReadFailure() == kSuccess) (void)AddPendingArcs(arcs_);
        return kSuccess;
    }
    // A row left out would keep the default distribution: the table is refused instead.
    const auto missing = std::find(given_.begin(), given_.end(), false);
    if (missing != given_.end()) {
        (void)ReportMessage(kOutOfRange, "ERROR: Node (\"" + child_ + "\") : row " +
                                             RowText(static_cast<size_t>(missing - given_.begin())) +
                                             " of its table is not given");
        return kSuccess;
    }
    (void)AddPendingArcs(arcs_);
    StoreTable(handle, type, *definition);
    return kSuccess;
}

int VRX_microsoftSpeaker::ShapeTable(int handle, const std::vector<int>& parents, const VRX_Dmatrix& matrix,
                                     int64_t cells) {
    // The waiting arcs give a dimension per parent, each parent once.
    parentSizes_.clear();
    std::unordered_set<int> listed;
    for (const int parent : parents) {
        if (arcs_.waiting && parent >= 0 && listed.insert(parent).second)
            parentSizes_.push_back(vovido::DefinitionSupport::OutcomeCountOf(network, parent));
    }
    for (int i = 0;
         !arcs_.waiting && i < network->GetNumberOfParents(handle) && i < matrix.GetNumberOfDimensions(); ++i)
        parentSizes_.push_back(matrix.GetSizeOfDimension(i));
    cells_ = static_cast<size_t>(arcs_.waiting ? cells : matrix.GetNumberOfElements());
    size_t configurations = 1;
    for (const int size : parentSizes_) configurations *= static_cast<size_t>(size);
    ownSize_ = configurations > 0 ? static_cast<int>(cells_ / configurations) : 0;
    return static_cast<int>(parentSizes_.size());
}

void VRX_microsoftSpeaker::StoreTable(int handle, int type, VRX_nodeDefinition& definition) {
    // The block has been read whole: a failure from here on is reported, not skipped.
    VRX_doubleArray values;
    if (definition.GetSize() != static_cast<int>(cells_)) {
        (void)ReportMessage(kOutOfRange, "ERROR: Node (\"" + child_ + "\") : the table was refused");
        return;
    }
    if (values.SetSize(static_cast<int>(cells_)) != kSuccess) {
        (void)ReportError(kOutOfMemory, nullptr);
        return;
    }
    values.SetCount(static_cast<int>(cells_));
    for (const auto& entry : entries_) values[static_cast<int>(entry.first)] = entry.second;
    entries_ = {};
    if (type == DefinitionType::kTable && vovido::RefuseNonFiniteUtilities(*this, child_, values) != kSuccess)
        return;
    if (type == DefinitionType::kCpt) {
        ReadTinyNegativesAsZero(child_, values.GetItems(), values.GetCount());
        const std::string refusal = vovido::ProbabilityRefusal(child_, values);
        if (!refusal.empty()) {
            (void)ReportMessage(kOutOfRange, refusal);
            return;
        }
    }
    if (const int rc = definition.SetDefinitionDoubles(values)) {
        (void)ReportMessage(rc, "ERROR: Node (\"" + child_ + "\") : the table was refused");
        return;
    }
    NoteNodeTable(handle);
}

int VRX_microsoftSpeaker::ReadEntry(int parentCount) {
    size_t index = 0;
    if (IsOpenParenNext() == 1) {
        VRX_intArray coordinates;
        if (const int rc = ReadIntList(coordinates)) return rc;
        bool valid =
            coordinates.GetCount() == parentCount && static_cast<int>(parentSizes_.size()) == parentCount;
        for (int i = 0; valid && i < parentCount; ++i) {
            valid = coordinates[i] >= 0 && coordinates[i] < parentSizes_[static_cast<size_t>(i)];
            if (valid)
                index = index * static_cast<size_t>(parentSizes_[static_cast<size_t>(i)]) +
                        static_cast<size_t>(coordinates[i]);
        }
        if (!valid) {
            std::string given;
            for (int i = 0; i < coordinates.GetCount(); ++i)
                given += (i > 0 ? ", " : "") + std::to_string(coordinates[i]);
            std::string sizes;
            for (size_t i = 0; i < parentSizes_.size(); ++i)
                sizes += (i > 0 ? ", " : "") + std::to_string(parentSizes_[i]);
            return ReportMessage(kOutOfRange, "ERROR: Node (\"" + child_ + "\") : Invalid coordinates (" +
                                                  given + "): its parents' states number (" + sizes + ")");
        }
        index *= static_cast<size_t>(ownSize_);
        if (const int rc = RequireToken(kPunctuator, ":")) return rc;
    }
    const size_t first = index;
    bool repeated = false;
    const vovido::TableNumbersOf owner(*this, child_);
    while (IsNumberNext() == 1) {
        double value = 0.0;
        if (const int rc = ReadNumber(value)) return rc;
        if (index >= cells_)
            return ReportMessage(kOutOfRange,
                                 "ERROR: Node (\"" + child_ + "\") : more numbers than its table holds");
        if (given_[index]) {
            // A row given again the same is read once, as every reader reads a repeat.
            if (!SameAsGiven(index, value))
                return ReportMessage(kOutOfRange, "ERROR: Node (\"" + child_ + "\") : row " + RowText(index) +
                                                      " is given twice");
            repeated = true;
            ++index;
            continue;
        }
        given_[index] = true;
        if (!positionOf_.empty()) positionOf_[index] = entries_.size();
        entries_.emplace_back(index++, value);
    }
    if (repeated) {
        ++repeatWarnings_;
        (void)ReportWarning(
            kOutOfRange, RepeatedMessage("Node (\"" + child_ + "\")", "row " + RowText(first), true).c_str());
    }
    return kSuccess;
}

bool VRX_microsoftSpeaker::SameAsGiven(size_t cell, double value) {
    // Built at the first repeat only: a file without repeats costs nothing of its table's size here.
    if (positionOf_.empty()) {
        positionOf_.assign(cells_, 0);
        for (size_t i = 0; i < entries_.size(); ++i) positionOf_[entries_[i].first] = i;
    }
    return entries_[positionOf_[cell]].second == value;
}

// The parents' states of the row holding the cell, as the file writes them.
std::string VRX_microsoftSpeaker::RowText(size_t cell) const {
    size_t row = ownSize_ > 0 ? cell / static_cast<size_t>(ownSize_) : 0;
    std::vector<size_t> states(parentSizes_.size(), 0);
    for (size_t i = parentSizes_.size(); i-- > 0;) {
        const size_t size = static_cast<size_t>(std::max(parentSizes_[i], 1));
        states[i] = row % size;
        row /= size;
    }
    std::string text = "(";
    for (size_t i = 0; i < states.size(); ++i) text += (i > 0 ? ", " : "") + std::to_string(states[i]);
    return text + ")";
}
