#pragma once
// Base of the definitions whose parameters are one table over the outcomes of the node's parents, the
// node's own dimension last (CPT, utility table): the table follows arc and parent-outcome edits.

#include "base/dmatrix.h"
#include "model/node_definition.h"

namespace vovido {

class ParentTableDefinition : public VRX_nodeDefinition {
public:
    // Parents of the indexing kinds get a dimension; the old entries are repeated along it.
    [[nodiscard]] int AddParent(int parent) override;
    // The last `count` parents of the node's list, each as AddParent would take it, results[i] its code,
    // the dimensions of those it takes inserted together so that the table is built once. A table the
    // limit or memory refuses is logged once, naming the node and its full size, and none of them gets a
    // dimension (each kOutOfMemory); the table is then as it was.
    [[nodiscard]] int AddParents(const int* parents, int count, int* results);
    [[nodiscard]] int RemoveParent(int parent) override;
    [[nodiscard]] int AbsorbParentEvidence(int parent) override;
    [[nodiscard]] int MarginalizeParent(int parent) override;
    [[nodiscard]] int InsertParentOutcome(int parent, int index) override;
    [[nodiscard]] int RemoveParentOutcome(int parent, int index) override;
    // kOutOfRange (nothing changed) unless the order is a permutation of the parent's outcomes.
    [[nodiscard]] int ReorderParentOutcomes(int parent, const VRX_intArray& order) override;
    // kOutOfRange (nothing changed) unless the order is a permutation of the parent dimensions.
    [[nodiscard]] int ReorderParents(const VRX_intArray& order) override;
    // Drops the arcs from parents that are not discrete.
    int RemoveInvalidParents() override;

    [[nodiscard]] int GetSize() override;
    [[nodiscard]] int CloneFrom(VRX_nodeDefinition& source) override;

    int GetDefinitionDoubles(VRX_doubleArray*& out) override;
    int GetDefinition(VRX_Dmatrix*& out) override;
    // Both setters refuse (kOutOfRange) data of another shape or entry count; the table is then unchanged.
    [[nodiscard]] int SetDefinition(const VRX_Dmatrix& matrix) override;
    [[nodiscard]] int SetDefinitionDoubles(const VRX_doubleArray& doubles) override;

protected:
    ParentTableDefinition(int handle, VRX_network* network);
    // Network and handle of a definition of any kind.
    explicit ParentTableDefinition(const VRX_nodeDefinition& source);

    // How a parent's kind relates to the table.
    enum class ParentRole { kIndexing, kTable, kOther };

    // The dimension of the indexing parent at `position` in the node's parent list. Only indexing
    // parents own a dimension, so a parent left behind by a kind change shifts no other parent.
    int DimensionOfParent(const VRX_intArray& parents, int position) const;
    // Completes the table after a parent dimension was added (the old entries repeated along it) or a
    // fresh table was made; nothing by default.
    virtual void CompleteNewColumns() {}
    // Completes the table after a zero slice was opened for a new outcome of a parent.
    virtual void CompleteOpenedOutcome() { CompleteNewColumns(); }

    // The parent's dimension and the role of its kind: kObjectNotValid when this definition is not valid;
    // kOutOfRange for a handle that is not a live parent of the node or whose dimension is missing.
    [[nodiscard]] int LocateParent(int parent, int& dimension, ParentRole& role) const;
    // A fresh table: the own dimension of ownSize zeros, completed, then every current parent added.
    [[nodiscard]] int RebuildTable(int ownSize);
    // Replaces every entry, re-checks the definition and tells the network.
    [[nodiscard]] int SetEntries(const VRX_doubleArray& values);
    // Copies the entries of source when the counts agree; the shape stays that of the current parents.
    void CopyEntriesFrom(const VRX_Dmatrix& source);

    VRX_Dmatrix table;

private:
    // A utility table's entries are free; every other kind's are probabilities.
    bool HoldsProbabilities() const { return (GetType() & DefinitionBits::kUtility) == 0; }
    // Replaces every entry as given, telling nobody.
    [[nodiscard]] int WriteEntries(const VRX_doubleArray& doubles);
};

}  // namespace vovido
