// Multi-attribute utility definition: weights that follow the parent edits, and expression tables whose
// variables name utility parents.
#include "definitions/mau.h"

#include <algorithm>
#include <new>
#include <set>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/expression_parser.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node.h"

namespace DefinitionSupport = vovido::DefinitionSupport;

namespace {

bool IsUtilityKind(int type) {
    return type == DefinitionType::kTable || type == DefinitionType::kMau;
}

// Gathers the variable names of an expression, checking each against the references the node may make.
class MauVarVisitor : public VRX_variableVisitor {
public:
    MauVarVisitor(VRX_network* network, int handle) : network_(network), handle_(handle) {}
    void Visit(VRX_variable& variable) override {
        if (network_ != nullptr && reason.empty())
            reason = vovido::CheckMauReference(*network_, handle_, variable.name);
        names.insert(variable.name);
    }
    std::string reason;
    std::set<std::string> names;

private:
    VRX_network* network_;
    int handle_;
};

std::set<std::string> NamesOf(const ExpressionTable& table) {
    MauVarVisitor visitor(nullptr, -1);
    for (int i = 0; i < table.GetCellCount(); i++) {
        if (table.GetCell(i) != nullptr) table.GetCell(i)->Accept(visitor);
    }
    return visitor.names;
}

}  // namespace

namespace vovido {

std::string CheckMauReference(VRX_network& network, int handle, const std::string& name) {
    const int found = network.FindNode(name.c_str());
    if (found == handle) return "self-references not allowed";
    if (found < 0) return "unknown identifier [" + name + "]";
    VRX_intArray descendants;
    const bool descendant =
        network.GetDescendants(handle, descendants) == kSuccess && descendants.IsInList(found);
    if (!descendant && IsUtilityKind(network.GetNodeType(found))) return "";
    return "only non-descendant utility/ALU/MAU nodes are allowed";
}

}  // namespace vovido

VRX_mau::VRX_mau(int nodeHandle, VRX_network* net) : VRX_nodeDefinition(nodeHandle, net) {
    (void)RebuildFromParents();  // out of memory leaves the weights empty
    CheckValidity(0);
}

VRX_mau::VRX_mau(VRX_nodeDefinition& source) : VRX_nodeDefinition(source) {
    if (auto* mau = dynamic_cast<VRX_mau*>(&source)) {
        // A copy of the same kind takes the weights and the table as they are, without the graph.
        if (weightMatrix.Copy(mau->weightMatrix) == kSuccess && mau->expressions) {
            try {
                expressions = std::make_unique<ExpressionTable>(*mau->expressions);
            } catch (const std::bad_alloc&) {
                expressions.reset();
            }
        }
        SetFlag(kValid, source.IsValid());
        return;
    }
    (void)CopyFrom(source);
}

VRX_mau::~VRX_mau() = default;

void VRX_mau::CleanUp(int deep) {
    if (deep) weightMatrix.CleanUp();
    expressions.reset();
    CheckValidity(0);
}

void VRX_mau::CheckValidity(int deep) {
    VRX_nodeDefinition::CheckValidity(deep);
}

int VRX_mau::GetType() const {
    return DefinitionType::kMau;
}

const char* VRX_mau::GetTypeName() const {
    return "MAU";
}

void VRX_mau::SplitParents(std::vector<int>& decisions, std::vector<int>& utilities) const {
    decisions.clear();
    utilities.clear();
    if (!IsAttachedToLiveNode()) return;
    const VRX_intArray& parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); i++) {
        if (network->GetNodeType(parents[i]) == DefinitionType::kList) {
            decisions.push_back(parents[i]);
        } else {
            utilities.push_back(parents[i]);
        }
    }
}

std::string VRX_mau::ParentId(int parent) const {
    const char* id = network->GetNode(parent)->GetId();
    return id != nullptr ? id : "";
}

// ---------------------------------------------------------------------------------------------------
// Parents

