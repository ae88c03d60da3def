// Noisy-MAX definition: parameter rows and strength orders kept in step with the graph and the node's
// outcomes, copies and conversions.
#include "definitions/noisy_max.h"

#include <new>
#include <utility>

#include "definitions/ci_rows.h"
#include "model/error_log.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "model/status_codes.h"

namespace {

constexpr const char* kGeneratedOutcome = "State";

bool IsConvertibleTable(int type) {
    return type == DefinitionType::kCpt || type == DefinitionType::kTruthTable ||
           type == DefinitionType::kNoisyMax || type == DefinitionType::kNoisyAdder;
}

}  // namespace

VRX_noisyMAX::VRX_noisyMAX(int nodeHandle, VRX_network* net) : VRX_ciDefinition(nodeHandle, net) {
    RebuildFromParents();
    CheckValidity(1);
    CheckConsistency(0);
}

VRX_noisyMAX::VRX_noisyMAX(VRX_nodeDefinition& source)
    : VRX_ciDefinition(source.GetHandle(), source.GetNetwork()) {
    CopyFrom(source);
}

// CopyFrom only reads a noisy-MAX source, so the const copy goes the same way as a conversion.
VRX_noisyMAX::VRX_noisyMAX(const VRX_noisyMAX& source) : VRX_ciDefinition(source) {
    CopyFrom(const_cast<VRX_noisyMAX&>(source));
}

VRX_noisyMAX::~VRX_noisyMAX() = default;

void VRX_noisyMAX::CleanUp(int deep) {
    if (deep) parentOutcomeStrengths.clear();
    VRX_ciDefinition::CleanUp(deep);
}

void VRX_noisyMAX::CheckConsistency(int deep) {
    VRX_ciDefinition::CheckConsistency(deep);
    if (!IsConsistent()) return;
    int rows = 0;
    int k = 0;
    char text[64];
    const bool sound = CiRows::GetShape(ciWeights, rows, k) && k == GetNumberOfOutcomes() &&
                       CheckParameters(ciWeights, text, sizeof text) == kSuccess;
    if (!sound) SetFlag(kConsistent, false);
}

int VRX_noisyMAX::GetType() const {
    return DefinitionType::kNoisyMax;
}

const char* VRX_noisyMAX::GetTypeName() const {
    return "NOISY_MAX";
}

// ---------------------------------------------------------------------------------------------------
// Helpers

int VRX_noisyMAX::GetParentStartingPosition(int i) const {
    if (i < 0 || i >= GetNumberOfParents()) return kOutOfRange;
    int start = 0;
    for (int b = 0; b < i; ++b) start += parentOutcomeStrengths[b].GetCount();
    return start;
}

int VRX_noisyMAX::LocateBlock(int parent, int& position, int& type) const {
    return CiRows::LocateParent(network, handle, parent, position, type);
}

void VRX_noisyMAX::ResetConstrainedRow(int i) {
    const int start = GetParentStartingPosition(i);
    int rows = 0;
    int k = 0;
    // The matrix's own columns: while an outcome is removed, its identifier goes only afterwards.
    if (start < 0 || !CiRows::GetShape(ciWeights, rows, k)) return;
    CiRows::SetUnitRow(ciWeights, start + parentOutcomeStrengths[i].GetCount() - 1, k - 1);
}

void VRX_noisyMAX::ResetConstrainedRows() {
    for (int i = 0; i < GetNumberOfParents(); ++i) ResetConstrainedRow(i);
}

int VRX_noisyMAX::ConstrainedColumns(int rows, VRX_intArray& out) const {
    int ignored = 0;
    int k = 0;
    if (!CiRows::GetShape(ciWeights, ignored, k)) k = outcomeIds.GetCount();
    if (out.SetSize(rows) != kSuccess) return kOutOfMemory;
    out.SetCount(rows);
    out.FillWith(-1);
    int start = 0;
    for (const VRX_intArray& entry : parentOutcomeStrengths) {
        start += entry.GetCount();
        if (start - 1 >= 0 && start - 1 < rows) out[start - 1] = k - 1;
    }
    return kSuccess;
}

