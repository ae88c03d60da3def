// The network object: construction, copies, clean-up, validity checks and the node table with its
// handles and identifiers.
#include "model/network.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "model/header.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/node_label.h"
#include "model/notices_off.h"
#include "model/saved_case.h"
#include "model/submodel.h"
#include "model/temporal_extension.h"

namespace {

constexpr int kDefaultSlots = 50;
constexpr int kDefaultIncrement = 50;
constexpr char kUnnamed[] = "Unnamed";

bool IsReservedId(const char* id) {
    return id != nullptr && id[0] == '@';
}

// The main submodel carries the network's header; a network always has one, also after a model-only
// copy (which copies no submodels) or a failed copy.
void ResetSubmodels(VRX_network& net) {
    VRX_submodelHandler& handler = net.GetSubmodelHandler();
    if (handler.SetNetworkAndReset(&net) != kSuccess) return;
    if (VRX_header* header = net.GetHeader()) {
        // Fixed valid texts: only memory can fail them, and then the header keeps its old ones.
        (void)header->SetId(kUnnamed);
        (void)header->SetName(kUnnamed);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Construction and life cycle

VRX_network::VRX_network() : VRX_object(kConsistent) {
    InitializeMembers();
    if (Initialize(kDefaultSlots, kDefaultIncrement) != kSuccess) SetFlag(kValid, false);
}

VRX_network::VRX_network(const VRX_network& source, ModelOnly) : VRX_object(kConsistent) {
    InitializeMembers();
    // A failed copy must not pass for the source's model.
    if (Initialize(kDefaultSlots, kDefaultIncrement) != kSuccess || CopyModelOnly(source) != kSuccess) {
        SetFlag(kValid, false);
    }
}

VRX_network::VRX_network(const VRX_network& source) : VRX_object(kConsistent) {
    InitializeMembers();
    if (Initialize(kDefaultSlots, kDefaultIncrement) != kSuccess || CopyFrom(source, false) != kSuccess) {
        SetFlag(kValid, false);
        return;
    }
    for (int h = 0; h < numSlots; h++) {
        if (nodes[h].node == nullptr || nodes[h].node->IsValid()) continue;
        if (DeleteNode(h) != kSuccess) {
            SetFlag(kValid, false);
            return;
        }
    }
    SetFlag(kValid, true);
}

VRX_network::~VRX_network() {
    CleanUp(0);
    cases.reset();
    submodels.reset();
}

void VRX_network::InitializeMembers() {
    submodels = std::make_unique<VRX_submodelHandler>();
    static_cast<VRX_networkSettings&>(*this) = VRX_networkSettings();
    readingFlags = 0;
    cases = std::make_unique<VRX_caseList>(this);
    nodes.reset();
    numSlots = 0;
    capacity_ = 0;
    numNodes = 0;
    numTargets = 0;
}

int VRX_network::Initialize(int slots, int increment) {
    CleanUp(1);
    if (slots < 1) slots = kDefaultSlots;
    if (increment < 1) increment = kDefaultIncrement;
    slotIncrement = increment;
    nodes.reset(new (std::nothrow) VRX_nodeEntry[slots]);
    if (!nodes) return kOutOfMemory;
    numSlots = slots;
    capacity_ = slots;
    ResetSubmodels(*this);
    CheckValidity(0);
    return kSuccess;
}

void VRX_network::CleanUp(int deep) {
    if (deep) {
        for (int h = 0; h < numSlots; h++) nodes[h].CleanUp(1);
        creation.CleanUp(1);
        userProperties.CleanUp(1);
        if (submodels) submodels->CleanUp(1);
        if (cases) cases->DeleteAllCases();
        temporalExtension.reset();
    }
    DropTable();
    // The counts and the fault name format start over; the algorithm codes and records stay.
    const VRX_networkSettings defaults;
    slotIncrement = defaults.slotIncrement;
    numSamples = defaults.numSamples;
    discSamples = defaults.discSamples;
    faultNameFormat = defaults.faultNameFormat;
    CheckValidity(0);
}

void VRX_network::DropTable() {
    // The slots own their nodes: freeing the table deletes them. The counters are reset first, so that
    // nothing the nodes' destruction asks of the network reaches into the table being freed.
    std::unique_ptr<VRX_nodeEntry[]> table = std::move(nodes);
    numSlots = 0;
    capacity_ = 0;
    numNodes = 0;
    numTargets = 0;
    ResetTableBookkeeping();
    table.reset();
}

void VRX_network::ResetTableBookkeeping() {
    capacity_ = numSlots;
    lowestFreeHint_ = 0;
    idIndex_.Clear();
    idIndex_.MarkIncomplete();
    evidenceHolders_.clear();
    evidenceHoldersComplete_ = false;
    // Nodes that came with their values may bring current ones.
    valuesMayBeCurrent_ = numNodes > 0;
    // And propagated evidence that the next edit finds again over the whole table.
    propagationCurrent_ = false;
    propagatedAlone_.clear();
}

void VRX_network::CheckValidity(int deep) {
    if (deep) {
        creation.CheckValidity(1);
        userProperties.CheckValidity(1);
        if (submodels) submodels->CheckValidity(1);
        for (int h = 0; h < numSlots; h++) {
            if (nodes[h].node) nodes[h].node->CheckValidity(1);
        }
    }
    for (int h = 0; h < numSlots; h++) {
        if (nodes[h].node == nullptr || nodes[h].node->IsValid()) continue;
        if (DeleteNode(h) != kSuccess) {
            SetFlag(kValid, false);
            return;
        }
    }
    SetFlag(kValid, true);
}

void VRX_network::CheckConsistency(int deep) {
    if (deep) {
        creation.CheckConsistency(1);
        userProperties.CheckConsistency(1);
        if (submodels) submodels->CheckConsistency(1);
    }
    if (!creation.IsConsistent() || (submodels && !submodels->IsConsistent()) ||
        !userProperties.IsConsistent()) {
        SetFlag(kConsistent, false);
        return;
    }
    for (int h = 0; h < numSlots; h++) {
        VRX_node* node = nodes[h].node.get();
        if (node == nullptr) continue;
        if (deep) node->CheckConsistency(1);
        if (!node->IsConsistent()) {
            const std::string message = "ERROR: Node [" + vovido::NodeLabel(*this, h) +
                                        "] is not consistent. Inference may not be correct";
            LogError(errorLog, kObjectNotConsistent, message.c_str(), nullptr);
            SetFlag(kConsistent, false);
            return;
        }
    }
    SetFlag(kConsistent, true);
}

// ---------------------------------------------------------------------------------------------------
// Copies

// Builds this network's table as a copy of the source's slots, each live node copied whole or, for a
// model-only copy, without its descriptive record. On failure the caller drops the table.
int VRX_network::CopyTableFrom(const VRX_network& source, bool modelOnly) {
    // A copied definition is built against its source's network and reports itself as a new definition
    // there; the source's model does not change, so its beliefs must not be marked out of date (nor
    // updated again): its notices stay off while its nodes are copied.
    const vovido::NoticesOff quiet(const_cast<VRX_network&>(source));
    if (source.numSlots > 0) {
        nodes.reset(new (std::nothrow) VRX_nodeEntry[source.numSlots]);
        if (!nodes) return kOutOfMemory;
    }
    numSlots = source.numSlots;
    capacity_ = numSlots;
    for (int h = 0; h < numSlots; h++) {
        const VRX_nodeEntry& from = source.nodes[h];
        if (const int rc = nodes[h].CopyFrom(from)) return rc;
        if (from.node == nullptr) continue;
        std::unique_ptr<VRX_node> copy;
        // Nodes of a model-only network stay without descriptive record in any copy.
        if (modelOnly || from.node->GetInfo() == nullptr) {
            copy = std::make_unique<VRX_node>(0, h, nullptr);
            if (const int rc = copy->AssignParts(*from.node)) return rc;
            // A part that could not be copied must not pass for the source's model.
            if (!copy->IsValid()) return kObjectNotValid;
        } else {
            // An invalid copy is kept here and deleted by the validity check that ends the copy.
            copy = std::make_unique<VRX_node>(*from.node);
        }
        if (const int rc = copy->SetNetwork(this)) {
            if (modelOnly || from.node->IsValid()) return rc;
        }
        nodes[h].node = std::move(copy);
    }
    numNodes = source.numNodes;
    numTargets = source.numTargets;
    ResetTableBookkeeping();
    return kSuccess;
}

int VRX_network::CopyModelOnly(const VRX_network& source) {
    if (&source == this) return kSuccess;
    if (!source.IsValid()) return kObjectNotValid;
    CleanUp(1);
    int rc;
    try {
        ResetSubmodels(*this);
        rc = CopyTableFrom(source, true);
    } catch (const std::bad_alloc&) {
        rc = kOutOfMemory;
    }
    if (rc != kSuccess) {
        DropTable();
        return rc;
    }
    try {
        sourceIds_ = source.SourceIdsForCopy();
    } catch (const std::bad_alloc&) {
        sourceIds_.reset();  // messages then name the nodes by handle
    }
    // The records passed their setters' tests when they were set, so one assignment copies all.
    static_cast<VRX_networkSettings&>(*this) = source.Settings();
    SetFlag(kValid, true);
    return kSuccess;
}

std::shared_ptr<const std::vector<std::string>> VRX_network::SourceIdsForCopy() const {
    // A copy of a copy shares its source's identifiers, unless nodes added to the copy have their own.
    bool ownIds = false;
    for (int h = 0; h < numSlots && !ownIds; h++) ownIds = nodes[h].node && nodes[h].node->GetId() != nullptr;
    if (sourceIds_ && !ownIds) return sourceIds_;
    auto ids = std::make_shared<std::vector<std::string>>(static_cast<size_t>(numSlots));
    for (int h = 0; h < numSlots; h++) {
        const char* id = nodes[h].node ? nodes[h].node->GetId() : nullptr;
        if (id == nullptr) id = GetSourceId(h);
        if (id != nullptr) (*ids)[static_cast<size_t>(h)] = id;
    }
    return ids;
}

const char* VRX_network::GetSourceId(int handle) const {
    if (!sourceIds_ || handle < 0 || static_cast<size_t>(handle) >= sourceIds_->size()) return nullptr;
    const std::string& id = (*sourceIds_)[static_cast<size_t>(handle)];
    return id.empty() ? nullptr : id.c_str();
}

int VRX_network::CopyFrom(const VRX_network& source, bool staticCopy) {
    if (&source == this) return kSuccess;
    if (!source.IsValid()) return kObjectNotValid;
    const bool syncWas = cases->IsSyncEnabled();
    cases->EnableSync(false);
    CleanUp(1);
    int rc = kSuccess;
    try {
        rc = CopyTableFrom(source, false);
        if (rc == kSuccess && staticCopy) {
            for (int h = 0; h < numSlots; h++) nodes[h].temporalType = TemporalType::kNormal;
        }
        if (rc == kSuccess) rc = creation.Copy(source.creation);
        if (rc == kSuccess) rc = userProperties.Copy(source.userProperties);
        if (rc == kSuccess) {
            rc = submodels->Copy(*source.submodels);
            submodels->SetNetwork(this);
            submodels->CheckValidity(0);
        }
        if (rc == kSuccess) rc = topologicalOrder.Copy(source.topologicalOrder);
        if (rc == kSuccess) sourceIds_ = source.sourceIds_;
        if (rc == kSuccess && !staticCopy && source.temporalExtension) {
            temporalExtension = std::make_unique<VRX_temporalExtension>(*source.temporalExtension, this);
            if (!temporalExtension->IsValid()) rc = kOutOfMemory;
        }
        if (rc == kSuccess) {
            cases = std::make_unique<VRX_caseList>(this, *source.cases);
        }
    } catch (const std::bad_alloc&) {
        rc = kOutOfMemory;
    }
    if (rc != kSuccess) {
        DropTable();
        temporalExtension.reset();
        topologicalOrder.Flush();
        if (!submodels->IsValid() || GetHeader() == nullptr) ResetSubmodels(*this);
        cases->EnableSync(syncWas);
        return rc;
    }
    // The records passed their setters' tests when they were set, so one assignment copies all.
    static_cast<VRX_networkSettings&>(*this) = source.Settings();
    CheckValidity(0);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Node table

int VRX_network::AddNode(int typeCode, const char* id) {
    // Refused before the table is touched, so no node without a definition is ever left behind.
    if (!VRX_node::IsKnownTypeCode(typeCode)) return VRX_node::RefuseUnknownTypeCode(typeCode);
    int handle = -1;
    bool counted = false;
    int rc = kSuccess;
    try {
        std::string generated;
        bool vetted = false;
        if (id == nullptr) {
            generated = GenerateNodeId();
        } else if (!(readingFlags & ReadingFlags::kAllowDuplicateIds)) {
            if (IsIdInUse(id, -1)) return RefuseTakenId(id, -1, kOutOfRange);
            vetted = true;
        }
        handle = FindFreeSlot();
        if (handle < 0) return handle;
        VRX_nodeEntry& slot = nodes[handle];
        slot.node = std::make_unique<VRX_node>(0, handle, this);
        slot.temporalType = TemporalType::kNormal;
        VRX_node& node = *slot.node;
        if (node.GetInfo() == nullptr || !node.HasCost()) {
            rc = kOutOfMemory;
        } else if (SetNewNodeId(node, id != nullptr ? id : generated.c_str(), vetted) != kSuccess) {
            // An illegal or reserved identifier falls back to a generated one; the text stays the name.
            if (id != nullptr) generated = GenerateNodeId();
            if (id == nullptr || node.SetId(generated.c_str()) != kSuccess) rc = kOutOfRange;
        }
        if (rc == kSuccess) rc = node.GetInfo()->header.SetName(id != nullptr ? id : generated.c_str());
        if (rc == kSuccess) {
            slot.flags = 0;
            numNodes++;
            counted = true;
            int defRc = node.CreateDefinition(typeCode);
            if (defRc != kSuccess) LogError(errorLog, defRc, nullptr, nullptr);
            int valRc = node.CreateValue(typeCode);
            if (valRc != kSuccess) LogError(errorLog, valRc, nullptr, nullptr);
            // Out of memory adds no node at all.
            if (defRc == kOutOfMemory || valRc == kOutOfMemory) rc = kOutOfMemory;
        }
        if (rc == kSuccess) {
            (void)node.ApplyDefaultScreenInfo();  // defaults that cannot be applied leave the node's own
            node.CheckValidity(1);
            return handle;
        }
    } catch (const std::bad_alloc&) {
        rc = kOutOfMemory;
    }
    if (handle >= 0 && handle < numSlots) {
        ReleaseNode(handle);
        nodes[handle].flags = 0;
        nodes[handle].temporalType = TemporalType::kNormal;
    }
    if (counted) numNodes--;
    return rc;
}

int VRX_network::SetNewNodeId(VRX_node& node, const char* id, bool vetted) {
    vettedId_ = vetted ? id : nullptr;
    try {
        const int rc = node.SetId(id);
        vettedId_ = nullptr;
        return rc;
    } catch (...) {
        vettedId_ = nullptr;
        throw;
    }
}

int VRX_network::AddTemporaryNode(int typeCode) {
    allowReservedIds_ = true;
    const int handle = AddNode(typeCode, "@");
    allowReservedIds_ = false;
    return handle;
}

int VRX_network::FindFreeSlot() {
    if (numNodes != numSlots) {
        if (numNodes < numSlots && nodes[numNodes].node == nullptr) return numNodes;
        for (int h = lowestFreeHint_ > 0 ? lowestFreeHint_ : 0; h < numSlots; h++) {
            if (nodes[h].node == nullptr) {
                lowestFreeHint_ = h;
                return h;
            }
        }
        return kOutOfRange;
    }
    if (const int rc = GrowNodeTable()) return rc;
    return numNodes;
}

int VRX_network::GrowNodeTable() {
    if (slotIncrement < 1) slotIncrement = kDefaultIncrement;
    if (numSlots > INT_MAX - slotIncrement) return kOutOfMemory;
    const int size = numSlots + slotIncrement;
    if (size > capacity_) {
        // Half as much again underneath: growing the allocation by the fixed step alone would move every
        // slot once per step, and building n nodes would take O(n^2) moves.
        const int room =
            capacity_ > INT_MAX - capacity_ / 2 ? INT_MAX : std::max(size, capacity_ + capacity_ / 2);
        std::unique_ptr<VRX_nodeEntry[]> table(new (std::nothrow) VRX_nodeEntry[room]);
        if (!table) return kOutOfMemory;
        for (int h = 0; h < numSlots; h++) table[h].Swap(nodes[h]);
        nodes = std::move(table);
        capacity_ = room;
    }
    numSlots = size;
    return kSuccess;
}

std::string VRX_network::GenerateNodeId() const {
    char text[32];
    for (int n = numNodes;; n++) {
        std::snprintf(text, sizeof text, "Node%d", n);
        if (!IsIdInUse(text, -1) || n == INT_MAX) return text;
    }
}

int VRX_network::DeleteNode(int handle) {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    VRX_nodeEntry& slot = nodes[handle];
    // Each removal shrinks its list; a list that does not shrink is emptied so the loop always ends.
    auto drain = [](VRX_intArray& list, auto remove) {
        while (list.GetCount() > 0) {
            const int before = list.GetCount();
            remove(list[0]);
            if (list.GetCount() >= before) (void)list.Delete(0);  // the list is not empty
        }
    };
    // A removal that fails is made up for by the drain, which empties the list regardless.
    drain(slot.children, [&](int child) { (void)RemoveArc(handle, child, 0); });
    drain(slot.parents, [&](int parent) { (void)RemoveArc(parent, handle, 0); });
    drain(slot.costChildren, [&](int child) { (void)RemoveCostArc(handle, child); });
    drain(slot.costParents, [&](int parent) { (void)RemoveCostArc(parent, handle); });
    if (slot.HasMark(SlotMarks::kTarget)) numTargets--;
    ReleaseNode(handle);
    slot.parents.Flush();
    slot.children.Flush();
    slot.costParents.Flush();
    slot.costChildren.Flush();
    slot.flags = 0;
    slot.temporalType = TemporalType::kNormal;
    if (cases) cases->NotifyNodeDeleted(handle);
    if (temporalExtension) temporalExtension->OnNodeDeleted(handle);
    numNodes--;
    return kSuccess;
}

int VRX_network::DeleteAllNodes() {
    VRX_intArray live;
    if (const int rc = GetAllNodes(live)) return rc;
    for (int i = live.GetCount() - 1; i >= 0; i--) {
        if (const int rc = DeleteNode(live[i])) return rc;
    }
    return kSuccess;
}

VRX_node* VRX_network::GetNode(int handle) const {
    return IsLiveHandle(handle) ? nodes[handle].node.get() : nullptr;
}

int VRX_network::GetNodeType(int handle) const {
    if (!IsLiveHandle(handle)) return kOutOfRange;
    const VRX_nodeDefinition* definition = nodes[handle].node->GetDefinition();
    return definition != nullptr ? definition->GetType() : 0;
}

int VRX_network::GetFirstNode() const {
    for (int h = 0; h < numSlots; h++) {
        if (nodes[h].node != nullptr) return h;
    }
    return kOutOfRange;
}

int VRX_network::GetNextNode(int handle) const {
    // A handle at or past the table's end has no successor (and handle + 1 must not overflow).
    if (handle < 0 || handle >= numSlots) return kOutOfRange;
    for (int h = handle + 1; h < numSlots; h++) {
        if (nodes[h].node != nullptr) return h;
    }
    return kOutOfRange;
}

int VRX_network::GetLastNode() const {
    for (int h = numSlots - 1; h >= 0; h--) {
        if (nodes[h].node != nullptr) return h;
    }
    return kOutOfRange;
}

int VRX_network::GetAllNodes(VRX_intArray& out) const {
    for (int h = 0; h < numSlots; h++) {
        if (nodes[h].node == nullptr) continue;
        if (const int rc = out.Add(h)) return rc;
    }
    return kSuccess;
}

int VRX_network::GetAllNodeIds(VRX_stringArray& out) const {
    for (int h = 0; h < numSlots; h++) {
        if (nodes[h].node == nullptr) continue;
        if (const int rc = out.Add(nodes[h].node->GetInfo() ? nodes[h].node->GetId() : nullptr)) return rc;
    }
    return kSuccess;
}

int VRX_network::FindNode(const char* id) const {
    if (id == nullptr) return kOutOfRange;
    return FindNodeExcept(id, -1);
}

int VRX_network::IsIdInUse(const char* id, int except) const {
    if (id == nullptr || IsReservedId(id)) return 0;
    if (FindNodeExcept(id, except) >= 0) return 1;
    return submodels && submodels->IsIdInUse(id) ? 1 : 0;
}

int VRX_network::RefuseTakenId(const char* id, int except, int code) const {
    const int holder = id != nullptr ? FindNodeExcept(id, except) : -1;
    const std::string message = "Identifier [" + std::string(id != nullptr ? id : "") +
                                "] is already used by " + (holder >= 0 ? "a node" : "a submodel");
    return LogError(errorLog, code, message.c_str(), nullptr);
}

bool VRX_network::HoldsId(int handle, const char* id) const {
    if (!IsLiveHandle(handle)) return false;
    const VRX_node& node = *nodes[handle].node;
    const char* own = node.GetInfo() != nullptr ? node.GetId() : nullptr;
    return own != nullptr && std::strcmp(own, id) == 0;
}

int VRX_network::FindNodeExcept(const char* id, int except) const {
    int found = kOutOfRange;
    bool stale = false;
    try {
        if (EnsureIdIndex()) {
            idIndex_.AnyHolder(id, [&](int h) {
                if (!HoldsId(h, id)) {
                    stale = true;
                } else if (h != except && (found < 0 || h < found)) {
                    found = h;
                }
                return false;
            });
            // An entry that no longer matches its node means the index missed a change: it is gathered
            // again on its next use, and the table answers this time.
            if (!stale) return found;
            idIndex_.MarkIncomplete();
        }
    } catch (const std::bad_alloc&) {
    }
    for (int h = 0; h < numSlots; h++) {
        if (h != except && HoldsId(h, id)) return h;
    }
    return kOutOfRange;
}

bool VRX_network::EnsureIdIndex() const {
    if (idIndex_.IsComplete()) return true;
    idIndex_.Clear();
    for (int h = 0; h < numSlots; h++) {
        const VRX_node* node = nodes[h].node.get();
        if (node == nullptr || node->GetInfo() == nullptr) continue;
        if (!idIndex_.Add(node->GetId(), h)) {
            // Without room for the whole index the table is searched instead.
            idIndex_.Clear();
            idIndex_.MarkIncomplete();
            return false;
        }
    }
    return true;
}

void VRX_network::OnNodeIdChanged(const VRX_node& node, const char* oldId, const char* newId) {
    const int h = node.GetHandle();
    // A node being copied still names the source's network: only nodes in this table count.
    if (!IsLiveHandle(h) || nodes[h].node.get() != &node) return;
    // An incomplete index is gathered from the table on its next use anyway.
    if (!idIndex_.IsComplete()) return;
    idIndex_.Remove(oldId, h);
    idIndex_.Add(newId, h);
}

void VRX_network::ReleaseNode(int handle) {
    VRX_nodeEntry& slot = nodes[handle];
    if (const VRX_node* node = slot.node.get()) {
        if (node->GetInfo() != nullptr) idIndex_.Remove(node->GetId(), handle);
    }
    slot.node.reset();
    if (handle < lowestFreeHint_) lowestFreeHint_ = handle;
}

bool VRX_network::AcceptNodeIdChange(int handle, const char* oldId, const char* newId) {
    if (oldId != nullptr && newId != nullptr && std::strcmp(oldId, newId) == 0) return true;
    // Reserved identifiers belong to the engine's temporary nodes: only AddTemporaryNode hands them
    // out, and a node that already has one (a temporary node being copied) keeps it.
    if (IsReservedId(newId) && !allowReservedIds_) {
        const VRX_node* node = GetNode(handle);
        const char* current = node != nullptr && node->GetInfo() != nullptr ? node->GetId() : nullptr;
        if (!IsReservedId(current)) return false;
    }
    const bool vetted = newId != nullptr && newId == vettedId_;
    if (!(readingFlags & ReadingFlags::kAllowDuplicateIds) && !vetted && IsIdInUse(newId, handle)) {
        RefuseTakenId(newId, handle, kIllegalIdentifier);
        return false;
    }
    // A node that had no identifier yet has no name for its children to rewrite.
    if (oldId != nullptr && IsLiveHandle(handle)) {
        const VRX_intArray& children = nodes[handle].children;
        for (int i = 0; i < children.GetCount(); i++) {
            VRX_node* child = GetNode(children[i]);
            if (child != nullptr && child->GetDefinition() != nullptr)
                child->GetDefinition()->RenameParentId(handle, oldId, newId);
        }
        // A definition that names nodes in text names its own node too (an equation's own variable).
        if (VRX_nodeDefinition* own = nodes[handle].node->GetDefinition())
            own->RenameParentId(handle, oldId, newId);
    }
    return true;
}

VRX_header* VRX_network::GetHeader() const {
    if (!submodels) return nullptr;
    VRX_submodel* main = submodels->GetSubmodel(kMainSubmodel);
    return main != nullptr ? &main->header : nullptr;
}

ErrorLog& VRX_network::GetErrorLog() const {
    return errorLog;
}
