// A node and its parts, the factories that make definitions and values from type codes, and the change
// of a node's kind with everything around it brought back in step.
#include "model/node.h"

#include <cstring>
#include <new>
#include <string>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/belief_vector.h"
#include "definitions/cast.h"
#include "definitions/continuous_values.h"
#include "definitions/cpt.h"
#include "definitions/decision_list.h"
#include "definitions/demorgan.h"
#include "definitions/equation.h"
#include "definitions/equation_scc.h"
#include "definitions/hybrid_definition.h"
#include "definitions/mau.h"
#include "definitions/mau_values.h"
#include "definitions/node_cost.h"
#include "definitions/noisy_adder.h"
#include "definitions/noisy_max.h"
#include "definitions/truth_table.h"
#include "definitions/utility_table.h"
#include "definitions/utility_values.h"
#include "model/extra_definition.h"
#include "model/kind_change_notices.h"
#include "model/network.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/node_kind_words.h"
#include "model/node_value.h"
#include "model/notices_off.h"
#include "model/submodel.h"

using vovido::IsIndexingType;

namespace {

using DefinitionMaker = VRX_nodeDefinition* (*)(int handle, VRX_network* network);
using DefinitionCopier = VRX_nodeDefinition* (*)(VRX_nodeDefinition& source);
using ValueMaker = VRX_nodeValue* (*)(int handle, VRX_network* network);
using ValueCopier = VRX_nodeValue* (*)(VRX_nodeValue& source);

template <class Definition>
VRX_nodeDefinition* MakeDefinition(int handle, VRX_network* network) {
    return new Definition(handle, network);
}
template <class Definition>
VRX_nodeDefinition* CopyDefinitionOf(VRX_nodeDefinition& source) {
    return new Definition(source);
}
template <class Value>
VRX_nodeValue* MakeValue(int handle, VRX_network* network) {
    return new Value(handle, network);
}
template <class Value>
VRX_nodeValue* CopyValueOf(VRX_nodeValue& source) {
    return new Value(source);
}

struct DefinitionKind {
    int typeCode;
    int valueType;
    DefinitionMaker make;
    DefinitionCopier copy;
};

struct ValueKind {
    int valueType;
    ValueMaker make;
    ValueCopier copy;
};

// The definition kinds whose classes are built, with the value type each gets: one line per kind.
constexpr DefinitionKind kDefinitionKinds[] = {
    {DefinitionType::kCpt, ValueType::kBeliefVector, &MakeDefinition<VRX_cpt>, &CopyDefinitionOf<VRX_cpt>},
    {DefinitionType::kTable, ValueType::kExpectedUtility, &MakeDefinition<VRX_table>,
     &CopyDefinitionOf<VRX_table>},
    {DefinitionType::kList, ValueType::kListOfDecisions, &MakeDefinition<VRX_list>,
     &CopyDefinitionOf<VRX_list>},
    {DefinitionType::kTruthTable, ValueType::kBeliefVector, &MakeDefinition<VRX_truthTable>,
     &CopyDefinitionOf<VRX_truthTable>},
    {DefinitionType::kCast, ValueType::kBeliefVector, &MakeDefinition<VRX_cast>, &CopyDefinitionOf<VRX_cast>},
    {DefinitionType::kDeMorgan, ValueType::kBeliefVector, &MakeDefinition<VRX_demorgan>,
     &CopyDefinitionOf<VRX_demorgan>},
    {DefinitionType::kNoisyMax, ValueType::kBeliefVector, &MakeDefinition<VRX_noisyMAX>,
     &CopyDefinitionOf<VRX_noisyMAX>},
    {DefinitionType::kNoisyAdder, ValueType::kBeliefVector, &MakeDefinition<VRX_noisyAdder>,
     &CopyDefinitionOf<VRX_noisyAdder>},
    {DefinitionType::kMau, ValueType::kMauExpectedUtility, &MakeDefinition<VRX_mau>,
     &CopyDefinitionOf<VRX_mau>},
    {DefinitionType::kEquation, ValueType::kEqEvaluation, &MakeDefinition<VRX_equation>,
     &CopyDefinitionOf<VRX_equation>},
    // Copied as well, equation and members included, so that copies of a network keep its components.
    {DefinitionType::kEquationScc, ValueType::kEqEvaluation, &MakeDefinition<VRX_equationSCC>,
     &CopyDefinitionOf<VRX_equationSCC>},
    {DefinitionType::kDchildHparent, ValueType::kBeliefVector, &MakeDefinition<VRX_defDchildHparent>,
     &CopyDefinitionOf<VRX_defDchildHparent>},
    {DefinitionType::kDistribution, ValueType::kContinuous, &MakeDefinition<VRX_defDistribution>,
     &CopyDefinitionOf<VRX_defDistribution>},
    {DefinitionType::kHEquation, ValueType::kContinuous, &MakeDefinition<VRX_defHEquation>,
     &CopyDefinitionOf<VRX_defHEquation>},
};

// The value classes that are built: one line per class.
constexpr ValueKind kValueKinds[] = {
    {ValueType::kBeliefVector, &MakeValue<VRX_beliefVector>, &CopyValueOf<VRX_beliefVector>},
    {ValueType::kListOfDecisions, &MakeValue<VRX_listOfDecisions>, &CopyValueOf<VRX_listOfDecisions>},
    {ValueType::kExpectedUtility, &MakeValue<VRX_expectedUtility>, &CopyValueOf<VRX_expectedUtility>},
    {ValueType::kMauExpectedUtility, &MakeValue<VRX_mauExpectedUtility>,
     &CopyValueOf<VRX_mauExpectedUtility>},
    {ValueType::kEqEvaluation, &MakeValue<VRX_valEqEvaluation>, &CopyValueOf<VRX_valEqEvaluation>},
    {ValueType::kContinuous, &MakeValue<VRX_valcontinuous>, &CopyValueOf<VRX_valcontinuous>},
};

const DefinitionKind* FindDefinitionKind(int typeCode) {
    for (const DefinitionKind& kind : kDefinitionKinds) {
        if (kind.typeCode == typeCode) return &kind;
    }
    return nullptr;
}

const ValueKind* FindValueKind(int valueType) {
    for (const ValueKind& kind : kValueKinds) {
        if (kind.valueType == valueType) return &kind;
    }
    return nullptr;
}

// Replaces a part by what `make` builds (null when it threw bad_alloc: kOutOfMemory).
template <class Part, class Make>
int ReplacePart(std::unique_ptr<Part>& part, Make make) {
    part.reset();
    try {
        part.reset(make());
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

// Makes part a copy of source, bound to the node, by the kind `find` gives for the source's type; a
// source of type `none` empties it. An unknown type leaves the part as it was.
template <class Part, class Kind>
int CopyPartOf(std::unique_ptr<Part>& part, Part& source, int none, const Kind* (*find)(int),
               VRX_network* network, int handle) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == part.get()) return kSuccess;
    const int type = source.GetType();
    if (type == none) {
        part.reset();
        return kSuccess;
    }
    const Kind* kind = find(type);
    if (kind == nullptr) return kOutOfRange;
    if (const int rc = ReplacePart(part, [&] { return kind->copy(source); })) return rc;
    part->Bind(network, handle);
    return kSuccess;
}

struct TypeName {
    const char* name;
    int typeCode;
};

constexpr TypeName kTypeNames[] = {
    {"CPT", DefinitionType::kCpt},
    {"TRUTHTABLE", DefinitionType::kTruthTable},
    {"LIST", DefinitionType::kList},
    {"TABLE", DefinitionType::kTable},
    {"NOISY_MAX", DefinitionType::kNoisyMax},
    {"NOISY_ADDER", DefinitionType::kNoisyAdder},
    {"MAU", DefinitionType::kMau},
    {"CAST", DefinitionType::kCast},
    {"DEMORGAN", DefinitionType::kDeMorgan},
    {"DCHILDHPARENT", DefinitionType::kDchildHparent},
    {"DISTRIBUTION", DefinitionType::kDistribution},
    {"HEQUATION", DefinitionType::kHEquation},
};

// Size of the dimension that a node of this kind and outcome count gives its children's tables (and
// its cost children's cost tables); 0 for none.
int DimensionForChildren(int typeCode, int outcomes) {
    return IsIndexingType(typeCode) && outcomes >= 1 ? outcomes : 0;
}

int OutcomeCountOf(VRX_nodeDefinition* definition) {
    if (definition == nullptr) return 0;
    const int n = definition->GetNumberOfOutcomes();
    return n > 0 ? n : 0;
}

// Number of per-outcome entries the extra definition keeps for a definition.
int ExtraOutcomeCount(VRX_nodeDefinition* definition) {
    if (definition == nullptr) return 0;
    const int type = definition->GetType();
    if (type == DefinitionType::kTable || type == DefinitionType::kMau) return 0;
    return OutcomeCountOf(definition);
}

}  // namespace

