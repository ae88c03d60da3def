// The XML network saver: the document written top-down in one pass, each node's definition through the
// visit of its kind.
#include "xml/xml_network_saver.h"

#include <cerrno>
#include <new>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/replacing_file.h"
#include "base/status_codes.h"
#include "definitions/cast.h"
#include "definitions/demorgan.h"
#include "definitions/equation.h"
#include "definitions/mau.h"
#include "definitions/node_cost.h"
#include "definitions/noisy_adder.h"
#include "definitions/noisy_max.h"
#include "definitions/truth_table.h"
#include "model/algorithm_settings.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_entry.h"
#include "model/node_info.h"
#include "model/node_kind_words.h"
#include "model/saved_case.h"
#include "model/temporal_extension.h"
#include "xml/graphical_extension_saver.h"
#include "xml/xml_network.h"
#include "xml/xml_text.h"

using vovido::NoXmlWriterExtension;

using vovido::FormatXmlDouble;
using vovido::kXmlDoubleTextSize;

namespace {

bool IsWrittenKind(int type) {
    switch (type) {
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kList:
        case DefinitionType::kTable:
        case DefinitionType::kCast:
        case DefinitionType::kDeMorgan:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder:
        case DefinitionType::kEquation:
        case DefinitionType::kEquationScc:
        case DefinitionType::kMau:
            return true;
        default:
            return false;
    }
}

}  // namespace

XmlNetworkSaver::XmlNetworkSaver(VRX_network* net, IXmlWriterExtension* writerExtension)
    : network(net), extension(writerExtension) {}

bool XmlNetworkSaver::CanWrite(VRX_network& net, std::string& message) {
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const VRX_node* node = net.GetNode(h);
        VRX_nodeDefinition* definition = node->GetDefinition();
        const std::string id = vovido::OrEmpty(node->GetId());
        if (definition == nullptr) {
            message = "Can't save node '" + id + "': it has no definition";
            return false;
        }
        if (!IsWrittenKind(definition->GetType())) {
            message = "Can't save node '" + id + "': the definition of " + vovido::KindNodeText(definition) +
                      " is not supported by the XML network format";
            return false;
        }
        if (definition->GetType() == DefinitionType::kEquation && !CanWriteEquation(net, h, message))
            return false;
        const int type = definition->GetType();
        const VRX_temporalExtension* temporal = net.FindTemporalExtension();
        if (net.GetTemporalType(h) == TemporalType::kPlate && temporal != nullptr &&
            temporal->GetMaxNodeTemporalOrder(h) > 0 && type != DefinitionType::kCpt &&
            type != DefinitionType::kTruthTable && type != DefinitionType::kNoisyMax &&
            type != DefinitionType::kNoisyAdder && type != DefinitionType::kDeMorgan) {
            message = "Can't save node '" + id + "': temporal definitions of " +
                      vovido::KindNodeText(definition) + " are not supported by the XML network format";
            return false;
        }
        if (const auto* demorgan = dynamic_cast<const VRX_demorgan*>(definition)) {
            const VRX_intArray& types = demorgan->GetParentTypes();
            for (int i = 0; i < types.GetCount(); ++i) {
                if (types[i] < 0 || types[i] >= vovido::kParentTypeCount) {
                    message = "Can't save node '" + id + "': DeMorgan parent type " +
                              std::to_string(types[i]) + " has no name in the XML network format";
                    return false;
                }
            }
        }
    }
    return true;
}

void XmlNetworkSaver::WriteRoot() {
    const VRX_header* header = network->GetHeader();
    AddAttribute("version", "1.0");
    AddAttribute("id", header != nullptr ? vovido::OrEmpty(header->GetId()) : "");
    AddIntAttribute("numsamples", network->numSamples);
    AddIntAttribute("discsamples", network->discSamples);
    if (network->discAvoidZero == 0) AddAttribute("discavoidzero", "false");
    OpenElement("tarvo");
    WriteProperties();
    WriteAlgorithmParameters();
    WriteNodes();
    WriteDynamic();
    WriteObservationCosts();
    WriteCases();
    if (extension != nullptr) {
        OpenElement("extensions");
        extension->Write(this);
        CloseElement("extensions");
    }
    CloseElement("tarvo");
}

