// Noisy-MAX definition: the derived table, the fit of parameters to a full table, the leaky form of
// the files and the parents' strength orders.
#include "definitions/noisy_max.h"

#include <cmath>
#include <new>
#include <string>

#include "definitions/ci_rows.h"

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node_entry.h"
#include "model/node_label.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

namespace CiRows = vovido::CiRows;

namespace {

// Moves entry j of a distribution row by delta and rescales the other entries so that the row keeps
// its sum. The others are scaled by what they hold, not by 1 - row[j]: where that is tiny, the rounding
// of the subtraction would be multiplied many times over and the row drift away from a distribution.
void MoveEntry(double* row, int k, int j, double delta) {
    const double old = row[j];
    double others = 0.0;
    for (int l = 0; l < k; ++l) others += l == j ? 0.0 : row[l];
    const double left = others - delta > 0.0 ? others - delta : 0.0;
    for (int l = 0; l < k; ++l) {
        if (l != j) row[l] = others > 0.0 ? row[l] * (left / others) : left / (k - 1);
    }
    row[j] = old + delta;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// The derived table

int VRX_noisyMAX::CalculateCpt() {
    Workspace ws;
    const int rc = ComputeCpt(ciWeights, cpt, ws);
    if (rc == kSuccess) cptCacheFlags |= CptCache::kCurrent;
    return rc;
}

int VRX_noisyMAX::ComputeCpt(const VRX_Dmatrix& parameters, VRX_Dmatrix& table, Workspace& ws) const {
    int rows = 0;
    int k = 0;
    if (!CiRows::GetShape(parameters, rows, k) || k != outcomeIds.GetCount() || k < 1) return kOutOfRange;
    const int parents = GetNumberOfParents();
    if (ws.sizes.SetSize(parents) != kSuccess || ws.starts.SetSize(parents) != kSuccess ||
        ws.counters.SetSize(parents) != kSuccess || ws.rowOf.SetSize(rows) != kSuccess) {
        return kOutOfMemory;
    }
    // Row of every parent outcome: parent i in outcome x uses row start(i) + (position of x in its
    // strength order), so the table is indexed by the parents' own outcomes.
    ws.rowOf.SetCount(rows);
    ws.rowOf.FillWith(-1);
    int start = 0;
    for (int i = 0; i < parents; ++i) {
        const VRX_intArray& entry = parentOutcomeStrengths[i];
        const int n = entry.GetCount();
        if (n < 1 || start + n > rows - 1) return kOutOfRange;
        for (int m = 0; m < n; ++m) {
            const int x = entry[m];
            if (x < 0 || x >= n || ws.rowOf[start + x] >= 0) return kOutOfRange;
            ws.rowOf[start + x] = start + m;
        }
        ws.sizes[i] = n;
        ws.starts[i] = start;
        ws.counters[i] = 0;
        start += n;
    }
    if (start != rows - 1) return kOutOfRange;
    ws.sizes.SetCount(parents);

    // Cumulative rows in scratch, so the parameters stay bit for bit as they are.
    if (ws.cumulative.SetSize(rows * k) != kSuccess || ws.prefix.SetSize((parents + 1) * k) != kSuccess) {
        return kOutOfMemory;
    }
    double* cumulative = ws.cumulative.GetItems();
    const double* p = parameters.GetData();
    for (int e = 0; e < rows * k; ++e) cumulative[e] = p[e];
    for (int r = 0; r < rows; ++r) CiRows::ToCumulative(cumulative + r * k, k);
    if (const int rc = CiRows::ShapeTable(table, ws.sizes, k)) return rc;

    // Prefix level i + 1 holds the leak times the factors of parents 0..i.
    double* prefix = ws.prefix.GetItems();
    const double* leak = cumulative + (rows - 1) * k;
    for (int j = 0; j < k; ++j) prefix[j] = leak[j];
    const int* sizes = ws.sizes.GetItems();
    const int* starts = ws.starts.GetItems();
    const int* rowOf = ws.rowOf.GetItems();
    double* out = table.GetData();
    CiRows::WalkConfigurations(
        parents, sizes, ws.counters.GetItems(),
        [&](int i, int xi) {
            const double* factor = cumulative + rowOf[starts[i] + xi] * k;
            const double* before = prefix + i * k;
            double* after = prefix + (i + 1) * k;
            for (int j = 0; j < k; ++j) after[j] = before[j] * factor[j];
        },
        [&]() {
            const double* c = prefix + parents * k;
            for (int j = 0; j < k - 1; ++j) {
                const double difference = c[j] - c[j + 1];
                out[j] = difference < 0.0 ? 0.0 : difference;
            }
            out[k - 1] = c[k - 1];
            out += k;
        });
    return kSuccess;
}

int VRX_noisyMAX::CalculateParameters() {
    const int k = GetNumberOfOutcomes();
    if (k >= 2) FitParameters(cpt, 1.0 / k, 0.0001);
    return kSuccess;
}

double VRX_noisyMAX::TrialDistance(VRX_Dmatrix& parameters, int e, double delta, const VRX_Dmatrix& target,
                                   VRX_Dmatrix& scratch, Workspace& ws) const {
    const int k = parameters.GetDimensions()[1];
    double* row = parameters.GetData() + (e / k) * k;
    double* saved = ws.savedRow.GetItems();
    for (int j = 0; j < k; ++j) saved[j] = row[j];
    MoveEntry(row, k, e % k, delta);
    double distance = -1.0;
    if (ComputeCpt(parameters, scratch, ws) == kSuccess)
        distance = CiRows::MatrixSquaredDistance(scratch, target);
    for (int j = 0; j < k; ++j) row[j] = saved[j];
    return distance;
}

namespace {

// A seed row from a column of the table fitted: scaled to sum to 1, for the fit moves entries keeping the
// row's sum, and a table's column may be off 1 (rounded, or opened by a new outcome). A column without
// mass (zero, negative or not finite) starts uniform.
void MakeSeedRowDistribution(double* row, int k) {
    double sum = 0.0;
    for (int j = 0; j < k; ++j) {
        if (!(row[j] >= 0.0) || !std::isfinite(row[j])) row[j] = 0.0;
        sum += row[j];
    }
    for (int j = 0; j < k; ++j) row[j] = sum > 0.0 && std::isfinite(sum) ? row[j] / sum : 1.0 / k;
}

// The fit's start in p (a row per parent outcome, the leak last): parent i alone away from outcome 0 ...
// taken from the column where every other parent is at outcome 0; the leak from the last column (every
// parent at its last outcome).
void SeedNoisyMaxFit(const VRX_Dmatrix& target, int parents, VRX_Dmatrix& p) {
    const int k = target.GetDimensions()[parents];
    const int rows = p.GetDimensions()[0];
    const double* c = target.GetData();
    const VRX_intArray& strides = target.GetStrides();
    int start = 0;
    for (int i = 0; i < parents; ++i) {
        const int n = target.GetDimensions()[i];
        for (int m = 0; m < n - 1; ++m) {
            const double* column = c + m * strides[i];
            double* row = p.GetData() + (start + m) * k;
            for (int j = 0; j < k; ++j) row[j] = column[j];
            MakeSeedRowDistribution(row, k);
        }
        start += n;
    }
    const double* last = c + target.GetNumberOfElements() - k;
    double* leak = p.GetData() + (rows - 1) * k;
    for (int j = 0; j < k; ++j) leak[j] = last[j];
    MakeSeedRowDistribution(leak, k);
}

}  // namespace

void VRX_noisyMAX::WarnFitStopped(int64_t cells, int64_t work) const {
    const std::string message =
        "Node [" + vovido::NodeLabel(*network, handle) +
        "] : the fit of its noisy-MAX parameters to its table of " + vovido::GroupedNumber(cells) +
        " cells stopped after " + vovido::GroupedNumber(work) + " cells of trial tables (at most " +
        vovido::GroupedNumber(kMaxFitWorkCells) + "); the closest parameters found are kept";
    (void)LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
}

void VRX_noisyMAX::FitParameters(const VRX_Dmatrix& target, double step, double tolerance) {
    const int parents = target.GetNumberOfDimensions() - 1;
    if (parents < 0 || parents != GetNumberOfParents()) return;
    const int k = target.GetDimensions()[parents];
    int rows = 1;
    for (int i = 0; i < parents; ++i) {
        if (target.GetDimensions()[i] != parentOutcomeStrengths[i].GetCount()) return;
        rows += target.GetDimensions()[i];
    }
    VRX_Dmatrix p;
    const int sizes[2] = {rows, k};
    if (p.SetupFromList(sizes, 2) != kSuccess) return;
    for (int r = 0; r < rows; ++r) CiRows::SetUnitRow(p, r, k - 1);
    SeedNoisyMaxFit(target, parents, p);

    VRX_intArray constrained;
    if (constrained.SetSize(rows) != kSuccess) return;
    constrained.SetCount(rows);
    constrained.FillWith(0);
    int start = 0;
    for (int i = 0; i < parents; ++i) {
        start += target.GetDimensions()[i];
        constrained[start - 1] = 1;
    }

    Workspace ws;
    VRX_Dmatrix scratch;
    if (ws.savedRow.SetSize(k) != kSuccess) return;
    if (ComputeCpt(p, scratch, ws) != kSuccess) return;
    double d = CiRows::MatrixSquaredDistance(scratch, target);
    const int entries = rows * k;
    // Each trial computes the whole table: the fit stops where its trials would pass the work limit.
    const int64_t cells = scratch.GetNumberOfElements();
    int64_t work = cells;
    bool stopped = false;
    for (;;) {
        int best = -1;
        double bestDelta = 0.0;
        for (int e = 0; e < entries && !stopped; ++e) {
            if (constrained[e / k]) continue;
            work += 2 * cells;
            stopped = work > kMaxFitWorkCells;
            const double value = p[e];
            if (value + step <= 1.0) {
                const double trial = TrialDistance(p, e, step, target, scratch, ws);
                if (trial >= 0.0 && trial < d) {
                    d = trial;
                    best = e;
                    bestDelta = step;
                }
            }
            if (value - step >= 0.0) {
                const double trial = TrialDistance(p, e, -step, target, scratch, ws);
                if (trial >= 0.0 && trial < d) {
                    d = trial;
                    best = e;
                    bestDelta = -step;
                }
            }
        }
        if (best >= 0) {
            MoveEntry(p.GetData() + (best / k) * k, k, best % k, bestDelta);
        } else {
            step *= 0.5;
        }
        if (step <= tolerance || d <= 0.0 || stopped) break;
    }
    if (stopped) WarnFitStopped(cells, work);
    ciWeights.Swap(p);
    cptCacheFlags &= ~CptCache::kCurrent;
}

// ---------------------------------------------------------------------------------------------------
// Leaky form

int VRX_noisyMAX::GetLeakyParameters(VRX_Dmatrix& out) {
    if (const int rc = out.Copy(ciWeights)) return rc;
    int rows = 0;
    int k = 0;
    if (!CiRows::GetShape(out, rows, k)) return kSuccess;
    VRX_intArray unit;
    VRX_doubleArray leak;
    if (ConstrainedColumns(rows, unit) != kSuccess || leak.SetSize(k) != kSuccess) return kOutOfMemory;
    double* p = out.GetData();
    for (int j = 0; j < k; ++j) leak[j] = p[(rows - 1) * k + j];
    CiRows::ToCumulative(leak.GetItems(), k);
    // Only the free parent rows change; the leak and the constrained rows stay bit for bit.
    for (int r = 0; r < rows - 1; ++r) {
        if (unit[r] >= 0) continue;
        double* row = p + r * k;
        CiRows::ToCumulative(row, k);
        for (int j = 0; j < k; ++j) row[j] *= leak[j];
        CiRows::FromCumulative(row, k);
    }
    return kSuccess;
}

int VRX_noisyMAX::SetLeakyParameters(const VRX_Dmatrix& matrix) {
    if (!ciWeights.HasSameDimensions(matrix)) return kOutOfRange;
    if (const int rc = DefinitionSupport::RefuseNonProbabilities(
            network, handle, "parameters", matrix.GetData(), matrix.GetNumberOfElements()))
        return rc;
    int rows = 0;
    int k = 0;
    if (!CiRows::GetShape(matrix, rows, k)) return kOutOfRange;
    VRX_intArray unit;
    VRX_doubleArray leak;
    if (ConstrainedColumns(rows, unit) != kSuccess || leak.SetSize(k) != kSuccess) return kOutOfMemory;
    const double* m = matrix.GetData();
    bool freeRows = false;
    for (int r = 0; r < rows - 1; ++r) {
        if (unit[r] < 0) {
            freeRows = true;
            continue;
        }
        for (int j = 0; j < k; ++j) {
            if (m[r * k + j] != (j == unit[r] ? 1.0 : 0.0)) return kOutOfRange;
        }
    }
    for (int j = 0; j < k; ++j) leak[j] = m[(rows - 1) * k + j];
    CiRows::ToCumulative(leak.GetItems(), k);
    // A cumulative leak of 0 leaves nothing to divide by: the parent's own row cannot be recovered.
    if (freeRows) {
        for (int j = 0; j < k; ++j) {
            if (!(leak[j] > 0.0)) return kOutOfRange;
        }
    }
    VRX_Dmatrix result;
    if (const int rc = result.Copy(matrix)) return rc;
    double* p = result.GetData();
    for (int r = 0; r < rows - 1; ++r) {
        if (unit[r] >= 0) continue;
        double* row = p + r * k;
        CiRows::ToCumulative(row, k);
        for (int j = 0; j < k; ++j) row[j] /= leak[j];
        CiRows::FromCumulative(row, k);
    }
    ciWeights.Swap(result);
    return MarkCptStale();
}

int VRX_noisyMAX::SetLeakyParametersWithoutConstrained(const VRX_doubleArray& values) {
    int rows = 0;
    int k = 0;
    if (!CiRows::GetShape(ciWeights, rows, k)) return kOutOfRange;
    const int needed = (rows - GetNumberOfParents()) * k;
    if (DefinitionSupport::MatchEntryCount(values, needed) < 0) return kOutOfRange;
    VRX_Dmatrix leaky;
    VRX_intArray unit;
    if (const int rc = GetLeakyParameters(leaky)) return rc;
    if (const int rc = ConstrainedColumns(rows, unit)) return rc;
    double* p = leaky.GetData();
    int next = 0;
    for (int r = 0; r < rows; ++r) {
        if (unit[r] >= 0) continue;
        for (int j = 0; j < k; ++j) p[r * k + j] = values[next++];
    }
    return SetLeakyParameters(leaky);
}

int VRX_noisyMAX::GetLeakyParametersWithoutConstrained(VRX_doubleArray& out) {
    VRX_Dmatrix leaky;
    VRX_intArray unit;
    if (const int rc = GetLeakyParameters(leaky)) return rc;
    int rows = 0;
    int k = 0;
    if (out.FlushAndReserve(0) != kSuccess) return kOutOfMemory;
    if (!CiRows::GetShape(leaky, rows, k)) return kSuccess;
    if (const int rc = ConstrainedColumns(rows, unit)) return rc;
    if (out.FlushAndReserve((rows - GetNumberOfParents()) * k) != kSuccess) return kOutOfMemory;
    const double* p = leaky.GetData();
    for (int r = 0; r < rows; ++r) {
        if (unit[r] >= 0) continue;
        for (int j = 0; j < k; ++j) {
            if (out.Add(p[r * k + j]) != kSuccess) return kOutOfMemory;
        }
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Strength orders

int VRX_noisyMAX::SetParentOutcomeStrengths(int i, const VRX_intArray& strengths) {
    if (i < 0 || i >= GetNumberOfParents()) return kOutOfRange;
    VRX_intArray permutation;
    const int n = parentOutcomeStrengths[i].GetCount();
    if (const int rc = DefinitionSupport::ReadPermutation(strengths, n, permutation)) return rc;
    parentOutcomeStrengths[i].Swap(permutation);
    return MarkCptStale();
}

int VRX_noisyMAX::ChangeOrderOfStrengths(int i, const VRX_intArray& permutation) {
    if (i < 0 || i >= GetNumberOfParents()) return kOutOfRange;
    VRX_intArray& entry = parentOutcomeStrengths[i];
    VRX_intArray order;
    if (const int rc = DefinitionSupport::ReadPermutation(permutation, entry.GetCount(), order)) return rc;
    VRX_intArray moved(entry);
    if (moved.GetCount() != entry.GetCount()) return kOutOfMemory;
    if (const int rc = moved.Permute(order)) return rc;
    if (const int rc = CiRows::PermuteRows(ciWeights, GetParentStartingPosition(i), order)) return rc;
    entry.Swap(moved);
    ResetConstrainedRow(i);
    return MarkCptStale();
}

VRX_noisyMAX* VRX_noisyMAX::FindTemporalNoisyMax(int order, int& status) {
    status = kSuccess;
    if (network == nullptr || !network->IsLiveHandle(handle) ||
        network->GetTemporalType(handle) != TemporalType::kPlate) {
        status = kWrongNodeType;
        return nullptr;
    }
    auto* temporal = dynamic_cast<VRX_noisyMAX*>(FindTemporalDefinition(order));
    if (temporal == nullptr) status = kOutOfRange;
    return temporal;
}

int VRX_noisyMAX::GetTemporalParentOutcomeStrengths(int order, StrengthSequence& out) {
    int status = kSuccess;
    VRX_noisyMAX* temporal = FindTemporalNoisyMax(order, status);
    if (temporal == nullptr) return status;
    try {
        out = temporal->parentOutcomeStrengths;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int VRX_noisyMAX::SetTemporalParentOutcomeStrengths(int order, const StrengthSequence& sequence) {
    int status = kSuccess;
    VRX_noisyMAX* temporal = FindTemporalNoisyMax(order, status);
    if (temporal == nullptr) return status;
    const int parents = static_cast<int>(temporal->parentOutcomeStrengths.size());
    if (static_cast<int>(sequence.size()) != parents) return kInvalidData;
    // Every entry is checked before the first is taken, so a bad one changes nothing.
    for (int i = 0; i < parents; i++) {
        VRX_intArray permutation;
        const int n = temporal->parentOutcomeStrengths[i].GetCount();
        if (const int rc = DefinitionSupport::ReadPermutation(sequence[i], n, permutation)) return rc;
    }
    for (int i = 0; i < parents; i++) {
        if (const int rc = temporal->SetParentOutcomeStrengths(i, sequence[i])) return rc;
    }
    network->InvalidateValues();
    return kSuccess;
}
