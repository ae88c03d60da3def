#pragma once
// Multi-attribute utility: combines the utilities of its utility parents (utility tables and other
// multi-attribute nodes) into one, by a weighted sum with weights per configuration of its decision
// parents, or by one expression per configuration whose variables name utility parents.

#include <memory>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "definitions/expression_table.h"
#include "model/node_definition.h"

class VRX_mau : public VRX_nodeDefinition {
public:
    VRX_mau(int handle, VRX_network* network);
    // A copy of, or a conversion from, a definition of any kind (see CopyFrom).
    explicit VRX_mau(VRX_nodeDefinition& source);
    ~VRX_mau() override;

    void CleanUp(int deep) override;
    void CheckValidity(int deep) override;

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    [[nodiscard]] int AddParent(int parent) override;
    [[nodiscard]] int RemoveParent(int parent) override;
    [[nodiscard]] int AbsorbParentEvidence(int parent) override;
    [[nodiscard]] int MarginalizeParent(int parent) override;
    [[nodiscard]] int InsertParentOutcome(int parent, int index) override;
    [[nodiscard]] int RemoveParentOutcome(int parent, int index) override;
    [[nodiscard]] int ReorderParentOutcomes(int parent, const VRX_intArray& order) override;
    [[nodiscard]] int ReorderParents(const VRX_intArray& order) override;
    int RenameParentId(int parent, const char* oldId, const char* newId) override;

    [[nodiscard]] int GetSize() override;
    [[nodiscard]] int CloneFrom(VRX_nodeDefinition& source) override;
    [[nodiscard]] int RebuildFromParents() override;
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;
    // The weights and expressions into another MAU whose parents stand, in order, for this one's: the
    // expressions then name the target's parents.
    [[nodiscard]] int CopyParametersTo(VRX_nodeDefinition& target) override;
    // Drops the arcs from the discrete chance parents.
    [[nodiscard]] int RemoveInvalidParents() override;

    [[nodiscard]] int GetDefinitionDoubles(VRX_doubleArray*& out) override;
    [[nodiscard]] int GetDefinition(VRX_Dmatrix*& out) override;
    [[nodiscard]] int SetDefinition(const VRX_Dmatrix& matrix) override;
    [[nodiscard]] int SetDefinitionDoubles(const VRX_doubleArray& doubles) override;

    // A table of the decision parents' shape ([1] without decision parents) of constant-0 cells.
    [[nodiscard]] int GetDefaultExpressions(ExpressionTable& out) const;
    // Installs the table (null: back to the weighted sum); the utility parents become exactly the nodes
    // its expressions name. kOutOfRange with "Wrong matrix dimensions", -1 with "Invalid expression at index
    // ..." in reason (when given); nothing changes on a refusal.
    [[nodiscard]] int SetExpressions(const ExpressionTable* table, std::string* reason);
    // Parses one text per cell of the default table (none: back to the weighted sum).
    [[nodiscard]] int SetExpressionsFromText(const std::vector<std::string>& texts, std::string* reason);
    // The text of every cell; kWrongNodeType without a table.
    [[nodiscard]] int GetExpressions(std::vector<std::string>& out) const;

    bool HasExpressions() const { return expressions != nullptr; }
    const ExpressionTable* GetExpressionTable() const { return expressions.get(); }
    const VRX_Dmatrix& GetWeights() const { return weightMatrix; }
    // Decision parents and utility parents, each in parent order.
    void SplitParents(std::vector<int>& decisions, std::vector<int>& utilities) const;

private:
    [[nodiscard]] int PruneUtilityParents();
    std::string ParentId(int parent) const;

    VRX_Dmatrix weightMatrix;
    std::unique_ptr<ExpressionTable> expressions;
};

namespace vovido {
// The reason a name may not be used in the expressions of the MAU node (empty when it may).
std::string CheckMauReference(VRX_network& network, int handle, const std::string& name);
}  // namespace vovido
