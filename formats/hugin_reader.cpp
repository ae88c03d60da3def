// Reader of the Hugin network format: the net block with the tool's settings, the node statements, and
// the potentials that give each node its parents and table.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/cpt.h"
#include "formats/exchange_format_support.h"
#include "formats/hugin_format.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/submodel.h"

namespace {

using TokenKind::kIdentifier;
using TokenKind::kPunctuator;
using TokenKind::kString;

// Settings of the Hugin tool that the net block may hold; they have no counterpart in the network.
const char* const kToolSettings[] = {"HR_Monitor_InitSD",
                                     "HR_Monitor_InitStates",
                                     "HR_Monitor_OpenGraph",
                                     "HR_Monitor_GraphPrecision",
                                     "HR_Monitor_AutoUpdGraph",
                                     "HR_Compile_ApproxEpsilon",
                                     "HR_Compile_Approximate",
                                     "HR_Compile_Compress",
                                     "HR_Compile_TriangMethod",
                                     "HR_Propagate_AutoNormal",
                                     "HR_Propagate_AutoSum",
                                     "HR_Propagate_Auto",
                                     "HR_Font_Italic",
                                     "HR_Font_Weight",
                                     "HR_Font_Size",
                                     "HR_Font_Name",
                                     "HR_Grid_GridShow",
                                     "HR_Grid_GridSnap",
                                     "HR_Grid_Y",
                                     "HR_Grid_X",
                                     "HRUNTIME_Monitor_InitStates",
                                     "HRUNTIME_Monitor_OpenGraph",
                                     "HRUNTIME_Monitor_GraphPrecision",
                                     "HRUNTIME_Monitor_AutoUpdGraph",
                                     "HRUNTIME_Compile_ApproxEpsilon",
                                     "HRUNTIME_Compile_Approximate",
                                     "HRUNTIME_Compile_Compress",
                                     "HRUNTIME_Compile_TriangMethod",
                                     "HRUNTIME_Propagate_AutoNormal",
                                     "HRUNTIME_Propagate_AutoSum",
                                     "HRUNTIME_Propagate_Auto",
                                     "HRUNTIME_Font_Italic",
                                     "HRUNTIME_Font_Weight",
                                     "HRUNTIME_Font_Size",
                                     "HRUNTIME_Font_Name",
                                     "HRUNTIME_Grid_GridShow",
                                     "HRUNTIME_Grid_GridSnap",
                                     "HRUNTIME_Grid_Y",
                                     "HRUNTIME_Grid_X",
                                     nullptr};
const char* const kNodeWords[] = {"discrete", "continuous", "node", "decision", "utility", nullptr};

int Truncated(double value) {
    if (!(value == value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

VRX_huginSpeaker::VRX_huginSpeaker(VRX_network* net) : VRX_vrxSpeaker(net) {}

VRX_huginSpeaker::~VRX_huginSpeaker() = default;

int VRX_huginSpeaker::ReadFile(const char* path) {
    return ReadHuginOpened(StartReading(path, LexerMode::kHugin));
}

int VRX_huginSpeaker::ReadText(std::string_view text) {
    return ReadHuginOpened(StartReadingText(text, LexerMode::kHugin));
}

bool VRX_huginSpeaker::IsBlockWord() const {
    static const char* const kBlockWords[] = {"net",      "node",       "decision",  "utility",
                                              "discrete", "continuous", "potential", nullptr};
    return token.kind == kIdentifier && TokenInTable(kBlockWords);
}

int VRX_huginSpeaker::ReadIdList(VRX_stringArray& list) {
    return ReadStringList(list);
}

int VRX_huginSpeaker::ReadStringList(VRX_stringArray& list) {
    if (!list.IsValid()) return kObjectNotValid;
    if (const int rc = RequireToken(kPunctuator, "(")) return rc;
    while (IsStringNext() == 1) {
        if (list.Add(token.text) != kSuccess) return kOutOfMemory;
        ConsumeToken();
    }
    return RequireToken(kPunctuator, ")");
}

int VRX_huginSpeaker::ReadDoubleList(VRX_doubleArray& list) {
    if (const int rc = RequireToken(kPunctuator, "(")) return rc;
    while (IsNumberNext() == 1) {
        double value = 0.0;
        if (const int rc = ReadNumber(value)) return rc;
        if (list.Add(value) != kSuccess) return kOutOfMemory;
    }
    return RequireToken(kPunctuator, ")");
}

int VRX_huginSpeaker::ReadHuginOpened(int openResult) {
    if (openResult != kSuccess) return openResult;
    if (network == nullptr) return kObjectNotValid;
    truncated_ = false;
    potentials_.clear();
    // Without its head the input is no network of this format.
    if (IsWordNext("net") != 1 || token.kind != kIdentifier) {
        if (PeekToken() == kSuccess) {
            FormatUnexpectedToken(kIdentifier, "net");
        } else {
            FormatUnexpectedEnd(kIdentifier, "net");
        }
        return ReportError(kSyntaxError, message.c_str());
    }
    ConsumeToken();
    refusedNodes_.clear();
    netBlock_ = {};
    int opened = kSuccess;
    (void)Digested_(netBlock_, [this, &opened]() {
        if ((opened = RequireToken(kPunctuator, "{")) == kSuccess)
            ReadBlock([this]() { return ReadNetStatement(); });
        return opened;
    });
    if (opened != kSuccess) return opened;
    if (truncated_) {
        FinishReading();
        return kUnexpectedEndOfFile;
    }
    (void)ExpectToken(kPunctuator, ";");
    // Nodes and potentials, the potentials naming nodes already read.
    while (PeekToken() == kSuccess && token.kind == kIdentifier) {
        int rc;
        if (TokenInTable(kNodeWords)) {
            rc = ReadNodeStatement();
        } else if (TokenIs("potential")) {
            rc = ReadPotential();
        } else if (TokenIs("net")) {
            rc = ReadRepeatedNet();
        } else {
            break;
        }
        if (rc != kSuccess && SkipBlock() != kSuccess) break;
        (void)ExpectToken(kPunctuator, ";");
    }
    ReportStrayEnd();
    MirrorPositions();
    (void)CheckNodeContent(kWarnMissing | kEveryNode);
    WarnIfNoNode();
    return FinishRead();
}

int VRX_huginSpeaker::ReadRepeatedNet() {
    const int line = lexer->GetLineNumber();
    ConsumeToken();
    StatementDigest again;
    const int rc = Digested_(again, [this]() { return SkipBlock(); });
    if (rc != kSuccess) return kSuccess;  // the end of the file, reported
    ReportRepeat_("Network", "'net' block", again == netBlock_, line);
    return kSuccess;
}

void VRX_huginSpeaker::ReportStrayEnd() {
    if (PeekToken() != kSuccess) return;
    const std::string word = TokenText_();
    ConsumeToken();
    // The last word of a file that ends inside it ("pot" of "potential"): cut short.
    if (PeekToken() == kNoMoreTokens && lexer->EndsWithoutSeparator()) {
        (void)ReportError(
            kUnexpectedEndOfFile,
            ("ERROR: '" + word + "' : End of File inside a word, the file was cut short").c_str());
        return;
    }
    (void)StepBackToken();
    message.assign("ERROR: '").append(word).append("' : End of File expected");
    (void)ReportError(kSyntaxError, message.c_str());
    // What follows is not read: its tokens say nothing more.
    while (PeekToken() == kSuccess) ConsumeToken();
}

int VRX_huginSpeaker::ReadNetStatement() {
    if (PeekToken() != kSuccess) return kNoMoreTokens;
    if (token.kind == kIdentifier && TokenIs("node_size")) {
        if (const int rc = ReadKeyAndEquals("node_size")) return rc;
        VRX_doubleArray size;
        if (const int rc = ReadDoubleList(size)) return rc;
        if (size.GetCount() < 2) return ReportError(kOutOfRange, "ERROR: Wrong node size");
        network->GetSubmodelHandler().SetNodeDefaultSize(Truncated(size[0]), Truncated(size[1]));
        return kSuccess;
    }
    if (token.kind == kIdentifier && TokenInTable(kToolSettings)) return SkipStatement();
    // Newer versions of the tool add settings of their own; they say nothing of the network.
    return ReportUnknownStatement("Unknown Net Statement");
}

int VRX_huginSpeaker::ReadNodeStatement() {
    std::string word(TokenText_());
    ConsumeToken();
    const bool continuous = word == "continuous";
    if (word == "discrete" || continuous) {
        if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
        word.assign(TokenText_());
    }
    if (continuous) {
        // Refused where declared, naming the node; its block and the potentials naming it are skipped.
        if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
        const std::string id = DottedRest(TokenText_());
        refusedNodes_.insert(id);
        return ReportMessage(kSyntaxError, "ERROR: Node [" + id + "] : continuous nodes are not supported");
    }
    int type;
    if (word == "node") {
        type = DefinitionType::kCpt;
    } else if (word == "decision") {
        type = DefinitionType::kList;
    } else if (word == "utility") {
        type = DefinitionType::kTable;
    } else {
        return ReportMessage(kOutOfRange, "ERROR: '" + word + "' : Unknown Node Type");
    }
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    const int idLine = lexer->GetLineNumber();
    const std::string id = DottedRest(TokenText_());
    if (id.find('.') != std::string::npos) return RefuseDottedNode(id, idLine);
    const int handle = AddFileNode(type, id, id);
    if (handle < 0) return handle;
    BeginNodeContent(-1);
    NoteNodeMade(handle);
    if (const int rc = RequireToken(kPunctuator, "{")) {
        EndNodeContent();
        return rc;
    }
    NodeStatements seen;
    ReadBlock([this, handle, &seen, &id]() {
        return ReadStatementOnce(seen, id, [this, handle]() { return ReadNodeField(handle); });
    });
    EndNodeContent();
    VRX_node* node = network->GetNode(handle);
    node->CheckValidity(1);
    if (!node->IsValid()) {
        (void)network->DeleteNode(handle);
        NoteReport_(kObjectNotValid, true);
        const std::string text = "ERROR: Node not ready (valid). Node (\"" + id + "\") deleted";
        (void)LogError(errorLog, kObjectNotValid, text.c_str(), nullptr);
        return kSuccess;
    }
    VRX_header& header = node->GetInfo()->header;
    if (header.GetName() == nullptr || header.GetName()[0] == '\0') {
        if (const int rc = header.SetName(id.c_str())) return ReportError(rc, nullptr);
    }
    return kSuccess;
}

int VRX_huginSpeaker::ReadNodeField(int handle) {
    VRX_node* node = network->GetNode(handle);
    VRX_nodeInfo* info = node->GetInfo();
    int rc = ReadFieldStart("label", kString);
    if (rc != kNotThisKeyword)
        return rc != kSuccess ? rc : ReportError(info->header.SetName(token.text), nullptr);
    if ((rc = ReadKeyAndEquals("position")) != kNotThisKeyword) {
        if (rc != kSuccess) return rc;
        VRX_doubleArray xy;
        if ((rc = ReadDoubleList(xy)) != kSuccess) return rc;
        if (xy.GetCount() < 2) return ReportError(kOutOfRange, "ERROR: Wrong position coordinates");
        info->screenInfo.position.centerX = Truncated(xy[0]);
        info->screenInfo.position.centerY = Truncated(xy[1]);
        return kSuccess;
    }
    if ((rc = ReadKeyAndEquals("states")) != kNotThisKeyword) {
        if (rc != kSuccess) return rc;
        VRX_stringArray names;
        if ((rc = ReadStringList(names)) != kSuccess) return rc;
        VRX_idArray ids;
        if ((rc = vovido::OutcomeIds(names, vovido::NodeIdOr(*network, handle, ""), ids,
                                     vovido::SpeakerWarning(*this))) != kSuccess)
            return ReportError(rc, nullptr);
        if ((rc = ReportError(node->GetDefinition()->SetOutcomes(ids), nullptr)) == kSuccess)
            NoteNodeOutcomes(handle, ids.GetCount());
        return rc;
    }
    if (PeekToken() != kSuccess || token.kind != kIdentifier) return ReportUnknown("Unknown Node Statement");
    const std::string name(TokenText_());
    ConsumeToken();
    if ((rc = RequireToken(kPunctuator, "=")) != kSuccess) return rc;
    if (IsStringNext() != 1) {
        // Attributes of other kinds (subtypes, state values) have no counterpart in the network.
        message.assign("ERROR: '").append(name).append("' : Unknown Node Statement");
        (void)ReportSkippedStatement(kSyntaxError, name, message);
        return kSyntaxError;
    }
    const std::string value(TokenText_());
    ConsumeToken();
    return ReportError(info->userProperties.AddProperty(name.c_str(), value.c_str()), nullptr);
}

std::string VRX_huginSpeaker::DottedRest(std::string id) {
    // The lexer reads "T5.x" as T5 '.' x and "T5.1" as T5 ".1".
    while (PeekToken() == kSuccess && token.text != nullptr &&
           (token.kind == TokenKind::kDot || (token.kind == TokenKind::kReal && token.text[0] == '.'))) {
        const bool dotAlone = token.kind == TokenKind::kDot;
        id.append(TokenText_());
        ConsumeToken();
        if (dotAlone && PeekToken() == kSuccess &&
            (token.kind == kIdentifier || token.kind == TokenKind::kInteger)) {
            id.append(TokenText_());
            ConsumeToken();
        }
    }
    return id;
}

const vovido::NoticeKind vovido::kDottedIdentifierNotice = {
    "ERROR: identifiers with a '.' were refused: {count}", "node", nullptr};

int VRX_huginSpeaker::RefuseDottedNode(const std::string& id, int line) {
    const std::string text =
        "ERROR: Identifier [" + id + "] : '.' is not allowed in an identifier; node refused";
    // The first is the cause; a file that dots one identifier dots many, and the others fold into one entry.
    NoteReport_(kSyntaxError, true);
    if (!dottedRefused_) {
        dottedRefused_ = true;
        return LogError(errorLog, kSyntaxError, text.c_str(), LinePrefix(line).c_str());
    }
    return vovido::LogNotice(
        errorLog, kSyntaxError, text.c_str(), LinePrefix(line).c_str(),
        {&vovido::kDottedIdentifierNotice, id, "[" + id + "] (line " + std::to_string(line) + ")"});
}

int VRX_huginSpeaker::ReadPotential() {
    ConsumeToken();
    if (const int rc = RequireToken(kPunctuator, "(")) return rc;
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    const std::string childId = DottedRest(TokenText_());
    if (dottedRefused_ && childId.find('.') != std::string::npos) return kSyntaxError;
    if (refusedNodes_.count(childId) > 0) return kSyntaxError;
    const int child = network->FindNode(childId.c_str());
    if (child < 0) return ReportMessage(kOutOfRange, "ERROR: Node (\"" + childId + "\") not found");
    return ReadPartOnce(potentials_, child, childId, "potential",
                        [this, child, &childId]() { return ReadPotentialBody(child, childId); });
}

int VRX_huginSpeaker::ReadPotentialBody(int child, const std::string& childId) {
    if (IsIdentifierNext() == 1)
        return ReportError(kSyntaxError, "ERROR: Undirected arcs not (yet) supported");
    (void)ExpectToken(kPunctuator, "|");
    std::vector<std::string> parentIds;
    std::vector<int> parents;
    std::string missing;
    while (IsIdentifierNext() == 1) {
        std::string id(TokenText_());
        ConsumeToken();
        parentIds.push_back(DottedRest(std::move(id)));
        parents.push_back(network->FindNode(parentIds.back().c_str()));
        if (parents.back() < 0 && missing.empty()) missing = parentIds.back();
    }
    // A parent that is no node leaves the table without its shape: the rest of the potential is a
    // knock-on effect of the one cause.
    if (!missing.empty()) {
        if (dottedRefused_ && missing.find('.') != std::string::npos) return kSyntaxError;
        if (refusedNodes_.count(missing) > 0) return kSyntaxError;
        return ReportMessage(
            kOutOfRange,
            "ERROR: Node (\"" + missing + "\") not found: it is named as a parent of node [" + childId + "]");
    }
    PendingArcs arcs;
    WaitForTable(arcs, child, std::move(parents), std::move(parentIds),
                 [this](const std::string& id, int rc) { (void)ReportParentArcRefused(rc, id); });
    // The arcs wait for the data, so that data too short for the table is refused before they build it.
    int rc = RequireToken(kPunctuator, ")");
    if (rc == kSuccess) rc = RequireToken(kPunctuator, "{");
    if (rc != kSuccess) {
        (void)AddPendingArcs(arcs);
        return rc;
    }
    // A decision's potential gives its parents; its data, if any, is not kept.
    if (network->GetNodeType(child) == DefinitionType::kList) NoteNodeTable(child);
    BeginNodeContent(child);
    NodeStatements seen;
    ReadBlock([this, child, &seen, &childId, &arcs]() {
        return ReadStatementOnce(seen, childId, [this, child, &arcs]() {
            if (PeekToken() == kSuccess && token.kind == kIdentifier && TokenIs("data"))
                return ReadPotentialData(child, arcs);
            // Experience and fading tables serve the tool's learning; the network keeps no such counts.
            return ReportUnknownStatement("Unknown potential statement");
        });
    });
    (void)AddPendingArcs(arcs);
    EndNodeContent();
    return kSuccess;
}

int VRX_huginSpeaker::ReadPotentialData(int child, PendingArcs& arcs) {
    if (const int rc = ReadKeyAndEquals("data")) return rc;
    const vovido::TableNumbersOf owner(*this, network->GetNode(child)->GetId());
    VRX_doubleArray values;
    const bool utilities = network->GetNodeType(child) == DefinitionType::kTable;
    const int rc = vovido::ReadNestedLists(*this, false, [this, &values, utilities](const VRX_token& item) {
        if (item.kind != TokenKind::kInteger && item.kind != TokenKind::kReal) return kNotThisKeyword;
        double value = 0.0;
        if (const int read = vovido::ReadTableNumber(*this, value, utilities)) return read;
        return values.Add(value) == kSuccess ? kSuccess : ReportError(kOutOfMemory, nullptr);
    });
    if (rc != kSuccess) return rc;
    if (utilities) {
        if (const int refused =
                vovido::RefuseNonFiniteUtilities(*this, network->GetNode(child)->GetId(), values))
            return refused;
    }
    VRX_nodeDefinition* definition = network->GetNode(child)->GetDefinition();
    // A decision holds no table of its own.
    if (definition->GetType() == DefinitionType::kList) {
        (void)AddPendingArcs(arcs);
        // A decision's table in the file is the tool's policy, which the solvers compute again.
        if (values.GetCount() > 0)
            (void)ReportWarning(kSyntaxError, "ERROR: Data of a decision node ignored");
        return kSuccess;  // its potential has noted it, data or none
    }
    // Tables are scaled to sum to 1 once read (counts are kept so), but no scaling mends a negative entry.
    if (definition->GetType() == DefinitionType::kCpt)
        ReadTinyNegativesAsZero(network->GetNode(child)->GetId(), values.GetItems(), values.GetCount());
    for (int i = 0; definition->GetType() == DefinitionType::kCpt && i < values.GetCount(); ++i) {
        if (values[i] < 0.0)
            return ReportMessage(kOutOfRange,
                                 vovido::NonProbabilityMessage(network->GetNode(child)->GetId(), values[i]));
    }
    if (const int refused = AddArcsBeforeTable(arcs, values.GetCount())) return refused;
    const int set = definition->SetDefinitionDoubles(values);
    if (set == kSuccess) {
        NoteNodeTable(child);
        if (definition->GetType() == DefinitionType::kCpt) NormalizeTable(child);
        return kSuccess;
    }
    return ReportMessage(
        set, vovido::TableRefusalMessage(*network, child, values.GetCount(),
                                         "ERROR: Node [" + std::string(network->GetNode(child)->GetId()) +
                                             "] : the table was refused"));
}

int VRX_huginSpeaker::MirrorLine() const {
    bool any = false;
    long long top = 0;
    long long bottom = 0;
    for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
        const VRX_nodeInfo* info = network->GetNode(h)->GetInfo();
        if (info == nullptr) continue;
        const VRX_rectangle& r = info->screenInfo.position;
        const long long upper = static_cast<long long>(r.centerY) - r.height / 2;
        const long long lower = static_cast<long long>(r.centerY) + r.height / 2;
        top = any ? std::max(top, upper) : upper;
        bottom = any ? std::min(bottom, lower) : lower;
        any = true;
    }
    const long long line = top + bottom;
    return line > INT_MAX ? INT_MAX : (line < INT_MIN ? INT_MIN : static_cast<int>(line));
}

void VRX_huginSpeaker::MirrorPositions() {
    const long long line = MirrorLine();
    for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
        VRX_nodeInfo* info = network->GetNode(h)->GetInfo();
        if (info == nullptr) continue;
        const long long y = line - info->screenInfo.position.centerY;
        info->screenInfo.position.centerY =
            y > INT_MAX ? INT_MAX : (y < INT_MIN ? INT_MIN : static_cast<int>(y));
    }
}

namespace {

const vovido::NoticeKind kNormalisedTableNotice = {"tables not summing to 1 were normalised in {count}",
                                                   "node", nullptr};

}  // namespace

// Hugin tools keep tables that are not normalised (counts, experience-weighted rows): every distribution
// of a chance node is read scaled to sum to 1, one that sums to 0 made uniform, and a node whose column
// was off 1 by more than the tables' own check allows is named in one counted warning. A column that
// sums to 1 within rounding keeps its numbers, which a write would otherwise print changed.
void VRX_huginSpeaker::NormalizeTable(int handle) {
    VRX_Dmatrix* table = nullptr;
    if (network->GetNode(handle)->GetDefinition()->GetDefinition(table) != kSuccess || table == nullptr)
        return;
    const int dims = table->GetNumberOfDimensions();
    const int run = dims > 0 ? table->GetSizeOfDimension(dims - 1) : 0;
    const double* data = table->GetData();
    int first = -1;
    double firstSum = 0.0;
    int others = 0;
    for (int start = 0; run > 0 && start + run <= table->GetNumberOfElements(); start += run) {
        double sum = 0.0;
        for (int i = start; i < start + run; ++i) sum += data[i];
        if (std::fabs(sum - 1.0) <= VRX_cpt::kColumnTolerance) continue;
        if (first >= 0) {
            ++others;
            continue;
        }
        first = start / run;
        firstSum = sum;
    }
    constexpr double kRounding = 1e-12;
    (void)table->Normalize(kRounding);  // the table's own shape: nothing to refuse
    if (first < 0) return;
    const std::string id = vovido::NodeIdOr(*network, handle, "");
    std::string text = vovido::ScaledTableMessage(id, "column " + std::to_string(first), firstSum);
    if (others > 0)
        text += "; " + std::to_string(others) + (others == 1 ? " other column was" : " other columns were") +
                " changed likewise";
    std::string example =
        "Node [" + id + "] column " + std::to_string(first) + " sums to " + vovido::NumberText(firstSum);
    if (others > 0)
        example += " (and " + std::to_string(others) + (others == 1 ? " other column)" : " other columns)");
    (void)ReportWarning(kOutOfRange, text.c_str(), {&kNormalisedTableNotice, id, example});
}
