// Writer of the Hugin network format: the net block, a node block per node and a potential per node,
// nodes in topological order. Every node is checked before the file is opened, so that a refused
// network never leaves part of a file.
#include <string>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "formats/exchange_format_support.h"
#include "formats/hugin_format.h"
#include "formats/written_losses.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/submodel.h"

namespace {

// The block word of a node of this definition kind, or null when Hugin has none.
const char* NodeWord(int type) {
    switch (type) {
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder:
            return "node";
        case DefinitionType::kList:
            return "decision";
        case DefinitionType::kTable:
            return "utility";
        default:
            return nullptr;
    }
}

}  // namespace

int VRX_huginSpeaker::CheckWritable() {
    if (network == nullptr) return kObjectNotValid;
    if (const int rc = vovido::CheckStaticNetwork(*network, "Hugin")) return rc;
    const int rc = vovido::CheckWritableNodes(*network, [this](int handle) -> std::string {
        const VRX_node* node = network->GetNode(handle);
        const VRX_nodeDefinition* definition = node->GetDefinition();
        const int type = definition != nullptr ? definition->GetType() : DefinitionType::kNone;
        if (NodeWord(type) != nullptr && node->GetInfo() != nullptr) return {};
        return "ERROR: This Network cannot be saved in Hugin format: " +
               vovido::NodeKindText(*network, handle);
    });
    if (rc == kSuccess) vovido::WarnWrittenLosses(*network, vovido::kHuginLosses);
    return rc;
}

// A digit and a blank per number; brackets, a line end and 12 blanks per distribution.
VRX_fileFormat::TableText VRX_huginSpeaker::MinimumTableText(int definitionType, int /*parents*/) const {
    switch (definitionType) {
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder:
            return {2, 14, 0, 2};
        case DefinitionType::kTable:
            // Lists of the last two dimensions, each on a line of its own.
            return {2, 0, 0, 4};
        default:
            return {};
    }
}

int VRX_huginSpeaker::WriteFile(const char* path) {
    return vovido::WriteCheckedFile(
        *this, path, [this] { return CheckWritable(); }, [this] { return WriteNetworkText(); });
}

int VRX_huginSpeaker::WriteToText(std::string& out) {
    return vovido::WriteCheckedText(
        *this, out, [this] { return CheckWritable(); }, [this] { return WriteNetworkText(); });
}

int VRX_huginSpeaker::WriteNetworkText() {
    (void)output.SetIndentWidth(4);
    const VRX_screenInfo& defaults = network->GetSubmodelHandler().GetNodeDefaults();
    std::string text = "net\n{\n    node_size = (" + std::to_string(defaults.position.width) + " " +
                       std::to_string(defaults.position.height) + ");\n}\n";
    output.WriteRaw(text);
    // A copy: the order is the network's own array, which other calls may rebuild.
    VRX_intArray order;
    if (order.Copy(network->GetTopologicalOrder()) != kSuccess) return kOutOfMemory;
    const int mirror = MirrorLine();
    for (int i = 0; i < order.GetCount(); ++i) WriteNodeBlock(order[i], mirror);
    for (int i = 0; i < order.GetCount(); ++i) WritePotential(order[i]);
    return output.GetStatus();
}

void VRX_huginSpeaker::WriteNodeBlock(int handle, int mirror) {
    VRX_node* node = network->GetNode(handle);
    VRX_nodeDefinition* definition = node->GetDefinition();
    const VRX_nodeInfo* info = node->GetInfo();
    std::string text = std::string("\n") + NodeWord(definition->GetType()) + " " + node->GetId() + "\n{\n";
    const char* name = info->header.GetName();
    if (name != nullptr && name[0] != '\0') text += "    label = " + QuotedText(name) + ";\n";
    const VRX_rectangle& r = info->screenInfo.position;
    text += "    position = (" + std::to_string(r.centerX) + " " +
            std::to_string(static_cast<long long>(mirror) - r.centerY) + ");\n";
    if (definition->GetType() != DefinitionType::kTable) {
        text += "    states = (";
        const VRX_idArray* outcomes = definition->GetOutcomesNames();
        for (int i = 0; outcomes != nullptr && i < outcomes->GetCount(); ++i) {
            if (i > 0) text += "  ";
            text += QuotedText((*outcomes)[i]);
        }
        text += ");\n";
    }
    const VRX_userProperties& properties = info->userProperties;
    for (int i = 0; i < properties.GetNumberOfProperties(); ++i) {
        text += std::string("    ") + properties.GetPropertyName(i) + " = " +
                QuotedText(properties.GetPropertyValue(i)) + ";\n";
    }
    text += "}\n";
    output.WriteRaw(text);
}

void VRX_huginSpeaker::WritePotential(int handle) {
    VRX_node* node = network->GetNode(handle);
    VRX_nodeDefinition* definition = node->GetDefinition();
    std::string text = std::string("\npotential (") + node->GetId() + " |";
    const VRX_intArray& parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i)
        text += std::string(" ") + network->GetNode(parents[i])->GetId();
    text += ")\n{\n";
    const int type = definition->GetType();
    if (type != DefinitionType::kList) {
        VRX_Dmatrix* table = TableToWrite(*definition);
        if (table == nullptr) return;
        output.WriteRaw(text + "    data = ");
        vovido::NestedListStyle style;
        style.innerDims = type == DefinitionType::kTable ? 2 : 1;
        style.indentation = "            ";
        vovido::WriteNestedLists(vovido::TableSizes(*table), style, vovido::NumberItems(*table), output);
        text = ";\n";
    }
    output.WriteRaw(text + "}\n");
}
