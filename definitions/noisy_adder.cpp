// Noisy-adder definition: parameter rows and distinguished outcomes kept in step with the graph, and
// the table derived by the average or the single-fault rule.
#include "definitions/noisy_adder.h"

#include <cmath>

#include "definitions/ci_rows.h"
#include "model/error_log.h"
#include "model/network.h"
#include "model/node.h"
#include "model/status_codes.h"

namespace {

constexpr const char* kGeneratedOutcome = "State";

// Visits every parent configuration in row-major order (last parent fastest). `step(i, x)` brings the
// running state of parents 0..i up to date for parent i in outcome x, `emit()` writes one run; after a
// step only the levels from the parent that moved are redone.
template <class Step, class Emit>
void WalkConfigurations(int parents, const int* sizes, int* x, Step step, Emit emit) {
    int level = 0;
    for (;;) {
        for (int i = level; i < parents; ++i) step(i, x[i]);
        emit();
        int i = parents - 1;
        while (i >= 0 && ++x[i] == sizes[i]) x[i--] = 0;
        if (i < 0) return;
        level = i;
    }
}

}  // namespace

VRX_noisyAdder::VRX_noisyAdder(int nodeHandle, VRX_network* net) : VRX_ciDefinition(nodeHandle, net) {
    RebuildFromParents();
    CheckValidity(1);
    CheckConsistency(0);
}

VRX_noisyAdder::VRX_noisyAdder(VRX_nodeDefinition& source)
    : VRX_ciDefinition(source.GetHandle(), source.GetNetwork()) {
    CopyFrom(source);
}

// CopyFrom only reads a noisy-adder source, so the const copy goes the same way as a conversion.
VRX_noisyAdder::VRX_noisyAdder(const VRX_noisyAdder& source) : VRX_ciDefinition(source) {
    CopyFrom(const_cast<VRX_noisyAdder&>(source));
}

VRX_noisyAdder::~VRX_noisyAdder() = default;

void VRX_noisyAdder::CheckConsistency(int deep) {
    VRX_ciDefinition::CheckConsistency(deep);
    if (!IsConsistent()) return;
    int rows = 0;
    int k = 0;
    char text[64];
    const bool sound = CiRows::GetShape(ciWeights, rows, k) && k == GetNumberOfOutcomes() &&
                       CheckParameters(ciWeights, text, sizeof text) == kSuccess;
    if (!sound) SetFlag(kConsistent, false);
}

int VRX_noisyAdder::GetType() const {
    return DefinitionType::kNoisyAdder;
}

const char* VRX_noisyAdder::GetTypeName() const {
    return "NOISY_ADDER";
}

// ---------------------------------------------------------------------------------------------------
// Helpers

int VRX_noisyAdder::GetParentStartingPosition(int i) const {
    if (i < 0 || i >= GetNumberOfParents()) return kOutOfRange;
    int start = 0;
    for (int b = 0; b < i; ++b) start += parentOutcomeCounts_[b];
    return start;
}

void VRX_noisyAdder::ResetParentDistinguishedRow(int i) {
    const int start = GetParentStartingPosition(i);
    if (start >= 0) CiRows::SetUnitRow(ciWeights, start + parentDistinguishedStates[i], distinguishedState);
}

int VRX_noisyAdder::ConstrainedColumns(int rows, VRX_intArray& out) const {
    if (out.SetSize(rows) != kSuccess) return kOutOfMemory;
    out.SetCount(rows);
    out.FillWith(-1);
    int start = 0;
    for (int i = 0; i < GetNumberOfParents() && i < parentDistinguishedStates.GetCount(); ++i) {
        const int row = start + parentDistinguishedStates[i];
        if (row >= 0 && row < rows) out[row] = distinguishedState;
        start += parentOutcomeCounts_[i];
    }
    return kSuccess;
}

int VRX_noisyAdder::NotifyNetwork(int code) {
    if (network == nullptr) return kSuccess;
    return network->NotifyChange(handle, code);
}

