#pragma once
// Networks beyond the reach of exact inference and files whose tables pass the size limit, for the
// tests and benchmarks of the refusals.

#include <cstdint>
#include <string>
#include <vector>

#include "base/random_generator.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace vovido::test {

// A network text of the own format whose node "child" has `parents` two-state parents p0, p1, ...
inline std::string WideParentsText(int parents) {
    std::string text = "net Wide\n{\n";
    std::string list;
    for (int i = 0; i < parents; ++i) {
        const std::string id = "p" + std::to_string(i);
        text += " node " + id + " { TYPE = CPT; };\n";
        list += (i > 0 ? ", " : "") + id;
    }
    text += " node child { TYPE = CPT; PARENTS = (" + list + "); };\n};\n";
    return text;
}

// n two-state nodes, each with `parents` parents drawn from all earlier nodes: the moral graph is an
// expander whose treewidth grows with n, so no join tree fits any sane limit. Tables keep the uniform
// distribution. Every `observeEvery`-th node gets evidence (0: none).
inline void BuildHighTreewidthNetwork(VRX_network& net, int n, int parents, uint32_t seed,
                                      int observeEvery = 0) {
    RandomGenerator rng(seed);
    std::vector<int> handles;
    handles.reserve(static_cast<size_t>(n));
    // Built as a reader builds: the names are unique and every arc runs forwards, so the network's
    // checks of both, quadratic in the node count, are skipped.
    const int flags = net.readingFlags;
    net.readingFlags |= ReadingFlags::kAllowCycles | ReadingFlags::kAllowDuplicateIds;
    for (int i = 0; i < n; ++i) {
        const int h = net.AddNode(DefinitionType::kCpt, ("n" + std::to_string(i)).c_str());
        const int wanted = i < parents ? i : parents;
        for (int k = 0, tries = 0; k < wanted && tries < 10 * parents; ++tries) {
            const int p = handles[static_cast<size_t>(rng.NextFraction() * i)];
            if (net.AddArc(p, h) == 0) ++k;
        }
        handles.push_back(h);
    }
    net.readingFlags = flags;
    // Evidence on the first outcome of an unobserved two-state node is always taken.
    if (observeEvery > 0) {
        for (size_t i = 0; i < handles.size(); i += static_cast<size_t>(observeEvery))
            (void)net.GetNode(handles[i])->GetValue()->SetEvidence(0);
    }
}

}  // namespace vovido::test
