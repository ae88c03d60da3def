// The size of a file counted before it is written.
#include "formats/written_size.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/number_text_bounds.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "formats/exchange_format_support.h"
#include "model/ci_definition.h"
#include "model/file_format.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace vovido {

namespace {

// Every node's own text (its block, outcomes, parents) takes at least this much besides its table.
constexpr int64_t kNodeBytes = 8;
// At most the text of any number (AppendDouble's "-2.2250738585072014e-308"), and of a table's own lines
// besides its cells and columns.
constexpr int64_t kLongestNumberBytes = 25;
constexpr int64_t kTableBytes = 64;
// Numbers whose text is formatted exactly before the others' is bounded from their magnitude alone:
// some milliseconds.
constexpr int kExactNumberTexts = 1 << 16;
// Most numbers formatted to decide a write that their bounds leave open: some 0.2 s.
constexpr int64_t kFormattedNumbers = int64_t{1} << 22;
// Largest table computed from its parameters to count its text, where its longest numbers could pass
// the limit: 384 MiB, some 0.4 s, what such writes always took. A larger one is refused from its cells,
// before it is computed (2^27 cells take 1 GiB and a second, and their text passes 2 GB as a rule).
constexpr int64_t kCountedComputedCells = int64_t{3} << 24;

// Kinds whose table the writers of plain tables compute from the node's parameters.
bool IsComputedKind(int type) {
    return type == DefinitionType::kNoisyMax || type == DefinitionType::kNoisyAdder ||
           type == DefinitionType::kDeMorgan || type == DefinitionType::kCast || type == DefinitionType::kMau;
}

struct NodeTable {
    int handle;
    int64_t cells;
    int64_t columns;
    int64_t bytes;  // the least text, then the estimate
    VRX_fileFormat::TableText text;
    int64_t indexBytes;  // a column's parent indexes past their first digit, at most
    int64_t readCells;   // what a reader counts of the table: the cells its parents' arcs add
    bool computed;       // computed from the node's parameters for the write
    // The node's outcomes, at least (a character and a separator each) and at most (their names).
    int64_t outcomeLeast;
    int64_t outcomeMost;
};

// The text of the node's outcomes, at least and at most: a node of millions of outcomes writes their
// names (and, in the own text format, statements that list every outcome) besides its table.
void OutcomeText(VRX_nodeDefinition& definition, const VRX_fileFormat& speaker, int64_t& least,
                 int64_t& most) {
    least = 0;
    most = 0;
    const VRX_idArray* names = definition.GetOutcomesNames();
    for (int i = 0; names != nullptr && i < names->GetCount(); ++i) {
        const char* name = (*names)[i];
        least += 2;
        most += speaker.MostOutcomeBytes(static_cast<int>(name != nullptr ? std::strlen(name) : 0));
    }
}

// The cells of the node's table from its parents' outcomes, without building it; -1 when unknown.
int64_t TableCells(VRX_network& network, int handle, VRX_nodeDefinition& definition, int64_t& columns,
                   int64_t& indexBytes) {
    const VRX_intArray& parents = network.GetParents(handle);
    columns = 1;
    indexBytes = 0;
    for (int i = 0; i < parents.GetCount(); ++i) {
        VRX_node* parent = network.GetNode(parents[i]);
        VRX_nodeDefinition* parentDefinition = parent != nullptr ? parent->GetDefinition() : nullptr;
        const int outcomes = parentDefinition != nullptr ? parentDefinition->GetNumberOfOutcomes() : 0;
        if (outcomes > 0) columns *= outcomes;
        if (columns > kMaxTableCells) return -1;
        for (int index = outcomes - 1; index >= 10; index /= 10) ++indexBytes;
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

// The refusal of a file of at least `total` bytes, or of an estimate of that many.
int RefuseTooLarge(VRX_network& network, const std::vector<NodeTable>& tables, int64_t total, bool least) {
    const std::string message =
        "ERROR: " + Culprits(network, tables, &NodeTable::bytes, total, kMaxInputBytes) +
        " would make the file " + (least ? "at least " : "up to ") + GroupedNumber(total) +
        " bytes, more than the " + GroupedNumber(kMaxInputBytes) + " a reader takes (FILE TOO LARGE)";
    return LogError(errorLog, kOutOfMemory, message.c_str(), nullptr);
}

// The refusal of a file whose tables a reader would count as `total` cells: it would not read back.
int RefuseTooManyCells(VRX_network& network, const std::vector<NodeTable>& tables, int64_t total) {
    const std::string message =
        "ERROR: " + Culprits(network, tables, &NodeTable::readCells, total, kMaxFileTableCells) +
        " would give the file tables of " + GroupedNumber(total) + " cells, more than the " +
        GroupedNumber(kMaxFileTableCells) + " a read builds (TABLES TOO LARGE)";
    return LogError(errorLog, kOutOfMemory, message.c_str(), nullptr);
}

// The characters of numbers' texts, at least and at most: exact for the first kExactNumberTexts values met
// (and for every value met again), bounded by NumberTextBounds past them, so that a table of many distinct
// numbers costs a lookup and some arithmetic a number and a run of one value (a uniform table) a
// comparison.
class NumberTexts {
public:
    explicit NumberTexts(int64_t exact = kExactNumberTexts) : exactLeft_(exact) {}

    // Adds the texts of data[0, n) to least and most, and whether each is finite; else `bad` is the first
    // that is not.
    void Lengths(const double* data, int n, int& bad, int64_t& least, int64_t& most) {
        constexpr int kBlock = 8;
        uint64_t last = 0;
        int64_t lastLength = 0;
        bool run = false;
        int i = 0;
        while (i < n) {
            // Within a run, a block of the last value's bits costs a comparison a number.
            if (run && i + kBlock <= n) {
                uint64_t differ = 0;
                for (int k = 0; k < kBlock; ++k) differ |= BitsOf(data[i + k]) ^ last;
                if (differ == 0) {
                    least += kBlock * lastLength;
                    most += kBlock * lastLength;
                    i += kBlock;
                    continue;
                }
            }
            const uint64_t bits = BitsOf(data[i]);
            run = lastLength > 0 && bits == last;
            if (!run) {
                if ((bits & kExponentBits) == kExponentBits) {  // NaN or infinite
                    bad = i;
                    return;
                }
                lastLength = Length(bits, data[i]);
                if (lastLength == 0) {
                    // Past as many as would be formatted, this pass cannot decide: it stops.
                    if (++bounded_ > kFormattedNumbers) return;
                    bounds_.Add(bits, least, most);
                    ++i;
                    continue;
                }
                last = bits;
            }
            least += lastLength;
            most += lastLength;
            ++i;
        }
    }

    // How many numbers were bounded without their text.
    int64_t Bounded() const { return bounded_; }

private:
    static constexpr uint64_t kExponentBits = uint64_t{0x7FF} << 52;

    static uint64_t BitsOf(double value) {
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }

    // The exact length, or 0 once kExactNumberTexts are formatted and the value is not among them.
    int64_t Length(uint64_t bits, double value) {
        Entry& entry = entries_[(bits * 0x9E3779B97F4A7C15ull) >> (64 - kEntryBits)];
        if (entry.length > 0 && entry.bits == bits) return entry.length;
        if (exactLeft_ == 0) return 0;
        --exactLeft_;
        text_.clear();
        AppendDouble(value, text_);
        entry = {bits, static_cast<int64_t>(text_.size())};
        return entry.length;
    }

    static constexpr int kEntryBits = 16;
    struct Entry {
        uint64_t bits = 0;
        int64_t length = 0;
    };
    std::vector<Entry> entries_ = std::vector<Entry>(size_t{1} << kEntryBits);
    int64_t exactLeft_;
    int64_t bounded_ = 0;
    std::string text_;
    NumberTextBounds bounds_;
};

// The upper estimate of the table's text from its numbers' lengths.
int64_t EstimatedBytes(const NodeTable& entry, int64_t numberBytes) {
    const VRX_fileFormat::TableText& text = entry.text;
    int64_t bytes = numberBytes + entry.cells * (text.cellBytes - 1 + text.moreCellBytes) +
                    entry.columns * (text.columnBytes + text.moreColumnBytes +
                                     (text.indexedColumns ? entry.indexBytes : 0)) +
                    kTableBytes;
    if (text.wrapped) bytes += bytes / 4;
    return bytes + entry.outcomeMost;
}

// The refusal of a table computed from its parameters whose text could pass the limit: the file would
// take `least` bytes at least, and its table up to `longest`.
int RefuseUncounted(VRX_network& network, const NodeTable& entry, int64_t least, int64_t longest) {
    const std::string message =
        "ERROR: Node [" + std::string(NodeIdOr(network, entry.handle, "")) + "] : its table of " +
        GroupedNumber(entry.cells) + " cells, computed from its parameters, would make the file at least " +
        GroupedNumber(least) + " bytes and take up to " + GroupedNumber(longest) + " itself, more than the " +
        GroupedNumber(kMaxInputBytes) + " a reader takes; a table past " +
        GroupedNumber(kCountedComputedCells) + " cells is not computed to count its text (FILE TOO LARGE)";
    return LogError(errorLog, kOutOfMemory, message.c_str(), nullptr);
}

// The first entry of data[0, n) that is NaN or infinite, -1 when none: a pass at the speed of memory.
int FirstNotFinite(const double* data, int n) {
    constexpr uint64_t kExponentBits = uint64_t{0x7FF} << 52;
    constexpr int kBlock = 16;
    int i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        bool any = false;
        for (int k = 0; k < kBlock; ++k) {
            uint64_t bits = 0;
            std::memcpy(&bits, data + i + k, sizeof bits);
            any |= (bits & kExponentBits) == kExponentBits;
        }
        if (any) break;
    }
    for (; i < n; ++i) {
        if (!std::isfinite(data[i])) return i;
    }
    return -1;
}

int RefuseEntry(VRX_network& network, int handle, int index, double value,
                const std::string& table = "table") {
    const std::string what = std::isnan(value)       ? "not a number"
                             : !std::isfinite(value) ? "infinite"
                                                     : "negative (" + NumberText(value) + ")";
    const std::string message = "ERROR: Node [" + std::string(NodeIdOr(network, handle, "")) + "] : entry " +
                                std::to_string(index) + " of its " + table + " is " + what +
                                ", which no file can hold";
    return LogError(errorLog, kObjectNotConsistent, message.c_str(), nullptr);
}

// Whether the table of this kind holds probabilities, which no reader takes negative.
bool HoldsProbabilities(int type) {
    return IsDiscreteType(type) && (type & DefinitionBits::kDecision) == 0 &&
           (type & DefinitionBits::kDiscreteChildOfContinuous) == 0;
}

// The table a write reads of a node, null where the definition gives none (the writer reports it), with the
// definition's status: kOutOfMemory is logged by the definition, naming the node and the cells.
int WrittenTable(VRX_network& network, int handle, VRX_Dmatrix*& table) {
    table = nullptr;
    const int rc = network.GetNode(handle)->GetDefinition()->GetDefinition(table);
    if (rc != kSuccess) table = nullptr;
    return rc;
}

// The first negative entry of data[0, n), -1 when none.
int FirstNegative(const double* data, int n) {
    for (int i = 0; i < n; ++i) {
        if (data[i] < 0.0) return i;
    }
    return -1;
}

// The first entry of data[0, n) that no reader takes: not finite, or negative among probabilities; -1 when
// none.
int FirstRefused(const double* data, int n, int type) {
    const int bad = FirstNotFinite(data, n);
    return bad < 0 && HoldsProbabilities(type) ? FirstNegative(data, n) : bad;
}

// The parameters a noisy kind writes instead of its table, under the same rule.
int CheckParameters(VRX_network& network, int owner, VRX_nodeDefinition& definition,
                    const std::string& what) {
    auto* noisy = dynamic_cast<VRX_ciDefinition*>(&definition);
    if (noisy == nullptr) return kSuccess;
    const VRX_Dmatrix& weights = *noisy->GetCiWeights();
    const int bad = FirstRefused(weights.GetData(), weights.GetNumberOfElements(), definition.GetType());
    return bad >= 0 ? RefuseEntry(network, owner, bad, weights.GetData()[bad], what) : kSuccess;
}

// The tables of later time slices, under the same rule, named by their order.
int CheckTemporalEntries(VRX_network& network) {
    if (network.FindTemporalExtension() == nullptr) return kSuccess;
    VRX_intArray orders;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (network.GetTemporalOrders(h, orders) != kSuccess) continue;
        for (int i = 0; i < orders.GetCount(); ++i) {
            VRX_nodeDefinition* temporal =
                network.GetNode(h)->GetDefinition()->FindTemporalDefinition(orders[i]);
            VRX_doubleArray* entries = nullptr;
            if (temporal == nullptr) continue;
            const std::string what = " of order " + std::to_string(orders[i]);
            if (temporal->GetDefinitionDoubles(entries) == kSuccess && entries != nullptr) {
                const int bad = FirstRefused(entries->GetItems(), entries->GetCount(), temporal->GetType());
                if (bad >= 0) return RefuseEntry(network, h, bad, (*entries)[bad], "temporal table" + what);
            }
            if (const int rc = CheckParameters(network, h, *temporal, "temporal parameters" + what))
                return rc;
        }
    }
    return kSuccess;
}

// Every table written holds what every reader takes (base/table_entries.h): finite numbers, and no
// negative probability. 0, or the refusal of the first entry that does not.
int CheckEntries(VRX_network& network, const std::vector<NodeTable>& tables) {
    for (const NodeTable& entry : tables) {
        VRX_nodeDefinition& definition = *network.GetNode(entry.handle)->GetDefinition();
        VRX_Dmatrix* table = nullptr;
        if (WrittenTable(network, entry.handle, table) == kOutOfMemory) return kOutOfMemory;
        if (table == nullptr) continue;  // the writer reports it
        const double* data = table->GetData();
        const int n = table->GetNumberOfElements();
        const int bad = FirstRefused(data, n, definition.GetType());
        if (bad >= 0) return RefuseEntry(network, entry.handle, bad, data[bad]);
    }
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (const int rc = CheckParameters(network, h, *network.GetNode(h)->GetDefinition(), "parameters"))
            return rc;
    }
    return CheckTemporalEntries(network);
}

