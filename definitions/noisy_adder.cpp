// Noisy-adder definition: parameter rows and distinguished outcomes kept in step with the graph, and
// the table derived by the average or the single-fault rule.
#include "definitions/noisy_adder.h"

#include <cmath>

#include "base/status_codes.h"
#include "definitions/ci_rows.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

namespace CiRows = vovido::CiRows;

using vovido::NoisyDefinition;

VRX_noisyAdder::VRX_noisyAdder(int nodeHandle, VRX_network* net) : NoisyDefinition(nodeHandle, net) {
    (void)RebuildFromParents();  // out of memory leaves the table empty
    CheckValidity(1);
    CheckConsistency(0);
}

VRX_noisyAdder::VRX_noisyAdder(VRX_nodeDefinition& source)
    : NoisyDefinition(source.GetHandle(), source.GetNetwork()) {
    (void)CopyFrom(source);  // out of memory leaves the table empty
}

// CopyFrom only reads a noisy-adder source, so the const copy goes the same way as a conversion.
VRX_noisyAdder::VRX_noisyAdder(const VRX_noisyAdder& source) : NoisyDefinition(source) {
    (void)CopyFrom(const_cast<VRX_noisyAdder&>(source));  // out of memory leaves the table empty
}

VRX_noisyAdder::~VRX_noisyAdder() = default;

int VRX_noisyAdder::GetType() const {
    return DefinitionType::kNoisyAdder;
}

const char* VRX_noisyAdder::GetTypeName() const {
    return "NOISY_ADDER";
}

// ---------------------------------------------------------------------------------------------------
// Helpers

int VRX_noisyAdder::ParentBlockCount() const {
    return parentOutcomeCounts_.GetCount();
}

int VRX_noisyAdder::ParentBlockSize(int i) const {
    return parentOutcomeCounts_[i];
}

bool VRX_noisyAdder::ParentEntriesInStep() const {
    const int parents = GetNumberOfParents();
    return parentDistinguishedStates.GetCount() == parents && weights.GetCount() == parents + 1;
}

int VRX_noisyAdder::InsertParentEntry(int position, int outcomes) {
    // The last outcome starts distinguished; the leak weight stays last.
    if (const int rc = parentDistinguishedStates.Insert(position, outcomes - 1)) return rc;
    if (const int rc = weights.Insert(position, 1.0)) {
        (void)parentDistinguishedStates.Delete(position);  // undoes the insert just made
        return rc;
    }
    if (const int rc = parentOutcomeCounts_.Insert(position, outcomes)) {
        // Undoes the inserts just made.
        (void)parentDistinguishedStates.Delete(position);
        (void)weights.Delete(position);
        return rc;
    }
    return kSuccess;
}

void VRX_noisyAdder::RemoveParentEntry(int position) {
    // position is a parent's: the deletes cannot fail.
    (void)parentDistinguishedStates.Delete(position);
    (void)weights.Delete(position);
    (void)parentOutcomeCounts_.Delete(position);
}

int VRX_noisyAdder::PermuteParentEntries(const VRX_intArray& permutation) {
    const int parents = GetNumberOfParents();
    VRX_intArray states(parentDistinguishedStates);
    VRX_intArray counts(parentOutcomeCounts_);
    VRX_doubleArray reweighted(weights);
    if (states.GetCount() != parents || counts.GetCount() != parents ||
        reweighted.GetCount() != parents + 1) {
        return kOutOfMemory;
    }
    for (int j = 0; j < parents; ++j) {
        states[j] = parentDistinguishedStates[permutation[j]];
        counts[j] = parentOutcomeCounts_[permutation[j]];
        reweighted[j] = weights[permutation[j]];
    }
    parentDistinguishedStates.Swap(states);
    parentOutcomeCounts_.Swap(counts);
    weights.Swap(reweighted);
    return kSuccess;
}

int VRX_noisyAdder::ResetParentEntries() {
    function = kAverage;
    parentDistinguishedStates.Flush();
    parentOutcomeCounts_.Flush();
    weights.CleanUp();
    distinguishedState = 1;
    return weights.Add(1.0);
}

int VRX_noisyAdder::MinimumOutcomeCount() const {
    return outcomeIds.GetCount() == 0 ? 3 : 2;
}

void VRX_noisyAdder::ResetLeakRow() {
    CiRows::SetUnitRow(ciWeights, 0, distinguishedState);
}

bool VRX_noisyAdder::ConstrainedCell(int i, int& row, int& column) const {
    if (i >= parentDistinguishedStates.GetCount()) return false;
    row = parentDistinguishedStates[i];
    column = distinguishedState;
    return true;
}

void VRX_noisyAdder::OutcomeColumnInserted(int index) {
    if (distinguishedState >= index) ++distinguishedState;
}

void VRX_noisyAdder::OutcomeColumnRemoved(int index) {
    if (index < distinguishedState) {
        --distinguishedState;
    } else if (index == distinguishedState) {
        distinguishedState = 0;
        ResetConstrainedRows();
    }
}

void VRX_noisyAdder::OutcomeColumnsReordered(const VRX_intArray& permutation) {
    distinguishedState = permutation.FindPosition(distinguishedState);
}

