// Writer of MSBN files: the head, every node block, then every potential, in topological order. Texts
// go out escaped between quotes; a network the format cannot hold is refused before the file is made.
#include <string>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "formats/exchange_format_support.h"
#include "formats/msbn_speaker.h"
#include "formats/written_losses.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

namespace {

constexpr char kUnnamedNode[] = "_Unnamed_Node_";

bool IsProbabilityKind(int type) {
    return type == DefinitionType::kCpt || type == DefinitionType::kTruthTable ||
           type == DefinitionType::kNoisyMax || type == DefinitionType::kNoisyAdder;
}

bool IsMsbnKind(int type) {
    return IsProbabilityKind(type) || type == DefinitionType::kList || type == DefinitionType::kTable;
}

constexpr char kMsbnRefusal[] = "ERROR: This Network cannot be saved in MSBN format";

// Refused before the file is made: a network this format cannot hold replaces no file.
int CheckMsbnWritable(VRX_network* network) {
    if (network == nullptr || network->GetHeader() == nullptr) return kObjectNotValid;
    if (const int rc = vovido::CheckStaticNetwork(*network, "MSBN")) return rc;
    if (const int rc = vovido::CheckWritableKinds(*network, IsMsbnKind, kMsbnRefusal)) return rc;
    vovido::WarnWrittenLosses(*network, vovido::kMsbnLosses);
    return kSuccess;
}

}  // namespace

// A digit and ", " per number; the indentation, the parents' outcomes, ";" and a line end per distribution.
VRX_fileFormat::TableText VRX_microsoftSpeaker::MinimumTableText(int definitionType, int parents) const {
    if (definitionType == DefinitionType::kList) return {};
    // The parents' outcome indexes before each distribution: "(0, 1) : ".
    return IsMsbnKind(definitionType) ? TableText{3, 4 + (parents > 0 ? 3 * parents + 3 : 0), 0, 0, true}
                                      : TableText{};
}

int VRX_microsoftSpeaker::WriteFile(const char* path) {
    return vovido::WriteCheckedFile(
        *this, path, [this] { return CheckMsbnWritable(network); }, [this] { return WriteNetwork(); });
}

int VRX_microsoftSpeaker::WriteToText(std::string& out) {
    return vovido::WriteCheckedText(
        *this, out, [this] { return CheckMsbnWritable(network); }, [this] { return WriteNetwork(); });
}

int VRX_microsoftSpeaker::WriteStringField(const char* key, const char* text, bool quoted, bool escaped) {
    if (key == nullptr || text == nullptr) return kSuccess;
    WriteIndented(key, false);
    output.Write(" : ");
    if (quoted) output.WriteRaw("\"");
    // Raw: a line break inside the quotes would change the text.
    output.WriteRaw(escaped ? EscapeText(text) : std::string(text));
    if (quoted) output.WriteRaw("\"");
    return output.Write(";\n");
}

int VRX_microsoftSpeaker::WriteIntListField(const char* key, const VRX_intArray& list, bool useSize) {
    WriteIndented(key, false);
    output.Write(" : ");
    WriteIntList(list, useSize);
    return output.Write(";\n");
}

int VRX_microsoftSpeaker::WriteSectionStart(const char* name) {
    WriteIndented(name, false);
    output.Write(" {\n");
    return output.Indent();
}

int VRX_microsoftSpeaker::WriteNetwork() {
    (void)output.SetIndentWidth(4);  // within the line width
    const VRX_header& header = *network->GetHeader();
    const char* name =
        header.GetName() != nullptr && *header.GetName() != '\0' ? header.GetName() : header.GetId();
    output.WriteRaw("belief network \"" + EscapeText(name != nullptr ? name : "_Unnamed_Network_") + "\"\n");
    const VRX_intArray order(network->GetTopologicalOrder());
    if (order.GetCount() != network->GetNumberOfNodes()) return kOutOfMemory;
    for (int i = 0; i < order.GetCount(); ++i) {
        output.WriteRaw("\n");
        WriteNode(order[i]);
        output.WriteRaw("\n");
    }
    for (int i = 0; i < order.GetCount(); ++i) {
        output.WriteRaw("\n");
        WritePotential(order[i]);
        output.WriteRaw("\n");
    }
    return output.GetStatus();
}

