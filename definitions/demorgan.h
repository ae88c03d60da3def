#pragma once
// DeMorgan definition: a "True"/"False" node whose probability of "True" starts at a prior and is moved
// by one typed, weighted influence per DeMorgan parent; the table is recomputed after every change.

#include "model/dmatrix.h"
#include "model/double_array.h"
#include "model/int_array.h"
#include "model/node_definition.h"

// How a parent acts on the child's probability of "True".
namespace DemorganParentType {
constexpr int kInhibitor = 0;    // in outcome 0: x = x (1 - w)
constexpr int kRequirement = 1;  // in outcome 1: x = x (1 - w)
constexpr int kCause = 2;        // in outcome 0: x = x + (1 - x) w
constexpr int kBarrier = 3;      // in outcome 1: x = x + (1 - x) w
}  // namespace DemorganParentType

class VRX_demorgan : public VRX_nodeDefinition {
public:
    // Prior 0.5; parents already present enter as causes of weight 1.0 (see RebuildFromParents).
    VRX_demorgan(int handle, VRX_network* network);
    // A copy of a DeMorgan source (see CopyFrom).
    explicit VRX_demorgan(VRX_nodeDefinition& source);
    VRX_demorgan(const VRX_demorgan& source);
    ~VRX_demorgan() override;

    void CleanUp(int deep) override;
    // Always valid and consistent: the table is a function of the members.
    void CheckValidity(int deep) override;
    void CheckConsistency(int deep) override;

    int GetType() const override;
    const char* GetTypeName() const override;

    int AddParent(int parent) override;
    int RemoveParent(int parent) override;
    int ReorderParents(const VRX_intArray& order) override;

    int GetSize() override;
    int CloneFrom(VRX_nodeDefinition& source) override;
    // Weights all 1.0, one per parent; the types present are kept (parents without one become causes)
    // and must lie in 0..3, else -2 and nothing changes.
    int RebuildFromParents() override;
    int CopyFrom(VRX_nodeDefinition& source) override;

    int GetNumberOfOutcomes() override;
    VRX_idArray* GetOutcomesNames() override;

    int GetDefinitionDoubles(VRX_doubleArray*& out) override;
    int GetDefinition(VRX_Dmatrix*& out) override;
    int CopyParametersTo(VRX_nodeDefinition& target) override;

    // -1.0 / -1 for an index outside the parents.
    double GetParentWeight(int i) const;
    int GetParentType(int i) const;
    // -2 for a bad index or a weight outside [0, 1].
    int SetParentWeight(int i, double weight);
    // -2 when the array's length differs from the number of parents; values are taken as they are.
    int SetParentWeights(const VRX_doubleArray& weights);
    // -2 for a bad index; a type outside 0..3 is stored and acts on nothing.
    int SetParentType(int i, int type);
    int SetParentTypes(const VRX_intArray& types);
    // -2 outside [0, 1].
    int SetPriorBelief(double prior);

    double GetPriorBelief() const { return priorBelief; }
    int GetNumberOfWeights() const { return parentWeights.GetCount(); }
    const VRX_doubleArray& GetParentWeights() const { return parentWeights; }
    const VRX_intArray& GetParentTypes() const { return parentTypes; }
    const VRX_Dmatrix& GetProbabilityTable() const { return probabilityTable; }

private:
    // Position of the parent in the node's parent list; -2 for a handle that is not a live parent.
    int LocateParent(int parent, int& position) const;
    // Rewrites every column from the prior, the types and the weights.
    void Recompute();
    static VRX_idArray& SharedOutcomeIds();

    VRX_Dmatrix probabilityTable;
    VRX_intArray parentTypes;
    VRX_doubleArray parentWeights;
    double priorBelief = 0.5;
};
