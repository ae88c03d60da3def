#pragma once
// The engine routes that the network's entry points hand a network to. The algorithms live in layers
// above the model, so the engine layer installs its dispatch here once, at start-up, before any thread
// can call in; afterwards it is only read.

class VRX_network;

namespace vovido {

struct EngineRoutes {
    int (*updateBeliefs)(VRX_network& network) = nullptr;
    int (*updateBayesianNetwork)(VRX_network& network) = nullptr;
    bool (*probabilityOfEvidence)(VRX_network& network, double* result, bool useChainRule) = nullptr;
};

void InstallEngineRoutes(const EngineRoutes& routes);
const EngineRoutes& GetEngineRoutes();

}  // namespace vovido
