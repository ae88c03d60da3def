// Belief vector: beliefs of a discrete node and the evidence protocol with its network notices.
#include "definitions/belief_vector.h"

#include <cmath>
#include <string>

#include "base/error_log.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node_label.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

using vovido::ObservedValue;

VRX_beliefVector::VRX_beliefVector(int nodeHandle, VRX_network* net) : ObservedValue(nodeHandle, net) {
    const int n = NumberOfOutcomes();
    if (n >= 1 && beliefs.AddDimension(n) == kSuccess) beliefs.FillWith(0.0);
}

VRX_beliefVector::VRX_beliefVector(VRX_nodeValue& source) : ObservedValue(source) {
    (void)CopyFrom(source);  // out of memory leaves the value empty
}

// CopyFrom only reads its source, so the const copy goes the same way.
VRX_beliefVector::VRX_beliefVector(const VRX_beliefVector& source) : ObservedValue(source) {
    (void)CopyFrom(const_cast<VRX_beliefVector&>(source));  // out of memory leaves the value empty
}

VRX_beliefVector::~VRX_beliefVector() = default;

std::unique_ptr<VRX_doubleArray> VRX_beliefVector::TakeVirtualEvidence() {
    RemoveValueFlags(ValueFlags::kVirtualEvidence);
    return std::move(virtualEvidence);
}

int VRX_beliefVector::ClearVirtualEvidence() {
    if (!HasFlag(ValueFlags::kVirtualEvidence)) return kOutOfRange;
    TakeVirtualEvidence();
    if (network != nullptr) network->NotifyValuesChanged();
    return kSuccess;
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
    // Weights of another length no longer fit the outcomes and are dropped, without a word: the caller
    // tells what its change dropped.
    if (kept != nullptr && DefinitionSupport::MatchEntryCount(*kept, n) >= 0) (void)SetVirtualEvidence(*kept);
    CheckValidity(0);
    return kSuccess;
}

int VRX_beliefVector::FixOutcome(int outcome) {
    const int n = NumberOfOutcomes();
    if (n < 0 || outcome < 0 || outcome >= n) return kOutOfRange;
    if (beliefs.GetNumberOfDimensions() != 1 || beliefs.GetNumberOfElements() != n) {
        // The rebuild clears the flags; the evidence bits belong to the caller and survive it.
        const uint32_t fixed = GetValueFlags() & kFixed;
        if (const int rc = RebuildFromDefinition()) return rc;
        AddValueFlags(fixed);
    }
    AddUpToDateForEvidence();
    evidence = outcome;
    beliefs.FillWith(0.0);
    beliefs[outcome] = 1.0;
    return kSuccess;
}

int VRX_beliefVector::FollowOutcomeEdit(const vovido::OutcomeEdit& edit) {
    using vovido::OutcomeEdit;
    const int n = NumberOfOutcomes();
    if (n < 0) return kSuccess;
    // Weights that no longer fit the outcomes would leave some outcome a likelihood nobody gave it.
    if (HasFlag(ValueFlags::kVirtualEvidence) && virtualEvidence != nullptr) {
        if (edit.kind == OutcomeEdit::kReordered && edit.order != nullptr &&
            virtualEvidence->GetCount() == n) {
            if (const int rc = virtualEvidence->Permute(*edit.order)) return rc;
        } else if (virtualEvidence->GetCount() != n) {
            if (const int rc = ClearVirtualEvidence()) return rc;
        }
    }
    if ((GetValueFlags() & kFixed) != 0) return ObservedValue::FollowOutcomeEdit(edit);
    if (beliefs.GetNumberOfDimensions() != 1) return kSuccess;
    const int size = beliefs.GetNumberOfElements();
    if (edit.kind == OutcomeEdit::kReordered && edit.order != nullptr && size == n) {
        return beliefs.ReorderItems(0, *edit.order);
    }
    if (size == n) return kSuccess;
    // Zero beliefs stay zero wherever the outcome went: one item more or less at the end, in the room the
    // table keeps, is all that changes, so that a run of outcome edits costs what it edits.
    const bool resized = edit.kind == OutcomeEdit::kInserted || edit.kind == OutcomeEdit::kRemoved;
    if (resized && beliefs.HoldsOnlyZeros() && n >= 1 && (size == n - 1 || size == n + 1)) {
        const int rc = size < n ? beliefs.AddItem(0) : beliefs.RemoveLastItem(0);
        if (rc != kSuccess) return rc;
        RemoveValueFlags(ValueFlags::kUpToDate);
        return kSuccess;
    }
    beliefs.CleanUp();
    if (n >= 1) {
        if (const int rc = beliefs.AddDimension(n)) return rc;
        beliefs.FillWith(0.0);
    }
    RemoveValueFlags(ValueFlags::kUpToDate);
    return kSuccess;
}

