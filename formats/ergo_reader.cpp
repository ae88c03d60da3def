// Reader of Ergo files. Every count and position is checked before it is used: the outcome counts are
// read before any node is made, so a node count the file does not back makes no node; parent positions
// are taken from 1 as the format has them, or from 0 when the file uses 0 (as some converters write).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "base/table_entries.h"
#include "definitions/noisy_max.h"
#include "formats/ergo_speaker.h"
#include "formats/exchange_format_support.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

namespace {

using TokenKind::kIdentifier;
using TokenKind::kInteger;
using TokenKind::kPunctuator;
using TokenKind::kReal;

const char* const kSections[] = {"Probabilities", "Names", "Labels", "Centers"};

double Clamped(double x) {
    return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x);
}

}  // namespace

VRX_ergoSpeaker::VRX_ergoSpeaker(VRX_network* net) : VRX_textFormat(net) {}

VRX_ergoSpeaker::~VRX_ergoSpeaker() = default;

int VRX_ergoSpeaker::ReadFile(const char* path) {
    return ReadOpened(StartReading(path, LexerMode::kWords));
}

int VRX_ergoSpeaker::ReadText(std::string_view text) {
    return ReadOpened(StartReadingText(text, LexerMode::kWords));
}

int VRX_ergoSpeaker::RequireInt(int& value) {
    const int rc = ReadInt(value);
    // A number refused for its value is reported already.
    if (rc == kSuccess || rc == kOutOfRange) return rc;
    if (PeekToken() == kSuccess) {
        FormatUnexpectedToken(kInteger, nullptr);
    } else {
        FormatUnexpectedEnd(kInteger, nullptr);
    }
    return ReportError(kSyntaxError, message.c_str());
}

int VRX_ergoSpeaker::RequireNumber(double& value) {
    const int rc = ReadNumber(value);
    // A number refused for its value is reported already.
    if (rc == kSuccess || rc == kOutOfRange) return rc;
    if (PeekToken() == kSuccess) {
        FormatUnexpectedToken(kReal, nullptr);
    } else {
        FormatUnexpectedEnd(kReal, nullptr);
    }
    return ReportError(kSyntaxError, message.c_str());
}

int VRX_ergoSpeaker::RequireWord(std::string& text) {
    const int rc = PeekToken();
    if (rc == kSuccess && (token.kind == kIdentifier || token.kind == kInteger || token.kind == kReal)) {
        text.assign(token.text, static_cast<size_t>(token.length));
        ConsumeToken();
        return kSuccess;
    }
    if (rc == kSuccess) {
        FormatUnexpectedToken(kIdentifier, nullptr);
    } else {
        FormatUnexpectedEnd(kIdentifier, nullptr);
    }
    return ReportError(kSyntaxError, message.c_str());
}

int VRX_ergoSpeaker::ReadOpened(int openResult) {
    if (openResult != kSuccess) {
        FinishReading();
        return openResult;
    }
    if (network == nullptr) return kObjectNotValid;
    vovido::StartNetworkRecords(*network);
    nodes_.clear();
    refusals_.clear();
    zeroed_.clear();
    int rc = kSuccess;
    int n = 0;
    if ((rc = RequireInt(n)) == kSuccess && n < 0) {
        rc = ReportMessage(kOutOfRange,
                           std::string("ERROR: (\"") + TokenText_() + "\") : Invalid number of nodes");
    }
    std::vector<int> outcomes;
    for (int i = 0; rc == kSuccess && i < n; ++i) {
        int s = 0;
        if ((rc = RequireInt(s)) != kSuccess) break;
        if (s < 2 || s > kMaxOutcomes) {
            (void)ReportMessage(kOutOfRange,
                                std::string("ERROR: '") + TokenText_() + "' : Invalid number of states");
            s = 2;
        }
        outcomes.push_back(s);
    }
    // A count of no nodes ends the network: anything after it is a count that disagrees with the file.
    if (rc == kSuccess && n == 0 && PeekToken() == kSuccess) {
        rc = ReportMessage(kOutOfRange, std::string("ERROR: '") + TokenText_() +
                                            "' : the file goes on after its node count of 0");
    }
    if (rc == kSuccess) rc = MakeNodes(outcomes);
    if (rc == kSuccess && n > 0) rc = ReadParents();
    if (rc == kSuccess && n > 0) rc = ReadSections();
    // Every word of the format is followed by a tab or a line end: one the input ends in may be cut.
    if (rc == kSuccess && n > 0 && lexer->EndsWithoutSeparator()) {
        rc = ReportMessage(kSyntaxError, std::string("ERROR: '") + TokenText_() +
                                             "' : End of File inside a word, the file was cut short");
    }
    // Arcs still waiting belong to nodes without a table in the file, unless the read failed before it.
    for (size_t i = 0; rc == kSuccess && GetReadFailure() == kSuccess && i < arcs_.size(); ++i)
        (void)AddPendingArcs(arcs_[i]);
    ReportRefusals();
    vovido::ApplyNetworkIdentifier(*network, std::string());
    WarnRenamedNodeIds();
    FinishReading();
    return rc != kSuccess ? rc : GetReadFailure();
}

