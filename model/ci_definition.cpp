// Causal-independence definition base: outcome editing and the cached table shared by its kinds.
#include "model/ci_definition.h"

#include <string>

#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node_label.h"
#include "model/refusal_reasons.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

using vovido::IsIndexingType;

VRX_ciDefinition::VRX_ciDefinition(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {
    VRX_ciDefinition::CheckValidity(0);
    VRX_ciDefinition::CheckConsistency(0);
}

VRX_ciDefinition::VRX_ciDefinition(const VRX_ciDefinition& source) : VRX_nodeDefinition(source) {
    VRX_ciDefinition::CheckValidity(0);
    VRX_ciDefinition::CheckConsistency(0);
}

VRX_ciDefinition::~VRX_ciDefinition() {
    cptCacheFlags = 0;
}

void VRX_ciDefinition::CleanUp(int deep) {
    if (deep) {
        outcomeIds.CleanUp(deep);
        cpt.CleanUp();
        ciWeights.CleanUp();
    }
    cptCacheFlags = 0;
    VRX_ciDefinition::CheckValidity(0);
}

void VRX_ciDefinition::CheckValidity(int deep) {
    if (deep) outcomeIds.CheckValidity(deep);
    SetFlag(kValid, outcomeIds.IsValid());
}

void VRX_ciDefinition::CheckConsistency(int deep) {
    if (deep) outcomeIds.CheckConsistency(deep);
    SetFlag(kConsistent, outcomeIds.IsConsistent());
}

VRX_Dmatrix* VRX_ciDefinition::CachedCpt() {
    // A failed computation (out of memory) leaves the table marked stale: the next use tries again.
    if (!(cptCacheFlags & CptCache::kCurrent)) (void)CalculateCpt();
    return &cpt;
}

int VRX_ciDefinition::MarkCptStale() {
    cptCacheFlags &= ~CptCache::kCurrent;
    return (cptCacheFlags & CptCache::kRecomputeAtOnce) ? CalculateCpt() : kSuccess;
}

int VRX_ciDefinition::GetSize() {
    const VRX_Dmatrix* table = GetCpt();
    return table != nullptr ? table->GetNumberOfElements() : 0;
}

int VRX_ciDefinition::RemoveInvalidParents() {
    // Only parents whose outcomes index the table: the kind refuses the others (cast, DeMorgan, utility).
    DefinitionSupport::RemoveParentsUnless(*this, &IsIndexingType);
    return kSuccess;
}

// ---- Outcomes ----

int VRX_ciDefinition::AddOutcome(const char* name) {
    return InsertOutcome(GetNumberOfOutcomes(), name);
}

int VRX_ciDefinition::InsertOutcome(int index, const char* name) {
    if (!IsValid()) return kObjectNotValid;
    const int n = outcomeIds.GetCount();
    const vovido::OutcomeRule broken = vovido::FindOutcomeInsertRuleBroken(n, index);
    if (broken != vovido::OutcomeRule::kNone) return vovido::OutcomeRuleCode(broken);
    if (outcomeIds.Insert(index, name) != kSuccess) {
        if (const int rc = outcomeIds.InsertValidId("State", n, index)) return rc;
    }
    int rc = ciWeights.AddItem(1);
    if (rc == kSuccess) {
        rc = ciWeights.ShiftItemsUp(1, index, 0.0);
        if (rc != kSuccess) (void)ciWeights.RemoveLastItem(1);  // undoes the add just made
    }
    if (rc != kSuccess) {
        // Identifiers and weights keep one outcome count: undoes the insert just made.
        (void)outcomeIds.Delete(index);
        return rc;
    }
    OutcomeColumnInserted(index);
    if (const int stale = MarkCptStale()) return stale;
    bool takenBack = false;
    const int notified = NotifyOutcomeInserted(index, takenBack);
    // Children that could not take the outcome took back what they had: so does the node.
    if (takenBack && ciWeights.ShiftItemsDown(1, index) == kSuccess &&
        ciWeights.RemoveLastItem(1) == kSuccess) {
        OutcomeColumnRemoved(index);
        (void)outcomeIds.Delete(index);
        (void)MarkCptStale();
        CheckValidity(0);
    }
    return notified;
}

int VRX_ciDefinition::RemoveOutcome(int index) {
    if (!IsValid()) return kObjectNotValid;
    const vovido::OutcomeRule broken = vovido::FindOutcomeRemovalRuleBroken(outcomeIds.GetCount(), index);
    if (broken != vovido::OutcomeRule::kNone) return vovido::OutcomeRuleCode(broken);
    if (const int rc = CheckChildrenTakeOutcomeRemoval(index)) return rc;
    if (const int rc = ciWeights.ShiftItemsDown(1, index)) return rc;
    if (const int rc = ciWeights.RemoveLastItem(1)) return rc;
    OutcomeColumnRemoved(index);
    // The identifier leaves in the notice; an immediate recompute before it would see one outcome more
    // than the weights have, fail, and leave the definition half edited.
    cptCacheFlags &= ~CptCache::kCurrent;
    if (const int rc = NotifyOutcomeRemoved(index, outcomeIds)) return rc;
    if ((cptCacheFlags & (CptCache::kRecomputeAtOnce | CptCache::kCurrent)) == CptCache::kRecomputeAtOnce)
        return CalculateCpt();
    return kSuccess;
}

int VRX_ciDefinition::GetNumberOfOutcomes() {
    return outcomeIds.GetCount();
}

int VRX_ciDefinition::RenameOutcome(int index, const char* name) {
    if (!IsValid()) return kObjectNotValid;
    if (index < 0 || index >= outcomeIds.GetCount()) return kOutOfRange;
    return outcomeIds.SetString(index, name);
}

int VRX_ciDefinition::RenameOutcomes(const VRX_stringArray& names) {
    if (names.GetCount() != outcomeIds.GetCount()) return kOutOfRange;
    // Built aside and repaired as a whole, so that swapping two names is not refused half-way.
    VRX_idArray renamed;
    if (const int rc = renamed.VRX_stringArray::Copy(names)) return rc;
    if (const int rc = renamed.RepairIds()) return rc;
    if (const int rc = outcomeIds.Copy(renamed)) return rc;
    CheckValidity(0);
    return kSuccess;
}

VRX_idArray* VRX_ciDefinition::GetOutcomesNames() {
    return &outcomeIds;
}

int VRX_ciDefinition::SetOutcomes(const VRX_stringArray& names) {
    if (DefinitionSupport::HasChildren(*this)) return kNodeHasChildren;
    if (!names.IsValid() || !names.IsConsistent()) return kObjectNotValid;
    if (const int rc = SetNumberOfOutcomes(names.GetCount())) return rc;
    return RenameOutcomes(names);
}

int VRX_ciDefinition::SetNumberOfOutcomes(int count) {
    if (DefinitionSupport::HasChildren(*this)) return kNodeHasChildren;
    if (count < 2) return kOutOfRange;
    CleanUp(1);
    for (int i = 0; i < count; ++i) {
        if (const int rc = outcomeIds.AddValidId("State", i)) return rc;
    }
    int result = RebuildFromParents();
    const int dependents = DefinitionSupport::RebuildOutcomeDependents(*this);
    if (result == kSuccess) result = dependents;
    if (result != kSuccess) return result;
    DefinitionSupport::NotifyNetwork(*this, ChangeKind::kDefinitionReplaced);
    return kSuccess;
}

// ---- Parameters ----

int VRX_ciDefinition::UpdateCpt() {
    if (cptCacheFlags & CptCache::kCurrent) return kSuccess;
    const int rc = CalculateCpt();
    if (rc == kSuccess || !IsAttachedToLiveNode()) return rc;
    if (rc == kOutOfMemory) {
        return DefinitionSupport::RefuseTable(
            network, handle, DefinitionSupport::TableCellsWithParents(*network, handle, nullptr, 0));
    }
    const std::string text = "ERROR: Node [" + vovido::NodeLabel(*network, handle) +
                             "] : its table cannot be computed from its parameters";
    return LogError(errorLog, rc, text.c_str(), nullptr);
}

int VRX_ciDefinition::GetDefinitionDoubles(VRX_doubleArray*& out) {
    const int rc = UpdateCpt();
    out = &cpt.GetItems();
    return rc;
}

int VRX_ciDefinition::GetDefinition(VRX_Dmatrix*& out) {
    const int rc = UpdateCpt();
    out = &cpt;
    return rc;
}

int VRX_ciDefinition::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* other = dynamic_cast<VRX_ciDefinition*>(&target);
    if (other == nullptr) return kOutOfRange;
    if (other == this) return kSuccess;
    other->cptCacheFlags = cptCacheFlags;
    if (const int rc = other->ciWeights.Copy(ciWeights)) return rc;
    return other->cpt.Copy(cpt);
}

