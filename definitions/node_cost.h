#pragma once
// Cost of observing a node: a table over the outcomes of its cost-arc parents, kept in step with the
// cost arcs and with outcome edits of those parents.

#include "base/dmatrix.h"
#include "base/vrx_object.h"

class VRX_network;
class VRX_doubleArray;
class VRX_intArray;

// The table has one dimension per cost parent, in the order of the node's cost-parent list, and a last
// dimension of size 1. A parent that cannot index the table keeps a dimension of size 1 so that every
// later parent still finds its dimension at its list position.
class VRX_nodeCost : public VRX_object {
public:
    VRX_nodeCost(int handle, VRX_network* network);
    // Empty, then CopyFrom.
    VRX_nodeCost(const VRX_nodeCost& other);
    VRX_nodeCost& operator=(const VRX_nodeCost&) = delete;
    ~VRX_nodeCost() override;

    // Deep: empties the table; then the validity check.
    void CleanUp(int deep) override;
    virtual int ReservedQuery() { return 0; }
    // Passes the definition change code on to the network's notice for this node; others are ignored.
    virtual int NotifyChange(int code);

    // kObjectNotValid when source is not valid; 0 for itself; else the table, network and handle are copied.
    [[nodiscard]] int CopyFrom(const VRX_nodeCost& source);
    [[nodiscard]] int Copy(const VRX_nodeCost& source) { return CopyFrom(source); }

    // The values are the array's items, or all its elements when it is used as a sized vector (count
    // 0); kOutOfRange when their number differs from the table's element count.
    [[nodiscard]] int SetCosts(const VRX_doubleArray& values);

    // Fresh zero table over the current cost parents; parents that fail are logged and keep a
    // dimension of size 1.
    [[nodiscard]] int RebuildFromParents();
    // Called once the parent is appended to the cost-parent list; nonzero refuses the cost arc.
    [[nodiscard]] int AddParent(int parent);
    // Called while the parent is still in the cost-parent list.
    [[nodiscard]] int RemoveParent(int parent);
    [[nodiscard]] int InsertParentOutcome(int parent, int index);
    [[nodiscard]] int RemoveParentOutcome(int parent, int index);
    // New item k of the parent's dimension takes old item order[k].
    [[nodiscard]] int ReorderParentOutcomes(int parent, const VRX_intArray& order);

    // kOutOfRange for null, kObjectNotValid for a network that is not valid.
    [[nodiscard]] int SetNetwork(VRX_network* net);
    void Bind(VRX_network* net, int nodeHandle) {
        network = net;
        handle = nodeHandle;
    }
    VRX_network* GetNetwork() const { return network; }
    int GetHandle() const { return handle; }

    VRX_Dmatrix* GetCosts() { return &costs; }
    const VRX_Dmatrix* GetCosts() const { return &costs; }

private:
    // Position of the parent in the node's cost-parent list; kOutOfRange when absent or unbound.
    [[nodiscard]] int ParentPosition(int parent) const;
    // The parent's dimension in the table; kOutOfRange when it has none.
    [[nodiscard]] int DimensionOf(int parent) const;
    // Type code of a live parent, kOutOfRange for a bad handle.
    [[nodiscard]] int ParentType(int parent) const;
    // Checks the parent's kind and opens its dimension at the position.
    [[nodiscard]] int InsertParentDimension(int parent, int position);

    VRX_network* network = nullptr;
    int handle = -1;
    VRX_Dmatrix costs;
};
