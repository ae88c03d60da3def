#pragma once
// Importance sampling after loopy pre-propagation of one sampling network: a few loopy passes, importance
// tables from the table times the lambda message, small entries raised to cut-offs, then sampling.
// After Yuan and Druzdzel, "An importance sampling algorithm based on evidence pre-propagation", 2003.

class SampleNet;

// Beliefs of every node of the net written to the network; 0, or kNoUsefulSamples when a node got no useful
// sample.
[[nodiscard]] int RunPrepropagatedImportanceSampling(SampleNet& net);