// ---- Temporal weights ----

VRX_ciDefinition* VRX_ciDefinition::FindTemporalCiDefinition(int order) {
    return dynamic_cast<VRX_ciDefinition*>(FindTemporalDefinition(order));
}

VRX_Dmatrix* VRX_ciDefinition::GetTemporalCiWeights(int order) {
    VRX_ciDefinition* temporal = FindTemporalCiDefinition(order);
    return temporal != nullptr ? &temporal->ciWeights : nullptr;
}

int VRX_ciDefinition::SetTemporalCiWeights(int order, const VRX_Dmatrix& matrix) {
    if (network == nullptr || !network->IsLiveHandle(handle) ||
        network->GetTemporalType(handle) != TemporalType::kPlate) {
        return kWrongNodeType;
    }
    VRX_ciDefinition* temporal = FindTemporalCiDefinition(order);
    if (temporal == nullptr) return kOutOfRange;
    if (!temporal->ciWeights.HasSameDimensions(matrix)) return kInvalidData;
    const std::string what = "temporal parameters of order " + std::to_string(order);
    if (const int rc = vovido::DefinitionSupport::RefuseNonProbabilities(
            network, handle, what.c_str(), matrix.GetData(), matrix.GetNumberOfElements()))
        return rc;
    if (const int rc = temporal->ciWeights.Copy(matrix)) return rc;
    temporal->cptCacheFlags &= ~CptCache::kCurrent;
    if (temporal->cptCacheFlags & CptCache::kRecomputeAtOnce) return temporal->CalculateCpt();
    return kSuccess;
}

