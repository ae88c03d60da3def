#pragma once
// A node of a network: descriptive record, definition, value, cost and diagnostic extra definition,
// with the factories that make definitions and values from a type code.

#include "base/vrx_object.h"

#include <memory>

class VRX_network;
class VRX_nodeInfo;
class VRX_nodeDefinition;
class VRX_nodeValue;
class VRX_nodeCost;
class VRX_extraDefinition;
class VRX_intArray;

constexpr int kMainSubmodel = 0x4000;

class VRX_node : public VRX_object {
public:
    // A node of the given definition type for the handle in the network; a null network leaves the
    // node empty and not valid.
    VRX_node(int typeCode, int handle, VRX_network* network);
    // A full copy bound to the source's network and handle; an invalid source gives an empty node.
    VRX_node(const VRX_node& source);
    VRX_node& operator=(const VRX_node&) = delete;
    ~VRX_node() override;

    void CleanUp(int deep) override;
    void CheckValidity(int deep) override;
    void CheckConsistency(int deep) override;

    // Copies definition, value, cost and extra definition but not the descriptive record.
    [[nodiscard]] int AssignParts(const VRX_node& source);

    // Factories.
    [[nodiscard]] int CreateDefinition(int typeCode);
    [[nodiscard]] int CreateValue(int typeCode);
    [[nodiscard]] int CopyDefinition(VRX_nodeDefinition& source);
    [[nodiscard]] int CopyValue(VRX_nodeValue& source);
    [[nodiscard]] static int GetTypeCodeFromName(const char* name);
    // True for the codes the definition factory can build.
    static bool IsKnownTypeCode(int typeCode);
    // Logs "Unknown node type code: N" and returns kOutOfRange.
    static int RefuseUnknownTypeCode(int typeCode);

    [[nodiscard]] int ChangeType(int typeCode);
    [[nodiscard]] int ChangeTypeByName(const char* name);

    const char* GetId() const;
    [[nodiscard]] int SetId(const char* id);
    VRX_intArray& GetParents();
    VRX_intArray& GetChildren();
    [[nodiscard]] int SetNetwork(VRX_network* net);
    [[nodiscard]] int SetSubmodel(int submodelHandle);
    [[nodiscard]] int SetSubmodelById(const char* id);
    [[nodiscard]] int ApplyDefaultScreenInfo();
    int RemoveInvalidParents(int withChildren);

    VRX_nodeInfo* GetInfo() const { return info.get(); }
    VRX_nodeDefinition* GetDefinition() const { return definition.get(); }
    VRX_nodeValue* GetValue() const { return value.get(); }
    // Null for a node without a cost (the algorithms' working copies) and when out of memory.
    VRX_nodeCost* GetCost() const;
    bool HasCost() const { return cost != nullptr || freshCost_; }
    // True while the cost is a new node's (no cost parents, a cost of 0) and not yet built.
    bool HasFreshCost() const { return freshCost_; }
    // Rebuilds the cost table from the node's cost parents (see VRX_nodeCost::RebuildFromParents).
    [[nodiscard]] int RebuildCost();
    VRX_extraDefinition* GetExtraDefinition() const { return extraDefinition.get(); }
    VRX_network* GetNetwork() const { return network; }
    int GetHandle() const { return handle; }
    int GetSubmodel() const { return submodel; }
    // Definition type code, 0 without a definition.
    [[nodiscard]] int GetType() const;

private:
    void BindParts();
    // Resets the extra definition's per-outcome data when it no longer fits the definition's outcomes.
    void SyncExtraDefinition();
    // After a change of kind changed the dimension the node gives its children (0 for none): their
    // tables and cost tables are rebuilt from their current parents; `reset` gets the children rebuilt.
    void RealignChildren(const VRX_intArray& formerChildren, const VRX_intArray& formerCostChildren,
                         int newDimension, VRX_intArray& reset);
    // The new definition of a change of kind, taken over from the old one or built from the parents, with
    // two generated outcomes for a discrete kind made from one without; the conversion's status.
    int ConvertDefinition(VRX_nodeDefinition* oldDefinition, int typeCode, int firstEntry);

    bool HasCostParents() const;
    // The nodes of the algorithms' working copies carry no descriptive record.
    bool HasValidInfo() const;

    std::unique_ptr<VRX_nodeInfo> info;
    std::unique_ptr<VRX_nodeDefinition> definition;
    std::unique_ptr<VRX_nodeValue> value;
    // Most nodes never get cost parents nor costs: while freshCost_ is set the cost is not built and stands
    // for the one a new node gets (no parents, a cost of 0), built on first use.
    mutable std::unique_ptr<VRX_nodeCost> cost;
    mutable bool freshCost_ = false;
    std::unique_ptr<VRX_extraDefinition> extraDefinition;
    VRX_network* network = nullptr;
    int handle = -1;
    int submodel = kMainSubmodel;
    bool modelOnly_ = false;
};
