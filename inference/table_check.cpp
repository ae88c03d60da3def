// The checks of the probability tables before a discrete algorithm runs and of the values after it.
#include "inference/table_check.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/column_scaling.h"
#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/continuous_values.h"
#include "definitions/cpt.h"
#include "definitions/definition_support.h"
#include "model/checked_table.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace vovido {

namespace {

bool IsDiscreteChanceType(int type) {
    return IsDiscreteType(type) && (type & DefinitionBits::kDecision) == 0 &&
           (type & DefinitionBits::kDiscreteChildOfContinuous) == 0;
}

int Report(const VRX_node& node, const std::string& what, int code = kObjectNotConsistent) {
    return ReportNodeFault(node, what, code);
}

// 0, or the first fault of the table's entries: those no scaling gives a distribution.
int CheckTableEntries(const VRX_node& node, const VRX_Dmatrix& table, int run) {
    const int count = table.GetNumberOfElements();
    const double* data = table.GetData();
    for (int start = 0; start + run <= count; start += run) {
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

// What follows the node's identifier in the report of its scaled columns.
constexpr const char* kInconsistentReport = "] is not consistent. Inference may not be correct";

// Columns named in a report before the rest are only counted.
constexpr int kNamedScaledColumns = 3;

// The column's text in a report: "2", "2 of order 1".
std::string ColumnText(int column, int order) {
    return std::to_string(column) + (order > 0 ? " of order " + std::to_string(order) : std::string());
}

std::string ScaledColumnText(int column, int order, double sum) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", sum);
    return ColumnText(column, order) + " (sum " + text + ")";
}

// The tables whose columns are scaled now, on this thread; the log entries from `scaledLogStart` on
// were logged while the outermost of them was open.
thread_local std::vector<const VRX_network*> scaledNetworks;
thread_local int scaledLogStart = 0;

// The part of a report up to its node's name: the same node's columns reported again start alike, even
// when a working copy whose arcs differ counts them otherwise.
std::string ReportedNode(const char* text) {
    const char* node = std::strstr(text, kInconsistentReport);
    return node == nullptr ? std::string(text) : std::string(text, node + std::strlen(kInconsistentReport));
}

bool AllFinite(const VRX_Dmatrix& matrix) {
    const double* data = matrix.GetData();
    const int count = matrix.GetNumberOfElements();
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(data[i])) return false;
    }
    return true;
}

// What is wrong with an up-to-date value, or nullptr; the status to give in `code`.
const char* ValueFault(VRX_nodeValue& value, int& code) {
    code = kObjectNotConsistent;
    const int type = value.GetType();
    if (type == ValueType::kEqEvaluation) {
        const auto& evaluation = static_cast<const VRX_valEqEvaluation&>(value);
        const double mean = evaluation.GetMean();
        code = kOutOfRange;
        return std::isnan(mean) || IsUndefinedValue(mean) || std::isnan(evaluation.GetStdDev())
                   ? kUndefinedValueText
                   : nullptr;
    }
    if (type != ValueType::kBeliefVector && type != ValueType::kExpectedUtility &&
        type != ValueType::kMauExpectedUtility)
        return nullptr;
    VRX_Dmatrix* matrix = nullptr;
    if (value.GetValue(matrix) != kSuccess || matrix == nullptr || AllFinite(*matrix)) return nullptr;
    return type == ValueType::kBeliefVector ? "its beliefs are not finite numbers"
                                            : "its expected utilities are not finite numbers";
}

// "A = a2, B = b0": the parents' outcomes of a column, the first parent varying slowest.
std::string ColumnConfiguration(const VRX_network& network, int handle, int column) {
    const VRX_intArray& parents = network.GetParents(handle);
    std::vector<std::string> parts(static_cast<size_t>(parents.GetCount()));
    for (int k = parents.GetCount() - 1; k >= 0; --k) {
        VRX_nodeDefinition* definition = network.GetNode(parents[k])->GetDefinition();
        const VRX_idArray* names = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
        const int n = names != nullptr ? names->GetCount() : 0;
        if (n < 1) return {};
        const char* name = (*names)[column % n];
        parts[static_cast<size_t>(k)] =
            NodeLabel(network, parents[k]) + " = " + (name != nullptr ? name : "");
        column /= n;
    }
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
}

