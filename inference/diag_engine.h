#pragma once
// Ranking of a diagnosis session's unperformed tests by how much each is expected to reduce the
// uncertainty about the pursued fault or faults, combined with the test's cost. It works on two model
// copies of the diagnosed network: one for the beliefs before a test, one to try each test outcome.

#include <cstdint>
#include <string>
#include <vector>

#include "base/int_array.h"
#include "model/network.h"

class DiagSession;
class VRX_Dmatrix;

class DiagEngine {
public:
    explicit DiagEngine(DiagSession* owner);
    DiagEngine(const DiagEngine&) = delete;
    DiagEngine& operator=(const DiagEngine&) = delete;

    // Takes both working copies of the network.
    [[nodiscard]] int SetNetwork(VRX_network& network);

    // Each appends one result per unperformed test of the session, in its order; 0, or kOutOfRange when a
    // mandatory observation has no evidence, or the failure of a belief update.
    [[nodiscard]] int RankSingleFault();
    [[nodiscard]] int RankMarginal(int flags);
    [[nodiscard]] int RankConfigurationsIndependent(int flags);
    [[nodiscard]] int RankConfigurationsJoint(int flags);

    // Cost of test t in the network at the observed outcomes of its cost parents. A cost parent without
    // evidence leaves its dimension open: the cost is then the mean of the open entries that are
    // available. -1 when no entry is available (every one is the not-available sentinel).
    [[nodiscard]] static int GetTestCost(const VRX_network& network, int t, double& cost);

private:
    // Refreshes the working copies, copies the evidence into both, and lists the tests, replacing
    // those whose cost is not available by -1.
    [[nodiscard]] int PrepareTests(VRX_intArray& tests);
    // PrepareTests, targets set for the pursued faults' nodes, d-separated tests replaced by kOutOfRange.
    [[nodiscard]] int PrepareMultiFault(VRX_intArray& tests);
    // When no test can inform the faults (every one observed, d-separated or without a cost), their
    // unavailable results, and true: the measures before and after a test would serve no strength.
    bool RankedUnavailableOnly(const VRX_intArray& tests);
    // The working network's evidence becomes that of the diagnosed network.
    [[nodiscard]] int CopyEvidence(VRX_network& target) const;
    // Adds each test group's setup cost to its member tests in the what-if network.
    [[nodiscard]] int ApplyGroupCosts();
    // Tests that are descendants of none of the nodes become kOutOfRange (d-separation).
    [[nodiscard]] int ExcludeUnreachableTests(const std::vector<int>& faultNodes, VRX_intArray& tests);

    // The beliefs of every available test (its outcomes in turn, in list order) in the what-if network with
    // `node` observed at `outcome` (none for -1) and `target` (-1: none) a target too.
    [[nodiscard]] int TestBeliefsGiven(int node, int outcome, int target, const VRX_intArray& tests,
                                       std::vector<double>& beliefs);
    // Whether a group node that ApplyGroupCosts sets up has ordinary arcs.
    bool GroupSetUpsMoveBeliefs() const;
    // Probability of outcome k of the test in the belief network (UpdateTestBeliefs).
    double TestProbability(int t, int k) const;
    // The common loop of the multi-fault modes: measure(k) gives the measure given t = k; M0 the
    // measure before any test.
    template <typename Measure>
    [[nodiscard]] int RankWithMeasure(const VRX_intArray& tests, double m0, Measure&& measure);

