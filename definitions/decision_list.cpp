// Decision list: choice editing, the parent checks of a decision node and conversions from other kinds.
#include "definitions/decision_list.h"

#include "definitions/node_cost.h"
#include "model/error_log.h"
#include "model/extra_definition.h"
#include "model/int_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/status_codes.h"
#include "model/string_array.h"

namespace {

constexpr const char* kGeneratedChoice = "Choice";

// The caller's order as exactly m items; -2 unless it is a permutation of 0..m-1.
int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out) {
    if (order.GetCount() != m && order.GetSize() != m) return kOutOfRange;
    if (m > order.GetSize()) return kOutOfRange;
    if (const int rc = out.FlushAndReserve(m)) return rc;
    for (int i = 0; i < m; ++i) out.Add(order[i]);
    return out.CheckPermutation(m);
}

}  // namespace

VRX_list::VRX_list(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {
    RebuildFromParents();
    CheckValidity(1);
    CheckConsistency(1);
}

VRX_list::VRX_list(VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {
    CopyFrom(source);
}

// CopyFrom only reads a list source, so the const copy goes the same way as a conversion.
VRX_list::VRX_list(const VRX_list& source) : VRX_nodeDefinition(source) {
    CopyFrom(const_cast<VRX_list&>(source));
}

VRX_list::~VRX_list() = default;

void VRX_list::CleanUp(int deep) {
    if (deep) {
        choiceIds.CleanUp(1);
        choiceValues.CleanUp();
    }
    numChoices = 0;
    CheckValidity(0);
}

void VRX_list::CheckValidity(int deep) {
    if (deep) choiceIds.CheckValidity(deep);
    SetFlag(kValid, choiceIds.IsValid());
}

void VRX_list::CheckConsistency(int deep) {
    if (deep) choiceIds.CheckConsistency(deep);
    SetFlag(kConsistent, choiceIds.IsConsistent());
}

int VRX_list::GetType() const {
    return DefinitionType::kList;
}

const char* VRX_list::GetTypeName() const {
    return "LIST";
}

// ---------------------------------------------------------------------------------------------------
// Helpers

bool VRX_list::IsAttached() const {
    return network != nullptr && network->IsLiveHandle(handle);
}

bool VRX_list::HasChildren() const {
    return IsAttached() && network->GetChildren(handle).GetCount() > 0;
}

int VRX_list::NotifyNetwork(int code) {
    return network != nullptr ? network->NotifyChange(handle, code) : kSuccess;
}

int VRX_list::AddGeneratedChoice() {
    if (const int rc = choiceIds.AddValidId(kGeneratedChoice, numChoices)) return rc;
    ++numChoices;
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_list::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (network == nullptr || !network->IsLiveHandle(parent)) return kOutOfRange;
    return IsIndexingType(network->GetNodeType(parent)) ? kSuccess : kOutOfRange;
}

int VRX_list::RemoveParent(int /*parent*/) {
    return kSuccess;
}

int VRX_list::InsertParentOutcome(int /*parent*/, int /*index*/) {
    return kSuccess;
}

int VRX_list::RemoveParentOutcome(int /*parent*/, int /*index*/) {
    return kSuccess;
}

int VRX_list::ReorderParentOutcomes(int /*parent*/, const VRX_intArray& /*order*/) {
    return kSuccess;
}

int VRX_list::RemoveInvalidParents() {
    if (!IsAttached()) return kSuccess;
    // A copy: every removal edits the list being walked.
    const VRX_intArray parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (!IsIndexingType(network->GetNodeType(parents[i]))) network->RemoveArc(parents[i], handle);
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Whole list

int VRX_list::GetSize() {
    return numChoices;
}

int VRX_list::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_list::RebuildFromParents() {
    numChoices = choiceIds.GetCount();
    while (numChoices < 2) {
        if (const int rc = AddGeneratedChoice()) return rc;
    }
    CheckValidity(0);
    if (!IsAttached()) return kSuccess;
    const VRX_intArray& parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (const int rc = AddParent(parents[i]))
            LogError(errorLog, rc, "Parent could not be added", nullptr);
    }
    return kSuccess;
}

int VRX_list::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;

    int rc = kSuccess;
    switch (source.GetType()) {
        case DefinitionType::kNone:
        case DefinitionType::kEquation:
        case DefinitionType::kEquationScc:
            break;
        case DefinitionType::kTable:
            // The emptied list is raised to the two generated choices.
            rc = RebuildFromParents();
            break;
        case DefinitionType::kList: {
            const VRX_idArray* names = source.GetOutcomesNames();
            if (names == nullptr) return kOutOfRange;
            choiceIds = *names;
            numChoices = choiceIds.GetCount();
            // The values belong to the choices: a copy without them would lose data.
            if (auto* list = dynamic_cast<VRX_list*>(&source)) rc = choiceValues.Copy(list->choiceValues);
            if (rc == kSuccess) rc = RebuildFromParents();
            break;
        }
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder: {
            const VRX_idArray* names = source.GetOutcomesNames();
            if (names == nullptr) return kOutOfRange;
            choiceIds = *names;
            numChoices = choiceIds.GetCount();
            // The parents of a chance node are causes, not observations made before the decision.
            if (IsAttached()) network->RemoveAllParents(handle);
            rc = RebuildFromParents();
            break;
        }
        default:
            return kOutOfRange;
    }
    if (rc != kSuccess) return rc;
    CheckValidity(1);
    CheckConsistency(1);
    NotifyNetwork(ChangeKind::kDefinition256);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Choices

int VRX_list::AddOutcome(const char* name) {
    if (!IsValid()) return kObjectNotValid;
    if (choiceIds.Add(name) != kSuccess) {
        if (const int rc = choiceIds.AddValidId(kGeneratedChoice, numChoices)) return rc;
    }
    ++numChoices;
    return NotifyOutcomeInserted(numChoices - 1);
}

int VRX_list::InsertOutcome(int index, const char* name) {
    if (!IsValid()) return kObjectNotValid;
    if (index < 0 || index > numChoices) return kOutOfRange;
    if (choiceIds.Insert(index, name) != kSuccess) {
        if (const int rc = choiceIds.InsertValidId(kGeneratedChoice, numChoices, index)) return rc;
    }
    ++numChoices;
    return NotifyOutcomeInserted(index);
}

int VRX_list::RemoveOutcome(int index) {
    if (!IsValid()) return kObjectNotValid;
    if (numChoices < 3 || index < 0 || index >= numChoices) return kOutOfRange;
    --numChoices;
    return NotifyOutcomeRemoved(index, choiceIds);
}

int VRX_list::GetNumberOfOutcomes() {
    return numChoices;
}

int VRX_list::RenameOutcome(int index, const char* name) {
    if (!IsValid()) return kObjectNotValid;
    // The array's own test admits its spare slots past the items.
    if (index < 0 || index >= numChoices) return kOutOfRange;
    return choiceIds.SetString(index, name);
}

int VRX_list::RenameOutcomes(const VRX_stringArray& names) {
    if (!IsValid() || !names.IsValid()) return kObjectNotValid;
    if (names.GetCount() < numChoices) return kOutOfRange;
    VRX_idArray renamed(choiceIds.GetAllowEmpty());
    for (int i = 0; i < numChoices; ++i) {
        if (renamed.Add(names[i]) == kSuccess) continue;
        if (const int rc = renamed.AddValidId(names[i], -1)) return rc;
    }
    choiceIds = renamed;
    CheckValidity(0);
    return kSuccess;
}

VRX_idArray* VRX_list::GetOutcomesNames() {
    return &choiceIds;
}

int VRX_list::SetOutcomes(const VRX_stringArray& names) {
    if (HasChildren()) return kNodeHasChildren;
    if (!names.IsValid()) return kObjectNotValid;
    // Taken before the clean-up: the names may be this list's own.
    VRX_idArray replacement;
    if (const int rc = replacement.Copy(names)) return rc;
    const int count = names.GetCount();
    CleanUp(1);
    replacement.CheckValidity(1);
    replacement.CheckConsistency(1);
    if (!replacement.IsConsistent() && replacement.RepairIds() != kSuccess) return SetNumberOfOutcomes(count);
    choiceIds = replacement;
    numChoices = choiceIds.GetCount();
    if (const int rc = RebuildFromParents()) return rc;
    if (IsAttached()) {
        VRX_node* node = network->GetNode(handle);
        if (VRX_nodeCost* cost = node->GetCost()) cost->RebuildFromParents();
        if (VRX_extraDefinition* extra = node->GetExtraDefinition()) extra->ResetOutcomeData();
    }
    NotifyNetwork(ChangeKind::kDefinition256);
    return kSuccess;
}

int VRX_list::SetNumberOfOutcomes(int count) {
    if (HasChildren()) return kNodeHasChildren;
    CleanUp(1);
    const int n = count < 2 ? 2 : count;
    for (int i = 0; i < n; ++i) {
        if (const int rc = choiceIds.AddValidId(kGeneratedChoice, i)) return rc;
    }
    numChoices = choiceIds.GetCount();
    if (const int rc = RebuildFromParents()) return rc;
    if (IsAttached()) {
        VRX_node* node = network->GetNode(handle);
        if (VRX_nodeCost* cost = node->GetCost()) cost->RebuildFromParents();
        if (VRX_extraDefinition* extra = node->GetExtraDefinition()) extra->ResetOutcomeData();
    }
    NotifyNetwork(ChangeKind::kDefinition256);
    return kSuccess;
}

int VRX_list::ChangeOrderOfOutcomes(const VRX_intArray& order) {
    // Checked whole before anything moves, so a bad order leaves names and values in step.
    VRX_intArray permutation;
    if (const int rc = ReadPermutation(order, numChoices, permutation)) return rc;
    if (const int rc = choiceIds.Permute(permutation)) return rc;
    // Values are permuted only while they are one per choice; otherwise they are not aligned to them.
    if (choiceValues.GetCount() == numChoices) choiceValues.Permute(permutation);
    return NotifyOutcomesReordered(permutation);
}

// ---------------------------------------------------------------------------------------------------
// Parameters

int VRX_list::GetDefinitionStrings(VRX_stringArray*& out) {
    out = &choiceIds;
    return kSuccess;
}

int VRX_list::GetDefinitionDoubles(VRX_doubleArray*& out) {
    out = &choiceValues;
    return kSuccess;
}

int VRX_list::SetDefinitionStrings(const VRX_stringArray& strings) {
    if (!strings.IsValid()) return kObjectNotValid;
    // The count of choices does not change here, so names of another count would disagree with it.
    if (strings.GetCount() != numChoices) return kOutOfRange;
    VRX_idArray copy(choiceIds.GetAllowEmpty());
    if (const int rc = copy.Copy(strings)) return rc;
    choiceIds = copy;
    CheckValidity(0);
    return kSuccess;
}

int VRX_list::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    return choiceValues.Copy(doubles);
}
