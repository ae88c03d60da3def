// Writer of the system's own text format: the whole network in its canonical form, nodes in
// topological order so that every parent is read before its children.
#include <string>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/cast.h"
#include "definitions/decision_list.h"
#include "definitions/demorgan.h"
#include "definitions/mau.h"
#include "definitions/node_cost.h"
#include "definitions/noisy_adder.h"
#include "definitions/noisy_max.h"
#include "definitions/truth_table.h"
#include "formats/exchange_format_support.h"
#include "formats/vrx_format.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/saved_case.h"
#include "model/submodel.h"

namespace {

// The kinds whose content this format has statements for.
bool IsVrxKind(int typeCode) {
    switch (typeCode) {
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kList:
        case DefinitionType::kTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kCast:
        case DefinitionType::kDeMorgan:
        case DefinitionType::kNoisyAdder:
        case DefinitionType::kMau:
            return true;
        default:
            return false;
    }
}

// A multi-attribute node's expressions have no statement here: only its weights can be written.
bool LosesContent(const VRX_nodeDefinition* definition) {
    const auto* mau = dynamic_cast<const VRX_mau*>(definition);
    return mau != nullptr && mau->HasExpressions();
}

const char* DiagnosisTypeWord(int type) {
    if (type == DiagnosisType::kTarget) return "TARGET";
    if (type == DiagnosisType::kObservation) return "OBSERVATION";
    return "AUXILIARY";
}

}  // namespace

namespace {

// The first node with a temporal parent of any order, or -1.
int FirstTemporalChild(VRX_network& network) {
    const int orders = network.GetMaxTemporalOrder();
    VRX_intArray parents;
    for (int h = network.GetFirstNode(); h >= 0 && orders > 0; h = network.GetNextNode(h)) {
        for (int order = 1; order <= orders; ++order) {
            if (network.GetTemporalParents(h, order, parents) == kSuccess && parents.GetCount() > 0) return h;
        }
    }
    return -1;
}

// What of the node the format cannot hold; empty when it can be written whole.
std::string VrxLoss(const VRX_network& network, int handle) {
    const VRX_node* node = network.GetNode(handle);
    const VRX_nodeDefinition* definition = node->GetDefinition();
    // The file has no slices: a node of the plate, or one placed before or after it, would read back
    // as a static one.
    if (network.GetTemporalType(handle) != TemporalType::kNormal)
        return "its temporal type " + std::to_string(network.GetTemporalType(handle)) + " (" +
               vovido::TemporalTypeWord(network.GetTemporalType(handle)) + ")";
    if (node->GetInfo() != nullptr && definition != nullptr && IsVrxKind(definition->GetType()) &&
        !LosesContent(definition))
        return std::string();
    return definition != nullptr ? "the definition of " + vovido::KindNodeText(definition)
                                 : std::string("nodes without definition");
}

}  // namespace

int VRX_vrxSpeaker::CheckWritable() {
    if (network == nullptr) return kObjectNotValid;
    // The format has no statements for temporal arcs and definitions: they would be lost.
    if (network->GetMaxTemporalOrder() > 0) {
        const int child = FirstTemporalChild(*network);
        const std::string text = child < 0
                                     ? std::string("ERROR: Temporal arcs cannot be saved in the vrx format")
                                     : "ERROR: Node [" + vovido::NodeLabel(*network, child) +
                                           "] : its temporal arcs cannot be saved in the vrx format";
        return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
    }
    for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
        const std::string loss = VrxLoss(*network, h);
        if (loss.empty()) continue;
        const char* id = network->GetNode(h)->GetId();
        const std::string text = std::string("ERROR: Node [") +
                                 (id != nullptr ? id : VrxFormat::kUnnamedNode) + "] : " + loss +
                                 " cannot be saved in the vrx format";
        return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
    }
    // Parents must come before their children; a network whose order cannot be formed is not written.
    if (network->GetTopologicalOrder().GetCount() != network->GetNumberOfNodes()) {
        return LogError(errorLog, kOutOfRange, "ERROR: The network's nodes cannot be put in order", nullptr);
    }
    return kSuccess;
}

