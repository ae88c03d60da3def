// Setters of the network's algorithm settings: out-of-range values are ignored, bad records refused.

#include "base/status_codes.h"
#include "model/network.h"

// Unsigned comparison so that negative codes fall outside the range too.
void VRX_network::SetBayesianAlgorithm(int code) {
    if (static_cast<unsigned>(code) <= 12u) bnAlgorithm = code;
}

void VRX_network::SetHybridAlgorithm(int code) {
    if (code >= 13 && code <= 16) hybridAlgorithm = code;
}

void VRX_network::SetInfluenceDiagramAlgorithm(int code) {
    if (static_cast<unsigned>(code) <= 1u) idAlgorithm = code;
}

int VRX_network::SetEpisParams(const VRX_episParams& params) {
    if (!params.IsAcceptable()) return kOutOfRange;
    episParams = params;
    return kSuccess;
}

int VRX_network::SetAnnealedMapTuning(const VRX_annealedMapTuning& tuning) {
    if (!tuning.IsAcceptable()) return kOutOfRange;
    annealedMapTuning = tuning;
    return kSuccess;
}
