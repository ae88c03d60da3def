#pragma once
// Expected counts of one EM record: families the record observes completely are counted directly,
// every other family from the relevant parts of the network and the join trees of the larger parts.

#include <memory>
#include <utility>
#include <vector>

#include "base/dmatrix.h"

class VRX_network;
class JoinTree;
class RelevanceNode;
class RelevanceGraph;
class PartView;

namespace vovido {

// Per node handle and temporal order: the tables from before the run and the expected counts, both
// shaped like the node's table (parents in parent order, own outcomes last).
struct EmNodeTables {
    std::vector<std::vector<VRX_Dmatrix>> priors;
    std::vector<std::vector<VRX_Dmatrix>> counts;
};

// Adds the expected counts of the records whose evidence is set on a static network. The scratch
// lists live as long as the counter, so a record allocates nothing but its inference.
class EmRecordCounter {
public:
    // With shareTree, one join tree of the whole network, built here while the network holds no evidence,
    // serves every record; without it (or when the network is too large for one tree) every record goes
    // through its own relevant parts.
    // targets (may be null: every node counts into its own main table) gives for each handle of the
    // network the (node, temporal order) whose tables receive its counts: the copies of an unrolled
    // dynamic network count into their plate node's tables.
    EmRecordCounter(VRX_network& network, EmNodeTables& tables, bool shareTree = true,
                    const std::vector<std::pair<int, int>>* targets = nullptr);
    ~EmRecordCounter();

    // Adds weight times the counts of the evidence now set, and gives the probability of that evidence.
    // A record of probability 0 adds nothing. 0, or -1 after logging the reason.
    [[nodiscard]] int AddRecord(double weight, bool relevance, double& probability);

private:
    void ReadEvidence();
    // True once the join tree of the whole network is built (at the first record).
    bool SharedTreeReady();
    [[nodiscard]] int CountFromRelevantParts(double weight, double& factor, int& exponent);
    // Position of the family's item in its count table for fixed coordinates; -1 when some member is
    // not fixed.
    int FixedPosition(int handle) const;
    [[nodiscard]] int CountSingleNodePart(RelevanceNode& record, double weight);
    // Multiplies factor by the part's probability of evidence, scaled up by 2 to the exponent added.
    bool UpdatePartCounts(JoinTree& tree, double weight, double& factor, int& exponent);
    static double PartMass(JoinTree& tree);
    void AccumulateJoinTreeCounts(JoinTree& tree, double weight);
    struct HiddenFamily;
    // False when a member of u's family that evidence does not fix lies outside the part.
    bool FindHiddenFamily(int u, HiddenFamily& family);
    // Adds the family's counts from the first cluster that holds its hidden members.
    void CountFamilyFromTree(JoinTree& tree, int u, const HiddenFamily& family, double weight);
    void AddMarginalCounts(VRX_Dmatrix& counts, const HiddenFamily& family, const int* order, double scale);
    VRX_Dmatrix& CountsOf(int handle) {
        return tables_.counts[targets_[handle].first][targets_[handle].second];
    }

    VRX_network& network_;
    EmNodeTables& tables_;
    int size_ = 0;
    std::vector<std::pair<int, int>> targets_;
    // Per handle: the node's own table, null when the node has no count table of that shape (it is
    // then never counted, and the record fails).
    std::vector<const VRX_Dmatrix*> ownTables_;
    std::vector<int> observed_;   // outcome per handle, -1 when unobserved
    std::vector<char> counted_;   // per handle: counts of this record gathered
    std::vector<int> partIndex_;  // per handle: index in the current part, -1 outside
    std::vector<int> partEvidence_;
    std::vector<double> marginal_;
    // Counts of the record, added once its probability is known to be above 0.
    struct Addition {
        double* item;
        double value;
    };
    std::vector<Addition> pending_;
    // 0 not tried yet, 1 built, -1 not possible (the records go through their relevant parts).
    int sharedState_ = 0;
    std::unique_ptr<RelevanceGraph> sharedGraph_;
    std::unique_ptr<PartView> sharedView_;
    std::unique_ptr<JoinTree> sharedTree_;
};

}  // namespace vovido
