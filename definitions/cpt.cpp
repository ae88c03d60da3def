// Conditional probability table: parent and outcome edits, conversions from other kinds, checks.
#include "definitions/cpt.h"

#include <cmath>

#include "definitions/node_cost.h"
#include "model/double_array.h"
#include "model/error_log.h"
#include "model/extra_definition.h"
#include "model/int_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "model/status_codes.h"
#include "model/string_array.h"

namespace {

constexpr const char* kGeneratedOutcome = "State";

}  // namespace

VRX_cpt::VRX_cpt(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {
    RebuildFromParents();
    outcomeIds.CheckValidity(1);
    CheckValidity(0);
    CheckConsistency(0);
}

VRX_cpt::VRX_cpt(VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {
    CopyFrom(source);
}

// CopyFrom only reads a table source, so the const copy goes the same way as a conversion.
VRX_cpt::VRX_cpt(const VRX_cpt& source) : VRX_nodeDefinition(source) {
    CopyFrom(const_cast<VRX_cpt&>(source));
}

VRX_cpt::~VRX_cpt() = default;

void VRX_cpt::CleanUp(int deep) {
    if (deep) {
        outcomeIds.CleanUp(1);
        probabilities.CleanUp();
    }
    numOutcomes = 0;
    CheckValidity(0);
}

void VRX_cpt::CheckValidity(int deep) {
    if (deep) outcomeIds.CheckValidity(deep);
    SetFlag(kValid, outcomeIds.IsValid() && numOutcomes == outcomeIds.GetCount());
}

void VRX_cpt::CheckConsistency(int deep) {
    if (deep) outcomeIds.CheckConsistency(deep);
    SetFlag(kConsistent, outcomeIds.IsConsistent() && ColumnsAreDistributions());
}

bool VRX_cpt::ColumnsAreDistributions() const {
    const int total = probabilities.GetNumberOfElements();
    const int dims = probabilities.GetNumberOfDimensions();
    if (total == 0 || dims == 0) return true;
    const int run = probabilities.GetDimensions()[dims - 1];
    const double* p = probabilities.GetData();
    for (int start = 0; start < total; start += run) {
        double sum = 0.0;
        for (int k = start; k < start + run; ++k) {
            // Written so that NaN fails too.
            if (!(p[k] >= 0.0)) return false;
            sum += p[k];
        }
        if (!(std::fabs(sum - 1.0) <= kColumnTolerance)) return false;
    }
    return true;
}

int VRX_cpt::GetType() const {
    return DefinitionType::kCpt;
}

const char* VRX_cpt::GetTypeName() const {
    return "CPT";
}

// ---------------------------------------------------------------------------------------------------
// Helpers

int VRX_cpt::LocateParent(int parent, int& position, ParentRole& role) const {
    if (network == nullptr || !network->IsLiveHandle(parent) || !network->IsLiveHandle(handle)) {
        return kOutOfRange;
    }
    position = network->GetParents(handle).FindPosition(parent);
    if (position < 0) return kOutOfRange;
    const int type = network->GetNodeType(parent);
    if (IsIndexingType(type)) {
        role = ParentRole::kIndexing;
        // The node's own dimension is always last, so a parent's dimension comes strictly before it.
        if (position >= probabilities.GetNumberOfDimensions() - 1) return kOutOfRange;
    } else if (type == DefinitionType::kTable) {
        role = ParentRole::kTable;
    } else {
        role = ParentRole::kOther;
    }
    return kSuccess;
}

int VRX_cpt::OpenParentOutcome(int parent, int index, bool& opened) {
    opened = false;
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, position, role)) return rc;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kOther) return kSuccess;
    const int items = probabilities.GetDimensions()[position];
    if (index < 0 || index > items) return kOutOfRange;
    if (const int rc = probabilities.AddItem(position)) return rc;
    if (const int rc = probabilities.ShiftItemsUp(position, index, 0.0)) {
        probabilities.RemoveLastItem(position);
        return rc;
    }
    opened = true;
    return kSuccess;
}

int VRX_cpt::ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out) {
    if (order.GetCount() != m && order.GetSize() != m) return kOutOfRange;
    if (m > order.GetSize()) return kOutOfRange;
    if (const int rc = out.FlushAndReserve(m)) return rc;
    for (int i = 0; i < m; ++i) out.Add(order[i]);
    return out.CheckPermutation(m);
}

