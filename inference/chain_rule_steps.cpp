// The chain rule's updates counted one by one, from their triangulations.
#include "inference/chain_rule_steps.h"

#include "base/int_array.h"
#include "base/size_limits.h"
#include "inference/exact_drivers.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

namespace vovido {

namespace {

int64_t Saturated(uint64_t count) {
    return count > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(count);
}

int64_t SumOf(int64_t a, int64_t b) {
    return a > INT64_MAX - b ? INT64_MAX : a + b;
}

int64_t ProductOf(int64_t a, int64_t b) {
    return b != 0 && a > INT64_MAX / b ? INT64_MAX : a * b;
}

// The nodes each update's relevance step reads: its target, the findings before it and their ancestors,
// a set that grows by each finding's ancestors not read before.
std::vector<int64_t> NodesReadByEachUpdate(const VRX_network& network, const std::vector<int>& findings) {
    std::vector<char> read(static_cast<size_t>(network.GetNumberOfSlots()), 0);
    std::vector<int> stack;
    std::vector<int64_t> counts;
    int64_t count = 0;
    for (int h : findings) {
        if (read[static_cast<size_t>(h)] == 0) {
            read[static_cast<size_t>(h)] = 1;
            stack.push_back(h);
        }
        while (!stack.empty()) {
            const int n = stack.back();
            stack.pop_back();
            count++;
            const VRX_intArray& parents = network.GetParents(n);
            for (int k = 0; k < parents.GetCount(); k++) {
                if (read[static_cast<size_t>(parents[k])] != 0) continue;
                read[static_cast<size_t>(parents[k])] = 1;
                stack.push_back(parents[k]);
            }
        }
        counts.push_back(count);
    }
    return counts;
}

}  // namespace

ChainRuleSteps CountChainRuleSteps(VRX_network& network, const std::vector<int>& findings, int64_t limit) {
    ChainRuleSteps steps;
    // The nodes read first, in time proportional to the network: where they alone pass the limit, no tree
    // is triangulated, nor where triangulating a tree an update would take a good share of the work.
    const std::vector<int64_t> reads = NodesReadByEachUpdate(network, findings);
    int64_t readWork = 0;
    int64_t allReads = 0;
    for (size_t i = 0; i < reads.size(); i++) {
        allReads = SumOf(allReads, reads[i]);
        readWork = SumOf(readWork, ProductOf(reads[i], kCellsPerNodeUpdate));
        if (readWork <= limit) continue;
        steps.updates = static_cast<int64_t>(i) + 1;
        steps.last = findings[i];
        steps.nodes = allReads;
        steps.work = readWork;
        return steps;
    }
    if (allReads > kMaxChainRuleCountedReads) {
        steps.counted = false;
        return steps;
    }
    constexpr uint32_t kFixed = ValueFlags::kEvidence | ValueFlags::kPropagatedEvidence;
    // Every value's evidence flags as found (the findings among them): the chain rule starts from none and
    // enters the findings one by one, as this count does.
    std::vector<std::pair<VRX_nodeValue*, uint32_t>> saved;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_nodeValue* value = network.GetNode(h)->GetValue();
        if (value == nullptr || !value->HasEvidence()) continue;
        saved.emplace_back(value, value->GetValueFlags() & kFixed);
        value->SetValueFlag(kFixed, false);
    }
    const int savedFlags = network.propagationFlags;
    network.propagationFlags &= ~PropagationFlags::kNotices;
    for (size_t i = 0; i < findings.size(); i++) {
        const int h = findings[i];
        if (network.SetTarget(h) != kSuccess) continue;
        const uint64_t entries = EstimateClusteringEntries(network);
        (void)network.UnsetTarget(h);
        network.GetNode(h)->GetValue()->SetValueFlag(ValueFlags::kEvidence, true);
        steps.updates++;
        steps.last = h;
        steps.lastEntries = entries;
        steps.entries = SumOf(steps.entries, Saturated(entries));
        steps.nodes = SumOf(steps.nodes, reads[i]);
        steps.work = SumOf(steps.work, SumOf(ProductOf(Saturated(entries), kChainRuleStepCellsPerTreeEntry),
                                             ProductOf(reads[i], kCellsPerNodeUpdate)));
        steps.unbuildable = entries > kDefaultJoinTreeLimit;
        if (steps.unbuildable || steps.work > limit) break;
    }
    for (const std::pair<VRX_nodeValue*, uint32_t>& entry : saved) {
        entry.first->SetValueFlag(kFixed, false);
        entry.first->SetValueFlag(entry.second, true);
    }
    network.propagationFlags = savedFlags;
    return steps;
}

}  // namespace vovido
