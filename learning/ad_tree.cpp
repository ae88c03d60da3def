// Lazily built contingency tables of record counts, one per combination of variables asked for.
#include "learning/ad_tree.h"

#include <algorithm>
#include <cstring>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "learning/data_set.h"

namespace {

// Beyond this the cached tables are dropped and rebuilt on demand.
constexpr int64_t kCacheCells = int64_t(1) << 25;
// What an entry of the cache takes besides its cells (key, node, vector), in cells: many small tables
// (of the pairs of thousands of variables) are bounded by their entries rather than their cells.
constexpr int64_t kCacheEntryCells = 32;

}  // namespace

AdTree::AdTree(const DataSet& data) : records_(data.GetRecordCount()) {
    const int n = data.GetVariableCount();
    states_.assign(n, 0);
    usable_.assign(n, false);
    columns_.resize(n);
    for (int v = 0; v < n; ++v) {
        const DataSetVariable& variable = data.GetVariable(v);
        states_[v] = static_cast<int>(variable.stateNames.size());
        if (states_[v] == 0) LogError(errorLog, kFailure, "adtree: number of states is 0", nullptr);
        if (!variable.discrete || states_[v] == 0) continue;
        bool valid = true;
        std::vector<int32_t>& column = columns_[v];
        column.resize(records_);
        for (int r = 0; r < records_ && valid; ++r) {
            column[r] = data.GetInt(v, r);
            valid = !data.IsMissing(v, r) && column[r] >= 0 && column[r] < states_[v];
        }
        usable_[v] = valid;
        if (!valid) std::vector<int32_t>().swap(column);
    }
}

AdTree::AdTree(std::vector<std::vector<int32_t>> columns, std::vector<int> states)
    : records_(columns.empty() ? 0 : static_cast<int>(columns[0].size())),
      states_(std::move(states)),
      usable_(states_.size(), true),
      columns_(std::move(columns)) {}

void AdTree::Fill(const int* variables, int count, std::vector<int>& table) const {
    std::vector<const int32_t*> data(count);
    std::vector<int> strides(count);
    int stride = 1;
    for (int k = 0; k < count; ++k) {
        data[k] = columns_[variables[k]].data();
        strides[k] = stride;
        stride *= states_[variables[k]];
    }
    int* cells = table.data();
    switch (count) {  // the usual small cases unrolled
        case 1:
            for (int r = 0; r < records_; ++r) ++cells[data[0][r]];
            return;
        case 2:
            for (int r = 0; r < records_; ++r) ++cells[data[0][r] + strides[1] * data[1][r]];
            return;
        case 3:
            for (int r = 0; r < records_; ++r)
                ++cells[data[0][r] + strides[1] * data[1][r] + strides[2] * data[2][r]];
            return;
        default:
            for (int r = 0; r < records_; ++r) {
                int index = 0;
                for (int k = 0; k < count; ++k) index += strides[k] * data[k][r];
                ++cells[index];
            }
    }
}

const std::vector<int>* AdTree::Table(const int* variables, int count) {
    int64_t cells = 1;
    for (int k = 0; k < count; ++k) {
        const int v = variables[k];
        if (v < 0 || v >= GetVariableCount() || !usable_[v]) return nullptr;
        cells *= states_[v];
        if (cells > kMaxTableCells) return nullptr;
    }
    std::string key(reinterpret_cast<const char*>(variables), sizeof(int) * count);
    auto found = tables_.find(key);
    if (found != tables_.end()) return &found->second;
    if (cachedCells_ + cells + kCacheEntryCells > kCacheCells) {
        tables_.clear();
        cachedCells_ = 0;
    }
    std::vector<int> table(static_cast<size_t>(cells), 0);
    Fill(variables, count, table);
    cachedCells_ += cells + kCacheEntryCells;
    return &tables_.emplace(std::move(key), std::move(table)).first->second;
}

int AdTree::Count(const std::vector<std::pair<int, int>>& pairs) {
    if (pairs.empty()) return records_;
    std::vector<std::pair<int, int>> sorted(pairs);
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> variables;
    std::vector<int> states;
    for (const auto& pair : sorted) {
        const int v = pair.first;
        if (v < 0 || v >= GetVariableCount() || !usable_[v]) return -1;
        if (pair.second < 0 || pair.second >= states_[v]) return -1;
        if (!variables.empty() && variables.back() == v) {
            if (states.back() != pair.second) return 0;  // one record cannot hold two states
            continue;
        }
        variables.push_back(v);
        states.push_back(pair.second);
    }
    const int count = static_cast<int>(variables.size());
    const std::vector<int>* table = Table(variables.data(), count);
    if (table != nullptr) {
        int index = 0, stride = 1;
        for (int k = 0; k < count; ++k) {
            index += stride * states[k];
            stride *= states_[variables[k]];
        }
        return (*table)[index];
    }
    // Too many joint states to tabulate: count the matching records directly.
    int matching = 0;
    for (int r = 0; r < records_; ++r) {
        bool all = true;
        for (int k = 0; k < count && all; ++k) all = columns_[variables[k]][r] == states[k];
        matching += all ? 1 : 0;
    }
    return matching;
}

bool AdTree::Project(const int* variables, int count, CountProjection& out) const {
    std::vector<int> shifts(count);
    int bits = 0;
    for (int k = 0; k < count; ++k) {
        const int v = variables[k];
        if (v < 0 || v >= GetVariableCount() || !usable_[v] || states_[v] > 255) return false;
        int width = 1;
        while ((1 << width) < states_[v]) ++width;
        shifts[k] = bits;
        bits += width;
    }
    if (bits > 64) return false;
    keys_.assign(records_, 0);
    for (int k = 0; k < count; ++k) {
        const int32_t* column = columns_[variables[k]].data();
        for (int r = 0; r < records_; ++r) keys_[r] |= static_cast<uint64_t>(column[r]) << shifts[k];
    }
    // Radix sort by bytes of the used bits, then merge equal keys.
    sorted_.resize(records_);
    for (int shift = 0; shift < bits; shift += 8) {
        size_t start[257] = {};
        for (uint64_t key : keys_) ++start[((key >> shift) & 0xff) + 1];
        for (int b = 0; b < 256; ++b) start[b + 1] += start[b];
        for (uint64_t key : keys_) sorted_[start[(key >> shift) & 0xff]++] = key;
        keys_.swap(sorted_);
    }
    out.states_.resize(count);
    out.columns_.resize(count);
    out.weights_.clear();
    for (int k = 0; k < count; ++k) {
        out.states_[k] = states_[variables[k]];
        out.columns_[k].clear();
    }
    for (int r = 0; r < records_;) {
        int run = r + 1;
        while (run < records_ && keys_[run] == keys_[r]) ++run;
        out.weights_.push_back(run - r);
        for (int k = 0; k < count; ++k) {
            const int width = (k + 1 < count ? shifts[k + 1] : bits) - shifts[k];
            out.columns_[k].push_back(
                static_cast<uint8_t>((keys_[r] >> shifts[k]) & ((uint64_t(1) << width) - 1)));
        }
        r = run;
    }
    return true;
}
