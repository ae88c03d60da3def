// Truth table: the deterministic CPT, its resulting outcomes per parent configuration.
#include "definitions/truth_table.h"

#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/refusal_reasons.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

namespace {

// Length of one column: the size of the node's own (last) dimension; 0 for an empty table.
int ColumnLength(const VRX_Dmatrix& table) {
    const int dims = table.GetNumberOfDimensions();
    return dims > 0 ? table.GetDimensions()[dims - 1] : 0;
}

}  // namespace

VRX_truthTable::VRX_truthTable(int nodeHandle, VRX_network* net) : VRX_cpt(nodeHandle, net) {
    SetFirstOutcomes();
    CheckConsistency(0);
}

VRX_truthTable::VRX_truthTable(VRX_nodeDefinition& source) : VRX_cpt(source) {
    if (source.GetType() != DefinitionType::kTruthTable)
        (void)MakeDeterministic();  // fails only when not valid
    CheckConsistency(1);
}

VRX_truthTable::VRX_truthTable(const VRX_truthTable& source) : VRX_cpt(source) {
    CheckConsistency(1);
}

VRX_truthTable::~VRX_truthTable() = default;

void VRX_truthTable::CheckConsistency(int deep) {
    VRX_cpt::CheckConsistency(deep);
    const int total = table.GetNumberOfElements();
    const double* p = table.GetData();
    for (int k = 0; k < total; ++k) {
        if (p[k] != 0.0 && p[k] != 1.0) {
            SetFlag(kConsistent, false);
            return;
        }
    }
}

int VRX_truthTable::GetType() const {
    return DefinitionType::kTruthTable;
}

const char* VRX_truthTable::GetTypeName() const {
    return "TRUTHTABLE";
}

int VRX_truthTable::GetNumberOfColumns() const {
    const int run = ColumnLength(table);
    return run > 0 ? table.GetNumberOfElements() / run : 0;
}

void VRX_truthTable::SetFirstOutcomes() {
    const int run = ColumnLength(table);
    const int total = table.GetNumberOfElements();
    if (run == 0) return;
    double* p = table.GetData();
    for (int k = 0; k < total; ++k) p[k] = 0.0;
    for (int start = 0; start < total; start += run) p[start] = 1.0;
}

void VRX_truthTable::CompleteOpenedOutcome() {
    (void)MakeDeterministic();  // fails only when not valid
}

int VRX_truthTable::CopyFrom(VRX_nodeDefinition& source) {
    const int rc = VRX_cpt::CopyFrom(source);
    return rc == kSuccess ? MakeDeterministic() : rc;
}

int VRX_truthTable::MakeDeterministic() {
    if (!IsValid()) return kObjectNotValid;
    const int run = ColumnLength(table);
    const int total = table.GetNumberOfElements();
    double* p = table.GetData();
    for (int start = 0; run > 0 && start < total; start += run) {
        double* column = p + start;
        // Not below the running maximum wins, so ties go to the later outcome.
        double best = 0.0;
        int winner = run - 1;
        for (int j = 0; j < run; ++j) {
            if (column[j] >= best) {
                best = column[j];
                winner = j;
            }
            column[j] = 0.0;
        }
        column[winner] = 1.0;
    }
    CheckConsistency(0);
    return kSuccess;
}

int VRX_truthTable::SetResultingStates(const VRX_intArray& states) {
    if (!IsValid()) return kObjectNotValid;
    const int columns = GetNumberOfColumns();
    const int listed = states.GetCount();
    if (listed != columns && (listed != 0 || states.GetSize() != columns)) return kOutOfRange;
    const int run = ColumnLength(table);
    if (run != numOutcomes) return kOutOfRange;
    for (int i = 0; i < columns; ++i) {
        if (states[i] < 0 || states[i] >= numOutcomes) return kOutOfRange;
    }
    double* p = table.GetData();
    const int total = table.GetNumberOfElements();
    for (int k = 0; k < total; ++k) p[k] = 0.0;
    for (int i = 0; i < columns; ++i) p[i * run + states[i]] = 1.0;
    CheckConsistency(0);
    DefinitionSupport::NotifyNetwork(*this, ChangeKind::kEntriesReplaced);
    return kSuccess;
}

int VRX_truthTable::GetResultingStates(VRX_stringArray& out) {
    if (!IsValid() || !out.IsValid()) return kObjectNotValid;
    const int run = ColumnLength(table);
    const int total = table.GetNumberOfElements();
    const double* p = table.GetData();
    for (int start = 0; run > 0 && start < total; start += run) {
        int state = 0;
        for (int j = 0; j < run; ++j) {
            if (p[start + j] == 1.0) {
                state = j;
                break;
            }
        }
        if (const int rc = out.Add(outcomeIds[state])) return rc;
    }
    return kSuccess;
}

int VRX_truthTable::RefuseUndeterminedColumns(const double* entries, int count) const {
    const int column = vovido::FindUndeterminedColumn(entries, count, numOutcomes);
    if (column < 0) return kSuccess;
    return network != nullptr ? vovido::RefuseTableOfKind(*network, handle, column) : kWrongNodeType;
}

int VRX_truthTable::SetDefinition(const VRX_Dmatrix& matrix) {
    if (&matrix == &table) return kSuccess;
    if (table.HasSameDimensions(matrix)) {
        if (const int rc = RefuseUndeterminedColumns(matrix.GetData(), matrix.GetNumberOfElements()))
            return rc;
    }
    return VRX_cpt::SetDefinition(matrix);
}

int VRX_truthTable::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    const int n = DefinitionSupport::MatchEntryCount(doubles, table.GetNumberOfElements());
    if (n < 0) return n;
    if (n > 0) {
        if (const int rc = RefuseUndeterminedColumns(&doubles[0], n)) return rc;
    }
    return VRX_cpt::SetDefinitionDoubles(doubles);
}

int VRX_truthTable::RemoveOutcomeData(int index) {
    if (const int rc = VRX_cpt::RemoveOutcomeData(index)) return rc;
    CompleteColumnsWithoutOne(true);
    return kSuccess;
}

void VRX_truthTable::CompleteNewColumns() {
    CompleteColumnsWithoutOne(false);
}

void VRX_truthTable::CompleteColumnsWithoutOne(bool atLast) {
    const int run = ColumnLength(table);
    double* p = table.GetData();
    for (int start = 0; run > 0 && start < table.GetNumberOfElements(); start += run) {
        bool held = false;
        for (int j = 0; j < run && !held; ++j) held = p[start + j] == 1.0;
        if (held) continue;
        for (int j = 0; j < run; ++j) p[start + j] = 0.0;
        p[start + (atLast ? run - 1 : 0)] = 1.0;
    }
}

int VRX_truthTable::SetDefinitionStrings(const VRX_stringArray& names) {
    const int columns = GetNumberOfColumns();
    if (names.GetCount() != columns) return kInvalidData;
    VRX_intArray states;
    if (const int rc = states.FlushAndReserve(columns)) return rc;
    for (int i = 0; i < columns; ++i) {
        const char* name = names[i];
        const int position = name != nullptr ? outcomeIds.FindPosition(name) : kOutOfRange;
        states.AddReserved(position >= 0 ? position : 0);
    }
    return SetResultingStates(states);
}

int VRX_truthTable::SetDefinitionInts(const VRX_intArray& indexes) {
    const int columns = GetNumberOfColumns();
    if (indexes.GetSize() != columns && indexes.GetCount() != columns) return kInvalidData;
    return SetResultingStates(indexes);
}
