// Reader of the own text format, the contents of a node and what follows the nodes: definition
// statements of every kind (with the noisy-OR and noisy-AND forms), extra definitions, observation
// costs and saved cases.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "base/table_entries.h"
#include "definitions/cast.h"
#include "definitions/definition_support.h"
#include "definitions/demorgan.h"
#include "definitions/node_cost.h"
#include "definitions/noisy_adder.h"
#include "definitions/noisy_max.h"
#include "formats/exchange_format_support.h"
#include "formats/vrx_format.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/saved_case.h"

namespace {

using TokenKind::kIdentifier;
using TokenKind::kInteger;
using TokenKind::kPunctuator;
using TokenKind::kString;

constexpr int kLastNodeDisplay = 4;

}  // namespace

// Evidence of a saved case as read, applied once the whole section is known.
struct VRX_vrxSpeaker::PendingEvidence {
    std::string node;
    int line = 0;
    int outcome = -1;
    bool hasValue = false;
    double value = 0.0;
    std::vector<int> slices;  // pairs slice, outcome
};

struct VRX_vrxSpeaker::PendingCase {
    std::string name;
    std::string category;
    std::string description;
    bool hasCreated = false;
    bool hasModified = false;
    int64_t created = 0;
    int64_t modified = 0;
    std::vector<std::string> targets;
    std::vector<PendingEvidence> evidence;
};

// ---------------------------------------------------------------------------------------------------
// Definitions

int VRX_vrxSpeaker::ReadDefinitionStatement() {
    VRX_node* node = CurrentNode();
    VRX_nodeDefinition* definition = node != nullptr ? node->GetDefinition() : nullptr;
    if (definition == nullptr) return ReportError(kObjectNotValid, nullptr);
    static const char* const kTableShapers[] = {"NAMESTATES", "NAMECHOICES",     "PROBABILITIES", "UTILITIES",
                                                "WEIGHTS",    "RESULTINGSTATES", nullptr};
    if (PeekToken() == kSuccess && token.kind == TokenKind::kIdentifier) {
        if (const int refused = RefuseAfterTable(currentNode_, node->GetId(), kTableShapers)) return refused;
    }
    // The outcomes and the tables read below leave the waiting arcs to the table; any other statement
    // may depend on them.
    static const char* const kBesideArcs[] = {"NAMESTATES", "NAMECHOICES",     "PROBABILITIES",
                                              "UTILITIES",  "RESULTINGSTATES", nullptr};
    if (PeekToken() != kSuccess || !TokenInTable(kBesideArcs)) (void)AddPendingArcs(parentArcs_);
    int rc = kNotThisKeyword;
    for (const char* key : {"NAMESTATES", "NAMECHOICES"}) {
        if (Handled(rc = ReadKeyAndEquals(key))) {
            VRX_idArray names;
            if (rc == kSuccess) rc = ReadIds(names);
            if (rc == kSuccess && (rc = ReportError(definition->SetOutcomes(names), nullptr)) == kSuccess)
                NoteNodeOutcomes(currentNode_, names.GetCount());
            return rc;
        }
    }
    if (Handled(rc = ReadProbabilities(*definition))) return TableRead(rc);
    for (const char* key : {"UTILITIES", "WEIGHTS"}) {
        if (Handled(rc = ReadKeyAndEquals(key))) {
            VRX_doubleArray values;
            const std::string id = node->GetId() != nullptr ? node->GetId() : "";
            if (rc == kSuccess) {
                const vovido::TableNumbersOf owner(*this, id);
                rc = ReadNumbers(values);
            }
            const std::string refusal =
                rc == kSuccess ? vovido::TableEntryRefusal(
                                     id, std::strcmp(key, "WEIGHTS") == 0 ? "weights" : "utilities",
                                     values.GetItems(), values.GetCount(), false)
                               : std::string();
            if (!refusal.empty()) return ReportMessage(kOutOfRange, "ERROR: " + refusal);
            if (rc == kSuccess) rc = AddArcsBeforeTable(parentArcs_, values.GetCount());
            return TableRead(
                rc != kSuccess ? rc : ReportTableSet(definition->SetDefinitionDoubles(values), values));
        }
    }
    if (Handled(rc = ReadKeyAndEquals("RESULTINGSTATES"))) {
        VRX_stringArray names;
        if (rc == kSuccess) rc = ReadIds(names);
        // One state per column: states that cannot fill the columns are refused before the arcs build them.
        const int64_t cells = PendingTableCells(parentArcs_);
        const int outcomes = definition->GetNumberOfOutcomes();
        if (rc == kSuccess && parentArcs_.waiting && cells > 0 && outcomes > 0 &&
            cells / outcomes != names.GetCount()) {
            parentArcs_.waiting = false;
            const VRX_node* node = CurrentNode();
            return ReportMessage(
                kInvalidData,
                "ERROR: Node [" +
                    std::string(node != nullptr && node->GetId() != nullptr ? node->GetId() : "") +
                    "] : " + std::to_string(names.GetCount()) + " resulting states read, " +
                    std::to_string(cells / outcomes) + " needed");
        }
        (void)AddPendingArcs(parentArcs_);
        return TableRead(rc != kSuccess ? rc : ReportError(definition->SetDefinitionStrings(names), nullptr));
    }
    if (Handled(rc = ReadStrengths(*definition))) return rc;
    if (Handled(rc = ReadCastStatement(*definition))) return rc;
    if (Handled(rc = ReadDemorganOrAdderStatement(*definition))) return rc;
    return ReportUnknownStatement("Unknown Definition Statement");
}

