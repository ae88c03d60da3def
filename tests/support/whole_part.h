#pragma once
// Inference test support: the whole network as one relevance part and the identifiers of a part's
// records, with the shared support (arrays, networks, the small stack) the inference tests use.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"
#include "tests/support/small_stack.h"

namespace vovido::test {

// Identifiers of a relevance graph's records in its order; "-" for a record of no node.
inline std::vector<std::string> Ids(const RelevanceGraph& graph) {
    std::vector<std::string> ids;
    for (const RelevanceNode* r : graph.records)
        ids.emplace_back(r->node != nullptr ? r->node->GetId() : "-");
    return ids;
}

// The whole network as one part (records in handle order, every arc kept), optionally with parent lists
// set by hand so that shapes no table could hold can be triangulated.
class WholePart {
public:
    explicit WholePart(VRX_network& net) : graph(net, false), view(graph) {}

    // Makes record p a parent of record c in the part only.
    void Link(int p, int c) {
        ASSERT_EQ(graph.records[c]->parents.Add(graph.records[p]), kSuccess);
        ASSERT_EQ(graph.records[p]->children.Add(graph.records[c]), kSuccess);
    }
    void Observe(int i) { graph.records[i]->evidence = 0; }
    void Refresh() { ASSERT_EQ(view.Refresh(), kSuccess); }

    RelevanceGraph graph;
    PartView view;
};

}  // namespace vovido::test
