#pragma once
// Influence-diagram algorithm 0: evaluates every policy of a diagram. A working copy in which utilities
// are chance nodes is updated once per scenario (a combination of outcomes of the decisions and of the
// nodes observed before them that the utilities depend on); the caller's values receive the beliefs and
// expected utilities indexed by the scenario nodes they depend on, and each decision the expected utility
// of every choice for every combination of the scenario nodes that precede it.
// After Cooper, "A method for using belief networks as influence diagrams", 1988.

#include <cstdint>
#include <memory>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "inference/table_check.h"

class VRX_network;

// What a failed policy evaluation logs after its cause.
inline constexpr char kCooperFailedText[] = "Error when running Cooper's algorithm";

class PolicyEvaluator {
public:
    PolicyEvaluator();
    ~PolicyEvaluator();
    PolicyEvaluator(const PolicyEvaluator&) = delete;
    PolicyEvaluator& operator=(const PolicyEvaluator&) = delete;

    // 0 on success (also for a diagram without utilities, which is updated as a plain network); else
    // the code of the failed step, logged with "Error when running Cooper's algorithm". Besides the
    // values of the caller's nodes, only the arcs of an assumed decision order change.
    [[nodiscard]] int Run(VRX_network& network);

    // The same steps up to the first update, none made: `work` is what the updates would take, in the
    // cells of kMaxPolicyEvaluationWorkCells; a refusal is that of Run. Leaves the network as Run would
    // before its updates (an assumed decision order added).
    [[nodiscard]] int PlanWork(VRX_network& network, uint64_t& work);

    // The maximum expected utility of the last successful run (the undefined sentinel when unknown).
    double GetMaximumExpectedUtility() const { return maximumExpectedUtility_; }
    // The belief updates of the working copy that the last run made.
    long long GetNumberOfUpdates() const { return updates_; }

private:
    [[nodiscard]] int Evaluate();
    [[nodiscard]] int Prepare();
    // Relevance by the walk that clearing evidence starts in the working copy (id_indexing_parents.cpp).
    [[nodiscard]] int FindIndexingParents();
    [[nodiscard]] int FindTerminalIndexing(std::vector<char>& relevant);
    [[nodiscard]] int CloseOverObservations(std::vector<char>& relevant);
    [[nodiscard]] int CheckFoundScenarios(const std::vector<char>& relevant) const;
    // What the scenarios' work is known by before the updates' join trees are sized.
    vovido::ScenarioWork WorkBeforeTheTree() const;
    int OutcomesOf(int handle) const;
    [[nodiscard]] int FindOtherIndexing();
    void FindMauIndexing();
    [[nodiscard]] int Touches(int x, const std::vector<int>& watched, std::vector<char>& reached);
    // Sets (outcome >= 0) or clears the evidence of a node of the sequence in the working copy; cleared,
    // it gets back the caller's likelihoods on it.
    [[nodiscard]] int SetScenarioEvidence(int handle, int outcome);
    // The same with no notice acting.
    [[nodiscard]] int SetSilently(int handle, int outcome);
    [[nodiscard]] int ShapeCallerValues();
    [[nodiscard]] int ConvertToBayesianNetwork();
    [[nodiscard]] int CheckUpdateSize();
    void PlanPasses();
    uint64_t CountPlannedUpdates() const;
    [[nodiscard]] int EvaluateScenarios();
    [[nodiscard]] int EvaluateOver(const std::vector<int>& varied, const std::vector<int>& recorded,
                                   long long& evaluated, int& impossible);
    [[nodiscard]] int UpdateWork();
    // Whether a varied node is set to an outcome its likelihoods weigh zero.
    bool RuledOutByLikelihoods(const std::vector<int>& varied, const std::vector<int>& digits) const;
    // Every scenario impossible: logs why the caller's evidence is (kConflictingEvidence).
    [[nodiscard]] int ExplainImpossibleEvidence();
    void LogScenario(const std::vector<int>& varied) const;
    [[nodiscard]] int RecordNodeValue(int handle);
    [[nodiscard]] int ComputeMauValues();
    [[nodiscard]] int SumTerminalWorths(std::vector<double>& w);
    [[nodiscard]] int ComputePolicies();
    [[nodiscard]] int UndefineImpossibleRows();
    [[nodiscard]] int FillIndifferentDecisions(size_t prefix, const std::vector<double>& w, long long rows);
    // The row of a caller value matrix (its own dimension aside) at the outcomes its indexing parents are
    // set to.
    long long RowOf(int handle) const;
    void MarkWrittenUpToDate();
    bool IsScenarioNode(int handle) const { return position_[static_cast<size_t>(handle)] >= 0; }
    VRX_Dmatrix* CallerMatrix(int handle) const;
    // Logs the failure of the step that allocates `what`.
    int Fail(int rc, const char* what);

    VRX_network* network_ = nullptr;
    std::unique_ptr<VRX_network> work_;
    std::vector<int> utilityNodes_;           // utility and MAU nodes, topological order
    std::vector<int> terminals_;              // the utility nodes without children: their sum is maximised
    std::vector<int> sequence_;               // decisions and the nodes observed before them, in order
    std::vector<int> scenario_;               // the scenario nodes, in sequence order
    std::vector<int> sizes_;                  // their outcome counts
    std::vector<int> position_;               // per slot: its position in scenario_, or -1
    std::vector<int> outcome_;                // per slot: the outcome a scenario node is set to, or -1
    std::vector<std::vector<int>> indexing_;  // per slot: the scenario nodes its value is indexed by
    std::vector<int> recorded_;               // values read from every leaf scenario
    // The updates planned: each configuration of `varied` is updated and `recorded` read from it.
    struct Pass {
        std::vector<int> varied;
        std::vector<int> recorded;
    };
    std::vector<Pass> passes_;
    std::vector<VRX_doubleArray> likelihoods_;  // per slot: the virtual evidence on a node of the sequence
    std::vector<double> low_;  // per slot: a utility table's smallest and largest defined item
    std::vector<double> high_;
    bool utilitiesSpecified_ = true;
    double maximumExpectedUtility_ = 0.0;
    long long updates_ = 0;
    uint64_t plannedWork_ = 0;  // what the planned updates take, counted by CheckUpdateSize
    int logStart_ = 0;          // the log's entries when the run started
};