int VRX_mau::AddParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (!IsAttachedToLiveNode() || !network->IsLiveHandle(parent)) return kOutOfRange;
    const int type = network->GetNodeType(parent);
    std::vector<int> decisions;
    std::vector<int> utilities;
    SplitParents(decisions, utilities);
    if (type == DefinitionType::kList) {
        const int d =
            static_cast<int>(std::find(decisions.begin(), decisions.end(), parent) - decisions.begin());
        const int n = network->GetNode(parent)->GetDefinition()->GetNumberOfOutcomes();
        if (n < 1) return kOutOfRange;
        std::unique_ptr<ExpressionTable> table;
        if (expressions) {
            table = std::make_unique<ExpressionTable>(*expressions);
            if (decisions.size() == 1) {
                VRX_intArray sizes;
                if (sizes.Add(n) != kSuccess) return kOutOfMemory;
                auto fresh = std::make_unique<ExpressionTable>(sizes);
                for (int k = 0; k < n; k++) fresh->SetCell(k, expressions->GetCell(0)->Clone());
                table = std::move(fresh);
            } else if (const int rc =
                           table->Mirror([&](VRX_Dmatrix& m) { return m.InsertDimension(d, n); })) {
                return rc;
            }
        }
        VRX_Dmatrix weights(weightMatrix);
        if (const int rc = weights.InsertDimension(d, n)) return rc;
        if (weights.GetNumberOfDimensions() == 1) weights.FillWith(1.0);
        weightMatrix.Swap(weights);
        if (table) expressions = std::move(table);
    } else if (IsUtilityKind(type)) {
        const int u =
            static_cast<int>(std::find(utilities.begin(), utilities.end(), parent) - utilities.begin());
        VRX_Dmatrix weights(weightMatrix);
        if (utilities.size() == 1) {
            if (const int rc = weights.AddDimension(1)) return rc;
            weights.FillWith(1.0);
        } else {
            const int last = weights.GetNumberOfDimensions() - 1;
            if (last < 0) return kOutOfRange;
            if (const int rc = weights.AddItem(last)) return rc;
            if (const int rc = weights.ShiftItemsUp(last, u, 1.0)) return rc;
        }
        if (expressions) {
            const std::string id = ParentId(parent);
            ExpressionTable table(*expressions);
            if (!table.IsValid()) return kOutOfMemory;
            for (int i = 0; i < table.GetCellCount(); i++) {
                std::unique_ptr<VRX_expression> cell = table.GetCell(i)->Clone();
                table.SetCell(i, AddVariableToSum(std::move(cell), id));
            }
            *expressions = table;
        }
        weightMatrix.Swap(weights);
    } else {
        return kOutOfRange;
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_mau::RemoveParent(int parent) {
    if (!IsValid()) return kObjectNotValid;
    if (!IsAttachedToLiveNode() || !network->IsLiveHandle(parent)) return kOutOfRange;
    std::vector<int> decisions;
    std::vector<int> utilities;
    SplitParents(decisions, utilities);
    const auto dIt = std::find(decisions.begin(), decisions.end(), parent);
    const auto uIt = std::find(utilities.begin(), utilities.end(), parent);
    if (dIt != decisions.end()) {
        const int d = static_cast<int>(dIt - decisions.begin());
        if (d < weightMatrix.GetNumberOfDimensions()) {
            if (const int rc = weightMatrix.ReduceToSlice(d, 0)) return rc;
        }
        if (expressions) {
            if (decisions.size() == 1) {
                if (const int rc = expressions->MakeSingle(expressions->GetCell(0)->Clone())) return rc;
            } else if (const int rc =
                           expressions->Mirror([&](VRX_Dmatrix& m) { return m.ReduceToSlice(d, 0); })) {
                return rc;
            }
            // The arc that goes is no longer a parent once the network has removed it; the others stay
            // until the union of the names says otherwise.
            if (const int rc = PruneUtilityParents()) return rc;
        }
    } else if (uIt != utilities.end()) {
        const int u = static_cast<int>(uIt - utilities.begin());
        const int last = weightMatrix.GetNumberOfDimensions() - 1;
        if (last >= 0) {
            if (utilities.size() == 1) {
                if (const int rc = weightMatrix.RemoveDimension(last)) return rc;
            } else if (u < weightMatrix.GetDimensions()[last]) {
                if (const int rc = weightMatrix.ShiftItemsDown(last, u)) return rc;
                if (const int rc = weightMatrix.RemoveLastItem(last)) return rc;
            }
        }
        if (expressions) {
            const std::string id = ParentId(parent);
            for (int i = 0; i < expressions->GetCellCount(); i++) {
                MauVarVisitor visitor(nullptr, -1);
                expressions->GetCell(i)->Accept(visitor);
                if (visitor.names.erase(id) == 0) continue;
                // Names in ascending byte order: std::set keeps them so.
                std::vector<std::string> rest(visitor.names.begin(), visitor.names.end());
                expressions->SetCell(i, BuildSumOfVariables(rest));
            }
        }
    }
    CheckValidity(0);
    return kSuccess;
}

int VRX_mau::PruneUtilityParents() {
    if (!expressions) return kSuccess;
    const std::set<std::string> names = NamesOf(*expressions);
    const VRX_intArray parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); i++) {
        if (network->GetNodeType(parents[i]) == DefinitionType::kList) continue;
        if (names.count(ParentId(parents[i])) == 0) (void)network->RemoveArc(parents[i], handle);  // live arc
    }
    return kSuccess;
}

