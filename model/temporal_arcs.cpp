// Temporal arcs and the temporal definitions they shape, and how both follow the owner network's edits.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/kind_change_notices.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/refusal_reasons.h"
#include "model/temporal_extension.h"

using vovido::DefinitionAt;

namespace {

// Adds a node of the source node's type and outcome count to the network; -1 on failure.
int AddNodeLike(VRX_network& target, const VRX_network& sourceNetwork, int source) {
    VRX_nodeDefinition* sourceDefinition = DefinitionAt(sourceNetwork, source);
    if (sourceDefinition == nullptr) return -1;
    const int handle = target.AddNode(sourceDefinition->GetType(), nullptr);
    if (handle < 0) return -1;
    const int outcomes = sourceDefinition->GetNumberOfOutcomes();
    VRX_nodeDefinition* definition = DefinitionAt(target, handle);
    if (outcomes > 0 && definition->GetNumberOfOutcomes() != outcomes &&
        definition->SetNumberOfOutcomes(outcomes) != kSuccess) {
        (void)target.DeleteNode(handle);  // just added: live
        return -1;
    }
    return handle;
}

}  // namespace

int VRX_temporalExtension::AddDefinitionNode(int owner) {
    const int handle = AddNodeLike(definitionNetwork, *network, owner);
    if (handle < 0) return -1;
    try {
        definitionOwners[handle] = owner;
    } catch (const std::bad_alloc&) {
        (void)definitionNetwork.DeleteNode(handle);  // just added: live
        return -1;
    }
    return handle;
}

void VRX_temporalExtension::DeleteDefinitionNode(int definitionNode) {
    (void)definitionNetwork.DeleteNode(definitionNode);  // a node of the map: live
    definitionOwners.erase(definitionNode);
}

std::vector<VRX_nodeDefinition*> VRX_temporalExtension::DefinitionsOf(int node, bool copiesFirst) const {
    std::vector<VRX_nodeDefinition*> copies;
    std::vector<VRX_nodeDefinition*> definitions;
    for (int copy : CopiesOf(node)) copies.push_back(DefinitionAt(definitionNetwork, copy));
    for (auto it = temporalDefinitions.lower_bound({node, 0});
         it != temporalDefinitions.end() && it->first.first == node; ++it)
        definitions.push_back(DefinitionAt(definitionNetwork, it->second));
    std::vector<VRX_nodeDefinition*>& first = copiesFirst ? copies : definitions;
    const std::vector<VRX_nodeDefinition*>& second = copiesFirst ? definitions : copies;
    first.insert(first.end(), second.begin(), second.end());
    first.erase(std::remove(first.begin(), first.end(), nullptr), first.end());
    return first;
}

// ---------------------------------------------------------------------------------------------------
// Definitions

int VRX_temporalExtension::AddParentToDefinition(int parent, int definitionNode, int position) {
    const VRX_intArray& parents = definitionNetwork.GetParents(definitionNode);
    int copy = -1;
    for (int candidate : CopiesOf(parent)) {
        if (!parents.IsInList(candidate)) {
            copy = candidate;
            break;
        }
    }
    const bool made = copy < 0;
    if (made) {
        copy = AddDefinitionNode(parent);
        if (copy < 0) return kOutOfMemory;
        try {
            parentCopies.insert({parent, copy});
        } catch (const std::bad_alloc&) {
            DeleteDefinitionNode(copy);
            return kOutOfMemory;
        }
    }
    if (const int rc = definitionNetwork.AddArc(copy, definitionNode)) {
        if (made) {
            parentCopies.erase({parent, copy});
            DeleteDefinitionNode(copy);
        }
        return rc;
    }
    const int n = definitionNetwork.GetNumberOfParents(definitionNode);
    if (position < 0 || position >= n - 1) return kSuccess;
    // The new parent moves from the last place to position; the ones from position on move back one.
    VRX_intArray order;
    int rc = kSuccess;
    for (int i = 0; i < n && rc == kSuccess; i++)
        rc = order.Add(i < position ? i : (i == position ? n - 1 : i - 1));
    if (rc == kSuccess) rc = definitionNetwork.ReorderParents(definitionNode, order);
    if (rc != kSuccess) (void)definitionNetwork.RemoveArc(copy, definitionNode);  // just added
    return rc;
}

