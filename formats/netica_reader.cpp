// Reader of the Netica network format: the bnet block with its records and display settings, and the
// node blocks, whose kind fields decide the definition each node gets before its first other field.
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/identifier.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/equation.h"
#include "formats/exchange_format_support.h"
#include "formats/netica_format.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/submodel.h"

namespace {

using TokenKind::kIdentifier;
using TokenKind::kInteger;
using TokenKind::kPunctuator;
using TokenKind::kString;

const char* const kNetWords[] = {"numdimensions", "eqncontext", "title",       "comment",
                                 "author",        "whochanged", "whenchanged", "locked",
                                 "autoupdate",    "elimorder",  nullptr};
// Statements of the format's later versions at the network's level.
const char* const kNetSettingWords[] = {"NodeSet", "ElimOrder", "AutoCompile", "user", nullptr};
const char* const kNetVisualWords[] = {
    "dispname",   "dispform",     "defdispform",    "nodelabeling",    "nodefont",      "hidden",
    "linkfont",   "commentfont",  "linkjoin",       "showstrength",    "nodecolors",    "linkcolors",
    "backcolor",  "commentcolor", "pagebreakcolor", "groupingcolor",   "commentinfos",  "parts",
    "windowposn", "scrollposn",   "resolution",     "magnification",   "drawingbounds", "showpagebreaks",
    "usegrid",    "gridspace",    "user",           "nodebordercolor", nullptr};
const char* const kParamWords[] = {"discrete", "measure", "numstates", "states", "levels", "units", nullptr};
const char* const kNeticaNodeWords[] = {
    "kind",    "discrete", "measure",   "chance",   "numstates", "states",   "levels",     "units",
    "inputs",  "parents",  "functable", "equation", "probs",     "numcases", "fading",     "delays",
    "persist", "position", "evidcost",  "title",    "comment",   "author",   "whochanged", "whenchanged",
    "locked",  "value",    "evidence",  "belief",   "children",  nullptr};
const char* const kNodeVisualWords[] = {"center", "size", "dispform", "hidden", "height",
                                        "links",  "user", "parts",    nullptr};
const char* const kLinkWords[] = {"path", "labelposn", "linewidth", "user", nullptr};
// Named blocks of a node: a file may give one per view (visual V1, V2, ...) or per user set.
const char* const kNodeBlockWords[] = {"visual", "user", nullptr};

constexpr int kDecisionBit = 0x1;
constexpr int kChanceBit = 0x2;
constexpr int kDeterministicBit = 0x4;
constexpr int kUtilityBit = 0x8;
constexpr int kDiscreteBit = 0x10;

int ClampToInt(int64_t v) {
    return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
}

}  // namespace

VRX_neticaSpeaker::VRX_neticaSpeaker(VRX_network* net) : VRX_vrxSpeaker(net) {}

VRX_neticaSpeaker::~VRX_neticaSpeaker() = default;

int VRX_neticaSpeaker::ReadFile(const char* path) {
    return ReadNeticaOpened(StartReading(path, LexerMode::kStandard));
}

int VRX_neticaSpeaker::ReadText(std::string_view text) {
    return ReadNeticaOpened(StartReadingText(text, LexerMode::kStandard));
}

bool VRX_neticaSpeaker::IsBlockWord() const {
    static const char* const kBlockWords[] = {"bnet", "node", "visual", "param", "user", "link", nullptr};
    return token.kind == kIdentifier && TokenInTable(kBlockWords);
}

int VRX_neticaSpeaker::ReadNeticaOpened(int openResult) {
    if (openResult != kSuccess) return openResult;
    if (network == nullptr) return kObjectNotValid;
    truncated_ = false;
    nodeBlocks_.clear();
    // Without its head the input is no network of this format.
    if (IsWordNext("bnet") != 1 || token.kind != kIdentifier) {
        if (PeekToken() == kSuccess) {
            FormatUnexpectedToken(kIdentifier, "bnet");
        } else {
            FormatUnexpectedEnd(kIdentifier, "bnet");
        }
        return ReportError(kSyntaxError, message.c_str());
    }
    ConsumeToken();
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    std::string id(TokenText_());
    HoldNetworkId(SanitizeIdentifier(id) == kSuccess ? id : std::string(VrxFormat::kUnnamedNetwork));
    network->userProperties.CleanUp(1);
    network->documentation.Flush();
    network->creation.CleanUp(1);
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    // The network's own statements count once; nodes and other named blocks come as many times as named.
    static const char* const kNetBlockWords[] = {"node", "visual", "param", "user", "NodeSet", nullptr};
    (void)ReadOnceBlock(
        NetworkOwner(), "", [this]() { return ReadNetStatement(); }, kNetBlockWords);
    // The identifier the file gives, also when a node has the same one, so that the network writes back
    // as it was read.
    if (network->GetHeader()->SetId(networkId_.c_str()) != kSuccess) ApplyNetworkId();
    (void)ExpectToken(kPunctuator, ";");
    (void)CheckNodeContent(kWarnMissing);
    return FinishRead();
}