int VRX_vrxSpeaker::TableRead(int result) {
    if (result == kSuccess) NoteNodeTable(currentNode_);
    return result;
}

int VRX_vrxSpeaker::ReadProbabilities(VRX_nodeDefinition& definition) {
    int rc = ReadKeyAndEquals("PROBABILITIES");
    VRX_doubleArray values;
    const VRX_node* node = CurrentNode();
    const std::string id = node != nullptr && node->GetId() != nullptr ? node->GetId() : "";
    if (rc == kSuccess) {
        const vovido::TableNumbersOf owner(*this, id);
        rc = ReadNumbers(values);
    }
    if (rc != kSuccess) return rc;
    const bool probabilities = (definition.GetType() & DefinitionBits::kUtility) == 0;
    if (probabilities) ReadTinyNegativesAsZero(id, values.GetItems(), values.GetCount());
    const std::string refusal =
        vovido::TableEntryRefusal(id, "table", values.GetItems(), values.GetCount(), probabilities);
    if (!refusal.empty()) return ReportMessage(kOutOfRange, "ERROR: " + refusal);
    if (const int refused = AddArcsBeforeTable(parentArcs_, values.GetCount())) return refused;
    auto* noisyMax = dynamic_cast<VRX_noisyMAX*>(&definition);
    if (noisyMax != nullptr && noisyOr) {
        return ReportError(noisyMax->SetLeakyParametersWithoutConstrained(values), nullptr);
    }
    if (noisyMax != nullptr && noisyAnd) return ConvertNoisyAnd(definition, values);
    return ReportTableSet(definition.SetDefinitionDoubles(values), values);
}

int VRX_vrxSpeaker::ReportTableSet(int result, const VRX_doubleArray& values) {
    if (result == kSuccess) return kSuccess;
    VRX_nodeDefinition* definition = CurrentNode() != nullptr ? CurrentNode()->GetDefinition() : nullptr;
    // The kinds whose numbers are their table cell for cell; the others' parameters are counted otherwise.
    const bool table = definition != nullptr && (definition->GetType() == DefinitionType::kCpt ||
                                                 definition->GetType() == DefinitionType::kTable);
    if (!table || definition->GetSize() == values.GetCount()) return ReportError(result, nullptr);
    return ReportMessage(
        result, vovido::TableCountMessage(CurrentNode()->GetId() != nullptr ? CurrentNode()->GetId() : "",
                                          values.GetCount(), definition->GetSize()));
}

