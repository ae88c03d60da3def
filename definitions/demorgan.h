#pragma once
// DeMorgan definition: a "True"/"False" node whose probability of "True" starts at a prior and is moved
// by one typed, weighted influence per DeMorgan parent; the table is built from them when it is next asked
// for after a change.

#include <string>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"
#include "definitions/two_outcome_table.h"

// How a parent acts on the child's probability of "True".
namespace DemorganParentType {
constexpr int kInhibitor = 0;    // in outcome 0: x = x (1 - w)
constexpr int kRequirement = 1;  // in outcome 1: x = x (1 - w)
constexpr int kCause = 2;        // in outcome 0: x = x + (1 - x) w
constexpr int kBarrier = 3;      // in outcome 1: x = x + (1 - x) w
}  // namespace DemorganParentType

namespace vovido {
// The cause of a refused parent position of a DeMorgan node of `count` parents: "parent index 3 is outside
// 0..2 of its 3 parents", or "parent index 0 is not valid: it has no parents".
std::string DemorganParentIndexFault(int index, int count);
}  // namespace vovido

class VRX_demorgan : public vovido::TwoOutcomeDefinition {
public:
    // Prior 0.5; parents already present enter as causes of weight 1.0 (see RebuildFromParents).
    VRX_demorgan(int handle, VRX_network* network);
    // A copy of a DeMorgan source (see CopyFrom).
    explicit VRX_demorgan(VRX_nodeDefinition& source);
    VRX_demorgan(const VRX_demorgan& source);
    ~VRX_demorgan() override;

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    // Weights all 1.0, one per parent; the types present are kept (parents without one become causes)
    // and must lie in 0..3, else kOutOfRange and nothing changes.
    [[nodiscard]] int RebuildFromParents() override;
    [[nodiscard]] int CopyParametersTo(VRX_nodeDefinition& target) override;

    // -1.0 / -1 for an index outside the parents.
    double GetParentWeight(int i) const;
    int GetParentType(int i) const;
    // kOutOfRange for a bad index or a weight outside [0, 1].
    [[nodiscard]] int SetParentWeight(int i, double weight);
    // kOutOfRange when the array's length differs from the number of parents; values are taken as they are.
    [[nodiscard]] int SetParentWeights(const VRX_doubleArray& weights);
    // kOutOfRange for a bad index; a type outside 0..3 is stored and acts on nothing.
    [[nodiscard]] int SetParentType(int i, int type);
    [[nodiscard]] int SetParentTypes(const VRX_intArray& types);
    // kOutOfRange outside [0, 1].
    [[nodiscard]] int SetPriorBelief(double prior);

    double GetPriorBelief() const { return priorBelief; }
    int GetNumberOfWeights() const { return parentWeights.GetCount(); }
    const VRX_doubleArray& GetParentWeights() const { return parentWeights; }
    const VRX_intArray& GetParentTypes() const { return parentTypes; }
    // Built first when an edit left it stale; empty when it cannot be.
    const VRX_Dmatrix& GetProbabilityTable() const {
        (void)UpdateTable();  // a failure is logged and leaves the table empty
        return table;
    }

protected:
    // A type and a weight per parent; a new parent is a cause of weight 0.0.
    int ParentEntryCount() const override;
    [[nodiscard]] int InsertParentEntry(int position) override;
    void RemoveParentEntry(int position) override;
    [[nodiscard]] int PermuteParentEntries(const VRX_intArray& permutation) override;
    void ClearParentEntries() override;
    // Rewrites every column from the prior, the types and the weights.
    void Recompute() const override;

private:
    VRX_intArray parentTypes;
    VRX_doubleArray parentWeights;
    double priorBelief = 0.5;
};
