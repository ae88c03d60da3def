// The dynamic-network member: slices, layout, queries, temporal evidence and temporal-type changes.
// The editing of temporal arcs and definitions is in temporal_arcs.cpp.
#include "model/temporal_extension.h"

#include <algorithm>

#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/node.h"
#include "model/node_definition.h"

VRX_temporalExtension::VRX_temporalExtension(VRX_network* owner) : network(owner) {
    // Definition nodes tell nobody of their changes: the owner network is told by the operations here.
    definitionNetwork.propagationFlags = 0;
}

VRX_temporalExtension::VRX_temporalExtension(const VRX_temporalExtension& source, VRX_network* owner)
    : network(owner),
      definitionOwners(source.definitionOwners),
      parentCopies(source.parentCopies),
      temporalDefinitions(source.temporalDefinitions),
      definitionNetwork(source.definitionNetwork),
      sliceCount(source.sliceCount),
      maxOrderCache(source.maxOrderCache),
      plateLeftWidth(source.plateLeftWidth),
      plateRightWidth(source.plateRightWidth) {
    (void)plateRect.Copy(source.plateRect);  // the source's rectangle is always valid
}

void VRX_temporalExtension::SetPlate(const VRX_rectangle& rect, int leftWidth, int rightWidth) {
    (void)plateRect.Copy(rect);  // an invalid rectangle leaves the plate's as it is
    plateLeftWidth = leftWidth;
    plateRightWidth = rightWidth;
}

void VRX_temporalExtension::GetPlate(VRX_rectangle& rect, int& leftWidth, int& rightWidth) const {
    (void)rect.Copy(plateRect);  // the plate's rectangle is always valid
    leftWidth = plateLeftWidth;
    rightWidth = plateRightWidth;
}

