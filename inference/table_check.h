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
class VRX_nodeDefinition;

namespace vovido {

// The probability tables of every discrete chance node (temporal ones included) as the algorithms of
// one update, probability of evidence or search read them, for the life of the scope.
// - A table with NaN, an infinite or a negative entry, or a column whose sum is no finite number, yields
//   no beliefs however it is scaled: the first such fault is logged naming the node and the entry, and
//   GetStatus answers kObjectNotConsistent; a table beyond the size limit gives kOutOfMemory, logged.
// - Otherwise every column is used scaled to sum to 1, so that beliefs sum to 1 and a column that lost
//   an outcome means "given that outcome does not occur", however small its positive sum; a column of
//   zeros is used as uniform, as a table edit makes such a column (and so read by the evidence checks,
//   vovido::ReadEntriesEqual). The numbers given
//   are put back when the scope ends. Each node with a column off 1 beyond the tolerance of a CPT's
//   consistency, or of zeros, is reported once with kObjectNotConsistent, "Node [X] is not consistent.
//   Inference may not be correct" and the first few columns; rounded columns are scaled silently.
// - What a table's check found is kept with its definition, with the copy the update reads: a table
//   that did not change since (VRX_Dmatrix::MayHaveChanged) costs a swap in and out.
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
    // A table whose scaled copy is in place: its node, temporal order (0 the main table), definition,
    // and the entries it holds meanwhile.
    struct Swapped {
        int handle;
        int order;
        const VRX_nodeDefinition* definition;
        const double* data;
        int elements;
    };
    // The columns of one node reported: the first few as text, and the counts.
    struct ColumnNotes {
        std::string off;
        int offCount = 0;
        std::string zero;
        int zeroCount = 0;
    };
    [[nodiscard]] int CheckTable(int handle, int order, VRX_nodeDefinition& definition, VRX_Dmatrix& table,
                                 ColumnNotes& notes);
    // Checks and scales the node's tables; the report of its columns off 1 or of zeros, if any, goes to
    // reports.
    [[nodiscard]] int ScaleNode(int handle, std::vector<std::string>& reports);
    void Restore();

    VRX_network& network_;
    bool owner_ = false;
    int status_ = 0;
    std::vector<Swapped> swapped_;
};

// Whether the node's CPT, built and not checked since it last changed, has a column the next update would
// scale, and so read a copy of; read only, nothing allocated.
bool NeedsScaledCopy(const VRX_network& network, int handle);

// Whether a ScaledTables scope holds the network's tables on this thread: the table of every discrete
// chance node then has columns that sum to 1.
bool TablesAreScaled(const VRX_network& network);

// After an update that found its evidence impossible or drew no sample of weight, with `logStart` the
// number of log entries before it: when the network holds no evidence at all, the zero mass comes of a
// table column whose probabilities all vanish (ScaledTables makes such a column uniform, so only in a
// table it did not check). The update's entries are then replaced by one naming the first such node and
// column with its parents' outcomes, and the answer is kConflictingEvidence; otherwise 0, the entries
// as they were.
[[nodiscard]] int ExplainZeroMass(const VRX_network& network, int logStart);

// After an update that succeeded: 0 when every up-to-date value holds what it may: finite beliefs and
// expected utilities, an equation value that is neither NaN nor the undefined marker. Otherwise every
// value is marked out of date and the first node found is logged: -568 for numbers that are not
// finite, -2 for an undefined equation value.
[[nodiscard]] int CheckUpdatedValues(VRX_network& network);

// What is known of the updates of a policy evaluation before the first: whether each runs a join tree,
// whose entries, the entries its run walks and its nodes then stand for the tables (0 until counted), a
// sampler's draws (one a sample and node), and the number of updates (0: one a scenario).
struct ScenarioWork {
    bool joinTree = false;
    uint64_t treeEntries = 0;
    uint64_t treeNodes = 0;
    uint64_t passEntries = 0;
    uint64_t draws = 0;
    uint64_t updates = 0;
};

// The cells of the limit of policy evaluation that a join tree's entries and the entries its run walks
// count for: a quarter of an entry where the tree's entries a node stay within the processor's caches, up
// to one an entry as they grow past them (kCachedEntriesPerTreeNode).
int64_t TreeWorkCells(int64_t treeEntries, int64_t treeNodes, int64_t walkedEntries);

// Before an influence diagram is solved by belief updates over the scenarios of `sequence` (decisions and
// what they observe, with their outcome counts in `sizes`): 0 while the updates times the work of one
// (the cells of every table, or the entries of the join tree the update builds where more, a fixed share
// per node and per node of that tree, and the draws of a sampler) stay within
// kMaxPolicyEvaluationWorkCells; else -42, logged naming the first decision at or after the node whose
// outcomes pass it (the last decision where only the updates of all passes do), with the sizes.
// With `total`, the work counted goes there (saturated), refused or not.
[[nodiscard]] int CheckScenarioCount(const VRX_network& network, const std::vector<int>& sequence,
                                     const std::vector<int>& sizes, const ScenarioWork& known = {},
                                     uint64_t* total = nullptr);

// The probability of evidence as computed: 0 when it is a finite number, else -568 logged, naming the
// first node with evidence.
[[nodiscard]] int CheckProbabilityOfEvidence(const VRX_network& network, double probability);

}  // namespace vovido
