// The XML network loader's "dynamic" section: the temporal definitions of plate nodes, each naming the
// temporal parents of one order and the parameters of the definition those arcs make.
#include <string>
#include <utility>

#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_entry.h"
#include "model/node_label.h"
#include "model/temporal_extension.h"
#include "xml/xml_network_loader.h"
#include "xml/xml_reader.h"

XmlNetLoader::TemporalBinding::TemporalBinding(XmlNetLoader* owner, const char* name, int code, Handler end)
    : Binding(owner, name, nullptr, nullptr, nullptr, IXmlBinding::InheritStrictness),
      typeCode(code),
      kindEnd(end) {
    AddAttribute("id", true);
    AddAttribute("order", true);
    if (code == DefinitionType::kNoisyAdder) AddAttribute("function", false);
}

void XmlNetLoader::TemporalBinding::OnStartElement(IXmlReader* reader) {
    loader->StartTemporalDefinition(reader, typeCode);
}

void XmlNetLoader::TemporalBinding::OnEndElement(IXmlReader* reader) {
    XmlNetLoader* owner = loader;
    const std::pair<int, int> key{owner->currentNode, owner->currentOrder};
    if (owner->repeatedTemporal_) {
        owner->repeatedTemporal_ = false;
        (void)vovido::ReportRepeatedPart(*reader,
                                         "Node [" + vovido::NodeLabel(*owner->network, key.first) + "]",
                                         "temporal definition of order " + std::to_string(key.second),
                                         owner->temporalElements_[key] == reader->RecordedElement());
        return;
    }
    owner->temporalElements_[key] = reader->RecordedElement();
    const bool finished = owner->FinishTemporalDefinition(reader, typeCode);
    const Handler end = kindEnd;
    if (finished && end != nullptr) (owner->*end)(reader);
    owner->currentDefinition = nullptr;
    owner->outcomeSource = nullptr;
    (void)owner->numberArray.SetSize(0);  // emptying cannot fail
}

void XmlNetLoader::AddTemporalKind(const char* name, int typeCode, Handler kindEnd, IXmlBinding* data,
                                   std::initializer_list<IXmlBinding*> optional) {
    bindings.push_back(std::make_unique<TemporalBinding>(this, name, typeCode, kindEnd));
    IXmlBinding* kind = bindings.back().get();
    kind->AddChild(parentsBinding, kRequired);
    if (data != nullptr) kind->AddChild(data, kRequired);
    for (IXmlBinding* child : optional) kind->AddChild(child, kOptional);
    dynamicBinding->AddChild(kind, kZeroOrMore);
}

void XmlNetLoader::StartTemporalDefinition(IXmlReader* reader, int typeCode) {
    std::string id;
    reader->GetAttribute("id", id);
    currentNode = FindNodeId(id);
    currentDefinition = nullptr;
    if (currentNode < 0) {
        ReportWithArgument(reader, "Invalid node identifier", id);
        return;
    }
    if (network->GetTemporalType(currentNode) != TemporalType::kPlate) {
        ReportWithArgument(reader, "Node is not part of temporal plate", id);
        return;
    }
    if (!reader->GetIntAttribute("order", currentOrder, 1)) return;
    if (currentOrder < 1) {
        reader->ReportError(
            ("Invalid temporal order: " + std::to_string(currentOrder) + ", positive value expected")
                .c_str());
        return;
    }
    // A node's definition of one order given again is compared whole with the first, not read over it.
    const bool repeated = temporalElements_.count({currentNode, currentOrder}) > 0;
    reader->RecordElement(repeated);
    repeatedTemporal_ = repeated;
    if (repeated) return;
    if (typeCode == DefinitionType::kNoisyAdder && !ReadAdderFunction(reader)) return;
    ResetNodeLists();
}

bool XmlNetLoader::FinishTemporalDefinition(IXmlReader* reader, int typeCode) {
    if (parentHandles.empty()) {
        // The parents element may be there, empty: what is missing is a dimension for the earlier slice.
        const std::string id = vovido::NodeLabel(*network, currentNode);
        reader->ReportError(("No temporal parents specified for node '" + id + "' of order " +
                             std::to_string(currentOrder) + ": its table of " +
                             std::to_string(numberArray.GetCount()) +
                             (numberArray.GetCount() == 1 ? " number" : " numbers") +
                             " has no dimension for a node of an earlier slice")
                                .c_str());
        return false;
    }
    // All the parents are counted first: a table the limit refuses is never grown towards it.
    const VRX_temporalExtension* counted = network->FindTemporalExtension();
    if (counted != nullptr &&
        counted->CheckTemporalArcsSize(parentHandles, currentNode, currentOrder) != kSuccess) {
        reader->ReportError("AddTemporalArc failed");
        return false;
    }
    // Probabilities that cannot fill the table are refused before the arcs build it (arcs that cannot be
    // added, or a kind that differs from the node's, are refused below for what they are).
    bool arcsFit = typeCode == DefinitionType::kCpt && network->GetNodeType(currentNode) == typeCode;
    for (int parent : parentHandles)
        arcsFit = arcsFit && network->GetTemporalType(parent) == TemporalType::kPlate;
    if (counted != nullptr && arcsFit) {
        const int64_t cells = counted->TemporalTableCellsWith(parentHandles, currentNode, currentOrder);
        if (numberArray.GetCount() != cells) {
            LogShortList("probabilities", cells);
            reader->ReportError("SetProbabilities failed");
            return false;
        }
    }
    for (int parent : parentHandles) {
        if (network->AddTemporalArc(parent, currentNode, currentOrder) != kSuccess) {
            reader->ReportError("AddTemporalArc failed");
            return false;
        }
    }
    const VRX_temporalExtension* temporal = network->FindTemporalExtension();
    VRX_nodeDefinition* definition =
        temporal != nullptr ? temporal->GetTemporalDefinition(currentNode, currentOrder) : nullptr;
    if (definition == nullptr) {
        reader->ReportError("Temporal defintion not found");
        return false;
    }
    VRX_nodeDefinition* own = network->GetNode(currentNode)->GetDefinition();
    if (own == nullptr || definition->GetType() != own->GetType() || typeCode != own->GetType()) {
        reader->ReportError("Invalid temporal defintion type");
        return false;
    }
    currentDefinition = definition;
    outcomeSource = own;
    return true;
}
