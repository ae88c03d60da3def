// A topological order of relevance decomposition fixed by the identifiers.
#include "inference/decomposition_order.h"

#include <algorithm>
#include <cstring>

#include "inference/sampling_work.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido {

namespace {

// The longest chain of ancestors of every node (-1 for a free slot), by an explicit stack.
std::vector<int> DecompositionDepths(const VRX_network& network) {
    std::vector<int> depth(static_cast<size_t>(network.GetNumberOfSlots()), -1);
    std::vector<int> stack;
    for (int target = network.GetFirstNode(); target >= 0; target = network.GetNextNode(target)) {
        stack.push_back(target);
        while (!stack.empty()) {
            const int h = stack.back();
            if (depth[static_cast<size_t>(h)] >= 0) {
                stack.pop_back();
                continue;
            }
            const VRX_intArray& parents = network.GetParents(h);
            int deepest = -1;
            bool ready = true;
            for (int k = 0; k < parents.GetCount(); k++) {
                const int d = depth[static_cast<size_t>(parents[k])];
                if (d < 0) {
                    ready = false;
                    stack.push_back(parents[k]);
                }
                deepest = std::max(deepest, d);
            }
            if (!ready) continue;
            depth[static_cast<size_t>(h)] = deepest + 1;
            stack.pop_back();
        }
    }
    return depth;
}

}  // namespace

std::vector<int> IdentifierRanks(const VRX_network& network) {
    std::vector<int> handles;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) handles.push_back(h);
    const auto idOf = [&network](int h) {
        const char* id = network.GetNode(h)->GetId();
        return id != nullptr ? id : "";
    };
    std::sort(handles.begin(), handles.end(), [&idOf](int a, int b) {
        const int c = std::strcmp(idOf(a), idOf(b));
        return c != 0 ? c < 0 : a < b;
    });
    std::vector<int> rank(static_cast<size_t>(network.GetNumberOfSlots()), -1);
    for (size_t i = 0; i < handles.size(); i++) rank[static_cast<size_t>(handles[i])] = static_cast<int>(i);
    return rank;
}

std::vector<int> RequestedFromTheEnd(const VRX_network& network, const std::vector<unsigned char>& requested,
                                     const std::vector<int>& rank) {
    const int slots = network.GetNumberOfSlots();
    std::vector<int> starts;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) starts.push_back(h);
    // Roots first, then each layer of deeper nodes, each by identifier: the targets of a group lie close,
    // the shallow ones last, often answered on the way.
    const std::vector<int> depth = DecompositionDepths(network);
    std::sort(starts.begin(), starts.end(), [&rank, &depth](int a, int b) {
        const int da = depth[static_cast<size_t>(a)];
        const int db = depth[static_cast<size_t>(b)];
        return da != db ? da < db : rank[static_cast<size_t>(a)] < rank[static_cast<size_t>(b)];
    });
    // 0 unseen, 1 on the walk, 2 placed.
    std::vector<char> state(static_cast<size_t>(slots), 0);
    struct Frame {
        int node;
        int next;
    };
    std::vector<Frame> stack;
    std::vector<int> order;
    order.reserve(starts.size());
    for (int start : starts) {
        if (state[static_cast<size_t>(start)] != 0) continue;
        state[static_cast<size_t>(start)] = 1;
        stack.push_back({start, 0});
        while (!stack.empty()) {
            Frame& top = stack.back();
            const VRX_intArray& parents = network.GetParents(top.node);
            if (top.next < parents.GetCount()) {
                const int p = parents[top.next++];
                if (state[static_cast<size_t>(p)] != 0) continue;
                state[static_cast<size_t>(p)] = 1;
                stack.push_back({p, 0});
            } else {
                state[static_cast<size_t>(top.node)] = 2;
                order.push_back(top.node);
                stack.pop_back();
            }
        }
    }
    std::vector<int> list;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (requested[static_cast<size_t>(*it)] != 0) list.push_back(*it);
    }
    return list;
}

int64_t EstimateGroupReads(const VRX_network& network, const std::vector<int>& list, int groupSize,
                           const std::vector<int>& evidence) {
    const std::vector<char> observed = NodesAndAncestors(network, evidence);
    const int64_t shared = std::count(observed.begin(), observed.end(), char{1});
    const std::vector<int> depth = DecompositionDepths(network);
    int64_t reads = 0;
    for (size_t start = 0; start < list.size(); start += static_cast<size_t>(groupSize)) {
        int64_t group = shared;
        for (size_t i = start; i < list.size() && i < start + static_cast<size_t>(groupSize); i++)
            group = std::max<int64_t>(group, depth[static_cast<size_t>(list[i])] + 1);
        reads += group;
    }
    return reads;
}

}  // namespace vovido
