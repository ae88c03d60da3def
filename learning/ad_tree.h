#pragma once
// Record counts over discrete data for the independence tests of structure learning. Counts are built
// lazily, one contingency table per combination of variables asked for, by a single pass over the
// records, and kept for the rest of the run, so a test that asks again costs no pass.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class DataSet;

// The records projected onto a few variables, equal rows merged with their number: the tables of any
// subsets of those variables come from the (usually far fewer) distinct rows.
class CountProjection {
public:
    int GetRowCount() const { return static_cast<int>(weights_.size()); }
    // Number of records behind each row.
    const int* GetWeights() const { return weights_.data(); }
    // The states of projected variable k, one per row.
    const uint8_t* GetColumn(int k) const { return columns_[k].data(); }
    int GetStateCount(int k) const { return states_[k]; }

private:
    friend class AdTree;
    std::vector<int> states_;
    std::vector<std::vector<uint8_t>> columns_;
    std::vector<int> weights_;
};

class AdTree {
public:
    // Over the data set's discrete variables; a variable's state count is its number of state names.
    // A variable without state names is logged ("adtree: number of states is 0"); a variable without
    // names, with a missing cell or with a cell outside its states cannot be counted (Count gives -1).
    explicit AdTree(const DataSet& data);
    // Over columns of state indices in [0, states[v]); every column holds the same number of records.
    AdTree(std::vector<std::vector<int32_t>> columns, std::vector<int> states);

    int GetVariableCount() const { return static_cast<int>(states_.size()); }
    int GetRecordCount() const { return records_; }
    int GetStateCount(int v) const { return states_[v]; }

    // Records matching every (variable, state) pair; the record count for no pairs; -1 when a pair
    // names a variable or state that cannot be counted.
    int Count(const std::vector<std::pair<int, int>>& pairs);

    // The counts of every joint state of the variables (count of them, all distinct), the first
    // variable varying fastest; null when a variable cannot be counted or the table would exceed
    // kMaxTableCells. The table stays valid until the next call.
    const std::vector<int>* Table(const int* variables, int count);

    // The records projected onto the variables; false when a variable cannot be counted, has more
    // than 255 states, or the joint states need more than 64 bits.
    bool Project(const int* variables, int count, CountProjection& out) const;

    static constexpr int64_t kMaxTableCells = int64_t(1) << 24;

private:
    void Fill(const int* variables, int count, std::vector<int>& table) const;

    int records_ = 0;
    std::vector<int> states_;
    std::vector<bool> usable_;
    std::vector<std::vector<int32_t>> columns_;
    std::unordered_map<std::string, std::vector<int>> tables_;
    int64_t cachedCells_ = 0;
    // Working room of Project.
    mutable std::vector<uint64_t> keys_, sorted_;
};
