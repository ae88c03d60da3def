// Cast definition: weights per parent, the baseline, and the table computed from them.
#include "definitions/cast.h"

#include <cstddef>
#include <vector>

#include "base/int_array.h"
#include "base/status_codes.h"

namespace TwoOutcomeTable = vovido::TwoOutcomeTable;

using vovido::TwoOutcomeDefinition;

VRX_cast::VRX_cast(int nodeHandle, VRX_network* net) : TwoOutcomeDefinition(nodeHandle, net) {
    (void)RebuildFromParents();  // out of memory leaves the table empty
    SetFlag(kValid | kConsistent, true);
}

VRX_cast::VRX_cast(VRX_nodeDefinition& source) : TwoOutcomeDefinition(source) {
    // A source of another kind leaves the table in the shape of the current parents.
    if (CopyFrom(source) != kSuccess) (void)RebuildFromParents();  // out of memory leaves the table empty
    SetFlag(kValid | kConsistent, true);
}

VRX_cast::VRX_cast(const VRX_cast& source)
    : TwoOutcomeDefinition(source),
      positiveWeights(source.positiveWeights),
      negativeWeights(source.negativeWeights),
      baseline(source.baseline) {
    SetFlag(kValid | kConsistent, true);
}

VRX_cast::~VRX_cast() = default;

int VRX_cast::GetType() const {
    return DefinitionType::kCast;
}

const char* VRX_cast::GetTypeName() const {
    return "CAST";
}

// ---------------------------------------------------------------------------------------------------
// Weights per parent

int VRX_cast::ParentEntryCount() const {
    return positiveWeights.GetCount();
}

int VRX_cast::InsertParentEntry(int position) {
    if (const int rc = positiveWeights.Insert(position, 0.0)) return rc;
    if (const int rc = negativeWeights.Insert(position, 0.0)) {
        (void)positiveWeights.Delete(position);  // undoes the insert just made
        return rc;
    }
    return kSuccess;
}

void VRX_cast::RemoveParentEntry(int position) {
    // position is a parent's: the deletes cannot fail.
    (void)positiveWeights.Delete(position);
    (void)negativeWeights.Delete(position);
}

int VRX_cast::PermuteParentEntries(const VRX_intArray& permutation) {
    VRX_doubleArray positive(positiveWeights);
    VRX_doubleArray negative(negativeWeights);
    if (positive.GetCount() != positiveWeights.GetCount() ||
        negative.GetCount() != negativeWeights.GetCount()) {
        return kOutOfMemory;
    }
    if (const int rc = positive.Permute(permutation)) return rc;
    if (const int rc = negative.Permute(permutation)) return rc;
    positiveWeights.Swap(positive);
    negativeWeights.Swap(negative);
    return kSuccess;
}

void VRX_cast::ClearParentEntries() {
    positiveWeights.CleanUp();
    negativeWeights.CleanUp();
}

int VRX_cast::RebuildFromParents() {
    const int parents = CurrentParentCount();
    VRX_doubleArray positive;
    VRX_doubleArray negative;
    if (const int rc = positive.FlushAndReserve(parents)) return rc;
    if (const int rc = negative.FlushAndReserve(parents)) return rc;
    for (int i = 0; i < parents; ++i) {
        positive.AddReserved(0.0);
        negative.AddReserved(0.0);
    }
    if (const int rc = CheckTableCells(parents)) return rc;
    positiveWeights.Swap(positive);
    negativeWeights.Swap(negative);
    InvalidateTable();
    return kSuccess;
}

int VRX_cast::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* cast = dynamic_cast<VRX_cast*>(&target);
    if (cast == nullptr) return kOutOfRange;
    if (cast == this) return kSuccess;
    if (const int rc = cast->positiveWeights.Copy(positiveWeights)) return rc;
    if (const int rc = cast->negativeWeights.Copy(negativeWeights)) return rc;
    cast->baseline = baseline;
    cast->InvalidateTable();
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Weights and baseline

int VRX_cast::SetWeights(const VRX_doubleArray& weights, VRX_doubleArray& target) {
    const int n = TwoOutcomeTable::SuppliedCount(weights, target.GetCount());
    if (n < 0) return n;
    for (int i = 0; i < n; ++i) {
        // Written so that NaN is refused too.
        if (!(weights[i] >= -1.0 && weights[i] <= 1.0)) return kOutOfRange;
    }
    for (int i = 0; i < n; ++i) target[i] = weights[i];
    InvalidateTable();
    return kSuccess;
}

int VRX_cast::SetPositiveWeights(const VRX_doubleArray& weights) {
    return SetWeights(weights, positiveWeights);
}

int VRX_cast::SetNegativeWeights(const VRX_doubleArray& weights) {
    return SetWeights(weights, negativeWeights);
}

int VRX_cast::SetBaseline(double value) {
    if (!(value >= 0.0 && value <= 1.0)) return kOutOfRange;
    baseline = value;
    InvalidateTable();
    return kSuccess;
}

void VRX_cast::Recompute() const {
    const int n = positiveWeights.GetCount();
    const int columns = table.GetNumberOfElements() / 2;
    // Every edit keeps one size-2 dimension per weight; anything else is left alone.
    if (n != negativeWeights.GetCount() || n > 29 || columns != (1 << n)) return;
    // Influences towards "True" (weights of 0 and up) shrink the first product by (1 - w), those towards
    // "False" the second by (1 + w); a parent's outcome 0 ("True") takes its positive weight.
    std::vector<TwoOutcomeTable::ParentFactors> factors(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        for (int outcome = 0; outcome < 2; ++outcome) {
            const double w = outcome == 0 ? positiveWeights[i] : negativeWeights[i];
            TwoOutcomeTable::ParentFactors& f = factors[static_cast<size_t>(i)];
            if (w < 0.0) {
                f.second[outcome] = 1.0 + w;
            } else {
                f.first[outcome] = 1.0 - w;
            }
        }
    }
    double* p = table.GetData();
    TwoOutcomeTable::FillProducts(p, factors);
    for (int column = 0; column < columns; ++column) {
        const double towardsTrue = p[2 * column];
        const double towardsFalse = p[2 * column + 1];
        double influence = 0.0;
        if (towardsTrue + towardsFalse != 0.0) {
            influence = towardsFalse > towardsTrue ? 1.0 - towardsTrue / towardsFalse
                                                   : towardsFalse / towardsTrue - 1.0;
        }
        const double t =
            influence >= 0.0 ? baseline + influence * (1.0 - baseline) : baseline + influence * baseline;
        p[2 * column] = t;
        p[2 * column + 1] = 1.0 - t;
    }
}
