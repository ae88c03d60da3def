// The installed engine routes and the network's entry points to them.
#include "model/belief_updater.h"

#include <string>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"

namespace vovido {
namespace {

EngineRoutes installedRoutes;

int RefuseWithoutEngine(const char* what) {
    return LogError(errorLog, kOutOfRange, (std::string("Algorithm not available: ") + what).c_str(),
                    nullptr);
}

}  // namespace

void InstallEngineRoutes(const EngineRoutes& routes) {
    installedRoutes = routes;
}

const EngineRoutes& GetEngineRoutes() {
    return installedRoutes;
}

}  // namespace vovido

int VRX_network::UpdateBeliefs() {
    const auto route = vovido::GetEngineRoutes().updateBeliefs;
    if (route == nullptr) return vovido::RefuseWithoutEngine("belief updating");
    // An algorithm updating the network whose update it is running would find its working state half
    // written: it works on a copy instead.
    if (updateRunning_)
        return LogError(errorLog, kOutOfRange,
                        "Belief update refused: this network's update is already running", nullptr);
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(updateRunning_);
    vovido::NoticeCall call;
    return call.Result(route(*this));
}

int VRX_network::UpdateBayesianNetwork() {
    const auto route = vovido::GetEngineRoutes().updateBayesianNetwork;
    return route != nullptr ? route(*this) : vovido::RefuseWithoutEngine("belief updating");
}

bool VRX_network::CalcPropEvidence(double* result, bool useChainRule) {
    vovido::NoticeCall call;  // by the chain rule, one update per finding
    const auto route = vovido::GetEngineRoutes().probabilityOfEvidence;
    return route != nullptr && route(*this, result, useChainRule);
}
