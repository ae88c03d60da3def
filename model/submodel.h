#pragma once
// Submodels: the tree of node groups of a network, kept in a table of slots addressed by handles.

#include <memory>
#include <string>
#include <vector>

#include "base/rectangle.h"
#include "base/vrx_object.h"
#include "model/header.h"
#include "model/screen_info.h"
#include "model/text_box_list.h"

class VRX_network;
class VRX_intArray;

// A submodel handle is its slot index with this flag added; operations also accept a bare slot index.
constexpr int kSubmodelHandleFlag = 0x4000;
// Parent markers of a slot: the main submodel (slot 0) and a free slot.
constexpr int kMainSubmodelParent = -8888;
constexpr int kFreeSubmodelSlot = -8889;

class VRX_submodel : public VRX_object {
public:
    static constexpr int kColorNotSet = -2147483647;  // 0x80000001

    VRX_submodel() = default;
    // An empty submodel followed by Copy.
    VRX_submodel(const VRX_submodel& other);
    VRX_submodel& operator=(const VRX_submodel&) = delete;
    ~VRX_submodel() override;

    // kObjectNotValid when other is not valid; header (with its identifier check), screen info, window
    // position, background colour and text boxes copied; 0.
    [[nodiscard]] int Copy(const VRX_submodel& other);

    VRX_header header;
    VRX_screenInfo screenInfo;
    VRX_rectangle windowPosition;
    int backgroundColor = kColorNotSet;
    VRX_textBoxList textBoxes;
};

class VRX_submodelHandler : public VRX_object {
public:
    VRX_submodelHandler();
    VRX_submodelHandler(const VRX_submodelHandler&) = delete;
    VRX_submodelHandler& operator=(const VRX_submodelHandler&) = delete;
    ~VRX_submodelHandler() override;

    // Deletes every submodel and frees the table; size 0, delta 10, no network.
    void CleanUp(int deep) override;
    // Valid exactly when the table and the network are both set.
    void CheckValidity(int deep) override;

    // Binds the handler to its network and starts again with only the main submodel.
    [[nodiscard]] int SetNetworkAndReset(VRX_network* owner);
    // Rebinds after Copy, keeping the submodels.
    void SetNetwork(VRX_network* owner);
    VRX_network* GetNetwork() const { return network; }
    // Only the main submodel is left.
    [[nodiscard]] int Reset();

    // The new handle; kObjectNotValid not valid, kOutOfRange bad parent or taken id, kIllegalIdentifier
    // illegal id, kOutOfMemory no memory.
    [[nodiscard]] int CreateSubmodel(int parentHandle, const char* id);
    [[nodiscard]] int DeleteSubmodel(int handle);
    [[nodiscard]] int SetParentSubmodel(int handle, int parentHandle);
    // The parent's handle; -8888 for the main submodel; kOutOfRange for a bad or free slot.
    [[nodiscard]] int GetParentSubmodel(int handle) const;
    // Null for a bad or free slot.
    VRX_submodel* GetSubmodel(int handle) const;
    [[nodiscard]] int GetFirstSubmodel() const;
    [[nodiscard]] int GetNextSubmodel(int handle) const;
    int GetNumberOfSubmodels() const;
    [[nodiscard]] int FindSubmodelIndex(const char* id) const;
    int FindSubmodel(const char* id) const;
    int IsIdInUse(const char* id) const;
    // 0 when id may name the submodel `renamed` (null for a new one): no other submodel holds it, nor a
    // node (unless the network reads a file that allows duplicates); else code, logged with the holder.
    [[nodiscard]] int CheckIdFree(const char* id, const VRX_submodel* renamed, int code) const;
    // Appends the direct children in slot order; the number added.
    [[nodiscard]] int GetChildSubmodels(int handle, VRX_intArray& out) const;
    // Every live submodel, level by level from the main submodel.
    [[nodiscard]] int GetAllSubmodels(VRX_intArray& out) const;
    // Appends, in handle order, the nodes placed directly in the submodel; the number added.
    [[nodiscard]] int GetNodesOfSubmodel(int handle, VRX_intArray& out) const;
    // kObjectNotValid when other is not valid; the submodels, table size, growth step and node defaults
    // copied. The handler stays bound to its own network.
    [[nodiscard]] int Copy(const VRX_submodelHandler& other);

    // Default screen info of new nodes and of new submodels.
    const VRX_screenInfo& GetNodeDefaults() const { return nodeDefaults; }
    const VRX_screenInfo& GetSubmodelDefaults() const { return submodelDefaults; }
    void SetNodeDefaultSize(int width, int height) {
        nodeDefaults.position.width = width;
        nodeDefaults.position.height = height;
    }
    int GetSize() const { return static_cast<int>(slots.size()); }

private:
    struct Slot {
        std::unique_ptr<VRX_submodel> submodel;
        int parent = kFreeSubmodelSlot;
    };

    [[nodiscard]] static int ToSlot_(int handle) { return handle & ~kSubmodelHandleFlag; }
    [[nodiscard]] static int ToHandle_(int slot) { return slot + kSubmodelHandleFlag; }
    // The slot index of a live submodel, -1 for a bad or free slot.
    [[nodiscard]] int LiveSlot_(int handle) const;
    // "Sub" and the lowest number from first upward that no submodel or node of the network uses.
    std::string GenerateId_(int first) const;
    bool IsGeneratedIdTaken_(const std::string& id) const;
    // Makes a new main submodel in slot 0 with its defaults; kOutOfMemory when out of memory.
    [[nodiscard]] int CreateMainSubmodel_();

    std::vector<Slot> slots;
    VRX_network* network = nullptr;
    int delta = 10;
    VRX_screenInfo nodeDefaults;
    VRX_screenInfo submodelDefaults;
};