int VRX_mau::AbsorbParentEvidence(int /*parent*/) {
    return kWrongNodeType;
}

int VRX_mau::MarginalizeParent(int /*parent*/) {
    return kWrongNodeType;
}

int VRX_mau::InsertParentOutcome(int parent, int index) {
    std::vector<int> decisions;
    std::vector<int> utilities;
    SplitParents(decisions, utilities);
    const auto it = std::find(decisions.begin(), decisions.end(), parent);
    if (it == decisions.end()) return kSuccess;
    const int d = static_cast<int>(it - decisions.begin());
    if (d >= weightMatrix.GetNumberOfDimensions() || index < 0 || index > weightMatrix.GetDimensions()[d])
        return kOutOfRange;
    VRX_Dmatrix weights(weightMatrix);
    if (const int rc = weights.AddItem(d)) return rc;
    if (const int rc = weights.ShiftItemsUp(d, index, 1.0)) return rc;
    if (expressions) {
        const int rc = expressions->Mirror([&](VRX_Dmatrix& m) {
            if (const int added = m.AddItem(d)) return added;
            // The new slot holds index 0: a copy of cell 0's expression.
            return m.ShiftItemsUp(d, index, 0.0);
        });
        if (rc != kSuccess) return rc;
    }
    weightMatrix.Swap(weights);
    CheckValidity(0);
    return kSuccess;
}

int VRX_mau::RemoveParentOutcome(int parent, int index) {
    std::vector<int> decisions;
    std::vector<int> utilities;
    SplitParents(decisions, utilities);
    const auto it = std::find(decisions.begin(), decisions.end(), parent);
    if (it == decisions.end()) return kSuccess;
    const int d = static_cast<int>(it - decisions.begin());
    if (d >= weightMatrix.GetNumberOfDimensions() || index < 0 || index >= weightMatrix.GetDimensions()[d])
        return kOutOfRange;
    auto removeItem = [&](VRX_Dmatrix& m) {
        if (const int rc = m.ShiftItemsDown(d, index)) return rc;
        return m.RemoveLastItem(d);
    };
    VRX_Dmatrix weights(weightMatrix);
    if (const int rc = removeItem(weights)) return rc;
    if (expressions) {
        if (const int rc = expressions->Mirror(removeItem)) return rc;
    }
    weightMatrix.Swap(weights);
    if (const int rc = PruneUtilityParents()) return rc;
    CheckValidity(0);
    return kSuccess;
}

