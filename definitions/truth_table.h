#pragma once
// Truth table: the definition of a deterministic discrete node, a CPT whose every column holds one 1.0
// (the resulting outcome of that parent configuration) and zeros elsewhere.

#include "definitions/cpt.h"

class VRX_truthTable : public VRX_cpt {
public:
    // Every column starts with its first outcome.
    VRX_truthTable(int handle, VRX_network* network);
    // The CPT's copy of the source; a source of another kind is made deterministic after the copy.
    explicit VRX_truthTable(VRX_nodeDefinition& source);
    VRX_truthTable(const VRX_truthTable& source);
    ~VRX_truthTable() override;

    // Consistent when every entry is exactly 0.0 or 1.0 and the CPT's test holds.
    void CheckConsistency(int deep) override;

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    // The CPT's conversion, then MakeDeterministic; the conversion's result is returned.
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;

    // The CPT's, for columns of one 1.0 and zeros only: any other is refused (kWrongNodeType, logged
    // naming the node and column), for a save keeps one resulting outcome per column.
    [[nodiscard]] int SetDefinition(const VRX_Dmatrix& matrix) override;
    [[nodiscard]] int SetDefinitionDoubles(const VRX_doubleArray& doubles) override;

    // One outcome name per column; an unknown name means outcome 0. kInvalidData for a list of another
    // length.
    [[nodiscard]] int SetDefinitionStrings(const VRX_stringArray& names) override;
    // One outcome index per column; kInvalidData for a list of another length.
    [[nodiscard]] int SetDefinitionInts(const VRX_intArray& indexes) override;

    // In every column the largest entry becomes 1.0 (a tie goes to the later outcome) and the others 0.0;
    // a column without any entry above or at 0.0 gets its 1.0 at the last outcome.
    [[nodiscard]] int MakeDeterministic();
    // One outcome index per column: kOutOfRange for another length or an index out of range (nothing
    // changes); else the table is set and the network told.
    [[nodiscard]] int SetResultingStates(const VRX_intArray& states);
    // Appends per column the identifier of its first outcome of exactly 1.0 (the first outcome when none).
    [[nodiscard]] int GetResultingStates(VRX_stringArray& out);

    // Number of parent configurations (runs of numOutcomes entries).
    int GetNumberOfColumns() const;

protected:
    // The columns of a new parent outcome get 1.0 at the node's last outcome; the others keep theirs.
    void CompleteOpenedOutcome() override;
    // A column whose outcome goes takes the last outcome left, as the columns of a new parent outcome do:
    // a column of zeros would be used as uniform and saved as its first outcome.
    [[nodiscard]] int RemoveOutcomeData(int index) override;
    // A rebuilt table's columns (and any without a 1.0) start with their first outcome, as a new node's.
    void CompleteNewColumns() override;

private:
    // Every column without a 1.0 becomes 1.0 at its first or last outcome and zeros.
    void CompleteColumnsWithoutOne(bool atLast);
    // kWrongNodeType, logged, for a column that is not one 1.0 and zeros.
    [[nodiscard]] int RefuseUndeterminedColumns(const double* entries, int count) const;
    // Every column with 1.0 at its first outcome.
    void SetFirstOutcomes();
};
