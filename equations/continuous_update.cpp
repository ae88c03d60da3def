// The continuous route of belief updating.
#include "equations/continuous_update.h"

#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "equations/equation_solver.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

int UpdateContinuous(VRX_network& network) {
    (void)network.ClearAllPropagatedEvidence();  // always 0
    (void)network.InvalidateValues();            // always 0
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_nodeValue* value = network.GetNode(h)->GetValue();
        if (value == nullptr || !value->HasFlag(ValueFlags::kEvidence) || network.GetNumberOfParents(h) <= 0)
            continue;
        // Evidence below a node constrains its parents: forward evaluation cannot take it.
        const char* id = vovido::NodeIdOf(&network, h);
        const std::string message =
            std::string("Algorithm not available: conversion to a hybrid network, which ") +
            "evidence on node [" + (id != nullptr ? id : "") + "] (it has parents) needs";
        return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
    }
    const EquationSolverOptions options(&network);
    return RunEquationSolver(options);
}
