#pragma once
// Why an edit of arcs or outcomes was refused, worked out after the refusal for the callers that report
// it: the edits themselves refuse without words, as the file readers and internal callers expect.

class VRX_network;
class VRX_node;

namespace vovido {

// Logs, naming the child, why an ordinary arc parent -> child was refused when the arc itself is at
// fault: the same node twice, nodes already adjacent, or a cycle it would close. Returns code.
int ExplainArcRefusal(VRX_network& network, int parent, int child, int code);

// Logs, naming the child, that parent is none of its parents when that is why removing the arc was
// refused. Returns code.
int ExplainArcRemovalRefusal(const VRX_network& network, int parent, int child, int code);

// Logs, naming the node, why an outcome identifier was refused with kOutOfRange: another outcome than
// skip (-1: none) holds it, or it has not the form of an identifier. Returns code.
int ExplainOutcomeIdRefusal(VRX_node& node, const char* id, int skip, int code);

// As ExplainOutcomeIdRefusal for an outcome inserted at position, which may itself be out of range.
int ExplainOutcomeInsertRefusal(VRX_node& node, int position, const char* id, int code);

// Logs, naming the node, that it keeps at least two outcomes when that is why a removal was refused.
int ExplainOutcomeRemovalRefusal(VRX_node& node, int code);

// Logs, naming the child, why a temporal arc was refused: an order below 1, an end outside the temporal
// plate, or the same arc already there. Returns code.
int ExplainTemporalArcRefusal(VRX_network& network, int parent, int child, int order, int code);

// Logs, naming the node, why the outcome could not be observed (code kOutOfRange with a valid outcome):
// when the refusal logged nothing past loggedBefore entries, that it contradicts the evidence of other
// nodes; when it logged the outcome impossible, that the node's table gives it probability 0, in every
// column or given the evidence on the parents it names. Returns code.
int ExplainEvidenceRefusal(const VRX_network& network, int handle, int outcome, int code, int loggedBefore);

}  // namespace vovido
