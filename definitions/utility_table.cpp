// Utility table: utilities over the parents, conversions from other kinds, rescaling.
#include "definitions/utility_table.h"

#include <cfloat>

#include "base/double_array.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

using vovido::ParentTableDefinition;

namespace {

// Marks a utility that inference could not define; rescaling leaves it alone.
constexpr double kUndefined = 2 * DBL_MIN;

}  // namespace

VRX_table::VRX_table(int nodeHandle, VRX_network* net) : ParentTableDefinition(nodeHandle, net) {
    SetFlag(kValid | kConsistent, true);
    (void)RebuildFromParents();  // out of memory leaves the table empty
}

VRX_table::VRX_table(VRX_nodeDefinition& source) : ParentTableDefinition(source) {
    SetFlag(kValid | kConsistent, true);
    (void)CopyFrom(source);  // out of memory leaves the table empty
}

// CopyFrom only reads a table source, so the const copy goes the same way as a conversion.
VRX_table::VRX_table(const VRX_table& source) : ParentTableDefinition(source) {
    SetFlag(kValid | kConsistent, true);
    (void)CopyFrom(const_cast<VRX_table&>(source));  // out of memory leaves the table empty
}

VRX_table::~VRX_table() = default;

void VRX_table::CleanUp(int deep) {
    if (deep) table.CleanUp();
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
// Whole table

int VRX_table::RebuildFromParents() {
    return RebuildTable(1);
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
            // A full table of zeros over the parents that index it.
            if (const int rc = RebuildFromParents()) return rc;
            break;
        case DefinitionType::kTable:
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder: {
            if (const int rc = RebuildFromParents()) return rc;
            // Only the entries are taken over: the shape stays that of the current parents.
            VRX_Dmatrix* entries = nullptr;
            if (const int rc = source.GetDefinition(entries)) return rc;
            if (entries != nullptr) CopyEntriesFrom(*entries);
            break;
        }
        case DefinitionType::kList:
        case DefinitionType::kMau:
            // A decision's parents are observations and a MAU's are utilities: neither indexes utilities.
            if (IsAttachedToLiveNode()) {
                if (const int rc = network->RemoveAllParents(handle)) return rc;
            }
            if (const int rc = RebuildFromParents()) return rc;
            break;
        default:
            return kOutOfRange;
    }
    return DefinitionSupport::FinishConversion(*this);
}

// ---------------------------------------------------------------------------------------------------
// Parameters

int VRX_table::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* other = dynamic_cast<VRX_table*>(&target);
    if (other == nullptr) return kOutOfRange;
    if (other == this) return kSuccess;
    return other->table.Copy(table);
}

int VRX_table::SetUtilities(const VRX_doubleArray& values) {
    return SetEntries(values);
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
    if (RescaleEntries(table, lo, hi, tlo, thi)) {
        DefinitionSupport::NotifyNetwork(*this, ChangeKind::kEntriesReplaced);
    }
    return kSuccess;
}
