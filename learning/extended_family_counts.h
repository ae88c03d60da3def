#pragma once
// Counts of a family with one more parent, for many candidate parents in turn: the records are read once
// for the family as it is (its cell index per record, and the part of it that each leading run of the
// parents gives), so that each candidate costs one pass over its own column.

#include <cstdint>
#include <vector>

class extended_family_counts {
public:
    // The family: the node's column and state count, its parents' columns and state counts in table order
    // (the first parent slowest, the node's own state fastest), every column holding `copies` runs of
    // `records` cells, a negative cell missing. Records whose `hidden` entry is set are skipped (empty: none
    // hidden); each record counts `weight`.
    void prepare(const int32_t* own, int states, const std::vector<const int32_t*>& parent_columns,
                 const std::vector<int>& parent_states, int records, int copies,
                 const std::vector<uint8_t>& hidden, double weight);
    // Cells of the family's table as it is.
    int64_t cells() const { return cells_; }
    // Counts of the family with `column` (of `states` states) inserted before parent `position` (the
    // parent count: after the last), in the same layout, into `counts` (resized to cells() * states).
    void count(int position, const int32_t* column, int states, std::vector<double>& counts);

private:
    // Per record, the part of its cell index that the parents before `position` give.
    const std::vector<int32_t>& leading(int position);

    int64_t cells_ = 0;
    double weight_ = 1.0;
    std::vector<const int32_t*> columns_;
    std::vector<int> strides_;
    // Stride of a parent inserted before each position: the own states times the later parents' states.
    std::vector<int64_t> inserted_stride_;
    // Cell index of each record position in the family's table, -1 where the record is not counted.
    std::vector<int32_t> index_;
    std::vector<std::vector<int32_t>> leading_;
    std::vector<char> leading_ready_;
};
