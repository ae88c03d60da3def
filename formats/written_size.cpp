// The size of a file counted before it is written.
#include "formats/written_size.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "formats/exchange_format_support.h"
#include "model/file_format.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace vovido {

namespace {

// Every node's own text (its block, outcomes, parents) takes at least this much besides its table.
constexpr int64_t kNodeBytes = 8;
// More than the text of any number with what surrounds it: a file whose tables stay within half the
// limit at this much a number fits whatever its numbers, which need not be counted one by one.
constexpr int64_t kLongestNumberBytes = 32;

struct NodeTable {
    int handle;
    int64_t cells;
    int64_t bytes;
    int64_t numbers;  // cells written one number each
};

// The cells of the node's table from its parents' outcomes, without building it; -1 when unknown.
int64_t TableCells(VRX_network& network, int handle, VRX_nodeDefinition& definition, int64_t& columns) {
    const VRX_intArray& parents = network.GetParents(handle);
    columns = 1;
    for (int i = 0; i < parents.GetCount(); ++i) {
        VRX_node* parent = network.GetNode(parents[i]);
        VRX_nodeDefinition* parentDefinition = parent != nullptr ? parent->GetDefinition() : nullptr;
        const int outcomes = parentDefinition != nullptr ? parentDefinition->GetNumberOfOutcomes() : 0;
        if (outcomes > 0) columns *= outcomes;
        if (columns > kMaxTableCells) return -1;
    }
    const int outcomes =
        definition.GetType() == DefinitionType::kTable ? 1 : definition.GetNumberOfOutcomes();
    return columns * std::max(outcomes, 1);
}

// "Node [A] : its table of N cells", "Nodes [A], [B], [C] and 4 more : their tables of N cells": the
// tables largest by `measure`, as many as the total stays above the limit without the others.
std::string Culprits(VRX_network& network, std::vector<NodeTable> tables, int64_t NodeTable::*measure,
                     int64_t total, int64_t limit) {
    std::sort(tables.begin(), tables.end(),
              [measure](const NodeTable& a, const NodeTable& b) { return a.*measure > b.*measure; });
    constexpr size_t kNamed = 3;
    std::string names;
    size_t count = 0;
    int64_t removed = 0;
    int64_t cells = 0;
    for (const NodeTable& table : tables) {
        if (count > 0 && total - removed <= limit) break;
        if (count < kNamed)
            names += (count > 0 ? ", [" : "[") + std::string(NodeIdOr(network, table.handle, "")) + "]";
        removed += table.*measure;
        cells += table.cells;
        ++count;
    }
    if (count > kNamed) names += " and " + std::to_string(count - kNamed) + " more";
    return std::string(count > 1 ? "Nodes " : "Node ") + names + " : " +
           (count > 1 ? "their tables" : "its table") + " of " + GroupedNumber(cells) + " cells";
}

// The refusal of a file of at least `total` bytes.
int RefuseTooLarge(VRX_network& network, const std::vector<NodeTable>& tables, int64_t total) {
    const std::string culprits = Culprits(network, tables, &NodeTable::bytes, total, kMaxInputBytes);
    const std::string message = "ERROR: " + culprits + " would make the file at least " +
                                GroupedNumber(total) + " bytes, more than the " +
                                GroupedNumber(kMaxInputBytes) + " a reader takes (FILE TOO LARGE)";
    return LogError(errorLog, kOutOfMemory, message.c_str(), nullptr);
}

// The refusal of a file of `total` numbers: formatting them, for the count and then the write, would take
// longer than some seconds, and a table that large would be built for nothing when its text is too long.
int RefuseTooManyNumbers(VRX_network& network, const std::vector<NodeTable>& tables, int64_t total) {
    const std::string culprits = Culprits(network, tables, &NodeTable::numbers, total, kMaxWrittenNumbers);
    const std::string message = "ERROR: " + culprits + " would have the file hold " + GroupedNumber(total) +
                                " numbers, more than the " + GroupedNumber(kMaxWrittenNumbers) +
                                " a write takes (TOO MANY NUMBERS)";
    return LogError(errorLog, kOutOfMemory, message.c_str(), nullptr);
}

// The text of the table's numbers, with a cache for runs of one value (uniform tables).
int64_t NumberBytes(const VRX_Dmatrix& table) {
    int64_t bytes = 0;
    std::string text;
    double last = 0.0;
    int64_t lastBytes = -1;
    const double* data = table.GetData();
    for (int i = 0; i < table.GetNumberOfElements(); ++i) {
        if (lastBytes < 0 || data[i] != last || std::signbit(data[i]) != std::signbit(last)) {
            (void)FormatDouble(data[i], text);
            last = data[i];
            lastBytes = static_cast<int64_t>(text.size());
        }
        bytes += lastBytes;
    }
    return bytes;
}

int RefuseEntry(VRX_network& network, int handle, int index, double value) {
    const std::string message =
        "ERROR: Node [" + std::string(NodeIdOr(network, handle, "")) + "] : entry " + std::to_string(index) +
        " of its table is " + (std::isnan(value) ? "not a number" : "infinite") + ", which no file can hold";
    return LogError(errorLog, kObjectNotConsistent, message.c_str(), nullptr);
}

}  // namespace