int VRX_cpt::MatchEntryCount(const VRX_doubleArray& values, int n) {
    return values.GetCount() == n || values.GetSize() == n ? n : kOutOfRange;
}

int VRX_cpt::AddGeneratedOutcome() {
    if (const int rc = outcomeIds.AddValidId(kGeneratedOutcome, numOutcomes)) return rc;
    ++numOutcomes;
    return kSuccess;
}

bool VRX_cpt::HasChildren() const {
    if (network == nullptr || !network->IsLiveHandle(handle)) return false;
    return network->GetChildren(handle).GetCount() > 0;
}

void VRX_cpt::RebuildOutcomeDependents() {
    if (network == nullptr || !network->IsLiveHandle(handle)) return;
    VRX_node* node = network->GetNode(handle);
    if (VRX_nodeCost* cost = node->GetCost()) cost->RebuildFromParents();
    if (VRX_extraDefinition* extra = node->GetExtraDefinition()) extra->ResetOutcomeData();
}

int VRX_cpt::NotifyNetwork(int code) {
    if (network == nullptr) return kSuccess;
    return network->NotifyChange(handle, code);
}

void VRX_cpt::CopyEntriesFrom(const VRX_Dmatrix& source) {
    const int n = probabilities.GetNumberOfElements();
    if (n == 0 || n != source.GetNumberOfElements()) return;
    const double* from = source.GetData();
    double* to = probabilities.GetData();
    for (int i = 0; i < n; ++i) to[i] = from[i];
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_cpt::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (network == nullptr || !network->IsLiveHandle(parent) || !network->IsLiveHandle(handle)) {
        return kOutOfRange;
    }
    if (!IsIndexingType(network->GetNodeType(parent))) return kOutOfRange;
    const int position = network->GetParents(handle).FindPosition(parent);
    if (position < 0) return kOutOfRange;
    const int outcomes = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
    if (outcomes < 1) return kSuccess;
    // Parents take the places before the node's own dimension, in parent-list order.
    const int dims = probabilities.GetNumberOfDimensions();
    if (dims < 1 || position > dims - 1) return kOutOfRange;
    if (const int rc = probabilities.InsertDimension(position, outcomes)) return rc;
    probabilities.Normalize();
    CheckValidity(0);
    return kSuccess;
}