namespace {

// Node i of the file (counted from 1, as its parent positions are) and its outcomes.
std::string ErgoNodeText(size_t i, int outcomes) {
    return "ERROR: Node " + std::to_string(i + 1) + " : " + std::to_string(outcomes) + " outcomes";
}

// The message of a failure to make node i: out of memory names the node and its size.
std::string ErgoNodeFailure(int rc, size_t i, int outcomes, const char* otherwise) {
    return rc == kOutOfMemory ? ErgoNodeText(i, outcomes) + " do not fit in memory" : otherwise;
}

}  // namespace

int VRX_ergoSpeaker::MakeNodes(const std::vector<int>& outcomes) {
    // Every outcome but one of a node takes a number of its table, with a separator after it.
    const int64_t numbers = (lexer->GetFile().GetInputSize() + 1) / 2;
    int64_t needed = 0;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        needed += outcomes[i] - 1;
        if (needed > numbers) {
            const char* const with = i > 0 ? " with those of the nodes before it need " : " need ";
            return ReportMessage(kOutOfRange, ErgoNodeText(i, outcomes[i]) + with + std::to_string(needed) +
                                                  " numbers, more than the " +
                                                  std::to_string(lexer->GetFile().GetInputSize()) +
                                                  " bytes of the file hold");
        }
    }
    // The file declares its nodes before any is made: all are counted at once, named by the last.
    if (const int rc = CheckReadSize(std::to_string(outcomes.size()), static_cast<int>(outcomes.size()),
                                     DefinitionType::kNoisyMax, 0))
        return rc;
    size_t i = 0;
    try {
        for (; i < outcomes.size(); ++i) {
            const int handle = network->AddNode(DefinitionType::kNoisyMax, nullptr);
            if (handle >= 0) CountReadNode(DefinitionType::kNoisyMax);
            if (handle < 0) {
                return ReportMessage(handle,
                                     ErgoNodeFailure(handle, i, outcomes[i], "ERROR: Couldn't Create Node"));
            }
            nodes_.push_back(handle);
            NotePlaceholderId(vovido::NodeIdOr(*network, handle, ""));
            if (const int rc = network->GetNode(handle)->GetDefinition()->SetNumberOfOutcomes(outcomes[i])) {
                return ReportMessage(
                    rc, ErgoNodeFailure(rc, i, outcomes[i], "ERROR: Couldn't set the number of outcomes"));
            }
        }
    } catch (const std::bad_alloc&) {
        return ReportMessage(kOutOfMemory, ErgoNodeFailure(kOutOfMemory, i, outcomes[i], ""));
    }
    return kSuccess;
}