// ---- Cumulative form ----

void VRX_ciDefinition::ConvertRuns(VRX_Dmatrix& matrix, int runs, int n, bool toCumulative) {
    if (n < 1) return;
    // Never past the table, whatever its first dimension claims.
    const int available = matrix.GetNumberOfElements() / n;
    if (runs > available) runs = available;
    for (int r = 0; r < runs; ++r) {
        double* run = matrix.GetData() + static_cast<long long>(r) * n;
        if (toCumulative) {
            for (int k = n - 2; k >= 0; --k) {
                const double sum = run[k] + run[k + 1];
                run[k] = sum < 0.0 ? 0.0 : sum;
            }
        } else {
            for (int k = 0; k < n - 1; ++k) {
                const double difference = run[k] - run[k + 1];
                run[k] = difference < 0.0 ? 0.0 : difference;
            }
        }
    }
}

void VRX_ciDefinition::ConvertToCumulative(VRX_Dmatrix& matrix) {
    if (matrix.GetNumberOfDimensions() < 1) return;
    ConvertRuns(matrix, matrix.GetSizeOfDimension(0), GetNumberOfOutcomes(), true);
}

void VRX_ciDefinition::ConvertFromCumulative(VRX_Dmatrix& matrix) {
    if (matrix.GetNumberOfDimensions() < 1) return;
    ConvertRuns(matrix, matrix.GetSizeOfDimension(0), GetNumberOfOutcomes(), false);
}

void VRX_ciDefinition::ConvertFromCumulativeByItemCount(VRX_Dmatrix& matrix) {
    const int n = GetNumberOfOutcomes();
    if (n < 1) return;
    ConvertRuns(matrix, matrix.GetNumberOfElements() / n, n, false);
}
