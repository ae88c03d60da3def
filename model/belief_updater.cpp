// The installed belief-update dispatch and the network's entry point to it.
#include "model/belief_updater.h"

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"

namespace vovido {
namespace {

BeliefUpdater installedUpdater = nullptr;

}  // namespace

void InstallBeliefUpdater(BeliefUpdater updater) {
    installedUpdater = updater;
}

BeliefUpdater GetBeliefUpdater() {
    return installedUpdater;
}

}  // namespace vovido

int VRX_network::UpdateBeliefs() {
    const vovido::BeliefUpdater updater = vovido::GetBeliefUpdater();
    if (updater == nullptr) {
        return LogError(errorLog, kOutOfRange, "Algorithm not available: belief updating", nullptr);
    }
    return updater(*this);
}
