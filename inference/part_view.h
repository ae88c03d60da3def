#pragma once
// Read view of one relevant part for the inference engines: records addressed by their index in the
// part, with the part indices of their neighbours computed once.

#include <vector>

class VRX_network;
class VRX_Dmatrix;
class RelevanceGraph;
class RelevanceNode;
struct VRX_episParams;

class PartView {
public:
    // Index of a neighbour that is not in the part.
    static constexpr int kOutsidePart = -3;

    // The view keeps a pointer to the part, which must outlive it. GetStatus() is kOutOfMemory when the index
    // lists could not be allocated (the view then shows no record).
    explicit PartView(RelevanceGraph& part);

    int GetStatus() const { return status_; }
    RelevanceGraph& GetPart() const { return *part_; }
    VRX_network* GetNetwork() const;
    RelevanceNode* GetRecord(int i) const;

    int GetNumberOfNodes() const { return static_cast<int>(outcomes_.size()); }
    int GetNumberOfOutcomes(int i) const { return outcomes_[i]; }
    // Null when the record has no table.
    VRX_Dmatrix* GetNodeTable(int i) const;
    // The node's beliefs sized to its outcome count; null for a record without a node or on failure.
    double* GetBeliefBuffer(int i) const;
    int GetNumberOfParents(int i) const { return static_cast<int>(parents_[i].size()); }
    int GetNumberOfChildren(int i) const { return static_cast<int>(children_[i].size()); }
    // Part indices in list order, kOutsidePart for a neighbour outside the part.
    const std::vector<int>& GetParentIndices(int i) const { return parents_[i]; }
    const std::vector<int>& GetChildIndices(int i) const { return children_[i]; }
    // Observed outcome, -1 when unobserved.
    int GetEvidence(int i) const;
    // -1 for a record without a network node.
    int GetNodeHandle(int i) const;
    // True when the network has no target, else whether the node is one; false without a node.
    bool IsRequested(int i) const;
    void MarkUpToDate(int i) const;

    // The network's sampling settings, read through the part.
    int GetNumberOfSamples() const;
    int ComputeHeights() const;
    const VRX_episParams& GetEpisParams() const;

    // Puts the part's records in topological order and recomputes the indices. 0 or kOutOfMemory.
    [[nodiscard]] int SortTopologically();
    // Recomputes the indices after the part's records changed. 0 or kOutOfMemory.
    [[nodiscard]] int Refresh();

private:
    RelevanceGraph* part_;
    std::vector<int> outcomes_;
    std::vector<std::vector<int>> parents_;
    std::vector<std::vector<int>> children_;
    int status_ = 0;
};