int VRX_mau::ReorderParentOutcomes(int parent, const VRX_intArray& order) {
    std::vector<int> decisions;
    std::vector<int> utilities;
    SplitParents(decisions, utilities);
    const auto it = std::find(decisions.begin(), decisions.end(), parent);
    if (it == decisions.end()) return kSuccess;
    const int d = static_cast<int>(it - decisions.begin());
    VRX_Dmatrix weights(weightMatrix);
    if (const int rc = weights.ReorderItems(d, order)) return rc;
    if (expressions) {
        if (const int rc = expressions->Mirror([&](VRX_Dmatrix& m) { return m.ReorderItems(d, order); }))
            return rc;
    }
    weightMatrix.Swap(weights);
    CheckValidity(0);
    return kSuccess;
}

int VRX_mau::ReorderParents(const VRX_intArray& order) {
    if (!IsAttachedToLiveNode()) return kOutOfRange;
    // The network has permuted its list already: old position order[j] is new position j.
    const VRX_intArray& now = network->GetParents(handle);
    const int n = now.GetCount();
    if (order.GetCount() != n || order.CheckPermutation(n) != kSuccess) return kOutOfRange;
    std::vector<int> old(static_cast<size_t>(n));
    for (int j = 0; j < n; j++) old[static_cast<size_t>(order[j])] = now[j];
    std::vector<int> oldDecisions;
    std::vector<int> oldUtilities;
    for (int h : old)
        (network->GetNodeType(h) == DefinitionType::kList ? oldDecisions : oldUtilities).push_back(h);
    std::vector<int> decisions;
    std::vector<int> utilities;
    SplitParents(decisions, utilities);
    VRX_intArray decisionOrder;
    VRX_intArray utilityOrder;
    for (int h : decisions) {
        if (decisionOrder.Add(static_cast<int>(std::find(oldDecisions.begin(), oldDecisions.end(), h) -
                                               oldDecisions.begin())))
            return kOutOfMemory;
    }
    for (int h : utilities) {
        if (utilityOrder.Add(static_cast<int>(std::find(oldUtilities.begin(), oldUtilities.end(), h) -
                                              oldUtilities.begin())))
            return kOutOfMemory;
    }
    VRX_Dmatrix weights(weightMatrix);
    const int dims = weights.GetNumberOfDimensions();
    if (dims > 0) {
        VRX_intArray full;
        if (full.Copy(decisionOrder) != kSuccess) return kOutOfMemory;
        if (!utilities.empty() && full.Add(dims - 1) != kSuccess) return kOutOfMemory;
        if (full.GetCount() == dims) {
            if (const int rc = weights.ReorderDimensions(full)) return rc;
        }
        if (!utilities.empty()) {
            if (const int rc = weights.ReorderItems(dims - 1, utilityOrder)) return rc;
        }
    }
    if (expressions && decisionOrder.GetCount() > 1) {
        const int rc =
            expressions->Mirror([&](VRX_Dmatrix& m) { return m.ReorderDimensions(decisionOrder); });
        if (rc != kSuccess) return rc;
    }
    weightMatrix.Swap(weights);
    return kSuccess;
}

