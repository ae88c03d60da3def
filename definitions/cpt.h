#pragma once
// Conditional probability table: the definition of a discrete chance node, one distribution over its
// outcomes for every combination of its parents' outcomes.

#include "model/dmatrix.h"
#include "model/id_array.h"
#include "model/node_definition.h"

class VRX_cpt : public VRX_nodeDefinition {
public:
    // Columns must sum to 1 within this tolerance for the table to be consistent.
    static constexpr double kColumnTolerance = 0.000005;

    // A uniform table over the node's current parents, with at least two outcomes.
    VRX_cpt(int handle, VRX_network* network);
    // A copy of, or a conversion from, a definition of any kind (see CopyFrom).
    explicit VRX_cpt(VRX_nodeDefinition& source);
    VRX_cpt(const VRX_cpt& source);
    ~VRX_cpt() override;

    void CleanUp(int deep) override;
    // Valid when the outcome identifiers are valid and their count equals numOutcomes.
    void CheckValidity(int deep) override;
    // Consistent when the identifiers are and every column is a distribution (within kColumnTolerance).
    void CheckConsistency(int deep) override;

    int GetType() const override;
    const char* GetTypeName() const override;

    int AddParent(int parent) override;
    int RemoveParent(int parent) override;
    int AbsorbParentEvidence(int parent) override;
    int MarginalizeParent(int parent) override;
    int InsertParentOutcome(int parent, int index) override;
    int RemoveParentOutcome(int parent, int index) override;
    int ReorderParentOutcomes(int parent, const VRX_intArray& order) override;
    int ReorderParents(const VRX_intArray& order) override;

    int GetSize() override;
    int CloneFrom(VRX_nodeDefinition& source) override;
    int RebuildFromParents() override;
    int CopyFrom(VRX_nodeDefinition& source) override;
    int RemoveInvalidParents() override;

    int AddOutcome(const char* name) override;
    int InsertOutcome(int index, const char* name) override;
    int RemoveOutcome(int index) override;
    int GetNumberOfOutcomes() override;
    int RenameOutcome(int index, const char* name) override;
    int RenameOutcomes(const VRX_stringArray& names) override;
    VRX_idArray* GetOutcomesNames() override;
    int SetOutcomes(const VRX_stringArray& names) override;
    int SetNumberOfOutcomes(int count) override;
    int ChangeOrderOfOutcomes(const VRX_intArray& order) override;

    int GetDefinitionDoubles(VRX_doubleArray*& out) override;
    int GetDefinition(VRX_Dmatrix*& out) override;
    // Both setters refuse (-2) data of another shape or entry count; the table is then unchanged.
    int SetDefinition(const VRX_Dmatrix& matrix) override;
    int SetDefinitionDoubles(const VRX_doubleArray& doubles) override;
    int CopyParametersTo(VRX_nodeDefinition& target) override;

    // Replaces every entry, re-checks the table and tells the network (code 128).
    int SetProbabilities(const VRX_doubleArray& values);
    // Tables of the time slices of a plate node; null and -2 while the network has no temporal data.
    VRX_Dmatrix* GetTemporalDefinition(int order);
    int SetTemporalDefinition(int order, const VRX_Dmatrix& matrix);

    VRX_Dmatrix& GetProbabilities() { return probabilities; }
    const VRX_Dmatrix& GetProbabilities() const { return probabilities; }

protected:
    // How a parent's kind relates to this table.
    enum class ParentRole { kIndexing, kTable, kOther };

    // Position of the parent in the node's parent list (= its dimension) and the role of its kind;
    // -2 for a handle that is not a live parent of the node or whose dimension is missing.
    int LocateParent(int parent, int& position, ParentRole& role) const;
    // Opens a zero slice at index of an indexing parent's dimension; `opened` tells whether anything
    // changed (other kinds: nothing). The caller completes the new columns.
    int OpenParentOutcome(int parent, int index, bool& opened);
    // True when no entry is negative (or NaN) and every column sums to 1 within kColumnTolerance.
    bool ColumnsAreDistributions() const;
    // Reads a caller's permutation of m items (its count, or else its size, must be m) into out with
    // count m; -2 when it is not a permutation of 0..m-1.
    static int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out);
    // Number of entries a caller's double array supplies for a table of n entries: n when its count or
    // its size is n, else -2.
    static int MatchEntryCount(const VRX_doubleArray& values, int n);
    // Appends "State" + numOutcomes, made unique, and counts it.
    int AddGeneratedOutcome();
    // The node has children by ordinary arcs, so its outcome set cannot be replaced.
    bool HasChildren() const;
    // After the outcome set was replaced: the node cost follows the new parents' shape and the
    // diagnostic per-outcome data is reset.
    void RebuildOutcomeDependents();
    // Sends a change notice for this node to its network, when there is one.
    int NotifyNetwork(int code);
    // Copies the entries of source when the counts agree; the shape stays that of the current parents.
    void CopyEntriesFrom(const VRX_Dmatrix& source);

    int numOutcomes = 0;
    VRX_idArray outcomeIds;
    VRX_Dmatrix probabilities;

private:
    // Conversions of CopyFrom by the source's kind; -2 refuses the source.
    int ConvertFromUtilityTable(VRX_nodeDefinition& source);
    int CopyOutcomesFrom(VRX_nodeDefinition& source);
    int SetOutcomeNames(const char* first, const char* second, bool generated);
};