int VRX_temporalExtension::GetOrCreateTemporalDefinition(int node, int order) {
    const auto found = temporalDefinitions.find({node, order});
    if (found != temporalDefinitions.end()) return found->second;
    const int definition = AddDefinitionNode(node);
    if (definition < 0) return -1;
    std::map<Key, int>::iterator entry;
    try {
        entry = temporalDefinitions.emplace(Key{node, order}, definition).first;
    } catch (const std::bad_alloc&) {
        DeleteDefinitionNode(definition);
        return -1;
    }
    if (BuildTemporalDefinition(node, definition, entry) != kSuccess) {
        temporalDefinitions.erase(entry);
        DeleteDefinitionNode(definition);
        RemoveUnusedCopies();
        return -1;
    }
    return definition;
}

// Gives a new definition node its inherited parents and parameters: those of the node's definition of
// the next-lower order, or else the node's slice parents and own parameters.
int VRX_temporalExtension::BuildTemporalDefinition(int node, int definitionNode,
                                                   std::map<Key, int>::iterator entry) {
    VRX_nodeDefinition* target = DefinitionAt(definitionNetwork, definitionNode);
    if (entry != temporalDefinitions.begin() && std::prev(entry)->first.first == node) {
        const int lower = std::prev(entry)->second;
        const VRX_intArray parents = definitionNetwork.GetParents(lower);
        for (int i = 0; i < parents.GetCount(); i++) {
            if (const int rc = definitionNetwork.AddArc(parents[i], definitionNode)) return rc;
        }
        return DefinitionAt(definitionNetwork, lower)->CopyParameters(*target);
    }
    const VRX_intArray& parents = network->GetParents(node);
    for (int i = 0; i < parents.GetCount(); i++) {
        const int parent = parents[i];
        const int type = network->GetTemporalType(parent);
        if (type != TemporalType::kNormal && type != TemporalType::kPlate) continue;
        const std::vector<int> copies = CopiesOf(parent);
        int copy = copies.empty() ? -1 : copies.front();
        if (copy < 0) {
            copy = AddDefinitionNode(parent);
            if (copy < 0) return kOutOfMemory;
            try {
                parentCopies.insert({parent, copy});
            } catch (const std::bad_alloc&) {
                DeleteDefinitionNode(copy);
                return kOutOfMemory;
            }
        }
        if (const int rc = definitionNetwork.AddArc(copy, definitionNode)) return rc;
    }
    if (definitionNetwork.GetNumberOfParents(definitionNode) == parents.GetCount())
        return DefinitionAt(*network, node)->CopyParameters(*target);
    return CopyOwnParametersWithoutOuterParents(node, definitionNode);
}

// The node has anchor or terminal parents, whose dimensions the temporal definition lacks: its
// parameters are copied onto a stand-in with all its parents, which then drops those dimensions as any
// definition does when it loses a parent.
int VRX_temporalExtension::CopyOwnParametersWithoutOuterParents(int node, int definitionNode) {
    VRX_network scratch;
    scratch.propagationFlags = 0;
    const int standIn = AddNodeLike(scratch, *network, node);
    if (standIn < 0) return kOutOfMemory;
    const VRX_intArray& parents = network->GetParents(node);
    std::vector<int> outer;
    for (int i = 0; i < parents.GetCount(); i++) {
        const int parent = AddNodeLike(scratch, *network, parents[i]);
        if (parent < 0) return kOutOfMemory;
        if (const int rc = scratch.AddArc(parent, standIn)) return rc;
        const int type = network->GetTemporalType(parents[i]);
        if (type == TemporalType::kAnchor || type == TemporalType::kTerminal) outer.push_back(parent);
    }
    VRX_nodeDefinition* standInDefinition = DefinitionAt(scratch, standIn);
    if (const int rc = DefinitionAt(*network, node)->CopyParameters(*standInDefinition)) return rc;
    for (int parent : outer) {
        if (const int rc = scratch.RemoveArc(parent, standIn)) return rc;
    }
    return standInDefinition->CopyParameters(*DefinitionAt(definitionNetwork, definitionNode));
}

// ---------------------------------------------------------------------------------------------------
// Temporal arcs

