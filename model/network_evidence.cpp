// Evidence propagation and change notices: they land with the evidence protocol and return 0 until then.
#include "model/network.h"
#include "model/status_codes.h"

int VRX_network::ClearAllEvidence() {
    return kSuccess;
}

int VRX_network::ClearAllPropagatedEvidence() {
    return kSuccess;
}

int VRX_network::InvalidateDecisionValues() {
    return kSuccess;
}

int VRX_network::PropagateEvidence(int /*handle*/) {
    return kSuccess;
}

int VRX_network::RepropagateEvidence(int /*handle*/) {
    return kSuccess;
}

int VRX_network::NotifyEvidenceSet(int /*handle*/) {
    return kSuccess;
}

int VRX_network::NotifyEvidenceCleared(int /*handle*/) {
    return kSuccess;
}

int VRX_network::NotifyValuesChanged() {
    return kSuccess;
}

int VRX_network::NotifyChange(int /*handle*/, int /*code*/) {
    return kSuccess;
}

int VRX_network::NotifyArcAdded(int /*parent*/, int /*child*/) {
    return kSuccess;
}

int VRX_network::NotifyArcRemoved(int /*parent*/, int /*child*/) {
    return kSuccess;
}
