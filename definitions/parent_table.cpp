// Table over the node's parents: the parent-dimension edits and the setters shared by its kinds.
#include "definitions/parent_table.h"

#include <cstdint>
#include <new>
#include <vector>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

namespace vovido {

ParentTableDefinition::ParentTableDefinition(int nodeHandle, VRX_network* net)
    : VRX_nodeDefinition(nodeHandle, net) {}

ParentTableDefinition::ParentTableDefinition(const VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {}

int ParentTableDefinition::LocateParent(int parent, int& dimension, ParentRole& role) const {
    if (!IsValid()) return kObjectNotValid;
    if (!IsAttachedToLiveNode() || !network->IsLiveHandle(parent)) return kOutOfRange;
    const VRX_intArray& parents = network->GetParents(handle);
    const int position = parents.FindPosition(parent);
    if (position < 0) return kOutOfRange;
    const int type = network->GetNodeType(parent);
    if (IsIndexingType(type)) {
        role = ParentRole::kIndexing;
        dimension = DimensionOfParent(parents, position);
        // The node's own dimension is always last, so a parent's dimension comes strictly before it.
        if (dimension >= table.GetNumberOfDimensions() - 1) return kOutOfRange;
    } else if (type == DefinitionType::kTable) {
        role = ParentRole::kTable;
    } else {
        role = ParentRole::kOther;
    }
    return kSuccess;
}

int ParentTableDefinition::RebuildTable(int ownSize) {
    table.CleanUp();
    if (const int rc = table.AddDimension(ownSize)) {
        return rc == kOutOfMemory ? DefinitionSupport::RefuseTable(network, handle, ownSize) : rc;
    }
    table.FillWith(0.0);
    CompleteNewColumns();
    if (!IsAttachedToLiveNode()) return kSuccess;
    // All parents at once, so that the table is built once, at its final size.
    const VRX_intArray& parents = network->GetParents(handle);
    std::vector<int> results;
    try {
        results.assign(static_cast<size_t>(parents.GetCount()), kSuccess);
    } catch (const std::bad_alloc&) {
        return DefinitionSupport::RefuseTable(network, handle, table.GetNumberOfElements());
    }
    // A table memory cannot hold fails the rebuild (logged, naming the node): the caller asked for it.
    if (const int added = AddParents(parents.GetItems(), parents.GetCount(), results.data());
        added == kOutOfMemory) {
        return added;
    }
    DefinitionSupport::ReportRefusedParents(*this, parents.GetItems(), results.data(), parents.GetCount());
    return kSuccess;
}

int ParentTableDefinition::SetEntries(const VRX_doubleArray& values) {
    if (!IsValid()) return kObjectNotValid;
    if (const int rc = WriteEntries(values)) return rc;
    CheckValidity(1);
    CheckConsistency(1);
    DefinitionSupport::NotifyNetwork(*this, ChangeKind::kEntriesReplaced);
    return kSuccess;
}

void ParentTableDefinition::CopyEntriesFrom(const VRX_Dmatrix& source) {
    const int n = table.GetNumberOfElements();
    if (n == 0 || n != source.GetNumberOfElements() || &source == &table) return;
    const double* from = source.GetData();
    double* to = table.GetData();
    for (int i = 0; i < n; ++i) to[i] = from[i];
}

int ParentTableDefinition::DimensionOfParent(const VRX_intArray& parents, int position) const {
    int dimension = 0;
    for (int i = 0; i < position; ++i) {
        if (IsIndexingType(network->GetNodeType(parents[i]))) ++dimension;
    }
    return dimension;
}

// ---------------------------------------------------------------------------------------------------
// Parents

int ParentTableDefinition::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (!IsAttachedToLiveNode() || !network->IsLiveHandle(parent)) return kOutOfRange;
    if (!IsIndexingType(network->GetNodeType(parent))) return kOutOfRange;
    const VRX_intArray& parents = network->GetParents(handle);
    const int position = parents.FindPosition(parent);
    if (position < 0) return kOutOfRange;
    const int outcomes = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
    if (outcomes < 1) return kSuccess;
    const int dimension = DimensionOfParent(parents, position);
    const int dims = table.GetNumberOfDimensions();
    if (dims < 1 || dimension > dims - 1) return kOutOfRange;
    const int64_t held = table.GetNumberOfElements();
    if (const int rc = DefinitionSupport::CheckTableGrowth(network, handle, held * outcomes, held)) return rc;
    if (const int rc = table.InsertDimension(dimension, outcomes)) {
        if (rc != kOutOfMemory) return rc;
        return DefinitionSupport::RefuseTable(network, handle,
                                              static_cast<int64_t>(table.GetNumberOfElements()) * outcomes);
    }
    CompleteNewColumns();
    CheckValidity(0);
    return kSuccess;
}

int ParentTableDefinition::AddParents(const int* parents, int count, int* results) {
    const int usable = !IsValid() ? kObjectNotValid : (IsAttachedToLiveNode() ? kSuccess : kOutOfRange);
    if (usable != kSuccess) {
        for (int i = 0; i < count; ++i) results[i] = usable;
        return usable;
    }
    const VRX_intArray& list = network->GetParents(handle);
    const int dims = table.GetNumberOfDimensions();
    std::vector<int> sizes;
    std::vector<int> taken;
    int dimension = -1;
    int64_t cells = table.GetNumberOfElements();
    for (int i = 0; i < count; ++i) {
        const int parent = parents[i];
        const int position = network->IsLiveHandle(parent) ? list.FindPosition(parent) : -1;
        results[i] = position < 0 || position < list.GetCount() - count ||
                             !IsIndexingType(network->GetNodeType(parent))
                         ? kOutOfRange
                         : kSuccess;
        if (results[i] != kSuccess) continue;
        const int outcomes = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
        if (outcomes < 1) continue;
        if (dimension < 0) dimension = DimensionOfParent(list, position);
        if (dims < 1 || dimension > dims - 1) {
            results[i] = kOutOfRange;
            continue;
        }
        try {
            sizes.push_back(outcomes);
            taken.push_back(i);
        } catch (const std::bad_alloc&) {
            for (int j = 0; j < count; ++j) results[j] = kOutOfMemory;
            return DefinitionSupport::RefuseTable(network, handle, cells);
        }
        cells = cells > INT64_MAX / outcomes ? INT64_MAX : cells * outcomes;
    }
    if (sizes.empty()) return kSuccess;
    // Added one at a time, every new dimension would have completed the columns once more: they are
    // completed as often here, over the old columns (which are all the new ones repeat), so that the
    // table is the same to the bit.
    // The table and its copy are kept while the grown one is built.
    const int64_t held = table.GetNumberOfElements();
    if (const int rc = DefinitionSupport::CheckTableGrowth(network, handle, cells, 2 * held)) {
        for (int i : taken) results[i] = rc;
        return rc;
    }
    VRX_Dmatrix before;
    const int kept = cells > kMaxTableCells ? kOutOfMemory : before.Copy(table);
    int rc = kept;
    if (rc == kSuccess) {
        for (size_t i = 0; i < sizes.size(); ++i) CompleteNewColumns();
        rc = table.InsertDimensions(dimension, sizes.data(), static_cast<int>(sizes.size()));
        if (rc != kSuccess) table.Swap(before);
    }
    if (rc != kSuccess) {
        if (rc == kOutOfMemory) (void)DefinitionSupport::RefuseTable(network, handle, cells);
        for (int i : taken) results[i] = rc;
        return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int ParentTableDefinition::RemoveParent(int parent) {
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        if (const int rc = table.ReduceToSlice(dimension, 0)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int ParentTableDefinition::AbsorbParentEvidence(int parent) {
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    VRX_nodeValue* value = network->GetNode(parent)->GetValue();
    if (value == nullptr || !value->HasEvidence()) return kOutOfRange;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        const int observed = value->GetEvidence();
        if (observed < 0 || observed >= table.GetDimensions()[dimension]) return kOutOfRange;
        if (const int rc = table.ReduceToSlice(dimension, observed)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int ParentTableDefinition::MarginalizeParent(int parent) {
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    VRX_node* parentNode = network->GetNode(parent);
    const VRX_nodeValue* value = parentNode->GetValue();
    if (value != nullptr && value->HasEvidence()) return kOutOfRange;
    const int type = parentNode->GetType();
    if (type == DefinitionType::kTable || type == DefinitionType::kList) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        // Without parents of its own, the first run of the parent's table is its distribution.
        VRX_Dmatrix* parentTable = nullptr;
        if (const int rc = parentNode->GetDefinition()->GetDefinition(parentTable)) return rc;
        const int items = table.GetDimensions()[dimension];
        if (parentTable == nullptr || parentTable->GetNumberOfElements() < items) return kOutOfRange;
        VRX_doubleArray weights;
        if (const int rc = weights.SetSize(items)) return rc;
        for (int k = 0; k < items; ++k) weights[k] = (*parentTable)[k];
        if (const int rc = table.WeightedSumOverDimension(dimension, weights)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int ParentTableDefinition::InsertParentOutcome(int parent, int index) {
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        if (const int rc = InsertZeroItem(table, dimension, index)) {
            if (rc != kOutOfMemory) return rc;
            const int64_t items = table.GetDimensions()[dimension];
            return DefinitionSupport::RefuseTable(network, handle,
                                                  table.GetNumberOfElements() / items * (items + 1));
        }
        CompleteOpenedOutcome();
    }
    CheckValidity(0);
    return kSuccess;
}

int ParentTableDefinition::RemoveParentOutcome(int parent, int index) {
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        const int items = table.GetDimensions()[dimension];
        if (index < 0 || index >= items || items < 2) return kOutOfRange;
        if (const int rc = table.ShiftItemsDown(dimension, index)) return rc;
        if (const int rc = table.RemoveLastItem(dimension)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int ParentTableDefinition::ReorderParentOutcomes(int parent, const VRX_intArray& order) {
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    if (role == ParentRole::kIndexing) {
        VRX_intArray permutation;
        const int items = table.GetDimensions()[dimension];
        if (const int rc = DefinitionSupport::ReadPermutation(order, items, permutation)) return rc;
        if (const int rc = table.ReorderItems(dimension, permutation)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int ParentTableDefinition::ReorderParents(const VRX_intArray& order) {
    const int parents = table.GetNumberOfDimensions() - 1;
    if (parents < 0) return kOutOfRange;
    VRX_intArray permutation;
    if (const int rc = DefinitionSupport::ReadPermutation(order, parents, permutation)) return rc;
    // The node's own dimension stays last.
    if (const int rc = permutation.Add(parents)) return rc;
    return table.ReorderDimensions(permutation);
}

int ParentTableDefinition::RemoveInvalidParents() {
    // Only parents whose outcomes index the table: AddParent refuses the others.
    DefinitionSupport::RemoveParentsUnless(*this, &IsIndexingType);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// The table as parameters

int ParentTableDefinition::GetSize() {
    return table.GetNumberOfElements();
}

int ParentTableDefinition::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int ParentTableDefinition::GetDefinitionDoubles(VRX_doubleArray*& out) {
    out = &table.GetItems();
    return kSuccess;
}

int ParentTableDefinition::GetDefinition(VRX_Dmatrix*& out) {
    out = &table;
    return kSuccess;
}

// Evidence propagated through the former entries, and values computed from them, go with them.
int ParentTableDefinition::SetDefinition(const VRX_Dmatrix& matrix) {
    if (&matrix == &table) return kSuccess;
    // A table of another shape would no longer match the parents.
    if (!table.HasSameDimensions(matrix)) return kOutOfRange;
    if (const int rc = DefinitionSupport::RefuseEntries(network, handle, "table", matrix.GetData(),
                                                        matrix.GetNumberOfElements(), HoldsProbabilities()))
        return rc;
    if (const int rc = table.Copy(matrix)) return rc;
    DefinitionSupport::NotifyNetwork(*this, ChangeKind::kEntriesReplaced);
    return kSuccess;
}

int ParentTableDefinition::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    if (const int rc = WriteEntries(doubles)) return rc;
    DefinitionSupport::NotifyNetwork(*this, ChangeKind::kEntriesReplaced);
    return kSuccess;
}

int ParentTableDefinition::WriteEntries(const VRX_doubleArray& doubles) {
    const int n = DefinitionSupport::MatchEntryCount(doubles, table.GetNumberOfElements());
    if (n < 0) return n;
    if (const int rc = DefinitionSupport::RefuseEntries(network, handle, "table", doubles.GetItems(), n,
                                                        HoldsProbabilities()))
        return rc;
    double* p = table.GetData();
    for (int i = 0; i < n; ++i) p[i] = doubles[i];
    return kSuccess;
}

}  // namespace vovido
