// Submodels and their handler: slot table, tree edits and queries, defaults of new nodes and submodels.

#include "model/submodel.h"

#include <cstring>
#include <new>
#include <string>

#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"

VRX_submodel::VRX_submodel(const VRX_submodel& other) : VRX_object() {
    (void)Copy(other);  // a failed copy leaves this empty
}

VRX_submodel::~VRX_submodel() = default;

// Text boxes are copied too: a copied network must keep what its canvas shows.
int VRX_submodel::Copy(const VRX_submodel& other) {
    if (!other.IsValid()) return kObjectNotValid;
    if (&other == this) return kSuccess;
    if (const int rc = header.Copy(other.header)) return rc;
    if (const int rc = screenInfo.Copy(other.screenInfo)) return rc;
    if (const int rc = windowPosition.Copy(other.windowPosition)) return rc;
    backgroundColor = other.backgroundColor;
    if (const int rc = textBoxes.Copy(other.textBoxes)) return rc;
    CheckValidity(0);
    return kSuccess;
}

VRX_submodelHandler::VRX_submodelHandler() {
    CheckValidity(0);
}

VRX_submodelHandler::~VRX_submodelHandler() = default;

void VRX_submodelHandler::CleanUp(int /*deep*/) {
    slots.clear();
    slots.shrink_to_fit();
    delta = 10;
    network = nullptr;
    CheckValidity(0);
}

void VRX_submodelHandler::CheckValidity(int /*deep*/) {
    SetFlag(kValid, !slots.empty() && network != nullptr);
}

int VRX_submodelHandler::SetNetworkAndReset(VRX_network* owner) {
    CleanUp(1);
    network = owner;
    try {
        slots.resize(1);
    } catch (const std::bad_alloc&) {
        CheckValidity(0);
        return kOutOfMemory;
    }
    const int rc = CreateMainSubmodel_();
    CheckValidity(0);
    return rc;
}

void VRX_submodelHandler::SetNetwork(VRX_network* owner) {
    network = owner;
    CheckValidity(0);
}

int VRX_submodelHandler::Reset() {
    for (Slot& slot : slots) {
        slot.submodel.reset();
        slot.parent = kFreeSubmodelSlot;
    }
    if (slots.empty()) {
        try {
            slots.resize(1);
        } catch (const std::bad_alloc&) {
            CheckValidity(0);
            return kOutOfMemory;
        }
    }
    const int rc = CreateMainSubmodel_();
    CheckValidity(0);
    return rc;
}