bool VRX_noisyAdder::WeightsUsable(const VRX_doubleArray& values) const {
    const int n = GetNumberOfParents() + 1;
    if (values.GetCount() != n && values.GetSize() != n) return false;
    for (int i = 0; i < n; ++i) {
        if (!(values[i] >= 0.0) || !std::isfinite(values[i])) return false;
    }
    // With every parent distinguished the leak weight alone is the denominator.
    return values[n - 1] > 0.0;
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_noisyAdder::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = CiRows::LocateParent(network, handle, parent, position, type)) return rc;
    if (!IsIndexingType(type)) return kOutOfRange;
    const int n = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
    if (n <= 0) return kSuccess;
    int rows = 0;
    int k = 0;
    if (!CiRows::GetShape(ciWeights, rows, k) || position > GetNumberOfParents() ||
        weights.GetCount() != GetNumberOfParents() + 1) {
        return kOutOfRange;
    }
    const int start = position < GetNumberOfParents() ? GetParentStartingPosition(position) : rows - 1;

    // The last outcome starts distinguished; the leak weight stays last.
    if (const int rc = parentDistinguishedStates.Insert(position, n - 1)) return rc;
    if (const int rc = weights.Insert(position, 1.0)) {
        parentDistinguishedStates.Delete(position);
        return rc;
    }
    if (const int rc = parentOutcomeCounts_.Insert(position, n)) {
        parentDistinguishedStates.Delete(position);
        weights.Delete(position);
        return rc;
    }
    if (const int rc = CiRows::InsertRows(ciWeights, start, n)) {
        parentDistinguishedStates.Delete(position);
        weights.Delete(position);
        parentOutcomeCounts_.Delete(position);
        return rc;
    }
    cptCacheFlags &= ~CptCache::kCurrent;
    for (int m = 0; m < n - 1; ++m) CiRows::FillRow(ciWeights, start + m, 1.0 / k);
    ResetParentDistinguishedRow(position);
    if (cptCacheFlags & CptCache::kRecomputeAtOnce) CalculateCpt();
    CheckValidity(0);
    return kSuccess;
}

int VRX_noisyAdder::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = CiRows::LocateParent(network, handle, parent, position, type)) return rc;
    if (type == DefinitionType::kTable) return kOutOfRange;
    if (!IsIndexingType(type)) {
        CheckValidity(0);
        return kSuccess;
    }
    if (position >= GetNumberOfParents()) return kOutOfRange;
    const int n = parentOutcomeCounts_[position];
    if (const int rc = CiRows::RemoveRows(ciWeights, GetParentStartingPosition(position), n)) return rc;
    parentDistinguishedStates.Delete(position);
    weights.Delete(position);
    parentOutcomeCounts_.Delete(position);
    cptCacheFlags &= ~CptCache::kCurrent;
    if ((cptCacheFlags & CptCache::kRecomputeAtOnce) && position < cpt.GetNumberOfDimensions() - 1) {
        cpt.ReduceToSlice(position, 0);
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_noisyAdder::InsertParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = CiRows::LocateParent(network, handle, parent, position, type)) return rc;
    if (type == DefinitionType::kTable) return kOutOfRange;
    if (!IsIndexingType(type)) return kSuccess;
    if (position >= GetNumberOfParents()) return kOutOfRange;
    const int n = parentOutcomeCounts_[position];
    if (index < 0 || index > n) return kOutOfRange;
    // The new outcome starts without effect.
    const int row = GetParentStartingPosition(position) + index;
    if (const int rc = CiRows::InsertRows(ciWeights, row, 1)) return rc;
    CiRows::SetUnitRow(ciWeights, row, distinguishedState);
    ++parentOutcomeCounts_[position];
    if (index <= parentDistinguishedStates[position]) ++parentDistinguishedStates[position];
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyAdder::RemoveParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = CiRows::LocateParent(network, handle, parent, position, type)) return rc;
    if (type == DefinitionType::kTable) return kOutOfRange;
    if (!IsIndexingType(type)) {
        CheckValidity(0);
        return kSuccess;
    }
    if (position >= GetNumberOfParents()) return kOutOfRange;
    const int n = parentOutcomeCounts_[position];
    if (index < 0 || index >= n || n < 2) return kOutOfRange;
    const int start = GetParentStartingPosition(position);
    if (const int rc = CiRows::RemoveRows(ciWeights, start + index, 1)) return rc;
    --parentOutcomeCounts_[position];
    int& distinguished = parentDistinguishedStates[position];
    if (distinguished > index) {
        --distinguished;
    } else if (distinguished == index) {
        // The parent's outcome 0 takes over as its outcome of no effect.
        distinguished = 0;
        CiRows::SetUnitRow(ciWeights, start, distinguishedState);
    }
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyAdder::ReorderParentOutcomes(int parent, const VRX_intArray& order) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    int type = 0;
    if (const int rc = CiRows::LocateParent(network, handle, parent, position, type)) return rc;
    if (!IsIndexingType(type)) return kSuccess;
    if (position >= GetNumberOfParents()) return kOutOfRange;
    VRX_intArray permutation;
    if (const int rc = CiRows::ReadPermutation(order, parentOutcomeCounts_[position], permutation)) return rc;
    if (const int rc = CiRows::PermuteRows(ciWeights, GetParentStartingPosition(position), permutation)) {
        return rc;
    }
    parentDistinguishedStates[position] = permutation.FindPosition(parentDistinguishedStates[position]);
    return MarkCptStale();
}