int VRX_cpt::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, position, role)) return rc;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        if (const int rc = probabilities.ReduceToSlice(position, 0)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_cpt::AbsorbParentEvidence(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, position, role)) return rc;
    VRX_nodeValue* value = network->GetNode(parent)->GetValue();
    if (value == nullptr || !value->HasEvidence()) return kOutOfRange;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        const int observed = value->GetEvidence();
        if (observed < 0 || observed >= probabilities.GetDimensions()[position]) return kOutOfRange;
        if (const int rc = probabilities.ReduceToSlice(position, observed)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_cpt::MarginalizeParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, position, role)) return rc;
    VRX_node* parentNode = network->GetNode(parent);
    const VRX_nodeValue* value = parentNode->GetValue();
    if (value != nullptr && value->HasEvidence()) return kOutOfRange;
    const int type = parentNode->GetType();
    if (type == DefinitionType::kTable || type == DefinitionType::kList) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        // Without parents of its own, the first run of the parent's table is its distribution.
        VRX_Dmatrix* parentTable = nullptr;
        if (const int rc = parentNode->GetDefinition()->GetDefinition(parentTable)) return rc;
        const int items = probabilities.GetDimensions()[position];
        if (parentTable == nullptr || parentTable->GetNumberOfElements() < items) return kOutOfRange;
        VRX_doubleArray weights;
        if (const int rc = weights.SetSize(items)) return rc;
        for (int k = 0; k < items; ++k) weights[k] = (*parentTable)[k];
        if (const int rc = probabilities.WeightedSumOverDimension(position, weights)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_cpt::InsertParentOutcome(int parent, int index) {
    bool opened = false;
    if (const int rc = OpenParentOutcome(parent, index, opened)) return rc;
    // The zero columns become uniform; the others already sum to 1 and stay as they are.
    if (opened) probabilities.Normalize();
    CheckValidity(0);
    return kSuccess;
}

int VRX_cpt::RemoveParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, position, role)) return rc;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        const int items = probabilities.GetDimensions()[position];
        if (index < 0 || index >= items || items < 2) return kOutOfRange;
        if (const int rc = probabilities.ShiftItemsDown(position, index)) return rc;
        if (const int rc = probabilities.RemoveLastItem(position)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_cpt::ReorderParentOutcomes(int parent, const VRX_intArray& order) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, position, role)) return rc;
    if (role == ParentRole::kIndexing) {
        VRX_intArray permutation;
        if (const int rc = ReadPermutation(order, probabilities.GetDimensions()[position], permutation)) {
            return rc;
        }
        if (const int rc = probabilities.ReorderItems(position, permutation)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_cpt::ReorderParents(const VRX_intArray& order) {
    const int parents = probabilities.GetNumberOfDimensions() - 1;
    if (parents < 0) return kOutOfRange;
    VRX_intArray permutation;
    if (const int rc = ReadPermutation(order, parents, permutation)) return rc;
    // The node's own dimension stays last.
    if (const int rc = permutation.Add(parents)) return rc;
    return probabilities.ReorderDimensions(permutation);
}

int VRX_cpt::RemoveInvalidParents() {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kSuccess;
    // A copy: every removal edits the list being walked.
    const VRX_intArray parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (!IsDiscreteType(network->GetNodeType(parents[i]))) network->RemoveArc(parents[i], handle);
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Whole table

int VRX_cpt::GetSize() {
    return probabilities.GetNumberOfElements();
}

int VRX_cpt::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_cpt::RebuildFromParents() {
    numOutcomes = outcomeIds.GetCount();
    while (numOutcomes < 2) {
        if (const int rc = AddGeneratedOutcome()) return rc;
    }
    CheckValidity(0);

    probabilities.CleanUp();
    if (const int rc = probabilities.AddDimension(numOutcomes)) return rc;
    probabilities.FillWith(0.0);
    probabilities.Normalize();

    if (network == nullptr || !network->IsLiveHandle(handle)) return kSuccess;
    const VRX_intArray& parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (const int rc = AddParent(parents[i]))
            LogError(errorLog, rc, "Parent could not be added", nullptr);
    }
    return kSuccess;
}

int VRX_cpt::SetOutcomeNames(const char* first, const char* second, bool generated) {
    outcomeIds.CleanUp(1);
    if (generated) {
        if (const int rc = outcomeIds.AddValidId(first, 0)) return rc;
        if (const int rc = outcomeIds.AddValidId(second, 1)) return rc;
    } else {
        if (const int rc = outcomeIds.AddValidId(first, -1)) return rc;
        if (const int rc = outcomeIds.AddValidId(second, -1)) return rc;
    }
    numOutcomes = outcomeIds.GetCount();
    return kSuccess;
}

int VRX_cpt::CopyOutcomesFrom(VRX_nodeDefinition& source) {
    const VRX_idArray* names = source.GetOutcomesNames();
    if (names == nullptr) return kOutOfRange;
    outcomeIds = *names;
    numOutcomes = outcomeIds.GetCount();
    return kSuccess;
}

int VRX_cpt::ConvertFromUtilityTable(VRX_nodeDefinition& source) {
    if (const int rc = SetOutcomeNames(kGeneratedOutcome, kGeneratedOutcome, true)) return rc;
    if (const int rc = RebuildFromParents()) return rc;
    probabilities.FillWith(0.0);
    VRX_Dmatrix* utilities = nullptr;
    if (source.GetDefinition(utilities) != kSuccess || utilities == nullptr) return kSuccess;
    const int items = utilities->GetNumberOfElements();
    if (items == 0) return kSuccess;
    const double* u = utilities->GetData();
    double low = u[0];
    double high = u[0];
    for (int i = 1; i < items; ++i) {
        if (u[i] < low) low = u[i];
        if (u[i] > high) high = u[i];
    }
    double range = high - low;
    if (range == 0.0) range = 1.0;
    // One two-outcome column per utility item; never write past the table.
    const int columns = probabilities.GetNumberOfElements() / numOutcomes;
    const int n = items < columns ? items : columns;
    double* p = probabilities.GetData();
    for (int i = 0; i < n; ++i) {
        const double q = (u[i] - low) / range;
        p[i * numOutcomes] = q;
        p[i * numOutcomes + 1] = 1.0 - q;
    }
    return kSuccess;
}

int VRX_cpt::CopyFrom(VRX_nodeDefinition& source) {
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
            rc = ConvertFromUtilityTable(source);
            break;
        case DefinitionType::kList:
            rc = CopyOutcomesFrom(source);
            if (rc == kSuccess && network != nullptr && network->IsLiveHandle(handle)) {
                network->RemoveAllParents(handle);
            }
            if (rc == kSuccess) rc = RebuildFromParents();
            break;
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder: {
            rc = CopyOutcomesFrom(source);
            if (rc == kSuccess) rc = RebuildFromParents();
            // Noisy kinds hand out their derived table here.
            VRX_Dmatrix* table = nullptr;
            if (rc == kSuccess && source.GetDefinition(table) == kSuccess && table != nullptr) {
                CopyEntriesFrom(*table);
            }
            break;
        }
        case DefinitionType::kCast:
        case DefinitionType::kDeMorgan:
            if (network != nullptr && network->IsLiveHandle(handle) &&
                network->GetParents(handle).GetCount() > 0) {
                return kOutOfRange;
            }
            rc = SetOutcomeNames("True", "False", false);
            if (rc == kSuccess) rc = RebuildFromParents();
            break;
        case DefinitionType::kMau:
            rc = SetOutcomeNames(kGeneratedOutcome, kGeneratedOutcome, true);
            if (rc == kSuccess) rc = RebuildFromParents();
            break;
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
// Outcomes

int VRX_cpt::AddOutcome(const char* name) {
    if (!IsValid()) return kObjectNotValid;
    const int own = probabilities.GetNumberOfDimensions() - 1;
    if (own < 0) return kOutOfRange;
    if (outcomeIds.Add(name) != kSuccess) {
        if (const int rc = outcomeIds.AddValidId(kGeneratedOutcome, numOutcomes)) return rc;
    }
    // A new last outcome of probability 0 leaves every distribution as it was.
    if (const int rc = probabilities.AddItem(own)) {
        outcomeIds.Delete(outcomeIds.GetCount() - 1);
        return rc;
    }
    ++numOutcomes;
    return NotifyOutcomeInserted(numOutcomes - 1);
}

int VRX_cpt::InsertOutcome(int index, const char* name) {
    if (!IsValid()) return kObjectNotValid;
    const int own = probabilities.GetNumberOfDimensions() - 1;
    if (own < 0 || index < 0 || index > numOutcomes) return kOutOfRange;
    if (outcomeIds.Insert(index, name) != kSuccess) {
        if (const int rc = outcomeIds.InsertValidId(kGeneratedOutcome, numOutcomes, index)) return rc;
    }
    int rc = probabilities.AddItem(own);
    if (rc == kSuccess) {
        rc = probabilities.ShiftItemsUp(own, index, 0.0);
        if (rc != kSuccess) probabilities.RemoveLastItem(own);
    }
    if (rc != kSuccess) {
        outcomeIds.Delete(index);
        return rc;
    }
    ++numOutcomes;
    return NotifyOutcomeInserted(index);
}

int VRX_cpt::RemoveOutcome(int index) {
    if (!IsValid()) return kObjectNotValid;
    if (numOutcomes < 3) return kOutOfRange;
    const int own = probabilities.GetNumberOfDimensions() - 1;
    if (own < 0 || index < 0 || index >= numOutcomes) return kOutOfRange;
    if (const int rc = probabilities.ShiftItemsDown(own, index)) return rc;
    if (const int rc = probabilities.RemoveLastItem(own)) return rc;
    --numOutcomes;
    return NotifyOutcomeRemoved(index, outcomeIds);
}

int VRX_cpt::GetNumberOfOutcomes() {
    return numOutcomes;
}

int VRX_cpt::RenameOutcome(int index, const char* name) {
    if (!IsValid()) return kObjectNotValid;
    // The array's own test admits its spare slots past the items.
    if (index < 0 || index >= numOutcomes) return kOutOfRange;
    return outcomeIds.SetString(index, name);
}

int VRX_cpt::RenameOutcomes(const VRX_stringArray& names) {
    if (!IsValid() || !names.IsValid()) return kObjectNotValid;
    if (names.GetCount() < numOutcomes) return kOutOfRange;
    VRX_idArray renamed(outcomeIds.GetAllowEmpty());
    for (int i = 0; i < numOutcomes; ++i) {
        if (renamed.Add(names[i]) == kSuccess) continue;
        if (const int rc = renamed.AddValidId(names[i], -1)) return rc;
    }
    outcomeIds = renamed;
    CheckValidity(0);
    return kSuccess;
}

VRX_idArray* VRX_cpt::GetOutcomesNames() {
    return &outcomeIds;
}

int VRX_cpt::SetOutcomes(const VRX_stringArray& names) {
    if (HasChildren()) return kNodeHasChildren;
    if (!names.IsValid()) return kObjectNotValid;
    CleanUp(1);
    VRX_idArray replacement;
    if (const int rc = replacement.Copy(names)) return rc;
    replacement.CheckValidity(1);
    replacement.CheckConsistency(1);
    if (!replacement.IsConsistent() && replacement.RepairIds() != kSuccess) {
        return SetNumberOfOutcomes(names.GetCount());
    }
    outcomeIds = replacement;
    numOutcomes = outcomeIds.GetCount();
    if (const int rc = RebuildFromParents()) return rc;
    RebuildOutcomeDependents();
    NotifyNetwork(ChangeKind::kDefinition256);
    return kSuccess;
}

int VRX_cpt::SetNumberOfOutcomes(int count) {
    if (HasChildren()) return kNodeHasChildren;
    if (count < 1) return kOutOfRange;
    CleanUp(1);
    for (int i = 0; i < count; ++i) {
        if (const int rc = outcomeIds.AddValidId(kGeneratedOutcome, i)) return rc;
    }
    numOutcomes = outcomeIds.GetCount();
    if (const int rc = RebuildFromParents()) return rc;
    RebuildOutcomeDependents();
    NotifyNetwork(ChangeKind::kDefinition256);
    return kSuccess;
}

int VRX_cpt::ChangeOrderOfOutcomes(const VRX_intArray& order) {
    const int own = probabilities.GetNumberOfDimensions() - 1;
    if (own < 0 || probabilities.GetDimensions()[own] != numOutcomes) return kOutOfRange;
    VRX_intArray permutation;
    if (const int rc = ReadPermutation(order, numOutcomes, permutation)) return rc;
    if (const int rc = probabilities.ReorderItems(own, permutation)) return rc;
    if (const int rc = outcomeIds.Permute(permutation)) return rc;
    return NotifyOutcomesReordered(permutation);
}

// ---------------------------------------------------------------------------------------------------
// Parameters

int VRX_cpt::GetDefinitionDoubles(VRX_doubleArray*& out) {
    out = &probabilities.GetItems();
    return kSuccess;
}

int VRX_cpt::GetDefinition(VRX_Dmatrix*& out) {
    out = &probabilities;
    return kSuccess;
}

int VRX_cpt::SetDefinition(const VRX_Dmatrix& matrix) {
    if (&matrix == &probabilities) return kSuccess;
    // A table of another shape would no longer match the parents.
    if (!probabilities.HasSameDimensions(matrix)) return kOutOfRange;
    return probabilities.Copy(matrix);
}

int VRX_cpt::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    const int n = MatchEntryCount(doubles, probabilities.GetNumberOfElements());
    if (n < 0) return n;
    double* p = probabilities.GetData();
    for (int i = 0; i < n; ++i) p[i] = doubles[i];
    return kSuccess;
}

int VRX_cpt::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* table = dynamic_cast<VRX_cpt*>(&target);
    if (table == nullptr) return kOutOfRange;
    if (table == this) return kSuccess;
    return table->probabilities.Copy(probabilities);
}

int VRX_cpt::SetProbabilities(const VRX_doubleArray& values) {
    if (!IsValid()) return kObjectNotValid;
    if (const int rc = SetDefinitionDoubles(values)) return rc;
    CheckValidity(1);
    CheckConsistency(1);
    NotifyNetwork(ChangeKind::kDefinition128);
    return kSuccess;
}

VRX_Dmatrix* VRX_cpt::GetTemporalDefinition(int /*order*/) {
    // Slice tables live in the network's temporal data, which this network does not have.
    return nullptr;
}

int VRX_cpt::SetTemporalDefinition(int /*order*/, const VRX_Dmatrix& /*matrix*/) {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kOutOfRange;
    if (network->GetTemporalType(handle) != TemporalType::kPlate) return kWrongNodeType;
    return kOutOfRange;
}
