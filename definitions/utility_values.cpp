// Expected utilities of utility and decision nodes; a decision takes its chosen choice as evidence.
#include "definitions/utility_values.h"

#include "base/status_codes.h"
#include "definitions/utility_table.h"
#include "model/network.h"

using vovido::ObservedValue;

// ---------------------------------------------------------------------------------------------------
// Expected utility

VRX_expectedUtility::VRX_expectedUtility(int nodeHandle, VRX_network* net) : VRX_nodeValue(nodeHandle, net) {
    if (utilityValues.AddDimension(1) == kSuccess) utilityValues.FillWith(0.0);
}

VRX_expectedUtility::VRX_expectedUtility(VRX_nodeValue& source) : VRX_nodeValue(source) {
    (void)CopyFrom(source);  // out of memory leaves the value empty
}

// CopyFrom only reads its source, so the const copy goes the same way.
VRX_expectedUtility::VRX_expectedUtility(const VRX_expectedUtility& source) : VRX_nodeValue(source) {
    (void)CopyFrom(const_cast<VRX_expectedUtility&>(source));  // out of memory leaves the value empty
}

VRX_expectedUtility::~VRX_expectedUtility() = default;

void VRX_expectedUtility::CleanUp(int deep) {
    if (deep) utilityValues.CleanUp();
    VRX_nodeValue::CleanUp(deep);
}

int VRX_expectedUtility::CloneFrom(VRX_nodeValue& source) {
    return CopyFrom(source);
}

int VRX_expectedUtility::CopyFrom(VRX_nodeValue& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = CopyBaseFrom(source)) return rc;
    auto* other = dynamic_cast<VRX_expectedUtility*>(&source);
    // Plain and multi-attribute expected utilities share the layout but are not copied into each other.
    if (other != nullptr && other->GetType() == GetType()) {
        if (const int rc = utilityValues.Copy(other->utilityValues)) return rc;
    } else if (const int rc = RebuildFromDefinition()) {
        return rc;
    }
    CheckValidity(1);
    CheckConsistency(1);
    return kSuccess;
}

int VRX_expectedUtility::RebuildFromDefinition() {
    CleanUp(1);
    if (const int rc = utilityValues.AddDimension(1)) return rc;
    utilityValues.FillWith(0.0);
    CheckValidity(0);
    return kSuccess;
}

int VRX_expectedUtility::GetType() const {
    return ValueType::kExpectedUtility;
}

int VRX_expectedUtility::GetValue(VRX_Dmatrix*& out) {
    out = &utilityValues;
    return kSuccess;
}

int VRX_expectedUtility::SetValue(const VRX_Dmatrix& matrix) {
    return utilityValues.Copy(matrix);
}

double VRX_expectedUtility::GetMinimumUtility() const {
    return VRX_table::MinimumOf(utilityValues);
}

double VRX_expectedUtility::GetMaximumUtility() const {
    return VRX_table::MaximumOf(utilityValues);
}

int VRX_expectedUtility::RescaleUtilities(double lo, double hi, double tlo, double thi) {
    VRX_table::RescaleEntries(utilityValues, lo, hi, tlo, thi);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// List of decisions

VRX_listOfDecisions::VRX_listOfDecisions(int nodeHandle, VRX_network* net) : ObservedValue(nodeHandle, net) {
    const int n = NumberOfOutcomes();
    if (n >= 1 && utilityValues.AddDimension(n) == kSuccess) utilityValues.FillWith(0.0);
}

VRX_listOfDecisions::VRX_listOfDecisions(VRX_nodeValue& source) : ObservedValue(source) {
    (void)CopyFrom(source);  // out of memory leaves the value empty
}

// CopyFrom only reads its source, so the const copy goes the same way.
VRX_listOfDecisions::VRX_listOfDecisions(const VRX_listOfDecisions& source) : ObservedValue(source) {
    (void)CopyFrom(const_cast<VRX_listOfDecisions&>(source));  // out of memory leaves the value empty
}

VRX_listOfDecisions::~VRX_listOfDecisions() = default;

void VRX_listOfDecisions::CleanUp(int deep) {
    if (deep) {
        utilityValues.CleanUp();
        evidence = 0;
    }
    VRX_nodeValue::CleanUp(deep);
}

int VRX_listOfDecisions::CloneFrom(VRX_nodeValue& source) {
    return CopyFrom(source);
}

int VRX_listOfDecisions::CopyFrom(VRX_nodeValue& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = CopyBaseFrom(source)) return rc;
    const int chosen = source.GetEvidence();
    const bool observed = source.HasFlag(ValueFlags::kEvidence);
    const bool propagated = source.HasFlag(ValueFlags::kPropagatedEvidence);

    auto* other = dynamic_cast<VRX_listOfDecisions*>(&source);
    if (other != nullptr) {
        if (const int rc = utilityValues.Copy(other->utilityValues)) return rc;
        evidence = other->evidence;
    } else if (const int rc = RebuildFromDefinition()) {
        return rc;
    }
    if (chosen >= 0) {
        int rc = kSuccess;
        if (observed) {
            rc = SetEvidence(chosen);
        } else {
            rc = FixChoice(chosen);
            // Propagated evidence keeps its bit and sends no notice.
            if (rc == kSuccess && propagated) AddValueFlags(ValueFlags::kPropagatedEvidence);
        }
        // A choice that does not fit this decision is not carried over.
        if (rc != kSuccess) RemoveValueFlags(kFixed);
    }
    CheckValidity(1);
    CheckConsistency(1);
    return kSuccess;
}

int VRX_listOfDecisions::RebuildFromDefinition() {
    CleanUp(1);
    const int n = NumberOfOutcomes();
    if (n >= 1) {
        if (const int rc = utilityValues.AddDimension(n)) return rc;
        utilityValues.FillWith(0.0);
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_listOfDecisions::GetType() const {
    return ValueType::kListOfDecisions;
}

int VRX_listOfDecisions::GetValue(VRX_Dmatrix*& out) {
    out = &utilityValues;
    return kSuccess;
}

int VRX_listOfDecisions::SetValue(const VRX_Dmatrix& matrix) {
    return utilityValues.Copy(matrix);
}

int VRX_listOfDecisions::FixOutcome(int choice) {
    return FixChoice(choice);
}

int VRX_listOfDecisions::FixChoice(int choice) {
    const int n = NumberOfOutcomes();
    if (n < 0 || choice < 0 || choice >= n) return kOutOfRange;
    AddValueFlags(ValueFlags::kUpToDate);
    evidence = choice;
    return kSuccess;
}
