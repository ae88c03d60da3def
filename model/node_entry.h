#pragma once
// One slot of a network's node table: the node, its arc lists of both kinds and the walk marks.

#include "base/int_array.h"
#include "base/vrx_object.h"

#include <cstdint>
#include <memory>

class VRX_node;

// Marks kept in VRX_nodeEntry::flags.
namespace SlotMarks {
constexpr int kTarget = 1;
constexpr int kVisited = 2;
constexpr int kAncestor = 4;
constexpr int kDescendant = 8;
constexpr int kPlaced = 16;
constexpr int kOnPath = 32;
constexpr int kVisitedLeaf = 64;
constexpr int kFromChild = 0x80;
constexpr int kFromParent = 0x100;
constexpr int kClearingEvidence = 0x200;
constexpr int kInRegion = 0x800;  // among the nodes an edit re-propagates around
}  // namespace SlotMarks

namespace TemporalType {
constexpr int kNormal = 0;
constexpr int kAnchor = 1;
constexpr int kTerminal = 2;
constexpr int kPlate = 3;
}  // namespace TemporalType

class VRX_nodeEntry : public VRX_object {
public:
    VRX_nodeEntry() = default;
    ~VRX_nodeEntry() override;

    // Clears the marks; with deep set also frees the four arc lists.
    void CleanUp(int deep) override;
    // Copies the lists, marks and temporal type; the network gives the slot its own node copy.
    [[nodiscard]] int CopyFrom(const VRX_nodeEntry& source);
    void Swap(VRX_nodeEntry& other);

    bool IsFree() const { return node == nullptr; }
    VRX_intArray& Parents(int arcKind) { return arcKind == 1 ? costParents : parents; }
    VRX_intArray& Children(int arcKind) { return arcKind == 1 ? costChildren : children; }
    bool HasMark(int mark) const { return (flags & mark) != 0; }
    void SetMark(int mark) { flags |= mark; }
    void ClearMark(int mark) { flags &= ~mark; }

    std::unique_ptr<VRX_node> node;
    VRX_intArray parents;
    VRX_intArray children;
    VRX_intArray costParents;
    VRX_intArray costChildren;
    int temporalType = TemporalType::kNormal;
    int flags = 0;
    int height = 0;
    // Stamp of the last lazily marked invalidation walk that cleared this slot's walk marks.
    uint64_t walkEpoch = 0;
};
