// The check of the probability tables before a discrete algorithm runs.
#include "inference/table_check.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace vovido {

namespace {

bool IsDiscreteChanceType(int type) {
    return IsDiscreteType(type) && (type & DefinitionBits::kDecision) == 0 &&
           (type & DefinitionBits::kDiscreteChildOfContinuous) == 0;
}

int Report(const VRX_node& node, const std::string& what) {
    const std::string text =
        std::string("ERROR: Node [") + (node.GetId() != nullptr ? node.GetId() : "") + "] : " + what;
    return LogError(errorLog, kObjectNotConsistent, text.c_str(), nullptr);
}

// 0, or the first fault of the table: entries by kind, then column sums.
int CheckTable(const VRX_node& node, const VRX_Dmatrix& table) {
    const int count = table.GetNumberOfElements();
    const int dims = table.GetNumberOfDimensions();
    const int run = dims > 0 ? table.GetSizeOfDimension(dims - 1) : 0;
    if (count == 0 || run < 1) return kSuccess;
    const double* data = table.GetData();
    for (int start = 0; start < count; start += run) {
        double sum = 0.0;
        for (int i = start; i < start + run; ++i) {
            const double p = data[i];
            if (std::isnan(p))
                return Report(node, "entry " + std::to_string(i) + " of its table is not a number");
            if (std::isinf(p))
                return Report(node, "entry " + std::to_string(i) + " of its table is infinite");
            if (p < 0.0) {
                char value[32];
                std::snprintf(value, sizeof value, "%g", p);
                return Report(node,
                              "entry " + std::to_string(i) + " of its table is negative (" + value + ")");
            }
            sum += p;
        }
        if (!std::isfinite(sum)) {
            return Report(node, "column " + std::to_string(start / run) +
                                    " of its table does not sum to a finite number");
        }
    }
    return kSuccess;
}

}  // namespace

int CheckDiscreteTables(VRX_network& network) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_node* node = network.GetNode(h);
        VRX_nodeDefinition* definition = node->GetDefinition();
        if (definition == nullptr || !IsDiscreteChanceType(definition->GetType())) continue;
        // A table the definition could not make, as it would pass the limit, is refused by name.
        const int64_t cells = DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0);
        if (cells > kMaxTableCells) return DefinitionSupport::RefuseTable(&network, h, cells);
        VRX_Dmatrix* table = nullptr;
        if (definition->GetDefinition(table) != kSuccess || table == nullptr) continue;
        if (const int rc = CheckTable(*node, *table)) return rc;
    }
    return kSuccess;
}

}  // namespace vovido
