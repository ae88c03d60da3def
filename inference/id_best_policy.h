#pragma once
// Influence-diagram algorithm 1: the best choice of the first decision that has no evidence yet. A
// working copy merges every utility into one chance node whose first outcome is observed; the open
// decisions are fixed from the last to the first, each at its most probable choice for every
// combination of what it knows, and the first one's choice is written into the caller's value as a 0/1
// vector. A decision knows every earlier decision and everything observed before it (no forgetting), of
// which only the nodes that can change its worth are kept.
// After Shachter and Peot, "Decision making using probabilistic inference methods", 1992.

#include <memory>
#include <vector>

#include "inference/id_decision_graph.h"

class VRX_network;

class BestPolicySolver {
public:
    BestPolicySolver();
    ~BestPolicySolver();
    BestPolicySolver(const BestPolicySolver&) = delete;
    BestPolicySolver& operator=(const BestPolicySolver&) = delete;

    // 0 on success; kOutOfRange when the diagram cannot be solved this way or the merge fails (logged); else
    // the code of the failed update, logged with "Error when running Shachter's algorithm". Only the values
    // of the caller's nodes change.
    [[nodiscard]] int Run(VRX_network& network);

    // Largest number of parents the merged utility node may have.
    static constexpr int kMaxMergedParents = 13;

    // The belief updates of the working copy that the last run made.
    long long GetNumberOfUpdates() const { return updates_; }

private:
    [[nodiscard]] int IsSolvable();
    [[nodiscard]] int CollectOpenDecisions();
    [[nodiscard]] int AssumeDecisionOrder();
    [[nodiscard]] int ExpandMauNodes();
    [[nodiscard]] int MergeUtilityNodes();
    [[nodiscard]] int ConvertToBayesianNetwork();
    void BuildDecisionGraph();
    [[nodiscard]] int Solve();
    [[nodiscard]] int FixDecision(int decision, bool first, int& best);
    std::vector<int> RequisiteInformation(int decision, const std::vector<int>& known);
    [[nodiscard]] int SetInformation(int decision, const std::vector<int>& parents);
    // The graph's parents of the node become those it has in the working copy.
    void TakeWorkParents(int node);

    VRX_network* network_ = nullptr;
    std::unique_ptr<VRX_network> work_;
    std::vector<int> openDecisions_;
    std::vector<int> sequence_;  // decisions and the nodes observed before them, in order
    std::unique_ptr<vovido::DecisionGraph> graph_;
    int mergedUtility_ = -1;
    long long updates_ = 0;
    bool refused_ = false;  // the first decision knows what holds no evidence (logged)
};
