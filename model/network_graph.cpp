// Arcs of both kinds and the graph queries over them. Every walk keeps its own stack, so its depth
// never limits the size of a network, and marks nodes on entry, so it ends on any graph, also on one
// with the cycles that a file read with cycles allowed can leave.
#include <algorithm>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/small_stack.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "definitions/node_cost.h"
#include "definitions/parent_table.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/refusal_reasons.h"
#include "model/temporal_extension.h"

using vovido::IsDiscreteType;

namespace {

// The child's definition refused the parent: both nodes, and what decided it (the child's definition not
// valid, or the two kinds).
int RefuseArcByChild(const VRX_network& network, int parent, int child) {
    const auto kind = [&network](int handle) {
        return vovido::KindNodeText(network.GetNode(handle)->GetDefinition());
    };
    const VRX_nodeDefinition* definition = network.GetNode(child)->GetDefinition();
    std::string text = "Arc rejected by child node [" + vovido::NodeLabel(network, child) + "]: ";
    if (definition != nullptr && !definition->IsValid()) {
        text +=
            "its definition is not valid, so it takes no parent [" + vovido::NodeLabel(network, parent) + "]";
    } else {
        text += kind(child) + " does not take " + kind(parent) + " [" + vovido::NodeLabel(network, parent) +
                "] as a parent";
    }
    return LogError(errorLog, kWrongNodeType, text.c_str(), nullptr);
}

// Scratch mark of the walks below, set only while a walk runs.
constexpr int kEntered = 0x400;
constexpr char kGroupCostProperty[] = "DIAG_TESTGROUPCOST";

struct Frame {
    int node;
    int next;  // position in the node's list of the next neighbour to look at
};

bool EqualsIgnoreCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; a++, b++) {
        char x = *a;
        char y = *b;
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return *a == *b;
}

// Depth-first post-order over the parent lists of one kind: every live node without the placed mark
// (16), in handle order, is appended after its parents, ties falling to handle and list order.
int BuildPostOrder(VRX_network& net, int arcKind, VRX_intArray& out) {
    out.Flush();
    net.ClearMarksOfAllNodes(SlotMarks::kPlaced);
    const int slots = net.GetNumberOfSlots();
    try {
        std::vector<Frame> stack;
        stack.reserve(static_cast<size_t>(net.GetNumberOfNodes()));
        for (int h = 0; h < slots; h++) {
            if (!net.IsLiveHandle(h) || net.GetEntry(h).HasMark(SlotMarks::kPlaced)) continue;
            net.GetEntry(h).SetMark(kEntered);
            stack.push_back({h, 0});
            while (!stack.empty()) {
                const int n = stack.back().node;
                VRX_nodeEntry& entry = net.GetEntry(n);
                const VRX_intArray& parents = entry.Parents(arcKind);
                if (stack.back().next < parents.GetCount()) {
                    const int p = parents[stack.back().next++];
                    VRX_nodeEntry& parent = net.GetEntry(p);
                    if (parent.HasMark(SlotMarks::kPlaced | kEntered)) continue;
                    parent.SetMark(kEntered);
                    stack.push_back({p, 0});
                } else {
                    entry.ClearMark(kEntered);
                    entry.SetMark(SlotMarks::kPlaced);
                    stack.pop_back();
                    if (const int rc = out.Add(n)) {
                        net.ClearMarksOfAllNodes(kEntered);
                        return rc;
                    }
                }
            }
        }
    } catch (const std::bad_alloc&) {
        net.ClearMarksOfAllNodes(kEntered);
        return kOutOfMemory;
    }
    return kSuccess;
}

// Appends, in handle order, every live node with the mark.
int AppendMarked(const VRX_network& net, int mark, VRX_intArray& out) {
    for (int h = 0; h < net.GetNumberOfSlots(); h++) {
        if (!net.IsLiveHandle(h) || !net.GetEntry(h).HasMark(mark)) continue;
        if (const int rc = out.Add(h)) return rc;
    }
    return kSuccess;
}

