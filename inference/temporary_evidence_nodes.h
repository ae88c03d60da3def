#pragma once
// Scope that turns virtual evidence into ordinary evidence for one discrete update: a temporary child
// per node with virtual evidence, whose table holds the likelihoods and whose first outcome is observed.

#include <vector>

#include "base/int_array.h"

class VRX_network;

class TemporaryEvidenceNodes {
public:
    // Adds the temporary nodes. With hideVirtualEvidence the nodes they stand for lose their virtual-
    // evidence flag until the scope ends, so that belief updates run meanwhile add no nodes of their own.
    explicit TemporaryEvidenceNodes(VRX_network* network, bool hideVirtualEvidence = false);
    TemporaryEvidenceNodes(const TemporaryEvidenceNodes&) = delete;
    TemporaryEvidenceNodes& operator=(const TemporaryEvidenceNodes&) = delete;
    // Deletes the temporary nodes, last first, with the network's change notices off.
    ~TemporaryEvidenceNodes();

    // Handles of the temporary nodes, in the handle order of the nodes they stand for.
    const VRX_intArray& GetNodes() const { return nodes_; }
    // 0, or the first failure to add a node or its arc (out of memory, a table past the size limit): some
    // virtual evidence is then missing, and an update run in the scope would not be sound.
    int GetStatus() const { return status_; }

private:
    VRX_network* network_;
    VRX_intArray nodes_;
    std::vector<int> hidden_;
    int status_ = 0;
};
