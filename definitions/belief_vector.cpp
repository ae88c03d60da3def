// Belief vector: beliefs of a discrete node and the evidence protocol with its network notices.
#include "definitions/belief_vector.h"

#include <cmath>

#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/status_codes.h"

namespace {

constexpr uint32_t kFixedOutcome = ValueFlags::kEvidence | ValueFlags::kPropagatedEvidence;

}  // namespace

VRX_beliefVector::VRX_beliefVector(int nodeHandle, VRX_network* net) : VRX_nodeValue(nodeHandle, net) {
    const int n = NumberOfOutcomes();
    if (n >= 1 && beliefs.AddDimension(n) == kSuccess) beliefs.FillWith(0.0);
}

VRX_beliefVector::VRX_beliefVector(VRX_nodeValue& source) : VRX_nodeValue(source) {
    CopyFrom(source);
}

// CopyFrom only reads its source, so the const copy goes the same way.
VRX_beliefVector::VRX_beliefVector(const VRX_beliefVector& source) : VRX_nodeValue(source) {
    CopyFrom(const_cast<VRX_beliefVector&>(source));
}

VRX_beliefVector::~VRX_beliefVector() = default;

int VRX_beliefVector::NumberOfOutcomes() const {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kOutOfRange;
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    if (definition == nullptr) return kOutOfRange;
    const int n = definition->GetNumberOfOutcomes();
    return n >= 0 ? n : kOutOfRange;
}

void VRX_beliefVector::DropVirtualEvidence() {
    virtualEvidence.reset();
    valueFlags &= ~ValueFlags::kVirtualEvidence;
}

int VRX_beliefVector::MatchWeightCount(const VRX_doubleArray& weights, int n) {
    return weights.GetCount() == n || weights.GetSize() == n ? n : kOutOfRange;
}

void VRX_beliefVector::CleanUp(int deep) {
    if (deep) beliefs.CleanUp();
    evidence = 0;
    virtualEvidence.reset();
    // The base clears every value flag, bit 4 with them, and re-checks validity.
    VRX_nodeValue::CleanUp(deep);
}

int VRX_beliefVector::CloneFrom(VRX_nodeValue& source) {
    return CopyFrom(source);
}

int VRX_beliefVector::GetType() const {
    return ValueType::kBeliefVector;
}

int VRX_beliefVector::GetSize() {
    return beliefs.GetNumberOfElements();
}

int VRX_beliefVector::GetValue(VRX_Dmatrix*& out) {
    out = &beliefs;
    return kSuccess;
}

int VRX_beliefVector::SetValue(const VRX_Dmatrix& matrix) {
    return beliefs.Copy(matrix);
}

int VRX_beliefVector::RebuildFromDefinition() {
    std::unique_ptr<VRX_doubleArray> kept = std::move(virtualEvidence);
    CleanUp(1);
    const int n = NumberOfOutcomes();
    if (n >= 1) {
        if (const int rc = beliefs.AddDimension(n)) return rc;
        beliefs.FillWith(0.0);
    }
    // Weights of another length no longer fit the outcomes and are dropped.
    if (kept != nullptr) SetVirtualEvidence(*kept);
    CheckValidity(0);
    return kSuccess;
}

int VRX_beliefVector::FixOutcome(int outcome) {
    const int n = NumberOfOutcomes();
    if (n < 0 || outcome < 0 || outcome >= n) return kOutOfRange;
    if (beliefs.GetNumberOfDimensions() != 1 || beliefs.GetNumberOfElements() != n) {
        // The rebuild clears the flags; the evidence bits belong to the caller and survive it.
        const uint32_t fixed = valueFlags & kFixedOutcome;
        if (const int rc = RebuildFromDefinition()) return rc;
        valueFlags |= fixed;
    }
    valueFlags |= ValueFlags::kUpToDate;
    evidence = outcome;
    beliefs.FillWith(0.0);
    beliefs[outcome] = 1.0;
    return kSuccess;
}

int VRX_beliefVector::GetEvidence() {
    return (valueFlags & kFixedOutcome) != 0 ? evidence : kOutOfRange;
}

