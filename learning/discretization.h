#pragma once
// Cutting a continuous learning column into intervals: equal frequency (method 0), equal width (1) or
// merging of neighbouring groups with the closest means (2); thresholds, group means, the state of
// each value and the names of the intervals.

#include <cstdint>
#include <string>
#include <vector>

class hybrid_node;

// Groups the values (missing ones left out) into `levels` intervals. 0, or -1 for an unknown method,
// fewer than two levels or too few values; the outputs are untouched on failure.
[[nodiscard]] int cut_values(const std::vector<double>& values, int method, int levels,
                             std::vector<double>& thresholds, std::vector<double>& means);
// The interval of a value under the thresholds: state 0 up to t[1], the last state above.
int interval_of(const std::vector<double>& thresholds, double value);
// "p" before a positive threshold, '.' as '_' and '-' as 'm': 0.5 and 1.25 give p0_5p1_25.
std::string interval_name(double low, double high);

// Gives a node with continuous data its discrete column (one state per record; a missing value stays
// missing), its states and their names, by the node's method and levels. 0, kOutOfRange without continuous
// data, -1 when the values cannot be cut (the node then keeps its previous discrete column).
[[nodiscard]] int discretize(hybrid_node& node);
