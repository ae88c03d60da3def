// The XML network loader's node elements: each node is created at its start, its states, parents and
// parameter lists are collected while it is read, and its definition is set in one step at its end.
#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/expression_parser.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/read_size.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "base/table_entries.h"
#include "definitions/cast.h"
#include "definitions/cpt.h"
#include "definitions/definition_support.h"
#include "definitions/demorgan.h"
#include "definitions/mau.h"
#include "definitions/noisy_adder.h"
#include "definitions/noisy_max.h"
#include "definitions/parent_table.h"
#include "definitions/truth_table.h"
#include "definitions/utility_table.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_entry.h"
#include "model/node_label.h"
#include "xml/xml_network.h"
#include "xml/xml_network_loader.h"
#include "xml/xml_text.h"

using vovido::IntListFault;
using vovido::ParseWholeXmlDouble;
using vovido::ParseWholeXmlInt;
namespace DefinitionSupport = vovido::DefinitionSupport;

namespace {

constexpr int kOneOrMore = IXmlBinding::OneOrMore;

// Room reserved for a number list before its words arrive: a hint only, never a limit.
constexpr size_t kDefaultNumberReserve = 4096;
constexpr size_t kMaxNumberReserve = size_t{1} << 20;

// The array gets exactly the list's values: its size and count both equal the list's length, so no
// setter can take stale slots beyond them.
bool FillArray(const std::vector<double>& list, VRX_doubleArray& out) {
    if (out.SetSize(static_cast<int>(list.size())) != kSuccess) return false;
    for (double value : list) out.AddReserved(value);
    return true;
}

bool FillArray(const std::vector<int>& list, VRX_intArray& out) {
    if (out.SetSize(static_cast<int>(list.size())) != kSuccess) return false;
    for (int value : list) out.AddReserved(value);
    return true;
}

// The element text as one number, blanks around it allowed.
bool ParseSingleDouble(const std::string& text, double& value) {
    const auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    if (first == last) return false;
    return ParseWholeXmlDouble(text.substr(first, last - first).c_str(), value);
}

// A node's or outcome's identifier as the format writes it: a letter, then letters, digits and '_'.
bool IsWrittenIdentifier(const std::string& id) {
    std::string repaired = id;
    return VRX_idArray::RepairId(repaired) == kSuccess && repaired == id;
}

std::string SizeMessage(const char* message, size_t count, size_t expected) {
    return std::string(message) + std::to_string(count) + ", expected " + std::to_string(expected);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Grammar of the node kinds

void XmlNetLoader::AddNodeKind(IXmlBinding* nodes, NodeBinding* kind, bool hasStates, IXmlBinding* data,
                               std::initializer_list<IXmlBinding*> optional) {
    kind->AddChild(parentsBinding, kOptional);
    if (hasStates) kind->AddChild(stateBinding, kOneOrMore);
    if (data != nullptr) kind->AddChild(data, kRequired);
    kind->AddChild(nodePropertyBinding, kZeroOrMore);
    for (IXmlBinding* child : optional) kind->AddChild(child, kOptional);
    nodes->AddChild(kind, kZeroOrMore);
}

void XmlNetLoader::CreateNodeBindings(IXmlBinding* nodes) {
    const Handler numbersStart = &XmlNetLoader::OnNumbersStart;
    const Handler numbersEnd = &XmlNetLoader::OnNumbersEnd;
    const Handler numberWord = &XmlNetLoader::OnNumberWord;
    Binding* probabilities = MakeBinding("probabilities", numbersStart, numbersEnd, numberWord);
    Binding* utilities = MakeBinding("utilities", numbersStart, numbersEnd, numberWord);
    Binding* mauWeights = MakeBinding("weights", numbersStart, numbersEnd, numberWord);
    Binding* resultingStates = MakeBinding("resultingstates", nullptr, nullptr, &XmlNetLoader::OnResultWord);
    Binding* baseline = MakeBinding("baseline", nullptr, &XmlNetLoader::OnBaselineEnd, nullptr);
    Binding* positiveWeights = MakeBinding("pweights", nullptr, nullptr, &XmlNetLoader::OnPositiveWeightWord);
    Binding* negativeWeights = MakeBinding("nweights", nullptr, nullptr, &XmlNetLoader::OnNegativeWeightWord);
    Binding* priorBelief = MakeBinding("priorbelief", nullptr, &XmlNetLoader::OnPriorBeliefEnd, nullptr);
    Binding* demorganWeights = MakeBinding("weights", nullptr, nullptr, &XmlNetLoader::OnParentWeightWord);
    Binding* types = MakeBinding("types", nullptr, nullptr, &XmlNetLoader::OnParentTypeWord);
    Binding* strengths = MakeBinding("strengths", nullptr, nullptr, &XmlNetLoader::OnStrengthWord);
    Binding* parameters = MakeBinding("parameters", nullptr, nullptr, &XmlNetLoader::OnParameterWord);
    Binding* dstates = MakeBinding("dstates", nullptr, nullptr, &XmlNetLoader::OnDistinguishedStateWord);
    Binding* adderWeights = MakeBinding("weights", nullptr, nullptr, &XmlNetLoader::OnAdderWeightWord);

    AddNodeKind(nodes, MakeNodeBinding("cpt", DefinitionType::kCpt, &XmlNetLoader::FinishCpt, true), true,
                probabilities, {});
    AddNodeKind(
        nodes,
        MakeNodeBinding("deterministic", DefinitionType::kTruthTable, &XmlNetLoader::FinishTruthTable, true),
        true, resultingStates, {});
    AddNodeKind(nodes, MakeNodeBinding("decision", DefinitionType::kList, nullptr, true), true, nullptr, {});
    AddNodeKind(nodes,
                MakeNodeBinding("utility", DefinitionType::kTable, &XmlNetLoader::FinishUtility, false),
                false, utilities, {});
    AddNodeKind(nodes, MakeNodeBinding("mau", DefinitionType::kMau, &XmlNetLoader::FinishMau, false), false,
                mauWeights, {});
    // One utility expression per configuration of the decision parents, checked as each element ends.
    Binding* mauExpression = MakeBinding("expression", nullptr, &XmlNetLoader::OnDefinitionEnd, nullptr);
    NodeBinding* maux =
        MakeNodeBinding("maux", DefinitionType::kMau, &XmlNetLoader::FinishMauExpressions, false);
    AddNodeKind(nodes, maux, false, nullptr, {});
    maux->AddChild(mauExpression, kZeroOrMore);
    CreateEquationBindings(nodes);
    AddNodeKind(nodes, MakeNodeBinding("cast", DefinitionType::kCast, &XmlNetLoader::FinishCast, false),
                false, baseline, {positiveWeights, negativeWeights});
    AddNodeKind(nodes,
                MakeNodeBinding("demorgan", DefinitionType::kDeMorgan, &XmlNetLoader::FinishDemorgan, false),
                false, priorBelief, {demorganWeights, types});
    AddNodeKind(nodes,
                MakeNodeBinding("noisymax", DefinitionType::kNoisyMax, &XmlNetLoader::FinishNoisyMax, true),
                true, nullptr, {strengths, parameters});
    NodeBinding* noisyAdder =
        MakeNodeBinding("noisyadder", DefinitionType::kNoisyAdder, &XmlNetLoader::FinishNoisyAdder, true);
    noisyAdder->AddAttribute("function", false);
    AddNodeKind(nodes, noisyAdder, true, nullptr, {dstates, adderWeights, parameters});

    AddTemporalKind("cpt", DefinitionType::kCpt, &XmlNetLoader::FinishCpt, probabilities, {});
    AddTemporalKind("deterministic", DefinitionType::kTruthTable, &XmlNetLoader::FinishTruthTable,
                    resultingStates, {});
    AddTemporalKind("noisymax", DefinitionType::kNoisyMax, &XmlNetLoader::FinishNoisyMax, nullptr,
                    {strengths, parameters});
    AddTemporalKind("noisyadder", DefinitionType::kNoisyAdder, &XmlNetLoader::FinishNoisyAdder, nullptr,
                    {dstates, adderWeights, parameters});
    AddTemporalKind("demorgan", DefinitionType::kDeMorgan, &XmlNetLoader::FinishDemorgan, priorBelief,
                    {demorganWeights, types});
}

// ---------------------------------------------------------------------------------------------------
// Node start and finish

void XmlNetLoader::StartNode(IXmlReader* reader, int typeCode) {
    std::string id;
    std::string diagnosis;
    std::string dynamic;
    bool target = false;
    bool ranked = false;
    bool mandatory = false;
    reader->GetAttribute("id", id);
    if (!reader->GetBoolAttribute("target", target, false)) return;
    if (!reader->GetBoolAttribute("ranked", ranked, false)) return;
    if (!reader->GetBoolAttribute("mandatory", mandatory, false)) return;
    reader->GetAttribute("diagtype", diagnosis);
    reader->GetAttribute("dynamic", dynamic);

    int role = DiagnosisType::kAuxiliary;
    if (diagnosis == "target") {
        role = DiagnosisType::kTarget;
    } else if (diagnosis == "observation") {
        role = DiagnosisType::kObservation;
    } else if (!diagnosis.empty() && diagnosis != "auxiliary") {
        ReportWithArgument(reader, "Unknown diagnosis node type", diagnosis);
        return;
    }
    int temporalType = TemporalType::kNormal;
    if (dynamic == "anchor") {
        temporalType = TemporalType::kAnchor;
    } else if (dynamic == "terminal") {
        temporalType = TemporalType::kTerminal;
    } else if (dynamic == "plate") {
        temporalType = TemporalType::kPlate;
    } else if (!dynamic.empty() && dynamic != "normal") {
        ReportWithArgument(reader, "Unknown dynamic node type", dynamic);
        return;
    }
    // The format writes node identifiers as they are: another text would be repaired, perhaps onto the
    // identifier of another node.
    if (!IsWrittenIdentifier(id)) {
        ReportWithArgument(reader, "Node identifier not in identifier form", id);
        return;
    }
    // Nodes the network held before this load are checked as well: duplicates are not refused by the
    // network while the file is read.
    if (nodeIds.count(id) != 0 || (checkExistingIds && network->FindNode(id.c_str()) >= 0)) {
        ReportWithArgument(reader, "Duplicated node identifier", id);
        return;
    }
    if (RefuseReadSize(reader, id, 1, typeCode, 0)) return;
    const int handle = network->AddNode(typeCode, id.c_str());
    if (handle >= 0) readNodeBytes_ += vovido::ReadNodeBytes(typeCode);
    if (handle < 0) {
        ReportWithArgument(reader, "TARVO failed to create node", id);
        return;
    }
    if (temporalType != TemporalType::kNormal && network->SetTemporalType(handle, temporalType) != kSuccess) {
        reader->ReportError(
            ("TARVO failed to set dynamic node type to '" + dynamic + "' for '" + id + "'").c_str());
        return;
    }
    VRX_node* node = network->GetNode(handle);
    nodeIds[id] = handle;
    if (target && network->SetTarget(handle) != kSuccess) {
        ReportWithArgument(reader, "Can't set target node", id);
        return;
    }
    if (VRX_extraDefinition* extra = node->GetExtraDefinition()) {
        extra->diagType = role;
        extra->ranked = ranked ? 1 : 0;
        extra->mandatory = mandatory ? 1 : 0;
    }
    currentNode = handle;
    currentDefinition = node->GetDefinition();
    if (typeCode == DefinitionType::kNoisyAdder && !ReadAdderFunction(reader)) return;
    ResetNodeLists();
}

bool XmlNetLoader::ReadAdderFunction(IXmlReader* reader) {
    adderFunction = VRX_noisyAdder::kAverage;
    std::string function;
    reader->GetAttribute("function", function);
    if (function.empty() || function == "average") return true;
    if (function == "singlefault") {
        adderFunction = VRX_noisyAdder::kSingleFault;
        return true;
    }
    ReportWithArgument(reader, "Invalid noisy adder function", function);
    return false;
}

void XmlNetLoader::ResetNodeLists() {
    stateIds.clear();
    stateIdSet.clear();
    stateLabels.clear();
    defaultState = -1;
    faultStates.clear();
    parentHandles.clear();
    numbers.clear();
    resultNames.clear();
    resultIndices.clear();
    positiveWeights.clear();
    negativeWeights.clear();
    baselineValue = -1.0;
    parentWeights.clear();
    parentTypes.clear();
    priorBeliefValue = -1.0;
    strengthIndices.clear();
    ciParameters.clear();
    distinguishedStates.clear();
    adderWeights.clear();
    expressions.clear();
    intervals.clear();
    memberIds.clear();
}

void XmlNetLoader::LogShortList(const char* what, int64_t cells) const {
    const int given = numberArray.GetCount();
    const std::string text = "ERROR: Node [" + std::string(vovido::NodeLabel(*network, currentNode)) +
                             "] : the file gives " + (given == 0 ? "no" : std::to_string(given)) + " " +
                             what + " for its table of " + std::to_string(cells) + " cells";
    LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
}

bool XmlNetLoader::CheckTableSize(IXmlReader* reader, bool hasStates) {
    // A table past the limit is refused before any of it is built, not after growing parent by parent.
    // The product of every outcome count bounds the table; only past the limit is it counted exactly.
    int64_t bound = std::max(DefinitionSupport::OutcomeCountOf(network, currentNode), 1);
    for (size_t i = 0; i < parentHandles.size() && bound <= kMaxTableCells; ++i)
        bound *= std::max(DefinitionSupport::OutcomeCountOf(network, parentHandles[i]), 1);
    const int64_t cells = bound <= kMaxTableCells ? bound
                                                  : DefinitionSupport::TableCellsWithParents(
                                                        *network, currentNode, parentHandles.data(),
                                                        static_cast<int>(parentHandles.size()));
    if (cells > kMaxTableCells) {
        reader->ReportError(DefinitionSupport::TableRefusalText(network, currentNode, cells).c_str());
        return false;
    }
    // Probabilities, resulting states or utilities that cannot fill the table are refused before the arcs
    // build it.
    const int type = network->GetNodeType(currentNode);
    if (type == DefinitionType::kTable) {
        const int64_t cells = DefinitionSupport::TableCellsWithParents(
            *network, currentNode, parentHandles.data(), static_cast<int>(parentHandles.size()));
        if (numberArray.GetCount() == cells) return true;
        LogShortList("utilities", cells);
        reader->ReportError("SetUtilities failed");
        return false;
    }
    if (!hasStates || stateIds.empty() ||
        (type != DefinitionType::kCpt && type != DefinitionType::kTruthTable))
        return true;
    const int64_t own = std::max(DefinitionSupport::OutcomeCountOf(network, currentNode), 1);
    if (type == DefinitionType::kTruthTable) {
        const int64_t columns =
            DefinitionSupport::TableCellsWithParents(*network, currentNode, parentHandles.data(),
                                                     static_cast<int>(parentHandles.size())) /
            own;
        if (static_cast<int64_t>(resultIndices.size()) == columns) return true;
        reader->ReportError(SizeMessage("Invalid number of resulting states: ", resultIndices.size(),
                                        static_cast<size_t>(columns))
                                .c_str());
        return false;
    }
    const int64_t wanted =
        DefinitionSupport::TableCellsWithParents(*network, currentNode, parentHandles.data(),
                                                 static_cast<int>(parentHandles.size())) /
        own * static_cast<int64_t>(stateIds.size());
    if (numberArray.GetCount() == wanted) return true;
    LogShortList("probabilities", wanted);
    reader->ReportError("SetProbabilities failed");
    return false;
}

bool XmlNetLoader::RefuseReadSize(IXmlReader* reader, const std::string& id, int nodes, int type, int arcs,
                                  int64_t cells) {
    // Tables past their own limit are refused as such.
    if (network->readTableCells + cells > kMaxFileTableCells) return false;
    const std::string refusal = vovido::ReadSizeRefusal(id, network->GetNumberOfNodes() + int64_t{nodes},
                                                        readNodeBytes_ + nodes * vovido::ReadNodeBytes(type),
                                                        readArcs_ + arcs, network->readTableCells + cells);
    if (refusal.empty()) return false;
    // The read's failure, as the refusal of its tables is.
    network->readTablesRefused = true;
    network->readRefusalEntry = errorLog.GetNumberOfEntries();
    reader->ReportError(refusal.c_str());
    return true;
}

bool XmlNetLoader::FinishNode(IXmlReader* reader, bool hasStates) {
    if (!CheckTableSize(reader, hasStates)) return false;
    // The table the arcs build counts with them.
    int64_t cells = 0;
    if (dynamic_cast<vovido::ParentTableDefinition*>(network->GetNode(currentNode)->GetDefinition()) !=
        nullptr) {
        cells = std::max<int64_t>(
            DefinitionSupport::TableCellsWithParents(*network, currentNode, parentHandles.data(),
                                                     static_cast<int>(parentHandles.size())) -
                DefinitionSupport::TableCellsWithParents(*network, currentNode, nullptr, 0),
            0);
    }
    if (RefuseReadSize(reader, vovido::NodeLabel(*network, currentNode), 0, 0,
                       static_cast<int>(parentHandles.size()), cells))
        return false;
    readArcs_ += static_cast<int64_t>(parentHandles.size());
    bool ok = true;
    try {
        std::vector<int> added(parentHandles.size(), kSuccess);
        // Added together, so that the node's table is built once, at its final size.
        const int listed = network->AddArcs(parentHandles.data(), static_cast<int>(parentHandles.size()),
                                            currentNode, added.data());
        ok = listed == kSuccess &&
             std::all_of(added.begin(), added.end(), [](int rc) { return rc == kSuccess; });
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) reader->ReportError("AddArc failed");
    // The outcomes are set even after a refused arc, so the node keeps what the file said of it.
    if (!hasStates || currentDefinition == nullptr) return ok;
    VRX_stringArray ids;
    for (const std::string& id : stateIds) {
        if (ids.Add(id.c_str()) != kSuccess) {
            reader->ReportError("Out of memory");
            return false;
        }
    }
    if (currentDefinition->SetOutcomes(ids) != kSuccess) {
        if (ok) reader->ReportError("SetNumberOfOutcomes failed");
        return false;
    }
    // A node holds at least two outcomes: one more than the file gives would be invented.
    if (currentDefinition->GetNumberOfOutcomes() != ids.GetCount()) {
        if (ok)
            reader->ReportError(SizeMessage(("Invalid number of states of node [" +
                                             std::string(vovido::NodeLabel(*network, currentNode)) + "]: ")
                                                .c_str(),
                                            stateIds.size(),
                                            static_cast<size_t>(currentDefinition->GetNumberOfOutcomes()))
                                    .c_str());
        return false;
    }
    VRX_extraDefinition* extra = network->GetNode(currentNode)->GetExtraDefinition();
    if (extra == nullptr) return ok;
    // A label, default or fault state the node refuses would be lost: the load stops there.
    for (size_t i = 0; ok && i < stateLabels.size(); ++i) {
        if (stateLabels[i].empty() ||
            extra->SetOutcomeLabel(static_cast<int>(i), stateLabels[i].c_str()) == kSuccess)
            continue;
        ReportWithArgument(reader, "Invalid state label", stateLabels[i]);
        return false;
    }
    if (ok && defaultState >= 0) {
        if (extra->SetDefaultOutcome(defaultState) != kSuccess) {
            ReportWithArgument(reader, "Invalid default state", stateIds[static_cast<size_t>(defaultState)]);
            return false;
        }
        extra->setAsDefault = 1;
    }
    for (int fault : faultStates) {
        if (!ok) break;
        if (extra->SetFaultOutcome(fault, 1) != kSuccess) {
            ReportWithArgument(reader, "Invalid fault state", stateIds[static_cast<size_t>(fault)]);
            return false;
        }
    }
    return ok;
}

// ---------------------------------------------------------------------------------------------------
// Content of node elements

void XmlNetLoader::OnStateStart(IXmlReader* reader) {
    std::string id;
    reader->GetAttribute("id", id);
    // As node identifiers, outcome identifiers are written as they are.
    if (!IsWrittenIdentifier(id)) {
        ReportWithArgument(reader, "Invalid state identifier", id);
        return;
    }
    if (!stateIdSet.insert(id).second) {
        ReportWithArgument(reader, "Duplicate state identifier", id);
        return;
    }
    stateIds.push_back(id);
    bool isDefault = false;
    bool isFault = false;
    if (!reader->GetBoolAttribute("default", isDefault, false)) return;
    if (!reader->GetBoolAttribute("fault", isFault, false)) return;
    const int index = static_cast<int>(stateIds.size()) - 1;
    if (isDefault) {
        if (defaultState >= 0) {
            ReportWithArgument(reader, "Duplicate default state attribute at state", id);
            return;
        }
        defaultState = index;
    }
    if (isFault) faultStates.push_back(index);
    std::string label;
    reader->GetAttribute("label", label);
    stateLabels.push_back(label);
}

void XmlNetLoader::OnParentWord(IXmlReader* reader) {
    const std::string& word = reader->GetText();
    const int handle = FindNodeId(word);
    if (handle < 0) {
        ReportWithArgument(reader, "Node parent not found", word);
        return;
    }
    if (std::find(parentHandles.begin(), parentHandles.end(), handle) != parentHandles.end()) {
        ReportWithArgument(reader, "Duplicate parent", word);
        return;
    }
    parentHandles.push_back(handle);
}

bool XmlNetLoader::ReadDoubleWord(IXmlReader* reader, std::vector<double>& list) {
    double value = 0.0;
    if (!ParseWholeXmlDouble(reader->GetText().c_str(), value)) {
        reader->ReportError(
            ("Can't read list of doubles, failed at element " + std::to_string(list.size() + 1)).c_str());
        return false;
    }
    list.push_back(value);
    return true;
}

bool XmlNetLoader::ReadIntWord(IXmlReader* reader, std::vector<int>& list) {
    int value = 0;
    if (!ParseWholeXmlInt(reader->GetText().c_str(), value)) {
        reader->ReportError(IntListFault(list.size() + 1, reader->GetText()).c_str());
        return false;
    }
    list.push_back(value);
    return true;
}

void XmlNetLoader::OnNumbersStart(IXmlReader* /*reader*/) {
    numbers.clear();
    size_t expected = kDefaultNumberReserve;
    if (currentDefinition != nullptr && currentDefinition->GetType() == DefinitionType::kCpt) {
        expected = std::max<size_t>(stateIds.size(), 1);
        for (int parent : parentHandles) {
            VRX_nodeDefinition* definition = network->GetNode(parent)->GetDefinition();
            const int outcomes = definition != nullptr ? definition->GetNumberOfOutcomes() : 1;
            expected *= static_cast<size_t>(std::max(outcomes, 1));
            if (expected > kMaxNumberReserve) break;
        }
    }
    numbers.reserve(std::min(expected, kMaxNumberReserve));
}

void XmlNetLoader::OnNumberWord(IXmlReader* reader) {
    ReadDoubleWord(reader, numbers);
}

void XmlNetLoader::OnNumbersEnd(IXmlReader* reader) {
    if (!FillArray(numbers, numberArray)) reader->ReportError("Out of memory");
    numbers.clear();
}

void XmlNetLoader::OnResultWord(IXmlReader* reader) {
    const std::string& word = reader->GetText();
    const auto inserted = resultNames.emplace(word, static_cast<int>(resultNames.size()));
    resultIndices.push_back(inserted.first->second);
}

void XmlNetLoader::OnPositiveWeightWord(IXmlReader* reader) {
    ReadDoubleWord(reader, positiveWeights);
}

void XmlNetLoader::OnNegativeWeightWord(IXmlReader* reader) {
    ReadDoubleWord(reader, negativeWeights);
}

void XmlNetLoader::OnParentWeightWord(IXmlReader* reader) {
    ReadDoubleWord(reader, parentWeights);
}

void XmlNetLoader::OnParentTypeWord(IXmlReader* reader) {
    const std::string& word = reader->GetText();
    for (int type = 0; type < vovido::kParentTypeCount; ++type) {
        if (word == vovido::kParentTypeWords[type]) {
            parentTypes.push_back(type);
            return;
        }
    }
    reader->ReportError(
        ("Invalid parent type '" + word + "' at element " + std::to_string(parentTypes.size() + 1)).c_str());
}

void XmlNetLoader::OnStrengthWord(IXmlReader* reader) {
    ReadIntWord(reader, strengthIndices);
}

void XmlNetLoader::OnParameterWord(IXmlReader* reader) {
    ReadDoubleWord(reader, ciParameters);
}

void XmlNetLoader::OnDistinguishedStateWord(IXmlReader* reader) {
    ReadIntWord(reader, distinguishedStates);
}

void XmlNetLoader::OnAdderWeightWord(IXmlReader* reader) {
    ReadDoubleWord(reader, adderWeights);
}

void XmlNetLoader::OnBaselineEnd(IXmlReader* reader) {
    if (!ParseSingleDouble(reader->GetText(), baselineValue)) reader->ReportError("Can't read baseline");
}

void XmlNetLoader::OnPriorBeliefEnd(IXmlReader* reader) {
    if (!ParseSingleDouble(reader->GetText(), priorBeliefValue))
        reader->ReportError("Can't read prior belief");
}

// ---------------------------------------------------------------------------------------------------
// The kinds' finishing steps, on the definition of the node just read

void XmlNetLoader::FinishCpt(IXmlReader* reader) {
    if (RefuseNonFinite(reader, "table", true)) return;
    auto* cpt = dynamic_cast<VRX_cpt*>(currentDefinition);
    if (cpt == nullptr || cpt->SetProbabilities(numberArray) != kSuccess)
        reader->ReportError("SetProbabilities failed");
}

void XmlNetLoader::FinishTruthTable(IXmlReader* reader) {
    auto* table = dynamic_cast<VRX_truthTable*>(currentDefinition);
    VRX_Dmatrix* matrix = nullptr;
    if (table == nullptr || table->GetDefinition(matrix) != kSuccess || matrix == nullptr ||
        matrix->GetNumberOfDimensions() < 1) {
        reader->ReportError("SetResultingStates failed");
        return;
    }
    const int outcomes = matrix->GetSizeOfDimension(matrix->GetNumberOfDimensions() - 1);
    const size_t configurations =
        outcomes > 0 ? static_cast<size_t>(matrix->GetNumberOfElements() / outcomes) : size_t{0};
    if (resultIndices.size() != configurations) {
        reader->ReportError(
            SizeMessage("Invalid number of resulting states: ", resultIndices.size(), configurations)
                .c_str());
        return;
    }
    const VRX_idArray* ids = (outcomeSource != nullptr ? outcomeSource : table)->GetOutcomesNames();
    std::vector<int> outcomeOf(resultNames.size(), 0);
    for (const auto& entry : resultNames) {
        const int position = ids != nullptr ? ids->FindPosition(entry.first.c_str()) : -1;
        if (position < 0) {
            reader->ReportError(("Invalid resulting state: " + entry.first).c_str());
            return;
        }
        outcomeOf[static_cast<size_t>(entry.second)] = position;
    }
    VRX_intArray states;
    if (states.SetSize(static_cast<int>(resultIndices.size())) != kSuccess) {
        reader->ReportError("SetResultingStates failed");
        return;
    }
    for (int index : resultIndices) states.AddReserved(outcomeOf[static_cast<size_t>(index)]);
    if (table->SetResultingStates(states) != kSuccess) reader->ReportError("SetResultingStates failed");
}

bool XmlNetLoader::RefuseNonFinite(IXmlReader* reader, const char* what, bool probabilities) {
    return RefuseNonFinite(reader, what, numberArray, probabilities);
}

bool XmlNetLoader::RefuseNonFinite(IXmlReader* reader, const char* what, VRX_doubleArray& values,
                                   bool probabilities) {
    const int zeroed = probabilities ? vovido::ZeroTinyNegatives(values.GetItems(), values.GetCount()) : 0;
    if (zeroed > 0) {
        const std::string id = vovido::NodeLabel(*network, currentNode);
        int line = 0;
        int column = 0;
        reader->GetPosition(line, column);
        (void)vovido::LogNotice(errorLog, kOutOfRange, vovido::TinyNegativesMessage(id, zeroed).c_str(),
                                ("(line " + std::to_string(line) + ") : ").c_str(),
                                vovido::TinyNegativesInstance(id, zeroed));
    }
    const std::string refusal = vovido::TableEntryRefusal(
        vovido::NodeLabel(*network, currentNode), what, values.GetItems(), values.GetCount(), probabilities);
    if (!refusal.empty()) reader->ReportError(refusal.c_str());
    return !refusal.empty();
}

void XmlNetLoader::FinishUtility(IXmlReader* reader) {
    if (RefuseNonFinite(reader, "utilities")) return;
    auto* table = dynamic_cast<VRX_table*>(currentDefinition);
    if (table != nullptr && table->SetUtilities(numberArray) == kSuccess) return;
    // Which node, and why: a table missing altogether, or one of the wrong size.
    const int cells = table != nullptr ? table->GetUtilities().GetNumberOfElements() : 0;
    if (table != nullptr && numberArray.GetCount() != cells) LogShortList("utilities", cells);
    reader->ReportError("SetUtilities failed");
}

void XmlNetLoader::FinishMau(IXmlReader* reader) {
    if (RefuseNonFinite(reader, "weights")) return;
    if (currentDefinition == nullptr || currentDefinition->SetDefinitionDoubles(numberArray) != kSuccess)
        reader->ReportError("SetWeights failed");
}

void XmlNetLoader::FinishMauExpressions(IXmlReader* reader) {
    auto* mau = dynamic_cast<VRX_mau*>(currentDefinition);
    ExpressionTable table;
    if (mau == nullptr || mau->GetDefaultExpressions(table) != kSuccess) {
        reader->ReportError("Unexpected error");
        return;
    }
    if (expressions.size() != static_cast<size_t>(table.GetCellCount())) {
        reader->ReportError(SizeMessage("Invalid number of expressions: ", expressions.size(),
                                        static_cast<size_t>(table.GetCellCount()))
                                .c_str());
        return;
    }
    for (size_t i = 0; i < expressions.size(); ++i) {
        OwnedExpression parsed(expressions[i].c_str());
        if (!parsed) {
            reader->ReportError("Unexpected error");
            return;
        }
        table.SetCell(static_cast<int>(i), parsed.release());
    }
    std::string message;
    if (mau->SetExpressions(&table, &message) != kSuccess)
        ReportWithArgument(reader, "SetExpressions failed", message);
}

void XmlNetLoader::FinishCast(IXmlReader* reader) {
    auto* cast = dynamic_cast<VRX_cast*>(currentDefinition);
    if (cast == nullptr || cast->SetBaseline(baselineValue) != kSuccess) {
        reader->ReportError("SetBaseline failed");
        return;
    }
    if (parentHandles.empty()) return;
    VRX_doubleArray weights;
    if (!FillArray(positiveWeights, weights) || cast->SetPositiveWeights(weights) != kSuccess) {
        reader->ReportError("SetPositiveWeights failed");
        return;
    }
    if (!FillArray(negativeWeights, weights) || cast->SetNegativeWeights(weights) != kSuccess)
        reader->ReportError("SetNegativeWeights failed");
}

void XmlNetLoader::FinishDemorgan(IXmlReader* reader) {
    auto* demorgan = dynamic_cast<VRX_demorgan*>(currentDefinition);
    if (demorgan == nullptr || demorgan->SetPriorBelief(priorBeliefValue) != kSuccess) {
        reader->ReportError("SetPriorBelief failed");
        return;
    }
    if (parentHandles.empty()) return;
    VRX_doubleArray weights;
    if (!FillArray(parentWeights, weights) || demorgan->SetParentWeights(weights) != kSuccess) {
        reader->ReportError("SetParentWeights failed");
        return;
    }
    VRX_intArray types;
    if (!FillArray(parentTypes, types) || demorgan->SetParentTypes(types) != kSuccess)
        reader->ReportError("SetParentTypes failed");
}

void XmlNetLoader::FinishNoisyMax(IXmlReader* reader) {
    auto* noisyMax = dynamic_cast<VRX_noisyMAX*>(currentDefinition);
    if (noisyMax == nullptr) {
        reader->ReportError("SetParentOutcomeStrengths failed");
        return;
    }
    // Without "strengths" every parent keeps its default order; with it, the list must hold one block of
    // exactly the parent's outcome count per parent, each entry an outcome of that parent.
    if (!strengthIndices.empty()) {
        const int parents = noisyMax->GetNumberOfParents();
        std::vector<int> blockSizes(static_cast<size_t>(parents));
        size_t expected = 0;
        for (int i = 0; i < parents; ++i) {
            blockSizes[static_cast<size_t>(i)] =
                noisyMax->GetParentOutcomeStrengths()[static_cast<size_t>(i)].GetCount();
            expected += static_cast<size_t>(blockSizes[static_cast<size_t>(i)]);
        }
        if (strengthIndices.size() != expected) {
            reader->ReportError(
                SizeMessage("Invalid strengths vector size ", strengthIndices.size(), expected).c_str());
            return;
        }
        size_t next = 0;
        for (int i = 0; i < parents; ++i) {
            const int n = blockSizes[static_cast<size_t>(i)];
            VRX_intArray strengths;
            bool ok = strengths.SetSize(n) == kSuccess;
            for (int j = 0; ok && j < n; ++j) strengths.AddReserved(-1);
            for (int j = 0; ok && j < n; ++j) {
                const int index = strengthIndices[next + static_cast<size_t>(j)];
                if (index < 0 || index >= n) {
                    ok = false;
                } else {
                    strengths[index] = j;
                }
            }
            next += static_cast<size_t>(n);
            if (!ok || noisyMax->SetParentOutcomeStrengths(i, strengths) != kSuccess) {
                reader->ReportError("SetParentOutcomeStrengths failed");
                return;
            }
        }
    }
    const size_t items = static_cast<size_t>(noisyMax->GetCiWeights()->GetNumberOfElements());
    VRX_doubleArray values;
    const bool filled = ciParameters.size() == items && FillArray(ciParameters, values);
    if (filled && RefuseNonFinite(reader, "parameters", values, true)) return;
    if (!filled || noisyMax->SetDefinitionDoubles(values) != kSuccess) {
        reader->ReportError(SizeMessage("Invalid weights vector size ", ciParameters.size(), items).c_str());
    }
}

void XmlNetLoader::FinishNoisyAdder(IXmlReader* reader) {
    auto* adder = dynamic_cast<VRX_noisyAdder*>(currentDefinition);
    if (adder == nullptr) {
        reader->ReportError("SetDistinguishedState call fails");
        return;
    }
    const int parents = adder->GetNumberOfParents();
    const size_t expected = static_cast<size_t>(parents) + 1;
    if (distinguishedStates.size() != expected) {
        reader->ReportError(SizeMessage("Size of distinguished state vector is invalid: ",
                                        distinguishedStates.size(), expected)
                                .c_str());
        return;
    }
    if (adder->SetDistinguishedState(distinguishedStates[0]) != kSuccess) {
        reader->ReportError("SetDistinguishedState call fails");
        return;
    }
    for (int i = 0; i < parents; ++i) {
        if (adder->SetParentDistinguishedState(i, distinguishedStates[static_cast<size_t>(i) + 1]) !=
            kSuccess) {
            reader->ReportError("SetParentDistinguishedState call fails");
            return;
        }
    }
    // Weights and parameters are taken as the file gives them, but only when their counts fit: a list
    // of another length would run past the definition's arrays.
    if (!adderWeights.empty()) {
        VRX_doubleArray& weights = adder->GetWeights();
        if (adderWeights.size() != static_cast<size_t>(weights.GetCount())) {
            reader->ReportError(SizeMessage("Invalid weights vector size ", adderWeights.size(),
                                            static_cast<size_t>(weights.GetCount()))
                                    .c_str());
            return;
        }
        for (size_t i = 0; i < adderWeights.size(); ++i) weights[static_cast<int>(i)] = adderWeights[i];
    }
    if (!ciParameters.empty()) {
        const size_t items = static_cast<size_t>(adder->GetCiWeights()->GetNumberOfElements());
        VRX_doubleArray values;
        const bool filled = ciParameters.size() == items && FillArray(ciParameters, values);
        if (filled && RefuseNonFinite(reader, "parameters", values, true)) return;
        if (!filled || adder->SetDefinitionDoubles(values) != kSuccess) {
            reader->ReportError(
                SizeMessage("Invalid weights vector size ", ciParameters.size(), items).c_str());
            return;
        }
    }
    // One of the two functions the attribute allows.
    (void)adder->SetFunction(adderFunction);
}