void XmlNetworkSaver::WriteProperties() {
    const VRX_userProperties& properties = network->userProperties;
    if (properties.GetNumberOfProperties() == 0) return;
    OpenElement("properties");
    for (int i = 0; i < properties.GetNumberOfProperties(); ++i) {
        AddAttribute("id", vovido::OrEmpty(properties.GetPropertyName(i)));
        WriteElement("property", vovido::OrEmpty(properties.GetPropertyValue(i)), true);
    }
    CloseElement("properties");
}

void XmlNetworkSaver::WriteAlgorithmParameters() {
    const VRX_episParams& params = network->GetEpisParams();
    if (params == VRX_episParams()) return;
    OpenElement("algparams");
    AddIntAttribute("proplen", params.proplen);
    AddIntAttribute("numstates1", params.numstates1);
    AddIntAttribute("numstates2", params.numstates2);
    AddIntAttribute("numstates3", params.numstates3);
    AddDoubleAttribute("eps1", params.eps1);
    AddDoubleAttribute("eps2", params.eps2);
    AddDoubleAttribute("eps3", params.eps3);
    AddDoubleAttribute("eps4", params.eps4);
    WriteElement("epis", nullptr, false);
    CloseElement("algparams");
}

void XmlNetworkSaver::WriteNodes() {
    OpenElement("nodes");
    // A copy: the network rebuilds its order on every request.
    const VRX_intArray order(network->GetTopologicalOrder());
    for (int k = 0; k < order.GetCount(); ++k) {
        currentNode = order[k];
        VRX_node* node = network->GetNode(currentNode);
        VRX_nodeDefinition* definition = node != nullptr ? node->GetDefinition() : nullptr;
        // CanWrite let only written kinds through; the test keeps a queued attribute from straying.
        if (definition == nullptr || !IsWrittenKind(definition->GetType())) continue;
        AddAttribute("id", vovido::OrEmpty(node->GetId()));
        pendingElement.clear();
        if (definition->GetType() == DefinitionType::kEquationScc) {
            WriteEquationScc(definition);
        } else if (!Visit(definition)) {
            continue;
        }
        const VRX_userProperties& properties = node->GetInfo()->userProperties;
        for (int i = 0; i < properties.GetNumberOfProperties(); ++i) {
            AddAttribute("id", vovido::OrEmpty(properties.GetPropertyName(i)));
            WriteElement("property", vovido::OrEmpty(properties.GetPropertyValue(i)), true);
        }
        CloseElement(pendingElement.c_str());
    }
    CloseElement("nodes");
}

