// DeMorgan definition: typed, weighted parents, the prior, and the table computed from them.
#include "definitions/demorgan.h"

#include "definitions/two_outcome_table.h"
#include "model/id_array.h"
#include "model/network.h"
#include "model/status_codes.h"

namespace {

bool IsKnownParentType(int type) {
    return type >= DemorganParentType::kInhibitor && type <= DemorganParentType::kBarrier;
}

}  // namespace

VRX_demorgan::VRX_demorgan(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {
    RebuildFromParents();
    SetFlag(kValid | kConsistent, true);
}

VRX_demorgan::VRX_demorgan(VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {
    // A source of another kind leaves the table in the shape of the current parents.
    if (CopyFrom(source) != kSuccess) RebuildFromParents();
    SetFlag(kValid | kConsistent, true);
}

VRX_demorgan::VRX_demorgan(const VRX_demorgan& source)
    : VRX_nodeDefinition(source),
      probabilityTable(source.probabilityTable),
      parentTypes(source.parentTypes),
      parentWeights(source.parentWeights),
      priorBelief(source.priorBelief) {
    SetFlag(kValid | kConsistent, true);
}

VRX_demorgan::~VRX_demorgan() = default;

void VRX_demorgan::CleanUp(int deep) {
    if (deep) {
        probabilityTable.CleanUp();
        parentWeights.CleanUp();
        parentTypes.CleanUp();
    }
    VRX_object::CleanUp(deep);
}

void VRX_demorgan::CheckValidity(int deep) {
    VRX_object::CheckValidity(deep);
}

void VRX_demorgan::CheckConsistency(int deep) {
    VRX_object::CheckConsistency(deep);
}

int VRX_demorgan::GetType() const {
    return DefinitionType::kDeMorgan;
}

const char* VRX_demorgan::GetTypeName() const {
    return "DEMORGAN";
}

VRX_idArray& VRX_demorgan::SharedOutcomeIds() {
    static VRX_idArray ids = [] {
        VRX_idArray made;
        TwoOutcomeTable::FillTrueFalse(made);
        return made;
    }();
    return ids;
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_demorgan::LocateParent(int parent, int& position) const {
    if (network == nullptr || !network->IsLiveHandle(parent) || !network->IsLiveHandle(handle)) {
        return kOutOfRange;
    }
    position = network->GetParents(handle).FindPosition(parent);
    return position < 0 ? kOutOfRange : kSuccess;
}

int VRX_demorgan::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (network == nullptr || !network->IsLiveHandle(parent) || !network->IsLiveHandle(handle)) {
        return kOutOfRange;
    }
    if (network->GetNodeType(parent) != DefinitionType::kDeMorgan) return kWrongNodeType;
    int position = 0;
    if (const int rc = LocateParent(parent, position)) return rc;
    const int n = parentWeights.GetCount();
    // Types and weights follow the parent list; a position past them means they are out of step.
    if (position > n || parentTypes.GetCount() != n) return kOutOfRange;
    if (const int rc = parentTypes.Insert(position, DemorganParentType::kCause)) return rc;
    if (const int rc = parentWeights.Insert(position, 0.0)) {
        parentTypes.Delete(position);
        return rc;
    }
    if (const int rc = TwoOutcomeTable::Reshape(probabilityTable, n + 1)) {
        parentTypes.Delete(position);
        parentWeights.Delete(position);
        return rc;
    }
    Recompute();
    CheckValidity(0);
    return kSuccess;
}

int VRX_demorgan::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    if (const int rc = LocateParent(parent, position)) return rc;
    const int n = parentWeights.GetCount();
    if (position >= n || parentTypes.GetCount() != n) return kOutOfRange;
    if (const int rc = TwoOutcomeTable::Reshape(probabilityTable, n - 1)) return rc;
    parentTypes.Delete(position);
    parentWeights.Delete(position);
    Recompute();
    CheckValidity(0);
    return kSuccess;
}

int VRX_demorgan::ReorderParents(const VRX_intArray& order) {
    const int n = parentWeights.GetCount();
    if (parentTypes.GetCount() != n) return kOutOfRange;
    VRX_intArray permutation;
    if (const int rc = TwoOutcomeTable::ReadPermutation(order, n, permutation)) return rc;
    // Types and weights move together or not at all.
    VRX_intArray types(parentTypes);
    VRX_doubleArray weights(parentWeights);
    if (types.GetCount() != n || weights.GetCount() != n) return kOutOfMemory;
    if (const int rc = types.Permute(permutation)) return rc;
    if (const int rc = weights.Permute(permutation)) return rc;
    parentTypes.Swap(types);
    parentWeights.Swap(weights);
    Recompute();
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Whole definition

int VRX_demorgan::GetSize() {
    return probabilityTable.GetNumberOfElements();
}

int VRX_demorgan::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_demorgan::RebuildFromParents() {
    const int parents =
        network != nullptr && network->IsLiveHandle(handle) ? network->GetParents(handle).GetCount() : 0;
    const int held = parentTypes.GetCount();
    const int kept = held < parents ? held : parents;
    for (int i = 0; i < kept; ++i) {
        if (!IsKnownParentType(parentTypes[i])) return kOutOfRange;
    }
    // The types present are kept; parents that have none yet become causes.
    VRX_intArray types;
    VRX_doubleArray weights;
    if (const int rc = types.FlushAndReserve(parents)) return rc;
    if (const int rc = weights.FlushAndReserve(parents)) return rc;
    for (int i = 0; i < parents; ++i) {
        types.Add(i < kept ? parentTypes[i] : DemorganParentType::kCause);
        weights.Add(1.0);
    }
    if (const int rc = TwoOutcomeTable::Reshape(probabilityTable, parents)) return rc;
    parentTypes.Swap(types);
    parentWeights.Swap(weights);
    Recompute();
    return kSuccess;
}

int VRX_demorgan::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    auto* demorgan = dynamic_cast<VRX_demorgan*>(&source);
    if (demorgan == nullptr) return kWrongNodeType;
    CleanUp(1);
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;
    return demorgan->CopyParametersTo(*this);
}

int VRX_demorgan::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* demorgan = dynamic_cast<VRX_demorgan*>(&target);
    if (demorgan == nullptr) return kOutOfRange;
    if (demorgan == this) return kSuccess;
    if (const int rc = demorgan->probabilityTable.Copy(probabilityTable)) return rc;
    if (const int rc = demorgan->parentTypes.Copy(parentTypes)) return rc;
    if (const int rc = demorgan->parentWeights.Copy(parentWeights)) return rc;
    demorgan->priorBelief = priorBelief;
    return kSuccess;
}