// Noisy-AND parameters are those of a noisy-MAX whose outcomes and parent strengths run the other way.
int VRX_vrxSpeaker::ConvertNoisyAnd(VRX_nodeDefinition& definition, const VRX_doubleArray& values) {
    auto& noisyMax = static_cast<VRX_noisyMAX&>(definition);
    const int n = noisyMax.GetNumberOfOutcomes();
    const int parents = noisyMax.GetNumberOfParents();
    const VRX_Dmatrix* weights = noisyMax.GetCiWeights();
    const int rows = weights->GetNumberOfDimensions() == 2 ? weights->GetSizeOfDimension(0) : 0;
    // Checked before anything changes: the free rows of every block and the leak row, n entries each.
    const int freeRows = rows - parents;
    if (n < 1 || freeRows < 1 || static_cast<int64_t>(freeRows) * n != values.GetCount()) {
        return ReportError(kOutOfRange, "ERROR: Wrong number of Probabilities");
    }
    const VRX_noisyMAX::StrengthSequence& strengths = noisyMax.GetParentOutcomeStrengths();
    for (int j = 0; j < parents; ++j) {
        if (j >= static_cast<int>(strengths.size()) || strengths[j].GetCount() < 1) {
            return ReportError(kOutOfRange, "ERROR: Wrong number of Probabilities");
        }
    }
    VRX_intArray reversed;
    if (reversed.SetSize(n) != kSuccess) return kOutOfMemory;
    for (int i = n - 1; i >= 0; --i) reversed.AddReserved(i);
    if (const int rc = noisyMax.ChangeOrderOfOutcomes(reversed)) return ReportError(rc, nullptr);
    for (int j = 0; j < parents; ++j) {
        const int k = strengths[j].GetCount();
        VRX_intArray order;
        if (order.FlushAndReserve(k < 1 ? 1 : k) != kSuccess) return kOutOfMemory;
        order.AddReserved(k - 1);
        for (int m = 0; m + 1 < k; ++m) order.AddReserved(m);
        if (const int rc = noisyMax.ChangeOrderOfStrengths(j, order)) return ReportError(rc, nullptr);
    }
    VRX_intArray shape;
    if (shape.FlushAndReserve(2) != kSuccess) return kOutOfMemory;
    shape.AddReserved(freeRows);
    shape.AddReserved(n);
    VRX_Dmatrix table(shape);
    if (table.GetNumberOfElements() != values.GetCount()) return kOutOfMemory;
    for (int i = 0; i < values.GetCount(); ++i) table[i] = values[i];
    if (const int rc = table.ReorderItems(1, reversed)) return ReportError(rc, nullptr);
    return ReportError(noisyMax.SetLeakyParametersWithoutConstrained(table.GetItems()), nullptr);
}

int VRX_vrxSpeaker::ReadStrengths(VRX_nodeDefinition& definition) {
    int rc = ReadKeyAndEquals("STRENGTHS");
    VRX_intArray list;
    if (rc == kSuccess) rc = ReadInts(list);
    if (rc != kSuccess) return rc;
    auto* noisyMax = dynamic_cast<VRX_noisyMAX*>(&definition);
    if (noisyMax == nullptr) return ReportError(kWrongNodeType, nullptr);
    const VRX_noisyMAX::StrengthSequence& strengths = noisyMax->GetParentOutcomeStrengths();
    int offset = 0;
    for (int j = 0; j < static_cast<int>(strengths.size()); ++j) {
        const int k = strengths[j].GetCount();
        VRX_intArray order;
        bool consistent = order.SetSize(k) == kSuccess;
        for (int m = 0; consistent && m < k; ++m) {
            int position = offset;
            while (position < list.GetCount() && list[position] != m) ++position;
            consistent = position < list.GetCount();
            if (consistent) order.AddReserved(position - offset);
        }
        if (!consistent || order.CheckPermutation(k) != kSuccess) {
            return ReportMessage(
                kSyntaxError, "ERROR: NoisyMAX strengths are inconsistent for parent " + std::to_string(j));
        }
        if (const int set = noisyMax->SetParentOutcomeStrengths(j, order)) return ReportError(set, nullptr);
        offset += k;
    }
    return kSuccess;
}