void XmlNetworkSaver::WriteNodeElement(VRX_nodeDefinition* definition, const char* kind,
                                       const char* dataElement, bool writeStates) {
    pendingElement = kind;
    if (dynamicMode) {
        OpenElement(kind);
        WriteParents(*temporalParents);
        VRX_doubleArray* values = nullptr;
        if (dataElement != nullptr && definition->GetDefinitionDoubles(values) == kSuccess &&
            values != nullptr)
            WriteDoubleList(dataElement, *values);
        return;
    }
    VRX_node* node = network->GetNode(currentNode);
    VRX_extraDefinition* extra = node->GetExtraDefinition();
    if (network->IsTarget(currentNode) == 1) AddAttribute("target", "true");
    if (extra != nullptr && extra->diagType == DiagnosisType::kTarget) AddAttribute("diagtype", "target");
    if (extra != nullptr && extra->diagType == DiagnosisType::kObservation)
        AddAttribute("diagtype", "observation");
    switch (network->GetTemporalType(currentNode)) {
        case TemporalType::kAnchor:
            AddAttribute("dynamic", "anchor");
            break;
        case TemporalType::kTerminal:
            AddAttribute("dynamic", "terminal");
            break;
        case TemporalType::kPlate:
            AddAttribute("dynamic", "plate");
            break;
        default:
            break;
    }
    if (extra != nullptr && extra->ranked != 0) AddAttribute("ranked", "true");
    if (extra != nullptr && extra->mandatory != 0) AddAttribute("mandatory", "true");
    OpenElement(kind);

    if (writeStates) {
        const int outcomes = definition->GetNumberOfOutcomes();
        const VRX_idArray* ids = definition->GetOutcomesNames();
        const VRX_idArray* labels =
            extra != nullptr && extra->HasOutcomeTexts() ? extra->GetOutcomeLabels() : nullptr;
        for (int i = 0; ids != nullptr && i < outcomes; ++i) {
            AddAttribute("id", vovido::OrEmpty((*ids)[i]));
            const char* label = labels != nullptr ? (*labels)[i] : nullptr;
            if (label != nullptr && label[0] != '\0') AddAttribute("label", label);
            if (extra != nullptr && extra->setAsDefault != 0 && extra->GetDefaultOutcome() == i)
                AddAttribute("default", "true");
            if (extra != nullptr && extra->IsFaultOutcome(i) == 1) AddAttribute("fault", "true");
            WriteElement("state", nullptr, false);
        }
    }
    WriteParents(network->GetParents(currentNode, 0));
    if (dataElement != nullptr) {
        VRX_doubleArray* values = nullptr;
        if (definition->GetDefinitionDoubles(values) == kSuccess && values != nullptr) {
            WriteDoubleList(dataElement, *values);
        } else {
            WriteElement(dataElement, "", false);
        }
    }
}

void XmlNetworkSaver::WriteParents(const VRX_intArray& parents) {
    if (parents.GetCount() == 0) return;
    std::vector<const char*> ids;
    ids.reserve(static_cast<size_t>(parents.GetCount()));
    for (int i = 0; i < parents.GetCount(); ++i) {
        const VRX_node* parent = network->GetNode(parents[i]);
        ids.push_back(parent != nullptr ? parent->GetId() : nullptr);
    }
    WriteIdListElement("parents", ids.data(), static_cast<int>(ids.size()));
}

void XmlNetworkSaver::WriteDoubleList(const char* name, const VRX_doubleArray& values) {
    WriteDoubleListElement(name, values.GetItems(), values.GetCount(), nullptr, 0.0);
}

void XmlNetworkSaver::WriteDouble(const char* name, double value) {
    char text[kXmlDoubleTextSize];
    FormatXmlDouble(value, text);
    WriteElement(name, text, false);
}

// ---------------------------------------------------------------------------------------------------
// The kinds

void XmlNetworkSaver::VisitCpt(VRX_nodeDefinition* definition) {
    WriteNodeElement(definition, "cpt", "probabilities", true);
}

void XmlNetworkSaver::VisitTruthTable(VRX_nodeDefinition* definition) {
    WriteNodeElement(definition, "deterministic", nullptr, true);
    VRX_Dmatrix* matrix = nullptr;
    const VRX_idArray* ids = (dynamicMode ? plateDefinition : definition)->GetOutcomesNames();
    if (definition->GetDefinition(matrix) != kSuccess || matrix == nullptr || ids == nullptr ||
        matrix->GetNumberOfDimensions() < 1) {
        WriteElement("resultingstates", "", false);
        return;
    }
    const int outcomes = matrix->GetSizeOfDimension(matrix->GetNumberOfDimensions() - 1);
    const int configurations = outcomes > 0 ? matrix->GetNumberOfElements() / outcomes : 0;
    const double* items = matrix->GetData();
    std::vector<const char*> states(static_cast<size_t>(configurations));
    for (int c = 0; c < configurations; ++c) {
        int chosen = 0;
        for (int k = 0; k < outcomes; ++k) {
            if (items[static_cast<size_t>(c) * static_cast<size_t>(outcomes) + static_cast<size_t>(k)] ==
                1.0) {
                chosen = k;
                break;
            }
        }
        states[static_cast<size_t>(c)] = (*ids)[chosen];
    }
    WriteIdListElement("resultingstates", states.data(), configurations);
}