int VRX_neticaSpeaker::ReadNetStatement() {
    if (const int rc = PeekToken()) return rc;
    if (token.kind != kIdentifier) return ReportUnknown("Unknown Net Statement");
    int rc = ReadFieldStart("title", kString);
    if (Handled(rc))
        return rc != kSuccess ? rc : ReportError(network->GetHeader()->SetName(token.text), nullptr);
    rc = ReadFieldStart("comment", kString);
    if (Handled(rc))
        return rc != kSuccess ? rc : ReportError(network->GetHeader()->SetComment(token.text), nullptr);
    rc = ReadFieldStart("author", kString);
    if (Handled(rc))
        return rc != kSuccess ? rc : ReportError(network->creation.SetCreator(token.text), nullptr);
    rc = ReadFieldStart("whenchanged", kInteger);
    if (Handled(rc))
        return rc != kSuccess ? rc : ReportError(network->creation.SetModified(token.text), nullptr);
    if (TokenInTable(kNetWords)) return SkipStatement();
    if (TokenIs("visual")) return ReadNetVisual();
    if (TokenIs("node")) return ReadNodeBlock();
    if (TokenIs("param")) return ReadParam();
    if (TokenInTable(kNetSettingWords)) {
        // Node sets, elimination orders and the network's own fields name nodes but hold none.
        message.assign("ERROR: '")
            .append(TokenText_())
            .append("' : Net Statement of no node content, skipped");
        (void)ReportWarning(kSyntaxError, message.c_str());
        return kSyntaxError;
    }
    // Any other statement of a newer version: a setting stays a warning, another form may hold a node.
    return ReportUnknownNetStatement();
}

int VRX_neticaSpeaker::ReadNetVisual() {
    ConsumeToken();
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    VRX_submodel* main = network->GetSubmodelHandler().GetSubmodel(kMainSubmodel);
    ReadBlock([this, main]() {
        if (PeekToken() != kSuccess || token.kind != kIdentifier)
            return ReportUnknown("Unknown Visual Net Statement");
        int value = 0;
        int rc = ReadIntField("backcolor", value);
        if (Handled(rc)) {
            if (rc == kSuccess && main != nullptr) main->backgroundColor = value;
            return rc;
        }
        rc = ReadIntField("nodebordercolor", value);
        if (Handled(rc)) {
            if (rc == kSuccess && main != nullptr) main->screenInfo.borderColor = value;
            return rc;
        }
        if (TokenIs("windowposn")) {
            VRX_intArray corners;
            if ((rc = ReadKeyAndEquals("windowposn")) != kSuccess || (rc = ReadInts(corners)) != kSuccess)
                return rc;
            if (corners.GetCount() < 4) return ReportError(kOutOfRange, "ERROR: Wrong Window Position");
            if (main != nullptr) {
                VRX_rectangle& r = main->windowPosition;
                r.centerX = ClampToInt((static_cast<int64_t>(corners[0]) + corners[2]) / 2);
                r.centerY = ClampToInt((static_cast<int64_t>(corners[1]) + corners[3]) / 2);
                r.width = ClampToInt(static_cast<int64_t>(corners[2]) - corners[0]);
                r.height = ClampToInt(static_cast<int64_t>(corners[3]) - corners[1]);
            }
            return kSuccess;
        }
        if (TokenInTable(kNetVisualWords)) return SkipStatement();
        return ReportUnknownStatement("Unknown Visual Net Statement");
    });
    return kSuccess;
}

