#pragma once
// Hybrid definitions: a table of elements, one per configuration of the node's discrete parents, for a
// continuous chance node (DISTRIBUTION), a continuous deterministic node (HEQUATION) or a discrete node
// whose parents may be continuous (DCHILDHPARENT). The table follows every arc and outcome edit.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/id_array.h"
#include "base/int_array.h"
#include "definitions/hybrid_element.h"
#include "definitions/named_outcomes.h"
#include "model/node_definition.h"

class VRX_Dmatrix;

namespace vovido {

// Owned elements in row-major order over the dimensions (last fastest); copies clone every element.
class ElementTable {
public:
    ElementTable() = default;
    ElementTable(const ElementTable& other) { *this = other; }
    ElementTable& operator=(const ElementTable& other);

    int GetSize() const { return static_cast<int>(cells.size()); }
    // Linear index of the coordinates (one per dimension); kOutOfRange when one lies outside its dimension.
    int IndexOf(const int* const* coordinates) const;
    int IndexOf(const VRX_intArray& coordinates) const;

    std::vector<int> dimensions;
    std::vector<std::unique_ptr<VRX_Helement>> cells;
};

}  // namespace vovido

class VRX_defHybrid : public VRX_nodeDefinition {
public:
    ~VRX_defHybrid() override;

    void CleanUp(int deep) override;
    // A discrete parent (DCHILDHPARENT) adds a dimension whose slices repeat the elements; continuous
    // hybrid parents only name variables; any other kind is refused (kOutOfRange).
    [[nodiscard]] int AddParent(int parent) override;
    [[nodiscard]] int RemoveParent(int parent) override;
    [[nodiscard]] int InsertParentOutcome(int parent, int index) override;
    [[nodiscard]] int RemoveParentOutcome(int parent, int index) override;
    [[nodiscard]] int ReorderParentOutcomes(int parent, const VRX_intArray& order) override;
    [[nodiscard]] int ReorderParents(const VRX_intArray& order) override;
    // Expressions keep the old identifier.
    int RenameParentId(int parent, const char* oldId, const char* newId) override;
    [[nodiscard]] int GetSize() override;
    [[nodiscard]] int CloneFrom(VRX_nodeDefinition& source) override;
    // One default element per configuration of the current discrete parents.
    [[nodiscard]] int RebuildFromParents() override;
    int CopyParametersTo(VRX_nodeDefinition& target) override;

    // Range of a continuous node: kWrongNodeType for a discrete one.
    [[nodiscard]] virtual int SetUpperBound(double value);
    [[nodiscard]] virtual int GetUpperBound(double& value) const;
    [[nodiscard]] virtual int SetLowerBound(double value);
    [[nodiscard]] virtual int GetLowerBound(double& value) const;

    // The element of a cell by its coordinates (a state per discrete parent, then 0) or by its index;
    // kOutOfRange (null) for coordinates outside the table.
    [[nodiscard]] int GetElement(const int* const* coordinates, VRX_Helement*& out) const;
    [[nodiscard]] int GetElement(const VRX_intArray& coordinates, VRX_Helement*& out) const;
    VRX_Helement* GetElementAt(int index) const;
    // Takes the element into the cell; kOutOfRange (the element dropped) for bad coordinates, kWrongNodeType
    // for an element of the wrong kind for this node (a discrete node takes discrete elements with its
    // outcome count), kOutOfRange (logged) for an element that reads a variable no parent of the node is
    // named by.
    [[nodiscard]] int SetElement(const VRX_intArray& coordinates, std::unique_ptr<VRX_Helement> element);
    const vovido::ElementTable& GetElementTable() const { return elements; }
    // What makes a cell read a name it cannot have (one that is no parent's identifier, or a discrete
    // parent's, which selects the cell instead): the first such fault, naming the node and the name, or
    // empty. The cells are checked when set; arcs and kinds may change after.
    std::string FindNameFault() const;
    // The discrete parents in the order of the table's dimensions.
    const std::vector<int>& GetDimensionParents() const { return dimensionParents_; }

protected:
    VRX_defHybrid(int handle, VRX_network* network);
    VRX_defHybrid(const VRX_nodeDefinition& source);
    // Common part of every kind's CopyFrom, after the kind's own fields.
    [[nodiscard]] int CopyTableFrom(VRX_defHybrid& source);
    virtual std::unique_ptr<VRX_Helement> CreateDefaultElement() const;
    virtual bool AcceptsElement(const VRX_Helement& element) const { return !element.IsDiscrete(); }
    // Applies a shape operation to a scratch matrix of cell numbers, then rebuilds the cells from it.
    // 0, or kOutOfMemory (logged naming the node) when a table of that many elements passes the limit.
    [[nodiscard]] int CheckElementCount(int64_t elementCount) const;
    template <class Operation>
    [[nodiscard]] int Reshape(Operation operation);
    // Position of a discrete parent among the table's dimensions, kOutOfRange for none.
    int FindParentPosition(int parent) const;

    vovido::ElementTable elements;

private:
    // kOutOfRange (logged) when the element reads a name that is not a parent's identifier.
    [[nodiscard]] int CheckElementNames(VRX_Helement& element) const;
    std::string NameFault(VRX_Helement& element) const;
    [[nodiscard]] int RebuildTable(const VRX_Dmatrix& scratch);
    std::vector<int> dimensionParents_;
};

// Continuous kinds with a range.
class VRX_defContinuousHybrid : public VRX_defHybrid {
public:
    [[nodiscard]] int SetUpperBound(double value) override;
    [[nodiscard]] int GetUpperBound(double& value) const override;
    [[nodiscard]] int SetLowerBound(double value) override;
    [[nodiscard]] int GetLowerBound(double& value) const override;
    // kOutOfRange for a source of another kind.
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;
    // A bound the caller set cuts the node's values off; an unset one only frames them.
    bool IsLowerBoundSet() const { return lowerSet_; }
    bool IsUpperBoundSet() const { return upperSet_; }

protected:
    using VRX_defHybrid::VRX_defHybrid;
    // Unset bounds: the frame of the values shown and binned, no limit on them.
    double lowerBound = -1e6;
    double upperBound = 1e6;

private:
    bool lowerSet_ = false;
    bool upperSet_ = false;
};

class VRX_defDistribution : public VRX_defContinuousHybrid {
public:
    VRX_defDistribution(int handle, VRX_network* network);
    explicit VRX_defDistribution(VRX_nodeDefinition& source);
    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;
};

class VRX_defHEquation : public VRX_defContinuousHybrid {
public:
    VRX_defHEquation(int handle, VRX_network* network);
    explicit VRX_defHEquation(VRX_nodeDefinition& source);
    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;
};

extern template class vovido::NamedOutcomes<VRX_defHybrid>;

class VRX_defDchildHparent : public vovido::NamedOutcomes<VRX_defHybrid> {
public:
    // Outcomes "state0" and "state1", every cell giving both the same weight.
    VRX_defDchildHparent(int handle, VRX_network* network);
    explicit VRX_defDchildHparent(VRX_nodeDefinition& source);
    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;

protected:
    std::unique_ptr<VRX_Helement> CreateDefaultElement() const override;
    bool AcceptsElement(const VRX_Helement& element) const override;
    int InsertOutcomeData(int index) override;
    int RemoveOutcomeData(int index) override;
    int ReorderOutcomeData(const VRX_intArray& permutation) override;
};
