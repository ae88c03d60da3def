#pragma once
// Decision list: the definition of a decision node, the names of its choices. Its parents are observed
// before the decision; they are checked but give the list no table.

#include "base/double_array.h"
#include "base/id_array.h"
#include "definitions/named_outcomes.h"
#include "model/node_definition.h"

class VRX_list : public vovido::NamedOutcomes<VRX_nodeDefinition> {
public:
    // At least two choices ("Choice" + number) and the node's current parents checked.
    VRX_list(int handle, VRX_network* network);
    // A copy of, or a conversion from, a definition of any kind (see CopyFrom).
    explicit VRX_list(VRX_nodeDefinition& source);
    VRX_list(const VRX_list& source);
    ~VRX_list() override;

    void CleanUp(int deep) override;
    // Valid when the choice identifiers are.
    void CheckValidity(int deep) override;

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    // Accepts parents of the indexing kinds only; nothing is stored.
    [[nodiscard]] int AddParent(int parent) override;
    int RemoveParent(int parent) override;
    int InsertParentOutcome(int parent, int index) override;
    int RemoveParentOutcome(int parent, int index) override;
    int ReorderParentOutcomes(int parent, const VRX_intArray& order) override;

    [[nodiscard]] int GetSize() override;
    [[nodiscard]] int CloneFrom(VRX_nodeDefinition& source) override;
    [[nodiscard]] int RebuildFromParents() override;
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;
    // The choice values into another decision list; its choice names are its own.
    [[nodiscard]] int CopyParametersTo(VRX_nodeDefinition& target) override;
    // Drops the arcs from parents that AddParent would refuse, so the graph agrees with the list.
    int RemoveInvalidParents() override;

    int GetDefinitionStrings(VRX_stringArray*& out) override;
    int GetDefinitionDoubles(VRX_doubleArray*& out) override;
    // Replaces the choice names without identifier checks; kOutOfRange (nothing changed) for another count.
    [[nodiscard]] int SetDefinitionStrings(const VRX_stringArray& strings) override;
    // choiceValues becomes a copy of the array, size included.
    [[nodiscard]] int SetDefinitionDoubles(const VRX_doubleArray& doubles) override;

    const VRX_doubleArray& GetChoiceValues() const { return choiceValues; }

protected:
    // Values are permuted only while they are one per choice; otherwise they are not aligned to them.
    int ReorderOutcomeData(const VRX_intArray& permutation) override;
    // A count below 2 gives two choices; never refused for its count.
    bool RefusesOutcomeCount(int count) const override;

private:
    VRX_doubleArray choiceValues;
};