int ReportVanishingColumn(const VRX_network& network, int handle, int column) {
    const std::string parents = ColumnConfiguration(network, handle, column);
    return Report(*network.GetNode(handle),
                  "the probabilities of column " + std::to_string(column) +
                      (parents.empty() ? std::string() : " (" + parents + ")") +
                      " of its table are all zero, so the network has no probability to update beliefs "
                      "from",
                  kConflictingEvidence);
}

// Memory that ran out while the node's table was checked and copied scaled, named with its size.
int ReportNoScaledCopy(const VRX_network& network, int handle) {
    try {
        if (handle < 0)
            return LogError(errorLog, kOutOfMemory, "ERROR: no memory to scale the tables", nullptr);
        const std::string text =
            "ERROR: Node [" + std::string(IdAt(network, handle)) +
            "] : no memory for the scaled copy of its table of " +
            std::to_string(DefinitionSupport::TableCellsWithParents(network, handle, nullptr, 0)) + " cells";
        return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, "ERROR: no memory to scale the tables", nullptr);
    }
}

}  // namespace

ScaledTables::ScaledTables(VRX_network& network) : network_(network) {
    if (std::find(scaledNetworks.begin(), scaledNetworks.end(), &network) != scaledNetworks.end()) return;
    try {
        scaledNetworks.push_back(&network);
    } catch (const std::bad_alloc&) {
        status_ = LogError(errorLog, kOutOfMemory, nullptr, nullptr);
        return;
    }
    owner_ = true;
    if (scaledNetworks.size() == 1) scaledLogStart = errorLog.GetNumberOfEntries();
    // Reported once every table passed: a refused update warns of nothing.
    std::vector<std::string> reports;
    int scaling = -1;
    try {
        swapped_.reserve(static_cast<size_t>(std::max(network.GetNumberOfNodes(), 0)));
        for (int h = network.GetFirstNode(); h >= 0 && status_ == kSuccess; h = network.GetNextNode(h)) {
            scaling = h;
            status_ = ScaleNode(h, reports);
        }
    } catch (const std::bad_alloc&) {
        status_ = ReportNoScaledCopy(network, scaling);
    }
    if (status_ != kSuccess) {
        Restore();
        return;
    }
    if (reports.empty()) return;
    // A working copy's scope meets again what the caller's reported, and the updates of one call (a
    // diagnosis, a learning run) meet again what the first one reported.
    const int call = FirstEntryOfCall(errorLog);
    const int since = std::max(call >= 0 ? std::min(call, scaledLogStart) : scaledLogStart, 0);
    try {
        std::unordered_set<std::string> reported;
        for (int i = since; i < errorLog.GetNumberOfEntries(); ++i)
            reported.insert(ReportedNode(errorLog.GetMessage(i)));
        for (const std::string& text : reports) {
            if (!reported.insert(ReportedNode(text.c_str())).second) continue;
            // A notice: should the update fail after all, its cause comes first.
            LogNotice(errorLog, kObjectNotConsistent, text.c_str(), nullptr, NoticeInstance{});
        }
    } catch (const std::bad_alloc&) {
        // Without memory the tables are still scaled; only their notices are missing.
    }
}

bool TablesAreScaled(const VRX_network& network) {
    return std::find(scaledNetworks.begin(), scaledNetworks.end(), &network) != scaledNetworks.end();
}

ScaledTables::~ScaledTables() {
    if (!owner_) return;
    Restore();
    scaledNetworks.erase(std::find(scaledNetworks.begin(), scaledNetworks.end(), &network_));
}

