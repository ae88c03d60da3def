// Noisy-MAX definition: parameter rows and strength orders kept in step with the graph, copies and
// conversions.
#include "definitions/noisy_max.h"

#include <new>
#include <utility>

#include "base/status_codes.h"
#include "definitions/ci_rows.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

namespace CiRows = vovido::CiRows;

using vovido::NoisyDefinition;

namespace {

bool IsConvertibleTable(int type) {
    return type == DefinitionType::kCpt || type == DefinitionType::kTruthTable ||
           type == DefinitionType::kNoisyMax || type == DefinitionType::kNoisyAdder;
}

}  // namespace

VRX_noisyMAX::VRX_noisyMAX(int nodeHandle, VRX_network* net) : NoisyDefinition(nodeHandle, net) {
    (void)RebuildFromParents();  // out of memory leaves the table empty
    CheckValidity(1);
    CheckConsistency(0);
}

VRX_noisyMAX::VRX_noisyMAX(VRX_nodeDefinition& source)
    : NoisyDefinition(source.GetHandle(), source.GetNetwork()) {
    (void)CopyFrom(source);  // out of memory leaves the table empty
}

// CopyFrom only reads a noisy-MAX source, so the const copy goes the same way as a conversion.
VRX_noisyMAX::VRX_noisyMAX(const VRX_noisyMAX& source) : NoisyDefinition(source) {
    (void)CopyFrom(const_cast<VRX_noisyMAX&>(source));  // out of memory leaves the table empty
}

VRX_noisyMAX::~VRX_noisyMAX() = default;

void VRX_noisyMAX::CleanUp(int deep) {
    if (deep) parentOutcomeStrengths.clear();
    NoisyDefinition::CleanUp(deep);
}

int VRX_noisyMAX::GetType() const {
    return DefinitionType::kNoisyMax;
}

const char* VRX_noisyMAX::GetTypeName() const {
    return "NOISY_MAX";
}

// ---------------------------------------------------------------------------------------------------
// Blocks

int VRX_noisyMAX::ParentBlockCount() const {
    return static_cast<int>(parentOutcomeStrengths.size());
}

int VRX_noisyMAX::ParentBlockSize(int i) const {
    return parentOutcomeStrengths[i].GetCount();
}

