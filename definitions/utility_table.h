#pragma once
// Utility table: the definition of a utility node, one utility for every combination of outcomes of its
// parents. It has no outcomes of its own.

#include "base/dmatrix.h"
#include "definitions/parent_table.h"

class VRX_table : public vovido::ParentTableDefinition {
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

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    [[nodiscard]] int RebuildFromParents() override;
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;
    // The utilities into another utility table of the same parents' shape (a slice copy, a temporal table).
    [[nodiscard]] int CopyParametersTo(VRX_nodeDefinition& target) override;

    // Replaces every utility and tells the network; kOutOfRange for another entry count.
    [[nodiscard]] int SetUtilities(const VRX_doubleArray& values);
    // Smallest and largest utility; 0.0 for an empty table.
    double GetMinimumUtility() const { return MinimumOf(table); }
    double GetMaximumUtility() const { return MaximumOf(table); }
    // Maps the utilities linearly from [lo, hi] (widened to cover them all) onto [tlo, thi].
    [[nodiscard]] int RescaleUtilities(double lo, double hi, double tlo, double thi);

    // The rescaling shared with the expected-utility value: entries equal to the undefined sentinel
    // stay; returns false when the ranges agree and nothing was touched.
    static bool RescaleEntries(VRX_Dmatrix& matrix, double lo, double hi, double tlo, double thi);
    static double MinimumOf(const VRX_Dmatrix& matrix);
    static double MaximumOf(const VRX_Dmatrix& matrix);

    VRX_Dmatrix& GetUtilities() { return table; }
    const VRX_Dmatrix& GetUtilities() const { return table; }
};
