// The XML network loader: grammar, entry point and the elements around the nodes (network settings,
// properties, observation costs, cases).
#include "xml/xml_network_loader.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "definitions/node_cost.h"
#include "model/algorithm_settings.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/node_label.h"
#include "model/saved_case.h"
#include "model/temporal_extension.h"
#include "model/user_properties.h"
#include "xml/graphical_extension_loader.h"
#include "xml/xml_network.h"
#include "xml/xml_text.h"

using vovido::NoXmlExtensionBinding;

namespace {

constexpr const char* kNetworkVersion = "1.0";

// A 64-bit stamp attribute: absent or empty gives 0; anything but one whole integer is refused.
bool ReadStampAttribute(IXmlReader* reader, const char* name, int64_t& out) {
    std::string text;
    reader->GetAttribute(name, text);
    out = 0;
    if (text.empty()) return true;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE) {
        reader->ReportError(("Integer value expected for attribute '" + std::string(name) + "'").c_str());
        return false;
    }
    out = value;
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Bindings

XmlNetLoader::Binding::Binding(XmlNetLoader* owner, const char* name, Handler start, Handler end,
                               Handler word, int flags)
    : XmlBinding(this, name, flags), loader(owner), startHandler(start), endHandler(end), wordHandler(word) {}

void XmlNetLoader::Binding::OnStartElement(IXmlReader* reader) {
    if (startHandler != nullptr) (loader->*startHandler)(reader);
}

void XmlNetLoader::Binding::OnEndElement(IXmlReader* reader) {
    if (endHandler != nullptr) (loader->*endHandler)(reader);
}

void XmlNetLoader::Binding::OnText(IXmlReader* reader) {
    if (wordHandler != nullptr) (loader->*wordHandler)(reader);
}

XmlNetLoader::NodeBinding::NodeBinding(XmlNetLoader* owner, const char* name, int code, Handler end,
                                       bool states, bool isSupported)
    : Binding(owner, name, nullptr, nullptr, nullptr, IXmlBinding::InheritStrictness),
      typeCode(code),
      kindEnd(end),
      hasStates(states),
      supported(isSupported) {
    AddAttribute("id", true);
    AddAttribute("target", false);
    AddAttribute("diagtype", false);
    AddAttribute("dynamic", false);
    AddAttribute("ranked", false);
    AddAttribute("mandatory", false);
}

void XmlNetLoader::NodeBinding::OnStartElement(IXmlReader* reader) {
    if (!supported) {
        loader->ReportWithArgument(reader, "Node type not supported", GetName());
        return;
    }
    loader->StartNode(reader, typeCode);
}

void XmlNetLoader::NodeBinding::OnEndElement(IXmlReader* reader) {
    XmlNetLoader* owner = loader;
    const bool finished = owner->FinishNode(reader, hasStates);
    const Handler end = kindEnd;
    if (finished && end != nullptr) (owner->*end)(reader);
    (void)owner->numberArray.SetSize(0);  // emptying cannot fail
}

// ---------------------------------------------------------------------------------------------------
// Loader and grammar

XmlNetLoader::XmlNetLoader(VRX_network* net, const char* fileName)
    : XmlErrorHandler(fileName), network(net), checkExistingIds(net->GetNumberOfNodes() > 0) {}

XmlNetLoader::~XmlNetLoader() = default;

XmlNetLoader::Binding* XmlNetLoader::MakeBinding(const char* name, Handler start, Handler end, Handler word,
                                                 int flags) {
    bindings.push_back(std::make_unique<Binding>(this, name, start, end, word, flags));
    return bindings.back().get();
}

XmlNetLoader::NodeBinding* XmlNetLoader::MakeNodeBinding(const char* name, int typeCode, Handler kindEnd,
                                                         bool hasStates, bool supported) {
    auto binding = std::make_unique<NodeBinding>(this, name, typeCode, kindEnd, hasStates, supported);
    NodeBinding* result = binding.get();
    bindings.push_back(std::move(binding));
    return result;
}

void XmlNetLoader::CreateBindings(IXmlBinding* extension) {
    Binding* properties = MakeBinding("properties", nullptr, nullptr, nullptr);
    Binding* property =
        MakeBinding("property", &XmlNetLoader::OnPropertyStart, &XmlNetLoader::OnNetworkPropertyEnd, nullptr);
    property->AddAttribute("id", true);
    properties->AddChild(property, kZeroOrMore);

    Binding* root = MakeBinding("tarvo", &XmlNetLoader::OnRootStart, nullptr, nullptr, 0);
    rootBinding = root;
    Binding* algParams = MakeBinding("algparams", nullptr, nullptr, nullptr);
    Binding* nodes = MakeBinding("nodes", nullptr, nullptr, nullptr);
    Binding* observationCost = MakeBinding("observationcost", nullptr, nullptr, nullptr);
    Binding* extensions = MakeBinding("extensions", nullptr, nullptr, nullptr, 0);
    root->AddChild(algParams, kOptional);
    root->AddChild(properties, kOptional);
    root->AddChild(nodes, kOptional);
    root->AddChild(observationCost, kOptional);
    root->AddChild(extensions, kOptional);
    root->AddAttribute("version", true);
    root->AddAttribute("id", true);
    root->AddAttribute("numsamples", false);
    root->AddAttribute("discsamples", false);
    root->AddAttribute("discavoidzero", false);
    if (extension != nullptr) extensions->AddChild(extension, kRequired);

    Binding* epis = MakeBinding("epis", &XmlNetLoader::OnEpisStart, nullptr, nullptr);
    for (const char* name :
         {"proplen", "numstates1", "numstates2", "numstates3", "eps1", "eps2", "eps3", "eps4"})
        epis->AddAttribute(name, true);
    algParams->AddChild(epis, kOptional);

    Binding* parents = MakeBinding("parents", nullptr, nullptr, &XmlNetLoader::OnParentWord);
    parentsBinding = parents;
    Binding* state = MakeBinding("state", &XmlNetLoader::OnStateStart, nullptr, nullptr);
    stateBinding = state;
    state->AddAttribute("id", true);
    state->AddAttribute("label", false);
    state->AddAttribute("default", false);
    state->AddAttribute("fault", false);
    Binding* nodeProperty =
        MakeBinding("property", &XmlNetLoader::OnPropertyStart, &XmlNetLoader::OnNodePropertyEnd, nullptr);
    nodePropertyBinding = nodeProperty;
    nodeProperty->AddAttribute("id", true);

    Binding* dynamic =
        MakeBinding("dynamic", &XmlNetLoader::OnDynamicStart, &XmlNetLoader::OnDynamicEnd, nullptr);
    dynamic->AddAttribute("numslices", true);
    dynamicBinding = dynamic;
    root->AddChild(dynamic, kOptional);

    CreateNodeBindings(nodes);

    Binding* costNode =
        MakeBinding("node", &XmlNetLoader::OnCostNodeStart, &XmlNetLoader::OnCostNodeEnd, nullptr);
    costNode->AddAttribute("id", true);
    Binding* cost = MakeBinding("cost", nullptr, &XmlNetLoader::OnCostEnd, &XmlNetLoader::OnCostWord);
    costNode->AddChild(parents, kOptional);
    costNode->AddChild(cost, kRequired);
    observationCost->AddChild(costNode, kZeroOrMore);

    CreateCaseBindings(root);
}

void XmlNetLoader::CreateCaseBindings(IXmlBinding* root) {
    Binding* cases = MakeBinding("cases", nullptr, nullptr, nullptr);
    Binding* caseBinding = MakeBinding("case", &XmlNetLoader::OnCaseStart, nullptr, nullptr);
    caseBinding->AddAttribute("name", true);
    caseBinding->AddAttribute("category", false);
    caseBinding->AddAttribute("created", false);
    caseBinding->AddAttribute("modified", false);
    Binding* description = MakeBinding("description", nullptr, &XmlNetLoader::OnDescriptionEnd, nullptr);
    Binding* evidence = MakeBinding("evidence", &XmlNetLoader::OnEvidenceStart, nullptr, nullptr);
    evidence->AddAttribute("node", true);
    evidence->AddAttribute("slice", false);
    evidence->AddAttribute("state", true);
    Binding* target = MakeBinding("target", &XmlNetLoader::OnTargetStart, nullptr, nullptr);
    target->AddAttribute("node", true);
    caseBinding->AddChild(description, kOptional);
    caseBinding->AddChild(evidence, kZeroOrMore);
    caseBinding->AddChild(target, kZeroOrMore);
    cases->AddChild(caseBinding, kZeroOrMore);
    root->AddChild(cases, kOptional);
}

void XmlNetLoader::ReportWithArgument(IXmlReader* reader, const char* message, const std::string& argument) {
    reader->ReportError(std::string(message).append(": '").append(argument).append("'").c_str());
}

int XmlNetLoader::FindNodeId(const std::string& id) const {
    const auto found = nodeIds.find(id);
    return found != nodeIds.end() ? found->second : -1;
}

// ---------------------------------------------------------------------------------------------------
// Network settings and properties

void XmlNetLoader::OnRootStart(IXmlReader* reader) {
    std::string text;
    reader->GetAttribute("id", text);
    // A network saved without an identifier has none to set; a refused one stops the load, as the
    // network would keep an identifier that is not the file's.
    if (!text.empty() && network->GetHeader()->SetId(text.c_str()) != kSuccess) {
        ReportWithArgument(reader, "Invalid network identifier", text);
        return;
    }
    reader->GetAttribute("version", text);
    if (!CheckVersion(text.c_str(), kNetworkVersion)) return;
    int count = 0;
    if (!reader->GetIntAttribute("numsamples", count, network->numSamples)) return;
    // The samplers refuse fewer than one sample: refused here, by the text reader's rule, rather than at
    // the first update. An empty value reads 0; an absent one, the default.
    reader->GetAttribute("numsamples", text);
    if (text.empty() ? count < 1 : ParseSampleCount(text.c_str(), count) != kSuccess) {
        ReportWithArgument(reader, "Invalid number of samples", text);
        return;
    }
    // Earlier versions wrote the 0 they had read: a setting, not the model, so the file is read.
    if (count == 0) {
        int line = 0;
        int column = 0;
        reader->GetPosition(line, column);
        const std::string warning = "Invalid number of samples: '" + text + "': the default, " +
                                    std::to_string(network->numSamples) + ", is read";
        (void)vovido::LogNotice(errorLog, kOutOfRange, warning.c_str(),
                                ("(line " + std::to_string(line) + ") : ").c_str(), {});
        count = network->numSamples;
    }
    network->numSamples = count;
    if (!reader->GetIntAttribute("discsamples", count, 10000)) return;
    network->SetDiscSamples(count);
    bool avoidZero = true;
    if (!reader->GetBoolAttribute("discavoidzero", avoidZero, true)) return;
    network->SetDiscAvoidZero(avoidZero);
}

void XmlNetLoader::OnPropertyStart(IXmlReader* reader) {
    reader->GetAttribute("id", propertyId);
}

bool XmlNetLoader::CheckRepeatedProperty(IXmlReader* reader, const VRX_userProperties& properties,
                                         const std::string& owner, const std::string& value, bool& repeated) {
    const int existing = properties.FindProperty(propertyId.c_str());
    repeated = existing >= 0;
    if (!repeated) return true;
    return vovido::ReportRepeatedPart(*reader, owner, "property '" + propertyId + "'",
                                      value == vovido::OrEmpty(properties.GetPropertyValue(existing)));
}

void XmlNetLoader::OnNetworkPropertyEnd(IXmlReader* reader) {
    std::string value;
    reader->GetUnescapedText(value);
    const char* id = network->GetHeader() != nullptr ? network->GetHeader()->GetId() : nullptr;
    bool repeated = false;
    if (!CheckRepeatedProperty(reader, network->userProperties,
                               "Network [" + std::string(vovido::OrEmpty(id)) + "]", value, repeated) ||
        repeated)
        return;
    if (network->userProperties.AddProperty(propertyId.c_str(), value.c_str()) != kSuccess)
        ReportWithArgument(reader, "Can't add networkproperty", propertyId);
}

void XmlNetLoader::OnNodePropertyEnd(IXmlReader* reader) {
    std::string value;
    reader->GetUnescapedText(value);
    VRX_node* node = network->GetNode(currentNode);
    if (node == nullptr || node->GetInfo() == nullptr) {
        ReportWithArgument(reader, "Can't add node property", propertyId);
        return;
    }
    bool repeated = false;
    VRX_userProperties& properties = node->GetInfo()->userProperties;
    if (!CheckRepeatedProperty(reader, properties,
                               "Node [" + std::string(vovido::OrEmpty(node->GetId())) + "]", value,
                               repeated) ||
        repeated)
        return;
    if (properties.AddProperty(propertyId.c_str(), value.c_str()) != kSuccess)
        ReportWithArgument(reader, "Can't add node property", propertyId);
}

void XmlNetLoader::OnEpisStart(IXmlReader* reader) {
    VRX_episParams params;
    if (!reader->GetIntAttribute("proplen", params.proplen, params.proplen)) return;
    if (!reader->GetIntAttribute("numstates1", params.numstates1, params.numstates1)) return;
    if (!reader->GetIntAttribute("numstates2", params.numstates2, params.numstates2)) return;
    if (!reader->GetIntAttribute("numstates3", params.numstates3, params.numstates3)) return;
    if (!reader->GetDoubleAttribute("eps1", params.eps1, params.eps1)) return;
    if (!reader->GetDoubleAttribute("eps2", params.eps2, params.eps2)) return;
    if (!reader->GetDoubleAttribute("eps3", params.eps3, params.eps3)) return;
    if (!reader->GetDoubleAttribute("eps4", params.eps4, params.eps4)) return;
    if (network->SetEpisParams(params) != kSuccess) reader->ReportError("Invalid EPIS parameters");
}

// ---------------------------------------------------------------------------------------------------
// Observation costs

void XmlNetLoader::OnCostNodeStart(IXmlReader* reader) {
    std::string id;
    reader->GetAttribute("id", id);
    currentNode = FindNodeId(id);
    if (currentNode < 0) {
        ReportWithArgument(reader, "Invalid node identifier", id);
        return;
    }
    // A node's costs given again are compared whole with the first, not read over them.
    const bool repeated = costElements_.count(currentNode) > 0;
    reader->RecordElement(repeated);
    if (repeated) repeatedCostNode_ = currentNode;
    parentHandles.clear();
    numbers.clear();
}

void XmlNetLoader::OnCostWord(IXmlReader* reader) {
    if (reader->GetText() == "n/a") {
        numbers.push_back(kNotAvailableValue);
        return;
    }
    ReadDoubleWord(reader, numbers);
}

void XmlNetLoader::OnCostEnd(IXmlReader* reader) {
    bool ok = numberArray.SetSize(static_cast<int>(numbers.size())) == kSuccess;
    for (size_t i = 0; ok && i < numbers.size(); ++i) ok = numberArray.Add(numbers[i]) == kSuccess;
    if (!ok) reader->ReportError("Out of memory");
    numbers.clear();
}

void XmlNetLoader::OnCostNodeEnd(IXmlReader* reader) {
    if (repeatedCostNode_ >= 0) {
        const int handle = repeatedCostNode_;
        repeatedCostNode_ = -1;
        (void)vovido::ReportRepeatedPart(
            *reader, "Node [" + std::string(vovido::NodeLabel(*network, handle)) + "]",
            "'node' element in observationcost", costElements_[handle] == reader->RecordedElement());
        return;
    }
    costElements_[currentNode] = reader->RecordedElement();
    for (int parent : parentHandles) {
        if (network->AddArc(parent, currentNode, 1) != kSuccess) {
            reader->ReportError("AddArc failed");
            return;
        }
    }
    if (RefuseNonFinite(reader, "observation costs")) return;
    VRX_node* node = network->GetNode(currentNode);
    if (node == nullptr || node->GetCost() == nullptr || node->GetCost()->SetCosts(numberArray) != kSuccess) {
        // Which node, and why where it is the count.
        const VRX_Dmatrix* costs =
            node != nullptr && node->GetCost() != nullptr ? node->GetCost()->GetCosts() : nullptr;
        if (costs != nullptr && costs->GetNumberOfElements() != numberArray.GetCount())
            LogShortList("observation costs", costs->GetNumberOfElements());
        reader->ReportError("SetCosts failed");
    }
    (void)numberArray.SetSize(0);  // emptying cannot fail
}

void XmlNetLoader::OnDynamicStart(IXmlReader* reader) {
    int count = 0;
    if (!reader->GetIntAttribute("numslices", count, 0)) return;
    if (count < 0) {
        reader->ReportError(
            ("Invalid slice count: " + std::to_string(count) + ", non-negative integer expected").c_str());
        return;
    }
    sliceCount = count;
}

void XmlNetLoader::OnDynamicEnd(IXmlReader* /*reader*/) {
    // A count of 0 is the network's to refuse; it keeps its own then.
    (void)network->SetSliceCount(sliceCount);
}

// ---------------------------------------------------------------------------------------------------
// Cases

void XmlNetLoader::OnCaseStart(IXmlReader* reader) {
    std::string name;
    reader->GetAttribute("name", name);
    currentCase = network->AddCase(name.c_str());
    if (currentCase == nullptr) {
        ReportWithArgument(reader, "Duplicate case name", name);
        return;
    }
    std::string category;
    reader->GetAttribute("category", category);
    if (currentCase->SetCategory(category.c_str()) != kSuccess) reader->ReportError("Out of memory");
    int64_t stamp = 0;
    if (!ReadStampAttribute(reader, "modified", stamp)) return;
    currentCase->SetModified(stamp);
    if (!ReadStampAttribute(reader, "created", stamp)) return;
    currentCase->SetCreated(stamp);
}

void XmlNetLoader::OnDescriptionEnd(IXmlReader* reader) {
    std::string text;
    reader->GetUnescapedText(text);
    if (currentCase != nullptr && currentCase->SetDescription(text.c_str()) != kSuccess)
        reader->ReportError("Out of memory");
}

void XmlNetLoader::OnEvidenceStart(IXmlReader* reader) {
    std::string nodeId;
    std::string state;
    int slice = -1;
    reader->GetAttribute("node", nodeId);
    reader->GetAttribute("state", state);
    if (!reader->GetIntAttribute("slice", slice, -1)) return;
    const int handle = FindNodeId(nodeId);
    if (handle < 0) {
        ReportWithArgument(reader, "Invalid node identifier", nodeId);
        return;
    }
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    int rc = kSuccess;
    if (definition != nullptr && vovido::IsEquationType(definition->GetType())) {
        double value = 0.0;
        if (!reader->GetDoubleAttribute("state", value, 0.0)) return;
        rc = currentCase->AddContEvidence(handle, value);
    } else {
        const VRX_idArray* outcomes = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
        const int outcome = outcomes != nullptr ? outcomes->FindPosition(state.c_str()) : -1;
        if (outcome < 0) {
            ReportWithArgument(reader, "Invalid outcome identifier", state);
            return;
        }
        rc = slice < 0 ? currentCase->AddEvidence(handle, outcome)
                       : currentCase->AddTemporalEvidence(handle, outcome, slice);
    }
    if (rc != kSuccess)
        reader->ReportError(("Evidence '" + state + "' of node '" + nodeId + "' cannot be added.").c_str());
}

void XmlNetLoader::OnTargetStart(IXmlReader* reader) {
    std::string nodeId;
    reader->GetAttribute("node", nodeId);
    const int handle = FindNodeId(nodeId);
    for (int i = 0; handle >= 0 && i < currentCase->GetNumberOfTargets(); ++i) {
        if (currentCase->GetTarget(i) != handle) continue;
        (void)vovido::ReportRepeatedPart(*reader, "Case [" + std::string(currentCase->GetName()) + "]",
                                         "target [" + nodeId + "]", true);
        return;
    }
    if (currentCase->AddTarget(handle) != kSuccess)
        ReportWithArgument(reader, "Can't add target node", nodeId);
}

// ---------------------------------------------------------------------------------------------------
// Entry point

bool LoadXmlNetwork(const char* fileName, VRX_network* network, IXmlBinding* extension,
                    VRX_temporalExtension* plate) {
    if (fileName == nullptr || network == nullptr) return false;
    IXmlCavroLoader* cavro = nullptr;
    bool ok = false;
    try {
        XmlNetLoader loader(network, fileName);
        IXmlBinding* binding = extension;
        if (extension == nullptr) {
            cavro = CreateXmlCavroLoader(&loader, network, loader.GetNodeIds(), plate);
            binding = cavro->GetBinding();
        } else if (extension == NoXmlExtensionBinding()) {
            binding = nullptr;
        }
        loader.CreateBindings(binding);
        network->numSamples = 1000;
        // The loader checks identifiers and cycles itself: a node may share the network's identifier,
        // and every parent precedes its child in the file.
        const int readingFlags = network->readingFlags;
        network->readingFlags |=
            ReadingFlags::kReading | ReadingFlags::kAllowCycles | ReadingFlags::kAllowDuplicateIds;
        ok = loader.Parse(fileName, loader.GetRootBinding(), &loader);
        network->readingFlags = readingFlags;
        if (ok) loader.ReportUnknownContent();
        // The extension's bindings hang below the loader's: they go first.
        if (cavro != nullptr) cavro->Release();
        cavro = nullptr;
    } catch (const std::bad_alloc&) {
        if (cavro != nullptr) cavro->Release();
        LogError(errorLog, kOutOfMemory, nullptr, nullptr);
        return false;
    }
    return ok;
}