int VRX_beliefVector::GetVirtualEvidence(VRX_doubleArray& out) {
    if (!HasFlag(ValueFlags::kVirtualEvidence) || virtualEvidence == nullptr) return kOutOfRange;
    return out.Copy(*virtualEvidence);
}

namespace {

// Weights that are no likelihoods, refused naming the node.
int RefuseLikelihoods(const VRX_nodeValue& value, const std::string& why) {
    const VRX_network* network = value.GetNetwork();
    const std::string id =
        network != nullptr ? vovido::NodeLabel(*network, value.GetHandle()) : std::string();
    return LogError(errorLog, kOutOfRange, ("ERROR: Node [" + id + "] : " + why).c_str(), nullptr);
}

}  // namespace

int VRX_beliefVector::SetVirtualEvidence(const VRX_doubleArray& weights) {
    const int n = NumberOfOutcomes();
    if (n < 0) return kOutOfRange;
    const int given = DefinitionSupport::GivenCount(weights);
    if (given != n)
        return RefuseLikelihoods(
            *this, std::to_string(given) + " likelihoods given for its " + std::to_string(n) + " outcomes");
    // Weights must be finite and non-negative with a positive sum: anything else has no likelihood
    // reading and would poison every belief downstream.
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        if (!(weights[i] >= 0.0) || !std::isfinite(weights[i])) {
            std::string text;
            (void)FormatDouble(weights[i], text);
            return RefuseLikelihoods(*this, "likelihood " + std::to_string(i) + " is " + text +
                                                ", not a finite number of at least 0");
        }
        sum += weights[i];
    }
    if (!(sum > 0.0))
        return RefuseLikelihoods(*this,
                                 "its likelihoods are all zero, so no outcome could give the evidence");
    if (!std::isfinite(sum)) return RefuseLikelihoods(*this, "its likelihoods sum past the largest number");

    auto stored = std::make_unique<VRX_doubleArray>();
    if (const int rc = stored->SetSize(n)) return rc;
    stored->SetCount(n);
    const bool rescale = std::fabs(sum - 1.0) > kWeightTolerance;
    for (int i = 0; i < n; ++i) (*stored)[i] = rescale ? weights[i] / sum : weights[i];

    // With only propagated evidence this answers kOutOfRange and the propagated outcome stays.
    if ((GetValueFlags() & kFixed) != 0) (void)ClearEvidence();
    virtualEvidence = std::move(stored);
    AddValueFlags(ValueFlags::kVirtualEvidence);
    if (network == nullptr) return kSuccess;
    network->NoteEvidenceHolder(GetHandle());
    return network->NotifyValuesChanged();
}

int VRX_beliefVector::CopyFrom(VRX_nodeValue& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = CopyBaseFrom(source)) return rc;
    const int observed = source.GetEvidence();

    auto* other = dynamic_cast<VRX_beliefVector*>(&source);
    if (other == nullptr) {
        if (const int rc = RebuildFromDefinition()) return rc;
        // Evidence that does not fit this kind of value is not taken over.
        if (observed >= 0) (void)SetEvidence(observed);
    } else {
        // The weights arrive through SetVirtualEvidence below, if at all.
        RemoveValueFlags(ValueFlags::kVirtualEvidence);
        if (const int rc = beliefs.Copy(other->beliefs)) return rc;
        if (observed >= 0) {
            evidence = observed;
            if (HasFlag(ValueFlags::kEvidence)) {
                (void)SetEvidence(observed);  // evidence the network refuses is not taken over
            } else if (FixOutcome(observed) != kSuccess) {
                // Propagated evidence keeps its bit and sends no notice, unless it does not fit here.
                RemoveValueFlags(kFixed);
            }
        }
        // Likelihoods stay beside an outcome other evidence forces.
        if (other->virtualEvidence != nullptr && !HasFlag(ValueFlags::kEvidence) &&
            DefinitionSupport::MatchEntryCount(*other->virtualEvidence, NumberOfOutcomes()) >= 0) {
            if (const int rc = SetVirtualEvidence(*other->virtualEvidence)) return rc;
        }
    }
    CheckValidity(1);
    CheckConsistency(1);
    return kSuccess;
}
