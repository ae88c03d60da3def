#pragma once
// Base of the values of the discrete nodes that take an observed outcome as evidence (belief vector,
// list of decisions): the evidence protocol with its network notices. Evidence is observed by the
// user (bit 0) or fixed by propagation (bit 2); a kind may also take virtual evidence (bit 4).

#include <memory>

#include "base/double_array.h"
#include "base/status_codes.h"
#include "model/node_value.h"

namespace vovido {

class ObservedValue : public VRX_nodeValue {
public:
    // The fixed outcome; kOutOfRange without evidence.
    [[nodiscard]] int GetEvidence() override;
    // A refused outcome (out of range, or contradicting a propagated one) leaves the old evidence set.
    // When the network refuses the new evidence it is taken back and what the node held before the
    // call is restored; the network's answer is returned.
    [[nodiscard]] int SetEvidence(int outcome) override;
    // Observed evidence, else the kind's virtual evidence; kOutOfRange when there is neither.
    [[nodiscard]] int ClearEvidence() override;
    [[nodiscard]] int ClearPropagatedEvidence() override;
    // kOutOfRange while the node holds evidence of either kind or for an outcome out of range; virtual
    // evidence stays, weighing the outcome.
    [[nodiscard]] int SetPropagatedEvidence(int outcome) override;
    // The fixed outcome keeps its meaning under its new index; when it is gone, observed evidence is
    // cleared (with the network's notice) and propagated evidence dropped for the network to find again.
    [[nodiscard]] int FollowOutcomeEdit(const vovido::OutcomeEdit& edit) override;

protected:
    ObservedValue(int handle, VRX_network* network);
    explicit ObservedValue(const VRX_nodeValue& source);

    static constexpr uint32_t kFixed = ValueFlags::kEvidence | ValueFlags::kPropagatedEvidence;

    // The node's number of outcomes from its definition; kOutOfRange when there is none.
    int NumberOfOutcomes() const;
    // Puts back the evidence a refused SetEvidence took away.
    void RestoreEvidence(int previous);
    // Records the outcome and marks the value up to date; kOutOfRange for an outcome outside the node's
    // outcomes. Evidence bits are left to the caller.
    [[nodiscard]] virtual int FixOutcome(int outcome) = 0;
    // The kind's virtual evidence, handed over and dropped (bit 4 cleared) without notice; null when it
    // has none.
    virtual std::unique_ptr<VRX_doubleArray> TakeVirtualEvidence() { return nullptr; }
    // Drops the virtual evidence and tells the network; kOutOfRange when there is none.
    [[nodiscard]] virtual int ClearVirtualEvidence() { return kOutOfRange; }

    int evidence = 0;
};

}  // namespace vovido