int VRX_temporalExtension::AddTemporalArc(int parent, int child, int order) {
    if (network == nullptr) return kOutOfRange;
    const vovido::ArcRule broken = vovido::FindTemporalArcRuleBroken(*network, parent, child, order);
    if (broken != vovido::ArcRule::kNone) return vovido::ArcRuleCode(broken);
    if (const int rc = CheckTemporalArcSize(parent, child, order)) return rc;
    const bool existed = temporalDefinitions.count({child, order}) != 0;
    const int mark = errorLog.GetNumberOfEntries();
    // What the definition nodes refuse is told of the caller's nodes: they are our own.
    const auto refuseKinds = [this, parent, child, mark](int code) {
        errorLog.Truncate(mark);
        const auto kind = [this](int handle) { return vovido::KindNodeText(DefinitionAt(*network, handle)); };
        return vovido::ReportNodeFault(*network->GetNode(child),
                                       "a temporal arc from [" + vovido::NodeLabel(*network, parent) +
                                           "] is refused: " + kind(child) + " does not take " + kind(parent) +
                                           " as a parent",
                                       code);
    };
    const int definition = GetOrCreateTemporalDefinition(child, order);
    // The lower order's parents that a new definition takes over may be refused by its kind.
    if (definition < 0)
        return errorLog.GetNumberOfEntries() > mark ? refuseKinds(kWrongNodeType) : kOutOfMemory;
    const int position = definitionNetwork.GetNumberOfParents(definition);
    std::vector<int> done;
    int rc = kSuccess;
    for (auto it = temporalDefinitions.find({child, order});
         it != temporalDefinitions.end() && it->first.first == child; ++it) {
        rc = AddParentToDefinition(parent, it->second, position);
        if (rc == kOutOfMemory) {
            // The table that memory could not hold belongs to a definition node of our own: the caller's
            // node is named instead.
            const int64_t factor = PlateDimensions({parent});
            const int64_t own = DefinitionCells(it->second);
            const int64_t cells = factor > 0 && own > INT64_MAX / factor ? INT64_MAX : own * factor;
            errorLog.Truncate(mark);
            (void)vovido::ReportNodeFault(
                *network->GetNode(child),
                "no memory for its temporal table of " + std::to_string(cells) + " cells", kOutOfMemory);
        } else if (rc != kSuccess) {
            (void)refuseKinds(rc);
        }
        if (rc != kSuccess) break;
        done.push_back(it->second);
    }
    if (rc != kSuccess) {
        // Back to where the call started: the parent leaves the definitions it joined.
        for (int d : done) {
            const VRX_intArray& parents = definitionNetwork.GetParents(d);
            if (position < parents.GetCount()) (void)definitionNetwork.RemoveArc(parents[position], d);
        }
        if (!existed) {
            temporalDefinitions.erase({child, order});
            DeleteDefinitionNode(definition);
        }
        RemoveUnusedCopies();
        return rc;
    }
    maxOrderCache = -1;
    return kSuccess;
}

int VRX_temporalExtension::RemoveTemporalArc(int parent, int child, int order) {
    if (order < 1 || !IsPlateNode(parent) || !IsPlateNode(child)) return kOutOfRange;
    const int position = FindTemporalParentPosition(parent, child, order);
    if (position < 0) return kOutOfRange;
    maxOrderCache = -1;
    for (auto it = temporalDefinitions.find({child, order});
         it != temporalDefinitions.end() && it->first.first == child; ++it) {
        const VRX_intArray& parents = definitionNetwork.GetParents(it->second);
        if (position < parents.GetCount()) (void)definitionNetwork.RemoveArc(parents[position], it->second);
    }
    TidyDefinitions(-1, -1);
    return kSuccess;
}

void VRX_temporalExtension::TidyDefinitions(int removedParent, int onlyChild) {
    const bool parentCounted = removedParent >= 0 && network->IsLiveHandle(removedParent) &&
                               (network->GetTemporalType(removedParent) == TemporalType::kNormal ||
                                network->GetTemporalType(removedParent) == TemporalType::kPlate);
    int previousNode = -1;
    int previousReference = 0;
    int previousCount = 0;
    bool previousDeleted = false;
    for (auto it = temporalDefinitions.begin(); it != temporalDefinitions.end();) {
        const int node = it->first.first;
        int reference;
        if (node != previousNode) {
            reference = CountSliceParents(node);
            if (parentCounted && (onlyChild < 0 || onlyChild == node) &&
                network->GetParents(node).IsInList(removedParent))
                reference--;
        } else {
            reference = previousDeleted ? previousReference : previousCount;
        }
        const int count = definitionNetwork.GetNumberOfParents(it->second);
        previousNode = node;
        previousReference = reference;
        previousCount = count;
        previousDeleted = count == reference;
        if (previousDeleted) {
            DeleteDefinitionNode(it->second);
            it = temporalDefinitions.erase(it);
            maxOrderCache = -1;
        } else {
            ++it;
        }
    }
    RemoveUnusedCopies();
}

