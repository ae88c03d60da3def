// The evidence protocol shared by the values of discrete nodes.
#include "definitions/observed_value.h"

#include "definitions/definition_support.h"
#include "model/network.h"

namespace vovido {

ObservedValue::ObservedValue(int nodeHandle, VRX_network* net) : VRX_nodeValue(nodeHandle, net) {}

ObservedValue::ObservedValue(const VRX_nodeValue& source) : VRX_nodeValue(source) {}

int ObservedValue::NumberOfOutcomes() const {
    return DefinitionSupport::OutcomeCountOf(network, handle);
}

int ObservedValue::GetEvidence() {
    return (GetValueFlags() & kFixed) != 0 ? evidence : kOutOfRange;
}

int ObservedValue::SetEvidence(int outcome) {
    // Everything that can refuse the new outcome is checked before the old evidence goes.
    const int n = NumberOfOutcomes();
    if (n < 0 || outcome < 0 || outcome >= n) return kOutOfRange;
    if (HasFlag(ValueFlags::kPropagatedEvidence) && !HasFlag(ValueFlags::kEvidence) && evidence != outcome) {
        return kOutOfRange;
    }
    int previous = -1;
    if (HasFlag(ValueFlags::kEvidence)) {
        previous = evidence;
        (void)ClearEvidence();  // evidence is set: clearing cannot fail
    }
    // Clearing re-propagates, which may have fixed another outcome of this node.
    if ((GetValueFlags() & kFixed) != 0 && evidence != outcome) {
        if (previous >= 0) RestoreEvidence(previous);
        return kOutOfRange;
    }
    std::unique_ptr<VRX_doubleArray> previousWeights;
    if (HasFlag(ValueFlags::kVirtualEvidence)) previousWeights = TakeVirtualEvidence();
    if (const int rc = FixOutcome(outcome)) return rc;
    RemoveValueFlags(ValueFlags::kPropagatedEvidence);
    AddValueFlags(ValueFlags::kEvidence);

    const int answer = network != nullptr ? network->NotifyEvidenceSet(handle) : kSuccess;
    if (answer == kSuccess) return kSuccess;
    // The network found the outcome impossible or conflicting: what was there before comes back, and it
    // fitted a moment ago.
    (void)ClearEvidence();
    if (previous >= 0) {
        RestoreEvidence(previous);
    } else if (previousWeights != nullptr) {
        (void)SetVirtualEvidence(*previousWeights);
    }
    return answer;
}

void ObservedValue::RestoreEvidence(int previous) {
    // What was there a moment ago fits again, unless it was taken while propagation was off or partial:
    // then it comes back as it was, and the network re-propagates around it.
    if (SetEvidence(previous) == kSuccess || HasFlag(ValueFlags::kEvidence)) return;
    if (FixOutcome(previous) != kSuccess) return;
    RemoveValueFlags(ValueFlags::kPropagatedEvidence);
    AddValueFlags(ValueFlags::kEvidence);
    if (network != nullptr) (void)network->RepropagateEvidence(handle);
}

int ObservedValue::ClearEvidence() {
    if (!HasFlag(ValueFlags::kEvidence)) return ClearVirtualEvidence();
    RemoveValueFlags(ValueFlags::kEvidence | ValueFlags::kUpToDate | ValueFlags::kCutOff);
    if (network != nullptr) network->NotifyEvidenceCleared(handle);
    return kSuccess;
}

int ObservedValue::FollowOutcomeEdit(const vovido::OutcomeEdit& edit) {
    if ((GetValueFlags() & kFixed) == 0) return kSuccess;
    const int moved = vovido::OutcomeAfterEdit(edit, evidence, NumberOfOutcomes());
    if (moved < 0) return HasFlag(ValueFlags::kEvidence) ? ClearEvidence() : ClearPropagatedEvidence();
    return FixOutcome(moved);
}

int ObservedValue::ClearPropagatedEvidence() {
    if (!HasFlag(ValueFlags::kPropagatedEvidence)) return kOutOfRange;
    RemoveValueFlags(ValueFlags::kPropagatedEvidence | ValueFlags::kUpToDate);
    return kSuccess;
}

int ObservedValue::SetPropagatedEvidence(int outcome) {
    if ((GetValueFlags() & kFixed) != 0) return kOutOfRange;
    const int n = NumberOfOutcomes();
    if (n < 0 || outcome < 0 || outcome >= n) return kOutOfRange;
    // The caller's likelihoods stay: the outcome that other evidence forces is weighed by them as when they
    // come after it (a weight of zero makes the evidence impossible), and they hold again once it goes.
    if (const int rc = FixOutcome(outcome)) return rc;
    AddValueFlags(ValueFlags::kPropagatedEvidence);
    return kSuccess;
}

}  // namespace vovido