void XmlNetworkSaver::VisitDecision(VRX_nodeDefinition* definition) {
    WriteNodeElement(definition, "decision", nullptr, true);
}

void XmlNetworkSaver::VisitUtility(VRX_nodeDefinition* definition) {
    WriteNodeElement(definition, "utility", "utilities", false);
}

void XmlNetworkSaver::VisitMau(VRX_nodeDefinition* definition) {
    const auto* mau = dynamic_cast<const VRX_mau*>(definition);
    if (mau == nullptr || !mau->HasExpressions()) {
        WriteNodeElement(definition, "mau", "weights", false);
        return;
    }
    WriteNodeElement(definition, "maux", nullptr, false);
    const ExpressionTable& table = *mau->GetExpressionTable();
    for (int i = 0; i < table.GetCellCount(); ++i) {
        std::string text;
        if (table.GetCell(i) != nullptr) ExpressionToText(*table.GetCell(i), text);
        WriteElement("expression", text.c_str(), false);
    }
}

bool XmlNetworkSaver::HasWrittenParents() const {
    if (dynamicMode) return temporalParents != nullptr && temporalParents->GetCount() > 0;
    return network->GetParents(currentNode, 0).GetCount() > 0;
}

void XmlNetworkSaver::VisitCast(VRX_nodeDefinition* definition) {
    WriteNodeElement(definition, "cast", nullptr, false);
    auto* cast = dynamic_cast<VRX_cast*>(definition);
    if (cast == nullptr) return;
    if (HasWrittenParents()) {
        WriteDoubleList("pweights", cast->GetPositiveWeights());
        WriteDoubleList("nweights", cast->GetNegativeWeights());
    }
    WriteDouble("baseline", cast->GetBaseline());
}

void XmlNetworkSaver::VisitDemorgan(VRX_nodeDefinition* definition) {
    WriteNodeElement(definition, "demorgan", nullptr, false);
    auto* demorgan = dynamic_cast<VRX_demorgan*>(definition);
    if (demorgan == nullptr) return;
    if (HasWrittenParents()) {
        const VRX_intArray& types = demorgan->GetParentTypes();
        std::vector<const char*> words;
        words.reserve(static_cast<size_t>(types.GetCount()));
        for (int i = 0; i < types.GetCount(); ++i)
            words.push_back(types[i] >= 0 && types[i] < vovido::kParentTypeCount
                                ? vovido::kParentTypeWords[types[i]]
                                : "");
        WriteIdListElement("types", words.data(), static_cast<int>(words.size()));
        WriteDoubleList("weights", demorgan->GetParentWeights());
    }
    WriteDouble("priorbelief", demorgan->GetPriorBelief());
}

void XmlNetworkSaver::VisitNoisyMax(VRX_nodeDefinition* definition) {
    WriteNodeElement(definition, "noisymax", nullptr, true);
    auto* noisyMax = dynamic_cast<VRX_noisyMAX*>(definition);
    if (noisyMax == nullptr) return;
    // The definition's own parents: a temporal table has its temporal parents where the node may have none.
    if (!noisyMax->GetParentOutcomeStrengths().empty()) {
        std::string text;
        for (const VRX_intArray& strengths : noisyMax->GetParentOutcomeStrengths()) {
            for (int j = 0; j < strengths.GetCount(); ++j) {
                if (!text.empty()) text.push_back(' ');
                text.append(std::to_string(strengths.FindPosition(j)));
            }
        }
        WriteElement("strengths", text.c_str(), false);
    }
    WriteDoubleList("parameters", noisyMax->GetCiWeights()->GetItems());
}