int VRX_neticaSpeaker::ReadParam() {
    ConsumeToken();
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    ReadBlock([this]() {
        if (PeekToken() == kSuccess && token.kind == kIdentifier && TokenInTable(kParamWords))
            return SkipStatement();
        return ReportUnknownStatement("Unknown Param Statement");
    });
    return kSuccess;
}

// The node is made at its first field that needs a definition, once its kind fields have given the type.
int VRX_neticaSpeaker::ReadNodeBlock() {
    ConsumeToken();
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    nodeId_.assign(TokenText_());
    const std::string id = nodeId_;
    const auto first = nodeBlocks_.find(id);
    if (first != nodeBlocks_.end()) {
        // The same block again is read once; another would make a second node of one identifier.
        const int line = lexer->GetLineNumber();
        StatementDigest again;
        if (Digested_(again, [this]() { return SkipBlock(); }) != kSuccess) return kSuccess;
        ReportRepeat_("Node [" + id + "]", "'node' block", again == first->second, line,
                      kDuplicatedIdentifier);
        return kSuccess;
    }
    if (network->FindNode(id.c_str()) >= 0) {
        return ReportMessage(kDuplicatedIdentifier, "ERROR: Couldn't Create Node (\"" + id +
                                                        "\"): Identifier [" + id +
                                                        "] is already used by a node");
    }
    typeCode_ = DefinitionType::kCpt;
    constant_ = false;
    handle_ = -1;
    pendingTitle_.reset();
    pendingLevels_.clear();
    pendingComment_.reset();
    StatementDigest& digest = nodeBlocks_[id];
    int opened = kSuccess;
    NodeStatements seen;
    (void)Digested_(digest, [this, &seen, &id, &opened]() {
        if ((opened = RequireToken(kPunctuator, "{")) != kSuccess) return opened;
        BeginNodeContent(-1);
        ReadBlock([this, &seen, &id]() {
            return ReadStatementOnce(
                seen, id, [this]() { return ReadNodeField(); }, kNodeBlockWords);
        });
        return kSuccess;
    });
    ReportPendingLevels();
    if (opened != kSuccess) return opened;
    (void)AddPendingArcs(parentArcs_);
    EndNodeContent();
    const int handle = handle_;
    handle_ = -1;
    if (constant_) {
        // A constant is not part of the probabilistic model; the tables that use it hold its value.
        if (handle >= 0) (void)network->DeleteNode(handle);
        message.assign("ERROR: Node (\"")
            .append(id)
            .append("\") : constant nodes are not supported; node left out");
        (void)ReportWarning(kWrongNodeType, message.c_str());
        return kSuccess;
    }
    if (handle < 0) {
        // A block cut by the end of the file has named the cut: the node it left undefined says no more.
        if (endReported_) {
            NoteReport_(kObjectNotValid, true);
            return kObjectNotValid;
        }
        message.assign("ERROR: Node (\"").append(id).append("\") has no definition and was left out");
        return ReportError(kObjectNotValid, message.c_str());
    }
    VRX_node* node = network->GetNode(handle);
    node->CheckValidity(1);
    if (!node->IsValid()) {
        (void)network->DeleteNode(handle);
        message.assign("ERROR: Node not ready (valid). Node (\"").append(id).append("\") deleted");
        return ReportError(kObjectNotValid, message.c_str());
    }
    return kSuccess;
}

int VRX_neticaSpeaker::ReadNodeField() {
    if (const int rc = PeekToken()) return rc;
    if (token.kind != kIdentifier) return ReportUnknown("Unknown Node Statement");
    const bool block = TokenIs("user") || TokenIs("visual");
    if (!block && !TokenInTable(kNeticaNodeWords)) return ReportUnknownStatement("Unknown Node Statement");
    // Waiting arcs are added before any statement that may depend on them: only the states, the texts
    // and the display leave the table's shape to them.
    static const char* const kBesideArcs[] = {"states",  "probs", "functable", "title",
                                              "comment", "user",  "visual",    nullptr};
    if (!TokenInTable(kBesideArcs)) (void)AddPendingArcs(parentArcs_);
    bool handled = false;
    const int rc = ReadTypeField(handled);
    if (handled) return rc;
    int field = ReadFieldStart("title", kString);
    if (Handled(field)) return field != kSuccess ? field : SetNodeText(true, token.text);
    field = ReadFieldStart("comment", kString);
    if (Handled(field)) return field != kSuccess ? field : SetNodeText(false, token.text);
    int count = 0;
    field = ReadIntField("numstates", count);
    if (Handled(field)) return field;
    if (const int created = EnsureDefinition()) return created;
    if (constant_) return SkipStatement();
    if (TokenIs("user")) return ReadUserBlock(handle_);
    if (TokenIs("visual")) return ReadNodeVisual(handle_);
    return ReadDefinitionField(handle_);
}

