// The continuous route of belief updating.
#include "equations/continuous_update.h"

#include <string>

#include "base/error_log.h"
#include "base/out_of_memory.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "equations/equation_solver.h"
#include "equations/equation_to_hybrid.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

namespace {

int Update(VRX_network& network) {
    (void)network.ClearAllPropagatedEvidence();  // always 0
    (void)network.InvalidateValues();            // always 0
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_nodeValue* value = network.GetNode(h)->GetValue();
        // Evidence below a node constrains its parents: forward evaluation cannot take it.
        if (value != nullptr && value->HasFlag(ValueFlags::kEvidence) && network.GetNumberOfParents(h) > 0)
            return RunHybridConversion(network);
    }
    const EquationSolverOptions options(&network);
    return RunEquationSolver(options);
}

}  // namespace

int UpdateContinuous(VRX_network& network) {
    return vovido::CatchOutOfMemory([&] { return Update(network); });
}
