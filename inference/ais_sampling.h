#pragma once
// Adaptive importance sampling of one sampling network: importance tables of the evidence ancestors set
// by heuristics, learned from a fixed number of weighted samples, then used for the final sampling.
// After Cheng and Druzdzel, "AIS-BN: an adaptive importance sampling algorithm for evidential reasoning in
// large Bayesian networks", 2000.

class SampleNet;

namespace vovido::AdaptiveSamplingSettings {
constexpr double kStartingLearningRate = 0.4;
constexpr double kLearningRateDecay = 0.9;
constexpr int kLearningSamples = 25000;
constexpr int kUpdateInterval = 2500;
// Samples an outcome of a column must be worth before its learned frequency counts half.
constexpr double kLearningPriorSamples = 10.0;
}  // namespace vovido::AdaptiveSamplingSettings

// Beliefs of every node of the net written to the network; 0, or kNoUsefulSamples when a node got no useful
// sample.
[[nodiscard]] int RunAdaptiveImportanceSampling(SampleNet& net);
