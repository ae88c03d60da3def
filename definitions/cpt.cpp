// Conditional probability table: its outcomes as the table's last dimension, conversions from other
// kinds, checks.
#include "definitions/cpt.h"

#include <cmath>

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "definitions/utility_table.h"
#include "model/network.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

using vovido::NamedOutcomes;

namespace {

constexpr const char* kGeneratedOutcome = "State";

}  // namespace

VRX_cpt::VRX_cpt(int nodeHandle, VRX_network* net) : NamedOutcomes(kGeneratedOutcome, nodeHandle, net) {
    (void)RebuildFromParents();  // out of memory leaves the table empty
    outcomeIds.CheckValidity(1);
    CheckValidity(0);
    CheckConsistency(0);
}

VRX_cpt::VRX_cpt(VRX_nodeDefinition& source) : NamedOutcomes(kGeneratedOutcome, source) {
    (void)CopyFrom(source);  // out of memory leaves the table empty
}

// CopyFrom only reads a table source, so the const copy goes the same way as a conversion.
VRX_cpt::VRX_cpt(const VRX_cpt& source) : NamedOutcomes(kGeneratedOutcome, source) {
    (void)CopyFrom(const_cast<VRX_cpt&>(source));  // out of memory leaves the table empty
}

VRX_cpt::~VRX_cpt() = default;

void VRX_cpt::CleanUp(int deep) {
    if (deep) table.CleanUp();
    NamedOutcomes::CleanUp(deep);
}

void VRX_cpt::CheckValidity(int deep) {
    if (deep) outcomeIds.CheckValidity(deep);
    SetFlag(kValid, outcomeIds.IsValid() && numOutcomes == outcomeIds.GetCount());
}

void VRX_cpt::CheckConsistency(int deep) {
    NamedOutcomes::CheckConsistency(deep);
    if (!ColumnsAreDistributions()) SetFlag(kConsistent, false);
}

bool VRX_cpt::ColumnsAreDistributions() const {
    const int total = table.GetNumberOfElements();
    const int dims = table.GetNumberOfDimensions();
    if (total == 0 || dims == 0) return true;
    const int run = table.GetDimensions()[dims - 1];
    const double* p = table.GetData();
    for (int start = 0; start < total; start += run) {
        double sum = 0.0;
        for (int k = start; k < start + run; ++k) {
            // Written so that NaN fails too.
            if (!(p[k] >= 0.0)) return false;
            sum += p[k];
        }
        if (!(std::fabs(sum - 1.0) <= kColumnTolerance)) return false;
    }
    return true;
}

int VRX_cpt::GetType() const {
    return DefinitionType::kCpt;
}

const char* VRX_cpt::GetTypeName() const {
    return "CPT";
}

// ---------------------------------------------------------------------------------------------------
// The table's dimensions

void VRX_cpt::CompleteNewColumns() {
    table.Normalize();
}

bool VRX_cpt::HoldsOutcomeData() const {
    return table.GetNumberOfDimensions() >= 1;
}

int VRX_cpt::InsertOutcomeData(int index) {
    // A new outcome of probability 0 leaves every distribution as it was.
    const int own = table.GetNumberOfDimensions() - 1;
    const int rc = InsertZeroItem(table, own, index);
    if (rc != kOutOfMemory || own < 0) return rc;
    const int64_t items = table.GetDimensions()[own];
    return DefinitionSupport::RefuseTable(network, handle, table.GetNumberOfElements() / items * (items + 1));
}

int VRX_cpt::RemoveOutcomeData(int index) {
    const int own = table.GetNumberOfDimensions() - 1;
    if (const int rc = table.ShiftItemsDown(own, index)) return rc;
    return table.RemoveLastItem(own);
}

int VRX_cpt::ReorderOutcomeData(const VRX_intArray& permutation) {
    const int own = table.GetNumberOfDimensions() - 1;
    if (own < 0 || table.GetDimensions()[own] != numOutcomes) return kOutOfRange;
    return table.ReorderItems(own, permutation);
}

// ---------------------------------------------------------------------------------------------------
// Whole table

int VRX_cpt::RebuildFromParents() {
    if (const int rc = CompleteOutcomes()) return rc;
    return RebuildTable(numOutcomes);
}