// ---- Construction and life cycle ----

VRX_node::VRX_node(int typeCode, int nodeHandle, VRX_network* net) : VRX_object() {
    SetFlag(kValid, false);
    if (net == nullptr) return;
    network = net;
    handle = nodeHandle;
    submodel = kMainSubmodel;
    try {
        info = std::make_unique<VRX_nodeInfo>();
    } catch (const std::bad_alloc&) {
        return;
    }
    info->header.SetOwnerNode(this);
    // A part that cannot be made leaves the node not valid (CheckValidity below).
    (void)CreateDefinition(typeCode);
    (void)CreateValue(typeCode);
    if (!HasCostParents()) {
        freshCost_ = true;
    } else {
        try {
            cost = std::make_unique<VRX_nodeCost>(handle, network);
        } catch (const std::bad_alloc&) {
        }
    }
    CheckValidity(0);
}

VRX_node::VRX_node(const VRX_node& source) : VRX_object() {
    SetFlag(kValid, false);
    if (!source.IsValid()) return;
    network = source.network;
    handle = source.handle;
    submodel = source.submodel;
    modelOnly_ = source.modelOnly_;
    if (source.info) {
        try {
            info = std::make_unique<VRX_nodeInfo>(*source.info);
            info->header.SetOwnerNode(this);
        } catch (const std::bad_alloc&) {
            info.reset();
        }
    }
    // A part that cannot be copied leaves the node not valid (CheckValidity below).
    (void)CopyDefinition(*source.definition);
    (void)CopyValue(*source.value);
    try {
        if (source.cost) cost = std::make_unique<VRX_nodeCost>(*source.cost);
        freshCost_ = source.freshCost_;
        if (source.extraDefinition)
            extraDefinition = std::make_unique<VRX_extraDefinition>(*source.extraDefinition);
    } catch (const std::bad_alloc&) {
    }
    BindParts();
    CheckValidity(0);
}

