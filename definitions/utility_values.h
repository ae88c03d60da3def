#pragma once
// Values of the nodes of an influence diagram: the expected utility of a utility node and the expected
// utilities of the choices of a decision node, which also takes the chosen decision as evidence.

#include "base/dmatrix.h"
#include "definitions/observed_value.h"
#include "model/node_value.h"

// Expected utility of a utility-table node: one dimension per indexing parent, then one item.
class VRX_expectedUtility : public VRX_nodeValue {
public:
    VRX_expectedUtility(int handle, VRX_network* network);
    // A copy of a value of any kind (see CopyFrom).
    explicit VRX_expectedUtility(VRX_nodeValue& source);
    VRX_expectedUtility(const VRX_expectedUtility& source);
    ~VRX_expectedUtility() override;

    void CleanUp(int deep) override;
    [[nodiscard]] int CloneFrom(VRX_nodeValue& source) override;
    // The matrix of a source of the same kind is copied; any other kind gives a fresh matrix.
    [[nodiscard]] int CopyFrom(VRX_nodeValue& source) override;
    [[nodiscard]] int RebuildFromDefinition() override;
    [[nodiscard]] int GetType() const override;

    int GetValue(VRX_Dmatrix*& out) override;
    [[nodiscard]] int SetValue(const VRX_Dmatrix& matrix) override;

    // Smallest and largest entry; 0.0 for an empty matrix.
    double GetMinimumUtility() const;
    double GetMaximumUtility() const;
    // The utility table's rescaling on the expected utilities, without checks or notices; always 0.
    int RescaleUtilities(double lo, double hi, double tlo, double thi);

    const VRX_Dmatrix& GetUtilityValues() const { return utilityValues; }

private:
    VRX_Dmatrix utilityValues;
};

// Expected utilities of the choices of a decision node (the node's own dimension last) and the chosen
// decision as evidence. Virtual evidence is not taken.
class VRX_listOfDecisions : public vovido::ObservedValue {
public:
    VRX_listOfDecisions(int handle, VRX_network* network);
    // A copy of a value of any kind (see CopyFrom).
    explicit VRX_listOfDecisions(VRX_nodeValue& source);
    VRX_listOfDecisions(const VRX_listOfDecisions& source);
    ~VRX_listOfDecisions() override;

    void CleanUp(int deep) override;
    [[nodiscard]] int CloneFrom(VRX_nodeValue& source) override;
    // As the expected utility's; then the source's decision, if any, is taken over.
    [[nodiscard]] int CopyFrom(VRX_nodeValue& source) override;
    [[nodiscard]] int RebuildFromDefinition() override;
    [[nodiscard]] int GetType() const override;

    int GetValue(VRX_Dmatrix*& out) override;
    [[nodiscard]] int SetValue(const VRX_Dmatrix& matrix) override;

    // Records the choice and marks the value up to date; the expected utilities are left as they are.
    // kOutOfRange for a choice outside the decision's choices; evidence bits are left to the caller.
    [[nodiscard]] int FixChoice(int choice);

    const VRX_Dmatrix& GetUtilityValues() const { return utilityValues; }

protected:
    [[nodiscard]] int FixOutcome(int choice) override;

private:
    VRX_Dmatrix utilityValues;
};