// Probabilities and utilities as numbers separated by ", "; the other kinds by their parameters.
VRX_fileFormat::TableText VRX_vrxSpeaker::MinimumTableText(int definitionType, int /*parents*/) const {
    return definitionType == DefinitionType::kCpt || definitionType == DefinitionType::kTable
               ? TableText{2, 0, 1, 0, false, true}
               : TableText{};
}

int VRX_vrxSpeaker::WriteFile(const char* path) {
    // Refused before the file is touched, so an existing file is not replaced by a partial one.
    if (const int rc = CheckWritable()) return rc;
    if (const int rc = StartWriting(path)) return rc;
    return FinishNetworkOutput(WriteNetwork());
}

int VRX_vrxSpeaker::WriteToText(std::string& out) {
    if (const int rc = CheckWritable()) return rc;
    if (const int rc = output.OpenOutputText()) return rc;
    const int rc = FinishNetworkOutput(WriteNetwork());
    out = output.GetOutputText();
    return rc;
}

int VRX_vrxSpeaker::FinishNetworkOutput(int written) {
    if (written != kSuccess) output.MarkFailed();
    const int closed = FinishWriting();
    return written != kSuccess ? written : closed;
}

int VRX_vrxSpeaker::WriteSectionStart(const char* name) {
    WriteIndented(name, false);
    output.Write(" = \n");
    output.Indent();
    output.WriteLine("{\n");
    return output.Indent();
}

void VRX_vrxSpeaker::SetContinuation() {
    output.SetContinuation(VrxFormat::kContinuation);
}

void VRX_vrxSpeaker::ClearContinuation() {
    output.SetContinuation(nullptr);
}

// Identifiers go out unbroken: a line break inside one would split it.
void VRX_vrxSpeaker::WriteBlockStart(const char* keyword, const char* id) {
    WriteIndented(keyword, false);
    output.WriteRaw(" ");
    output.WriteRaw(id);
    output.Write("\n");
    output.Indent();
    output.WriteLine("{\n");
    output.Indent();
}

void VRX_vrxSpeaker::WriteRawField(const char* key, const char* text) {
    WriteStringField(key, text, false, false);
}

void VRX_vrxSpeaker::WriteNumberField(const char* key, double value, bool quoted) {
    std::string text;
    FormatDouble(value, text);
    WriteStringField(key, text.c_str(), quoted, false);
}

int VRX_vrxSpeaker::WriteNetwork() {
    ResetWriteFailure();
    const VRX_header* header = network->GetHeader();
    const char* netId =
        header != nullptr && header->GetId() != nullptr ? header->GetId() : VrxFormat::kUnnamedNetwork;
    output.Write("net ");
    output.WriteRaw(netId);
    output.Write("\n{\n");
    output.Indent();
    if (header != nullptr) WriteHeader(*header);
    WriteSectionStart("CREATION");
    WriteStringField("CREATOR", network->creation.GetCreator(), true, true);
    WriteStringField("CREATED", network->creation.GetCreated(), true, true);
    WriteStringField("MODIFIED", network->creation.GetModified(), true, true);
    WriteSectionEnd();
    WriteIntField("NUMSAMPLES", network->numSamples);
    VRX_submodelHandler& handler = network->GetSubmodelHandler();
    if (const VRX_submodel* main = handler.GetSubmodel(kMainSubmodel)) WriteSubmodelFields(*main);
    WriteUserProperties(network->userProperties);
    WriteDocumentation(network->documentation);
    WriteIntField("SHOWAS", network->faultNameFormat);

    VRX_intArray submodels;
    NoteWriteFailure(handler.GetAllSubmodels(submodels));
    for (int i = 1; i < submodels.GetCount(); ++i) {
        const VRX_submodel* submodel = handler.GetSubmodel(submodels[i]);
        if (submodel == nullptr) continue;
        output.Write("\n");
        const char* id = submodel->header.GetId();
        WriteBlockStart("submodel", id != nullptr ? id : VrxFormat::kUnnamedSubmodel);
        const int parent = handler.GetParentSubmodel(submodels[i]);
        if (parent >= 0 && parent != kMainSubmodel) {
            const VRX_submodel* above = handler.GetSubmodel(parent);
            const char* parentId = above != nullptr ? above->header.GetId() : nullptr;
            WriteRawField("PARENT", parentId != nullptr ? parentId : VrxFormat::kUnknownParentSubmodel);
        }
        WriteHeader(submodel->header);
        WriteSubmodelFields(*submodel);
        WriteSectionEnd();
    }

    const VRX_intArray order(network->GetTopologicalOrder());
    if (order.GetCount() != network->GetTopologicalOrder().GetCount()) NoteWriteFailure(kOutOfMemory);
    for (int i = 0; i < order.GetCount(); ++i) {
        output.Write("\n");
        WriteNode(order[i]);
    }
    output.Write("\n");
    WriteSectionStart("OBSERVATION_COST");
    for (int i = 0; i < order.GetCount(); ++i) {
        output.Write("\n");
        WriteCosts(order[i]);
    }
    WriteSectionEnd();
    for (int i = 0; i < network->GetNumberOfCases(); ++i) {
        if (const VRX_case* savedCase = network->GetCase(i)) WriteCase(*savedCase);
    }
    output.Unindent();
    output.WriteLine("};\n");
    return GetWriteFailure() != kSuccess ? GetWriteFailure() : output.GetStatus();
}