int VRX_mau::CopyParametersTo(VRX_nodeDefinition& target) {
    auto* other = dynamic_cast<VRX_mau*>(&target);
    if (other == nullptr) return kOutOfRange;
    if (other == this) return kSuccess;
    if (const int rc = other->weightMatrix.Copy(weightMatrix)) return rc;
    other->expressions.reset();
    if (!expressions) return kSuccess;
    other->expressions = std::make_unique<ExpressionTable>(*expressions);
    if (!IsAttachedToLiveNode() || !other->IsAttachedToLiveNode()) return kSuccess;
    const VRX_intArray& from = network->GetParents(handle);
    const VRX_intArray& to = other->network->GetParents(other->handle);
    if (from.GetCount() != to.GetCount()) return kOutOfRange;
    // Through stand-in names, so that a parent renamed to another's former name is not renamed twice.
    std::vector<std::string> standIns;
    for (int i = 0; i < from.GetCount(); i++) {
        standIns.push_back("\x01" + std::to_string(i));
        (void)other->RenameParentId(to[i], ParentId(from[i]).c_str(), standIns.back().c_str());
    }
    for (int i = 0; i < to.GetCount(); i++)
        (void)other->RenameParentId(to[i], standIns[static_cast<size_t>(i)].c_str(),
                                    other->ParentId(to[i]).c_str());
    return kSuccess;
}

int VRX_mau::RenameParentId(int /*parent*/, const char* oldId, const char* newId) {
    if (!expressions || oldId == nullptr || newId == nullptr) return kSuccess;
    for (int i = 0; i < expressions->GetCellCount(); i++)
        RenameVariable(*expressions->GetCell(i), oldId, newId);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Whole definition

int VRX_mau::GetSize() {
    return weightMatrix.GetNumberOfElements();
}

int VRX_mau::CloneFrom(VRX_nodeDefinition& source) {
    return CopyFrom(source);
}

int VRX_mau::RebuildFromParents() {
    weightMatrix.CleanUp();
    expressions.reset();
    SetFlag(kValid, true);
    DefinitionSupport::AddCurrentParents(*this);
    CheckValidity(0);
    return kSuccess;
}

int VRX_mau::CopyFrom(VRX_nodeDefinition& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    if (const int rc = VRX_nodeDefinition::CopyFrom(source)) return rc;
    CleanUp(1);
    switch (source.GetType()) {
        case DefinitionType::kMau: {
            auto& mau = static_cast<VRX_mau&>(source);
            if (const int rc = RebuildFromParents()) return rc;
            if (const int rc = weightMatrix.Copy(mau.weightMatrix)) return rc;
            if (mau.expressions) expressions = std::make_unique<ExpressionTable>(*mau.expressions);
            break;
        }
        case DefinitionType::kTable:
        case DefinitionType::kCpt:
        case DefinitionType::kTruthTable:
        case DefinitionType::kNoisyMax:
        case DefinitionType::kNoisyAdder:
            if (const int rc = RebuildFromParents()) return rc;
            break;
        case DefinitionType::kList:
            if (IsAttachedToLiveNode()) {
                if (const int rc = network->RemoveAllParents(handle)) return rc;
            }
            if (const int rc = RebuildFromParents()) return rc;
            break;
        case DefinitionType::kNone:
        case DefinitionType::kEquation:
        case DefinitionType::kEquationScc:
            return kSuccess;
        default:
            return kOutOfRange;
    }
    return DefinitionSupport::FinishConversion(*this);
}

int VRX_mau::RemoveInvalidParents() {
    DefinitionSupport::RemoveParentsUnless(*this, [](int type) {
        return type < 0 || (type & DefinitionBits::kDiscrete) == 0 || type == DefinitionType::kList;
    });
    return kSuccess;
}

int VRX_mau::GetDefinitionDoubles(VRX_doubleArray*& out) {
    out = &weightMatrix.GetItems();
    return kSuccess;
}

int VRX_mau::GetDefinition(VRX_Dmatrix*& out) {
    out = &weightMatrix;
    return kSuccess;
}

int VRX_mau::SetDefinition(const VRX_Dmatrix& matrix) {
    return weightMatrix.Copy(matrix);
}

int VRX_mau::SetDefinitionDoubles(const VRX_doubleArray& doubles) {
    const int n = std::min(doubles.GetCount(), weightMatrix.GetNumberOfElements());
    for (int i = 0; i < n; i++) weightMatrix[i] = doubles[i];
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Expressions

int VRX_mau::GetDefaultExpressions(ExpressionTable& out) const {
    std::vector<int> decisions;
    std::vector<int> utilities;
    SplitParents(decisions, utilities);
    VRX_intArray sizes;
    for (int h : decisions) {
        if (sizes.Add(network->GetNode(h)->GetDefinition()->GetNumberOfOutcomes()) != kSuccess)
            return kOutOfMemory;
    }
    if (decisions.empty() && sizes.Add(1) != kSuccess) return kOutOfMemory;
    out = ExpressionTable(sizes);
    return out.IsValid() ? kSuccess : kOutOfMemory;
}

int VRX_mau::SetExpressions(const ExpressionTable* table, std::string* reason) {
    if (table == nullptr) {
        expressions.reset();
        return kSuccess;
    }
    if (!IsAttachedToLiveNode()) return kObjectNotValid;
    ExpressionTable reference;
    if (expressions) {
        reference = *expressions;
    } else if (const int rc = GetDefaultExpressions(reference)) {
        return rc;
    }
    if (!table->SameShape(reference)) {
        if (reason != nullptr) *reason = "Wrong matrix dimensions";
        return kOutOfRange;
    }
    MauVarVisitor visitor(network, handle);
    for (int i = 0; i < table->GetCellCount(); i++) {
        VRX_expression* cell = table->GetCell(i);
        if (cell == nullptr) {
            visitor.reason = "unknown identifier";
        } else if (!cell->IsDeterministic()) {
            visitor.reason = "Distributions not allowed";
        } else {
            cell->Accept(visitor);
        }
        if (!visitor.reason.empty()) {
            if (reason != nullptr)
                *reason = "Invalid expression at index " + std::to_string(i) + ": " + visitor.reason;
            return kFailure;
        }
    }
    auto copy = std::make_unique<ExpressionTable>(*table);
    if (!copy->IsValid()) return kOutOfMemory;
    // The arcs change while no table is held, so only the weights follow them.
    expressions.reset();
    const VRX_intArray parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); i++) {
        if (network->GetNodeType(parents[i]) != DefinitionType::kList)
            (void)network->RemoveArc(parents[i], handle);
    }
    for (const std::string& name : visitor.names) {
        const int h = network->FindNode(name.c_str());
        if (const int rc = network->AddArc(h, handle))
            LogError(errorLog, rc, "Parent could not be added", nullptr);
    }
    expressions = std::move(copy);
    return kSuccess;
}

