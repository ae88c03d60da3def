#pragma once
// What a change of a node's kind does beyond the node, told to the caller: the arcs to children it
// removes, the children's tables it resets, and evidence on an outcome the new kind has not.

#include <string>

#include "base/int_array.h"

class VRX_network;
class VRX_node;

namespace vovido {

// The node's parents, children and cost children before a change of its kind.
struct KindChangeNeighbours {
    VRX_intArray parents;
    VRX_intArray children;
    VRX_intArray costChildren;
};

// One warning naming the former parents, children and cost children whose arcs the change removed and the
// children whose tables it reset (`reset`); it replaces the refused-parents notices of these nodes logged
// since firstEntry. Nothing when there are none.
void ReportKindChange(const VRX_network& network, int handle, const KindChangeNeighbours& former,
                      const VRX_intArray& reset, int firstEntry);

// The warning of a change of kind that removed `count` temporal arcs of the node, which the kinds at their
// ends do not take.
void ReportTemporalArcsDropped(const VRX_network& network, int handle, int count);

// The node's evidence before the change: the outcome observed (-1 for none) and its identifier.
struct FormerEvidence {
    int outcome = -1;
    std::string id;
    bool likelihoods = false;  // virtual evidence
};
FormerEvidence EvidenceOf(VRX_node& node);

// Clears evidence that the changed node holds on an outcome index it no longer has, and tells that
// evidence the change dropped (the value could not be carried over), naming node and outcome; virtual
// evidence that no longer fits the outcomes likewise.
void SettleEvidenceAfterChange(VRX_node& node, const FormerEvidence& former);

// A discrete kind that could not be given two outcomes: kOutOfRange, logged naming the node and the kind
// ("a chance node").
int RefuseKindWithoutOutcomes(const VRX_node& node, const std::string& kind);

}  // namespace vovido
