#pragma once
// Noisy-MAX definition: one distribution over the node's outcomes per parent outcome plus a leak
// distribution, combined into the full table by the MAX rule in cumulative form. The node's last
// outcome and the last outcome of every parent's strength order are the outcomes of no effect.

#include <cstdint>
#include <vector>

#include "base/double_array.h"
#include "base/int_array.h"
#include "definitions/noisy_definition.h"

class VRX_noisyMAX : public vovido::NoisyDefinition {
public:
    // Per parent, in parent order: the parent's outcome indices in the order of its parameter rows.
    using StrengthSequence = std::vector<VRX_intArray>;

    VRX_noisyMAX(int handle, VRX_network* network);
    // A copy of, or a conversion from, a definition of any kind (see CopyFrom).
    explicit VRX_noisyMAX(VRX_nodeDefinition& source);
    VRX_noisyMAX(const VRX_noisyMAX& source);
    ~VRX_noisyMAX() override;

    void CleanUp(int deep) override;

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    [[nodiscard]] int AbsorbParentEvidence(int parent) override;
    [[nodiscard]] int MarginalizeParent(int parent) override;
    [[nodiscard]] int InsertParentOutcome(int parent, int index) override;
    [[nodiscard]] int RemoveParentOutcome(int parent, int index) override;
    [[nodiscard]] int ReorderParentOutcomes(int parent, const VRX_intArray& order) override;

    [[nodiscard]] int CopyParametersTo(VRX_nodeDefinition& target) override;

    [[nodiscard]] int CalculateCpt() override;
    // Fits the parameters to the cached table by local search; always 0.
    int CalculateParameters() override;

    const StrengthSequence& GetParentOutcomeStrengths() const { return parentOutcomeStrengths; }

    // The parameters with the leak folded into every free parent row (the form of the files).
    [[nodiscard]] int GetLeakyParameters(VRX_Dmatrix& out);
    // kOutOfRange for another shape, a constrained row other than 0 ... 0, 1.0, or a leak whose cumulative
    // form has a 0 that a parent row would be divided by; nothing changes then.
    [[nodiscard]] int SetLeakyParameters(const VRX_Dmatrix& matrix);
    // The leaky rows without the constrained ones, row by row, blocks in parent order, leak last.
    [[nodiscard]] int SetLeakyParametersWithoutConstrained(const VRX_doubleArray& values);
    [[nodiscard]] int GetLeakyParametersWithoutConstrained(VRX_doubleArray& out);

    // kOutOfRange unless i is a parent and the array is a permutation of that parent's outcome indices.
    [[nodiscard]] int SetParentOutcomeStrengths(int i, const VRX_intArray& strengths);
    // Rows and strength items of parent i move together: new m = old permutation[m].
    [[nodiscard]] int ChangeOrderOfStrengths(int i, const VRX_intArray& permutation);
    // Strengths of the node's temporal definitions: kWrongNodeType unless the node is a plate, kOutOfRange
    // without a temporal definition of that order.
    [[nodiscard]] int GetTemporalParentOutcomeStrengths(int order, StrengthSequence& out);
    [[nodiscard]] int SetTemporalParentOutcomeStrengths(int order, const StrengthSequence& sequence);
    // The noisy-MAX temporal definition of that order; status kWrongNodeType outside the plate, kOutOfRange
    // without one.
    VRX_noisyMAX* FindTemporalNoisyMax(int order, int& status);

protected:
    // One block per parent, a row per entry of its strength order; the row of its last entry is
    // constrained to the node's last outcome.
    int ParentBlockCount() const override;
    int ParentBlockSize(int i) const override;
    [[nodiscard]] int InsertParentEntry(int position, int outcomes) override;
    void RemoveParentEntry(int position) override;
    [[nodiscard]] int PermuteParentEntries(const VRX_intArray& permutation) override;
    int ResetParentEntries() override;
    void ResetLeakRow() override;
    bool ConstrainedCell(int i, int& row, int& column) const override;
    // Every outcome edit leaves the constrained rows 0 ... 0, 1.0 again.
    void OutcomeColumnInserted(int index) override;
    void OutcomeColumnRemoved(int index) override;
    void OutcomeColumnsReordered(const VRX_intArray& permutation) override;
    // A noisy-MAX source gives its parameters; a table of this node's shape is fitted.
    void AdoptParametersOf(VRX_nodeDefinition& source) override;

private:
    // Scratch of the table computation, reused across the many computations of a fit.
    struct Workspace {
        VRX_intArray sizes;
        VRX_intArray starts;
        VRX_intArray rowOf;
        VRX_intArray counters;
        VRX_doubleArray cumulative;
        VRX_doubleArray prefix;
        VRX_doubleArray savedRow;
    };

    // The full table of the parameters P into C, its parent dimensions indexed by outcome.
    [[nodiscard]] int ComputeCpt(const VRX_Dmatrix& parameters, VRX_Dmatrix& table, Workspace& ws) const;
    void FitParameters(const VRX_Dmatrix& target, double step, double tolerance);
    // The warning of a fit stopped by the work limit, naming the node and the sizes.
    void WarnFitStopped(int64_t cells, int64_t work) const;
    // Distance to the target of the table after entry e of P moved by delta; P is restored.
    double TrialDistance(VRX_Dmatrix& parameters, int e, double delta, const VRX_Dmatrix& target,
                         VRX_Dmatrix& scratch, Workspace& ws) const;
    // Replaces the parent's block by the leak row given in its ordinary (not cumulative) form.
    [[nodiscard]] int FoldBlockIntoLeak(int position, const double* leak);
    // Copies the source's parameters, strengths and, while current, its table when their shapes match
    // this definition's.
    void TakeParametersOf(VRX_noisyMAX& source);
    // Converts from a full table: copies it as the target and fits the parameters to it.
    void FitTo(VRX_nodeDefinition& source);

    StrengthSequence parentOutcomeStrengths;
};
