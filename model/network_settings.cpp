// Setters of the network's algorithm settings: out-of-range values are ignored, bad records refused.

#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"

namespace {
bool IsAlgorithmCodeBetween(int code, int first, int last) {
    return code >= first && code <= last;
}
}  // namespace

int vovido::CheckSampleCount(int count, int code) {
    if (count >= 1) return kSuccess;
    const std::string text = "The number of samples must be at least 1; it is " + std::to_string(count) + ".";
    return LogError(errorLog, code, text.c_str(), nullptr);
}

void VRX_network::SetBayesianAlgorithm(int code) {
    if (IsAlgorithmCodeBetween(code, BayesianAlgorithm::kFirst, BayesianAlgorithm::kLast)) bnAlgorithm = code;
}

void VRX_network::SetHybridAlgorithm(int code) {
    if (IsAlgorithmCodeBetween(code, HybridAlgorithm::kFirst, HybridAlgorithm::kLast)) hybridAlgorithm = code;
}

void VRX_network::SetInfluenceDiagramAlgorithm(int code) {
    if (IsAlgorithmCodeBetween(code, InfluenceDiagramAlgorithm::kFirst, InfluenceDiagramAlgorithm::kLast)) {
        idAlgorithm = code;
    }
}

int VRX_network::SetEpisParams(const VRX_episParams& params) {
    if (!params.IsAcceptable()) return kOutOfRange;
    episParams = params;
    return kSuccess;
}

int VRX_network::SetAnnealedMapTuning(const VRX_annealedMapTuning& tuning) {
    const std::string fault = tuning.Fault();
    if (!fault.empty()) return LogError(errorLog, kOutOfRange, fault.c_str(), nullptr);
    annealedMapTuning = tuning;
    return kSuccess;
}
