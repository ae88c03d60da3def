#pragma once
// Cast definition: a "True"/"False" node whose probability of "True" is a baseline moved up or down by
// weighted influences of its cast parents; the table is computed from the weights and kept here.

#include "model/dmatrix.h"
#include "model/double_array.h"
#include "model/node_definition.h"

class VRX_cast : public VRX_nodeDefinition {
public:
    // Every parent's weights 0.0 and baseline 0.5: each column then holds (0.5, 0.5).
    VRX_cast(int handle, VRX_network* network);
    // A copy of a cast source (see CopyFrom).
    explicit VRX_cast(VRX_nodeDefinition& source);
    VRX_cast(const VRX_cast& source);
    ~VRX_cast() override;

    void CleanUp(int deep) override;
    // A cast is always valid and consistent: its table is a function of its own members.
    void CheckValidity(int deep) override;
    void CheckConsistency(int deep) override;

    int GetType() const override;
    const char* GetTypeName() const override;

    int AddParent(int parent) override;
    int RemoveParent(int parent) override;
    int ReorderParents(const VRX_intArray& order) override;

    int GetSize() override;
    int CloneFrom(VRX_nodeDefinition& source) override;
    int RebuildFromParents() override;
    int CopyFrom(VRX_nodeDefinition& source) override;

    int GetNumberOfOutcomes() override;
    VRX_idArray* GetOutcomesNames() override;

    int GetDefinitionDoubles(VRX_doubleArray*& out) override;
    int GetDefinition(VRX_Dmatrix*& out) override;
    int CopyParametersTo(VRX_nodeDefinition& target) override;

    // One weight per parent, each in [-1, 1]; an array of another length or a weight out of range is
    // refused (-2) and nothing changes. The table is recomputed; the network is not told.
    int SetPositiveWeights(const VRX_doubleArray& weights);
    int SetNegativeWeights(const VRX_doubleArray& weights);
    // -2 outside [0, 1].
    int SetBaseline(double value);

    const VRX_doubleArray& GetPositiveWeights() const { return positiveWeights; }
    const VRX_doubleArray& GetNegativeWeights() const { return negativeWeights; }
    double GetBaseline() const { return baseline; }
    int GetNumberOfWeights() const { return positiveWeights.GetCount(); }
    const VRX_Dmatrix& GetProbabilities() const { return probabilities; }

private:
    // Position of the parent in the node's parent list; -2 for a handle that is not a live parent.
    int LocateParent(int parent, int& position) const;
    // Copies a caller's weights over target after checking their count and range.
    int SetWeights(const VRX_doubleArray& weights, VRX_doubleArray& target);
    // Rewrites every column from the weights and the baseline.
    void Recompute();
    // The outcome names shared by every cast.
    static VRX_idArray& SharedOutcomeIds();

    VRX_Dmatrix probabilities;
    VRX_doubleArray positiveWeights;
    VRX_doubleArray negativeWeights;
    double baseline = 0.5;
};