void VRX_microsoftSpeaker::WriteNode(int handle) {
    VRX_node* node = network->GetNode(handle);
    const int type = node->GetType();
    output.WriteRaw(std::string("node ") + vovido::NodeIdOr(*network, handle, kUnnamedNode) + "\n{\n");
    output.Indent();
    WriteStringField("name", node->GetInfo()->header.GetName(), true, true);
    if (type != DefinitionType::kTable) {
        const VRX_idArray* outcomes = node->GetDefinition()->GetOutcomesNames();
        const int count = outcomes != nullptr ? outcomes->GetCount() : 0;
        output.WriteIndentation();
        output.WriteRaw("type : discrete[" + std::to_string(count) + "] = \n");
        output.WriteIndentation();
        output.WriteRaw("{\n");
        output.Indent();
        for (int k = 0; k < count; ++k) {
            output.WriteIndentation();
            output.WriteRaw("\"" + EscapeText((*outcomes)[k]) + "\"" + (k + 1 < count ? ",\n" : "\n"));
        }
        output.Unindent();
        output.WriteIndentation();
        output.WriteRaw("};\n");
    }
    VRX_intArray position;
    if (position.Add(node->GetInfo()->screenInfo.position.centerX) == kSuccess &&
        position.Add(node->GetInfo()->screenInfo.position.centerY) == kSuccess) {
        WriteIntListField("position", position, false);
    }
    if (type == DefinitionType::kTable) WriteStringField("label", "utility", false, false);
    if (type == DefinitionType::kList) WriteStringField("label", "decision", false, false);
    output.Unindent();
    output.WriteRaw("}");
}

void VRX_microsoftSpeaker::WritePotential(int handle) {
    const int type = network->GetNodeType(handle);
    const char* word = type == DefinitionType::kTable  ? "utility"
                       : type == DefinitionType::kList ? "information"
                                                       : "probability";
    std::string head = std::string(word) + "(" + vovido::NodeIdOr(*network, handle, kUnnamedNode);
    const VRX_intArray& parents = network->GetParents(handle);
    bool first = true;
    for (int i = 0; i < parents.GetCount(); ++i) {
        const char* id = vovido::NodeIdOr(*network, parents[i], nullptr);
        if (id == nullptr) continue;
        head += first ? " | " : ", ";
        head += id;
        first = false;
    }
    head += ")";
    if (type == DefinitionType::kList) {
        output.WriteRaw(head + ";\n");
        return;
    }
    output.WriteRaw(head + "\n{\n");
    output.Indent();
    WriteTableLines(handle);
    output.Unindent();
    output.WriteRaw("}");
}

void VRX_microsoftSpeaker::WriteTableLines(int handle) {
    VRX_Dmatrix* table = TableToWrite(*network->GetNode(handle)->GetDefinition());
    if (table == nullptr) return;
    if (table->GetNumberOfElements() == 0) {
        output.MarkFailed();
        return;
    }
    const int parentCount = network->GetParents(handle).GetCount();
    const int dimensions = table->GetNumberOfDimensions();
    // One line per configuration of the parents: the run of the last dimension.
    const int run = dimensions > parentCount ? table->GetSizeOfDimension(dimensions - 1) : 1;
    VRX_intArray coordinates;
    for (int i = 0; i < parentCount; ++i) {
        if (coordinates.Add(0) != kSuccess) {
            output.MarkFailed();
            return;
        }
    }
    std::string line;  // one line's text, wrapped as it is written
    for (int start = 0; start < table->GetNumberOfElements(); start += run) {
        line.clear();
        if (parentCount > 0) {
            line.push_back('(');
            for (int i = 0; i < parentCount; ++i) {
                if (i > 0) line.append(", ");
                line.append(std::to_string(coordinates[i]));
            }
            line.append(") : ");
        }
        for (int k = 0; k < run; ++k) {
            AppendDouble((*table)[start + k], line);
            line.append(k + 1 < run ? ", " : ";\n");
        }
        output.WriteIndentation();
        output.Write(line.c_str());
        // The next configuration, the last parent fastest.
        for (int i = parentCount - 1; i >= 0; --i) {
            if (++coordinates[i] < table->GetSizeOfDimension(i)) break;
            coordinates[i] = 0;
        }
    }
}
