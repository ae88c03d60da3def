#pragma once
// The checks around a belief update: of the probability tables before an algorithm reads them (their
// columns scaled to sum to 1 for the time it reads them), of the values it wrote (entries far above 1
// overflow the products), and of the number of updates an influence diagram's scenarios would take.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class VRX_Dmatrix;
class VRX_network;

namespace vovido {

// The probability tables of every discrete chance node (temporal ones included) as the algorithms of
// one update, probability of evidence or search read them, for the life of the scope.
// - A table with NaN, an infinite or a negative entry, or a column whose sum is no finite number, yields
//   no beliefs however it is scaled: the first such fault is logged naming the node and the entry, and
//   GetStatus answers kObjectNotConsistent; a table beyond the size limit gives kOutOfMemory, logged.
// - Otherwise each column whose sum is off 1 beyond the tolerance of a CPT's consistency is used scaled
//   to sum to 1, so that beliefs sum to 1 and a column that lost an outcome means "given that outcome
//   does not occur"; the numbers given are put back when the scope ends. Each node with such columns is
//   reported once with kObjectNotConsistent, "Node [X] is not consistent. Inference may not be correct"
//   and the first few columns with their sums. Columns within the tolerance are rounded distributions,
//   read as they are; one whose sum is subnormal is set to 0 for good, the zero column it stands for.
// - Scopes nest: one on a network whose tables are scaled already does nothing, and one on a working
//   copy made inside another does not report again what that one reported.
class ScaledTables {
public:
    explicit ScaledTables(VRX_network& network);
    ~ScaledTables();
    ScaledTables(const ScaledTables&) = delete;
    ScaledTables& operator=(const ScaledTables&) = delete;

    [[nodiscard]] int GetStatus() const { return status_; }

private:
    // A table with scaled columns: its node, temporal order (0 the main table), size and columns.
    struct Table {
        int handle;
        int order;
        int elements;
        size_t firstColumn;
    };
    struct Column {
        int start;
        int run;
        size_t saved;  // position of its original entries in originals_
    };
    [[nodiscard]] int ScaleTable(int handle, int order, VRX_Dmatrix& table, std::string& report,
                                 int& reported);
    // Scales the node's tables; the report of its columns off 1, if any, goes to reports.
    [[nodiscard]] int ScaleNode(int handle, std::vector<std::string>& reports);
    void Restore();

    VRX_network& network_;
    bool owner_ = false;
    int status_ = 0;
    std::vector<Table> tables_;
    std::vector<Column> columns_;
    std::vector<double> originals_;
};

// After an update that found its evidence impossible or drew no sample of weight, with `logStart` the
// number of log entries before it: when the network holds no evidence at all, the zero mass comes of a
// table column whose probabilities all vanish (zeros, or a subnormal sum set to 0 by ScaledTables). The
// update's entries are then replaced by one naming the first such node and column with its parents'
// outcomes, and the answer is kConflictingEvidence; otherwise 0, the entries as they were.
[[nodiscard]] int ExplainZeroMass(const VRX_network& network, int logStart);

// After an update that succeeded: 0 when every up-to-date value holds what it may: finite beliefs and
// expected utilities, an equation value that is neither NaN nor the undefined marker. Otherwise every
// value is marked out of date and the first node found is logged: -568 for numbers that are not
// finite, -2 for an undefined equation value.
[[nodiscard]] int CheckUpdatedValues(VRX_network& network);

// Before an influence diagram is solved by one belief update per scenario of `sequence` (decisions and
// what they observe, with their outcome counts in `sizes`): 0 while the scenarios times the work of one
// update (the cells of every table, or the entries of the join tree the update builds where more, and a
// fixed share per node) stay within the limit; else -42, logged naming the first decision at or after the
// node whose outcomes pass it, with the sizes.
[[nodiscard]] int CheckScenarioCount(const VRX_network& network, const std::vector<int>& sequence,
                                     const std::vector<int>& sizes, uint64_t treeEntries = 0);

// The probability of evidence as computed: 0 when it is a finite number, else -568 logged, naming the
// first node with evidence.
[[nodiscard]] int CheckProbabilityOfEvidence(const VRX_network& network, double probability);

}  // namespace vovido