void VRX_ergoSpeaker::ReportRefusals() {
    for (const Refusal& refusal : refusals_) {
        const std::string id = vovido::NodeIdOr(*network, refusal.handle, "");
        const std::string text =
            std::isfinite(refusal.value)
                ? vovido::NonProbabilityMessage(id, refusal.value)
                : "ERROR: Node [" + id + "] : '" + refusal.text + "' : Number out of range";
        const std::string prefix = LinePrefix(refusal.line);
        (void)LogError(errorLog, kOutOfRange, text.c_str(), prefix.c_str());
    }
    for (const Zeroed& zeroed : zeroed_) {
        const std::string id = vovido::NodeIdOr(*network, zeroed.handle, "");
        NoteReport_(kOutOfRange, false);
        (void)vovido::LogNotice(errorLog, kOutOfRange, vovido::TinyNegativesMessage(id, zeroed.count).c_str(),
                                LinePrefix(zeroed.line).c_str(),
                                vovido::TinyNegativesInstance(id, zeroed.count));
    }
}

int VRX_ergoSpeaker::ReadParents() {
    const int n = static_cast<int>(nodes_.size());
    std::vector<std::vector<int>> positions(nodes_.size());
    bool fromZero = false;
    for (int i = 0; i < n; ++i) {
        int p = 0;
        if (const int rc = RequireInt(p)) return rc;
        if (p < 0 || p > n) {
            (void)ReportMessage(kOutOfRange,
                                std::string("ERROR:'") + TokenText_() + "' : Invalid number of parents");
            p = 0;
        }
        for (int j = 0; j < p; ++j) {
            int position = 0;
            if (const int rc = RequireInt(position)) return rc;
            positions[static_cast<size_t>(i)].push_back(position);
            fromZero = fromZero || position == 0;
        }
    }
    const int first = fromZero ? 0 : 1;
    for (int i = 0; i < n; ++i) {
        const int child = nodes_[static_cast<size_t>(i)];
        std::vector<int> parents;
        for (const int position : positions[static_cast<size_t>(i)]) {
            if (position < first || position >= n + first) {
                (void)ReportMessage(kOutOfRange,
                                    "ERROR: '" + std::to_string(position) + "' : Invalid parent position");
                continue;
            }
            parents.push_back(nodes_[static_cast<size_t>(position - first)]);
        }
        std::vector<std::string> ids;
        for (const int parent : parents) ids.emplace_back(vovido::NodeIdOr(*network, parent, ""));
        arcs_.emplace_back();
        WaitForTable(arcs_.back(), child, std::move(parents), std::move(ids),
                     [this](const std::string& id, int rc) {
                         (void)ReportMessage(rc, "ERROR: Couldn't Add Arc From Parent Node (\"" + id + "\")");
                     });
    }
    return kSuccess;
}

// A section given again is passed over to the next section mark and compared with the first.
int VRX_ergoSpeaker::SkipSection() {
    while (PeekToken() == kSuccess && !(token.kind == kPunctuator && TokenIs("/"))) ConsumeToken();
    return kSuccess;
}

int VRX_ergoSpeaker::ReadSections() {
    int status = kOutOfRange;
    bool any = false;
    bool read[4] = {false, false, false, false};
    StatementDigest digests[4];
    while (PeekToken() == kSuccess && token.kind == kPunctuator && TokenIs("/")) {
        any = true;
        std::string name;
        for (const char* mark : {"/", "*"}) {
            if (const int rc = RequireToken(kPunctuator, mark)) return rc;
        }
        if (const int rc = RequireWord(name)) return rc;
        for (const char* mark : {"*", "/"}) {
            if (const int rc = RequireToken(kPunctuator, mark)) return rc;
        }
        // A name selects the section whose name it begins.
        int section = -1;
        for (int i = 0; i < 4 && section < 0; ++i) {
            if (std::string(kSections[i]).compare(0, name.size(), name) == 0) section = i;
        }
        if (section >= 0 && read[section]) {
            StatementDigest digest;
            (void)Digested_(digest, [this]() { return SkipSection(); });
            ReportRepeat_("Network", "'" + std::string(kSections[section]) + "' section",
                          digest == digests[section]);
            continue;
        }
        static int (VRX_ergoSpeaker::*const kReaders[])() = {
            &VRX_ergoSpeaker::ReadProbabilities, &VRX_ergoSpeaker::ReadNames, &VRX_ergoSpeaker::ReadLabels,
            &VRX_ergoSpeaker::ReadCenters};
        if (section < 0) {
            status = ReportMessage(kSyntaxError, "ERROR: (\"" + name + "\") : Unknown Section");
        } else {
            status = Digested_(digests[section], [this, section]() { return (this->*kReaders[section])(); });
        }
        if (status != kSuccess) return status;
        if (section >= 0) read[section] = true;
    }
    // Without names and labels the nodes and outcomes keep made-up ones: a file cut short looks so, and
    // one cut inside a section has named the cut.
    const bool endedAfterSections =
        any && PeekToken() != kSuccess && !endReported_ && !lexer->EndsWithoutSeparator();
    if (endedAfterSections && !read[1])
        (void)ReportWarning(kSyntaxError, "ERROR: [Names] : Section not found, generated names are used");
    for (const int handle : nodes_) {
        if (!endedAfterSections || read[2]) break;
        const std::string text = "ERROR: Node [" + std::string(vovido::NodeIdOr(*network, handle, "")) +
                                 "] : the file gives no labels, generated outcome names are used";
        (void)ReportWarning(kSyntaxError, text.c_str());
    }
    if (PeekToken() == kSuccess) {
        return ReportMessage(kSyntaxError,
                             std::string("ERROR: '") + TokenText_() + "' : End of File expected");
    }
    if (!any) {
        FormatUnexpectedEnd(kPunctuator, "/");
        return ReportError(kOutOfRange, message.c_str());
    }
    return status;
}