int VRX_beliefVector::SetEvidence(int outcome) {
    // Everything that can refuse the new outcome is checked before the old evidence goes.
    const int n = NumberOfOutcomes();
    if (n < 0 || outcome < 0 || outcome >= n) return kOutOfRange;
    if (HasFlag(ValueFlags::kPropagatedEvidence) && !HasFlag(ValueFlags::kEvidence) && evidence != outcome) {
        return kOutOfRange;
    }
    int previous = -1;
    std::unique_ptr<VRX_doubleArray> previousWeights;
    if (HasFlag(ValueFlags::kEvidence)) {
        previous = evidence;
        ClearEvidence();
    }
    // Clearing re-propagates, which may have fixed another outcome of this node.
    if ((valueFlags & kFixedOutcome) != 0 && evidence != outcome) {
        if (previous >= 0) SetEvidence(previous);
        return kOutOfRange;
    }
    if (HasFlag(ValueFlags::kVirtualEvidence)) {
        previousWeights = std::move(virtualEvidence);
        DropVirtualEvidence();
    }
    if (const int rc = FixOutcome(outcome)) return rc;
    valueFlags &= ~ValueFlags::kPropagatedEvidence;
    valueFlags |= ValueFlags::kEvidence;

    const int answer = network != nullptr ? network->NotifyEvidenceSet(handle) : kSuccess;
    if (answer == kSuccess) return kSuccess;
    // The network found the outcome impossible or conflicting: take it back and restore what the node
    // held before the call.
    ClearEvidence();
    if (previous >= 0) {
        SetEvidence(previous);
    } else if (previousWeights != nullptr) {
        SetVirtualEvidence(*previousWeights);
    }
    return answer;
}

int VRX_beliefVector::ClearEvidence() {
    if (HasFlag(ValueFlags::kEvidence)) {
        valueFlags &= ~(ValueFlags::kEvidence | ValueFlags::kUpToDate | ValueFlags::kCutOff);
        if (network != nullptr) network->NotifyEvidenceCleared(handle);
        return kSuccess;
    }
    if (HasFlag(ValueFlags::kVirtualEvidence)) {
        DropVirtualEvidence();
        if (network != nullptr) network->NotifyValuesChanged();
        return kSuccess;
    }
    return kOutOfRange;
}

int VRX_beliefVector::ClearPropagatedEvidence() {
    if (!HasFlag(ValueFlags::kPropagatedEvidence)) return kOutOfRange;
    valueFlags &= ~(ValueFlags::kPropagatedEvidence | ValueFlags::kUpToDate);
    return kSuccess;
}

int VRX_beliefVector::SetPropagatedEvidence(int outcome) {
    if ((valueFlags & kFixedOutcome) != 0) return kOutOfRange;
    const int n = NumberOfOutcomes();
    if (n < 0 || outcome < 0 || outcome >= n) return kOutOfRange;
    DropVirtualEvidence();
    if (const int rc = FixOutcome(outcome)) return rc;
    valueFlags |= ValueFlags::kPropagatedEvidence;
    return kSuccess;
}

int VRX_beliefVector::GetVirtualEvidence(VRX_doubleArray& out) {
    if (!HasFlag(ValueFlags::kVirtualEvidence) || virtualEvidence == nullptr) return kOutOfRange;
    return out.Copy(*virtualEvidence);
}

int VRX_beliefVector::SetVirtualEvidence(const VRX_doubleArray& weights) {
    const int n = NumberOfOutcomes();
    if (n < 0 || MatchWeightCount(weights, n) < 0) return kOutOfRange;
    // Weights must be finite and non-negative with a positive sum: anything else has no likelihood
    // reading and would poison every belief downstream.
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        if (!(weights[i] >= 0.0) || !std::isfinite(weights[i])) return kOutOfRange;
        sum += weights[i];
    }
    if (!(sum > 0.0) || !std::isfinite(sum)) return kOutOfRange;

    auto stored = std::make_unique<VRX_doubleArray>();
    if (const int rc = stored->SetSize(n)) return rc;
    stored->SetCount(n);
    const bool rescale = std::fabs(sum - 1.0) > kWeightTolerance;
    for (int i = 0; i < n; ++i) (*stored)[i] = rescale ? weights[i] / sum : weights[i];

    // With only propagated evidence this answers -2 and the propagated outcome stays.
    if ((valueFlags & kFixedOutcome) != 0) ClearEvidence();
    virtualEvidence = std::move(stored);
    valueFlags |= ValueFlags::kVirtualEvidence;
    return network != nullptr ? network->NotifyValuesChanged() : kSuccess;
}

int VRX_beliefVector::CopyFrom(VRX_nodeValue& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = CopyBaseFrom(source)) return rc;
    const int observed = source.GetEvidence();

    auto* other = dynamic_cast<VRX_beliefVector*>(&source);
    if (other == nullptr) {
        RebuildFromDefinition();
        if (observed >= 0) SetEvidence(observed);
    } else {
        // The weights arrive through SetVirtualEvidence below, if at all.
        valueFlags &= ~ValueFlags::kVirtualEvidence;
        if (const int rc = beliefs.Copy(other->beliefs)) return rc;
        if (observed >= 0) {
            evidence = observed;
            if (HasFlag(ValueFlags::kEvidence)) {
                SetEvidence(observed);
            } else if (FixOutcome(observed) != kSuccess) {
                // Propagated evidence keeps its bit and sends no notice, unless it does not fit here.
                valueFlags &= ~kFixedOutcome;
            }
        } else if (other->virtualEvidence != nullptr) {
            SetVirtualEvidence(*other->virtualEvidence);
        }
    }
    CheckValidity(1);
    CheckConsistency(1);
    return kSuccess;
}
