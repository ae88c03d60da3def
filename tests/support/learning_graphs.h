#pragma once
// Learning graphs built from columns of state indices, for tests of the learning library.

#include <cstdint>
#include <string>
#include <vector>

#include "learning/learning_dag.h"

namespace vovido::test {

// Nodes "v0", "v1", ... over the columns; node v gets states[v] states (2 when not given) named "s0", ...
inline void AddColumns(dag& g, const std::vector<std::vector<int32_t>>& columns,
                       const std::vector<int>& states = {}) {
    for (size_t v = 0; v < columns.size(); ++v) {
        std::vector<std::string> names;
        for (int s = 0; s < (v < states.size() ? states[v] : 2); ++s) names.push_back("s" + std::to_string(s));
        g.add_node_with_states("v" + std::to_string(v), names, columns[v]);
    }
}

// Indices of the records the graph has in use.
inline std::vector<int> RecordsInUse(const dag& g) {
    std::vector<int> in_use;
    for (int r = 0; r < g.record_count(); ++r) {
        if (g.record_in_use(r)) in_use.push_back(r);
    }
    return in_use;
}

}  // namespace vovido::test