int VRX_vrxSpeaker::ReadCastStatement(VRX_nodeDefinition& definition) {
    auto* cast = dynamic_cast<VRX_cast*>(&definition);
    for (const char* key : {"PWEIGHTS", "NWEIGHTS"}) {
        int rc = ReadKeyAndEquals(key);
        if (!Handled(rc)) continue;
        VRX_doubleArray weights;
        if (rc == kSuccess) rc = ReadNumbers(weights);
        if (rc != kSuccess) return rc;
        if (cast == nullptr) return ReportError(kWrongNodeType, nullptr);
        const bool positive = key[0] == 'P';
        return ReportError(positive ? cast->SetPositiveWeights(weights) : cast->SetNegativeWeights(weights),
                           nullptr);
    }
    const int rc = ReadFieldStart("BASELINE", kString);
    if (rc != kSuccess) return rc;
    if (cast == nullptr) return ReportError(kWrongNodeType, nullptr);
    double baseline = 0.0;
    int result = ParseDouble(token.text, baseline);
    if (result == kSuccess) result = cast->SetBaseline(baseline);
    return ReportError(result, nullptr);
}

// DeMorgan: PRIORBELIEF, PARENTTYPES, PARENTWEIGHTS. Noisy adder: FUNCTION, DSTATES (the node's
// distinguished outcome, then one per parent), PARENTWEIGHTS (one per parent, the leak's last).
int VRX_vrxSpeaker::ReadDemorganOrAdderStatement(VRX_nodeDefinition& definition) {
    auto* demorgan = dynamic_cast<VRX_demorgan*>(&definition);
    auto* adder = dynamic_cast<VRX_noisyAdder*>(&definition);
    int rc = ReadFieldStart("PRIORBELIEF", kString);
    if (Handled(rc)) {
        if (rc != kSuccess) return rc;
        if (demorgan == nullptr) return ReportError(kWrongNodeType, nullptr);
        double prior = 0.0;
        int result = ParseDouble(token.text, prior);
        if (result == kSuccess) result = demorgan->SetPriorBelief(prior);
        return ReportError(result, nullptr);
    }
    int function = 0;
    if (Handled(rc = ReadIntField("FUNCTION", function))) {
        if (rc != kSuccess) return rc;
        return ReportError(adder == nullptr ? kWrongNodeType : adder->SetFunction(function), nullptr);
    }
    for (const char* key : {"PARENTTYPES", "DSTATES"}) {
        if (!Handled(rc = ReadKeyAndEquals(key))) continue;
        VRX_intArray list;
        if (rc == kSuccess) rc = ReadInts(list);
        if (rc != kSuccess) return rc;
        if (key[0] == 'P')
            return ReportError(demorgan == nullptr ? kWrongNodeType : demorgan->SetParentTypes(list),
                               nullptr);
        if (adder == nullptr) return ReportError(kWrongNodeType, nullptr);
        if (list.GetCount() != adder->GetNumberOfParents() + 1) {
            return ReportError(kOutOfRange, "ERROR: Wrong number of distinguished states");
        }
        if (const int result = adder->SetDistinguishedState(list[0])) return ReportError(result, nullptr);
        for (int i = 1; i < list.GetCount(); ++i) {
            if (const int result = adder->SetParentDistinguishedState(i - 1, list[i]))
                return ReportError(result, nullptr);
        }
        return kSuccess;
    }
    if (Handled(rc = ReadKeyAndEquals("PARENTWEIGHTS"))) {
        VRX_doubleArray weights;
        if (rc == kSuccess) rc = ReadNumbers(weights);
        if (rc != kSuccess) return rc;
        if (demorgan != nullptr) return ReportError(demorgan->SetParentWeights(weights), nullptr);
        if (adder != nullptr) {
            // The adder reads one weight per parent and the leak's: a shorter list is refused here.
            if (weights.GetCount() != adder->GetNumberOfParents() + 1)
                return ReportError(kOutOfRange, nullptr);
            return ReportError(adder->SetWeights(weights), nullptr);
        }
        return ReportError(kWrongNodeType, nullptr);
    }
    return kNotThisKeyword;
}

// ---------------------------------------------------------------------------------------------------
// Extra definition