int VRX_cpt::SetOutcomeNames(const char* first, const char* second, bool generated) {
    outcomeIds.CleanUp(1);
    if (generated) {
        if (const int rc = outcomeIds.AddValidId(first, 0)) return rc;
        if (const int rc = outcomeIds.AddValidId(second, 1)) return rc;
    } else {
        if (const int rc = outcomeIds.AddValidId(first, -1)) return rc;
        if (const int rc = outcomeIds.AddValidId(second, -1)) return rc;
    }
    numOutcomes = outcomeIds.GetCount();
    return kSuccess;
}

int VRX_cpt::ConvertFromUtilityTable(VRX_nodeDefinition& source) {
    if (const int rc = SetOutcomeNames(kGeneratedOutcome, kGeneratedOutcome, true)) return rc;
    if (const int rc = RebuildFromParents()) return rc;
    table.FillWith(0.0);
    VRX_Dmatrix* utilities = nullptr;
    if (source.GetDefinition(utilities) != kSuccess || utilities == nullptr) return kSuccess;
    const int items = utilities->GetNumberOfElements();
    if (items == 0) return kSuccess;
    const double low = VRX_table::MinimumOf(*utilities);
    double range = VRX_table::MaximumOf(*utilities) - low;
    if (range == 0.0) range = 1.0;
    // One two-outcome column per utility item; never write past the table.
    const int columns = table.GetNumberOfElements() / numOutcomes;
    const int n = items < columns ? items : columns;
    const double* u = utilities->GetData();
    double* p = table.GetData();
    for (int i = 0; i < n; ++i) {
        const double q = (u[i] - low) / range;
        p[i * numOutcomes] = q;
        p[i * numOutcomes + 1] = 1.0 - q;
    }
    return kSuccess;
}

int VRX_cpt::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;

    int rc = kSuccess;
    switch (source.GetType()) {
        case DefinitionType::kNone:
        case DefinitionType::kEquation:
        case DefinitionType::kEquationScc:
            break;
        case DefinitionType::kTable:
            rc = ConvertFromUtilityTable(source);
            break;
        case DefinitionType::kList:
            rc = CopyOutcomesFrom(source);
            if (rc == kSuccess && IsAttachedToLiveNode()) rc = network->RemoveAllParents(handle);
            if (rc == kSuccess) rc = RebuildFromParents();
            break;
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder: {
            rc = CopyOutcomesFrom(source);
            if (rc == kSuccess) rc = RebuildFromParents();
            // Noisy kinds hand out their derived table here.
            VRX_Dmatrix* entries = nullptr;
            if (rc == kSuccess) rc = source.GetDefinition(entries);
            if (rc == kSuccess && entries != nullptr) CopyEntriesFrom(*entries);
            break;
        }
        case DefinitionType::kCast:
        case DefinitionType::kDeMorgan:
            if (IsAttachedToLiveNode() && network->GetParents(handle).GetCount() > 0) return kOutOfRange;
            rc = SetOutcomeNames("True", "False", false);
            if (rc == kSuccess) rc = RebuildFromParents();
            break;
        case DefinitionType::kMau:
            rc = SetOutcomeNames(kGeneratedOutcome, kGeneratedOutcome, true);
            if (rc == kSuccess) rc = RebuildFromParents();
            break;
        default:
            return kOutOfRange;
    }
    if (rc != kSuccess) return rc;
    return DefinitionSupport::FinishConversion(*this);
}

// ---------------------------------------------------------------------------------------------------
// Parameters

int VRX_cpt::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* other = dynamic_cast<VRX_cpt*>(&target);
    if (other == nullptr) return kOutOfRange;
    if (other == this) return kSuccess;
    return other->table.Copy(table);
}

int VRX_cpt::SetProbabilities(const VRX_doubleArray& values) {
    return SetEntries(values);
}

VRX_Dmatrix* VRX_cpt::GetTemporalDefinition(int order) {
    auto* temporal = dynamic_cast<VRX_cpt*>(FindTemporalDefinition(order));
    return temporal != nullptr ? &temporal->table : nullptr;
}

int VRX_cpt::SetTemporalDefinition(int order, const VRX_Dmatrix& matrix) {
    if (!IsAttachedToLiveNode()) return kOutOfRange;
    if (network->GetTemporalType(handle) != TemporalType::kPlate) return kWrongNodeType;
    auto* temporal = dynamic_cast<VRX_cpt*>(FindTemporalDefinition(order));
    if (temporal == nullptr) return kOutOfRange;
    if (!temporal->table.HasSameDimensions(matrix)) return kInvalidData;
    if (const int rc = temporal->table.Copy(matrix)) return rc;
    network->InvalidateValues();
    return kSuccess;
}
