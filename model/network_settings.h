#pragma once
// The settings a network carries: one value, so that a copy of the network and the restore after a
// failed read take every setting by one assignment, and a setting added here needs no edit for either.
// Whether it also starts over on CleanUp, is tested by a setter or is saved in files: ARCHITECTURE.md.

#include "model/algorithm_settings.h"

namespace PropagationFlags {
constexpr int kNotices = 1;
constexpr int kDeterministic = 2;
constexpr int kAutoUpdate = 8;
}  // namespace PropagationFlags

namespace ChangeKind {
constexpr int kArcAdded = 1;
constexpr int kArcRemoved = 2;
constexpr int kEvidenceSet = 4;
constexpr int kEvidenceCleared = 8;
constexpr int kOutcomesChanged = 64;      // outcomes inserted or removed
constexpr int kEntriesReplaced = 128;     // a definition's entries replaced
constexpr int kDefinitionReplaced = 256;  // the definition replaced or converted
constexpr int kDefaultMask = kArcAdded | kArcRemoved | kEvidenceSet | kEvidenceCleared | kOutcomesChanged |
                             kEntriesReplaced | kDefinitionReplaced;
}  // namespace ChangeKind

// Codes of bnAlgorithm: the discrete belief-update algorithms.
namespace BayesianAlgorithm {
constexpr int kClusteringWithDecomposition = 0;
constexpr int kLogicSampling = 1;
constexpr int kPolytree = 2;
constexpr int kLikelihoodWeighting = 3;
constexpr int kSelfImportanceSampling = 4;
constexpr int kLikelihoodWeightingToo = 5;  // the same routine as kLikelihoodWeighting
constexpr int kBackwardSampling = 6;
constexpr int kAdaptiveImportanceSampling = 7;
constexpr int kPrepropagatedImportanceSampling = 8;
constexpr int kLoopyPropagation = 9;
constexpr int kClusteringPerPart = 10;
constexpr int kRelevanceDecomposition = 11;
constexpr int kRelevanceDecomposition2 = 12;
constexpr int kFirst = kClusteringWithDecomposition;
constexpr int kLast = kRelevanceDecomposition2;
}  // namespace BayesianAlgorithm

// Codes of hybridAlgorithm: the hybrid-network algorithms.
namespace HybridAlgorithm {
constexpr int kMessagePassingSampling = 13;
constexpr int kImportanceSampling = 14;
constexpr int kMessagePassing = 15;
constexpr int kWeightedSampling = 16;
constexpr int kFirst = kMessagePassingSampling;
constexpr int kLast = kWeightedSampling;
}  // namespace HybridAlgorithm

// Codes of idAlgorithm: influence diagrams.
namespace InfluenceDiagramAlgorithm {
constexpr int kPolicyEvaluation = 0;
constexpr int kBestPolicy = 1;
constexpr int kFirst = kPolicyEvaluation;
constexpr int kLast = kBestPolicy;
}  // namespace InfluenceDiagramAlgorithm

namespace vovido {
// 0 for a sample count of at least 1; else `code` (the samplers of discrete networks answer
// kNoUsefulSamples, the others kOutOfRange), logged naming the count.
int CheckSampleCount(int count, int code);
}  // namespace vovido

struct VRX_networkSettings {
    int slotIncrement = 50;
    int numSamples = 1000;
    int discSamples = 10000;
    int bnAlgorithm = BayesianAlgorithm::kClusteringWithDecomposition;
    int idAlgorithm = InfluenceDiagramAlgorithm::kPolicyEvaluation;
    int hybridAlgorithm = HybridAlgorithm::kImportanceSampling;
    unsigned char discAvoidZero = 1;
    int propagationFlags = PropagationFlags::kNotices | PropagationFlags::kDeterministic;
    int changeMask = ChangeKind::kDefaultMask;
    int faultNameFormat = 3;

protected:
    // Written only through the network's setters, which test them.
    VRX_episParams episParams;
    VRX_annealedMapTuning annealedMapTuning;
};