int VRX_vrxSpeaker::ReadExtraStatement() {
    VRX_node* node = CurrentNode();
    VRX_extraDefinition* extra = node != nullptr ? node->GetExtraDefinition() : nullptr;
    VRX_nodeDefinition* definition = node != nullptr ? node->GetDefinition() : nullptr;
    if (extra == nullptr || definition == nullptr) return ReportError(kObjectNotValid, nullptr);
    const int outcomes = definition->GetNumberOfOutcomes();
    // The per-outcome sequences of the extra definition; utility kinds have none.
    const int perOutcome = extra->GetFaultOutcomes().GetCount();
    int rc = ReadExtraSetting(*extra);
    if (Handled(rc)) return rc;
    if (Handled(rc = ReadExtraOutcomeLists(*extra, perOutcome))) return rc;
    int value = 0;
    if (Handled(rc = ReadIntField("DEFAULT_STATE", value))) {
        if (rc != kSuccess || outcomes < 1) return rc;
        return ReportError(extra->SetDefaultOutcome(value), nullptr);
    }
    if (Handled(rc = ReadSectionStart("DOCUMENTATION"))) {
        if (rc != kSuccess) return rc;
        VRX_documentation documents;
        if (const int read = ReadDocumentationSection(documents)) return read;
        if (stateDocIndex >= perOutcome) return ReportError(kOutOfRange, nullptr);
        if (documents.GetNumberOfDocuments() == 0 && !extra->HasOutcomeTexts()) {
            ++stateDocIndex;  // as the unbuilt documents stand
            return kSuccess;
        }
        VRX_documentation* target = extra->GetOutcomeDocumentation(stateDocIndex);
        if (target == nullptr) return ReportError(kOutOfRange, nullptr);
        ++stateDocIndex;
        return ReportError(target->Copy(documents), nullptr);
    }
    if (Handled(rc = ReadFieldStart("QUESTION", kString))) {
        return rc != kSuccess ? rc : ReportError(extra->SetQuestion(token.text), nullptr);
    }
    return ReportUnknownStatement("Unknown Definition Statement");
}

// The diagnosis type, the flags and the display settings; kNotThisKeyword for any other statement.
int VRX_vrxSpeaker::ReadExtraSetting(VRX_extraDefinition& extra) {
    int rc = ReadFieldStart("DIAGNOSIS_TYPE", kIdentifier);
    if (Handled(rc)) {
        if (rc != kSuccess) return rc;
        extra.diagType = TokenIs("TARGET")        ? DiagnosisType::kTarget
                         : TokenIs("OBSERVATION") ? DiagnosisType::kObservation
                                                  : DiagnosisType::kAuxiliary;
        if (!TokenIs("TARGET") && !TokenIs("OBSERVATION") && !TokenIs("AUXILIARY")) ReportUnknownValue();
        return kSuccess;
    }
    unsigned char* const flags[] = {&extra.ranked, &extra.mandatory, &extra.setAsDefault};
    const char* const flagKeys[] = {"RANKED", "MANDATORY", "SETASDEFAULT"};
    for (int i = 0; i < 3; ++i) {
        int on = 0;
        if (!Handled(rc = ReadBoolField(flagKeys[i], on))) continue;
        if (rc == kSuccess) *flags[i] = on ? 1 : 0;
        return rc;
    }
    int value = 0;
    if (Handled(rc = ReadIntField("SHOWAS", value))) {
        if (rc != kSuccess) return rc;
        if (value >= 0 && value <= kLastNodeDisplay) {
            extra.showAs = value;
        } else {
            ReportUnknownValue();
        }
        return kSuccess;
    }
    if (Handled(rc = ReadIntField("FAULTNAMEFORMAT", value))) {
        if (rc != kSuccess) return rc;
        if (value >= 0 && value <= FaultNameFormat::kInherit) {
            extra.faultNameFormat = value;
        } else {
            ReportUnknownValue();
        }
        return kSuccess;
    }
    return kNotThisKeyword;
}