// The tables the format writes whole, with the least text of the file and its upper estimate from their
// cells and outcomes alone, and the cells a reader counts of them.
void CollectTables(VRX_network& network, const VRX_fileFormat& speaker, std::vector<NodeTable>& tables,
                   int64_t& least, int64_t& most, int64_t& tableCells) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        least += kNodeBytes;
        VRX_node* node = network.GetNode(h);
        VRX_nodeDefinition* definition = node != nullptr ? node->GetDefinition() : nullptr;
        if (definition == nullptr) continue;
        const VRX_fileFormat::TableText text =
            speaker.MinimumTableText(definition->GetType(), network.GetParents(h).GetCount());
        if (text.cellBytes <= 0 && text.columnBytes <= 0) continue;
        int64_t columns = 0;
        int64_t indexBytes = 0;
        const int64_t cells = TableCells(network, h, *definition, columns, indexBytes);
        if (cells < 0) continue;  // refused as too large when built
        const int64_t readCells = network.GetParents(h).GetCount() > 0 ? cells - cells / columns : 0;
        int64_t outcomeLeast = 0;
        int64_t outcomeMost = 0;
        OutcomeText(*definition, speaker, outcomeLeast, outcomeMost);
        NodeTable entry{h,
                        cells,
                        columns,
                        cells * text.cellBytes + columns * text.columnBytes + outcomeLeast,
                        text,
                        indexBytes,
                        readCells,
                        IsComputedKind(definition->GetType()),
                        outcomeLeast,
                        outcomeMost};
        least += entry.bytes;
        tableCells += readCells;
        most += EstimatedBytes(entry, cells * kLongestNumberBytes);
        tables.push_back(entry);
    }
}

