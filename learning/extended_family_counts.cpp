// Counts of a family with one parent more, one pass over the candidate's column each.
#include "learning/extended_family_counts.h"

#include <cstddef>

void extended_family_counts::prepare(const int32_t* own, int states,
                                     const std::vector<const int32_t*>& parent_columns,
                                     const std::vector<int>& parent_states, int records, int copies,
                                     const std::vector<uint8_t>& hidden, double weight) {
    const int k = static_cast<int>(parent_columns.size());
    weight_ = weight;
    columns_ = parent_columns;
    strides_.assign(k, 0);
    inserted_stride_.assign(k + 1, states);
    int64_t cells = states;
    for (int j = k - 1; j >= 0; --j) {
        strides_[j] = static_cast<int>(cells);
        cells *= parent_states[j];
        inserted_stride_[j] = cells;
    }
    cells_ = cells;
    const size_t positions = static_cast<size_t>(records) * copies;
    index_.assign(positions, -1);
    for (size_t at = 0; at < positions; ++at) {
        if (!hidden.empty() && hidden[at % records]) continue;
        int32_t index = own[at];
        if (index < 0) continue;
        int j = 0;
        for (; j < k; ++j) {
            const int32_t v = parent_columns[j][at];
            if (v < 0) break;  // a missing value in the family: the record is not counted
            index += v * strides_[j];
        }
        if (j == k) index_[at] = index;
    }
    leading_.assign(k + 1, {});
    leading_ready_.assign(k + 1, 0);
}

const std::vector<int32_t>& extended_family_counts::leading(int position) {
    const size_t positions = index_.size();
    int ready = position;
    while (ready > 0 && !leading_ready_[ready]) --ready;
    if (!leading_ready_[ready]) {
        leading_[ready].assign(positions, 0);
        leading_ready_[ready] = 1;
    }
    for (int p = ready + 1; p <= position; ++p) {
        const std::vector<int32_t>& before = leading_[p - 1];
        std::vector<int32_t>& part = leading_[p];
        part.assign(positions, 0);
        const int32_t* column = columns_[p - 1];
        const int32_t stride = strides_[p - 1];
        for (size_t at = 0; at < positions; ++at) {
            if (index_[at] >= 0) part[at] = before[at] + column[at] * stride;
        }
        leading_ready_[p] = 1;
    }
    return leading_[position];
}

void extended_family_counts::count(int position, const int32_t* column, int states,
                                   std::vector<double>& counts) {
    counts.assign(static_cast<size_t>(cells_) * states, 0.0);
    const int32_t* lead = position > 0 ? leading(position).data() : nullptr;
    // A parent inserted before `position` multiplies the strides of those before it by its states.
    const int64_t stride = inserted_stride_[position];
    const size_t positions = index_.size();
    for (size_t at = 0; at < positions; ++at) {
        const int32_t index = index_[at];
        const int32_t v = column[at];
        if (index < 0 || v < 0) continue;
        const int64_t before = lead != nullptr ? lead[at] : 0;
        counts[static_cast<size_t>(index + before * (states - 1) + v * stride)] += weight_;
    }
}
