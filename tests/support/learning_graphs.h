#pragma once
// Learning graphs for tests: nodes with named states over given columns, and network tables read by
// outcome name.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "learning/learning_dag.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/arrays.h"

namespace vovido::test {

using LearningNodes = std::vector<std::pair<std::string, std::vector<std::string>>>;

// One node per (name, states), in order, with the column of the same position (none: no records).
inline void AddLearningNodes(dag& g, const LearningNodes& nodes, const std::vector<std::vector<int32_t>>& columns = {}) {
    for (size_t i = 0; i < nodes.size(); ++i)
        g.add_node_with_states(nodes[i].first, nodes[i].second, i < columns.size() ? columns[i] : std::vector<int32_t>());
}

// Index of the named outcome of node h; -1 when it has none of that name.
inline int OutcomeIndex(const VRX_network& net, int h, const std::string& name) {
    const VRX_idArray* ids = net.GetNode(h)->GetDefinition()->GetOutcomesNames();
    for (int k = 0; ids != nullptr && k < ids->GetCount(); ++k) {
        if (name == (*ids)[k]) return k;
    }
    return -1;
}

inline std::vector<double> TableOf(const VRX_network& net, int h) {
    VRX_Dmatrix* m = nullptr;
    EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(m), kSuccess);
    return m != nullptr ? Entries(*m) : std::vector<double>();
}

}  // namespace vovido::test
