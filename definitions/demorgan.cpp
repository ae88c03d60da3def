// DeMorgan definition: typed, weighted parents, the prior, and the table computed from them.
#include "definitions/demorgan.h"

#include <cstddef>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node_label.h"

namespace TwoOutcomeTable = vovido::TwoOutcomeTable;

using vovido::TwoOutcomeDefinition;

namespace {

bool IsKnownParentType(int type) {
    return type >= DemorganParentType::kInhibitor && type <= DemorganParentType::kBarrier;
}

// -2, logged naming the node when it is in a network.
int RefuseDemorganWeight(const VRX_network* network, int handle, const std::string& what) {
    const VRX_node* node = network != nullptr ? network->GetNode(handle) : nullptr;
    if (node != nullptr) return vovido::ReportNodeFault(*node, what, kOutOfRange);
    return LogError(errorLog, kOutOfRange, what.c_str(), nullptr);
}

}  // namespace

VRX_demorgan::VRX_demorgan(int nodeHandle, VRX_network* net) : TwoOutcomeDefinition(nodeHandle, net) {
    (void)RebuildFromParents();  // out of memory leaves the table empty
    SetFlag(kValid | kConsistent, true);
}

VRX_demorgan::VRX_demorgan(VRX_nodeDefinition& source) : TwoOutcomeDefinition(source) {
    // A source of another kind leaves the table in the shape of the current parents.
    if (CopyFrom(source) != kSuccess) (void)RebuildFromParents();  // out of memory leaves the table empty
    SetFlag(kValid | kConsistent, true);
}

VRX_demorgan::VRX_demorgan(const VRX_demorgan& source)
    : TwoOutcomeDefinition(source),
      parentTypes(source.parentTypes),
      parentWeights(source.parentWeights),
      priorBelief(source.priorBelief) {
    SetFlag(kValid | kConsistent, true);
}

VRX_demorgan::~VRX_demorgan() = default;

int VRX_demorgan::GetType() const {
    return DefinitionType::kDeMorgan;
}

const char* VRX_demorgan::GetTypeName() const {
    return "DEMORGAN";
}

// ---------------------------------------------------------------------------------------------------
// Types and weights per parent

int VRX_demorgan::ParentEntryCount() const {
    const int n = parentWeights.GetCount();
    return parentTypes.GetCount() == n ? n : -1;
}

int VRX_demorgan::InsertParentEntry(int position) {
    if (const int rc = parentTypes.Insert(position, DemorganParentType::kCause)) return rc;
    if (const int rc = parentWeights.Insert(position, 0.0)) {
        (void)parentTypes.Delete(position);  // undoes the insert just made
        return rc;
    }
    return kSuccess;
}

void VRX_demorgan::RemoveParentEntry(int position) {
    // position is a parent's: the deletes cannot fail.
    (void)parentTypes.Delete(position);
    (void)parentWeights.Delete(position);
}

int VRX_demorgan::PermuteParentEntries(const VRX_intArray& permutation) {
    const int n = parentWeights.GetCount();
    VRX_intArray types(parentTypes);
    VRX_doubleArray weights(parentWeights);
    if (types.GetCount() != n || weights.GetCount() != n) return kOutOfMemory;
    if (const int rc = types.Permute(permutation)) return rc;
    if (const int rc = weights.Permute(permutation)) return rc;
    parentTypes.Swap(types);
    parentWeights.Swap(weights);
    return kSuccess;
}

void VRX_demorgan::ClearParentEntries() {
    parentWeights.CleanUp();
    parentTypes.CleanUp();
}

int VRX_demorgan::RebuildFromParents() {
    const int parents = CurrentParentCount();
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
        types.AddReserved(i < kept ? parentTypes[i] : DemorganParentType::kCause);
        weights.AddReserved(1.0);
    }
    if (const int rc = CheckTableCells(parents)) return rc;
    parentTypes.Swap(types);
    parentWeights.Swap(weights);
    InvalidateTable();
    return kSuccess;
}

