#pragma once
// Conditional probability table: the definition of a discrete chance node, one distribution over its
// outcomes for every combination of its parents' outcomes.

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "definitions/named_outcomes.h"
#include "definitions/parent_table.h"

class VRX_cpt : public vovido::NamedOutcomes<vovido::ParentTableDefinition> {
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

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    [[nodiscard]] int RebuildFromParents() override;
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;
    [[nodiscard]] int CopyParametersTo(VRX_nodeDefinition& target) override;

    // Replaces every entry, re-checks the table and tells the network.
    [[nodiscard]] int SetProbabilities(const VRX_doubleArray& values);
    // Tables of the time slices of a plate node; null and kOutOfRange while the network has no temporal data.
    // (They hide the base's forms over the entries as a flat list.)
    VRX_Dmatrix* GetTemporalDefinition(int order);
    [[nodiscard]] int SetTemporalDefinition(int order, const VRX_Dmatrix& matrix);

    VRX_Dmatrix& GetProbabilities() { return table; }
    const VRX_Dmatrix& GetProbabilities() const { return table; }

protected:
    // New columns become uniform; the others already sum to 1 and stay as they are.
    void CompleteNewColumns() override;
    // The outcomes are the table's last dimension.
    bool HoldsOutcomeData() const override;
    [[nodiscard]] int InsertOutcomeData(int index) override;
    [[nodiscard]] int RemoveOutcomeData(int index) override;
    [[nodiscard]] int ReorderOutcomeData(const VRX_intArray& permutation) override;

    // True when no entry is negative (or NaN) and every column sums to 1 within kColumnTolerance.
    bool ColumnsAreDistributions() const;

private:
    // Conversions of CopyFrom by the source's kind; kOutOfRange refuses the source.
    [[nodiscard]] int ConvertFromUtilityTable(VRX_nodeDefinition& source);
    [[nodiscard]] int SetOutcomeNames(const char* first, const char* second, bool generated);
};
