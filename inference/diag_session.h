#pragma once
// Troubleshooting session over a network whose nodes carry diagnostic roles: the faults of the target
// nodes, the ranked observations still to be made, the faults pursued and the last ranking of tests.

#include <cstdint>
#include <memory>
#include <vector>

#include "base/int_array.h"

class VRX_network;
class DiagEngine;

// One ranked test: the observation node (or -1 / kOutOfRange for a test whose cost is not available / that
// cannot inform the pursued faults), its information strength, its cost and the score combining both.
struct TestResult {
    int test;
    double strength;
    double cost;
    double score;
};

namespace vovido {

// A fault: an outcome of a target node.
struct DiagFault {
    int node;
    int outcome;
};

// Text logged when tests are to be ranked and no fault is pursued.
inline constexpr const char* kNoFaultPursuedText =
    "No fault is pursued: the network has no fault states, or none was chosen with setPursuedFault";

// kOutOfRange, logged: pursued fault `index` is outside the fault list, which was listed again from the
// nodes' roles since it was chosen.
int RefuseLostFault(int index);

// Text logged when a session finds its network changed structurally under it.
inline constexpr const char* kDiagNetworkChangedText =
    "The network changed structurally since the diagnosis session was created";

// Mode bits of ComputeTestStrengths for several pursued faults, and the variants they choose.
namespace DiagMode {
constexpr int kMarginal = 1;
constexpr int kConfigurationsIndependent = 2;
constexpr int kConfigurationsJoint = 4;
constexpr int kAtLeastOne = 8;
constexpr int kExactlyOne = 16;
constexpr int kAll = 32;
constexpr int kQuadratic = 64;
}  // namespace DiagMode

}  // namespace vovido

class DiagSession {
public:
    DiagSession();
    ~DiagSession();
    DiagSession(const DiagSession&) = delete;
    DiagSession& operator=(const DiagSession&) = delete;

    // Binds the session to the network (not owned) and remembers its structure, so that a structural
    // change made afterwards is refused instead of followed with stale handles.
    [[nodiscard]] int SetNetwork(VRX_network* net);
    VRX_network* GetNetwork() const { return network; }

    // 0 while the network's nodes, outcome counts and arcs are those seen by SetNetwork; otherwise
    // kObjectNotValid with kDiagNetworkChangedText logged (also without a network).
    [[nodiscard]] int CheckNetwork() const;
    // The same test without logging: true while the network is bound and unchanged.
    bool NetworkUnchanged() const;

    // Rebuilds the fault list and the unperformed tests from the nodes' roles and evidence.
    [[nodiscard]] int CollectFaultsAndObservations();
    // Observations with a default outcome and no evidence are set to it.
    void InstantiateDefaultObservations();
    // Sets the fault nodes as targets (narrowed by d-separation when asked) and updates the beliefs.
    [[nodiscard]] int UpdateFaultBeliefs();

    // Index of the most probable fault (a later one wins a tie); kOutOfRange without faults.
    [[nodiscard]] int FindMostLikelyFault() const;
    [[nodiscard]] int GetFaultIndex(int node, int outcome) const;
    [[nodiscard]] int SetPursuedFault(int index);
    [[nodiscard]] int SetPursuedFaults(const VRX_intArray& indices);
    // The single pursued fault; kOutOfRange unless exactly one is pursued.
    [[nodiscard]] int GetPursuedFault() const;
    const VRX_intArray& GetPursuedFaults() const { return pursuedFaults; }

    [[nodiscard]] int InstantiateObservation(int node, int outcome);
    [[nodiscard]] int ReleaseObservation(int node);
    bool MandatoriesInstantiated() const;
    // The first mandatory observation without evidence; -1 when there is none.
    int FirstMissingMandatory() const;

    // Ranks the unperformed tests: the single-fault ranking for one pursued fault, else the multi-fault
    // ranking of the mode bit 1, 2 or 4 (flags 8 to 64 choose its variants). kOutOfRange, logged with its
    // cause, when no fault is pursued, several are and no mode bit is set, or a mandatory observation has
    // not been made.
    [[nodiscard]] int ComputeTestStrengths(int flags);

    // Weight of a test's cost in its score: the network property "DIAG_alphaValue", added as 1.0 when
    // absent.
    double GetAlphaValue();

    // Appends a ranked test (a negative cost counts as 0, a strength just below 0 as 0).
    void AddTestResult(int test, double strength, double cost);
    // Appends the result of a test that could not be ranked: code -1 or kOutOfRange.
    void AddUnavailableResult(int code);

    const std::vector<vovido::DiagFault>& GetFaults() const { return faults; }
    const VRX_intArray& GetUnperformedTests() const { return unperformedTests; }
    const std::vector<TestResult>& GetResults() const { return results; }
    void ClearResults() { results.clear(); }
    bool GetDSeparation() const { return dSeparation != 0; }
    void SetDSeparation(bool on) { dSeparation = on ? 1 : 0; }

private:
    // Evidence of either kind on a live node.
    bool HoldsEvidence(int node) const;

    VRX_network* network = nullptr;
    std::unique_ptr<DiagEngine> engine;
    VRX_intArray unperformedTests;
    std::vector<TestResult> results;
    std::vector<vovido::DiagFault> faults;
    VRX_intArray pursuedFaults;
    unsigned char dSeparation = 0;
    // Digest of the network's structure when bound.
    uint64_t structure_ = 0;
};

namespace vovido {

// Digest of what the session's handles depend on: live handles, definition kinds, outcome counts and
// both arc kinds.
uint64_t NetworkStructureDigest(const VRX_network& network);

}  // namespace vovido
