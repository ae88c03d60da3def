#pragma once
// Belief vector: the value of a discrete node (posterior beliefs) and the evidence protocol: evidence,
// propagated evidence and virtual evidence.

#include <memory>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "definitions/observed_value.h"

class VRX_beliefVector : public vovido::ObservedValue {
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
    [[nodiscard]] int CloneFrom(VRX_nodeValue& source) override;
    [[nodiscard]] int CopyFrom(VRX_nodeValue& source) override;
    [[nodiscard]] int RebuildFromDefinition() override;
    [[nodiscard]] int GetType() const override;
    [[nodiscard]] int GetSize() override;

    [[nodiscard]] int GetVirtualEvidence(VRX_doubleArray& out) override;
    // Weights of another count than the outcomes, NaN, infinite or negative, or all zero are refused
    // (kOutOfRange, logged naming the node) and the value keeps what it had. They stay beside an outcome
    // that other evidence forces; a finding of the node's own replaces them.
    [[nodiscard]] int SetVirtualEvidence(const VRX_doubleArray& weights) override;
    // After an edit of the outcomes: virtual evidence follows a reordering and is dropped (with the
    // network's notice) when its length no longer fits; evidence as the base keeps it; beliefs without
    // evidence follow a reordering and are otherwise reset, out of date.
    [[nodiscard]] int FollowOutcomeEdit(const vovido::OutcomeEdit& edit) override;

    int GetValue(VRX_Dmatrix*& out) override;
    [[nodiscard]] int SetValue(const VRX_Dmatrix& matrix) override;

    // Makes the beliefs certain of the outcome (1.0 there, 0.0 elsewhere) and marks them up to date;
    // kOutOfRange for an outcome outside the node's outcomes. Evidence bits are left to the caller.
    [[nodiscard]] int FixOutcome(int outcome) override;

    const VRX_Dmatrix& GetBeliefs() const { return beliefs; }
    bool HasVirtualEvidence() const { return virtualEvidence != nullptr; }

protected:
    std::unique_ptr<VRX_doubleArray> TakeVirtualEvidence() override;
    [[nodiscard]] int ClearVirtualEvidence() override;

    VRX_Dmatrix beliefs;
    std::unique_ptr<VRX_doubleArray> virtualEvidence;
};
