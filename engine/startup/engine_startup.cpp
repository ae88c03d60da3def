// Start-up of the engine: installs the belief-update dispatch into the model. Compiled into every
// program and library that links the engine (not into an archive, where the linker could drop it).
#include "model/belief_updater.h"
#include "model/network.h"

namespace {

int RouteBeliefUpdate(VRX_network& network) {
    return network.RouteBeliefUpdate();
}

const bool engineInstalled = (vovido::InstallBeliefUpdater(&RouteBeliefUpdate), true);

}  // namespace
