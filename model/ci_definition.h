#pragma once
// Base of the causal-independence definitions: a small matrix of weights (one row per parent outcome
// plus a leak row, one column per outcome) from which the full table is derived on demand and cached.

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "model/node_definition.h"

// Bits of VRX_ciDefinition::cptCacheFlags.
namespace CptCache {
constexpr int kCurrent = 1;
constexpr int kRecomputeAtOnce = 2;
}  // namespace CptCache

class VRX_ciDefinition : public VRX_nodeDefinition {
public:
    VRX_ciDefinition(int handle, VRX_network* network);
    // Network and handle only; the kind's copy constructor copies the rest.
    VRX_ciDefinition(const VRX_ciDefinition& source);
    ~VRX_ciDefinition() override;

    // Deep: empties identifiers and both matrices. The cache flags are cleared either way.
    void CleanUp(int deep) override;
    // Valid and consistent as the outcome identifiers are.
    void CheckValidity(int deep) override;
    void CheckConsistency(int deep) override;

    // Entries of the derived table.
    [[nodiscard]] int GetSize() override;
    // Drops the ordinary arcs from parents without named outcomes.
    [[nodiscard]] int RemoveInvalidParents() override;

    [[nodiscard]] int AddOutcome(const char* name) override;
    [[nodiscard]] int InsertOutcome(int index, const char* name) override;
    [[nodiscard]] int RemoveOutcome(int index) override;
    [[nodiscard]] int GetNumberOfOutcomes() override;
    [[nodiscard]] int RenameOutcome(int index, const char* name) override;
    // Exactly one name per outcome; names are made valid and unique.
    [[nodiscard]] int RenameOutcomes(const VRX_stringArray& names) override;
    VRX_idArray* GetOutcomesNames() override;
    [[nodiscard]] int SetOutcomes(const VRX_stringArray& names) override;
    // At least two outcomes, named "State" + index.
    [[nodiscard]] int SetNumberOfOutcomes(int count) override;

    // Both hand out the derived table (recomputed first when stale); a table that cannot be computed is
    // the call's failure (out of memory logged, naming the node).
    int GetDefinitionDoubles(VRX_doubleArray*& out) override;
    int GetDefinition(VRX_Dmatrix*& out) override;
    // Cache flags, weights and table into another causal-independence definition; kOutOfRange for other
    // kinds.
    [[nodiscard]] int CopyParametersTo(VRX_nodeDefinition& target) override;

    // Recomputes the cached table from the weights and marks it current.
    [[nodiscard]] virtual int CalculateCpt() = 0;
    // Derives the weights from the cached table.
    [[nodiscard]] virtual int CalculateParameters() = 0;
    // The cached table, recomputed first when it is not current.
    virtual VRX_Dmatrix* GetCpt() = 0;

    VRX_Dmatrix* GetCiWeights() { return &ciWeights; }
    // Weights of the node's temporal definition of that order; null when there is none.
    VRX_Dmatrix* GetTemporalCiWeights(int order);
    // kWrongNodeType unless the node is a plate; kOutOfRange without a temporal definition of that order;
    // kInvalidData for a matrix of another shape.
    [[nodiscard]] int SetTemporalCiWeights(int order, const VRX_Dmatrix& matrix);

    // Runs of n entries (n = number of outcomes, runs counted by the size of dimension 0): entry k
    // becomes the sum of entries k .. n-1; negative results become 0.
    void ConvertToCumulative(VRX_Dmatrix& matrix);
    // The inverse: entry k becomes entry k minus entry k+1; negative results become 0.
    void ConvertFromCumulative(VRX_Dmatrix& matrix);
    // As ConvertFromCumulative, the runs counted as the element count divided by n.
    void ConvertFromCumulativeByItemCount(VRX_Dmatrix& matrix);

    int GetCptCacheFlags() const { return cptCacheFlags; }
    void SetCptCacheFlags(int bits) { cptCacheFlags = bits; }

protected:
    // The shared GetCpt: the cached table, after CalculateCpt when bit 0 is clear.
    VRX_Dmatrix* CachedCpt();
    // CalculateCpt when bit 0 is clear: 0, or its failure (out of memory logged, naming the node).
    [[nodiscard]] int UpdateCpt();
    // Clears bit 0; with bit 1 set, recomputes at once and returns that result.
    [[nodiscard]] int MarkCptStale();
    // Called once the weights gained (lost) the column of outcome index, before the table is marked stale
    // and the notices go out; nothing by default.
    virtual void OutcomeColumnInserted(int /*index*/) {}
    virtual void OutcomeColumnRemoved(int /*index*/) {}

    VRX_idArray outcomeIds;
    VRX_Dmatrix cpt;
    VRX_Dmatrix ciWeights;
    int cptCacheFlags = 0;

private:
    // The causal-independence definition of the node for that temporal order, null when there is none.
    VRX_ciDefinition* FindTemporalCiDefinition(int order);
    static void ConvertRuns(VRX_Dmatrix& matrix, int runs, int n, bool toCumulative);
};