void XmlNetworkSaver::VisitNoisyAdder(VRX_nodeDefinition* definition) {
    auto* adder = dynamic_cast<VRX_noisyAdder*>(definition);
    if (adder != nullptr && adder->GetFunction() == VRX_noisyAdder::kSingleFault)
        AddAttribute("function", "singlefault");
    WriteNodeElement(definition, "noisyadder", nullptr, true);
    if (adder == nullptr) return;
    std::string text = std::to_string(adder->GetDistinguishedState());
    const VRX_intArray& parentStates = adder->GetParentDistinguishedStates();
    for (int i = 0; i < parentStates.GetCount(); ++i)
        text.append(" ").append(std::to_string(parentStates[i]));
    WriteElement("dstates", text.c_str(), false);
    WriteDoubleList("weights", adder->GetWeights());
    WriteDoubleList("parameters", adder->GetCiWeights()->GetItems());
}

// ---------------------------------------------------------------------------------------------------
// Observation costs and cases

void XmlNetworkSaver::WriteObservationCosts() {
    const VRX_intArray order(network->GetTopologicalOrder());
    bool opened = false;
    for (int k = 0; k < order.GetCount(); ++k) {
        const int h = order[k];
        if (network->GetNode(h)->HasFreshCost()) continue;  // no cost parents, a cost of 0
        VRX_nodeCost* cost = network->GetNode(h)->GetCost();
        const VRX_intArray& costParents = network->GetParents(h, 1);
        const VRX_Dmatrix* matrix = cost != nullptr ? cost->GetCosts() : nullptr;
        const int items = matrix != nullptr ? matrix->GetNumberOfElements() : 0;
        bool qualifies = costParents.GetCount() > 0;
        for (int i = 0; !qualifies && i < items; ++i) qualifies = (*matrix)[i] != 0.0;
        if (!qualifies) continue;
        if (!opened) {
            OpenElement("observationcost");
            opened = true;
        }
        AddAttribute("id", vovido::OrEmpty(network->GetNode(h)->GetId()));
        OpenElement("node");
        WriteParents(costParents);
        WriteDoubleListElement("cost", matrix != nullptr ? matrix->GetData() : nullptr, items, "n/a",
                               kNotAvailableValue);
        CloseElement("node");
    }
    if (opened) CloseElement("observationcost");
}

void XmlNetworkSaver::WriteDynamic() {
    const VRX_temporalExtension* temporal = network->FindTemporalExtension();
    if (temporal == nullptr || network->GetSliceCount() <= 0) return;
    bool temporalTypes = false;
    for (int h = network->GetFirstNode(); h >= 0 && !temporalTypes; h = network->GetNextNode(h))
        temporalTypes = network->GetTemporalType(h) != TemporalType::kNormal;
    if (!temporalTypes) return;
    AddIntAttribute("numslices", network->GetSliceCount());
    OpenElement("dynamic");
    dynamicMode = true;
    const VRX_intArray order(network->GetTopologicalOrder());
    VRX_intArray orders;
    VRX_intArray parents;
    temporalParents = &parents;
    for (int k = 0; k < order.GetCount(); ++k) {
        const int h = order[k];
        if (network->GetTemporalType(h) != TemporalType::kPlate) continue;
        plateDefinition = network->GetNode(h)->GetDefinition();
        if (plateDefinition == nullptr || network->GetTemporalOrders(h, orders) != kSuccess) continue;
        for (int i = 0; i < orders.GetCount(); ++i) {
            VRX_nodeDefinition* definition = temporal->GetTemporalDefinition(h, orders[i]);
            if (definition == nullptr || network->GetTemporalParents(h, orders[i], parents) != kSuccess)
                continue;
            AddAttribute("id", vovido::OrEmpty(network->GetNode(h)->GetId()));
            AddIntAttribute("order", orders[i]);
            pendingElement.clear();
            if (Visit(definition)) CloseElement(pendingElement.c_str());
        }
    }
    dynamicMode = false;
    temporalParents = nullptr;
    plateDefinition = nullptr;
    CloseElement("dynamic");
}