VRX_node::~VRX_node() = default;

void VRX_node::CleanUp(int deep) {
    if (deep) {
        if (info) info->CleanUp(deep);
        if (definition) definition->CleanUp(deep);
        if (value) value->CleanUp(deep);
        if (cost) cost->CleanUp(deep);
        if (extraDefinition) extraDefinition->CleanUp(deep);
    }
    info.reset();
    definition.reset();
    value.reset();
    cost.reset();
    freshCost_ = false;
    extraDefinition.reset();
    CheckValidity(0);
}

bool VRX_node::HasValidInfo() const {
    return info ? info->IsValid() : modelOnly_;
}

void VRX_node::CheckValidity(int deep) {
    if (deep) {
        if (info) info->CheckValidity(deep);
        if (definition) definition->CheckValidity(deep);
        if (value) value->CheckValidity(deep);
    }
    SetFlag(kValid, HasValidInfo() && definition && value && definition->IsValid() && value->IsValid());
}

void VRX_node::CheckConsistency(int deep) {
    if (deep) {
        if (info) info->CheckConsistency(deep);
        if (definition) definition->CheckConsistency(deep);
        if (value) value->CheckConsistency(deep);
    }
    const bool infoConsistent = info ? info->IsConsistent() : modelOnly_;
    SetFlag(kConsistent,
            infoConsistent && definition && value && definition->IsConsistent() && value->IsConsistent());
}

