// Start-up of the engine: installs the belief-update dispatch into the model. Compiled into every
// program and library that links the engine (not into an archive, where the linker could drop it).
#include "model/belief_updater.h"
#include "model/network.h"

namespace {

vovido::EngineRoutes MakeRoutes() {
    vovido::EngineRoutes routes;
    routes.updateBeliefs = [](VRX_network& network) { return network.RouteBeliefUpdate(); };
    routes.updateBayesianNetwork = [](VRX_network& network) { return network.RouteBayesianNetworkUpdate(); };
    routes.probabilityOfEvidence = [](VRX_network& network, double* result, bool useChainRule) {
        return network.RouteProbabilityOfEvidence(result, useChainRule);
    };
    return routes;
}

const bool engineInstalled = (vovido::InstallEngineRoutes(MakeRoutes()), true);

}  // namespace
