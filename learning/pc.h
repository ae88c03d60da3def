#pragma once
// PC structure learning: edges of the complete graph are removed by conditional independence tests
// (G-squared over counts for discrete data, Fisher's z on partial correlations for continuous data),
// and the remaining edges are oriented by background knowledge, colliders and propagation rules.
// After Spirtes, Glymour and Scheines, "Causation, Prediction, and Search", 1993.

#include <utility>
#include <vector>

class DataSet;
class Pattern;

struct PcOptions {
    int maxAdjacency = 8;        // largest conditioning set
    int maxTime = 0;             // seconds of wall-clock time for edge removal; 0 or less: no limit
    double significance = 0.05;  // a p-value at least this accepts independence
    std::vector<std::pair<int, int>> forcedArcs;     // (parent, child)
    std::vector<std::pair<int, int>> forbiddenArcs;  // (parent, child)
    std::vector<std::pair<int, int>> tiers;          // (variable, tier)
    std::vector<int> excluded;                       // never in a conditioning set
    virtual ~PcOptions() = default;
};

class PcProgress {
public:
    virtual ~PcProgress() = default;
    // False cancels the run.
    virtual bool Continue() = 0;
};

// 0; -1 when the data or the background knowledge are refused (logged, "pc: ..."; the pattern is
// untouched); kLearningCancelled when the progress object cancelled.
[[nodiscard]] int LearnPc(const PcOptions& options, const DataSet& data, Pattern& pattern,
                          PcProgress* progress);

// Steps the positions (ascending, count of them, each below `available`) to the next combination in
// lexicographic order; false after the last one.
bool NextCombination(std::vector<int>& positions, int available);
