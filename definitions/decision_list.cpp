// Decision list: the parent checks of a decision node, its values per choice and conversions from other
// kinds.
#include "definitions/decision_list.h"

#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/definition_support.h"
#include "model/network.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

using vovido::IsIndexingType;

using vovido::NamedOutcomes;

namespace {

constexpr const char* kGeneratedChoice = "Choice";

}  // namespace

VRX_list::VRX_list(int nodeHandle, VRX_network* net) : NamedOutcomes(kGeneratedChoice, nodeHandle, net) {
    (void)RebuildFromParents();  // out of memory leaves the table empty
    CheckValidity(1);
    CheckConsistency(1);
}

VRX_list::VRX_list(VRX_nodeDefinition& source) : NamedOutcomes(kGeneratedChoice, source) {
    (void)CopyFrom(source);  // out of memory leaves the table empty
}

// CopyFrom only reads a list source, so the const copy goes the same way as a conversion.
VRX_list::VRX_list(const VRX_list& source) : NamedOutcomes(kGeneratedChoice, source) {
    (void)CopyFrom(const_cast<VRX_list&>(source));  // out of memory leaves the table empty
}

VRX_list::~VRX_list() = default;

void VRX_list::CleanUp(int deep) {
    if (deep) choiceValues.CleanUp();
    NamedOutcomes::CleanUp(deep);
}

void VRX_list::CheckValidity(int deep) {
    if (deep) outcomeIds.CheckValidity(deep);
    SetFlag(kValid, outcomeIds.IsValid());
}

int VRX_list::GetType() const {
    return DefinitionType::kList;
}

const char* VRX_list::GetTypeName() const {
    return "LIST";
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
    DefinitionSupport::RemoveParentsUnless(*this, &IsIndexingType);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Whole list

int VRX_list::GetSize() {
    return numOutcomes;
}

int VRX_list::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_list::RebuildFromParents() {
    if (const int rc = CompleteOutcomes()) return rc;
    DefinitionSupport::AddCurrentParents(*this);
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
            if (const int copied = CopyOutcomesFrom(source)) return copied;
            // The values belong to the choices: a copy without them would lose data.
            if (auto* list = dynamic_cast<VRX_list*>(&source)) rc = choiceValues.Copy(list->choiceValues);
            if (rc == kSuccess) rc = RebuildFromParents();
            break;
        }
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder:
            if (const int copied = CopyOutcomesFrom(source)) return copied;
            // The parents of a chance node are causes, not observations made before the decision.
            if (IsAttachedToLiveNode()) {
                if (const int removed = network->RemoveAllParents(handle)) return removed;
            }
            rc = RebuildFromParents();
            break;
        default:
            return kOutOfRange;
    }
    if (rc != kSuccess) return rc;
    return DefinitionSupport::FinishConversion(*this);
}

// ---------------------------------------------------------------------------------------------------
// Choices

int VRX_list::ReorderOutcomeData(const VRX_intArray& permutation) {
    if (choiceValues.GetCount() == numOutcomes) return choiceValues.Permute(permutation);
    return kSuccess;
}

bool VRX_list::RefusesOutcomeCount(int /*count*/) const {
    return false;
}

// ---------------------------------------------------------------------------------------------------
// Parameters

int VRX_list::GetDefinitionStrings(VRX_stringArray*& out) {
    out = &outcomeIds;
    return kSuccess;
}

int VRX_list::GetDefinitionDoubles(VRX_doubleArray*& out) {
    out = &choiceValues;
    return kSuccess;
}

int VRX_list::SetDefinitionStrings(const VRX_stringArray& strings) {
    if (!strings.IsValid()) return kObjectNotValid;
    // The count of choices does not change here, so names of another count would disagree with it.
    if (strings.GetCount() != numOutcomes) return kOutOfRange;
    VRX_idArray copy(outcomeIds.GetAllowEmpty());
    if (const int rc = copy.Copy(strings)) return rc;
    outcomeIds = copy;
    CheckValidity(0);
    return kSuccess;
}

int VRX_list::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    return choiceValues.Copy(doubles);
}

int VRX_list::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* other = dynamic_cast<VRX_list*>(&target);
    if (other == nullptr) return kOutOfRange;
    if (other == this) return kSuccess;
    return other->choiceValues.Copy(choiceValues);
}
