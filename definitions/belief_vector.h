#pragma once
// Belief vector: the value of a discrete node (posterior beliefs) and the evidence protocol: evidence,
// propagated evidence and virtual evidence.

#include "model/dmatrix.h"
#include "model/double_array.h"
#include "model/node_value.h"

#include <memory>

class VRX_beliefVector : public VRX_nodeValue {
public:
    // Weights of virtual evidence are rescaled when their sum is off 1 by more than this.
    static constexpr double kWeightTolerance = 5e-6;

    // Empty beliefs of the size of the node's outcomes, when the node has a definition.
    VRX_beliefVector(int handle, VRX_network* network);
    // A copy of a value of any kind (see CopyFrom).
    explicit VRX_beliefVector(VRX_nodeValue& source);
    VRX_beliefVector(const VRX_beliefVector& source);
    ~VRX_beliefVector() override;

    void CleanUp(int deep) override;
    int CloneFrom(VRX_nodeValue& source) override;
    int CopyFrom(VRX_nodeValue& source) override;
    int RebuildFromDefinition() override;
    int GetType() const override;
    int GetSize() override;

    int GetEvidence() override;
    int SetEvidence(int outcome) override;
    int ClearEvidence() override;
    int ClearPropagatedEvidence() override;
    int SetPropagatedEvidence(int outcome) override;
    int GetVirtualEvidence(VRX_doubleArray& out) override;
    int SetVirtualEvidence(const VRX_doubleArray& weights) override;

    int GetValue(VRX_Dmatrix*& out) override;
    int SetValue(const VRX_Dmatrix& matrix) override;

    // Makes the beliefs certain of the outcome (1.0 there, 0.0 elsewhere) and marks them up to date;
    // -2 for an outcome outside the node's outcomes. Evidence bits are left to the caller.
    int FixOutcome(int outcome);

    const VRX_Dmatrix& GetBeliefs() const { return beliefs; }
    bool HasVirtualEvidence() const { return virtualEvidence != nullptr; }

protected:
    // The node's number of outcomes from its definition; -2 when there is none.
    int NumberOfOutcomes() const;
    // Frees the weights and clears bit 4, without notice.
    void DropVirtualEvidence();
    // Number of weights a caller's array supplies for n outcomes: n when its count or its size is n.
    static int MatchWeightCount(const VRX_doubleArray& weights, int n);

    VRX_Dmatrix beliefs;
    int evidence = 0;
    std::unique_ptr<VRX_doubleArray> virtualEvidence;
};
