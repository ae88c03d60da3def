#pragma once
// Noisy-adder definition: one distribution over the node's outcomes per parent outcome plus a leak
// distribution, combined as a weighted average of the parents away from their distinguished outcome
// (function 0) or by the single-fault rule (function 1).

#include "base/double_array.h"
#include "base/int_array.h"
#include "definitions/noisy_definition.h"

class VRX_noisyAdder : public vovido::NoisyDefinition {
public:
    static constexpr int kAverage = 0;
    static constexpr int kSingleFault = 1;

    VRX_noisyAdder(int handle, VRX_network* network);
    // A copy of, or a conversion from, a definition of any kind (see CopyFrom).
    explicit VRX_noisyAdder(VRX_nodeDefinition& source);
    VRX_noisyAdder(const VRX_noisyAdder& source);
    ~VRX_noisyAdder() override;

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    [[nodiscard]] int InsertParentOutcome(int parent, int index) override;
    [[nodiscard]] int RemoveParentOutcome(int parent, int index) override;
    [[nodiscard]] int ReorderParentOutcomes(int parent, const VRX_intArray& order) override;

    // The last outcome becomes the distinguished one.
    [[nodiscard]] int SetOutcomes(const VRX_stringArray& names) override;
    [[nodiscard]] int SetNumberOfOutcomes(int count) override;

    [[nodiscard]] int CopyParametersTo(VRX_nodeDefinition& target) override;

    // kOutOfRange for a function other than 0 and 1, parameters out of step with the parents, or (function 0)
    // weights that are negative or a leak weight of 0, which would leave the configuration without
    // active parents nothing to average; the cached table is then left as it was.
    [[nodiscard]] int CalculateCpt() override;
    // Not supported: kOutOfRange.
    [[nodiscard]] int CalculateParameters() override;

    // Any code is stored; CalculateCpt refuses codes other than 0 and 1.
    [[nodiscard]] int SetFunction(int code);
    int GetFunction() const { return function; }
    // kOutOfRange unless 0 <= s < number of outcomes. Every parent's distinguished row follows.
    [[nodiscard]] int SetDistinguishedState(int s);
    int GetDistinguishedState() const { return distinguishedState; }
    // kOutOfRange unless i is a parent and s one of its outcomes; row s becomes 1.0 at the node's
    // distinguished outcome, the former distinguished row stays as an ordinary row.
    [[nodiscard]] int SetParentDistinguishedState(int i, int s);
    const VRX_intArray& GetParentDistinguishedStates() const { return parentDistinguishedStates; }
    // One weight per parent in parent order, the leak weight last. Filled in place by the file
    // readers; SetWeights checks what it takes (count, no negative weight, a leak weight above 0).
    VRX_doubleArray& GetWeights() { return weights; }
    [[nodiscard]] int SetWeights(const VRX_doubleArray& values);

protected:
    // One block per parent, a row per outcome; the parent's distinguished row is constrained to the
    // node's distinguished outcome. A new parent starts with its last outcome distinguished.
    int ParentBlockCount() const override;
    int ParentBlockSize(int i) const override;
    bool ParentEntriesInStep() const override;
    [[nodiscard]] int InsertParentEntry(int position, int outcomes) override;
    void RemoveParentEntry(int position) override;
    [[nodiscard]] int PermuteParentEntries(const VRX_intArray& permutation) override;
    [[nodiscard]] int ResetParentEntries() override;
    // Three generated outcomes for a definition that has none.
    int MinimumOutcomeCount() const override;
    void ResetLeakRow() override;
    bool ConstrainedCell(int i, int& row, int& column) const override;
    // The node's distinguished outcome follows its outcome; when it goes, outcome 0 takes over.
    void OutcomeColumnInserted(int index) override;
    void OutcomeColumnRemoved(int index) override;
    void OutcomeColumnsReordered(const VRX_intArray& permutation) override;
    // Only a noisy-adder source gives parameters: there is no fit for this kind.
    void AdoptParametersOf(VRX_nodeDefinition& source) override;

private:
    [[nodiscard]] int ComputeCptAverage(const VRX_Dmatrix& parameters, VRX_Dmatrix& table);
    [[nodiscard]] int ComputeCptSingleFault(const VRX_Dmatrix& parameters, VRX_Dmatrix& table);
    // Checks the parameters against the parents and shapes the table; k is the number of outcomes,
    // starts the first row of every block and x the walk's outcomes, all 0.
    [[nodiscard]] int PrepareTable(const VRX_Dmatrix& parameters, VRX_Dmatrix& table, int& k,
                                   VRX_intArray& starts, VRX_intArray& x) const;
    // True when weights can average every configuration without dividing by 0.
    bool WeightsUsable(const VRX_doubleArray& values) const;
    void TakeParametersOf(VRX_noisyAdder& source);

    int distinguishedState = 1;
    VRX_intArray parentDistinguishedStates;
    VRX_doubleArray weights;
    int function = kAverage;
    // Rows of each parent's block (its outcome count when the block was laid out), in parent order.
    VRX_intArray parentOutcomeCounts_;
};