int VRX_neticaSpeaker::SetNodeText(bool title, const char* text) {
    if (handle_ < 0) {
        (title ? pendingTitle_ : pendingComment_) =
            std::make_unique<std::string>(text != nullptr ? text : "");
        return kSuccess;
    }
    VRX_header& header = network->GetNode(handle_)->GetInfo()->header;
    return ReportError(title ? header.SetName(text) : header.SetComment(text), nullptr);
}

int VRX_neticaSpeaker::ReadTypeField(bool& handled) {
    handled = true;
    int rc = ReadFieldStart("kind", kIdentifier);
    if (Handled(rc)) {
        if (rc != kSuccess) return rc;
        const std::string kind(TokenText_());
        if (kind == "NATURE") {
            typeCode_ &= ~(kDecisionBit | kUtilityBit);
        } else if (kind == "DECISION") {
            typeCode_ = (typeCode_ & ~(kChanceBit | kDeterministicBit | kUtilityBit)) | kDecisionBit;
        } else if (kind == "UTILITY") {
            typeCode_ = DefinitionType::kTable;
        } else if (kind == "CONSTANT") {
            constant_ = true;
        } else {
            if (kind == "ASSUME") {
                typeCode_ = DefinitionType::kCpt;
                (void)ReportError(kOutOfRange, "ERROR: nodes of type ASSUME not supported (yet)");
            }
            return ReportMessage(kOutOfRange, "ERROR: '" + kind + "' : Unknown Node Type");
        }
        return kSuccess;
    }
    int on = 0;
    rc = ReadBoolField("discrete", on);
    if (Handled(rc)) {
        if (rc == kSuccess) typeCode_ = on ? (typeCode_ | kDiscreteBit) : (typeCode_ & ~kDiscreteBit);
        return rc;
    }
    rc = ReadFieldStart("chance", kIdentifier);
    if (Handled(rc)) {
        if (rc != kSuccess || (typeCode_ & (kChanceBit | kDeterministicBit)) == 0) return rc;
        const std::string chance(TokenText_());
        if (chance == "CHANCE") {
            typeCode_ = (typeCode_ | kChanceBit) & ~kDeterministicBit;
        } else if (chance == "DETERMIN") {
            typeCode_ = (typeCode_ | kDeterministicBit) & ~kChanceBit;
        } else {
            return ReportMessage(kOutOfRange, "ERROR: '" + chance + "' : Unknown Node Type");
        }
        return kSuccess;
    }
    handled = false;
    return kSuccess;
}

int VRX_neticaSpeaker::EnsureDefinition() {
    if (handle_ >= 0 || constant_) return kSuccess;
    // A chance node that is not discrete is defined by an equation.
    if (typeCode_ == kChanceBit || typeCode_ == kDeterministicBit) typeCode_ = DefinitionType::kEquation;
    // For a known kind, the network's cause of a refusal goes into the one entry.
    const bool known = VRX_node::IsKnownTypeCode(typeCode_);
    const int handle = known
                           ? AddFileNode(typeCode_, nodeId_, nodeId_)
                           : network->AddNode(typeCode_, FileNodeId(nodeId_, lexer->GetLineNumber()).c_str());
    if (handle < 0 && known) return handle;
    if (handle < 0) return ReportMessage(handle, "ERROR: Type of node [" + nodeId_ + "] unsupported");
    handle_ = handle;
    NoteNodeMade(handle);
    if (pendingTitle_) (void)SetNodeText(true, pendingTitle_->c_str());
    if (pendingComment_) (void)SetNodeText(false, pendingComment_->c_str());
    return kSuccess;
}