namespace {

bool AllEmpty(const VRX_stringArray& texts) {
    for (int i = 0; i < texts.GetCount(); ++i) {
        if (texts[i] != nullptr && texts[i][0] != '\0') return false;
    }
    return true;
}

}  // namespace

// The fault outcomes and the lists of one text per outcome; kNotThisKeyword for any other statement.
int VRX_vrxSpeaker::ReadExtraOutcomeLists(VRX_extraDefinition& extra, int perOutcome) {
    int rc = ReadKeyAndEquals("FAULT_STATES");
    if (Handled(rc)) {
        VRX_intArray marks;
        if (rc == kSuccess) rc = ReadInts(marks);
        return rc != kSuccess ? rc : ReportError(extra.SetFaultOutcomes(marks), nullptr);
    }
    // Lists of one text per outcome.
    const char* const listKeys[] = {"FAULT_NAMES", "FAULT_LABELS", "STATECOMMENTS", "STATEREPAIRINFO"};
    const char* const mismatch[] = {"Wrong number of fault names", "Wrong number of fault labels",
                                    "Wrong number of state comments", "Wrong number of repair comments"};
    for (int k = 0; k < 4; ++k) {
        if (!Handled(rc = ReadKeyAndEquals(listKeys[k]))) continue;
        VRX_stringArray texts;
        if (rc == kSuccess) rc = ReadStrings(texts);
        if (rc != kSuccess) return rc;
        if (texts.GetCount() != perOutcome) return ReportError(kOutOfRange, mismatch[k]);
        // Empty texts are what unbuilt lists hold: a file that writes them for every node builds none.
        if (!extra.HasOutcomeTexts() && AllEmpty(texts)) return kSuccess;
        if (k == 1) return ReportError(extra.SetOutcomeLabels(texts), nullptr);
        for (int i = 0; i < perOutcome; ++i) {
            int result = kSuccess;
            if (k == 0) result = extra.GetFaultNames()->SetString(i, texts[i]);
            if (k == 2) result = extra.SetOutcomeDescription(i, texts[i]);
            if (k == 3) result = extra.SetOutcomeFix(i, texts[i]);
            if (result != kSuccess) return ReportError(result, nullptr);
        }
        return kSuccess;
    }
    return kNotThisKeyword;
}

// ---------------------------------------------------------------------------------------------------
// Observation costs

int VRX_vrxSpeaker::ReadCostSection() {
    if (const int rc = ReadSectionStart("OBSERVATION_COST")) return rc;
    // A node's costs are given once, whichever section holds them.
    return ReadBlock([this]() { return ReadCostBlock(costsSeen_); });
}

int VRX_vrxSpeaker::ReadCostBlock(NodeParts& seen) {
    if (const int rc = RequireToken(kIdentifier, "node")) return rc;
    if (const int rc = RequireToken(kIdentifier, nullptr)) return rc;
    const std::string id(TokenText_());
    const int handle = network->FindNode(id.c_str());
    if (handle < 0) return ReportMessage(handle, "ERROR: Couldn't Find Node (\"" + id + "\")");
    return ReadPartOnce(seen, handle, id, "OBSERVATION_COST entry", [this, handle, &id]() {
        if (const int rc = RequireToken(kPunctuator, "{")) return rc;
        return ReadCostStatements(handle, id);
    });
}