int VRX_mau::SetExpressionsFromText(const std::vector<std::string>& texts, std::string* reason) {
    if (texts.empty()) {
        expressions.reset();
        return kSuccess;
    }
    ExpressionTable table;
    if (const int rc = GetDefaultExpressions(table)) return rc;
    if (static_cast<int>(texts.size()) != table.GetCellCount()) {
        if (reason != nullptr)
            *reason = "Wrong vector size: " + std::to_string(texts.size()) +
                      " expressions where the node takes " + std::to_string(table.GetCellCount()) +
                      ", one for each configuration of its decision parents";
        return kOutOfRange;
    }
    for (size_t i = 0; i < texts.size(); i++) {
        int position = 0;
        std::string message;
        std::unique_ptr<VRX_expression> e = ParseExpression(texts[i].c_str(), &position, &message);
        if (!e) {
            if (reason != nullptr)
                *reason = "Can't parse expression at index " + std::to_string(i) + ", error at position " +
                          std::to_string(position) + ": " + message;
            return kOutOfRange;
        }
        table.SetCell(static_cast<int>(i), std::move(e));
    }
    return SetExpressions(&table, reason);
}

int VRX_mau::GetExpressions(std::vector<std::string>& out) const {
    if (!expressions) return kWrongNodeType;
    try {
        out.assign(static_cast<size_t>(expressions->GetCellCount()), std::string());
        for (int i = 0; i < expressions->GetCellCount(); i++)
            ExpressionToText(*expressions->GetCell(i), out[static_cast<size_t>(i)]);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}