int ScaledTables::ScaleNode(int handle, std::vector<std::string>& reports) {
    VRX_node* node = network_.GetNode(handle);
    VRX_nodeDefinition* definition = node->GetDefinition();
    const int type = definition != nullptr ? definition->GetType() : 0;
    if (definition == nullptr || !IsDiscreteChanceType(type)) return kSuccess;
    // A table the definition could not make, as it would pass the limit, is refused by name (a CPT's
    // table is made already).
    if (type != DefinitionType::kCpt) {
        const int64_t cells = DefinitionSupport::TableCellsWithParents(network_, handle, nullptr, 0);
        if (cells > kMaxTableCells) return DefinitionSupport::RefuseTable(&network_, handle, cells);
    }
    ColumnNotes notes;
    VRX_Dmatrix* table = nullptr;
    // A table built when first asked for that cannot be built fails the update that asked.
    if (const int rc = definition->GetDefinition(table)) return rc;
    if (table != nullptr) {
        if (const int rc = CheckTable(handle, 0, *definition, *table, notes)) return rc;
    }
    const VRX_temporalExtension* temporal = network_.FindTemporalExtension();
    VRX_intArray orders;
    if (temporal != nullptr && network_.GetTemporalType(handle) == TemporalType::kPlate &&
        temporal->GetTemporalOrders(handle, orders) == kSuccess) {
        for (int i = 0; i < orders.GetCount(); ++i) {
            VRX_nodeDefinition* of = definition->FindTemporalDefinition(orders[i]);
            table = nullptr;
            if (of == nullptr || of->GetDefinition(table) != kSuccess || table == nullptr) continue;
            if (const int rc = CheckTable(handle, orders[i], *of, *table, notes)) return rc;
        }
    }
    if (notes.offCount == 0 && notes.zeroCount == 0) return kSuccess;
    const auto more = [](int count) {
        return count > kNamedScaledColumns ? " and " + std::to_string(count - kNamedScaledColumns) + " more"
                                           : std::string();
    };
    std::string text = "ERROR: Node [" + NodeLabel(network_, handle) + kInconsistentReport + ": ";
    if (notes.offCount > 0) {
        const bool one = notes.offCount == 1;
        text += std::string("its table's ") + (one ? "column " : "columns ") + notes.off +
                more(notes.offCount) + (one ? " does" : " do") + " not sum to 1 and " + (one ? "is" : "are") +
                " used scaled to sum to 1";
    }
    if (notes.zeroCount > 0) {
        const bool one = notes.zeroCount == 1;
        text += std::string(notes.offCount > 0 ? ", and " : "") + "its table's " +
                (one ? "column " : "columns ") + notes.zero + more(notes.zeroCount) + (one ? " is" : " are") +
                " all zero, used as uniform";
    }
    reports.push_back(text);
    return kSuccess;
}

namespace {

// A column this close to 1 is read as it is: scaling it would move no belief by more than the rounding
// of the update itself, and a table of such columns (every normalised one) needs no scaled copy.
constexpr double kExactColumn = 1e-13;

bool NeedsScaling(double sum) {
    return std::fabs(sum - 1.0) > kExactColumn;
}

// Checks the table's columns into `checked`: which are off 1 or of zeros, and, where any column needs
// scaling, the copy with every such column scaled (one of zeros uniform). 0, or kOutOfMemory when the
// copy cannot be made.
int CheckColumns(const VRX_Dmatrix& table, int run, CheckedTable& checked) {
    const int count = table.GetNumberOfElements();
    checked.offColumns.clear();
    checked.zeroColumns.clear();
    checked.offCount = 0;
    checked.zeroCount = 0;
    checked.scaled.CleanUp();
    const double* data = table.GetData();
    int start = 0;
    while (start + run <= count && !NeedsScaling(ColumnSum(data + start, run))) start += run;
    checked.asGiven = start + run > count;
    if (checked.asGiven) return kSuccess;
    if (checked.scaled.Copy(table) != kSuccess) return kOutOfMemory;
    double* scaled = checked.scaled.GetData();
    for (; start + run <= count; start += run) {
        const double sum = ColumnSum(scaled + start, run);
        if (!NeedsScaling(sum)) continue;
        const ColumnUse use = ClassifyColumn(sum, VRX_cpt::kColumnTolerance);
        if (use == ColumnUse::kZero) {
            if (checked.zeroCount++ < kNamedScaledColumns) checked.zeroColumns.push_back(start / run);
            std::fill(scaled + start, scaled + start + run, 1.0 / run);
            continue;
        }
        if (use == ColumnUse::kScaled && checked.offCount++ < kNamedScaledColumns)
            checked.offColumns.emplace_back(start / run, sum);
        ScaleColumn(scaled + start, run, sum);
    }
    return kSuccess;
}

}  // namespace

