#pragma once
// EM parameter learning on a network: the choice between the discrete case (expectation-maximisation
// with exact inference on every record) and the equation case (least-squares fits), the random start
// and the M-step.
// After Dempster, Laird and Rubin, "Maximum likelihood from incomplete data via the EM algorithm", 1977;
// Lauritzen, "The EM algorithm for graphical association models with missing data", 1995.

#include <vector>

#include "learning/data_set.h"

class VRX_network;
class RandomGenerator;

// Settings of one EM run (the engine object behind the Java class EM).
struct EmOptions {
    int eqSampleSize = 0;             // weight of the tables from before the run in the final M-step
    bool randomizeParameters = true;  // start from random tables instead of the network's own
    bool relevance = false;           // evidence propagation in the working copy
};

// Asked after every record and every M-step; false stops the run with -1.
class EmProgress {
public:
    virtual bool Continue() = 0;
    virtual ~EmProgress() = default;
};

namespace vovido {
// Iterations after which EM stops as if it had converged: a run never loops forever.
constexpr int kMaxEmIterations = 1000;
}  // namespace vovido

// 0, -1 (failed, logged with prefix "em: ") or kInvalidData (network and data set do not match). On failure
// the caller's network is unchanged; outLogLik (may be null) receives the final log-likelihood.
[[nodiscard]] int LearnEm(const EmOptions& options, const DataSet& data, VRX_network& network,
                          const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes,
                          double* outLogLik, EmProgress* progress);
[[nodiscard]] int LearnEmDiscrete(const EmOptions& options, const DataSet& data, VRX_network& network,
                                  const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes,
                                  double* outLogLik, EmProgress* progress);
// Random tables for one CPT node, sparing the columns that VRX_NOLEARN keeps.
void RandomizeNodeParameters(int handle, VRX_network& network, RandomGenerator& generator);