int VRX_node::AssignParts(const VRX_node& source) {
    if (&source == this) return kSuccess;
    SetFlag(kValid, false);
    modelOnly_ = info == nullptr;
    network = source.network;
    handle = source.handle;
    submodel = source.submodel;
    int rc = kSuccess;
    if (source.definition) {
        rc = CopyDefinition(*source.definition);
    } else {
        definition.reset();
    }
    if (rc == kSuccess) {
        if (source.value) {
            rc = CopyValue(*source.value);
        } else {
            value.reset();
        }
    }
    if (rc == kSuccess) {
        try {
            cost = source.cost ? std::make_unique<VRX_nodeCost>(*source.cost) : nullptr;
            freshCost_ = source.freshCost_;
            // The copies of the algorithms carry no descriptive data, so neither does their extra part.
            extraDefinition = source.extraDefinition
                                  ? std::make_unique<VRX_extraDefinition>(*source.extraDefinition,
                                                                          VRX_extraDefinition::ModelOnly{})
                                  : nullptr;
        } catch (const std::bad_alloc&) {
            rc = kOutOfMemory;
        }
    }
    if (rc == kSuccess && source.cost && !cost->IsValid()) rc = kObjectNotValid;
    BindParts();
    if (rc != kSuccess) return rc;
    SetFlag(kValid, true);
    return kSuccess;
}

