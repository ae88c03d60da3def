// Expression table: deep copies and the shape mirror of matrix operations.
#include "definitions/expression_table.h"

#include <new>

#include "base/status_codes.h"

ExpressionTable::ExpressionTable(const VRX_intArray& sizes) {
    long long count = 1;
    for (int i = 0; i < sizes.GetCount(); i++) count *= sizes[i] > 0 ? sizes[i] : 1;
    try {
        if (dimensions.Copy(sizes) != kSuccess) throw std::bad_alloc();
        cells.reserve(static_cast<size_t>(count));
        for (long long i = 0; i < count; i++) cells.push_back(std::make_unique<VRX_constant>());
    } catch (const std::bad_alloc&) {
        cells.clear();
        valid_ = false;
    }
    ComputeMultipliers();
}

ExpressionTable::ExpressionTable(const ExpressionTable& other) {
    *this = other;
}

ExpressionTable& ExpressionTable::operator=(const ExpressionTable& other) {
    if (this == &other) return *this;
    std::vector<std::unique_ptr<VRX_expression>> copies;
    try {
        copies.reserve(other.cells.size());
        for (const auto& cell : other.cells) copies.push_back(cell ? cell->Clone() : nullptr);
        if (dimensions.Copy(other.dimensions) != kSuccess) throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
        valid_ = false;
        return *this;
    }
    cells.swap(copies);
    valid_ = other.valid_;
    ComputeMultipliers();
    return *this;
}

ExpressionTable::~ExpressionTable() = default;

void ExpressionTable::ComputeMultipliers() {
    const int n = dimensions.GetCount();
    if (multipliers.SetSize(n) != kSuccess) return;
    multipliers.SetCount(n);
    int m = 1;
    for (int i = n - 1; i >= 0; i--) {
        multipliers[i] = m;
        m *= dimensions[i];
    }
}

int ExpressionTable::MakeSingle(std::unique_ptr<VRX_expression> e) {
    VRX_intArray sizes;
    if (sizes.Add(1) != kSuccess) return kOutOfMemory;
    try {
        std::vector<std::unique_ptr<VRX_expression>> single;
        single.push_back(std::move(e));
        cells.swap(single);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (dimensions.Copy(sizes) != kSuccess) return kOutOfMemory;
    ComputeMultipliers();
    return kSuccess;
}

int ExpressionTable::TakeShape(const VRX_Dmatrix& scratch) {
    const int count = scratch.GetNumberOfElements();
    std::vector<std::unique_ptr<VRX_expression>> next;
    VRX_intArray sizes;
    try {
        next.resize(static_cast<size_t>(count));
        if (sizes.Copy(scratch.GetDimensions()) != kSuccess) return kOutOfMemory;
        if (cells.empty()) {
            for (auto& cell : next) cell = std::make_unique<VRX_constant>();
        } else {
            // The last use of an old cell takes it; earlier uses take copies.
            std::vector<int> lastUse(cells.size(), -1);
            for (int k = 0; k < count; k++) lastUse[static_cast<size_t>(scratch[k])] = k;
            for (int k = 0; k < count; k++) {
                const auto old = static_cast<size_t>(scratch[k]);
                if (lastUse[old] != k) next[static_cast<size_t>(k)] = cells[old]->Clone();
            }
            for (int k = 0; k < count; k++) {
                const auto old = static_cast<size_t>(scratch[k]);
                if (lastUse[old] == k) next[static_cast<size_t>(k)] = std::move(cells[old]);
            }
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (dimensions.Copy(sizes) != kSuccess) return kOutOfMemory;
    cells.swap(next);
    ComputeMultipliers();
    return kSuccess;
}