void VRX_vrxSpeaker::WriteHeader(const VRX_header& header) {
    WriteSectionStart("HEADER");
    WriteRawField("ID", header.GetId());
    WriteStringField("NAME", header.GetName(), true, true);
    WriteStringField("COMMENT", header.GetComment(), true, true);
    WriteSectionEnd();
}

void VRX_vrxSpeaker::WriteRectangle(const char* name, const VRX_rectangle& rectangle) {
    WriteSectionStart(name);
    WriteIntField("CENTER_X", rectangle.centerX);
    WriteIntField("CENTER_Y", rectangle.centerY);
    WriteIntField("WIDTH", rectangle.width);
    WriteIntField("HEIGHT", rectangle.height);
    WriteSectionEnd();
}

void VRX_vrxSpeaker::WriteScreen(const VRX_screenInfo& screen) {
    WriteSectionStart("SCREEN");
    WriteRectangle("POSITION", screen.position);
    WriteIntField("COLOR", screen.color);
    WriteIntField("SELCOLOR", screen.selColor);
    WriteIntField("FONT", screen.font);
    WriteIntField("FONTCOLOR", screen.fontColor);
    WriteIntField("BORDERTHICKNESS", screen.borderThickness);
    WriteIntField("BORDERCOLOR", screen.borderColor);
    if ((screen.arcFlags & VRX_screenInfo::kShowInArcs) == 0) WriteBoolField("SHOWINARCS", false);
    if ((screen.arcFlags & VRX_screenInfo::kShowOutArcs) == 0) WriteBoolField("SHOWOUTARCS", false);
    WriteSectionEnd();
}

void VRX_vrxSpeaker::WriteSubmodelFields(const VRX_submodel& submodel) {
    WriteScreen(submodel.screenInfo);
    WriteRectangle("WINDOWPOSITION", submodel.windowPosition);
    WriteIntField("BKCOLOR", submodel.backgroundColor);
    const VRX_textBoxList& boxes = submodel.textBoxes;
    for (int i = 0; i < boxes.GetNumberOfTextBoxes(); ++i) {
        const VRX_rectangle& box = boxes.GetBox(i);
        VRX_intArray coordinates;
        for (const int value : {box.centerX, box.centerY, box.width, box.height})
            NoteWriteFailure(coordinates.Add(value));
        WriteIndented("SCREENCOMMENT", false);
        output.Write(" = ");
        output.Write(" { ");
        WriteIntList(coordinates, false);
        output.Write(",");
        output.WriteRaw("\"");
        const char* text = boxes.GetText(i);
        WriteText(text != nullptr ? text : "", true);
        output.WriteRaw("\"");
        output.Write("};\n");
    }
}