bool NeedsScaledCopy(const VRX_network& network, int handle) {
    VRX_nodeDefinition* definition = network.GetNode(handle)->GetDefinition();
    VRX_Dmatrix* table = nullptr;
    if (definition == nullptr || definition->GetType() != DefinitionType::kCpt ||
        definition->GetDefinition(table) != kSuccess || table == nullptr)
        return false;
    const CheckedTable* checked = definition->FindCheckedTable();
    if (checked != nullptr && checked->current && checked->table == table && !table->MayHaveChanged())
        return false;
    const int dims = table->GetNumberOfDimensions();
    const int run = dims > 0 ? table->GetSizeOfDimension(dims - 1) : 0;
    const double* data = static_cast<const VRX_Dmatrix*>(table)->GetData();
    for (int start = 0; run > 0 && start + run <= table->GetNumberOfElements(); start += run) {
        if (NeedsScaling(ColumnSum(data + start, run))) return true;
    }
    return false;
}

int ScaledTables::CheckTable(int handle, int order, VRX_nodeDefinition& definition, VRX_Dmatrix& table,
                             ColumnNotes& notes) {
    const int count = table.GetNumberOfElements();
    const int dims = table.GetNumberOfDimensions();
    const int run = dims > 0 ? table.GetSizeOfDimension(dims - 1) : 0;
    if (count == 0 || run < 1) return kSuccess;
    CheckedTable& checked = definition.CheckedTableCache();
    // A table unchanged since its last check is taken as that check found it.
    if (table.MayHaveChanged() || !checked.current || checked.table != &table) {
        checked.current = false;
        if (const int rc = CheckTableEntries(*network_.GetNode(handle), table, run)) return rc;
        if (CheckColumns(table, run, checked) != kSuccess) return ReportNoScaledCopy(network_, handle);
        checked.table = &table;
        checked.current = true;
    }
    for (const auto& [column, sum] : checked.offColumns)
        notes.off += (notes.off.empty() ? "" : ", ") + ScaledColumnText(column, order, sum);
    notes.offCount += checked.offCount;
    for (const int column : checked.zeroColumns)
        notes.zero += (notes.zero.empty() ? "" : ", ") + ColumnText(column, order);
    notes.zeroCount += checked.zeroCount;
    if (checked.asGiven) {
        // The update reads the table itself; should it write there, the next check sees it.
        table.ClearChanged();
        return kSuccess;
    }
    // The update reads the scaled copy; the table's own entries are out of its reach until Restore.
    // The copy has the table's shape: the entries alone are swapped.
    swapped_.push_back({handle, order, &definition, nullptr, count});
    table.GetItems().Swap(checked.scaled.GetItems());
    swapped_.back().data = static_cast<const VRX_Dmatrix&>(table).GetData();
    return kSuccess;
}

void ScaledTables::Restore() {
    for (auto entry = swapped_.rbegin(); entry != swapped_.rend(); ++entry) {
        VRX_node* node = network_.GetNode(entry->handle);
        VRX_nodeDefinition* definition = node != nullptr ? node->GetDefinition() : nullptr;
        if (definition != nullptr && entry->order > 0)
            definition = definition->FindTemporalDefinition(entry->order);
        // A definition replaced meanwhile took its check with it.
        if (definition == nullptr || definition != entry->definition) continue;
        CheckedTable& checked = definition->CheckedTableCache();
        VRX_Dmatrix* table = nullptr;
        // A table the update reshaped keeps what it was given then; its check is made again.
        if (definition->GetDefinition(table) != kSuccess || table == nullptr ||
            static_cast<const VRX_Dmatrix*>(table)->GetData() != entry->data ||
            table->GetNumberOfElements() != entry->elements) {
            checked.current = false;
            checked.scaled.CleanUp();
            continue;
        }
        table->GetItems().Swap(checked.scaled.GetItems());
        // Its own entries are back as they were: the update read and wrote the copy only.
        table->ClearChanged();
    }
    swapped_.clear();
}

namespace {

bool HoldsAnyEvidence(const VRX_network& network) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_nodeValue* value = network.GetNode(h)->GetValue();
        if (value != nullptr && (value->HasEvidence() || value->HasFlag(ValueFlags::kVirtualEvidence)))
            return true;
    }
    return false;
}

// The first column of the table whose entries are all 0; -1 when there is none.
int FirstVanishingColumn(const VRX_Dmatrix& table) {
    const int count = table.GetNumberOfElements();
    const int dims = table.GetNumberOfDimensions();
    const int run = dims > 0 ? table.GetSizeOfDimension(dims - 1) : 0;
    if (run < 1) return -1;
    const double* data = table.GetData();
    for (int start = 0; start + run <= count; start += run) {
        if (std::all_of(data + start, data + start + run, [](double p) { return p == 0.0; }))
            return start / run;
    }
    return -1;
}

}  // namespace

