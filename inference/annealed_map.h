#pragma once
// Annealed MAP search: the most probable joint outcome of a set of nodes given evidence, by simulated
// annealing over single-node moves drawn from each node's conditional distribution, started from a
// greedy assignment in ascending order of entropy.
// After Yuan, Lu and Druzdzel, "Annealed MAP", 2004.

#include <vector>

#include "base/int_array.h"
#include "base/random_generator.h"

class VRX_network;

class AnnealedMapSearch {
public:
    AnnealedMapSearch() : generator(0) {}

    // Works on the network (a working copy: its evidence, targets and values change). assignment holds
    // one outcome per MAP node on return; bestProbability is P(assignment | evidence) and
    // evidenceProbability P(evidence). 0 on success; else the first failure of an evidence entry or a
    // belief update (kConflictingEvidence when the evidence is impossible), with the outputs untouched.
    [[nodiscard]] int Run(VRX_network& network, const VRX_intArray& mapNodes, VRX_intArray& assignment,
                          const VRX_intArray& evidenceNodes, const VRX_intArray& evidenceOutcomes,
                          double& bestProbabilityOut, double& evidenceProbabilityOut, int seed);

private:
    // Beliefs of one node with it as the only target; the status of the update.
    [[nodiscard]] int ConditionalOf(int handle, std::vector<double>& beliefs);
    // The finding on the node has probability zero given those entered before it: kConflictingEvidence,
    // logged naming them.
    int RefuseImpossibleFinding(int handle) const;
    double SpecificHeat(double temperature) const;
    // The phases of Run: tuning from the network, the evidence entered with its probability, the greedy
    // start assignment, one annealing sweep, and the temperature schedule (true when the search stops).
    void Setup(VRX_network& network, int seed);
    [[nodiscard]] int EnterEvidence(const VRX_intArray& nodes, const VRX_intArray& outcomes,
                                    double& probability);
    [[nodiscard]] int GreedyStart(const VRX_intArray& mapNodes, VRX_intArray& assignment,
                                  std::vector<std::vector<double>>& conditional);
    [[nodiscard]] int Sweep(const VRX_intArray& mapNodes, VRX_intArray& assignment,
                            std::vector<std::vector<double>>& conditional, double T, double& p,
                            bool& improved);
    bool Cool(bool improved, double& T, int& reheatCounter, int& stopCounter);

    VRX_network* network_ = nullptr;
    double bestProbability = 1.0;
    VRX_intArray bestAssignment;
    double speed = 0.8;
    double Tinit = 0.99;
    double kReheat = 0.1;
    int numCycle = 1;
    int iReheatSteps = 10;
    int iStopSteps = 20;
    double energyScale = 1.0;
    std::vector<double> history;
    double maxSpecificHeat = 0.0;
    double temperatureAtMaxHeat = 0.99;
    RandomGenerator generator;
};