void VRX_vrxSpeaker::WriteUserProperties(const VRX_userProperties& properties) {
    WriteSectionStart("USER_PROPERTIES");
    for (int i = 0; i < properties.GetNumberOfProperties(); ++i) {
        const char* value = properties.GetPropertyValue(i);
        WriteIndented(properties.GetPropertyName(i), false);
        output.Write(" = ");
        output.WriteRaw("\"");
        WriteText(value != nullptr ? value : "", true);
        output.WriteRaw("\"");
        output.Write(";\n");
    }
    WriteSectionEnd();
}

void VRX_vrxSpeaker::WriteDocumentation(const VRX_documentation& documentation) {
    WriteQuotedPairs("DOCUMENTATION", documentation);
}

void VRX_vrxSpeaker::WriteQuotedPairs(const char* name, const VRX_documentation& documentation) {
    WriteSectionStart(name);
    for (int i = 0; i < documentation.GetNumberOfDocuments(); ++i) {
        const char* title = documentation.GetDocumentTitle(i);
        const char* path = documentation.GetDocumentPath(i);
        output.WriteIndentation();
        output.WriteRaw("\"");
        WriteText(title != nullptr ? title : "", true);
        output.WriteRaw("\" = \"");
        WriteText(path != nullptr ? path : "", true);
        output.WriteRaw("\";\n");
    }
    WriteSectionEnd();
}

void VRX_vrxSpeaker::WriteNode(int handle) {
    VRX_node* node = network->GetNode(handle);
    VRX_nodeDefinition& definition = *node->GetDefinition();
    const VRX_nodeInfo& info = *node->GetInfo();
    WriteBlockStart("node", NodeIdOr(handle, VrxFormat::kUnnamedNode));
    WriteRawField("TYPE", definition.GetTypeName());
    WriteHeader(info.header);
    WriteScreen(info.screenInfo);
    if (network->IsTarget(handle) == 1) WriteBoolField("TARGET", true);
    if ((node->GetSubmodel() | kSubmodelHandleFlag) != kMainSubmodel) {
        const VRX_submodel* submodel = network->GetSubmodelHandler().GetSubmodel(node->GetSubmodel());
        if (submodel != nullptr && submodel->header.GetId() != nullptr) {
            WriteRawField("SUBMODEL", submodel->header.GetId());
        }
    }
    WriteUserProperties(info.userProperties);
    WriteDocumentation(info.documentation);
    const VRX_intArray& parents = network->GetParents(handle, 0);
    VRX_stringArray parentIds;
    for (int i = 0; i < parents.GetCount(); ++i) {
        NoteWriteFailure(parentIds.Add(NodeIdOr(parents[i], VrxFormat::kUnknownParentNode)));
    }
    WriteIdListField("PARENTS", parentIds, false);
    WriteSectionStart("DEFINITION");
    WriteDefinition(definition);
    WriteSectionEnd();
    if (VRX_extraDefinition* extra = node->GetExtraDefinition()) {
        WriteSectionStart("EXTRA_DEFINITION");
        WriteExtraDefinition(*extra, extra->GetNumberOfOutcomeDocumentations());
        WriteSectionEnd();
    }
    WriteSectionEnd();
}

