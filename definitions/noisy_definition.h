#pragma once
// Base of the noisy kinds (noisy-MAX, noisy adder): the parameter matrix holds one block of rows per
// indexing parent (a row per parent outcome) and the leak row last, one column per outcome of the node.
// In every block one row is constrained to 1.0 at one column; the kind says which row and column.

#include "base/dmatrix.h"
#include "model/ci_definition.h"

class VRX_doubleArray;
class VRX_intArray;

namespace vovido {

class NoisyDefinition : public VRX_ciDefinition {
public:
    // The identifiers' consistency, then the shape and the rows of the parameter matrix.
    void CheckConsistency(int deep) override;

    // A new block: its constrained row, the others uniform.
    [[nodiscard]] int AddParent(int parent) override;
    [[nodiscard]] int RemoveParent(int parent) override;
    // Blocks and per-parent data move together; kOutOfRange (nothing changed) for an order that is no
    // permutation of the parents.
    [[nodiscard]] int ReorderParents(const VRX_intArray& order) override;

    [[nodiscard]] int CloneFrom(VRX_nodeDefinition& source) override;
    // Default parameters over the current parents: a leak row, then every parent's block.
    [[nodiscard]] int RebuildFromParents() override;
    // Names from any discrete kind; parameters only from the own kind (see AdoptParametersOf).
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;

    // Weights and names move together; the kind's constrained cells follow.
    [[nodiscard]] int ChangeOrderOfOutcomes(const VRX_intArray& order) override;

    // Both take only data of the parameter matrix's shape or entry count (kOutOfRange and no change
    // otherwise).
    [[nodiscard]] int SetDefinition(const VRX_Dmatrix& matrix) override;
    [[nodiscard]] int SetDefinitionDoubles(const VRX_doubleArray& doubles) override;
    VRX_Dmatrix* GetCpt() override;

    int GetNumberOfParents() const { return ParentBlockCount(); }
    // First parameter row of parent i; kOutOfRange for i outside the parents.
    [[nodiscard]] int GetParentStartingPosition(int i) const;
    // 0 "Ok"; kOutOfRange "Inappropirate Dmatrix size"; kInvalidData for a negative entry, a broken
    // constrained row or a row that does not sum to 1. The text goes into buffer, at most size bytes.
    [[nodiscard]] int CheckParameters(const VRX_Dmatrix& matrix, char* buffer, int size);

protected:
    NoisyDefinition(int handle, VRX_network* network);
    NoisyDefinition(const NoisyDefinition& source);

    // The kind's data per parent block. Insert and permute leave the data as it was when they fail.
    virtual int ParentBlockCount() const = 0;
    virtual int ParentBlockSize(int i) const = 0;
    // False refuses the edits of the parent set (kOutOfRange): the kind's per-parent data is out of step.
    virtual bool ParentEntriesInStep() const { return true; }
    [[nodiscard]] virtual int InsertParentEntry(int position, int outcomes) = 0;
    virtual void RemoveParentEntry(int position) = 0;
    // New entry j = old entry permutation[j].
    [[nodiscard]] virtual int PermuteParentEntries(const VRX_intArray& permutation) = 0;
    // Before a rebuild: the per-parent data emptied and the kind's settings at their defaults.
    [[nodiscard]] virtual int ResetParentEntries() = 0;
    virtual int MinimumOutcomeCount() const { return 2; }
    // The leak row of a fresh 1 x k matrix.
    virtual void ResetLeakRow() = 0;
    // Row within block i and column of the block's constrained cell; false when block i has none.
    virtual bool ConstrainedCell(int i, int& row, int& column) const = 0;
    // After the weights' columns were permuted (new j = old permutation[j]).
    virtual void OutcomeColumnsReordered(const VRX_intArray& permutation) = 0;
    // After CopyFrom rebuilt this definition with the source's names: takes what the source can give.
    virtual void AdoptParametersOf(VRX_nodeDefinition& source) = 0;

    // Block position and type of a parent: kObjectNotValid when this definition is not valid; kOutOfRange for
    // a handle that is not a live parent of the node.
    [[nodiscard]] int LocateBlock(int parent, int& position, int& type) const;
    // The start of an edit of a parent's block: 0 with the block's position; kNoBlock for a parent of a
    // kind that owns none; else as LocateBlock, and kOutOfRange for a block past the blocks or, when
    // `tableRefused`, a utility parent.
    static constexpr int kNoBlock = 1;
    [[nodiscard]] int LocateOwnBlock(int parent, int& position, int& type, bool tableRefused) const;
    // Block i's constrained row becomes 0 ... 0, 1.0 at its column.
    void ResetConstrainedRow(int i);
    void ResetConstrainedRows();
    // Row index -> column that must hold 1.0 (constrained rows) or -1, for `rows` rows.
    [[nodiscard]] int ConstrainedColumns(int rows, VRX_intArray& out) const;
    // After the source's parameters were taken (`taken`): its table too while it is current, else the
    // table is marked stale.
    void AdoptCachedCpt(const NoisyDefinition& source, bool taken);
};

}  // namespace vovido