int VRX_noisyMAX::NotifyNetwork(int code) {
    if (network == nullptr) return kSuccess;
    return network->NotifyChange(handle, code);
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_noisyMAX::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = LocateBlock(parent, position, type)) return rc;
    if (!IsIndexingType(type)) return kOutOfRange;
    const int n = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
    if (n <= 0) return kSuccess;
    int rows = 0;
    int k = 0;
    if (!CiRows::GetShape(ciWeights, rows, k) || position > GetNumberOfParents()) return kOutOfRange;
    const int start = position < GetNumberOfParents() ? GetParentStartingPosition(position) : rows - 1;

    VRX_intArray entry;
    if (entry.SetSize(n) != kSuccess) return kOutOfMemory;
    for (int x = 0; x < n; ++x) entry.Add(x);
    if (const int rc = CiRows::InsertRows(ciWeights, start, n)) return rc;
    try {
        parentOutcomeStrengths.insert(parentOutcomeStrengths.begin() + position, std::move(entry));
    } catch (const std::bad_alloc&) {
        CiRows::RemoveRows(ciWeights, start, n);
        return kOutOfMemory;
    }
    cptCacheFlags &= ~CptCache::kCurrent;
    ResetConstrainedRow(position);
    // The outcomes of effect start uniform.
    for (int m = 0; m < n - 1; ++m) CiRows::FillRow(ciWeights, start + m, 1.0 / k);
    if (cptCacheFlags & CptCache::kRecomputeAtOnce) CalculateCpt();
    CheckValidity(0);
    return kSuccess;
}