int ExplainZeroMass(const VRX_network& network, int logStart) {
    if (HoldsAnyEvidence(network)) return kSuccess;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_nodeDefinition* definition = network.GetNode(h)->GetDefinition();
        if (definition == nullptr || !IsDiscreteChanceType(definition->GetType())) continue;
        VRX_Dmatrix* table = nullptr;
        if (definition->GetDefinition(table) != kSuccess || table == nullptr) continue;
        const int column = FirstVanishingColumn(*table);
        if (column < 0) continue;
        errorLog.Truncate(logStart);
        return ReportVanishingColumn(network, h, column);
    }
    return kSuccess;
}

namespace {

// Each distribution of the beliefs (a run of the last dimension: per slice, per decision scenario)
// summing to 1 and within [0, 1], whichever way an algorithm wrote it: sums and products round, and a
// belief read straight from a column is off 1 by that column's rounding. A distribution of undefined
// markers (a decision scenario that cannot occur) stays so: it is no distribution to scale.
void NormaliseBeliefs(VRX_nodeValue& value) {
    VRX_Dmatrix* beliefs = nullptr;
    if (value.GetType() != ValueType::kBeliefVector || value.GetValue(beliefs) != kSuccess ||
        beliefs == nullptr)
        return;
    const int dims = beliefs->GetNumberOfDimensions();
    const int run = dims > 0 ? beliefs->GetSizeOfDimension(dims - 1) : 0;
    const int count = beliefs->GetNumberOfElements();
    const double* read = static_cast<const VRX_Dmatrix*>(beliefs)->GetData();
    for (int start = 0; run > 0 && start + run <= count; start += run) {
        double sum = 0.0;
        bool negative = false;
        bool undefined = false;
        for (int i = start; i < start + run; ++i) {
            sum += read[i];
            negative = negative || read[i] < 0.0;
            undefined = undefined || IsUndefinedValue(read[i]);
        }
        if ((sum == 1.0 && !negative) || undefined) continue;
        double* data = beliefs->GetData() + start;
        if (negative) {
            sum = 0.0;
            for (int i = 0; i < run; ++i) sum += data[i] = std::max(data[i], 0.0);
        }
        if (sum <= 0.0) continue;
        for (int i = 0; i < run; ++i) data[i] /= sum;
    }
}

}  // namespace

int CheckUpdatedValues(VRX_network& network) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_node* node = network.GetNode(h);
        VRX_nodeValue* value = node->GetValue();
        if (value == nullptr || !value->IsUpToDate()) continue;
        int code = kSuccess;
        if (const char* fault = ValueFault(*value, code)) {
            network.InvalidateValues();
            // Evidence keeps a value up to date, but not one that holds such numbers.
            value->SetValueFlag(ValueFlags::kUpToDate, false);
            return Report(*node, fault, code);
        }
        NormaliseBeliefs(*value);
    }
    return kSuccess;
}

int64_t TreeWorkCells(int64_t treeEntries, int64_t treeNodes, int64_t walkedEntries) {
    const double entries = static_cast<double>(treeEntries) + static_cast<double>(walkedEntries);
    const double perNode =
        static_cast<double>(treeEntries) / static_cast<double>(std::max<int64_t>(treeNodes, 1));
    const double outOfCache = std::min(1.0, perNode / static_cast<double>(kCachedEntriesPerTreeNode));
    const double cells =
        entries * (1.0 + (kCachedTreeEntriesPerCell - 1) * outOfCache) / kCachedTreeEntriesPerCell;
    return cells < 9e18 ? static_cast<int64_t>(cells) : INT64_MAX;
}