VRX_nodeCost* VRX_node::GetCost() const {
    if (freshCost_) {
        try {
            // Built without reading the cost parents: the fresh cost has none.
            cost = std::make_unique<VRX_nodeCost>(handle, nullptr);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        cost->Bind(network, handle);
        freshCost_ = false;
    }
    return cost.get();
}

int VRX_node::RebuildCost() {
    // A fresh cost without cost parents is what the rebuild would make.
    if (freshCost_ && !HasCostParents()) return kSuccess;
    VRX_nodeCost* built = GetCost();
    return built != nullptr ? built->RebuildFromParents() : kSuccess;
}

bool VRX_node::HasCostParents() const {
    return network != nullptr && handle >= 0 && handle < network->GetNumberOfSlots() &&
           network->GetParents(handle, 1).GetCount() > 0;
}

void VRX_node::BindParts() {
    if (definition) definition->Bind(network, handle);
    if (value) value->Bind(network, handle);
    if (cost) cost->Bind(network, handle);
    if (extraDefinition) extraDefinition->Bind(network, handle);
}

// ---- Factories ----

bool VRX_node::IsKnownTypeCode(int typeCode) {
    return FindDefinitionKind(typeCode) != nullptr;
}

int VRX_node::GetTypeCodeFromName(const char* name) {
    if (name == nullptr) return kOutOfRange;
    for (const TypeName& entry : kTypeNames) {
        if (std::strcmp(entry.name, name) == 0) return entry.typeCode;
    }
    return kOutOfRange;
}

int VRX_node::CreateDefinition(int typeCode) {
    if (typeCode == DefinitionType::kNone) {
        definition.reset();
        return kSuccess;
    }
    // An unknown code leaves the current definition in place.
    const DefinitionKind* kind = FindDefinitionKind(typeCode);
    if (kind == nullptr) return kOutOfRange;
    if (const int rc = ReplacePart(definition, [&] { return kind->make(handle, network); })) return rc;
    try {
        if (!extraDefinition) extraDefinition = std::make_unique<VRX_extraDefinition>(handle, network);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int VRX_node::CreateValue(int typeCode) {
    if (typeCode == DefinitionType::kNone) {
        value.reset();
        return kSuccess;
    }
    const DefinitionKind* definitionKind = FindDefinitionKind(typeCode);
    const ValueKind* kind = definitionKind != nullptr ? FindValueKind(definitionKind->valueType) : nullptr;
    if (kind == nullptr) return kOutOfRange;
    return ReplacePart(value, [&] { return kind->make(handle, network); });
}

int VRX_node::CopyDefinition(VRX_nodeDefinition& source) {
    return CopyPartOf(definition, source, DefinitionType::kNone, &FindDefinitionKind, network, handle);
}

int VRX_node::CopyValue(VRX_nodeValue& source) {
    return CopyPartOf(value, source, ValueType::kNone, &FindValueKind, network, handle);
}

void VRX_node::SyncExtraDefinition() {
    if (!extraDefinition) return;
    // Kept as it is while the outcome count still fits, so the diagnostic data survives a change of kind.
    if (extraDefinition->GetFaultOutcomes().GetCount() != ExtraOutcomeCount(definition.get()))
        (void)extraDefinition->ResetOutcomeData();  // out of memory leaves the per-outcome data empty
}

// ---- Change of kind ----

int VRX_node::RefuseUnknownTypeCode(int typeCode) {
    const std::string message = "Unknown node type code: " + std::to_string(typeCode);
    return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
}

int VRX_node::ChangeType(int typeCode) {
    if (definition && definition->GetType() == typeCode) return kSuccess;
    // Code 0 would leave the node without a definition, and so not valid.
    if (!IsKnownTypeCode(typeCode)) return RefuseUnknownTypeCode(typeCode);
    if (network == nullptr || !network->IsLiveHandle(handle) || network->GetNode(handle) != this)
        return kObjectNotValid;

    const int oldType = GetType();
    const int oldDimension = DimensionForChildren(oldType, OutcomeCountOf(definition.get()));
    vovido::KindChangeNeighbours former{network->GetParents(handle, 0), network->GetChildren(handle, 0),
                                        network->GetChildren(handle, 1)};
    const VRX_intArray& formerChildren = former.children;
    const VRX_intArray& formerCostChildren = former.costChildren;
    if (former.parents.GetCount() != network->GetParents(handle, 0).GetCount() ||
        formerChildren.GetCount() != network->GetChildren(handle, 0).GetCount() ||
        formerCostChildren.GetCount() != network->GetChildren(handle, 1).GetCount())
        return kOutOfMemory;

    const vovido::FormerEvidence formerEvidence = vovido::EvidenceOf(*this);
    // The node holds the new parts while they convert: the conversion may edit the graph around it.
    std::unique_ptr<VRX_nodeDefinition> oldDefinition = std::move(definition);
    std::unique_ptr<VRX_nodeValue> oldValue = std::move(value);
    vovido::NoticeCall call;
    const int firstEntry = errorLog.GetNumberOfEntries();
    int converted = kSuccess;
    {
        // The network hears of the change once it is made: a refused one must leave its evidence, propagated
        // values and up-to-date flags as they were.
        const vovido::NoticesOff quiet(*network);
        int rc = CreateDefinition(typeCode);
        if (rc == kSuccess) rc = CreateValue(typeCode);
        if (rc != kSuccess || !definition || !value) {
            definition = std::move(oldDefinition);
            value = std::move(oldValue);
            return call.Result(rc != kSuccess ? rc : kOutOfMemory);
        }
        converted = ConvertDefinition(oldDefinition.get(), typeCode, firstEntry);
    }
    const bool discrete = vovido::IsDiscreteType(typeCode);
    if (discrete && converted != kSuccess && converted != kOutOfMemory &&
        definition->GetNumberOfOutcomes() < 2) {
        const std::string kind = vovido::KindNodeText(definition.get());
        definition = std::move(oldDefinition);
        value = std::move(oldValue);
        BindParts();
        return call.Result(vovido::RefuseKindWithoutOutcomes(*this, kind));
    }
    if (converted == kOutOfMemory) {
        definition = std::move(oldDefinition);
        value = std::move(oldValue);
        BindParts();
        return call.Result(converted);
    }
    if (oldValue && value->CopyFrom(*oldValue) != kSuccess) {
        value->Bind(network, handle);
        (void)value->RebuildFromDefinition();
    }
    BindParts();
    oldDefinition.reset();
    oldValue.reset();

    RemoveInvalidParents(1);
    const int newDimension = DimensionForChildren(GetType(), OutcomeCountOf(definition.get()));
    VRX_intArray reset;
    if (newDimension != oldDimension)
        RealignChildren(formerChildren, formerCostChildren, newDimension, reset);
    vovido::ReportKindChange(*network, handle, former, reset, firstEntry);
    vovido::SettleEvidenceAfterChange(*this, formerEvidence);
    SyncExtraDefinition();
    CheckValidity(0);
    network->OnNodeTypeChanged(handle, oldType);
    // Evidence propagated through the former tables of the node and of the children reset goes with them.
    (void)network->NotifyChange(handle, ChangeKind::kDefinitionReplaced);
    return kSuccess;
}

namespace {

bool TakesOnlyIndexingParents(int type) {
    return type == DefinitionType::kCpt || type == DefinitionType::kTruthTable ||
           type == DefinitionType::kNoisyMax || type == DefinitionType::kNoisyAdder;
}

// One size-2 dimension per parent whatever the parent's outcomes, kept in step by every arc removal.
bool HoldsTwoOutcomesPerParent(int type) {
    return type == DefinitionType::kCast || type == DefinitionType::kDeMorgan;
}

}  // namespace

void VRX_node::RealignChildren(const VRX_intArray& formerChildren, const VRX_intArray& formerCostChildren,
                               int newDimension, VRX_intArray& reset) {
    // A child that dropped the node may still hold its old dimension, and one that kept it a dimension
    // of the old size: both are rebuilt from their current parents. The change of kind has been made
    // by now, so each step is best effort: a child that cannot follow (out of memory) keeps its table.
    for (int i = 0; i < formerChildren.GetCount(); i++) {
        const int childHandle = formerChildren[i];
        VRX_node* child = network->GetNode(childHandle);
        if (child == nullptr) continue;
        // The probability-table kinds take only parents that index their table: a parent that no longer
        // does would keep its arc without a dimension, which inference cannot use.
        if (newDimension == 0 && TakesOnlyIndexingParents(child->GetType()) &&
            network->GetParents(childHandle, 0).IsInList(handle))
            (void)network->RemoveArc(handle, childHandle);
        // A rebuild would only set such a child's weights back to their defaults.
        VRX_nodeDefinition* childDefinition = child->GetDefinition();
        if (childDefinition != nullptr && !HoldsTwoOutcomesPerParent(child->GetType()) &&
            childDefinition->RebuildFromParents() == kSuccess)
            (void)reset.Add(childHandle);  // out of memory leaves the child unnamed
        VRX_nodeValue* childValue = child->GetValue();
        if (childValue != nullptr && childValue->GetIndexingParents().IsInList(handle))
            (void)childValue->RebuildFromDefinition();
    }
    // Node costs take only cost parents of the indexing kinds.
    for (int i = 0; i < formerCostChildren.GetCount(); i++) {
        const int childHandle = formerCostChildren[i];
        VRX_node* child = network->GetNode(childHandle);
        if (child == nullptr) continue;
        if (newDimension == 0 && network->GetParents(childHandle, 1).IsInList(handle))
            (void)network->RemoveCostArc(handle, childHandle);
        if (VRX_nodeCost* childCost = child->GetCost()) (void)childCost->RebuildFromParents();
    }
}

int VRX_node::ConvertDefinition(VRX_nodeDefinition* oldDefinition, int typeCode, int firstEntry) {
    // What cannot be taken over leaves the new definition as built from the parents. A table memory cannot
    // hold keeps the node as it was: a conversion that lost its table is no conversion. The conversion and
    // the rebuild each build from the parents afresh and report the ones refused, so what the construction
    // or a failed conversion reported goes.
    if (oldDefinition != nullptr) errorLog.Truncate(firstEntry);
    int converted = oldDefinition != nullptr ? definition->CopyFrom(*oldDefinition) : kSuccess;
    if (converted != kSuccess && converted != kOutOfMemory) {
        errorLog.Truncate(firstEntry);
        definition->Bind(network, handle);
        converted = definition->RebuildFromParents();
    }
    // A discrete kind made from one without outcomes (an equation, a utility) takes two generated ones,
    // so that its table, its children's and every file have a dimension to hold.
    if (converted != kOutOfMemory && vovido::IsDiscreteType(typeCode) &&
        definition->GetNumberOfOutcomes() < 2) {
        definition->Bind(network, handle);
        converted = definition->SetNumberOfOutcomes(2);
        if (converted == kSuccess) converted = definition->RebuildFromParents();
        if (converted == kSuccess && definition->GetNumberOfOutcomes() < 2) converted = kOutOfRange;
    }
    return converted;
}

int VRX_node::ChangeTypeByName(const char* name) {
    const int typeCode = GetTypeCodeFromName(name);
    if (typeCode < 0) return typeCode;
    return ChangeType(typeCode);
}

// ---- Identity, graph and placement ----

const char* VRX_node::GetId() const {
    return info ? info->header.GetId() : nullptr;
}

int VRX_node::SetId(const char* id) {
    if (!info) return kObjectNotValid;
    return info->header.SetId(id);
}

VRX_intArray& VRX_node::GetParents() {
    return network->GetParents(handle, 0);
}

VRX_intArray& VRX_node::GetChildren() {
    return network->GetChildren(handle, 0);
}

int VRX_node::GetType() const {
    return definition ? definition->GetType() : DefinitionType::kNone;
}

int VRX_node::SetNetwork(VRX_network* net) {
    if (net == nullptr) return kOutOfRange;
    if (!net->IsValid()) return kObjectNotValid;
    network = net;
    BindParts();
    return kSuccess;
}

int VRX_node::SetSubmodel(int submodelHandle) {
    if (network == nullptr) return kOutOfRange;
    if (network->GetSubmodelHandler().GetSubmodel(submodelHandle) == nullptr) return kOutOfRange;
    submodel = submodelHandle;
    return kSuccess;
}

int VRX_node::SetSubmodelById(const char* id) {
    if (id == nullptr || network == nullptr) return kOutOfRange;
    const int found = network->GetSubmodelHandler().FindSubmodel(id);
    if (found < 0) return LogError(errorLog, kIllegalIdentifier, "Unknown submodel", nullptr);
    return SetSubmodel(found);
}

int VRX_node::ApplyDefaultScreenInfo() {
    if (!info) return kObjectNotValid;
    if (network == nullptr) return kOutOfRange;
    return info->screenInfo.ApplyDefaults(network->GetSubmodelHandler().GetNodeDefaults());
}

int VRX_node::RemoveInvalidParents(int withChildren) {
    int result = definition ? definition->RemoveInvalidParents() : kSuccess;
    if (!withChildren || network == nullptr || !network->IsLiveHandle(handle)) return result;
    // Children may drop the node, which edits the list being walked.
    VRX_intArray children(network->GetChildren(handle, 0));
    for (int i = 0; i < children.GetCount(); i++) {
        VRX_node* child = network->GetNode(children[i]);
        if (child != nullptr && child->GetDefinition() != nullptr) {
            const int rc = child->GetDefinition()->RemoveInvalidParents();
            if (result == kSuccess) result = rc;
        }
    }
    return result;
}
