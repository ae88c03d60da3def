// Hybrid definitions: the element table and its edits, and the three kinds.
#include "definitions/hybrid_definition.h"

#include <cstdint>
#include <string>
#include <utility>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_parts.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

namespace vovido {

ElementTable& ElementTable::operator=(const ElementTable& other) {
    if (this == &other) return *this;
    std::vector<std::unique_ptr<VRX_Helement>> copies;
    copies.reserve(other.cells.size());
    for (const auto& cell : other.cells) copies.push_back(cell ? cell->Clone() : nullptr);
    dimensions = other.dimensions;
    cells = std::move(copies);
    return *this;
}

int ElementTable::IndexOf(const int* const* coordinates) const {
    int index = 0;
    for (size_t d = 0; d < dimensions.size(); ++d) {
        const int c = coordinates[d] != nullptr ? *coordinates[d] : -1;
        if (c < 0 || c >= dimensions[d]) return kOutOfRange;
        index = index * dimensions[d] + c;
    }
    return index < GetSize() ? index : kOutOfRange;
}

int ElementTable::IndexOf(const VRX_intArray& coordinates) const {
    if (coordinates.GetCount() != static_cast<int>(dimensions.size())) return kOutOfRange;
    std::vector<const int*> pointers;
    for (int d = 0; d < coordinates.GetCount(); ++d) pointers.push_back(&coordinates[d]);
    return IndexOf(pointers.data());
}

}  // namespace vovido

namespace {

// A scratch matrix of the table's shape whose items number the cells.
int ScratchOf(const vovido::ElementTable& table, VRX_Dmatrix& scratch) {
    for (int size : table.dimensions) {
        if (const int rc = scratch.AddDimension(size)) return rc;
    }
    scratch.FillWithIndices();
    return kSuccess;
}

}  // namespace

