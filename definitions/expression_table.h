#pragma once
// Multi-dimensional table of owned expressions (row-major, last dimension fastest), whose shape follows
// the shape operations of a VRX_Dmatrix.

#include <memory>
#include <vector>

#include "base/dmatrix.h"
#include "base/expression.h"
#include "base/int_array.h"
#include "base/status_codes.h"

class ExpressionTable {
public:
    ExpressionTable() = default;
    // Cells of the sizes' product, each the constant 0; kOutOfMemory in `status` when it cannot be allocated.
    explicit ExpressionTable(const VRX_intArray& sizes);
    ExpressionTable(const ExpressionTable& other);
    ExpressionTable& operator=(const ExpressionTable& other);
    ~ExpressionTable();

    int GetCellCount() const { return static_cast<int>(cells.size()); }
    VRX_expression* GetCell(int i) const { return cells[static_cast<size_t>(i)].get(); }
    void SetCell(int i, std::unique_ptr<VRX_expression> e) { cells[static_cast<size_t>(i)] = std::move(e); }
    const VRX_intArray& GetDimensions() const { return dimensions; }
    bool SameShape(const ExpressionTable& other) const { return dimensions == other.dimensions; }
    bool IsValid() const { return valid_; }

    // Applies a shape operation of a matrix to the table: new cell k takes the expression of the old
    // cell the operation moved there (a copy when several take it). A failed operation changes nothing.
    template <class Operation>
    [[nodiscard]] int Mirror(Operation operation) {
        VRX_Dmatrix scratch(dimensions);
        if (scratch.GetNumberOfElements() != GetCellCount() && GetCellCount() > 0) return kOutOfMemory;
        scratch.FillWithIndices();
        if (const int rc = operation(scratch)) return rc;
        return TakeShape(scratch);
    }

    // Replaces the whole table by the single cell [1] holding e.
    [[nodiscard]] int MakeSingle(std::unique_ptr<VRX_expression> e);

private:
    [[nodiscard]] int TakeShape(const VRX_Dmatrix& scratch);
    void ComputeMultipliers();

    std::vector<std::unique_ptr<VRX_expression>> cells;
    VRX_intArray dimensions;
    VRX_intArray multipliers;
    bool valid_ = true;
};