int VRX_ergoSpeaker::ReadProbabilities() {
    for (size_t position = 0; position < nodes_.size(); ++position) {
        const int handle = nodes_[position];
        PendingArcs none;
        PendingArcs& arcs = position < arcs_.size() ? arcs_[position] : none;
        int c = 0;
        if (const int rc = RequireInt(c)) return rc;
        VRX_node* node = network->GetNode(handle);
        if (c == 0) {
            (void)AddPendingArcs(arcs);
            if (const int rc = ReadNoisyMax(handle)) return rc;
            continue;
        }
        // Made a table before its arcs come, so that the table is built once.
        if (node->ChangeType(DefinitionType::kCpt) != kSuccess)
            return ReportMessage(kOutOfRange, "ERROR: Unknown Node Type");
        const int64_t waiting = PendingTableCells(arcs);
        if (waiting == 0) (void)AddPendingArcs(arcs);  // a table past the limit, which the arcs refuse
        const int64_t expected = arcs.waiting ? waiting : node->GetDefinition()->GetSize();
        const bool sizeFits = c == expected;
        // A count the input ends in may be cut ("1" of "16"): the cut is the cause.
        if (!sizeFits && lexer->EndsWithoutSeparator() && PeekToken() == kNoMoreTokens) {
            const int rc =
                ReportMessage(kSyntaxError, std::string("ERROR: '") + TokenText_() +
                                                "' : End of File inside a word, the file was cut short");
            endReported_ = true;  // the sections it left unread say no more
            return rc;
        }
        if (!sizeFits) {
            (void)ReportMessage(kOutOfRange,
                                std::string("ERROR:'") + TokenText_() + "' : Invalid table size");
            (void)ReportMessage(kOutOfRange, vovido::TableCountMessage(vovido::NodeIdOr(*network, handle, ""),
                                                                       c, static_cast<int>(expected)));
        }
        VRX_doubleArray values;
        Refusal refusal{handle, 0.0, 0,
                        std::string()};  // the first entry that is no probability, and its line
        for (int i = 0; i < c; ++i) {
            double value = 0.0;
            // The end of the file inside a table is named once, with the node; a number that is no number
            // is named by RequireNumber.
            if (PeekToken() == kNoMoreTokens && lexer->GetInputStatus() != kFileIoFailed) {
                return ReportMessage(kSyntaxError, "ERROR: Node [" +
                                                       std::string(vovido::NodeIdOr(*network, handle, "")) +
                                                       "] : its table ends after " + std::to_string(i) +
                                                       " of its " + std::to_string(c) + " numbers");
            }
            // Each number is parsed once; one beyond the doubles is refused once the names say whose
            // table it is in.
            if (PeekToken() == kSuccess && (token.kind == kInteger || token.kind == kReal) &&
                ParseDouble(token.text, value) == kSuccess) {
                if (!std::isfinite(value) && refusal.line == 0)
                    refusal = {handle, value, lexer->GetLineNumber(), TokenText_()};
                ConsumeToken();
            } else if (const int rc = RequireNumber(value)) {
                return rc;
            }
            if (vovido::IsTinyNegative(value)) {
                value = 0.0;
                if (zeroed_.empty() || zeroed_.back().handle != handle)
                    zeroed_.push_back({handle, 0, lexer->GetLineNumber()});
                ++zeroed_.back().count;
            }
            if (values.Add(value) != kSuccess) return ReportError(kOutOfMemory, nullptr);
            if (refusal.line == 0 && !vovido::IsProbability(value))
                refusal = {handle, value, lexer->GetLineNumber(), std::string()};
        }
        if (refusal.line != 0) {
            NoteReport_(kOutOfRange, true);
            refusals_.push_back(refusal);
        } else if (sizeFits && (AddPendingArcs(arcs) != kSuccess ||
                                node->GetDefinition()->SetDefinitionDoubles(values) != kSuccess)) {
            (void)ReportError(kOutOfRange, "ERROR: Couldn't set probabilities");
        }
    }
    OrderNoisyMaxStrengths();
    return kSuccess;
}