int VRX_submodelHandler::CreateMainSubmodel_() {
    Slot& main = slots[0];
    main.submodel.reset();
    main.parent = kFreeSubmodelSlot;
    std::unique_ptr<VRX_submodel> made;
    try {
        made = std::make_unique<VRX_submodel>();
        const std::string id = GenerateId_(0);
        if (made->header.SetId(id.c_str()) != kSuccess || made->header.SetName(id.c_str()) != kSuccess) {
            return kOutOfMemory;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    VRX_screenInfo& info = made->screenInfo;
    info.position.width = 76;
    info.position.height = 36;
    info.color = 0xF7F6E5;
    info.selColor = 0xBBBBBB;
    info.font = 1;
    info.fontColor = 0;
    info.borderThickness = 3;
    info.borderColor = 0xBB0000;
    info.arcFlags = (info.arcFlags | VRX_screenInfo::kShowInArcs | VRX_screenInfo::kShowOutArcs) & ~4;
    made->backgroundColor = 0xFFFFFF;
    if (const int rc = submodelDefaults.Copy(info)) return rc;
    if (const int rc = nodeDefaults.Copy(info)) return rc;
    nodeDefaults.borderThickness = 1;
    main.submodel = std::move(made);
    main.parent = kMainSubmodelParent;
    return kSuccess;
}

bool VRX_submodelHandler::IsGeneratedIdTaken_(const std::string& id) const {
    if (IsIdInUse(id.c_str())) return true;
    // Nodes and submodels share one namespace; a generated id must not copy a node's either.
    return network != nullptr && network->IsIdInUse(id.c_str(), -1) != 0;
}

std::string VRX_submodelHandler::GenerateId_(int first) const {
    int number = first;
    std::string id = "Sub" + std::to_string(number);
    while (IsGeneratedIdTaken_(id)) id = "Sub" + std::to_string(++number);
    return id;
}

int VRX_submodelHandler::LiveSlot_(int handle) const {
    const int slot = ToSlot_(handle);
    if (slot < 0 || slot >= static_cast<int>(slots.size()) || !slots[slot].submodel) return -1;
    return slot;
}

// An id that is not a valid identifier is refused: a submodel never goes without one.
int VRX_submodelHandler::CreateSubmodel(int parentHandle, const char* id) {
    if (!IsValid()) return kObjectNotValid;
    const int parent = LiveSlot_(parentHandle);
    if (parent < 0) {
        const std::string message = "Invalid parent submodel handle: " + std::to_string(parentHandle);
        return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
    }
    if (id != nullptr) {
        if (const int rc = CheckIdFree(id, nullptr, kOutOfRange)) return rc;
    }
    int slot = 0;
    const int size = static_cast<int>(slots.size());
    while (slot < size && slots[slot].submodel) ++slot;
    std::unique_ptr<VRX_submodel> made;
    try {
        made = std::make_unique<VRX_submodel>();
        const std::string generated = id == nullptr ? GenerateId_(slot) : std::string();
        const char* newId = id == nullptr ? generated.c_str() : id;
        if (const int rc = made->header.SetId(newId)) return rc;
        if (made->header.SetName(newId) != kSuccess) return kOutOfMemory;
        if (made->screenInfo.Copy(submodelDefaults) != kSuccess) return kObjectNotValid;
        if (slot == size) slots.resize(size + delta);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    slots[slot].submodel = std::move(made);
    slots[slot].parent = parent;
    return ToHandle_(slot);
}

int VRX_submodelHandler::DeleteSubmodel(int handle) {
    if (!IsValid()) return kObjectNotValid;
    const int slot = LiveSlot_(handle);
    if (slot <= 0) return kOutOfRange;
    const int parent = slots[slot].parent;
    for (Slot& other : slots) {
        if (other.submodel && other.parent == slot) other.parent = parent;
    }
    for (int node = network->GetFirstNode(); node >= 0; node = network->GetNextNode(node)) {
        VRX_node* placed = network->GetNode(node);
        if (placed != nullptr && ToSlot_(placed->GetSubmodel()) == slot)
            (void)placed->SetSubmodel(ToHandle_(parent));  // the parent is a live submodel
    }
    slots[slot].submodel.reset();
    slots[slot].parent = kFreeSubmodelSlot;
    return kSuccess;
}

// Walks up from the prospective parent: meeting the moving submodel means a cycle would form.
int VRX_submodelHandler::SetParentSubmodel(int handle, int parentHandle) {
    if (!IsValid()) return kObjectNotValid;
    const int slot = LiveSlot_(handle);
    const int parent = LiveSlot_(parentHandle);
    if (slot <= 0 || parent < 0 || parent == slot) return kOutOfRange;
    for (int up = slots[parent].parent; up != kMainSubmodelParent; up = slots[up].parent) {
        if (up == slot) return kOutOfRange;
    }
    slots[slot].parent = parent;
    return kSuccess;
}

int VRX_submodelHandler::GetParentSubmodel(int handle) const {
    const int slot = LiveSlot_(handle);
    if (slot < 0) return kOutOfRange;
    const int parent = slots[slot].parent;
    return parent == kMainSubmodelParent ? parent : ToHandle_(parent);
}

VRX_submodel* VRX_submodelHandler::GetSubmodel(int handle) const {
    const int slot = LiveSlot_(handle);
    return slot < 0 ? nullptr : slots[slot].submodel.get();
}

int VRX_submodelHandler::GetFirstSubmodel() const {
    if (!IsValid()) return kOutOfRange;
    for (size_t slot = 0; slot < slots.size(); ++slot) {
        if (slots[slot].submodel) return ToHandle_(static_cast<int>(slot));
    }
    return kOutOfRange;
}

int VRX_submodelHandler::GetNextSubmodel(int handle) const {
    if (!IsValid()) return kObjectNotValid;
    const int slot = LiveSlot_(handle);
    if (slot < 0) return kOutOfRange;
    for (size_t next = slot + 1; next < slots.size(); ++next) {
        if (slots[next].submodel) return ToHandle_(static_cast<int>(next));
    }
    return kOutOfRange;
}

int VRX_submodelHandler::GetNumberOfSubmodels() const {
    int count = 0;
    for (const Slot& slot : slots) {
        if (slot.submodel) ++count;
    }
    return count;
}

int VRX_submodelHandler::FindSubmodelIndex(const char* id) const {
    if (!IsValid()) return kObjectNotValid;
    if (id == nullptr) return kOutOfRange;
    for (size_t slot = 0; slot < slots.size(); ++slot) {
        if (!slots[slot].submodel) continue;
        const char* own = slots[slot].submodel->header.GetId();
        if (own != nullptr && std::strcmp(own, id) == 0) return static_cast<int>(slot);
    }
    return kOutOfRange;
}

int VRX_submodelHandler::FindSubmodel(const char* id) const {
    const int slot = FindSubmodelIndex(id);
    return slot < 0 ? slot : ToHandle_(slot);
}

int VRX_submodelHandler::CheckIdFree(const char* id, const VRX_submodel* renamed, int code) const {
    const VRX_submodel* holder = GetSubmodel(FindSubmodel(id));
    const bool nodeHolds = network != nullptr &&
                           !(network->readingFlags & ReadingFlags::kAllowDuplicateIds) &&
                           network->FindNode(id) >= 0;
    if ((holder == nullptr || holder == renamed) && !nodeHolds) return kSuccess;
    if (network != nullptr) return network->RefuseTakenId(id, -1, code);
    return LogError(errorLog, code, "Identifier already used by a submodel", nullptr);
}

int VRX_submodelHandler::IsIdInUse(const char* id) const {
    if (id == nullptr) return 0;
    for (const Slot& slot : slots) {
        if (!slot.submodel) continue;
        const char* own = slot.submodel->header.GetId();
        if (own != nullptr && std::strcmp(own, id) == 0) return 1;
    }
    return 0;
}

int VRX_submodelHandler::GetChildSubmodels(int handle, VRX_intArray& out) const {
    if (!IsValid()) return kObjectNotValid;
    const int slot = LiveSlot_(handle);
    if (slot < 0) return kOutOfRange;
    int added = 0;
    for (size_t child = 0; child < slots.size(); ++child) {
        if (!slots[child].submodel || slots[child].parent != slot) continue;
        if (const int rc = out.Add(ToHandle_(static_cast<int>(child))); rc < 0) return rc;
        ++added;
    }
    return added;
}

// Breadth first: out itself is the queue, read from its front while children are appended.
int VRX_submodelHandler::GetAllSubmodels(VRX_intArray& out) const {
    if (!IsValid()) return kObjectNotValid;
    out.Flush();
    if (const int rc = out.Add(ToHandle_(0)); rc < 0) return rc;
    for (int next = 0; next < out.GetCount(); ++next) {
        if (const int rc = GetChildSubmodels(out[next], out); rc < 0) return rc;
    }
    return kSuccess;
}

int VRX_submodelHandler::GetNodesOfSubmodel(int handle, VRX_intArray& out) const {
    if (!IsValid()) return kObjectNotValid;
    const int slot = LiveSlot_(handle);
    if (slot < 0) return kOutOfRange;
    int added = 0;
    for (int node = network->GetFirstNode(); node >= 0; node = network->GetNextNode(node)) {
        const VRX_node* placed = network->GetNode(node);
        if (placed == nullptr || ToSlot_(placed->GetSubmodel()) != slot) continue;
        if (const int rc = out.Add(node); rc < 0) return rc;
        ++added;
    }
    return added;
}

// The new table is built before the old one goes, so a failure leaves the handler as it was.
int VRX_submodelHandler::Copy(const VRX_submodelHandler& other) {
    if (&other == this) return kSuccess;
    if (!other.IsValid()) return kObjectNotValid;
    std::vector<Slot> copied;
    try {
        copied.resize(other.slots.size());
        for (size_t slot = 0; slot < other.slots.size(); ++slot) {
            if (!other.slots[slot].submodel) continue;
            copied[slot].submodel = std::make_unique<VRX_submodel>(*other.slots[slot].submodel);
            copied[slot].parent = other.slots[slot].parent;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    VRX_network* const owner = network;
    CleanUp(1);
    network = owner;
    slots = std::move(copied);
    delta = other.delta;
    (void)nodeDefaults.Copy(other.nodeDefaults);  // fails only for a source not valid, refused above
    CheckValidity(0);
    return kSuccess;
}