void VRX_temporalExtension::RemoveUnusedCopies() {
    for (auto it = parentCopies.begin(); it != parentCopies.end();) {
        if (definitionNetwork.GetNumberOfChildren(it->second) == 0) {
            DeleteDefinitionNode(it->second);
            it = parentCopies.erase(it);
        } else {
            ++it;
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Notices of the owner network

void VRX_temporalExtension::OnArcAdded(int parent, int child) {
    if (network->GetTemporalType(child) != TemporalType::kPlate) return;
    const int parentType = network->GetTemporalType(parent);
    if (parentType != TemporalType::kNormal && parentType != TemporalType::kPlate) return;
    const int position = CountSliceParents(child) - 1;
    for (auto it = temporalDefinitions.lower_bound({child, 0});
         it != temporalDefinitions.end() && it->first.first == child; ++it) {
        // Only memory can fail it; the definition then lacks the parent's dimension.
        (void)AddParentToDefinition(parent, it->second, position);
    }
}

void VRX_temporalExtension::OnArcRemoved(int parent, int child) {
    if (network->GetTemporalType(child) != TemporalType::kPlate) return;
    const int parentType = network->GetTemporalType(parent);
    if (parentType != TemporalType::kNormal && parentType != TemporalType::kPlate) return;
    const int sliceParents = CountSliceParents(child);
    bool removed = false;
    for (auto it = temporalDefinitions.lower_bound({child, 0});
         it != temporalDefinitions.end() && it->first.first == child; ++it) {
        const VRX_intArray& parents = definitionNetwork.GetParents(it->second);
        for (int i = 0; i < sliceParents && i < parents.GetCount(); i++) {
            if (OwnerOf(parents[i]) != parent) continue;
            (void)definitionNetwork.RemoveArc(parents[i], it->second);  // listed: holds
            removed = true;
            break;
        }
    }
    if (removed) TidyDefinitions(parent, child);
}

void VRX_temporalExtension::OnNodeDeleted(int node) {
    for (auto it = temporalDefinitions.lower_bound({node, 0});
         it != temporalDefinitions.end() && it->first.first == node;) {
        DeleteDefinitionNode(it->second);
        it = temporalDefinitions.erase(it);
    }
    for (int copy : CopiesOf(node)) {
        DeleteDefinitionNode(copy);
        parentCopies.erase({node, copy});
    }
    for (auto it = temporalEvidence.lower_bound({node, 0});
         it != temporalEvidence.end() && it->first.first == node;)
        it = temporalEvidence.erase(it);
    for (auto it = temporalVirtualEvidence.lower_bound({node, 0});
         it != temporalVirtualEvidence.end() && it->first.first == node;)
        it = temporalVirtualEvidence.erase(it);
    TidyDefinitions(-1, -1);
    maxOrderCache = -1;
}

void VRX_temporalExtension::OnNodeTypeChanged(int node) {
    const int type = network->GetNodeType(node);
    if (type <= 0) return;
    std::vector<int> handles = CopiesOf(node);
    // The parents of the node's own definitions before the change. A temporal arc from the node to itself
    // joins two nodes of the definition network that change kind one after the other, and the first
    // change drops the arc as one between different kinds: it is put back once both have changed.
    std::vector<std::pair<int, std::vector<int>>> former;
    for (auto it = temporalDefinitions.lower_bound({node, 0});
         it != temporalDefinitions.end() && it->first.first == node; ++it) {
        handles.push_back(it->second);
        const VRX_intArray& parents = definitionNetwork.GetParents(it->second);
        former.emplace_back(it->second,
                            std::vector<int>(parents.GetItems(), parents.GetItems() + parents.GetCount()));
    }
    const int arcsBefore = CountTemporalArcs(node);
    // What these conversions report is about nodes of our own: the owner's change has been reported.
    const int mark = errorLog.GetNumberOfEntries();
    for (int h : handles) {
        // A kind the copy cannot take keeps the copy's; the owner's change has been made all the same.
        if (VRX_node* copy = definitionNetwork.GetNode(h)) (void)copy->ChangeType(type);
    }
    // A copy of the node that the new kind takes goes back to its former place; one it does not take (a
    // kind without parents of its own kind) stays out.
    for (const auto& [definition, parents] : former) {
        int place = 0;
        for (const int parent : parents) {
            if (definitionNetwork.GetParents(definition).IsInList(parent) ||
                (OwnerOf(parent) == node && AddParentToDefinition(node, definition, place) == kSuccess))
                ++place;
        }
    }
    // Definitions left without a temporal parent go, as when their last temporal arc is removed.
    TidyDefinitions(-1, -1);
    // A kind without outcomes has no temporal table over them to hold, nor any a file could keep.
    if (!vovido::IsDiscreteType(type)) RemoveTemporalArcsOf(node);
    errorLog.Truncate(mark);
    maxOrderCache = -1;
    const int dropped = arcsBefore - CountTemporalArcs(node);
    if (dropped > 0) vovido::ReportTemporalArcsDropped(*network, node, dropped);
}

void VRX_temporalExtension::RemoveTemporalArcsOf(int node) {
    std::vector<std::pair<int, std::pair<int, int>>> arcs;  // parent, (child, order)
    VRX_intArray orders;
    VRX_intArray parents;
    if (GetTemporalOrders(node, orders) == kSuccess) {
        for (int i = 0; i < orders.GetCount(); ++i) {
            if (GetTemporalParents(node, orders[i], parents) != kSuccess) continue;
            for (int k = 0; k < parents.GetCount(); ++k) arcs.push_back({parents[k], {node, orders[i]}});
        }
    }
    NodeOrderList children;
    if (GetTemporalChildren(node, children) == kSuccess) {
        for (const auto& child : children) {
            if (child.first != node) arcs.push_back({node, child});
        }
    }
    for (const auto& arc : arcs) (void)RemoveTemporalArc(arc.first, arc.second.first, arc.second.second);
}

int VRX_temporalExtension::CountTemporalArcs(int node) const {
    int count = 0;
    for (auto it = temporalDefinitions.lower_bound({node, 0});
         it != temporalDefinitions.end() && it->first.first == node; ++it)
        count += definitionNetwork.GetNumberOfParents(it->second) - InheritedCount(it);
    NodeOrderList children;
    if (GetTemporalChildren(node, children) == kSuccess) {
        for (const auto& child : children) count += child.first != node ? 1 : 0;
    }
    return count;
}

void VRX_temporalExtension::OnOutcomeInserted(int node, int position) {
    VRX_nodeDefinition* own = DefinitionAt(*network, node);
    const int count = own != nullptr ? own->GetNumberOfOutcomes() : -1;
    for (VRX_nodeDefinition* definition : DefinitionsOf(node, true)) {
        // Only memory can fail these; the copies then keep their outcome count.
        if (position + 1 == count) {
            (void)definition->AddOutcome(nullptr);
        } else {
            (void)definition->InsertOutcome(position, nullptr);
        }
    }
    FollowOutcomeEdit(node, position, true);
}

void VRX_temporalExtension::OnOutcomeRemoved(int node, int position) {
    for (VRX_nodeDefinition* definition : DefinitionsOf(node, false))
        (void)definition->RemoveOutcome(position);
    FollowOutcomeEdit(node, position, false);
}

// Evidence of later slices keeps naming the same outcomes: observed outcomes move with the edit, the
// evidence of a removed one goes, and likelihoods, which no longer fit the outcomes, go too.
void VRX_temporalExtension::FollowOutcomeEdit(int node, int position, bool inserted) {
    for (auto it = temporalEvidence.lower_bound({node, 0});
         it != temporalEvidence.end() && it->first.first == node;) {
        if (!inserted && it->second == position) {
            it = temporalEvidence.erase(it);
            continue;
        }
        if (it->second >= position) it->second += inserted ? 1 : -1;
        ++it;
    }
    for (auto it = temporalVirtualEvidence.lower_bound({node, 0});
         it != temporalVirtualEvidence.end() && it->first.first == node;)
        it = temporalVirtualEvidence.erase(it);
}

// The slice tables follow a reordering of the node's outcomes, so that each row keeps its meaning.
void VRX_temporalExtension::OnOutcomesReordered(int node, const VRX_intArray& order) {
    for (VRX_nodeDefinition* definition : DefinitionsOf(node, true))
        (void)definition->ChangeOrderOfOutcomes(order);
    for (auto it = temporalEvidence.lower_bound({node, 0});
         it != temporalEvidence.end() && it->first.first == node; ++it)
        it->second = order.FindPosition(it->second);
    for (auto it = temporalVirtualEvidence.lower_bound({node, 0});
         it != temporalVirtualEvidence.end() && it->first.first == node;)
        it = temporalVirtualEvidence.erase(it);
}
