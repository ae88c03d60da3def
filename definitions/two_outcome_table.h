#pragma once
// The two-outcome kinds whose tables are computed from per-parent parameters (cast, DeMorgan): a base
// that keeps the table and the parameters in step with the parents, and the shared reading of callers'
// arrays and orders.

#include <cstdint>
#include <vector>

#include "base/dmatrix.h"
#include "model/node_definition.h"

class VRX_intArray;
class VRX_doubleArray;
class VRX_idArray;

namespace vovido::TwoOutcomeTable {

// Gives the table one dimension of size 2 per parent and the node's own last; on failure (kOutOfMemory when
// the table would pass the addressable size) the table is left as it was.
[[nodiscard]] int Reshape(VRX_Dmatrix& table, int parents);

// Number of values a caller's array supplies for n slots: n when it lists n items, or lists none and is
// sized n (filled by index); else kOutOfRange.
[[nodiscard]] int SuppliedCount(const VRX_doubleArray& values, int n);
[[nodiscard]] int SuppliedCount(const VRX_intArray& values, int n);

// The first m items of order (as SuppliedCount reads it) copied into out after checking that they are
// a permutation of 0..m-1; kOutOfRange otherwise.
[[nodiscard]] int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out);

// What a parent contributes to the two products of a column, by the parent's outcome (0 or 1).
struct ParentFactors {
    double first[2] = {1.0, 1.0};
    double second[2] = {1.0, 1.0};
};
// Fills entry 2c of the 2 x 2^n entries with the product of every parent's first factor at its outcome
// in column c, and entry 2c + 1 with that of the second factors (the first parent varies slowest): one
// pass that doubles the columns per parent, so a table is built in time linear in its size.
void FillProducts(double* entries, const std::vector<ParentFactors>& factors);

}  // namespace vovido::TwoOutcomeTable

namespace vovido {

// The outcomes are the fixed "True" and "False"; the parents must be of the same kind, each with its
// entry in the kind's per-parent parameters (in parent order). The definition is always valid and
// consistent: its table is a function of its own members.
class TwoOutcomeDefinition : public VRX_nodeDefinition {
public:
    void CleanUp(int deep) override;
    void CheckValidity(int deep) override;
    void CheckConsistency(int deep) override;

    // kWrongNodeType for a parent of another kind; the new parent's entry starts at the kind's default.
    [[nodiscard]] int AddParent(int parent) override;
    [[nodiscard]] int RemoveParent(int parent) override;
    // Entries move together or not at all; kOutOfRange for an order that is no permutation of them.
    [[nodiscard]] int ReorderParents(const VRX_intArray& order) override;
    // Drops the arcs from parents of another kind (a parent whose kind changed), which the kind does not
    // take, and reports them as refused parents.
    [[nodiscard]] int RemoveInvalidParents() override;

    [[nodiscard]] int GetSize() override;
    [[nodiscard]] int CloneFrom(VRX_nodeDefinition& source) override;
    // A copy of a source of the same kind; kWrongNodeType for any other.
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;

    [[nodiscard]] int GetNumberOfOutcomes() override;
    VRX_idArray* GetOutcomesNames() override;

    int GetDefinitionDoubles(VRX_doubleArray*& out) override;
    int GetDefinition(VRX_Dmatrix*& out) override;
    // The table follows from the kind's parameters: kWrongNodeType, logged naming the calls that set them.
    [[nodiscard]] int SetDefinition(const VRX_Dmatrix& matrix) override;
    [[nodiscard]] int SetDefinitionDoubles(const VRX_doubleArray& doubles) override;

protected:
    TwoOutcomeDefinition(int handle, VRX_network* network);
    // Network and handle of a definition of any kind.
    explicit TwoOutcomeDefinition(const VRX_nodeDefinition& source);
    TwoOutcomeDefinition(const TwoOutcomeDefinition& source);

    // The kind's per-parent parameters: their count (-1 when its arrays are out of step), and the edits
    // that keep them in parent order. Insert and permute change nothing when they fail.
    virtual int ParentEntryCount() const = 0;
    [[nodiscard]] virtual int InsertParentEntry(int position) = 0;
    virtual void RemoveParentEntry(int position) = 0;
    [[nodiscard]] virtual int PermuteParentEntries(const VRX_intArray& permutation) = 0;
    virtual void ClearParentEntries() = 0;
    // Rewrites every column of a table already in shape from the parameters.
    virtual void Recompute() const = 0;

    // Number of parents of the node; 0 when the definition belongs to no live node.
    int CurrentParentCount() const;
    // An edit of the parents or the parameters leaves the table to be built when it is next handed out,
    // so that a node given many parents builds it once, not at every arc.
    void InvalidateTable() { tableCurrent_ = false; }
    // Shapes and fills the table when an edit left it stale: 0, or kOutOfMemory (logged, naming the node).
    [[nodiscard]] int UpdateTable() const;
    // Cells of the table with the given number of parents; past the table limit CheckTableCells refuses
    // them with kOutOfMemory, logged naming the node, before anything is allocated.
    static int64_t TableCells(int parents) { return parents < 62 ? int64_t{2} << parents : INT64_MAX; }
    [[nodiscard]] int CheckTableCells(int parents) const;

    // Built from the parameters on demand (UpdateTable), hence mutable.
    mutable VRX_Dmatrix table;

private:
    mutable bool tableCurrent_ = true;

    // Position of the parent in the node's parent list; kOutOfRange for a handle that is not a live parent.
    [[nodiscard]] int LocateParent(int parent, int& position) const;
};

}  // namespace vovido