int VRX_temporalExtension::SetSliceCount(int count) {
    if (count < 1) return kInvalidData;
    sliceCount = count;
    auto dropLate = [count](auto& entries) {
        for (auto it = entries.begin(); it != entries.end();) {
            it = it->first.second >= count ? entries.erase(it) : std::next(it);
        }
    };
    dropLate(temporalEvidence);
    dropLate(temporalVirtualEvidence);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Helpers

bool VRX_temporalExtension::IsPlateNode(int node) const {
    return network != nullptr && network->IsLiveHandle(node) &&
           network->GetTemporalType(node) == TemporalType::kPlate;
}

int VRX_temporalExtension::CountSliceParents(int node) const {
    const VRX_intArray& parents = network->GetParents(node);
    int count = 0;
    for (int i = 0; i < parents.GetCount(); i++) {
        const int type = network->GetTemporalType(parents[i]);
        if (type == TemporalType::kNormal || type == TemporalType::kPlate) count++;
    }
    return count;
}

int VRX_temporalExtension::OwnerOf(int definitionNode) const {
    const auto it = definitionOwners.find(definitionNode);
    return it != definitionOwners.end() ? it->second : -1;
}

bool VRX_temporalExtension::HasTemporalTablesOver(int node) const {
    const auto own = temporalDefinitions.lower_bound({node, 0});
    if (own != temporalDefinitions.end() && own->first.first == node) return true;
    const auto copy = parentCopies.lower_bound({node, -1});
    return copy != parentCopies.end() && copy->first == node;
}

std::vector<int> VRX_temporalExtension::CopiesOf(int owner) const {
    std::vector<int> copies;
    for (auto it = parentCopies.lower_bound({owner, -1}); it != parentCopies.end() && it->first == owner;
         ++it)
        copies.push_back(it->second);
    return copies;
}

int VRX_temporalExtension::InheritedCount(std::map<Key, int>::const_iterator entry) const {
    if (entry != temporalDefinitions.begin()) {
        const auto previous = std::prev(entry);
        if (previous->first.first == entry->first.first)
            return definitionNetwork.GetNumberOfParents(previous->second);
    }
    return CountSliceParents(entry->first.first);
}

// ---------------------------------------------------------------------------------------------------
// Queries

int VRX_temporalExtension::GetMaxTemporalOrder() {
    if (maxOrderCache >= 0) return maxOrderCache;
    for (const auto& entry : temporalDefinitions) maxOrderCache = std::max(maxOrderCache, entry.first.second);
    return maxOrderCache;
}

int VRX_temporalExtension::GetMaxNodeTemporalOrder(int node) const {
    if (!IsPlateNode(node)) return kOutOfRange;
    auto it = temporalDefinitions.lower_bound({node + 1, 0});
    if (it == temporalDefinitions.begin()) return 0;
    --it;
    return it->first.first == node ? it->first.second : 0;
}

int VRX_temporalExtension::GetTemporalOrders(int node, VRX_intArray& out) const {
    if (!IsPlateNode(node)) return kOutOfRange;
    out.Flush();
    for (auto it = temporalDefinitions.lower_bound({node, 0});
         it != temporalDefinitions.end() && it->first.first == node; ++it) {
        if (const int rc = out.Add(it->first.second)) return rc;
    }
    return kSuccess;
}

bool VRX_temporalExtension::TemporalArcExists(int parent, int child, int order) const {
    if (order < 1 || !IsPlateNode(parent) || !IsPlateNode(child)) return false;
    return FindTemporalParentPosition(parent, child, order) >= 0;
}

int VRX_temporalExtension::FindTemporalParentPosition(int parent, int child, int order) const {
    const auto entry = temporalDefinitions.find({child, order});
    if (entry == temporalDefinitions.end()) return -1;
    const VRX_intArray& parents = definitionNetwork.GetParents(entry->second);
    for (int i = InheritedCount(entry); i < parents.GetCount(); i++) {
        if (OwnerOf(parents[i]) == parent) return i;
    }
    return -1;
}

int VRX_temporalExtension::GetTemporalParents(int node, int order, VRX_intArray& out) const {
    if (order < 1 || !IsPlateNode(node)) return kOutOfRange;
    out.Flush();
    const auto entry = temporalDefinitions.find({node, order});
    if (entry == temporalDefinitions.end()) return kSuccess;
    const VRX_intArray& parents = definitionNetwork.GetParents(entry->second);
    for (int i = InheritedCount(entry); i < parents.GetCount(); i++) {
        if (const int rc = out.Add(OwnerOf(parents[i]))) return rc;
    }
    return kSuccess;
}

int VRX_temporalExtension::GetTemporalChildren(int node, NodeOrderList& out) const {
    if (!IsPlateNode(node)) return kOutOfRange;
    out.clear();
    for (int copy : CopiesOf(node)) {
        const VRX_intArray& children = definitionNetwork.GetChildren(copy);
        for (int i = 0; i < children.GetCount(); i++) {
            const int definition = children[i];
            const int owner = OwnerOf(definition);
            for (auto it = temporalDefinitions.lower_bound({owner, 0});
                 it != temporalDefinitions.end() && it->first.first == owner; ++it) {
                if (it->second != definition) continue;
                const int position = definitionNetwork.GetParents(definition).FindPosition(copy);
                if (position >= InheritedCount(it)) out.emplace_back(owner, it->first.second);
            }
        }
    }
    return kSuccess;
}

int VRX_temporalExtension::GetUnrolledParents(int node, int limit, NodeOrderList& out,
                                              int& definitionNode) const {
    definitionNode = -1;
    out.clear();
    if (limit < 1 || !IsPlateNode(node)) return kOutOfRange;
    const int sliceParents = CountSliceParents(node);
    int from = sliceParents;
    bool first = true;
    for (auto it = temporalDefinitions.lower_bound({node, 0});
         it != temporalDefinitions.end() && it->first.first == node && it->first.second <= limit; ++it) {
        definitionNode = it->second;
        const VRX_intArray& parents = definitionNetwork.GetParents(it->second);
        if (first) {
            for (int i = 0; i < sliceParents && i < parents.GetCount(); i++)
                out.emplace_back(OwnerOf(parents[i]), 0);
            first = false;
        }
        for (int i = from; i < parents.GetCount(); i++)
            out.emplace_back(OwnerOf(parents[i]), it->first.second);
        from = parents.GetCount();
    }
    return kSuccess;
}

VRX_nodeDefinition* VRX_temporalExtension::GetTemporalDefinition(int node, int order) const {
    const auto entry = temporalDefinitions.find({node, order});
    if (entry == temporalDefinitions.end()) return nullptr;
    const VRX_node* definitionNode = definitionNetwork.GetNode(entry->second);
    return definitionNode != nullptr ? definitionNode->GetDefinition() : nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Temporal evidence

int VRX_temporalExtension::SetTemporalEvidence(int node, int slice, int outcome) {
    // A slice past the last would never be unrolled: refused rather than kept where nothing reads it.
    if (slice < 1 || slice >= sliceCount) return kOutOfRange;
    temporalEvidence[{node, slice}] = outcome;
    return kSuccess;
}

int VRX_temporalExtension::GetTemporalEvidence(int node, int slice) const {
    const auto it = temporalEvidence.find({node, slice});
    return it != temporalEvidence.end() ? it->second : kOutOfRange;
}

int VRX_temporalExtension::SetTemporalVirtualEvidence(int node, int slice,
                                                      const std::vector<double>& weights) {
    if (slice < 1 || slice >= sliceCount) return kOutOfRange;
    temporalVirtualEvidence[{node, slice}] = weights;
    return kSuccess;
}

const std::vector<double>* VRX_temporalExtension::GetTemporalVirtualEvidence(int node, int slice) const {
    const auto it = temporalVirtualEvidence.find({node, slice});
    return it != temporalVirtualEvidence.end() ? &it->second : nullptr;
}

void VRX_temporalExtension::ClearTemporalEvidence(int node, int slice) {
    temporalEvidence.erase({node, slice});
    temporalVirtualEvidence.erase({node, slice});
}

bool VRX_temporalExtension::HasTemporalEvidence(int node) const {
    const auto evidence = temporalEvidence.lower_bound({node, 0});
    if (evidence != temporalEvidence.end() && evidence->first.first == node) return true;
    const auto virtualEvidence = temporalVirtualEvidence.lower_bound({node, 0});
    return virtualEvidence != temporalVirtualEvidence.end() && virtualEvidence->first.first == node;
}

void VRX_temporalExtension::ClearAllTemporalEvidence() {
    temporalEvidence.clear();
    temporalVirtualEvidence.clear();
}

// ---------------------------------------------------------------------------------------------------
// Temporal types

int VRX_temporalExtension::SetTemporalType(int node, int newType) {
    if (!network->IsLiveHandle(node)) return kOutOfRange;
    if (newType < TemporalType::kNormal || newType > TemporalType::kPlate) return kInvalidData;
    if (network->GetTemporalType(node) == TemporalType::kPlate) {
        // A plate node must lose its temporal arcs, in and out, before it can leave the plate.
        const auto own = temporalDefinitions.lower_bound({node, 0});
        if (own != temporalDefinitions.end() && own->first.first == node) return kOutOfRange;
        NodeOrderList children;
        if (GetTemporalChildren(node, children) != kSuccess || !children.empty()) return kOutOfRange;
    }
    const VRX_intArray& parents = network->GetParents(node);
    const VRX_intArray& children = network->GetChildren(node);
    auto anyOf = [this](const VRX_intArray& list, auto test) {
        for (int i = 0; i < list.GetCount(); i++) {
            if (test(network->GetTemporalType(list[i]))) return true;
        }
        return false;
    };
    auto plateOrTerminal = [](int t) { return t == TemporalType::kPlate || t == TemporalType::kTerminal; };
    switch (newType) {
        case TemporalType::kNormal:
            if (anyOf(parents, plateOrTerminal)) return kOutOfRange;
            if (const int rc = CheckAnchorRelease(node)) return rc;
            AnchorReleased(node);
            break;
        case TemporalType::kAnchor: {
            if (anyOf(parents, plateOrTerminal)) return kOutOfRange;
            bool unlinked = false;
            for (int i = 0; i < children.GetCount(); i++) {
                const int child = children[i];
                if (network->GetTemporalType(child) != TemporalType::kPlate) continue;
                const int sliceParents = CountSliceParents(child);
                for (auto it = temporalDefinitions.lower_bound({child, 0});
                     it != temporalDefinitions.end() && it->first.first == child; ++it) {
                    const VRX_intArray& definitionParents = definitionNetwork.GetParents(it->second);
                    for (int k = 0; k < sliceParents && k < definitionParents.GetCount(); k++) {
                        if (OwnerOf(definitionParents[k]) != node) continue;
                        (void)definitionNetwork.RemoveArc(definitionParents[k], it->second);  // listed: holds
                        unlinked = true;
                        break;
                    }
                }
            }
            if (unlinked) TidyDefinitions(node, -1);
            break;
        }
        case TemporalType::kTerminal:
            if (anyOf(children, [](int t) { return t != TemporalType::kTerminal; })) return kOutOfRange;
            break;
        case TemporalType::kPlate:
            if (anyOf(parents, [](int t) { return t == TemporalType::kTerminal; }) ||
                anyOf(children,
                      [](int t) { return t == TemporalType::kNormal || t == TemporalType::kAnchor; }))
                return kOutOfRange;
            if (const int rc = CheckAnchorRelease(node)) return rc;
            AnchorReleased(node);
            break;
        default:
            return kInvalidData;
    }
    // Evidence of later slices belongs to plate nodes only.
    if (newType != TemporalType::kPlate) {
        for (auto it = temporalEvidence.lower_bound({node, 0});
             it != temporalEvidence.end() && it->first.first == node;)
            it = temporalEvidence.erase(it);
        for (auto it = temporalVirtualEvidence.lower_bound({node, 0});
             it != temporalVirtualEvidence.end() && it->first.first == node;)
            it = temporalVirtualEvidence.erase(it);
    }
    return kSuccess;
}

void VRX_temporalExtension::AnchorReleased(int node) {
    if (network->GetTemporalType(node) != TemporalType::kAnchor) return;
    const VRX_intArray& children = network->GetChildren(node);
    for (int i = 0; i < children.GetCount(); i++) {
        const int child = children[i];
        if (network->GetTemporalType(child) != TemporalType::kPlate) continue;
        const VRX_intArray& parents = network->GetParents(child);
        int position = 0;
        for (int k = 0; k < parents.GetCount() && parents[k] != node; k++) {
            if (network->GetTemporalType(parents[k]) != TemporalType::kAnchor) position++;
        }
        for (auto it = temporalDefinitions.lower_bound({child, 0});
             it != temporalDefinitions.end() && it->first.first == child; ++it) {
            // Only memory can fail it; the definition then lacks the parent's dimension.
            (void)AddParentToDefinition(node, it->second, position);
        }
    }
}
