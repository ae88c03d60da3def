#pragma once
// The checks of the background knowledge that the structure learners take: every index names a
// variable of the data set, no arc is both forced and forbidden, and the forced arcs, with the order the
// tiers give, close no directed cycle.

#include <string>
#include <utility>
#include <vector>

class DataSet;

// Empty when the knowledge fits the data set; else the first fault, naming the variables: an index out
// of range, an arc both forced and forbidden, or the forced arcs (and the tiers) of a cycle. `lastTierWins`:
// a variable listed in several tiers is in the last one (PC) rather than in each (greedy thick thinning).
std::string KnowledgeFault(const std::vector<std::pair<int, int>>& forced,
                           const std::vector<std::pair<int, int>>& forbidden,
                           const std::vector<std::pair<int, int>>& tiers, bool lastTierWins,
                           const DataSet& data);
// Empty when `v` indexes one of `n` variables; else "<what> names variable v, valid range is 0..n-1".
std::string VariableIndexFault(int v, const char* what, int n);