int VRX_noisyMAX::InsertParentEntry(int position, int outcomes) {
    VRX_intArray entry;
    if (entry.SetSize(outcomes) != kSuccess) return kOutOfMemory;
    for (int x = 0; x < outcomes; ++x) entry.AddReserved(x);
    try {
        parentOutcomeStrengths.insert(parentOutcomeStrengths.begin() + position, std::move(entry));
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

void VRX_noisyMAX::RemoveParentEntry(int position) {
    parentOutcomeStrengths.erase(parentOutcomeStrengths.begin() + position);
}

int VRX_noisyMAX::PermuteParentEntries(const VRX_intArray& permutation) {
    StrengthSequence reordered;
    try {
        reordered.resize(parentOutcomeStrengths.size());
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    for (size_t j = 0; j < reordered.size(); ++j) reordered[j].Swap(parentOutcomeStrengths[permutation[j]]);
    parentOutcomeStrengths.swap(reordered);
    return kSuccess;
}

int VRX_noisyMAX::ResetParentEntries() {
    parentOutcomeStrengths.clear();
    return kSuccess;
}

void VRX_noisyMAX::ResetLeakRow() {
    ciWeights.FillWith(1.0 / outcomeIds.GetCount());
}

bool VRX_noisyMAX::ConstrainedCell(int i, int& row, int& column) const {
    int rows = 0;
    int k = 0;
    // The matrix's own columns: while an outcome is removed, its identifier goes only afterwards.
    if (!CiRows::GetShape(ciWeights, rows, k)) k = outcomeIds.GetCount();
    row = parentOutcomeStrengths[i].GetCount() - 1;
    column = k - 1;
    return true;
}

void VRX_noisyMAX::OutcomeColumnInserted(int /*index*/) {
    // Before the notices, which may start an update: a new last outcome takes over the no-effect 1.0.
    ResetConstrainedRows();
}

void VRX_noisyMAX::OutcomeColumnRemoved(int /*index*/) {
    // Removing the last outcome would leave the constrained rows all zero.
    ResetConstrainedRows();
}

void VRX_noisyMAX::OutcomeColumnsReordered(const VRX_intArray& /*permutation*/) {
    ResetConstrainedRows();
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_noisyMAX::FoldBlockIntoLeak(int position, const double* leak) {
    int rows = 0;
    int k = 0;
    CiRows::GetShape(ciWeights, rows, k);
    const int n = parentOutcomeStrengths[position].GetCount();
    if (const int rc = CiRows::RemoveRows(ciWeights, GetParentStartingPosition(position), n)) return rc;
    double* newLeak = ciWeights.GetData() + (rows - 1 - n) * k;
    for (int j = 0; j < k; ++j) newLeak[j] = leak[j];
    parentOutcomeStrengths.erase(parentOutcomeStrengths.begin() + position);
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

int VRX_noisyMAX::AbsorbParentEvidence(int parent) {
    int position = 0;
    int type = 0;
    const int located = LocateOwnBlock(parent, position, type, true);
    if (located < 0) return located;
    VRX_nodeValue* value = network->GetNode(parent)->GetValue();
    if (value == nullptr || !value->HasEvidence()) return kOutOfRange;
    if (located == kNoBlock) {
        CheckValidity(0);
        return kSuccess;
    }
    int rows = 0;
    int k = 0;
    if (!CiRows::GetShape(ciWeights, rows, k)) return kOutOfRange;
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
    return FoldBlockIntoLeak(position, leak);
}

int VRX_noisyMAX::MarginalizeParent(int parent) {
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
    return FoldBlockIntoLeak(position, leak);
}

int VRX_noisyMAX::InsertParentOutcome(int parent, int index) {
    int position = 0;
    int type = 0;
    const int located = LocateOwnBlock(parent, position, type, true);
    if (located != kSuccess) return located == kNoBlock ? kSuccess : located;
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
    int position = 0;
    int type = 0;
    const int located = LocateOwnBlock(parent, position, type, false);
    if (located != kSuccess) return located == kNoBlock ? kOutOfRange : located;
    VRX_intArray& entry = parentOutcomeStrengths[position];
    const int m = entry.FindPosition(index);
    if (m < 0 || entry.GetCount() < 2) return kOutOfRange;
    if (const int rc = CiRows::RemoveRows(ciWeights, GetParentStartingPosition(position) + m, 1)) return rc;
    (void)entry.Delete(m);  // m was found: cannot fail
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
    int position = 0;
    int type = 0;
    const int located = LocateOwnBlock(parent, position, type, false);
    if (located == kNoBlock) {
        CheckValidity(0);
        return kSuccess;
    }
    if (located != kSuccess) return located;
    VRX_intArray& entry = parentOutcomeStrengths[position];
    const int n = entry.GetCount();
    VRX_intArray permutation;
    if (const int rc = DefinitionSupport::ReadPermutation(order, n, permutation)) return rc;
    // Outcome order[j] is now outcome j: every item names the outcome's new index.
    VRX_intArray newIndex;
    if (newIndex.SetSize(n) != kSuccess) return kOutOfMemory;
    for (int j = 0; j < n; ++j) newIndex[permutation[j]] = j;
    for (int m = 0; m < n; ++m) entry[m] = newIndex[entry[m]];
    const int rc = MarkCptStale();
    CheckValidity(0);
    return rc;
}

// ---------------------------------------------------------------------------------------------------
// Copies and conversions

void VRX_noisyMAX::AdoptParametersOf(VRX_nodeDefinition& source) {
    auto* noisy =
        source.GetType() == DefinitionType::kNoisyMax ? dynamic_cast<VRX_noisyMAX*>(&source) : nullptr;
    if (noisy != nullptr) {
        // Only the recompute bit travels: this table is not current until it is computed or copied.
        cptCacheFlags = noisy->cptCacheFlags & CptCache::kRecomputeAtOnce;
        TakeParametersOf(*noisy);
    } else {
        FitTo(source);
    }
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
    AdoptCachedCpt(source, taken && sameBlocks);
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
