#pragma once
// Influence-diagram algorithm 0: evaluates every policy of a diagram. A working copy in which utilities
// are chance nodes is updated once per scenario (a combination of outcomes of the decisions and the nodes
// observed before them); the caller's values receive the beliefs and expected utilities per scenario, and
// each decision the expected utility of every choice for every combination of what precedes it.

#include <memory>
#include <vector>

#include "base/dmatrix.h"

class VRX_network;

class PolicyEvaluator {
public:
    PolicyEvaluator();
    ~PolicyEvaluator();
    PolicyEvaluator(const PolicyEvaluator&) = delete;
    PolicyEvaluator& operator=(const PolicyEvaluator&) = delete;

    // 0 on success (also for a diagram without utilities, which is updated as a plain network); else
    // the code of the failed step, logged with "Error when running Cooper's algorithm". Only the
    // values of the caller's nodes change.
    [[nodiscard]] int Run(VRX_network& network);

    // The maximum expected utility of the last successful run (the undefined sentinel when unknown).
    double GetMaximumExpectedUtility() const { return maximumExpectedUtility_; }
    // The belief updates of the working copy that the last run made.
    long long GetNumberOfUpdates() const { return updates_; }

private:
    [[nodiscard]] int Prepare();
    [[nodiscard]] int ShapeCallerValues();
    [[nodiscard]] int ApplyScenario(int count);
    [[nodiscard]] int UpdateWork(bool& possible);
    [[nodiscard]] int EvaluateLeaves();
    [[nodiscard]] int EvaluateObservedChances();
    [[nodiscard]] int ComputeMauValues();
    [[nodiscard]] int ComputePolicies();
    void MarkWrittenUpToDate();
    VRX_Dmatrix* CallerMatrix(int handle) const;
    int Fail(int rc);

    VRX_network* network_ = nullptr;
    std::unique_ptr<VRX_network> work_;
    std::vector<int> utilityNodes_;  // utility and MAU nodes, topological order
    std::vector<int> terminals_;     // the utility nodes without children: their sum is maximised
    std::vector<int> scenario_;      // the scenario nodes in decision-sequence order
    std::vector<int> sizes_;         // their outcome counts
    std::vector<int> config_;        // the outcome of each scenario node in the current scenario
    std::vector<int> recorded_;      // nodes whose beliefs or expected utility each scenario records
    bool utilitiesSpecified_ = true;
    long long leaves_ = 1;
    double maximumExpectedUtility_ = 0.0;
    long long updates_ = 0;
};
