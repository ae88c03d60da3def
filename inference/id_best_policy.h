#pragma once
// Influence-diagram algorithm 1: the best choice of the first decision that has no evidence yet. A
// working copy merges every utility into one chance node whose first outcome is observed; the open
// decisions are fixed from the last to the first, each at its most probable choice for every
// combination of what it knows, all read from one exact propagation of its family's joint, and the first
// one's choice is written into the caller's value as a 0/1 vector. A decision knows every earlier decision
// and everything observed before it, by itself or by an earlier decision, taken or open (no forgetting), of
// which only the nodes that can change the worth of the utilities below it are kept. What the first one
// knows without evidence must leave one choice best for each of its possible outcomes, or it is refused
// naming the nodes that change its best choice and who observed them. After Shachter and Peot, "Decision
// making using probabilistic inference methods", 1992.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "inference/id_decision_graph.h"

class VRX_network;
class VRX_intArray;

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

    // The propagations of the working copy that the last run made.
    long long GetNumberOfUpdates() const { return updates_; }

private:
    [[nodiscard]] int CollectOpenDecisions();
    [[nodiscard]] int AssumeDecisionOrder();
    [[nodiscard]] int ExpandMauNodes();
    [[nodiscard]] int MergeUtilityNodes();
    // Once the solution is planned: the merged node, a list till then, becomes the observed chance node of
    // the utilities' sum.
    [[nodiscard]] int FillMergedUtility();
    int DecisionsAboveUtilities() const;
    [[nodiscard]] int ConvertToBayesianNetwork();
    void BuildDecisionGraph();
    [[nodiscard]] int Solve();
    // The information of every open decision and the size of the whole solution, refused (-42, naming the
    // decision at which it passes the limit, with the sizes) before any table or tree of it is built.
    [[nodiscard]] int PlanSolution();
    // A failed allocation (kOutOfMemory) logged naming what it was for, in place of what was logged from
    // `mark` on; any other code as it is.
    int NameMemoryFault(int rc, int mark, const std::string& what) const;
    [[nodiscard]] int WriteChoice(int best);
    std::vector<int> UtilitiesBelow(int decision) const;
    // known_: for each open decision, the nodes of the sequence before it that it knows, in order.
    void CollectKnown();
    std::vector<int> RequisiteInformation(int decision, const std::vector<int>& known,
                                          const std::vector<int>& utilities);
    [[nodiscard]] int SetInformation(int decision, const std::vector<int>& information);
    // The decision's table: its most probable choice given the observed utility, for every combination of
    // its information that the evidence allows.
    [[nodiscard]] int FixPolicy(int decision);
    // The first decision's choice: one that is best whatever its information turns out to be, or a refusal.
    [[nodiscard]] int ChooseFirst(int decision, int& best);
    // One propagation of the copy, the merged utility observed or not: the joint of the decision and its
    // information (PropagateDecisionRows), empty when the evidence rules out every row. A tree past the
    // limit, or memory that runs out, is logged naming the decision and the tree's size.
    [[nodiscard]] int PropagateRows(int decision, bool withUtility, std::vector<double>& joint);
    // Logs which of what the decision knows, holding no evidence, changes its best choice: kOutOfRange.
    // `marked` holds the best choices of each of its rows, n a row.
    int RefuseUnknownInformation(int decision, int n, const std::vector<char>& marked);
    std::string DescribeUnknownInformation(int decision, const std::vector<int>& deciding) const;
    [[nodiscard]] int ExplainImpossibleEvidence();
    // The caller's evidence, the utility not observed, in every part that holds some: 0 when possible.
    [[nodiscard]] int CheckEvidence();
    // The combinations of the decision's information: the rows of its table.
    int RowsOf(int decision) const;
    // The graph's parents of the node become those it has in the working copy.
    void TakeWorkParents(int node);

    VRX_network* network_ = nullptr;
    std::unique_ptr<VRX_network> work_;
    std::vector<int> openDecisions_;
    std::vector<int> sequence_;  // decisions and the nodes observed before them, in order
    std::unique_ptr<vovido::DecisionGraph> graph_;
    // The utility nodes merged (gone from the working copy) and their parents, which tell what each
    // decision can influence.
    std::vector<int> utilities_;
    std::vector<std::vector<int>> utilityParents_;
    int mergedUtility_ = -1;
    std::vector<int> mergedParents_;          // the merged node's parents, in its table's order
    std::vector<VRX_Dmatrix> utilityTables_;  // the utilities' tables, as utilities_, till they are summed
    long long updates_ = 0;
    // Table entries of the whole solution (the merged utility's, and each decision's table, family joint
    // and tree), which bound its memory and its time together: one limit for all of them, not one a tree.
    uint64_t workEntries_ = 0;
    std::string mergedSum_;                      // names the merged utility in a memory fault
    std::vector<std::vector<int>> known_;        // per open decision: what it knows (CollectKnown)
    std::vector<std::vector<int>> information_;  // per open decision: what it is solved knowing
    std::vector<char> influences_;               // per open decision: whether some utility depends on it
    std::vector<std::pair<int, std::string>> impossible_;  // what the last impossible propagation logged
    bool refused_ = false;  // the first decision's best choice depends on what holds no evidence (logged)
};
