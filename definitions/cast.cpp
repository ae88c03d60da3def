// Cast definition: weights per parent, the baseline, and the table computed from them.
#include "definitions/cast.h"

#include "definitions/two_outcome_table.h"
#include "model/id_array.h"
#include "model/int_array.h"
#include "model/network.h"
#include "model/status_codes.h"

VRX_cast::VRX_cast(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {
    RebuildFromParents();
    SetFlag(kValid | kConsistent, true);
}

VRX_cast::VRX_cast(VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {
    // A source of another kind leaves the table in the shape of the current parents.
    if (CopyFrom(source) != kSuccess) RebuildFromParents();
    SetFlag(kValid | kConsistent, true);
}

VRX_cast::VRX_cast(const VRX_cast& source)
    : VRX_nodeDefinition(source),
      probabilities(source.probabilities),
      positiveWeights(source.positiveWeights),
      negativeWeights(source.negativeWeights),
      baseline(source.baseline) {
    SetFlag(kValid | kConsistent, true);
}

VRX_cast::~VRX_cast() = default;

void VRX_cast::CleanUp(int deep) {
    if (deep) {
        probabilities.CleanUp();
        positiveWeights.CleanUp();
        negativeWeights.CleanUp();
    }
    VRX_object::CleanUp(deep);
}

void VRX_cast::CheckValidity(int deep) {
    VRX_object::CheckValidity(deep);
}

void VRX_cast::CheckConsistency(int deep) {
    VRX_object::CheckConsistency(deep);
}

int VRX_cast::GetType() const {
    return DefinitionType::kCast;
}

const char* VRX_cast::GetTypeName() const {
    return "CAST";
}

VRX_idArray& VRX_cast::SharedOutcomeIds() {
    static VRX_idArray ids = [] {
        VRX_idArray made;
        TwoOutcomeTable::FillTrueFalse(made);
        return made;
    }();
    return ids;
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_cast::LocateParent(int parent, int& position) const {
    if (network == nullptr || !network->IsLiveHandle(parent) || !network->IsLiveHandle(handle)) {
        return kOutOfRange;
    }
    position = network->GetParents(handle).FindPosition(parent);
    return position < 0 ? kOutOfRange : kSuccess;
}

int VRX_cast::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (network == nullptr || !network->IsLiveHandle(parent) || !network->IsLiveHandle(handle)) {
        return kOutOfRange;
    }
    if (network->GetNodeType(parent) != DefinitionType::kCast) return kWrongNodeType;
    int position = 0;
    if (const int rc = LocateParent(parent, position)) return rc;
    const int n = positiveWeights.GetCount();
    // The weights follow the parent list; a position past them means they are out of step.
    if (position > n) return kOutOfRange;
    if (const int rc = positiveWeights.Insert(position, 0.0)) return rc;
    if (const int rc = negativeWeights.Insert(position, 0.0)) {
        positiveWeights.Delete(position);
        return rc;
    }
    if (const int rc = TwoOutcomeTable::Reshape(probabilities, n + 1)) {
        positiveWeights.Delete(position);
        negativeWeights.Delete(position);
        return rc;
    }
    Recompute();
    CheckValidity(0);
    return kSuccess;
}

int VRX_cast::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    if (const int rc = LocateParent(parent, position)) return rc;
    const int n = positiveWeights.GetCount();
    if (position >= n) return kOutOfRange;
    if (const int rc = TwoOutcomeTable::Reshape(probabilities, n - 1)) return rc;
    positiveWeights.Delete(position);
    negativeWeights.Delete(position);
    Recompute();
    return kSuccess;
}

int VRX_cast::ReorderParents(const VRX_intArray& order) {
    VRX_intArray permutation;
    if (const int rc = TwoOutcomeTable::ReadPermutation(order, positiveWeights.GetCount(), permutation)) {
        return rc;
    }
    // Both arrays move together or not at all.
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
    Recompute();
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Whole definition

int VRX_cast::GetSize() {
    return probabilities.GetNumberOfElements();
}

int VRX_cast::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_cast::RebuildFromParents() {
    const int parents =
        network != nullptr && network->IsLiveHandle(handle) ? network->GetParents(handle).GetCount() : 0;
    VRX_doubleArray positive;
    VRX_doubleArray negative;
    if (const int rc = positive.FlushAndReserve(parents)) return rc;
    if (const int rc = negative.FlushAndReserve(parents)) return rc;
    for (int i = 0; i < parents; ++i) {
        positive.Add(0.0);
        negative.Add(0.0);
    }
    if (const int rc = TwoOutcomeTable::Reshape(probabilities, parents)) return rc;
    positiveWeights.Swap(positive);
    negativeWeights.Swap(negative);
    Recompute();
    return kSuccess;
}

int VRX_cast::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    auto* cast = dynamic_cast<VRX_cast*>(&source);
    if (cast == nullptr) return kWrongNodeType;
    CleanUp(1);
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;
    return cast->CopyParametersTo(*this);
}

int VRX_cast::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* cast = dynamic_cast<VRX_cast*>(&target);
    if (cast == nullptr) return kOutOfRange;
    if (cast == this) return kSuccess;
    if (const int rc = cast->probabilities.Copy(probabilities)) return rc;
    if (const int rc = cast->positiveWeights.Copy(positiveWeights)) return rc;
    if (const int rc = cast->negativeWeights.Copy(negativeWeights)) return rc;
    cast->baseline = baseline;
    return kSuccess;
}

int VRX_cast::GetNumberOfOutcomes() {
    return 2;
}

VRX_idArray* VRX_cast::GetOutcomesNames() {
    return &SharedOutcomeIds();
}

int VRX_cast::GetDefinitionDoubles(VRX_doubleArray*& out) {
    out = &probabilities.GetItems();
    return kSuccess;
}

int VRX_cast::GetDefinition(VRX_Dmatrix*& out) {
    out = &probabilities;
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
    Recompute();
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
    Recompute();
    return kSuccess;
}

void VRX_cast::Recompute() {
    const int n = positiveWeights.GetCount();
    const int columns = probabilities.GetNumberOfElements() / 2;
    // Every edit keeps one size-2 dimension per weight; anything else is left alone.
    if (n != negativeWeights.GetCount() || n > 29 || columns != (1 << n)) return;
    double* p = probabilities.GetData();
    const double* positive = positiveWeights.GetItems();
    const double* negative = negativeWeights.GetItems();
    for (int column = 0; column < columns; ++column) {
        // Influences towards "True" shrink P, those towards "False" shrink N.
        double towardsTrue = 1.0;
        double towardsFalse = 1.0;
        for (int i = 0; i < n; ++i) {
            // The first parent varies slowest; its coordinate 0 is "True".
            const bool parentTrue = ((column >> (n - 1 - i)) & 1) == 0;
            const double w = parentTrue ? positive[i] : negative[i];
            if (w < 0.0) {
                towardsFalse *= 1.0 + w;
            } else {
                towardsTrue *= 1.0 - w;
            }
        }
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