int VRX_demorgan::GetNumberOfOutcomes() {
    return 2;
}

VRX_idArray* VRX_demorgan::GetOutcomesNames() {
    return &SharedOutcomeIds();
}

int VRX_demorgan::GetDefinitionDoubles(VRX_doubleArray*& out) {
    out = &probabilityTable.GetItems();
    return kSuccess;
}

int VRX_demorgan::GetDefinition(VRX_Dmatrix*& out) {
    out = &probabilityTable;
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Weights, types and prior

double VRX_demorgan::GetParentWeight(int i) const {
    return i >= 0 && i < parentWeights.GetCount() ? parentWeights[i] : -1.0;
}

int VRX_demorgan::GetParentType(int i) const {
    return i >= 0 && i < parentTypes.GetCount() ? parentTypes[i] : -1;
}

int VRX_demorgan::SetParentWeight(int i, double weight) {
    if (i < 0 || i >= parentWeights.GetCount()) return kOutOfRange;
    // Written so that NaN is refused too.
    if (!(weight >= 0.0 && weight <= 1.0)) return kOutOfRange;
    parentWeights[i] = weight;
    Recompute();
    return kSuccess;
}

int VRX_demorgan::SetParentWeights(const VRX_doubleArray& weights) {
    const int n = TwoOutcomeTable::SuppliedCount(weights, parentWeights.GetCount());
    if (n < 0) return n;
    for (int i = 0; i < n; ++i) parentWeights[i] = weights[i];
    Recompute();
    return kSuccess;
}

int VRX_demorgan::SetParentType(int i, int type) {
    if (i < 0 || i >= parentTypes.GetCount()) return kOutOfRange;
    parentTypes[i] = type;
    Recompute();
    return kSuccess;
}

int VRX_demorgan::SetParentTypes(const VRX_intArray& types) {
    const int n = TwoOutcomeTable::SuppliedCount(types, parentTypes.GetCount());
    if (n < 0) return n;
    for (int i = 0; i < n; ++i) parentTypes[i] = types[i];
    Recompute();
    return kSuccess;
}

int VRX_demorgan::SetPriorBelief(double prior) {
    if (!(prior >= 0.0 && prior <= 1.0)) return kOutOfRange;
    priorBelief = prior;
    Recompute();
    return kSuccess;
}

void VRX_demorgan::Recompute() {
    const int n = parentWeights.GetCount();
    const int columns = probabilityTable.GetNumberOfElements() / 2;
    // Every edit keeps one size-2 dimension per parent; anything else is left alone.
    if (n != parentTypes.GetCount() || n > 29 || columns != (1 << n)) return;
    double* p = probabilityTable.GetData();
    const int* types = parentTypes.GetItems();
    const double* weights = parentWeights.GetItems();
    for (int column = 0; column < columns; ++column) {
        double x = priorBelief;
        // Causes and barriers raise x first (noisy-OR), then inhibitors and requirements scale it down.
        // Types 0 and 2 act in outcome 0, types 1 and 3 in outcome 1; the first parent varies slowest.
        for (int i = 0; i < n; ++i) {
            const int t = types[i];
            if ((t == DemorganParentType::kCause || t == DemorganParentType::kBarrier) &&
                ((column >> (n - 1 - i)) & 1) == (t & 1)) {
                x += (1.0 - x) * weights[i];
            }
        }
        for (int i = 0; i < n; ++i) {
            const int t = types[i];
            if ((t == DemorganParentType::kInhibitor || t == DemorganParentType::kRequirement) &&
                ((column >> (n - 1 - i)) & 1) == (t & 1)) {
                x *= 1.0 - weights[i];
            }
        }
        p[2 * column] = x;
        p[2 * column + 1] = 1.0 - x;
    }
}