int VRX_vrxSpeaker::ReadCostStatements(int handle, const std::string& id) {
    return ReadOnceBlock("Node [" + id + "]", " in OBSERVATION_COST", [this, handle, &id]() {
        int rc = ReadKeyAndEquals("PARENTS");
        if (Handled(rc)) {
            VRX_stringArray parents;
            if (rc == kSuccess) rc = ReadIdList(parents);
            if (rc != kSuccess) return rc;
            for (int i = 0; i < parents.GetCount(); ++i) {
                const int parent = network->FindNode(parents[i]);
                const int added = parent < 0 ? parent : network->AddArc(parent, handle, 1);
                if (added != kSuccess) {
                    ReportMessage(added, std::string("ERROR: Couldn't add cost arc from node [") +
                                             parents[i] + "] to node [" + id + "]");
                }
            }
            return kSuccess;
        }
        if (Handled(rc = ReadKeyAndEquals("COSTS"))) {
            VRX_doubleArray values;
            if (rc == kSuccess) {
                const vovido::TableNumbersOf owner(*this, id);
                rc = ReadNumbers(values);
            }
            if (rc != kSuccess) return rc;
            const std::string refusal = vovido::TableEntryRefusal(id, "observation costs", values.GetItems(),
                                                                  values.GetCount(), false);
            if (!refusal.empty()) return ReportMessage(kOutOfRange, "ERROR: " + refusal);
            VRX_node* node = network->GetNode(handle);
            VRX_Dmatrix* costs =
                node != nullptr && node->GetCost() != nullptr ? node->GetCost()->GetCosts() : nullptr;
            if (costs == nullptr) return ReportError(kObjectNotValid, nullptr);
            const int n = std::min(values.GetCount(), costs->GetNumberOfElements());
            for (int i = 0; i < n; ++i) (*costs)[i] = values[i];
            if (values.GetCount() != costs->GetNumberOfElements()) {
                return ReportError(kOutOfRange, "ERROR: Wrong number of costs");
            }
            return kSuccess;
        }
        return ReportUnknownStatement("Unknown Cost Statement");
    });
}

// ---------------------------------------------------------------------------------------------------
// Saved cases

namespace {

// Stamps are 64-bit: read from the Integer token's text, refused when out of range.
bool ParseStamp(const char* text, int64_t& out) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (errno == ERANGE || end == text || *end != '\0') return false;
    out = value;
    return true;
}

}  // namespace

int VRX_vrxSpeaker::ReadCaseSection() {
    if (const int rc = ReadSectionStart("CASE")) return rc;
    PendingCase pending;
    (void)ReadOnceBlock(NetworkOwner(), " in CASE",
                        [this, &pending]() { return ReadCaseStatement(pending); });
    return StoreCase(pending);
}

int VRX_vrxSpeaker::ReadCaseStatement(PendingCase& pending) {
    std::string* const texts[] = {&pending.name, &pending.category, &pending.description};
    const char* const textKeys[] = {"NAME", "CATEGORY", "DESCRIPTION"};
    int rc = kNotThisKeyword;
    for (int i = 0; i < 3; ++i) {
        if (!Handled(rc = ReadFieldStart(textKeys[i], kString))) continue;
        if (rc == kSuccess) texts[i]->assign(TokenText_());
        return rc;
    }
    for (const char* key : {"CREATED", "MODIFIED"}) {
        if (!Handled(rc = ReadFieldStart(key, kInteger))) continue;
        if (rc != kSuccess) return rc;
        const bool created = key[0] == 'C';
        if (!ParseStamp(TokenText_(), created ? pending.created : pending.modified))
            return ReportError(kOutOfRange, nullptr);
        (created ? pending.hasCreated : pending.hasModified) = true;
        return kSuccess;
    }
    if (Handled(rc = ReadKeyAndEquals("TARGETS"))) {
        VRX_stringArray ids;
        if (rc == kSuccess) rc = ReadIdList(ids);
        for (int i = 0; rc == kSuccess && i < ids.GetCount(); ++i) {
            const std::string id = ids[i];
            // A target listed again adds nothing: it is read once, with a word.
            if (std::find(pending.targets.begin(), pending.targets.end(), id) != pending.targets.end()) {
                (void)ReportWarning(
                    kOutOfRange,
                    RepeatedMessage("Case [" + pending.name + "]", "target [" + id + "]", true).c_str());
                continue;
            }
            pending.targets.push_back(id);
        }
        return rc;
    }
    if (Handled(rc = ReadSectionStart("EVIDENCE"))) {
        if (rc != kSuccess) return rc;
        NodeParts seen;
        return ReadBlock([this, &pending, &seen]() { return ReadCaseEvidence(pending, seen); });
    }
    return ReportUnknownStatement("Unknown Case Statement");
}