VRX_defHybrid::VRX_defHybrid(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {}

VRX_defHybrid::VRX_defHybrid(const VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {}

VRX_defHybrid::~VRX_defHybrid() = default;

void VRX_defHybrid::CleanUp(int) {
    CheckValidity(0);
}

int VRX_defHybrid::FindParentPosition(int parent) const {
    for (size_t i = 0; i < dimensionParents_.size(); ++i) {
        if (dimensionParents_[i] == parent) return static_cast<int>(i);
    }
    return kOutOfRange;
}

std::unique_ptr<VRX_Helement> VRX_defHybrid::CreateDefaultElement() const {
    return std::make_unique<VRX_equationElement>("0");
}

int VRX_defHybrid::RebuildTable(const VRX_Dmatrix& scratch) {
    vovido::ElementTable rebuilt;
    for (int d = 0; d < scratch.GetNumberOfDimensions(); ++d)
        rebuilt.dimensions.push_back(scratch.GetDimensions()[d]);
    const int n = scratch.GetNumberOfElements();
    rebuilt.cells.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int old = static_cast<int>(scratch[i]);
        const VRX_Helement* source =
            old >= 0 && old < elements.GetSize() ? elements.cells[static_cast<size_t>(old)].get() : nullptr;
        rebuilt.cells.push_back(source != nullptr ? source->Clone() : CreateDefaultElement());
    }
    elements.dimensions = std::move(rebuilt.dimensions);
    elements.cells = std::move(rebuilt.cells);
    return kSuccess;
}

int VRX_defHybrid::CheckElementCount(int64_t elementCount) const {
    if (elementCount <= kMaxHybridElements) return kSuccess;
    const char* id = network != nullptr ? vovido::IdAt(*network, handle) : nullptr;
    const std::string text = std::string("ERROR: Node [") + (id != nullptr ? id : "") + "] : its table of " +
                             std::to_string(elementCount) + " elements passes the limit of " +
                             std::to_string(kMaxHybridElements) + " elements";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

template <class Operation>
int VRX_defHybrid::Reshape(Operation operation) {
    VRX_Dmatrix scratch;
    if (const int rc = ScratchOf(elements, scratch)) return rc;
    if (const int rc = operation(scratch)) return rc;
    return RebuildTable(scratch);
}

int VRX_defHybrid::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (network == nullptr || !network->IsLiveHandle(parent)) return kOutOfRange;
    const int type = network->GetNodeType(parent);
    if (type == DefinitionType::kDistribution || type == DefinitionType::kHEquation) return kSuccess;
    if (type != DefinitionType::kDchildHparent) return kOutOfRange;
    if (FindParentPosition(parent) >= 0) return kSuccess;
    // The parent's place among the discrete parents in the node's parent order.
    const VRX_intArray& parents = network->GetParents(handle);
    int position = 0;
    for (int i = 0; i < parents.GetCount() && parents[i] != parent; ++i) {
        if (FindParentPosition(parents[i]) >= 0) ++position;
    }
    const int outcomes = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
    if (outcomes < 1) return kOutOfRange;
    if (const int rc = CheckElementCount(static_cast<int64_t>(elements.GetSize()) * outcomes)) return rc;
    if (const int rc = Reshape([&](VRX_Dmatrix& m) { return m.InsertDimension(position, outcomes); }))
        return rc;
    dimensionParents_.insert(dimensionParents_.begin() + position, parent);
    CheckValidity(0);
    return kSuccess;
}

int VRX_defHybrid::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    const int position = FindParentPosition(parent);
    if (position >= 0) {
        if (const int rc = Reshape([&](VRX_Dmatrix& m) { return m.ReduceToSlice(position, 0); })) return rc;
        dimensionParents_.erase(dimensionParents_.begin() + position);
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_defHybrid::InsertParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    const int position = FindParentPosition(parent);
    if (position < 0) return kOutOfRange;
    const int64_t size = elements.dimensions[static_cast<size_t>(position)];
    if (const int rc = CheckElementCount(elements.GetSize() / size * (size + 1))) return rc;
    // The new slice repeats the elements of its neighbour: the nearest configuration the node had.
    const int neighbour = index > 0 ? index - 1 : 0;
    return Reshape([&](VRX_Dmatrix& m) {
        if (const int rc = m.AddItem(position)) return rc;
        if (const int rc = m.ShiftItemsUp(position, index, 0.0)) return rc;
        const int shifted = neighbour >= index ? neighbour + 1 : neighbour;
        // Copy the neighbour slice's cell numbers into the opened slice.
        VRX_Dmatrix copy;
        if (const int rc = copy.Copy(m)) return rc;
        const int size = m.GetDimensions()[position];
        int stride = 1;
        for (int d = m.GetNumberOfDimensions() - 1; d > position; --d) stride *= m.GetDimensions()[d];
        for (int i = 0; i < m.GetNumberOfElements(); ++i) {
            if ((i / stride) % size == index) m[i] = copy[i + (shifted - index) * stride];
        }
        return static_cast<int>(kSuccess);
    });
}

int VRX_defHybrid::RemoveParentOutcome(int parent, int index) {
    if (!IsValid()) return kObjectNotValid;
    const int position = FindParentPosition(parent);
    if (position < 0) return kOutOfRange;
    return Reshape([&](VRX_Dmatrix& m) {
        if (const int rc = m.ShiftItemsDown(position, index)) return rc;
        return m.RemoveLastItem(position);
    });
}

int VRX_defHybrid::ReorderParentOutcomes(int parent, const VRX_intArray& order) {
    if (!IsValid()) return kObjectNotValid;
    const int position = FindParentPosition(parent);
    if (position < 0) return kOutOfRange;
    return Reshape([&](VRX_Dmatrix& m) { return m.ReorderItems(position, order); });
}

int VRX_defHybrid::ReorderParents(const VRX_intArray&) {
    if (!IsValid()) return kObjectNotValid;
    if (network == nullptr || !network->IsLiveHandle(handle)) return kOutOfRange;
    // The network has reordered its list already: the dimensions follow the new order of the
    // discrete parents.
    const VRX_intArray& parents = network->GetParents(handle);
    std::vector<int> reordered;
    VRX_intArray dimensionOrder;
    for (int i = 0; i < parents.GetCount(); ++i) {
        const int position = FindParentPosition(parents[i]);
        if (position < 0) continue;
        reordered.push_back(parents[i]);
        if (const int rc = dimensionOrder.Add(position)) return rc;
    }
    if (const int rc = dimensionOrder.Add(dimensionOrder.GetCount())) return rc;
    if (const int rc = Reshape([&](VRX_Dmatrix& m) { return m.ReorderDimensions(dimensionOrder); }))
        return rc;
    dimensionParents_ = std::move(reordered);
    return kSuccess;
}

int VRX_defHybrid::RenameParentId(int, const char*, const char*) {
    return kSuccess;
}

int VRX_defHybrid::GetSize() {
    return elements.GetSize();
}

int VRX_defHybrid::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_defHybrid::RebuildFromParents() {
    elements.dimensions.assign(1, 1);
    elements.cells.clear();
    elements.cells.push_back(CreateDefaultElement());
    dimensionParents_.clear();
    if (network == nullptr || !network->IsLiveHandle(handle)) return kSuccess;
    DefinitionSupport::AddCurrentParents(*this);
    return kSuccess;
}

int VRX_defHybrid::CopyParametersTo(VRX_nodeDefinition&) {
    return kSuccess;
}

int VRX_defHybrid::SetUpperBound(double) {
    return kWrongNodeType;
}
int VRX_defHybrid::GetUpperBound(double&) const {
    return kWrongNodeType;
}
int VRX_defHybrid::SetLowerBound(double) {
    return kWrongNodeType;
}
int VRX_defHybrid::GetLowerBound(double&) const {
    return kWrongNodeType;
}

int VRX_defHybrid::GetElement(const int* const* coordinates, VRX_Helement*& out) const {
    out = nullptr;
    const int index = elements.IndexOf(coordinates);
    if (index < 0) return index;
    out = elements.cells[static_cast<size_t>(index)].get();
    return kSuccess;
}

int VRX_defHybrid::GetElement(const VRX_intArray& coordinates, VRX_Helement*& out) const {
    out = nullptr;
    const int index = elements.IndexOf(coordinates);
    if (index < 0) return index;
    out = elements.cells[static_cast<size_t>(index)].get();
    return kSuccess;
}

VRX_Helement* VRX_defHybrid::GetElementAt(int index) const {
    return index >= 0 && index < elements.GetSize() ? elements.cells[static_cast<size_t>(index)].get()
                                                    : nullptr;
}

std::string VRX_defHybrid::NameFault(VRX_Helement& element) const {
    if (network == nullptr || !network->IsLiveHandle(handle)) return {};
    std::vector<std::string> names;
    element.GetVariables(names);
    const VRX_intArray& parents = network->GetParents(handle);
    const char* own = network->GetNode(handle)->GetId();
    const std::string head = "Element of node [" + std::string(own != nullptr ? own : "") + "] names [";
    for (const std::string& name : names) {
        int found = -1;
        for (int i = 0; i < parents.GetCount() && found < 0; ++i) {
            const char* id = network->GetNode(parents[i])->GetId();
            if (id != nullptr && name == id) found = parents[i];
        }
        // Read unbound, the name would give the undefined marker in every draw.
        if (found < 0) return head + name + "], which is not one of its parents.";
        if (vovido::IsDiscreteType(network->GetNodeType(found)))
            return head + name +
                   "], a discrete parent: discrete parents select the cell and are no variables of its "
                   "expressions.";
    }
    return {};
}

std::string VRX_defHybrid::FindNameFault() const {
    for (const auto& cell : elements.cells) {
        if (!cell) continue;
        std::string fault = NameFault(*cell);
        if (!fault.empty()) return fault;
    }
    return {};
}

int VRX_defHybrid::CheckElementNames(VRX_Helement& element) const {
    const std::string fault = NameFault(element);
    return fault.empty() ? kSuccess : LogError(errorLog, kOutOfRange, fault.c_str(), nullptr);
}

int VRX_defHybrid::SetElement(const VRX_intArray& coordinates, std::unique_ptr<VRX_Helement> element) {
    if (!element) return kOutOfRange;
    const int index = elements.IndexOf(coordinates);
    if (index < 0) return index;
    if (!AcceptsElement(*element)) return kWrongNodeType;
    if (const int rc = CheckElementNames(*element)) return rc;
    elements.cells[static_cast<size_t>(index)] = std::move(element);
    return kSuccess;
}

int VRX_defHybrid::CopyTableFrom(VRX_defHybrid& source) {
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;
    elements = source.elements;
    dimensionParents_ = source.dimensionParents_;
    CheckValidity(1);
    CheckConsistency(1);
    DefinitionSupport::NotifyNetwork(*this, ChangeKind::kDefinitionReplaced);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Continuous kinds

int VRX_defContinuousHybrid::SetUpperBound(double value) {
    upperBound = value;
    upperSet_ = true;
    return kSuccess;
}
int VRX_defContinuousHybrid::GetUpperBound(double& value) const {
    value = upperBound;
    return kSuccess;
}
int VRX_defContinuousHybrid::SetLowerBound(double value) {
    lowerBound = value;
    lowerSet_ = true;
    return kSuccess;
}
int VRX_defContinuousHybrid::GetLowerBound(double& value) const {
    value = lowerBound;
    return kSuccess;
}

int VRX_defContinuousHybrid::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    if (source.GetType() != GetType()) return kOutOfRange;
    auto& other = static_cast<VRX_defContinuousHybrid&>(source);
    lowerBound = other.lowerBound;
    upperBound = other.upperBound;
    lowerSet_ = other.lowerSet_;
    upperSet_ = other.upperSet_;
    return CopyTableFrom(other);
}

VRX_defDistribution::VRX_defDistribution(int nodeHandle, VRX_network* net)
    : VRX_defContinuousHybrid(nodeHandle, net) {
    CheckValidity(0);
    (void)RebuildFromParents();  // never fails
}

VRX_defDistribution::VRX_defDistribution(VRX_nodeDefinition& source) : VRX_defContinuousHybrid(source) {
    CheckValidity(0);
    if (CopyFrom(source) != kSuccess) (void)RebuildFromParents();  // never fails
}

int VRX_defDistribution::GetType() const {
    return DefinitionType::kDistribution;
}
const char* VRX_defDistribution::GetTypeName() const {
    return "DISTRIBUTION";
}

VRX_defHEquation::VRX_defHEquation(int nodeHandle, VRX_network* net)
    : VRX_defContinuousHybrid(nodeHandle, net) {
    CheckValidity(0);
    (void)RebuildFromParents();  // never fails
}

VRX_defHEquation::VRX_defHEquation(VRX_nodeDefinition& source) : VRX_defContinuousHybrid(source) {
    CheckValidity(0);
    if (CopyFrom(source) != kSuccess) (void)RebuildFromParents();  // never fails
}

int VRX_defHEquation::GetType() const {
    return DefinitionType::kHEquation;
}
const char* VRX_defHEquation::GetTypeName() const {
    return "HEQUATION";
}

// ---------------------------------------------------------------------------------------------------
// Discrete child of hybrid parents

VRX_defDchildHparent::VRX_defDchildHparent(int nodeHandle, VRX_network* net)
    : NamedOutcomes<VRX_defHybrid>("State", nodeHandle, net) {
    (void)outcomeIds.Add("state0");  // fresh array: cannot fail
    (void)outcomeIds.Add("state1");
    numOutcomes = 2;
    CheckValidity(0);
    (void)RebuildFromParents();  // never fails
}

VRX_defDchildHparent::VRX_defDchildHparent(VRX_nodeDefinition& source)
    : NamedOutcomes<VRX_defHybrid>("State", source) {
    CheckValidity(0);
    if (CopyFrom(source) == kSuccess) return;
    (void)outcomeIds.Add("state0");
    (void)outcomeIds.Add("state1");
    numOutcomes = 2;
    (void)RebuildFromParents();
}

int VRX_defDchildHparent::GetType() const {
    return DefinitionType::kDchildHparent;
}
const char* VRX_defDchildHparent::GetTypeName() const {
    return "DCHILDHPARENT";
}

int VRX_defDchildHparent::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    if (source.GetType() != GetType()) return kOutOfRange;
    if (const int rc = CopyOutcomesFrom(source)) return rc;
    return CopyTableFrom(static_cast<VRX_defHybrid&>(source));
}

std::unique_ptr<VRX_Helement> VRX_defDchildHparent::CreateDefaultElement() const {
    return std::make_unique<VRX_discreteElement>(numOutcomes);
}

bool VRX_defDchildHparent::AcceptsElement(const VRX_Helement& element) const {
    return element.IsDiscrete() &&
           static_cast<const VRX_discreteElement&>(element).GetOutcomeCount() == numOutcomes;
}

int VRX_defDchildHparent::InsertOutcomeData(int index) {
    for (auto& cell : elements.cells) cell->OutcomeInserted(index);
    return kSuccess;
}

int VRX_defDchildHparent::RemoveOutcomeData(int index) {
    for (auto& cell : elements.cells) cell->OutcomeRemoved(index);
    return kSuccess;
}

int VRX_defDchildHparent::ReorderOutcomeData(const VRX_intArray& permutation) {
    for (auto& cell : elements.cells) cell->OutcomesReordered(permutation);
    return kSuccess;
}