int VRX_neticaSpeaker::ReadDefinitionField(int handle) {
    VRX_node* node = network->GetNode(handle);
    VRX_nodeDefinition* definition = node->GetDefinition();
    const bool equation = definition->GetType() == DefinitionType::kEquation;
    static const char* const kTableShapers[] = {"parents", "states", "probs", "functable", nullptr};
    if (const int rc = RefuseAfterTable(handle, node->GetId(), kTableShapers)) return rc;
    int rc = ReadKeyAndEquals("parents");
    if (Handled(rc)) {
        VRX_stringArray names;
        if (rc != kSuccess || (rc = ReadIdList(names)) != kSuccess) return rc;
        // The arcs wait for the probs, so that a table the file cannot fill is refused before they build it.
        std::vector<std::string> parentIds;
        std::vector<int> parents;
        for (int i = 0; i < names.GetCount(); ++i) {
            parentIds.emplace_back(names[i]);
            parents.push_back(network->FindNode(names[i]));
        }
        WaitForTable(parentArcs_, handle, std::move(parents), std::move(parentIds),
                     [this, node](const std::string& id, int added) {
                         (void)ReportMessage(added,
                                             "ERROR: Couldn't add arc from node [" + id + "] to node [" +
                                                 node->GetId() + "]" +
                                                 ArcRefusalCause(id, network->FindNode(node->GetId())));
                     });
        return kSuccess;
    }
    if (TokenIs("states")) {
        if (equation) return ReadEquationStates(handle);
        if ((rc = ReadKeyAndEquals("states")) != kSuccess) return rc;
        VRX_stringArray names;
        if ((rc = ReadIdList(names)) != kSuccess) return rc;
        VRX_idArray ids;
        if ((rc = vovido::OutcomeIds(names, vovido::NodeIdOr(*network, handle, ""), ids,
                                     vovido::SpeakerWarning(*this))) != kSuccess)
            return ReportError(rc, nullptr);
        if ((rc = ReportError(definition->SetOutcomes(ids), nullptr)) == kSuccess)
            NoteNodeOutcomes(handle, ids.GetCount());
        return rc;
    }
    if (TokenIs("levels")) return equation ? ReadLevels(handle) : SkipStatement();
    if (TokenIs("equation")) return equation ? ReadEquationField(handle) : SkipStatement();
    if (TokenIs("probs")) return ReadTable(handle, false);
    if (TokenIs("functable")) return ReadTable(handle, true);
    return SkipStatement();
}

int VRX_neticaSpeaker::ReadEquationStates(int handle) {
    if (const int rc = ReadKeyAndEquals("states")) return rc;
    VRX_stringArray names;
    if (const int rc = ReadIdList(names)) return rc;
    auto* equation = static_cast<VRX_equation*>(network->GetNode(handle)->GetDefinition());
    const double lower = equation->GetLowerBound();
    const double upper = equation->GetUpperBound();
    const int n = names.GetCount();
    std::vector<DiscretizationInterval> intervals(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        intervals[static_cast<size_t>(i)].id = names[i];
        intervals[static_cast<size_t>(i)].upper = lower + (i + 1) * (upper - lower) / n;
    }
    return ReportError(equation->SetDiscIntervals(intervals), nullptr);
}

void VRX_neticaSpeaker::ReportPendingLevels() {
    if (pendingLevels_.empty()) return;
    (void)ReportErrorAt(pendingLevelsLine_, kOutOfRange, pendingLevels_);
    pendingLevels_.clear();
}

int VRX_neticaSpeaker::ReadLevels(int handle) {
    if (const int rc = ReadKeyAndEquals("levels")) return rc;
    VRX_doubleArray levels;
    if (const int rc = ReadDoubleList(levels)) return rc;
    auto* equation = static_cast<VRX_equation*>(network->GetNode(handle)->GetDefinition());
    std::vector<DiscretizationInterval> intervals = equation->GetIntervals();
    const size_t k = intervals.size();
    // The bounds and every interval's upper bound: one level more than there are intervals.
    if (levels.GetCount() != static_cast<int>(k) + 1 || k == 0) {
        pendingLevelsLine_ = lexer->GetLineNumber();
        pendingLevels_ = "ERROR: " + std::to_string(levels.GetCount()) + " levels given, " +
                         std::to_string(k + 1) + " expected";
        return kSuccess;
    }
    for (size_t i = 0; i < k; ++i) intervals[i].upper = levels[static_cast<int>(i) + 1];
    equation->SetBounds(levels[0], levels[static_cast<int>(k)]);
    return ReportError(equation->SetDiscIntervals(intervals), nullptr);
}

