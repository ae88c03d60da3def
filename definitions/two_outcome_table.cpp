// Shared pieces of the two-outcome kinds computed from per-parent parameters.
#include "definitions/two_outcome_table.h"

#include <cstddef>
#include <new>
#include <vector>

#include "base/double_array.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/refusal_reasons.h"

namespace vovido {

namespace TwoOutcomeTable {

int Reshape(VRX_Dmatrix& table, int parents) {
    if (parents < 0) return kOutOfRange;
    // 2^31 entries and more cannot be addressed with int indices.
    if (parents > 29) return kOutOfMemory;
    int sizes[31];
    for (int i = 0; i <= parents; ++i) sizes[i] = 2;
    return table.SetupFromList(sizes, parents + 1);
}

// A list with other items than n is refused even when its storage happens to hold n slots.
int SuppliedCount(const VRX_doubleArray& values, int n) {
    const int count = values.GetCount();
    return count == n || (count == 0 && values.GetSize() == n) ? n : kOutOfRange;
}

int SuppliedCount(const VRX_intArray& values, int n) {
    const int count = values.GetCount();
    return count == n || (count == 0 && values.GetSize() == n) ? n : kOutOfRange;
}

int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out) {
    if (m < 0 || SuppliedCount(order, m) != m) return kOutOfRange;
    if (const int rc = out.FlushAndReserve(m)) return rc;
    for (int i = 0; i < m; ++i) out.AddReserved(order[i]);
    return out.CheckPermutation(m);
}

void FillProducts(double* entries, const std::vector<ParentFactors>& factors) {
    entries[0] = 1.0;
    entries[1] = 1.0;
    size_t columns = 1;
    for (const ParentFactors& f : factors) {
        // Downwards, so that column j is read before columns 2j and 2j + 1 are written over it.
        for (size_t j = columns; j-- > 0;) {
            const double first = entries[2 * j];
            const double second = entries[2 * j + 1];
            for (int outcome = 1; outcome >= 0; --outcome) {
                entries[4 * j + 2 * outcome] = first * f.first[outcome];
                entries[4 * j + 2 * outcome + 1] = second * f.second[outcome];
            }
        }
        columns *= 2;
    }
}

}  // namespace TwoOutcomeTable

namespace {

// The outcome names shared by every two-outcome definition.
VRX_idArray& SharedOutcomeIds() {
    static VRX_idArray ids = [] {
        VRX_idArray made;
        // Two short texts at start-up: there is nothing to recover from if they do not fit.
        (void)made.Add("True");
        (void)made.Add("False");
        made.CheckValidity(1);
        made.CheckConsistency(1);
        return made;
    }();
    return ids;
}

}  // namespace

TwoOutcomeDefinition::TwoOutcomeDefinition(int nodeHandle, VRX_network* net)
    : VRX_nodeDefinition(nodeHandle, net) {}

TwoOutcomeDefinition::TwoOutcomeDefinition(const VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {}

TwoOutcomeDefinition::TwoOutcomeDefinition(const TwoOutcomeDefinition& source)
    : VRX_nodeDefinition(source), table(source.table), tableCurrent_(source.tableCurrent_) {}

void TwoOutcomeDefinition::CleanUp(int deep) {
    if (deep) {
        table.CleanUp();
        ClearParentEntries();
        tableCurrent_ = true;
    }
    VRX_object::CleanUp(deep);
}

void TwoOutcomeDefinition::CheckValidity(int deep) {
    VRX_object::CheckValidity(deep);
}

void TwoOutcomeDefinition::CheckConsistency(int deep) {
    VRX_object::CheckConsistency(deep);
}

int TwoOutcomeDefinition::CurrentParentCount() const {
    return IsAttachedToLiveNode() ? network->GetParents(handle).GetCount() : 0;
}

// ---------------------------------------------------------------------------------------------------
// Parents

int TwoOutcomeDefinition::LocateParent(int parent, int& position) const {
    if (!IsAttachedToLiveNode() || !network->IsLiveHandle(parent)) return kOutOfRange;
    position = network->GetParents(handle).FindPosition(parent);
    return position < 0 ? kOutOfRange : kSuccess;
}

int TwoOutcomeDefinition::UpdateTable() const {
    if (tableCurrent_) return kSuccess;
    const int parents = ParentEntryCount();
    if (parents < 0) return kOutOfRange;
    if (const int rc = TwoOutcomeTable::Reshape(table, parents))
        return rc == kOutOfMemory ? DefinitionSupport::RefuseTable(network, handle, TableCells(parents)) : rc;
    Recompute();
    tableCurrent_ = true;
    return kSuccess;
}

int TwoOutcomeDefinition::CheckTableCells(int parents) const {
    if (TableCells(parents) <= kMaxTableCells) return kSuccess;
    return DefinitionSupport::RefuseTable(network, handle, TableCells(parents));
}

int TwoOutcomeDefinition::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (!IsAttachedToLiveNode() || !network->IsLiveHandle(parent)) return kOutOfRange;
    if (network->GetNodeType(parent) != GetType()) return kWrongNodeType;
    int position = 0;
    if (const int rc = LocateParent(parent, position)) return rc;
    const int n = ParentEntryCount();
    // The entries follow the parent list; a position past them means they are out of step.
    if (n < 0 || position > n) return kOutOfRange;
    if (const int rc = CheckTableCells(n + 1)) return rc;
    if (const int rc = InsertParentEntry(position)) return rc;
    InvalidateTable();
    CheckValidity(0);
    return kSuccess;
}