void VRX_vrxSpeaker::WriteDefinition(VRX_nodeDefinition& definition) {
    WriteOutcomeNames(definition);
    switch (definition.GetType()) {
        case DefinitionType::kCpt:
            WriteDefinitionTable("PROBABILITIES", definition);
            break;
        case DefinitionType::kTable:
            WriteDefinitionTable("UTILITIES", definition);
            break;
        case DefinitionType::kMau:
            WriteDefinitionTable("WEIGHTS", definition);
            break;
        case DefinitionType::kTruthTable: {
            VRX_stringArray states;
            NoteWriteFailure(static_cast<VRX_truthTable&>(definition).GetResultingStates(states));
            WriteIdListField("RESULTINGSTATES", states, false);
            break;
        }
        case DefinitionType::kList: {
            // The choices' values go the way the reader takes them back: WEIGHTS, into the list.
            VRX_doubleArray* values = nullptr;
            if (definition.GetDefinitionDoubles(values) == kSuccess && values != nullptr &&
                (values->GetCount() > 0 || values->GetSize() > 0)) {
                WriteDoubleListField("WEIGHTS", *values, values->GetCount() == 0);
            }
            break;
        }
        case DefinitionType::kNoisyMax:
            WriteNoisyMaxParameters(static_cast<VRX_noisyMAX&>(definition));
            break;
        case DefinitionType::kCast: {
            const auto& cast = static_cast<const VRX_cast&>(definition);
            WriteDoubleListField("PWEIGHTS", cast.GetPositiveWeights(), false);
            WriteDoubleListField("NWEIGHTS", cast.GetNegativeWeights(), false);
            WriteNumberField("BASELINE", cast.GetBaseline(), true);
            break;
        }
        case DefinitionType::kDeMorgan: {
            const auto& demorgan = static_cast<const VRX_demorgan&>(definition);
            WriteIntListField("PARENTTYPES", demorgan.GetParentTypes(), false);
            WriteDoubleListField("PARENTWEIGHTS", demorgan.GetParentWeights(), false);
            WriteNumberField("PRIORBELIEF", demorgan.GetPriorBelief(), true);
            break;
        }
        case DefinitionType::kNoisyAdder:
            WriteNoisyAdderParameters(static_cast<VRX_noisyAdder&>(definition));
            break;
        default:
            break;
    }
}

void VRX_vrxSpeaker::WriteOutcomeNames(VRX_nodeDefinition& definition) {
    VRX_idArray* outcomes = definition.GetOutcomesNames();
    switch (definition.GetType()) {
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder:
            if (outcomes != nullptr) WriteIdListField("NAMESTATES", *outcomes, false);
            break;
        case DefinitionType::kList:
            if (outcomes != nullptr) WriteIdListField("NAMECHOICES", *outcomes, false);
            break;
        default:
            break;
    }
}

void VRX_vrxSpeaker::WriteDefinitionTable(const char* key, VRX_nodeDefinition& definition) {
    if (VRX_Dmatrix* table = TableToWrite(definition)) WriteDoubleListField(key, table->GetItems(), true);
}

void VRX_vrxSpeaker::WriteNoisyMaxParameters(VRX_noisyMAX& noisyMax) {
    VRX_intArray positions;
    for (const VRX_intArray& order : noisyMax.GetParentOutcomeStrengths()) {
        for (int m = 0; m < order.GetCount(); ++m) NoteWriteFailure(positions.Add(order.FindPosition(m)));
    }
    WriteIntListField("STRENGTHS", positions, false);
    WriteDoubleListField("PROBABILITIES", noisyMax.GetCiWeights()->GetItems(), true);
}

void VRX_vrxSpeaker::WriteNoisyAdderParameters(VRX_noisyAdder& adder) {
    WriteIntField("FUNCTION", adder.GetFunction());
    VRX_intArray states;
    NoteWriteFailure(states.Add(adder.GetDistinguishedState()));
    const VRX_intArray& parentStates = adder.GetParentDistinguishedStates();
    for (int i = 0; i < parentStates.GetCount(); ++i) NoteWriteFailure(states.Add(parentStates[i]));
    WriteIntListField("DSTATES", states, false);
    WriteDoubleListField("PARENTWEIGHTS", adder.GetWeights(), false);
    WriteDoubleListField("PROBABILITIES", adder.GetCiWeights()->GetItems(), true);
}

