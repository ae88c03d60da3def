#pragma once
// Utility table: the definition of a utility node, one utility for every combination of outcomes of its
// parents. It has no outcomes of its own.

#include "model/dmatrix.h"
#include "model/node_definition.h"

class VRX_table : public VRX_nodeDefinition {
public:
    // One utility 0.0 repeated over the node's current parents; always valid.
    VRX_table(int handle, VRX_network* network);
    // A copy of, or a conversion from, a definition of any kind (see CopyFrom).
    explicit VRX_table(VRX_nodeDefinition& source);
    VRX_table(const VRX_table& source);
    ~VRX_table() override;

    void CleanUp(int deep) override;
    // A utility table is always valid and consistent.
    void CheckValidity(int deep) override;
    void CheckConsistency(int deep) override;

    int GetType() const override;
    const char* GetTypeName() const override;

    int AddParent(int parent) override;
    int RemoveParent(int parent) override;
    int AbsorbParentEvidence(int parent) override;
    int MarginalizeParent(int parent) override;
    int InsertParentOutcome(int parent, int index) override;
    int RemoveParentOutcome(int parent, int index) override;
    // -2 (nothing changed) unless the order is a permutation of the parent's outcomes.
    int ReorderParentOutcomes(int parent, const VRX_intArray& order) override;
    // -2 (nothing changed) unless the order is a permutation of the parent dimensions.
    int ReorderParents(const VRX_intArray& order) override;

    int GetSize() override;
    int CloneFrom(VRX_nodeDefinition& source) override;
    int RebuildFromParents() override;
    int CopyFrom(VRX_nodeDefinition& source) override;
    int RemoveInvalidParents() override;

    int GetDefinitionDoubles(VRX_doubleArray*& out) override;
    int GetDefinition(VRX_Dmatrix*& out) override;
    // Both setters refuse (-2) data of another shape or entry count; the table is then unchanged.
    int SetDefinition(const VRX_Dmatrix& matrix) override;
    int SetDefinitionDoubles(const VRX_doubleArray& doubles) override;

    // Replaces every utility and tells the network (code 128); -2 for another entry count.
    int SetUtilities(const VRX_doubleArray& values);
    // Smallest and largest utility; 0.0 for an empty table.
    double GetMinimumUtility() const { return MinimumOf(utilities); }
    double GetMaximumUtility() const { return MaximumOf(utilities); }
    // Maps the utilities linearly from [lo, hi] (widened to cover them all) onto [tlo, thi].
    int RescaleUtilities(double lo, double hi, double tlo, double thi);

    // The rescaling shared with the expected-utility value: entries equal to the undefined sentinel
    // stay; returns false when the ranges agree and nothing was touched.
    static bool RescaleEntries(VRX_Dmatrix& matrix, double lo, double hi, double tlo, double thi);
    static double MinimumOf(const VRX_Dmatrix& matrix);
    static double MaximumOf(const VRX_Dmatrix& matrix);

    VRX_Dmatrix& GetUtilities() { return utilities; }
    const VRX_Dmatrix& GetUtilities() const { return utilities; }

private:
    enum class ParentRole { kIndexing, kTable, kOther };

    // The parent's dimension (the number of indexing parents before it in the parent list) and the
    // role of its kind; -2 for a handle that is not a live parent of the node or whose dimension is
    // missing.
    int LocateParent(int parent, int& dimension, ParentRole& role) const;
    int NotifyNetwork(int code);
    bool IsAttached() const;

    VRX_Dmatrix utilities;
};
