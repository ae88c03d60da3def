// Tying data set columns to network nodes by name.
#include <string>
#include <vector>

#include "base/id_array.h"
#include "base/status_codes.h"
#include "learning/data_set.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace {

std::string Quoted(const std::string& name) {
    return "Dataset column '" + name + "'";
}

}  // namespace

int DataSet::MatchNetwork(VRX_network& network, std::vector<DataMatch>& matches, std::string& message) {
    matches.clear();
    matches.reserve(variables.size());
    const int records = GetRecordCount();
    for (int v = 0; v < GetVariableCount(); ++v) {
        DataSetVariable& variable = variables[v];
        const int handle = variable.name.empty() ? -1 : network.FindNode(variable.name.c_str());
        if (handle < 0) continue;
        matches.push_back(DataMatch{handle, 0, v});
        VRX_nodeDefinition* definition = network.GetNode(handle)->GetDefinition();
        if (!variable.discrete) {
            if (definition == nullptr || definition->GetType() != DefinitionType::kEquation) {
                message = Quoted(variable.name) + " is continous, but matching node is discrete";
                return kWrongNodeType;
            }
            continue;
        }
        VRX_idArray* outcomes = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
        const int numOutcomes = outcomes != nullptr ? outcomes->GetCount() : 0;
        Column& column = columns[v];
        if (variable.stateNames.empty()) {
            // The cells are outcome indices already; one outside the node's outcomes would be read
            // past the end of its tables later.
            for (int r = 0; r < records; ++r) {
                if (column.missing[r] == 0 && (column.cells[r] < 0 || column.cells[r] >= numOutcomes)) {
                    message = Quoted(variable.name) + " contains value '" + std::to_string(column.cells[r]) +
                              "' which doesn't map to any node outcome";
                    return kInvalidData;
                }
            }
            continue;
        }
        const int states = static_cast<int>(variable.stateNames.size());
        std::vector<int> map(states);
        for (int j = 0; j < states; ++j) {
            map[j] = outcomes != nullptr ? outcomes->FindPosition(variable.stateNames[j].c_str()) : -1;
            if (map[j] < 0) {
                message = Quoted(variable.name) + " contains value '" + variable.stateNames[j] +
                          "' which doesn't map to any node outcome";
                return kInvalidData;
            }
        }
        for (int r = 0; r < records; ++r) {
            if (column.missing[r] == 0 && (column.cells[r] < 0 || column.cells[r] >= states)) {
                message = Quoted(variable.name) + " contains value '" + std::to_string(column.cells[r]) +
                          "' which is not one of its " + std::to_string(states) + " states";
                return kInvalidData;
            }
        }
        for (int r = 0; r < records; ++r) {
            if (column.missing[r] == 0) column.cells[r] = map[column.cells[r]];
        }
        // The cells are outcome indices now, so the names become the node's outcomes: a second match
        // (against this network or another) reads them right.
        variable.stateNames.clear();
        for (int k = 0; k < numOutcomes; ++k) variable.stateNames.emplace_back((*outcomes)[k]);
    }
    if (matches.empty()) {
        message = "No matches found";
        return kOutOfRange;
    }
    return kSuccess;
}