int VRX_neticaSpeaker::ReadEquationField(int handle) {
    if (const int rc = ReadFieldStart("equation", kString)) return rc;
    std::string rightSide;
    std::string error;
    VRX_node* node = network->GetNode(handle);
    int rc = vovido::TranslateNeticaEquation(TokenText_(), rightSide, error);
    if (rc == kSuccess) {
        const std::string text = std::string(node->GetId()) + "=(" + rightSide + ")";
        rc = static_cast<VRX_equation*>(node->GetDefinition())->SetEquation(text.c_str(), nullptr, &error);
    }
    if (rc == kSuccess) return kSuccess;
    return ReportMessage(rc, "ERROR: Node [" + std::string(node->GetId()) + "] : " + error);
}

int VRX_neticaSpeaker::ReadTable(int handle, bool functable) {
    const char* word = functable ? "functable" : "probs";
    if (const int rc = ReadKeyAndEquals(word)) return rc;
    const int type = network->GetNode(handle)->GetDefinition()->GetType();
    const bool names = functable && (type & kDiscreteBit) != 0;
    VRX_doubleArray values;
    VRX_stringArray states;
    if (const int rc = ReadTableEntries(handle, names, values, states)) return rc;
    return SetTableEntries(handle, word, names, values, states);
}

int VRX_neticaSpeaker::ReadTableEntries(int handle, bool names, VRX_doubleArray& values,
                                        VRX_stringArray& states) {
    const bool utilities = network->GetNode(handle)->GetDefinition()->GetType() == DefinitionType::kTable;
    const vovido::TableNumbersOf owner(*this, network->GetNode(handle)->GetId());
    const auto takeItem = [this, handle, names, utilities, &values, &states](const VRX_token& item) {
        // Netica marks impossible configurations with "@imposs", which no definition here holds.
        if (item.kind == kPunctuator && item.text != nullptr && std::strcmp(item.text, "@") == 0) {
            return ReportMessage(kSyntaxError,
                                 "ERROR: Node [" + std::string(network->GetNode(handle)->GetId()) +
                                     "] : its table holds \"@imposs\" entries, which are not read");
        }
        if (names) {
            if (item.kind != kIdentifier) return kNotThisKeyword;
            if (states.Add(item.text) != kSuccess) return ReportError(kOutOfMemory, nullptr);
            ConsumeToken();
            return kSuccess;
        }
        if (item.kind != kInteger && item.kind != TokenKind::kReal) return kNotThisKeyword;
        double value = 0.0;
        if (const int read = vovido::ReadTableNumber(*this, value, utilities)) return read;
        return values.Add(value) == kSuccess ? kSuccess : ReportError(kOutOfMemory, nullptr);
    };
    // Files edited by hand may close the outermost list early and go on with sibling lists, closing
    // more lists than they opened: the entries run to the end of the statement, in order.
    for (;;) {
        if (const int rc = vovido::ReadNestedLists(*this, true, takeItem)) return rc;
        if (ExpectToken(kPunctuator, ",") == kSuccess) continue;
        bool stray = false;
        while (ExpectToken(kPunctuator, ")") == kSuccess) stray = true;
        if (stray) (void)ReportWarning(kSyntaxError, "ERROR: ')' : Unbalanced parenthesis ignored");
        return kSuccess;
    }
}