int CheckWrittenSize(VRX_network& network, const VRX_fileFormat& speaker) {
    std::vector<NodeTable> tables;
    int64_t least = 0;
    int64_t most = 0;
    int64_t numbers = 0;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        least += kNodeBytes;
        VRX_node* node = network.GetNode(h);
        VRX_nodeDefinition* definition = node != nullptr ? node->GetDefinition() : nullptr;
        if (definition == nullptr) continue;
        const VRX_fileFormat::TableText text =
            speaker.MinimumTableText(definition->GetType(), network.GetParents(h).GetCount());
        if (text.cellBytes <= 0 && text.columnBytes <= 0) continue;
        int64_t columns = 0;
        const int64_t cells = TableCells(network, h, *definition, columns);
        if (cells < 0) continue;  // refused as too large when built
        const int64_t bytes = cells * text.cellBytes + columns * text.columnBytes;
        const int64_t written = text.cellBytes > 0 ? cells : 0;
        tables.push_back({h, cells, bytes, written});
        least += bytes;
        numbers += written;
        most += cells * (kLongestNumberBytes + text.cellBytes) +
                columns * (text.columnBytes + kLongestNumberBytes);
    }
    if (least > kMaxInputBytes) return RefuseTooLarge(network, tables, least);
    if (numbers > kMaxWrittenNumbers) return RefuseTooManyNumbers(network, tables, numbers);
    // The tables as written: their numbers counted where the file could come near the limit.
    const bool count = most > kMaxInputBytes / 2;
    least = static_cast<int64_t>(network.GetNumberOfNodes()) * kNodeBytes;
    for (NodeTable& entry : tables) {
        VRX_nodeDefinition& definition = *network.GetNode(entry.handle)->GetDefinition();
        VRX_Dmatrix* table = nullptr;
        const int rc = definition.GetDefinition(table);
        if (rc == kOutOfMemory) return rc;  // logged by the definition, naming the node and the cells
        if (rc != kSuccess || table == nullptr) continue;  // the writer reports it
        const double* data = table->GetData();
        for (int i = 0; i < table->GetNumberOfElements(); ++i) {
            if (!std::isfinite(data[i])) return RefuseEntry(network, entry.handle, i, data[i]);
        }
        if (!count) continue;
        entry.bytes += NumberBytes(*table) - entry.cells;  // a digit each counted already
        least += entry.bytes;
    }
    if (count && least > kMaxInputBytes) return RefuseTooLarge(network, tables, least);
    return kSuccess;
}

}  // namespace vovido
