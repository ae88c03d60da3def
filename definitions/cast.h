#pragma once
// Cast definition: a "True"/"False" node whose probability of "True" is a baseline moved up or down by
// weighted influences of its cast parents; the table is computed from the weights and kept here.

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "definitions/two_outcome_table.h"

class VRX_cast : public vovido::TwoOutcomeDefinition {
public:
    // Every parent's weights 0.0 and baseline 0.5: each column then holds (0.5, 0.5).
    VRX_cast(int handle, VRX_network* network);
    // A copy of a cast source (see CopyFrom).
    explicit VRX_cast(VRX_nodeDefinition& source);
    VRX_cast(const VRX_cast& source);
    ~VRX_cast() override;

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    [[nodiscard]] int RebuildFromParents() override;
    [[nodiscard]] int CopyParametersTo(VRX_nodeDefinition& target) override;

    // One weight per parent, each in [-1, 1]; an array of another length or a weight out of range is
    // refused (kOutOfRange) and nothing changes. The table is rebuilt when next asked for; the network is not
    // told.
    [[nodiscard]] int SetPositiveWeights(const VRX_doubleArray& weights);
    [[nodiscard]] int SetNegativeWeights(const VRX_doubleArray& weights);
    // kOutOfRange outside [0, 1].
    [[nodiscard]] int SetBaseline(double value);

    const VRX_doubleArray& GetPositiveWeights() const { return positiveWeights; }
    const VRX_doubleArray& GetNegativeWeights() const { return negativeWeights; }
    double GetBaseline() const { return baseline; }
    int GetNumberOfWeights() const { return positiveWeights.GetCount(); }
    // Built first when an edit left it stale; empty when it cannot be.
    const VRX_Dmatrix& GetProbabilities() const {
        (void)UpdateTable();  // a failure is logged and leaves the table empty
        return table;
    }

protected:
    // A positive and a negative weight per parent; a new parent's are 0.0.
    int ParentEntryCount() const override;
    [[nodiscard]] int InsertParentEntry(int position) override;
    void RemoveParentEntry(int position) override;
    [[nodiscard]] int PermuteParentEntries(const VRX_intArray& permutation) override;
    void ClearParentEntries() override;
    void Recompute() const override;

private:
    // Copies a caller's weights over target after checking their count and range.
    [[nodiscard]] int SetWeights(const VRX_doubleArray& weights, VRX_doubleArray& target);

    VRX_doubleArray positiveWeights;
    VRX_doubleArray negativeWeights;
    double baseline = 0.5;
};