int TwoOutcomeDefinition::RemoveInvalidParents() {
    if (!IsAttachedToLiveNode()) return kSuccess;
    // A copy: every removal edits the list being walked.
    const VRX_intArray parents = network->GetParents(handle);
    std::vector<int> dropped;
    try {
        dropped.assign(static_cast<size_t>(parents.GetCount()), kSuccess);
    } catch (const std::bad_alloc&) {
        dropped.clear();  // the arcs still go, unreported
    }
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (network->GetNodeType(parents[i]) == GetType()) continue;
        // Arcs of the copy just taken are live, so their removal cannot fail.
        (void)network->RemoveArc(parents[i], handle);
        if (!dropped.empty()) dropped[static_cast<size_t>(i)] = kWrongNodeType;
    }
    if (!dropped.empty())
        DefinitionSupport::ReportRefusedParents(*this, parents.GetItems(), dropped.data(),
                                                parents.GetCount());
    return kSuccess;
}

int TwoOutcomeDefinition::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int position = 0;
    if (const int rc = LocateParent(parent, position)) return rc;
    const int n = ParentEntryCount();
    if (position >= n) return kOutOfRange;
    RemoveParentEntry(position);
    InvalidateTable();
    CheckValidity(0);
    return kSuccess;
}

int TwoOutcomeDefinition::ReorderParents(const VRX_intArray& order) {
    VRX_intArray permutation;
    if (const int rc = TwoOutcomeTable::ReadPermutation(order, ParentEntryCount(), permutation)) return rc;
    if (const int rc = PermuteParentEntries(permutation)) return rc;
    InvalidateTable();
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Whole definition

int TwoOutcomeDefinition::GetSize() {
    if (tableCurrent_) return table.GetNumberOfElements();
    const int parents = ParentEntryCount();
    return parents >= 0 && TableCells(parents) <= kMaxTableCells ? static_cast<int>(TableCells(parents)) : 0;
}

int TwoOutcomeDefinition::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int TwoOutcomeDefinition::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    if (source.GetType() != GetType()) return kWrongNodeType;
    CleanUp(1);
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;
    return source.CopyParametersTo(*this);
}

int TwoOutcomeDefinition::GetNumberOfOutcomes() {
    return 2;
}

VRX_idArray* TwoOutcomeDefinition::GetOutcomesNames() {
    return &SharedOutcomeIds();
}

int TwoOutcomeDefinition::GetDefinitionDoubles(VRX_doubleArray*& out) {
    const int rc = UpdateTable();
    out = &table.GetItems();
    return rc;
}

int TwoOutcomeDefinition::GetDefinition(VRX_Dmatrix*& out) {
    const int rc = UpdateTable();
    out = &table;
    return rc;
}

int TwoOutcomeDefinition::SetDefinition(const VRX_Dmatrix& /*matrix*/) {
    return network != nullptr ? RefuseTableOfKind(*network, handle) : kWrongNodeType;
}

int TwoOutcomeDefinition::SetDefinitionDoubles(const VRX_doubleArray& /*doubles*/) {
    return network != nullptr ? RefuseTableOfKind(*network, handle) : kWrongNodeType;
}

}  // namespace vovido
