#pragma once
// The hybrid belief-update drivers (HybridAlgorithm::kFirst to kLast): each builds a hybrid sampling
// network over the whole network for one run. 0, or kNoUsefulSamples with "No useful samples have been
// generated for some of nodes." logged (the reason a network cannot be handled logged before it).
// After Yuan and Druzdzel, "Hybrid loopy belief propagation", 2006 (the message passing), and
// Yuan and Druzdzel, "Importance sampling for general hybrid Bayesian networks", 2007 (the sampling).

class VRX_network;

[[nodiscard]] int RunHybridMessagePassingSampling(VRX_network& network);
[[nodiscard]] int RunHybridImportanceSampling(VRX_network& network);
// Writes the beliefs the messages give.
[[nodiscard]] int RunHybridMessagePassing(VRX_network& network);
[[nodiscard]] int RunHybridWeightedSampling(VRX_network& network);
