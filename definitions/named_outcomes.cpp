// Named outcomes of the discrete kinds: the edits shared by the CPT and the decision list.
#include "definitions/named_outcomes.h"

#include "base/int_array.h"
#include "base/string_array.h"
#include "definitions/definition_support.h"
#include "definitions/hybrid_definition.h"
#include "model/network.h"
#include "model/refusal_reasons.h"
#include "model/temporal_extension.h"

namespace vovido {

template <class Base>
void NamedOutcomes<Base>::CleanUp(int deep) {
    if (deep) outcomeIds.CleanUp(1);
    numOutcomes = 0;
    this->CheckValidity(0);
}

template <class Base>
void NamedOutcomes<Base>::CheckConsistency(int deep) {
    if (deep) outcomeIds.CheckConsistency(deep);
    this->SetFlag(VRX_object::kConsistent, outcomeIds.IsConsistent());
}

template <class Base>
int NamedOutcomes<Base>::CompleteOutcomes() {
    numOutcomes = outcomeIds.GetCount();
    while (numOutcomes < 2) {
        if (const int rc = outcomeIds.AddValidId(generatedStem_, numOutcomes)) return rc;
        ++numOutcomes;
    }
    this->CheckValidity(0);
    return kSuccess;
}

template <class Base>
int NamedOutcomes<Base>::CopyOutcomesFrom(VRX_nodeDefinition& source) {
    const VRX_idArray* names = source.GetOutcomesNames();
    if (names == nullptr) return kOutOfRange;
    outcomeIds = *names;
    numOutcomes = outcomeIds.GetCount();
    return kSuccess;
}

template <class Base>
int NamedOutcomes<Base>::AddOutcome(const char* name) {
    if (!this->IsValid()) return kObjectNotValid;
    if (!HoldsOutcomeData()) return kOutOfRange;
    if (const int rc = CheckTemporalTables()) return rc;
    if (outcomeIds.Add(name) != kSuccess) {
        if (const int rc = outcomeIds.AddValidId(generatedStem_, numOutcomes)) return rc;
    }
    if (const int rc = InsertOutcomeData(numOutcomes)) {
        (void)outcomeIds.Delete(outcomeIds.GetCount() - 1);  // undoes the add just made
        return rc;
    }
    ++numOutcomes;
    return FinishInsertion(numOutcomes - 1);
}

template <class Base>
int NamedOutcomes<Base>::InsertOutcome(int index, const char* name) {
    if (!this->IsValid()) return kObjectNotValid;
    if (!HoldsOutcomeData()) return kOutOfRange;
    const OutcomeRule broken = FindOutcomeInsertRuleBroken(numOutcomes, index);
    if (broken != OutcomeRule::kNone) return OutcomeRuleCode(broken);
    if (const int rc = CheckTemporalTables()) return rc;
    if (outcomeIds.Insert(index, name) != kSuccess) {
        if (const int rc = outcomeIds.InsertValidId(generatedStem_, numOutcomes, index)) return rc;
    }
    if (const int rc = InsertOutcomeData(index)) {
        (void)outcomeIds.Delete(index);  // undoes the insert just made
        return rc;
    }
    ++numOutcomes;
    return FinishInsertion(index);
}

template <class Base>
int NamedOutcomes<Base>::FinishInsertion(int index) {
    bool takenBack = false;
    const int rc = this->NotifyOutcomeInserted(index, takenBack);
    // Children that could not take the outcome took back what they had: so does the node.
    if (takenBack && RemoveOutcomeData(index) == kSuccess) {
        --numOutcomes;
        (void)outcomeIds.Delete(index);
        this->CheckValidity(0);
    }
    return rc;
}

template <class Base>
int NamedOutcomes<Base>::CheckTemporalTables() const {
    if (!this->IsAttachedToLiveNode()) return kSuccess;
    const VRX_temporalExtension* temporal = this->network->FindTemporalExtension();
    return temporal != nullptr ? temporal->CheckOutcomeInsert(this->handle) : kSuccess;
}

template <class Base>
int NamedOutcomes<Base>::RemoveOutcome(int index) {
    if (!this->IsValid()) return kObjectNotValid;
    const OutcomeRule broken = FindOutcomeRemovalRuleBroken(numOutcomes, index);
    if (broken != OutcomeRule::kNone) return OutcomeRuleCode(broken);
    if (!HoldsOutcomeData()) return kOutOfRange;
    if (const int rc = this->CheckChildrenTakeOutcomeRemoval(index)) return rc;
    if (const int rc = RemoveOutcomeData(index)) return rc;
    --numOutcomes;
    return this->NotifyOutcomeRemoved(index, outcomeIds);
}

template <class Base>
int NamedOutcomes<Base>::GetNumberOfOutcomes() {
    return numOutcomes;
}

template <class Base>
int NamedOutcomes<Base>::RenameOutcome(int index, const char* name) {
    if (!this->IsValid()) return kObjectNotValid;
    // The array's own test admits its spare slots past the items.
    if (index < 0 || index >= numOutcomes) return kOutOfRange;
    return outcomeIds.SetString(index, name);
}

template <class Base>
int NamedOutcomes<Base>::RenameOutcomes(const VRX_stringArray& names) {
    if (!this->IsValid() || !names.IsValid()) return kObjectNotValid;
    if (names.GetCount() < numOutcomes) return kOutOfRange;
    VRX_idArray renamed(outcomeIds.GetAllowEmpty());
    for (int i = 0; i < numOutcomes; ++i) {
        if (renamed.Add(names[i]) == kSuccess) continue;
        if (const int rc = renamed.AddValidId(names[i], -1)) return rc;
    }
    outcomeIds = renamed;
    this->CheckValidity(0);
    return kSuccess;
}

template <class Base>
VRX_idArray* NamedOutcomes<Base>::GetOutcomesNames() {
    return &outcomeIds;
}

template <class Base>
int NamedOutcomes<Base>::SetOutcomes(const VRX_stringArray& names) {
    if (DefinitionSupport::HasChildren(*this)) return kNodeHasChildren;
    if (!names.IsValid()) return kObjectNotValid;
    // Taken before the clean-up: the names may be this definition's own.
    VRX_idArray replacement;
    if (const int rc = replacement.Copy(names)) return rc;
    const int count = names.GetCount();
    this->CleanUp(1);
    replacement.CheckValidity(1);
    replacement.CheckConsistency(1);
    if (!replacement.IsConsistent() && replacement.RepairIds() != kSuccess) return SetNumberOfOutcomes(count);
    outcomeIds.Swap(replacement);
    numOutcomes = outcomeIds.GetCount();
    return FinishReplacement();
}

template <class Base>
int NamedOutcomes<Base>::SetNumberOfOutcomes(int count) {
    if (DefinitionSupport::HasChildren(*this)) return kNodeHasChildren;
    if (RefusesOutcomeCount(count)) return kOutOfRange;
    this->CleanUp(1);
    for (int i = 0; i < count; ++i) {
        if (const int rc = outcomeIds.AddValidId(generatedStem_, i)) return rc;
    }
    numOutcomes = outcomeIds.GetCount();
    return FinishReplacement();
}

template <class Base>
int NamedOutcomes<Base>::FinishReplacement() {
    if (const int rc = this->RebuildFromParents()) return rc;
    if (const int rc = DefinitionSupport::RebuildOutcomeDependents(*this)) return rc;
    DefinitionSupport::NotifyNetwork(*this, ChangeKind::kDefinitionReplaced);
    return kSuccess;
}

template <class Base>
int NamedOutcomes<Base>::ChangeOrderOfOutcomes(const VRX_intArray& order) {
    // Checked whole before anything moves, so a bad order leaves names and data in step.
    VRX_intArray permutation;
    if (const int rc = DefinitionSupport::ReadPermutation(order, numOutcomes, permutation)) return rc;
    if (const int rc = ReorderOutcomeData(permutation)) return rc;
    if (const int rc = outcomeIds.Permute(permutation)) return rc;
    return this->NotifyOutcomesReordered(permutation);
}

template class NamedOutcomes<VRX_nodeDefinition>;
template class NamedOutcomes<ParentTableDefinition>;
template class NamedOutcomes<VRX_defHybrid>;

}  // namespace vovido
