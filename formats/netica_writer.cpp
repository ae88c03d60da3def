// Writer of the Netica network format. Every statement it writes is one its reader takes back to the
// same network: kinds without Netica statements of their own go out as the tables they imply, and
// every node is checked before the file is opened.
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/parsed_equation.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/equation.h"
#include "definitions/truth_table.h"
#include "formats/exchange_format_support.h"
#include "formats/netica_format.h"
#include "formats/text_file.h"
#include "formats/written_losses.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/submodel.h"

namespace {

constexpr char kIndent[] = "    ";

bool IsNeticaKind(int type) {
    switch (type) {
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder:
        case DefinitionType::kList:
        case DefinitionType::kTable:
        case DefinitionType::kEquation:
            return true;
        default:
            return false;
    }
}

std::string IdList(const VRX_stringArray& ids) {
    std::string out = "(";
    for (int i = 0; i < ids.GetCount(); ++i) {
        if (i > 0) out += ", ";
        out += ids[i] != nullptr ? ids[i] : "";
    }
    return out + ")";
}

// Nested lists of outcome names, one name per parent configuration, the last parent innermost.
void WriteNameLists(const VRX_stringArray& names, const VRX_Dmatrix& table,
                    const vovido::NestedListStyle& style, VRX_textFile& output) {
    // The configurations alone: the outcome dimension dropped.
    std::vector<int> sizes = vovido::TableSizes(table);
    if (table.GetNumberOfDimensions() > 0) sizes.pop_back();
    if (sizes.empty()) sizes.push_back(1);
    vovido::WriteNestedLists(
        sizes, style,
        [&names](int index, std::string& out) {
            out += index < names.GetCount() && names[index] != nullptr ? names[index] : "";
        },
        output);
}

}  // namespace

int VRX_neticaSpeaker::CheckWritable() {
    if (network == nullptr) return kObjectNotValid;
    if (const int rc = vovido::CheckStaticNetwork(*network, "Netica")) return rc;
    const int rc = vovido::CheckWritableNodes(*network, [this](int handle) -> std::string {
        const VRX_node* node = network->GetNode(handle);
        const VRX_nodeDefinition* definition = node->GetDefinition();
        const int type = definition != nullptr ? definition->GetType() : DefinitionType::kNone;
        if (IsNeticaKind(type) && node->GetInfo() != nullptr && node->GetId() != nullptr) return {};
        return "ERROR: This Network cannot be saved in Netica format: " +
               vovido::NodeKindText(*network, handle);
    });
    if (rc == kSuccess) vovido::WarnWrittenLosses(*network, vovido::kNeticaLosses);
    return rc;
}

// A digit and ", " per number, brackets, ",", a line end and 8 blanks per distribution; a deterministic
// node's table is a name per distribution.
VRX_fileFormat::TableText VRX_neticaSpeaker::MinimumTableText(int definitionType, int /*parents*/) const {
    switch (definitionType) {
        case DefinitionType::kCpt:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder:
            return {3, 10, 0, 2};
        case DefinitionType::kTruthTable:
            return {0, 2};
        case DefinitionType::kTable:
            return {2, 0, 1, 2, false, true};
        default:
            return {};
    }
}

int VRX_neticaSpeaker::WriteFile(const char* path) {
    return vovido::WriteCheckedFile(
        *this, path, [this] { return CheckWritable(); }, [this] { return WriteNetworkText(); });
}

int VRX_neticaSpeaker::WriteToText(std::string& out) {
    return vovido::WriteCheckedText(
        *this, out, [this] { return CheckWritable(); }, [this] { return WriteNetworkText(); });
}

void VRX_neticaSpeaker::WriteQuoted(const char* key, const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    output.WriteRaw(std::string(kIndent) + key + " = " + QuotedText(text) + ";\n");
}

int VRX_neticaSpeaker::WriteNetworkText() {
    const VRX_header* header = network->GetHeader();
    const char* id = header->GetId();
    output.WriteRaw(std::string("// ~->[DNET-1]->~\n\nbnet ") +
                    (id != nullptr && id[0] != '\0' ? id : VrxFormat::kUnnamedNetwork) + " {\n");
    WriteQuoted("title", header->GetName());
    WriteQuoted("comment", header->GetComment());
    WriteQuoted("author", network->creation.GetCreator());
    // The format keeps a modification time only as a number.
    const char* modified = network->creation.GetModified();
    if (modified != nullptr && modified[0] != '\0' &&
        std::string(modified).find_first_not_of("0123456789") == std::string::npos) {
        output.WriteRaw(std::string(kIndent) + "whenchanged = " + modified + ";\n");
    }
    std::string visual = std::string(kIndent) + "visual V1 {\n";
    const VRX_submodel* main = network->GetSubmodelHandler().GetSubmodel(kMainSubmodel);
    if (main != nullptr && (main->windowPosition.width != 0 || main->windowPosition.height != 0)) {
        // Corners, as the reader takes them.
        const VRX_rectangle& r = main->windowPosition;
        const long long left = static_cast<long long>(r.centerX) - r.width / 2;
        const long long top = static_cast<long long>(r.centerY) - r.height / 2;
        visual += std::string(kIndent) + kIndent + "windowposn = (" + std::to_string(left) + ", " +
                  std::to_string(top) + ", " + std::to_string(left + r.width) + ", " +
                  std::to_string(top + r.height) + ");\n";
    }
    output.WriteRaw(visual + kIndent + kIndent + "};\n");
    VRX_intArray order;
    if (order.Copy(network->GetTopologicalOrder()) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < order.GetCount(); ++i) WriteNode(order[i]);
    output.WriteRaw("};\n");
    return output.GetStatus();
}

