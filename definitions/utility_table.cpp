// Utility table: parent edits on the utilities, conversions from other kinds, rescaling.
#include "definitions/utility_table.h"

#include <cfloat>

#include "model/double_array.h"
#include "model/error_log.h"
#include "model/int_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "model/status_codes.h"

namespace {

// Marks a utility that inference could not define; rescaling leaves it alone.
constexpr double kUndefined = 2 * DBL_MIN;

// The caller's order as exactly m items; -2 unless it is a permutation of 0..m-1.
int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out) {
    if (order.GetCount() != m && order.GetSize() != m) return kOutOfRange;
    if (m > order.GetSize()) return kOutOfRange;
    if (const int rc = out.FlushAndReserve(m)) return rc;
    for (int i = 0; i < m; ++i) out.Add(order[i]);
    return out.CheckPermutation(m);
}

// Number of entries a caller's array supplies for a table of n entries: n when its count or its size
// is n, else -2.
int MatchEntryCount(const VRX_doubleArray& values, int n) {
    return values.GetCount() == n || values.GetSize() == n ? n : kOutOfRange;
}

}  // namespace

VRX_table::VRX_table(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {
    SetFlag(kValid | kConsistent, true);
    RebuildFromParents();
}

VRX_table::VRX_table(VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {
    SetFlag(kValid | kConsistent, true);
    CopyFrom(source);
}

// CopyFrom only reads a table source, so the const copy goes the same way as a conversion.
VRX_table::VRX_table(const VRX_table& source) : VRX_nodeDefinition(source) {
    SetFlag(kValid | kConsistent, true);
    CopyFrom(const_cast<VRX_table&>(source));
}

VRX_table::~VRX_table() = default;

void VRX_table::CleanUp(int deep) {
    if (deep) utilities.CleanUp();
    CheckValidity(0);
}

void VRX_table::CheckValidity(int deep) {
    VRX_object::CheckValidity(deep);
}

void VRX_table::CheckConsistency(int deep) {
    VRX_object::CheckConsistency(deep);
}

int VRX_table::GetType() const {
    return DefinitionType::kTable;
}

const char* VRX_table::GetTypeName() const {
    return "TABLE";
}

// ---------------------------------------------------------------------------------------------------
// Helpers

bool VRX_table::IsAttached() const {
    return network != nullptr && network->IsLiveHandle(handle);
}

int VRX_table::NotifyNetwork(int code) {
    return network != nullptr ? network->NotifyChange(handle, code) : kSuccess;
}

int VRX_table::LocateParent(int parent, int& dimension, ParentRole& role) const {
    if (!IsAttached() || !network->IsLiveHandle(parent)) return kOutOfRange;
    const VRX_intArray& parents = network->GetParents(handle);
    const int position = parents.FindPosition(parent);
    if (position < 0) return kOutOfRange;
    const int type = network->GetNodeType(parent);
    if (IsIndexingType(type)) {
        role = ParentRole::kIndexing;
        // Only indexing parents own a dimension, so one left behind by a kind change shifts nothing.
        dimension = 0;
        for (int i = 0; i < position; ++i) {
            if (IsIndexingType(network->GetNodeType(parents[i]))) ++dimension;
        }
        // The node's own dimension (of size 1) is always last.
        if (dimension >= utilities.GetNumberOfDimensions() - 1) return kOutOfRange;
    } else if (type == DefinitionType::kTable) {
        role = ParentRole::kTable;
    } else {
        role = ParentRole::kOther;
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_table::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (!IsAttached() || !network->IsLiveHandle(parent)) return kOutOfRange;
    if (!IsIndexingType(network->GetNodeType(parent))) return kOutOfRange;
    const VRX_intArray& parents = network->GetParents(handle);
    const int position = parents.FindPosition(parent);
    if (position < 0) return kOutOfRange;
    const int outcomes = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
    if (outcomes < 1) return kSuccess;
    int dimension = 0;
    for (int i = 0; i < position; ++i) {
        if (IsIndexingType(network->GetNodeType(parents[i]))) ++dimension;
    }
    const int dims = utilities.GetNumberOfDimensions();
    if (dims < 1 || dimension > dims - 1) return kOutOfRange;
    // The old utilities are repeated along the new dimension; utilities are not normalised.
    if (const int rc = utilities.InsertDimension(dimension, outcomes)) return rc;
    CheckValidity(0);
    return kSuccess;
}

int VRX_table::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        if (const int rc = utilities.ReduceToSlice(dimension, 0)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_table::AbsorbParentEvidence(int parent) {
    if (!IsValid()) return kObjectNotValid;
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    VRX_nodeValue* value = network->GetNode(parent)->GetValue();
    if (value == nullptr || !value->HasEvidence()) return kOutOfRange;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        const int observed = value->GetEvidence();
        if (observed < 0 || observed >= utilities.GetDimensions()[dimension]) return kOutOfRange;
        if (const int rc = utilities.ReduceToSlice(dimension, observed)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_table::MarginalizeParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
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
        const int items = utilities.GetDimensions()[dimension];
        if (parentTable == nullptr || parentTable->GetNumberOfElements() < items) return kOutOfRange;
        VRX_doubleArray weights;
        if (const int rc = weights.SetSize(items)) return rc;
        for (int k = 0; k < items; ++k) weights[k] = (*parentTable)[k];
        if (const int rc = utilities.WeightedSumOverDimension(dimension, weights)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_table::InsertParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        if (const int rc = InsertZeroItem(utilities, dimension, index)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_table::RemoveParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    if (role == ParentRole::kTable) return kOutOfRange;
    if (role == ParentRole::kIndexing) {
        const int items = utilities.GetDimensions()[dimension];
        if (index < 0 || index >= items || items < 2) return kOutOfRange;
        if (const int rc = utilities.ShiftItemsDown(dimension, index)) return rc;
        if (const int rc = utilities.RemoveLastItem(dimension)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_table::ReorderParentOutcomes(int parent, const VRX_intArray& order) {
    if (!IsValid()) return kObjectNotValid;
    int dimension = 0;
    ParentRole role = ParentRole::kOther;
    if (const int rc = LocateParent(parent, dimension, role)) return rc;
    if (role == ParentRole::kIndexing) {
        VRX_intArray permutation;
        if (const int rc = ReadPermutation(order, utilities.GetDimensions()[dimension], permutation))
            return rc;
        if (const int rc = utilities.ReorderItems(dimension, permutation)) return rc;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_table::ReorderParents(const VRX_intArray& order) {
    const int parents = utilities.GetNumberOfDimensions() - 1;
    if (parents < 0) return kOutOfRange;
    VRX_intArray permutation;
    if (const int rc = ReadPermutation(order, parents, permutation)) return rc;
    // The node's own dimension stays last.
    if (const int rc = permutation.Add(parents)) return rc;
    return utilities.ReorderDimensions(permutation);
}

int VRX_table::RemoveInvalidParents() {
    if (!IsAttached()) return kSuccess;
    // A copy: every removal edits the list being walked.
    const VRX_intArray parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (!IsDiscreteType(network->GetNodeType(parents[i]))) network->RemoveArc(parents[i], handle);
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Whole table

int VRX_table::GetSize() {
    return utilities.GetNumberOfElements();
}

int VRX_table::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_table::RebuildFromParents() {
    utilities.CleanUp();
    if (const int rc = utilities.AddDimension(1)) return rc;
    utilities.FillWith(0.0);
    if (!IsAttached()) return kSuccess;
    const VRX_intArray& parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (const int rc = AddParent(parents[i]))
            LogError(errorLog, rc, "Parent could not be added", nullptr);
    }
    return kSuccess;
}

int VRX_table::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;
    CleanUp(1);

    switch (source.GetType()) {
        case DefinitionType::kNone:
        case DefinitionType::kEquation:
        case DefinitionType::kEquationScc:
            break;
        case DefinitionType::kTable:
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder: {
            if (const int rc = RebuildFromParents()) return rc;
            // Only the entries are taken over: the shape stays that of the current parents.
            VRX_Dmatrix* table = nullptr;
            if (source.GetDefinition(table) == kSuccess && table != nullptr &&
                table->GetNumberOfElements() == utilities.GetNumberOfElements() && table != &utilities) {
                const int n = utilities.GetNumberOfElements();
                const double* from = table->GetData();
                double* to = utilities.GetData();
                for (int i = 0; i < n; ++i) to[i] = from[i];
            }
            break;
        }
        case DefinitionType::kList:
        case DefinitionType::kMau:
            // A decision's parents are observations and a MAU's are utilities: neither indexes utilities.
            if (IsAttached()) network->RemoveAllParents(handle);
            if (const int rc = RebuildFromParents()) return rc;
            break;
        default:
            return kOutOfRange;
    }
    CheckValidity(1);
    CheckConsistency(1);
    NotifyNetwork(ChangeKind::kDefinition256);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Parameters

int VRX_table::GetDefinitionDoubles(VRX_doubleArray*& out) {
    out = &utilities.GetItems();
    return kSuccess;
}

int VRX_table::GetDefinition(VRX_Dmatrix*& out) {
    out = &utilities;
    return kSuccess;
}

int VRX_table::SetDefinition(const VRX_Dmatrix& matrix) {
    if (&matrix == &utilities) return kSuccess;
    // A table of another shape would no longer match the parents.
    if (!utilities.HasSameDimensions(matrix)) return kOutOfRange;
    return utilities.Copy(matrix);
}

int VRX_table::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    const int n = MatchEntryCount(doubles, utilities.GetNumberOfElements());
    if (n < 0) return n;
    double* u = utilities.GetData();
    for (int i = 0; i < n; ++i) u[i] = doubles[i];
    return kSuccess;
}

int VRX_table::SetUtilities(const VRX_doubleArray& values) {
    if (!IsValid()) return kObjectNotValid;
    if (const int rc = SetDefinitionDoubles(values)) return rc;
    CheckValidity(1);
    CheckConsistency(1);
    NotifyNetwork(ChangeKind::kDefinition128);
    return kSuccess;
}

double VRX_table::MinimumOf(const VRX_Dmatrix& matrix) {
    const int n = matrix.GetNumberOfElements();
    if (n == 0) return 0.0;
    const double* u = matrix.GetData();
    double low = u[0];
    for (int i = 1; i < n; ++i) {
        if (u[i] < low) low = u[i];
    }
    return low;
}

double VRX_table::MaximumOf(const VRX_Dmatrix& matrix) {
    const int n = matrix.GetNumberOfElements();
    if (n == 0) return 0.0;
    const double* u = matrix.GetData();
    double high = u[0];
    for (int i = 1; i < n; ++i) {
        if (u[i] > high) high = u[i];
    }
    return high;
}

bool VRX_table::RescaleEntries(VRX_Dmatrix& matrix, double lo, double hi, double tlo, double thi) {
    const double low = MinimumOf(matrix);
    const double high = MaximumOf(matrix);
    if (lo == hi) {
        lo = low;
        hi = high;
    }
    // The source range always covers every entry.
    if (low < lo) lo = low;
    if (high > hi) hi = high;
    const int n = matrix.GetNumberOfElements();
    double* u = matrix.GetData();
    if (lo == hi || tlo == thi) {
        for (int i = 0; i < n; ++i) u[i] = thi;
        return true;
    }
    if (lo == tlo && hi == thi) return false;
    const double scale = (thi - tlo) / (hi - lo);
    for (int i = 0; i < n; ++i) {
        if (u[i] != kUndefined) u[i] = (u[i] - lo) * scale + tlo;
    }
    return true;
}

int VRX_table::RescaleUtilities(double lo, double hi, double tlo, double thi) {
    if (!IsValid()) return kObjectNotValid;
    if (RescaleEntries(utilities, lo, hi, tlo, thi)) NotifyNetwork(ChangeKind::kDefinition128);
    return kSuccess;
}
