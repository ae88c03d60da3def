// The continuous route of belief updating.
#include "equations/continuous_update.h"

#include <string>

#include "base/error_log.h"
#include "base/expression.h"
#include "base/out_of_memory.h"
#include "base/parsed_equation.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "equations/distribution_support.h"
#include "equations/equation_solver.h"
#include "equations/equation_to_hybrid.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

namespace {

// A root drawn from one distribution call and observed where that call has no density: the forward
// route would take the observation as the root's value and answer for impossible evidence.
bool ObservedOutsideItsSupport(const VRX_network& network, int h) {
    VRX_nodeValue* value = network.GetNode(h)->GetValue();
    const auto* equation = dynamic_cast<const VRX_equation*>(network.GetNode(h)->GetDefinition());
    double observed = 0.0;
    if (equation == nullptr || value == nullptr || !value->HasFlag(ValueFlags::kEvidence) ||
        value->GetContEvidence(observed) != kSuccess)
        return false;
    const ParsedEquation& parsed = equation->GetEquation();
    const char* id = network.GetNode(h)->GetId();
    if (!parsed.left || parsed.left->GetType() != vovido::kVariableKind || parsed.left->sign != 1 ||
        static_cast<const VRX_variable&>(*parsed.left).name != id || !parsed.right ||
        parsed.right->GetType() != vovido::kDistributionKind)
        return false;
    // The support decides, not the density, which underflows far in a tail (Normal(0, 1) at 39).
    double lower = 0.0, upper = 0.0;
    if (CallSupport(*parsed.right, lower, upper)) return !(observed >= lower && observed <= upper);
    const double density =
        static_cast<const VRX_distribution&>(*parsed.right).GetDensity(parsed.right->sign * observed);
    return density == 0.0;
}

int Update(VRX_network& network) {
    (void)network.ClearAllPropagatedEvidence();  // always 0
    (void)network.InvalidateValues();            // always 0
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_nodeValue* value = network.GetNode(h)->GetValue();
        // Evidence below a node constrains its parents: forward evaluation cannot take it.
        if (value != nullptr && value->HasFlag(ValueFlags::kEvidence) && network.GetNumberOfParents(h) > 0)
            return RunHybridConversion(network);
    }
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (network.GetNumberOfParents(h) > 0 || !ObservedOutsideItsSupport(network, h)) continue;
        const std::string id = network.GetNode(h)->GetId();
        LogError(errorLog, kOutOfRange,
                 ("The evidence on [" + id + "] is impossible: it lies outside the support of [" + id + "].")
                     .c_str(),
                 nullptr);
        (void)network.InvalidateValues();  // always 0
        return kNoUsefulSamples;
    }
    const EquationSolverOptions options(&network);
    return RunEquationSolver(options);
}

}  // namespace

int UpdateContinuous(VRX_network& network) {
    return vovido::CatchOutOfMemory([&] { return Update(network); });
}
