// One slot of a network's node table: clean-up, copy and exchange of slots.
#include "model/node_entry.h"

#include <utility>

#include "base/status_codes.h"
#include "model/node.h"

VRX_nodeEntry::~VRX_nodeEntry() = default;

void VRX_nodeEntry::CleanUp(int deep) {
    flags = 0;
    if (deep) {
        parents.CleanUp();
        children.CleanUp();
        costParents.CleanUp();
        costChildren.CleanUp();
    }
    CheckValidity(0);
}

int VRX_nodeEntry::CopyFrom(const VRX_nodeEntry& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (this == &source) return kSuccess;
    if (const int rc = parents.Copy(source.parents)) return rc;
    if (const int rc = children.Copy(source.children)) return rc;
    if (const int rc = costParents.Copy(source.costParents)) return rc;
    if (const int rc = costChildren.Copy(source.costChildren)) return rc;
    flags = source.flags;
    temporalType = source.temporalType;
    height = source.height;
    return kSuccess;
}

void VRX_nodeEntry::Swap(VRX_nodeEntry& other) {
    if (this == &other) return;
    node.swap(other.node);
    parents.Swap(other.parents);
    children.Swap(other.children);
    costParents.Swap(other.costParents);
    costChildren.Swap(other.costChildren);
    std::swap(temporalType, other.temporalType);
    std::swap(flags, other.flags);
    std::swap(height, other.height);
    std::swap(walkEpoch, other.walkEpoch);
}
