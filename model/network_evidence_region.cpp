// Re-propagation around an edit: the evidence an edit can change is propagated along chains of nodes
// that hold evidence, so only the chains next to what it touched are cleared and propagated again.
#include <algorithm>
#include <new>
#include <vector>

#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_entry.h"
#include "model/node_parts.h"
#include "model/node_value.h"

using vovido::ValueAt;

namespace {

// Propagation passes on through a node that holds evidence; a value without outcomes (an equation's)
// may follow from evidence through its relatives whether or not it holds any.
bool PassesEvidenceOn(const VRX_network& net, int handle) {
    const VRX_nodeValue* value = ValueAt(net, handle);
    return (value != nullptr && value->HasEvidence()) || !vovido::IsDiscreteType(net.GetNodeType(handle));
}

}  // namespace

int VRX_network::RepropagateAround(int handle, int other) {
    using namespace SlotMarks;
    std::vector<int> region;
    try {
        auto add = [&](int h) {
            if (!IsLiveHandle(h)) return;
            VRX_nodeEntry& entry = nodes[h];
            RefreshWalkMarks(entry);
            if (entry.HasMark(kInRegion)) return;
            entry.SetMark(kInRegion);
            region.push_back(h);
        };
        auto addAll = [&](const VRX_intArray& list) {
            for (int i = 0; i < list.GetCount(); i++) add(list[i]);
        };
        // An edit changes the tables of the node and of its children, whose parents may fix them.
        for (const int seed : {handle, other}) {
            if (!IsLiveHandle(seed)) continue;
            add(seed);
            addAll(nodes[seed].parents);
            const VRX_intArray& children = nodes[seed].children;
            for (int i = 0; i < children.GetCount(); i++) {
                add(children[i]);
                addAll(nodes[children[i]].parents);
            }
        }
        // Findings propagated on their own since: propagation from all of theirs may find more.
        for (const int finding : propagatedAlone_) add(finding);
        // Then every chain of evidence that reaches them: what it fixed may change with them.
        for (size_t i = 0; i < region.size(); i++) {
            const int h = region[i];
            if (!PassesEvidenceOn(*this, h)) continue;
            addAll(nodes[h].parents);
            addAll(nodes[h].children);
        }
        for (const int h : region) {
            VRX_nodeValue* value = ValueAt(*this, h);
            if (value != nullptr && value->HasFlag(ValueFlags::kPropagatedEvidence))
                (void)value->ClearPropagatedEvidence();  // flagged
        }
        // In handle order, as over the whole table; a conflict is logged and the next node goes on.
        std::sort(region.begin(), region.end());
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    propagatedAlone_.clear();
    for (const int h : region) {
        VRX_nodeValue* value = ValueAt(*this, h);
        if (value != nullptr && value->HasEvidence() && value->GetEvidence() >= 0) (void)PropagateEvidence(h);
    }
    return kSuccess;
}

void VRX_network::MarkAncestorsOfFindingsLazily() {
    using namespace SlotMarks;
    std::vector<int> stack;
    auto markFrom = [&](int h) {
        const VRX_nodeValue* value = ValueAt(*this, h);
        if (value == nullptr) return;
        const bool likelihoods = value->HasFlag(ValueFlags::kVirtualEvidence);
        if (!likelihoods &&
            !(value->HasFlag(ValueFlags::kEvidence) && !value->HasFlag(ValueFlags::kPropagatedEvidence)))
            return;
        stack.push_back(h);
        while (!stack.empty()) {
            const VRX_intArray& parents = nodes[stack.back()].parents;
            stack.pop_back();
            for (int i = 0; i < parents.GetCount(); i++) {
                VRX_nodeEntry& parent = nodes[parents[i]];
                RefreshWalkMarks(parent);
                if (parent.HasMark(kAncestor)) continue;
                parent.SetMark(kAncestor);
                stack.push_back(parents[i]);
            }
        }
        // Likelihoods leave a path through their node open and open it between its parents.
        if (likelihoods) {
            RefreshWalkMarks(nodes[h]);
            nodes[h].SetMark(kAncestor);
        }
    };
    try {
        // HasAnyEvidence has made the list whole, unless memory ran out: then the table is looked through.
        if (evidenceHoldersComplete_) {
            // Marking adds no holder, so the list stays where it is.
            for (const int h : evidenceHolders_) {
                if (IsLiveHandle(h)) markFrom(h);
            }
        } else {
            for (int h = 0; h < numSlots; h++) {
                if (IsLiveHandle(h)) markFrom(h);
            }
        }
    } catch (const std::bad_alloc&) {
        // Without room for the walk, every node counts as an ancestor: the walk then passes everywhere.
        for (int h = 0; h < numSlots; h++) {
            RefreshWalkMarks(nodes[h]);
            nodes[h].SetMark(kAncestor);
        }
    }
}
