#pragma once
// What a table of a network file may hold, one rule for every reader: finite numbers (no NaN, no
// infinity, nothing beyond the doubles), and in a table of probabilities no negative number, which no
// distribution holds and no update could use.

#include <string>

namespace vovido {

// The refusal of the first entry of values[0, count) that breaks the rule, naming the node and what the
// numbers are ("table", "utilities", "observation costs"): "Node [A] : entry 3 of its table is no finite
// number (nan)" or "Node [A] : -1e-09 is no probability"; empty when every entry keeps it.
std::string TableEntryRefusal(const std::string& nodeId, const char* what, const double* values, int count,
                              bool probabilities);

}  // namespace vovido