int VRX_demorgan::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* demorgan = dynamic_cast<VRX_demorgan*>(&target);
    if (demorgan == nullptr) return kOutOfRange;
    if (demorgan == this) return kSuccess;
    if (const int rc = demorgan->parentTypes.Copy(parentTypes)) return rc;
    if (const int rc = demorgan->parentWeights.Copy(parentWeights)) return rc;
    demorgan->priorBelief = priorBelief;
    demorgan->InvalidateTable();
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Weights, types and prior

std::string vovido::DemorganParentIndexFault(int index, int count) {
    const std::string text = "parent index " + std::to_string(index) + " is ";
    if (count <= 0) return text + "not valid: it has no parents";
    return text + "outside 0.." + std::to_string(count - 1) + " of its " + std::to_string(count) +
           (count == 1 ? " parent" : " parents");
}

double VRX_demorgan::GetParentWeight(int i) const {
    return i >= 0 && i < parentWeights.GetCount() ? parentWeights[i] : -1.0;
}

int VRX_demorgan::GetParentType(int i) const {
    return i >= 0 && i < parentTypes.GetCount() ? parentTypes[i] : -1;
}

int VRX_demorgan::SetParentWeight(int i, double weight) {
    const int n = parentWeights.GetCount();
    if (i < 0 || i >= n) {
        return RefuseDemorganWeight(network, handle, vovido::DemorganParentIndexFault(i, n));
    }
    // Written so that NaN is refused too.
    if (!(weight >= 0.0 && weight <= 1.0)) {
        // The shortest text that reads back as the weight: 1.0000001 must not show as 1.
        std::string text = "parent weight ";
        AppendDouble(weight, text);
        return RefuseDemorganWeight(network, handle, text + " is outside [0, 1]");
    }
    parentWeights[i] = weight;
    InvalidateTable();
    return kSuccess;
}

int VRX_demorgan::SetParentWeights(const VRX_doubleArray& weights) {
    const int n = TwoOutcomeTable::SuppliedCount(weights, parentWeights.GetCount());
    if (n < 0) return n;
    for (int i = 0; i < n; ++i) parentWeights[i] = weights[i];
    InvalidateTable();
    return kSuccess;
}

int VRX_demorgan::SetParentType(int i, int type) {
    if (i < 0 || i >= parentTypes.GetCount()) return kOutOfRange;
    parentTypes[i] = type;
    InvalidateTable();
    return kSuccess;
}

int VRX_demorgan::SetParentTypes(const VRX_intArray& types) {
    const int n = TwoOutcomeTable::SuppliedCount(types, parentTypes.GetCount());
    if (n < 0) return n;
    for (int i = 0; i < n; ++i) parentTypes[i] = types[i];
    InvalidateTable();
    return kSuccess;
}

int VRX_demorgan::SetPriorBelief(double prior) {
    if (!(prior >= 0.0 && prior <= 1.0)) return kOutOfRange;
    priorBelief = prior;
    InvalidateTable();
    return kSuccess;
}

void VRX_demorgan::Recompute() const {
    const int n = parentWeights.GetCount();
    const int columns = table.GetNumberOfElements() / 2;
    // Every edit keeps one size-2 dimension per parent; anything else is left alone.
    if (n != parentTypes.GetCount() || n > 29 || columns != (1 << n)) return;
    // Causes and barriers raise x first (noisy-OR): x = 1 - (1 - prior) times the product of (1 - w) over
    // those acting; then inhibitors and requirements scale it by their (1 - w). Types 0 and 2 act in
    // outcome 0, types 1 and 3 in outcome 1; other types act on nothing.
    std::vector<TwoOutcomeTable::ParentFactors> factors(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int t = parentTypes[i];
        TwoOutcomeTable::ParentFactors& f = factors[static_cast<size_t>(i)];
        if (t == DemorganParentType::kCause || t == DemorganParentType::kBarrier)
            f.first[t & 1] = 1.0 - parentWeights[i];
        if (t == DemorganParentType::kInhibitor || t == DemorganParentType::kRequirement)
            f.second[t & 1] = 1.0 - parentWeights[i];
    }
    double* p = table.GetData();
    TwoOutcomeTable::FillProducts(p, factors);
    for (int column = 0; column < columns; ++column) {
        const double x = (1.0 - (1.0 - priorBelief) * p[2 * column]) * p[2 * column + 1];
        p[2 * column] = x;
        p[2 * column + 1] = 1.0 - x;
    }
}
