#pragma once
// What a table of a network file may hold, one rule for every reader: finite numbers (no NaN, no
// infinity, nothing beyond the doubles), and in a table of probabilities no negative number, which no
// distribution holds and no update could use.

#include <string>

#include "base/counted_notices.h"

namespace vovido {

// Other tools write a probability of 0 rounded in single precision (-1.1920929e-07): an entry of a table
// of probabilities in [-kTinyNegativeEntry, 0) is read as 0, as the diagnosis counts such a value; a more
// negative one is refused.
constexpr double kTinyNegativeEntry = 1e-6;

inline bool IsTinyNegative(double value) {
    return value < 0.0 && value >= -kTinyNegativeEntry;
}

// Makes every entry of values[0, count) in [-kTinyNegativeEntry, 0) 0; returns how many it made 0.
int ZeroTinyNegatives(double* values, int count);

// The warning of a node whose `zeroed` entries were read as 0 ("ERROR: Node [A] : 3 table entries in
// [-1e-6, 0) read as 0"), and its notice: one read's warnings fold into one that counts the nodes and
// entries and names the first nodes.
std::string TinyNegativesMessage(const std::string& nodeId, int zeroed);
NoticeInstance TinyNegativesInstance(const std::string& nodeId, int zeroed);

// The refusal of the first entry of values[0, count) that breaks the rule, naming the node and what the
// numbers are ("table", "utilities", "observation costs"): "Node [A] : entry 3 of its table is no finite
// number (nan)" or "Node [A] : -1e-09 is no probability"; empty when every entry keeps it.
std::string TableEntryRefusal(const std::string& nodeId, const char* what, const double* values, int count,
                              bool probabilities);

}  // namespace vovido
