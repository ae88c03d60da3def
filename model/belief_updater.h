#pragma once
// The belief-update engine that VRX_network::UpdateBeliefs hands a network to. The algorithms live in
// layers above the model, so the engine layer installs its dispatch here once, at start-up, before any
// thread can call in; afterwards it is only read.

class VRX_network;

namespace vovido {

using BeliefUpdater = int (*)(VRX_network& network);

void InstallBeliefUpdater(BeliefUpdater updater);
BeliefUpdater GetBeliefUpdater();

}  // namespace vovido