void VRX_vrxSpeaker::WriteExtraDefinition(VRX_extraDefinition& extra, int outcomes) {
    WriteRawField("DIAGNOSIS_TYPE", DiagnosisTypeWord(extra.diagType));
    WriteBoolField("RANKED", extra.ranked != 0);
    WriteBoolField("MANDATORY", extra.mandatory != 0);
    WriteBoolField("SETASDEFAULT", extra.setAsDefault != 0);
    WriteIntField("SHOWAS", extra.showAs);
    if (extra.faultNameFormat != FaultNameFormat::kInherit)
        WriteIntField("FAULTNAMEFORMAT", extra.faultNameFormat);
    WriteIntListField("FAULT_STATES", extra.GetFaultOutcomes(), false);
    // Texts never built are written as the empty items they stand for, without building them.
    const bool built = extra.HasOutcomeTexts();
    const auto empty = [](int) { return ""; };
    if (built) {
        WriteStringListField("FAULT_NAMES", *extra.GetFaultNames(), false);
        WriteStringListField("FAULT_LABELS", *extra.GetOutcomeLabels(), false);
    } else {
        WriteTextListField("FAULT_NAMES", outcomes, empty);
        WriteTextListField("FAULT_LABELS", outcomes, empty);
    }
    WriteIntField("DEFAULT_STATE", extra.GetDefaultOutcome());
    for (int i = 0; i < outcomes; ++i) {
        if (!built) {
            WriteSectionStart("DOCUMENTATION");
            WriteSectionEnd();
        } else if (const VRX_documentation* documents = extra.GetOutcomeDocumentation(i)) {
            WriteQuotedPairs("DOCUMENTATION", *documents);
        }
    }
    WriteTextListField("STATECOMMENTS", outcomes, [&extra](int i) { return extra.GetOutcomeDescription(i); });
    WriteTextListField("STATEREPAIRINFO", outcomes, [&extra](int i) { return extra.GetOutcomeFix(i); });
    WriteQuotedField("QUESTION", extra.GetQuestion());
}

void VRX_vrxSpeaker::WriteCosts(int handle) {
    WriteBlockStart("node", NodeIdOr(handle, VrxFormat::kUnnamedNode));
    const VRX_intArray& parents = network->GetParents(handle, 1);
    VRX_stringArray parentIds;
    for (int i = 0; i < parents.GetCount(); ++i) {
        NoteWriteFailure(parentIds.Add(NodeIdOr(parents[i], VrxFormat::kUnknownParentNode)));
    }
    WriteIdListField("PARENTS", parentIds, false);
    const VRX_node& node = *network->GetNode(handle);
    if (node.HasFreshCost()) {
        WriteRawField("COSTS", "(0)");  // a new node's cost, written without building it
    } else if (const VRX_nodeCost* cost = node.GetCost()) {
        WriteDoubleListField("COSTS", cost->GetCosts()->GetItems(), true);
    }
    WriteSectionEnd();
}

void VRX_vrxSpeaker::WriteCase(const VRX_case& savedCase) {
    WriteSectionStart("CASE");
    WriteQuotedField("NAME", savedCase.GetName());
    WriteQuotedField("CATEGORY", savedCase.GetCategory());
    WriteQuotedField("DESCRIPTION", savedCase.GetDescription());
    WriteRawField("CREATED", std::to_string(savedCase.GetCreated()).c_str());
    WriteRawField("MODIFIED", std::to_string(savedCase.GetModified()).c_str());
    VRX_stringArray targets;
    for (int i = 0; i < savedCase.GetNumberOfTargets(); ++i) {
        NoteWriteFailure(targets.Add(NodeIdOr(savedCase.GetTarget(i), VrxFormat::kUnknownParentNode)));
    }
    WriteIdListField("TARGETS", targets, false);
    WriteSectionStart("EVIDENCE");
    for (int i = 0; i < savedCase.GetNumberOfEvidence(); ++i) {
        const VRX_caseEntry* entry = savedCase.GetEntry(i);
        WriteBlockStart("node", NodeIdOr(entry->node, VrxFormat::kUnnamedNode));
        if (entry->outcome >= 0) {
            WriteIntField("OUTCOME", entry->outcome);
        } else if (entry->slices.empty() || entry->value != 0.0) {
            WriteNumberField("VALUE", entry->value, false);
        }
        if (!entry->slices.empty()) {
            VRX_intArray pairs;
            for (const VRX_sliceEvidence& pair : entry->slices) {
                NoteWriteFailure(pairs.Add(pair.slice));
                NoteWriteFailure(pairs.Add(pair.outcome));
            }
            WriteIntListField("SLICES", pairs, false);
        }
        WriteSectionEnd();
    }
    WriteSectionEnd();
    WriteSectionEnd();
}