void XmlNetworkSaver::WriteCases() {
    const int count = network->GetNumberOfCases();
    if (count == 0) return;
    OpenElement("cases");
    for (int c = 0; c < count; ++c) {
        const VRX_case* item = network->GetCase(c);
        if (item == nullptr) continue;
        AddAttribute("name", item->GetName());
        if (item->GetCategory()[0] != '\0') AddAttribute("category", item->GetCategory());
        if (item->GetCreated() != 0) AddAttribute("created", std::to_string(item->GetCreated()).c_str());
        if (item->GetModified() != 0) AddAttribute("modified", std::to_string(item->GetModified()).c_str());
        OpenElement("case");
        if (item->GetDescription()[0] != '\0') WriteElement("description", item->GetDescription(), true);
        for (int e = 0; e < item->GetNumberOfEvidence(); ++e) {
            const VRX_caseEntry* entry = item->GetEntry(e);
            const VRX_node* node = entry != nullptr ? network->GetNode(entry->node) : nullptr;
            if (node == nullptr) continue;
            const char* nodeId = vovido::OrEmpty(node->GetId());
            VRX_nodeDefinition* definition = node->GetDefinition();
            const VRX_idArray* outcomes = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
            if (network->GetTemporalType(entry->node) == TemporalType::kPlate) {
                for (const VRX_sliceEvidence& pair : entry->slices) {
                    AddAttribute("node", nodeId);
                    AddIntAttribute("slice", pair.slice);
                    AddAttribute("state",
                                 outcomes != nullptr ? vovido::OrEmpty((*outcomes)[pair.outcome]) : "");
                    WriteElement("evidence", nullptr, false);
                }
            } else if (definition != nullptr && vovido::IsEquationType(definition->GetType())) {
                AddAttribute("node", nodeId);
                AddDoubleAttribute("state", entry->value);
                WriteElement("evidence", nullptr, false);
            } else if (entry->outcome >= 0 && outcomes != nullptr) {
                AddAttribute("node", nodeId);
                AddAttribute("state", vovido::OrEmpty((*outcomes)[entry->outcome]));
                WriteElement("evidence", nullptr, false);
            }
        }
        for (int t = 0; t < item->GetNumberOfTargets(); ++t) {
            const VRX_node* target = network->GetNode(item->GetTarget(t));
            if (target == nullptr) continue;
            AddAttribute("node", vovido::OrEmpty(target->GetId()));
            WriteElement("target", nullptr, false);
        }
        CloseElement("case");
    }
    CloseElement("cases");
}

// ---------------------------------------------------------------------------------------------------
// Entry point

bool SaveXmlNetwork(const char* fileName, VRX_network* network, IXmlWriterExtension* extension,
                    const VRX_temporalExtension* plate) {
    if (fileName == nullptr || network == nullptr) return false;
    // Refused before the file is created, so an existing file is never replaced by a partial one.
    std::string message;
    if (!XmlNetworkSaver::CanWrite(*network, message)) {
        LogError(errorLog, kFileIoFailed, message.c_str(), nullptr);
        return false;
    }
    XmlCavroSaver* created = nullptr;
    bool ok = false;
    try {
        IXmlWriterExtension* writerExtension = extension;
        if (extension == nullptr) {
            created = new XmlCavroSaver(network, plate);
            writerExtension = created;
        } else if (extension == NoXmlWriterExtension()) {
            writerExtension = nullptr;
        }
        XmlNetworkSaver saver(network, writerExtension);
        errno = 0;  // a reason left by an earlier call is not this one's
        if (saver.Open(fileName)) {
            saver.WriteRoot();
            ok = saver.Close();
        } else {
            (void)vovido::ReportOpenFailure(fileName, errno);
        }
    } catch (const std::bad_alloc&) {
        LogError(errorLog, kOutOfMemory, nullptr, nullptr);
        ok = false;
    }
    if (created != nullptr) created->Release();
    return ok;
}
