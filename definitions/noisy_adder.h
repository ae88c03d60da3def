#pragma once
// Noisy-adder definition: one distribution over the node's outcomes per parent outcome plus a leak
// distribution, combined as a weighted average of the parents away from their distinguished outcome
// (function 0) or by the single-fault rule (function 1).

#include "model/ci_definition.h"
#include "model/double_array.h"
#include "model/int_array.h"

class VRX_noisyAdder : public VRX_ciDefinition {
public:
    static constexpr int kAverage = 0;
    static constexpr int kSingleFault = 1;

    VRX_noisyAdder(int handle, VRX_network* network);
    // A copy of, or a conversion from, a definition of any kind (see CopyFrom).
    explicit VRX_noisyAdder(VRX_nodeDefinition& source);
    VRX_noisyAdder(const VRX_noisyAdder& source);
    ~VRX_noisyAdder() override;

    // The identifiers' consistency, then the shape and the rows of the parameter matrix.
    void CheckConsistency(int deep) override;

    int GetType() const override;
    const char* GetTypeName() const override;

    int AddParent(int parent) override;
    int RemoveParent(int parent) override;
    int InsertParentOutcome(int parent, int index) override;
    int RemoveParentOutcome(int parent, int index) override;
    int ReorderParentOutcomes(int parent, const VRX_intArray& order) override;
    int ReorderParents(const VRX_intArray& order) override;

    int CloneFrom(VRX_nodeDefinition& source) override;
    int RebuildFromParents() override;
    int CopyFrom(VRX_nodeDefinition& source) override;

    // The base's edits, with the node's distinguished outcome following its outcome.
    int InsertOutcome(int index, const char* name) override;
    int RemoveOutcome(int index) override;
    // The last outcome becomes the distinguished one.
    int SetOutcomes(const VRX_stringArray& names) override;
    int SetNumberOfOutcomes(int count) override;
    int ChangeOrderOfOutcomes(const VRX_intArray& order) override;

    // Both take only data of the parameter matrix's shape or entry count (-2 and no change otherwise).
    int SetDefinition(const VRX_Dmatrix& matrix) override;
    int SetDefinitionDoubles(const VRX_doubleArray& doubles) override;
    int CopyParametersTo(VRX_nodeDefinition& target) override;

    // -2 for a function other than 0 and 1, parameters out of step with the parents, or (function 0)
    // weights that are negative or a leak weight of 0, which would leave the configuration without
    // active parents nothing to average; the cached table is then left as it was.
    int CalculateCpt() override;
    // Not supported: -2.
    int CalculateParameters() override;
    VRX_Dmatrix* GetCpt() override;

    // Any code is stored; CalculateCpt refuses codes other than 0 and 1.
    int SetFunction(int code);
    int GetFunction() const { return function; }
    // -2 unless 0 <= s < number of outcomes. Every parent's distinguished row follows.
    int SetDistinguishedState(int s);
    int GetDistinguishedState() const { return distinguishedState; }
    // -2 unless i is a parent and s one of its outcomes; row s becomes 1.0 at the node's distinguished
    // outcome, the former distinguished row stays as an ordinary row.
    int SetParentDistinguishedState(int i, int s);
    const VRX_intArray& GetParentDistinguishedStates() const { return parentDistinguishedStates; }
    // One weight per parent in parent order, the leak weight last. Filled in place by the file
    // readers; SetWeights checks what it takes (count, no negative weight, a leak weight above 0).
    VRX_doubleArray& GetWeights() { return weights; }
    int SetWeights(const VRX_doubleArray& values);

    int GetNumberOfParents() const { return parentOutcomeCounts_.GetCount(); }
    // First parameter row of parent i; -2 for i outside the parents.
    int GetParentStartingPosition(int i) const;
    // As the noisy-MAX check, the constrained rows being the parents' distinguished rows (exactly 1.0 at
    // the node's distinguished outcome, 0.0 elsewhere).
    int CheckParameters(const VRX_Dmatrix& matrix, char* buffer, int size);

private:
    int ComputeCptAverage(const VRX_Dmatrix& parameters, VRX_Dmatrix& table);
    int ComputeCptSingleFault(const VRX_Dmatrix& parameters, VRX_Dmatrix& table);
    // Checks the parameters against the parents and shapes the table; k is the number of outcomes.
    int PrepareTable(const VRX_Dmatrix& parameters, VRX_Dmatrix& table, int& k) const;
    // True when weights can average every configuration without dividing by 0.
    bool WeightsUsable(const VRX_doubleArray& values) const;
    void ResetParentDistinguishedRow(int i);
    int ConstrainedColumns(int rows, VRX_intArray& out) const;
    void TakeParametersOf(VRX_noisyAdder& source);
    int NotifyNetwork(int code);

    int distinguishedState = 1;
    VRX_intArray parentDistinguishedStates;
    VRX_doubleArray weights;
    int function = kAverage;
    // Rows of each parent's block (its outcome count when the block was laid out), in parent order.
    VRX_intArray parentOutcomeCounts_;
};