bool VRX_noisyAdder::WeightsUsable(const VRX_doubleArray& values) const {
    const int n = GetNumberOfParents() + 1;
    if (DefinitionSupport::MatchEntryCount(values, n) < 0) return false;
    for (int i = 0; i < n; ++i) {
        if (!(values[i] >= 0.0) || !std::isfinite(values[i])) return false;
    }
    // With every parent distinguished the leak weight alone is the denominator.
    return values[n - 1] > 0.0;
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_noisyAdder::InsertParentOutcome(int parent, int index) {
    int position = 0;
    int type = 0;
    const int located = LocateOwnBlock(parent, position, type, true);
    if (located != kSuccess) return located == kNoBlock ? kSuccess : located;
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
    int position = 0;
    int type = 0;
    const int located = LocateOwnBlock(parent, position, type, true);
    if (located == kNoBlock) {
        CheckValidity(0);
        return kSuccess;
    }
    if (located != kSuccess) return located;
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
    int position = 0;
    int type = 0;
    const int located = LocateOwnBlock(parent, position, type, false);
    if (located != kSuccess) return located == kNoBlock ? kSuccess : located;
    VRX_intArray permutation;
    const int n = parentOutcomeCounts_[position];
    if (const int rc = DefinitionSupport::ReadPermutation(order, n, permutation)) return rc;
    if (const int rc = CiRows::PermuteRows(ciWeights, GetParentStartingPosition(position), permutation)) {
        return rc;
    }
    parentDistinguishedStates[position] = permutation.FindPosition(parentDistinguishedStates[position]);
    return MarkCptStale();
}

// ---------------------------------------------------------------------------------------------------
// Whole definition

void VRX_noisyAdder::TakeParametersOf(VRX_noisyAdder& source) {
    // The counts alone: the arrays' reserved room may differ after a parent was removed.
    bool sameCounts = source.parentOutcomeCounts_.GetCount() == parentOutcomeCounts_.GetCount();
    for (int i = 0; sameCounts && i < parentOutcomeCounts_.GetCount(); ++i)
        sameCounts = source.parentOutcomeCounts_[i] == parentOutcomeCounts_[i];
    const bool sameBlocks = sameCounts &&
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
    AdoptCachedCpt(source, taken && sameBlocks);
}

void VRX_noisyAdder::AdoptParametersOf(VRX_nodeDefinition& source) {
    if (source.GetType() != DefinitionType::kNoisyAdder) return;
    if (auto* adder = dynamic_cast<VRX_noisyAdder*>(&source)) TakeParametersOf(*adder);
}

// ---------------------------------------------------------------------------------------------------
// Outcomes

int VRX_noisyAdder::SetOutcomes(const VRX_stringArray& names) {
    if (const int rc = VRX_ciDefinition::SetOutcomes(names)) return rc;
    return SetDistinguishedState(GetNumberOfOutcomes() - 1);
}

int VRX_noisyAdder::SetNumberOfOutcomes(int count) {
    if (const int rc = VRX_ciDefinition::SetNumberOfOutcomes(count)) return rc;
    return SetDistinguishedState(count - 1);
}

// ---------------------------------------------------------------------------------------------------
// Parameters

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
    ResetConstrainedRows();
    return MarkCptStale();
}

int VRX_noisyAdder::SetParentDistinguishedState(int i, int s) {
    if (i < 0 || i >= GetNumberOfParents() || s < 0 || s >= parentOutcomeCounts_[i]) return kOutOfRange;
    if (s == parentDistinguishedStates[i]) return kSuccess;
    parentDistinguishedStates[i] = s;
    ResetConstrainedRow(i);
    return MarkCptStale();
}

int VRX_noisyAdder::SetWeights(const VRX_doubleArray& values) {
    if (!WeightsUsable(values)) return kOutOfRange;
    const int n = GetNumberOfParents() + 1;
    VRX_doubleArray copy;
    if (copy.SetSize(n) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < n; ++i) copy.AddReserved(values[i]);
    weights.Swap(copy);
    return MarkCptStale();
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

int VRX_noisyAdder::PrepareTable(const VRX_Dmatrix& parameters, VRX_Dmatrix& table, int& k,
                                 VRX_intArray& starts, VRX_intArray& x) const {
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
    if (starts.SetSize(parents) != kSuccess || x.SetSize(parents) != kSuccess) return kOutOfMemory;
    for (int i = 0, start = 0; i < parents; ++i) {
        starts[i] = start;
        x[i] = 0;
        start += parentOutcomeCounts_[i];
    }
    return CiRows::ShapeTable(table, parentOutcomeCounts_, k);
}

int VRX_noisyAdder::ComputeCptAverage(const VRX_Dmatrix& parameters, VRX_Dmatrix& table) {
    // Checked before the table is touched: a refusal leaves it as it was.
    if (!WeightsUsable(weights)) return kOutOfRange;
    int k = 0;
    VRX_intArray starts;
    VRX_intArray x;
    if (const int rc = PrepareTable(parameters, table, k, starts, x)) return rc;
    const int parents = GetNumberOfParents();
    const int rows = parameters.GetDimensions()[0];
    VRX_doubleArray numerators;
    VRX_doubleArray denominators;
    if (numerators.SetSize((parents + 1) * k) != kSuccess || denominators.SetSize(parents + 1) != kSuccess) {
        return kOutOfMemory;
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
    CiRows::WalkConfigurations(
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
    VRX_intArray starts;
    VRX_intArray x;
    if (const int rc = PrepareTable(parameters, table, k, starts, x)) return rc;
    const int parents = GetNumberOfParents();
    const int rows = parameters.GetDimensions()[0];
    // Level i + 1: how many of parents 0..i are active (capped at 2) and the row of the last one.
    VRX_intArray active;
    VRX_intArray activeRow;
    if (active.SetSize(parents + 1) != kSuccess || activeRow.SetSize(parents + 1) != kSuccess) {
        return kOutOfMemory;
    }
    active[0] = 0;
    activeRow[0] = rows - 1;
    const double* p = parameters.GetData();
    const int* d = parentDistinguishedStates.GetItems();
    double* out = table.GetData();
    CiRows::WalkConfigurations(
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