// The refusal of the first table computed from its parameters too large to be computed to count its
// text, where its longest numbers alone could pass the limit; 0 when there is none.
int RefuseUncountedTables(VRX_network& network, const std::vector<NodeTable>& tables, int64_t least) {
    for (const NodeTable& entry : tables) {
        if (!entry.computed || entry.cells <= kCountedComputedCells) continue;
        const int64_t longest = EstimatedBytes(entry, entry.cells * kLongestNumberBytes);
        if (least - entry.bytes + longest > kMaxInputBytes)
            return RefuseUncounted(network, entry, least, longest);
    }
    return kSuccess;
}

}  // namespace

int CheckWrittenSize(VRX_network& network, const VRX_fileFormat& speaker) {
    std::vector<NodeTable> tables;
    int64_t least = 0;
    int64_t most = 0;
    int64_t tableCells = 0;
    CollectTables(network, speaker, tables, least, most, tableCells);
    // Decided from the cells alone, before any table is built from its parameters.
    if (least > kMaxInputBytes) return RefuseTooLarge(network, tables, least, true);
    if (tableCells > kMaxFileTableCells) return RefuseTooManyCells(network, tables, tableCells);
    // Where the longest numbers could pass the limit, each number's text is counted as well; a table too
    // large to be computed for that is refused where its longest numbers alone could pass it.
    const bool count = most > kMaxInputBytes;
    if (count) {
        if (const int rc = RefuseUncountedTables(network, tables, least)) return rc;
    }
    // Entries no file holds, then (where the longest numbers could pass the limit) the numbers' text.
    if (const int rc = CheckEntries(network, tables)) return rc;
    if (!count) return kSuccess;
    // The numbers' text is bounded first from their bits, a few operations a number; where the bounds leave
    // it open, from the lengths of the values met first and again, then by formatting the numbers left
    // where they are at most kFormattedNumbers (some 40 ns each).
    int64_t estimate = static_cast<int64_t>(network.GetNumberOfNodes()) * kNodeBytes;
    {
        // Past the limit once the least text of the tables counted and of those left passes it.
        const NumberTextBounds bounds;
        int64_t leastText = least;
        int64_t& mostText = estimate;
        for (NodeTable& entry : tables) {
            VRX_Dmatrix* table = nullptr;
            if (WrittenTable(network, entry.handle, table) == kOutOfMemory) return kOutOfMemory;
            if (table == nullptr) continue;
            const double* data = table->GetData();
            int bad = -1;
            int64_t numbersLeast = 0;
            int64_t numbersMost = 0;
            const int64_t around = entry.cells * (entry.text.cellBytes - 1) +
                                   entry.columns * entry.text.columnBytes + entry.outcomeLeast;
            const bool whole = bounds.Sum(data, table->GetNumberOfElements(), bad, numbersLeast, numbersMost,
                                          kMaxInputBytes - (leastText - entry.bytes + around));
            if (bad >= 0) return RefuseEntry(network, entry.handle, bad, data[bad]);
            leastText += numbersLeast + around - entry.bytes;
            entry.bytes = numbersLeast + around;
            if (!whole) return RefuseTooLarge(network, tables, leastText, true);
            mostText += EstimatedBytes(entry, numbersMost);
        }
        if (mostText <= kMaxInputBytes) return kSuccess;
        if (leastText > kMaxInputBytes) return RefuseTooLarge(network, tables, leastText, true);
    }
    for (const int64_t exact : {int64_t{kExactNumberTexts}, int64_t{INT64_MAX}}) {
        NumberTexts lengths(exact);
        int64_t leastText = static_cast<int64_t>(network.GetNumberOfNodes()) * kNodeBytes;
        int64_t mostText = leastText;
        for (NodeTable& entry : tables) {
            VRX_Dmatrix* table = nullptr;
            if (WrittenTable(network, entry.handle, table) == kOutOfMemory) return kOutOfMemory;
            if (table == nullptr) continue;  // the writer reports it
            const double* data = table->GetData();
            const int n = table->GetNumberOfElements();
            int bad = -1;
            int64_t numbersLeast = 0;
            int64_t numbersMost = 0;
            lengths.Lengths(data, n, bad, numbersLeast, numbersMost);
            if (bad >= 0) return RefuseEntry(network, entry.handle, bad, data[bad]);
            if (lengths.Bounded() > kFormattedNumbers)
                return RefuseTooLarge(network, tables, estimate, false);
            entry.bytes = numbersLeast + entry.cells * (entry.text.cellBytes - 1) +
                          entry.columns * entry.text.columnBytes + entry.outcomeLeast;
            leastText += entry.bytes;
            mostText += EstimatedBytes(entry, numbersMost);
        }
        if (mostText <= kMaxInputBytes) return kSuccess;
        if (leastText > kMaxInputBytes) return RefuseTooLarge(network, tables, leastText, true);
        // Between the bounds: the numbers left without their text are formatted where they are few (some
        // 0.2 s); else, or where the text around them (its lines) leaves it open, the upper estimate
        // decides, so that no write runs for seconds to fail at the limit.
        if (lengths.Bounded() == 0) return RefuseTooLarge(network, tables, mostText, false);
    }
    return kSuccess;
}

}  // namespace vovido