int VRX_noisyAdder::ReorderParents(const VRX_intArray& order) {
    const int parents = GetNumberOfParents();
    VRX_intArray permutation;
    if (const int rc = CiRows::ReadPermutation(order, parents, permutation)) return rc;
    VRX_intArray states(parentDistinguishedStates);
    VRX_intArray counts(parentOutcomeCounts_);
    VRX_doubleArray reweighted(weights);
    if (states.GetCount() != parents || counts.GetCount() != parents ||
        reweighted.GetCount() != parents + 1) {
        return kOutOfRange;
    }
    if (const int rc = CiRows::RegroupBlocks(ciWeights, parentOutcomeCounts_, permutation)) return rc;
    for (int j = 0; j < parents; ++j) {
        states[j] = parentDistinguishedStates[permutation[j]];
        counts[j] = parentOutcomeCounts_[permutation[j]];
        reweighted[j] = weights[permutation[j]];
    }
    parentDistinguishedStates.Swap(states);
    parentOutcomeCounts_.Swap(counts);
    weights.Swap(reweighted);
    return MarkCptStale();
}

// ---------------------------------------------------------------------------------------------------
// Whole definition

int VRX_noisyAdder::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_noisyAdder::RebuildFromParents() {
    function = kAverage;
    const int minimum = outcomeIds.GetCount() == 0 ? 3 : 2;
    while (outcomeIds.GetCount() < minimum) {
        if (const int rc = outcomeIds.AddValidId(kGeneratedOutcome, outcomeIds.GetCount())) return rc;
    }
    CheckValidity(0);
    cpt.CleanUp();
    ciWeights.CleanUp();
    parentDistinguishedStates.Flush();
    parentOutcomeCounts_.Flush();
    weights.CleanUp();
    distinguishedState = 1;
    if (const int rc = weights.Add(1.0)) return rc;
    cptCacheFlags &= ~CptCache::kCurrent;
    const int k = outcomeIds.GetCount();
    const int sizes[2] = {1, k};
    if (const int rc = ciWeights.SetupFromList(sizes, 2)) return rc;
    CiRows::SetUnitRow(ciWeights, 0, distinguishedState);

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

void VRX_noisyAdder::TakeParametersOf(VRX_noisyAdder& source) {
    const bool sameBlocks = source.parentOutcomeCounts_ == parentOutcomeCounts_ &&
                            source.parentDistinguishedStates.GetCount() == GetNumberOfParents() &&
                            source.weights.GetCount() == weights.GetCount();
    bool taken =
        ciWeights.HasSameDimensions(source.ciWeights) && ciWeights.Copy(source.ciWeights) == kSuccess;
    if (source.distinguishedState >= 0 && source.distinguishedState < GetNumberOfOutcomes()) {
        distinguishedState = source.distinguishedState;
    } else {
        taken = false;
    }
    if (sameBlocks) {
        if (parentDistinguishedStates.Copy(source.parentDistinguishedStates) != kSuccess ||
            weights.Copy(source.weights) != kSuccess) {
            taken = false;
        }
    }
    function = source.function;
    // A current table of the same parameters saves the copy its first computation.
    const bool sourceCurrent = (source.cptCacheFlags & CptCache::kCurrent) != 0;
    if (taken && sameBlocks && sourceCurrent && cpt.Copy(source.cpt) == kSuccess) {
        cptCacheFlags |= CptCache::kCurrent;
    } else {
        MarkCptStale();
    }
}

int VRX_noisyAdder::CopyFrom(VRX_nodeDefinition& source) {
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
        case DefinitionType::kNoisyAdder:
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kList: {
            const VRX_idArray* names = source.GetOutcomesNames();
            if (names == nullptr) return kOutOfRange;
            outcomeIds = *names;
            if (type == DefinitionType::kList && network != nullptr && network->IsLiveHandle(handle)) {
                network->RemoveAllParents(handle);
            }
            rc = RebuildFromParents();
            auto* adder =
                type == DefinitionType::kNoisyAdder ? dynamic_cast<VRX_noisyAdder*>(&source) : nullptr;
            // Other tables give no parameters: there is no fit for this kind.
            if (rc == kSuccess && adder != nullptr) TakeParametersOf(*adder);
            break;
        }
        case DefinitionType::kTable:
            // Utilities are no distributions: the definition keeps the default parameters.
            outcomeIds.CleanUp(1);
            rc = outcomeIds.AddValidId(kGeneratedOutcome, 0);
            if (rc == kSuccess) rc = outcomeIds.AddValidId(kGeneratedOutcome, 1);
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

int VRX_noisyAdder::InsertOutcome(int index, const char* name) {
    const int before = GetNumberOfOutcomes();
    const int rc = VRX_ciDefinition::InsertOutcome(index, name);
    // The column was opened even when a later notice failed.
    if (GetNumberOfOutcomes() > before && distinguishedState >= index) ++distinguishedState;
    return rc;
}

int VRX_noisyAdder::RemoveOutcome(int index) {
    const int before = GetNumberOfOutcomes();
    int rc = VRX_ciDefinition::RemoveOutcome(index);
    if (GetNumberOfOutcomes() >= before) return rc;
    if (index < distinguishedState) {
        --distinguishedState;
    } else if (index == distinguishedState) {
        distinguishedState = 0;
        for (int i = 0; i < GetNumberOfParents(); ++i) ResetParentDistinguishedRow(i);
        const int stale = MarkCptStale();
        if (rc == kSuccess) rc = stale;
    }
    return rc;
}

int VRX_noisyAdder::SetOutcomes(const VRX_stringArray& names) {
    if (const int rc = VRX_ciDefinition::SetOutcomes(names)) return rc;
    return SetDistinguishedState(GetNumberOfOutcomes() - 1);
}

int VRX_noisyAdder::SetNumberOfOutcomes(int count) {
    if (const int rc = VRX_ciDefinition::SetNumberOfOutcomes(count)) return rc;
    return SetDistinguishedState(count - 1);
}

int VRX_noisyAdder::ChangeOrderOfOutcomes(const VRX_intArray& order) {
    const int k = GetNumberOfOutcomes();
    int rows = 0;
    int columns = 0;
    if (!CiRows::GetShape(ciWeights, rows, columns) || columns != k) return kOutOfRange;
    VRX_intArray permutation;
    if (const int rc = CiRows::ReadPermutation(order, k, permutation)) return rc;
    if (const int rc = ciWeights.ReorderItems(1, permutation)) return rc;
    if (const int rc = outcomeIds.Permute(permutation)) return rc;
    distinguishedState = permutation.FindPosition(distinguishedState);
    if (const int rc = MarkCptStale()) return rc;
    return NotifyOutcomesReordered(permutation);
}

// ---------------------------------------------------------------------------------------------------
// Parameters

int VRX_noisyAdder::SetDefinition(const VRX_Dmatrix& matrix) {
    if (const int rc = CiRows::SetWeights(ciWeights, matrix)) return rc;
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyAdder::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    if (const int rc = CiRows::SetWeightEntries(ciWeights, doubles)) return rc;
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyAdder::CopyParametersTo(VRX_nodeDefinition& target) {
    if (const int rc = VRX_ciDefinition::CopyParametersTo(target)) return rc;
    auto* other = dynamic_cast<VRX_noisyAdder*>(&target);
    if (other == nullptr || other == this) return kSuccess;
    other->function = function;
    other->distinguishedState = distinguishedState;
    if (const int rc = other->weights.Copy(weights)) return rc;
    if (const int rc = other->parentDistinguishedStates.Copy(parentDistinguishedStates)) return rc;
    return other->parentOutcomeCounts_.Copy(parentOutcomeCounts_);
}

VRX_Dmatrix* VRX_noisyAdder::GetCpt() {
    return CachedCpt();
}

int VRX_noisyAdder::CalculateParameters() {
    return kOutOfRange;
}

int VRX_noisyAdder::SetFunction(int code) {
    function = code;
    return MarkCptStale();
}

int VRX_noisyAdder::SetDistinguishedState(int s) {
    if (s < 0 || s >= GetNumberOfOutcomes()) return kOutOfRange;
    if (s == distinguishedState) return kSuccess;
    distinguishedState = s;
    for (int i = 0; i < GetNumberOfParents(); ++i) ResetParentDistinguishedRow(i);
    return MarkCptStale();
}

int VRX_noisyAdder::SetParentDistinguishedState(int i, int s) {
    if (i < 0 || i >= GetNumberOfParents() || s < 0 || s >= parentOutcomeCounts_[i]) return kOutOfRange;
    if (s == parentDistinguishedStates[i]) return kSuccess;
    parentDistinguishedStates[i] = s;
    ResetParentDistinguishedRow(i);
    return MarkCptStale();
}

int VRX_noisyAdder::SetWeights(const VRX_doubleArray& values) {
    if (!WeightsUsable(values)) return kOutOfRange;
    const int n = GetNumberOfParents() + 1;
    VRX_doubleArray copy;
    if (copy.SetSize(n) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < n; ++i) copy.Add(values[i]);
    weights.Swap(copy);
    return MarkCptStale();
}

int VRX_noisyAdder::CheckParameters(const VRX_Dmatrix& matrix, char* buffer, int size) {
    int rows = 0;
    int k = 0;
    VRX_intArray unit;
    if (CiRows::GetShape(ciWeights, rows, k) && ConstrainedColumns(rows, unit) != kSuccess)
        return kOutOfMemory;
    return CiRows::CheckRows(matrix, ciWeights, unit, buffer, size);
}

// ---------------------------------------------------------------------------------------------------
// The table

int VRX_noisyAdder::CalculateCpt() {
    int rc = kOutOfRange;
    if (function == kAverage) {
        rc = ComputeCptAverage(ciWeights, cpt);
    } else if (function == kSingleFault) {
        rc = ComputeCptSingleFault(ciWeights, cpt);
    }
    if (rc == kSuccess) cptCacheFlags |= CptCache::kCurrent;
    return rc;
}

int VRX_noisyAdder::PrepareTable(const VRX_Dmatrix& parameters, VRX_Dmatrix& table, int& k) const {
    int rows = 0;
    const int parents = GetNumberOfParents();
    if (!CiRows::GetShape(parameters, rows, k) || k != outcomeIds.GetCount() || k < 1 ||
        parentDistinguishedStates.GetCount() != parents) {
        return kOutOfRange;
    }
    int used = 1;
    for (int i = 0; i < parents; ++i) {
        const int n = parentOutcomeCounts_[i];
        if (n < 1 || parentDistinguishedStates[i] < 0 || parentDistinguishedStates[i] >= n)
            return kOutOfRange;
        used += n;
    }
    if (used != rows) return kOutOfRange;
    return CiRows::ShapeTable(table, parentOutcomeCounts_, k);
}

int VRX_noisyAdder::ComputeCptAverage(const VRX_Dmatrix& parameters, VRX_Dmatrix& table) {
    // Checked before the table is touched: a refusal leaves it as it was.
    if (!WeightsUsable(weights)) return kOutOfRange;
    int k = 0;
    if (const int rc = PrepareTable(parameters, table, k)) return rc;
    const int parents = GetNumberOfParents();
    const int rows = parameters.GetDimensions()[0];
    VRX_doubleArray numerators;
    VRX_doubleArray denominators;
    VRX_intArray starts;
    VRX_intArray x;
    if (numerators.SetSize((parents + 1) * k) != kSuccess || denominators.SetSize(parents + 1) != kSuccess ||
        starts.SetSize(parents) != kSuccess || x.SetSize(parents) != kSuccess) {
        return kOutOfMemory;
    }
    for (int i = 0, start = 0; i < parents; ++i) {
        starts[i] = start;
        x[i] = 0;
        start += parentOutcomeCounts_[i];
    }
    // Level i + 1 holds the sums over the leak and the active parents among 0..i.
    const double* p = parameters.GetData();
    const double* leak = p + (rows - 1) * k;
    const double* w = weights.GetItems();
    const int* d = parentDistinguishedStates.GetItems();
    double* num = numerators.GetItems();
    double* den = denominators.GetItems();
    const double leakWeight = w[parents];
    for (int j = 0; j < k; ++j) num[j] = leakWeight * leak[j];
    den[0] = leakWeight;
    double* out = table.GetData();
    WalkConfigurations(
        parents, parentOutcomeCounts_.GetItems(), x.GetItems(),
        [&](int i, int xi) {
            const double* before = num + i * k;
            double* after = num + (i + 1) * k;
            if (xi == d[i]) {
                for (int j = 0; j < k; ++j) after[j] = before[j];
                den[i + 1] = den[i];
            } else {
                const double* row = p + (starts[i] + xi) * k;
                for (int j = 0; j < k; ++j) after[j] = before[j] + w[i] * row[j];
                den[i + 1] = den[i] + w[i];
            }
        },
        [&]() {
            const double* sums = num + parents * k;
            const double total = den[parents];
            for (int j = 0; j < k; ++j) out[j] = sums[j] / total;
            out += k;
        });
    return kSuccess;
}

int VRX_noisyAdder::ComputeCptSingleFault(const VRX_Dmatrix& parameters, VRX_Dmatrix& table) {
    int k = 0;
    if (const int rc = PrepareTable(parameters, table, k)) return rc;
    const int parents = GetNumberOfParents();
    const int rows = parameters.GetDimensions()[0];
    // Level i + 1: how many of parents 0..i are active (capped at 2) and the row of the last one.
    VRX_intArray active;
    VRX_intArray activeRow;
    VRX_intArray starts;
    VRX_intArray x;
    if (active.SetSize(parents + 1) != kSuccess || activeRow.SetSize(parents + 1) != kSuccess ||
        starts.SetSize(parents) != kSuccess || x.SetSize(parents) != kSuccess) {
        return kOutOfMemory;
    }
    for (int i = 0, start = 0; i < parents; ++i) {
        starts[i] = start;
        x[i] = 0;
        start += parentOutcomeCounts_[i];
    }
    active[0] = 0;
    activeRow[0] = rows - 1;
    const double* p = parameters.GetData();
    const int* d = parentDistinguishedStates.GetItems();
    double* out = table.GetData();
    WalkConfigurations(
        parents, parentOutcomeCounts_.GetItems(), x.GetItems(),
        [&](int i, int xi) {
            if (xi == d[i]) {
                active[i + 1] = active[i];
                activeRow[i + 1] = activeRow[i];
            } else {
                active[i + 1] = active[i] < 2 ? active[i] + 1 : 2;
                activeRow[i + 1] = starts[i] + xi;
            }
        },
        [&]() {
            // Exactly one active parent gives its row; none, or two and more, the leak.
            const double* row = p + (active[parents] == 1 ? activeRow[parents] : rows - 1) * k;
            for (int j = 0; j < k; ++j) out[j] = row[j];
            out += k;
        });
    return kSuccess;
}