// node <id> { ... }: the evidence on one node, kept with its line for the messages of StoreCase.
int VRX_vrxSpeaker::ReadCaseEvidence(PendingCase& pending, NodeParts& seen) {
    if (const int r = RequireToken(kIdentifier, "node")) return r;
    if (const int r = RequireToken(kIdentifier, nullptr)) return r;
    PendingEvidence entry;
    entry.node.assign(TokenText_());
    entry.line = lexer->GetLineNumber();
    const auto read = [this, &entry]() {
        if (const int r = RequireToken(kPunctuator, "{")) return r;
        (void)ReadOnceBlock("Node [" + entry.node + "]", " in CASE EVIDENCE",
                            [this, &entry]() { return ReadCaseEvidenceStatement(entry); });
        return kSuccess;
    };
    // A node unknown here is named when the case is stored.
    const int handle = network->FindNode(entry.node.c_str());
    if (handle < 0) {
        if (const int r = read()) return r;
    } else {
        const size_t before = seen.size();
        if (const int r = ReadPartOnce(seen, handle, entry.node, "evidence entry in a CASE", read)) return r;
        if (seen.size() == before) return kSuccess;  // a repeat, skipped
    }
    pending.evidence.push_back(std::move(entry));
    return kSuccess;
}

int VRX_vrxSpeaker::ReadCaseEvidenceStatement(PendingEvidence& entry) {
    int r = ReadIntField("OUTCOME", entry.outcome);
    if (Handled(r)) return r;
    if (Handled(r = ReadKeyAndEquals("VALUE"))) {
        if (r == kSuccess) r = ReadWrittenNumber(entry.value);
        entry.hasValue = r == kSuccess;
        return r;
    }
    if (Handled(r = ReadKeyAndEquals("SLICES"))) {
        VRX_intArray pairs;
        if (r == kSuccess) r = ReadInts(pairs);
        if (r == kSuccess && pairs.GetCount() % 2 != 0) {
            return ReportError(kOutOfRange, "ERROR: Slice evidence comes in pairs of slice and outcome");
        }
        for (int i = 0; r == kSuccess && i < pairs.GetCount(); ++i) entry.slices.push_back(pairs[i]);
        return r;
    }
    return ReportUnknownStatement("Unknown Case Statement");
}

// The case as read goes into the network once the whole section is known.
int VRX_vrxSpeaker::StoreCase(const PendingCase& pending) {
    VRX_case* made = network->AddCase(pending.name.c_str());
    if (made == nullptr)
        return ReportMessage(kOutOfRange, "ERROR: Couldn't Create Case (\"" + pending.name + "\")");
    if (const int stored = made->SetCategory(pending.category.c_str())) return ReportError(stored, nullptr);
    if (const int stored = made->SetDescription(pending.description.c_str()))
        return ReportError(stored, nullptr);
    if (pending.hasCreated) made->SetCreated(pending.created);
    if (pending.hasModified) made->SetModified(pending.modified);
    for (const std::string& id : pending.targets) {
        const int handle = FindCaseNode(id);
        if (handle >= 0) ReportError(made->AddTarget(handle), nullptr);
    }
    for (const PendingEvidence& entry : pending.evidence) StoreCaseEvidence(*made, entry);
    return kSuccess;
}

int VRX_vrxSpeaker::FindCaseNode(const std::string& id) {
    const int handle = network->FindNode(id.c_str());
    if (handle < 0) ReportMessage(handle, "ERROR: Couldn't Find Node (\"" + id + "\")");
    return handle;
}

void VRX_vrxSpeaker::StoreCaseEvidence(VRX_case& made, const PendingEvidence& entry) {
    const int handle = FindCaseNode(entry.node);
    if (handle < 0) return;
    int rc = kSuccess;
    if (entry.outcome >= 0) {
        rc = made.AddEvidence(handle, entry.outcome);
    } else if (entry.hasValue) {
        rc = made.AddContEvidence(handle, entry.value);
    }
    for (size_t i = 0; rc == kSuccess && i + 1 < entry.slices.size(); i += 2) {
        rc = made.AddTemporalEvidence(handle, entry.slices[i + 1], entry.slices[i]);
    }
    if (rc != kSuccess)
        ReportMessage(rc, "ERROR: Invalid evidence for node [" + entry.node + "] (line " +
                              std::to_string(entry.line) + ")");
}