int VRX_ergoSpeaker::ReadCumulativeRow(int outcomes, double* row) {
    const int k = outcomes - 1;
    std::vector<double> x(static_cast<size_t>(k) + 1, 0.0);
    for (int i = 1; i <= k; ++i) {
        if (const int rc = RequireNumber(x[static_cast<size_t>(i)])) return rc;
        x[static_cast<size_t>(i)] = Clamped(x[static_cast<size_t>(i)]);
    }
    // (1 - xk, xk - x(k-1), ..., x2 - x1, x1)
    row[0] = 1.0 - x[static_cast<size_t>(k)];
    for (int j = 1; j <= k; ++j) row[j] = x[static_cast<size_t>(k - j + 1)] - x[static_cast<size_t>(k - j)];
    return kSuccess;
}

int VRX_ergoSpeaker::ReadNoisyMax(int handle) {
    VRX_node* node = network->GetNode(handle);
    auto* definition = dynamic_cast<VRX_noisyMAX*>(node->GetDefinition());
    if (definition == nullptr) return ReportMessage(kOutOfRange, "ERROR: Unknown Node Type");
    VRX_Dmatrix weights;
    if (weights.Copy(*definition->GetCiWeights()) != kSuccess) return ReportError(kOutOfMemory, nullptr);
    const int outcomes = definition->GetNumberOfOutcomes();
    const VRX_intArray& parents = network->GetParents(handle);
    int rows = 1;
    for (int i = 0; i < parents.GetCount(); ++i)
        rows += network->GetNode(parents[i])->GetDefinition()->GetNumberOfOutcomes();
    if (weights.GetNumberOfDimensions() != 2 || weights.GetSizeOfDimension(0) != rows ||
        weights.GetSizeOfDimension(1) != outcomes) {
        return ReportMessage(kOutOfRange, "ERROR: Couldn't set probabilities");
    }
    double* data = weights.GetData();
    if (const int rc = ReadCumulativeRow(outcomes, data + static_cast<size_t>(rows - 1) * outcomes))
        return rc;
    int row = 0;
    for (int i = 0; i < parents.GetCount(); ++i) {
        const int parentOutcomes = network->GetNode(parents[i])->GetDefinition()->GetNumberOfOutcomes();
        for (int m = 0; m < parentOutcomes - 1; ++m) {
            if (const int rc = ReadCumulativeRow(outcomes, data + static_cast<size_t>(row + m) * outcomes))
                return rc;
        }
        row += parentOutcomes;
    }
    for (int i = 0; i < weights.GetNumberOfElements(); ++i) data[i] = Clamped(data[i]);
    (void)weights.Normalize();  // in place, cannot fail
    if (definition->SetDefinition(weights) != kSuccess)
        (void)ReportError(kOutOfRange, "ERROR: Couldn't set probabilities");
    return kSuccess;
}