// Replaces list by the members of order that it holds, in that order, each once.
int KeepInOrder(const VRX_intArray& order, int slots, VRX_intArray& list) {
    std::vector<char> member;
    try {
        member.assign(static_cast<size_t>(slots), 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    for (int i = 0; i < list.GetCount(); i++) {
        if (list[i] >= 0 && list[i] < slots) member[list[i]] = 1;
    }
    // The result is never longer than the list, so the adds below reuse its storage.
    list.Flush();
    for (int i = 0; i < order.GetCount(); i++) {
        if (member[order[i]]) list.AddReserved(order[i]);
    }
    return kSuccess;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Arcs

int VRX_network::AddArc(int parent, int child, int arcKind) {
    if (arcKind == 1) return AddCostArc(parent, child);
    const vovido::ArcRule broken = vovido::FindArcRuleBroken(*this, parent, child);
    if (broken != vovido::ArcRule::kNone) return vovido::ArcRuleCode(broken);
    // The temporal tables of a plate child take the new dimension too.
    if (temporalExtension) {
        if (const int rc = temporalExtension->CheckArcSize(parent, child)) return rc;
    }

    VRX_intArray& children = nodes[parent].children;
    VRX_intArray& parents = nodes[child].parents;
    if (const int rc = children.Add(child)) return rc;
    if (const int rc = parents.Add(parent)) {
        (void)children.Delete(children.GetCount() - 1);  // undoes the add just made
        return rc;
    }
    VRX_nodeDefinition* definition = nodes[child].node->GetDefinition();
    const int logged = errorLog.GetNumberOfEntries();
    const int added = definition != nullptr ? definition->AddParent(parent) : kWrongNodeType;
    if (added != kSuccess) {
        // Undoes the adds just made.
        (void)children.DeleteByValue(child);
        (void)parents.DeleteByValue(parent);
        // A table too large for the limit or for memory has been reported, naming the node.
        if (added == kOutOfMemory) return kOutOfMemory;
        // The definition's own words name neither node: the refusal naming both and the kinds replaces them.
        errorLog.Truncate(logged);
        return RefuseArcByChild(*this, parent, child);
    }
    NotifyArcAdded(parent, child);
    if (temporalExtension) temporalExtension->OnArcAdded(parent, child);
    return kSuccess;
}

bool VRX_network::ArcsBuildReadTable(int child) const {
    // Kinds that build their tables when first asked for are counted by the update that asks.
    return (readingFlags & ReadingFlags::kReading) && IsLiveHandle(child) &&
           dynamic_cast<vovido::ParentTableDefinition*>(nodes[child].node->GetDefinition()) != nullptr;
}

int VRX_network::CheckReadTables(int node, int64_t cells, int64_t added, const char* how) {
    if (readTableCells + added <= kMaxFileTableCells) return kSuccess;
    readTablesRefused = true;
    readRefusalEntry = errorLog.GetNumberOfEntries();
    const std::string text = "ERROR: Node [" + std::string(vovido::IdAt(*this, node)) + "] : its table of " +
                             std::to_string(cells) + " cells" + (how != nullptr ? how : "") +
                             " would bring the tables of the file to " +
                             std::to_string(readTableCells + added) + " cells, past the limit of " +
                             std::to_string(kMaxFileTableCells) +
                             " cells (2 GiB of 8-byte cells) for the tables of a read";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int VRX_network::CountTableRead(int child, const int* parents, int count, int* results) {
    if (!ArcsBuildReadTable(child)) return kSuccess;
    const int64_t before = vovido::DefinitionSupport::TableCellsWithParents(*this, child, nullptr, 0);
    const int64_t after = vovido::DefinitionSupport::TableCellsWithParents(*this, child, parents, count);
    // A table past its own limit is refused by its definition, naming that limit.
    if (after > kMaxTableCells) return kSuccess;
    const bool refused = CheckReadTables(child, after, after - before) != kSuccess;
    // Tables far beyond what the file gives (left to their defaults) are counted to the end of the file
    // before more of them are built.
    if (!refused && !readCountingOnly && readLookAhead &&
        readTableCells - before + after >
            std::max(kLookAheadTableCells, readFileBytes * kLookAheadCellsPerByte)) {
        readCountingOnly = true;
        readCountingFrom = errorLog.GetNumberOfEntries();
    }
    if (!refused && !readCountingOnly) return kSuccess;
    if (!refused) readTableCells += after - before;
    for (int i = 0; i < count; i++) results[i] = kOutOfMemory;
    return kOutOfMemory;
}

int VRX_network::AddArcs(const int* parents, int count, int child, int* results) {
    // A file's tables are counted together before any is built.
    if (CountTableRead(child, parents, count, results) != kSuccess) return kSuccess;
    const bool counted = ArcsBuildReadTable(child);
    const int64_t before =
        counted ? vovido::DefinitionSupport::TableCellsWithParents(*this, child, nullptr, 0) : 0;
    const int rc = AddArcsToTable(parents, count, child, results);
    if (counted) {
        const int64_t after = vovido::DefinitionSupport::TableCellsWithParents(*this, child, nullptr, 0);
        readTableCells += after - before;
    }
    return rc;
}

int VRX_network::AddArcsToTable(const int* parents, int count, int child, int* results) {
    VRX_nodeDefinition* definition = IsLiveHandle(child) ? nodes[child].node->GetDefinition() : nullptr;
    auto* table = dynamic_cast<vovido::ParentTableDefinition*>(definition);
    // Temporal tables grow with every arc as well, and other kinds keep no table over the parents.
    if (table == nullptr || temporalExtension != nullptr) {
        for (int i = 0; i < count; i++) results[i] = AddArc(parents[i], child, 0);
        return kSuccess;
    }
    // Nodes have a few parents: the lists stay inline, and a long list is searched through a set.
    vovido::SmallStack<int, 16> listed;
    vovido::SmallStack<int, 16> taken;
    constexpr int kSearchedInTurn = 32;
    try {
        // Each arc is checked as AddArc would check it after the ones before it: a parent listed twice
        // joins the nodes already.
        std::unordered_set<int> seen;
        for (int i = 0; i < count; i++) {
            vovido::ArcRule broken = vovido::FindArcRuleBroken(*this, parents[i], child);
            if (broken == vovido::ArcRule::kNone) {
                const bool again = count <= kSearchedInTurn
                                       ? std::find(listed.begin(), listed.end(), parents[i]) != listed.end()
                                       : !seen.insert(parents[i]).second;
                if (again) broken = vovido::ArcRule::kAlreadyJoined;
            }
            results[i] = vovido::ArcRuleCode(broken);
            if (broken == vovido::ArcRule::kNone) {
                listed.Push(parents[i]);
                taken.Push(kSuccess);
            }
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    VRX_intArray& parentList = nodes[child].parents;
    for (int i = 0; i < listed.Size(); i++) {
        VRX_intArray& children = nodes[listed[i]].children;
        int rc = children.Add(child);
        if (rc == kSuccess) {
            rc = parentList.Add(listed[i]);
            if (rc != kSuccess) (void)children.Delete(children.GetCount() - 1);
        }
        if (rc == kSuccess) continue;
        // Undoes the adds made so far.
        for (int j = 0; j < i; j++) {
            (void)nodes[listed[j]].children.DeleteByValue(child);
            (void)parentList.DeleteByValue(listed[j]);
        }
        return rc;
    }
    (void)table->AddParents(listed.begin(), listed.Size(), taken.begin());
    // The arcs the table did not take go again, each refused as AddArc refuses it.
    int k = 0;
    for (int i = 0; i < count; i++) {
        if (results[i] != kSuccess) continue;
        const int parent = listed[k];
        const int added = taken[k++];
        if (added == kSuccess) continue;
        (void)nodes[parent].children.DeleteByValue(child);
        (void)parentList.DeleteByValue(parent);
        results[i] = added == kOutOfMemory ? kOutOfMemory : RefuseArcByChild(*this, parent, child);
    }
    for (int i = 0; i < count; i++) {
        if (results[i] == kSuccess) NotifyArcAdded(parents[i], child);
    }
    return kSuccess;
}

int VRX_network::AddCostArc(int parent, int child) {
    if (!IsLiveHandle(parent) || !IsLiveHandle(child) || parent == child) return kOutOfRange;
    VRX_intArray& children = nodes[parent].costChildren;
    VRX_intArray& parents = nodes[child].costParents;
    if (const int rc = children.Add(child)) return rc;
    if (const int rc = parents.Add(parent)) {
        (void)children.Delete(children.GetCount() - 1);  // undoes the add just made
        return rc;
    }
    VRX_nodeCost* cost = nodes[child].node->GetCost();
    const int added = cost != nullptr ? cost->AddParent(parent) : kOutOfRange;
    if (added != kSuccess) {
        // The same cost arc may be listed twice: take back the entries just appended.
        (void)children.Delete(children.GetCount() - 1);
        (void)parents.Delete(parents.GetCount() - 1);
        if (added == kOutOfMemory) return kOutOfMemory;
        return LogError(errorLog, kOutOfRange, "Arc cannot be added", nullptr);
    }
    NotifyArcAdded(parent, child);
    return kSuccess;
}

int VRX_network::RemoveArc(int parent, int child, int arcKind) {
    if (arcKind == 1) return RemoveCostArc(parent, child);
    const vovido::ArcRule broken = vovido::FindArcRemovalRuleBroken(*this, parent, child);
    if (broken != vovido::ArcRule::kNone) return vovido::ArcRuleCode(broken);
    if (temporalExtension) temporalExtension->OnArcRemoved(parent, child);
    // A definition that no longer holds the parent (one that lost its dimension on a change of kind)
    // has nothing to remove: the arc goes all the same.
    if (VRX_nodeDefinition* definition = nodes[child].node->GetDefinition())
        (void)definition->RemoveParent(parent);
    // Both lists hold the arc, checked above.
    (void)nodes[parent].children.DeleteByValue(child);
    (void)nodes[child].parents.DeleteByValue(parent);
    NotifyArcRemoved(parent, child);
    return kSuccess;
}

int VRX_network::RemoveCostArc(int parent, int child) {
    // A cost arc that is not there is refused: its removal would still drop the parent's group mark.
    const vovido::ArcRule broken = vovido::FindCostArcRemovalRuleBroken(*this, parent, child);
    if (broken != vovido::ArcRule::kNone) return vovido::ArcRuleCode(broken);
    if (VRX_nodeCost* cost = nodes[child].node->GetCost()) (void)cost->RemoveParent(parent);
    (void)nodes[parent].costChildren.DeleteByValue(child);
    if (nodes[parent].costChildren.GetCount() == 0 && IsGroupCostNode(parent)) {
        VRX_userProperties& properties = nodes[parent].node->GetInfo()->userProperties;
        (void)properties.DeleteProperty(properties.FindProperty(kGroupCostProperty));  // there: checked above
    }
    (void)nodes[child].costParents.DeleteByValue(parent);
    NotifyArcRemoved(parent, child);
    return kSuccess;
}

int VRX_network::RemoveAllParents(int handle) {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    VRX_intArray& parents = nodes[handle].parents;
    while (parents.GetCount() > 0) {
        const int before = parents.GetCount();
        // A removal that fails is made up for here, so the loop always ends.
        (void)RemoveArc(parents[0], handle, 0);
        if (parents.GetCount() >= before) (void)parents.Delete(0);
    }
    return kSuccess;
}

int VRX_network::AreAdjacent(int a, int b) const {
    if (a < 0 || a >= numSlots) return 0;
    const VRX_nodeEntry& x = nodes[a];
    // Each arc is listed at both ends, so the end with the shorter lists answers: a node with a great
    // many children then costs no more to test than its partner.
    if (b >= 0 && b < numSlots) {
        const VRX_nodeEntry& y = nodes[b];
        if (y.parents.GetCount() + y.children.GetCount() < x.parents.GetCount() + x.children.GetCount())
            return y.children.IsInList(a) || y.parents.IsInList(a) ? 1 : 0;
    }
    return x.parents.IsInList(b) || x.children.IsInList(b) ? 1 : 0;
}

int VRX_network::GetNumberOfParents(int handle, int arcKind) const {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    return nodes[handle].Parents(arcKind).GetCount();
}

int VRX_network::GetNumberOfChildren(int handle, int arcKind) const {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    return nodes[handle].Children(arcKind).GetCount();
}

int VRX_network::GetDiscreteParents(int handle, VRX_intArray& out, int arcKind) const {
    if (arcKind != 0 && arcKind != 1) return kSuccess;
    if (!IsLiveHandle(handle)) return kOutOfRange;
    out.Flush();
    const VRX_intArray& parents = nodes[handle].Parents(arcKind);
    for (int i = 0; i < parents.GetCount(); i++) {
        if (!IsDiscreteType(GetNodeType(parents[i]))) continue;
        if (const int rc = out.Add(parents[i])) return rc;
    }
    return kSuccess;
}

int VRX_network::ReorderParents(int handle, const VRX_intArray& order) {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    if (const int rc = nodes[handle].parents.Permute(order)) return rc;
    VRX_nodeDefinition* definition = nodes[handle].node->GetDefinition();
    return definition != nullptr ? definition->ReorderParents(order) : kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Graph queries

// Sets the mark on every node reachable from start over parents (up) or children of the arc kind that
// does not have it yet; the walk does not go on past a marked node. The start itself is not marked
// unless a cycle leads back to it.
int VRX_network::MarkReachable(int start, bool up, int arcKind, int mark) {
    try {
        std::vector<int> stack;
        stack.reserve(64);
        stack.push_back(start);
        while (!stack.empty()) {
            const int n = stack.back();
            stack.pop_back();
            VRX_nodeEntry& entry = GetEntry(n);
            const VRX_intArray& next = up ? entry.Parents(arcKind) : entry.Children(arcKind);
            for (int i = 0; i < next.GetCount(); i++) {
                VRX_nodeEntry& other = GetEntry(next[i]);
                if (other.HasMark(mark)) continue;
                other.SetMark(mark);
                stack.push_back(next[i]);
            }
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int VRX_network::IsAcyclic() {
    using namespace SlotMarks;
    ClearMarksOfAllNodes(kVisited | kOnPath | kVisitedLeaf);
    try {
        std::vector<Frame> stack;
        stack.reserve(static_cast<size_t>(numNodes));
        for (int h = 0; h < numSlots; h++) {
            VRX_nodeEntry& start = nodes[h];
            if (start.node == nullptr || start.HasMark(kVisited)) continue;
            if (start.parents.GetCount() == 0) {
                start.SetMark(kVisitedLeaf);
                continue;
            }
            start.SetMark(kOnPath);
            stack.push_back({h, 0});
            while (!stack.empty()) {
                VRX_nodeEntry& entry = nodes[stack.back().node];
                if (stack.back().next < entry.children.GetCount()) {
                    const int c = entry.children[stack.back().next++];
                    VRX_nodeEntry& child = nodes[c];
                    if (child.HasMark(kOnPath)) return 0;
                    if (child.HasMark(kVisited)) continue;
                    if (child.children.GetCount() > 0) {
                        child.SetMark(kOnPath);
                        stack.push_back({c, 0});
                    } else {
                        child.SetMark(kVisitedLeaf);
                    }
                } else {
                    entry.ClearMark(kOnPath | kVisitedLeaf);
                    entry.SetMark(kVisited);
                    stack.pop_back();
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return 1;
}

int VRX_network::WouldCreateCycle(int parent, int child) {
    if (!IsLiveHandle(parent) || !IsLiveHandle(child) || parent == child) return kOutOfRange;
    if (AreAdjacent(parent, child)) return kOutOfRange;
    // The arc closes a cycle exactly when the parent can already be reached from the child; the walk
    // only visits what lies below the child instead of the whole network.
    vovido::SmallStack<int, 32> reached;
    int answer = 0;
    try {
        reached.Push(child);
        nodes[child].SetMark(kEntered);
        for (int i = 0; i < reached.Size() && answer == 0; i++) {
            const VRX_intArray& children = nodes[reached[i]].children;
            for (int k = 0; k < children.GetCount(); k++) {
                const int c = children[k];
                if (c == parent) {
                    answer = 1;
                    break;
                }
                if (nodes[c].HasMark(kEntered)) continue;
                nodes[c].SetMark(kEntered);
                reached.Push(c);
            }
        }
    } catch (const std::bad_alloc&) {
        ClearMarksOfAllNodes(kEntered);
        return kOutOfMemory;
    }
    for (int n : reached) nodes[n].ClearMark(kEntered);
    return answer;
}

int VRX_network::IsSinglyConnected() {
    struct UndirectedFrame {
        int node;
        int previous;
        int next;  // over the parents, then the children
    };
    ClearMarksOfAllNodes(SlotMarks::kVisited);
    try {
        std::vector<UndirectedFrame> stack;
        stack.reserve(static_cast<size_t>(numNodes));
        for (int h = 0; h < numSlots; h++) {
            if (nodes[h].node == nullptr || nodes[h].HasMark(SlotMarks::kVisited)) continue;
            nodes[h].SetMark(SlotMarks::kVisited);
            stack.push_back({h, -1, 0});
            while (!stack.empty()) {
                UndirectedFrame& top = stack.back();
                const VRX_nodeEntry& entry = nodes[top.node];
                const int numParents = entry.parents.GetCount();
                if (top.next >= numParents + entry.children.GetCount()) {
                    stack.pop_back();
                    continue;
                }
                const int k = top.next++;
                const int other = k < numParents ? entry.parents[k] : entry.children[k - numParents];
                if (other == top.previous) continue;
                if (nodes[other].HasMark(SlotMarks::kVisited)) return 0;
                nodes[other].SetMark(SlotMarks::kVisited);
                const int from = top.node;
                stack.push_back({other, from, 0});
            }
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return 1;
}

int VRX_network::GetAncestors(int handle, VRX_intArray& out) {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    ClearMarksOfAllNodes(SlotMarks::kAncestor);
    if (const int rc = MarkReachable(handle, true, 0, SlotMarks::kAncestor)) return rc;
    nodes[handle].ClearMark(SlotMarks::kAncestor);
    return AppendMarked(*this, SlotMarks::kAncestor, out);
}

int VRX_network::GetDescendants(int handle, VRX_intArray& out) {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    ClearMarksOfAllNodes(SlotMarks::kDescendant);
    if (const int rc = MarkReachable(handle, false, 0, SlotMarks::kDescendant)) return rc;
    nodes[handle].ClearMark(SlotMarks::kDescendant);
    return AppendMarked(*this, SlotMarks::kDescendant, out);
}

int VRX_network::GetCostDescendants(int handle, VRX_intArray& out) {
    out.Flush();
    if (!IsLiveHandle(handle)) return kOutOfRange;
    ClearMarksOfAllNodes(SlotMarks::kDescendant);
    if (const int rc = MarkReachable(handle, false, 1, SlotMarks::kDescendant)) return rc;
    nodes[handle].ClearMark(SlotMarks::kDescendant);
    return AppendMarked(*this, SlotMarks::kDescendant, out);
}

VRX_intArray& VRX_network::GetTopologicalOrder() {
    BuildPostOrder(*this, 0, topologicalOrder);
    return topologicalOrder;
}

int VRX_network::ComputeHeights() {
    if (const int rc = BuildPostOrder(*this, 0, topologicalOrder)) return rc;
    // Reset first: with a cycle a child may come before its parent in the order.
    for (int h = 0; h < numSlots; h++) nodes[h].height = 0;
    int largest = 0;
    for (int i = topologicalOrder.GetCount() - 1; i >= 0; i--) {
        VRX_nodeEntry& entry = nodes[topologicalOrder[i]];
        int height = 0;
        for (int k = 0; k < entry.children.GetCount(); k++) {
            height = std::max(height, nodes[entry.children[k]].height + 1);
        }
        entry.height = height;
        largest = std::max(largest, height);
    }
    return largest;
}

bool VRX_network::IsDecisionNode(int handle) const {
    const int type = GetNodeType(handle);
    return type > 0 && (type & DefinitionBits::kDecision) != 0;
}

int VRX_network::GetInfluenceDiagramOrder(VRX_intArray& out) {
    out.Flush();
    if (const int rc = BuildPostOrder(*this, 0, topologicalOrder)) return rc;
    const VRX_intArray& order = topologicalOrder;
    try {
        std::vector<int> position(static_cast<size_t>(numSlots), 0);
        std::vector<char> placed(static_cast<size_t>(numSlots), 0);
        std::vector<int> group;
        for (int i = 0; i < order.GetCount(); i++) position[order[i]] = i;
        auto place = [&](int h) {
            placed[h] = 1;
            return out.Add(h);
        };
        for (int i = 0; i < order.GetCount(); i++) {
            const int d = order[i];
            if (!IsDecisionNode(d)) continue;
            group.clear();
            const VRX_intArray& parents = nodes[d].parents;
            for (int k = 0; k < parents.GetCount(); k++) {
                if (!placed[parents[k]]) group.push_back(parents[k]);
            }
            std::sort(group.begin(), group.end(), [&](int a, int b) { return position[a] < position[b]; });
            for (int p : group) {
                if (const int rc = place(p)) return rc;
            }
            if (!placed[d]) {
                if (const int rc = place(d)) return rc;
            }
        }
        for (int i = 0; i < order.GetCount(); i++) {
            if (placed[order[i]]) continue;
            if (const int rc = place(order[i])) return rc;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int VRX_network::SortByInfluenceDiagramOrder(VRX_intArray& list) {
    VRX_intArray order;
    if (const int rc = GetInfluenceDiagramOrder(order)) return rc;
    return KeepInOrder(order, numSlots, list);
}

void VRX_network::GetCostTopologicalOrder(VRX_intArray& out) {
    BuildPostOrder(*this, 1, out);
}

int VRX_network::SortByCostArcOrder(VRX_intArray& list) {
    VRX_intArray order;
    if (const int rc = BuildPostOrder(*this, 1, order)) return rc;
    return KeepInOrder(order, numSlots, list);
}

bool VRX_network::IsGroupCostNode(int handle) const {
    const VRX_node* node = GetNode(handle);
    if (node == nullptr || node->GetInfo() == nullptr) return false;
    const VRX_userProperties& properties = node->GetInfo()->userProperties;
    const int index = properties.FindProperty(kGroupCostProperty);
    if (index < 0) return false;
    const char* value = properties.GetPropertyValue(index);
    return value != nullptr && EqualsIgnoreCase(value, "True");
}

int VRX_network::SetFlagsOfAllNodes(int mask) {
    for (int h = 0; h < numSlots; h++) nodes[h].SetMark(mask);
    return kSuccess;
}
