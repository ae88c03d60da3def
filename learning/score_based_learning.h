#pragma once
// Drivers of the score-based learners: greedy thick thinning with background knowledge, and naive
// Bayes with optional feature selection. Both learn from a data set and write the result into a network.
// After Cheng, Bell and Liu, "An algorithm for Bayesian belief network construction from data", 1997
// (thickening, then thinning), with the Bayesian Dirichlet scores of Heckerman, Geiger and Chickering,
// "Learning Bayesian networks: the combination of knowledge and statistical data", 1995.

#include <string>
#include <utility>
#include <vector>

class DataSet;
class VRX_network;
class dag;
class progress_tracker;

struct GreedyThickThinningOptions {
    // 0: every prior count 1; 1: equivalent-sample-size priors of netWeight; others: the graph's default
    // (0's)
    int priorsMethod = 0;
    int maxParents = 5;
    double netWeight = 1.0;
    std::vector<std::pair<int, int>> forcedArcs;     // (parent, child)
    std::vector<std::pair<int, int>> forbiddenArcs;  // (parent, child)
    std::vector<std::pair<int, int>> tiers;          // (variable, tier)
    virtual ~GreedyThickThinningOptions() = default;
};

struct NaiveBayesOptions {
    int priorsMethod = 0;
    bool featureSelection = false;
    std::string classVariableId = "class";
    double netWeight = 1.0;
    virtual ~NaiveBayesOptions() = default;
};

// 0, or -1 on any failure (the network may hold a partial result only when the copy failed); the
// tracker's cancel answer when a given tracker was cancelled.
[[nodiscard]] int LearnGreedyThickThinning(const GreedyThickThinningOptions& options, const DataSet& data,
                                           VRX_network& network, progress_tracker* progress = nullptr);
[[nodiscard]] int LearnNaiveBayes(const NaiveBayesOptions& options, const DataSet& data, VRX_network& network,
                                  progress_tracker* progress = nullptr);

// Forced arcs, forbidden arcs and tiers into the graph's constraints; refused items are skipped.
void ApplyBackgroundKnowledge(dag& graph, const std::vector<std::pair<int, int>>& forced,
                              const std::vector<std::pair<int, int>>& forbidden,
                              const std::vector<std::pair<int, int>>& tiers);