int CheckScenarioCount(const VRX_network& network, const std::vector<int>& sequence,
                       const std::vector<int>& sizes, const ScenarioWork& known, uint64_t* total) {
    const int64_t nodes = network.GetNumberOfNodes();
    if (nodes == 0) return kSuccess;
    const auto saturated = [](uint64_t v) {
        return v > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(v);
    };
    const auto sum = [](int64_t a, int64_t b) { return a > INT64_MAX - b ? INT64_MAX : a + b; };
    const auto product = [](int64_t a, int64_t b) { return b != 0 && a > INT64_MAX / b ? INT64_MAX : a * b; };
    // The cells one update touches: each table as the working copy holds it (a utility as a two-outcome
    // chance node, a decision as a root), or its join tree where that is larger, besides the fixed share
    // of each node and of each node of the tree.
    int64_t cells = 0;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const int type = network.GetNodeType(h);
        int64_t own = DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0);
        if (type == DefinitionType::kTable) own = product(own, 2);
        if (type == DefinitionType::kList) own = network.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
        cells = sum(cells, own);
    }
    const int64_t tree = saturated(known.treeEntries);
    const int64_t treeNodes = saturated(known.treeNodes);
    const int64_t walked = saturated(known.passEntries);
    const int64_t sampled = saturated(known.draws);
    // A join tree's run walks its entries; its families' tables are read once besides.
    const bool treeKnown = known.joinTree || tree > 0 || walked > 0;
    const int64_t tables =
        treeKnown ? sum(TreeWorkCells(tree, treeNodes, walked), cells / kTableCellsPerTreeWorkCell) : cells;
    const int64_t work = sum(sum(sum(tables, sampled), product(nodes, kCellsPerNodeUpdate)),
                             product(treeNodes, kCellsPerTreeNode));
    const auto within = [work](int64_t updates) { return updates <= kMaxPolicyEvaluationWorkCells / work; };
    const size_t count = std::min(sequence.size(), sizes.size());
    int64_t scenarios = 1;
    size_t passed = count;
    for (size_t i = 0; i < count; ++i) {
        scenarios = product(scenarios, sizes[i] > 1 ? sizes[i] : 1);
        if (passed == count && !within(scenarios)) passed = i;
    }
    const int64_t updates = known.updates > 0 ? saturated(known.updates) : scenarios;
    if (total != nullptr) *total = static_cast<uint64_t>(product(updates, work));
    if (within(updates)) return kSuccess;
    if (count == 0) return kSuccess;  // nothing to name: a single update
    if (passed == count) {
        // Only all the passes together pass the limit: the last decision sees what they vary.
        passed = count - 1;
        while (passed > 0 && network.GetNodeType(sequence[passed]) != DefinitionType::kList) passed--;
    } else {
        // The decision that sees the outcomes which pass the limit.
        while (passed + 1 < count && network.GetNodeType(sequence[passed]) != DefinitionType::kList) passed++;
    }
    const std::string joinTree = tree == INT64_MAX ? " and a join tree too large to build"
                                 : tree > 0 || walked > 0
                                     ? " and a join tree of " + std::to_string(tree) + " entries over " +
                                           std::to_string(treeNodes) + " nodes, whose run walks " +
                                           std::to_string(walked) + " entries"
                                     : "";
    return Report(
        *network.GetNode(sequence[passed]),
        "its decisions and observations make " + std::to_string(scenarios) + " scenarios" +
            (updates != scenarios ? " (" + std::to_string(updates) + " belief updates in all)" : "") +
            ", each a belief update of " + std::to_string(nodes) + " nodes with tables of " +
            std::to_string(cells) + " cells" + joinTree +
            (sampled > 0 ? " and " + std::to_string(sampled) + " draws of its samples" : "") + " (work of " +
            std::to_string(work) +
            (treeKnown ? " cells: the tree and the entries walked, down to one for every " +
                             std::to_string(kCachedTreeEntriesPerCell) +
                             " where its nodes' tables stay within the caches, the table cells over " +
                             std::to_string(kTableCellsPerTreeWorkCell) + ", " +
                             std::to_string(kCellsPerNodeUpdate) + " a node and " +
                             std::to_string(kCellsPerTreeNode) + " a node of the tree"
                       : " cells, " + std::to_string(kCellsPerNodeUpdate) + " a node besides its table") +
            "), past the limit of " + std::to_string(kMaxPolicyEvaluationWorkCells) + " cells",
        kOutOfMemory);
}

int CheckProbabilityOfEvidence(const VRX_network& network, double probability) {
    if (std::isfinite(probability)) return kSuccess;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_node* node = network.GetNode(h);
        const VRX_nodeValue* value = node->GetValue();
        if (value != nullptr && value->HasFlag(ValueFlags::kEvidence))
            return Report(*node, "the probability of its evidence is not a finite number");
    }
    return LogError(errorLog, kObjectNotConsistent,
                    "ERROR: the probability of evidence is not a finite number", nullptr);
}

}  // namespace vovido