// A noisy-MAX child orders the outcomes of a probability-table parent from the last (strongest) to the
// first; its weights stay as read.
void VRX_ergoSpeaker::OrderNoisyMaxStrengths() {
    for (const int handle : nodes_) {
        auto* definition = dynamic_cast<VRX_noisyMAX*>(network->GetNode(handle)->GetDefinition());
        if (definition == nullptr) continue;
        VRX_Dmatrix weights;
        if (weights.Copy(*definition->GetCiWeights()) != kSuccess) {
            (void)ReportError(kOutOfMemory, nullptr);
            continue;
        }
        const VRX_intArray& parents = network->GetParents(handle);
        for (int i = 0; i < parents.GetCount(); ++i) {
            if (network->GetNodeType(parents[i]) != DefinitionType::kCpt) continue;
            const int m = network->GetNode(parents[i])->GetDefinition()->GetNumberOfOutcomes();
            VRX_intArray strengths;
            for (int k = m - 1; k >= 0; --k) {
                if (strengths.Add(k) != kSuccess) break;
            }
            if (definition->SetParentOutcomeStrengths(i, strengths) != kSuccess)
                (void)ReportError(kOutOfRange, "ERROR: Couldn't set probabilities");
        }
        if (definition->SetDefinition(weights) != kSuccess)
            (void)ReportError(kOutOfRange, "ERROR: Couldn't set probabilities");
    }
}

int VRX_ergoSpeaker::ReadNames() {
    std::unordered_set<std::string> named;
    for (const int handle : nodes_) {
        std::string text;
        if (const int rc = RequireWord(text)) return rc;
        const int line = lexer->GetLineNumber();
        // A name the file's end cut short, with names still due, is the cut: named once, where the next
        // name was due.
        if (handle != nodes_.back() && PeekToken() == kNoMoreTokens) return RequireWord(text);
        // The last name the file's end cut short is named by the read's end check, and nothing else.
        if (WordCutByEnd()) return kSuccess;
        VRX_header& header = network->GetNode(handle)->GetInfo()->header;
        if (!named.insert(text).second && IsFileIdentifier(text)) {
            (void)ReportWarningAt(line, kOutOfRange, "ERROR: [" + text + "] Duplicated Identifier");
        }
        const std::string id = FileNodeId(text, line, handle, true);
        if (const int rc = header.SetId(id.c_str())) (void)ReportError(rc, nullptr);
        if (header.SetName(text.c_str()) != kSuccess || header.SetComment(text.c_str()) != kSuccess)
            (void)ReportError(kOutOfMemory, nullptr);
    }
    return kSuccess;
}

int VRX_ergoSpeaker::ReadLabels() {
    for (const int handle : nodes_) {
        VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
        const int outcomes = definition->GetNumberOfOutcomes();
        std::vector<std::string> labels(static_cast<size_t>(outcomes));
        for (std::string& label : labels) {
            if (const int rc = RequireWord(label)) return rc;
        }
        // A noisy-MAX node lists its labels from the strongest outcome down.
        if (definition->GetType() == DefinitionType::kNoisyMax) std::reverse(labels.begin(), labels.end());
        VRX_idArray ids;
        if (vovido::OutcomeIds(labels, vovido::NodeIdOr(*network, handle, ""), ids,
                               vovido::SpeakerWarning(*this)) != kSuccess)
            return ReportError(kOutOfRange, "ERROR: Invalid Outcomes");
        if (const int rc = definition->RenameOutcomes(ids))
            return ReportMessage(rc, "ERROR: Invalid Outcomes");
    }
    return kSuccess;
}

int VRX_ergoSpeaker::ReadCenters() {
    for (const int handle : nodes_) {
        int x = 0;
        int y = 0;
        if (const int rc = RequireInt(x)) return rc;
        if (const int rc = RequireInt(y)) return rc;
        VRX_nodeInfo* info = network->GetNode(handle)->GetInfo();
        info->screenInfo.position.centerX = x;
        info->screenInfo.position.centerY = y;
    }
    return kSuccess;
}