    // The fault nodes of the pursued faults in order of first appearance, each with its pursued outcomes.
    struct FaultNode {
        int node;
        int outcomes;
        std::vector<char> pursued;  // per outcome: 1 when pursued
    };
    std::vector<FaultNode> PursuedFaultNodes() const;
    // -sum p log2 p (plus the remainder) over the matching configurations of the fault nodes, the
    // probability of a configuration the product of the marginals in the network.
    double IndependentMeasure(const VRX_network& net, const std::vector<FaultNode>& nodes, int flags) const;
    // The joint table of the fault nodes in the what-if network given the diagnosed network's evidence
    // and test t = k (t = -1: no test), by the chain rule.
    [[nodiscard]] int ComputeJointTable(const std::vector<FaultNode>& nodes, VRX_Dmatrix& table, int t,
                                        int k);
    // The entropy of the joint table's matching entries.
    static double JointMeasure(const VRX_Dmatrix& table, const std::vector<FaultNode>& nodes, int flags);
    // Diagnosed evidence, then the test's.
    [[nodiscard]] int SetBaseEvidence(int t, int k);
    // The work of one belief update of the network as it stands: its tables, the join tree the clustering
    // algorithms build for its targets and evidence, and kCellsPerNodeUpdate a node.
    struct UpdateWork {
        int64_t nodes = 0;
        int64_t cells = 0;
        int64_t tree = 0;
        int64_t each = 0;
        // The work of `updates` such updates after `first`.
        int64_t Total(int64_t updates, const UpdateWork& first) const;
        // "U belief updates of N nodes with tables of C cells[ and a join tree of T entries] besides one of
        // the beliefs of every test[ ...]: the work of W cells (...), past the limit of ... cells".
        // `instead` follows the work, before the limit.
        std::string Describe(int64_t updates, const UpdateWork& first, const std::string& instead = "") const;
    };
    UpdateWork WorkOfUpdate(VRX_network& network);
    // The work of one update of every test's beliefs in the what-if network with the fault nodes observed,
    // as TestBeliefsPerConfiguration makes it: counted with them observed, its targets and evidence left
    // as they were.
    UpdateWork WorkWithFaultsObserved(const std::vector<FaultNode>& nodes, const VRX_intArray& tests);
    // The work of the beliefs of every test, the belief network's targets: one update, or, where its join
    // tree would pass the limit of one tree, one a test with the faults, each counted as `each`
    // (testsOneByOne_).
    UpdateWork BeliefWork(const UpdateWork& each);
    // The beliefs of every available test (and of the faults among the targets) in the belief network, as
    // BeliefWork chose; TestProbability reads them.
    [[nodiscard]] int UpdateTestBeliefs(const VRX_intArray& tests);
    // kOutOfMemory, logged: ranking the tests for `what` would take the update `first` and `updates` like
    // `each`, past kMaxDiagnosisWorkCells.
    // `instead` names the other way of ranking, where there is one.
    int RefuseRanking(const std::string& what, int64_t updates, const UpdateWork& each,
                      const UpdateWork& first, const std::string& instead = "") const;
    // "N pursued faults " and how they are weighed.
    std::string PursuedFaultsText(const char* how) const;
    // 0 while a multi-fault ranking over the fault nodes and the tests stays within
    // kMaxDiagnosisWorkCells; else kOutOfMemory, logged naming the pursued faults and the counts. Joint:
    // a belief update per combination of the chain walk (all fault nodes but the last) and case;
    // independent: one update per case and a product per combination of the fault nodes.
    // Joint, `byConfiguration` tells whether the ranking is to weigh each test outcome by Bayes' rule from
    // TestBeliefsPerConfiguration, which is then the lesser work.
    [[nodiscard]] int CheckRankingWork(const std::vector<FaultNode>& nodes, const VRX_intArray& tests,
                                       bool joint, bool* byConfiguration);
    // For every combination of the fault nodes (the joint table's cells) that the evidence allows, the
    // beliefs of every available test (TestProbability's layout) with the fault nodes observed so, one
    // combination after another in `likelihood`.
    [[nodiscard]] int TestBeliefsPerConfiguration(const std::vector<FaultNode>& nodes,
                                                  const VRX_Dmatrix& joint, const VRX_intArray& tests,
                                                  std::vector<double>& likelihood);

    DiagSession* owner;
    bool testsOneByOne_ = false;
    std::vector<double> testBeliefs_;
    std::vector<size_t> testOffset_;
    VRX_network beliefNetwork;
    VRX_network whatIfNetwork;
};

namespace vovido {

// Belief of the outcome in the node's value; 0 when the value holds none.
double DiagBelief(const VRX_network& network, int node, int outcome);
// P(fault | test outcome) by Bayes' rule from P(fault), P(test outcome | fault) and P(test outcome): a
// certain or impossible fault stays so, an outcome that cannot occur leaves no fault, and rounding stays
// within [0, 1].
double FaultGivenTest(double fault, double testGivenFault, double test);
// Brings the working network's beliefs up to date (its notices are off, so every value is marked out
// of date first).
[[nodiscard]] int UpdateWorkingNetwork(VRX_network& network);

}  // namespace vovido