void VRX_neticaSpeaker::WriteNode(int handle) {
    VRX_node* node = network->GetNode(handle);
    VRX_nodeDefinition& definition = *node->GetDefinition();
    const int type = definition.GetType();
    const std::string in = kIndent;
    std::string text = "\nnode " + std::string(node->GetId()) + " {\n";
    if (type == DefinitionType::kList) {
        text += in + "kind = DECISION;\n" + in + "discrete = TRUE;\n";
    } else if (type == DefinitionType::kTable) {
        text += in + "kind = UTILITY;\n" + in + "discrete = FALSE;\n";
    } else {
        text += in + "kind = NATURE;\n" + in +
                "discrete = " + (type == DefinitionType::kEquation ? "FALSE" : "TRUE") + ";\n" + in +
                "chance = " + (type == DefinitionType::kTruthTable ? "DETERMIN" : "CHANCE") + ";\n";
    }
    output.WriteRaw(text);
    const VRX_nodeInfo& info = *node->GetInfo();
    WriteQuoted("title", info.header.GetName());
    WriteQuoted("comment", info.header.GetComment());
    VRX_stringArray parentIds;
    const VRX_intArray& parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) (void)parentIds.Add(network->GetNode(parents[i])->GetId());
    output.WriteRaw(in + "parents = " + IdList(parentIds) + ";\n");
    WriteDefinitionLines(definition, parents);
    text.clear();
    const VRX_userProperties& properties = info.userProperties;
    if (properties.GetNumberOfProperties() > 0) {
        text += in + "user U1 {\n";
        for (int i = 0; i < properties.GetNumberOfProperties(); ++i) {
            text += in + in + properties.GetPropertyName(i) + " = " +
                    QuotedText(properties.GetPropertyValue(i)) + ";\n";
        }
        text += in + in + "};\n";
    }
    text += in + "visual V1 {\n" + in + in + "center = (" + std::to_string(info.screenInfo.position.centerX) +
            ", " + std::to_string(info.screenInfo.position.centerY) + ");\n" + in + in + "};\n" + in + "};\n";
    output.WriteRaw(text);
}

void VRX_neticaSpeaker::WriteDefinitionLines(VRX_nodeDefinition& definition,
                                             const VRX_intArray& /*parents*/) {
    const std::string in = kIndent;
    const int type = definition.GetType();
    std::string text;
    if (type == DefinitionType::kEquation) {
        auto& equation = static_cast<VRX_equation&>(definition);
        std::string equationText;
        EquationToText(equation.GetEquation(), equationText);
        text += in + "equation = " + QuotedText(equationText.c_str()) + ";\n";
        const auto& intervals = equation.GetIntervals();
        if (!intervals.empty()) {
            VRX_stringArray ids;
            std::string levels;
            FormatDouble(equation.GetLowerBound(), levels);
            for (const DiscretizationInterval& interval : intervals) {
                (void)ids.Add(interval.id.c_str());
                std::string number;
                FormatDouble(interval.upper, number);
                levels += ", " + number;
            }
            text += in + "states = " + IdList(ids) + ";\n" + in + "levels = (" + levels + ");\n";
        }
        output.WriteRaw(text);
        return;
    }
    if (type != DefinitionType::kTable) {
        const VRX_idArray* outcomes = definition.GetOutcomesNames();
        if (outcomes != nullptr) text += in + "states = " + IdList(*outcomes) + ";\n";
    }
    if (type == DefinitionType::kList) {
        output.WriteRaw(text);
        return;
    }
    VRX_Dmatrix* table = TableToWrite(definition);
    if (table == nullptr) return;
    vovido::NestedListStyle style;
    style.itemSeparator = ", ";
    style.listSeparator = ",\n";
    style.indentation = in + in;
    text += in +
            (type == DefinitionType::kTruthTable || type == DefinitionType::kTable ? "functable" : "probs") +
            " = \n" + in + in;
    output.WriteRaw(text);
    if (type == DefinitionType::kTruthTable) {
        VRX_stringArray names;
        if (static_cast<VRX_truthTable&>(definition).GetResultingStates(names) != kSuccess) {
            output.MarkFailed();
            return;
        }
        WriteNameLists(names, *table, style, output);
    } else {
        if (type == DefinitionType::kTable) style.innerDims = 2;
        vovido::WriteNestedLists(vovido::TableSizes(*table), style, vovido::NumberItems(*table), output);
    }
    output.WriteRaw(";\n");
}