int VRX_neticaSpeaker::SetTableEntries(int handle, const char* word, bool names, VRX_doubleArray& values,
                                       const VRX_stringArray& states) {
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    const int type = definition->GetType();
    const std::string id = network->GetNode(handle)->GetId();
    // A continuous node's table over its intervals has no place in its equation: it would be lost.
    if (type == DefinitionType::kEquation && (names ? states.GetCount() : values.GetCount()) > 0) {
        const int rc = ReportMessage(
            kWrongNodeType, "ERROR: Node [" + id + "] : discretised continuous nodes are not supported");
        ReportPendingLevels();  // the levels of such a node are refused for that cause first
        return rc;
    }
    // The policies of decisions are not part of their definitions.
    if (type == DefinitionType::kEquation || (type & kDecisionBit) != 0) return kSuccess;
    if (type == DefinitionType::kTable) {
        if (const int refused = vovido::RefuseNonFiniteUtilities(*this, id.c_str(), values)) return refused;
    }
    if (type == DefinitionType::kCpt) {
        ReadTinyNegativesAsZero(id, values.GetItems(), values.GetCount());
        const std::string refusal = vovido::ProbabilityRefusal(id.c_str(), values);
        if (!refusal.empty()) return ReportMessage(kOutOfRange, refusal);
    }
    const std::string refused = "ERROR: Node [" + id +
                                "] : " + std::to_string(names ? states.GetCount() : values.GetCount()) +
                                " entries do not fit its " + word;
    if (names) {
        // One state per column: states that cannot fill the columns are refused before the arcs build them.
        const int64_t cells = PendingTableCells(parentArcs_);
        const int outcomes = definition->GetNumberOfOutcomes();
        if (parentArcs_.waiting && cells > 0 && outcomes > 0 && cells / outcomes != states.GetCount()) {
            parentArcs_.waiting = false;
            return ReportMessage(kInvalidData, refused);
        }
        (void)AddPendingArcs(parentArcs_);
    } else if (const int rc = AddArcsBeforeTable(parentArcs_, values.GetCount())) {
        return rc;
    }
    const int set =
        names ? definition->SetDefinitionStrings(states) : definition->SetDefinitionDoubles(values);
    if (set == kSuccess) {
        NoteNodeTable(handle);
        return kSuccess;
    }
    return ReportMessage(
        set, names ? refused : vovido::TableRefusalMessage(*network, handle, values.GetCount(), refused));
}

int VRX_neticaSpeaker::ReadUserBlock(int handle) {
    ConsumeToken();
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    VRX_userProperties& properties = network->GetNode(handle)->GetInfo()->userProperties;
    const std::string nodeId = vovido::NodeIdOr(*network, handle, "");
    ReadBlock([this, &properties, &nodeId]() {
        if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
        const std::string name(TokenText_());
        if (const int rc = RequireToken(kPunctuator, "=")) return rc;
        if (const int rc = RequireToken(kString, nullptr)) return rc;
        // A field given again, in this block or another of the node's, would leave the last value standing.
        const int given = properties.FindProperty(name.c_str());
        if (given >= 0) {
            const bool same = std::strcmp(properties.GetPropertyValue(given), token.text) == 0;
            ReportRepeat_("Node [" + nodeId + "]", "user field '" + name + "'", same);
            return same ? kSuccess : kOutOfRange;
        }
        return ReportError(properties.AddProperty(name.c_str(), token.text), nullptr);
    });
    return kSuccess;
}

int VRX_neticaSpeaker::ReadNodeVisual(int handle) {
    ConsumeToken();
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    if (const int rc = RequireToken(kPunctuator, "{")) return rc;
    VRX_rectangle& position = network->GetNode(handle)->GetInfo()->screenInfo.position;
    ReadBlock([this, &position]() {
        if (PeekToken() != kSuccess || token.kind != kIdentifier)
            return ReportUnknown("Unknown Visual Node Statement");
        for (const char* key : {"center", "size"}) {
            const bool center = key[0] == 'c';
            int rc = ReadKeyAndEquals(key);
            if (!Handled(rc)) continue;
            VRX_intArray pair;
            if (rc != kSuccess || (rc = ReadInts(pair)) != kSuccess) return rc;
            if (pair.GetCount() < 2) {
                return ReportError(kOutOfRange,
                                   center ? "ERROR: Wrong Center Coordinates" : "ERROR: Wrong Size Values");
            }
            (center ? position.centerX : position.width) = pair[0];
            (center ? position.centerY : position.height) = pair[1];
            return kSuccess;
        }
        if (TokenIs("link")) {
            ConsumeToken();
            if (PeekToken() == kSuccess && (token.kind == kIdentifier || token.kind == kInteger))
                ConsumeToken();
            if (const int rc = RequireToken(kPunctuator, "{")) return rc;
            ReadBlock([this]() {
                if (PeekToken() == kSuccess && token.kind == kIdentifier && TokenInTable(kLinkWords))
                    return SkipStatement();
                return ReportUnknownStatement("Unknown Visual Link Statement");
            });
            return kSuccess;
        }
        if (TokenInTable(kNodeVisualWords)) return SkipStatement();
        return ReportUnknownStatement("Unknown Visual Node Statement");
    });
    return kSuccess;
}
