// Writer of Ergo files: counts, parent positions (from 1, in topological order) and the four sections.
// Lines are written whole: a break inside a number would change it.
#include <string>
#include <unordered_map>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "formats/ergo_speaker.h"
#include "formats/exchange_format_support.h"
#include "formats/written_losses.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

namespace {

bool IsErgoKind(int type) {
    return type == DefinitionType::kCpt || type == DefinitionType::kTruthTable;
}

constexpr char kErgoRefusal[] = "ERROR: This Network cannot be saved in Ergo format";

// Refused before the file is made: a network this format cannot hold replaces no file.
int CheckErgoWritable(VRX_network* network) {
    if (network == nullptr) return kObjectNotValid;
    if (const int rc = vovido::CheckStaticNetwork(*network, "Ergo")) return rc;
    if (const int rc = vovido::CheckWritableKinds(*network, IsErgoKind, kErgoRefusal)) return rc;
    vovido::WarnWrittenLosses(*network, vovido::kErgoLosses);
    return kSuccess;
}

}  // namespace

// A digit and a tab per number, a line end per distribution.
VRX_fileFormat::TableText VRX_ergoSpeaker::MinimumTableText(int definitionType, int /*parents*/) const {
    return IsErgoKind(definitionType) ? TableText{2, 1} : TableText{};
}

int VRX_ergoSpeaker::WriteFile(const char* path) {
    return vovido::WriteCheckedFile(
        *this, path, [this] { return CheckErgoWritable(network); }, [this] { return WriteNetwork(); });
}

int VRX_ergoSpeaker::WriteToText(std::string& out) {
    return vovido::WriteCheckedText(
        *this, out, [this] { return CheckErgoWritable(network); }, [this] { return WriteNetwork(); });
}

int VRX_ergoSpeaker::WriteNetwork() {
    const VRX_intArray order(network->GetTopologicalOrder());
    const int n = order.GetCount();
    if (n != network->GetNumberOfNodes()) return kOutOfMemory;
    std::unordered_map<int, int> position;
    for (int i = 0; i < n; ++i) position[order[i]] = i + 1;

    output.WriteRaw(std::to_string(n) + "\n\n");
    std::string line;
    for (int i = 0; i < n; ++i) {
        line += std::to_string(network->GetNode(order[i])->GetDefinition()->GetNumberOfOutcomes()) + "\t";
    }
    output.WriteRaw(line + "\n\n");
    for (int i = 0; i < n; ++i) {
        const VRX_intArray& parents = network->GetParents(order[i]);
        line = std::to_string(parents.GetCount());
        for (int j = 0; j < parents.GetCount(); ++j) line += "\t" + std::to_string(position[parents[j]]);
        output.WriteRaw(line + "\n");
    }
    output.WriteRaw("\n\n");

    output.WriteRaw("\n/*\tProbabilities\t*/\n");
    for (int i = 0; i < n; ++i) {
        VRX_nodeDefinition* definition = network->GetNode(order[i])->GetDefinition();
        VRX_Dmatrix* table = TableToWrite(*definition);
        if (table == nullptr) return GetWriteFailure();
        const int outcomes = definition->GetNumberOfOutcomes();
        output.WriteRaw(std::to_string(table->GetNumberOfElements()) + "\n");
        // One distribution a line.
        for (int start = 0; start < table->GetNumberOfElements(); start += outcomes) {
            line.clear();
            for (int k = 0; k < outcomes && start + k < table->GetNumberOfElements(); ++k)
                line += vovido::NumberText((*table)[start + k]) + "\t";
            output.WriteRaw(line + "\n");
        }
        output.WriteRaw("\n");
    }
    output.WriteRaw("\n\n/*\tNames\t*/\n");
    for (int i = 0; i < n; ++i)
        output.WriteRaw(std::string(vovido::NodeIdOr(*network, order[i], "_Unnamed_Node_")) + "\n");
    output.WriteRaw("\n\n\n/*\tLabels\t*/\n");
    for (int i = 0; i < n; ++i) {
        const VRX_idArray* names = network->GetNode(order[i])->GetDefinition()->GetOutcomesNames();
        line.clear();
        for (int k = 0; names != nullptr && k < names->GetCount(); ++k)
            line += std::string((*names)[k]) + "\t";
        output.WriteRaw(line + "\n");
    }
    output.WriteRaw("\n\n\n/*\tCenters\t*/\n");
    for (int i = 0; i < n; ++i) {
        const VRX_nodeInfo* info = network->GetNode(order[i])->GetInfo();
        output.WriteRaw(std::to_string(info->screenInfo.position.centerX) + "\t" +
                        std::to_string(info->screenInfo.position.centerY) + "\n");
    }
    return output.GetStatus();
}
