// Base of the noisy kinds: parameter blocks kept in step with the parents and the node's outcomes,
// copies and conversions.
#include "definitions/noisy_definition.h"

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/ci_rows.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido {

namespace {

constexpr const char* kGeneratedOutcome = "State";

}  // namespace

NoisyDefinition::NoisyDefinition(int nodeHandle, VRX_network* net) : VRX_ciDefinition(nodeHandle, net) {}

NoisyDefinition::NoisyDefinition(const NoisyDefinition& source) : VRX_ciDefinition(source) {}

void NoisyDefinition::CheckConsistency(int deep) {
    VRX_ciDefinition::CheckConsistency(deep);
    if (!IsConsistent()) return;
    int rows = 0;
    int k = 0;
    char text[64];
    const bool sound = CiRows::GetShape(ciWeights, rows, k) && k == GetNumberOfOutcomes() &&
                       CheckParameters(ciWeights, text, sizeof text) == kSuccess;
    if (!sound) SetFlag(kConsistent, false);
}

// ---------------------------------------------------------------------------------------------------
// Blocks

int NoisyDefinition::GetParentStartingPosition(int i) const {
    if (i < 0 || i >= GetNumberOfParents()) return kOutOfRange;
    int start = 0;
    for (int b = 0; b < i; ++b) start += ParentBlockSize(b);
    return start;
}

int NoisyDefinition::LocateBlock(int parent, int& position, int& type) const {
    if (!IsValid()) return kObjectNotValid;
    return CiRows::LocateParent(network, handle, parent, position, type);
}

int NoisyDefinition::LocateOwnBlock(int parent, int& position, int& type, bool tableRefused) const {
    if (const int rc = LocateBlock(parent, position, type)) return rc;
    if (tableRefused && type == DefinitionType::kTable) return kOutOfRange;
    if (!IsIndexingType(type)) return kNoBlock;
    return position < GetNumberOfParents() ? kSuccess : kOutOfRange;
}

void NoisyDefinition::ResetConstrainedRow(int i) {
    const int start = GetParentStartingPosition(i);
    int row = 0;
    int column = 0;
    if (start >= 0 && ConstrainedCell(i, row, column)) CiRows::SetUnitRow(ciWeights, start + row, column);
}

void NoisyDefinition::ResetConstrainedRows() {
    for (int i = 0; i < GetNumberOfParents(); ++i) ResetConstrainedRow(i);
}

int NoisyDefinition::ConstrainedColumns(int rows, VRX_intArray& out) const {
    if (out.SetSize(rows) != kSuccess) return kOutOfMemory;
    out.SetCount(rows);
    out.FillWith(-1);
    int start = 0;
    for (int i = 0; i < GetNumberOfParents(); ++i) {
        int row = 0;
        int column = 0;
        if (!ConstrainedCell(i, row, column)) break;
        row += start;
        if (row >= 0 && row < rows) out[row] = column;
        start += ParentBlockSize(i);
    }
    return kSuccess;
}

int NoisyDefinition::CheckParameters(const VRX_Dmatrix& matrix, char* buffer, int size) {
    int rows = 0;
    int k = 0;
    VRX_intArray unit;
    if (CiRows::GetShape(ciWeights, rows, k) && ConstrainedColumns(rows, unit) != kSuccess)
        return kOutOfMemory;
    return CiRows::CheckRows(matrix, ciWeights, unit, buffer, size);
}

// ---------------------------------------------------------------------------------------------------
// Parents

int NoisyDefinition::AddParent(int parent) {
    int position = 0;
    int type = 0;
    if (const int rc = LocateBlock(parent, position, type)) return rc;
    if (!IsIndexingType(type)) return kOutOfRange;
    const int n = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
    if (n <= 0) return kSuccess;
    const int parents = GetNumberOfParents();
    int rows = 0;
    int k = 0;
    if (!CiRows::GetShape(ciWeights, rows, k) || position > parents || !ParentEntriesInStep()) {
        return kOutOfRange;
    }
    // The parameters grow by a block, but the table they define by a factor n: refused while the
    // parameters are still as they were.
    int64_t cells = static_cast<int64_t>(k) * n;
    for (int i = 0; i < parents && cells <= kMaxTableCells; ++i) cells *= ParentBlockSize(i);
    if (cells > kMaxTableCells) return DefinitionSupport::RefuseTable(network, handle, cells);
    const int start = position < parents ? GetParentStartingPosition(position) : rows - 1;
    if (const int rc = InsertParentEntry(position, n)) return rc;
    if (const int rc = CiRows::InsertRows(ciWeights, start, n)) {
        RemoveParentEntry(position);
        return rc;
    }
    cptCacheFlags &= ~CptCache::kCurrent;
    // The outcomes of effect start uniform.
    for (int m = 0; m < n - 1; ++m) CiRows::FillRow(ciWeights, start + m, 1.0 / k);
    ResetConstrainedRow(position);
    CheckValidity(0);
    if (cptCacheFlags & CptCache::kRecomputeAtOnce) return CalculateCpt();
    return kSuccess;
}

int NoisyDefinition::RemoveParent(int parent) {
    int position = 0;
    int type = 0;
    const int located = LocateOwnBlock(parent, position, type, true);
    if (located == kNoBlock) {
        CheckValidity(0);
        return kSuccess;
    }
    if (located != kSuccess) return located;
    const int n = ParentBlockSize(position);
    if (n >= 1) {
        if (const int rc = CiRows::RemoveRows(ciWeights, GetParentStartingPosition(position), n)) return rc;
    }
    RemoveParentEntry(position);
    cptCacheFlags &= ~CptCache::kCurrent;
    if ((cptCacheFlags & CptCache::kRecomputeAtOnce) && position < cpt.GetNumberOfDimensions() - 1) {
        // Keeps the table in shape; on failure it stays stale and is computed again when used.
        (void)cpt.ReduceToSlice(position, 0);
    }
    CheckValidity(0);
    return kSuccess;
}

int NoisyDefinition::ReorderParents(const VRX_intArray& order) {
    const int parents = GetNumberOfParents();
    VRX_intArray permutation;
    if (const int rc = DefinitionSupport::ReadPermutation(order, parents, permutation)) return rc;
    if (!ParentEntriesInStep()) return kOutOfRange;
    VRX_intArray sizes;
    if (sizes.SetSize(parents) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < parents; ++i) sizes.AddReserved(ParentBlockSize(i));
    if (const int rc = CiRows::RegroupBlocks(ciWeights, sizes, permutation)) return rc;
    if (const int rc = PermuteParentEntries(permutation)) return rc;
    return MarkCptStale();
}

// ---------------------------------------------------------------------------------------------------
// Whole definition

int NoisyDefinition::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int NoisyDefinition::RebuildFromParents() {
    // Emptied here as well: a rebuild after a parent changed its kind comes without a clean-up first.
    if (const int rc = ResetParentEntries()) return rc;
    const int minimum = MinimumOutcomeCount();
    while (outcomeIds.GetCount() < minimum) {
        if (const int rc = outcomeIds.AddValidId(kGeneratedOutcome, outcomeIds.GetCount())) return rc;
    }
    CheckValidity(0);
    cpt.CleanUp();
    ciWeights.CleanUp();
    cptCacheFlags &= ~CptCache::kCurrent;
    const int sizes[2] = {1, outcomeIds.GetCount()};
    if (const int rc = ciWeights.SetupFromList(sizes, 2)) return rc;
    ResetLeakRow();
    DefinitionSupport::AddCurrentParents(*this);
    if (cptCacheFlags & CptCache::kRecomputeAtOnce) return CalculateCpt();
    return kSuccess;
}

void NoisyDefinition::AdoptCachedCpt(const NoisyDefinition& source, bool taken) {
    // A current table of the same parameters saves the copy its first computation.
    const bool sourceCurrent = (source.cptCacheFlags & CptCache::kCurrent) != 0;
    if (taken && sourceCurrent && cpt.Copy(source.cpt) == kSuccess) {
        cptCacheFlags |= CptCache::kCurrent;
    } else {
        (void)MarkCptStale();  // a failed computation leaves the table stale, computed again when used
    }
}

int NoisyDefinition::CopyFrom(VRX_nodeDefinition& source) {
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
        case DefinitionType::kNoisyAdder:
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kList: {
            const VRX_idArray* names = source.GetOutcomesNames();
            if (names == nullptr) return kOutOfRange;
            outcomeIds = *names;
            // A decision's parents are observations, not causes.
            if (type == DefinitionType::kList && IsAttachedToLiveNode())
                rc = network->RemoveAllParents(handle);
            if (rc == kSuccess) rc = RebuildFromParents();
            if (rc == kSuccess) AdoptParametersOf(source);
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
    return DefinitionSupport::FinishConversion(*this);
}

// ---------------------------------------------------------------------------------------------------
// Outcomes and parameters

int NoisyDefinition::ChangeOrderOfOutcomes(const VRX_intArray& order) {
    const int k = GetNumberOfOutcomes();
    int rows = 0;
    int columns = 0;
    if (!CiRows::GetShape(ciWeights, rows, columns) || columns != k) return kOutOfRange;
    VRX_intArray permutation;
    if (const int rc = DefinitionSupport::ReadPermutation(order, k, permutation)) return rc;
    if (const int rc = ciWeights.ReorderItems(1, permutation)) return rc;
    if (const int rc = outcomeIds.Permute(permutation)) return rc;
    OutcomeColumnsReordered(permutation);
    if (const int rc = MarkCptStale()) return rc;
    return NotifyOutcomesReordered(permutation);
}

int NoisyDefinition::SetDefinition(const VRX_Dmatrix& matrix) {
    if (const int rc = DefinitionSupport::RefuseNonProbabilities(
            network, handle, "parameters", matrix.GetData(), matrix.GetNumberOfElements()))
        return rc;
    if (const int rc = CiRows::SetWeights(ciWeights, matrix)) return rc;
    const int rc = MarkCptStale();
    CheckValidity(0);
    if (rc == kSuccess) DefinitionSupport::NotifyNetwork(*this, ChangeKind::kEntriesReplaced);
    return rc;
}

int NoisyDefinition::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    if (const int rc = DefinitionSupport::RefuseNonProbabilities(network, handle, "parameters", doubles))
        return rc;
    if (const int rc = CiRows::SetWeightEntries(ciWeights, doubles)) return rc;
    const int rc = MarkCptStale();
    CheckValidity(0);
    if (rc == kSuccess) DefinitionSupport::NotifyNetwork(*this, ChangeKind::kEntriesReplaced);
    return rc;
}

VRX_Dmatrix* NoisyDefinition::GetCpt() {
    return CachedCpt();
}

}  // namespace vovido