int VRX_noisyMAX::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = LocateBlock(parent, position, type)) return rc;
    if (type == DefinitionType::kTable) return kOutOfRange;
    if (!IsIndexingType(type)) {
        CheckValidity(0);
        return kSuccess;
    }
    if (position >= GetNumberOfParents()) return kOutOfRange;
    const int n = parentOutcomeStrengths[position].GetCount();
    if (n >= 1) {
        if (const int rc = CiRows::RemoveRows(ciWeights, GetParentStartingPosition(position), n)) return rc;
    }
    parentOutcomeStrengths.erase(parentOutcomeStrengths.begin() + position);
    cptCacheFlags &= ~CptCache::kCurrent;
    if ((cptCacheFlags & CptCache::kRecomputeAtOnce) && position < cpt.GetNumberOfDimensions() - 1) {
        cpt.ReduceToSlice(position, 0);
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_noisyMAX::AbsorbParentEvidence(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = LocateBlock(parent, position, type)) return rc;
    VRX_nodeValue* value = network->GetNode(parent)->GetValue();
    if (value == nullptr || !value->HasEvidence()) return kOutOfRange;
    if (type == DefinitionType::kTable) return kOutOfRange;
    if (!IsIndexingType(type)) {
        CheckValidity(0);
        return kSuccess;
    }
    int rows = 0;
    int k = 0;
    if (position >= GetNumberOfParents() || !CiRows::GetShape(ciWeights, rows, k)) return kOutOfRange;
    const VRX_intArray& entry = parentOutcomeStrengths[position];
    const int m = entry.FindPosition(value->GetEvidence());
    if (m < 0) return kOutOfRange;
    const int start = GetParentStartingPosition(position);

    // The observed outcome's contribution moves into the leak: leak_cum *= row_cum.
    VRX_doubleArray work;
    if (work.SetSize(2 * k) != kSuccess) return kOutOfMemory;
    double* leak = work.GetItems();
    double* row = leak + k;
    const double* p = ciWeights.GetData();
    for (int j = 0; j < k; ++j) {
        leak[j] = p[(rows - 1) * k + j];
        row[j] = p[(start + m) * k + j];
    }
    CiRows::ToCumulative(leak, k);
    CiRows::ToCumulative(row, k);
    for (int j = 0; j < k; ++j) leak[j] *= row[j];
    CiRows::FromCumulative(leak, k);

    if (const int rc = CiRows::RemoveRows(ciWeights, start, entry.GetCount())) return rc;
    double* newLeak = ciWeights.GetData() + (rows - 1 - entry.GetCount()) * k;
    for (int j = 0; j < k; ++j) newLeak[j] = leak[j];
    parentOutcomeStrengths.erase(parentOutcomeStrengths.begin() + position);
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyMAX::MarginalizeParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = LocateBlock(parent, position, type)) return rc;
    VRX_node* parentNode = network->GetNode(parent);
    const VRX_nodeValue* value = parentNode->GetValue();
    if (value != nullptr && value->HasEvidence()) return kOutOfRange;
    if (type == DefinitionType::kTable) return kOutOfRange;
    if (!IsConvertibleTable(type)) {
        CheckValidity(0);
        return kSuccess;
    }
    int rows = 0;
    int k = 0;
    if (position >= GetNumberOfParents() || !CiRows::GetShape(ciWeights, rows, k)) return kOutOfRange;
    const VRX_intArray& entry = parentOutcomeStrengths[position];
    const int n = entry.GetCount();
    // Without parents of its own, the first run of the parent's table is its distribution.
    VRX_Dmatrix* prior = nullptr;
    if (parentNode->GetDefinition()->GetDefinition(prior) != kSuccess || prior == nullptr ||
        prior->GetNumberOfElements() < n) {
        return kOutOfRange;
    }
    const int start = GetParentStartingPosition(position);

    // leak_cum *= sum over the parent's outcomes of q(x) * row_cum(x).
    VRX_doubleArray work;
    if (work.SetSize(3 * k) != kSuccess) return kOutOfMemory;
    double* leak = work.GetItems();
    double* row = leak + k;
    double* mixture = row + k;
    const double* p = ciWeights.GetData();
    for (int j = 0; j < k; ++j) {
        leak[j] = p[(rows - 1) * k + j];
        mixture[j] = 0.0;
    }
    CiRows::ToCumulative(leak, k);
    for (int m = 0; m < n; ++m) {
        const double q = (*prior)[entry[m]];
        for (int j = 0; j < k; ++j) row[j] = p[(start + m) * k + j];
        CiRows::ToCumulative(row, k);
        for (int j = 0; j < k; ++j) mixture[j] += q * row[j];
    }
    for (int j = 0; j < k; ++j) leak[j] *= mixture[j];
    CiRows::FromCumulative(leak, k);

    if (const int rc = CiRows::RemoveRows(ciWeights, start, n)) return rc;
    double* newLeak = ciWeights.GetData() + (rows - 1 - n) * k;
    for (int j = 0; j < k; ++j) newLeak[j] = leak[j];
    parentOutcomeStrengths.erase(parentOutcomeStrengths.begin() + position);
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyMAX::InsertParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = LocateBlock(parent, position, type)) return rc;
    if (type == DefinitionType::kTable) return kOutOfRange;
    if (!IsIndexingType(type)) return kSuccess;
    if (position >= GetNumberOfParents()) return kOutOfRange;
    VRX_intArray& entry = parentOutcomeStrengths[position];
    // The parent already holds its new outcome.
    const int outcomes = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
    if (outcomes != entry.GetCount() + 1 || index < 0 || index >= outcomes) return kOutOfRange;

    VRX_intArray updated(entry);
    if (updated.GetCount() != entry.GetCount()) return kOutOfMemory;
    for (int m = 0; m < updated.GetCount(); ++m) {
        if (updated[m] >= index) ++updated[m];
    }
    if (const int rc = updated.Insert(outcomes - 2, index)) return rc;
    // The new outcome starts without effect, second to last in the strength order.
    const int row = GetParentStartingPosition(position) + outcomes - 2;
    if (const int rc = CiRows::InsertRows(ciWeights, row, 1)) return rc;
    CiRows::SetUnitRow(ciWeights, row, ciWeights.GetSizeOfDimension(1) - 1);
    entry.Swap(updated);
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyMAX::RemoveParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = LocateBlock(parent, position, type)) return rc;
    if (!IsIndexingType(type) || position >= GetNumberOfParents()) return kOutOfRange;
    VRX_intArray& entry = parentOutcomeStrengths[position];
    const int m = entry.FindPosition(index);
    if (m < 0 || entry.GetCount() < 2) return kOutOfRange;
    if (const int rc = CiRows::RemoveRows(ciWeights, GetParentStartingPosition(position) + m, 1)) return rc;
    entry.Delete(m);
    for (int i = 0; i < entry.GetCount(); ++i) {
        if (entry[i] > index) --entry[i];
    }
    // Removing the distinguished outcome makes the one before it in the strength order distinguished.
    ResetConstrainedRow(position);
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyMAX::ReorderParentOutcomes(int parent, const VRX_intArray& order) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = LocateBlock(parent, position, type)) return rc;
    if (!IsIndexingType(type)) {
        CheckValidity(0);
        return kSuccess;
    }
    if (position >= GetNumberOfParents()) return kOutOfRange;
    VRX_intArray& entry = parentOutcomeStrengths[position];
    const int n = entry.GetCount();
    VRX_intArray permutation;
    if (const int rc = CiRows::ReadPermutation(order, n, permutation)) return rc;
    // Outcome order[j] is now outcome j: every item names the outcome's new index.
    VRX_intArray newIndex;
    if (newIndex.SetSize(n) != kSuccess) return kOutOfMemory;
    for (int j = 0; j < n; ++j) newIndex[permutation[j]] = j;
    for (int m = 0; m < n; ++m) entry[m] = newIndex[entry[m]];
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyMAX::ReorderParents(const VRX_intArray& order) {
    const int parents = GetNumberOfParents();
    VRX_intArray permutation;
    if (const int rc = CiRows::ReadPermutation(order, parents, permutation)) return rc;
    VRX_intArray sizes;
    if (sizes.SetSize(parents) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < parents; ++i) sizes.Add(parentOutcomeStrengths[i].GetCount());
    StrengthSequence reordered;
    try {
        reordered.resize(parents);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (const int rc = CiRows::RegroupBlocks(ciWeights, sizes, permutation)) return rc;
    for (int j = 0; j < parents; ++j) reordered[j].Swap(parentOutcomeStrengths[permutation[j]]);
    parentOutcomeStrengths.swap(reordered);
    return MarkCptStale();
}

// ---------------------------------------------------------------------------------------------------
// Whole definition

int VRX_noisyMAX::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_noisyMAX::RebuildFromParents() {
    // Emptied here as well: a rebuild after a parent changed its kind comes without a clean-up first.
    parentOutcomeStrengths.clear();
    while (outcomeIds.GetCount() < 2) {
        if (const int rc = outcomeIds.AddValidId(kGeneratedOutcome, outcomeIds.GetCount())) return rc;
    }
    CheckValidity(0);
    cpt.CleanUp();
    ciWeights.CleanUp();
    cptCacheFlags &= ~CptCache::kCurrent;
    const int k = outcomeIds.GetCount();
    const int sizes[2] = {1, k};
    if (const int rc = ciWeights.SetupFromList(sizes, 2)) return rc;
    ciWeights.FillWith(1.0 / k);

    if (network != nullptr && network->IsLiveHandle(handle)) {
        const VRX_intArray& parents = network->GetParents(handle);
        for (int i = 0; i < parents.GetCount(); ++i) {
            if (const int rc = AddParent(parents[i]))
                LogError(errorLog, rc, "Parent could not be added", nullptr);
        }
    }
    if (cptCacheFlags & CptCache::kRecomputeAtOnce) return CalculateCpt();
    return kSuccess;
}

void VRX_noisyMAX::TakeParametersOf(VRX_noisyMAX& source) {
    bool sameBlocks = source.GetNumberOfParents() == GetNumberOfParents();
    for (int i = 0; sameBlocks && i < GetNumberOfParents(); ++i) {
        sameBlocks = source.parentOutcomeStrengths[i].GetCount() == parentOutcomeStrengths[i].GetCount();
    }
    bool taken =
        ciWeights.HasSameDimensions(source.ciWeights) && ciWeights.Copy(source.ciWeights) == kSuccess;
    if (sameBlocks) {
        for (int i = 0; i < GetNumberOfParents(); ++i) {
            if (parentOutcomeStrengths[i].Copy(source.parentOutcomeStrengths[i]) != kSuccess) taken = false;
        }
    }
    // A current table of the same parameters saves the copy its first computation.
    const bool sourceCurrent = (source.cptCacheFlags & CptCache::kCurrent) != 0;
    if (taken && sameBlocks && sourceCurrent && cpt.Copy(source.cpt) == kSuccess) {
        cptCacheFlags |= CptCache::kCurrent;
    } else {
        MarkCptStale();
    }
}

void VRX_noisyMAX::FitTo(VRX_nodeDefinition& source) {
    VRX_Dmatrix* table = nullptr;
    if (source.GetDefinition(table) != kSuccess || table == nullptr) return;
    // Only a table over this node's parents and outcomes can be fitted.
    const int parents = GetNumberOfParents();
    if (table->GetNumberOfDimensions() != parents + 1) return;
    for (int i = 0; i < parents; ++i) {
        if (table->GetDimensions()[i] != parentOutcomeStrengths[i].GetCount()) return;
    }
    if (table->GetDimensions()[parents] != GetNumberOfOutcomes()) return;
    if (cpt.Copy(*table) != kSuccess) return;
    CalculateParameters();
}

int VRX_noisyMAX::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = VRX_ciDefinition::CopyFrom(source)) return rc;

    const int type = source.GetType();
    int rc = kSuccess;
    switch (type) {
        case DefinitionType::kNone:
        case DefinitionType::kEquation:
        case DefinitionType::kEquationScc:
            break;
        case DefinitionType::kNoisyMax:
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyAdder: {
            const VRX_idArray* names = source.GetOutcomesNames();
            if (names == nullptr) return kOutOfRange;
            outcomeIds = *names;
            auto* noisy = type == DefinitionType::kNoisyMax ? dynamic_cast<VRX_noisyMAX*>(&source) : nullptr;
            // Only the recompute bit travels: this table is not current until it is computed or copied.
            if (noisy != nullptr) cptCacheFlags = noisy->cptCacheFlags & CptCache::kRecomputeAtOnce;
            rc = RebuildFromParents();
            if (rc != kSuccess) break;
            if (noisy != nullptr) {
                TakeParametersOf(*noisy);
            } else {
                FitTo(source);
            }
            break;
        }
        case DefinitionType::kTable:
            // Utilities are no distributions: the definition keeps the default parameters.
            outcomeIds.CleanUp(1);
            rc = outcomeIds.AddValidId(kGeneratedOutcome, 0);
            if (rc == kSuccess) rc = outcomeIds.AddValidId(kGeneratedOutcome, 1);
            if (rc == kSuccess) rc = RebuildFromParents();
            break;
        case DefinitionType::kList: {
            const VRX_idArray* names = source.GetOutcomesNames();
            if (names == nullptr) return kOutOfRange;
            outcomeIds = *names;
            if (network != nullptr && network->IsLiveHandle(handle)) network->RemoveAllParents(handle);
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
// Outcomes

int VRX_noisyMAX::InsertOutcome(int index, const char* name) {
    if (!IsValid()) return kObjectNotValid;
    const int n = outcomeIds.GetCount();
    if (index < 0 || index > n) return kOutOfRange;
    if (outcomeIds.Insert(index, name) != kSuccess) {
        if (const int rc = outcomeIds.InsertValidId(kGeneratedOutcome, n, index)) return rc;
    }
    int rc = ciWeights.AddItem(1);
    if (rc == kSuccess) {
        rc = ciWeights.ShiftItemsUp(1, index, 0.0);
        if (rc != kSuccess) ciWeights.RemoveLastItem(1);
    }
    if (rc != kSuccess) {
        outcomeIds.Delete(index);
        return rc;
    }
    // Before the notices, which may start an update: a new last outcome takes over the no-effect 1.0.
    ResetConstrainedRows();
    if (const int stale = MarkCptStale()) return stale;
    return NotifyOutcomeInserted(index);
}

int VRX_noisyMAX::RemoveOutcome(int index) {
    if (!IsValid()) return kObjectNotValid;
    const int n = outcomeIds.GetCount();
    if (n < 3 || index < 0 || index >= n) return kOutOfRange;
    if (const int rc = ciWeights.ShiftItemsDown(1, index)) return rc;
    if (const int rc = ciWeights.RemoveLastItem(1)) return rc;
    // Removing the last outcome would leave the constrained rows all zero.
    ResetConstrainedRows();
    if (const int rc = MarkCptStale()) return rc;
    return NotifyOutcomeRemoved(index, outcomeIds);
}

int VRX_noisyMAX::ChangeOrderOfOutcomes(const VRX_intArray& order) {
    const int k = GetNumberOfOutcomes();
    int rows = 0;
    int columns = 0;
    if (!CiRows::GetShape(ciWeights, rows, columns) || columns != k) return kOutOfRange;
    VRX_intArray permutation;
    if (const int rc = CiRows::ReadPermutation(order, k, permutation)) return rc;
    if (const int rc = ciWeights.ReorderItems(1, permutation)) return rc;
    if (const int rc = outcomeIds.Permute(permutation)) return rc;
    ResetConstrainedRows();
    if (const int rc = MarkCptStale()) return rc;
    return NotifyOutcomesReordered(permutation);
}

// ---------------------------------------------------------------------------------------------------
// Parameters

int VRX_noisyMAX::SetDefinition(const VRX_Dmatrix& matrix) {
    if (const int rc = CiRows::SetWeights(ciWeights, matrix)) return rc;
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyMAX::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    if (const int rc = CiRows::SetWeightEntries(ciWeights, doubles)) return rc;
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyMAX::CopyParametersTo(VRX_nodeDefinition& target) {
    if (const int rc = VRX_ciDefinition::CopyParametersTo(target)) return rc;
    auto* other = dynamic_cast<VRX_noisyMAX*>(&target);
    if (other == nullptr || other == this) return kSuccess;
    try {
        other->parentOutcomeStrengths = parentOutcomeStrengths;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

VRX_Dmatrix* VRX_noisyMAX::GetCpt() {
    return CachedCpt();
}
