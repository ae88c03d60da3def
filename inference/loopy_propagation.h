#pragma once
// Loopy belief propagation on a sampling network: pi and lambda messages passed between neighbours for
// a fixed number of passes, every node computing from the messages of the previous pass.
// After Murphy, Weiss and Jordan, "Loopy belief propagation for approximate inference: an empirical study",
// 1999.

#include <vector>

class SampleNet;
class SampleNode;

// Beliefs of every node of the net written to the network after the network's `proplen` passes; 0, or
// kConflictingEvidence when the messages leave some node without any possible outcome (nothing is written
// then).
[[nodiscard]] int RunLoopyPropagation(SampleNet& net);

namespace vovido {

// One pass over the nodes in position order, then the exchange of the new messages. With uniformOnZero
// a node whose beliefs sum to 0 gets uniform beliefs; otherwise the pass stops there with
// kConflictingEvidence.
[[nodiscard]] int RunLoopyPass(SampleNet& net, bool uniformOnZero);

// The node's evidence indicator times the lambda message of every child (unobserved nodes), into out.
void CollectLambda(const SampleNode& node, std::vector<double>& out);

}  // namespace vovido
